// The record set the data service sends at sign-in, decoded by ReadDraws:
// any fields, any rows, any values (a byte 0x01 alone stands for null).
// The input: one byte choosing the fields, then one row a line, values
// separated by ','.
#include "FuzzSupport.h"

#include "dataclient/uThread.h"
#include "engine/uLottery.h"

#include <string>
#include <vector>

namespace {

const char* const Fields[] = {"INFO", "DateNo", "R1", "R2", "R3", "R4", "R5", "R6", "B1"};
constexpr size_t FieldCount = sizeof Fields / sizeof Fields[0];

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input in(data, size);
  // Bit k of the first two bytes drops field k (all there when both are 0).
  const uint16_t drop = in.Value<uint16_t>();
  std::vector<std::string> names;
  for (size_t k = 0; k < FieldCount; ++k)
    if (!(drop >> k & 1)) names.emplace_back(Fields[k]);
  std::vector<platform::RecordSet::Row> rows;
  for (fuzz::Input lines(in.Rest()); !lines.Empty() && rows.size() < 5000;) {
    fuzz::Input cells(lines.Until('\n'));
    platform::RecordSet::Row values(names.size());
    for (auto& v : values) {
      const std::string_view cell = cells.Until(',');
      if (cell != "\x01") v = std::string(cell);
    }
    rows.push_back(std::move(values));
  }
  platform::RecordSet set(names, rows);

  SetKeyIndex(4);
  platform::Dispatcher dispatcher;
  TReadData reader(dispatcher);
  bool decoded = true;
  try {
    reader.ReadDraws(set);
  } catch (const EDrawDataError&) {
    decoded = false;
  }
  dispatcher.Pump();
  const int32_t n = static_cast<int32_t>(rows.size());
  FUZZ_CHECK(reader.RecordTotal == n);
  if (decoded && n != 1) {
    // The new history holds every record after the first two, each a draw.
    FUZZ_CHECK(DrawHistory.Count() == std::max(0, n - 2));
    FUZZ_CHECK(CurrentIndex == DrawHistory.Count() - 1);
    for (int32_t i = 0; i < DrawHistory.Count(); ++i) {
      const TLottery& d = DrawHistory[i];
      for (int k = 0; k < RedCount; ++k) FUZZ_CHECK(d.Balls[k] >= 1 && d.Balls[k] <= MaxRed);
      for (int k = 1; k < RedCount; ++k) FUZZ_CHECK(d.Balls[k - 1] < d.Balls[k]);
      FUZZ_CHECK(d.Balls[RedCount] >= 1 && d.Balls[RedCount] <= MaxBlue);
      if (i > 0) FUZZ_CHECK(d.DateNo > DrawHistory[i - 1].DateNo);
    }
  }
  return 0;
}
