#include "charts/uKLineDef.h"

#include <cmath>
#include <stdexcept>

void CopyCondition(TCondition& destination, const TCondition& source) {
  // Every field is a value (the indicator is shared by design), so a plain
  // copy is a deep one: no row of Values is shared afterwards.
  destination = source;
}

void CopyConditionAry(TConditionAry& destination, const TConditionAry& source) {
  destination.resize(source.size());
  for (size_t i = 0; i < source.size(); ++i) CopyCondition(destination[i], source[i]);
}

TIntAry DefaultMaDaysOfLines() { return TIntAry(DefaultMaDays.begin(), DefaultMaDays.begin() + MaLineCount); }

std::vector<platform::TColor> DefaultMaColorsOfLines() {
  return std::vector<platform::TColor>(DefaultMaColors.begin(), DefaultMaColors.begin() + MaLineCount);
}

TChartParams& ChartParams() {
  static TChartParams params;
  return params;
}

std::string IssueText(const TLottery* draw) {
  if (!ChartParams().ShowIssueNo) return {};
  return std::to_string(draw ? draw->DateNo : 0) + "期";
}

// ---------------------------------------------------------------------------

void TDrawLine::SetPoints(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  X1 = x1;
  Y1 = y1;
  X2 = x2;
  Y2 = y2;
  CalcLine();
}

void TDrawLine::CalcLine() {
  IsVertical = X1 == X2;
  Slope = 0;
  if (IsVertical) {
    Intercept = X1;
    return;
  }
  // Products in integers (64-bit, so that no coordinate overflows), the
  // divisions in floating point.
  const double dx = double(int64_t{X1} - X2);
  Slope = double(int64_t{Y1} - Y2) / dx;
  Intercept = double(int64_t{X1} * Y2 - int64_t{X2} * Y1) / dx;
}

namespace {

// Values within this distance count as equal in the hit test.
constexpr double kHitEpsilon = 0.001;

bool Same(double a, double b) { return std::fabs(a - b) <= kHitEpsilon; }

// v lies from `from` (inclusive) towards `to` (exclusive); where the two
// are the same, v must equal them.
bool Between(double v, double from, double to) {
  if (Same(from, to)) return Same(v, from);
  if (from < to) return v >= from - kHitEpsilon && v < to - kHitEpsilon;
  return v <= from + kHitEpsilon && v > to + kHitEpsilon;
}

bool Near(int32_t x, int32_t y, int32_t px, int32_t py) {
  return px - LineGrabTolerance <= x && x <= px + LineGrabTolerance && py - LineGrabTolerance <= y &&
         y <= py + LineGrabTolerance;
}

}  // namespace

int TDrawLine::HitTest(int32_t x, int32_t y) const {
  if (Near(x, y, X1, Y1)) return 1;
  if (Near(x, y, X2, Y2)) return 2;
  bool onLine;
  if (IsVertical) {
    onLine = Same(x, X1);
  } else {
    const double l = Slope * x + Intercept;
    onLine = y >= l - 2.0 - kHitEpsilon && y <= l + 2.0 + kHitEpsilon;
  }
  if (!onLine) return 0;
  return Between(x, X1, X2) && Between(y, Y1, Y2) ? 3 : 0;
}

double TDrawLine::LineLength() const {
  const int64_t dx = int64_t{X1} - X2, dy = int64_t{Y1} - Y2;
  return std::sqrt(double(dx * dx + dy * dy));
}

// ---------------------------------------------------------------------------

TDrawLine* TDrawLines::Add(std::unique_ptr<TDrawLine> line) {
  items_.push_back(std::move(line));
  return items_.back().get();
}

int TDrawLines::IndexOf(const TDrawLine* line) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].get() == line) return int(i);
  return -1;
}

void TDrawLines::Delete(int index) {
  if (index < 0 || index >= Count()) throw std::out_of_range("TDrawLines::Delete: no such line");
  items_.erase(items_.begin() + index);
}

void TDrawLines::Remove(const TDrawLine* line) {
  int i = IndexOf(line);
  if (i >= 0) Delete(i);
}
