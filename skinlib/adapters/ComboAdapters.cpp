#include "skinlib/adapters/ComboAdapters.h"

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Capture.h"
#include "platform/ControlMessages.h"
#include "platform/NonClient.h"
#include "platform/ScrollInfo.h"
#include "platform/Painting.h"
#include "platform/Properties.h"
#include "platform/WindowProc.h"
#include "platform/WindowTable.h"
#include "platform/WindowUtils.h"
#include "skinlib/adapters/AdapterUtils.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/MaskSlicing.h"
#include "skinlib/manager/SectionBackgrounds.h"
#include "skinlib/manager/SkinRecords.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFrame>
#include <QLayout>
#include <QScreen>
#include <QListWidget>

#include <algorithm>

using namespace platform;

bool ComboDropped = false;

TRect ComboButtonRect(std::uint32_t style, std::uint32_t exStyle, int width, int height) {
  const int w = (style & 2) ? GetSystemMetrics(SM_CXVSCROLL) : 0;
  TRect r;
  r.Left = (exStyle & WS_EX_RTLREADING) ? 2 : width - w - 2;
  r.Top = 2;
  r.Right = r.Left + w;
  r.Bottom = height - 2;
  return r;
}

int ComboGlyphSize(const TsSkinManager& manager) {
  if (!manager.IsValidMaskIndex(manager.ComboBoxGlyph)) return 16;
  const TsMaskData& m = manager.MaskData[size_t(manager.ComboBoxGlyph)];
  return m.R.Height() / std::max(1, m.MaskType + 1);
}

// ------------------------------------------------------------ the combo box

TacComboBoxWnd::TacComboBoxWnd(QWidget* handle, TsCommonData* skinData, TsSkinManager* manager,
                               const QString& section)
    : TacEditWnd(handle, skinData, manager, section.isEmpty() ? QStringLiteral("COMBOBOX") : section),
      buttonData_(std::make_unique<TsCommonData>(nullptr, true)) {
  buttonData_->SetSkinManager(manager);
  buttonData_->SetSkinSection(QStringLiteral("COMBOBTN"));
}

TacComboBoxWnd::~TacComboBoxWnd() {
  // A capture the list kept goes with the adapters.
  if (listWnd_ && GetCapture() == listWnd_) ReleaseCapture();
}

bool TacComboBoxWnd::Simple() const {
  return CtrlHandle() && (std::uint32_t(GetWindowLong(CtrlHandle(), GWL_STYLE)) & 3) == CBS_SIMPLE;
}

TRect TacComboBoxWnd::ButtonRect() const {
  QWidget* h = CtrlHandle();
  if (!h) return {};
  return ComboButtonRect(std::uint32_t(GetWindowLong(h, GWL_STYLE)), std::uint32_t(GetWindowLong(h, GWL_EXSTYLE)),
                         h->width(), h->height());
}

TacComboButtonState TacComboBoxWnd::ButtonState() const {
  QWidget* h = CtrlHandle();
  if (listWnd_ && listWnd_->isVisible()) return TacComboButtonState::Pressed;
  COMBOBOXINFO info;
  if (GetComboBoxInfo(h, &info) && (info.stateButton & STATE_SYSTEM_PRESSED)) return TacComboButtonState::Pressed;
  const TsSkinManager* sm = SkinData() ? SkinData()->SkinManager() : nullptr;
  if ((SkinData() && SkinData()->ControlIsActive()) || (sm && sm->HotWindow() == h) ||
      (SkinData() && SkinData()->MouseAbove))
    return TacComboButtonState::Hot;
  return TacComboButtonState::Normal;
}

void TacComboBoxWnd::PaintComboButton(Bitmap& bmp) const {
  TsSkinManager* sm = SkinData() ? SkinData()->SkinManager() : nullptr;
  if (!sm || bmp.Empty()) return;
  const TsGeneralData* section = SkinData()->Section();
  const TColor fill = section ? section->Color : sm->GlobalSectionColor();
  bmp.Fill(ToQColor(ColorToRGB(fill)).rgb());
  if (sm->IsValidSectionIndex(sm->ComboBtnIndex))
    PaintSectionByName(bmp, QStringLiteral("COMBOBTN"), QString(), nullptr, fill, {0, 0}, sm, int(ButtonState()));
  if (sm->IsValidMaskIndex(sm->ComboBoxGlyph)) {
    const TsMaskData& glyph = sm->MaskData[size_t(sm->ComboBoxGlyph)];
    // A mask counting no images is one image.
    const int glyphW = glyph.R.Width() / std::max<int>(1, glyph.ImageCount);
    const int glyphH = ComboGlyphSize(*sm);
    const TsBgSource bg{&bmp, 0, 0, fill, true};
    PaintMaskGlyph(bmp, {(bmp.Width() - glyphW) / 2, (bmp.Height() - glyphH) / 2}, 0, 1, glyph, bg);
  } else {
    // A skin without the glyph: a plain arrow down in the section's font
    // colour, so the button still says what it does.
    const int h = std::min(4, (std::min(bmp.Width(), bmp.Height()) - 2) / 2);
    if (h < 1) return;
    const TColor color = section && section->FontColor[0] >= 0 ? section->FontColor[0] : TColor(0);
    const int cx = bmp.Width() / 2, cy = bmp.Height() / 2;
    Canvas& canvas = bmp.GetCanvas();
    canvas.Brush.Color = color;
    canvas.Brush.Style = bsSolid;
    canvas.Pen.Color = color;
    canvas.Polygon({{cx - h, cy - h / 2}, {cx + h, cy - h / 2}, {cx, cy + h / 2 + 1}});
    canvas.EndPainting();
  }
}

void TacComboBoxWnd::PaintSimpleComboCache() {
  QWidget* h = CtrlHandle();
  TsCommonData& data = *SkinData();
  if (!h) return;
  const int height = int(SendMessage(h, CB_GETITEMHEIGHT, 0)) + 8;
  Bitmap& cache = SizedAdapterCache(data, h->width(), std::max(0, height));
  data.BackgroundDirty = false;
  TsSkinManager* sm = data.SkinManager();
  if (cache.Empty() || !sm) return;
  if (DlgMode()) {
    if (!sm->IsValidSectionIndex(sm->StandardIndexes.GlobalInfo)) return;
    const TColor global = sm->GeneralData[size_t(sm->StandardIndexes.GlobalInfo)].Color;
    if (global != KeyColor) cache.Fill(ToQColor(ColorToRGB(global)).rgb());
    return;
  }
  if (!sm->IsValidSectionIndex(data.SectionIndex)) return;
  TsBgSource bg;
  ParentWndCacheInfo(h, bg);
  TRect r;
  r.Right = cache.Width();
  r.Bottom = cache.Height();
  PaintControlItem(data, bg, cache, r, {0, 0}, AdapterState(data),
                   true);
  PaintAdapterBorder(data, 0, h, DlgMode());
}

void TacComboBoxWnd::RepaintComboButton() {
  const TRect r = ButtonRect();
  if (!r.IsEmpty()) InvalidateRect(CtrlHandle(), &r, false);
}

void TacComboBoxWnd::ApplySkinParams() {
  TacEditWnd::ApplySkinParams();
  buttonData_->RefreshSkinIndexes();
}

void TacComboBoxWnd::PaintComboText(Canvas& dc) {
  auto* combo = qobject_cast<QComboBox*>(CtrlHandle());
  const TsGeneralData* section = SkinData()->Section();
  // An editable box's line edit paints its own text.
  if (!combo || combo->isEditable() || !section) return;
  const TRect button = ButtonRect();
  const bool rtl = (std::uint32_t(GetWindowLong(combo, GWL_EXSTYLE)) & WS_EX_RTLREADING) != 0;
  TRect r{rtl ? button.Right + 3 : 3, 3, rtl ? combo->width() - 3 : button.Left - 3, combo->height() - 3};
  if (r.IsEmpty()) return;
  const int index = combo->currentIndex();
  const QString text = index >= 0 ? combo->itemText(index) : combo->currentText();
  dc.Font = TFont();
  if (auto* font = ParamPtr<const TFont>(std::uintptr_t(SendMessage(combo, WM_GETFONT)))) dc.Font = *font;
  dc.Brush.Color = section->Color;
  dc.Brush.Style = bsSolid;
  dc.FillRect(r);
  if (combo->hasFocus()) {
    dc.Brush.Color = ColorToRGB(clHighlight);
    dc.FillRect(r);
    dc.SetTextColor(ColorToRGB(clHighlightText));
  } else {
    dc.SetTextColor(section->FontColor[0]);
  }
  dc.SetBkMode(TRANSPARENT);
  TRect t{r.Left + 1, r.Top, r.Right, r.Bottom};
  dc.DrawText(text, t, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
  if (combo->hasFocus()) dc.DrawFocusRect(r);
}

void TacComboBoxWnd::PrintWindow(Canvas& dc, unsigned flags) {
  QWidget* h = CtrlHandle();
  TsCommonData& data = *SkinData();
  data.SetUpdating(false);
  data.BackgroundDirty = true;
  if (!ParamsApplied()) ApplySkinParams();
  QPointer<QWidget> alive(h);
  if (Simple())
    PaintSimpleComboCache();
  else
    SendMessage(h, SkinCommandMsg, MAKEWPARAM(0, acPrepareCache), 0);
  if (!alive || Destroyed()) return;
  PrepareAdapterCache(data, h, false);
  Bitmap* cache = data.CacheBitmap.get();
  if (!cache || cache->Empty()) return;
  PaintComboText(cache->GetCanvas());
  PaintAdapterBorder(data, AdapterState(data), h, DlgMode());
  dc.Draw(0, 0, *cache);
  const TRect r = ButtonRect();
  if (!r.IsEmpty()) {
    Bitmap button(r.Width(), r.Height(), pf24bit);
    PaintComboButton(button);
    dc.Draw(r.Left, r.Top, button);
  }
  if (flags & PRF_CHILDREN) {
    // The line edit of an editable box paints its own text, inside the
    // border and beside the button.
    const TRect b = ButtonRect();
    const bool rtl = (std::uint32_t(GetWindowLong(h, GWL_EXSTYLE)) & WS_EX_RTLREADING) != 0;
    const int saved = dc.SaveDC();
    dc.IntersectClipRect(TRect{rtl ? b.Right : 3, 3, rtl ? h->width() - 3 : b.Left, h->height() - 3});
    PrintChildren(dc, flags);
    dc.RestoreDC(saved);
  }
}

namespace {

// Grows the drop-down holding `list` by what the list's band took beyond
// `ownBand`: down, or up for a drop-down shown above its box (or one
// that would leave its screen).
void GrowDropDown(QAbstractScrollArea* list, int ownBand) {
  QWidget* dropDown = list->window();
  if (!dropDown || dropDown == list || !list->isVisibleTo(dropDown)) return;
  if (QLayout* layout = list->parentWidget()->layout()) layout->activate();
  const int grow = (list->height() - list->viewport()->height()) - ownBand;
  if (grow <= 0) return;
  QRect place = dropDown->geometry();
  const QWidget* box = list->parentWidget() ? list->parentWidget()->parentWidget() : nullptr;
  const bool above = box && place.top() < box->mapToGlobal(QPoint()).y();
  const QScreen* screen = dropDown->screen();
  const bool offScreen = screen && place.bottom() + grow > screen->availableGeometry().bottom();
  if (above || offScreen)
    place.setTop(place.top() - grow);
  else
    place.setBottom(place.bottom() + grow);
  dropDown->setGeometry(place);
  // Scroll arrows the shrunken list called up go; the drop-down calls
  // them up again if its rows still don't fit.
  QMetaObject::invokeMethod(dropDown, "hideScrollers");
  if (QLayout* layout = dropDown->layout()) layout->activate();
  QMetaObject::invokeMethod(dropDown, "updateScrollers");
}

}  // namespace

void TacComboBoxWnd::ListShown() {
  auto* combo = qobject_cast<QComboBox*>(CtrlHandle());
  if (!combo || listWnd_) return;
  // The "ComboLBox" window holds the list's items view.
  COMBOBOXINFO info;
  if (!GetComboBoxInfo(combo, &info) || !info.hwndList) return;
  auto* view = qobject_cast<QAbstractItemView*>(info.hwndList);
  if (!view) view = info.hwndList->findChild<QAbstractItemView*>();
  if (!view) return;
  listWnd_ = view;
  if (!listAdapter_) {
    // The combo box sized its drop-down before showing it, for the list's
    // own frame; the skinned frame and band the adapter gives the list take
    // more. The drop-down grows by what they take, so the rows that fitted
    // still fit (no scroll range, no scroll arrows).
    auto* scroll = qobject_cast<QAbstractScrollArea*>(view);
    const int ownBand = scroll ? scroll->height() - scroll->viewport()->height() : 0;
    const bool saved = CreatingDialogAdapters;
    if (!Control()) CreatingDialogAdapters = DlgMode();
    listAdapter_ = TacMainWnd::Create<TacComboListWnd>(view, nullptr, SkinManager(), QStringLiteral("EDIT"),
                                                      combo->count() >= 1);
    CreatingDialogAdapters = saved;
    listAdapter_->SimpleList = Simple();
    listAdapter_->BareCombo = !Control();
    if (scroll && !Simple()) GrowDropDown(scroll, ownBand);
  }
  // The list's colours: the section's, none in dialog mode.
  const LRESULT index = SendMessage(view, SkinCommandMsg, MAKEWPARAM(0, acGetSection), 0);
  TsSkinManager* sm = SkinData()->SkinManager();
  if (index <= 0 || DlgMode() || !sm || !sm->IsValidSectionIndex(int(index) - 1)) return;
  const TsGeneralData& gd = sm->GeneralData[size_t(index - 1)];
  if (gd.FontColor[0] >= 0) SetPaletteColor(view, QPalette::Text, gd.FontColor[0]);
  SetPaletteColor(view, QPalette::Base, gd.Color);
}

void TacComboBoxWnd::AdapterWndProc(Message& m, const CallPrevious& previous) {
  if (!SkinActive()) {
    TacEditWnd::AdapterWndProc(m, previous);
    return;
  }
  QWidget* h = CtrlHandle();
  const unsigned msg = m.Msg;
  switch (msg) {
    case WM_ERASEBKGND:
      return;
    case WM_DRAWITEM:
      PassOn(m, previous);
      return;
    case CN_COMMAND:
    case WM_COMMAND:
      if (!Simple()) {
        if (HIWORD(m.WParam) == CBN_CLOSEUP) {
          ComboDropped = false;
          // A capture the list kept ends with the list.
          if (listWnd_ && GetCapture() == listWnd_) ReleaseCapture();
        }
        if (HIWORD(m.WParam) == CBN_DROPDOWN) {
          ComboDropped = true;
          ListShown();
        }
        RepaintComboButton();
      }
      break;
    case WM_PAINT: {
      if (!ParamsApplied()) ApplySkinParams();
      QPointer<QWidget> alive(h);
      PassOn(m, previous);
      if (!alive || Destroyed() || SkinData()->Updating()) return;
      Canvas* dc = m.WParam ? ParamPtr<Canvas>(m.WParam) : BeginPaint(h);
      if (!dc) return;
      if (Simple()) {
        // The edit part from the box's own cache: its border.
        PaintSimpleComboCache();
        PaintBorderStrip(*dc, 3);
        return;
      }
      PaintComboText(*dc);
      const TRect r = ButtonRect();
      if (!r.IsEmpty()) {
        Bitmap button(r.Width(), r.Height(), pf24bit);
        PaintComboButton(button);
        dc->Draw(r.Left, r.Top, button);
      }
      return;
    }
    default:
      break;
  }
  QPointer<QWidget> alive(h);
  TacEditWnd::AdapterWndProc(m, previous);
  if (!alive || Destroyed()) return;
  switch (msg) {
    case kCmMouseEnter:
    case kCmMouseLeave:
      SkinData()->MouseAbove = msg == kCmMouseEnter;
      RepaintComboButton();
      break;
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      RepaintComboButton();
      break;
    default:
      if (msg == SkinCommandMsg && (HIWORD(m.WParam) == acMouseEnter || HIWORD(m.WParam) == acMouseLeave))
        RepaintComboButton();
      break;
  }
}

// ------------------------------------------------------------ its list

TacComboListWnd::TacComboListWnd(QWidget* handle, TsCommonData* skinData, TsSkinManager* manager,
                                 const QString& section)
    : TacEditWnd(handle, skinData, manager, section) {}

TacComboListWnd::~TacComboListWnd() {
  if (QFrame* frame = framed_) {
    frame->setFrameStyle(ownFrameStyle_);
    frame->setLineWidth(ownLineWidth_);
  }
}

void TacComboListWnd::Install(bool repaint) {
  if (auto* frame = qobject_cast<QFrame*>(CtrlHandle()); frame && frame->frameWidth() == 0) {
    framed_ = frame;
    ownFrameStyle_ = frame->frameStyle();
    ownLineWidth_ = frame->lineWidth();
    frame->setFrameStyle(QFrame::Box | QFrame::Plain);
    frame->setLineWidth(1);
  }
  TacEditWnd::Install(repaint);
}

int ListItemCount(QWidget* list) {
  if (auto* box = qobject_cast<QListWidget*>(list)) return box->count();
  if (auto* view = qobject_cast<QAbstractItemView*>(list))
    return view->model() ? view->model()->rowCount(view->rootIndex()) : 0;
  return 0;
}

void TacComboListWnd::PaintComboListFrame() {
  QWidget* h = CtrlHandle();
  TsCommonData& data = *SkinData();
  if (SimpleList) {
    SendMessage(h, SkinCommandMsg, MAKEWPARAM(0, acPrepareCache), 0);
    return;
  }
  data.RefreshSkinIndexes();
  ApplySkinParams();
  Bitmap& cache = SizedAdapterCache(data, h->width(), h->height());
  if (!cache.Empty()) {
    Canvas& c = cache.GetCanvas();
    c.Brush.Color = EditBgColor();
    c.Brush.Style = bsSolid;
    c.Pen.Color = EditBorderColor();
    c.Pen.Style = psSolid;
    c.Rectangle(TRect{0, 0, cache.Width(), cache.Height()});
  }
  data.BackgroundDirty = false;
}

void TacComboListWnd::AdapterWndProc(Message& m, const CallPrevious& previous) {
  if (!SkinActive()) {
    TacEditWnd::AdapterWndProc(m, previous);
    return;
  }
  QWidget* h = CtrlHandle();
  switch (m.Msg) {
    case WM_NCPAINT:
      m.Result = 0;
      if (Tracking() || !IsWindowVisible(h)) return;
      PaintComboListFrame();
      if (Destroyed()) return;
      PaintAdapterBorder(*SkinData(), 0, h, DlgMode());
      if (Canvas* dc = GetWindowDC(h)) {
        PaintBorderStrip(*dc, kListBorder);
        PaintScrollBars(dc);
      }
      return;
    case WM_PRINT:
    case WM_PRINTCLIENT: {
      auto* dc = ParamPtr<Canvas>(m.WParam);
      if (!dc || !IsWindowVisible(h)) break;
      const unsigned msg = m.Msg;
      PaintComboListFrame();
      if (!PassOnAndSurvive(m, previous)) return;
      if (msg == WM_PRINT && ListItemCount(h) >= 1) {
        if (ScrollTracking().PressedPart == -1 && !listTracking_) PaintBorderStrip(*dc, 3);
        PaintScrollBars(dc);
      }
      m.Result = 0;
      return;
    }
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_ERASEBKGND:
      PassOn(m, previous);
      return;
    case 0x1AE:
      listTracking_ = true;
      break;
    case 0x1AF:
      listTracking_ = false;
      SkinData()->BackgroundDirty = true;
      break;
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK: {
      // Only the bars take a press in the frame.
      QPointer<QWidget> alive(h);
      const LRESULT hit = SendMessage(h, WM_NCHITTEST, 0, m.LParam);
      if (!alive || Destroyed()) return;
      if (hit != HTHSCROLL && hit != HTVSCROLL) {
        m.Result = hit;
        return;
      }
      m.WParam = WPARAM(hit);
      break;
    }
    case WM_LBUTTONUP: {
      TPoint p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
      ClientToScreen(h, &p);
      QPointer<QWidget> alive(h);
      const LRESULT hit = SendMessage(h, WM_NCHITTEST, 0, MAKELPARAM(p.X, p.Y));
      if (!alive || Destroyed()) return;
      // While a bar's part is pressed the hit test answers the client
      // (the capture's moves are the client's): that release is the bar's.
      const bool barPressed = ScrollTracking().PressedPart != -1 && GetCapture() == h;
      if (barPressed || (hit != HTNOWHERE && hit != HTCLIENT)) {
        TacEditWnd::AdapterWndProc(m, previous);  // the bar's release
        if (alive && SimpleList) ReleaseCapture();
      } else {
        PassOn(m, previous);
        ReleaseCapture();
      }
      return;
    }
    default:
      break;
  }
  const unsigned msg = m.Msg;
  QPointer<QWidget> alive(h);
  TacEditWnd::AdapterWndProc(m, previous);
  if (alive && !Destroyed() && msg == WM_WINDOWPOSCHANGED) RefreshScrolls(true);
}
