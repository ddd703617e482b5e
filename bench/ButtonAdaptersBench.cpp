// The button and check-box adapters against Qt's own drawing in the same
// run:
// - a 75 x 28 push button's PrepareCache (the section over its parent,
//   its border and corner glyph, the caption), normal and hot, against
//   QStyle drawing the same button (CE_PushButton, argument 1: the mouse
//   over it) into an image of its size;
// - a check box's cache against QStyle's CE_CheckBox of the same box.
// Goal: within 2 times Qt's time.
#include "platform/Startup.h"
#include "skinlib/adapters/ButtonAdapters.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/support/ButtonSkin.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>

#include <benchmark/benchmark.h>

#include <memory>
#include <stdexcept>

using namespace platform;

namespace {

constexpr const char* kUnits[] = {"LibraryConstants", "SkinnedForms", "SkinCommandSenders",
                                  "SectionBackgrounds", "acSBUtils", "EditAdapters"};

struct Scene {
  testsupport::TempDir dir;
  QWidget form;
  QPushButton* skinned = nullptr;
  QPushButton* plain = nullptr;
  QCheckBox* skinnedCheck = nullptr;
  QCheckBox* plainCheck = nullptr;
  std::unique_ptr<TsSkinManager> manager;
  TacAdapterPtr<TacBtnWnd> button;
  TacAdapterPtr<TacCheckBoxWnd> check;

  Scene() {
    for (const char* unit : kUnits) StartUnit(unit);
    const QString root = QString::fromStdString(dir.Path());
    if (!testskins::WriteSkinFolder(testskins::ButtonSkin(), root + QStringLiteral("/Buttons")))
      throw std::runtime_error("cannot write the skin");
    form.resize(300, 120);
    form.setFocusPolicy(Qt::StrongFocus);
    skinned = new QPushButton(QStringLiteral("取消"), &form);
    skinned->setGeometry(10, 10, 75, 28);
    plain = new QPushButton(QStringLiteral("取消"), &form);
    plain->setGeometry(100, 10, 75, 28);
    skinnedCheck = new QCheckBox(QStringLiteral("只看蓝球"), &form);
    skinnedCheck->setGeometry(10, 50, 100, 22);
    skinnedCheck->setChecked(true);
    plainCheck = new QCheckBox(QStringLiteral("只看蓝球"), &form);
    plainCheck->setGeometry(120, 50, 100, 22);
    plainCheck->setChecked(true);
    form.show();
    QApplication::processEvents();
    manager = std::make_unique<TsSkinManager>();
    manager->SetSkinDirectory(root);
    manager->SetSkinName(QStringLiteral("Buttons"));
    if (!manager->Active()) throw std::runtime_error("no skin");
    button = TacMainWnd::Create<TacBtnWnd>(skinned, nullptr, manager.get(), QString(), true);
    check = TacMainWnd::Create<TacCheckBoxWnd>(skinnedCheck, nullptr, manager.get(), QString(), true);
    // Both buttons in the same state: neither focused nor hot.
    form.setFocus();
    QApplication::processEvents();
  }
  ~Scene() {
    check.reset();
    button.reset();
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

void BM_ButtonPrepareCache(benchmark::State& state) {
  Scene& s = TheScene();
  for (auto _ : state) {
    s.button->PrepareCache();
    benchmark::DoNotOptimize(s.button->SkinData()->CacheBitmap.get());
  }
}

// The hot look (the mouse over the button).
void BM_ButtonPrepareCacheHot(benchmark::State& state) {
  Scene& s = TheScene();
  s.manager->SetHotWindow(s.skinned);
  for (auto _ : state) {
    s.button->PrepareCache();
    benchmark::DoNotOptimize(s.button->SkinData()->CacheBitmap.get());
  }
  s.manager->SetHotWindow(nullptr);
}

void BM_QStyleButton(benchmark::State& state) {
  Scene& s = TheScene();
  QImage target(s.plain->size(), QImage::Format_RGB32);
  QStyleOptionButton option;
  option.initFrom(s.plain);
  option.text = s.plain->text();
  if (state.range(0)) option.state |= QStyle::State_MouseOver;
  for (auto _ : state) {
    QPainter p(&target);
    s.plain->style()->drawControl(QStyle::CE_PushButton, &option, &p, s.plain);
    p.end();
    benchmark::DoNotOptimize(target.constBits());
  }
}

void BM_CheckBoxPrepareCache(benchmark::State& state) {
  Scene& s = TheScene();
  const TacCheckBoxState box = s.check->ReadCheckBoxState();
  for (auto _ : state) {
    s.check->PrepareCache(box);
    benchmark::DoNotOptimize(s.check->SkinData()->CacheBitmap.get());
  }
}

void BM_QStyleCheckBox(benchmark::State& state) {
  Scene& s = TheScene();
  QImage target(s.plainCheck->size(), QImage::Format_RGB32);
  QStyleOptionButton option;
  option.initFrom(s.plainCheck);
  option.text = s.plainCheck->text();
  option.state |= QStyle::State_On;
  for (auto _ : state) {
    QPainter p(&target);
    p.fillRect(target.rect(), s.plainCheck->palette().window());
    s.plainCheck->style()->drawControl(QStyle::CE_CheckBox, &option, &p, s.plainCheck);
    p.end();
    benchmark::DoNotOptimize(target.constBits());
  }
}

}  // namespace

BENCHMARK(BM_ButtonPrepareCache);
BENCHMARK(BM_ButtonPrepareCacheHot);
BENCHMARK(BM_QStyleButton)->Arg(0)->Arg(1);
BENCHMARK(BM_CheckBoxPrepareCache);
BENCHMARK(BM_QStyleCheckBox);
