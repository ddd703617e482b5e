// Edges of the menu line: the keyboard given back after the loop, Alt
// alone beside a button's mnemonic and a modal box, widths that count
// every character but the '&', and a line on a window whose frame leaves it
// no width.
#include "platform/MenuLine.h"

#include "platform/Menus.h"
#include "platform/NonClient.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>
#include <QWindow>

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

namespace {

// The keys a widget is handed.
struct KeysSeen : QObject {
  std::vector<int> keys;
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::KeyPress) keys.push_back(static_cast<QKeyEvent*>(e)->key());
    return false;
  }
};

// Keys go where the window system sends them: to the focus window.
void Key(Qt::Key key, Qt::KeyboardModifiers mods = {}) {
  QTest::keyClick(QGuiApplication::focusWindow(), key, mods);
  Pump();
}

}  // namespace

// Alt counts alone only when no other key went down before it went up,
// whoever took that key (a button's mnemonic is Qt's shortcut map's). A
// window that a modal box blocks, to the application or to the window,
// runs no menu loop: not the one that ran when the box came, nor one that
// a press reaching the window would open.
TEST(MenuLineEdges, AltAloneAndModalBoxes) {
  enum To { kBox, kEdit, kNowhere };
  struct Row {
    const char* name;
    Qt::WindowModality modality;
    Qt::Key key;  // with Alt for a letter
    bool box;     // a box comes after the key
    bool click;   // then a click on an item of the line
    Qt::Key next;
    To to;
  } rows[] = {
      {"Alt+R", Qt::ApplicationModal, Qt::Key_R, false, false, Qt::Key_Down, kEdit},
      {"F10, then a box to the application", Qt::ApplicationModal, Qt::Key_F10, true, false, Qt::Key_Return, kBox},
      {"F10, then a box to the window", Qt::WindowModal, Qt::Key_F10, true, false, Qt::Key_Return, kBox},
      // Delivered to the window itself, as no window system would: it
      // activates the window, which Qt hands no key while the box is up.
      {"a click on the line under a box", Qt::WindowModal, Qt::Key_unknown, true, true, Qt::Key_Return, kNowhere},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Form f({"模式(&M)", "系统(&S)"}, 400);
    QMessageBox box(QMessageBox::Information, "提示", "请选择数据！", QMessageBox::Ok, &f.window);
    box.setWindowModality(row.modality);
    auto* central = new QWidget;
    auto* edit = new QLineEdit(central);
    auto* pick = new QPushButton("机选&R", central);
    int picks = 0;
    QObject::connect(pick, &QPushButton::clicked, [&] { ++picks; });
    f.window.setCentralWidget(central);
    KeysSeen editKeys;
    edit->installEventFilter(&editKeys);
    edit->setFocus();
    Pump();
    if (row.key != Qt::Key_unknown) Key(row.key, row.key == Qt::Key_F10 ? Qt::NoModifier : Qt::AltModifier);
    // A mnemonic clicks its button a moment later; the window system hands
    // a box the keyboard a moment after it shows.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !pick->isDown(); }));
    EXPECT_EQ(picks, row.key == Qt::Key_R);
    if (row.box) box.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !box.isVisible() || box.isActiveWindow(); }));
    if (row.click) {
      const TRect item = f.ItemRect(1);
      QTest::mouseClick(&f.window, Qt::LeftButton, {}, f.window.mapFromGlobal(QPoint(item.Left + 4, item.Top + 4)));
      Pump();
    }
    EXPECT_EQ(GetMenuLoopWindow(), nullptr);
    EXPECT_EQ(QWidget::keyboardGrabber(), nullptr);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    editKeys.keys.clear();
    Key(row.next);
    EXPECT_EQ(GetMenuLoopPopup(), nullptr) << "the line took the key";
    EXPECT_EQ(row.box && !box.isVisible(), row.to == kBox) << "the box took the key";
    EXPECT_EQ(editKeys.keys, row.to == kEdit ? std::vector<int>{row.next} : std::vector<int>{});
  }
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
