// The control adapter walking a form of 200 controls (100 line edits, 20
// list boxes, 20 combo boxes, 60 labels) and adapting every one
// (AddAllItems: the edits, lists and combos get their window adapters, the
// labels the skin's font colour), against setting a palette (background
// and text colour) on the same 200 widgets in the same run. The adapter
// made by each round is freed, its controls given back, outside the time.
// Goal: AddAllItems under 20 ms.
#include "platform/Startup.h"
#include "skinlib/adapters/sCtrlAdapter.h"
#include "skinlib/adapters/sSkinProvider.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/support/TestSkins.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPalette>

#include <benchmark/benchmark.h>

#include <memory>
#include <stdexcept>
#include <vector>

using namespace platform;

namespace {

constexpr const char* kUnits[] = {"LibraryConstants", "SkinnedForms", "SkinCommandSenders", "SectionBackgrounds",
                                  "acSBUtils", "EditAdapters", "sSkinProvider", "sCtrlAdapter"};

struct Scene {
  testsupport::TempDir dir;
  std::unique_ptr<TsSkinManager> manager;
  QWidget form;
  TsSkinProvider* provider = nullptr;
  std::vector<QWidget*> controls;

  Scene() {
    for (const char* unit : kUnits) StartUnit(unit);
    const QString root = QString::fromStdString(dir.Path());
    if (!testskins::WriteSkinFolder(testskins::ControlDataSkin(), root + QStringLiteral("/Data")))
      throw std::runtime_error("cannot write the skin");
    form.resize(1000, 700);
    for (int i = 0; i < 200; ++i) {
      QWidget* w = nullptr;
      if (i < 100) w = new QLineEdit(QStringLiteral("2026%1").arg(i), &form);
      else if (i < 120) w = new QListWidget(&form);
      else if (i < 140) w = new QComboBox(&form);
      else w = new QLabel(QStringLiteral("Label %1").arg(i), &form);
      w->setGeometry(10 + (i % 10) * 98, 10 + (i / 10) * 34, 90, 28);
      controls.push_back(w);
    }
    form.show();
    QApplication::processEvents();
    manager = std::make_unique<TsSkinManager>();
    manager->SetSkinDirectory(root);
    manager->SetSkinName(QStringLiteral("Data"));
    if (!manager->Active()) throw std::runtime_error("no skin");
    provider = new TsSkinProvider(&form);
    delete CtrlAdapterOf(provider);  // each round makes its own
  }
  ~Scene() {
    delete provider;
    manager.reset();
    for (auto it = std::rbegin(kUnits); it != std::rend(kUnits); ++it) FinishUnit(*it);
  }
};

// Made once and never freed: its widgets may not outlive the application
// object, which goes before static objects do.
Scene& TheScene() {
  static Scene* scene = new Scene;
  return *scene;
}

void BM_AddAllItems200(benchmark::State& state) {
  Scene& s = TheScene();
  int items = 0;
  for (auto _ : state) {
    auto* adapter = new TacCtrlAdapter(s.provider);
    adapter->AddAllItems();
    state.PauseTiming();
    items = adapter->Count();
    delete adapter;
    state.ResumeTiming();
  }
  if (items != 140) state.SkipWithError("not every windowed control was adapted");
  state.counters["items"] = items;
}

void BM_SetPalette200(benchmark::State& state) {
  Scene& s = TheScene();
  bool odd = false;
  for (auto _ : state) {
    odd = !odd;
    for (QWidget* w : s.controls) {
      QPalette palette = w->palette();
      palette.setColor(w->backgroundRole(), odd ? QColor(0xF4, 0xF8, 0xFC) : QColor(0xD8, 0xD8, 0xD8));
      palette.setColor(w->foregroundRole(), odd ? QColor(0x20, 0x20, 0x20) : QColor(0x10, 0x30, 0x60));
      w->setPalette(palette);
    }
  }
}

}  // namespace

BENCHMARK(BM_AddAllItems200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SetPalette200)->Unit(benchmark::kMillisecond);
