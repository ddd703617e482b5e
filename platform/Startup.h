// Start-up and close-down of the program's units, in place of unit
// initialization and finalization sections.
//
// No Qt GUI object may be made before QApplication exists, so a unit does
// its start-up work here instead of in a static initializer: it registers
// a start and a finish (registering makes nothing), and main() runs every
// registered start once QApplication exists (UnitStartupScope).
//
// Starts and finishes are counted per unit: StartUnit runs the start only
// when the unit's count goes from 0 to 1 and FinishUnit runs the finish
// only when it falls back to 0, so a unit that several others use starts
// once and finishes after its last user. A unit's prerequisites are
// started before it and finished after it.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace platform {

// Registers a unit; returns true so that a static initializer can do it:
//   static const bool registered = platform::RegisterUnit("acPNG", Start, Finish);
// Registering a name again replaces the entry.
bool RegisterUnit(const std::string& name, std::function<void()> start,
                  std::function<void()> finish = {}, std::vector<std::string> prerequisites = {});

// Counted start and finish of one unit (and its prerequisites). Throws
// std::logic_error for an unknown unit, a circle of prerequisites, or when
// no QCoreApplication exists yet. A start that throws leaves the unit
// unstarted.
void StartUnit(const std::string& name);
void FinishUnit(const std::string& name);
int UnitStartCount(const std::string& name);

// Starts every registered unit once, in the order registered (each after
// its prerequisites); a second call starts only units registered since.
void RunUnitStartups();
// Finishes what RunUnitStartups started, the last started first.
void FinishUnits();

// RunUnitStartups for the life of main().
class UnitStartupScope {
 public:
  UnitStartupScope() { RunUnitStartups(); }
  ~UnitStartupScope() { FinishUnits(); }
  UnitStartupScope(const UnitStartupScope&) = delete;
  UnitStartupScope& operator=(const UnitStartupScope&) = delete;
};

}  // namespace platform
