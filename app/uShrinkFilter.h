// The shrink filter: turns a scheme (a list of conditions) into the number
// combinations it keeps, six red numbers ascending and, with the blue
// option, one blue number.
//
// What a run yields:
// - Only conditions with IsSave set take part. A condition on a ball
//   position (0..5 red, 6 blue) admits a set of numbers at that position;
//   the numbers a position may take are those every applied condition of
//   that position admits (whatever their order); amplitudes are taken
//   from the reference draw. A condition on the whole red set is matched
//   against the candidate written into a work draw whose previous draw is
//   the reference draw, so repeats, neighbours and amplitudes compare with
//   it. The shrink window gives the draw the analysis may see (CurrentDraw:
//   the newest, or in training mode the one shown).
// - Conditions with IsRC set are tolerance conditions. With k of them the
//   run makes 2^k passes; pass p skips tolerance condition j when bit
//   (k - 1 - j) of p is set (pass 0 applies them all, the last skips them
//   all). Every other condition applies in every pass. A combination is
//   listed once, in the first pass that accepts it; results come pass by
//   pass, each pass in ascending order of (red numbers, blue).
// - Results are accepted while the count is at most 5000, so a run yields
//   up to 5001. The run is "capped" (end text "过滤结束，取前N注") exactly
//   when more combinations than that pass, that is when the list is cut;
//   otherwise the end text is "过滤结束，共N注".
// - A scheme with no condition at all is not run ("当前方案中没有条件"); a
//   scheme with more than 20 tolerance conditions, or with a value outside
//   its indicator's domain, is refused with a message before anything runs.
//   The user's conditions are never changed by a run.
//
// How it is fast: every condition is compiled once per run into flat data
// (allowed-value masks, count masks, tables over sums and spans); the search
// walks ascending combinations carrying running values (sum, number mask,
// pairwise differences, tails, runs), prunes a partial combination as soon
// as no completion can pass, and decides the last red ball for all
// candidates at once with bit masks. Each combination gets the mask of the
// tolerance conditions it fails, which names the first pass that accepts
// it, so all passes are one search. The search is split by the first two
// balls over several threads (a pool kept from run to run) and merged in
// order; the calling thread never waits for a unit another thread holds:
// it searches such a unit too, and the first copy to end counts. The
// helper threads run only on processors that nothing else wants, so on a
// busy machine they neither pre-empt the caller nor share its processor; a
// default run calls them only when the rest of its work, judged by what
// its units cost the processor (read from the steady clock, leaving out a
// unit the system stopped in the middle; no system call), is worth them.
#pragma once

#include "engine/uBaseDef.h"
#include "engine/uCdtList.h"
#include "engine/uLottery.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

// Results are accepted while the count is at most ShrinkCap (so up to
// ShrinkCap + 1 of them).
inline constexpr int32_t ShrinkCap = 5000;
inline constexpr int32_t MaxToleranceConditions = 20;

// One accepted combination.
struct TShrinkRow {
  int32_t No = 0;                          // 1, 2, ... in order of acceptance
  std::array<int32_t, BallCount> Balls{};  // six red ascending, then the blue (0 when off)
  bool HasBlue = false;

  // The numbers joined by ",": "1,2,3,4,5,6" (with the blue: "1,2,3,4,5,6,1").
  std::string Text() const;
};

struct TShrinkOptions {
  bool WithBlue = false;                // "红号和蓝号": add every admitted blue number
  const TLottery* Reference = nullptr;  // the previous draw of every candidate
  // Threads in all; 0 = chosen from the work: one for a short search, up
  // to one per core for a long one. Threads besides the caller's run only
  // on processors nothing else wants.
  int Threads = 0;
};

enum class TShrinkStatus : uint8_t {
  Done,          // ran to its end text
  NoConditions,  // "当前方案中没有条件"
  Refused,       // a message says why (too many tolerance conditions, bad values)
  Cancelled,
};

struct TShrinkResult {
  TShrinkStatus Status = TShrinkStatus::Done;
  std::vector<TShrinkRow> Rows;
  int32_t Count = 0;
  bool Capped = false;  // more combinations pass than Rows lists
  std::string Text;     // the end text, or the message when the run did not happen
};

// Receives what a run reports. The calls come from the thread that runs the
// filter: with TShrinkFilter::Start that is a worker thread, so a window must
// hand them over to its GUI thread (and must not block that thread waiting
// for the run). Calls never overlap.
class IShrinkFilterSink {
 public:
  virtual ~IShrinkFilterSink() = default;
  // The run did not happen; nothing else is reported for it. The window
  // keeps its previous results and shows the text.
  virtual void FilterMessage(const std::string& text) = 0;
  // The run starts: the window empties its result list and grid.
  virtual void FilterStarted(bool withBlue) = 0;
  // "正在过滤，当前共N注", now and then (not for every row).
  virtual void FilterProgress(const std::string& text) = 0;
  // The next accepted combination, in order.
  virtual void FilterRow(const TShrinkRow& row) = 0;
  // "过滤结束，取前N注" or "过滤结束，共N注"; the run is over.
  virtual void FilterEnd(const std::string& text) = 0;
  // The run was cancelled; the rows reported so far are all there is.
  virtual void FilterCancelled() = 0;
};

// Texts of a run.
std::string FilterProgressText(int32_t count);
std::string FilterEndText(int32_t count, bool capped);
// What the shrink window shows for the count of a scheme: "有效注数N/1107568".
std::string KeptCountText(int64_t count);
inline const char* const NoConditionsText = "当前方案中没有条件";

// Why the conditions cannot be filtered, or "" when they can: more than 20
// tolerance conditions, a condition without an indicator or with a value
// outside its indicator's domain. Only conditions with IsSave set are
// looked at unless allConditions is set.
std::string CheckScheme(const std::vector<TCdtData>& conditions, bool allConditions = false);

// A copy of the conditions of a list, for a run that must not see later
// edits.
std::vector<TCdtData> SnapshotConditions(const TCdtList& list);

// Runs one filter over the conditions and returns what it found; reports to
// the sink as it goes when one is given. Stops soon after *cancel becomes
// true.
TShrinkResult RunShrinkFilter(const std::vector<TCdtData>& conditions, const TShrinkOptions& options,
                              IShrinkFilterSink* sink = nullptr, const std::atomic<bool>* cancel = nullptr);

// The count the shrink window shows of how many red combinations satisfy
// every condition of the list, whatever its flags (IsSave, IsRC), through
// each indicator's match against the reference draw, without a cap.
// Conditions on the blue ball are left out: there is no blue number to
// test. Returns -1 and sets *message when CheckScheme refuses the list (or
// -1 when cancelled).
int64_t CountKeptCombinations(const std::vector<TCdtData>& conditions, const TLottery* reference, int threads = 0,
                              std::string* message = nullptr, const std::atomic<bool>* cancel = nullptr);

// For tests: a function each helper thread of a search calls before every
// unit of work it has claimed (nullptr for none), standing for a thread the
// system stops there for a while.
void SetShrinkHelperPause(void (*pause)());
// For tests: a function the calling thread of a search given a number of
// Threads calls once it has called its helpers, before it searches any unit
// (nullptr for none), standing for a caller the system stops there for a
// while.
void SetShrinkCallerPause(void (*pause)());

// Runs filters off the calling thread, one at a time.
class TShrinkFilter {
 public:
  TShrinkFilter() = default;
  ~TShrinkFilter();
  TShrinkFilter(const TShrinkFilter&) = delete;
  TShrinkFilter& operator=(const TShrinkFilter&) = delete;

  // Starts a run over a copy of the conditions on a worker thread; a run
  // still going is cancelled and waited for first. The sink and the
  // reference draw of the options must live until the run has ended (Wait,
  // or the destructor).
  void Start(std::vector<TCdtData> conditions, const TShrinkOptions& options, IShrinkFilterSink& sink);
  // Asks the running filter to stop; it reports FilterCancelled soon.
  void Cancel() { cancel_.store(true, std::memory_order_relaxed); }
  // Waits for the current run to end.
  void Wait();
  bool Running() const { return running_.load(std::memory_order_acquire); }

 private:
  std::thread worker_;
  std::atomic<bool> cancel_{false};
  std::atomic<bool> running_{false};
};
