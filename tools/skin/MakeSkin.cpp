// Writes the program's skin file, or the images the skinning engine keeps
// as resources:
//   ssq_make_skin FILE.skn
//   ssq_make_skin --resources FOLDER
#include "platform/FileUtil.h"
#include "tools/skin/ProgramSkin.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() == 3 && args[1] == QStringLiteral("--resources")) {
    for (const char* name : {"TRACK", "TRACKVERT", "SKINMENU", "CHECK"}) {
      const QString file = QDir(args[2]).filePath(QString::fromLatin1(name) + QStringLiteral(".bmp"));
      if (!skinwriter::DrawBuiltinImage(QString::fromLatin1(name)).save(file, "BMP")) {
        std::fprintf(stderr, "ssq_make_skin: cannot write %s\n", qPrintable(file));
        return 1;
      }
    }
    return 0;
  }
  if (args.size() != 2) {
    std::fprintf(stderr, "usage: ssq_make_skin FILE.skn | ssq_make_skin --resources FOLDER\n");
    return 2;
  }
  const QString path = args[1];
  QDir().mkpath(QFileInfo(path).absolutePath());
  std::string error;
  if (!platform::WriteFileAtomic(path.toStdString(),
                                 skinwriter::SkinFileBytes(skinwriter::MakeProgramSkin()), &error)) {
    std::fprintf(stderr, "ssq_make_skin: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
