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
#include <QStyleOptionComboBox>
#include <QStyleOptionSlider>
#include <QStyleOptionSpinBox>
#include <QTabBar>

#include <gtest/gtest.h>

using namespace platform;
using namespace skinning;
using namespace testskins;

namespace {

// Frame k (from 1) of every strip is Shade(k, tone).
QColor Shade(int k, int tone) { return QColor(20 * k, tone, 255 - 20 * k); }

QImage Strip(int fw, int fh, int frames, int tone, bool keyCorners = false) {
  QImage image(fw * frames, fh, QImage::Format_RGB32);
  for (int k = 0; k < frames; ++k)
    for (int y = 0; y < fh; ++y)
      for (int x = 0; x < fw; ++x)
        image.setPixelColor(k * fw + x, y, keyCorners && x < 2 && y < 2 ? QColor(Qt::magenta) : Shade(k + 1, tone));
  return image;
}

enum Tone { kButton = 10, kCheck = 40, kRadio = 70, kTabs = 100, kPane = 130, kCombo = 160, kEdge = 190,
            kProgress = 220, kUpDown = 250, kStatus = 30, kThumb = 60, kChunk = 90 };

std::string GallerySkin(const std::string& extra = {}, bool withButtons = true) {
  const std::string buttons = withButtons ? "Bitmap=button.bmp\n" : "";
  return SkinOf("[Colours]\nButtonFace=10,20,30\nButtonShadow=90,90,90\n"
                "[Buttons]\n" + buttons + "CheckButton=check.bmp\nRadioButton=radio.bmp\n"
                "CheckButtonFrame=12\nRadioButtonFrame=8\nTrans=1\nLeftWidth=2\nTopHeight=2\nRightWidth=2\nBottomHeight=2\n"
                "[Tabs]\nImage=tabs.bmp\nBorder=pane.bmp\n[ComboButton]\nImage=combo.bmp\n"
                "[UpDown.Vert]\nImage=updown.bmp\n[StatusBarEdges]\nImage=status.bmp\n"
                "[Trackbar.ThumbHorz]\nImage=thumb.bmp\n[Progress]\nBitmap=progress.bmp\n" + extra,
                {{"button.bmp", Strip(10, 10, 5, kButton, true)}, {"check.bmp", Strip(13, 13, 12, kCheck)},
                 {"radio.bmp", Strip(13, 13, 8, kRadio)},         {"tabs.bmp", Strip(20, 20, 5, kTabs)},
                 {"pane.bmp", Strip(20, 20, 1, kPane)},           {"combo.bmp", Strip(17, 20, 4, kCombo)},
                 {"edge.bmp", Strip(20, 20, 4, kEdge)},           {"updown.bmp", Strip(16, 10, 8, kUpDown)},
                 {"status.bmp", Strip(20, 20, 3, kStatus)},       {"thumb.bmp", Strip(11, 19, 5, kThumb)},
                 {"progress.bmp", Strip(20, 16, 2, kProgress)},   {"chunk.bmp", Strip(10, 12, 1, kChunk)}});
}

std::unique_ptr<TSkinData> Load(const std::string& file) {
  auto data = std::make_unique<TSkinData>();
  EXPECT_TRUE(data->LoadSkinStream(Streamed(file)));
  return data;
}

Bitmap Grab(QWidget* w) { return Bitmap::FromQImage(w->grab().toImage(), pfDevice); }
TColor Frame(int k, int tone) { return Colour(Shade(k, tone)); }

class PaintersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    data = Load(GallerySkin());
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

TEST_F(PaintersTest, ButtonFramesByState) {
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
      Grab(button);  // a first paint
      c.setup(button);
      EXPECT_EQ(Grab(button).GetPixel(4, 4), Frame(c.frame, kButton)) << c.name;
      SendMessage(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
      SendMessage(button, WM_MOUSELEAVE);
      button->setEnabled(true);
      button->setDefault(false);
    }
  }
  g.menuButton->setFocus();
  EXPECT_EQ(Grab(g.menuButton).GetPixel(4, 4), Frame(4, kButton)) << "a focused menu button is hot";
}

TEST_F(PaintersTest, QtAloneClicksAndCaptionsBreakOnce) {
  int clicks = 0;
  QObject::connect(g.cancel, &QPushButton::clicked, [&] { ++clicks; });
  SendMessage(g.cancel, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessage(g.cancel, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(clicks, 1);
  Grab(g.multiLine);
  EXPECT_EQ(FindSkinControl<TSkinButton>(g.multiLine)->Text, QStringLiteral("红球\r\n蓝球||和值"));
}

TEST(Painters, ParentBehindTheFrameAndTheStandardLookWithoutBitmap) {
  auto data = Load(GallerySkin());
  QWidget parent;
  parent.setAutoFillBackground(true);
  QPalette p = parent.palette();
  p.setColor(QPalette::Window, QColor(1, 2, 3));
  parent.setPalette(p);
  auto* see = new QPushButton(QStringLiteral("a"), &parent);
  auto* plain = new QPushButton(QStringLiteral("a"), &parent);
  for (QPushButton* b : {see, plain}) b->resize(100, 30);
  SetTag(see, kParentPaintTag);
  (new TSkinButton(see))->HookControl(nullptr, data.get(), false);
  (new TSkinButton(plain))->HookControl(nullptr, data.get(), false);
  EXPECT_EQ(Grab(see).GetPixel(0, 0), RGB(1, 2, 3));
  EXPECT_EQ(Grab(plain).GetPixel(0, 0), RGB(10, 20, 30));

  auto bare = Load(GallerySkin({}, false));
  QPushButton skinned(QStringLiteral("标准")), standard(QStringLiteral("标准"));
  skinned.resize(100, 30);
  standard.resize(100, 30);
  (new TSkinButton(&skinned))->HookControl(nullptr, bare.get(), false);
  EXPECT_EQ(skinned.grab().toImage(), standard.grab().toImage());
}

TEST(Painters, GlyphAndCaptionLayout) {
  struct Case {
    int layout, margin, spacing;
    bool centre;
    int glyphX, glyphY, textX, textY;
  };
  // Client 100 x 30, glyph 16 x 16, text 40 x 12.
  const Case cases[] = {
      {0, -1, -1, false, 14, 7, 44, 9},  {0, 4, -1, true, 14, 7, 44, 9},  // "taCenter" ignores the margin
      {0, 4, -1, false, 4, 7, 40, 9},    {0, -1, 10, false, 17, 7, 43, 9}, {1, 4, 2, false, 80, 7, 38, 9},
      {2, -1, -1, false, 42, 0, 30, 16}, {3, 2, 2, false, 42, 12, 30, -2},
  };
  for (const Case& c : cases) {
    TGlyphLayout l;
    l.Layout = c.layout;
    l.Margin = c.margin;
    l.Spacing = c.spacing;
    l.CentreAlways = c.centre;
    l.GlyphSize = {16, 16};
    l.TextSize = {40, 12};
    LayoutGlyphAndCaption(l, {100, 30});
    EXPECT_EQ(l.GlyphPos, (TPoint{c.glyphX, c.glyphY})) << c.layout << " " << c.margin;
    EXPECT_EQ(l.TextPos, (TPoint{c.textX, c.textY})) << c.layout << " " << c.margin;
  }
  int margin = -1, spacing = -1;
  MenuButtonSpacing(100, 16, 40, margin, spacing);
  EXPECT_EQ(margin, 9);
  EXPECT_EQ(spacing, 9);

  // A glyph strip said to hold 0 frames is one frame.
  Bitmap out = pixels::White(8, 4);
  Bitmap glyph = Bitmap::FromQImage(Strip(4, 4, 1, 0), pfDevice);
  glyph.SetPixel(0, 3, clLime);  // its transparent colour
  DrawGlyphFrame(out.GetCanvas(), 0, 0, 0, 1, glyph);
  out.GetCanvas().EndPainting();
  EXPECT_EQ(out.GetPixel(3, 0), Colour(Shade(1, 0)));
  EXPECT_EQ(out.GetPixel(0, 3), clWhite);
}

TEST(Painters, CentredBitButtonIgnoresItsMargin) {
  auto data = Load(GallerySkin());
  // Where the red glyph lands in a 100 x 30 button with those properties.
  const auto glyphAt = [&](QVariant margin, QVariant alignment) {
    QPushButton b(QStringLiteral("走势"));
    b.resize(100, 30);
    b.setIcon(testskins::Ball(QColor(226, 48, 56)));
    b.setProperty("Margin", margin);
    b.setProperty("Alignment", alignment);
    (new TSkinBitButton(&b))->HookControl(nullptr, data.get(), false);
    return pixels::Box(Grab(&b), [](TColor c) { return GetRValue(c) > 150 && GetGValue(c) < 100; }).Left;
  };
  const int free = glyphAt({}, {});
  EXPECT_GT(free, 4);
  EXPECT_EQ(glyphAt(4, QStringLiteral("taCenter")), free);
  EXPECT_LE(glyphAt(4, QStringLiteral("taLeftJustify")), 4 + 3) << "the margin, and the ball inside its icon";
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
    EXPECT_EQ(Grab(c.box).GetPixel(6, c.box->height() / 2), Frame(c.frame, c.tone)) << c.box->text().toStdString();
  }
}

TEST_F(PaintersTest, TabsFramesAndCloseBoxes) {
  auto* painter = FindSkinControl<TSkinTab>(g.tabs);
  QTabBar* bar = g.tabs->tabBar();
  const Bitmap shot = Grab(g.tabs);
  const QRect first = bar->tabRect(0).translated(bar->pos()), second = bar->tabRect(1).translated(bar->pos());
  EXPECT_EQ(shot.GetPixel(first.x() + 4, first.bottom() - 3), Frame(2, kTabs)) << "the current tab";
  EXPECT_EQ(shot.GetPixel(second.x() + 4, second.bottom() - 3), Frame(1, kTabs));
  ASSERT_EQ(painter->CloseRects.size(), 3u);

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
  Grab(&bottom);
  EXPECT_FALSE(below->CloseButtons);
  EXPECT_TRUE(below->CloseRects.empty());
}

TEST_F(PaintersTest, StatusBarProgressAndEdits) {
  const Bitmap status = Grab(g.status);
  EXPECT_EQ(status.GetPixel(g.status->width() - 2, 3), Frame(2, kStatus)) << "the last panel reaches the edge";
  EXPECT_EQ(status.GetPixel(g.panel1->x() + 1, 3), Frame(1, kStatus)) << "a sunken panel";

  g.progress->setValue(0);
  EXPECT_EQ(Grab(g.progress).GetPixel(3, 9), Frame(1, kProgress)) << "only the empty frame";
  const Bitmap half = Grab(g.progressRange);
  EXPECT_EQ(half.GetPixel(98, 9), Frame(2, kProgress));
  EXPECT_EQ(half.GetPixel(102, 9), Frame(1, kProgress));

  const Bitmap framed = Grab(g.edit), bare = Grab(g.frameless);
  EXPECT_EQ(framed.GetPixel(0, 0), RGB(90, 90, 90));
  EXPECT_EQ(framed.GetPixel(2, 2), clWhite);
  EXPECT_NE(bare.GetPixel(0, 0), RGB(90, 90, 90));

  Bitmap border = pixels::White(30, 20);
  EXPECT_EQ(SendMessage(g.edit, SKIN_PRINTBORDER, PtrParam(&border.GetCanvas()), kSkinPrintTag), kSkinPrintTag);
  border.GetCanvas().EndPainting();
  EXPECT_EQ(border.GetPixel(0, 5), RGB(90, 90, 90));
}

TEST(Painters, ChunkProgressCountsFromTheLowEnd) {
  for (bool withChunk : {true, false}) {
    const std::string chunk = withChunk ? "[Progress.Chunk]\nImage=chunk.bmp\n" : "";
    auto data = Load(GallerySkin("Style=1\n" + chunk));
    QProgressBar bar;
    bar.setGeometry(0, 0, 200, 18);
    bar.setRange(50, 150);
    bar.setValue(100);
    (new TSkinProgress(&bar))->HookControl(nullptr, data.get(), false);
    const Bitmap shot = Grab(&bar);
    // The one-frame background is the whole strip stretched: its second half
    // shows from 100 on; the chunk covers half the bar, not two thirds.
    EXPECT_EQ(shot.GetPixel(96, 9), withChunk ? Frame(1, kChunk) : Frame(1, kProgress));
    EXPECT_EQ(shot.GetPixel(104, 9), Frame(2, kProgress));
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
  const Case cases[] = {{[] {}, 1}, {[&] { g.combo->setFocus(); }, 4}, {[&] { g.combo->setEnabled(false); }, 3}};
  for (const Case& c : cases) {
    c.setup();
    EXPECT_EQ(Grab(g.combo).GetPixel(W - bw / 2 - 2, H / 2), Frame(c.frame, kCombo));
  }
  EXPECT_EQ(FindSkinControl<TSkinComBox>(g.combo)->ButtonRect, Rect(W - bw - 2, 0, W - 2, H));

  QStyleOptionSpinBox spin;
  spin.initFrom(g.spin);
  spin.subControls = QStyle::SC_All;
  spin.frame = g.spin->hasFrame();
  const QRect up = g.spin->style()->subControlRect(QStyle::CC_SpinBox, &spin, QStyle::SC_SpinBoxUp, g.spin);
  const QRect down = g.spin->style()->subControlRect(QStyle::CC_SpinBox, &spin, QStyle::SC_SpinBoxDown, g.spin);
  EXPECT_GE(up.top(), 3);
  EXPECT_LE(down.bottom(), g.spin->height() - 4);
  EXPECT_LE(up.right(), g.spin->width() - 4);
  EXPECT_EQ(up.bottom() + 1, down.top());
  EXPECT_LE(std::abs(up.height() - down.height()), 1);
  const Bitmap spinShot = Grab(g.spin);
  EXPECT_EQ(spinShot.GetPixel(up.center().x(), up.center().y()), Frame(1, kUpDown));
  EXPECT_EQ(spinShot.GetPixel(down.center().x(), down.center().y()), Frame(5, kUpDown));

  const TRect thumb = pixels::ColorBox(Grab(g.slider), Frame(2, kThumb));
  EXPECT_GT(thumb.Height(), 8) << "the handle shows the thumb's second frame";
}

TEST(Painters, UnhookingRestoresTheLook) {
  auto data = Load(GallerySkin("[SunkEdge]\nImage=edge.bmp\n"));
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
