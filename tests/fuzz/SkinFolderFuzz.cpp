// A skin folder on disk: the input is its "Options.dat", beside the demo
// skin's picture files, a picture one folder up and a link to it inside
// the folder. The skin is read or refused with the library's one error,
// nothing is left half-read, a read skin's indexes all lie in its tables,
// and no picture from outside its folder is read into it.
#include "SkinFuzzSupport.h"

#include "skinlib/support/TestSkins.h"
#include "tools/skindraw/SkinDrawing.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <string>

namespace {

// The picture outside the skin's folder: the only one of 7 x 5 pixels.
constexpr int kOutsideWidth = 7, kOutsideHeight = 5;

void Write(const QString& path, const std::string& bytes) {
  QFile file(path);
  FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  FUZZ_CHECK(file.write(bytes.data(), qint64(bytes.size())) == qint64(bytes.size()));
}

// <temp>/Skins/F with the demo skin's pictures and LINK.BMP, and
// <temp>/Skins/OUTSIDE.BMP; made once.
const QString& SkinsFolder() {
  static QTemporaryDir temp;
  static const QString skins = [] {
    const QString root = temp.path() + QStringLiteral("/Skins");
    FUZZ_CHECK(QDir().mkpath(root + QStringLiteral("/F")));
    for (const testskins::SkinFile& f : testskins::SkinFolderFiles(testskins::DemoSkin()))
      if (f.Name != QStringLiteral("Options.dat")) Write(root + QStringLiteral("/F/") + f.Name, f.Data);
    QImage outside(kOutsideWidth, kOutsideHeight, QImage::Format_RGB888);
    outside.fill(QColor(1, 2, 3));
    Write(root + QStringLiteral("/OUTSIDE.BMP"), skindraw::BmpBytes(outside));
    FUZZ_CHECK(QFile::link(root + QStringLiteral("/OUTSIDE.BMP"), root + QStringLiteral("/F/LINK.BMP")));
    return root;
  }();
  return skins;
}

bool FromOutside(const platform::Bitmap* b) {
  return b && b->Width() == kOutsideWidth && b->Height() == kOutsideHeight;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  fuzz::StartSkinReading(argc, argv);
  SkinsFolder();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Prompts().Calls.clear();
  Write(SkinsFolder() + QStringLiteral("/F/Options.dat"), std::string(reinterpret_cast<const char*>(data), size));
  TsSkinManager sm;
  sm.SetActive(false);
  sm.SetExtendedBorders(true);
  sm.SetSkinDirectory(SkinsFolder());
  sm.SetSkinName(QStringLiteral("F"));
  if (fuzz::ActivationRefused(sm)) return 0;
  FUZZ_CHECK(sm.SkinData->Active && !sm.IsPackage);
  fuzz::CheckSectionIndexes(sm);
  FUZZ_CHECK(!FromOutside(sm.MasterBitmap.get()));
  for (const TsMaskData& m : sm.MaskData) FUZZ_CHECK(!FromOutside(m.Bmp.get()));
  for (const TsPatternData& p : sm.PatternData) FUZZ_CHECK(!FromOutside(p.Img.get()));
  return 0;
}
