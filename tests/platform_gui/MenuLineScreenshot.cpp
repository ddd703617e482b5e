// A screenshot of a frameless form whose menu line its window procedure
// measures and draws, with the popup of one item open (not a test; needs a
// real X server):
//   xvfb-run -s "-screen 0 480x320x24" build/tests/platform_gui/platform_menuline_screenshot docs/screenshots
#include "platform/Canvas.h"
#include "platform/MenuLine.h"
#include "platform/Menus.h"
#include "platform/NonClient.h"
#include "platform/WindowProc.h"
#include "ScreenshotMain.h"

#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTextEdit>

using namespace platform;

namespace {

// One colour per item: the chip left of its caption.
constexpr TColor kChips[] = {RGB(200, 60, 50), RGB(40, 140, 70), RGB(40, 90, 190), RGB(210, 150, 30)};

void DrawItem(DRAWITEMSTRUCT& di, int index) {
  Canvas& dc = *di.hDC;
  const bool selected = di.itemState & ODS_SELECTED;
  dc.Brush = {selected ? RGB(255, 236, 180) : RGB(236, 240, 248), bsSolid};
  dc.FillRect(di.rcItem);
  if (selected) {
    dc.Pen.Color = RGB(200, 150, 40);
    dc.Brush.Style = bsClear;
    dc.Rectangle(di.rcItem.Left, di.rcItem.Top, di.rcItem.Right, di.rcItem.Bottom);
  }
  const int mid = (di.rcItem.Top + di.rcItem.Bottom) / 2;
  dc.Brush = {kChips[index % 4], bsSolid};
  dc.FillRect(Rect(di.rcItem.Left + 6, mid - 5, di.rcItem.Left + 16, mid + 5));
  dc.Font = GetNonClientMetrics().lfMenuFont;
  dc.Font.Name = QStringLiteral("WenQuanYi Micro Hei");
  dc.Font.Color = di.itemState & ODS_GRAYED ? clGrayText : RGB(30, 40, 60);
  dc.SetBkMode(TRANSPARENT);
  TRect text = Rect(di.rcItem.Left + 22, di.rcItem.Top, di.rcItem.Right - 4, di.rcItem.Bottom);
  const unsigned prefix = di.itemState & ODS_NOACCEL ? DT_HIDEPREFIX : 0;
  dc.DrawText(di.itemData->text(), text, DT_SINGLELINE | DT_VCENTER | prefix);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  shots::Start();

  QMainWindow form;
  form.setWindowTitle(QStringLiteral("开奖历史分析 - 菜单行"));
  auto* text = new QTextEdit;
  text->setPlainText(QStringLiteral("2024001  03 08 14 19 25 31 + 07\n2024002  01 06 12 22 27 33 + 15"));
  form.setCentralWidget(text);
  const char* const captions[] = {"文件(&F)", "走势图(&T)", "缩水(&S)", "帮助(&H)"};
  const char* const commands[][3] = {{"打开历史数据(&O)", "导出(&E)", "退出(&X)"},
                                     {"红球频率(&R)", "蓝球遗漏(&B)", "K线图(&K)"},
                                     {"条件组(&G)", "缩水结果(&S)", nullptr},
                                     {"关于(&A)", nullptr, nullptr}};
  for (int i = 0; i < 4; ++i) {
    QMenu* popup = form.menuBar()->addMenu(QString::fromUtf8(captions[i]));
    SetMenuItemOwnerDraw(popup->menuAction());
    for (const char* command : commands[i])
      if (command) popup->addAction(QString::fromUtf8(command));
  }
  form.menuBar()->actions()[2]->setEnabled(false);
  InstallWindowProc(&form, [&form](Message& m, const CallPrevious& previous) {
    if (m.Msg == WM_MEASUREITEM) {
      auto* mi = ParamPtr<MEASUREITEMSTRUCT>(std::uintptr_t(m.LParam));
      QFontMetrics metrics(QFont(QStringLiteral("WenQuanYi Micro Hei"), 9));
      mi->itemWidth = unsigned(metrics.horizontalAdvance(mi->itemData->text()) + 20);
      mi->itemHeight = 24;
    } else if (m.Msg == WM_DRAWITEM) {
      auto* di = ParamPtr<DRAWITEMSTRUCT>(std::uintptr_t(m.LParam));
      DrawItem(*di, int(form.menuBar()->actions().indexOf(di->itemData)));
    } else {
      previous(m);
    }
  });
  form.setGeometry(40, 40, 400, 240);
  SetNonClientFrame(&form);
  form.show();
  form.activateWindow();

  QTimer::singleShot(400, [&] {
    TRect item;
    GetMenuItemRect(&form, nullptr, 1, &item);
    SendMessage(&form, WM_NCLBUTTONDOWN, HTMENU, MAKELPARAM(item.Left + 4, item.Top + 4));
  });
  return shots::RunAndShoot(app, form, argc, argv, "platform-menu-line.png", 900);
}
