// The skin manager: one per process. It finds the windows to skin through
// the platform's creation hook (forms, dialogs and tool windows at their
// first show, before they are mapped, and any other as it is activated;
// MDI children as they are made, popup menus as they show), keeps the
// skinned forms, the skinned popup menus and the registered TSkinData
// components, picks the TSkinData for each window, and runs switching
// skinning on, off and refreshing as a deferred action from a single-shot
// timer.
//
// Every list holds weak references: an entry whose object is gone is
// passed over and dropped at the next purge. GUI thread only.
#pragma once

#include "platform/CbtHook.h"
#include "platform/Messages.h"
#include "platform/WindowProc.h"
#include "skinning/WinSkinData.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <vector>

class QMenu;

namespace skinning {

class TSkinControl;
class TWinSkinPopMenu;

// What the manager knows of the skinning object of one form. The control
// walk's TWinSkinForm derives from it; by itself it marks its window as
// skinned (it answers SKIN_QUERYSKINNED) and retires when the window goes,
// but paints nothing.
class TSkinFormObject : public QObject {
 public:
  // States: before the start notice, active, the window being destroyed,
  // retired (the window is gone; the manager frees the object).
  static constexpr int kStateNew = 0, kStateActive = 1, kStateDestroying = 4, kStateRetired = 6;
  // Form kinds: a normal form, the MDI parent (a form whose "FormStyle"
  // property reads "fsMDIForm"), an MDI child.
  static constexpr int kFormNormal = 0, kFormMDIParent = 1, kFormMDIChild = 2;

  explicit TSkinFormObject(QObject* owner = nullptr);
  ~TSkinFormObject() override;

  // Set by the manager before it attaches the object.
  void SetWindow(QWidget* window, int moduleTag, const QString& className);
  // Takes up the form: remembers the skin data, hooks the window.
  virtual void AttachForm(TSkinData* skinData, QWidget* control);
  // Gives the window its standard look back and unhooks it.
  virtual void RestoreWindow();
  // Takes up the skin data's new model and lays the frame out again.
  virtual void TakeUpSkin() {}
  virtual void RepaintForm();
  // A size grip made inside the form.
  virtual void SetSizeGrip(QWidget* grip);
  // The manager's state of a maximized MDI child changed.
  virtual void SetMDIMaximized(bool maximized);

  // The control painters working for this form: each joins when it hooks
  // its window and leaves when it goes.
  void AddControl(TSkinControl* painter);
  void RemoveControl(TSkinControl* painter);
  const std::vector<TSkinControl*>& Controls() const { return controls_; }

  QWidget* Window() const { return window_; }
  TSkinData* SkinData() const { return skinData_; }
  const QString& ClassName() const { return className_; }
  int ModuleTag() const { return moduleTag_; }
  int State() const { return state_; }
  int FormKind() const { return formKind_; }

 protected:
  // The window procedure of the base: answers SKIN_QUERYSKINNED and retires
  // with the window. Subclasses pass what they do not handle here.
  virtual void WindowProc(platform::Message& message, const platform::CallPrevious& previous);
  void SetState(int state) { state_ = state; }
  void SetFormKind(int kind) { formKind_ = kind; }

 private:
  QPointer<QWidget> window_;
  QPointer<TSkinData> skinData_;
  QString className_;
  int moduleTag_ = 0;
  int state_ = kStateNew;
  int formKind_ = kFormNormal;
  platform::WindowProcHandle handle_;
  std::vector<TSkinControl*> controls_;
};

// Makes the form object for a window; `control` is the window's control
// (its owner).
using TSkinFormFactory = std::function<TSkinFormObject*(QWidget* control)>;

class TSkinManage : public QObject {
 public:
  // Deferred actions.
  static constexpr int kSkinAll = 1, kUnskinAll = 2, kRefresh = 3;
  // Menu modes: which kind of menu the next popup shows.
  static constexpr int kContextMenu = 0, kMenuBarDropDown = 1, kSystemMenu = 2;

  TSkinManage();
  ~TSkinManage() override;

  // The creation hook on the GUI thread (once).
  void InstallHook();
  platform::LRESULT CbtHookProc(int code, platform::WPARAM wParam, platform::LPARAM lParam,
                                const platform::CallNextHook& next);

  // Skins one window; false, leaving it alone, when any test fails. The
  // form object starts on the posted notice, or, with `startNow`, before
  // AddForm returns (a window about to be mapped gets its frame first).
  bool AddForm(QWidget* window, bool startNow = false);
  // A top-level form, dialog or tool window with a caption (not a popup,
  // a hint or a frameless tool window).
  static bool IsForm(const QWidget* window);
  // AddForm for a visible form that is no child window.
  void AddFormIfTopLevel(QWidget* form);
  // Forgets the form object of the window (not freed).
  void RemoveForm(QWidget* window);
  // Drops entries whose object is gone; drops and frees retired ones.
  void PurgeForms();
  // Switches skinning off and restores and frees every form of this manager.
  void UnskinAll();
  TSkinFormObject* FindForm(QWidget* window) const;
  QWidget* FindControl(QWidget* window) const;

  void RegisterSkinData(TSkinData* data);
  void UnregisterSkinData(TSkinData* data);
  // The TSkinData for a window: one of type sfOnlyThisForm on it (the last
  // registered), else for dialogs the last sfDialog, else the last
  // sfMainform, else the first registered.
  TSkinData* FindSkinData(QWidget* window) const;
  // The form filter: whether a window class is skinned.
  bool FilterForm(QWidget* window, const QString& className) const;
  // A TSkinData goes: its pending action is dropped and the forms and
  // popups it skins are restored first.
  void ForgetSkinData(TSkinData* data);

  bool AddPopup(QWidget* window);
  bool RemovePopup(QWidget* window);
  TWinSkinPopMenu* FindPopup(const QWidget* window) const;
  // The skinned background of the popup showing `menu` (nullptr for none).
  const platform::Bitmap* GetPopupBackground(const QMenu* menu) const;
  // Gives `menu` to the newest popup that knows none yet.
  void SetPopupMenu(QMenu* menu);
  void FlagPopups();
  int PopupCount() const;

  void SetMDIMaximized(bool maximized);
  // Every form object of the current skin data takes up its new skin.
  void RefreshForms();
  // Runs `action` `delayMs` later, replacing one still pending. Before
  // skinning is first switched on (State() 0) skin-all and unskin-all only
  // switch the enabled flag.
  void PostAction(int action, int delayMs);
  void OnTimer();

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled) { enabled_ = enabled; }
  int State() const { return state_; }
  void SetState(int state) { state_ = state; }
  int MenuMode() const { return menuMode_; }
  void SetMenuMode(int mode) { menuMode_ = mode; }
  bool PopupFlag() const { return popupFlag_; }
  void SetPopupFlag(bool flag) { popupFlag_ = flag; }
  bool MDIMaximized() const { return mdiMaximized_; }
  int PendingAction() const { return action_; }
  bool ActionPending() const { return timer_.isActive(); }
  TSkinData* CurrentSkinData() const { return current_; }
  void SetCurrentSkinData(TSkinData* data) { current_ = data; }
  TSkinData* MainSkinData() const { return main_; }
  int ModuleTag() const { return moduleTag_; }
  // The skinned forms, live ones only.
  std::vector<TSkinFormObject*> Forms() const;
  void SetFormFactory(TSkinFormFactory factory) { factory_ = std::move(factory); }

 private:
  void Unskin(TSkinFormObject* form);
  std::vector<QWidget*> ScreenForms() const;

  QTimer timer_;
  std::vector<QPointer<TSkinFormObject>> forms_;
  std::vector<QPointer<TWinSkinPopMenu>> popups_;
  std::vector<QPointer<TSkinData>> skinData_;
  bool enabled_ = false;
  bool timerWalk_ = false;
  int state_ = 0;
  int menuMode_ = kContextMenu;
  bool popupFlag_ = false;
  bool mdiMaximized_ = false;
  int action_ = 0;
  QPointer<TSkinData> current_;
  QPointer<TSkinData> main_;
  int moduleTag_ = 0;
  platform::CbtHookHandle hook_;
  TSkinFormFactory factory_;
};

// The process's manager (nullptr until the first TSkinData::Loaded).
TSkinManage* SkinManage();
// Makes it when there is none.
TSkinManage& CreateSkinManage();
// Frees it (the finish of the unit "WinSkinManage"; tests call it too).
void FreeSkinManage();

}  // namespace skinning
