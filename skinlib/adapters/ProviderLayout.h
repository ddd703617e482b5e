// The title of a skinned form laid out: where its system buttons, user
// title buttons, icon, caption and button strip go, and which hit code a
// point of the window answers. Pure functions of values the form provider
// (sSkinProvider.h) reads once per paint or hit test: the form's state
// (TacFormInfo), the system menu's answers (TacSysMenuState) and the
// skin's title values and button sizes (TacTitleMetrics). Painting, the
// hit test and the hover all take their rectangles from LayoutTitle.
//
// Coordinates are those of the window (and of its cache bitmap): (0, 0) is
// the window's top-left corner. Divisions by 2 truncate toward zero.
#pragma once

#include "platform/WinTypes.h"

#include <QString>

#include <array>
#include <cstdint>
#include <vector>

// ------------------------------------------------------------ the form

// A form's border style and border icons.
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
inline constexpr unsigned biSystemMenu = 1, biMinimize = 2, biMaximize = 4, biHelp = 8;

// What the title reads of a form, once.
struct TacFormInfo {
  TFormBorderStyle BorderStyle = bsSizeable;
  unsigned BorderIcons = biSystemMenu | biMinimize | biMaximize;
  bool Iconic = false;
  bool Zoomed = false;
  bool MdiChild = false;
  bool Active = true;
  bool ThickFrame = true;  // WS_THICKFRAME
  int Width = 0;           // the window rectangle's size
  int Height = 0;
};

// Large (the BICON images) for bsSingle and bsSizeable forms, small (the
// SICON images) for the others.
bool UsesLargeImages(TFormBorderStyle style);
// A border style other than bsNone, or an MDI child.
bool HasOwnCaption(const TacFormInfo& form);
bool IsToolWindowStyle(TFormBorderStyle style);

// The six answers of the system menu (which caption buttons show and
// which are enabled).
struct TacSysMenuState {
  bool VisibleClose = true;
  bool VisibleMax = true;
  bool VisibleMin = true;
  bool EnabledMax = true;
  bool EnabledMin = true;
  bool EnabledRestore = false;
};
// The answers of a form whose WS_SYSMENU was `hadSysMenu` when the skin
// took the system caption away.
TacSysMenuState SysMenuState(const TacFormInfo& form, bool hadSysMenu);

// ------------------------------------------------------------ the skin's values

// The caption-button kinds, in the order of the provider's records.
enum class TacTitleButton { Minimize, Maximize, Close, Help, MdiMinimize, MdiMaximize, MdiClose };
inline constexpr int kSystemButtonCount = 7;
// A button image missing from the skin (or with no states) is this wide
// and high.
inline constexpr int kMissingButtonSize = 21;
// The gap before the first user title button.
inline constexpr int kUserButtonsGap = 8;

struct TacTitleMetrics {
  int CaptionHeight = 0;  // H
  int BorderWidth = 0;    // B (with the skin flag)
  int SystemBorder = 0;   // S
  bool ExtBorder = false;
  platform::TRect ExtMargins;  // E; empty without an extended border
  // GLOBALINFO's values.
  int TitleHeight = 30, MaxHeight = 30, CenterOffset = 0, BorderMode = 0;
  int BISpace = 0, BIVAlign = 0, BIRight = 0, BILeft = 0;
  // The widths of the minimize, maximize (or restore, as shown), close and
  // help images (kMissingButtonSize without an image) and the height of
  // one row of the close image (kMissingButtonSize without one).
  int MinWidth = kMissingButtonSize, MaxWidth = kMissingButtonSize, CloseWidth = kMissingButtonSize,
      HelpWidth = kMissingButtonSize;
  int ButtonHeight = kMissingButtonSize;
  // Whether each of the four has an image to paint.
  bool HasMin = true, HasMax = true, HasClose = true, HasHelp = true;
  // Whether the form uses the large set (by its border style).
  bool LargeStyle = true;
  // Whether the buttons' images came from the large set.
  bool LargeImages = true;
  // The title icon's size (0 x 0 when the icon is not shown).
  int IconWidth = 16, IconHeight = 16;
  bool IconVisible = true;
  // The width of one frame of the "TITLEBAR" strip (0: no strip).
  int StripFrameWidth = 0;
  // The "CAPTION" section exists.
  bool HasCaptionSection = false;
};

// B' (S without an extended border, 0 with one) and the bottom of the
// title band T = B' + H + E.Top.
int InnerBorder(const TacTitleMetrics& m);
int TitleBottom(const TacTitleMetrics& m);
// Window width including the extended margins (the iconic form's own).
int SkinnedFormWidth(const TacFormInfo& form, const TacTitleMetrics& m);

// A user title button as the layout needs it.
struct TacUserButtonInfo {
  bool Visible = true;
  int Width = kMissingButtonSize;  // TitleButtonWidth
  int Height = kMissingButtonSize;
};

// ------------------------------------------------------------ the layout

struct TacButtonPlace {
  bool Shown = false;
  bool Enabled = true;
  bool Restore = false;  // the maximize or minimize button shows the restore image
  platform::TRect Rect;
};

struct TacTitleLayout {
  // Minimize, maximize, close, help (the MDI-child buttons lie in the menu
  // line, not here).
  std::array<TacButtonPlace, 4> System;
  std::vector<TacButtonPlace> User;  // by collection index
  platform::TRect IconRect;
  platform::TRect CaptionRect;   // before the text narrows it
  platform::TRect StripRect;     // the "TITLEBAR" strip; empty when none
  int ButtonsAreaWidth = 0;
  int VisibleButtonCount = 0;
};

TacTitleLayout LayoutTitle(const TacFormInfo& form, const TacSysMenuState& menu, const TacTitleMetrics& m,
                           const std::vector<TacUserButtonInfo>& userButtons);

// The top of a button of height `height`, by the vertical rules.
int ButtonTop(const TacFormInfo& form, const TacTitleMetrics& m, int height);
int ButtonsAreaWidth(const TacSysMenuState& menu, const TacFormInfo& form, const TacTitleMetrics& m,
                     const std::vector<TacUserButtonInfo>& userButtons);
// 1 for h from -100 to 8, 8 for 9 to 16, 16 otherwise.
int IconSizeForCaption(int h);

// ------------------------------------------------------------ hit test

inline constexpr int kUserButtonHitBase = 1000;

// What the hit test needs beyond the layout.
struct TacHitInfo {
  bool BorderWindow = false;  // an extended border window answers the buttons and borders
  int GripWidth = 0;          // the "GRIPIMAGE" size; 0 without one
  int GripHeight = 0;
  bool GripShown = false;     // GripVisible, or the scroll adapter's size box
  platform::TRect ClientRect;  // the client area in window coordinates
  std::vector<bool> UserEnabled;  // by collection index
};

// The hit code of point `p` (window coordinates) of a skinned form.
int TitleHitTest(const TacFormInfo& form, const TacSysMenuState& menu, const TacTitleMetrics& m,
                 const TacTitleLayout& layout, const TacHitInfo& info, platform::TPoint p);

// ------------------------------------------------------------ snapping and the border drag

// Pos := edge - extent when |pos + extent - edge| < buffer.
void SnapCoordinate(int& pos, int edge, int buffer, int extent);
// A window at (x, y) of size (w, h) snapped to the work area `work` (right,
// bottom, left, top in this order); d and t the border and title deltas
// of an extended border. Nothing at (0, 0).
void SnapToWorkArea(int& x, int& y, int w, int h, const platform::TRect& work, int buffer, int d, int t);

// The rmBorder frame moved (moving) or resized by the dragged hit code by
// (dx, dy), never narrower than minWidth nor lower than minHeight.
platform::TRect DragFrame(const platform::TRect& frame, bool moving, int hitCode, int dx, int dy, int minWidth,
                          int minHeight);
