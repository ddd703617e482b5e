// A skinned dialog's title shows the dialog's own icon filling the icon's
// place, from its left column to its right one.
#include "skinlib/adapters/acDialogWnd.h"

#include "SkinnedAdapterTest.h"
#include "platform/Bitmap.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/support/DialogSkin.h"

#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QIcon>
#include <QPixmap>

using namespace platform;

namespace {

class DialogTitleIconTest : public SkinnedAdapterTest {
 protected:
  void SetUp() override {
    StartUnit("AlphaPainting");
    ASSERT_NO_FATAL_FAILURE(Activate(testskins::DialogSkin(), "Dialogs"));
    QCursor::setPos(-500, -500);
  }
  void TearDown() override {
    adapter.reset();
    dialog.reset();
    Finish();
    FinishUnit("AlphaPainting");
  }
  std::unique_ptr<QDialog> dialog;
  TacAdapterPtr<TacDialogWnd> adapter;
};

TEST_F(DialogTitleIconTest, TheDialogsIconFillsItsPlaceInTheTitle) {
  dialog = std::make_unique<QDialog>(nullptr, Qt::Dialog);
  dialog->setFixedSize(260, 160);
  QPixmap square(32, 32);
  square.fill(QColor(0x20, 0x80, 0x40));
  dialog->setWindowIcon(QIcon(square));
  adapter = TacMainWnd::Create<TacDialogWnd>(dialog.get(), nullptr, manager.get(), kDialogSection, true);
  adapter->FirstShowSetup();
  dialog->show();
  QApplication::processEvents();
  (void)dialog->grab();
  const TRect icon = adapter->Layout().IconRect;
  ASSERT_GT(icon.Width(), 1);
  const Bitmap* cache = adapter->SkinData()->CacheBitmap.get();
  ASSERT_NE(cache, nullptr);
  const TColor green = 0x408020;  // the icon's colour, red in the lowest byte
  const int mid = (icon.Top + icon.Bottom) / 2;
  for (const int x : {icon.Left, (icon.Left + icon.Right) / 2, icon.Right - 1})
    EXPECT_EQ(cache->GetPixel(x, mid), green) << x;
}

}  // namespace
