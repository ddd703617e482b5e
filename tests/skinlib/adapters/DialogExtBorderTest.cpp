// The dialog window adapter's extended borders on offscreen dialogs: the
// border window around the dialog, following it and going with it, the
// picture in the cache (the shadow laid around, BORDERMODE 1's title), the
// region, and the places the cache's shift reaches (offsets, background
// query, fades).
#include "skinlib/adapters/acDialogWnd.h"

#include "SkinnedAdapterTest.h"
#include "platform/LayeredWindow.h"
#include "platform/Messages.h"
#include "platform/NonClient.h"
#include "platform/WindowPos.h"
#include "platform/WindowTable.h"
#include "skinlib/adapters/acBorderForm.h"
#include "skinlib/adapters/acDials.h"
#include "skinlib/adapters/sSBAnimation.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/SkinOptions.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/support/DialogExtBorderSkin.h"

#include <QApplication>
#include <QDialog>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>

using namespace platform;

namespace {

constexpr int kMargin = testskins::kExtMargin;

int TopLevelCount() {
  int n = 0;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w) ++n;
  return n;
}

}  // namespace

class DialogExtBorderTest : public SkinnedAdapterTest {
 protected:
  void SetUp() override {
    StartUnit("AlphaPainting");
    SetLayeredWindowsAvailableForTesting(true);
    ASSERT_NO_FATAL_FAILURE(Use(testskins::DialogExtBorderSkin(), "DialogExtBorders"));
    QCursor::setPos(-500, -500);
  }
  void TearDown() override {
    adapter.reset();
    dialog.reset();
    box.reset();
    QApplication::processEvents();
    Finish();
    SetLayeredWindowsAvailableForTesting(std::nullopt);
    FinishUnit("AlphaPainting");
  }
  void Use(const testskins::TestSkin& skin, const QString& name) {
    ASSERT_NO_FATAL_FAILURE(Activate(skin, name));
    manager->SetExtendedBorders(true);
    ASSERT_TRUE(manager->Active());
  }
  // A dialog of these flags adapted as the dialog hook does it, then shown.
  TacDialogWnd* Open(Qt::WindowFlags flags = Qt::Dialog, bool fixedSize = true) {
    dialog = std::make_unique<QDialog>(nullptr, flags);
    dialog->setWindowTitle(QStringLiteral("Settings"));
    dialog->setGeometry(200, 150, 260, 160);
    if (fixedSize) dialog->setFixedSize(260, 160);
    adapter = TacMainWnd::Create<TacDialogWnd>(dialog.get(), nullptr, manager.get(), kDialogSection, true);
    adapter->FirstShowSetup();
    dialog->show();
    QApplication::processEvents();
    return adapter.get();
  }
  LayeredWindow* Border() const {
    return adapter && adapter->BorderForm() ? adapter->BorderForm()->BorderWindow() : nullptr;
  }
  // The border window lies around the dialog: the dialog at (margin,
  // margin) in it, its size the dialog's with the margins.
  void ExpectAround(int margin) const {
    LayeredWindow* border = Border();
    ASSERT_NE(border, nullptr);
    EXPECT_TRUE(border->isVisible());
    const TRect r = GetWindowRect(dialog.get());
    EXPECT_EQ(border->geometry(), QRect(r.Left - margin, r.Top - margin, r.Width() + 2 * margin,
                                        r.Height() + 2 * margin));
  }

  std::unique_ptr<QDialog> dialog;
  std::unique_ptr<QMessageBox> box;
  TacAdapterPtr<TacDialogWnd> adapter;
};

// A framed dialog (fixed, or sizeable) gets its border window of its size
// plus the margins, the 32-bit cache it shows, and a rectangular region.
TEST_F(DialogExtBorderTest, ADialogGetsABorderWindowOfItsSizePlusTheMargins) {
  const struct {
    Qt::WindowFlags flags;
    bool fixed;
  } cases[] = {{Qt::Dialog, true}, {Qt::Dialog | Qt::WindowMinMaxButtonsHint, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fixed);
    TacDialogWnd* a = Open(c.flags, c.fixed);
    ASSERT_NO_FATAL_FAILURE(ExpectAround(kMargin));
    EXPECT_EQ(a->ExtShift(), (TPoint{kMargin, kMargin}));
    const Bitmap* cache = a->SkinData()->CacheBitmap.get();
    ASSERT_NE(cache, nullptr);
    EXPECT_EQ(cache->PixelFormat(), pf32bit);
    EXPECT_EQ(QSize(cache->Width(), cache->Height()), Border()->size());
    // The window's own picture opaque, the shadow around it faint outside,
    // fainter far out.
    EXPECT_EQ(qAlpha(cache->GetArgb(kMargin + 130, kMargin + 80)), 255);
    const int shadow = qAlpha(cache->GetArgb(kMargin - 1, kMargin + 80));
    EXPECT_GT(shadow, 0);
    EXPECT_LT(shadow, 255);
    EXPECT_LT(qAlpha(cache->GetArgb(0, kMargin + 80)), shadow) << "fainter far out";
    // The window's corners where its border mask is clear show the shadow
    // picture (its alpha), next to them the window's own pixels.
    const int right = kMargin + dialog->width() - 1, bottom = kMargin + dialog->height() - 1;
    for (const QPoint corner : {QPoint(kMargin, kMargin), QPoint(right, kMargin), QPoint(kMargin, bottom),
                                QPoint(right, bottom)}) {
      const int alpha = qAlpha(cache->GetArgb(corner.x(), corner.y()));
      EXPECT_GT(alpha, 0) << corner.x() << "," << corner.y();
      EXPECT_LT(alpha, 255) << corner.x() << "," << corner.y();
    }
    EXPECT_EQ(qAlpha(cache->GetArgb(kMargin + 5, kMargin + 5)), 255);
    EXPECT_EQ(qAlpha(cache->GetArgb(right - 5, bottom - 5)), 255);
    // The picture shown is the one painted: nothing left to paint.
    EXPECT_FALSE(a->BorderForm()->Owner().OwnerImageDirty());
    // The window is the rectangle inside the margins: no corner cut.
    QRegion region;
    ASSERT_NE(GetWindowRgn(dialog.get(), region), ERROR);
    EXPECT_EQ(region, QRegion(0, 0, dialog->width(), dialog->height()));
    // The dialog's band and client come from the shifted cache: the client
    // shows the dialog's section, the offsets answered are the cache's.
    const QImage shown = dialog->grab().toImage();
    EXPECT_EQ(shown.pixelColor(dialog->contentsRect().center()), ToQColor(testskins::kDialogColor));
    const TPoint o = a->BorderOffsets();
    const LRESULT answered = SendMessage(dialog.get(), SkinCommandMsg, MAKEWPARAM(0, 61), 0);
    EXPECT_EQ(std::pair(int(LOWORD(answered)), int(HIWORD(answered))), std::pair(o.X, o.Y));
    EXPECT_EQ(o.X, kMargin + dialog->contentsRect().left());
    TsBgQuery query;
    SendMessage(dialog.get(), SkinCommandMsg, MAKEWPARAM(0, acBgQuery), LPARAM(PtrParam(&query)));
    if (query.BgKind == TsBgQuery::FromBitmap) {
      EXPECT_EQ(query.Offset, (TPoint{kMargin, kMargin}));
    }
    // The title's buttons and icon lie in the cache where the window's are,
    // shifted by the margins.
    const TacTitleLayout window = a->WindowLayout(), cached = a->Layout();
    EXPECT_EQ(cached.System[2].Rect, OffsetRect(window.System[2].Rect, kMargin, kMargin));
    EXPECT_EQ(a->IconRect(), OffsetRect(window.IconRect, kMargin, kMargin));
    adapter.reset();
    dialog.reset();
  }
}

TEST_F(DialogExtBorderTest, TheBorderFollowsAMoveAndAResize) {
  Open(Qt::Dialog | Qt::WindowMinMaxButtonsHint, /*fixedSize=*/false);
  ASSERT_NO_FATAL_FAILURE(ExpectAround(kMargin));
  const struct {
    QPoint move;
    QSize size;
  } steps[] = {{{260, 190}, {}}, {{}, {330, 210}}, {{120, 90}, {300, 240}}};
  for (const auto& s : steps) {
    if (!s.move.isNull()) dialog->move(s.move);
    if (s.size.isValid()) dialog->resize(s.size);
    QApplication::processEvents();
    ASSERT_NO_FATAL_FAILURE(ExpectAround(kMargin));
    EXPECT_EQ(QSize(adapter->SkinData()->CacheBitmap->Width(), adapter->SkinData()->CacheBitmap->Height()),
              Border()->size());
  }
  // A move by the platform (SetWindowPos) too.
  SetWindowPos(dialog.get(), nullptr, 40, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  QApplication::processEvents();
  ASSERT_NO_FATAL_FAILURE(ExpectAround(kMargin));
}

// The border object goes when the dialog hides or is maximized, when the
// skin goes and when ExtendedBorders is switched off; it comes back with
// the next show or restore, skin or switch. (A standard dialog skinned by the dialog hook, which the
// manager's broadcasts reach.)
class DialogExtBorderThroughHookTest : public DialogExtBorderTest {
 protected:
  void SetUp() override {
    StartUnit("acDials");
    StartUnit("acDialogWnd");
    DialogExtBorderTest::SetUp();
  }
  void TearDown() override {
    DialogExtBorderTest::TearDown();
    input.reset();
    FreeDestroyedDialogs();
    QApplication::processEvents();
    FinishUnit("acDialogWnd");
    FinishUnit("acDials");
  }
  TacDialogWnd* OpenInput() {
    input = std::make_unique<QInputDialog>();
    input->setWindowTitle(QStringLiteral("Issue"));
    input->setGeometry(200, 150, 300, 140);
    if (!SkinActivatedWindow(input.get())) return nullptr;
    input->open();
    QApplication::processEvents();
    return dynamic_cast<TacDialogWnd*>(FindAdapter(input.get()));
  }
  void ExpectAroundInput(TacDialogWnd* a, int margin) const {
    ASSERT_NE(a->BorderForm(), nullptr);
    LayeredWindow* border = a->BorderForm()->BorderWindow();
    EXPECT_TRUE(border->isVisible());
    const TRect r = GetWindowRect(input.get());
    EXPECT_EQ(border->geometry(), QRect(r.Left - margin, r.Top - margin, r.Width() + 2 * margin,
                                        r.Height() + 2 * margin));
  }
  std::unique_ptr<QInputDialog> input;
};

TEST_F(DialogExtBorderThroughHookTest, TheBorderGoesWithTheDialogsHideTheSkinAndTheSwitch) {
  const struct {
    const char* what;
    std::function<void()> off, on;
    bool goneAtOnce, backAtOnce;  // before the events that follow run
  } cases[] = {
      {"hidden", [this] { input->hide(); }, [this] { input->show(); }, true, false},
      {"closed", [this] { input->reject(); }, [this] { input->open(); }, true, false},
      {"maximized", [this] { input->showMaximized(); }, [this] { input->showNormal(); }, false, false},
      {"skin removed", [this] { manager->SetActive(false); }, [this] { manager->SetActive(true); }, true, false},
      // The skin commands make and drop it, before any paint.
      {"switched off", [this] { manager->SetExtendedBorders(false); }, [this] { manager->SetExtendedBorders(true); },
       true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TacDialogWnd* a = OpenInput();
    ASSERT_NE(a, nullptr);
    ASSERT_NO_FATAL_FAILURE(ExpectAroundInput(a, kMargin));
    QPointer<LayeredWindow> border = a->BorderForm()->BorderWindow();
    c.off();
    if (c.goneAtOnce) {
      EXPECT_TRUE(border.isNull()) << "at once";
    }
    QApplication::processEvents();
    EXPECT_TRUE(border.isNull());
    // The skin's removal frees the adapter with its provider.
    if (auto* now = dynamic_cast<TacDialogWnd*>(FindAdapter(input.get()))) {
      EXPECT_EQ(now->BorderForm(), nullptr);
      EXPECT_EQ(now->ExtShift(), (TPoint{0, 0}));
      if (input->isVisible()) {
        // Back to the plain cache and the corner region.
        EXPECT_EQ(now->SkinData()->CacheBitmap->PixelFormat(), pf24bit);
        QRegion region;
        ASSERT_NE(GetWindowRgn(input.get(), region), ERROR);
        EXPECT_FALSE(region.contains(QPoint(0, 0)));
      }
    }
    c.on();
    if (c.backAtOnce) {
      auto* now = dynamic_cast<TacDialogWnd*>(FindAdapter(input.get()));
      EXPECT_TRUE(now && now->BorderForm()) << "at once";
    }
    QApplication::processEvents();
    // A dialog skinned anew when it is activated again.
    if (!FindAdapter(input.get())) SkinActivatedWindow(input.get());
    QApplication::processEvents();
    a = dynamic_cast<TacDialogWnd*>(FindAdapter(input.get()));
    ASSERT_NE(a, nullptr);
    ASSERT_NO_FATAL_FAILURE(ExpectAroundInput(a, kMargin));
    input.reset();
    FreeDestroyedDialogs();
  }
}

TEST_F(DialogExtBorderTest, ADialogDestroyedWhileItsBorderShowsLeavesNoWindow) {
  const int before = TopLevelCount();
  Open();
  ASSERT_NE(Border(), nullptr);
  QPointer<LayeredWindow> border = Border();
  // The dialog, its border window and its system menu.
  const int open = TopLevelCount();
  EXPECT_EQ(open, before + 3);
  // The window goes first; the adapter stays until its owner frees it.
  dialog.reset();
  QApplication::processEvents();
  EXPECT_TRUE(border.isNull());
  EXPECT_EQ(TopLevelCount(), open - 2);
  adapter.reset();
  QApplication::processEvents();
  EXPECT_EQ(TopLevelCount(), before);
}

TEST_F(DialogExtBorderTest, WithoutTheExBorderMaskNoBorderObject) {
  Finish();
  ASSERT_NO_FATAL_FAILURE(Use(testskins::DialogSkin(), "Dialogs"));
  ASSERT_TRUE(manager->ExtendedBorders());
  TacDialogWnd* a = Open();
  EXPECT_EQ(a->BorderForm(), nullptr);
  EXPECT_EQ(a->SkinData()->CacheBitmap->PixelFormat(), pf24bit);
  EXPECT_EQ(a->ExtShift(), (TPoint{0, 0}));
  // Nor without layered windows (the manager's ExtendedBorders is then off).
  adapter.reset();
  dialog.reset();
  Finish();
  ASSERT_NO_FATAL_FAILURE(Use(testskins::DialogExtBorderSkin(), "Again"));
  SetLayeredWindowsAvailableForTesting(false);
  EXPECT_EQ(Open()->BorderForm(), nullptr);
}

// BORDERMODE 1: the border picture is the frame; the title painted over it
// makes its pixels opaque, the rest keeps the picture's alpha; the icon
// goes down by FORMOFFSET.
TEST_F(DialogExtBorderTest, ModeOneTitlePixelsAreOpaque) {
  Finish();
  ASSERT_NO_FATAL_FAILURE(Use(testskins::DialogExtBorderSkin(/*mode1=*/true), "ModeOne"));
  ASSERT_EQ(manager->SkinData->BorderMode, 1);
  TacDialogWnd* a = Open();
  const int m = testskins::kExtFormOffset;
  ASSERT_NO_FATAL_FAILURE(ExpectAround(m));
  const Bitmap& cache = *a->SkinData()->CacheBitmap;
  const TPoint o = a->BorderOffsets();
  const int t = a->TitleHeight();
  ASSERT_GT(t, 0);
  // The title band: opaque across.
  for (const int x : {o.X + 2, cache.Width() / 2, cache.Width() - o.X - 3})
    EXPECT_EQ(qAlpha(cache.GetArgb(x, o.Y - t / 2)), 255) << x;
  // The client: the border picture's clear middle.
  EXPECT_EQ(qAlpha(cache.GetArgb(cache.Width() / 2, o.Y + 60)), 0);
  EXPECT_EQ(a->IconRect(), OffsetRect(a->WindowLayout().IconRect, m, m + testskins::kExtFormOffset));
}

// A title button's fade shows over the button on the screen, also where the
// button lies shifted in the cache.
TEST_F(DialogExtBorderTest, TitleButtonFadesLieOverTheButton) {
  manager->SetAllowGlowing(true);
  TacDialogWnd* a = Open();
  const TRect close = a->WindowLayout().System[2].Rect;
  const QPoint centre = dialog->mapToGlobal(QPoint((close.Left + close.Right) / 2, (close.Top + close.Bottom) / 2));
  ASSERT_EQ(SendMessage(dialog.get(), WM_NCHITTEST, 0, MAKELPARAM(centre.x(), centre.y())), LRESULT(HTCLOSE));
  QPointer<TacSBAnimation> fade = FindButtonFade(a->FadeAnchor(), HTCLOSE);
  ASSERT_NE(fade, nullptr);
  ASSERT_NE(fade->AnimWindow(), nullptr);
  // The hot button shows its glow picture, the glow margin around it.
  const TsMaskData& mask = manager->MaskData[size_t(a->Buttons()[2].MaskIndex)];
  const bool glows = manager->IndexOfMask(QStringLiteral("GLOBALINFO"), mask.PropertyName + "GLOW0") >= 0;
  const int margin = glows ? manager->SkinData->BICloseGlowMargin : 0;
  EXPECT_EQ(fade->AnimWindow()->pos(), dialog->mapToGlobal(QPoint(close.Left - margin, close.Top - margin)));
}

// The border window's hit test asks the dialog: its close and help buttons
// (a dialog's only title positions there), the icon, the caption and the
// sizing edges, in the picture's coordinates.
TEST_F(DialogExtBorderTest, TheBorderHitTestAsksTheDialog) {
  TacDialogWnd* a =
      Open(Qt::Dialog | Qt::WindowMinMaxButtonsHint | Qt::WindowContextHelpButtonHint, /*fixedSize=*/false);
  ASSERT_NE(Border(), nullptr);
  const TacTitleLayout l = a->Layout();
  const auto at = [&](const TRect& r) {
    return TPoint{Border()->x() + (r.Left + r.Right) / 2, Border()->y() + (r.Top + r.Bottom) / 2};
  };
  ASSERT_TRUE(l.System[0].Shown && l.System[2].Shown && l.System[3].Shown);
  const struct {
    TPoint p;
    int code, hot;
  } cases[] = {
      {at(l.System[2].Rect), HTCLOSE, HTCLOSE},
      {at(l.System[3].Rect), HTHELP, HTHELP},
      {at(l.System[0].Rect), HTCAPTION, 0},  // no minimize position on a dialog's border
      {at(a->IconRect()), HTSYSMENU, 0},
      {{Border()->x() + kMargin + 1, Border()->y() + Border()->height() / 2}, HTLEFT, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(a->BorderForm()->BorderHitTest(c.p), c.code) << c.p.X << "," << c.p.Y;
    EXPECT_EQ(a->CurrentButton(), c.hot);
  }
  // Without a system menu the title has no buttons: its caption all along.
  adapter.reset();
  a = Open(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  ASSERT_NE(Border(), nullptr);
  const TRect caption = a->Layout().CaptionRect;
  EXPECT_EQ(a->BorderForm()->BorderHitTest({Border()->x() + caption.Right - 4, Border()->y() + (caption.Top + caption.Bottom) / 2}),
            HTCAPTION);
}

// A new caption reaches the border window's picture at once.
TEST_F(DialogExtBorderTest, ANewCaptionReachesTheBorderPicture) {
  TacDialogWnd* a = Open();
  ASSERT_NE(Border(), nullptr);
  const TRect caption = a->Layout().CaptionRect;
  const QRect band(caption.Left, caption.Top, caption.Width(), caption.Height());
  const QImage before = Border()->Picture().copy(band);
  dialog->setWindowTitle(QStringLiteral("Import the draws of 2024"));
  EXPECT_NE(Border()->Picture().copy(band), before);
  EXPECT_FALSE(a->SkinData()->BackgroundDirty);
  // The adapter had the message too.
  EXPECT_EQ(a->Caption(), QStringLiteral("Import the draws of 2024"));
}

// With the border the title is the skin's TITLEHEIGHT high, the system's
// without it; the client keeps its size either way (the window grows and
// shrinks), and the hit tests and the system menu follow the taller title.
TEST_F(DialogExtBorderTest, TheTitleTakesTheBordersHeightAndTheClientKeepsItsSize) {
  const int skinTitle = manager->SkinData->TitleHeight, system = GetSystemMetrics(SM_CYCAPTION);
  const struct {
    const char* what;
    std::function<QWidget*()> open;
  } cases[] = {
      {"fixed dialog", [this] { return Open(Qt::Dialog, /*fixedSize=*/true), dialog.get(); }},
      {"sizeable dialog", [this] { return Open(Qt::Dialog | Qt::WindowMinMaxButtonsHint, false), dialog.get(); }},
      {"message box", [this]() -> QWidget* {
         box = std::make_unique<QMessageBox>(QMessageBox::Warning, QStringLiteral("双色球"),
                                             QStringLiteral("第 2024001 期已存在，是否覆盖？"),
                                             QMessageBox::Yes | QMessageBox::No);
         adapter = TacMainWnd::Create<TacDialogWnd>(box.get(), nullptr, manager.get(), kDialogSection, true);
         adapter->FirstShowSetup();
         box->show();
         return box.get();
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    QWidget* w = c.open();
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
    ASSERT_NE(adapter->BorderForm(), nullptr);
    EXPECT_EQ(adapter->TitleHeight(), skinTitle);
    // The band: the border all round, the title on top.
    const QMargins band = w->contentsMargins();
    EXPECT_EQ(band.top() - band.left(), skinTitle);
    const QSize client = w->contentsRect().size(), window = w->size();
    // Below where the system's caption ends: the caption, on the window and
    // on the border window.
    const QPoint low = w->mapToGlobal(QPoint(w->width() / 2, band.top() - 3));
    EXPECT_EQ(SendMessage(w, WM_NCHITTEST, 0, MAKELPARAM(low.x(), low.y())), LRESULT(HTCAPTION));
    EXPECT_EQ(adapter->BorderForm()->BorderHitTest({low.x(), low.y()}), HTCAPTION);
    // Alt+Space: the system menu below the window's icon.
    SendMessage(w, WM_SYSCOMMAND, SC_KEYMENU, ' ');
    EXPECT_EQ(adapter->SystemMenu()->pos(),
              w->mapToGlobal(QPoint(band.left(), band.top() - skinTitle + GetSystemMetrics(SM_CYSMICON))));
    adapter->SystemMenu()->hide();
    // Without the border and with it again (the manager's switch, as its
    // broadcast tells the dialog): the same client.
    for (const bool on : {false, true}) {
      manager->SetExtendedBorders(on);
      SendMessage(w, SkinCommandMsg, MAKEWPARAM(0, acRefresh), LPARAM(PtrParam(manager.get())));
      for (int i = 0; i < 3; ++i) QApplication::processEvents();
      EXPECT_EQ(adapter->TitleHeight(), on ? skinTitle : system);
      EXPECT_EQ(w->contentsRect().size(), client);
      EXPECT_EQ(w->height(), window.height() - (on ? 0 : skinTitle - system));
    }
    adapter.reset();
    dialog.reset();
    box.reset();
  }
}
