// The pages of a skinned tab control: the page rectangle (the whole
// control while it has no tab, the part beside the tabs once it has one),
// and a page control's page answering whether it is being updated.
#include "skinlib/adapters/TabAdapters.h"

#include "SkinnedAdapterTest.h"
#include "platform/Messages.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/support/TabSkin.h"

#include <QApplication>
#include <QLabel>
#include <QTabWidget>

using namespace platform;

namespace {

class TabPagesTest : public SkinnedAdapterTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(Activate(testskins::BarsSkin(), "Bars"));
    form.resize(420, 300);
    form.show();
    QApplication::processEvents();
  }
  void TearDown() override {
    adapter.reset();
    pageAdapter.reset();
    AdapterList().clear();
    Finish();
  }
  TacAdapterPtr<TacTabControlWnd> adapter;
  TacAdapterPtr<TacPageControlWnd> pageAdapter;
};

TEST_F(TabPagesTest, ThePageIsTheWholeControlUntilItHasATab) {
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

TEST_F(TabPagesTest, APageSaysWhetherItIsBeingUpdated) {
  auto* pages = new QTabWidget(&form);
  pages->addTab(new QLabel(QStringLiteral("page")), QStringLiteral("Tab"));
  pages->setGeometry(10, 10, 300, 200);
  pages->show();
  QApplication::processEvents();
  AdapterList().clear();
  pageAdapter = TacMainWnd::Create<TacPageControlWnd>(pages, nullptr, manager.get(), QString(), true);
  ASSERT_EQ(AdapterList().size(), 1u);
  QWidget* page = pages->widget(0);
  TsCommonData& data = *AdapterList()[0]->SkinData();
  for (const bool updating : {true, false}) {
    data.SetUpdating(updating);
    EXPECT_EQ(SendMessage(page, SkinCommandMsg, MAKEWPARAM(0, acIsUpdating), 0), LRESULT(updating ? 1 : 0)) << updating;
  }
}

}  // namespace
