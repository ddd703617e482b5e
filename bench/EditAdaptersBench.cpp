// The edit and list adapters against Qt's own painting in the same run,
// in the generator's edit skin:
// - a skinned line edit of 200 x 24 painted whole with its frame made
//   anew (the cache and border from the skin, WM_NCPAINT's strip), and
//   with its cache ready (the strip copied), against a plain QLineEdit of
//   the same size painted whole;
// - a report view's 12-column header (sorted by its first column) painted
//   from the skin's "COLHEADER" against a plain QHeaderView of the same
//   columns.
// Goal: within 1.5 times Qt's time.
#include "platform/Startup.h"
#include "skinlib/adapters/EditAdapters.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/support/EditSkin.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QStandardItemModel>
#include <QTreeView>

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
  QLineEdit* skinnedEdit = nullptr;
  QLineEdit* plainEdit = nullptr;
  QTreeView* skinnedTree = nullptr;
  QTreeView* plainTree = nullptr;
  QStandardItemModel model;
  std::unique_ptr<TsSkinManager> manager;
  std::unique_ptr<TsCommonData> editData;
  TacAdapterPtr<TacEditWnd> edit;
  TacAdapterPtr<TacListViewWnd> list;

  Scene() {
    for (const char* unit : kUnits) StartUnit(unit);
    const QString root = QString::fromStdString(dir.Path());
    if (!testskins::WriteSkinFolder(testskins::EditSkin(), root + QStringLiteral("/Edit")))
      throw std::runtime_error("cannot write the skin");
    form.resize(900, 400);
    skinnedEdit = new QLineEdit(QStringLiteral("2026001"), &form);
    skinnedEdit->setGeometry(10, 10, 200, 24);
    plainEdit = new QLineEdit(QStringLiteral("2026001"), &form);
    plainEdit->setGeometry(10, 40, 200, 24);
    model.setColumnCount(12);
    for (int c = 0; c < 12; ++c) model.setHeaderData(c, Qt::Horizontal, QStringLiteral("Col %1").arg(c + 1));
    skinnedTree = new QTreeView(&form);
    skinnedTree->setModel(&model);
    skinnedTree->setGeometry(10, 80, 880, 150);
    plainTree = new QTreeView(&form);
    plainTree->setModel(&model);
    plainTree->setGeometry(10, 240, 880, 150);
    for (QTreeView* t : {skinnedTree, plainTree}) {
      for (int c = 0; c < 12; ++c) t->header()->resizeSection(c, 70);
      t->header()->setSortIndicator(0, Qt::AscendingOrder);
      t->header()->setSortIndicatorShown(true);
    }
    form.show();
    QApplication::processEvents();
    manager = std::make_unique<TsSkinManager>();
    manager->SetSkinDirectory(root);
    manager->SetSkinName(QStringLiteral("Edit"));
    if (!manager->Active()) throw std::runtime_error("no skin");
    editData = std::make_unique<TsCommonData>(skinnedEdit);
    editData->SetSkinManager(manager.get());
    editData->SetSkinSection(QStringLiteral("EDIT"));
    edit = TacMainWnd::Create<TacEditWnd>(skinnedEdit, editData.get(), manager.get(), QStringLiteral("EDIT"), true);
    list = TacMainWnd::Create<TacListViewWnd>(skinnedTree, nullptr, manager.get(), QStringLiteral("EDIT"), true);
    QApplication::processEvents();
    if (!list->HeaderWnd()) throw std::runtime_error("no header");
  }
  ~Scene() {
    list.reset();
    edit.reset();
    editData.reset();
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

void BM_SkinnedEditFrame(benchmark::State& state) {
  Scene& s = TheScene();
  QImage target(s.skinnedEdit->size(), QImage::Format_RGB32);
  for (auto _ : state) {
    s.editData->BackgroundDirty = true;  // the frame made anew each time
    s.skinnedEdit->render(&target);
    benchmark::DoNotOptimize(target.constBits());
  }
}

void BM_SkinnedEditRepaint(benchmark::State& state) {
  Scene& s = TheScene();
  QImage target(s.skinnedEdit->size(), QImage::Format_RGB32);
  s.skinnedEdit->render(&target);  // the cache ready: the frame is copied
  for (auto _ : state) {
    s.skinnedEdit->render(&target);
    benchmark::DoNotOptimize(target.constBits());
  }
}

void BM_PlainEditPaint(benchmark::State& state) {
  Scene& s = TheScene();
  QImage target(s.plainEdit->size(), QImage::Format_RGB32);
  for (auto _ : state) {
    s.plainEdit->render(&target);
    benchmark::DoNotOptimize(target.constBits());
  }
}

void BM_SkinnedHeader12(benchmark::State& state) {
  Scene& s = TheScene();
  QHeaderView* header = s.skinnedTree->header();
  QImage target(header->size(), QImage::Format_RGB32);
  for (auto _ : state) {
    header->render(&target);
    benchmark::DoNotOptimize(target.constBits());
  }
}

void BM_QtHeader12(benchmark::State& state) {
  Scene& s = TheScene();
  QHeaderView* header = s.plainTree->header();
  QImage target(header->size(), QImage::Format_RGB32);
  for (auto _ : state) {
    header->render(&target);
    benchmark::DoNotOptimize(target.constBits());
  }
}

}  // namespace

BENCHMARK(BM_SkinnedEditFrame);
BENCHMARK(BM_SkinnedEditRepaint);
BENCHMARK(BM_PlainEditPaint);
BENCHMARK(BM_SkinnedHeader12);
BENCHMARK(BM_QtHeader12);
