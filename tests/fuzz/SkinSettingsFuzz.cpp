// The skin manager's settings stream (what a form file holds of it: the
// stored skins, the common sections, the adjustments, Active and SkinName
// last): any bytes are read or refused with the stream's or the library's
// error. What is read writes a stream that reads back without an error to
// the same stream and the same skin.
#include "SkinFuzzSupport.h"


#include <memory>
#include <string>

namespace {

// What a manager shows of its skin.
std::string Loaded(const TsSkinManager& sm) {
  return sm.SkinName().toStdString() + (sm.Active() ? "|on|" : "|off|") + std::to_string(sm.GeneralData.size()) +
         "|" + std::to_string(sm.MaskData.size()) + "|" + std::to_string(sm.PatternData.size());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  fuzz::StartSkinReading(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Prompts().Calls.clear();
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::string written, first;
  const bool refused = fuzz::Raises<EPropertyStreamError>([&] {
    if (fuzz::Raises<ESkinLibraryError>([&] {
          const std::unique_ptr<TsSkinManager> sm = TsSkinManager::FromPropertyStream(bytes);
          written = sm->PropertyStream();
          first = Loaded(*sm);
        }))
      written.clear();
  });
  if (refused || written.empty()) return 0;
  // The first manager is gone: the second is made as the first was.
  const std::unique_ptr<TsSkinManager> again = TsSkinManager::FromPropertyStream(written);
  FUZZ_CHECK(Loaded(*again) == first);
  FUZZ_CHECK(again->PropertyStream() == written);
  return 0;
}
