// The manager's design-time settings (skinlib/manager/sSkinManager.h): the
// skins stored with the manager (`TsStoredSkins`), the animation settings
// (`TacAnimEffects`) and the class-name lists of other vendors' controls
// (`ThirdPartyList`).
//
// A stored skin carries a whole packed skin file in `Data` (the bytes of an
// ".asz" file, acSkinPack.h), kept byte for byte in the property stream
// (PropertyStream.h) as the byte block "Data", always written. When `Data`
// is empty the stored skin brings its sections, masks, patterns and master
// bitmap as collection items instead. Assigning a stored skin copies every
// item member by member; assigning the whole collection of stored skins
// changes nothing. GUI thread only.
#pragma once

#include "platform/Bitmap.h"
#include "platform/Colors.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/PropertyStream.h"
#include "skinlib/manager/SkinRecords.h"

#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TsSkinManager;
class TsStoredSkin;

// A collection of items of one kind, each an object of its own (addresses
// stay while the collection changes elsewhere). Assign copies the items.
template <class Item>
class TacItemCollection {
 public:
  explicit TacItemCollection(TsStoredSkin* owner = nullptr) : owner_(owner) {}
  TacItemCollection(const TacItemCollection&) = delete;
  TacItemCollection& operator=(const TacItemCollection&) = delete;

  TsStoredSkin* Owner() const { return owner_; }
  int Count() const { return int(items_.size()); }
  Item& operator[](int index) { return *items_.at(size_t(index)); }
  const Item& operator[](int index) const { return *items_.at(size_t(index)); }
  Item& Add() { return *items_.emplace_back(std::make_unique<Item>()); }
  void Delete(int index) { items_.erase(items_.begin() + index); }
  void Clear() { items_.clear(); }
  void Assign(const TacItemCollection& source) {
    if (&source == this) return;
    items_.clear();
    for (const auto& item : source.items_) items_.push_back(std::make_unique<Item>(*item));
  }

 private:
  TsStoredSkin* owner_;
  std::vector<std::unique_ptr<Item>> items_;
};

// One section of a stored skin. FontColor and HotFontColor hold five
// blank-separated colour numbers (main, left, top, right, bottom).
struct TsSkinGeneral {
  QString SectionName;
  QString ParentClass;
  platform::TColor Color = 0;
  bool ReservedBoolean = false;
  QString FontColor;
  QString HotFontColor;
  int32_t Transparency = 0;
  int32_t GlowCount = 0;
  int32_t GlowMargin = 0;
  int32_t GradientPercent = 0;
  QString GradientData;
  int32_t ImagePercent = 0;
  bool ShowFocus = false;
  bool FadingEnabled = false;
  int32_t FadingIterations = 0;
  platform::TColor HotColor = 0;
  int32_t HotTransparency = 0;
  int32_t HotGradientPercent = 0;
  QString HotGradientData;
  int32_t HotImagePercent = 0;
  QString Name;
  bool GiveOwnFont = false;
  friend bool operator==(const TsSkinGeneral&, const TsSkinGeneral&) = default;
};

// One mask of a stored skin: a bitmap of its own (Name not empty) or the
// rectangle Left, Top, Right, Bottom of the stored master bitmap.
struct TsSkinImage {
  QString SectionName;
  platform::Bitmap Image;
  QString Name;
  QString PropertyName;
  int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
  int32_t ImageCount = 0;
  int32_t MaskType = 0;
  int32_t BorderWidth = 0;
  int32_t StretchMode = 0;
  TacImgType ImgType = itisaBorder;
  int32_t WL = 0, WR = 0, WT = 0, WB = 0;
};

// One pattern of a stored skin: the bytes of its JPEG file.
struct TsSkinPattern {
  QString SectionName;
  std::string Image;
  QString Name;
  QString PropertyName;
  friend bool operator==(const TsSkinPattern&, const TsSkinPattern&) = default;
};

using TsSkinGenerals = TacItemCollection<TsSkinGeneral>;
using TsSkinImages = TacItemCollection<TsSkinImage>;
using TsSkinPatterns = TacItemCollection<TsSkinPattern>;

class TsStoredSkin {
 public:
  TsStoredSkin();
  TsStoredSkin(const TsStoredSkin&) = delete;
  TsStoredSkin& operator=(const TsStoredSkin&) = delete;

  // Every member, `Data` and the items of the three collections copied.
  void Assign(const TsStoredSkin& source);

  QString Name;
  TsSkinGenerals GeneralData{this};
  TsSkinImages Images{this};
  TsSkinPatterns Patterns{this};
  platform::Bitmap MasterBitmap;
  platform::TColor Shadow1Color = 0;
  int32_t Shadow1Offset = 0;
  int32_t Shadow1Blur = -1;
  int32_t Shadow1Transparency = 0;
  platform::TColor BorderColor = KeyColor;
  double Version = 0;
  QString Author;
  QString Description;
  // A whole packed skin file; empty: the skin is in the items above.
  std::string Data;

  void WriteProperties(TacPropertyWriter& writer) const;
  // Reads the properties of one item of the stored-skins collection.
  void ReadProperties(TacPropertyReader& reader);
};

class TsStoredSkins {
 public:
  explicit TsStoredSkins(TsSkinManager* owner) : owner_(owner) {}
  TsStoredSkins(const TsStoredSkins&) = delete;
  TsStoredSkins& operator=(const TsStoredSkins&) = delete;

  TsSkinManager* GetOwner() const { return owner_; }
  int Count() const { return int(items_.size()); }
  TsStoredSkin& operator[](int index) { return *items_.at(size_t(index)); }
  const TsStoredSkin& operator[](int index) const { return *items_.at(size_t(index)); }
  TsStoredSkin& Add() { return *items_.emplace_back(std::make_unique<TsStoredSkin>()); }
  void Delete(int index) { items_.erase(items_.begin() + index); }
  void Clear() { items_.clear(); }
  // Does nothing: the stored skins are never replaced by assignment.
  void Assign(const TsStoredSkins& source);
  // The first item of exactly that name; -1 when none.
  int IndexOfName(const QString& name) const;

  // The collection "InternalSkins" (the caller has named it).
  void WriteItems(TacPropertyWriter& writer) const;
  void ReadItems(TacPropertyReader& reader);

 private:
  TsSkinManager* owner_;
  std::vector<std::unique_ptr<TsStoredSkin>> items_;
};

// ------------------------------------------------------------ animations

enum TacBtnEvent : uint8_t { beMouseEnter = 0x1, beMouseLeave = 0x2, beMouseDown = 0x4, beMouseUp = 0x8 };
using TacBtnEvents = uint8_t;  // a set of TacBtnEvent

struct TacBtnEffects {
  explicit TacBtnEffects(TsSkinManager* manager) : Manager(manager) {}
  TsSkinManager* Manager;
  TacBtnEvents Events = beMouseEnter | beMouseLeave | beMouseDown | beMouseUp;
};

struct TacFormAnimation {
  explicit TacFormAnimation(uint16_t time = 0) : Time(time) {}
  bool Active = true;
  uint16_t Time;
};
struct TacFormShow : TacFormAnimation {};
struct TacPageChange : TacFormAnimation {};
struct TacDialogShow : TacFormAnimation {};
struct TacSkinChanging : TacFormAnimation {
  TacSkinChanging() : TacFormAnimation(100) {}
};

class TacAnimEffects {
 public:
  explicit TacAnimEffects(TsSkinManager* manager) : Manager(manager), Buttons(manager) {}
  TsSkinManager* Manager;
  TacBtnEffects Buttons;
  TacDialogShow DialogShow;
  TacFormShow FormShow;
  TacPageChange PageChange;
  TacSkinChanging SkinChanging;

  // The settings as "AnimEffects.Buttons.Events" and the like.
  void WriteProperties(TacPropertyWriter& writer) const;
  // One property of that kind; false when `name` is none of them.
  bool ReadProperty(const std::string& name, TacPropertyReader& reader, TacPropertyReader::Kind kind);
};

// ------------------------------------------------------------ third-party lists

// The class names (one per line, CR LF) each adapter kind skins, by the
// index of its kind (the order of ThirdPartyAdapterTypes in
// LibraryConstants.h). Empty texts take the kind's default classes when
// the manager is made or loaded (TsSkinManager::InitThirdPartyLists).
class ThirdPartyList {
 public:
  // The property names: "ThirdEdits", "ThirdButtons" ... "ThirdSpeedButton".
  static const std::array<const char*, kThirdPartyKinds> kNames;
  enum Index {
    tpEdits, tpButtons, tpBitBtns, tpCheckBoxes, tpComboBoxes, tpGrids, tpGroupBoxes, tpListViews,
    tpPanels, tpTreeViews, tpWWEdits, tpGridEh, tpVirtualTrees, tpPageControl, tpTabControl,
    tpToolBar, tpStatusBar, tpSpeedButton
  };
  QString& Text(int index) { return texts_.at(size_t(index)); }
  const QString& Text(int index) const { return texts_.at(size_t(index)); }
  // The index of a property name, -1 when none.
  static int IndexOf(const std::string& name);

 private:
  std::array<QString, kThirdPartyKinds> texts_;
};
