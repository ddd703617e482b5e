// Chosen values of a condition as a scheme file brings them: any indicator,
// any number of rows, any values (in the domain or not), with the repeat
// flag either way, through every question the program asks an indicator
// and through the shrink filter's check of a scheme.
#include "FuzzSupport.h"

#include "app/uShrinkFilter.h"
#include "engine/uFormulaDef.h"
#include "support/History.h"

#include <bit>
#include <string>

namespace {

// Mostly small values near the domains, now and then any 32-bit one.
int32_t NextValue(fuzz::Input& in) {
  const uint8_t b = in.Byte();
  return b < 0xF0 ? int32_t{b} - 16 : in.Value<int32_t>();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  DrawHistory = testsupport::LoadDrawHistory();
  CurrentIndex = DrawHistory.Count() - 1;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input in(data, size);
  const TFormulateList& list = FormulateList();
  TCdtData c;
  c.Formula = list.GetItem(in.Byte() % list.Count());
  c.IsSave = true;
  const uint8_t flags = in.Byte();
  c.IsJC = flags & 1;
  c.IsRC = flags & 2;
  c.Values.resize(flags >> 2 & 3);
  for (TIntAry& row : c.Values) {
    row.resize(in.Byte() % 48);
    for (int32_t& v : row) v = NextValue(in);
  }
  const TFormulate& f = *c.Formula;
  const T2DIntAry& values = c.Values;

  const bool valid = f.ValidValues(values);
  FUZZ_CHECK(CheckScheme({c}).empty() == valid);
  // The masks hold domain values only.
  for (int row = 0; row < 2; ++row)
    for (uint64_t m = f.ChosenMask(values, row); m; m &= m - 1) FUZZ_CHECK(f.InDomain(row, std::countr_zero(m)));

  const int32_t combos = f.CountCombos(values, c.IsJC);
  FUZZ_CHECK(combos >= 0 && combos <= f.GetTotal());
  const float p = f.GetProbability(values, c.IsJC);
  FUZZ_CHECK(p >= 0.0f && p <= 1.0f);
  static_cast<void>(f.GetOmissionProbability(values, NextValue(in), c.IsJC));
  static_cast<void>(f.CountMask(values, c.IsJC, RedCount));
  TValueItems items;
  f.FillValues(items, values.empty() ? TIntAry{} : values[0]);

  const TLottery* newest = DrawHistory.Count() > 0 ? &DrawHistory[DrawHistory.Count() - 1] : nullptr;
  const TIntAry candidates = f.PositionCandidates(values.empty() ? TIntAry{} : values[0], newest);
  for (int32_t v : candidates) FUZZ_CHECK(f.Pos() >= 0 && v >= 0 && v < 64);
  TPositionLists lists;
  f.NarrowPositionList(lists, c);

  // Against draws of the history chosen by the input, and a draw with no
  // previous one.
  std::string description;
  for (int k = 0; k < 4 && DrawHistory.Count() > 0; ++k) {
    const TLottery& d = DrawHistory[in.Value<uint16_t>() % DrawHistory.Count()];
    static_cast<void>(f.Match(d, values, c.IsJC, &description));
  }
  TLottery alone = DrawHistory.Count() > 0 ? DrawHistory[0] : TLottery{};
  alone.Prev = nullptr;
  static_cast<void>(f.Match(alone, values, c.IsJC));
  return 0;
}
