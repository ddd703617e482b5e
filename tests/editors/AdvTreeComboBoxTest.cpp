#include "editors/AdvTreeComboBox.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<TTreeSearchNode> Nodes(std::initializer_list<TTreeSearchNode> nodes) { return nodes; }

// A window holding a tree combo box and another button to click on.
class ComboWindow {
 public:
  ComboWindow() {
    auto* layout = new QVBoxLayout(&window);
    combo = new TAdvTreeComboBox(&window);
    other = new QPushButton("other", &window);
    layout->addWidget(combo);
    layout->addWidget(other);
    window.resize(300, 120);
    window.show();
    window.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    combo->setFocus();
    combo->SetClock([this] { return now; });
    combo->OnDropUp = [this](TAdvTreeComboBox*, bool cancelled) { dropUps.push_back(cancelled); };
  }
  ~ComboWindow() {
    if (combo->DroppedDown()) combo->CloseUp(true);
  }

  QTreeWidgetItem* Add(const QString& text, QTreeWidgetItem* parent = nullptr, qint64 data = 0) {
    auto* item = parent != nullptr ? new QTreeWidgetItem(parent, {text})
                                   : new QTreeWidgetItem(combo->Items(), {text});
    TAdvTreeComboBox::SetNodeData(item, data);
    return item;
  }
  void PressButton() { QTest::mousePress(combo->Button(), Qt::LeftButton, {}, QPoint(8, 8)); }
  // A click on the other button through the window system, as a user's
  // click reaches an open pop-up window.
  void ClickOutside() {
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, other->geometry().center());
  }

  QWidget window;
  TAdvTreeComboBox* combo;
  QPushButton* other;
  qint64 now = 10000;
  std::vector<bool> dropUps;
};

}  // namespace

TEST(TreeNodeSearch, FindsTheFirstNodeThatBeginsWithTheTextIgnoringCase) {
  const auto nodes = Nodes({{"xyz"}, {"Abc"}, {"abd"}});
  EXPECT_EQ(FindNodeForText(nodes, -1, "ab", true), 1);
  EXPECT_EQ(FindNodeForText(nodes, -1, "ABD", true), 2);
  // A selected node that still fits stays, even when an earlier one fits too.
  EXPECT_EQ(FindNodeForText(nodes, 2, "a", true), 2);
  // One that does not fit gives way to the search.
  EXPECT_EQ(FindNodeForText(nodes, 0, "ab", true), 1);
}

TEST(TreeNodeSearch, ShortensTheTextUntilANodeFitsOrNothingIsLeft) {
  EXPECT_EQ(FindNodeForText(Nodes({{"Abc"}}), -1, "abz", true), 0);
  EXPECT_EQ(FindNodeForText(Nodes({{"Abc"}, {"xyz"}}), -1, "xyq", true), 1);
  EXPECT_EQ(FindNodeForText(Nodes({{"Abc"}}), -1, "q", true), -1);
  EXPECT_EQ(FindNodeForText(Nodes({{"Abc"}}), -1, "", true), -1);
  EXPECT_EQ(FindNodeForText({}, -1, "abc", true), -1);
  // An empty text keeps whatever is selected.
  EXPECT_EQ(FindNodeForText(Nodes({{"Abc"}, {"xyz"}}), 1, "", true), 1);
}

TEST(TreeNodeSearch, WithoutAutoOpenNodesUnderACollapsedParentAreSkipped) {
  const auto nodes = Nodes({{"Group"}, {"Alpha", false}, {"Alpine"}});
  EXPECT_EQ(FindNodeForText(nodes, -1, "alp", true), 1);
  EXPECT_EQ(FindNodeForText(nodes, -1, "alp", false), 2);
  EXPECT_EQ(FindNodeForText(nodes, -1, "alz", false), 2);  // shortened to "al"
}

TEST(TreeComboLayout, DropDownGoesBelowOrAboveTheEdit) {
  // Edit at y 100, 20 high; drop-down 200 high.
  EXPECT_EQ(DropFormTop(100, 20, 200, 1, 150), 118);  // below, whatever the screen
  EXPECT_EQ(DropFormTop(100, 20, 200, 2, 2000), -100);
  EXPECT_EQ(DropFormTop(100, 20, 200, 0, 301), 118);  // room below
  EXPECT_EQ(DropFormTop(100, 20, 200, 0, 300), -100);  // none: above
}

TEST(TreeComboLayout, ButtonSitsAtTheRightEndInsideTheEdit) {
  EXPECT_EQ(DropButtonRect({120, 22}, 17, false), QRect(103, 1, 17, 19));
  EXPECT_EQ(DropButtonRect({120, 22}, 17, true), QRect(99, 0, 17, 18));

  ComboWindow w;
  w.combo->setFrame(false);
  w.combo->resize(150, 30);
  QApplication::processEvents();
  EXPECT_EQ(w.combo->Button()->geometry(), DropButtonRect(w.combo->size(), 17, false));
  EXPECT_GE(w.combo->textMargins().right(), 17 + 3);
  // Too low for its font: the edit grows.
  w.combo->resize(150, 4);
  EXPECT_GE(w.combo->height(), w.combo->fontMetrics().height());
}

TEST(TreeComboBox, SelectionIsTheAbsoluteIndexOfTheSelectedNode) {
  ComboWindow w;
  auto* a = w.Add("A");
  w.Add("A1", a);
  w.Add("A2", a);
  w.Add("B");
  EXPECT_EQ(w.combo->Selection(), -1);
  w.combo->SetSelection(2);
  EXPECT_EQ(w.combo->Selection(), 2);
  EXPECT_EQ(w.combo->text(), "A2");
  w.combo->SetSelection(3);
  EXPECT_EQ(w.combo->text(), "B");
  w.combo->SetSelection(-1);
  EXPECT_EQ(w.combo->Selection(), -1);
  EXPECT_EQ(w.combo->text(), "");
  w.combo->SetSelection(1);
  w.combo->SetSelection(4);  // names no node
  EXPECT_EQ(w.combo->Selection(), -1);
  EXPECT_EQ(w.combo->text(), "");
}

TEST(TreeComboBox, PropertiesKeepTheirRules) {
  ComboWindow w;
  EXPECT_EQ(TAdvTreeComboBox::Version(), "1.1.1.2");
  EXPECT_EQ(w.combo->SelectMode(), 1);
  EXPECT_EQ(w.combo->DropHeight(), 100);
  EXPECT_TRUE(w.combo->AutoOpen());
  EXPECT_TRUE(w.combo->EditorEnabled());
  w.combo->SetExpandOnDrop(true);
  w.combo->SetCollapseOnDrop(true);
  EXPECT_FALSE(w.combo->ExpandOnDrop());
  w.combo->SetExpandOnDrop(true);
  EXPECT_FALSE(w.combo->CollapseOnDrop());
  w.combo->SetEditorEnabled(false);
  EXPECT_TRUE(w.combo->isReadOnly());
  w.combo->SetFlat(true);
  EXPECT_TRUE(w.combo->Button()->Flat());
}

TEST(TreeComboBox, DroppingDownSelectsTheNodeForTheTextAndEscapeRestoresIt) {
  ComboWindow w;
  w.Add("Abc");
  w.Add("xyz");
  int dropDowns = 0;
  w.combo->OnDropDown = [&](TAdvTreeComboBox*, bool&) { ++dropDowns; };
  w.combo->setText("ab");
  QTest::keyClick(w.combo, Qt::Key_Down);
  ASSERT_TRUE(w.combo->DroppedDown());
  EXPECT_EQ(dropDowns, 1);
  EXPECT_EQ(w.combo->Selection(), 0);
  EXPECT_EQ(w.combo->text(), "ab");  // selecting before showing writes nothing
  EXPECT_EQ(w.combo->DropForm()->size(), QSize(w.combo->DropWidth(), 100));

  // Browsing writes each node's text into the edit.
  QTest::keyClick(w.combo->Items(), Qt::Key_Down);
  EXPECT_EQ(w.combo->text(), "xyz");
  QTest::keyClick(w.combo->Items(), Qt::Key_Escape);
  EXPECT_FALSE(w.combo->DroppedDown());
  EXPECT_EQ(w.combo->text(), "ab");
  EXPECT_EQ(w.dropUps, std::vector<bool>{true});

  // Return keeps the browsed node; F4 on the edit opens again.
  QTest::keyClick(w.combo, Qt::Key_F4);
  ASSERT_TRUE(w.combo->DroppedDown());
  EXPECT_EQ(w.combo->Selection(), 0);  // "ab" again
  QTest::keyClick(w.combo->Items(), Qt::Key_Down);
  QTest::keyClick(w.combo->Items(), Qt::Key_Return);
  EXPECT_FALSE(w.combo->DroppedDown());
  EXPECT_EQ(w.combo->text(), "xyz");
  EXPECT_EQ(w.dropUps, (std::vector<bool>{true, false}));

  // F4 in the tree cancels too; control characters do nothing there.
  QTest::keyClick(w.combo, Qt::Key_F4);
  QTest::keyClick(w.combo->Items(), Qt::Key_Backspace);
  EXPECT_TRUE(w.combo->DroppedDown());
  QTest::keyClick(w.combo->Items(), Qt::Key_F4);
  EXPECT_FALSE(w.combo->DroppedDown());
  EXPECT_EQ(w.dropUps.back(), true);
}

TEST(TreeComboBox, ATextThatFitsNoNodeSelectsNothingAndReturnKeepsIt) {
  ComboWindow w;
  w.Add("Abc");
  w.combo->setText("q");
  w.combo->DropDown();
  ASSERT_TRUE(w.combo->DroppedDown());
  EXPECT_EQ(w.combo->Selection(), -1);
  QTest::keyClick(w.combo->Items(), Qt::Key_Return);
  EXPECT_EQ(w.combo->text(), "q");
}

TEST(TreeComboBox, OnDropDownCanKeepItClosed) {
  ComboWindow w;
  w.Add("Abc");
  w.combo->OnDropDown = [](TAdvTreeComboBox*, bool& allow) { allow = false; };
  w.combo->DropDown();
  EXPECT_FALSE(w.combo->DroppedDown());
}

TEST(TreeComboBox, AutoOpenOpensTheParentsOfTheFoundNode) {
  ComboWindow w;
  auto* group = w.Add("Group");
  w.Add("Alpha", group);
  w.Add("Alpine");
  w.combo->SetCollapseOnDrop(true);
  w.combo->setText("alp");
  w.combo->DropDown();
  EXPECT_EQ(w.combo->Selection(), 1);
  EXPECT_TRUE(group->isExpanded());
  w.combo->CloseUp(true);

  w.combo->SetAutoOpen(false);
  w.combo->Items()->clearSelection();
  w.combo->DropDown();  // collapses again; the hidden Alpha is skipped
  EXPECT_FALSE(group->isExpanded());
  EXPECT_EQ(w.combo->Selection(), 2);
}

TEST(TreeComboBox, APressOnANodePicksInSelectMode0AndADoubleClickInSelectMode1) {
  ComboWindow w;
  w.Add("one", nullptr, 11);
  auto* two = w.Add("two", nullptr, 22);
  w.combo->SetSelectMode(0);
  w.combo->DropDown();
  QTreeWidget* tree = w.combo->Items();
  QTest::mousePress(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(two).center());
  EXPECT_FALSE(w.combo->DroppedDown());
  EXPECT_EQ(w.combo->text(), "two");
  EXPECT_EQ(TAdvTreeComboBox::NodeData(w.combo->SelectedNode()), 22);
  EXPECT_EQ(w.dropUps, std::vector<bool>{false});

  w.combo->SetSelectMode(1);
  w.combo->setText("o");
  w.combo->DropDown();
  const QPoint onOne = tree->visualItemRect(tree->topLevelItem(0)).center();
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, onOne);
  EXPECT_TRUE(w.combo->DroppedDown());  // a single press only selects
  QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, onOne);
  EXPECT_FALSE(w.combo->DroppedDown());
  EXPECT_EQ(w.combo->text(), "one");
}

TEST(TreeComboBox, AClickOutsideHidesItWithoutDropUpAndKeepsTheLastNodesText) {
  ComboWindow w;
  w.Add("Abc");
  w.Add("xyz");
  w.combo->setText("ab");
  w.PressButton();
  ASSERT_TRUE(w.combo->DroppedDown());
  QTest::keyClick(w.combo->Items(), Qt::Key_Down);
  w.ClickOutside();
  EXPECT_FALSE(w.combo->DroppedDown());
  EXPECT_EQ(w.combo->text(), "xyz");
  EXPECT_TRUE(w.dropUps.empty());
}

TEST(TreeComboBox, TheButtonDoesNotReopenWithin250msOfLosingActivation) {
  ComboWindow w;
  w.Add("Abc");
  w.PressButton();
  ASSERT_TRUE(w.combo->DroppedDown());
  w.ClickOutside();  // closes it at time `now`
  ASSERT_FALSE(w.combo->DroppedDown());

  w.now += 250;
  w.PressButton();
  EXPECT_FALSE(w.combo->DroppedDown());
  // The keys are not held back.
  QTest::keyClick(w.combo, Qt::Key_F4);
  EXPECT_TRUE(w.combo->DroppedDown());
  w.combo->CloseUp(true);  // a cancel is no loss of activation
  w.PressButton();
  EXPECT_FALSE(w.combo->DroppedDown());  // still within 250 ms of the click outside
  w.now += 1;
  w.PressButton();
  EXPECT_TRUE(w.combo->DroppedDown());
}

TEST(DropTreeButton, DrawsTheArrowAndItsEdgesThroughTheStyle) {
  ComboWindow w;
  TDropTreeButton* button = w.combo->Button();
  button->resize(17, 17);
  const QImage up = button->grab().toImage();
  const QImage& glyph = DropArrowGlyph();
  ASSERT_EQ(glyph.size(), QSize(7, 4));
  // The arrow's tip row is one black pixel, centred.
  EXPECT_EQ(up.pixelColor(8, 6 + 3), QColor(Qt::black));
  EXPECT_EQ(up.pixelColor(1, 5), QColor(Qt::white));  // inner left edge
  EXPECT_EQ(up.pixelColor(0, 5), button->palette().color(QPalette::Button));

  button->SetBackgroundColor(QColor(0, 128, 0));
  const QImage green = button->grab().toImage();
  EXPECT_EQ(green.pixelColor(3, 12), QColor(0, 128, 0));
  EXPECT_EQ(green.pixelColor(8, 9), QColor(Qt::black));  // the arrow stays on top
}
