// The skin data every skinned control, adapter and form provider owns
// (`TsCommonData`), and the skin command it answers for its owner.
//
// A `TsCommonData` links its owner to a skin manager (its own one or the
// default manager, FirstSkinManager) and to a section of the loaded skin:
// it keeps the indexes of the section, its border mask and its two
// pattern textures, a 24-bit background cache bitmap, and the hover,
// focus and update state of its owner. The owner is a QObject: a control
// widget (then OwnerControl is that widget, kept as a guarded pointer), a
// form provider or an adapter.
//
// The skin command is the platform message SkinCommandMsg (0xA100, an
// event type of its own); wParam's high word is the sub-command, its low
// word an argument, the answer goes into Result. An owner's window
// procedure calls HandleSkinCommand for the skin command and
// CommonWindowMessage for the rest, and runs its own handling (or passes
// the message on, once) when they answer false. HandleSkinCommand acts on
// the sub-commands the data answers itself (1, 2, 3, 7-13, 17, 19-22, 26,
// 34, 36, 60); every other number is not handled and leaves Result alone.
//
// Colours: a control's Color and Font.Color are the platform's palette
// helpers (GetControlColor/SetControlColor, GetFontColor/SetFontColor).
// Class tests use the platform's class names: edits are what GetClassName
// calls "TEdit" or "TMemo", labels "TLabel", panels "TPanel", scroll
// boxes "TScrollBox", page controls "TPageControl", frames "TFrame";
// graphic controls are IsGraphicControl's, every other widget is windowed.
// Forms and controls here are made in code: none is ever loading or
// designed.
//
// What later units do (colour mixing, background queries, glows, popup
// menus: CommonDataSeams.h; form providers, child senders, window
// colours: AdapterEntryPoints.h) goes through named seams whose empty
// slots give the answer "none".
//
// Nothing here raises; a missing manager, section, owner or parent gives
// the neutral answer (-1, false, clBtnFace, $FF00FF, not handled). GUI
// thread only.
#pragma once

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Colors.h"
#include "platform/Messages.h"
#include "platform/WinTypes.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/SkinRecords.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <bitset>
#include <cstdint>
#include <memory>

class TsSkinManager;

// ------------------------------------------------------------ control kinds

// A set of control-kind codes 0..255; a kind above 255 (or below 0) is in
// no set.
using TacKindSet = std::bitset<256>;
bool KindInSet(int kind, const TacKindSet& set);
// Kinds without a mouse-over state, kinds that never glow, and kinds
// repainted on hover and focus changes.
extern const TacKindSet NoHoverKinds;
extern const TacKindSet NoGlowKinds;
extern const TacKindSet HoverRepaintKinds;
// The section a kind takes when its SkinSection is empty ("EDIT",
// "COMBOBOX" ...); empty for a kind the table does not name.
QString SectionOfKind(int kind);

// ------------------------------------------------------------ library-wide values

// True while the skinned forms are locked against redrawing.
extern bool FormsLocked;
// Every control keeps a background cache; a control's look always depends
// on its parent (both off by default).
extern bool ForceBackgroundCache;
// Graphic children are left out when a control's cache is copied around
// its children.
extern bool SkipGraphicChildren;
// Compared by sub-command 13; nothing in the library assigns it.
extern QString ChangedSectionName;

// ------------------------------------------------------------ the data

class TsCommonData {
 public:
  // `owner` may be nullptr; with `createCacheBmp` the cache bitmap exists
  // from the start (pf24bit, 0 x 0).
  explicit TsCommonData(QObject* owner, bool createCacheBmp = false);
  // Hides the control's glow.
  ~TsCommonData();
  TsCommonData(const TsCommonData&) = delete;
  TsCommonData& operator=(const TsCommonData&) = delete;

  // ---- published
  const QString& SkinSection() const { return skinSection_; }
  // Upper-cased ("UNKNOWN" when empty); the same text again does nothing.
  // A control with a parent hears sub-command 3 (the section is in the
  // skin) or 2 (it is not) through Perform.
  void SetSkinSection(const QString& value);
  // The own manager, else the default one; nullptr when neither exists.
  TsSkinManager* SkinManager() const;
  // The manager stored (nullptr: the default manager).
  TsSkinManager* OwnManager() const { return ownManager_; }
  void SetSkinManager(TsSkinManager* manager);
  bool CustomColor() const { return customColor_; }
  void SetCustomColor(bool value);
  bool CustomFont() const { return customFont_; }
  void SetCustomFont(bool value);

  // ---- state
  int GlowIndex = -1;        // the control's glow, -1 when none
  int BorderMaskIndex = -1;  // the section's border mask
  int SectionIndex = -1;     // SkinSection in the manager's sections
  int PatternIndex = -1;     // the section's "PATTERN" texture
  int HotPatternIndex = -1;  // its "HOTPATTERN" texture
  bool HiddenMode = false;   // sub-command 9; the background counts as composite
  bool BackgroundDirty = true;
  bool StateFlag = true;  // set by sub-command 22, read by 11
  int ControlKind = 0;
  bool Focused = false;
  bool MouseAbove = false;
  // Bit 0: the owner's background is plain, its children need not copy it.
  uint16_t ContainerFlags = 0;
  // 4: the section has an image; 2, 1, 3: a gradient whose first stop has
  // Mode 0, 1, 2.
  uint16_t BgKindFlags = 0;
  // The background cache (pf24bit), sized like the owner control.
  std::unique_ptr<platform::Bitmap> CacheBitmap;

  QWidget* OwnerControl() const { return ownerControl_; }
  QObject* OwnerObject() const { return ownerObject_; }

  // A manager is reachable, the section is one of its sections, neither
  // the owner nor the manager is being destroyed, and (with `checkActive`)
  // the manager's skin is active.
  bool Skinned(bool checkActive = false) const;
  // The section record, nullptr unless SectionIndex is valid.
  const TsGeneralData* Section() const;

  // Painting suspended: the stored flag, or, when the look depends on the
  // parent, the parent's answer to sub-command 10.
  bool Updating() const;
  bool UpdatingFlag() const { return updating_; }
  void SetUpdating(bool value) { updating_ = value; }
  // The flag set (cleared), then sub-command 31 (32) to the owner.
  void BeginUpdate();
  void EndUpdate();
  // The background marked dirty and the control asked to repaint.
  void Invalidate();

  void RefreshSkinIndexes();
  // An empty SkinSection takes the kind's section (or the owner's class
  // name); otherwise the indexes are refreshed.
  void ChooseSectionByKind();
  void UpdateBgKindFlags();
  // Bit 0 of ContainerFlags for containers; with `children` the child
  // controls check theirs (sub-command 36, lParam 1).
  void CheckContainerBg(bool children);
  // True when the background cannot be a plain colour.
  bool NeedsOwnBackground();

  bool ParentDependent() const;
  bool ControlIsActive() const;
  bool IsTransparentSection() const;
  bool HasCompositeBackground() const;
  bool ParentBgIsComplex() const;

  // The colour behind the control (Hot: the section's hot twins); `wnd`
  // stands in for a missing owner control.
  platform::TColor SectionBgColor(bool hot, QWidget* wnd) const;
  // The section whose font a control inside `control`'s parent takes.
  int GetFontSectionIndex(QWidget* control, int defaultIndex) const;
  // Answers a background query (sub-command 34).
  void FillBgQuery(TsBgQuery& query, bool hot, QWidget* wnd);
  // Where the control takes its parent's background from.
  void ParentBgSource(TsBgSource& source) const;
  // The widest margin of the border mask; 0 without one or when the mask
  // leaves its centre out (DrawMode bit 2).
  int BorderMaxWidth() const;
  // The cache made when missing and sized like the owner control;
  // PrepareCacheBitmap24 also makes an existing one pf24bit.
  void PrepareCacheBitmap();
  void PrepareCacheBitmap24();
  void ShowControlGlow(bool reshow);
  // The section chosen; an edit's (or kind 97's) colours from the skin.
  void ApplySkinColors();

  // The glow at GlowIndex hidden, GlowIndex -1.
  void HideGlow();
  // The owner is a form provider (its form, else nullptr).
  QWidget* ProviderForm() const;
  // The owner is an edit ("TEdit", "TMemo").
  bool OwnerIsEdit() const;
  // An edit's Color and Font.Color from the section (each unless custom,
  // and only when different).
  void ApplyEditColors();

 private:
  friend bool HandleSkinCommand(platform::Message& message, TsCommonData* data);
  bool OwnerDestroying() const;
  // Sub-command 31 or 32 to the owner control, or a provider's form.
  void TellUpdate(unsigned command);

  QString skinSection_;
  bool customFont_ = false;
  bool customColor_ = false;
  bool updating_ = false;
  QPointer<TsSkinManager> ownManager_;
  QPointer<QWidget> ownerControl_;
  QPointer<QObject> ownerObject_;
  bool hadOwner_ = false;
};

// ------------------------------------------------------------ messages

// The skin command for `data`; true when handled.
bool HandleSkinCommand(platform::Message& message, TsCommonData* data);
// The skin command, and the other messages the data follows (move, size,
// focus, font and enabled changes, context menu, WM_UPDATEUISTATE,
// WM_PARENTNOTIFY, visibility, mouse enter and leave); true when the
// message needs nothing more.
bool CommonWindowMessage(platform::Message& message, TsCommonData* data);

// The background source of a window from its parent window; the empty
// source without a parent.
void ParentWndCacheInfo(QWidget* wnd, TsBgSource& source);

// The cache of `data` copied from `offset` into `rect` of `dc`, leaving
// out the child controls of `control` that do not clip themselves
// (graphic, opaque ones), their bounds moved by (dx, dy). With `repaint`
// the cache is painted anew first.
void CopyBgExcludingChildControls(QWidget* control, TsCommonData& data, platform::TPoint offset, int dx,
                                  int dy, bool repaint, platform::Canvas& dc, const platform::TRect& rect);
// The same around the visible child windows of `wnd`; a group box (while
// a default manager exists) leaves out only its frame strips, when the
// skin's "GROUPBOX" has a border mask.
void CopyBgExcludingChildWindows(QWidget* wnd, TsCommonData& data, platform::TPoint offset, bool repaint,
                                 platform::Canvas& dc, const platform::TRect& rect);
