// The control painters on the gallery's controls, with a skin whose every
// frame is one solid colour, so that a pixel tells which frame shows.
#include "ControlGallery.h"
#include "TestSkins.h"

#include "platform/WindowTable.h"
#include "skinning/WinSubClassButtons.h"
#include "skinning/WinSubClassPanels.h"
#include "skinning/WinSubClassStyled.h"

#include "platform_gui/Pixels.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProxyStyle>
#include <QStyleOptionComboBox>
#include <QStyleOptionSlider>
#include <QStyleOptionSpinBox>
#include <QTabBar>
#include <QToolButton>

#include <gtest/gtest.h>

#include <array>

using namespace platform;
using namespace skinning;
using namespace testskins;

namespace {

// Tabs: the top five rows of each frame are a lid in another tone, so that
// a turned tab shows which way it was turned.
QImage Tabs(int frames, int tone) {
  QImage image(20 * frames, 20, QImage::Format_RGB32);
  for (int k = 0; k < frames; ++k)
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 20; ++x) image.setPixelColor(k * 20 + x, y, Shade(k + 1, y < 5 ? tone + 5 : tone));
  return image;
}

enum Tones { kButton = 10, kCheck = 40, kRadio = 70, kTabs = 100, kPane = 130, kCombo = 160, kEdge = 190,
            kProgress = 220, kUpDown = 250, kStatus = 30, kThumb = 60, kChunk = 90, kGlyph = 120, kExtra = 150 };

std::string GallerySkin(const std::string& extra = {}, bool withButtons = true) {
  const std::string buttons = withButtons ? "Bitmap=button.bmp\n" : "";
  return SkinOf("[Colours]\nButtonFace=10,20,30\nButtonShadow=90,90,90\n"
                "[Buttons]\n" + buttons + "CheckButton=check.bmp\nRadioButton=radio.bmp\n"
                "CheckButtonFrame=12\nRadioButtonFrame=8\nTrans=1\nLeftWidth=2\nTopHeight=2\nRightWidth=2\nBottomHeight=2\n"
                "[Tabs]\nImage=tabs.bmp\nBorder=pane.bmp\n[ComboButton]\nImage=combo.bmp\n"
                "[UpDown.Vert]\nImage=updown.bmp\nGlyphImage=glyph.bmp\n[StatusBarEdges]\nImage=status.bmp\n"
                "[Trackbar.ThumbHorz]\nImage=thumb.bmp\n[ExtraImages]\nImage=extra.bmp\n[Progress]\nBitmap=progress.bmp\n" + extra,
                {{"button.bmp", ToneStrip(10, 10, 5, kButton, true)}, {"check.bmp", ToneStrip(13, 13, 12, kCheck)},
                 {"radio.bmp", ToneStrip(13, 13, 8, kRadio)},         {"tabs.bmp", Tabs(5, kTabs)},
                 {"pane.bmp", ToneStrip(20, 20, 1, kPane)},           {"combo.bmp", ToneStrip(17, 20, 4, kCombo)},
                 {"edge.bmp", ToneStrip(20, 20, 4, kEdge)},           {"updown.bmp", ToneStrip(16, 10, 8, kUpDown)}, {"glyph.bmp", ToneStrip(4, 4, 8, kGlyph)},
                 {"status.bmp", ToneStrip(20, 20, 3, kStatus)},       {"thumb.bmp", ToneStrip(11, 19, 5, kThumb)},
                 {"progress.bmp", ToneStrip(20, 16, 2, kProgress)},   {"chunk.bmp", ToneStrip(10, 12, 1, kChunk)},
                 {"extra.bmp", ToneStrip(6, 6, 5, kExtra)}});
}

TRect ToT(const QRect& r) { return Bounds(r.x(), r.y(), r.width(), r.height()); }

class PaintersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    data = LoadSkinFile(GallerySkin());
    g.Hook(data.get(), &form);
    g.show();
    QApplication::setActiveWindow(&g);
    QApplication::processEvents();
  }
  std::unique_ptr<TSkinData> data;
  TSkinFormObject form;
  gallery::ControlGallery g;
};

}  // namespace

TEST_F(PaintersTest, ButtonFramesByStateClicksAndCaptions) {
  struct Case {
    const char* name;
    std::function<void(QPushButton*)> setup;
    int frame;
  };
  const Case cases[] = {
      {"normal", [](QPushButton*) {}, 1},
      {"hot", [](QPushButton* b) { SendMessage(b, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5)); }, 4},
      {"pressed", [](QPushButton* b) { SendMessage(b, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5)); }, 2},
      {"disabled", [](QPushButton* b) { b->setEnabled(false); }, 3},
      {"focused", [](QPushButton* b) { b->setFocus(); }, 5},
      {"default", [](QPushButton* b) { b->setDefault(true); }, 5},
  };
  for (QPushButton* button : {g.cancel, g.bitButton}) {
    for (const Case& c : cases) {
      g.ok->setFocus();
      Shot(button);  // a first paint
      c.setup(button);
      EXPECT_EQ(Shot(button).GetPixel(4, 4), Tone(c.frame, kButton)) << c.name;
      SendMessage(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
      SendMessage(button, WM_MOUSELEAVE);
      button->setEnabled(true);
      button->setDefault(false);
    }
  }
  g.menuButton->setFocus();
  const Bitmap menuButton = Shot(g.menuButton);
  EXPECT_EQ(menuButton.GetPixel(4, 4), Tone(4, kButton)) << "a focused menu button is hot";
  // Its arrow: a triangle 7 pixels wide and 4 high, the rightmost ink.
  const auto ink = [](TColor c) { return GetRValue(c) < 9 && GetGValue(c) < 9; };
  const int right = pixels::Box(menuButton, ink).Right;
  const TRect arrow = pixels::Box(menuButton, ink, Rect(right - 9, 0, right, menuButton.Height()));
  EXPECT_EQ(std::pair(arrow.Width(), arrow.Height()), std::pair(7, 4)) << arrow;
  // Qt alone clicks; a caption's "||" breaks the line once.
  int clicks = 0;
  QObject::connect(g.cancel, &QPushButton::clicked, [&] { ++clicks; });
  SendMessage(g.cancel, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessage(g.cancel, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(clicks, 1);
  Shot(g.multiLine);
  EXPECT_EQ(FindSkinControl<TSkinButton>(g.multiLine)->Text, QStringLiteral("红球\r\n蓝球||和值"));
}

// A push button, a check box and a radio button show a dotted rectangle
// while focused, around their caption and clear of its ink, and none with
// xoNoFocusRect.
TEST_F(PaintersTest, FocusRectOnTheFocusedControlOnlyUnlessSwitchedOff) {
  const TColor face = RGB(10, 20, 30);
  const struct {
    const char* kind;
    QAbstractButton* control;
    bool focused;
    TColor under;  // where the rectangle goes
  } rows[] = {{"button", g.cancel, false, Tone(1, kButton)}, {"button", g.cancel, true, Tone(5, kButton)},
              {"check box", g.unchecked, false, face},      {"check box", g.unchecked, true, face},
              {"radio", g.radioOff, false, face},           {"radio", g.radioOff, true, face}};
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.kind) + (row.focused ? ", focused" : ""));
    (row.focused ? row.control : g.ok)->setFocus();
    data->Options.Exclude(xoNoFocusRect);
    const Bitmap with = Shot(row.control);
    data->Options.Include(xoNoFocusRect);
    const Bitmap without = Shot(row.control);
    int rect = 0;  // the dotted rectangle's pixels, over the plain background of the picture without it
    TRect box = Rect(with.Width(), with.Height(), 0, 0);
    for (int y = 0; y < with.Height(); ++y)
      for (int x = 0; x < with.Width(); ++x)
        if (with.GetPixel(x, y) != without.GetPixel(x, y)) {
          rect += without.GetPixel(x, y) == row.under ? 1 : -1000;
          box = Rect(std::min(box.Left, x), std::min(box.Top, y), std::max(box.Right, x + 1), std::max(box.Bottom, y + 1));
        }
    EXPECT_EQ(rect > 0, row.focused) << rect;
    if (!row.focused) continue;
    const TRect caption = pixels::Box(without, [](TColor c) { return GetRValue(c) < 9 && GetGValue(c) < 9; });
    ASSERT_FALSE(caption.IsEmpty());
    EXPECT_TRUE(box.Left < caption.Left && box.Top < caption.Top && box.Right > caption.Right &&
                box.Bottom > caption.Bottom)
        << "the rectangle " << box << " around the caption " << caption;
  }
}

TEST(Painters, ParentBehindTheFrameAndTheStandardLookWithoutBitmap) {
  auto data = LoadSkinFile(GallerySkin());
  QWidget parent;
  parent.setAutoFillBackground(true);
  parent.setPalette(QPalette(QColor(1, 2, 3)));
  // A button and a check box each, with and without the parent painted
  // behind: the parent's colour, or the skin's face.
  for (bool see : {true, false}) {
    auto* button = new QPushButton(QStringLiteral("a"), &parent);
    auto* box = new QCheckBox(QStringLiteral("a"), &parent);
    for (QWidget* w : std::initializer_list<QWidget*>{button, box}) {
      w->resize(100, 30);
      if (see) SetTag(w, kParentPaintTag);
    }
    (new TSkinButton(button))->HookControl(nullptr, data.get(), false);
    (new TSkinCheckBox(box))->HookControl(nullptr, data.get(), false);
    EXPECT_EQ(Shot(button).GetPixel(0, 0), see ? RGB(1, 2, 3) : RGB(10, 20, 30));
    EXPECT_EQ(Shot(box).GetPixel(98, 2), see ? RGB(1, 2, 3) : RGB(10, 20, 30));
  }
  auto bare = LoadSkinFile(GallerySkin({}, false));
  QPushButton skinned(QStringLiteral("标准")), standard(QStringLiteral("标准"));
  skinned.resize(100, 30);
  standard.resize(100, 30);
  (new TSkinButton(&skinned))->HookControl(nullptr, bare.get(), false);
  EXPECT_EQ(skinned.grab().toImage(), standard.grab().toImage());
  // A progress element whose bitmap is missing leaves the standard bar.
  auto noBitmap = LoadSkin("[Progress]\nBitmap=missing.bmp\n");
  QProgressBar skinnedBar, standardBar;
  for (QProgressBar* bar : {&skinnedBar, &standardBar}) bar->setGeometry(0, 0, 200, 18), bar->setValue(40);
  (new TSkinProgress(&skinnedBar))->HookControl(nullptr, noBitmap.get(), false);
  EXPECT_EQ(skinnedBar.grab().toImage(), standardBar.grab().toImage());
}

// The pane's image (edges 4, 5, 4, 4) stretched, or tiled with "Tile=1":
// the middle of its centre part is red to the left, green to the right.
TEST(Painters, TabPaneStretchedUnlessTiled) {
  QImage pane = Solid(20, 20, Qt::red);
  for (int y = 0; y < 20; ++y)
    for (int x = 10; x < 16; ++x) pane.setPixelColor(x, y, Qt::green);
  for (bool tiled : {false, true}) {
    auto data = LoadSkin(std::string("[Tabs]\nImage=tabs.bmp\nBorder=pane.bmp\n") + (tiled ? "Tile=1\n" : ""),
                         {{"tabs.bmp", Tabs(5, kTabs)}, {"pane.bmp", pane}});
    QTabWidget tabs;
    tabs.resize(200, 120);
    tabs.addTab(new QWidget, QStringLiteral("a"));
    (new TSkinTab(&tabs))->HookControl(nullptr, data.get(), false);
    tabs.show();
    QApplication::processEvents();
    // 146 pixels into the 192-pixel centre: 3/4 of the way, or column 2 of a tile.
    EXPECT_EQ(Shot(&tabs).GetPixel(150, 100), tiled ? clRed : clLime) << tiled;
  }
}

TEST(Painters, GlyphAndCaptionLayout) {
  // Client 100 x 30, glyph 16 x 16, text 40 x 12: layout, margin, spacing,
  // centred; where the glyph and the text go.
  const std::array<int, 8> cases[] = {
      {0, -1, -1, 0, 14, 7, 44, 9},  {0, 4, -1, 1, 14, 7, 44, 9},  // "taCenter" ignores the margin
      {0, 4, -1, 0, 4, 7, 40, 9},    {0, -1, 10, 0, 17, 7, 43, 9}, {1, 4, 2, 0, 80, 7, 38, 9},
      {2, -1, -1, 0, 42, 0, 30, 16}, {3, 2, 2, 0, 42, 12, 30, -2},
  };
  for (const auto& c : cases) {
    TGlyphLayout l;
    l.Layout = c[0], l.Margin = c[1], l.Spacing = c[2], l.CentreAlways = c[3];
    l.GlyphSize = {16, 16};
    l.TextSize = {40, 12};
    LayoutGlyphAndCaption(l, {100, 30});
    EXPECT_EQ((std::array{l.GlyphPos.X, l.GlyphPos.Y, l.TextPos.X, l.TextPos.Y}), (std::array{c[4], c[5], c[6], c[7]}))
        << c[0] << " " << c[1];
  }
  TGlyphLayout bare;  // no caption: no spacing, the glyph centred
  bare.GlyphSize = {16, 16};
  bare.TextSize = {0, 0};
  LayoutGlyphAndCaption(bare, {100, 30});
  EXPECT_EQ(bare.GlyphPos, (TPoint{42, 7}));
  // Menu buttons, 100 wide, glyph 16, text 40: margin and spacing.
  for (auto [m, sp, wantM, wantS] : {std::array{-1, -1, 9, 9}, std::array{-1, 6, 12, 6}, std::array{4, -1, 4, 22}}) {
    MenuButtonSpacing(100, 16, 40, m, sp);
    EXPECT_EQ(m, wantM);
    EXPECT_EQ(sp, wantS);
  }

  // A glyph strip said to hold 0 frames is one frame.
  Bitmap out = pixels::White(8, 4);
  Bitmap glyph = Bitmap::FromQImage(ToneStrip(4, 4, 1, 0), pfDevice);
  glyph.SetPixel(0, 3, clLime);  // its transparent colour
  DrawGlyphFrame(out.GetCanvas(), 0, 0, 0, 1, glyph);
  out.GetCanvas().EndPainting();
  EXPECT_EQ(out.GetPixel(3, 0), Colour(Shade(1, 0)));
  EXPECT_EQ(out.GetPixel(0, 3), clWhite);
}

TEST(Painters, CentredBitButtonIgnoresItsMargin) {
  auto data = LoadSkinFile(GallerySkin());
  // Where the red glyph lands in a 100 x 30 button with those properties.
  const auto glyphAt = [&](QVariant margin, QVariant alignment) {
    QPushButton b(QStringLiteral("走势"));
    b.resize(100, 30);
    b.setIcon(testskins::Ball(QColor(226, 48, 56)));
    b.setProperty("Margin", margin);
    b.setProperty("Alignment", alignment);
    (new TSkinBitButton(&b))->HookControl(nullptr, data.get(), false);
    return pixels::Box(Shot(&b), [](TColor c) { return GetRValue(c) > 150 && GetGValue(c) < 100; }).Left;
  };
  const int free = glyphAt({}, {});
  EXPECT_GT(free, 4);
  EXPECT_EQ(glyphAt(4, QStringLiteral("taCenter")), free);
  EXPECT_LE(glyphAt(4, QStringLiteral("taLeftJustify")), 4 + 3) << "the margin, and the ball inside its icon";
}

TEST_F(PaintersTest, GlyphFramesByState) {
  // The blue ball: (60, 120, 220) give or take its edges.
  const auto blue = [](const Bitmap& b) {
    return pixels::Box(b, [](TColor c) { return std::abs(GetRValue(c) - 60) < 30 && std::abs(GetGValue(c) - 120) < 30; });
  };
  EXPECT_FALSE(blue(Shot(g.speed)).IsEmpty());
  g.speed->setEnabled(false);
  EXPECT_TRUE(blue(Shot(g.speed)).IsEmpty()) << "a disabled one-frame glyph is made grey";

  // A "Glyph" strip of two frames: normal, disabled.
  QImage image = ToneStrip(8, 8, 2, kGlyph);
  image.setPixelColor(0, 7, Qt::magenta);  // each frame's bottom-left pixel: transparent
  image.setPixelColor(8, 7, Qt::magenta);
  const QPixmap strip = QPixmap::fromImage(image);
  g.bitButton->setProperty("Glyph", strip);
  g.bitButton->setProperty("NumGlyphs", 2);
  g.bitButton->setText({});
  for (bool enabled : {true, false}) {
    g.bitButton->setEnabled(enabled);
    const Bitmap shot = Shot(g.bitButton);
    // No caption: no spacing, the glyph centred.
    EXPECT_EQ(shot.GetPixel(50, 15), Tone(enabled ? 1 : 2, kGlyph));
  }
}

TEST_F(PaintersTest, CheckBoxAndRadioFrames) {
  QPushButton stateless(&g);  // checked by "Checked" alone
  stateless.setCheckable(true);
  stateless.setGeometry(0, 0, 60, 20);
  (new TSkinCheckBox(&stateless))->HookControl(nullptr, data.get(), false);
  struct Case {
    QAbstractButton* box;
    bool enabled;
    int frame, tone;
  };
  const Case cases[] = {
      {g.unchecked, true, 1, kCheck},   {g.checked, true, 5, kCheck},      {g.unchecked, false, 4, kCheck},
      {g.checkDisabled, false, 8, kCheck}, {g.grayed, true, 9, kCheck},  {g.grayed, false, 12, kCheck},
      {&stateless, true, 1, kCheck},     {&stateless, false, 4, kCheck}, {g.radioOn, true, 5, kRadio},
      {g.radioOff, true, 1, kRadio},     {g.radioDisabled, false, 4, kRadio},
  };
  for (const Case& c : cases) {
    c.box->setEnabled(c.enabled);
    const Bitmap shot = Shot(c.box);
    EXPECT_EQ(shot.GetPixel(6, c.box->height() / 2), Tone(c.frame, c.tone)) << c.box->text().toStdString();
    EXPECT_TRUE(pixels::ColorBox(shot, clWhite).IsEmpty()) << "the caption stands on the background";
  }
  g.checked->setLayoutDirection(Qt::RightToLeft);
  g.checked->resize(g.checked->width(), 40);  // the caption centred across
  const Bitmap rtl = Shot(g.checked);
  EXPECT_EQ(rtl.GetPixel(g.checked->width() - 7, g.checked->height() / 2), Tone(5, kCheck));
  const TRect caption = pixels::Box(rtl, [](TColor c) { return GetRValue(c) < 9 && GetGValue(c) < 9; });
  EXPECT_TRUE(!caption.IsEmpty() && caption.Right <= g.checked->width() - 13 - 2) << "the caption left of the box";
  EXPECT_NEAR(caption.Top + caption.Bottom, 40, 3) << caption;
}

TEST_F(PaintersTest, TabsFramesAndCloseBoxes) {
  auto* painter = FindSkinControl<TSkinTab>(g.tabs);
  QTabBar* bar = g.tabs->tabBar();
  const Bitmap shot = Shot(g.tabs);
  const QRect first = bar->tabRect(0).translated(bar->pos()), second = bar->tabRect(1).translated(bar->pos());
  EXPECT_EQ(shot.GetPixel(first.x() + 4, first.bottom() - 3), Tone(2, kTabs)) << "the current tab";
  int widths[2] = {};  // a close box widens a tab by 14 pixels
  for (int closing : {0, 1}) {
    QTabWidget one(&g);
    one.addTab(new QWidget, QStringLiteral("参数"));
    if (closing) SetTag(&one, kCloseTabsTag);
    (new TSkinTab(&one))->HookControl(nullptr, data.get(), false);
    widths[closing] = one.tabBar()->sizeHint().width();
  }
  EXPECT_EQ(widths[1] - widths[0], 14);
  EXPECT_EQ(shot.GetPixel(second.x() + 4, second.bottom() - 3), Tone(1, kTabs));
  ASSERT_EQ(painter->CloseRects.size(), 3u);
  const TRect label = pixels::Box(shot, [](TColor c) { return GetRValue(c) < 9 && GetGValue(c) < 9; },
                                  ToT(second.adjusted(0, 0, -painter->CloseBoxWidth(), 0)));
  EXPECT_LE(std::abs(label.Left + label.Right - (second.left() + second.right() + 1 - painter->CloseBoxWidth())), 3)
      << "the label centred beside the close box";

  // The form decides: 1 keeps the page, 0 closes it after the click.
  LRESULT answer = 1;
  std::vector<std::pair<WPARAM, LPARAM>> asked;
  InstallWindowProc(&g, [&](Message& m, const CallPrevious& previous) {
    if (m.Msg != SKIN_CLOSETAB) return previous(m);
    asked.emplace_back(m.WParam, m.LParam);
    m.Result = answer;
  });
  const TRect close = painter->CloseRects[1];
  for (LRESULT a : {1, 0}) {
    answer = a;
    SendMessage(bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(close.Left + 2, close.Top + 2));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(g.tabs->count(), a ? 3 : 2);
  }
  EXPECT_EQ(asked.back(), (std::pair<WPARAM, LPARAM>{PtrParam(g.tabs), 1}));

  QTabWidget bottom(&g);
  bottom.setTabPosition(QTabWidget::South);
  bottom.addTab(new QWidget, QStringLiteral("a"));
  SetTag(&bottom, kCloseTabsTag);
  auto* below = new TSkinTab(&bottom);
  below->HookControl(nullptr, data.get(), false);
  Shot(&bottom);
  EXPECT_FALSE(below->CloseButtons);
  EXPECT_TRUE(below->CloseRects.empty());

  // Too many tabs: the scroll buttons are the skin's up-down halves (the
  // skin has no horizontal image: face-coloured boxes).
  QTabWidget many(&g);
  many.resize(120, 60);
  for (int i = 0; i < 8; ++i) many.addTab(new QWidget, QStringLiteral("第%1页").arg(i));
  (new TSkinTab(&many))->HookControl(nullptr, data.get(), false);
  many.show();
  QApplication::processEvents();
  const Bitmap scrolled = Shot(&many);
  int arrows = 0;
  for (QToolButton* arrow : many.tabBar()->findChildren<QToolButton*>()) {
    if (!arrow->isVisible()) continue;
    ++arrows;
    const QPoint p = arrow->mapTo(&many, QPoint(2, arrow->height() / 2));
    EXPECT_EQ(scrolled.GetPixel(p.x(), p.y()), RGB(10, 20, 30)) << arrows;
  }
  EXPECT_EQ(arrows, 2);
  // Tabs on the sides are top tabs turned: the lid faces away from the pane.
  for (auto [position, lidOnLeft] : {std::pair{QTabWidget::West, true}, std::pair{QTabWidget::East, false}}) {
    QTabWidget side(&g);
    side.resize(200, 120);
    side.setTabPosition(position);
    side.addTab(new QWidget, QStringLiteral("a"));
    (new TSkinTab(&side))->HookControl(nullptr, data.get(), false);
    const Bitmap turned = Shot(&side);
    const QRect tab = side.tabBar()->tabRect(0).translated(side.tabBar()->pos());
    const int y = tab.top() + 3;
    EXPECT_EQ(turned.GetPixel(lidOnLeft ? tab.left() + 1 : tab.right() - 1, y), Colour(Shade(2, kTabs + 5)));
    EXPECT_EQ(turned.GetPixel(lidOnLeft ? tab.right() - 1 : tab.left() + 1, y), Tone(2, kTabs));
  }
}

TEST_F(PaintersTest, StatusBarProgressAndEdits) {
  const Bitmap status = Shot(g.status);
  EXPECT_EQ(status.GetPixel(g.status->width() - 2, 3), Tone(2, kStatus)) << "the last panel reaches the edge";
  EXPECT_EQ(status.GetPixel(g.status->width() - 3, g.status->height() - 3), Tone(5, kExtra)) << "the size grip";
  EXPECT_EQ(status.GetPixel(g.panel1->x() + 1, 3), Tone(1, kStatus)) << "a sunken panel";
  const TRect text = pixels::Box(status, [](TColor c) { return GetRValue(c) < 9 && GetGValue(c) < 9; },
                                 Rect(g.panel2->x(), 0, g.status->width(), g.status->height()));
  EXPECT_LE(std::abs((text.Left + text.Right) - (g.panel2->x() + g.status->width())), 4) << "centred text";

  g.progress->setValue(0);
  EXPECT_EQ(Shot(g.progress).GetPixel(3, 9), Tone(1, kProgress)) << "only the empty frame";
  const Bitmap half = Shot(g.progressRange);
  EXPECT_EQ(half.GetPixel(98, 9), Tone(2, kProgress));
  EXPECT_EQ(half.GetPixel(102, 9), Tone(1, kProgress));

  const Bitmap framed = Shot(g.edit), bare = Shot(g.frameless);
  EXPECT_EQ(framed.GetPixel(0, 0), RGB(90, 90, 90));
  EXPECT_EQ(framed.GetPixel(2, 2), clWhite);
  EXPECT_NE(bare.GetPixel(0, 0), RGB(90, 90, 90));

  Bitmap border = pixels::White(30, 20);
  EXPECT_EQ(SendMessage(g.edit, SKIN_PRINTBORDER, PtrParam(&border.GetCanvas()), kSkinPrintTag), kSkinPrintTag);
  border.GetCanvas().EndPainting();
  EXPECT_EQ(border.GetPixel(0, 5), RGB(90, 90, 90));
}

TEST(Painters, LineArrowsAndGroupBoxCaption) {
  // Each arrow: its point (one pixel) at (5, 5) and its base three pixels on.
  struct Case {
    int direction;
    TPoint point, baseEnd;
  };
  for (const Case& c : {Case{0, {5, 5}, {3, 7}}, Case{1, {5, 7}, {3, 5}}, Case{2, {5, 5}, {7, 3}}, Case{3, {7, 5}, {5, 3}}}) {
    Bitmap b = pixels::White(10, 10);
    DrawLineArrow(b.GetCanvas(), 5, 5, c.direction);
    b.GetCanvas().EndPainting();
    EXPECT_EQ(pixels::InkBox(b, clWhite), c.direction <= 1 ? Rect(3, 5, 8, 8) : Rect(5, 3, 8, 8)) << c.direction;
    EXPECT_EQ(b.GetPixel(c.point.X, c.point.Y), clBlack) << c.direction;
    EXPECT_EQ(b.GetPixel(c.baseEnd.X, c.baseEnd.Y), clBlack) << c.direction;
  }

  auto data = LoadSkinFile(GallerySkin());
  for (Qt::LayoutDirection direction : {Qt::LeftToRight, Qt::RightToLeft}) {
    QGroupBox box(QStringLiteral("选项"));
    box.resize(200, 60);
    box.setLayoutDirection(direction);
    (new TSkinGroupBox(&box))->HookControl(nullptr, data.get(), false);
    const TRect text = pixels::Box(Shot(&box), [](TColor c) { return GetRValue(c) < 9 && GetGValue(c) < 9; });
    ASSERT_FALSE(text.IsEmpty());
    if (direction == Qt::LeftToRight)
      EXPECT_GE(text.Left, 8);
    else
      EXPECT_TRUE(text.Right <= 192 && text.Left > 100) << text;
  }
}

TEST(Painters, ChunkProgressCountsFromTheLowEnd) {
  for (bool withChunk : {true, false}) {
    const std::string chunk = withChunk ? "[Progress.Chunk]\nImage=chunk.bmp\n" : "";
    auto data = LoadSkinFile(GallerySkin("Style=1\n" + chunk));
    QProgressBar bar;
    bar.setGeometry(0, 0, 200, 18);
    bar.setRange(50, 150);
    bar.setValue(100);
    (new TSkinProgress(&bar))->HookControl(nullptr, data.get(), false);
    const Bitmap shot = Shot(&bar);
    // The one-frame background is the whole strip stretched: its second half
    // shows from 100 on; the chunk covers half the bar, not two thirds.
    EXPECT_EQ(shot.GetPixel(96, 9), withChunk ? Tone(1, kChunk) : Tone(1, kProgress));
    EXPECT_EQ(shot.GetPixel(104, 9), Tone(2, kProgress));
  }
}

TEST_F(PaintersTest, ComboButtonUpDownHalvesAndThumb) {
  const int bw = GetSystemMetrics(SM_CXVSCROLL), W = g.combo->width(), H = g.combo->height();
  QStyleOptionComboBox option;
  option.initFrom(g.combo);
  const auto arrow = [&] { return g.combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, g.combo); };
  EXPECT_EQ(arrow(), QRect(W - bw - 2, 0, bw, H));
  option.direction = Qt::RightToLeft;
  EXPECT_EQ(arrow(), QRect(2, 0, bw, H));
  struct Case {
    std::function<void()> setup;
    int frame;
  };
  const Case cases[] = {{[] {}, 1},
                        {[&] { g.combo->showPopup(); }, 2},
                        {[&] { g.combo->hidePopup(), g.combo->setFocus(); }, 4},
                        {[&] { g.combo->setEnabled(false); }, 3}};
  for (const Case& c : cases) {
    c.setup();
    EXPECT_EQ(Shot(g.combo).GetPixel(W - bw, 3), Tone(c.frame, kCombo)) << c.frame;
  }
  EXPECT_EQ(TSkinDateTime::ArrowRect({0, 0, 110, 24}, false), QRect(110 - bw - 2, 2, bw, 20));
  EXPECT_EQ(TSkinDateTime::ArrowRect({0, 0, 110, 24}, true), QRect(2, 2, bw, 20));
  EXPECT_EQ(FindSkinControl<TSkinComBox>(g.combo)->ButtonRect, Rect(W - bw - 2, 0, W - 2, H));

  QStyleOptionSpinBox spin;
  spin.initFrom(g.spin);
  spin.subControls = QStyle::SC_All;
  spin.frame = g.spin->hasFrame();
  const auto rect = [&](const QStyle* style, QStyle::SubControl part) {
    return style->subControlRect(QStyle::CC_SpinBox, &spin, part, g.spin);
  };
  const QStyle* base = static_cast<QProxyStyle*>(g.spin->style())->baseStyle();
  QRect area = rect(base, QStyle::SC_SpinBoxUp) | rect(base, QStyle::SC_SpinBoxDown);
  area.setTop(std::max(area.top(), 3));
  area.setRight(std::min(area.right(), g.spin->width() - 4));
  area.setBottom(std::min(area.bottom(), g.spin->height() - 4));
  const QRect up = rect(g.spin->style(), QStyle::SC_SpinBoxUp), down = rect(g.spin->style(), QStyle::SC_SpinBoxDown);
  EXPECT_EQ(up, QRect(area.x(), area.y(), area.width(), area.height() / 2)) << "3 pixels inside the edit";
  EXPECT_EQ(up | down, area);
  const Bitmap spinShot = Shot(g.spin);
  for (auto [half, frame] : {std::pair{up, 1}, std::pair{down, 5}}) {
    EXPECT_EQ(spinShot.GetPixel(half.left() + 1, half.top() + 1), Tone(frame, kUpDown));
    EXPECT_EQ(spinShot.GetPixel(half.center().x(), half.center().y()), Tone(frame, kGlyph)) << "the glyph, centred";
  }

  const TRect thumb = pixels::ColorBox(Shot(g.slider), Tone(2, kThumb));
  EXPECT_GT(thumb.Height(), 8) << "the handle shows the thumb's second frame";
}

// With a sunken edge the combo's whole image shows the field; unhooking
// every painter gives the gallery its standard look back.
TEST(Painters, WholeComboImageShowsTheFieldAndUnhookingRestoresTheLook) {
  auto data = LoadSkinFile(GallerySkin("[SunkEdge]\nImage=edge.bmp\n"));
  for (Qt::LayoutDirection direction : {Qt::LeftToRight, Qt::RightToLeft}) {
    QComboBox combo;
    combo.resize(120, 24);
    combo.setLayoutDirection(direction);
    (new TSkinComBox(&combo))->HookControl(nullptr, data.get(), false);
    EXPECT_EQ(Shot(&combo).GetPixel(60, 12), FromQColor(combo.palette().color(QPalette::Base))) << direction;
  }
  TSkinFormObject form;
  gallery::ControlGallery g;
  g.show();
  QApplication::processEvents();
  const QImage before = g.grab().toImage();
  g.Hook(data.get(), &form);
  EXPECT_NE(g.grab().toImage(), before);
  for (TSkinControl* painter : g.Painters()) painter->Unhook();
  QApplication::processEvents();
  EXPECT_EQ(g.grab().toImage(), before);
}

// A combo box's band is painted with its client, in one paint event: that
// paint asks for no other (the combo box once painted itself for ever).
TEST(Painters, AComboBoxPaintAsksForNoFurtherPaint) {
  auto data = LoadSkinFile(GallerySkin());
  QWidget host;
  auto* combo = new QComboBox(&host);
  combo->setGeometry(10, 10, 120, 24);
  (new TSkinComBox(combo))->HookControl(nullptr, data.get(), false);
  host.show();
  struct : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override { return paints += e->type() == QEvent::Paint, false; }
  } counter;
  combo->installEventFilter(&counter);
  combo->update();
  QElapsedTimer t;
  for (t.start(); t.elapsed() < 200;) QApplication::processEvents();
  EXPECT_GE(counter.paints, 1);
  EXPECT_LE(counter.paints, 2);
}
