// The form provider: its place in the form's chain (the newest wins, the
// chain given back exactly), the frame and region, snapping and the border
// drag, the title's layout and hit test, the painting into the cache, the
// hot and pressed buttons, and the system menu.
#include "skinlib/adapters/sSkinProvider.h"

#include "platform/Colors.h"
#include "platform/Menus.h"
#include "platform/Properties.h"
#include "platform/Messages.h"
#include "platform/NonClient.h"
#include "platform/Startup.h"
#include "platform/UserPrompts.h"
#include "platform/WindowPos.h"
#include "platform/WindowProc.h"
#include "platform/WindowTable.h"
#include "skinlib/adapters/ProviderLayout.h"
#include "skinlib/adapters/sSBAnimation.h"
#include "skinlib/adapters/sSysMenu.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/support/TestSkins.h"
#include "support/TempDir.h"

#include <QAction>
#include <QCoreApplication>
#include <QCursor>
#include <QEvent>
#include <QApplication>
#include <QTest>
#include <QMenu>
#include <QMenuBar>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include "platform/MenuLine.h"
#include <QPointer>
#include <optional>
#include <QScreen>
#include <QWidget>
#include <QElapsedTimer>
#include <QWhatsThis>
#include "platform/Capture.h"
#include "platform/Colors.h"
#include "platform/WindowUtils.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace platform;

namespace {

// ------------------------------------------------------------ pure layout

TacTitleMetrics Metrics() {
  TacTitleMetrics m;
  m.CaptionHeight = 19;
  m.BorderWidth = m.SystemBorder = 4;
  m.MinWidth = m.MaxWidth = m.CloseWidth = m.HelpWidth = 18;
  m.ButtonHeight = 18;
  m.BISpace = 2;
  m.BIRight = 2;
  return m;
}

TacFormInfo Sizeable(int w = 400, int h = 300) {
  TacFormInfo f;
  f.Width = w;
  f.Height = h;
  return f;
}

TPoint Centre(const TRect& r) { return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2}; }

TEST(ProviderLayoutTest, SnapsWithinTheBufferOnly) {
  const TRect work{0, 0, 800, 600};
  struct Case {
    const char* name;
    int x, y, w, h;
    int wantX, wantY;
  } cases[] = {
      {"9 from the left edge snaps", 9, 100, 200, 100, 0, 100},
      {"10 from the left edge stays", 10, 100, 200, 100, 10, 100},
      {"9 from the right edge snaps", 800 - 200 - 9, 100, 200, 100, 600, 100},
      {"9 from the bottom snaps", 50, 600 - 100 - 9, 200, 100, 50, 500},
      {"(0, 0) is never snapped", 0, 0, 200, 100, 0, 0},
      {"wider than the work area: the left edge wins", -5, 100, 805, 100, 0, 100},
      {"9 from the top snaps", 50, 9, 200, 100, 50, 0},
  };
  for (const Case& c : cases) {
    int x = c.x, y = c.y;
    SnapToWorkArea(x, y, c.w, c.h, work, 10, 0, 0);
    EXPECT_EQ(x, c.wantX) << c.name;
    EXPECT_EQ(y, c.wantY) << c.name;
  }
}

TEST(ProviderLayoutTest, DragFrameNeverGoesBelowTheMinimum) {
  const TRect frame{100, 100, 300, 250};
  struct Case {
    int hit, dx, dy;
    TRect want;
  } cases[] = {
      {HTBOTTOMLEFT, 500, -500, {220, 100, 300, 160}},  // narrowed and lowered past the minimum
      {HTBOTTOMLEFT, -20, 30, {80, 100, 300, 280}},
      {HTTOPLEFT, 500, 500, {220, 190, 300, 250}},
      {HTRIGHT, -500, 0, {100, 100, 180, 250}},
      {HTTOP, 0, 500, {100, 190, 300, 250}},
      {HTBOTTOMRIGHT, 10, 10, {100, 100, 310, 260}},
  };
  for (const Case& c : cases) {
    const TRect r = DragFrame(frame, false, c.hit, c.dx, c.dy, 80, 60);
    EXPECT_EQ(r, c.want) << "hit " << c.hit;
    EXPECT_GE(r.Width(), 80);
    EXPECT_GE(r.Height(), 60);
  }
  EXPECT_EQ(DragFrame(frame, true, HTCAPTION, 7, -3, 80, 60), (TRect{107, 97, 307, 247}));
}

TEST(ProviderLayoutTest, SystemMenuAnswersFollowTheBorderStyle) {
  TacFormInfo single = Sizeable();
  single.BorderStyle = bsSingle;
  single.BorderIcons = biSystemMenu | biMinimize;
  TacSysMenuState s = SysMenuState(single, true);
  EXPECT_FALSE(s.VisibleMax);  // bsSingle without biMaximize
  EXPECT_TRUE(s.VisibleMin);
  TacFormInfo dialog = Sizeable();
  dialog.BorderStyle = bsDialog;
  s = SysMenuState(dialog, true);
  EXPECT_FALSE(s.VisibleMax);
  EXPECT_FALSE(s.VisibleMin);
  EXPECT_TRUE(s.VisibleClose);
  TacFormInfo iconic = Sizeable();
  iconic.Iconic = true;
  s = SysMenuState(iconic, true);
  EXPECT_TRUE(s.VisibleMax);
  EXPECT_TRUE(s.EnabledRestore);
  EXPECT_FALSE(s.EnabledMin);
  EXPECT_FALSE(SysMenuState(Sizeable(), false).VisibleMax);  // no close, no other button
}

TEST(ProviderLayoutTest, HitCodesForEveryPart) {
  const TacTitleMetrics m = Metrics();
  struct Case {
    const char* name;
    unsigned icons;
    bool iconic;
    int users;
  } forms[] = {{"all buttons", biSystemMenu | biMinimize | biMaximize, false, 0},
               {"hidden maximize", biSystemMenu | biMinimize, false, 0},
               {"help", biSystemMenu | biMinimize | biMaximize | biHelp, false, 0},
               {"iconic", biSystemMenu | biMinimize | biMaximize, true, 0},
               {"user buttons", biSystemMenu | biMinimize | biMaximize, false, 2}};
  for (const Case& c : forms) {
    TacFormInfo f = Sizeable();
    f.BorderIcons = c.icons;
    f.Iconic = c.iconic;
    const TacSysMenuState menu = SysMenuState(f, true);
    std::vector<TacUserButtonInfo> users(size_t(c.users), TacUserButtonInfo{true, 21, 21});
    const TacTitleLayout l = LayoutTitle(f, menu, m, users);
    TacHitInfo info;
    info.ClientRect = {4, 23, 396, 296};
    info.UserEnabled = {true, false};
    const auto hit = [&](TPoint p) { return TitleHitTest(f, menu, m, l, info, p); };
    EXPECT_EQ(hit(Centre(l.System[2].Rect)), HTCLOSE) << c.name;
    if (c.icons & biMaximize) {
      ASSERT_TRUE(l.System[1].Shown) << c.name;
      EXPECT_EQ(hit(Centre(l.System[1].Rect)), HTMAXBUTTON) << c.name;
      // The maximize button sits next to the close button.
      EXPECT_EQ(l.System[1].Rect.Right, l.System[2].Rect.Left - m.BISpace) << c.name;
    } else {
      EXPECT_FALSE(l.System[1].Shown) << c.name;
      // The minimize button takes the maximize button's place.
      EXPECT_EQ(l.System[0].Rect.Right, l.System[2].Rect.Left - m.BISpace) << c.name;
    }
    EXPECT_EQ(hit(Centre(l.System[0].Rect)), HTMINBUTTON) << c.name;
    if (c.icons & biHelp) {
      EXPECT_EQ(hit(Centre(l.System[3].Rect)), HTHELP) << c.name;
    } else {
      EXPECT_FALSE(l.System[3].Shown) << c.name;
    }
    if (c.users) {
      EXPECT_EQ(hit(Centre(l.User[0].Rect)), kUserButtonHitBase + 0) << c.name;
      EXPECT_EQ(hit(Centre(l.User[1].Rect)), HTCAPTION) << c.name << ": a disabled user button";
      EXPECT_EQ(l.User[0].Rect.Right, l.System[0].Rect.Left - m.BISpace - kUserButtonsGap) << c.name;
    }
  }
  // Borders, caption, icon, grip and menu line of a sizeable form.
  TacFormInfo f = Sizeable();
  const TacSysMenuState menu = SysMenuState(f, true);
  const TacTitleLayout l = LayoutTitle(f, menu, m, {});
  TacHitInfo info;
  info.ClientRect = {4, 43, 396, 296};  // a menu line of 20 below the caption
  info.GripShown = true;
  info.GripWidth = info.GripHeight = 12;
  const struct {
    TPoint p;
    int want;
  } points[] = {{{0, 0}, HTTOPLEFT},        {{399, 0}, HTTOPRIGHT},   {{0, 299}, HTBOTTOMLEFT},
                {{399, 299}, HTBOTTOMRIGHT}, {{200, 0}, HTTOP},        {{200, 299}, HTBOTTOM},
                {{0, 150}, HTLEFT},          {{399, 150}, HTRIGHT},    {{200, 10}, HTCAPTION},
                {Centre(l.IconRect), HTSYSMENU}, {{390, 290}, HTBOTTOMRIGHT}, {{380, 280}, HTCLIENT},
                {{200, 30}, HTMENU},         {{100, 150}, HTCLIENT},   {{200, 4}, HTCAPTION},
                {{200, 22}, HTCAPTION},      {{200, 23}, HTMENU}};
  for (const auto& c : points) EXPECT_EQ(TitleHitTest(f, menu, m, l, info, c.p), c.want) << c.p.X << "," << c.p.Y;
  // Without a grip the corner is client area; a maximized form has no sizing borders.
  info.GripShown = false;
  EXPECT_EQ(TitleHitTest(f, menu, m, l, info, {390, 290}), HTCLIENT);
  f.Zoomed = true;
  EXPECT_EQ(TitleHitTest(f, SysMenuState(f, true), m, l, info, {0, 150}), HTBORDER);
}

TEST(ProviderLayoutTest, MaxHeightMovesTheTitleItemsByHalfTheDifferenceLessTwo) {
  TacTitleMetrics m = Metrics();
  m.ExtBorder = true;
  m.ExtMargins = {10, 8, 10, 12};
  m.BorderMode = 1;
  m.CaptionHeight = 30;
  TacFormInfo f = Sizeable();
  f.Zoomed = true;
  m.TitleHeight = m.MaxHeight = 30;
  const TacTitleLayout same = LayoutTitle(f, SysMenuState(f, true), m, {});
  m.MaxHeight = 20;
  const TacTitleLayout lower = LayoutTitle(f, SysMenuState(f, true), m, {});
  const int shift = (30 - 20) / 2 - 2;
  EXPECT_EQ(lower.IconRect.Top - same.IconRect.Top, shift);
  EXPECT_EQ(lower.CaptionRect.Top - same.CaptionRect.Top, shift);
  EXPECT_EQ(lower.System[2].Rect.Top - same.System[2].Rect.Top, shift);
  // A form that is not maximized does not move.
  f.Zoomed = false;
  m.MaxHeight = 30;
  const TacTitleLayout normal = LayoutTitle(f, SysMenuState(f, true), m, {});
  m.MaxHeight = 20;
  EXPECT_EQ(LayoutTitle(f, SysMenuState(f, true), m, {}).IconRect, normal.IconRect);
}

TEST(ProviderLayoutTest, IconSizeFollowsTheCaptionHeight) {
  const struct {
    int h, want;
  } cases[] = {{-100, 1}, {8, 1}, {9, 8}, {16, 8}, {17, 16}, {40, 16}};
  for (const auto& c : cases) EXPECT_EQ(IconSizeForCaption(c.h), c.want) << c.h;
}

// ------------------------------------------------------------ the live provider

constexpr const char* kUnits[] = {"LibraryConstants", "SkinnedForms", "SkinCommandSenders", "acSBUtils",
                                  "sSkinProvider"};

class ProviderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* unit : kUnits) StartUnit(unit);
    form = std::make_unique<QWidget>();
    form->resize(400, 300);
    form->setWindowTitle(QStringLiteral("Skinned form"));
  }
  void TearDown() override {
    form.reset();
    manager.reset();
    for (auto it = std::rbegin(kUnits); it != std::rend(kUnits); ++it) FinishUnit(*it);
  }
  QString Root() const { return QString::fromStdString(dir.Path()); }
  void Activate(const testskins::TestSkin& skin = testskins::FormSkin()) {
    QString error;
    ASSERT_TRUE(testskins::WriteSkinFolder(skin, Root() + "/Forms", &error)) << error.toStdString();
    manager = std::make_unique<TsSkinManager>();
    manager->SetSkinDirectory(Root());
    manager->SetSkinName("Forms");
    ASSERT_TRUE(manager->Active());
  }
  TsSkinProvider* Provide() { return new TsSkinProvider(form.get()); }
  TPoint ScreenPoint(TPoint local) {
    const QPoint p = form->mapToGlobal(QPoint(local.X, local.Y));
    return {p.x(), p.y()};
  }

  testsupport::TempDir dir;
  RecordingPrompts prompts;
  ScopedPrompts scopedPrompts{prompts};
  std::unique_ptr<QWidget> form;
  std::unique_ptr<TsSkinManager> manager;
};

TEST_F(ProviderTest, OnlyFormsTakeAProvider) {
  QWidget child(form.get());
  try {
    TsSkinProvider provider(&child);
    FAIL() << "a provider on a child control";
  } catch (const ESkinLibraryError& e) {
    EXPECT_STREQ(e.what(), kFormsOnlyMessage);
  }
  EXPECT_EQ(ProviderOfForm(form.get()), nullptr);
}

TEST_F(ProviderTest, NewestProviderWinsAndTheChainComesBackExactly) {
  // The form's own handling answers the region question itself.
  WindowProcHandle own = InstallWindowProc(
      form.get(),
      [](Message& m, const CallPrevious& previous) {
        if (m.Msg == kRegionQueryMsg) m.Result = LRESULT(kRegionQueryParam);
        else previous(m);
      },
      WindowProcLevel::Control);
  const auto ask = [&] { return SendMessage(form.get(), kRegionQueryMsg, kRegionQueryParam, 0); };
  ASSERT_EQ(ask(), LRESULT(kRegionQueryParam));
  for (bool olderFirst : {false, true}) {
    QPointer<TsSkinProvider> older = Provide();
    EXPECT_TRUE(older->Hooked());
    EXPECT_EQ(ask(), 0);
    if (olderFirst) {
      delete older.data();  // one goes before its form and before the newer one comes
      EXPECT_EQ(ask(), LRESULT(kRegionQueryParam));
    }
    QPointer<TsSkinProvider> newer = Provide();
    EXPECT_TRUE(older.isNull()) << "the older provider is destroyed";
    EXPECT_TRUE(newer->Hooked());
    EXPECT_EQ(ProviderOfForm(form.get()), newer.data());
    EXPECT_EQ(ask(), 0);
    delete newer.data();
    EXPECT_EQ(ask(), LRESULT(kRegionQueryParam)) << "the chain is the form's own again";
  }
  RemoveWindowProc(own);
}

TEST_F(ProviderTest, SkinnedFormIsFramedAtItsFirstShowAndGivenBackWithItsSize) {
  Activate();
  TsSkinProvider* provider = Provide();
  EXPECT_FALSE(HasNonClientFrame(form.get()));
  form->show();
  EXPECT_TRUE(HasNonClientFrame(form.get()));
  // The window keeps its window rectangle; the band is the classic one.
  const QRect window = form->geometry();
  const QSize client = form->contentsRect().size();
  EXPECT_EQ(client, QSize(form->width() - 8, form->height() - 8 - 19));
  delete provider;
  EXPECT_FALSE(HasNonClientFrame(form.get()));
  // It keeps it when the frame goes: its size from before the skin, all
  // of it client area again.
  EXPECT_EQ(std::pair(form->frameGeometry(), form->contentsRect().size()), std::pair(window, QSize(400, 300)));
  // A provider that goes with its form leaves nothing behind.
  Provide();
  form.reset();
}

// The skin gives the form its global colour; its removal gives the form
// its own back: the inherited one (a message box's) or one of its own. A
// removal that set the button-face colour instead left every pixel of a
// message box's background changed.
TEST_F(ProviderTest, RemovalGivesTheFormItsOwnColourBack) {
  Activate();
  const QColor inherited = form->palette().color(QPalette::Window);
  for (const std::optional<QColor> own : {std::optional<QColor>(), std::optional<QColor>(QColor(0x20, 0x80, 0x40))}) {
    SCOPED_TRACE(own ? "its own colour" : "inherited");
    auto window = std::make_unique<QWidget>();
    if (own) SetControlColor(window.get(), FromQColor(*own));
    const QColor before = own ? *own : inherited;
    auto* provider = new TsSkinProvider(window.get());
    window->show();
    EXPECT_EQ(window->palette().color(QPalette::Window), ToQColor(manager->GlobalSectionColor()));
    SendMessage(window.get(), SkinCommandMsg, MAKEWPARAM(0, acRemoveSkin), LPARAM(PtrParam(manager.get())));
    EXPECT_EQ(window->palette().color(QPalette::Window), before);
    // On and off again: still its own.
    SendMessage(window.get(), SkinCommandMsg, MAKEWPARAM(0, acNewSkin), LPARAM(PtrParam(manager.get())));
    delete provider;
    EXPECT_EQ(window->palette().color(QPalette::Window), before);
  }
}

TEST_F(ProviderTest, ScreenSnapUsesTheManualMoveAndSnapsAtNinePixels) {
  Activate();
  TsSkinProvider* provider = Provide();
  form->show();
  provider->SetScreenSnap(true);
  EXPECT_TRUE(PrefersManualMoveSize(form.get()));
  const QRect work = form->screen()->availableGeometry();
  SetWindowPos(form.get(), nullptr, work.left() + 9, work.top() + 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  EXPECT_EQ(GetWindowRect(form.get()).Left, work.left());
  SetWindowPos(form.get(), nullptr, work.left() + 10, work.top() + 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  EXPECT_EQ(GetWindowRect(form.get()).Left, work.left() + 10);
  provider->SetScreenSnap(false);
  EXPECT_FALSE(PrefersManualMoveSize(form.get()));
  SetWindowPos(form.get(), nullptr, work.left() + 9, work.top() + 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  EXPECT_EQ(GetWindowRect(form.get()).Left, work.left() + 9);
}

TEST_F(ProviderTest, BorderlessFormGetsNoRegionAndTheSystemsHitTest) {
  Activate();
  form->setWindowFlag(Qt::FramelessWindowHint);
  QWidget twin;
  twin.setWindowFlag(Qt::FramelessWindowHint);
  twin.resize(400, 300);
  TsSkinProvider* provider = Provide();
  form->show();
  twin.show();
  EXPECT_EQ(provider->ReadFormInfo().BorderStyle, bsNone);
  provider->UpdateFormRegion(true);
  QRegion region;
  EXPECT_EQ(GetWindowRgn(form.get(), region), ERROR);
  for (TPoint p : {TPoint{1, 1}, TPoint{200, 10}, TPoint{399, 299}}) {
    const QPoint t = twin.mapToGlobal(QPoint(p.X, p.Y));
    const auto system = SendMessage(&twin, WM_NCHITTEST, 0, MAKELPARAM(t.x(), t.y()));
    EXPECT_EQ(provider->NonClientHitTest(ScreenPoint(p)), int(system));
  }
}

TEST_F(ProviderTest, RegionOfAFramedFormLeavesOutItsCornerRectangles) {
  Activate();
  TsSkinProvider* provider = Provide();
  form->show();
  provider->BuildRegionRects();
  provider->UpdateFormRegion(true);
  QRegion region;
  EXPECT_NE(GetWindowRgn(form.get(), region), ERROR);
  EXPECT_TRUE(provider->RegionChanged());
  EXPECT_EQ(region.boundingRect(), QRect(0, 0, form->width(), form->height()));
  // The border mask's key-colour corner pixels are cut out, their
  // neighbours kept.
  const int w = form->width(), h = form->height();
  for (QPoint corner : {QPoint(0, 0), QPoint(w - 1, 0), QPoint(0, h - 1), QPoint(w - 1, h - 1)})
    EXPECT_FALSE(region.contains(corner)) << corner.x() << "," << corner.y();
  for (QPoint inside : {QPoint(1, 0), QPoint(w - 2, 0), QPoint(0, 1), QPoint(w - 1, h - 2)})
    EXPECT_TRUE(region.contains(inside)) << inside.x() << "," << inside.y();
  // A form that claims its own region keeps it.
  WindowProcHandle own = InstallWindowProc(
      form.get(),
      [](Message& m, const CallPrevious& previous) {
        if (m.Msg == kRegionQueryMsg) m.Result = LRESULT(kRegionQueryParam);
        else previous(m);
      },
      WindowProcLevel::Window);
  SetWindowRgn(form.get(), QRegion(0, 0, 10, 10), false);
  provider->UpdateFormRegion(true);
  GetWindowRgn(form.get(), region);
  EXPECT_EQ(region.boundingRect(), QRect(0, 0, 10, 10));
  RemoveWindowProc(own);
}

TEST_F(ProviderTest, LiveHitTestAnswersTheButtonsWhereTheyArePainted) {
  Activate();
  TsSkinProvider* provider = Provide();
  form->setWhatsThis(QString());
  form->show();
  provider->PaintAll();
  const auto& b = provider->Buttons();
  const struct {
    size_t record;
    int code;
  } cases[] = {{2, HTCLOSE}, {1, HTMAXBUTTON}, {0, HTMINBUTTON}};
  for (const auto& c : cases) {
    ASSERT_GT(b[c.record].Rect.Width(), 0);
    EXPECT_EQ(b[c.record].Rect.Width(), testskins::kFormLargeButton);
    EXPECT_EQ(provider->NonClientHitTest(ScreenPoint(Centre(b[c.record].Rect))), c.code);
    EXPECT_EQ(provider->HotButton(), c.code);
    EXPECT_EQ(b[c.record].State, 1);
  }
  EXPECT_EQ(provider->NonClientHitTest(ScreenPoint({200, 150})), HTCLIENT);
  EXPECT_EQ(b[0].State, 0) << "the last hot button is normal again";
}

TEST_F(ProviderTest, SkinManagerPutOnTheFormServesAProviderWithoutOne) {
  TsSkinProvider* provider = Provide();
  ASSERT_EQ(FirstSkinManager, nullptr);
  ASSERT_EQ(provider->SkinData()->SkinManager(), nullptr);
  auto* first = new TsSkinManager(form.get());
  QCoreApplication::processEvents();
  EXPECT_EQ(provider->SkinData()->SkinManager(), first);
  // A provider with a manager of its own keeps it; a manager put on the
  // form later does not take its place.
  TsSkinManager own;
  provider->SkinData()->SetSkinManager(&own);
  auto* later = new TsSkinManager(form.get());
  QCoreApplication::processEvents();
  EXPECT_EQ(provider->SkinData()->SkinManager(), &own);
  delete later;
  delete first;
  EXPECT_EQ(provider->SkinData()->OwnManager(), &own);
  EXPECT_FALSE(DwmCompositionEnabled());
  EXPECT_EQ(SetDwmTransitions(form.get(), true), E_NOTIMPL);
  provider->SkinData()->SetSkinManager(nullptr);
}

// The title's caption buttons as painted, for a skin changed by `change`.
class ProviderSkinTest : public ProviderTest {};

TEST_F(ProviderSkinTest, WithoutCloseImagesTheNextButtonTakesItsPlaceAndAllAre21High) {
  testskins::TestSkin skin = testskins::FormSkin();
  testskins::RemoveKey(skin, "GLOBALINFO", "BICONCLOSE");
  testskins::RemoveKey(skin, "GLOBALINFO", "SICONCLOSE");
  Activate(skin);
  TsSkinProvider* provider = Provide();
  form->show();
  const TacTitleLayout l = provider->Layout();
  EXPECT_FALSE(l.System[2].Shown);
  ASSERT_TRUE(l.System[1].Shown);
  const TacTitleMetrics m = provider->ReadTitleMetrics();
  EXPECT_EQ(l.System[1].Rect.Right, form->width() - m.BIRight - m.BorderWidth);
  for (int i : {0, 1}) EXPECT_EQ(l.System[size_t(i)].Rect.Height(), kMissingButtonSize);
  provider->PaintAll();  // paints without the close image
  EXPECT_EQ(provider->NonClientHitTest(ScreenPoint(Centre(l.System[1].Rect))), HTMAXBUTTON);
}

// Images of no states count as missing: 21 pixels, no close button, no grip.
TEST_F(ProviderSkinTest, ImagesWithoutStatesCountAsMissing) {
  testskins::TestSkin skin = testskins::FormSkin();
  auto& keys = skin.Section("GLOBALINFO").Keys;
  for (auto& key : keys)
    if (key.Key == "BICONCLOSE" || key.Key == "BICONMAX" || key.Key == "GRIPIMAGE") {
      // "@LLLL TTTT RRRR BBBB I M": the image count made 0.
      key.Value[key.Value.size() - 3] = u'0';
    }
  Activate(skin);
  TsSkinProvider* provider = Provide();
  provider->SetGripMode(TsGripMode::gmRightBottom);
  form->show();
  ASSERT_EQ(manager->MaskData[size_t(provider->Buttons()[2].ImageIndex)].ImageCount, 0);
  const TacTitleLayout l = provider->Layout();
  EXPECT_FALSE(l.System[2].Shown);
  EXPECT_EQ(l.System[1].Rect.Width(), kMissingButtonSize);
  EXPECT_EQ(l.System[1].Rect.Height(), kMissingButtonSize);
  EXPECT_EQ(l.System[0].Rect.Width(), testskins::kFormLargeButton);
  provider->PaintAll();
  const QRect client = form->contentsRect();
  EXPECT_EQ(provider->NonClientHitTest(ScreenPoint({client.right() - 1, client.bottom() - 1})), HTCLIENT);
}

TEST_F(ProviderSkinTest, GripAnswersItsCorner) {
  Activate();
  TsSkinProvider* provider = Provide();
  provider->SetGripMode(TsGripMode::gmRightBottom);
  form->show();
  const QRect client = form->contentsRect();
  EXPECT_EQ(provider->NonClientHitTest(ScreenPoint({client.right() - 1, client.bottom() - 1})), HTBOTTOMRIGHT);
  EXPECT_EQ(provider->NonClientHitTest(ScreenPoint({client.right() - testskins::kFormGrip - 1, client.bottom() - 1})),
            HTCLIENT);
  // The grip's dots over the form's colour in the client's corner.
  provider->PaintAll();
  provider->PaintGrip();
  const Bitmap& bmp = *provider->SkinData()->CacheBitmap;
  int dots = 0, plain = 0;
  for (int y = client.bottom() - testskins::kFormGrip + 1; y <= client.bottom(); ++y)
    for (int x = client.right() - testskins::kFormGrip + 1; x <= client.right(); ++x) {
      dots += bmp.GetPixel(x, y) == TColor(RGB(80, 90, 110));
      plain += bmp.GetPixel(x, y) == TColor(testskins::kFormColor);
    }
  EXPECT_GT(dots, 9);
  EXPECT_GT(plain, 9);
  // Without the grip mode the corner is client area.
  provider->SetGripMode(TsGripMode::gmNone);
  EXPECT_EQ(provider->NonClientHitTest(ScreenPoint({client.right() - 1, client.bottom() - 1})), HTCLIENT);
}

TEST_F(ProviderSkinTest, SmallFormFallingBackToLargeImagesHasNoGaps) {
  testskins::TestSkin skin = testskins::FormSkin();
  testskins::RemoveKey(skin, "GLOBALINFO", "SICONCLOSE");
  Activate(skin);
  form->setProperty("BorderStyle", "bsDialog");
  form->setProperty("BorderIcons", QStringList{"biSystemMenu", "biHelp"});
  TsSkinProvider* provider = Provide();
  form->show();
  EXPECT_TRUE(provider->Buttons()[2].Large);
  const TacTitleLayout l = provider->Layout();
  ASSERT_TRUE(l.System[2].Shown);
  ASSERT_TRUE(l.System[3].Shown);
  EXPECT_EQ(l.System[2].Rect.Width(), testskins::kFormLargeButton);
  EXPECT_EQ(l.System[3].Rect.Right, l.System[2].Rect.Left) << "no BISPACE gap";
}

TEST_F(ProviderSkinTest, SmallFormUsesTheSmallImages) {
  Activate();
  form->setProperty("BorderStyle", "bsToolWindow");
  TsSkinProvider* provider = Provide();
  form->show();
  EXPECT_FALSE(provider->Buttons()[2].Large);
  const TacTitleLayout l = provider->Layout();
  EXPECT_EQ(l.System[2].Rect.Width(), testskins::kFormSmallButton);
  EXPECT_FALSE(l.System[1].Shown);
  EXPECT_FALSE(provider->IconVisible());
}

// Without small images an MDI main form's buttons for its maximized child
// take the large ones, and start normal.
TEST_F(ProviderSkinTest, WithoutSmallImagesTheMdiChildsButtonsAreLargeAndNormal) {
  testskins::TestSkin skin = testskins::FormSkin();
  testskins::RemoveKey(skin, "GLOBALINFO", "SICONMIN");
  Activate(skin);
  form->setProperty("FormStyle", QStringLiteral("fsMDIForm"));
  TsSkinProvider* provider = Provide();
  form->show();
  for (size_t i : {4u, 5u, 6u}) {
    EXPECT_TRUE(provider->Buttons()[i].Large) << provider->Buttons()[i].HitCode;
    EXPECT_EQ(provider->Buttons()[i].State, 0) << provider->Buttons()[i].HitCode;
  }
}

// The pixels of the title band between the icon and the buttons.
std::vector<TColor> BandRow(const Bitmap& bmp, int y, int from, int to) {
  std::vector<TColor> row;
  for (int x = from; x < to; ++x) row.push_back(bmp.GetPixel(x, y));
  return row;
}

TEST_F(ProviderTest, PaintAllFillsTheCacheActiveAndInactive) {
  Activate();
  TsSkinProvider* provider = Provide();
  form->show();
  provider->PaintAll();
  const Bitmap& bmp = *provider->SkinData()->CacheBitmap;
  EXPECT_EQ(bmp.PixelFormat(), pf24bit);
  EXPECT_EQ(QSize(bmp.Width(), bmp.Height()), form->size());
  const TacTitleLayout l = provider->Layout();
  // Active: the title's hot colour between caption and buttons.
  const int x = l.StripRect.Left - 5;  // past the caption text, before the strip
  EXPECT_EQ(bmp.GetPixel(x, 21), TColor(testskins::kFormTitleHotColor));
  // The close button's normal image: its red plate.
  const QColor close = QColor::fromRgb(bmp.GetArgb(l.System[2].Rect.Left + 3, l.System[2].Rect.Top + 3));
  EXPECT_GT(close.red(), 150);
  EXPECT_LT(close.green(), 100);
  for (const TacCaptionButton& b : provider->Buttons()) EXPECT_EQ(b.State, 0) << b.HitCode;
  provider->SetFormActive(false);
  provider->PaintAll();
  EXPECT_EQ(bmp.GetPixel(x, 21), TColor(testskins::kFormTitleColor));
}

TEST_F(ProviderTest, TitleButtonsAndIconTakeTheirOwnSizes) {
  Activate();
  TsSkinProvider* provider = Provide();
  provider->TitleButtons().resize(2);
  provider->TitleButtons()[0].Glyph = Bitmap(30, 10, pf24bit);
  provider->TitleButtons()[1].UseSkinData = false;
  provider->TitleIcon().Width = 20;
  provider->TitleIcon().Height = 12;
  form->show();
  provider->Loaded();
  EXPECT_EQ(provider->TitleButtonWidth(provider->TitleButtons()[0]), 32);  // glyph + 2 beats the frame
  EXPECT_EQ(provider->TitleButtonWidth(provider->TitleButtons()[1]), testskins::kFormLargeButton);
  EXPECT_GE(provider->TitleButtons()[0].ImageIndex, 0);
  EXPECT_EQ(provider->TitleButtons()[1].ImageIndex, -1);
  const TacTitleLayout l = provider->Layout();
  EXPECT_EQ(l.IconRect.Width(), 20);
  EXPECT_EQ(l.IconRect.Height(), 12);
  EXPECT_EQ(l.User[0].Rect.Width(), 32);
  // The button without skin data shows no frame: the title band stays.
  provider->PaintAll();
  const TRect r = l.User[1].Rect;
  EXPECT_EQ(provider->SkinData()->CacheBitmap->GetPixel(r.Left + 3, r.Top + 3), TColor(testskins::kFormTitleHotColor));
}

TEST_F(ProviderTest, CaptionTextIsClippedWithAnEllipsisAndSkippedInAnEmptyRectangle) {
  testskins::TestSkin skin = testskins::FormSkin();
  std::erase_if(skin.Sections, [](const testskins::SkinSection& s) { return s.Name == "CAPTION"; });
  Activate(skin);
  TsSkinProvider* provider = Provide();
  form->show();
  const TacTitleLayout l = provider->Layout();
  const auto paint = [&](const QString& caption) {
    form->setWindowTitle(caption);
    provider->PaintAll();
    const Bitmap& b = *provider->SkinData()->CacheBitmap;
    std::vector<TColor> all;
    for (int y = 0; y < 23; ++y) {
      auto row = BandRow(b, y, 0, b.Width());
      all.insert(all.end(), row.begin(), row.end());
    }
    return all;
  };
  const auto empty = paint(QString());
  const auto longText = paint(QString(200, u'W'));
  ASSERT_NE(empty, longText);
  // Nothing right of the caption rectangle changed; its last pixels did
  // (the ellipsis reaches the end).
  const int w = form->width();
  bool changedNearEnd = false;
  for (int y = 0; y < 23; ++y)
    for (int x = 0; x < w; ++x) {
      const size_t i = size_t(y * w + x);
      if (x >= l.CaptionRect.Right) {
        EXPECT_EQ(empty[i], longText[i]) << x << "," << y;
      }
      if (x >= l.CaptionRect.Right - 16 && x < l.CaptionRect.Right && empty[i] != longText[i]) changedNearEnd = true;
    }
  EXPECT_TRUE(changedNearEnd);
  // So narrow that the buttons reach the icon: no text at all.
  form->resize(90, 200);
  const TacTitleLayout narrow = provider->Layout();
  ASSERT_LE(narrow.CaptionRect.Right, narrow.CaptionRect.Left);
  EXPECT_EQ(paint(QString()), paint(QStringLiteral("Some caption")));
}

TEST_F(ProviderTest, CaptionStandsOnTheCaptionPlateAndTheAddedTitleFollows) {
  Activate();
  TsSkinProvider* provider = Provide();
  form->setWindowTitle(QStringLiteral("Plate"));
  form->show();
  provider->PaintAll();
  const Bitmap& bmp = *provider->SkinData()->CacheBitmap;
  const TacTitleLayout l = provider->Layout();
  const int mid = (l.CaptionRect.Top + l.CaptionRect.Bottom) / 2;
  // Active: the plate's hot colour reaches 4 pixels left of the text.
  EXPECT_EQ(bmp.GetPixel(l.CaptionRect.Left - 2, mid), TColor(0xFFE0C0));
  EXPECT_EQ(bmp.GetPixel(l.CaptionRect.Left - 6, mid), TColor(testskins::kFormTitleHotColor));
  // The added title in the title's hot font colour (white) after the plate.
  const auto whiteAfterPlate = [&] {
    int plateEnd = l.CaptionRect.Left;
    while (plateEnd < l.CaptionRect.Right && bmp.GetPixel(plateEnd, l.CaptionRect.Top + 1) != TColor(testskins::kFormTitleHotColor))
      ++plateEnd;
    for (int x = plateEnd; x < l.CaptionRect.Right; ++x)
      for (int y = l.CaptionRect.Top; y < l.CaptionRect.Bottom; ++y)
        if (bmp.GetPixel(x, y) == TColor(0xFFFFFF)) return true;
    return false;
  };
  EXPECT_FALSE(whiteAfterPlate());
  provider->AddedTitle().Text = QStringLiteral("added");
  provider->PaintAll();
  EXPECT_TRUE(whiteAfterPlate());
  // Inactive: the plate's normal colour.
  provider->SetFormActive(false);
  provider->PaintAll();
  EXPECT_EQ(bmp.GetPixel(l.CaptionRect.Left - 2, mid), TColor(0xD0E0F0));
}

TEST_F(ProviderTest, HotTitleButtonShowsItsHintInTheWorkArea) {
  Activate();
  TsSkinProvider* provider = Provide();
  provider->TitleButtons().resize(2);
  provider->TitleButtons()[0].Hint = QStringLiteral("Pin the window");
  form->show();
  provider->PaintAll();
  provider->SetHotButton(kUserButtonHitBase + 1, false);  // no hint: none shown
  EXPECT_EQ(provider->HintWindow(), nullptr);
  QCursor::setPos(form->screen()->availableGeometry().bottomRight());
  provider->SetHotButton(kUserButtonHitBase, false);
  QWidget* hint = provider->HintWindow();
  ASSERT_NE(hint, nullptr);
  EXPECT_TRUE(hint->isVisible());
  EXPECT_FALSE(hint->isActiveWindow());
  EXPECT_LE(hint->width(), kHintMaxWidth);
  EXPECT_TRUE(form->screen()->availableGeometry().contains(hint->geometry())) << "kept inside the work area";
  EXPECT_EQ(hint->palette().color(QPalette::Window), ToQColor(ColorToRGB(clInfoBk)));
  provider->SetHotButton(HTCLOSE, false);
  EXPECT_FALSE(hint->isVisible());
}

// With the system's tooltip animation and fade on, a short hint fades in
// over 200 ms; a long one, or one without the effects, shows at once.
TEST_F(ProviderTest, HintFadesInWhereTooltipsAreAnimated) {
  Activate();
  TsSkinProvider* provider = Provide();
  provider->TitleButtons().resize(1);
  form->show();
  const Qt::UIEffect effects[] = {Qt::UI_General, Qt::UI_AnimateTooltip, Qt::UI_FadeTooltip};
  std::vector<bool> kept;
  for (Qt::UIEffect e : effects) kept.push_back(QApplication::isEffectEnabled(e));
  const struct {
    bool effects;
    int length;
  } rows[] = {{true, 20}, {true, kHintFadeMaxLength}, {false, 20}};
  for (const auto& r : rows) {
    for (Qt::UIEffect e : effects) QApplication::setEffectEnabled(e, r.effects);
    provider->TitleButtons()[0].Hint = QString(r.length, QLatin1Char('x'));
    provider->SetHotButton(kUserButtonHitBase, false);
    const bool fades = r.effects && r.length < kHintFadeMaxLength;
    EXPECT_EQ(provider->HintWindow()->windowOpacity() < 1.0, fades) << r.length << r.effects;
    if (fades) QTest::qWait(kHintFadeMs + 100);
    EXPECT_EQ(provider->HintWindow()->windowOpacity(), 1.0);
    provider->SetHotButton(HTCLOSE, false);
  }
  for (size_t i = 0; i < kept.size(); ++i) QApplication::setEffectEnabled(effects[i], kept[i]);
}

// A system menu whose maximize is shown but not allowed.
class NoMaximizeMenu : public TsCustomSysMenu {
 public:
  bool VisibleClose() const override { return true; }
  bool VisibleMax() const override { return true; }
  bool VisibleMin() const override { return true; }
  bool EnabledMax() const override { return false; }
  bool EnabledMin() const override { return true; }
  bool EnabledRestore() const override { return false; }
};

TEST_F(ProviderTest, DisabledMaximizeTurnsHotButAPressLeavesItNormal) {
  Activate();
  TsSkinProvider* provider = Provide();
  form->show();
  provider->SetSystemMenu(std::make_unique<NoMaximizeMenu>());
  provider->PaintAll();
  provider->SetHotButton(HTMAXBUTTON, true);
  EXPECT_EQ(provider->ButtonRecord(HTMAXBUTTON)->State, 1);
  provider->SetPressedButton(HTMAXBUTTON);
  EXPECT_NE(provider->ButtonRecord(HTMAXBUTTON)->State, 2);
  EXPECT_EQ(provider->HotButton(), 0);
  provider->SetPressedButton(HTCLOSE);
  EXPECT_EQ(provider->ButtonRecord(HTCLOSE)->State, 2);
  EXPECT_TRUE(TsSkinProvider::LastChangeWasPress());
}

// ------------------------------------------------------------ the system menu

std::vector<QString> Layout(const QMenu& menu) {
  std::vector<QString> items;
  for (QAction* a : menu.actions()) items.push_back(a->isSeparator() ? QStringLiteral("-") : a->objectName().isEmpty() ? a->text() : a->objectName());
  return items;
}

TEST_F(ProviderTest, SystemMenuFramesExtraItemsWithSeparators) {
  Activate();
  QMenu* system = GetSystemMenu(form.get(), false);
  ASSERT_NE(system, nullptr);
  QAction* extra = new QAction(QStringLiteral("About\tCtrl+I"), system);
  SetCommandId(extra, 0x100);
  system->insertAction(system->actions().front(), extra);
  // The window's close item: a caption, a tab and a shortcut.
  QAction* close = GetMenuItem(system, SC_CLOSE, false);
  ASSERT_NE(close, nullptr);
  close->setText(QStringLiteral("Close\tCtrl+W"));
  TsSkinProvider* provider = Provide();
  auto* menu = dynamic_cast<TsSystemMenu*>(provider->SystemMenu());
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(menu->objectName(), QStringLiteral("SysMenu"));
  EXPECT_EQ(Layout(*menu), (std::vector<QString>{"acIR", "acIM", "acIS", "acIN", "acIX", "-", "About", "-", "acIC"}));
  EXPECT_EQ(menu->ExtraCount(), 1);
  EXPECT_EQ(menu->ItemClose->text(), QStringLiteral("Close"));
  EXPECT_EQ(menu->ItemClose->shortcut(), QKeySequence(QStringLiteral("Ctrl+W")));
  EXPECT_EQ(menu->ItemClose->property("Tag").toUInt(), SC_CLOSE);
  // Without extra items one separator stands before the close item.
  extra->setParent(nullptr);
  system->removeAction(extra);
  delete extra;
  menu->UpdateItems(true);
  EXPECT_EQ(Layout(*menu), (std::vector<QString>{"acIR", "acIM", "acIS", "acIN", "acIX", "-", "acIC"}));
}

TEST_F(ProviderTest, SystemMenuShowsAndItsItemsSendTheirCommands) {
  Activate();
  TsSkinProvider* provider = Provide();
  form->show();
  auto* menu = dynamic_cast<TsSystemMenu*>(provider->SystemMenu());
  ASSERT_NE(menu, nullptr);
  std::vector<WPARAM> commands;
  WindowProcHandle watch = InstallWindowProc(
      form.get(),
      [&](Message& m, const CallPrevious& previous) {
        if (m.Msg == WM_SYSCOMMAND) commands.push_back(m.WParam);
        if (m.Msg == WM_SYSCOMMAND && m.WParam == SC_CLOSE) return;  // the form stays for the test
        previous(m);
      },
      WindowProcLevel::Window);
  const QPoint at = form->mapToGlobal(QPoint(10, 10));
  menu->ShowAt(at.x(), at.y());
  EXPECT_TRUE(menu->isVisible());
  EXPECT_FALSE(menu->ItemRestore->isEnabled());  // a normal form restores nothing
  menu->ItemClose->trigger();
  menu->ItemMinimize->trigger();
  EXPECT_EQ(commands, (std::vector<WPARAM>{SC_CLOSE, SC_MINIMIZE}));
  menu->hide();
  RemoveWindowProc(watch);
}

TEST_F(ProviderTest, SingleFormWithoutMaximizeHidesItsMaximizeItemAndButton) {
  Activate();
  form->setProperty("BorderStyle", "bsSingle");
  form->setProperty("BorderIcons", QStringList{"biSystemMenu", "biMinimize"});
  TsSkinProvider* provider = Provide();
  auto* menu = dynamic_cast<TsSystemMenu*>(provider->SystemMenu());
  ASSERT_NE(menu, nullptr);
  menu->UpdateItems(false);
  EXPECT_FALSE(menu->ItemMaximize->isVisible());
  EXPECT_TRUE(menu->ItemMinimize->isVisible());
  EXPECT_FALSE(provider->Layout().System[1].Shown);
}

TEST_F(ProviderTest, RestoreAndSizeItemsFollowTheBorderStyle) {
  const struct {
    const char* style;
    bool restore, size;
  } rows[] = {{"bsSizeable", true, true},   {"bsSingle", true, true},       {"bsDialog", false, false},
              {"bsToolWindow", false, false}, {"bsSizeToolWin", false, true}};
  Activate();
  for (const auto& row : rows) {
    SCOPED_TRACE(row.style);
    form = std::make_unique<QWidget>();
    form->setProperty("BorderStyle", row.style);
    form->setProperty("BorderIcons", QStringList{"biSystemMenu", "biMinimize", "biMaximize"});
    TsSkinProvider* provider = Provide();
    auto* menu = dynamic_cast<TsSystemMenu*>(provider->SystemMenu());
    ASSERT_NE(menu, nullptr);
    menu->UpdateItems(false);
    EXPECT_EQ(menu->ItemRestore->isVisible(), row.restore);
    EXPECT_EQ(menu->ItemSize->isVisible(), row.size);
    EXPECT_TRUE(menu->ItemClose->isVisible());
  }
}

// The skin list is made anew at each show of the system menu: its check
// follows the manager's skin, and one list (with its separator) stands on
// top.
TEST_F(ProviderTest, SkinListIsMadeAnewAtEachShow) {
  Activate();
  ASSERT_TRUE(testskins::WriteSkinFolder(testskins::FormSkin(), Root() + QStringLiteral("/Other")));
  TsSkinProvider* provider = Provide();
  provider->SetMakeSkinMenu(true);
  form->show();
  auto* menu = dynamic_cast<TsSystemMenu*>(provider->SystemMenu());
  for (const QString& skin : {QStringLiteral("Forms"), QStringLiteral("Other")}) {
    manager->SetSkinName(skin);
    provider->ShowSystemMenu(10, 10);
    menu->hide();
    const QList<QAction*> items = menu->actions();
    ASSERT_TRUE(items.size() > 2 && items.front()->menu()) << skin.toStdString();
    EXPECT_TRUE(items[1]->isSeparator() && !items[2]->isSeparator() && items[2]->objectName() != kSkinSelectItem);
    QString checked;
    for (QAction* a : items.front()->menu()->actions())
      if (a->isChecked()) checked = a->text();
    EXPECT_EQ(checked, skin);
  }
}

TEST_F(ProviderTest, SkinListStartsColumnsAtTwentyAndForty) {
  Activate();
  testskins::TestSkin tiny;
  tiny.Section("GLOBALINFO").Set("VERSION", "7.05");
  for (int i = 0; i < 44; ++i)
    ASSERT_TRUE(testskins::WriteSkinFolder(tiny, Root() + QStringLiteral("/Skin%1").arg(i, 2, 10, QLatin1Char('0'))));
  TsSkinProvider* provider = Provide();
  auto* menu = dynamic_cast<TsSystemMenu*>(provider->SystemMenu());
  ASSERT_NE(menu, nullptr);
  menu->MakeSkinMenu();
  QAction* top = menu->actions().front();
  EXPECT_EQ(top->objectName(), QString::fromLatin1(kSkinSelectItem));
  EXPECT_EQ(top->text(), QString::fromLatin1(kAvailableSkinsCaption));
  ASSERT_NE(top->menu(), nullptr);
  const QList<QAction*> skins = top->menu()->actions();
  ASSERT_EQ(skins.size(), 45);
  std::vector<int> breaks;
  for (int i = 0; i < skins.size(); ++i)
    if (skins[i]->property("Break").toBool()) breaks.push_back(i);
  EXPECT_EQ(breaks, (std::vector<int>{20, 40}));
  int checked = 0;
  for (QAction* a : skins) checked += a->isChecked();
  EXPECT_EQ(checked, 1);
  EXPECT_EQ(skins[0]->text(), QStringLiteral("Forms"));
  EXPECT_TRUE(skins[0]->isChecked());
}

TEST_F(ProviderTest, SkinThatFailsToLoadFromTheMenuIsReported) {
  Activate();
  QString error;
  ASSERT_TRUE(testskins::WriteSkinFolder(testskins::DamagedSkin(testskins::SkinDamage::BadNumber),
                                         Root() + "/Broken", &error));
  TsSkinProvider* provider = Provide();
  auto* menu = dynamic_cast<TsSystemMenu*>(provider->SystemMenu());
  ASSERT_NE(menu, nullptr);
  EXPECT_NO_THROW(menu->SelectSkin(QStringLiteral("&Broken (internal)")));
  EXPECT_FALSE(prompts.Calls.empty());
}

// ------------------------------------------------------------ the fade

class FadeTest : public ProviderTest {
 protected:
  void SetUp() override {
    ProviderTest::SetUp();
    StartUnit("AlphaPainting");  // the manager asks it whether glowing can be
    SetLayeredWindowsAvailableForTesting(true);
  }
  void TearDown() override {
    SetLayeredWindowsAvailableForTesting(std::nullopt);
    form.reset();
    FinishUnit("AlphaPainting");
    ProviderTest::TearDown();
  }
  TsSkinProvider* Shown() {
    Activate();
    TsSkinProvider* provider = Provide();
    form->show();
    provider->PaintAll();
    return provider;
  }
  static void Collect() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
};

TEST_F(FadeTest, HotFadeShowsTwentyFiveMoreEachTickAndEndsOpaque) {
  TsSkinProvider* provider = Shown();
  StartTitleButtonFade(provider, HTCLOSE, 1, kFadeSteps, true);
  TacSBAnimation* fade = FindTitleButtonFade(provider, HTCLOSE);
  ASSERT_NE(fade, nullptr);
  ASSERT_NE(fade->AnimWindow(), nullptr);
  EXPECT_EQ(GetTag(fade->AnimWindow()), kLibraryWindowTag);
  EXPECT_TRUE(fade->Timer().isActive());
  EXPECT_EQ(fade->Timer().interval(), kFadeInterval);
  // Hot, the close button shows its glow ("BICONCLOSEGLOW0", 6 larger),
  // moved out by the skin's glow margin.
  ASSERT_NE(fade->Image(), nullptr);
  EXPECT_EQ(fade->Image()->Width(), testskins::kFormLargeButton + 6);
  const QPoint button = form->mapToGlobal(QPoint(provider->Buttons()[2].Rect.Left, provider->Buttons()[2].Rect.Top));
  EXPECT_EQ(fade->AnimWindow()->geometry().left(), button.x() - 3);
  std::vector<int> alphas{fade->AnimWindow()->ConstantAlpha()};
  fade->Timer().stop();  // the test ticks
  for (int i = 0; i < 9; ++i) {
    fade->OnTimer();
    alphas.push_back(fade->AnimWindow()->ConstantAlpha());
  }
  EXPECT_EQ(alphas, (std::vector<int>{25, 50, 75, 100, 125, 150, 175, 200, 225, 255}));
  EXPECT_EQ(fade->Steps, -1);
  EXPECT_FALSE(fade->Timer().isActive());
  // The same button fades out again: down from where it stands, then gone.
  QPointer<TacSBAnimation> guard = fade;
  StartTitleButtonFade(provider, HTCLOSE, 0, kFadeSteps, false);
  for (int i = 0; i < 20 && guard; ++i) {
    fade->Timer().stop();
    fade->OnTimer();
    Collect();
  }
  EXPECT_TRUE(guard.isNull());
}

TEST_F(FadeTest, PressShowsAtOnceWithoutATimer) {
  TsSkinProvider* provider = Shown();
  StartTitleButtonFade(provider, HTMINBUTTON, 2, 1, true);
  TacSBAnimation* fade = FindTitleButtonFade(provider, HTMINBUTTON);
  ASSERT_NE(fade, nullptr);
  EXPECT_EQ(fade->AnimWindow()->ConstantAlpha(), 255);
  EXPECT_FALSE(fade->Timer().isActive());
  // The pressed image: the minimize strip's third state under the window.
  const Bitmap& image = *fade->Image();
  EXPECT_EQ(image.Width(), testskins::kFormLargeButton);
  EXPECT_EQ(qAlpha(image.GetArgb(3, 3)), 255);
}

TEST_F(FadeTest, HoverAndPressGoThroughTheFadeWhereGlowingIsAllowed) {
  TsSkinProvider* provider = Shown();
  provider->SetHotButton(HTCLOSE, true);
  ASSERT_NE(FindTitleButtonFade(provider, HTCLOSE), nullptr);
  EXPECT_EQ(FindTitleButtonFade(provider, HTCLOSE)->State, 1);
  provider->SetPressedButton(HTCLOSE);
  EXPECT_EQ(FindTitleButtonFade(provider, HTCLOSE)->State, 2);
  EXPECT_EQ(FindTitleButtonFade(provider, HTCLOSE)->AnimWindow()->ConstantAlpha(), 255);
  // Another button turns hot: the close button fades out.
  provider->SetHotButton(HTMINBUTTON, true);
  TacSBAnimation* close = FindTitleButtonFade(provider, HTCLOSE);
  ASSERT_NE(close, nullptr);
  EXPECT_EQ(close->State, 0);
  EXPECT_FALSE(close->FadeIn);
  EXPECT_EQ(FindTitleButtonFade(provider, HTMINBUTTON)->State, 1);
}

TEST_F(FadeTest, FadeStopsAndFreesItselfWhenItsButtonOrFormGoes) {
  TsSkinProvider* provider = Shown();
  provider->TitleButtons().resize(1);
  provider->PaintAll();
  StartTitleButtonFade(provider, kUserButtonHitBase, 1, kFadeSteps, true);
  QPointer<TacSBAnimation> fade = FindTitleButtonFade(provider, kUserButtonHitBase);
  ASSERT_FALSE(fade.isNull());
  provider->TitleButtons().clear();  // the record goes
  fade->OnTimer();
  EXPECT_FALSE(fade->Timer().isActive());
  EXPECT_EQ(fade->AnimWindow(), nullptr);
  Collect();
  EXPECT_TRUE(fade.isNull());
  // A fade whose form goes goes with it, its window too.
  StartTitleButtonFade(provider, HTCLOSE, 1, kFadeSteps, true);
  fade = FindTitleButtonFade(provider, HTCLOSE);
  QPointer<LayeredWindow> window = fade->AnimWindow();
  ASSERT_FALSE(window.isNull());
  form.reset();
  EXPECT_TRUE(fade.isNull());
  EXPECT_TRUE(window.isNull());
}

}  // namespace

// ------------------------------------------------------------ the window procedure

namespace {

// The form's own handling, below the provider: what reaches it.
struct FormMessages {
  explicit FormMessages(QWidget* w)
      : handle(InstallWindowProc(
            w,
            [this](Message& m, const CallPrevious& previous) {
              seen.push_back(m.Msg);
              if (m.Msg == WM_SYSCOMMAND) commands.push_back(unsigned(m.WParam) & 0xFFF0);
              if (m.Msg == SkinCommandMsg) skinCommands.push_back(HIWORD(std::uintptr_t(m.WParam)));
              if (m.Msg == WM_WINDOWPOSCHANGING) ++posChanging;
              if (swallowSysCommands && m.Msg == WM_SYSCOMMAND) return;
              previous(m);
            },
            WindowProcLevel::Control)) {}
  ~FormMessages() { RemoveWindowProc(handle); }
  int Count(unsigned msg) const { return int(std::count(seen.begin(), seen.end(), msg)); }
  void Clear() {
    seen.clear();
    commands.clear();
    skinCommands.clear();
    posChanging = 0;
  }
  WindowProcHandle handle;
  std::vector<unsigned> seen, commands, skinCommands;
  int posChanging = 0;
  bool swallowSysCommands = false;
};

void Pump(int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

LPARAM ScreenParam(const QWidget* w, TPoint local) {
  const QPoint p = w->mapToGlobal(QPoint(local.X, local.Y));
  return MAKELPARAM(p.x(), p.y());
}

}  // namespace

TEST_F(ProviderTest, UnskinnedFormAnswersSevenAndAnotherManagersRemoveReachesOnlyTheChildren) {
  Provide();
  EXPECT_EQ(SendMessage(form.get(), SkinCommandMsg, MAKEWPARAM(0, acIsSkinned), 0), 1) << "no manager at all";
  Activate();
  QWidget* child = new QWidget(form.get());
  std::vector<unsigned> childCommands;
  WindowProcHandle childHandle = InstallWindowProc(
      child,
      [&](Message& m, const CallPrevious& previous) {
        if (m.Msg == SkinCommandMsg) {
          childCommands.push_back(HIWORD(std::uintptr_t(m.WParam)));
          if (HIWORD(std::uintptr_t(m.WParam)) == acIsSkinned) {
            m.Result = 1;  // a skinned child
            return;
          }
        }
        previous(m);
      },
      WindowProcLevel::Control);
  FormMessages own(form.get());
  const bool sysMenu = GetWindowLong(form.get(), GWL_STYLE) & WS_SYSMENU;
  TsSkinProvider* provider = Provide();
  form->show();
  ASSERT_TRUE(HasNonClientFrame(form.get()));
  childCommands.clear();
  QObject stranger;
  SendMessage(form.get(), SkinCommandMsg, MAKEWPARAM(0, acRemoveSkin), LPARAM(PtrParam(&stranger)));
  EXPECT_EQ(std::count(childCommands.begin(), childCommands.end(), unsigned(acRemoveSkin)), 1);
  EXPECT_TRUE(own.skinCommands.empty()) << "the form's own handling never sees it";
  EXPECT_TRUE(HasNonClientFrame(form.get())) << "the skin stays";
  EXPECT_TRUE(provider->Skinned());
  // Its own manager's remove takes the frame off, the style as it was.
  SendMessage(form.get(), SkinCommandMsg, MAKEWPARAM(0, acRemoveSkin), LPARAM(PtrParam(manager.get())));
  EXPECT_FALSE(HasNonClientFrame(form.get()));
  EXPECT_EQ(bool(GetWindowLong(form.get(), GWL_STYLE) & WS_SYSMENU), sysMenu);
  EXPECT_EQ(std::count(childCommands.begin(), childCommands.end(), unsigned(acRemoveSkin)), 2);
  RemoveWindowProc(childHandle);
}

TEST_F(ProviderTest, MessagesAnsweredWithoutTheForm) {
  Activate();
  FormMessages own(form.get());
  Provide();
  form->show();
  own.Clear();
  const struct {
    unsigned msg;
  } cases[] = {{WM_PRINTCLIENT}, {WM_ENTERIDLE}, {0x93}, {0xB034}};
  for (const auto& c : cases) {
    EXPECT_EQ(SendMessage(form.get(), c.msg, 0, 0), 0) << c.msg;
    EXPECT_EQ(own.Count(c.msg), 0) << c.msg;
  }
  // Skinned commands the provider does not know go nowhere either.
  SendMessage(form.get(), SkinCommandMsg, MAKEWPARAM(0, 50), 0);
  EXPECT_TRUE(own.skinCommands.empty());
  EXPECT_EQ(SendMessage(form.get(), SkinCommandMsg, MAKEWPARAM(0, acIsSkinned), 0), 1);
  EXPECT_EQ(SendMessage(form.get(), SkinCommandMsg, MAKEWPARAM(0, 61), 0),
            LRESULT(MAKELONG(form->contentsRect().left(), form->contentsRect().top())));
}

TEST_F(ProviderTest, BandOnTheScreenIsTheCachesAndTheClientIsLeftAlone) {
  Activate();
  TsSkinProvider* provider = Provide();
  form->show();
  const QImage shot = form->grab().toImage();
  ASSERT_TRUE(provider->SkinData()->CacheBitmap);
  const Bitmap& cache = *provider->SkinData()->CacheBitmap;
  const QRect client = form->contentsRect();
  const QPoint band[] = {{client.left() + 30, client.top() / 2}, {1, client.top() + 40},
                         {form->width() - 2, client.top() + 40}, {40, form->height() - 2}};
  for (const QPoint& p : band)
    EXPECT_EQ(shot.pixel(p) & 0xFFFFFFu, ToQColor(cache.GetPixel(p.x(), p.y())).rgb() & 0xFFFFFFu)
        << p.x() << "," << p.y();
  EXPECT_EQ(provider->TopBandHeight(), client.top());
}

TEST_F(ProviderTest, MinimizeReleasedOutsideItsButtonOnlyRunsTheDefault) {
  Activate();
  FormMessages own(form.get());
  own.swallowSysCommands = true;
  TsSkinProvider* provider = Provide();
  form->show();
  provider->PaintAll();
  const TRect min = provider->Buttons()[0].Rect;
  ASSERT_GT(min.Width(), 0);
  const TPoint inside = Centre(min);
  const TPoint caption{60, min.Top + 2};
  const TPoint belowButton{inside.X, min.Bottom + 1};
  const struct {
    const char* name;
    WPARAM code;
    TPoint at;
    bool minimizes;
  } cases[] = {{"on the caption", HTCAPTION, caption, false},
               {"minimize code but outside its rectangle", HTMINBUTTON, belowButton, false},
               {"on the button", HTMINBUTTON, inside, true}};
  for (const auto& c : cases) {
    own.Clear();
    SendMessage(form.get(), WM_NCLBUTTONDOWN, HTMINBUTTON, ScreenParam(form.get(), inside));
    EXPECT_EQ(provider->Buttons()[0].State, 2) << c.name;
    EXPECT_EQ(own.Count(WM_NCLBUTTONDOWN), 0) << "a title button press is the provider's";
    SendMessage(form.get(), WM_NCLBUTTONUP, c.code, ScreenParam(form.get(), c.at));
    EXPECT_EQ(provider->Buttons()[0].State, 0) << c.name;
    EXPECT_EQ(own.Count(WM_NCLBUTTONUP), c.minimizes ? 0 : 1) << c.name;
    EXPECT_EQ(own.commands, c.minimizes ? std::vector<unsigned>{SC_MINIMIZE} : std::vector<unsigned>{}) << c.name;
  }
}

TEST_F(ProviderTest, PressThatBeganOnAnotherWindowRunsNoTitleButton) {
  Activate();
  QWidget other;
  other.resize(300, 200);
  FormMessages own(form.get());
  own.swallowSysCommands = true;
  TsSkinProvider* provider = Provide();
  TsSkinProvider* otherProvider = new TsSkinProvider(&other);
  form->show();
  other.show();
  provider->PaintAll();
  otherProvider->PaintAll();
  const TPoint otherClose = Centre(otherProvider->Buttons()[2].Rect);
  const TPoint close = Centre(provider->Buttons()[2].Rect);
  SendMessage(&other, WM_NCLBUTTONDOWN, HTCLOSE, ScreenParam(&other, otherClose));
  own.Clear();
  SendMessage(form.get(), WM_NCLBUTTONUP, HTCLOSE, ScreenParam(form.get(), close));
  EXPECT_TRUE(own.commands.empty()) << "no SC_CLOSE";
  EXPECT_EQ(own.Count(WM_NCLBUTTONUP), 1) << "the default runs";
  EXPECT_TRUE(form->isVisible());
  // The press and release on one form closes it.
  SendMessage(form.get(), WM_NCLBUTTONDOWN, HTCLOSE, ScreenParam(form.get(), close));
  SendMessage(form.get(), WM_NCLBUTTONUP, HTCLOSE, ScreenParam(form.get(), close));
  EXPECT_EQ(own.commands, std::vector<unsigned>{SC_CLOSE});
}

TEST_F(ProviderTest, OutlineShowsOnPressAndGoesOnReleaseMovingTheWindowOnce) {
  Activate();
  FormMessages own(form.get());
  TsSkinProvider* provider = Provide();
  provider->SetResizeMode(TsResizeMode::rmBorder);
  form->show();
  const QPoint start = form->pos();
  const TPoint press{80, 10};
  const QPoint screenPress = form->mapToGlobal(QPoint(press.X, press.Y));
  own.Clear();
  SendMessage(form.get(), WM_NCLBUTTONDOWN, HTCAPTION, ScreenParam(form.get(), press));
  ASSERT_NE(provider->MoveOutline(), nullptr);
  EXPECT_TRUE(provider->MoveOutline()->isVisible());
  EXPECT_EQ(GetCapture(), form.get());
  provider->DrawMoveOutline({screenPress.x() + 30, screenPress.y() + 20});
  EXPECT_EQ(provider->MoveOutline()->geometry(), form->geometry().translated(30, 20));
  EXPECT_EQ(form->pos(), start) << "nothing moves while dragging";
  SendMessage(form.get(), WM_NCLBUTTONUP, HTCAPTION, MAKELPARAM(screenPress.x() + 30, screenPress.y() + 20));
  EXPECT_EQ(provider->MoveOutline(), nullptr);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(form->pos(), start + QPoint(30, 20));
  EXPECT_EQ(own.posChanging, 1) << "moved once";
  EXPECT_FALSE(BorderDrag.InProgress);
}

TEST_F(ProviderTest, OutlineDragEndsOnGrabLossAndOnAReleaseWhileMaximized) {
  Activate();
  TsSkinProvider* provider = Provide();
  provider->SetResizeMode(TsResizeMode::rmBorder);
  form->show();
  const QRect start = form->geometry();
  const auto press = [&] {
    SendMessage(form.get(), WM_NCLBUTTONDOWN, HTRIGHT, ScreenParam(form.get(), {form->width() - 2, 100}));
    ASSERT_NE(provider->MoveOutline(), nullptr);
    provider->DrawMoveOutline({form->geometry().right() + 40, 100});
  };
  // The grab goes elsewhere.
  press();
  QWidget thief;
  SetCapture(&thief);
  EXPECT_EQ(provider->MoveOutline(), nullptr);
  EXPECT_FALSE(BorderDrag.InProgress);
  EXPECT_EQ(form->geometry(), start) << "a lost drag changes nothing";
  ReleaseCapture();
  // A release while maximized.
  press();
  form->showMaximized();
  SendMessage(form.get(), WM_LBUTTONUP, 0, 0);
  EXPECT_EQ(provider->MoveOutline(), nullptr);
  EXPECT_FALSE(BorderDrag.InProgress);
  EXPECT_NE(GetCapture(), form.get());
  form->showNormal();
  EXPECT_EQ(form->geometry(), start);
}

// "Size" from the system menu (no edge in the command) sizes from the
// bottom-right corner, with an edge from that edge; "Move" moves.
TEST_F(ProviderTest, SystemMenuSizeAndMoveDragTheOutline) {
  Activate();
  TsSkinProvider* provider = Provide();
  provider->SetResizeMode(TsResizeMode::rmBorder);
  form->show();
  const QRect start = form->geometry();
  const struct {
    const char* name;
    WPARAM command;
    QRect outline;  // after a drag by (30, 20)
  } rows[] = {
      {"size", SC_SIZE, start.adjusted(0, 0, 30, 20)},
      {"size from the left edge", SC_SIZE | WMSZ_LEFT, start.adjusted(30, 0, 0, 0)},
      {"size from the top edge", SC_SIZE | WMSZ_TOP, start.adjusted(0, 20, 0, 0)},
      {"move", SC_MOVE, start.translated(30, 20)},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    SendMessage(form.get(), WM_SYSCOMMAND, row.command, 0);
    ASSERT_NE(provider->MoveOutline(), nullptr);
    const QPoint p = QCursor::pos();
    provider->DrawMoveOutline({p.x() + 30, p.y() + 20});
    EXPECT_EQ(provider->MoveOutline()->geometry(), row.outline);
    provider->EndMoveOutline(false);
  }
  EXPECT_EQ(form->geometry(), start);
}

// A provider freed while its outline is dragged and its title button's
// hint shows takes both with it: the drag ends and the hint goes.
TEST_F(ProviderTest, FreedProviderLeavesNoOutlineNorHint) {
  Activate();
  QPointer<TsSkinProvider> provider = Provide();
  provider->SetResizeMode(TsResizeMode::rmBorder);
  provider->TitleButtons().resize(1);
  provider->TitleButtons()[0].Hint = QStringLiteral("Pin the window");
  form->show();
  provider->PaintAll();
  provider->SetHotButton(kUserButtonHitBase, false);
  const QPointer<QWidget> hint = provider->HintWindow();
  ASSERT_TRUE(hint && hint->isVisible());
  SendMessage(form.get(), WM_NCLBUTTONDOWN, HTRIGHT, ScreenParam(form.get(), {form->width() - 2, 100}));
  const QPointer<QWidget> outline = provider->MoveOutline();
  ASSERT_TRUE(outline && outline->isVisible());
  delete provider.data();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(!outline || !outline->isVisible()) << "the outline stays on the screen";
  EXPECT_FALSE(BorderDrag.InProgress);
  EXPECT_NE(GetCapture(), form.get());
  EXPECT_TRUE(!hint || !hint->isVisible()) << "the hint stays on the screen";
  EXPECT_TRUE(hint.isNull()) << "the hint outlives its provider";
}

TEST_F(ProviderTest, StandardSystemMenuNeverHidesTheWindow) {
  Activate();
  manager->SetSkinnedPopups(false);
  TsSkinProvider* provider = Provide();
  form->show();
  int hides = 0;
  struct HideCounter : QObject {
    int* n;
    explicit HideCounter(int* c) : n(c) {}
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::Hide) ++*n;
      return false;
    }
  } counter(&hides);
  form->installEventFilter(&counter);
  provider->ShowSystemMenu(form->x() + 20, form->y() + 30);
  EXPECT_TRUE(GetWindowLong(form.get(), GWL_STYLE) & WS_VISIBLE);
  EXPECT_TRUE(IsWindowVisible(form.get()));
  EXPECT_EQ(hides, 0);
  QWidget* popup = QApplication::activePopupWidget();
  ASSERT_NE(popup, nullptr);
  auto* menu = qobject_cast<QMenu*>(popup);
  ASSERT_NE(menu, nullptr);
  // The form is sizeable and normal: every item but restore is enabled,
  // size greyed as the menu opens (the skinned frame sizes the form).
  const struct {
    unsigned command;
    bool enabled;
  } items[] = {{SC_RESTORE, false}, {SC_MOVE, true}, {SC_SIZE, false}, {SC_MINIMIZE, true}, {SC_CLOSE, true}};
  for (const auto& i : items) {
    QAction* a = GetMenuItem(menu, i.command, false);
    ASSERT_NE(a, nullptr) << i.command;
    EXPECT_EQ(a->isEnabled(), i.enabled) << i.command;
  }
  popup->close();
  form->removeEventFilter(&counter);
}

TEST_F(ProviderTest, TitleIconClickWaitsWithoutPumpingAndADoubleClickClosesInstead) {
  Activate();
  manager->SetSkinnedPopups(false);
  TsSkinProvider* provider = Provide();
  form->show();
  const LPARAM icon = ScreenParam(form.get(), Centre(provider->IconRect()));
  SendMessage(form.get(), WM_NCLBUTTONDOWN, HTSYSMENU, icon);
  EXPECT_TRUE(provider->SystemMenuPending());
  EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << "nothing shows within the wait";
  Pump(300);
  QWidget* popup = QApplication::activePopupWidget();
  ASSERT_NE(popup, nullptr) << "the menu after the wait";
  popup->close();
  // A double click within the wait: the form closes and no menu follows.
  form->setAttribute(Qt::WA_DeleteOnClose);
  QPointer<QWidget> guard = form.get();
  SendMessage(form.get(), WM_NCLBUTTONDOWN, HTSYSMENU, icon);
  SendMessage(form.get(), WM_NCLBUTTONDBLCLK, HTSYSMENU, icon);
  Pump(300);
  EXPECT_TRUE(guard.isNull()) << "closed and deleted";
  (void)form.release();
  EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

TEST_F(ProviderTest, FormGoneWithinTheIconWaitCancelsTheMenu) {
  Activate();
  manager->SetSkinnedPopups(false);
  TsSkinProvider* provider = Provide();
  form->show();
  SendMessage(form.get(), WM_NCLBUTTONDOWN, HTSYSMENU, ScreenParam(form.get(), Centre(provider->IconRect())));
  form.reset();
  Pump(300);
  EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

TEST_F(ProviderTest, HelpButtonEntersWhatsThisMode) {
  Activate();
  form->setProperty("BorderIcons", QStringList{QStringLiteral("biSystemMenu"), QStringLiteral("biHelp")});
  TsSkinProvider* provider = Provide();
  form->show();
  provider->PaintAll();
  const TRect help = provider->Buttons()[3].Rect;
  ASSERT_GT(help.Width(), 0);
  const LPARAM at = ScreenParam(form.get(), Centre(help));
  EXPECT_EQ(provider->NonClientHitTest({GET_X_LPARAM(at), GET_Y_LPARAM(at)}), HTHELP);
  SendMessage(form.get(), WM_NCLBUTTONDOWN, HTHELP, at);
  SendMessage(form.get(), WM_NCLBUTTONUP, HTHELP, at);
  EXPECT_TRUE(QWhatsThis::inWhatsThisMode());
  QWhatsThis::leaveWhatsThisMode();
}

// ------------------------------------------------------------ the menu line

TEST(MenuLineLayoutTest, RowsWrapWithoutEmptyRows) {
  const struct {
    std::vector<int> widths;
    int room;
    int rows;
    int lastX, lastY;
  } cases[] = {
      {{}, 100, 0, 0, 0},
      {{40, 40}, 100, 1, 40, 0},
      {{40, 40, 40}, 100, 2, 0, 18},
      {{150, 40}, 100, 2, 0, 18},  // a wide first item takes its row alone, no empty row before it
      {{40, 150}, 100, 2, 0, 18},
  };
  for (const auto& c : cases) {
    std::vector<QRect> rects;
    EXPECT_EQ(LayoutMenuRows(c.widths, c.room, 18, &rects), c.rows);
    ASSERT_EQ(rects.size(), c.widths.size());
    if (!rects.empty()) {
      EXPECT_EQ(rects.back().topLeft(), QPoint(c.lastX, c.lastY));
      EXPECT_EQ(rects.back().size(), QSize(c.widths.back(), 18));
    }
  }
}

TEST_F(ProviderTest, MenuWrappingToTwoRowsPaintsTheMenuLineTwoItemsDeep) {
  Activate();
  auto* window = new QMainWindow;
  form.reset(window);
  form->resize(400, 300);
  auto* bar = new QMenuBar;
  for (int i = 0; i < 9; ++i) bar->addMenu(QStringLiteral("Menu number &%1").arg(i))->addAction(QStringLiteral("x"));
  window->setMenuBar(bar);
  TsSkinProvider* provider = Provide();
  form->show();
  const int h = provider->MenuItemHeight();
  EXPECT_EQ(h, GetSystemMetrics(SM_CYMENU) - 1);
  const int rows = provider->MenuRowCount();
  ASSERT_GE(rows, 2);
  const TRect line = GetMenuLineRect(form.get());
  EXPECT_EQ(line.Height(), rows * h);
  EXPECT_EQ(provider->TopBandHeight(), line.Bottom) << "the client starts under the last row";
  provider->PaintAll();
  const Bitmap& cache = *provider->SkinData()->CacheBitmap;
  for (int row = 0; row < rows; ++row)
    EXPECT_EQ(cache.GetPixel(line.Right - 2, line.Top + row * h + h / 2), TColor(testskins::kFormMenuLineHotColor))
        << "row " << row;
  EXPECT_NE(cache.GetPixel(line.Right - 2, line.Bottom + 2), TColor(testskins::kFormMenuLineHotColor));
  // The items are where the platform's menu loop and hit test find them.
  TRect first;
  ASSERT_TRUE(GetMenuItemRect(form.get(), bar, 0, &first));
  const QPoint corner = form->mapToGlobal(QPoint(0, 0));
  EXPECT_EQ(first.Left - corner.x(), line.Left);
  EXPECT_EQ(first.Top - corner.y(), line.Top);
  EXPECT_EQ(SendMessage(form.get(), WM_NCHITTEST, 0, MAKELPARAM(first.Left + 3, first.Top + 3)), HTMENU);
}

TEST_F(ProviderTest, MenuWithoutVisibleItemsPaintsNoLine) {
  Activate();
  QWidget plain;
  plain.resize(400, 300);
  TsSkinProvider* plainProvider = new TsSkinProvider(&plain);
  plain.show();
  auto* window = new QMainWindow;
  form.reset(window);
  form->resize(400, 300);
  auto* bar = new QMenuBar;
  bar->addMenu(QStringLiteral("&File"))->menuAction()->setVisible(false);
  window->setMenuBar(bar);
  TsSkinProvider* provider = Provide();
  form->show();
  EXPECT_FALSE(provider->MenuVisible());
  EXPECT_EQ(GetMenuLineRect(form.get()).Height(), 0);
  EXPECT_EQ(provider->TopBandHeight(), plainProvider->TopBandHeight()) << "the band ends at the caption";
  provider->PaintAll();
  const Bitmap& cache = *provider->SkinData()->CacheBitmap;
  const int y = provider->TopBandHeight() + 5;
  EXPECT_NE(cache.GetPixel(200, y), TColor(testskins::kFormMenuLineHotColor));
}

TEST_F(ProviderTest, MaximizedSizeIsTheWorkAreaForAFormThePlatformMaximizes) {
  Activate();
  TsSkinProvider* provider = Provide();
  form->show();
  MINMAXINFO info;
  SendMessage(form.get(), WM_GETMINMAXINFO, 0, LPARAM(PtrParam(&info)));
  const TRect work = provider->MonitorWorkArea();
  EXPECT_EQ(info.ptMaxPosition.X, work.Left);
  EXPECT_EQ(info.ptMaxPosition.Y, work.Top);
  EXPECT_EQ(info.ptMaxSize.X, work.Width());
  EXPECT_EQ(info.ptMaxSize.Y, work.Height());
}

TEST_F(ProviderTest, MdiMainFormWithAMaximizedChildShowsItsIconAndThreeButtons) {
  Activate();
  auto* window = new QMainWindow;
  form.reset(window);
  form->resize(500, 360);
  window->setProperty("FormStyle", QStringLiteral("fsMDIForm"));
  auto* bar = new QMenuBar;
  bar->addMenu(QStringLiteral("&File"))->addAction(QStringLiteral("x"));
  window->setMenuBar(bar);
  auto* area = new QMdiArea;
  window->setCentralWidget(area);
  auto* childForm = new QWidget;
  QMdiSubWindow* child = area->addSubWindow(childForm);
  TsSkinProvider* provider = Provide();
  form->show();
  child->show();
  // Not maximized: no icon, no buttons.
  EXPECT_FALSE(provider->MDIButtonsVisible());
  EXPECT_EQ(provider->MdiButtonRect(101).Width(), 0);
  child->showMaximized();
  ASSERT_TRUE(provider->MDIButtonsVisible());
  provider->PaintAll();
  const Bitmap& cache = *provider->SkinData()->CacheBitmap;
  const TRect line = GetMenuLineRect(form.get());
  const TColor lineColour = TColor(testskins::kFormMenuLineHotColor);
  // Three buttons side by side at the right end, inside the line.
  TRect previous;
  for (int code : {103, 102, 101}) {
    const TRect r = provider->MdiButtonRect(code);
    ASSERT_EQ(r.Width(), testskins::kFormSmallButton) << code;
    EXPECT_GE(r.Top, line.Top);
    EXPECT_LE(r.Bottom, line.Bottom);
    if (code != 103) {
      EXPECT_EQ(r.Left, previous.Right + 1) << code;
    }
    previous = r;
    int painted = 0;
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x) painted += cache.GetPixel(x, y) != lineColour;
    EXPECT_GT(painted, r.Width() * r.Height() / 2) << "button " << code << " painted";
    EXPECT_EQ(SendMessage(form.get(), WM_NCHITTEST, 0, ScreenParam(form.get(), Centre(r))), code);
  }
  EXPECT_EQ(previous.Right, form->width() - provider->SystemBorderWidth() - 1);
  const TRect icon = provider->MdiChildIconRect();
  ASSERT_GT(icon.Width(), 0);
  EXPECT_EQ(icon.Left, provider->SystemBorderWidth() + 1);
  int iconPixels = 0;
  for (int y = icon.Top; y < icon.Bottom; ++y)
    for (int x = icon.Left; x < icon.Right; ++x) iconPixels += cache.GetPixel(x, y) != lineColour;
  EXPECT_GT(iconPixels, 0) << "the child's icon";
  // The first item starts after the icon.
  TRect first;
  ASSERT_TRUE(GetMenuItemRect(form.get(), bar, 0, &first));
  EXPECT_GE(first.Left - form->mapToGlobal(QPoint(0, 0)).x(), icon.Right);
}
