#include "platform/Painting.h"

#include "MessageLog.h"
#include "Pixels.h"
#include "platform/Canvas.h"
#include "platform/NonClient.h"
#include "platform/WindowTable.h"
#include "platform/WindowUtils.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>

#include <gtest/gtest.h>

#include <algorithm>

using namespace platform;

namespace {

// Paints a red square over its yellow background.
class Square : public QWidget {
 public:
  explicit Square(QWidget* parent = nullptr) : QWidget(parent) {
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::yellow);
    setPalette(p);
  }

 protected:
  void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(2, 2, 4, 4, Qt::red); }
};

int Count(const std::vector<LogEntry>& log, const std::string& who, unsigned msg) {
  return int(std::count(log.begin(), log.end(), LogEntry{who, msg}));
}

// The pixels in which WM_PRINT of `w` with its children differs from
// grab(); the log keeps the print's messages alone.
int PrintedAgainstGrab(QWidget* w, Bitmap& printed, MessageLog& log) {
  const Bitmap shot = Bitmap::FromQImage(w->grab().toImage(), pfDevice);
  log.Take();
  printed = Bitmap(w->width(), w->height(), pfDevice);
  printed.Fill(qRgb(0, 255, 0));
  SendMessage(w, WM_PRINT, PtrParam(&printed.GetCanvas()), PRF_CLIENT | PRF_ERASEBKGND | PRF_CHILDREN);
  printed.GetCanvas().EndPainting();
  int differing = 0;
  for (int y = 0; y < shot.Height(); ++y)
    for (int x = 0; x < shot.Width(); ++x) differing += printed.GetPixel(x, y) != shot.GetPixel(x, y);
  return differing;
}

}  // namespace

// WM_PRINT with the children paints what grab() shows; the chain of every
// widget with handlers sees WM_PAINT with the canvas printed into, and a
// handler painting into it shows in both pictures, under the children.
TEST(PaintingTest, PrintPaintsWhatGrabShows) {
  MessageLog log;  // outlives the windows, which tell it of their end
  QWidget form;
  form.resize(140, 90);
  auto* button = new QPushButton("OK", &form);
  button->setGeometry(10, 10, 60, 30);
  auto* square = new Square(&form);
  square->setGeometry(80, 10, 20, 20);
  auto* edit = new QLineEdit("text", &form);
  edit->setGeometry(10, 50, 100, 24);
  form.show();
  PumpEvents();
  // After the widget's own painting (children show above it).
  const auto paintAfter = [](QWidget* w, TRect r) {
    InstallWindowProc(w, [w, r](Message& m, const CallPrevious& previous) {
      previous(m);
      if (m.Msg != WM_PAINT) return;
      Canvas* canvas = m.WParam ? ParamPtr<Canvas>(m.WParam) : BeginPaint(w);
      canvas->Brush.Color = clBlue;
      canvas->FillRect(r);
    });
  };
  log.Add(&form, "form");
  paintAfter(button, Rect(1, 1, 5, 5));
  log.Add(button, "button");
  auto* group = new QWidget(&form);
  group->setAutoFillBackground(true);
  group->setGeometry(110, 40, 30, 40);
  auto* label = new QLabel("g", group);  // Qt paints it whole
  label->setAutoFillBackground(true);
  label->setGeometry(2, 2, 20, 20);
  paintAfter(group, Rect(0, 0, 30, 30));
  group->show();
  Bitmap printed;
  EXPECT_EQ(PrintedAgainstGrab(group, printed, log), 0);
  EXPECT_EQ(PrintedAgainstGrab(&form, printed, log), 0);
  Canvas& canvas = printed.GetCanvas();
  // The handlers painted into the print, the label over the group's painting.
  EXPECT_EQ(std::pair(printed.GetPixel(12, 12), printed.GetPixel(111, 41)), std::pair(clBlue, clBlue));
  EXPECT_NE(printed.GetPixel(115, 45), clBlue);
  std::vector<LogEntry> printing;
  for (const char* who : {"form", "button"})
    for (unsigned msg : {WM_PRINT, WM_ERASEBKGND, WM_PRINTCLIENT, WM_PAINT}) printing.push_back({who, msg});
  EXPECT_EQ(log.Take(), printing);
  SendMessage(&form, WM_PRINT, PtrParam(&canvas), PRF_CLIENT | PRF_CHILDREN);
  ASSERT_EQ(log.seen.size(), 6u) << "no erasing asked";
  EXPECT_EQ(std::pair(log.seen[2].WParam, log.seen[5].WParam), std::pair(PtrParam(&canvas), PtrParam(&canvas)))
      << "the form's and the button's WM_PAINT";
  log.Take();
  SendMessage(&form, WM_PRINT, PtrParam(&canvas), PRF_ERASEBKGND);  // the background alone
  EXPECT_EQ(log.Take(), (std::vector<LogEntry>{{"form", WM_PRINT}, {"form", WM_ERASEBKGND}}));

  // Erasing gives the background alone; WM_PAINT with 0 repaints at once.
  square->hide();
  Bitmap erased(20, 20, pfDevice);
  EXPECT_EQ(SendMessage(square, WM_ERASEBKGND, PtrParam(&erased.GetCanvas())), 1);
  erased.GetCanvas().EndPainting();
  EXPECT_EQ(pixels::ColorBox(erased, clYellow), Rect(0, 0, 20, 20)) << "no red square";
  log.Take();
  SendMessage(button, WM_PAINT);
  EXPECT_EQ(Count(log.Take(), "button", WM_PAINT), 1) << "its paint event's";
}

// A window whose redraw is off still prints whole, its children's children
// included, and its redraw stays off.
TEST(PaintingTest, PrintPaintsAWindowWhoseRedrawIsOff) {
  QWidget form;
  form.resize(60, 40);
  auto* panel = new QWidget(&form);
  panel->setGeometry(10, 10, 40, 20);
  auto* square = new Square(panel);
  square->setGeometry(0, 0, 20, 20);
  form.show();
  PumpEvents();
  SendMessage(&form, WM_SETREDRAW, 0);
  Bitmap printed(60, 40, pfDevice);
  printed.Fill(qRgb(0, 0, 0));
  SendMessage(&form, WM_PRINT, PtrParam(&printed.GetCanvas()), PRF_ERASEBKGND | PRF_CLIENT | PRF_CHILDREN);
  printed.GetCanvas().EndPainting();
  EXPECT_EQ(pixels::ColorBox(printed, clRed), Rect(12, 12, 16, 16));
  EXPECT_FALSE(form.updatesEnabled());
  EXPECT_FALSE(square->updatesEnabled());
  SendMessage(&form, WM_SETREDRAW, 1);
  EXPECT_TRUE(square->updatesEnabled());
}

// RedrawWindow: when the paint comes, and what it covers.
TEST(PaintingTest, RedrawWindowFlags) {
  const struct {
    unsigned flags;
    bool atOnce, child, band;
  } cases[] = {
      {RDW_INVALIDATE, false, true, false},
      {RDW_INVALIDATE | RDW_UPDATENOW, true, true, false},
      {RDW_INVALIDATE | RDW_ERASENOW | RDW_NOCHILDREN, true, false, false},
      {RDW_INVALIDATE | RDW_UPDATENOW | RDW_FRAME, true, true, true},
      {RDW_UPDATENOW, true, false, false},
  };
  MessageLog log;
  QWidget window;
  window.setGeometry(100, 100, 200, 150);
  SetNonClientFrame(&window);
  auto* child = new QWidget(&window);
  child->setGeometry(10, 10, 50, 50);
  window.show();
  PumpEvents();
  log.Add(&window, "window");
  log.Add(child, "child");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.flags);
    PumpEvents();
    log.Take();
    RedrawWindow(&window, nullptr, nullptr, c.flags);
    const std::vector<LogEntry> now = log.Take({WM_PAINT, WM_NCPAINT});
    PumpEvents();
    std::vector<LogEntry> all = log.Take({WM_PAINT, WM_NCPAINT});
    all.insert(all.begin(), now.begin(), now.end());
    const bool painted = c.flags & RDW_INVALIDATE;
    EXPECT_EQ(Count(now, "window", WM_PAINT), c.atOnce && painted ? 1 : 0);
    EXPECT_EQ(Count(all, "window", WM_PAINT), painted ? 1 : 0);
    EXPECT_EQ(Count(all, "child", WM_PAINT), c.child ? 1 : 0);
    EXPECT_EQ(Count(all, "window", WM_NCPAINT), c.band ? 1 : 0);
  }
}

// A cleared WS_VISIBLE leaves the window shown but unpainted; a handler of
// WM_STYLECHANGING changes the style that is set; the layout direction is
// the extended style's right-to-left bits, both ways.
TEST(PaintingTest, StyleWordsAndTheirMessages) {
  MessageLog log;
  QWidget window;
  auto* child = new QWidget(&window);
  window.show();
  PumpEvents();
  log.Add(&window, "window");
  log.Add(child, "child");
  const auto style = std::uint32_t(GetWindowLong(&window, GWL_STYLE));
  SetWindowLong(&window, GWL_STYLE, style & ~WS_VISIBLE);
  EXPECT_TRUE(window.isVisible() && !IsWindowVisible(&window) && !IsWindowVisible(child));
  window.update();
  child->update();
  PumpEvents();
  EXPECT_TRUE(log.Messages({WM_PAINT}).empty());
  SetWindowLong(&window, GWL_STYLE, style);
  PumpEvents();
  EXPECT_TRUE(IsWindowVisible(child));
  const std::vector<LogEntry> painted = log.Take({WM_PAINT});
  EXPECT_TRUE(Count(painted, "window", WM_PAINT) > 0 && Count(painted, "child", WM_PAINT) > 0);

  WindowProcHandle h = InstallWindowProc(child, [](Message& m, const CallPrevious& previous) {
    if (m.Msg == WM_STYLECHANGING && m.WParam == WPARAM(GWL_STYLE))
      ParamPtr<STYLESTRUCT>(std::uintptr_t(m.LParam))->styleNew |= WS_DISABLED;
    previous(m);
  });
  const auto childStyle = std::uint32_t(GetWindowLong(child, GWL_STYLE));
  SetWindowLong(child, GWL_STYLE, childStyle | WS_CLIPSIBLINGS);
  EXPECT_EQ(std::pair(child->isEnabled(), std::uint32_t(GetWindowLong(child, GWL_STYLE))),
            std::pair(false, childStyle | WS_CLIPSIBLINGS | WS_DISABLED));
  ASSERT_EQ(log.Messages({WM_STYLECHANGING, WM_STYLECHANGED}),
            (std::vector<unsigned>{WM_STYLECHANGING, WM_STYLECHANGED}));
  RemoveWindowProc(h);

  const auto exStyle = std::uint32_t(GetWindowLong(child, GWL_EXSTYLE));
  SetWindowLong(child, GWL_EXSTYLE, exStyle | WS_EX_LEFTSCROLLBAR | WS_EX_RTLREADING);
  EXPECT_EQ(child->layoutDirection(), Qt::RightToLeft);
  EXPECT_EQ(log.Messages({WM_STYLECHANGING, WM_STYLECHANGED}),
            (std::vector<unsigned>{WM_STYLECHANGING, WM_STYLECHANGED}))
      << "one pair for the change SetWindowLong made";
  window.setLayoutDirection(Qt::LeftToRight);
  log.Take();
  child->setLayoutDirection(Qt::LeftToRight);
  EXPECT_EQ(log.Take({WM_STYLECHANGING, WM_STYLECHANGED}),
            (std::vector<LogEntry>{{"child", WM_STYLECHANGING}, {"child", WM_STYLECHANGED}}));
  EXPECT_EQ(GetWindowLong(child, GWL_EXSTYLE) & WS_EX_RTLREADING, 0);
}

// WM_PRINT with PRF_NONCLIENT hands a framed window's band painting the
// print canvas as its window DC; an unframed window has no band to print.
TEST(PaintingTest, PrintWithTheFramePaintsTheBandIntoTheCanvas) {
  for (const bool framed : {true, false}) {
    SCOPED_TRACE(framed);
    MessageLog log;
    QWidget window;
    window.setGeometry(100, 100, 120, 80);
    if (framed) SetNonClientFrame(&window);
    InstallWindowProc(&window, [&window](Message& m, const CallPrevious& previous) {
      previous(m);
      if (m.Msg != WM_NCPAINT) return;
      Canvas* dc = GetWindowDC(&window);
      ASSERT_NE(dc, nullptr);
      dc->Brush.Color = clBlue;
      dc->FillRect(Rect(0, 0, 3, 3));
    });
    window.show();
    PumpEvents();
    log.Add(&window, "window");
    Bitmap printed(160, 120, pfDevice);
    printed.Fill(qRgb(0, 255, 0));
    SendMessage(&window, WM_PRINT, PtrParam(&printed.GetCanvas()), PRF_NONCLIENT);
    printed.GetCanvas().EndPainting();
    EXPECT_EQ(Count(log.Take(), "window", WM_NCPAINT), framed ? 1 : 0);
    EXPECT_EQ(printed.GetPixel(1, 1), framed ? clBlue : RGB(0, 255, 0));
  }
}
