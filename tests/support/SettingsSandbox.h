// "mySystem.ini" in a temporary folder of the test program. Including this
// header registers the sandbox once per program; it is in place before the
// first test, so before anything reads the settings.
#pragma once

#include "engine/uIniFileMgr.h"
#include "platform/AppPath.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace testsupport {

class SettingsSandbox : public ::testing::Environment {
 public:
  static TempDir& Folder() {
    static TempDir folder;
    return folder;
  }
  void SetUp() override {
    platform::SetAppPathOverride(Folder().Path());
    IniFileMgr();  // the settings object now lives in the folder
  }
  void TearDown() override { platform::SetAppPathOverride(""); }
};

inline ::testing::Environment* const settingsSandbox = ::testing::AddGlobalTestEnvironment(new SettingsSandbox);

}  // namespace testsupport
