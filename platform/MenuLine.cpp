#include "platform/MenuLine.h"

#include "platform/Colors.h"
#include "platform/Menus.h"
#include "platform/NonClient.h"
#include "platform/WindowProc.h"
#include "platform/WindowProcInternal.h"
#include "platform/WindowTable.h"

#include <QAction>
#include <QApplication>
#include <QFontMetrics>
#include <QHash>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPointer>
#include <QWindow>

#include <algorithm>
#include <memory>
#include <vector>

namespace platform {

namespace {

constexpr char kOwnerDraw[] = "_win_ownerdraw";
constexpr char kLineBar[] = "_win_menuline";

void WindowHidden(QWidget* window);

constexpr char kLayoutHook[] = "_win_menulinelayout";

// A window's own layout of its line, kept as a child of the window.
class LayoutHook final : public QObject {
 public:
  LayoutHook(QWidget* window, MenuLineLayout layout) : QObject(window), Layout(std::move(layout)) {
    setObjectName(QLatin1String(kLayoutHook));
  }
  MenuLineLayout Layout;
};

LayoutHook* FindLayoutHook(const QWidget* window) {
  if (!window) return nullptr;
  for (QObject* child : window->children())
    if (child->objectName() == QLatin1String(kLayoutHook))
      if (auto* hook = dynamic_cast<LayoutHook*>(child)) return hook;
  return nullptr;
}

// One window's line: its bar and the layout last made of it.
class Line final : public QObject {
 public:
  Line(QWidget* window, QMenuBar* bar) : window_(window), bar_(bar) {
    bar->installEventFilter(this);
    window->installEventFilter(this);
  }

  QMenuBar* Bar() const { return bar_; }
  QWidget* Window() const { return window_; }
  void Invalidate() { width_ = -1; }

  // Lays the items out in rows `width` wide (cached until the width or the
  // bar changes); the rectangles are relative to the line's corner.
  void Layout(int width);
  const QList<QAction*>& Items() const { return items_; }
  const std::vector<QRect>& Rects() const { return rects_; }
  int Height() const { return height_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    const auto type = event->type();
    if (watched == bar_ &&
        (type == QEvent::ActionAdded || type == QEvent::ActionRemoved || type == QEvent::ActionChanged)) {
      Invalidate();
      if (window_ && !IsDestroying(window_)) SendMessage(window_, CM_MENUCHANGED);
    } else if (watched == window_ && type == QEvent::Hide) {
      WindowHidden(window_);
    }
    return false;
  }

 private:
  QPointer<QWidget> window_;
  QPointer<QMenuBar> bar_;
  int width_ = -1;
  int height_ = 0;
  QList<QAction*> items_;
  std::vector<QRect> rects_;
};

QHash<const QWidget*, std::shared_ptr<Line>>& Lines() {
  static QHash<const QWidget*, std::shared_ptr<Line>> lines;
  return lines;
}

Line* FindLine(const QWidget* window) { return Lines().value(window).get(); }

Line* FindLineOfBar(const QWidget* bar) {
  for (const auto& line : std::as_const(Lines()))
    if (line->Bar() == bar) return line.get();
  return nullptr;
}

// The text as drawn: a single & marks the mnemonic, && is an ampersand.
QString PlainText(const QString& text) {
  QString plain;
  plain.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == QLatin1Char('&') && ++i == text.size()) break;
    plain += text[i];
  }
  return plain;
}

QChar Mnemonic(const QString& text) {
  for (qsizetype i = 0; i + 1 < text.size(); ++i)
    if (text[i] == QLatin1Char('&')) {
      if (text[i + 1] != QLatin1Char('&')) return text[i + 1].toUpper();
      ++i;
    }
  return {};
}

void Line::Layout(int width) {
  if (width == width_ || !bar_) return;
  width_ = width;
  items_.clear();
  for (QAction* a : bar_->actions())
    if (a->isVisible() && !a->isSeparator()) items_.append(a);
  rects_.assign(size_t(items_.size()), QRect());
  if (LayoutHook* hook = FindLayoutHook(window_)) {
    height_ = std::max(0, hook->Layout(items_, width, &rects_));
    rects_.resize(size_t(items_.size()));
    return;
  }
  std::vector<int> widths(rects_.size());
  int rowHeight = GetSystemMetrics(SM_CYMENU);
  const QFontMetrics metrics(ToQFont(GetNonClientMetrics().lfMenuFont));
  for (qsizetype i = 0; i < items_.size(); ++i) {
    QAction* a = items_[i];
    if (!IsMenuItemOwnerDraw(a)) {
      widths[size_t(i)] = metrics.horizontalAdvance(PlainText(a->text())) + 2 * kMenuLinePadding;
      continue;
    }
    MEASUREITEMSTRUCT measure;
    measure.itemID = GetCommandId(a);
    measure.itemHeight = unsigned(rowHeight);
    measure.itemData = a;
    if (window_) SendMessage(window_, WM_MEASUREITEM, 0, LPARAM(PtrParam(&measure)));
    widths[size_t(i)] = int(std::min(measure.itemWidth, 0x7FFFu));
    rowHeight = std::max(rowHeight, int(std::min(measure.itemHeight, 0x7FFFu)));
  }
  int x = 0, row = 0;
  for (size_t i = 0; i < rects_.size(); ++i) {
    if (x > 0 && x + widths[i] > width) {
      x = 0;
      ++row;
    }
    rects_[i] = QRect(x, row * rowHeight, widths[i], rowHeight);
    x += widths[i];
  }
  height_ = rects_.empty() ? 0 : (row + 1) * rowHeight;
}

int LineWidth(const QWidget* w) {
  const QMargins m = w->contentsMargins();
  return std::max(0, w->width() - m.left() - m.right());
}

QRect LineRect(QWidget* w, Line& line) {
  const int width = LineWidth(w);
  line.Layout(width);
  const QMargins m = w->contentsMargins();
  return {m.left(), std::max(0, m.top() - line.Height()), width, line.Height()};
}

// The item of the line under a screen point (-1 for none).
int ItemAt(QWidget* w, Line& line, QPoint global) {
  const QRect r = LineRect(w, line);
  const QPoint p = w->mapFromGlobal(global) - r.topLeft();
  for (size_t i = 0; i < line.Rects().size(); ++i)
    if (line.Rects()[i].contains(p)) return int(i);
  return -1;
}

// ---------------------------------------------------------------------------
// The menu loop.

struct Loop {
  QPointer<QWidget> window;
  int hot = -1;
  QPointer<QMenu> popup;
  bool switching = false;  // the popup closes for another one
  bool escaped = false;    // Esc closes the popup: the line keeps the keyboard
};
Loop g_loop;
bool g_altAlone = false;  // Alt went down and no other key since

// The windows a modal window blocks now, as Qt tells them.
std::vector<QPointer<QWindow>>& BlockedWindows() {
  static std::vector<QPointer<QWindow>> windows;
  return windows;
}

bool Blocked(const QWidget* w) {
  const QWindow* handle = w ? w->window()->windowHandle() : nullptr;
  if (!handle) return false;
  const auto& blocked = BlockedWindows();
  return std::find(blocked.begin(), blocked.end(), handle) != blocked.end();
}

void RedrawLine(QWidget* w) {
  if (Line* line = FindLine(w)) w->update(LineRect(w, *line));
}

bool Openable(const QAction* a) { return a->isEnabled(); }

void ReleaseKeyboard(QWidget* w) {
  if (w && QWidget::keyboardGrabber() == w) w->releaseKeyboard();
}

void ClosePopup() {
  if (QMenu* popup = std::exchange(g_loop.popup, nullptr)) {
    g_loop.switching = true;
    popup->close();
    g_loop.switching = false;
  }
}

void EndLoop();

void WindowHidden(QWidget* window) {
  if (g_loop.window == window) EndLoop();
}

void EndLoop() {
  QPointer<QWidget> w = std::exchange(g_loop.window, nullptr);
  g_loop.hot = -1;
  g_loop.escaped = false;
  ClosePopup();
  if (!w) return;
  ReleaseKeyboard(w);
  RedrawLine(w);
  SendMessage(w, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
  if (w) SendMessage(w, WM_EXITMENULOOP, 0, 0);
}

bool EnterLoop(QWidget* w) {
  if (g_loop.window == w) return true;
  EndLoop();
  if (Blocked(w)) return false;
  QPointer<QWidget> alive(w);
  g_loop.window = w;
  SendMessage(w, WM_ENTERMENULOOP, 0, 0);
  return alive && g_loop.window == w;
}

// Makes the item current (WM_MENUSELECT); false when the loop ended meanwhile.
bool SelectItem(Line& line, int index) {
  QWidget* w = g_loop.window;
  if (!w || index < 0 || index >= line.Items().size()) return false;
  g_loop.hot = index;
  RedrawLine(w);
  QAction* a = line.Items()[index];
  unsigned flags = MF_HILITE;
  if (a->menu()) flags |= MF_POPUP;
  if (!a->isEnabled()) flags |= MF_GRAYED | MF_DISABLED;
  const int item = a->menu() ? index : int(GetCommandId(a));
  SendMessage(w, WM_MENUSELECT, MAKEWPARAM(item, int(flags)), LPARAM(PtrParam(line.Bar())));
  return g_loop.window == w && g_loop.hot == index;
}

void PopupClosed(QMenu* menu) {
  if (g_loop.switching || g_loop.popup != menu) return;
  // What was chosen triggers after the hide: the loop ends on the next turn.
  QMetaObject::invokeMethod(
      qApp,
      [menu = QPointer<QMenu>(menu)] {
        if (!g_loop.window || g_loop.popup != menu) return;
        g_loop.popup = nullptr;
        if (std::exchange(g_loop.escaped, false)) {
          g_loop.window->grabKeyboard();
          RedrawLine(g_loop.window);
        } else {
          EndLoop();
        }
      },
      Qt::QueuedConnection);
}

// Opens the item: its popup below it, or its command.
void OpenItem(Line& line, int index, bool keyboard) {
  if (!SelectItem(line, index)) return;
  QWidget* w = g_loop.window;
  QAction* a = line.Items()[index];
  if (!Openable(a)) return;
  QMenu* menu = a->menu();
  if (!menu) {
    EndLoop();
    a->activate(QAction::Trigger);
    if (w) PostMessage(w, WM_COMMAND, MAKEWPARAM(int(GetCommandId(a)), 0), 0);
    return;
  }
  TRect r;
  GetMenuItemRect(w, line.Bar(), unsigned(index), &r);
  ReleaseKeyboard(w);
  g_loop.popup = menu;
  QObject::connect(menu, &QMenu::aboutToHide, menu, [menu] { PopupClosed(menu); },
                   Qt::SingleShotConnection);
  if (!detail::TrackLinePopup(menu, {r.Left, r.Bottom}, w, index)) {
    g_loop.popup = nullptr;
    return;
  }
  if (keyboard)
    for (QAction* item : menu->actions())
      if (item->isVisible() && item->isEnabled() && !item->isSeparator()) {
        menu->setActiveAction(item);
        break;
      }
}

// The next enabled item in a direction, wrapping (the same one for none).
int Neighbour(const Line& line, int from, int step) {
  const int count = int(line.Items().size());
  for (int k = 1; k <= count; ++k) {
    const int i = ((from + step * k) % count + count) % count;
    if (Openable(line.Items()[i])) return i;
  }
  return from;
}

int ItemByMnemonic(const Line& line, QChar ch) {
  for (qsizetype i = 0; i < line.Items().size(); ++i)
    if (!ch.isNull() && Mnemonic(line.Items()[i]->text()) == ch.toUpper()) return int(i);
  return -1;
}

void MoveTo(Line& line, int index, bool open, bool keyboard) {
  if (index == g_loop.hot && (g_loop.popup != nullptr) == open) return;
  ClosePopup();
  if (open)
    OpenItem(line, index, keyboard);
  else
    SelectItem(line, index);
}

QChar KeyChar(const QKeyEvent* e) {
  const int key = e->key();
  if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9)) return QChar(key);
  return e->text().isEmpty() ? QChar() : e->text()[0].toUpper();
}

bool IsMenuKey(const QKeyEvent* e) {
  const auto mods = e->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
  return e->key() == Qt::Key_Alt || (e->key() == Qt::Key_F10 && mods == Qt::NoModifier);
}

// A key while the loop runs; true when the loop took it.
bool LoopKey(Line& line, QObject* receiver, QKeyEvent* e) {
  auto* popup = qobject_cast<QMenu*>(receiver);
  if (g_loop.popup) {
    if (!popup || e->type() != QEvent::KeyPress) return false;
    if (IsMenuKey(e)) {
      EndLoop();
      return true;
    }
    const bool rtl = g_loop.window->layoutDirection() == Qt::RightToLeft;
    const int key = rtl && e->key() == Qt::Key_Left ? Qt::Key_Right : rtl && e->key() == Qt::Key_Right ? Qt::Key_Left : e->key();
    QAction* active = popup->activeAction();
    if (key == Qt::Key_Right && !(active && active->menu() && active->isEnabled())) {
      MoveTo(line, Neighbour(line, g_loop.hot, 1), true, true);
      return true;
    }
    if (key == Qt::Key_Left && popup == g_loop.popup) {
      MoveTo(line, Neighbour(line, g_loop.hot, -1), true, true);
      return true;
    }
    if (key == Qt::Key_Escape && popup == g_loop.popup) g_loop.escaped = true;
    return false;
  }
  // The line has the keyboard.
  auto* widget = qobject_cast<QWidget*>(receiver);
  if (popup || !widget || widget->window() != g_loop.window) return false;
  if (e->type() != QEvent::KeyPress) return true;
  const bool rtl = g_loop.window->layoutDirection() == Qt::RightToLeft;
  switch (e->key()) {
    case Qt::Key_Left: MoveTo(line, Neighbour(line, g_loop.hot, rtl ? 1 : -1), false, true); break;
    case Qt::Key_Right: MoveTo(line, Neighbour(line, g_loop.hot, rtl ? -1 : 1), false, true); break;
    case Qt::Key_Down:
    case Qt::Key_Up:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space: OpenItem(line, g_loop.hot, true); break;
    case Qt::Key_Escape:
    case Qt::Key_Alt:
    case Qt::Key_F10: EndLoop(); break;
    default:
      if (const int i = ItemByMnemonic(line, KeyChar(e)); i >= 0) OpenItem(line, i, true);
      break;
  }
  return true;
}

// The mouse while the loop runs: over the line it moves the loop; a
// press elsewhere ends a loop without popup (the popup ends its own).
bool LoopMouse(Line& line, QMouseEvent* e) {
  QWidget* w = g_loop.window;
  const int index = ItemAt(w, line, e->globalPosition().toPoint());
  if (e->type() == QEvent::MouseMove) {
    if (index >= 0 && g_loop.popup && index != g_loop.hot) MoveTo(line, index, true, false);
    return false;
  }
  if (e->type() != QEvent::MouseButtonPress && e->type() != QEvent::MouseButtonDblClick) return false;
  if (index < 0) {
    if (!g_loop.popup) EndLoop();
    return false;
  }
  if (index == g_loop.hot && g_loop.popup)
    EndLoop();
  else
    MoveTo(line, index, true, false);
  return true;
}

}  // namespace

// ---------------------------------------------------------------------------

void SetMenuItemOwnerDraw(QAction* item, bool on) {
  if (!item) return;
  item->setProperty(kOwnerDraw, on);
  for (const auto& line : std::as_const(Lines()))
    if (line->Bar() && line->Bar()->actions().contains(item)) {
      line->Invalidate();
      if (line->Window()) RecalcNonClient(line->Window());
    }
}

bool IsMenuItemOwnerDraw(const QAction* item) { return item && item->property(kOwnerDraw).toBool(); }

bool GetMenuItemRect(QWidget* window, QWidget* menu, unsigned position, TRect* rect) {
  if (!rect) return false;
  if (auto* popup = qobject_cast<QMenu*>(menu)) {
    QAction* a = GetMenuItem(popup, position, true);
    if (!a || !popup->isVisible()) return false;
    const QRect r = popup->actionGeometry(a).translated(popup->mapToGlobal(QPoint()));
    *rect = Bounds(r.x(), r.y(), r.width(), r.height());
    return true;
  }
  Line* line = window ? FindLine(window) : FindLineOfBar(menu);
  if (!line || !line->Window() || (menu && line->Bar() != menu)) return false;
  QWidget* w = line->Window();
  const QRect lr = LineRect(w, *line);
  if (position >= line->Rects().size()) return false;
  const QRect r = line->Rects()[position].translated(w->mapToGlobal(lr.topLeft()));
  *rect = Bounds(r.x(), r.y(), r.width(), r.height());
  return true;
}

bool DrawMenuBar(QWidget* window) {
  Line* line = FindLine(window);
  if (!line) return false;
  const int before = line->Height();
  line->Invalidate();
  line->Layout(LineWidth(window));
  if (line->Height() != before)
    RecalcNonClient(window);
  else
    RedrawLine(window);
  return true;
}

TRect GetMenuLineRect(QWidget* window) {
  Line* line = FindLine(window);
  if (!line) return {};
  const QRect r = LineRect(window, *line);
  return Bounds(r.x(), r.y(), r.width(), r.height());
}

int GetMenuLineItem(const QWidget* window) { return window && g_loop.window == window ? g_loop.hot : -1; }

QWidget* GetMenuLoopWindow() { return g_loop.window; }

QMenu* GetMenuLoopPopup() { return g_loop.window ? g_loop.popup.data() : nullptr; }

void SetMenuLineLayout(QWidget* window, MenuLineLayout layout) {
  if (!window) return;
  delete FindLayoutHook(window);
  if (layout) new LayoutHook(window, std::move(layout));
  if (Line* line = FindLine(window)) line->Invalidate();
}

void PaintMenuLine(QWidget* w, Canvas& dc) {
  Line* line = FindLine(w);
  if (!line || !line->Bar()) return;
  const QRect lr = LineRect(w, *line);
  if (lr.isEmpty()) return;
  dc.Brush = {clMenuBar, bsSolid};
  dc.FillRect(Bounds(lr.x(), lr.y(), lr.width(), lr.height()));
  dc.Font = GetNonClientMetrics().lfMenuFont;
  dc.SetBkMode(TRANSPARENT);
  const bool inLoop = g_loop.window == w;
  const bool keys = inLoop && !g_loop.popup;
  QPointer<QWidget> alive(w);
  for (qsizetype i = 0; i < line->Items().size() && alive; ++i) {
    QAction* a = line->Items()[i];
    const QRect qr = line->Rects()[size_t(i)].translated(lr.topLeft());
    TRect r = Bounds(qr.x(), qr.y(), qr.width(), qr.height());
    const bool current = inLoop && g_loop.hot == i;
    unsigned state = (current ? ODS_SELECTED : 0) | (a->isEnabled() ? 0 : ODS_GRAYED | ODS_DISABLED) |
                     (w->isActiveWindow() ? 0 : ODS_INACTIVE) | (keys ? 0 : ODS_NOACCEL);
    if (IsMenuItemOwnerDraw(a)) {
      DRAWITEMSTRUCT draw;
      draw.itemID = GetCommandId(a);
      draw.itemState = state;
      draw.hwndItem = line->Bar();
      draw.hDC = &dc;
      draw.rcItem = r;
      draw.itemData = a;
      SendMessage(w, WM_DRAWITEM, 0, LPARAM(PtrParam(&draw)));
      // The handler may have changed the items.
      if (!alive || FindLine(w) != line || i >= line->Items().size()) break;
      continue;
    }
    if (current) {
      dc.Brush.Color = clHighlight;
      dc.FillRect(r);
    }
    dc.Font.Color = !a->isEnabled() ? clGrayText : current ? clHighlightText : clMenuText;
    dc.DrawText(a->text(), r, DT_SINGLELINE | DT_CENTER | DT_VCENTER | (keys ? 0 : DT_HIDEPREFIX));
  }
}

namespace detail {

bool IsLineBar(const QWidget* bar) { return bar && bar->property(kLineBar).toBool(); }

void UpdateMenuLine(QWidget* window, QMenuBar* bar) {
  if (!window) return;
  QMenuBar* want = IsFramed(window) ? bar : nullptr;
  std::shared_ptr<Line> line = Lines().value(window);
  if (line && line->Bar() == want) return;
  if (line) {
    if (g_loop.window == window) EndLoop();
    Lines().remove(window);
    if (QWidget* w = line->Window()) w->removeEventFilter(line.get());
    if (QMenuBar* old = line->Bar()) {
      old->removeEventFilter(line.get());
      old->setProperty(kLineBar, false);
      if (old == bar) old->show();  // the frame went: the bar is a widget again
    }
  }
  if (!want) return;
  StartMessageLayer();
  line = std::make_shared<Line>(window, want);
  want->setProperty(kLineBar, true);
  want->hide();
  Lines().insert(window, line);
  // The bar may go with its window, whose destruction has begun: the band
  // is asked again on the next turn, when the window is still there.
  QObject::connect(want, &QObject::destroyed, line.get(), [window, gone = line.get()] {
    if (FindLine(window) == gone) {
      if (g_loop.window == window) g_loop = {};
      Lines().remove(window);
      QMetaObject::invokeMethod(window, [window] { RecalcNonClient(window); }, Qt::QueuedConnection);
    }
  });
  QObject::connect(window, &QObject::destroyed, line.get(), [window] {
    if (g_loop.window == window || !g_loop.window) g_loop = {};
    Lines().remove(window);
  });
}

int MenuLineHeight(QWidget* window, int width) {
  Line* line = FindLine(window);
  if (!line) return 0;
  line->Layout(std::max(0, width));
  return line->Height();
}

int MenuLineHit(QWidget* window, QPoint global) {
  Line* line = FindLine(window);
  return line && LineRect(window, *line).contains(window->mapFromGlobal(global)) ? HTMENU : HTNOWHERE;
}

void MenuLineClick(QWidget* window, QPoint global) {
  Line* line = FindLine(window);
  const int index = line ? ItemAt(window, *line, global) : -1;
  if (index < 0 || !EnterLoop(window)) return;
  if ((line = FindLine(window))) OpenItem(*line, index, false);
}

void MenuLineKeyMenu(QWidget* window, LPARAM key) {
  Line* line = FindLine(window);
  if (!line) return;
  line->Layout(LineWidth(window));
  const int index = key ? ItemByMnemonic(*line, QChar(char16_t(key))) : Neighbour(*line, -1, 1);
  if (index < 0 || !EnterLoop(window) || !(line = FindLine(window))) return;
  if (key)
    OpenItem(*line, index, true);
  else
    SelectItem(*line, index);
  // Without a popup (none, or a disabled item) the line keeps the keyboard.
  if (g_loop.window == window && !g_loop.popup) window->grabKeyboard();
}

void KeyMenuSystemMenu(QWidget* window) {
  if (!(GetWindowLong(window, GWL_STYLE) & WS_SYSMENU)) return;
  QMenu* menu = GetSystemMenu(window);
  if (!menu) return;
  // The icon sits at the caption's left end: the menu opens at the corner
  // of what lies below the caption (the menu line, else the client area).
  const QMargins m = window->contentsMargins();
  const QPoint at = window->mapToGlobal(QPoint(m.left(), m.top() - GetMenuLineRect(window).Height()));
  TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN, at.x(), at.y(), window);
}

void MenuLineKeyDown(const QKeyEvent* e) {
  if (e->key() != Qt::Key_Alt) g_altAlone = false;
}

void MenuLineWindowBlocked(QWindow* window, bool blocked) {
  auto& windows = BlockedWindows();
  windows.erase(std::remove_if(windows.begin(), windows.end(),
                               [window](const QPointer<QWindow>& w) { return !w || w == window; }),
                windows.end());
  if (!blocked) return;
  windows.emplace_back(window);
  if (g_loop.window && g_loop.window->windowHandle() == window) EndLoop();
}

bool MenuLineEvent(QObject* receiver, QEvent* event) {
  if (Lines().isEmpty()) return false;
  const auto type = event->type();
  if (g_loop.window) {
    Line* line = FindLine(g_loop.window);
    if (!line) {
      EndLoop();
      return false;
    }
    if (type == QEvent::KeyPress || type == QEvent::KeyRelease)
      return LoopKey(*line, receiver, static_cast<QKeyEvent*>(event));
    if (type == QEvent::MouseMove || type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick)
      return LoopMouse(*line, static_cast<QMouseEvent*>(event));
    return false;
  }
  if (type != QEvent::KeyPress && type != QEvent::KeyRelease) return false;
  auto* e = static_cast<QKeyEvent*>(event);
  auto* widget = qobject_cast<QWidget*>(receiver);
  if (!widget || e->isAutoRepeat()) return false;
  // A key goes up the parents until taken: it counts where it starts.
  QWidget* focus = QApplication::focusWidget();
  if (widget != focus && !(widget->isWindow() && (!focus || focus->window() != widget))) return false;
  QWidget* window = widget->window();
  if (type == QEvent::KeyRelease) {
    if (e->key() != Qt::Key_Alt || !std::exchange(g_altAlone, false) || !FindLine(window)) return false;
    SendMessage(window, WM_SYSCOMMAND, SC_KEYMENU, 0);
    return true;
  }
  g_altAlone = e->key() == Qt::Key_Alt;
  Line* line = FindLine(window);
  if (!line || g_altAlone) return false;
  if (e->key() == Qt::Key_F10 && IsMenuKey(e)) {
    SendMessage(window, WM_SYSCOMMAND, SC_KEYMENU, 0);
    return true;
  }
  if ((e->modifiers() & (Qt::AltModifier | Qt::ControlModifier)) != Qt::AltModifier) return false;
  line->Layout(LineWidth(window));
  const QChar ch = KeyChar(e);
  if (ItemByMnemonic(*line, ch) < 0) return false;
  SendMessage(window, WM_SYSCOMMAND, SC_KEYMENU, LPARAM(ch.unicode()));
  return true;
}

}  // namespace detail

}  // namespace platform
