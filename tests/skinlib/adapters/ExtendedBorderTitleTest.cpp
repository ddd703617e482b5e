// A form with extended borders: its frame takes the skin's border width
// (even a one-pixel one), the help button answers its hit code through
// the border window, and the title buttons' fades survive the real mouse.
#include "skinlib/adapters/sSkinProvider.h"

#include "platform/Bitmap.h"
#include "platform/Colors.h"
#include "platform/LayeredWindow.h"
#include "platform/Messages.h"
#include "platform/NonClient.h"
#include "platform/Startup.h"
#include "platform/UserPrompts.h"
#include "platform/WindowUtils.h"
#include "platform/WindowProc.h"
#include "skinlib/adapters/AdapterUtils.h"
#include "skinlib/adapters/FormAnimation.h"
#include "skinlib/adapters/ProviderLayout.h"
#include "skinlib/adapters/acBorderForm.h"
#include "skinlib/adapters/sSBAnimation.h"
#include "skinlib/manager/AdapterEntryPoints.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/support/ExtBorderSkin.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QStringList>
#include <QTest>
#include <QVBoxLayout>
#include <QWindow>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

using namespace platform;

namespace {

// A control that paints itself clear.
class ClearControl : public QWidget {
 public:
  using QWidget::QWidget;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(rect(), Qt::transparent);
  }
};

class ExtendedBorderTitleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RunUnitStartups();
    SetLayeredWindowsAvailableForTesting(true);
  }
  void TearDown() override {
    form.reset();
    manager.reset();
    SetLayeredWindowsAvailableForTesting(std::nullopt);
    FinishUnits();
  }
  // A sizeable form skinned with the extended-border skin of this border
  // width, shown.
  TsSkinProvider* Show(int borderWidth, const QStringList& icons = {}, bool mode1 = false) {
    testskins::TestSkin skin = testskins::ExtBorderSkin(mode1);
    skin.Section(QStringLiteral("GLOBALINFO")).Put(QStringLiteral("BORDERWIDTH"), borderWidth);
    skin.Name += QString::number(borderWidth);
    QString error;
    const QString root = QString::fromStdString(dir.Path());
    EXPECT_TRUE(testskins::WriteSkinFolder(skin, root + "/" + skin.Name, &error)) << error.toStdString();
    form.reset();
    manager.reset();  // the default manager is the first one made
    manager = std::make_unique<TsSkinManager>();
    manager->SetExtendedBorders(true);
    manager->SetSkinDirectory(root);
    manager->SetSkinName(skin.Name);
    EXPECT_TRUE(manager->Active());
    form = std::make_unique<QWidget>();
    form->resize(400, 300);
    form->setWindowTitle(QStringLiteral("Bordered"));
    if (!icons.isEmpty()) form->setProperty("BorderIcons", icons);
    auto* provider = new TsSkinProvider(form.get());
    form->show();
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
    return provider;
  }

  testsupport::TempDir dir;
  RecordingPrompts prompts;
  ScopedPrompts scopedPrompts{prompts};
  std::unique_ptr<QWidget> form;
  std::unique_ptr<TsSkinManager> manager;
};

TEST_F(ExtendedBorderTitleTest, TheFrameTakesTheSkinsBorderWidthDownToOnePixel) {
  const struct {
    int skinBorder;
  } rows[] = {{testskins::kExtBorderWidth}, {1}};
  int cacheWidths[2] = {};
  int i = 0;
  for (const auto& row : rows) {
    TsSkinProvider* provider = Show(row.skinBorder);
    ASSERT_TRUE(provider->HasBorderWindow());
    const TacTitleMetrics m = provider->ReadTitleMetrics();
    ASSERT_NE(m.SystemBorder, 1) << "the system's border must differ from the thin skin border";
    EXPECT_EQ(m.BorderWidth, row.skinBorder);
    // The title icon stands inside the skin's border.
    EXPECT_EQ(provider->Layout().IconRect.Left, row.skinBorder + m.BILeft + m.ExtMargins.Left);
    provider->PaintAll();
    ASSERT_TRUE(provider->SkinData()->CacheBitmap);
    cacheWidths[i++] = provider->SkinData()->CacheBitmap->Width();
  }
  // The frame is that much narrower on each side.
  EXPECT_EQ(cacheWidths[0] - cacheWidths[1], 2 * (testskins::kExtBorderWidth - 1));
}

TEST_F(ExtendedBorderTitleTest, TheHelpButtonAnswersHelpThroughTheBorderWindow) {
  TsSkinProvider* provider =
      Show(testskins::kExtBorderWidth, {QStringLiteral("biSystemMenu"), QStringLiteral("biHelp")});
  ASSERT_TRUE(provider->HasBorderWindow());
  ASSERT_NE(provider->BorderForm(), nullptr);
  provider->PaintAll();
  const TacTitleLayout l = provider->Layout();
  ASSERT_TRUE(l.System[3].Shown);
  ASSERT_TRUE(l.System[2].Shown);
  LayeredWindow* window = provider->BorderForm()->BorderWindow();
  ASSERT_NE(window, nullptr);
  const auto screen = [&](const TRect& r) {
    return TPoint{window->x() + (r.Left + r.Right) / 2, window->y() + (r.Top + r.Bottom) / 2};
  };
  EXPECT_EQ(provider->BorderForm()->BorderHitTest(screen(l.System[3].Rect)), HTHELP);
  EXPECT_EQ(provider->BorderForm()->BorderHitTest(screen(l.System[2].Rect)), HTCLOSE);
}

// The real mouse over the title buttons of a form with extended borders:
// a hot or pressed button fades in a window of its own, which the
// offscreen platform activates; the activation handed back moves the
// border window, and the move drops the fades. Their windows go out of
// sight at once and are deleted after the activation; the buttons work.
TEST_F(ExtendedBorderTitleTest, TitleButtonFadesLeaveInTheMidstOfAnActivation) {
  const QStringList icons = {QStringLiteral("biSystemMenu"), QStringLiteral("biMinimize"), QStringLiteral("biMaximize")};
  TsSkinProvider* provider = Show(testskins::kExtBorderWidth, icons);
  const struct {
    size_t button;  // 0 minimize, 1 maximize
    bool press, releaseOn;
    bool maximized;  // afterwards
  } rows[] = {
      {0, false, false, false}, {1, false, false, false}, {0, true, false, false},
      {1, true, false, false},  {0, false, false, false}, {1, true, true, true},
  };
  // The border window as it stands (a maximized form has none).
  const auto border = [&]() -> QWindow* {
    TacBorderForm* b = provider->BorderForm();
    return b && b->BorderWindow() ? b->BorderWindow()->windowHandle() : nullptr;
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "row " << (&row - rows));
    ASSERT_NE(border(), nullptr);
    const TacButtonPlace place = provider->Layout().System[row.button];
    ASSERT_TRUE(place.Shown);
    const QPoint on((place.Rect.Left + place.Rect.Right) / 2, (place.Rect.Top + place.Rect.Bottom) / 2);
    const QPoint off = on + QPoint(0, 80);
    QTest::mouseMove(border(), on);
    if (row.press) {
      QTest::mousePress(border(), Qt::LeftButton, {}, on);
      if (!row.releaseOn) QTest::mouseMove(border(), off);
      QTest::mouseRelease(border(), Qt::LeftButton, {}, row.releaseOn ? on : off);
    }
    if (border()) QTest::mouseMove(border(), off);
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
    EXPECT_EQ(form->isMaximized(), row.maximized);
    EXPECT_FALSE(form->isMinimized());
    // Every fade window still shown belongs to a running fade.
    std::vector<const LayeredWindow*> running;
    for (const TacSBAnimation* fade : form->findChildren<TacSBAnimation*>()) running.push_back(fade->AnimWindow());
    for (const LayeredWindow* shown : form->findChildren<LayeredWindow*>())
      EXPECT_TRUE(!shown->isVisible() || std::find(running.begin(), running.end(), shown) != running.end());
  }
}

// The border window covers the form's client (no region) unless the form
// is alpha-blended: then it leaves the client out.
TEST_F(ExtendedBorderTitleTest, OnlyAnAlphaBlendedFormsBorderWindowLeavesTheClientOut) {
  TsSkinProvider* provider = Show(testskins::kExtBorderWidth);
  ASSERT_NE(provider->BorderForm(), nullptr);
  const QPoint client = provider->BorderForm()->BorderWindow()->mapFromGlobal(form->mapToGlobal(form->rect().center()));
  for (bool alphaBlend : {false, true}) {
    form->setProperty("AlphaBlend", alphaBlend);
    provider->UpdateBorderWindow(true);
    QRegion region;
    const bool shaped = GetWindowRgn(provider->BorderForm()->BorderWindow(), region) != ERROR;
    EXPECT_EQ(shaped && !region.contains(client), alphaBlend) << alphaBlend;
  }
}

// BORDERMODE 1: the title band and caption are painted over the border's
// picture, opaque up to the margins; otherwise the picture's inner edge
// lies over the title's first rows.
TEST_F(ExtendedBorderTitleTest, InBorderModeOneTheTitleLiesOverThePicture) {
  const QRgb title = ToQRgb(TColor(testskins::kFormTitleHotColor)) | 0xFF000000;
  for (bool mode1 : {false, true}) {
    TsSkinProvider* provider = Show(testskins::kExtBorderWidth, {}, mode1);
    provider->PaintAll();
    const QImage cache = provider->SkinData()->CacheBitmap->ToQImage();
    EXPECT_EQ(cache.pixel(cache.width() / 2, manager->ExtBorderMargins.Top) == title, mode1) << mode1;
  }
}

// The snapshot of a form with an extended border (what a layered show
// fades in) is opaque over the form's client, whatever its controls left
// clear; around it the bitmap keeps what it had.
TEST_F(ExtendedBorderTitleTest, ASnapshotIsOpaqueOverTheFormsClient) {
  TsSkinProvider* provider = Show(testskins::kExtBorderWidth);
  auto* clear = new ClearControl(form.get());
  clear->setGeometry(20, 20, 60, 40);
  clear->show();
  Bitmap snapshot(form->width() + 20, form->height() + 20, pf32bit);
  snapshot.Fill(0x00000000);
  PaintControlToBitmap(snapshot, form.get(), 10, 10, provider);
  const QImage picture = snapshot.ToQImage();
  EXPECT_EQ(qAlpha(picture.pixel(clear->geometry().center() + QPoint(10, 10))), 255);
  EXPECT_EQ(qAlpha(picture.pixel(2, 2)), 0) << "outside the form";
}

// A form with an extended border moved or sized: the skinned dialogs hear
// of it (skin command 18) and lay their borders anew.
TEST_F(ExtendedBorderTitleTest, TheEndOfAMoveTellsTheSkinnedDialogs) {
  Show(testskins::kExtBorderWidth);
  QWidget dialog;
  int told = 0;
  WindowProcHandle watch = InstallWindowProc(&dialog, [&](Message& m, const CallPrevious& previous) {
    told += m.Msg == SkinCommandMsg && HIWORD(m.WParam) == acAppActivated;
    previous(m);
  });
  auto& list = AdapterEntryPoints().DialogProviderWindows;
  const auto kept = std::exchange(list, [&] { return std::vector<QWidget*>{&dialog}; });
  SendMessage(form.get(), WM_EXITSIZEMOVE);
  list = kept;
  RemoveWindowProc(watch);
  EXPECT_EQ(told, 1);
}

// Skin command 18 (sent when another form ends a move) lays a modal form's
// border window anew, its picture painted again when stale; the border of
// a form that is not modal is left as it is.
TEST_F(ExtendedBorderTitleTest, CommandEighteenLaysOnlyAModalFormsBorderAnew) {
  for (bool modal : {false, true}) {
    TsSkinProvider* provider = Show(testskins::kExtBorderWidth);
    form->hide();
    form->setWindowModality(modal ? Qt::ApplicationModal : Qt::NonModal);
    form->show();
    QApplication::processEvents();
    ASSERT_NE(provider->BorderForm(), nullptr);
    provider->SkinData()->BackgroundDirty = true;
    const LRESULT answer = SendMessage(form.get(), SkinCommandMsg, MAKEWPARAM(0, acAppActivated), 0);
    EXPECT_EQ(answer, 0) << modal;
    EXPECT_EQ(provider->SkinData()->BackgroundDirty, !modal) << modal;
  }
}

// A double click on the border window ends a drag of the outline there:
// the window moves once to where the outline was.
TEST_F(ExtendedBorderTitleTest, ADoubleClickOnTheBorderEndsADrag) {
  TsSkinProvider* provider = Show(testskins::kExtBorderWidth, {"biSystemMenu", "biMinimize"});
  provider->SetResizeMode(TsResizeMode::rmBorder);
  const QPoint start = form->pos(), press = form->mapToGlobal(QPoint(form->width() / 2, 6));
  SendMessage(form.get(), WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(press.x(), press.y()));
  const QPoint end = press + QPoint(30, 20);
  provider->DrawMoveOutline({end.x(), end.y()});
  SendMessage(provider->BorderForm()->BorderWindow(), WM_NCLBUTTONDBLCLK, HTCAPTION, MAKELPARAM(end.x(), end.y()));
  EXPECT_FALSE(BorderDrag.InProgress);
  EXPECT_EQ(form->pos(), start + QPoint(30, 20));
}

}  // namespace

// The skin of a shown form switched, to a copy of its own and to one of
// other margins (BORDERMODE 1): the fade's picture shows the form's label,
// which stays a visible child at its place, and the window's bands between
// its border mask and its client are painted, not left black.
TEST_F(ExtendedBorderTitleTest, ASkinSwitchKeepsTheLabelAndPaintsTheBands) {
  const QString root = QString::fromStdString(dir.Path());
  const testskins::TestSkin skin = testskins::ExtBorderSkin(), mode1 = testskins::ExtBorderSkin(true);
  ASSERT_TRUE(testskins::WriteSkinFolder(skin, root + "/Own"));
  ASSERT_TRUE(testskins::WriteSkinFolder(skin, root + "/Copy"));
  ASSERT_TRUE(testskins::WriteSkinFolder(mode1, root + "/" + mode1.Name));
  manager = std::make_unique<TsSkinManager>();
  manager->SetExtendedBorders(true);
  manager->SetSkinDirectory(root);
  manager->SetSkinName(QStringLiteral("Own"));
  form = std::make_unique<QWidget>();
  form->setWindowTitle(QStringLiteral("Switched"));
  auto* label = new QLabel(QStringLiteral("第 2024001 期"));
  (new QVBoxLayout(form.get()))->addWidget(label);
  auto* provider = new TsSkinProvider(form.get());
  form->setGeometry(120, 110, 380, 220);
  form->show();
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
  const QRect place = label->geometry();
  // Pixels of `r` darker than `gray` (the label's text; black: unpainted).
  const auto darker = [](const QImage& image, const QRect& r, int gray) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
      for (int x = r.left(); x <= r.right(); ++x) n += qGray(image.pixel(x, y)) < gray;
    return n;
  };
  for (const QString& name : {QStringLiteral("Copy"), mode1.Name}) {
    SCOPED_TRACE(name.toStdString());
    manager->SetSkinName(name);
    LayeredWindow* fade = StandByWindowOf(form.get());
    ASSERT_NE(fade, nullptr);
    EXPECT_GT(darker(fade->Picture(), place.translated(provider->CacheShiftX(), provider->CacheShiftY()), 100), 0)
        << "the fade's picture lacks the label";
    ASSERT_TRUE(QTest::qWaitFor([&] { return !StandByWindowOf(form.get()); }, 5000));
    EXPECT_TRUE(label->isVisible());
    EXPECT_EQ(label->geometry(), place);
    // Below and right of the client, within the window: the skin's bands.
    const QImage cache = provider->SkinData()->CacheBitmap->ToQImage();
    const TRect e = manager->ExtBorderMargins;
    const QRect client = form->contentsRect().translated(provider->CacheShiftX(), provider->CacheShiftY());
    EXPECT_EQ(darker(cache, QRect(QPoint(client.center().x(), client.bottom() + 1),
                                  QPoint(client.center().x(), cache.height() - e.Bottom - 1)), 1),
              0);
    EXPECT_EQ(darker(cache, QRect(QPoint(client.right() + 1, client.center().y()),
                                  QPoint(cache.width() - e.Right - 1, client.center().y())), 1),
              0);
  }
}
