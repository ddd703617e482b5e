// The form provider and the skinned menus: the form's menus hooked
// (HookFormMenusSeam), the provider's menu-line image lent to the menu
// painter (MenuLineImageSeam), the MDI main form it registered
// (MdiMainFormSeam), and the line's items drawn by the painter when the
// form's menu bar is hooked.
#include "skinlib/adapters/sSkinProvider.h"

#include "platform/MenuLine.h"
#include "platform/Menus.h"
#include "platform/Startup.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/manager/sSkinMenus.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QStyleOptionMenuItem>

using namespace platform;

namespace {

// Main menus, their items and popup menus among the form's components.
void HookMenusOfForm(TsSkinProvider& provider, bool install) {
  QWidget* form = provider.Form();
  TsSkinManager* manager = provider.Manager();
  if (!form || !manager || !manager->IsDefault()) return;
  TsSkinableMenus& menus = manager->SkinableMenus();
  const bool popups = install && manager->SkinnedPopups();
  for (QMenuBar* bar : form->findChildren<QMenuBar*>()) {
    menus.HookMainMenu(bar, install && provider.DrawNonClientArea());
    for (QAction* item : bar->actions()) menus.HookMenuItemChildren(item, popups);
  }
  for (QMenu* menu : form->findChildren<QMenu*>()) {
    // Sub-menus go with the menu or item they belong to.
    bool sub = false;
    for (QObject* o : menu->menuAction()->associatedObjects())
      if (o != menu && (qobject_cast<QMenu*>(o) || qobject_cast<QMenuBar*>(o))) sub = true;
    if (!sub) menus.HookPopupMenu(menu, popups);
  }
}

TacMenuLineImage ProviderMenuLineImage(QWidget* menuBar) {
  QWidget* form = menuBar ? menuBar->window() : nullptr;
  TsSkinProvider* provider = ProviderOfForm(form);
  if (!provider || !provider->Skinned() || !provider->DrawNonClientArea() || GetMenu(form) != menuBar) return {};
  const Bitmap* cache = provider->SkinData() ? provider->SkinData()->CacheBitmap.get() : nullptr;
  const TRect line = GetMenuLineRect(form);
  if (!cache || line.Width() <= 0) return {};
  return {cache, {line.Left + provider->CacheShiftX(), line.Top + provider->CacheShiftY()}};
}

void StartProviderMenus() {
  HookFormMenusSeam() = &HookMenusOfForm;
  MenuLineImageSeam() = &ProviderMenuLineImage;
  MdiMainFormSeam() = [] { return MdiMainProvider ? MdiMainProvider->Form() : nullptr; };
}

void FinishProviderMenus() {
  HookFormMenusSeam() = nullptr;
  MenuLineImageSeam() = nullptr;
  MdiMainFormSeam() = nullptr;
}

[[maybe_unused]] const bool registered =
    RegisterUnit("sSkinProviderMenus", StartProviderMenus, FinishProviderMenus, {"sSkinProvider", "sSkinMenus"});

}  // namespace

bool TsSkinProvider::DrawSkinnedMenuLineItem(QAction* item, const TRect& rect, bool hot) {
  TsSkinManager* manager = Manager();
  QMenuBar* bar = form_ ? GetMenu(form_) : nullptr;
  if (!manager || !bar || !skinData_ || !skinData_->CacheBitmap || !manager->SkinableMenus().Hooks(bar)) return false;
  const TRect line = GetMenuLineRect(form_);
  const int w = rect.Width(), h = rect.Height();
  if (w <= 0 || h <= 0) return true;
  QStyleOptionMenuItem option;
  option.initFrom(bar);
  option.rect = QRect(rect.Left - line.Left, rect.Top - line.Top, w, h);
  option.text = item->text();
  option.menuItemType = QStyleOptionMenuItem::Normal;
  option.state = QStyle::State_None;
  if (item->isEnabled()) option.state |= QStyle::State_Enabled;
  if (hot) option.state |= QStyle::State_Selected;
  Bitmap& cache = *skinData_->CacheBitmap;
  cache.GetCanvas().EndPainting();
  Bitmap drawn(w, h, cache.PixelFormat());
  bool done = false;
  if (QPainter* p = drawn.GetCanvas().Painter()) {
    p->translate(-option.rect.left(), -option.rect.top());
    done = manager->SkinableMenus().DrawMenuLineItem(*p, option, bar, item);
  }
  drawn.GetCanvas().EndPainting();
  if (!done) return false;
  const int x = rect.Left + CacheShiftX(), y = rect.Top + CacheShiftY();
  for (int row = 0; row < h && y + row < cache.Height(); ++row) {
    if (y + row < 0) continue;
    const int bytes = cache.PixelFormat() == pf32bit ? 4 : 3;
    const int left = std::max(0, x), right = std::min(cache.Width(), x + w);
    if (right <= left) break;
    std::copy_n(drawn.ScanLine(row) + bytes * (left - x), bytes * (right - left), cache.ScanLine(y + row) + bytes * left);
  }
  return true;
}
