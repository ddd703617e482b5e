// A developer's tool, not part of the program: runs the shrink filter over
// a scheme file as the shrink window does (the same loader, the newest draw
// of the history as the reference) and prints the result file's lines on
// standard output; the times go to standard error.
//   shrink_scheme_run SCHEME.xml [HISTORY.csv]
// The history defaults to the project's data/ssq-history.csv.
#include "app/uShrinkScheme.h"
#include "support/History.h"

#include <chrono>
#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: %s SCHEME.xml [HISTORY.csv]\n", argv[0]);
    return 2;
  }
  TDrawHistory history;
  try {
    history = argc > 2 ? testsupport::LoadDrawHistory(argv[2]) : testsupport::LoadDrawHistory();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  using Clock = std::chrono::steady_clock;
  const auto ms = [](Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); };
  const auto start = Clock::now();
  std::vector<TCdtData> conditions;
  std::string why;
  if (!LoadScheme(argv[1], conditions, &why)) {
    std::fprintf(stderr, "%s\n%s\n", InvalidSchemeText, why.c_str());
    return 1;
  }
  const auto loaded = Clock::now();
  TShrinkOptions options;
  options.Reference = history.Empty() ? nullptr : &history.Newest();
  const TShrinkResult result = RunShrinkFilter(conditions, options);
  const auto filtered = Clock::now();
  if (result.Status != TShrinkStatus::Done) {
    std::fprintf(stderr, "%s\n", result.Text.c_str());
    return 1;
  }
  const std::string text = ResultFileText(result.Rows);
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fprintf(stderr, "%s\nload %.3f ms, filter %.3f ms\n", result.Text.c_str(), ms(loaded - start),
               ms(filtered - loaded));
  return 0;
}
