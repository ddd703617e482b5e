#include "skinning/WinSubClassStyled.h"

#include "platform/NonClient.h"
#include "platform/WindowTable.h"
#include "skinning/ImgUtil.h"
#include "skinning/WinSkinForm.h"
#include "skinning/WinSkinManage.h"
#include "skinning/WinSubClassPanels.h"

#include <QPainter>
#include <QStyleOptionComboBox>
#include <QStyleOptionSlider>
#include <QStyleOptionSpinBox>
#include <QStyleOptionTab>
#include <QStyleOptionToolButton>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>

using namespace platform;

namespace skinning {

namespace {

TRect ToTRect(const QRect& r) { return Bounds(r.x(), r.y(), r.width(), r.height()); }

// The state of a part from a style option: 3 disabled, 2 pressed, 4 hot.
int PartState(QStyle::State state, bool enabled, bool active) {
  if (!enabled || !(state & QStyle::State_Enabled)) return 3;
  if (active && (state & QStyle::State_Sunken)) return 2;
  if (active && (state & QStyle::State_MouseOver)) return 4;
  return 1;
}

}  // namespace

// ---------------------------------------------------------------------------
// Up-down halves and the line arrow.

void DrawLineArrow(Canvas& c, int x, int y, int direction) {
  for (int i = 0; i < 3; ++i) {
    const int half = direction == 0 || direction == 2 ? i : 2 - i;  // from the point outwards
    if (direction <= 1) {
      c.MoveTo(x - half, y + i);
      c.LineTo(x + half + 1, y + i);
    } else {
      c.MoveTo(x + i, y - half);
      c.LineTo(x + i, y + half + 1);
    }
  }
}

void DrawUpDownHalf(const TSkinModel& model, Canvas& c, const TRect& half, int direction, int state,
                    bool vertical) {
  const TDataSkinBorder* e = (vertical ? model.UpDownVert : model.UpDownHorz).get();
  if (e && !e->Empty()) {
    const int frame = direction * 4 + state;
    DrawFrameStretched(c, half, e->Image, e->Trans != 0, e->Frame, frame);
    if (!e->Image2.Empty()) DrawFrameCentred(c, half, e->Image2, true, e->Frame, frame);
    return;
  }
  c.Pen = {model.Colours[scButtonDkShadow], 1, psSolid, pmCopy};
  c.Brush = {model.Colours[state == 1 || state == 3 ? scButtonFace : scButtonShadow], bsSolid};
  c.Rectangle(half);
  const int x = half.Left + half.Width() / 2, y = half.Top + half.Height() / 2;
  if (vertical)
    DrawLineArrow(c, x, y - 2, direction);
  else
    DrawLineArrow(c, x - 1, y, direction + 2);
}

void TSkinUpDown::HookControl(TSkinFormObject* form, TSkinData* skinData, bool applyColor) {
  TSkinControl::HookControl(form, skinData, applyColor);
  UseSkinStyle(Handle);
}

void TSkinUpDown::HookWindow(QWidget* handle, TSkinData* skinData, TSkinFormObject* form) {
  TSkinControl::HookWindow(handle, skinData, form);
  UseSkinStyle(Handle);
}

std::optional<QRect> TSkinUpDown::HalfRect(const QStyleOptionSpinBox& option, bool up, const QRect& standardUp,
                                           const QRect& standardDown) const {
  if (!Drawing() || (standardUp.isEmpty() && standardDown.isEmpty())) return std::nullopt;
  QRect area = standardUp | standardDown;
  if (Embedded) {
    const QRect& all = option.rect;
    area.setTop(std::max(area.top(), all.top() + 3));
    area.setRight(std::min(area.right(), all.right() - 3));
    area.setBottom(std::min(area.bottom(), all.bottom() - 3));
  }
  if (ForceHorizontal) {
    const int w = area.width() / 2;
    return up ? QRect(area.x(), area.y(), w, area.height()) : QRect(area.x() + w, area.y(), area.width() - w, area.height());
  }
  const int h = area.height() / 2;
  return up ? QRect(area.x(), area.y(), area.width(), h) : QRect(area.x(), area.y() + h, area.width(), area.height() - h);
}

bool TSkinUpDown::DrawButtons(const QStyleOptionSpinBox& option, QPainter* painter, const QRect& standardUp,
                              const QRect& standardDown) {
  const std::optional<QRect> up = HalfRect(option, true, standardUp, standardDown);
  const std::optional<QRect> down = HalfRect(option, false, standardUp, standardDown);
  if (!up || !down) return false;
  Canvas c(*painter);
  if (Embedded) FillColor(c, ToTRect(standardUp | standardDown), clWhite);
  const bool vertical = !ForceHorizontal;
  const struct {
    QRect rect;
    QStyle::SubControl part;
    QAbstractSpinBox::StepEnabledFlag step;
  } halves[] = {{*up, QStyle::SC_SpinBoxUp, QAbstractSpinBox::StepUpEnabled},
                {*down, QStyle::SC_SpinBoxDown, QAbstractSpinBox::StepDownEnabled}};
  for (int direction = 0; direction < 2; ++direction) {
    const auto& h = halves[direction];
    const int state = PartState(option.state, option.stepEnabled & h.step, option.activeSubControls & h.part);
    DrawUpDownHalf(Model(), c, ToTRect(h.rect), direction, state, vertical);
  }
  return true;
}

// ---------------------------------------------------------------------------
// Track bar.

void TSkinTrackBar::HookControl(TSkinFormObject* form, TSkinData* skinData, bool applyColor) {
  TSkinControl::HookControl(form, skinData, applyColor);
  UseSkinStyle(Handle);
}

bool TSkinTrackBar::DrawSlider(const QStyleOptionSlider& option, QPainter* painter, const QRect& groove,
                               const QRect& handle) {
  if (!Drawing()) return false;
  Canvas c(*painter);
  const TSkinModel& m = Model();
  const bool vertical = option.orientation == Qt::Vertical;
  if (vertical && m.TrackVert && !m.TrackVert->Empty()) {
    const TDataSkinObject& e = *m.TrackVert;
    const int ew = e.Image.Width(), eh = e.Image.Height(), t = e.TopHeight, b = e.BottomHeight;
    const int x = groove.x() + (groove.width() - ew) / 2;
    c.CopyRect(Bounds(x, groove.y(), ew, t), e.Image, Bounds(0, 0, ew, t));
    c.CopyRect(Bounds(x, groove.y() + t, ew, groove.height() - t - b), e.Image, Bounds(0, t, ew, eh - t - b));
    c.CopyRect(Bounds(x, groove.y() + groove.height() - b, ew, b), e.Image, Bounds(0, eh - b, ew, b));
  } else if (m.Track && !m.Track->Empty()) {
    const TDataSkinObject& e = *m.Track;
    const int eh = e.Image.Height();
    DrawThreePartDirect(c, Bounds(groove.x(), groove.y() + (groove.height() - eh) / 2, groove.width(), eh), e.Image,
                        false, 1, 1, e.Margins());
  }
  const TDataSkinObject* thumb = vertical && m.ThumbVert && !m.ThumbVert->Empty() ? m.ThumbVert.get() : m.ThumbHorz.get();
  if (thumb && !thumb->Empty())
    DrawStripFrame(c, ToTRect(handle), thumb->Frame, 2, thumb->Image);
  else
    FillColor(c, ToTRect(handle), m.Colours[scButtonShadow]);
  return true;
}

// ---------------------------------------------------------------------------
// Tabs.

TSkinTab::~TSkinTab() { RemoveWindowProc(barHandle_); }

QTabBar* TSkinTab::Bar() const {
  if (auto* bar = qobject_cast<QTabBar*>(Control)) return bar;
  auto* tabs = qobject_cast<QTabWidget*>(Control);
  return tabs ? tabs->tabBar() : nullptr;
}

bool TSkinTab::PaneFromTabPane() const { return Model().TabPane && !Model().TabPane->Empty(); }

void TSkinTab::Prepare() {
  TabImage = Bitmap();
  PaneImage = Bitmap();
  if (!SkinData) return;
  const TSkinModel& m = Model();
  if (m.Tabs) {
    TabImage = m.Tabs->Image;
    if (!TabImage.Empty()) TabImage.SetPixelFormat(pf32bit);
  }
  if (PaneFromTabPane())
    PaneImage = m.TabPane->Image;
  else if (m.Tabs)
    PaneImage = m.Tabs->Image2;
  const std::uint32_t style = std::uint32_t(GetWindowLong(Control, GWL_STYLE));
  TabSide = style & TCS_VERTICAL ? (style & TCS_RIGHT ? 3 : 2) : style & TCS_BOTTOM ? 1 : 0;
}

void TSkinTab::HookControl(TSkinFormObject* form, TSkinData* skinData, bool applyColor) {
  TSkinControl::HookControl(form, skinData, applyColor);
  QTabBar* bar = Bar();
  if (!Hooked || !bar) return;
  Enabled = Control->isEnabled();
  auto* tabs = qobject_cast<QTabWidget*>(Control);
  CloseButtons = tabs && GetTag(tabs) == kCloseTabsTag && tabs->tabPosition() == QTabWidget::North;
  Prepare();
  RegisterWindow(bar);
  UseSkinStyle(Control);
  UseSkinStyle(bar);
  for (QToolButton* scroll : bar->findChildren<QToolButton*>(Qt::FindDirectChildrenOnly)) UseSkinStyle(scroll);
  barHandle_ = InstallWindowProc(bar, [this](Message& m, const CallPrevious& previous) { BarProc(m, previous); });
}

void TSkinTab::Reskin() {
  Prepare();
  TSkinControl::Reskin();
}

void TSkinTab::BarProc(Message& m, const CallPrevious& previous) {
  QTabBar* bar = Bar();
  if (!bar || !Drawing() || TabImage.Empty()) {
    previous(m);
    return;
  }
  if (m.Msg == WM_PAINT) {
    if (Canvas* dc = BeginPaint(bar)) {
      FillControlColor(*dc, Rect(0, 0, bar->width(), bar->height()));
      dc->EndPainting();
    }
  } else if (m.Msg == WM_LBUTTONDOWN && CloseButtons) {
    const int x = GET_X_LPARAM(m.LParam), y = GET_Y_LPARAM(m.LParam);
    for (size_t i = 0; i < CloseRects.size() && int(i) < bar->count(); ++i) {
      if (!CloseRects[i].Contains(x, y)) continue;
      QPointer<QTabWidget> tabs = qobject_cast<QTabWidget*>(Control);
      QWidget* form = Form && Form->Window() ? Form->Window() : Control ? Control->window() : nullptr;
      const LRESULT answer = SendMessage(form, SKIN_CLOSETAB, PtrParam(tabs.data()), LPARAM(i));
      if (answer == 0 && tabs)
        if (QWidget* page = tabs->widget(int(i))) page->deleteLater();
      m.Result = 0;
      return;
    }
  }
  previous(m);
}

bool TSkinTab::DrawTab(const QStyleOptionTab& option, QPainter* painter, const QTabBar* bar) {
  if (!Drawing() || TabImage.Empty() || !Model().Tabs) return false;
  const TDataSkinBorder& tabs = *Model().Tabs;
  const QRect& rect = option.rect;
  const bool west = option.shape == QTabBar::RoundedWest || option.shape == QTabBar::TriangularWest;
  const bool east = option.shape == QTabBar::RoundedEast || option.shape == QTabBar::TriangularEast;
  const bool north = option.shape == QTabBar::RoundedNorth || option.shape == QTabBar::TriangularNorth;
  const int w = west || east ? rect.height() : rect.width(), h = west || east ? rect.width() : rect.height();
  if (w <= 0 || h <= 0) return true;
  // The tab as a tab on top, turned afterwards for the sides.
  Bitmap b(w, h);
  Canvas& c = b.GetCanvas();
  const TRect all = Rect(0, 0, w, h);
  FillControlColor(c, all);
  const int frame = option.state & QStyle::State_Selected ? 2 : 1;
  DrawSkinElement(c, all, TabImage, false, tabs.Tile == 1, tabs.Trans != 0, tabs.Frame, frame, tabs.Margins());
  TRect text = all;
  const TColor given = frame == 1 ? tabs.NormalColour : tabs.MouseOverColour;
  TFont font = GetControlFont(bar);
  font.Color = given != -1 ? given : SkinColour(scButtonText);
  const int index = option.tabIndex;
  if (CloseButtons && north && index >= 0) {
    if (CloseRects.size() < size_t(bar->count())) CloseRects.resize(size_t(bar->count()));
    const TRect box = Bounds(w - 8 - 6, 2, 6, 6);
    c.Pen = {font.Color, 1, psSolid, pmCopy};
    c.MoveTo(box.Left, box.Top);
    c.LineTo(box.Right, box.Bottom);
    c.MoveTo(box.Right - 1, box.Top);
    c.LineTo(box.Left - 1, box.Bottom);
    if (size_t(index) < CloseRects.size()) CloseRects[size_t(index)] = OffsetRect(box, rect.x(), rect.y());
    text.Right -= CloseBoxWidth();
  }
  c.Font = font;
  Enabled = (option.state & QStyle::State_Enabled) && Control && Control->isEnabled();
  DrawImageCaption(c, text, 1, option.text, option.icon, option.iconSize);
  c.EndPainting();
  if (west) RotateLeft(b);
  if (east) RotateRight(b);
  Canvas out(*painter);
  out.Draw(rect.x(), rect.y(), b);
  return true;
}

bool TSkinTab::DrawPane(const QStyleOption& option, QPainter* painter) {
  if (!Drawing() || PaneImage.Empty() || !Model().Tabs) return false;
  const bool fromPane = PaneFromTabPane();
  const TDataSkinObject& e = fromPane ? *Model().TabPane : static_cast<const TDataSkinObject&>(*Model().Tabs);
  Canvas c(*painter);
  const TRect r = ToTRect(option.rect);
  FillControlColor(c, r);
  DrawSkinElement(c, r, PaneImage, false, e.Tile == 1, e.Trans != 0, 1, 1, fromPane ? e.Margins() : Rect(4, 5, 4, 4));
  return true;
}

bool TSkinTab::DrawScrollButton(const QStyleOptionToolButton& option, QPainter* painter) {
  if (!Drawing()) return false;
  const bool vertical = option.arrowType == Qt::UpArrow || option.arrowType == Qt::DownArrow;
  const int direction = option.arrowType == Qt::LeftArrow || option.arrowType == Qt::UpArrow ? 0 : 1;
  Canvas c(*painter);
  DrawUpDownHalf(Model(), c, ToTRect(option.rect), direction, PartState(option.state, true, true), vertical);
  return true;
}

// ---------------------------------------------------------------------------
// Combo box.

void TSkinComBox::HookControl(TSkinFormObject* form, TSkinData* skinData, bool applyColor) {
  TSkinControl::HookControl(form, skinData, applyColor);
  UseSkinStyle(Handle);
}

void TSkinComBox::AfterMessage(Message& m) {
  switch (m.Msg) {
    case WM_MOUSEMOVE: {
      const bool hot = Handle && Handle->isEnabled() && ButtonRect.Contains(GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam));
      if (hot != bool(MouseState & msHot)) {
        MouseState ^= msHot;
        Refresh();
      }
      break;
    }
    case CM_MOUSELEAVE:
      MouseState &= ~msHot;
      Refresh();
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_DRAWITEM:
      Refresh();
      break;
    case WM_NCPAINT:
      // The band is painted with the client, in one paint event: asking for
      // another from inside it would paint for ever.
      if (!GetWindowDC(Handle)) Refresh();
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      break;
    default:
      TSkinControl::AfterMessage(m);
  }
}

bool TSkinComBox::Drawn() const { return Drawing() && Model().ComboButton && !Model().ComboButton->Empty(); }

TSkinComBox::Layout TSkinComBox::LayoutFor(const QRect& rect, bool rightToLeft) const {
  const int W = rect.width(), H = rect.height();
  Layout l;
  const TSkinModel& m = Model();
  const int style = m.ComboButton ? m.ComboButton->Style : 0;
  if (style == 2) {
    const TDataSkinObject& e = rightToLeft && m.SunkEdge ? *m.SunkEdge : *m.ComboButton;
    l.Button = rightToLeft ? Rect(0, 0, e.LeftWidth, H) : Rect(W - e.RightWidth, 0, W, H);
    l.Field = Rect(e.LeftWidth, e.TopHeight, W - e.RightWidth, H - e.BottomHeight);
  } else if (style == 1) {
    const int cx = GetSystemMetrics(SM_CXHTHUMB);
    l.Button = rightToLeft ? Rect(2, 2, 2 + cx, H - 2) : Rect(W - 2 - cx, 2, W - 2, H - 2);
    l.Field = rightToLeft ? Rect(2 + cx, 2, W - 2, H - 2) : Rect(2, 2, W - 2 - cx, H - 2);
  } else {
    const int bw = GetSystemMetrics(SM_CXVSCROLL);
    l.Button = rightToLeft ? Rect(2, 0, 2 + bw, H) : Rect(W - bw - 2, 0, W - 2, H);
    l.Field = rightToLeft ? Rect(bw + 4, 2, W - 2, H - 2) : Rect(2, 2, W - bw - 4, H - 2);
  }
  l.Button = OffsetRect(l.Button, rect.x(), rect.y());
  l.Field = OffsetRect(l.Field, rect.x(), rect.y());
  return l;
}

bool TSkinComBox::DrawCombo(const QStyleOptionComboBox& option, QPainter* painter) {
  if (!Drawn()) return false;
  const TSkinModel& m = Model();
  const TDataSkinBorder& button = *m.ComboButton;
  const bool rtl = option.direction == Qt::RightToLeft;
  const bool enabled = option.state & QStyle::State_Enabled;
  int state = option.state & QStyle::State_HasFocus ? 4 : 1;
  if (option.state & (QStyle::State_On | QStyle::State_Sunken))
    state = 2;
  else if (MouseState & msHot)
    state = 4;
  if (!enabled) state = 3;
  const Layout l = LayoutFor(option.rect, rtl);
  ButtonRect = OffsetRect(l.Button, -option.rect.x(), -option.rect.y());
  Canvas c(*painter);
  const TRect all = ToTRect(option.rect);
  FillColor(c, l.Field, FromQColor(option.palette.color(QPalette::Base)));
  if (button.Style == 2) {
    // The whole combo box in one image, its field in the key colour (the
    // mirrored one is the sunken edge's).
    const TDataSkinObject& e = rtl && m.SunkEdge ? *m.SunkEdge : static_cast<const TDataSkinObject&>(button);
    DrawSkinElement(c, all, e.Image, false, e.Tile == 1, true, e.Frame, state, e.Margins());
  } else if (button.Style == 1) {
    c.Brush = {FromQColor(option.palette.color(QPalette::Base)), bsSolid};
    c.FrameRect(InflateRect(all, -1, -1));
    c.FillRect(l.Button);
    c.Brush = {m.Colours[scButtonShadow], bsSolid};
    c.FrameRect(all);
    const int fw = button.Image.Width() / button.Frame;
    DrawStripFrame(c, Bounds(l.Button.Left, l.Button.Top, fw, std::min(button.Image.Height(), l.Button.Height())),
                   button.Frame, state, button.Image);
  } else {
    c.SaveDC();
    c.ExcludeClipRect(l.Field);
    if (m.SunkEdge && !m.SunkEdge->Empty()) {
      const TDataSkinObject& e = *m.SunkEdge;
      DrawSkinElement(c, all, e.Image, false, e.Tile == 1, e.Trans != 0, e.Frame, state, e.Margins());
    }
    const Bitmap& image = rtl && !button.Image2.Empty() ? button.Image2 : button.Image;
    DrawSkinElement(c, l.Button, image, false, button.Tile == 1, button.Trans != 0, button.Frame, state,
                    button.Margins());
    if (m.ExtraImages && !m.ExtraImages->Empty())
      DrawFrameCentred(c, l.Button, m.ExtraImages->Image, true, m.ExtraImages->Frame, state);
    c.RestoreDC(-1);
  }
  return true;
}

// ---------------------------------------------------------------------------
// Date-time edit.

void TSkinDateTime::HookControl(TSkinFormObject* form, TSkinData* skinData, bool applyColor) {
  TSkinControl::HookControl(form, skinData, applyColor);
  UseSkinStyle(Handle);
}

QRect TSkinDateTime::ArrowRect(const QRect& rect, bool rightToLeft) {
  const int bw = GetSystemMetrics(SM_CXVSCROLL);
  const int x = rightToLeft ? rect.x() + 2 : rect.x() + rect.width() - bw - 2;
  return {x, rect.y() + 2, bw, rect.height() - 4};
}

void TSkinDateTime::AfterMessage(Message& m) {
  if (m.Msg == WM_MOUSEMOVE && Handle) {
    const QRect arrow = ArrowRect(Handle->rect(), Handle->layoutDirection() == Qt::RightToLeft);
    const bool hot = Handle->isEnabled() && arrow.contains(GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam));
    if (hot != bool(MouseState & msHot)) {
      MouseState ^= msHot;
      Refresh();
    }
  } else if (m.Msg == CM_MOUSELEAVE) {
    MouseState &= ~msHot;
    Refresh();
  } else {
    TSkinControl::AfterMessage(m);
  }
}

void TSkinDateTime::Paint(Canvas& dc, const TRect& r) {
  if (HasEditFrame(Handle)) DrawEditBorder(dc, r, SkinColour(scButtonShadow));
}

bool TSkinDateTime::DrawArrow(const QStyleOptionComboBox& option, QPainter* painter) {
  const TSkinModel* m = Drawing() ? &Model() : nullptr;
  if (!m || !m->ComboButton || m->ComboButton->Empty()) return false;
  // A button made into a whole combo box (style 2) keeps its button alone
  // as the combo box arrow.
  const TDataSkinObject& e =
      m->ComboButton->Style == 2 && m->ComboxArrow && !m->ComboxArrow->Empty() ? *m->ComboxArrow : *m->ComboButton;
  const TRect arrow = ToTRect(ArrowRect(option.rect, option.direction == Qt::RightToLeft));
  Canvas c(*painter);
  FillControlColor(c, arrow);
  DrawFrameStretched(c, arrow, e.Image, e.Trans != 0, e.Frame, MouseState & msHot ? 4 : 1);
  return true;
}

}  // namespace skinning
