// A screenshot of a frameless form whose band its window procedure paints
// through WM_NCPAINT and whose corners a window region cuts (not a test;
// needs a real X server):
//   xvfb-run -s "-screen 0 480x320x24" build/tests/platform_gui/platform_frame_screenshot docs/screenshots
#include "platform/Canvas.h"
#include "platform/NonClient.h"
#include "platform/WindowProc.h"
#include "ScreenshotMain.h"

#include <QApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>

#include <cmath>

using namespace platform;

namespace {

constexpr QMargins kBand(6, 30, 6, 6);
constexpr int kRadius = 9;

// The window less its four corners rounded off.
QRegion RoundedRegion(QSize size) {
  QRegion region(0, 0, size.width(), size.height());
  for (int y = 0; y < kRadius; ++y) {
    const int dy = kRadius - y;
    const int cut = kRadius - int(std::lround(std::sqrt(double(kRadius * kRadius - dy * dy))));
    if (cut <= 0) continue;
    for (int row : {y, size.height() - 1 - y})
      region -= QRegion(0, row, cut, 1) + QRegion(size.width() - cut, row, cut, 1);
  }
  return region;
}

void PaintBand(QWidget* form, Canvas& dc) {
  QPainter* p = dc.Painter();
  const QRect all = form->rect();
  QLinearGradient shade(0, 0, 0, kBand.top());
  shade.setColorAt(0, QColor(70, 120, 200));
  shade.setColorAt(1, QColor(20, 60, 140));
  p->fillRect(all, QColor(20, 60, 140));
  p->fillRect(QRect(0, 0, all.width(), kBand.top()), shade);
  p->setPen(QColor(150, 190, 240));
  p->drawRect(all.adjusted(0, 0, -1, -1));
  const TRect close = Rect(all.width() - 26, 7, all.width() - 10, 23);
  dc.Brush = {RGB(200, 60, 50), bsSolid};
  dc.FillRect(close);
  dc.Font = GetNonClientMetrics().lfCaptionFont;
  dc.Font.Name = QStringLiteral("WenQuanYi Micro Hei");
  dc.Font.Color = clWhite;
  dc.SetBkMode(TRANSPARENT);
  TRect text = Rect(12, 0, close.Left - 6, kBand.top());
  dc.DrawText(form->windowTitle(), text, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
  TRect cross = close;
  dc.DrawText(QStringLiteral("×"), cross, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  shots::Start();

  QWidget form;
  form.setWindowTitle(QStringLiteral("开奖历史分析 - 自绘边框"));
  auto* layout = new QVBoxLayout(&form);
  layout->addWidget(new QLabel(QStringLiteral("客户区从边框之内开始，布局不进入边框。")));
  auto* text = new QTextEdit;
  text->setPlainText(QStringLiteral("2024001  03 08 14 19 25 31 + 07\n2024002  01 06 12 22 27 33 + 15"));
  layout->addWidget(text);
  layout->addWidget(new QPushButton(QStringLiteral("确定")), 0, Qt::AlignRight);
  InstallWindowProc(&form, [&form](Message& m, const CallPrevious& previous) {
    switch (m.Msg) {
      case WM_NCCALCSIZE: {
        TRect& r = ParamPtr<NCCALCSIZE_PARAMS>(std::uintptr_t(m.LParam))->rgrc[0];
        r = {r.Left + kBand.left(), r.Top + kBand.top(), r.Right - kBand.right(), r.Bottom - kBand.bottom()};
        return;
      }
      case WM_NCPAINT:
        if (Canvas* dc = GetWindowDC(&form)) PaintBand(&form, *dc);
        return;
      case WM_SIZE:
        previous(m);
        SetWindowRgn(&form, RoundedRegion(form.size()), true);
        return;
      default:
        previous(m);
    }
  });
  form.setGeometry(40, 40, 400, 240);
  SetNonClientFrame(&form);
  form.show();

  return shots::RunAndShoot(app, form, argc, argv, "frame-band-region.png", 600);
}
