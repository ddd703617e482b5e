// The common frame of the edit, list and combo adapters' tests: the units
// they need started and finished, and a manager with a generated skin
// active.
#pragma once

#include "platform/Startup.h"
#include "platform/UserPrompts.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/support/TestSkins.h"
#include "support/TempDir.h"

#include <QWidget>

#include <gtest/gtest.h>

#include <iterator>
#include <memory>

class SkinnedAdapterTest : public ::testing::Test {
 protected:
  // `skin` written as the folder `name` and made the manager's active skin.
  void Activate(const testskins::TestSkin& skin, const QString& name) {
    for (const char* unit : kUnits) platform::StartUnit(unit);
    started_ = true;
    QString error;
    ASSERT_TRUE(testskins::WriteSkinFolder(skin, Root() + "/" + name, &error)) << error.toStdString();
    manager = std::make_unique<TsSkinManager>();
    manager->SetSkinDirectory(Root());
    manager->SetSkinName(name);
    ASSERT_TRUE(manager->Active());
  }
  // Called by the test's TearDown once its adapters are gone.
  void Finish() {
    manager.reset();
    if (!started_) return;
    for (auto it = std::rbegin(kUnits); it != std::rend(kUnits); ++it) platform::FinishUnit(*it);
    started_ = false;
  }
  QString Root() const { return QString::fromStdString(dir.Path()); }

  static constexpr const char* kUnits[] = {"LibraryConstants", "SkinnedForms", "SkinCommandSenders",
                                           "SectionBackgrounds", "acSBUtils", "EditAdapters"};
  testsupport::TempDir dir;
  platform::RecordingPrompts prompts;
  platform::ScopedPrompts scopedPrompts{prompts};
  QWidget form;
  std::unique_ptr<TsSkinManager> manager;

 private:
  bool started_ = false;
};
