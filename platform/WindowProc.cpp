#include "platform/WindowProc.h"

#include "platform/AppWindow.h"
#include "platform/Canvas.h"
#include "platform/HandlerList.h"
#include "platform/NonClient.h"
#include "platform/Startup.h"
#include "platform/UserPrompts.h"
#include "platform/WindowPos.h"
#include "platform/WindowProcInternal.h"
#include "platform/WindowTable.h"
#include "platform/WindowUtils.h"

#include <QApplication>
#include <QChildEvent>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QHash>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPointer>
#include <QScrollBar>
#include <QThread>
#include <QWheelEvent>
#include <QWidget>
#include <QWindow>

#include <array>
#include <climits>
#include <new>

namespace platform {

const detail::Redelivery* detail::g_redelivery = nullptr;

namespace {

// ---------------------------------------------------------------------------
// Handing an event to its widget a second time (WindowProcInternal.h).

using detail::RedeliveryMark;

// The events a translation is running for, and whether its default
// procedure has handed the event to the widget yet (a handler that throws
// leaves an undelivered event to Qt).
struct DeliveryWatch {
  const QEvent* event;
  bool delivered;
  DeliveryWatch* outer;
};
DeliveryWatch* g_watch = nullptr;

bool IsMouseEvent(int type) {
  return type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease ||
         type == QEvent::MouseButtonDblClick || type == QEvent::MouseMove || type == QEvent::Wheel;
}

// Delivers `event` to `widget` through Qt once more, past the chain. Qt
// hands an unaccepted mouse event on to the parent after the filter has
// returned, so the inner delivery must not do so as well.
void Redeliver(QWidget* widget, QEvent* event) {
  for (DeliveryWatch* w = g_watch; w; w = w->outer)
    if (w->event == event) w->delivered = true;
  RedeliveryMark mark(widget, event);
  if (!IsMouseEvent(event->type()) || widget->testAttribute(Qt::WA_NoMousePropagation)) {
    QCoreApplication::sendEvent(widget, event);
    return;
  }
  QPointer<QWidget> alive(widget);
  widget->setAttribute(Qt::WA_NoMousePropagation);
  QCoreApplication::sendEvent(widget, event);
  if (alive) widget->setAttribute(Qt::WA_NoMousePropagation, false);
}

// A default procedure as the chain sees it: any callable, not owned.
class DefaultProc {
 public:
  template <class F>
  explicit DefaultProc(F& f)
      : object_(&f), call_([](void* o, Message& m) { (*static_cast<F*>(o))(m); }) {}
  void operator()(Message& m) const { call_(object_, m); }

 private:
  void* object_;
  void (*call_)(void*, Message&);
};

// ---------------------------------------------------------------------------
// Keys and buttons.

struct KeyPair {
  int qt;
  unsigned vk;
};
constexpr KeyPair kKeys[] = {
    {Qt::Key_Backspace, VK_BACK}, {Qt::Key_Tab, VK_TAB},         {Qt::Key_Backtab, VK_TAB},
    {Qt::Key_Return, VK_RETURN},  {Qt::Key_Enter, VK_RETURN},    {Qt::Key_Shift, VK_SHIFT},
    {Qt::Key_Control, VK_CONTROL}, {Qt::Key_Alt, VK_MENU},       {Qt::Key_Pause, VK_PAUSE},
    {Qt::Key_CapsLock, VK_CAPITAL}, {Qt::Key_Escape, VK_ESCAPE}, {Qt::Key_Space, VK_SPACE},
    {Qt::Key_PageUp, VK_PRIOR},   {Qt::Key_PageDown, VK_NEXT},   {Qt::Key_End, VK_END},
    {Qt::Key_Home, VK_HOME},      {Qt::Key_Left, VK_LEFT},       {Qt::Key_Up, VK_UP},
    {Qt::Key_Right, VK_RIGHT},    {Qt::Key_Down, VK_DOWN},       {Qt::Key_Insert, VK_INSERT},
    {Qt::Key_Delete, VK_DELETE},  {Qt::Key_Menu, VK_APPS},       {Qt::Key_NumLock, VK_NUMLOCK},
    {Qt::Key_ScrollLock, VK_SCROLL},
};

}  // namespace

namespace detail {

unsigned VirtualKey(int key) {
  if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z)) return unsigned(key);
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return VK_F1 + unsigned(key - Qt::Key_F1);
  for (const KeyPair& k : kKeys)
    if (k.qt == key) return k.vk;
  return 0;
}

int QtKey(unsigned vk) {
  if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z')) return int(vk);
  if (vk >= VK_F1 && vk <= VK_F24) return Qt::Key_F1 + int(vk - VK_F1);
  for (const KeyPair& k : kKeys)
    if (k.vk == vk) return k.qt;
  return Qt::Key_unknown;
}

unsigned MouseKeys(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
  unsigned keys = 0;
  if (buttons & Qt::LeftButton) keys |= MK_LBUTTON;
  if (buttons & Qt::RightButton) keys |= MK_RBUTTON;
  if (buttons & Qt::MiddleButton) keys |= MK_MBUTTON;
  if (buttons & Qt::XButton1) keys |= MK_XBUTTON1;
  if (buttons & Qt::XButton2) keys |= MK_XBUTTON2;
  if (modifiers & Qt::ShiftModifier) keys |= MK_SHIFT;
  if (modifiers & Qt::ControlModifier) keys |= MK_CONTROL;
  return keys;
}

}  // namespace detail

namespace {

using detail::MouseKeys;
using detail::QtKey;
using detail::VirtualKey;

Qt::MouseButtons MouseButtons(unsigned keys) {
  Qt::MouseButtons buttons;
  if (keys & MK_LBUTTON) buttons |= Qt::LeftButton;
  if (keys & MK_RBUTTON) buttons |= Qt::RightButton;
  if (keys & MK_MBUTTON) buttons |= Qt::MiddleButton;
  if (keys & MK_XBUTTON1) buttons |= Qt::XButton1;
  if (keys & MK_XBUTTON2) buttons |= Qt::XButton2;
  return buttons;
}

Qt::KeyboardModifiers MouseModifiers(unsigned keys) {
  Qt::KeyboardModifiers modifiers;
  if (keys & MK_SHIFT) modifiers |= Qt::ShiftModifier;
  if (keys & MK_CONTROL) modifiers |= Qt::ControlModifier;
  return modifiers;
}

// The button messages: the message of a press; release and double click
// follow it.
struct ButtonMessage {
  Qt::MouseButton button;
  unsigned down;
};
constexpr ButtonMessage kButtons[] = {{Qt::LeftButton, WM_LBUTTONDOWN},
                                      {Qt::RightButton, WM_RBUTTONDOWN},
                                      {Qt::MiddleButton, WM_MBUTTONDOWN},
                                      {Qt::XButton1, WM_XBUTTONDOWN},
                                      {Qt::XButton2, WM_XBUTTONDOWN}};

int CarrierType() { return MessageEventType(WM_NULL); }

}  // namespace

namespace detail {

Message MouseMessage(const QWidget* widget, const QMouseEvent* mouse) {
  unsigned msg = 0;
  WPARAM xButton = 0;
  if (mouse->type() == QEvent::MouseMove) {
    msg = WM_MOUSEMOVE;
  } else {
    for (const ButtonMessage& b : kButtons) {
      if (b.button != mouse->button()) continue;
      msg = b.down + (mouse->type() == QEvent::MouseButtonRelease    ? 1
                      : mouse->type() == QEvent::MouseButtonDblClick ? 2
                                                                     : 0);
      if (b.down == WM_XBUTTONDOWN) xButton = b.button == Qt::XButton1 ? XBUTTON1 : XBUTTON2;
    }
  }
  const QPoint p = mouse->position().toPoint() - ClientOrigin(widget);
  return {msg, MouseKeys(mouse->buttons(), mouse->modifiers()) | xButton << 16, MAKELPARAM(p.x(), p.y())};
}

Message KeyMessage(const QKeyEvent* key) {
  const bool press = key->type() == QEvent::KeyPress;
  const unsigned vk = VirtualKey(key->key());
  const bool alt = (key->modifiers() & Qt::AltModifier) || vk == VK_MENU;
  const bool sys = alt || vk == VK_F10;
  const unsigned msg = press ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
  const LPARAM data = LPARAM(1 | (key->nativeScanCode() & 0xFF) << 16 | (alt ? 1u << 29 : 0) |
                             (!press || key->isAutoRepeat() ? 1u << 30 : 0) | (press ? 0 : 1u << 31));
  return {msg, vk, data};
}

}  // namespace detail

namespace {

// The default procedure of a message that is not a translated Qt event:
// the Qt action of standard messages that have one; anything else reaches
// the widget's event() as a MessageEvent.
void StandardDefault(QWidget* widget, Message& m) {
  const unsigned msg = m.Msg;
  if (detail::NonClientDefault(widget, m) || detail::ScrollDefault(widget, m) || detail::PaintDefault(widget, m) ||
      detail::MdiDefault(widget, m) || detail::ControlDefault(widget, m))
    return;
  if (msg == WM_MOUSEMOVE || (msg >= WM_LBUTTONDOWN && msg <= WM_XBUTTONDBLCLK && msg != WM_MOUSEWHEEL)) {
    QEvent::Type type = QEvent::MouseMove;
    Qt::MouseButton button = Qt::NoButton;
    Qt::MouseButtons buttons = MouseButtons(LOWORD(m.WParam));
    for (const ButtonMessage& b : kButtons) {
      if (msg < b.down || msg > b.down + 2) continue;
      if (b.down == WM_XBUTTONDOWN && HIWORD(m.WParam) != (b.button == Qt::XButton1 ? XBUTTON1 : XBUTTON2))
        continue;
      button = b.button;
      type = msg == b.down ? QEvent::MouseButtonPress
             : msg == b.down + 1 ? QEvent::MouseButtonRelease
                                 : QEvent::MouseButtonDblClick;
      buttons = type == QEvent::MouseButtonRelease ? buttons & ~button : buttons | button;
    }
    const QPoint local = QPoint(GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)) + ClientOrigin(widget);
    QMouseEvent event(type, local, widget->mapToGlobal(local), button, buttons,
                      MouseModifiers(LOWORD(m.WParam)));
    Redeliver(widget, &event);
    return;
  }
  if (msg == WM_MOUSEWHEEL || msg == WM_MOUSEHWHEEL) {
    const QPoint global(GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam));
    const int delta = GET_WHEEL_DELTA_WPARAM(m.WParam);
    const QPoint angle = msg == WM_MOUSEWHEEL ? QPoint(0, delta) : QPoint(delta, 0);
    QWheelEvent event(widget->mapFromGlobal(global), global, QPoint(), angle,
                      MouseButtons(LOWORD(m.WParam)), MouseModifiers(LOWORD(m.WParam)),
                      Qt::NoScrollPhase, false);
    Redeliver(widget, &event);
    return;
  }
  if (msg == WM_KEYDOWN || msg == WM_KEYUP || msg == WM_SYSKEYDOWN || msg == WM_SYSKEYUP) {
    const bool down = msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN;
    Qt::KeyboardModifiers modifiers = QGuiApplication::keyboardModifiers() & ~Qt::AltModifier;
    if (msg == WM_SYSKEYDOWN || msg == WM_SYSKEYUP || (m.LParam & (1 << 29))) modifiers |= Qt::AltModifier;
    const unsigned vk = unsigned(m.WParam);
    QString text;
    if (vk >= 'A' && vk <= 'Z')
      text = QChar(modifiers & Qt::ShiftModifier ? vk : vk - 'A' + 'a');
    else if ((vk >= '0' && vk <= '9') || vk == VK_SPACE)
      text = QChar(vk);
    QKeyEvent event(down ? QEvent::KeyPress : QEvent::KeyRelease, QtKey(vk), modifiers, text,
                    down && (m.LParam & (1 << 30)));
    Redeliver(widget, &event);
    return;
  }
  switch (msg) {
    case WM_CLOSE: {
      RedeliveryMark mark(widget, nullptr, QEvent::Close);
      widget->close();
      return;
    }
    case WM_SETTEXT: {
      RedeliveryMark mark(widget, nullptr, QEvent::WindowTitleChange);
      PutWindowText(widget, m.LParam ? *ParamPtr<const QString>(m.LParam) : QString());
      m.Result = 1;
      return;
    }
    case WM_SETFOCUS: {
      RedeliveryMark mark(widget, nullptr, QEvent::FocusIn);
      widget->setFocus();
      return;
    }
    case WM_SETREDRAW:
      widget->setUpdatesEnabled(m.WParam != 0);
      return;
    default: {
      MessageEvent event(m);
      event.Msg().Result = 0;
      Redeliver(widget, &event);
      m.Result = event.Msg().Result;
    }
  }
}

struct StandardProc {
  QWidget* widget;
  void operator()(Message& m) const { StandardDefault(widget, m); }
};

struct ResultProc {
  LRESULT result;
  void operator()(Message& m) const { m.Result = result; }
};

}  // namespace

// ---------------------------------------------------------------------------
// The chain of one widget, and the event filter that serves it.

using WindowHandlers = HandlerList<WindowProcHandler>;

class WindowChain final : public QObject {
 public:
  static WindowChain* Find(const QObject* widget) {
    const auto& chains = Chains();
    auto it = chains.constFind(widget);
    return it == chains.constEnd() ? nullptr : *it;
  }

  // The widget's chain, made on first use; nullptr once the widget is
  // being destroyed.
  static WindowChain* Ensure(QWidget* widget) {
    if (WindowChain* chain = Find(widget)) return chain->gone_ ? nullptr : chain;
    StartMessageLayer();
    auto* chain = new WindowChain(widget);
    Chains().insert(widget, chain);
    widget->installEventFilter(chain);
    // Notifications from Qt's signals, of the widget and of its controls.
    detail::WatchControl(widget);
    for (QObject* child : widget->children())
      if (child->isWidgetType() && static_cast<QWidget*>(child)->testAttribute(Qt::WA_WState_Polished))
        detail::WatchControl(static_cast<QWidget*>(child));
    return chain;
  }

  static bool Any() { return !Chains().isEmpty(); }

  bool eventFilter(QObject* watched, QEvent* event) override;

  // Runs `m` through the handlers from `node` on, then through `def`
  // (without default procedure the result stays as the handlers left it).
  void Run(WindowHandlers::NodePtr node, Message& m, const DefaultProc* def) {
    if (gone_) return;
    node = WindowHandlers::Live(std::move(node));
    if (!node) {
      if (def) (*def)(m);
      return;
    }
    node->fn(m, CallPrevious(this, node.get(), def));
  }

  void Dispatch(Message& m, const DefaultProc* def, int fromLevel = INT_MIN) {
    Run(handlers_.First(fromLevel), m, def);
  }
  template <class F>
  void DispatchWith(Message& m, F def, int fromLevel = INT_MIN) {
    DefaultProc proc(def);
    Dispatch(m, &proc, fromLevel);
  }
  // A message that only tells the handlers (its default procedure does nothing).
  void Tell(unsigned msg, WPARAM wParam = 0, LPARAM lParam = 0) {
    Message m{msg, wParam, lParam};
    Dispatch(m, nullptr);
  }

  // A message translated from `event`: its default procedure hands the
  // event on to the widget. When no handler passes the message on, the
  // event counts as handled (a close as refused). False when the widget
  // went meanwhile.
  bool Translate(QEvent* event, unsigned msg, WPARAM wParam = 0, LPARAM lParam = 0) {
    Message m{msg, wParam, lParam};
    bool delivered = false;
    DispatchWith(m, [&](Message&) {
      delivered = true;
      Redeliver(widget_, event);
    });
    if (gone_) {
      event->accept();
      return false;
    }
    if (!delivered) event->setAccepted(event->type() != QEvent::Close);
    return true;
  }

  // A mouse move Qt throws away (the widget does not track the mouse).
  void UntrackedMove(QMouseEvent* event) {
    Busy busy(this);
    if (keepTranslating_ && detail::FrameMouse(widget_, event)) return;
    if (gone_ || handlers_.Empty()) return;
    const QPoint p = event->position().toPoint() - ClientOrigin(widget_);
    Message m{WM_MOUSEMOVE, MouseKeys(event->buttons(), event->modifiers()), MAKELPARAM(p.x(), p.y())};
    Dispatch(m, nullptr);
  }

  // The widget is gone (or its window, for a popup menu): the handlers go.
  void EndHandlers() {
    handlers_.Clear();
    trackLeave_ = false;
  }
  void End() {
    gone_ = true;
    EndHandlers();
    if (paintCanvas_) paintCanvas_->EndPainting();
  }

  // Counts calls in progress; the last one out deletes a chain whose
  // widget has gone.
  class Busy {
   public:
    explicit Busy(WindowChain* chain) : chain_(chain) { ++chain_->busy_; }
    ~Busy() {
      if (--chain_->busy_ == 0 && chain_->gone_) delete chain_;
    }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;

   private:
    WindowChain* chain_;
  };

  QWidget* widget_;
  WindowHandlers handlers_;
  bool gone_ = false;
  bool trackLeave_ = false;
  const bool menu_;
  bool menuHidden_ = false;
  bool keepTranslating_ = false;
  unsigned lastSizeKind_ = SIZE_RESTORED;
  Canvas* paintCanvas_ = nullptr;
  Canvas* windowCanvas_ = nullptr;  // of WM_NCPAINT

 private:
  explicit WindowChain(QWidget* widget) : widget_(widget), menu_(qobject_cast<QMenu*>(widget)) {}
  ~WindowChain() override {
    auto& chains = Chains();
    if (chains.value(widget_) == this) chains.remove(widget_);
  }
  static QHash<const QObject*, WindowChain*>& Chains() {
    static QHash<const QObject*, WindowChain*> chains;
    return chains;
  }

  int busy_ = 0;
};

void CallPrevious::operator()(Message& message) const {
  const auto* node = static_cast<const WindowHandlers::Node*>(node_);
  chain_->Run(node->next, message, static_cast<const DefaultProc*>(default_));
}

namespace {

// ---------------------------------------------------------------------------
// The translation of Qt's events into messages: one row per event type.

TRect ToTRect(const QRect& r) { return Bounds(r.x(), r.y(), r.width(), r.height()); }

// The canvas of the paint in progress, put back when it ends (also when a
// handler throws).
class CanvasSlot {
 public:
  CanvasSlot(Canvas*& slot, Canvas* canvas) : slot_(slot), outer_(std::exchange(slot, canvas)) {}
  ~CanvasSlot() { slot_ = outer_; }
  CanvasSlot(const CanvasSlot&) = delete;
  CanvasSlot& operator=(const CanvasSlot&) = delete;

 private:
  Canvas*& slot_;
  Canvas* outer_;
};

// A framed window's client canvas starts at the client origin and keeps
// inside the client area; the band that needs paint then gets WM_NCPAINT.
bool OnPaint(WindowChain& c, QEvent* event) {
  QWidget* w = c.widget_;
  const bool framed = detail::IsFramed(w);
  const QRect client = w->contentsRect();
  const QRegion& region = static_cast<QPaintEvent*>(event)->region();
  if (!framed || region.intersects(client)) {
    Canvas canvas(w);
    if (framed) {
      canvas.IntersectClipRect(ToTRect(client));
      canvas.SetViewportOrg(client.x(), client.y());
    }
    CanvasSlot slot(c.paintCanvas_, &canvas);
    Message erase{WM_ERASEBKGND, PtrParam(&canvas)};
    c.DispatchWith(erase, ResultProc{1});  // Qt has filled the background already
    canvas.EndPainting();
    Message paint{WM_PAINT};
    c.DispatchWith(paint, [&](Message&) {
      canvas.EndPainting();  // the widget paints with a painter of its own
      Redeliver(w, event);
    });
    canvas.EndPainting();
  }
  if (c.gone_) return true;
  // A control paints its own band with the rest; handlers paint over it.
  const bool control = !framed && !c.handlers_.Empty() && detail::HasBand(w);
  const QRegion band = region - (framed ? client : detail::ClientArea(w));
  if ((!framed && !control) || band.isEmpty()) return true;
  Canvas dc(w);
  dc.SelectClipRgn(band);
  CanvasSlot slot(c.windowCanvas_, &dc);
  Message ncPaint{WM_NCPAINT, 1};
  if (framed)
    c.DispatchWith(ncPaint, StandardProc{w});
  else
    c.DispatchWith(ncPaint, ResultProc{0});
  dc.EndPainting();
  return true;
}

// A mouse event in a control's band: WM_NCHITTEST, then for any answer but
// HTCLIENT the non-client message, whose default hands the event to the
// control as it was. False when the event is the client's.
bool ControlBandMouse(WindowChain& c, QMouseEvent* mouse) {
  QWidget* w = c.widget_;
  if (w->isWindow() || c.handlers_.Empty() || !detail::HasBand(w) ||
      detail::ClientArea(w).contains(mouse->position().toPoint()))
    return false;
  const QPoint global = mouse->globalPosition().toPoint();
  const LPARAM point = MAKELPARAM(global.x(), global.y());
  Message hit{WM_NCHITTEST, 0, point};
  c.DispatchWith(hit, StandardProc{w});
  if (c.gone_) return true;
  if (hit.Result == HTCLIENT) return false;
  const unsigned msg = detail::NonClientMouseMessage(mouse);
  if (msg) c.Translate(mouse, msg, WPARAM(hit.Result), point);
  return msg != 0;
}

// A user's press in a window that is not active asks WM_MOUSEACTIVATE: by
// default (MA_ACTIVATE) the click activates the window; MA_NOACTIVATE
// leaves the active window as it is, the ...ANDEAT answers drop the press.
// True when the press is eaten.
bool MouseActivate(WindowChain& c, QMouseEvent* mouse, unsigned msg) {
  QWidget* w = c.widget_;
  QWidget* top = w->window();
  QWidget* active = QApplication::activeWindow();
  if ((msg != WM_LBUTTONDOWN && msg != WM_RBUTTONDOWN && msg != WM_MBUTTONDOWN) || top == active ||
      !mouse->spontaneous() || !top->isVisible() ||
      top->windowType() == Qt::Popup || QApplication::activePopupWidget())
    return false;
  const int hit = detail::ClientArea(w).contains(mouse->position().toPoint()) ? HTCLIENT : HTBORDER;
  Message m{WM_MOUSEACTIVATE, PtrParam(top), MAKELPARAM(hit, int(msg))};
  QPointer<QWidget> alive(top);
  c.DispatchWith(m, ResultProc{MA_ACTIVATE});
  if (!alive) return true;
  if (m.Result == MA_ACTIVATE || m.Result == MA_ACTIVATEANDEAT)
    top->activateWindow();
  else
    detail::HoldActivation(top, active);
  if (m.Result != MA_ACTIVATEANDEAT && m.Result != MA_NOACTIVATEANDEAT) return false;
  mouse->accept();
  return true;
}

bool OnMouse(WindowChain& c, QEvent* event) {
  auto* mouse = static_cast<QMouseEvent*>(event);
  const Message m = detail::MouseMessage(c.widget_, mouse);
  if (!m.Msg) return false;
  if ((!c.handlers_.Empty() || c.keepTranslating_) && MouseActivate(c, mouse, m.Msg)) return true;
  if (c.gone_) return true;
  if (c.keepTranslating_ && detail::FrameMouse(c.widget_, mouse)) return true;
  if (c.handlers_.Empty()) return false;
  if (ControlBandMouse(c, mouse)) return true;
  c.Translate(event, m.Msg, m.WParam, m.LParam);
  return true;
}

// WM_MOUSEWHEEL's default procedure performs CM_MOUSEWHEEL, whose default
// hands the wheel to the widget (Qt gives what it leaves to its parent).
bool OnWheel(WindowChain& c, QEvent* event) {
  auto* wheel = static_cast<QWheelEvent*>(event);
  const QPoint angle = wheel->angleDelta();
  const bool vertical = angle.y() != 0 || angle.x() == 0;
  const QPoint global = wheel->globalPosition().toPoint();
  const unsigned keys = MouseKeys(wheel->buttons(), wheel->modifiers());
  Message m{vertical ? WM_MOUSEWHEEL : WM_MOUSEHWHEEL, MAKEWPARAM(keys, vertical ? angle.y() : angle.x()),
            MAKELPARAM(global.x(), global.y())};
  bool delivered = false;
  c.DispatchWith(m, [&](Message& outer) {
    Message cm{CM_MOUSEWHEEL, outer.WParam, outer.LParam};
    c.DispatchWith(
        cm,
        [&](Message&) {
          delivered = true;
          Redeliver(c.widget_, event);
        },
        int(WindowProcLevel::Control));
    outer.Result = cm.Result;
  });
  if (c.gone_ || !delivered) event->accept();
  return true;
}

bool OnEnter(WindowChain& c, QEvent* event) {
  c.Translate(event, CM_MOUSEENTER, 0, LPARAM(PtrParam(c.widget_)));
  return true;
}

bool OnLeave(WindowChain& c, QEvent* event) {
  if (c.keepTranslating_) detail::FrameLeave(c.widget_);
  if (c.Translate(event, CM_MOUSELEAVE, 0, LPARAM(PtrParam(c.widget_))) && c.trackLeave_) {
    c.trackLeave_ = false;
    c.Tell(WM_MOUSELEAVE);
  }
  return true;
}

bool OnKey(WindowChain& c, QEvent* event) {
  auto* key = static_cast<QKeyEvent*>(event);
  const Message m = detail::KeyMessage(key);
  if (!c.Translate(event, m.Msg, m.WParam, m.LParam)) return true;
  const QString text = key->text();
  const bool alt = m.LParam & (1 << 29);
  if (event->type() == QEvent::KeyPress && alt && c.widget_->isWindow() && !event->isAccepted() &&
      !text.isEmpty() && text[0].isPrint()) {
    Message dialogChar{CM_DIALOGCHAR, text[0].unicode(), m.LParam};
    c.Dispatch(dialogChar, nullptr);
    if (dialogChar.Result) event->accept();
  }
  // The delivery inside offered the key to the parents already.
  event->accept();
  return true;
}

bool OnFocus(WindowChain& c, QEvent* event) {
  if (event->type() == QEvent::FocusIn)
    c.Translate(event, WM_SETFOCUS);
  else
    c.Translate(event, WM_KILLFOCUS, PtrParam(QApplication::focusWidget()));
  return true;
}

unsigned SizeKind(const QWidget* w) {
  return w->isMinimized() ? SIZE_MINIMIZED : IsZoomed(w) ? SIZE_MAXIMIZED : SIZE_RESTORED;
}

void SendSize(WindowChain& c, QEvent* event) {
  QWidget* w = c.widget_;
  c.lastSizeKind_ = SizeKind(w);
  const QRect client = w->contentsRect();
  c.Translate(event, WM_SIZE, c.lastSizeKind_, MAKELPARAM(client.width(), client.height()));
}

bool OnResize(WindowChain& c, QEvent* event) {
  // New margins send a resize of their own, which told the new client size.
  if (detail::IsFramed(c.widget_) && detail::FrameCalcSize(c.widget_)) return true;
  QPointer<QWidget> alive(c.widget_);
  SendSize(c, event);
  if (alive && !c.gone_) detail::ControlCalcSize(alive);
  if (alive && !c.gone_) detail::PositionChangedOutside(alive, false, true);
  return true;
}

// Minimizing and restoring from the minimized state resize nothing.
bool OnStateChange(WindowChain& c, QEvent* event) {
  if (SizeKind(c.widget_) != c.lastSizeKind_) SendSize(c, event);
  return true;
}

bool OnMove(WindowChain& c, QEvent* event) {
  QWidget* w = c.widget_;
  // The client area's position: on the screen for a window, in the
  // parent's client area for a control.
  const QPoint p = w->isWindow() ? w->mapToGlobal(ClientOrigin(w))
                                 : w->pos() + ClientOrigin(w) - ClientOrigin(w->parentWidget());
  QPointer<QWidget> alive(w);
  c.Translate(event, WM_MOVE, 0, MAKELPARAM(p.x(), p.y()));
  if (alive && !c.gone_) detail::PositionChangedOutside(w, true, false);
  return true;
}

bool OnEnabledChange(WindowChain& c, QEvent* event) {
  if (c.Translate(event, WM_ENABLE, c.widget_->isEnabled())) c.Tell(CM_ENABLEDCHANGED);
  return true;
}

bool OnShowOrHide(WindowChain& c, QEvent* event) {
  const bool shown = event->type() == QEvent::Show;
  if (!shown) detail::EndFrameDrag(c.widget_);
  if (c.menu_) c.menuHidden_ = !shown;
  if (c.handlers_.Empty()) return false;
  if (c.menu_ && !shown) {
    // A popup menu's window goes with each hide.
    if (c.Translate(event, WM_DESTROY)) c.Tell(WM_NCDESTROY);
    c.EndHandlers();
  } else if (event->spontaneous()) {
    return false;  // the window system's (minimizing): nothing changed for the program
  } else if (c.Translate(event, WM_SHOWWINDOW, shown)) {
    QPointer<QWidget> alive(c.widget_);
    c.Tell(CM_SHOWINGCHANGED);
    if (!shown && alive && !c.gone_) detail::HiddenOutside(alive);
  }
  return true;
}

// Shown or hidden by the program (Showing may stay as it was).
bool OnVisibleChange(WindowChain& c, QEvent* event) {
  c.Translate(event, CM_VISIBLECHANGED, event->type() == QEvent::ShowToParent);
  return true;
}

// A child control came (once Qt has polished it, so that it is complete)
// or went to another parent; a destroyed one is told from its Destroy
// event (NotifyChildDestroyed).
void NotifyChild(WindowChain& c, QWidget* child, bool added) {
  const auto id = WPARAM(GetWindowLong(child, GWL_ID));
  if (added) detail::WatchControl(child);
  c.Tell(WM_PARENTNOTIFY, MAKEWPARAM(int(added ? WM_CREATE : WM_DESTROY), int(id)), LPARAM(PtrParam(child)));
  if (!c.gone_) c.Tell(CM_CONTROLLISTCHANGE, PtrParam(child), added);
}

bool OnChild(WindowChain& c, QEvent* event) {
  QObject* child = static_cast<QChildEvent*>(event)->child();
  if (!child->isWidgetType() || child->property("_win_destroying").toBool()) return false;
  auto* w = static_cast<QWidget*>(child);
  if (w->isWindow()) return false;
  const int type = event->type();
  if (type == QEvent::ChildPolished || w->testAttribute(Qt::WA_WState_Polished))
    NotifyChild(c, w, type != QEvent::ChildRemoved);
  return false;  // Qt's own handling (layouts) follows in any case
}

bool OnContextMenu(WindowChain& c, QEvent* event) {
  auto* menu = static_cast<QContextMenuEvent*>(event);
  const QPoint p = menu->globalPos();
  c.Translate(event, WM_CONTEXTMENU, PtrParam(c.widget_),
              menu->reason() == QContextMenuEvent::Keyboard ? LPARAM(-1) : MAKELPARAM(p.x(), p.y()));
  return true;
}

// Qt events with one message each; some only for windows, as Windows
// tells top-level windows alone of changes to the whole system.
struct SimpleTranslation {
  int type;
  unsigned msg;
  bool windowsOnly;
};
constexpr SimpleTranslation kSimple[] = {
    {QEvent::PaletteChange, CM_COLORCHANGED, false},
    {QEvent::FontChange, CM_FONTCHANGED, false},
    {QEvent::ApplicationFontChange, WM_FONTCHANGE, true},
    {QEvent::ThemeChange, WM_SETTINGCHANGE, true},
    {QEvent::ApplicationPaletteChange, WM_SYSCOLORCHANGE, true},
};

bool OnSimple(WindowChain& c, QEvent* event) {
  for (const SimpleTranslation& t : kSimple) {
    if (t.type != event->type()) continue;
    if (t.windowsOnly && !c.widget_->isWindow()) return false;
    c.Translate(event, t.msg);
    return true;
  }
  return false;
}

bool OnIconChange(WindowChain& c, QEvent* event) {
  if (!c.widget_->isWindow()) return false;
  c.Translate(event, WM_SETICON, ICON_BIG, LPARAM(PtrParam(detail::WindowIcon(c.widget_))));
  return true;
}

bool OnDirectionChange(WindowChain& c, QEvent*) {
  detail::DirectionChanged(c.widget_);
  return false;
}

bool OnTitleChange(WindowChain& c, QEvent* event) {
  const QString title = c.widget_->windowTitle();
  if (c.Translate(event, WM_SETTEXT, 0, LPARAM(PtrParam(&title)))) c.Tell(CM_TEXTCHANGED);
  return true;
}

bool OnActivation(WindowChain& c, QEvent* event) {
  const bool active = event->type() == QEvent::WindowActivate;
  if (!active) detail::EndFrameDrag(c.widget_);
  Message nc{WM_NCACTIVATE, active};
  c.DispatchWith(nc, StandardProc{c.widget_});
  if (c.Translate(event, WM_ACTIVATE, active ? WA_ACTIVE : WA_INACTIVE))
    c.Tell(active ? CM_ACTIVATE : CM_DEACTIVATE);
  return true;
}

bool OnClose(WindowChain& c, QEvent* event) {
  c.Translate(event, WM_CLOSE);
  return true;
}

bool OnDestroy(WindowChain& c, QEvent* event) {
  if (!(c.menu_ && c.menuHidden_) && c.Translate(event, WM_DESTROY)) c.Tell(WM_NCDESTROY);
  c.End();
  return true;
}

// Messages carried by MessageEvent (posted ones, private ones sent as Qt
// events), and plain Qt events of a private message's type.
bool OnMessage(WindowChain& c, QEvent* event) {
  if (auto* carried = dynamic_cast<MessageEvent*>(event)) {
    if (carried->Msg().Msg == WM_NCPAINT && !c.windowCanvas_)
      RedrawNonClient(c.widget_);  // painted in a paint event only
    else if (carried->Msg().Msg == WM_PAINT && !carried->Msg().WParam)
      c.widget_->update();
    else
      c.DispatchWith(carried->Msg(), StandardProc{c.widget_});
  }
  else  // a plain event of a private type: the message without parameters
    c.Translate(event, unsigned(event->type()));
  return true;
}

struct Translation {
  int type;
  bool (*translate)(WindowChain&, QEvent*);
  bool withoutHandlers;  // also for a chain without handlers
};
constexpr Translation kTranslations[] = {
    {QEvent::Paint, OnPaint, false},
    {QEvent::MouseButtonPress, OnMouse, false},
    {QEvent::MouseButtonRelease, OnMouse, false},
    {QEvent::MouseButtonDblClick, OnMouse, false},
    {QEvent::MouseMove, OnMouse, false},
    {QEvent::Wheel, OnWheel, false},
    {QEvent::Enter, OnEnter, false},
    {QEvent::Leave, OnLeave, false},
    {QEvent::KeyPress, OnKey, false},
    {QEvent::KeyRelease, OnKey, false},
    {QEvent::FocusIn, OnFocus, false},
    {QEvent::FocusOut, OnFocus, false},
    {QEvent::Resize, OnResize, false},
    {QEvent::WindowStateChange, OnStateChange, false},
    {QEvent::Move, OnMove, false},
    {QEvent::EnabledChange, OnEnabledChange, false},
    {QEvent::Show, OnShowOrHide, true},
    {QEvent::Hide, OnShowOrHide, true},
    {QEvent::ShowToParent, OnVisibleChange, false},
    {QEvent::HideToParent, OnVisibleChange, false},
    {QEvent::ChildAdded, OnChild, false},
    {QEvent::ChildPolished, OnChild, false},
    {QEvent::ChildRemoved, OnChild, false},
    {QEvent::ContextMenu, OnContextMenu, false},
    {QEvent::PaletteChange, OnSimple, false},
    {QEvent::FontChange, OnSimple, false},
    {QEvent::ApplicationFontChange, OnSimple, false},
    {QEvent::ThemeChange, OnSimple, false},
    {QEvent::ApplicationPaletteChange, OnSimple, false},
    {QEvent::WindowIconChange, OnIconChange, false},
    {QEvent::LayoutDirectionChange, OnDirectionChange, false},
    {QEvent::WindowTitleChange, OnTitleChange, false},
    {QEvent::WindowActivate, OnActivation, false},
    {QEvent::WindowDeactivate, OnActivation, false},
    {QEvent::Close, OnClose, false},
    {QEvent::Destroy, OnDestroy, true},
};

constexpr int kTableSize = 256;
const std::array<const Translation*, kTableSize>& TranslationTable() {
  static const auto table = [] {
    std::array<const Translation*, kTableSize> t{};
    for (const Translation& row : kTranslations) t[size_t(row.type)] = &row;
    return t;
  }();
  return table;
}

const Translation kMessageRow{0, OnMessage, false};
const Translation kCarrierRow{0, OnMessage, true};

const Translation* TranslationFor(int type) {
  if (type < kTableSize) return TranslationTable()[size_t(type)];
  if (type == CarrierType()) return &kCarrierRow;
  return IsReservedMessageNumber(unsigned(type)) ? &kMessageRow : nullptr;
}

// ---------------------------------------------------------------------------
// The layer's application filter: mouse moves Qt throws away before any
// widget filter sees them (the widget does not track the mouse), and
// messages posted to widgets without chain.

bool IsInputEvent(int type) {
  return IsMouseEvent(type) || type == QEvent::KeyPress || type == QEvent::KeyRelease;
}

// A widget's Destroy event (its children are gone, it is not yet): it
// counts as being destroyed from now on, and its parent's chain hears of
// it first, unless the parent is itself deleting its children.
void WidgetDestroyed(QWidget* w) {
  detail::MarkDestroying(w);
  QWidget* parent = w->isWindow() ? nullptr : w->parentWidget();
  WindowChain* chain = parent ? WindowChain::Find(parent) : nullptr;
  if (!chain || chain->gone_ || chain->handlers_.Empty() || !w->testAttribute(Qt::WA_WState_Polished) ||
      !parent->children().contains(w))
    return;
  WindowChain::Busy busy(chain);
  NotifyChild(*chain, w, false);
}

// Alt+Space where it starts (the focus widget, or a window with no focus
// inside) in a framed top-level window: WM_SYSKEYDOWN VK_SPACE goes to the
// window's handlers, and unless one takes it its default sends
// WM_SYSCOMMAND SC_KEYMENU ' ' to the window. No control sees the key (a
// button would press, an edit would take the space). Under a window
// manager's own title bar Alt+Space is the manager's.
bool SystemMenuKey(QObject* receiver, QKeyEvent* e) {
  constexpr auto kMods = Qt::AltModifier | Qt::ControlModifier | Qt::MetaModifier;
  if (e->key() != Qt::Key_Space || (e->modifiers() & kMods) != Qt::AltModifier) return false;
  auto* widget = qobject_cast<QWidget*>(receiver);
  if (!widget) return false;
  QWidget* focus = QApplication::focusWidget();
  if (widget != focus && !(widget->isWindow() && (!focus || focus->window() != widget))) return false;
  QPointer<QWidget> window = widget->window();
  if (!detail::IsFramed(window) || window->windowType() == Qt::Popup) return false;
  e->accept();
  const Message key = detail::KeyMessage(e);
  bool passed = true;
  if (WindowChain* chain = WindowChain::Find(window); chain && !chain->gone_) {
    WindowChain::Busy busy(chain);
    Message m = key;
    passed = false;
    chain->DispatchWith(m, [&](Message&) { passed = true; });
  }
  if (passed && window && !IsDestroying(window)) SendMessage(window, WM_SYSCOMMAND, SC_KEYMENU, ' ');
  return true;
}

class LayerFilter final : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    const int type = event->type();
    if (type == QEvent::KeyPress || type == QEvent::ShortcutOverride)
      detail::MenuLineKeyDown(static_cast<QKeyEvent*>(event));
    if (type == QEvent::WindowBlocked || type == QEvent::WindowUnblocked)
      if (auto* window = qobject_cast<QWindow*>(watched))
        detail::MenuLineWindowBlocked(window, type == QEvent::WindowBlocked);
    if (detail::MoveSizeKey(event)) return true;
    if (IsInputEvent(type) && !IsRedelivery(watched, event)) {
      if (QApplication::activePopupWidget() && detail::FilterMenuEvent(watched, event)) return true;
      if (detail::MenuLineEvent(watched, event)) return true;
      if (type == QEvent::KeyPress && SystemMenuKey(watched, static_cast<QKeyEvent*>(event))) return true;
      if (type != QEvent::MouseMove && type != QEvent::KeyRelease)
        if (auto* bar = qobject_cast<QScrollBar*>(watched)) detail::WatchScrollBar(bar);
    }
    if (type == QEvent::Polish)
      if (auto* area = qobject_cast<QMdiArea*>(watched)) detail::WatchMdiArea(area);
    if (type == QEvent::MouseMove) {
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (!WindowChain::Any() || mouse->buttons() != Qt::NoButton || !watched->isWidgetType() ||
          static_cast<QWidget*>(watched)->hasMouseTracking())
        return false;
      WindowChain* chain = WindowChain::Find(watched);
      if (chain && !chain->gone_ && (!chain->handlers_.Empty() || chain->keepTranslating_))
        chain->UntrackedMove(mouse);
      return false;
    }
    if (detail::CaptureHeld()) detail::CaptureEvent(watched, event);
    if (type == QEvent::Destroy && watched->isWidgetType()) {
      WidgetDestroyed(static_cast<QWidget*>(watched));
      return false;
    }
    if (type != carrier_ || !watched->isWidgetType() || WindowChain::Find(watched) ||
        IsRedelivery(watched, event))
      return false;
    StandardDefault(static_cast<QWidget*>(watched), static_cast<MessageEvent*>(event)->Msg());
    return true;
  }

 private:
  const int carrier_ = CarrierType();
};

QPointer<LayerFilter>& TheLayerFilter() {
  static QPointer<LayerFilter> filter;
  return filter;
}

const bool g_unitRegistered = RegisterUnit("WindowMessages", StartMessageLayer);

}  // namespace

// A handler's exception stops at Qt's dispatch: the event takes its default
// (Qt hands it to the widget unless a default procedure did so already).
bool WindowChain::eventFilter(QObject* watched, QEvent* event) {
  if (watched != widget_ || gone_ || IsRedelivery(watched, event)) return false;
  const Translation* row = TranslationFor(event->type());
  if (!row || (handlers_.Empty() && !row->withoutHandlers && !keepTranslating_)) return false;
  Busy busy(this);
  DeliveryWatch watch{event, false, g_watch};
  g_watch = &watch;
  struct Unwatch {
    DeliveryWatch& w;
    ~Unwatch() { g_watch = w.outer; }
  } unwatch{watch};
  try {
    return row->translate(*this, event);
  } catch (...) {
    detail::ReportHandlerException();
    if (gone_) event->accept();
    return gone_ || watch.delivered;
  }
}

// ---------------------------------------------------------------------------

namespace detail {

bool HasChain(const QWidget* widget) {
  const WindowChain* chain = WindowChain::Find(widget);
  return chain && !chain->gone_;
}

void ReportHandlerException() {
  // The exception's own text, but for memory that ran out, whose text is
  // the library's: the log keeps that.
  QString text;
  try {
    throw;
  } catch (const std::bad_alloc& e) {
    qWarning("a handler ran out of memory: %s", e.what());
    text = QStringLiteral("内存不足");
  } catch (const std::exception& e) {
    text = QString::fromUtf8(e.what());
  } catch (...) {
    text = QStringLiteral("未知错误");
  }
  auto* app = QCoreApplication::instance();
  if (!app) return;
  QMetaObject::invokeMethod(
      app,
      [text] {
        Prompts().MessageBox(nullptr, text, ApplicationTitle(), MB_OK | MB_ICONERROR);
      },
      Qt::QueuedConnection);
}

void MarkDestroying(QWidget* widget) { widget->setProperty("_win_destroying", true); }

void PrintNonClient(QWidget* window, Canvas& canvas) {
  WindowChain* chain = WindowChain::Find(window);
  if (!chain || chain->gone_) return;
  WindowChain::Busy busy(chain);
  CanvasSlot slot(chain->windowCanvas_, &canvas);
  Message m{WM_NCPAINT, 1};
  chain->DispatchWith(m, StandardProc{window});
}

}  // namespace detail

bool IsRedelivery(const QObject* receiver, const QEvent* event) {
  for (const detail::Redelivery* m = detail::g_redelivery; m; m = m->outer)
    if (m->receiver == receiver && (m->event ? m->event == event : m->type == event->type())) return true;
  return false;
}

void StartMessageLayer() {
  ReserveProgramMessageNumbers();
  auto* app = QCoreApplication::instance();
  QPointer<LayerFilter>& filter = TheLayerFilter();
  if (filter || !app || QThread::currentThread() != app->thread()) return;
  filter = new LayerFilter;
  filter->setParent(app);
  app->installEventFilter(filter);
}

bool WindowProcHandle::Installed() const {
  auto node = WindowHandlers::Lock(node_);
  return node && !node->removed;
}

WindowProcHandle InstallWindowProc(QWidget* widget, WindowProcHandler handler, WindowProcLevel level) {
  WindowProcHandle handle;
  if (!widget || !handler) return handle;
  if (WindowChain* chain = WindowChain::Ensure(widget))
    handle.node_ = chain->handlers_.Add(std::move(handler), int(level));
  return handle;
}

bool RemoveWindowProc(WindowProcHandle& handle) {
  const auto node = WindowHandlers::Lock(handle.node_);
  if (!WindowHandlers::Remove(handle.node_)) return false;
  // A band the handler may have widened: the chain answers again without it.
  for (QWidget* control : detail::WidenedControls()) {
    const WindowChain* chain = WindowChain::Find(control);
    if (chain && !chain->gone_ && &chain->handlers_ == node->owner) {
      detail::ControlCalcSize(control);
      break;
    }
  }
  return true;
}

namespace {

LRESULT Dispatch(QWidget* widget, unsigned msg, WPARAM wParam, LPARAM lParam, WindowProcLevel from) {
  if (!widget) return 0;
  StartMessageLayer();
  Message m{msg, wParam, lParam};
  WindowChain* chain = WindowChain::Find(widget);
  if (!chain) {
    StandardDefault(widget, m);
    return m.Result;
  }
  if (chain->gone_) return 0;
  if (msg == WM_NCPAINT && !chain->windowCanvas_) {
    RedrawNonClient(widget);  // painted in a paint event only
    return 0;
  }
  if (msg == WM_PAINT && !wParam) {
    widget->repaint();  // the chain sees the paint event's WM_PAINT
    return 0;
  }
  WindowChain::Busy busy(chain);
  chain->DispatchWith(m, StandardProc{widget}, int(from));
  return m.Result;
}

}  // namespace

LRESULT SendMessage(QWidget* widget, unsigned msg, WPARAM wParam, LPARAM lParam) {
  return Dispatch(widget, msg, wParam, lParam, WindowProcLevel::Window);
}

LRESULT Perform(QWidget* widget, unsigned msg, WPARAM wParam, LPARAM lParam) {
  return Dispatch(widget, msg, wParam, lParam, WindowProcLevel::Control);
}

bool PostMessage(QWidget* widget, unsigned msg, WPARAM wParam, LPARAM lParam) {
  if (!widget) return false;
  auto* app = QCoreApplication::instance();
  if (app && QThread::currentThread() == app->thread()) {
    StartMessageLayer();
    if (WindowChain* chain = WindowChain::Find(widget); chain && chain->gone_) return false;
  }
  QCoreApplication::postEvent(widget, new MessageEvent(Message{msg, wParam, lParam, 0}));
  return true;
}

bool TrackMouseEvent(QWidget* widget, unsigned flags) {
  if (!widget || !(flags & TME_LEAVE)) return false;
  WindowChain* chain = WindowChain::Ensure(widget);
  if (!chain) return false;
  if (flags & TME_CANCEL) {
    chain->trackLeave_ = false;
  } else if (widget->underMouse()) {
    chain->trackLeave_ = true;
  } else {
    chain->trackLeave_ = false;
    PostMessage(widget, WM_MOUSELEAVE);
  }
  return true;
}

Canvas* BeginPaint(QWidget* widget) {
  WindowChain* chain = widget ? WindowChain::Find(widget) : nullptr;
  return chain ? chain->paintCanvas_ : nullptr;
}

void EndPaint(QWidget* widget) {
  if (Canvas* canvas = BeginPaint(widget)) canvas->EndPainting();
}

Canvas* GetWindowDC(QWidget* window) {
  WindowChain* chain = window ? WindowChain::Find(window) : nullptr;
  return chain ? chain->windowCanvas_ : nullptr;
}

namespace detail {

void KeepTranslating(QWidget* widget, bool on) {
  if (WindowChain* chain = on ? WindowChain::Ensure(widget) : WindowChain::Find(widget))
    chain->keepTranslating_ = on;
}

bool TellHandlers(QWidget* widget, Message& m) {
  WindowChain* chain = widget ? WindowChain::Find(widget) : nullptr;
  if (!chain || chain->gone_) return false;
  WindowChain::Busy busy(chain);
  chain->Dispatch(m, nullptr);
  return true;
}

}  // namespace detail

}  // namespace platform
