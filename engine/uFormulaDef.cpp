#include "engine/uFormulaDef.h"

#include "engine/ZorvDef.h"
#include "engine/uBaseFunc.h"
#include "engine/uCdtList.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

namespace {

const TIntAry& RowOf(const T2DIntAry& values, size_t row) {
  static const TIntAry empty;
  return row < values.size() ? values[row] : empty;
}

TIntAry Range(int32_t low, int32_t high) {
  TIntAry r;
  for (int32_t v = low; v <= high; ++v) r.push_back(v);
  return r;
}

// Calls f(v) for every set bit v of the mask, lowest first.
template <class F>
void ForEachBit(uint64_t mask, F f) {
  while (mask) {
    f(static_cast<int32_t>(std::countr_zero(mask)));
    mask &= mask - 1;
  }
}

// Red combinations with exactly k balls in a group of m numbers, summed
// over the counts k in the mask.
int32_t GroupCombos(int32_t m, uint64_t countMask) {
  int64_t sum = 0;
  ForEachBit(countMask, [&](int32_t k) {
    if (k <= RedCount) sum += Combination(k, m) * Combination(RedCount - k, MaxRed - m);
  });
  return static_cast<int32_t>(sum);
}

int64_t IntPow(int64_t base, int32_t exp) {
  int64_t r = 1;
  while (exp-- > 0) r *= base;
  return r;
}

int32_t DivisorChecked(int32_t divisor) {
  if (divisor < 1) throw std::invalid_argument("indicator divisor must be at least 1");
  return divisor;
}

bool ValidPos(int32_t pos) { return pos >= 0 && pos < BallCount; }

// Collects values without repeats (all lie in 0..63), in first-seen order.
struct TCandidateSet {
  TIntAry items;
  uint64_t seen = 0;
  void Add(int32_t v) {
    if (Bit(seen, v)) return;
    seen |= uint64_t{1} << v;
    items.push_back(v);
  }
};

}  // namespace

// --- Measures ---------------------------------------------------------------

int32_t OrdinalRunCount(const TBalls& b, bool prime) {
  const auto& table = prime ? PrimeOrdinals : CompositeOrdinals;
  return RunCount(b, [&table](int32_t x, int32_t y) { return OrdinalOf(table, y) == OrdinalOf(table, x) + 1; });
}

bool PositionDomain(int32_t pos, int32_t& low, int32_t& high) {
  if (pos >= 0 && pos < RedCount) {
    low = pos + 1;
    high = pos + MaxRed - RedCount + 1;
    return true;
  }
  if (pos == BluePos) {
    low = 1;
    high = MaxBlue;
    return true;
  }
  low = 0;
  high = -1;
  return false;
}

int32_t PositionAmplitude(const TLottery& draw, int32_t pos) {
  const int32_t ball = draw.Balls[static_cast<size_t>(pos)];
  return draw.Prev ? std::abs(ball - draw.Prev->Balls[static_cast<size_t>(pos)]) : ball;
}

int32_t SpanAmplitude(const TLottery& draw) {
  return std::abs(RedSpan(draw) - (draw.Prev ? RedSpan(*draw.Prev) : 0));
}

int32_t SumAmplitude(const TLottery& draw) {
  return std::abs(RedSumOf(draw) - (draw.Prev ? RedSumOf(*draw.Prev) : 0));
}

// --- TFormulate ---------------------------------------------------------------

TFormulate::TFormulate(TFormulateKey, std::string name, int32_t pos, std::string group)
    : name_(std::move(name)), group_(std::move(group)), pos_(pos) {}

void TFormulate::Initialize() {
  Init();
  for (size_t row = 0; row < domainMask_.size(); ++row) {
    domainMask_[row] = 0;
    for (int32_t v : RowOf(values_, row)) {
      if (v < 0 || v >= 64) throw std::logic_error("indicator domain value outside 0..63");
      domainMask_[row] |= uint64_t{1} << v;
    }
  }
}

void TFormulate::Init() { counts_.clear(); }

void TFormulate::FillValues(TValueItems& items, const TIntAry& values) const {
  items.clear();
  for (int32_t v : values) items.emplace_back(std::to_string(v), v);
}

int32_t TFormulate::CountCombos(const T2DIntAry& values, bool) const {
  return BitCount(ChosenMask(values, 0));
}

int32_t TFormulate::GetTotal() const { return static_cast<int32_t>(RowOf(values_, 0).size()); }

bool TFormulate::Match(const TLottery&, const T2DIntAry&, bool, std::string*) const { return false; }

float TFormulate::GetProbability(const T2DIntAry& values, bool repeat) const {
  const int32_t total = GetTotal();
  if (total == 0) return 0.0f;
  return static_cast<float>(static_cast<double>(CountCombos(values, repeat)) / total);
}

float TFormulate::GetOmissionProbability(const T2DIntAry& values, int32_t n, bool repeat) const {
  const int32_t total = GetTotal();
  if (total == 0) return 0.0f;
  const long double p = static_cast<long double>(CountCombos(values, repeat)) / total;
  return static_cast<float>(p * std::pow(1.0L - p, static_cast<long double>(n)));
}

void TFormulate::NarrowPositionList(TPositionLists&, const TCdtData&) const {}

TIntAry TFormulate::PositionCandidates(const TIntAry&, const TLottery*) const { return {}; }

void TFormulate::FillValueLists(TValueItems* list1, TValueItems* list2, TValueItems* list3) const {
  if (list1) FillValues(*list1, RowOf(values_, 0));
  if (list2 && rowKind_ == 1) FillValues(*list2, RowOf(values_, 1));
  if (list3 && rowKind_ == 2) FillValues(*list3, RowOf(values_, 2));
}

bool TFormulate::ValidValues(const T2DIntAry& values) const {
  const int rows = rowKind_ + 1;
  for (int row = 0; row < rows; ++row)
    for (int32_t v : RowOf(values, static_cast<size_t>(row)))
      if (!InDomain(row, v)) return false;
  return true;
}

uint64_t TFormulate::ChosenMask(const T2DIntAry& values, int row) const {
  uint64_t m = 0;
  for (int32_t v : RowOf(values, static_cast<size_t>(row)))
    m |= static_cast<uint32_t>(v) < 64 ? uint64_t{1} << (v & 63) : 0;
  return m & domainMask_[static_cast<size_t>(row)];
}

uint64_t TFormulate::CountMask(const T2DIntAry& values, bool repeat, int32_t maxCount) const {
  const uint64_t chosen = ChosenMask(values, 1);
  if (repeat || !tailMode_) return chosen;
  uint64_t mask = chosen & 1u;  // a chosen 0 still means "none"
  const uint64_t nonZero = chosen & ~uint64_t{1};
  if (nonZero) {
    const int kmin = std::countr_zero(nonZero);
    mask |= ((uint64_t{1} << (maxCount + 1)) - 1) & ~((uint64_t{1} << kmin) - 1);
  }
  return mask;
}

void TFormulate::AddPositionCandidates(TPositionLists& lists, const TCdtData& cdt) const {
  TIntAry* list = GetPositionList(lists, pos_);
  if (!list) return;
  for (int32_t v : PositionCandidates(RowOf(cdt.Values, 0), CurrentDraw()))
    if (!ValueIn(v, *list)) list->push_back(v);
}

// --- TFormulateMeasure ----------------------------------------------------------

int32_t TFormulateMeasure::CountCombos(const T2DIntAry& values, bool) const {
  int64_t sum = 0;
  ForEachBit(ChosenMask(values, 0), [&](int32_t v) { sum += CombosOf(v); });
  return static_cast<int32_t>(sum);
}

bool TFormulateMeasure::Match(const TLottery& draw, const T2DIntAry& values, bool, std::string* description) const {
  if (description) Describe(draw, *description);
  return Bit(ChosenMask(values, 0), Measure(draw));
}

void TFormulateMeasure::Describe(const TLottery&, std::string&) const {}

int32_t TFormulateMeasure::DomainSize() const { return static_cast<int32_t>(RowOf(values_, 0).size()); }

void TFormulateMeasure::SetDomain(int32_t low, int32_t high) {
  TFormulate::Init();
  values_ = {Range(low, high)};
}

// --- Ball positions -----------------------------------------------------------

TFormulateDw::TFormulateDw(TFormulateKey k, std::string name, int32_t pos, std::string group)
    : TFormulateMeasure(k, std::move(name), pos, std::move(group)) {}

void TFormulateDw::Init() {
  int32_t low, high;
  PositionDomain(pos_, low, high);
  SetDomain(low, high);
}

int32_t TFormulateDw::Measure(const TLottery& draw) const {
  return ValidPos(pos_) ? draw.Balls[static_cast<size_t>(pos_)] : -1;
}

TIntAry TFormulateDw::PositionCandidates(const TIntAry& chosen, const TLottery*) const {
  TCandidateSet set;
  for (int32_t v : chosen)
    if (InDomain(0, v)) set.Add(v);
  return std::move(set.items);
}

void TFormulateDw::NarrowPositionList(TPositionLists& lists, const TCdtData& cdt) const {
  TIntAry* list = GetPositionList(lists, pos_);
  if (!list) return;
  TIntAry admitted = PositionCandidates(RowOf(cdt.Values, 0), nullptr);
  if (list->empty()) {
    *list = std::move(admitted);
    return;
  }
  std::erase_if(*list, [&](int32_t v) { return !ValueIn(v, admitted); });
}

TFormulateDwDiv::TFormulateDwDiv(TFormulateKey k, std::string name, int32_t pos, int32_t divisor, std::string group)
    : TFormulateMeasure(k, std::move(name), pos, std::move(group)), divisor_(DivisorChecked(divisor)) {}

void TFormulateDwDiv::Init() {
  SetDomain(0, divisor_ - 1);
  int32_t low, high;
  if (!PositionDomain(pos_, low, high)) return;
  counts_ = {TIntAry(static_cast<size_t>(divisor_), 0)};
  for (int32_t v = low; v <= high; ++v) ++counts_[0][static_cast<size_t>(v % divisor_)];
  total_ = high - low + 1;
}

int32_t TFormulateDwDiv::Measure(const TLottery& draw) const {
  return ValidPos(pos_) ? draw.Balls[static_cast<size_t>(pos_)] % divisor_ : -1;
}

int32_t TFormulateDwDiv::CombosOf(int32_t v) const {
  return counts_.empty() ? 0 : counts_[0][static_cast<size_t>(v)];
}

TIntAry TFormulateDwDiv::PositionCandidates(const TIntAry& chosen, const TLottery*) const {
  TCandidateSet set;
  int32_t low, high;
  if (!PositionDomain(pos_, low, high)) return {};
  for (int32_t r : chosen) {
    if (!InDomain(0, r)) continue;
    for (int32_t v = r; v <= high; v += divisor_)
      if (v >= low) set.Add(v);
  }
  return std::move(set.items);
}

void TFormulateDwDiv::NarrowPositionList(TPositionLists& lists, const TCdtData& cdt) const {
  AddPositionCandidates(lists, cdt);
}

TFormulateDwZF::TFormulateDwZF(TFormulateKey k, std::string name, int32_t pos, std::string group)
    : TFormulateMeasure(k, std::move(name), pos, std::move(group)) {}

void TFormulateDwZF::Init() {
  int32_t low, high;
  PositionDomain(pos_, low, high);
  SetDomain(0, high - low);
}

int32_t TFormulateDwZF::Measure(const TLottery& draw) const {
  return ValidPos(pos_) ? PositionAmplitude(draw, pos_) : -1;
}

TIntAry TFormulateDwZF::PositionCandidates(const TIntAry& chosen, const TLottery* previous) const {
  TCandidateSet set;
  int32_t low, high;
  if (!previous || !PositionDomain(pos_, low, high)) return {};
  const int32_t c = previous->Balls[static_cast<size_t>(pos_)];
  for (int32_t a : chosen) {
    if (!InDomain(0, a)) continue;
    if (c - a >= low && c - a <= high) set.Add(c - a);
    if (c + a >= low && c + a <= high) set.Add(c + a);
  }
  return std::move(set.items);
}

void TFormulateDwZF::NarrowPositionList(TPositionLists& lists, const TCdtData& cdt) const {
  AddPositionCandidates(lists, cdt);
}

TFormulateDwZFEnd::TFormulateDwZFEnd(TFormulateKey k, std::string name, int32_t pos, std::string group)
    : TFormulateMeasure(k, std::move(name), pos, std::move(group)) {}

void TFormulateDwZFEnd::Init() {
  SetDomain(0, 9);
  int32_t low, high;
  if (!PositionDomain(pos_, low, high)) return;
  counts_ = {TIntAry(10, 0)};
  for (int32_t a = 0; a <= high - low; ++a) ++counts_[0][static_cast<size_t>(a % 10)];
  total_ = high - low + 1;
}

int32_t TFormulateDwZFEnd::Measure(const TLottery& draw) const {
  return ValidPos(pos_) ? PositionAmplitude(draw, pos_) % 10 : -1;
}

int32_t TFormulateDwZFEnd::CombosOf(int32_t v) const {
  return counts_.empty() ? 0 : counts_[0][static_cast<size_t>(v)];
}

TIntAry TFormulateDwZFEnd::PositionCandidates(const TIntAry& chosen, const TLottery* previous) const {
  TCandidateSet set;
  int32_t low, high;
  if (!previous || !PositionDomain(pos_, low, high)) return {};
  const int32_t c = previous->Balls[static_cast<size_t>(pos_)];
  for (int32_t t : chosen) {
    if (!InDomain(0, t)) continue;
    for (int32_t a = t; a < MaxRed - RedCount + 1; a += 10)
      for (int32_t v = low; v <= high; ++v)
        if (std::abs(c - v) == a) set.Add(v);
  }
  return std::move(set.items);
}

void TFormulateDwZFEnd::NarrowPositionList(TPositionLists& lists, const TCdtData& cdt) const {
  AddPositionCandidates(lists, cdt);
}

// --- Red-number indicators ----------------------------------------------------

TFormulateRedAc::TFormulateRedAc(TFormulateKey k, std::string name, std::string group)
    : TFormulateMeasure(k, std::move(name), WholeRedPos, std::move(group)) {}
void TFormulateRedAc::Init() { SetDomain(0, 10); }
int32_t TFormulateRedAc::CombosOf(int32_t v) const { return AcCombos[static_cast<size_t>(v)]; }
void TFormulateRedAc::Describe(const TLottery& draw, std::string& text) const {
  text = "本期AC值:" + std::to_string(AcValue(draw.Balls));
}

TFormulateRedHmz::TFormulateRedHmz(TFormulateKey k, std::string name, std::string group)
    : TFormulate(k, std::move(name), WholeRedPos, std::move(group)) {}

void TFormulateRedHmz::Init() {
  TFormulate::Init();
  rowKind_ = 1;
  values_ = {Range(1, MaxRed), Range(0, RedCount)};
}

int32_t TFormulateRedHmz::CountCombos(const T2DIntAry& values, bool) const {
  return GroupCombos(BitCount(ChosenMask(values, 0)), ChosenMask(values, 1));
}

bool TFormulateRedHmz::Match(const TLottery& draw, const T2DIntAry& values, bool, std::string*) const {
  return Bit(ChosenMask(values, 1), BitCount(RedMask(draw.Balls) & ChosenMask(values, 0)));
}

TFormulateRedTailTriple::TFormulateRedTailTriple(TFormulateKey k, std::string name, std::string group, int32_t first)
    : TFormulate(k, std::move(name), WholeRedPos, std::move(group)), first_(first) {}

void TFormulateRedTailTriple::Init() {
  TFormulate::Init();
  rowKind_ = 1;
  tailMode_ = 1;
  total_ = 1000;
  values_ = {Range(0, 9), Range(0, 3)};
}

int32_t TFormulateRedTailTriple::CountCombos(const T2DIntAry& values, bool repeat) const {
  // Tail strings with exactly k of their three digits among the n chosen.
  const int32_t n = BitCount(ChosenMask(values, 0));
  int64_t sum = 0;
  ForEachBit(CountMask(values, repeat, 3),
             [&](int32_t k) { sum += IntPow(n, k) * Combination(k, 3) * IntPow(10 - n, 3 - k); });
  return static_cast<int32_t>(sum);
}

bool TFormulateRedTailTriple::Match(const TLottery& draw, const T2DIntAry& values, bool repeat,
                                    std::string*) const {
  const uint64_t tails = ChosenMask(values, 0);
  int32_t c = 0;
  for (int32_t i = first_; i < first_ + 3; ++i) c += Bit(tails, TailOf(draw.Balls[static_cast<size_t>(i)]));
  return Bit(CountMask(values, repeat, 3), c);
}

TFormulateRed02End::TFormulateRed02End(TFormulateKey k, std::string name, std::string group)
    : TFormulateRedTailTriple(k, std::move(name), std::move(group), 0) {}

TFormulateRed35End::TFormulateRed35End(TFormulateKey k, std::string name, std::string group)
    : TFormulateRedTailTriple(k, std::move(name), std::move(group), 3) {}

TFormulateRedCategory::TFormulateRedCategory(TFormulateKey k, std::string name, bool isTail, std::string group)
    : TFormulate(k, std::move(name), WholeRedPos, std::move(group)), isTail_(isTail) {}

void TFormulateRedCategory::Init() {
  TFormulate::Init();
  rowKind_ = 1;
  tailMode_ = isTail_ ? 1 : 0;
  TIntAry row0;
  for (int32_t x = isTail_ ? 0 : 1; x <= (isTail_ ? 9 : MaxRed); ++x)
    if (InCategory(x)) row0.push_back(x);
  values_ = {row0, Range(1, RedCount)};
  categorySize_ = 0;
  for (int32_t v = 1; v <= MaxRed; ++v) categorySize_ += InCategory(isTail_ ? v % 10 : v);
}

int32_t TFormulateRedCategory::CountCombos(const T2DIntAry& values, bool repeat) const {
  // m: how many of 1..33 have a chosen value (number, or tail digit).
  const uint64_t chosen = ChosenMask(values, 0);
  int32_t m = 0;
  if (isTail_)
    ForEachBit(chosen, [&](int32_t t) { m += TailCounts[static_cast<size_t>(t)]; });
  else
    m = BitCount(chosen);
  return GroupCombos(m, CountMask(values, repeat, RedCount));
}

bool TFormulateRedCategory::Match(const TLottery& draw, const T2DIntAry& values, bool repeat, std::string*) const {
  const uint64_t chosen = ChosenMask(values, 0);
  int32_t c = 0;
  for (int i = 0; i < RedCount; ++i) c += Bit(chosen, isTail_ ? TailOf(draw.Balls[i]) : draw.Balls[i]);
  return Bit(CountMask(values, repeat, RedCount), c);
}

TFormulateRedBigSmall::TFormulateRedBigSmall(TFormulateKey k, std::string name, bool isTail, bool isBig,
                                             std::string group)
    : TFormulateRedCategory(k, std::move(name), isTail, std::move(group)), isBig_(isBig) {}

bool TFormulateRedBigSmall::InCategory(int32_t x) const { return (x >= (IsTail() ? 5 : 17)) == isBig_; }

TFormulateRedPrimeCom::TFormulateRedPrimeCom(TFormulateKey k, std::string name, bool isTail, bool isPrime,
                                             std::string group)
    : TFormulateRedCategory(k, std::move(name), isTail, std::move(group)), isPrime_(isPrime) {}

bool TFormulateRedPrimeCom::InCategory(int32_t x) const {
  return OrdinalOf(isPrime_ ? PrimeOrdinals : CompositeOrdinals, x) > 0;
}

TFormulateRedOddEven::TFormulateRedOddEven(TFormulateKey k, std::string name, bool isTail, bool isOdd,
                                           std::string group)
    : TFormulateRedCategory(k, std::move(name), isTail, std::move(group)), isOdd_(isOdd) {}

bool TFormulateRedOddEven::InCategory(int32_t x) const { return (x % 2 != 0) == isOdd_; }

TFormulateRedEndCount::TFormulateRedEndCount(TFormulateKey k, std::string name, std::string group)
    : TFormulateMeasure(k, std::move(name), WholeRedPos, std::move(group)) {}
void TFormulateRedEndCount::Init() { SetDomain(MinTailCount, RedCount); }
int32_t TFormulateRedEndCount::CombosOf(int32_t v) const { return TableAt(TailCountCombos, MinTailCount, v); }

TFormulateRedEndGroup::TFormulateRedEndGroup(TFormulateKey k, std::string name, std::string group)
    : TFormulateMeasure(k, std::move(name), WholeRedPos, std::move(group)) {}
void TFormulateRedEndGroup::Init() { SetDomain(0, 3); }
int32_t TFormulateRedEndGroup::CombosOf(int32_t v) const { return TailGroupCombos[static_cast<size_t>(v)]; }

TFormulateRedLink::TFormulateRedLink(TFormulateKey k, std::string name, std::string group)
    : TFormulateMeasure(k, std::move(name), WholeRedPos, std::move(group)) {}
void TFormulateRedLink::Init() { SetDomain(0, 3); }
int32_t TFormulateRedLink::CombosOf(int32_t v) const { return LinkCombos[static_cast<size_t>(v)]; }

TFormulateRedNeighbor::TFormulateRedNeighbor(TFormulateKey k, std::string name, std::string group)
    : TFormulateMeasure(k, std::move(name), WholeRedPos, std::move(group)) {}
void TFormulateRedNeighbor::Init() { SetDomain(0, RedCount); }
int32_t TFormulateRedNeighbor::Measure(const TLottery& draw) const {
  return draw.Prev ? NeighborCount(draw.Balls, draw.Prev->Balls) : -1;
}

TFormulateRedRepeat::TFormulateRedRepeat(TFormulateKey k, std::string name, std::string group)
    : TFormulateMeasure(k, std::move(name), WholeRedPos, std::move(group)) {}
void TFormulateRedRepeat::Init() { SetDomain(0, RedCount); }
int32_t TFormulateRedRepeat::Measure(const TLottery& draw) const {
  return draw.Prev ? RepeatCount(draw.Balls, draw.Prev->Balls) : -1;
}
int32_t TFormulateRedRepeat::CombosOf(int32_t v) const { return GroupCombos(RedCount, uint64_t{1} << v); }

TFormulateRedOELink::TFormulateRedOELink(TFormulateKey k, std::string name, bool isOdd, std::string group)
    : TFormulateMeasure(k, std::move(name), WholeRedPos, std::move(group)), isOdd_(isOdd) {}
void TFormulateRedOELink::Init() { SetDomain(0, 3); }
int32_t TFormulateRedOELink::CombosOf(int32_t v) const {
  return (isOdd_ ? OddRunCombos : EvenRunCombos)[static_cast<size_t>(v)];
}

TFormulateRedPCLink::TFormulateRedPCLink(TFormulateKey k, std::string name, bool isPrime, std::string group)
    : TFormulateMeasure(k, std::move(name), WholeRedPos, std::move(group)), isPrime_(isPrime) {}
void TFormulateRedPCLink::Init() { SetDomain(0, 3); }
int32_t TFormulateRedPCLink::CombosOf(int32_t v) const {
  return (isPrime_ ? PrimeRunCombos : CompositeRunCombos)[static_cast<size_t>(v)];
}

// --- Span and sum -------------------------------------------------------------

namespace {

void DescribeSpan(const TLottery& draw, std::string& text) { text = "本期跨度" + std::to_string(RedSpan(draw)); }
void DescribeSum(const TLottery& draw, std::string& text) { text = "本期和值" + std::to_string(RedSumOf(draw)); }

// Combinations whose measure (span or sum, its table starting at `low`)
// leaves the remainder r by d.
template <size_t N>
int32_t CombosByRemainder(const std::array<int32_t, N>& table, int32_t low, int32_t d, int32_t r) {
  int32_t sum = 0;
  for (size_t i = 0; i < N; ++i)
    if ((low + static_cast<int32_t>(i)) % d == r) sum += table[i];
  return sum;
}

}  // namespace

TFormulateRedKd::TFormulateRedKd(TFormulateKey k, std::string name, std::string group)
    : TFormulateMeasure(k, std::move(name), WholeRedPos, std::move(group)) {}
void TFormulateRedKd::Init() { SetDomain(MinSpan, MaxSpan); }
int32_t TFormulateRedKd::CombosOf(int32_t v) const { return TableAt(SpanCombos, MinSpan, v); }
void TFormulateRedKd::Describe(const TLottery& draw, std::string& text) const { DescribeSpan(draw, text); }

TFormulateRedKDEnd::TFormulateRedKDEnd(TFormulateKey k, std::string name, std::string group)
    : TFormulateMeasure(k, std::move(name), WholeRedPos, std::move(group)) {}
void TFormulateRedKDEnd::Init() { SetDomain(0, 9); }
int32_t TFormulateRedKDEnd::CombosOf(int32_t v) const { return SpanTailCombos[static_cast<size_t>(v)]; }
void TFormulateRedKDEnd::Describe(const TLottery& draw, std::string& text) const {
  text = "本期跨度尾" + std::to_string(RedSpan(draw, 10));
}

TFormulateKDZF::TFormulateKDZF(TFormulateKey k, std::string name, std::string group)
    : TFormulateMeasure(k, std::move(name), WholeRedPos, std::move(group)) {}
void TFormulateKDZF::Init() { SetDomain(0, MaxSpan - MinSpan); }
int32_t TFormulateKDZF::Measure(const TLottery& draw) const { return SpanAmplitude(draw); }
void TFormulateKDZF::Describe(const TLottery& draw, std::string& text) const { DescribeSpan(draw, text); }

TFormulateKDZFEnd::TFormulateKDZFEnd(TFormulateKey k, std::string name, std::string group)
    : TFormulateMeasure(k, std::move(name), WholeRedPos, std::move(group)) {}
void TFormulateKDZFEnd::Init() { SetDomain(0, 9); }
int32_t TFormulateKDZFEnd::Measure(const TLottery& draw) const { return SpanAmplitude(draw) % 10; }
void TFormulateKDZFEnd::Describe(const TLottery& draw, std::string& text) const {
  text = "本期跨度" + std::to_string(RedSpan(draw)) + " 振幅" + std::to_string(SpanAmplitude(draw));
}

TFormulateKDDiv::TFormulateKDDiv(TFormulateKey k, std::string name, int32_t divisor, std::string group)
    : TFormulateMeasure(k, std::move(name), WholeRedPos, std::move(group)), divisor_(DivisorChecked(divisor)) {}
void TFormulateKDDiv::Init() { SetDomain(0, divisor_ - 1); }
int32_t TFormulateKDDiv::CombosOf(int32_t v) const { return CombosByRemainder(SpanCombos, MinSpan, divisor_, v); }
void TFormulateKDDiv::Describe(const TLottery& draw, std::string& text) const { DescribeSpan(draw, text); }

namespace {

// One item per element of values: the next range of the table as
// "low-high", carrying the range's index.
template <size_t N>
void FillRangeItems(const std::array<TValueRange, N>& ranges, TValueItems& items, const TIntAry& values) {
  items.clear();
  for (size_t i = 0; i < values.size() && i < N; ++i)
    items.emplace_back(std::to_string(ranges[i].Low) + "-" + std::to_string(ranges[i].High),
                       static_cast<int32_t>(i));
}

}  // namespace

TFormulateRedSum::TFormulateRedSum(TFormulateKey k, std::string name, std::string group)
    : TFormulateMeasure(k, std::move(name), WholeRedPos, std::move(group)) {}
void TFormulateRedSum::Init() { SetDomain(0, static_cast<int32_t>(SumRanges.size()) - 1); }
void TFormulateRedSum::FillValues(TValueItems& items, const TIntAry& values) const {
  FillRangeItems(SumRanges, items, values);
}
int32_t TFormulateRedSum::Measure(const TLottery& draw) const { return SumRangeOf(RedSumOf(draw)); }
int32_t TFormulateRedSum::CombosOf(int32_t v) const {
  const TValueRange& r = SumRanges[static_cast<size_t>(v)];
  int32_t sum = 0;
  for (int32_t s = r.Low; s <= r.High; ++s) sum += TableAt(SumCombos, MinRedSum, s);
  return sum;
}
void TFormulateRedSum::Describe(const TLottery& draw, std::string& text) const { DescribeSum(draw, text); }

TFormulateRedSumEnd::TFormulateRedSumEnd(TFormulateKey k, std::string name, std::string group)
    : TFormulateMeasure(k, std::move(name), WholeRedPos, std::move(group)) {}
void TFormulateRedSumEnd::Init() { SetDomain(0, 9); }
void TFormulateRedSumEnd::Describe(const TLottery& draw, std::string& text) const {
  text = "本期和值尾" + std::to_string(RedSumOf(draw, 10));
}

TFormulateSumZF::TFormulateSumZF(TFormulateKey k, std::string name, std::string group)
    : TFormulateMeasure(k, std::move(name), WholeRedPos, std::move(group)) {}
void TFormulateSumZF::Init() { SetDomain(0, static_cast<int32_t>(AmpRanges.size()) - 1); }
void TFormulateSumZF::FillValues(TValueItems& items, const TIntAry& values) const {
  FillRangeItems(AmpRanges, items, values);
}
int32_t TFormulateSumZF::Measure(const TLottery& draw) const { return AmpRangeOf(SumAmplitude(draw)); }
int32_t TFormulateSumZF::CombosOf(int32_t v) const {
  const TValueRange& r = AmpRanges[static_cast<size_t>(v)];
  return r.High - r.Low + 1;
}
void TFormulateSumZF::Describe(const TLottery& draw, std::string& text) const { DescribeSum(draw, text); }

TFormulateSumZFEnd::TFormulateSumZFEnd(TFormulateKey k, std::string name, std::string group)
    : TFormulateMeasure(k, std::move(name), WholeRedPos, std::move(group)) {}
void TFormulateSumZFEnd::Init() { SetDomain(0, 9); }
int32_t TFormulateSumZFEnd::Measure(const TLottery& draw) const { return SumAmplitude(draw) % 10; }
void TFormulateSumZFEnd::Describe(const TLottery& draw, std::string& text) const {
  text = "本期和值" + std::to_string(RedSumOf(draw)) + "  振幅" + std::to_string(SumAmplitude(draw));
}

TFormulateSumDiv::TFormulateSumDiv(TFormulateKey k, std::string name, int32_t divisor, std::string group)
    : TFormulateMeasure(k, std::move(name), WholeRedPos, std::move(group)), divisor_(DivisorChecked(divisor)) {}
void TFormulateSumDiv::Init() { SetDomain(0, divisor_ - 1); }
int32_t TFormulateSumDiv::CombosOf(int32_t v) const { return CombosByRemainder(SumCombos, MinRedSum, divisor_, v); }
void TFormulateSumDiv::Describe(const TLottery& draw, std::string& text) const { DescribeSum(draw, text); }

// --- Registry -----------------------------------------------------------------

int32_t TFormulateList::IndexOf(const TFormulate* formula) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].get() == formula) return static_cast<int32_t>(i);
  return -1;
}

void RegisterFormulas(TFormulateList& list) {
  // A ball position: its value, tail, amplitude, amplitude tail and
  // remainders by 3, 4 and 5.
  auto addPosition = [&list](const std::string& valueName, int32_t pos, const std::string& group) {
    list.Add(CreateFormulate<TFormulateDw>(valueName, pos, group));
    list.Add(CreateFormulate<TFormulateDwDiv>("尾", pos, 10, group));
    list.Add(CreateFormulate<TFormulateDwZF>("振幅", pos, group));
    list.Add(CreateFormulate<TFormulateDwZFEnd>("振幅尾", pos, group));
    list.Add(CreateFormulate<TFormulateDwDiv>("除以3余数", pos, 3, group));
    list.Add(CreateFormulate<TFormulateDwDiv>("除以4余数", pos, 4, group));
    list.Add(CreateFormulate<TFormulateDwDiv>("除以5余数", pos, 5, group));
  };
  addPosition("蓝号", BluePos, "蓝号系列");
  for (int32_t p = 1; p <= RedCount; ++p)
    addPosition("红球" + std::to_string(p) + "号", p - 1, "红" + std::to_string(p) + "号定位");

  // The big/small, prime/composite and odd/even pairs, by tail or by number.
  auto addCategories = [&list](bool isTail, const std::string& group) {
    list.Add(CreateFormulate<TFormulateRedBigSmall>("大号组选", isTail, true, group));
    list.Add(CreateFormulate<TFormulateRedBigSmall>("小号组选", isTail, false, group));
    list.Add(CreateFormulate<TFormulateRedPrimeCom>("质数组选", isTail, true, group));
    list.Add(CreateFormulate<TFormulateRedPrimeCom>("合数组选", isTail, false, group));
    list.Add(CreateFormulate<TFormulateRedOddEven>("奇数组选", isTail, true, group));
    list.Add(CreateFormulate<TFormulateRedOddEven>("偶数组选", isTail, false, group));
  };

  const std::string tails = "尾数系列";
  list.Add(CreateFormulate<TFormulateRed02End>("前三尾直选", tails));
  list.Add(CreateFormulate<TFormulateRed35End>("后三尾直选", tails));
  addCategories(true, tails);
  list.Add(CreateFormulate<TFormulateRedEndCount>("尾数个数", tails));

  const std::string spans = "跨度系列";
  list.Add(CreateFormulate<TFormulateRedKd>("红球跨度", spans));
  list.Add(CreateFormulate<TFormulateRedKDEnd>("尾", spans));
  list.Add(CreateFormulate<TFormulateKDZF>("振幅", spans));
  list.Add(CreateFormulate<TFormulateKDZFEnd>("振幅尾", spans));
  for (int32_t d = 3; d <= 5; ++d)
    list.Add(CreateFormulate<TFormulateKDDiv>("除以" + std::to_string(d) + "余数", d, spans));

  const std::string sums = "和值系列";
  list.Add(CreateFormulate<TFormulateRedSum>("红球和值", sums));
  list.Add(CreateFormulate<TFormulateRedSumEnd>("尾", sums));
  list.Add(CreateFormulate<TFormulateSumZF>("振幅", sums));
  list.Add(CreateFormulate<TFormulateSumZFEnd>("振幅尾", sums));
  for (int32_t d = 3; d <= 5; ++d)
    list.Add(CreateFormulate<TFormulateSumDiv>("除以" + std::to_string(d) + "余数", d, sums));

  const std::string reds = "红球常规";
  list.Add(CreateFormulate<TFormulateRedAc>("AC值", reds));
  addCategories(false, reds);
  list.Add(CreateFormulate<TFormulateRedLink>("连码组数", reds));
  list.Add(CreateFormulate<TFormulateRedEndGroup>("尾号组数", reds));
  list.Add(CreateFormulate<TFormulateRedNeighbor>("邻码个数", reds));
  list.Add(CreateFormulate<TFormulateRedRepeat>("重码个数", reds));
  list.Add(CreateFormulate<TFormulateRedOELink>("奇号连续组数", true, reds));
  list.Add(CreateFormulate<TFormulateRedOELink>("偶号连续组数", false, reds));
  list.Add(CreateFormulate<TFormulateRedPCLink>("质数连续组数", true, reds));
  list.Add(CreateFormulate<TFormulateRedPCLink>("合数连续组数", false, reds));

  list.Add(CreateFormulate<TFormulateRedHmz>("号码组", "高级条件"));
}

const TFormulateList& FormulateList() {
  static const TFormulateList list = [] {
    TFormulateList l;
    RegisterFormulas(l);
    return l;
  }();
  return list;
}

void BuildFormulaTree(IFormulaTreeSink& sink, const TFormulateList& list) {
  std::vector<std::pair<std::string, int>> roots;  // group, handle
  for (int32_t i = 0; i < list.Count(); ++i) {
    const TFormulate* f = list.GetItem(i);
    auto it = std::find_if(roots.begin(), roots.end(), [&](const auto& r) { return r.first == f->Group(); });
    if (it == roots.end()) {
      roots.emplace_back(f->Group(), sink.AddRoot(f->Group(), TreeRootImage));
      it = roots.end() - 1;
    }
    sink.AddChild(it->second, f->Name(), f, TreeChildImage, TreeChildSelectedImage);
  }
}

TIntAry* GetPositionList(TPositionLists& lists, int32_t pos) {
  if (!ValidPos(pos)) return nullptr;
  TIntAry& list = lists[static_cast<size_t>(pos)];
  std::sort(list.begin(), list.end());
  return &list;
}

int32_t AppendFml(FmlAry& fmls) {
  fmls.push_back(nullptr);
  return static_cast<int32_t>(fmls.size()) - 1;
}

// --- Check lists --------------------------------------------------------------

int CountChecked(const ICheckList& list) {
  int n = 0;
  for (int i = 0; i < list.Count(); ++i) n += list.Checked(i);
  return n;
}

void GetCheckedValues(const ICheckList& list, TIntAry& values) {
  values.clear();
  for (int i = 0; i < list.Count(); ++i)
    if (list.Checked(i)) values.push_back(list.Value(i));
}

namespace {

// Sets every item's check from a rule over (index, value).
template <class Rule>
void SetEach(ICheckList& list, Rule rule) {
  for (int i = 0; i < list.Count(); ++i) list.SetChecked(i, rule(i, list.Value(i)));
}

}  // namespace

void CheckAll(ICheckList& list) {
  SetEach(list, [](int, int32_t) { return true; });
}
void InvertChecks(ICheckList& list) {
  for (int i = 0; i < list.Count(); ++i) list.SetChecked(i, !list.Checked(i));
}
void UncheckAll(ICheckList& list) {
  SetEach(list, [](int, int32_t) { return false; });
}
void SelectBigHalf(ICheckList& list) {
  const int half = list.Count() / 2;
  SetEach(list, [half](int i, int32_t) { return i >= half; });
}
void SelectSmallHalf(ICheckList& list) {
  const int half = list.Count() / 2;
  SetEach(list, [half](int i, int32_t) { return i < half; });
}
void SelectOdd(ICheckList& list) {
  SetEach(list, [](int, int32_t v) { return v % 2 == 1; });
}
void SelectEven(ICheckList& list) {
  SetEach(list, [](int, int32_t v) { return v % 2 == 0; });
}
void SelectPrime(ICheckList& list) {
  SetEach(list, [](int, int32_t v) { return OrdinalOf(PrimeOrdinals, v) >= 1; });
}
void SelectComposite(ICheckList& list) {
  SetEach(list, [](int, int32_t v) { return OrdinalOf(CompositeOrdinals, v) >= 1; });
}
void SelectMod3Zero(ICheckList& list) {
  SetEach(list, [](int, int32_t v) { return v % 3 == 0; });
}
void SelectMod3One(ICheckList& list) {
  SetEach(list, [](int, int32_t v) { return v % 3 == 1; });
}
void SelectMod3Two(ICheckList& list) {
  SetEach(list, [](int, int32_t v) { return v % 3 == 2; });
}

const std::array<TSelectorProc, 12> SelectorProcs{
    CheckAll,   InvertChecks,    UncheckAll,     SelectBigHalf, SelectSmallHalf, SelectOdd,
    SelectEven, SelectPrime,     SelectComposite, SelectMod3Zero, SelectMod3One,  SelectMod3Two};
