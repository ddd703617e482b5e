#include "skinlib/adapters/SpinAdapter.h"

#include "skinlib/adapters/TabAdapters.h"

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Painting.h"
#include "platform/Startup.h"
#include "platform/WindowProc.h"
#include "platform/WindowTable.h"
#include "platform/WindowUtils.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/MaskSlicing.h"
#include "skinlib/manager/SectionBackgrounds.h"
#include "skinlib/manager/SkinMasks.h"
#include "skinlib/manager/SkinRecords.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QStyle>
#include <QStyleOptionSpinBox>

#include <algorithm>
#include <functional>

using namespace platform;

namespace {

bool IsActiveSkin(const TsCommonData* data) {
  const TsSkinManager* sm = data ? data->SkinManager() : nullptr;
  return sm && sm->Active();
}

// A skin without the scroll buttons' glyphs: a plain triangle in the
// section's font colour of the state, pointing the half's way.
void PaintPlainArrow(Bitmap& bmp, const TRect& r, bool vertical, int index, const TsGeneralData* section,
                     TacSpinButtonState state) {
  const int h = std::min({3, (r.Width() - 2) / 2, (r.Height() - 2) / 2});
  if (h < 1) return;
  TColor color = section ? (state == TacSpinButtonState::Normal ? section->FontColor[0] : section->HotFontColor[0])
                         : TColor(0);
  if (color < 0) color = 0;
  const int cx = r.Left + r.Width() / 2, cy = r.Top + r.Height() / 2;
  Canvas& canvas = bmp.GetCanvas();
  canvas.Brush.Color = color;
  canvas.Brush.Style = bsSolid;
  canvas.Pen.Color = color;
  if (vertical && index == 0)
    canvas.Polygon({{cx - h, cy + h / 2}, {cx + h, cy + h / 2}, {cx, cy - h / 2 - 1}});
  else if (vertical)
    canvas.Polygon({{cx - h, cy - h / 2}, {cx + h, cy - h / 2}, {cx, cy + h / 2 + 1}});
  else if (index == 0)
    canvas.Polygon({{cx + h / 2, cy - h}, {cx + h / 2, cy + h}, {cx - h / 2 - 1, cy}});
  else
    canvas.Polygon({{cx - h / 2, cy - h}, {cx - h / 2, cy + h}, {cx + h / 2 + 1, cy}});
  canvas.EndPainting();
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

void TacSpinWnd::PaintHalf(Bitmap& bmp, const TRect& r, TPoint offset, bool vertical, int index,
                           TacSpinButtonState state, const TsBgSource& bg) const {
  TsCommonData* data = SkinData();
  TsSkinManager* sm = data ? data->SkinManager() : nullptr;
  if (!sm || r.IsEmpty()) return;
  const int s = int(state);
  PaintControlItem(*data, bg, bmp, r, offset, s, true);
  const int glyphIndex = sm->StandardIndexes.ScrollBtnGlyphs[size_t((vertical ? 0 : 2) + index)];
  if (!sm->IsValidMaskIndex(glyphIndex)) {
    PaintPlainArrow(bmp, r, vertical, index, data->Section(), state);
    return;
  }
  const TsMaskData& glyph = sm->MaskData[size_t(glyphIndex)];
  const int gw = MaskImageWidth(glyph), gh = MaskImageHeight(glyph);
  const TsBgSource self{&bmp, 0, 0, KeyColor, true};
  PaintMaskGlyph(bmp, {r.Left + (r.Width() - gw) / 2, r.Top + (r.Height() - gh) / 2}, s, 1, glyph, self);
}

void TacSpinWnd::PaintSpin(Bitmap& bmp, const TacSpinState& state) const {
  QWidget* h = CtrlHandle();
  if (!h || bmp.Empty()) return;
  const TacSpinLayout l = Layout();
  TsBgSource bg;
  ParentWndCacheInfo(h, bg);
  for (size_t i = 0; i < 2; ++i)
    PaintHalf(bmp, OffsetRect(l.Halves[i], -l.Area.Left, -l.Area.Top), {l.Halves[i].Left, l.Halves[i].Top},
              l.Vertical, int(i), state.Buttons[i], bg);
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

// ------------------------------------------------------------ a pair of windows

TacSpinPairWnd::TacSpinPairWnd(QWidget* first, TsCommonData* skinData, TsSkinManager* manager,
                               const QString& section, QWidget* second)
    : TacSpinWnd(first, skinData, manager, section), second_(second) {}

TacSpinPairWnd::~TacSpinPairWnd() { UnhookSecond(); }

void TacSpinPairWnd::Install(bool repaint) {
  TacSpinWnd::Install(repaint);
  if (Destroyed() || !second_) return;
  QWidget* second = second_;
  secondHook_ = InstallPartHandler(
      second,
      [this, second](Message& m, const CallPrevious& previous) {
        HalfWndProc(second, 1, m, [&previous](Message& message) { previous(message); });
      },
      WindowProcLevel::Window);
  second->update();
}

void TacSpinPairWnd::GiveBackOwnParams() { UnhookSecond(); }

void TacSpinPairWnd::UnhookSecond() {
  if (RemoveWindowProc(secondHook_) && second_) second_->update();
}

bool TacSpinPairWnd::IsVertical() const {
  QWidget* first = CtrlHandle();
  return first && second_ && second_->y() >= first->y() + first->height();
}

TacSpinButtonState TacSpinPairWnd::HalfState(QWidget* half) const {
  if (!half || !half->isEnabled()) return TacSpinButtonState::Normal;
  if (auto* button = qobject_cast<QAbstractButton*>(half); button && button->isDown())
    return TacSpinButtonState::Pressed;
  TPoint cursor;
  GetCursorPos(&cursor);
  return half->rect().contains(half->mapFromGlobal(QPoint(cursor.X, cursor.Y))) ? TacSpinButtonState::Hot
                                                                               : TacSpinButtonState::Normal;
}

void TacSpinPairWnd::PaintPairHalf(QWidget* half, int index, Canvas& dc) const {
  Bitmap bmp(half->width(), half->height(), pf24bit);
  if (bmp.Empty()) return;
  TsBgSource bg;
  ParentWndCacheInfo(half, bg);
  PaintHalf(bmp, Bounds(0, 0, bmp.Width(), bmp.Height()), {0, 0}, IsVertical(), index, HalfState(half), bg);
  dc.Draw(0, 0, bmp);
}

void TacSpinPairWnd::HalfWndProc(QWidget* half, int index, Message& m, const std::function<void(Message&)>& previous) {
  if (!IsActiveSkin(SkinData()) || Destroyed()) {
    previous(m);
    return;
  }
  switch (m.Msg) {
    case WM_PAINT:
      if (Canvas* dc = m.WParam ? ParamPtr<Canvas>(m.WParam) : BeginPaint(half)) {
        PaintPairHalf(half, index, *dc);
        return;
      }
      break;
    case WM_ERASEBKGND:
      m.Result = 1;
      return;
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
      half->update();
      break;
    default:
      break;
  }
  previous(m);
}

void TacSpinPairWnd::AdapterWndProc(Message& m, const CallPrevious& previous) {
  QWidget* first = CtrlHandle();
  if (!first || !IsActiveSkin(SkinData()) || Destroyed()) {
    TacMainWnd::AdapterWndProc(m, previous);
    return;
  }
  HalfWndProc(first, 0, m, [&](Message& message) { TacMainWnd::AdapterWndProc(message, previous); });
}

// ------------------------------------------------------------ the unit

namespace {

// The tab bars' scroll buttons get a pair adapter with "UPDOWNBTN".
TacAdapterPtr<TacMainWnd> MakeTabSpin(QWidget* first, QWidget* second, TsSkinManager* manager) {
  return TacMainWnd::Create<TacSpinPairWnd>(first, nullptr, manager, QStringLiteral("UPDOWNBTN"), false, second);
}

void StartSpinAdapter() { TabSpinFactory() = MakeTabSpin; }
void FinishSpinAdapter() { TabSpinFactory() = nullptr; }

[[maybe_unused]] const bool registered =
    RegisterUnit("SpinAdapter", StartSpinAdapter, FinishSpinAdapter, {"acSBUtils"});

}  // namespace
