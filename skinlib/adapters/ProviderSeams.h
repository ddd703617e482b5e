// SEAM: what the form provider (sSkinProvider.h) leaves to units built
// later. Each slot is filled by the unit that owns the step when it
// starts; until then the wrapper gives the stand-in named here:
//   PaintSectionItem        section backgrounds: the complete item of a
//                           section (border mask, corners, background)
//                           over `r` of `bitmap` in `state`. Stand-in: the
//                           section's colour (hot colour above state 0), then its border mask sliced
//                           over `r` (PaintMaskRect)
//   PaintSectionBackground  section backgrounds: the section's background
//                           alone. Stand-in: the section's colour (as above)
//   PaintSkinBorders        section backgrounds: the border mask of the
//                           data's section around its cache. Stand-in:
//                           PaintMaskRect over the whole cache
//   AddTransparentRects     section backgrounds: the transparent
//                           rectangles of one row of a mask's corners
//                           (`bottom`: its bottom row), moved down by
//                           `offsetY`, added to `rects`. Stand-in: none
//   CaptionDrawFlags        window utilities: the DT_ flags of a caption
//                           by its alignment and the window's reading
//                           order. Stand-in: the alignment's flag with
//                           DT_VCENTER and DT_EXPANDTABS
// GUI thread only.
#pragma once

#include "platform/Bitmap.h"
#include "platform/WinTypes.h"
#include "skinlib/manager/SkinRecords.h"

#include <functional>
#include <vector>

class QWidget;
class TsCommonData;
class TsSkinManager;

struct TacProviderSeams {
  std::function<void(TsSkinManager& manager, int sectionIndex, platform::Bitmap& bitmap, const platform::TRect& r,
                     int state, const TsBgSource& bg)>
      PaintSectionItem;
  std::function<void(TsSkinManager& manager, int sectionIndex, platform::Bitmap& bitmap, const platform::TRect& r,
                     int state)>
      PaintSectionBackground;
  std::function<void(TsCommonData& data)> PaintSkinBorders;
  std::function<void(const TsSkinManager& manager, int maskIndex, bool bottom, int offsetY,
                     std::vector<platform::TRect>& rects)>
      AddTransparentRects;
  std::function<unsigned(int alignment, const QWidget* window)> CaptionDrawFlags;
};

TacProviderSeams& ProviderSeams();

namespace providerseams {

void PaintSectionItem(TsSkinManager& manager, int sectionIndex, platform::Bitmap& bitmap, const platform::TRect& r,
                      int state, const TsBgSource& bg);
void PaintSectionBackground(TsSkinManager& manager, int sectionIndex, platform::Bitmap& bitmap,
                            const platform::TRect& r, int state);
void PaintSkinBorders(TsCommonData& data);
void AddTransparentRects(const TsSkinManager& manager, int maskIndex, bool bottom, int offsetY,
                         std::vector<platform::TRect>& rects);
unsigned CaptionDrawFlags(int alignment, const QWidget* window);

}  // namespace providerseams
