// A skin change across 10 open windows (5 input dialogs skinned by the
// dialog hook, 5 forms given their providers the same way) with 200
// adapted controls in all: the default manager's SendNewSkin (sub-command
// 1 to every form, then 16 and 3 with the forms repainted), against
// QApplication::setPalette over unskinned twins of the same windows with
// their repaint, in the same run. Goal: under 150 ms.
//
// The dialogs' children are adapted by the hook's own walk; the forms'
// children by hand, as the form's control adapter will (the button and
// check-box adapters on its buttons, check boxes and radio buttons).
#include "platform/Messages.h"
#include "platform/Startup.h"
#include "platform/WindowProc.h"
#include "skinlib/adapters/AdapterBase.h"
#include "skinlib/adapters/ButtonAdapters.h"
#include "skinlib/adapters/acDials.h"
#include "skinlib/adapters/sSkinProvider.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/support/DialogSkin.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QCheckBox>
#include <QInputDialog>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>

#include <benchmark/benchmark.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

using namespace platform;

namespace {

constexpr const char* kUnits[] = {"LibraryConstants", "SkinnedForms", "SkinCommandSenders", "SectionBackgrounds",
                                  "acSBUtils",        "EditAdapters", "AlphaPainting",      "acDials",
                                  "acDialogWnd"};
constexpr int kDialogs = 5, kForms = 5, kFormControls = 20, kAdapted = 200;

// The controls adapted within `w` (itself not counted).
int AdaptedIn(const QWidget* w) {
  int n = 0;
  for (const QWidget* c : w->findChildren<QWidget*>())
    if (FindAdapter(c)) ++n;
  return n;
}

// Sub-command 1 heard by one control of each window.
int NewSkinHeard = 0;

void CountNewSkin(QWidget* w) {
  InstallWindowProc(w, [](Message& m, const CallPrevious& previous) {
    if (m.Msg == SkinCommandMsg && HIWORD(m.WParam) == acNewSkin) ++NewSkinHeard;
    previous(m);
  });
}

QWidget* FirstAdapted(const QWidget* w) {
  for (QWidget* c : w->findChildren<QWidget*>())
    if (FindAdapter(c)) return c;
  return nullptr;
}

struct Scene {
  testsupport::TempDir dir;
  std::unique_ptr<TsSkinManager> manager;
  std::vector<QWidget*> windows;  // the dialogs, then the forms
  std::vector<QWidget*> plain;    // their unskinned twins
  std::vector<TacAdapterPtr<TacMainWnd>> formAdapters;
  int adapted = 0;

  Scene() {
    for (const char* unit : kUnits) StartUnit(unit);
    // Qt's side: twins of the windows, made before any skin is there.
    for (int d = 0; d < kDialogs; ++d) plain.push_back(MakeDialog(d));
    for (int f = 0; f < kForms; ++f) plain.push_back(MakeForm(f));
    for (QWidget* w : plain) w->show();
    QApplication::processEvents();

    const QString root = QString::fromStdString(dir.Path());
    if (!testskins::WriteSkinFolder(testskins::DialogSkin(), root + QStringLiteral("/Dialogs")))
      throw std::runtime_error("cannot write the skin");
    manager = std::make_unique<TsSkinManager>();
    manager->SetSkinDirectory(root);
    manager->SetSkinName(QStringLiteral("Dialogs"));
    manager->AnimEffects().SkinChanging.Active = false;
    if (!manager->Active() || !manager->IsDefault() || !DialogHookInstalled())
      throw std::runtime_error("no active default skin with its dialog hook");
    // Each dialog skinned alone (a second plain dialog waits while one
    // shows), then hidden until all are made.
    for (int d = 0; d < kDialogs; ++d) {
      QWidget* dialog = MakeDialog(d);
      dialog->show();
      QApplication::processEvents();
      if (!FindProvider(dialog) && !SkinActivatedWindow(dialog))
        throw std::runtime_error("a dialog was not skinned");
      if (!FindProvider(dialog) || !FindProvider(dialog)->DialogWnd)
        throw std::runtime_error("a dialog has no dialog adapter");
      adapted += AdaptedIn(dialog);
      dialog->hide();
      windows.push_back(dialog);
    }
    const int inDialogs = adapted;
    for (int f = 0; f < kForms; ++f) {
      QWidget* form = MakeForm(f);
      form->show();
      QApplication::processEvents();
      if (!FindProvider(form) && !SkinActivatedWindow(form)) throw std::runtime_error("a form was not skinned");
      TacProvider* provider = FindProvider(form);
      if (!provider || !provider->SkinProvider) throw std::runtime_error("a form has no provider");
      for (QAbstractButton* c : form->findChildren<QAbstractButton*>(Qt::FindDirectChildrenOnly)) {
        if (qobject_cast<QPushButton*>(c))
          formAdapters.push_back(TacMainWnd::Create<TacBtnWnd>(c, nullptr, manager.get(), QStringLiteral("BUTTON"), true));
        else
          formAdapters.push_back(
              TacMainWnd::Create<TacCheckBoxWnd>(c, nullptr, manager.get(), QStringLiteral("CHECKBOX"), true));
      }
      adapted += AdaptedIn(form);
      windows.push_back(form);
    }
    for (QWidget* w : windows) w->show();
    QApplication::processEvents();
    for (QWidget* w : windows)
      if (QWidget* c = FirstAdapted(w)) CountNewSkin(c);
    if (adapted != kAdapted)
      throw std::runtime_error("not 200 adapted controls but " + std::to_string(adapted) + ", " +
                               std::to_string(inDialogs) + " of them in the dialogs");
  }

  // An input dialog (its own label, edit and two buttons) with 16 more
  // controls: 20 adapted by the hook's walk.
  static QWidget* MakeDialog(int d) {
    auto* dialog = new QInputDialog;
    dialog->setWindowTitle(QStringLiteral("号码 %1").arg(d + 1));
    dialog->setLabelText(QStringLiteral("红球个数:"));
    for (int i = 0; i < 16; ++i) {
      QWidget* c = nullptr;
      switch (i % 4) {
        case 0: c = new QPushButton(QStringLiteral("按钮%1").arg(i), dialog); break;
        case 1: c = new QCheckBox(QStringLiteral("选项%1").arg(i), dialog); break;
        case 2: c = new QRadioButton(QStringLiteral("单选%1").arg(i), dialog); break;
        default: c = new QLabel(QStringLiteral("标签%1").arg(i), dialog); break;
      }
      c->setGeometry(10 + (i % 4) * 90, 120 + (i / 4) * 26, 85, 24);
    }
    dialog->resize(380, 240);
    return dialog;
  }
  // A form of 20 buttons, check boxes and radio buttons.
  static QWidget* MakeForm(int f) {
    auto* form = new QWidget;
    form->setWindowTitle(QStringLiteral("走势 %1").arg(f + 1));
    form->resize(480, 320);
    for (int i = 0; i < kFormControls; ++i) {
      QWidget* c = nullptr;
      switch (i % 3) {
        case 0: c = new QPushButton(QStringLiteral("确定%1").arg(i), form); break;
        case 1: c = new QCheckBox(QStringLiteral("蓝球%1").arg(i), form); break;
        default: c = new QRadioButton(QStringLiteral("红球%1").arg(i), form); break;
      }
      c->setGeometry(8 + (i % 5) * 92, 8 + (i / 5) * 28, 88, 24);
    }
    return form;
  }
};

// Paint events, counted for the figures (both sides must repaint).
struct PaintCounter : QObject {
  int Paints = 0;
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) ++Paints;
    return false;
  }
};

// Never freed: no widget outlives the application object at exit.
Scene& TheScene() {
  static Scene* scene = new Scene;
  return *scene;
}

// The whole skin change: sub-command 1, then 16 and 3, the windows
// repainted; then the event loop, as on Qt's side.
void BM_SkinChangeOverDialogsAndForms(benchmark::State& state) {
  Scene& s = TheScene();
  NewSkinHeard = 0;
  PaintCounter counter;
  qApp->installEventFilter(&counter);
  for (auto _ : state) {
    s.manager->SendNewSkin(true);
    QApplication::processEvents();
  }
  qApp->removeEventFilter(&counter);
  state.counters["paints"] = double(counter.Paints) / double(state.iterations());
  // Every window's watched control heard each change.
  if (NewSkinHeard < int(state.iterations()) * int(s.windows.size()))
    state.SkipWithError("a window's controls did not hear the new skin");
  state.counters["windows"] = double(s.windows.size());
  state.counters["adapted"] = double(s.adapted);
  state.counters["heard"] = double(NewSkinHeard) / double(state.iterations());
}

// Plain Qt: a new application palette over twins of the same windows,
// handed on and repainted by the event loop (the skinned windows carry
// palettes of their own, which an application palette does not reach).
void BM_QtSetPaletteOverTheSameWindows(benchmark::State& state) {
  Scene& s = TheScene();
  const QPalette original = QApplication::palette();
  QPalette other = original;
  other.setColor(QPalette::Window, QColor(0xD8, 0xE4, 0xEC));
  other.setColor(QPalette::Button, QColor(0xE8, 0xF0, 0xE0));
  int flip = 0;
  PaintCounter counter;
  qApp->installEventFilter(&counter);
  for (auto _ : state) {
    QApplication::setPalette((++flip & 1) ? other : original);
    QApplication::processEvents();
  }
  qApp->removeEventFilter(&counter);
  state.counters["paints"] = double(counter.Paints) / double(state.iterations());
  QApplication::setPalette(original);
  QApplication::processEvents();
  state.counters["windows"] = double(s.windows.size());
}

}  // namespace

BENCHMARK(BM_SkinChangeOverDialogsAndForms)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QtSetPaletteOverTheSameWindows)->Unit(benchmark::kMillisecond);
