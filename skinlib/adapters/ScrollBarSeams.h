// SEAM: what the scroll bars take from the section backgrounds of the
// painting toolbox, which are being built beside them. Until those join,
// the stand-ins below paint a part as its section's colour under its
// border mask and turn a background answer into a source directly; the
// lead replaces the bodies with calls to the toolbox's PaintSectionPart
// and CacheInfoFromBgInfo when both are on one branch. GUI thread only.
#pragma once

#include "platform/Bitmap.h"
#include "platform/WinTypes.h"
#include "skinlib/manager/SkinRecords.h"

class QWidget;
class TsSkinManager;

namespace scrollseams {

// The background of section `sectionIndex` over `r` of the bitmap, then
// its border mask `borderMaskIndex` in `state`.
void PaintSectionPart(int sectionIndex, int borderMaskIndex, int texture, TsSkinManager* manager,
                      platform::Bitmap& bitmap, platform::TPoint offset, const platform::TRect& r, int state,
                      bool useParentBg, const TsBgSource& parentBg);

// The window's own background: the toolbox's window query when its unit
// runs, else the window asked directly with sub-command 34 (a skinned
// window answers from its skin data).
void QueryWindowBackground(TsBgQuery& query, QWidget* window);

// A background answer as a source: a parent bitmap with its offset, or
// the plain colour.
void CacheInfoFromBgInfo(const TsBgQuery& query, TsBgSource& info);

}  // namespace scrollseams
