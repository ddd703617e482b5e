// The common frame of the form provider's smaller test files: the units a
// skinned form needs, a form and a manager with a generated skin active.
#pragma once

#include "platform/Startup.h"
#include "platform/UserPrompts.h"
#include "skinlib/adapters/sSkinProvider.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/support/TestSkins.h"
#include "support/TempDir.h"

#include <QWidget>

#include <gtest/gtest.h>

#include <iterator>
#include <memory>

class ProviderFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* unit : kUnits) platform::StartUnit(unit);
    form = std::make_unique<QWidget>();
    form->resize(400, 300);
    form->setWindowTitle(QStringLiteral("Skinned form"));
  }
  void TearDown() override {
    form.reset();
    manager.reset();
    for (auto it = std::rbegin(kUnits); it != std::rend(kUnits); ++it) platform::FinishUnit(*it);
  }
  // `skin` written as the folder `name` and made the manager's active skin.
  void Activate(const testskins::TestSkin& skin = testskins::FormSkin(), const QString& name = "Forms") {
    QString error;
    ASSERT_TRUE(testskins::WriteSkinFolder(skin, Root() + "/" + name, &error)) << error.toStdString();
    if (!manager) manager = std::make_unique<TsSkinManager>();
    manager->SetSkinDirectory(Root());
    manager->SetSkinName(name);
    ASSERT_TRUE(manager->Active());
  }
  QString Root() const { return QString::fromStdString(dir.Path()); }

  static constexpr const char* kUnits[] = {"LibraryConstants", "SkinnedForms", "SkinCommandSenders", "acSBUtils",
                                           "sSkinProvider"};
  testsupport::TempDir dir;
  platform::RecordingPrompts prompts;
  platform::ScopedPrompts scopedPrompts{prompts};
  std::unique_ptr<QWidget> form;
  std::unique_ptr<TsSkinManager> manager;
};
