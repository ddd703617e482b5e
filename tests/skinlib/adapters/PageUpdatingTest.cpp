// A page of a skinned page control answers whether it is being updated.
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

class PageUpdatingTest : public SkinnedAdapterTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(Activate(testskins::BarsSkin(), "Bars"));
    form.resize(420, 300);
    form.show();
    QApplication::processEvents();
  }
  void TearDown() override {
    pageAdapter.reset();
    AdapterList().clear();
    Finish();
  }
  TacAdapterPtr<TacPageControlWnd> pageAdapter;
};

TEST_F(PageUpdatingTest, APageSaysWhetherItIsBeingUpdated) {
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
