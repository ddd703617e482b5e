// Skins of the skin library made in code, for its tests, its fuzz seeds and
// the developer's CLI (tools/skinlib/MakeTestSkin.cpp): a skin described
// here becomes a skin folder ("Options.dat" in CP936, a 24-bit BMP master
// bitmap, image files of its own, JPEG patterns), a packed skin file
// (".asz"), or a stored skin's data (the same bytes). Damaged variants of
// packages and of skins test the readers' refusals. It also draws the
// library's own pictures (the two shadows and the five list images).
//
// Nothing here reads skins: it writes them from the formats alone, so the
// readers are never tested against themselves. It needs platform_gui and
// the generators' drawing helpers (tools/skindraw), never a skin library.
#pragma once

#include <QImage>
#include <QMargins>
#include <QRect>
#include <QString>

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace testskins {

// ------------------------------------------------------------ the text

struct SkinKey {
  QString Key;
  QString Value;
};

struct SkinSection {
  QString Name;
  std::vector<SkinKey> Keys;
  SkinSection& Set(const QString& key, const QString& value);
  SkinSection& Set(const QString& key, int value) { return Set(key, QString::number(value)); }
  // The first key of that name takes the value (added when missing).
  SkinSection& Put(const QString& key, const QString& value);
  SkinSection& Put(const QString& key, int value) { return Put(key, QString::number(value)); }
};

// The value texts of the mask forms, in their fixed columns where the form
// has them (each number must fit its columns).
// "~": texture in the master bitmap; the mask type only when given.
QString TextureValue(const QRect& r, int drawMode, std::optional<int> maskType = std::nullopt);
// "@": glyph in the master bitmap.
QString GlyphValue(const QRect& r, int imageCount, int maskType);
// "^": border mask in the master bitmap with its slice margins.
QString BorderValue(const QRect& r, const QMargins& margins, int imageCount, int maskType,
                    int drawMode, int borderWidth);
// "#(L,T,R,B)(ImageCount,MaskType[,BorderWidth[,DrawMode]])".
QString HashValue(const QRect& r, int imageCount, int maskType, std::optional<int> borderWidth = {},
                  std::optional<int> drawMode = {});
// "!FILE!ImageCount!MaskType!Type[!WL!WT!WR!WB]": an image file of its own.
QString OwnFileValue(const QString& file, int imageCount, int maskType, int type,
                     std::optional<QMargins> margins = std::nullopt);

// A rectangle as L, T, R, B (right and bottom exclusive).
inline QRect Ltrb(int l, int t, int r, int b) { return QRect(l, t, r - l, b - t); }

// ------------------------------------------------------------ the skin

struct SkinFile {
  QString Name;  // as the skin names it (its case kept)
  std::string Data;
};

struct TestSkin {
  QString Name;
  std::vector<SkinSection> Sections;  // the text, in order
  QImage Master;                      // the master bitmap ("Master.bmp"); none: no MASTERBITMAP
  std::vector<SkinFile> Files;        // the skin's other files

  // The section of that name, added at the end when missing.
  SkinSection& Section(const QString& name);
  // Lays `image` into the master bitmap (growing it, key colour around)
  // and gives where it lies.
  QRect Place(const QImage& image);
  void AddFile(const QString& name, std::string data) { Files.push_back({name, std::move(data)}); }
  // Takes in what `other` has and this skin lacks: its sections, the keys
  // of sections both have, its files; its master bitmap goes below this
  // one's, and the pictures its values name move with it.
  void Merge(const TestSkin& other);

 private:
  // Grows the master bitmap (key colour around, at least `minWidth` wide)
  // to take `image` at `at`, and draws it there.
  void DrawOnMaster(const QImage& image, QPoint at, int minWidth = 0);

  struct {
    int x = 0, y = 0, height = 0;
  } shelf_;  // where Place puts the next picture
};

// "Options.dat" of the skin: CP936, CR LF line ends.
std::string OptionsText(const TestSkin& skin);
// Every file of the skin folder, "Options.dat" first, the master bitmap
// second (24-bit BMP).
std::vector<SkinFile> SkinFolderFiles(const TestSkin& skin);
// Writes the skin folder `folder` (made when missing); false with a reason.
bool WriteSkinFolder(const TestSkin& skin, const QString& folder, QString* error = nullptr);

// ------------------------------------------------------------ packages

struct PackEntry {
  PackEntry(std::string name, std::string data, std::optional<int32_t> declaredSize = std::nullopt)
      : Name(std::move(name)), Data(std::move(data)), DeclaredSize(declaredSize) {}
  std::string Name;  // single-byte characters
  std::string Data;
  std::optional<int32_t> DeclaredSize;  // the size written; none: Data's own
};
// A packed skin file: "ASzf", the count, each entry's name, size and zlib
// stream.
std::string PackBytes(const std::vector<PackEntry>& entries, const std::string& magic = "ASzf");
// The skin as a package (and as a stored skin's data: the same bytes).
std::string PackageBytes(const TestSkin& skin);
inline std::string StoredSkinData(const TestSkin& skin) { return PackageBytes(skin); }

// ------------------------------------------------------------ test skins

// A small skin with masks in every form ("~", "@", "^", "#", ".BMP", "!"
// with BMP and PNG files), inherited sections, colours, a description in
// Chinese, two JPEG patterns (200 x 200, small enough to become a
// texture, and 300 x 300, which stays a pattern), and an extended border
// ("EXBORDER" of GLOBALINFO: two 40 x 40 states in the master bitmap, the
// inactive one left, each white inside a grey band that darkens towards
// the middle, the active one darker).
TestSkin DemoSkin();

// A skin for the shared control data's tests, one section per case:
// "GLOBALINFO" (the first section; gives its font), "EDIT" and "PANEL" (plain colours), "PARENTRED" (red, gives its font),
// "HALF" (blue at Transparency 50, green and opaque when hot), "FROSTED"
// (Transparency 60), "CLEAR" (Transparency 100, no border) and
// "CLEARWIDE" (Transparency 100, border margins 13, 4, 13, 4),
// "GRADIENT" (a horizontal gradient, GradientPercent 100), "VERTICAL" (a
// vertical one at 1), "TRIANGLES" (four triangles and ImagePercent 20
// without an image), "IMAGE"
// (ImagePercent 40, "PATTERN" and "HOTPATTERN" textures) and
// "IMAGECHILD" (inherits them through PARENTCLASS), "BIGBORDER" (margins
// 16, 4, 16, 3), "NOCENTRE" (DrawMode 2, margins 5, 9, 6, 7), "GLOWING"
// (glow count 2), "GROUPBOX" (margins 6, 18, 7, 8). The demo skin has no
// "GROUPBOX".
TestSkin ControlDataSkin();

enum class PackageDamage {
  WrongMagic,      // "ASzg"
  UpperMagic,      // "ASZF": the magic is compared with case
  Truncated,       // cut inside the last zlib stream
  CutInHeader,     // cut inside an entry's name length
  HugeCount,       // N far beyond what the bytes can hold
  NegativeCount,   // N < 0
  HugeNameLength,  // L beyond the bytes left
  NegativeSize,    // S < 0
  OversizeEntry,   // S of 64 MiB + 1
  CorruptZlib,     // a stream whose data is damaged
  ShortEntry,      // S larger than the stream gives
  LongEntry,       // S smaller than the stream gives
};
inline constexpr PackageDamage kAllPackageDamages[] = {
    PackageDamage::WrongMagic,   PackageDamage::UpperMagic,     PackageDamage::Truncated,
    PackageDamage::CutInHeader,  PackageDamage::HugeCount,      PackageDamage::NegativeCount,
    PackageDamage::HugeNameLength, PackageDamage::NegativeSize, PackageDamage::OversizeEntry,
    PackageDamage::CorruptZlib,  PackageDamage::ShortEntry,     PackageDamage::LongEntry};
const char* DamageName(PackageDamage damage);
std::string DamagedPackage(const TestSkin& skin, PackageDamage damage);

enum class SkinDamage {
  MaskOutsideBitmap,  // a "^" and a "~" mask reaching past the master bitmap
  ImageCountZero,     // "^" and "@" masks with ImageCount 0
  ParentClassLoop,    // sections whose PARENTCLASS chain runs in a circle
  MaskTypeMinusOne,   // a "!" mask of GLYPH.BMP with MaskType -1
  BadNumber,          // a "~" value with a letter in a number's columns
  HugeMargins,        // "^" masks whose margins (9000) and mask part lie far past their pictures
};
inline constexpr SkinDamage kAllSkinDamages[] = {SkinDamage::MaskOutsideBitmap, SkinDamage::ImageCountZero,
                                                 SkinDamage::ParentClassLoop, SkinDamage::MaskTypeMinusOne,
                                                 SkinDamage::BadNumber, SkinDamage::HugeMargins};
const char* DamageName(SkinDamage damage);
// The demo skin with the damage added.
TestSkin DamagedSkin(SkinDamage damage);

// ------------------------------------------------------------ painting

// The slice pictures of the painting skin: states kSliceWidth x
// kSliceHeight side by side. Pixel (x, y) of state s is red 16x + 8,
// green 16y + 8, blue 41 + 60s (so never grey and never the key colour),
// except the four outer corner pixels of each state, which are the key
// colour. Its mask part (below it, same size) is grey ((x + 2y) mod 5) *
// 64 (256 as 255), and 255 under the key-colour corners.
inline constexpr int kSliceWidth = 13, kSliceHeight = 11, kSliceStates = 3;
inline const QMargins kSliceMargins(5, 3, 4, 2);  // odd margins, L + R < width
QRgb SlicePixel(int x, int y, int state);
int SliceMaskValue(int x, int y);
// The strip of states, with its mask part below when asked.
QImage SliceStrip(bool withMask);

// A corner glyph of the painting skin: 6 x 6 states (three), pixel (x, y)
// of state s red 200 - 20x, green 30 + 20y, blue 90 + 50s, the key colour
// on the diagonal x + y < 2; its mask part 0, 255 on that diagonal.
inline constexpr int kCornerGlyphSize = 6;
QRgb CornerGlyphPixel(int x, int y, int state);

// A skin for the painting toolbox's tests, whose every picture is known
// pixel by pixel. Sections and their "BORDERSMASK" ("^", margins
// kSliceMargins unless said, three states):
//   TILED       plain, DrawMode 4 (centre allowed); PATTERN a 320 x 320 JPEG
//               pattern ("Tile.jpg"), HOTPATTERN a "~" texture with a
//               mask part, DrawMode 10
//   STRETCHED   plain, DrawMode 5 (sides and centre stretched)
//   NONORMAL    plain, DrawMode 6 (state 0 not painted)
//   NOCENTRE    plain, DrawMode 0
//   MASKED      with a mask part, DrawMode 5 (stretching does not count)
//   WIDE        plain, DrawMode 4, margins (9, 7, 9, 7): wider than a state
//   OWNFILE     "!SLICE.BMP!3!0!0!5!3!4!2": the plain strip as a file of its own
//   CORNERS     IMGTOPLEFT a plain corner glyph ("@"), IMGBTMRIGHT one
//               with a mask part; COLOR pure red, HOTCOLOR, FONTCOLOR
//               and TCLEFT -1, a two-stop GRADIENTDATA
// GLOBALINFO: BIKEEPHUE 1, SHADOW1COLOR and BORDERCOLOR in colour, the
// title-button icons BICONCLOSE, BICONMAX, BICONMIN, BICONNORM, BICONHELP,
// SICONMAX, SICONMIN, SICONNORM ("@", 8 x 8, three states, each in its own
// strong colour) in the master bitmap, SICONCLOSE ("SICON.BMP") and
// BICONCLOSEGLOW0 ("GLOW.BMP") of their own. The master bitmap also holds
// grey and key-colour pixels around the pictures.
//   GLOWING     a control's glow: GLOW 1, GLOWMARGIN kHaloOverlap, and the
//               mask GLOW0 "!HALO.BMP!1!1!3!8!8!8!8": the halo below with
//               its mask part, margins kHaloMargin
TestSkin PaintingSkin();

// The texture of the sections skin: 7 x 5 (odd, so tiles are cut), pixel
// (x, y) red 20 + 30x, green 30 + 40y, blue 100 + 10x (never grey, never
// the key colour).
inline constexpr int kSectionTextureWidth = 7, kSectionTextureHeight = 5;
QRgb SectionTexturePixel(int x, int y);

// A skin for the section painters' tests, one section per case:
//   SOLID      colour $336699, nothing else
//   HALF       red at Transparency 50; hot: green, opaque
//   CLEAR      green at Transparency 100
//   GRAD       a vertical gradient white to black, GradientPercent 100
//   TILEDTEX   "PATTERN" the texture ("~", DrawMode 0), ImagePercent 100
//              (hot too), colour yellow
//   TOPROW     the texture in DrawMode 2 (one row along the top), green
//   HALFIMAGE  the texture at ImagePercent 50, red
//   MIXED      texture 50, gradient 50, Transparency 50 (a bench case)
//   JPEGPAT    "PATTERN" a 300 x 300 JPEG picture ("Tile.jpg": stays a
//              pattern), ImagePercent 100
//   MASKEDTEX  "PATTERN" a texture with a mask part in DrawMode 10,
//              ImagePercent 100, grey
//   ITEM       colour $404040, the painting skin's slice strip as
//              "BORDERSMASK" (DrawMode 0, margins kSliceMargins, three
//              states) and its corner glyph as each of the four corner
//              images
TestSkin SectionsSkin();

// The halo of the painting skin: one kHaloSize x kHaloSize state of one
// colour, kHaloColour; its mask part grows from 36 next to the inner
// square (kHaloMargin .. kHaloSize - kHaloMargin - 1 both ways) by 36 a
// pixel outwards, to 255 at the rim (0 inside).
inline constexpr int kHaloSize = 24, kHaloMargin = 8, kHaloOverlap = 3;
inline constexpr QRgb kHaloColour = 0xFFFFBE3C;  // (255, 190, 60)
int HaloMaskValue(int x, int y);

// A skin for the caption painters, every font colour distinct:
//   CAPTION       COLOR $30A050, the five font colours kCaptionColors
//                 (main, left, top, right, bottom contours) and the hot
//                 five kCaptionHotColors
//   PLAINCAPTION  main colours only (the four contours -1 in the text)
//   SHADOWED      white text with a right and a bottom contour (a shadow)
//   WEBBUTTON     FONTCOLOR $800000, HOTFONTCOLOR $FF0000
//   BUTTON        FONTCOLOR $000060, HOTFONTCOLOR $0000FF
//   SEETHROUGH    Transparency 100 (0 when hot), FONTCOLOR $008080,
//                 HOTFONTCOLOR $006000
//   FONTPANEL     COLOR $602020, FONTCOLOR $00E0E0, gives its font
// GLOBALINFO: COLOR kCaptionGlobalColor, FONTCOLOR $101010, gives its
// font.
inline constexpr int kCaptionGlobalColor = 0xC8D8E8;
inline constexpr std::array<int, 5> kCaptionColors{0x0000C0, 0xC00000, 0x00C000, 0xC0C000, 0xC000C0};
inline constexpr std::array<int, 5> kCaptionHotColors{0x000080, 0x800000, 0x008000, 0x808000, 0x800080};
TestSkin CaptionSkin();

// A skin for the skinned menus: "MENUITEM" (white, hot kMenuHotColor, font
// colours $202020 and $000000), "MAINMENU" (the popup's body,
// kMenuBodyColor, "BORDERSMASK" a 30 x 30 rounded frame with its mask,
// margins 6 on every side, BorderWidth `mainMenuBorderWidth` (0: the
// reader's default)), "DIVIDERV" ("BORDERSMASK" a 12 x 2 etched line,
// margins 2, 0, 2, 0, centre stretched), "EXTRALINE" (kExtraLineColor, white font),
// "ICOLINE" (kIcoLineColor), "TOOLBAR" (titles), "SPEEDBUTTON_SMALL", and
// GLOBALINFO's "CHECK" and "RADIOCHECKED" glyphs (16 x 16, one state, key
// colour around a dark tick or dot).
inline constexpr int kMenuHotColor = 0x90C8F0, kMenuBodyColor = 0xF4ECE4, kExtraLineColor = 0x8C4218,
                     kIcoLineColor = 0xE8D8C8;
TestSkin MenuSkin(int mainMenuBorderWidth = 4);

// A skin for the form provider's title. GLOBALINFO: TITLEHEIGHT 30,
// MAXHEIGHT 30, BISPACE 2, BIRIGHT 2, BILEFT 2; the large caption-button
// images BICONCLOSE, BICONMAX, BICONNORM, BICONMIN, BICONHELP
// (kFormLargeButton square, three states, "@") and the small ones SICON*
// (kFormSmallButton square), the glow masks BICONCLOSEGLOW0,
// BICONMAXGLOW0, BICONMINGLOW0 and their SICON twins (one state, with
// BICONCLOSEGLOW, BICONMAXGLOW, BICONMINGLOW and their margins 3), TITLEBUTTON (a
// kFormLargeButton frame, three states) and GRIPIMAGE (kFormGrip square,
// one state). Sections:
//   FORM       COLOR and HOTCOLOR kFormColor, a BORDERSMASK of 4-pixel frames (three
//              states, their outer corner pixels key colour) and the
//              TITLEBAR strip mask (two states, 24 x 24 each, margins 8, 4)
//   FORMTITLE  COLOR kFormTitleColor (inactive), HOTCOLOR
//              kFormTitleHotColor (active), FONTCOLOR $404040, HOTFONTCOLOR
//              $FFFFFF
//   CAPTION    the plate behind the caption: COLOR $D0E0F0, HOTCOLOR
//              $FFE0C0, FONTCOLOR $202020, HOTFONTCOLOR $600000
inline constexpr int kFormLargeButton = 18, kFormSmallButton = 14, kFormGrip = 12;
inline constexpr int kFormColor = 0xF0E8E0, kFormTitleColor = 0xB0A898, kFormTitleHotColor = 0x8A4A1E;
// MENULINE (the menu line: COLOR inactive, HOTCOLOR active) and MDIAREA.
inline constexpr int kFormMenuLineColor = 0xE0D8D0, kFormMenuLineHotColor = 0xF8F0E8, kFormMdiAreaColor = 0x807060;
TestSkin FormSkin();
// Takes a key out of a section of the skin (nothing when missing).
void RemoveKey(TestSkin& skin, const QString& section, const QString& key);

// A skin for the skinned scroll bars: the control-data skin's sections,
// plus SCROLLBTNLEFT, SCROLLBTNTOP, SCROLLBTNRIGHT, SCROLLBTNBOTTOM (colour
// kScrollButtonColor, hot kScrollButtonHotColor, a 16 x 16 three-state
// border with margins 3 and no centre, and an arrow glyph of three 8 x 8
// states pointing its way, kScrollGlyphColors), SCROLLSLIDERH and
// SCROLLSLIDERV (kScrollSliderColor, hot kScrollSliderHotColor, the same
// border, a grip glyph), SCROLLBAR1H, SCROLLBAR1V (kScrollTrack1Color) and
// SCROLLBAR2H, SCROLLBAR2V (kScrollTrack2Color), each with the border; and
// GLOBALINFO's GRIPIMAGE: one 12 x 12 image, dots of kScrollGripColour on
// the key colour, ImageCount and MaskType as given (a 0 count is allowed).
// Colours as the skin writes them: red in the lowest byte.
inline constexpr int kScrollButtonColor = 0xC08040, kScrollButtonHotColor = 0x40C0F0;
inline constexpr int kScrollSliderColor = 0x608020, kScrollSliderHotColor = 0x20A0E0;
inline constexpr int kScrollTrack1Color = 0xE0D0C0, kScrollTrack2Color = 0xC0D0E0;
inline constexpr std::array<QRgb, 3> kScrollGlyphColors{0xFF203040, 0xFF0060FF, 0xFFFF2020};
inline constexpr QRgb kScrollGripColour = 0xFF406080;
TestSkin ScrollBarSkin(int gripImageCount = 1, int gripMaskType = 0);

// ------------------------------------------------------------ the library's pictures

// The extended-border shadow pictures ("acSHDA" active, "acSHDI"
// inactive): 64 x 64, 32-bit, a soft shadow outside the margins
// (11, 7, 11, 11) and a clear middle.
QImage DrawShadowImage(bool active);
// The shared list's images, 48 x 16 with alpha, three 16 x 16 states each
// (normal, hot, pressed), in the order "SF", "SR", "SD", "SE", "SC".
inline constexpr const char* kStandardListNames[] = {"SF", "SR", "SD", "SE", "SC"};
QImage DrawStandardListImage(int index);

}  // namespace testskins
