// A skin's pictures: the master bitmap, the mask table and the pattern
// table of the manager (sSkinManager.h), read from the skin text being
// loaded (SkinIniFile, SkinOptions.h) or from a stored skin without
// packed data.
//
// A mask value's first character chooses its form (columns are 1-based,
// numbers read with StrToInt, so a blank inside a column is an error):
//   "~LLLL TTTT RRRR BBBB DD[ M]"         a texture in the master bitmap
//   "@LLLL TTTT RRRR BBBB C M"            a glyph in the master bitmap
//   "^LLLL TTTT RRRR BBBB WLWL WTWT WRWR WBWB C M D B"
//                                          a border mask in the master bitmap
//   "!FILE!C!M!TYPE[!WL!WT!WR!WB]"        an image file of its own, whose
//                                          name must hold ".BMP" or ".PNG"
//                                          (with case)
//   "...#(L,T,R,B)(C,M[,BW[,DM]])"        a border mask in the master bitmap
//   "...x.bmp"                             a bitmap file of its own (any case)
// where C is the number of states side by side and M the mask type (1: a
// transparency mask below the image). Files come from the package when
// the skin is one (the entry of the same name in upper case), else from
// the skin's folder (a name without ':' gets SkinPath in front). A file
// that is missing or unreadable adds nothing.
//
// Numbers are brought into their ranges as they are read: the rectangle's
// edges into 0..kMaxSkinLength (right and bottom not before left and
// top), 16-bit fields stop at their type's ends, C into 0 (none, counted
// as one) .. the picture's width, M into -1 (none) .. 1, the slice margins
// into one state (WL and WR its width, WT and WB its height) and the
// border width into its longer side.
//
// JPEG pictures named by a key (".JPG", ".JPEG") become patterns, or,
// under 90000 pixels, texture masks of their own.
//
// Each picture file is decoded once per load (LoadMasks starts one,
// LoadPatterns goes on with it), however many keys name it, and the
// pictures a skin keeps (master bitmap, own bitmaps, patterns) hold at most
// kMaxSkinPicturePixels pixels in all: a picture that passes that refuses
// the skin (ESkinLibraryError), before it is decoded when its header tells
// its size.
#pragma once

#include "skinlib/manager/SkinRecords.h"

#include <cstdint>

class TsSkinManager;

inline constexpr int64_t kMaxSkinPicturePixels = int64_t{1} << 24;
// Frees the pictures decoded for the load.
void ReleaseSkinPictures();

// Masks of the master bitmap share it; "!", ".BMP", small JPEG and
// stored-skin images own their bitmaps.
void LoadMasks(TsSkinManager& manager);
void LoadPatterns(TsSkinManager& manager);
// Every own bitmap freed (the last first), the table emptied, the master
// bitmap freed.
void ClearMasks(TsSkinManager& manager);
// Every pattern freed, the table emptied.
void ClearPatterns(TsSkinManager& manager);

// The width of one state of a mask (its rectangle's width div
// ImageCount; 0 when ImageCount is 0) and its height (the rectangle's
// height div (MaskType + 1); 0 when MaskType is -1).
int MaskImageWidth(const TsMaskData& mask);
int MaskImageHeight(const TsMaskData& mask);
