// What the trend window hands to the charts, the lines a user draws on a
// candle chart, and the chart parameters every chart shares.
//
// No drawing here: the candle chart and the omission chart use these.
#pragma once

#include "engine/uBaseDef.h"
#include "engine/uLottery.h"
#include "platform/Colors.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TFormulate;

// One step of a walk: the value before and after it, and the draw it stands
// for. The chart only hands the draw back to its owner (hint and axis-label
// callbacks); it never reads it.
struct TCandle {
  float Open = 0;
  float Close = 0;
  const TLottery* Draw = nullptr;
};
using TCandleAry = std::vector<TCandle>;

// The values of one computed line, indexed like the candles.
using TMaAry = std::vector<float>;

// Chart modes of a condition.
enum : uint8_t { cmFrequencyCandles = 0, cmOmissionCandles = 1, cmOmissionChart = 2 };

// One charted condition. A plain value: copies are deep (the indicator is
// shared, never owned).
struct TCondition {
  std::string Caption;    // indicator name and chosen values, as the condition panel builds it
  std::string ValueText;  // the chosen values as text
  std::string ExtraText;  // a third text the owner may show in its hints
  uint8_t ChartMode = cmFrequencyCandles;
  const TFormulate* Formulate = nullptr;
  T2DIntAry Values;       // row 0 the chosen values, row 1 the chosen counts
  int32_t DrawCount = 0;  // draws to process
  bool IsRepeat = false;  // handed to the indicator's match
};
using TConditionAry = std::vector<TCondition>;

void CopyCondition(TCondition& destination, const TCondition& source);
void CopyConditionAry(TConditionAry& destination, const TConditionAry& source);

// What a candle chart hands to its owner's hint callback about the candle
// under the crosshair.
struct TRefInfo {
  const TLottery* Draw = nullptr;
  double Value = 0;  // the reference value the owner set on the chart
  bool IsCompact = false;
};

// ---------------------------------------------------------------------------
// Shared chart parameters.

inline constexpr int MaLineCount = 6;  // moving-average lines of a chart
// How far (in pixels, each way) from an end point of a user line a press
// still grabs that point.
inline constexpr int LineGrabTolerance = 3;
// Defaults of the moving-average periods (0 switches a line off) and
// colours; the first MaLineCount entries are used.
inline constexpr std::array<int32_t, 7> DefaultMaDays = {3, 6, 18, 0, 0, 0, 0};
inline constexpr std::array<platform::TColor, 7> DefaultMaColors = {
    0xFFFFFF, 0xFFFF, 0xFF00FF, 0xFF0000, 0xFF, 0x800080, 0x8000};

// Names of the sub-window indicator kinds and of the main-window overlays,
// indexed by kind.
enum : uint8_t { zbMACD = 0, zbKDJ = 1, zbADX = 2 };
enum : uint8_t { zbMainMA = 0, zbMainBoll = 1 };
inline constexpr std::array<const char*, 3> SubZbNames = {"MACD", "KDJ", "ADX"};
inline constexpr std::array<const char*, 2> MainZbNames = {"均线", "布林线"};

// The first MaLineCount entries of the default tables.
TIntAry DefaultMaDaysOfLines();
std::vector<platform::TColor> DefaultMaColorsOfLines();

// Process-wide: read by every chart, written by the charts' settings and
// the parameter dialog. Integers are 32-bit so that the dialog can edit
// them by reference.
// The moving-average arrays start with the defaults, so that they always
// hold MaLineCount entries.
struct TChartParams {
  TIntAry MaDays = DefaultMaDaysOfLines();                          // one period per line
  std::vector<platform::TColor> MaColors = DefaultMaColorsOfLines();  // one colour per line
  int32_t MacdQuick = 12, MacdSlow = 26, MacdDean = 9;
  int32_t KdjN = 9, KdjM1 = 3, KdjM2 = 3;
  int32_t BollN = 20;
  int32_t AdxN = 14;
  TIntAry YLMaDays = DefaultMaDaysOfLines();  // the omission chart's moving averages
  std::vector<platform::TColor> YLMaColors = DefaultMaColorsOfLines();
  platform::TColor YLBackColor = 0;          // the omission chart's back colour
  platform::TColor YLGridColor = 0x7F7F7F;   // and grid colour
  platform::TColor DrawLineColor = 255;      // colour of user lines
  bool ShowIssueNo = true;                   // issue numbers in the charts' hover texts
};

TChartParams& ChartParams();

// "<DateNo>期", the issue of a draw as the charts' hover texts name it (0
// without a draw); empty while ShowIssueNo is off, so that no text on the
// screen gives the issue away.
std::string IssueText(const TLottery* draw);

// ---------------------------------------------------------------------------
// User lines.

// One straight line a user drew on a candle chart, in the chart's pixels.
class TDrawLine {
 public:
  TDrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2) { SetPoints(x1, y1, x2, y2); }

  int32_t X1 = 0, Y1 = 0;  // start point
  int32_t X2 = 0, Y2 = 0;  // end point
  double Slope = 0;
  double Intercept = 0;    // for a vertical line its x
  bool IsVertical = false;
  bool Selected = false;

  // Stores the points and works out slope and intercept again.
  void SetPoints(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
  // Slope and intercept from the points; call after changing them.
  void CalcLine();
  // 1 near the start point, 2 near the end point, 3 on the line between
  // them, 0 elsewhere.
  int HitTest(int32_t x, int32_t y) const;
  double LineLength() const;
};

// The user lines of one chart; the list owns them.
class TDrawLines {
 public:
  int Count() const { return int(items_.size()); }
  TDrawLine* Items(int index) const { return items_.at(size_t(index)).get(); }
  TDrawLine* operator[](int index) const { return Items(index); }
  TDrawLine* Add(std::unique_ptr<TDrawLine> line);
  int IndexOf(const TDrawLine* line) const;
  void Delete(int index);
  // Removes and frees the line; nothing when it is not in the list.
  void Remove(const TDrawLine* line);
  void Clear() { items_.clear(); }

 private:
  std::vector<std::unique_ptr<TDrawLine>> items_;
};
