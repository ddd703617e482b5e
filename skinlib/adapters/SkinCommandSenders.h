// Sending the skin command (platform message SkinCommandMsg, the
// sub-command in wParam's high word) to windows, controls and their
// children, and the background colour of a control or window as its skin
// gives it.
//
// Windowed controls are reached by SendMessage, through their whole
// window-procedure chain, and only while they have a handle (polished, not
// being destroyed); graphic controls (no window of their own) through
// Perform, from their control level on. A receiver may delete windows:
// the routines that walk children walk guarded snapshots and pass over
// what went meanwhile.
//
// The unit "SkinCommandSenders" puts these into the manager half's table
// of entry points (skinlib/manager/AdapterEntryPoints.h) and the broadcast
// to child windows into the adapter base's seams (AdapterBaseSeams.h)
// when it starts, and takes them out when it finishes. GUI thread only.
#pragma once

#include "platform/Colors.h"
#include "platform/Messages.h"
#include "skinlib/manager/LibraryConstants.h"

class QWidget;

// SendMessage of the skin command; 0 for no window.
platform::LRESULT SendSkinCommandToHandle(QWidget* window, unsigned command, platform::LPARAM lParam);
// A graphic control (no window of its own) gets it through Perform; a
// windowed one by SendMessage, and only while it has a handle and is not
// being destroyed (else 0, nothing sent).
platform::LRESULT SendSkinCommandToControl(QWidget* control, unsigned command, platform::LPARAM lParam);
inline platform::LRESULT SendSimpleSkinCommand(QWidget* control, unsigned command) {
  return SendSkinCommandToControl(control, command, 0);
}
// True when the window answers the command (lParam 0) with 1.
bool SkinCommandAnswered(QWidget* window, unsigned command);

// The sub-commands these routines ask with.
inline constexpr unsigned kCommandIsSkinned = acIsSkinned, kCommandBgColor = acGetBgColor;

// The whole record to each child control of `control` in the order they
// were made, stopping at the first child that is being destroyed (the
// later ones get nothing): graphic children and children without a handle
// through Perform; windowed children that are skinned (answer command 7
// with 1) by SendMessage; every other windowed child hands it on to its
// own children the same way, unless its class is kept from broadcasts
// (IsBroadcastExcluded). Results are not collected.
void SendSkinCommandToChildren(QWidget* control, platform::Message& message);

// Command 25 (a control changed, the control in lParam) to the control's
// form; a form itself tells nobody.
void NotifyParentForm(QWidget* control);
// Command 6 (updating ended) to each child control that is shown, has a
// handle and is neither graphic nor being destroyed; nothing while the
// skinned forms are locked (FormsLocked).
void NotifyChildrenUpdated(QWidget* control);
// Command 6 to every child window of `window` whose style has WS_VISIBLE,
// topmost first.
void NotifyTopChildWindows(QWidget* window);
// The record by SendMessage to every child window whose parent is
// `window` itself (EnumChildWindows walks deeper; grandchildren get
// nothing).
// Child windows are windowed controls with a handle: graphic controls and
// controls not polished yet get nothing from these two.
void BroadcastToChildWindows(QWidget* window, platform::Message& message);

// The background colour of a control as RGB: $FF00FF for none; a skinned
// control (one that answers command 7 with 1) is asked with command 21
// (lParam $FF00FF); any other gives its own colour.
platform::TColor GetControlBgColor(QWidget* control);
// The background colour of a window as RGB: its answer to command 21
// (lParam $FF00FF); $FF00FF for no window.
platform::TColor GetWndBgColor(QWidget* window);
