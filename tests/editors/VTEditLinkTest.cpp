#include "editors/AdvTreeComboBox.h"
#include "editors/MDI_VTEditor.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>
#include <QTimeEdit>
#include <QTreeView>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace {

struct EditRecord {
  QString text;
  QString value;
  qint64 data;
  bool changed;
};

// What one test wants its links to be; the grid makes one link per edit.
struct LinkSetup {
  int kind = ekEdit;
  QString start;
  TEditItems items;
  QStringList values;
  QChar separator = QLatin1Char(',');
  std::function<void(QTreeWidget*)> tree;
};

// The number of test links alive.
int liveLinks = 0;

class TestLink : public TVTEditLink {
 public:
  TestLink(const LinkSetup& setup, std::vector<EditRecord>& log, int& buttonClicks, int& dblClicks)
      : setup_(setup), log_(log), buttonClicks_(buttonClicks), dblClicks_(dblClicks) {
    SetSeparator(setup.separator);
    ++liveLinks;
  }
  ~TestLink() override { --liveLinks; }

 protected:
  int GetEditorKind() override { return setup_.kind; }
  QString GetEditText() override { return setup_.start; }
  void FillItems(TEditItems& items, QStringList& values) override {
    TVTEditLink::FillItems(items, values);
    items = setup_.items;
    values = setup_.values;
  }
  void FillTree(QTreeWidget* nodes) override {
    TVTEditLink::FillTree(nodes);
    if (setup_.tree) setup_.tree(nodes);
  }
  bool SetEditText(const QString& text, const QString& value, qint64 data) override {
    const bool changed = TVTEditLink::SetEditText(text, value, data);
    log_.push_back({text, value, data, changed});
    return changed;
  }
  void ButtonClick() override { ++buttonClicks_; }
  void EditorDblClick() override { ++dblClicks_; }

 private:
  LinkSetup setup_;
  std::vector<EditRecord>& log_;
  int& buttonClicks_;
  int& dblClicks_;
};

// A table view that tells whether it is editing.
class Table : public QTableView {
 public:
  bool Editing() const { return state() == EditingState; }
};

// A 3 x 4 grid whose cells are edited through test links.
class Grid : public ::testing::Test {
 protected:
  void SetUp() override {
    model.setRowCount(3);
    model.setColumnCount(4);
    for (int r = 0; r < 3; ++r)
      for (int c = 0; c < 4; ++c) model.setItem(r, c, new QStandardItem(QString("r%1c%2").arg(r).arg(c)));
    model.setHeaderData(1, Qt::Horizontal, int(Qt::AlignRight | Qt::AlignVCenter), Qt::TextAlignmentRole);
    delegate = new TVTEditDelegate(
        [this](QAbstractItemView*, const QModelIndex&, int) -> std::shared_ptr<TVTEditLink> {
          auto link = std::make_shared<TestLink>(setup, log, buttonClicks, dblClicks);
          link->OnChange = [this](TVTEditLink*) { ++changes; };
          link->SetSorted(sorted);
          current = link;
          return link;
        },
        &view);
    view.setItemDelegate(delegate);
    view.setModel(&model);
    view.resize(500, 200);
    view.show();
    view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
  }

  // Starts editing a cell; the editor control, or nullptr when none opened.
  QWidget* Open(int row, int column) {
    current.reset();
    const QModelIndex index = model.index(row, column);
    view.setCurrentIndex(index);
    view.edit(index);
    auto link = current.lock();
    return link ? link->Editor() : nullptr;
  }
  template <class T>
  T* OpenAs(int row, int column) {
    QWidget* editor = Open(row, column);
    EXPECT_NE(dynamic_cast<T*>(editor), nullptr);
    return dynamic_cast<T*>(editor);
  }
  // Runs what the editors posted.
  static void Settle() {
    for (int i = 0; i < 3; ++i) {
      QApplication::processEvents();
      QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
  }
  bool Editing() const { return view.Editing(); }
  // Presses Return in an editor: the text it handed to SetEditText, or
  // "<none>" when it handed nothing on.
  QString ReturnText(QWidget* editor) {
    const size_t before = log.size();
    QTest::keyClick(editor, Qt::Key_Return);
    return log.size() == before + 1 ? log.back().text : QStringLiteral("<none>");
  }
  QModelIndex Current() const { return view.currentIndex(); }

  QStandardItemModel model;
  Table view;
  TVTEditDelegate* delegate = nullptr;
  LinkSetup setup;
  std::weak_ptr<TVTEditLink> current;
  std::vector<EditRecord> log;
  int buttonClicks = 0;
  int dblClicks = 0;
  int changes = 0;
  bool sorted = false;
};

TEST_F(Grid, KindsWithoutAnEditorDoNotStartTheEdit) {
  for (int kind : {0, 7, 12, 40, 0x80}) {
    setup.kind = kind;
    EXPECT_EQ(Open(0, 1), nullptr) << kind;
    EXPECT_FALSE(Editing()) << kind;
  }
  setup.kind = 0x80 | ekEdit;  // only the low seven bits count
  EXPECT_NE(qobject_cast<QLineEdit*>(Open(0, 1)), nullptr);
  EXPECT_TRUE(Editing());
}

TEST_F(Grid, ReturnInAnEditHandsTheTextOnAndMovesToTheNextColumn) {
  setup.start = "abc";
  auto* edit = OpenAs<QLineEdit>(0, 1);
  ASSERT_NE(edit, nullptr);
  EXPECT_TRUE(edit->isVisible());
  EXPECT_TRUE(edit->hasFocus());
  EXPECT_EQ(edit->text(), "abc");
  EXPECT_FALSE(edit->hasFrame());
  EXPECT_EQ(edit->font(), view.font());
  EXPECT_TRUE(edit->alignment() & Qt::AlignRight);  // like its column
  // Placed on the column's edges, one pixel narrower.
  EXPECT_EQ(edit->geometry().left(), view.columnViewportPosition(1));
  EXPECT_EQ(edit->geometry().width(), view.columnWidth(1) - 1);
  EXPECT_EQ(edit->geometry().top(), view.rowViewportPosition(0));

  edit->setText("hello");
  EXPECT_EQ(ReturnText(edit), "hello");
  EXPECT_TRUE(log[0].changed);
  EXPECT_EQ(changes, 1);
  EXPECT_FALSE(edit->isVisible());
  Settle();
  EXPECT_FALSE(Editing());
  EXPECT_EQ(Current(), model.index(0, 2));
  EXPECT_TRUE(view.hasFocus());

  // Unchanged text: the base reports no change and OnChange stays quiet.
  auto* again = OpenAs<QLineEdit>(0, 1);
  EXPECT_EQ(ReturnText(again), "abc");
  EXPECT_FALSE(log[1].changed);
  EXPECT_EQ(changes, 1);
  Settle();

  // In the last column Return has nowhere to move.
  OpenAs<QLineEdit>(1, 3);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
  Settle();
  EXPECT_EQ(Current(), model.index(1, 3));
}

TEST_F(Grid, EscapeHidesTheEditorAndNothingIsStored) {
  setup.start = "abc";
  auto* edit = OpenAs<QLineEdit>(1, 1);
  edit->setText("typed");
  QTest::keyClick(edit, Qt::Key_Escape);
  EXPECT_FALSE(edit->isVisible());
  Settle();
  EXPECT_FALSE(Editing());
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(Current(), model.index(1, 1));
}

TEST_F(Grid, RowsThatGoAwayWhileTheValueIsStoredLeaveTheLinkWhole) {
  // A grid owner that rebuilds its rows once a value changed: the row, and
  // the open editor with it, go away inside the link's own EndEdit.
  int linksInOnChange = -1;
  setup.start = "abc";
  auto* edit = OpenAs<QLineEdit>(0, 1);
  current.lock()->OnChange = [&](TVTEditLink*) {
    model.removeRow(0);
    linksInOnChange = liveLinks;
  };
  edit->setText("changed");
  QTest::keyClick(edit, Qt::Key_Return);
  EXPECT_EQ(linksInOnChange, 1);  // the link finished its work first
  ASSERT_EQ(log.size(), 1u);
  Settle();
  EXPECT_FALSE(Editing());
  EXPECT_EQ(liveLinks, 0);
  EXPECT_EQ(model.rowCount(), 2);

  // The same when the grid ends the edit (Tab) and the model is emptied.
  auto* again = OpenAs<QLineEdit>(0, 1);
  current.lock()->OnChange = [&](TVTEditLink*) {
    model.clear();
    linksInOnChange = liveLinks;
  };
  again->setText("changed again");
  linksInOnChange = -1;
  QTest::keyClick(again, Qt::Key_Tab);
  EXPECT_EQ(linksInOnChange, 1);
  ASSERT_EQ(log.size(), 2u);
  Settle();
  EXPECT_FALSE(Editing());
  EXPECT_EQ(liveLinks, 0);
}

TEST_F(Grid, ANumericEditKeepsTheLeadingNumber) {
  setup.kind = ekNumber;
  const std::pair<QString, QString> cases[] = {
      {"12.5kg", "12.5"}, {"abc", ""}, {"-3.5e2", "-3.5"}, {"42", "42"},
      // Full-width digits of a Chinese input method are no number to the program.
      {"１２kg", ""}, {"12５", "12"}};
  for (const auto& [typed, read] : cases) {
    auto* edit = OpenAs<QLineEdit>(0, 1);
    edit->setText(typed);
    EXPECT_EQ(ReturnText(edit), read) << typed.toStdString();
    Settle();
  }
}

TEST_F(Grid, UpAndDownInAnEditGoToTheGridUnlessAModifierIsHeld) {
  setup.start = "abc";
  auto* edit = OpenAs<QLineEdit>(0, 1);
  edit->setText("moved");
  QTest::keyClick(edit, Qt::Key_Down);
  EXPECT_TRUE(log.empty());  // the grid gets the key once this one returned
  Settle();
  EXPECT_FALSE(Editing());
  EXPECT_EQ(Current(), model.index(1, 1));
  ASSERT_EQ(log.size(), 1u);  // leaving the cell ends the edit
  EXPECT_EQ(log[0].text, "moved");

  OpenAs<QLineEdit>(1, 1);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
  Settle();
  EXPECT_EQ(Current(), model.index(0, 1));

  // With Shift the memo keeps the key and extends its selection.
  setup.kind = ekMemo;
  setup.start = "one\ntwo";
  auto* memo = OpenAs<QPlainTextEdit>(0, 1);
  memo->moveCursor(QTextCursor::Start);
  QTest::keyClick(memo, Qt::Key_Down, Qt::ShiftModifier);
  Settle();
  EXPECT_TRUE(Editing());
  EXPECT_EQ(Current(), model.index(0, 1));
  EXPECT_EQ(memo->textCursor().selectionStart(), 0);
  EXPECT_GT(memo->textCursor().selectionEnd(), 0);
  QTest::keyClick(memo, Qt::Key_Down);  // without: the grid's
  Settle();
  EXPECT_EQ(Current(), model.index(1, 1));
}

TEST_F(Grid, TabAndLeavingTheCellEndTheEdit) {
  setup.start = "abc";
  auto* edit = OpenAs<QLineEdit>(0, 1);
  edit->setText("tabbed");
  QTest::keyClick(edit, Qt::Key_Tab);
  Settle();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].text, "tabbed");
  EXPECT_TRUE(Editing());  // the next cell's editor is open
  EXPECT_EQ(Current(), model.index(0, 2));

  auto* next = qobject_cast<QLineEdit*>(current.lock()->Editor());
  ASSERT_NE(next, nullptr);
  next->setText("clicked away");
  const QRect other = view.visualRect(model.index(2, 0));
  QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, other.center());
  Settle();
  EXPECT_FALSE(Editing());
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[1].text, "clicked away");
}

TEST_F(Grid, ADoubleClickInAnEditorCallsTheHookOnce) {
  auto* edit = OpenAs<QLineEdit>(0, 1);
  QTest::mouseDClick(edit, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(dblClicks, 1);
  QTest::keyClick(edit, Qt::Key_Escape);
  Settle();

  setup.kind = ekMemo;
  auto* memo = OpenAs<QPlainTextEdit>(0, 1);
  QTest::mouseDClick(memo->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(dblClicks, 2);
  QTest::keyClick(memo, Qt::Key_Escape);
  Settle();

  // A double click in a drop-down is none in the editor itself.
  setup.kind = ekTreeCombo;
  setup.tree = [](QTreeWidget* nodes) { new QTreeWidgetItem(nodes, {"only"}); };
  auto* combo = OpenAs<TAdvTreeComboBox>(0, 1);
  QTest::keyClick(combo, Qt::Key_F4);
  ASSERT_TRUE(combo->DroppedDown());
  QWidget* dropTree = combo->Items()->viewport();
  QTest::mouseDClick(dropTree, Qt::LeftButton, {}, QPoint(5, dropTree->height() - 5));  // below the node
  EXPECT_EQ(dblClicks, 2);
  combo->CloseUp(true);
}

TEST_F(Grid, APickListOpensOnTheStartTextAndAPickEndsTheEdit) {
  setup.kind = ekPickList;
  setup.items.Add("a", 1);
  setup.items.Add("b", 2);
  setup.items.Add("c", 3);
  setup.values = {"va", "vb", "vc"};
  setup.start = "b";
  auto* combo = OpenAs<QComboBox>(0, 1);
  ASSERT_NE(combo, nullptr);
  EXPECT_FALSE(combo->isEditable());
  EXPECT_EQ(combo->count(), 3);
  EXPECT_EQ(combo->currentIndex(), 1);

  // Down picks the next item in the combo box (not in the grid).
  QTest::keyClick(combo, Qt::Key_Down);
  EXPECT_EQ(combo->currentIndex(), 2);
  EXPECT_TRUE(log.empty());  // the end is posted
  Settle();
  EXPECT_FALSE(Editing());
  EXPECT_EQ(Current(), model.index(0, 1));
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].text, "c");
  EXPECT_EQ(log[0].value, "vc");
  EXPECT_EQ(log[0].data, 3);
  EXPECT_TRUE(view.hasFocus());

  // A start text that names no item opens on the first.
  setup.start = "zzz";
  EXPECT_EQ(OpenAs<QComboBox>(0, 1)->currentIndex(), 0);
}

TEST_F(Grid, TheWheelOverAComboBoxMovesOneItemAndStaysInTheList) {
  setup.kind = ekPickList;
  setup.items.Add("a");
  setup.items.Add("b");
  setup.start = "a";
  auto* combo = OpenAs<QComboBox>(0, 1);
  auto wheel = [&](int delta) {
    QWheelEvent event(QPointF(5, 5), combo->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(combo, &event);
  };
  wheel(120);  // up from the first item: it stays
  EXPECT_EQ(combo->currentIndex(), 0);
  wheel(-120);
  EXPECT_EQ(combo->currentIndex(), 1);
  wheel(-120);  // down from the last
  EXPECT_EQ(combo->currentIndex(), 1);
  wheel(120);
  EXPECT_EQ(combo->currentIndex(), 0);
  Settle();
  EXPECT_TRUE(Editing());  // turning the wheel is no pick
  EXPECT_TRUE(log.empty());

  // Delete clears the selection; Return then hands on an empty text.
  QTest::keyClick(combo, Qt::Key_Delete);
  EXPECT_EQ(combo->currentIndex(), -1);
  EXPECT_EQ(ReturnText(combo), "");
  EXPECT_EQ(log[0].data, 0);
  EXPECT_TRUE(log[0].changed);
  Settle();

  // An editable combo box whose text names no item has none selected, so
  // the wheel goes down to the first item.
  setup.kind = ekComboBox;
  setup.start = "free text";
  combo = OpenAs<QComboBox>(0, 1);
  EXPECT_EQ(combo->currentIndex(), -1);
  EXPECT_EQ(combo->currentText(), "free text");
  wheel(-120);
  EXPECT_EQ(combo->currentText(), "a");
}

TEST_F(Grid, SortedListsShowTheirItemsInOrderWithTheirObjects) {
  setup.kind = ekPickList;
  setup.items.Add("c", 3);
  setup.items.Add("a", 1);
  setup.items.Add("b", 2);
  setup.values = {"vc", "va", "vb"};
  setup.start = "b";
  sorted = true;
  auto* combo = OpenAs<QComboBox>(0, 1);
  ASSERT_EQ(combo->count(), 3);
  EXPECT_EQ(combo->itemText(0), "a");
  EXPECT_EQ(combo->itemText(2), "c");
  EXPECT_EQ(combo->currentIndex(), 1);
  QTest::keyClick(combo, Qt::Key_Return);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].data, 2);  // the object and the value travel with their text
  EXPECT_EQ(log[0].value, "vb");
  Settle();

  setup.kind = ekCheckList;
  auto* list = OpenAs<QListWidget>(0, 1);
  EXPECT_EQ(list->item(0)->text(), "a");
  EXPECT_EQ(list->item(1)->checkState(), Qt::Checked);
}

TEST_F(Grid, AnEditableComboBoxStartsWithTheTextAndReadsItBack) {
  setup.kind = ekComboBox;
  setup.items.Add("one");
  setup.items.Add("two");
  setup.start = "free text";
  auto* combo = OpenAs<QComboBox>(2, 1);
  ASSERT_TRUE(combo->isEditable());
  EXPECT_EQ(combo->currentText(), "free text");
  combo->setEditText("typed");
  EXPECT_EQ(ReturnText(combo), "typed");
  EXPECT_EQ(log[0].value, "");
  Settle();
  EXPECT_FALSE(Editing());
}

TEST_F(Grid, ATreeComboPicksANodeAndACancelKeepsTheStartText) {
  setup.kind = ekTreeCombo;
  setup.tree = [](QTreeWidget* nodes) {
    auto* group = new QTreeWidgetItem(nodes, {"group"});
    TAdvTreeComboBox::SetNodeData(new QTreeWidgetItem(group, {"x"}), 7);
    TAdvTreeComboBox::SetNodeData(new QTreeWidgetItem(group, {"y"}), 8);
  };
  setup.start = "x";
  auto* combo = OpenAs<TAdvTreeComboBox>(0, 1);
  ASSERT_NE(combo, nullptr);
  EXPECT_EQ(combo->Selection(), 1);
  EXPECT_EQ(combo->text(), "x");
  EXPECT_FALSE(combo->EditorEnabled());
  EXPECT_EQ(combo->DropHeight(), 200);
  EXPECT_EQ(combo->SelectMode(), 0);
  EXPECT_EQ(combo->DropWidth(), combo->width());

  QTest::keyClick(combo, Qt::Key_F4);
  ASSERT_TRUE(combo->DroppedDown());
  QTreeWidget* tree = combo->Items();
  QTest::mousePress(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(tree->topLevelItem(0)->child(1)).center());
  EXPECT_FALSE(combo->DroppedDown());
  Settle();
  EXPECT_FALSE(Editing());
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].text, "y");
  EXPECT_EQ(log[0].data, 8);

  combo = OpenAs<TAdvTreeComboBox>(0, 1);
  QTest::keyClick(combo, Qt::Key_F4);
  QTest::keyClick(combo->Items(), Qt::Key_Down);
  EXPECT_EQ(combo->text(), "y");
  QTest::keyClick(combo->Items(), Qt::Key_Escape);
  Settle();
  EXPECT_FALSE(Editing());
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[1].text, "x");
  EXPECT_FALSE(log[1].changed);

  // A start text that names no node selects nothing.
  setup.start = "none";
  EXPECT_EQ(OpenAs<TAdvTreeComboBox>(0, 1)->Selection(), -1);
}

TEST_F(Grid, ACheckListChecksTheStartItemsAndReadsThemBack) {
  setup.kind = ekCheckList;
  setup.items.Add("a");
  setup.items.Add("b");
  setup.items.Add("c");
  setup.start = "b,c";
  auto* list = OpenAs<QListWidget>(0, 1);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->item(0)->checkState(), Qt::Unchecked);
  EXPECT_EQ(list->item(1)->checkState(), Qt::Checked);
  EXPECT_EQ(list->item(2)->checkState(), Qt::Checked);
  // Tall enough to show every item below the cell.
  EXPECT_EQ(list->height(), view.visualRect(model.index(0, 1)).height() + 3 * list->sizeHintForRow(0));
  EXPECT_EQ(ReturnText(list), "b,c");
  EXPECT_FALSE(log[0].changed);
  Settle();

  setup.separator = QLatin1Char(';');
  setup.start = "a;c";
  list = OpenAs<QListWidget>(0, 1);
  list->item(1)->setCheckState(Qt::Checked);
  list->item(2)->setCheckState(Qt::Unchecked);
  EXPECT_EQ(ReturnText(list), "a;b");
}

TEST_F(Grid, AMemoSelectsItsTextAndReturnEndsTheEdit) {
  setup.kind = ekMemo;
  setup.start = "first line";
  auto* memo = OpenAs<QPlainTextEdit>(0, 1);
  ASSERT_NE(memo, nullptr);
  EXPECT_EQ(memo->textCursor().selectedText(), "first line");
  EXPECT_EQ(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(memo->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(memo->lineWrapMode(), QPlainTextEdit::WidgetWidth);
  EXPECT_TRUE(memo->document()->defaultTextOption().alignment() & Qt::AlignRight);
  memo->setPlainText("two\nlines");
  EXPECT_EQ(ReturnText(memo), "two\nlines");
}

TEST_F(Grid, PickersReadBackTheirFormatsAndKeepUpAndDown) {
  setup.kind = ekDate;
  setup.start = "ignored";
  auto* date = OpenAs<QDateEdit>(0, 1);
  ASSERT_NE(date, nullptr);
  EXPECT_EQ(date->displayFormat(), "yyyy-MM-dd");
  EXPECT_LE(std::abs(date->date().daysTo(QDate::currentDate())), 1);  // not the start text
  date->setDate(QDate(2024, 2, 29));
  EXPECT_EQ(ReturnText(QApplication::focusWidget()), "2024-02-29");
  Settle();

  setup.kind = ekTime;
  auto* time = OpenAs<QTimeEdit>(0, 1);
  ASSERT_NE(time, nullptr);
  EXPECT_EQ(time->displayFormat(), "HH:mm:ss");
  time->setTime(QTime(13, 5, 9));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);  // steps the picker, not the grid
  Settle();
  EXPECT_TRUE(Editing());
  EXPECT_EQ(Current(), model.index(0, 1));
  time->setTime(QTime(13, 5, 9));
  EXPECT_EQ(ReturnText(QApplication::focusWidget()), "13:05:09");
}

TEST_F(Grid, TheEllipsisButtonSitsAtTheRightAndCallsItsHook) {
  setup.kind = ekButton;
  auto* button = OpenAs<QPushButton>(0, 1);
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->text(), "...");
  EXPECT_EQ(button->width(), 40);
  EXPECT_EQ(button->geometry().left() + 40, view.columnViewportPosition(1) + view.columnWidth(1) - 1);
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_EQ(buttonClicks, 1);
  // Ending the edit reads nothing.
  QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, view.visualRect(model.index(2, 2)).center());
  Settle();
  EXPECT_FALSE(Editing());
  EXPECT_TRUE(log.empty());
}

TEST_F(Grid, TheLinkSeesTheNodeDataOfItsRow) {
  model.item(1, 0)->setData(42, TVTEditLink::NodeDataRole);
  ASSERT_NE(Open(1, 2), nullptr);
  EXPECT_EQ(current.lock()->GetNodeData().toInt(), 42);
  EXPECT_EQ(current.lock()->Column(), 2);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
  Settle();
  ASSERT_NE(Open(2, 2), nullptr);
  EXPECT_FALSE(current.lock()->GetNodeData().isValid());
}

TEST(VTEditLink, PreparingAgainFreesTheEarlierEditorAndMessagesReachTheLink) {
  QStandardItemModel model(2, 2);
  QTableView view;
  view.setModel(&model);
  std::vector<EditRecord> log;
  int clicks = 0;
  LinkSetup setup;
  setup.start = "s";
  TestLink link(setup, log, clicks, clicks);
  ASSERT_TRUE(link.PrepareEdit(&view, model.index(0, 1), 1));
  QPointer<QWidget> first = link.Editor();
  ASSERT_TRUE(link.PrepareEdit(&view, model.index(1, 1), 1));
  EXPECT_NE(link.Editor(), first.data());
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(first.isNull());

  link.BeginEdit();
  EXPECT_TRUE(link.Editor()->isVisibleTo(&view));
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  link.ProcessMessage(&escape);
  EXPECT_FALSE(link.Editor()->isVisibleTo(&view));
  EXPECT_TRUE(log.empty());
  link.CancelEdit();
  EXPECT_EQ(link.GetBounds(), link.Editor()->geometry());
}

TEST(VTEditLink, ATreeViewHostsLinksTooAndMayGoAwayWhileEditing) {
  QStandardItemModel model(2, 3);
  auto* parentRow = new QStandardItem("parent");
  parentRow->appendRow({new QStandardItem("child"), new QStandardItem("value"), new QStandardItem("more")});
  model.setItem(0, 0, parentRow);
  std::vector<EditRecord> log;
  int clicks = 0;
  LinkSetup setup;
  setup.start = "start";
  std::weak_ptr<TVTEditLink> last;
  auto view = std::make_unique<QTreeView>();
  view->setModel(&model);
  view->setItemDelegate(new TVTEditDelegate(
      [&](QAbstractItemView*, const QModelIndex&, int) -> std::shared_ptr<TVTEditLink> {
        auto link = std::make_shared<TestLink>(setup, log, clicks, clicks);
        last = link;
        return link;
      },
      view.get()));
  view->expandAll();
  view->show();
  view->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));

  const QModelIndex child = model.index(0, 1, model.index(0, 0));
  view->setCurrentIndex(child);
  view->edit(child);
  auto* edit = qobject_cast<QLineEdit*>(last.lock()->Editor());
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(edit->geometry().left(), view->header()->sectionViewportPosition(1));
  edit->setText("in a tree");
  QTest::keyClick(edit, Qt::Key_Return);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].text, "in a tree");
  QApplication::processEvents();
  EXPECT_EQ(view->currentIndex(), model.index(0, 2, model.index(0, 0)));

  view->edit(child);
  QPointer<QWidget> open = last.lock()->Editor();
  ASSERT_FALSE(open.isNull());
  view.reset();  // the grid and its delegate go while the editor is open
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(open.isNull());
  EXPECT_TRUE(last.expired());
  EXPECT_EQ(log.size(), 1u);
}

TEST(VTEditLink, TheHelperIsOneInstance) { EXPECT_EQ(&VTHelper(), &VTHelper()); }

}  // namespace
