// The skinning object of one form: TWinSkinForm, made for each form the
// skin manager skins (through its form factory). It takes up the form
// (its kind, border and caption buttons from the window's styles, the
// skin's face colour), and walks the form's controls to give each the
// painter its class or the skin's class map (Skin3rd) calls for.
//
// The walk follows the widget tree as Qt forms nest it: containers (plain
// widgets and frames, splitters, stacks, group boxes, tab widgets' pages,
// a scroll box's contents, tool bars, embedded forms) have their children
// walked, each child inside its own exception guard, in the order of the
// container's children; controls are leaves. A control tagged DisableTag
// is left alone (a tagged radio or check group's buttons are marked as
// skipped, their own Tags untouched); a class mapped to "nil" is left
// alone with everything inside it. Walking again attaches nothing twice,
// so the form rescans at activation and whenever a control is made in it
// later.
//
// Menus: the drop-downs of the form's menu bar (with xcMenuItem) and its
// popup menus not tagged DisableTag (with xcPopupMenu) take the skin's
// style; unskinning gives every style back.
//
// GUI thread only.
#pragma once

#include "platform/CbtHook.h"
#include "platform/Properties.h"
#include "skinning/WinSkinManage.h"
#include "skinning/WinSubClass.h"

#include <QPointer>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

class QComboBox;
class QMenu;

namespace skinning {

class TSkinFormFrame;

class TWinSkinForm : public TSkinFormObject {
 public:
  // Border kinds.
  static constexpr int kBorderSizeable = 0, kBorderSingle = 1, kBorderNone = 2, kBorderDialog = 3;
  // Bits of CaptionButtons.
  static constexpr unsigned kMaximizeBox = 1, kMinimizeBox = 2, kHelpButton = 4, kSystemMenuBox = 8;

  explicit TWinSkinForm(QObject* owner = nullptr);
  ~TWinSkinForm() override;

  // Takes up the form: OnBeforeSkinForm, SubclassForm, the face colour,
  // the menu bar's drop-downs.
  void AttachForm(TSkinData* skinData, QWidget* control) override;
  // Reads the window's styles into the flags below and takes its window
  // procedure (once).
  void SubclassForm(TSkinData* skinData);
  // Gives one control its painter and walks a container's children.
  void WalkControl(QWidget* control, QWidget* container);
  // The class map: true when Skin3rd names the class (the control is then
  // skinned by its kind or, for "nil" and kinds switched off, left alone).
  bool SkinByKind(const QString& className, QWidget* control);
  // A window by its class name: the controls of Qt's standard dialogs
  // answer with the system's class names ("Button", "Edit", "ComboBox" …);
  // the framework's own names never occur there.
  void SkinWindowByClass(QWidget* window);
  // The window answers the skinned query, or a painter already serves it.
  bool IsControlSkinned(QWidget* control) const;
  // Adds to the painter list; true when it was there already.
  bool AddPainter(TSkinControl* painter);
  void RemovePainter(TSkinControl* painter);
  TSkinControl* FindPainterByHandle(const QWidget* window) const;
  // Frees the painters whose window has gone, then walks the container's
  // children (and its popup menus).
  void RescanControls(QWidget* container);
  // The menu bar's drop-downs take the skin's style (or give it back).
  void SetMenusOwnerDraw(bool flag);
  // The container's popup menus not tagged DisableTag.
  void SetPopupMenusOwnerDraw(QWidget* container, bool flag);
  void RestoreWindow() override;
  void TakeUpSkin() override;

  QWidget* FormControl() const { return formControl_; }
  // The skinned frame (nullptr while the window keeps its own).
  TSkinFormFrame* Frame() const { return frame_.get(); }

  bool FrameSkinning = false;  // xcMainMenu: the frame and menu bar are the skin's
  bool MenuUpdate = false;
  bool IsDialog = false;
  bool ThickFrame = false;
  bool RightToLeft = false;
  bool ChildWindow = false;
  std::uint32_t Style = 0, ExStyle = 0;
  QPointer<QWidget> Owner;
  int BorderKind = kBorderSingle;
  unsigned CaptionButtons = 0;

 protected:
  void WindowProc(platform::Message& m, const platform::CallPrevious& previous) override;

 private:
  bool Has(TSkinControlType kind) const;
  bool HasTabElement() const;
  // Hooks a new painter of class T on the control.
  template <class T>
  T* Attach(QWidget* control, bool applyColor = false);
  // The class rules; false when the control's children are not walked.
  bool SkinByClass(QWidget* control, const QString& upperName);
  void SkinComboBox(QComboBox* combo);
  void WalkChildren(QWidget* container);
  void FreePainters();
  void StyleMenu(QMenu* menu, bool flag);
  void ScheduleRescan();

  QPointer<QWidget> formControl_;
  bool subclassed_ = false;
  bool rescanPending_ = false;
  TSavedLook savedColour_;
  bool colourSaved_ = false;
  TStyleSwitch styles_;  // menus, tool bars and their buttons
  platform::CbtHookHandle hook_;
  std::unique_ptr<TSkinFormFrame> frame_;
};

// The kind Skin3rd gives a class (lower case; empty when none): the first
// line whose text, lower-cased, starts with the class name and "=".
QString SkinKindOf(const QStringList& skin3rd, const QString& className);

// Whether the walk goes into the widget's children, and the children it
// goes to (a tab widget's pages, a scroll box's contents, the child
// controls of others; never the inner parts of composite widgets).
bool IsSkinContainer(const QWidget* widget);
std::vector<QWidget*> SkinChildren(const QWidget* container);

}  // namespace skinning
