// The skin library's constants and the values its unit start-up sets,
// the default class lists of the manager's third-party settings, and the
// library's one exception type.
//
// The unit "LibraryConstants" (platform/Startup.h) registers the window
// message "SM_ALPHACMD" and then reserves the fixed number every sender
// and handler of the skin command uses, 0xA100, as an event type of its
// own; it reads the scroll-bar button width and whether the short date
// format shows four-digit years. Start-up and finish are counted: only
// the first start and the last finish act.
#pragma once

#include "platform/Colors.h"

#include <QString>

#include <array>
#include <stdexcept>

class QWidget;

// An error of the library that a developer must see ("Loaded data is not a
// packed skin file" and the like); the library's callers show its text in
// the library's message box.
class ESkinLibraryError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The skin command (sub-command in the high word of wParam).
inline constexpr unsigned SkinCommandMsg = 0xA100;
// The skin command's sub-commands (wParam's high word).
enum TacSkinCommand : unsigned {
  acNewSkin = 1,
  acRemoveSkin = 2,
  acRefresh = 3,
  acGetProvider = 4,
  acEndUpdate = 6,
  acIsSkinned = 7,
  acSetUpdating = 8,
  acSetHiddenMode = 9,
  acIsUpdating = 10,
  acGetStateFlag = 11,
  acTransparentBgChanged = 12,
  acSectionChanged = 13,
  acMenuRegion = 14,  // to a popup menu window before its region is set
  acBeforeRefresh = 16,
  acBgChanged = 17,
  acAppActivated = 18,
  acIsBgComplex = 19,
  acParentBgChanged = 20,
  acGetBgColor = 21,
  acSetStateFlag = 22,
  acPrepareCache = 23,
  acControlChanged = 25,
  acGetSection = 26,
  acGetCaptionHeight = 27,
  acMouseEnter = 29,
  acMouseLeave = 30,
  acBeginUpdate = 31,
  acUpdateEnded = 32,
  acBgQuery = 34,
  acContainerBg = 36,
  acGetApplication = 60,
};

// The name the message is registered under at start-up.
inline constexpr char kSkinCommandName[] = "SM_ALPHACMD";

// The key colour: a pixel of exactly this colour in a skin image or cache
// bitmap is transparent; as a colour argument it means "take the colour
// from the section".
inline constexpr platform::TColor KeyColor = 0xFF00FF;

// Width of a scroll bar's arrow button: 16 until start-up, then
// GetSystemMetrics(SM_CXHSCROLL).
extern int ScrollButtonWidth;
// Whether the short date format (the default locale's, upper-cased) holds
// "YYYY"; set at start-up.
extern bool FourDigitYear;

// The adapter kinds of the manager's third-party lists and, at the same
// index, the class names each kind skins by default (several joined by
// CR LF; rows 10 to 12 hold one blank, which matches no class).
inline constexpr int kThirdPartyKinds = 18;
extern const std::array<QString, kThirdPartyKinds> ThirdPartyAdapterTypes;
extern const std::array<QString, kThirdPartyKinds> ThirdPartyDefaultClasses;

// Whether the skin command is kept from a container's children when it is
// sent on to them: no container is kept out.
bool IsBroadcastExcluded(const QWidget* control);
