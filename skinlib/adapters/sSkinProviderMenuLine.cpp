// The form provider's menu line: the rows of the form's menu bar in the
// band under the title, painted from the skin into the cache.
#include "skinlib/adapters/sSkinProvider.h"

#include "platform/Colors.h"
#include "platform/Mdi.h"
#include "skinlib/manager/AlphaPainting.h"
#include "skinlib/manager/MaskSlicing.h"
#include "skinlib/manager/SkinMasks.h"
#include "skinlib/manager/SkinOptions.h"
#include "platform/MenuLine.h"
#include "platform/Menus.h"
#include "platform/NonClient.h"
#include "platform/WindowTable.h"
#include "skinlib/manager/LibraryUtils.h"
#include "skinlib/manager/SectionBackgrounds.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>
#include <QStyle>
#include <QFontMetrics>
#include <QMenuBar>

#include <algorithm>

using namespace platform;

namespace {

bool HasVisibleItem(const QMenuBar* bar) {
  if (!bar) return false;
  for (const QAction* a : bar->actions())
    if (a->isVisible() && !a->isSeparator()) return true;
  return false;
}

}  // namespace

// The rows of the line: items left to right, a new row when the next item
// passes the room left of the form's width; never an empty row for an
// item wider than the line. Rectangles are relative to the line's corner.
int LayoutMenuRows(const std::vector<int>& widths, int room, int itemHeight, std::vector<QRect>* rects) {
  int x = 0, row = 0;
  if (rects) rects->assign(widths.size(), QRect());
  for (size_t i = 0; i < widths.size(); ++i) {
    if (x > 0 && x + widths[i] > room) {
      x = 0;
      ++row;
    }
    if (rects) (*rects)[i] = QRect(x, row * itemHeight, widths[i], itemHeight);
    x += widths[i];
  }
  return widths.empty() ? 0 : row + 1;
}

QWidget* TsSkinProvider::MaximizedMdiChild() const {
  if (!form_ || GetFormStyle(form_) != fsMDIForm) return nullptr;
  QMdiArea* area = MdiClient(form_);
  QMdiSubWindow* child = area ? area->activeSubWindow() : nullptr;
  return child && child->isMaximized() ? child : nullptr;
}

bool TsSkinProvider::MDIButtonsVisible() const {
  QWidget* child = MaximizedMdiChild();
  return child && (MdiChildFlags(qobject_cast<const QMdiSubWindow*>(child)) & Qt::WindowSystemMenuHint) && MenuVisible() &&
         MenuItemHeight() > 0;
}

TRect TsSkinProvider::MdiButtonRect(int hitCode) const {
  if (hitCode < 101 || hitCode > 103 || !MDIButtonsVisible()) return {};
  const TsMaskData* mask = Mask(buttons_[size_t(4 + (103 - hitCode))].ImageIndex);
  if (!mask || mask->ImageCount <= 0) return {};
  const int w = mask->Bmp ? mask->Bmp->Width() / mask->ImageCount : MaskImageWidth(*mask);
  const int h = mask->Bmp ? mask->Bmp->Height() / 2 : mask->R.Height() / (mask->MaskType + 1);
  const TRect line = GetMenuLineRect(form_);
  const int k = hitCode - 100;  // 3 minimize, 2 restore, 1 close
  const int left = form_->width() - SystemBorderWidth() - k * (w + 1);
  const int top = line.Top + (MenuItemHeight() - h) / 2;
  return {left, top, left + w, top + h};
}

TRect TsSkinProvider::MdiChildIconRect() const {
  if (!MDIButtonsVisible()) return {};
  const TRect line = GetMenuLineRect(form_);
  const int size = std::max(0, MenuItemHeight() - 2);
  const int left = SystemBorderWidth() + 1;
  return {left, line.Top + 1, left + size, line.Top + 1 + size};
}

bool TsSkinProvider::MenuVisible() const {
  if (!form_) return false;
  const TacFormInfo f = ReadFormInfo();
  if (f.BorderStyle == bsDialog || f.MdiChild) return false;
  return HasVisibleItem(GetMenu(form_));
}

int TsSkinProvider::MenuItemHeight() const {
  return form_ && GetMenu(form_) ? GetSystemMetrics(SM_CYMENU) - 1 : 0;
}

int TsSkinProvider::MenuRowCount() {
  if (menuRowCount_ >= 0) return menuRowCount_;
  QMenuBar* bar = form_ ? GetMenu(form_) : nullptr;
  if (!bar || !MenuVisible()) return menuRowCount_ = 0;
  const QFontMetrics metrics(ToQFont(GetNonClientMetrics().lfMenuFont));
  std::vector<int> widths;
  for (const QAction* a : bar->actions())
    if (a->isVisible() && !a->isSeparator())
      widths.push_back(metrics.horizontalAdvance(QString(a->text()).remove(QLatin1Char('&'))) + 2 * kMenuLinePadding);
  const int b = SystemBorderWidth();
  menuRowCount_ = LayoutMenuRows(widths, form_->width() - 3 * b, MenuItemHeight(), nullptr);
  return menuRowCount_;
}

int TsSkinProvider::MenuLineSectionIndex() const {
  TsSkinManager* manager = Manager();
  if (!manager) return -1;
  if (!menuLineSkin_.isEmpty()) {
    const int i = manager->IndexOfSection(menuLineSkin_);
    if (i >= 0) return i;
  }
  return manager->IndexOfSection(QStringLiteral("MENULINE"));
}

void TsSkinProvider::InstallMenuLineLayout(bool on) {
  if (!form_) return;
  if (!on) {
    SetMenuLineLayout(form_, {});
    return;
  }
  QPointer<TsSkinProvider> self(this);
  SetMenuLineLayout(form_, [self](const QList<QAction*>& items, int width, std::vector<QRect>* rects) {
    if (!self || !self->form_) return 0;
    const QFontMetrics metrics(ToQFont(GetNonClientMetrics().lfMenuFont));
    std::vector<int> widths;
    for (const QAction* a : items)
      widths.push_back(metrics.horizontalAdvance(QString(a->text()).remove(QLatin1Char('&'))) + 2 * kMenuLinePadding);
    // The line starts at the left border; a row ends a border short of
    // the right one. A maximized MDI child's icon and buttons take their
    // room at either end.
    int lead = 0, room = width - self->SystemBorderWidth();
    self->mdiButtonsLaidOut_ = self->MDIButtonsVisible();
    if (self->mdiButtonsLaidOut_) {
      lead = self->MenuItemHeight();
      room -= lead + 3 * (self->MenuItemHeight() + 1);
    }
    const int rows = LayoutMenuRows(widths, room, self->MenuItemHeight(), rects);
    if (lead && rects)
      for (QRect& r : *rects)
        if (r.top() == 0) r.translate(lead, 0);
    self->menuRowCount_ = rows;
    return rows * self->MenuItemHeight();
  });
}

void TsSkinProvider::PaintMenuLine() {
  TsSkinManager* manager = Manager();
  if (!form_ || !manager || !skinData_->CacheBitmap || !MenuVisible() || MenuItemHeight() <= 0) return;
  // A child maximized or restored since the line was laid out: its icon
  // and buttons come or go, so the items move.
  if (MDIButtonsVisible() != mdiButtonsLaidOut_) {
    mdiButtonsLaidOut_ = !mdiButtonsLaidOut_;  // once per change, whatever the layout does
    DrawMenuBar(form_);
  }
  const TRect line = GetMenuLineRect(form_);
  if (line.Width() <= 0 || line.Height() <= 0) return;
  Bitmap& bmp = *skinData_->CacheBitmap;
  // Window coordinates to the cache's (an extended border lies around).
  const int sx = CacheShiftX(), sy = CacheShiftY();
  const auto shifted = [&](const TRect& r) { return TRect{r.Left + sx, r.Top + sy, r.Right + sx, r.Bottom + sy}; };
  const int section = MenuLineSectionIndex();
  const int state = formActive_ ? 1 : 0;
  if (manager->IsValidSectionIndex(section)) {
    TsBgSource self;
    MakeCacheInfo(&bmp, 0, 0, self);
    const TRect band = shifted(line);  // the frame's borders stay beside it
    PaintSectionItem(section, manager->GeneralData[size_t(section)].SectionName, self, -1, -1, manager, bmp,
                     {band.Left, band.Top}, band, state, /*useParentBg=*/true);
  }
  QMenuBar* bar = GetMenu(form_);
  const int current = GetMenuLineItem(form_);
  Canvas& c = bmp.GetCanvas();
  c.Font = GetNonClientMetrics().lfMenuFont;
  c.SetBkMode(TRANSPARENT);
  TColor text = clMenuText;
  if (manager->IsValidSectionIndex(section)) {
    const TsGeneralData& s = manager->GeneralData[size_t(section)];
    text = formActive_ ? s.HotFontColor[0] : s.FontColor[0];
  }
  int position = 0;
  for (QAction* a : bar->actions()) {
    if (!a->isVisible() || a->isSeparator()) continue;
    TRect r;
    if (!GetMenuItemRect(form_, bar, unsigned(position), &r)) {
      ++position;
      continue;
    }
    const QPoint corner = form_->mapToGlobal(QPoint(0, 0));
    r = {r.Left - corner.x(), r.Top - corner.y(), r.Right - corner.x(), r.Bottom - corner.y()};
    const bool hot = position == current;
    if (DrawSkinnedMenuLineItem(a, r, hot)) {
      ++position;
      continue;
    }
    r = shifted(r);
    if (hot) {
      c.Brush = {clHighlight, bsSolid};
      c.FillRect(r);
    }
    c.Font.Color = !a->isEnabled() ? clGrayText : hot ? clHighlightText : text;
    c.DrawText(a->text(), r, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    ++position;
  }
  c.EndPainting();
  if (!MDIButtonsVisible()) return;
  // The maximized child's icon and buttons.
  QWidget* child = MaximizedMdiChild();
  const TRect iconRect = shifted(MdiChildIconRect());
  QIcon icon = static_cast<QMdiSubWindow*>(child)->widget() ? static_cast<QMdiSubWindow*>(child)->widget()->windowIcon()
                                                           : child->windowIcon();
  if (icon.isNull()) icon = QApplication::windowIcon();
  if (icon.isNull()) icon = QApplication::style()->standardIcon(QStyle::SP_TitleBarMenuButton);
  if (iconRect.Width() > 0) {
    QPainter* p = bmp.GetCanvas().Painter();
    p->drawPixmap(QRect(iconRect.Left, iconRect.Top, iconRect.Width(), iconRect.Height()),
                  icon.pixmap(QSize(iconRect.Width(), iconRect.Height())));
    bmp.GetCanvas().EndPainting();
  }
  TsBgSource self;
  MakeCacheInfo(&bmp, 0, 0, self);
  const TacSysMenuState menu = MdiChildMenuState();
  const int restoreImage = [&] {
    const int i = manager->IndexOfMask(QStringLiteral("GLOBALINFO"), QStringLiteral("SICONNORM"));
    return i >= 0 ? i : manager->IndexOfMask(skinData_->SkinSection(), QStringLiteral("SICONNORM"));
  }();
  for (int code = 101; code <= 103; ++code) {
    TacCaptionButton& rec = buttons_[size_t(4 + (103 - code))];
    rec.Rect = MdiButtonRect(code);
    const int image = code == 102 && restoreImage >= 0 ? restoreImage : rec.ImageIndex;
    const TsMaskData* mask = Mask(image);
    if (!mask || rec.Rect.Width() <= 0) continue;
    const bool enabled = code == 101 || (code == 103 ? menu.EnabledMin : menu.EnabledRestore);
    const bool dimmed = (!formActive_ || !enabled) && rec.State == 0;
    PaintMaskGlyph(bmp, {rec.Rect.Left + sx, rec.Rect.Top + sy}, rec.State, dimmed ? 0 : 1, *mask, self);
  }
}

void TsSkinProvider::RepaintMenuItem(int /*position*/) {
  if (!form_ || !MenuVisible()) return;
  PaintMenuLine();
  RedrawNonClient(form_);
}

// ------------------------------------------------------------ rebuilding the bar

namespace {
bool g_inMainMenuRebuild = false;
}  // namespace

bool TsSkinProvider::RebuildMainMenu() {
  QMenuBar* bar = form_ ? GetMenu(form_) : nullptr;
  if (!bar || bar->actions().isEmpty() || g_inMainMenuRebuild || IsDestroying(form_)) return false;
  g_inMainMenuRebuild = true;
  struct Reset {
    ~Reset() { g_inMainMenuRebuild = false; }
  } reset;
  menuRowCount_ = -1;
  menuLineChanged_ = true;
  SendMessage(form_, CM_MENUCHANGED);
  return true;
}

void TsSkinProvider::RefreshMainMenuOnce() {
  if (!mainMenuRebuilt_) mainMenuRebuilt_ = RebuildMainMenu();
}
