#include "platform/Dispatcher.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QThread>

namespace platform {
namespace {

QEvent::Type PumpEvent() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

}  // namespace

// Runs the owning dispatcher's queue when its wake event arrives.
class Dispatcher::Waker : public QObject {
 public:
  explicit Waker(Dispatcher* owner) : owner_(owner) {}
  bool event(QEvent* e) override {
    if (e->type() != PumpEvent()) return QObject::event(e);
    owner_->Woken();
    return true;
  }

 private:
  Dispatcher* const owner_;
};

Dispatcher::Dispatcher() : receiver_(new Waker(this)), spare_(new QEvent(PumpEvent())) {
  if (auto* app = QCoreApplication::instance(); app && app->thread() != receiver_->thread())
    receiver_->moveToThread(app->thread());
}

Dispatcher::~Dispatcher() {
  // A worker that posted last (say one left running at exit) is done with
  // the mutex and the condition once we hold the mutex: Post wakes waiters
  // under it.
  { std::lock_guard lock(mutex_); }
  delete receiver_;  // Qt drops (and frees) a wake event still on its way
  delete spare_;
}

// With an event loop, the receiver's thread drains the queue on its own,
// woken by one event at a time. That event is made on the receiver's
// thread and handed over under our mutex: nothing a worker allocated
// reaches the GUI thread through Qt's queue, whose locks thread checkers
// cannot see.
void Dispatcher::Post(std::function<void()> call) {
  QEvent* wake = nullptr;
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(call));
    if (spare_ && QCoreApplication::instance()) std::swap(wake, spare_);
    posted_.notify_all();
  }
  if (wake) QCoreApplication::postEvent(receiver_, wake);
}

void Dispatcher::Woken() {
  {
    auto* next = new QEvent(PumpEvent());
    std::lock_guard lock(mutex_);
    spare_ = next;
  }
  Pump();
}

int Dispatcher::Pump() {
  std::deque<std::function<void()>> calls;
  {
    std::lock_guard lock(mutex_);
    calls.swap(queue_);
  }
  for (auto& call : calls) call();
  return static_cast<int>(calls.size());
}

bool Dispatcher::PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    Pump();
    if (done()) return true;
    std::unique_lock lock(mutex_);
    if (!posted_.wait_until(lock, deadline, [this] { return !queue_.empty(); })) {
      lock.unlock();
      Pump();
      return done();
    }
  }
}

size_t Dispatcher::Pending() const {
  std::lock_guard lock(mutex_);
  return queue_.size();
}

Dispatcher& GuiDispatcher() {
  static Dispatcher dispatcher;
  return dispatcher;
}

}  // namespace platform
