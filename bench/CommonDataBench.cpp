// A new skin announced to 10 shown skinned forms of 100 controls each,
// every control answering through its own skin data: the manager's
// SendNewSkin (lock, sub-command 1, 16 and 3 to every form and control,
// unlock with the forms repainted), and the three broadcasts alone; against
// setPalette on the same 1000 controls in the same run, with and without
// the repaint it asks for. Goal: the broadcasts' share under 20 ms.
//
// The forms' providers are stood in for by the test: each form answers
// "skinned" (7) and its provider (4), and hands every skin command on to
// its controls, as a form provider does.
#include "platform/Properties.h"
#include "platform/WindowProc.h"
#include "platform/Startup.h"
#include "skinlib/manager/AdapterEntryPoints.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/LibraryUtils.h"
#include "skinlib/manager/SkinnedForms.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/support/TestSkins.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QFrame>

#include <benchmark/benchmark.h>

#include <memory>
#include <stdexcept>
#include <vector>

using namespace platform;

namespace {

constexpr int kForms = 10, kControls = 100;
const char* const kSections[] = {"EDIT", "PANEL", "HALF", "GRADIENT", "CLEAR", "IMAGE"};

// A control whose window procedure answers through its skin data.
struct Control {
  explicit Control(QWidget* w, const char* section) : Data(w) {
    InstallWindowProc(
        w,
        [this](Message& m, const CallPrevious& previous) {
          if (!CommonWindowMessage(m, &Data)) previous(m);
        },
        WindowProcLevel::Control);
    Data.SetSkinSection(QString::fromLatin1(section));
  }
  TsCommonData Data;
};

struct Scene {
  testsupport::TempDir dir;
  std::unique_ptr<TsSkinManager> manager;
  QObject provider;
  std::vector<std::unique_ptr<QWidget>> forms;
  std::vector<QWidget*> controls;
  std::vector<std::unique_ptr<Control>> data;

  Scene() {
    for (const char* unit : {"LibraryConstants", "SkinnedForms"}) StartUnit(unit);
    const QString root = QString::fromStdString(dir.Path());
    if (!testskins::WriteSkinFolder(testskins::ControlDataSkin(), root + QStringLiteral("/ControlData")))
      throw std::runtime_error("cannot write the skin");
    manager = std::make_unique<TsSkinManager>();
    manager->SetSkinDirectory(root);
    manager->SetSkinName(QStringLiteral("ControlData"));
    manager->AnimEffects().SkinChanging.Active = false;
    TacAdapterEntryPoints& e = AdapterEntryPoints();
    e.ProviderManager = [this](const QObject* p) { return p == &provider ? manager.get() : nullptr; };
    e.SendSkinCommandToChildren = [](QWidget* form, Message& m) {
      for (QWidget* child : ChildControls(form)) SendMessage(child, m.Msg, m.WParam, m.LParam);
    };
    for (int f = 0; f < kForms; ++f) {
      auto form = std::make_unique<QWidget>();
      form->resize(500, 400);
      InstallWindowProc(form.get(), [this](Message& m, const CallPrevious& previous) {
        if (m.Msg == SkinCommandMsg && HIWORD(m.WParam) == acIsSkinned) {
          m.Result = 1;
          return;
        }
        if (m.Msg == SkinCommandMsg && HIWORD(m.WParam) == acGetProvider) {
          m.Result = LRESULT(PtrParam(&provider));
          return;
        }
        previous(m);
      });
      for (int i = 0; i < kControls; ++i) {
        auto* w = new QFrame(form.get());
        w->setGeometry(5 + (i % 10) * 49, 5 + (i / 10) * 39, 45, 35);
        controls.push_back(w);
      }
      form->show();
      for (QWidget* w : controls) w->ensurePolished();
      AddSkinnedForm(form.get());
      forms.push_back(std::move(form));
    }
    for (size_t i = 0; i < controls.size(); ++i)
      data.push_back(std::make_unique<Control>(controls[i], kSections[i % std::size(kSections)]));
    QCoreApplication::processEvents();
  }
  // Every control forgets its section index; the new skin finds it again.
  void Forget() {
    for (const auto& c : data) c->Data.SectionIndex = -1;
  }
  bool Reached() const {
    for (const auto& c : data)
      if (c->Data.SectionIndex < 0) return false;
    return true;
  }
  ~Scene() {
    AdapterEntryPoints().ProviderManager = nullptr;
    AdapterEntryPoints().SendSkinCommandToChildren = nullptr;
    manager.reset();
    forms.clear();  // their controls' procedures go with them
    data.clear();
    FinishUnit("SkinnedForms");
    FinishUnit("LibraryConstants");
  }
};

// The whole announcement, the forms' repaint included.
void BM_NewSkinToSkinnedForms(benchmark::State& state) {
  Scene scene;
  scene.Forget();
  for (auto _ : state) scene.manager->SendNewSkin(true);
  if (!scene.Reached()) state.SkipWithError("the controls did not hear the new skin");
  state.counters["controls"] = double(scene.controls.size());
}

// Sub-commands 1, 16 and 3 to every form and control, nothing painted.
void BM_NewSkinBroadcastsOnly(benchmark::State& state) {
  Scene scene;
  scene.Forget();
  for (auto _ : state)
    for (unsigned command : {acNewSkin, acBeforeRefresh, acRefresh}) {
      Message m{SkinCommandMsg, MAKEWPARAM(0, int(command)), LPARAM(PtrParam(scene.manager.get())), 0};
      BroadcastToAllForms(m);
    }
  QCoreApplication::processEvents();
  if (!scene.Reached()) state.SkipWithError("the controls did not hear the new skin");
  state.counters["controls"] = double(scene.controls.size());
}

// Plain Qt: a new palette colour for every control; with `paint` the
// repaints it asks for are done as well.
void SetPalette(benchmark::State& state, bool paint) {
  Scene scene;
  int flip = 0;
  for (auto _ : state) {
    const TColor color = (++flip & 1) ? 0xD8D8D8 : 0xF4F8FC;
    for (QWidget* w : scene.controls) SetControlColor(w, color);
    if (paint)
      for (const auto& form : scene.forms) QCoreApplication::sendPostedEvents(form.get(), QEvent::UpdateRequest);
  }
  QCoreApplication::processEvents();
  state.counters["controls"] = double(scene.controls.size());
}

void BM_SetPaletteRepainted(benchmark::State& state) { SetPalette(state, true); }
void BM_SetPaletteOnly(benchmark::State& state) { SetPalette(state, false); }

}  // namespace

BENCHMARK(BM_NewSkinToSkinnedForms)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SetPaletteRepainted)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NewSkinBroadcastsOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SetPaletteOnly)->Unit(benchmark::kMillisecond);
