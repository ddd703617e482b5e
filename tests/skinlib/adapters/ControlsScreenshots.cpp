// A picture of the controls demo form in the controls demo skin, every
// control dressed by its adapter: labels, link, picture, push buttons
// (the default one focused, the mouse over "取消", one disabled), check
// boxes, radio buttons, group boxes, panels, spin boxes (one split left
// and right), a dialog's tool bar, the form's tool bar, page controls with
// tabs on top and on the left, a bare tab bar with its scroll buttons, a
// speed button, a combo box, a status bar and a size grip. Not a test:
//   build/tests/skinlib/adapters/skinlib_controls_screenshots docs/screenshots
#include "platform/Canvas.h"
#include "platform/Properties.h"
#include "platform/Startup.h"
#include "platform/WindowTable.h"
#include "skinlib/adapters/BarAdapters.h"
#include "skinlib/adapters/ButtonAdapters.h"
#include "skinlib/adapters/PanelAdapters.h"
#include "skinlib/adapters/SpinAdapter.h"
#include "skinlib/adapters/StaticAdapters.h"
#include "skinlib/adapters/TabAdapters.h"
#include "skinlib/adapters/WWComboAdapter.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/support/ScreenshotSkin.h"
#include "skinlib/support/ControlsDemo.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSizeGrip>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

using namespace platform;

namespace {

using Adapters = std::vector<TacAdapterPtr<TacMainWnd>>;

template <class T>
void Adapt(Adapters& list, TsSkinManager& manager, QWidget* w, TsCommonData* own = nullptr,
           const char* section = nullptr) {
  list.emplace_back(
      TacMainWnd::Create<T>(w, own, &manager, section ? QString::fromLatin1(section) : QString(), true).release());
}

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  SetDefaultFontName(QStringLiteral("DejaVu Sans"));
  QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
  RunUnitStartups();
  const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
  QTemporaryDir skins;
  TsSkinManager manager;
  if (!testskins::ActivateForScreenshots(manager, skins.path(), testskins::ControlsDemoSkin(), QStringLiteral("ControlsDemo"))) return 1;
  bool ok = true;
  {
    QWidget form;
    const testskins::ControlsDemoForm d = testskins::MakeControlsDemoForm(&form);
    SetWindowLong(d.SpinHorz, GWL_STYLE, GetWindowLong(d.SpinHorz, GWL_STYLE) | UDS_HORZ);
    // The form as a skinned form shows it: the skin's global colour.
    SetControlColor(&form, manager.GlobalSectionColor());
    form.setAutoFillBackground(true);
    form.show();
    QApplication::processEvents();

    std::vector<std::unique_ptr<TsCommonData>> data;
    const auto dataOf = [&](QWidget* w, const char* section) {
      data.push_back(std::make_unique<TsCommonData>(w));
      data.back()->SetSkinManager(&manager);
      if (section) data.back()->SetSkinSection(QString::fromLatin1(section));
      return data.back().get();
    };
    Adapters adapters;
    const testskins::ButtonDemoPart& b = d.Buttons;
    Adapt<TacToolBarVCLWnd>(adapters, manager, d.Tools, dataOf(d.Tools, "TOOLBAR"), nullptr);
    Adapt<TacStatusBarWnd>(adapters, manager, d.Status, dataOf(d.Status, "STATUSBAR"), nullptr);
    Adapt<TacGroupBoxWnd>(adapters, manager, b.Group, nullptr, nullptr);
    Adapt<TacGroupBoxWnd>(adapters, manager, b.EmptyGroup, nullptr, nullptr);
    for (QWidget* box : {static_cast<QWidget*>(b.Check), static_cast<QWidget*>(b.Tristate),
                         static_cast<QWidget*>(b.Radio), static_cast<QWidget*>(b.PlainRadio)})
      Adapt<TacCheckBoxWnd>(adapters, manager, box, nullptr, nullptr);
    for (QPushButton* button : {b.Default, b.Button, b.Disabled}) Adapt<TacBtnWnd>(adapters, manager, button, nullptr, nullptr);
    Adapt<TacBitBtnWnd>(adapters, manager, b.BitButton, nullptr, nullptr);
    Adapt<TacStaticWnd>(adapters, manager, b.Label, nullptr, "CHECKBOX");
    Adapt<TacLinkWnd>(adapters, manager, b.Link, nullptr, "CHECKBOX");
    Adapt<TacIconWnd>(adapters, manager, b.Picture, nullptr, "CHECKBOX");
    Adapt<TacPanelWnd>(adapters, manager, d.Raised, dataOf(d.Raised, nullptr), nullptr);
    Adapt<TacPanelWnd>(adapters, manager, d.Lowered, dataOf(d.Lowered, nullptr), nullptr);
    Adapt<TacSpinWnd>(adapters, manager, d.Spin, nullptr, "SPEEDBUTTON_SMALL");
    Adapt<TacSpinWnd>(adapters, manager, d.SpinHorz, nullptr, "SPEEDBUTTON_SMALL");
    Adapt<TacToolBarWnd>(adapters, manager, d.DialogBar, nullptr, "BAR");
    Adapt<TacSizerWnd>(adapters, manager, d.Grip, nullptr, "CHECKBOX");
    Adapt<TacPageControlWnd>(adapters, manager, d.Pages, nullptr, nullptr);
    Adapt<TacPageControlWnd>(adapters, manager, d.SidePages, nullptr, nullptr);
    Adapt<TacTabControlWnd>(adapters, manager, d.Tabs, nullptr, nullptr);
    Adapt<TacWWComboBoxWnd>(adapters, manager, d.Combo, nullptr, nullptr);
    auto speed = std::make_unique<TacSpeedButtonHandler>(d.Speed, QStringLiteral("SPEEDBUTTON"), &manager,
                                                        dataOf(d.Speed, ""));
    b.Default->setFocus();
    manager.SetHotWindow(b.Button);
    form.update();
    QApplication::processEvents();
    const QString path = folder + QStringLiteral("/controls-demo-form.png");
    ok = form.grab().save(path);
    std::printf("%s %s\n", qPrintable(path), ok ? "written" : "NOT written");
    manager.SetHotWindow(nullptr);
    speed.reset();
    while (!adapters.empty()) {
      UninstallAdapter(true, false, adapters.back());
      adapters.pop_back();
    }
    AdapterList().clear();
  }
  FinishUnits();
  return ok ? 0 : 1;
}
