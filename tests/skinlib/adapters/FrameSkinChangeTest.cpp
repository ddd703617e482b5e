// A frame skinned by its frame adapter follows the announcement of a new
// skin: it takes its section from the new skin, not the index the old one
// had.
#include "skinlib/adapters/sFrameAdapter.h"

#include "platform/Messages.h"
#include "platform/Startup.h"
#include "platform/UserPrompts.h"
#include "skinlib/adapters/SkinCommandSenders.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/support/MdiSkin.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QWidget>

#include <gtest/gtest.h>

#include <iterator>
#include <memory>

using namespace platform;

namespace {

constexpr const char* kUnits[] = {"LibraryConstants", "SkinnedForms", "SkinCommandSenders", "acSBUtils",
                                  "EditAdapters", "sSkinProvider"};

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

  testsupport::TempDir dir;
  RecordingPrompts prompts;
  ScopedPrompts scopedPrompts{prompts};
  std::unique_ptr<TsSkinManager> manager;
  std::unique_ptr<QWidget> window;
};

TEST_F(FrameSkinChangeTest, TheFrameTakesItsSectionFromTheNewSkin) {
  ASSERT_NO_FATAL_FAILURE(Write(testskins::MdiSkin(), "Mdi"));
  ASSERT_NO_FATAL_FAILURE(Write(testskins::ControlDataSkin(), "Data"));
  manager = std::make_unique<TsSkinManager>();
  manager->SetSkinDirectory(Root());
  manager->SetSkinName("Mdi");
  ASSERT_TRUE(manager->Active());
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

}  // namespace
