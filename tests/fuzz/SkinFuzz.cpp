// Skin files as they come from disk or a form's stream: any bytes through
// the LZHUF decoder, the container reader and the whole load of a skin
// (INI, element model), the first byte choosing which.
#include "FuzzSupport.h"

#include "platform/UserPrompts.h"
#include "skinning/SkinRead.h"
#include "skinning/WinSkinData.h"

#include <QApplication>

#include <string>

namespace {

platform::RecordingPrompts* prompts = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  fuzz::StartApplication<QApplication>(argc, argv);
  // An unknown version is told to the user: recorded, never shown.
  static platform::RecordingPrompts recording;
  prompts = &recording;
  platform::SetPrompts(prompts);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input in(data, size);
  const uint8_t which = in.Byte();
  prompts->Calls.clear();
  switch (which % 3) {
    case 0: {
      // Up to 1 MiB out of whatever the rest holds: all of it or nothing.
      const uint32_t count = in.Value<uint32_t>() % (1u << 20);
      const std::optional<std::string> out = skinning::TLZH::Decode(in.Rest(), count);
      FUZZ_CHECK(!out || out->size() == count);
      break;
    }
    case 1: {
      skinning::TSkinReader reader;
      if (reader.Load(in.Rest())) {
        FUZZ_CHECK(reader.Count() == reader.Names().size());
        FUZZ_CHECK(reader.Count() <= skinning::TSkinReader::kMaxEntries);
        std::string entry;
        for (const QString& name : reader.Names()) reader.GetEntry(name, entry);
      } else {
        // A refused file leaves nothing behind and says why, in the error or
        // to the user.
        FUZZ_CHECK(reader.Count() == 0);
        FUZZ_CHECK(!reader.LastError().empty() || !prompts->Calls.empty());
      }
      break;
    }
    default: {
      // The streamed property: its own count before the bytes.
      const std::string_view bytes = in.Rest();
      const uint32_t n = uint32_t(bytes.size());
      std::string streamed(reinterpret_cast<const char*>(&n), 4);
      streamed.append(bytes);
      skinning::TSkinData skin;
      const bool loaded = skin.LoadSkinStream(streamed);
      FUZZ_CHECK(loaded != skin.NoSkin());
      FUZZ_CHECK(skin.SharedModel() != nullptr);
      break;
    }
  }
  return 0;
}
