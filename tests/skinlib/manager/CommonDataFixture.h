// What the tests of the shared control data and the skinned forms share:
// the generated skins in a folder, a default manager over the control-data
// skin, a shown form, controls whose window procedure answers through
// their skin data, and forms that record the skin commands they hear.
#pragma once

#include "platform/Startup.h"
#include "platform/UserPrompts.h"
#include "platform/WindowProc.h"
#include "skinlib/manager/AdapterEntryPoints.h"
#include "skinlib/manager/CommonDataSeams.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/ManagerSeams.h"
#include "skinlib/manager/SkinnedForms.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/support/TestSkins.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace commondatatest {

using platform::CallPrevious;
using platform::LPARAM;
using platform::LRESULT;
using platform::Message;
using platform::WPARAM;

inline WPARAM Command(unsigned command, int argument = 0) { return platform::MAKEWPARAM(argument, int(command)); }

// Sends a skin sub-command to a widget through its whole chain.
inline LRESULT Send(QWidget* w, unsigned command, LPARAM lParam = 0, int argument = 0) {
  return platform::SendMessage(w, SkinCommandMsg, Command(command, argument), lParam);
}

// Counts the paint events a widget gets.
class PaintCounter : public QObject {
 public:
  explicit PaintCounter(QWidget* w) { w->installEventFilter(this); }
  int Count = 0;

 protected:
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) ++Count;
    return false;
  }
};

// A control whose window procedure (control level, so that Perform
// reaches it, unless an adapter's window level is asked for) answers
// through its skin data, and which records every
// skin sub-command it hears. `Answer`, when set, may answer first.
class SkinnedControl {
 public:
  explicit SkinnedControl(QWidget* control, const QString& section = {}, int kind = 0,
                          platform::WindowProcLevel level = platform::WindowProcLevel::Control)
      : Data(control), Control(control) {
    handle_ = platform::InstallWindowProc(
        control,
        [this](Message& m, const CallPrevious& previous) {
          if (m.Msg == SkinCommandMsg) {
            Heard.push_back(platform::HIWORD(m.WParam));
            Arguments.push_back(platform::LOWORD(m.WParam));
          }
          if (Answer && Answer(m)) return;
          if (!CommonWindowMessage(m, &Data)) previous(m);
        },
        level);
    Data.ControlKind = kind;
    if (!section.isEmpty()) Data.SetSkinSection(section);
    Heard.clear();
  }
  ~SkinnedControl() { platform::RemoveWindowProc(handle_); }
  SkinnedControl(const SkinnedControl&) = delete;
  SkinnedControl& operator=(const SkinnedControl&) = delete;

  // The sub-commands heard so far (and forgotten).
  std::vector<unsigned> Take() { return std::exchange(Heard, {}); }

  TsCommonData Data;
  QWidget* Control;
  std::vector<unsigned> Heard;
  std::vector<unsigned> Arguments;  // the low word of each
  std::function<bool(Message&)> Answer;

 private:
  platform::WindowProcHandle handle_;
};

// A form that records the skin sub-commands 1, 2, 3 and 16 it hears and
// the WM_SETREDRAW it gets; a skinned one answers 7 with 1 and 4 with its
// provider.
class RecordingForm : public QWidget {
 public:
  explicit RecordingForm(QObject* provider = nullptr) : provider_(provider) {
    handle_ = platform::InstallWindowProc(this, [this](Message& m, const CallPrevious& previous) {
      if (m.Msg == platform::WM_SETREDRAW) Redraw.push_back(m.WParam != 0);
      if (m.Msg == SkinCommandMsg) {
        const unsigned command = platform::HIWORD(m.WParam);
        if (provider_ && command == acIsSkinned) {
          m.Result = 1;
          return;
        }
        if (provider_ && command == acGetProvider) {
          m.Result = LRESULT(platform::PtrParam(provider_));
          return;
        }
        if (command == acNewSkin || command == acRemoveSkin || command == acRefresh || command == acBeforeRefresh) {
          Heard.push_back(command);
          if (OnCommand) OnCommand(command);
          return;
        }
      }
      previous(m);
    });
  }
  std::vector<unsigned> Heard;
  std::vector<bool> Redraw;
  std::function<void(unsigned)> OnCommand;

 private:
  QObject* provider_;
  platform::WindowProcHandle handle_;
};

class CommonDataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* unit : kUnits) platform::StartUnit(unit);
    savedEntries_ = AdapterEntryPoints();
    QString error;
    ASSERT_TRUE(testskins::WriteSkinFolder(testskins::ControlDataSkin(), Root() + "/ControlData", &error))
        << error.toStdString();
    ASSERT_TRUE(testskins::WriteSkinFolder(testskins::DemoSkin(), Root() + "/Demo", &error)) << error.toStdString();
    manager = std::make_unique<TsSkinManager>();
    manager->SetSkinDirectory(Root());
    manager->SetSkinName("ControlData");
    ASSERT_TRUE(manager->SkinData->Active);
    form.resize(400, 300);
    form.show();
  }
  void TearDown() override {
    // The slots a test filled may hold its locals: emptied first.
    CommonDataSeams() = {};
    ManagerSeams().LayeredWindowsAvailable = nullptr;
    ManagerSeams().FreeAllGlows = nullptr;
    AdapterEntryPoints() = savedEntries_;
    manager.reset();
    FormsLocked = ForceBackgroundCache = SkipGraphicChildren = false;
    ChangedSectionName.clear();
    for (auto it = std::rbegin(kUnits); it != std::rend(kUnits); ++it) platform::FinishUnit(*it);
  }

  QString Root() const { return QString::fromStdString(dir.Path()); }
  int Index(const QString& section) const { return manager->IndexOfSection(section); }
  const TsGeneralData& SectionData(const QString& section) const {
    return manager->GeneralData.at(size_t(Index(section)));
  }

  static constexpr const char* kUnits[] = {"LibraryConstants", "SkinnedForms", "SkinCommandSenders"};
  testsupport::TempDir dir;
  platform::RecordingPrompts prompts;
  platform::ScopedPrompts scopedPrompts{prompts};
  QWidget form;
  std::unique_ptr<TsSkinManager> manager;

 private:
  TacAdapterEntryPoints savedEntries_;
};

}  // namespace commondatatest
