// Window procedures that note what they see in one shared log.
#pragma once

#include "platform/WindowProc.h"

#include <algorithm>
#include <set>
#include <string>
#include <utility>
#include <vector>

struct LogEntry {
  std::string who;
  unsigned msg;
  friend bool operator==(const LogEntry&, const LogEntry&) = default;
};

inline std::ostream& operator<<(std::ostream& out, const LogEntry& e) {
  return out << e.who << ":0x" << std::hex << e.msg << std::dec;
}

class MessageLog {
 public:
  // A handler that notes "who:message" and passes the message on.
  platform::WindowProcHandle Add(QWidget* widget, std::string who,
                                 platform::WindowProcLevel level = platform::WindowProcLevel::Window) {
    return platform::InstallWindowProc(
        widget,
        [this, who](platform::Message& m, const platform::CallPrevious& previous) {
          entries.push_back({who, m.Msg});
          previous(m);
        },
        level);
  }
  // The entries of the given messages, taken out of the log.
  std::vector<LogEntry> Take(const std::set<unsigned>& only = {}) {
    std::vector<LogEntry> taken;
    for (const LogEntry& e : entries)
      if (only.empty() || only.count(e.msg)) taken.push_back(e);
    entries.clear();
    return taken;
  }
  std::vector<unsigned> Messages(const std::set<unsigned>& only = {}) {
    std::vector<unsigned> msgs;
    for (const LogEntry& e : Take(only)) msgs.push_back(e.msg);
    return msgs;
  }

  std::vector<LogEntry> entries;
};
