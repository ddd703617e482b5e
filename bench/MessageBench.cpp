// Cost of the message layer: a mouse move through a chain of three window
// procedures against Qt's own delivery of the same move, and a burst of
// posted private messages delivered through a chain.
#include "platform/WindowProc.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QWidget>

#include <benchmark/benchmark.h>

using namespace platform;

namespace {

// A widget that handles its mouse moves, as a painted control does.
class Tracker : public QWidget {
 public:
  Tracker() { setMouseTracking(true); }
  int moves = 0;

 protected:
  void mouseMoveEvent(QMouseEvent*) override { ++moves; }
};

void AddPassingHandlers(QWidget* w, int count, int& seen) {
  for (int i = 0; i < count; ++i)
    InstallWindowProc(w, [&seen](Message& m, const CallPrevious& previous) {
      ++seen;
      previous(m);
    });
}

// handlers = 0: Qt's delivery alone; 3: three window procedures that pass
// the move on, the last of them to the widget's own handling.
void BM_MouseMove(benchmark::State& state) {
  Tracker w;
  int seen = 0;
  AddPassingHandlers(&w, int(state.range(0)), seen);
  QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), QPointF(5, 5), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  for (auto _ : state) QCoreApplication::sendEvent(&w, &move);
  if (w.moves != int(state.iterations())) state.SkipWithError("the widget missed moves");
  state.counters["handler calls"] = benchmark::Counter(seen, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_MouseMove)->Arg(0)->Arg(3);

// A widget that does not track the mouse: Qt throws plain moves away, the
// layer's application filter hands them to the chain.
void BM_UntrackedMouseMoveThreeHandlers(benchmark::State& state) {
  QWidget w;
  int seen = 0;
  AddPassingHandlers(&w, 3, seen);
  QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), QPointF(5, 5), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  for (auto _ : state) QCoreApplication::sendEvent(&w, &move);
  if (seen != 3 * int(state.iterations())) state.SkipWithError("the chain missed moves");
}
BENCHMARK(BM_UntrackedMouseMoveThreeHandlers);

// 10,000 private messages posted, then delivered through a one-handler
// chain to the widget's own handling.
void BM_PostTenThousandPrivateMessages(benchmark::State& state) {
  QWidget w;
  int seen = 0;
  AddPassingHandlers(&w, 1, seen);
  constexpr int kCount = 10000;
  for (auto _ : state) {
    for (int i = 0; i < kCount; ++i) PostMessage(&w, 1127, WPARAM(i));
    QCoreApplication::sendPostedEvents(&w);
  }
  if (seen != kCount * int(state.iterations())) state.SkipWithError("messages went missing");
}
BENCHMARK(BM_PostTenThousandPrivateMessages)->Unit(benchmark::kMillisecond);

}  // namespace
