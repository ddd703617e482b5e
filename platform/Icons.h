// Icons: an image with an AND mask, or a 32-bit image with alpha, as
// Windows keeps them (HICON is an Icon*), drawn with the Windows rules.
//
// An icon has a colour image and a pf1bit mask of the same size. DrawIconEx
// decides per icon:
//   - a pf32bit colour image with any alpha byte above 0 is drawn with its
//     straight alpha, per channel D := (S * a + D * (255 - a) + 127) / 255;
//   - otherwise DI_MASK ANDs the mask into the target (a white mask pixel
//     keeps it, a black one clears it) and DI_IMAGE then XORs the colour
//     image over it, so that colour under a white mask pixel inverts what
//     is there (DI_NORMAL does both; DI_IMAGE alone copies the colour).
// On a canvas over a Bitmap the pixels are exact; elsewhere the icon is
// drawn through QPainter with the mask as alpha.
#pragma once

#include "platform/Bitmap.h"

#include <QIcon>
#include <QString>

#include <memory>

namespace platform {

class Canvas;

class Icon {
 public:
  // `color` any format (pf32bit keeps its alpha); `mask` pf1bit of the
  // same size, white = transparent (an empty mask: all opaque).
  Icon(Bitmap color, Bitmap mask);
  // The icon of a QIcon at `size` (the mask from its alpha); null when the
  // QIcon has no image. CopyImage with LR_COPYFROMRESOURCE renders the
  // QIcon again at the new size.
  static std::unique_ptr<Icon> FromQIcon(const QIcon& icon, int size);

  int Width() const { return color_.Width(); }
  int Height() const { return color_.Height(); }
  const Bitmap& Color() const { return color_; }
  const Bitmap& Mask() const { return mask_; }
  // Drawn with its alpha (see above).
  bool HasAlpha() const { return hasAlpha_; }
  // The icon as a premultiplied ARGB image (mask or alpha as transparency).
  QImage ToImage() const;
  QIcon Source() const { return source_; }

 private:
  Bitmap color_;
  Bitmap mask_;
  bool hasAlpha_ = false;
  QIcon source_;
};

using HICON = Icon*;

struct ICONINFO {
  bool fIcon = true;
  int xHotspot = 0;
  int yHotspot = 0;
  const Bitmap* hbmMask = nullptr;
  const Bitmap* hbmColor = nullptr;
};

// A new icon from copies of the bitmaps (nullptr without a colour image or
// with a mask of another size); the caller destroys it.
HICON CreateIconIndirect(const ICONINFO& info);
bool DestroyIcon(HICON icon);

constexpr unsigned DI_MASK = 0x1, DI_IMAGE = 0x2, DI_NORMAL = 0x3, DI_COMPAT = 0x4, DI_DEFAULTSIZE = 0x8;
// Draws the icon with its top-left corner at (x, y), stretched to cx x cy
// (0: its own size, or SM_CXICON x SM_CYICON with DI_DEFAULTSIZE). The
// animation step and the flicker-free brush of Windows are not used.
bool DrawIconEx(Canvas& canvas, int x, int y, const Icon* icon, int cx, int cy, unsigned step = 0,
                const void* flickerFreeBrush = nullptr, unsigned flags = DI_NORMAL);

constexpr unsigned IMAGE_BITMAP = 0, IMAGE_ICON = 1;
constexpr unsigned LR_DEFAULTCOLOR = 0x0, LR_COPYRETURNORG = 0x4, LR_COPYDELETEORG = 0x8,
                   LR_DEFAULTSIZE = 0x40, LR_COPYFROMRESOURCE = 0x4000;
// A new icon of cx x cy (0: the icon's own size, or SM_CXICON x SM_CYICON
// with LR_DEFAULTSIZE): a QIcon's icon with LR_COPYFROMRESOURCE is drawn
// anew at that size, anything else scaled (nearest pixel). nullptr for
// anything but IMAGE_ICON. LR_COPYDELETEORG destroys the original.
HICON CopyImage(HICON icon, unsigned type, int cx, int cy, unsigned flags);

// The desktop's icon for a file (SM_CXSMICON with `small`, else SM_CXICON);
// nullptr when the file does not exist or the desktop has no icon for it.
HICON FileIcon(const QString& path, bool small = false);

}  // namespace platform
