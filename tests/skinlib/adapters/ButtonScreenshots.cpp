// A picture of the demo form part whose labels, link, picture, push
// buttons, check boxes, radio buttons and group boxes wear the button
// skin through their adapters: the default button focused, the mouse over
// "取消". Not a test:
//   build/tests/skinlib/adapters/skinlib_button_screenshots docs/screenshots
#include "platform/Canvas.h"
#include "platform/Properties.h"
#include "platform/Startup.h"
#include "skinlib/adapters/ButtonAdapters.h"
#include "skinlib/adapters/StaticAdapters.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/support/ScreenshotSkin.h"
#include "skinlib/support/ButtonSkin.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace platform;

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  SetDefaultFontName(QStringLiteral("DejaVu Sans"));
  RunUnitStartups();
  const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
  QTemporaryDir skins;
  TsSkinManager manager;
  if (!testskins::ActivateForScreenshots(manager, skins.path(), testskins::ButtonSkin(), QStringLiteral("Buttons"))) return 1;
  bool ok = true;
  {
    QWidget form;
    form.resize(340, 220);
    SetControlColor(&form, manager.GlobalSectionColor());
    form.setAutoFillBackground(true);
    const testskins::ButtonDemoPart d = testskins::MakeButtonDemoPart(&form);
    form.show();
    QApplication::processEvents();
    std::vector<TacAdapterPtr<TacMainWnd>> adapters;
    const auto add = [&](auto adapter) { adapters.emplace_back(adapter.release()); };
    add(TacMainWnd::Create<TacGroupBoxWnd>(d.Group, nullptr, &manager, QString(), true));
    add(TacMainWnd::Create<TacGroupBoxWnd>(d.EmptyGroup, nullptr, &manager, QString(), true));
    for (QAbstractButton* b : {static_cast<QAbstractButton*>(d.Check), static_cast<QAbstractButton*>(d.Tristate),
                               static_cast<QAbstractButton*>(d.Radio), static_cast<QAbstractButton*>(d.PlainRadio)})
      add(TacMainWnd::Create<TacCheckBoxWnd>(b, nullptr, &manager, QString(), true));
    for (QPushButton* b : {d.Default, d.Button, d.Disabled})
      add(TacMainWnd::Create<TacBtnWnd>(b, nullptr, &manager, QString(), true));
    add(TacMainWnd::Create<TacBitBtnWnd>(d.BitButton, nullptr, &manager, QString(), true));
    add(TacMainWnd::Create<TacStaticWnd>(d.Label, nullptr, &manager, QStringLiteral("CHECKBOX"), true));
    add(TacMainWnd::Create<TacLinkWnd>(d.Link, nullptr, &manager, QStringLiteral("CHECKBOX"), true));
    add(TacMainWnd::Create<TacIconWnd>(d.Picture, nullptr, &manager, QStringLiteral("CHECKBOX"), true));
    d.Default->setFocus();
    manager.SetHotWindow(d.Button);
    form.update();
    QApplication::processEvents();
    const QImage picture = form.grab().toImage();
    const QString path = folder + QStringLiteral("/button-static-adapters.png");
    ok = picture.save(path);
    std::printf("%s %s\n", qPrintable(path), ok ? "written" : "NOT written");
    manager.SetHotWindow(nullptr);
    while (!adapters.empty()) {
      UninstallAdapter(true, false, adapters.back());
      adapters.pop_back();
    }
  }
  FinishUnits();
  return ok ? 0 : 1;
}
