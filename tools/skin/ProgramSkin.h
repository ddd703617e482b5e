// The program's own skin, drawn in code in one blue scheme: every section
// and key the skinning engine reads, and every image they name.
#pragma once

#include "tools/skin/SkinFile.h"

#include <QImage>

namespace skinwriter {

// The file name the main window loads from the program's "skin" folder.
inline constexpr char kProgramSkinFileName[] = "Watercolor-BLUE.skn";

SkinContainer MakeProgramSkin();

// The images the engine carries as resources rather than in skins:
// "TRACK" (16 x 4), "TRACKVERT" (4 x 16), "SKINMENU" (64 x 16 black and
// white: restore, maximize, minimize, close), "CHECK" (the menu tick).
QImage DrawBuiltinImage(const QString& name);

}  // namespace skinwriter
