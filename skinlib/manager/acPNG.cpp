#include "skinlib/manager/acPNG.h"

#include "platform/Blit.h"
#include "platform/Icons.h"
#include "platform/Picture.h"
#include "platform/Startup.h"
#include "skinlib/manager/AlphaPainting.h"
#include "skinlib/manager/BitmapFactories.h"

#include <QPainter>

#include <algorithm>
#include <cstring>
#include <iterator>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

using namespace platform;

namespace {

// B, G, R bytes of the key colour $FF00FF.
bool IsKey(const uint8_t* p) { return p[0] == 0xFF && p[1] == 0 && p[2] == 0xFF; }

// One channel of source over destination; the low 8 bits of the
// arithmetic shift are kept.
uint8_t Blend(int s, int d, int a) { return uint8_t(((s - d) * a + d * 256) >> 8); }

void BlendPixel(const uint8_t* s, uint8_t* d, int a) {
  for (int c = 0; c < 3; ++c) d[c] = Blend(s[c], d[c], a);
}

// The part of both rectangles that lies inside both bitmaps, at the same
// offset from both rectangles' corners.
struct Area {
  int dx, dy, sx, sy, w, h;
};

bool ClipArea(const TRect& d, const TRect& s, const Bitmap& dst, const Bitmap& src, Area& a) {
  a = {d.Left, d.Top, s.Left, s.Top, std::min(d.Width(), s.Width()), std::min(d.Height(), s.Height())};
  auto inside = [](int& p, int& other, int& length) {
    if (p >= 0) return;
    other -= p;
    length += p;
    p = 0;
  };
  inside(a.dx, a.sx, a.w);
  inside(a.sx, a.dx, a.w);
  inside(a.dy, a.sy, a.h);
  inside(a.sy, a.dy, a.h);
  a.w = std::min({a.w, dst.Width() - a.dx, src.Width() - a.sx});
  a.h = std::min({a.h, dst.Height() - a.dy, src.Height() - a.sy});
  return a.w > 0 && a.h > 0;
}

void TintArea(Bitmap& src, const Area& a, TColor tint) {
  const int tr = GetRValue(tint), tg = GetGValue(tint), tb = GetBValue(tint);
  // grey * channel / 255 to the nearest integer (never a half: 255 is odd).
  auto scale = [](int grey, int channel) {
    int v = grey * channel;
    return uint8_t(v / 255 + (2 * (v % 255) > 255 ? 1 : 0));
  };
  for (int y = 0; y < a.h; ++y) {
    uint8_t* p = src.ScanLine(a.sy + y) + 4 * a.sx;
    for (int x = 0; x < a.w; ++x, p += 4) {
      if (IsKey(p)) continue;
      int grey = (p[0] + p[1] + p[2]) / 3;
      p[0] = scale(grey, tb);
      p[1] = scale(grey, tg);
      p[2] = scale(grey, tr);
    }
  }
}

int BytesPerPixel(const Bitmap& b) { return b.PixelFormat() == pf24bit ? 3 : 4; }

// One row of `n` pixels of the plain case (each pixel's own alpha, no key
// colour) onto 24-bit pixels. Per channel S * a + D * (256 - a) equals
// (S - D) * a + D * 256 and never exceeds 65280, so 16-bit lanes hold it.
void BlendRow24Plain(const uint8_t* s, uint8_t* d, int n) {
  for (int x = 0; x < n; ++x, s += 4, d += 3) BlendPixel(s, d, s[3]);
}

#if defined(__x86_64__) || defined(__i386__)
// Four pixels a step with SSSE3 byte shuffles; the same results.
__attribute__((target("ssse3"))) void BlendRow24Ssse3(const uint8_t* s, uint8_t* d, int n) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i c256 = _mm_set1_epi16(256);
  // Four 3-byte pixels spread to four 4-byte ones, and back.
  const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
  const __m128i gather = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
  // Each pixel's alpha beside each of its colour bytes.
  const __m128i alphas = _mm_setr_epi8(3, 3, 3, -1, 7, 7, 7, -1, 11, 11, 11, -1, 15, 15, 15, -1);
  auto blend = [&](__m128i sv, __m128i dv, __m128i av) {
    const __m128i inv = _mm_sub_epi16(c256, av);
    return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(sv, av), _mm_mullo_epi16(dv, inv)), 8);
  };
  int x = 0;
  for (; x + 4 <= n; x += 4, s += 16, d += 12) {
    const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
    uint32_t tail;
    std::memcpy(&tail, d + 8, 4);
    const __m128i packed = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(d)),
                                              _mm_cvtsi32_si128(int(tail)));
    const __m128i dv = _mm_shuffle_epi8(packed, spread);
    const __m128i av = _mm_shuffle_epi8(sv, alphas);
    const __m128i lo = blend(_mm_unpacklo_epi8(sv, zero), _mm_unpacklo_epi8(dv, zero), _mm_unpacklo_epi8(av, zero));
    const __m128i hi = blend(_mm_unpackhi_epi8(sv, zero), _mm_unpackhi_epi8(dv, zero), _mm_unpackhi_epi8(av, zero));
    const __m128i out = _mm_shuffle_epi8(_mm_packus_epi16(lo, hi), gather);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(d), out);
    tail = uint32_t(_mm_cvtsi128_si32(_mm_srli_si128(out, 8)));
    std::memcpy(d + 8, &tail, 4);
  }
  BlendRow24Plain(s, d, n - x);
}

// S * a + D * (256 - a) >> 8 in sixteen 16-bit lanes.
__attribute__((target("avx2"))) inline __m256i Blend16(__m256i sv, __m256i dv, __m256i av, __m256i c256) {
  const __m256i inv = _mm256_sub_epi16(c256, av);
  return _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(sv, av), _mm256_mullo_epi16(dv, inv)), 8);
}

// Eight pixels a step with AVX2: each 128-bit lane does what a step of the
// SSSE3 version does.
__attribute__((target("avx2"))) void BlendRow24Avx2(const uint8_t* s, uint8_t* d, int n) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i c256 = _mm256_set1_epi16(256);
  const __m256i spread = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1,  //
                                          0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
  const __m256i gather = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1,  //
                                          0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
  const __m256i alphas = _mm256_setr_epi8(3, 3, 3, -1, 7, 7, 7, -1, 11, 11, 11, -1, 15, 15, 15, -1,  //
                                          3, 3, 3, -1, 7, 7, 7, -1, 11, 11, 11, -1, 15, 15, 15, -1);
  // Twelve destination bytes into the low three quarters of a lane.
  auto load12 = [](const uint8_t* p) {
    uint32_t tail;
    std::memcpy(&tail, p + 8, 4);
    return _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), _mm_cvtsi32_si128(int(tail)));
  };
  auto store12 = [](uint8_t* p, __m128i v) {
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p), v);
    const uint32_t tail = uint32_t(_mm_cvtsi128_si32(_mm_srli_si128(v, 8)));
    std::memcpy(p + 8, &tail, 4);
  };
  int x = 0;
  for (; x + 8 <= n; x += 8, s += 32, d += 24) {
    const __m256i sv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s));
    const __m256i dv = _mm256_shuffle_epi8(_mm256_setr_m128i(load12(d), load12(d + 12)), spread);
    const __m256i av = _mm256_shuffle_epi8(sv, alphas);
    const __m256i lo = Blend16(_mm256_unpacklo_epi8(sv, zero), _mm256_unpacklo_epi8(dv, zero),
                               _mm256_unpacklo_epi8(av, zero), c256);
    const __m256i hi = Blend16(_mm256_unpackhi_epi8(sv, zero), _mm256_unpackhi_epi8(dv, zero),
                               _mm256_unpackhi_epi8(av, zero), c256);
    const __m256i out = _mm256_shuffle_epi8(_mm256_packus_epi16(lo, hi), gather);
    store12(d, _mm256_castsi256_si128(out));
    store12(d + 12, _mm256_extracti128_si256(out, 1));
  }
  BlendRow24Ssse3(s, d, n - x);
}
#endif

// The plain 24-bit row blender this processor runs best.
using RowBlender = void (*)(const uint8_t*, uint8_t*, int);
RowBlender PlainRowBlender() {
#if defined(__x86_64__) || defined(__i386__)
  static const RowBlender best = __builtin_cpu_supports("avx2")    ? BlendRow24Avx2
                                 : __builtin_cpu_supports("ssse3") ? BlendRow24Ssse3
                                                                   : BlendRow24Plain;
  return best;
#else
  return BlendRow24Plain;
#endif
}

// The compositing itself; `src` is pf32bit and `dst` 24 or 32 bits.
void Composite(const TRect& dstRect, const TRect& srcRect, Bitmap& dst, bool reflected,
               int transparency, bool useParentBg, const TsBgSource& bg, const Bitmap& src) {
  Area a;
  if (!ClipArea(dstRect, srcRect, dst, src, a)) return;
  const int t = std::clamp(transparency, 0, 100);
  const int bpp = BytesPerPixel(dst);
  const bool keyed = bg.IsReady;
  const RowBlender plain = !keyed && t == 0 && bpp == 3 ? PlainRowBlender() : nullptr;
  for (int y = 0; y < a.h; ++y) {
    const uint8_t* s = src.ScanLine(a.sy + y) + 4 * a.sx;
    uint8_t* d = dst.ScanLine(a.dy + y) + bpp * a.dx;
    if (plain) {
      plain(s, d, a.w);
      continue;
    }
    for (int x = 0; x < a.w; ++x, s += 4, d += bpp) {
      if (keyed && IsKey(s)) {
        if (!useParentBg || !bg.Bitmap) continue;
        const int bx = bg.X + a.dx + x, by = bg.Y + a.dy + y;
        if (bx < 0 || by < 0 || bx >= bg.Bitmap->Width() || by >= bg.Bitmap->Height()) continue;
        const QRgb c = bg.Bitmap->GetArgb(bx, by);
        d[0] = uint8_t(qBlue(c));
        d[1] = uint8_t(qGreen(c));
        d[2] = uint8_t(qRed(c));
        continue;
      }
      BlendPixel(s, d, t == 0 ? s[3] : s[3] * (100 - t) / 100);
    }
  }
  if (!reflected) return;
  const int half = src.Height() / 2;
  const int rows = std::min(half - 1, dst.Height() - dstRect.Bottom - 1);
  const int fall = half > 0 ? 255 / half : 0;
  int k = 255;
  for (int i = 1; i <= rows; ++i, k -= fall) {
    const int sy = srcRect.Bottom - i - 1, dy = dstRect.Bottom + i;
    if (sy < 0 || sy >= src.Height() || dy < 0) continue;
    const uint8_t* s = src.ScanLine(sy) + 4 * a.sx;
    uint8_t* d = dst.ScanLine(dy) + bpp * a.dx;
    for (int x = 0; x < a.w; ++x, s += 4, d += bpp) {
      if (IsKey(s)) continue;
      const int base = t == 0 ? s[3] / 3 : s[3] * (100 - t) / 300;
      BlendPixel(s, d, std::max(0, base * k / 255));
    }
  }
}

// The picture stretched to w x h with averaging, its colour and its alpha
// each on their own, so that colour under clear pixels still counts.
Bitmap ScaledApart(const Bitmap& picture, int w, int h) {
  const int pw = picture.Width(), ph = picture.Height();
  Bitmap colour(picture);
  // The alpha bytes into a bitmap of the picture's size, made 8-bit.
  const std::unique_ptr<Bitmap> alpha = CreateBitmapLike(picture);
  alpha->SetPixelFormat(pf8bit);
  CopyChannel(colour, *alpha, 3, true);
  colour.SetPixelFormat(pfDevice);
  Bitmap scaled(w, h, pfDevice);
  StretchBlt(scaled, 0, 0, w, h, colour, 0, 0, pw, ph, HALFTONE);
  scaled.SetPixelFormat(pf32bit);

  alpha->SetPixelFormat(pfDevice);
  Bitmap alphaScaled(w, h, pfDevice);
  StretchBlt(alphaScaled, 0, 0, w, h, *alpha, 0, 0, pw, ph, HALFTONE);
  alphaScaled.SetPixelFormat(pf8bit);
  CopyChannel(scaled, alphaScaled, 3, false);
  return scaled;
}

TPngImageProperties ReadHeader(std::string_view bytes) {
  // The signature (8 bytes), then the IHDR chunk: length, type, width,
  // height and five single bytes.
  TPngImageProperties p;
  if (bytes.size() < 29 || bytes.compare(12, 4, "IHDR") != 0) return p;
  auto u8 = [&](size_t i) { return uint32_t(uint8_t(bytes[i])); };
  auto u32 = [&](size_t i) { return u8(i) << 24 | u8(i + 1) << 16 | u8(i + 2) << 8 | u8(i + 3); };
  p.Width = u32(16);
  p.Height = u32(20);
  p.BitDepth = u8(24);
  p.ColorType = u8(25);
  p.Compression = u8(26);
  p.Filter = u8(27);
  p.Interlace = u8(28);
  return p;
}

void StartPngUnit() {
  PictureFormat png = PngFormat();
  png.Description = QStringLiteral("Portable network graphics");
  png.Draw = [](Canvas& canvas, const TRect& rect, const Bitmap& picture) {
    DrawPngPicture(canvas, rect, picture);
  };
  RegisterFileFormat(png);
}

void FinishPngUnit() { UnregisterFileFormat(QStringLiteral("png")); }

[[maybe_unused]] const bool registered = RegisterUnit("acPNG", StartPngUnit, FinishPngUnit);

}  // namespace

// ------------------------------------------------------------- TPNGGraphic

bool TPNGGraphic::LoadFromStream(std::istream& in, std::string* error) {
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return LoadFromBytes(bytes, error);
}

bool TPNGGraphic::LoadFromBytes(std::string_view bytes, std::string* error) {
  Bitmap decoded;
  std::string message;
  if (!DecodePng(bytes, decoded, message)) {
    if (error) *error = message;
    return false;
  }
  Bitmap::operator=(std::move(decoded));
  ImageProperties = ReadHeader(bytes);
  return true;
}

void TPNGGraphic::Assign(const TPNGGraphic& source) {
  ImageProperties = source.ImageProperties;
  Bitmap::operator=(source);
}

void TPNGGraphic::Draw(Canvas& canvas, const TRect& rect) const {
  DrawPngPicture(canvas, rect, *this, Reflected);
}

void DrawPngPicture(Canvas& canvas, const TRect& rect, const Bitmap& picture, bool reflected) {
  if (picture.PixelFormat() != pf32bit) {
    canvas.StretchDraw(rect, picture);
    return;
  }
  const int w = rect.Width(), h = rect.Height();
  if (w <= 0 || h <= 0 || picture.Empty()) return;
  const bool sameSize = w == picture.Width() && h == picture.Height();
  Bitmap* target = canvas.TargetBitmap();
  if (!target) {
    // A surface that cannot be read back (a widget): Qt blends the
    // picture over it instead.
    QPainter* p = canvas.Painter();
    if (!p) return;
    Bitmap scaled = sameSize ? Bitmap() : ScaledApart(picture, w, h);
    p->save();
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    p->drawImage(QPoint(rect.Left, rect.Top), (sameSize ? picture : scaled).ConstImage());
    p->restore();
    return;
  }
  const std::unique_ptr<Bitmap> owned = CreateBitmap24(w, h + (reflected ? h / 2 : 0));
  Bitmap& work = *owned;
  canvas.EndPainting();
  const TPoint vo = canvas.GetViewportOrg(), wo = canvas.GetWindowOrg();
  BitBlt(work, 0, 0, work.Width(), work.Height(), *target, rect.Left - wo.X + vo.X,
         rect.Top - wo.Y + vo.Y);
  const TRect whole = Rect(0, 0, w, h);
  if (sameSize)
    Composite(whole, whole, work, reflected, 0, false, EmptyCacheInfo, picture);
  else
    Composite(whole, whole, work, false, 0, false, EmptyCacheInfo, ScaledApart(picture, w, h));
  canvas.CopyRect(Bounds(rect.Left, rect.Top, work.Width(), work.Height()), work,
                  Rect(0, 0, work.Width(), work.Height()));
}

void PaintAlphaImageRect(const TRect& dstRect, const TRect& srcRect, Bitmap& dst, bool reflected,
                         int transparency, TColor tintColor, bool useParentBg,
                         const TsBgSource& bgSource, Bitmap* src) {
  if (!src) return;
  src->SetPixelFormat(pf32bit);
  if (dst.PixelFormat() != pf24bit && dst.PixelFormat() != pf32bit &&
      dst.PixelFormat() != pfDevice)
    dst.SetPixelFormat(pf24bit);
  Area a;
  if (!ClipArea(dstRect, srcRect, dst, *src, a)) return;
  if (tintColor == NoTintColor) {
    Composite(dstRect, srcRect, dst, reflected, transparency, useParentBg, bgSource, *src);
    return;
  }
  // The tint goes into a copy: the source is drawn again later, untinted
  // or with another tint.
  Bitmap tinted(*src);
  TintArea(tinted, a, tintColor);
  Composite(dstRect, srcRect, dst, reflected, transparency, useParentBg, bgSource, tinted);
}

void ClearTransparentWhite(Bitmap& bitmap) {
  if (bitmap.PixelFormat() != pf32bit || bitmap.Width() < 2 || bitmap.Height() < 2) return;
  for (int y = 0; y < bitmap.Height(); ++y) {
    uint8_t* p = bitmap.ScanLine(y);
    for (int x = 0; x < bitmap.Width(); ++x, p += 4)
      if (p[0] == 255 && p[1] == 255 && p[2] == 255 && p[3] == 0) p[0] = p[1] = p[2] = 0;
  }
}

HICON BitmapToIcon(Bitmap& bitmap, bool useCornerMask) {
  const int w = bitmap.Width(), h = bitmap.Height();
  // Black: opaque everywhere until a corner colour says otherwise.
  Bitmap mask(w, h, pf8bit);
  mask.Fill(qRgb(0, 0, 0));
  if (useCornerMask || bitmap.PixelFormat() != pf32bit) {
    bitmap.SetPixelFormat(pf32bit);
    if (w > 1 && h > 1) {
      const auto pixel = [&](int x, int y) {
        uint32_t v;
        std::memcpy(&v, bitmap.ScanLine(y) + 4 * x, 4);
        return v;
      };
      const uint32_t corner = pixel(0, 0);
      for (int y = 0; y < h; ++y) {
        uint8_t* m = mask.ScanLine(y);
        for (int x = 0; x < w; ++x) m[x] = pixel(x, y) == corner ? 255 : 0;
      }
    }
  }
  mask.SetPixelFormat(pf1bit);
  ICONINFO info;
  info.fIcon = true;
  info.hbmMask = &mask;
  info.hbmColor = &bitmap;
  return CreateIconIndirect(info);
}
