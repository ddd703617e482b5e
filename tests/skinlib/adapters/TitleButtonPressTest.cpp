// A press on a form's maximize button, under a system menu that allows
// restoring but not maximizing: it is taken only while the form is
// maximized (where the button restores).
#include "ProviderFormTest.h"
#include "platform/NonClient.h"
#include "skinlib/adapters/sSysMenu.h"

#include <QApplication>

using namespace platform;

namespace {

class RestoreOnlyMenu : public TsCustomSysMenu {
 public:
  bool VisibleClose() const override { return true; }
  bool VisibleMax() const override { return true; }
  bool VisibleMin() const override { return true; }
  bool EnabledMax() const override { return false; }
  bool EnabledMin() const override { return true; }
  bool EnabledRestore() const override { return true; }
};

using TitleButtonPressTest = ProviderFormTest;

TEST_F(TitleButtonPressTest, RestoreWithoutMaximizeTakesThePressOnlyWhileMaximized) {
  ASSERT_NO_FATAL_FAILURE(Activate());
  TsSkinProvider* provider = new TsSkinProvider(form.get());
  form->show();
  QApplication::processEvents();
  provider->SetSystemMenu(std::make_unique<RestoreOnlyMenu>());
  const struct {
    bool maximized;
    bool pressed;
  } rows[] = {{false, false}, {true, true}, {false, false}};
  for (const auto& row : rows) {
    if (row.maximized) form->showMaximized();
    else form->showNormal();
    QApplication::processEvents();
    ASSERT_EQ(form->isMaximized(), row.maximized);
    provider->PaintAll();
    provider->SetHotButton(0, false);
    provider->SetPressedButton(HTMAXBUTTON);
    EXPECT_EQ(provider->ButtonRecord(HTMAXBUTTON)->State == 2, row.pressed) << row.maximized;
    EXPECT_EQ(provider->HotButton(), row.pressed ? HTMAXBUTTON : 0) << row.maximized;
    provider->SetHotButton(0, false);
  }
}

}  // namespace
