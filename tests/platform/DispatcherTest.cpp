#include "platform/Dispatcher.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QTimer>

#include <numeric>
#include <thread>

using platform::Dispatcher;

TEST(Dispatcher, CallsFromWorkersRunOnThePumpingThreadInOrder) {
  Dispatcher d;
  std::vector<int> seen;
  bool onThisThread = true;
  const auto self = std::this_thread::get_id();
  std::thread worker([&] {
    for (int i = 0; i < 100; ++i)
      d.Post([&, i] {
        onThisThread &= std::this_thread::get_id() == self;
        seen.push_back(i);
      });
  });
  worker.join();
  EXPECT_TRUE(seen.empty());  // nothing runs until pumped
  EXPECT_EQ(d.Pending(), 100u);
  d.Post([&] { d.Post([&] { seen.push_back(-1); }); });  // posted while pumping: waits for the next pump
  EXPECT_EQ(d.Pump(), 101);
  std::vector<int> expected(100);
  std::iota(expected.begin(), expected.end(), 0);
  EXPECT_EQ(seen, expected);
  EXPECT_TRUE(onThisThread);
  EXPECT_EQ(d.Pump(), 1);
  EXPECT_EQ(seen.back(), -1);
}

TEST(Dispatcher, PumpUntilWaitsForAWorkerAndGivesUpAtTheTimeOut) {
  Dispatcher d;
  bool done = false;
  std::thread worker([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    d.Post([&] { done = true; });
  });
  EXPECT_TRUE(d.PumpUntil([&] { return done; }, std::chrono::seconds(10)));
  worker.join();
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(d.PumpUntil([] { return false; }, std::chrono::milliseconds(100)));
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
}

TEST(Dispatcher, TheEventLoopRunsTheCallsWithoutAPump) {
  int argc = 1;
  char name[] = "dispatcher_test";
  char* argv[] = {name, nullptr};
  QCoreApplication app(argc, argv);
  Dispatcher d;
  bool ran = false;
  std::thread worker([&] {
    d.Post([&] {
      ran = true;
      QCoreApplication::quit();
    });
  });
  QTimer::singleShot(10000, &app, [] { QCoreApplication::exit(1); });
  EXPECT_EQ(app.exec(), 0);
  worker.join();
  EXPECT_TRUE(ran);
}
