// The tree combo box: its search, layout and drawing rules, and the
// drop-down driven by keys and the mouse.
#include "editors/AdvTreeComboBox.h"

#include "support/Pictures.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <vector>

TEST(TreeComboRules, SearchDropPositionAndButtonPlace) {
  // Absolute order; "Abd" and "Alpha" lie under collapsed parents.
  const std::vector<TTreeSearchNode> nodes = {{"Abd", false}, {"xyz"}, {"abc"}, {"Alpha", false}, {"Alpine"}};
  // selected, text, auto open -> found (a selected node that fits stays; the text is shortened until one fits)
  for (const auto& [selected, text, autoOpen, found] : std::vector<std::tuple<int, const char*, bool, int>>{
           {-1, "ab", true, 0}, {-1, "ab", false, 2}, {0, "ab", false, 0}, {2, "A", true, 2}, {1, "ab", true, 0},
           {-1, "ABC", true, 2}, {-1, "xyq", true, 1}, {-1, "alz", false, 4}, {-1, "alz", true, 3}, {-1, "q", true, -1},
           {-1, "", true, -1}, {1, "", true, 1}, {5, "x", true, 1}})
    EXPECT_EQ(FindNodeForText(nodes, selected, text, autoOpen), found) << selected << " " << text << " " << autoOpen;
  EXPECT_EQ(FindNodeForText({}, -1, "abc", true), -1);

  // An edit at y 100, 20 high, and a drop-down 200 high: below, above, or
  // below only when the screen has room.
  for (const auto& [position, screen, top] :
       std::vector<std::array<int, 3>>{{1, 150, 118}, {2, 2000, -100}, {0, 301, 118}, {0, 300, -100}})
    EXPECT_EQ(DropFormTop(100, 20, 200, position, screen), top) << position << ", " << screen;
  EXPECT_EQ(DropButtonRect({120, 22}, 17, false), QRect(103, 1, 17, 19));
  EXPECT_EQ(DropButtonRect({120, 22}, 17, true), QRect(99, 0, 17, 18));
}

namespace {

// A window holding a tree combo box and another button to click on.
class ComboBox : public ::testing::Test {
 protected:
  void SetUp() override {
    auto* layout = new QVBoxLayout(&window);
    combo = new TAdvTreeComboBox(&window);
    other = new QPushButton("other", &window);
    layout->addWidget(combo);
    layout->addWidget(other);
    window.resize(300, 120);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    combo->setFocus();
    combo->SetClock([this] { return now; });
    combo->OnDropUp = [this](TAdvTreeComboBox*, bool cancelled) { dropUps.push_back(cancelled); };
  }
  QTreeWidgetItem* Add(const QString& text, QTreeWidgetItem* parent = nullptr, qint64 data = 0) {
    auto* item = parent ? new QTreeWidgetItem(parent, {text}) : new QTreeWidgetItem(combo->Items(), {text});
    TAdvTreeComboBox::SetNodeData(item, data);
    return item;
  }
  void PressButton() { QTest::mousePress(combo->Button(), Qt::LeftButton, {}, QPoint(8, 8)); }
  // A click on the other button through the window system, as a user's reaches an open pop-up window.
  void ClickOutside() { QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, other->geometry().center()); }
  QTreeWidget* Tree() { return combo->Items(); }

  QWidget window;
  TAdvTreeComboBox* combo = nullptr;
  QPushButton* other = nullptr;
  qint64 now = 10000;
  std::vector<bool> dropUps;
};

}  // namespace

TEST_F(ComboBox, SelectionIsTheAbsoluteIndexOfTheSelectedNode) {
  auto* a = Add("A");
  Add("A1", a);
  Add("A2", a, 5);
  Add("B");
  EXPECT_EQ(combo->Selection(), -1);
  // index set -> selection, text (-1 or an index that names no node clears both)
  for (const auto& [index, selection, text] :
       std::vector<std::tuple<int, int, QString>>{{2, 2, "A2"}, {3, 3, "B"}, {-1, -1, ""}, {1, 1, "A1"}, {4, -1, ""}}) {
    combo->SetSelection(index);
    EXPECT_EQ(std::make_pair(combo->Selection(), combo->text()), std::make_pair(selection, text)) << index;
  }
  EXPECT_EQ(std::make_pair(TAdvTreeComboBox::NodeData(combo->NodeAt(2)), TAdvTreeComboBox::NodeData(nullptr)),
            std::make_pair(qint64{5}, qint64{0}));

  combo->SetExpandOnDrop(true);
  combo->SetCollapseOnDrop(true);  // each clears the other
  const std::pair collapse(combo->ExpandOnDrop(), combo->CollapseOnDrop());
  combo->SetExpandOnDrop(true);
  combo->SetEditorEnabled(false);
  EXPECT_EQ(std::tuple(collapse, combo->ExpandOnDrop(), combo->CollapseOnDrop(), combo->isReadOnly()),
            std::tuple(std::pair(false, true), true, false, true));
}

TEST_F(ComboBox, TheButtonSitsInsideTheEditWhichKeepsAHeightForItsFont) {
  combo->setFrame(false);
  combo->resize(150, 30);
  QApplication::processEvents();
  EXPECT_EQ(combo->Button()->geometry(), DropButtonRect(combo->size(), 17, false));
  EXPECT_EQ(combo->textMargins(), QMargins(2, 2, 17 + 3, 0));
  combo->resize(150, 4);
  const int own = combo->fontMetrics().height();
  EXPECT_EQ(combo->height(), own + own / 4);
}

TEST_F(ComboBox, KeysDropItDownBrowseThenPickOrCancel) {
  Add("Abc");
  Add("xyz");
  int dropDowns = 0;
  combo->OnDropDown = [&](TAdvTreeComboBox*, bool&) { ++dropDowns; };
  combo->setText("ab");
  QTest::keyClick(combo, Qt::Key_Down);
  ASSERT_TRUE(combo->DroppedDown());
  // The node for the text is selected before showing, which writes nothing.
  EXPECT_EQ(std::make_tuple(dropDowns, combo->Selection(), combo->text()), std::make_tuple(1, 0, QString("ab")));
  EXPECT_EQ(combo->DropForm()->size(), QSize(combo->DropWidth(), 100));
  EXPECT_EQ(combo->DropForm()->pos(), combo->mapToGlobal(QPoint(0, combo->height() - 2)));

  QTest::keyClick(Tree(), Qt::Key_Down);  // browsing writes each node's text
  EXPECT_EQ(combo->text(), "xyz");
  QTest::keyClick(Tree(), Qt::Key_Escape);
  EXPECT_EQ(std::make_tuple(combo->DroppedDown(), combo->text(), dropUps),
            std::make_tuple(false, QString("ab"), std::vector<bool>{true}));

  QTest::keyClick(combo, Qt::Key_F4);
  ASSERT_TRUE(combo->DroppedDown());
  QTest::keyClick(Tree(), Qt::Key_Down);
  QTest::keyClick(Tree(), Qt::Key_Return);
  EXPECT_EQ(std::make_tuple(combo->DroppedDown(), combo->text(), bool(dropUps.back())),
            std::make_tuple(false, QString("xyz"), false));
  QTest::keyClick(combo, Qt::Key_F4);
  QTest::keyClick(combo, Qt::Key_F4);  // F4 on the edit closes it with a pick
  EXPECT_EQ(std::make_pair(combo->DroppedDown(), dropUps), std::pair(false, std::vector<bool>{true, false, false}));

  // In the tree F4 cancels; control characters below 28 do nothing there,
  // the others search the nodes.
  Add(QString(QChar(27)) + "esc");
  Add(QString(QChar(28)) + "fs");
  combo->setText("Abc");
  QTest::keyClick(combo, Qt::Key_F4);
  for (const auto& [code, selection] : std::vector<std::pair<char16_t, int>>{{27, 0}, {8, 0}, {28, 3}}) {
    QKeyEvent typed(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(QChar(code)));
    QApplication::sendEvent(Tree(), &typed);
    EXPECT_EQ(std::make_pair(combo->DroppedDown(), combo->Selection()), std::make_pair(true, selection)) << int(code);
  }
  QTest::keyClick(Tree(), Qt::Key_F4);
  EXPECT_EQ(std::make_pair(combo->DroppedDown(), bool(dropUps.back())), std::make_pair(false, true));

  // A text that fits no node selects nothing; Return keeps the text.
  Tree()->clearSelection();
  combo->setText("q");
  combo->DropDown();
  EXPECT_EQ(combo->Selection(), -1);
  QTest::keyClick(Tree(), Qt::Key_Return);
  EXPECT_EQ(combo->text(), "q");
}

TEST_F(ComboBox, AutoOpenOpensTheParentsOfTheFoundNode) {
  auto* group = Add("Group");
  Add("Alpha", group);
  Add("Alpine");
  combo->SetCollapseOnDrop(true);
  combo->setText("alp");
  combo->DropDown();
  EXPECT_EQ(std::make_pair(combo->Selection(), group->isExpanded()), std::make_pair(1, true));
  combo->CloseUp(true);
  combo->SetAutoOpen(false);
  Tree()->clearSelection();
  combo->DropDown();  // collapses again; the hidden Alpha is skipped
  EXPECT_EQ(std::make_pair(combo->Selection(), group->isExpanded()), std::make_pair(2, false));
  combo->CloseUp(true);
  combo->SetExpandOnDrop(true);
  combo->DropDown();
  EXPECT_TRUE(group->isExpanded());
}

TEST_F(ComboBox, APressOnANodePicksInSelectMode0AndADoubleClickInSelectMode1) {
  Add("one", nullptr, 11);
  auto* two = Add("two", nullptr, 22);
  combo->SetSelectMode(0);
  combo->DropDown();
  const QPoint onTwo = Tree()->visualItemRect(two).center();
  QTest::mousePress(Tree()->viewport(), Qt::RightButton, {}, onTwo);
  EXPECT_TRUE(combo->DroppedDown()) << "the left button only";
  QTest::mousePress(Tree()->viewport(), Qt::LeftButton, {}, onTwo);
  EXPECT_EQ(std::tuple(combo->DroppedDown(), combo->text(), TAdvTreeComboBox::NodeData(combo->SelectedNode()), dropUps),
            std::make_tuple(false, QString("two"), qint64{22}, std::vector<bool>{false}));

  combo->SetSelectMode(1);
  combo->setText("o");
  combo->DropDown();
  const QPoint onOne = Tree()->visualItemRect(Tree()->topLevelItem(0)).center();
  QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, {}, onOne);
  EXPECT_TRUE(combo->DroppedDown()) << "a single press only selects";
  QTest::mouseDClick(Tree()->viewport(), Qt::LeftButton, {}, onOne);
  EXPECT_EQ(std::make_pair(combo->DroppedDown(), combo->text()), std::make_pair(false, QString("one")));
}

TEST_F(ComboBox, TheButtonTakesTheFocusAndDoesNotReopenWithin250msOfAClickOutside) {
  Add("Abc");
  Add("xyz");
  bool allow = false;
  combo->OnDropDown = [&](TAdvTreeComboBox*, bool& a) { a = allow; };
  for (const auto& [policy, focused] : {std::pair{Qt::StrongFocus, true}, {Qt::NoFocus, false}}) {
    other->setFocus();
    combo->setFocusPolicy(policy);
    PressButton();
    EXPECT_EQ(std::make_pair(combo->hasFocus(), combo->DroppedDown()), std::make_pair(focused, false)) << policy;
  }
  allow = true;
  combo->setText("ab");
  PressButton();
  ASSERT_TRUE(combo->DroppedDown());
  QTest::keyClick(Tree(), Qt::Key_Down);
  ClickOutside();  // hides it at `now`, without OnDropUp, keeping the browsed text
  EXPECT_EQ(std::make_tuple(combo->DroppedDown(), combo->text(), dropUps.empty()),
            std::make_tuple(false, QString("xyz"), true));

  now += 250;
  PressButton();
  EXPECT_FALSE(combo->DroppedDown());
  QTest::keyClick(combo, Qt::Key_F4);  // the keys are not held back
  EXPECT_TRUE(combo->DroppedDown());
  combo->CloseUp(true);  // a cancel is no loss of activation
  PressButton();
  EXPECT_FALSE(combo->DroppedDown());
  now += 1;
  PressButton();
  EXPECT_TRUE(combo->DroppedDown());
}

TEST_F(ComboBox, ThePicturesOfTheDropButton) {
  // The style's bevel, the 7 x 4 arrow centred, the left edge a face line
  // outside and a white one inside; then a background and a glyph of its own.
  TDropTreeButton* button = combo->Button();
  button->resize(17, 17);
  ASSERT_EQ(DropArrowGlyph().size(), QSize(7, 4));
  testsupport::ExpectPicture(button->grab().toImage(), "tests/editors/data/drop-button.png");
  button->SetBackgroundColor(QColor(0, 128, 0));
  QImage glyph(3, 3, QImage::Format_ARGB32);
  glyph.fill(Qt::blue);
  button->SetGlyph(glyph);
  testsupport::ExpectPicture(button->grab().toImage(), "tests/editors/data/drop-button-own.png");
  button->SetGlyph(QImage());  // the arrow again
  EXPECT_EQ(button->grab().toImage().pixelColor(8, 9), QColor(Qt::black));
  // Hot while the mouse is over it (a flat button shows its bevel then).
  QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(button, &enter);
  const bool hot = button->Hot();
  QApplication::sendEvent(button, &leave);
  EXPECT_EQ(std::pair(hot, button->Hot()), std::pair(true, false));
}
