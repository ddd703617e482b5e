// The skinned MDI client's erase at 1280 x 800 (the MDIAREA part copied
// from the form's cache into the viewport), through the message and as a
// whole render of the viewport, against a plain QMdiArea's own background
// paint of the same size in the same run. Goal: within 2 times Qt's time.
#include "platform/Bitmap.h"
#include "platform/Messages.h"
#include "platform/Startup.h"
#include "platform/WindowProc.h"
#include "skinlib/adapters/sMDIForm.h"
#include "skinlib/adapters/sSkinProvider.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/support/MdiSkin.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QImage>
#include <QMainWindow>
#include <QMdiArea>

#include <benchmark/benchmark.h>

#include <memory>
#include <stdexcept>

using namespace platform;

namespace {

constexpr const char* kUnits[] = {"LibraryConstants", "SkinnedForms", "SkinCommandSenders",
                                  "SectionBackgrounds", "acSBUtils", "EditAdapters", "sSkinProvider"};
constexpr int kWidth = 1280, kHeight = 800;

struct Scene {
  testsupport::TempDir dir;
  std::unique_ptr<TsSkinManager> manager;
  std::unique_ptr<QMainWindow> skinned;
  std::unique_ptr<QMdiArea> plain;
  QMdiArea* area = nullptr;
  TsSkinProvider* provider = nullptr;

  Scene() {
    for (const char* unit : kUnits) StartUnit(unit);
    const QString root = QString::fromStdString(dir.Path());
    if (!testskins::WriteSkinFolder(testskins::MdiSkin(), root + QStringLiteral("/Mdi")))
      throw std::runtime_error("cannot write the skin");
    manager = std::make_unique<TsSkinManager>();
    manager->SetSkinDirectory(root);
    manager->SetSkinName(QStringLiteral("Mdi"));
    if (!manager->Active()) throw std::runtime_error("no skin");
    skinned = std::make_unique<QMainWindow>();
    skinned->setProperty("FormStyle", QStringLiteral("fsMDIForm"));
    area = new QMdiArea;
    skinned->setCentralWidget(area);
    provider = new TsSkinProvider(skinned.get());
    skinned->resize(kWidth + 40, kHeight + 80);
    skinned->show();
    QApplication::processEvents();
    // The viewport exactly 1280 x 800.
    const QSize viewport = area->viewport()->size();
    skinned->resize(skinned->width() + kWidth - viewport.width(), skinned->height() + kHeight - viewport.height());
    QApplication::processEvents();
    if (area->viewport()->size() != QSize(kWidth, kHeight) || !provider->MDIAdapter())
      throw std::runtime_error("no skinned client of 1280 x 800");
    plain = std::make_unique<QMdiArea>();
    plain->show();
    plain->resize(kWidth + (plain->width() - plain->viewport()->width()),
                  kHeight + (plain->height() - plain->viewport()->height()));
    QApplication::processEvents();
    provider->PaintAll();  // the cache ready, as after the form's first paint
  }
  ~Scene() {
    skinned.reset();
    plain.reset();
    manager.reset();
    for (auto it = std::rbegin(kUnits); it != std::rend(kUnits); ++it) FinishUnit(*it);
  }
};

Scene& TheScene() {
  static Scene* scene = new Scene;
  return *scene;
}

void BM_SkinnedMdiErase(benchmark::State& state) {
  Scene& s = TheScene();
  Bitmap target(kWidth, kHeight, pf24bit);
  Canvas& canvas = target.GetCanvas();
  for (auto _ : state) {
    SendMessage(s.area->viewport(), WM_ERASEBKGND, PtrParam(&canvas), 0);
    benchmark::DoNotOptimize(target.GetPixel(0, 0));
  }
}

void BM_SkinnedMdiRender(benchmark::State& state) {
  Scene& s = TheScene();
  QImage target(kWidth, kHeight, QImage::Format_RGB32);
  for (auto _ : state) {
    s.area->viewport()->render(&target);
    benchmark::DoNotOptimize(target.constBits());
  }
}

void BM_QtMdiRender(benchmark::State& state) {
  Scene& s = TheScene();
  QImage target(s.plain->viewport()->size(), QImage::Format_RGB32);
  for (auto _ : state) {
    s.plain->viewport()->render(&target);
    benchmark::DoNotOptimize(target.constBits());
  }
}

}  // namespace

BENCHMARK(BM_SkinnedMdiErase)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SkinnedMdiRender)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_QtMdiRender)->Unit(benchmark::kMicrosecond);
