// Copies between bitmaps, as our own row loops so that every pixel is
// exact: BitBlt (SRCCOPY), StretchBlt, copies that leave out a key colour,
// masked copies and alpha blending.
//
// Every call clips the destination rectangle to the destination bitmap
// (and to `clip`, when given, in destination pixels) and reads only source
// pixels inside the source bitmap: a destination pixel whose source pixel
// lies outside the source keeps its value. So no rectangle, however wrong,
// reads or writes outside a buffer. A negative width or height covers the
// pixels x + width .. x - 1; where the signs of a source and a destination
// extent differ, the copy is mirrored on that axis. Stretched copies pick
// source pixel floor(i * source extent / destination extent).
#pragma once

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Colors.h"
#include "platform/WinTypes.h"

#include <cstdint>

namespace platform {

// Plain copy of a width x height block.
void BitBlt(Bitmap& dst, int x, int y, int width, int height, const Bitmap& src, int sx, int sy,
            const TRect* clip = nullptr);

// Copy of the source rectangle stretched onto the destination rectangle;
// COLORONCOLOR takes the nearest pixel, HALFTONE averages (colour and
// alpha alike).
void StretchBlt(Bitmap& dst, int x, int y, int width, int height, const Bitmap& src, int sx, int sy,
                int sw, int sh, StretchMode mode = COLORONCOLOR, const TRect* clip = nullptr);

// As StretchBlt (nearest pixel), leaving the destination unchanged where
// the source pixel's colour (alpha not looked at) is `key`, e.g. $FF00FF.
void TransparentBlt(Bitmap& dst, int x, int y, int width, int height, const Bitmap& src, int sx,
                    int sy, int sw, int sh, TColor key, const TRect* clip = nullptr);

// Masked copy: where the mask pixel (at the same offset from (mx, my) as
// the source pixel from (sx, sy)) is white (grey >= 128, a set bit in a
// pf1bit mask) the destination is kept; where it is black the source is
// copied. Mask pixels outside the mask keep the destination.
void MaskBlt(Bitmap& dst, int x, int y, int width, int height, const Bitmap& src, int sx, int sy,
             const Bitmap& mask, int mx, int my, const TRect* clip = nullptr);

// A pf1bit mask of `src`: white (1) where the pixel has the key colour,
// black elsewhere.
Bitmap CreateMask(const Bitmap& src, TColor key);

// How AlphaBlend reads the source's alpha: not at all (only the constant
// alpha), as straight alpha (our pf32bit), or premultiplied (colour
// channels already multiplied by alpha, as Windows' AC_SRC_ALPHA expects).
enum class AlphaFormat { None, Straight, Premultiplied };

struct BlendFunction {
  uint8_t SourceConstantAlpha = 255;
  AlphaFormat Format = AlphaFormat::Straight;
};

// Source over destination, stretched like StretchBlt (nearest pixel). With
// Straight, colour = (S·a + D·(255 - a)) / 255 where a = source alpha ×
// constant alpha / 255; a pf32bit destination is treated as straight alpha
// too (its alpha becomes a + Da·(255 - a) / 255 and its colour is divided
// by that). With Premultiplied, colour = S·c/255 + D·(255 - a) / 255 and
// alpha likewise, with no division, as Windows does. Each step rounds to
// the nearest integer.
void AlphaBlend(Bitmap& dst, int x, int y, int width, int height, const Bitmap& src, int sx, int sy,
                int sw, int sh, BlendFunction blend, const TRect* clip = nullptr);

}  // namespace platform
