// A picture of a form whose edit, report list and combo box wear the demo
// skin through their adapters: the edit focused, the combo box's list open
// (the list is a window of its own: it is drawn below the box, where it
// shows). Not a test:
//   build/tests/skinlib/adapters/skinlib_edit_screenshots docs/screenshots
#include "platform/Canvas.h"
#include "platform/Startup.h"
#include "skinlib/adapters/ComboAdapters.h"
#include "skinlib/adapters/EditAdapters.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/support/TestSkins.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPainter>
#include <QStandardItemModel>
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
  QString error;
  if (!testskins::WriteSkinFolder(testskins::DemoSkin(), skins.path() + "/Demo", &error)) {
    std::fprintf(stderr, "%s\n", qPrintable(error));
    return 1;
  }
  TsSkinManager manager;
  manager.SetSkinDirectory(skins.path());
  manager.SetSkinName(QStringLiteral("Demo"));
  if (!manager.Active()) return 1;
  bool ok = true;
  {
    QWidget form;
    form.resize(420, 290);
    auto* edit = new QLineEdit(QStringLiteral("2026001"), &form);
    edit->setGeometry(12, 12, 180, 26);
    auto* combo = new QComboBox(&form);
    combo->addItems({QStringLiteral("红球 01"), QStringLiteral("红球 02"), QStringLiteral("红球 03"),
                     QStringLiteral("蓝球 16")});
    combo->setGeometry(210, 12, 190, 26);
    QStandardItemModel model(0, 3);
    model.setHorizontalHeaderLabels({QStringLiteral("期号"), QStringLiteral("日期"), QStringLiteral("号码")});
    const char* rows[][3] = {{"2026001", "2026-01-01", "03 08 12 19 25 31 + 07"},
                             {"2026002", "2026-01-04", "01 05 14 22 27 33 + 12"},
                             {"2026003", "2026-01-06", "06 09 11 18 24 30 + 03"}};
    for (const auto& r : rows)
      model.appendRow({new QStandardItem(QString::fromUtf8(r[0])), new QStandardItem(QString::fromUtf8(r[1])),
                       new QStandardItem(QString::fromUtf8(r[2]))});
    auto* tree = new QTreeView(&form);
    tree->setModel(&model);
    tree->setRootIsDecorated(false);
    tree->setGeometry(12, 140, 396, 136);
    tree->header()->resizeSection(0, 80);
    tree->header()->resizeSection(1, 100);
    tree->header()->setSortIndicator(0, Qt::AscendingOrder);
    tree->header()->setSortIndicatorShown(true);
    form.show();
    QApplication::processEvents();
    TsCommonData editData(edit);
    editData.SetSkinManager(&manager);
    editData.SetSkinSection(QStringLiteral("EDIT"));
    auto editAdapter = TacMainWnd::Create<TacEditWnd>(edit, &editData, &manager, QStringLiteral("EDIT"), true);
    auto listAdapter = TacMainWnd::Create<TacListViewWnd>(tree, nullptr, &manager, QStringLiteral("EDIT"), true);
    auto comboAdapter = TacMainWnd::Create<TacComboBoxWnd>(combo, nullptr, &manager, QStringLiteral("COMBOBOX"), true);
    edit->setFocus();
    combo->showPopup();
    QApplication::processEvents();
    QImage picture = form.grab().toImage();
    if (QWidget* popup = combo->view()->window(); popup && popup->isVisible()) {
      QPainter p(&picture);
      p.drawImage(combo->geometry().bottomLeft() + QPoint(0, 1), popup->grab().toImage());
    }
    combo->hidePopup();
    const QString path = folder + QStringLiteral("/edit-list-combo-adapters.png");
    ok = picture.save(path);
    std::printf("%s %s\n", qPrintable(path), ok ? "written" : "NOT written");
    UninstallAdapter(true, false, comboAdapter);
    UninstallAdapter(true, false, listAdapter);
    UninstallAdapter(true, false, editAdapter);
  }
  FinishUnits();
  return ok ? 0 : 1;
}
