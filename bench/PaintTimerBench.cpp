// Cost of painting by message and of timers through window procedures:
//   - WM_PRINT of a 400 x 300 form with 20 controls into a bitmap against
//     Qt's own QWidget::render of the same form into the same bitmap (goal:
//     within 1.2 times); with every control's chain holding a handler too,
//     so that each gets its own WM_PRINT;
//   - 10,000 WM_TIMER ticks through a chain of three window procedures
//     against 10,000 ticks of a plain QTimer (goal: under 1 µs more a tick).
#include "platform/Canvas.h"
#include "platform/Painting.h"
#include "platform/Timers.h"
#include "platform/WindowProc.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <memory>

using namespace platform;

namespace {

void Pass(Message& m, const CallPrevious& previous) { previous(m); }

// The form: four rows of five controls.
std::unique_ptr<QWidget> MakeForm(bool childHandlers) {
  auto form = std::make_unique<QWidget>();
  form->resize(400, 300);
  for (int i = 0; i < 20; ++i) {
    QWidget* w = i % 4 == 0   ? static_cast<QWidget*>(new QPushButton("按钮", form.get()))
                 : i % 4 == 1 ? new QLabel("标签文字", form.get())
                 : i % 4 == 2 ? static_cast<QWidget*>(new QLineEdit("编辑", form.get()))
                              : new QCheckBox("选择", form.get());
    w->setGeometry(10 + (i % 5) * 78, 10 + (i / 5) * 70, 70, 28);
    if (childHandlers) InstallWindowProc(w, Pass);
  }
  InstallWindowProc(form.get(), Pass);
  form->show();
  QCoreApplication::processEvents();
  return form;
}

void BM_PrintForm(benchmark::State& state) {
  auto form = MakeForm(state.range(0) != 0);
  Bitmap target(400, 300, pfDevice);
  Canvas& canvas = target.GetCanvas();
  for (auto _ : state)
    SendMessage(form.get(), WM_PRINT, PtrParam(&canvas), PRF_CLIENT | PRF_ERASEBKGND | PRF_CHILDREN);
  canvas.EndPainting();
}
BENCHMARK(BM_PrintForm)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_QtRenderForm(benchmark::State& state) {
  auto form = MakeForm(false);
  Bitmap target(400, 300, pfDevice);
  Canvas& canvas = target.GetCanvas();
  for (auto _ : state)
    form->render(canvas.Painter(), QPoint(), QRegion(),
                 QWidget::DrawWindowBackground | QWidget::DrawChildren | QWidget::IgnoreMask);
  canvas.EndPainting();
}
BENCHMARK(BM_QtRenderForm)->Unit(benchmark::kMicrosecond);

constexpr int kTicks = 10000;

void BM_TenThousandTimerMessages(benchmark::State& state) {
  QWidget w;
  int ticks = 0;
  QEventLoop loop;
  for (int i = 0; i < 2; ++i) InstallWindowProc(&w, Pass);
  InstallWindowProc(&w, [&](Message& m, const CallPrevious& previous) {
    if (m.Msg == WM_TIMER && ++ticks == kTicks) loop.quit();
    previous(m);
  });
  for (auto _ : state) {
    ticks = 0;
    SetTimer(&w, 1, 0);
    loop.exec();
    KillTimer(&w, 1);
  }
}
BENCHMARK(BM_TenThousandTimerMessages)->Unit(benchmark::kMillisecond);

void BM_TenThousandQTimerTicks(benchmark::State& state) {
  QTimer timer;
  timer.setInterval(0);
  timer.setTimerType(Qt::PreciseTimer);
  int ticks = 0;
  QEventLoop loop;
  QObject::connect(&timer, &QTimer::timeout, [&] {
    if (++ticks == kTicks) loop.quit();
  });
  for (auto _ : state) {
    ticks = 0;
    timer.start();
    loop.exec();
    timer.stop();
  }
}
BENCHMARK(BM_TenThousandQTimerTicks)->Unit(benchmark::kMillisecond);

}  // namespace
