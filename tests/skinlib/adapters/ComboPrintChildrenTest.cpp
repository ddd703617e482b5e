// WM_PRINT of a skinned editable combo box: its line edit is printed only
// when the caller asks for the children.
#include "skinlib/adapters/ComboAdapters.h"

#include "SkinnedAdapterTest.h"
#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Messages.h"
#include "platform/Painting.h"
#include "platform/WindowProc.h"
#include "skinlib/support/EditSkin.h"

#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QLineEdit>

using namespace platform;

namespace {

class ComboPrintChildrenTest : public SkinnedAdapterTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(Activate(testskins::EditSkin(), "Edit"));
    QCursor::setPos(-500, -500);
    demo = std::make_unique<testskins::EditDemoForm>();
    demo->Combo->setEditable(true);
    demo->Form->show();
    QApplication::processEvents();
    combo = TacMainWnd::Create<TacComboBoxWnd>(demo->Combo, nullptr, manager.get(), "COMBOBOX", true);
    ASSERT_TRUE(combo && !combo->Destroyed());
    QApplication::processEvents();
  }
  void TearDown() override {
    combo.reset();
    demo.reset();
    Finish();
  }
  std::unique_ptr<testskins::EditDemoForm> demo;
  TacAdapterPtr<TacComboBoxWnd> combo;
};

TEST_F(ComboPrintChildrenTest, TheLineEditIsPrintedOnlyWithTheChildrenFlag) {
  QLineEdit* line = demo->Combo->lineEdit();
  ASSERT_NE(line, nullptr);
  ASSERT_TRUE(line->isVisible());
  int printed = 0;
  WindowProcHandle hook = InstallWindowProc(line, [&](Message& m, const CallPrevious& previous) {
    if (m.Msg == WM_PRINT) ++printed;
    previous(m);
  });
  const struct {
    unsigned flags;
    bool lineEditPrinted;
  } rows[] = {
      {PRF_NONCLIENT | PRF_ERASEBKGND | PRF_CLIENT | PRF_CHILDREN, true},
      {PRF_NONCLIENT | PRF_ERASEBKGND | PRF_CLIENT, false},
      {PRF_CLIENT | PRF_CHILDREN, true},
  };
  for (const auto& row : rows) {
    printed = 0;
    Bitmap bmp(demo->Combo->width(), demo->Combo->height(), pf24bit);
    SendMessage(demo->Combo, WM_PRINT, PtrParam(&bmp.GetCanvas()), LPARAM(row.flags));
    EXPECT_EQ(printed > 0, row.lineEditPrinted) << row.flags;
  }
  RemoveWindowProc(hook);
}

}  // namespace
