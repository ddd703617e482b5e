// Skinned menus: the menu painter a skin manager owns.
//
// Menus are Qt's: a main menu is a QMenuBar (its top line), a popup menu a
// QMenu, an item a QAction (its sub-menu the item's children). A hooked
// menu is "owner drawn": the painter's QProxyStyle (TacMenuStyle) is set on
// the menu widget, so Qt asks it for every item's size (CT_MenuItem,
// CT_MenuBarItem) and paints every item through it (CE_MenuItem,
// CE_MenuBarItem): what is painted and where Qt hits agree. A menu that has
// a style of its own (the application set one) keeps it: hooking sets only
// unassigned handlers and unhooking gives back only the painter's own
// (a menu whose style is no longer the painter's keeps the newer one).
//
// While a popup menu is hooked its animation is off: "maNone" is added to
// its dynamic property "MenuAnimation" (a list of names) and the style
// answers no fade; unhooking takes out only the "maNone" hooking added.
//
// Item kinds come from the caption: "-" a separator, "-Title-" a title,
// anything else (also "-x") a normal item. An item's image is its icon;
// a dynamic property "Break" (bool) on an item starts a new column, which
// is measured, though a Qt popup shows one column.
//
// Each shown popup gets one entry in the extra-line cache: its border
// image (MAINMENU background and border mask, the ICOLINE band behind the
// image column, the EXTRALINE band with its caption written upwards), its
// corner list, the popup window and whether it shows the band. The border
// image shapes the popup (setMask from its corner list) and is its frame
// (PE_FrameMenu, PM_MenuPanelWidth = BorderWidth). The cache empties when a
// popup hides. The manager's popup messages reach the painter whose style
// the popup wears (any manager's, default or not); a popup without a border
// image has one painted by that painter.
//
// Both painters draw an item the style shows without accelerator
// underlines (SH_UnderlineShortcut answered 0: the item says no
// accelerators, odNoAccel) without them, and blend a disabled item with
// what lies behind it; only an enabled item is hot.
//
// The manager's posted popup message $BCB3 carries a ticket
// (PostMenuItemPopup), never the bare item: an item gone before the message
// is handled is dropped, and so are the tickets of a popup that hides or
// goes. GUI thread only.
#pragma once

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Messages.h"
#include "platform/WinTypes.h"

#include <QPointer>
#include <QProxyStyle>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QMenu;
class QMenuBar;
class QStyleOptionMenuItem;
class TsSkinManager;

enum class TacMenuItemKind { Normal, Separator, Title };
// The kind a caption gives.
TacMenuItemKind MenuItemKind(const QString& caption);

enum TAlignment { taLeftJustify, taRightJustify, taCenter };

// Item states handed to OnDrawItem (odSelected etc., the system's bits).
inline constexpr unsigned odSelected = 0x1, odGrayed = 0x2, odDisabled = 0x4, odChecked = 0x8,
                          odDefault = 0x20, odHotLight = 0x40, odNoAccel = 0x100;

using TsMenuManagerDrawItemEvent = std::function<void(QAction* item, platform::Canvas& canvas,
                                                      const platform::TRect& rect, unsigned state,
                                                      TacMenuItemKind kind)>;

// One shown popup's extra line.
struct ExtraLineCacheEntry {
  QPointer<QAction> FirstItem;
  std::shared_ptr<platform::Bitmap> Bitmap;  // the popup's border image
  std::shared_ptr<QImage> Frame;             // the same, as the screen takes it
  QPointer<QWidget> PopupWindow;
  std::vector<platform::TRect> Corners;  // the border image's cut corners
  bool UseExtraLine = false;
  bool Found = false;  // false: a zeroed record
};

class TsSkinableMenus;

// The style a hooked menu wears; everything not a menu item goes to the
// application's style.
class TacMenuStyle : public QProxyStyle {
 public:
  explicit TacMenuStyle(TsSkinableMenus& menus);
  QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                         const QWidget* widget) const override;
  void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget) const override;
  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;
  int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override;
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returnData) const override;
  // The painter whose menus wear this style.
  TsSkinableMenus& Menus() const { return menus_; }

 private:
  TsSkinableMenus& menus_;
};

class TsSkinableMenus {
 public:
  explicit TsSkinableMenus(TsSkinManager* owner);
  ~TsSkinableMenus();
  TsSkinableMenus(const TsSkinableMenus&) = delete;
  TsSkinableMenus& operator=(const TsSkinableMenus&) = delete;

  // ---- published settings
  int Margin = 2;
  TAlignment Alignment = taLeftJustify;
  int BevelWidth = 0;  // stored only
  int BorderWidth = 3;
  platform::TFont CaptionFont;  // stored only
  int Spacing = 6;
  TsMenuManagerDrawItemEvent OnDrawItem;

  TsSkinManager* Manager() const { return manager_; }
  // MAINMENU's border mask's BorderWidth (3 when below 1), 0 without that
  // mask; computed again after every new skin (ResetSkinBorderWidth).
  int SkinBorderWidth();
  void ResetSkinBorderWidth() { skinBorderWidth_ = -1; }

  bool Active() const { return active_; }
  // Hooks (or unhooks) every menu of the application's widgets.
  void SetActive(bool value);
  // SetActive with the manager's skin-data active state.
  void UpdateMenusActive();

  void HookMenuItem(QAction* item, bool enable);
  void HookMainMenu(QMenuBar* menu, bool enable);
  void HookPopupMenu(QMenu* menu, bool enable);
  void HookMenuItemChildren(QAction* item, bool enable);
  // Whether the menu wears this painter's style.
  bool Hooks(const QWidget* menu) const;
  TacMenuStyle* Style() const { return style_.get(); }

  // ---- measuring
  // An item's image size (top line: none without an icon).
  QSize ImageSize(const QAction* item, bool topLine) const;
  QSize MeasureMenuLineItem(QAction* item, const QWidget* menuBar) const;
  QSize MeasurePopupItem(QAction* item, QMenu* menu);
  int ItemHeight(const QAction* item) const;
  int ExtraLineWidth(QMenu* menu);
  // All columns: widths (each + 12, maxed) summed with 4 per break; the
  // tallest column.
  int PopupWidth(QMenu* menu);
  int PopupHeight(QMenu* menu);
  // The font items are measured and drawn in (bold for the default item).
  platform::TFont MenuFont(const QAction* item) const;
  // The text an item is measured by.
  static QString MeasureText(const QAction* item);

  // ---- painting (false: the menu is not the painter's, Qt paints it)
  bool DrawPopupItem(QPainter& painter, const QStyleOptionMenuItem& option, QMenu* menu, QAction* item);
  bool DrawMenuLineItem(QPainter& painter, const QStyleOptionMenuItem& option, QWidget* menuBar, QAction* item);
  // The popup's border image as its frame.
  bool DrawPopupFrame(QPainter& painter, QMenu* menu);

  // ---- the extra line
  // By the popup window when no item is given, else by the item's menu's
  // first item; painted when missing and `paint`.
  ExtraLineCacheEntry GetExtraLineEntry(QAction* item, QWidget* popupWindow, bool paint);
  static void ClearExtraLineCache();
  // The popup's border image made and cached (the extra-line painter).
  ExtraLineCacheEntry PaintExtraLine(QMenu* menu);
  // Shapes the popup by its border image's corners (the entry's).
  void SetPopupWindowRegion(QWidget* popup, const ExtraLineCacheEntry& entry);
  // The corner rectangles of the last border image.
  const std::vector<platform::TRect>& CornerRects() const { return corners_; }

  // The registered MDI main form (MdiMainFormSeam) is an MDI form whose
  // active child is maximized, with a system menu and an icon: the menu
  // line then shows the child's buttons.
  bool IsMDIChildMaximized() const;

 private:
  struct ExtraLineQuery {
    bool Use = false;
    QString Caption;
    QString Section;
    std::unique_ptr<platform::Bitmap> Picture;
  };
  ExtraLineQuery QueryExtraLine(QMenu* menu);
  void HookPopupItems(QMenu* menu, bool enable);
  void UseStyle(QWidget* menu, bool enable);
  TsSkinManager* SkinManagerOrDefault() const;

  TsSkinManager* manager_;
  bool active_ = false;
  int skinBorderWidth_ = -1;
  bool regionBusy_ = false;
  std::vector<platform::TRect> corners_;
  std::unique_ptr<TacMenuStyle> style_;
};

// Library-wide values of the menu unit.
struct TacMenuGlobals {
  QString ExtraLineSection = QStringLiteral("EXTRALINE");
  QString ExtraLineCaption = QStringLiteral("Use OnGetExtraLineData event");
  bool QueryRunning = false;
  std::optional<platform::TFont> CustomMenuFont;  // none: the system's menu font
};
TacMenuGlobals& MenuGlobals();

// Posts $BCB3 for `item` to the application's window with a ticket;
// false when one is waiting already.
bool PostMenuItemPopup(QAction* item);
// The item of a ticket while it exists (nullptr: gone or unknown).
QAction* MenuItemOfTicket(platform::LPARAM ticket);
// The popups the painter watches and the requests waiting for their
// message: a popup that goes leaves the list, and its hide or end drops
// the requests of its items.
size_t WatchedPopupCount();
size_t WaitingMenuItemTickets();

// Seam of the form provider's menu line (not built yet): the image the
// provider painted its menu line into and the item's place in it, so that a
// top-line item is drawn over it. Empty: the top line is Qt's.
struct TacMenuLineImage {
  const platform::Bitmap* Image = nullptr;
  platform::TPoint Offset;
};
std::function<TacMenuLineImage(QWidget* menuBar)>& MenuLineImageSeam();
// Seam of the form provider (not built yet): the form its providers
// registered as the MDI main form; empty: none.
std::function<QWidget*()>& MdiMainFormSeam();

// The popup menus a component owns (its QMenu children, a frame's
// context menus among them) hooked when the manager skins popups, or
// unhooked. For adapters whose component owns menus (the frame adapter
// calls it when it is loaded and at a new skin).
void HookOwnedPopupMenus(TsSkinManager* manager, QObject* owner, bool enable);
