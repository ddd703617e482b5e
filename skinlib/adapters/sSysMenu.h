// The system menu of a skinned form (`TsSystemMenu`, "SysMenu"): a popup
// menu built from the window's own system menu (platform/Menus.h) that
// the skinned title shows in place of the system's, with the answers
// which caption buttons are shown and enabled, and optionally the list of
// the skins the manager offers.
//
// The fixed items and their commands:
//   "acIR" SC_RESTORE "Restore"   "acIM" SC_MOVE "Move"   "acIS" SC_SIZE "Size"
//   "acIN" SC_MINIMIZE "Minimize" "acIX" SC_MAXIMIZE "Maximize"
//   "acIC" SC_CLOSE "Close"
// each captioned by the window's system menu (the text before a tab; the
// text after it is the shortcut) or, where it has none, by the default
// caption. Items the application added to the window's system menu (ids
// below 0xF000) stand between the maximize and the close item, framed by
// separators. A click sends WM_SYSCOMMAND with the item's command to the
// form (an added item's is posted).
//
// GUI thread only. A skin chosen from the skin list that fails to load is
// reported in the library's message box; nothing leaves the click.
#pragma once

#include <QMenu>
#include <QPointer>

class QAction;
class QWidget;
class TsSkinProvider;

// The six answers (abstract here; the form's and a dialog's menus give
// them).
class TsCustomSysMenu : public QMenu {
 public:
  using QMenu::QMenu;
  virtual bool VisibleClose() const = 0;
  virtual bool VisibleMax() const = 0;
  virtual bool VisibleMin() const = 0;
  virtual bool EnabledMax() const = 0;
  virtual bool EnabledMin() const = 0;
  virtual bool EnabledRestore() const = 0;
};

inline constexpr char kSkinSelectItem[] = "SkinSelectItem";
inline constexpr char kAvailableSkinsCaption[] = "Available skins";
// Every this many skins the list starts a new column.
inline constexpr int kSkinsPerColumn = 20;

class TsSystemMenu : public TsCustomSysMenu {
 public:
  explicit TsSystemMenu(TsSkinProvider* owner);

  TsSkinProvider* Owner() const { return owner_; }
  QWidget* Form() const;
  QAction* ItemRestore = nullptr;
  QAction* ItemMove = nullptr;
  QAction* ItemSize = nullptr;
  QAction* ItemMinimize = nullptr;
  QAction* ItemMaximize = nullptr;
  QAction* ItemClose = nullptr;
  int ExtraCount() const { return extraCount_; }

  // Shows the menu at (x, y) on the screen (TrackPopupMenu; never waits):
  // the chosen item does its command.
  void ShowAt(int x, int y);
  // Rebuilds the items from the window's system menu (none without one).
  void MakeSkinItems();
  // With `rebuild` rebuilt first; then each fixed item shown and enabled
  // as the form's state allows.
  void UpdateItems(bool rebuild);
  // The skin list on top, when the manager offers at least one skin; a
  // list made before goes first (each show makes it anew, its check on
  // the manager's skin as it is then).
  void MakeSkinMenu();
  // What a click on a skin item does: the caption without '&', cut before
  // "(internal)", becomes the manager's SkinName.
  void SelectSkin(const QString& caption);

  bool VisibleClose() const override;
  bool VisibleMax() const override;
  bool VisibleMin() const override;
  bool EnabledMax() const override;
  bool EnabledMin() const override;
  bool EnabledRestore() const override;

 private:
  QAction* AddFixed(const char* name, unsigned command, const char* caption, QMenu* systemMenu);
  void Command(unsigned command, bool updateAfter);

  QPointer<TsSkinProvider> owner_;
  int extraCount_ = 0;
};
