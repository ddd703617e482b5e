// The skin library's readers of outside bytes: packed skin files (".asz",
// a stored skin's data) and the property stream of an alpha image list
// with its PNG and ICO files, the first byte choosing which. Every input is
// read or refused with the library's own errors, never anything else.
#include "FuzzSupport.h"

#include "skinlib/manager/acAlphaImageList.h"
#include "skinlib/manager/acSkinPack.h"

#include <QGuiApplication>

#include <string>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  fuzz::StartApplication<QGuiApplication>(argc, argv);
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
    const std::string bytes(in.Rest());
    std::unique_ptr<TsAlphaImageList> list;
    const bool refused = fuzz::Raises<EPropertyStreamError>([&] {
      // A stream that reads but holds an undecodable file raises the
      // library's error after making every image it can.
      if (fuzz::Raises<ESkinLibraryError>([&] { list = TsAlphaImageList::FromPropertyStream(bytes); })) return;
      FUZZ_CHECK(list && !list->IsLoading());
      FUZZ_CHECK(!list->HandleAllocated() || list->Count() == list->Items().Count());
      // What it writes reads back to the same list.
      const std::string written = list->PropertyStream();
      FUZZ_CHECK(TsAlphaImageList::FromPropertyStream(written)->PropertyStream() == written);
    });
    (void)refused;
  }
  return 0;
}
