// Pictures of a skinned form's cache as the form provider paints it
// (active, inactive, maximized, with user title buttons), from the form
// skin of the test-skin generator (not a test; the cache needs no X
// server):
//   build/tests/skinlib/adapters/skinlib_provider_screenshots docs/screenshots
#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Startup.h"
#include "platform/WindowPos.h"
#include "skinlib/adapters/sSkinProvider.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/support/ScreenshotSkin.h"
#include "skinlib/support/TestSkins.h"

#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QPainter>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

using namespace platform;

namespace {

// A user button's glyph: a small star on the key colour.
Bitmap StarGlyph(QColor colour) {
  QImage image(12, 12, QImage::Format_RGB32);
  image.fill(QColor(255, 0, 255));
  QPainter p(&image);
  p.setPen(colour);
  p.drawLine(6, 1, 6, 10);
  p.drawLine(1, 6, 10, 6);
  p.drawLine(2, 2, 10, 10);
  p.drawLine(10, 2, 2, 10);
  p.end();
  return Bitmap::FromQImage(image, pf24bit);
}

bool Save(TsSkinProvider& provider, const QString& folder, const char* name) {
  provider.PaintAll();
  const Bitmap& cache = *provider.SkinData()->CacheBitmap;
  // The client area as an application would leave it, so the frame reads.
  QImage image = cache.ToQImage();
  const QRect client = provider.Form()->contentsRect();
  QPainter(&image).fillRect(client, QColor(0xE0, 0xE8, 0xF0));
  const QString path = folder + QLatin1Char('/') + QLatin1String(name);
  const bool ok = testskins::CutByWindowRegion(image, provider.Form()).save(path);
  std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(path));
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  SetDefaultFontName(QStringLiteral("DejaVu Sans"));
  RunUnitStartups();
  const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
  QTemporaryDir skins;
  QString error;
  if (!testskins::WriteSkinFolder(testskins::FormSkin(), skins.path() + "/Forms", &error)) {
    std::fprintf(stderr, "%s\n", qPrintable(error));
    return 1;
  }
  TsSkinManager manager;
  manager.SetSkinDirectory(skins.path());
  manager.SetSkinName(QStringLiteral("Forms"));
  bool ok = true;
  {
    QWidget form;
    form.resize(360, 160);
    form.setWindowTitle(QStringLiteral("号码缩水 - Skinned form"));
    auto* provider = new TsSkinProvider(&form);
    form.show();
    ok &= Save(*provider, folder, "skinned-form-active.png");
    provider->SetFormActive(false);
    ok &= Save(*provider, folder, "skinned-form-inactive.png");
    provider->SetFormActive(true);
    provider->TitleButtons().resize(2);
    provider->TitleButtons()[0].Glyph = StarGlyph(QColor(200, 40, 40));
    provider->TitleButtons()[1].Glyph = StarGlyph(QColor(20, 120, 40));
    provider->AddedTitle().Text = QStringLiteral("(demo)");
    provider->Loaded();  // the buttons take the skin's frame
    ok &= Save(*provider, folder, "skinned-form-user-buttons.png");
  }
  {
    QWidget form;
    form.resize(360, 160);
    form.setWindowTitle(QStringLiteral("Maximized form"));
    auto* provider = new TsSkinProvider(&form);
    form.show();
    ShowWindow(&form, SW_SHOWMAXIMIZED);
    form.resize(480, 160);  // a small picture of a maximized form
    ok &= Save(*provider, folder, "skinned-form-maximized.png");
  }
  FinishUnits();
  return ok ? 0 : 1;
}
