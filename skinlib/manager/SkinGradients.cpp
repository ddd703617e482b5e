#include "skinlib/manager/SkinGradients.h"

#include "platform/Colors.h"
#include "platform/CpuClones.h"
#include "platform/DelphiRtl.h"
#include "platform/Startup.h"

#include <QStringView>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

using platform::Bitmap;
using platform::TColor;
using platform::TRect;

TGradientFillProc GradientFill = nullptr;

namespace {

void StartGradients() { GradientFill = &platform::GradientFill; }
void FinishGradients() { GradientFill = nullptr; }

[[maybe_unused]] const bool registered =
    platform::RegisterUnit("SkinGradients", StartGradients, FinishGradients);

int32_t FieldValue(QStringView field) {
  return platform::StrToInt(field.toUtf8().toStdString());
}

// ------------------------------------------------------------ colour runs

// A colour as three real channels that grow by a fixed step: the running
// colour of one band.
struct ColorRun {
  double r, g, b;
  double dr, dg, db;

  ColorRun(TColor from, TColor to, int64_t steps)
      : r(platform::GetRValue(from)),
        g(platform::GetGValue(from)),
        b(platform::GetBValue(from)),
        dr((platform::GetRValue(to) - r) / double(steps)),
        dg((platform::GetGValue(to) - g) / double(steps)),
        db((platform::GetBValue(to) - b) / double(steps)) {}

  // Moves on by `n` steps at once (only to skip what lies outside the
  // rectangle).
  void Skip(int64_t n) {
    r += dr * double(n);
    g += dg * double(n);
    b += db * double(n);
  }
  void Next() {
    r += dr;
    g += dg;
    b += db;
  }
  static uint8_t Byte(double v) { return uint8_t(std::clamp<int64_t>(platform::DelphiRound(v), 0, 255)); }
  // Blue, green, red, alpha 255: the pixel's bytes in order.
  std::array<uint8_t, 4> Pixel() const { return {Byte(b), Byte(g), Byte(r), 255}; }
};

// Pixels [x, x + count) of one row in one colour, N bytes a pixel. The
// colour is laid out once as three 32-byte vectors of 32 (or 24) pixels,
// which the row takes over and over; with AVX2 each is one store, and a
// row is written about as fast as the memory takes it.
using Wide = uint64_t __attribute__((vector_size(32)));

template <int N>
inline __attribute__((always_inline)) void RepeatPixel(uint8_t* row, int x, int count,
                                                       const std::array<uint8_t, 4>& px) {
  // 24 bytes hold a whole number of pixels either way; as three words
  // they make up the vectors.
  uint8_t period[24];
  for (int i = 0; i < 24; i += N) std::memcpy(period + i, px.data(), N);
  uint64_t w0, w1, w2;
  std::memcpy(&w0, period, 8);
  std::memcpy(&w1, period + 8, 8);
  std::memcpy(&w2, period + 16, 8);
  const Wide a{w0, w1, w2, w0}, b{w1, w2, w0, w1}, c{w2, w0, w1, w2};
  uint8_t* p = row + size_t(x) * N;
  const size_t bytes = size_t(count) * N;
  size_t i = 0;
  for (; i + 96 <= bytes; i += 96) {  // one vector at a time: kept in registers
    std::memcpy(p + i, &a, 32);
    std::memcpy(p + i + 32, &b, 32);
    std::memcpy(p + i + 64, &c, 32);
  }
  const Wide rest[3] = {a, b, c};
  std::memcpy(p + i, rest, bytes - i);
}

SSQ_CPU_CLONES("avx2", "default") void FillRun24(uint8_t* row, int x, int count,
                                                                 const std::array<uint8_t, 4>& px) {
  RepeatPixel<3>(row, x, count, px);
}
SSQ_CPU_CLONES("avx2", "default") void FillRun32(uint8_t* row, int x, int count,
                                                                 const std::array<uint8_t, 4>& px) {
  RepeatPixel<4>(row, x, count, px);
}

void FillRun(uint8_t* row, int bytesPerPixel, int x, int count, const std::array<uint8_t, 4>& px) {
  if (count <= 0) return;
  if (bytesPerPixel == 4)
    FillRun32(row, x, count, px);
  else
    FillRun24(row, x, count, px);
}

// The bands of one stop list along one axis: each stop takes its share
// from where the previous ended, the last one reaching `last`; `nextEnd`
// gives a stop's end before it is held to `last`. `paint` gets the
// band's first and last position and its colours.
template <class NextEnd, class Paint>
void ForEachBand(const TsGradArray& stops, int64_t start, int64_t last, NextEnd nextEnd, Paint paint) {
  int64_t end = start;
  for (size_t i = 0; i < stops.size(); ++i) {
    const int64_t begin = end;
    end = i + 1 == stops.size() ? last : std::min(nextEnd(begin, stops[i].Percent), last);
    if (end - begin <= 0) continue;
    paint(begin, end, stops[i]);
  }
}

// Mode 0: bands of rows.
void PaintRows(Bitmap& bitmap, const TRect& c, const TsGradArray& stops, int offsetY) {
  const int bpp = bitmap.PixelFormat() == platform::pf32bit ? 4 : 3;
  const int64_t length = int64_t(c.Height()) + offsetY;
  ForEachBand(
      stops, int64_t(c.Top) + offsetY, c.Bottom - 1,
      [&](int64_t begin, int percent) { return begin + length * percent / 100; },
      [&](int64_t y0, int64_t y1, const TsGradientStop& stop) {
        ColorRun color(stop.Color1, stop.Color2, y1 - y0);
        int64_t y = y0;
        if (y < c.Top) {
          color.Skip(c.Top - y);
          y = c.Top;
        }
        for (; y <= y1; ++y, color.Next())
          FillRun(bitmap.ScanLine(int(y)), bpp, c.Left, c.Width(), color.Pixel());
      });
}

// Mode 1: bands of columns, painted into R's first row and copied to the
// others.
void PaintColumns(Bitmap& bitmap, const TRect& c, const TsGradArray& stops) {
  const int bpp = bitmap.PixelFormat() == platform::pf32bit ? 4 : 3;
  const double share = c.Width() / 100.0;
  uint8_t* first = bitmap.ScanLine(c.Top);
  int64_t painted = -1;  // the bands join up from R.Left to here
  ForEachBand(
      stops, c.Left, c.Right - 1,
      [&](int64_t begin, int percent) { return platform::DelphiRound(percent * share + double(begin)); },
      [&](int64_t x0, int64_t x1, const TsGradientStop& stop) {
        ColorRun color(stop.Color1, stop.Color2, x1 - x0);
        for (int64_t x = x0; x <= x1; ++x, color.Next())
          std::memcpy(first + size_t(x) * size_t(bpp), color.Pixel().data(), size_t(bpp));
        painted = x1;
      });
  if (painted < c.Left) return;
  const size_t offset = size_t(c.Left) * size_t(bpp);
  const size_t bytes = size_t(painted - c.Left + 1) * size_t(bpp);
  for (int y = c.Top + 1; y < c.Bottom; ++y) std::memcpy(bitmap.ScanLine(y) + offset, first + offset, bytes);
}

// Mode 2: four triangles meeting at R's centre.
void PaintTriangles(Bitmap& bitmap, const TRect& c, const TsGradArray& stops) {
  if (!GradientFill) return;
  const std::array<platform::TPoint, 5> corners{{{c.Left, c.Top},
                                                 {c.Left + c.Width() / 2, c.Top + c.Height() / 2},
                                                 {c.Right, c.Top},
                                                 {c.Right, c.Bottom},
                                                 {c.Left, c.Bottom}}};
  std::array<platform::TRIVERTEX, 5> v{};
  for (size_t i = 0; i < v.size(); ++i) {
    const TColor color = stops[std::min(i, stops.size() - 1)].Color1;
    v[i].x = corners[i].X;
    v[i].y = corners[i].Y;
    v[i].Red = uint16_t(platform::GetRValue(color) << 8);
    v[i].Green = uint16_t(platform::GetGValue(color) << 8);
    v[i].Blue = uint16_t(platform::GetBValue(color) << 8);
    v[i].Alpha = 0;
  }
  static constexpr std::array<platform::GRADIENT_TRIANGLE, 4> kTriangles{
      {{0, 1, 2}, {1, 2, 3}, {0, 1, 4}, {4, 1, 3}}};
  GradientFill(bitmap, v, kTriangles);
}

}  // namespace

void ParseGradient(const QString& text, TsGradArray& stops) {
  stops.clear();
  std::vector<QStringView> fields;
  for (QStringView field : QStringView(text).tokenize(u';', Qt::SkipEmptyParts)) fields.push_back(field);
  TsGradArray parsed(fields.size() / 5);
  for (size_t i = 0; i < parsed.size(); ++i) {
    const QStringView* f = &fields[i * 5];
    TsGradientStop& stop = parsed[i];
    stop.Color1 = std::max(0, FieldValue(f[0]));
    stop.Color2 = std::max(0, FieldValue(f[1]));
    stop.Percent = uint8_t(std::clamp(FieldValue(f[2]), 0, 100));
    stop.Mode = FieldValue(f[3]);
  }
  stops = std::move(parsed);
}

void PaintGrad(Bitmap& bitmap, const TRect& r, const TsGradArray& stops, int offsetY, int /*reserved*/) {
  const TRect c{std::max(r.Left, 0), std::max(r.Top, 0), std::min(r.Right, bitmap.Width()),
                std::min(r.Bottom, bitmap.Height())};
  if (stops.empty() || c.IsEmpty()) return;
  const bool rows = bitmap.PixelFormat() == platform::pf24bit || bitmap.PixelFormat() == platform::pf32bit;
  switch (stops[0].Mode) {
    case 0:
      if (rows) PaintRows(bitmap, c, stops, offsetY);
      break;
    case 1:
      if (rows) PaintColumns(bitmap, c, stops);
      break;
    case 2:
      PaintTriangles(bitmap, c, stops);
      break;
    default:
      break;
  }
}
