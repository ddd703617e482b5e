#include "app/uConditionWidgets.h"

#include "platform/DelphiRtl.h"
#include "platform/UserPrompts.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>

#include <algorithm>
#include <random>

// ---------------------------------------------------------------------------
// Shared windows and messages.

void DeleteOnQuit(QWidget* window) {
  QPointer<QWidget> guard(window);
  QObject::connect(qApp, &QCoreApplication::aboutToQuit, window, [guard] { delete guard.data(); });
}

void ShowMessage(QWidget* parent, const QString& text) {
  platform::Prompts().MessageBox(parent, text, QStringLiteral("提示"), platform::MB_OK | platform::MB_ICONINFORMATION);
}

// ---------------------------------------------------------------------------
// Random picks.

namespace {

std::mt19937& Generator() {
  static std::mt19937 generator{std::random_device{}()};
  return generator;
}

}  // namespace

int32_t DefaultRandom(int32_t range) {
  if (range <= 1) return 0;
  return std::uniform_int_distribution<int32_t>(0, range - 1)(Generator());
}

void Randomize() { Generator().seed(std::random_device{}()); }

TIntAry PickIndexes(int32_t count, int32_t k, const TRandomFunc& random) {
  TIntAry candidates(static_cast<size_t>(std::max(count, 0)));
  for (int32_t i = 0; i < count; ++i) candidates[static_cast<size_t>(i)] = i;
  TIntAry picked;
  int32_t last = count - 1;
  for (k = std::min(k, count); k > 0; --k, --last) {
    // Every remaining candidate, the one at `last` too, may be drawn.
    const int32_t r = std::clamp(random(last + 1), 0, last);
    picked.push_back(candidates[static_cast<size_t>(r)]);
    candidates[static_cast<size_t>(r)] = candidates[static_cast<size_t>(last)];
  }
  return picked;
}

// ---------------------------------------------------------------------------
// Check lists.

TCheckListBox::TCheckListBox(QWidget* parent, int columns, bool dragCheck)
    : QListWidget(parent), columns_(columns), dragCheck_(dragCheck) {
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setUniformItemSizes(true);
  setMovement(QListView::Static);
  setMinimumWidth(40);  // lists share narrow pages
  UpdateGrid();
}

void TCheckListBox::SetColumns(int columns) {
  columns_ = columns;
  UpdateGrid();
}

void TCheckListBox::SetItems(const TValueItems& items) {
  clear();
  for (const auto& [text, value] : items) {
    auto* item = new QListWidgetItem(QString::fromStdString(text), this);
    item->setData(Qt::UserRole, value);
    // Not user-checkable: the press handler toggles, so that a press and a
    // drag agree; the box is drawn from the check state all the same.
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    item->setCheckState(Qt::Unchecked);
  }
  UpdateGrid();
}

void TCheckListBox::SetNumbers(int32_t first, int32_t last) {
  TValueItems items;
  for (int32_t v = first; v <= last; ++v) items.emplace_back(std::to_string(v), v);
  SetItems(items);
}

QString TCheckListBox::ItemText(int index) const {
  const QListWidgetItem* it = item(index);
  return it ? it->text() : QString();
}

int TCheckListBox::IndexOfText(const QString& text) const {
  for (int i = 0; i < count(); ++i)
    if (item(i)->text() == text) return i;
  return -1;
}

bool TCheckListBox::Checked(int index) const {
  const QListWidgetItem* it = item(index);
  return it && it->checkState() == Qt::Checked;
}

void TCheckListBox::SetChecked(int index, bool checked) {
  if (QListWidgetItem* it = item(index)) it->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

int32_t TCheckListBox::Value(int index) const {
  const QListWidgetItem* it = item(index);
  return it ? it->data(Qt::UserRole).toInt() : 0;
}

void TCheckListBox::UpdateGrid() {
  if (columns_ <= 0) {
    setWrapping(false);
    setGridSize(QSize());
    return;
  }
  setFlow(QListView::TopToBottom);
  setWrapping(true);
  setResizeMode(QListView::Adjust);
  // No scroll bars: a view that may scroll sideways keeps a scroll bar's
  // height free below its items, which costs a row.
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  const QSize area = maximumViewportSize();
  const int n = count();
  const int box = style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, this);
  int height = std::max(fontMetrics().height(), box) + 4;
  const int widest = n > 0 ? std::max(sizeHintForColumn(0), 1) : 1;
  const int lowest = n > 0 ? std::max(sizeHintForRow(0), 1) : 1;  // an item's own height
  const int fitting = std::max(area.width() / widest, 1);         // columns that hold the widest item
  // The view starts a new column before an item that would reach the
  // viewport's last pixel row.
  const int usable = area.height() - 1;
  const auto rowsOf = [usable](int h) { return std::max(usable / h, 1); };
  const auto columnsFor = [n](int rows) { return (n + rows - 1) / rows; };
  int columns = std::min(columns_, fitting);
  if (n > columns * rowsOf(height)) {
    // More columns, as many as hold the widest item; then lower rows, down to
    // the items' own height; then narrower columns.
    columns = std::max(std::min(fitting, columnsFor(rowsOf(height))), columnsFor(rowsOf(lowest)));
    height = std::min(height, usable / columnsFor(columns));
  }
  setGridSize(QSize(std::max(area.width() / columns, 1), std::max(height, 1)));
}

void TCheckListBox::changeEvent(QEvent* event) {
  QListWidget::changeEvent(event);
  if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) UpdateGrid();
}

void TCheckListBox::resizeEvent(QResizeEvent* event) {
  QListWidget::resizeEvent(event);
  UpdateGrid();
}

void TCheckListBox::mousePressEvent(QMouseEvent* event) {
  QListWidget::mousePressEvent(event);
  const QModelIndex index = indexAt(event->position().toPoint());
  if (event->button() != Qt::LeftButton || !index.isValid()) return;
  dragState_ = !Checked(index.row());
  SetChecked(index.row(), dragState_);
  dragging_ = dragCheck_;
}

void TCheckListBox::mouseMoveEvent(QMouseEvent* event) {
  QListWidget::mouseMoveEvent(event);
  if (!dragging_ || !(event->buttons() & Qt::LeftButton)) return;
  const QModelIndex index = indexAt(event->position().toPoint());
  if (index.isValid()) SetChecked(index.row(), dragState_);
}

void TCheckListBox::mouseReleaseEvent(QMouseEvent* event) {
  QListWidget::mouseReleaseEvent(event);
  dragging_ = false;
}

void TCheckListBox::mouseDoubleClickEvent(QMouseEvent* event) {
  // The second press of a double click toggles again, as a press does.
  mousePressEvent(event);
}

void TCheckListBox::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Space && currentRow() >= 0) {
    SetChecked(currentRow(), !Checked(currentRow()));
    return;
  }
  QListWidget::keyPressEvent(event);
}

TCheckListBox* MakeCheckList(const char* name, QWidget* parent, int columns, bool dragCheck) {
  auto* list = new TCheckListBox(parent, columns, dragCheck);
  list->setObjectName(QString::fromLatin1(name));
  return list;
}

// ---------------------------------------------------------------------------
// Selection buttons.

const std::array<TSelectionButton, 12> SelectionButtons{{
    {"BtnSelAll1", "全", 0},
    {"BtnUnSel1", "反", 1},
    {"BtnClearAll1", "清", 2},
    {"BtnBig", "大", 3},
    {"BtnSmall", "小", 4},
    {"BtnOdd", "奇", 5},
    {"BtnEven", "偶", 6},
    {"BtnPrime", "质", 7},
    {"BtnCom", "合", 8},
    {"Btn0", "0", 9},
    {"Btn1", "1", 10},
    {"Btn2", "2", 11},
}};

std::vector<QPushButton*> MakeSelectionButtons(QWidget* parent, const std::function<void(int tag)>& onSelect) {
  std::vector<QPushButton*> buttons;
  for (const TSelectionButton& b : SelectionButtons) {
    auto* button = new QPushButton(QString::fromUtf8(b.Caption), parent);
    button->setObjectName(QString::fromLatin1(b.Name));
    button->setProperty("Tag", b.Tag);
    button->setFocusPolicy(Qt::TabFocus);
    MakeCompact(button);
    QObject::connect(button, &QPushButton::clicked, parent, [onSelect, button] {
      onSelect(button->property("Tag").toInt());
    });
    buttons.push_back(button);
  }
  return buttons;
}

void MakeCompact(QWidget* control, int minimum) {
  const auto* button = qobject_cast<const QPushButton*>(control);
  const QString text = button ? QString(button->text()).remove(QLatin1Char('&')) : QString();
  control->setMinimumWidth(std::max(minimum, control->fontMetrics().horizontalAdvance(text) + 10));
  control->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
}

void ApplySelector(ICheckList* list, int tag) {
  const size_t index = static_cast<size_t>(tag & 0x7F);
  if (list && index < SelectorProcs.size()) SelectorProcs[index](*list);
}

// ---------------------------------------------------------------------------
// The indicator tree.

namespace {

// The tree's three images: a group, an indicator, the selected indicator.
QPixmap TreeImage(int index) {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  if (index == TreeRootImage) {
    p.setPen(QColor(0x8A, 0x6D, 0x1E));
    p.setBrush(QColor(0xF2, 0xC9, 0x4C));
    p.drawRect(QRectF(1.5, 4.5, 13, 9));
    p.drawRect(QRectF(1.5, 2.5, 6, 2));
  } else {
    const bool selected = index == TreeChildSelectedImage;
    p.setPen(selected ? QColor(0x90, 0x10, 0x10) : QColor(0x30, 0x50, 0x90));
    p.setBrush(selected ? QColor(0xE0, 0x30, 0x30) : QColor(0x70, 0x9C, 0xE0));
    p.drawEllipse(QRectF(3.5, 3.5, 9, 9));
  }
  return pixmap;
}

class TTreeSink : public IFormulaTreeSink {
 public:
  explicit TTreeSink(QTreeWidget* tree) : tree_(tree) {
    rootIcon_ = QIcon(TreeImage(TreeRootImage));
    childIcon_.addPixmap(TreeImage(TreeChildImage), QIcon::Normal);
    childIcon_.addPixmap(TreeImage(TreeChildSelectedImage), QIcon::Selected);
  }
  int AddRoot(const std::string& text, int) override {
    auto* item = new QTreeWidgetItem(tree_, QStringList(QString::fromStdString(text)));
    item->setIcon(0, rootIcon_);
    roots_.push_back(item);
    return static_cast<int>(roots_.size()) - 1;
  }
  void AddChild(int root, const std::string& text, const TFormulate* formula, int, int) override {
    auto* item = new QTreeWidgetItem(roots_.at(static_cast<size_t>(root)), QStringList(QString::fromStdString(text)));
    item->setData(0, Qt::UserRole, QVariant::fromValue(reinterpret_cast<quintptr>(formula)));
    item->setIcon(0, childIcon_);
  }

 private:
  QTreeWidget* tree_;
  std::vector<QTreeWidgetItem*> roots_;
  QIcon rootIcon_, childIcon_;
};

}  // namespace

void FillFormulaTree(QTreeWidget* tree, const TFormulateList& list) {
  tree->clear();
  tree->setHeaderHidden(true);
  tree->setColumnCount(1);
  tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
  TTreeSink sink(tree);
  BuildFormulaTree(sink, list);
}

const TFormulate* FormulaOfItem(const QTreeWidgetItem* item) {
  if (!item) return nullptr;
  return reinterpret_cast<const TFormulate*>(item->data(0, Qt::UserRole).value<quintptr>());
}

// ---------------------------------------------------------------------------
// Spin edits.

TSpinEdit::TSpinEdit(QWidget* parent, int minimum, int maximum) : QSpinBox(parent) {
  setRange(minimum, maximum);
}

QString TSpinEdit::Text() const { return lineEdit()->text(); }

void TSpinEdit::SetText(const QString& text) { lineEdit()->setText(text); }

bool TSpinEdit::ReadInt(int32_t& value) const { return platform::TryStrToInt(Text().toStdString(), value); }
