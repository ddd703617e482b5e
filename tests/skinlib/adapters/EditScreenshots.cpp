// A picture of the demo form whose edit, list box, report list and combo
// box wear the edit skin through their adapters: the edit focused, the combo box's list open
// (the list is a window of its own: it is drawn below the box, where it
// shows; it takes the focus, so the focused edit is drawn as it was
// before). Not a test:
//   build/tests/skinlib/adapters/skinlib_edit_screenshots docs/screenshots
#include "platform/Canvas.h"
#include "platform/Startup.h"
#include "skinlib/adapters/ComboAdapters.h"
#include "skinlib/adapters/EditAdapters.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/support/ScreenshotSkin.h"
#include "skinlib/support/EditSkin.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QTemporaryDir>
#include <QTreeView>

#include <cstdio>
#include <cstdlib>
#include <memory>

using namespace platform;

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  SetDefaultFontName(QStringLiteral("DejaVu Sans"));
  RunUnitStartups();
  const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
  QTemporaryDir skins;
  TsSkinManager manager;
  if (!testskins::ActivateForScreenshots(manager, skins.path(), testskins::EditSkin(), QStringLiteral("Edit"))) return 1;
  bool ok = true;
  {
    testskins::EditDemoForm demo;
    QWidget& form = *demo.Form;
    form.show();
    QApplication::processEvents();
    TsCommonData editData(demo.Edit);
    editData.SetSkinManager(&manager);
    editData.SetSkinSection(QStringLiteral("EDIT"));
    auto editAdapter = TacMainWnd::Create<TacEditWnd>(demo.Edit, &editData, &manager, QStringLiteral("EDIT"), true);
    auto boxAdapter = TacMainWnd::Create<TacEditWnd>(demo.List, nullptr, &manager, QStringLiteral("EDIT"), true);
    auto listAdapter =
        TacMainWnd::Create<TacListViewWnd>(demo.Report, nullptr, &manager, QStringLiteral("EDIT"), true);
    auto comboAdapter =
        TacMainWnd::Create<TacComboBoxWnd>(demo.Combo, nullptr, &manager, QStringLiteral("COMBOBOX"), true);
    form.activateWindow();
    demo.Edit->setFocus();
    QApplication::processEvents();
    // The open list takes the focus: the focused edit is taken before.
    const QImage focusedEdit = demo.Edit->grab().toImage();
    demo.Combo->showPopup();
    QApplication::processEvents();
    QImage picture = form.grab().toImage();
    {
      QPainter p(&picture);
      p.drawImage(demo.Edit->pos(), focusedEdit);
      if (QWidget* popup = demo.Combo->view()->window(); popup && popup->isVisible())
        p.drawImage(demo.Combo->geometry().bottomLeft() + QPoint(0, 1), popup->grab().toImage());
    }
    demo.Combo->hidePopup();
    const QString path = folder + QStringLiteral("/edit-list-combo-adapters.png");
    ok = picture.save(path);
    std::printf("%s %s\n", qPrintable(path), ok ? "written" : "NOT written");
    UninstallAdapter(true, false, comboAdapter);
    UninstallAdapter(true, false, listAdapter);
    UninstallAdapter(true, false, boxAdapter);
    UninstallAdapter(true, false, editAdapter);
  }
  FinishUnits();
  return ok ? 0 : 1;
}
