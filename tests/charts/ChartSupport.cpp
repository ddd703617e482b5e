// The charts load their settings when made and save them when they go:
// "mySystem.ini" lives in a temporary folder of this test program.
#include "charts/ChartSupport.h"

#include "charts/StockChartCtl.h"
#include "charts/uKLineDef.h"
#include "engine/uIniFileMgr.h"
#include "platform/AppPath.h"
#include "support/History.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QImage>

#include <cstdlib>
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

void charttest::ExpectPicture(const platform::Bitmap& painted, const std::string& name) {
  const QString file = QString::fromStdString(testsupport::SourceDir() + "/tests/charts/data/" + name);
  const QImage image = painted.OpaqueImage().convertToFormat(QImage::Format_RGB32);
  if (std::getenv("SSQ_WRITE_PICTURES")) {
    EXPECT_TRUE(image.save(file)) << name;
    return;
  }
  const QImage want = QImage(file).convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(image.size(), want.size()) << name;
  int differ = 0;
  QRect box;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixel(x, y) != want.pixel(x, y)) {
        ++differ;
        box |= QRect(x, y, 1, 1);
      }
  if (differ > 0) image.save(QString::fromStdString(name));
  EXPECT_EQ(differ, 0) << name << ": pixels differ in (" << box.left() << ", " << box.top() << ") - ("
                       << box.right() << ", " << box.bottom() << ")";
}
