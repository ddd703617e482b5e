// The menu-window adapters: made for popup menus while the manager skins
// popups, freed once their popup has gone, the others redrawn, the list
// emptied by the last.
#include "skinlib/adapters/MenuWindowAdapter.h"

#include "SkinnedAdapterTest.h"

#include "platform/Messages.h"
#include "platform/Startup.h"
#include "platform/WindowProc.h"
#include "platform/WindowTable.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/support/PanelSkin.h"

#include <QApplication>
#include <QMenu>

#include <gtest/gtest.h>

#include <array>
#include <memory>

using namespace platform;

namespace {

class MenuWindowAdapterTest : public SkinnedAdapterTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(Activate(testskins::PanelSkin(), "PanelDemo"));
    StartUnit("MenuWindowAdapter");
    manager->SetSkinnedPopups(true);
    for (size_t i = 0; i < menus.size(); ++i) {
      menus[i] = std::make_unique<QMenu>();
      menus[i]->addAction(QStringLiteral("红球 %1").arg(i));
      menus[i]->addAction(QStringLiteral("蓝球 %1").arg(i));
    }
  }
  void TearDown() override {
    for (auto& m : menus)
      if (m) m->hide();
    QApplication::processEvents();
    FinishUnit("MenuWindowAdapter");
    menus = {};
    Finish();
  }
  // Shows popup `i` and gives it its adapter.
  TacMnuWnd* Popup(size_t i) {
    menus[i]->popup(QPoint(20 + 60 * int(i), 20));
    QApplication::processEvents();
    return AddMenuWndAdapter(menus[i].get());
  }

  std::array<std::unique_ptr<QMenu>, 3> menus;
};

// Counts the paints a window gets (its erase, from any source).
class PaintCounter {
 public:
  explicit PaintCounter(QWidget* w) {
    hook_ = InstallWindowProc(w, [this](Message& m, const CallPrevious& previous) {
      if (m.Msg == WM_ERASEBKGND || m.Msg == WM_PAINT) ++Count;
      previous(m);
    });
  }
  ~PaintCounter() { RemoveWindowProc(hook_); }
  int Count = 0;

 private:
  WindowProcHandle hook_;
};

}  // namespace

// Only popup menus, only once, only while popups are skinned.
TEST_F(MenuWindowAdapterTest, MadeForSkinnedPopupsOnly) {
  QWidget plain;
  EXPECT_EQ(AddMenuWndAdapter(&plain), nullptr);
  EXPECT_EQ(AddMenuWndAdapter(nullptr), nullptr);
  TacMnuWnd* adapter = Popup(0);
  ASSERT_NE(adapter, nullptr);
  EXPECT_EQ(adapter->SkinData()->SkinSection(), "MAINMENU");
  EXPECT_EQ(SendMessage(menus[0].get(), SkinCommandMsg, MAKEWPARAM(0, acIsSkinned), 0), 1);
  EXPECT_EQ(AddMenuWndAdapter(menus[0].get()), nullptr);  // skinned already
  EXPECT_EQ(MenuWndList().size(), 1u);
  manager->SetSkinnedPopups(false);
  menus[1]->popup(QPoint(100, 20));
  QApplication::processEvents();
  EXPECT_EQ(AddMenuWndAdapter(menus[1].get()), nullptr);
  EXPECT_TRUE(SkinnedPopupShown);
}

// An adapter made before its popup shows marks a skinned popup shown only
// as it shows.
TEST_F(MenuWindowAdapterTest, ShownFlagFollowsTheShow) {
  ASSERT_NE(AddMenuWndAdapter(menus[0].get()), nullptr);
  SendMessage(menus[0].get(), WM_SIZE, 1, 0);
  EXPECT_FALSE(SkinnedPopupShown);
  menus[0]->popup(QPoint(20, 20));
  QApplication::processEvents();
  EXPECT_TRUE(SkinnedPopupShown);
  menus[0]->hide();
  EXPECT_FALSE(SkinnedPopupShown);
}

// Three popups open; each one closed leaves the list, redraws the ones
// still open and is freed on the next turn of the event loop; the last
// empties the list. Shown again, a popup gets a new adapter and no
// adapter is left behind.
TEST_F(MenuWindowAdapterTest, NoAdapterOutlivesItsPopup) {
  const int before = TacMnuWnd::LiveCount();
  for (size_t i = 0; i < 3; ++i) ASSERT_NE(Popup(i), nullptr);
  EXPECT_EQ(TacMnuWnd::LiveCount(), before + 3);
  ASSERT_EQ(MenuWndList().size(), 3u);

  PaintCounter second(menus[1].get()), third(menus[2].get());
  menus[0]->hide();
  EXPECT_EQ(MenuWndList().size(), 2u);
  EXPECT_GT(second.Count, 0);  // redrawn at once
  EXPECT_GT(third.Count, 0);
  EXPECT_EQ(PendingMenuWndCount(), 1);
  QApplication::processEvents();
  EXPECT_EQ(PendingMenuWndCount(), 0);
  EXPECT_EQ(TacMnuWnd::LiveCount(), before + 2);

  menus[1]->hide();
  menus[2]->hide();
  EXPECT_TRUE(MenuWndList().empty());
  EXPECT_FALSE(SkinnedPopupShown);
  QApplication::processEvents();
  EXPECT_EQ(TacMnuWnd::LiveCount(), before);

  for (int round = 0; round < 5; ++round) {
    ASSERT_NE(Popup(0), nullptr);
    menus[0]->hide();
    QApplication::processEvents();
  }
  EXPECT_EQ(TacMnuWnd::LiveCount(), before);
  EXPECT_EQ(FindAdapter(menus[0].get()), nullptr);
}

// Skin command 14 marks a visible popup's paint pending; its background
// paint clears it and comes from the section.
TEST_F(MenuWindowAdapterTest, PaintPendingAndBackground) {
  TacMnuWnd* adapter = Popup(0);
  ASSERT_NE(adapter, nullptr);
  SendMessage(menus[0].get(), SkinCommandMsg, MAKEWPARAM(0, acMenuRegion), 0);
  EXPECT_EQ(adapter->PaintPending(), 1);
  menus[0]->repaint();
  EXPECT_EQ(adapter->PaintPending(), 0);
  ASSERT_NE(adapter->SkinData()->CacheBitmap, nullptr);
  EXPECT_FALSE(adapter->SkinData()->BackgroundDirty);
  const QImage cache = adapter->SkinData()->CacheBitmap->ToQImage();
  EXPECT_EQ(cache.pixel(cache.width() / 2, cache.height() / 2) & 0xFFFFFF,
            ToQColor(TColor(testskins::kMenuWindowColor)).rgb() & 0xFFFFFF);
  // The frame of "MAINMENU" at the very edges.
  EXPECT_EQ(cache.pixel(0, cache.height() / 2) & 0xFFFFFF, 0x406090u);
  EXPECT_EQ(cache.pixel(cache.width() - 1, cache.height() / 2) & 0xFFFFFF, 0x406090u);
  // The unit's end frees what is left.
  FinishUnit("MenuWindowAdapter");
  EXPECT_TRUE(MenuWndList().empty());
  EXPECT_FALSE(SkinnedPopupShown);
  StartUnit("MenuWindowAdapter");
}
