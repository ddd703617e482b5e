// The adapters' small window routines: readiness, owner walks, caption
// flags, client rectangles, aligned children, and the painting of graphic
// children and of whole controls.
#include "skinlib/adapters/AdapterUtils.h"

#include "AdapterTestSupport.h"

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Painting.h"
#include "platform/Properties.h"
#include "platform/Startup.h"
#include "platform/WindowProc.h"
#include "platform/WindowTable.h"
#include "skinlib/adapters/SkinCommandSenders.h"
#include "skinlib/manager/CommonDataSeams.h"
#include "skinlib/manager/LibraryConstants.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QMainWindow>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

using namespace platform;

namespace {

class TFrame : public QWidget {
 public:
  using QWidget::QWidget;
};

// Every pixel of the bitmap names its place: red x, green y, blue 0x40.
Bitmap PlacePicture(int width, int height) {
  Bitmap b(width, height, pf24bit);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) b.SetPixel(x, y, RGB(x & 0xFF, y & 0xFF, 0x40));
  return b;
}

bool SameBlock(const Bitmap& a, TRect ra, const Bitmap& b, TPoint at) {
  for (int y = ra.Top; y < ra.Bottom; ++y)
    for (int x = ra.Left; x < ra.Right; ++x)
      if (a.GetPixel(x, y) != b.GetPixel(at.X + x - ra.Left, at.Y + y - ra.Top)) return false;
  return true;
}

bool AllOf(const Bitmap& b, TRect r, TColor color) {
  for (int y = r.Top; y < r.Bottom; ++y)
    for (int x = r.Left; x < r.Right; ++x)
      if (b.GetPixel(x, y) != color) return false;
  return true;
}

}  // namespace

TEST(AdapterUtils, ControlIsReadyOnlyWithParentAndHandle) {
  QWidget form;
  auto* child = new QWidget(&form);
  auto* label = new QLabel(&form);
  EXPECT_FALSE(ControlIsReady(child));  // not polished yet
  form.ensurePolished();
  auto* late = new QWidget(&form);
  struct Case {
    const char* name;
    const QWidget* control;
    bool ready;
  };
  const Case cases[] = {{"nothing", nullptr, false},
                        {"a form has no parent", &form, false},
                        {"child", child, true},
                        {"graphic child", label, true},
                        {"child without a handle yet", late, false}};
  for (const Case& c : cases) EXPECT_EQ(ControlIsReady(c.control), c.ready) << c.name;
  bool checked = false;
  InstallWindowProc(child, [&](Message& m, const CallPrevious& previous) {
    if (m.Msg == WM_DESTROY) {
      EXPECT_FALSE(ControlIsReady(child));
      checked = true;
    }
    previous(m);
  });
  delete child;
  EXPECT_TRUE(checked);
}

TEST(AdapterUtils, OwnersFormsAndFrames) {
  QWidget form;
  auto* frame = new TFrame(&form);
  auto* inner = new QWidget(frame);
  auto* component = new QObject(inner);
  auto* embedded = new QMainWindow(&form);  // a form inside a form
  auto* embeddedChild = new QWidget(embedded);
  QObject orphan;
  EXPECT_EQ(GetOwnerForm(component), &form);
  EXPECT_EQ(GetOwnerFrame(component), frame);
  EXPECT_EQ(GetOwnerForm(&form), &form);
  EXPECT_EQ(GetOwnerFrame(frame), frame);
  EXPECT_EQ(GetOwnerFrame(&form), nullptr);
  EXPECT_EQ(GetOwnerForm(embeddedChild), embedded);
  EXPECT_EQ(GetOwnerForm(&orphan), nullptr);
  EXPECT_EQ(GetOwnerForm(nullptr), nullptr);
}

TEST(AdapterUtils, TopParentThroughParentsAndOwners) {
  QWidget form;
  auto* panel = new QWidget(&form);
  auto* button = new QWidget(panel);
  auto* owned = new QWidget(&form, Qt::Window);
  auto* ownedChild = new QWidget(owned);
  EXPECT_EQ(GetTopParentHandle(button), &form);
  EXPECT_EQ(GetTopParentHandle(ownedChild), &form);
  EXPECT_EQ(GetTopParentHandle(&form), &form);
  EXPECT_EQ(GetTopParentHandle(nullptr), nullptr);
}

TEST(AdapterUtils, CaptionFlagsByAlignmentAndDirection) {
  QWidget ltr, rtl;
  rtl.setLayoutDirection(Qt::RightToLeft);
  struct Case {
    TAlignment alignment;
    const QWidget* control;
    unsigned flags;
  };
  const unsigned base = DT_VCENTER | DT_EXPANDTABS;
  const Case cases[] = {{taLeftJustify, &ltr, base | DT_LEFT},
                        {taRightJustify, &ltr, base | DT_RIGHT},
                        {taCenter, &ltr, base | DT_CENTER},
                        {taLeftJustify, &rtl, base | DT_RIGHT | DT_RTLREADING},
                        {taRightJustify, &rtl, base | DT_LEFT | DT_RTLREADING},
                        {taCenter, &rtl, base | DT_CENTER | DT_RTLREADING},
                        {taRightJustify, nullptr, base | DT_RIGHT}};
  for (const Case& c : cases)
    EXPECT_EQ(CaptionDrawFlags(c.control, c.alignment), c.flags)
        << c.alignment << (c.control == &rtl ? " right-to-left" : "");
}

TEST(AdapterUtils, ClientRectangleInWindowCoordinates) {
  QWidget form;
  auto* frame = new QFrame(&form);
  frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  frame->setLineWidth(3);
  frame->setGeometry(10, 20, 100, 60);
  auto* plain = new QWidget(&form);
  plain->setGeometry(0, 0, 30, 40);
  form.resize(200, 150);
  EXPECT_EQ(ClientRectInWindow(frame), (TRect{3, 3, 97, 57}));
  EXPECT_EQ(ClientRectInWindow(plain), (TRect{0, 0, 30, 40}));
  EXPECT_EQ(ClientRectInWindow(nullptr), (TRect{}));
}

// A main window's tool bars count by their area, its status bar at the
// bottom; other children by the "Align" the program gave them.
TEST(AdapterUtils, AlignedControlsOfAMainWindow) {
  QMainWindow main;
  auto* top = main.addToolBar(QStringLiteral("top"));
  top->addAction(QStringLiteral("Open"));
  top->addAction(QStringLiteral("Save"));
  auto* left = new QToolBar(QStringLiteral("left"));
  left->addAction(QStringLiteral("A"));
  main.addToolBar(Qt::LeftToolBarArea, left);
  main.statusBar()->showMessage(QStringLiteral("ready"));
  main.setCentralWidget(new QWidget);
  main.resize(400, 300);
  main.show();
  QApplication::processEvents();
  ASSERT_GT(top->height(), 0);
  ASSERT_GT(main.statusBar()->height(), 0);
  EXPECT_EQ(AlignedControlsSize(&main, alTop, false), top->height());
  EXPECT_EQ(AlignedControlsSize(&main, alBottom, false), main.statusBar()->height());
  EXPECT_EQ(AlignedControlsSize(&main, alLeft, false), left->width());
  EXPECT_EQ(AlignedControlsSize(&main, alRight, false), 0);
  EXPECT_EQ(AlignedControlsSize(&main, alClient, false), 0);
  // A hidden bar counts no more.
  main.statusBar()->hide();
  EXPECT_EQ(AlignedControlsSize(&main, alBottom, false), 0);
  EXPECT_EQ(AlignedControlsSize(nullptr, alTop, true), 0);
}

TEST(AdapterUtils, AlignedChildrenByTheirAlign) {
  QWidget panel;
  const auto child = [&](QWidget* w, const char* align, int width, int height) {
    w->setParent(&panel);
    SetPropertyText(w, QStringLiteral("Align"), QString::fromLatin1(align));
    w->setGeometry(0, 0, width, height);
    return w;
  };
  child(new QWidget, "alTop", 50, 10);
  child(new QWidget, "alTop", 50, 20);
  child(new QWidget, "alTop", 50, 40)->hide();
  child(new QLabel, "alTop", 50, 7);  // graphic
  child(new QWidget, "alLeft", 11, 90);
  child(new QLabel, "alLeft", 5, 90);
  child(new QWidget, "alBottom", 50, 3);
  child(new QWidget, "alNone", 50, 100);
  EXPECT_EQ(AlignedControlsSize(&panel, alTop, false), 30);
  EXPECT_EQ(AlignedControlsSize(&panel, alTop, true), 37);
  EXPECT_EQ(AlignedControlsSize(&panel, alLeft, false), 11);
  EXPECT_EQ(AlignedControlsSize(&panel, alLeft, true), 16);
  EXPECT_EQ(AlignedControlsSize(&panel, alBottom, true), 3);
  EXPECT_EQ(AlignedControlsSize(&panel, alNone, true), 0);
}

TEST(AdapterUtils, WhichGraphicControlsNeedPaint) {
  QWidget form;
  const auto at = [&](QWidget* w, int x, int y, int width = 20, int height = 10) {
    if (!w->parentWidget()) w->setParent(&form);
    w->setGeometry(x, y, width, height);
    return w;
  };
  QWidget* label = at(new QLabel, 5, 5);
  QWidget* hidden = at(new QLabel, 5, 5);
  hidden->hide();
  QWidget* empty = at(new QLabel, 5, 5, 0, 10);
  QWidget* windowed = at(new QWidget, 5, 5);
  QWidget* outside = at(new QLabel, 150, 5);
  QWidget* partly = at(new QLabel, 95, 5);
  auto* bar = new QToolBar(&form);
  auto* button = new QToolButton;
  bar->addWidget(button);
  auto* separator = new QToolButton;
  bar->addWidget(separator);
  separator->setProperty("Style", QStringLiteral("tbsSeparator"));
  for (QToolButton* b : {button, separator}) at(b, 5, 5)->show();  // the bar is never laid out here
  Bitmap target(200, 50, pf24bit);
  Canvas& dc = target.GetCanvas();
  dc.IntersectClipRect({0, 0, 100, 50});
  struct Case {
    const char* name;
    const QWidget* control;
    bool needs;
  };
  const Case cases[] = {{"label", label, true},          {"hidden", hidden, false},
                        {"no width", empty, false},      {"windowed", windowed, false},
                        {"outside the clip", outside, false}, {"partly in the clip", partly, true},
                        {"tool-bar button", button, false},   {"tool-bar separator", separator, true},
                        {"nothing", nullptr, false}};
  for (const Case& c : cases) {
    if (c.control == button || c.control == separator) {
      ASSERT_EQ(GetClassName(c.control), "TToolButton");
    }
    EXPECT_EQ(GraphicControlNeedsPaint(c.control, dc), c.needs) << c.name;
  }
}

class GraphicChildren : public ::testing::Test {
 protected:
  GraphicChildren() : cache_(PlacePicture(120, 60)) {
    panel_ = new QWidget(&form_);
    panel_->setGeometry(0, 0, 120, 60);
    text_ = new QLabel(QStringLiteral("WW"), panel_);
    text_->setGeometry(10, 10, 40, 20);
    SetFontColor(text_, 0x0000FF);
    opaque_ = new QLabel(panel_);
    opaque_->setGeometry(60, 10, 20, 20);
    SetControlStyle(opaque_, csOpaque);
    SetControlColor(opaque_, 0x00FF00);
    hidden_ = new QLabel(QStringLiteral("WW"), panel_);
    hidden_->setGeometry(90, 10, 20, 20);
    hidden_->hide();
    form_.resize(200, 100);
    form_.ensurePolished();
    target_.Fill(qRgb(0x33, 0x33, 0x33));
  }

  static bool HasTextPixelIn(const Bitmap& b, TRect r) {
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x)
        if (b.GetPixel(x, y) == 0x0000FF) return true;
    return false;
  }
  bool HasTextPixel(TRect r) { return HasTextPixelIn(target_, r); }

  QWidget form_;
  QWidget* panel_;
  QLabel* text_;
  QLabel* opaque_;
  QLabel* hidden_;
  Bitmap cache_;
  Bitmap target_{200, 100, pf24bit};
};

// The control's cache behind a transparent child, its own colour behind
// an opaque one, at `offset` in the target; hidden children stay out.
TEST_F(GraphicChildren, PaintedOverTheControlsBackground) {
  BackgroundStandIn bg(panel_, &cache_);
  const TPoint offset{30, 20};
  PaintGraphicChildren(target_.GetCanvas(), panel_, offset);
  EXPECT_EQ(bg.Asked, std::vector<QWidget*>{panel_});  // asked once
  const TRect text = OffsetRect(TRect{10, 10, 50, 30}, offset.X, offset.Y);
  EXPECT_TRUE(HasTextPixel(text));
  // The corners of the text's rectangle show the cache at that place.
  EXPECT_EQ(target_.GetPixel(text.Left, text.Top), cache_.GetPixel(10, 10));
  EXPECT_EQ(target_.GetPixel(text.Right - 1, text.Bottom - 1), cache_.GetPixel(49, 29));
  EXPECT_TRUE(AllOf(target_, OffsetRect(TRect{60, 10, 80, 30}, offset.X, offset.Y), 0x00FF00));
  EXPECT_TRUE(AllOf(target_, OffsetRect(TRect{90, 10, 110, 30}, offset.X, offset.Y), 0x333333));
  // Nothing outside the children.
  EXPECT_TRUE(AllOf(target_, TRect{0, 0, 200, 30}, 0x333333));
}

TEST_F(GraphicChildren, APlainBackgroundColour) {
  BackgroundStandIn bg(panel_, nullptr, 0x446688);
  PaintGraphicChildren(target_.GetCanvas(), panel_, {0, 0});
  EXPECT_EQ(target_.GetPixel(10, 10), 0x446688);
  EXPECT_TRUE(HasTextPixel({10, 10, 50, 30}));
}

// A background the key colour shows through is not copied at all.
TEST_F(GraphicChildren, AKeyColouredChildIsLeftOut) {
  BackgroundStandIn bg(panel_, nullptr, KeyColor);
  PaintGraphicChildren(target_.GetCanvas(), panel_, {0, 0});
  EXPECT_TRUE(AllOf(target_, {10, 10, 50, 30}, 0x333333));
  EXPECT_TRUE(AllOf(target_, {60, 10, 80, 30}, 0x00FF00));  // the opaque one is its own colour
}

TEST_F(GraphicChildren, NothingForAHiddenControlOrAnEmptyClip) {
  BackgroundStandIn bg(panel_, &cache_);
  Canvas& dc = target_.GetCanvas();
  panel_->hide();
  PaintGraphicChildren(dc, panel_, {0, 0});
  panel_->show();
  dc.SaveDC();
  dc.IntersectClipRect({0, 0, 0, 0});
  PaintGraphicChildren(dc, panel_, {0, 0});
  dc.RestoreDC(-1);
  PaintGraphicChildren(dc, nullptr, {0, 0});
  EXPECT_TRUE(AllOf(target_, {0, 0, 200, 100}, 0x333333));
  EXPECT_TRUE(bg.Asked.empty());
}

// A child whose place in the target lies outside its clip hears command 22
// (by Perform) before it paints, and nothing of it reaches the target.
TEST_F(GraphicChildren, AChildOutsideTheTargetHearsCommand22) {
  BackgroundStandIn bg(panel_, &cache_);
  std::vector<CommandRecord> log;
  CommandRecorder r1(log, text_, "text"), r2(log, opaque_, "opaque");
  Bitmap narrow(100, 100, pf24bit);
  narrow.Fill(qRgb(0x33, 0x33, 0x33));
  PaintGraphicChildren(narrow.GetCanvas(), panel_, {50, 0});  // the opaque one at 110..130
  EXPECT_EQ(log, (std::vector<CommandRecord>{{"opaque", acSetStateFlag, false, 0}}));
  EXPECT_TRUE(HasTextPixelIn(narrow, {60, 10, 100, 30}));
  EXPECT_TRUE(AllOf(narrow, {0, 0, 60, 100}, 0x333333));
}

TEST(PaintControlToBitmap, AHiddenControlLeavesItsParentsBackground) {
  QWidget form;
  auto* panel = new QWidget(&form);
  panel->setGeometry(0, 0, 120, 60);
  auto* hidden = new QWidget(panel);
  hidden->setGeometry(25, 15, 30, 20);
  hidden->hide();
  const Bitmap cache = PlacePicture(120, 60);
  BackgroundStandIn bg(panel, &cache, 0x0A0B0C);
  Bitmap snapshot(40, 30, pf24bit);
  snapshot.Fill(qRgb(1, 2, 3));
  PaintControlToBitmap(snapshot, hidden, 4, 6, nullptr);
  EXPECT_EQ(bg.Asked, std::vector<QWidget*>{panel});
  EXPECT_TRUE(SameBlock(snapshot, {4, 6, 34, 26}, cache, {25, 15}));
  EXPECT_EQ(snapshot.GetPixel(3, 6), 0x030201);
  // A parent that answers with a colour gives that colour.
  auto* plainParent = new QWidget(&form);
  auto* hidden2 = new QWidget(plainParent);
  hidden2->setGeometry(0, 0, 5, 5);
  hidden2->hide();
  PaintControlToBitmap(snapshot, hidden2, 0, 0, nullptr);
  EXPECT_TRUE(AllOf(snapshot, {0, 0, 5, 5}, 0x0A0B0C));
  // Nothing with a provider, nor for a hidden form.
  snapshot.Fill(qRgb(1, 2, 3));
  QObject provider;
  PaintControlToBitmap(snapshot, hidden, 0, 0, &provider);
  QWidget hiddenForm;
  PaintControlToBitmap(snapshot, &hiddenForm, 0, 0, nullptr);
  EXPECT_TRUE(AllOf(snapshot, {0, 0, 40, 30}, 0x030201));
}

// A visible control paints as Qt shows it, its adapted children through
// their window procedures, clipped to its size at (x, y).
TEST(PaintControlToBitmap, AVisibleControlWithItsChildren) {
  QWidget form;
  form.setAutoFillBackground(true);
  SetControlColor(&form, 0x208040);
  form.resize(80, 50);
  auto* child = new QWidget(&form);
  child->setGeometry(10, 10, 20, 20);
  auto* label = new QLabel(QStringLiteral("x"), &form);
  label->setGeometry(40, 10, 20, 20);
  InstallWindowProc(child, [](Message& m, const CallPrevious& previous) {
    if (m.Msg == WM_PAINT && m.WParam) {
      Canvas& dc = *ParamPtr<Canvas>(m.WParam);
      dc.Brush.Color = 0x0000FF;
      dc.FillRect({0, 0, 20, 20});
      return;
    }
    previous(m);
  });
  form.show();
  Bitmap snapshot(120, 80, pf24bit);
  snapshot.Fill(qRgb(1, 2, 3));
  PaintControlToBitmap(snapshot, &form, 5, 7, nullptr);
  EXPECT_EQ(snapshot.GetPixel(5, 7), 0x208040);
  EXPECT_EQ(snapshot.GetPixel(5 + 79, 7 + 49), 0x208040);
  EXPECT_EQ(snapshot.GetPixel(5 + 80, 7), 0x030201);  // clipped to the form
  EXPECT_EQ(snapshot.GetPixel(4, 7), 0x030201);
  EXPECT_EQ(snapshot.GetPixel(5 + 12, 7 + 12), 0x0000FF);  // the child's own painting
}

// A form whose redraw is off (the skin library locks forms so) still
// paints into a bitmap: that is how its show animation gets its picture.
TEST(PaintControlToBitmap, AFormWithItsRedrawOff) {
  QWidget form;
  form.setAutoFillBackground(true);
  SetControlColor(&form, 0x208040);
  form.resize(40, 30);
  auto* panel = new QWidget(&form);
  panel->setAutoFillBackground(true);
  SetControlColor(panel, 0x0000FF);
  panel->setGeometry(10, 10, 10, 10);
  form.show();
  SendMessage(&form, WM_SETREDRAW, 0);
  Bitmap snapshot(40, 30, pf24bit);
  snapshot.Fill(qRgb(1, 2, 3));
  PaintControlToBitmap(snapshot, &form, 0, 0, nullptr);
  EXPECT_EQ(snapshot.GetPixel(2, 2), 0x208040);
  EXPECT_EQ(snapshot.GetPixel(12, 12), 0x0000FF);
  SendMessage(&form, WM_SETREDRAW, 1);
}
