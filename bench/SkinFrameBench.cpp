// Cost of a skinned form's frame with the program's skin: painting the
// band of a 1280 x 800 window, making its region (the skin's borders have
// transparent corners) and painting its menu bar.
#include "platform/NonClient.h"
#include "platform/WindowTable.h"
#include "skinning/WinSkinFormFrame.h"
#include "skinning/WinSkinFormWalk.h"
#include "skinning/WinSkinManage.h"
#include "skinning/WinSkinMenuBar.h"
#include "tools/skin/ProgramSkin.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

using namespace platform;
using namespace skinning;

namespace {

// A shown main window of 1280 x 800 with a menu bar, skinned by the
// program's skin.
struct SkinnedWindow {
  SkinnedWindow() {
    const std::string file = skinwriter::SkinFileBytes(skinwriter::MakeProgramSkin());
    std::string streamed;
    for (int i = 0; i < 4; ++i) streamed.push_back(char((file.size() >> (8 * i)) & 0xFF));
    data.LoadSkinStream(streamed + file);
    data.Loaded();
    SkinManage()->SetEnabled(true);
    window.setWindowTitle(QStringLiteral("双色球分析"));
    for (const char* title : {"模式(&M)", "系统(&S)", "帮助(&H)"})
      window.menuBar()->addMenu(QString::fromUtf8(title))->addAction(QStringLiteral("..."));
    window.setGeometry(0, 0, 1280, 800);
    window.show();
    QCoreApplication::processEvents();
    SkinManage()->AddForm(&window);
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
    auto* form = dynamic_cast<TWinSkinForm*>(SkinManage()->FindForm(&window));
    frame = form ? form->Frame() : nullptr;
    window.resize(1280, 800);  // the frameless widget is the whole window
    QCoreApplication::processEvents();
  }
  ~SkinnedWindow() { FreeSkinManage(); }
  TSkinData data;
  QMainWindow window;
  TSkinFormFrame* frame = nullptr;
};

}  // namespace

static void BM_PaintFrame1280x800(benchmark::State& state) {
  SkinnedWindow s;
  if (!s.frame) return state.SkipWithError("not skinned");
  const TRect r = FrameWindowRect(&s.window);
  Bitmap target(r.Width(), r.Height());
  Canvas canvas(target);
  for (auto _ : state) s.frame->PaintFrame(&canvas);
  state.counters["width"] = r.Width();
  state.counters["height"] = r.Height();
}
BENCHMARK(BM_PaintFrame1280x800)->Unit(benchmark::kMicrosecond);

// The region made and set on the window.
static void BM_UpdateRegionTransparentCorners(benchmark::State& state) {
  SkinnedWindow s;
  if (!s.frame) return state.SkipWithError("not skinned");
  const TRect r = FrameWindowRect(&s.window);
  for (auto _ : state) SetWindowRgn(&s.window, s.frame->FrameRegion(r.Width(), r.Height()), false);
  state.counters["rects"] = s.frame->FrameRegion(r.Width(), r.Height()).rectCount();
}
BENCHMARK(BM_UpdateRegionTransparentCorners)->Unit(benchmark::kMicrosecond);

static void BM_PaintMenuBar(benchmark::State& state) {
  SkinnedWindow s;
  if (!s.frame || !s.frame->MenuBar()) return state.SkipWithError("no skinned menu bar");
  const TRect r = FrameWindowRect(&s.window);
  const TRect band = Rect(s.frame->LeftWidth(), s.frame->CaptionHeight(), r.Width() - s.frame->RightWidth(),
                          s.frame->CaptionHeight() + s.frame->MenuHeight());
  Bitmap target(r.Width(), r.Height());
  Canvas canvas(target);
  for (auto _ : state) s.frame->MenuBar()->PaintBar(canvas, band);
}
BENCHMARK(BM_PaintMenuBar)->Unit(benchmark::kMicrosecond);
