// The skin library's readers of outside bytes: packed skin files (".asz",
// a stored skin's data) and the property stream of an alpha image list
// with its PNG and ICO files, the first byte choosing which. Every input is
// read or refused with the library's own errors, never anything else.
#include "SkinFuzzSupport.h"

#include "skinlib/manager/acSkinPack.h"

#include <string>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  fuzz::StartSkinLibrary(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input in(data, size);
  const uint8_t which = in.Byte();
  if (which % 2 == 0) {
    TacSkinConvertor c;
    c.PackedData = std::string(in.Rest());
    const size_t packedSize = c.PackedData->size();
    if (!fuzz::Raises<ESkinLibraryError>([&] { c.Parse(); })) {
      FUZZ_CHECK(c.LastFileIndex + 1 >= int(c.Files.size()) + (c.Options ? 1 : 0));
      // Nothing unpacks to more than an entry may hold.
      for (const TacImageItem& f : c.Files) FUZZ_CHECK(int64_t(f.Data.size()) <= kMaxPackedEntryBytes);
      FUZZ_CHECK(c.PackedData && c.PackedData->size() == packedSize);
    }
  } else {
    fuzz::CheckImageListStream(std::string(in.Rest()));
  }
  return 0;
}
