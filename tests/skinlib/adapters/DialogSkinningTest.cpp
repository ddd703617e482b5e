// Dialog skinning: which activated windows get skinned, which adapter each
// child of a standard dialog gets, the hook's life with the default
// manager, and the shell's item identifier lists.
#include "skinlib/adapters/acDials.h"

#include "SkinnedAdapterTest.h"

#include "platform/CbtHook.h"
#include "platform/Mdi.h"
#include "platform/Startup.h"
#include "platform/WindowProc.h"
#include "platform/WindowTable.h"
#include "skinlib/adapters/ButtonAdapters.h"
#include "skinlib/adapters/EditAdapters.h"
#include "skinlib/adapters/ComboAdapters.h"
#include "skinlib/adapters/MenuWindowAdapter.h"
#include "skinlib/adapters/SpinAdapter.h"
#include "skinlib/adapters/PanelAdapters.h"
#include "skinlib/adapters/StaticAdapters.h"
#include "skinlib/adapters/TabAdapters.h"
#include "skinlib/adapters/sSkinProvider.h"
#include "skinlib/manager/AdapterEntryPoints.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/support/ButtonSkin.h"

#include <QApplication>
#include <QCheckBox>
#include <QToolBar>
#include <QSizeGrip>
#include <QListWidget>
#include <QTreeView>
#include <QListView>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <typeinfo>

using namespace platform;

namespace {

// A stand-in for the dialog window adapter: it only says whether its
// dialog shows and whether its window went.
class FakeDialogFrame : public TacDialogFrame {
 public:
  explicit FakeDialogFrame(QWidget* dialog) : dialog_(dialog) { ++Made; }
  QWidget* Window() const override { return dialog_; }
  bool Destroyed() const override { return destroyed; }
  void ClearDestroyed() override { destroyed = false; }
  void FirstShowSetup() override { ++FirstShows; }
  void SetSkipOwnPaint(bool value) override { SkipOwnPaint = value; }
  TsSkinManager* Manager() const override { return nullptr; }

  bool destroyed = false;
  bool SkipOwnPaint = true;
  static inline int Made = 0;
  static inline int FirstShows = 0;

 private:
  QPointer<QWidget> dialog_;
};

class DialogSkinningTest : public SkinnedAdapterTest {
 protected:
  void SetUp() override {
    StartUnit("acDials");
    ASSERT_NO_FATAL_FAILURE(Activate(testskins::ButtonSkin(), "ButtonDemo"));
    FakeDialogFrame::Made = FakeDialogFrame::FirstShows = 0;
  }
  void TearDown() override {
    DialogWndFactory() = nullptr;
    DialogLeft = DialogTop = -1;
    QApplication::processEvents();
    Finish();
    FinishUnit("acDials");
  }
  void UseFakeFrames() {
    DialogWndFactory() = [this](QWidget* dialog, TsSkinManager*, const QString& section) {
      EXPECT_EQ(section, QStringLiteral("DIALOG"));
      auto frame = std::make_unique<FakeDialogFrame>(dialog);
      lastFrame = frame.get();
      return frame;
    };
  }
  void Rules(TsSkinManager::TacSkinningRules rules) { manager->SetSkinningRules(rules); }

  FakeDialogFrame* lastFrame = nullptr;
};

// The adapter's class for a window, "none" without one.
std::string AdapterKind(const QWidget* w) {
  TacMainWnd* a = FindAdapter(w);
  if (!a) return "none";
  if (typeid(*a) == typeid(TacIconWnd)) return "icon";
  if (typeid(*a) == typeid(TacStaticWnd)) return "static";
  if (typeid(*a) == typeid(TacBtnWnd)) return "button";
  if (typeid(*a) == typeid(TacCheckBoxWnd)) return "checkbox";
  if (typeid(*a) == typeid(TacGroupBoxWnd)) return "groupbox";
  if (typeid(*a) == typeid(TacEditWnd)) return "edit";
  if (typeid(*a) == typeid(TacTabControlWnd)) return "tab";
  return typeid(*a).name();
}

void SetStyleType(QWidget* w, std::uint32_t mask, std::uint32_t type) {
  SetWindowLong(w, GWL_STYLE, (GetWindowLong(w, GWL_STYLE) & ~std::intptr_t(mask)) | type);
}

// Answers skin command 7 with 1, as a window skinned by other means does.
class SkinnedAnswer {
 public:
  explicit SkinnedAnswer(QWidget* w) {
    hook_ = InstallWindowProc(w, [](Message& m, const CallPrevious& previous) {
      if (m.Msg == SkinCommandMsg && HIWORD(m.WParam) == acIsSkinned) {
        m.Result = 1;
        return;
      }
      previous(m);
    });
  }
  ~SkinnedAnswer() { RemoveWindowProc(hook_); }

 private:
  WindowProcHandle hook_;
};

// ------------------------------------------------------------ the hook's life

TEST_F(DialogSkinningTest, DefaultManagerInstallsAndRemovesTheHook) {
  EXPECT_TRUE(DialogHookInstalled());
  ASSERT_NE(AutoProviders(), nullptr);
  QInputDialog dialog;
  ASSERT_TRUE(SkinActivatedWindow(&dialog));
  QPointer<TacProvider> provider = FindProvider(&dialog);
  ASSERT_TRUE(provider);
  EXPECT_EQ(provider->parent(), nullptr);
  EXPECT_EQ(adapters::DialogProviderWindows(), std::vector<QWidget*>{&dialog});
  manager->SetActive(false);
  EXPECT_FALSE(DialogHookInstalled());
  EXPECT_EQ(AutoProviders(), nullptr);
  EXPECT_TRUE(provider.isNull());
  EXPECT_TRUE(adapters::DialogProviderWindows().empty());
  manager->SetActive(true);
  EXPECT_TRUE(DialogHookInstalled());
}

TEST_F(DialogSkinningTest, ActivationThroughTheHookSkinsAForm) {
  QWidget form;
  form.resize(200, 120);
  form.show();
  form.activateWindow();
  ASSERT_TRUE(QTest::qWaitFor([&] { return FindProvider(&form) != nullptr; }, 3000));
  TacProvider* provider = FindProvider(&form);
  ASSERT_TRUE(provider->SkinProvider);
  EXPECT_EQ(provider->parent(), &form);
  EXPECT_FALSE(provider->SkinProvider->MakeSkinMenu());
  EXPECT_EQ(provider->SkinProvider->Form(), &form);
  // Activated again: no second provider.
  EXPECT_FALSE(SkinActivatedWindow(&form));
}

// A window the form provider refuses.
class TFrame : public QWidget {};

TEST_F(DialogSkinningTest, AFailedSetUpIsToldOnceFromTheEventLoop) {
  TFrame frame;
  ASSERT_EQ(FindFormByHandle(&frame), &frame);
  EXPECT_NO_THROW(CallCbtHooks(HCBT_ACTIVATE, WPARAM(PtrParam(&frame)), 0));
  EXPECT_TRUE(prompts.Calls.empty());  // not from inside the hook
  QApplication::processEvents();
  ASSERT_EQ(prompts.Calls.size(), 1u);
  EXPECT_EQ(prompts.Calls[0].Kind, "MessageBox");
  EXPECT_EQ(frame.findChild<TsSkinProvider*>(), nullptr);
  // Activated again: left alone, not told again.
  CallCbtHooks(HCBT_ACTIVATE, WPARAM(PtrParam(&frame)), 0);
  QApplication::processEvents();
  EXPECT_EQ(prompts.Calls.size(), 1u);
}

TEST_F(DialogSkinningTest, FormProviderSlotBecomesNilWithItsForm) {
  auto form = std::make_unique<QWidget>();
  ASSERT_TRUE(SkinActivatedWindow(form.get()));
  ASSERT_EQ(AutoProviders()->size(), 1u);
  EXPECT_TRUE((*AutoProviders())[0]);
  form.reset();
  ASSERT_EQ(AutoProviders()->size(), 1u);
  EXPECT_TRUE((*AutoProviders())[0].isNull());
}

// ------------------------------------------------------------ form and dialog rules

TEST_F(DialogSkinningTest, LibraryWindowsAndSkinnedWindowsAreLeftAlone) {
  QWidget tagged;
  SetTag(&tagged, -98);
  EXPECT_FALSE(SkinActivatedWindow(&tagged));
  QWidget answering;
  SkinnedAnswer answer(&answering);
  EXPECT_FALSE(SkinActivatedWindow(&answering));
  QInputDialog dialog;
  SkinnedAnswer dialogAnswer(&dialog);
  EXPECT_FALSE(SkinActivatedWindow(&dialog));
  EXPECT_EQ(FindProvider(&tagged), nullptr);
  EXPECT_EQ(FindProvider(&answering), nullptr);
  EXPECT_EQ(FindProvider(&dialog), nullptr);
  EXPECT_FALSE(SkinActivatedWindow(nullptr));
}

TEST_F(DialogSkinningTest, SkinningRulesChooseFormsAndDialogs) {
  using R = TsSkinManager;
  struct Row {
    TsSkinManager::TacSkinningRules rules;
    bool form, messageBox, standardDialog;
  } rows[] = {
      {R::srStdForms, true, false, false},
      {R::srStdDialogs, false, true, true},
      {R::srStdForms | R::srStdDialogs, true, true, true},
      {R::srThirdParty, false, false, false},
  };
  for (const Row& r : rows) {
    Rules(r.rules);
    QWidget form;
    QMessageBox box(QMessageBox::Information, QStringLiteral("提示"), QStringLiteral("已保存"));
    QInputDialog dialog;
    SCOPED_TRACE(int(r.rules));
    EXPECT_EQ(SkinActivatedWindow(&form), r.form);
    EXPECT_EQ(SkinActivatedWindow(&box), r.messageBox);
    EXPECT_EQ(SkinActivatedWindow(&dialog), r.standardDialog);
    EXPECT_EQ(FindProvider(&form) != nullptr, r.form);
    if (r.messageBox) {
      EXPECT_TRUE(FindProvider(&box)->SkinProvider);  // a form
    }
  }
}

TEST_F(DialogSkinningTest, StandardDialogsAndPopupsAreNoForms) {
  QInputDialog dialog;
  QFileDialog files;
  QMenu menu;
  QWidget form;
  EXPECT_EQ(FindFormByHandle(&dialog), nullptr);
  EXPECT_EQ(FindFormByHandle(&files), nullptr);
  EXPECT_EQ(FindFormByHandle(&menu), nullptr);
  EXPECT_EQ(FindFormByHandle(&form), &form);
  EXPECT_FALSE(SkinActivatedWindow(&menu));
}

TEST_F(DialogSkinningTest, MdiChildrenOfAnMdiFormGetProvidersOfTheirOwn) {
  QMainWindow main;
  auto* area = new QMdiArea;
  main.setCentralWidget(area);
  auto* first = new QWidget;
  auto* second = new QWidget;
  area->addSubWindow(first);
  area->addSubWindow(second);
  SkinnedAnswer skinned(second);
  ASSERT_EQ(GetFormStyle(&main), fsMDIForm);
  EXPECT_EQ(FindFormByHandle(first), first);
  ASSERT_TRUE(SkinActivatedWindow(&main));
  ASSERT_NE(FindProvider(first), nullptr);
  EXPECT_EQ(FindProvider(first)->parent(), first);
  EXPECT_EQ(FindProvider(second), nullptr);
  // The child's sub-window activated stands for the child: no second one.
  TacProvider* childProvider = FindProvider(first);
  EXPECT_FALSE(SkinActivatedWindow(first->parentWidget()));
  EXPECT_EQ(FindProvider(first), childProvider);
}

TEST_F(DialogSkinningTest, RepaintOfTheManagerReachesVisibleDialogs) {
  QInputDialog dialog;
  dialog.show();
  ASSERT_TRUE(FindProvider(&dialog) || SkinActivatedWindow(&dialog));
  QApplication::processEvents();
  int refreshes = 0, paints = 0;
  WindowProcHandle h = InstallWindowProc(&dialog, [&](Message& m, const CallPrevious& previous) {
    if (m.Msg == SkinCommandMsg && HIWORD(m.WParam) == acRefresh) ++refreshes;
    if (m.Msg == WM_PAINT || m.Msg == WM_ERASEBKGND) ++paints;
    previous(m);
  });
  manager->RepaintForms();
  const int shownRefreshes = refreshes;
  QApplication::processEvents();
  paints = 0;
  adapters::RepaintDialogs();  // the manager's last step
  EXPECT_GT(paints, 0);        // redrawn at once
  dialog.hide();
  refreshes = paints = 0;
  manager->RepaintForms();
  // The broadcast to all forms reaches it either way, the one to the
  // dialogs' windows only while it shows.
  EXPECT_EQ(shownRefreshes - refreshes, 1);
  EXPECT_EQ(paints, 0);
  RemoveWindowProc(h);
}

TEST_F(DialogSkinningTest, ASecondPlainDialogWaitsButAFileDialogIsSkinned) {
  UseFakeFrames();
  QInputDialog first;
  first.open();  // skinned as it shows
  ASSERT_NE(FindProvider(&first), nullptr);
  EXPECT_EQ(FakeDialogFrame::Made, 1);
  EXPECT_EQ(FakeDialogFrame::FirstShows, 1);
  EXPECT_EQ(VisibleDialogCount(), 1);
  QInputDialog second;
  second.show();
  EXPECT_FALSE(HasChildClass(&second, QStringLiteral("ToolbarWindow32")));
  EXPECT_FALSE(SkinActivatedWindow(&second));
  EXPECT_EQ(FindProvider(&second), nullptr);
  QFileDialog files;
  files.setOption(QFileDialog::DontUseNativeDialog);
  files.show();
  EXPECT_TRUE(HasChildClass(&files, QStringLiteral("ToolbarWindow32")));
  EXPECT_NE(FindProvider(&files), nullptr);
  EXPECT_EQ(VisibleDialogCount(), 2);
  // With the first one hidden, a plain dialog is skinned again.
  first.hide();
  files.hide();
  EXPECT_EQ(VisibleDialogCount(), 0);
  EXPECT_TRUE(SkinActivatedWindow(&second));
}

TEST_F(DialogSkinningTest, DestroyedDialogsAreFreedAtTheNextDestruction) {
  UseFakeFrames();
  auto dialog = std::make_unique<QInputDialog>();
  ASSERT_TRUE(SkinActivatedWindow(dialog.get()));
  QPointer<TacProvider> provider = FindProvider(dialog.get());
  ASSERT_TRUE(provider);
  CallCbtHooks(HCBT_DESTROYWND, 0, 0);
  EXPECT_TRUE(provider);  // nothing went yet
  lastFrame->destroyed = true;
  CallCbtHooks(HCBT_DESTROYWND, 0, 0);
  EXPECT_TRUE(provider.isNull());
  EXPECT_TRUE((*AutoProviders())[0].isNull());
}

TEST_F(DialogSkinningTest, DialogWithoutFrameAdapterGoesAfterItsWindow) {
  auto dialog = std::make_unique<QInputDialog>();
  dialog->show();  // makes its children
  ASSERT_TRUE(FindProvider(dialog.get()) || SkinActivatedWindow(dialog.get()));
  QPointer<TacProvider> provider = FindProvider(dialog.get());
  ASSERT_TRUE(provider);
  EXPECT_EQ(provider->DialogWnd, nullptr);
  EXPECT_FALSE(provider->Adapters.empty());  // its children are adapted
  CallCbtHooks(HCBT_DESTROYWND, 0, 0);
  EXPECT_TRUE(provider);
  dialog.reset();
  EXPECT_TRUE(provider);
  CallCbtHooks(HCBT_DESTROYWND, 0, 0);  // the next destruction
  EXPECT_TRUE(provider.isNull());
}

TEST_F(DialogSkinningTest, DialogPositionMovesEverySkinnedDialog) {
  struct Row {
    int left, top;
    QPoint expected;
  } rows[] = {
      {40, 30, {40, 30}},
      {40, -1, {40, -1}},  // either one set moves it
      {-1, 25, {-1, 25}},
      {-1, -1, {7, 9}},  // neither: left where it is
  };
  for (const Row& r : rows) {
    QInputDialog dialog;
    dialog.move(7, 9);
    DialogLeft = r.left;
    DialogTop = r.top;
    ASSERT_TRUE(SkinActivatedWindow(&dialog));
    EXPECT_EQ(dialog.pos(), r.expected) << r.left << "," << r.top;
  }
}

// ------------------------------------------------------------ children

TEST_F(DialogSkinningTest, ChildAdaptersByClassAndStyle) {
  UseFakeFrames();
  QInputDialog dialog;
  auto* host = new QWidget(&dialog);
  auto* layout = new QVBoxLayout(host);
  auto add = [&](QWidget* w) {
    layout->addWidget(w);
    return w;
  };
  QWidget* radio = add(new QRadioButton(QStringLiteral("红球")));
  QWidget* check = add(new QCheckBox(QStringLiteral("蓝球")));
  QWidget* group = add(new QGroupBox(QStringLiteral("号码")));
  QWidget* push = add(new QPushButton(QStringLiteral("确定")));
  auto* defPush = new QPushButton(QStringLiteral("取消"));
  defPush->setDefault(true);
  add(defPush);
  QWidget* text = add(new QLabel(QStringLiteral("期号")));
  QWidget* icon = add(new QLabel);
  auto* bitmap = new QLabel;
  QPixmap pixmap(8, 8);
  pixmap.fill(Qt::red);
  bitmap->setPixmap(pixmap);
  add(bitmap);
  QWidget* ownerDrawn = add(new QLabel(QStringLiteral("a")));
  QWidget* grey = add(new QLabel(QStringLiteral("b")));
  QWidget* white = add(new QLabel(QStringLiteral("c")));
  QWidget* tabs = add(new QTabWidget);
  QWidget* ownerTabs = add(new QTabWidget);
  QWidget* edit = add(new QLineEdit);
  QWidget* hiddenEdit = add(new QLineEdit);
  hiddenEdit->hide();
  SetStyleType(icon, 0x1F, SS_ICON);
  SetStyleType(ownerDrawn, 0x1F, SS_OWNERDRAW);
  SetStyleType(grey, 0x1F, SS_GRAYRECT);
  SetStyleType(white, 0x1F, SS_WHITERECT);
  SetWindowLong(ownerTabs, GWL_STYLE, GetWindowLong(ownerTabs, GWL_STYLE) | TCS_OWNERDRAWFIXED);
  dialog.show();  // skinned as it shows

  ASSERT_TRUE(FindProvider(&dialog) || SkinActivatedWindow(&dialog));
  struct Row {
    QWidget* w;
    const char* kind;
    const char* what;
  } rows[] = {
      {radio, "checkbox", "auto radio button (9)"},
      {check, "checkbox", "auto check box (3)"},
      {group, "groupbox", "group box (7)"},
      {push, "button", "push button"},
      {defPush, "button", "default push button"},
      {text, "static", "text label"},
      {icon, "icon", "SS_ICON"},
      {bitmap, "icon", "SS_BITMAP"},
      {ownerDrawn, "none", "SS_OWNERDRAW"},
      {grey, "none", "SS_GRAYRECT"},
      {white, "none", "SS_WHITERECT"},
      {tabs, "tab", "tab control"},
      {ownerTabs, "none", "owner-drawn tab control"},
      {edit, "edit", "visible edit"},
      {hiddenEdit, "none", "hidden edit"},
  };
  for (const Row& r : rows) EXPECT_EQ(AdapterKind(r.w), r.kind) << r.what;
  EXPECT_EQ(GetWindowLong(radio, GWL_STYLE) & 0xF, BS_AUTORADIOBUTTON);
  EXPECT_EQ(GetWindowLong(defPush, GWL_STYLE) & 0xF, BS_DEFPUSHBUTTON);
  // Every adapter was made in dialog mode; the edits cleared SkipOwnPaint.
  for (const auto& a : FindProvider(&dialog)->Adapters) EXPECT_TRUE(a->DlgMode());
  EXPECT_FALSE(CreatingDialogAdapters);
  ASSERT_NE(lastFrame, nullptr);
  EXPECT_FALSE(lastFrame->SkipOwnPaint);
}

// Controls of a standard dialog the way its class table names them, and
// windows of other names that test classes stand for.
class TPanel : public QWidget {};
class SysLink : public QWidget {};
class msctls_updown32 : public QWidget {};

TEST_F(DialogSkinningTest, MoreChildRowsWithTheirSections) {
  QInputDialog dialog;
  auto* combo = new QComboBox(&dialog);
  combo->addItem(QStringLiteral("2003001"));
  auto* list = new QListView(&dialog);
  auto* tree = new QTreeView(&dialog);
  auto* box = new QListWidget(&dialog);
  auto* grip = new QSizeGrip(&dialog);
  auto* bar = new QToolBar(&dialog);
  auto* wrapBar = new QToolBar(&dialog);
  SetWindowLong(wrapBar, GWL_STYLE, GetWindowLong(wrapBar, GWL_STYLE) | TBSTYLE_WRAPABLE);
  auto* panel = new TPanel;
  panel->setParent(&dialog);
  auto* link = new SysLink;
  link->setParent(&dialog);
  auto* updown = new msctls_updown32;
  updown->setParent(&dialog);
  QWidget* comboList = combo->view()->parentWidget();
  ASSERT_EQ(GetClassName(comboList), QStringLiteral("ComboLBox"));
  struct Row {
    QWidget* w;
    const std::type_info& type;
    const char* section;
  } rows[] = {
      {box, typeid(TacEditWnd), "EDIT"},             {combo, typeid(TacComboBoxWnd), "COMBOBOX"},
      {comboList, typeid(TacEditWnd), "COMBOBOX"},   {list, typeid(TacListViewWnd), "EDIT"},
      {tree, typeid(TacTreeViewWnd), "EDIT"},        {grip, typeid(TacSizerWnd), "CHECKBOX"},
      {bar, typeid(TacToolBarWnd), "CHECKBOX"},      {wrapBar, typeid(TacToolBarWnd), "BAR"},
      {panel, typeid(TacDlgPanelWnd), nullptr},      {link, typeid(TacLinkWnd), "CHECKBOX"},
      {updown, typeid(TacSpinWnd), nullptr},
  };
  UseFakeFrames();
  TacProvider provider;
  provider.DialogWnd = std::make_unique<FakeDialogFrame>(&dialog);
  auto* frame = static_cast<FakeDialogFrame*>(provider.DialogWnd.get());
  for (const Row& r : rows) {
    SCOPED_TRACE(GetClassName(r.w).toStdString());
    const size_t before = provider.Adapters.size();
    EXPECT_TRUE(AddChildAdapter(&provider, r.w));
    ASSERT_EQ(provider.Adapters.size(), before + 1);
    TacMainWnd* a = provider.Adapters.back().get();
    EXPECT_EQ(a->CtrlHandle(), r.w);
    EXPECT_TRUE(typeid(*a) == r.type) << typeid(*a).name();
    if (r.section) {
      EXPECT_EQ(a->SkinData()->SkinSection(), QString::fromLatin1(r.section));
    }
    if (r.w == box || r.w == combo) {
      EXPECT_EQ(frame->SkipOwnPaint, r.w == box);  // lists leave it, combo boxes clear it
    }
  }
  EXPECT_EQ(static_cast<TacSpinWnd*>(provider.Adapters.back().get())->ButtonLeft, 2);
}

TEST_F(DialogSkinningTest, DialogStyleAndLeftScrollBarAreRead) {
  QInputDialog dialog;
  dialog.setLayoutDirection(Qt::RightToLeft);
  TacProvider provider;
  ASSERT_TRUE(InitDialog(&provider, &dialog));
  EXPECT_EQ(DialogStyle, std::uint32_t(GetWindowLong(&dialog, GWL_STYLE)));
  EXPECT_TRUE(provider.LeftScrollBar);
  EXPECT_EQ(provider.Wnd, &dialog);
  // A window of another class gets no child adapters.
  QWidget plain;
  new QPushButton(&plain);
  TacProvider other;
  EXPECT_TRUE(InitDialog(&other, &plain));
  EXPECT_TRUE(other.Adapters.empty());
  EXPECT_FALSE(other.LeftScrollBar);
}

TEST_F(DialogSkinningTest, HiddenEditStillClearsSkipOwnPaint) {
  UseFakeFrames();
  QInputDialog dialog;
  dialog.setInputMode(QInputDialog::IntInput);  // no visible edit of its own
  auto* edit = new QLineEdit(&dialog);
  edit->hide();
  for (QLineEdit* e : dialog.findChildren<QLineEdit*>()) e->hide();
  ASSERT_TRUE(SkinActivatedWindow(&dialog));
  EXPECT_EQ(AdapterKind(edit), "none");
  EXPECT_FALSE(lastFrame->SkipOwnPaint);
}

TEST_F(DialogSkinningTest, WalkAdaptsChildrenBeforeTheirParent) {
  QInputDialog dialog;
  auto* group = new QGroupBox(QStringLiteral("组"), &dialog);
  auto* radio = new QRadioButton(QStringLiteral("单选"), group);
  auto provider = std::make_unique<TacProvider>();
  ASSERT_TRUE(WalkChildren(provider.get(), group->parentWidget()));
  int radioAt = -1, groupAt = -1;
  for (size_t i = 0; i < provider->Adapters.size(); ++i) {
    if (provider->Adapters[i]->CtrlHandle() == radio) radioAt = int(i);
    if (provider->Adapters[i]->CtrlHandle() == group) groupAt = int(i);
  }
  ASSERT_GE(radioAt, 0);
  EXPECT_LT(radioAt, groupAt);
  // A child adapted already keeps its adapter.
  const size_t count = provider->Adapters.size();
  EXPECT_TRUE(AddChildAdapter(provider.get(), radio));
  EXPECT_EQ(provider->Adapters.size(), count);
}

TEST_F(DialogSkinningTest, BroadcastReachesDirectChildrenOnly) {
  QInputDialog dialog;
  auto* box = new QGroupBox(&dialog);
  auto* inner = new QPushButton(box);
  int boxCount = 0, innerCount = 0;
  auto counter = [](int& n) {
    return [&n](Message& m, const CallPrevious& previous) {
      if (m.Msg == WM_USER + 7) ++n;
      previous(m);
    };
  };
  WindowProcHandle h1 = InstallWindowProc(box, counter(boxCount));
  WindowProcHandle h2 = InstallWindowProc(inner, counter(innerCount));
  Message m{WM_USER + 7, 0, 0, 0};
  BroadcastToChildren(&dialog, m);
  EXPECT_EQ(boxCount, 1);
  EXPECT_EQ(innerCount, 0);
  RemoveWindowProc(h1);
  RemoveWindowProc(h2);
}

class Shbrowseforfolder_window_of_the_shell_with_a_class_name_far_longer_than_the_buffer_of_the_class_name_query_has_room_for_at_all_anyway
    : public QWidget {};

TEST_F(DialogSkinningTest, ClassNamesAreCutAt127Characters) {
  Shbrowseforfolder_window_of_the_shell_with_a_class_name_far_longer_than_the_buffer_of_the_class_name_query_has_room_for_at_all_anyway w;
  ASSERT_GT(GetClassName(&w).size(), 127);
  EXPECT_EQ(GetWndClassName(&w), GetClassName(&w).left(127));
  // The name row of the folder browser matches within the cut name.
  QInputDialog dialog;
  auto* browser = new Shbrowseforfolder_window_of_the_shell_with_a_class_name_far_longer_than_the_buffer_of_the_class_name_query_has_room_for_at_all_anyway;
  browser->setParent(&dialog);
  TacProvider provider;
  AddChildAdapter(&provider, browser);
  ASSERT_EQ(provider.Adapters.size(), 1u);
  EXPECT_EQ(typeid(*provider.Adapters[0]), typeid(TacTransPanelWnd));
}

// ------------------------------------------------------------ popups

TEST_F(DialogSkinningTest, PopupMenusAreSkinnedWhileTheManagerSkinsPopups) {
  manager->SetSkinnedPopups(true);
  QMenu menu;
  menu.addAction(QStringLiteral("红球"));
  menu.popup(QPoint(20, 20));
  QApplication::processEvents();
  ASSERT_EQ(MenuWndList().size(), 1u);
  EXPECT_EQ(MenuWndList()[0]->CtrlHandle(), &menu);
  menu.hide();
  QApplication::processEvents();
  manager->SetSkinnedPopups(false);
  QMenu plain;
  plain.addAction(QStringLiteral("蓝球"));
  plain.popup(QPoint(20, 20));
  QApplication::processEvents();
  EXPECT_EQ(FindAdapter(&plain), nullptr);
  plain.hide();
  QApplication::processEvents();
}

// ------------------------------------------------------------ shell lists

TEST(ShellFolderTest, ListSizes) {
  struct Row {
    TacPIDL pidl;
    std::size_t size;
    const char* what;
  } rows[] = {
      {{}, 0, "no list"},
      {{0, 0}, 2, "empty list"},
      {{4, 0, 7, 8, 0, 0}, 6, "one item"},
      {{3, 0, 1, 5, 0, 9, 9, 9, 0, 0}, 10, "two items"},
      {{4, 0, 7, 8, 9, 0, 1}, 6, "item running past the buffer"},
      {{4, 0, 7, 8}, 6, "no terminator"},
      {{1, 0, 7, 8}, 2, "item shorter than its size field"},
  };
  for (const Row& r : rows) EXPECT_EQ(PIDLSize(r.pidl), r.size) << r.what;
}

TEST(ShellFolderTest, CopyAndConcatenation) {
  const TacPIDL a{4, 0, 'a', 'b', 0, 0};
  const TacPIDL b{3, 0, 'c', 5, 0, 1, 2, 3, 0, 0};
  EXPECT_EQ(TacShellFolder::CopyPIDL(a), a);
  EXPECT_EQ(TacShellFolder::CopyPIDL({4, 0, 'a', 'b'}), a);  // terminator added
  const TacPIDL both{4, 0, 'a', 'b', 3, 0, 'c', 5, 0, 1, 2, 3, 0, 0};
  EXPECT_EQ(TacShellFolder::ConcatPIDLs(a, b), both);
  EXPECT_EQ(TacShellFolder::ConcatPIDLs({}, b), b);
  EXPECT_EQ(TacShellFolder::ConcatPIDLs(a, {0, 0}), a);
  EXPECT_EQ(TacShellFolder::ConcatPIDLs({0, 0}, {0, 0}), (TacPIDL{0, 0}));
  TacPIDL copy = TacShellFolder::CopyPIDL(both);
  TacShellFolder::FreePIDL(copy);
  EXPECT_TRUE(copy.empty());
}

}  // namespace
