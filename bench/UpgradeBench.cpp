// The HTTP client of the upgrade against the loopback test server, with a
// listener on every event (the most traffic the GUI thread can get).
//   Download50MiB/<block>: 50 MiB into a file, blocks of 4 KiB (the
//     default) and 1 MiB; "gui_calls" is the number of calls the GUI
//     thread ran for one download.
//   PlainLibcurl50MiB: the same download with libcurl alone (64 KiB reads,
//     write(2) into the file, fsync(2) at the end as the client does,
//     nothing else): what the machine allows.
//   PacedDownload: 8 MiB that the server sends at about 4 MiB/s, to see the
//     GUI thread's calls per second of a long transfer ("gui_calls_per_s").
//   ParseUpdateInfo8000Urls: update information of 8,000 "#url" lines read
//     (on the GUI thread in the program; the goal is under 50 ms).
//   PlanUpgradeFiles8000: where those files go, half of them in a sub-folder.
#include "upgrade/auHTTP.h"
#include "upgrade/auUpgrader.h"

#include "support/LoopbackHttpServer.h"
#include "support/TempDir.h"

#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <thread>

using testsupport::LoopbackHttpServer;
using namespace std::chrono_literals;

namespace {

LoopbackHttpServer& Server() {
  static LoopbackHttpServer server;
  static const bool ready = [] {
    auto big = LoopbackHttpServer::Share(std::string(50u << 20, 'x'));
    server.Handle("/big", [big](const LoopbackHttpServer::Request& r) { return LoopbackHttpServer::File(r, big); });
    auto paced = LoopbackHttpServer::Share(std::string(8u << 20, 'y'));
    server.Handle("/paced", [paced](const LoopbackHttpServer::Request& r) {
      auto response = LoopbackHttpServer::File(r, paced);
      response.ChunkSize = 64 << 10;
      response.ChunkDelay = 15ms;
      return response;
    });
    return true;
  }();
  (void)ready;
  return server;
}

void Listen(TauCustomHTTP& http, bool& done) {
  http.OnStatusChanged = [](TauCustomHTTP&, int, const std::string&) {};
  http.OnRedirected = [](TauCustomHTTP&, const std::string&) {};
  http.OnHeaderInfo = [](TauCustomHTTP&, int, int64_t, const std::string&, const std::string&, const std::string&,
                         const std::string&, const std::string&, const std::string&, TDateTime, TDateTime, TDateTime,
                         bool&) {};
  http.OnProgress = [](TauCustomHTTP&, const std::string&, QIODevice*, float, uint8_t, int, int, int64_t, int64_t) {};
  http.OnDone = [&done](TauCustomHTTP&, const std::string&, QIODevice*, int64_t) { done = true; };
  http.OnAnyDone = [&done](TauCustomHTTP&) { done = true; };
}

// One download. Counting the GUI thread's calls means polling the queue,
// which takes processor time from the transfer, so timed runs just wait.
int64_t Download(TauCustomHTTP& http, platform::Dispatcher& gui, bool& done, bool count) {
  done = false;
  if (!http.Read()) return -1;
  int64_t calls = 0;
  if (!count) return gui.PumpUntil([&] { return done; }, 60s) ? 0 : -1;
  while (!done) {
    const int ran = gui.Pump();
    calls += ran;
    if (!ran) std::this_thread::sleep_for(100us);
  }
  return calls;
}

// A client with a listener on every event, fetching `path` into a file.
struct TClient {
  platform::Dispatcher gui;
  testsupport::TempDir dir;
  TauCustomHTTP http{gui};
  bool done = false;
  explicit TClient(const std::string& path) {
    Listen(http, done);
    http.URL = Server().Url(path);
    http.OutputFileName = dir.File("download.bin");
  }
  int64_t Fetch(bool count) { return Download(http, gui, done, count); }
};

void Download50MiB(benchmark::State& state) {
  TClient client("/big");
  client.http.SetTransferBufferSize(state.range(0));
  for (auto _ : state)
    if (client.Fetch(false) < 0) state.SkipWithError("the download did not end");
  if (GetFileSize64(client.http.OutputFileName) != (50 << 20)) state.SkipWithError("the file is not whole");
  state.SetBytesProcessed(state.iterations() * (int64_t(50) << 20));
  state.counters["gui_calls"] = benchmark::Counter(static_cast<double>(client.Fetch(true)));
}
BENCHMARK(Download50MiB)->Arg(4096)->Arg(1 << 20)->Unit(benchmark::kMillisecond)->UseRealTime();

size_t WriteTo(char* data, size_t size, size_t count, void* fd) {
  return static_cast<size_t>(::write(*static_cast<int*>(fd), data, size * count));
}

void PlainLibcurl50MiB(benchmark::State& state) {
  testsupport::TempDir dir;
  const std::string url = Server().Url("/big"), file = dir.File("plain.bin");
  for (auto _ : state) {
    CURL* easy = curl_easy_init();
    int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, 65536L);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, WriteTo);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &fd);
    if (curl_easy_perform(easy) != CURLE_OK || ::fsync(fd) != 0) state.SkipWithError("the download failed");
    ::close(fd);
    curl_easy_cleanup(easy);
  }
  state.SetBytesProcessed(state.iterations() * (int64_t(50) << 20));
}
BENCHMARK(PlainLibcurl50MiB)->Unit(benchmark::kMillisecond)->UseRealTime();

void PacedDownload(benchmark::State& state) {
  TClient client("/paced");
  int64_t calls = 0;
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) calls += client.Fetch(true);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  state.counters["gui_calls_per_s"] = benchmark::Counter(static_cast<double>(calls) / seconds);
  state.SetBytesProcessed(state.iterations() * (int64_t(8) << 20));
}
BENCHMARK(PacedDownload)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

namespace {
void ParseUpdateInfo8000Urls(benchmark::State& state) {
  std::string text = "#version=2.0.0.2\r\n#message={new files}\r\n";
  for (int n = 1; n <= 8000; ++n)
    text += "#url" + std::to_string(n) + "=https://update.example/update/file" + std::to_string(n) + ".dll\r\n";
  for (auto _ : state) {
    const TauUpdateInfo info = ParseUpdateInfo(text);
    if (info.Files.size() != 8000) state.SkipWithError("not every address was read");
    benchmark::DoNotOptimize(info);
  }
}
BENCHMARK(ParseUpdateInfo8000Urls)->Unit(benchmark::kMillisecond);

void PlanUpgradeFiles8000(benchmark::State& state) {
  std::vector<std::string> urls;
  for (int n = 1; n <= 8000; ++n)
    urls.push_back("https://update.example/update/" + std::string(n % 2 ? "skin/" : "") + "file" + std::to_string(n) + ".dll");
  testsupport::TempDir app;
  std::vector<TauUpgradeFile> plan;
  std::string refused;
  for (auto _ : state)
    if (!PlanUpgradeFiles(urls, app.Path(), true, plan, refused)) state.SkipWithError("refused");
}
BENCHMARK(PlanUpgradeFiles8000)->Unit(benchmark::kMillisecond);
}  // namespace
