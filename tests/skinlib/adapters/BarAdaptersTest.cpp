// The tool-bar, status-bar and speed-button adapters: the hot and dropped
// buttons, button states, panels and their masks or dividers, a speed
// button's painting and its leaving the chain.
#include "skinlib/adapters/BarAdapters.h"

#include "SkinnedAdapterTest.h"

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/ControlMessages.h"
#include "platform/Menus.h"
#include "platform/WindowProc.h"
#include "platform/WindowTable.h"
#include "skinlib/adapters/EditAdapters.h"
#include "skinlib/adapters/SkinCommandSenders.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/support/TabSkin.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>

using namespace platform;

namespace {

TColor PixelAt(const QImage& image, int x, int y) {
  const QRgb p = image.pixel(x, y);
  return TColor(qRed(p) | (qGreen(p) << 8) | (qBlue(p) << 16));
}

TEST(ToolButtonStateTest, FromCustomDrawStates) {
  const struct {
    bool hot, selected, checked;
    TacToolButtonState state;
  } rows[] = {
      {false, false, false, TacToolButtonState::Normal}, {true, false, false, TacToolButtonState::Hot},
      {false, true, false, TacToolButtonState::Pressed}, {false, false, true, TacToolButtonState::Pressed},
      {true, true, false, TacToolButtonState::Pressed},  {true, false, true, TacToolButtonState::Pressed},
  };
  for (const auto& r : rows)
    EXPECT_EQ(ToolButtonState(r.hot, r.selected, r.checked), r.state) << r.hot << r.selected << r.checked;
}

class BarAdaptersTest : public SkinnedAdapterTest {
 protected:
  void SetUp() override { SetUpWith(testskins::BarsSkin()); }
  void SetUpWith(const testskins::TestSkin& skin) {
    ASSERT_NO_FATAL_FAILURE(Activate(skin, "Bars"));
    form.resize(420, 300);
    form.show();
    QApplication::processEvents();
  }
  void TearDown() override {
    toolAdapter.reset();
    statusAdapter.reset();
    speed.reset();
    data.clear();
    Finish();
  }
  TsCommonData* DataOf(QWidget* control) {
    data.push_back(std::make_unique<TsCommonData>(control));
    data.back()->SetSkinManager(manager.get());
    return data.back().get();
  }
  QToolBar* MakeToolBar() {
    auto* bar = new QToolBar(&form);
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    open = bar->addAction(QStringLiteral("Open"));
    bar->addSeparator();
    off = bar->addAction(QStringLiteral("Off"));
    off->setEnabled(false);
    dropped = bar->addAction(QStringLiteral("Draws"));
    menu = std::make_unique<QMenu>();
    menu->addAction(QStringLiteral("2026001"));
    dropped->setMenu(menu.get());
    bar->setGeometry(0, 0, 400, 32);
    bar->show();
    QApplication::processEvents();
    return bar;
  }
  QToolButton* ButtonOf(QToolBar* bar, QAction* a) { return qobject_cast<QToolButton*>(bar->widgetForAction(a)); }

  std::vector<std::unique_ptr<TsCommonData>> data;
  std::unique_ptr<QMenu> menu;
  QAction *open = nullptr, *off = nullptr, *dropped = nullptr;
  TacAdapterPtr<TacToolBarVCLWnd> toolAdapter;
  TacAdapterPtr<TacStatusBarWnd> statusAdapter;
  std::unique_ptr<TacSpeedButtonHandler> speed;
};

}  // namespace

// The tool bar is the owner control's; the hot button follows the mouse
// entering and leaving its buttons and moving over the bar, never onto a
// disabled button or a separator.
TEST_F(BarAdaptersTest, HotButton) {
  QToolBar* bar = MakeToolBar();
  toolAdapter = TacMainWnd::Create<TacToolBarVCLWnd>(bar, DataOf(bar), manager.get(), QString(), true);
  EXPECT_EQ(toolAdapter->ToolBar(), bar);
  EXPECT_EQ(toolAdapter->SkinData()->SkinSection(), "TOOLBAR");
  EXPECT_EQ(toolAdapter->HotIndex(), -1);
  SendMessage(ButtonOf(bar, open), kCmMouseEnter, 0, 0);
  EXPECT_EQ(toolAdapter->HotIndex(), 0);
  EXPECT_EQ(toolAdapter->ButtonState(0), TacToolButtonState::Hot);
  SendMessage(ButtonOf(bar, off), kCmMouseEnter, 0, 0);
  EXPECT_EQ(toolAdapter->HotIndex(), 0) << "a disabled button never becomes hot";
  SendMessage(ButtonOf(bar, open), kCmMouseLeave, 0, 0);
  EXPECT_EQ(toolAdapter->HotIndex(), -1);
  TRect r;
  ASSERT_TRUE(SendMessage(bar, TB_GETITEMRECT, 3, LPARAM(PtrParam(&r))));
  SendMessage(bar, WM_MOUSEMOVE, 0, MAKELPARAM(r.Left + 2, r.Top + 2));
  EXPECT_EQ(toolAdapter->HotIndex(), 3);
  ASSERT_TRUE(SendMessage(bar, TB_GETITEMRECT, 1, LPARAM(PtrParam(&r))));
  SendMessage(bar, WM_MOUSEMOVE, 0, MAKELPARAM(r.Left + 1, r.Top + 2));
  EXPECT_EQ(toolAdapter->HotIndex(), -1) << "a separator is no button";
  SendMessage(bar, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
  SendMessage(bar, kCmMouseLeave, 0, 0);
  EXPECT_EQ(toolAdapter->HotIndex(), -1);
  // A button that goes takes the hot index with it.
  SendMessage(ButtonOf(bar, dropped), kCmMouseEnter, 0, 0);
  ASSERT_EQ(toolAdapter->HotIndex(), 3);
  bar->removeAction(dropped);
  QApplication::processEvents();
  EXPECT_EQ(toolAdapter->HotIndex(), -1);
}

// A button's menu makes it the dropped button, drawn pressed, until the
// menu closes; the pointer never outlives the button.
TEST_F(BarAdaptersTest, DroppedButton) {
  QToolBar* bar = MakeToolBar();
  toolAdapter = TacMainWnd::Create<TacToolBarVCLWnd>(bar, DataOf(bar), manager.get(), QString(), true);
  emit menu->aboutToShow();
  ASSERT_EQ(toolAdapter->DroppedButton(), ButtonOf(bar, dropped));
  EXPECT_EQ(toolAdapter->ButtonState(3), TacToolButtonState::Pressed);
  emit menu->aboutToHide();
  EXPECT_EQ(toolAdapter->DroppedButton(), ButtonOf(bar, dropped)) << "closing is posted";
  QApplication::processEvents();
  EXPECT_EQ(toolAdapter->DroppedButton(), nullptr);
  EXPECT_EQ(toolAdapter->ButtonState(3), TacToolButtonState::Normal);
  // The skin going forgets it; a button deleted leaves none behind.
  emit menu->aboutToShow();
  ASSERT_NE(toolAdapter->DroppedButton(), nullptr);
  SendMessage(bar, SkinCommandMsg, MAKEWPARAM(0, acRefresh), LPARAM(PtrParam(manager.get())));
  EXPECT_EQ(toolAdapter->DroppedButton(), nullptr);
  emit menu->aboutToShow();
  ASSERT_NE(toolAdapter->DroppedButton(), nullptr);
  bar->removeAction(dropped);  // the bar deletes its button
  QApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(toolAdapter->DroppedButton(), nullptr);
  EXPECT_EQ(toolAdapter->ButtonState(3), TacToolButtonState::Normal);
}

// The bar paints its buttons: each state differently, a disabled one
// faded; the buttons themselves paint nothing over it.
TEST_F(BarAdaptersTest, ButtonsPaintedByTheBar) {
  QToolBar* bar = MakeToolBar();
  toolAdapter = TacMainWnd::Create<TacToolBarVCLWnd>(bar, DataOf(bar), manager.get(), QString(), true);
  TRect r;
  ASSERT_TRUE(SendMessage(bar, TB_GETITEMRECT, 0, LPARAM(PtrParam(&r))));
  Bitmap normal(r.Width(), r.Height(), pf24bit), hot(r.Width(), r.Height(), pf24bit);
  toolAdapter->PaintButton(normal, 0);
  SendMessage(ButtonOf(bar, open), kCmMouseEnter, 0, 0);
  toolAdapter->PaintButton(hot, 0);
  EXPECT_NE(normal.ToQImage(), hot.ToQImage());
  const QImage shot = bar->grab().toImage();
  const QImage want = hot.ToQImage();
  int same = 0;
  for (int y = 0; y < r.Height(); ++y)
    for (int x = 0; x < r.Width(); ++x) same += (shot.pixel(r.Left + x, r.Top + y) & 0xFFFFFF) == (want.pixel(x, y) & 0xFFFFFF);
  EXPECT_EQ(same, r.Width() * r.Height());
  // Right of the last button lies the bar's cache.
  const Bitmap& cache = *toolAdapter->SkinData()->CacheBitmap;
  EXPECT_EQ(PixelAt(shot, 390, 16), cache.GetPixel(390, 16));
  // A widget of the program's own in the bar gets no button face.
  auto* box = new QLabel(QStringLiteral("  "));
  QAction* own = bar->addWidget(box);
  QApplication::processEvents();
  const int index = int(SendMessage(bar, TB_BUTTONCOUNT)) - 1;
  ASSERT_TRUE(SendMessage(bar, TB_GETITEMRECT, WPARAM(index), LPARAM(PtrParam(&r))));
  ASSERT_EQ(bar->widgetForAction(own), box);
  const QImage withBox = bar->grab().toImage();
  const int cx = (r.Left + r.Right) / 2, cy = (r.Top + r.Bottom) / 2;
  EXPECT_EQ(PixelAt(withBox, cx, cy), toolAdapter->SkinData()->CacheBitmap->GetPixel(cx, cy));
}

// Parts are the bar's widgets, each panel with "STATUSPANELMASK" and its
// text written by the bar; a shown message is one panel over the bar.
TEST_F(BarAdaptersTest, StatusPanels) {
  auto* bar = new QStatusBar(&form);
  auto* first = new QLabel(QStringLiteral("2026001"));
  auto* second = new QLabel(QStringLiteral("red 06"));
  bar->addWidget(first, 1);
  bar->addWidget(second, 1);
  bar->setSizeGripEnabled(false);
  bar->setGeometry(0, 200, 400, 26);
  bar->show();
  QApplication::processEvents();
  statusAdapter = TacMainWnd::Create<TacStatusBarWnd>(bar, DataOf(bar), manager.get(), QString(), true);
  EXPECT_EQ(statusAdapter->StatusBar(), bar);
  EXPECT_EQ(statusAdapter->SkinData()->SkinSection(), "STATUSBAR");
  const std::vector<TRect> panels = statusAdapter->PanelRects();
  ASSERT_EQ(panels.size(), 2u);
  EXPECT_EQ(panels[0].Left, first->x() + 1);
  EXPECT_EQ(panels[1].Right, second->geometry().right());
  const QImage shot = bar->grab().toImage();
  // The panel mask's outline on the panel's left edge.
  EXPECT_NE(PixelAt(shot, panels[1].Left, (panels[1].Top + panels[1].Bottom) / 2), TColor(testskins::kStatusBarColor));
  int text = 0;
  for (int y = panels[0].Top + 3; y < panels[0].Bottom - 3; ++y)
    for (int x = panels[0].Left + 3; x < panels[0].Right - 3; ++x) text += qGray(shot.pixel(x, y)) < 100;
  EXPECT_GT(text, 10) << "the label's text, written by the bar";
  bar->showMessage(QStringLiteral("loading"));
  QApplication::processEvents();
  ASSERT_TRUE(statusAdapter->Simple());
  EXPECT_EQ(statusAdapter->PanelRects(), (std::vector<TRect>{{0, 1, 399, 25}}));
}

// Without the panel mask a divider stands between panels, not after the
// last.
TEST_F(BarAdaptersTest, DividersWithoutPanelMask) {
  Finish();
  testskins::TestSkin skin = testskins::BarsSkin();
  testskins::RemoveKey(skin, QStringLiteral("STATUSBAR"), QStringLiteral("STATUSPANELMASK"));
  SetUpWith(skin);
  auto* bar = new QStatusBar(&form);
  bar->addWidget(new QLabel(QStringLiteral("a")), 1);
  bar->addWidget(new QLabel(QStringLiteral("b")), 1);
  bar->setSizeGripEnabled(false);
  bar->setGeometry(0, 200, 400, 26);
  bar->show();
  QApplication::processEvents();
  statusAdapter = TacMainWnd::Create<TacStatusBarWnd>(bar, DataOf(bar), manager.get(), QString(), true);
  const std::vector<TRect> panels = statusAdapter->PanelRects();
  ASSERT_EQ(panels.size(), 2u);
  const QImage shot = bar->grab().toImage();
  const auto greyIn = [&](int from, int to) {
    int grey = 0;
    for (int x = std::max(0, from); x < std::min(400, to); ++x)
      grey += PixelAt(shot, x, 13) == TColor(testskins::kDividerGrey * 0x010101);
    return grey;
  };
  EXPECT_GT(greyIn(panels[0].Right - 3, panels[0].Right + 4), 0);
  EXPECT_EQ(greyIn(panels[1].Right - 3, 400), 0);
}

TEST_F(BarAdaptersTest, SpeedButtonsAreToolButtonsOffToolBars) {
  QToolBar* bar = MakeToolBar();
  auto* loose = new QToolButton(&form);
  EXPECT_TRUE(IsSpeedButton(loose));
  EXPECT_FALSE(IsSpeedButton(ButtonOf(bar, open)));
  EXPECT_FALSE(IsSpeedButton(bar));
}

// A speed button paints nothing without a device context; with one, it
// paints its section in its state.
TEST_F(BarAdaptersTest, SpeedButtonPainting) {
  auto* button = new QToolButton(&form);
  button->setGeometry(20, 20, 60, 30);
  button->show();
  QApplication::processEvents();
  TsCommonData* d = DataOf(button);
  speed = std::make_unique<TacSpeedButtonHandler>(button, QStringLiteral("SPEEDBUTTON"), nullptr, d);
  EXPECT_EQ(d->SkinSection(), "SPEEDBUTTON");
  EXPECT_EQ(speed->SkinManager(), manager.get());
  // A WM_PAINT outside a paint event, without a canvas (the platform
  // makes a sent one a paint event: a handler in front forwards one).
  constexpr unsigned kBarePaint = WM_APP + 7;
  WindowProcHandle front = InstallWindowProc(button, [](Message& m, const CallPrevious& previous) {
    if (m.Msg == kBarePaint) m.Msg = WM_PAINT;
    previous(m);
  });
  SendMessage(button, kBarePaint, 0, 0);
  EXPECT_EQ(speed->PaintCount(), 0);
  RemoveWindowProc(front);
  Bitmap bmp(60, 30, pf24bit);
  Canvas dc(bmp);
  SendMessage(button, WM_PAINT, WPARAM(PtrParam(&dc)), 0);
  dc.EndPainting();
  EXPECT_EQ(speed->PaintCount(), 1);
  EXPECT_EQ(bmp.GetPixel(30, 15), TColor(testskins::kSpeedButtonColor));
  SendMessage(button, kCmMouseEnter, 0, 0);
  EXPECT_EQ(speed->State(), TacSpeedButtonState::Hot);
  SendMessage(button, WM_PAINT, WPARAM(PtrParam(&dc)), 0);
  dc.EndPainting();
  EXPECT_EQ(bmp.GetPixel(30, 15), TColor(testskins::kSpeedButtonHotColor));
  button->setCheckable(true);
  button->setChecked(true);
  EXPECT_EQ(speed->State(), TacSpeedButtonState::Pressed);
  EXPECT_EQ(SendMessage(button, SkinCommandMsg, MAKEWPARAM(0, acGetApplication), 0),
            LRESULT(PtrParam(QCoreApplication::instance())));
}

// Freeing the handler always gives the button its own handling back, so
// nothing reaches the freed handler; a button that went first is left
// alone.
TEST_F(BarAdaptersTest, SpeedButtonHandlerLeavesTheChain) {
  auto* button = new QToolButton(&form);
  TsCommonData* d = DataOf(button);
  speed = std::make_unique<TacSpeedButtonHandler>(button, QStringLiteral("SPEEDBUTTON"), manager.get(), d);
  EXPECT_EQ(SendMessage(button, SkinCommandMsg, MAKEWPARAM(0, acIsSkinned), 0), 1);
  speed.reset();
  EXPECT_EQ(SendMessage(button, SkinCommandMsg, MAKEWPARAM(0, acIsSkinned), 0), 0);
  Bitmap bmp(20, 20, pf24bit);
  Canvas dc(bmp);
  SendMessage(button, WM_PAINT, WPARAM(PtrParam(&dc)), 0);  // Qt's own painting, no freed handler
  dc.EndPainting();
  speed = std::make_unique<TacSpeedButtonHandler>(button, QString(), manager.get(), d);
  delete button;
  speed.reset();
}

// A skin without a bar's section leaves the bar to Qt: the tool buttons'
// captions, the status bar's message and a speed button's caption show as
// without the skin. With the sections the bars keep their skinned look.
TEST_F(BarAdaptersTest, BarsWithoutTheirSectionsKeepTheirText) {
  enum class Kind { ToolBar, StatusBar, SpeedButton };
  const struct {
    Kind kind;
    const char* name;
  } kinds[] = {{Kind::ToolBar, "tool bar"}, {Kind::StatusBar, "status bar"}, {Kind::SpeedButton, "speed button"}};
  const auto darkPixels = [](const QImage& shot, const QRect& r) {
    int dark = 0;
    for (int y = std::max(0, r.top()); y <= std::min(shot.height() - 1, r.bottom()); ++y)
      for (int x = std::max(0, r.left()); x <= std::min(shot.width() - 1, r.right()); ++x)
        dark += qGray(shot.pixel(x, y)) < 100;
    return dark;
  };
  for (const bool withSections : {false, true}) {
    testskins::TestSkin skin = testskins::BarsSkin();
    if (!withSections)
      std::erase_if(skin.Sections, [](const testskins::SkinSection& s) {
        return s.Name == "TOOLBAR" || s.Name == "STATUSBAR" || s.Name == "TOOLBUTTON" || s.Name == "SPEEDBUTTON";
      });
    for (const auto& k : kinds) {
      SCOPED_TRACE(std::string(k.name) + (withSections ? " with its sections" : " without its sections"));
      toolAdapter.reset();
      statusAdapter.reset();
      speed.reset();
      data.clear();
      qDeleteAll(form.findChildren<QWidget*>(Qt::FindDirectChildrenOnly));
      Finish();
      ASSERT_NO_FATAL_FAILURE(SetUpWith(skin));
      QWidget* control = nullptr;
      QRect textRect;
      QImage plain;  // before the adapter
      switch (k.kind) {
        case Kind::ToolBar: {
          QToolBar* bar = MakeToolBar();
          plain = form.grab(bar->geometry()).toImage();
          toolAdapter = TacMainWnd::Create<TacToolBarVCLWnd>(bar, DataOf(bar), manager.get(), QString(), true);
          control = bar;
          textRect = ButtonOf(bar, open)->geometry();
          break;
        }
        case Kind::StatusBar: {
          auto* bar = new QStatusBar(&form);
          bar->setSizeGripEnabled(false);
          bar->setGeometry(0, 200, 400, 26);
          bar->show();
          bar->showMessage(QStringLiteral("loading"));
          QApplication::processEvents();
          plain = form.grab(bar->geometry()).toImage();
          statusAdapter = TacMainWnd::Create<TacStatusBarWnd>(bar, DataOf(bar), manager.get(), QString(), true);
          QApplication::processEvents();
          control = bar;
          textRect = QRect(0, 0, 120, 26);
          break;
        }
        case Kind::SpeedButton: {
          auto* button = new QToolButton(&form);
          button->setText(QStringLiteral("Open"));
          button->setGeometry(20, 20, 60, 30);
          button->show();
          QApplication::processEvents();
          plain = form.grab(button->geometry()).toImage();
          speed = std::make_unique<TacSpeedButtonHandler>(button, QStringLiteral("SPEEDBUTTON"), nullptr,
                                                          DataOf(button));
          control = button;
          textRect = QRect(0, 0, 60, 30);
          break;
        }
      }
      ASSERT_EQ(data.back()->Skinned(), withSections);
      if (k.kind != Kind::SpeedButton) {
        EXPECT_EQ(bool(GetControlStyle(control) & csOpaque), withSections) << "opaque while the skin paints it";
      }
      // The form's picture of the control, its parent's background under it.
      const QImage shot = form.grab(control->geometry()).toImage();
      if (k.kind != Kind::ToolBar || !withSections) {
        EXPECT_GT(darkPixels(shot, textRect), 10) << "the caption or message is drawn";
      }
      if (!withSections) {
        EXPECT_EQ(shot, plain) << "the look without the skin";
        EXPECT_EQ(data.back()->CacheBitmap, nullptr) << "the adapter painted nothing";
        if (speed) {
          EXPECT_EQ(speed->PaintCount(), 0);
        }
        continue;
      }
      switch (k.kind) {
        case Kind::ToolBar:
          EXPECT_EQ(PixelAt(shot, 390, 16), toolAdapter->SkinData()->CacheBitmap->GetPixel(390, 16));
          break;
        case Kind::StatusBar: {
          EXPECT_EQ(PixelAt(shot, 300, 13), TColor(testskins::kStatusBarColor));
          // Opaque while skinned only: the skin removed, put back, and the adapter gone.
          const LPARAM self = LPARAM(PtrParam(manager.get()));
          const struct {
            unsigned command;
            bool opaque;
          } steps[] = {{acRemoveSkin, false}, {acNewSkin, true}, {acRefresh, true}, {acRemoveSkin, false}};
          for (const auto& s : steps) {
            SendMessage(control, SkinCommandMsg, MAKEWPARAM(0, s.command), self);
            EXPECT_EQ(bool(GetControlStyle(control) & csOpaque), s.opaque) << s.command;
          }
          SendMessage(control, SkinCommandMsg, MAKEWPARAM(0, acNewSkin), self);
          statusAdapter.reset();
          EXPECT_FALSE(GetControlStyle(control) & csOpaque) << "the adapter gone";
          break;
        }
        case Kind::SpeedButton:
          EXPECT_EQ(speed->PaintCount(), 1);
          EXPECT_EQ(PixelAt(shot, 4, 15), TColor(testskins::kSpeedButtonColor));
          break;
      }
    }
  }
}
