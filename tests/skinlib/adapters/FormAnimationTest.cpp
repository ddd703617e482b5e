// The show animation: the output window, the steps on its timer, the final
// picture, the lock of the skinned forms and what is left afterwards.
#include "skinlib/adapters/FormAnimation.h"

#include "AdapterTestSupport.h"
#include "support/XPrograms.h"

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Properties.h"
#include "platform/Startup.h"
#include "platform/WindowPos.h"
#include "platform/WindowProc.h"
#include "platform/WindowTable.h"
#include "skinlib/adapters/AdapterUtils.h"
#include "skinlib/manager/AdapterEntryPoints.h"
#include "skinlib/manager/AlphaPainting.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

using namespace platform;

using testsupport::WaitFor;

namespace {

bool Same(const Bitmap& a, const Bitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (a.GetPixel(x, y) != b.GetPixel(x, y)) return false;
  return true;
}

Bitmap ScreenBehind(const QWidget* control) {
  const QRect r(control->mapToGlobal(QPoint(0, 0)), control->size());
  Bitmap copy(r.width(), r.height(), pf24bit);
  QPainter p(copy.PaintDevice());
  p.drawImage(QPoint(0, 0), QGuiApplication::primaryScreen()->grabWindow(0, r.x(), r.y(), r.width(), r.height()).toImage());
  return copy;
}

// The repaint window: after every picture it hears command 3, and keeps
// what the control's output window shows then, and how often that window
// painted since the picture before.
class Frames : public QObject {
 public:
  explicit Frames(const QWidget* control) : control_(control) {
    window_.ensurePolished();
    proc_ = InstallWindowProc(&window_, [this](Message& m, const CallPrevious& previous) {
      if (m.Msg != SkinCommandMsg || HIWORD(m.WParam) != acRefresh) return previous(m);
      TOutputWindow* out = OutputWindowOf(control_);
      Shown.push_back(out ? out->Picture() : Bitmap());
      Locked.push_back(FormsLocked);
      Visible.push_back(out && out->isVisible());
      Painted.push_back(paints_);
      paints_ = 0;
      if (out && out != watched_) {
        out->installEventFilter(this);
        watched_ = out;
      }
    });
    SetAnimationRepaintWindow(&window_);
  }
  ~Frames() override { SetAnimationRepaintWindow(nullptr); }
  std::vector<Bitmap> Shown;
  std::vector<bool> Locked, Visible;
  std::vector<int> Painted;

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (e->type() == QEvent::Paint && !IsRedelivery(watched, e)) ++paints_;
    return QObject::eventFilter(watched, e);
  }

 private:
  int paints_ = 0;
  QPointer<TOutputWindow> watched_;
  const QWidget* control_;
  QWidget window_;
  WindowProcHandle proc_;
};

// A form with a coloured panel and a caption, shown.
class FormAnimation : public ::testing::Test {
 protected:
  void SetUp() override {
    StartUnit("FormAnimation");
    form_.setWindowFlags(Qt::FramelessWindowHint);
    form_.setAutoFillBackground(true);
    SetControlColor(&form_, 0x40C0F0);
    form_.setGeometry(30, 40, 160, 90);
    panel_ = new QWidget(&form_);
    panel_->setAutoFillBackground(true);
    SetControlColor(panel_, 0x802020);
    panel_->setGeometry(20, 15, 60, 40);
    new QLabel(QStringLiteral("panel"), panel_);
    form_.show();
    ASSERT_TRUE(WaitFor([&] { return form_.isVisible(); }));
    QApplication::processEvents();
    redraw_ = InstallWindowProc(&form_, [this](Message& m, const CallPrevious& previous) {
      if (m.Msg == WM_SETREDRAW) Redraws.push_back(m.WParam);
      previous(m);
    });
  }
  void TearDown() override {
    FinishUnit("FormAnimation");
    EXPECT_FALSE(FormsLocked);
    FormsLocked = false;
  }

  Bitmap Snapshot(QWidget* control) {
    Bitmap b(control->width(), control->height(), pf24bit);
    PaintControlToBitmap(b, control, 0, 0, nullptr);
    return b;
  }

  // No output window of a test's forms is left.
  static bool animationsGone() {
    for (QWidget* w : QApplication::allWidgets())
      if (GetWindowText(w) == QStringLiteral("acOutputWindow")) return false;
    return true;
  }

  QWidget form_;
  QWidget* panel_ = nullptr;
  std::vector<WPARAM> Redraws;
  WindowProcHandle redraw_;
};

}  // namespace

// N = (time & $FFFF) >> 3: below 8 ms the final picture is shown at once
// and everything is over when the call returns.
TEST_F(FormAnimation, ATimeUnder8MsShowsTheFinalPictureAtOnce) {
  for (const unsigned time : {0u, 7u, 0x10000u + 5}) {
    SCOPED_TRACE(time);
    Redraws.clear();
    const Bitmap expected = Snapshot(&form_);
    Frames frames(&form_);
    AnimateFormShow(&form_, time);
    EXPECT_EQ(OutputWindowOf(&form_), nullptr);
    for (const QWidget* w : form_.findChildren<QWidget*>())
      EXPECT_NE(GetWindowText(w), QStringLiteral("acOutputWindow"));
    ASSERT_EQ(frames.Shown.size(), 1u);
    EXPECT_TRUE(Same(frames.Shown[0], expected));
    EXPECT_TRUE(frames.Locked[0]);  // locked until the final picture is out
    EXPECT_TRUE(frames.Visible[0]);
    EXPECT_FALSE(FormsLocked);
    EXPECT_EQ(Redraws, std::vector<WPARAM>{1});
  }
}

// Each step mixes the screen behind with the control's picture by k, from
// 255 down by 255 / N, one step per timer tick; then the picture itself.
TEST_F(FormAnimation, StepsFadeFromTheScreenToThePicture) {
  // The screen keeps the old colour until the panel repaints; the picture
  // has the new one.
  SetControlColor(panel_, 0x20A020);
  const Bitmap screen = ScreenBehind(&form_);
  const Bitmap snapshot = Snapshot(&form_);
  Frames frames(&form_);
  SendMessage(&form_, WM_SETREDRAW, 0);  // locked as the skin library locks it
  Redraws.clear();
  AnimateFormShow(&form_, 3 * 8 + 5);  // N = 3, step 85
  QPointer<TOutputWindow> out = OutputWindowOf(&form_);
  ASSERT_TRUE(out);
  EXPECT_TRUE(out->isVisible());
  EXPECT_EQ(out->geometry(), form_.geometry());
  EXPECT_TRUE(FormsLocked);
  EXPECT_EQ(frames.Shown.size(), 1u);  // the first step at once, the rest on the timer
  EXPECT_TRUE(Redraws.empty());
  ASSERT_TRUE(WaitFor([&] { return !out; }));
  ASSERT_EQ(frames.Shown.size(), 5u);
  for (int i = 0; i < 4; ++i) {
    Bitmap mix(screen.Width(), screen.Height(), pf32bit);
    MixBitmaps(mix, screen, snapshot, 255 - 85 * i);
    EXPECT_TRUE(Same(frames.Shown[size_t(i)], mix)) << "step " << i;
    EXPECT_TRUE(frames.Locked[size_t(i)]);
  }
  EXPECT_TRUE(Same(frames.Shown[4], snapshot));
  EXPECT_FALSE(Same(frames.Shown[0], snapshot));
  EXPECT_FALSE(Same(frames.Shown[0], frames.Shown[1]));
  // Each picture after the first was painted at once, before the next.
  for (size_t i = 1; i < frames.Painted.size(); ++i) EXPECT_GE(frames.Painted[i], 1) << "picture " << i;
  EXPECT_TRUE(form_.updatesEnabled());
  EXPECT_FALSE(FormsLocked);
  EXPECT_EQ(Redraws, std::vector<WPARAM>{1});
}

// A control's output window joins its parent right above it, with its
// bounds; it only shows what it is given.
TEST_F(FormAnimation, TheOutputWindowOfAChildControl) {
  auto* above = new QWidget(&form_);
  above->setGeometry(0, 0, 5, 5);
  panel_->raise();  // the panel on top, then `above` right below it
  above->stackUnder(panel_);
  auto* below = new QWidget(&form_);
  below->lower();
  AnimateFormShow(panel_, 80);
  TOutputWindow* out = OutputWindowOf(panel_);
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(out->parentWidget(), &form_);
  EXPECT_FALSE(out->isWindow());
  EXPECT_EQ(out->geometry(), panel_->geometry());
  EXPECT_TRUE(out->isVisible());
  EXPECT_EQ(GetWindow(out, GW_HWNDNEXT), panel_);  // right above the panel
  EXPECT_EQ(GetWindowText(out), QStringLiteral("acOutputWindow"));
  EXPECT_EQ(GetControlColor(out), 0x800080);
  EXPECT_EQ(GetTag(out), -98);
  Bitmap canvasBitmap(10, 10, pf24bit);
  canvasBitmap.Fill(qRgb(1, 2, 3));
  Canvas& dc = canvasBitmap.GetCanvas();
  EXPECT_EQ(SendMessage(out, WM_ERASEBKGND, PtrParam(&dc)), 1);
  EXPECT_EQ(SendMessage(out, WM_NCPAINT, 1), 0);
  EXPECT_EQ(canvasBitmap.GetPixel(5, 5), 0x030201);  // nothing erased
  // What it paints is its picture, from its top-left corner.
  const Bitmap painted = Bitmap::FromQImage(out->grab().toImage(), pf24bit);
  ASSERT_EQ(painted.Width(), out->Picture().Width());
  for (const TPoint p : {TPoint{0, 0}, TPoint{59, 0}, TPoint{0, 39}, TPoint{59, 39}, TPoint{30, 20}})
    EXPECT_EQ(painted.GetPixel(p.X, p.Y), out->Picture().GetPixel(p.X, p.Y)) << p.X << "," << p.Y;
  QPointer<TOutputWindow> gone = out;
  ASSERT_TRUE(WaitFor([&] { return !gone; }));
}

TEST_F(FormAnimation, AFormsOutputWindowIsAFramelessWindowOverIt) {
  AnimateFormShow(&form_, 40);
  TOutputWindow* out = OutputWindowOf(&form_);
  ASSERT_NE(out, nullptr);
  EXPECT_TRUE(out->isWindow());
  EXPECT_EQ(out->parentWidget(), &form_);  // owned by the form
  EXPECT_TRUE(out->windowFlags() & Qt::FramelessWindowHint);
  EXPECT_FALSE(out->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_FALSE(GetWindowLong(out, GWL_STYLE) & WS_CAPTION);
  QPointer<TOutputWindow> gone = out;
  ASSERT_TRUE(WaitFor([&] { return !gone; }));
  // Kept on top over a form that is.
  form_.setWindowFlags(form_.windowFlags() | Qt::WindowStaysOnTopHint);
  form_.show();
  AnimateFormShow(&form_, 40);
  out = OutputWindowOf(&form_);
  ASSERT_NE(out, nullptr);
  EXPECT_TRUE(out->windowFlags() & Qt::WindowStaysOnTopHint);
  gone = out;
  ASSERT_TRUE(WaitFor([&] { return !gone; }));
}

// A control deleted meanwhile ends its animation; nothing stays locked.
TEST_F(FormAnimation, AControlDeletedMeanwhileEndsIt) {
  AnimateFormShow(panel_, 400);
  QPointer<TOutputWindow> out = OutputWindowOf(panel_);
  ASSERT_TRUE(out);
  delete panel_;
  ASSERT_TRUE(WaitFor([&] { return !out; }));
  EXPECT_FALSE(FormsLocked);
  // A form takes its output window with it at once.
  auto* other = new QWidget;
  other->setGeometry(10, 10, 50, 50);
  other->show();
  AnimateFormShow(other, 400);
  out = OutputWindowOf(other);
  ASSERT_TRUE(out);
  EXPECT_TRUE(FormsLocked);
  delete other;
  EXPECT_FALSE(out);
  EXPECT_FALSE(FormsLocked);
}

// A hidden control's picture is its parent's background.
TEST_F(FormAnimation, AHiddenControlShowsItsParentsBackground) {
  Bitmap cache(160, 90, pf24bit);
  for (int y = 0; y < 90; ++y)
    for (int x = 0; x < 160; ++x) cache.SetPixel(x, y, RGB(x, y, 0x40));
  BackgroundStandIn bg(&form_, &cache);
  panel_->hide();
  Frames frames(panel_);
  AnimateFormShow(panel_, 0);
  ASSERT_EQ(frames.Shown.size(), 1u);
  const Bitmap& shown = frames.Shown[0];
  ASSERT_EQ(shown.Width(), 60);
  for (const TPoint p : {TPoint{0, 0}, TPoint{59, 39}, TPoint{30, 20}})
    EXPECT_EQ(shown.GetPixel(p.X, p.Y), cache.GetPixel(20 + p.X, 15 + p.Y)) << p.X << "," << p.Y;
}

// The repaint window's handler may delete the form at any picture: the
// animation ends there, nothing stays locked.
TEST_F(FormAnimation, TheFormDeletedByTheRepaintWindowsHandler) {
  for (const int at : {0, 1, 3}) {
    SCOPED_TRACE(at);
    auto* form = new QWidget;
    form->setGeometry(10, 10, 60, 40);
    form->show();
    QWidget repaint;
    repaint.ensurePolished();
    int pictures = 0;
    QPointer<QWidget> alive(form);
    InstallWindowProc(&repaint, [&](Message& m, const CallPrevious& previous) {
      if (m.Msg != SkinCommandMsg || HIWORD(m.WParam) != acRefresh) return previous(m);
      if (pictures++ == at) delete alive.data();
    });
    SetAnimationRepaintWindow(&repaint);
    AnimateFormShow(form, 3 * 8);
    ASSERT_TRUE(WaitFor([&] { return !alive && animationsGone(); }));
    EXPECT_EQ(pictures, at + 1);
    EXPECT_FALSE(FormsLocked);
    SetAnimationRepaintWindow(nullptr);
  }
}

// Animated again while it runs: the running one ends at once; the forms
// stay locked while either runs.
TEST_F(FormAnimation, AnimatedAgainWhileRunning) {
  AnimateFormShow(&form_, 400);
  AnimateFormShow(panel_, 16);
  QPointer<TOutputWindow> first = OutputWindowOf(&form_);
  ASSERT_TRUE(first);
  AnimateFormShow(&form_, 400);
  EXPECT_FALSE(first);
  QPointer<TOutputWindow> second = OutputWindowOf(&form_);
  ASSERT_TRUE(second);
  EXPECT_EQ(Redraws, std::vector<WPARAM>{1});  // the first one's end
  QPointer<TOutputWindow> child = OutputWindowOf(panel_);
  ASSERT_TRUE(WaitFor([&] { return !child; }));
  EXPECT_TRUE(FormsLocked);  // the form's runs on
  ASSERT_TRUE(WaitFor([&] { return !second; }));
  EXPECT_FALSE(FormsLocked);
}

TEST_F(FormAnimation, TheStartUpFillsTheEntryPoint) {
  Frames frames(&form_);
  adapters::AnimateFormShow(&form_, 0);
  EXPECT_EQ(frames.Shown.size(), 1u);
  FinishUnit("FormAnimation");
  adapters::AnimateFormShow(&form_, 0);
  EXPECT_EQ(frames.Shown.size(), 1u);
  StartUnit("FormAnimation");  // for TearDown
  AnimateFormShow(nullptr, 80);
  EXPECT_FALSE(FormsLocked);
}
