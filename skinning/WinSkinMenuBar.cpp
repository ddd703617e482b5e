#include "skinning/WinSkinMenuBar.h"

#include "platform/Menus.h"
#include "platform/MenuLine.h"
#include "platform/NonClient.h"
#include "skinning/WinSkinForm.h"
#include "skinning/WinSkinFormWalk.h"

#include <QAction>
#include <QMenuBar>
#include <QTimer>

using namespace platform;

namespace skinning {

namespace {

constexpr unsigned kItemFormat = DT_SINGLELINE | DT_CENTER | DT_VCENTER;

bool IsLineItem(const QAction* action) { return action->isVisible() && !action->isSeparator(); }

}  // namespace

void TMenuBtn::PaintObject() {
  if (QWidget* w = Owner->Window()) RedrawNonClient(w);
}

TWinSkinMenu::TWinSkinMenu(TSkinFormFrame& frame) : frame_(frame) {}

TWinSkinMenu::~TWinSkinMenu() {
  if (QWidget* w = frame_.Window(); w && menu_) SetMenuLineLayout(w, {});
}

int TWinSkinMenu::OpenIndex() { return GetMenuLoopPopup() ? GetMenuLineItem(GetMenuLoopWindow()) : -1; }
QMenu* TWinSkinMenu::OpenMenu() { return GetMenuLoopPopup(); }

TFont TWinSkinMenu::MenuFont() const { return GetNonClientMetrics().lfMenuFont; }

bool TWinSkinMenu::BuildItems() {
  QWidget* w = frame_.Window();
  QMenuBar* bar = GetMenu(w);
  if (!bar) return false;
  menu_ = bar;
  SetMenuLineLayout(w, [self = QPointer<TWinSkinMenu>(this)](const QList<QAction*>& actions, int width,
                                                             std::vector<QRect>* rects) {
    return self ? self->LayoutItems(actions, width, rects) : 0;
  });
  return true;
}

int TWinSkinMenu::Height() const {
  if (!menu_) return 0;
  const QList<QAction*> actions = menu_->actions();
  return std::any_of(actions.begin(), actions.end(), IsLineItem) ? GetSystemMetrics(SM_CYMENU) : 0;
}

void TWinSkinMenu::RestoreMenu() {
  if (QWidget* w = frame_.Window(); w && menu_) SetMenuLineLayout(w, {});
  if (frame_.Hot && dynamic_cast<TMenuBtn*>(frame_.Hot)) frame_.Hot = nullptr;
  items_.clear();
  menu_ = nullptr;
}

void TWinSkinMenu::MenuChanged() {
  // The change may be under way still: the band is measured once it is done.
  if (std::exchange(changePending_, true)) return;
  QTimer::singleShot(0, this, [this] {
    changePending_ = false;
    if (Height() != frame_.MenuHeight())
      frame_.TakeUpSkin();
    else if (QWidget* w = frame_.Window())
      RedrawNonClient(w);
  });
}

int TWinSkinMenu::LayoutItems(const QList<QAction*>& actions, int width, std::vector<QRect>* rects) {
  if (frame_.Hot && dynamic_cast<TMenuBtn*>(frame_.Hot)) frame_.Hot = nullptr;
  items_.clear();
  const int height = actions.isEmpty() ? 0 : GetSystemMetrics(SM_CYMENU);
  const TDataSkinObject* element = frame_.Model().MenuBar.get();
  const bool rtl = frame_.Form().RightToLeft;
  int x = element ? (rtl ? element->RightWidth + 8 : element->LeftWidth + 4) : 6;
  if (x > width) x = 12;
  Bitmap scratch(1, 1);
  Canvas c(scratch);
  c.Font = MenuFont();
  for (qsizetype i = 0; i < actions.size(); ++i) {
    QAction* action = actions[i];
    auto item = std::make_unique<TMenuBtn>(&frame_, *this, int(i));
    item->Caption = action->text().left(80);
    item->Enabled = action->isEnabled();
    item->Visible = true;
    TRect r = Rect(0, 0, 0, 0);
    c.DrawText(item->Caption, r, DT_CALCRECT | DT_SINGLELINE);
    const int itemWidth = item->Caption.isEmpty() ? 0 : r.Width() + 10;
    const int left = rtl ? width - x - itemWidth : x;
    (*rects)[size_t(i)] = QRect(left, 0, itemWidth, height - 1);
    item->BoundsRect = Bounds(frame_.LeftWidth() + left, frame_.CaptionHeight(), itemWidth, height - 1);
    x += itemWidth;
    items_.push_back(std::move(item));
  }
  return height;
}

void TWinSkinMenu::PaintBar(Canvas& dc, const TRect& bar) {
  if (bar.IsEmpty()) return;
  QWidget* w = frame_.Window();
  GetMenuLineRect(w);  // lays the line out when it changed
  const int current = GetMenuLineItem(w);
  if (bitmap_.Width() != bar.Width() || bitmap_.Height() != bar.Height()) bitmap_ = Bitmap(bar.Width(), bar.Height());
  Canvas c(bitmap_);
  const TSkinModel& m = frame_.Model();
  const TRect all = Rect(0, 0, bar.Width(), bar.Height());
  if (const TDataSkinObject* e = m.MenuBar.get(); e && !e->Empty()) {
    const int frames = std::max(e->Frame, 1);
    const int frame = frames == 1 || frame_.Active() ? 1 : 2;
    if (e->Tile == 1)
      DrawSkinElement(c, all, e->Image, false, true, false, frames, frame, e->Margins());
    else
      DrawSkinStrip(c, all, e->Image, false, false, frames, frame, e->Margins());
  } else {
    c.Brush.Color = m.Colours[scMenubar];
    c.FillRect(all);
  }
  c.Font = MenuFont();
  c.SetBkMode(TRANSPARENT);
  for (const auto& item : items_) {
    if (item->BoundsRect.IsEmpty()) continue;
    TRect r = OffsetRect(item->BoundsRect, -bar.Left, -bar.Top);
    if (item->Index == current || item->State == TNCObject::kHover || item->State == TNCObject::kPressed) {
      c.Brush.Color = m.Colours[scButtonHilight];
      c.FillRect(r);
    }
    c.Font.Color = item->Enabled ? m.Colours[scMenuBarText] : m.Colours[scButtonShadow];
    c.DrawText(item->Caption, r, kItemFormat);
  }
  dc.Draw(bar.Left, bar.Top, bitmap_);
}

TMenuBtn* TWinSkinMenu::ItemAt(TPoint p) const {
  for (const auto& item : items_)
    if (!item->Caption.isEmpty() && item->BoundsRect.Contains(p.X, p.Y)) return item.get();
  return nullptr;
}

}  // namespace skinning
