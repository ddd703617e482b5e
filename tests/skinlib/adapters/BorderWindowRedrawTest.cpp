// The extended border window shows the owner's picture anew whenever the
// owner's image had to be painted again, even on a call that only asks it
// to follow the owner.
#include "skinlib/adapters/acBorderForm.h"

#include "platform/Bitmap.h"
#include "platform/LayeredWindow.h"

#include <QApplication>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

using namespace platform;

namespace {

// An owner whose image is one plain colour, painted when it is dirty.
class PlainOwner : public TacBorderOwner {
 public:
  explicit PlainOwner(QWidget* window) : window_(window), image_(window->width() + 20, window->height() + 30, pf32bit) {}
  QWidget* OwnerWindow() const override { return window_; }
  Bitmap* OwnerImage() const override { return &image_; }
  bool OwnerImageDirty() const override { return dirty; }
  void PaintOwnerImage() override {
    image_.Fill(colour);
    dirty = false;
  }
  TRect BorderMargins() const override { return {6, 6, 6, 6}; }
  int SkinBorderWidth() const override { return 4; }
  int SkinTitleHeight() const override { return 24; }
  int SystemBorderWidth() const override { return 4; }
  int SystemCaptionHeight() const override { return 20; }
  bool HasCaption() const override { return true; }
  TRect TitleIconRect() const override { return {}; }
  int TitleButtonAt(TPoint) const override { return 0; }
  TRect ClientRectInImage() const override { return {10, 30, 10 + window_->width(), 30 + window_->height()}; }
  void SetHotElement(int) override {}

  bool dirty = true;
  QRgb colour = 0xFF2040A0;

 private:
  QWidget* window_;
  mutable Bitmap image_;
};

class BorderWindowRedrawTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetLayeredWindowsAvailableForTesting(true);
    form = std::make_unique<QWidget>();
    form->setGeometry(200, 150, 200, 120);
    form->show();
    QApplication::processEvents();
    owner = std::make_unique<PlainOwner>(form.get());
    border = std::make_unique<TacBorderForm>(*owner);
  }
  void TearDown() override {
    border.reset();
    owner.reset();
    form.reset();
    SetLayeredWindowsAvailableForTesting(std::nullopt);
  }
  QRgb Shown() const { return border->BorderWindow()->Picture().pixel(2, 2); }

  std::unique_ptr<QWidget> form;
  std::unique_ptr<PlainOwner> owner;
  std::unique_ptr<TacBorderForm> border;
};

TEST_F(BorderWindowRedrawTest, ADirtyOwnerImageIsShownAlsoWhenOnlyFollowingIsAsked) {
  border->UpdatePosition(false, 255);
  ASSERT_NE(border->BorderWindow(), nullptr);
  ASSERT_FALSE(border->BorderWindow()->Picture().isNull());
  EXPECT_EQ(Shown(), 0xFF2040A0u);
  // Clean: following keeps the picture.
  owner->colour = 0xFF30C040;
  border->UpdatePosition(false, 255);
  EXPECT_EQ(Shown(), 0xFF2040A0u);
  // Dirty: the owner paints again and the window shows it.
  owner->dirty = true;
  border->UpdatePosition(false, 255);
  EXPECT_FALSE(owner->dirty);
  EXPECT_EQ(Shown(), 0xFF30C040u);
}

}  // namespace
