// The skinned frame of a form and its menu bar, with skins whose every
// frame is one solid colour, so that a pixel tells which frame shows.
#include "TestSkins.h"

#include "platform/Menus.h"
#include "platform/NonClient.h"
#include "platform/WindowTable.h"
#include "skinning/WinSkinForm.h"
#include "skinning/WinSkinFormFrame.h"
#include "skinning/WinSkinFormWalk.h"
#include "skinning/WinSkinMenuBar.h"
#include "tools/skin/ProgramSkin.h"

#include "platform_gui/Pixels.h"
#include "support/FirstPaint.h"

#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <unordered_set>

using namespace platform;
using namespace skinning;
using namespace testskins;

namespace {

const QColor kActive(200, 40, 40), kInactive(40, 40, 200), kText(255, 255, 0);
const QColor kShadow(90, 90, 90), kBarText(1, 2, 3);

// Two frames, active and inactive: side by side for the side borders,
// stacked for the top and bottom ones. `keyColumns` of the first columns
// are the key colour.
QImage Border(int w, int h, bool stacked, int keyColumns = 0) {
  QImage image = stacked ? QImage(w, 2 * h, QImage::Format_RGB32) : Frames(w, h, {kActive, kInactive});
  if (stacked)
    for (int y = 0; y < 2 * h; ++y)
      for (int x = 0; x < w; ++x) image.setPixelColor(x, y, y < h ? kActive : kInactive);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < keyColumns; ++x) image.setPixelColor(x, y, Qt::magenta);
  return image;
}

struct SkinShape {
  SkinShape() = default;
  SkinShape(int l, int r, int t, int b, int lf, int tf)
      : left(l), right(r), top(t), bottom(b), leftFrames(lf), topFrames(tf) {}
  int left = 4, right = 5, top = 24, bottom = 3;
  int leftFrames = 2, topFrames = 2;
  int alignment = 0;
  int shiftVert = 0;
  std::string trans = "LeftTrans=0\nRightTrans=0\nTopTrans=0\nBottomTrans=0\n";
  std::string buttons;
};

// Caption buttons: close (right-aligned), the system-menu icon, and
// `extra` sections.
std::string FrameSkin(const SkinShape& s) {
  const std::string buttons =
      "[Button.Close]\nAction=0\nAlign=1\nXcoord=24\nYcoord=2\nframe=4\nButtonImage=close.bmp\n"
      "[Button.SystemMenu]\nAction=3\nAlign=0\nXcoord=2\nYcoord=2\nframe=1\nButtonImage=icon.bmp\n" + s.buttons;
  return SkinOf("[Colours]\nButtonFace=10,20,30\nButtonShadow=90,90,90\nMenuBarText=1,2,3\nMenubar=240,240,240\n"
                "ButtonHilight=250,250,250\n"
                "[Personality]\nLeft=left.bmp\nRight=right.bmp\nTop=top.bmp\nBottom=bottom.bmp\n"
                "LeftFrame=" + std::to_string(s.leftFrames) + "\nRightFrame=2\nTopFrame=" +
                    std::to_string(s.topFrames) + "\nBottomFrame=2\n" + s.trans +
                    "TextShift=30\nTextRightClip=40\nTextAlignment=" + std::to_string(s.alignment) +
                    "\nTextShiftVert=" + std::to_string(s.shiftVert) +
                    "\nActiveTextR=255\nActiveTextG=255\nActiveTextB=0\n" + buttons,
                {{"left.bmp", Border(s.left, 30, false)},
                 {"right.bmp", Border(s.right, 30, false)},
                 {"top.bmp", Border(60, s.top, true)},
                 {"bottom.bmp", Border(60, s.bottom, true, s.trans.find("BottomTrans=1") != std::string::npos ? 3 : 0)},
                 {"close.bmp", Frames(20, 18, {Qt::red, Qt::green, Qt::blue, Qt::gray})},
                 {"icon.bmp", Solid(16, 16, Qt::white)},
                 {"extra.bmp", Frames(10, 10, {Qt::cyan})}});
}

void Pump() {
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

class FrameTest : public ::testing::Test {
 protected:
  // Skins the shown window through the manager; its frame, or nullptr.
  TSkinFormFrame* Skin(QWidget& w, const SkinShape& shape = {}) {
    data_ = std::make_unique<TSkinData>();
    EXPECT_TRUE(data_->LoadSkinStream(Streamed(FrameSkin(shape))));
    data_->Loaded();
    SkinManage()->SetEnabled(true);
    if (!w.isVisible()) {
      w.setGeometry(50, 50, 300, 200);
      w.show();
    }
    Pump();
    SkinManage()->AddForm(&w);
    Pump();
    auto* form = dynamic_cast<TWinSkinForm*>(SkinManage()->FindForm(&w));
    return form ? form->Frame() : nullptr;
  }
  // The band as the frame paints it.
  static Bitmap Paint(TSkinFormFrame& frame) {
    const TRect r = FrameWindowRect(frame.Window());
    Bitmap b(r.Width(), r.Height());
    Canvas c(b);
    frame.PaintFrame(&c);
    return b;
  }
  static LPARAM Screen(TSkinFormFrame& frame, TPoint p) {
    const TRect r = FrameWindowRect(frame.Window());
    return MAKELPARAM(r.Left + p.X, r.Top + p.Y);
  }
  static TPoint Centre(const TRect& r) { return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2}; }
  static TWinSysButton* ButtonOf(TSkinFormFrame& frame, int action) {
    for (const auto& b : frame.Buttons())
      if (b->Element->Action == action) return b.get();
    return nullptr;
  }
  // The pointer moved to a point of the band.
  static void PointerTo(TSkinFormFrame& frame, TPoint p) {
    const TRect r = FrameWindowRect(frame.Window());
    QCursor::setPos(r.Left + p.X, r.Top + p.Y);
    SendMessage(frame.Window(), WM_NCMOUSEMOVE, HTCAPTION, Screen(frame, p));
  }
  // Maximizes or restores the window by its system command (or waits for
  // it to be so) and paints the band then.
  static void ShowAs(TSkinFormFrame& frame, bool maximized, bool send = true) {
    QWidget& w = *frame.Window();
    if (send) SendMessage(&w, WM_SYSCOMMAND, maximized ? SC_MAXIMIZE : SC_RESTORE);
    EXPECT_TRUE(QTest::qWaitFor([&] {
      return w.isMaximized() == maximized && (frame.ShowState() == TSkinFormFrame::kShowMaximized) == maximized;
    })) << "maximized: " << maximized;
    Paint(frame);
  }
  void TearDown() override {
    FreeSkinManage();
    data_.reset();
  }
  std::unique_ptr<TSkinData> data_;
};

// Maximize and Restore on one place, each shown in its own state.
const char kMaxRestore[] =
    "[Button.Max]\nAction=1\nAlign=1\nXcoord=48\nYcoord=2\nVisibility=2\nframe=4\nButtonImage=close.bmp\n"
    "[Button.Restore]\nAction=1\nAlign=1\nXcoord=48\nYcoord=2\nVisibility=1\nframe=4\nButtonImage=close.bmp\n";
constexpr Qt::WindowFlags kAllBoxes = Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                      Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint;

}  // namespace

// The margins come from the border elements divided by their frame count
// (a count of 0 counts as one); the client area keeps its size, the window
// grows by the margins (a dialog also to show its caption, its loose
// children moving along), so do its size limits; restoring gives the
// native frame back with the same client area and limits.
struct TMessageForm : QWidget {};
TEST_F(FrameTest, MarginsFitAndRestore) {
  const struct {
    SkinShape shape;
    QMargins band;
    bool dialog;
  } cases[] = {{{4, 5, 24, 3, 2, 2}, {4, 24, 5, 3}, false},
               {{6, 2, 30, 8, 2, 2}, {6, 30, 2, 8}, false},
               {{3, 5, 20, 3, 0, 0}, {6, 40, 5, 3}, false},
               {{4, 5, 24, 3, 2, 2}, {4, 24, 5, 3}, true}};
  for (const auto& c : cases) {
    std::unique_ptr<QWidget> w = c.dialog ? std::make_unique<TMessageForm>() : std::make_unique<QWidget>();
    w->setWindowTitle(QString(60, u'W'));
    auto* placed = new QWidget(w.get());  // placed by hand, no layout
    placed->setGeometry(0, 0, 10, 10);
    w->setMinimumSize(100, 80);
    w->setGeometry(50, 50, 120, 200);
    w->show();
    Pump();
    const QSize client = w->size();
    TSkinFormFrame* frame = Skin(*w, c.shape);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(QMargins(frame->LeftWidth(), frame->CaptionHeight(), frame->RightWidth(), frame->BottomHeight()), c.band);
    EXPECT_TRUE(HasNonClientFrame(w.get()));
    const int wider = w->width() - client.grownBy(c.band).width();
    EXPECT_EQ(wider > 0, c.dialog);
    EXPECT_EQ(w->size(), client.grownBy(c.band) + QSize(wider, 0));
    EXPECT_EQ(placed->pos(), QPoint(c.band.left() + wider / 2, c.band.top()));
    EXPECT_EQ(w->minimumSize(), QSize(100, 80).grownBy(c.band));
    SkinManage()->UnskinAll();
    Pump();
    EXPECT_EQ(placed->pos(), QPoint(wider / 2, 0));
    EXPECT_EQ(w->minimumSize(), QSize(100, 80));
    EXPECT_FALSE(HasNonClientFrame(w.get()));
    EXPECT_EQ(w->contentsRect().size(), client + QSize(wider, 0));
    QRegion region;
    EXPECT_EQ(GetWindowRgn(w.get(), region), ERROR);
    FreeSkinManage();
  }
}

// Frame 1 while active, frame 2 while not, on every border; each caption
// button in its state's frame (1 active, 4 inactive, 2 pressed, 3 under
// the mouse); the system-menu button shows its icon.
TEST_F(FrameTest, ActiveAndInactiveFrames) {
  QWidget w;
  TSkinFormFrame* frame = Skin(w);
  ASSERT_NE(frame, nullptr);
  const TRect r = FrameWindowRect(&w);
  const struct {
    bool active;
    int state;
    QColor button;
  } cases[] = {{true, TNCObject::kNormal, Qt::red},
               {false, TNCObject::kNormal, Qt::gray},
               {true, TNCObject::kPressed, Qt::green},
               {true, TNCObject::kHover, Qt::blue}};
  for (const auto& c : cases) {
    EXPECT_EQ(SendMessage(&w, WM_NCACTIVATE, c.active), 1) << "the change is allowed";
    Paint(*frame);
    ButtonOf(*frame, 0)->State = c.state;
    const Bitmap b = Paint(*frame);
    const TColor border = Colour(c.active ? kActive : kInactive);
    EXPECT_EQ(b.GetPixel(1, r.Height() / 2), border) << "left";
    EXPECT_EQ(b.GetPixel(r.Width() - 2, r.Height() / 2), border) << "right";
    EXPECT_EQ(b.GetPixel(r.Width() / 2, r.Height() - 1), border) << "bottom";
    EXPECT_EQ(b.GetPixel(r.Width() / 2 + 40, 1), border) << "caption";
    const TPoint close = Centre(ButtonOf(*frame, 0)->BoundsRect);
    EXPECT_EQ(b.GetPixel(close.X, close.Y), Colour(c.button)) << c.active << c.state;
    const TRect& icon = ButtonOf(*frame, 3)->BoundsRect;
    EXPECT_EQ(b.GetPixel(icon.Left + 8, icon.Top + (icon.Height() - 16) / 2 + 15), Colour(Qt::white))
        << "the icon's last row";
  }
}

// The caption text at TextShift, centred, or ending before TextRightClip.
TEST_F(FrameTest, CaptionAlignments) {
  for (int alignment : {0, 1, 2}) {
    QWidget w;
    w.setWindowTitle(QStringLiteral("Title"));
    SkinShape shape;
    shape.alignment = alignment;
    TSkinFormFrame* frame = Skin(w, shape);
    ASSERT_NE(frame, nullptr);
    SendMessage(&w, WM_NCACTIVATE, 1);
    const Bitmap b = Paint(*frame);
    const int width = b.Width();
    const TRect text = pixels::Box(b, [](TColor c) { return c == Colour(kText); }, Rect(30, 0, width - 50, 24));
    ASSERT_FALSE(text.IsEmpty()) << alignment;
    const int offset[] = {text.Left - 30, std::abs((text.Left + text.Right) / 2 - width / 2), width - 40 - text.Right};
    EXPECT_GE(offset[alignment], 0);
    EXPECT_LT(offset[alignment], 20) << alignment;
    FreeSkinManage();
  }
}

// TextShiftVert moves the caption text down by half its value.
TEST_F(FrameTest, CaptionTextShiftsByHalfTheVerticalShift) {
  std::vector<int> tops;
  for (int shift : {0, 12}) {
    QWidget w;
    w.setWindowTitle(QStringLiteral("Title"));
    SkinShape shape;
    shape.shiftVert = shift;
    TSkinFormFrame* frame = Skin(w, shape);
    ASSERT_NE(frame, nullptr);
    Paint(*frame);
    tops.push_back(frame->TextRect().Top);
    FreeSkinManage();
  }
  EXPECT_EQ(tops[1] - tops[0], 6);
}

// Visibility 7: only without maximize box. Visibility1 201: whenever the
// first condition holds. Visibility 200: only on a dialog frame of a
// window that is no dialog class, so never on a sizeable one.
TEST_F(FrameTest, ButtonVisibility) {
  SkinShape shape;
  shape.buttons = "[Button.NoMax]\nAction=30\nAlign=0\nXcoord=100\nYcoord=2\nVisibility=7\nVisibility1=0\nframe=1\nButtonImage=extra.bmp\n"
                 "[Button.Any]\nAction=31\nAlign=0\nXcoord=120\nYcoord=2\nVisibility=2\nVisibility1=201\nframe=1\nButtonImage=extra.bmp\n"
                 "[Button.Dialog]\nAction=32\nAlign=0\nXcoord=140\nYcoord=2\nVisibility=200\nVisibility1=0\nframe=1\nButtonImage=extra.bmp\n";
  for (const bool maxBox : {true, false}) {
    QWidget w;
    w.setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                     (maxBox ? Qt::WindowMaximizeButtonHint : Qt::WindowType(0)));
    TSkinFormFrame* frame = Skin(w, shape);
    ASSERT_NE(frame, nullptr);
    Paint(*frame);
    EXPECT_EQ(ButtonOf(*frame, 30)->Visible, !maxBox);
    EXPECT_TRUE(ButtonOf(*frame, 31)->Visible) << "not maximized, so shown";
    EXPECT_FALSE(ButtonOf(*frame, 32)->Visible) << "a sizeable window";
    FreeSkinManage();
  }
}

// A press on the close button and a release elsewhere does nothing, nor
// does a release on it without a press; a press and release on it closes;
// a double click on the system-menu icon closes.
TEST_F(FrameTest, CaptionButtonClicks) {
  enum Gesture { kReleaseOutside, kReleaseOn, kDoubleClickIcon, kReleaseOnly };
  for (Gesture g : {kReleaseOutside, kReleaseOn, kDoubleClickIcon, kReleaseOnly}) {
    QWidget w;
    TSkinFormFrame* frame = Skin(w);
    ASSERT_NE(frame, nullptr);
    SendMessage(&w, WM_NCACTIVATE, 1);
    Paint(*frame);
    const TPoint close = Centre(ButtonOf(*frame, 0)->BoundsRect);
    const TPoint icon = Centre(ButtonOf(*frame, 3)->BoundsRect);
    if (g == kDoubleClickIcon) {
      SendMessage(&w, WM_NCLBUTTONDBLCLK, HTCAPTION, Screen(*frame, icon));
    } else if (g == kReleaseOnly) {
      SendMessage(&w, WM_NCLBUTTONUP, HTCAPTION, Screen(*frame, close));
    } else {
      SendMessage(&w, WM_NCLBUTTONDOWN, HTCAPTION, Screen(*frame, close));
      EXPECT_EQ(ButtonOf(*frame, 0)->State, TNCObject::kPressed);
      SendMessage(&w, WM_NCLBUTTONUP, HTCAPTION, Screen(*frame, g == kReleaseOn ? close : TPoint{150, 10}));
    }
    Pump();
    EXPECT_EQ(w.isVisible(), g == kReleaseOutside || g == kReleaseOnly) << g;
    FreeSkinManage();
  }
}

// A skin whose only transparent border is the bottom one still shapes the
// window: the bottom's key-coloured columns are left out.
TEST_F(FrameTest, RegionFromTheBottomBorder) {
  for (const bool bottomTrans : {true, false}) {
    QWidget w;
    SkinShape shape;
    if (bottomTrans) shape.trans = "LeftTrans=0\nRightTrans=0\nTopTrans=0\nBottomTrans=1\n";
    TSkinFormFrame* frame = Skin(w, shape);
    ASSERT_NE(frame, nullptr);
    const QRegion region = w.mask();  // the window's shape, in its own coordinates
    ASSERT_FALSE(region.isEmpty());
    const int h = w.height();
    EXPECT_EQ(region.contains(QPoint(5, h - 1)), !bottomTrans) << "a key-coloured column of the bottom";
    EXPECT_TRUE(region.contains(QPoint(20, h - 1)));
    EXPECT_TRUE(region.contains(QPoint(0, h / 2)));
    EXPECT_TRUE(region.contains(QPoint(w.width() / 2, h / 2)));
    FreeSkinManage();
  }
}

// Where the mouse is: the caption, the menu bar, the client area and the
// sizing borders as the window's own hit test gives them. A bar item opens
// by SC_KEYMENU with its letter; Alt alone on a form without bar opens
// nothing and passes on.
TEST_F(FrameTest, HitTestsAndKeyboardMenus) {
  QMainWindow w;
  QMenu* file = w.menuBar()->addMenu(QStringLiteral("&File"));
  file->addAction(QStringLiteral("Open"));
  w.setMinimumSize(100, 80);
  TSkinFormFrame* frame = Skin(w);
  ASSERT_NE(frame, nullptr);
  ASSERT_NE(frame->MenuBar(), nullptr);
  EXPECT_FALSE(w.menuBar()->isVisible()) << "the skin draws the bar";
  EXPECT_EQ(w.minimumSize(), QSize(109, 107 + frame->MenuHeight())) << "grown by the band and the bar";
  const TRect r = FrameWindowRect(&w);
  const int W = r.Width(), H = r.Height();
  const struct {
    TPoint at;
    LRESULT hit;
  } cases[] = {{{W / 2, 10}, HTCAPTION},
               {{W / 2, frame->CaptionHeight() + frame->MenuHeight() / 2}, HTMENU},
               {{W / 2, H / 2}, HTCLIENT},
               {{1, H / 2}, HTLEFT},
               {{W / 2, H - 1}, HTBOTTOM}};
  for (const auto& c : cases)
    EXPECT_EQ(SendMessage(&w, WM_NCHITTEST, 0, Screen(*frame, c.at)), c.hit) << c.at.X << "," << c.at.Y;
  EXPECT_EQ(SendMessage(&w, WM_SYSCOMMAND, SC_KEYMENU, 'f'), 1);
  EXPECT_EQ(TWinSkinMenu::OpenMenu(), file);
  EXPECT_TRUE(file->isVisible());
  file->close();
  Pump();
  FreeSkinManage();

  QWidget bare;
  TSkinFormFrame* bareFrame = Skin(bare);
  ASSERT_NE(bareFrame, nullptr);
  EXPECT_EQ(bareFrame->MenuBar(), nullptr);
  EXPECT_EQ(SendMessage(&bare, WM_SYSCOMMAND, SC_KEYMENU, 0), 0);
  EXPECT_EQ(TWinSkinMenu::OpenIndex(), -1);
}

// Alt + Space opens the system menu's copy: Restore only when not normal,
// Maximize only when not maximized, Move not while maximized; each command
// its own glyph.
TEST_F(FrameTest, SystemMenuFollowsTheShowState) {
  for (const bool maximized : {false, true}) {
    QWidget w;
    TSkinFormFrame* frame = Skin(w);
    ASSERT_NE(frame, nullptr);
    if (maximized) w.showMaximized();
    Pump();
    QTest::keyClick(&w, Qt::Key_Space, Qt::AltModifier);
    ASSERT_NE(frame->SystemPopup(), nullptr);
    EXPECT_TRUE(frame->SystemPopup()->isVisible());
    std::map<unsigned, QAction*> items;
    QList<QImage> glyphs;
    for (QAction* a : frame->SystemPopup()->actions()) {
      items[GetCommandId(a)] = a;
      if (!a->icon().isNull()) glyphs << a->icon().pixmap(16).toImage();
    }
    EXPECT_EQ(items[SC_RESTORE]->isEnabled(), maximized);
    EXPECT_EQ(items[SC_MAXIMIZE]->isEnabled(), !maximized);
    EXPECT_EQ(items[SC_MOVE]->isEnabled(), !maximized);
    ASSERT_EQ(glyphs.size(), 4);
    for (int i = 0; i < 4; ++i)
      for (int j = 0; j < i; ++j) EXPECT_NE(glyphs[i], glyphs[j]) << i << j;
    frame->SystemPopup()->close();
    Pump();
    EXPECT_EQ(SendMessage(&w, WM_SYSCOMMAND, SC_KEYMENU, ' '), 1) << "taken, also as the menu's second key";
    FreeSkinManage();
  }
}

// Alt+Space with the focus in a control of a skinned form: the frame takes
// WM_SYSKEYDOWN and sends SC_KEYMENU ' ' once; its copy of the system menu
// is the one menu shown.
TEST_F(FrameTest, AltSpaceShowsOneSystemMenu) {
  QWidget w;
  auto* edit = new QLineEdit(&w);
  TSkinFormFrame* frame = Skin(w);
  ASSERT_NE(frame, nullptr);
  int keyMenus = 0;
  InstallWindowProc(&w, [&](Message& m, const CallPrevious& previous) {
    if (m.Msg == WM_SYSCOMMAND && (m.WParam & 0xFFF0) == SC_KEYMENU && m.LParam == ' ') ++keyMenus;
    previous(m);
  });
  w.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  edit->setFocus();
  Pump();
  QTest::keyClick(w.windowHandle(), Qt::Key_Space, Qt::AltModifier);
  Pump();
  EXPECT_EQ(keyMenus, 1);
  ASSERT_NE(frame->SystemPopup(), nullptr);
  EXPECT_TRUE(frame->SystemPopup()->isVisible());
  EXPECT_EQ(QApplication::activePopupWidget(), frame->SystemPopup());
  EXPECT_FALSE(GetSystemMenu(&w)->isVisible()) << "not the standard menu as well";
  EXPECT_TRUE(edit->text().isEmpty());
  frame->SystemPopup()->close();
  Pump();
  FreeSkinManage();
}

// The close item of a dialog's and of a main window's system menu shows
// its shortcut right-aligned, its ink ending 10 pixels before the item's
// right edge, with blank columns between it and the caption's ink.
TEST_F(FrameTest, SystemMenuShortcutStandsApartFromTheCaption) {
  for (const bool dialog : {true, false}) {
    SCOPED_TRACE(dialog ? "dialog" : "main window");
    std::unique_ptr<QWidget> w = dialog ? std::unique_ptr<QWidget>(new QDialog) : std::make_unique<QMainWindow>();
    TSkinFormFrame* frame = Skin(*w);
    ASSERT_NE(frame, nullptr);
    QTest::keyClick(w.get(), Qt::Key_Space, Qt::AltModifier);
    QMenu* popup = frame->SystemPopup();
    ASSERT_TRUE(popup && popup->isVisible());
    QAction* close = popup->actions().last();
    ASSERT_EQ(GetCommandId(close), unsigned(SC_CLOSE));
    popup->setActiveAction(nullptr);
    const QRect item = popup->actionGeometry(close);
    const QImage shot = popup->grab().toImage();
    // Columns right of the glyph square that hold anything but the item's
    // background.
    const QRgb back = shot.pixel(item.right() - 1, item.center().y());
    std::vector<int> ink;
    for (int x = item.left() + 1 + 16 + 3; x < item.right(); ++x)
      for (int y = item.top(); y <= item.bottom(); ++y)
        if (shot.pixel(x, y) != back) {
          ink.push_back(x);
          break;
        }
    ASSERT_FALSE(ink.empty());
    const int end = item.right() + 1 - 10;
    EXPECT_LT(ink.back(), end);
    EXPECT_GE(ink.back(), end - 3) << "right-aligned";
    int gap = 0;
    for (size_t i = 1; i < ink.size(); ++i) gap = std::max(gap, ink[i] - ink[i - 1] - 1);
    EXPECT_GE(gap, 8) << "blank columns between caption and shortcut";
    popup->close();
    Pump();
    FreeSkinManage();
  }
}

// The band is painted again when a button loses the mouse, when the show
// state changes while the size stays (a maximized window brought back from
// the task bar) and when the skin is taken up again; a new skin brings its margins, the client area
// keeps its size.
TEST_F(FrameTest, RepaintsAndANewSkin) {
  QWidget w;
  TSkinFormFrame* frame = Skin(w);
  ASSERT_NE(frame, nullptr);
  const QSize client = w.contentsRect().size();
  SendMessage(&w, WM_NCACTIVATE, 1);
  Paint(*frame);
  struct : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override { return paints += e->type() == QEvent::Paint, false; }
  } counter;
  w.installEventFilter(&counter);
  auto* form = dynamic_cast<TWinSkinForm*>(SkinManage()->FindForm(&w));
  const std::function<void()> steps[] = {
      [&] { SendMessage(&w, WM_NCMOUSEMOVE, HTCAPTION, Screen(*frame, Centre(ButtonOf(*frame, 0)->BoundsRect))); },
      [&] { SendMessage(&w, WM_NCMOUSELEAVE); },
      [&] { SendMessage(&w, WM_SIZE, SIZE_MAXIMIZED, MAKELPARAM(w.width(), w.height())); },
      [&] { SendMessage(&w, WM_SIZE, SIZE_RESTORED, MAKELPARAM(w.width(), w.height())); },
      [&] { form->TakeUpSkin(); }};
  for (const auto& step : steps) {
    Pump();
    const int before = counter.paints;
    step();
    Pump();
    EXPECT_GT(counter.paints, before);
  }
  ASSERT_TRUE(data_->LoadSkinStream(Streamed(FrameSkin(SkinShape{6, 2, 30, 8, 2, 2}))));
  form->TakeUpSkin();
  EXPECT_EQ(QMargins(frame->LeftWidth(), frame->CaptionHeight(), frame->RightWidth(), frame->BottomHeight()),
            QMargins(6, 30, 2, 8));
  EXPECT_EQ(w.contentsRect().size(), client);
}

// Every hover of the close button counts from zero: its hint shows from
// the timer's 4th tick on the button (1 s) to its 14th (3.5 s), and not
// otherwise; so for five hovers in a row, after one past the hide time,
// and after the window was maximized and restored.
TEST_F(FrameTest, EveryHoverShowsTheHintInItsTime) {
  enum Then { kStay, kMaximize, kRestore };
  const struct {
    const char* name;
    std::vector<std::pair<int, Then>> hovers;  // ticks on the button, then
  } cases[] = {{"five hovers of a second", {{4, kStay}, {4, kStay}, {4, kStay}, {4, kStay}, {4, kStay}}},
               {"past the hide time, then again", {{16, kStay}, {6, kStay}}},
               {"maximized and restored", {{12, kMaximize}, {6, kRestore}, {6, kStay}}}};
  for (const auto& c : cases) {
    QWidget w;
    w.setWindowFlags(kAllBoxes);
    TSkinFormFrame* frame = Skin(w);
    ASSERT_NE(frame, nullptr);
    SendMessage(&w, WM_NCACTIVATE, 1);
    Paint(*frame);
    for (size_t i = 0; i < c.hovers.size(); ++i) {
      PointerTo(*frame, Centre(ButtonOf(*frame, 0)->BoundsRect));
      std::string shown, expected;
      for (int tick = 1; tick <= c.hovers[i].first; ++tick) {
        frame->OnTimer();
        shown += data_->CaptionHintShown() ? '+' : '-';
        expected += tick >= 4 && tick <= 14 ? '+' : '-';
      }
      EXPECT_EQ(shown, expected) << c.name << ", hover " << i + 1;
      PointerTo(*frame, {frame->WindowWidth() / 2, 10});
      frame->OnTimer();
      EXPECT_FALSE(data_->CaptionHintShown()) << c.name << ", hover " << i + 1;
      if (c.hovers[i].second != kStay) ShowAs(*frame, c.hovers[i].second == kMaximize);
    }
    FreeSkinManage();
  }
}

// A caption button is lit only while the pointer is on it. A click on
// Maximize or Restore, the window maximized by other means while Maximize
// is hot, or its deactivation while Close is: once the pointer has moved
// on along the caption, every button shows its normal frame (1 active, 4
// inactive), and so when the window comes back to the state it had.
TEST_F(FrameTest, CaptionButtonsAreLitOnlyUnderThePointer) {
  enum Route { kMaximizeClick, kRestoreClick, kMaximizedWhileHot, kDeactivated };
  const struct {
    Route route;
    int action;      // of the hot button
    bool maximized;  // at first
  } cases[] = {{kMaximizeClick, 1, false}, {kRestoreClick, 1, true}, {kMaximizedWhileHot, 1, false},
               {kDeactivated, 0, false}};
  SkinShape shape;
  shape.buttons = kMaxRestore;
  for (const auto& c : cases) {
    QWidget w;
    w.setWindowFlags(kAllBoxes);
    TSkinFormFrame* frame = Skin(w, shape);
    ASSERT_NE(frame, nullptr);
    SendMessage(&w, WM_NCACTIVATE, 1);
    if (c.maximized) ShowAs(*frame, true);
    TPoint on;
    for (const auto& b : frame->Buttons())
      if (b->Visible && b->Element->Action == c.action) on = Centre(b->BoundsRect);
    PointerTo(*frame, on);
    EXPECT_EQ(Paint(*frame).GetPixel(on.X, on.Y), Colour(Qt::blue)) << c.route << ": lit under the pointer";
    if (c.route == kDeactivated) {
      SendMessage(&w, WM_NCACTIVATE, 0);
    } else if (c.route == kMaximizedWhileHot) {
      ShowAs(*frame, true);
    } else {
      SendMessage(&w, WM_NCLBUTTONDOWN, HTCAPTION, Screen(*frame, on));
      SendMessage(&w, WM_NCLBUTTONUP, HTCAPTION, Screen(*frame, on));
      ShowAs(*frame, !c.maximized, false);
    }
    // The pointer moves on along the caption (the timer runs only while
    // the window is active).
    PointerTo(*frame, {frame->WindowWidth() / 2, 10});
    if (frame->Active()) frame->OnTimer();
    const auto expectNormal = [&](const char* when) {
      const Bitmap b = Paint(*frame);
      for (const auto& button : frame->Buttons()) {
        if (!button->Visible || button->IsSystemMenuButton()) continue;
        const TPoint at = Centre(button->BoundsRect);
        EXPECT_EQ(b.GetPixel(at.X, at.Y), Colour(frame->Active() ? Qt::red : Qt::gray))
            << c.route << ", " << when << ": button " << button->Element->Action << " is lit";
      }
    };
    expectNormal("the pointer moved on");
    if (c.route == kDeactivated)
      SendMessage(&w, WM_NCACTIVATE, 1);
    else
      ShowAs(*frame, frame->ShowState() != TSkinFormFrame::kShowMaximized);
    expectNormal("back in the state it had");
    FreeSkinManage();
  }
}

// The drawing routines at the edges of a frame: margins that do not fit
// drop to 0 (the image is stretched whole); a three-part strip's ends are
// copied key colour and all.
TEST(SkinPrimitives, MarginsThatDoNotFitAndOpaqueStripEnds) {
  QImage rows = Solid(4, 4, Qt::green);
  for (int x = 0; x < 4; ++x) rows.setPixelColor(x, 0, Qt::red);
  const Bitmap nine = DrawSkinImage(Rect(0, 0, 4, 8), Bitmap::FromQImage(rows), Rect(0, 3, 0, 3), false, false, 1, 1);
  EXPECT_EQ(nine.GetPixel(0, 1), Colour(Qt::red)) << "the top row stretched over two";
  QImage ends = Solid(6, 4, Qt::green);
  for (int y = 0; y < 4; ++y) ends.setPixelColor(5, y, Qt::magenta);
  Bitmap out(20, 4);
  Canvas c(out);
  DrawThreePartDirect(c, Rect(0, 0, 20, 4), Bitmap::FromQImage(ends), false, 1, 1, Rect(2, 0, 2, 0));
  EXPECT_EQ(out.GetPixel(19, 1), Colour(Qt::magenta));
}

// ---------------------------------------------------------------------------
// The menu bar.

class MenuBarTest : public FrameTest {
 protected:
  void SetUp() override {
    file_ = w_.menuBar()->addMenu(QStringLiteral("&File"));
    file_->addAction(QStringLiteral("Open"));
    edit_ = w_.menuBar()->addMenu(QStringLiteral("&Edit"));
    edit_->addAction(QStringLiteral("Copy"));
    view_ = w_.menuBar()->addMenu(QStringLiteral("&View"));
    view_->addAction(QStringLiteral("Zoom"));
    view_->menuAction()->setEnabled(false);
    frame_ = Skin(w_);
    ASSERT_NE(frame_, nullptr);
    ASSERT_NE(frame_->MenuBar(), nullptr);
    ASSERT_EQ(frame_->MenuBar()->Items().size(), 3u);
  }
  void TearDown() override {
    for (QMenu* m : {file_, edit_, view_}) m->close();
    Pump();
    FrameTest::TearDown();
  }
  TMenuBtn* Item(int i) const { return frame_->MenuBar()->Items()[size_t(i)].get(); }
  QPoint ScreenCentre(int i) const {
    const TRect r = FrameWindowRect(&w_);
    const TPoint c = Centre(Item(i)->BoundsRect);
    return {r.Left + c.X, r.Top + c.Y};
  }

  QMainWindow w_;
  QMenu *file_ = nullptr, *edit_ = nullptr, *view_ = nullptr;
  TSkinFormFrame* frame_ = nullptr;
};

// Moving over another item while a drop-down is open opens that one;
// Right on the last enabled item wraps to the first.
TEST_F(MenuBarTest, SwitchingItems) {
  const QPoint at = ScreenCentre(0);
  SendMessage(&w_, WM_NCLBUTTONDOWN, HTMENU, MAKELPARAM(at.x(), at.y()));
  ASSERT_TRUE(file_->isVisible());
  const QPoint over = ScreenCentre(1);
  QMouseEvent move(QEvent::MouseMove, file_->mapFromGlobal(over), over, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(file_, &move);
  Pump();
  EXPECT_EQ(TWinSkinMenu::OpenIndex(), 1);
  EXPECT_TRUE(edit_->isVisible());
  EXPECT_FALSE(file_->isVisible());
  QTest::keyClick(edit_, Qt::Key_Right);
  Pump();
  EXPECT_EQ(TWinSkinMenu::OpenIndex(), 0) << "the disabled View is passed over, then it wraps";
  EXPECT_TRUE(file_->isVisible());
}

// Alt with an accelerator opens its item; the bare key passes on. A
// disabled item is drawn in the shadow colour and opens nothing.
TEST_F(MenuBarTest, AcceleratorsAndDisabledItems) {
  EXPECT_EQ(SendMessage(&w_, CM_DIALOGCHAR, 'e', 0), 0);
  Pump();
  EXPECT_EQ(TWinSkinMenu::OpenIndex(), -1);
  EXPECT_EQ(SendMessage(&w_, CM_DIALOGCHAR, 'e', LPARAM(1) << 29), 1);
  Pump();
  EXPECT_EQ(TWinSkinMenu::OpenIndex(), 1);
  EXPECT_TRUE(edit_->isVisible());
  edit_->close();
  Pump();

  SendMessage(&w_, CM_DIALOGCHAR, 'v', LPARAM(1) << 29);
  EXPECT_FALSE(view_->isVisible());
  QTest::keyClick(&w_, Qt::Key_Escape);
  const Bitmap b = Paint(*frame_);
  const auto inked = [&](int i, QColor c) {
    return !pixels::Box(b, [&](TColor p) { return p == Colour(c); }, Item(i)->BoundsRect).IsEmpty();
  };
  EXPECT_TRUE(inked(2, kShadow));
  EXPECT_FALSE(inked(2, kBarText));
  EXPECT_TRUE(inked(0, kBarText));
  // A change of the bar's actions builds the items again.
  view_->menuAction()->setEnabled(true);
  Pump();
  EXPECT_TRUE(Item(2)->Enabled);
}

// Every border part of the program's skin, active and inactive, at window
// sizes from 300 to 1200 holds only colours of its source frame: a part
// stretched from a middle without rows once painted the sides black.
TEST_F(FrameTest, TheProgramSkinsBordersHoldOnlyTheirFramesColours) {
  QWidget w;
  data_ = std::make_unique<TSkinData>();
  ASSERT_TRUE(data_->LoadSkinStream(Streamed(skinwriter::SkinFileBytes(skinwriter::MakeProgramSkin()))));
  data_->Loaded();
  SkinManage()->SetEnabled(true);
  w.setGeometry(50, 50, 300, 200);
  w.show();
  Pump();
  auto* form = dynamic_cast<TWinSkinForm*>(SkinManage()->FindForm(&w));
  TSkinFormFrame* frame = form ? form->Frame() : nullptr;
  ASSERT_NE(frame, nullptr);
  const TSkinModel& m = frame->Model();
  const struct {
    int part;
    const char* name;
    const TDataSkinObject& element;
  } parts[] = {{1, "Left", m.LeftBorder}, {2, "Right", m.RightBorder}, {3, "Top", m.TopBorder}, {4, "Bottom", m.BottomBorder}};
  for (const bool active : {true, false}) {
    SendMessage(&w, WM_NCACTIVATE, active);
    ASSERT_EQ(frame->Active(), active);
    for (const auto& p : parts) {
      const bool stacked = p.part >= 3;
      const int frames = std::max(p.element.Frame, 1);
      const std::optional<TRect> source = SkinFrameRect(p.element.Image, stacked, frames, active || frames == 1 ? 1 : 2);
      ASSERT_TRUE(source) << p.name;
      const QImage image = p.element.Image.ToQImage().convertToFormat(QImage::Format_RGB32);
      std::unordered_set<QRgb> colours;
      for (int y = source->Top; y < source->Bottom; ++y)
        for (int x = source->Left; x < source->Right; ++x) colours.insert(image.pixel(x, y));
      for (int size = 300; size <= 1200; ++size) {
        const QSize at = p.part <= 2 ? QSize(p.part == 1 ? frame->LeftWidth() : frame->RightWidth(), size)
                         : p.part == 3 ? QSize(size, frame->CaptionHeight())
                                       : QSize(size - frame->LeftWidth() - frame->RightWidth(), frame->BottomHeight());
        const QImage painted = frame->PaintPart(p.part, at.width(), at.height()).ToQImage().convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(painted.size(), at) << p.name << " at " << size;
        for (int y = 0; y < painted.height(); ++y) {
          const auto* row = reinterpret_cast<const QRgb*>(painted.constScanLine(y));
          for (int x = 0; x < painted.width(); ++x)
            ASSERT_TRUE(colours.count(row[x])) << p.name << (active ? " active" : " inactive") << " at " << size
                                               << ": colour " << std::hex << (row[x] & 0xFFFFFF) << std::dec
                                               << " at (" << x << ", " << y << ") is not in its frame";
        }
      }
    }
  }
}

// While skinning is on, a dialog shown through exec() gets its frame as it
// is first shown: framed at its first paint, its client area as it was
// laid out, its loop running until the dialog is done. Forms, dialogs and
// tool windows with a caption are skinned so; popups, frameless tool
// windows and children are not.
TEST_F(FrameTest, ADialogIsFramedBeforeItsFirstPaint) {
  QWidget owner;
  ASSERT_NE(Skin(owner), nullptr);
  QDialog dialog(&owner);
  dialog.resize(200, 100);
  testsupport::FirstPaint firstPaint;
  dialog.installEventFilter(&firstPaint);
  int phase = -1;
  QSize client;
  QTimer::singleShot(100, &dialog, [&] {
    auto* form = dynamic_cast<TWinSkinForm*>(SkinManage()->FindForm(&dialog));
    phase = form && form->Frame() ? form->Frame()->Phase() : -1;
    client = dialog.contentsRect().size();
    dialog.done(5);
  });
  EXPECT_EQ(dialog.exec(), 5);
  EXPECT_EQ(std::tuple(firstPaint.framed, phase, client),
            std::tuple(std::optional<bool>(true), int(TSkinFormFrame::kActive), QSize(200, 100)));

  QWidget child(&owner), tool(nullptr, Qt::Tool), popup(nullptr, Qt::Popup), window, dialogWindow(nullptr, Qt::Dialog),
      frameless(nullptr, Qt::Tool | Qt::FramelessWindowHint);
  const struct {
    QWidget* w;
    bool form;
  } kinds[] = {{&child, false},  {&tool, true},         {&popup, false},
               {&window, true},  {&dialogWindow, true}, {&frameless, false}};
  for (const auto& k : kinds) EXPECT_EQ(TSkinManage::IsForm(k.w), k.form) << k.w->windowType();
}

// A message box framed as it shows keeps the width its caption needs,
// though it sizes itself again at every layout request: a caption wider
// than the box's own text, and a short one that the box, sized for its
// text as it shows, would cut.
TEST_F(FrameTest, AMessageBoxKeepsRoomForItsCaption) {
  QWidget owner;
  // A right-aligned button (shown or not) farther in than the title's
  // right margin: a popup's caption keeps clear of it.
  SkinShape shape;
  shape.buttons = "[Button.Max]\nAction=1\nAlign=1\nXcoord=70\nYcoord=2\nframe=4\nButtonImage=close.bmp\n";
  ASSERT_NE(Skin(owner, shape), nullptr);
  const std::pair<const char*, const char*> kBoxes[] = {{"A caption much wider than the text below it", "Done."},
                                                        {"修改密码", "密码修改成功！"}};
  for (const auto& [caption, text] : kBoxes) {
    QMessageBox box(&owner);
    box.setWindowTitle(QString::fromUtf8(caption));
    box.setText(QString::fromUtf8(text));
    int width = 0, room = -1, shown = -1, whole = 0;
    QTimer::singleShot(200, &box, [&] {
      auto* form = dynamic_cast<TWinSkinForm*>(SkinManage()->FindForm(&box));
      if (!form || !form->Frame()) return box.done(0);
      room = form->Frame()->CaptionRoom();
      width = box.width();
      // The caption as painted: its text rectangle holds the whole text.
      Bitmap scratch(1, 1);
      Canvas c(scratch);
      c.Font = data_->CaptionFont();
      whole = c.TextWidth(QStringLiteral("  ") + box.windowTitle() + QStringLiteral(" "));
      Paint(*form->Frame());
      shown = form->Frame()->TextRect().Width();
      box.done(0);
    });
    box.exec();
    ASSERT_GT(room, 0) << caption;
    EXPECT_GE(width, room) << caption;
    EXPECT_EQ(shown, whole) << caption << ": the caption is cut";
  }
}
