#include "skinning/WinSkinFormFrame.h"

#include "platform/Blit.h"
#include "platform/Colors.h"
#include "platform/MenuLine.h"
#include "platform/Menus.h"
#include "platform/NonClient.h"
#include "platform/WindowPos.h"
#include "platform/WindowTable.h"
#include "skinning/WinSkinForm.h"
#include "skinning/WinSkinFormWalk.h"
#include "skinning/WinSkinMenuBar.h"
#include "skinning/WinSkinStyle.h"
#include "skinning/WinSubClassScroll.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDateTime>
#include <QGuiApplication>
#include <QLayout>
#include <QMenu>

#include <algorithm>

using namespace platform;

namespace skinning {

namespace {

constexpr TColor kKey = 0xFF00FF;

// A frame count below 1 counts as one frame.
int Frames(const TDataSkinObject& e) { return std::max(e.Frame, 1); }

bool HasSysMenu(const TWinSkinForm& f) { return f.CaptionButtons & TWinSkinForm::kSystemMenuBox; }
bool HasMaxBox(const TWinSkinForm& f) { return f.CaptionButtons & TWinSkinForm::kMaximizeBox; }
bool HasMinBox(const TWinSkinForm& f) { return f.CaptionButtons & TWinSkinForm::kMinimizeBox; }

qint64 Now() { return QDateTime::currentMSecsSinceEpoch(); }

}  // namespace

TRect FrameWindowRect(const QWidget* w) {
  if (!w) return {};
  const QPoint origin = w->mapToGlobal(QPoint(0, 0));
  return Bounds(origin.x(), origin.y(), w->width(), w->height());
}

QString CaptionButtonHint(int action) {
  switch (action) {
    case 0: case 9: case 62: return QStringLiteral("Close");
    case 1: case 22: return QStringLiteral("Maximize");
    case 2: case 7: case 23: case 60: return QStringLiteral("Minimize");
    case 8: case 61: return QStringLiteral("Restore");
    default: return {};
  }
}

// ---------------------------------------------------------------------------
// Caption objects. Painting one repaints the band, which draws every
// object in its state.

void TNCObject::NCMouseDown() {
  if (Owner->Hot && Owner->Hot != this) Owner->Hot->NCMouseLeave();
  if (!Visible) return;
  Owner->Hot = this;
  State = kPressed;
  PaintObject();
}

void TNCObject::NCMouseUp() {
  if (!Visible) return;
  State = kHover;
  PaintObject();
}

void TNCObject::NCMouseEnter() {
  if (Owner->Hot && Owner->Hot != this) Owner->Hot->NCMouseLeave();
  if (!Visible || Owner->Hot == this) return;
  Owner->Hot = this;
  State = kHover;
  PaintObject();
}

void TNCObject::NCMouseLeave() {
  // An object hidden since it became hot (the maximize button of a window
  // maximized meanwhile) lets go as well: it shows again in its normal look.
  if (Owner->Hot == this) Owner->Hot = nullptr;
  State = kNormal;
  PaintObject();
  if (TSkinData* data = Owner->Form().SkinData()) data->HideCaptionHint();
}

void TWinSysButton::NCMouseDown() {
  if (Owner->Hot != this) HoverTime = 0;
  TNCObject::NCMouseDown();
}

void TWinSysButton::NCMouseEnter() {
  if (Owner->Hot != this) HoverTime = 0;
  TNCObject::NCMouseEnter();
}

void TWinSysButton::PaintObject() {
  if (QWidget* w = Owner->Window()) RedrawNonClient(w);
}

int TWinSysButton::FrameIndex(bool active) const {
  const int frames = Frames(*Element);
  if (frames < 4) return 1;
  if (!Enabled) return 4;
  if (State == kPressed || State == kHover) return State;
  return active ? 1 : 4;
}

// ---------------------------------------------------------------------------

TSkinFormFrame::TSkinFormFrame(TWinSkinForm& form) : form_(form) {
  model_ = form.SkinData() ? form.SkinData()->SharedModel() : std::make_shared<const TSkinModel>();
  timer_.setInterval(kTimerInterval);
  QObject::connect(&timer_, &QTimer::timeout, [this] { OnTimer(); });
}

TSkinFormFrame::~TSkinFormFrame() {
  timer_.stop();
  delete sysPopup_.data();
}

QWidget* TSkinFormFrame::Window() const { return form_.Window(); }

TPoint TSkinFormFrame::ToWindow(LPARAM screenPoint) const {
  const TRect r = FrameWindowRect(Window());
  return {GET_X_LPARAM(screenPoint) - r.Left, GET_Y_LPARAM(screenPoint) - r.Top};
}

void TSkinFormFrame::UpdateShowState() {
  WINDOWPLACEMENT p;
  if (!GetWindowPlacement(Window(), &p)) return;
  showState_ = p.showCmd == SW_SHOWMAXIMIZED ? kShowMaximized
               : (p.showCmd == SW_SHOWMINIMIZED || p.showCmd == SW_MINIMIZE || p.showCmd == SW_SHOWMINNOACTIVE)
                   ? kShowMinimized
                   : kShowNormal;
}

void TSkinFormFrame::RedrawIfStateMoved(int was) {
  QWidget* w = Window();
  if (showState_ != was && w && w->isVisible() && (phase_ == kActive || phase_ == kRefresh)) RedrawNonClient(w);
}

void TSkinFormFrame::SetActiveFlag(bool active) {
  active_ = active;
  if (active && phase_ != kNew)
    timer_.start();
  else
    timer_.stop();
  // An inactive window's buttons are not lit: the hot one lets go.
  if (!active && Hot) Hot->NCMouseLeave();
  if (!active && form_.SkinData()) form_.SkinData()->HideCaptionHint();
}

// ---------------------------------------------------------------------------
// Layout.

void TSkinFormFrame::LayoutFrame() {
  if (form_.SkinData()) model_ = form_.SkinData()->SharedModel();
  buttons_.clear();
  Hot = nullptr;
  if (form_.BorderKind == TWinSkinForm::kBorderNone) {
    leftWidth_ = rightWidth_ = captionHeight_ = bottomHeight_ = menuHeight_ = 0;
    return;
  }
  const TSkinModel& m = *model_;
  leftWidth_ = m.LeftBorder.Image.Width() / Frames(m.LeftBorder);
  rightWidth_ = m.RightBorder.Image.Width() / Frames(m.RightBorder);
  captionHeight_ = m.TopBorder.Image.Height() / Frames(m.TopBorder);
  bottomHeight_ = m.BottomBorder.Image.Height() / Frames(m.BottomBorder);
  menuHeight_ = menuBar_ ? menuBar_->Height() : 0;
  const bool appIcon = !QGuiApplication::windowIcon().isNull();
  for (const TDataSkinSysButton& e : m.CaptionButtons) {
    auto b = std::make_unique<TWinSysButton>(this, e);
    if (b->IsSystemMenuButton()) {
      if (appIcon || e.Image.Empty()) {
        b->Icon = form_.SkinData() ? form_.SkinData()->IconBitmap() : Bitmap();
      } else {
        b->Icon = Bitmap(e.Image.Width() / Frames(e), e.Image.Height());
        BitBlt(b->Icon, 0, 0, b->Icon.Width(), b->Icon.Height(), e.Image, 0, 0);
      }
    }
    buttons_.push_back(std::move(b));
  }
}

void TSkinFormFrame::FitWindowToFrame(bool keepClient) {
  QWidget* w = Window();
  if (!w) return;
  if (w->isMaximized()) {
    RecalcNonClient(w);
    return;
  }
  // While the frame goes on, the client area is the one measured before;
  // afterwards it is the window's client rectangle.
  QSize client = clientSize_;
  if (phase_ != kFitting || !client.isValid()) {
    const TRect r = GetClientRect(w);
    client = {r.Width(), r.Height()};
  }
  if (!keepClient && !form_.IsDialog && phase_ != kRefresh && phase_ != kFitting) client.rheight() -= menuHeight_;
  int width = client.width() + leftWidth_ + rightWidth_;
  const int height = client.height() + captionHeight_ + bottomHeight_ + menuHeight_;
  if (form_.IsDialog && phase_ != kRefresh) {
    const int needed = CaptionRoom();
    if (needed > width) {
      // A dialog's layout centres its children again; loose ones move.
      if (!w->layout())
        for (QWidget* child : w->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
          if (!child->isWindow()) child->move(child->x() + (needed - width) / 2, child->y());
      width = needed;
    }
  }
  GrowSizeLimits({leftWidth_ + rightWidth_, captionHeight_ + bottomHeight_ + menuHeight_});
  // The frameless widget is the whole window; grown, it stays on the screen.
  const TRect before = GetWindowRect(w);
  w->resize(width, height);
  KeepGrownWindowInWorkArea(w, before);
  RecalcNonClient(w);
}

int TSkinFormFrame::CaptionRoom() const {
  Bitmap scratch(1, 1);
  Canvas c(scratch);
  c.Font = form_.SkinData() ? form_.SkinData()->CaptionFont() : c.Font;
  const TDataSkinTitle& t = Model().Title;
  const int tw = c.TextWidth(CaptionText());
  // The painter keeps a popup's text clear of its right-aligned buttons
  // and moves a dialog border's text left: the room is what it clips to.
  const int clear = (form_.Style & WS_POPUP) ? RightButtonsReach() + 5 : t.RightWidth;
  int needed = tw + clear;
  if (t.TextAlignment == 1) needed = tw + 2 * clear;
  else if (t.TextAlignment == 0)
    needed += t.LeftWidth - (form_.BorderKind == TWinSkinForm::kBorderDialog ? 16 : 0);
  return std::max(t.LeftWidth + tw + t.RightWidth, needed);
}

int TSkinFormFrame::RightButtonsReach() const {
  int reach = 0;
  for (const auto& b : buttons_) {
    const TDataSkinSysButton& e = *b->Element;
    if (!e.Image.Empty() && e.Align == 1) reach = std::max(reach, e.Xcoord);
  }
  return reach;
}

void TSkinFormFrame::KeepCaptionRoom() {
  // A dialog that sizes itself again (a message box does at every layout
  // request) keeps the room its caption was given.
  QWidget* w = Window();
  if (!w || w->layout() == nullptr || phase_ != kActive) return;
  const int needed = CaptionRoom();
  if (w->width() >= needed) return;
  if (w->minimumWidth() == w->maximumWidth()) w->setMaximumWidth(needed);
  w->setMinimumWidth(needed);
  w->resize(needed, w->height());
}

bool TSkinFormFrame::ButtonVisible(int index) {
  if (index < 0 || index >= int(buttons_.size())) return false;
  TWinSysButton& b = *buttons_[size_t(index)];
  const TDataSkinSysButton& e = *b.Element;
  const bool maximized = showState_ == kShowMaximized, minBox = HasMinBox(form_), maxBox = HasMaxBox(form_),
             sysMenu = HasSysMenu(form_), help = form_.CaptionButtons & TWinSkinForm::kHelpButton;
  const auto condition = [&](int code, bool first) {
    switch (code) {
      case 0: return true;
      case 1: return maximized;
      case 2: return !maximized;
      case 3: return active_;
      case 4: return !active_;
      case 6:
      case 8:
        if (!first) return minBox || maxBox;
        return minBox ? sysMenu : maxBox && sysMenu;
      case 7: return !maxBox;
      case 9: return !minBox;
      case 10: return first ? help && !minBox && !maxBox : help;
      case 100: return false;  // no MDI child is ever maximized here
      case 200: return !form_.IsDialog && form_.BorderKind == TWinSkinForm::kBorderDialog;
      default:
        if (code >= 201 && code <= 999) return true;
        if (code >= 1000 && code <= 2000)
          return !first || SendMessage(Window(), SKIN_BUTTONVISIBLE, WPARAM(e.Visibility), e.Action) > 0;
        return false;
    }
  };
  bool visible = condition(e.Visibility, true);
  visible = visible && (e.Visibility1 == 100 ? visible : condition(e.Visibility1, false));
  b.Enabled = true;
  switch (e.Action) {
    case 0: visible = visible && sysMenu; break;
    case 1: b.Enabled = maxBox && sysMenu; break;
    case 2: b.Enabled = minBox && sysMenu; break;
    case 3: case 11: case 12: visible = visible && form_.BorderKind != TWinSkinForm::kBorderDialog; break;
    default: break;
  }
  b.Visible = visible;
  return visible;
}

void TSkinFormFrame::PlaceButtons(int width) {
  maxRightX_ = RightButtonsReach();
  for (size_t i = 0; i < buttons_.size(); ++i) {
    TWinSysButton& b = *buttons_[i];
    const TDataSkinSysButton& e = *b.Element;
    ButtonVisible(int(i));
    if (e.Image.Empty() || e.Align == 100) {
      b.Visible = false;
      continue;
    }
    const int w = b.IsSystemMenuButton() ? e.Image.Width() : e.Image.Width() / Frames(e), h = e.Image.Height();
    int x = e.Xcoord;
    switch (e.Align) {
      case 1: x = width - e.Xcoord; break;
      case 2: case 8: x = textRect_.Left - w - e.Xcoord; break;
      case 3: case 9: x = textRect_.Right + e.Xcoord; break;
      default: break;
    }
    b.BoundsRect = Bounds(x, e.Ycoord, w, h);
  }
}

// ---------------------------------------------------------------------------
// Painting.

Bitmap TSkinFormFrame::PaintPart(int part, int width, int height) const {
  const TSkinModel& m = *model_;
  const TDataSkinObject& e = part == 1 ? m.LeftBorder : part == 2 ? m.RightBorder : part == 3 ? m.TopBorder : m.BottomBorder;
  if (width <= 0 || height <= 0) return {};
  const int frame = Frames(e) == 1 ? 1 : active_ ? 1 : 2;
  Bitmap part_ = DrawSkinImage(Rect(0, 0, width, height), e.Image, e.Margins(), part >= 3, e.Tile == 1, Frames(e), frame);
  if (part_.Empty()) {
    part_ = Bitmap(width, height);
    Canvas c(part_);
    c.Brush.Color = m.FaceColour;
    c.FillRect(Rect(0, 0, width, height));
  }
  return part_;
}

QString TSkinFormFrame::CaptionText() const {
  return QStringLiteral("  ") + GetWindowText(Window()) + QStringLiteral(" ");
}

TColor TSkinFormFrame::CaptionColour() const {
  const TDataSkinTitle& t = Model().Title;
  if (active_) return t.ActiveText != clNone ? t.ActiveText : Model().Colours[scTitleTextActive];
  return t.InActiveText != clNone ? t.InActiveText : Model().Colours[scTitleTextNoActive];
}

void TSkinFormFrame::PaintCaption(Canvas& dc, int width, int height) {
  const TSkinModel& m = *model_;
  const TDataSkinTitle& t = m.Title;
  const bool minimized = showState_ == kShowMinimized;
  Bitmap band = minimized ? Bitmap(width, height) : PaintPart(3, width, captionHeight_);
  if (band.Empty()) return;
  Canvas c(band);
  if (minimized) {
    c.Brush.Color = m.Colours[scButtonFace];
    c.FillRect(Rect(0, 0, width, height));
    Bitmap top = PaintPart(3, width, captionHeight_);
    if (!top.Empty()) c.Draw(0, 0, top);
  }
  // The text.
  c.Font = form_.SkinData() ? form_.SkinData()->CaptionFont() : c.Font;
  c.Font.Color = CaptionColour();
  c.SetBkMode(TRANSPARENT);
  const QString text = CaptionText();
  const bool rtl = form_.RightToLeft;
  const unsigned flags = rtl ? 0x28822 : 0x8820;
  TRect measure = Rect(0, 0, 0, 0);
  c.DrawText(text, measure, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  const int tw = measure.Width(), th = measure.Height();
  int left = t.LeftWidth;
  if (t.TextAlignment == 1) left = (width - tw) / 2;
  if (t.TextAlignment == 2) left = width - t.RightWidth - tw;
  if (form_.BorderKind == TWinSkinForm::kBorderDialog && t.TextAlignment == 0) left -= 16;
  if (rtl) left += 10;
  const bool popup = form_.Style & WS_POPUP;
  const int right = std::min(left + tw, popup ? width - maxRightX_ - 5 : width - t.RightWidth);
  const int top = (captionHeight_ - th) / 2 + t.TopHeight / 2;
  textRect_ = Rect(left, top, std::max(left, right), top + th);
  if (!t.Image.Empty() && t.Textbackground) {
    const TRect back = Rect(textRect_.Left - t.TXTBackleft, 0, textRect_.Right + t.TXTBackRight, captionHeight_);
    DrawSkinStrip(c, back, t.Image, false, true, Frames(t), Frames(t) == 1 || active_ ? 1 : 2,
                  Rect(t.TXTBackleft, 0, t.TXTBackRight, 0));
  }
  TRect r = textRect_;
  c.DrawText(text, r, flags);
  // The buttons.
  PlaceButtons(width);
  for (const auto& b : buttons_) {
    if (!b->Visible) continue;
    if (b->IsSystemMenuButton()) {
      const TRect& br = b->BoundsRect;
      TransparentDraw(c, Bounds(br.Left + (br.Width() - b->Icon.Width()) / 2, br.Top + (br.Height() - b->Icon.Height()) / 2,
                                b->Icon.Width(), b->Icon.Height()),
                      b->Icon, kKey);
    } else {
      DrawFrameStretched(c, b->BoundsRect, b->Element->Image, true, Frames(*b->Element),
                         b->FrameIndex(active_));
    }
  }
  dc.Draw(0, 0, band);
}

void TSkinFormFrame::PaintFrame(Canvas* dc) {
  if ((phase_ != kActive && phase_ != kRefresh) || form_.BorderKind == TWinSkinForm::kBorderNone) return;
  QWidget* w = Window();
  if (!dc && w) dc = GetWindowDC(w);
  if (!dc) {
    if (w) RedrawNonClient(w);
    return;
  }
  const TRect wr = FrameWindowRect(w);
  width_ = wr.Width();
  height_ = wr.Height();
  if (showState_ != kShowMinimized) {
    const auto put = [&](int part, int x, int y, int pw, int ph) {
      Bitmap b = PaintPart(part, pw, ph);
      if (!b.Empty()) dc->Draw(x, y, b);
    };
    put(1, 0, 0, leftWidth_, height_);
    put(2, width_ - rightWidth_, 0, rightWidth_, height_);
    put(4, leftWidth_, height_ - bottomHeight_, width_ - leftWidth_ - rightWidth_, bottomHeight_);
    PaintCaption(*dc, width_, captionHeight_);
    const TRect band = Rect(leftWidth_, captionHeight_, width_ - rightWidth_, captionHeight_ + menuHeight_);
    if (menuBar_ && menuHeight_ > 0) {
      menuBar_->PaintBar(*dc, band);
    } else if (menuHeight_ > 0) {
      dc->Brush.Color = Model().FaceColour;
      dc->FillRect(band);
    }
  } else {
    PaintCaption(*dc, width_, height_);
  }
}

QRegion TSkinFormFrame::FrameRegion(int W, int H) const {
  const TSkinModel& m = *model_;
  if (!(m.LeftBorder.Trans || m.RightBorder.Trans || m.TopBorder.Trans || m.BottomBorder.Trans))
    return QRegion(0, 0, W, H);
  QRegion region(leftWidth_, captionHeight_, W - leftWidth_ - rightWidth_, H - captionHeight_ - bottomHeight_);
  const struct {
    int part;
    const TDataSkinObject& e;
    TRect r;
    int thickness;
  } parts[] = {{1, m.LeftBorder, Bounds(0, 0, leftWidth_, H), leftWidth_},
               {2, m.RightBorder, Bounds(W - rightWidth_, 0, rightWidth_, H), rightWidth_},
               {3, m.TopBorder, Bounds(0, 0, W, captionHeight_), captionHeight_},
               {4, m.BottomBorder, Bounds(leftWidth_, H - bottomHeight_, W - leftWidth_ - rightWidth_, bottomHeight_),
                bottomHeight_}};
  for (const auto& p : parts) {
    if (p.r.IsEmpty()) continue;
    QRegion part(p.r.Left, p.r.Top, p.r.Width(), p.r.Height());
    if (p.e.Trans == 1 && p.thickness >= 2 && !p.e.Image.Empty())
      part = RegionFromBitmap(PaintPart(p.part, p.r.Width(), p.r.Height()), p.r.Left, p.r.Top, 0, 0, 0, kKey);
    // The caption is painted over the side borders' top rows: its pixels
    // decide there.
    if (p.part <= 2) part &= QRect(p.r.Left, captionHeight_, p.r.Width(), H - captionHeight_);
    region += part;
  }
  // The menu bar band belongs to the window too.
  return region + QRect(leftWidth_, captionHeight_, W - leftWidth_ - rightWidth_, menuHeight_);
}

void TSkinFormFrame::UpdateRegion() {
  QWidget* w = Window();
  if (!w || phase_ == kGone || form_.BorderKind == TWinSkinForm::kBorderNone) return;
  const TRect wr = FrameWindowRect(w);
  const QSize size(wr.Width(), wr.Height());
  if (size == regionSize_ && phase_ != kRefresh) return;
  regionSize_ = size;
  // The region is the widget's; the platform counts from the window
  // system's frame around it, when there is one.
  const TRect outer = GetWindowRect(w);
  const QPoint inFrame = w->geometry().topLeft() - QPoint(outer.Left, outer.Top);
  SetWindowRgn(w, FrameRegion(size.width(), size.height()).translated(inFrame), true);
  ownsRegion_ = true;
}

// ---------------------------------------------------------------------------
// Activation and restoring.

void TSkinFormFrame::Activate() {
  QWidget* w = Window();
  if (!w || phase_ != kNew) return;
  const TRect client = GetClientRect(w);
  clientSize_ = {client.Width(), client.Height()};
  active_ = w->isActiveWindow();
  if (form_.BorderKind != TWinSkinForm::kBorderNone && !form_.ChildWindow && !w->isMinimized()) {
    if (GetMenu(w)) {
      menuBar_ = std::make_unique<TWinSkinMenu>(*this);
      if (!menuBar_->BuildItems()) menuBar_.reset();
    }
    UpdateShowState();
    LayoutFrame();
    phase_ = kFitting;
    SetNonClientFrame(w, true);
    FitWindowToFrame(true);
    ShiftChildren({leftWidth_, captionHeight_ + menuHeight_});
    phase_ = kActive;
    UpdateRegion();
    DrawMenuBar(w);  // the items in the frame's final band
    RedrawNonClient(w);
    // Framed before its first show, a dialog that sizes itself as it
    // shows (a message box) gets its caption's room back after that.
    if (form_.IsDialog) QTimer::singleShot(0, &timer_, [this] { KeepCaptionRoom(); });
  }
  if (TSkinData* data = form_.SkinData(); data && data->OnAfterSkinForm)
    data->OnAfterSkinForm(&form_, w, w->objectName());
  phase_ = kActive;
  SetActiveFlag(active_);
}

void TSkinFormFrame::ShiftChildren(QPoint shift) {
  // A layout keeps out of the band by itself; children placed by hand sit
  // in client coordinates, which now start below the caption.
  QWidget* w = Window();
  if (!w || w->layout() || shift == childShift_) return;
  const QPoint delta = shift - childShift_;
  childShift_ = shift;
  for (QWidget* child : w->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    if (!child->isWindow()) child->move(child->pos() + delta);
}

void TSkinFormFrame::GrowSizeLimits(QSize band) {
  // The limits are the client's: the band comes on top (a window of fixed
  // size stays fixed, at the new size).
  QWidget* w = Window();
  const QSize delta = band - sizeGrowth_;
  if (!w || delta.isNull()) return;
  sizeGrowth_ = band;
  const QSize min = w->minimumSize(), max = w->maximumSize();
  const QSize newMin = min.isNull() ? min : (min + delta).expandedTo(QSize(0, 0));
  const QSize newMax(max.width() >= QWIDGETSIZE_MAX ? max.width() : max.width() + delta.width(),
                     max.height() >= QWIDGETSIZE_MAX ? max.height() : max.height() + delta.height());
  if (newMin == newMax) {
    w->setFixedSize(newMin);
  } else {
    w->setMinimumSize(newMin);
    w->setMaximumSize(newMax);
  }
}

void TSkinFormFrame::TakeUpSkin() {
  if (phase_ != kActive || !Window() || !HasNonClientFrame(Window())) return;
  phase_ = kRefresh;
  LayoutFrame();
  FitWindowToFrame(true);
  ShiftChildren({leftWidth_, captionHeight_ + menuHeight_});
  UpdateRegion();
  phase_ = kActive;
  DrawMenuBar(Window());
  RedrawNonClient(Window());
}

void TSkinFormFrame::RestoreWindow(bool destroying) {
  timer_.stop();
  if (sysPopup_) sysPopup_->close();
  delete sysPopup_.data();
  if (form_.SkinData()) form_.SkinData()->HideCaptionHint();
  QWidget* w = Window();
  if (menuBar_) {
    menuBar_->RestoreMenu();
    menuBar_.reset();
  }
  buttons_.clear();
  Hot = nullptr;
  if (w && !destroying) {
    ShiftChildren({0, 0});
    GrowSizeLimits({0, 0});
    if (HasNonClientFrame(w)) SetNonClientFrame(w, false);
    if (ownsRegion_) SetWindowRgn(w, std::nullopt, true);
  }
  ownsRegion_ = false;
  phase_ = destroying ? kGone : kNew;
}

// ---------------------------------------------------------------------------
// The system menu and the buttons' actions.

void TSkinFormFrame::PopupSystemMenu(TPoint at) {
  QWidget* w = Window();
  if (!w || (QApplication::activeModalWidget() && QApplication::activeModalWidget() != w)) return;
  const qint64 now = Now();
  if (lastPopup_ >= 0 && now - lastPopup_ < qint64(GetDoubleClickTime())) {
    if (Hot) {
      timer_.stop();
      if (sysPopup_) sysPopup_->close();
      PostMessage(w, WM_CLOSE);
    }
    return;
  }
  lastPopup_ = now;
  delete sysPopup_.data();
  QMenu* system = GetSystemMenu(w);
  if (!system) return;
  auto* popup = new QMenu(w);
  popup->setAttribute(Qt::WA_DeleteOnClose, false);
  SetTag(popup, 33333);
  const Bitmap* glyphs = form_.SkinData() ? &form_.SkinData()->MenuGlyphs() : nullptr;
  const auto glyph = [glyphs](int index) {
    if (!glyphs || glyphs->Width() < 16 * (index + 1)) return QIcon();
    QImage image = glyphs->ToQImage().copy(16 * index, 0, 16, 16).convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        if ((image.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF) image.setPixel(x, y, 0);
    return QIcon(QPixmap::fromImage(image));
  };
  const bool normal = showState_ == kShowNormal, maximized = showState_ == kShowMaximized,
             minimized = showState_ == kShowMinimized;
  for (QAction* item : system->actions()) {
    if (!item->isVisible()) continue;
    if (item->isSeparator() || item->text().isEmpty()) {
      popup->addSeparator();
      continue;
    }
    QAction* copy = popup->addAction(item->text());
    const unsigned id = GetCommandId(item);
    SetCommandId(copy, id);
    copy->setEnabled(item->isEnabled());
    copy->setCheckable(item->isCheckable());
    copy->setChecked(item->isChecked());
    switch (id) {
      case SC_RESTORE: copy->setIcon(glyph(0)); copy->setEnabled(!normal); break;
      case SC_MAXIMIZE: copy->setIcon(glyph(1)); copy->setEnabled(!maximized && HasMaxBox(form_)); break;
      case SC_MINIMIZE: copy->setIcon(glyph(2)); copy->setEnabled(!minimized && HasMinBox(form_)); break;
      case SC_CLOSE: copy->setIcon(glyph(3)); break;
      case SC_SIZE: case SC_MOVE: copy->setEnabled(!maximized); break;
      default: break;
    }
  }
  if (form_.SkinData()) popup->setStyle(form_.SkinData()->Style());
  sysPopup_ = popup;
  if (TSkinManage* manager = SkinManage()) manager->SetMenuMode(TSkinManage::kSystemMenu);
  QPointer<QWidget> window(w);
  TrackPopupMenu(popup, TPM_RETURNCMD, at.X, at.Y, w, [window](unsigned command) {
    if (command && window) PostMessage(window, WM_SYSCOMMAND, command);
  });
}

void TSkinFormFrame::DoButtonAction(TWinSysButton* button, TPoint at) {
  QWidget* w = Window();
  if (!button || !w) return;
  const int action = button->Element->Action;
  switch (action) {
    case 0:
      timer_.stop();
      PostMessage(w, WM_SYSCOMMAND, SC_CLOSE);
      break;
    case 1: case 22:
      if (!button->Enabled) break;
      if (showState_ == kShowMaximized) {
        showState_ = kShowNormal;
        PostMessage(w, WM_SYSCOMMAND, SC_RESTORE);
      } else {
        showState_ = kShowMaximized;
        PostMessage(w, WM_SYSCOMMAND, SC_MAXIMIZE);
      }
      // The window changes under the pointer: the button lets go, drawn
      // normal again, and lights on the pointer's next move over it.
      if (Hot) Hot->NCMouseLeave();
      break;
    case 2: case 23:
      if (!button->Enabled) break;
      if (showState_ == kShowMinimized) {
        showState_ = kShowNormal;
        PostMessage(w, WM_SYSCOMMAND, SC_RESTORE);
      } else {
        showState_ = kShowMinimized;
        PostMessage(w, WM_SYSCOMMAND, SC_MINIMIZE);
      }
      break;
    case 3: case 11: case 12:
      PopupSystemMenu({at.X + 1, at.Y + 1});
      break;
    case 4:
      PostMessage(w, WM_SYSCOMMAND, SC_CONTEXTHELP);
      break;
    default:
      PostMessage(w, SKIN_BUTTONACTION, WPARAM(action));
      break;
  }
}

TNCObject* TSkinFormFrame::ObjectAt(TPoint p) {
  for (const auto& b : buttons_)
    if (b->Visible && b->BoundsRect.Contains(p.X, p.Y)) return b.get();
  return menuBar_ ? menuBar_->ItemAt(p) : nullptr;
}

void TSkinFormFrame::OnTimer() {
  if (!Hot || TWinSkinMenu::OpenIndex() >= 0) return;
  QWidget* w = Window();
  const QPoint cursor = QCursor::pos();
  const TRect wr = FrameWindowRect(w);
  if (!Hot->Visible || !Hot->BoundsRect.Contains(cursor.x() - wr.Left, cursor.y() - wr.Top)) {
    Hot->NCMouseLeave();
    return;
  }
  auto* button = dynamic_cast<TWinSysButton*>(Hot);
  TSkinData* data = form_.SkinData();
  if (!button || !data) return;
  button->HoverTime += kTimerInterval;
  const QString hint = CaptionButtonHint(button->Element->Action);
  if (button->HoverTime >= 2 * kHintPause && button->HoverTime <= 2 * kHintPause + kHintHidePause) {
    if (!hint.isEmpty())
      data->ShowCaptionHint(Bounds(wr.Left + button->BoundsRect.Left, cursor.y() + 24, 0, 0), hint);
  } else {
    data->HideCaptionHint();
  }
}

// ---------------------------------------------------------------------------
// The window procedure.

bool TSkinFormFrame::HandleSysCommand(Message& m, const CallPrevious& previous) {
  QWidget* w = Window();
  const unsigned command = unsigned(m.WParam) & 0xFFF0;
  if (command == SC_KEYMENU && !QApplication::activePopupWidget()) {
    const int key = int(m.LParam);
    if (key == ' ') {
      const QPoint origin = w->mapToGlobal(w->contentsRect().topLeft());
      PopupSystemMenu({origin.x(), origin.y()});
      m.Result = 1;
      return true;
    }
  }
  if (command == SC_MINIMIZE) showState_ = kShowMinimized;
  if (command == SC_MAXIMIZE) showState_ = kShowMaximized;
  if (command == SC_RESTORE) showState_ = kShowNormal;
  const int asked = showState_;
  QPointer<QWidget> alive(w);
  previous(m);
  if (!alive) return true;
  // The state is the one the window is in: a command it could not follow
  // (no window manager iconifies it) leaves the caption as it was.
  if (command == SC_MINIMIZE || command == SC_MAXIMIZE || command == SC_RESTORE) {
    UpdateShowState();
    RedrawIfStateMoved(asked);
  }
  // The default runs the menu line's loop: answered when it began.
  if (command == SC_KEYMENU && menuBar_ && GetMenuLoopWindow() == w) m.Result = 1;
  return true;
}

bool TSkinFormFrame::HandleDialogChar(Message& m) {
  const bool altOnly = QApplication::keyboardModifiers() == Qt::AltModifier || (m.LParam & (1 << 29));
  const bool shiftOrCtrl = QApplication::keyboardModifiers() & (Qt::ShiftModifier | Qt::ControlModifier);
  if (menuBar_ && altOnly && !shiftOrCtrl && GetMenuLoopWindow() != Window()) {
    // The menu line opens the item of that mnemonic, if it has one.
    SendMessage(Window(), WM_SYSCOMMAND, SC_KEYMENU, LPARAM(QChar(char16_t(m.WParam)).toUpper().unicode()));
    if (GetMenuLoopWindow() == Window()) {
      m.Result = 1;
      return true;
    }
  }
  // A form without the item hands the key to the main form, whose bar may
  // know it.
  TSkinManage* manager = SkinManage();
  QWidget* main = manager && manager->MainSkinData() ? manager->MainSkinData()->OwnerForm() : nullptr;
  if (main && main != Window() && !Window()->isModal()) {
    m.Result = Perform(main, CM_DIALOGCHAR, m.WParam, m.LParam);
    return m.Result != 0;
  }
  return false;
}

bool TSkinFormFrame::WindowProc(Message& m, const CallPrevious& previous) {
  QWidget* w = Window();
  if (!w) return false;
  switch (m.Msg) {
    case SKIN_PRINTFRAME:
      if (m.LParam != kFrameAnswer) return false;
      if (m.WParam) PaintFrame(ParamPtr<Canvas>(m.WParam));
      m.Result = kFrameAnswer;
      return true;
    case SKIN_FRAMEQUERY:
      m.Result = m.LParam == kFrameAnswer ? kFrameAnswer : 1;
      return true;
    case WM_SETTEXT:
      previous(m);
      if (w->isVisible() && phase_ == kActive) RedrawNonClient(w);
      return true;
    case SKIN_REFRESHFORM:
      form_.TakeUpSkin();
      if (TSkinData* data = form_.SkinData(); data && data->OnAfterSkinForm)
        data->OnAfterSkinForm(&form_, w, w->objectName());
      return true;
    case CM_DIALOGCHAR:
      return HandleDialogChar(m);
    default:
      break;
  }
  if (phase_ == kNew) {
    if (m.Msg == WM_NCPAINT && HasNonClientFrame(w)) {
      m.Result = 0;
      return true;
    }
    return false;
  }
  if (form_.ChildWindow || !HasNonClientFrame(w)) return false;
  switch (m.Msg) {
    case WM_COMMAND: {
      const unsigned id = LOWORD(m.WParam);
      static constexpr unsigned kSys[] = {SC_SIZE, SC_MOVE, SC_MINIMIZE, SC_MAXIMIZE, SC_NEXTWINDOW,
                                          SC_PREVWINDOW, SC_CLOSE, SC_RESTORE};
      if (id < 65280 && std::find(std::begin(kSys), std::end(kSys), id) != std::end(kSys)) {
        PostMessage(w, WM_SYSCOMMAND, id);
        return true;
      }
      return false;
    }
    case WM_WINDOWPOSCHANGED:
    case WM_GETMINMAXINFO: {
      const int was = showState_;
      previous(m);
      UpdateShowState();
      RedrawIfStateMoved(was);
      return true;
    }
    case WM_SIZE: {
      const int was = showState_;
      previous(m);
      showState_ = m.WParam == SIZE_MAXIMIZED ? kShowMaximized : m.WParam == SIZE_MINIMIZED ? kShowMinimized : kShowNormal;
      if (showState_ != kShowMinimized && (phase_ == kActive || phase_ == kRefresh)) UpdateRegion();
      // A new state in the same size (a maximized window brought back from
      // the task bar) is painted all the same: its buttons follow it.
      RedrawIfStateMoved(was);
      if (form_.IsDialog && showState_ == kShowNormal && phase_ == kActive)
        QTimer::singleShot(0, &timer_, [this] { KeepCaptionRoom(); });
      return true;
    }
    case WM_ACTIVATE:
      SetActiveFlag(LOWORD(m.WParam) != WA_INACTIVE);
      return false;
    case WM_ENTERMENULOOP:
      // The menu line's loop: its drop-downs are skinned as the bar's.
      if (m.WParam == 0 && menuBar_)
        if (TSkinManage* manager = SkinManage()) manager->SetMenuMode(TSkinManage::kMenuBarDropDown);
      return false;
    case CM_MENUCHANGED:
      previous(m);
      if (menuBar_) menuBar_->MenuChanged();
      return true;
    case WM_SYSCOMMAND:
      return HandleSysCommand(m, previous);
    case WM_SYSKEYDOWN:
      if (m.WParam == VK_SPACE) {
        SendMessage(w, WM_SYSCOMMAND, SC_KEYMENU, ' ');
        return true;
      }
      return false;
    case WM_NCACTIVATE:
      SetActiveFlag(m.WParam != 0);
      PaintFrame(nullptr);
      m.Result = 1;
      return true;
    case WM_NCLBUTTONDBLCLK: {
      TNCObject* object = ObjectAt(ToWindow(m.LParam));
      if (auto* b = dynamic_cast<TWinSysButton*>(object); b && (b->Element->Action == 3 || b->Element->Action == 11)) {
        timer_.stop();
        if (sysPopup_) sysPopup_->close();
        PostMessage(w, WM_SYSCOMMAND, SC_CLOSE);
        return true;
      }
      if (object) return true;
      if (showState_ != kShowNormal) {
        showState_ = kShowNormal;
        PostMessage(w, WM_SYSCOMMAND, SC_RESTORE);
        return true;
      }
      if (HasMaxBox(form_) && m.WParam == WPARAM(HTCAPTION)) {
        showState_ = kShowMaximized;
        PostMessage(w, WM_SYSCOMMAND, SC_MAXIMIZE);
        return true;
      }
      return false;
    }
    case WM_NCRBUTTONDOWN:
      if (form_.SkinData()) form_.SkinData()->HideCaptionHint();
      if (m.WParam == WPARAM(HTCAPTION)) {
        PopupSystemMenu({GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)});
        return true;
      }
      return false;
    case SKIN_NCPAINT:
      PaintFrame(nullptr);
      return true;
    case WM_NCMOUSEMOVE: {
      if (!active_) return false;
      if (TNCObject* object = ObjectAt(ToWindow(m.LParam))) {
        object->NCMouseEnter();
        m.Result = 0;
        return true;
      }
      if (Hot) Hot->NCMouseLeave();
      return false;
    }
    case WM_NCMOUSELEAVE:
      if (Hot) Hot->NCMouseLeave();
      return false;
    case WM_NCLBUTTONDOWN: {
      if (form_.SkinData()) form_.SkinData()->HideCaptionHint();
      if (TNCObject* object = ObjectAt(ToWindow(m.LParam))) {
        if (!w->isActiveWindow()) w->activateWindow();
        if (dynamic_cast<TMenuBtn*>(object)) return false;  // the menu line's loop
        object->NCMouseDown();
        return true;
      }
      if (showState_ == kShowMaximized && m.WParam == WPARAM(HTCAPTION)) m.WParam = HTMENU;
      return false;
    }
    case WM_NCLBUTTONUP: {
      if (form_.SkinData()) form_.SkinData()->HideCaptionHint();
      TNCObject* object = ObjectAt(ToWindow(m.LParam));
      if (auto* b = dynamic_cast<TWinSysButton*>(object); b && b == Hot) {
        b->NCMouseUp();
        DoButtonAction(b, {GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)});
        return true;
      }
      if (dynamic_cast<TMenuBtn*>(object)) return true;
      if (Hot && !object) Hot->NCMouseLeave();
      return false;
    }
    case WM_NCCALCSIZE: {
      auto* p = ParamPtr<NCCALCSIZE_PARAMS>(std::uintptr_t(m.LParam));
      const TRect window = m.WParam ? p->rgrc[0] : TRect{};
      previous(m);
      if (m.WParam && form_.BorderKind != TWinSkinForm::kBorderNone) {
        TRect& r = p->rgrc[0];
        r = {window.Left + leftWidth_, window.Top + captionHeight_ + menuHeight_, window.Right - rightWidth_,
             window.Bottom - bottomHeight_};
        p->rgrc[1] = r;
        m.Result = 1024;
      }
      return true;
    }
    case WM_NCHITTEST: {
      previous(m);
      if ((m.Result == HTNOWHERE || m.Result == HTCAPTION) && ToWindow(m.LParam).Y > 3) m.Result = HTCAPTION;
      return true;
    }
    case WM_NCPAINT:
      if (form_.BorderKind == TWinSkinForm::kBorderNone) return false;
      PaintFrame(nullptr);
      m.Result = 0;
      return true;
    default:
      return false;
  }
}

}  // namespace skinning
