// The per-pixel routines with which the skin library combines its
// pictures: skin images with their mask part, 32-bit pictures with alpha,
// key-colour transparency and a control's parent background, blends
// towards a colour or between two pictures, grey, one channel, and a
// feathered shade; and whether layered windows show (the glows and
// extended borders need them).
//
// All work on 24-bit (blue, green, red) and 32-bit (blue, green, red,
// alpha, straight) bitmaps through their rows. Common rules: every routine
// clips its rectangles to both bitmaps (and a mask part to its bitmap) and
// paints nothing when the area left is empty, a bitmap is missing or of
// another format; no routine reads or writes outside a bitmap. A blend of
// the form ((a - b) * w + b * 256) >> 8 is computed in integers. A 32-bit
// destination keeps its alpha unless a routine says otherwise.
//
// Where a routine "uses the parent background" it takes, for destination
// pixel (x, y), the pixel (X + x, Y + y) of the source's ready parent
// bitmap (24 or 32 bits) when that point lies inside it.
//
// The unit "AlphaPainting" (platform/Startup.h) answers the skin
// manager's layered-window question (ManagerSeams.h) while it runs. GUI
// thread only.
#pragma once

#include "platform/Bitmap.h"
#include "platform/Colors.h"
#include "platform/WinTypes.h"
#include "skinlib/manager/SkinRecords.h"

// A 32-bit source with alpha a over a 24- or 32-bit destination: each
// colour channel D := ((S - D) * a + D * 256) >> 8 (alpha 0 keeps the
// destination, 255 turns 0 under 255 into 254). A source pixel whose whole
// value is $00FF00FF (key colour, alpha 0) is not blended; with
// `useParentBg` and a ready background it takes the parent background.
void PaintAlphaBitmapRect(const platform::TRect& dstRect, const platform::TRect& srcRect, platform::Bitmap& dst,
                          bool useParentBg, const TsBgSource& bg, const platform::Bitmap& src);

// A skin image with its mask part `maskOffset` rows below it in the same
// bitmap: each channel D := ((D - S) * M + S * 256) >> 8 with M the mask
// pixel's same channel (mask 0 shows the image, 255 keeps what lies
// behind). With `useParentBg` and a ready background, an image pixel of
// the key colour takes the parent background instead where the parent
// bitmap has that point.
void PaintImageWithMask(const platform::TRect& dstRect, const platform::TRect& srcRect, platform::Bitmap& dst,
                        int maskOffset, bool useParentBg, const TsBgSource& bg, const platform::Bitmap& image);

// `dstRect` covered with tiles of `srcRect`'s size from its top-left
// corner, the last column and row cut, each painted as PaintImageWithMask
// paints it without the parent background. The same pixels as one call a
// tile; when both bitmaps are 24 bits and the tile with its mask lies
// inside the image, the strip is clipped once and painted row by row.
void PaintTiledImageWithMask(const platform::TRect& dstRect, const platform::TRect& srcRect, platform::Bitmap& dst,
                             int maskOffset, const platform::Bitmap& image);

// A skin image without mask part copied to `dstPoint`; pixels of
// `keyColor` (its three low bytes) show the parent background with
// `useParentBg` and a ready background, and are left as they are
// otherwise, where the parent bitmap lacks the point, or when the
// destination is the parent bitmap itself. Copied pixels take the
// source's alpha into a 32-bit destination (255 from a 24-bit source).
void PaintImageWithKeyColor(platform::Bitmap& dst, const platform::Bitmap& src, bool useParentBg,
                            const TsBgSource& bg, platform::TColor keyColor, const platform::TRect& srcRect,
                            platform::TPoint dstPoint);

// Source pixels pulled towards the destination: each channel :=
// Round(S - (S - D) * factor), halves to even (factor 0 copies, 1 keeps
// the destination). Source pixels of `keyColor`'s three low bytes are
// skipped, unless its highest byte is 255, which turns the test off.
void BlendBitmapRect(platform::Bitmap& dst, int dstX, int dstY, platform::TColor keyColor, double factor,
                     const platform::TRect& srcRect, const platform::Bitmap& src);

// Every pixel that is not `keyColor` pulled towards `color`: c :=
// Round((c - C) * factor + C), halves to even (1 keeps the picture, 0
// gives the colour). A 32-bit pixel is compared whole (alpha in the
// highest byte) with keyColor, a 24-bit one by its three bytes.
void BlendBitmapToColor(platform::Bitmap& bitmap, double factor, platform::TColor color, platform::TColor keyColor);

// Each channel p := ((p - c) * m + c * 256) >> 8 with m the mask pixel's
// same channel (255 keeps the picture, 0 gives the colour); nothing unless
// the two bitmaps have the same size.
void BlendByMaskToColor(platform::Bitmap& bitmap, const platform::Bitmap& mask, platform::TColor color);

// Constant-alpha blend of `srcRect` of `src` at `dstPoint`: D := (S * (255
// - a) + D * a + 127) >> 8 with a the lowest byte of `alpha`; the source
// rectangle is cut to both bitmaps (a negative destination point moves the
// source start). Two pf24bit bitmaps or two 32-bit ones (alpha blended
// too), each at least 2 x 2 (TacFastSum24/32); other pairs paint nothing.
void BlendRectByAlpha(platform::Bitmap& dst, const platform::Bitmap& src, int alpha, platform::TPoint dstPoint,
                      const platform::TRect& srcRect);

// Every source pixel that is not `keyColor` (three bytes) copied; a 32-bit
// destination gets alpha 255 on the copied pixels.
void CopyTransparentBitmap(platform::Bitmap& dst, const platform::Bitmap& src, platform::TColor keyColor, int x,
                           int y);
void CopyTransparentRect(platform::Bitmap& dst, const platform::Bitmap& src, platform::TColor keyColor,
                         const platform::TRect& srcRect, platform::TPoint dstPoint);

// Two pictures of one size mixed into a 32-bit destination: each channel
// := (B * 256 + (A - B) * K) >> 8 with the constant k (0..255), or with a
// mask (of the same size) its pixel's same channel. Nothing when A and B
// differ in size.
void MixBitmaps(platform::Bitmap& dst, const platform::Bitmap& a, const platform::Bitmap& b, int k,
                const platform::Bitmap* mask = nullptr);

// Every pixel (24 or 32 bits) gets (B + G + R) div 3 in its three colour
// channels.
void GrayscaleBitmap(platform::Bitmap& bitmap);

// One byte of every pixel between a 32-bit bitmap and a pf8bit one:
// `channel` 0 blue, 1 green, 2 red, 3 alpha; `toEight` copies into the
// 8-bit bitmap, else out of it. Both cut to the smaller size.
void CopyChannel(platform::Bitmap& bmp32, platform::Bitmap& bmp8, int channel, bool toEight);

// A feathered rounded shade: over `r` of the bitmap, at most min(height
// div 2, width div 2) rings (`rings` at most) of a grey mask fade from 255
// at the edge to T = transparency * 255 div 100 inside, and the picture is
// pulled towards `color` by the mask (BlendByMaskToColor). Transparency
// 100 leaves the picture as it is.
void ShadeRoundRect(platform::Bitmap& bitmap, const platform::TRect& r, int transparency, int rings, int radius,
                    platform::TColor color);

// Whether layered windows show (platform/LayeredWindow.h): false before
// the unit "AlphaPainting" starts and after it finishes.
bool LayeredWindowsAvailable();
