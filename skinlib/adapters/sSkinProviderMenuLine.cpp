// The form provider's menu line: the rows of the form's menu bar in the
// band under the title, painted from the skin into the cache.
#include "skinlib/adapters/sSkinProvider.h"

#include "platform/Colors.h"
#include "platform/MenuLine.h"
#include "platform/Menus.h"
#include "platform/NonClient.h"
#include "platform/WindowTable.h"
#include "skinlib/manager/LibraryUtils.h"
#include "skinlib/manager/SectionBackgrounds.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"

#include <QAction>
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
    // the right one.
    const int rows = LayoutMenuRows(widths, width - self->SystemBorderWidth(), self->MenuItemHeight(), rects);
    self->menuRowCount_ = rows;
    return rows * self->MenuItemHeight();
  });
}

void TsSkinProvider::PaintMenuLine() {
  TsSkinManager* manager = Manager();
  if (!form_ || !manager || !skinData_->CacheBitmap || !MenuVisible() || MenuItemHeight() <= 0) return;
  const TRect line = GetMenuLineRect(form_);
  if (line.Width() <= 0 || line.Height() <= 0) return;
  Bitmap& bmp = *skinData_->CacheBitmap;
  const int section = MenuLineSectionIndex();
  const int state = formActive_ ? 1 : 0;
  if (manager->IsValidSectionIndex(section)) {
    TsBgSource self;
    MakeCacheInfo(&bmp, 0, 0, self);
    const TRect band = line;  // the frame's borders stay beside it
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
    if (hot) {
      c.Brush = {clHighlight, bsSolid};
      c.FillRect(r);
    }
    c.Font.Color = !a->isEnabled() ? clGrayText : hot ? clHighlightText : text;
    c.DrawText(a->text(), r, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    ++position;
  }
  c.EndPainting();
}

void TsSkinProvider::RepaintMenuItem(int /*position*/) {
  if (!form_ || !MenuVisible()) return;
  PaintMenuLine();
  RedrawNonClient(form_);
}
