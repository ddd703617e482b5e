// The skin library's test skins on disk, and the pictures its manager keeps
// as resources:
//   ssq_make_test_skin --folder DIR        DIR/Demo/ (Options.dat, Master.bmp, ...)
//   ssq_make_test_skin --painting DIR      DIR/Painting/, the painting toolbox's skin
//   ssq_make_test_skin --package FILE.asz  the demo skin packed
//   ssq_make_test_skin --damaged DIR       every damaged package and skin folder
//   ssq_make_test_skin --resources DIR     acSHDA.png, acSHDI.png, SF.png ... SC.png
#include "platform/FileUtil.h"
#include "skinlib/support/TestSkins.h"
#include "tools/skindraw/SkinDrawing.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

#include <cstdio>
#include <exception>

namespace {

bool Write(const QString& path, const std::string& bytes) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  std::string error;
  if (platform::WriteFileAtomic(path.toStdString(), bytes, &error)) return true;
  std::fprintf(stderr, "ssq_make_test_skin: %s\n", error.c_str());
  return false;
}

bool Folder(const testskins::TestSkin& skin, const QString& dir) {
  QString error;
  if (testskins::WriteSkinFolder(skin, QDir(dir).filePath(skin.Name), &error)) return true;
  std::fprintf(stderr, "ssq_make_test_skin: %s\n", qPrintable(error));
  return false;
}

int Run(const QString& mode, const QString& target) {
  using namespace testskins;
  if (mode == QStringLiteral("--folder")) return Folder(DemoSkin(), target) ? 0 : 1;
  if (mode == QStringLiteral("--painting")) return Folder(PaintingSkin(), target) ? 0 : 1;
  if (mode == QStringLiteral("--package")) return Write(target, PackageBytes(DemoSkin())) ? 0 : 1;
  if (mode == QStringLiteral("--damaged")) {
    const TestSkin demo = DemoSkin();
    for (PackageDamage d : kAllPackageDamages)
      if (!Write(QDir(target).filePath(QString::fromLatin1(DamageName(d)) + QStringLiteral(".asz")),
                 DamagedPackage(demo, d)))
        return 1;
    for (SkinDamage d : kAllSkinDamages)
      if (!Folder(DamagedSkin(d), target)) return 1;
    return 0;
  }
  if (mode == QStringLiteral("--resources")) {
    const QDir dir(target);
    if (!Write(dir.filePath(QStringLiteral("acSHDA.png")), skindraw::PngBytes(DrawShadowImage(true))) ||
        !Write(dir.filePath(QStringLiteral("acSHDI.png")), skindraw::PngBytes(DrawShadowImage(false))))
      return 1;
    for (int i = 0; i < 5; ++i)
      if (!Write(dir.filePath(QString::fromLatin1(kStandardListNames[i]) + QStringLiteral(".png")),
                 skindraw::PngBytes(DrawStandardListImage(i))))
        return 1;
    return 0;
  }
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QStringList args = app.arguments();
  const int result = args.size() == 3 ? [&] {
    try {
      return Run(args[1], args[2]);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "ssq_make_test_skin: %s\n", e.what());
      return 1;
    }
  }() : 2;
  if (result == 2)
    std::fprintf(stderr,
                 "usage: ssq_make_test_skin --folder DIR | --painting DIR | --package FILE.asz | --damaged DIR | "
                 "--resources DIR\n");
  return result;
}
