// The shrink filter on the cases a user meets, each run compared with the
// step-by-step reference: excluded conditions, the cap and its flag, the
// blue option, positions narrowed to nothing, the tolerance passes, runs
// without a reference draw; then refusals, the reports, runs off the
// calling thread, and helper threads held up at random or held on purpose
// (in one run and let go in the next, while the run is cancelled, after
// the filter is gone).
#include "ShrinkReference.h"
#include "ShrinkSupport.h"

#include "app/uShrinkFilter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <random>
#include <set>
#include <thread>
#include <utility>

#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

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
    Rows.push_back(row.Text());
  }
  void FilterEnd(const std::string& text) override { Note("end " + text); }
  void FilterCancelled() override { Note("cancelled"); }
  std::vector<std::string> Events, Rows;

 private:
  void Note(const std::string& e) {
    std::lock_guard lock(m_);
    Events.push_back(e);
  }
  std::mutex m_;
};

std::vector<std::string> Lines(const TShrinkResult& r) {
  std::vector<std::string> lines;
  for (const TShrinkRow& row : r.Rows) lines.push_back(row.Text());
  return lines;
}

TShrinkResult Filter(const std::vector<TCdtData>& scheme, bool withBlue = false, int threads = 2,
                     const TLottery* reference = Newest()) {
  return RunShrinkFilter(scheme, TShrinkOptions{withBlue, reference, threads});
}

// The fast filter, on many threads and on one, agrees with the reference;
// returns its result.
TShrinkResult RunBoth(const std::vector<TCdtData>& scheme, bool withBlue = false, const TLottery* reference = Newest()) {
  const TReferenceResult ref = TReferenceShrink().Filter(scheme, withBlue, reference);
  EXPECT_TRUE(ref.Ran) << ref.Message;
  TShrinkResult fast;
  for (int threads : {8, 1}) {
    fast = Filter(scheme, withBlue, threads, reference);
    EXPECT_EQ(Lines(fast), ref.Lines) << threads << " threads";
    EXPECT_EQ(fast.Capped, ref.MorePass);
    EXPECT_EQ(fast.Text, EndText(ref.Count, ref.MorePass));
    for (size_t i = 0; i < fast.Rows.size(); ++i) EXPECT_EQ(fast.Rows[i].No, static_cast<int32_t>(i + 1));
  }
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

TCdtData AllAcValues() { return Cdt("红球常规", "AC值", Range(0, 10)); }

TCdtData NoRows(TCdtData c, size_t rows = 0) {  // value rows missing from a scheme file
  c.Values.resize(rows);
  return c;
}

// The conditions and one value for each red ball given (0 leaves it free).
std::vector<TCdtData> Fixed(std::vector<int32_t> balls, std::vector<TCdtData> more = {}) {
  for (size_t p = 0; p < balls.size(); ++p)
    if (balls[p]) more.push_back(Ball(static_cast<int>(p), {balls[p]}));
  return more;
}

std::vector<TCdtData> TwentyTolerant() { return std::vector<TCdtData>(20, Tolerant(AllAcValues())); }

}  // namespace

// Each scheme's rows and count match the reference's, and its end text
// says whether more combinations pass; the count and the flag show the
// scheme reaches its case.
TEST(ShrinkFilter, SchemesAgreeWithTheReference) {
  const std::vector<TCdtData> redPasses = {Tolerant(Ball(0, {22, 23, 24, 25})),
                                           Tolerant(Cdt("和值系列", "红球和值", {8, 9, 10, 11, 12})),
                                           Cdt("红球常规", "AC值", {4, 5, 6, 7, 8})};
  const std::vector<TCdtData> bluePasses = {Tolerant(Ball(BluePos, {3, 9})), Tolerant(Ball(0, {20, 21, 22})),
                                            Tolerant(Cdt("红球常规", "AC值", {10})),
                                            Cdt("蓝号系列", "除以3余数", {0, 1})};
  const std::vector<TCdtData> noReference = {
      Tolerant(Cdt("红2号定位", "振幅", {3, 4})), Tolerant(Cdt("和值系列", "振幅", {0, 1, 2})),
      Tolerant(Cdt("跨度系列", "振幅尾", {2, 5})), Tolerant(Cdt("红球常规", "邻码个数", {0})), Ball(0, {2, 3})};
  // Training at 2024011 (8 12 16 20 27 31): red 1 is 8 again, and four
  // more of its numbers with one of the 20 others: C(5, 4) * 20.
  const TLottery* earlier = &*std::find_if(History().begin(), History().end(),
                                           [](const TLottery& d) { return d.DateNo == 2024011; });
  std::vector<TCdtData> schemeB = SchemeA();
  schemeB.push_back(Tolerant(Cdt("红1号定位", "红球1号", Range(1, 6))));
  schemeB.push_back(Tolerant(Cdt("跨度系列", "尾", {2, 5, 8})));
  const struct {
    const char* what;
    std::vector<TCdtData> scheme;
    bool blue;
    int count;
    bool capped;
    const TLottery* reference = Newest();
  } cases[] = {
      {"excluded conditions take no part", {Excluded(Ball(0, {20})), Excluded(Cdt("红球常规", "AC值", {10}))}, false,
       5001, true},
      // Every row of these is on the list, but more pass.
      {"last ball 33 only", {Ball(5, {33})}, false, 5001, true},
      {"last ball 20 only in pass 0", {Tolerant(Ball(5, {20}))}, false, 5001, true},
      {"21 follows in pass 0", {Tolerant(Ball(5, {21, 20}))}, false, 5001, true},
      {"5001st in pass 1", {Ball(5, {33}), Tolerant(Ball(0, {28}))}, false, 5001, true},
      {"blue last, 5 only", {Tolerant(Ball(BluePos, {5})), Tolerant(Ball(0, {28})), Ball(5, {33})}, true, 5001, true},
      {"blue 16 follows 5", {Tolerant(Ball(BluePos, {16, 5})), Ball(0, {1}), Ball(1, {2})}, true, 5001, true},
      // Passes keeping combinations the search meets late, so the 5001st
      // result lies in a later pass.
      {"red passes", redPasses, false, 5001, true},
      {"red and blue passes", bluePasses, true, 5001, true},
      // No reference draw: position amplitudes admit nothing, neighbours
      // never match, the sum's and span's amplitudes are the measures.
      {"no reference draw", noReference, false, 5001, true, nullptr},
      {"an earlier draw", {Cdt("红1号定位", "振幅", {0}), Cdt("红球常规", "重码个数", {5})}, false, 100, false, earlier},
      {"every blue in turn", {AllAcValues()}, true, 5001, true},
      {"blue narrowed", {AllAcValues(), Cdt("蓝号系列", "尾", {3})}, true, 5001, true},
      {"position narrowed to nothing", {Ball(2, {10, 11}), Ball(2, {12}), AllAcValues()}, false, 0, false},
      // Pass "0" applies the tolerance condition, pass "1" skips it; a
      // combination both accept is listed once, in the first.
      {"listed once", Fixed({1, 2, 3, 4, 5}, {Tolerant(Ball(5, {7, 6}))}), false, 28, false},
      {"skipped position is free", Fixed({0, 10, 11, 12, 13, 14}, {Tolerant(Ball(0, {1}))}), false, 9, false},
      {"skipped position keeps its other condition",
       Fixed({0, 10, 11, 12, 13, 14}, {Tolerant(Ball(0, {1})), Cdt("红1号定位", "尾", {1, 2})}), false, 2, false},
      {"pass 01 before 10", Fixed({1, 2, 3, 4, 29}, {Tolerant(Ball(5, {30})), Tolerant(Ball(5, {31}))}), false, 4,
       false},
      {"realistic scheme", SchemeA(), false, 260, false},
      {"realistic scheme with tolerance", schemeB, false, 260, false},
      {"twenty tolerance conditions", TwentyTolerant(), false, 5001, true},
      {"no value rows", {NoRows(AllAcValues())}, false, 0, false},
      {"no count row", {NoRows(Cdt("高级条件", "号码组", {1, 2, 3}), 1)}, false, 0, false},
      {"no rows on a position", {NoRows(Ball(2, {})), Tolerant(AllAcValues())}, false, 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const TShrinkResult r = RunBoth(c.scheme, c.blue, c.reference);
    EXPECT_EQ(std::pair(r.Count, r.Capped), std::pair(c.count, c.capped));
  }
  EXPECT_EQ(CountKeptCombinations(SchemeA(), Newest()), 260);
}

// The end text against the number of combinations that pass: "取前" exactly
// when more than the 5001 listed do. The reference keeps the first rule,
// which looked only for a further number of the last ball in the 5001st
// row's pass, and was wrong both ways.
TEST(ShrinkFilter, EndTextSaysWhetherMoreThan5001Pass) {
  // With the first two balls 1 and 2 and the last one v, C(v - 3, 3)
  // combinations pass: 1 + 4 + 120 + 816 + 4060 = 5001 for v in 6, 7, 13,
  // 21, 33, and 4 + 84 + 120 + 1140 + 3654 = 5002 for 7, 12, 13, 23, 32.
  const auto lastOf = [](TIntAry last, std::vector<TCdtData> more = {}) {
    return Fixed({1, 2}, [&] {
      more.push_back(Ball(5, std::move(last)));
      return more;
    }());
  };
  const struct {
    const char* what;
    std::vector<TCdtData> scheme;
    int64_t passing;
    const char* last;  // the 5001st row
    const char* next;  // the first combination not listed
    bool firstRuleCapped;
  } cases[] = {
      {"cut with a different fifth ball next", {Ball(5, {33})}, 201376, "1,3,6,17,24,33", "1,3,6,17,25,33", false},
      {"exactly 5001", lastOf({6, 7, 13, 21, 33}), 5001, "1,2,30,31,32,33", "", false},
      // Pass 0 keeps the 4060 with 33 last, pass 1 adds the 941 others.
      {"exactly 5001 in two passes", lastOf({6, 7, 13, 21, 33}, {Tolerant(Ball(5, {33}))}), 5001, "1,2,18,19,20,21",
       "", true},
      {"5002", lastOf({7, 12, 13, 23, 32}), 5002, "1,2,28,30,31,32", "1,2,29,30,31,32", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const bool more = c.passing > 5001;
    std::vector<TCdtData> hard;  // the conditions of the last pass
    std::copy_if(c.scheme.begin(), c.scheme.end(), std::back_inserter(hard), [](const TCdtData& d) { return !d.IsRC; });
    EXPECT_EQ(CountKeptCombinations(hard, Newest()), c.passing);
    const TShrinkResult r = RunBoth(c.scheme);
    ASSERT_EQ(r.Rows.size(), 5001u);
    EXPECT_EQ(r.Rows.back().Text(), c.last);
    EXPECT_EQ(r.Capped, more);
    EXPECT_EQ(r.Text, more ? "过滤结束，取前5001注" : "过滤结束，共5001注");
    const TReferenceResult ref = TReferenceShrink().Filter(c.scheme, false, Newest());
    EXPECT_EQ(ref.Next, c.next);
    EXPECT_EQ(ref.Capped, c.firstRuleCapped);
  }
}

// Each condition on a position admits a set; the position takes what all of
// them admit, whatever their order. A blue condition without the blue
// option changes nothing.
TEST(ShrinkFilter, ConditionsOnOnePositionIntersectInAnyOrder) {
  const TCdtData value = Ball(0, {1, 2, 3, 4});
  const TCdtData tail = Cdt("红1号定位", "尾", {3, 5});
  const TCdtData amplitude = Cdt("红1号定位", "振幅", {0, 1});  // the newest draw's first ball is 3
  const std::pair<std::vector<TCdtData>, std::set<int32_t>> cases[] = {
      {{value, tail}, {3}},      {{tail, value}, {3}},          {{tail}, {3, 5}},
      {{amplitude, tail}, {3}},  {{tail, amplitude, value}, {3}}, {{amplitude}, {2, 3, 4}},
  };
  for (const auto& [conditions, firsts] : cases) {
    std::set<int32_t> got;
    for (const TShrinkRow& row : RunBoth(Fixed({0, 6, 7, 8, 9}, conditions)).Rows) got.insert(row.Balls[0]);
    EXPECT_EQ(got, firsts) << conditions.size();
  }
  const std::vector<TCdtData> red = {Ball(0, {3, 4}), Cdt("红球常规", "连码组数", {2})};
  EXPECT_EQ(Lines(RunBoth({red[0], red[1], Ball(BluePos, {16})})), Lines(Filter(red)));
}

// Refused schemes report one message and nothing else; the kept count
// refuses values outside the domain with the same message.
TEST(ShrinkFilter, RefusedSchemesSayWhy) {
  std::vector<TCdtData> tooMany = TwentyTolerant();
  tooMany.push_back(Tolerant(AllAcValues()));
  TCdtData noIndicator;
  noIndicator.IsSave = true;
  const struct {
    std::vector<TCdtData> scheme;
    TShrinkStatus status;
    std::string text;  // a part of the message
    bool countRefused;
  } cases[] = {
      {{}, TShrinkStatus::NoConditions, "当前方案中没有条件", false},
      {tooMany, TShrinkStatus::Refused, "容错条件最多20个，当前方案有21个", false},
      {{Cdt("红球常规", "AC值", {11})}, TShrinkStatus::Refused, "第1个条件（红球常规 AC值）的取值超出范围", true},
      {{AllAcValues(), Ball(0, {29})}, TShrinkStatus::Refused, "第2个条件（红1号定位 红球1号）的取值超出范围", true},
      {{Ball(BluePos, {17})}, TShrinkStatus::Refused, "蓝号", true},
      {{Cdt("高级条件", "号码组", {1, 2, 3}, {7})}, TShrinkStatus::Refused, "号码组", true},  // counts are 0..6
      {{Cdt("和值系列", "红球和值", {13})}, TShrinkStatus::Refused, "红球和值", true},         // 13 sum ranges
      {{Cdt("红2号定位", "除以3余数", {-1})}, TShrinkStatus::Refused, "除以3余数", true},
      {{noIndicator}, TShrinkStatus::Refused, "第1个条件没有指标", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    TRecorder sink;
    const TShrinkResult r = RunShrinkFilter(c.scheme, TShrinkOptions{}, &sink);
    EXPECT_EQ(r.Status, c.status);
    EXPECT_NE(r.Text.find(c.text), std::string::npos) << r.Text;
    EXPECT_EQ(sink.Events, std::vector<std::string>{"message " + r.Text});
    EXPECT_TRUE(sink.Rows.empty());
    std::string message;
    EXPECT_EQ(CountKeptCombinations(c.scheme, Newest(), 1, &message) == -1, c.countRefused);
    EXPECT_EQ(message, c.countRefused ? r.Text : "");
  }
  // Excluded conditions are not looked at.
  tooMany.back().IsSave = false;
  EXPECT_EQ(Filter(tooMany).Status, TShrinkStatus::Done);
  EXPECT_EQ(Filter({Excluded(Cdt("红球常规", "AC值", {11})), AllAcValues()}).Status, TShrinkStatus::Done);
}

TEST(ShrinkFilter, SinkHearsStartRowsProgressAndEnd) {
  TRecorder sink;
  const TShrinkResult r = RunShrinkFilter({AllAcValues()}, TShrinkOptions{false, Newest()}, &sink);
  EXPECT_EQ(sink.Rows, Lines(r));
  ASSERT_GE(sink.Events.size(), 3u);
  EXPECT_EQ(sink.Events.front(), "started");
  EXPECT_EQ(sink.Events.back(), "end 过滤结束，取前5001注");
  const std::vector<std::string> progress(sink.Events.begin() + 1, sink.Events.end() - 1);
  EXPECT_NE(std::find(progress.begin(), progress.end(), "progress 正在过滤，当前共5000注"), progress.end());
  for (const std::string& e : progress) EXPECT_EQ(e.rfind("progress 正在过滤，当前共", 0), 0u) << e;

  std::atomic<bool> cancel{true};
  TRecorder cancelled;
  EXPECT_EQ(RunShrinkFilter({AllAcValues()}, TShrinkOptions{}, &cancelled, &cancel).Status, TShrinkStatus::Cancelled);
  EXPECT_EQ(cancelled.Events, (std::vector<std::string>{"started", "cancelled"}));
  EXPECT_TRUE(cancelled.Rows.empty());
  EXPECT_EQ(CountKeptCombinations({AllAcValues()}, Newest(), 2, nullptr, &cancel), -1);
}

namespace {
// What the helpers note at their pauses is noted under one lock. A test has
// the caller of a search wait at its own pause (SetShrinkCallerPause) until
// the helpers have done what the test checks, so that it comes before the
// caller searches anything, however the system schedules the threads
// (helpers run only on free processors: on a busy one a helper may wait
// seconds for each turn). What the pauses use is never destroyed: a helper
// may call one after its test, as the program ends.
std::mutex& noted = *new std::mutex;
std::condition_variable& changed = *new std::condition_variable;
// Under `noted`; none: the caller goes on at once.
std::function<bool()>& callerWaitsFor = *new std::function<bool()>;

// The caller's pause: it waits for callerWaitsFor, a minute at most (the
// test then finds what it waited for missing).
void CallerWaits() {
  std::unique_lock lock(noted);
  if (callerWaitsFor) changed.wait_for(lock, std::chrono::minutes(1), [] { return callerWaitsFor(); });
}

void CallerWaitsFor(std::function<bool()> ready) {
  std::lock_guard lock(noted);
  callerWaitsFor = std::move(ready);
}

// While helpersStopped holds, every helper that calls it stays stopped.
bool helpersStopped = false;  // under `noted`
std::atomic<int> pauses{0};
void StopHelper() {
  std::unique_lock lock(noted);
  pauses.fetch_add(1);
  changed.notify_all();
  changed.wait(lock, [] { return !helpersStopped; });
}
}  // namespace

// Helpers that the system stops in the middle of a search hold nothing up:
// the calling thread searches their units itself, with the same rows and
// counts as on one thread. Let go after the runs, the helpers finish their
// units of searches long over without harm.
TEST(ShrinkFilter, StoppedHelperHoldsNothingUp) {
  const struct {
    std::vector<TCdtData> scheme;
    bool count;
  } cases[] = {{SchemeB(), false}, {SchemeT(5), false}, {SchemeA(), true}};
  auto run = [](const std::vector<TCdtData>& scheme, bool count, int threads) {
    if (count) return std::vector<std::string>{std::to_string(CountKeptCombinations(scheme, Newest(), threads))};
    const TShrinkResult r = Filter(scheme, false, threads);
    std::vector<std::string> lines = Lines(r);
    lines.push_back(r.Text);
    return lines;
  };
  std::vector<std::vector<std::string>> expected;
  for (const auto& c : cases) expected.push_back(run(c.scheme, c.count, 1));
  {
    std::lock_guard lock(noted);
    helpersStopped = true;
  }
  pauses = 0;
  SetShrinkHelperPause(StopHelper);
  CallerWaitsFor([] { return pauses.load() > 0; });
  SetShrinkCallerPause(CallerWaits);
  struct TLetGo {  // also when an assertion ends the test early
    bool done = false;
    void Release() {
      if (std::exchange(done, true)) return;
      SetShrinkHelperPause(nullptr);
      SetShrinkCallerPause(nullptr);
      CallerWaitsFor(nullptr);
      {
        std::lock_guard lock(noted);
        helpersStopped = false;
      }
      changed.notify_all();
    }
    ~TLetGo() { Release(); }
  } helper;
  // A helper stops in the first run, its caller waiting for that; the next
  // runs have it stopped still.
  for (size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    auto runs = std::async(std::launch::async, run, c.scheme, c.count, 8);
    const bool ended = runs.wait_for(std::chrono::minutes(2)) == std::future_status::ready;
    if (!ended) helper.Release();  // or the run never ends
    ASSERT_TRUE(ended) << "the run waits for the stopped helpers";
    EXPECT_EQ(runs.get(), expected[i]);
    ASSERT_GT(pauses.load(), 0) << "no helper took a unit";
  }
  helper.Release();
  for (size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(run(cases[i].scheme, cases[i].count, 8), expected[i]);
}

// Off the calling thread, again and again on the kept worker pool: the same
// rows; a new start while a run is going ends that run exactly once.
TEST(ShrinkFilter, RunsOffTheCallingThread) {
  const std::vector<TCdtData> scheme = {Cdt("红球常规", "邻码个数", {2}), Tolerant(Cdt("和值系列", "尾", {5})),
                                        Tolerant(Ball(0, {5, 6, 7}))};
  const TShrinkOptions o{false, Newest()};
  const TShrinkResult direct = RunShrinkFilter(scheme, o);
  struct TWaiting : TRecorder {  // holds the run at its start until told
    void FilterStarted(bool withBlue) override {
      go.get_future().wait();
      TRecorder::FilterStarted(withBlue);
    }
    std::promise<void> go;
  } sink;
  TShrinkFilter filter;
  filter.Start(scheme, o, sink);
  EXPECT_TRUE(filter.Running());
  sink.go.set_value();
  filter.Wait();
  EXPECT_FALSE(filter.Running());
  EXPECT_EQ(sink.Events.back(), "end " + direct.Text);
  EXPECT_EQ(sink.Rows, Lines(direct));

  TRecorder a, b;
  filter.Start(scheme, TShrinkOptions{true, Newest()}, a);
  filter.Cancel();
  filter.Start(scheme, o, b);
  filter.Wait();
  EXPECT_EQ(std::count_if(a.Events.begin(), a.Events.end(),
                          [](const std::string& e) { return e == "cancelled" || e.rfind("end ", 0) == 0; }),
            1);
  EXPECT_EQ(b.Rows, Lines(direct));
}

namespace {
// Stops the helper that calls it for a moment now and then (up to half a
// millisecond), at random: copies of a unit overlap and end close together,
// bounds move while units run, the caller takes units over.
void JitterHelper() {
  thread_local std::minstd_rand rng(static_cast<uint32_t>(std::hash<std::thread::id>{}(std::this_thread::get_id())));
  const unsigned r = static_cast<unsigned>(rng() % 8);
  if (r < 4)
    std::this_thread::sleep_for(std::chrono::microseconds(r * 150));
  else if (r < 6)
    std::this_thread::yield();
}
}  // namespace

// Helpers held up at random before their units: every run on many threads
// gives the rows, their order and the end text of one thread, whether the
// cap falls in pass 0 or a later one, with or without the blue.
TEST(ShrinkFilter, HelpersHeldUpAtRandomChangeNoRow) {
  const struct {
    const char* what;
    std::vector<TCdtData> scheme;
    bool blue;
  } cases[] = {
      {"B", SchemeB(), false},
      {"T10", SchemeT(10), false},
      {"T20", SchemeT(20), false},
      {"cut in the first unit", {AllAcValues()}, false},
      {"cut far on", {Ball(5, {33})}, false},
      {"cut in pass 1", {Ball(5, {33}), Tolerant(Ball(0, {28}))}, false},
      {"blue", {Tolerant(Ball(BluePos, {5})), Tolerant(Ball(0, {28})), Ball(5, {33})}, true},
  };
  SetShrinkHelperPause(JitterHelper);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const TShrinkResult one = Filter(c.scheme, c.blue, 1);
    for (int rep = 0; rep < 3; ++rep)
      for (int threads : {8, 3}) {
        const TShrinkResult r = Filter(c.scheme, c.blue, threads);
        EXPECT_EQ(Lines(r), Lines(one)) << threads;
        EXPECT_EQ(r.Text, one.Text);
      }
  }
  const int64_t count = CountKeptCombinations(SchemeA(), Newest(), 1);
  for (int rep = 0; rep < 6; ++rep) EXPECT_EQ(CountKeptCombinations(SchemeA(), Newest(), 8), count);
  SetShrinkHelperPause(nullptr);
}

namespace {
// A run's rows and end text.
std::vector<std::string> Outcome(const std::vector<TCdtData>& scheme, int threads) {
  const TShrinkResult r = Filter(scheme, false, threads);
  std::vector<std::string> lines = Lines(r);
  lines.push_back(r.Text);
  return lines;
}
std::vector<std::string> RunOne(const std::vector<TCdtData>& scheme) { return Outcome(scheme, 1); }
std::vector<std::string> Run8(const std::vector<TCdtData>& scheme) { return Outcome(scheme, 8); }

// How a helper is scheduled, noted at its units.
std::atomic<int> helperPolicy{-1}, helperNice{0};
void NoteHelperPolicy() {
  std::lock_guard lock(noted);
  helperNice.store(getpriority(PRIO_PROCESS, static_cast<id_t>(gettid())), std::memory_order_relaxed);
  helperPolicy.store(sched_getscheduler(0), std::memory_order_release);
  changed.notify_all();
}

// Holds helpers where they call the pause: while `stop` holds, the first
// helper to come (every one with `all`) stays there until let go; with
// `freeOnNext`, the next helper to come lets them go. While `awaited` is
// set, every other helper waits until that one has come. Each call is
// noted. Under `noted`.
struct THold {
  bool stop = false, all = false, freeOnNext = false;
  int held = 0;
  std::thread::id first;              // the first helper held
  std::thread::id awaited;
  std::vector<std::thread::id> came;  // every call, in order
  std::function<void()> onHold;       // run by a helper as it stops
};
THold& hold = *new THold;

void HoldHelper() {
  const std::thread::id me = std::this_thread::get_id();
  std::unique_lock lock(noted);
  hold.came.push_back(me);
  if (hold.awaited == me) hold.awaited = {};
  changed.notify_all();
  changed.wait(lock, [] { return hold.awaited == std::thread::id{}; });
  if (hold.freeOnNext && hold.held > 0) {
    hold.stop = hold.freeOnNext = false;
    changed.notify_all();
    return;
  }
  if (!hold.stop || (!hold.all && hold.first != std::thread::id{})) return;
  if (hold.first == std::thread::id{}) hold.first = me;
  ++hold.held;
  if (hold.onHold) hold.onHold();
  changed.notify_all();
  changed.wait(lock, [] { return !hold.stop; });
  --hold.held;
  changed.notify_all();
}

class ShrinkHelpers : public ::testing::Test {
 protected:
  void SetUp() override {
    std::lock_guard lock(noted);
    hold.stop = true;
    hold.all = hold.freeOnNext = false;
    hold.first = hold.awaited = {};
    hold.came.clear();
    hold.onHold = nullptr;
    SetShrinkHelperPause(HoldHelper);
    SetShrinkCallerPause(CallerWaits);
  }
  // Also when an assertion ends a test early: no helper stays held.
  void TearDown() override {
    LetGo();
    SetShrinkCallerPause(nullptr);
    SetShrinkHelperPause(nullptr);
    std::unique_lock lock(noted);
    changed.wait(lock, [] { return hold.held == 0; });
    hold.onHold = nullptr;
    callerWaitsFor = nullptr;
  }
  static void LetGo() {
    std::lock_guard lock(noted);
    hold.stop = false;
    hold.awaited = {};
    changed.notify_all();
  }
  static int Held() {
    std::lock_guard lock(noted);
    return hold.held;
  }
  // Whether the work ends within two minutes (its caller may wait one for
  // the helpers); if not, the held helpers are let go so that it can.
  template <class T>
  static bool EndsSoon(std::future<T>& f) {
    if (f.wait_for(std::chrono::minutes(2)) == std::future_status::ready) return true;
    LetGo();
    return false;
  }
  // One run of the scheme in which the first helper held, let go, comes for
  // a unit: it has left the search it was held in. The caller and every
  // other helper wait for it, so that it finds a unit left.
  static void ExpectTheFirstBack(const std::vector<TCdtData>& scheme, const std::vector<std::string>& want) {
    size_t from = 0;
    {
      std::lock_guard lock(noted);
      ASSERT_NE(hold.first, std::thread::id{}) << "no helper was held";
      from = hold.came.size();
      hold.awaited = hold.first;
      callerWaitsFor = [] { return hold.awaited == std::thread::id{}; };
    }
    EXPECT_EQ(Run8(scheme), want);
    std::lock_guard lock(noted);
    hold.awaited = {};
    callerWaitsFor = nullptr;
    changed.notify_all();
    EXPECT_NE(std::find(hold.came.begin() + static_cast<ptrdiff_t>(from), hold.came.end(), hold.first), hold.came.end())
        << "the helper let go never came back";
  }
};

// What a sink heard last: "cancelled" or the end text, once.
std::vector<std::string> Terminal(const std::vector<std::string>& events) {
  std::vector<std::string> t;
  for (const std::string& e : events)
    if (e == "cancelled" || e.rfind("end ", 0) == 0) t.push_back(e);
  return t;
}
}  // namespace

// A helper held in one run, its unit searched by the caller, is let go in
// the middle of the next run: both runs give the rows of one thread, and
// the helper finishes its unit of the search long over and comes back.
TEST_F(ShrinkHelpers, HeldInOneRunLetGoInTheNext) {
  const std::vector<TCdtData> first = SchemeB(), second = SchemeT(10);
  const std::vector<std::string> wantFirst = RunOne(first), wantSecond = RunOne(second);
  CallerWaitsFor([] { return hold.held > 0; });
  auto run = std::async(std::launch::async, Run8, first);
  ASSERT_TRUE(EndsSoon(run)) << "the run waits for the held helper";
  EXPECT_EQ(run.get(), wantFirst);
  ASSERT_GT(Held(), 0) << "no helper took a unit";
  {
    std::lock_guard lock(noted);
    hold.freeOnNext = true;
    callerWaitsFor = [] { return hold.held == 0; };
  }
  auto next = std::async(std::launch::async, Run8, second);
  ASSERT_TRUE(EndsSoon(next));
  EXPECT_EQ(next.get(), wantSecond);
  ASSERT_EQ(Held(), 0) << "no helper of the next run came";
  ExpectTheFirstBack(second, wantSecond);
}

// Cancelled while every helper that took a unit is held: the run ends at
// once, cancelled, and says so once; a filter destroyed while its helpers
// are held cancels and returns.
TEST_F(ShrinkHelpers, CancelledWhileHelpersAreHeld) {
  const std::vector<TCdtData> scheme = SchemeT(20);
  const std::vector<std::string> want = RunOne(scheme);
  TShrinkFilter filter;
  {
    std::lock_guard lock(noted);
    hold.all = true;
    hold.onHold = [&filter] { filter.Cancel(); };
    callerWaitsFor = [] { return hold.held > 0; };
  }
  TRecorder sink;
  filter.Start(scheme, TShrinkOptions{false, Newest(), 8}, sink);
  auto waited = std::async(std::launch::async, [&filter] { filter.Wait(); });
  ASSERT_TRUE(EndsSoon(waited)) << "the cancelled run waits for the held helpers";
  EXPECT_EQ(Terminal(sink.Events), std::vector<std::string>{"cancelled"});
  ASSERT_GT(Held(), 0) << "no helper took a unit";
  {
    std::lock_guard lock(noted);
    hold.onHold = nullptr;
    callerWaitsFor = nullptr;
  }
  auto destroyed = std::async(std::launch::async, [&scheme] {
    TRecorder sink;
    TShrinkFilter other;
    other.Start(scheme, TShrinkOptions{false, Newest(), 8}, sink);
  });
  ASSERT_TRUE(EndsSoon(destroyed)) << "the filter's destructor waits for the held helpers";
  LetGo();
  ExpectTheFirstBack(scheme, want);
}

// The filter and its sink are gone while a helper is held in one of its
// units; let go, the helper finishes that unit without touching them (a
// fault here shows under the address sanitizer).
TEST_F(ShrinkHelpers, FilterGoneBeforeItsHeldHelperGoesOn) {
  const std::vector<TCdtData> scheme = SchemeB();
  const std::vector<std::string> want = RunOne(scheme);
  CallerWaitsFor([] { return hold.held > 0; });
  auto sink = std::make_unique<TRecorder>();
  auto filter = std::make_unique<TShrinkFilter>();
  filter->Start(scheme, TShrinkOptions{false, Newest(), 8}, *sink);
  auto waited = std::async(std::launch::async, [&filter] { filter->Wait(); });
  ASSERT_TRUE(EndsSoon(waited)) << "the run waits for the held helper";
  std::vector<std::string> rows = sink->Rows;
  const std::vector<std::string> end = Terminal(sink->Events);
  ASSERT_EQ(end.size(), 1u);
  rows.push_back(end[0].substr(4));
  EXPECT_EQ(rows, want);
  ASSERT_GT(Held(), 0) << "no helper took a unit";
  filter.reset();
  sink.reset();
  LetGo();
  ExpectTheFirstBack(scheme, want);
}

// Helpers run only on processors that nothing else wants, so that on a busy
// machine they neither pre-empt the caller nor share its processor: the
// idle class, or the lowest normal priority where the system refuses it.
TEST(ShrinkFilter, HelpersRunOnlyOnFreeProcessors) {
  const std::vector<TCdtData> scheme = SchemeT(10);
  const std::vector<std::string> want = RunOne(scheme);
  SetShrinkHelperPause(NoteHelperPolicy);
  CallerWaitsFor([] { return helperPolicy.load(std::memory_order_acquire) >= 0; });
  SetShrinkCallerPause(CallerWaits);
  EXPECT_EQ(Run8(scheme), want);
  SetShrinkCallerPause(nullptr);
  CallerWaitsFor(nullptr);
  SetShrinkHelperPause(nullptr);
  const int policy = helperPolicy.load(std::memory_order_acquire);
  ASSERT_GE(policy, 0) << "no helper took a unit";
  EXPECT_TRUE(policy == SCHED_IDLE || (policy == SCHED_OTHER && helperNice.load() == 19))
      << "policy " << policy << ", nice " << helperNice.load();
}
