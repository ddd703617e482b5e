#include "platform/Dispatcher.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>
#include <QThread>

namespace platform {

Dispatcher::Dispatcher() : receiver_(new QObject) {
  if (auto* app = QCoreApplication::instance(); app && app->thread() != receiver_->thread())
    receiver_->moveToThread(app->thread());
}

Dispatcher::~Dispatcher() { delete receiver_; }

void Dispatcher::Post(std::function<void()> call) {
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(call));
  }
  posted_.notify_all();
  // With an event loop, the receiver's thread drains the queue on its own.
  if (QCoreApplication::instance())
    QMetaObject::invokeMethod(
        receiver_, [this] { Pump(); }, Qt::QueuedConnection);
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
