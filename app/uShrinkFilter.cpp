#include "app/uShrinkFilter.h"

#include "engine/ZorvDef.h"
#include "engine/uFormulaDef.h"
#include "platform/CpuClones.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <functional>
#include <limits>
#include <mutex>
#include <stdexcept>
#include <system_error>
#include <type_traits>

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

using u64 = uint64_t;

constexpr int LastRed = RedCount - 1;
constexpr size_t ResultLimit = ShrinkCap + 1;
// The search looks for one combination more than a run lists: whether it
// finds one tells whether the list is cut.
constexpr size_t KeyLimit = ResultLimit + 1;

constexpr u64 BitOf(int v) { return u64{1} << v; }
// The bits strictly above v (v in 0..62).
[[gnu::always_inline]] constexpr u64 Above(int v) { return ~((u64{2} << v) - 1); }
// Bits lo..hi (0 <= lo <= hi <= 63).
[[gnu::always_inline]] constexpr u64 Bits(int lo, int hi) { return (hi >= 63 ? ~u64{0} : (u64{2} << hi) - 1) & ~(BitOf(lo) - 1); }
constexpr u64 RedNumbers = Bits(1, MaxRed);

// Some bit of mask lies in lo..hi (an empty range has none).
[[gnu::always_inline]] constexpr bool AnyIn(u64 mask, int lo, int hi) {
  lo = std::max(lo, 0);
  hi = std::min(hi, 63);
  return lo <= hi && (mask & Bits(lo, hi)) != 0;
}

// Some bit of the 256-bit set lies in lo..hi.
[[gnu::always_inline]] inline bool AnySum(const std::array<u64, 4>& sums, int lo, int hi) {
  lo = std::max(lo, 0);
  hi = std::min(hi, 255);
  for (int w = lo >> 6; w <= hi >> 6 && lo <= hi; ++w) {
    const int from = w == lo >> 6 ? lo & 63 : 0;
    const int to = w == hi >> 6 ? hi & 63 : 63;
    if (sums[static_cast<size_t>(w)] & Bits(from, to)) return true;
  }
  return false;
}

// Numbers 1..33 whose tail digit is in a set of digits (bit t = digit t).
const std::array<u64, 1024> TailNumbers = [] {
  std::array<u64, 1024> t{};
  for (size_t digits = 0; digits < t.size(); ++digits)
    for (int v = 1; v <= MaxRed; ++v)
      if (digits >> (v % 10) & 1) t[digits] |= BitOf(v);
  return t;
}();

// The kinds of runs: consecutive numbers, odd or even numbers two apart,
// consecutive primes or composites.
enum TRunKind : int8_t { RunConsecutive, RunOdd, RunEven, RunPrime, RunComposite, RunKindCount };

// Successor[k][u]: the number that follows u in a run of kind k, 0 when
// none does (two adjacent balls u < v are linked when v is that number).
const std::array<std::array<int8_t, MaxRed + 1>, RunKindCount> Successor = [] {
  std::array<std::array<int8_t, MaxRed + 1>, RunKindCount> t{};
  auto ordinalNext = [](const std::array<int32_t, 34>& table, int u) {
    for (int v = u + 1; v <= MaxRed; ++v)
      if (OrdinalOf(table, v) == OrdinalOf(table, u) + 1) return v;
    return 0;
  };
  for (int u = 1; u <= MaxRed; ++u) {
    auto at = [](int v) { return static_cast<int8_t>(v <= MaxRed ? v : 0); };
    t[RunConsecutive][u] = at(u + 1);
    t[RunOdd][u] = at(u % 2 != 0 ? u + 2 : 99);
    t[RunEven][u] = at(u % 2 == 0 ? u + 2 : 99);
    t[RunPrime][u] = static_cast<int8_t>(ordinalNext(PrimeOrdinals, u));
    t[RunComposite][u] = static_cast<int8_t>(ordinalNext(CompositeOrdinals, u));
  }
  return t;
}();

// --- Compiled conditions --------------------------------------------------------

enum class TCheckType : uint8_t { Span, Sum, SetCount, DistinctTails, SharedTails, Run, Ac, Position };

// Which balls a set count looks at.
enum TSegment : int8_t { AllBalls, FirstThree, LastThree };

// One condition (or several merged ones of the same measure) as flat data.
struct TCheck {
  TCheckType Type = TCheckType::Position;
  int8_t Arg = 0;  // Position: the ball; Run: the run kind; SetCount: the segment
  u64 Ok = 0;      // Position: admitted numbers; Span: admitted spans; else admitted values or counts
  u64 Set = 0;     // SetCount: the numbers that count
  std::array<u64, 4> Sums{};  // Sum: admitted sums (bit s of the 256)

  bool SameMeasure(const TCheck& o) const {
    return Type == o.Type && Arg == o.Arg && (Type != TCheckType::SetCount || Set == o.Set);
  }
  void Merge(const TCheck& o) {
    Ok &= o.Ok;
    for (size_t i = 0; i < Sums.size(); ++i) Sums[i] &= o.Sums[i];
  }
};

// A condition on the blue ball: judged with the blue numbers, never with
// the red ones.
bool IsBlueCheck(const TCheck& k) { return k.Type == TCheckType::Position && k.Arg == BluePos; }

// A draw with the given balls whose previous draw is the reference.
TLottery WorkDraw(const TLottery* reference, std::initializer_list<int32_t> reds) {
  TLottery d;
  d.Prev = reference;
  size_t i = 0;
  for (int32_t v : reds) d.Balls[i++] = v;
  return d;
}

// Red combinations with a given sum (21..183) and a given span (5..32).
TLottery DrawWithSum(const TLottery* reference, int32_t sum) {
  TLottery d = WorkDraw(reference, {1, 2, 3, 4, 5, 6});
  int32_t extra = sum - MinRedSum;
  for (int i = LastRed; i >= 0 && extra > 0; --i) {
    const int32_t add = std::min(extra, MaxRed - RedCount);
    d.Balls[static_cast<size_t>(i)] += add;
    extra -= add;
  }
  return d;
}
TLottery DrawWithSpan(const TLottery* reference, int32_t span) {
  return WorkDraw(reference, {1, 2, 3, 4, 5, 1 + span});
}

// The numbers a position condition admits: by the indicator's candidate
// helper (the filter's narrowing) or by its match (the kept count).
u64 PositionMask(const TCdtData& c, const TLottery* reference, bool byMatch) {
  const TFormulate& f = *c.Formula;
  u64 mask = 0;
  if (!byMatch) {
    for (int32_t v : f.PositionCandidates(c.Values.empty() ? TIntAry{} : c.Values[0], reference))
      if (v >= 0 && v < 64) mask |= BitOf(v);
    return mask;
  }
  int32_t low, high;
  if (!PositionDomain(f.Pos(), low, high)) return 0;
  TLottery d;
  d.Prev = reference;
  for (int32_t v = low; v <= high; ++v) {
    d.Balls[static_cast<size_t>(f.Pos())] = v;
    if (f.Match(d, c.Values, c.IsJC)) mask |= BitOf(v);
  }
  return mask;
}

TCheck Compile(const TCdtData& c, const TLottery* reference, bool byMatch) {
  const TFormulate& f = *c.Formula;
  const T2DIntAry& values = c.Values;
  TCheck k;
  auto setCount = [&](TSegment segment, u64 set, u64 ok) {
    k.Type = TCheckType::SetCount;
    k.Arg = segment;
    k.Set = set & RedNumbers;
    k.Ok = ok;
  };
  auto measure = [&](TCheckType type, int8_t arg = 0) {
    k.Type = type;
    k.Arg = arg;
    k.Ok = f.ChosenMask(values, 0);
  };
  const u64 prevReds = reference ? RedMask(reference->Balls) : 0;
  switch (f.Kind()) {
    case TFormulaKind::Dw:
    case TFormulaKind::DwDiv:
    case TFormulaKind::DwZF:
    case TFormulaKind::DwZFEnd:
      k.Type = TCheckType::Position;
      k.Arg = static_cast<int8_t>(f.Pos());
      k.Ok = PositionMask(c, reference, byMatch);
      return k;
    case TFormulaKind::RedSum:
    case TFormulaKind::RedSumEnd:
    case TFormulaKind::SumZF:
    case TFormulaKind::SumZFEnd:
    case TFormulaKind::SumDiv:
      k.Type = TCheckType::Sum;
      for (int32_t s = MinRedSum; s <= MaxRedSum; ++s)
        if (f.Match(DrawWithSum(reference, s), values, c.IsJC)) k.Sums[static_cast<size_t>(s / 64)] |= BitOf(s % 64);
      return k;
    case TFormulaKind::RedKd:
    case TFormulaKind::RedKDEnd:
    case TFormulaKind::KDZF:
    case TFormulaKind::KDZFEnd:
    case TFormulaKind::KDDiv:
      k.Type = TCheckType::Span;
      for (int32_t s = MinSpan; s <= MaxSpan; ++s)
        if (f.Match(DrawWithSpan(reference, s), values, c.IsJC)) k.Ok |= BitOf(s);
      return k;
    case TFormulaKind::RedAc:
      measure(TCheckType::Ac);
      return k;
    case TFormulaKind::RedEndCount:
      measure(TCheckType::DistinctTails);
      return k;
    case TFormulaKind::RedEndGroup:
      measure(TCheckType::SharedTails);
      return k;
    case TFormulaKind::RedLink:
      measure(TCheckType::Run, RunConsecutive);
      return k;
    case TFormulaKind::RedOELink:
      measure(TCheckType::Run, dynamic_cast<const TFormulateRedOELink&>(f).IsOdd() ? RunOdd : RunEven);
      return k;
    case TFormulaKind::RedPCLink:
      measure(TCheckType::Run, dynamic_cast<const TFormulateRedPCLink&>(f).IsPrime() ? RunPrime : RunComposite);
      return k;
    case TFormulaKind::RedRepeat:
      // Without a previous draw there are no repeats to count: never matches.
      setCount(AllBalls, prevReds, reference ? f.ChosenMask(values, 0) : 0);
      return k;
    case TFormulaKind::RedNeighbor:
      setCount(AllBalls, (prevReds << 1) | (prevReds >> 1), reference ? f.ChosenMask(values, 0) : 0);
      return k;
    case TFormulaKind::RedHmz:
      setCount(AllBalls, f.ChosenMask(values, 0), f.ChosenMask(values, 1));
      return k;
    case TFormulaKind::Red02End:
    case TFormulaKind::Red35End:
      setCount(f.Kind() == TFormulaKind::Red02End ? FirstThree : LastThree,
               TailNumbers[f.ChosenMask(values, 0) & 1023], f.CountMask(values, c.IsJC, 3));
      return k;
    case TFormulaKind::RedBigSmall:
    case TFormulaKind::RedPrimeCom:
    case TFormulaKind::RedOddEven: {
      const u64 chosen = f.ChosenMask(values, 0);
      const bool byTail = dynamic_cast<const TFormulateRedCategory&>(f).IsTail();
      setCount(AllBalls, byTail ? TailNumbers[chosen & 1023] : chosen, f.CountMask(values, c.IsJC, RedCount));
      return k;
    }
  }
  throw std::logic_error("shrink filter: indicator of an unknown kind");
}

// --- The compiled scheme --------------------------------------------------------

struct TScheme {
  bool WithBlue = false;
  // Hard admitted numbers of each position (its whole domain when free).
  std::array<u64, BallCount> Position{};
  // The red numbers of each position that still leave room for the
  // positions after it.
  std::array<u64, RedCount> Reachable{};
  std::vector<TCheck> Hard;       // must hold in every pass, cheapest first
  std::vector<TCheck> Tolerance;  // tolerance condition j fails into bit ToleranceBit[j]
  std::vector<u64> ToleranceBit;
  std::array<u64, MaxBlue + 1> BlueFail{};  // tolerance bits each blue number fails
};

int CheckCost(TCheckType t) { return static_cast<int>(t); }

// Compiles the conditions that take part. Filter: those with IsSave set,
// IsRC making a tolerance condition, positions by narrowing. Count: every
// condition as a hard one, positions by match, the blue ball left out.
TScheme CompileScheme(const std::vector<TCdtData>& conditions, const TLottery* reference, bool withBlue,
                      bool counting) {
  TScheme s;
  s.WithBlue = withBlue && !counting;
  for (int32_t p = 0; p < BallCount; ++p) {
    int32_t low, high;
    PositionDomain(p, low, high);
    s.Position[static_cast<size_t>(p)] = Bits(low, high);
  }
  std::vector<const TCdtData*> tolerance;
  for (const TCdtData& c : conditions) {
    if (!counting && !c.IsSave) continue;
    if (counting && c.Formula->Pos() == BluePos) continue;
    if (!counting && c.IsRC) {
      tolerance.push_back(&c);
      continue;
    }
    const TCheck k = Compile(c, reference, counting);
    if (k.Type == TCheckType::Position) {
      s.Position[static_cast<size_t>(k.Arg)] &= k.Ok;
      continue;
    }
    auto same = std::find_if(s.Hard.begin(), s.Hard.end(), [&](const TCheck& h) { return h.SameMeasure(k); });
    if (same != s.Hard.end())
      same->Merge(k);
    else
      s.Hard.push_back(k);
  }
  std::stable_sort(s.Hard.begin(), s.Hard.end(),
                   [](const TCheck& a, const TCheck& b) { return CheckCost(a.Type) < CheckCost(b.Type); });

  const size_t k = tolerance.size();
  for (size_t j = 0; j < k; ++j) {
    s.Tolerance.push_back(Compile(*tolerance[j], reference, false));
    s.ToleranceBit.push_back(BitOf(static_cast<int>(k - 1 - j)));
    const TCheck& t = s.Tolerance.back();
    if (IsBlueCheck(t))
      for (int b = 1; b <= MaxBlue; ++b)
        if (!(t.Ok >> b & 1)) s.BlueFail[static_cast<size_t>(b)] |= s.ToleranceBit.back();
  }

  s.Reachable[LastRed] = s.Position[LastRed];
  for (int d = LastRed - 1; d >= 0; --d) {
    const u64 next = s.Reachable[static_cast<size_t>(d + 1)];
    const u64 below = next ? BitOf(63 - std::countl_zero(next)) - 1 : 0;
    s.Reachable[static_cast<size_t>(d)] = s.Position[static_cast<size_t>(d)] & below;
  }
  return s;
}

// --- The search -------------------------------------------------------------------

// A partial combination and the running values the checks need.
struct TNode {
  u64 Mask = 0;   // the numbers taken
  u64 Rev = 0;    // bit 63 - v for every number v taken
  u64 Diffs = 0;  // the differences between two numbers taken
  u64 Mask3 = 0;  // the numbers taken at positions 0..2
  u64 Key = 0;    // the balls packed six bits each, first ball highest
  int32_t Sum = 0;
  int32_t Depth = 0;
  int32_t Last = 0;      // the number taken last, 0 before the first
  uint32_t Tails = 0;    // tail digits taken
  uint32_t Shared = 0;   // tail digits taken twice or more
  std::array<int8_t, RunKindCount> Runs{};
  std::array<bool, RunKindCount> Linked{};
  std::array<int8_t, RedCount> Balls{};
};

// Where the balls sit in a result key: reds six bits each from bit 35 down
// to bit 5, the blue in bits 0..4, the failed tolerance bits from bit 41.
constexpr int BlueBits = 5;
constexpr int FailShift = BlueBits + 6 * RedCount;
constexpr int RedShift(int pos) { return BlueBits + 6 * (LastRed - pos); }

[[gnu::always_inline]] inline TNode Extend(const TNode& n, int v) {
  TNode c = n;
  c.Balls[static_cast<size_t>(n.Depth)] = static_cast<int8_t>(v);
  c.Key |= static_cast<u64>(v) << RedShift(n.Depth);
  c.Depth = n.Depth + 1;
  c.Mask |= BitOf(v);
  c.Sum += v;
  c.Diffs |= n.Rev >> (63 - v);
  c.Rev |= BitOf(63 - v);
  const uint32_t tail = 1u << (v % 10);
  c.Shared |= n.Tails & tail;
  c.Tails |= tail;
  for (int k = 0; k < RunKindCount; ++k) {
    const bool linked = n.Depth > 0 && Successor[static_cast<size_t>(k)][static_cast<size_t>(n.Last)] == v;
    c.Runs[static_cast<size_t>(k)] = static_cast<int8_t>(n.Runs[static_cast<size_t>(k)] + (linked && !n.Linked[static_cast<size_t>(k)]));
    c.Linked[static_cast<size_t>(k)] = linked;
  }
  if (c.Depth == 3) c.Mask3 = c.Mask;
  c.Last = v;
  return c;
}

// Can the partial combination n (at least one ball, not complete) still
// pass check k?
[[gnu::always_inline]] inline bool CanPass(const TScheme& s, const TCheck& k, const TNode& n) {
  const int rem = RedCount - n.Depth;
  switch (k.Type) {
    case TCheckType::Sum: {
      const int lo = n.Sum + rem * n.Last + rem * (rem + 1) / 2;
      const int hi = n.Sum + rem * MaxRed - rem * (rem - 1) / 2;
      return AnySum(k.Sums, lo, hi);
    }
    case TCheckType::Span:
      return ((k.Ok << n.Balls[0]) & s.Reachable[LastRed] & Above(n.Last + rem - 1)) != 0;
    case TCheckType::Ac: {
      // Each further ball adds at least one difference (to the first ball,
      // larger than all before) and at most one per ball before it.
      const int have = std::popcount(n.Diffs);
      const int pairs = rem * n.Depth + rem * (rem - 1) / 2;
      return AnyIn(k.Ok, have + rem - 5, have + pairs - 5);
    }
    case TCheckType::DistinctTails: {
      const int have = std::popcount(n.Tails);
      return AnyIn(k.Ok, have, have + rem);
    }
    case TCheckType::SharedTails: {
      const int have = std::popcount(n.Shared);
      return AnyIn(k.Ok, have, have + rem);
    }
    case TCheckType::Run: {
      const size_t kind = static_cast<size_t>(k.Arg);
      return AnyIn(k.Ok, n.Runs[kind], n.Runs[kind] + (rem + !n.Linked[kind]) / 2);
    }
    case TCheckType::SetCount: {
      int have, left;  // counted so far; balls of the segment still to come
      if (k.Arg == AllBalls) {
        have = std::popcount(n.Mask & k.Set);
        left = rem;
      } else if (k.Arg == FirstThree) {
        have = std::popcount((n.Depth >= 3 ? n.Mask3 : n.Mask) & k.Set);
        left = std::max(0, 3 - n.Depth);
      } else {
        have = n.Depth >= 3 ? std::popcount((n.Mask ^ n.Mask3) & k.Set) : 0;
        left = n.Depth >= 3 ? rem : 3;
      }
      // The balls still to come are numbers above the last one.
      const u64 free = RedNumbers & Above(n.Last);
      const int in = std::popcount(free & k.Set);
      const int out = std::popcount(free & ~k.Set);
      return AnyIn(k.Ok, have + std::max(0, left - out), have + std::min(left, in));
    }
    case TCheckType::Position:
      if (k.Arg < n.Depth) return k.Ok >> n.Balls[static_cast<size_t>(k.Arg)] & 1;
      if (k.Arg <= LastRed) return (k.Ok & Above(n.Last)) != 0;
      break;
  }
  return true;
}

[[gnu::always_inline]] inline bool Admissible(const TScheme& s, const TNode& n) {
  for (const TCheck& k : s.Hard)
    if (!CanPass(s, k, n)) return false;
  return true;
}

// Bits i of the 256-bit set from bit `from` on (i = 0..63).
[[gnu::always_inline]] inline u64 SumsFrom(const std::array<u64, 4>& sums, int from) {
  const int w = from >> 6, o = from & 63;
  u64 r = sums[static_cast<size_t>(w)] >> o;
  if (o && w + 1 < 4) r |= sums[static_cast<size_t>(w + 1)] << (64 - o);
  return r;
}

// Of the candidates for the last red ball after the five balls of n, those
// that pass check k (as a mask over the numbers; bits outside cand are
// arbitrary).
[[gnu::always_inline]] inline u64 LastBallPass(const TCheck& k, const TNode& n, u64 cand) {
  auto twoWay = [&](int have, u64 set) {  // the count grows by one for the numbers of set
    return (k.Ok >> (have + 1) & 1 ? set : 0) | (k.Ok >> have & 1 ? ~set : 0);
  };
  switch (k.Type) {
    case TCheckType::Sum:
      return SumsFrom(k.Sums, n.Sum);
    case TCheckType::Span:
      return k.Ok << n.Balls[0];
    case TCheckType::Ac: {
      u64 pass = 0;
      for (u64 m = cand; m; m &= m - 1) {
        const int v = std::countr_zero(m);
        if (k.Ok >> (std::popcount(n.Diffs | (n.Rev >> (63 - v))) - 5) & 1) pass |= BitOf(v);
      }
      return pass;
    }
    case TCheckType::DistinctTails:
      return twoWay(std::popcount(n.Tails), ~TailNumbers[n.Tails]);
    case TCheckType::SharedTails:
      return twoWay(std::popcount(n.Shared), TailNumbers[n.Tails & ~n.Shared]);
    case TCheckType::Run: {
      const size_t kind = static_cast<size_t>(k.Arg);
      const int next = Successor[kind][static_cast<size_t>(n.Last)];
      const u64 linked = next ? BitOf(next) : 0;
      const int runs = n.Runs[kind];
      return (k.Ok >> (runs + !n.Linked[kind]) & 1 ? linked : 0) | (k.Ok >> runs & 1 ? ~linked : 0);
    }
    case TCheckType::SetCount:
      if (k.Arg == AllBalls) return twoWay(std::popcount(n.Mask & k.Set), k.Set);
      if (k.Arg == LastThree) return twoWay(std::popcount((n.Mask ^ n.Mask3) & k.Set), k.Set);
      return k.Ok >> std::popcount(n.Mask3 & k.Set) & 1 ? ~u64{0} : 0;
    case TCheckType::Position:
      if (k.Arg == LastRed) return k.Ok;
      if (k.Arg < LastRed) return k.Ok >> n.Balls[static_cast<size_t>(k.Arg)] & 1 ? ~u64{0} : 0;
      return ~u64{0};  // the blue ball is judged with the blue numbers
  }
  return ~u64{0};
}

// A unit of work may be searched by two threads at once (one taking over
// from another that the system stopped); the first to end keeps its
// result and the other stops at once: its `Ended` becomes true.
const std::atomic<bool> NeverEnded{false};

// One copy of a unit under way: whether another copy has ended, and the
// beat of the helper searching it, if one does, which goes on while the
// helper runs (so a copy whose beat stands still is held by a helper the
// system has stopped).
struct TCopy {
  const std::atomic<bool>* Ended = &NeverEnded;
  std::atomic<uint64_t>* Beats = nullptr;
  void Beat() const {
    if (Beats) Beats->store(Beats->load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
  }
};

// Counts combinations (the kept count).
struct TCounter : TCopy {
  int64_t Count = 0;
  bool Stop() const { return Ended->load(std::memory_order_relaxed); }
  bool MayPass(const TScheme&, const TNode&) const { return true; }
  u64 Narrow(const TNode&, u64 cand) const { return cand; }
  void Take(const TScheme&, const TNode&, u64 cand) { Count += std::popcount(cand); }
};

// Collects the result keys of one unit of work. A key orders a result by
// its failed tolerance bits (its pass), then by its numbers; only keys that
// may be among the KeyLimit smallest of the whole run are kept. Keys
// without failed bits come in result order, so once KeyLimit of them are
// in, nothing later in the unit matters; and the units before this one may
// already bound the keys worth keeping (`Bound`).
//
// A key worth keeping has at most some number of failed bits; a tolerance
// condition whose bit alone is more than that must pass, and prunes the
// search like a hard one (`Required`).
struct TCollector : TCopy {
  std::vector<u64> Keys;
  size_t Best = 0;  // keys without failed bits taken
  u64 Threshold = std::numeric_limits<u64>::max();
  const std::atomic<u64>* Bound = nullptr;  // keys from later units must be smaller
  const std::atomic<u64>* Most = nullptr;   // no kept key has more failed bits
  u64 bound = std::numeric_limits<u64>::max();
  u64 mostFailed = std::numeric_limits<u64>::max();  // the most failed bits a kept key may have
  std::array<const TCheck*, MaxToleranceConditions> Required{};
  size_t RequiredCount = 0;

  // Nothing more of this unit can be kept.
  bool Full() const { return Best >= KeyLimit || bound == 0; }
  bool Stop() const { return Full() || Ended->load(std::memory_order_relaxed); }

  // Brings the required tolerance conditions up to the current bounds.
  void Tighten(const TScheme& s) {
    if (Bound) bound = Bound->load(std::memory_order_relaxed);
    u64 most = std::numeric_limits<u64>::max();
    if (bound != std::numeric_limits<u64>::max()) most = (bound >> FailShift) - 1;  // bound > 0 here
    if (Threshold != std::numeric_limits<u64>::max()) most = std::min(most, Threshold >> FailShift);
    if (Most) most = std::min(most, Most->load(std::memory_order_relaxed));
    if (bound == 0 || most == mostFailed) return;
    mostFailed = most;
    RequiredCount = 0;
    for (size_t j = 0; j < s.Tolerance.size(); ++j)
      if (s.ToleranceBit[j] > most && !IsBlueCheck(s.Tolerance[j])) Required[RequiredCount++] = &s.Tolerance[j];
  }

  [[gnu::always_inline]] bool MayPass(const TScheme& s, const TNode& n) const {
    for (size_t i = 0; i < RequiredCount; ++i)
      if (!CanPass(s, *Required[i], n)) return false;
    return true;
  }
  [[gnu::always_inline]] u64 Narrow(const TNode& n, u64 cand) const {
    for (size_t i = 0; i < RequiredCount && cand; ++i) cand &= LastBallPass(*Required[i], n, cand);
    return cand;
  }

  void Add(u64 key) {
    if (key >= Threshold || key >= bound || Best >= KeyLimit) return;
    Keys.push_back(key);
    Best += (key >> FailShift) == 0;
    if (Keys.size() >= 4 * KeyLimit) {
      std::nth_element(Keys.begin(), Keys.begin() + (KeyLimit - 1), Keys.end());
      Keys.resize(KeyLimit);
      Threshold = Keys[KeyLimit - 1];
    }
  }

  [[gnu::always_inline]] void Take(const TScheme& s, const TNode& n, u64 cand) {
    Tighten(s);
    std::array<u64, MaxRed + 1> fail;
    if (!s.Tolerance.empty()) fail.fill(0);
    for (size_t j = 0; j < s.Tolerance.size(); ++j)
      for (u64 m = cand & ~LastBallPass(s.Tolerance[j], n, cand); m; m &= m - 1)
        fail[static_cast<size_t>(std::countr_zero(m))] |= s.ToleranceBit[j];
    for (u64 m = cand; m && !Full(); m &= m - 1) {
      const int v = std::countr_zero(m);
      u64 key = n.Key | static_cast<u64>(v) << RedShift(LastRed);
      if (!s.Tolerance.empty()) key |= fail[static_cast<size_t>(v)] << FailShift;
      if (!s.WithBlue) {
        Add(key);
        continue;
      }
      if (key >= Threshold || key >= bound) continue;  // a blue number only makes the key larger
      for (u64 b = s.Position[BluePos]; b; b &= b - 1) {
        const int blue = std::countr_zero(b);
        Add(key | static_cast<u64>(blue) | s.BlueFail[static_cast<size_t>(blue)] << FailShift);
      }
    }
  }
};

// The search below a partial combination of Depth balls. Every level is
// inlined into SearchUnit.
template <int Depth, class Out>
[[gnu::always_inline]] inline void Descend(const TScheme& s, const TNode& n, Out& out) {
  u64 cand = s.Reachable[Depth] & Above(n.Last);
  if constexpr (Depth == LastRed) {
    for (const TCheck& k : s.Hard) {
      if (!cand) return;
      cand &= LastBallPass(k, n, cand);
    }
    cand = out.Narrow(n, cand);
    if (cand) out.Take(s, n, cand);
  } else {
    for (; cand && !out.Stop(); cand &= cand - 1) {
      if constexpr (Depth == LastRed - 2) out.Beat();  // a few microseconds apart
      const TNode c = Extend(n, std::countr_zero(cand));
      if (Admissible(s, c) && out.MayPass(s, c)) Descend<Depth + 1>(s, c, out);
    }
  }
}

// The search below a unit of work (two balls). Built twice, with and
// without the processor's population-count instruction, the one to use
// chosen when the program loads.
#define SSQ_WITH_POPCNT SSQ_CPU_CLONES("popcnt", "default")
constexpr int UnitDepth = 2;
SSQ_WITH_POPCNT void SearchUnit(const TScheme& s, const TNode& n, TCollector& out) { Descend<UnitDepth>(s, n, out); }
SSQ_WITH_POPCNT void SearchUnit(const TScheme& s, const TNode& n, TCounter& out) { Descend<UnitDepth>(s, n, out); }
#undef SSQ_WITH_POPCNT

// The partial combinations of the first two balls that may lead somewhere:
// the units of work, in result order.
std::vector<TNode> WorkUnits(const TScheme& s) {
  std::vector<TNode> units;
  if (s.WithBlue && !s.Position[BluePos]) return units;
  for (u64 a = s.Reachable[0]; a; a &= a - 1) {
    const TNode n1 = Extend(TNode{}, std::countr_zero(a));
    if (!Admissible(s, n1)) continue;
    for (u64 b = s.Reachable[1] & Above(n1.Last); b; b &= b - 1) {
      const TNode n2 = Extend(n1, std::countr_zero(b));
      if (Admissible(s, n2)) units.push_back(n2);
    }
  }
  return units;
}

// The threads to use: as asked, or one per processor this process may run
// on (more would only wait for each other).
constexpr int MostThreads = 64;
int ThreadCount(int wanted) {
  if (wanted > 0) return std::min(wanted, MostThreads);
  // Asked once: the processors of a running program do not change.
  static const int cores = [] {
    int n = static_cast<int>(std::thread::hardware_concurrency());
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0) n = CPU_COUNT(&set);
    return std::clamp(n, 1, MostThreads);
  }();
  return cores;
}

bool Cancelled(const std::atomic<bool>* cancel) { return cancel && cancel->load(std::memory_order_relaxed); }

// The calling thread runs only on a processor that nothing else of normal
// priority wants, and never pre-empts such a thread when it wakes: a
// helper of a busy machine costs the caller and the other programs nothing.
// Where the system refuses that, the lowest priority of the normal ones.
void RunOnlyOnFreeProcessors() {
  const sched_param none{};
  if (pthread_setschedparam(pthread_self(), SCHED_IDLE, &none) != 0)
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 19);
}

// --- Worker threads -----------------------------------------------------------------

// What a helper calls before each unit it claims (SetShrinkHelperPause).
std::atomic<void (*)()> HelperPause{nullptr};
// What the caller calls once its helpers are called (SetShrinkCallerPause).
std::atomic<void (*)()> CallerPause{nullptr};

// A search split into units for the worker pool. Unit(i) may run on two
// threads at once, one taking over from another; the first copy to end
// keeps its result (Finished(i) is then true) and the others stop soon and
// drop theirs, so Finished(i) holds whenever Unit(i) returns. The threads
// share the job, so one that the system stopped in the middle of a unit
// finds it whole when it runs again, whenever that is.
class TPoolJob {
 public:
  virtual ~TPoolJob() = default;
  virtual size_t Count() const = 0;
  // Searches unit i; a helper passes its beat (TCopy).
  virtual void Unit(size_t i, std::atomic<uint64_t>* beats) = 0;
  virtual bool Finished(size_t i) const = 0;
  // How much searching unit i may take, in combinations below it (0 when
  // the job already knows it will find nothing there).
  virtual double Size(size_t i) const = 0;
  // Whether the finished units from the first on speed up the later ones,
  // so that a unit held up early holds up the rest.
  virtual bool Ordered() const = 0;
};

// The threads that help the searches, kept for the life of the program: a
// short search pays neither for starting threads nor for waiting until
// each of them has been scheduled once, only for the units the helpers
// actually took.
//
// The calling thread works too and claims units like any helper, and a
// helper claims a unit only as it starts it, so helpers that come late
// find nothing left and cost nothing. Helpers run only on processors that
// nothing else wants (RunOnlyOnFreeProcessors): on a busy machine they
// wait, without pre-empting the caller or anyone else, and one that the
// system runs on the caller's processor leaves the search to the caller.
// Nor does the caller ever wait for a helper: it takes no lock a helper
// takes; the first unfinished unit of an ordered job, when the helper
// holding it has stopped, it searches at once (TWatch); and once no unit is
// left to claim it searches every unfinished one itself, so that a unit a
// stalled helper holds is taken back. The first copy to end counts, and
// an idle helper likewise takes over a unit nobody has taken over yet. One
// search uses the pool at a time; a search that finds it taken runs on its
// own thread.
class TWorkerPool {
 public:
  static TWorkerPool& Instance() {
    // Never destroyed: a helper the system has stopped may hold a unit
    // when the program ends, and nobody waits for it.
    static TWorkerPool* const pool = new TWorkerPool;
    return *pool;
  }

  // Runs every unit of the job and returns when all are finished, calling
  // afterUnit() on the calling thread after each unit it ran. threads > 0:
  // on that many threads in all from the start; 0: on the calling thread
  // until the work proves long, then with as many helpers as the rest of it
  // is worth.
  void Run(const std::shared_ptr<TPoolJob>& job, int threads, const std::function<void()>& afterUnit) {
    const size_t count = job->Count();
    if (count == 0) return;
    if (busy_.exchange(true, std::memory_order_acquire)) {
      for (size_t i = 0; i < count; ++i) {
        job->Unit(i, nullptr);
        afterUnit();
      }
      return;
    }
    TRun* const run = new TRun(job, count);
    const int most = static_cast<int>(std::min(static_cast<size_t>(ThreadCount(threads) - 1), count - 1));
    int engaged = 0;
    if (threads > 0) Engage(*run, engaged, most);
    if (engaged > 0)
      if (void (*pause)() = CallerPause.load(std::memory_order_acquire)) pause();
    // A default search stays on this thread until it proves long, judged
    // by what its units cost the processor, which a busy machine does not
    // stretch (TProbe); meanwhile the caller keeps an eye on the unit that
    // holds up the others (TWatch).
    TProbe probe;
    bool probing = engaged < most;
    TWatch watch;
    for (size_t i; run->Claim(i);) {
      run->CallerCpu.store(sched_getcpu(), std::memory_order_relaxed);
      const double size = job->Size(i);
      job->Unit(i, nullptr);
      afterUnit();
      if (engaged > 0 && job->Ordered()) watch.Look(*this, *run, afterUnit);
      if (!probing || !probe.Add(size)) continue;
      double left = 0;
      for (size_t u = i + 1; u < count; ++u) left += job->Size(u);
      Engage(*run, engaged, static_cast<int>(std::min<double>(most, probe.Seconds(left) / ProbeTime.count())));
      probing = false;
    }
    // Every unit is claimed: search the unfinished ones too rather than
    // wait for the helpers that hold them.
    for (size_t i = 0; i < count; ++i) {
      if (job->Finished(i)) continue;
      run->Takeovers[i].fetch_add(1, std::memory_order_relaxed);
      job->Unit(i, nullptr);
      afterUnit();
    }
    // Helpers called that never came find nothing.
    for (int id = 0; id < engaged; ++id)
      if (TRun* late = helpers_[static_cast<size_t>(id)].Mail.exchange(nullptr, std::memory_order_acq_rel))
        late->Drop();
    run->Drop();
    busy_.store(false, std::memory_order_release);
  }

 private:
  static constexpr int MostHelpers = MostThreads - 1;
  // A search whose rest costs less processor time than this runs on the
  // calling thread alone.
  static constexpr std::chrono::duration<double> ProbeTime{0.002};
  // The stretch of work after it whose cost the probe takes as the cost of
  // the rest.
  static constexpr std::chrono::duration<double> Stretch{0.0005};
  // A unit that takes longer than this and many times the units before it
  // was stopped by the system in the middle.
  static constexpr std::chrono::duration<double> GapTime{0.0005};
  // How long an idle helper watches for the next search before it sleeps.
  static constexpr auto SpinTime = std::chrono::microseconds(300);
  // How long a helper's beat may stand still before the caller takes its
  // unit back; a running helper beats every few microseconds.
  static constexpr auto StallTime = std::chrono::microseconds(200);
  using Clock = std::chrono::steady_clock;

  // One search on the pool, shared by the threads that work on it; the
  // last of them to let go deletes it.
  struct TRun {
    TRun(std::shared_ptr<TPoolJob> job, size_t count)
        : Job(std::move(job)), Count(count), Takeovers(count), Holders(count) {
      for (std::atomic<int8_t>& h : Holders) h.store(-1, std::memory_order_relaxed);
    }
    // The next unit nobody has claimed, if one is left.
    bool Claim(size_t& i) {
      i = next_.fetch_add(1, std::memory_order_relaxed);
      return i < Count;
    }
    void Hold() { holders_.fetch_add(1, std::memory_order_relaxed); }
    void Drop() {
      if (holders_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
    }

    const std::shared_ptr<TPoolJob> Job;
    const size_t Count;
    std::vector<std::atomic<uint8_t>> Takeovers;  // per unit: copies started besides the first
    std::vector<std::atomic<int8_t>> Holders;     // per unit: the helper that claimed it, -1 for none
    std::atomic<int> CallerCpu{-1};               // the processor the caller last ran on

   private:
    std::atomic<size_t> next_{0};
    std::atomic<int> holders_{1};
  };

  // What the caller hands one helper: the search to join, and a bell rung
  // when there is one.
  struct alignas(64) THelper {
    std::atomic<TRun*> Mail{nullptr};
    std::atomic<uint32_t> Bell{0};
    std::atomic<uint64_t> Beats{0};  // TCopy
  };

  // What the caller's units cost the processor, read from the steady clock
  // (cheap: no system call, which would give the system a moment to switch
  // the caller out) around each unit. A unit the system stopped in the
  // middle shows as a gap of a millisecond or more among units of
  // microseconds and is left out, so that a busy machine does not make the
  // work look longer than it is.
  class TProbe {
   public:
    // Adds the unit just searched, `size` combinations; true once the work
    // has cost ProbeTime and then Stretch more (the stretch it judges by).
    bool Add(double size) {
      const Clock::time_point now = Clock::now();
      const double took = std::chrono::duration<double>(now - last_).count();
      last_ = now;
      if (units_ > 0 && took > GapTime.count() && took > 8 * spent_ / static_cast<double>(units_)) return false;
      ++units_;
      spent_ += took;
      if (!marked_) {
        marked_ = spent_ >= ProbeTime.count();
        markSpent_ = spent_;
        return false;
      }
      size_ += size;
      return spent_ - markSpent_ >= Stretch.count() && size_ > 0;
    }
    // What `size` more combinations would cost at the stretch's rate.
    double Seconds(double size) const { return (spent_ - markSpent_) / size_ * size; }

   private:
    Clock::time_point last_ = Clock::now();
    size_t units_ = 0;
    double spent_ = 0, markSpent_ = 0, size_ = 0;  // size_: combinations of the stretch
    bool marked_ = false;
  };

  // The caller's eye on the first unfinished unit of an ordered job: when
  // the helper that holds it is stopped (its beat has stood still for
  // StallTime), the caller searches that unit itself, so the later units
  // are not searched without what it bounds.
  struct TWatch {
    size_t Front = 0, Watched = SIZE_MAX;
    int8_t Holder = -1;
    uint64_t Beats = 0;
    Clock::time_point Since;

    void Look(TWorkerPool& pool, TRun& run, const std::function<void()>& afterUnit) {
      TPoolJob& job = *run.Job;
      while (Front < run.Count && job.Finished(Front)) ++Front;
      if (Front >= run.Count || run.Takeovers[Front].load(std::memory_order_relaxed) != 0) return;
      const int8_t holder = run.Holders[Front].load(std::memory_order_relaxed);
      if (holder < 0) return;  // not claimed yet, or by the caller
      const uint64_t beats = pool.helpers_[static_cast<size_t>(holder)].Beats.load(std::memory_order_relaxed);
      const Clock::time_point now = Clock::now();
      if (Front != Watched || holder != Holder || beats != Beats) {
        Watched = Front;
        Holder = holder;
        Beats = beats;
        Since = now;
        return;
      }
      if (now - Since < StallTime) return;
      run.Takeovers[Front].fetch_add(1, std::memory_order_relaxed);
      job.Unit(Front, nullptr);
      afterUnit();
    }
  };

  // Helpers engaged..n-1 join the search (started when missing; when the
  // system gives no more threads, those there are do the work).
  void Engage(TRun& run, int& engaged, int n) {
    for (; engaged < n; ++engaged) {
      THelper& h = helpers_[static_cast<size_t>(engaged)];
      if (engaged == started_) {
        try {
          std::thread([&h, id = static_cast<int8_t>(engaged)] { Help(h, id); }).detach();
        } catch (const std::system_error&) {
          return;
        }
        ++started_;
      }
      run.Hold();
      if (TRun* stale = h.Mail.exchange(&run, std::memory_order_acq_rel)) stale->Drop();
      h.Bell.fetch_add(1, std::memory_order_release);
      h.Bell.notify_one();
    }
  }

  static void Help(THelper& h, int8_t id) {
    RunOnlyOnFreeProcessors();
    uint32_t seen = 0;
    for (;;) {
      // Watch for a while, then sleep until called.
      const auto until = std::chrono::steady_clock::now() + SpinTime;
      while (h.Bell.load(std::memory_order_acquire) == seen && std::chrono::steady_clock::now() < until)
        std::this_thread::yield();
      h.Bell.wait(seen, std::memory_order_acquire);
      seen = h.Bell.load(std::memory_order_acquire);
      TRun* const run = h.Mail.exchange(nullptr, std::memory_order_acq_rel);
      if (!run) continue;  // the search ended before this helper came
      TPoolJob& job = *run->Job;
      // A helper the system runs on the caller's processor would only take
      // turns with it: it leaves the search to the caller.
      auto sharing = [&] { return sched_getcpu() == run->CallerCpu.load(std::memory_order_relaxed); };
      for (size_t i; !sharing() && run->Claim(i);) {
        run->Holders[i].store(id, std::memory_order_relaxed);
        h.Beats.fetch_add(1, std::memory_order_relaxed);
        if (void (*pause)() = HelperPause.load(std::memory_order_acquire)) pause();
        job.Unit(i, &h.Beats);
      }
      // Then a unit still running elsewhere that nobody has taken over.
      for (size_t i = 0; i < run->Count && !sharing(); ++i)
        if (!job.Finished(i) && run->Takeovers[i].fetch_add(1, std::memory_order_relaxed) == 0)
          job.Unit(i, &h.Beats);
      run->Drop();
    }
  }

  // Set while a search owns the pool; the owner alone touches the rest.
  std::atomic<bool> busy_{false};
  std::array<THelper, MostHelpers> helpers_;
  int started_ = 0;
};

// One search on the worker pool: its scheme, its units (partial
// combinations of two balls, in result order) and what each unit found.
//
// Collecting, the keys of the finished units bound what later units keep:
// once the finished units from the first on hold KeyLimit keys, a key of a
// later unit must be smaller than the largest of the best KeyLimit of them,
// and since its numbers come later it must have fewer failed bits; with
// none to spare the later units are skipped. And once the finished units,
// in any order, hold KeyLimit keys with at most f failed bits, no key with
// more is kept. These bounds only prune: a thread that finds them being
// updated leaves its unit's keys to the next one that updates them.
template <class Out>
class TSearchJob final : public TPoolJob {
  static constexpr bool Collecting = std::is_same_v<Out, TCollector>;

 public:
  TSearchJob(const TScheme& s, std::vector<TNode> units)
      : s_(s), units_(std::move(units)), outs_(units_.size()), ended_(units_.size()), pending_(units_.size()) {
    for (std::atomic<int32_t>& p : pending_) p.store(-1, std::memory_order_relaxed);
  }
  ~TSearchJob() override {
    for (std::atomic<Out*>& o : outs_) delete o.load(std::memory_order_relaxed);
  }

  size_t Count() const override { return units_.size(); }
  bool Finished(size_t i) const override { return outs_[i].load(std::memory_order_acquire) != nullptr; }
  // What a finished unit found.
  const Out& Result(size_t i) const { return *outs_[i].load(std::memory_order_acquire); }
  // Keys the finished units hold (for the progress text).
  int64_t Found() const { return found_.load(std::memory_order_relaxed); }
  // Units from now on search nothing.
  void Cancel() { cancel_.store(true, std::memory_order_relaxed); }

  double Size(size_t i) const override {
    if (Collecting && bound_.load(std::memory_order_relaxed) == 0) return 0;  // nothing more is kept
    const double n = MaxRed - units_[i].Last;  // numbers above the second ball: four of them to choose
    return n * (n - 1) * (n - 2) * (n - 3) / 24;
  }
  bool Ordered() const override { return Collecting; }

  void Unit(size_t i, std::atomic<uint64_t>* beats) override {
    auto out = std::make_unique<Out>();
    out->Ended = &ended_[i];
    out->Beats = beats;
    if (!cancel_.load(std::memory_order_relaxed) && !Finished(i)) {
      if constexpr (Collecting) {
        out->Bound = &bound_;
        out->Most = &most_;
        out->Tighten(s_);
        if (!out->Full()) SearchUnit(s_, units_[i], *out);
      } else {
        SearchUnit(s_, units_[i], *out);
      }
    }
    Out* none = nullptr;
    if (!outs_[i].compare_exchange_strong(none, out.get(), std::memory_order_acq_rel, std::memory_order_acquire))
      return;  // another copy ended first; this one may have stopped short
    ended_[i].store(true, std::memory_order_relaxed);
    const Out& mine = *out.release();
    if constexpr (Collecting) {
      found_.fetch_add(static_cast<int64_t>(mine.Keys.size()), std::memory_order_relaxed);
      std::unique_lock lock(m_, std::try_to_lock);
      if (!lock) {
        pending_[pendingCount_.fetch_add(1, std::memory_order_relaxed)].store(static_cast<int32_t>(i),
                                                                              std::memory_order_release);
        return;
      }
      Tally(mine);
      // The units whose keys others left here.
      for (; pendingRead_ < pendingCount_.load(std::memory_order_acquire); ++pendingRead_) {
        const int32_t u = pending_[pendingRead_].load(std::memory_order_acquire);
        if (u < 0) break;  // being written
        Tally(Result(static_cast<size_t>(u)));
      }
      for (; prefix_ < units_.size() && Finished(prefix_); ++prefix_) {
        const std::vector<u64>& keys = Result(prefix_).Keys;
        pool_.insert(pool_.end(), keys.begin(), keys.end());
        if (Cut(pool_, bound_.load(std::memory_order_relaxed) == std::numeric_limits<u64>::max()))
          bound_.store(pool_.back() >> FailShift << FailShift, std::memory_order_relaxed);
      }
    }
  }

 private:
  // Both pools keep their KeyLimit smallest entries, cut back when they
  // first reach that many and then whenever they double.
  static bool Cut(std::vector<u64>& v, bool first) {
    if (v.size() < (first ? 1 : 2) * KeyLimit) return false;
    std::nth_element(v.begin(), v.begin() + (KeyLimit - 1), v.end());
    v.resize(KeyLimit);
    return true;
  }
  // Adds a finished unit's failed bits to their pool (under m_).
  void Tally(const Out& o) {
    for (u64 key : o.Keys) failed_.push_back(key >> FailShift);
    if (Cut(failed_, most_.load(std::memory_order_relaxed) == std::numeric_limits<u64>::max()))
      most_.store(failed_.back(), std::memory_order_relaxed);
  }

  const TScheme s_;
  const std::vector<TNode> units_;
  std::vector<std::atomic<Out*>> outs_;     // per unit: the result of the copy that ended first
  std::vector<std::atomic<bool>> ended_;    // per unit: a copy has ended
  std::atomic<bool> cancel_{false};
  std::atomic<int64_t> found_{0};
  // The bounds of the keys worth keeping.
  std::atomic<u64> bound_{std::numeric_limits<u64>::max()};
  std::atomic<u64> most_{std::numeric_limits<u64>::max()};
  std::mutex m_;
  std::vector<u64> failed_, pool_;  // under m_
  size_t prefix_ = 0;               // under m_: units 0..prefix_-1 are in pool_
  // Finished units not yet tallied: written by any thread, read under m_.
  std::vector<std::atomic<int32_t>> pending_;
  std::atomic<size_t> pendingCount_{0};
  size_t pendingRead_ = 0;  // under m_
};

// Runs a job on the worker pool (the calling thread among them). `tick`
// runs on the calling thread after each of its units; the run stops soon
// after *cancel becomes true.
template <class Job, class Tick>
void RunJob(const std::shared_ptr<Job>& job, int threads, const std::atomic<bool>* cancel, Tick tick) {
  TWorkerPool::Instance().Run(job, threads, [&] {
    if (Cancelled(cancel)) job->Cancel();
    tick(*job);
  });
}

TShrinkRow RowOfKey(u64 key, bool withBlue, int32_t no) {
  TShrinkRow r;
  r.No = no;
  r.HasBlue = withBlue;
  for (int p = 0; p < RedCount; ++p) r.Balls[static_cast<size_t>(p)] = static_cast<int32_t>(key >> RedShift(p) & 63);
  r.Balls[BluePos] = withBlue ? static_cast<int32_t>(key & 31) : 0;
  return r;
}

const char* CountSuffix = "注";

}  // namespace

// --- Public -------------------------------------------------------------------

std::string TShrinkRow::Text() const {
  std::string text;
  const int n = HasBlue ? BallCount : RedCount;
  for (int i = 0; i < n; ++i) {
    if (i) text.push_back(',');
    text += std::to_string(Balls[static_cast<size_t>(i)]);
  }
  return text;
}

std::string FilterProgressText(int32_t count) { return "正在过滤，当前共" + std::to_string(count) + CountSuffix; }

std::string FilterEndText(int32_t count, bool capped) {
  return (capped ? "过滤结束，取前" : "过滤结束，共") + std::to_string(count) + CountSuffix;
}

std::string KeptCountText(int64_t count) {
  return "有效注数" + std::to_string(count) + "/" + std::to_string(TotalCombos);
}

std::string CheckScheme(const std::vector<TCdtData>& conditions, bool allConditions) {
  int tolerance = 0;
  for (const TCdtData& c : conditions) tolerance += !allConditions && c.IsSave && c.IsRC;
  if (tolerance > MaxToleranceConditions)
    return "容错条件最多" + std::to_string(MaxToleranceConditions) + "个，当前方案有" + std::to_string(tolerance) +
           "个，请减少容错条件";
  for (size_t i = 0; i < conditions.size(); ++i) {
    const TCdtData& c = conditions[i];
    if (!allConditions && !c.IsSave) continue;
    const std::string which = "第" + std::to_string(i + 1) + "个条件";
    if (!c.Formula) return which + "没有指标";
    if (!c.Formula->ValidValues(c.Values))
      return which + "（" + c.Formula->Group() + " " + c.Formula->Name() + "）的取值超出范围";
  }
  return {};
}

std::vector<TCdtData> SnapshotConditions(const TCdtList& list) {
  std::vector<TCdtData> copy;
  copy.reserve(static_cast<size_t>(list.Count()));
  for (int32_t i = 0; i < list.Count(); ++i) copy.push_back(*list.GetItem(i));
  return copy;
}

TShrinkResult RunShrinkFilter(const std::vector<TCdtData>& conditions, const TShrinkOptions& options,
                              IShrinkFilterSink* sink, const std::atomic<bool>* cancel) {
  TShrinkResult result;
  auto refuse = [&](TShrinkStatus status, std::string text) {
    result.Status = status;
    result.Text = std::move(text);
    if (sink) sink->FilterMessage(result.Text);
    return result;
  };
  if (conditions.empty()) return refuse(TShrinkStatus::NoConditions, NoConditionsText);
  if (std::string why = CheckScheme(conditions); !why.empty()) return refuse(TShrinkStatus::Refused, why);

  if (sink) sink->FilterStarted(options.WithBlue);
  const TScheme s = CompileScheme(conditions, options.Reference, options.WithBlue, false);
  const auto job = std::make_shared<TSearchJob<TCollector>>(s, WorkUnits(s));

  using Clock = std::chrono::steady_clock;
  constexpr auto ProgressEvery = std::chrono::milliseconds(100);
  auto lastProgress = Clock::now();
  RunJob(job, options.Threads, cancel, [&](const TSearchJob<TCollector>& j) {
    if (!sink || Clock::now() - lastProgress < ProgressEvery) return;
    lastProgress = Clock::now();
    sink->FilterProgress(FilterProgressText(static_cast<int32_t>(std::min<int64_t>(j.Found(), ResultLimit))));
  });
  auto cancelled = [&] {
    result.Status = TShrinkStatus::Cancelled;
    if (sink) sink->FilterCancelled();
    return result;
  };
  if (Cancelled(cancel)) return cancelled();

  std::vector<u64> keys;
  for (size_t i = 0; i < job->Count(); ++i) {
    const std::vector<u64>& found = job->Result(i).Keys;
    keys.insert(keys.end(), found.begin(), found.end());
  }
  if (keys.size() > KeyLimit) {
    std::nth_element(keys.begin(), keys.begin() + (KeyLimit - 1), keys.end());
    keys.resize(KeyLimit);
  }
  std::sort(keys.begin(), keys.end());
  // More combinations pass than a run lists: the list is cut.
  result.Capped = keys.size() > ResultLimit;
  if (result.Capped) keys.resize(ResultLimit);
  result.Count = static_cast<int32_t>(keys.size());
  result.Text = FilterEndText(result.Count, result.Capped);
  result.Rows.reserve(keys.size());
  for (size_t i = 0; i < keys.size(); ++i) {
    result.Rows.push_back(RowOfKey(keys[i], s.WithBlue, static_cast<int32_t>(i + 1)));
    if (!sink) continue;
    if (i % 256 == 0 && Cancelled(cancel)) return cancelled();
    sink->FilterRow(result.Rows.back());
    if ((i + 1) % 1000 == 0) sink->FilterProgress(FilterProgressText(static_cast<int32_t>(i + 1)));
  }
  if (sink) sink->FilterEnd(result.Text);
  return result;
}

int64_t CountKeptCombinations(const std::vector<TCdtData>& conditions, const TLottery* reference, int threads,
                              std::string* message, const std::atomic<bool>* cancel) {
  if (std::string why = CheckScheme(conditions, true); !why.empty()) {
    if (message) *message = why;
    return -1;
  }
  const TScheme s = CompileScheme(conditions, reference, false, true);
  const auto job = std::make_shared<TSearchJob<TCounter>>(s, WorkUnits(s));
  RunJob(job, threads, cancel, [](const TSearchJob<TCounter>&) {});
  if (Cancelled(cancel)) return -1;
  int64_t total = 0;
  for (size_t i = 0; i < job->Count(); ++i) total += job->Result(i).Count;
  return total;
}

void SetShrinkHelperPause(void (*pause)()) { HelperPause.store(pause, std::memory_order_release); }
void SetShrinkCallerPause(void (*pause)()) { CallerPause.store(pause, std::memory_order_release); }

// --- TShrinkFilter ------------------------------------------------------------------

TShrinkFilter::~TShrinkFilter() {
  Cancel();
  Wait();
}

void TShrinkFilter::Start(std::vector<TCdtData> conditions, const TShrinkOptions& options, IShrinkFilterSink& sink) {
  Cancel();
  Wait();
  cancel_.store(false, std::memory_order_relaxed);
  running_.store(true, std::memory_order_release);
  worker_ = std::thread([this, conditions = std::move(conditions), options, &sink] {
    RunShrinkFilter(conditions, options, &sink, &cancel_);
    running_.store(false, std::memory_order_release);
  });
}

void TShrinkFilter::Wait() {
  if (worker_.joinable()) worker_.join();
}
