#include "skinlib/manager/sSkinMenus.h"

#include "platform/Blit.h"
#include "platform/Colors.h"
#include "platform/Mdi.h"
#include "platform/Menus.h"
#include "platform/Messages.h"
#include "platform/NonClient.h"
#include "platform/Startup.h"
#include "skinlib/manager/AlphaPainting.h"
#include "skinlib/manager/CommonDataSeams.h"
#include "skinlib/manager/FastBitmaps.h"
#include "skinlib/manager/LibraryMessageBox.h"
#include "skinlib/manager/ManagerSeams.h"
#include "skinlib/manager/MaskSlicing.h"
#include "skinlib/manager/SectionBackgrounds.h"
#include "skinlib/manager/sSkinManager.h"

#include <QApplication>
#include <QMenu>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPainter>
#include <QStyleOptionMenuItem>

#include <algorithm>
#include <map>
#include <optional>

using platform::Bitmap;
using platform::Canvas;
using platform::TColor;
using platform::TFont;
using platform::TPoint;
using platform::TRect;

namespace {

const char* const kAnimationProperty = "MenuAnimation";
const char* const kAnimationAdded = "acMenuAnimationOff";
const QString kNone = QStringLiteral("maNone");

std::vector<ExtraLineCacheEntry>& ExtraLineCache() {
  static std::vector<ExtraLineCacheEntry> cache;
  return cache;
}

// The popup menus the painter has connected to (their hide empties the
// cache), guarded as plain objects: a menu's end is told from the
// widget's destructor, when it is a menu no more.
std::vector<QPointer<QObject>>& WatchedPopups() {
  static std::vector<QPointer<QObject>> menus;
  return menus;
}

constexpr int kFrameBand = 16;
// A Break item's column edge.
constexpr int kBreakStrip = 4;

bool IsBreak(const QAction* item) { return item && item->property("Break").toBool(); }

QList<QAction*> VisibleItems(const QMenu* menu) {
  QList<QAction*> items;
  for (QAction* a : menu->actions())
    if (a->isVisible()) items.append(a);
  return items;
}

// The menu an item is shown in (the first popup, else the first bar).
QWidget* MenuOf(const QAction* item) {
  QWidget* bar = nullptr;
  for (QObject* o : item->associatedObjects()) {
    if (auto* m = qobject_cast<QMenu*>(o)) return m;
    if (!bar) bar = qobject_cast<QMenuBar*>(o);
  }
  return bar;
}

void ShowLibraryError(const std::exception& e) { ShowErrorBox(QString::fromUtf8(e.what())); }

// The item an option of Qt's stands for: by its text among the menu's
// visible items (items with the same caption measure alike).
QAction* ItemOfOption(const QStyleOptionMenuItem& option, const QWidget* widget) {
  const QList<QAction*> actions = widget->actions();
  const bool separator = option.menuItemType == QStyleOptionMenuItem::Separator;
  const QString text = option.text.section(u'\t', 0, 0);
  for (QAction* a : actions) {
    if (!a->isVisible()) continue;
    if (separator ? a->isSeparator() : (!a->isSeparator() && a->text().section(u'\t', 0, 0) == text)) return a;
  }
  return nullptr;
}

QString ShortcutText(const QAction* item) {
  const QString text = item->text();
  const qsizetype tab = text.indexOf(u'\t');
  if (tab >= 0) return text.mid(tab + 1);
  return item->shortcut().toString(QKeySequence::NativeText);
}

QString CaptionOf(const QAction* item) {
  if (item->isSeparator()) return QStringLiteral("-");
  return item->text().section(u'\t', 0, 0);
}

int TextWidthOf(const TFont& font, const QString& text) {
  Bitmap scratch(1, 1, platform::pf24bit);
  Canvas& c = scratch.GetCanvas();
  c.Font = font;
  TRect r{0, 0, 0, 0};
  c.DrawText(text, r, platform::DT_CALCRECT | platform::DT_NOCLIP | platform::DT_EXPANDTABS | platform::DT_SINGLELINE);
  return r.Right - r.Left;
}

int TextHeightOf(const TFont& font, const QString& text) {
  Bitmap scratch(1, 1, platform::pf24bit);
  Canvas& c = scratch.GetCanvas();
  c.Font = font;
  return c.TextHeight(text);
}

// Paints a section (or leaves the bitmap) and tells whether the skin has it.
// Over `fill`, or with `overOwnPixels` over what the bitmap holds already
// (a see-through section shows it).
bool PaintSection(Bitmap& bitmap, const QString& section, TColor fill, TsSkinManager* sm, int state,
                  bool overOwnPixels = false) {
  const int i = sm->IndexOfSection(section);
  if (!sm->IsValidSectionIndex(i)) return false;
  if (overOwnPixels) {
    const Bitmap behind = bitmap;
    PaintSectionByName(bitmap, section, QString(), &behind, fill, TPoint{0, 0}, sm, state);
  } else {
    PaintSectionByName(bitmap, section, QString(), nullptr, fill, TPoint{0, 0}, sm, state);
  }
  return true;
}

const TsMaskData* MaskOf(TsSkinManager* sm, const QString& section, const QString& mask) {
  const int i = sm->IndexOfMask(section, mask);
  return i >= 0 && i < int(sm->MaskData.size()) ? &sm->MaskData[size_t(i)] : nullptr;
}

const TsMaskData* GlobalMask(TsSkinManager* sm, const QString& name) {
  return MaskOf(sm, QStringLiteral("GLOBALINFO"), name);
}

TColor SectionFontColor(TsSkinManager* sm, const QString& section, bool hot) {
  const int i = sm->IndexOfSection(section);
  if (!sm->IsValidSectionIndex(i)) return platform::ColorToRGB(platform::clMenuText);
  const TsGeneralData& g = sm->GeneralData[size_t(i)];
  return hot ? g.HotFontColor[0] : g.FontColor[0];
}

// The system menu's glyphs: a bar, a box, a cross, two boxes; 10 pixels.
void DrawSystemGlyph(QPainter& p, unsigned command, const QRect& r, const QColor& color) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(QPen(color, 1));
  const QRect g(r.left(), r.top() + (r.height() - 10) / 2, 10, 10);
  switch (command) {
    case platform::SC_MINIMIZE: p.fillRect(QRect(g.left() + 1, g.bottom() - 2, 7, 2), color); break;
    case platform::SC_MAXIMIZE:
      p.drawRect(g.adjusted(0, 0, -1, -1));
      p.fillRect(QRect(g.left(), g.top(), 10, 2), color);
      break;
    case platform::SC_CLOSE:
      p.setPen(QPen(color, 2));
      p.drawLine(g.left() + 1, g.top() + 1, g.right() - 1, g.bottom() - 1);
      p.drawLine(g.right() - 1, g.top() + 1, g.left() + 1, g.bottom() - 1);
      break;
    case platform::SC_RESTORE:
      p.drawRect(QRect(g.left() + 3, g.top(), 6, 6));
      p.fillRect(QRect(g.left() + 3, g.top(), 7, 2), color);
      p.fillRect(QRect(g.left(), g.top() + 3, 7, 7), p.background());
      p.drawRect(QRect(g.left(), g.top() + 3, 6, 6));
      p.fillRect(QRect(g.left(), g.top() + 3, 7, 2), color);
      break;
    default: break;
  }
  p.restore();
}

// Tickets of posted $BCB3 requests: the item, and the popup it was
// posted for.
struct MenuItemTicket {
  QPointer<QAction> Item;
  QPointer<QObject> Popup;
};
std::map<platform::LPARAM, MenuItemTicket>& Tickets() {
  static std::map<platform::LPARAM, MenuItemTicket> tickets;
  return tickets;
}
platform::LPARAM nextTicket = 1;

// The tickets of `popup` (with nullptr those of no popup) dropped, and
// every ticket whose item or popup has gone.
void DropTickets(const QObject* popup) {
  std::erase_if(Tickets(), [popup](const auto& t) {
    const QObject* own = t.second.Popup.data();
    return !t.second.Item || !own || own == popup;
  });
}

// Connects to a popup once: its hide empties the extra-line cache, takes
// the painter's region off it and drops the requests of its items; its
// end drops it from the list.
void WatchPopup(QMenu* menu) {
  if (std::any_of(WatchedPopups().begin(), WatchedPopups().end(), [menu](const QPointer<QObject>& m) { return m == menu; }))
    return;
  WatchedPopups().emplace_back(menu);
  // Hidden, the popup is shaped and painted afresh when it shows again.
  QObject::connect(menu, &QMenu::aboutToHide, menu, [menu] {
    TsSkinableMenus::ClearExtraLineCache();
    if (dynamic_cast<TacMenuStyle*>(menu->style())) platform::SetWindowRgn(menu, std::nullopt, false);
    DropTickets(menu);
  });
  // A widget's end is told while its guards still see it.
  QObject::connect(menu, &QObject::destroyed, [](QObject* gone) {
    std::erase_if(WatchedPopups(), [gone](const QPointer<QObject>& m) {
      const QObject* own = m.data();
      return !own || own == gone;
    });
    DropTickets(gone);
  });
}

// The item says no accelerators (odNoAccel): their underlines are hidden.
bool NoAccelerators(const QStyleOptionMenuItem& option, const QWidget* menu) {
  // The style underlines accelerators only while they are to be shown.
  return menu->style()->styleHint(QStyle::SH_UnderlineShortcut, &option, menu) == 0;
}

// A disabled item blended with what lies behind it.
void BlendDisabled(Bitmap& item, const Bitmap& behind) {
  BlendRectByAlpha(item, behind, 255 * 6 / 10, TPoint{0, 0}, TRect{0, 0, item.Width(), item.Height()});
}

TsSkinableMenus* MenusOf(TsSkinManager* manager) {
  TsSkinManager* sm = manager ? manager : FirstSkinManager;
  return sm ? &sm->SkinableMenus() : nullptr;
}

}  // namespace

TacMenuGlobals& MenuGlobals() {
  static TacMenuGlobals globals;
  return globals;
}

std::function<QWidget*()>& MdiMainFormSeam() {
  static std::function<QWidget*()> seam;
  return seam;
}

std::function<TacMenuLineImage(QWidget*)>& MenuLineImageSeam() {
  static std::function<TacMenuLineImage(QWidget*)> seam;
  return seam;
}

TacMenuItemKind MenuItemKind(const QString& caption) {
  if (caption == QLatin1String("-")) return TacMenuItemKind::Separator;
  if (caption.size() > 1 && caption.front() == u'-' && caption.back() == u'-') return TacMenuItemKind::Title;
  return TacMenuItemKind::Normal;
}

bool PostMenuItemPopup(QAction* item) {
  if (!item) return false;
  DropTickets(nullptr);
  auto* popup = qobject_cast<QMenu*>(MenuOf(item));
  if (popup) WatchPopup(popup);
  const platform::LPARAM ticket = nextTicket++;
  Tickets()[ticket] = {item, popup};
  if (!PostPopupWindowMessage(kMenuItemPopupMsg, ticket)) {
    Tickets().erase(ticket);
    return false;
  }
  return true;
}

QAction* MenuItemOfTicket(platform::LPARAM ticket) {
  auto it = Tickets().find(ticket);
  if (it == Tickets().end()) return nullptr;
  QAction* item = it->second.Item.data();
  Tickets().erase(it);
  return item;
}

size_t WatchedPopupCount() { return WatchedPopups().size(); }

size_t WaitingMenuItemTickets() { return Tickets().size(); }

// ------------------------------------------------------------ the style

TacMenuStyle::TacMenuStyle(TsSkinableMenus& menus) : menus_(menus) {}

QSize TacMenuStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                     const QWidget* widget) const {
  const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
  if (item && widget && menus_.Hooks(widget)) {
    if (type == CT_MenuItem)
      if (auto* menu = qobject_cast<QMenu*>(const_cast<QWidget*>(widget)))
        if (QAction* a = ItemOfOption(*item, widget)) return menus_.MeasurePopupItem(a, menu);
    if (type == CT_MenuBarItem)
      if (QAction* a = ItemOfOption(*item, widget)) return menus_.MeasureMenuLineItem(a, widget);
  }
  return QProxyStyle::sizeFromContents(type, option, size, widget);
}

void TacMenuStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                               const QWidget* widget) const {
  const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
  if (item && widget && menus_.Hooks(widget)) {
    try {
      auto* w = const_cast<QWidget*>(widget);
      if (element == CE_MenuItem)
        if (auto* menu = qobject_cast<QMenu*>(w))
          if (QAction* a = menu->actionAt(item->rect.center()); a && menus_.DrawPopupItem(*painter, *item, menu, a))
            return;
      if (element == CE_MenuBarItem)
        if (auto* bar = qobject_cast<QMenuBar*>(w))
          if (QAction* a = bar->actionAt(item->rect.center()); a && menus_.DrawMenuLineItem(*painter, *item, bar, a))
            return;
      if (element == CE_MenuEmptyArea)
        if (auto* menu = qobject_cast<QMenu*>(w); menu && menus_.DrawPopupFrame(*painter, menu)) return;
    } catch (const std::exception& e) {
      ShowLibraryError(e);
      return;
    }
  }
  QProxyStyle::drawControl(element, option, painter, widget);
}

void TacMenuStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                                 const QWidget* widget) const {
  if ((element == PE_FrameMenu || element == PE_PanelMenu) && widget && menus_.Hooks(widget))
    if (auto* menu = qobject_cast<QMenu*>(const_cast<QWidget*>(widget))) {
      // Under the items only the frame and the empty area show: both come after them.
      if (element == PE_PanelMenu && menus_.Manager() && menus_.Manager()->Active()) return;
      try {
        if (menus_.DrawPopupFrame(*painter, menu)) return;
      } catch (const std::exception& e) {
        ShowLibraryError(e);
        return;
      }
    }
  QProxyStyle::drawPrimitive(element, option, painter, widget);
}

int TacMenuStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const {
  if (widget && qobject_cast<const QMenu*>(widget) && menus_.Hooks(widget)) {
    if (metric == PM_MenuPanelWidth) return menus_.BorderWidth;
    if (metric == PM_MenuHMargin || metric == PM_MenuVMargin) return 0;
  }
  return QProxyStyle::pixelMetric(metric, option, widget);
}

int TacMenuStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                            QStyleHintReturn* returnData) const {
  if (hint == SH_Menu_FadeOutOnHide && widget && menus_.Hooks(widget)) return 0;
  return QProxyStyle::styleHint(hint, option, widget, returnData);
}

// ------------------------------------------------------------ the painter

TsSkinableMenus::TsSkinableMenus(TsSkinManager* owner)
    : manager_(owner), style_(std::make_unique<TacMenuStyle>(*this)) {}

TsSkinableMenus::~TsSkinableMenus() {
  // Menus still wearing the style go back to the application's.
  for (QWidget* w : QApplication::allWidgets())
    if (w->testAttribute(Qt::WA_SetStyle) && w->style() == style_.get()) w->setStyle(nullptr);
  manager_ = nullptr;
}

TsSkinManager* TsSkinableMenus::SkinManagerOrDefault() const { return manager_ ? manager_ : FirstSkinManager; }

int TsSkinableMenus::SkinBorderWidth() {
  if (skinBorderWidth_ < 0) {
    TsSkinManager* sm = SkinManagerOrDefault();
    const TsMaskData* mask = sm ? MaskOf(sm, QStringLiteral("MAINMENU"), QStringLiteral("BORDERSMASK")) : nullptr;
    skinBorderWidth_ = mask ? (mask->BorderWidth < 1 ? 3 : mask->BorderWidth) : 0;
  }
  return skinBorderWidth_;
}

// ---- hooking

bool TsSkinableMenus::Hooks(const QWidget* menu) const {
  return menu && menu->testAttribute(Qt::WA_SetStyle) && menu->style() == style_.get();
}

void TsSkinableMenus::UseStyle(QWidget* menu, bool enable) {
  if (!menu) return;
  if (enable) {
    if (!menu->testAttribute(Qt::WA_SetStyle)) menu->setStyle(style_.get());
  } else if (Hooks(menu)) {
    menu->setStyle(nullptr);
  }
}

void TsSkinableMenus::HookMenuItem(QAction* item, bool enable) {
  if (!item) return;
  TsSkinManager* sm = SkinManagerOrDefault();
  const bool popups = sm && sm->SkinnedPopups();
  for (QObject* o : item->associatedObjects()) {
    if (auto* bar = qobject_cast<QMenuBar*>(o))
      UseStyle(bar, enable);
    else if (auto* menu = qobject_cast<QMenu*>(o))
      UseStyle(menu, enable && popups);
  }
}

void TsSkinableMenus::HookMainMenu(QMenuBar* menu, bool enable) {
  if (!menu) return;
  TsSkinManager* sm = SkinManagerOrDefault();
  const bool on = enable && sm && sm->SkinData && sm->SkinData->Active && sm->SkinnedPopups();
  UseStyle(menu, on);
}

void TsSkinableMenus::HookPopupItems(QMenu* menu, bool enable) {
  for (QAction* a : menu->actions())
    if (QMenu* sub = a->menu(); sub && sub != menu) {
      UseStyle(sub, enable);
      HookPopupItems(sub, enable);
    }
}

void TsSkinableMenus::HookPopupMenu(QMenu* menu, bool enable) {
  if (!menu) return;
  TsSkinManager* sm = SkinManagerOrDefault();
  const bool on = enable && sm && sm->SkinnedPopups();
  QStringList animation = menu->property(kAnimationProperty).toStringList();
  if (on) {
    if (!animation.contains(kNone)) {
      animation.append(kNone);
      menu->setProperty(kAnimationProperty, animation);
      menu->setProperty(kAnimationAdded, true);
    }
  } else if (menu->property(kAnimationAdded).toBool()) {
    animation.removeAll(kNone);
    menu->setProperty(kAnimationProperty, animation);
    menu->setProperty(kAnimationAdded, QVariant());
  }
  const bool wasHooked = Hooks(menu);
  UseStyle(menu, on);
  HookPopupItems(menu, on);
  if (!on && wasHooked) platform::SetWindowRgn(menu, std::nullopt, true);
  if (on) WatchPopup(menu);
}

void TsSkinableMenus::HookMenuItemChildren(QAction* item, bool enable) {
  if (!item || !item->menu()) return;
  TsSkinManager* sm = SkinManagerOrDefault();
  const bool on = enable && sm && sm->SkinnedPopups();
  UseStyle(item->menu(), on);
  HookPopupItems(item->menu(), on);
}

void TsSkinableMenus::SetActive(bool value) {
  if (value == active_) return;
  active_ = value;
  for (QWidget* w : QApplication::allWidgets()) {
    if (auto* bar = qobject_cast<QMenuBar*>(w)) {
      HookMainMenu(bar, value);
      for (QAction* top : bar->actions()) HookMenuItemChildren(top, value);
    } else if (auto* menu = qobject_cast<QMenu*>(w)) {
      // A sub-menu is hooked with the menu it belongs to.
      bool sub = false;
      for (QObject* o : menu->menuAction()->associatedObjects())
        if (o != menu && (qobject_cast<QMenu*>(o) || qobject_cast<QMenuBar*>(o))) sub = true;
      if (!sub) HookPopupMenu(menu, value);
    }
  }
}

void TsSkinableMenus::UpdateMenusActive() {
  TsSkinManager* sm = SkinManagerOrDefault();
  SetActive(sm && sm->SkinData && sm->SkinData->Active);
}

// ---- measuring

QSize TsSkinableMenus::ImageSize(const QAction* item, bool topLine) const {
  if (item && !item->icon().isNull()) {
    const QList<QSize> sizes = item->icon().availableSizes();
    return sizes.isEmpty() ? item->icon().actualSize(QSize(16, 16)) : sizes.front();
  }
  return topLine ? QSize(0, 0) : QSize(16, 16);
}

TFont TsSkinableMenus::MenuFont(const QAction* item) const {
  TFont font = MenuGlobals().CustomMenuFont ? *MenuGlobals().CustomMenuFont : platform::GetNonClientMetrics().lfMenuFont;
  if (item)
    if (auto* menu = qobject_cast<QMenu*>(MenuOf(item)); menu && menu->defaultAction() == item)
      font.Style |= platform::fsBold;
  return font;
}

QSize TsSkinableMenus::MeasureMenuLineItem(QAction* item, const QWidget*) const {
  QString caption = CaptionOf(item);
  caption.remove(u'&');
  int width = TextWidthOf(MenuFont(nullptr), caption);
  const QSize image = ImageSize(item, true);
  if (image.width() > 0) width += image.width() + 6;
  return {width, platform::GetSystemMetrics(platform::SM_CYMENU) - 1};
}

int TsSkinableMenus::ItemHeight(const QAction* item) const {
  const TacMenuItemKind kind = MenuItemKind(CaptionOf(item));
  if (kind == TacMenuItemKind::Separator) return 2;
  const int text = int(std::lround(TextHeightOf(MenuFont(item), QStringLiteral("W")) * 1.25));
  if (kind == TacMenuItemKind::Title) return text + 2 * Margin;
  return std::max(text, ImageSize(item, false).height()) + 2 * Margin;
}

QString TsSkinableMenus::MeasureText(const QAction* item) {
  const QString caption = CaptionOf(item);
  switch (MenuItemKind(caption)) {
    case TacMenuItemKind::Separator: return {};
    case TacMenuItemKind::Title: return u'-' + caption + u'-';
    case TacMenuItemKind::Normal: break;
  }
  return caption + ShortcutText(item);
}

TsSkinableMenus::ExtraLineQuery TsSkinableMenus::QueryExtraLine(QMenu* menu) {
  ExtraLineQuery q;
  TacMenuGlobals& g = MenuGlobals();
  const QList<QAction*> items = menu->actions();
  QAction* first = items.isEmpty() ? nullptr : items.front();
  if (g.QueryRunning || (first && first->objectName() == QLatin1String("SkinSelectItem"))) return q;
  TsSkinManager* sm = SkinManagerOrDefault();
  if (!sm) return q;
  g.QueryRunning = true;
  q.Section = g.ExtraLineSection;
  q.Caption = g.ExtraLineCaption;
  q.Use = true;
  // The application's handler runs inside Qt's measuring and painting: what
  // it throws is shown, and the popup goes without an extra line.
  try {
    if (sm->OnGetMenuExtraLineData) sm->OnGetMenuExtraLineData(first, q.Section, q.Caption, q.Picture, q.Use);
  } catch (const std::exception& e) {
    q.Use = false;
    ShowLibraryError(e);
  }
  g.QueryRunning = false;
  q.Caption.remove(u'&');
  if (!q.Use) q.Picture.reset();
  return q;
}

int TsSkinableMenus::ExtraLineWidth(QMenu* menu) {
  TsSkinManager* sm = SkinManagerOrDefault();
  if (!sm || !sm->MenuSupport().UseExtraLine || !menu) return 0;
  const QList<QAction*> items = menu->actions();
  if (items.isEmpty()) return 0;
  ExtraLineCacheEntry e = GetExtraLineEntry(items.front(), nullptr, false);
  const bool use = e.Found ? e.UseExtraLine : QueryExtraLine(menu).Use;
  return use ? sm->MenuSupport().ExtraLineWidth : 0;
}

QSize TsSkinableMenus::MeasurePopupItem(QAction* item, QMenu* menu) {
  const int textWidth = TextWidthOf(MenuFont(item), MeasureText(item));
  int width = 2 * ImageSize(item, false).width() + textWidth + 3 * Margin + Spacing;
  bool afterBreak = false;
  for (QAction* a : menu->actions()) {
    if (IsBreak(a)) afterBreak = true;
    if (a == item) break;
  }
  if (!afterBreak) width += ExtraLineWidth(menu);
  return {width, ItemHeight(item)};
}

int TsSkinableMenus::PopupWidth(QMenu* menu) {
  int total = 0, column = 0;
  for (QAction* a : VisibleItems(menu)) {
    if (IsBreak(a)) {
      total += column + 4;
      column = 0;
    }
    column = std::max(column, MeasurePopupItem(a, menu).width() + 12);
  }
  return total + column;
}

int TsSkinableMenus::PopupHeight(QMenu* menu) {
  int tallest = 0, column = 0;
  for (QAction* a : VisibleItems(menu)) {
    if (IsBreak(a)) {
      tallest = std::max(tallest, column);
      column = 0;
    }
    column += ItemHeight(a);
  }
  return std::max(tallest, column);
}

// ---- the extra line

void TsSkinableMenus::ClearExtraLineCache() { ExtraLineCache().clear(); }

ExtraLineCacheEntry TsSkinableMenus::GetExtraLineEntry(QAction* item, QWidget* popupWindow, bool paint) {
  QMenu* menu = nullptr;
  QAction* first = nullptr;
  if (item) {
    menu = qobject_cast<QMenu*>(MenuOf(item));
    if (menu && !menu->actions().isEmpty()) first = menu->actions().front();
  }
  for (const ExtraLineCacheEntry& e : ExtraLineCache())
    if (item ? (first && e.FirstItem == first) : (popupWindow && e.PopupWindow == popupWindow)) return e;
  if (!paint) return {};
  if (!menu && popupWindow) menu = qobject_cast<QMenu*>(popupWindow);
  if (!menu) return {};
  return PaintExtraLine(menu);
}

ExtraLineCacheEntry TsSkinableMenus::PaintExtraLine(QMenu* menu) {
  TsSkinManager* sm = SkinManagerOrDefault();
  ExtraLineCacheEntry entry;
  if (!sm || !menu) return entry;
  ExtraLineQuery q = QueryExtraLine(menu);
  const int sbw = SkinBorderWidth();
  int w = menu->width(), h = menu->height();
  if (w <= 1 || h <= 1) {
    w = PopupWidth(menu) + 2 * BorderWidth;
    h = PopupHeight(menu) + 2 * BorderWidth;
  }
  // In the screen's format: its copy to the screen needs no conversion.
  auto image = std::make_shared<Bitmap>(w, h, platform::pfDevice);
  const TColor back = platform::FromQColor(menu->palette().color(QPalette::Window));
  const TsMaskData* border = MaskOf(sm, QStringLiteral("MAINMENU"), QStringLiteral("BORDERSMASK"));
  // The section paints every pixel (over the fill colour); without one the
  // fill colour is the body.
  const bool body = PaintSection(*image, QStringLiteral("MAINMENU"), back, sm, 0);
  if (!body) {
    Canvas& c = image->GetCanvas();
    c.Brush.Color = back;
    c.FillRect(TRect{0, 0, w, h});
  }
  if (body) {
    const QString icoLine = sm->MenuSupport().IcoLineSkin;
    if (!icoLine.isEmpty() && sm->IsValidSectionIndex(sm->IndexOfSection(icoLine))) {
      int column = 0;
      for (QAction* a : VisibleItems(menu)) column = std::max(column, ImageSize(a, false).width());
      const int bandW = column + 2 * Margin, bandH = h - 2 * sbw;
      if (bandW > 0 && bandH > 0) {
        Bitmap band(bandW, bandH, platform::pf24bit);
        PaintSection(band, icoLine, back, sm, 0);
        const int x = BorderWidth + (q.Use && sm->MenuSupport().UseExtraLine ? sm->MenuSupport().ExtraLineWidth : 0);
        platform::BitBlt(*image, x, sbw, bandW, bandH, band, 0, 0);
      }
    }
    if (border) {
      const TsBgSource self{image.get(), 0, 0, back, true};
      PaintMaskRect(*image, TRect{0, 0, w, h}, false, self, *border, 0, true);
    }
  }
  const bool shows = sm->MenuSupport().UseExtraLine && q.Use;
  if (shows && sm->IsValidSectionIndex(sm->IndexOfSection(q.Section))) {
    const int bandW = sm->MenuSupport().ExtraLineWidth, bandH = h - 2 * sbw;
    if (bandW > 0 && bandH > 0) {
      Bitmap band(bandW, bandH, platform::pf24bit);
      PaintSection(band, q.Section, back, sm, 0);
      int textBottom = bandH - 12;
      if (q.Picture && !q.Picture->Empty()) {
        const int pw = q.Picture->Width(), ph = q.Picture->Height();
        platform::BitBlt(band, (bandW - pw) / 2, bandH - 12 - ph, pw, ph, *q.Picture, 0, 0);
        textBottom = bandH - ph - 20;
      }
      if (textBottom > 0 && !q.Caption.isEmpty()) {
        TFont font = sm->MenuSupport().ExtraLineFont;
        font.Style &= ~unsigned(platform::fsBold);
        QFont qf = platform::ToQFont(font);
        qf.setWeight(QFont::Normal);
        QPainter* p = band.GetCanvas().Painter();
        if (p) {
          p->save();
          p->setFont(qf);
          p->setPen(platform::ToQColor(SectionFontColor(sm, q.Section, false)));
          // Upwards: the text runs from the area's bottom to its top.
          p->translate(0, textBottom);
          p->rotate(-90);
          p->drawText(QRect(0, 0, textBottom, bandW), Qt::AlignCenter | Qt::TextSingleLine, q.Caption);
          p->restore();
        }
      }
      platform::BitBlt(*image, sbw, sbw, bandW, bandH, band, 0, 0);
    }
  }
  corners_.clear();
  if (border) {
    AddTransparentCornerRects(corners_, w, *border, false, 0);
    AddTransparentCornerRects(corners_, w, *border, true, h - border->WB);
  }
  entry.FirstItem = menu->actions().isEmpty() ? nullptr : menu->actions().front();
  entry.Bitmap = image;
  // Shared with the bitmap's pixels (a later write to either detaches them).
  entry.Frame = std::make_shared<QImage>(image->ConstImage());
  entry.PopupWindow = menu;
  entry.UseExtraLine = shows;
  entry.Found = true;
  ExtraLineCache().push_back(entry);
  return entry;
}

void TsSkinableMenus::SetPopupWindowRegion(QWidget* popup, const Bitmap* bitmap) {
  if (regionBusy_ || !popup || !bitmap) return;
  if (platform::SendMessage(popup, SkinCommandMsg, platform::MAKEWPARAM(0, acSetUpdating), 0) == 0)
    platform::SendMessage(popup, SkinCommandMsg, platform::MAKEWPARAM(0, acMenuRegion), 0);
  regionBusy_ = true;
  QRegion region(0, 0, bitmap->Width(), bitmap->Height());
  if (corners_.empty()) region -= QRegion(0, 0, 1, 1);
  for (const TRect& r : corners_) region -= QRegion(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
  platform::SetWindowRgn(popup, region, true);
  regionBusy_ = false;
}

bool TsSkinableMenus::IsMDIChildMaximized() const {
  QWidget* form = MdiMainFormSeam() ? MdiMainFormSeam()() : nullptr;
  if (!form || platform::GetFormStyle(form) != platform::fsMDIForm) return false;
  QMdiArea* client = platform::MdiClient(form);
  QMdiSubWindow* child = client ? client->activeSubWindow() : nullptr;
  if (!child || !child->isMaximized()) return false;
  const QWidget* childForm = child->widget() ? child->widget() : child;
  return (child->windowFlags() & Qt::WindowSystemMenuHint) && !childForm->windowIcon().isNull();
}

// ---- painting

bool TsSkinableMenus::DrawPopupFrame(QPainter& painter, QMenu* menu) {
  TsSkinManager* sm = SkinManagerOrDefault();
  if (!sm || !sm->Active() || menu->actions().isEmpty()) return false;
  ExtraLineCacheEntry e = GetExtraLineEntry(menu->actions().front(), nullptr, true);
  if (!e.Frame) return false;
  // Only what the clip lets through (the border strips, the empty area):
  // one blit of the whole image through a clip region costs far more.
  const QRect all(QPoint(0, 0), e.Frame->size());
  if (!painter.hasClipping()) {
    painter.drawImage(0, 0, *e.Frame);
    return true;
  }
  // Tall strips go in bands of a few rows: the raster engine hands a tall
  // blit to its thread pool, which costs a narrow strip more than it saves.
  const QRegion clip = painter.clipRegion();
  for (const QRect& r : clip) {
    const QRect part = r & all;
    for (int y = part.top(); y <= part.bottom(); y += kFrameBand) {
      const QRect band(part.left(), y, part.width(), std::min(kFrameBand, part.bottom() + 1 - y));
      painter.drawImage(band.topLeft(), *e.Frame, band);
    }
  }
  return true;
}

bool TsSkinableMenus::DrawPopupItem(QPainter& painter, const QStyleOptionMenuItem& option, QMenu* menu,
                                    QAction* item) {
  TsSkinManager* sm = SkinManagerOrDefault();
  if (!sm || !sm->Active()) return false;
  const QList<QAction*> visible = VisibleItems(menu);
  const bool firstItem = !visible.isEmpty() && visible.front() == item;
  ExtraLineCacheEntry entry = GetExtraLineEntry(item, nullptr, true);
  // The popup is shaped after this paint, once per showing.
  QRegion shaped;
  if (firstItem && entry.Bitmap && entry.PopupWindow && platform::GetWindowRgn(menu, shaped) == 0)
    PostMenuItemPopup(item);

  bool beforeBreak = true;
  for (QAction* a : menu->actions()) {
    if (IsBreak(a)) beforeBreak = false;
    if (a == item) break;
  }
  const int extra = entry.UseExtraLine && beforeBreak ? sm->MenuSupport().ExtraLineWidth : 0;
  const QRect full = option.rect;
  const int w = full.width() - extra, h = full.height();
  if (w <= 0 || h <= 0) return true;
  const bool enabled = option.state & QStyle::State_Enabled;
  const bool selected = option.state & QStyle::State_Selected;
  const bool noAccel = NoAccelerators(option, menu);
  const int state = enabled && selected ? 1 : 0;
  const TColor back = platform::FromQColor(menu->palette().color(QPalette::Window));

  // In the screen's own format: painted text and the copy to the menu
  // need no conversion.
  Bitmap bmp(w, h, platform::pfDevice);
  if (entry.Bitmap) platform::BitBlt(bmp, 0, 0, w, h, *entry.Bitmap, full.left() + extra, full.top());
  else {
    Canvas& c = bmp.GetCanvas();
    c.Brush.Color = back;
    c.FillRect(TRect{0, 0, w, h});
  }
  const QString caption = CaptionOf(item);
  const TacMenuItemKind kind = MenuItemKind(caption);
  const QSize image = ImageSize(item, false);
  Canvas& c = bmp.GetCanvas();
  if (kind == TacMenuItemKind::Separator) {
    const int x = Margin + Spacing;
    const TsMaskData* divider = MaskOf(sm, QStringLiteral("DIVIDERV"), QStringLiteral("BORDERSMASK"));
    if (divider && w - x > 0) {
      const TsBgSource self{&bmp, 0, 0, back, true};
      PaintMaskRect(bmp, TRect{x, 0, w, h}, true, self, *divider, 0, true);
    } else if (w - x > 0) {
      c.Brush.Color = platform::ColorToRGB(platform::clBtnShadow);
      c.FillRect(TRect{x, 0, w, 1});
      c.Brush.Color = platform::ColorToRGB(platform::clBtnHighlight);
      c.FillRect(TRect{x, 1, w, 2});
    }
  } else {
    PaintSection(bmp, kind == TacMenuItemKind::Title ? QStringLiteral("TOOLBAR") : QStringLiteral("MENUITEM"),
                 back, sm, kind == TacMenuItemKind::Title ? 0 : state, entry.Bitmap != nullptr);
    // The image column (mirrored at the right edge in right-to-left menus).
    const bool mirrored = menu->layoutDirection() == Qt::RightToLeft;
    const QRect imageRect(mirrored ? w - Margin - image.width() : Margin, (h - image.height()) / 2, image.width(),
                          image.height());
    const bool checked = option.checked && option.checkType != QStyleOptionMenuItem::NotCheckable;
    QPainter* p = c.Painter();
    if (!item->icon().isNull()) {
      if (checked) {
        Bitmap pressed(image.width() + 2, image.height() + 2, platform::pf24bit);
        platform::BitBlt(pressed, 0, 0, pressed.Width(), pressed.Height(), bmp, imageRect.left() - 1, imageRect.top() - 1);
        if (PaintSection(pressed, QStringLiteral("SPEEDBUTTON_SMALL"), back, sm, 2))
          platform::BitBlt(bmp, imageRect.left() - 1, imageRect.top() - 1, pressed.Width(), pressed.Height(), pressed, 0, 0);
        p = c.Painter();
      }
      if (p)
        item->icon().paint(p, imageRect, Qt::AlignCenter, enabled ? QIcon::Normal : QIcon::Disabled);
    } else if (checked) {
      const bool radio = option.checkType == QStyleOptionMenuItem::Exclusive;
      const TsMaskData* mark = GlobalMask(sm, radio ? QStringLiteral("RADIOCHECKED") : QStringLiteral("CHECK"));
      if (!mark) mark = GlobalMask(sm, QStringLiteral("BOXCHECKED"));
      if (mark) {
        const int mh = mark->R.Height() / std::max<int>(1, mark->MaskType + 1);
        const int mw = mark->R.Width() / std::max<int>(1, mark->ImageCount);
        const TsBgSource self{&bmp, 0, 0, back, true};
        PaintMaskGlyph(bmp, TPoint{mirrored ? w - Margin - mw : Margin, (h - mh) / 2}, 0, 1, *mark, self);
      }
    } else if (menu->objectName() == QLatin1String("SysMenu") && p) {
      const unsigned command = platform::GetCommandId(item);
      const QRect glyph(menu->layoutDirection() == Qt::RightToLeft ? w - 16 : 4, 0, 10, h);
      DrawSystemGlyph(*p, command, glyph, platform::ToQColor(SectionFontColor(sm, QStringLiteral("MENUITEM"), state == 1)));
    }
    // The caption.
    TFont font = MenuFont(item);
    font.Color =
        SectionFontColor(sm, QStringLiteral("MENUITEM"), state == 1 || (enabled && (option.state & QStyle::State_MouseOver)));
    c.Font = font;
    c.SetBkMode(platform::TRANSPARENT);
    const bool rtl = menu->layoutDirection() == Qt::RightToLeft;
    TRect textRect{0, 0, w, h};
    const int shift = image.width() + 2 * Margin + Spacing;
    if (rtl)
      textRect.Right -= shift;
    else
      textRect.Left += shift;
    unsigned flags = platform::DT_VCENTER | platform::DT_SINGLELINE | platform::DT_EXPANDTABS | platform::DT_NOCLIP;
    QString text = caption;
    if (kind == TacMenuItemKind::Title) {
      text = caption.mid(1, caption.size() - 2);
      textRect = TRect{0, 0, w, h};
      flags = platform::DT_CENTER | platform::DT_VCENTER | platform::DT_SINGLELINE | platform::DT_HIDEPREFIX;
    } else if (!text.isEmpty() && text.front() == QChar(8)) {
      text.remove(0, 1);
      flags |= platform::DT_RIGHT;
    } else {
      flags |= Alignment == taRightJustify ? platform::DT_RIGHT : Alignment == taCenter ? platform::DT_CENTER
                                                                                        : platform::DT_LEFT;
    }
    if (rtl) flags |= platform::DT_RIGHT;
    if (noAccel) flags |= platform::DT_HIDEPREFIX;
    c.DrawText(text, textRect, flags);
    const QString shortcut = kind == TacMenuItemKind::Normal ? ShortcutText(item) : QString();
    if (!shortcut.isEmpty()) {
      TRect sr{0, 0, w - 8, h};
      if (rtl) sr = TRect{6, 0, w, h};
      c.DrawText(shortcut, sr, (rtl ? platform::DT_LEFT : platform::DT_RIGHT) | platform::DT_VCENTER | platform::DT_SINGLELINE);
    }
  }
  if (OnDrawItem) {
    unsigned st = 0;
    if (selected) st |= odSelected;
    if (!enabled) st |= odDisabled | odGrayed;
    if (option.checked) st |= odChecked;
    if (menu->defaultAction() == item) st |= odDefault;
    if (noAccel) st |= odNoAccel;
    try {
      OnDrawItem(item, c, TRect{0, 0, w, h}, st, kind);
    } catch (const std::exception& e) {
      ShowLibraryError(e);
    }
  }
  if (!enabled && kind != TacMenuItemKind::Separator && entry.Bitmap) {
    // Blended with the background at 0.4.
    Bitmap behind(w, h, platform::pfDevice);
    platform::BitBlt(behind, 0, 0, w, h, *entry.Bitmap, full.left() + extra, full.top());
    BlendDisabled(bmp, behind);
  }
  if (entry.Bitmap) {
    // A column's edges: a Break item's left strip, and the right strip of
    // the item before a Break, show the popup's border image.
    const QList<QAction*> items = VisibleItems(menu);
    const qsizetype at = items.indexOf(item);
    const bool beforeBreak = at >= 0 && at + 1 < items.size() && IsBreak(items[at + 1]);
    const int strip = std::min(kBreakStrip, w);
    if (IsBreak(item)) platform::BitBlt(bmp, 0, 0, strip, h, *entry.Bitmap, full.left() + extra, full.top());
    if (beforeBreak)
      platform::BitBlt(bmp, w - strip, 0, strip, h, *entry.Bitmap, full.left() + extra + w - strip, full.top());
  }
  if (extra > 0 && entry.Frame) painter.drawImage(QPoint(full.left(), full.top()), *entry.Frame, QRect(full.left(), full.top(), extra, h));
  painter.drawImage(full.left() + extra, full.top(), bmp.ConstImage());
  return true;
}

bool TsSkinableMenus::DrawMenuLineItem(QPainter& painter, const QStyleOptionMenuItem& option, QWidget* menuBar,
                                       QAction* item) {
  TsSkinManager* sm = SkinManagerOrDefault();
  if (!sm || !sm->Active() || !MenuLineImageSeam()) return false;
  const TacMenuLineImage line = MenuLineImageSeam()(menuBar);
  if (!line.Image) return false;  // no form provider: Qt paints the line
  const QRect r = option.rect;
  if (r.width() <= 0 || r.height() <= 0) return true;
  Bitmap bmp(r.width(), r.height(), platform::pf24bit);
  platform::BitBlt(bmp, 0, 0, r.width(), r.height(), *line.Image, line.Offset.X + r.left(), line.Offset.Y + r.top());
  const bool enabled = option.state & QStyle::State_Enabled;
  // What a disabled item is blended with (the line as it was).
  const std::optional<Bitmap> behind = enabled ? std::nullopt : std::optional<Bitmap>(bmp);
  const bool noAccel = NoAccelerators(option, menuBar);
  const bool hot = enabled && (option.state & (QStyle::State_Selected | QStyle::State_Sunken));
  const TColor back = platform::FromQColor(menuBar->palette().color(QPalette::Window));
  PaintSection(bmp, QStringLiteral("MENUITEM"), back, sm, hot ? 1 : 0, true);
  Canvas& c = bmp.GetCanvas();
  const QSize image = ImageSize(item, true);
  const bool mirrored = menuBar->layoutDirection() == Qt::RightToLeft;
  if (image.width() > 0)
    if (QPainter* p = c.Painter())
      item->icon().paint(p, QRect(mirrored ? r.width() - 3 - image.width() : 3, (r.height() - image.height()) / 2,
                                  image.width(), image.height()));
  TFont font = MenuFont(nullptr);
  font.Color = SectionFontColor(sm, QStringLiteral("MENUITEM"), hot);
  c.Font = font;
  c.SetBkMode(platform::TRANSPARENT);
  const int past = image.width() > 0 ? image.width() + 3 : 0;
  TRect tr{Margin + (mirrored ? 0 : past), 0, r.width() - Margin - (mirrored ? past : 0), r.height()};
  unsigned flags = platform::DT_CENTER | platform::DT_VCENTER | platform::DT_SINGLELINE | platform::DT_EXPANDTABS |
                   platform::DT_NOCLIP;
  if (Alignment == taRightJustify) flags |= platform::DT_RIGHT;
  if (noAccel) flags |= platform::DT_HIDEPREFIX;
  c.DrawText(CaptionOf(item), tr, flags);
  if (OnDrawItem) {
    try {
      const unsigned state = (hot ? odSelected : 0) | (enabled ? 0 : odDisabled | odGrayed) | (noAccel ? odNoAccel : 0);
      OnDrawItem(item, c, TRect{0, 0, r.width(), r.height()}, state, TacMenuItemKind::Normal);
    } catch (const std::exception& e) {
      ShowLibraryError(e);
    }
  }
  if (behind) BlendDisabled(bmp, *behind);
  painter.drawImage(r.topLeft(), bmp.ConstImage());
  return true;
}

void HookOwnedPopupMenus(TsSkinManager* manager, QObject* owner, bool enable) {
  TsSkinableMenus* menus = MenusOf(manager);
  if (!menus || !owner) return;
  TsSkinManager* sm = menus->Manager() ? menus->Manager() : FirstSkinManager;
  const bool on = enable && sm && sm->Active() && sm->SkinnedPopups();
  for (QMenu* menu : owner->findChildren<QMenu*>(Qt::FindDirectChildrenOnly)) menus->HookPopupMenu(menu, on);
}

// ------------------------------------------------------------ the unit

namespace {

void StartSkinMenus() {
  ManagerSeams().ResetMenuSection = [](TsSkinManager* manager) {
    if (TsSkinableMenus* menus = MenusOf(manager)) {
      menus->ResetSkinBorderWidth();
      TsSkinableMenus::ClearExtraLineCache();
    }
  };
  ManagerSeams().SetMenusActive = [](TsSkinManager* manager, bool active) {
    if (TsSkinableMenus* menus = MenusOf(manager)) menus->SetActive(active);
  };
  ManagerSeams().MenuItemScreenRect = [](platform::LPARAM ticket, TRect& screen) {
    QAction* item = MenuItemOfTicket(ticket);
    if (!item) return false;  // gone meanwhile
    QWidget* menu = MenuOf(item);
    if (!menu || !menu->isVisible()) return false;
    QRect r;
    if (auto* popup = qobject_cast<QMenu*>(menu))
      r = popup->actionGeometry(item);
    else if (auto* bar = qobject_cast<QMenuBar*>(menu))
      r = bar->actionGeometry(item);
    if (r.isEmpty()) return false;
    const QPoint tl = menu->mapToGlobal(r.topLeft());
    screen = TRect{tl.x(), tl.y(), tl.x() + r.width(), tl.y() + r.height()};
    return true;
  };
  ManagerSeams().HandlePopupWindow = [](TsSkinManager* manager, QWidget* popup) {
    TsSkinableMenus* menus = MenusOf(manager);
    if (!menus || !popup) return;
    ExtraLineCacheEntry e = menus->GetExtraLineEntry(nullptr, popup, true);
    if (e.Bitmap) menus->SetPopupWindowRegion(popup, e.Bitmap.get());
  };
  CommonDataSeams().HookPopupMenu = [](TsSkinManager* manager, QObject* menu, bool enable) {
    if (TsSkinableMenus* menus = MenusOf(manager))
      if (auto* popup = qobject_cast<QMenu*>(menu)) menus->HookPopupMenu(popup, enable);
  };
}

void FinishSkinMenus() {
  ManagerSeams().ResetMenuSection = nullptr;
  ManagerSeams().SetMenusActive = nullptr;
  ManagerSeams().MenuItemScreenRect = nullptr;
  ManagerSeams().HandlePopupWindow = nullptr;
  CommonDataSeams().HookPopupMenu = nullptr;
  TsSkinableMenus::ClearExtraLineCache();
  Tickets().clear();
  MenuGlobals() = {};
}

[[maybe_unused]] const bool registered =
    platform::RegisterUnit("sSkinMenus", StartSkinMenus, FinishSkinMenus, {"SectionBackgrounds"});

}  // namespace
