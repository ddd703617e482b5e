#include "upgrade/auThread.h"

#include "upgrade/auUtils.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<int, 7> kPriorityNumbers = {-15, -2, -1, 0, 1, 2, 15};

// The thread object whose procedure runs on this thread, if any.
thread_local TauEventThread* tls_current = nullptr;

}  // namespace

int PriorityToNumber(TThreadPriority priority) { return kPriorityNumbers.at(priority); }

TThreadPriority PriorityFromNumber(int number) {
  auto it = std::find(kPriorityNumbers.begin(), kPriorityNumbers.end(), number);
  return it == kPriorityNumbers.end() ? tpNormal : static_cast<TThreadPriority>(it - kPriorityNumbers.begin());
}

// ------------------------------------------------------------ TauEventThread

struct TauEventThread::SyncCall {
  std::function<void()> Method;
  bool Started = false;
  bool Done = false;
  bool Cancelled = false;
  std::exception_ptr Error;
};

TauEventThread::TauEventThread(TauCustomThread& owner, TauThreadEvent onExecute, TauThreadEvent onException,
                               TauThreadEvent onFinish, bool handleExceptions, TThreadPriority priority)
    : Priority(priority),
      owner_(owner),
      onExecute_(std::move(onExecute)),
      onException_(std::move(onException)),
      onFinish_(std::move(onFinish)),
      handleExceptions_(handleExceptions) {}

TauEventThread::~TauEventThread() {
  // The owner joins every thread it started; this is only a safety net.
  if (thread_.joinable()) {
    if (thread_.get_id() == std::this_thread::get_id())
      thread_.detach();
    else
      thread_.join();
  }
}

bool TauEventThread::Suspended() const {
  std::lock_guard lock(mutex_);
  return suspendCount_ > 0;
}

std::exception_ptr TauEventThread::FatalException() const {
  std::lock_guard lock(mutex_);
  return fatal_;
}

void TauEventThread::Procedure(std::shared_ptr<TauEventThread> self) {
  tls_current = self.get();
  TauEventThread& t = *self;
  TauCustomThread& owner = t.owner_;
  bool fatal = false;
  if (!t.Terminated) {
    t.Running = true;
    if (t.onExecute_ && !owner.Destroying()) {
      try {
        t.onExecute_(owner);
      } catch (...) {
        if (t.handleExceptions_) {
          if (t.onException_ && !owner.Destroying()) t.Synchronize([&] { t.onException_(owner); });
        } else {
          std::lock_guard lock(t.mutex_);
          t.fatal_ = std::current_exception();
          fatal = true;
        }
      }
    }
    if (t.onFinish_ && !fatal) {
      try {
        t.Synchronize([&] {
          try {
            t.onFinish_(owner);
          } catch (...) {
            if (!t.handleExceptions_ || !t.onException_) throw;
            t.onException_(owner);
          }
        });
      } catch (...) {
        std::lock_guard lock(t.mutex_);
        t.fatal_ = std::current_exception();
      }
    }
    t.Running = false;
  }
  {
    std::lock_guard lock(t.mutex_);
    t.ended_ = true;
  }
  t.changed_.notify_all();
  // Wake an owner that waits pumping the GUI thread.
  if (t.waited_) owner.Dispatcher().Post([] {});
  tls_current = nullptr;
}

bool TauEventThread::Synchronize(const std::function<void()>& method) {
  auto call = std::make_shared<SyncCall>();
  call->Method = method;
  {
    std::lock_guard lock(mutex_);
    if (released_ || owner_.Destroying()) return false;
    pending_ = call;
  }
  // The queued call keeps this object alive; it runs nothing once cancelled.
  owner_.Dispatcher().Post([self = shared_from_this(), call] {
    {
      std::lock_guard lock(self->mutex_);
      if (call->Cancelled) return;
      call->Started = true;
    }
    try {
      call->Method();
    } catch (...) {
      call->Error = std::current_exception();
    }
    {
      std::lock_guard lock(self->mutex_);
      call->Done = true;
    }
    self->changed_.notify_all();
  });
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return call->Done || call->Cancelled; });
  pending_.reset();
  lock.unlock();
  if (call->Error && !handleExceptions_) std::rethrow_exception(call->Error);
  return call->Done;
}

void TauEventThread::Release() {
  {
    std::lock_guard lock(mutex_);
    released_ = true;
    // A call that already runs is finished; one still queued is dropped.
    if (pending_ && !pending_->Started) pending_->Cancelled = true;
  }
  changed_.notify_all();
}

bool TauEventThread::Join(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  if (!started_) return true;
  if (!changed_.wait_for(lock, timeout, [&] { return ended_.load(); })) return false;
  lock.unlock();
  if (thread_.joinable()) thread_.join();
  return true;
}

bool TauEventThread::CallRunningNow() const {
  std::lock_guard lock(mutex_);
  return pending_ && pending_->Started && !pending_->Done;
}

// ------------------------------------------------------------ TauCustomThread

TauCustomThread::TauCustomThread(platform::Dispatcher& dispatcher)
    : dispatcher_(dispatcher),
      guiThread_(std::this_thread::get_id()),
      thread_(MakeThread(tpNormal)),
      alive_(std::make_shared<std::atomic<bool>>(true)) {}

TauCustomThread::~TauCustomThread() { Shutdown(); }

std::shared_ptr<TauEventThread> TauCustomThread::MakeThread(TThreadPriority priority) {
  return std::make_shared<TauEventThread>(*this, OnExecute, OnException, OnFinish, HandleExceptions, priority);
}

std::shared_ptr<TauEventThread> TauCustomThread::Thread() const {
  std::lock_guard lock(threadMutex_);
  return thread_;
}

TauEventThread* TauCustomThread::Own() const {
  return tls_current && &tls_current->owner_ == this ? tls_current : nullptr;
}

bool TauCustomThread::Execute() {
  Terminate(true);
  const std::shared_ptr<TauEventThread> t = Thread();
  t->waited_ = WaitForFinish;
  Resume();
  if (!WaitForFinish) return true;
  if (WaitPumping([&] { return t->Ended() || Destroying(); }, WaitTimeout, true, dispatcher_)) return true;
  if (t->Ended() || ApplicationTerminating()) return true;
  bool terminate = true;
  if (OnWaitTimeoutExpired) OnWaitTimeoutExpired(*this, terminate);
  if (terminate) Terminate(true);
  return !terminate;
}

bool TauCustomThread::Terminate(bool hard) {
  const std::shared_ptr<TauEventThread> t = Thread();
  {
    std::lock_guard lock(t->mutex_);
    t->Terminated = true;
  }
  t->changed_.notify_all();
  Interrupt();
  if (!hard) {
    std::lock_guard lock(t->mutex_);
    return t->ended_ || !t->started_;
  }
  t->Release();
  // Never wait for a worker that waits for us: one whose synchronized call
  // runs right now on this thread, or the worker itself.
  const bool ended = t.get() != tls_current && !t->CallRunningNow() && t->Join(HardStopWait);
  std::lock_guard lock(threadMutex_);
  if (!ended) retired_.push_back(t);
  std::erase_if(retired_, [](const std::shared_ptr<TauEventThread>& r) { return r->Ended() && r->Join({}); });
  thread_ = MakeThread(t->Priority);
  return ended;
}

void TauCustomThread::Shutdown() {
  if (destroying_.exchange(true)) return;
  *alive_ = false;
  Interrupt();
  std::vector<std::shared_ptr<TauEventThread>> all;
  {
    std::lock_guard lock(threadMutex_);
    all = retired_;
    all.push_back(thread_);
  }
  for (auto& t : all) {
    {
      std::lock_guard lock(t->mutex_);
      t->Terminated = true;
    }
    t->Release();
    if (t->thread_.joinable() && t.get() != tls_current) t->thread_.join();
  }
  std::lock_guard lock(threadMutex_);
  retired_.clear();
}

void TauCustomThread::Suspend() {
  const auto t = Thread();
  std::lock_guard lock(t->mutex_);
  ++t->suspendCount_;
}

void TauCustomThread::Resume() {
  const auto t = Thread();
  {
    std::lock_guard lock(t->mutex_);
    if (t->suspendCount_ > 0) --t->suspendCount_;
    if (t->suspendCount_ == 0 && !t->started_ && !destroying_) {
      t->started_ = true;
      t->thread_ = std::thread(TauEventThread::Procedure, t);
    }
  }
  t->changed_.notify_all();
}

void TauCustomThread::Loaded() {
  if (!StoredSuspended) Resume();
}

bool TauCustomThread::Suspended() const { return Thread()->Suspended(); }
bool TauCustomThread::Running() const { return Thread()->Running; }

bool TauCustomThread::Terminated() const {
  if (TauEventThread* own = Own()) return own->Terminated;
  return Thread()->Terminated;
}

TThreadPriority TauCustomThread::Priority() const { return Thread()->Priority; }
void TauCustomThread::SetPriority(TThreadPriority priority) { Thread()->Priority = priority; }

bool TauCustomThread::Synchronize(const std::function<void()>& method) {
  if (TauEventThread* own = Own()) return own->Synchronize(method);
  if (OnGuiThread()) {
    if (Destroying()) return false;
    try {
      method();
    } catch (...) {
      if (!HandleExceptions) throw;
    }
    return true;
  }
  return Thread()->Synchronize(method);
}

void TauCustomThread::Queue(std::function<void()> method) {
  TauEventThread* own = Own();
  std::shared_ptr<TauEventThread> t = own ? own->shared_from_this() : Thread();
  dispatcher_.Post([t, alive = alive_, method = std::move(method)] {
    if (!*alive) return;
    {
      std::lock_guard lock(t->mutex_);
      if (t->released_) return;
    }
    try {
      method();
    } catch (...) {
      // Nobody waits for a queued call: its error has nowhere to go.
    }
  });
}

bool TauCustomThread::Checkpoint() {
  TauEventThread* own = Own();
  if (!own) return Terminated();
  std::unique_lock lock(own->mutex_);
  own->changed_.wait(lock, [&] { return own->suspendCount_ == 0 || own->Terminated || own->released_; });
  return own->Terminated;
}
