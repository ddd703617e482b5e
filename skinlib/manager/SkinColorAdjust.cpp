#include "skinlib/manager/SkinColorAdjust.h"

#include "platform/Startup.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/ManagerSeams.h"
#include "skinlib/manager/PixelRows.h"
#include "skinlib/manager/SkinColors.h"
#include "skinlib/manager/sSkinManager.h"

#include <algorithm>
#include <vector>

using platform::Bitmap;
using platform::TColor;
using platform::TRect;

namespace {

void StartColorAdjust() {
  ManagerSeams().ApplyHueAndSaturation = [](TsSkinManager* manager) {
    if (manager) ApplyHueAndSaturation(*manager);
  };
}

void FinishColorAdjust() { ManagerSeams().ApplyHueAndSaturation = nullptr; }

[[maybe_unused]] const bool registered =
    platform::RegisterUnit("SkinColorAdjust", StartColorAdjust, FinishColorAdjust);

const QString kGlobalInfo = QStringLiteral("GLOBALINFO");

// Changes every pixel of a 24- or 32-bit bitmap that is neither the key
// colour nor grey. Runs of one colour (most of a skin's pictures) are
// changed once.
template <class Change>
void ChangePixels(Bitmap& bitmap, Change&& change) {
  const int bytes = pixelrows::PixelBytes(bitmap);
  if (!bytes) return;
  int lastIn = -1, lastOut = 0;
  for (int y = 0; y < bitmap.Height(); ++y) {
    uint8_t* p = bitmap.ScanLine(y);
    for (int x = 0; x < bitmap.Width(); ++x, p += bytes) {
      if (pixelrows::IsKey(p) || (p[0] == p[1] && p[1] == p[2])) continue;
      const int in = p[2] | p[1] << 8 | p[0] << 16;  // a TColor
      if (in != lastIn) {
        lastIn = in;
        lastOut = change(in);
      }
      p[0] = uint8_t(lastOut >> 16);
      p[1] = uint8_t(lastOut >> 8);
      p[2] = uint8_t(lastOut);
    }
  }
}

// The master bitmap, every mask with its own bitmap (except `keep`), the
// sections' colours and the skin-wide colours changed alike.
template <class Change>
void ChangeSkin(TsSkinManager& sm, const std::vector<int>& keep, Change&& change) {
  if (sm.MasterBitmap) ChangePixels(*sm.MasterBitmap, change);
  for (size_t i = 0; i < sm.MaskData.size(); ++i) {
    Bitmap* own = sm.MaskData[i].Bmp.get();
    if (!own || std::find(keep.begin(), keep.end(), int(i)) != keep.end()) continue;
    if (own->PixelFormat() != platform::pf32bit) own->SetPixelFormat(platform::pf24bit);
    ChangePixels(*own, change);
  }
  for (TsGeneralData& section : sm.GeneralData) {
    section.Color = change(section.Color);
    section.HotColor = change(section.HotColor);
    for (TColor& c : section.FontColor)
      if (c != -1) c = change(c);
    for (TColor& c : section.HotFontColor)
      if (c != -1) c = change(c);
    for (TsGradArray* stops : {&section.GradientArray, &section.HotGradientArray})
      for (TsGradientStop& stop : *stops) {
        stop.Color1 = change(stop.Color1);
        stop.Color2 = change(stop.Color2);
      }
  }
  if (sm.SkinData) {
    sm.SkinData->Shadow1Color = change(sm.SkinData->Shadow1Color);
    sm.SkinData->BorderColor = change(sm.SkinData->BorderColor);
  }
}

// A title-button icon of the master bitmap kept aside.
struct KeptPicture {
  TRect R;
  Bitmap Picture;
};

}  // namespace

void ApplyHueOffset(TsSkinManager& sm, int delta) {
  if (delta == 0) return;
  std::vector<int> keep;
  std::vector<KeptPicture> kept;
  const int keepHue = sm.SkinData ? sm.SkinData->BIKeepHue : 0;
  if (keepHue != 0) {
    QStringList names{QStringLiteral("BICONCLOSE"), QStringLiteral("SICONCLOSE")};
    if (keepHue == 1)
      names << QStringLiteral("BICONMAX") << QStringLiteral("BICONMIN") << QStringLiteral("BICONNORM")
            << QStringLiteral("BICONHELP") << QStringLiteral("SICONMAX") << QStringLiteral("SICONMIN")
            << QStringLiteral("SICONNORM");
    for (const QString& name : names) {
      const int i = sm.IndexOfMask(kGlobalInfo, name);
      if (i >= 0 && !sm.MaskData[size_t(i)].Bmp && sm.MasterBitmap) {
        const TRect r = pixelrows::ClipToBitmap(sm.MaskData[size_t(i)].R, *sm.MasterBitmap);
        if (!r.IsEmpty()) {
          KeptPicture& k = kept.emplace_back(KeptPicture{r, Bitmap(r.Width(), r.Height(), sm.MasterBitmap->PixelFormat())});
          pixelrows::CopyBlock(k.Picture, 0, 0, *sm.MasterBitmap, r.Left, r.Top, r.Width(), r.Height());
        }
      } else {
        keep.push_back(i);
      }
      const int glow = sm.IndexOfMask(kGlobalInfo, name + QStringLiteral("GLOW0"));
      if (glow >= 0 && sm.MaskData[size_t(glow)].Bmp) keep.push_back(glow);
    }
  }
  ChangeSkin(sm, keep, [delta](TColor c) { return ChangeColorHue(delta, c); });
  for (const KeptPicture& k : kept)
    pixelrows::CopyBlock(*sm.MasterBitmap, k.R.Left, k.R.Top, k.Picture, 0, 0, k.R.Width(), k.R.Height());
}

void ApplySaturation(TsSkinManager& sm, int value) {
  if (value == 0) return;
  const int percent = int(-int64_t(value) % 101);  // the remainder takes the sign of -value
  ChangeSkin(sm, {}, [percent](TColor c) { return ChangeColorSaturation(c, percent); });
}

void ApplyHueAndSaturation(TsSkinManager& sm) {
  ApplyHueOffset(sm, sm.HueOffset());
  ApplySaturation(sm, sm.Saturation());
}
