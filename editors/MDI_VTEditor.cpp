#include "editors/MDI_VTEditor.h"

#include "editors/AdvTreeComboBox.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QComboBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTextOption>
#include <QTimeEdit>
#include <QTreeView>
#include <QTreeWidgetItemIterator>
#include <QWheelEvent>

#include <algorithm>
#include <numeric>
#include <utility>

namespace {

// The item role that holds where a combo box item stood in the filled lists.
constexpr int kFillIndexRole = Qt::UserRole + 1;

const QString DateFormat = QStringLiteral("yyyy-MM-dd");
const QString TimeFormat = QStringLiteral("HH:mm:ss");

// The horizontal alignment of a grid column, as the model gives it for the
// column's header.
Qt::Alignment ColumnAlignment(const QAbstractItemView* tree, int column) {
  const QVariant v = tree->model()->headerData(column, Qt::Horizontal, Qt::TextAlignmentRole);
  const Qt::Alignment a = v.isValid() ? Qt::Alignment(v.toInt()) : Qt::Alignment(Qt::AlignLeft);
  if (a & Qt::AlignRight) return Qt::AlignRight;
  if (a & Qt::AlignHCenter) return Qt::AlignHCenter;
  return Qt::AlignLeft;
}

// Left and right (exclusive) edge of a column in viewport coordinates, from
// the grid's header.
std::pair<int, int> ColumnEdges(const QAbstractItemView* tree, const QModelIndex& node, int column) {
  const QHeaderView* header = nullptr;
  if (auto* table = qobject_cast<const QTableView*>(tree)) header = table->horizontalHeader();
  if (auto* treeView = qobject_cast<const QTreeView*>(tree)) header = treeView->header();
  if (header != nullptr) {
    const int left = header->sectionViewportPosition(column);
    return {left, left + header->sectionSize(column)};
  }
  const QRect cell = tree->visualRect(node.sibling(node.row(), column));
  return {cell.left(), cell.right() + 1};
}

// The calendar colours of the date picker: month background clWindow, text
// clBlack, title background clBtnShadow, title text clBlack, trailing days
// clBtnFace.
void SetCalendarColours(QCalendarWidget* calendar) {
  const QPalette system = calendar->palette();
  QPalette p = system;
  p.setColor(QPalette::Base, system.color(QPalette::Base));
  p.setColor(QPalette::Window, system.color(QPalette::Base));
  p.setColor(QPalette::Text, Qt::black);
  p.setColor(QPalette::Highlight, system.color(QPalette::Dark));
  p.setColor(QPalette::HighlightedText, Qt::black);
  p.setColor(QPalette::Disabled, QPalette::Text, system.color(QPalette::Button));
  calendar->setPalette(p);
}

// The text of a numeric edit up to its first character that is not a
// digit 0-9, "-" or ".".
QString LeadingNumber(const QString& text) {
  const auto end = std::find_if(text.begin(), text.end(), [](QChar c) {
    return !((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('-') || c == QLatin1Char('.'));
  });
  return text.left(end - text.begin());
}

}  // namespace

// The link's handler on its editor control and the control's children:
// keys, the wheel over a combo box, double clicks.
class TVTEditLinkHook : public QObject {
 public:
  TVTEditLinkHook(TVTEditLink* link, QWidget* editor) : QObject(editor), link_(link) {
    // Keys reach the end of the editor's focus-proxy chain first.
    keyTarget_ = editor;
    while (keyTarget_->focusProxy() != nullptr) keyTarget_ = keyTarget_->focusProxy();
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::KeyPress:
        if (watched == keyTarget_) return link_->KeyDown(static_cast<QKeyEvent*>(event));
        break;
      case QEvent::Wheel:
        if (watched == link_->editor_) return link_->WheelOverCombo(static_cast<QWheelEvent*>(event));
        break;
      case QEvent::MouseButtonDblClick: {
        // A double click that a child leaves to its parent arrives twice.
        const auto stamp = static_cast<QInputEvent*>(event)->timestamp();
        if (stamp != lastDblClick_) {
          lastDblClick_ = stamp;
          link_->EditorDblClick();
        }
        break;
      }
      default:
        break;
    }
    return false;
  }

 private:
  TVTEditLink* link_;
  QWidget* keyTarget_;
  quint64 lastDblClick_ = ~quint64(0);
};

// ---------------------------------------------------------------------------
// TVTEditLink

TVTEditLink::TVTEditLink() = default;

TVTEditLink::~TVTEditLink() { FreeEditor(); }

void TVTEditLink::FreeEditor() {
  delete hook_.data();
  if (editor_ && kind_ == ekTreeCombo) static_cast<TAdvTreeComboBox*>(editor_.data())->OnDropUp = nullptr;
  if (editor_) {
    FocusToTree();
    editor_->hide();
    // The editor may be inside one of its own events right now.
    editor_->deleteLater();
  }
  editor_ = nullptr;
}

void TVTEditLink::FocusToTree() {
  // Qt passes the focus of a widget that hides on to the next one, which in
  // an item view means the next cell: the grid takes it first instead.
  const QWidget* focus = QApplication::focusWidget();
  if (tree_ && editor_ && (focus == editor_ || editor_->isAncestorOf(focus))) tree_->setFocus(Qt::OtherFocusReason);
}

QVariant TVTEditLink::GetNodeData() const {
  if (!node_.isValid()) return {};
  return node_.sibling(node_.row(), 0).data(NodeDataRole);
}

void TVTEditLink::FillItems(TEditItems& items, QStringList& values) {
  items.Clear();
  values.clear();
}

void TVTEditLink::FillTree(QTreeWidget* nodes) { nodes->clear(); }

bool TVTEditLink::SetEditText(const QString& text, const QString&, qint64) { return text != startText_; }

bool TVTEditLink::PrepareEdit(QAbstractItemView* tree, const QModelIndex& node, int column) {
  if (tree == nullptr) return false;
  tree_ = tree;
  node_ = node;
  column_ = column;
  FreeEditor();
  kind_ = GetEditorKind() & 0x7F;
  QWidget* editor = CreateEditor();
  if (editor == nullptr) return false;
  editor_ = editor;
  // The hook is also the context of the control's signal connections, so
  // that they end with the link.
  hook_ = new TVTEditLinkHook(this, editor);
  if (kind_ != ekButton) {
    editor->installEventFilter(hook_);
    // Not on the control's drop-downs: they are windows of their own.
    for (QWidget* child : editor->findChildren<QWidget*>())
      if (child->window() == editor->window()) child->installEventFilter(hook_);
  }
  // A pick in a combo box, and the drop-down of a tree combo box closing
  // through a pick or a cancel, end the edit.
  if (auto* combo = qobject_cast<QComboBox*>(editor))
    QObject::connect(combo, &QComboBox::activated, hook_, [this] { PostTreeRequest(TTreeRequest::EndEdit); });
  if (kind_ == ekTreeCombo)
    static_cast<TAdvTreeComboBox*>(editor)->OnDropUp = [this](TAdvTreeComboBox*, bool) {
      PostTreeRequest(TTreeRequest::EndEdit);
    };
  if (auto* button = qobject_cast<QPushButton*>(editor))
    QObject::connect(button, &QPushButton::clicked, hook_, [this] { ButtonClick(); });
  return true;
}

QWidget* TVTEditLink::CreateEditor() {
  QWidget* parent = tree_->viewport();
  QWidget* editor = nullptr;
  switch (kind_) {
    case ekEdit:
    case ekNumber: {
      auto* edit = new QLineEdit(parent);
      edit->setFrame(false);
      startText_ = GetEditText();
      edit->setText(startText_);
      alignment_ = ColumnAlignment(tree_, column_);
      edit->setAlignment(alignment_ | Qt::AlignVCenter);
      editor = edit;
      break;
    }
    case ekPickList:
    case ekComboBox: {
      auto* combo = new QComboBox(parent);
      combo->setFrame(false);
      combo->setEditable(kind_ == ekComboBox);
      TEditItems items;
      FillItems(items, values_);
      std::vector<int> order(items.Count());
      std::iota(order.begin(), order.end(), 0);
      if (sorted_)
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
          return QString::localeAwareCompare(items.Texts[a], items.Texts[b]) < 0;
        });
      // Each item keeps its place in the lists it came from, so that a
      // sorted list still finds its value.
      for (int i : order) {
        combo->addItem(items.Texts[i], items.Objects.value(i));
        combo->setItemData(combo->count() - 1, i, kFillIndexRole);
      }
      startText_ = GetEditText();
      if (kind_ == ekComboBox) {
        // The text alone: no item is selected (Qt selects the first one added).
        combo->setCurrentIndex(-1);
        combo->setEditText(startText_);
      } else {
        const int at = combo->findText(startText_, Qt::MatchExactly | Qt::MatchCaseSensitive);
        combo->setCurrentIndex(at >= 0 ? at : (combo->count() > 0 ? 0 : -1));
      }
      editor = combo;
      break;
    }
    case ekTreeCombo: {
      auto* combo = new TAdvTreeComboBox(parent);
      combo->setFrame(false);
      combo->SetDropHeight(200);
      combo->SetSelectMode(0);
      FillTree(combo->Items());
      combo->SetEditorEnabled(false);
      startText_ = GetEditText();
      combo->setText(startText_);
      for (QTreeWidgetItemIterator it(combo->Items()); *it; ++it) {
        if ((*it)->text(0) != startText_) continue;
        combo->SetSelection(combo->AbsoluteIndex(*it));
        if (QTreeWidgetItem* parentNode = (*it)->parent())
          combo->Items()->scrollToItem(parentNode, QAbstractItemView::PositionAtTop);
        break;
      }
      editor = combo;
      break;
    }
    case ekCheckList: {
      auto* list = new QListWidget(parent);
      list->setFrameShape(QFrame::NoFrame);
      list->setSortingEnabled(sorted_);
      TEditItems items;
      FillItems(items, values_);
      startText_ = GetEditText();
      const QStringList checked = startText_.split(separator_);
      for (const QString& text : items.Texts) {
        auto* item = new QListWidgetItem(text, list);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(checked.contains(text) ? Qt::Checked : Qt::Unchecked);
      }
      editor = list;
      break;
    }
    case ekMemo: {
      auto* memo = new QPlainTextEdit(parent);
      memo->setFrameShape(QFrame::NoFrame);
      memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
      memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
      memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
      alignment_ = ColumnAlignment(tree_, column_);
      QTextOption option = memo->document()->defaultTextOption();
      option.setAlignment(alignment_);
      memo->document()->setDefaultTextOption(option);
      startText_ = GetEditText();
      memo->setPlainText(startText_);
      memo->selectAll();
      editor = memo;
      break;
    }
    case ekDate: {
      // Pickers do not take the start text: they open at the current date.
      auto* picker = new QDateEdit(QDate::currentDate(), parent);
      picker->setDisplayFormat(DateFormat);
      picker->setCalendarPopup(true);
      SetCalendarColours(picker->calendarWidget());
      startText_ = GetEditText();
      editor = picker;
      break;
    }
    case ekTime: {
      auto* picker = new QTimeEdit(QTime::currentTime(), parent);
      picker->setDisplayFormat(TimeFormat);
      startText_ = GetEditText();
      editor = picker;
      break;
    }
    case ekButton: {
      auto* button = new QPushButton(QStringLiteral("..."), parent);
      startText_ = GetEditText();
      editor = button;
      break;
    }
    default:
      return nullptr;
  }
  editor->hide();
  editor->setFont(tree_->font());
  return editor;
}

TVTEditDelegate* TVTEditLink::Grid() const {
  return tree_ ? dynamic_cast<TVTEditDelegate*>(tree_->itemDelegateForIndex(node_)) : nullptr;
}

void TVTEditLink::HideEditor() {
  if (!editor_) return;
  // Tell the grid first, so that the focus leaving the editor does not end
  // the edit a second time.
  if (TVTEditDelegate* grid = Grid()) grid->EditorHidden(editor_);
  FocusToTree();
  editor_->hide();
}

bool TVTEditLink::BeginEdit() {
  if (editor_) {
    editor_->show();
    editor_->setFocus(Qt::OtherFocusReason);
  }
  return true;
}

bool TVTEditLink::CancelEdit() {
  HideEditor();
  return true;
}

bool TVTEditLink::EndEdit() {
  if (!editor_) return true;
  const std::shared_ptr<TVTEditLink> keep = weak_from_this().lock();
  QString text;
  QString value;
  qint64 data = 0;
  switch (kind_) {
    case ekPickList:
    case ekComboBox: {
      auto* combo = static_cast<QComboBox*>(editor_.data());
      const int index = combo->currentIndex();
      if (combo->isEditable()) {
        text = combo->currentText();
      } else if (index >= 0) {
        data = combo->itemData(index).toLongLong();
        text = combo->itemText(index);
        const int at = combo->itemData(index, kFillIndexRole).toInt();
        if (at < values_.size()) value = values_[at];
      }
      break;
    }
    case ekEdit:
      text = static_cast<QLineEdit*>(editor_.data())->text();
      break;
    case ekNumber:
      text = LeadingNumber(static_cast<QLineEdit*>(editor_.data())->text());
      break;
    case ekTreeCombo: {
      auto* combo = static_cast<TAdvTreeComboBox*>(editor_.data());
      text = combo->text();
      data = TAdvTreeComboBox::NodeData(combo->SelectedNode());
      break;
    }
    case ekCheckList: {
      auto* list = static_cast<QListWidget*>(editor_.data());
      QStringList checked;
      for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->checkState() == Qt::Checked) checked.append(list->item(i)->text());
      text = checked.join(separator_);
      break;
    }
    case ekMemo:
      text = static_cast<QPlainTextEdit*>(editor_.data())->toPlainText();
      break;
    case ekDate:
      text = static_cast<QDateEdit*>(editor_.data())->date().toString(DateFormat);
      break;
    case ekTime:
      text = static_cast<QTimeEdit*>(editor_.data())->time().toString(TimeFormat);
      break;
    default:
      return true;  // the button has no value
  }
  HideEditor();
  if (SetEditText(text, value, data) && OnChange) OnChange(this);
  if (tree_) {
    if (node_.isValid())
      for (int c = 0; c < tree_->model()->columnCount(node_.parent()); ++c)
        tree_->update(node_.sibling(node_.row(), c));
    tree_->setFocus(Qt::OtherFocusReason);
  }
  return true;
}

QRect TVTEditLink::GetBounds() const { return editor_ ? editor_->geometry() : QRect(); }

void TVTEditLink::ProcessMessage(QEvent* message) {
  if (editor_) QCoreApplication::sendEvent(editor_, message);
}

void TVTEditLink::SetBounds(QRect r) {
  if (!editor_ || !tree_) return;
  const auto [left, right] = ColumnEdges(tree_, node_, column_);
  r = QRect(left, r.top(), right - 1 - left, r.height());
  if (kind_ == ekCheckList) {
    auto* list = static_cast<QListWidget*>(editor_.data());
    if (list->count() > 0) r.setHeight(r.height() + list->count() * list->sizeHintForRow(0));
  }
  editor_->setGeometry(r);
  if (kind_ == ekTreeCombo) static_cast<TAdvTreeComboBox*>(editor_.data())->SetDropWidth(editor_->width());
  if (kind_ == ekButton) {
    r.setLeft(r.left() + r.width() - 40);
    editor_->setGeometry(r);
  }
}

bool TVTEditLink::KeyDown(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: {
      const std::shared_ptr<TVTEditLink> keep = weak_from_this().lock();
      EndEdit();
      PostTreeRequest(TTreeRequest::MoveOn);
      return true;  // the value is read: the hidden control has nothing left to do with it
    }
    case Qt::Key_Escape:
      HideEditor();
      return true;
    case Qt::Key_Delete:
      if (auto* combo = qobject_cast<QComboBox*>(editor_)) combo->setCurrentIndex(-1);
      return false;
    case Qt::Key_Up:
    case Qt::Key_Down: {
      if (event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)) return false;
      if (kind_ == ekPickList || kind_ == ekComboBox || kind_ == ekDate || kind_ == ekTime) return false;
      // The grid gets the key, once this one has returned.
      if (tree_) QCoreApplication::postEvent(tree_, new QKeyEvent(QEvent::KeyPress, event->key(), Qt::NoModifier));
      return true;
    }
    default:
      return false;
  }
}

bool TVTEditLink::WheelOverCombo(QWheelEvent* event) {
  auto* combo = qobject_cast<QComboBox*>(editor_);
  const int delta = event->angleDelta().y();
  if (combo == nullptr || delta == 0) return false;
  // One item per notch, up for a forward turn; the index stays within the
  // list (wheeling up on the first item keeps it).
  if (combo->count() > 0)
    combo->setCurrentIndex(std::clamp(combo->currentIndex() + (delta > 0 ? -1 : 1), 0, combo->count() - 1));
  return true;
}

void TVTEditLink::PostTreeRequest(TTreeRequest request) {
  if (!tree_) return;
  QPointer<QAbstractItemView> tree = tree_;
  QPointer<QWidget> editor = editor_;
  QPersistentModelIndex node = node_.sibling(node_.row(), column_);
  // In place of a message posted to the grid: runs once the current key or
  // selection event has returned.
  QMetaObject::invokeMethod(
      tree_,
      [tree, editor, node, request] {
        if (!tree) return;
        auto* grid = dynamic_cast<TVTEditDelegate*>(tree->itemDelegateForIndex(node));
        if (grid == nullptr) return;
        if (request == TTreeRequest::EndEdit)
          grid->EndEditRequest(editor);
        else
          grid->MoveOnRequest(tree, editor, node);
      },
      Qt::QueuedConnection);
}

TVTHelper& VTHelper() {
  static TVTHelper helper;
  return helper;
}

// ---------------------------------------------------------------------------
// TVTEditDelegate

TVTEditDelegate::TVTEditDelegate(TCreateEditorEvent onCreateEditor, QObject* parent)
    : QStyledItemDelegate(parent), onCreateEditor_(std::move(onCreateEditor)) {}

TVTEditDelegate::~TVTEditDelegate() {
  // Links still open free their editors now; the focus leaving an editor
  // then still finds this delegate whole.
  auto open = std::move(sessions_);
  sessions_.clear();
}

TVTEditDelegate::TSession* TVTEditDelegate::Find(const QWidget* editor) const {
  const auto it = sessions_.find(editor);
  return it == sessions_.end() ? nullptr : &it->second;
}

IVTEditLink* TVTEditDelegate::LinkFor(const QWidget* editor) const {
  const TSession* s = Find(editor);
  return s != nullptr ? s->Link.get() : nullptr;
}

QWidget* TVTEditDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                       const QModelIndex& index) const {
  auto* tree = qobject_cast<QAbstractItemView*>(parent->parentWidget());
  if (tree == nullptr || !onCreateEditor_) return nullptr;
  std::shared_ptr<TVTEditLink> link = onCreateEditor_(tree, index, index.column());
  if (!link || !link->PrepareEdit(tree, index, index.column())) return nullptr;
  QWidget* editor = link->Editor();
  sessions_[editor] = TSession{std::move(link)};
  return editor;
}

void TVTEditDelegate::setEditorData(QWidget*, const QModelIndex&) const {
  // The link put the start text into the editor when it prepared it.
}

void TVTEditDelegate::setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex&) const {
  TSession* s = Find(editor);
  if (s == nullptr || s->Closing) return;
  s->Closing = true;
  s->Link->EndEdit();
}

void TVTEditDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                           const QModelIndex&) const {
  TSession* s = Find(editor);
  if (s == nullptr) return;
  s->Link->SetBounds(option.rect);
  if (!s->Begun) {
    s->Begun = true;
    s->Link->BeginEdit();
  }
}

void TVTEditDelegate::destroyEditor(QWidget* editor, const QModelIndex& index) const {
  const auto it = sessions_.find(editor);
  if (it == sessions_.end()) {
    QStyledItemDelegate::destroyEditor(editor, index);
    return;
  }
  // Releasing the link frees its editor.
  std::shared_ptr<IVTEditLink> link = std::move(it->second.Link);
  const bool closing = it->second.Closing;
  sessions_.erase(it);
  if (!closing) link->CancelEdit();
}

void TVTEditDelegate::EditorHidden(QWidget* editor) {
  TSession* s = Find(editor);
  if (s == nullptr || s->Closing) return;
  // Escape, or Return after the link read the value itself: the edit is
  // over without another read. Closing frees the link, so not from inside
  // its own key handler.
  s->Closing = true;
  QPointer<QWidget> e = editor;
  QMetaObject::invokeMethod(
      this,
      [this, e] {
        if (e && Find(e) != nullptr) emit closeEditor(e, NoHint);
      },
      Qt::QueuedConnection);
}

void TVTEditDelegate::EndEditRequest(QWidget* editor) {
  const TSession* s = Find(editor);
  if (s == nullptr || s->Closing) return;
  emit commitData(editor);
  // Storing the value may have changed the rows and closed the editor.
  if (Find(editor) != nullptr) emit closeEditor(editor, NoHint);
}

void TVTEditDelegate::MoveOnRequest(QAbstractItemView* tree, QWidget* editor, const QModelIndex& node) {
  if (Find(editor) != nullptr) emit closeEditor(editor, NoHint);
  if (!node.isValid()) return;
  const QModelIndex next = moveOn_ == TMoveOn::NextColumn ? node.sibling(node.row(), node.column() + 1)
                                                          : node.sibling(node.row() + 1, node.column());
  if (next.isValid()) tree->setCurrentIndex(next);
}

bool TVTEditDelegate::eventFilter(QObject* watched, QEvent* event) {
  auto* editor = qobject_cast<QWidget*>(watched);
  TSession* s = Find(editor);
  if (s == nullptr) return QStyledItemDelegate::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::KeyPress: {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key != Qt::Key_Tab && key != Qt::Key_Backtab) return false;  // the link's keys
      // Tab ends the edit and opens the next cell's editor, as Qt grids do.
      emit commitData(editor);
      if (Find(editor) != nullptr) emit closeEditor(editor, key == Qt::Key_Tab ? EditNextItem : EditPreviousItem);
      return true;
    }
    case QEvent::FocusOut:
      if (s->Closing || editor->isHidden()) return false;
      return QStyledItemDelegate::eventFilter(watched, event);
    default:
      return QStyledItemDelegate::eventFilter(watched, event);
  }
}
