// The skinned menu bar: a skinned frame takes the form's QMenuBar away
// (SetMenu with none hides it) and draws its items in the band under the
// caption. Each top-level action is a TMenuBtn; opening one shows its
// drop-down with the platform's TrackPopupMenu while a message filter lets
// the arrow keys and the mouse move between bar items, as in a system menu
// bar. An item without drop-down triggers its action. Changes of the
// bar's actions rebuild the items.
//
// One drop-down is tracked at a time in the process. GUI thread only.
#pragma once

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Menus.h"
#include "skinning/WinSkinFormFrame.h"

#include <QMenuBar>
#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>
#include <vector>

class QAction;

namespace skinning {

class TWinSkinMenu;

class TMenuBtn : public TNCObject {
 public:
  TMenuBtn(TSkinFormFrame* owner, TWinSkinMenu& bar, int index) : TNCObject(owner), Bar(bar), Index(index) {}
  void PaintObject() override;

  TWinSkinMenu& Bar;
  int Index;
  QString Caption;  // at most 80 characters, the & mnemonic kept
  QMenu* DropDown = nullptr;
  unsigned CommandId = 0;
  QPointer<QAction> Action;
};

class TWinSkinMenu : public QObject {
 public:
  explicit TWinSkinMenu(TSkinFormFrame& frame);
  ~TWinSkinMenu() override;

  // Takes the items from the window's menu bar and hides the bar; false
  // when the window has none.
  bool BuildItems();
  void LayoutItems();
  // Paints the bar into `dc` at `bar` (window coordinates).
  void PaintBar(platform::Canvas& dc, const TRect& bar);
  TMenuBtn* ItemAt(TPoint windowPoint) const;
  // The first enabled, visible item whose mnemonic is `ch`.
  TMenuBtn* ItemByAccelerator(QChar ch) const;
  // The first enabled, visible item (nullptr for none).
  TMenuBtn* FirstItem() const;
  // Opens the item's drop-down, or triggers the action of an item without
  // one (false then, and for a disabled item).
  bool OpenItem(TMenuBtn* item);
  // Gives the window its menu bar back.
  void RestoreMenu();

  const std::vector<std::unique_ptr<TMenuBtn>>& Items() const { return items_; }
  QMenuBar* Menu() const { return menu_; }
  // The open item (-1 for none) and its drop-down, process-wide.
  static int OpenIndex();
  static QMenu* OpenMenu();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void EndTracking();
  // Builds and lays the items out again (after the tracked drop-down).
  void Rebuild();
  void SwitchTo(int index);
  platform::LRESULT MenuFilter(int code, platform::MSG& msg, const platform::CallNextMessageFilter& next);
  platform::TFont MenuFont() const;

  TSkinFormFrame& frame_;
  QPointer<QMenuBar> menu_;
  const QObject* watched_ = nullptr;  // the bar whose changes rebuild the items
  std::vector<std::unique_ptr<TMenuBtn>> items_;
  platform::Bitmap bitmap_;  // the bar as last painted
  TRect bar_;                // window coordinates
  bool rebuildPending_ = false;
};

}  // namespace skinning
