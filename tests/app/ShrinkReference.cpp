#include "ShrinkReference.h"

#include "app/uShrinkFilter.h"

#include <algorithm>

namespace shrinktest {

TReferenceResult TReferenceShrink::Filter(std::vector<TCdtData> scheme, bool withBlue, const TLottery* previous) {
  TReferenceResult r;
  // 1. An empty scheme is not run.
  if (scheme.empty()) {
    r.Message = "当前方案中没有条件";
    return r;
  }
  if (std::string why = CheckScheme(scheme); !why.empty()) {
    r.Message = why;
    return r;
  }
  conditions_ = std::move(scheme);
  previous_ = previous;
  withBlue_ = withBlue;
  examined_ = 0;
  limit_ = 5000;
  Search();
  if (budget_ >= 0 && examined_ > budget_) {
    r.Message = "budget";
    return r;
  }
  // 9.
  r.Ran = true;
  r.Lines = resultList_;
  r.Count = resultCount_;
  r.Capped = capFlag_;
  r.EndText = (capFlag_ ? "过滤结束，取前" : "过滤结束，共") + std::to_string(resultCount_) + "注";
  if (resultCount_ == 5001) {
    // The same search, accepting one result more.
    limit_ = 5001;
    Search();
    if (budget_ >= 0 && examined_ > budget_) {
      r.Ran = false;
      r.Message = "budget";
      return r;
    }
    r.MorePass = resultCount_ > 5001;
    if (r.MorePass) r.Next = resultList_.back();
  }
  return r;
}

void TReferenceShrink::Search() {
  skip_.assign(conditions_.size(), 0);
  work_ = TLottery{};
  work_.Prev = previous_;
  // 2. Used flags, position flags and position lists.
  used_.fill(false);
  positionFlags_.fill(false);
  for (TIntAry& list : positionLists_) list.clear();
  // 3. The chosen numbers.
  chosen_.assign(withBlue_ ? BallCount : RedCount, 0);
  // 4. The result list.
  resultList_.clear();
  listed_.clear();
  // 5. The three lists; the patterns come from the pass numbers.
  PartitionConditions();
  const size_t k = toleranceList_.size();
  // 6.
  depth_ = 0;
  resultCount_ = 0;
  capFlag_ = false;
  if (k > 0) {
    // 7. One pass per pattern, all zeros first; character j of pattern p is
    // bit k - 1 - j of p, '1' skipping tolerance condition j.
    for (uint32_t p = 0; p < (1u << k); ++p) {
      depth_ = 0;
      for (TIntAry& list : positionLists_) list.clear();
      positionFlags_.fill(false);
      for (size_t j = 0; j < k; ++j)
        skip_[static_cast<size_t>(toleranceList_[j] - conditions_.data())] = (p >> (k - 1 - j)) & 1;
      NarrowPositions();
      GenerateCombinations(0);
    }
  } else {
    // 8.
    NarrowPositions();
    GenerateCombinations(0);
  }
}

void TReferenceShrink::PartitionConditions() {
  toleranceList_.clear();
  positionList_.clear();
  wholeList_.clear();
  for (TCdtData& c : conditions_) {
    if (!c.IsSave) continue;
    if (c.IsRC) toleranceList_[static_cast<size_t>(AppendFml(toleranceList_))] = &c;
    if (c.Formula->Pos() >= 0)
      positionList_[static_cast<size_t>(AppendFml(positionList_))] = &c;
    else
      wholeList_[static_cast<size_t>(AppendFml(wholeList_))] = &c;
  }
}

// Every applied position condition yields the numbers it admits; a
// position's list is the intersection of them, its flag set.
void TReferenceShrink::NarrowPositions() {
  for (TCdtData* c : positionList_) {
    if (Skipped(c)) continue;
    const int32_t pos = c->Formula->Pos();
    const TIntAry admitted = c->Formula->PositionCandidates(c->Values.empty() ? TIntAry{} : c->Values[0], previous_);
    TIntAry* list = GetPositionList(positionLists_, pos);
    if (!positionFlags_[static_cast<size_t>(pos)])
      *list = admitted;
    else
      std::erase_if(*list, [&](int32_t v) { return std::find(admitted.begin(), admitted.end(), v) == admitted.end(); });
    positionFlags_[static_cast<size_t>(pos)] = true;
  }
}

void TReferenceShrink::GenerateCombinations(int32_t prev) {
  const bool complete = depth_ == (withBlue_ ? BallCount : RedCount);
  if (budget_ >= 0 && examined_ > budget_) return;
  if (complete) {
    ++examined_;
    // 1.
    if (resultCount_ > limit_) {
      capFlag_ = true;
      return;
    }
    // 2.
    work_.NumText.clear();
    for (int32_t i = 0; i < depth_; ++i) {
      work_.Balls[static_cast<size_t>(i)] = chosen_[static_cast<size_t>(i)];
      work_.NumText += std::to_string(chosen_[static_cast<size_t>(i)]);
      if (i < depth_ - 1) work_.NumText += ",";
    }
    // 3.
    for (TCdtData* c : wholeList_)
      if (!Skipped(c) && !c->Formula->Match(work_, c->Values, c->IsJC)) return;
    // 4. Listed once, at its first pass.
    if (!listed_.insert(work_.NumText).second) return;
    resultList_.push_back(work_.NumText);
    ++resultCount_;
    return;
  }
  // 1.
  if (resultCount_ > limit_) return;
  const int32_t d = depth_;
  auto take = [&](int32_t v) {
    used_[static_cast<size_t>(v)] = true;
    chosen_[static_cast<size_t>(depth_)] = v;
    ++depth_;
    GenerateCombinations(v);
    --depth_;
    used_[static_cast<size_t>(v)] = false;
  };
  // 2.
  TIntAry* list = GetPositionList(positionLists_, d);
  if (!list->empty()) {
    // 3.
    for (size_t i = 0; i < list->size(); ++i) {
      const int32_t v = (*list)[i];
      if (d == BluePos && withBlue_)
        take(v);
      else if (v > prev && !used_[static_cast<size_t>(v)])
        take(v);
    }
    return;
  }
  // 4.
  if (positionFlags_[static_cast<size_t>(d)]) return;
  if (d == BluePos && withBlue_) {
    for (int32_t v = 1; v <= MaxBlue; ++v) take(v);
    return;
  }
  for (int32_t v = prev + 1; v <= d + 28; ++v)
    if (!used_[static_cast<size_t>(v)]) take(v);
}

int64_t TReferenceShrink::KeptCount(const std::vector<TCdtData>& scheme, const TLottery* previous) {
  if (!CheckScheme(scheme, true).empty()) return -1;
  TLottery work;
  work.Prev = previous;
  int64_t valid = 0;
  auto& b = work.Balls;
  for (b[0] = 1; b[0] <= 28; ++b[0])
    for (b[1] = b[0] + 1; b[1] <= 29; ++b[1])
      for (b[2] = b[1] + 1; b[2] <= 30; ++b[2])
        for (b[3] = b[2] + 1; b[3] <= 31; ++b[3])
          for (b[4] = b[3] + 1; b[4] <= 32; ++b[4])
            for (b[5] = b[4] + 1; b[5] <= 33; ++b[5]) {
              bool ok = true;
              for (const TCdtData& c : scheme)
                if (c.Formula->Pos() != BluePos && !c.Formula->Match(work, c.Values, c.IsJC)) {
                  ok = false;
                  break;
                }
              valid += ok;
            }
  return valid;
}

}  // namespace shrinktest
