// The charts load their settings when made and save them when they go:
// "mySystem.ini" lives in a temporary folder of this test program.
#include "charts/ChartSupport.h"

#include "charts/StockChartCtl.h"
#include "charts/uKLineDef.h"
#include "engine/uIniFileMgr.h"
#include "platform/AppPath.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace {

class SettingsSandbox : public ::testing::Environment {
 public:
  void SetUp() override {
    folder_ = std::make_unique<testsupport::TempDir>();
    platform::SetAppPathOverride(folder_->Path());
    IniFileMgr();  // the settings object now lives in the folder
  }
  void TearDown() override {
    platform::SetAppPathOverride("");
    folder_.reset();
  }

 private:
  std::unique_ptr<testsupport::TempDir> folder_;
};

[[maybe_unused]] ::testing::Environment* const sandbox = ::testing::AddGlobalTestEnvironment(new SettingsSandbox);

}  // namespace

void ResetChartSettings() {
  std::filesystem::remove(IniFileMgr().FileName());
  ChartParams() = TChartParams{};
  TStockChartModel::BarWidth = TStockChartModel::DefaultBarWidth;
}
