#include "platform/Timers.h"

#include "platform/WindowProc.h"
#include "platform/WindowProcInternal.h"
#include "platform/WindowTable.h"

#include <QCoreApplication>
#include <QHash>
#include <QPointer>
#include <QTimerEvent>
#include <QWidget>

#include <utility>

namespace platform {

namespace {

// Runs every timer of the layer: Qt's timer ids map to (widget, id). A
// tick whose timer is no longer listed (killed, or its widget gone) is
// dropped, so that nothing follows KillTimer.
class TimerHost final : public QObject {
 public:
  std::uintptr_t Set(QWidget* w, std::uintptr_t id, unsigned ms) {
    const Key key{w, id};
    if (const int old = byWindow_.value(key)) {
      killTimer(old);
      ticks_.remove(old);
    } else if (!watched_.contains(w)) {
      watched_.insert(w, connect(w, &QObject::destroyed, this, [this, w] { KillAll(w); }));
    }
    const int qtId = startTimer(int(ms), Qt::PreciseTimer);
    if (!qtId) return 0;
    byWindow_.insert(key, qtId);
    ticks_.insert(qtId, Tick{w, id});
    return id;
  }

  bool Kill(QWidget* w, std::uintptr_t id) {
    const int qtId = byWindow_.take(Key{w, id});
    if (!qtId) return false;
    killTimer(qtId);
    ticks_.remove(qtId);
    return true;
  }

 protected:
  void timerEvent(QTimerEvent* event) override {
    const auto it = ticks_.constFind(event->timerId());
    if (it == ticks_.constEnd()) return;
    const Tick tick = *it;
    if (!tick.widget || IsDestroying(tick.widget)) return;
    try {
      SendMessage(tick.widget, WM_TIMER, tick.id);
    } catch (...) {
      detail::ReportHandlerException();
    }
  }

 private:
  using Key = std::pair<const QWidget*, std::uintptr_t>;
  struct Tick {
    QPointer<QWidget> widget;
    std::uintptr_t id;
  };

  void KillAll(const QWidget* w) {
    for (auto it = byWindow_.begin(); it != byWindow_.end();) {
      if (it.key().first == w) {
        killTimer(it.value());
        ticks_.remove(it.value());
        it = byWindow_.erase(it);
      } else {
        ++it;
      }
    }
    watched_.remove(w);
  }

  QHash<Key, int> byWindow_;
  QHash<int, Tick> ticks_;
  QHash<const QWidget*, QMetaObject::Connection> watched_;
};

TimerHost* Host() {
  static QPointer<TimerHost> host;
  if (!host) {
    host = new TimerHost;
    host->setParent(QCoreApplication::instance());
  }
  return host;
}

}  // namespace

std::uintptr_t SetTimer(QWidget* widget, std::uintptr_t id, unsigned milliseconds) {
  if (!widget || !QCoreApplication::instance()) return 0;
  StartMessageLayer();
  return Host()->Set(widget, id, milliseconds);
}

bool KillTimer(QWidget* widget, std::uintptr_t id) { return widget && Host()->Kill(widget, id); }

}  // namespace platform
