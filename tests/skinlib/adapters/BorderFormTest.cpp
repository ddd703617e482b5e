// The extended border window: its place behind the owner, its region and
// constant alpha, the hit test over its frame, the mouse in the shadow
// margin, activation, and the picture laid around the owner's image.
#include "skinlib/adapters/acBorderForm.h"

#include "platform/LayeredWindow.h"
#include "platform/Messages.h"
#include "platform/NonClient.h"
#include "platform/WindowPos.h"
#include "platform/WindowProc.h"
#include "platform/WindowTable.h"
#include "platform/WindowUtils.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>

#include <memory>
#include <vector>

using namespace platform;

namespace {

// Margins 10, 8, 10, 12; system border 4, caption 20; skin border 6,
// title 30: the border window lies 12 left of and 14 above the owner.
constexpr int kLeftOffset = 12, kTopOffset = 14;

class FakeOwner : public TacBorderOwner {
 public:
  explicit FakeOwner(QWidget* window) : window_(window) { Resize(); }
  void Resize() {
    image_ = std::make_unique<Bitmap>(window_->width() + 2 * 2 + 20, window_->height() + kTopOffset + 2 + 12, pf32bit);
    dirty = true;
  }
  QWidget* OwnerWindow() const override { return window_; }
  Bitmap* OwnerImage() const override { return image_.get(); }
  bool OwnerImageDirty() const override { return dirty; }
  void PaintOwnerImage() override {
    ++paints;
    dirty = false;
    if (onPaint) onPaint();
  }
  TRect BorderMargins() const override { return {10, 8, 10, 12}; }
  int SkinBorderWidth() const override { return 6; }
  int SkinTitleHeight() const override { return 30; }
  int SystemBorderWidth() const override { return 4; }
  int SystemCaptionHeight() const override { return 20; }
  bool HasCaption() const override { return true; }
  int MenuLineHeight() const override { return menuLine; }
  TRect TitleIconRect() const override { return {18, 12, 34, 28}; }
  int TitleButtonAt(TPoint p) const override { return p.X >= 280 && p.X < 298 && p.Y >= 12 && p.Y < 30 ? HTCLOSE : 0; }
  TRect GripRect() const override { return grip; }
  TRect ClientRectInImage() const override { return {16, 38 + menuLine, 16 + 292, 38 + 172}; }
  void SetHotElement(int code) override { hot = code; }
  bool IsProvider() const override { return true; }
  bool MayUpdate() const override {
    ++mayUpdateCalls;
    return true;
  }
  int ExtHitTest(TPoint) override { return extAnswer; }
  bool AlphaBlend() const override { return alphaBlend; }
  std::uint8_t AlphaBlendValue() const override { return alphaValue; }

  bool dirty = true;
  int paints = 0;
  mutable int mayUpdateCalls = 0;
  int hot = -7;
  int menuLine = 0;
  int extAnswer = 0;
  bool alphaBlend = false;
  std::uint8_t alphaValue = 160;
  TRect grip;
  std::function<void()> onPaint;

 private:
  QWidget* window_;
  std::unique_ptr<Bitmap> image_;
};

// Records the messages the owner gets.
struct MessageLog {
  explicit MessageLog(QWidget* w) {
    handle = InstallWindowProc(w, [this](Message& m, const CallPrevious& previous) {
      if (m.Msg == WM_NCLBUTTONDOWN || m.Msg == WM_NCLBUTTONUP || m.Msg == WM_NCRBUTTONDOWN ||
          m.Msg == WM_NCRBUTTONUP || m.Msg == WM_LBUTTONDOWN || m.Msg == WM_SYSCOMMAND)
        messages.push_back(m);
      if (m.Msg == WM_SYSCOMMAND) return;  // nothing really maximizes or closes
      previous(m);
    });
  }
  ~MessageLog() { RemoveWindowProc(handle); }
  std::vector<Message> messages;
  WindowProcHandle handle;
};

class BorderFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetLayeredWindowsAvailableForTesting(true);
    form = std::make_unique<QWidget>();
    form->setGeometry(200, 150, 300, 200);
    form->show();
    form->activateWindow();
    QApplication::processEvents();
    owner = std::make_unique<FakeOwner>(form.get());
    border = std::make_unique<TacBorderForm>(*owner);
  }
  void TearDown() override {
    border.reset();
    owner.reset();
    form.reset();
    SetLayeredWindowsAvailableForTesting(std::nullopt);
  }
  LayeredWindow* Window() const { return border->BorderWindow(); }
  // A point of the border window on the screen.
  TPoint Screen(int x, int y) const { return {Window()->x() + x, Window()->y() + y}; }
  // The owner's window rectangle (its frame, where the platform draws one).
  QPoint OwnerCorner() const {
    const TRect r = GetWindowRect(form.get());
    return {r.Left, r.Top};
  }

  std::unique_ptr<QWidget> form;
  std::unique_ptr<FakeOwner> owner;
  std::unique_ptr<TacBorderForm> border;
};

TEST_F(BorderFormTest, LiesAroundTheOwnerTaggedAsTheLibrarysOwn) {
  border->UpdatePosition(true, 255);
  ASSERT_NE(Window(), nullptr);
  EXPECT_TRUE(Window()->isVisible());
  EXPECT_EQ(GetTag(Window()), -98);
  EXPECT_EQ(Window()->geometry(), QRect(OwnerCorner() - QPoint(kLeftOffset, kTopOffset), QSize(324, 228)));
  EXPECT_EQ(border->OwnerTopOffset(), kTopOffset);
  EXPECT_EQ(border->OwnerLeftOffset(), kLeftOffset);
  EXPECT_EQ(owner->paints, 1);  // the dirty image painted first
  // The owner moved: the border follows without painting again.
  form->move(260, 170);
  border->UpdatePosition(false, 255);
  EXPECT_EQ(Window()->pos(), OwnerCorner() - QPoint(kLeftOffset, kTopOffset));
  EXPECT_EQ(owner->paints, 1);
}

TEST_F(BorderFormTest, AlphaBlendKeepsTheBorderOffTheClientAndUsesItsValue) {
  owner->alphaBlend = true;
  border->UpdatePosition(true, 255);
  EXPECT_EQ(Window()->ConstantAlpha(), 160);
  QRegion region;
  ASSERT_NE(GetWindowRgn(Window(), region), 0);
  const TRect client = owner->ClientRectInImage();
  EXPECT_FALSE(region.contains(QPoint(client.Left, client.Top)));
  EXPECT_FALSE(region.contains(QPoint(client.Right - 1, client.Bottom - 1)));
  EXPECT_TRUE(region.contains(QPoint(client.Left - 1, client.Top)));  // the border beside it
  EXPECT_TRUE(region.contains(QPoint(2, 2)));                         // the shadow
  // Without AlphaBlend: no region, and the alpha asked for.
  owner->alphaBlend = false;
  border->UpdatePosition(true, 200);
  EXPECT_EQ(Window()->ConstantAlpha(), 200);
  EXPECT_EQ(GetWindowRgn(Window(), region), 0);
}

TEST_F(BorderFormTest, AMaximizedOwnersRegionHoldsOnlyTheSkinnedFrame) {
  const QRect before = form->geometry();
  ShowWindow(form.get(), SW_SHOWMAXIMIZED);
  QApplication::processEvents();
  ASSERT_TRUE(IsZoomed(form.get()));
  owner->Resize();
  const auto region = border->MakeBorderRegion();
  ASSERT_TRUE(region.has_value());
  const Bitmap& image = *owner->OwnerImage();
  // Left = margin 10 + border 4 + delta 2 (right alike); top = margin 8 + 4; bottom = margin 12 + 6.
  const int left = 16, top = 12, right = image.Width() - 16, bottom = image.Height() - 6 - 12;
  struct Case {
    int x, y;
    bool in;
  } cases[] = {{left, top, true},          {right - 1, bottom - 1, true}, {left - 1, top, false},
               {left, top - 1, false},     {right, top, false},           {left, bottom, false},
               {0, 0, false},              {image.Width() - 1, image.Height() - 1, false}};
  for (const Case& c : cases) EXPECT_EQ(region->contains(QPoint(c.x, c.y)), c.in) << c.x << "," << c.y;
  // With AlphaBlend the client is cut out of it as well.
  owner->alphaBlend = true;
  const auto blended = border->MakeBorderRegion();
  ASSERT_TRUE(blended.has_value());
  EXPECT_FALSE(blended->contains(QPoint(100, 100)));
  EXPECT_TRUE(blended->contains(QPoint(left, top)));
  ShowWindow(form.get(), SW_RESTORE);
  EXPECT_NE(before, QRect());
}

TEST_F(BorderFormTest, UpdatePositionReenteredFromItsOwnMoveDoesNothing) {
  // The border window's own WM_WINDOWPOSCHANGED, arriving while the border
  // is placed, comes back into UpdatePosition.
  owner->onPaint = [this] { SendMessage(Window(), WM_WINDOWPOSCHANGED, 0, 0); };
  border->UpdatePosition(true, 255);
  EXPECT_EQ(owner->mayUpdateCalls, 1);
  EXPECT_EQ(owner->paints, 1);
  EXPECT_FALSE(border->InUpdate());
  // Outside an update the same message places the border again.
  owner->onPaint = nullptr;
  SendMessage(Window(), WM_WINDOWPOSCHANGED, 0, 0);
  EXPECT_EQ(owner->mayUpdateCalls, 2);
}

TEST_F(BorderFormTest, NeverTakesTheActivation) {
  ASSERT_EQ(QApplication::activeWindow(), form.get());
  border->UpdatePosition(true, 255);
  QApplication::processEvents();
  EXPECT_EQ(QApplication::activeWindow(), form.get());
  EXPECT_TRUE(Window()->windowFlags() & Qt::WindowDoesNotAcceptFocus);
  // A click on it answers MA_NOACTIVATE and activates the owner.
  QWidget other;
  other.setGeometry(600, 400, 100, 100);
  other.show();
  other.activateWindow();
  QApplication::processEvents();
  ASSERT_EQ(QApplication::activeWindow(), &other);
  EXPECT_EQ(SendMessage(Window(), WM_MOUSEACTIVATE, 0, 0), MA_NOACTIVATE);
  QApplication::processEvents();
  EXPECT_EQ(QApplication::activeWindow(), form.get());
}

TEST_F(BorderFormTest, HitTestOverTheFrame) {
  owner->menuLine = 18;
  owner->grip = {300, 200, 312, 212};
  border->UpdatePosition(true, 255);
  // Image 324 x 228; margins 10, 8, 10, 12; border 4.
  struct Case {
    const char* name;
    int x, y, code;
  } cases[] = {
      {"top", 100, 9, HTTOP},
      {"bottom", 100, 213, HTBOTTOM},
      {"left", 11, 100, HTLEFT},
      {"right", 312, 100, HTRIGHT},
      {"top left", 11, 9, HTTOPLEFT},
      {"top right", 312, 9, HTTOPRIGHT},
      {"bottom left", 11, 213, HTBOTTOMLEFT},
      {"bottom right", 312, 213, HTBOTTOMRIGHT},
      {"caption", 100, 20, HTCAPTION},
      {"icon", 20, 20, HTSYSMENU},
      {"close button", 285, 20, HTCLOSE},
      {"menu line", 100, 40, HTMENU},
      {"client", 100, 100, -1},
      {"grip", 305, 205, HTBOTTOMRIGHT},
  };
  for (const Case& c : cases) EXPECT_EQ(border->BorderHitTest(Screen(c.x, c.y)), c.code) << c.name;
  // The close button is the hot element; the caption clears it.
  border->BorderHitTest(Screen(285, 20));
  EXPECT_EQ(owner->hot, HTCLOSE);
  border->BorderHitTest(Screen(100, 20));
  EXPECT_EQ(owner->hot, 0);
  // The provider's own answer first; a disabled owner answers -1.
  owner->extAnswer = HTHELP;
  EXPECT_EQ(border->BorderHitTest(Screen(100, 20)), HTHELP);
  owner->extAnswer = 0;
  form->setEnabled(false);
  EXPECT_EQ(border->BorderHitTest(Screen(100, 20)), -1);
}

TEST_F(BorderFormTest, CursorsByHitCode) {
  const std::pair<int, std::optional<Qt::CursorShape>> cases[] = {
      {HTCAPTION, Qt::ArrowCursor},         {HTMENU, Qt::ArrowCursor},          {HTLEFT, Qt::SizeHorCursor},
      {HTRIGHT, Qt::SizeHorCursor},         {HTTOP, Qt::SizeVerCursor},         {HTBOTTOM, Qt::SizeVerCursor},
      {HTTOPLEFT, Qt::SizeFDiagCursor},     {HTBOTTOMRIGHT, Qt::SizeFDiagCursor}, {HTTOPRIGHT, Qt::SizeBDiagCursor},
      {HTBOTTOMLEFT, Qt::SizeBDiagCursor},  {HTCLOSE, std::nullopt},            {-1, std::nullopt}};
  for (const auto& [code, shape] : cases) EXPECT_EQ(BorderCursor(code), shape) << code;
  border->UpdatePosition(true, 255);
  // A move over the left border shows the sizing arrows.
  SendMessage(Window(), WM_MOUSEMOVE, 0, MAKELPARAM(11, 100));
  EXPECT_EQ(Window()->cursor().shape(), Qt::SizeHorCursor);
}

TEST_F(BorderFormTest, AnswersFrameHitCodeInsideAndHandsClicksToTheOwner) {
  border->UpdatePosition(true, 255);
  MessageLog log(form.get());
  const TPoint inside = Screen(100, 20);
  EXPECT_EQ(SendMessage(Window(), WM_NCHITTEST, 0, MAKELPARAM(inside.X, inside.Y)), kBorderFrameHitCode);
  SendMessage(Window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 20));
  SendMessage(Window(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(100, 20));
  ASSERT_EQ(log.messages.size(), 2u);
  EXPECT_EQ(log.messages[0].Msg, unsigned(WM_NCLBUTTONDOWN));
  EXPECT_EQ(log.messages[0].WParam, kAskBorderHitTest);
  EXPECT_EQ(GET_X_LPARAM(log.messages[0].LParam), inside.X);
  EXPECT_EQ(GET_Y_LPARAM(log.messages[0].LParam), inside.Y);
  EXPECT_EQ(log.messages[1].Msg, unsigned(WM_NCRBUTTONDOWN));
  EXPECT_EQ(log.messages[1].WParam, WPARAM(HTCAPTION));
  // A double click on the icon closes the owner.
  log.messages.clear();
  SendMessage(Window(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(20, 20));
  ASSERT_EQ(log.messages.size(), 1u);
  EXPECT_EQ(log.messages[0].Msg, unsigned(WM_SYSCOMMAND));
  EXPECT_EQ(log.messages[0].WParam, WPARAM(SC_CLOSE));
}

// A window beneath the shadow margin that records its presses.
class PressRecorder : public QWidget {
 public:
  std::vector<QPoint> presses;

 protected:
  void mousePressEvent(QMouseEvent* e) override { presses.push_back(e->position().toPoint()); }
};

TEST_F(BorderFormTest, MouseInTheShadowMarginReachesTheWindowBeneathInItsOwnCoordinates) {
  PressRecorder beneath;
  beneath.setGeometry(120, 100, 120, 80);
  beneath.show();
  form->raise();
  form->activateWindow();
  QApplication::processEvents();
  border->UpdatePosition(true, 255);
  // The offscreen platform activates a window it shows; the border hands it back.
  for (int i = 0; i < 3; ++i) QApplication::processEvents();
  ASSERT_EQ(QApplication::activeWindow(), form.get());
  MessageLog ownerLog(form.get());
  MessageLog borderLog(Window());
  // (3, 3) of the border window lies in its top-left shadow, on `beneath`.
  const TPoint screen = Screen(3, 3);
  ASSERT_EQ(border->WindowBeneath(screen), &beneath);
  SendMessage(Window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
  ASSERT_EQ(beneath.presses.size(), 1u);
  EXPECT_EQ(beneath.presses[0], QPoint(screen.X - 120, screen.Y - 100));
  EXPECT_TRUE(ownerLog.messages.empty());
  EXPECT_TRUE(borderLog.messages.size() == 1u);  // only the message sent to it
  EXPECT_FALSE(border->PassThrough());
  QApplication::processEvents();
  EXPECT_EQ(QApplication::activeWindow(), &beneath);  // a press there is the window's own
  // Nothing beneath: the message goes nowhere (not to the owner).
  beneath.hide();
  SendMessage(Window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
  EXPECT_EQ(beneath.presses.size(), 1u);
  EXPECT_TRUE(ownerLog.messages.empty());
}

// Where the shadows of two forms lie over each other, a press goes through
// both border windows to the window beneath them, once: neither hands it
// back to the other.
TEST_F(BorderFormTest, APressWhereTwoShadowsOverlapReachesTheWindowBeneathOnce) {
  PressRecorder beneath;
  beneath.setGeometry(120, 100, 120, 80);
  beneath.show();
  QWidget second;
  second.setGeometry(form->geometry());
  second.show();
  FakeOwner secondOwner(&second);
  TacBorderForm secondBorder(secondOwner);
  border->UpdatePosition(true, 255);
  secondBorder.UpdatePosition(true, 255);
  QApplication::processEvents();
  ASSERT_EQ(secondBorder.BorderWindow()->geometry(), Window()->geometry());
  SendMessage(Window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
  EXPECT_EQ(beneath.presses.size(), 1u);
  EXPECT_FALSE(border->PassThrough());
  EXPECT_FALSE(secondBorder.PassThrough());
}

// A press in the shadow whose window beneath closes the form, the border
// going with it: the border touches nothing of its own afterwards.
TEST_F(BorderFormTest, APressInTheShadowThatFreesTheBorderEndsThere) {
  class Closer : public QWidget {
   public:
    std::function<void()> onPress;

   protected:
    void mousePressEvent(QMouseEvent*) override { onPress(); }
  } beneath;
  beneath.setGeometry(120, 100, 120, 80);
  beneath.onPress = [&] { border.reset(); };
  beneath.show();
  border->UpdatePosition(true, 255);
  QApplication::processEvents();
  SendMessage(Window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
  EXPECT_EQ(border, nullptr);
}

TEST(ExtendedBorderPictureTest, LaysThePictureAroundTheWindowsOwnPixels) {
  // A 10 x 10 border picture: corners 3, half transparent blue outside,
  // clear inside.
  Bitmap picture(10, 10, pf32bit);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) {
      uint8_t* p = picture.ScanLine(y) + 4 * x;
      const bool rim = x < 2 || y < 2 || x >= 8 || y >= 8;
      p[0] = 200, p[1] = 10, p[2] = 10, p[3] = rim ? 128 : (x == 2 || y == 2 ? 255 : 0);
    }
  Bitmap image(30, 20, pf32bit);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 30; ++x) {
      uint8_t* p = image.ScanLine(y) + 4 * x;
      p[0] = 0, p[1] = 200, p[2] = 0, p[3] = 0;
    }
  // A key-colour pixel (a transparent corner of the window's own frame).
  uint8_t* key = image.ScanLine(2) + 4 * 2;
  key[0] = 0xFF, key[1] = 0, key[2] = 0xFF;
  const TRect inner{2, 2, 28, 18};
  LayExtendedBorder(image, inner, picture, {3, 3, 3, 3}, 1);
  const auto pixel = [&](int x, int y) {
    const uint8_t* p = image.ScanLine(y) + 4 * x;
    return std::array<int, 4>{p[0], p[1], p[2], p[3]};
  };
  EXPECT_EQ(pixel(0, 0), (std::array<int, 4>{200, 10, 10, 128}));   // the shadow
  EXPECT_EQ(pixel(29, 19), (std::array<int, 4>{200, 10, 10, 128}));  // its far corner
  EXPECT_EQ(pixel(15, 10), (std::array<int, 4>{0, 200, 0, 255}));    // the window, opaque
  EXPECT_EQ(pixel(2, 2)[3], 255);  // the key colour takes the picture's edge (opaque there)
  EXPECT_EQ(pixel(2, 2)[0], 200);
  // The picture's inner edge (alpha 255 at x = 2 of the picture) lies over
  // the window's first column.
  EXPECT_EQ(pixel(2, 10), (std::array<int, 4>{200, 10, 10, 255}));
  EXPECT_EQ(pixel(3, 10), (std::array<int, 4>{0, 200, 0, 255}));
}

}  // namespace
