#include "platform/Mdi.h"

#include "platform/Menus.h"
#include "platform/WindowProc.h"
#include "platform/WindowProcInternal.h"

#include <QAction>
#include <QEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QScrollBar>

namespace platform {

namespace {

QWidget* ChildForm(QMdiSubWindow* sub) {
  if (!sub) return nullptr;
  return sub->widget() ? sub->widget() : sub;
}

QMdiSubWindow* SubOf(QMdiArea* area, const QWidget* form) {
  for (QMdiSubWindow* sub : area->subWindowList())
    if (ChildForm(sub) == form || sub == form) return sub;
  return nullptr;
}

constexpr char kChildItem[] = "_win_mdichilditem";

// One per area: the active child it told last, the window menu, and the
// close of a sub-window turned into WM_MDIDESTROY.
class MdiWatch final : public QObject {
 public:
  explicit MdiWatch(QMdiArea* area) : QObject(area), area_(area) {
    setObjectName(QStringLiteral("_win_mdiwatch"));
    area->viewport()->installEventFilter(this);
    for (QMdiSubWindow* sub : area->subWindowList()) sub->installEventFilter(this);
    active_ = ChildForm(area->activeSubWindow());
    connect(area, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* sub) { Activated(sub); });
    // The area shows or hides a bar on a queued turn after its range
    // changed: queued after that turn, the message finds the bars placed.
    for (QScrollBar* bar : {area->horizontalScrollBar(), area->verticalScrollBar()})
      connect(bar, &QScrollBar::rangeChanged, this, [this] {
        if (area_) SendMessage(area_, WM_CALCSCROLL);
      }, Qt::QueuedConnection);
  }

  static MdiWatch* Of(QMdiArea* area) { return area->findChild<MdiWatch*>(QStringLiteral("_win_mdiwatch"), Qt::FindDirectChildrenOnly); }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::ChildAdded && watched == area_->viewport()) {
      // A sub-window the area makes is still under construction here, not
      // yet a QMdiSubWindow: watch every child, the close below sorts them.
      static_cast<QChildEvent*>(event)->child()->installEventFilter(this);
    } else if (event->type() == QEvent::Close && watched != closing_) {
      auto* sub = qobject_cast<QMdiSubWindow*>(watched);
      if (!sub || !area_) return false;
      // The close goes through the area's procedures; their default lets
      // it happen.
      QPointer<QMdiSubWindow> outer = std::exchange(inClose_, sub);
      const bool outerAllowed = std::exchange(allowed_, false);
      QPointer<QMdiSubWindow> alive(sub);
      SendMessage(area_, WM_MDIDESTROY, PtrParam(ChildForm(sub)));
      const bool allowed = std::exchange(allowed_, outerAllowed);
      inClose_ = outer;
      if (allowed || !alive) return false;
      event->ignore();
      return true;
    }
    return false;
  }

  // A destroyed child goes with its sub-window, as soon as it lets itself
  // be closed.
  void Close(QMdiSubWindow* sub) {
    sub->setAttribute(Qt::WA_DeleteOnClose);
    if (sub == inClose_) {
      allowed_ = true;  // the close under way goes on
      return;
    }
    QPointer<QMdiSubWindow> outer = std::exchange(closing_, sub);
    sub->close();
    closing_ = outer;
  }

  void RefreshMenu() {
    if (!windowMenu_) return;
    for (QAction* a : windowMenu_->actions())
      if (a->property(kChildItem).toBool()) delete a;
    const QList<QMdiSubWindow*> subs = area_->subWindowList();
    for (int i = 0; i < subs.size(); ++i) {
      QPointer<QMdiSubWindow> sub = subs[i];
      QAction* a = windowMenu_->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(ChildForm(sub)->windowTitle()));
      a->setProperty(kChildItem, true);
      a->setCheckable(true);
      a->setChecked(sub == area_->activeSubWindow());
      connect(a, &QAction::triggered, area_, [area = area_, sub] {
        if (area && sub) area->setActiveSubWindow(sub);
      });
    }
    if (!subs.isEmpty()) {
      QAction* separator = windowMenu_->insertSeparator(windowMenu_->actions().at(windowMenu_->actions().size() - subs.size()));
      separator->setProperty(kChildItem, true);
    }
  }

  QPointer<QMenu> windowMenu_;

 private:
  void Activated(QMdiSubWindow* sub) {
    QPointer<QWidget> gaining = ChildForm(sub);
    QPointer<QWidget> losing = active_;
    if (gaining == losing) return;
    active_ = gaining;
    const WPARAM wp = PtrParam(losing.data());
    const LPARAM lp = LPARAM(PtrParam(gaining.data()));
    // Each caption first, then the child.
    if (losing) SendMessage(losing, WM_NCACTIVATE, 0);
    if (losing) SendMessage(losing, WM_MDIACTIVATE, wp, lp);
    if (gaining) SendMessage(gaining, WM_NCACTIVATE, 1);
    if (gaining) SendMessage(gaining, WM_MDIACTIVATE, wp, lp);
  }

  QPointer<QMdiArea> area_;
  QPointer<QWidget> active_;
  QPointer<QMdiSubWindow> closing_;  // closed by the default procedure
  QPointer<QMdiSubWindow> inClose_;  // asking the procedures about its close
  bool allowed_ = false;
};

}  // namespace

namespace detail {

void WatchMdiArea(QMdiArea* area) {
  if (!MdiWatch::Of(area)) new MdiWatch(area);
}

bool MdiDefault(QWidget* w, Message& m) {
  auto* area = qobject_cast<QMdiArea*>(w);
  if (!area || m.Msg < WM_MDICREATE || m.Msg > WM_MDIREFRESHMENU) return false;
  WatchMdiArea(area);
  MdiWatch* watch = MdiWatch::Of(area);
  QMdiSubWindow* sub = SubOf(area, ParamPtr<QWidget>(m.WParam));
  switch (m.Msg) {
    case WM_MDIACTIVATE:
      if (sub) area->setActiveSubWindow(sub);
      return true;
    case WM_MDIDESTROY:
      if (sub) watch->Close(sub);
      return true;
    case WM_MDITILE:
      area->tileSubWindows();
      m.Result = 1;
      return true;
    case WM_MDICASCADE:
      area->cascadeSubWindows();
      m.Result = 1;
      return true;
    case WM_MDIGETACTIVE: {
      QMdiSubWindow* active = area->activeSubWindow();
      m.Result = LRESULT(PtrParam(ChildForm(active)));
      if (m.LParam) *ParamPtr<int>(std::uintptr_t(m.LParam)) = active && active->isMaximized();
      return true;
    }
    case WM_MDISETMENU: {
      QWidget* form = area->window();
      m.Result = LRESULT(PtrParam(GetMenu(form)));
      if (auto* bar = qobject_cast<QMenuBar*>(ParamPtr<QWidget>(m.WParam))) SetMenu(form, bar);
      if (auto* menu = qobject_cast<QMenu*>(ParamPtr<QWidget>(std::uintptr_t(m.LParam)))) watch->windowMenu_ = menu;
      watch->RefreshMenu();
      return true;
    }
    case WM_MDIREFRESHMENU:
      watch->RefreshMenu();
      m.Result = LRESULT(PtrParam(GetMenu(area->window())));
      return true;
    default:
      return false;
  }
}

}  // namespace detail

TFormStyle GetFormStyle(const QWidget* form) {
  if (!form) return fsNormal;
  const QString named = form->property("FormStyle").toString();
  static const struct {
    const char* name;
    TFormStyle style;
  } names[] = {{"fsNormal", fsNormal}, {"fsMDIChild", fsMDIChild}, {"fsMDIForm", fsMDIForm}, {"fsStayOnTop", fsStayOnTop}};
  for (const auto& n : names)
    if (named == QLatin1String(n.name)) return n.style;
  if (qobject_cast<const QMdiSubWindow*>(form) || qobject_cast<const QMdiSubWindow*>(form->parentWidget()))
    return fsMDIChild;
  if (MdiClient(form)) return fsMDIForm;
  return form->windowFlags() & Qt::WindowStaysOnTopHint ? fsStayOnTop : fsNormal;
}

QMdiArea* MdiClient(const QWidget* form) { return form ? form->findChild<QMdiArea*>() : nullptr; }

QMdiSubWindow* MdiSubWindowOf(const QWidget* child) {
  if (!child) return nullptr;
  if (auto* sub = qobject_cast<QMdiSubWindow*>(const_cast<QWidget*>(child))) return sub;
  auto* sub = qobject_cast<QMdiSubWindow*>(child->parentWidget());
  return sub && sub->widget() == child ? sub : nullptr;
}

Qt::WindowFlags MdiChildFlags(const QMdiSubWindow* sub) {
  if (!sub) return {};
  const QWidget* form = sub->widget();
  return (form ? detail::FramedFlags(form) : std::nullopt).value_or(sub->windowFlags());
}

}  // namespace platform
