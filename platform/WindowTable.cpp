#include "platform/WindowTable.h"

#include "platform/Mdi.h"
#include "platform/NonClient.h"
#include "platform/WindowProc.h"
#include "platform/WindowProcInternal.h"

#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSizeGrip>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QStringList>
#include <QVariant>
#include <QWidget>

#include <cxxabi.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <typeinfo>
#include <vector>

namespace platform {

namespace {

struct ClassName {
  const char* qt;
  const char* name;
};

// The names of the program's controls and windows, by Qt class; the walk
// goes from the most derived class up, so a subclass comes before its base.
constexpr ClassName kFrameworkNames[] = {
    {"QMenu", "#32768"},
    {"QFileDialog", "#32770"},
    {"QColorDialog", "#32770"},
    {"QFontDialog", "#32770"},
    {"QInputDialog", "#32770"},
    {"QProgressDialog", "#32770"},
    {"QErrorMessage", "#32770"},
    {"QMessageBox", "TMessageForm"},
    {"QPushButton", "TButton"},  // "TBitBtn" with an icon
    {"QToolButton", "TSpeedButton"},  // "TToolButton" on a tool bar
    {"QCheckBox", "TCheckBox"},
    {"QRadioButton", "TRadioButton"},
    {"QComboBox", "TComboBox"},
    {"QTabWidget", "TPageControl"},
    {"QTabBar", "TTabControl"},
    {"QScrollBar", "ScrollBar"},
    {"QSizeGrip", "ScrollBar"},
    {"QLabel", "TLabel"},
    {"QLineEdit", "TEdit"},
    {"QTextEdit", "TMemo"},
    {"QPlainTextEdit", "TMemo"},
    {"QDateTimeEdit", "TDateTimePicker"},
    {"QAbstractSpinBox", "TSpinEdit"},
    {"QGroupBox", "TGroupBox"},
    {"QProgressBar", "TProgressBar"},
    {"QSlider", "TTrackBar"},
    {"QListWidget", "TListBox"},
    {"QListView", "TListView"},
    {"QTreeView", "TTreeView"},
    {"QTableWidget", "TStringGrid"},
    {"QTableView", "TDrawGrid"},
    {"QHeaderView", "THeaderControl"},
    {"QStatusBar", "TStatusBar"},
    {"QToolBar", "TToolBar"},
    {"QScrollArea", "TScrollBox"},
    {"QFrame", "TPanel"},
    {"QMainWindow", "TForm"},
    {"QDialog", "TForm"},
};

// The system's control names, which the controls of a standard dialog
// answer with.
constexpr ClassName kStandardNames[] = {
    {"QPushButton", "Button"},
    {"QCheckBox", "Button"},
    {"QRadioButton", "Button"},
    {"QGroupBox", "Button"},
    {"QToolButton", "ToolbarWindow32"},
    {"QToolBar", "ToolbarWindow32"},
    {"QLabel", "Static"},
    {"QLineEdit", "Edit"},
    {"QTextEdit", "Edit"},
    {"QPlainTextEdit", "Edit"},
    {"QAbstractSpinBox", "Edit"},
    {"QComboBox", "ComboBox"},
    {"QListWidget", "ListBox"},
    {"QListView", "SysListView32"},
    {"QTreeView", "SysTreeView32"},
    {"QHeaderView", "SysHeader32"},
    {"QTabWidget", "SysTabControl32"},
    {"QTabBar", "SysTabControl32"},
    {"QProgressBar", "msctls_progress32"},
    {"QSlider", "msctls_trackbar32"},
    {"QScrollBar", "ScrollBar"},
    {"QSizeGrip", "ScrollBar"},
};

template <size_t N>
const char* Lookup(const ClassName (&table)[N], const char* qtClass) {
  for (const ClassName& entry : table)
    if (std::strcmp(entry.qt, qtClass) == 0) return entry.name;
  return nullptr;
}

bool IsQtClass(const char* name) { return name[0] == 'Q' && name[1] >= 'A' && name[1] <= 'Z'; }

// The C++ class of the widget without namespaces or template arguments:
// the name of a program class that Qt's meta-object does not know.
std::string OwnTypeName(const QWidget* w) {
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> name(abi::__cxa_demangle(typeid(*w).name(), nullptr, nullptr, &status),
                                              std::free);
  if (status != 0 || !name) return {};
  std::string_view n(name.get());
  n = n.substr(0, n.find('<'));
  if (const auto colon = n.rfind("::"); colon != std::string_view::npos) n.remove_prefix(colon + 2);
  return std::string(n);
}

bool IsStandardDialog(const QWidget* window) {
  for (const QMetaObject* mo = window->metaObject(); mo; mo = mo->superClass()) {
    const char* name = Lookup(kFrameworkNames, mo->className());
    if (name) return std::strcmp(name, "#32770") == 0;
  }
  return false;
}

// `w` is the viewport of `area`, one of its scroll bars, or a scroll bar's holder.
bool IsScrollAreaPart(const QWidget* w, const QAbstractScrollArea* area) {
  for (const QScrollBar* bar : {area->horizontalScrollBar(), area->verticalScrollBar()})
    if (bar == w || bar->parentWidget() == w) return true;
  return area->viewport() == w;
}

// The widgets Qt builds composite widgets from, which were no controls of
// their own: edits of combo and spin boxes, a combo box's drop-down list
// and everything in it, a scroll area's viewport, scroll bars and their
// holders.
bool IsInnerPart(const QWidget* w) {
  const QWidget* parent = w->parentWidget();
  if (!parent) return false;
  if (qobject_cast<const QLineEdit*>(w) &&
      (qobject_cast<const QComboBox*>(parent) || qobject_cast<const QAbstractSpinBox*>(parent)))
    return true;
  if (qobject_cast<const QHeaderView*>(w) && qobject_cast<const QAbstractItemView*>(parent)) return true;
  for (const QWidget* a = w; a; a = a->parentWidget())
    if (a->inherits("QComboBoxPrivateContainer")) return true;
  if (auto* area = qobject_cast<const QAbstractScrollArea*>(parent); area && IsScrollAreaPart(w, area))
    return true;
  const QWidget* grandParent = parent->parentWidget();
  auto* area = qobject_cast<const QAbstractScrollArea*>(grandParent);
  return area && IsScrollAreaPart(parent, area) && parent != area->viewport();
}

// Text on the left of a check box or radio button, several lines on a button.
std::uint32_t ButtonTextStyle(const QAbstractButton* b) {
  std::uint32_t style = b->text().contains(QLatin1Char('\n')) ? BS_MULTILINE : 0;
  if (!qobject_cast<const QPushButton*>(b) && b->layoutDirection() == Qt::RightToLeft) style |= BS_LEFTTEXT;
  return style;
}

std::uint32_t ButtonStyle(const QAbstractButton* b) {
  if (auto* p = qobject_cast<const QPushButton*>(b)) return p->isDefault() ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
  if (auto* c = qobject_cast<const QCheckBox*>(b)) return c->isTristate() ? BS_AUTO3STATE : BS_AUTOCHECKBOX;
  if (qobject_cast<const QRadioButton*>(b)) return b->autoExclusive() ? BS_AUTORADIOBUTTON : BS_RADIOBUTTON;
  return 0;
}

std::uint32_t ClassStyle(const QWidget* w) {
  if (auto* t = qobject_cast<const QToolBar*>(w))
    return TBSTYLE_FLAT | (t->toolButtonStyle() == Qt::ToolButtonTextBesideIcon ? TBSTYLE_LIST : 0);
  if (qobject_cast<const QToolButton*>(w)) return GetClassName(w) == "ToolbarWindow32" ? TBSTYLE_FLAT : 0;
  if (auto* b = qobject_cast<const QAbstractButton*>(w)) return ButtonStyle(b) | ButtonTextStyle(b);
  if (qobject_cast<const QGroupBox*>(w)) return BS_GROUPBOX;
  if (auto* s = qobject_cast<const QScrollBar*>(w)) return s->orientation() == Qt::Vertical ? SBS_VERT : SBS_HORZ;
  if (qobject_cast<const QSizeGrip*>(w)) return SBS_SIZEGRIP;
  if (auto* c = qobject_cast<const QComboBox*>(w)) return c->isEditable() ? CBS_DROPDOWN : CBS_DROPDOWNLIST;
  if (qobject_cast<const QLineEdit*>(w) || qobject_cast<const QTextEdit*>(w) ||
      qobject_cast<const QPlainTextEdit*>(w)) {
    const std::uint32_t readOnly = w->property("readOnly").toBool() ? ES_READONLY : 0;
    return qobject_cast<const QLineEdit*>(w) ? readOnly : ES_MULTILINE | readOnly;
  }
  if (auto* l = qobject_cast<const QLabel*>(w)) {
    if (!l->pixmap().isNull()) return SS_BITMAP;
    if (l->alignment() & Qt::AlignHCenter) return SS_CENTER;
    return l->alignment() & Qt::AlignRight ? SS_RIGHT : SS_LEFT;
  }
  QTabBar::Shape shape = QTabBar::RoundedNorth;
  if (auto* t = qobject_cast<const QTabBar*>(w)) shape = t->shape();
  else if (auto* t = qobject_cast<const QTabWidget*>(w)) shape = QTabBar::Shape(t->tabPosition());
  switch (shape) {
    case QTabBar::RoundedSouth: case QTabBar::TriangularSouth: return TCS_BOTTOM;
    case QTabBar::RoundedWest: case QTabBar::TriangularWest: return TCS_VERTICAL;
    case QTabBar::RoundedEast: case QTabBar::TriangularEast: return TCS_VERTICAL | TCS_RIGHT;
    default: return 0;
  }
}

bool IsPopupType(Qt::WindowType type) {
  return type == Qt::Popup || type == Qt::ToolTip || type == Qt::SplashScreen;
}

// A window with a non-client frame of ours keeps the style of the flags it
// had before.
Qt::WindowFlags StyleFlags(const QWidget* w) { return detail::FramedFlags(w).value_or(w->windowFlags()); }

bool Resizable(const QWidget* w) {
  return w->minimumSize() != w->maximumSize() && !(StyleFlags(w) & Qt::MSWindowsFixedSizeDialogHint);
}

// An MDI child's form has the caption of its sub-window (as it had before
// a frame of ours made the sub-window frameless).
std::uint32_t MdiChildCaptionStyle(const QWidget* w) {
  const QMdiSubWindow* sub = MdiSubWindowOf(w);
  if (!sub || sub == w) return 0;
  const Qt::WindowFlags flags = detail::FramedFlags(w).value_or(sub->windowFlags());
  if (flags & Qt::FramelessWindowHint) return 0;
  std::uint32_t style = WS_CAPTION;
  if (flags & Qt::WindowSystemMenuHint) style |= WS_SYSMENU;
  if (flags & Qt::WindowMinimizeButtonHint) style |= WS_MINIMIZEBOX;
  if (flags & Qt::WindowMaximizeButtonHint) style |= WS_MAXIMIZEBOX;
  if (sub->minimumSize() != sub->maximumSize()) style |= WS_THICKFRAME;
  if (sub->isMinimized()) style |= WS_MINIMIZE;
  if (sub->isMaximized()) style |= WS_MAXIMIZE;
  return style;
}

std::uint32_t StateStyle(const QWidget* w) {
  std::uint32_t style = 0;
  if (w->isWindow()) {
    const Qt::WindowFlags flags = StyleFlags(w);
    const Qt::WindowType type = w->windowType();
    if (IsPopupType(type) || type == Qt::Dialog || type == Qt::Sheet) style |= WS_POPUP;
    if (qobject_cast<const QDialog*>(w) && !Resizable(w)) style |= DS_MODALFRAME;
    if (!IsPopupType(type) && !(flags & Qt::FramelessWindowHint)) {
      if (flags & Qt::WindowTitleHint) style |= WS_CAPTION;
      if (flags & Qt::WindowSystemMenuHint) style |= WS_SYSMENU;
      if (flags & Qt::WindowMinimizeButtonHint) style |= WS_MINIMIZEBOX;
      if (flags & Qt::WindowMaximizeButtonHint) style |= WS_MAXIMIZEBOX;
      if (Resizable(w)) style |= WS_THICKFRAME;
    }
    if (w->isMinimized()) style |= WS_MINIMIZE;
    if (w->isMaximized()) style |= WS_MAXIMIZE;
    if (w->isVisible() && !w->testAttribute(Qt::WA_ForceUpdatesDisabled)) style |= WS_VISIBLE;
  } else {
    style |= WS_CHILD | MdiChildCaptionStyle(w);
    if (w->isVisibleTo(w->parentWidget()) && !w->testAttribute(Qt::WA_ForceUpdatesDisabled)) style |= WS_VISIBLE;
    if (w->focusPolicy() & Qt::TabFocus) style |= WS_TABSTOP;
    if (auto* f = qobject_cast<const QFrame*>(w); f && f->frameShape() != QFrame::NoFrame &&
                                                   f->frameShadow() == QFrame::Plain && f->lineWidth() > 0)
      style |= WS_BORDER;
  }
  if (w->testAttribute(Qt::WA_ForceDisabled)) style |= WS_DISABLED;
  if (auto* area = qobject_cast<const QAbstractScrollArea*>(w)) {
    if (area->horizontalScrollBar()->isVisibleTo(area)) style |= WS_HSCROLL;
    if (area->verticalScrollBar()->isVisibleTo(area)) style |= WS_VSCROLL;
  }
  return style | ClassStyle(w);
}

// The edges: the style's sunken frame (StyledPanel, WinPanel; a scroll
// area's, an edit's, a combo or spin box's frame) and a sunken Panel at
// least 2 wide are the client edge, a sunken Panel 1 wide the static edge;
// an MDI client always has the client edge.
std::uint32_t EdgeStyle(const QWidget* w) {
  if (qobject_cast<const QMdiArea*>(w)) return WS_EX_CLIENTEDGE;
  if (auto* e = qobject_cast<const QLineEdit*>(w)) return e->hasFrame() ? WS_EX_CLIENTEDGE : 0;
  if (auto* c = qobject_cast<const QComboBox*>(w)) return c->hasFrame() ? WS_EX_CLIENTEDGE : 0;
  if (auto* s = qobject_cast<const QAbstractSpinBox*>(w)) return s->hasFrame() ? WS_EX_CLIENTEDGE : 0;
  auto* f = qobject_cast<const QFrame*>(w);
  if (!f || f->frameShadow() != QFrame::Sunken) return 0;
  switch (f->frameShape()) {
    case QFrame::StyledPanel:
    case QFrame::WinPanel: return WS_EX_CLIENTEDGE;
    case QFrame::Panel: return f->lineWidth() >= 2 ? WS_EX_CLIENTEDGE : f->lineWidth() == 1 ? WS_EX_STATICEDGE : 0;
    default: return 0;
  }
}

std::uint32_t StateExStyle(const QWidget* w) {
  std::uint32_t style = EdgeStyle(w);
  if (w->isWindow()) {
    const Qt::WindowFlags flags = StyleFlags(w);
    if (w->windowType() == Qt::Dialog && !(flags & Qt::FramelessWindowHint) && !Resizable(w))
      style |= WS_EX_DLGMODALFRAME;
    if (flags & Qt::WindowContextHelpButtonHint) style |= WS_EX_CONTEXTHELP;
    if (w->windowType() == Qt::Tool) style |= WS_EX_TOOLWINDOW;
    if (flags & Qt::WindowStaysOnTopHint) style |= WS_EX_TOPMOST;
    if (flags & Qt::WindowDoesNotAcceptFocus) style |= WS_EX_NOACTIVATE;
    if (w->testAttribute(Qt::WA_TranslucentBackground)) style |= WS_EX_LAYERED;
    if (flags & Qt::WindowTransparentForInput) style |= WS_EX_TRANSPARENT;
  }
  if (w->testAttribute(Qt::WA_TransparentForMouseEvents)) style |= WS_EX_TRANSPARENT;
  if (w->layoutDirection() == Qt::RightToLeft) style |= WS_EX_RIGHT | WS_EX_RTLREADING | WS_EX_LEFTSCROLLBAR;
  return style;
}

// The bits SetWindowLong was given that differ from the widget's state:
// the mask in the high half, the bits in the low half.
const char* KeptBitsProperty(int index) { return index == GWL_STYLE ? "_win_style" : "_win_exstyle"; }

std::uint32_t StyleWord(const QWidget* w, int index) {
  const std::uint32_t state = index == GWL_STYLE ? StateStyle(w) : StateExStyle(w);
  const quint64 kept = w->property(KeptBitsProperty(index)).toULongLong();
  const auto mask = std::uint32_t(kept >> 32);
  return (state & ~mask) | (std::uint32_t(kept) & mask);
}

constexpr std::uint32_t kRightToLeft = WS_EX_RIGHT | WS_EX_RTLREADING | WS_EX_LEFTSCROLLBAR;
constexpr std::uint32_t kRightToLeftBits = WS_EX_RTLREADING | WS_EX_LEFTSCROLLBAR;

// The widget whose style SetWindowLong is setting (its own Qt changes send
// no style messages of their own).
const QWidget* g_restyled = nullptr;

// Offers `requested` as the new style word, applies what has a Qt meaning
// (when `apply`: WS_DISABLED, WS_VISIBLE as painting, the right-to-left
// bits as layout direction), keeps the rest and tells the new word.
void ChangeStyle(QWidget* w, int index, std::uint32_t old, std::uint32_t requested, bool apply) {
  QPointer<QWidget> alive(w);
  STYLESTRUCT change{old, requested};
  SendMessage(w, WM_STYLECHANGING, WPARAM(index), LPARAM(PtrParam(&change)));
  if (!alive) return;
  const std::uint32_t bits = change.styleNew;
  if (apply) {
    const QWidget* outer = std::exchange(g_restyled, w);
    const std::uint32_t changed = old ^ bits;
    if (index == GWL_STYLE) {
      if (changed & WS_DISABLED) w->setEnabled(!(bits & WS_DISABLED));
      if (!(bits & WS_VISIBLE) && (old & WS_VISIBLE) && !w->testAttribute(Qt::WA_ForceUpdatesDisabled))
        w->setUpdatesEnabled(false);
      else if ((bits & WS_VISIBLE) && w->testAttribute(Qt::WA_ForceUpdatesDisabled))
        w->setUpdatesEnabled(true);
    } else if ((changed & kRightToLeftBits) && (bits & kRightToLeftBits) != (old & kRightToLeftBits) &&
               ((bits & kRightToLeftBits) == kRightToLeftBits || !(bits & kRightToLeftBits))) {
      w->setLayoutDirection(bits & kRightToLeftBits ? Qt::RightToLeft : Qt::LeftToRight);
    }
    g_restyled = outer;
    if (!alive) return;
  }
  const std::uint32_t state = index == GWL_STYLE ? StateStyle(w) : StateExStyle(w);
  const std::uint32_t mask = state ^ bits;
  w->setProperty(KeptBitsProperty(index), quint64(mask) << 32 | (bits & mask));
  change.styleOld = old;
  SendMessage(w, WM_STYLECHANGED, WPARAM(index), LPARAM(PtrParam(&change)));
}

QByteArray PropName(const QString& name) { return "_win_prop:" + name.toCaseFolded().toUtf8(); }

// Forms show their title; controls (also parentless ones) their text.
const char* TextProperty(const QWidget* w) {
  if (qobject_cast<const QDialog*>(w) || qobject_cast<const QMainWindow*>(w)) return "windowTitle";
  if (qobject_cast<const QGroupBox*>(w)) return "title";
  if (qobject_cast<const QComboBox*>(w)) return "currentText";
  return w->metaObject()->indexOfProperty("text") >= 0 ? "text" : "windowTitle";
}

// The child controls of `w`, bottom of the stack first.
std::vector<QWidget*> ChildControls(const QWidget* w) {
  std::vector<QWidget*> controls;
  for (QObject* child : w->children())
    if (child->isWidgetType() && !static_cast<QWidget*>(child)->isWindow())
      controls.push_back(static_cast<QWidget*>(child));
  return controls;
}

}  // namespace

QString GetClassName(const QWidget* window) {
  if (!window) return {};
  const char* own = window->metaObject()->className();
  if (IsInnerPart(window)) {
    if (qobject_cast<const QScrollBar*>(window)) return QStringLiteral("ScrollBar");
    if (qobject_cast<const QLineEdit*>(window)) return QStringLiteral("Edit");
    if (window->inherits("QComboBoxPrivateContainer")) return QStringLiteral("ComboLBox");
    if (qobject_cast<const QHeaderView*>(window)) return QStringLiteral("SysHeader32");
    return QString::fromLatin1(own);
  }
  if (IsQtClass(own)) {
    const std::string typeName = OwnTypeName(window);
    if (!typeName.empty() && !IsQtClass(typeName.c_str())) return QString::fromStdString(typeName);
  }
  const bool standard = !window->isWindow() && IsStandardDialog(window->window());
  for (const QMetaObject* mo = window->metaObject(); mo; mo = mo->superClass()) {
    const char* qt = mo->className();
    if (!IsQtClass(qt)) return QString::fromLatin1(qt);
    const char* name = standard ? Lookup(kStandardNames, qt) : Lookup(kFrameworkNames, qt);
    if (!name) continue;
    if (!standard && std::strcmp(qt, "QPushButton") == 0 &&
        !static_cast<const QPushButton*>(window)->icon().isNull())
      return QStringLiteral("TBitBtn");
    if (!standard && std::strcmp(qt, "QToolButton") == 0 && qobject_cast<const QToolBar*>(window->parentWidget()))
      return QStringLiteral("TToolButton");
    return QString::fromLatin1(name);
  }
  return QString::fromLatin1(own);
}

QWidget* ControlFromWindow(QWidget* window) {
  return window && !IsInnerPart(window) ? window : nullptr;
}

std::intptr_t GetWindowLong(const QWidget* window, int index) {
  if (!window) return 0;
  switch (index) {
    case GWL_STYLE:
    case GWL_EXSTYLE: return StyleWord(window, index);
    case GWL_USERDATA: return window->property("_win_userdata").toLongLong();
    case GWL_ID: return window->property("_win_id").toLongLong();
    case GWL_HINSTANCE: return kProgramInstance;
    case GWL_HWNDPARENT: return std::intptr_t(GetParent(window));
    default: return 0;
  }
}

std::intptr_t SetWindowLong(QWidget* window, int index, std::intptr_t value) {
  if (!window) return 0;
  const std::intptr_t old = GetWindowLong(window, index);
  if (index == GWL_USERDATA || index == GWL_ID)
    window->setProperty(index == GWL_ID ? "_win_id" : "_win_userdata", qlonglong(value));
  else if (index == GWL_STYLE || index == GWL_EXSTYLE)
    ChangeStyle(window, index, std::uint32_t(old), std::uint32_t(value), true);
  return old;
}

std::uintptr_t GetClassLong(const QWidget* window, int index) {
  if (!window || index != GCL_STYLE || !window->isWindow()) return 0;
  const Qt::WindowFlags flags = StyleFlags(window);
  return (flags & Qt::CustomizeWindowHint) && !(flags & Qt::WindowCloseButtonHint) ? CS_NOCLOSE : 0;
}

unsigned GetControlState(const QWidget* control) {
  if (!control) return 0;
  return (control->testAttribute(Qt::WA_WState_Polished) ? 0 : csCreating) |
         (IsDestroying(control) ? csDestroying : 0);
}

bool HandleAllocated(const QWidget* control) { return control && GetControlState(control) == 0; }

bool IsDestroying(const QWidget* control) {
  return control && control->property("_win_destroying").toBool();
}

bool IsGraphicControl(const QWidget* control) {
  static const QStringList graphic{"TLabel", "TSpeedButton", "TToolButton", "TImage", "TBevel", "TShape", "TPaintBox"};
  return control && !control->isWindow() && graphic.contains(GetClassName(control));
}

unsigned GetControlStyle(const QWidget* control) {
  return control && control->testAttribute(Qt::WA_OpaquePaintEvent) ? csOpaque : 0;
}

void SetControlStyle(QWidget* control, unsigned style) {
  if (control) control->setAttribute(Qt::WA_OpaquePaintEvent, style & csOpaque);
}

namespace detail {

void DirectionChanged(QWidget* widget) {
  if (widget == g_restyled) return;  // SetWindowLong changes it
  const std::uint32_t now = StyleWord(widget, GWL_EXSTYLE);
  ChangeStyle(widget, GWL_EXSTYLE, now ^ kRightToLeft, now, false);
}

}  // namespace detail

TRect GetWindowRect(const QWidget* window) {
  if (!window) return {};
  // An iconic MDI child's is its sub-window's.
  const QWidget* shown = NonClientWidget(window);
  const QRect r = shown->isWindow() ? detail::WindowScreenRect(shown)
                                    : QRect(shown->mapToGlobal(QPoint(0, 0)), shown->size());
  return Bounds(r.x(), r.y(), r.width(), r.height());
}

TRect GetClientRect(const QWidget* window) {
  if (!window) return {};
  const QRect c = window->contentsRect();
  return Rect(0, 0, c.width(), c.height());
}

QPoint ClientOrigin(const QWidget* window) { return window->contentsRect().topLeft(); }

bool SetProp(QWidget* window, const QString& name, void* value) {
  if (!window) return false;
  window->setProperty(PropName(name), QVariant::fromValue(quintptr(value)));
  return true;
}

void* GetProp(const QWidget* window, const QString& name) {
  if (!window) return nullptr;
  return reinterpret_cast<void*>(window->property(PropName(name)).value<quintptr>());
}

void* RemoveProp(QWidget* window, const QString& name) {
  void* value = GetProp(window, name);
  if (window) window->setProperty(PropName(name), QVariant());
  return value;
}

int GetTag(const QWidget* control) { return control ? control->property("Tag").toInt() : 0; }

void SetTag(QWidget* control, int tag) {
  if (control) control->setProperty("Tag", tag);
}

QWidget* GetParent(const QWidget* window) { return window ? window->parentWidget() : nullptr; }

QWidget* GetWindow(const QWidget* window, unsigned command) {
  if (!window) return nullptr;
  if (command == GW_CHILD) return GetTopWindow(window);
  if (command == GW_OWNER) return window->isWindow() ? window->parentWidget() : nullptr;
  if (window->isWindow() || command > GW_HWNDPREV) return nullptr;
  const std::vector<QWidget*> siblings = ChildControls(window->parentWidget());
  const auto at = std::find(siblings.begin(), siblings.end(), window) - siblings.begin();
  const auto last = std::ptrdiff_t(siblings.size()) - 1;
  switch (command) {
    case GW_HWNDFIRST: return siblings.back();
    case GW_HWNDLAST: return siblings.front();
    case GW_HWNDNEXT: return at > 0 ? siblings[at - 1] : nullptr;
    default: return at < last ? siblings[at + 1] : nullptr;
  }
}

QWidget* GetTopWindow(const QWidget* window) {
  if (!window) return nullptr;
  const std::vector<QWidget*> controls = ChildControls(window);
  return controls.empty() ? nullptr : controls.back();
}

QWidget* GetFocus() { return QApplication::focusWidget(); }

QString GetWindowText(const QWidget* window) {
  return window ? window->property(TextProperty(window)).toString() : QString();
}

void PutWindowText(QWidget* window, const QString& text) {
  if (window) window->setProperty(TextProperty(window), text);
}

}  // namespace platform
