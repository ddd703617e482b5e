#include "editors/AdvTreeComboBox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QHideEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QStyleOption>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>

// ---------------------------------------------------------------------------
// Pure rules

int FindNodeForText(const std::vector<TTreeSearchNode>& nodes, int selected, const QString& text,
                    bool autoOpen) {
  const QString upper = text.toUpper();
  if (selected >= 0 && selected < static_cast<int>(nodes.size()) &&
      nodes[selected].Text.toUpper().startsWith(upper))
    return selected;
  for (QString search = upper; !search.isEmpty(); search.chop(1)) {
    for (size_t i = 0; i < nodes.size(); ++i) {
      if (!autoOpen && !nodes[i].Visible) continue;
      if (nodes[i].Text.toUpper().startsWith(search)) return static_cast<int>(i);
    }
  }
  return -1;
}

int DropFormTop(int editTop, int editHeight, int dropHeight, int dropPosition, int screenHeight) {
  const int below = editTop + editHeight - 2;
  const int above = editTop - dropHeight;
  switch (dropPosition) {
    case 1: return below;
    case 2: return above;
    default: return screenHeight > editTop + dropHeight ? below : above;
  }
}

QRect DropButtonRect(QSize edit, int buttonWidth, bool framed) {
  if (!framed) return {edit.width() - buttonWidth, 1, buttonWidth, edit.height() - 3};
  const int b = 4;
  return {edit.width() - buttonWidth - b, 0, buttonWidth, edit.height() - b};
}

// ---------------------------------------------------------------------------
// Drawing

const QImage& DropArrowGlyph() {
  static const QImage glyph = [] {
    // A 7 x 4 triangle pointing down: rows of 7, 5, 3 and 1 pixels.
    QImage image(7, 4, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    for (int y = 0; y < 4; ++y)
      for (int x = y; x < 7 - y; ++x) image.setPixel(x, y, qRgba(0, 0, 0, 255));
    return image;
  }();
  return glyph;
}

void PaintDropButton(QPainter& painter, const QWidget& button, const TDropButtonLook& look) {
  const QRect r = button.rect();
  const int w = r.width();
  const int h = r.height();
  QStyleOptionButton option;
  option.initFrom(&button);
  option.rect = r;
  option.state |= look.Pressed ? QStyle::State_Sunken : QStyle::State_Raised;
  if (look.Hot) option.state |= QStyle::State_MouseOver;
  // A flat speed button shows its bevel only under the mouse or when pressed.
  if (!look.Flat || look.Hot || look.Pressed)
    button.style()->drawPrimitive(QStyle::PE_PanelButtonBevel, &option, &painter, &button);
  if (look.Background.isValid()) painter.fillRect(r.adjusted(2, 2, -2, -2), look.Background);
  const QImage& glyph = look.Glyph.isNull() ? DropArrowGlyph() : look.Glyph;
  QPoint at((w - glyph.width()) / 2, (h - glyph.height()) / 2);
  if (look.Pressed) at += QPoint(1, 1);
  painter.drawImage(at, glyph);
  // The left edge joins the button to the edit: a button-face line outside,
  // a white one inside (the last point of each line is left out).
  painter.setPen(button.palette().color(QPalette::Button));
  const QPoint outer[] = {{w - 2, 0}, {0, 0}, {0, h - 2}};
  painter.drawPolyline(outer, 3);
  painter.setPen(Qt::white);
  const QPoint inner[] = {{w - 3, 1}, {1, 1}, {1, h - 3}};
  painter.drawPolyline(inner, 3);
}

// ---------------------------------------------------------------------------
// TDropTreeButton

TDropTreeButton::TDropTreeButton(TAdvTreeComboBox* combo) : QWidget(combo), combo_(combo) {
  setCursor(Qt::ArrowCursor);
  setAttribute(Qt::WA_Hover);
  setFocusPolicy(Qt::NoFocus);
  resize(sizeHint());
}

void TDropTreeButton::SetFlat(bool flat) {
  look_.Flat = flat;
  update();
}

void TDropTreeButton::SetBackgroundColor(const QColor& color) {
  look_.Background = color;
  update();
}

void TDropTreeButton::SetGlyph(const QImage& glyph) {
  look_.Glyph = glyph;
  update();
}

void TDropTreeButton::SetPressed(bool pressed) {
  look_.Pressed = pressed;
  repaint();
}

void TDropTreeButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  PaintDropButton(painter, *this, look_);
}

void TDropTreeButton::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  if (combo_->focusPolicy() != Qt::NoFocus && combo_->isEnabled()) combo_->setFocus(Qt::MouseFocusReason);
  SetPressed(true);
  combo_->DropDown(true);
  // The open drop-down takes the mouse, so the release never comes here.
  if (combo_->DroppedDown()) SetPressed(false);
}

void TDropTreeButton::mouseReleaseEvent(QMouseEvent*) {
  if (look_.Pressed) SetPressed(false);
}

void TDropTreeButton::enterEvent(QEnterEvent*) {
  look_.Hot = true;
  update();
}

void TDropTreeButton::leaveEvent(QEvent*) {
  look_.Hot = false;
  update();
}

// ---------------------------------------------------------------------------
// TDropTreeForm

TDropTreeForm::TDropTreeForm(TAdvTreeComboBox* combo)
    // A pop-up window has no border, stays above its window and hides when
    // the user clicks outside it. Parenting it to the combo box keeps the
    // focus "inside" the editor while the drop-down is open.
    : QWidget(combo, Qt::Popup | Qt::FramelessWindowHint), combo_(combo) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
}

void TDropTreeForm::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  // Hidden by anything but a pick or a cancel: the drop-down lost
  // activation (a click outside it). Neither OnDropUp nor a text restore.
  if (!closingUp_) combo_->FormDeactivated();
}

// ---------------------------------------------------------------------------
// TAdvTreeComboBox

namespace {

qint64 MonotonicMs() {
  static QElapsedTimer timer = [] {
    QElapsedTimer t;
    t.start();
    return t;
  }();
  return timer.elapsed();
}

}  // namespace

TAdvTreeComboBox::TAdvTreeComboBox(QWidget* parent) : QLineEdit(parent), clock_(MonotonicMs) {
  dropWidth_ = width();
  form_ = new TDropTreeForm(this);
  form_->hide();
  button_ = new TDropTreeButton(this);
}

TAdvTreeComboBox::~TAdvTreeComboBox() {
  form_->closingUp_ = true;  // going away is no loss of activation
  form_->hide();
}

QTreeWidget* TAdvTreeComboBox::CreateTreeView(QWidget* owner) { return new QTreeWidget(owner); }

QTreeWidget* TAdvTreeComboBox::Items() {
  if (tree_ == nullptr) {
    tree_ = CreateTreeView(form_);
    tree_->setParent(form_);
    form_->layout()->addWidget(tree_);
    form_->setFocusProxy(tree_);
    tree_->setColumnCount(1);
    tree_->setHeaderHidden(true);
    tree_->setSelectionMode(QAbstractItemView::SingleSelection);
    tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree_->setExpandsOnDoubleClick(false);
    tree_->installEventFilter(this);
    tree_->viewport()->installEventFilter(this);
    QObject::connect(tree_, &QTreeWidget::itemSelectionChanged, this,
                     [this] { TreeSelectionChanged(); });
  }
  return tree_;
}

void TAdvTreeComboBox::SetCollapseOnDrop(bool collapse) {
  collapseOnDrop_ = collapse;
  if (collapse) expandOnDrop_ = false;
}

void TAdvTreeComboBox::SetExpandOnDrop(bool expand) {
  expandOnDrop_ = expand;
  if (expand) collapseOnDrop_ = false;
}

bool TAdvTreeComboBox::Flat() const { return button_->Flat(); }
void TAdvTreeComboBox::SetFlat(bool flat) { button_->SetFlat(flat); }

bool TAdvTreeComboBox::ReadOnlyTree() const {
  return tree_ == nullptr || tree_->editTriggers() == QAbstractItemView::NoEditTriggers;
}

void TAdvTreeComboBox::SetReadOnlyTree(bool readOnly) {
  Items()->setEditTriggers(readOnly ? QAbstractItemView::NoEditTriggers
                                    : QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
}

bool TAdvTreeComboBox::ShowRoot() { return Items()->rootIsDecorated(); }
void TAdvTreeComboBox::SetShowRoot(bool show) { Items()->setRootIsDecorated(show); }
int TAdvTreeComboBox::Indent() { return Items()->indentation(); }
void TAdvTreeComboBox::SetIndent(int indent) { Items()->setIndentation(indent); }
QFont TAdvTreeComboBox::TreeFont() { return Items()->font(); }
void TAdvTreeComboBox::SetTreeFont(const QFont& font) { Items()->setFont(font); }
QColor TAdvTreeComboBox::TreeColor() { return Items()->palette().color(QPalette::Base); }

void TAdvTreeComboBox::SetTreeColor(const QColor& color) {
  QPalette palette = Items()->palette();
  palette.setColor(QPalette::Base, color);
  tree_->setPalette(palette);
}

bool TAdvTreeComboBox::TreeBorder() { return Items()->frameShape() != QFrame::NoFrame; }
void TAdvTreeComboBox::SetTreeBorder(bool border) {
  Items()->setFrameShape(border ? QFrame::StyledPanel : QFrame::NoFrame);
}

QString TAdvTreeComboBox::Version() { return QStringLiteral("1.1.1.2"); }

QTreeWidgetItem* TAdvTreeComboBox::NodeAt(int absoluteIndex) {
  if (absoluteIndex < 0) return nullptr;
  for (QTreeWidgetItemIterator it(Items()); *it; ++it)
    if (absoluteIndex-- == 0) return *it;
  return nullptr;
}

int TAdvTreeComboBox::AbsoluteIndex(const QTreeWidgetItem* node) {
  if (node == nullptr) return -1;
  int index = 0;
  for (QTreeWidgetItemIterator it(Items()); *it; ++it, ++index)
    if (*it == node) return index;
  return -1;
}

QTreeWidgetItem* TAdvTreeComboBox::SelectedNode() {
  const QList<QTreeWidgetItem*> selected = Items()->selectedItems();
  return selected.isEmpty() ? nullptr : selected.first();
}

qint64 TAdvTreeComboBox::NodeData(const QTreeWidgetItem* node) {
  return node == nullptr ? 0 : node->data(0, NodeDataRole).toLongLong();
}

void TAdvTreeComboBox::SetNodeData(QTreeWidgetItem* node, qint64 data) {
  node->setData(0, NodeDataRole, data);
}

int TAdvTreeComboBox::Selection() { return AbsoluteIndex(SelectedNode()); }

void TAdvTreeComboBox::SetSelection(int index) {
  QTreeWidgetItem* node = NodeAt(index);
  if (node == nullptr) {
    Items()->clearSelection();
    tree_->setCurrentItem(nullptr);
    clear();
    return;
  }
  tree_->setCurrentItem(node);
  setText(node->text(0));
}

std::vector<TTreeSearchNode> TAdvTreeComboBox::SearchNodes() {
  std::vector<TTreeSearchNode> nodes;
  for (QTreeWidgetItemIterator it(Items()); *it; ++it) {
    bool visible = true;
    for (QTreeWidgetItem* p = (*it)->parent(); p != nullptr && visible; p = p->parent())
      visible = p->isExpanded();
    nodes.push_back({(*it)->text(0), visible});
  }
  return nodes;
}

bool TAdvTreeComboBox::DroppedDown() const { return form_->isVisible(); }

void TAdvTreeComboBox::DropDown(bool byButton) {
  QTreeWidget* tree = Items();
  if (form_->isVisible()) return;
  if (byButton && deactivated_ && clock_() - lastDeactivation_ <= ReopenGuardMs) return;
  dropText_ = text();

  form_->resize(dropWidth_, dropHeight_);
  const QPoint at = mapToGlobal(QPoint(0, 0));
  const QScreen* scr = screen();
  const int screenHeight = scr != nullptr ? scr->geometry().height() : INT_MAX;
  form_->move(at.x(), DropFormTop(at.y(), height(), dropHeight_, dropPosition_, screenHeight));

  if (collapseOnDrop_) tree->collapseAll();
  if (expandOnDrop_) tree->expandAll();

  // Qt's tree does not select a node by itself when it takes the focus, so
  // a search that finds nothing simply leaves the selection as it is.
  const int found = FindNodeForText(SearchNodes(), Selection(), text(), autoOpen_);
  QTreeWidgetItem* node = NodeAt(found);
  if (node != nullptr) {
    if (autoOpen_)
      for (QTreeWidgetItem* p = node->parent(); p != nullptr; p = p->parent()) p->setExpanded(true);
    tree->setCurrentItem(node);
  }

  bool allow = true;
  if (OnDropDown) OnDropDown(this, allow);
  if (!allow) return;
  form_->closingUp_ = false;
  form_->show();
  tree->setFocus(Qt::PopupFocusReason);
  if (node != nullptr) tree->scrollToItem(node);
}

void TAdvTreeComboBox::CloseUp(bool cancelled) {
  form_->closingUp_ = true;
  form_->hide();
  form_->closingUp_ = false;
  if (cancelled) {
    setText(dropText_);
  } else if (QTreeWidgetItem* node = SelectedNode()) {
    setText(node->text(0));
  }
  if (OnDropUp) OnDropUp(this, cancelled);
}

void TAdvTreeComboBox::FormDeactivated() {
  lastDeactivation_ = clock_();
  deactivated_ = true;
}

void TAdvTreeComboBox::TreeSelectionChanged() {
  if (!form_->isVisible()) return;
  if (QTreeWidgetItem* node = SelectedNode()) {
    setText(node->text(0));
    selectAll();
  }
}

void TAdvTreeComboBox::resizeEvent(QResizeEvent* event) {
  QLineEdit::resizeEvent(event);
  const int own = fontMetrics().height();
  const int system = QFontMetrics(QApplication::font()).height();
  const int least = own + std::min(own, system) / 4;
  if (height() < least) {
    resize(width(), least);  // comes back here with the new height
    return;
  }
  const QRect r = DropButtonRect(size(), button_->width(), hasFrame());
  button_->setGeometry(r);
  // Text runs from the frame to 3 pixels left of the button.
  const int margin = hasFrame() ? 1 : 2;
  setTextMargins(margin, margin, width() - r.left() + 3, 0);
}

void TAdvTreeComboBox::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Down:
      DropDown(false);
      return;
    case Qt::Key_F4:
      if (DroppedDown())
        CloseUp(false);
      else
        DropDown(false);
      return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      event->accept();  // a Return typed into the edit does nothing
      return;
    default:
      QLineEdit::keyPressEvent(event);
  }
}

bool TAdvTreeComboBox::eventFilter(QObject* watched, QEvent* event) {
  if (tree_ != nullptr) {
    if (watched == tree_ && event->type() == QEvent::KeyPress)
      return TreeKeyPress(static_cast<QKeyEvent*>(event));
    if (watched == tree_->viewport() &&
        (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick))
      return TreeMousePress(static_cast<QMouseEvent*>(event));
  }
  return QLineEdit::eventFilter(watched, event);
}

bool TAdvTreeComboBox::TreeKeyPress(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      CloseUp(false);
      return true;
    case Qt::Key_Escape:
    case Qt::Key_F4:
      CloseUp(true);
      return true;
    default:
      break;
  }
  // Control characters typed into the tree do nothing.
  const QString typed = event->text();
  return !typed.isEmpty() && typed.at(0).unicode() < 28;
}

bool TAdvTreeComboBox::TreeMousePress(QMouseEvent* event) {
  if (event->type() == QEvent::MouseButtonDblClick) {
    if (selectMode_ != 1) return false;
    CloseUp(false);
    return true;
  }
  if (selectMode_ != 0 || event->button() != Qt::LeftButton) return false;
  // A press on a node's item (not on its indentation or expand button).
  QTreeWidgetItem* node = tree_->itemAt(event->position().toPoint());
  if (node == nullptr || !tree_->visualItemRect(node).contains(event->position().toPoint())) return false;
  tree_->setCurrentItem(node);
  CloseUp(false);
  return true;
}
