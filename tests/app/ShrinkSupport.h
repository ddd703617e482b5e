// Shared by the shrink filter's tests and benchmark: the real draw history
// and short ways to write conditions.
#pragma once

#include "engine/uCdtList.h"
#include "engine/uFormulaDef.h"
#include "engine/uLottery.h"

#include <random>
#include <string>
#include <vector>

namespace shrinktest {

// The real draw history (data/ssq-history.csv), loaded once.
const TDrawHistory& History();
// Its newest draw, the reference of the filter runs.
const TLottery* Newest();

// The registered indicator with this group and name; throws when none.
const TFormulate* Formula(const std::string& group, const std::string& name);

// A condition that takes part (IsSave set).
TCdtData Cdt(const TFormulate* f, TIntAry values, TIntAry counts = {}, bool tolerance = false, bool repeat = false);
TCdtData Cdt(const std::string& group, const std::string& name, TIntAry values, TIntAry counts = {},
             bool tolerance = false, bool repeat = false);

// The same condition as a tolerance condition.
TCdtData Tolerant(TCdtData c);

// low, low + step, ... up to high.
TIntAry Range(int32_t low, int32_t high, int32_t step = 1);

// Each value of the domain with probability p, at least `least` of them, in
// a random order.
TIntAry RandomValues(std::mt19937& rng, const TIntAry& domain, double p, size_t least = 0);

// The filter's end text for `count` rows, "取前" when more combinations
// pass than are listed.
std::string EndText(int32_t count, bool morePass);

// A realistic scheme of 12 conditions on the whole red set that keeps 260
// combinations against the newest draw of the history.
std::vector<TCdtData> SchemeA();
// Twenty tolerance conditions, eight of them on ball positions.
std::vector<TCdtData> ToleranceConditions();
// SchemeA plus the first 8 of them (four on ball positions).
std::vector<TCdtData> SchemeB();
// The first three conditions of SchemeA (sum, AC, odd numbers) and the
// first `tolerance` tolerance conditions: more than 5001 combinations pass,
// and the search lasts a few milliseconds on one thread.
std::vector<TCdtData> SchemeT(size_t tolerance);

}  // namespace shrinktest
