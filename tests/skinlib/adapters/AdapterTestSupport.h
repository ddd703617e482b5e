// Test support of the adapters: a control that records the skin commands
// it gets, whether each came by SendMessage (through its window level) or
// by Perform (its control level only), and answers "skinned" (7) as told;
// a stand-in for the section backgrounds' background query.
#pragma once

#include "platform/Bitmap.h"
#include "platform/Messages.h"
#include "platform/WindowProc.h"
#include "skinlib/manager/CommonDataSeams.h"
#include "skinlib/manager/LibraryConstants.h"

#include <QString>
#include <QWidget>

#include <functional>
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

// Stands in for the section backgrounds' background query: `owner`
// answers with its cache `cache` (at offset 0, 0), every other control
// with the plain colour `color`. Records who was asked.
class BackgroundStandIn {
 public:
  BackgroundStandIn(QWidget* owner, const platform::Bitmap* cache, platform::TColor color = 0x336699) {
    saved_ = CommonDataSeams().QueryControlBackground;
    CommonDataSeams().QueryControlBackground = [=, this](TsBgQuery& q, QWidget* control, bool) {
      Asked.push_back(control);
      if (control == owner && cache) {
        q.BgKind = TsBgQuery::FromBitmap;
        q.Bitmap = const_cast<platform::Bitmap*>(cache);
        q.Offset = {0, 0};
        return true;
      }
      q.BgKind = TsBgQuery::PlainColor;
      q.Color = color;
      return false;
    };
  }
  ~BackgroundStandIn() { CommonDataSeams().QueryControlBackground = saved_; }
  BackgroundStandIn(const BackgroundStandIn&) = delete;
  BackgroundStandIn& operator=(const BackgroundStandIn&) = delete;
  std::vector<QWidget*> Asked;

 private:
  std::function<bool(TsBgQuery&, QWidget*, bool)> saved_;
};
