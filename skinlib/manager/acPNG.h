// PNG pictures drawn with their per-pixel alpha.
//
// The unit "acPNG" registers the PNG format ("Portable network graphics")
// with the picture registry (platform/Picture.h) when it first starts and
// removes it when its last user finishes (the start-up counts), so in
// between every PNG picture
// the program loads through the registry reads into a 32-bit bitmap with
// straight alpha and draws with that alpha over what the canvas already
// shows. Decoding is the registry's own libpng reader; this unit adds the
// registration, the alpha drawing and the compositing routine under it.
#pragma once

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Icons.h"
#include "platform/WinTypes.h"
#include "skinlib/manager/SkinRecords.h"

#include <cstdint>
#include <istream>
#include <string>
#include <string_view>

// As a tint colour: keep the source colours.
inline constexpr platform::TColor NoTintColor = 0x1FFFFFFF;

// The picture's header as the file gives it.
struct TPngImageProperties {
  uint32_t Width = 0;
  uint32_t Height = 0;
  uint32_t BitDepth = 0;
  uint32_t ColorType = 0;
  uint32_t Compression = 0;
  uint32_t Filter = 0;
  uint32_t Interlace = 0;
  friend bool operator==(const TPngImageProperties&, const TPngImageProperties&) = default;
};

class TPNGGraphic : public platform::Bitmap {
 public:
  TPNGGraphic() = default;

  // Draw paints a fading mirror image below the picture (half its height).
  bool Reflected = false;
  TPngImageProperties ImageProperties;

  // Reads a PNG file into a pf32bit bitmap with straight alpha. A stream
  // that is not a readable PNG leaves the picture as it was and reports why.
  bool LoadFromStream(std::istream& in, std::string* error = nullptr);
  bool LoadFromBytes(std::string_view bytes, std::string* error = nullptr);

  // A bitmap's pixels; from another PNG picture its header too.
  using platform::Bitmap::Assign;
  void Assign(const TPNGGraphic& source);

  // Paints the picture onto `rect` of the canvas, stretched when the sizes
  // differ (colour and alpha scaled apart, averaging), blending each pixel
  // by its alpha over what the canvas shows. A picture that is not pf32bit
  // draws as a plain bitmap.
  void Draw(platform::Canvas& canvas, const platform::TRect& rect) const;
};

// Draws a pf32bit picture as TPNGGraphic::Draw does; the registered PNG
// format draws its pictures with it.
void DrawPngPicture(platform::Canvas& canvas, const platform::TRect& rect,
                    const platform::Bitmap& picture, bool reflected = false);

// Lays the area of `src` under `srcRect` over `dstRect` of `dst` (24 or
// 32 bits; the alpha byte of a 32-bit destination is kept): per channel
// D := ((S - D) * a + D * 256) >> 8 with `a` the source alpha, scaled by
// (100 - transparency) / 100. A tint other than NoTintColor lays shades of
// the tint (grey of each pixel times the tint's channels) in place of the
// area's colours, the key colour $FF00FF excepted; the source keeps its
// own colours. With a ready background source, key-colour pixels leave
// the destination as it is, or with `useParentBg` take the background's
// pixel. `reflected` adds a fading mirror image below `dstRect`, of source
// rows inside the source bitmap only. `src` becomes pf32bit.
void PaintAlphaImageRect(const platform::TRect& dstRect, const platform::TRect& srcRect,
                         platform::Bitmap& dst, bool reflected, int transparency,
                         platform::TColor tintColor, bool useParentBg, const TsBgSource& bgSource,
                         platform::Bitmap* src);

// Pixels of a pf32bit bitmap (at least 2 x 2) that are white and wholly
// transparent become black, still transparent.
void ClearTransparentWhite(platform::Bitmap& bitmap);

// A new icon of the bitmap (the caller destroys it with DestroyIcon), with
// an AND mask of the same size. With `useCornerMask`, or for a bitmap that
// is not pf32bit, the bitmap becomes pf32bit and every pixel equal (alpha
// included) to the top-left one is transparent in the mask; a bitmap
// narrower or lower than 2 pixels keeps an all-opaque mask. A pf32bit
// bitmap without `useCornerMask` gets an all-opaque mask: its alpha gives
// the shape.
platform::HICON BitmapToIcon(platform::Bitmap& bitmap, bool useCornerMask);
