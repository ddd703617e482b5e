// Reading a skin into its manager (sSkinManager.h): choosing the skin's
// text (the "Options.dat" of a skin folder, the options entry of a packed
// skin, or the packed data of a stored skin), then its masks and patterns
// (SkinMasks.h), its skin-wide values (`TsSkinData`, from the section
// "GLOBALINFO") and one section record per section of the text, and the
// standard indexes.
//
// Section keys are read through PARENTCLASS: a key missing from a section
// (an integer -1, a text "?") is looked up in its parent section, then
// the parent's parent, at most kParentClassDepthLimit sections up; a
// chain that goes on longer (one that runs in a circle) ends there with
// the key's default.
//
// While a skin is read, the library-wide SkinIniFile holds its text and
// SkinConvertor its package; both are freed when the load ends, also when
// it fails. GUI thread only.
#pragma once

#include "platform/Colors.h"
#include "platform/DelphiRtl.h"
#include "platform/IniFile.h"
#include "skinlib/manager/acSkinPack.h"

#include <QString>

#include <cstdint>
#include <memory>

class TsSkinManager;

// How many sections up a PARENTCLASS chain is followed (by the reads here
// and by the manager's FindMaskIndex, FindTextureIndex, FindPatternIndex).
inline constexpr int kParentClassDepthLimit = 16;

// Numbers of a skin are brought into their ranges as they are read, so the
// painters' arithmetic never leaves them: a share (TRANSPARENCY,
// GRADIENTPERCENT, IMAGEPERCENT, their HOT twins, SHADOW1TRANSPARENCY)
// lies in 0..100, a section's GLOWMARGIN in 0..kMaxSkinLength, the
// skin-wide values in their 16 bits (past the range they stop at its
// ends, they do not wrap); masks: SkinMasks.h.
inline constexpr int kMaxSkinLength = 32767;

// The skin-wide values of the loaded skin.
class TsSkinData {
 public:
  TsSkinData() = default;
  // Frees SkinIniFile when one is set.
  ~TsSkinData();
  TsSkinData(const TsSkinData&) = delete;
  TsSkinData& operator=(const TsSkinData&) = delete;

  QString SkinPath;     // the skin's files, with a trailing backslash
  bool Active = false;  // a skin is loaded and announced
  double Version = 0;
  QString Author;
  QString Description;
  platform::TColor Shadow1Color = 0;
  int16_t Shadow1Offset = 0;
  int16_t Shadow1Blur = 0;
  int16_t Shadow1Transparency = 0;
  int16_t BorderWidth = 0;
  int16_t TitleHeight = 0;
  int16_t MaxHeight = 0;
  int16_t FormOffset = 0;
  int16_t CenterOffset = 0;
  int16_t BorderMode = 0;
  platform::TColor BorderColor = 0;
  int16_t BISpace = 0;
  int16_t BIVAlign = 0;
  int16_t BIRight = 0;
  int16_t BILeft = 0;
  int16_t BIKeepHue = 0;
  int16_t BICloseGlow = 0;
  int16_t BICloseGlowMargin = 0;
  int16_t BIMaxGlow = 0;
  int16_t BIMaxGlowMargin = 0;
  int16_t BIMinGlow = 0;
  int16_t BIMinGlowMargin = 0;
};

// The text of the skin being read, and its package; none between loads.
extern std::unique_ptr<platform::MemIniFile> SkinIniFile;
extern std::unique_ptr<TacSkinConvertor> SkinConvertor;

// Load the manager's SkinName from its folder (or, without "Options.dat"
// there, from the stored skin of that name, else the first stored skin,
// whose name becomes SkinName; with no stored skin the manager's Active
// becomes False and nothing is read) or from its package
// (full directory + SkinName + ".asz"). Both do nothing unless the
// manager is Active. They throw ESkinLibraryError, and
// platform::EConvertError for a number that is not one; the manager's
// setters clean up after them (sSkinManager.h).
void LoadFromFolder(TsSkinManager& manager);
void LoadFromPackage(TsSkinManager& manager);

// What the skin being read (or last read) is, for its messages: the file
// path of its "Options.dat", the package's path with "(Options.dat)", or
// the stored skin's name.
const QString& SkinTextName();
// The same for the manager's own CommonSections.
inline const QString kCommonSectionsName = QStringLiteral("the manager's CommonSections");
// Runs `read`, which reads the value of `key` in `section` of the text
// `text`: a number in it that is not one (platform::EConvertError) ends the
// load with an ESkinLibraryError that names the text, the section and the
// key before the conversion's own words.
[[noreturn]] void RaiseKeyError(const QString& text, const QString& section, const QString& key,
                                const std::exception& error);
template <class Read>
auto ReadSkinKey(const QString& text, const QString& section, const QString& key, Read&& read) -> decltype(read()) {
  try {
    return read();
  } catch (const platform::EConvertError& e) {
    RaiseKeyError(text, section, key, e);
  }
}

// The skin-wide values and the section records from SkinIniFile, or, when
// there is none, from the stored skin named SkinName; then the common
// sections, the section border indexes, hue and saturation.
void LoadSkinOptions(TsSkinManager& manager);

// Inherited reads (see above); `fallback` when the key is missing all the
// way up.
QString ReadStringInherited(const platform::MemIniFile& ini, const QString& section, const QString& key,
                            const QString& fallback);
int32_t ReadIntegerInherited(const platform::MemIniFile& ini, const QString& section, const QString& key,
                             int32_t fallback);

// A message box when the skin is newer than the library reads (Version
// above 255); loading goes on.
void CheckSkinVersion(TsSkinManager& manager);

// Every section's BorderIndex and corner indexes (through PARENTCLASS),
// GLOBALINFO's excepted.
void UpdateSectionBorderIndexes(TsSkinManager& manager);
