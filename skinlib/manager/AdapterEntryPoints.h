// How the skin manager half reaches the window adapters: a table of entry
// points that the adapters' unit (skinlib_adapters) fills when it starts.
// The manager half never links the adapters; a program without them, or
// before their start-up, finds a slot empty, and the call gives the
// answer the library gives when there is nothing to ask ("none": nothing
// sent, the key colour, no hook).
//
// Code of the manager half calls the wrappers in `adapters::`, never the
// slots themselves. GUI thread only.
#pragma once

#include "platform/Colors.h"
#include "platform/Messages.h"

#include <functional>
#include <vector>

class QObject;
class QWidget;
class TsSkinManager;

struct TacAdapterEntryPoints {
  // Sends the skin command `command` (wParam's high word) to a window.
  std::function<platform::LRESULT(QWidget* window, unsigned command, platform::LPARAM lParam)>
      SendSkinCommandToHandle;
  // The background colour of a control as RGB (skinned ones are asked).
  std::function<platform::TColor(QWidget* control)> GetControlBgColor;
  // The dialog-skinning hook of the default manager, and the repaint of the
  // dialogs it skins.
  std::function<void()> InstallDialogHook;
  std::function<void()> RemoveDialogHook;
  std::function<void()> RepaintDialogs;
  // The windows of the dialogs the dialog skinning skins (its providers'),
  // which the broadcasts to skinned forms reach last.
  std::function<std::vector<QWidget*>()> DialogProviderWindows;

  // Window utilities: a whole skin-command record delivered to every child
  // control of a windowed control; the background colour of a window as
  // RGB; the show animation of a form (time in ms).
  std::function<void(QWidget* control, platform::Message& message)> SendSkinCommandToChildren;
  std::function<platform::TColor(QWidget* window)> GetWndBgColor;
  std::function<void(QWidget* form, unsigned time)> AnimateFormShow;

  // Form providers (the answer of a form to sub-command 4 is its provider):
  // the form of a provider (nullptr: the object is no provider), its
  // manager, its lock flag, whether it paints the form's non-client area
  // and has an extended-border window, the rebuild of its frame, its
  // border window shown at full alpha, and its cached title dropped after
  // its section changed.
  std::function<QWidget*(const QObject* object)> ProviderForm;
  std::function<TsSkinManager*(const QObject* provider)> ProviderManager;
  std::function<void(QObject* provider, bool locked)> SetProviderLocked;
  std::function<bool(const QObject* provider)> ProviderDrawsNonClient;
  std::function<bool(const QObject* provider)> ProviderHasBorderWindow;
  std::function<void(QObject* provider)> RebuildProviderFrame;
  std::function<void(QObject* provider)> ShowProviderBorder;
  std::function<void(QObject* provider)> ProviderSectionChanged;

  // Frame adapters: whether the mouse flag of a frame's skin data is set.
  std::function<bool(const QWidget* frame)> FrameMouseAbove;
};

// The table (empty until the adapters start).
TacAdapterEntryPoints& AdapterEntryPoints();

namespace adapters {

// 0 and nothing sent when the slot is empty.
platform::LRESULT SendSkinCommandToHandle(QWidget* window, unsigned command, platform::LPARAM lParam);
// $FF00FF when the slot is empty.
platform::TColor GetControlBgColor(QWidget* control);
// Nothing when the slot is empty; true when a hook was installed.
bool InstallDialogHook();
void RemoveDialogHook();
void RepaintDialogs();
// Empty when the slot is empty.
std::vector<QWidget*> DialogProviderWindows();

// Nothing sent when the slot is empty.
void SendSkinCommandToChildren(QWidget* control, platform::Message& message);
// $FF00FF when the slot is empty.
platform::TColor GetWndBgColor(QWidget* window);
// Nothing when the slot is empty.
void AnimateFormShow(QWidget* form, unsigned time);

// With the slots empty: no object is a provider (nullptr), a provider has
// no manager, paints no non-client area and has no border window (false),
// and the rest does nothing.
QWidget* ProviderForm(const QObject* object);
TsSkinManager* ProviderManager(const QObject* provider);
void SetProviderLocked(QObject* provider, bool locked);
bool ProviderDrawsNonClient(const QObject* provider);
bool ProviderHasBorderWindow(const QObject* provider);
void RebuildProviderFrame(QObject* provider);
void ShowProviderBorder(QObject* provider);
void ProviderSectionChanged(QObject* provider);

// False when the slot is empty.
bool FrameMouseAbove(const QWidget* frame);

}  // namespace adapters
