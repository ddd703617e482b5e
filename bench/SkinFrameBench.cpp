// Cost of a skinned form's frame with the program's skin: painting the
// band of a 1280 x 800 window, making its region (the skin's borders have
// transparent corners) and painting its menu bar; and the time from a
// dialog's exec() to its first paint, skinned (the frame goes on as it is
// first shown) against the same dialog unskinned.
#include "platform/NonClient.h"
#include "platform/WindowTable.h"
#include "skinning/WinSkinFormFrame.h"
#include "skinning/WinSkinFormWalk.h"
#include "skinning/WinSkinManage.h"
#include "skinning/WinSkinMenuBar.h"
#include "tools/skin/ProgramSkin.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

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

// From exec() to the dialog's first paint: a dialog of three labelled
// edits and two buttons over a shown owner; skinned (argument 1) it gets
// the program skin's frame and control painters as it is first shown.
static void BM_ExecToFirstPaint(benchmark::State& state) {
  const bool skinned = state.range(0) != 0;
  SkinnedWindow owner;
  if (!owner.frame) return state.SkipWithError("not skinned");
  SkinManage()->SetEnabled(skinned);
  bool framed = true;
  for (auto _ : state) {
    QDialog dialog(&owner.window);
    dialog.setWindowTitle(QStringLiteral("修改密码"));
    auto* form = new QFormLayout(&dialog);
    for (const char* label : {"新密码", "确认密码", "旧密码"}) form->addRow(QString::fromUtf8(label), new QLineEdit);
    form->addRow(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel));
    struct FirstPaint : QObject {
      QElapsedTimer clock;
      qint64 ns = -1;
      bool framed = false;
      bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::Paint && ns < 0) {
          ns = clock.nsecsElapsed();
          framed = HasNonClientFrame(static_cast<QWidget*>(watched));
          QTimer::singleShot(0, static_cast<QDialog*>(watched), &QDialog::accept);
        }
        return false;
      }
    } paint;
    dialog.installEventFilter(&paint);
    paint.clock.start();
    dialog.exec();
    state.SetIterationTime(double(paint.ns) / 1e9);
    framed = framed && paint.framed;
  }
  if (skinned && !framed) state.SkipWithError("a dialog was painted before its frame went on");
}
BENCHMARK(BM_ExecToFirstPaint)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond);
