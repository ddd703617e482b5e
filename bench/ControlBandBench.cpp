// Cost of a control's non-client band: repainting a 160 x 28 QLineEdit
// whose chain paints its band on WM_NCPAINT (a one-pixel frame in another
// colour), against the plain QLineEdit's repaint in the same run (goal:
// within 1.3 times).
#include "platform/Canvas.h"
#include "platform/NonClient.h"
#include "platform/WindowProc.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QWidget>

#include <benchmark/benchmark.h>

using namespace platform;

namespace {

void BM_LineEditRepaint(benchmark::State& state) {
  QWidget parent;
  auto* edit = new QLineEdit(QStringLiteral("01 05 12 19 27 33 + 08"), &parent);
  edit->setGeometry(10, 10, 160, 28);
  if (state.range(0)) {
    InstallWindowProc(edit, [edit](Message& m, const CallPrevious& previous) {
      previous(m);
      if (m.Msg != WM_NCPAINT) return;
      if (Canvas* dc = GetWindowDC(edit)) {
        dc->Brush = {clNavy, bsSolid};
        dc->FrameRect(Rect(0, 0, edit->width(), edit->height()));
      }
    });
  }
  parent.resize(200, 60);
  parent.show();
  QCoreApplication::processEvents();
  for (auto _ : state) edit->repaint();
  state.SetLabel(state.range(0) ? "WM_NCPAINT handler" : "plain QLineEdit");
}
BENCHMARK(BM_LineEditRepaint)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
