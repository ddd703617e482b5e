// Builders and pixel counts shared by the chart tests. Every test program of
// the charts keeps "mySystem.ini" in a temporary folder of its own
// (ChartSupport.cpp), set before anything reads the settings.
#pragma once

#include "charts/uKLineDef.h"
#include "charts/uYLChart.h"
#include "platform/Bitmap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
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

// Draws and omission points as the trend window builds them: one point per
// hit, then the placeholder of the next issue with the running omission.
class OmissionWalk {
 public:
  explicit OmissionWalk(const std::vector<int32_t>& omissions) {
    draws_.reserve(omissions.size());
    for (size_t i = 0; i + 1 < omissions.size(); ++i) {
      TLottery d;
      d.DateNo = 2025001 + int32_t(i);
      d.NumText = "01,02,03,04,05," + std::to_string(10 + i) + ",07";
      d.Prev = draws_.empty() ? nullptr : &draws_.back();
      draws_.push_back(d);
    }
    next_.NumText = "？";
    next_.Prev = draws_.empty() ? nullptr : &draws_.back();
    for (size_t i = 0; i < omissions.size(); ++i)
      points_.push_back({i + 1 < omissions.size() ? &draws_[i] : &next_, omissions[i]});
  }
  const TYLAry& Points() const { return points_; }

 private:
  std::vector<TLottery> draws_;
  TLottery next_;
  TYLAry points_;
};

// Pixels of exactly one colour inside an area (clipped to the bitmap).
inline int CountColor(const platform::Bitmap& b, platform::TRect r, platform::TColor color) {
  int n = 0;
  for (int y = std::max(r.Top, 0); y < std::min(r.Bottom, b.Height()); ++y)
    for (int x = std::max(r.Left, 0); x < std::min(r.Right, b.Width()); ++x) n += b.GetPixel(x, y) == color;
  return n;
}

// Pixels of text of one colour on a black ground: smoothed edges keep the
// colour's hue at lower brightness; those below half of it are not counted.
inline int CountTint(const platform::Bitmap& b, platform::TRect r, platform::TColor color) {
  using platform::GetBValue, platform::GetGValue, platform::GetRValue;
  const int m = std::max({GetRValue(color), GetGValue(color), GetBValue(color)});
  auto tinted = [&](platform::TColor px) {
    const int k = std::max({GetRValue(px), GetGValue(px), GetBValue(px)});
    auto near = [&](int p, int q) { return std::abs(p * m - q * k) <= 40 * m; };
    return 2 * k >= m && near(GetRValue(px), GetRValue(color)) && near(GetGValue(px), GetGValue(color)) &&
           near(GetBValue(px), GetBValue(color));
  };
  int n = 0;
  for (int y = r.Top; y < r.Bottom; ++y)
    for (int x = r.Left; x < r.Right; ++x) n += tinted(b.GetPixel(x, y));
  return n;
}

// One expected pixel of a painted chart.
struct Pixel {
  int X, Y;
  platform::TColor Color;
  const char* What = "";
};

inline void ExpectPixels(const platform::Bitmap& b, std::initializer_list<Pixel> pixels) {
  for (const Pixel& p : pixels)
    EXPECT_EQ(b.GetPixel(p.X, p.Y), p.Color) << "at (" << p.X << ", " << p.Y << ") " << p.What;
}

}  // namespace charttest
