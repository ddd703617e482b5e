#include "skinlib/adapters/GridAdapters.h"

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/NonClient.h"
#include "platform/Painting.h"
#include "platform/Properties.h"
#include "platform/ScrollInfo.h"
#include "platform/WindowProc.h"
#include "platform/WindowUtils.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/LibraryUtils.h"
#include "skinlib/manager/MaskSlicing.h"
#include "skinlib/manager/SectionBackgrounds.h"
#include "skinlib/manager/SkinColors.h"
#include "skinlib/manager/SkinMasks.h"
#include "skinlib/manager/SkinRecords.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"

#include <QPointer>

#include <algorithm>

using namespace platform;

namespace {

const QString kControlLook = QStringLiteral("ControlLook");

bool Has(const QObject* o, const char* name) { return o && HasProperty(o, QString::fromLatin1(name)); }

}  // namespace

// ------------------------------------------------------------ grids

const std::array<const char*, 12>& TacGridWnd::KeptNames() {
  static const std::array<const char*, 12> names{
      "FixedColor",      "FooterColor",        "FooterCellColor", "TitleFont.Color",
      "TitleColor",      "IndicatorIconColor", "SelectionColor",  "SelectionTextColor",
      "GridLineColor",   "GridFixedLineColor", "ControlLook.FixedGradientFrom",
      "ControlLook.FixedGradientTo"};
  return names;
}

void TacGridWnd::KeepOwnParams() {
  TacEditWnd::KeepOwnParams();
  QWidget* h = CtrlHandle();
  const auto& names = KeptNames();
  for (size_t i = 0; i < names.size(); ++i) {
    has_[i] = Has(h, names[i]);
    if (!has_[i]) continue;
    const TColor c = TColor(GetOrdProperty(h, QString::fromLatin1(names[i])));
    kept_[i] = c == clNone ? clBtnFace : c;
  }
}

void TacGridWnd::GiveBackOwnParams() {
  TacEditWnd::GiveBackOwnParams();
  QWidget* h = CtrlHandle();
  if (!h) return;
  const auto& names = KeptNames();
  for (size_t i = 0; i < names.size(); ++i)
    if (has_[i]) SetOrdProperty(h, QString::fromLatin1(names[i]), int(kept_[i]));
}

void TacGridWnd::ApplySkinParams() {
  TacEditWnd::ApplySkinParams();
  QWidget* h = CtrlHandle();
  TsSkinManager* sm = SkinData() ? SkinData()->SkinManager() : nullptr;
  if (!h || !sm || !sm->IsValidSectionIndex(sm->StandardIndexes.GlobalInfo)) return;
  const TsGeneralData& global = sm->GeneralData[size_t(sm->StandardIndexes.GlobalInfo)];
  const TsGeneralData* own = SkinData()->Section();
  const bool look = Has(h, "ControlLook");
  auto set = [h](const char* name, TColor c) { SetOrdPropertyIfAny(h, QString::fromLatin1(name), int(c)); };
  set("FixedColor", sm->GlobalSectionColor());
  set("TitleFont.Color", sm->GlobalSectionFontColor());
  if (look) {
    set("FixedFont.Color", sm->GlobalSectionFontColor());
    set("GridFixedLineColor", sm->SkinData->BorderColor);
    set("GridLineColor", MixColors(sm->GlobalSectionHotColor(), sm->EditHotFontColor(), 0.5));
    set("ControlLook.FixedGradientFrom", MixColors(sm->GlobalSectionColor(), sm->GlobalSectionHotColor(), 0.5));
    set("ControlLook.FixedGradientTo", sm->GlobalSectionColor());
    set("SelectionColor", sm->MenuHighlightColor());
    set("SelectionTextColor", sm->MenuHighlightTextColor());
  }
  set("FooterColor", global.Color);
  set("FooterCellColor", global.Color);
  set("TitleColor", global.Color);
  if (own) set("IndicatorIconColor", own->FontColor[0]);
}

void TacGridWnd::AdapterWndProc(Message& m, const CallPrevious& previous) {
  QWidget* h = CtrlHandle();
  // Skin removal: the bars rebuilt by switching them off and on.
  if (m.Msg == SkinCommandMsg && HIWORD(m.WParam) == acRemoveSkin && h && Has(h, "ScrollBars")) {
    const TsSkinManager* sm = SkinData() ? SkinData()->SkinManager() : nullptr;
    const bool mine = !sm || m.LParam == LPARAM(PtrParam(sm));
    QPointer<QWidget> alive(h);
    TacEditWnd::AdapterWndProc(m, previous);
    if (!alive || !mine) return;
    const int bars = GetOrdProperty(h, QStringLiteral("ScrollBars"));
    SetOrdProperty(h, QStringLiteral("ScrollBars"), 0);
    SetOrdProperty(h, QStringLiteral("ScrollBars"), bars);
    return;
  }
  if (!SkinActive()) {
    TacEditWnd::AdapterWndProc(m, previous);
    return;
  }
  switch (m.Msg) {
    case WM_ERASEBKGND:
      SkinData()->SetUpdating(SkinData()->Updating());
      return;
    case WM_VSCROLL:
      // A data-aware grid reads its position from the bar.
      if (Has(h, "DataSource") && (LOWORD(m.WParam) == SB_THUMBPOSITION || LOWORD(m.WParam) == SB_THUMBTRACK)) {
        SCROLLINFO si;
        si.fMask = SIF_ALL;
        if (GetScrollInfo(h, SB_VERT, &si)) {
          si.nPos = si.nTrackPos + (LOWORD(m.WParam) == SB_THUMBPOSITION ? 1 : 0);
          si.fMask = SIF_POS;
          SetScrollInfo(h, SB_VERT, si, false);
        }
      }
      break;
    default:
      break;
  }
  const unsigned msg = m.Msg;
  const WPARAM wp = m.WParam;
  QPointer<QWidget> alive(h);
  TacEditWnd::AdapterWndProc(m, previous);
  if (!alive || Destroyed()) return;
  if (msg == WM_PRINT && wp) {
    // The grid's own painting of its cells, inside the border.
    Canvas& dc = *ParamPtr<Canvas>(wp);
    const int saved = dc.SaveDC();
    dc.IntersectClipRect(ClientInWindow());
    SendMessage(h, WM_PAINT, wp);
    dc.RestoreDC(saved);
    return;
  }
  if (msg == WM_PAINT) RefreshScrolls(true);
  if (msg == WM_WINDOWPOSCHANGED && IsWindowVisible(h)) RedrawNonClient(h);
}

// ------------------------------------------------------------ virtual trees

namespace {

const std::array<const char*, 3> kTreeColors{"VETColors.CompressedTextColor", "VETColors.FileTextColor",
                                             "VETColors.FolderTextColor"};

QObject* HeaderObject(const QObject* tree) { return GetObjectProperty(tree, QStringLiteral("Header")); }

}  // namespace

void TacVirtualTreeViewWnd::KeepOwnParams() {
  TacEditWnd::KeepOwnParams();
  QWidget* h = CtrlHandle();
  for (size_t i = 0; i < kTreeColors.size(); ++i) {
    hasColors_[i] = Has(h, kTreeColors[i]);
    if (hasColors_[i]) keptColors_[i] = TColor(GetOrdProperty(h, QString::fromLatin1(kTreeColors[i])));
  }
  ownerDraw_ = SetPropertyContains(HeaderObject(h), QStringLiteral("Options"), QStringLiteral("hoOwnerDraw"));
}

void TacVirtualTreeViewWnd::ApplySkinParams() {
  TacEditWnd::ApplySkinParams();
  QWidget* h = CtrlHandle();
  TsSkinManager* sm = SkinData() ? SkinData()->SkinManager() : nullptr;
  const TsGeneralData* section = SkinData() ? SkinData()->Section() : nullptr;
  if (!h || !sm) return;
  if (section)
    for (size_t i = 0; i < kTreeColors.size(); ++i)
      if (hasColors_[i]) SetOrdProperty(h, QString::fromLatin1(kTreeColors[i]), int(section->HotFontColor[0]));
  // The header's events, only where the application left them empty.
  if (!assignedDraw_ && !GetEventProperty<TacAdvancedHeaderDraw>(h, "OnAdvancedHeaderDraw")) {
    assignedDraw_ = SetEventProperty<TacAdvancedHeaderDraw>(
        h, "OnAdvancedHeaderDraw",
        [this](TacHeaderPaintInfo& info, int elements) { PaintVirtualTreeHeader(info, elements); });
    if (assignedDraw_ && !GetEventProperty<TacHeaderDrawQueryElements>(h, "OnHeaderDrawQueryElements"))
      assignedQuery_ = SetEventProperty<TacHeaderDrawQueryElements>(h, "OnHeaderDrawQueryElements",
                                                                      QueryVirtualTreeHeaderElements);
    if (assignedDraw_) ChangeSetProperty(HeaderObject(h), QStringLiteral("Options"), QStringLiteral("hoOwnerDraw"), true);
  }
  if (Has(h, "PaintInfoColumn")) {
    SetOrdPropertyIfAny(h, QStringLiteral("PaintInfoColumn.Color"), int(sm->GlobalSectionColor()));
    SetOrdPropertyIfAny(h, QStringLiteral("PaintInfoColumn.Style"), 1);
    SetOrdPropertyIfAny(h, QStringLiteral("Header.Color"), int(sm->GlobalSectionHotColor()));
    SetOrdPropertyIfAny(h, QStringLiteral("Header.Font.Color"), int(sm->GlobalSectionFontColor()));
    RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_FRAME);
    SetOrdPropertyIfAny(h, QStringLiteral("Themed"), 0);
  }
}

void TacVirtualTreeViewWnd::GiveBackOwnParams() {
  TacEditWnd::GiveBackOwnParams();
  QWidget* h = CtrlHandle();
  if (!h) return;
  for (size_t i = 0; i < kTreeColors.size(); ++i)
    if (hasColors_[i]) SetOrdProperty(h, QString::fromLatin1(kTreeColors[i]), int(keptColors_[i]));
  // Only the events the skin assigned go; the application's stay.
  if (assignedDraw_) SetEventProperty<TacAdvancedHeaderDraw>(h, "OnAdvancedHeaderDraw", {});
  if (assignedQuery_) SetEventProperty<TacHeaderDrawQueryElements>(h, "OnHeaderDrawQueryElements", {});
  assignedDraw_ = assignedQuery_ = false;
  ChangeSetProperty(HeaderObject(h), QStringLiteral("Options"), QStringLiteral("hoOwnerDraw"), ownerDraw_);
  if (Has(h, "PaintInfoColumn")) {
    SetOrdPropertyIfAny(h, QStringLiteral("Themed"), 1);
    SetOrdPropertyIfAny(h, QStringLiteral("PaintInfoColumn.Color"), int(clBtnFace));
    SetOrdPropertyIfAny(h, QStringLiteral("Header.Color"), int(clBtnFace));
    SetOrdPropertyIfAny(h, QStringLiteral("Header.Font.Color"), int(clBtnText));
  }
}

void TacVirtualTreeViewWnd::QueryVirtualTreeHeaderElements(TacHeaderPaintInfo&, int& elements) {
  elements = kSkinHeaderElements;
}

void TacVirtualTreeViewWnd::PaintVirtualTreeHeader(TacHeaderPaintInfo& info, int elements) const {
  TsSkinManager* sm = SkinData() ? SkinData()->SkinManager() : nullptr;
  if (Tracking() || !sm || !sm->Active() || !info.TargetCanvas || info.PaintRectangle.IsEmpty()) return;
  const TRect r = info.PaintRectangle;
  Bitmap bmp(r.Width(), r.Height(), pf24bit);
  const int state = info.IsDownIndex ? 2 : info.IsHoverIndex ? 1 : 0;
  const int section = PaintSectionByName(bmp, QStringLiteral("COLHEADER"), QStringLiteral("BUTTON"), nullptr,
                                         sm->GlobalSectionColor(), {0, 0}, sm, state);
  if (section < 0) return;
  const TsGeneralData& gd = sm->GeneralData[size_t(section)];
  if ((elements & kHeaderText) && !(elements & kHeaderDropMark)) {
    Canvas& c = bmp.GetCanvas();
    c.SetBkMode(TRANSPARENT);
    c.SetTextColor(state == 0 ? gd.FontColor[0] : gd.HotFontColor[0]);
    TRect t{4, 1, bmp.Width() - 4, bmp.Height() - 1};
    c.DrawText(info.Text, t, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
  }
  if ((elements & kHeaderSortGlyph) && info.IsSortColumn) {
    const QObject* header = HeaderObject(CtrlHandle());
    const bool up = GetOrdProperty(header, QStringLiteral("SortDirection")) != 0;
    const int glyph = sm->StandardIndexes.ScrollBtnGlyphs[up ? 0 : 1];
    if (sm->IsValidMaskIndex(glyph)) {
      const TsMaskData& g = sm->MaskData[size_t(glyph)];
      const TsBgSource bg{&bmp, 0, 0, 0, true};
      PaintMaskGlyph(bmp, {bmp.Width() - MaskImageWidth(g) - 4, (bmp.Height() - MaskImageHeight(g)) / 2}, 0, 1, g, bg);
    }
  }
  if (elements & (kHeaderBackground | kHeaderText | kHeaderSortGlyph)) info.TargetCanvas->Draw(r.Left, r.Top, bmp);
}

void TacVirtualTreeViewWnd::AdapterWndProc(Message& m, const CallPrevious& previous) {
  if (!SkinActive()) {
    TacEditWnd::AdapterWndProc(m, previous);
    return;
  }
  QWidget* h = CtrlHandle();
  switch (m.Msg) {
    case WM_HSCROLL:
    case WM_VSCROLL:
      if (LOWORD(m.WParam) == SB_THUMBTRACK) {
        const int bar = m.Msg == WM_HSCROLL ? SB_HORZ : SB_VERT;
        SCROLLINFO si;
        si.fMask = SIF_ALL;
        if (GetScrollInfo(h, bar, &si)) {
          si.nPos = si.nTrackPos;
          si.fMask = SIF_POS;
          SetScrollInfo(h, bar, si, false);
        }
      }
      break;
    case WM_ERASEBKGND:
      return;
    case WM_NCPAINT:
      NcPaint(m, previous);
      return;
    case WM_PRINT:
      if (auto* dc = ParamPtr<Canvas>(m.WParam)) {
        Print(*dc, m, previous);
        return;
      }
      break;
    default:
      break;
  }
  TacEditWnd::AdapterWndProc(m, previous);
}

int TacVirtualTreeViewWnd::HeaderHeight() const {
  const QObject* header = HeaderObject(CtrlHandle());
  if (!SetPropertyContains(header, QStringLiteral("Options"), QStringLiteral("hoVisible"))) return 0;
  return std::max(0, int(GetOrdProperty(header, QStringLiteral("Height"))));
}

void TacVirtualTreeViewWnd::NcPaint(Message& m, const CallPrevious& previous) {
  QWidget* h = CtrlHandle();
  TsCommonData& data = *SkinData();
  m.Result = 0;
  if (!IsWindowVisible(h)) return;
  data.SetUpdating(data.Updating());
  if (data.UpdatingFlag()) return;
  if (data.BackgroundDirty) {
    if (!ParamsApplied()) ApplySkinParams();
    RefreshCache();
  }
  Canvas* dc = GetWindowDC(h);
  if (!dc) return;
  PaintBorderStrip(*dc);
  // The tree paints what it keeps in its frame (its header) itself.
  Message print{WM_PRINT, PtrParam(dc), PRF_NONCLIENT, 0};
  if (!PassOnAndSurvive(print, previous)) return;
  PaintScrollBars(dc);
}

void TacVirtualTreeViewWnd::Print(Canvas& dc, Message& m, const CallPrevious& previous) {
  TsCommonData& data = *SkinData();
  data.SetUpdating(false);
  // The client below the header; Qt paints in the window's coordinates,
  // so the canvas keeps its origin and the clip leaves the border out.
  TRect client = ClientInWindow();
  client.Top += HeaderHeight();
  {
    const int saved = dc.SaveDC();
    dc.IntersectClipRect(client);
    Message printClient{WM_PRINTCLIENT, m.WParam, PRF_CLIENT, 0};
    const bool alive = PassOnAndSurvive(printClient, previous);
    dc.RestoreDC(saved);
    if (!alive) return;
  }
  if (!PassOnAndSurvive(m, previous)) return;
  if (!ParamsApplied()) ApplySkinParams();
  data.BackgroundDirty = true;
  RefreshCache();
  PaintBorderStrip(dc);
  PaintScrollBars(&dc);
  m.Result = 0;
}
