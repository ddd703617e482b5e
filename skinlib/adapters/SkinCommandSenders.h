// Sending the skin command (platform message SkinCommandMsg, the
// sub-command in wParam's high word) to windows and controls, and the
// background colour of a control as its skin gives it.
//
// The unit "SkinCommandSenders" puts these into the manager half's table
// of entry points (skinlib/manager/AdapterEntryPoints.h) when it starts
// and takes them out when it finishes. GUI thread only.
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

// The background colour of a control as RGB: $FF00FF for none; a skinned
// control (one that answers command 7 with 1) is asked with command 21
// (lParam $FF00FF); any other gives its own colour.
platform::TColor GetControlBgColor(QWidget* control);
