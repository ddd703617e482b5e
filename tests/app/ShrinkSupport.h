// Shared by the shrink filter's tests and benchmark: the real draw history
// and short ways to write conditions.
#pragma once

#include "engine/uCdtList.h"
#include "engine/uFormulaDef.h"
#include "engine/uLottery.h"

#include <string>

namespace shrinktest {

// The real draw history of data/ssq-history.csv (found through the
// SSQ_SOURCE_DIR environment variable, or the source folder the program was
// built from), loaded once.
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

}  // namespace shrinktest
