// What the skin manager's tests share: a folder of skins written by the
// test-skin generator, the manager's seams watched, the prompts recorded.
#pragma once

#include "platform/UserPrompts.h"
#include "skinlib/manager/ManagerSeams.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/support/TestSkins.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

class ManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ManagerSeams() = {};
    ManagerSeams().BroadcastToAllForms = [this](unsigned command, TsSkinManager* manager) {
      broadcasts.emplace_back(command, manager);
    };
    PreferSkinFolder = false;
    NoNewSkinBroadcast = false;
  }
  void TearDown() override {
    ManagerSeams() = {};
    PreferSkinFolder = false;
  }

  QString Root() const { return QString::fromStdString(dir.Path()); }
  void WriteFolder(const testskins::TestSkin& skin, const QString& name) {
    QString error;
    ASSERT_TRUE(testskins::WriteSkinFolder(skin, Root() + u'/' + name, &error)) << error.toStdString();
  }
  void WritePackage(const testskins::TestSkin& skin, const QString& fileName) {
    dir.Write(fileName.toStdString(), testskins::PackageBytes(skin));
  }
  // A manager over the folder, its skin chosen (and read) last.
  std::unique_ptr<TsSkinManager> Manager(const QString& skinName) {
    auto manager = std::make_unique<TsSkinManager>();
    manager->SetSkinDirectory(Root());
    manager->SetSkinName(skinName);
    return manager;
  }
  // A manager over a damaged skin, written to its folder first.
  std::unique_ptr<TsSkinManager> DamagedManager(testskins::SkinDamage damage) {
    const testskins::TestSkin skin = testskins::DamagedSkin(damage);
    WriteFolder(skin, skin.Name);
    return Manager(skin.Name);
  }
  // The sub-commands broadcast so far (and forgotten).
  std::vector<unsigned> TakeCommands() {
    std::vector<unsigned> commands;
    for (const auto& [command, manager] : broadcasts) commands.push_back(command);
    broadcasts.clear();
    return commands;
  }

  testsupport::TempDir dir;
  platform::RecordingPrompts prompts;
  platform::ScopedPrompts scopedPrompts{prompts};
  std::vector<std::pair<unsigned, TsSkinManager*>> broadcasts;
};
