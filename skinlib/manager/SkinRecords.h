// The records a loaded skin consists of, and the two records through which
// a control learns what lies behind it. Declared here once for the whole
// skin library: the manager fills the tables of sections, masks and
// patterns, the painting toolbox and every adapter read them.
//
// An index into one of the manager's tables is a position; -1 means none.
// Colours are TColor values with red in the lowest byte; $FF00FF (the key
// colour) stands for "transparent" or "take it from the section".
#pragma once

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Colors.h"
#include "platform/WinTypes.h"

#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class TsSkinManager;

// ------------------------------------------------------------ backgrounds

// Where a control takes its parent's background from: the parent's cache
// bitmap with the control's position inside it, or a plain colour.
struct TsBgSource {
  const platform::Bitmap* Bitmap = nullptr;
  int X = 0;  // added to every coordinate read from Bitmap
  int Y = 0;
  platform::TColor FillColor = 0;  // the colour without a bitmap; $FF00FF: unknown
  bool IsReady = false;            // Bitmap holds a finished background
};

// No parent background (a window without parent).
inline constexpr TsBgSource EmptyCacheInfo{nullptr, -99, -99, 0, false};

// The record of the background query (skin sub-command 34): the asker
// fills R and DrawRequest, a skinned parent answers with BgKind and its
// bitmap or colour.
struct TsBgQuery {
  enum Kind : uint8_t { NotAnswered = 0, PlainColor = 1, FromBitmap = 2 };
  platform::Bitmap* Bitmap = nullptr;  // the answering control's cache bitmap
  platform::TColor Color = 0;          // the answering control's plain colour
  platform::TPoint Offset;             // where the asker lies inside Bitmap
  platform::TRect R;                   // the rectangle to paint, in the asker's coordinates
  uint8_t BgKind = NotAnswered;
  bool DrawRequest = false;            // paint the background into DC instead
  platform::Canvas* DC = nullptr;
};

// ------------------------------------------------------------- the skin

// One stop of a multi-stop gradient: a band from Color1 to Color2 taking
// Percent of the rectangle's length; only the first stop's Mode counts
// (0 vertical, 1 horizontal, 2 four triangles).
struct TsGradientStop {
  platform::TColor Color1 = 0;
  platform::TColor Color2 = 0;
  uint8_t Percent = 0;
  int32_t Mode = 0;
  int32_t Reserved = 0;  // left 0, never read
};
using TsGradArray = std::vector<TsGradientStop>;

// A text colour and its four contour colours (left, top, right, bottom;
// -1 none).
using TsFontColors = std::array<platform::TColor, 5>;

// One skin section.
struct TsGeneralData {
  QString ParentClass;
  QString SectionName;
  platform::TColor Color = 0;
  TsFontColors FontColor{0, -1, -1, -1, -1};
  TsFontColors HotFontColor{0, -1, -1, -1, -1};
  bool GiveOwnFont = false;
  int32_t GlowCount = 0;
  int32_t GlowMargin = 0;
  bool ReservedBoolean = false;
  int32_t Transparency = 0;  // percent
  int32_t GradientPercent = 0;
  QString GradientData;
  TsGradArray GradientArray;
  int32_t ImagePercent = 0;
  bool ShowFocus = false;
  bool FadingEnabled = false;
  int32_t FadingIterations = 0;
  platform::TColor HotColor = 0;
  int32_t HotTransparency = 0;
  int32_t HotGradientPercent = 0;
  QString HotGradientData;
  TsGradArray HotGradientArray;
  int32_t HotImagePercent = 0;
  // Masks of the section: "BORDERSMASK" and the four corner images
  // "IMGTOPLEFT", "IMGTOPRIGHT", "IMGBTMLEFT", "IMGBTMRIGHT".
  int32_t BorderIndex = -1;
  int32_t ImgTopLeft = -1;
  int32_t ImgTopRight = -1;
  int32_t ImgBottomLeft = -1;
  int32_t ImgBottomRight = -1;
};

// What a mask image is for.
enum TacImgType { itisaBorder, itisaTexture, itisaGlyph, itisaGlow, itisaPngGlyph };

// One mask image: a rectangle of the master bitmap, or a bitmap of its own.
// ImageCount states lie side by side; with MaskType 1 a transparency mask
// of the same size lies below the image. One state is R.Width() /
// ImageCount wide and R.Height() / (MaskType + 1) high.
struct TsMaskData {
  std::unique_ptr<platform::Bitmap> Bmp;  // none: the image lies in the master bitmap
  QString ClassName;                      // section name
  QString PropertyName;                   // mask name
  platform::TRect R;                      // the image in its bitmap
  int16_t ImageCount = 1;
  int16_t MaskType = 0;
  int16_t BorderWidth = 0;
  int16_t DrawMode = 0;
  TacImgType ImgType = itisaBorder;
  TsSkinManager* Manager = nullptr;  // the manager that loaded it
  int16_t WL = 0, WT = 0, WR = 0, WB = 0;  // slice margins
};

// One pattern (a JPEG picture of the skin, decoded).
struct TsPatternData {
  std::unique_ptr<platform::Bitmap> Img;
  QString ClassName;     // section name
  QString PropertyName;  // pattern name
};

using TsGeneralDataArray = std::vector<TsGeneralData>;
using TsMaskArray = std::vector<TsMaskData>;
using TsPatternArray = std::vector<TsPatternData>;
