// Cost of a skinned form's window procedure at work: a full repaint of a
// 1280 x 800 form (the paint event with its band: the cache painted anew
// and its bands copied by WM_NCPAINT) and one resize step (a pixel wider,
// the region, cache and band redone), against the same form unskinned
// (the platform's own frame). Goals: each under 4 ms and within 3x of
// the unskinned form.
#include "platform/NonClient.h"
#include "platform/Startup.h"
#include "skinlib/adapters/sSkinProvider.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/support/DemoMainWindow.h"
#include "skinlib/support/TestSkins.h"
#include "support/TempDir.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <memory>

namespace {

struct Forms {
  Forms() {
    platform::RunUnitStartups();
    testskins::WriteSkinFolder(testskins::FormSkin(), QString::fromStdString(dir.Path()) + "/Forms");
    manager.SetSkinDirectory(QString::fromStdString(dir.Path()));
    manager.SetSkinName(QStringLiteral("Forms"));
    skinned.reset(testskins::DemoMainWindow());
    plain.reset(testskins::DemoMainWindow());
    for (QWidget* w : {skinned.get(), plain.get()}) w->resize(1280, 800);
    provider = new TsSkinProvider(skinned.get());
    skinned->show();
    plain->show();
    // The unskinned form has the platform's frame too: only the painting differs.
    platform::SetNonClientFrame(plain.get(), true);
  }
  testsupport::TempDir dir;
  TsSkinManager manager;
  std::unique_ptr<QMainWindow> skinned, plain;
  TsSkinProvider* provider = nullptr;
};

// Made once and never freed: its widgets may not outlive the application
// object, which main() ends before static objects go.
Forms& TheForms() {
  static Forms* forms = new Forms;
  return *forms;
}

QImage& Target() {
  static QImage image(1400, 900, QImage::Format_RGB32);
  return image;
}

void Repaint(QWidget* w, TsSkinProvider* provider) {
  if (provider) provider->SkinData()->BackgroundDirty = true;
  QPainter p(&Target());
  w->render(&p, QPoint(), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
}

void BM_FullRepaint(benchmark::State& state) {
  Forms& f = TheForms();
  const bool skinned = state.range(0) == 1;
  QWidget* w = skinned ? f.skinned.get() : f.plain.get();
  for (auto _ : state) Repaint(w, skinned ? f.provider : nullptr);
  state.SetLabel(skinned ? "skinned" : "unskinned");
}
BENCHMARK(BM_FullRepaint)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_ResizeStep(benchmark::State& state) {
  Forms& f = TheForms();
  const bool skinned = state.range(0) == 1;
  QWidget* w = skinned ? f.skinned.get() : f.plain.get();
  bool wider = false;
  for (auto _ : state) {
    wider = !wider;
    w->resize(wider ? 1281 : 1280, 800);
    QCoreApplication::processEvents();
    QPainter p(&Target());
    w->render(&p, QPoint(), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
  }
  state.SetLabel(skinned ? "skinned" : "unskinned");
}
BENCHMARK(BM_ResizeStep)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
