// The adapter base: where its handler sits in a window's chain and that
// leaving gives the chain back exactly, its window procedure and skin
// commands, the window going before and after the adapter, and the
// unit's start and finish.
#include "skinlib/adapters/AdapterBase.h"

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Messages.h"
#include "platform/Painting.h"
#include "platform/ScrollInfo.h"
#include "platform/Startup.h"
#include "platform/UserPrompts.h"
#include "platform/WindowProc.h"
#include "platform/WindowPos.h"
#include "platform/WindowTable.h"
#include "skinlib/adapters/AdapterBaseSeams.h"
#include "skinlib/manager/AdapterEntryPoints.h"
#include "skinlib/manager/CommonDataSeams.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/SkinRecords.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/support/TestSkins.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QPainter>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

using namespace platform;

namespace {

constexpr unsigned kProbe = WM_USER + 77;

WPARAM Command(unsigned command) { return MAKEWPARAM(0, int(command)); }
LPARAM Ptr(const void* p) { return LPARAM(PtrParam(p)); }

// What a test adapter reports about itself, outliving it.
struct Report {
  int kept = 0, givenBack = 0, freed = 0;
  int calls = 0;              // of the adapter's window procedure, in progress
  bool freedInCall = false;  // its memory went while one ran
  bool applyWhileKeeping = false;
  std::vector<std::string>* order = nullptr;
};

class ProbeAdapter : public TacMainWnd {
 public:
  ProbeAdapter(QWidget* handle, TsCommonData* data, TsSkinManager* manager, const QString& section, Report* report)
      : TacMainWnd(handle, data, manager, section), report_(report) {}
  ~ProbeAdapter() override {
    RemoveWindowProc(partHook_);
    ++report_->freed;
    report_->freedInCall = report_->freedInCall || report_->calls > 0;
  }
  // A handler on a part of the control that passes everything on.
  void HookPart(QWidget* part) {
    partHook_ = InstallPartHandler(part, [this](Message& m, const CallPrevious& previous) {
      Report* report = report_;
      ++report->calls;
      previous(m);
      --report->calls;
    });
  }
  void KeepOwnParams() override {
    ++report_->kept;
    if (report_->applyWhileKeeping) ApplySkinParams();
  }
  void GiveBackOwnParams() override { ++report_->givenBack; }

 protected:
  void AdapterWndProc(Message& m, const CallPrevious& previous) override {
    if (m.Msg == kProbe && report_->order) report_->order->push_back("adapter");
    Report* report = report_;
    ++report->calls;
    TacMainWnd::AdapterWndProc(m, previous);
    --report->calls;
  }

 private:
  Report* report_;
  WindowProcHandle partHook_;
};

// A handler that notes its name when the probe passes.
WindowProcHandle Named(QWidget* w, std::string name, WindowProcLevel level, std::vector<std::string>& order) {
  return InstallWindowProc(
      w,
      [name = std::move(name), &order](Message& m, const CallPrevious& previous) {
        if (m.Msg == kProbe) order.push_back(name);
        previous(m);
      },
      level);
}

// The handler before the adapter: records what reaches it and may answer
// (`Answer` true: handled here).
class Previous {
 public:
  explicit Previous(QWidget* w, WindowProcLevel level = WindowProcLevel::Window) {
    handle_ = InstallWindowProc(
        w,
        [this](Message& m, const CallPrevious& previous) {
          seen.push_back(m);
          if (!(Answer && Answer(m))) previous(m);
        },
        level);
  }
  ~Previous() { RemoveWindowProc(handle_); }
  Previous(const Previous&) = delete;
  Previous& operator=(const Previous&) = delete;

  int Count(unsigned msg) const {
    int n = 0;
    for (const Message& m : seen) n += m.Msg == msg;
    return n;
  }
  // The skin sub-commands that reached it (and forgotten with the rest).
  std::vector<unsigned> TakeCommands() {
    std::vector<unsigned> commands;
    for (const Message& m : seen)
      if (m.Msg == SkinCommandMsg) commands.push_back(HIWORD(m.WParam));
    seen.clear();
    return commands;
  }

  std::vector<Message> seen;
  std::function<bool(Message&)> Answer;

 private:
  WindowProcHandle handle_;
};

// Paints a red square at (2, 2) in its paint event.
class Square : public QWidget {
 public:
  using QWidget::QWidget;

 protected:
  void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(2, 2, 4, 4, Qt::red); }
};

class AdapterBaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* unit : kUnits) StartUnit(unit);
    savedEntries_ = AdapterEntryPoints();
    QString error;
    ASSERT_TRUE(testskins::WriteSkinFolder(testskins::ControlDataSkin(), Root() + "/ControlData", &error))
        << error.toStdString();
    form.resize(300, 200);
    form.show();
  }
  void TearDown() override {
    AdapterBaseSeams() = {};
    CommonDataSeams() = {};
    AdapterEntryPoints() = savedEntries_;
    CreatingDialogAdapters = false;
    manager.reset();
    for (auto it = std::rbegin(kUnits); it != std::rend(kUnits); ++it) FinishUnit(*it);
  }

  QString Root() const { return QString::fromStdString(dir.Path()); }
  // The default manager over the control-data skin, active.
  void Activate() {
    manager = std::make_unique<TsSkinManager>();
    manager->SetSkinDirectory(Root());
    manager->SetSkinName("ControlData");
    ASSERT_TRUE(manager->Active());
  }
  TacAdapterPtr<ProbeAdapter> Adapt(QWidget* w, TsCommonData* data = nullptr, const QString& section = "PANEL") {
    return TacMainWnd::Create<ProbeAdapter>(w, data, nullptr, section, false, &report);
  }
  LRESULT Send(QWidget* w, unsigned command, LPARAM lParam) {
    return SendMessage(w, SkinCommandMsg, Command(command), lParam);
  }

  static constexpr const char* kUnits[] = {"LibraryConstants", "SkinnedForms", "SkinCommandSenders", "acSBUtils"};
  testsupport::TempDir dir;
  RecordingPrompts prompts;
  ScopedPrompts scopedPrompts{prompts};
  QWidget form;
  std::unique_ptr<TsSkinManager> manager;
  Report report;

 private:
  TacAdapterEntryPoints savedEntries_;
};

}  // namespace

// Each way of subclassing puts one handler at its level; every way of
// leaving gives back the chain exactly as it was, and the property.
TEST_F(AdapterBaseTest, InstallAndUninstallRestoreTheChain) {
  enum class Leave { UninstallThenFree, UninstallAdapterFreeing, Free, DeletedAsItself };
  const struct {
    TacSubclassing way;
    std::vector<std::string> installed;
  } ways[] = {
      {TacSubclassing::BareWindow, {"C", "adapter", "A", "D", "B"}},
      {TacSubclassing::Control, {"C", "A", "D", "adapter", "B"}},
      {TacSubclassing::ProviderForm, {"C", "A", "D", "adapter", "B"}},
  };
  for (const auto& row : ways) {
    for (Leave leave :
         {Leave::UninstallThenFree, Leave::UninstallAdapterFreeing, Leave::Free, Leave::DeletedAsItself}) {
      SCOPED_TRACE(testing::Message() << "way " << int(row.way) << ", leaving " << int(leave));
      QWidget w(&form);
      QObject provider;
      AdapterEntryPoints().ProviderForm = [&](const QObject* o) -> QWidget* { return o == &provider ? &w : nullptr; };
      std::unique_ptr<TsCommonData> data;
      if (row.way == TacSubclassing::Control) data = std::make_unique<TsCommonData>(&w);
      if (row.way == TacSubclassing::ProviderForm) data = std::make_unique<TsCommonData>(&provider);
      std::vector<std::string> order;
      report = {};
      report.order = &order;
      Named(&w, "A", WindowProcLevel::Window, order);
      Named(&w, "B", WindowProcLevel::Control, order);
      TacAdapterPtr<ProbeAdapter> adapter = Adapt(&w, data.get());
      Named(&w, "C", WindowProcLevel::Window, order);
      Named(&w, "D", WindowProcLevel::Control, order);
      EXPECT_EQ(adapter->Subclassing(), row.way);
      EXPECT_EQ(adapter->Phase(), TacAdapterPhase::Installed);
      EXPECT_EQ(FindAdapter(&w), adapter.get());
      // No skin paints the control: Qt's painting needs its parent's under it.
      EXPECT_FALSE(GetControlStyle(&w) & csOpaque);
      SendMessage(&w, kProbe);
      EXPECT_EQ(order, row.installed);

      switch (leave) {
        case Leave::UninstallThenFree:
          adapter->Uninstall(false);
          EXPECT_TRUE(adapter->Destroyed());
          EXPECT_EQ(report.givenBack, 1);
          adapter.reset();
          break;
        case Leave::UninstallAdapterFreeing:
          UninstallAdapter(/*freeIt=*/true, /*repaint=*/false, adapter);
          EXPECT_EQ(adapter, nullptr);
          break;
        case Leave::Free:
          adapter.reset();
          break;
        case Leave::DeletedAsItself:  // past the owner's pointer: no give-back, but out of the chain
          delete adapter.release();
          break;
      }
      const int givenBack = leave == Leave::DeletedAsItself ? 0 : 1;
      EXPECT_EQ(std::pair(report.givenBack, report.freed), std::pair(givenBack, 1));
      EXPECT_EQ(FindAdapter(&w), nullptr);
      order.clear();
      SendMessage(&w, kProbe);
      EXPECT_EQ(order, (std::vector<std::string>{"C", "A", "D", "B"}));
    }
  }
}

// WM_SETTEXT goes on once and refreshes Caption, with a skin and without,
// sent or from Qt's title change.
TEST_F(AdapterBaseTest, SetTextReachesThePreviousHandlerOnce) {
  for (bool active : {false, true}) {
    SCOPED_TRACE(active ? "skin active" : "no skin");
    if (active) Activate();
    QWidget w(&form);
    w.setWindowTitle("first");
    Previous previous(&w);
    auto adapter = Adapt(&w);
    EXPECT_EQ(adapter->Caption(), "first");
    const QString text = "second";
    EXPECT_EQ(SendMessage(&w, WM_SETTEXT, 0, Ptr(&text)), 1);
    EXPECT_EQ(previous.Count(WM_SETTEXT), 1);
    EXPECT_EQ(adapter->Caption(), "second");
    EXPECT_EQ(GetWindowText(&w), "second");
    w.setWindowTitle("third");
    EXPECT_EQ(previous.Count(WM_SETTEXT), 2);
    EXPECT_EQ(adapter->Caption(), "third");
  }
}

// The skin commands of the base while the skin is active: answered here,
// passed on, or both (the previous handler answers 5, or `previousAnswer`).
TEST_F(AdapterBaseTest, SkinCommandTable) {
  Activate();
  TsSkinManager other;  // not the adapter's manager
  enum Param { Zero, This, Other };
  const LRESULT app = Ptr(QCoreApplication::instance());
  const struct {
    const char* name;
    unsigned command;
    Param param;
    LRESULT previousAnswer, result;
    bool passedOn, painted;  // painted: synchronously, through the chain
    int forwarded, givenBack;
  } rows[] = {
      {"new skin, this manager", acNewSkin, This, 5, 5, true, false, 1, 0},
      {"new skin, another", acNewSkin, Other, 5, 5, true, false, 0, 0},
      {"remove skin, this manager", acRemoveSkin, This, 5, 5, true, false, 0, 1},
      {"remove skin, another", acRemoveSkin, Other, 5, 5, true, false, 0, 0},
      {"refresh, this manager", acRefresh, This, 5, 0, false, true, 0, 0},
      {"refresh, another manager", acRefresh, Other, 5, 5, true, false, 0, 0},
      {"end of update, not updating", acEndUpdate, Zero, 5, 5, true, false, 0, 0},
      {"are you skinned", acIsSkinned, Zero, 5, 1, false, false, 0, 0},
      {"are you updating", acIsUpdating, Zero, 5, 0, false, false, 0, 0},
      {"complex background, no owner control", acIsBgComplex, Zero, 5, 5, true, false, 0, 0},
      {"background colour answered before", acGetBgColor, Zero, 0x123456, 0x123456, true, false, 0, 0},
      {"background colour not answered", acGetBgColor, Zero, 0, 0xD8D8D8, true, false, 0, 0},
      {"prepare cache, background clean", acPrepareCache, Zero, 5, 5, true, false, 0, 0},
      {"application", acGetApplication, Zero, 5, app, false, false, 0, 0},
      {"unknown", 99, Zero, 5, 5, true, false, 0, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Square w(&form);
    w.resize(20, 20);
    w.show();
    QApplication::processEvents();
    Previous previous(&w);
    previous.Answer = [&](Message& m) {
      m.Result = row.previousAnswer;
      return m.Msg == SkinCommandMsg;
    };
    report = {};
    auto adapter = Adapt(&w);
    TsCommonData& data = *adapter->SkinData();
    ASSERT_TRUE(data.Skinned(true));
    std::vector<std::pair<QWidget*, unsigned>> forwarded;
    AdapterBaseSeams().BroadcastToChildWindows = [&](QWidget* window, Message& m) {
      forwarded.emplace_back(window, HIWORD(m.WParam));
    };
    AdapterBaseSeams().PrepareAdapterCache = [](TsCommonData&, QWidget*, bool) { ADD_FAILURE() << "not dirty"; };
    data.BackgroundDirty = false;
    data.SetUpdating(row.command == acRefresh);
    const LPARAM lParam = row.param == This ? Ptr(manager.get()) : row.param == Other ? Ptr(&other) : 0;
    const LRESULT result = Send(&w, row.command, lParam);

    EXPECT_EQ(result, row.result);
    EXPECT_EQ(previous.Count(WM_PAINT) > 0, row.painted);
    EXPECT_EQ(!previous.TakeCommands().empty(), row.passedOn);
    EXPECT_EQ(report.givenBack, row.givenBack);
    EXPECT_EQ(forwarded.size(), size_t(row.forwarded));
    if (row.forwarded) {
      EXPECT_EQ(forwarded[0], std::pair(static_cast<QWidget*>(&w), row.command));
    }
    const bool refreshed = row.param == This && (row.command == acNewSkin || row.command == acRefresh);
    EXPECT_EQ(data.BackgroundDirty, refreshed);
    if (row.command == acRefresh) {
      EXPECT_EQ(data.UpdatingFlag(), row.param != This);
    }
  }
}

// Sub-command 6 while updating: the flag is worked out again; clear, the
// window is redrawn at once; still set (the parent updates), nothing more.
// Neither goes on.
TEST_F(AdapterBaseTest, EndOfUpdateWhileUpdating) {
  Activate();
  bool parentUpdating = false;
  InstallWindowProc(
      &form,
      [&](Message& m, const CallPrevious& previous) {
        if (m.Msg == SkinCommandMsg && HIWORD(m.WParam) == acIsUpdating) {
          m.Result = parentUpdating ? 1 : 0;
          return;
        }
        previous(m);
      },
      WindowProcLevel::Control);
  for (bool stillUpdating : {false, true}) {
    SCOPED_TRACE(stillUpdating ? "the parent updates" : "done");
    parentUpdating = stillUpdating;
    Square w(&form);
    w.resize(20, 20);
    w.show();
    QApplication::processEvents();
    Previous previous(&w, WindowProcLevel::Control);
    TsCommonData data(&w);
    auto adapter = Adapt(&w, &data);
    data.SetUpdating(true);
    EXPECT_EQ(Send(&w, acIsUpdating, 0), 1);
    previous.seen.clear();
    Send(&w, acEndUpdate, 0);
    EXPECT_EQ(data.UpdatingFlag(), stillUpdating);
    // The repaint comes on a later turn, never inside the notice.
    EXPECT_EQ(previous.Count(WM_PAINT), 0);
    QApplication::processEvents();
    EXPECT_EQ(previous.Count(WM_PAINT) > 0, !stillUpdating);
    EXPECT_TRUE(previous.TakeCommands().empty());
  }
}

// A dirty background asks the edit adapters' cache step; the background
// query is answered here; a control's complex-background question by its
// skin data; a new skin goes to a control's children through the window
// utilities.
TEST_F(AdapterBaseTest, CacheQueriesAndControlChildren) {
  Activate();
  QWidget w(&form);
  Previous previous(&w, WindowProcLevel::Control);
  TsCommonData data(&w);
  auto adapter = Adapt(&w, &data, "PANEL");
  EXPECT_EQ(data.SkinSection(), "PANEL");
  EXPECT_EQ(previous.TakeCommands(), std::vector<unsigned>{acRefresh}) << "the section setter's, before the adapter";
  int prepared = 0;
  AdapterBaseSeams().PrepareAdapterCache = [&](TsCommonData&, QWidget*, bool) { ++prepared; };
  data.BackgroundDirty = true;
  Send(&w, acPrepareCache, 0);
  EXPECT_EQ(prepared, 1);
  EXPECT_EQ(previous.TakeCommands(), std::vector<unsigned>{acPrepareCache});

  TsBgQuery query;
  Send(&w, acBgQuery, Ptr(&query));
  EXPECT_NE(query.BgKind, TsBgQuery::NotAnswered);
  Send(&w, acBgQuery, 0);  // no record: nothing filled, nothing passed on
  Send(&w, acIsBgComplex, 0);
  EXPECT_TRUE(previous.TakeCommands().empty());

  std::vector<QWidget*> toChildren;
  AdapterEntryPoints().SendSkinCommandToChildren = [&](QWidget* control, Message& m) {
    EXPECT_EQ(HIWORD(m.WParam), unsigned(acNewSkin));
    toChildren.push_back(control);
  };
  AdapterBaseSeams().BroadcastToChildWindows = [&](QWidget*, Message&) { ADD_FAILURE() << "not to windows"; };
  Send(&w, acNewSkin, Ptr(manager.get()));
  EXPECT_EQ(toChildren, std::vector<QWidget*>{&w});
  EXPECT_EQ(previous.TakeCommands(), std::vector<unsigned>{acNewSkin});
}

// Without an active skin the adapter passes everything on; only
// WM_UPDATEUISTATE stays swallowed.
TEST_F(AdapterBaseTest, TransparentWithoutAnActiveSkin) {
  for (bool withManager : {false, true}) {
    SCOPED_TRACE(withManager ? "inactive manager" : "no manager");
    if (withManager) {
      Activate();
      manager->SetActive(false);
    }
    QWidget w(&form);
    Previous previous(&w);
    previous.Answer = [](Message& m) {
      m.Result = 7;
      return m.Msg == SkinCommandMsg;
    };
    auto adapter = Adapt(&w);
    for (unsigned command : {acIsSkinned, acRefresh, acGetApplication, acBgQuery})
      EXPECT_EQ(Send(&w, command, Ptr(manager.get())), 7) << command;
    EXPECT_EQ(previous.TakeCommands(),
              (std::vector<unsigned>{acIsSkinned, acRefresh, acGetApplication, acBgQuery}));
    EXPECT_EQ(SendMessage(&w, WM_UPDATEUISTATE, 1, 0), 0);
    EXPECT_EQ(previous.Count(WM_UPDATEUISTATE), 0);
  }
}

// WM_PRINT, sent or as the platform prints a parent with its children,
// becomes WM_PAINT with the same canvas; the window paints into it.
TEST_F(AdapterBaseTest, PrintBecomesPaint) {
  Square w(&form);
  w.setGeometry(30, 40, 20, 20);
  w.show();
  Previous previous(&w);
  auto adapter = Adapt(&w);
  Bitmap printed(20, 20, pfDevice);
  printed.Fill(qRgb(0, 255, 0));
  SendMessage(&w, WM_PRINT, PtrParam(&printed.GetCanvas()), PRF_CLIENT);
  printed.GetCanvas().EndPainting();
  EXPECT_EQ(previous.Count(WM_PRINT), 0);
  ASSERT_EQ(previous.Count(WM_PAINT), 1);
  EXPECT_EQ(previous.seen.back().WParam, PtrParam(&printed.GetCanvas()));
  EXPECT_EQ(printed.GetPixel(3, 3), clRed);

  previous.seen.clear();
  Bitmap whole(form.width(), form.height(), pfDevice);
  SendMessage(&form, WM_PRINT, PtrParam(&whole.GetCanvas()), PRF_CLIENT | PRF_CHILDREN);
  whole.GetCanvas().EndPainting();
  EXPECT_EQ(previous.Count(WM_PRINT) + previous.Count(WM_PRINTCLIENT), 0);
  EXPECT_EQ(previous.Count(WM_PAINT), 1);
  EXPECT_EQ(whole.GetPixel(33, 43), clRed);
}

// The window going first: the adapter leaves at WM_DESTROY (its glow
// hidden), and freeing it later touches nothing. The adapter going first:
// the window keeps working without it.
TEST_F(AdapterBaseTest, WindowDestroyedBeforeAndAfterTheAdapter) {
  std::vector<int> hidden;
  CommonDataSeams().HideGlow = [&](int index) { hidden.push_back(index); };
  for (bool windowFirst : {true, false}) {
    SCOPED_TRACE(windowFirst ? "window first" : "adapter first");
    report = {};
    auto* w = new QWidget(&form);
    int destroys = 0;
    InstallWindowProc(w, [&](Message& m, const CallPrevious& previous) {
      destroys += m.Msg == WM_DESTROY || m.Msg == WM_NCDESTROY;
      previous(m);
    });
    auto adapter = Adapt(w);
    if (windowFirst) {
      adapter->SkinData()->GlowIndex = 4;
      delete w;
      EXPECT_TRUE(adapter->Destroyed());
      EXPECT_EQ(adapter->CtrlHandle(), nullptr);
      EXPECT_EQ(hidden, std::vector<int>{4});
      EXPECT_EQ(report.givenBack, 1);
      adapter.reset();
    } else {
      adapter.reset();
      EXPECT_EQ(report.givenBack, 1);
      SendMessage(w, WM_MOUSEMOVE);
      SendMessage(w, SkinCommandMsg, Command(acIsSkinned));
      delete w;
    }
    EXPECT_EQ(destroys, 2) << "WM_DESTROY passed on, WM_NCDESTROY past the adapter";
    EXPECT_EQ(std::pair(report.givenBack, report.freed), std::pair(1, 1));
  }
}

// An adapter freed by the handling it passed a message on to stops there.
TEST_F(AdapterBaseTest, FreedWhileItPassesAMessageOn) {
  Activate();
  for (unsigned msg : {WM_SETTEXT, WM_DESTROY, SkinCommandMsg}) {
    SCOPED_TRACE(msg);
    QWidget w(&form);
    TacAdapterPtr<ProbeAdapter> adapter;
    InstallWindowProc(&w, [&](Message& m, const CallPrevious& previous) {
      if (m.Msg == msg) adapter.reset();
      previous(m);
    });
    adapter = Adapt(&w);
    const QString text = "x";
    SendMessage(&w, msg, msg == SkinCommandMsg ? Command(acGetBgColor) : 0, msg == WM_SETTEXT ? Ptr(&text) : 0);
    EXPECT_EQ(adapter, nullptr);
  }
}

// A click whose command frees the adapter (the skin removed), on its
// window or on a part of its control, leaves the adapter's memory until
// its handler has returned, as the code after the call still asks whether
// it was freed.
TEST_F(AdapterBaseTest, FreedByAClickItPassedOnLivesUntilItsHandlerReturns) {
  Activate();
  for (bool onPart : {false, true}) {
    SCOPED_TRACE(onPart);
    report = {};
    QWidget w(&form);
    QWidget part(&w);
    QWidget* clicked = onPart ? &part : &w;
    TacAdapterPtr<ProbeAdapter> adapter;
    InstallWindowProc(clicked, [&](Message& m, const CallPrevious& previous) {
      if (m.Msg == WM_LBUTTONUP) adapter.reset();
      previous(m);
    });
    adapter = Adapt(&w);
    adapter->HookPart(&part);
    SendMessage(clicked, WM_LBUTTONUP, 0, 0);
    EXPECT_EQ(adapter, nullptr);
    EXPECT_EQ(FindAdapter(&w), nullptr);
    EXPECT_EQ(std::pair(report.givenBack, report.freed), std::pair(1, 1));
    EXPECT_FALSE(report.freedInCall);
  }
}

// Hot tracking: a mouse move over an enabled window makes it the default
// manager's hot window; a background resize marks the cache dirty.
TEST_F(AdapterBaseTest, MouseMoveAndSize) {
  Activate();
  QWidget w(&form);
  auto adapter = Adapt(&w);
  w.setEnabled(false);
  SendMessage(&w, WM_MOUSEMOVE, 0, MAKELPARAM(1, 1));
  EXPECT_EQ(manager->HotWindow(), nullptr);
  w.setEnabled(true);
  SendMessage(&w, WM_MOUSEMOVE, 0, MAKELPARAM(1, 1));
  EXPECT_EQ(manager->HotWindow(), &w);

  adapter->SkinData()->BackgroundDirty = false;
  w.resize(33, 17);
  SendMessage(&w, WM_SIZE, 0, MAKELPARAM(33, 17));
  EXPECT_TRUE(adapter->SkinData()->BackgroundDirty);
}

// Creation: the creation flag, a given skin data's section and manager,
// own params kept once; the window's place read as a value.
TEST_F(AdapterBaseTest, CreationAndWindowParams) {
  Activate();
  QWidget w(&form);
  w.setGeometry(10, 20, 30, 40);
  EXPECT_FALSE(Adapt(&w)->DlgMode()) << "no dialog's unless the flag says so";
  report = {};
  report.applyWhileKeeping = true;
  CreatingDialogAdapters = true;
  auto own = Adapt(&w, nullptr, "edit");
  CreatingDialogAdapters = false;
  EXPECT_TRUE(own->DlgMode());
  EXPECT_TRUE(own->OwnSkinData());
  EXPECT_EQ(own->SkinData()->SkinSection(), "EDIT");
  EXPECT_NE(own->SkinData()->CacheBitmap, nullptr);
  EXPECT_EQ(own->SkinManager(), nullptr) << "the default manager";
  EXPECT_EQ(report.kept, 1);
  EXPECT_FALSE(own->ParamsApplied()) << "not applied since creation";
  own->ApplySkinParams();
  EXPECT_TRUE(own->ParamsApplied());
  own.reset();

  TsCommonData given(&w);
  given.SetSkinSection("GROUPBOX");
  auto adapter = Adapt(&w, &given, "PANEL");
  EXPECT_FALSE(adapter->DlgMode());
  EXPECT_FALSE(adapter->OwnSkinData());
  EXPECT_EQ(adapter->SkinData(), &given);
  EXPECT_EQ(given.SkinSection(), "GROUPBOX") << "a section given is kept";
  EXPECT_EQ(adapter->SkinManager(), manager.get());

  const TacWindowParams p = adapter->GetWindowParams();
  EXPECT_EQ(p.WndRect, GetWindowRect(&w));
  EXPECT_EQ(p.WndSize, QSize(30, 40));
  EXPECT_EQ(p.WndPos, (TPoint{10, 20}));
  EXPECT_EQ(p.ParentWnd, &form);
  EXPECT_EQ(p.ParentRect, GetWindowRect(&form));

  QWidget top;
  top.setGeometry(50, 60, 70, 80);
  auto alone = Adapt(&top);
  const TacWindowParams q = alone->GetWindowParams();
  EXPECT_EQ(q.ParentWnd, nullptr);
  EXPECT_EQ(q.ParentRect, TRect{});
  EXPECT_EQ(q.WndPos, (TPoint{q.WndRect.Left, q.WndRect.Top}));
}

// Leaving refreshes a visible window's frame: by a SetWindowPos that
// changes nothing but the frame when asked to repaint, else by WM_NCPAINT.
TEST_F(AdapterBaseTest, UninstallRefreshesAVisibleFrame) {
  for (const bool visible : {true, false}) {
    for (const bool repaint : {true, false}) {
      SCOPED_TRACE(testing::Message() << "visible " << visible << ", repaint " << repaint);
      QWidget w(&form);
      w.setGeometry(5, 6, 30, 20);
      w.setVisible(visible);
      std::vector<unsigned> flags;
      InstallWindowProc(&w, [&](Message& m, const CallPrevious& previous) {
        if (m.Msg == WM_WINDOWPOSCHANGING) flags.push_back(ParamPtr<WINDOWPOS>(m.LParam)->flags);
        previous(m);
      });
      auto adapter = Adapt(&w);
      const TRect before = GetWindowRect(&w);
      adapter->Uninstall(repaint);
      const std::vector<unsigned> expected =
          visible && repaint ? std::vector<unsigned>{SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE |
                                                     SWP_FRAMECHANGED}
                             : std::vector<unsigned>{};
      EXPECT_EQ(flags, expected);
      EXPECT_EQ(GetWindowRect(&w), before);
    }
  }
}

// Without a window (none, or one being destroyed) an adapter is made
// uninstalled and leaves nothing in its control's chain.
TEST_F(AdapterBaseTest, NoWindowNoAdapter) {
  QWidget w(&form);
  std::vector<std::string> order;
  report.order = &order;
  TsCommonData data(&w);
  auto adapter = Adapt(nullptr, &data);
  EXPECT_TRUE(adapter->Destroyed());
  SendMessage(&w, kProbe);
  EXPECT_TRUE(order.empty());
  EXPECT_EQ(FindAdapter(&w), nullptr);

  auto* going = new QWidget(&form);
  TacAdapterPtr<ProbeAdapter> late;
  InstallWindowProc(going, [&](Message& m, const CallPrevious& previous) {
    if (m.Msg == WM_DESTROY) late = Adapt(going);
    previous(m);
  });
  delete going;
  ASSERT_NE(late, nullptr);
  EXPECT_TRUE(late->Destroyed());
}

// An adapter that installs itself otherwise (as scroll adapters do) still
// starts without tracking.
TEST_F(AdapterBaseTest, InstallingClearsTracking) {
  class SelfInstalling : public ProbeAdapter {
   public:
    using ProbeAdapter::ProbeAdapter;

   protected:
    void Install(bool repaint) override {
      SetTracking(repaint);
      InstallAdapter(CtrlHandle());
    }
  };
  QWidget w(&form);
  auto adapter = TacMainWnd::Create<SelfInstalling>(&w, nullptr, nullptr, "PANEL", /*repaint=*/true, &report);
  EXPECT_FALSE(adapter->Tracking());
  EXPECT_EQ(FindAdapter(&w), adapter.get());
}

// The unit: the scroll-bar information at start, the page adapters' list
// freed (each adapter leaving its window) at the finish.
TEST(AdapterUnitTest, StartAndFinish) {
  StartUnit("acSBUtils");
  EXPECT_EQ(GetScrollBarInfoProc, &platform::GetScrollBarInfo);
  QWidget page;
  Report report;
  AdapterList().push_back(TacMainWnd::Create<ProbeAdapter>(&page, nullptr, nullptr, "CHECKBOX", false, &report));
  AdapterList().push_back(TacMainWnd::Create<ProbeAdapter>(&page, nullptr, nullptr, "CHECKBOX", false, &report));
  EXPECT_NE(FindAdapter(&page), nullptr);
  FinishUnit("acSBUtils");
  EXPECT_EQ(report.freed, 2);
  EXPECT_FALSE(AdapterListExists());
  EXPECT_EQ(FindAdapter(&page), nullptr);
  EXPECT_EQ(GetScrollBarInfoProc, nullptr);
}
