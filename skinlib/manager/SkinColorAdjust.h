// The skin manager's HueOffset and Saturation applied to a skin just read:
// the master bitmap, every mask with a bitmap of its own, the colours of
// every section and the skin-wide shadow and border colours. The skin's
// files never change; every load starts from the unchanged pictures.
//
// A pixel changes only when it is neither the key colour $FF00FF nor grey
// (red = green = blue); a 32-bit pixel keeps its alpha. The unit
// "SkinColorAdjust" (platform/Startup.h) puts ApplyHueAndSaturation into
// the manager's seam (ManagerSeams.h) while it runs, so the end of every
// skin load (SkinOptions.h) applies hue, then saturation. GUI thread only.
#pragma once

class TsSkinManager;

// Turns the skin's colours by `delta` degrees (ChangeColorHue); nothing
// for 0. With the skin's BIKeepHue not 0 the title-button close icons of
// GLOBALINFO ("BICONCLOSE", "SICONCLOSE") keep their colours, with
// BIKeepHue 1 also the maximize, minimize, restore and help icons ("BICON"
// and "SICON" + "MAX", "MIN", "NORM", and "BICONHELP"): in the master
// bitmap their rectangles are put back after the change, masks of their
// own (and each icon's glow mask, its name + "GLOW0", with a bitmap of its
// own) are left out. A mask bitmap that is not pf32bit becomes pf24bit.
void ApplyHueOffset(TsSkinManager& manager, int delta);

// Changes the skin's saturation (ChangeColorSaturation with percent :=
// (-value) rem 101: a positive value makes the skin more colourful, a
// negative one greyer, -100 grey); nothing for 0.
void ApplySaturation(TsSkinManager& manager, int value);

// The manager's HueOffset, then its Saturation.
void ApplyHueAndSaturation(TsSkinManager& manager);
