// The form provider's client area: its background from the cache (or the
// form's colour), the size grip, WM_ERASEBKGND, WM_PAINT and WM_PRINT, the
// show animation of CM_SHOWINGCHANGED, the wheel handed to the control
// under the mouse, and the small conversions of the window.
#include "skinlib/adapters/sSkinProvider.h"

#include "platform/Colors.h"
#include "platform/Mdi.h"
#include "platform/MenuLine.h"
#include "platform/Menus.h"
#include "platform/NonClient.h"
#include "platform/Painting.h"
#include "platform/Properties.h"
#include "platform/WindowTable.h"
#include "skinlib/adapters/AdapterUtils.h"
#include "skinlib/adapters/FormAnimation.h"
#include "skinlib/adapters/SkinCommandSenders.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/manager/sStoredSkins.h"

#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QMdiSubWindow>
#include <QPointer>
#include <QWheelEvent>

#include <algorithm>
#include <cstring>
#include <vector>

using namespace platform;

namespace {

// A wheel handed on comes back to the form when the control leaves it.
bool g_inWheelToControl = false;

TRect ClientRectOf(const QWidget* form) {
  const QRect c = form->contentsRect();
  return Bounds(c.left(), c.top(), c.width(), c.height());
}

}  // namespace

// ------------------------------------------------------------ small conversions

TPoint TsSkinProvider::GripPosition(int gripWidth, int gripHeight) const {
  if (!form_) return {};
  const TRect c = ClientRectOf(form_);
  return {c.Right + CacheShiftX() - gripWidth, c.Bottom + CacheShiftY() - gripHeight};
}

TPoint TsSkinProvider::ScreenToWindowPoint(TPoint screenPoint) const {
  if (!form_) return screenPoint;
  // An MDI child's window is its sub-window, with the border and caption
  // around the form.
  const QWidget* window = form_;
  if (auto* sub = qobject_cast<const QMdiSubWindow*>(form_->parentWidget())) window = sub;
  const QPoint p = window->mapFromGlobal(QPoint(screenPoint.X, screenPoint.Y));
  return {p.x(), p.y()};
}

void TsSkinProvider::SaveTitleBitmap() {
  Bitmap* cache = skinData_ ? skinData_->CacheBitmap.get() : nullptr;
  if (!form_ || !cache || cache->Empty()) return;
  const int w = cache->Width();
  const int h = std::min(cache->Height(), TitleBottom(ReadTitleMetrics()));
  if (h <= 0) return;
  // In the cache's own pixel format, so that a row is copied as it is.
  if (titleBitmap_.Width() != w || titleBitmap_.Height() != h || titleBitmap_.PixelFormat() != cache->PixelFormat())
    titleBitmap_ = Bitmap(w, h, cache->PixelFormat());
  cache->GetCanvas().EndPainting();
  const size_t bytes = size_t(std::min(cache->Stride(), titleBitmap_.Stride()));
  for (int y = 0; y < h; ++y) std::memcpy(titleBitmap_.ScanLine(y), cache->ScanLine(y), bytes);
  titleBitmapValid_ = true;
}

namespace {
// A width x height block from (fromX, fromY) of `from` to (toX, toY) of
// `to`, row by row (both of the same pixel format).
void CopyRows(const Bitmap& from, int fromX, int fromY, Bitmap& to, int toX, int toY, int width, int height) {
  const int bytesPerPixel = from.PixelFormat() == pf32bit ? 4 : 3;
  for (int y = 0; y < height; ++y)
    std::memcpy(to.ScanLine(toY + y) + size_t(toX) * bytesPerPixel,
                from.ScanLine(fromY + y) + size_t(fromX) * bytesPerPixel, size_t(width) * bytesPerPixel);
}
}  // namespace

void TsSkinProvider::SaveButtonStrip() {
  buttonStripValid_ = false;
  Bitmap* cache = skinData_ ? skinData_->CacheBitmap.get() : nullptr;
  if (!form_ || !cache || cache->Empty()) return;
  const TacTitleMetrics m = ReadTitleMetrics();
  const TacTitleLayout l = Layout();
  const int w = std::min(cache->Width(), l.ButtonsAreaWidth + m.BorderWidth + 10 + m.ExtMargins.Right);
  const int h = std::min(cache->Height(), TitleBottom(m));
  if (w <= 0 || h <= 0 || l.ButtonsAreaWidth <= 0) return;
  if (buttonStrip_.Width() != w || buttonStrip_.Height() != h || buttonStrip_.PixelFormat() != cache->PixelFormat())
    buttonStrip_ = Bitmap(w, h, cache->PixelFormat());
  cache->GetCanvas().EndPainting();
  buttonStripRect_ = Bounds(cache->Width() - w, 0, w, h);
  CopyRows(*cache, buttonStripRect_.Left, 0, buttonStrip_, 0, 0, w, h);
  buttonStripValid_ = true;
}

bool TsSkinProvider::RestoreButtonStrip() {
  Bitmap* cache = skinData_ ? skinData_->CacheBitmap.get() : nullptr;
  if (!buttonStripValid_ || !cache || cache->PixelFormat() != buttonStrip_.PixelFormat() ||
      buttonStripRect_.Right != cache->Width() || buttonStripRect_.Bottom > cache->Height())
    return false;
  cache->GetCanvas().EndPainting();
  CopyRows(buttonStrip_, 0, 0, *cache, buttonStripRect_.Left, 0, buttonStrip_.Width(), buttonStrip_.Height());
  return true;
}

void TsSkinProvider::RepaintTitle() {
  if (!form_ || !skinData_) return;
  Bitmap* cache = skinData_->CacheBitmap.get();
  if (!titleBitmapValid_ || !cache || CacheStale() || titleBitmap_.Width() != cache->Width() ||
      titleBitmap_.PixelFormat() != cache->PixelFormat()) {
    skinData_->BackgroundDirty = true;
  } else {
    cache->GetCanvas().EndPainting();
    const size_t bytes = size_t(std::min(cache->Stride(), titleBitmap_.Stride()));
    for (int y = 0; y < titleBitmap_.Height(); ++y) std::memcpy(cache->ScanLine(y), titleBitmap_.ScanLine(y), bytes);
    const TacTitleLayout layout = Layout();
    PaintCaptionText(layout);
    SaveButtonStrip();
    PaintTitleButtons(layout);
    cache->GetCanvas().EndPainting();
  }
  if (form_->isVisible() && drawNonClientArea_) RedrawNonClient(form_);
}

std::vector<int> TsSkinProvider::MenuLineState() const {
  std::vector<int> state;
  QMenuBar* bar = form_ ? GetMenu(form_) : nullptr;
  if (!bar) return state;
  const TRect line = GetMenuLineRect(form_);
  state = {line.Left, line.Top, line.Right, line.Bottom, GetMenuLineItem(form_), formActive_ ? 1 : 0,
           MDIButtonsVisible() ? 1 : 0, mdiButtonsLaidOut_ ? 1 : 0};
  for (size_t i = 4; i < buttons_.size(); ++i) state.push_back(buttons_[i].State);
  for (const QAction* a : bar->actions())
    state.push_back(int(qHash(a->text())) ^ (a->isEnabled() ? 1 : 2) ^ (a->isVisible() ? 4 : 8) ^
                    (a->isSeparator() ? 16 : 32));
  return state;
}

// ------------------------------------------------------------ the client background

void TsSkinProvider::PaintClientBackground(Canvas& dc, bool notify) {
  if (!form_ || !skinData_) return;
  TsCommonData& data = *skinData_;
  const TRect client = ClientRectOf(form_);
  if (!Skinned() || (data.ContainerFlags & 1)) {
    // A plain background: the form's colour.
    dc.Brush = {ColorToRGB(FormColor()), bsSolid};
    dc.FillRect({0, 0, client.Width(), client.Height()});
    return;
  }
  if (!data.HiddenMode && CacheStale()) PaintAll();
  if (!data.CacheBitmap) return;
  // The canvas's origin is the client's corner; the cache and the child
  // controls count from the window's.
  const int saved = dc.SaveDC();
  const TPoint origin = dc.GetViewportOrg();
  dc.SetViewportOrg(origin.X - client.Left, origin.Y - client.Top);
  if (GetFormStyle(form_) != fsMDIForm) {
    CopyBgExcludingChildControls(form_, data, {client.Left + CacheShiftX(), client.Top + CacheShiftY()}, 0, 0, false,
                                 dc, client);
    PaintGraphicChildren(dc, form_, {0, 0});
  }
  dc.RestoreDC(saved);
  if (notify) NotifyChildrenUpdated(form_);
}

void TsSkinProvider::PaintClientArea(Canvas* dc) {
  if (!form_ || !skinData_ || IsDestroying(form_) || !systemMenu_) return;
  Canvas* target = dc ? dc : BeginPaint(form_);
  if (!target) return;
  // The grip comes from the cache: it is brought up to date first.
  if (Skinned() && !skinData_->HiddenMode && CacheStale()) PaintAll();
  PaintClientBackground(*target, false);
  PaintClientGrip(*target);
}

void TsSkinProvider::PaintClientGrip(Canvas& dc) {
  // The grip lies in the cache at its place; a plain background takes it
  // from there (a composite one has it with the rest).
  const Bitmap* cache = skinData_ ? skinData_->CacheBitmap.get() : nullptr;
  if (!form_ || !GripVisible() || !cache || !(skinData_->ContainerFlags & 1) || !Skinned()) return;
  const TRect client = ClientRectOf(form_);
  const TRect grip = gripRect_;
  if (grip.Width() > 0 && grip.Right <= cache->Width() && grip.Bottom <= cache->Height())
    dc.CopyRect(OffsetRect(grip, -client.Left - CacheShiftX(), -client.Top - CacheShiftY()), *cache, grip);
}

void TsSkinProvider::PaintForm(Message& m) {
  if (!form_) return;
  Canvas* given = m.WParam ? ParamPtr<Canvas>(std::uintptr_t(m.WParam)) : nullptr;
  if (!given && FormsLocked) return;
  PaintClientArea(given);
}

// ------------------------------------------------------------ WM_ERASEBKGND, WM_PAINT

void TsSkinProvider::EraseBackground(Message& m, const std::function<void()>& def) {
  if (!form_->isVisible()) {
    def();
    return;
  }
  TsCommonData& data = *skinData_;
  Canvas* dc = m.WParam ? ParamPtr<Canvas>(std::uintptr_t(m.WParam)) : nullptr;
  const bool ownPaint = dc && dc == BeginPaint(form_);
  if (dc && (!ownPaint || m.WParam == WPARAM(m.LParam))) {
    // A copy of the background asked for (the canvas's origin at the
    // client's corner).
    if (CacheStale()) PaintAll();
    const TRect client = ClientRectOf(form_);
    if (!data.ParentDependent() || !data.CacheBitmap) {
      dc->Brush = {ColorToRGB(GetWndBgColor(form_)), bsSolid};
      dc->FillRect({0, 0, client.Width(), client.Height()});
    } else {
      dc->CopyRect({0, 0, client.Width(), client.Height()}, *data.CacheBitmap,
                   OffsetRect(client, CacheShiftX(), CacheShiftY()));
    }
    m.Result = 1;
    return;
  }
  if (data.ParentDependent()) {
    if (data.UpdatingFlag()) {
      m.Result = 1;
    } else if (dc && !dc->GetClipBox().IsEmpty()) {
      m.Result = 1;  // WM_PAINT paints it
    } else {
      NotifyChildrenUpdated(form_);
    }
    return;
  }
  if (dc) {
    // Qt fills a window's background before its paint event: a plain
    // background of that colour needs only the grip.
    const bool filled = ownPaint && Skinned() && (data.ContainerFlags & 1) &&
                        ColorToRGB(GetControlColor(form_)) == ColorToRGB(FormColor());
    if (!filled) {
      PaintClientArea(dc);
    } else {
      if (!data.HiddenMode && CacheStale()) PaintAll();
      PaintClientGrip(*dc);
    }
  }
  m.Result = 1;
}

void TsSkinProvider::Paint(Message& m, const std::function<void()>& def) {
  const bool copy = m.WParam != 0 && ParamPtr<Canvas>(std::uintptr_t(m.WParam)) != BeginPaint(form_);
  if (!copy) {
    TsCommonData& data = *skinData_;
    if (!data.ParentDependent()) {
      if (!form_->isVisible()) {
        def();
        return;
      }
      // A dirty background is painted whole, band included.
      if (data.BackgroundDirty && !IsDestroying(form_)) RedrawWindow(form_, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
    } else if (!form_->isVisible()) {
      return;
    } else {
      PaintForm(m);
    }
    m.Result = 0;
  }
  // The form's own painting comes last, unless the show animation covers it.
  if (!showAnimation_) def();
}

// ------------------------------------------------------------ WM_PRINT

void TsSkinProvider::PrintForm(Message& m) {
  Canvas* dc = m.WParam ? ParamPtr<Canvas>(std::uintptr_t(m.WParam)) : nullptr;
  if (!dc) return;
  TsCommonData& data = *skinData_;
  QPointer<TsSkinProvider> self(this);
  QPointer<QWidget> form(form_);
  data.SetUpdating(false);
  const TRect client = ClientRectOf(form_);
  // The band from the cache, brought up to date.
  if (drawNonClientArea_) PaintFrameToDC(*dc);
  const int saved = dc->SaveDC();
  const TPoint origin = dc->GetViewportOrg();
  dc->SetViewportOrg(origin.X + client.Left, origin.Y + client.Top);
  dc->IntersectClipRect({0, 0, client.Width(), client.Height()});
  PaintClientArea(dc);
  dc->RestoreDC(saved);
  // A plain background is only filled: the graphic children (a label)
  // that a skinned background brings along are painted here.
  if (!Skinned() || (data.ContainerFlags & 1)) {
    const int graphic = dc->SaveDC();
    dc->IntersectClipRect(client);
    PaintGraphicChildren(*dc, form_, {0, 0});
    dc->RestoreDC(graphic);
    if (!self || !form) return;
  }
  // The child controls at their places, each through its own procedures.
  const int clipped = dc->SaveDC();
  dc->IntersectClipRect(client);
  std::vector<QPointer<QWidget>> children;
  for (QObject* o : form_->children())
    if (o->isWidgetType() && !static_cast<QWidget*>(o)->isWindow()) children.emplace_back(static_cast<QWidget*>(o));
  for (const QPointer<QWidget>& child : children) {
    if (!child || !child->isVisible() || IsGraphicControl(child)) continue;
    const int one = dc->SaveDC();
    const TPoint at = dc->GetViewportOrg();
    dc->SetViewportOrg(at.X + child->x(), at.Y + child->y());
    SendMessage(child, WM_PRINT, PtrParam(dc), LPARAM(PRF_ERASEBKGND | PRF_CLIENT | PRF_CHILDREN | PRF_NONCLIENT));
    dc->RestoreDC(one);
    if (!self || !form) return;
  }
  dc->RestoreDC(clipped);
  // The form's own painting over its client (it counts from the window's
  // corner, as its paint event does).
  const int own = dc->SaveDC();
  dc->IntersectClipRect(client);
  Perform(form_, WM_PAINT, PtrParam(dc));
  if (self) dc->RestoreDC(own);
  m.Result = 0;
}

// ------------------------------------------------------------ CM_SHOWINGCHANGED

void TsSkinProvider::ShowingChanged(Message& m, const std::function<void()>& def) {
  (void)m;
  TsSkinManager* manager = Manager();
  TsCommonData& data = *skinData_;
  if (!data.BackgroundDirty || !form_->isVisible() || !drawNonClientArea_ || !manager) {
    def();
    return;
  }
  QPointer<TsSkinProvider> self(this);
  QPointer<QWidget> form(form_);
  if (HookFormMenusSeam()) HookFormMenusSeam()(*this, true);
  if (ControlAdapterSeam().Readapt) ControlAdapterSeam().Readapt(*this, nullptr);
  if (!self || !form) return;
  const TacFormInfo f = ReadFormInfo();
  const bool formStyle = f.BorderStyle == bsSingle || f.BorderStyle == bsSizeable;
  TacAnimEffects& effects = manager->AnimEffects();
  const TacFormAnimation& animation = formStyle ? static_cast<const TacFormAnimation&>(effects.FormShow)
                                                : static_cast<const TacFormAnimation&>(effects.DialogShow);
  // An animation of no steps would show the form as it is: none runs.
  showAnimation_ = !f.MdiChild && form_->isWindow() && animation.Active && (animation.Time >> 3) > 0;
  std::vector<QPointer<QWidget>> frozen;
  if (showAnimation_) {
    data.SetUpdating(true);
    inAnimation_ = true;
    // The animation's window covers the form: it needs no layered state.
    for (QObject* o : form_->children()) {
      auto* child = qobject_cast<QWidget*>(o);
      if (!child || child->isWindow() || !child->isVisible()) continue;
      if (SendMessage(child, SkinCommandMsg, MAKEWPARAM(0, acIsSkinned), 0) == 1) continue;
      if (!self || !form) return;
      frozen.emplace_back(child);
      SendMessage(child, WM_SETREDRAW, 0, 0);
    }
  } else {
    data.SetUpdating(false);
  }
  def();
  if (!self || !form) return;
  if (!showAnimation_) return;
  for (const QPointer<QWidget>& child : frozen)
    if (child) SendMessage(child, WM_SETREDRAW, 1, 0);
  showAnimation_ = false;
  if (!self || !form) return;
  AnimateFormShow(form_, animation.Time);
  if (!self || !form) return;
  inAnimation_ = false;
  UpdateFormRegion(false);
  RedrawWindow(form_, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN);
}

// ------------------------------------------------------------ the control adapter, the erase filter

void TsSkinProvider::AdapterPaintNotify(const TRect& rect) {
  if (ControlAdapterSeam().PaintNotify) ControlAdapterSeam().PaintNotify(*this, rect);
}

WindowProcHandle TsSkinProvider::InstallEraseBkgndFilter(QWidget* window) {
  if (!window) return {};
  return InstallWindowProc(window, [](Message& m, const CallPrevious& previous) {
    if (m.Msg != WM_ERASEBKGND) previous(m);
  });
}

// ------------------------------------------------------------ the wheel

void TsSkinProvider::MouseWheelToControl(Message& m) {
  if (g_inWheelToControl || m.Result != 0 || !form_) return;
  g_inWheelToControl = true;
  struct Reset {
    ~Reset() { g_inWheelToControl = false; }
  } reset;
  const QPoint screen(GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam));
  QWidget* control = form_->childAt(form_->mapFromGlobal(screen));
  if (!control || control == form_ || (control->focusPolicy() & Qt::WheelFocus) != Qt::WheelFocus ||
      !control->isEnabled())
    return;
  const auto keys = unsigned(LOWORD(std::uintptr_t(m.WParam)));
  const int delta = short(HIWORD(std::uintptr_t(m.WParam)));
  Qt::KeyboardModifiers modifiers;
  if (keys & MK_SHIFT) modifiers |= Qt::ShiftModifier;
  if (keys & MK_CONTROL) modifiers |= Qt::ControlModifier;
  Qt::MouseButtons buttons;
  if (keys & MK_LBUTTON) buttons |= Qt::LeftButton;
  if (keys & MK_RBUTTON) buttons |= Qt::RightButton;
  if (keys & MK_MBUTTON) buttons |= Qt::MiddleButton;
  QWheelEvent wheel(QPointF(control->mapFromGlobal(screen)), QPointF(screen), QPoint(), QPoint(0, delta), buttons,
                    modifiers, Qt::NoScrollPhase, false);
  wheel.setAccepted(false);
  QApplication::sendEvent(control, &wheel);
  if (wheel.isAccepted()) m.Result = 1;
}
