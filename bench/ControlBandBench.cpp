// Cost of a control's non-client band: repainting a 160 x 28 QLineEdit
// whose chain paints its band on WM_NCPAINT (a one-pixel frame in another
// colour), and one whose handler also widens the band to 4 on every side
// (its text then sits in text margins), against the plain QLineEdit's
// repaint in the same run (goal: within 1.3 times).
#include "platform/Canvas.h"
#include "platform/NonClient.h"
#include "platform/WindowProc.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QWidget>

#include <benchmark/benchmark.h>

using namespace platform;

namespace {

enum Band { kPlain, kPainted, kWidened };

void BM_LineEditRepaint(benchmark::State& state) {
  const auto band = Band(state.range(0));
  QWidget parent;
  auto* edit = new QLineEdit(QStringLiteral("01 05 12 19 27 33 + 08"), &parent);
  edit->setGeometry(10, 10, 160, 28);
  if (band != kPlain) {
    const int widen = band == kWidened ? 4 : 0;
    InstallWindowProc(edit, [edit, widen](Message& m, const CallPrevious& previous) {
      previous(m);
      if (m.Msg == WM_NCCALCSIZE && widen) {
        auto* p = ParamPtr<NCCALCSIZE_PARAMS>(std::uintptr_t(m.LParam));
        const TRect& w = p->rgrc[1];
        p->rgrc[0] = {w.Left + widen, w.Top + widen, w.Right - widen, w.Bottom - widen};
      }
      if (m.Msg != WM_NCPAINT) return;
      if (Canvas* dc = GetWindowDC(edit)) {
        dc->Brush = {clNavy, bsSolid};
        dc->FrameRect(Rect(0, 0, edit->width(), edit->height()));
      }
    });
    RecalcNonClient(edit);
  }
  parent.resize(200, 60);
  parent.show();
  QCoreApplication::processEvents();
  if (band == kWidened && edit->textMargins().isNull()) state.SkipWithError("the band did not widen");
  for (auto _ : state) edit->repaint();
  state.SetLabel(band == kPlain ? "plain QLineEdit" : band == kPainted ? "WM_NCPAINT handler" : "widened band of 4");
}
BENCHMARK(BM_LineEditRepaint)->Arg(kPlain)->Arg(kPainted)->Arg(kWidened)->Unit(benchmark::kMicrosecond);

}  // namespace
