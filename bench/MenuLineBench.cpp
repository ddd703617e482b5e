// A window's menu line of ten items laid out again and painted, against a
// QMenuBar with the same actions laid out again (a resize) and rendered.
#include "platform/Canvas.h"
#include "platform/MenuLine.h"
#include "platform/NonClient.h"

#include <QCoreApplication>
#include <QImage>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QResizeEvent>

#include <benchmark/benchmark.h>

using namespace platform;

namespace {

constexpr int kWidth = 800;

void AddItems(QMenuBar* bar) {
  for (int i = 0; i < 10; ++i) bar->addMenu(QStringLiteral("菜单%1(&%2)").arg(i).arg(QChar('A' + i)))->addAction("x");
}

void BM_MenuLineLayoutAndPaint(benchmark::State& state) {
  QMainWindow form;
  AddItems(form.menuBar());
  form.setGeometry(0, 0, kWidth, 300);
  SetNonClientFrame(&form);
  QImage image(form.size(), QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    DrawMenuBar(&form);
    Canvas dc(&image);
    PaintMenuLine(&form, dc);
  }
  state.counters["height"] = GetMenuLineRect(&form).Height();
}
BENCHMARK(BM_MenuLineLayoutAndPaint);

void BM_QMenuBarLayoutAndRender(benchmark::State& state) {
  QMenuBar bar;
  AddItems(&bar);
  bar.resize(kWidth, bar.heightForWidth(kWidth));
  QImage image(bar.size(), QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    QResizeEvent resize(bar.size(), bar.size());
    QCoreApplication::sendEvent(&bar, &resize);
    bar.render(&image);
  }
  state.counters["height"] = bar.height();
}
BENCHMARK(BM_QMenuBarLayoutAndRender);

}  // namespace
