// The skin-command senders, and that the adapters' start-up puts them into
// the manager half's entry points (and takes them out at the end).
#include "skinlib/adapters/SkinCommandSenders.h"

#include "platform/Colors.h"
#include "platform/Messages.h"
#include "platform/Properties.h"
#include "platform/Startup.h"
#include "skinlib/manager/AdapterEntryPoints.h"
#include "skinlib/manager/LibraryConstants.h"

#include <QLabel>
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
