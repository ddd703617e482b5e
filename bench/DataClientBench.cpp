// Sign-in as the program does it: connect to the data service, run
// "Chk_Login", fetch its record set and decode the 3320 draws into the
// history. The data service is the project's own, started here through
// scripts/dataservice.sh.
#include "dataclient/uThread.h"
#include "engine/uBaseFunc.h"

#include "support/DataService.h"

#include <benchmark/benchmark.h>

#include <iostream>
#include <memory>

namespace {

testsupport::DataService* Service() {
  static std::unique_ptr<testsupport::DataService> service = [] {
    try {
      return std::make_unique<testsupport::DataService>();
    } catch (const std::exception& e) {
      std::cerr << "DataClientBench: no data service (" << e.what() << ")\n";
      return std::unique_ptr<testsupport::DataService>();
    }
  }();
  return service.get();
}

void BM_SignInAndDownload(benchmark::State& state) {
  testsupport::DataService* service = Service();
  if (!service) {
    state.SkipWithError("the data service could not be started (scripts/dataservice.sh)");
    return;
  }
  platform::Dispatcher dispatcher;
  for (auto _ : state) {
    bool done = false, ok = false;
    TReadData reader(dispatcher);
    reader.ConnectionString = service->ConnectionString();
    reader.UserName = "demo";
    reader.PwdDigest = HashPassword("demo123");
    reader.OnStatus = [](const std::string&) {};
    reader.OnLogin = [&](bool success, const std::string&) { ok = success; };
    reader.OnTerminate = [&] { done = true; };
    reader.Resume();
    dispatcher.PumpUntil([&] { return done; }, std::chrono::seconds(30));
    if (!ok || DrawHistory.Count() != 3320) {
      state.SkipWithError("the sign-in did not load the 3320 draws");
      return;
    }
  }
  state.counters["draws"] = DrawHistory.Count();
}
BENCHMARK(BM_SignInAndDownload)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

}  // namespace
