// The base of every window adapter of the skin library (`TacMainWnd`), and
// the unit "acSBUtils" that starts and finishes the adapters.
//
// An adapter attaches itself to one window, takes its messages before the
// window's own handling, paints the window in the current skin and passes
// everything else on. It takes the messages through one handler in the
// window's chain (platform/WindowProc.h), put there in one of three ways:
//   BareWindow    a window without a control of the program behind it (a
//                 standard dialog's child, an inner part of a composite
//                 widget): a handler of the window level
//   Control       the owner control of the adapter's skin data: a handler
//                 of the control level, where the control's WindowProc sat
//   ProviderForm  the skin data belongs to a form provider: the control
//                 level of the provider's form
// Passing a message on is the handler's CallPrevious (CallPrevWndProc). While
// installed the window's property "ACSBSC" holds the adapter (FindAdapter).
//
// Life: Create<T> makes and installs an adapter at once (phase Installed).
// It leaves the chain (phase Uninstalled, previous handling and property
// given back) through Uninstall, UninstallAdapter, the window's WM_DESTROY
// or WM_NCDESTROY, or when it is freed; its owner frees it later through
// its TacAdapterPtr. Freeing always leaves the chain first, also when the
// window went before (then nothing touches the window). An adapter freed
// while one of its handlers runs (the handling of a message it passed on
// removed the skin) is freed for everyone at once (PassOnAndSurvive says
// so) and deleted when that handler returns. Adapters are never
// deleted with a plain `delete`: the owner's pointer runs the give-back,
// which needs the descendant's own GiveBackOwnParams.
//
// The shape of a descendant (the adapters of the later units copy it):
//   - its mouse and paint state is private; other units read it through
//     const accessors, never through public fields;
//   - a paint builds its state once from the window, as a value
//     (GetWindowParams, then the descendant's own TXxxState ReadXxxState),
//     and hands values on; nothing written while painting is read later;
//   - each control has one pure layout function (TXxxLayout LayoutXxx),
//     which paint, hit test and hover all call;
//   - frame numbers, parts and phases are named enums, one mapping from
//     state to frame.
//
// Without a skin data, or with a manager that is missing or not active,
// an adapter is transparent: every message goes on unchanged (only
// WM_UPDATEUISTATE stays swallowed and WM_PRINT still becomes WM_PAINT).
//
// GUI thread only. A handler that lets an exception out stops at the chain
// (the platform reports it); the base throws none.
#pragma once

#include "platform/Colors.h"
#include "platform/Messages.h"
#include "platform/ScrollInfo.h"
#include "platform/WinTypes.h"
#include "platform/WindowProc.h"

#include <QPointer>
#include <QSize>
#include <QString>
#include <QWidget>

#include <memory>
#include <utility>
#include <vector>

class TsCommonData;
class TsSkinManager;
class TacMainWnd;

// ------------------------------------------------------------ unit globals

// The property of an adapted window that holds its adapter.
inline constexpr char kAdapterProp[] = "ACSBSC";

// Set while the adapters of a standard dialog's children are made (and by
// a combo box's adapter to its own DlgMode while it makes the adapter of
// its drop-down list); a new adapter's DlgMode copies it.
extern bool CreatingDialogAdapters;

// The scroll-bar information of a window; nullptr outside the unit's life.
using TGetScrollBarInfoProc = bool (*)(QWidget* window, int idObject, platform::SCROLLBARINFO* info);
extern TGetScrollBarInfoProc GetScrollBarInfoProc;

// Frees an adapter the way its owner must: out of the chain, then deleted.
struct TacAdapterDeleter {
  void operator()(TacMainWnd* adapter) const;
};
template <class T>
using TacAdapterPtr = std::unique_ptr<T, TacAdapterDeleter>;

// The page adapters that page-control adapters make for their pages; made
// on first use, freed (each adapter, then the list) when the unit finishes.
std::vector<TacAdapterPtr<TacMainWnd>>& AdapterList();
bool AdapterListExists();

// ------------------------------------------------------------ the base

// How the adapter's handler sits in the window's chain.
enum class TacSubclassing { BareWindow, Control, ProviderForm };

// Installed: the chain routes the window's messages to the adapter and
// the property holds it. Uninstalled: both given back; the adapter waits
// for its owner to free it.
enum class TacAdapterPhase { Installed, Uninstalled };

// The window's place, read from the window when asked (one value per
// paint): the window in screen coordinates, its size, its top-left in the
// parent's client coordinates (in screen coordinates without a parent),
// the parent's window rectangle (empty without one).
struct TacWindowParams {
  platform::TRect WndRect;
  QSize WndSize;
  platform::TPoint WndPos;
  platform::TRect ParentRect;
  QPointer<QWidget> ParentWnd;
};

class TacMainWnd {
 public:
  // Makes an adapter of type T for `handle` and installs it. T's
  // constructor takes (handle, skinData, manager, section, extra...) and
  // hands the first four to TacMainWnd's. `skinData` nullptr: the adapter
  // makes its own (no owner, with a cache bitmap). `manager` nullptr: the
  // skin data's manager (its own or the default one). An empty section of
  // the skin data takes `section`. `repaint` is for the adapters that
  // install themselves otherwise (scroll bars refresh the frame).
  template <class T, class... Extra>
  static TacAdapterPtr<T> Create(QWidget* handle, TsCommonData* skinData, TsSkinManager* manager,
                                 const QString& section, bool repaint, Extra&&... extra) {
    TacAdapterPtr<T> adapter(new T(handle, skinData, manager, section, std::forward<Extra>(extra)...));
    adapter->Attach(repaint);
    return adapter;
  }

  TacMainWnd(const TacMainWnd&) = delete;
  TacMainWnd& operator=(const TacMainWnd&) = delete;

  // ---- what the adapter knows
  QWidget* CtrlHandle() const { return ctrlHandle_; }
  TsCommonData* SkinData() const { return skinData_; }
  // The manager given (nullptr: the default manager).
  TsSkinManager* SkinManager() const { return skinManager_; }
  bool OwnSkinData() const { return ownSkinData_ != nullptr; }
  bool DlgMode() const { return dlgMode_; }
  // The window text, read at creation and after every WM_SETTEXT.
  const QString& Caption() const { return caption_; }
  bool Tracking() const { return tracking_; }
  bool ParamsApplied() const { return paramsApplied_; }
  platform::TColor OwnColor() const { return ownColor_; }
  platform::TColor OwnFontColor() const { return ownFontColor_; }
  TacSubclassing Subclassing() const { return subclassing_; }
  TacAdapterPhase Phase() const { return phase_; }
  bool Destroyed() const { return phase_ == TacAdapterPhase::Uninstalled; }

  // The window's place now (see TacWindowParams).
  TacWindowParams GetWindowParams() const;

  // Out of the chain without being freed: the previous handling and the
  // property given back, GiveBackOwnParams, a visible window's frame
  // refreshed (RefreshWindowFrame with `repaint`). Nothing once
  // uninstalled.
  void Uninstall(bool repaint);

  // ---- virtual operations
  // Keep and give back the control's own colours (descendants).
  virtual void KeepOwnParams() {}
  virtual void GiveBackOwnParams() {}
  virtual void ApplySkinParams() { paramsApplied_ = true; }

 protected:
  TacMainWnd(QWidget* handle, TsCommonData* skinData, TsSkinManager* manager, const QString& section);
  // Only through TacAdapterDeleter, after the give-back.
  virtual ~TacMainWnd();

  // The window procedure. Descendants handle what they paint and call the
  // base for the rest.
  virtual void AdapterWndProc(platform::Message& m, const platform::CallPrevious& previous);

  // The installation step of Create: InstallAdapter on the window. Scroll
  // adapters install their bars first and then call InstallAdapter.
  virtual void Install(bool repaint);
  // Puts the handler into the chain (by the way the skin data's owner
  // says) and the adapter into the window's property.
  void InstallAdapter(QWidget* handle);
  // A handler of the adapter, in the chain of its window or of a part of
  // its control (a bar's buttons, a view's header, a scroll bar), put there
  // as InstallWindowProc puts it; its calls count as the adapter's own, so
  // that an adapter freed from inside one is deleted when it returns.
  platform::WindowProcHandle InstallPartHandler(QWidget* window, platform::WindowProcHandler handler,
                                                platform::WindowProcLevel level = platform::WindowProcLevel::Window);

  // One message through the previous handling: a record (msg, wParam,
  // lParam, Result 0) whose Result is answered and whose LParam comes back.
  static platform::LRESULT CallPrevWndProc(const platform::CallPrevious& previous, unsigned msg,
                                           platform::WPARAM wParam, platform::LPARAM& lParam);
  // m.Result := CallPrevWndProc of m.
  static void PassOn(platform::Message& m, const platform::CallPrevious& previous);
  // PassOn; false when the adapter was freed meanwhile (then the caller
  // touches nothing of it any more).
  bool PassOnAndSurvive(platform::Message& m, const platform::CallPrevious& previous);

  void SetTracking(bool value) { tracking_ = value; }
  void KeepColors(platform::TColor color, platform::TColor fontColor) {
    ownColor_ = color;
    ownFontColor_ = fontColor;
  }

 private:
  friend struct TacAdapterDeleter;

  // Create's steps after construction.
  void Attach(bool repaint);
  // What freeing does before the object goes.
  void Detach();
  // The skin command while the skin data's manager is active.
  void SkinCommand(platform::Message& m, const platform::CallPrevious& previous);
  bool ForThisManager(const platform::Message& m) const;
  void Unhook();
  // The owner control is opaque while the skin paints it, else as it was.
  void SetOwnerOpaque(bool skinned);

  QPointer<QWidget> ctrlHandle_;
  QPointer<TsSkinManager> skinManager_;
  TsCommonData* skinData_ = nullptr;
  std::unique_ptr<TsCommonData> ownSkinData_;
  bool dlgMode_ = false;
  QString caption_;
  bool tracking_ = false;
  bool paramsApplied_ = false;
  bool ownOpaque_ = false;  // the owner control's own csOpaque, given back
  bool opaqueKept_ = false;
  platform::TColor ownColor_ = platform::clNone;
  platform::TColor ownFontColor_ = platform::clNone;
  TacSubclassing subclassing_ = TacSubclassing::BareWindow;
  TacAdapterPhase phase_ = TacAdapterPhase::Installed;
  platform::WindowProcHandle hook_;
  // Expires when the adapter is freed (PassOnAndSurvive).
  std::shared_ptr<const bool> life_ = std::make_shared<const bool>(true);
  // Calls of its handlers in progress; one freed meanwhile is deleted when
  // the last returns.
  int handlerCalls_ = 0;
  bool freeOnReturn_ = false;
};

// Out of the chain (as TacMainWnd::Uninstall) and, with `freeIt`, freed
// (the pointer then empty). Nothing for an empty pointer.
template <class T>
void UninstallAdapter(bool freeIt, bool repaint, TacAdapterPtr<T>& adapter) {
  if (!adapter) return;
  adapter->Uninstall(repaint);
  if (freeIt) adapter.reset();
}

// The adapter installed on `window` (its property "ACSBSC"), or nullptr.
TacMainWnd* FindAdapter(const QWidget* window);

// A window's frame asked to follow a change: with `byPosition` a
// SetWindowPos that changes nothing but the frame (SWP_NOSIZE | SWP_NOMOVE
// | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED), else WM_NCPAINT with
// wParam 1. Nothing for a window that is being destroyed.
void RefreshWindowFrame(QWidget* window, bool byPosition);

// The skin command `m` sent on to the children: to the child controls of
// `control` when given (the window utilities' SendSkinCommandToChildren),
// else to the child windows of `window` (BroadcastToChildWindows).
void ForwardSkinCommand(QWidget* control, QWidget* window, platform::Message& m);
