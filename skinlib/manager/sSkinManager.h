// The skin manager: the one owner of a loaded skin of the skin library.
//
// A `TsSkinManager` is a QObject owned by its form (usually the main
// form); its published settings are Q_PROPERTYs. It knows where skins lie
// (SkinDirectory, with the Windows rules for "..", ".\", drives and UNC
// paths; files are found through ResolveLibraryPath) and which one is
// chosen (SkinName), reads it (SkinOptions.h, SkinMasks.h) into three
// tables (sections, masks, patterns), the skin-wide values and a master
// bitmap, and tells every form through the skin command that a skin was
// loaded (sub-command 1), removed (2) or must be repainted (16, 3).
//
// Every skinned control reaches a skin through its own manager or the
// default manager, FirstSkinManager: the first manager made, or the last
// one made default through IsDefault. The default can be moved, never
// switched off; a destroyed default leaves none.
//
// What other units of the library do during a skin change goes through
// named seams (ManagerSeams.h: sending to all forms and locking their
// redraw, glows, the menu painter, hue and saturation, the layered-window
// test) and the adapters' entry table (AdapterEntryPoints.h: sending the
// skin command to a window, the dialog hook and the repaint of its
// dialogs); an empty seam gives the answer "none".
//
// Errors: a skin that cannot be read raises ESkinLibraryError (also for a
// number in the text that is not one) out of the setter that loaded it;
// the half-read skin is removed first, the loading flag cleared and the
// skin text and package freed. Handlers the manager puts into Qt's
// dispatch (the application window's chain) catch the library's errors
// and show them in the library's message box.
//
// The first manager puts a handler into the chain of the application's
// window (platform/AppWindow.h). It serves the default manager (without
// one, the oldest manager left): while that one's SkinnedPopups is set,
// CM_ACTIVATE sends skin command 18 to every form (the last first) and
// both CM_ACTIVATE and CM_DEACTIVATE go on; the popup messages $BCB3
// (lParam the ticket of a menu item, sSkinMenus.h: an item gone meanwhile
// is dropped; or a menu item) and $BCB4 (lParam a window), posted through
// PostPopupWindowMessage, give that window to the menu painter that hooks
// it. The handler stays while any manager is there, whichever put it in,
// and goes with the last one.
//
// GUI thread only; the library-wide flags have no locks.
#pragma once

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Messages.h"
#include "platform/WindowProc.h"
#include "skinlib/manager/ComponentState.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/PropertyStream.h"
#include "skinlib/manager/SkinOptions.h"
#include "skinlib/manager/SkinRecords.h"
#include "skinlib/manager/acPNG.h"
#include "skinlib/manager/sStoredSkins.h"

#include <QObject>
#include <QPointer>
#include <QSize>
#include <QStringList>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class QAction;

// ------------------------------------------------------------ library-wide state

class TsSkinManager;

// The default manager; nullptr when there is none.
extern TsSkinManager* FirstSkinManager;
// True while a skin is read, while the new-skin command is sent, while the
// remove-skin command is sent and the skin freed.
extern bool SkinLoading;
extern bool NewSkinBroadcasting;
extern bool SkinRemoving;
// A skin folder of the chosen name wins over a package of that name.
extern bool PreferSkinFolder;
// Loading a skin sends no new-skin command.
extern bool NoNewSkinBroadcast;
// The default extended-border shadows (the resources "acSHDA" and
// "acSHDI"), made by the unit "sSkinManager"; nullptr outside its life.
extern std::unique_ptr<TPNGGraphic> ShadowActiveImage;
extern std::unique_ptr<TPNGGraphic> ShadowInactiveImage;

// The text the start-up shows for "/acver" (any case) among the program's
// arguments.
inline constexpr char kLibraryVersionText[] = "Skin library v6.48";
// Shows the version box once when an argument (the program's first
// excepted) is "/acver" in any case; true when it did.
bool ShowLibraryVersionIfAsked(const QStringList& arguments);

// The popup messages the menu painter posts to the application's window:
// lParam a menu item, or a window.
inline constexpr unsigned kMenuItemPopupMsg = 0xBCB3;
inline constexpr unsigned kPopupWindowMsg = 0xBCB4;
// Posts one of them to the application's window unless one of the two is
// waiting there already; true when posted.
bool PostPopupWindowMessage(unsigned msg, platform::LPARAM lParam);

// The skin command's sub-commands the manager sends (LibraryConstants.h).
inline constexpr unsigned kCommandNewSkin = acNewSkin, kCommandRemoveSkin = acRemoveSkin,
                          kCommandRefresh = acRefresh, kCommandAppActivated = acAppActivated,
                          kCommandMouseEnter = acMouseEnter, kCommandMouseLeave = acMouseLeave,
                          kCommandBeforeRefresh = acBeforeRefresh;

// The absolute skin folder, with a trailing backslash, of a SkinDirectory
// for a program in `appDir` (which ends with its separator): ".." goes one
// folder up from the program's, ".\" (or "./") and a name without ':'
// or "\\" start at the program's folder; a drive path, a UNC path and an
// absolute path of this system ('/') stay as they are.
QString FullSkinDir(const QString& skinDirectory, const QString& appDir);

// ------------------------------------------------------------ owned settings

// The menu painter's extra-line settings.
struct TacMenuSupport {
  QString IcoLineSkin;
  bool UseExtraLine = false;
  int ExtraLineWidth = 32;
  platform::TFont ExtraLineFont;
};

// The query of the menu painter for a popup's extra line: the popup's
// first item, and the section, caption, picture and use flag it may change.
using TacGetExtraLineData = std::function<void(QAction* firstItem, QString& skinSection, QString& caption,
                                               std::unique_ptr<platform::Bitmap>& bitmap, bool& useExtraLine)>;

// Indexes into the tables, rebuilt after every load (-1: none).
struct TacStandardIndexes {
  int16_t GlobalInfo = -1;
  int16_t ExBorder = -1;
  // Top, bottom, left, right.
  std::array<int16_t, 4> TabSections{-1, -1, -1, -1};
  std::array<int16_t, 4> TabBorders{-1, -1, -1, -1};
  std::array<int16_t, 4> ScrollBtnSections{-1, -1, -1, -1};
  std::array<int16_t, 4> ScrollBtnBorders{-1, -1, -1, -1};
  std::array<int16_t, 4> ScrollBtnPatterns{-1, -1, -1, -1};
  std::array<int16_t, 4> ScrollBtnHotPatterns{-1, -1, -1, -1};
  std::array<int16_t, 4> ScrollBtnGlyphs{-1, -1, -1, -1};
  // Vertical, horizontal.
  std::array<int16_t, 2> SliderSections{-1, -1};
  std::array<int16_t, 2> SliderBorders{-1, -1};
  std::array<int16_t, 2> SliderGlyphs{-1, -1};
  // "PATTERN" and "HOTPATTERN" of SCROLLSLIDERH, then of SCROLLSLIDERV.
  std::array<int16_t, 4> SliderPatterns{-1, -1, -1, -1};
  // SCROLLBAR1H, SCROLLBAR1V, SCROLLBAR2H, SCROLLBAR2V.
  std::array<int16_t, 4> BarSections{-1, -1, -1, -1};
  std::array<int16_t, 4> BarBorders{-1, -1, -1, -1};
  std::array<int16_t, 4> BarPatterns{-1, -1, -1, -1};
  std::array<int16_t, 4> BarHotPatterns{-1, -1, -1, -1};
  // BOXCHECKED, BOXUNCHECKED, BOXGRAYED, RADIOCHECKED, RADIOUNCHECKED,
  // RADIOGRAYED, SMALLCHECKED, SMALLUNCHECKED, SMALLGRAYED of GLOBALINFO.
  std::array<int16_t, 9> CheckBoxes{-1, -1, -1, -1, -1, -1, -1, -1, -1};
};

// ------------------------------------------------------------ the manager

class TsSkinableMenus;

class TsSkinManager : public QObject, public TacLoadingState {
  Q_OBJECT
  Q_PROPERTY(QString SkinName READ SkinName WRITE SetSkinName)
  Q_PROPERTY(QString SkinDirectory READ SkinDirectory WRITE SetSkinDirectory)
  Q_PROPERTY(bool Active READ Active WRITE SetActive)
  Q_PROPERTY(bool SkinnedPopups READ SkinnedPopups WRITE SetSkinnedPopups)
  Q_PROPERTY(QStringList CommonSections READ CommonSections WRITE SetCommonSections)
  Q_PROPERTY(bool IsDefault READ IsDefault WRITE SetIsDefault)
  Q_PROPERTY(TacSkinningRules SkinningRules READ SkinningRules WRITE SetSkinningRules)
  Q_PROPERTY(bool AllowGlowing READ AllowGlowing WRITE SetAllowGlowing)
  Q_PROPERTY(bool ExtendedBorders READ ExtendedBorders WRITE SetExtendedBorders)
  Q_PROPERTY(int HueOffset READ HueOffset WRITE SetHueOffset)
  Q_PROPERTY(int Saturation READ Saturation WRITE SetSaturation)
  Q_PROPERTY(QString SkinInfo READ SkinInfo WRITE SetSkinInfo)

 public:
  enum TacSkinningRule { srStdForms = 0x1, srStdDialogs = 0x2, srThirdParty = 0x4 };
  Q_DECLARE_FLAGS(TacSkinningRules, TacSkinningRule)
  Q_FLAG(TacSkinningRules)

  // Made in code the manager is ready at once; made to be read from a
  // property stream it waits for Loaded().
  explicit TsSkinManager(QObject* owner = nullptr, Origin origin = Origin::Code);
  ~TsSkinManager() override;

  // ---- published settings
  const QString& SkinName() const { return skinName_; }
  // Stores the name and, when Active, loads that skin.
  void SetSkinName(const QString& value);
  const QString& SkinDirectory() const { return skinDirectory_; }
  void SetSkinDirectory(const QString& value);
  bool Active() const { return active_; }
  // False removes the skin; True loads SkinName again.
  void SetActive(bool value);
  bool SkinnedPopups() const { return skinnedPopups_; }
  void SetSkinnedPopups(bool value);
  const QStringList& CommonSections() const { return commonSections_; }
  // Every line that is not empty and does not begin with ';' loses its
  // blanks; then the skin is loaded again.
  void SetCommonSections(const QStringList& value);
  bool IsDefault() const { return FirstSkinManager == this; }
  void SetIsDefault(bool value);
  TacSkinningRules SkinningRules() const { return skinningRules_; }
  void SetSkinningRules(TacSkinningRules value) { skinningRules_ = value; }
  // Both answer True only where layered windows exist.
  bool AllowGlowing() const;
  void SetAllowGlowing(bool value) { allowGlowing_ = value; }
  bool ExtendedBorders() const;
  void SetExtendedBorders(bool value);
  int HueOffset() const { return hueOffset_; }
  void SetHueOffset(int value);
  int Saturation() const { return saturation_; }
  void SetSaturation(int value);
  // The loaded skin's version ("7.05"), "N/A" without a skin.
  QString SkinInfo() const;
  void SetSkinInfo(const QString&) {}

  TsStoredSkins& InternalSkins() { return *internalSkins_; }
  const TsStoredSkins& InternalSkins() const { return *internalSkins_; }
  // Assigning the collection changes nothing (TsStoredSkins::Assign).
  void SetInternalSkins(const TsStoredSkins& value) { internalSkins_->Assign(value); }
  TacAnimEffects& AnimEffects() { return animEffects_; }
  TacMenuSupport& MenuSupport() { return menuSupport_; }
  // The menu painter (sSkinMenus.h), made with the manager.
  TsSkinableMenus& SkinableMenus() { return *skinableMenus_; }
  ThirdPartyList& ThirdParty() { return thirdParty_; }
  const ThirdPartyList& ThirdParty() const { return thirdParty_; }

  std::function<void(TsSkinManager*)> OnBeforeChange;
  std::function<void(TsSkinManager*)> OnAfterChange;
  TacGetExtraLineData OnGetMenuExtraLineData;

  // ---- the loaded skin
  std::unique_ptr<TsSkinData> SkinData;
  TsGeneralDataArray GeneralData;
  TsMaskArray MaskData;
  TsPatternArray PatternData;
  std::unique_ptr<platform::Bitmap> MasterBitmap;
  bool IsPackage = false;  // from a package or a stored skin's packed data
  TacStandardIndexes StandardIndexes;
  int ComboBtnIndex = -1;       // section "COMBOBTN"
  int ComboBtnBorder = -1;      // its "BORDERSMASK"
  int ComboBtnPattern = -1;     // its "PATTERN" texture
  int ComboBtnHotPattern = -1;  // its "HOTPATTERN" texture
  int ComboBoxGlyph = -1;       // "GLYPHMASK" of "COMBOBOX"
  // Extended borders: the pictures of a form drawn active and inactive,
  // and the shadow's margins (all 0 without extended borders).
  std::unique_ptr<TPNGGraphic> ExtBorderActive;
  std::unique_ptr<TPNGGraphic> ExtBorderInactive;
  platform::TRect ExtBorderMargins;
  // This manager put the dialog-skinning hook in (and holds it): the
  // default manager does when it announces a skin; it passes to a manager
  // made default; the holder or the default manager takes it out when its
  // skin goes.
  bool DialogHookInstalled = false;
  // Working copies of the ThirdParty texts, one list per adapter kind.
  std::array<QStringList, kThirdPartyKinds> ThirdPartyLists;

  // ---- lookups (-1 when nothing is found; names compared exactly)
  // Names are looked up in an index of the three tables, made again when a
  // table has grown, shrunk or moved; code that renames records in place or
  // fills a table anew to the same length calls TablesChanged() after.
  void TablesChanged() const;
  int IndexOfSection(const QString& name) const;
  int IndexOfMask(const QString& section, const QString& mask) const;
  // IndexOfMask, then up the section's PARENTCLASS chain.
  int FindMaskIndex(int sectionIndex, const QString& section, const QString& mask) const;
  // The same among textures only.
  int FindTextureIndex(int sectionIndex, const QString& section, const QString& mask) const;
  // The same in the pattern table.
  int FindPatternIndex(int sectionIndex, const QString& section, const QString& pattern) const;
  bool IsValidMaskIndex(int i) const { return i >= 0 && i < int(MaskData.size()); }
  bool IsValidSectionIndex(int i) const { return SkinData && i >= 0 && i < int(GeneralData.size()); }
  // An own bitmap: a third of its width and half its height; else one
  // state's size. (0, 0) for an invalid index.
  QSize GetMaskFrameSize(int i) const;
  // A slice margin: WL (WT, WR, WB) when above 0, else BorderWidth when at
  // least 1, else one state's width (height). MaskLeftWidth first sets an
  // ImageCount of 0 to 1. 0 for an invalid index.
  int MaskLeftWidth(int i);
  int MaskTopWidth(int i) const;
  int MaskRightWidth(int i) const;
  int MaskBottomWidth(int i) const;
  platform::TColor GlobalSectionColor() const;
  platform::TColor GlobalSectionFontColor() const;
  platform::TColor GlobalSectionHotColor() const;
  platform::TColor EditHotFontColor() const;
  platform::TColor MenuHighlightColor() const;
  platform::TColor MenuHighlightTextColor() const;

  // ---- folders and names
  // The absolute skin folder with a trailing backslash.
  QString GetFullSkinDir() const;
  // The skins there and stored here (kind 0 folders, 1 packages, 2 both),
  // sorted without regard to case, each once; `first` is the first name
  // found (stored skins first).
  void ListSkinNames(QStringList& list, int kind, QString& first) const;

  // ---- broadcasts and state
  void SendNewSkin(bool repaint);
  void SendRemoveSkin();
  void RepaintForms();
  QWidget* HotWindow() const { return hotWindow_; }
  // True from the start of the destructor on.
  bool Destroying() const { return destroying_; }
  void SetHotWindow(QWidget* window);
  void UpdateStandardIndexes();
  void UpdateExtBorders();
  // Every empty (or, with `reset`, every) ThirdParty text takes its
  // default; the working lists take the texts.
  void InitThirdPartyLists(bool reset);
  // The texts take the working lists.
  void SaveThirdPartyLists();

  // ---- stored settings
  // Ends loading: defaults filled in, the lists refreshed, and a skin read
  // while loading announced.
  void Loaded();
  void WriteProperties(TacPropertyWriter& writer) const;
  // Reads properties into a loading manager; Loaded() follows.
  void ReadProperties(TacPropertyReader& reader);
  std::string PropertyStream() const;
  static std::unique_ptr<TsSkinManager> FromPropertyStream(std::string_view bytes, QObject* owner = nullptr);

 private:
  friend void LoadFromFolder(TsSkinManager&);
  friend void LoadFromPackage(TsSkinManager&);
  friend void LoadSkinOptions(TsSkinManager&);

  // Whether the skin named SkinName is read from its package.
  bool PackageChosen() const;
  // Runs a load; a failure removes the half-read skin, frees the skin text
  // and package, clears SkinLoading and raises ESkinLibraryError.
  void GuardedLoad(bool fromPackage);
  void ChangeSkin();
  // Reads the same skin again (hue, saturation, extended borders).
  void ReloadSkin(bool extBordersFirst);
  void HookApplicationWindow();
  // The dialog hook put in (or taken over) by this manager, and taken out.
  void TakeDialogHook();
  void ReleaseDialogHook();
  struct LookupIndex;
  // The index of the tables as they are now.
  const LookupIndex& Lookup() const;
  void MainWindowHook(platform::Message& message, const platform::CallPrevious& previous);
  void PopupWindowMessage(platform::Message& message);

  QString skinName_;
  bool skinNameAssigned_ = false;  // SetSkinName ran (a stream then holds the name)
  QString skinDirectory_;
  bool active_ = true;
  std::unique_ptr<TsStoredSkins> internalSkins_;
  bool skinnedPopups_ = true;
  QStringList commonSections_;
  bool isDefault_ = false;  // the stored flag; IsDefault() answers the rule
  TacMenuSupport menuSupport_;
  std::unique_ptr<TsSkinableMenus> skinableMenus_;
  TacAnimEffects animEffects_{this};
  QPointer<QWidget> hotWindow_;
  TacSkinningRules skinningRules_{srStdForms | srStdDialogs | srThirdParty};
  ThirdPartyList thirdParty_;
  bool allowGlowing_ = true;
  bool extendedBorders_ = false;
  int hueOffset_ = 0;
  int saturation_ = 0;
  bool destroying_ = false;
  mutable std::shared_ptr<const LookupIndex> lookup_;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TsSkinManager::TacSkinningRules)
