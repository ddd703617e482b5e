// The panel, spin, size-grip, dialog tool-bar and combo-variant adapters:
// sections by bevels, a panel that takes no controls left alone, the
// spin's halves and their states, the grip's hit test and odd masks, the
// tool bar's separators and states, the variant's button.
#include "skinlib/adapters/PanelAdapters.h"
#include "skinlib/adapters/SpinAdapter.h"
#include "skinlib/adapters/TabAdapters.h"
#include "skinlib/adapters/WWComboAdapter.h"

#include "AdapterTestSupport.h"
#include "SkinnedAdapterTest.h"

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Colors.h"
#include "platform/ControlMessages.h"
#include "platform/Properties.h"
#include "platform/Startup.h"
#include "platform/WindowProc.h"
#include "platform/WindowTable.h"
#include "skinlib/manager/SkinMasks.h"
#include "skinlib/manager/SkinRecords.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/support/PanelSkin.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QFrame>
#include <QLineEdit>
#include <QSizeGrip>
#include <QSpinBox>
#include <QTabBar>
#include <QToolBar>
#include <QPixmap>
#include <QIcon>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

using namespace platform;

namespace {

// Skin colours (red in the lowest byte) as Qt's RGB.
QRgb Rgb(int skinColor) { return ToQColor(TColor(skinColor)).rgb() & 0xFFFFFF; }
QRgb PixelOf(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFF; }
// Within 4 on each channel (a frame's mask weighs the colour a little).
bool Near(QRgb a, QRgb b) {
  return std::abs(qRed(a) - qRed(b)) <= 4 && std::abs(qGreen(a) - qGreen(b)) <= 4 && std::abs(qBlue(a) - qBlue(b)) <= 4;
}

TEST(PanelSectionTest, ByBevels) {
  struct Row {
    const char *outer, *inner, *border, *section;
  } rows[] = {
      {"bvLowered", "bvNone", "bsNone", "PANEL_LOW"},  {"bvLowered", "bvRaised", "bsNone", "GROUPBOX"},
      {"bvLowered", "bvLowered", "bsNone", "PANEL_LOW"}, {"bvRaised", "bvNone", "bsNone", "PANEL"},
      {"bvRaised", "bvLowered", "bsNone", "GROUPBOX"},  {"bvRaised", "bvRaised", "bsSingle", "PANEL"},
      {"bvNone", "bvRaised", "bsSingle", "PANEL_LOW"},  {"bvNone", "bvLowered", "bsNone", "CHECKBOX"},
      {"bvSpace", "bvNone", "bsNone", "CHECKBOX"},
  };
  for (const Row& r : rows)
    EXPECT_EQ(PanelSectionByBevels(r.outer, r.inner, r.border), QString::fromLatin1(r.section))
        << r.outer << " " << r.inner << " " << r.border;
  QFrame plain;  // the framework's defaults: raised, no inner bevel
  EXPECT_EQ(PanelSectionOf(&plain), "PANEL");
}

TEST(PanelSectionTest, AcceptsControlsByName) {
  QFrame panel;
  EXPECT_TRUE(PanelAcceptsControls(&panel));  // a panel takes controls
  panel.setProperty("ControlStyle", "[csCaptureMouse, csOpaque]");
  EXPECT_FALSE(PanelAcceptsControls(&panel));
  panel.setProperty("ControlStyle", "[csAcceptsControls, csOpaque]");
  EXPECT_TRUE(PanelAcceptsControls(&panel));
  panel.setProperty("ControlStyle", QStringList{"csOpaque"});
  EXPECT_FALSE(PanelAcceptsControls(&panel));
  EXPECT_FALSE(PanelAcceptsControls(nullptr));
}

TEST(SpinLayoutTest, HalvesByDirection) {
  const TRect area{10, 0, 26, 20};
  const TacSpinLayout v = LayoutSpin(area, true, 2);
  EXPECT_EQ(v.Halves[0], (TRect{12, 0, 26, 10}));
  EXPECT_EQ(v.Halves[1], (TRect{12, 10, 26, 20}));
  const TacSpinLayout h = LayoutSpin(area, false, 2);
  EXPECT_EQ(h.Halves[0], (TRect{10, 0, 18, 20}));
  EXPECT_EQ(h.Halves[1], (TRect{18, 0, 26, 20}));
  struct Row {
    TPoint p;
    TacSpinHalf vertical, horizontal;
  } rows[] = {{{20, 3}, TacSpinHalf::First, TacSpinHalf::Second},
              {{11, 15}, TacSpinHalf::None, TacSpinHalf::First},
              {{25, 19}, TacSpinHalf::Second, TacSpinHalf::Second},
              {{30, 5}, TacSpinHalf::None, TacSpinHalf::None}};
  for (const Row& r : rows) {
    EXPECT_EQ(SpinHalfAt(v, r.p), r.vertical) << r.p.X << "," << r.p.Y;
    EXPECT_EQ(SpinHalfAt(h, r.p), r.horizontal) << r.p.X << "," << r.p.Y;
  }
  const TacSpinState pressed = SpinStateFor(TacSpinHalf::Second, true);
  EXPECT_EQ(pressed.Buttons[0], TacSpinButtonState::Normal);
  EXPECT_EQ(pressed.Buttons[1], TacSpinButtonState::Pressed);
  EXPECT_EQ(SpinStateFor(TacSpinHalf::First, false).Buttons[0], TacSpinButtonState::Hot);
  const TacSpinState none = SpinStateFor(TacSpinHalf::None, true);
  EXPECT_EQ(none.Buttons[0], TacSpinButtonState::Normal);
  EXPECT_EQ(none.Buttons[1], TacSpinButtonState::Normal);
}

TEST(GripImageRectTest, ZeroImagesCountAsOne) {
  TsMaskData mask;
  mask.R = TRect{0, 0, 24, 12};
  struct Row {
    int images, maskType, w, h;
    TRect expected;
  } rows[] = {
      {2, 0, 30, 30, {18, 18, 30, 30}}, {1, 0, 30, 30, {6, 18, 30, 30}}, {0, 0, 30, 30, {6, 18, 30, 30}},
      {1, 1, 30, 30, {6, 24, 30, 30}},  {1, -1, 30, 30, {6, 18, 30, 30}}, {1, 0, 10, 8, {0, 0, 24, 12}},
  };
  for (const Row& r : rows) {
    mask.ImageCount = int16_t(r.images);
    mask.MaskType = int16_t(r.maskType);
    EXPECT_EQ(GripImageRect(mask, r.w, r.h), r.expected) << r.images << " " << r.maskType;
  }
}

TEST(ToolButtonStateTest, ByButtonState) {
  struct Row {
    std::uint8_t state;
    bool inside;
    int expected;
  } rows[] = {{0, true, 0},
              {TBSTATE_ENABLED, false, 0},
              {TBSTATE_ENABLED, true, 1},
              {TBSTATE_ENABLED | TBSTATE_PRESSED, false, 2},
              {TBSTATE_PRESSED, true, 0}};
  for (const Row& r : rows) EXPECT_EQ(ToolButtonPaintState(r.state, r.inside), r.expected) << int(r.state);
}

TEST(WWComboButtonRectTest, ByStyle) {
  const int w = GetSystemMetrics(SM_CXVSCROLL);
  EXPECT_EQ(WWComboButtonRect(true, 0, 100, 24), (TRect{100 - w - 2, 2, 98, 22}));
  EXPECT_EQ(WWComboButtonRect(true, WS_EX_LEFTSCROLLBAR, 100, 24), (TRect{2, 2, 2 + w, 22}));
  EXPECT_EQ(WWComboButtonRect(false, 0, 100, 24), (TRect{98, 2, 98, 22}));
}

// A panel window of a standard dialog that the program made itself.
class TPanel : public QWidget {
 public:
  using QWidget::QWidget;
};
class TSilentPaintPanel : public QWidget {
 public:
  using QWidget::QWidget;
};
// A panel that counts its own paints (Qt's painting of it).
class CountingPanel : public QFrame {
 public:
  using QFrame::QFrame;
  int Paints = 0;

 protected:
  void paintEvent(QPaintEvent* e) override {
    ++Paints;
    QFrame::paintEvent(e);
  }
};
// An edit with a button of the program's own kind.
class TwwDBComboBox : public QLineEdit {
 public:
  using QLineEdit::QLineEdit;
};

class PanelAdaptersTest : public SkinnedAdapterTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(Activate(testskins::PanelSkin(), "PanelDemo"));
    QCursor::setPos(-500, -500);
    form.resize(400, 300);
  }
  void TearDown() override {
    adapters.clear();
    delete panelData;
    Finish();
  }
  void Show() {
    form.show();
    QApplication::processEvents();
  }
  template <class T>
  T* Adapt(QWidget* window, TsCommonData* data, const QString& section) {
    auto adapter = TacMainWnd::Create<T>(window, data, manager.get(), section, true);
    T* made = adapter.get();
    adapters.emplace_back(adapter.release());
    return made;
  }
  QImage Grab(QWidget* w) {
    QApplication::processEvents();
    return w->grab().toImage();
  }

  std::vector<TacAdapterPtr<TacMainWnd>> adapters;
  TsCommonData* panelData = nullptr;
};

}  // namespace

// A lowered panel that takes controls is painted from "PANEL_LOW" and Qt
// never paints it; one whose ControlStyle lacks csAcceptsControls is left
// to the base: Qt paints it and the adapter's cache stays unpainted.
TEST_F(PanelAdaptersTest, PanelWithoutAcceptsControlsIsLeftToTheBase) {
  for (bool accepts : {true, false}) {
    auto* panel = new CountingPanel(&form);
    panel->setGeometry(10, 10, 120, 60);
    panel->setProperty("BevelOuter", "bvLowered");
    if (!accepts) panel->setProperty("ControlStyle", "[csOpaque]");
    panel->show();
    Show();
    delete panelData;
    panelData = new TsCommonData(panel);
    panelData->SetSkinManager(manager.get());
    TacPanelWnd* adapter = Adapt<TacPanelWnd>(panel, panelData, QString());
    EXPECT_EQ(panelData->SkinSection(), "PANEL_LOW");
    panel->Paints = 0;
    const QImage shot = Grab(panel);
    if (accepts) {
      EXPECT_EQ(PixelOf(shot, 60, 30), Rgb(testskins::kPanelLowColor));
      EXPECT_FALSE(panelData->BackgroundDirty);
      EXPECT_EQ(panel->Paints, 0);
    } else {
      EXPECT_TRUE(panelData->BackgroundDirty);
      EXPECT_GT(panel->Paints, 0);
    }
    (void)adapter;
    adapters.clear();
    delete panel;
  }
}

// A framed panel's band is painted from the cache: the section's colour
// where Qt would draw its dark frame.
TEST_F(PanelAdaptersTest, PanelBandFromCache) {
  auto* panel = new QFrame(&form);
  panel->setGeometry(10, 10, 120, 60);
  panel->setFrameStyle(QFrame::Box | QFrame::Plain);
  panel->setLineWidth(3);
  panel->setProperty("BevelOuter", "bvLowered");
  Show();
  const QRgb qtFrame = PixelOf(Grab(panel), 1, 30);
  panelData = new TsCommonData(panel);
  panelData->SetSkinManager(manager.get());
  TacPanelWnd* adapter = Adapt<TacPanelWnd>(panel, panelData, QString());
  EXPECT_EQ(adapter->BorderSize(), 3);
  const QImage shot = Grab(panel);
  EXPECT_NE(qtFrame, Rgb(testskins::kPanelLowColor));
  EXPECT_EQ(PixelOf(shot, 1, 30), Rgb(testskins::kPanelLowColor));
  EXPECT_EQ(PixelOf(shot, 60, 1), Rgb(testskins::kPanelLowColor));
  EXPECT_EQ(PixelOf(shot, 60, 30), Rgb(testskins::kPanelLowColor));
}

// A see-through panel shows the cache of its section around its children.
TEST_F(PanelAdaptersTest, TransPanelPaintsItsCache) {
  auto* panel = new QWidget(&form);
  panel->setGeometry(10, 10, 120, 60);
  auto* child = new QWidget(panel);
  child->setGeometry(40, 20, 30, 20);
  child->setAutoFillBackground(true);
  SetControlColor(child, TColor(0x0000FF));
  Show();
  Adapt<TacTransPanelWnd>(panel, nullptr, QStringLiteral("CHECKBOX"));
  const QImage shot = Grab(panel);
  EXPECT_EQ(PixelOf(shot, 5, 5), Rgb(testskins::kPanelCheckBoxColor));
  EXPECT_EQ(PixelOf(shot, 50, 30), 0xFF0000u);  // the child's own
}

// A child made on a panel is told to the form (command 25); one that goes
// is not.
TEST_F(PanelAdaptersTest, PanelTellsTheFormOfNewChildren) {
  auto* panel = new QFrame(&form);
  panel->setGeometry(10, 10, 120, 60);
  Show();
  panelData = new TsCommonData(panel);
  panelData->SetSkinManager(manager.get());
  Adapt<TacPanelWnd>(panel, panelData, QString());
  std::vector<CommandRecord> log;
  CommandRecorder recorder(log, &form, QStringLiteral("form"));
  auto* child = new QWidget(panel);
  SendMessage(panel, WM_PARENTNOTIFY, MAKEWPARAM(WM_CREATE, 0), LPARAM(PtrParam(child)));
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].Command, unsigned(acControlChanged));
  EXPECT_EQ(log[0].LParam, LPARAM(PtrParam(panel)));
  log.clear();
  SendMessage(panel, WM_PARENTNOTIFY, MAKEWPARAM(WM_DESTROY, 0), LPARAM(PtrParam(child)));
  EXPECT_TRUE(log.empty());
}

// The caption is written in the middle of the panel.
TEST_F(PanelAdaptersTest, PanelCaptionInTheMiddle) {
  auto* panel = new QFrame(&form);
  panel->setGeometry(10, 10, 160, 60);
  panel->setWindowTitle(QStringLiteral("开奖"));
  Show();
  panelData = new TsCommonData(panel);
  panelData->SetSkinManager(manager.get());
  Adapt<TacPanelWnd>(panel, panelData, QString());
  // Pixels of the middle that differ from the panel's plain colour there.
  const auto textPixels = [](const QImage& shot) {
    const QRgb back = PixelOf(shot, 20, 30);
    int count = 0;
    for (int y = 16; y < 45; ++y)
      for (int x = 51; x < 110; ++x) count += PixelOf(shot, x, y) != back;
    return count;
  };
  const QImage shot = Grab(panel);
  EXPECT_GT(textPixels(shot), 10);
  EXPECT_EQ(PixelOf(shot, 20, 30), PixelOf(shot, 140, 30));  // nothing written at the sides
  // A new caption is painted anew: without one, the middle is plain.
  panel->setWindowTitle(QString());
  EXPECT_EQ(textPixels(Grab(panel)), 0);
}

// A standard dialog's panel window: "TPanel" takes "CHECKBOX" and the
// global colour; any other class "GROUPBOX", whatever was asked.
TEST_F(PanelAdaptersTest, DialogPanelSectionByClass) {
  auto* tpanel = new TPanel(&form);
  auto* silent = new TSilentPaintPanel(&form);
  tpanel->setGeometry(10, 10, 80, 40);
  silent->setGeometry(100, 10, 80, 40);
  Show();
  TacDlgPanelWnd* a = Adapt<TacDlgPanelWnd>(tpanel, nullptr, QStringLiteral("PANEL"));
  TacDlgPanelWnd* b = Adapt<TacDlgPanelWnd>(silent, nullptr, QStringLiteral("PANEL"));
  EXPECT_EQ(a->SkinData()->SkinSection(), "CHECKBOX");
  EXPECT_EQ(b->SkinData()->SkinSection(), "GROUPBOX");
  EXPECT_EQ(a->Control(), tpanel);
  EXPECT_EQ(GetControlColor(tpanel), manager->GlobalSectionColor());
  const QImage shot = Grab(tpanel);
  EXPECT_EQ(PixelOf(shot, 3, 20), Rgb(testskins::kPanelCheckBoxColor));
}

// The up-down area of a spin box: top and bottom halves, or left and
// right once UDS_HORZ is set; the half under the cursor is hot and shows
// the hot colour, pressed while the button is down.
TEST_F(PanelAdaptersTest, SpinHalvesFollowUdsHorz) {
  auto* spin = new QSpinBox(&form);
  spin->setGeometry(10, 10, 120, 40);
  Show();
  TacSpinWnd* adapter = Adapt<TacSpinWnd>(spin, nullptr, QStringLiteral("SPEEDBUTTON_SMALL"));
  EXPECT_EQ(adapter->SkinData()->SkinSection(), "SPEEDBUTTON_SMALL");
  const TRect area = adapter->ArrowArea();
  ASSERT_GE(area.Width(), 8);
  ASSERT_GE(area.Height(), 8);
  ASSERT_TRUE(adapter->IsVertical());
  TacSpinLayout l = adapter->Layout();
  EXPECT_EQ(l.Halves[0].Bottom, l.Halves[1].Top);
  EXPECT_EQ(l.Halves[0].Left, l.Halves[1].Left);

  SetWindowLong(spin, GWL_STYLE, GetWindowLong(spin, GWL_STYLE) | UDS_HORZ);
  ASSERT_FALSE(adapter->IsVertical());
  l = adapter->Layout();
  EXPECT_EQ(l.Halves[0].Right, l.Halves[1].Left);
  EXPECT_EQ(l.Halves[0].Top, l.Halves[1].Top);
  EXPECT_EQ(l.Halves[0].Height(), area.Height());

  // The cursor over the left half: it is hot, the right one normal.
  const TRect left = l.Halves[0];
  QCursor::setPos(spin->mapToGlobal(QPoint(left.Left + 2, left.Top + area.Height() / 2)));
  const TacSpinState s = adapter->ReadSpinState();
  EXPECT_EQ(s.Buttons[0], TacSpinButtonState::Hot);
  EXPECT_EQ(s.Buttons[1], TacSpinButtonState::Normal);
  spin->update();
  const QImage shot = Grab(spin);
  EXPECT_EQ(PixelOf(shot, left.Left + 1, left.Top + 2), Rgb(testskins::kSpinHotColor));
  EXPECT_EQ(PixelOf(shot, l.Halves[1].Right - 2, l.Halves[1].Top + 2), Rgb(testskins::kSpinColor));
}

// A press marks the half under the cursor pressed until the release; a
// move inside makes the control the hot window.
TEST_F(PanelAdaptersTest, SpinPressedHalf) {
  auto* spin = new QSpinBox(&form);
  spin->setGeometry(10, 10, 120, 40);
  Show();
  TacSpinWnd* adapter = Adapt<TacSpinWnd>(spin, nullptr, QStringLiteral("SPEEDBUTTON_SMALL"));
  const TRect lower = adapter->Layout().Halves[1];
  const QPoint at(lower.Left + 2, lower.Top + 2);
  QCursor::setPos(spin->mapToGlobal(at));
  manager->SetHotWindow(nullptr);
  SendMessage(spin, WM_MOUSEMOVE, 0, MAKELPARAM(at.x(), at.y()));
  EXPECT_EQ(manager->HotWindow(), spin);
  SendMessage(spin, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x(), at.y()));
  EXPECT_TRUE(adapter->Pressed());
  TacSpinState s = adapter->ReadSpinState();
  EXPECT_EQ(s.Buttons[0], TacSpinButtonState::Normal);
  EXPECT_EQ(s.Buttons[1], TacSpinButtonState::Pressed);
  SendMessage(spin, WM_LBUTTONUP, 0, MAKELPARAM(at.x(), at.y()));
  EXPECT_FALSE(adapter->Pressed());
  EXPECT_EQ(adapter->ReadSpinState().Buttons[1], TacSpinButtonState::Hot);
  QCursor::setPos(-500, -500);
  s = adapter->ReadSpinState();
  EXPECT_EQ(s.Buttons[0], TacSpinButtonState::Normal);
  EXPECT_EQ(s.Buttons[1], TacSpinButtonState::Normal);
}

// A tab bar's two scroll buttons are the halves of a spin adapter made by
// the spin unit: "UPDOWNBTN", side by side, the one under the cursor hot.
TEST_F(PanelAdaptersTest, TabScrollButtonsPaintedAsSpin) {
  StartUnit("SpinAdapter");
  auto* bar = new QTabBar(&form);
  bar->setUsesScrollButtons(true);
  bar->setElideMode(Qt::ElideNone);
  for (int i = 0; i < 12; ++i) bar->addTab(QStringLiteral("第 2026%1 期").arg(i, 3, 10, QLatin1Char('0')));
  bar->setGeometry(0, 0, 160, 30);
  Show();
  auto tab = TacMainWnd::Create<TacTabControlWnd>(bar, nullptr, manager.get(), QString(), true);
  auto* spin = dynamic_cast<TacSpinPairWnd*>(tab->SpinWnd());
  ASSERT_NE(spin, nullptr);
  EXPECT_EQ(spin->SkinData()->SkinSection(), "UPDOWNBTN");
  EXPECT_FALSE(spin->IsVertical());
  QWidget* first = spin->CtrlHandle();
  QWidget* second = spin->SecondWnd();
  ASSERT_TRUE(first && second);
  EXPECT_EQ(PixelOf(Grab(first), 1, 1), Rgb(testskins::kSpinColor));
  EXPECT_EQ(PixelOf(Grab(second), 1, 1), Rgb(testskins::kSpinColor));
  QCursor::setPos(second->mapToGlobal(QPoint(second->width() / 2, second->height() / 2)));
  EXPECT_EQ(spin->HalfState(second), TacSpinButtonState::Hot);
  EXPECT_EQ(spin->HalfState(first), TacSpinButtonState::Normal);
  EXPECT_EQ(PixelOf(Grab(second), 1, 1), Rgb(testskins::kSpinHotColor));
  // Without the skin's arrow glyphs a plain arrow in the font colour (black
  // here) points each half's way: the back one's tip on the left.
  const auto glyphs = manager->StandardIndexes.ScrollBtnGlyphs;
  manager->StandardIndexes.ScrollBtnGlyphs = {-1, -1, -1, -1};
  const QImage back = Grab(first);
  manager->StandardIndexes.ScrollBtnGlyphs = glyphs;
  int leftHalf = 0, rightHalf = 0;
  for (int y = 0; y < back.height(); ++y)
    for (int x = 0; x < back.width(); ++x)
      if (PixelOf(back, x, y) == 0) (x < back.width() / 2 ? leftHalf : rightHalf) += 1;
  EXPECT_GT(leftHalf + rightHalf, 4);
  EXPECT_LT(leftHalf, rightHalf);  // the wide end on the right: pointing left
  tab.reset();
  QCursor::setPos(-500, -500);
  EXPECT_NE(PixelOf(Grab(second), 1, 1), Rgb(testskins::kSpinColor));  // Qt's own button again
  FinishUnit("SpinAdapter");
  EXPECT_FALSE(TabSpinFactory());
}

// A section the skin lacks becomes "BUTTON".
TEST_F(PanelAdaptersTest, SpinWithoutItsSectionTakesButton) {
  auto* spin = new QSpinBox(&form);
  Show();
  TacSpinWnd* adapter = Adapt<TacSpinWnd>(spin, nullptr, QStringLiteral("NOSUCHSECTION"));
  EXPECT_EQ(adapter->SkinData()->SkinSection(), "BUTTON");
}

// The size grip answers HTBOTTOMRIGHT wherever it is asked and clears the
// hot window.
TEST_F(PanelAdaptersTest, SizeGripAlwaysAnswers17) {
  auto* grip = new QSizeGrip(&form);
  grip->setGeometry(380, 280, 16, 16);
  Show();
  Adapt<TacSizerWnd>(grip, nullptr, QStringLiteral("CHECKBOX"));
  for (const QPoint at : {QPoint(388, 288), QPoint(0, 0), QPoint(-50, 4000)}) {
    manager->SetHotWindow(grip);
    const QPoint screen = form.mapToGlobal(at);
    EXPECT_EQ(SendMessage(grip, WM_NCHITTEST, 0, MAKELPARAM(screen.x(), screen.y())), LRESULT(HTBOTTOMRIGHT));
    EXPECT_EQ(manager->HotWindow(), nullptr);
  }
}

// The grip picture at the bottom-right corner, also from a mask counting
// no images.
TEST_F(PanelAdaptersTest, GripImageCountZeroPaints) {
  for (int count : {1, 0}) {
    Finish();
    ASSERT_NO_FATAL_FAILURE(Activate(testskins::PanelSkin(count), QStringLiteral("Grip%1").arg(count)));
    const int index = manager->FindMaskIndex(manager->StandardIndexes.GlobalInfo, "GLOBALINFO", "GRIPIMAGE");
    ASSERT_TRUE(manager->IsValidMaskIndex(index));
    EXPECT_EQ(manager->MaskData[size_t(index)].ImageCount, count);
    auto grip = std::make_unique<QSizeGrip>(&form);
    grip->setGeometry(300, 200, 20, 20);
    Show();
    TacSizerWnd* adapter = Adapt<TacSizerWnd>(grip.get(), nullptr, QStringLiteral("CHECKBOX"));
    Bitmap bmp(20, 20, pf24bit);
    ASSERT_TRUE(adapter->PaintGrip(bmp));
    const QImage image = bmp.ToQImage();
    int dots = 0;
    for (int y = 8; y < 20; ++y)
      for (int x = 8; x < 20; ++x) dots += PixelOf(image, x, y) == (testskins::kPanelGripColor & 0xFFFFFF);
    EXPECT_GT(dots, 10) << count;
    EXPECT_NE(PixelOf(image, 2, 2), testskins::kPanelGripColor & 0xFFFFFF);
    adapters.clear();
  }
}

// A dialog's tool bar: buttons from "TOOLBUTTON", hot under the cursor, a
// separator from "DIVIDER", a disabled button blended towards the
// section's colour.
TEST_F(PanelAdaptersTest, ToolBarButtonsAndSeparators) {
  auto* bar = new QToolBar(&form);
  bar->setGeometry(0, 0, 300, 34);
  bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
  QAction* open = bar->addAction(QStringLiteral("打开"));
  bar->addSeparator();
  QAction* save = bar->addAction(QStringLiteral("保存"));
  save->setEnabled(false);
  Show();
  TacToolBarWnd* adapter = Adapt<TacToolBarWnd>(bar, nullptr, QStringLiteral("BAR"));
  ASSERT_EQ(SendMessage(bar, TB_BUTTONCOUNT), 3);
  TRect rects[3];
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(SendMessage(bar, TB_GETITEMRECT, WPARAM(i), LPARAM(PtrParam(&rects[i]))));
  const QImage shot = Grab(bar);
  // The first button in the normal colour (under its frame's edge).
  EXPECT_TRUE(Near(PixelOf(shot, rects[0].Left + 1, rects[0].Bottom - 2), Rgb(testskins::kToolButtonColor)));
  // The separator's dark line somewhere in its rectangle.
  int dark = 0;
  for (int x = rects[1].Left; x < rects[1].Right; ++x) dark += PixelOf(shot, x, rects[1].Top + rects[1].Height() / 2) == 0x305070;
  EXPECT_EQ(dark, 1);
  // Its picture's first and last lines are clear: the line stops short of the ends.
  for (const int y : {rects[1].Top, rects[1].Bottom - 1}) {
    int ends = 0;
    for (int x = rects[1].Left; x < rects[1].Right; ++x) ends += PixelOf(shot, x, y) == 0x305070;
    EXPECT_EQ(ends, 0) << y;
  }
  // The disabled one is blended: not the plain colour.
  const QRgb disabled = PixelOf(shot, rects[2].Left + 1, rects[2].Bottom - 2);
  EXPECT_FALSE(Near(disabled, Rgb(testskins::kToolButtonColor)));
  // The cursor over the first button: hot.
  QCursor::setPos(bar->mapToGlobal(QPoint(rects[0].Left + 3, rects[0].Top + 3)));
  bar->widgetForAction(open)->update();
  const QImage hot = Grab(bar);
  EXPECT_TRUE(Near(PixelOf(hot, rects[0].Left + 1, rects[0].Bottom - 2), Rgb(testskins::kToolButtonHotColor)));
  EXPECT_EQ(adapter->BorderWidth(), 0);
  // Out of the chain, the buttons paint themselves again.
  adapter->Uninstall(false);
  QCursor::setPos(-500, -500);
  const QImage plain = Grab(bar);
  EXPECT_FALSE(Near(PixelOf(plain, rects[0].Left + 1, rects[0].Bottom - 2), Rgb(testskins::kToolButtonColor)));
}

// A standard dialog's lone tool button (its class a tool bar's too) keeps
// its own painting: its icon shows (painted over by the bar's picture, a
// bar without buttons, it showed none).
TEST_F(PanelAdaptersTest, ALoneToolButtonKeepsItsIcon) {
  auto* button = new QToolButton(&form);
  button->setGeometry(10, 10, 28, 28);
  button->setIconSize(QSize(16, 16));
  QPixmap icon(16, 16);
  icon.fill(QColor(0x20, 0xA0, 0x40));
  button->setIcon(QIcon(icon));
  Show();
  const QImage plain = Grab(button);
  ASSERT_EQ(PixelOf(plain, 14, 14), 0x20A040u);
  Adapt<TacToolBarWnd>(button, nullptr, QStringLiteral("CHECKBOX"));
  EXPECT_EQ(PixelOf(Grab(button), 14, 14), 0x20A040u) << "the icon is gone";
}

// The bar's border is half what its frame takes from its height.
TEST_F(PanelAdaptersTest, ToolBarBorderWidth) {
  auto* bar = new QToolBar(&form);
  bar->setGeometry(0, 0, 300, 40);
  bar->setContentsMargins(4, 4, 4, 4);
  bar->addAction(QStringLiteral("打开"));
  Show();
  TacToolBarWnd* adapter = Adapt<TacToolBarWnd>(bar, nullptr, QStringLiteral("BAR"));
  Grab(bar);
  EXPECT_EQ(adapter->BorderWidth(), 4);
  EXPECT_EQ(adapter->ClientRect().Height(), 32);
  // Wider, the bar's picture follows.
  bar->resize(380, 40);
  const QImage wide = Grab(bar);
  EXPECT_EQ(PixelOf(wide, 370, 20), Rgb(testskins::kBarColor));
}

// The combo variant shows its button unless a combo box's Style says
// otherwise.
TEST_F(PanelAdaptersTest, WWComboButton) {
  auto* own = new TwwDBComboBox(&form);
  own->setGeometry(10, 10, 150, 24);
  auto* simple = new QComboBox(&form);
  simple->setProperty("Style", "csSimple");
  simple->setGeometry(10, 50, 150, 24);
  auto* dropDown = new QComboBox(&form);
  dropDown->setGeometry(10, 90, 150, 24);
  Show();
  auto* a = Adapt<TacWWComboBoxWnd>(own, nullptr, QString());
  auto* b = Adapt<TacWWComboBoxWnd>(simple, nullptr, QString());
  auto* c = Adapt<TacWWComboBoxWnd>(dropDown, nullptr, QString());
  EXPECT_TRUE(a->ShowButton);
  EXPECT_FALSE(b->ShowButton);
  EXPECT_TRUE(c->ShowButton);
  EXPECT_EQ(a->ButtonRect().Width(), GetSystemMetrics(SM_CXVSCROLL));
  EXPECT_EQ(a->ButtonRect().Right, 148);
  EXPECT_TRUE(b->ButtonRect().IsEmpty());
  EXPECT_EQ(a->SkinData()->SkinSection(), "COMBOBOX");
}
