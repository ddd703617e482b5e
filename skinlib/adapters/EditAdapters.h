// Adapters of edit-like windows (line and text edits, list boxes) and the
// routines every control adapter of this kind shares: the adapter's cache
// painted from the control's section, the border's transparent corners,
// published properties reached by name.
//
// `TacBaseWnd` adds to the scroll adapter the skin's refresh of the cache,
// the frame repainted on size and enable changes and the bars refreshed
// after scrolling. `TacEditWnd` keeps the control's own colours (the
// palette's "Color" and "Font.Color", a "FocusColor" property by name),
// gives the skin's colours while skinned and gives its own back after; a
// bare window (no control of the program behind it) takes the section's
// colour as its palette. The border is the control's band (platform/
// NonClient.h): WM_NCPAINT copies the cache's border strip into it inside
// the paint event; "paint the frame now" is RedrawNonClient.
//
// The shape follows AdapterBase.h: state read from the window as values,
// private mouse and paint state, const accessors.
//
// GUI thread only.
#pragma once

#include "platform/Colors.h"
#include "skinlib/adapters/ScrollBars.h"

#include <QString>

class QObject;
class QWidget;
class TsCommonData;

// Skin sub-commands these adapters answer or send.
inline constexpr unsigned acDisabledBlend = 35;  // to a disabled control before its blend

// Window messages of list boxes these adapters watch.
inline constexpr unsigned kLbAddString = 0x0180, kLbInsertString = 0x0181, kLbSetCurSel = 0x0186,
                          kLbGetTopIndex = 0x018E, kLbSetTopIndex = 0x0197;
// The control messages for "enabled changed" and "redraw the frame".
inline constexpr unsigned kCmEnabledChanged = 0xB00C, kCmRedrawFrame = 0xB00E;
inline constexpr unsigned kCmMouseEnter = 0xB013, kCmMouseLeave = 0xB014;

// ------------------------------------------------------------ shared routines

// When the data's background changed: the cache (24 bit) takes the
// window's size and, with a valid section, the control's whole look over
// the parent's background; with `state` and a GLOBALINFO colour that is
// not the key colour the cache is that colour instead. A disabled control
// of the program is then blended toward its parent's background. Clears
// the background-changed flag.
void PrepareAdapterCache(TsCommonData& data, QWidget* window, bool state);

// The four corners of the cache's border made transparent: every pixel of
// the border mask's corner (in image `state`) holding the key colour takes
// the parent's background at that place. Nothing in dialog mode, without
// a border mask or cache, or for a window smaller than 2 x 2. A mask
// counting 0 images counts as 1.
void PaintAdapterBorder(TsCommonData& data, int state, QWidget* window, bool dlgMode);

// The section's border mask has more than one image.
bool HasStateImages(const TsCommonData& data);

// Published properties by name; absent ones are skipped (-1 / clNone).
void SetOrdPropertyIfAny(QObject* object, const QString& name, int value);
platform::TColor GetColorPropertyRGB(const QObject* object, const QString& name);

// Depth-first through the container's children (in order): the first
// widget that is `handle`; nullptr when none.
QWidget* FindWinControlByHandle(const QWidget* handle, QWidget* container);

// Skin command 25 to the top-level window of `window`.
void NotifyTopParentChanged(QWidget* window);

// ------------------------------------------------------------ adapters

class TacBaseWnd : public TacScrollWnd {
 public:
  using TacScrollWnd::TacScrollWnd;

 protected:
  void AdapterWndProc(platform::Message& m, const platform::CallPrevious& previous) override;
  bool SkinActive() const;
};

class TacEditWnd : public TacBaseWnd {
 public:
  // An empty section takes "EDIT".
  TacEditWnd(QWidget* handle, TsCommonData* skinData, TsSkinManager* manager, const QString& section);

  void KeepOwnParams() override;
  void GiveBackOwnParams() override;
  void ApplySkinParams() override;

  platform::TColor EditBgColor() const { return editBgColor_; }
  platform::TColor EditBorderColor() const { return editBorderColor_; }
  platform::TColor OwnFocusColor() const { return ownFocusColor_; }
  // The width of the border strip painted from the cache: Qt's band,
  // widened to the skin's border where that is wider.
  int BorderWidth() const { return borderWidth_; }

 protected:
  void Install(bool repaint) override;
  void AdapterWndProc(platform::Message& m, const platform::CallPrevious& previous) override;
  // The control of the program behind the adapter (nullptr: a bare window).
  QWidget* Control() const;
  // The cache and border painted anew for the current state.
  void RefreshCache();
  void PaintBorderStrip(platform::Canvas& dc);

 private:
  // The focus or mouse changed: with state images the frame is redrawn.
  void StateChanged();

  platform::TColor editBgColor_ = platform::clWindow;
  platform::TColor ownFocusColor_ = platform::clNone;
  platform::TColor editBorderColor_ = platform::clNone;
  bool hasFocusColor_ = false;
  // The band asked of WM_NCCALCSIZE widened to the skin's border.
  void WidenBand(platform::Message& m, const platform::TRect& window);
  int borderWidth_ = 0;
};
