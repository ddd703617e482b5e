// The painting toolbox over masks of outside skins: the input's first
// bytes choose a rectangle, a state and a hue, the rest is the skin's
// "Options.dat", packed with the painting skin's pictures. Every mask the
// manager reads is sliced, drawn as a glyph and as a masked texture piece
// into 24- and 32-bit bitmaps, laid as a texture in the mode the input
// chooses, scanned for a form's transparent corners, and its border's
// background restored; every section is painted as an item and as a
// background: nothing is read or written outside a bitmap (the sanitizer
// build watches), PaintMaskRect, the textures and a section's background
// change nothing outside their rectangle, and the
// hue turn of the whole skin keeps every picture's size.
#include "SkinFuzzSupport.h"
#include "SkinPackages.h"

#include "platform/UserPrompts.h"
#include "skinlib/manager/MaskSlicing.h"
#include "skinlib/manager/SectionBackgrounds.h"
#include "skinlib/manager/SkinColorAdjust.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/support/TestSkins.h"

#include <string>
#include <utility>
#include <vector>

using platform::TPoint;
using platform::TRect;

namespace {

// A package of the painting skin's files with `options` as its
// "Options.dat"; the pictures are packed once.
std::string PaintingPackageWith(std::string_view options) {
  static const fuzz::PackedPictures pictures = fuzz::PackPictures(testskins::PaintingSkin());
  return fuzz::PackageWith(pictures, options);
}

// Pixels (alpha included) that differ outside `keep`.
bool SameOutside(const platform::Bitmap& a, const platform::Bitmap& b, const platform::TRect& keep) {
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (!keep.Contains(x, y) && a.GetArgb(x, y) != b.GetArgb(x, y)) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  fuzz::StartSkinLibrary(argc, argv);
  platform::SetPrompts(&fuzz::Prompts());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Prompts().Calls.clear();
  fuzz::Input in(data, size);
  const int x = int8_t(in.Byte()), y = int8_t(in.Byte()), w = int8_t(in.Byte()), h = int8_t(in.Byte());
  const int state = int8_t(in.Byte());
  const int hue = int8_t(in.Byte()) * 3;
  TsSkinManager sm;
  sm.SetActive(false);
  TsStoredSkin& stored = sm.InternalSkins().Add();
  stored.Name = QStringLiteral("F");
  stored.Data = PaintingPackageWith(in.Rest());
  sm.SetSkinName(QStringLiteral("F"));
  if (fuzz::Raises<ESkinLibraryError>([&] { sm.SetActive(true); })) return 0;
  const TRect r{x, y, x + w, y + h};
  platform::Bitmap parent(24, 24, platform::pf24bit);
  parent.Fill(qRgb(1, 2, 3));
  const TsBgSource bg{&parent, -x, y, KeyColor, true};
  for (size_t i = 0; i < sm.MaskData.size(); ++i) {
    const TsMaskData& m = sm.MaskData[i];
    for (platform::TPixelFormat format : {platform::pf24bit, platform::pf32bit}) {
      platform::Bitmap bitmap(40, 30, format);
      bitmap.Fill(qRgba(9, 8, 7, 77));
      const platform::Bitmap before(bitmap);
      PaintMaskRect(bitmap, r, true, bg, m, state, true);
      FUZZ_CHECK(SameOutside(before, bitmap, r));
      PaintMaskGlyph(bitmap, TPoint{x, y}, state, state & 1, m, bg);
      PaintMaskedImage(r, TRect{m.R.Left, m.R.Top, m.R.Left + w, m.R.Top + h}, bitmap, bg, m);
      RestoreBorderBackground(bitmap, w, h, sm, int(i), bg, kAllSides, state);
      const platform::Bitmap textured(bitmap);
      TRect rest;
      PaintTexture(bitmap, r, nullptr, &m, state & 15, rest);
      PaintMaskedTexture(bitmap, r, bg, state & 1 ? 10 : 0, m);
      FUZZ_CHECK(SameOutside(textured, bitmap, r));
    }
    std::vector<TRect> corners;
    AddTransparentCornerRects(corners, w, m, state & 1, y);
  }
  for (size_t i = 0; i < sm.GeneralData.size(); ++i) {
    for (platform::TPixelFormat format : {platform::pf24bit, platform::pf32bit}) {
      platform::Bitmap bitmap(40, 30, format);
      bitmap.Fill(qRgba(9, 8, 7, 77));
      const platform::Bitmap before(bitmap);
      const TRect inside = platform::IntersectRect(r, TRect{0, 0, 40, 30});
      PaintSectionBackground(int(i), {}, bg, KeyColor, -1, -1, &sm, bitmap, TPoint{x, y}, inside, state & 1);
      FUZZ_CHECK(SameOutside(before, bitmap, inside));
      // (An item's corner images may reach past a small rectangle.)
      PaintSectionItem(int(i), {}, bg, -1, -1, &sm, bitmap, TPoint{x, y}, inside, state, true);
    }
  }
  // The skin's colours turned: every picture keeps its size.
  std::vector<std::pair<int, int>> sizes;
  for (const TsMaskData& m : sm.MaskData) sizes.emplace_back(m.Bmp ? m.Bmp->Width() : -1, m.Bmp ? m.Bmp->Height() : -1);
  const int masterWidth = sm.MasterBitmap ? sm.MasterBitmap->Width() : -1;
  ApplyHueOffset(sm, hue);
  ApplySaturation(sm, state);
  for (size_t i = 0; i < sm.MaskData.size(); ++i) {
    const TsMaskData& m = sm.MaskData[i];
    FUZZ_CHECK(sizes[i] == std::make_pair(m.Bmp ? m.Bmp->Width() : -1, m.Bmp ? m.Bmp->Height() : -1));
  }
  FUZZ_CHECK(masterWidth == (sm.MasterBitmap ? sm.MasterBitmap->Width() : -1));
  return 0;
}
