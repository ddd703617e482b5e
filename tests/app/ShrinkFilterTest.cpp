// The shrink filter's behaviour on the cases a user meets: empty and
// excluded schemes, the blue option, positions narrowed to nothing, the
// tolerance passes, the cap, refusals, and runs off the calling thread.
#include "ShrinkReference.h"
#include "ShrinkSupport.h"

#include "app/uShrinkFilter.h"

#include <gtest/gtest.h>

#include <mutex>
#include <set>

using namespace shrinktest;

namespace {

// Records what a run reports, in order.
class TRecorder : public IShrinkFilterSink {
 public:
  void FilterMessage(const std::string& text) override { Note("message " + text); }
  void FilterStarted(bool withBlue) override { Note(withBlue ? "started blue" : "started"); }
  void FilterProgress(const std::string& text) override { Note("progress " + text); }
  void FilterRow(const TShrinkRow& row) override {
    std::lock_guard lock(m_);
    Rows.push_back(row);
  }
  void FilterEnd(const std::string& text) override { Note("end " + text); }
  void FilterCancelled() override { Note("cancelled"); }

  std::vector<std::string> Events;
  std::vector<TShrinkRow> Rows;

 private:
  void Note(const std::string& e) {
    std::lock_guard lock(m_);
    Events.push_back(e);
  }
  std::mutex m_;
};

TShrinkResult Filter(const std::vector<TCdtData>& scheme, bool withBlue = false, int threads = 2,
                     const TLottery* reference = Newest()) {
  TShrinkOptions o;
  o.WithBlue = withBlue;
  o.Reference = reference;
  o.Threads = threads;
  return RunShrinkFilter(scheme, o);
}

std::vector<std::string> Lines(const TShrinkResult& r) {
  std::vector<std::string> lines;
  for (const TShrinkRow& row : r.Rows) lines.push_back(row.Text());
  return lines;
}

// The fast filter and the reference agree on the scheme; returns the fast
// result.
TShrinkResult RunBoth(const std::vector<TCdtData>& scheme, bool withBlue = false, int threads = 2,
                      const TLottery* newest = Newest()) {
  const TShrinkResult fast = Filter(scheme, withBlue, threads, newest);
  TReferenceShrink reference;
  const TReferenceResult ref = reference.Filter(scheme, withBlue, newest);
  EXPECT_TRUE(ref.Ran) << ref.Message;
  EXPECT_EQ(Lines(fast), ref.Lines);
  EXPECT_EQ(fast.Capped, ref.Capped);
  EXPECT_EQ(fast.Text, ref.EndText);
  return fast;
}

TCdtData Excluded(TCdtData c) {
  c.IsSave = false;
  return c;
}

TCdtData Ball(int pos, TIntAry values) {  // the value of a red ball 0..5, or the blue (6)
  if (pos == BluePos) return Cdt("蓝号系列", "蓝号", std::move(values));
  const std::string p = std::to_string(pos + 1);
  return Cdt("红" + p + "号定位", "红球" + p + "号", std::move(values));
}

TCdtData AllAcValues() { return Cdt("红球常规", "AC值", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}); }

}  // namespace

TEST(ShrinkFilter, EmptySchemeIsNotRun) {
  TRecorder sink;
  TShrinkOptions o;
  const TShrinkResult r = RunShrinkFilter({}, o, &sink);
  EXPECT_EQ(r.Status, TShrinkStatus::NoConditions);
  EXPECT_EQ(r.Text, "当前方案中没有条件");
  EXPECT_EQ(sink.Events, std::vector<std::string>{"message 当前方案中没有条件"});
  EXPECT_TRUE(sink.Rows.empty());
}

TEST(ShrinkFilter, ExcludedConditionsTakeNoPartAndTheCapGives5001) {
  const TShrinkResult r = RunBoth({Excluded(Ball(0, {20})), Excluded(Cdt("红球常规", "AC值", {10}))});
  ASSERT_EQ(r.Count, 5001);
  EXPECT_TRUE(r.Capped);
  EXPECT_EQ(r.Text, "过滤结束，取前5001注");
  ASSERT_EQ(r.Rows.size(), 5001u);
  EXPECT_EQ(r.Rows[0].Text(), "1,2,3,4,5,6");
  EXPECT_EQ(r.Rows[1].Text(), "1,2,3,4,5,7");
  for (size_t i = 0; i < r.Rows.size(); ++i) ASSERT_EQ(r.Rows[i].No, static_cast<int32_t>(i + 1));
}

TEST(ShrinkFilter, CapWithoutAFurtherCandidateSaysAll) {
  // The last ball can only be 33: after the 5001st result the last ball's
  // loop has nothing more to try, so the run is not flagged.
  const TShrinkResult r = RunBoth({Ball(5, {33})});
  EXPECT_EQ(r.Count, 5001);
  EXPECT_FALSE(r.Capped);
  EXPECT_EQ(r.Text, "过滤结束，共5001注");
  EXPECT_EQ(r.Rows.back().Balls[5], 33);
}

// The cap flag looks at the last ball's numbers in the pass of the 5001st
// result, tolerance conditions on that ball included.
TEST(ShrinkFilter, CapFlagFollowsTheLastBallInThePassOfTheLastResult) {
  // Pass "0": the last ball is only 20, so nothing follows the 5001st.
  EXPECT_FALSE(RunBoth({Tolerant(Ball(5, {20}))}).Capped);
  // With 21 in the list the search reaches a further candidate.
  EXPECT_TRUE(RunBoth({Tolerant(Ball(5, {21, 20}))}).Capped);
  // Pass "0" lists one combination; the 5001st comes in pass "1", whose
  // last ball is 33 only.
  const TShrinkResult later = RunBoth({Ball(5, {33}), Tolerant(Ball(0, {28}))});
  ASSERT_EQ(later.Count, 5001);
  EXPECT_EQ(later.Rows[0].Text(), "28,29,30,31,32,33");
  EXPECT_EQ(later.Rows[1].Text(), "1,2,3,4,5,33");
  EXPECT_FALSE(later.Capped);
  // The blue ball is the last one with the blue option: pass "01" (the
  // first ball free, the blue 5) holds the 5001st result, and 5 is its only
  // blue number.
  const TShrinkResult blue = RunBoth({Tolerant(Ball(BluePos, {5})), Tolerant(Ball(0, {28})), Ball(5, {33})}, true);
  ASSERT_EQ(blue.Count, 5001);
  EXPECT_EQ(blue.Rows[1].Text(), "1,2,3,4,5,33,5");
  EXPECT_FALSE(blue.Capped);
  // Two blue numbers per red combination: the 5001st has blue 5, and 16
  // follows it.
  const TShrinkResult twoBlues = RunBoth({Tolerant(Ball(BluePos, {16, 5})), Ball(0, {1}), Ball(1, {2})}, true);
  EXPECT_EQ(twoBlues.Rows.back().Balls[BluePos], 5);
  EXPECT_TRUE(twoBlues.Capped);
}

// Tolerance conditions on the blue and the red balls together, the first
// passes keeping only combinations that the search meets late (first ball
// 20 and above), so that the 5001st result lies in a later pass; the same
// rows on one thread and on many.
TEST(ShrinkFilter, BlueAndRedTolerancePassesOnAnyNumberOfThreads) {
  const std::vector<TCdtData> red = {Tolerant(Ball(0, {22, 23, 24, 25})),
                                     Tolerant(Cdt("和值系列", "红球和值", {8, 9, 10, 11, 12})),
                                     Cdt("红球常规", "AC值", {4, 5, 6, 7, 8})};
  const std::vector<TCdtData> blue = {Tolerant(Ball(BluePos, {3, 9})), Tolerant(Ball(0, {20, 21, 22})),
                                      Tolerant(Cdt("红球常规", "AC值", {10})),
                                      Cdt("蓝号系列", "除以3余数", {0, 1})};
  for (int threads : {1, 8}) {
    SCOPED_TRACE(threads);
    const TShrinkResult r = RunBoth(red, false, threads);
    ASSERT_EQ(r.Count, 5001);
    EXPECT_EQ(r.Rows[0].Balls[0], 22);
    EXPECT_LT(r.Rows.back().Balls[0], 22);
    const TShrinkResult b = RunBoth(blue, true, threads);
    ASSERT_EQ(b.Count, 5001);
    EXPECT_EQ(b.Rows[0].Balls[0], 20);
    EXPECT_EQ(b.Rows[0].Balls[BluePos], 3);
    EXPECT_NE(b.Rows.back().Balls[BluePos] % 3, 2);
  }
}

// An empty history: no reference draw, so position amplitudes admit no
// number, repeats and neighbours never match, and the amplitudes of the sum
// and the span are the sum and the span themselves.
TEST(ShrinkFilter, WithoutAReferenceDraw) {
  const TShrinkResult r = RunBoth({Tolerant(Cdt("红2号定位", "振幅", {3, 4})), Tolerant(Cdt("和值系列", "振幅", {0, 1, 2})),
                                   Tolerant(Cdt("跨度系列", "振幅尾", {2, 5})), Tolerant(Cdt("红球常规", "邻码个数", {0})),
                                   Ball(0, {2, 3})},
                                  false, 2, nullptr);
  EXPECT_GT(r.Count, 0);
  for (const TShrinkRow& row : r.Rows) ASSERT_TRUE(row.Balls[0] == 2 || row.Balls[0] == 3);
}

TEST(ShrinkFilter, BlueOptionListsEveryBlueNumberInTurn) {
  const TShrinkResult r = RunBoth({AllAcValues()}, true);
  ASSERT_EQ(r.Count, 5001);
  for (int b = 1; b <= MaxBlue; ++b) EXPECT_EQ(r.Rows[static_cast<size_t>(b - 1)].Text(), "1,2,3,4,5,6," + std::to_string(b));
  EXPECT_EQ(r.Rows[MaxBlue].Text(), "1,2,3,4,5,7,1");
  // A blue condition narrows the blue numbers.
  const TShrinkResult narrowed = RunBoth({AllAcValues(), Cdt("蓝号系列", "尾", {3})}, true);
  EXPECT_EQ(narrowed.Rows[0].Text(), "1,2,3,4,5,6,3");
  EXPECT_EQ(narrowed.Rows[1].Text(), "1,2,3,4,5,6,13");
  EXPECT_EQ(narrowed.Rows[2].Text(), "1,2,3,4,5,7,3");
}

TEST(ShrinkFilter, BlueConditionWithoutTheBlueOptionChangesNothing) {
  const std::vector<TCdtData> red = {Ball(0, {3, 4}), Cdt("红球常规", "连码组数", {2})};
  std::vector<TCdtData> withBlue = red;
  withBlue.push_back(Ball(BluePos, {16}));
  EXPECT_EQ(Lines(RunBoth(withBlue)), Lines(Filter(red)));
}

TEST(ShrinkFilter, PositionNarrowedToNothingYieldsNoCombination) {
  const TShrinkResult r = RunBoth({Ball(2, {10, 11}), Ball(2, {12}), AllAcValues()});
  EXPECT_EQ(r.Count, 0);
  EXPECT_FALSE(r.Capped);
  EXPECT_EQ(r.Text, "过滤结束，共0注");
}

// Each condition on a position admits a set; the position takes what all of
// them admit, whatever their order, so adding a condition never widens.
TEST(ShrinkFilter, ConditionsOnOnePositionIntersectInAnyOrder) {
  const TCdtData value = Ball(0, {1, 2, 3, 4});
  const TCdtData tail = Cdt("红1号定位", "尾", {3, 5});
  const TCdtData amplitude = Cdt("红1号定位", "振幅", {0, 1});  // newest draw's first ball is 3
  const std::vector<TCdtData> rest = {Ball(1, {6}), Ball(2, {7}), Ball(3, {8}), Ball(4, {9})};
  auto firstBalls = [&](std::vector<TCdtData> scheme) {
    scheme.insert(scheme.end(), rest.begin(), rest.end());
    std::set<int32_t> firsts;
    for (const TShrinkRow& row : RunBoth(scheme).Rows) firsts.insert(row.Balls[0]);
    return firsts;
  };
  EXPECT_EQ(firstBalls({value, tail}), (std::set<int32_t>{3}));
  EXPECT_EQ(firstBalls({tail, value}), (std::set<int32_t>{3}));
  EXPECT_EQ(firstBalls({tail}), (std::set<int32_t>{3, 5}));
  EXPECT_EQ(firstBalls({amplitude, tail}), (std::set<int32_t>{3}));
  EXPECT_EQ(firstBalls({tail, amplitude, value}), (std::set<int32_t>{3}));
  EXPECT_EQ(firstBalls({amplitude}), (std::set<int32_t>{2, 3, 4}));
}

// One tolerance condition: pass "0" applies it, pass "1" skips it; a
// combination both passes accept is listed once, in the first.
TEST(ShrinkFilter, ToleranceListsEachCombinationOnceAtItsFirstPass) {
  std::vector<TCdtData> scheme = {Ball(0, {1}), Ball(1, {2}), Ball(2, {3}), Ball(3, {4}), Ball(4, {5}),
                                  Tolerant(Ball(5, {7, 6}))};
  const std::vector<TCdtData> before = scheme;
  const TShrinkResult r = RunBoth(scheme);
  std::vector<std::string> expected = {"1,2,3,4,5,6", "1,2,3,4,5,7"};
  for (int v = 8; v <= 33; ++v) expected.push_back("1,2,3,4,5," + std::to_string(v));
  EXPECT_EQ(Lines(r), expected);
  EXPECT_EQ(r.Text, "过滤结束，共28注");
  // The run keeps its skip state to itself.
  for (size_t i = 0; i < scheme.size(); ++i) EXPECT_EQ(scheme[i].IsRC, before[i].IsRC);
}

// A pass that skips a position's tolerance condition leaves that position
// free (when no other applied condition restricts it).
TEST(ShrinkFilter, SkippedPositionConditionFreesItsPositionInLaterPasses) {
  const TShrinkResult r =
      RunBoth({Tolerant(Ball(0, {1})), Ball(1, {10}), Ball(2, {11}), Ball(3, {12}), Ball(4, {13}), Ball(5, {14})});
  std::vector<std::string> expected;
  for (int v = 1; v <= 9; ++v) expected.push_back(std::to_string(v) + ",10,11,12,13,14");
  EXPECT_EQ(Lines(r), expected);
  // With another applied condition on the position, the skipping pass
  // keeps that one.
  const TShrinkResult r2 = RunBoth(
      {Tolerant(Ball(0, {1})), Cdt("红1号定位", "尾", {1, 2}), Ball(1, {10}), Ball(2, {11}), Ball(3, {12}), Ball(4, {13}),
       Ball(5, {14})});
  EXPECT_EQ(Lines(r2), (std::vector<std::string>{"1,10,11,12,13,14", "2,10,11,12,13,14"}));
}

TEST(ShrinkFilter, PassOrderPutsCombinationsFailingEarlierConditionsLater) {
  // Two tolerance conditions: pass "01" (skipping the second) comes before
  // "10" (skipping the first).
  const TShrinkResult r = RunBoth({Tolerant(Ball(5, {30})), Tolerant(Ball(5, {31})), Ball(0, {1}), Ball(1, {2}),
                                   Ball(2, {3}), Ball(3, {4}), Ball(4, {29})});
  EXPECT_EQ(Lines(r), (std::vector<std::string>{"1,2,3,4,29,30", "1,2,3,4,29,31", "1,2,3,4,29,32",
                                                "1,2,3,4,29,33"}));
}

// A realistic scheme that keeps few combinations, so that every
// combination is examined: alone, with two tolerance conditions, and its
// kept count.
TEST(ShrinkFilter, RealisticSchemeExaminedInFull) {
  const std::vector<TCdtData> a = SchemeA();
  const TShrinkResult r = RunBoth(a);
  EXPECT_EQ(r.Count, 260);
  EXPECT_EQ(r.Text, "过滤结束，共260注");
  EXPECT_EQ(CountKeptCombinations(a, Newest()), 260);
  std::vector<TCdtData> b = a;
  b.push_back(Tolerant(Cdt("红1号定位", "红球1号", Range(1, 6))));
  b.push_back(Tolerant(Cdt("跨度系列", "尾", {2, 5, 8})));
  EXPECT_EQ(RunBoth(b).Count, 260);
}

TEST(ShrinkFilter, TwentyToleranceConditionsRunAndTwentyOneAreRefused) {
  std::vector<TCdtData> scheme;
  for (int i = 0; i < 20; ++i) scheme.push_back(Tolerant(AllAcValues()));
  const TShrinkResult r = RunBoth(scheme);
  EXPECT_EQ(r.Count, 5001);
  EXPECT_EQ(r.Rows[0].Text(), "1,2,3,4,5,6");

  scheme.push_back(Tolerant(AllAcValues()));
  TRecorder sink;
  const TShrinkResult refused = RunShrinkFilter(scheme, TShrinkOptions{}, &sink);
  EXPECT_EQ(refused.Status, TShrinkStatus::Refused);
  EXPECT_NE(refused.Text.find("20"), std::string::npos) << refused.Text;
  EXPECT_EQ(sink.Events, std::vector<std::string>{"message " + refused.Text});
  // Excluded tolerance conditions do not count.
  scheme.back().IsSave = false;
  EXPECT_EQ(Filter(scheme).Status, TShrinkStatus::Done);
}

TEST(ShrinkFilter, ValuesOutsideTheDomainAreRefusedBeforeTheRun) {
  const std::vector<std::vector<TCdtData>> bad = {
      {Cdt("红球常规", "AC值", {11})},
      {Ball(0, {29})},                                 // the first red ball is 1..28
      {Ball(BluePos, {17})},
      {Cdt("高级条件", "号码组", {1, 2, 3}, {7})},     // counts are 0..6
      {Cdt("和值系列", "红球和值", {13})},             // 13 sum ranges
      {Cdt("红2号定位", "除以3余数", {-1})},
  };
  for (const auto& scheme : bad) {
    const TShrinkResult r = Filter(scheme);
    EXPECT_EQ(r.Status, TShrinkStatus::Refused) << scheme[0].Formula->Name();
    EXPECT_NE(r.Text.find("超出范围"), std::string::npos) << r.Text;
    EXPECT_NE(r.Text.find(scheme[0].Formula->Name()), std::string::npos) << r.Text;
    std::string message;
    EXPECT_EQ(CountKeptCombinations(scheme, Newest(), 1, &message), -1);
    EXPECT_EQ(message, r.Text);
  }
  // An excluded condition is not looked at by the filter.
  EXPECT_EQ(Filter({Excluded(Cdt("红球常规", "AC值", {11})), AllAcValues()}).Status, TShrinkStatus::Done);
  TCdtData noIndicator;
  noIndicator.IsSave = true;
  EXPECT_EQ(Filter({noIndicator}).Status, TShrinkStatus::Refused);
}

// Rows missing from a scheme file's condition choose nothing.
TEST(ShrinkFilter, MissingValueRowsChooseNothing) {
  TCdtData noRows = Cdt("红球常规", "AC值", {});
  noRows.Values.clear();
  EXPECT_EQ(RunBoth({noRows}).Count, 0);
  TCdtData noCounts = Cdt("高级条件", "号码组", {1, 2, 3});
  noCounts.Values.resize(1);
  EXPECT_EQ(RunBoth({noCounts}).Count, 0);
  TCdtData noPosition = Ball(2, {});
  noPosition.Values.clear();
  EXPECT_EQ(RunBoth({noPosition, Tolerant(AllAcValues())}).Count, 0);
  TReferenceShrink reference;
  EXPECT_EQ(CountKeptCombinations({noCounts}, Newest()), reference.KeptCount({noCounts}, Newest()));
}

TEST(ShrinkFilter, RunningTwiceGivesTheSameRows) {
  const std::vector<TCdtData> scheme = {Cdt("红球常规", "重码个数", {1, 2}), Tolerant(Cdt("跨度系列", "尾", {3})),
                                        Tolerant(Ball(0, {5, 6, 7}))};
  const TShrinkResult first = Filter(scheme, false, 1);
  EXPECT_EQ(Lines(Filter(scheme, false, 1)), Lines(first));
  EXPECT_EQ(Lines(Filter(scheme, false, 4)), Lines(first));
}

TEST(ShrinkFilter, SinkHearsStartRowsProgressAndEnd) {
  TRecorder sink;
  TShrinkOptions o;
  o.Reference = Newest();
  const TShrinkResult r = RunShrinkFilter({AllAcValues()}, o, &sink);
  ASSERT_EQ(sink.Rows.size(), 5001u);
  EXPECT_EQ(sink.Rows[4999].No, 5000);
  EXPECT_EQ(sink.Rows[4999].Text(), r.Rows[4999].Text());
  ASSERT_GE(sink.Events.size(), 3u);
  EXPECT_EQ(sink.Events.front(), "started");
  EXPECT_EQ(sink.Events.back(), "end 过滤结束，取前5001注");
  const std::vector<std::string> progress(sink.Events.begin() + 1, sink.Events.end() - 1);
  EXPECT_NE(std::find(progress.begin(), progress.end(), "progress 正在过滤，当前共5000注"), progress.end());
  for (const std::string& e : progress) EXPECT_EQ(e.rfind("progress 正在过滤，当前共", 0), 0u) << e;
}

TEST(ShrinkFilter, CancelledRunReportsCancelledAndNoRows) {
  TRecorder sink;
  std::atomic<bool> cancel{true};
  const TShrinkResult r = RunShrinkFilter({AllAcValues()}, TShrinkOptions{}, &sink, &cancel);
  EXPECT_EQ(r.Status, TShrinkStatus::Cancelled);
  EXPECT_EQ(sink.Events, (std::vector<std::string>{"started", "cancelled"}));
  EXPECT_TRUE(sink.Rows.empty());
  EXPECT_EQ(CountKeptCombinations({AllAcValues()}, Newest(), 2, nullptr, &cancel), -1);
}

TEST(ShrinkFilter, RunsOffTheCallingThread) {
  const std::vector<TCdtData> scheme = {Cdt("红球常规", "邻码个数", {2}), Tolerant(Cdt("和值系列", "尾", {5}))};
  TShrinkOptions o;
  o.Reference = Newest();
  const TShrinkResult direct = RunShrinkFilter(scheme, o);

  TRecorder sink;
  TShrinkFilter filter;
  filter.Start(scheme, o, sink);
  filter.Wait();
  EXPECT_FALSE(filter.Running());
  EXPECT_EQ(sink.Events.back(), "end " + direct.Text);
  ASSERT_EQ(sink.Rows.size(), direct.Rows.size());
  for (size_t i = 0; i < sink.Rows.size(); ++i) ASSERT_EQ(sink.Rows[i].Text(), direct.Rows[i].Text());

  // A new start while a run is going cancels or finishes it first; every
  // run ends exactly once.
  TRecorder a, b;
  o.WithBlue = true;
  filter.Start(scheme, o, a);
  filter.Cancel();
  filter.Start(scheme, o, b);
  filter.Wait();
  auto ends = [](const TRecorder& r) {
    return std::count_if(r.Events.begin(), r.Events.end(),
                         [](const std::string& e) { return e == "cancelled" || e.rfind("end ", 0) == 0; });
  };
  EXPECT_EQ(ends(a), 1);
  EXPECT_EQ(b.Events.back().rfind("end ", 0), 0u);
}

TEST(ShrinkFilter, SnapshotCopiesTheConditionList) {
  TCdtList list;
  list.Add(std::make_unique<TCdtData>(Tolerant(AllAcValues())));
  std::vector<TCdtData> copy = SnapshotConditions(list);
  ASSERT_EQ(copy.size(), 1u);
  list.GetItem(0)->Values[0] = {3};
  EXPECT_EQ(copy[0].Values[0].size(), 11u);
  EXPECT_EQ(copy[0].CdtNo, 1);
  EXPECT_TRUE(copy[0].IsRC);
}

TEST(ShrinkFilter, Texts) {
  EXPECT_EQ(FilterProgressText(12), "正在过滤，当前共12注");
  EXPECT_EQ(FilterEndText(5001, true), "过滤结束，取前5001注");
  EXPECT_EQ(FilterEndText(7, false), "过滤结束，共7注");
  EXPECT_EQ(KeptCountText(260), "有效注数260/1107568");
  TShrinkRow row;
  row.Balls = {1, 12, 23, 24, 30, 33, 16};
  EXPECT_EQ(row.Text(), "1,12,23,24,30,33");
  row.HasBlue = true;
  EXPECT_EQ(row.Text(), "1,12,23,24,30,33,16");
}
