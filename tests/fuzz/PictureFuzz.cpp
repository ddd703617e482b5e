// Picture files: any bytes through each reader, and through the registry
// by an extension the input names.
#include "FuzzSupport.h"

#include "platform/Picture.h"

#include <QGuiApplication>

#include <string>

namespace {

// A loaded picture has pixels within the bitmap limits; a refused one says why.
void Check(bool loaded, const platform::Bitmap& b, const std::string& error) {
  if (loaded) {
    FUZZ_CHECK(b.Width() > 0 && b.Height() > 0);
  } else {
    FUZZ_CHECK(!error.empty());
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  fuzz::StartApplication<QGuiApplication>(argc, argv);
  platform::RegisterFileFormat(platform::PngFormat());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input in(data, size);
  const uint8_t which = in.Byte();
  const std::string_view bytes = in.Rest();
  platform::Bitmap bitmap;
  std::string error;
  switch (which % 5) {
    case 0:
      Check(platform::DecodePng(bytes, bitmap, error), bitmap, error);
      if (!bitmap.Empty()) {
        // What was read writes and reads again at the same size.
        std::string png;
        FUZZ_CHECK(platform::EncodePng(bitmap, png, error));
        platform::Bitmap again;
        FUZZ_CHECK(platform::DecodePng(png, again, error));
        FUZZ_CHECK(again.Width() == bitmap.Width() && again.Height() == bitmap.Height());
      }
      break;
    case 1:
      Check(platform::DecodeJpeg(bytes, bitmap, error), bitmap, error);
      break;
    case 2:
      Check(platform::BmpFormat().Load(bytes, bitmap, error), bitmap, error);
      break;
    case 3:
      Check(platform::IcoFormat().Load(bytes, bitmap, error), bitmap, error);
      break;
    default: {
      // By the registry: the extension picks the reader first, the magic
      // bytes any other.
      static const char* const extensions[] = {"png", "jpg", "jpeg", "bmp", "ico", "gif", ""};
      platform::Picture picture;
      const bool loaded = picture.LoadFromBytes(bytes, QString::fromLatin1(extensions[(which / 5) % 7]), &error);
      Check(loaded, picture.Graphic(), error);
      FUZZ_CHECK(loaded != picture.FormatExtension().isEmpty());
      break;
    }
  }
  return 0;
}
