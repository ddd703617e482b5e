#include "platform/WindowTable.h"

#include "platform/WindowProcInternal.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSizeGrip>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QVariant>
#include <QWidget>

#include <algorithm>
#include <cstring>
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
    {"QToolButton", "TSpeedButton"},
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
    {"QTableView", "TStringGrid"},
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
  for (const QWidget* a = w; a; a = a->parentWidget())
    if (a->inherits("QComboBoxPrivateContainer")) return true;
  if (auto* area = qobject_cast<const QAbstractScrollArea*>(parent); area && IsScrollAreaPart(w, area))
    return true;
  const QWidget* grandParent = parent->parentWidget();
  auto* area = qobject_cast<const QAbstractScrollArea*>(grandParent);
  return area && IsScrollAreaPart(parent, area) && parent != area->viewport();
}

std::uint32_t ClassStyle(const QWidget* w) {
  if (auto* b = qobject_cast<const QPushButton*>(w)) return b->isDefault() ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
  if (auto* b = qobject_cast<const QCheckBox*>(w)) return b->isTristate() ? BS_AUTO3STATE : BS_AUTOCHECKBOX;
  if (qobject_cast<const QRadioButton*>(w)) return BS_AUTORADIOBUTTON;
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

std::uint32_t StateStyle(const QWidget* w) {
  std::uint32_t style = 0;
  if (w->isWindow()) {
    const Qt::WindowFlags flags = StyleFlags(w);
    const Qt::WindowType type = w->windowType();
    if (IsPopupType(type) || type == Qt::Dialog || type == Qt::Sheet) style |= WS_POPUP;
    if (!IsPopupType(type) && !(flags & Qt::FramelessWindowHint)) {
      if (flags & Qt::WindowTitleHint) style |= WS_CAPTION;
      if (flags & Qt::WindowSystemMenuHint) style |= WS_SYSMENU;
      if (flags & Qt::WindowMinimizeButtonHint) style |= WS_MINIMIZEBOX;
      if (flags & Qt::WindowMaximizeButtonHint) style |= WS_MAXIMIZEBOX;
      if (Resizable(w)) style |= WS_THICKFRAME;
    }
    if (w->isMinimized()) style |= WS_MINIMIZE;
    if (w->isMaximized()) style |= WS_MAXIMIZE;
    if (w->isVisible()) style |= WS_VISIBLE;
  } else {
    style |= WS_CHILD;
    if (w->isVisibleTo(w->parentWidget())) style |= WS_VISIBLE;
  }
  if (w->testAttribute(Qt::WA_ForceDisabled)) style |= WS_DISABLED;
  if (auto* area = qobject_cast<const QAbstractScrollArea*>(w)) {
    if (area->horizontalScrollBar()->isVisibleTo(area)) style |= WS_HSCROLL;
    if (area->verticalScrollBar()->isVisibleTo(area)) style |= WS_VSCROLL;
  }
  return style | ClassStyle(w);
}

std::uint32_t StateExStyle(const QWidget* w) {
  std::uint32_t style = 0;
  if (w->isWindow()) {
    const Qt::WindowFlags flags = StyleFlags(w);
    if (w->windowType() == Qt::Dialog && !(flags & Qt::FramelessWindowHint) && !Resizable(w))
      style |= WS_EX_DLGMODALFRAME;
    if (flags & Qt::WindowContextHelpButtonHint) style |= WS_EX_CONTEXTHELP;
  }
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
    return QString::fromLatin1(own);
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
    case GWL_HINSTANCE: return kProgramInstance;
    case GWL_HWNDPARENT: return std::intptr_t(GetParent(window));
    default: return 0;
  }
}

std::intptr_t SetWindowLong(QWidget* window, int index, std::intptr_t value) {
  if (!window) return 0;
  const std::intptr_t old = GetWindowLong(window, index);
  if (index == GWL_USERDATA) {
    window->setProperty("_win_userdata", qlonglong(value));
  } else if (index == GWL_STYLE || index == GWL_EXSTYLE) {
    const auto bits = std::uint32_t(value);
    if (index == GWL_STYLE && ((std::uint32_t(old) ^ bits) & WS_DISABLED))
      window->setEnabled(!(bits & WS_DISABLED));
    const std::uint32_t state = index == GWL_STYLE ? StateStyle(window) : StateExStyle(window);
    const std::uint32_t mask = state ^ bits;
    window->setProperty(KeptBitsProperty(index), quint64(mask) << 32 | (bits & mask));
  }
  return old;
}

TRect GetWindowRect(const QWidget* window) {
  if (!window) return {};
  const QRect r = window->isWindow() ? window->frameGeometry()
                                     : QRect(window->mapToGlobal(QPoint(0, 0)), window->size());
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
