// The page of a skinned tab control: the whole control while it has no
// tab, the part beside the tabs once it has one.
#include "skinlib/adapters/TabAdapters.h"

#include "SkinnedAdapterTest.h"
#include "skinlib/support/TabSkin.h"

#include <QApplication>
#include <QLabel>
#include <QTabWidget>

using namespace platform;

namespace {

class TabPageRectTest : public SkinnedAdapterTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(Activate(testskins::BarsSkin(), "Bars"));
    form.resize(420, 300);
    form.show();
    QApplication::processEvents();
  }
  void TearDown() override {
    adapter.reset();
    Finish();
  }
  TacAdapterPtr<TacTabControlWnd> adapter;
};

TEST_F(TabPageRectTest, ThePageIsTheWholeControlUntilItHasATab) {
  auto* pages = new QTabWidget(&form);
  pages->setGeometry(10, 10, 200, 150);
  pages->show();
  QApplication::processEvents();
  adapter = TacMainWnd::Create<TacTabControlWnd>(pages, nullptr, manager.get(), "PAGECONTROL", true);
  ASSERT_TRUE(adapter);
  ASSERT_EQ(adapter->TabCount(), 0);
  for (const QTabWidget::TabPosition position :
       {QTabWidget::North, QTabWidget::South, QTabWidget::West, QTabWidget::East}) {
    pages->setTabPosition(position);
    QApplication::processEvents();
    EXPECT_EQ(adapter->PageRect(), (TRect{0, 0, 200, 150})) << int(position);
  }
  pages->setTabPosition(QTabWidget::North);
  pages->addTab(new QLabel(QStringLiteral("page")), QStringLiteral("Tab"));
  QApplication::processEvents();
  ASSERT_EQ(adapter->TabCount(), 1);
  const TRect page = adapter->PageRect();
  EXPECT_GT(page.Top, 0) << "the tabs' band lies above the page";
  EXPECT_EQ(page.Bottom, 150);
}

}  // namespace
