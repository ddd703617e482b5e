// The indicators: the base class TFormulate, its 28 subclasses, the global
// list of the 88 registered instances, the indicator tree, the value lists
// and the check-list selectors.
//
// An indicator measures one property of a draw (a ball, its tail, the span,
// the sum, the AC value, ...). It knows its value domain, tells whether a
// draw has one of a set of chosen values (Match), counts how many outcomes
// have such a value (CountCombos, for probabilities) and, for the ball
// positions, narrows the shrink filter's per-position candidate lists.
//
// Chosen values come as a T2DIntAry: row 0 the chosen values, row 1 the
// chosen counts (indicators with RowKind 1). Chosen values and counts outside
// the indicator's domain (a scheme file can hold anything) are ignored by
// Match and CountCombos, and duplicates count once; ValidValues() tells
// whether a value set lies wholly in the domain.
//
// Indicators are immutable once created. Match, CountCombos and the other
// const operations keep no state, allocate nothing (Match writes a
// description only when asked for one) and may run on several threads at
// once. Registration runs once, on first use of FormulateList().
#pragma once

#include "engine/uBaseDef.h"
#include "engine/uLottery.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

struct TCdtData;
class TFormulate;

// ---------------------------------------------------------------------------
// Plain value lists, checkable lists and the indicator tree. The windows
// adapt these to their widgets.

// One (text, value) item per value of a list.
using TValueItems = std::vector<std::pair<std::string, int32_t>>;

// A list of checkable items, each carrying an integer value.
class ICheckList {
 public:
  virtual ~ICheckList() = default;
  virtual int Count() const = 0;
  virtual bool Checked(int index) const = 0;
  virtual void SetChecked(int index, bool checked) = 0;
  virtual int32_t Value(int index) const = 0;
};

// Receives the indicator tree: one root per group, one child per indicator.
class IFormulaTreeSink {
 public:
  virtual ~IFormulaTreeSink() = default;
  // Adds a root node at the end; returns a handle for AddChild.
  virtual int AddRoot(const std::string& text, int imageIndex) = 0;
  virtual void AddChild(int root, const std::string& text, const TFormulate* formula, int imageIndex,
                        int selectedImageIndex) = 0;
};

inline constexpr int TreeRootImage = 0;
inline constexpr int TreeChildImage = 1;
inline constexpr int TreeChildSelectedImage = 2;

// The shrink filter's seven candidate lists, one per ball position (0..5 the
// red balls in ascending order, 6 the blue ball).
using TPositionLists = std::array<TIntAry, BallCount>;

// References to conditions (not owned).
using FmlAry = std::vector<TCdtData*>;

// ---------------------------------------------------------------------------
// Measures of a draw, shared by the indicators and the filter.

using TBalls = std::array<int32_t, BallCount>;

inline constexpr int32_t BluePos = 6;
inline constexpr int32_t WholeRedPos = -1;

// The number of set bits, inline on every x86-64 (std::popcount calls a
// library routine unless the target has a popcount instruction).
constexpr int32_t BitCount(uint64_t v) {
  v = v - ((v >> 1) & 0x5555555555555555u);
  v = (v & 0x3333333333333333u) + ((v >> 2) & 0x3333333333333333u);
  v = (v + (v >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
  return static_cast<int32_t>((v * 0x0101010101010101u) >> 56);
}

// v is a set bit of mask (false for v outside 0..63).
constexpr bool Bit(uint64_t mask, int32_t v) {
  return static_cast<uint32_t>(v) < 64 && ((mask >> v) & 1u) != 0;
}

// v occurs in the list.
inline bool ValueIn(int32_t v, const TIntAry& list) {
  for (int32_t x : list)
    if (x == v) return true;
  return false;
}

// Bits 1..33 of the red balls (balls outside 1..33 are left out).
constexpr uint64_t RedMask(const TBalls& b) {
  uint64_t m = 0;
  for (int i = 0; i < RedCount; ++i)
    m |= static_cast<uint32_t>(b[i] - 1) < MaxRed ? uint64_t{1} << (b[i] & 63) : 0;
  return m;
}

// Tail digit of a ball; -1 for a negative value, which no domain holds.
constexpr int32_t TailOf(int32_t v) { return v >= 0 ? v % 10 : -1; }

// Largest minus smallest red ball (reds are held ascending), or their sum;
// taken mod d when d is not 0.
constexpr int32_t RedSpan(const TBalls& b, int32_t d = 0) {
  const int32_t s = b[RedCount - 1] - b[0];
  return d ? s % d : s;
}
constexpr int32_t RedSumOf(const TBalls& b, int32_t d = 0) {
  const int32_t s = b[0] + b[1] + b[2] + b[3] + b[4] + b[5];
  return d ? s % d : s;
}
inline int32_t RedSpan(const TLottery& draw, int32_t d = 0) { return RedSpan(draw.Balls, d); }
inline int32_t RedSumOf(const TLottery& draw, int32_t d = 0) { return RedSumOf(draw.Balls, d); }

// AC value: the number of distinct differences between two reds, minus 5.
constexpr int32_t AcValue(const TBalls& b) {
  uint64_t diffs = 0;
  for (int i = 0; i < RedCount; ++i)
    for (int j = i + 1; j < RedCount; ++j) {
      const int32_t d = b[j] - b[i];
      if (static_cast<uint32_t>(d) < 64) diffs |= uint64_t{1} << d;
    }
  return BitCount(diffs) - 5;
}

// How many distinct tail digits the reds have.
constexpr int32_t DistinctTailCount(const TBalls& b) {
  uint32_t seen = 0;
  for (int i = 0; i < RedCount; ++i)
    if (b[i] >= 0) seen |= 1u << (b[i] % 10);
  return BitCount(seen);
}

// How many tail digits two or more reds share.
constexpr int32_t SharedTailCount(const TBalls& b) {
  uint32_t seen = 0, shared = 0;
  for (int i = 0; i < RedCount; ++i) {
    if (b[i] < 0) continue;
    const uint32_t t = 1u << (b[i] % 10);
    shared |= seen & t;
    seen |= t;
  }
  return BitCount(shared);
}

// The number of maximal chains of linked adjacent reds, for a link rule
// linked(a, b) over adjacent balls a < b: the linked pairs whose previous
// pair is not linked.
template <class Linked>
constexpr int32_t RunCount(const TBalls& b, Linked linked) {
  uint32_t links = 0;  // bit i: balls i and i + 1 are linked
  for (int i = 0; i + 1 < RedCount; ++i) links |= static_cast<uint32_t>(linked(b[i], b[i + 1])) << i;
  return BitCount(links & ~(links << 1));
}
// Runs of consecutive numbers.
constexpr int32_t LinkRunCount(const TBalls& b) {
  return RunCount(b, [](int32_t x, int32_t y) { return y == x + 1; });
}
// Runs of odd (or even) numbers two apart.
constexpr int32_t ParityRunCount(const TBalls& b, bool odd) {
  return RunCount(b, [odd](int32_t x, int32_t y) { return (((x & 1) != 0) == odd) & (y == x + 2); });
}
// Runs of consecutive primes (1 counts as a prime) or composites.
int32_t OrdinalRunCount(const TBalls& b, bool prime);

// How many reds of the draw equal a red of the previous draw; how many lie
// next to (one above or below) a red of the previous draw.
constexpr int32_t RepeatCount(const TBalls& b, const TBalls& prev) {
  return BitCount(RedMask(b) & RedMask(prev));
}
constexpr int32_t NeighborCount(const TBalls& b, const TBalls& prev) {
  const uint64_t p = RedMask(prev);
  return BitCount(RedMask(b) & ((p << 1) | (p >> 1)));
}

// The value domain low..high of a ball position; false (and 0..-1) for a
// position outside 0..6.
bool PositionDomain(int32_t pos, int32_t& low, int32_t& high);

// The change of a position's ball against the previous draw; the ball
// itself for a draw without a previous one.
int32_t PositionAmplitude(const TLottery& draw, int32_t pos);

// ---------------------------------------------------------------------------
// The indicators.

// Which class an indicator is (for code that compiles conditions into its
// own data, like the shrink filter).
enum class TFormulaKind : uint8_t {
  Dw,
  DwDiv,
  DwZF,
  DwZFEnd,
  RedAc,
  RedHmz,
  Red02End,
  Red35End,
  RedBigSmall,
  RedPrimeCom,
  RedOddEven,
  RedEndCount,
  RedEndGroup,
  RedLink,
  RedNeighbor,
  RedRepeat,
  RedOELink,
  RedPCLink,
  RedKd,
  RedKDEnd,
  KDZF,
  KDZFEnd,
  KDDiv,
  RedSum,
  RedSumEnd,
  SumZF,
  SumZFEnd,
  SumDiv,
};

template <class T, class... A>
std::unique_ptr<T> CreateFormulate(A&&... args);

// Only CreateFormulate can make one, so every indicator is initialized.
class TFormulateKey {
  TFormulateKey() = default;
  template <class T, class... A>
  friend std::unique_ptr<T> CreateFormulate(A&&... args);
};

class TFormulate {
 public:
  virtual ~TFormulate() = default;
  TFormulate(const TFormulate&) = delete;
  TFormulate& operator=(const TFormulate&) = delete;

  const std::string& Name() const { return name_; }
  const std::string& Group() const { return group_; }
  // How many value rows the windows show: 0 one row (values), 1 two rows
  // (values and counts).
  uint8_t RowKind() const { return rowKind_; }
  // The domain: row 0 the values, row 1 (RowKind 1) the possible counts.
  const T2DIntAry& Values() const { return values_; }
  // Frequency table (position remainders and amplitude tails): row 0, entry
  // v = how many outcomes of the position give v.
  const T2DIntAry& Counts() const { return counts_; }
  // 0..5 the red balls ascending, 6 the blue ball, -1 the whole red set.
  int32_t Pos() const { return pos_; }
  int32_t Total() const { return total_; }
  // 1 when the count row can be read as exact or as at-least counts.
  uint8_t TailMode() const { return tailMode_; }
  virtual TFormulaKind Kind() const = 0;

  // One item per value: the value in decimal, carrying the value.
  virtual void FillValues(TValueItems& items, const TIntAry& values) const;
  // How many outcomes of the outcome space have a chosen value (and count).
  virtual int32_t CountCombos(const T2DIntAry& values, bool repeat) const;
  // The size of the outcome space.
  virtual int32_t GetTotal() const;
  // Does the draw have a chosen value (and count)? Writes the draw's
  // description into *description when given, for the classes that have one.
  virtual bool Match(const TLottery& draw, const T2DIntAry& values, bool repeat,
                     std::string* description = nullptr) const;
  // CountCombos / GetTotal; 0 when the total is 0.
  virtual float GetProbability(const T2DIntAry& values, bool repeat) const;
  // p * (1 - p)^n with p the probability; 0 when the total is 0.
  virtual float GetOmissionProbability(const T2DIntAry& values, int32_t n, bool repeat) const;
  // Restricts (or fills) the candidate list of the indicator's position by
  // the condition's chosen values, amplitudes taken against CurrentDraw()
  // (the candidates stand for the draw after it). Does nothing for
  // indicators of the whole red set.
  virtual void NarrowPositionList(TPositionLists& lists, const TCdtData& cdt) const;
  // The values of the indicator's position that the chosen values admit,
  // without repeats, in the order narrowing would add them; previous is the
  // draw amplitudes are taken against (none: amplitudes admit nothing).
  // Empty for indicators of the whole red set.
  virtual TIntAry PositionCandidates(const TIntAry& chosen, const TLottery* previous) const;

  // Fills the given lists from the domain rows the indicator shows.
  void FillValueLists(TValueItems* list1, TValueItems* list2 = nullptr, TValueItems* list3 = nullptr) const;
  // Every chosen value (row 0) and, for RowKind 1, every chosen count (row
  // 1) lies in the domain.
  bool ValidValues(const T2DIntAry& values) const;
  bool InDomain(int row, int32_t v) const { return row >= 0 && row < 3 && Bit(domainMask_[row], v); }

  // What Match tests, as bit sets (for code that compiles conditions into
  // its own data). The chosen values of one row that lie in the domain:
  uint64_t ChosenMask(const T2DIntAry& values, int row) const;
  // The counts a draw's count is tested against: the chosen counts, or for
  // the at-least reading (TailMode set, repeat false) every count from the
  // smallest chosen non-zero one up to maxCount, plus a chosen 0.
  uint64_t CountMask(const T2DIntAry& values, bool repeat, int32_t maxCount) const;

 protected:
  TFormulate(TFormulateKey, std::string name, int32_t pos, std::string group);
  // Builds the domain rows and the frequency table.
  virtual void Init();

  // Adds the position's candidates to its list (the narrowing of the
  // remainder and amplitude classes).
  void AddPositionCandidates(TPositionLists& lists, const TCdtData& cdt) const;

  std::string name_;
  std::string group_;
  uint8_t rowKind_ = 0;
  T2DIntAry values_;
  T2DIntAry counts_;
  int32_t pos_ = WholeRedPos;
  int32_t total_ = 0;
  uint8_t tailMode_ = 0;

 private:
  template <class T, class... A>
  friend std::unique_ptr<T> CreateFormulate(A&&... args);
  void Initialize();

  std::array<uint64_t, 3> domainMask_{};
};

// Constructs an indicator, then initializes it (its Init sees the
// subclass's parameters).
template <class T, class... A>
std::unique_ptr<T> CreateFormulate(A&&... args) {
  auto f = std::make_unique<T>(TFormulateKey{}, std::forward<A>(args)...);
  static_cast<TFormulate&>(*f).Initialize();
  return f;
}

// Indicators that test one measure of the draw against the chosen values
// (row 0). Their count sums CombosOf over the chosen values.
class TFormulateMeasure : public TFormulate {
 public:
  int32_t CountCombos(const T2DIntAry& values, bool repeat) const override;
  int32_t GetTotal() const override { return OutcomeTotal(); }
  // Writes the description (for the classes that have one) whether or not
  // the draw matches.
  bool Match(const TLottery& draw, const T2DIntAry& values, bool repeat,
             std::string* description = nullptr) const override;
  // The measure of the draw; -1 when the draw has none (a position outside
  // 0..6, no previous draw where one is needed, a sum outside every range).
  virtual int32_t Measure(const TLottery& draw) const = 0;

 protected:
  using TFormulate::TFormulate;
  // Outcomes with the measure v (only asked for v in the domain).
  virtual int32_t CombosOf(int32_t) const { return 1; }
  // The size of the outcome space; the domain size unless a class says
  // otherwise.
  virtual int32_t OutcomeTotal() const { return DomainSize(); }
  virtual void Describe(const TLottery& draw, std::string& text) const;
  int32_t DomainSize() const;
  void SetDomain(int32_t low, int32_t high);
};

// --- Ball positions ---------------------------------------------------------

// The ball's value.
class TFormulateDw final : public TFormulateMeasure {
 public:
  TFormulateDw(TFormulateKey k, std::string name, int32_t pos, std::string group);
  TFormulaKind Kind() const override { return TFormulaKind::Dw; }
  int32_t Measure(const TLottery& draw) const override;
  void NarrowPositionList(TPositionLists& lists, const TCdtData& cdt) const override;
  TIntAry PositionCandidates(const TIntAry& chosen, const TLottery* previous) const override;

 protected:
  void Init() override;
};

// The ball's remainder by Divisor (10 gives the tail digit).
class TFormulateDwDiv final : public TFormulateMeasure {
 public:
  TFormulateDwDiv(TFormulateKey k, std::string name, int32_t pos, int32_t divisor, std::string group);
  TFormulaKind Kind() const override { return TFormulaKind::DwDiv; }
  int32_t Divisor() const { return divisor_; }
  int32_t Measure(const TLottery& draw) const override;
  void NarrowPositionList(TPositionLists& lists, const TCdtData& cdt) const override;
  TIntAry PositionCandidates(const TIntAry& chosen, const TLottery* previous) const override;

 protected:
  void Init() override;
  int32_t CombosOf(int32_t v) const override;
  int32_t OutcomeTotal() const override { return total_; }

 private:
  int32_t divisor_;
};

// The ball's amplitude: its change against the previous draw.
class TFormulateDwZF final : public TFormulateMeasure {
 public:
  TFormulateDwZF(TFormulateKey k, std::string name, int32_t pos, std::string group);
  TFormulaKind Kind() const override { return TFormulaKind::DwZF; }
  int32_t Measure(const TLottery& draw) const override;
  void NarrowPositionList(TPositionLists& lists, const TCdtData& cdt) const override;
  TIntAry PositionCandidates(const TIntAry& chosen, const TLottery* previous) const override;

 protected:
  void Init() override;
};

// The tail digit of the ball's amplitude.
class TFormulateDwZFEnd final : public TFormulateMeasure {
 public:
  TFormulateDwZFEnd(TFormulateKey k, std::string name, int32_t pos, std::string group);
  TFormulaKind Kind() const override { return TFormulaKind::DwZFEnd; }
  int32_t Measure(const TLottery& draw) const override;
  void NarrowPositionList(TPositionLists& lists, const TCdtData& cdt) const override;
  TIntAry PositionCandidates(const TIntAry& chosen, const TLottery* previous) const override;

 protected:
  void Init() override;
  int32_t CombosOf(int32_t v) const override;
  int32_t OutcomeTotal() const override { return total_; }
};

// --- Red-number indicators (the whole red set) ------------------------------

// The AC value, 0..10.
class TFormulateRedAc final : public TFormulateMeasure {
 public:
  TFormulateRedAc(TFormulateKey k, std::string name, std::string group);
  TFormulaKind Kind() const override { return TFormulaKind::RedAc; }
  int32_t Measure(const TLottery& draw) const override { return AcValue(draw.Balls); }

 protected:
  void Init() override;
  int32_t CombosOf(int32_t v) const override;
  int32_t OutcomeTotal() const override { return TotalCombos; }
  void Describe(const TLottery& draw, std::string& text) const override;
};

// How many reds lie in a user-chosen group of numbers (row 0 the group, row
// 1 the counts 0..6).
class TFormulateRedHmz final : public TFormulate {
 public:
  TFormulateRedHmz(TFormulateKey k, std::string name, std::string group);
  TFormulaKind Kind() const override { return TFormulaKind::RedHmz; }
  int32_t CountCombos(const T2DIntAry& values, bool repeat) const override;
  int32_t GetTotal() const override { return TotalCombos; }
  bool Match(const TLottery& draw, const T2DIntAry& values, bool repeat,
             std::string* description = nullptr) const override;

 protected:
  void Init() override;
};

// How many of three reds (the first three or the last three) end in a
// chosen tail digit (row 0 the tails, row 1 the counts 0..3); outcome space:
// the 1000 strings of three tail digits. With repeat false the counts are
// read as "at least the smallest chosen non-zero count", a chosen 0 as
// "none".
class TFormulateRedTailTriple : public TFormulate {
 public:
  int32_t CountCombos(const T2DIntAry& values, bool repeat) const override;
  int32_t GetTotal() const override { return total_; }
  bool Match(const TLottery& draw, const T2DIntAry& values, bool repeat,
             std::string* description = nullptr) const override;
  // The first of the three balls (0 or 3).
  int32_t FirstBall() const { return first_; }

 protected:
  TFormulateRedTailTriple(TFormulateKey k, std::string name, std::string group, int32_t first);
  void Init() override;

 private:
  int32_t first_;
};

class TFormulateRed02End final : public TFormulateRedTailTriple {
 public:
  TFormulateRed02End(TFormulateKey k, std::string name, std::string group);
  TFormulaKind Kind() const override { return TFormulaKind::Red02End; }
};

class TFormulateRed35End final : public TFormulateRedTailTriple {
 public:
  TFormulateRed35End(TFormulateKey k, std::string name, std::string group);
  TFormulaKind Kind() const override { return TFormulaKind::Red35End; }
};

// How many reds fall in a category (big/small, prime/composite, odd/even),
// by the number or by its tail digit, with a chosen value (row 0 the
// category's values, row 1 the counts 1..6). The tail variants read the
// counts as at-least counts when repeat is false.
class TFormulateRedCategory : public TFormulate {
 public:
  int32_t CountCombos(const T2DIntAry& values, bool repeat) const override;
  int32_t GetTotal() const override { return TotalCombos; }
  bool Match(const TLottery& draw, const T2DIntAry& values, bool repeat,
             std::string* description = nullptr) const override;
  bool IsTail() const { return isTail_; }
  // How many of 1..33 belong to the category.
  int32_t CategorySize() const { return categorySize_; }

 protected:
  TFormulateRedCategory(TFormulateKey k, std::string name, bool isTail, std::string group);
  void Init() override;
  // Is x (a number 0..33, or a tail digit for the tail variants) in the
  // category?
  virtual bool InCategory(int32_t x) const = 0;

 private:
  bool isTail_;
  int32_t categorySize_ = 0;
};

class TFormulateRedBigSmall final : public TFormulateRedCategory {
 public:
  TFormulateRedBigSmall(TFormulateKey k, std::string name, bool isTail, bool isBig, std::string group);
  TFormulaKind Kind() const override { return TFormulaKind::RedBigSmall; }
  bool IsBig() const { return isBig_; }

 protected:
  bool InCategory(int32_t x) const override;

 private:
  bool isBig_;
};

class TFormulateRedPrimeCom final : public TFormulateRedCategory {
 public:
  TFormulateRedPrimeCom(TFormulateKey k, std::string name, bool isTail, bool isPrime, std::string group);
  TFormulaKind Kind() const override { return TFormulaKind::RedPrimeCom; }
  bool IsPrime() const { return isPrime_; }

 protected:
  bool InCategory(int32_t x) const override;

 private:
  bool isPrime_;
};

class TFormulateRedOddEven final : public TFormulateRedCategory {
 public:
  TFormulateRedOddEven(TFormulateKey k, std::string name, bool isTail, bool isOdd, std::string group);
  TFormulaKind Kind() const override { return TFormulaKind::RedOddEven; }
  bool IsOdd() const { return isOdd_; }

 protected:
  bool InCategory(int32_t x) const override;

 private:
  bool isOdd_;
};

// The number of distinct tail digits, 2..6.
class TFormulateRedEndCount final : public TFormulateMeasure {
 public:
  TFormulateRedEndCount(TFormulateKey k, std::string name, std::string group);
  TFormulaKind Kind() const override { return TFormulaKind::RedEndCount; }
  int32_t Measure(const TLottery& draw) const override { return DistinctTailCount(draw.Balls); }

 protected:
  void Init() override;
  int32_t CombosOf(int32_t v) const override;
  int32_t OutcomeTotal() const override { return TotalCombos; }
};

// The number of tail digits shared by two or more reds, 0..3.
class TFormulateRedEndGroup final : public TFormulateMeasure {
 public:
  TFormulateRedEndGroup(TFormulateKey k, std::string name, std::string group);
  TFormulaKind Kind() const override { return TFormulaKind::RedEndGroup; }
  int32_t Measure(const TLottery& draw) const override { return SharedTailCount(draw.Balls); }

 protected:
  void Init() override;
  int32_t CombosOf(int32_t v) const override;
  int32_t OutcomeTotal() const override { return TotalCombos; }
};

// The number of runs of consecutive numbers, 0..3.
class TFormulateRedLink final : public TFormulateMeasure {
 public:
  TFormulateRedLink(TFormulateKey k, std::string name, std::string group);
  TFormulaKind Kind() const override { return TFormulaKind::RedLink; }
  int32_t Measure(const TLottery& draw) const override { return LinkRunCount(draw.Balls); }

 protected:
  void Init() override;
  int32_t CombosOf(int32_t v) const override;
  int32_t OutcomeTotal() const override { return TotalCombos; }
};

// How many reds lie next to a red of the previous draw, 0..6; none without
// a previous draw. Count: chosen values out of 7.
class TFormulateRedNeighbor final : public TFormulateMeasure {
 public:
  TFormulateRedNeighbor(TFormulateKey k, std::string name, std::string group);
  TFormulaKind Kind() const override { return TFormulaKind::RedNeighbor; }
  int32_t Measure(const TLottery& draw) const override;

 protected:
  void Init() override;
};

// How many reds repeat a red of the previous draw, 0..6; none without a
// previous draw.
class TFormulateRedRepeat final : public TFormulateMeasure {
 public:
  TFormulateRedRepeat(TFormulateKey k, std::string name, std::string group);
  TFormulaKind Kind() const override { return TFormulaKind::RedRepeat; }
  int32_t Measure(const TLottery& draw) const override;

 protected:
  void Init() override;
  int32_t CombosOf(int32_t v) const override;
  int32_t OutcomeTotal() const override { return TotalCombos; }
};

// The number of runs of odd (or even) numbers two apart, 0..3.
class TFormulateRedOELink final : public TFormulateMeasure {
 public:
  TFormulateRedOELink(TFormulateKey k, std::string name, bool isOdd, std::string group);
  TFormulaKind Kind() const override { return TFormulaKind::RedOELink; }
  bool IsOdd() const { return isOdd_; }
  int32_t Measure(const TLottery& draw) const override { return ParityRunCount(draw.Balls, isOdd_); }

 protected:
  void Init() override;
  int32_t CombosOf(int32_t v) const override;
  int32_t OutcomeTotal() const override { return TotalCombos; }

 private:
  bool isOdd_;
};

// The number of runs of consecutive primes (or composites), 0..3.
class TFormulateRedPCLink final : public TFormulateMeasure {
 public:
  TFormulateRedPCLink(TFormulateKey k, std::string name, bool isPrime, std::string group);
  TFormulaKind Kind() const override { return TFormulaKind::RedPCLink; }
  bool IsPrime() const { return isPrime_; }
  int32_t Measure(const TLottery& draw) const override { return OrdinalRunCount(draw.Balls, isPrime_); }

 protected:
  void Init() override;
  int32_t CombosOf(int32_t v) const override;
  int32_t OutcomeTotal() const override { return TotalCombos; }

 private:
  bool isPrime_;
};

// --- Span and sum -----------------------------------------------------------

// The span (largest minus smallest red), 5..32.
class TFormulateRedKd final : public TFormulateMeasure {
 public:
  TFormulateRedKd(TFormulateKey k, std::string name, std::string group);
  TFormulaKind Kind() const override { return TFormulaKind::RedKd; }
  int32_t Measure(const TLottery& draw) const override { return RedSpan(draw); }

 protected:
  void Init() override;
  int32_t CombosOf(int32_t v) const override;
  int32_t OutcomeTotal() const override { return TotalCombos; }
  void Describe(const TLottery& draw, std::string& text) const override;
};

// The span's tail digit.
class TFormulateRedKDEnd final : public TFormulateMeasure {
 public:
  TFormulateRedKDEnd(TFormulateKey k, std::string name, std::string group);
  TFormulaKind Kind() const override { return TFormulaKind::RedKDEnd; }
  int32_t Measure(const TLottery& draw) const override { return RedSpan(draw, 10); }

 protected:
  void Init() override;
  int32_t CombosOf(int32_t v) const override;
  int32_t OutcomeTotal() const override { return TotalCombos; }
  void Describe(const TLottery& draw, std::string& text) const override;
};

// The span amplitude (change against the previous draw), 0..27. Count:
// chosen values out of 28.
class TFormulateKDZF final : public TFormulateMeasure {
 public:
  TFormulateKDZF(TFormulateKey k, std::string name, std::string group);
  TFormulaKind Kind() const override { return TFormulaKind::KDZF; }
  int32_t Measure(const TLottery& draw) const override;

 protected:
  void Init() override;
  void Describe(const TLottery& draw, std::string& text) const override;
};

// The span amplitude's tail digit. Count: chosen values out of 10.
class TFormulateKDZFEnd final : public TFormulateMeasure {
 public:
  TFormulateKDZFEnd(TFormulateKey k, std::string name, std::string group);
  TFormulaKind Kind() const override { return TFormulaKind::KDZFEnd; }
  int32_t Measure(const TLottery& draw) const override;

 protected:
  void Init() override;
  void Describe(const TLottery& draw, std::string& text) const override;
};

// The span's remainder by Divisor.
class TFormulateKDDiv final : public TFormulateMeasure {
 public:
  TFormulateKDDiv(TFormulateKey k, std::string name, int32_t divisor, std::string group);
  TFormulaKind Kind() const override { return TFormulaKind::KDDiv; }
  int32_t Divisor() const { return divisor_; }
  int32_t Measure(const TLottery& draw) const override { return RedSpan(draw, divisor_); }

 protected:
  void Init() override;
  int32_t CombosOf(int32_t v) const override;
  int32_t OutcomeTotal() const override { return TotalCombos; }
  void Describe(const TLottery& draw, std::string& text) const override;

 private:
  int32_t divisor_;
};

// The sum of the reds, shown and chosen as the ranges of SumRanges (the
// values are range indices 0..12).
class TFormulateRedSum final : public TFormulateMeasure {
 public:
  TFormulateRedSum(TFormulateKey k, std::string name, std::string group);
  TFormulaKind Kind() const override { return TFormulaKind::RedSum; }
  // One item per element: the next range as "low-high", carrying its index.
  void FillValues(TValueItems& items, const TIntAry& values) const override;
  // The index of the sum's range; -1 for a sum outside 21..183.
  int32_t Measure(const TLottery& draw) const override;

 protected:
  void Init() override;
  int32_t CombosOf(int32_t v) const override;
  int32_t OutcomeTotal() const override { return TotalCombos; }
  void Describe(const TLottery& draw, std::string& text) const override;
};

// The sum's tail digit. Count: chosen values out of 10.
class TFormulateRedSumEnd final : public TFormulateMeasure {
 public:
  TFormulateRedSumEnd(TFormulateKey k, std::string name, std::string group);
  TFormulaKind Kind() const override { return TFormulaKind::RedSumEnd; }
  int32_t Measure(const TLottery& draw) const override { return RedSumOf(draw, 10); }

 protected:
  void Init() override;
  void Describe(const TLottery& draw, std::string& text) const override;
};

// The sum amplitude (change against the previous draw), shown and chosen as
// the ranges of AmpRanges (indices 0..15). Count: the amplitudes the chosen
// ranges cover, out of 163.
class TFormulateSumZF final : public TFormulateMeasure {
 public:
  TFormulateSumZF(TFormulateKey k, std::string name, std::string group);
  TFormulaKind Kind() const override { return TFormulaKind::SumZF; }
  void FillValues(TValueItems& items, const TIntAry& values) const override;
  // The index of the amplitude's range; -1 above 162.
  int32_t Measure(const TLottery& draw) const override;

 protected:
  void Init() override;
  int32_t CombosOf(int32_t v) const override;
  int32_t OutcomeTotal() const override { return 163; }
  void Describe(const TLottery& draw, std::string& text) const override;
};

// The sum amplitude's tail digit. Count: chosen values out of 10.
class TFormulateSumZFEnd final : public TFormulateMeasure {
 public:
  TFormulateSumZFEnd(TFormulateKey k, std::string name, std::string group);
  TFormulaKind Kind() const override { return TFormulaKind::SumZFEnd; }
  int32_t Measure(const TLottery& draw) const override;

 protected:
  void Init() override;
  void Describe(const TLottery& draw, std::string& text) const override;
};

// The sum's remainder by Divisor.
class TFormulateSumDiv final : public TFormulateMeasure {
 public:
  TFormulateSumDiv(TFormulateKey k, std::string name, int32_t divisor, std::string group);
  TFormulaKind Kind() const override { return TFormulaKind::SumDiv; }
  int32_t Divisor() const { return divisor_; }
  int32_t Measure(const TLottery& draw) const override { return RedSumOf(draw, divisor_); }

 protected:
  void Init() override;
  int32_t CombosOf(int32_t v) const override;
  int32_t OutcomeTotal() const override { return TotalCombos; }
  void Describe(const TLottery& draw, std::string& text) const override;

 private:
  int32_t divisor_;
};

// Span and sum amplitudes of a draw: the change of the measure against the
// previous draw, the measure itself for a draw without one.
int32_t SpanAmplitude(const TLottery& draw);
int32_t SumAmplitude(const TLottery& draw);

// ---------------------------------------------------------------------------
// The registry.

// Owns the indicators; the index of an indicator is its number in scheme
// files.
class TFormulateList {
 public:
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  const TFormulate* GetItem(int32_t index) const { return items_.at(static_cast<size_t>(index)).get(); }
  // The index of the indicator; -1 when the list does not hold it.
  int32_t IndexOf(const TFormulate* formula) const;
  void Add(std::unique_ptr<TFormulate> formula) { items_.push_back(std::move(formula)); }

 private:
  std::vector<std::unique_ptr<TFormulate>> items_;
};

// Creates the 88 indicators in their groups and order and adds them.
void RegisterFormulas(TFormulateList& list);

// The global list, registered on first use.
const TFormulateList& FormulateList();

// One root per group in first-seen order, one child per indicator in list
// order.
void BuildFormulaTree(IFormulaTreeSink& sink, const TFormulateList& list = FormulateList());

// The candidate list of a position 0..6, sorted ascending when not empty;
// nullptr for any other position.
TIntAry* GetPositionList(TPositionLists& lists, int32_t pos);

// Grows the array by one empty slot; returns the new last index.
int32_t AppendFml(FmlAry& fmls);

// ---------------------------------------------------------------------------
// Check lists.

int CountChecked(const ICheckList& list);
// The values of the checked items in list order; empty when none is checked.
void GetCheckedValues(const ICheckList& list, TIntAry& values);

void CheckAll(ICheckList& list);
void InvertChecks(ICheckList& list);
void UncheckAll(ICheckList& list);
void SelectBigHalf(ICheckList& list);    // the later half
void SelectSmallHalf(ICheckList& list);  // the earlier half
void SelectOdd(ICheckList& list);
void SelectEven(ICheckList& list);
void SelectPrime(ICheckList& list);      // 1 counts as prime
void SelectComposite(ICheckList& list);  // 0 counts as composite
void SelectMod3Zero(ICheckList& list);
void SelectMod3One(ICheckList& list);
void SelectMod3Two(ICheckList& list);

using TSelectorProc = void (*)(ICheckList&);
// Indexed by the tag of the selection button: 全 反 清 大 小 奇 偶 质 合 0 1 2.
extern const std::array<TSelectorProc, 12> SelectorProcs;
