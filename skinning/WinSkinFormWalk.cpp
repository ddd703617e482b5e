#include "skinning/WinSkinFormWalk.h"

#include "platform/WindowTable.h"
#include "skinning/WinSkinFormFrame.h"
#include "skinning/WinSkinStyle.h"
#include "skinning/WinSubClassButtons.h"
#include "skinning/WinSubClassContainers.h"
#include "skinning/WinSubClassPanels.h"
#include "skinning/WinSubClassStyled.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDockWidget>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSet>
#include <QSizeGrip>
#include <QSlider>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <cstring>

using namespace platform;

namespace skinning {

namespace {

// Set on the buttons of a radio or check group tagged DisableTag.
constexpr char kSkipped[] = "_skin_skipped";

// The first of Qt's own classes the widget's class derives from.
const char* QtClassOf(const QWidget* w) {
  for (const QMetaObject* mo = w->metaObject(); mo; mo = mo->superClass()) {
    const char* name = mo->className();
    if (name[0] == 'Q' && name[1] >= 'A' && name[1] <= 'Z') return name;
  }
  return "";
}

bool IsQtClass(const QWidget* w, const char* name) { return std::strcmp(QtClassOf(w), name) == 0; }

// A group of buttons of one kind: a group box holding only such buttons,
// or a class named so.
template <class Button>
bool IsButtonGroup(const QWidget* w, const QString& name) {
  if (GetClassName(w).toLower().contains(name)) return true;
  if (!qobject_cast<const QGroupBox*>(w)) return false;
  bool any = false;
  for (const QObject* child : w->children())
    if (auto* button = qobject_cast<const QAbstractButton*>(child)) {
      if (!qobject_cast<const Button*>(button)) return false;
      any = true;
    }
  return any;
}
bool IsRadioGroup(const QWidget* w) { return IsButtonGroup<QRadioButton>(w, QStringLiteral("radiogroup")); }
bool IsCheckGroup(const QWidget* w) { return IsButtonGroup<QCheckBox>(w, QStringLiteral("checkgroup")); }

// A page of a tab widget.
bool IsTabSheet(const QWidget* w) {
  const QWidget* stack = w->parentWidget();
  auto* tabs = stack ? qobject_cast<const QTabWidget*>(stack->parentWidget()) : nullptr;
  return tabs && tabs->indexOf(const_cast<QWidget*>(w)) >= 0;
}

// A form placed inside another: a main window or dialog made a child, or
// one of the program's form classes (named TFrm... or Tfrm...).
bool IsEmbeddedForm(const QWidget* w) {
  return qobject_cast<const QMainWindow*>(w) || qobject_cast<const QDialog*>(w) ||
         GetClassName(w).startsWith(QStringLiteral("TFrm"), Qt::CaseInsensitive);
}

// A tool button of a tool bar (the others are speed buttons).
bool IsToolBarButton(const QWidget* w) {
  return qobject_cast<const QToolButton*>(w) && qobject_cast<const QToolBar*>(w->parentWidget());
}

// The drop-down of a tool button: its own, or its action's.
QMenu* DropDownOf(const QToolButton* button) {
  if (QMenu* menu = button->menu()) return menu;
  return button->defaultAction() ? button->defaultAction()->menu() : nullptr;
}

QMenuBar* MenuBarOf(QWidget* form) {
  if (auto* main = qobject_cast<QMainWindow*>(form)) return qobject_cast<QMenuBar*>(main->menuWidget());
  return form ? form->findChild<QMenuBar*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

// The menus under a menu bar (its drop-downs and their sub-menus), each once.
void CollectMenus(const QList<QAction*>& actions, QSet<QMenu*>& menus) {
  for (QAction* action : actions)
    if (QMenu* menu = action->menu(); menu && !menus.contains(menu)) {
      menus.insert(menu);
      CollectMenus(menu->actions(), menus);
    }
}

}  // namespace

bool IsSkinContainer(const QWidget* w) {
  if (!w) return false;
  if (qobject_cast<const QMainWindow*>(w) || qobject_cast<const QDialog*>(w) || qobject_cast<const QTabWidget*>(w) ||
      qobject_cast<const QScrollArea*>(w) || qobject_cast<const QGroupBox*>(w) || qobject_cast<const QToolBar*>(w) ||
      qobject_cast<const QSplitter*>(w) || qobject_cast<const QStackedWidget*>(w) ||
      qobject_cast<const QDockWidget*>(w) || qobject_cast<const QDialogButtonBox*>(w))
    return true;
  return IsQtClass(w, "QWidget") || IsQtClass(w, "QFrame");
}

std::vector<QWidget*> SkinChildren(const QWidget* container) {
  std::vector<QWidget*> children;
  if (auto* tabs = qobject_cast<const QTabWidget*>(container)) {
    for (int i = 0; i < tabs->count(); ++i) children.push_back(tabs->widget(i));
  } else if (auto* box = qobject_cast<const QScrollArea*>(container)) {
    if (box->widget()) children.push_back(box->widget());
  } else if (container) {
    for (QObject* child : container->children())
      if (auto* w = qobject_cast<QWidget*>(child); w && !w->isWindow() && ControlFromWindow(w)) children.push_back(w);
  }
  return children;
}

QString SkinKindOf(const QStringList& skin3rd, const QString& className) {
  const QString key = className.toLower() + QLatin1Char('=');
  for (const QString& line : skin3rd)
    if (line.toLower().startsWith(key)) return line.mid(line.indexOf(QLatin1Char('=')) + 1).left(50).toLower();
  return {};
}

// ---------------------------------------------------------------------------

TWinSkinForm::TWinSkinForm(QObject* owner) : TSkinFormObject(owner) {}

TWinSkinForm::~TWinSkinForm() {
  RemoveCbtHook(hook_);
  FreePainters();
}

bool TWinSkinForm::Has(TSkinControlType kind) const { return SkinData() && SkinData()->SkinControls.Has(kind); }

bool TWinSkinForm::HasTabElement() const {
  const TDataSkinBorder* tabs = SkinData() ? SkinData()->Model().Tabs.get() : nullptr;
  return tabs && !tabs->Empty();
}

void TWinSkinForm::AttachForm(TSkinData* skinData, QWidget* control) {
  if (!skinData) return;
  formControl_ = control;
  if (skinData->OnBeforeSkinForm && Window()) skinData->OnBeforeSkinForm(this, Window(), Window()->objectName());
  if (control && skinData->SkinControls.Has(xcMenuItem))
    SetPropertyText(control, QStringLiteral("AutoScroll"), QStringLiteral("False"));
  SubclassForm(skinData);
  if (control) {
    savedColour_ = TSavedLook::Of(control);
    colourSaved_ = true;
    SetControlColor(control, skinData->Model().Colours[scButtonFace]);
  }
  if (skinData->SkinControls.Has(xcMenuItem)) SetMenusOwnerDraw(true);
  // Controls made in the form later are walked too.
  hook_ = InstallCbtHook([this](int code, WPARAM wParam, LPARAM lParam, const CallNextHook& next) {
    auto* widget = code == HCBT_CREATEWND ? ParamPtr<QWidget>(wParam) : nullptr;
    if (widget && Window() && widget != Window() && Window()->isAncestorOf(widget)) ScheduleRescan();
    return next(code, wParam, lParam);
  });
}

void TWinSkinForm::SubclassForm(TSkinData* skinData) {
  if (subclassed_ || !Window()) return;
  subclassed_ = true;
  TSkinFormObject::AttachForm(skinData, formControl_);  // the window procedure, the form kind
  QWidget* w = Window();
  FrameSkinning = skinData->SkinControls.Has(xcMainMenu);
  Style = std::uint32_t(GetWindowLong(w, GWL_STYLE));
  ExStyle = std::uint32_t(GetWindowLong(w, GWL_EXSTYLE));
  RightToLeft = ExStyle & WS_EX_LEFTSCROLLBAR;
  ChildWindow = Style & WS_CHILD;
  Owner = GetWindow(w, GW_OWNER);
  CaptionButtons = (Style & WS_MAXIMIZEBOX ? kMaximizeBox : 0) | (Style & WS_MINIMIZEBOX ? kMinimizeBox : 0) |
                   (ExStyle & WS_EX_CONTEXTHELP ? kHelpButton : 0) | (Style & WS_SYSMENU ? kSystemMenuBox : 0);
  ThickFrame = Style & WS_THICKFRAME;
  if (FormKind() == kFormMDIChild && skinData->Options.Has(xoMDIChildBorder)) FrameSkinning = false;
  BorderKind = kBorderSingle;
  if ((Style & WS_CAPTION) != WS_CAPTION)
    BorderKind = kBorderNone;
  else if (Style & WS_THICKFRAME)
    BorderKind = kBorderSizeable;
  else if (Style & 0x80)  // a modal dialog frame
    BorderKind = kBorderDialog;
  if (ExStyle & WS_EX_DLGMODALFRAME) BorderKind = kBorderDialog;
  if (ClassName() == QStringLiteral("#32770") || ClassName() == QStringLiteral("TMessageForm")) {
    BorderKind = kBorderDialog;
    IsDialog = true;
  }
  if (FormKind() == kFormMDIParent) MenuUpdate = skinData->MenuUpdate;
  if (FrameSkinning && !ChildWindow && FormKind() != kFormMDIChild && BorderKind != kBorderNone)
    frame_ = std::make_unique<TSkinFormFrame>(*this);
}

void TWinSkinForm::WindowProc(Message& m, const CallPrevious& previous) {
  if (m.Msg == SKIN_START && m.LParam == kSkinStartParam && SkinData()) {
    if (IsDialog && ClassName() == QStringLiteral("#32770")) {
      SkinWindowByClass(Window());  // a standard dialog's controls answer with the system's class names
    } else {
      RescanControls(formControl_ ? formControl_.data() : Window());
    }
    if (frame_) frame_->Activate();
  }
  if (frame_ && frame_->WindowProc(m, previous)) return;
  TSkinFormObject::WindowProc(m, previous);
}

void TWinSkinForm::ScheduleRescan() {
  if (rescanPending_) return;
  rescanPending_ = true;
  QTimer::singleShot(0, this, [this] {
    rescanPending_ = false;
    if (State() == kStateActive && SkinData() && !(IsDialog && ClassName() == QStringLiteral("#32770")))
      RescanControls(formControl_ ? formControl_.data() : Window());
  });
}

// ---------------------------------------------------------------------------
// The painter list.

bool TWinSkinForm::AddPainter(TSkinControl* painter) {
  const std::vector<TSkinControl*>& list = Controls();
  const bool present = std::find(list.begin(), list.end(), painter) != list.end();
  if (!present) AddControl(painter);
  return present;
}

void TWinSkinForm::RemovePainter(TSkinControl* painter) { RemoveControl(painter); }

TSkinControl* TWinSkinForm::FindPainterByHandle(const QWidget* window) const {
  for (TSkinControl* painter : Controls())
    if (painter->Handle == window) return painter;
  return nullptr;
}

bool TWinSkinForm::IsControlSkinned(QWidget* control) const {
  return control && (SendMessage(control, SKIN_QUERYSKINNED) == 1 || FindPainterByHandle(control) ||
                     !FindSkinControls(control).empty());
}

void TWinSkinForm::FreePainters() {
  std::vector<QPointer<TSkinControl>> painters(Controls().begin(), Controls().end());
  for (const QPointer<TSkinControl>& p : painters)
    if (p && p->Phase != TSkinControl::kPhaseDestroyed && State() != kStateDestroying) p->Unhook();
  for (const QPointer<TSkinControl>& p : painters) delete p.data();
}

// ---------------------------------------------------------------------------
// The walk.

template <class T>
T* TWinSkinForm::Attach(QWidget* control, bool applyColor) {
  auto* painter = new T(control);
  AddPainter(painter);
  painter->HookControl(this, SkinData(), applyColor);
  return painter;
}

void TWinSkinForm::RescanControls(QWidget* container) {
  std::vector<QPointer<TSkinControl>> gone;
  for (TSkinControl* painter : Controls())
    if (painter->Phase == TSkinControl::kPhaseDestroyed) gone.emplace_back(painter);
  for (const QPointer<TSkinControl>& p : gone) delete p.data();
  if (!container || !SkinData()) return;
  // The walk over the children reaches every child control; none is left
  // for a second pass in tab order.
  WalkChildren(container);
  if (Has(xcPopupMenu)) SetPopupMenusOwnerDraw(container, true);
}

void TWinSkinForm::WalkChildren(QWidget* container) {
  const std::vector<QWidget*> children = SkinChildren(container);
  for (const QPointer<QWidget>& child : std::vector<QPointer<QWidget>>(children.begin(), children.end())) {
    try {
      if (child) WalkControl(child, container);
    } catch (...) {
      // The control stays unskinned; the rest are walked.
    }
  }
}

void TWinSkinForm::WalkControl(QWidget* control, QWidget* container) {
  TSkinData* data = SkinData();
  if (!control || !data) return;
  if (GetTag(control) == data->DisableTag || control->property(kSkipped).toBool()) {
    if (IsRadioGroup(control) || IsCheckGroup(control)) {
      for (QWidget* child : SkinChildren(control)) child->setProperty(kSkipped, true);
    } else if (IsSkinContainer(control)) {
      WalkChildren(control);  // its children are the form's, walked as such
    }
    return;
  }
  if (!control->parentWidget()) return;
  const QString className = GetClassName(control);
  const QString kind = SkinKindOf(data->Skin3rd(), className);
  if (kind == QStringLiteral("nil")) return;
  if (!IsControlSkinned(control)) {
    bool done = false;
    if (data->OnSkinControl) {
      QObject* skinned = nullptr;
      data->OnSkinControl(this, data, container, control, className.toUpper(), skinned);
      if (auto* painter = dynamic_cast<TSkinControl*>(skinned)) {
        AddPainter(painter);
        painter->HookControl(this, data, painter->ApplyColor);
        done = true;
      }
    }
    if (!done && !SkinByKind(className, control)) SkinByClass(control, className.toUpper());
  }
  if (kind == QStringLiteral("container") || kind == QStringLiteral("scrollbar") || IsSkinContainer(control))
    WalkChildren(control);
}

void TWinSkinForm::SkinComboBox(QComboBox* combo) {
  TSkinComBox* painter = Attach<TSkinComBox>(combo);
  auto* list = new TComboxScrollBar(painter);  // goes with the combo box's painter
  list->HookComboList(combo, SkinData(), this);
}

bool TWinSkinForm::SkinByClass(QWidget* control, const QString& upperName) {
  TSkinData* data = SkinData();
  const bool tabs = Has(xcTab) && HasTabElement();
  if (auto* pages = qobject_cast<QTabWidget*>(control); pages && tabs) {
    if (HasButtonTabs(pages))
      Attach<TSkinTabBtn>(control);
    else
      Attach<TSkinTab>(control);
  } else if (qobject_cast<QTabBar*>(control) && tabs) {
    auto* painter = new TSkinTab(control);
    painter->ModeFlag = 2;
    AddPainter(painter);
    painter->HookControl(this, data, false);
  } else if (IsToolBarButton(control) && FrameSkinning) {
    StyleMenu(DropDownOf(static_cast<QToolButton*>(control)), true);
  } else if (IsTabSheet(control) && tabs) {
    Attach<TSkinTabSheet>(control);
  } else if (qobject_cast<QCheckBox*>(control) && Has(xcCheckBox)) {
    Attach<TSkinCheckBox>(control);
  } else if (IsRadioGroup(control) && Has(xcRadioButton)) {
    for (QWidget* child : SkinChildren(control))
      if (qobject_cast<QRadioButton*>(child) && !IsControlSkinned(child)) Attach<TSkinRadioButton>(child);
    Attach<TSkinGroupBox>(control, true);
  } else if (qobject_cast<QGroupBox*>(control) && Has(xcPanel)) {
    Attach<TSkinGroupBox>(control);
  } else if (qobject_cast<QRadioButton*>(control) && Has(xcRadioButton)) {
    Attach<TSkinRadioButton>(control);
  } else if (auto* bar = qobject_cast<QToolBar*>(control); bar && Has(xcToolbar)) {
    SetPropertyText(bar, QStringLiteral("Flat"), QStringLiteral("True"));
    styles_.Use(bar, data->Style());  // its background and buttons through the skin's style
    for (QToolButton* button : bar->findChildren<QToolButton*>(Qt::FindDirectChildrenOnly)) {
      styles_.Use(button, data->Style());
      StyleMenu(DropDownOf(button), true);
    }
    Attach<TSkinBox>(control);
  } else if (qobject_cast<QProgressBar*>(control) && Has(xcProgress)) {
    Attach<TSkinProgress>(control);
  } else if (auto* combo = qobject_cast<QComboBox*>(control); combo && Has(xcCombo)) {
    SkinComboBox(combo);
  } else if (auto* date = qobject_cast<QDateTimeEdit*>(control); date && Has(xcEdit)) {
    if (date->calendarPopup())
      Attach<TSkinDateTime>(control);
    else
      Attach<TSkinEdit>(control);
  } else if (upperName == QStringLiteral("TBITBTN")) {
    if (Has(xcBitBtn)) Attach<TSkinBitButton>(control);
  } else if (qobject_cast<QToolButton*>(control) && !IsToolBarButton(control) && Has(xcSpeedButton)) {
    Attach<TSkinSpeedButton>(control);
  } else if (IsQtClass(control, "QFrame") && Has(xcPanel)) {
    Attach<TSkinBox>(control, true);
  } else if (qobject_cast<QHeaderView*>(control) && Has(xcPanel)) {
    auto* painter = new TSkinHeader(control);
    painter->HookWindow(control, data, this);
  } else if (qobject_cast<QSizeGrip*>(control)) {
    Attach<TSkinSizer>(control);
  } else if (qobject_cast<QSlider*>(control) && Has(xcTrackBar)) {
    Attach<TSkinTrackBar>(control);
  } else if (qobject_cast<QStatusBar*>(control) && Has(xcStatusBar)) {
    Attach<TSkinStatusBar>(control);
  } else if (qobject_cast<QScrollArea*>(control) && Has(xcScrollbar)) {
    (new TSkinScControl(control))->AttachScrollBox(control, data, this);
  } else if (ColumnHeader(control) && Has(xcScrollbar)) {
    (new TSkinListView(control))->HookScrollbars(control, data, this);
  } else if ((qobject_cast<QAbstractScrollArea*>(control) || qobject_cast<QScrollBar*>(control)) &&
             Has(xcScrollbar)) {
    (new TSkinScrollbar(control))->HookScrollbars(control, data, this);
  } else if (auto* button = qobject_cast<QPushButton*>(control); button && Has(xcButton)) {
    if (button->menu())
      Attach<TSkinMenuButton>(control);
    else
      Attach<TSkinButton>(control);
  } else if ((qobject_cast<QLineEdit*>(control) || qobject_cast<QAbstractSpinBox*>(control)) && Has(xcEdit)) {
    Attach<TSkinEdit>(control);
  } else if (IsEmbeddedForm(control)) {
    Attach<TSkinBox>(control, true);  // its popup menus are the form's, styled after the walk
  } else {
    return false;
  }
  return true;
}

bool TWinSkinForm::SkinByKind(const QString& className, QWidget* control) {
  TSkinData* data = SkinData();
  const QString kind = data ? SkinKindOf(data->Skin3rd(), className) : QString();
  if (kind.isEmpty()) return false;
  const auto is = [&kind](const char* name) { return kind == QLatin1String(name); };
  const auto eachChild = [&](auto attach) {
    for (QWidget* child : SkinChildren(control))
      if (!IsControlSkinned(child)) attach(child);
  };
  if (is("combobox") || is("comboboxex")) {
    if (!Has(xcCombo)) return true;
    if (auto* combo = qobject_cast<QComboBox*>(control))
      SkinComboBox(combo);
    else
      Attach<TSkinComBox>(control);
  } else if (is("edit")) {
    if (Has(xcEdit) && HasEditFrame(control)) Attach<TSkinEdit>(control);
  } else if (is("radiobutton")) {
    if (Has(xcRadioButton)) Attach<TSkinRadioButton>(control);
  } else if (is("panel")) {
    if (!Has(xcPanel)) return true;
    SetPropertyText(control, QStringLiteral("Transparent"), QStringLiteral("True"));
    Attach<TSkinBox>(control, true);
  } else if (is("trackbar")) {
    if (!Has(xcButton)) return true;
    SetPropertyText(control, QStringLiteral("Transparent"), QStringLiteral("True"));
    Attach<TSkinTrackBar>(control);
  } else if (is("button")) {
    if (Has(xcButton)) Attach<TSkinButton>(control);
  } else if (is("datetimepicker")) {
    if (Has(xcCombo)) Attach<TSkinDateTime>(control);
  } else if (is("bitbtn") || is("pngbitbtn")) {
    if (Has(xcButton)) Attach<TSkinBitButton>(control)->GlyphProperty = is("pngbitbtn") ? QStringLiteral("PngImage") : QString();
  } else if (is("pngspeedbutton") || is("speedbutton")) {
    if (Has(is("speedbutton") ? xcSpeedButton : xcButton))
      Attach<TSkinSpeedButton>(control)->GlyphProperty = is("pngspeedbutton") ? QStringLiteral("PngImage") : QString();
  } else if (is("menubtn")) {
    if (Has(xcButton)) Attach<TSkinMenuButton>(control);
  } else if (is("tab")) {
    if (Has(xcTab) && HasTabElement()) Attach<TSkinTab>(control);
  } else if (is("progress")) {
    if (Has(xcProgress)) Attach<TSkinProgress>(control);
  } else if (is("scrollbar") || is("singlescrollbar")) {
    if (Has(xcScrollbar)) (new TSkinScrollbar(control))->HookScrollbars(control, data, this);
  } else if (is("embedscrollbar")) {
    if (Has(xcScrollbar))
      eachChild([&](QWidget* child) {
        if (qobject_cast<QAbstractScrollArea*>(child)) (new TSkinScrollbar(child))->HookScrollbars(child, data, this);
      });
  } else if (is("groupbox")) {
    if (Has(xcGroupBox)) Attach<TSkinGroupBox>(control, true);
  } else if (is("radiogroup")) {
    if (!Has(xcGroupBox)) return true;
    if (Has(xcRadioButton)) eachChild([&](QWidget* child) { Attach<TSkinRadioButton>(child); });
    Attach<TSkinGroupBox>(control, true);
  } else if (is("checkgroup")) {
    if (!Has(xcPanel)) return true;
    if (Has(xcRadioButton)) eachChild([&](QWidget* child) { Attach<TSkinCheckBox>(child); });
    if (Has(xcGroupBox)) Attach<TSkinGroupBox>(control, true);
  } else if (is("checkbox")) {
    if (Has(xcCheckBox)) Attach<TSkinCheckBox>(control);
  }
  // "nil", "container", kinds switched off and kinds without a painter
  // here leave the control as it is.
  return true;
}

// ---------------------------------------------------------------------------
// Windows without a control of their own.

void TWinSkinForm::SkinWindowByClass(QWidget* window) {
  TSkinData* data = SkinData();
  if (!window || !data || FindPainterByHandle(window) || !FindSkinControls(window).empty()) return;
  const QString name = GetClassName(window).left(100).toLower();
  const auto style = std::uint32_t(GetWindowLong(window, GWL_STYLE));
  // A painter for the window: on the control when the window is one, else
  // on the window, going with this form.
  const auto attach = [&]<class T>(T*) {
    if (ControlFromWindow(window)) return static_cast<TSkinControl*>(Attach<T>(window));
    auto* painter = new T(this);
    painter->HookWindow(window, data, this);
    return static_cast<TSkinControl*>(painter);
  };
  const auto walkChildren = [&] {
    for (QWidget* child = GetTopWindow(window); child; child = GetWindow(child, GW_HWNDNEXT)) SkinWindowByClass(child);
  };
  if (name == QStringLiteral("button")) {
    if ((style & BS_GROUPBOX) == BS_GROUPBOX && qobject_cast<QGroupBox*>(window)) walkChildren();  // Qt's nest
    if ((style & BS_OWNERDRAW) == BS_OWNERDRAW || (style & BS_GROUPBOX) == BS_GROUPBOX || (style & BS_BITMAP)) return;
    if ((style & 3) == 3 || (style & 2) == 2 || (style & 5) == 5) {
      if (Has(xcCheckBox)) attach(static_cast<TSkinCheckBox*>(nullptr));
    } else if ((style & 9) != 9 && (style & 4) != 4) {
      if (Has(xcButton)) attach(static_cast<TSkinButton*>(nullptr));
    } else if (Has(xcRadioButton)) {
      attach(static_cast<TSkinRadioButton*>(nullptr));
    }
  } else if (name == QStringLiteral("combobox")) {
    if (Has(xcCombo) && (style & 3) != CBS_SIMPLE) {
      if (auto* combo = qobject_cast<QComboBox*>(window))
        SkinComboBox(combo);
      else
        attach(static_cast<TSkinComBox*>(nullptr));
    }
  } else if (name == QStringLiteral("scrollbar")) {
    if (!(style & WS_TABSTOP) && (style & SBS_SIZEGRIP)) attach(static_cast<TSkinSizer*>(nullptr));
  } else if (name == QStringLiteral("#32770") || name == QStringLiteral("toolbarwindow32")) {
    if (name == QStringLiteral("toolbarwindow32") || window->isWindow() || !(style & WS_TABSTOP)) {
      if (name != QStringLiteral("toolbarwindow32")) walkChildren();
      auto* painter = new TSkinBoxH(this);
      painter->HookWindow(window, data, this);
    }
  } else if (name == QStringLiteral("msctls_progress32")) {
    attach(static_cast<TSkinProgress*>(nullptr));
  } else if (name == QStringLiteral("systabcontrol32")) {
    if (Has(xcTab) && !(style & TCS_OWNERDRAWFIXED)) attach(static_cast<TSkinTab*>(nullptr));
  } else if (name == QStringLiteral("edit")) {
    if (Has(xcEdit)) attach(static_cast<TSkinEdit*>(nullptr));
  } else if (name != QStringLiteral("systreeview32") && IsSkinContainer(window)) {
    walkChildren();  // Qt nests a dialog's controls in plain containers
  }
}

// ---------------------------------------------------------------------------
// Menus.

void TWinSkinForm::StyleMenu(QMenu* menu, bool flag) {
  if (!menu || !SkinData()) return;
  if (flag)
    styles_.Use(menu, SkinData()->Style());
  else
    styles_.Restore(menu);
}

void TWinSkinForm::SetMenusOwnerDraw(bool flag) {
  QMenuBar* bar = MenuBarOf(formControl_ ? formControl_.data() : Window());
  if (!bar) return;
  QSet<QMenu*> menus;
  CollectMenus(bar->actions(), menus);
  for (QMenu* menu : menus) StyleMenu(menu, flag);
}

void TWinSkinForm::SetPopupMenusOwnerDraw(QWidget* container, bool flag) {
  if (!container || !SkinData()) return;
  QSet<QMenu*> barMenus;
  if (QMenuBar* bar = MenuBarOf(formControl_ ? formControl_.data() : Window())) CollectMenus(bar->actions(), barMenus);
  for (QMenu* menu : container->findChildren<QMenu*>())
    if (!barMenus.contains(menu) && GetTag(menu) != SkinData()->DisableTag) StyleMenu(menu, flag);
}

void TWinSkinForm::TakeUpSkin() {
  TSkinData* data = SkinData();
  if (!data) return;
  if (formControl_) SetControlColor(formControl_, data->Model().Colours[scButtonFace]);
  std::vector<QPointer<TSkinControl>> painters(Controls().begin(), Controls().end());
  for (const QPointer<TSkinControl>& p : painters)
    if (p) p->Reskin();
  if (Has(xcPopupMenu)) SetPopupMenusOwnerDraw(formControl_ ? formControl_.data() : Window(), true);
  if (frame_) frame_->TakeUpSkin();
}

void TWinSkinForm::RestoreWindow() {
  RemoveCbtHook(hook_);
  if (frame_) {
    frame_->RestoreWindow(State() == kStateDestroying);
    frame_.reset();
  }
  styles_.RestoreAll();
  FreePainters();
  if (colourSaved_ && formControl_) savedColour_.RestoreTo(formControl_);
  colourSaved_ = false;
  TSkinFormObject::RestoreWindow();
}

}  // namespace skinning
