// A skinned popup menu of 30 items painted whole (QWidget::render of the
// shown popup into an image) against the same popup in Qt's Fusion style,
// in the same run:
// - "/Skinned": the menu painter's style on the popup (the menu skin, an
//   extra line, check and radio items, a separator), its border image kept
//   between paints as while the popup stays open;
// - "/SkinnedFirstPaint": the border image made again for every paint, as
//   at each showing;
// - "/Fusion": the same items in the Fusion style.
// Goal: the skinned popup within 2 times the Fusion popup.
#include "platform/Startup.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/manager/sSkinMenus.h"
#include "skinlib/support/TestSkins.h"
#include "support/TempDir.h"

#include <QActionGroup>
#include <QImage>
#include <QMenu>
#include <QPainter>
#include <QStyle>
#include <QStyleFactory>

#include <benchmark/benchmark.h>

#include <memory>
#include <stdexcept>

namespace {

void Fill(QMenu& menu) {
  auto* group = new QActionGroup(&menu);
  for (int i = 0; i < 30; ++i) {
    if (i == 10) {
      menu.addSeparator();
      continue;
    }
    QAction* a = menu.addAction(QStringLiteral("Menu item %1").arg(i) + (i % 7 == 0 ? QStringLiteral("\tCtrl+%1").arg(i % 10) : QString()));
    if (i % 5 == 1) {
      a->setCheckable(true);
      a->setChecked(true);
    }
    if (i >= 20 && i < 24) {
      a->setCheckable(true);
      group->addAction(a);
      a->setChecked(i == 21);
    }
    if (i == 25) a->setEnabled(false);
  }
}

struct Scene {
  testsupport::TempDir dir;
  std::unique_ptr<TsSkinManager> manager;
  std::unique_ptr<QStyle> fusion{QStyleFactory::create(QStringLiteral("Fusion"))};
  QMenu skinned, plain;

  Scene() {
    platform::RunUnitStartups();
    const QString root = QString::fromStdString(dir.Path());
    if (!testskins::WriteSkinFolder(testskins::MenuSkin(), root + QStringLiteral("/Menus")))
      throw std::runtime_error("cannot write the skin");
    manager = std::make_unique<TsSkinManager>();
    manager->SetSkinDirectory(root);
    manager->SetSkinName(QStringLiteral("Menus"));
    if (!manager->SkinData || !manager->SkinData->Active) throw std::runtime_error("no skin");
    manager->MenuSupport().UseExtraLine = true;
    Fill(skinned);
    Fill(plain);
    manager->SkinableMenus().HookPopupMenu(&skinned, true);
    if (!manager->SkinableMenus().Hooks(&skinned)) throw std::runtime_error("not hooked");
    plain.setStyle(fusion.get());
    skinned.popup(QPoint(0, 0));
    plain.popup(QPoint(300, 0));
  }
};

// Made once and left to the end of the process: its widgets must not
// outlive the application object in a static's destructor.
Scene& TheScene() {
  static Scene* scene = new Scene;
  return *scene;
}

void Paint(benchmark::State& state, QMenu& menu, bool freshBorder) {
  QImage image(menu.size(), QImage::Format_RGB32);
  for (auto _ : state) {
    if (freshBorder) TsSkinableMenus::ClearExtraLineCache();
    menu.render(&image);
    benchmark::DoNotOptimize(image.constBits());
  }
  state.counters["width"] = menu.width();
  state.counters["height"] = menu.height();
}

void BM_Popup30_Skinned(benchmark::State& state) { Paint(state, TheScene().skinned, false); }
void BM_Popup30_SkinnedFirstPaint(benchmark::State& state) { Paint(state, TheScene().skinned, true); }
void BM_Popup30_Fusion(benchmark::State& state) { Paint(state, TheScene().plain, false); }

BENCHMARK(BM_Popup30_Skinned)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Popup30_SkinnedFirstPaint)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Popup30_Fusion)->Unit(benchmark::kMicrosecond);

}  // namespace
