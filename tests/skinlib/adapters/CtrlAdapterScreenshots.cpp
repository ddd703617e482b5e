// A picture of a form whose provider's control adapter skinned its
// controls (labels in the skin's font colour, edits, a list box and a
// combo box through their adapters; the form skin of the generator with
// plain edit sections), beside the same form after the skin
// was removed (every control back in its own look). Not a test:
//   build/tests/skinlib/adapters/skinlib_ctrl_adapter_screenshots docs/screenshots
#include "platform/Canvas.h"
#include "platform/Properties.h"
#include "platform/Startup.h"
#include "platform/WindowTable.h"
#include "skinlib/adapters/sCtrlAdapter.h"
#include "skinlib/adapters/sSkinProvider.h"
#include "platform/Bitmap.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/support/TestSkins.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include <cstdio>
#include <cstdlib>

using namespace platform;

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  SetDefaultFontName(QStringLiteral("DejaVu Sans"));
  RunUnitStartups();
  const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
  QTemporaryDir skins;
  QString error;
  // The form skin's frame, with plain edits and combo boxes.
  testskins::TestSkin skin = testskins::FormSkin();
  for (const char* section : {"EDIT", "COMBOBOX"})
    skin.Section(QString::fromLatin1(section)).Set(QStringLiteral("COLOR"), 0xFFF8F0).Set(QStringLiteral("FONTCOLOR"), 0x603010);
  if (!testskins::WriteSkinFolder(skin, skins.path() + "/Forms", &error)) {
    std::fprintf(stderr, "%s\n", qPrintable(error));
    return 1;
  }
  TsSkinManager manager;
  manager.SetSkinDirectory(skins.path());
  manager.SetSkinName(QStringLiteral("Forms"));
  if (!manager.Active()) return 1;
  bool ok = true;
  {
    QWidget form;
    form.setWindowTitle(QStringLiteral("号码缩水"));
    form.resize(360, 230);
    // The controls sit on a page laid out in the form's client area (the
    // skin's frame takes the form's margins).
    auto* page = new QWidget(&form);
    auto* layout = new QVBoxLayout(&form);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(page);
    const auto label = [&](const QString& text, int x, int y) {
      auto* l = new QLabel(text, page);
      l->setGeometry(x, y, 90, 24);
      return l;
    };
    label(QStringLiteral("期号"), 12, 12);
    auto* issue = new QLineEdit(QStringLiteral("2026001"), page);
    issue->setGeometry(100, 12, 150, 24);
    label(QStringLiteral("红球"), 12, 44);
    auto* reds = new QLineEdit(QStringLiteral("03 08 12 19 25 31"), page);
    reds->setGeometry(100, 44, 150, 24);
    label(QStringLiteral("蓝球"), 12, 76);
    auto* blue = new QComboBox(page);
    blue->addItems({QStringLiteral("07"), QStringLiteral("12"), QStringLiteral("16")});
    blue->setGeometry(100, 76, 150, 24);
    QLabel* own = label(QStringLiteral("Tag 98"), 262, 12);
    own->setAutoFillBackground(true);
    SetControlColor(own, 0xC0FFFF);
    SetFontColor(own, 0x000080);
    SetTag(own, 98);  // keeps its own look
    auto* list = new QListWidget(page);
    list->addItems({QStringLiteral("和值 100-120"), QStringLiteral("AC 值 7-10"), QStringLiteral("奇偶 3:3")});
    list->setGeometry(12, 110, 238, 70);
    auto* provider = new TsSkinProvider(&form);
    form.show();
    QApplication::processEvents();
    const bool adapted = CtrlAdapterOf(provider) && CtrlAdapterOf(provider)->Count() == 4;
    // The frame as the provider paints it, the client area as it shows.
    provider->PaintAll();
    QImage skinned = provider->SkinData()->CacheBitmap->ToQImage().convertToFormat(QImage::Format_RGB32);
    const QRect client = form.contentsRect();
    QPainter(&skinned).drawImage(client.topLeft(), form.grab(client).toImage());
    SendMessage(&form, SkinCommandMsg, MAKEWPARAM(0, acRemoveSkin), LPARAM(PtrParam(&manager)));
    QApplication::processEvents();
    const QImage removed = form.grab().toImage();
    QImage picture(skinned.width() + removed.width() + 8, std::max(skinned.height(), removed.height()),
                   QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter p(&picture);
    p.drawImage(0, 0, skinned);
    p.drawImage(skinned.width() + 8, 0, removed);
    p.end();
    const QString path = folder + QStringLiteral("/control-adapter-form.png");
    ok = adapted && picture.save(path);
    std::printf("%s %s\n", qPrintable(path), ok ? "written" : "NOT written");
  }
  FinishUnits();
  return ok ? 0 : 1;
}
