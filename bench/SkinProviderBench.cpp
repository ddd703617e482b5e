// Cost of a skinned form's title: PaintAll of an 800 x 600 form into its
// cache (frame, title band, icon, caption, strip and buttons, from the
// form skin of the test-skin generator) and one hot caption button
// repainted, against the style drawing a title bar (CC_TitleBar) and a
// window frame of the same size into an image. Goals: PaintAll under
// 2 ms, a hot-button repaint under 0.2 ms, each within 3x of the style.
#include "platform/Startup.h"
#include "skinlib/adapters/sSkinProvider.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/support/TestSkins.h"
#include "support/TempDir.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionTitleBar>
#include <QWidget>

namespace {

struct SkinnedForm {
  SkinnedForm() {
    platform::RunUnitStartups();
    testskins::WriteSkinFolder(testskins::FormSkin(), QString::fromStdString(dir.Path()) + "/Forms");
    manager.SetSkinDirectory(QString::fromStdString(dir.Path()));
    manager.SetSkinName(QStringLiteral("Forms"));
    form.resize(800, 600);
    form.setWindowTitle(QStringLiteral("双色球分析 - 号码缩水"));
    provider = new TsSkinProvider(&form);
    form.show();
    form.resize(800, 600);
    provider->PaintAll();
  }
  testsupport::TempDir dir;
  TsSkinManager manager;
  QWidget form;
  TsSkinProvider* provider = nullptr;
};

// Made once and never freed: its widgets may not outlive the application
// object, which main() ends before static objects go.
SkinnedForm& Form() {
  static SkinnedForm* form = new SkinnedForm;
  return *form;
}

void BM_ProviderPaintAll(benchmark::State& state) {
  SkinnedForm& f = Form();
  for (auto _ : state) f.provider->PaintAll();
}
BENCHMARK(BM_ProviderPaintAll)->Unit(benchmark::kMicrosecond);

void BM_ProviderHotButton(benchmark::State& state) {
  SkinnedForm& f = Form();
  bool close = false;
  for (auto _ : state) {
    close = !close;
    f.provider->SetHotButton(close ? platform::HTCLOSE : platform::HTMAXBUTTON, true);
  }
}
BENCHMARK(BM_ProviderHotButton)->Unit(benchmark::kMicrosecond);

QStyleOptionTitleBar TitleOption(const QWidget& w) {
  QStyleOptionTitleBar option;
  option.initFrom(&w);
  option.rect = QRect(0, 0, 800, 23);
  option.text = QStringLiteral("双色球分析 - 号码缩水");
  option.titleBarFlags = Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint;
  option.titleBarState = Qt::WindowActive;
  option.subControls = QStyle::SC_All;
  return option;
}

void BM_StyleTitleAndFrame(benchmark::State& state) {
  SkinnedForm& f = Form();
  QImage image(800, 600, QImage::Format_RGB32);
  QStyle* style = QApplication::style();
  for (auto _ : state) {
    QPainter p(&image);
    QStyleOptionTitleBar option = TitleOption(f.form);
    style->drawComplexControl(QStyle::CC_TitleBar, &option, &p, &f.form);
    QStyleOptionFrame frame;
    frame.initFrom(&f.form);
    frame.rect = QRect(0, 0, 800, 600);
    frame.lineWidth = 4;
    style->drawPrimitive(QStyle::PE_FrameWindow, &frame, &p, &f.form);
  }
}
BENCHMARK(BM_StyleTitleAndFrame)->Unit(benchmark::kMicrosecond);

void BM_StyleHotButton(benchmark::State& state) {
  SkinnedForm& f = Form();
  QImage image(800, 23, QImage::Format_RGB32);
  QStyle* style = QApplication::style();
  bool close = false;
  for (auto _ : state) {
    close = !close;
    QPainter p(&image);
    QStyleOptionTitleBar option = TitleOption(f.form);
    option.subControls = close ? QStyle::SC_TitleBarCloseButton : QStyle::SC_TitleBarMaxButton;
    option.activeSubControls = option.subControls;
    option.state |= QStyle::State_MouseOver;
    style->drawComplexControl(QStyle::CC_TitleBar, &option, &p, &f.form);
  }
}
BENCHMARK(BM_StyleHotButton)->Unit(benchmark::kMicrosecond);

}  // namespace
