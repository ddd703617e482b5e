// The shrink filter written step by step as the shrink window runs it, with
// the indicators' own (virtual) operations: the yardstick the fast filter is
// compared with in the tests and the benchmark. It keeps the mends of the
// filter: position flags cleared at each pass, the numbers of a position
// are the intersection of what its applied conditions admit, a combination
// is listed once (at its first pass), the passes come from the pass number
// (at most 20 tolerance conditions), the skip state is the filter's own,
// and values outside an indicator's domain are refused before the run. Its
// cap flag and end text keep the first rule (a further complete candidate
// met after the 5001st result); whether more than 5001 combinations pass,
// which the filter's end text says, it finds by searching on (MorePass).
#pragma once

#include "engine/uCdtList.h"
#include "engine/uFormulaDef.h"
#include "engine/uLottery.h"

#include <array>
#include <string>
#include <unordered_set>
#include <vector>

namespace shrinktest {

struct TReferenceResult {
  bool Ran = false;             // false: Message says why nothing ran
  std::string Message;
  std::vector<std::string> Lines;  // the result list, in order
  int32_t Count = 0;
  bool Capped = false;  // the old rule: a further candidate was met after the cap
  std::string EndText;  // by the old rule
  // Count is 5001 and a further combination passes too (the search goes on
  // past the cap to tell).
  bool MorePass = false;
  std::string Next;  // that combination, the first not listed
};

class TReferenceShrink {
 public:
  // At most this many complete candidates per run (-1: no limit); a run
  // that needs more stops and reports Ran false with Message "budget".
  void SetBudget(int64_t candidates) { budget_ = candidates; }
  TReferenceResult Filter(std::vector<TCdtData> scheme, bool withBlue, const TLottery* previous);
  // The hidden count: every red combination matched against every condition
  // whatever its flags (conditions on the blue ball left out); -1 when the
  // scheme is refused.
  int64_t KeptCount(const std::vector<TCdtData>& scheme, const TLottery* previous);

 private:
  // Steps 2 to 8 of a run over conditions_, accepting results while the
  // count is at most limit_.
  void Search();
  void PartitionConditions();
  bool Skipped(const TCdtData* c) const { return skip_[static_cast<size_t>(c - conditions_.data())] != 0; }
  void NarrowPositions();
  void GenerateCombinations(int32_t prev);

  std::vector<TCdtData> conditions_;
  std::vector<char> skip_;  // per condition: skipped in this pass
  TPositionLists positionLists_;
  std::array<bool, BallCount> positionFlags_{};
  std::array<bool, MaxRed + 1> used_{};
  TIntAry chosen_;
  int32_t depth_ = 0;
  FmlAry toleranceList_, positionList_, wholeList_;
  TLottery work_;
  const TLottery* previous_ = nullptr;
  bool withBlue_ = false;
  std::vector<std::string> resultList_;
  std::unordered_set<std::string> listed_;
  int32_t resultCount_ = 0;
  int32_t limit_ = 5000;
  bool capFlag_ = false;
  int64_t budget_ = -1;
  int64_t examined_ = 0;
};

}  // namespace shrinktest
