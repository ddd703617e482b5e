// Window procedures that note what they see in one shared log.
#pragma once

#include "platform/WindowProc.h"

#include <QCoreApplication>

#include <ostream>
#include <set>
#include <string>
#include <vector>

// Runs the events that are due.
inline void PumpEvents() { QCoreApplication::processEvents(); }

struct LogEntry {
  std::string who;
  unsigned msg;
  friend bool operator==(const LogEntry&, const LogEntry&) = default;
  friend std::ostream& operator<<(std::ostream& out, const LogEntry& e) { return out << e.who << ":" << e.msg; }
};

class MessageLog {
 public:
  // A handler that notes "who:message" (and the whole message) and passes
  // the message on.
  platform::WindowProcHandle Add(QWidget* widget, std::string who,
                                 platform::WindowProcLevel level = platform::WindowProcLevel::Window) {
    return platform::InstallWindowProc(
        widget,
        [this, who](platform::Message& m, const platform::CallPrevious& previous) {
          entries.push_back({who, m.Msg});
          seen.push_back(m);
          previous(m);
        },
        level);
  }
  // The entries (of the given messages only), taken out of the log.
  std::vector<LogEntry> Take(const std::set<unsigned>& only = {}) {
    std::vector<LogEntry> taken;
    for (const LogEntry& e : entries)
      if (only.empty() || only.count(e.msg)) taken.push_back(e);
    entries.clear();
    seen.clear();
    return taken;
  }
  std::vector<unsigned> Messages(const std::set<unsigned>& only = {}) {
    std::vector<unsigned> msgs;
    for (const LogEntry& e : Take(only)) msgs.push_back(e.msg);
    return msgs;
  }
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (const LogEntry& e : Take()) names.push_back(e.who);
    return names;
  }

  std::vector<LogEntry> entries;
  std::vector<platform::Message> seen;
};
