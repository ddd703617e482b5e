// Edges of the menu line: the keyboard given back after the loop, widths
// that count every character but the '&', and a line on a window whose
// frame leaves it no width.
#include "platform/MenuLine.h"

#include "platform/Menus.h"
#include "platform/NonClient.h"

#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using namespace platform;

namespace {

void Pump() {
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

// A framed form whose menu bar has one item per caption.
struct Form {
  Form(const std::vector<QString>& captions, int width) {
    window.setGeometry(100, 100, width, 200);
    for (const QString& caption : captions) window.menuBar()->addMenu(caption)->addAction("命令");
    window.show();
    SetNonClientFrame(&window);
    Pump();
  }
  TRect ItemRect(int i) {
    TRect r{};
    EXPECT_TRUE(GetMenuItemRect(&window, nullptr, unsigned(i), &r)) << i;
    return r;
  }
  QMainWindow window;
};

}  // namespace

TEST(MenuLineEdges, TheLoopGivesTheKeyboardBack) {
  Form f({"文件(&F)", "编辑(&E)"}, 300);
  QTest::keyClick(&f.window, Qt::Key_F10);
  Pump();
  ASSERT_EQ(GetMenuLineItem(&f.window), 0);
  EXPECT_EQ(QWidget::keyboardGrabber(), &f.window) << "the line holds the keyboard in its loop";
  QTest::keyClick(&f.window, Qt::Key_Alt);
  Pump();
  EXPECT_EQ(GetMenuLineItem(&f.window), -1);
  EXPECT_EQ(QWidget::keyboardGrabber(), nullptr) << "the keyboard stays grabbed after the loop";
}

// The '&' marks a letter wherever it stands; every letter is measured.
TEST(MenuLineEdges, TheMnemonicMarkIsLeftOutOfTheWidthWhereverItStands) {
  Form f({"a&b", "&ab", "ab", "abc"}, 400);
  const int marked = f.ItemRect(0).Width();
  EXPECT_EQ(f.ItemRect(1).Width(), marked);
  EXPECT_EQ(f.ItemRect(2).Width(), marked);
  EXPECT_GT(f.ItemRect(3).Width(), marked) << "the last letter counts";
}

// A window whose frame leaves its line no width at all still lays the line
// out (a width of 0 is a width, not "not laid out yet").
TEST(MenuLineEdges, ALineComesBackOnAWindowWithoutRoomForIt) {
  QWidget window;
  auto* layout = new QVBoxLayout(&window);
  layout->setSizeConstraint(QLayout::SetNoConstraint);
  auto* bar = new QMenuBar;
  bar->addMenu("文件(&F)")->addAction("命令");
  layout->setMenuBar(bar);
  window.setMinimumSize(0, 0);
  window.setGeometry(100, 100, 8, 200);
  window.show();
  SetNonClientFrame(&window);
  Pump();
  window.resize(window.contentsMargins().left() + window.contentsMargins().right(), 200);
  Pump();
  ASSERT_EQ(window.width() - window.contentsMargins().left() - window.contentsMargins().right(), 0);
  ASSERT_TRUE(SetMenu(&window, nullptr));
  Pump();
  ASSERT_TRUE(SetMenu(&window, bar));
  Pump();
  TRect r{};
  EXPECT_TRUE(GetMenuItemRect(&window, nullptr, 0, &r));
}
