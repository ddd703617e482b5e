// The tree combo box: a single-line edit with a drop button that opens a
// borderless drop-down holding a tree; picking a node puts its text into the
// edit.
#pragma once

#include <QColor>
#include <QImage>
#include <QLineEdit>
#include <QString>
#include <QTreeWidget>
#include <QWidget>

#include <functional>
#include <vector>

class QPainter;
class TAdvTreeComboBox;

// ---------------------------------------------------------------------------
// Pure rules of the control, kept apart so that they can be checked without
// widgets.

// One node as the text search sees it, in tree (absolute index) order.
struct TTreeSearchNode {
  QString Text;
  bool Visible = true;  // every ancestor is expanded
};

// The node that the drop-down selects for the edit's text, or -1.
//
// The selected node (index `selected`, -1 for none) stays when its text
// begins with `text`, ignoring case. Otherwise the nodes are walked in order
// (only the visible ones unless `autoOpen`) for the first whose text begins
// with the search text; when none does, the search text loses its last
// character and the walk starts again, until a node is found or the text is
// empty.
int FindNodeForText(const std::vector<TTreeSearchNode>& nodes, int selected, const QString& text,
                    bool autoOpen);

// The top of the drop-down in screen coordinates for an edit whose top is
// `editTop`: `dropPosition` 1 below the edit, 2 above it, 0 below when the
// screen height exceeds editTop + dropHeight, else above.
int DropFormTop(int editTop, int editHeight, int dropHeight, int dropPosition, int screenHeight);

// Where the drop button sits inside an edit of the given size: at the right
// end, inside the frame of a framed edit.
QRect DropButtonRect(QSize edit, int buttonWidth, bool framed);

// ---------------------------------------------------------------------------
// Drawing of the drop button. There is no visual-styles library here, so the
// button is always drawn as a plain speed button through the widget's style.

// The picture of the button's glyph: a small black down arrow on a
// transparent ground.
const QImage& DropArrowGlyph();

struct TDropButtonLook {
  bool Pressed = false;
  bool Hot = false;
  bool Flat = false;
  QColor Background;  // invalid: none
  QImage Glyph;
};

// Paints the button into `painter` over the whole of `button`.
void PaintDropButton(QPainter& painter, const QWidget& button, const TDropButtonLook& look);

// ---------------------------------------------------------------------------

// The drop button: 17 x 17 pixels inside the edit at its right end.
class TDropTreeButton : public QWidget {
 public:
  explicit TDropTreeButton(TAdvTreeComboBox* combo);

  QSize sizeHint() const override { return {17, 17}; }

  bool Flat() const { return look_.Flat; }
  void SetFlat(bool flat);
  QColor BackgroundColor() const { return look_.Background; }
  void SetBackgroundColor(const QColor& color);
  const QImage& Glyph() const { return look_.Glyph; }
  void SetGlyph(const QImage& glyph);  // a null picture restores the down arrow
  bool Pressed() const { return look_.Pressed; }
  bool Hot() const { return look_.Hot; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  void SetPressed(bool pressed);

  TAdvTreeComboBox* combo_;
  TDropButtonLook look_;
};

// The drop-down: a borderless pop-up window that holds the tree. While it is
// open Qt keeps the window that holds the edit drawn as active.
class TDropTreeForm : public QWidget {
 public:
  explicit TDropTreeForm(TAdvTreeComboBox* combo);

 protected:
  void hideEvent(QHideEvent* event) override;

 private:
  friend class TAdvTreeComboBox;
  TAdvTreeComboBox* combo_;
  bool closingUp_ = false;  // hidden by the combo box itself (a pick or a cancel)
};

class TAdvTreeComboBox : public QLineEdit {
 public:
  // Fired before the drop-down shows; setting `allow` false keeps it closed.
  using TDropDownEvent = std::function<void(TAdvTreeComboBox* sender, bool& allow)>;
  // Fired after the drop-down closed through the keyboard or a pick.
  using TDropUpEvent = std::function<void(TAdvTreeComboBox* sender, bool cancelled)>;
  // A monotonic clock in milliseconds.
  using TClock = std::function<qint64()>;

  // How long a press on the button is ignored after the drop-down hid by
  // losing activation, so that the press that closed it does not reopen it.
  static constexpr qint64 ReopenGuardMs = 250;
  // The role under which a tree node keeps its integer data.
  static constexpr int NodeDataRole = Qt::UserRole;

  explicit TAdvTreeComboBox(QWidget* parent = nullptr);
  ~TAdvTreeComboBox() override;

  // 1: a double click on a node picks it; 0: a mouse press on a node picks it.
  int SelectMode() const { return selectMode_; }
  void SetSelectMode(int mode) { selectMode_ = mode; }
  int DropWidth() const { return dropWidth_; }
  void SetDropWidth(int width) { dropWidth_ = width; }
  int DropHeight() const { return dropHeight_; }
  void SetDropHeight(int height) { dropHeight_ = height; }
  // The tree view of the drop-down, whose items are the combo box's nodes.
  QTreeWidget* Items();
  // When false the edit part is read-only.
  bool EditorEnabled() const { return !isReadOnly(); }
  void SetEditorEnabled(bool enabled) { setReadOnly(!enabled); }
  bool CollapseOnDrop() const { return collapseOnDrop_; }
  void SetCollapseOnDrop(bool collapse);  // clears ExpandOnDrop when set
  bool ExpandOnDrop() const { return expandOnDrop_; }
  void SetExpandOnDrop(bool expand);  // clears CollapseOnDrop when set
  // 0 automatic, 1 below the edit, 2 above it.
  int DropPosition() const { return dropPosition_; }
  void SetDropPosition(int position) { dropPosition_ = position; }
  // The search on drop-down looks at every node and opens the found node's
  // ancestors; when false it looks only at nodes whose ancestors are open.
  bool AutoOpen() const { return autoOpen_; }
  void SetAutoOpen(bool autoOpen) { autoOpen_ = autoOpen; }
  bool Flat() const;
  void SetFlat(bool flat);
  // Tree settings passed on to the tree view.
  bool ReadOnlyTree() const;
  void SetReadOnlyTree(bool readOnly);
  bool ShowRoot();
  void SetShowRoot(bool show);
  int Indent();
  void SetIndent(int indent);
  QFont TreeFont();
  void SetTreeFont(const QFont& font);
  QColor TreeColor();
  void SetTreeColor(const QColor& color);
  bool TreeBorder();
  void SetTreeBorder(bool border);

  // Absolute index (tree order) of the selected node, -1 when none. Setting
  // an index selects that node and puts its text into the edit; setting -1
  // (or an index that names no node) clears the selection and the text.
  int Selection();
  void SetSelection(int index);
  static QString Version();

  TDropDownEvent OnDropDown;
  TDropUpEvent OnDropUp;

  // Opens the drop-down. A press on the button (`byButton`) is ignored within
  // ReopenGuardMs after the drop-down hid by losing activation.
  void DropDown(bool byButton = false);
  // Closes the drop-down through a pick or a cancel and fires OnDropUp.
  void CloseUp(bool cancelled);
  bool DroppedDown() const;

  // The node at an absolute index (nullptr when none) and back (-1).
  QTreeWidgetItem* NodeAt(int absoluteIndex);
  int AbsoluteIndex(const QTreeWidgetItem* node);
  QTreeWidgetItem* SelectedNode();
  static qint64 NodeData(const QTreeWidgetItem* node);
  static void SetNodeData(QTreeWidgetItem* node, qint64 data);

  TDropTreeButton* Button() const { return button_; }
  TDropTreeForm* DropForm() const { return form_; }
  void SetClock(TClock clock) { clock_ = std::move(clock); }

 protected:
  // Creates the tree view of the drop-down; descendants may supply another
  // tree view class. Called once, on first use of the tree.
  virtual QTreeWidget* CreateTreeView(QWidget* owner);

  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  friend class TDropTreeButton;
  friend class TDropTreeForm;
  void FormDeactivated();
  bool TreeKeyPress(QKeyEvent* event);
  bool TreeMousePress(QMouseEvent* event);
  void TreeSelectionChanged();
  std::vector<TTreeSearchNode> SearchNodes();

  TDropTreeForm* form_ = nullptr;
  QTreeWidget* tree_ = nullptr;
  TDropTreeButton* button_ = nullptr;
  TClock clock_;
  QString dropText_;               // the edit's text when the drop-down opened
  qint64 lastDeactivation_ = 0;
  bool deactivated_ = false;       // the drop-down has hidden by losing activation
  int selectMode_ = 1;
  int dropWidth_ = 0;
  int dropHeight_ = 100;
  int dropPosition_ = 0;
  bool collapseOnDrop_ = false;
  bool expandOnDrop_ = false;
  bool autoOpen_ = true;
};
