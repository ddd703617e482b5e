// Test support: a control that records the skin commands it gets, whether
// each came by SendMessage (through its window level) or by Perform (its
// control level only), and answers "skinned" (7) as told.
#pragma once

#include "platform/Messages.h"
#include "platform/WindowProc.h"
#include "skinlib/manager/LibraryConstants.h"

#include <QString>
#include <QWidget>

#include <vector>

struct CommandRecord {
  QString Who;
  unsigned Command = 0;
  bool Sent = false;  // by SendMessage; false: by Perform
  platform::LPARAM LParam = 0;
  friend bool operator==(const CommandRecord&, const CommandRecord&) = default;
};

class CommandRecorder {
 public:
  CommandRecorder(std::vector<CommandRecord>& log, QWidget* control, QString name, bool skinned = false)
      : log_(log), name_(std::move(name)), skinned_(skinned) {
    using namespace platform;
    window_ = InstallWindowProc(
        control,
        [this](Message& m, const CallPrevious& previous) {
          if (m.Msg == SkinCommandMsg) sent_ = true;
          previous(m);
        },
        WindowProcLevel::Window);
    control_ = InstallWindowProc(
        control,
        [this](Message& m, const CallPrevious& previous) {
          if (m.Msg != SkinCommandMsg) return previous(m);
          const unsigned command = HIWORD(m.WParam);
          if (command != acIsSkinned || RecordQuestions) log_.push_back({name_, command, sent_, m.LParam});
          sent_ = false;
          m.Result = command == acIsSkinned ? (skinned_ ? 1 : 0) : Answer;
        },
        WindowProcLevel::Control);
  }
  ~CommandRecorder() {
    platform::RemoveWindowProc(window_);
    platform::RemoveWindowProc(control_);
  }
  CommandRecorder(const CommandRecorder&) = delete;
  CommandRecorder& operator=(const CommandRecorder&) = delete;

  // The answer to every command but 7.
  platform::LRESULT Answer = 0;
  // Command 7 (asked by the senders) recorded as well.
  bool RecordQuestions = false;

 private:
  std::vector<CommandRecord>& log_;
  QString name_;
  bool skinned_;
  bool sent_ = false;
  platform::WindowProcHandle window_, control_;
};
