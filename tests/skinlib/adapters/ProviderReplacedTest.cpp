// A form's provider replaced by a new one while the form is being shown
// (from the control adapter's re-adapting): the old one stops there and
// the new one skins the form.
#include "ProviderFormTest.h"
#include "platform/Messages.h"
#include "skinlib/adapters/SkinCommandSenders.h"
#include "skinlib/manager/LibraryConstants.h"

#include <QApplication>
#include <QPointer>

using namespace platform;

namespace {

class ProviderReplacedTest : public ProviderFormTest {
 protected:
  void TearDown() override {
    ControlAdapterSeam() = {};
    ProviderFormTest::TearDown();
  }
};

TEST_F(ProviderReplacedTest, AProviderReplacedWhileTheFormShowsLeavesTheFormToTheNewOne) {
  ASSERT_NO_FATAL_FAILURE(Activate());
  QPointer<TsSkinProvider> first = new TsSkinProvider(form.get());
  QPointer<TsSkinProvider> second;
  ControlAdapterSeam().Readapt = [&](TsSkinProvider& provider, QWidget* control) {
    if (control || second || &provider != first.data()) return;
    second = new TsSkinProvider(form.get());  // the newest provider wins
  };
  form->show();
  QApplication::processEvents();
  EXPECT_TRUE(first.isNull());
  ASSERT_FALSE(second.isNull());
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(ProviderOfForm(form.get()), second.data());
  EXPECT_EQ(SendMessage(form.get(), SkinCommandMsg, MAKEWPARAM(0, acIsSkinned), 0), 1);
}

}  // namespace
