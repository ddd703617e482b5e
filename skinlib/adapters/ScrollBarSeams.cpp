#include "skinlib/adapters/ScrollBarSeams.h"

#include "platform/Canvas.h"
#include "platform/WindowProc.h"
#include "skinlib/manager/CommonDataSeams.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/MaskSlicing.h"
#include "skinlib/manager/sSkinManager.h"

using namespace platform;

namespace scrollseams {

void PaintSectionPart(int sectionIndex, int borderMaskIndex, int /*texture*/, TsSkinManager* manager,
                      Bitmap& bitmap, TPoint /*offset*/, const TRect& r, int state, bool useParentBg,
                      const TsBgSource& parentBg) {
  if (!manager || !manager->IsValidSectionIndex(sectionIndex) || r.Width() <= 0 || r.Height() <= 0) return;
  const TsGeneralData& section = manager->GeneralData[size_t(sectionIndex)];
  {
    Canvas dc(bitmap);
    dc.Brush.Color = ColorToRGB(state > 0 ? section.HotColor : section.Color);
    dc.FillRect(r);
  }
  if (manager->IsValidMaskIndex(borderMaskIndex))
    PaintMaskRect(bitmap, r, false, parentBg, manager->MaskData[size_t(borderMaskIndex)], state, useParentBg);
}

void QueryWindowBackground(TsBgQuery& query, QWidget* window) {
  if (CommonDataSeams().QueryWindowBackground) {
    commondata::QueryWindowBackground(query, window, false);
    return;
  }
  SendMessage(window, SkinCommandMsg, MAKEWPARAM(0, int(acBgQuery)), LPARAM(PtrParam(&query)));
  if (query.BgKind == TsBgQuery::NotAnswered) {
    query.BgKind = TsBgQuery::PlainColor;
    query.Color = ColorToRGB(clBtnFace);
  }
}

void CacheInfoFromBgInfo(const TsBgQuery& query, TsBgSource& info) {
  if (query.BgKind == TsBgQuery::FromBitmap) {
    info.Bitmap = query.Bitmap;
    info.X = query.Offset.X;
    info.Y = query.Offset.Y;
    info.FillColor = TColor(0xFF00FF);
    info.IsReady = true;
  } else {
    info.Bitmap = nullptr;
    info.X = info.Y = 0;
    info.FillColor = ColorToRGB(query.Color);
    info.IsReady = false;
  }
}

}  // namespace scrollseams
