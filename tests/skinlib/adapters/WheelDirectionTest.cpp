// The wheel a skinned form hands to the slider under the mouse moves the
// slider the way the wheel turned.
#include "ProviderFormTest.h"
#include "platform/Messages.h"

#include <QApplication>
#include <QSlider>

using namespace platform;

namespace {

using WheelDirectionTest = ProviderFormTest;

TEST_F(WheelDirectionTest, ASliderUnderTheMouseMovesTheWayTheWheelTurned) {
  ASSERT_NO_FATAL_FAILURE(Activate());
  auto* slider = new QSlider(Qt::Horizontal, form.get());
  slider->setGeometry(form->contentsRect().left() + 10, form->contentsRect().top() + 10, 150, 30);
  slider->setRange(0, 100);
  slider->setSingleStep(1);
  slider->setFocusPolicy(Qt::WheelFocus);
  new TsSkinProvider(form.get());
  form->show();
  QApplication::processEvents();
  const QPoint p = slider->mapToGlobal(QPoint(5, 5));
  const struct {
    int delta;
    int from, to;
  } rows[] = {{120, 50, 50 + QApplication::wheelScrollLines()}, {-120, 50, 50 - QApplication::wheelScrollLines()}};
  for (const auto& row : rows) {
    slider->setValue(row.from);
    EXPECT_EQ(SendMessage(form.get(), CM_MOUSEWHEEL, MAKEWPARAM(0, row.delta), MAKELPARAM(p.x(), p.y())), 1);
    EXPECT_EQ(slider->value(), row.to) << row.delta;
  }
}

}  // namespace
