// The painter base: its place in the window's chain, switching it off and
// on, the skinned query, painting after the widget, colours given back,
// phases and lifetime; the published properties read by name.
#include "TestSkins.h"

#include "platform/WindowTable.h"
#include "skinning/WinSkinManage.h"
#include "skinning/WinSubClass.h"

#include "platform_gui/Pixels.h"

#include <QApplication>
#include <QCheckBox>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace platform;
using namespace skinning;
using namespace testskins;

namespace {

// A widget that answers messages with 42 and paints itself blue.
class Probe : public QWidget {
 public:
  std::vector<std::string>* log = nullptr;

 protected:
  bool event(QEvent* e) override {
    if (MessageEvent* m = AsMessageEvent(e)) {
      if (log) log->push_back("widget");
      m->Msg().Result = 42;
      return true;
    }
    return QWidget::event(e);
  }
  void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), Qt::blue); }
};

// Notes the base's calls and paints a red square over the widget.
class Recorder : public TSkinControl {
 public:
  using TSkinControl::TSkinControl;
  std::vector<std::string> log;
  bool BeforeMessage(Message& m) override {
    if (m.Msg == WM_USER) log.push_back("before");
    return TSkinControl::BeforeMessage(m);
  }
  void AfterMessage(Message& m) override {
    if (m.Msg == WM_USER) log.push_back("after");
    TSkinControl::AfterMessage(m);
  }
  void Paint(Canvas& dc, const TRect&) override {
    FillColor(dc, Rect(2, 2, 6, 6), clRed);
    ++paints;
  }
  int paints = 0;
};

std::unique_ptr<TSkinData> Skin(const std::string& ini = "[Colours]\nButtonFace=10,20,30\n") {
  auto data = std::make_unique<TSkinData>();
  EXPECT_TRUE(data->LoadSkinStream(Streamed(SkinOf(ini))));
  return data;
}

Bitmap Grab(QWidget& w) { return Bitmap::FromQImage(w.grab().toImage(), pfDevice); }

}  // namespace

TEST(PainterBase, ChainQueryAndSwitch) {
  auto data = Skin();
  TSkinFormObject form;
  auto* w = new Probe;
  w->resize(20, 20);
  auto* painter = new Recorder(w);
  w->log = &painter->log;
  painter->HookControl(&form, data.get(), false);
  EXPECT_EQ(FindSkinControl<Recorder>(w), painter);
  ASSERT_EQ(form.Controls(), std::vector<TSkinControl*>{painter});

  EXPECT_EQ(SendMessage(w, SKIN_QUERYSKINNED), 1);
  EXPECT_EQ(SendMessage(w, WM_USER), 42);
  EXPECT_EQ(painter->log, (std::vector<std::string>{"before", "widget", "after"}));
  // Switched off, every message goes past the painter; on again, it answers.
  SendMessage(w, SKIN_PAINTER, 0);
  EXPECT_FALSE(painter->Active);
  EXPECT_EQ(SendMessage(w, SKIN_QUERYSKINNED), 42);
  SendMessage(w, SKIN_PAINTER, 1);
  EXPECT_EQ(SendMessage(w, SKIN_QUERYSKINNED), 1);
  painter->Unhook();
  EXPECT_EQ(SendMessage(w, SKIN_QUERYSKINNED), 42);

  // The painter goes with its control and leaves the form's list.
  QPointer<TSkinControl> alive(painter);
  delete w;
  EXPECT_FALSE(alive);
  EXPECT_TRUE(form.Controls().empty());
}

TEST(PainterBase, PaintsAfterTheWidgetAndAsksForRepaints) {
  auto data = Skin();
  Probe w;
  w.resize(20, 20);
  auto* painter = new Recorder(&w);
  painter->HookControl(nullptr, data.get(), false);
  const Bitmap shot = Grab(w);
  EXPECT_EQ(pixels::ColorBox(shot, clRed), Rect(2, 2, 6, 6));
  EXPECT_EQ(shot.GetPixel(10, 10), clBlue);
  w.show();
  QApplication::processEvents();
  const int before = painter->paints;
  painter->PaintWindow(nullptr);
  QApplication::processEvents();
  EXPECT_GT(painter->paints, before);
}

TEST(PainterBase, ColourAndParentBackgroundGivenBack) {
  auto data = Skin();
  struct Case {
    bool ownPalette;
    bool parentBackgroundOption;
  };
  for (const Case c : {Case{false, false}, Case{true, false}, Case{false, true}}) {
    QWidget parent;
    auto* w = new QWidget(&parent);
    if (c.ownPalette) {
      QPalette p = w->palette();
      p.setColor(QPalette::Window, Qt::yellow);
      w->setPalette(p);
    }
    const QColor before = w->palette().color(QPalette::Window);
    data->Options = c.parentBackgroundOption ? TSkinOptions{xoParentBackGround} : TSkinOptions{};
    auto* painter = new TSkinControl(w);
    painter->HookControl(nullptr, data.get(), true);
    EXPECT_EQ(GetControlColor(w), RGB(10, 20, 30));
    EXPECT_TRUE(w->autoFillBackground()) << "a control given a colour fills with it";
    EXPECT_EQ(painter->ModeFlag, c.parentBackgroundOption ? 0 : 1);
    painter->Unhook();
    EXPECT_EQ(w->palette().color(QPalette::Window), before);
    EXPECT_EQ(w->testAttribute(Qt::WA_SetPalette), c.ownPalette);
    EXPECT_FALSE(w->autoFillBackground());
  }
}

TEST(PainterBase, InnerWindowGoneIsPhaseSix) {
  auto data = Skin();
  QObject owner;
  auto* window = new QWidget;
  auto* painter = new TSkinControl(&owner);
  painter->HookWindow(window, data.get(), nullptr);
  EXPECT_EQ(painter->Phase, TSkinControl::kPhaseHooked);
  EXPECT_EQ(SendMessage(window, SKIN_QUERYSKINNED), 1);
  delete window;
  EXPECT_EQ(painter->Phase, TSkinControl::kPhaseDestroyed);
  EXPECT_FALSE(painter->Active);
  EXPECT_FALSE(painter->Handle);
}

// The names the painters read that the platform's table adds to Qt's own.
TEST(PublishedProps, NamesThePaintersRead) {
  QPushButton push(QStringLiteral("OK"));
  QToolButton tool;
  tool.setCheckable(true);
  tool.setChecked(true);
  QCheckBox check;
  check.setTristate(true);
  check.setCheckState(Qt::PartiallyChecked);
  push.setProperty("NumGlyphs", 2);
  struct Case {
    QObject* o;
    const char* name;
    int ord;
    const char* text;
  };
  const Case cases[] = {
      {&push, "Down", 0, "False"},  {&tool, "down", 1, "True"},          {&check, "State", -1, "cbGrayed"},
      {&push, "NumGlyphs", 2, "2"}, {&push, "ParentBackground", 1, "True"}, {&push, "Glyph", -1, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GetOrdProperty(c.o, QString::fromLatin1(c.name)), c.ord) << c.name;
    EXPECT_EQ(GetPropertyText(c.o, QString::fromLatin1(c.name)), QString::fromUtf8(c.text)) << c.name;
  }
  SetPropertyText(&check, QStringLiteral("State"), QStringLiteral("CBCHECKED"));
  EXPECT_EQ(check.checkState(), Qt::Checked);
  SetPropertyText(&check, QStringLiteral("State"), QStringLiteral("cbUnchecked"));
  EXPECT_EQ(check.checkState(), Qt::Unchecked);
  SetPropertyText(&tool, QStringLiteral("Down"), QStringLiteral("False"));
  EXPECT_FALSE(tool.isChecked());
  SetPropertyText(&push, QStringLiteral("ParentBackground"), QStringLiteral("False"));
  EXPECT_TRUE(push.autoFillBackground());
}

TEST(PainterRoutines, DisabledGlyphAndStripFrames) {
  Bitmap glyph(4, 4, pf24bit);
  glyph.Fill(qRgb(255, 0, 255));
  glyph.SetPixel(1, 1, clBlack);
  const Bitmap d = CreateDisabledGlyph(glyph, clFuchsia);
  EXPECT_EQ(d.GetPixel(1, 1), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(pixels::InkBox(d, clWhite), Rect(1, 1, 2, 2)) << "the highlight is white";

  // A frame count below 1 counts as 1: the whole strip is the frame.
  Bitmap strip = Bitmap::FromQImage(Frames(2, 2, {Qt::red, Qt::green}), pf24bit);
  for (int count : {0, -3}) {
    Bitmap out = pixels::White(4, 2);
    DrawStripFrame(out.GetCanvas(), Rect(0, 0, 4, 2), count, 1, strip);
    out.GetCanvas().EndPainting();
    EXPECT_EQ(out.GetPixel(0, 0), clRed);
    EXPECT_EQ(out.GetPixel(3, 1), clLime);
  }
}
