#include "platform/Startup.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {

std::vector<std::string> g_log;

void Register(const std::string& name, std::vector<std::string> prerequisites = {}) {
  RegisterUnit(
      name, [name] { g_log.push_back("start " + name); },
      [name] { g_log.push_back("finish " + name); }, std::move(prerequisites));
}

}  // namespace

TEST(Startup, CountedStartsAndFinishes) {
  g_log.clear();
  Register("counted.base");
  Register("counted.other");
  Register("counted.user", {"counted.base", "counted.other"});
  StartUnit("counted.user");
  FinishUnit("counted.user");  // prerequisites finish after their user, the last first
  EXPECT_EQ(g_log, (std::vector<std::string>{"start counted.base", "start counted.other", "start counted.user",
                                             "finish counted.user", "finish counted.other", "finish counted.base"}));
  g_log.clear();
  StartUnit("counted.user");
  StartUnit("counted.base");  // a second user of the base
  EXPECT_EQ(UnitStartCount("counted.base"), 2);
  FinishUnit("counted.user");
  EXPECT_EQ(UnitStartCount("counted.base"), 1) << "its other user still holds it";
  FinishUnit("counted.base");
  FinishUnit("counted.base");  // once more: nothing
  EXPECT_EQ(g_log.size(), 6u);
  EXPECT_EQ(g_log.back(), "finish counted.base");
}

// An unknown unit, a circle of prerequisites and a failing start are
// reported, and every unit started on the way is let go again.
TEST(Startup, FailuresAreReported) {
  Register("circle.a", {"circle.b"});
  Register("circle.b", {"circle.a"});
  Register("failing.base");
  RegisterUnit("failing", [] { throw std::runtime_error("no resources"); }, {}, {"failing.base"});
  g_log.clear();
  EXPECT_THROW(StartUnit("no.such.unit"), std::logic_error);
  EXPECT_THROW(StartUnit("circle.a"), std::logic_error);
  EXPECT_THROW(StartUnit("failing"), std::runtime_error);
  for (const char* unit : {"circle.a", "circle.b", "failing", "failing.base"})
    EXPECT_EQ(UnitStartCount(unit), 0) << unit;
  EXPECT_EQ(g_log, (std::vector<std::string>{"start failing.base", "finish failing.base"}));
  for (const char* unit : {"circle.a", "circle.b", "failing"}) RegisterUnit(unit, {}, {});  // for the test of main
}

TEST(Startup, MainStartsEverythingOnceAndFinishesInReverse) {
  g_log.clear();
  Register("main.late", {"main.early"});
  Register("main.early");
  {
    UnitStartupScope scope;
    EXPECT_EQ(UnitStartCount("main.early"), 2) << "once for main, once for its user";
    RunUnitStartups();  // a second run starts nothing new
    EXPECT_EQ(UnitStartCount("main.late"), 1);
  }
  EXPECT_EQ(UnitStartCount("main.early"), 0);
  EXPECT_EQ(UnitStartCount("main.late"), 0);
  auto at = [&](const std::string& s) { return std::find(g_log.begin(), g_log.end(), s) - g_log.begin(); };
  EXPECT_LT(at("start main.early"), at("start main.late"));
  EXPECT_LT(at("finish main.late"), at("finish main.early"));
}
