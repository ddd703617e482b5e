// The edit link in a grid: which editor each kind makes, how it starts,
// what it reads back, the keys and clicks that end or move the edit, and a
// grid or rows that go away while editing.
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
  QString text, value;
  qint64 data = 0;
  bool changed = false;
  friend bool operator==(const EditRecord&, const EditRecord&) = default;
};

TEditItems Items(std::initializer_list<std::pair<const char*, qint64>> list) {
  TEditItems out;
  for (const auto& [text, object] : list) out.Add(text, object);
  return out;
}

// What a test wants its links to be; the grid makes one link per edit.
struct LinkSetup {
  int kind = ekEdit;
  QString start = "abc";
  TEditItems items{};
  QStringList values{};
  QChar separator = QLatin1Char(',');
  bool sorted = false;
  std::function<void(QTreeWidget*)> tree{};
};

// What the links did.
struct LinkLog {
  std::vector<EditRecord> edits;
  int buttonClicks = 0, dblClicks = 0, begins = 0, changes = 0, alive = 0;
  std::weak_ptr<TVTEditLink> last;  // the link of the latest edit
};

class TestLink : public TVTEditLink {
 public:
  TestLink(const LinkSetup& setup, LinkLog& log) : setup_(setup), log_(log) {
    SetSeparator(setup.separator);
    SetSorted(setup.sorted);
    OnChange = [this](TVTEditLink*) { ++log_.changes; };
    ++log_.alive;
  }
  ~TestLink() override { --log_.alive; }
  bool BeginEdit() override {
    ++log_.begins;
    return TVTEditLink::BeginEdit();
  }

 protected:
  int GetEditorKind() override { return setup_.kind; }
  QString GetEditText() override { return setup_.start; }
  void FillItems(TEditItems& items, QStringList& values) override { items = setup_.items; values = setup_.values; }
  void FillTree(QTreeWidget* nodes) override { TVTEditLink::FillTree(nodes); if (setup_.tree) setup_.tree(nodes); }
  bool SetEditText(const QString& text, const QString& value, qint64 data) override {
    const bool changed = TVTEditLink::SetEditText(text, value, data);
    log_.edits.push_back({text, value, data, changed});
    return changed;
  }
  void ButtonClick() override { ++log_.buttonClicks; }
  void EditorDblClick() override { ++log_.dblClicks; }

 private:
  LinkSetup setup_;
  LinkLog& log_;
};

// Edits a view's cells through test links made after `setup` (kept by reference).
void EditThroughLinks(QAbstractItemView& view, const LinkSetup& setup, LinkLog& log) {
  view.setItemDelegate(new TVTEditDelegate(
      [&](QAbstractItemView*, const QModelIndex&, int) -> std::shared_ptr<TVTEditLink> {
        auto link = std::make_shared<TestLink>(setup, log);
        log.last = link;
        return link;
      },
      &view));
}

class Table : public QTableView {
 public:
  bool Editing() const { return state() == EditingState; }
};

// Runs what the editors posted.
void Settle() {
  for (int i = 0; i < 3; ++i) {
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}

// A 3 x 4 grid, column 1 right-aligned, whose cells are edited through
// test links.
class Grid : public ::testing::Test {
 protected:
  void SetUp() override {
    model.setRowCount(3);
    model.setColumnCount(4);
    model.setHeaderData(1, Qt::Horizontal, int(Qt::AlignRight | Qt::AlignVCenter), Qt::TextAlignmentRole);
    EditThroughLinks(view, setup, log);
    view.setModel(&model);
    view.resize(500, 200);
    view.show();
    view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
  }

  // Starts editing a cell; the editor control, or nullptr when none opened.
  QWidget* Open(int row, int column) {
    log.last.reset();
    view.setCurrentIndex(model.index(row, column));
    view.edit(model.index(row, column));
    return log.last.expired() ? nullptr : Link()->Editor();
  }
  std::shared_ptr<TVTEditLink> Link() const { return log.last.lock(); }
  template <class T> T* OpenAs(int row, int column) {
    auto* editor = dynamic_cast<T*>(Open(row, column));
    EXPECT_NE(editor, nullptr);
    return editor;
  }
  // Presses a key where the focus is.
  void Key(Qt::Key key, Qt::KeyboardModifiers with = {}) { QTest::keyClick(QApplication::focusWidget(), key, with); }
  QModelIndex Current() const { return view.currentIndex(); }

  QStandardItemModel model;
  Table view;
  LinkSetup setup;
  LinkLog log;
};

}  // namespace

TEST_F(Grid, OnlyKindsWithAnEditorStartTheEdit) {
  for (int kind : {0, 7, 12, 40, 0x80}) {
    setup.kind = kind;
    EXPECT_EQ(std::make_pair(Open(0, 1), view.Editing()), (std::pair<QWidget*, bool>(nullptr, false))) << kind;
  }
  setup.kind = 0x80 | ekEdit;  // only the low seven bits count
  EXPECT_NE(qobject_cast<QLineEdit*>(Open(0, 1)), nullptr);
  EXPECT_TRUE(view.Editing());
}

TEST_F(Grid, AnEditStartsInItsCellAndReturnStoresAndMovesOn) {
  auto* edit = OpenAs<QLineEdit>(0, 1);
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(std::make_tuple(edit->isVisible(), edit->hasFocus(), edit->text(), edit->hasFrame()),
            std::make_tuple(true, true, QString("abc"), false));
  EXPECT_EQ(std::pair(edit->font(), int(edit->alignment() & Qt::AlignHorizontal_Mask)),
            std::pair(view.font(), int(Qt::AlignRight)));  // the grid's font, the column's alignment
  // On the column's edges, one pixel narrower, also after a later layout;
  // the edit began once.
  QStyleOptionViewItem option;
  option.rect = view.visualRect(model.index(0, 1)).translated(0, 3);
  view.setColumnWidth(1, 150);
  view.itemDelegate()->updateEditorGeometry(edit, option, model.index(0, 1));
  EXPECT_EQ(edit->geometry(), QRect(view.columnViewportPosition(1), option.rect.top(), 149, option.rect.height()));
  EXPECT_EQ(log.begins, 1);

  edit->setText("hello");
  QTest::keyClick(edit, Qt::Key_Return);
  EXPECT_EQ(log.edits, (std::vector<EditRecord>{{"hello", "", 0, true}}));
  EXPECT_EQ(std::make_pair(log.changes, edit->isVisible()), std::make_pair(1, false));
  Settle();
  EXPECT_EQ(std::tuple(view.Editing(), Current(), view.hasFocus()), std::tuple(false, model.index(0, 2), true));

  OpenAs<QLineEdit>(1, 3);  // unchanged: no OnChange; the last column has nowhere to move to
  Key(Qt::Key_Return);
  Settle();
  EXPECT_EQ(std::tuple(log.edits.back().changed, log.changes, Current()), std::tuple(false, 1, model.index(1, 3)));

  OpenAs<QLineEdit>(1, 1)->setText("typed");
  Key(Qt::Key_Escape);  // hides the editor; nothing is stored
  EXPECT_EQ(QApplication::focusWidget(), &view);
  Settle();
  EXPECT_EQ(std::tuple(view.Editing(), log.edits.size(), Current()), std::tuple(false, size_t{2}, model.index(1, 1)));
}

namespace {


// What an editor shows: its text (of a memo the selected text), a list's
// items with the checked ones starred, a combo box's items, pick and text.
QString Shown(QWidget* e) {
  QStringList items;
  if (auto* w = qobject_cast<QLineEdit*>(e)) return w->text();
  if (auto* w = qobject_cast<QPlainTextEdit*>(e)) return w->textCursor().selectedText();
  if (auto* w = qobject_cast<QDateTimeEdit*>(e)) return w->text();
  if (auto* w = qobject_cast<QListWidget*>(e))
    for (int i = 0; i < w->count(); ++i) items << w->item(i)->text() + (w->item(i)->checkState() ? "*" : "");
  if (auto* w = qobject_cast<QComboBox*>(e)) {
    for (int i = 0; i < w->count(); ++i) items << w->itemText(i);
    items << QString("@%1 %2").arg(w->currentIndex()).arg(w->currentText());
  }
  return items.join(' ');
}

// Types a value into an editor; a list checks the items named.
void Enter(QWidget* e, const QString& v) {
  if (auto* w = qobject_cast<QLineEdit*>(e)) w->setText(v);
  if (auto* w = qobject_cast<QPlainTextEdit*>(e)) w->setPlainText(v);
  if (auto* w = qobject_cast<QComboBox*>(e)) w->setEditText(v);
  if (auto* w = qobject_cast<QDateEdit*>(e)) w->setDate(QDate::fromString(v, Qt::ISODate));
  if (auto* w = qobject_cast<QTimeEdit*>(e)) w->setTime(QTime::fromString(v));
  if (auto* w = qobject_cast<QListWidget*>(e))
    for (int i = 0; i < w->count(); ++i)
      w->item(i)->setCheckState(v.split(',').contains(w->item(i)->text()) ? Qt::Checked : Qt::Unchecked);
}

}  // namespace

TEST_F(Grid, EachKindShowsItsStartAndReadsItsValueBack) {
  const TEditItems abc = Items({{"a", 0}, {"b", 0}, {"c", 0}});
  struct Case {
    LinkSetup setup;
    const char* shown;  // nullptr: not looked at
    const char* typed;  // nullptr: nothing typed
    EditRecord want;
  } cases[] = {
      {{ekNumber}, "abc", "-3.5e2", {"-3.5", "", 0, true}},
      {{ekNumber}, nullptr, "abc", {"", "", 0, true}},
      {{ekNumber}, nullptr, "12５", {"12", "", 0, true}},  // no full-width digits of a Chinese input method
      {{ekMemo, "first line"}, "first line", "two\nlines", {"two\nlines", "", 0, true}},
      {{ekDate}, nullptr, "2024-02-29", {"2024-02-29", "", 0, true}},
      {{ekTime}, nullptr, "13:05:09", {"13:05:09", "", 0, true}},
      {{ekCheckList, "b,c", abc}, "a b* c*", nullptr, {"b,c", "", 0, false}},
      {{ekCheckList, "", Items({{"a", 0}})}, "a", "a", {"a", "", 0, true}},
      {{ekCheckList, "a;c", abc, {}, ';'}, "a* b c*", "a,b", {"a;b", "", 0, true}},
      {{ekCheckList, "b", Items({{"c", 0}, {"a", 0}, {"b", 0}}), {}, ',', true}, "a b* c", nullptr,
       {"b", "", 0, false}},
      // An editable combo box starts with the text alone, no item picked.
      {{ekComboBox, "free", Items({{"one", 1}, {"two", 2}})}, "one two @-1 free", "typed", {"typed", "", 0, true}},
      // A sorted list keeps each item's object and value with its text.
      {{ekPickList, "b", Items({{"c", 3}, {"a", 1}, {"b", 2}}), {"vc", "va", "vb"}, ',', true}, "a b c @1 b", nullptr,
       {"b", "vb", 2, false}},
      {{ekPickList, "b", Items({{"a", 1}, {"b", 2}}), {"va"}}, nullptr, nullptr, {"b", "", 2, false}},  // no value
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.want.text.toStdString());
    setup = c.setup;
    log.edits.clear();
    QWidget* editor = Open(0, 1);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(c.shown ? Shown(editor) : QString(), c.shown ? c.shown : "");
    if (c.typed) Enter(editor, c.typed);
    if (auto* list = qobject_cast<QListWidget*>(editor)) {  // tall enough to show every item below the cell
      EXPECT_EQ(list->height(), view.visualRect(model.index(0, 1)).height() + list->count() * list->sizeHintForRow(0));
    } else if (auto* memo = qobject_cast<QPlainTextEdit*>(editor)) {
      EXPECT_EQ(std::tuple(memo->verticalScrollBarPolicy(), memo->horizontalScrollBarPolicy(), memo->lineWrapMode(),
                           memo->document()->defaultTextOption().alignment() & Qt::AlignHorizontal_Mask),
                std::tuple(Qt::ScrollBarAlwaysOn, Qt::ScrollBarAlwaysOn, QPlainTextEdit::WidgetWidth, Qt::AlignRight));
    }
    Key(Qt::Key_Return);
    EXPECT_TRUE(log.edits == std::vector<EditRecord>{c.want});
    Settle();
    EXPECT_FALSE(view.Editing());
  }
}

TEST_F(Grid, StoringMayRemoveTheRowsAndTheLinkStaysWholeUntilItIsDone) {
  // A grid owner that rebuilds its rows once a value changed: the row, and
  // the open editor with it, go away inside the link's own EndEdit, after
  // Return or after Tab.
  for (Qt::Key key : {Qt::Key_Return, Qt::Key_Tab}) {
    int linksInOnChange = -1;
    OpenAs<QLineEdit>(0, 1)->setText("changed");
    Link()->OnChange = [&](TVTEditLink*) {
      model.removeRow(0);
      linksInOnChange = log.alive;
    };
    Key(key);
    EXPECT_EQ(std::make_pair(linksInOnChange, log.edits.size()), std::make_pair(1, size_t(key == Qt::Key_Tab) + 1));
    Settle();
    EXPECT_EQ(std::make_pair(view.Editing(), log.alive), std::make_pair(false, 0));
  }
  EXPECT_EQ(model.rowCount(), 1);
}

TEST_F(Grid, UpAndDownGoToTheGridUnlessTheEditorUsesThem) {
  setup.start = "one\ntwo";
  struct Case { int kind; Qt::Key key; Qt::KeyboardModifiers modifiers; int from, to; } cases[] = {  // rows from, to
               {ekEdit, Qt::Key_Down, {}, 0, 1}, {ekEdit, Qt::Key_Up, {}, 1, 0},
               {ekMemo, Qt::Key_Down, {}, 0, 1}, {ekMemo, Qt::Key_Up, Qt::ShiftModifier, 1, 1},  // from its end
               {ekTime, Qt::Key_Down, {}, 0, 0}, {ekDate, Qt::Key_Up, {}, 1, 1}};
  for (const Case& c : cases) {
    setup.kind = c.kind;
    log.edits.clear();
    QWidget* editor = Open(c.from, 1);
    ASSERT_NE(editor, nullptr);
    if (qobject_cast<QDateTimeEdit*>(editor)) Enter(editor, c.kind == ekTime ? "12:00:00" : "2024-06-15");
    const QString before = Shown(editor);
    Key(c.key, c.modifiers);
    EXPECT_TRUE(log.edits.empty()) << "the grid gets the key once this one has returned";
    Settle();
    // Leaving the cell ends the edit; an editor that kept the key still edits.
    const bool moved = c.from != c.to;
    EXPECT_EQ(std::make_tuple(view.Editing(), Current(), log.edits.size()),
              std::make_tuple(!moved, model.index(c.to, 1), size_t(moved)))
        << c.kind << " " << c.key << " " << c.modifiers;
    if (!moved) {
      EXPECT_NE(Shown(editor), before) << "the editor used the key";
      Key(Qt::Key_Escape);
    }
    Settle();
  }
}

TEST_F(Grid, TabAndAClickElsewhereEndTheEdit) {
  OpenAs<QLineEdit>(0, 1)->setText("tabbed");
  Key(Qt::Key_Tab);
  Settle();
  EXPECT_EQ(std::tuple(log.edits.size(), view.Editing(), Current()), std::tuple(size_t{1}, true, model.index(0, 2)))
      << "the next cell's editor is open";
  qobject_cast<QLineEdit*>(Link()->Editor())->setText("clicked away");
  QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, view.visualRect(model.index(2, 0)).center());
  Settle();
  EXPECT_FALSE(view.Editing());
  ASSERT_EQ(log.edits.size(), 2u);
  EXPECT_EQ(std::pair(log.edits[0].text, log.edits[1].text), std::pair(QString("tabbed"), QString("clicked away")));
}

TEST_F(Grid, ADoubleClickInAnEditorCallsTheHookOnce) {
  setup.tree = [](QTreeWidget* nodes) { new QTreeWidgetItem(nodes, {"only"}); };
  for (int kind : {ekEdit, ekMemo, ekTreeCombo}) {
    setup.kind = kind;
    QWidget* editor = Open(0, 1);
    ASSERT_NE(editor, nullptr);
    auto* memo = qobject_cast<QPlainTextEdit*>(editor);
    QTest::mouseDClick(memo ? memo->viewport() : editor, Qt::LeftButton, {}, QPoint(5, 5));  // a child's too
    Key(Qt::Key_Escape);
    Settle();
  }
  EXPECT_EQ(log.dblClicks, 3);
  // A double click in a drop-down is none in the editor itself.
  auto* combo = OpenAs<TAdvTreeComboBox>(0, 1);
  QTest::keyClick(combo, Qt::Key_F4);
  ASSERT_TRUE(combo->DroppedDown());
  QWidget* dropTree = combo->Items()->viewport();
  QTest::mouseDClick(dropTree, Qt::LeftButton, {}, QPoint(5, dropTree->height() - 5));  // below the node
  EXPECT_EQ(log.dblClicks, 3);
  combo->CloseUp(true);
}

TEST_F(Grid, APickListOpensOnTheStartTextAndAPickOrTheWheelMovesIt) {
  setup = {ekPickList, "b", Items({{"a", 1}, {"b", 2}, {"c", 3}}), {"va", "vb", "vc"}};
  auto* combo = OpenAs<QComboBox>(0, 1);
  ASSERT_EQ(combo->currentIndex(), 1);
  auto wheel = [&](int delta) {
    QWheelEvent event(QPointF(5, 5), combo->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(combo, &event);
    return combo->currentIndex();
  };
  // One item a notch, up for a forward turn, within the list; no pick.
  EXPECT_EQ(std::vector<int>({wheel(-120), wheel(-120), wheel(120), wheel(120), wheel(120), wheel(0)}),
            std::vector<int>({2, 2, 1, 0, 0, 0}));
  Settle();
  EXPECT_EQ(std::make_pair(view.Editing(), log.edits.size()), std::make_pair(true, size_t{0}));

  QTest::keyClick(combo, Qt::Key_Down);  // the combo box's own key: a pick, which ends the edit
  EXPECT_EQ(std::make_pair(combo->currentIndex(), log.edits.size()), std::make_pair(1, size_t{0}));
  Settle();
  EXPECT_EQ(std::tuple(view.Editing(), Current(), view.hasFocus()), std::tuple(false, model.index(0, 1), true));
  EXPECT_EQ(log.edits, (std::vector<EditRecord>{{"b", "vb", 2, false}}));

  setup.start = "zzz";
  EXPECT_EQ(OpenAs<QComboBox>(0, 1)->currentIndex(), 0) << "a start text that names no item";
  Key(Qt::Key_Delete);  // clears the pick
  Key(Qt::Key_Return);
  EXPECT_EQ(log.edits.back(), (EditRecord{"", "", 0, true}));
  Settle();
  // An editable combo box with a text that names no item goes down to the first.
  setup.kind = ekComboBox;
  setup.start = "free text";
  combo = OpenAs<QComboBox>(0, 1);
  EXPECT_EQ(wheel(-120), 0);
  EXPECT_EQ(combo->currentText(), "a");
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
  EXPECT_EQ(std::tuple(combo->Selection(), combo->text(), combo->EditorEnabled(), combo->DropHeight(),
                       combo->SelectMode()),
            std::make_tuple(1, QString("x"), false, 200, 0));
  EXPECT_EQ(combo->DropWidth(), combo->width());
  QTest::keyClick(combo, Qt::Key_F4);
  ASSERT_TRUE(combo->DroppedDown());
  QTreeWidget* tree = combo->Items();
  const QPoint onY = tree->visualItemRect(tree->topLevelItem(0)->child(1)).center();
  QTest::mousePress(tree->viewport(), Qt::LeftButton, {}, onY);
  EXPECT_FALSE(combo->DroppedDown());
  Settle();
  EXPECT_FALSE(view.Editing());

  combo = OpenAs<TAdvTreeComboBox>(0, 1);
  QTest::keyClick(combo, Qt::Key_F4);
  QTest::keyClick(combo->Items(), Qt::Key_Down);
  EXPECT_EQ(combo->text(), "y");
  QTest::keyClick(combo->Items(), Qt::Key_Escape);
  Settle();
  EXPECT_FALSE(view.Editing());
  ASSERT_EQ(log.edits.size(), 2u);
  EXPECT_EQ(log.edits[0], (EditRecord{"y", "", 8, true}));
  EXPECT_EQ(std::make_pair(log.edits[1].text, log.edits[1].changed), std::make_pair(QString("x"), false));
  setup.start = "none";
  EXPECT_EQ(OpenAs<TAdvTreeComboBox>(0, 1)->Selection(), -1);
}

TEST_F(Grid, TheEllipsisButtonSitsAtTheRightAndReadsNothing) {
  setup.kind = ekButton;
  auto* button = OpenAs<QPushButton>(0, 1);
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(std::tuple(button->text(), button->width(), button->geometry().right() + 1),
            std::tuple(QString("..."), 40, view.columnViewportPosition(1) + view.columnWidth(1) - 1));
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_EQ(log.buttonClicks, 1);
  QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, view.visualRect(model.index(2, 2)).center());
  Settle();
  EXPECT_EQ(std::make_pair(view.Editing(), log.edits.size()), std::make_pair(false, size_t{0}));
}

TEST_F(Grid, TheLinkSeesTheNodeDataOfItsRow) {
  model.setData(model.index(1, 0), 42, TVTEditLink::NodeDataRole);
  for (const auto& [row, data] : {std::pair{1, QVariant(42)}, {2, QVariant()}}) {
    ASSERT_NE(Open(row, 2), nullptr);
    EXPECT_EQ(std::make_pair(Link()->GetNodeData(), Link()->Column()), std::make_pair(data, 2)) << row;
  }
}

TEST_F(Grid, PreparingAgainFreesTheEarlierEditorAndMessagesReachTheEditor) {
  TestLink link(setup, log);
  EXPECT_FALSE(link.PrepareEdit(nullptr, model.index(0, 1), 1));
  ASSERT_TRUE(link.PrepareEdit(&view, model.index(0, 1), 1));
  QPointer<QWidget> first = link.Editor();
  ASSERT_TRUE(link.PrepareEdit(&view, model.index(1, 1), 1));
  Settle();
  EXPECT_TRUE(first.isNull());
  link.BeginEdit();
  EXPECT_TRUE(link.Editor()->isVisible());
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  link.ProcessMessage(&escape);
  EXPECT_EQ(std::make_pair(link.Editor()->isVisible(), log.edits.size()), std::make_pair(false, size_t{0}));
  link.SetBounds(QRect(0, 5, 10, 20));
  EXPECT_EQ(std::pair(link.GetBounds(), link.GetBounds().top()), std::pair(link.Editor()->geometry(), 5));
}

TEST(VTEditLink, ATreeViewHostsLinksTooAndMayGoAwayWhileEditing) {
  QStandardItemModel model(2, 3);
  auto* parentRow = new QStandardItem("parent");
  parentRow->appendRow({new QStandardItem("child"), new QStandardItem("value"), new QStandardItem("more")});
  model.setItem(0, 0, parentRow);
  LinkLog log;
  auto view = std::make_unique<QTreeView>();
  view->setModel(&model);
  const LinkSetup setup;
  EditThroughLinks(*view, setup, log);
  view->expandAll();
  view->show();
  view->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));

  const QModelIndex child = model.index(0, 1, model.index(0, 0));
  view->setCurrentIndex(child);
  view->edit(child);
  auto* edit = qobject_cast<QLineEdit*>(log.last.lock()->Editor());
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(edit->geometry().left(), view->header()->sectionViewportPosition(1));
  edit->setText("in a tree");
  QTest::keyClick(edit, Qt::Key_Return);
  QApplication::processEvents();
  EXPECT_EQ(log.edits, (std::vector<EditRecord>{{"in a tree", "", 0, true}}));
  EXPECT_EQ(view->currentIndex(), model.index(0, 2, model.index(0, 0)));

  view->edit(child);
  QPointer<QWidget> open = log.last.lock()->Editor();
  ASSERT_FALSE(open.isNull());
  view.reset();  // the grid and its delegate go while the editor is open
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(std::tuple(open.isNull(), log.last.expired(), log.edits.size()), std::tuple(true, true, size_t{1}));
}
