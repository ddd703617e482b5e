// The control adapter: which controls of a skinned form get which adapter
// (class lists, Tag -98, OnSkinItem, frames, speed buttons), the labels'
// looks kept and given back, dead items dropped, and the broadcast to the
// items that survives receivers deleting what it walks.
#include "skinlib/adapters/sCtrlAdapter.h"

#include "platform/Messages.h"
#include "platform/Properties.h"
#include "platform/Startup.h"
#include "platform/UserPrompts.h"
#include "platform/WindowProc.h"
#include "platform/WindowTable.h"
#include "skinlib/adapters/ButtonAdapters.h"
#include "skinlib/adapters/ComboAdapters.h"
#include "skinlib/adapters/EditAdapters.h"
#include "skinlib/adapters/PanelAdapters.h"
#include "skinlib/adapters/sFrameAdapter.h"
#include "skinlib/adapters/sSkinProvider.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/manager/sStoredSkins.h"
#include "skinlib/support/TestSkins.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QScrollArea>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <iterator>
#include <memory>
#include <vector>

using namespace platform;

// A frame of the program ("TFrame").
class TFrame : public QFrame {
  Q_OBJECT

 public:
  using QFrame::QFrame;
};

// A control class of the program that no list names by default.
class TMyBox : public QWidget {
  Q_OBJECT

 public:
  using QWidget::QWidget;
};

namespace {

constexpr TColor kGlobalFont = 0x202020;  // GLOBALINFO's FONTCOLOR of the test skin
constexpr TColor kOwnFont = 0x1030C0;
constexpr unsigned kProbe = WM_USER + 77;

// A window adapter standing in for another unit's: it knows which list
// made it.
class StandInWnd : public TacMainWnd {
 public:
  StandInWnd(QWidget* handle, TsCommonData* data, TsSkinManager* manager, const QString& section, int list)
      : TacMainWnd(handle, data, manager, section), List(list) {}
  int List;
};

// A speed-button handler standing in for the bar unit's.
class StandInHandler {
 public:
  StandInHandler(QWidget* button, TsCommonData* data, TsSkinManager*) : Button(button), Data(data) {}
  bool Destroyed() const { return !Button; }
  QPointer<QWidget> Button;
  TsCommonData* Data;
};

class CtrlAdapterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* unit : kUnits) StartUnit(unit);
    savedSeams_ = CtrlAdapterSeams();
    FrameAdapterClass().clear();
    CtrlAdapterSeams().FrameAdapter = [this](QWidget* frame, const QString& section) -> QObject* {
      frames.push_back({frame, section});
      return nullptr;
    };
    CtrlAdapterSeams().SpeedButtonHandler = GraphHandlerFactory<StandInHandler>();
    testskins::TestSkin skin = testskins::ControlDataSkin();
    skin.Section(QStringLiteral("FORM")).Set(QStringLiteral("COLOR"), 0xD0DCE8);
    QString error;
    ASSERT_TRUE(testskins::WriteSkinFolder(skin, Root() + "/Ctrl", &error)) << error.toStdString();
    manager = std::make_unique<TsSkinManager>();
    manager->SetSkinDirectory(Root());
    manager->SetSkinName("Ctrl");
    ASSERT_TRUE(manager->Active());
    form = std::make_unique<QWidget>();
    form->resize(400, 300);
  }
  void TearDown() override {
    form.reset();
    manager.reset();
    CtrlAdapterSeams() = savedSeams_;
    FrameAdapterClass().clear();
    for (auto it = std::rbegin(kUnits); it != std::rend(kUnits); ++it) FinishUnit(*it);
  }
  QString Root() const { return QString::fromStdString(dir.Path()); }
  // The provider made and the form shown: the provider's first paint makes
  // the control adapter, which walks the form.
  TacCtrlAdapter* ShowSkinned() {
    provider = new TsSkinProvider(form.get());
    form->show();
    QApplication::processEvents();
    return CtrlAdapterOf(provider);
  }
  // Every list slot answered by a stand-in that remembers its list.
  void StandInAdapters() {
    for (int list = 0; list < kThirdPartyKinds; ++list)
      CtrlAdapterSeams().WndAdapters[size_t(list)] = [list](QWidget* c, TsCommonData* d, TsSkinManager* m) {
        return TacAdapterPtr<TacMainWnd>(TacMainWnd::Create<StandInWnd>(c, d, m, QString(), false, list));
      };
  }
  void RemoveSkin() {
    SendMessage(form.get(), SkinCommandMsg, MAKEWPARAM(0, acRemoveSkin), LPARAM(PtrParam(manager.get())));
  }
  static int ListOf(const QWidget* control) {
    const auto* standIn = dynamic_cast<const StandInWnd*>(FindAdapter(control));
    return standIn ? standIn->List : -1;
  }
  const std::function<QObject*(QWidget*, const QString&)>& savedFrameAdapter() const {
    return savedSeams_.FrameAdapter;
  }
  static TacAdapterItem* ItemOf(const TacCtrlAdapter* adapter, const QWidget* control) {
    for (int i = 0; adapter && i < adapter->Count(); ++i)
      if (adapter->GetItem(i)->Control() == control) return adapter->GetItem(i);
    return nullptr;
  }
  static TacGraphItem* GraphItemOf(const TacCtrlAdapter* adapter, const QWidget* control) {
    for (int i = 0; adapter && i < adapter->GraphCount(); ++i)
      if (adapter->GetGraphItem(i)->Control() == control) return adapter->GetGraphItem(i);
    return nullptr;
  }

  static constexpr const char* kUnits[] = {"LibraryConstants", "SkinnedForms", "SkinCommandSenders",
                                           "SectionBackgrounds", "acSBUtils", "EditAdapters",
                                           "sSkinProvider", "sCtrlAdapter"};
  struct FrameCall {
    QPointer<QWidget> Frame;
    QString Section;
  };
  testsupport::TempDir dir;
  RecordingPrompts prompts;
  ScopedPrompts scopedPrompts{prompts};
  std::unique_ptr<TsSkinManager> manager;
  std::unique_ptr<QWidget> form;
  TsSkinProvider* provider = nullptr;
  std::vector<FrameCall> frames;

 private:
  TacCtrlAdapterSeams savedSeams_;
};

// ------------------------------------------------------------ which adapter

TEST_F(CtrlAdapterTest, ControlsGetTheAdaptersOfTheirLists) {
  auto* edit = new QLineEdit(form.get());
  auto* combo = new QComboBox(form.get());
  auto* box = new TMyBox(form.get());  // in no list
  auto* button = new QPushButton(QStringLiteral("OK"), form.get());
  auto* check = new QCheckBox(QStringLiteral("blue"), form.get());
  auto* group = new QGroupBox(QStringLiteral("reds"), form.get());
  auto* inGroup = new QLineEdit(group);
  auto* panel = new QFrame(form.get());
  auto* inPanel = new QCheckBox(QStringLiteral("red"), panel);
  TacCtrlAdapter* adapter = ShowSkinned();
  ASSERT_NE(adapter, nullptr);
  EXPECT_NE(dynamic_cast<TacBtnWnd*>(FindAdapter(button)), nullptr);
  EXPECT_NE(dynamic_cast<TacCheckBoxWnd*>(FindAdapter(check)), nullptr);
  EXPECT_NE(dynamic_cast<TacGroupBoxWnd*>(FindAdapter(group)), nullptr);
  EXPECT_NE(dynamic_cast<TacEditWnd*>(FindAdapter(inGroup)), nullptr) << "a group box's controls are walked";
  EXPECT_NE(dynamic_cast<TacPanelWnd*>(FindAdapter(panel)), nullptr);
  EXPECT_NE(dynamic_cast<TacCheckBoxWnd*>(FindAdapter(inPanel)), nullptr) << "a panel's controls are walked";
  for (int list = 0; list < kThirdPartyKinds; ++list)
    EXPECT_EQ(bool(CtrlAdapterSeams().WndAdapters[size_t(list)]), list != ThirdPartyList::tpSpeedButton) << list;
  EXPECT_NE(dynamic_cast<TacEditWnd*>(FindAdapter(edit)), nullptr);
  EXPECT_EQ(dynamic_cast<TacComboBoxWnd*>(FindAdapter(edit)), nullptr);
  EXPECT_NE(dynamic_cast<TacComboBoxWnd*>(FindAdapter(combo)), nullptr);
  EXPECT_EQ(FindAdapter(box), nullptr);
  EXPECT_EQ(ItemOf(adapter, box), nullptr) << "a control that gets no adapter is no item";
  ASSERT_NE(ItemOf(adapter, edit), nullptr);
  EXPECT_EQ(ItemOf(adapter, edit)->SkinData()->ControlKind, kCtrlItemControlKind);
  EXPECT_EQ(ItemOf(adapter, edit)->SkinData()->OwnerControl(), edit);
  EXPECT_EQ(ItemOf(adapter, edit)->SkinData()->SkinSection(), QStringLiteral("EDIT"));
  EXPECT_EQ(SendMessage(edit, SkinCommandMsg, MAKEWPARAM(0, acIsSkinned), 0), 1);
}

TEST_F(CtrlAdapterTest, ItemsTakeTheProvidersOwnManager) {
  auto other = std::make_unique<TsSkinManager>();  // not the default manager
  other->SetSkinDirectory(Root());
  other->SetSkinName("Ctrl");
  ASSERT_TRUE(other->Active());
  ASSERT_NE(FirstSkinManager, other.get());
  auto* edit = new QLineEdit(form.get());
  provider = new TsSkinProvider(form.get());
  provider->SkinData()->SetSkinManager(other.get());
  form->show();
  QApplication::processEvents();
  TacCtrlAdapter* adapter = CtrlAdapterOf(provider);
  ASSERT_NE(adapter, nullptr);
  ASSERT_NE(ItemOf(adapter, edit), nullptr);
  EXPECT_EQ(ItemOf(adapter, edit)->SkinData()->SkinManager(), other.get());
  form.reset();
}

TEST_F(CtrlAdapterTest, TheLowerIndexListWins) {
  StandInAdapters();
  struct Case {
    const char* name;
    std::vector<int> lists;  // the lists that name "TMyBox"
    int wantList;            // the list that decides
    int wantAdapter;         // the list whose adapter it gets (-1: none)
  } cases[] = {
      {"edits and combo boxes", {ThirdPartyList::tpEdits, ThirdPartyList::tpComboBoxes}, 0, 0},
      {"tree views and combo boxes", {ThirdPartyList::tpTreeViews, ThirdPartyList::tpComboBoxes}, 4, 4},
      {"status bars and panels", {ThirdPartyList::tpStatusBar, ThirdPartyList::tpPanels}, 8, 8},
      {"only speed buttons: no window adapter", {ThirdPartyList::tpSpeedButton}, 17, -1},
      {"tool bars before speed buttons", {ThirdPartyList::tpSpeedButton, ThirdPartyList::tpToolBar}, 15, 15},
  };
  std::vector<TMyBox*> boxes;
  for (size_t i = 0; i < std::size(cases); ++i) boxes.push_back(new TMyBox(form.get()));
  TacCtrlAdapter* adapter = ShowSkinned();
  ASSERT_NE(adapter, nullptr);
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    for (QStringList& list : manager->ThirdPartyLists) list.removeAll(QStringLiteral("TMYBOX"));
    // Upper case in the list: names compare without regard to case.
    for (int list : c.lists) manager->ThirdPartyLists[size_t(list)].append(QStringLiteral("TMYBOX"));
    EXPECT_EQ(ThirdPartyListOf(*manager, QStringLiteral("TMyBox")), c.wantList) << c.name;
    adapter->AddNewItem(boxes[i]);
    EXPECT_EQ(ListOf(boxes[i]), c.wantAdapter) << c.name;
    EXPECT_EQ(ItemOf(adapter, boxes[i]) != nullptr, c.wantAdapter >= 0) << c.name;
  }
  EXPECT_EQ(ThirdPartyListOf(*manager, QStringLiteral("TNothing")), -1);
}

TEST_F(CtrlAdapterTest, TheWalkReachesContainersOnlyAndNeverQtsOwnInsides) {
  StandInAdapters();
  auto* clearable = new QLineEdit(form.get());
  clearable->setClearButtonEnabled(true);  // a tool button inside the edit
  auto* tabs = new QTabWidget(form.get());
  auto* page = new QWidget;
  auto* onPage = new QLineEdit(page);
  tabs->addTab(page, QStringLiteral("one"));
  for (int i = 0; i < 12; ++i) tabs->addTab(new QWidget, QStringLiteral("a long tab caption %1").arg(i));
  tabs->setGeometry(0, 40, 120, 80);  // its bar scrolls: two tool buttons inside it
  auto* bar = new QTabBar(form.get());
  auto* spin = new QSpinBox(form.get());
  auto* scrollBox = new QScrollArea(form.get());
  auto* inBox = new QWidget;
  auto* boxEdit = new QLineEdit(inBox);
  scrollBox->setWidget(inBox);
  auto* speed = new QToolButton(form.get());
  TacCtrlAdapter* adapter = ShowSkinned();
  ASSERT_NE(adapter, nullptr);
  ASSERT_FALSE(clearable->findChildren<QToolButton*>().isEmpty());
  ASSERT_FALSE(tabs->tabBar()->findChildren<QToolButton*>().isEmpty());
  EXPECT_EQ(adapter->GraphCount(), 1) << "only the form's own speed button";
  EXPECT_NE(GraphItemOf(adapter, speed), nullptr);
  EXPECT_EQ(ListOf(clearable), ThirdPartyList::tpEdits);
  EXPECT_EQ(ListOf(tabs), ThirdPartyList::tpPageControl);
  EXPECT_EQ(ItemOf(adapter, tabs->tabBar()), nullptr) << "the page control's own bar";
  EXPECT_FALSE(adapter->IsControlSupported(tabs->tabBar()));
  EXPECT_EQ(ListOf(bar), ThirdPartyList::tpTabControl);
  EXPECT_EQ(ListOf(onPage), ThirdPartyList::tpEdits) << "a page's controls are walked";
  EXPECT_EQ(ListOf(boxEdit), ThirdPartyList::tpEdits) << "a scroll box's controls are walked";
  EXPECT_EQ(ItemOf(adapter, spin), nullptr);
  for (QLineEdit* inner : spin->findChildren<QLineEdit*>()) EXPECT_EQ(ItemOf(adapter, inner), nullptr);
}

TEST_F(CtrlAdapterTest, TagMinus98IsNeverAdaptedWhereverItStands) {
  StandInAdapters();
  auto* panel = new QFrame(form.get());  // "TPanel", walked
  auto* frame = new TFrame(form.get());
  auto* onForm = new QLineEdit(form.get());
  auto* inPanel = new QLineEdit(panel);
  auto* inFrame = new QLineEdit(frame);
  auto* control = new QLineEdit(form.get());  // untagged, the control of the case
  auto* button = new QToolButton(form.get());
  auto* label = new QLabel(QStringLiteral("own"), form.get());
  auto* later = new QLineEdit(panel);
  for (QWidget* w : std::initializer_list<QWidget*>{onForm, inPanel, inFrame, button, label, later})
    SetTag(w, -98);
  SetFontColor(label, kOwnFont);
  TacCtrlAdapter* adapter = ShowSkinned();
  ASSERT_NE(adapter, nullptr);
  EXPECT_EQ(ListOf(control), ThirdPartyList::tpEdits);
  // Asked one by one as well, the way the provider re-adapts one control.
  adapter->AddNewItem(later);
  adapter->AddGraphicControl(button);
  SendMessage(form.get(), SkinCommandMsg, MAKEWPARAM(0, acControlChanged), LPARAM(PtrParam(later)));
  for (QWidget* w : std::initializer_list<QWidget*>{onForm, inPanel, inFrame, later}) {
    EXPECT_EQ(FindAdapter(w), nullptr) << GetClassName(w).toStdString();
    EXPECT_EQ(ItemOf(adapter, w), nullptr);
    EXPECT_FALSE(adapter->IsControlSupported(w));
  }
  EXPECT_EQ(GraphItemOf(adapter, button), nullptr);
  // Hooked directly, the items make nothing for it either.
  TacAdapterItem item(adapter, onForm);
  item.DoHook(onForm);
  EXPECT_EQ(item.WndAdapter(), nullptr);
  TacGraphItem graphItem(adapter, button);
  graphItem.DoHook(button);
  EXPECT_EQ(graphItem.Handler(), nullptr);
  EXPECT_FALSE(adapter->IsControlSupported(label));
  EXPECT_EQ(GetFontColor(label), kOwnFont);
  EXPECT_EQ(adapter->KeptLabelCount(), 0);
}

TEST_F(CtrlAdapterTest, NothingIsAdaptedWithoutThirdPartyRule) {
  auto* edit = new QLineEdit(form.get());
  auto* label = new QLabel(QStringLiteral("text"), form.get());
  auto* button = new QToolButton(form.get());
  SetFontColor(label, kOwnFont);
  manager->SetSkinningRules(TsSkinManager::srStdForms | TsSkinManager::srStdDialogs);
  TacCtrlAdapter* adapter = ShowSkinned();
  ASSERT_NE(adapter, nullptr);
  SendMessage(form.get(), SkinCommandMsg, MAKEWPARAM(0, acControlChanged), 0);
  SendMessage(form.get(), SkinCommandMsg, MAKEWPARAM(0, acControlChanged), LPARAM(PtrParam(edit)));
  EXPECT_EQ(adapter->Count(), 0);
  EXPECT_EQ(adapter->GraphCount(), 0);
  EXPECT_EQ(FindAdapter(edit), nullptr);
  EXPECT_EQ(GetFontColor(label), kOwnFont);
  (void)button;
  // The rule back: the next re-adaptation adapts.
  manager->SetSkinningRules(TsSkinManager::srStdForms | TsSkinManager::srThirdParty);
  SendMessage(form.get(), SkinCommandMsg, MAKEWPARAM(0, acControlChanged), 0);
  EXPECT_NE(FindAdapter(edit), nullptr);
  EXPECT_EQ(GetFontColor(label), kGlobalFont);
}

TEST_F(CtrlAdapterTest, OnSkinItemRefusesAndRenames) {
  auto* refused = new QLineEdit(form.get());
  auto* renamed = new QLineEdit(form.get());
  auto* plain = new QLineEdit(form.get());
  auto* refusedLabel = new QLabel(QStringLiteral("no"), form.get());
  auto* button = new QToolButton(form.get());
  SetFontColor(refusedLabel, kOwnFont);
  provider = new TsSkinProvider(form.get());
  std::vector<QWidget*> asked;
  provider->OnSkinItem = [&](QWidget* control, bool& canBeAdded, QString& section) {
    asked.push_back(control);
    if (control == refused || control == refusedLabel) canBeAdded = false;
    if (control == renamed || control == button) section = QStringLiteral("PANEL");
  };
  form->show();
  QApplication::processEvents();
  TacCtrlAdapter* adapter = CtrlAdapterOf(provider);
  ASSERT_NE(adapter, nullptr);
  EXPECT_EQ(FindAdapter(refused), nullptr);
  EXPECT_EQ(ItemOf(adapter, refused), nullptr);
  ASSERT_NE(ItemOf(adapter, renamed), nullptr);
  EXPECT_EQ(ItemOf(adapter, renamed)->SkinData()->SkinSection(), QStringLiteral("PANEL"));
  EXPECT_EQ(ItemOf(adapter, plain)->SkinData()->SkinSection(), QStringLiteral("EDIT"));
  EXPECT_EQ(GetFontColor(refusedLabel), kOwnFont);
  // A speed button's section is its own kind's, whatever the callback says.
  ASSERT_NE(GraphItemOf(adapter, button), nullptr);
  EXPECT_EQ(GraphItemOf(adapter, button)->SkinData()->SkinSection(), QStringLiteral("SPEEDBUTTON"));
  EXPECT_NE(std::find(asked.begin(), asked.end(), plain), asked.end());
}

TEST_F(CtrlAdapterTest, FrameGetsGroupBoxAndItsControlsAreWalked) {
  auto* frame = new TFrame(form.get());
  auto* inner = new QLineEdit(frame);
  auto* innerLabel = new QLabel(QStringLiteral("in the frame"), frame);
  auto* frameLabel = new QLabel(QStringLiteral("label"), form.get());
  TacCtrlAdapter* adapter = ShowSkinned();
  ASSERT_NE(adapter, nullptr);
  ASSERT_FALSE(frames.empty());
  EXPECT_EQ(frames.front().Frame, frame);
  EXPECT_EQ(frames.front().Section, QStringLiteral("GROUPBOX"));
  EXPECT_EQ(ItemOf(adapter, frame), nullptr) << "a frame is no item: its adapter is the frame's";
  EXPECT_NE(dynamic_cast<TacEditWnd*>(FindAdapter(inner)), nullptr);
  EXPECT_EQ(GetFontColor(innerLabel), kGlobalFont);
  EXPECT_EQ(GetFontColor(frameLabel), kGlobalFont);
  // Without the frame unit nothing is made for it, and its controls are
  // still walked.
  CtrlAdapterSeams().FrameAdapter = nullptr;
  auto* second = new TFrame(form.get());
  auto* secondInner = new QLineEdit(second);
  second->show();
  QApplication::processEvents();
  adapter->AddAllItems();
  EXPECT_NE(FindAdapter(secondInner), nullptr);
}

TEST_F(CtrlAdapterTest, FrameGetsTheFrameAdapterOnce) {
  CtrlAdapterSeams().FrameAdapter = savedFrameAdapter();  // the frame adapter's own unit
  FrameAdapterClass() = QStringLiteral("TFrame");
  auto* frame = new TFrame(form.get());
  TacCtrlAdapter* adapter = ShowSkinned();
  ASSERT_NE(adapter, nullptr);
  SendMessage(form.get(), SkinCommandMsg, MAKEWPARAM(0, acControlChanged), 0);
  adapter->AddNewItem(frame);
  const auto made = frame->findChildren<TsFrameAdapter*>(QString(), Qt::FindDirectChildrenOnly);
  ASSERT_EQ(made.size(), 1) << "one frame adapter, however often the frame is adapted";
  EXPECT_FALSE(made.front()->Inert());
  EXPECT_EQ(made.front()->Frame(), frame);
  EXPECT_EQ(made.front()->SkinData()->SkinSection(), QStringLiteral("GROUPBOX"));
  EXPECT_EQ(ItemOf(adapter, frame), nullptr);
  FrameAdapterClass().clear();
}

TEST_F(CtrlAdapterTest, SpeedButtonsBecomeGraphicItemsBySection) {
  auto* flat = new QToolButton(form.get());
  flat->setAutoRaise(true);
  auto* raised = new QToolButton(form.get());
  auto* gone = new QToolButton(form.get());
  auto* bar = new QToolBar(form.get());
  auto* onBar = new QToolButton(bar);
  bar->addWidget(onBar);
  TacCtrlAdapter* adapter = ShowSkinned();
  ASSERT_NE(adapter, nullptr);
  ASSERT_NE(GraphItemOf(adapter, flat), nullptr);
  EXPECT_EQ(GraphItemOf(adapter, flat)->SkinData()->SkinSection(), QStringLiteral("SPEEDBUTTON_SMALL"));
  EXPECT_EQ(GraphItemOf(adapter, flat)->SkinData()->OwnerControl(), flat);
  ASSERT_NE(GraphItemOf(adapter, raised), nullptr);
  EXPECT_EQ(GraphItemOf(adapter, raised)->SkinData()->SkinSection(), QStringLiteral("SPEEDBUTTON"));
  const auto* handler = dynamic_cast<const TacGraphHandlerOf<StandInHandler>*>(GraphItemOf(adapter, flat)->Handler());
  ASSERT_NE(handler, nullptr);
  EXPECT_EQ(handler->Get()->Button, flat);
  EXPECT_EQ(handler->Get()->Data, GraphItemOf(adapter, flat)->SkinData());
  EXPECT_EQ(GraphItemOf(adapter, onBar), nullptr) << "a tool bar's button is no speed button";
  EXPECT_FALSE(adapter->IsControlSupported(onBar));
  EXPECT_EQ(ItemOf(adapter, flat), nullptr) << "no window item";
  // A button gone leaves a dead handler: its item goes in the next clean.
  ASSERT_EQ(adapter->GraphCount(), 3);
  delete gone;
  adapter->CleanItems();
  EXPECT_EQ(adapter->GraphCount(), 2);
  // A speed button's class must stand in a list.
  EXPECT_TRUE(adapter->IsControlSupported(raised));
  manager->ThirdPartyLists[ThirdPartyList::tpSpeedButton].clear();
  EXPECT_FALSE(adapter->IsControlSupported(raised)) << "a speed button whose class no list names";
  manager->InitThirdPartyLists(/*reset=*/true);
  // Without the handler's unit a speed button is no item at all.
  CtrlAdapterSeams().SpeedButtonHandler = nullptr;
  auto* later = new QToolButton(form.get());
  later->show();
  QApplication::processEvents();
  adapter->AddAllItems();
  EXPECT_EQ(GraphItemOf(adapter, later), nullptr);
}

TEST_F(CtrlAdapterTest, SkinRemovalGivesControlsBackAndANewSkinAdaptsAgain) {
  constexpr TColor kOwnColor = 0x123456;
  auto* edit = new QLineEdit(form.get());
  SetControlColor(edit, kOwnColor);
  TacCtrlAdapter* adapter = ShowSkinned();
  ASSERT_NE(adapter, nullptr);
  ASSERT_NE(FindAdapter(edit), nullptr);
  EXPECT_NE(GetControlColor(edit), kOwnColor) << "the skin's colour while skinned";
  RemoveSkin();
  EXPECT_EQ(CtrlAdapterOf(provider), nullptr);
  EXPECT_EQ(FindAdapter(edit), nullptr);
  EXPECT_EQ(GetControlColor(edit), kOwnColor);
  // A later skin makes a new adapter, and a control made afterwards is
  // adapted when the form hears it changed.
  SendMessage(form.get(), SkinCommandMsg, MAKEWPARAM(0, acNewSkin), LPARAM(PtrParam(manager.get())));
  adapter = CtrlAdapterOf(provider);
  ASSERT_NE(adapter, nullptr);
  EXPECT_NE(FindAdapter(edit), nullptr);
  auto* later = new QLineEdit(form.get());
  later->show();
  QApplication::processEvents();
  SendMessage(form.get(), SkinCommandMsg, MAKEWPARAM(0, acControlChanged), LPARAM(PtrParam(later)));
  EXPECT_NE(ItemOf(adapter, later), nullptr);
  EXPECT_NE(dynamic_cast<TacEditWnd*>(FindAdapter(later)), nullptr);
}

// ------------------------------------------------------------ items

TEST_F(CtrlAdapterTest, TwoDeadNeighboursGoInOneClean) {
  std::vector<QLineEdit*> edits;
  for (int i = 0; i < 5; ++i) edits.push_back(new QLineEdit(form.get()));
  TacCtrlAdapter* adapter = ShowSkinned();
  ASSERT_NE(adapter, nullptr);
  ASSERT_EQ(adapter->Count(), 5);
  // Two adapters next to each other go: one uninstalled, one with its window.
  ItemOf(adapter, edits[1])->WndAdapter()->Uninstall(false);
  delete edits[2];
  adapter->CleanItems();
  ASSERT_EQ(adapter->Count(), 3);
  const QWidget* want[] = {edits[0], edits[3], edits[4]};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(adapter->GetItem(i)->Control(), want[i]) << i;
    EXPECT_EQ(adapter->GetItem(i)->Index, i);
  }
  EXPECT_EQ(adapter->GetItem(3), nullptr);
  EXPECT_EQ(adapter->GetItem(-1), nullptr);
  // RemoveItem moves the last one into the gap.
  adapter->RemoveItem(0);
  ASSERT_EQ(adapter->Count(), 2);
  EXPECT_EQ(adapter->GetItem(0)->Control(), edits[4]);
  EXPECT_EQ(FindAdapter(edits[0]), nullptr) << "a removed item's adapter leaves the control";
  adapter->RemoveItem(5);
  EXPECT_EQ(adapter->Count(), 2);
  adapter->RemoveItem(1);  // the last one: nothing moves
  ASSERT_EQ(adapter->Count(), 1);
  EXPECT_EQ(adapter->GetItem(0)->Control(), edits[4]);
  EXPECT_EQ(FindAdapter(edits[3]), nullptr);
}

TEST_F(CtrlAdapterTest, SendToAllSurvivesReceiversThatDeleteWhatItWalks) {
  std::vector<QPointer<QLineEdit>> edits;
  for (int i = 0; i < 4; ++i) edits.emplace_back(new QLineEdit(form.get()));
  auto* hidden = new QLineEdit(form.get());
  TacCtrlAdapter* adapter = ShowSkinned();
  ASSERT_NE(adapter, nullptr);
  hidden->hide();
  std::vector<int> heard;
  std::vector<WindowProcHandle> hooks;
  for (int i = 0; i < 4; ++i)
    hooks.push_back(InstallWindowProc(
        edits[size_t(i)],
        [&, i](Message& m, const CallPrevious& previous) {
          if (m.Msg != kProbe) return previous(m);
          heard.push_back(i);
          if (i == 0 && m.WParam == 0) {
            delete edits[1].data();  // a later item's control goes
            adapter->RemoveItem(2);  // a later item goes (the last one moves in)
          }
          if (i == 0 && m.WParam == 1) delete provider;  // the provider and its adapter go
        },
        WindowProcLevel::Window));
  auto hiddenHook = InstallWindowProc(
      hidden, [&](Message& m, const CallPrevious& previous) {
        if (m.Msg == kProbe) heard.push_back(9);
        previous(m);
      },
      WindowProcLevel::Window);
  adapter->SendToAll(Message{kProbe, 0, 0, 0});
  EXPECT_EQ(heard, (std::vector<int>{0, 3})) << "item 1's control and item 2 are gone, the hidden one hears nothing";
  heard.clear();
  QPointer<TacCtrlAdapter> guarded(adapter);
  adapter->SendToAll(Message{kProbe, 1, 0, 0});
  EXPECT_EQ(heard, (std::vector<int>{0})) << "the items went with their adapter";
  EXPECT_TRUE(guarded.isNull());
  RemoveWindowProc(hiddenHook);
  for (WindowProcHandle& hook : hooks) RemoveWindowProc(hook);
}

// ------------------------------------------------------------ labels

TEST_F(CtrlAdapterTest, LabelsTaggedNinetyEightKeepTheirLook) {
  auto* skinned = new QLabel(QStringLiteral("skinned"), form.get());
  auto* own = new QLabel(QStringLiteral("own"), form.get());
  SetTag(own, 98);
  for (QLabel* l : {skinned, own}) {
    SetFontColor(l, kOwnFont);
    l->setAutoFillBackground(true);
  }
  TacCtrlAdapter* adapter = ShowSkinned();
  ASSERT_NE(adapter, nullptr);
  EXPECT_EQ(GetFontColor(skinned), kGlobalFont);
  EXPECT_FALSE(skinned->autoFillBackground()) << "made transparent";
  EXPECT_EQ(GetFontColor(own), kOwnFont);
  EXPECT_TRUE(own->autoFillBackground());
  EXPECT_EQ(adapter->KeptLabelCount(), 1);
}

TEST_F(CtrlAdapterTest, LabelsGetTheirLookBackAfterRemovalAndWhenTheAdapterGoes) {
  auto* coloured = new QLabel(QStringLiteral("own colour, opaque"), form.get());
  auto* inherited = new QLabel(QStringLiteral("parent's colour"), form.get());
  SetFontColor(coloured, clWindowText);  // a system colour comes back as itself
  coloured->setAutoFillBackground(true);
  for (bool byRemoval : {true, false}) {
    SCOPED_TRACE(byRemoval ? "skin removed" : "provider freed");
    TacCtrlAdapter* adapter = ShowSkinned();
    ASSERT_NE(adapter, nullptr);
    ASSERT_EQ(GetFontColor(coloured), kGlobalFont);
    ASSERT_EQ(GetFontColor(inherited), kGlobalFont);
    // A second skin change keeps what was kept first.
    SendMessage(form.get(), SkinCommandMsg, MAKEWPARAM(0, acControlChanged), 0);
    if (byRemoval) {
      RemoveSkin();
      EXPECT_EQ(CtrlAdapterOf(provider), nullptr) << "the adapter goes with the skin";
    } else {
      delete provider;
    }
    EXPECT_EQ(GetFontColor(coloured), clWindowText);
    EXPECT_TRUE(coloured->autoFillBackground());
    EXPECT_FALSE(inherited->autoFillBackground());
    // The other label follows its parent's colour again.
    SetFontColor(form.get(), 0x00A000);
    EXPECT_EQ(GetFontColor(inherited), TColor(0x00A000));
    ResetPaletteColor(form.get(), form->foregroundRole());
    if (byRemoval) delete provider;
    form->hide();
    QApplication::processEvents();
  }
}

}  // namespace

#include "CtrlAdapterTest.moc"
