// Scroll bars, headers and text-view borders, with a skin whose every frame
// is one solid colour, so that a pixel tells which frame shows where.
#include "TestSkins.h"

#include "skinning/WinSubClassContainers.h"

#include "platform_gui/Pixels.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSizeGrip>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace platform;
using namespace skinning;
using namespace testskins;

namespace {

// Frame k (from 1) of a strip in tone t.
QColor Shade(int k, int t) { return QColor(10 * k, t, 255 - 10 * k); }
TColor Frame(int k, int t) { return Colour(Shade(k, t)); }
QImage Strip(int fw, int fh, int frames, int t) {
  std::vector<QColor> colours;
  for (int k = 1; k <= frames; ++k) colours.push_back(Shade(k, t));
  return Frames(fw, fh, colours);
}

enum Tone { kStrip = 10, kHorzTrack = 40, kVertTrack = 70, kHorzThumb = 100, kVertThumb = 130, kHeader = 160,
            kButtons = 190 };
const TColor kFace = RGB(10, 20, 30), kLine = RGB(90, 90, 90);

std::unique_ptr<TSkinData> ScrollSkin() {
  QImage strip = Strip(16, 16, 23, kStrip);
  strip.setPixelColor(19 * 16, 0, Qt::magenta);  // the vertical grip's corner is the key colour
  auto data = std::make_unique<TSkinData>();
  EXPECT_TRUE(data->LoadSkinStream(Streamed(SkinOf(
      "[Colours]\nButtonFace=10,20,30\nButtonShadow=90,90,90\nWindowText=200,0,0\n[Scrollbar]\nImage=strip.bmp\nFrame=23\n"
      "[HorzScroll]\nImage=ht.bmp\n[VertScroll]\nImage=vt.bmp\n[HorzScrollThumb]\nImage=hb.bmp\nFrame=3\n"
      "[VertScrollThumb]\nImage=vb.bmp\nFrame=3\n[Headerbar]\nImage=head.bmp\nFrame=5\n"
      "[Buttons]\nBitmap=buttons.bmp\n",
      {{"buttons.bmp", Strip(10, 10, 5, kButtons)}, {"strip.bmp", strip}, {"ht.bmp", Strip(20, 16, 4, kHorzTrack)},
       {"vt.bmp", Strip(16, 20, 4, kVertTrack)}, {"hb.bmp", Strip(20, 16, 3, kHorzThumb)},
       {"vb.bmp", Strip(16, 20, 3, kVertThumb)}, {"head.bmp", Strip(20, 20, 5, kHeader)}}))));
  return data;
}

Bitmap Grab(QWidget* w) { return Bitmap::FromQImage(w->grab().toImage(), pfDevice); }

// A lone vertical bar, 17 wide, skinned as a scroll-bar control.
struct LoneBar {
  explicit LoneBar(TSkinData* data, int length = 300) {
    bar.resize(17, length);
    bar.setRange(0, 100);
    bar.setPageStep(10);
    bar.setValue(50);
    (new TSkinScrollbar(&bar))->HookScrollbars(&bar, data, nullptr);
    bar.show();
    QApplication::processEvents();
  }
  TScrollBarLayout Layout() const {
    return LayoutScrollBar(bar.height(), bar.minimum(), bar.maximum(), bar.pageStep(), bar.sliderPosition(),
                           TThumbRule::Control);
  }
  QScrollBar bar{Qt::Vertical};
};

}  // namespace

TEST(ScrollPainters, Layouts) {
  struct Case {
    int length, min, max, page, pos;
    TThumbRule rule;
    int arrow, thumbStart, thumbEnd, grooveEnd;
  };
  const Case cases[] = {
      // The page's share of the track, against either end.
      {300, 0, 100, 10, 0, TThumbRule::Window, 16, 16, 40, 284},
      {300, 0, 100, 10, 100, TThumbRule::Window, 16, 260, 284, 284},
      {300, 0, 10000, 1, 5000, TThumbRule::Window, 16, 146, 154, 284},  // at least 8
      // Two arrows do not fit: half arrows, no thumb; 33 fits them, not a thumb.
      {20, 0, 100, 10, 50, TThumbRule::Window, 10, 10, 10, 10},
      {33, 0, 100, 10, 50, TThumbRule::Window, 16, 16, 16, 17},
      // The control's rule: an empty range keeps the thumb at the first arrow.
      {300, 5, 5, 1, 5, TThumbRule::Control, 16, 16, 24, 24},
      {300, 0, 90, 10, 90, TThumbRule::Control, 16, 260, 284, 284},
      {300, 0, 1000, 10, 500, TThumbRule::Control, 16, 145, 153, 282},  // at least 8: the rest runs
      {100, 0, 10, 0, 5, TThumbRule::Control, 16, 42, 58, 84},           // no page: an arrow's length
      {100, 0, 10, 0, 5, TThumbRule::Window, 16, 42, 58, 84},
      {133, 0, 1, 2, 1, TThumbRule::Control, 16, 66, 117, 117},  // both halves rounded up: kept in the track
  };
  for (const Case& c : cases) {
    const TScrollBarLayout l = LayoutScrollBar(c.length, c.min, c.max, c.page, c.pos, c.rule);
    EXPECT_EQ(std::vector<int>({l.ArrowSize, l.ThumbStart, l.ThumbEnd, l.GrooveEnd}),
              std::vector<int>({c.arrow, c.thumbStart, c.thumbEnd, c.grooveEnd}))
        << c.length << " " << c.max << " " << c.pos;
  }
  const TScrollBarLayout l = LayoutScrollBar(100, 0, 10, 0, 5, TThumbRule::Control);
  for (auto [p, part] : {std::pair{15, kFirstArrow}, {16, kPageBefore}, {41, kPageBefore}, {42, kThumb},
                         {57, kThumb}, {58, kPageAfter}, {83, kPageAfter}, {84, kSecondArrow}})
    EXPECT_EQ(l.HitTest(p), part) << p;
}

TEST(ScrollPainters, ClicksMoveTheBarWhereThePictureShowsItsParts) {
  auto data = ScrollSkin();
  LoneBar b(data.get());
  const TScrollBarLayout l = b.Layout();
  const Bitmap shot = Grab(&b.bar);
  struct Case {
    int y;
    TColor picture;
    int value;
  };
  const Case cases[] = {{8, Frame(9, kStrip), 49},
                        {292, Frame(13, kStrip), 51},
                        {l.ThumbStart - 4, Frame(1, kVertTrack), 40},
                        {l.ThumbEnd + 4, Frame(1, kVertTrack), 60}};
  EXPECT_EQ(shot.GetPixel(8, 0), Frame(9, kStrip));
  for (const Case& c : cases) {
    EXPECT_EQ(shot.GetPixel(8, c.y), c.picture) << c.y;
    b.bar.setValue(50);
    QTest::mouseClick(&b.bar, Qt::LeftButton, {}, QPoint(8, c.y));
    EXPECT_EQ(b.bar.value(), c.value) << c.y;
  }
  // The thumb, with its grip in the middle, follows a drag pixel for pixel.
  b.bar.setValue(50);
  const TScrollBarLayout before = b.Layout();
  const Bitmap thumb = Grab(&b.bar);
  EXPECT_EQ(thumb.GetPixel(1, before.ThumbStart), Frame(1, kVertThumb));
  const int grip = before.ThumbStart + (before.ThumbEnd - before.ThumbStart - 16) / 2;
  EXPECT_EQ(thumb.GetPixel(8, grip + 8), Frame(20, kStrip));
  EXPECT_EQ(thumb.GetPixel(0, grip), Frame(1, kVertThumb));  // through the grip's key colour
  QTest::mousePress(&b.bar, Qt::LeftButton, {}, QPoint(8, before.ThumbStart + 2));
  QTest::mouseMove(&b.bar, QPoint(8, before.ThumbStart + 42));
  EXPECT_EQ(Grab(&b.bar).GetPixel(16, before.ThumbStart + 45), Frame(2, kVertThumb));  // dragged
  QTest::mouseRelease(&b.bar, Qt::LeftButton, {}, QPoint(8, before.ThumbStart + 42));
  EXPECT_NEAR(b.Layout().ThumbStart, before.ThumbStart + 40, 1);
}

TEST(ScrollPainters, ShortBarsHaveHalfArrowsAndNoThumbUntilLongerAgain) {
  auto data = ScrollSkin();
  LoneBar b(data.get(), 20);
  Bitmap shot = Grab(&b.bar);
  EXPECT_EQ(shot.GetPixel(8, 9), Frame(9, kStrip));
  EXPECT_EQ(shot.GetPixel(8, 10), Frame(13, kStrip));
  QTest::mouseClick(&b.bar, Qt::LeftButton, {}, QPoint(8, 12));
  EXPECT_EQ(b.bar.value(), 51);
  b.bar.resize(17, 300);
  QTest::mouseMove(&b.bar, QPoint(8, 100));  // over the page: off the arrow the click left hot
  shot = Grab(&b.bar);
  EXPECT_EQ(shot.GetPixel(8, 15), Frame(9, kStrip));
  EXPECT_NE(shot.GetPixel(8, 16), Frame(9, kStrip));
  EXPECT_EQ(shot.GetPixel(8, 284), Frame(13, kStrip));
  // An empty range: the thumb stays at the first arrow.
  b.bar.setRange(5, 5);
  b.bar.setPageStep(1);
  shot = Grab(&b.bar);
  EXPECT_EQ(shot.GetPixel(1, 16), Frame(1, kVertThumb));
  EXPECT_EQ(shot.GetPixel(1, 23), Frame(1, kVertThumb));
  EXPECT_EQ(shot.GetPixel(1, 24), Frame(1, kVertTrack));
}

TEST(ScrollPainters, ArrowPressedWhileRepeatingPlainAfterEndScroll) {
  auto data = ScrollSkin();
  QPlainTextEdit view;
  view.resize(200, 150);
  for (int i = 0; i < 200; ++i) view.appendPlainText(QString::number(i));
  (new TSkinScrollbar(&view))->HookScrollbars(&view, data.get(), nullptr);
  view.show();
  QApplication::processEvents();
  QScrollBar* bar = view.verticalScrollBar();
  ASSERT_EQ(bar->width(), 16);  // the system's width
  const QPoint down(8, bar->height() - 8);
  bar->setValue(0);
  QTest::mousePress(bar, Qt::LeftButton, {}, down);
  for (int i = 0; i < 100 && bar->value() < 3; ++i) QTest::qWait(50);  // the bar's own auto-repeat
  EXPECT_GE(bar->value(), 3);
  EXPECT_EQ(Grab(bar).GetPixel(down.x(), down.y()), Frame(14, kStrip));
  QTest::mouseRelease(bar, Qt::LeftButton, {}, down);
  EXPECT_EQ(Grab(bar).GetPixel(down.x(), down.y()), Frame(13, kStrip));
  // The mouse over a part shows it hot.
  QTest::mouseMove(bar, QPoint(8, 8));
  EXPECT_EQ(Grab(bar).GetPixel(8, 8), Frame(12, kStrip));
  const TScrollBarLayout l =
      LayoutScrollBar(bar->height(), 0, bar->maximum(), bar->pageStep(), bar->value(), TThumbRule::Window);
  QTest::mouseMove(bar, QPoint(8, l.ThumbStart + 1));
  EXPECT_EQ(Grab(bar).GetPixel(15, l.ThumbStart), Frame(3, kVertThumb));
  // Unhooked, the bar is the standard one again.
  FindSkinControl<TSkinScrollbar>(&view)->Unhook();
  EXPECT_FALSE(bar->hasMouseTracking());
  EXPECT_EQ(bar->style(), QApplication::style());
}

TEST(ScrollPainters, BordersAndTheCorner) {
  auto data = ScrollSkin();
  for (bool framed : {true, false}) {
    QPlainTextEdit view;
    view.resize(200, 150);
    view.setLineWrapMode(QPlainTextEdit::NoWrap);
    if (!framed) view.setFrameShape(QFrame::NoFrame);
    for (int i = 0; i < 50; ++i) view.appendPlainText(QString(80, QLatin1Char('x')));
    // An inner window's painter: no border, the corner all the same.
    if (framed)
      (new TSkinScrollbar(&view))->HookScrollbars(&view, data.get(), nullptr);
    else
      (new TSkinScrollbarH(&view))->HookWindow(&view, data.get(), nullptr);
    view.show();
    QApplication::processEvents();
    const Bitmap shot = Grab(&view);
    EXPECT_EQ(shot.GetPixel(0, 75) == kLine, framed) << framed;
    const QScrollBar* v = view.verticalScrollBar();
    const QPoint corner = v->mapTo(&view, QPoint(0, v->height()));
    EXPECT_EQ(shot.GetPixel(corner.x(), corner.y()), kFace) << framed;
    EXPECT_NE(shot.GetPixel(corner.x() - 1, corner.y()), kFace) << framed;
    EXPECT_NE(shot.GetPixel(corner.x(), corner.y() - 1), kFace) << framed;
  }
}

TEST(ScrollPainters, HeaderSectionsHotAfterThePaint) {
  auto data = ScrollSkin();
  QTreeWidget tree;
  tree.resize(300, 120);
  tree.setHeaderLabels({QStringLiteral("期号"), QStringLiteral("红球")});
  tree.headerItem()->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
  tree.header()->setStretchLastSection(false);
  tree.setColumnWidth(0, 80);
  tree.setColumnWidth(1, 80);
  auto* painter = new TSkinListView(&tree);
  painter->HookScrollbars(&tree, data.get(), nullptr);
  ASSERT_TRUE(painter->HeaderPainter);
  TSkinHeader& header = *painter->HeaderPainter;
  tree.show();
  QApplication::processEvents();
  QWidget* viewport = tree.header()->viewport();
  const auto hover = [&](int x) { QTest::mouseMove(viewport, QPoint(x, 5)); };
  hover(40);
  EXPECT_EQ(header.HotItem, 0);
  hover(100);
  EXPECT_EQ(header.HotItem, 1);
  Bitmap shot = Grab(tree.header());
  // The label in the skin's text colour, 3 pixels in, centred across.
  const auto red = [](TColor c) { return (c & 0xFF) > 120 && ((c >> 8) & 0xFF) < 100; };  // smoothed edges too
  const TRect label = pixels::Box(shot, red, Rect(0, 0, 80, shot.Height()));
  EXPECT_TRUE(label.Left >= 3 && label.Left <= 6) << label;
  const TRect right = pixels::Box(shot, red, Rect(80, 0, 160, shot.Height()));
  EXPECT_TRUE(right.Right >= 154 && right.Right <= 158) << right;  // 2 pixels in from the right
  EXPECT_NEAR(label.Top + label.Bottom, shot.Height(), 3) << label;
  EXPECT_EQ(shot.GetPixel(78, 2), Frame(1, kHeader));
  EXPECT_EQ(shot.GetPixel(85, 5), Frame(2, kHeader));
  EXPECT_EQ(shot.GetPixel(250, 5), Frame(1, kHeader));  // right of the last section
  // A new section is hot once a paint has measured it.
  tree.setHeaderLabels({QStringLiteral("期号"), QStringLiteral("红球"), QStringLiteral("蓝球")});
  tree.setColumnWidth(2, 80);
  SendMessage(viewport, WM_MOUSEMOVE, 0, MAKELPARAM(200, 5));
  EXPECT_EQ(header.HotItem, -1);
  Grab(tree.header());
  hover(200);
  EXPECT_EQ(header.HotItem, 2);
  SendMessage(viewport, WM_MOUSELEAVE);
  EXPECT_EQ(header.HotItem, -1);
}

TEST(ScrollPainters, ButtonTabsSheetsAndGripsInTheFaceColour) {
  auto data = ScrollSkin();
  QWidget form;
  form.resize(300, 200);
  auto* tabs = new QTabWidget(&form);
  tabs->setGeometry(0, 0, 300, 150);
  tabs->setProperty("Style", QStringLiteral("tsButtons"));
  for (const char* name : {"红球", "蓝球"}) tabs->addTab(new QWidget, QString::fromUtf8(name));
  auto* grip = new QSizeGrip(&form);
  grip->setGeometry(280, 180, 16, 16);
  (new TSkinTabBtn(tabs))->HookControl(nullptr, data.get(), false);
  (new TSkinTabSheet(tabs->widget(0)))->HookControl(nullptr, data.get(), false);
  (new TSkinSizer(grip))->HookControl(nullptr, data.get(), false);
  form.show();
  QApplication::processEvents();
  const Bitmap shot = Grab(&form);
  const QRect current = tabs->tabBar()->tabRect(0), other = tabs->tabBar()->tabRect(1);
  EXPECT_EQ(shot.GetPixel(current.left() + 1, current.top() + 1), Frame(2, kButtons));
  EXPECT_EQ(shot.GetPixel(other.left() + 1, other.top() + 1), Frame(1, kButtons));
  const QPoint page = tabs->widget(0)->mapTo(&form, QPoint(5, 5));
  EXPECT_EQ(shot.GetPixel(page.x(), page.y()), kFace);
  EXPECT_EQ(shot.GetPixel(290, 190), kFace);
}
