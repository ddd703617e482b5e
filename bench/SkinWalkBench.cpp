// The form skinner's control walk and the scroll-bar painter, with the
// program's own skin.
#include "skinning/TestSkins.h"

#include "platform/WindowTable.h"
#include "skinning/WinSkinFormWalk.h"
#include "skinning/WinSubClassScroll.h"
#include "tools/skin/ProgramSkin.h"

#include <benchmark/benchmark.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

#include <memory>

using namespace platform;
using namespace skinning;

namespace {

std::unique_ptr<TSkinData> ProgramSkin() {
  auto data = std::make_unique<TSkinData>();
  data->LoadSkinStream(testskins::Streamed(skinwriter::SkinFileBytes(skinwriter::MakeProgramSkin())));
  return data;
}

// A form of 60 controls: four panels, each with three buttons, three check
// boxes, two radio buttons, three edits, two combo boxes and a label.
std::unique_ptr<QWidget> Form60() {
  auto form = std::make_unique<QWidget>();
  form->resize(800, 600);
  for (int p = 0; p < 4; ++p) {
    auto* panel = new QFrame(form.get());
    panel->setGeometry(200 * p, 0, 195, 600);
    for (int i = 0; i < 3; ++i) {
      (new QPushButton(QStringLiteral("按钮"), panel))->move(5, 5 + 30 * i);
      (new QCheckBox(QStringLiteral("红球"), panel))->move(5, 100 + 25 * i);
      (new QLineEdit(panel))->move(5, 300 + 30 * i);
    }
    for (int i = 0; i < 2; ++i) {
      (new QRadioButton(QStringLiteral("和值"), panel))->move(5, 200 + 25 * i);
      (new QComboBox(panel))->move(5, 400 + 30 * i);
    }
    new QLabel(QStringLiteral("条件"), panel);
  }
  return form;
}

}  // namespace

// Skinning a form of 60 controls: the form taken up and every control
// given its painter (making the form and freeing the painters untimed).
static void BM_WalkForm60(benchmark::State& state) {
  auto data = ProgramSkin();
  int controls = 0;
  for (auto _ : state) {
    state.PauseTiming();
    std::unique_ptr<QWidget> form = Form60();
    auto skinner = std::make_unique<TWinSkinForm>();
    skinner->SetWindow(form.get(), 0, GetClassName(form.get()));
    state.ResumeTiming();
    skinner->AttachForm(data.get(), form.get());
    skinner->RescanControls(form.get());
    state.PauseTiming();
    controls = int(form->findChildren<QWidget*>(Qt::FindDirectChildrenOnly).size());
    for (QObject* panel : form->children()) controls += int(panel->findChildren<QWidget*>(Qt::FindDirectChildrenOnly).size());
    state.counters["painters"] = double(skinner->Controls().size());
    skinner.reset();
    form.reset();
    state.ResumeTiming();
  }
  state.counters["controls"] = controls;
}
BENCHMARK(BM_WalkForm60)->Unit(benchmark::kMillisecond);

// A 17 x 300 vertical bar painted whole, skinned (argument 0) or in the
// standard look (1), for comparison.
static void BM_PaintScrollBar17x300(benchmark::State& state) {
  auto data = ProgramSkin();
  QScrollBar bar(Qt::Vertical);
  bar.resize(17, 300);
  bar.setRange(0, 1000);
  bar.setPageStep(100);
  bar.setValue(400);
  if (state.range(0) == 0) (new TSkinScrollbar(&bar))->HookScrollbars(&bar, data.get(), nullptr);
  QImage image(bar.size(), QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    bar.render(&image);
    benchmark::DoNotOptimize(image.bits());
  }
}
BENCHMARK(BM_PaintScrollBar17x300)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
