// The skin-command senders, and that the adapters' start-up puts them into
// the manager half's entry points (and takes them out at the end).
#include "skinlib/adapters/SkinCommandSenders.h"

#include "AdapterTestSupport.h"

#include "platform/Colors.h"
#include "platform/Messages.h"
#include "platform/Properties.h"
#include "platform/Startup.h"
#include "platform/WindowProc.h"
#include "platform/WindowTable.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/adapters/AdapterBaseSeams.h"
#include "skinlib/manager/AdapterEntryPoints.h"
#include "skinlib/manager/LibraryConstants.h"

#include <QLabel>
#include <QPointer>
#include <QWidget>

#include <gtest/gtest.h>

#include <vector>

using namespace platform;

namespace {

// Makes a control record the skin commands it gets and answer "skinned"
// (7) with `Skinned`, the background query (21) with its colour and 99
// with lParam + 1.
class Responder : public QObject {
 public:
  explicit Responder(QWidget* control) { control->installEventFilter(this); }
  std::vector<unsigned> Commands;
  bool Skinned = false;
  TColor SkinColor = 0x00AA55;

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override {
    MessageEvent* m = AsMessageEvent(e);
    if (!m || m->Msg().Msg != SkinCommandMsg) return QObject::eventFilter(watched, e);
    const unsigned command = HIWORD(m->Msg().WParam);
    Commands.push_back(command);
    if (command == kCommandIsSkinned) m->Msg().Result = Skinned ? 1 : 0;
    if (command == kCommandBgColor) m->Msg().Result = SkinColor;
    if (command == 99) m->Msg().Result = m->Msg().LParam + 1;
    return true;
  }
};

class SkinCommandSenders : public ::testing::Test {
 protected:
  void SetUp() override { StartUnit("SkinCommandSenders"); }
  void TearDown() override { FinishUnit("SkinCommandSenders"); }
};

}  // namespace

TEST_F(SkinCommandSenders, SendersReachWindowsAndControls) {
  QWidget w;
  Responder r(&w);
  EXPECT_EQ(SendSkinCommandToHandle(&w, 99, 41), 42);
  EXPECT_EQ(SendSkinCommandToHandle(nullptr, 99, 41), 0);
  // A windowed control without its handle yet gets nothing.
  EXPECT_EQ(SendSkinCommandToControl(&w, 99, 1), 0);
  EXPECT_EQ(r.Commands, std::vector<unsigned>{99});
  w.ensurePolished();
  EXPECT_EQ(SendSimpleSkinCommand(&w, 99), 1);
  EXPECT_FALSE(SkinCommandAnswered(&w, kCommandIsSkinned));
  r.Skinned = true;
  EXPECT_TRUE(SkinCommandAnswered(&w, kCommandIsSkinned));
  // A graphic control (a label inside a form) has no handle of its own: it
  // gets the command by Perform.
  QWidget form;
  auto* label = new QLabel(&form);
  Responder answers(label);
  EXPECT_EQ(SendSkinCommandToControl(label, 99, 5), 6);
}

TEST_F(SkinCommandSenders, BackgroundColourOfAControl) {
  QWidget w;
  Responder r(&w);
  w.ensurePolished();
  SetControlColor(&w, 0x102030);
  EXPECT_EQ(GetControlBgColor(nullptr), KeyColor);
  EXPECT_EQ(GetControlBgColor(&w), 0x102030);  // not skinned: its own colour
  SetControlColor(&w, clBtnFace);
  EXPECT_EQ(GetControlBgColor(&w), ColorToRGB(clBtnFace));  // as RGB
  r.Skinned = true;
  EXPECT_EQ(GetControlBgColor(&w), 0x00AA55);  // skinned: asked
  EXPECT_EQ(r.Commands.back(), kCommandBgColor);
}

TEST_F(SkinCommandSenders, TheStartUpFillsTheManagersEntryPoints) {
  QWidget w;
  Responder r(&w);
  w.ensurePolished();
  r.Skinned = true;
  EXPECT_EQ(adapters::SendSkinCommandToHandle(&w, 99, 9), 10);
  EXPECT_EQ(adapters::GetControlBgColor(&w), 0x00AA55);
  // Slots this unit does not fill keep their neutral answer.
  EXPECT_FALSE(adapters::InstallDialogHook());
  FinishUnit("SkinCommandSenders");
  EXPECT_EQ(adapters::SendSkinCommandToHandle(&w, 99, 9), 0);
  EXPECT_EQ(adapters::GetControlBgColor(&w), KeyColor);
  StartUnit("SkinCommandSenders");  // for TearDown
}

namespace {

constexpr unsigned kProbe = 99;

platform::Message Probe(LPARAM lParam = 5) { return {SkinCommandMsg, MAKEWPARAM(0, int(kProbe)), lParam, 0}; }

}  // namespace

// Graphic children and children without a handle by Perform, skinned ones
// by SendMessage (their own children are theirs to tell), the children of
// a windowed child that is not skinned in its place.
TEST_F(SkinCommandSenders, ChildrenHearTheRecordTheWayTheyCan) {
  QWidget form;
  auto* label = new QLabel(QStringLiteral("a"), &form);
  auto* skinned = new QWidget(&form);
  auto* belowSkinned = new QWidget(skinned);
  auto* plain = new QWidget(&form);
  auto* deep = new QWidget(plain);
  auto* deepLabel = new QLabel(plain);
  form.ensurePolished();
  auto* late = new QWidget(&form);  // no handle yet
  std::vector<CommandRecord> log;
  CommandRecorder r1(log, label, "label"), r2(log, skinned, "skinned", true), r3(log, belowSkinned, "below", true),
      r4(log, plain, "plain"), r5(log, deep, "deep", true), r6(log, deepLabel, "deepLabel"), r7(log, late, "late", true);
  Message m = Probe();
  SendSkinCommandToChildren(&form, m);
  const std::vector<CommandRecord> expected{{"label", kProbe, false, 5},
                                            {"skinned", kProbe, true, 5},
                                            {"deep", kProbe, true, 5},
                                            {"deepLabel", kProbe, false, 5},
                                            {"late", kProbe, false, 5}};
  EXPECT_EQ(log, expected);
  log.clear();
  SendSkinCommandToChildren(nullptr, m);
  SendSkinCommandToChildren(label, m);  // no children
  EXPECT_TRUE(log.empty());
}

// A child being destroyed ends the walk: the children after it hear
// nothing.
TEST_F(SkinCommandSenders, ChildrenAfterOneBeingDestroyedGetNothing) {
  QWidget form;
  auto* first = new QWidget(&form);
  auto* dying = new QWidget(&form);
  auto* after = new QWidget(&form);
  auto* afterLabel = new QLabel(&form);
  form.ensurePolished();
  std::vector<CommandRecord> log;
  CommandRecorder r1(log, first, "first", true), r2(log, after, "after", true), r3(log, afterLabel, "afterLabel");
  bool walked = false;
  InstallWindowProc(dying, [&](Message& m, const CallPrevious& previous) {
    if (m.Msg == WM_DESTROY) {
      ASSERT_TRUE(IsDestroying(dying));
      Message probe = Probe();
      SendSkinCommandToChildren(&form, probe);
      walked = true;
    }
    previous(m);
  });
  delete dying;
  ASSERT_TRUE(walked);
  EXPECT_EQ(log, (std::vector<CommandRecord>{{"first", kProbe, true, 5}}));
  // Once it is gone the walk reaches everybody again.
  log.clear();
  Message probe = Probe();
  SendSkinCommandToChildren(&form, probe);
  EXPECT_EQ(log.size(), 3u);
}

// A deleted receiver takes nobody else's turn: the walk goes on with the
// children that are left.
TEST_F(SkinCommandSenders, AChildDeletedByAReceiverIsPassedOver) {
  QWidget form;
  auto* first = new QWidget(&form);
  QPointer<QWidget> second = new QWidget(&form);
  auto* third = new QWidget(&form);
  form.ensurePolished();
  std::vector<CommandRecord> log;
  CommandRecorder r1(log, first, "first", true), r3(log, third, "third", true);
  InstallWindowProc(first, [&](Message& m, const CallPrevious& previous) {
    if (m.Msg == SkinCommandMsg && HIWORD(m.WParam) == kProbe) delete second.data();
    previous(m);
  });
  Message probe = Probe();
  SendSkinCommandToChildren(&form, probe);
  EXPECT_FALSE(second);
  EXPECT_EQ(log, (std::vector<CommandRecord>{{"first", kProbe, true, 5}, {"third", kProbe, true, 5}}));
}

TEST_F(SkinCommandSenders, TheFormHearsThatAControlChanged) {
  QWidget form;
  auto* panel = new QWidget(&form);
  auto* button = new QWidget(panel);
  form.ensurePolished();
  std::vector<CommandRecord> log;
  CommandRecorder r(log, &form, "form");
  NotifyParentForm(button);
  NotifyParentForm(&form);  // a form tells nobody
  NotifyParentForm(nullptr);
  EXPECT_EQ(log, (std::vector<CommandRecord>{{"form", acControlChanged, true, LPARAM(button)}}));
}

// Command 6 only to shown windowed children with a handle, and nothing
// while the forms are locked.
TEST_F(SkinCommandSenders, ChildrenHearThatUpdatingEnded) {
  QWidget form;
  auto* label = new QLabel(&form);
  auto* shown = new QWidget(&form);
  auto* hidden = new QWidget(&form);
  hidden->hide();
  auto* grandChild = new QWidget(shown);
  form.ensurePolished();
  auto* late = new QWidget(&form);
  std::vector<CommandRecord> log;
  CommandRecorder r1(log, label, "label"), r2(log, shown, "shown"), r3(log, hidden, "hidden"),
      r4(log, grandChild, "grandChild"), r5(log, late, "late");
  NotifyChildrenUpdated(&form);
  EXPECT_EQ(log, (std::vector<CommandRecord>{{"shown", acEndUpdate, true, 0}}));
  log.clear();
  FormsLocked = true;
  NotifyChildrenUpdated(&form);
  FormsLocked = false;
  NotifyChildrenUpdated(nullptr);
  EXPECT_TRUE(log.empty());
}

TEST_F(SkinCommandSenders, VisibleChildWindowsHearIt) {
  QWidget form;
  auto* bottom = new QWidget(&form);
  auto* hidden = new QWidget(&form);
  hidden->hide();
  auto* label = new QLabel(&form);  // no window of its own
  auto* top = new QWidget(&form);
  auto* grandChild = new QWidget(top);
  form.ensurePolished();
  auto* late = new QWidget(&form);  // no window yet
  std::vector<CommandRecord> log;
  CommandRecorder r1(log, bottom, "bottom"), r2(log, hidden, "hidden"), r3(log, top, "top"),
      r4(log, grandChild, "grandChild"), r5(log, label, "label"), r6(log, late, "late");
  NotifyTopChildWindows(&form);
  NotifyTopChildWindows(nullptr);
  EXPECT_EQ(log, (std::vector<CommandRecord>{{"top", acEndUpdate, true, 0}, {"bottom", acEndUpdate, true, 0}}));
}

TEST_F(SkinCommandSenders, OnlyDirectChildWindowsGetABroadcast) {
  QWidget form;
  auto* a = new QWidget(&form);
  auto* a1 = new QWidget(a);
  auto* b = new QWidget(&form);
  b->hide();  // hidden ones too
  auto* owned = new QWidget(&form, Qt::Window);  // a window of its own is no child
  auto* label = new QLabel(&form);                // no window of its own
  form.ensurePolished();
  auto* late = new QWidget(&form);  // no window yet
  std::vector<CommandRecord> log;
  CommandRecorder r1(log, a, "a"), r2(log, a1, "a1"), r3(log, b, "b"), r4(log, owned, "owned"),
      r5(log, label, "label"), r6(log, late, "late");
  Message m = Probe(7);
  BroadcastToChildWindows(&form, m);
  BroadcastToChildWindows(nullptr, m);
  EXPECT_EQ(log, (std::vector<CommandRecord>{{"b", kProbe, true, 7}, {"a", kProbe, true, 7}}));
}

TEST_F(SkinCommandSenders, BackgroundColourOfAWindow) {
  QWidget w;
  w.ensurePolished();
  std::vector<CommandRecord> log;
  CommandRecorder r(log, &w, "w");
  EXPECT_EQ(GetWndBgColor(nullptr), KeyColor);
  r.Answer = 0x123456;
  EXPECT_EQ(GetWndBgColor(&w), 0x123456);
  r.Answer = LRESULT(uint32_t(clBtnFace));  // a system colour comes back as RGB
  EXPECT_EQ(GetWndBgColor(&w), ColorToRGB(clBtnFace));
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0], (CommandRecord{"w", kCommandBgColor, true, KeyColor}));
}

// The question (7) goes with lParam 0, the colour query (21) with $FF00FF.
TEST_F(SkinCommandSenders, WhatTheColourLookupAsks) {
  QWidget w;
  w.ensurePolished();
  std::vector<CommandRecord> log;
  CommandRecorder r(log, &w, "w", true);
  r.RecordQuestions = true;
  r.Answer = 0x445566;
  EXPECT_EQ(GetControlBgColor(&w), 0x445566);
  EXPECT_EQ(log, (std::vector<CommandRecord>{{"w", kCommandIsSkinned, true, 0}, {"w", kCommandBgColor, true, KeyColor}}));
}

TEST_F(SkinCommandSenders, TheStartUpFillsTheChildAndWindowSlots) {
  QWidget form;
  auto* child = new QWidget(&form);
  form.ensurePolished();
  std::vector<CommandRecord> log;
  CommandRecorder r(log, child, "child", true), f(log, &form, "form");
  f.Answer = 0x010203;
  Message m = Probe();
  adapters::SendSkinCommandToChildren(&form, m);
  EXPECT_EQ(adapters::GetWndBgColor(&form), 0x010203);
  adapterseams::BroadcastToChildWindows(&form, m);
  EXPECT_EQ(log.size(), 3u);
  FinishUnit("SkinCommandSenders");
  log.clear();
  adapters::SendSkinCommandToChildren(&form, m);
  adapterseams::BroadcastToChildWindows(&form, m);
  EXPECT_EQ(adapters::GetWndBgColor(&form), KeyColor);
  EXPECT_TRUE(log.empty());
  StartUnit("SkinCommandSenders");  // for TearDown
}
