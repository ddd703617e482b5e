// The skinned menu bar: a skinned frame keeps the form's QMenuBar as the
// window's menu line (the platform hides the bar widget and runs the one
// menu loop: clicks, Alt and F10, the drop-downs below their items, Left
// and Right between items, Esc). The skin gives the line its layout, one
// row of items from the skin's left margin (from the right for a
// right-to-left form), and paints it in the band under the caption: the
// skin's bar element, the items in its colours, the hovered item and the
// one the menu loop has made current in the highlight colour. Each
// top-level action is a TMenuBtn, rebuilt whenever the line is laid out
// again (the bar's actions changed, the band's width changed).
//
// GUI thread only.
#pragma once

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "skinning/WinSkinFormFrame.h"

#include <QList>
#include <QMenuBar>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>

#include <memory>
#include <vector>


namespace skinning {

class TWinSkinMenu;

class TMenuBtn : public TNCObject {
 public:
  TMenuBtn(TSkinFormFrame* owner, TWinSkinMenu& bar, int index) : TNCObject(owner), Bar(bar), Index(index) {}
  void PaintObject() override;

  TWinSkinMenu& Bar;
  int Index;
  QString Caption;  // at most 80 characters, the & mnemonic kept
};

class TWinSkinMenu : public QObject {
 public:
  explicit TWinSkinMenu(TSkinFormFrame& frame);
  ~TWinSkinMenu() override;

  // Gives the window's menu line the skin's layout; false when the window
  // has no menu bar.
  bool BuildItems();
  // The band's height: one menu row while the bar has items, else none.
  int Height() const;
  // Paints the bar into `dc` at `bar` (window coordinates).
  void PaintBar(platform::Canvas& dc, const TRect& bar);
  TMenuBtn* ItemAt(TPoint windowPoint) const;
  // A change of the bar's actions: the band appears or goes with them.
  void MenuChanged();
  // Hands the line its own layout back.
  void RestoreMenu();

  const std::vector<std::unique_ptr<TMenuBtn>>& Items() const { return items_; }
  // The item whose drop-down the menu loop has open (-1 for none) and that
  // drop-down, process-wide.
  static int OpenIndex();
  static QMenu* OpenMenu();

 private:
  // The line's layout: one item per action in one row `width` wide.
  int LayoutItems(const QList<QAction*>& actions, int width, std::vector<QRect>* rects);
  platform::TFont MenuFont() const;

  TSkinFormFrame& frame_;
  QPointer<QMenuBar> menu_;
  std::vector<std::unique_ptr<TMenuBtn>> items_;
  platform::Bitmap bitmap_;  // the bar as last painted
  bool changePending_ = false;
};

}  // namespace skinning
