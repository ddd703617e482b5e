#include "charts/ChartSupport.h"

#include "charts/StockChartCtl.h"
#include "charts/uKLineDef.h"
#include "engine/uIniFileMgr.h"

#include <gtest/gtest.h>

#include <filesystem>

void ResetChartSettings() {
  std::filesystem::remove(IniFileMgr().FileName());
  ChartParams() = TChartParams{};
  TStockChartModel::BarWidth = TStockChartModel::DefaultBarWidth;
}
