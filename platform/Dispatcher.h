// Calls queued from worker threads onto the GUI thread.
//
// A worker hands a call to Post; it runs later on the GUI thread, in the
// order posted. In the program the Qt event loop runs the queue as soon as
// it can; tests (and code without an event loop) run it with Pump.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

class QEvent;
class QObject;

namespace platform {

class Dispatcher {
 public:
  // The calls run on the thread that creates the dispatcher; when a
  // QCoreApplication exists, the event loop of its thread runs them too.
  Dispatcher();
  ~Dispatcher();
  Dispatcher(const Dispatcher&) = delete;
  Dispatcher& operator=(const Dispatcher&) = delete;

  // Queues a call; safe from any thread. A call never runs inside Post.
  void Post(std::function<void()> call);

  // Runs the calls queued so far on the calling thread (the GUI thread);
  // calls they post wait for the next pump. Returns how many ran.
  int Pump();

  // Pumps until `done` holds or the time-out passes, sleeping while the
  // queue is empty; true when `done` held.
  bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

  // Calls queued and not yet run.
  size_t Pending() const;

 private:
  class Waker;
  void Woken();

  mutable std::mutex mutex_;
  std::condition_variable posted_;
  std::deque<std::function<void()>> queue_;
  QObject* receiver_;  // lives on the GUI thread; wakes its event loop
  QEvent* spare_;      // the next wake event; null while one is on its way
};

// The program's dispatcher onto the GUI thread (made on first use, which
// must be on the GUI thread).
Dispatcher& GuiDispatcher();

}  // namespace platform
