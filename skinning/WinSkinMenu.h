// Skinned popup menus, menu items and tool-bar backgrounds.
//
// A popup menu the manager accepts gets a TWinSkinPopMenu while it shows:
// it answers SKIN_QUERYSKINNED, puts the skin's style on the menu, and
// keeps the menu's background: the "MenuBackground" element rendered at
// the menu's size, whose outer kMenuFrame pixels are the menu's frame.
// Hiding the menu (its window goes, as a Windows popup's does) restores
// it. The style paints the frame and background from that bitmap and
// every item through DrawSkinPopupItem; an item stands on the piece of the
// background under it (item rectangles are in the menu's own coordinates,
// which include the frame).
//
// Items: frame 1 of the "MenuItem" element normal, 4 selected; separators
// are cut from frame 2. Glyph, tick, caption and shortcut follow in the
// scheme's menu colours.
#pragma once

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Messages.h"
#include "platform/WindowProc.h"
#include "skinning/WinSkinData.h"

#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QString>

class QStyle;
class QStyleOptionMenuItem;

namespace skinning {

// The width of a skinned popup's frame.
constexpr int kMenuFrame = 3;
// The blank columns a menu measured from its contents keeps between an
// item's caption and its shortcut.
constexpr int kMenuShortCutGap = 12;

class TWinSkinPopMenu : public QObject {
 public:
  // Hooks `menu` (which is its own window); `mode` is the manager's menu
  // mode when it showed.
  TWinSkinPopMenu(QMenu* menu, TSkinData* skinData, bool flag, int mode);
  ~TWinSkinPopMenu() override;
  TWinSkinPopMenu(const TWinSkinPopMenu&) = delete;
  TWinSkinPopMenu& operator=(const TWinSkinPopMenu&) = delete;

  // Puts the skin's style on the menu and lays it out again (once the
  // manager knows the popup, so that the style finds it).
  void Start();
  // Unhooks the window, gives it its style back and empties the background.
  void Restore();

  QMenu* Window() const { return window_; }
  // The menu the window shows.
  QMenu* Menu() const { return menu_; }
  void SetMenu(QMenu* menu) { menu_ = menu; }
  TSkinData* SkinData() const { return skinData_; }
  int MenuMode() const { return mode_; }
  bool Flag = false;

  // True when the frame and background are the skin's: the skin has a
  // "MenuBackground" with an image and the skin data is loaded.
  bool Skinned() const;
  // The background at the window's present size (rendered when the size
  // changed); empty when not Skinned().
  const platform::Bitmap& Background();

 private:
  void WindowProc(platform::Message& message, const platform::CallPrevious& previous);
  void Relayout();

  QPointer<QMenu> window_;
  QPointer<QMenu> menu_;
  QPointer<TSkinData> skinData_;
  int mode_;
  platform::Bitmap background_;
  std::shared_ptr<const TSkinModel> renderedFor_;  // the model the background shows
  platform::WindowProcHandle handle_;
  QPointer<QStyle> previousStyle_;
  QPointer<QStyle> setStyle_;  // the style Start set
  bool styleSet_ = false;
  bool restored_ = false;
};

// One menu item as the item routines see it.
struct TSkinMenuItem {
  QString Caption;   // "-" for a separator; '&' marks the accelerator
  QString ShortCut;  // the shortcut's text, empty for none
  bool Checked = false;
  bool Enabled = true;
  bool Default = false;
  bool HasSubMenu = false;
  bool RightToLeft = false;
  QIcon Image;          // none when the item has no image among the menu's images
  int ImagesWidth = 0;  // the width of the menu's images; 0 when no item has one
  platform::TFont Font;
  const QMenu* Menu = nullptr;        // the menu the item is in
  const QMenu* ParentMenu = nullptr;  // the menu of its parent item
};

// The item a menu's style option describes (a "caption\tshortcut" text is
// split; the menu's images are its actions' icons).
TSkinMenuItem MenuItemFromOption(const QStyleOptionMenuItem& option, const QMenu* menu);

// Widen an item measured the standard way (its own measuring) and one not
// measured: by the "MenuItem" element's LeftWidth, and by 10 (12 without the
// standard measuring) when the menu has images, else by 35.
void MeasureSkinMenuItem(const TSkinData& data, const TSkinMenuItem& item, int& width, int& height);
void MeasureSkinMenuItem2(const TSkinData& data, const TSkinMenuItem& item, int& width, int& height);

// A popup item at `r` on the canvas: on its piece of the popup's skinned
// background (the Menu colour when the popup has none) the "MenuItem"
// element and the content; a separator cut from the element. Without a
// "MenuItem" image: DrawPlainMenuItem.
void DrawSkinPopupItem(const TSkinData& data, const TSkinMenuItem& item, platform::Canvas& canvas,
                       bool selected, const TRect& r);
// Hilight when selected, else Menu, then the content.
void DrawPlainMenuItem(const TSkinData& data, const TSkinMenuItem& item, platform::Canvas& canvas,
                       bool selected, const TRect& r);
// The separator of the "MenuItem" image (its second fifth; the bottom rows
// when the image is taller than the item), key colour transparent; where
// that part of the image shows nothing (the skin gives no line), the plain
// separator.
void DrawSkinMenuSeparator(const TSkinData& data, platform::Canvas& canvas, const TRect& r);
// The plain separator: an etched line 4 pixels below the item's top.
void DrawPlainMenuSeparator(platform::Canvas& canvas, const TRect& r);
// The height of a separator item in a skinned menu: half a menu row, as a
// standard menu's.
int MenuSeparatorHeight();
// Glyph or tick, caption and shortcut.
void DrawMenuItemContent(const TSkinData& data, const TSkinMenuItem& item, platform::Canvas& canvas,
                         bool selected, const TRect& r);
// One text of an item (an etched line for "-"); with DT_CALCRECT only
// measures into `r`. Returns the text's height.
int DrawMenuItemText(const TSkinData& data, const TSkinMenuItem& item, platform::Canvas& canvas,
                     unsigned flags, bool selected, TRect& r, QString text);

// A tool bar's background: the generated "Toolbar" gradient stretched over
// `r`, unless xoToolbarBK is in Options. True when drawn.
bool DrawToolBarBackground(const TSkinData& data, platform::Canvas& canvas, const TRect& r);

// The states of a tool button.
enum TToolButtonState : unsigned {
  tbsSelected = 0x1, tbsGrayed = 0x2, tbsDisabled = 0x4, tbsChecked = 0x8, tbsFocused = 0x10,
  tbsDefault = 0x20, tbsHot = 0x40
};
// The frame of the "Buttons" element a tool button of the main form (form
// kind 1) shows, unless xoToolbarButton is in Options: 2 selected, 4
// focused or hot, 1 default, 0 (the standard look) when grayed or disabled
// or without the element.
int ToolBarButtonFrame(const TSkinData& data, int formKind, unsigned state);
// The text colour the skin gives that frame (clNone when it gives none).
TColor ToolBarButtonFontColour(const TSkinData& data, int frame);
// The button's frame into its bounds less 1 pixel. True when drawn.
bool DrawToolBarButton(const TSkinData& data, int formKind, platform::Canvas& canvas,
                       const TRect& bounds, unsigned state);

}  // namespace skinning
