#include "skinlib/adapters/ProviderSeams.h"

#include "platform/Canvas.h"
#include "skinlib/manager/MaskSlicing.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"

using namespace platform;

TacProviderSeams& ProviderSeams() {
  static TacProviderSeams seams;
  return seams;
}

namespace providerseams {

namespace {

// The section's colour (its hot colour for a state above 0).
void FillWithSectionColor(TsSkinManager& manager, int sectionIndex, Bitmap& bitmap, const TRect& r, int state) {
  if (!manager.IsValidSectionIndex(sectionIndex) || r.Right <= r.Left || r.Bottom <= r.Top) return;
  const TsGeneralData& section = manager.GeneralData[size_t(sectionIndex)];
  Canvas& c = bitmap.GetCanvas();
  c.Brush = {ColorToRGB(state > 0 ? section.HotColor : section.Color), bsSolid};
  c.FillRect(r);
}

}  // namespace

void PaintSectionItem(TsSkinManager& manager, int sectionIndex, Bitmap& bitmap, const TRect& r, int state,
                      const TsBgSource& bg) {
  if (ProviderSeams().PaintSectionItem) return ProviderSeams().PaintSectionItem(manager, sectionIndex, bitmap, r, state, bg);
  FillWithSectionColor(manager, sectionIndex, bitmap, r, state);
  if (!manager.IsValidSectionIndex(sectionIndex)) return;
  const int border = manager.GeneralData[size_t(sectionIndex)].BorderIndex;
  if (manager.IsValidMaskIndex(border))
    PaintMaskRect(bitmap, r, /*fillCentre=*/false, bg, manager.MaskData[size_t(border)], state, /*maskedCorners=*/false);
}

void PaintSectionBackground(TsSkinManager& manager, int sectionIndex, Bitmap& bitmap, const TRect& r, int state) {
  if (ProviderSeams().PaintSectionBackground)
    return ProviderSeams().PaintSectionBackground(manager, sectionIndex, bitmap, r, state);
  FillWithSectionColor(manager, sectionIndex, bitmap, r, state);
}

void PaintSkinBorders(TsCommonData& data) {
  if (ProviderSeams().PaintSkinBorders) return ProviderSeams().PaintSkinBorders(data);
  TsSkinManager* manager = data.SkinManager();
  if (!manager || !data.CacheBitmap || !manager->IsValidMaskIndex(data.BorderMaskIndex)) return;
  const TRect r{0, 0, data.CacheBitmap->Width(), data.CacheBitmap->Height()};
  PaintMaskRect(*data.CacheBitmap, r, false, EmptyCacheInfo, manager->MaskData[size_t(data.BorderMaskIndex)], 0, true);
}

void AddTransparentRects(const TsSkinManager& manager, int maskIndex, bool bottom, int offsetY,
                         std::vector<TRect>& rects) {
  if (ProviderSeams().AddTransparentRects) ProviderSeams().AddTransparentRects(manager, maskIndex, bottom, offsetY, rects);
}

unsigned CaptionDrawFlags(int alignment, const QWidget* window) {
  if (ProviderSeams().CaptionDrawFlags) return ProviderSeams().CaptionDrawFlags(alignment, window);
  const unsigned align = alignment == 1 ? DT_RIGHT : alignment == 2 ? DT_CENTER : DT_LEFT;
  return align | DT_VCENTER | DT_EXPANDTABS;
}

}  // namespace providerseams
