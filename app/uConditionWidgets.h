// The Qt pieces that the windows choosing indicator values share: the
// indicator tree, check lists of values (several columns, drag-checking),
// the twelve selection buttons, spin edits whose text can be read as typed,
// and the random source of the random picks.
#pragma once

#include "engine/uBaseDef.h"
#include "engine/uFormulaDef.h"

#include <QListWidget>
#include <QPointer>
#include <QSpinBox>
#include <QString>

#include <array>
#include <functional>
#include <vector>

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// ---------------------------------------------------------------------------
// Shared windows and messages.

// Frees the window when the application quits.
void DeleteOnQuit(QWidget* window);

// The one window of type T that the program shares (a chooser, a picker):
// made on first use without a parent, hidden rather than freed when
// closed, freed when the application quits. With create false it is only
// looked up (nullptr when there is none yet).
template <class T>
T* SharedWindow(bool create = true) {
  static QPointer<T> instance;
  if (!instance && create) {
    instance = new T();
    DeleteOnQuit(instance);
  }
  return instance;
}

// A message box with the OK button, through the program's prompts.
void ShowMessage(QWidget* parent, const QString& text);

// ---------------------------------------------------------------------------
// Random picks.

// A uniform integer 0..range - 1 (0 when range is 1 or less).
using TRandomFunc = std::function<int32_t(int32_t range)>;

// The program's generator (a Mersenne twister, seeded at start).
int32_t DefaultRandom(int32_t range);
// Seeds the program's generator again from the system's entropy.
void Randomize();

// Draws min(k, count) distinct indexes of 0..count - 1 without preference,
// in the order drawn: each step takes one of the remaining indexes, the
// last remaining one included.
TIntAry PickIndexes(int32_t count, int32_t k, const TRandomFunc& random);

// ---------------------------------------------------------------------------
// Check lists.

// A list of check boxes with integer values. With Columns n > 0 the items
// are laid out in columns of equal width, filled column by column (down the
// first column, then the next), and every item has a cell in sight, as
// large as its check box and text ask, so the list never scrolls: n columns
// where the widest item fits in them, fewer where it does not; more, as
// many as the width holds, where the rows of the list's height do not take
// the items; when even those do not, rows down to the items' own height,
// and only then narrower columns (texts cut short).
// A press on an item toggles it; with drag-checking on, every item the mouse
// then passes over gets the state the pressed item got, until the release.
class TCheckListBox : public QListWidget, public ICheckList {
 public:
  explicit TCheckListBox(QWidget* parent = nullptr, int columns = 0, bool dragCheck = true);

  void SetColumns(int columns);
  int Columns() const { return columns_; }

  // Replaces the items, all unchecked.
  void SetItems(const TValueItems& items);
  // Items "first".."last", each carrying its number.
  void SetNumbers(int32_t first, int32_t last);
  QString ItemText(int index) const;
  // The index of the item whose text is the text; -1 when none.
  int IndexOfText(const QString& text) const;

  int Count() const override { return count(); }
  bool Checked(int index) const override;
  void SetChecked(int index, bool checked) override;
  int32_t Value(int index) const override;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void UpdateGrid();

  int columns_;
  bool dragCheck_;
  bool dragging_ = false;
  bool dragState_ = false;  // the state the pressed item got
};

// A check list with an object name.
TCheckListBox* MakeCheckList(const char* name, QWidget* parent, int columns, bool dragCheck = true);

// ---------------------------------------------------------------------------
// The twelve selection buttons.

struct TSelectionButton {
  const char* Name;
  const char* Caption;
  int Tag;  // index into SelectorProcs
};
extern const std::array<TSelectionButton, 12> SelectionButtons;

// Makes the selection buttons of the table as children of parent (object
// name, caption and the dynamic property "Tag" from the table); a click
// calls onSelect with the button's tag.
std::vector<QPushButton*> MakeSelectionButtons(QWidget* parent, const std::function<void(int tag)>& onSelect);

// Lets a control share a narrow row: as wide as the row gives it, never
// narrower than its caption (or `minimum`).
void MakeCompact(QWidget* control, int minimum = 0);

// Applies the selector of a button's tag (its low 7 bits) to the list;
// nothing for no list or a tag beyond the table.
void ApplySelector(ICheckList* list, int tag);

// ---------------------------------------------------------------------------
// The indicator tree.

// Fills the tree: one root per indicator group, one child per indicator
// carrying it (FormulaOfItem). Roots show image 0, children image 1 and,
// selected, image 2 of FormulaTreeIcons.
void FillFormulaTree(QTreeWidget* tree, const TFormulateList& list = FormulateList());
const TFormulate* FormulaOfItem(const QTreeWidgetItem* item);

// ---------------------------------------------------------------------------
// Spin edits.

// A spin edit whose text can be read as the user left it (a spin box's value
// keeps the last valid number) and written as any text.
class TSpinEdit : public QSpinBox {
 public:
  TSpinEdit(QWidget* parent, int minimum, int maximum);
  QString Text() const;
  void SetText(const QString& text);
  // The text as an integer by the old runtime's rules; false when it is none.
  bool ReadInt(int32_t& value) const;
};
