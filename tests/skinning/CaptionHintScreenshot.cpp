// A screenshot of a maximized window skinned with the program's skin, the
// pointer resting on its close button and the button's hint shown at the
// screen's right edge: the top right corner of the screen (not a test;
// needs a real X server):
//   xvfb-run -s "-screen 0 640x480x24" build/tests/skinning/skinning_caption_hint_screenshot docs/screenshots
#include "ProgramSkinStart.h"

#include "platform/WindowPos.h"
#include "skinning/WinSkinFormFrame.h"
#include "skinning/WinSkinFormWalk.h"
#include "skinning/WinSkinManage.h"

#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QScreen>
#include <QTimer>

#include <cstdio>

using namespace skinning;

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const testskins::ScreenshotStart start(argc, argv);

  QWidget form;
  form.setWindowTitle(QStringLiteral("双色球分析工具"));
  form.resize(400, 300);
  auto* data = new TSkinData(&form);
  if (!testskins::LoadProgramSkin(*data)) return 1;
  data->SkinFormtype = sfMainform;
  data->Loaded();
  platform::ShowWindow(&form, platform::SW_SHOWMAXIMIZED);
  form.activateWindow();
  data->SetActive(true);

  int result = 0;
  QTimer::singleShot(800, [&] {
    auto* skinned = SkinManage() ? dynamic_cast<TWinSkinForm*>(SkinManage()->FindForm(&form)) : nullptr;
    TSkinFormFrame* frame = skinned ? skinned->Frame() : nullptr;
    const TWinSysButton* close = nullptr;
    if (frame)
      for (const auto& b : frame->Buttons())
        if (b->Visible && b->Element->Action == 0) close = b.get();
    if (!close) {
      std::fprintf(stderr, "the window has no skinned close button\n");
      result = 1;
      app.quit();
      return;
    }
    const QRect window = form.frameGeometry();
    const TRect& r = close->BoundsRect;
    QCursor::setPos(window.left() + (r.Left + r.Right) / 2, window.top() + (r.Top + r.Bottom) / 2);
    // The hint comes after the pointer rested a second on the button.
    QTimer::singleShot(1800, [&] {
      const QRect screen = form.screen()->geometry();
      const QRect area(screen.right() + 1 - 260, screen.top(), 260, 80);
      const QPixmap shot = form.screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
      const QString file = start.folder + QStringLiteral("/skinned-caption-hint.png");
      if (!data->CaptionHintShown() || !shot.save(file)) {
        std::fprintf(stderr, "no caption hint to show, or %s not written\n", qPrintable(file));
        result = 1;
      }
      app.quit();
    });
  });
  app.exec();
  return result;
}
