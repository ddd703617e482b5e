#include "platform/ScrollInfo.h"

#include "platform/Messages.h"
#include "platform/WindowProcInternal.h"

#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QComboBox>
#include <QLineEdit>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QStyleOptionSlider>

#include <algorithm>

namespace platform {

namespace {

TRect ToTRect(const QRect& r) { return Bounds(r.x(), r.y(), r.width(), r.height()); }

// The scroll area whose bar `bar` is, or nullptr for a scroll-bar control.
QAbstractScrollArea* AreaOf(const QScrollBar* bar) {
  for (QWidget* p = bar->parentWidget(); p; p = p->parentWidget())
    if (auto* area = qobject_cast<QAbstractScrollArea*>(p))
      return area->horizontalScrollBar() == bar || area->verticalScrollBar() == bar ? area : nullptr;
  return nullptr;
}

QStyleOptionSlider SliderOption(const QScrollBar* bar) {
  QStyleOptionSlider opt;
  opt.initFrom(bar);
  opt.subControls = QStyle::SC_None;
  opt.activeSubControls = QStyle::SC_None;
  opt.orientation = bar->orientation();
  opt.minimum = bar->minimum();
  opt.maximum = bar->maximum();
  opt.sliderPosition = bar->sliderPosition();
  opt.sliderValue = bar->value();
  opt.singleStep = bar->singleStep();
  opt.pageStep = bar->pageStep();
  opt.upsideDown = bar->invertedAppearance();
  if (bar->orientation() == Qt::Horizontal) opt.state |= QStyle::State_Horizontal;
  return opt;
}

// The bar whose action a sent scroll message runs now: its own notice of
// the action is not echoed back.
QScrollBar* g_running = nullptr;

unsigned CodeOf(int action) {
  switch (action) {
    case QAbstractSlider::SliderSingleStepAdd: return SB_LINEDOWN;
    case QAbstractSlider::SliderSingleStepSub: return SB_LINEUP;
    case QAbstractSlider::SliderPageStepAdd: return SB_PAGEDOWN;
    case QAbstractSlider::SliderPageStepSub: return SB_PAGEUP;
    case QAbstractSlider::SliderToMinimum: return SB_TOP;
    case QAbstractSlider::SliderToMaximum: return SB_BOTTOM;
    default: return SB_THUMBTRACK;
  }
}

// Tells the bar's host what the bar did.
void Notify(QScrollBar* bar, unsigned code, int pos = 0) {
  if (g_running == bar) return;
  QAbstractScrollArea* area = AreaOf(bar);
  QWidget* host = area ? area : bar->parentWidget();
  if (!host) return;
  Message m{bar->orientation() == Qt::Horizontal ? WM_HSCROLL : WM_VSCROLL, MAKEWPARAM(int(code), pos),
            area ? 0 : LPARAM(PtrParam(bar))};
  detail::TellHandlers(host, m);
}

constexpr char kHeld[] = "_win_scrollheld";

// Closes a held action with SB_ENDSCROLL when the button goes up.
class ScrollWatcher final : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* bar = qobject_cast<QScrollBar*>(watched);  // none once the bar is being destroyed
    if (!bar) return false;
    if (event->type() == QEvent::MouseButtonPress) {
      bar->setProperty(kHeld, true);
    } else if (event->type() == QEvent::MouseButtonRelease && bar->property(kHeld).toBool()) {
      bar->setProperty(kHeld, false);
      if (!bar->isSliderDown()) Notify(bar, SB_ENDSCROLL);  // a dragged thumb closes on its release
    }
    return false;
  }
};

// The bar a scroll message to `w` names: without lParam the window's own
// bar `which` (or the window itself as a scroll-bar control); otherwise
// one of the window's bars or of its scroll-bar controls whose address
// lParam is (FindParamAmong: a position or a bar gone names none).
QScrollBar* NamedScrollBar(QWidget* w, int which, LPARAM lParam) {
  if (!lParam) {
    QScrollBar* own = GetScrollBar(w, which);
    return own ? own : GetScrollBar(w, SB_CTL);
  }
  QList<QScrollBar*> own = w->findChildren<QScrollBar*>(Qt::FindDirectChildrenOnly);
  for (int kind : {SB_CTL, SB_HORZ, SB_VERT}) own.append(GetScrollBar(w, kind));
  return FindParamAmong<QScrollBar>(own, std::uintptr_t(lParam));
}

}  // namespace

void ForgetScrollBarPress(QScrollBar* bar) {
  if (bar) bar->setProperty(kHeld, false);
}

namespace detail {

void WatchScrollBar(QScrollBar* bar) {
  static QPointer<ScrollWatcher> watcher;
  if (bar->property("_win_scrollwatch").toBool()) return;
  bar->setProperty("_win_scrollwatch", true);
  if (!watcher) {
    watcher = new ScrollWatcher;
    watcher->setParent(QCoreApplication::instance());
  }
  bar->installEventFilter(watcher);
  QObject::connect(bar, &QAbstractSlider::actionTriggered, bar, [bar](int action) {
    if (action == QAbstractSlider::SliderNoAction) return;
    Notify(bar, CodeOf(action), bar->sliderPosition());
    if (!bar->property(kHeld).toBool()) Notify(bar, SB_ENDSCROLL);
  });
  QObject::connect(bar, &QAbstractSlider::sliderReleased, bar, [bar] {
    Notify(bar, SB_THUMBPOSITION, bar->sliderPosition());
    Notify(bar, SB_ENDSCROLL);
  });
}

bool ScrollDefault(QWidget* w, Message& m) {
  if (m.Msg != WM_HSCROLL && m.Msg != WM_VSCROLL) return false;
  QScrollBar* bar = NamedScrollBar(w, m.Msg == WM_HSCROLL ? SB_HORZ : SB_VERT, m.LParam);
  if (!bar) return false;
  const int pos = int(HIWORD(m.WParam));
  QScrollBar* outer = std::exchange(g_running, bar);
  switch (LOWORD(m.WParam)) {
    case SB_LINEUP: bar->triggerAction(QAbstractSlider::SliderSingleStepSub); break;
    case SB_LINEDOWN: bar->triggerAction(QAbstractSlider::SliderSingleStepAdd); break;
    case SB_PAGEUP: bar->triggerAction(QAbstractSlider::SliderPageStepSub); break;
    case SB_PAGEDOWN: bar->triggerAction(QAbstractSlider::SliderPageStepAdd); break;
    case SB_TOP: bar->triggerAction(QAbstractSlider::SliderToMinimum); break;
    case SB_BOTTOM: bar->triggerAction(QAbstractSlider::SliderToMaximum); break;
    case SB_THUMBTRACK: bar->setSliderPosition(pos); break;
    case SB_THUMBPOSITION: bar->setValue(pos); break;
    default: break;
  }
  g_running = outer;
  m.Result = 0;
  return true;
}

}  // namespace detail

QScrollBar* GetScrollBar(QWidget* window, int bar) {
  if (bar == SB_CTL) return qobject_cast<QScrollBar*>(window);
  auto* area = qobject_cast<QAbstractScrollArea*>(window);
  if (!area) return nullptr;
  return bar == SB_HORZ ? area->horizontalScrollBar() : bar == SB_VERT ? area->verticalScrollBar() : nullptr;
}

bool GetScrollInfo(QWidget* window, int which, SCROLLINFO* info) {
  QScrollBar* bar = GetScrollBar(window, which);
  if (!bar || !info) return false;
  if (info->fMask & SIF_RANGE) {
    info->nMin = bar->minimum();
    info->nMax = bar->maximum() + std::max(bar->pageStep() - 1, 0);
  }
  if (info->fMask & SIF_PAGE) info->nPage = unsigned(std::max(bar->pageStep(), 0));
  if (info->fMask & SIF_POS) info->nPos = bar->value();
  if (info->fMask & SIF_TRACKPOS) info->nTrackPos = bar->sliderPosition();
  return true;
}

int SetScrollInfo(QWidget* window, int which, const SCROLLINFO& info, bool redraw) {
  QScrollBar* bar = GetScrollBar(window, which);
  if (!bar) return 0;
  const int oldPage = bar->pageStep();
  const int page = info.fMask & SIF_PAGE ? int(info.nPage) : oldPage;
  const int min = info.fMask & SIF_RANGE ? info.nMin : bar->minimum();
  const int nMax = info.fMask & SIF_RANGE ? info.nMax : bar->maximum() + std::max(oldPage - 1, 0);
  bar->setPageStep(page);
  bar->setRange(min, std::max(min, nMax - std::max(page - 1, 0)));
  if (info.fMask & SIF_POS) bar->setValue(info.nPos);
  if (redraw) bar->update();
  return bar->value();
}

bool GetScrollBarInfo(QWidget* window, int idObject, SCROLLBARINFO* info) {
  QScrollBar* bar = idObject == OBJID_HSCROLL   ? GetScrollBar(window, SB_HORZ)
                    : idObject == OBJID_VSCROLL ? GetScrollBar(window, SB_VERT)
                    : idObject == OBJID_CLIENT  ? GetScrollBar(window, SB_CTL)
                                                : nullptr;
  if (!bar || !info) return false;
  const QStyleOptionSlider opt = SliderOption(bar);
  QStyle* style = bar->style();
  const QRect arrow = style->subControlRect(QStyle::CC_ScrollBar, &opt, QStyle::SC_ScrollBarAddLine, bar);
  const QRect thumb = style->subControlRect(QStyle::CC_ScrollBar, &opt, QStyle::SC_ScrollBarSlider, bar);
  const bool vertical = bar->orientation() == Qt::Vertical;
  info->rcScrollBar = ToTRect(QRect(bar->mapToGlobal(QPoint(0, 0)), bar->size()));
  info->dxyLineButton = vertical ? arrow.height() : arrow.width();
  info->xyThumbTop = vertical ? thumb.top() : thumb.left();
  info->xyThumbBottom = vertical ? thumb.bottom() + 1 : thumb.right() + 1;
  std::fill(std::begin(info->rgstate), std::end(info->rgstate), 0u);
  QWidget* host = idObject == OBJID_CLIENT ? bar->parentWidget() : window;
  if (host ? !bar->isVisibleTo(host) : bar->isHidden()) info->rgstate[0] |= STATE_SYSTEM_INVISIBLE;
  if (!bar->isEnabled())
    for (int part : {0, 1, 5}) info->rgstate[part] |= STATE_SYSTEM_UNAVAILABLE;
  return true;
}

bool GetComboBoxInfo(QWidget* window, COMBOBOXINFO* info) {
  auto* combo = qobject_cast<QComboBox*>(window);
  if (!combo || !info) return false;
  QStyleOptionComboBox opt;
  opt.initFrom(combo);
  opt.editable = combo->isEditable();
  opt.frame = combo->hasFrame();
  opt.subControls = QStyle::SC_All;
  QStyle* style = combo->style();
  info->rcItem = ToTRect(style->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, combo));
  info->rcButton = ToTRect(style->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxArrow, combo));
  info->hwndCombo = combo;
  info->hwndItem = combo->lineEdit() ? static_cast<QWidget*>(combo->lineEdit()) : combo;
  info->hwndList = combo->view()->window();
  info->stateButton = info->hwndList->isVisible() ? STATE_SYSTEM_PRESSED : 0;
  return true;
}

}  // namespace platform
