// Skinned scroll bars against Qt's own painting of the same bars in the
// same run: a text edit of 400 x 300 with both bars,
// - PaintScrollBars into a canvas of the edit's size (both bars and the
//   corner square, each bar a new bitmap from the skin) against
//   QStyle::drawComplexControl(CC_ScrollBar) of both bars into a QImage of
//   the same size;
// - one thumb-drag step (the bar's picture painted with the thumb moved,
//   the position worked out and sent as SB_THUMBTRACK, the bar asked to
//   repaint) against setting the slider's position and drawing the bar
//   with drawComplexControl.
// Goal: not slower than Qt.
#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Messages.h"
#include "platform/Startup.h"
#include "platform/WindowProc.h"
#include "platform/WindowUtils.h"
#include "skinlib/adapters/ScrollBars.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/support/TestSkins.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTextEdit>

#include <benchmark/benchmark.h>

#include <memory>
#include <stdexcept>

using namespace platform;

namespace {

constexpr const char* kUnits[] = {"LibraryConstants", "SkinnedForms", "SkinCommandSenders", "acSBUtils"};

struct Scene {
  testsupport::TempDir dir;
  QWidget form;
  QTextEdit* edit = nullptr;
  std::unique_ptr<TsSkinManager> manager;
  TacAdapterPtr<TacScrollWnd> adapter;

  Scene() {
    for (const char* unit : kUnits) StartUnit(unit);
    const QString root = QString::fromStdString(dir.Path());
    if (!testskins::WriteSkinFolder(testskins::ScrollBarSkin(), root + QStringLiteral("/ScrollBars")))
      throw std::runtime_error("cannot write the skin");
    form.resize(420, 320);
    edit = new QTextEdit(&form);
    edit->setLineWrapMode(QTextEdit::NoWrap);
    QString text;
    for (int i = 0; i < 500; ++i) text += QStringLiteral("line %1 ").arg(i) + QString(200, QLatin1Char('x')) + "\n";
    edit->setPlainText(text);
    edit->setGeometry(10, 10, 400, 300);
    form.show();
    QApplication::processEvents();
    manager = std::make_unique<TsSkinManager>();
    manager->SetSkinDirectory(root);
    manager->SetSkinName(QStringLiteral("ScrollBars"));
    if (!manager->Active()) throw std::runtime_error("no skin");
    adapter = InstallScrollAdapter(edit, nullptr, nullptr, QStringLiteral("EDIT"), true);
    QApplication::processEvents();
    if (!adapter->HorzBar()->Visible || !adapter->VertBar()->Visible) throw std::runtime_error("no bars");
  }
  ~Scene() {
    adapter.reset();
    manager.reset();
    for (auto it = std::rbegin(kUnits); it != std::rend(kUnits); ++it) FinishUnit(*it);
  }
};

// Made once and never freed: its widgets may not outlive the application
// object, which main() ends before static objects go.
Scene& TheScene() {
  static Scene* scene = new Scene;
  return *scene;
}

void DrawQtBar(QPainter& p, QScrollBar* bar, int position) {
  QStyleOptionSlider opt;
  opt.initFrom(bar);
  opt.subControls = QStyle::SC_All;
  opt.orientation = bar->orientation();
  opt.minimum = bar->minimum();
  opt.maximum = bar->maximum();
  opt.sliderPosition = position;
  opt.sliderValue = position;
  opt.singleStep = bar->singleStep();
  opt.pageStep = bar->pageStep();
  if (bar->orientation() == Qt::Horizontal) opt.state |= QStyle::State_Horizontal;
  p.save();
  p.translate(bar->mapTo(bar->window(), QPoint(0, 0)) - TheScene().edit->pos());
  bar->style()->drawComplexControl(QStyle::CC_ScrollBar, &opt, &p, bar);
  p.restore();
}

void BM_PaintScrollBars(benchmark::State& state) {
  Scene& s = TheScene();
  Bitmap target(s.edit->width(), s.edit->height(), pf24bit);
  Canvas dc(target);
  for (auto _ : state) {
    s.adapter->PaintScrollBars(&dc);
    benchmark::DoNotOptimize(target.ScanLine(0));
  }
}

void BM_QtDrawScrollBars(benchmark::State& state) {
  Scene& s = TheScene();
  QImage target(s.edit->size(), QImage::Format_RGB32);
  QPainter p(&target);
  for (auto _ : state) {
    DrawQtBar(p, s.edit->horizontalScrollBar(), s.edit->horizontalScrollBar()->value());
    DrawQtBar(p, s.edit->verticalScrollBar(), s.edit->verticalScrollBar()->value());
    benchmark::DoNotOptimize(target.constBits());
  }
}

void BM_ThumbDragStep(benchmark::State& state) {
  Scene& s = TheScene();
  const TRect r = s.adapter->HorzBarRect();
  const TacThumb thumb = ThumbGeometry(s.adapter->Layout(*s.adapter->HorzBar()), r);
  const int y = (r.Top + r.Bottom) / 2, x0 = thumb.Start + thumb.Size / 2;
  SendMessage(s.edit, WM_NCLBUTTONDOWN, HTHSCROLL, MAKELPARAM(x0, y));
  int step = 0;
  for (auto _ : state) {
    TPoint p{x0 + (step++ % 100), y};
    ScreenToClient(s.edit, &p);
    SendMessage(s.edit, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(p.X, p.Y));
  }
  SendMessage(s.edit, WM_LBUTTONUP, 0, 0);
  QApplication::processEvents();
}

void BM_QtDragStep(benchmark::State& state) {
  Scene& s = TheScene();
  QScrollBar* bar = s.edit->horizontalScrollBar();
  QImage target(s.edit->size(), QImage::Format_RGB32);
  QPainter p(&target);
  int step = 0;
  for (auto _ : state) {
    const int position = (step++ % 100) * bar->maximum() / 100;
    bar->setSliderPosition(position);
    DrawQtBar(p, bar, position);
    benchmark::DoNotOptimize(target.constBits());
  }
  bar->setSliderPosition(0);
  QApplication::processEvents();
}

}  // namespace

BENCHMARK(BM_PaintScrollBars)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_QtDrawScrollBars)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ThumbDragStep)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_QtDragStep)->Unit(benchmark::kMicrosecond);
