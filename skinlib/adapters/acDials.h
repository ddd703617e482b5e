// The skinning of windows the program did not prepare for skinning: the
// standard dialogs (class "#32770": the file, colour, font, input and
// progress dialogs, shown non-native), the message box (class
// "TMessageForm", which counts as a form), forms without a form provider,
// the MDI children of such forms, and popup menus ("#32768").
//
// It works through the window hook of platform/CbtHook.h, which the
// default skin manager installs when its skin goes active and removes with
// the skin (through the adapter entry table, skinlib/manager/
// AdapterEntryPoints.h):
//   a popup menu being made     gets a `TacMnuWnd` ("MAINMENU") while the
//                               default manager skins popups
//   a top-level window being    SkinActivatedWindow as it is first shown
//   made                        (platform/NonClient.h AtFirstShow), so its
//                               first frame is skinned: on X a window is
//                               activated only after its first expose
//   a window being activated    SkinActivatedWindow (one made before the
//                               hook came, or not shown through Qt's show)
//   a window being destroyed    FreeDestroyedDialogs
// A form gets a `TsSkinProvider`; a standard dialog gets the dialog window
// adapter (through the seam DialogWndFactory) and one adapter per child
// control, chosen by the child's class name and style word. Everything
// made for one window hangs on one `TacProvider` in the provider list.
//
// Also here: the item identifier lists of the shell (`TacShellFolder`'s
// CopyPIDL, ConcatPIDLs, FreePIDL) on byte buffers.
//
// GUI thread only.
#pragma once

#include "platform/CbtHook.h"
#include "platform/Messages.h"
#include "platform/WinTypes.h"
#include "skinlib/adapters/AdapterBase.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QWidget;
class TsSkinManager;
class TsSkinProvider;

// ------------------------------------------------ the dialog window seam

// What this unit asks of the dialog window adapter (the skinned frame,
// title and system menu of a standard dialog).
class TacDialogFrame {
 public:
  virtual ~TacDialogFrame() = default;
  // The dialog's window; nullptr once it went.
  virtual QWidget* Window() const = 0;
  // Set when the dialog's window went; FreeDestroyedDialogs clears it.
  virtual bool Destroyed() const = 0;
  virtual void ClearDestroyed() = 0;
  // The set-up of the dialog's first show, once its children are adapted.
  virtual void FirstShowSetup() = 0;
  // Cleared when the dialog holds an edit or combo box.
  virtual void SetSkipOwnPaint(bool value) = 0;
  // The manager of the adapter's skin data (nullptr: the default one).
  virtual TsSkinManager* Manager() const = 0;
};

// ---- seam: the dialog window adapter's unit fills this when it starts
// (the adapter made for `dialog` with `section` and `manager`). Empty: a
// standard dialog gets its child adapters and keeps its own frame.
using TacDialogWndMaker =
    std::function<std::unique_ptr<TacDialogFrame>(QWidget* dialog, TsSkinManager* manager, const QString& section)>;
TacDialogWndMaker& DialogWndFactory();

// ------------------------------------------------------------ providers

// Everything made for one skinned window. A form's provider is a child of
// the form (and goes with it); a dialog's has no parent and belongs to
// the provider list.
class TacProvider : public QObject {
  Q_OBJECT

 public:
  explicit TacProvider(QObject* owner = nullptr);
  ~TacProvider() override;

  // The dialog has WS_EX_LEFTSCROLLBAR.
  bool LeftScrollBar = false;
  // The dialog's window (dialogs only).
  QPointer<QWidget> Wnd;
  // The provider made for a form (the form owns it).
  QPointer<TsSkinProvider> SkinProvider;
  // The dialog window adapter (owned).
  std::unique_ptr<TacDialogFrame> DialogWnd;
  // The child adapters of a dialog (owned).
  std::vector<TacAdapterPtr<TacMainWnd>> Adapters;
};

// ------------------------------------------------------------ unit globals

// The provider list: null until the hook is installed; a freed provider's
// slot becomes nullptr.
std::vector<QPointer<TacProvider>>* AutoProviders();
// The style word (GWL_STYLE) of the dialog being skinned.
extern std::uint32_t DialogStyle;
// Where every skinned dialog is moved (both -1: left where it is).
extern int DialogLeft;
extern int DialogTop;
// Whether the hook is installed now.
bool DialogHookInstalled();

// ------------------------------------------------------------ operations

// The hook's installation and removal (the default manager's, through the
// entry table). Removal empties the menu-window list, unhooks, frees every
// provider and the list.
void InstallDialogHook();
void RemoveDialogHook();

// The hook procedure: the older hooks first, their answer returned.
platform::LRESULT DialogHookProc(int code, platform::WPARAM wParam, platform::LPARAM lParam,
                                 const platform::CallNextHook& next);

// The decision and set-up for one activated window: true when a provider
// was made (also when the dialog's set-up then failed).
bool SkinActivatedWindow(QWidget* wnd);
// A form's TsSkinProvider.
void InitForm(TacProvider* provider, QWidget* form);
// The dialog window adapter and the child adapters; false when the walk
// over the children failed (then the provider's slot is cleared).
bool InitDialog(TacProvider* provider, QWidget* wnd);
// The adapter of one child by its class name and style word; always true.
bool AddChildAdapter(TacProvider* provider, QWidget* child);
// Depth first: each child's own children first, then the child itself
// (when it has WS_CHILD) through AddChildAdapter.
bool WalkChildren(TacProvider* provider, QWidget* parent);

TacProvider* FindProvider(const QWidget* wnd);
// The form (from the last made to the first, or an MDI child of an MDI
// form) whose window is `wnd`; nullptr for none. Standard dialogs and
// popup menus are no forms.
QWidget* FindFormByHandle(QWidget* wnd);
int VisibleDialogCount();
// Some descendant (depth first) has the class name (case ignored).
bool HasChildClass(QWidget* wnd, const QString& className);
// The message to every direct child window.
void BroadcastToChildren(QWidget* wnd, platform::Message& m);
// GetClassName, at most 127 characters.
QString GetWndClassName(const QWidget* wnd);
// Every provider whose dialog window went is freed.
void FreeDestroyedDialogs();

// ------------------------------------------------------------ shell lists

// An item identifier list: items, each starting with its 16-bit size
// (counting the size field), ended by a 16-bit zero.
using TacPIDL = std::vector<std::uint8_t>;

// The list's whole size (2 + its items' sizes); 0 for an empty buffer. A
// list whose items run past the buffer, or that has no terminator, is cut
// at the last whole item.
std::size_t PIDLSize(const TacPIDL& pidl);
class TacShellFolder {
 public:
  // A zero-filled copy of the list's whole size.
  static TacPIDL CopyPIDL(const TacPIDL& pidl);
  // `a` without its terminator, then `b` with it (an empty `a` counts 0).
  static TacPIDL ConcatPIDLs(const TacPIDL& a, const TacPIDL& b);
  static void FreePIDL(TacPIDL& pidl);
};
