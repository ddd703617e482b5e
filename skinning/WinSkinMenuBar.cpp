#include "skinning/WinSkinMenuBar.h"

#include "platform/NonClient.h"
#include "platform/WindowTable.h"
#include "skinning/WinSkinForm.h"
#include "skinning/WinSkinFormWalk.h"
#include "skinning/WinSkinManage.h"

#include <QAction>
#include <QEvent>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

using namespace platform;

namespace skinning {

namespace {

// The one drop-down tracked in the process.
struct Tracking {
  QPointer<TWinSkinMenu> bar;
  int index = -1;
  QPointer<QMenu> menu;
  MessageFilterHandle filter;
  TPoint lastMouse{-1, -1};
  bool switching = false;
};
Tracking& Track() {
  static Tracking t;
  return t;
}

// The mnemonic of a caption: the character after a single '&'.
QChar Mnemonic(const QString& text) {
  for (int i = 0; i + 1 < text.size(); ++i)
    if (text[i] == QLatin1Char('&')) {
      if (text[i + 1] != QLatin1Char('&')) return text[i + 1];
      ++i;
    }
  return {};
}

constexpr unsigned kItemFormat = DT_SINGLELINE | DT_CENTER | DT_VCENTER;

}  // namespace

void TMenuBtn::PaintObject() {
  if (QWidget* w = Owner->Window()) RedrawNonClient(w);
}

TWinSkinMenu::TWinSkinMenu(TSkinFormFrame& frame) : frame_(frame) {}

TWinSkinMenu::~TWinSkinMenu() {
  if (Track().bar == this) EndTracking();
  if (menu_) menu_->removeEventFilter(this);
}

int TWinSkinMenu::OpenIndex() { return Track().index; }
QMenu* TWinSkinMenu::OpenMenu() { return Track().menu; }

TFont TWinSkinMenu::MenuFont() const { return GetNonClientMetrics().lfMenuFont; }

bool TWinSkinMenu::BuildItems() {
  QWidget* w = frame_.Window();
  QMenuBar* bar = menu_ ? menu_.data() : GetMenu(w);
  if (!bar) return false;
  if (menu_ != bar) {
    if (menu_) menu_->removeEventFilter(this);
    menu_ = bar;
    watched_ = bar;
    bar->installEventFilter(this);
  }
  if (frame_.Hot && dynamic_cast<TMenuBtn*>(frame_.Hot)) frame_.Hot = nullptr;
  items_.clear();
  for (QAction* action : bar->actions()) {
    if (!action->isVisible()) continue;
    auto item = std::make_unique<TMenuBtn>(&frame_, *this, int(items_.size()));
    item->Caption = action->text().left(80);
    item->Enabled = action->isEnabled();
    item->Visible = true;
    item->DropDown = action->menu();
    item->CommandId = GetCommandId(action);
    item->Action = action;
    items_.push_back(std::move(item));
  }
  SetMenu(w, nullptr);
  return true;
}

bool TWinSkinMenu::eventFilter(QObject* watched, QEvent* event) {
  const auto type = event->type();
  // Compared as a plain object: the bar may be in its destructor.
  if (watched == watched_ && (type == QEvent::ActionAdded || type == QEvent::ActionRemoved || type == QEvent::ActionChanged) &&
      !rebuildPending_) {
    // The menu changed: build the items again once the change is done.
    rebuildPending_ = true;
    QTimer::singleShot(0, this, [this] { Rebuild(); });
  }
  return false;
}

void TWinSkinMenu::Rebuild() {
  rebuildPending_ = false;
  if (Track().bar == this) {
    rebuildPending_ = true;  // once the drop-down has closed
    return;
  }
  const bool had = !items_.empty();
  BuildItems();
  if (had != !items_.empty())
    frame_.TakeUpSkin();  // the band appears or goes
  else
    LayoutItems();
  if (frame_.Window()) RedrawNonClient(frame_.Window());
}

void TWinSkinMenu::RestoreMenu() {
  if (Track().bar == this) EndTracking();
  if (menu_ && frame_.Window()) {
    menu_->removeEventFilter(this);
    SetMenu(frame_.Window(), menu_);
  }
  items_.clear();
}

void TWinSkinMenu::LayoutItems() {
  const TRect wr = FrameWindowRect(frame_.Window());
  bar_ = Rect(frame_.LeftWidth(), frame_.CaptionHeight(), wr.Width() - frame_.RightWidth(),
              frame_.CaptionHeight() + frame_.MenuHeight());
  if (bar_.IsEmpty()) return;
  const TDataSkinObject* element = frame_.Model().MenuBar.get();
  const bool rtl = frame_.Form().RightToLeft;
  int x = element ? (rtl ? element->RightWidth + 8 : element->LeftWidth + 4) : 6;
  if (x > bar_.Width()) x = 12;
  Bitmap scratch(1, 1);
  Canvas c(scratch);
  c.Font = MenuFont();
  for (const auto& item : items_) {
    if (!item->Visible) {
      item->BoundsRect = {};
      continue;
    }
    TRect r = Rect(0, 0, 0, 0);
    c.DrawText(item->Caption, r, DT_CALCRECT | DT_SINGLELINE);
    const int width = item->Caption.isEmpty() ? 0 : r.Width() + 10;
    const int left = rtl ? bar_.Width() - x - width : x;
    item->BoundsRect = OffsetRect(Rect(left, 0, left + width, bar_.Height() - 1), bar_.Left, bar_.Top);
    x += width;
  }
}

void TWinSkinMenu::PaintBar(Canvas& dc, const TRect& bar) {
  if (bar.IsEmpty()) return;
  if (bar != bar_) {
    bar_ = bar;
    LayoutItems();
  }
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
    if (!item->Visible || item->BoundsRect.IsEmpty()) continue;
    TRect r = OffsetRect(item->BoundsRect, -bar.Left, -bar.Top);
    if (item->State == TNCObject::kHover || item->State == TNCObject::kPressed) {
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

TMenuBtn* TWinSkinMenu::ItemByAccelerator(QChar ch) const {
  for (const auto& item : items_)
    if (item->Enabled && item->Visible && !ch.isNull() && Mnemonic(item->Caption).toUpper() == ch.toUpper())
      return item.get();
  return nullptr;
}

TMenuBtn* TWinSkinMenu::FirstItem() const {
  for (const auto& item : items_)
    if (item->Enabled && item->Visible && !item->Caption.isEmpty()) return item.get();
  return nullptr;
}

bool TWinSkinMenu::OpenItem(TMenuBtn* item) {
  QWidget* w = frame_.Window();
  if (!item || !w || !item->Enabled) return false;
  if (!item->DropDown) {
    // An item without drop-down is a command of its own.
    QPointer<QAction> action = item->Action;
    QTimer::singleShot(0, w, [action] {
      if (action && action->isEnabled()) action->trigger();
    });
    return false;
  }
  Tracking& t = Track();
  if (t.menu && t.menu != item->DropDown) {
    t.switching = true;
    t.menu->close();
  }
  RemoveMessageFilter(t.filter);
  t.bar = this;
  t.index = item->Index;
  t.menu = item->DropDown;
  t.switching = false;
  t.lastMouse = {-1, -1};
  item->State = TNCObject::kPressed;
  frame_.Hot = item;
  RedrawNonClient(w);
  if (TSkinManage* manager = SkinManage()) manager->SetMenuMode(TSkinManage::kMenuBarDropDown);
  const TRect wr = FrameWindowRect(w);
  const bool rtl = frame_.Form().RightToLeft;
  const int x = wr.Left + (rtl ? item->BoundsRect.Right : item->BoundsRect.Left);
  const int y = wr.Top + item->BoundsRect.Bottom;
  t.filter = InstallMessageFilter(
      [this](int code, MSG& msg, const CallNextMessageFilter& next) { return MenuFilter(code, msg, next); });
  QMenu* menu = item->DropDown;
  QObject::connect(menu, &QMenu::aboutToHide, this, [this, menu] {
    QObject::disconnect(menu, &QMenu::aboutToHide, this, nullptr);
    if (Track().menu == menu) QTimer::singleShot(0, this, [this, menu] {
        if (Track().menu == menu) EndTracking();
      });
  });
  TrackPopupMenu(menu, TPM_NONOTIFY | TPM_RIGHTBUTTON | (rtl ? TPM_RIGHTALIGN : 0), x, y, w);
  // The first item is selected, as the keyboard would.
  for (QAction* a : menu->actions())
    if (a->isVisible() && a->isEnabled() && !a->isSeparator()) {
      menu->setActiveAction(a);
      break;
    }
  return true;
}

void TWinSkinMenu::EndTracking() {
  Tracking& t = Track();
  RemoveMessageFilter(t.filter);
  const int index = t.index;
  t.index = -1;
  t.menu = nullptr;
  t.bar = nullptr;
  t.switching = false;
  if (index >= 0 && index < int(items_.size())) {
    items_[size_t(index)]->State = TNCObject::kNormal;
    if (frame_.Hot == items_[size_t(index)].get()) frame_.Hot = nullptr;
  }
  if (frame_.Window()) RedrawNonClient(frame_.Window());
  if (rebuildPending_) QTimer::singleShot(0, this, [this] { Rebuild(); });
}

void TWinSkinMenu::SwitchTo(int index) {
  Tracking& t = Track();
  if (index < 0 || index >= int(items_.size()) || index == t.index) return;
  TMenuBtn* item = items_[size_t(index)].get();
  t.switching = true;
  const TRect wr = FrameWindowRect(frame_.Window());
  const int x = wr.Left + item->BoundsRect.Left + 1, y = wr.Top + item->BoundsRect.Top + 1;
  if (t.menu) t.menu->close();
  PostMessage(frame_.Window(), WM_NCLBUTTONDOWN, 1, MAKELPARAM(x, y));
}

LRESULT TWinSkinMenu::MenuFilter(int code, MSG& msg, const CallNextMessageFilter& next) {
  Tracking& t = Track();
  const bool key = msg.message == WM_KEYDOWN;
  if (key && frame_.Form().RightToLeft && (msg.wParam == VK_LEFT || msg.wParam == VK_RIGHT))
    msg.wParam = msg.wParam == VK_LEFT ? VK_RIGHT : VK_LEFT;
  if (const LRESULT handled = next(code, msg)) return handled;
  if (code != MSGF_MENU || t.bar != this) return 0;
  const int count = int(items_.size());
  // The next enabled, visible item in a direction, wrapping.
  const auto step = [&](int from, int dir) {
    for (int k = 1; k <= count; ++k) {
      const int i = ((from + dir * k) % count + count) % count;
      if (items_[size_t(i)]->Visible && items_[size_t(i)]->Enabled && items_[size_t(i)]->DropDown) return i;
    }
    return from;
  };
  if (key) {
    auto* popup = qobject_cast<QMenu*>(msg.hwnd);
    QAction* selected = popup ? popup->activeAction() : nullptr;
    if (msg.wParam == VK_RIGHT && !(selected && selected->menu())) {
      SwitchTo(step(t.index, 1));
      return 1;
    }
    if (msg.wParam == VK_LEFT && popup == t.menu) {
      SwitchTo(step(t.index, -1));
      return 1;
    }
    if (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE) t.switching = false;
    return 0;
  }
  if (msg.message == WM_SYSKEYDOWN && msg.wParam == VK_MENU) {
    if (t.menu) t.menu->close();
    return 1;
  }
  if (msg.message == WM_MOUSEMOVE && (msg.pt.X != t.lastMouse.X || msg.pt.Y != t.lastMouse.Y)) {
    t.lastMouse = msg.pt;
    const TRect wr = FrameWindowRect(frame_.Window());
    if (TMenuBtn* candidate = ItemAt({msg.pt.X - wr.Left, msg.pt.Y - wr.Top});
        candidate && candidate->Index != t.index && candidate->Enabled && candidate->DropDown)
      SwitchTo(candidate->Index);
  }
  return 0;
}

}  // namespace skinning
