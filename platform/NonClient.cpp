#include "platform/NonClient.h"

#include "platform/Mdi.h"
#include "platform/MenuLine.h"
#include "platform/Menus.h"
#include "platform/WindowPos.h"
#include "platform/WindowProc.h"
#include "platform/WindowProcInternal.h"
#include "platform/WindowTable.h"
#include "platform/WindowUtils.h"

#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QCursor>
#include <QFrame>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStyle>
#include <QStyleOption>
#include <QGuiApplication>
#include <QHash>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QResizeEvent>
#include <QScreen>
#include <QPointer>
#include <QScrollBar>
#include <QSizeGrip>
#include <QStyleHints>
#include <QWidget>
#include <QWhatsThis>
#include <QWindow>

#include <algorithm>
#include <memory>
#include <vector>

namespace platform {

namespace {

// What the frame keeps of a window.
struct Frame {
  Qt::WindowFlags flags;  // before the frame went on
  QMargins margins;
  QMargins decoration;  // what the window system drew around the window then
  QSize framedSize;      // the window rectangle's size when the frame went on
  QMetaObject::Connection destroyed;
  bool inBand = false;  // the mouse is over the band
  bool ownCursor = false;
  QCursor cursor;           // the window's own, while the band's is shown
  QPointer<QWidget> shows;  // the widget showing the band the mouse is over
};

QHash<const QWidget*, std::shared_ptr<Frame>>& Frames() {
  static QHash<const QWidget*, std::shared_ptr<Frame>> frames;
  return frames;
}

std::shared_ptr<Frame> FindFrame(const QWidget* w) { return Frames().value(w); }

// The one move or resize at a time.
struct ManualDrag {
  QPointer<QWidget> window;
  unsigned command = 0;     // SC_MOVE or SC_SIZE
  unsigned edge = 0;        // WMSZ_
  bool endOnPress = false;  // from a menu: the next click ends it, and it has the keyboard
  bool pending = false;     // pressed, not yet dragged past the drag distance
  bool viaManager = false;  // once dragged, the window manager's move or resize takes over
  bool system = false;      // the window manager's: it ends with the next event without buttons
  bool edgeByKey = false;   // a size whose edge an arrow key picked
  QPoint start;             // the pointer ...
  QRect startRect;          // ... and the window rectangle the drag follows from
  QPoint last;              // the pointer's last place
  QRect origin;             // the window rectangle before the drag
  QPointer<QWidget> grabber;  // the widget holding the mouse for a manual one
};
ManualDrag g_drag;

// A press turns into a move or a resize once the pointer has gone this far.
bool Dragged(QPoint global) {
  return (global - g_drag.start).manhattanLength() >= QGuiApplication::styleHints()->startDragDistance();
}

QRect WindowRect(const QWidget* w) { return w->isWindow() ? detail::WindowScreenRect(w) : w->geometry(); }

// The form of an MDI child that has our frame: the widget in a
// QMdiSubWindow, which moves and sizes with its sub-window.
QMdiSubWindow* FramedSub(const QWidget* w) {
  QMdiSubWindow* sub = w->isWindow() ? nullptr : MdiSubWindowOf(w);
  return sub && sub != w && detail::IsFramed(w) ? sub : nullptr;
}

// The sub-window of a framed MDI child that is minimized: the form is
// hidden, the sub-window shows its band alone.
QMdiSubWindow* IconicSub(const QWidget* w) {
  QMdiSubWindow* sub = FramedSub(w);
  return sub && sub->isMinimized() ? sub : nullptr;
}

// What a move or size of the window moves: an MDI child's sub-window.
QWidget* MovedWidget(QWidget* w) {
  if (QMdiSubWindow* sub = FramedSub(w)) return sub;
  return w;
}

QPoint LParamPoint(LPARAM lp) { return {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)}; }

// The classic frame of the window's style.
QMargins ClassicFrame(const QWidget* w) {
  const auto style = std::uint32_t(GetWindowLong(w, GWL_STYLE));
  const int border = style & WS_THICKFRAME ? GetSystemMetrics(SM_CXFRAME)
                     : style & WS_DLGFRAME ? GetSystemMetrics(SM_CXDLGFRAME)
                     : style & WS_BORDER   ? GetSystemMetrics(SM_CXBORDER)
                                           : 0;
  const int caption = (style & WS_CAPTION) == WS_CAPTION ? GetSystemMetrics(SM_CYCAPTION) : 0;
  return {border, border + caption, border, border};
}

void CalcSizeDefault(QWidget* w, Message& m) {
  // A maximized MDI child has no band: its caption is the main form's.
  const QMdiSubWindow* sub = FramedSub(w);
  const QMargins f = sub && sub->isMaximized()  ? QMargins()
                     : w->isWindow() || sub ? ClassicFrame(w)
                                             : detail::DefaultBand(w);
  TRect& r = m.WParam ? ParamPtr<NCCALCSIZE_PARAMS>(std::uintptr_t(m.LParam))->rgrc[0]
                      : *ParamPtr<TRect>(std::uintptr_t(m.LParam));
  r = {r.Left + f.left(), r.Top + f.top(), std::max(r.Left + f.left(), r.Right - f.right()),
       std::max(r.Top + f.top(), r.Bottom - f.bottom())};
  if (w->isWindow()) r.Top = std::min(r.Bottom, r.Top + detail::MenuLineHeight(w, r.Right - r.Left));
  m.Result = 0;
}

int HitTestDefault(QWidget* w, QPoint global) {
  // An iconic child is all caption.
  if (const QMdiSubWindow* sub = IconicSub(w))
    return sub->rect().contains(sub->mapFromGlobal(global)) ? HTCAPTION : HTNOWHERE;
  const QPoint p = w->mapFromGlobal(global);
  if (!w->rect().contains(p)) return HTNOWHERE;
  if (detail::ClientArea(w).contains(p)) return HTCLIENT;
  const QMdiSubWindow* sub = FramedSub(w);
  if (!w->isWindow() && !sub) return HTBORDER;  // a control's frame
  if (!sub && detail::MenuLineHit(w, global) == HTMENU) return HTMENU;
  const auto style = std::uint32_t(GetWindowLong(w, GWL_STYLE));
  const QWidget* moved = sub ? static_cast<const QWidget*>(sub) : w;
  if (!(style & WS_THICKFRAME) || IsZoomed(w) || moved->isMaximized() || moved->isMinimized()) return HTCAPTION;
  const int f = GetSystemMetrics(SM_CXFRAME);
  const bool left = p.x() < f, right = p.x() >= w->width() - f;
  if (p.y() < f) return left ? HTTOPLEFT : right ? HTTOPRIGHT : HTTOP;
  if (p.y() >= w->height() - f) return left ? HTBOTTOMLEFT : right ? HTBOTTOMRIGHT : HTBOTTOM;
  return left ? HTLEFT : right ? HTRIGHT : HTCAPTION;
}

void PaintClassicFrame(QWidget* w, Canvas& dc) {
  TRect r = Rect(0, 0, w->width(), w->height());
  dc.Brush = {clBtnFace, bsSolid};
  dc.FillRect(r);
  dc.DrawEdge(r, EDGE_RAISED, BF_RECT);
  const QMargins m = w->contentsMargins();
  PaintMenuLine(w, dc);
  const int top = m.top() - GetMenuLineRect(w).Height();
  if (top <= m.left()) return;
  const bool active = w->isActiveWindow();
  TRect caption = Rect(m.left(), m.left(), w->width() - m.right(), top);
  dc.Brush.Color = active ? clActiveCaption : clInactiveCaption;
  dc.FillRect(caption);
  dc.Font = GetNonClientMetrics().lfCaptionFont;
  dc.Font.Color = active ? clCaptionText : clInactiveCaptionText;
  dc.SetBkMode(TRANSPARENT);
  caption.Left += 4;
  dc.DrawText(w->windowTitle(), caption, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
}

Qt::CursorShape CursorOf(int hit) {
  switch (hit) {
    case HTLEFT: case HTRIGHT: return Qt::SizeHorCursor;
    case HTTOP: case HTBOTTOM: return Qt::SizeVerCursor;
    case HTTOPLEFT: case HTBOTTOMRIGHT: return Qt::SizeFDiagCursor;
    case HTTOPRIGHT: case HTBOTTOMLEFT: return Qt::SizeBDiagCursor;
    default: return Qt::ArrowCursor;
  }
}

// WM_SETCURSOR's default gives the band the cursor of the hit code; a
// handler that answers it without passing it on keeps its own.
void EnterBand(QWidget* w, Frame& f, int hit, const QMouseEvent* e) {
  QWidget* shows = NonClientWidget(w);
  if (f.inBand && f.shows != shows) {
    // An MDI child minimized or restored under the mouse.
    if (f.shows) f.ownCursor ? f.shows->setCursor(f.cursor) : f.shows->unsetCursor();
    f.inBand = false;
  }
  if (!f.inBand) {
    f.inBand = true;
    f.shows = shows;
    f.ownCursor = shows->testAttribute(Qt::WA_SetCursor);
    f.cursor = shows->cursor();
  }
  SendMessage(w, WM_SETCURSOR, PtrParam(w), MAKELPARAM(hit, int(detail::MouseMessage(w, e).Msg)));
}

void LeaveBand(QWidget* w, Frame& f) {
  if (!f.inBand) return;
  f.inBand = false;
  if (QWidget* shows = f.shows) {
    if (f.ownCursor)
      shows->setCursor(f.cursor);
    else
      shows->unsetCursor();
  }
  SendMessage(w, WM_NCMOUSELEAVE);
}


// ---------------------------------------------------------------------------
// Moving and sizing.

Qt::Edges EdgesOf(unsigned edge) {
  Qt::Edges edges;
  if (edge == WMSZ_LEFT || edge == WMSZ_TOPLEFT || edge == WMSZ_BOTTOMLEFT) edges |= Qt::LeftEdge;
  if (edge == WMSZ_RIGHT || edge == WMSZ_TOPRIGHT || edge == WMSZ_BOTTOMRIGHT) edges |= Qt::RightEdge;
  if (edge == WMSZ_TOP || edge == WMSZ_TOPLEFT || edge == WMSZ_TOPRIGHT) edges |= Qt::TopEdge;
  if (edge == WMSZ_BOTTOM || edge == WMSZ_BOTTOMLEFT || edge == WMSZ_BOTTOMRIGHT) edges |= Qt::BottomEdge;
  return edges;
}

unsigned EdgeOf(Qt::Edges edges) {
  for (unsigned edge = WMSZ_LEFT; edge <= WMSZ_BOTTOMRIGHT; ++edge)
    if (EdgesOf(edge) == edges) return edge;
  return WMSZ_BOTTOMRIGHT;
}

void EndDrag() {
  QPointer<QWidget> w = std::exchange(g_drag.window, nullptr);
  if (!w) return;
  if (QWidget* grabber = g_drag.grabber; grabber && QWidget::mouseGrabber() == grabber) grabber->releaseMouse();
  detail::KeepTranslating(w, detail::IsFramed(w));
  SendMessage(w, WM_EXITSIZEMOVE);
}

void PlaceMoved(QWidget* moved, const QRect& r) {
  SetWindowPos(moved, nullptr, r.x(), r.y(), r.width(), r.height(), SWP_NOZORDER | SWP_NOACTIVATE);
}

// The window rectangle follows the pointer's whole offset from the start;
// a size stays within the screen's work area (an MDI child's within its
// area), the window's minimum and maximum, and never below its band.
void DragTo(QWidget* w, QPoint global) {
  QPoint d = global - g_drag.start;
  const QRect start = g_drag.startRect;
  QRect r = start;
  QWidget* moved = MovedWidget(w);
  if (g_drag.command == SC_MOVE) {
    r.moveTopLeft(start.topLeft() + d);
    // An MDI child stays in its area with its caption in reach.
    if (moved != w && moved->parentWidget()) {
      const QSize area = moved->parentWidget()->size();
      const int reach = std::min(r.width(), 40);
      r.moveTo(std::clamp(r.x(), reach - r.width(), std::max(reach - r.width(), area.width() - reach)),
               std::clamp(r.y(), 0, std::max(0, area.height() - reach / 2)));
    }
  } else {
    const QSize decoration = WindowRect(moved).size() - w->size();
    const QMargins m = w->contentsMargins();
    const QSize least = w->minimumSize().expandedTo(QSize(m.left() + m.right(), m.top() + m.bottom())) + decoration;
    const QSize most = w->maximumSize() + decoration;
    const Qt::Edges edges = EdgesOf(g_drag.edge);
    // An edge goes no further out than the area (one out already stays).
    const QRect area = moved->isWindow() || !moved->parentWidget() ? moved->screen()->availableGeometry()
                                                                    : moved->parentWidget()->rect();
    if (edges & Qt::LeftEdge) d.setX(std::max(d.x(), std::min(0, area.left() - start.left())));
    if (edges & Qt::RightEdge) d.setX(std::min(d.x(), std::max(0, area.right() - start.right())));
    if (edges & Qt::TopEdge) d.setY(std::max(d.y(), std::min(0, area.top() - start.top())));
    if (edges & Qt::BottomEdge) d.setY(std::min(d.y(), std::max(0, area.bottom() - start.bottom())));
    auto width = [&](int dx) { return std::clamp(start.width() + dx, least.width(), most.width()); };
    auto height = [&](int dy) { return std::clamp(start.height() + dy, least.height(), most.height()); };
    if (edges & Qt::LeftEdge) r.setLeft(start.right() + 1 - width(-d.x()));
    if (edges & Qt::RightEdge) r.setWidth(width(d.x()));
    if (edges & Qt::TopEdge) r.setTop(start.bottom() + 1 - height(-d.y()));
    if (edges & Qt::BottomEdge) r.setHeight(height(d.y()));
  }
  PlaceMoved(moved, r);
}

// The press has been dragged to `global`: the window manager moves or
// sizes the window from here, by the pointer's whole offset from the press
// (an X window manager takes the press point; another one goes on from
// where the window has followed the pointer to), or, where none answers,
// the window goes on following the mouse.
void HandToManager(QWidget* w, QPoint global) {
  QWidget* grabber = std::exchange(g_drag.grabber, nullptr);
  if (grabber && QWidget::mouseGrabber() == grabber) grabber->releaseMouse();
  const unsigned edge = g_drag.command == SC_MOVE ? 0 : g_drag.edge;
  g_drag.system = detail::StartManagerMoveSize(w, g_drag.start, edge);
  if (g_drag.system) return;
  DragTo(w, global);
  QWindow* handle = w->windowHandle();
  g_drag.system = handle && (edge ? handle->startSystemResize(EdgesOf(edge)) : handle->startSystemMove());
  if (g_drag.system || !grabber) return;
  g_drag.grabber = grabber;
  grabber->grabMouse();
}

// SC_MOVE and SC_SIZE: with a mouse form (HTCAPTION or an edge in the low
// bits) from the point in `lp` until the button goes up; the window stays
// until the pointer has gone the drag distance, so a click and a double
// click stay with the window. Then the window manager's move or resize
// takes over, or, where none answers, the window follows the mouse. From a
// menu the window follows the mouse from where the pointer is until the
// next click, and the keyboard moves or sizes it (MoveSizeKey).
// Either way WM_ENTERSIZEMOVE comes first and WM_EXITSIZEMOVE when it ends.
void StartMoveSize(QWidget* w, unsigned command, unsigned low, LPARAM lp) {
  QWidget* moved = MovedWidget(w);
  // An iconic child moves, and sizes not.
  if (IsZoomed(w) || moved->isMaximized() || (moved->isMinimized() && !(moved != w && command == SC_MOVE))) return;
  EndDrag();
  QPointer<QWidget> alive(w);
  SendMessage(w, WM_ENTERSIZEMOVE);
  if (!alive) return;
  const bool mouse = low != 0;
  g_drag = {};
  g_drag.window = w;
  g_drag.command = command;
  g_drag.edge = command == SC_SIZE && low ? low : WMSZ_BOTTOMRIGHT;
  g_drag.endOnPress = !mouse;
  g_drag.pending = mouse;
  g_drag.viaManager = mouse && w->isWindow() && w->windowHandle() && !PrefersManualMoveSize(w);
  g_drag.start = g_drag.last = mouse && lp ? LParamPoint(lp) : QCursor::pos();
  g_drag.startRect = g_drag.origin = WindowRect(moved);
  detail::KeepTranslating(w, true);
  g_drag.grabber = NonClientWidget(w);
  g_drag.grabber->grabMouse();
}

void SysCommand(QWidget* w, unsigned command, LPARAM lp) {
  const unsigned low = command & 0xF;
  switch (command & 0xFFF0) {
    case SC_MINIMIZE:
      if (CanMinimize(w)) w->showMinimized();
      break;
    case SC_MAXIMIZE:
      if (!detail::Maximize(w)) w->showMaximized();
      break;
    case SC_RESTORE:
      if (detail::Restore(w)) break;
      if (w->isMinimized())
        w->setWindowState(w->windowState() & ~Qt::WindowMinimized);
      else
        w->showNormal();
      break;
    case SC_CLOSE: SendMessage(w, WM_CLOSE); break;
    case SC_MOVE: StartMoveSize(w, SC_MOVE, low, lp); break;
    case SC_SIZE: StartMoveSize(w, SC_SIZE, low, lp); break;
    case SC_KEYMENU:
      if (lp == ' ')
        detail::KeyMenuSystemMenu(w);
      else
        detail::MenuLineKeyMenu(w, lp);
      break;
    case SC_CONTEXTHELP: QWhatsThis::enterWhatsThisMode(); break;  // the next click asks for help
    default: break;
  }
}

// The window commands of an MDI child act on its sub-window; false for
// any other child control and command.
bool MdiChildSysCommand(QWidget* w, unsigned command, LPARAM lp) {
  QMdiSubWindow* sub = MdiSubWindowOf(w);
  if (!sub) return false;
  switch (command & 0xFFF0) {
    case SC_MINIMIZE: sub->showMinimized(); return true;
    case SC_MAXIMIZE: sub->showMaximized(); return true;
    case SC_RESTORE: sub->showNormal(); return true;
    case SC_CLOSE: sub->close(); return true;
    case SC_MOVE:
    case SC_SIZE:
      // A framed child moves and sizes inside its area.
      if (!FramedSub(w)) return false;
      StartMoveSize(w, command & 0xFFF0, command & 0xF, lp);
      return true;
    default: return false;
  }
}

// A mouse event during a manual move or resize.
void DragEvent(QWidget* w, QMouseEvent* e) {
  const QPoint global = e->globalPosition().toPoint();
  switch (e->type()) {
    case QEvent::MouseMove:
      g_drag.last = global;
      if (g_drag.pending) {
        if (!Dragged(global)) break;
        g_drag.pending = false;
        if (g_drag.viaManager && (e->buttons() & Qt::LeftButton))
          HandToManager(w, global);
        else
          DragTo(w, global);
        break;
      }
      DragTo(w, global);
      break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
      if (g_drag.endOnPress) EndDrag();
      break;
    case QEvent::MouseButtonRelease:
      if (g_drag.endOnPress) break;
      if (!g_drag.pending || Dragged(global)) DragTo(w, global);
      EndDrag();
      break;
    default: break;
  }
  e->accept();
}

// An arrow key in a move or size from a menu: a move goes a step that way;
// a size's first arrow picks the edge on its side, one across it adds the
// edge it points to (a corner), and the others move those edges a step.
void KeyStep(QWidget* w, QPoint direction) {
  constexpr int kStep = 8;
  QWidget* moved = MovedWidget(w);
  // What the mouse does next goes on from here.
  g_drag.start = g_drag.last;
  g_drag.startRect = WindowRect(moved);
  if (g_drag.command == SC_SIZE) {
    const Qt::Edges edges = g_drag.edgeByKey ? EdgesOf(g_drag.edge) : Qt::Edges();
    const Qt::Edges across = direction.x() ? Qt::LeftEdge | Qt::RightEdge : Qt::TopEdge | Qt::BottomEdge;
    if (!(edges & across)) {
      const Qt::Edge side = direction.x() < 0   ? Qt::LeftEdge
                            : direction.x() > 0 ? Qt::RightEdge
                            : direction.y() < 0 ? Qt::TopEdge
                                                : Qt::BottomEdge;
      g_drag.edge = EdgeOf(edges | side);
      g_drag.edgeByKey = true;
      return;
    }
  }
  DragTo(w, g_drag.start + direction * kStep);
  g_drag.startRect = WindowRect(moved);
}

}  // namespace

// ---------------------------------------------------------------------------

namespace detail {

bool IsFramed(const QWidget* window) { return Frames().contains(window); }

QRect WindowScreenRect(const QWidget* window) {
  // What the window system still counts around a framed window is left
  // over from before its frame went on.
  return IsFramed(window) ? window->geometry() : window->frameGeometry();
}

unsigned NonClientMouseMessage(const QMouseEvent* e) {
  const QEvent::Type type = e->type();
  if (type == QEvent::MouseMove) return WM_NCMOUSEMOVE;
  const bool press = type == QEvent::MouseButtonPress, release = type == QEvent::MouseButtonRelease;
  switch (e->button()) {
    case Qt::LeftButton: return press ? WM_NCLBUTTONDOWN : release ? WM_NCLBUTTONUP : WM_NCLBUTTONDBLCLK;
    case Qt::RightButton: return press ? WM_NCRBUTTONDOWN : release ? WM_NCRBUTTONUP : WM_NCRBUTTONDBLCLK;
    case Qt::MiddleButton: return press ? WM_NCMBUTTONDOWN : release ? WM_NCMBUTTONUP : 0;
    default: return 0;
  }
}

// A control's band is the frame Qt draws around what it lays out inside:
// a scroll area's viewport (its bars stay in the band, as its children), a
// frame's line, the frame of a line edit, combo box or spin box. A handler
// that answers WM_NCCALCSIZE wider than that on a side widens the band
// there (WideBand below).
namespace {

// What carries a widened band: a scroll area's viewport margins, a frame's
// contents margins, a line edit's text margins (the edit inside a combo or
// spin box for those). A drop-down list without an edit has nothing that
// moves, and a tree or table view lays out its own viewport margins (its
// headers) whenever its viewport changes: there only the band widens.
struct WideBand {
  QMargins extra;             // beyond Qt's band, on each side
  QMargins own;               // the carrier's own margins under the widening
  QPointer<QWidget> carrier;  // nullptr: nothing carries it
  QMetaObject::Connection destroyed;
};

QHash<const QWidget*, WideBand>& WideBands() {
  static QHash<const QWidget*, WideBand> bands;
  return bands;
}

// The viewport margins are protected; member pointers through a subclass
// reach them on any scroll area.
struct ScrollAreaAccess : QAbstractScrollArea {
  static QMargins ViewportMargins(const QAbstractScrollArea* area) {
    QMargins (QAbstractScrollArea::*get)() const = &ScrollAreaAccess::viewportMargins;
    return (area->*get)();
  }
  static void SetViewportMargins(QAbstractScrollArea* area, const QMargins& m) {
    void (QAbstractScrollArea::*set)(const QMargins&) = &ScrollAreaAccess::setViewportMargins;
    (area->*set)(m);
  }
};

QWidget* BandCarrier(QWidget* w) {
  if (qobject_cast<QAbstractScrollArea*>(w) || qobject_cast<QFrame*>(w) || qobject_cast<QLineEdit*>(w)) return w;
  if (auto* combo = qobject_cast<QComboBox*>(w)) return combo->lineEdit();
  if (qobject_cast<QAbstractSpinBox*>(w)) return w->findChild<QLineEdit*>(QString(), Qt::FindDirectChildrenOnly);
  return nullptr;
}

QMargins CarrierMargins(const QWidget* c) {
  if (auto* area = qobject_cast<const QAbstractScrollArea*>(c)) return ScrollAreaAccess::ViewportMargins(area);
  if (auto* edit = qobject_cast<const QLineEdit*>(c)) return edit->textMargins();
  return c->contentsMargins();
}

void SetCarrierMargins(QWidget* c, const QMargins& m) {
  if (CarrierMargins(c) == m) return;
  if (auto* area = qobject_cast<QAbstractScrollArea*>(c))
    ScrollAreaAccess::SetViewportMargins(area, m);
  else if (auto* edit = qobject_cast<QLineEdit*>(c))
    edit->setTextMargins(m);
  else
    c->setContentsMargins(m);
}

// The widening still holds: the carrier shows its own margins plus the
// extra (a control that set margins of its own since then, or a combo box
// that got another edit, dropped it).
bool WideningHolds(const WideBand& band) {
  return band.carrier && CarrierMargins(band.carrier) == band.own + band.extra;
}

// The scroll area's viewport as insets from its edges.
QMargins ViewportInsets(const QAbstractScrollArea* area) {
  const QRect v = area->viewport()->geometry();
  return {v.left(), v.top(), area->width() - v.right() - 1, area->height() - v.bottom() - 1};
}

// The band Qt lays out, without what a handler added.
QMargins QtBand(const QWidget* w) {
  if (w->isWindow()) return {};
  if (auto* area = qobject_cast<const QAbstractScrollArea*>(w)) {
    const QMargins insets = ViewportInsets(area);
    const auto it = WideBands().constFind(w);
    return it != WideBands().constEnd() && WideningHolds(*it) ? insets - it->extra : insets;
  }
  const QStyle* style = w->style();
  int inset = 0;
  if (auto* frame = qobject_cast<const QFrame*>(w)) {
    inset = frame->frameWidth();
  } else if (auto* edit = qobject_cast<const QLineEdit*>(w)) {
    if (edit->hasFrame()) {
      QStyleOptionFrame opt;
      opt.initFrom(edit);
      opt.rect = edit->rect();
      opt.lineWidth = style->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, edit);
      opt.state |= QStyle::State_Sunken;
      const QRect r = style->subElementRect(QStyle::SE_LineEditContents, &opt, edit);
      if (r.isValid())
        return {r.left(), r.top(), w->width() - r.right() - 1, w->height() - r.bottom() - 1};
      inset = opt.lineWidth;
    }
  } else if (auto* combo = qobject_cast<const QComboBox*>(w)) {
    if (combo->hasFrame()) inset = style->pixelMetric(QStyle::PM_ComboBoxFrameWidth, nullptr, combo);
  } else if (auto* spin = qobject_cast<const QAbstractSpinBox*>(w)) {
    if (spin->hasFrame()) inset = style->pixelMetric(QStyle::PM_SpinBoxFrameWidth, nullptr, spin);
  }
  inset = std::clamp(inset, 0, std::min(w->width(), w->height()) / 2);
  return {inset, inset, inset, inset};
}

// What an answer adds to Qt's band: the sides it answers wider, each at
// most half the control's smaller dimension (a negative answer counts as
// 0), and never so much that the client area would go below nothing.
QMargins Widening(const QWidget* w, const QMargins& qt, const QMargins& answer) {
  const int limit = std::min(w->width(), w->height()) / 2;
  auto side = [limit](int a, int q) { return std::max(0, std::clamp(a, 0, limit) - q); };
  QMargins extra(side(answer.left(), qt.left()), side(answer.top(), qt.top()), side(answer.right(), qt.right()),
                 side(answer.bottom(), qt.bottom()));
  const int across = std::max(0, w->width() - qt.left() - qt.right());
  const int down = std::max(0, w->height() - qt.top() - qt.bottom());
  extra.setLeft(std::min(extra.left(), across));
  extra.setRight(std::min(extra.right(), across - extra.left()));
  extra.setTop(std::min(extra.top(), down));
  extra.setBottom(std::min(extra.bottom(), down - extra.top()));
  return extra;
}

// Puts `extra` on the control's band; none gives the carrier its own
// margins back.
void SetWidening(QWidget* w, const QMargins& extra) {
  auto& bands = WideBands();
  auto it = bands.find(w);
  if (extra.isNull()) {
    if (it == bands.end()) return;
    const WideBand band = *it;
    QObject::disconnect(band.destroyed);
    bands.erase(it);
    if (WideningHolds(band)) SetCarrierMargins(band.carrier, band.own);
    return;
  }
  if (it == bands.end()) {
    it = bands.insert(w, {});
    it->destroyed = QObject::connect(w, &QObject::destroyed, [w] { WideBands().remove(w); });
  }
  QWidget* carrier = BandCarrier(w);
  const bool holds = WideningHolds(*it) && it->carrier == carrier;
  if (holds && it->extra == extra) return;
  if (!holds) {
    // The first widening, or the control laid out margins of its own
    // meanwhile (a combo box may have got another edit): they are the base.
    it->carrier = carrier;
    it->own = carrier ? CarrierMargins(carrier) : QMargins();
  }
  it->extra = extra;
  if (carrier) SetCarrierMargins(carrier, it->own + extra);  // nothing may touch `it` after this
}

}  // namespace

QMargins DefaultBand(const QWidget* w) {
  QMargins band = QtBand(w);
  auto* area = qobject_cast<const QAbstractScrollArea*>(w);
  if (!area) return band;
  const auto style = std::uint32_t(GetWindowLong(w, GWL_STYLE));
  for (const QScrollBar* bar : {area->horizontalScrollBar(), area->verticalScrollBar()}) {
    const bool vertical = bar == area->verticalScrollBar();
    if (!bar->isVisibleTo(area) || (style & (vertical ? WS_VSCROLL : WS_HSCROLL))) continue;
    const QWidget* holder = bar->parentWidget() != area ? bar->parentWidget() : bar;
    const QRect strip = holder->geometry();
    if (!vertical)
      band.setBottom(band.bottom() - strip.height());
    else if (strip.center().x() < area->viewport()->geometry().center().x())
      band.setLeft(band.left() - strip.width());
    else
      band.setRight(band.right() - strip.width());
  }
  return {std::max(band.left(), 0), std::max(band.top(), 0), std::max(band.right(), 0), std::max(band.bottom(), 0)};
}

QMargins ControlInsets(const QWidget* w) {
  if (w->isWindow() || IsFramed(w)) return {};
  const QMargins qt = QtBand(w);
  const auto it = WideBands().constFind(w);
  return it == WideBands().constEnd() ? qt : qt + it->extra;
}

QRect ClientArea(const QWidget* w) {
  if (w->isWindow() || IsFramed(w)) return w->contentsRect();
  return w->rect().marginsRemoved(ControlInsets(w));
}

bool HasBand(const QWidget* w) { return !w->isWindow() && !ControlInsets(w).isNull(); }

bool IsBandWidened(const QWidget* control) { return WideBands().contains(control); }

std::vector<QWidget*> WidenedControls() {
  std::vector<QWidget*> controls;
  for (auto it = WideBands().cbegin(); it != WideBands().cend(); ++it)
    controls.push_back(const_cast<QWidget*>(it.key()));
  return controls;
}

void ControlCalcSize(QWidget* w) {
  if (w->isWindow()) return;
  const bool widened = IsBandWidened(w);
  if (!widened && (!HasBand(w) || !HasChain(w))) return;
  const QMargins qt = QtBand(w);
  QMargins answer = qt;
  if (HasChain(w)) {
    const QRect outer = w->geometry().translated(-ClientOrigin(w->parentWidget()));
    const QRect client = ClientArea(w).translated(outer.topLeft());
    NCCALCSIZE_PARAMS params;
    params.rgrc[0] = params.rgrc[1] = Bounds(outer.x(), outer.y(), outer.width(), outer.height());
    params.rgrc[2] = Bounds(client.x(), client.y(), client.width(), client.height());
    QPointer<QWidget> alive(w);
    SendMessage(w, WM_NCCALCSIZE, 1, LPARAM(PtrParam(&params)));
    if (!alive || !HasChain(w)) return;
    const TRect r = params.rgrc[0];
    answer = {r.Left - outer.x(), r.Top - outer.y(), outer.x() + outer.width() - r.Right,
              outer.y() + outer.height() - r.Bottom};
  }
  SetWidening(w, Widening(w, QtBand(w), answer));
}

std::optional<Qt::WindowFlags> FramedFlags(const QWidget* window) {
  if (auto f = FindFrame(window)) return f->flags;
  return std::nullopt;
}

bool FrameCalcSize(QWidget* w) {
  if (!IsFramed(w)) return false;
  const QRect outer = w->isWindow() ? WindowRect(w) : QRect(w->mapToGlobal(QPoint()), w->size());
  const QRect client(w->mapToGlobal(w->contentsRect().topLeft()), w->contentsRect().size());
  NCCALCSIZE_PARAMS params;
  params.rgrc[0] = params.rgrc[1] = Bounds(outer.x(), outer.y(), outer.width(), outer.height());
  params.rgrc[2] = Bounds(client.x(), client.y(), client.width(), client.height());
  QPointer<QWidget> alive(w);
  SendMessage(w, WM_NCCALCSIZE, 1, LPARAM(PtrParam(&params)));
  if (!alive || !IsFramed(w)) return false;
  const TRect c = params.rgrc[0];
  const int left = std::clamp(c.Left - outer.x(), 0, outer.width());
  const int top = std::clamp(c.Top - outer.y(), 0, outer.height());
  const int right = std::clamp(outer.x() + outer.width() - c.Right, 0, outer.width() - left);
  const int bottom = std::clamp(outer.y() + outer.height() - c.Bottom, 0, outer.height() - top);
  const QMargins margins(left, top, right, bottom);
  if (w->contentsMargins() == margins) return false;
  w->setContentsMargins(margins);
  RedrawNonClient(w);
  return w->isVisible();
}

bool FrameMouse(QWidget* w, QMouseEvent* e) {
  if (g_drag.window == w && g_drag.system && e->buttons() == Qt::NoButton) {
    // The button went up here: the window manager had not taken the
    // pointer yet, and would move the window on without it.
    if (e->type() == QEvent::MouseButtonRelease) detail::CancelManagerMoveSize(w);
    EndDrag();
  }
  if (g_drag.window == w && !g_drag.system) {
    // The second click of a double click on the band ends the drag its
    // press began, and goes on as the double click.
    if (e->type() == QEvent::MouseButtonDblClick && !g_drag.endOnPress) {
      EndDrag();
    } else {
      DragEvent(w, e);
      return true;
    }
  }
  auto frame = FindFrame(w);
  if (!frame) return false;
  const QPoint global = e->globalPosition().toPoint();
  const LPARAM point = MAKELPARAM(global.x(), global.y());
  QPointer<QWidget> alive(w);
  const int hit = int(SendMessage(w, WM_NCHITTEST, 0, point));
  if (!alive) return true;
  if (hit == HTCLIENT) {
    LeaveBand(w, *frame);
    return false;
  }
  EnterBand(w, *frame, hit, e);
  if (!alive) return true;
  // A press in an MDI child's band activates the child first.
  if (QMdiSubWindow* sub = e->type() == QEvent::MouseButtonPress ? FramedSub(w) : nullptr)
    if (QMdiArea* area = sub->mdiArea(); area && area->activeSubWindow() != sub) area->setActiveSubWindow(sub);
  if (!alive) return true;
  if (const unsigned msg = detail::NonClientMouseMessage(e)) SendMessage(w, msg, WPARAM(hit), point);
  e->accept();
  return true;
}

void FrameLeave(QWidget* w) {
  if (auto frame = FindFrame(w)) LeaveBand(w, *frame);
}

void EndFrameDrag(QWidget* w) {
  if (g_drag.window == w) EndDrag();
}

bool MoveSizeKey(QEvent* e) {
  const QEvent::Type type = e->type();
  if (!g_drag.window || !g_drag.endOnPress ||
      (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride))
    return false;
  e->accept();
  if (type != QEvent::KeyPress) return true;
  QWidget* w = g_drag.window;
  switch (static_cast<QKeyEvent*>(e)->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: EndDrag(); break;
    case Qt::Key_Escape:
      PlaceMoved(MovedWidget(w), g_drag.origin);
      EndDrag();
      break;
    case Qt::Key_Left: KeyStep(w, {-1, 0}); break;
    case Qt::Key_Right: KeyStep(w, {1, 0}); break;
    case Qt::Key_Up: KeyStep(w, {0, -1}); break;
    case Qt::Key_Down: KeyStep(w, {0, 1}); break;
    default: break;
  }
  return true;
}

bool NonClientDefault(QWidget* w, Message& m) {
  switch (m.Msg) {
    case WM_NCCALCSIZE:
      CalcSizeDefault(w, m);
      return true;
    case WM_NCHITTEST:
      m.Result = HitTestDefault(w, LParamPoint(m.LParam));
      return true;
    case WM_NCPAINT:
      if (Canvas* dc = GetWindowDC(w))
        PaintClassicFrame(w, *dc);
      else
        RedrawNonClient(w);
      return true;
    case WM_NCACTIVATE:
      if (IsFramed(w)) RedrawNonClient(w);
      m.Result = 1;
      return true;
    case WM_NCLBUTTONDOWN:
      if (m.WParam == WPARAM(HTCAPTION))
        SendMessage(w, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, m.LParam);
      else if (m.WParam >= WPARAM(HTLEFT) && m.WParam <= WPARAM(HTBOTTOMRIGHT))
        SendMessage(w, WM_SYSCOMMAND, SC_SIZE | (m.WParam - HTLEFT + WMSZ_LEFT), m.LParam);
      else if (m.WParam == WPARAM(HTMENU))
        detail::MenuLineClick(w, LParamPoint(m.LParam));
      return true;
    case WM_NCLBUTTONDBLCLK:
      if (m.WParam == WPARAM(HTCAPTION) && (GetWindowLong(w, GWL_STYLE) & WS_MAXIMIZEBOX))
        SendMessage(w, WM_SYSCOMMAND,
                    IsZoomed(w) || IsIconic(w) || MovedWidget(w)->isMaximized() ? SC_RESTORE : SC_MAXIMIZE,
                    m.LParam);
      return true;
    case WM_SETCURSOR: {
      const int hit = std::int16_t(LOWORD(std::uintptr_t(m.LParam)));
      if (!IsFramed(w) || hit == HTCLIENT) return false;
      if (QWidget* shows = NonClientWidget(w); shows->cursor().shape() != CursorOf(hit)) shows->setCursor(CursorOf(hit));
      m.Result = 1;
      return true;
    }
    case WM_NCMOUSEMOVE:
    case WM_NCLBUTTONUP:
    case WM_NCRBUTTONDOWN:
    case WM_NCRBUTTONUP:
    case WM_NCRBUTTONDBLCLK:
    case WM_NCMBUTTONDOWN:
    case WM_NCMBUTTONUP:
    case WM_NCMOUSELEAVE:
      return true;
    case CM_MENUCHANGED:
      return DrawMenuBar(w);
    case WM_SYSCOMMAND:
      if (!w->isWindow()) return MdiChildSysCommand(w, unsigned(m.WParam), m.LParam);
      SysCommand(w, unsigned(m.WParam), m.LParam);
      return true;
    default:
      return false;
  }
}

}  // namespace detail

// ---------------------------------------------------------------------------

void SetWindowFlagsInPlace(QWidget* w, Qt::WindowFlags flags) {
  if (!w || w->windowFlags() == flags) return;
  QWindow* native = w->windowHandle();
  if (!native || !w->testAttribute(Qt::WA_WState_Created)) {
    w->setWindowFlags(flags);  // no native window yet: nothing to hide
    return;
  }
  w->overrideWindowFlags(flags);
  native->setFlags(flags);
}

void AtFirstShow(QWidget* window, std::function<void()> attach) {
  if (!window || !attach) return;
  if (window->isVisible()) {
    attach();
    return;
  }
  // The widget's show event comes first (its own handler may size and
  // place it: a message box, a dialog centred on its owner); the native
  // window's follows, just before the window system maps it.
  class Watch final : public QObject {
   public:
    Watch(QWidget* w, std::function<void()> f) : QObject(w), widget_(w), f_(std::move(f)) { w->installEventFilter(this); }
    bool eventFilter(QObject* watched, QEvent* event) override {
      if (event->type() != QEvent::Show || !f_) return false;
      if (watched == widget_) {
        widget_->removeEventFilter(this);
        if (QWindow* native = widget_->windowHandle()) {
          native->installEventFilter(this);
          return false;
        }
      } else {
        watched->removeEventFilter(this);
      }
      std::function<void()> f = std::move(f_);
      f_ = nullptr;
      deleteLater();
      f();
      return false;
    }

   private:
    QWidget* widget_;
    std::function<void()> f_;
  };
  new Watch(window, std::move(attach));
}

namespace {

constexpr char kSubWatch[] = "_win_mdichildframe";

// A framed MDI child's sub-window has no frame of Qt's. Minimized, it is
// the child's band alone: the form is hidden, the sub-window takes the
// iconic size (SM_CXMINIMIZED x SM_CYMINIMIZED) in the area's row of
// minimized windows, its paint is the form's WM_NCPAINT and the mouse on it
// the form's band's (WM_NCHITTEST and the WM_NC messages).
class SubWindowFrame final : public QObject {
 public:
  SubWindowFrame(QMdiSubWindow* sub, QWidget* form, Qt::WindowFlags flags)
      : QObject(sub), sub_(sub), form_(form), flags_(flags) {
    setObjectName(QLatin1String(kSubWatch));
    sub->installEventFilter(this);
    form->installEventFilter(this);
    Apply();
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    // Once Qt has gone through the change (from maximized to minimized it
    // passes through normal).
    if (watched == sub_ && event->type() == QEvent::WindowStateChange)
      QMetaObject::invokeMethod(this, [this] { Apply(); }, Qt::QueuedConnection);
    // A form that sets margins of its own (a QFrame's frame width) gets the
    // band's back.
    if (watched == form_ && event->type() == QEvent::ContentsRectChange && !inCalc_ && form_) {
      inCalc_ = true;
      detail::FrameCalcSize(form_);
      inCalc_ = false;
    }
    if (watched == sub_ && Iconic()) return IconicEvent(event);
    return false;
  }
  void Apply() {
    const Qt::WindowFlags wanted = flags_ | Qt::FramelessWindowHint;
    if (sub_->windowFlags() != wanted) sub_->setWindowFlags(wanted);
    if (sub_->isMinimized())
      Iconize();
    else
      Deiconize();
  }
  // Qt's frame back. A minimized child gets Qt's title bar, under which
  // its form has no room until it is restored.
  void Remove() {
    const bool iconic = Iconic();
    Deiconize();
    sub_->removeEventFilter(this);
    if (form_) form_->removeEventFilter(this);
    if (sub_->windowFlags() != flags_) sub_->setWindowFlags(flags_);
    if (iconic) sub_->resize(sub_->minimumSizeHint());
  }

 private:
  bool Iconic() const { return formHidden_ && form_ && sub_->isMinimized(); }

  void Iconize() {
    if (!form_ || formHidden_) return;
    QPointer<QMdiSubWindow> sub(sub_);
    form_->hide();
    if (!sub || !form_) return;
    formHidden_ = true;
    sub_->setMouseTracking(true);
    sub_->resize(GetSystemMetrics(SM_CXMINIMIZED), GetSystemMetrics(SM_CYMINIMIZED));
    // The area lays its minimized windows out again as it does on a resize.
    if (QMdiArea* area = sub_->mdiArea()) {
      QResizeEvent again(area->viewport()->size(), area->viewport()->size());
      QCoreApplication::sendEvent(area->viewport(), &again);
    }
    sub_->update();
  }
  void Deiconize() {
    if (!formHidden_) return;
    formHidden_ = false;
    if (form_) {
      form_->show();
      detail::FrameCalcSize(form_);
      RedrawNonClient(form_);
    }
  }
  // The band's paint and mouse while iconic; Qt's own handling of a
  // minimized sub-window (its menu, its double click) never runs.
  bool IconicEvent(QEvent* event) {
    QPointer<QWidget> form = form_;
    switch (event->type()) {
      case QEvent::Paint: {
        Canvas dc(sub_);
        dc.SelectClipRgn(static_cast<QPaintEvent*>(event)->region());
        detail::PrintNonClient(form, dc);
        dc.EndPainting();
        return true;
      }
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::MouseMove:
        detail::FrameMouse(form, static_cast<QMouseEvent*>(event));
        event->accept();
        return true;
      case QEvent::Leave:
        detail::FrameLeave(form);
        return false;
      case QEvent::ContextMenu:
        return true;
      default:
        return false;
    }
  }

  QMdiSubWindow* sub_;
  QPointer<QWidget> form_;
  Qt::WindowFlags flags_;
  bool inCalc_ = false;
  bool formHidden_ = false;  // hidden by us while minimized
};

constexpr char kGrips[] = "_win_framegrips";

// Qt keeps a dialog's size grip in the corner of the whole widget (the
// dialog places it there at every resize and raises it), which in a framed
// window is the band's: there the grip is put into the corner of the
// client area, as a window whose frame is its own has it, beneath the
// controls that reach into that corner (the frame's corner sizes the
// window too), and back on top in Qt's place when the frame goes.
class GripPlacer final : public QObject {
 public:
  explicit GripPlacer(QWidget* window) : QObject(window), window_(window) {
    setObjectName(QLatin1String(kGrips));
    window->installEventFilter(this);
    for (QSizeGrip* grip : Grips()) Watch(grip);
  }
  // The grips back where Qt keeps them.
  void Remove() {
    window_->removeEventFilter(this);
    for (QSizeGrip* grip : Grips()) {
      grip->removeEventFilter(this);
      Place(grip, window_->rect());
      grip->raise();
    }
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == window_) {
      // A grip is made after its dialog is framed: seen as it is polished
      // (added, it is no grip yet).
      if (event->type() == QEvent::ChildPolished)
        if (auto* grip = qobject_cast<QSizeGrip*>(static_cast<QChildEvent*>(event)->child())) Watch(grip);
      if (event->type() == QEvent::ContentsRectChange)
        for (QSizeGrip* grip : Grips()) Place(grip, window_->contentsRect());
    } else if (event->type() == QEvent::Move || event->type() == QEvent::ZOrderChange) {
      auto* grip = static_cast<QSizeGrip*>(watched);
      Place(grip, window_->contentsRect());
      if (window_->children().constFirst() != grip) grip->lower();
    }
    return false;
  }

 private:
  QList<QSizeGrip*> Grips() const { return window_->findChildren<QSizeGrip*>(Qt::FindDirectChildrenOnly); }
  void Watch(QSizeGrip* grip) {
    grip->removeEventFilter(this);
    grip->installEventFilter(this);
    Place(grip, window_->contentsRect());
    grip->lower();
  }
  void Place(QSizeGrip* grip, const QRect& area) {
    const QRect r = grip->rect();
    const QPoint at = window_->isRightToLeft() ? area.bottomLeft() - r.bottomLeft() : area.bottomRight() - r.bottomRight();
    if (grip->pos() != at) grip->move(at);
  }

  QWidget* window_;
};

// The frame's record made (the window's flags and margins before it) or
// dropped (any drag of the window ended, the band left).
std::shared_ptr<Frame> AddFrame(QWidget* w, Qt::WindowFlags flags) {
  auto frame = std::make_shared<Frame>();
  frame->flags = flags;
  frame->margins = w->contentsMargins();
  frame->destroyed = QObject::connect(w, &QObject::destroyed, [w] { Frames().remove(w); });
  Frames().insert(w, frame);
  detail::KeepTranslating(w, true);
  new GripPlacer(w);
  return frame;
}

void DropFrame(QWidget* w, Frame& frame) {
  detail::EndFrameDrag(w);
  LeaveBand(w, frame);
  Frames().remove(w);
  QObject::disconnect(frame.destroyed);
  detail::KeepTranslating(w, false);
  if (auto* grips = w->findChild<GripPlacer*>(QLatin1String(kGrips), Qt::FindDirectChildrenOnly)) {
    grips->Remove();
    delete grips;
  }
}

SubWindowFrame* SubFrameOf(QMdiSubWindow* sub) {
  return sub->findChild<SubWindowFrame*>(QLatin1String(kSubWatch), Qt::FindDirectChildrenOnly);
}

// The frame of an MDI child's form: its sub-window frameless, the form's
// margins the band. The sub-window keeps its place and size.
bool SetMdiChildFrame(QWidget* w, QMdiSubWindow* sub, bool on) {
  auto frame = FindFrame(w);
  if (on) {
    if (frame) {
      RecalcNonClient(w);
      return true;
    }
    frame = AddFrame(w, sub->windowFlags());
    const QRect place = sub->geometry();
    new SubWindowFrame(sub, w, frame->flags);
    if (!sub->isMaximized() && !sub->isMinimized()) sub->setGeometry(place);
    detail::FrameCalcSize(w);
    RedrawNonClient(w);
    return true;
  }
  if (!frame) return true;
  DropFrame(w, *frame);
  w->setContentsMargins(frame->margins);
  if (SubWindowFrame* watch = SubFrameOf(sub)) {
    const QRect place = sub->geometry();
    watch->Remove();
    delete watch;
    if (!sub->isMaximized() && !sub->isMinimized()) sub->setGeometry(place);
  }
  return true;
}

}  // namespace

bool SetNonClientFrame(QWidget* w, bool on) {
  if (!w) return false;
  if (QMdiSubWindow* sub = w->isWindow() ? nullptr : MdiSubWindowOf(w); sub && sub != w)
    return SetMdiChildFrame(w, sub, on);
  if (!w->isWindow()) return false;
  auto frame = FindFrame(w);
  // A shown maximized window keeps the place whoever maximized it gave it.
  const bool keepPlace = w->isVisible() && IsZoomed(w);
  if (on) {
    if (frame) {
      RecalcNonClient(w);
      return true;
    }
    const QRect outer = WindowRect(w), inner = w->geometry();
    frame = AddFrame(w, w->windowFlags());
    frame->decoration = QMargins(inner.left() - outer.left(), inner.top() - outer.top(),
                                 outer.right() - inner.right(), outer.bottom() - inner.bottom());
    detail::UpdateMenuLine(w, GetMenu(w));
    detail::WatchNativePlace(w);
    SetWindowFlagsInPlace(w, frame->flags | Qt::FramelessWindowHint);
    // A window not placed yet (a dialog Qt centres when it shows) stays so.
    if (!keepPlace && outer != w->geometry()) w->setGeometry(outer);
    detail::FrameCalcSize(w);
    frame->framedSize = outer.size();
    if (keepPlace) detail::KeepWithinScreen(w);
    RedrawNonClient(w);
    return true;
  }
  if (!frame) return true;
  // A window of the size it had when the frame went on keeps its window
  // rectangle, as then (the window system's decoration comes back within
  // it); one sized since (its layout grew it to keep its contents out of
  // the band, or its user or caller sized it) keeps its client area.
  const QRect client(w->mapToGlobal(w->contentsRect().topLeft()), w->contentsRect().size());
  const QRect inner = w->size() == frame->framedSize ? w->geometry().marginsRemoved(frame->decoration)
                                                     : client.marginsAdded(frame->margins);
  DropFrame(w, *frame);
  detail::UpdateMenuLine(w, GetMenu(w));
  w->setContentsMargins(frame->margins);
  SetWindowFlagsInPlace(w, frame->flags);
  if (keepPlace)
    detail::KeepWithinScreen(w);
  else if (inner.isValid() && inner != w->geometry())
    w->setGeometry(inner);
  return true;
}

bool HasNonClientFrame(const QWidget* window) { return detail::IsFramed(window); }

void RecalcNonClient(QWidget* window) {
  if (window && detail::HasBand(window)) {
    detail::ControlCalcSize(window);
    RedrawNonClient(window);
    return;
  }
  if (!detail::IsFramed(window)) return;
  detail::FrameCalcSize(window);
  RedrawNonClient(window);
}

void RedrawNonClient(QWidget* window) {
  if (QMdiSubWindow* sub = window ? IconicSub(window) : nullptr)
    sub->update();
  else if (window)
    window->update(QRegion(window->rect()) - detail::ClientArea(window));
}

QWidget* NonClientWidget(const QWidget* window) {
  if (QMdiSubWindow* sub = window ? IconicSub(window) : nullptr) return sub;
  return const_cast<QWidget*>(window);
}

// ---------------------------------------------------------------------------
// Regions. An empty region is a mask outside the window: Qt takes an empty
// mask for none.

namespace {
QRegion HidingMask() { return QRegion(-1, -1, 1, 1); }

QPoint ClientOffset(const QWidget* w) {
  return w->isWindow() ? w->geometry().topLeft() - detail::WindowScreenRect(w).topLeft() : QPoint();
}
}  // namespace

bool SetWindowRgn(QWidget* window, const std::optional<QRegion>& region, bool redraw) {
  if (!window) return false;
  if (!region)
    window->clearMask();
  else
    window->setMask(region->isEmpty() ? HidingMask() : region->translated(-ClientOffset(window)));
  if (redraw) window->update();
  // As on Windows, the window hears of its new region as a position
  // change that moves, sizes and stacks nothing.
  SetWindowPos(window, nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | (redraw ? 0u : SWP_NOREDRAW));
  return true;
}

int GetWindowRgn(const QWidget* window, QRegion& region) {
  const QRegion mask = window ? window->mask() : QRegion();
  if (mask.isEmpty()) return ERROR;
  region = mask == HidingMask() ? QRegion() : mask.translated(ClientOffset(window));
  return region.isEmpty() ? NULLREGION : region.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

// ---------------------------------------------------------------------------

NONCLIENTMETRICS GetNonClientMetrics() {
  NONCLIENTMETRICS m;
  m.iBorderWidth = GetSystemMetrics(SM_CXBORDER);
  m.iScrollWidth = GetSystemMetrics(SM_CXVSCROLL);
  m.iScrollHeight = GetSystemMetrics(SM_CYHSCROLL);
  m.iCaptionWidth = GetSystemMetrics(SM_CXSIZE);
  m.iCaptionHeight = GetSystemMetrics(SM_CYSIZE);
  m.iSmCaptionWidth = GetSystemMetrics(SM_CXSMSIZE);
  m.iSmCaptionHeight = GetSystemMetrics(SM_CYSMSIZE);
  m.iMenuWidth = GetSystemMetrics(SM_CXMENUSIZE);
  m.iMenuHeight = GetSystemMetrics(SM_CYMENUSIZE);
  TFont font;
  font.Height = -12;
  m.lfMenuFont = m.lfStatusFont = m.lfMessageFont = font;
  font.Style = fsBold;
  m.lfCaptionFont = m.lfSmCaptionFont = font;
  return m;
}

bool SystemParametersInfo(unsigned action, unsigned, void* out, unsigned) {
  if (action != SPI_GETNONCLIENTMETRICS || !out) return false;
  *static_cast<NONCLIENTMETRICS*>(out) = GetNonClientMetrics();
  return true;
}

unsigned GetDoubleClickTime() { return unsigned(QGuiApplication::styleHints()->mouseDoubleClickInterval()); }

}  // namespace platform
