// The forms the skin library skins, their redraw lock, and the two
// broadcasts that deliver a message to every form.
//
// SkinnedForms lists the forms that have a form provider (guarded
// pointers: a form deleted without being removed leaves an empty entry,
// which every walk passes over). A form's provider is its answer to skin
// sub-command 4; what a provider is and does (its manager, lock flag,
// frame, border window) the form provider fills in through the adapters'
// entry table. The broadcasts walk a snapshot of guarded pointers, so a
// receiver may close and delete forms: those gone meanwhile are skipped.
//
// The unit "SkinnedForms" makes AppIconSmall and AppIconLarge (the
// executable's shell icons) at start-up and gives the skin manager its
// steps "broadcast to all forms", "lock" and "unlock"; at close-down it
// frees the icons, empties the list and ChangedSectionName and takes the
// steps back. GUI thread only.
#pragma once

#include "platform/Icons.h"
#include "platform/Messages.h"

#include <QPointer>
#include <QWidget>

#include <memory>
#include <vector>

class TsSkinManager;

extern std::vector<QPointer<QWidget>> SkinnedForms;
// The executable's large and small shell icons; nullptr when the desktop
// has none (or outside the unit's life).
extern std::unique_ptr<platform::Icon> AppIconLarge;
extern std::unique_ptr<platform::Icon> AppIconSmall;

// Appends the form; the new count.
int AddSkinnedForm(QWidget* form);
// Every entry of the form is replaced by the last entry and the list
// shortened; a form that is not listed changes nothing.
void RemoveSkinnedForm(QWidget* form);

// The provider a form answers sub-command 4 with (nullptr: none).
QObject* FormProvider(QWidget* form);

// Redraw of the manager's skinned forms (shown, top-level, neither
// minimized nor MDI children) switched off (WM_SETREDRAW 0) and their
// providers flagged locked; nothing while the program is minimized.
// Locking for the default manager with its skin-change animation on sets
// FormsLocked.
void LockSkinnedForms(TsSkinManager* manager);
// Redraw switched on again; with `repaint` each form is animated in, its
// provider's lock flag cleared, its frame rebuilt and the whole form
// repainted. Unlocking for the default manager clears FormsLocked.
void UnlockSkinnedForms(TsSkinManager* manager, bool repaint);

// The message to every form of the screen (the last first) that is no MDI
// child and does not answer sub-command 7 with 1, to its children and to
// its MDI client; then BroadcastToSkinnedForms.
void BroadcastToAllForms(platform::Message& message);
// The message to every skinned form, its children and MDI client, then to
// the visible windows of the dialog skinning.
void BroadcastToSkinnedForms(platform::Message& message);
