// In-cell editors for the grids of the program.
//
// A grid (a Qt item view) asks its owner for an edit link when the user
// starts to edit a cell. The link creates a standard control of the kind
// its GetEditorKind hook names, fills it through overridable hooks, and when
// the edit ends reads the value back and hands it to the SetEditText hook,
// which descendants override to store it. TVTEditDelegate is the grid's side
// of that protocol on top of Qt's item delegates.
#pragma once

#include "platform/AppPath.h"

#include <QAbstractItemView>
#include <QList>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QStringList>
#include <QStyledItemDelegate>

#include <functional>
#include <map>
#include <memory>

class QTreeWidget;

using platform::GetAppPath;

// The editor protocol between a grid and one edit of one cell, in the order
// a grid calls it: PrepareEdit, SetBounds, BeginEdit, then EndEdit or
// CancelEdit.
class IVTEditLink {
 public:
  virtual ~IVTEditLink() = default;
  // Shows the editor control and gives it the focus.
  virtual bool BeginEdit() = 0;
  // Hides the editor control.
  virtual bool CancelEdit() = 0;
  // Reads the value back and stores it; gives the grid the focus.
  virtual bool EndEdit() = 0;
  virtual QRect GetBounds() const = 0;
  // Creates and fills the editor control; false when there is none for the cell.
  virtual bool PrepareEdit(QAbstractItemView* tree, const QModelIndex& node, int column) = 0;
  // Hands an event to the editor control as if it had received it.
  virtual void ProcessMessage(QEvent* message) = 0;
  // Places the editor control in the cell (viewport coordinates).
  virtual void SetBounds(QRect r) = 0;
};

// The items of a list control, each text with an integer object.
struct TEditItems {
  QStringList Texts;
  QList<qint64> Objects;

  void Add(const QString& text, qint64 object = 0) {
    Texts.append(text);
    Objects.append(object);
  }
  void Clear() {
    Texts.clear();
    Objects.clear();
  }
  int Count() const { return static_cast<int>(Texts.size()); }
};

// The editor controls an edit link makes (results of GetEditorKind).
enum TVTEditorKind : int {
  ekNone = 0,      // no editor: the edit does not start
  ekEdit = 1,      // single-line edit
  ekPickList = 2,  // combo box, drop-down list
  ekComboBox = 3,  // combo box, editable
  ekTreeCombo = 4, // tree combo box
  ekCheckList = 5, // check list box
  ekNumber = 6,    // single-line edit for numbers
  ekMemo = 8,      // multi-line edit
  ekDate = 9,      // date picker "yyyy-MM-dd"
  ekTime = 10,     // time picker "HH:mm:ss"
  ekButton = 11,   // button "..."
};

class TVTEditLinkHook;
class TVTEditDelegate;

// One edit of one cell. Descendants override the hooks. A link held by a
// shared pointer keeps itself alive while it ends an edit, since storing the
// value may change the grid's rows and so release it.
class TVTEditLink : public IVTEditLink, public std::enable_shared_from_this<TVTEditLink> {
 public:
  // The role under which the model gives a row's node data (at column 0).
  static constexpr int NodeDataRole = Qt::UserRole;

  TVTEditLink();
  ~TVTEditLink() override;
  TVTEditLink(const TVTEditLink&) = delete;
  TVTEditLink& operator=(const TVTEditLink&) = delete;

  bool BeginEdit() override;
  bool CancelEdit() override;
  bool EndEdit() override;
  QRect GetBounds() const override;
  bool PrepareEdit(QAbstractItemView* tree, const QModelIndex& node, int column) override;
  void ProcessMessage(QEvent* message) override;
  void SetBounds(QRect r) override;

  // Fired when SetEditText reports a change.
  std::function<void(TVTEditLink* sender)> OnChange;

  // Combo box and check list box editors sort their items when set.
  bool Sorted() const { return sorted_; }
  void SetSorted(bool sorted) { sorted_ = sorted; }
  // Between the checked items of the check list box editor.
  QChar Separator() const { return separator_; }
  void SetSeparator(QChar separator) { separator_ = separator; }

  QWidget* Editor() const { return editor_; }
  int Kind() const { return kind_; }
  QAbstractItemView* Tree() const { return tree_; }
  QModelIndex Node() const { return node_; }
  int Column() const { return column_; }
  const QString& StartText() const { return startText_; }
  const QStringList& ValueList() const { return values_; }
  // The node data of the row being edited (invalid when there is none).
  QVariant GetNodeData() const;

 protected:
  // The click of the "..." button.
  virtual void ButtonClick() {}
  // A double click in any editor control but the button.
  virtual void EditorDblClick() {}
  // Fills the items of a combo box or check list box, and the value list
  // (one value per item). The base empties both.
  virtual void FillItems(TEditItems& items, QStringList& values);
  // Fills the tree of the tree combo box. The base empties it.
  virtual void FillTree(QTreeWidget* nodes);
  // The editor kind for the cell (only the low seven bits count).
  virtual int GetEditorKind() { return ekNone; }
  // The text the editor starts with.
  virtual QString GetEditText() { return QString(); }
  // Stores the value read back; true when it changed. The base compares
  // the text with the start text.
  virtual bool SetEditText(const QString& text, const QString& value, qint64 data);

 private:
  friend class TVTEditLinkHook;
  void FreeEditor();
  QWidget* CreateEditor();
  // The grid's delegate when it is the edit-link adapter.
  TVTEditDelegate* Grid() const;
  // Hides the editor control, leaving the focus with the grid.
  void HideEditor();
  void FocusToTree();
  bool KeyDown(QKeyEvent* event);
  bool WheelOverCombo(QWheelEvent* event);
  // Asks the grid, once the current event has returned, to end the edit
  // (after a pick) or to move on to the next cell (after Return).
  enum class TTreeRequest { EndEdit, MoveOn };
  void PostTreeRequest(TTreeRequest request);

  QPointer<QWidget> editor_;
  QPointer<TVTEditLinkHook> hook_;  // the link's event handler on the editor
  QPointer<QAbstractItemView> tree_;
  int column_ = -1;
  QString startText_;
  bool sorted_ = false;
  QChar separator_ = QLatin1Char(',');
  Qt::Alignment alignment_ = Qt::AlignLeft;
  QStringList values_;
  QPersistentModelIndex node_;
  int kind_ = ekNone;
};

// Has no state of its own; one instance lives as long as the program.
class TVTHelper {};
TVTHelper& VTHelper();

// The grid's side of the edit-link protocol, as a Qt item delegate.
//
// For each edit it asks OnCreateEditor for a link; the link's editor is the
// delegate's editor. Qt's calls map onto the link: createEditor ->
// PrepareEdit, the first updateEditorGeometry -> SetBounds and BeginEdit,
// later ones -> SetBounds, setModelData -> EndEdit, an editor closed without
// its value being read -> CancelEdit. The grid ends an edit (reading the
// value) when the current cell changes, when the focus leaves the editor,
// and on Tab (moving to the next cell's editor); when the link hides its
// editor (Escape, or Return after the link read the value itself) the edit
// is closed without another read.
class TVTEditDelegate : public QStyledItemDelegate {
 public:
  // The grid owner's handler that makes a link for each edit (nullptr: the
  // cell is not edited). A Qt delegate hands the view the editor widget
  // itself, so the links are edit links with their editor control.
  using TCreateEditorEvent = std::function<std::shared_ptr<TVTEditLink>(
      QAbstractItemView* tree, const QModelIndex& node, int column)>;
  // Where the grid moves after Return ended an edit.
  enum class TMoveOn { NextColumn, NextRow };

  explicit TVTEditDelegate(TCreateEditorEvent onCreateEditor, QObject* parent = nullptr);
  ~TVTEditDelegate() override;

  TMoveOn MoveOn() const { return moveOn_; }
  void SetMoveOn(TMoveOn moveOn) { moveOn_ = moveOn; }
  // The link behind an open editor, nullptr when none.
  IVTEditLink* LinkFor(const QWidget* editor) const;

  // A link's requests (see TVTEditLink::PostTreeRequest).
  void EndEditRequest(QWidget* editor);
  void MoveOnRequest(QAbstractItemView* tree, QWidget* editor, const QModelIndex& node);
  // The link hides its editor: the edit ends without another read.
  void EditorHidden(QWidget* editor);

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override;
  void setEditorData(QWidget* editor, const QModelIndex& index) const override;
  void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
  void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const override;
  void destroyEditor(QWidget* editor, const QModelIndex& index) const override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct TSession {
    std::shared_ptr<IVTEditLink> Link;
    bool Begun = false;    // BeginEdit was called
    bool Closing = false;  // the value was read or the edit given up
  };
  TSession* Find(const QWidget* editor) const;

  TCreateEditorEvent onCreateEditor_;
  TMoveOn moveOn_ = TMoveOn::NextColumn;
  mutable std::map<const QWidget*, TSession> sessions_;
};
