// A component that owns a worker thread and lets it call onto the GUI
// thread.
//
// TauCustomThread runs its OnExecute on a fresh worker for every Execute;
// OnException and OnFinish run on the GUI thread. The worker reaches the
// GUI thread through the dispatcher: Synchronize queues a call there and
// waits until it has run. That wait ends early (the call is dropped) when
// the run is stopped hard or the component is destroyed, so a GUI thread
// that waits for the worker never deadlocks on it. A call that already
// runs on the GUI thread is always finished before the worker goes on, so
// a synchronized call may use the worker's local variables.
//
// Stopping: Terminate(false) sets Terminated, which the work polls (or
// Checkpoint). Terminate(true) also releases the worker's waits, waits at
// most HardStopWait for it to end and starts a fresh thread object; a
// worker that has not ended by then is never killed: it finishes on its
// own (its further calls to the GUI thread are dropped) and the
// component's destructor waits for it.
//
// Suspend and Resume count: a worker is made suspended and starts with
// the Resume that brings the count to 0; a running worker that is
// suspended pauses at its next Checkpoint. Thread priorities are kept and
// reported but not applied (ordinary Linux threads have none to set).
#pragma once

#include "platform/Dispatcher.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

enum TThreadPriority : uint8_t { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// The old system's numbers for the priorities (-15, -2, -1, 0, 1, 2, 15),
// and back; a number not in the table reads as tpNormal.
int PriorityToNumber(TThreadPriority priority);
TThreadPriority PriorityFromNumber(int number);

class TauCustomThread;
using TauThreadEvent = std::function<void(TauCustomThread& sender)>;
using TauWaitTimeoutEvent = std::function<void(TauCustomThread& sender, bool& terminate)>;

// One run of the worker: made suspended, runs at most once. The owner and
// the running thread share it.
class TauEventThread : public std::enable_shared_from_this<TauEventThread> {
 public:
  TauEventThread(TauCustomThread& owner, TauThreadEvent onExecute, TauThreadEvent onException,
                 TauThreadEvent onFinish, bool handleExceptions, TThreadPriority priority);
  ~TauEventThread();
  TauEventThread(const TauEventThread&) = delete;
  TauEventThread& operator=(const TauEventThread&) = delete;

  std::atomic<bool> Terminated{false};
  std::atomic<bool> Running{false};
  std::atomic<int32_t> ReturnValue{0};
  TThreadPriority Priority;

  bool Suspended() const;
  bool Ended() const { return ended_; }
  // An exception that left OnExecute with HandleExceptions off.
  std::exception_ptr FatalException() const;

 private:
  friend class TauCustomThread;
  struct SyncCall;

  static void Procedure(std::shared_ptr<TauEventThread> self);
  bool Synchronize(const std::function<void()>& method);
  void Release();
  bool Join(std::chrono::milliseconds timeout);  // true when the thread has ended and is joined
  bool CallRunningNow() const;

  TauCustomThread& owner_;
  TauThreadEvent onExecute_, onException_, onFinish_;
  bool handleExceptions_;

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  int suspendCount_ = 1;
  bool started_ = false;
  bool released_ = false;  // a hard stop or destruction: calls to the GUI thread are dropped
  std::atomic<bool> ended_{false};
  std::atomic<bool> waited_{false};  // the owner waits for the end pumping the GUI thread
  std::shared_ptr<SyncCall> pending_;
  std::exception_ptr fatal_;
  std::thread thread_;
};

class TauCustomThread {
 public:
  // The component lives on the GUI thread, whose calls `dispatcher` runs.
  explicit TauCustomThread(platform::Dispatcher& dispatcher = platform::GuiDispatcher());
  virtual ~TauCustomThread();
  TauCustomThread(const TauCustomThread&) = delete;
  TauCustomThread& operator=(const TauCustomThread&) = delete;

  // Callbacks of the next run (a run keeps the ones it started with).
  TauThreadEvent OnExecute, OnException, OnFinish;
  TauWaitTimeoutEvent OnWaitTimeoutExpired;
  bool HandleExceptions = true;  // exceptions of the callbacks go to OnException, never further
  bool WaitForFinish = false;    // Execute returns when the run has ended
  unsigned WaitTimeout = 0;      // for that wait, in ms; 0 = no limit
  bool StoredSuspended = true;   // applied by Loaded
  // How long a hard stop waits for the worker to end.
  std::chrono::milliseconds HardStopWait{1000};

  // Starts a run on a fresh thread object (a run still working is stopped
  // hard first). With WaitForFinish the GUI thread's work goes on while it
  // waits; false only when the wait timed out and the run was stopped.
  bool Execute();
  // True when the worker has ended (a hard stop waits HardStopWait for it).
  bool Terminate(bool hard);
  void Suspend();
  void Resume();
  void Loaded();

  bool Suspended() const;
  bool Running() const;
  bool Terminated() const;
  TThreadPriority Priority() const;
  void SetPriority(TThreadPriority priority);
  bool Destroying() const { return destroying_; }
  // The current thread object.
  std::shared_ptr<TauEventThread> Thread() const;

  // From the worker: runs `method` on the GUI thread and waits for it.
  // False when the call was dropped (hard stop, destruction). On the GUI
  // thread itself the call runs at once. An exception of `method` is
  // dropped with HandleExceptions, else raised again here.
  bool Synchronize(const std::function<void()>& method);
  // From the worker: queues `method` for the GUI thread without waiting;
  // dropped like a synchronized call.
  void Queue(std::function<void()> method);
  // From the work: waits while the run is suspended; returns Terminated.
  bool Checkpoint();

  platform::Dispatcher& Dispatcher() const { return dispatcher_; }
  bool OnGuiThread() const { return std::this_thread::get_id() == guiThread_; }

  // Stops every worker this component started and waits for them; from
  // then on nothing reaches the GUI thread. The destructor calls it; an
  // owner whose workers use its own members calls it first.
  void Shutdown();

 protected:
  // Called by Terminate (both kinds) and Shutdown before they wait, so that
  // a worker blocked outside our waits (a socket, say) can be woken.
  virtual void Interrupt() {}

 private:
  std::shared_ptr<TauEventThread> MakeThread(TThreadPriority priority);
  // The thread object whose procedure runs on the calling thread, when it
  // is one of this component's.
  TauEventThread* Own() const;

  platform::Dispatcher& dispatcher_;
  const std::thread::id guiThread_;
  std::atomic<bool> destroying_{false};
  // Guards the shared pointer itself: workers read it through Terminated().
  mutable std::mutex threadMutex_;
  std::shared_ptr<TauEventThread> thread_;
  std::vector<std::shared_ptr<TauEventThread>> retired_;  // stopped hard, not yet ended
  // Lets queued calls see that the component is gone.
  std::shared_ptr<std::atomic<bool>> alive_;
};
