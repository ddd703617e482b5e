// The static, button, check-box and group-box adapters: their pure state
// and layout rules, and what they paint for the generator's button skin.
#include "skinlib/adapters/ButtonAdapters.h"
#include "skinlib/adapters/StaticAdapters.h"
#include "skinlib/adapters/EditAdapters.h"

#include "SkinnedAdapterTest.h"

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Colors.h"
#include "platform/Painting.h"
#include "platform/Properties.h"
#include "platform/WindowProc.h"
#include "platform/WindowTable.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/SkinRecords.h"
#include "skinlib/manager/SkinColors.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/support/ButtonSkin.h"

#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <type_traits>
#include <utility>
#include <vector>

using namespace platform;

namespace {

// ------------------------------------------------------------ pure rules

TEST(ButtonRulesTest, PaintState) {
  struct Row {
    unsigned bm;
    bool enabled, focused, hot, def;
    TacButtonState expected;
  } rows[] = {
      {BST_PUSHED, true, false, false, false, TacButtonState::Pressed},
      {BST_PUSHED, false, false, false, false, TacButtonState::Pressed},
      {0, false, true, true, true, TacButtonState::Normal},
      {0, true, true, false, false, TacButtonState::Hot},
      {0, true, false, true, false, TacButtonState::Hot},
      {0, true, false, false, true, TacButtonState::Hot},
      {BST_FOCUS, true, false, false, false, TacButtonState::Normal},
  };
  for (const Row& r : rows)
    EXPECT_EQ(ButtonPaintState(r.bm, r.enabled, r.focused, r.hot, r.def), r.expected)
        << r.bm << r.enabled << r.focused << r.hot << r.def;
}

TEST(ButtonRulesTest, DefaultButtonByOwner) {
  EXPECT_TRUE(IsDefaultButton(BS_DEFPUSHBUTTON, true));
  EXPECT_FALSE(IsDefaultButton(BS_PUSHBUTTON, true));
  // A program's check box (3) is no default button; a bare one's low bit says so.
  EXPECT_FALSE(IsDefaultButton(BS_AUTOCHECKBOX, true));
  EXPECT_TRUE(IsDefaultButton(BS_AUTOCHECKBOX, false));
  EXPECT_FALSE(IsDefaultButton(BS_PUSHBUTTON | BS_MULTILINE, false));
}

TEST(ButtonRulesTest, CaptionRect) {
  const TRect r = BtnCaptionRect(QSize(80, 30), QSize(40, 14), false);
  EXPECT_EQ(r.Left, 19);
  EXPECT_EQ(r.Top, 8);
  EXPECT_EQ(r.Right, 62);
  EXPECT_EQ(r.Bottom, 22);
  const TRect p = BtnCaptionRect(QSize(80, 30), QSize(40, 14), true);
  EXPECT_EQ(p.Left, 20);
  EXPECT_EQ(p.Top, 9);
}

// Both radio kinds take the radio images; an indeterminate state the
// grayed box.
TEST(CheckBoxRulesTest, MaskNames) {
  struct Row {
    std::uint32_t style;
    int state;
    const char* mask;
  } rows[] = {
      {BS_AUTORADIOBUTTON, 0, "RADIOUNCHECKED"}, {BS_AUTORADIOBUTTON, 1, "RADIOCHECKED"},
      {BS_RADIOBUTTON, 0, "RADIOUNCHECKED"},     {BS_RADIOBUTTON | BS_LEFTTEXT, 1, "RADIOCHECKED"},
      {BS_AUTOCHECKBOX, 0, "BOXUNCHECKED"},      {BS_AUTOCHECKBOX, 1, "BOXCHECKED"},
      {BS_AUTO3STATE, 2, "BOXGRAYED"},           {BS_AUTORADIOBUTTON, 2, "BOXGRAYED"},
      {BS_CHECKBOX, 1, "BOXCHECKED"},
  };
  for (const Row& r : rows) EXPECT_EQ(CheckBoxMaskName(r.style, r.state), QString(r.mask)) << r.style << " " << r.state;
  EXPECT_EQ(CheckBoxCheckState(BST_CHECKED | BST_INDETERMINATE), 2);
  EXPECT_EQ(CheckBoxCheckState(BST_CHECKED | BST_FOCUS), 1);
  EXPECT_EQ(CheckBoxCheckState(BST_FOCUS), 0);
  EXPECT_EQ(CheckBoxImageState(BST_PUSHED | BST_FOCUS, false), 2);
  EXPECT_EQ(CheckBoxImageState(BST_FOCUS, false), 1);
  EXPECT_EQ(CheckBoxImageState(BST_CHECKED, true), 1);
  EXPECT_EQ(CheckBoxImageState(BST_CHECKED, false), 0);
}

TEST(CheckBoxRulesTest, Layout) {
  const QSize client(100, 24), image(13, 13), text(40, 14);
  const TacCheckBoxLayout plain = LayoutCheckBox(BS_AUTOCHECKBOX, client, image, text);
  EXPECT_EQ(plain.Image.Left, 0);
  EXPECT_EQ(plain.Image.Top, 5);
  EXPECT_EQ(plain.Text.Left, 15);
  EXPECT_EQ(plain.Text.Top, 5);
  const TacCheckBoxLayout left = LayoutCheckBox(BS_AUTOCHECKBOX | BS_LEFTTEXT, client, image, text);
  EXPECT_EQ(left.Image.Left, 87);
  EXPECT_EQ(left.Image.Right, 100);
  EXPECT_EQ(left.Text.Left, 2);
  const TacCheckBoxLayout multi = LayoutCheckBox(BS_AUTOCHECKBOX | BS_MULTILINE, client, image, text);
  EXPECT_EQ(multi.Text.Left, 14);
  EXPECT_EQ(multi.Text.Top, 4);
  EXPECT_TRUE(LayoutCheckBox(BS_AUTOCHECKBOX, client, image, QSize()).Text.IsEmpty());
}

TEST(GroupBoxRulesTest, CaptionRect) {
  const TRect r = GroupCaptionRect(QSize(50, 15), 200);
  EXPECT_EQ(r.Left, 6);
  EXPECT_EQ(r.Top, 0);
  EXPECT_EQ(r.Right, 64);
  EXPECT_EQ(r.Bottom, 17);
  EXPECT_EQ(GroupCaptionRect(QSize(50, 15), 40).Right, 39);
  EXPECT_EQ(GroupCaptionRect(QSize(0, 0), 200).Bottom, 6);
}

TEST(StaticRulesTest, LinkText) {
  EXPECT_EQ(LinkDisplayText(QStringLiteral("<A>帮助</A>")), QStringLiteral("帮助"));
  EXPECT_EQ(LinkDisplayText(QStringLiteral("见 <a>说明</a> 与 <A>网站</A>")), QStringLiteral("见 说明 与 网站"));
  EXPECT_EQ(LinkDisplayText(QStringLiteral("<B>x</B>")), QStringLiteral("<B>x</B>"));
}

// ------------------------------------------------------------ painting

QRgb Rgb(TColor c) { return qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

int CountColour(const QImage& image, const QRect& area, QRgb colour) {
  int n = 0;
  const QRect r = area.intersected(image.rect());
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x)
      if ((image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF)) ++n;
  return n;
}

int CountDark(const QImage& image, const QRect& area) {
  int n = 0;
  const QRect r = area.intersected(image.rect());
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) {
      const QRgb p = image.pixel(x, y);
      if (qRed(p) + qGreen(p) + qBlue(p) < 300) ++n;
    }
  return n;
}

// What a window paints into a canvas of its size sent with `msg`.
QImage PaintedBy(QWidget* w, unsigned msg, QRgb fill, LPARAM lParam = 0, LRESULT* result = nullptr) {
  Bitmap bmp(w->width(), w->height(), pf24bit);
  bmp.Fill(fill);
  LRESULT r = 0;
  {
    Canvas dc(bmp);
    const WPARAM wp = WPARAM(PtrParam(&dc));
    r = SendMessage(w, msg, wp, lParam == -1 ? LPARAM(wp) : lParam);
  }
  if (result) *result = r;
  return bmp.ToQImage();
}

class ButtonAdaptersTest : public SkinnedAdapterTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(Activate(testskins::ButtonSkin(), "Buttons"));
    QCursor::setPos(-500, -500);
    form.resize(360, 240);
    demo = testskins::MakeButtonDemoPart(&form);
    form.show();
    QApplication::processEvents();
  }
  void TearDown() override {
    if (manager) manager->SetHotWindow(nullptr);
    while (!adapters.empty()) {
      adapters.back().reset();
      adapters.pop_back();
    }
    Finish();
  }
  template <class T>
  T* Adapt(QWidget* w, const QString& section = QString()) {
    auto a = TacMainWnd::Create<T>(w, nullptr, manager.get(), section, true);
    T* raw = a.get();
    adapters.emplace_back(a.release());
    return raw;
  }

  // What an unskinned parent shows behind its children: the skin's
  // GLOBALINFO colour.
  QRgb ParentRgb() const { return Rgb(manager->GlobalSectionColor()); }
  testskins::ButtonDemoPart demo;
  std::vector<TacAdapterPtr<TacMainWnd>> adapters;
};

// A static with WS_TABSTOP or a static edge gets only the base handling: its
// erase paints no cache and no skin text; a plain one paints its caption
// in the section's font colour. A link leaves only the edge to the base.
TEST_F(ButtonAdaptersTest, StaticLeftToBaseByStyle) {
  struct Row {
    const char* name;
    bool link, tabStop, edge, painted;
  } rows[] = {
      {"plain", false, false, false, true},      {"tab stop", false, true, false, false},
      {"static edge", false, false, true, false}, {"link with tab stop", true, true, false, true},
      {"link with edge", true, false, true, false},
  };
  for (const Row& row : rows) {
    auto* label = new QLabel(row.link ? QStringLiteral("<A>帮助说明</A>") : QStringLiteral("期号期号"), &form);
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(10, 200, 120, 24);
    if (row.tabStop) label->setFocusPolicy(Qt::TabFocus);
    if (row.edge) {
      label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
      label->setLineWidth(1);
    }
    label->show();
    QApplication::processEvents();
    ASSERT_EQ((GetWindowLong(label, GWL_STYLE) & WS_TABSTOP) != 0, row.tabStop) << row.name;
    ASSERT_EQ((GetWindowLong(label, GWL_EXSTYLE) & WS_EX_STATICEDGE) != 0, row.edge) << row.name;
    TacMainWnd* a = row.link ? static_cast<TacMainWnd*>(Adapt<TacLinkWnd>(label, "CHECKBOX"))
                             : static_cast<TacMainWnd*>(Adapt<TacStaticWnd>(label, "CHECKBOX"));
    const QImage img = PaintedBy(label, WM_ERASEBKGND, 0xFF00FF00);
    const bool cached = a->SkinData()->CacheBitmap && !a->SkinData()->CacheBitmap->Empty();
    EXPECT_EQ(cached, row.painted) << row.name;
    EXPECT_EQ(CountColour(img, img.rect(), Rgb(testskins::kCheckFontColor)) > 0, row.painted) << row.name;
    // The see-through section shows the parent behind the text.
    if (row.painted) {
      EXPECT_EQ(img.pixel(118, 2) & 0xFFFFFF, ParentRgb() & 0xFFFFFF) << row.name;
    }
    delete label;
  }
}

// A label's text where the label puts it: right-aligned and centred in its
// height (a standard dialog's "Hue:" beside its spin box), centred, or
// left at the top of a label that wraps (it was always at the top left).
TEST_F(ButtonAdaptersTest, StaticTextFollowsTheLabelsAlignment) {
  struct Row {
    const char* name;
    Qt::Alignment alignment;
    bool wrap;
    bool right, centred, middle;
  } rows[] = {{"right", Qt::AlignRight | Qt::AlignVCenter, false, true, false, true},
              {"centre", Qt::AlignHCenter | Qt::AlignVCenter, false, false, true, true},
              {"left", Qt::AlignLeft | Qt::AlignVCenter, false, false, false, true},
              {"wrapping", Qt::AlignLeft | Qt::AlignTop, true, false, false, false}};
  for (const Row& row : rows) {
    auto* label = new QLabel(QStringLiteral("期号"), &form);
    label->setAlignment(row.alignment);
    label->setWordWrap(row.wrap);
    label->setGeometry(10, 200, 160, 48);
    label->show();
    QApplication::processEvents();
    Adapt<TacStaticWnd>(label, "CHECKBOX");
    const QImage img = PaintedBy(label, WM_ERASEBKGND, 0xFF00FF00);
    QRect text;
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x)
        if ((img.pixel(x, y) & 0xFFFFFF) == (Rgb(testskins::kCheckFontColor) & 0xFFFFFF)) text |= QRect(x, y, 1, 1);
    ASSERT_TRUE(text.isValid()) << row.name;
    EXPECT_EQ(text.right() > 130, row.right) << row.name;
    EXPECT_EQ(std::abs(text.center().x() - 80) < 12, row.centred) << row.name;
    EXPECT_EQ(std::abs(text.center().y() - 24) < 6, row.middle) << row.name << " " << text.top();
    delete label;
  }
}

// A disabled push button swallows WM_SETFOCUS: nothing reaches the
// handling before the adapter and it takes no focus look; an enabled one
// passes it on and is focused.
TEST_F(ButtonAdaptersTest, DisabledButtonSwallowsSetFocus) {
  for (QPushButton* b : {demo.Disabled, demo.Button}) {
    int reached = 0;
    WindowProcHandle before = InstallWindowProc(
        b,
        [&reached](Message& m, const CallPrevious& previous) {
          if (m.Msg == WM_SETFOCUS) ++reached;
          previous(m);
        },
        WindowProcLevel::Window);
    TacBtnWnd* a = Adapt<TacBtnWnd>(b);
    a->SkinData()->BackgroundDirty = true;
    SendMessage(b, WM_SETFOCUS, 0, 0);
    const bool enabled = b->isEnabled();
    // The focus look is painted at once.
    EXPECT_EQ(a->SkinData()->BackgroundDirty, !enabled);
    EXPECT_EQ(reached, enabled ? 1 : 0) << b->text().toStdString();
    EXPECT_EQ(a->SkinData()->Focused, enabled);
    RemoveWindowProc(before);
  }
}

// Buttons read their state: the default button and the hot window are
// hot, a pushed one pressed, a disabled one normal even when hot.
TEST_F(ButtonAdaptersTest, ButtonStates) {
  TacBtnWnd* def = Adapt<TacBtnWnd>(demo.Default);
  TacBtnWnd* button = Adapt<TacBtnWnd>(demo.Button);
  TacBtnWnd* disabled = Adapt<TacBtnWnd>(demo.Disabled);
  demo.Default->clearFocus();
  demo.Button->clearFocus();
  EXPECT_EQ(def->ReadBtnState().State, TacButtonState::Hot);
  EXPECT_EQ(button->ReadBtnState().State, TacButtonState::Normal);
  manager->SetHotWindow(demo.Button);
  EXPECT_EQ(button->ReadBtnState().State, TacButtonState::Hot);
  manager->SetHotWindow(demo.Disabled);
  EXPECT_EQ(disabled->ReadBtnState().State, TacButtonState::Normal);
  demo.Button->setDown(true);
  EXPECT_EQ(button->ReadBtnState().State, TacButtonState::Pressed);
  demo.Button->setDown(false);
  // The hot and normal looks differ in the cache.
  manager->SetHotWindow(nullptr);
  button->PrepareCache();
  const QImage normal = button->SkinData()->CacheBitmap->ToQImage();
  manager->SetHotWindow(demo.Button);
  button->PrepareCache();
  EXPECT_NE(button->SkinData()->CacheBitmap->ToQImage(), normal);
}

// WM_PAINT outside a paint event brings the cache up to date and asks for
// a repaint; with a canvas the cache is copied into it.
TEST_F(ButtonAdaptersTest, PaintOutsideAndInsideAPaintEvent) {
  TacBtnWnd* a = Adapt<TacBtnWnd>(demo.Button);
  a->SkinData()->BackgroundDirty = true;
  SendMessage(demo.Button, WM_PAINT, 0, 0);
  ASSERT_TRUE(a->SkinData()->CacheBitmap);
  EXPECT_FALSE(a->SkinData()->BackgroundDirty);
  EXPECT_EQ(a->SkinData()->CacheBitmap->Width(), demo.Button->width());
  const QImage painted = PaintedBy(demo.Button, WM_PAINT, 0xFF00FF00);
  EXPECT_EQ(painted, a->SkinData()->CacheBitmap->ToQImage());
}

// Auto (9) and plain (4) radio buttons draw radio images, check boxes box
// images; the image sits where the layout says.
TEST_F(ButtonAdaptersTest, RadioButtonsDrawRadioImages) {
  struct Row {
    QAbstractButton* button;
    std::uint32_t kind;
    bool radio;
  } rows[] = {
      {demo.Radio, BS_AUTORADIOBUTTON, true},
      {demo.PlainRadio, BS_RADIOBUTTON, true},
      {demo.Check, BS_AUTOCHECKBOX, false},
      {demo.Tristate, BS_AUTO3STATE, false},
  };
  for (const Row& row : rows) {
    ASSERT_EQ(std::uint32_t(GetWindowLong(row.button, GWL_STYLE)) & 0xF, row.kind);
    Adapt<TacCheckBoxWnd>(row.button);
    const QImage img = PaintedBy(row.button, WM_PAINT, 0xFF00FF00);
    const int top = (row.button->height() - testskins::kCheckImageSize) / 2;
    const QRect image(0, top, testskins::kCheckImageSize, testskins::kCheckImageSize);
    EXPECT_EQ(CountColour(img, image, testskins::kRadioRingColour) > 0, row.radio) << row.kind;
    EXPECT_EQ(CountColour(img, image, testskins::kBoxFrameColour) > 0, !row.radio) << row.kind;
    // The check box is see-through: its parent shows beside the text.
    EXPECT_EQ(img.pixel(row.button->width() - 1, 1) & 0xFFFFFF, ParentRgb() & 0xFFFFFF);
  }
}

// A checked box shows the mark, an unchecked one none; BS_LEFTTEXT puts
// the image at the right edge.
TEST_F(ButtonAdaptersTest, CheckStatesAndLeftText) {
  TacCheckBoxWnd* a = Adapt<TacCheckBoxWnd>(demo.Check);
  const QRect image(0, (demo.Check->height() - testskins::kCheckImageSize) / 2, testskins::kCheckImageSize,
                    testskins::kCheckImageSize);
  QImage img = PaintedBy(demo.Check, WM_PAINT, 0xFF00FF00);
  EXPECT_GT(CountColour(img, image, testskins::kCheckMarkColour), 0);
  demo.Check->setChecked(false);
  img = PaintedBy(demo.Check, WM_PAINT, 0xFF00FF00);
  EXPECT_EQ(CountColour(img, image, testskins::kCheckMarkColour), 0);
  EXPECT_GT(CountColour(img, image, testskins::kBoxFrameColour), 0);
  demo.Check->setLayoutDirection(Qt::RightToLeft);
  ASSERT_TRUE(GetWindowLong(demo.Check, GWL_STYLE) & BS_LEFTTEXT);
  img = PaintedBy(demo.Check, WM_PAINT, 0xFF00FF00);
  const QRect right = image.translated(demo.Check->width() - testskins::kCheckImageSize, 0);
  EXPECT_GT(CountColour(img, right, testskins::kBoxFrameColour), 0);
  EXPECT_EQ(CountColour(img, image, testskins::kBoxFrameColour), 0);
  EXPECT_GE(a->ImageIndex(a->ReadCheckBoxState()), 0);
}

// A disabled control's cache is pulled 40 % towards its parent's colour.
TEST_F(ButtonAdaptersTest, DisabledLookBlendsTowardsParent) {
  auto* check = new QCheckBox(QStringLiteral("禁用"), &form);
  check->setGeometry(10, 200, 80, 22);
  check->show();
  QApplication::processEvents();
  TacCheckBoxWnd* a = Adapt<TacCheckBoxWnd>(check);
  const QRect image(0, (check->height() - testskins::kCheckImageSize) / 2, testskins::kCheckImageSize,
                    testskins::kCheckImageSize);
  const QImage enabled = PaintedBy(check, WM_PAINT, 0xFF00FF00);
  ASSERT_GT(CountColour(enabled, image, testskins::kBoxFrameColour), 0);
  check->setEnabled(false);
  const QImage disabled = PaintedBy(check, WM_PAINT, 0xFF00FF00);
  EXPECT_EQ(CountColour(disabled, image, testskins::kBoxFrameColour), 0);
  const QRgb f = testskins::kBoxFrameColour, p = ParentRgb();
  const auto mix = [](int c, int parent) { return int(std::nearbyint((c - parent) * 0.4 + parent)); };
  const QRgb expected = qRgb(mix(qRed(f), qRed(p)), mix(qGreen(f), qGreen(p)), mix(qBlue(f), qBlue(p)));
  EXPECT_GT(CountColour(disabled, image, expected), 0);
  EXPECT_FALSE(a->SkinData()->BackgroundDirty);
}

// A disabled caption is written in the disabled colour over the faded
// face and fades no further: its strongest pixels stand out from the face
// beside them nearly as far as that colour does (a second fade towards
// the parent would leave 40 % of it). Both a push button and a check box.
TEST_F(ButtonAdaptersTest, DisabledCaptionKeepsItsContrast) {
  TacBtnWnd* button = Adapt<TacBtnWnd>(demo.Disabled);
  auto* check = new QCheckBox(QStringLiteral("禁用"), &form);
  check->setGeometry(10, 212, 80, 22);
  check->setEnabled(false);
  check->show();
  QApplication::processEvents();
  TacCheckBoxWnd* box = Adapt<TacCheckBoxWnd>(check);
  struct Row {
    QWidget* window;
    TacMainWnd* adapter;
    QRect caption;
  } rows[] = {
      {demo.Disabled, button, QRect(10, 4, demo.Disabled->width() - 20, demo.Disabled->height() - 8)},
      {check, box, QRect(testskins::kCheckImageSize + 2, 0, check->width() - testskins::kCheckImageSize - 2,
                         check->height())},
  };
  const auto distance = [](QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
  };
  for (const Row& row : rows) {
    ASSERT_FALSE(row.window->isEnabled());
    const QImage img = PaintedBy(row.window, WM_PAINT, 0xFF00FF00);
    const TsGeneralData& section = manager->GeneralData[size_t(row.adapter->SkinData()->SectionIndex)];
    const QRgb text = Rgb(MixColors(section.FontColor[0], manager->GlobalSectionColor(), 0.4));
    // The face beside the caption, on the caption's middle row.
    const int y = row.caption.center().y();
    const QRgb face = img.pixel(row.caption.right(), y);
    int strongest = 0;
    for (int x = row.caption.left(); x <= row.caption.right(); ++x)
      for (int yy = row.caption.top(); yy <= row.caption.bottom(); ++yy)
        strongest = std::max(strongest, distance(img.pixel(x, yy), img.pixel(row.caption.right(), yy)));
    EXPECT_GE(strongest, distance(text, face) * 3 / 4)
        << row.window->metaObject()->className() << " " << strongest << " " << distance(text, face);
    EXPECT_GE(strongest, 90) << row.window->metaObject()->className();
  }
}

// Inside a skinned group box the disabled look is pulled towards the
// group box's cache at the control's place.
TEST_F(ButtonAdaptersTest, DisabledLookOverAParentBitmap) {
  TacGroupBoxWnd* group = Adapt<TacGroupBoxWnd>(demo.Group);
  group->PrepareCache();
  TacCheckBoxWnd* a = Adapt<TacCheckBoxWnd>(demo.Check);
  demo.Check->setEnabled(false);
  const QImage img = PaintedBy(demo.Check, WM_PAINT, 0xFF00FF00);
  const QImage parent = group->SkinData()->CacheBitmap->ToQImage();
  const int top = (demo.Check->height() - testskins::kCheckImageSize) / 2;
  // The image's left frame line, in the middle of its height.
  const QPoint at(1, top + testskins::kCheckImageSize / 2);
  const QRgb f = testskins::kBoxFrameColour, p = parent.pixel(demo.Check->pos() + at);
  const auto mix = [](int c, int behind) { return int(std::nearbyint(behind - (behind - c) * 0.4)); };
  const QRgb expected = qRgb(mix(qRed(f), qRed(p)), mix(qGreen(f), qGreen(p)), mix(qBlue(f), qBlue(p)));
  EXPECT_EQ(img.pixel(at) & 0xFFFFFF, expected & 0xFFFFFF);
  EXPECT_FALSE(a->SkinData()->BackgroundDirty);
}

// An empty group caption draws neither caption background nor text: the
// frame's top line runs under where a caption would be.
TEST_F(ButtonAdaptersTest, EmptyGroupCaptionDrawsNoCaption) {
  demo.EmptyGroup->setGeometry(220, 8, 110, 120);
  TacGroupBoxWnd* titled = Adapt<TacGroupBoxWnd>(demo.Group);
  TacGroupBoxWnd* empty = Adapt<TacGroupBoxWnd>(demo.EmptyGroup);
  titled->PrepareCache();
  empty->PrepareCache();
  const QImage t = titled->SkinData()->CacheBitmap->ToQImage();
  const QImage e = empty->SkinData()->CacheBitmap->ToQImage();
  const TRect caption = titled->CaptionRect();
  ASSERT_GT(caption.Height(), 8);
  const QRect captionArea(caption.Left, caption.Top, caption.Width(), caption.Height());
  EXPECT_GT(CountDark(t, captionArea), 0);
  EXPECT_EQ(CountDark(e, captionArea), 0);
  EXPECT_EQ(e.pixel(20, 0) & 0xFFFFFF, ParentRgb() & 0xFFFFFF);
  const int frameTop = empty->CaptionRect().Height() / 2;
  EXPECT_EQ(e.pixel(20, frameTop) & 0xFFFFFF, testskins::kGroupFrameColour & 0xFFFFFF);
  // Behind the caption of the titled box lies the parent, not the frame.
  EXPECT_EQ(t.pixel(caption.Left + 1, caption.Height() / 2) & 0xFFFFFF, ParentRgb() & 0xFFFFFF);
  // Skin command 27 answers the caption's height.
  EXPECT_EQ(SendMessage(demo.Group, SkinCommandMsg, MAKEWPARAM(0, acGetCaptionHeight), 0), caption.Height());
}

// A group-box erase whose wParam differs from lParam only answers 1; one
// the library sends with the canvas in both paints the box.
TEST_F(ButtonAdaptersTest, GroupBoxEraseNeedsBothParameters) {
  TacGroupBoxWnd* a = Adapt<TacGroupBoxWnd>(demo.Group);
  a->SkinData()->BackgroundDirty = true;
  LRESULT result = 0;
  const QImage untouched = PaintedBy(demo.Group, WM_ERASEBKGND, 0xFF00FF00, 0, &result);
  EXPECT_EQ(result, 1);
  EXPECT_EQ(CountColour(untouched, untouched.rect(), 0xFF00FF00), untouched.width() * untouched.height());
  EXPECT_TRUE(a->SkinData()->BackgroundDirty);
  const QImage painted = PaintedBy(demo.Group, WM_ERASEBKGND, 0xFF00FF00, -1, &result);
  EXPECT_EQ(result, 1);
  EXPECT_FALSE(a->SkinData()->BackgroundDirty);
  EXPECT_LT(CountColour(painted, painted.rect(), 0xFF00FF00), painted.width() * painted.height());
}

// A bit button's glyph: "NumGlyphs" 0 counts as one glyph (no division
// by zero), the count's low seven bits count, the icon serves without a
// "Glyph"; painting with each is safe and shows the glyph.
TEST_F(ButtonAdaptersTest, BitButtonGlyphCount) {
  TacBitBtnWnd* a = Adapt<TacBitBtnWnd>(demo.BitButton);
  TacBitBtnGlyph icon = a->ReadGlyph();
  ASSERT_NE(icon.Picture, nullptr);
  EXPECT_EQ(icon.NumGlyphs, 1);
  EXPECT_EQ(icon.Picture->Width(), 16);
  QImage glyph(32, 16, QImage::Format_RGB32);
  glyph.fill(QColor(0, 160, 0));
  glyph.setPixel(0, 15, qRgb(255, 0, 255));
  demo.BitButton->setProperty("Glyph", glyph);
  struct Row {
    int numGlyphs, expected;
  } rows[] = {{0, 1}, {2, 2}, {130, 2}, {128, 1}};
  for (const Row& row : rows) {
    demo.BitButton->setProperty("NumGlyphs", row.numGlyphs);
    const TacBitBtnGlyph g = a->ReadGlyph();
    EXPECT_EQ(g.NumGlyphs, row.expected) << row.numGlyphs;
    EXPECT_FALSE(g.Alpha);
    a->PrepareCache();
    const QImage img = a->SkinData()->CacheBitmap->ToQImage();
    EXPECT_GT(CountColour(img, img.rect(), qRgb(0, 160, 0)), 0) << row.numGlyphs;
  }
}

// A glyph with its own alpha (the icon): enabled in its colours, disabled
// grey and faded, never darker than what lies behind it turned grey.
TEST_F(ButtonAdaptersTest, AlphaGlyphEnabledAndDisabled) {
  TacBitBtnWnd* a = Adapt<TacBitBtnWnd>(demo.BitButton);
  ASSERT_TRUE(a->ReadGlyph().Alpha);
  a->PrepareCache();
  QImage img = a->SkinData()->CacheBitmap->ToQImage();
  const auto reddish = [](const QImage& i) {
    int n = 0;
    for (int y = 0; y < i.height(); ++y)
      for (int x = 0; x < i.width(); ++x) {
        const QRgb p = i.pixel(x, y);
        if (qRed(p) > qGreen(p) + 60 && qRed(p) > qBlue(p) + 60) ++n;
      }
    return n;
  };
  EXPECT_GT(reddish(img), 20);
  demo.BitButton->setEnabled(false);
  a->PrepareCache();
  img = a->SkinData()->CacheBitmap->ToQImage();
  EXPECT_EQ(reddish(img), 0);
  EXPECT_EQ(CountDark(img, img.rect()), 0);
}

// The mouse over a button makes it the hot window with the mouse-over
// look; leaving it ends both.
TEST_F(ButtonAdaptersTest, HotWhileTheMouseIsOver) {
  TacBtnWnd* a = Adapt<TacBtnWnd>(demo.Button);
  QCursor::setPos(demo.Button->mapToGlobal(QPoint(10, 10)));
  SendMessage(demo.Button, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
  EXPECT_EQ(manager->HotWindow(), demo.Button);
  EXPECT_TRUE(a->SkinData()->MouseAbove);
  EXPECT_EQ(a->ReadBtnState().State, TacButtonState::Hot);
  SendMessage(demo.Button, CM_MOUSELEAVE, 0, LPARAM(PtrParam(demo.Button)));
  EXPECT_EQ(manager->HotWindow(), nullptr);
  EXPECT_FALSE(a->SkinData()->MouseAbove);
  EXPECT_EQ(a->ReadBtnState().State, TacButtonState::Normal);
  // A move outside the button (under a capture) ends it as well.
  SendMessage(demo.Button, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
  ASSERT_EQ(manager->HotWindow(), demo.Button);
  SendMessage(demo.Button, WM_MOUSEMOVE, 0, MAKELPARAM(-5, 10));
  EXPECT_EQ(manager->HotWindow(), nullptr);
  SendMessage(demo.Button, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
  SendMessage(demo.Button, WM_MOUSEMOVE, 0, MAKELPARAM(10, demo.Button->height()));
  EXPECT_EQ(manager->HotWindow(), nullptr);
}

// A check box's cache follows its check state as it changes, without a
// paint asked for.
TEST_F(ButtonAdaptersTest, CheckBoxCacheFollowsTheClick) {
  TacCheckBoxWnd* a = Adapt<TacCheckBoxWnd>(demo.Check);
  const QRect image(0, (demo.Check->height() - testskins::kCheckImageSize) / 2, testskins::kCheckImageSize,
                    testskins::kCheckImageSize);
  demo.Check->click();
  ASSERT_FALSE(demo.Check->isChecked());
  ASSERT_TRUE(a->SkinData()->CacheBitmap);
  EXPECT_EQ(CountColour(a->SkinData()->CacheBitmap->ToQImage(), image, testskins::kCheckMarkColour), 0);
  demo.Check->click();
  EXPECT_GT(CountColour(a->SkinData()->CacheBitmap->ToQImage(), image, testskins::kCheckMarkColour), 0);
}

// A label with a pixmap is a bitmap static (SS_BITMAP), one given SS_ICON
// an icon static; both show the picture over the section.
TEST_F(ButtonAdaptersTest, PictureStatics) {
  TacIconWnd* bitmap = Adapt<TacIconWnd>(demo.Picture, "CHECKBOX");
  EXPECT_TRUE(bitmap->IsBitmap());
  const QRgb ring = qRgb(40, 110, 190);
  EXPECT_EQ(PaintedBy(demo.Picture, WM_ERASEBKGND, 0xFF00FF00).pixel(3, 8) & 0xFFFFFF, ring & 0xFFFFFF);
  auto* icon = new QLabel(&form);
  icon->setPixmap(demo.Picture->pixmap());
  icon->setGeometry(10, 200, 16, 16);
  icon->show();
  SetWindowLong(icon, GWL_STYLE, (GetWindowLong(icon, GWL_STYLE) & ~0xF) | SS_ICON);
  ASSERT_EQ(GetWindowLong(icon, GWL_STYLE) & 3, std::intptr_t(SS_ICON));
  TacIconWnd* iconAdapter = Adapt<TacIconWnd>(icon, "CHECKBOX");
  EXPECT_FALSE(iconAdapter->IsBitmap());
  EXPECT_EQ(PaintedBy(icon, WM_ERASEBKGND, 0xFF00FF00).pixel(3, 8) & 0xFFFFFF, ring & 0xFFFFFF);
}

// A group box of a standard dialog lets the window paint first and lays
// its frame and caption over it, leaving the inner area as the window
// painted it.
TEST_F(ButtonAdaptersTest, DialogModeGroupBox) {
  int paints = 0;
  // A fill of its own stands for the window's painting.
  WindowProcHandle before = InstallWindowProc(
      demo.Group,
      [&paints](Message& m, const CallPrevious& previous) {
        if (m.Msg != WM_PAINT || !m.WParam) return previous(m);
        ++paints;
        Canvas* dc = ParamPtr<Canvas>(m.WParam);
        dc->Brush.Color = 0x00FF00;
        dc->FillRect(TRect{0, 0, 1000, 1000});
      },
      WindowProcLevel::Window);
  CreatingDialogAdapters = true;
  TacGroupBoxWnd* a = Adapt<TacGroupBoxWnd>(demo.Group);
  CreatingDialogAdapters = false;
  ASSERT_TRUE(a->DlgMode());
  const QImage img = PaintedBy(demo.Group, WM_PAINT, 0xFF0000FF);
  EXPECT_EQ(paints, 1);
  const int w = demo.Group->width(), h = demo.Group->height();
  EXPECT_EQ(img.pixel(w / 2, h / 2) & 0xFFFFFF, 0x00FF00u);
  EXPECT_EQ(img.pixel(w / 2, h - 1) & 0xFFFFFF, testskins::kGroupFrameColour & 0xFFFFFF);
  EXPECT_EQ(img.pixel(0, h / 2) & 0xFFFFFF, testskins::kGroupFrameColour & 0xFFFFFF);
  EXPECT_EQ(img.pixel(w - 1, h / 2) & 0xFFFFFF, testskins::kGroupFrameColour & 0xFFFFFF);
  RemoveWindowProc(before);
}

// Freed, each adapter gives the window back: no property, and its paint
// and erase reach the window's own handling again.
TEST_F(ButtonAdaptersTest, FreeingGivesTheWindowBack) {
  std::vector<std::pair<QWidget*, std::function<TacAdapterPtr<TacMainWnd>(QWidget*)>>> rows;
  const auto make = [this](auto tag, const char* section) {
    using T = typename decltype(tag)::type;
    return [this, section](QWidget* w) -> TacAdapterPtr<TacMainWnd> {
      return TacAdapterPtr<TacMainWnd>(TacMainWnd::Create<T>(w, nullptr, manager.get(), section, true).release());
    };
  };
  rows.emplace_back(demo.Label, make(std::type_identity<TacStaticWnd>(), "CHECKBOX"));
  rows.emplace_back(demo.Link, make(std::type_identity<TacLinkWnd>(), "CHECKBOX"));
  rows.emplace_back(demo.Picture, make(std::type_identity<TacIconWnd>(), "CHECKBOX"));
  rows.emplace_back(demo.Button, make(std::type_identity<TacBtnWnd>(), ""));
  rows.emplace_back(demo.BitButton, make(std::type_identity<TacBitBtnWnd>(), ""));
  rows.emplace_back(demo.Radio, make(std::type_identity<TacCheckBoxWnd>(), ""));
  rows.emplace_back(demo.Group, make(std::type_identity<TacGroupBoxWnd>(), ""));
  for (auto& [w, create] : rows) {
    int reached = 0;
    WindowProcHandle before = InstallWindowProc(
        w,
        [&reached](Message& m, const CallPrevious& previous) {
          if (m.Msg == WM_PAINT || m.Msg == WM_ERASEBKGND) ++reached;
          previous(m);
        },
        WindowProcLevel::Window);
    TacAdapterPtr<TacMainWnd> adapter = create(w);
    ASSERT_EQ(FindAdapter(w), adapter.get());
    // What the adapter does not handle goes on.
    constexpr unsigned kProbe = WM_USER + 77;
    int probes = 0;
    // The control level runs after the adapter's window level.
    WindowProcHandle probe = InstallWindowProc(
        w, [&probes](Message& m, const CallPrevious& previous) { probes += m.Msg == kProbe; previous(m); },
        WindowProcLevel::Control);
    SendMessage(w, kProbe, 0, 0);
    EXPECT_EQ(probes, 1) << GetClassName(w).toStdString();
    RemoveWindowProc(probe);
    PaintedBy(w, WM_ERASEBKGND, 0xFF00FF00);
    PaintedBy(w, WM_PAINT, 0xFF00FF00);
    const int whileSkinned = reached;
    adapter.reset();
    EXPECT_EQ(FindAdapter(w), nullptr);
    reached = 0;
    PaintedBy(w, WM_ERASEBKGND, 0xFF00FF00);
    PaintedBy(w, WM_PAINT, 0xFF00FF00);
    EXPECT_EQ(reached, 2) << GetClassName(w).toStdString();
    EXPECT_LT(whileSkinned, 2) << GetClassName(w).toStdString();
    RemoveWindowProc(before);
  }
}

// Inside a skinned group box: a check box and a label show the group
// box's cache at their places through their see-through section, a group box from edge to edge takes
// the outer cache for its caption strip, and WM_PRINT paints a group box
// into the canvas given.
TEST_F(ButtonAdaptersTest, OverAParentCache) {
  // Its section has a gradient: the outer box hands out its cache.
  TacGroupBoxWnd* outer = Adapt<TacGroupBoxWnd>(demo.Group);
  outer->PrepareCache();
  const QImage parent = outer->SkinData()->CacheBitmap->ToQImage();
  Adapt<TacCheckBoxWnd>(demo.Check);
  const QImage check = PaintedBy(demo.Check, WM_PAINT, 0xFF00FF00);
  const QPoint beside(demo.Check->width() - 1, 1);
  EXPECT_EQ(check.pixel(beside) & 0xFFFFFF, parent.pixel(demo.Check->pos() + beside) & 0xFFFFFF);
  Adapt<TacStaticWnd>(demo.Label, "CHECKBOX");
  const QImage label = PaintedBy(demo.Label, WM_ERASEBKGND, 0xFF00FF00);
  const QPoint right(demo.Label->width() - 1, demo.Label->height() - 1);
  EXPECT_EQ(label.pixel(right) & 0xFFFFFF, parent.pixel(demo.Label->pos() + right) & 0xFFFFFF);
  auto* inner = new QGroupBox(QString(), demo.Group);
  inner->setGeometry(0, 60, demo.Group->width(), 40);
  inner->show();
  QApplication::processEvents();
  TacGroupBoxWnd* a = Adapt<TacGroupBoxWnd>(inner);
  // A new child makes the outer cache dirty; the skin command asks for it
  // anew.
  SendMessage(demo.Group, SkinCommandMsg, MAKEWPARAM(0, acPrepareCache), 0);
  EXPECT_FALSE(outer->SkinData()->BackgroundDirty);
  EXPECT_EQ(outer->SkinData()->CacheBitmap->ToQImage(), parent);
  a->PrepareCache();
  const QImage strip = a->SkinData()->CacheBitmap->ToQImage();
  EXPECT_EQ(strip.pixel(0, 0) & 0xFFFFFF, parent.pixel(0, 60) & 0xFFFFFF);
  const int last = demo.Group->width() - 1;
  EXPECT_EQ(strip.pixel(last, 0) & 0xFFFFFF, parent.pixel(last, 60) & 0xFFFFFF);
  const QImage printed = PaintedBy(inner, WM_PRINT, 0xFF00FF00, PRF_CLIENT);
  EXPECT_EQ(printed.pixel(0, inner->height() - 1) & 0xFFFFFF, testskins::kGroupFrameColour & 0xFFFFFF);
}

// An edit in a box that hands out its cache shows the part of it behind
// the edit, not the box's top-left corner.
TEST_F(ButtonAdaptersTest, AnEditOverAParentCache) {
  TacGroupBoxWnd* outer = Adapt<TacGroupBoxWnd>(demo.Group);
  outer->PrepareCache();
  const QImage parent = outer->SkinData()->CacheBitmap->ToQImage();
  auto* edit = new QLineEdit(demo.Group);
  edit->setGeometry(24, 50, 80, 24);
  edit->show();
  QApplication::processEvents();
  TacEditWnd* a = Adapt<TacEditWnd>(edit);
  TsCommonData& data = *a->SkinData();
  ASSERT_TRUE(manager->IsValidSectionIndex(data.SectionIndex));
  manager->GeneralData[size_t(data.SectionIndex)].Transparency = 100;
  data.BorderMaskIndex = -1;  // the body alone: the parent's background
  data.BackgroundDirty = true;
  PrepareAdapterCache(data, edit, false);
  const QImage cache = data.CacheBitmap->ToQImage();
  const QPoint mid(edit->width() / 2, edit->height() / 2);
  ASSERT_NE(parent.pixel(edit->pos() + mid) & 0xFFFFFF, parent.pixel(mid) & 0xFFFFFF);
  EXPECT_EQ(cache.pixel(mid) & 0xFFFFFF, parent.pixel(edit->pos() + mid) & 0xFFFFFF);
}

// A see-through button repaints as it moves; a static repaints at once
// when enabled or moved.
TEST_F(ButtonAdaptersTest, CornersMovesAndEnables) {
  TacBtnWnd* button = Adapt<TacBtnWnd>(demo.Button);
  ASSERT_GE(button->SkinData()->Section()->Transparency, 1);
  button->SkinData()->BackgroundDirty = true;
  SendMessage(demo.Button, WM_MOVE, 0, 0);
  EXPECT_FALSE(button->SkinData()->BackgroundDirty);
  TacStaticWnd* label = Adapt<TacStaticWnd>(demo.Label, "CHECKBOX");
  for (unsigned msg : {WM_ENABLE, WM_MOVE}) {
    label->SkinData()->BackgroundDirty = true;
    SendMessage(demo.Label, msg, 1, 0);
    EXPECT_FALSE(label->SkinData()->BackgroundDirty) << msg;
  }
}

}  // namespace
