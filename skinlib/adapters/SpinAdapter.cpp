#include "skinlib/adapters/SpinAdapter.h"

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Painting.h"
#include "platform/WindowTable.h"
#include "platform/WindowUtils.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/MaskSlicing.h"
#include "skinlib/manager/SectionBackgrounds.h"
#include "skinlib/manager/SkinMasks.h"
#include "skinlib/manager/SkinRecords.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"

#include <QAbstractSpinBox>
#include <QStyle>
#include <QStyleOptionSpinBox>

#include <algorithm>

using namespace platform;

namespace {

bool IsActiveSkin(const TsCommonData* data) {
  const TsSkinManager* sm = data ? data->SkinManager() : nullptr;
  return sm && sm->Active();
}

}  // namespace

TacSpinLayout LayoutSpin(const TRect& area, bool vertical, int buttonLeft) {
  TacSpinLayout l;
  l.Vertical = vertical;
  l.Area = area;
  if (vertical) {
    const int middle = area.Top + area.Height() / 2;
    const int left = std::min(area.Right, area.Left + buttonLeft);
    l.Halves = {TRect{left, area.Top, area.Right, middle}, TRect{left, middle, area.Right, area.Bottom}};
  } else {
    const int middle = area.Left + area.Width() / 2;
    l.Halves = {TRect{area.Left, area.Top, middle, area.Bottom}, TRect{middle, area.Top, area.Right, area.Bottom}};
  }
  return l;
}

TacSpinHalf SpinHalfAt(const TacSpinLayout& layout, TPoint point) {
  for (int i = 0; i < 2; ++i) {
    const TRect& r = layout.Halves[size_t(i)];
    if (point.X >= r.Left && point.X < r.Right && point.Y >= r.Top && point.Y < r.Bottom) return TacSpinHalf(i);
  }
  return TacSpinHalf::None;
}

TacSpinState SpinStateFor(TacSpinHalf underCursor, bool pressed) {
  TacSpinState s;
  if (underCursor != TacSpinHalf::None)
    s.Buttons[size_t(underCursor)] = pressed ? TacSpinButtonState::Pressed : TacSpinButtonState::Hot;
  return s;
}

TacSpinWnd::TacSpinWnd(QWidget* handle, TsCommonData* skinData, TsSkinManager* manager, const QString& section)
    : TacMainWnd(handle, skinData, manager, section) {
  ChooseSection();
}

void TacSpinWnd::ChooseSection() {
  TsCommonData* data = SkinData();
  TsSkinManager* sm = data ? data->SkinManager() : nullptr;
  if (sm && sm->SkinData && sm->IndexOfSection(data->SkinSection()) < 0) data->SetSkinSection(QStringLiteral("BUTTON"));
}

bool TacSpinWnd::IsVertical() const {
  return !CtrlHandle() || (std::uint32_t(GetWindowLong(CtrlHandle(), GWL_STYLE)) & UDS_HORZ) == 0;
}

TRect TacSpinWnd::ArrowArea() const {
  QWidget* h = CtrlHandle();
  if (!h) return {};
  if (auto* spin = qobject_cast<QAbstractSpinBox*>(h)) {
    QStyleOptionSpinBox option;
    option.initFrom(spin);
    option.frame = spin->hasFrame();
    option.buttonSymbols = spin->buttonSymbols();
    option.subControls = QStyle::SC_SpinBoxUp | QStyle::SC_SpinBoxDown | QStyle::SC_SpinBoxFrame;
    const QRect up = spin->style()->subControlRect(QStyle::CC_SpinBox, &option, QStyle::SC_SpinBoxUp, spin);
    const QRect down = spin->style()->subControlRect(QStyle::CC_SpinBox, &option, QStyle::SC_SpinBoxDown, spin);
    const QRect both = up.united(down);
    if (both.isEmpty()) return {};
    return Bounds(both.x(), both.y(), both.width(), both.height());
  }
  return Bounds(0, 0, h->width(), h->height());
}

TacSpinLayout TacSpinWnd::Layout() const { return LayoutSpin(ArrowArea(), IsVertical(), ButtonLeft); }

TacSpinState TacSpinWnd::ReadSpinState() const {
  QWidget* h = CtrlHandle();
  if (!h) return {};
  TPoint cursor;
  GetCursorPos(&cursor);
  const QPoint local = h->mapFromGlobal(QPoint(cursor.X, cursor.Y));
  const TacSpinHalf half =
      h->rect().contains(local) ? SpinHalfAt(Layout(), {local.x(), local.y()}) : TacSpinHalf::None;
  return SpinStateFor(half, pressed_);
}

void TacSpinWnd::PaintSpin(Bitmap& bmp, const TacSpinState& state) const {
  TsCommonData* data = SkinData();
  TsSkinManager* sm = data ? data->SkinManager() : nullptr;
  QWidget* h = CtrlHandle();
  if (!sm || !h || bmp.Empty()) return;
  const TacSpinLayout l = Layout();
  TsBgSource bg;
  ParentWndCacheInfo(h, bg);
  const int glyphs[2] = {sm->StandardIndexes.ScrollBtnGlyphs[l.Vertical ? 0 : 2],
                         sm->StandardIndexes.ScrollBtnGlyphs[l.Vertical ? 1 : 3]};
  for (size_t i = 0; i < 2; ++i) {
    const TRect half = OffsetRect(l.Halves[i], -l.Area.Left, -l.Area.Top);
    if (half.IsEmpty()) continue;
    const int s = int(state.Buttons[i]);
    PaintControlItem(*data, bg, bmp, half, {l.Halves[i].Left, l.Halves[i].Top}, s, true);
    if (!sm->IsValidMaskIndex(glyphs[i])) continue;
    const TsMaskData& glyph = sm->MaskData[size_t(glyphs[i])];
    const int gw = MaskImageWidth(glyph), gh = MaskImageHeight(glyph);
    const TsBgSource self{&bmp, 0, 0, KeyColor, true};
    PaintMaskGlyph(bmp, {half.Left + (half.Width() - gw) / 2, half.Top + (half.Height() - gh) / 2}, s, 1, glyph, self);
  }
}

void TacSpinWnd::Repaint() {
  if (!CtrlHandle()) return;
  const TRect area = ArrowArea();
  InvalidateRect(CtrlHandle(), &area, false);
}

void TacSpinWnd::AdapterWndProc(Message& m, const CallPrevious& previous) {
  TsCommonData* data = SkinData();
  QWidget* h = CtrlHandle();
  if (!IsActiveSkin(data) || Destroyed() || !h) {
    TacMainWnd::AdapterWndProc(m, previous);
    return;
  }
  const unsigned msg = m.Msg;
  switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
      pressed_ = msg == WM_LBUTTONDOWN;
      break;
    case WM_PAINT: {
      // The control paints its own part; the arrow area is the adapter's.
      QPointer<QWidget> alive(h);
      PassOn(m, previous);
      if (!alive || Destroyed() || data->Updating()) return;
      Canvas* dc = m.WParam ? ParamPtr<Canvas>(m.WParam) : BeginPaint(h);
      const TRect area = ArrowArea();
      if (!dc || area.IsEmpty()) return;
      Bitmap bmp(area.Width(), area.Height(), pf24bit);
      PaintSpin(bmp, ReadSpinState());
      dc->Draw(area.Left, area.Top, bmp);
      return;
    }
    case WM_ERASEBKGND:
      m.Result = 1;
      return;
    case WM_NCPAINT:
      return;
    case WM_MOUSELEAVE:
    case CM_MOUSELEAVE:
      Repaint();
      break;
    case SkinCommandMsg:
      if (HIWORD(m.WParam) == acNewSkin || HIWORD(m.WParam) == acRefresh) ChooseSection();
      break;
    default:
      break;
  }
  QPointer<QWidget> alive(h);
  TacMainWnd::AdapterWndProc(m, previous);
  if (!alive || Destroyed()) return;
  if (msg == WM_LBUTTONDOWN || msg == WM_LBUTTONUP) Repaint();
  if (msg == WM_MOUSEMOVE && FirstSkinManager && IsWindowEnabled(h)) {
    TPoint cursor;
    GetCursorPos(&cursor);
    const TRect r = GetWindowRect(h);
    const bool inside = cursor.X >= r.Left && cursor.X < r.Right && cursor.Y >= r.Top && cursor.Y < r.Bottom;
    if (inside) {
      if (FirstSkinManager->HotWindow() != h) FirstSkinManager->SetHotWindow(h);
      Repaint();
    } else if (FirstSkinManager->HotWindow() == h) {
      FirstSkinManager->SetHotWindow(nullptr);
    }
  }
}
