// Builders, pixel checks and reference pictures shared by the chart tests.
// The charts load their settings when made and save them when they go:
// "mySystem.ini" lives in the settings sandbox.
#pragma once

#include "charts/uKLineDef.h"
#include "charts/uYLChart.h"
#include "platform/Bitmap.h"
#include "support/Pictures.h"
#include "support/SettingsSandbox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <functional>
#include <string>
#include <vector>

// Starts a test from the defaults: no settings file, the shared chart
// parameters as before any settings were read, candle bars 4 pixels wide.
void ResetChartSettings();

namespace charttest {

// A walk of n candles, each opening at the previous close (the first at 0).
inline TCandleAry Walk(int n, const std::function<float(int)>& close) {
  TCandleAry candles;
  for (int i = 0; i < n; ++i) candles.push_back({candles.empty() ? 0.0f : candles.back().Close, close(i), nullptr});
  return candles;
}

// Closes 1, 2, 0, 1, 2, 0, ...: two rising candles, then a falling one.
inline TCandleAry Steps(int n) {
  return Walk(n, [](int i) { return float((i + 1) % 3); });
}

inline TCandleAry Zigzag(int n) {
  return Walk(n, [](int i) { return float((i * 7) % 11) - float(i % 3); });
}

// Omission points as the trend window builds them: one per hit, its draw
// numbered from 2025001, then the next issue's placeholder "？" with the
// running omission. The draws live as long as the test program.
inline TYLAry OmissionWalk(const std::vector<int32_t>& omissions) {
  static std::deque<TLottery> draws;
  TYLAry points;
  for (size_t i = 0; i < omissions.size(); ++i) {
    TLottery& d = draws.emplace_back();
    const bool next = i + 1 == omissions.size();
    d.DateNo = next ? 0 : 2025001 + int32_t(i);
    d.NumText = next ? "？" : "01,02,03,04,05," + std::to_string(10 + i) + ",07";
    points.push_back({&d, omissions[i]});
  }
  return points;
}

// Pixels of exactly one colour inside an area (clipped to the bitmap).
inline int CountColor(const platform::Bitmap& b, platform::TRect r, platform::TColor color) {
  int n = 0;
  for (int y = std::max(r.Top, 0); y < std::min(r.Bottom, b.Height()); ++y)
    for (int x = std::max(r.Left, 0); x < std::min(r.Right, b.Width()); ++x) n += b.GetPixel(x, y) == color;
  return n;
}

// Compares a painted chart with its reference picture tests/charts/data/<name>.
inline void ExpectPicture(const platform::Bitmap& painted, const std::string& name) {
  testsupport::ExpectPicture(painted.OpaqueImage(), "tests/charts/data/" + name);
}

// Lays a chart out and paints it at every size from 0 to 200 pixels, either
// way against 0, 1, itself and 300, with the mouse in the middle.
template <class Chart>
void PaintAtEverySize(Chart& chart, const std::function<void()>& load) {
  for (int size = 0; size <= 200; size += size < 12 ? 1 : 17)
    for (int other : {0, 1, size, 300}) {
      chart.resize(size, other);
      load();
      chart.Model().MouseMove(size / 2, other / 2);
      const platform::Bitmap& b = chart.RenderBack();
      EXPECT_EQ(std::make_pair(b.Width(), b.Height()), std::make_pair(size, other));
    }
}

}  // namespace charttest
