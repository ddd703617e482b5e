// The start the skinning screenshot programs share (not tests; they need a
// real X server): the application's font, the units, the folder to write
// to (the first argument, default the current one), and the program's
// skin, as the build writes it, loaded into a skin component.
#pragma once

#include "TestSkins.h"

#include "platform/Startup.h"
#include "tools/skin/ProgramSkin.h"

#include <QApplication>

#include <cstdio>

namespace testskins {

struct ScreenshotStart {
  ScreenshotStart(int argc, char** argv)
      : folder(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".")) {
    QApplication::setFont(QFont(QStringLiteral("WenQuanYi Micro Hei"), 9));
  }
  QString folder;
  platform::UnitStartupScope units;
};

// False, said on stderr, when the skin does not load.
inline bool LoadProgramSkin(skinning::TSkinData& data) {
  if (data.LoadSkinStream(Streamed(skinwriter::SkinFileBytes(skinwriter::MakeProgramSkin())))) return true;
  std::fprintf(stderr, "the program's skin does not load\n");
  return false;
}

}  // namespace testskins
