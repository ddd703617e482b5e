// A 12-tab control painted by its adapter against Qt painting the same
// control in the same run:
// - a skinned QTabWidget of 12 tabs (600 x 300) rendered whole: the
//   adapter's tab painting (parent background, eleven tabs, the page, the
//   selected tab) and its page's background, against a plain QTabWidget
//   of the same tabs rendered by Qt;
// - the same twelve tabs and page frame drawn straight through QStyle
//   (CE_TabBarTab per tab, PE_FrameTabWidget), Qt's least work.
// Goal: within 2 times Qt's time.
#include "platform/Startup.h"
#include "skinlib/adapters/TabAdapters.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/support/TabSkin.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionTab>
#include <QStyleOptionTabWidgetFrame>
#include <QTabBar>
#include <QTabWidget>

#include <benchmark/benchmark.h>

#include <memory>
#include <stdexcept>

using namespace platform;

namespace {

constexpr const char* kUnits[] = {"LibraryConstants", "SkinnedForms", "SkinCommandSenders",
                                  "SectionBackgrounds", "acSBUtils", "EditAdapters"};

QTabWidget* MakeTabs(QWidget* form, int y) {
  auto* tabs = new QTabWidget(form);
  for (int i = 0; i < 12; ++i) tabs->addTab(new QWidget, QStringLiteral("2026%1").arg(i + 1, 3, 10, QLatin1Char('0')));
  tabs->setUsesScrollButtons(false);
  tabs->setGeometry(10, y, 600, 300);
  tabs->setCurrentIndex(3);
  return tabs;
}

struct Scene {
  testsupport::TempDir dir;
  QWidget form;
  QTabWidget* skinned = nullptr;
  QTabWidget* plain = nullptr;
  std::unique_ptr<TsSkinManager> manager;
  TacAdapterPtr<TacPageControlWnd> adapter;

  Scene() {
    for (const char* unit : kUnits) StartUnit(unit);
    const QString root = QString::fromStdString(dir.Path());
    if (!testskins::WriteSkinFolder(testskins::BarsSkin(), root + QStringLiteral("/Bars")))
      throw std::runtime_error("cannot write the skin");
    form.resize(640, 640);
    skinned = MakeTabs(&form, 10);
    plain = MakeTabs(&form, 320);
    form.show();
    QApplication::processEvents();
    manager = std::make_unique<TsSkinManager>();
    manager->SetSkinDirectory(root);
    manager->SetSkinName(QStringLiteral("Bars"));
    if (!manager->Active()) throw std::runtime_error("no skin");
    adapter = TacMainWnd::Create<TacPageControlWnd>(skinned, nullptr, manager.get(), QString(), true);
    QApplication::processEvents();
  }
};

// Made once and never freed: its widgets may not outlive the application
// object, which goes before static objects do.
Scene& TheScene() {
  static Scene* scene = new Scene;
  return *scene;
}

void BM_SkinnedTabs12(benchmark::State& state) {
  Scene& s = TheScene();
  QImage target(s.skinned->size(), QImage::Format_RGB32);
  const int before = s.adapter->PaintCount();
  for (auto _ : state) {
    s.skinned->render(&target);
    benchmark::DoNotOptimize(target.constBits());
  }
  if (s.adapter->PaintCount() == before) state.SkipWithError("the adapter did not paint");
}

void BM_QtTabs12(benchmark::State& state) {
  Scene& s = TheScene();
  QImage target(s.plain->size(), QImage::Format_RGB32);
  for (auto _ : state) {
    s.plain->render(&target);
    benchmark::DoNotOptimize(target.constBits());
  }
}

void BM_QStyleTabs12(benchmark::State& state) {
  Scene& s = TheScene();
  QTabBar* bar = s.plain->tabBar();
  QImage target(s.plain->size(), QImage::Format_RGB32);
  QStyle* style = s.plain->style();
  for (auto _ : state) {
    QPainter p(&target);
    p.fillRect(target.rect(), s.plain->palette().window());
    QStyleOptionTabWidgetFrame frame;
    frame.initFrom(s.plain);
    frame.rect = QRect(0, bar->height() - 2, target.width(), target.height() - bar->height() + 2);
    style->drawPrimitive(QStyle::PE_FrameTabWidget, &frame, &p, s.plain);
    for (int i = 0; i < bar->count(); ++i) {
      QStyleOptionTab tab;
      tab.initFrom(bar);
      tab.rect = bar->tabRect(i);
      tab.text = bar->tabText(i);
      tab.shape = bar->shape();
      tab.position = i == 0 ? QStyleOptionTab::Beginning
                     : i == bar->count() - 1 ? QStyleOptionTab::End
                                             : QStyleOptionTab::Middle;
      if (i == bar->currentIndex()) tab.state |= QStyle::State_Selected;
      style->drawControl(QStyle::CE_TabBarTab, &tab, &p, bar);
    }
    p.end();
    benchmark::DoNotOptimize(target.constBits());
  }
}

}  // namespace

BENCHMARK(BM_SkinnedTabs12);
BENCHMARK(BM_QtTabs12);
BENCHMARK(BM_QStyleTabs12);
