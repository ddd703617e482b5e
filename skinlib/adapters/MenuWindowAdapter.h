// The adapter of popup-menu windows (`TacMnuWnd`, a scroll adapter on a
// QMenu, class "#32768") and the menu-window list that owns them.
//
// A popup menu is a window of its own each time it shows: the platform
// destroys it (WM_DESTROY, WM_NCDESTROY) whenever it hides. The list owns
// one adapter per skinned popup window. When a popup's window goes its
// adapter leaves the chain and the list and is freed on the event loop's
// next turn (it is still running its own handling then), or when the unit
// finishes, whichever comes first: no adapter outlives its popup's next
// show. The others still in the list are redrawn; when none is left the
// list is emptied and the extra-line cache of the menus dropped.
//
// Painting: while a skinned popup shows, the background (WM_ERASEBKGND)
// is the adapter's cache (the section over the whole window, the border's
// corners over the parent's background); the items stay the menus'
// painter's (skinlib/manager/sSkinMenus.h). The frame goes through
// WM_NCPAINT where the window has a band: from the popup's border image
// when that fits, else from the cache.
//
// GUI thread only.
#pragma once

#include "skinlib/adapters/ScrollBars.h"

#include <vector>

// Set while a skinned popup menu shows: the adapter sets it as its popup
// shows and clears it as its popup goes.
extern bool SkinnedPopupShown;

class TacMnuWnd : public TacScrollWnd {
 public:
  TacMnuWnd(QWidget* handle, TsCommonData* skinData, TsSkinManager* manager, const QString& section);

  // 1 after skin command 14 on a visible window, 0 once painted.
  int PaintPending() const { return paintPending_; }
  // The section painted over the whole cache when it is dirty.
  void PrepareCache();

  // Adapters alive now (made and not yet freed).
  static int LiveCount();

 protected:
  ~TacMnuWnd() override;
  void AdapterWndProc(platform::Message& m, const platform::CallPrevious& previous) override;

 private:
  void WindowGone(platform::Message& m, const platform::CallPrevious& previous);
  void PaintFrame(platform::Canvas& dc);

  int paintPending_ = 0;
};

// The popup windows' adapters, in the order made.
std::vector<TacAdapterPtr<TacMnuWnd>>& MenuWndList();
// Every adapter of the list freed, the list emptied (the dialog hook's
// removal).
void ClearMenuWndList();
// Adapters whose window went, waiting to be freed.
int PendingMenuWndCount();

// The dialog hook's step for a window being made: a popup menu window
// ("#32768") that is not skinned yet, while the default manager skins
// popups, gets a `TacMnuWnd` with section "MAINMENU" and the default
// manager, kept in the list. Returns it, or nullptr when the window is
// left alone.
TacMnuWnd* AddMenuWndAdapter(QWidget* window);
