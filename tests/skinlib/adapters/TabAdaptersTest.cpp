// The tab, page-control and page adapters: the geometry rules, which
// section the page takes by position and tab count, the spin adapter of
// the bar's scroll buttons, page adapters made once.
#include "skinlib/adapters/TabAdapters.h"

#include "SkinnedAdapterTest.h"

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/ControlMessages.h"
#include "platform/WindowTable.h"
#include "skinlib/adapters/AdapterUtils.h"
#include "skinlib/adapters/SkinCommandSenders.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/support/TabSkin.h"

#include <QApplication>
#include <QLabel>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace platform;

namespace {

TColor Rgb(int skinColor) { return TColor(skinColor); }
TColor PixelAt(const QImage& image, int x, int y) {
  const QRgb p = image.pixel(x, y);
  return TColor(qRed(p) | (qGreen(p) << 8) | (qBlue(p) << 16));
}

TEST(TabGeometryTest, PositionAndKindFromStyle) {
  const struct {
    std::uint32_t style;
    TacTabPosition position;
    TacTabKind kind;
  } rows[] = {
      {0, TacTabPosition::Top, TacTabKind::Tabs},
      {TCS_BOTTOM, TacTabPosition::Bottom, TacTabKind::Tabs},
      {TCS_VERTICAL, TacTabPosition::Left, TacTabKind::Tabs},
      {TCS_VERTICAL | TCS_RIGHT, TacTabPosition::Right, TacTabKind::Tabs},
      {TCS_BUTTONS, TacTabPosition::Top, TacTabKind::Buttons},
      {TCS_BUTTONS | TCS_FLATBUTTONS, TacTabPosition::Top, TacTabKind::FlatButtons},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(TabPositionOfStyle(r.style), r.position) << r.style;
    EXPECT_EQ(TabKindOfStyle(r.style), r.kind) << r.style;
  }
}

// One side of the page follows the tabs' rectangle; without tabs the page
// is the whole window.
TEST(TabGeometryTest, PageRectByPosition) {
  const TRect tabs = TabsRectOf({3, 20, 190, 140});
  EXPECT_EQ(tabs, (TRect{3, 22, 190, 140}));
  const struct {
    TacTabPosition position;
    TRect page;
  } rows[] = {
      {TacTabPosition::Top, {0, 18, 200, 150}},
      {TacTabPosition::Bottom, {0, 0, 200, 141}},
      {TacTabPosition::Left, {2, 0, 200, 150}},
      {TacTabPosition::Right, {0, 0, 191, 150}},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(PageRectOf(200, 150, true, r.position, tabs), r.page) << int(r.position);
    EXPECT_EQ(PageRectOf(200, 150, false, r.position, tabs), (TRect{0, 0, 200, 150}));
  }
}

TEST(TabGeometryTest, TabRectAdjusted) {
  const TRect item{10, 0, 60, 20};
  const struct {
    TacTabPosition position;
    bool active;
    TRect expected;
  } rows[] = {
      {TacTabPosition::Top, false, {10, 0, 59, 24}},
      {TacTabPosition::Top, true, {8, -2, 62, 22}},
      {TacTabPosition::Bottom, false, {10, -2, 59, 20}},
      {TacTabPosition::Bottom, true, {8, -3, 62, 21}},
      {TacTabPosition::Left, false, {10, -1, 63, 20}},
      {TacTabPosition::Left, true, {9, -2, 63, 21}},
      {TacTabPosition::Right, false, {8, -1, 59, 20}},
      {TacTabPosition::Right, true, {7, -2, 61, 22}},
  };
  for (const auto& r : rows)
    EXPECT_EQ(AdjustTabRect(item, TacTabKind::Tabs, r.position, r.active), r.expected)
        << int(r.position) << " " << r.active;
  // Qt's tabs give up 2 pixels at the bar's outer edge first.
  EXPECT_EQ(ItemRectOfQtTab(item, TacTabKind::Tabs, TacTabPosition::Top), (TRect{10, 2, 60, 20}));
  EXPECT_EQ(ItemRectOfQtTab(item, TacTabKind::Tabs, TacTabPosition::Bottom), (TRect{10, 0, 60, 18}));
  EXPECT_EQ(ItemRectOfQtTab(item, TacTabKind::Tabs, TacTabPosition::Left), (TRect{12, 0, 60, 20}));
  EXPECT_EQ(ItemRectOfQtTab(item, TacTabKind::Tabs, TacTabPosition::Right), (TRect{10, 0, 58, 20}));
  EXPECT_EQ(ItemRectOfQtTab(item, TacTabKind::FlatButtons, TacTabPosition::Top), item);
  // Buttons keep their rectangle, as does a rectangle of no width.
  EXPECT_EQ(AdjustTabRect(item, TacTabKind::Buttons, TacTabPosition::Top, true), item);
  EXPECT_EQ(AdjustTabRect({5, 0, 5, 20}, TacTabKind::Tabs, TacTabPosition::Top, false), (TRect{5, 0, 5, 20}));
}

TEST(TabGeometryTest, SectionNames) {
  const QString page = QStringLiteral("PAGECONTROL"), own = QStringLiteral("MYTABS");
  EXPECT_EQ(PageSectionName(page, 2, TacTabPosition::Top), page);
  EXPECT_EQ(PageSectionName(page, 2, TacTabPosition::Bottom), "PAGECONTROLBOTTOM");
  EXPECT_EQ(PageSectionName(page, 2, TacTabPosition::Left), "PAGECONTROLLEFT");
  EXPECT_EQ(PageSectionName(page, 2, TacTabPosition::Right), "PAGECONTROLRIGHT");
  for (TacTabPosition p : {TacTabPosition::Top, TacTabPosition::Bottom, TacTabPosition::Left, TacTabPosition::Right}) {
    EXPECT_EQ(PageSectionName(own, 1, p), own);
    EXPECT_EQ(PageSectionName(own, 0, p), "CHECKBOX");
    EXPECT_EQ(PageSectionName(page, 0, p), "CHECKBOX");
  }
  EXPECT_EQ(TabSectionName(TacTabKind::Tabs, TacTabPosition::Right), "TABRIGHT");
  EXPECT_EQ(TabSectionName(TacTabKind::Buttons, TacTabPosition::Left), "BUTTON");
  EXPECT_EQ(TabSectionName(TacTabKind::FlatButtons, TacTabPosition::Bottom), "TOOLBUTTON");
}

// A stand-in for the spin unit's adapter.
class StandInSpin : public TacMainWnd {
 public:
  StandInSpin(QWidget* handle, TsCommonData* skinData, TsSkinManager* manager, const QString& section)
      : TacMainWnd(handle, skinData, manager, section) {
    ++Alive;
  }
  ~StandInSpin() override { --Alive; }
  static inline int Alive = 0;
};

class TabAdaptersTest : public SkinnedAdapterTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(Activate(testskins::BarsSkin(), "Bars"));
    form.resize(420, 300);
    form.show();
    QApplication::processEvents();
  }
  void TearDown() override {
    TabSpinFactory() = nullptr;
    tabAdapter.reset();
    pageAdapter.reset();
    AdapterList().clear();
    Finish();
  }
  QTabWidget* MakePages(int count) {
    auto* pages = new QTabWidget(&form);
    for (int i = 0; i < count; ++i)
      pages->addTab(new QLabel(QStringLiteral("page %1").arg(i)), QStringLiteral("Tab %1").arg(i));
    pages->setGeometry(10, 10, 380, 260);
    pages->show();
    QApplication::processEvents();
    return pages;
  }
  // The centre of the pages' area, in the tab widget.
  static QPoint PageCentre(QTabWidget* pages) {
    TRect display = Bounds(0, 0, pages->width(), pages->height());
    SendMessage(pages, TCM_ADJUSTRECT, 0, LPARAM(PtrParam(&display)));
    return {(display.Left + display.Right) / 2, (display.Top + display.Bottom) / 2};
  }

  TacAdapterPtr<TacTabControlWnd> tabAdapter;
  TacAdapterPtr<TacPageControlWnd> pageAdapter;
};

}  // namespace

// Without tabs the whole control is "CHECKBOX"; with tabs the page takes
// the position's "PAGECONTROL..." section, and a section of the program's
// own stays for every position.
TEST_F(TabAdaptersTest, PageSectionByPositionAndTabs) {
  const struct {
    QTabWidget::TabPosition qt;
    int pageControl;
  } rows[] = {{QTabWidget::North, testskins::kPageTopColor},
              {QTabWidget::South, testskins::kPageBottomColor},
              {QTabWidget::West, testskins::kPageLeftColor},
              {QTabWidget::East, testskins::kPageRightColor}};
  QTabWidget* pages = MakePages(2);
  QTabWidget* empty = MakePages(0);
  empty->setGeometry(10, 10, 100, 80);
  for (const auto& row : rows) {
    SCOPED_TRACE(int(row.qt));
    pages->setTabPosition(row.qt);
    empty->setTabPosition(row.qt);
    QApplication::processEvents();
    for (const char* section : {"PAGECONTROL", "MYTABS"}) {
      SCOPED_TRACE(section);
      tabAdapter = TacMainWnd::Create<TacTabControlWnd>(pages, nullptr, manager.get(), QString::fromLatin1(section), true);
      const QPoint c = PageCentre(pages);
      const QImage shot = pages->grab().toImage();
      const int expected = QLatin1String(section) == QLatin1String("MYTABS") ? testskins::kOwnTabsColor : row.pageControl;
      EXPECT_EQ(PixelAt(shot, c.x(), c.y()), Rgb(expected));
      EXPECT_EQ(tabAdapter->SkinData()->SkinSection(), QString::fromLatin1(section));
      tabAdapter.reset();
      tabAdapter = TacMainWnd::Create<TacTabControlWnd>(empty, nullptr, manager.get(), QString::fromLatin1(section), true);
      const QImage none = empty->grab().toImage();
      EXPECT_EQ(PixelAt(none, 50, 40), Rgb(testskins::kCheckBoxColor));
      EXPECT_EQ(PixelAt(none, 1, 1), PixelAt(none, 98, 78));
      tabAdapter.reset();
    }
  }
}

// The tabs are painted from the position's "TAB..." section, the selected
// one over the page; the bar's own painting is taken.
TEST_F(TabAdaptersTest, TabsFromTheirSection) {
  QTabWidget* pages = MakePages(3);
  pages->setCurrentIndex(1);
  tabAdapter = TacMainWnd::Create<TacTabControlWnd>(pages, nullptr, manager.get(), QString(), true);
  EXPECT_EQ(tabAdapter->SkinData()->SkinSection(), "PAGECONTROL");
  const QImage shot = pages->grab().toImage();
  for (int i : {0, 1, 2}) {
    SCOPED_TRACE(i);
    const TRect r = tabAdapter->TabRect(i, i == 1);
    ASSERT_FALSE(r.IsEmpty());
    // Inside the mask's margin, left of the centred caption.
    EXPECT_EQ(PixelAt(shot, r.Left + testskins::kBarMaskMargin + 1, (r.Top + r.Bottom) / 2), Rgb(testskins::kTabTopColor));
  }
  EXPECT_GE(tabAdapter->PaintCount(), 1);
  // Without a selected tab no tab has a rectangle.
  QTabBar bar(&form);
  auto bare = TacMainWnd::Create<TacTabControlWnd>(&bar, nullptr, manager.get(), QString(), true);
  EXPECT_TRUE(bare->TabRect(0, false).IsEmpty());
  bar.addTab(QStringLiteral("one"));
  EXPECT_FALSE(bare->TabRect(0, true).IsEmpty());
  EXPECT_TRUE(bare->TabRect(1, true).IsEmpty());
}

// Left and right tabs get their captions written: some pixels of a tab
// are neither the tab's colour nor its border.
TEST_F(TabAdaptersTest, TurnedCaptionsAreWritten) {
  QTabWidget* pages = MakePages(2);
  for (auto [qt, color] : {std::pair{QTabWidget::West, testskins::kTabLeftColor},
                           std::pair{QTabWidget::East, testskins::kTabRightColor}}) {
    SCOPED_TRACE(int(qt));
    pages->setTabPosition(qt);
    QApplication::processEvents();
    tabAdapter = TacMainWnd::Create<TacTabControlWnd>(pages, nullptr, manager.get(), QString(), true);
    const QImage shot = pages->grab().toImage();
    const TRect r = tabAdapter->TabRect(1, false);
    int inColour = 0, text = 0;
    for (int y = r.Top + 5; y < r.Bottom - 5; ++y)
      for (int x = r.Left + 5; x < r.Right - 5; ++x) {
        const TColor p = PixelAt(shot, x, y);
        inColour += p == Rgb(color);
        text += qGray(int(p & 0xFF), int((p >> 8) & 0xFF), int((p >> 16) & 0xFF)) < 140;
      }
    EXPECT_GT(inColour, 0);
    EXPECT_GT(text, 10);
    tabAdapter.reset();
  }
}

// The spin adapter follows the bar's scroll buttons: made while they show,
// freed on the next size change once they are gone.
TEST_F(TabAdaptersTest, ScrollArrowsMakeAndFreeSpinWnd) {
  int made = 0;
  QWidget* madeOn = nullptr;
  TabSpinFactory() = [&](QWidget* first, QWidget* second, TsSkinManager* m) -> TacAdapterPtr<TacMainWnd> {
    ++made;
    madeOn = first;
    EXPECT_NE(second, nullptr);
    EXPECT_EQ(m, manager.get());
    return TacMainWnd::Create<StandInSpin>(first, nullptr, m, QStringLiteral("UPDOWNBTN"), false);
  };
  auto* bar = new QTabBar(&form);
  bar->setUsesScrollButtons(true);
  bar->setElideMode(Qt::ElideNone);
  for (int i = 0; i < 12; ++i) bar->addTab(QStringLiteral("Issue 2026%1").arg(i, 3, 10, QLatin1Char('0')));
  bar->setGeometry(0, 0, 120, 30);
  bar->show();
  QApplication::processEvents();
  tabAdapter = TacMainWnd::Create<TacTabControlWnd>(bar, nullptr, manager.get(), QString(), true);
  ASSERT_NE(tabAdapter->SpinWnd(), nullptr) << "the scroll buttons show";
  EXPECT_EQ(StandInSpin::Alive, 1);
  EXPECT_TRUE(qobject_cast<QToolButton*>(madeOn));
  bar->resize(2000, 30);
  QApplication::processEvents();
  EXPECT_EQ(tabAdapter->SpinWnd(), nullptr);
  EXPECT_EQ(StandInSpin::Alive, 0);
  bar->resize(120, 30);
  QApplication::processEvents();
  EXPECT_NE(tabAdapter->SpinWnd(), nullptr);
  tabAdapter.reset();
  EXPECT_EQ(StandInSpin::Alive, 0);
  EXPECT_GE(made, 2);
}

// Page adapters are made for the pages not skinned yet, once; a page
// added later gets one at the next hook pass.
TEST_F(TabAdaptersTest, PageAdaptersMadeOnce) {
  QTabWidget* pages = MakePages(3);
  AdapterList().clear();
  pageAdapter = TacMainWnd::Create<TacPageControlWnd>(pages, nullptr, manager.get(), QString(), true);
  ASSERT_EQ(AdapterList().size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(SkinCommandAnswered(pages->widget(i), acIsSkinned));
    EXPECT_EQ(AdapterList()[size_t(i)]->CtrlHandle(), pages->widget(i));
    EXPECT_EQ(AdapterList()[size_t(i)]->SkinData()->SkinSection(), "CHECKBOX");
  }
  EXPECT_EQ(pageAdapter->HookPages(), 0);
  pages->grab();
  EXPECT_EQ(AdapterList().size(), 3u);
  pages->addTab(new QLabel(QStringLiteral("late")), QStringLiteral("Late"));
  pages->setCurrentIndex(3);
  QApplication::processEvents();
  EXPECT_EQ(AdapterList().size(), 4u);
  EXPECT_EQ(pageAdapter->HookPages(), 0);
  // A page that goes leaves the list at the next pass.
  delete pages->widget(0);
  EXPECT_EQ(pageAdapter->HookPages(), 0);
  EXPECT_EQ(AdapterList().size(), 3u);
  // The tab control answers sub-command 27 with its manager.
  EXPECT_EQ(SendMessage(pages, SkinCommandMsg, MAKEWPARAM(0, acGetCaptionHeight), 0),
            LRESULT(PtrParam(manager.get())));
}

// A page shows its tab control's background at its place.
TEST_F(TabAdaptersTest, PageShowsTabControlBackground) {
  QTabWidget* pages = MakePages(2);
  pageAdapter = TacMainWnd::Create<TacPageControlWnd>(pages, nullptr, manager.get(), QString(), true);
  const QImage shot = pages->grab().toImage();
  QWidget* page = pages->currentWidget();
  const QPoint at = page->mapTo(pages, QPoint(page->width() / 2, page->height() / 3));
  EXPECT_EQ(PixelAt(shot, at.x(), at.y()), Rgb(testskins::kPageTopColor));
}

// A bare bar without the skin's manager active paints as Qt does; the
// adapter gives nothing back it did not take.
TEST_F(TabAdaptersTest, InactiveManagerLeavesQtPainting) {
  auto* bar = new QTabBar(&form);
  bar->addTab(QStringLiteral("one"));
  bar->setGeometry(0, 0, 200, 30);
  bar->show();
  QApplication::processEvents();
  const QImage before = bar->grab().toImage();
  tabAdapter = TacMainWnd::Create<TacTabControlWnd>(bar, nullptr, manager.get(), QString(), true);
  EXPECT_NE(bar->grab().toImage(), before);
  manager->SetActive(false);
  EXPECT_EQ(bar->grab().toImage(), before);
  EXPECT_EQ(tabAdapter->SpinWnd(), nullptr);
}

// Printed into a bitmap (WM_PRINT with the children), the control looks as
// painted: the page through its page adapter, the tabs over it.
TEST_F(TabAdaptersTest, PrintedAsPainted) {
  QTabWidget* pages = MakePages(2);
  pageAdapter = TacMainWnd::Create<TacPageControlWnd>(pages, nullptr, manager.get(), QString(), true);
  Bitmap printed(pages->width(), pages->height(), pf24bit);
  PaintControlToBitmap(printed, pages, 0, 0, nullptr);
  const QImage shot = pages->grab().toImage();
  const QPoint c = PageCentre(pages);
  EXPECT_EQ(printed.GetPixel(c.x(), c.y()), Rgb(testskins::kPageTopColor));
  const TRect r = pageAdapter->TabRect(1, false);
  const int x = r.Left + testskins::kBarMaskMargin + 1, y = (r.Top + r.Bottom) / 2;
  EXPECT_EQ(printed.GetPixel(x, y), Rgb(testskins::kTabTopColor));
  EXPECT_EQ(printed.GetPixel(x, y), PixelAt(shot, x, y));
}
