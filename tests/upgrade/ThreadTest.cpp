// The worker-thread component: where its callbacks run, waits and their
// time-outs, exceptions, and stopping a worker that waits for the GUI
// thread without deadlock.
#include "upgrade/auThread.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

TEST(Thread, CallbacksRunWhereTheyShouldAndAWaitKeepsTheGuiThreadServing) {
  platform::Dispatcher gui;
  TauCustomThread thread(gui);
  const auto self = std::this_thread::get_id();
  std::vector<std::string> seen;
  thread.OnExecute = [&](TauCustomThread& sender) {
    seen.push_back(std::this_thread::get_id() == self ? "execute on gui" : "execute on worker");
    sender.Synchronize([&] { seen.push_back(std::this_thread::get_id() == self ? "sync on gui" : "sync elsewhere"); });
  };
  thread.OnFinish = [&](TauCustomThread&) {
    seen.push_back(std::this_thread::get_id() == self ? "finish on gui" : "finish elsewhere");
  };
  thread.WaitForFinish = true;
  EXPECT_TRUE(thread.Execute());
  EXPECT_EQ(seen, (std::vector<std::string>{"execute on worker", "sync on gui", "finish on gui"}));
  EXPECT_FALSE(thread.Running());
  EXPECT_TRUE(thread.Execute()) << "every run starts on a fresh thread object";
  EXPECT_EQ(seen.size(), 6u);
}

TEST(Thread, AWaitThatTimesOutAsksWhetherToStop) {
  for (bool stop : {false, true}) {
    SCOPED_TRACE(stop);
    platform::Dispatcher gui;
    TauCustomThread thread(gui);
    std::atomic<bool> ended{false};
    thread.OnExecute = [&](TauCustomThread& sender) {
      while (!sender.Checkpoint()) std::this_thread::sleep_for(1ms);
      ended = true;
    };
    int asked = 0;
    thread.OnWaitTimeoutExpired = [&](TauCustomThread&, bool& terminate) {
      ++asked;
      terminate = stop;
    };
    thread.WaitForFinish = true;
    thread.WaitTimeout = 50;
    const auto start = Clock::now();
    EXPECT_EQ(thread.Execute(), !stop);
    EXPECT_GE(Clock::now() - start, 50ms);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(ended.load(), stop) << "a hard stop waits for the worker to end";
    thread.Terminate(false);
  }
}

TEST(Thread, ExceptionsOfCallbacksNeverEndTheProgram) {
  for (bool handle : {true, false}) {
    SCOPED_TRACE(handle);
    platform::Dispatcher gui;
    TauCustomThread thread(gui);
    thread.HandleExceptions = handle;
    std::vector<std::string> seen;
    thread.OnExecute = [&](TauCustomThread& sender) {
      try {
        sender.Synchronize([] { throw std::runtime_error("in a synchronized call"); });
        seen.push_back("dropped");
      } catch (const std::runtime_error&) {
        seen.push_back("raised again");
      }
      throw std::runtime_error("in the work");
    };
    thread.OnException = [&](TauCustomThread&) { seen.push_back("exception"); };
    thread.OnFinish = [&](TauCustomThread&) { seen.push_back("finish"); };
    thread.WaitForFinish = true;
    EXPECT_TRUE(thread.Execute());
    if (handle) {
      EXPECT_EQ(seen, (std::vector<std::string>{"dropped", "exception", "finish"}));
      EXPECT_FALSE(thread.Thread()->FatalException());
    } else {
      EXPECT_EQ(seen, std::vector<std::string>{"raised again"});
      EXPECT_TRUE(thread.Thread()->FatalException());
    }
  }
}

TEST(Thread, ASynchronizedCallFromTheGuiThreadRunsAtOnce) {
  platform::Dispatcher gui;
  TauCustomThread thread(gui);
  bool ran = false;
  EXPECT_TRUE(thread.Synchronize([&] { ran = true; }));
  EXPECT_TRUE(ran);
  EXPECT_EQ(gui.Pending(), 0u) << "nothing left for the GUI thread to run";
}

TEST(Thread, AHardStopReleasesAWorkerWaitingForTheGuiThread) {
  platform::Dispatcher gui;
  bool ran = false;
  {
    TauCustomThread thread(gui);
    std::atomic<bool> waiting{false}, synchronized{true};
    thread.OnExecute = [&](TauCustomThread& sender) {
      waiting = true;
      synchronized = sender.Synchronize([&] { ran = true; });
    };
    thread.Execute();
    while (!waiting) std::this_thread::sleep_for(1ms);
    while (gui.Pending() == 0) std::this_thread::sleep_for(1ms);
    // The GUI thread does not serve the call: it stops the worker.
    const auto start = Clock::now();
    EXPECT_TRUE(thread.Terminate(true));
    EXPECT_LT(Clock::now() - start, 1s);
    EXPECT_FALSE(synchronized.load());
    gui.Pump();
    EXPECT_FALSE(ran) << "a dropped call never runs";

    // A worker whose queued call is left when the component goes.
    thread.OnExecute = [&](TauCustomThread& sender) { sender.Synchronize([&] { ran = true; }); };
    thread.Execute();
    while (gui.Pending() == 0) std::this_thread::sleep_for(1ms);
  }
  gui.Pump();
  EXPECT_FALSE(ran);
}

TEST(Thread, AHardStopFromInsideASynchronizedCallDoesNotWaitForItself) {
  platform::Dispatcher gui;
  TauCustomThread thread(gui);
  std::atomic<int> after{0};
  bool ended = true;
  thread.OnExecute = [&](TauCustomThread& sender) {
    int local = 0;
    sender.Synchronize([&] {
      ended = sender.Terminate(true);
      local = 42;  // the worker still waits for this call
    });
    after = local;
  };
  thread.Execute();
  // The worker posts nothing once it has set `after`: look now and then.
  for (auto end = Clock::now() + 10s; after == 0 && Clock::now() < end;) gui.PumpUntil([] { return false; }, 1ms);
  EXPECT_FALSE(ended);
  EXPECT_EQ(after, 42);
}

TEST(Thread, SuspendPausesAtTheNextCheckpoint) {
  platform::Dispatcher gui;
  TauCustomThread thread(gui);
  std::atomic<int> rounds{0};
  thread.OnExecute = [&](TauCustomThread& sender) {
    while (!sender.Checkpoint()) {
      ++rounds;
      std::this_thread::sleep_for(1ms);
    }
  };
  EXPECT_TRUE(thread.Suspended()) << "made suspended";
  thread.Execute();
  EXPECT_FALSE(thread.Suspended());
  while (rounds < 3) std::this_thread::sleep_for(1ms);
  thread.Suspend();
  thread.Suspend();
  std::this_thread::sleep_for(20ms);
  const int paused = rounds;
  std::this_thread::sleep_for(20ms);
  EXPECT_EQ(rounds, paused);
  thread.Resume();
  EXPECT_TRUE(thread.Suspended()) << "suspended twice, resumed once";
  thread.Resume();
  while (rounds < paused + 3) std::this_thread::sleep_for(1ms);
  thread.Terminate(false);
}

TEST(Thread, APriorityOutsideTheTableReadsAsNormal) {
  for (int p = tpIdle; p <= tpTimeCritical; ++p)
    EXPECT_EQ(PriorityFromNumber(PriorityToNumber(static_cast<TThreadPriority>(p))), p);
  EXPECT_EQ(PriorityFromNumber(5), tpNormal);
}

}  // namespace
