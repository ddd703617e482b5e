// A tree view that has the program's skinned control behind it takes the
// skin's hot colour as its background, unless the program keeps its own
// colour.
#include "skinlib/adapters/EditAdapters.h"

#include "SkinnedAdapterTest.h"
#include "platform/ControlMessages.h"
#include "platform/Messages.h"
#include "skinlib/manager/SkinRecords.h"
#include "skinlib/manager/sCommonData.h"

#include <QApplication>
#include <QTreeView>

using namespace platform;

namespace {

class TreeViewColourTest : public SkinnedAdapterTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(Activate(testskins::DemoSkin(), "Demo"));
    form.resize(300, 200);
    form.show();
  }
  void TearDown() override { Finish(); }
};

TEST_F(TreeViewColourTest, TheProgramsTreeTakesTheHotColourUnlessItKeepsItsOwn) {
  const TsGeneralData& edit = manager->GeneralData[size_t(manager->IndexOfSection("EDIT"))];
  constexpr TColor kOwn = 0x102030;
  ASSERT_NE(edit.HotColor, kOwn);
  const struct {
    bool customColor;
    TColor want;
  } rows[] = {{false, edit.HotColor}, {true, kOwn}};
  for (const auto& row : rows) {
    auto tree = std::make_unique<QTreeView>(&form);
    tree->setGeometry(10, 10, 200, 120);
    tree->show();
    QApplication::processEvents();
    SendMessage(tree.get(), TVM_SETBKCOLOR, 0, LPARAM(kOwn));
    TsCommonData data(tree.get());
    data.SetSkinManager(manager.get());
    data.SetSkinSection("EDIT");
    data.SetCustomColor(row.customColor);
    ASSERT_EQ(data.OwnerControl(), tree.get());
    auto adapter = TacMainWnd::Create<TacTreeViewWnd>(tree.get(), &data, manager.get(), "EDIT", true);
    ASSERT_TRUE(adapter);
    adapter->ApplySkinParams();
    EXPECT_EQ(TColor(SendMessage(tree.get(), TVM_GETBKCOLOR)), row.want) << row.customColor;
    UninstallAdapter(true, false, adapter);
  }
}

}  // namespace
