#include "platform/Startup.h"

#include <QCoreApplication>

#include <algorithm>
#include <map>

namespace platform {

namespace {

struct Unit {
  std::function<void()> start, finish;
  std::vector<std::string> prerequisites;
  int count = 0;
  bool starting = false;
};

struct Units {
  std::map<std::string, Unit> byName;
  std::vector<std::string> order;       // registration order
  std::vector<std::string> runStarted;  // started by RunUnitStartups, in order
};

Units& TheUnits() {
  static Units units;
  return units;
}

Unit& Find(const std::string& name) {
  auto it = TheUnits().byName.find(name);
  if (it == TheUnits().byName.end()) throw std::logic_error("Unknown unit \"" + name + "\"");
  return it->second;
}

}  // namespace

bool RegisterUnit(const std::string& name, std::function<void()> start,
                  std::function<void()> finish, std::vector<std::string> prerequisites) {
  Units& units = TheUnits();
  if (!units.byName.count(name)) units.order.push_back(name);
  Unit& unit = units.byName[name];
  unit.start = std::move(start);
  unit.finish = std::move(finish);
  unit.prerequisites = std::move(prerequisites);
  return true;
}

void StartUnit(const std::string& name) {
  if (!QCoreApplication::instance())
    throw std::logic_error("Units start only once the application object exists");
  Unit& unit = Find(name);
  if (unit.starting) throw std::logic_error("Units require each other in a circle at \"" + name + "\"");
  if (unit.count > 0) {
    ++unit.count;
    return;
  }
  unit.starting = true;
  size_t started = 0;
  try {
    for (; started < unit.prerequisites.size(); ++started) StartUnit(unit.prerequisites[started]);
    if (unit.start) unit.start();
  } catch (...) {
    unit.starting = false;
    while (started > 0) FinishUnit(unit.prerequisites[--started]);
    throw;
  }
  unit.starting = false;
  unit.count = 1;
}

void FinishUnit(const std::string& name) {
  Unit& unit = Find(name);
  if (unit.count == 0) return;
  if (--unit.count > 0) return;
  if (unit.finish) unit.finish();
  for (auto it = unit.prerequisites.rbegin(); it != unit.prerequisites.rend(); ++it) FinishUnit(*it);
}

int UnitStartCount(const std::string& name) {
  auto it = TheUnits().byName.find(name);
  return it == TheUnits().byName.end() ? 0 : it->second.count;
}

void RunUnitStartups() {
  Units& units = TheUnits();
  for (size_t i = 0; i < units.order.size(); ++i) {
    const std::string name = units.order[i];
    if (std::find(units.runStarted.begin(), units.runStarted.end(), name) != units.runStarted.end())
      continue;
    StartUnit(name);
    units.runStarted.push_back(name);
  }
}

void FinishUnits() {
  Units& units = TheUnits();
  while (!units.runStarted.empty()) {
    std::string name = units.runStarted.back();
    units.runStarted.pop_back();
    FinishUnit(name);
  }
}

}  // namespace platform
