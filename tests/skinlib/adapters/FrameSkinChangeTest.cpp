// A frame skinned by its frame adapter follows the announcement of a new
// skin: it takes its section from the new skin, not the index the old one
// had; hidden after a skin change it tells its form that it, the frame,
// changed, and the form re-adapts only a control of its own.
#include "skinlib/adapters/sFrameAdapter.h"

#include "platform/Messages.h"
#include "platform/Startup.h"
#include "platform/UserPrompts.h"
#include "platform/WindowProc.h"
#include "skinlib/adapters/AdapterBase.h"
#include "skinlib/adapters/SkinCommandSenders.h"
#include "skinlib/adapters/sSkinProvider.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/support/MdiSkin.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QLineEdit>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <vector>

using namespace platform;

namespace {

constexpr const char* kUnits[] = {"LibraryConstants", "SkinnedForms", "SkinCommandSenders", "acSBUtils",
                                  "EditAdapters", "sSkinProvider", "sCtrlAdapter"};

class FrameSkinChangeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* unit : kUnits) StartUnit(unit);
    FrameAdapterClass() = QStringLiteral("TFrame");
  }
  void TearDown() override {
    window.reset();
    manager.reset();
    FrameAdapterClass().clear();
    for (auto it = std::rbegin(kUnits); it != std::rend(kUnits); ++it) FinishUnit(*it);
  }
  void Write(const testskins::TestSkin& skin, const QString& name) {
    QString error;
    ASSERT_TRUE(testskins::WriteSkinFolder(skin, Root() + "/" + name, &error)) << error.toStdString();
  }
  QString Root() const { return QString::fromStdString(dir.Path()); }
  // A manager with the written skin `name` active.
  void Activate(const QString& name) {
    manager = std::make_unique<TsSkinManager>();
    manager->SetSkinDirectory(Root());
    manager->SetSkinName(name);
    ASSERT_TRUE(manager->Active());
  }

  testsupport::TempDir dir;
  RecordingPrompts prompts;
  ScopedPrompts scopedPrompts{prompts};
  std::unique_ptr<TsSkinManager> manager;
  std::unique_ptr<QWidget> window;
};

TEST_F(FrameSkinChangeTest, TheFrameTakesItsSectionFromTheNewSkin) {
  ASSERT_NO_FATAL_FAILURE(Write(testskins::MdiSkin(), "Mdi"));
  ASSERT_NO_FATAL_FAILURE(Write(testskins::ControlDataSkin(), "Data"));
  ASSERT_NO_FATAL_FAILURE(Activate("Mdi"));
  window = std::make_unique<QWidget>();
  window->resize(300, 200);
  auto* frame = new testskins::TFrame(window.get());
  frame->setGeometry(20, 20, 120, 80);
  window->show();
  QApplication::processEvents();
  auto* adapter = new TsFrameAdapter(frame);
  ASSERT_FALSE(adapter->Inert());
  const int before = manager->IndexOfSection(QStringLiteral("GROUPBOX"));
  ASSERT_EQ(adapter->SkinData()->SectionIndex, before);

  // The new skin read without telling the forms, then announced alone
  // (no repaint follows), as after the manager's stored settings are read.
  NoNewSkinBroadcast = true;
  manager->SetSkinName("Data");
  NoNewSkinBroadcast = false;
  ASSERT_TRUE(manager->Active());
  const int after = manager->IndexOfSection(QStringLiteral("GROUPBOX"));
  ASSERT_GE(after, 0);
  ASSERT_NE(after, before) << "the two skins must keep the group box at different places";
  ASSERT_EQ(adapter->SkinData()->SectionIndex, before);
  manager->SendNewSkin(false);
  QApplication::processEvents();
  EXPECT_EQ(adapter->SkinData()->SectionIndex, after);
  EXPECT_EQ(SendSkinCommandToHandle(frame, acGetSection, 0), after + 1);
}

TEST_F(FrameSkinChangeTest, HiddenAfterASkinChangeTheFrameNamesItself) {
  ASSERT_NO_FATAL_FAILURE(Write(testskins::MdiSkin(), "Mdi"));
  ASSERT_NO_FATAL_FAILURE(Write(testskins::MdiSkin(50, true), "Bordered"));
  ASSERT_NO_FATAL_FAILURE(Activate("Mdi"));
  window = std::make_unique<QWidget>();
  window->resize(300, 200);
  new TsSkinProvider(window.get());
  auto* frame = new testskins::TFrame(window.get());
  frame->setGeometry(20, 20, 120, 80);
  window->show();
  QApplication::processEvents();
  ASSERT_EQ(frame->findChildren<TsFrameAdapter*>().size(), 1) << "the form's control adapter gave the frame one";
  std::vector<LPARAM> named;  // lParam of every command 25 the form gets
  WindowProcHandle record = InstallWindowProc(window.get(), [&](Message& m, const CallPrevious& previous) {
    if (m.Msg == SkinCommandMsg && HIWORD(m.WParam) == acControlChanged) named.push_back(m.LParam);
    previous(m);
  });
  manager->SetSkinName("Bordered");
  QApplication::processEvents();
  named.clear();
  frame->hide();
  QApplication::processEvents();
  EXPECT_FALSE(named.empty());
  EXPECT_EQ(std::count(named.begin(), named.end(), LPARAM(PtrParam(frame))), std::ptrdiff_t(named.size()));
  RemoveWindowProc(record);

  // The form re-adapts only a control of its own, never a window of
  // another form or a number that is no window at all.
  QWidget elsewhere;
  auto* stranger = new QLineEdit(&elsewhere);
  for (LPARAM lParam : {LPARAM(PtrParam(stranger)), LPARAM(PtrParam(manager.get())), LPARAM(7)}) {
    SendSkinCommandToHandle(window.get(), acControlChanged, lParam);
    EXPECT_EQ(FindAdapter(stranger), nullptr);
  }
}

}  // namespace
