#include "skinlib/manager/sCommonData.h"

#include "platform/Painting.h"
#include "platform/Properties.h"
#include "platform/WindowProc.h"
#include "platform/WindowTable.h"
#include "skinlib/manager/AdapterEntryPoints.h"
#include "skinlib/manager/CommonDataSeams.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/LibraryUtils.h"
#include "skinlib/manager/ManagerSeams.h"
#include "skinlib/manager/SectionBackgrounds.h"
#include "skinlib/manager/sSkinManager.h"

#include <QApplication>

#include <algorithm>
#include <initializer_list>
#include <utility>
#include <vector>

using namespace platform;

bool FormsLocked = false;
bool ForceBackgroundCache = false;
bool SkipGraphicChildren = false;
QString ChangedSectionName;

// ------------------------------------------------------------ control kinds

namespace {

// A set from single kinds and inclusive ranges.
TacKindSet Kinds(std::initializer_list<std::pair<int, int>> ranges) {
  TacKindSet set;
  for (const auto& [first, last] : ranges)
    for (int k = first; k <= last; ++k) set.set(size_t(k));
  return set;
}

struct KindSection {
  std::initializer_list<int> kinds;
  const char* section;
};

const KindSection kKindSections[] = {
    {{2, 3, 4, 5, 6, 7, 8, 10, 41, 76, 78, 83, 84, 96, 97, 131, 140, 227}, "EDIT"},
    {{11, 12, 13, 14, 15, 16, 17, 18, 81, 82}, "COMBOBOX"},
    {{19}, "BAR"},
    {{20}, "BARTITLE"},
    {{32, 152}, "CHECKBOX"},
    {{33}, "RADIOBUTTON"},
    {{51, 59, 68, 73}, "PANEL"},
    {{52, 58}, "PANEL_LOW"},
    {{53, 54, 60}, "TOOLBAR"},
    {{56}, "DRAGBAR"},
    {{57}, "TABSHEET"},
    {{74, 226}, "GROUPBOX"},
    {{75}, "SPLITTER"},
    {{92, 95}, "SPEEDBUTTON"},
    {{93, 94}, "BUTTON"},
    {{98}, "TOOLBUTTON"},
    {{141, 143}, "PAGECONTROL"},
    {{151}, "STATUSBAR"},
    {{161}, "GAUGE"},
    {{165}, "TRACKBAR"},
};

}  // namespace

const TacKindSet NoHoverKinds = Kinds({{19, 19}, {51, 74}, {110, 110}, {141, 161}});
const TacKindSet NoGlowKinds = Kinds({{51, 52},
                                      {54, 54},
                                      {56, 60},
                                      {68, 68},
                                      {73, 74},
                                      {110, 110},
                                      {141, 141},
                                      {143, 143},
                                      {151, 151},
                                      {161, 161},
                                      {226, 226}});
const TacKindSet HoverRepaintKinds = Kinds({{2, 18}, {41, 41}, {76, 84}, {96, 97}, {131, 140}});

bool KindInSet(int kind, const TacKindSet& set) { return kind >= 0 && kind < 256 && set.test(size_t(kind)); }

QString SectionOfKind(int kind) {
  for (const KindSection& row : kKindSections)
    if (std::find(row.kinds.begin(), row.kinds.end(), kind) != row.kinds.end())
      return QString::fromLatin1(row.section);
  return {};
}

// ------------------------------------------------------------ helpers

namespace {

WPARAM Command(unsigned command, int argument = 0) { return MAKEWPARAM(argument, int(command)); }

// A control's parent control; a window has none.
QWidget* ParentOf(const QWidget* control) {
  return control && !control->isWindow() ? control->parentWidget() : nullptr;
}

bool IsWindowed(const QWidget* control) { return control && !IsGraphicControl(control); }
bool IsFrame(const QWidget* control) { return GetClassName(control) == QStringLiteral("TFrame"); }

// Frames, panels, scroll boxes and forms (the scrolling controls) and page
// controls keep a container flag.
bool IsContainer(const QWidget* control) {
  if (control->isWindow() || IsFrame(control)) return true;
  const QString name = GetClassName(control);
  return name == QStringLiteral("TPanel") || name == QStringLiteral("TScrollBox") ||
         name == QStringLiteral("TPageControl");
}

// A sub-command to a control as the library's senders send it: a graphic
// control through Perform, a windowed one by SendMessage while it has a
// handle and is not being destroyed (else 0, nothing sent).
LRESULT SendToControl(QWidget* control, unsigned command, LPARAM lParam, int argument = 0) {
  if (!control) return 0;
  if (IsGraphicControl(control)) return Perform(control, SkinCommandMsg, Command(command, argument), lParam);
  if (IsDestroying(control) || !HandleAllocated(control)) return 0;
  return SendMessage(control, SkinCommandMsg, Command(command, argument), lParam);
}

LRESULT PerformCommand(QWidget* control, unsigned command, LPARAM lParam = 0, int argument = 0) {
  return Perform(control, SkinCommandMsg, Command(command, argument), lParam);
}

// A control's child controls as guarded pointers, read before the first
// message goes out (a receiver may delete children).
std::vector<QPointer<QWidget>> GuardedChildren(const QWidget* control) {
  std::vector<QPointer<QWidget>> children;
  for (QWidget* child : ChildControls(control)) children.emplace_back(child);
  return children;
}

// The control's form is told that the control changed (sub-command 25).
void NotifyParentForm(QWidget* control) {
  QWidget* form = control ? control->window() : nullptr;
  if (form && form != control) SendMessage(form, SkinCommandMsg, Command(acControlChanged), LPARAM(control));
}

// Ready for painting: it has a parent and is neither being made nor being
// destroyed.
bool ControlIsReady(const QWidget* control) {
  return ParentOf(control) && GetControlState(control) == 0;
}

// The position of a control inside its parent.
TPoint PositionInParent(const QWidget* control) { return {control->x(), control->y()}; }

// A background query's answer as a background source.
TColor DefaultGlobalColor() {
  return FirstSkinManager ? FirstSkinManager->GlobalSectionColor() : clBtnFace;
}

}  // namespace

// ------------------------------------------------------------ the data

TsCommonData::TsCommonData(QObject* owner, bool createCacheBmp)
    : ownerControl_(qobject_cast<QWidget*>(owner)), ownerObject_(owner), hadOwner_(owner != nullptr) {
  if (createCacheBmp) CacheBitmap = std::make_unique<Bitmap>(0, 0, pf24bit);
}

TsCommonData::~TsCommonData() {
  SectionIndex = PatternIndex = HotPatternIndex = -1;
  CacheBitmap.reset();
  HideGlow();
}

TsSkinManager* TsCommonData::SkinManager() const { return ownManager_ ? ownManager_.data() : FirstSkinManager; }

bool TsCommonData::OwnerDestroying() const {
  if (!hadOwner_) return false;
  if (!ownerObject_) return true;
  return ownerControl_ && IsDestroying(ownerControl_);
}

bool TsCommonData::OwnerIsEdit() const {
  if (!ownerControl_) return false;
  const QString name = GetClassName(ownerControl_);
  return name == QStringLiteral("TEdit") || name == QStringLiteral("TMemo");
}

QWidget* TsCommonData::ProviderForm() const {
  return ownerControl_ ? nullptr : adapters::ProviderForm(ownerObject_);
}

bool TsCommonData::Skinned(bool checkActive) const {
  TsSkinManager* sm = SkinManager();
  if (!sm || SectionIndex < 0 || OwnerDestroying() || sm->Destroying()) return false;
  if (checkActive && !sm->SkinData->Active) return false;
  return sm->IsValidSectionIndex(SectionIndex);
}

const TsGeneralData* TsCommonData::Section() const {
  TsSkinManager* sm = SkinManager();
  return sm && sm->IsValidSectionIndex(SectionIndex) ? &sm->GeneralData[size_t(SectionIndex)] : nullptr;
}

void TsCommonData::SetSkinSection(const QString& value) {
  if (value == skinSection_) return;
  skinSection_ = value.isEmpty() ? QStringLiteral("UNKNOWN") : value.toUpper();
  TsSkinManager* sm = SkinManager();
  if (!sm || sm->GeneralData.empty())
    SectionIndex = -1;
  else
    RefreshSkinIndexes();
  QWidget* owner = ownerControl_;
  if (!owner || IsDestroying(owner) || !ParentOf(owner)) {
    if (ProviderForm()) {
      BackgroundDirty = true;
      adapters::ProviderSectionChanged(ownerObject_);
    }
    return;
  }
  const bool valid = sm && !sm->GeneralData.empty() && sm->IsValidSectionIndex(SectionIndex);
  PerformCommand(owner, valid ? acRefresh : acRemoveSkin, LPARAM(sm));
}

void TsCommonData::SetSkinManager(TsSkinManager* manager) {
  if (manager == ownManager_) return;
  ownManager_ = manager == FirstSkinManager ? nullptr : manager;
  if (!manager || manager->GeneralData.empty())
    SectionIndex = -1;
  else
    RefreshSkinIndexes();
  if (ProviderForm()) return;
  QWidget* owner = ownerControl_;
  if (!owner || !ParentOf(owner) || IsDestroying(owner)) return;
  const bool valid = manager && !manager->GeneralData.empty() && manager->IsValidSectionIndex(SectionIndex);
  PerformCommand(owner, valid ? acRefresh : acRemoveSkin, LPARAM(manager));
}

void TsCommonData::ApplyEditColors() {
  const TsGeneralData* s = Section();
  QWidget* owner = ownerControl_;
  if (!s || !owner) return;
  if (!customColor_ && GetControlColor(owner) != s->Color) SetControlColor(owner, s->Color);
  if (!customFont_ && GetFontColor(owner) != s->FontColor[0]) SetFontColor(owner, s->FontColor[0]);
}

void TsCommonData::SetCustomColor(bool value) {
  if (value == customColor_) return;
  customColor_ = value;
  if (Skinned() && OwnerIsEdit()) {
    ApplyEditColors();
    Invalidate();
  }
}

void TsCommonData::SetCustomFont(bool value) {
  if (value == customFont_) return;
  customFont_ = value;
  Invalidate();
}

bool TsCommonData::Updating() const {
  if (!SkinManager()) return false;
  if (!ParentDependent()) return updating_;
  QWidget* owner = ownerControl_;
  if (!owner || IsDestroying(owner)) return updating_;
  if (updating_) return true;
  QWidget* parent = ParentOf(owner);
  return !parent || SendToControl(parent, acIsUpdating, 0) != 0;
}

void TsCommonData::TellUpdate(unsigned command) {
  if (ownerControl_)
    PerformCommand(ownerControl_, command);
  else if (QWidget* form = ProviderForm())
    SendMessage(form, SkinCommandMsg, Command(command), 0);
}

void TsCommonData::BeginUpdate() {
  updating_ = true;
  TellUpdate(acBeginUpdate);
}

void TsCommonData::EndUpdate() {
  updating_ = false;
  TellUpdate(acUpdateEnded);
}

void TsCommonData::Invalidate() {
  QWidget* owner = ownerControl_;
  if (!owner || IsDestroying(owner)) return;
  BackgroundDirty = true;
  if (ControlIsReady(owner)) owner->update();
}

void TsCommonData::RefreshSkinIndexes() {
  // (Frames in design are never inside a frame here: nothing to skip.)
  BackgroundDirty = true;
  TsSkinManager* sm = SkinManager();
  SectionIndex = sm ? sm->IndexOfSection(skinSection_) : -1;
  UpdateBgKindFlags();
  ContainerFlags = 0;
  if (SectionIndex >= 0) {
    BorderMaskIndex = sm->GeneralData[size_t(SectionIndex)].BorderIndex;
    PatternIndex = sm->FindTextureIndex(SectionIndex, skinSection_, QStringLiteral("PATTERN"));
    HotPatternIndex = sm->FindTextureIndex(SectionIndex, skinSection_, QStringLiteral("HOTPATTERN"));
    CheckContainerBg(false);
  } else {
    PatternIndex = HotPatternIndex = -1;
  }
}

void TsCommonData::ChooseSectionByKind() {
  if (!skinSection_.isEmpty()) {
    RefreshSkinIndexes();
    return;
  }
  QString name = SectionOfKind(ControlKind);
  if (name.isEmpty()) {
    if (ownerControl_)
      name = GetClassName(ownerControl_);
    else if (ownerObject_)
      name = QString::fromLatin1(ownerObject_->metaObject()->className());
  }
  SetSkinSection(name);
}

void TsCommonData::UpdateBgKindFlags() {
  BgKindFlags = 0;
  const TsGeneralData* s = Section();
  if (!s) return;
  if (s->ImagePercent != 0) BgKindFlags |= 4;
  if (s->GradientPercent != 0 && !s->GradientArray.empty()) {
    switch (s->GradientArray.front().Mode) {
      case 0: BgKindFlags |= 2; break;
      case 1: BgKindFlags |= 1; break;
      case 2: BgKindFlags |= 3; break;
      default: break;
    }
  }
}

void TsCommonData::CheckContainerBg(bool children) {
  ContainerFlags &= ~uint16_t(1);
  if (QWidget* owner = ownerControl_) {
    if (IsContainer(owner) && !NeedsOwnBackground()) ContainerFlags |= 1;
    if (children && IsWindowed(owner))
      for (const QPointer<QWidget>& child : GuardedChildren(owner))
        if (child) SendToControl(child, acContainerBg, 1);
  } else if (ProviderForm()) {
    if (!NeedsOwnBackground()) ContainerFlags |= 1;
  }
}

bool TsCommonData::NeedsOwnBackground() {
  if (ForceBackgroundCache) {
    if (!CacheBitmap) CacheBitmap = std::make_unique<Bitmap>(0, 0, pf24bit);
    return true;
  }
  TsSkinManager* sm = SkinManager();
  const TsGeneralData* s = Section();
  if (!sm || !s) return false;
  if (sm->IsValidMaskIndex(BorderMaskIndex)) {
    const TsMaskData& m = sm->MaskData[size_t(BorderMaskIndex)];
    if (m.WL + m.WR > 30 || m.WT + m.WB > 30) return true;
  }
  if (s->Transparency == 100) {
    QWidget* parent = ParentOf(ownerControl_);
    if (!parent) return true;
    return (SendToControl(parent, acContainerBg, 0) & 1) == 0;
  }
  if (s->Transparency == 0) return s->ImagePercent != 0 || s->GradientPercent != 0;
  return true;
}

bool TsCommonData::ParentDependent() const {
  return FormsLocked || ForceBackgroundCache || (ContainerFlags & 1) == 0 || ControlIsActive();
}

bool TsCommonData::ControlIsActive() const {
  const QWidget* owner = ownerControl_;
  if (!owner || IsDestroying(owner) || !owner->isEnabled()) return false;
  if (Focused) return true;
  if (IsWindowed(owner) && owner->hasFocus()) return true;
  return MouseAbove && !KindInSet(ControlKind, NoHoverKinds);
}

bool TsCommonData::IsTransparentSection() const {
  const TsGeneralData* s = Section();
  return s && s->Transparency >= 1;
}

bool TsCommonData::HasCompositeBackground() const {
  if (HiddenMode || !Skinned()) return true;
  QWidget* owner = ownerControl_;
  if (!owner || IsFrame(owner) || (GetControlState(owner) & csCreating) || owner->isHidden()) return true;
  const TsGeneralData* s = Section();
  if (!s) return false;
  const bool composite = !owner->isEnabled() || s->Transparency >= 1;
  QWidget* parent = ParentOf(owner);
  if (composite && parent && HandleAllocated(parent))
    return SendMessage(parent, SkinCommandMsg, Command(acIsBgComplex), 0) != 0;
  return composite;
}

bool TsCommonData::ParentBgIsComplex() const {
  QWidget* parent = ParentOf(ownerControl_);
  return parent && HandleAllocated(parent) && SendMessage(parent, SkinCommandMsg, Command(acIsBgComplex), 0) == 1;
}

TColor TsCommonData::SectionBgColor(bool hot, QWidget* wnd) const {
  QWidget* owner = ownerControl_;
  TColor own = clBtnFace;
  if (owner)
    own = GetControlColor(owner);
  else if (QWidget* form = ProviderForm())
    own = GetControlColor(form);
  if (!Skinned()) return own;
  const TsGeneralData& s = *Section();
  const TColor color = hot ? s.HotColor : s.Color;
  const int transparency = hot ? s.HotTransparency : s.Transparency;
  if (transparency < 1) return customColor_ ? own : color;
  if (transparency == 100) {
    if (owner) return adapters::GetControlBgColor(ParentOf(owner));
    if (wnd) return adapters::GetWndBgColor(ParentOf(wnd));
    return clBtnFace;
  }
  if (owner)
    return commondata::MixColors(color, adapters::GetControlBgColor(ParentOf(owner)), transparency / 100.0);
  return own;  // not defined for data without a control; never asked
}

int TsCommonData::GetFontSectionIndex(QWidget* control, int defaultIndex) const {
  TsSkinManager* sm = SkinManager();
  QWidget* parent = ParentOf(control);
  while (parent) {
    const LRESULT answer = SendToControl(parent, acGetSection, 0);
    const int index = int(answer) - 1;
    if (answer == 0 || !sm || !sm->IsValidSectionIndex(index)) return defaultIndex;
    const TsGeneralData& s = sm->GeneralData[size_t(index)];
    if (s.Transparency > 50 && ParentOf(parent)) {
      parent = ParentOf(parent);
      continue;
    }
    return s.GiveOwnFont ? index : defaultIndex;
  }
  return defaultIndex;
}

void TsCommonData::FillBgQuery(TsBgQuery& query, bool hot, QWidget* wnd) {
  QWidget* owner = ownerControl_;
  if (!Skinned() || customColor_) {
    query.BgKind = TsBgQuery::PlainColor;
    if (owner)
      query.Color = GetControlColor(owner);
    else if (QWidget* form = ProviderForm())
      query.Color = GetControlColor(form);
    else
      query.Color = clBtnFace;
    return;
  }
  const TsGeneralData& s = *Section();
  const int transparency = hot ? s.HotTransparency : s.Transparency;
  const int gradient = hot ? s.HotGradientPercent : s.GradientPercent;
  const int image = hot ? s.HotImagePercent : s.ImagePercent;
  const bool drawRequest = query.DrawRequest;
  // Hands out the cache, or paints it into the asker's canvas.
  const auto handOutCache = [&]() {
    if (!CacheBitmap) return false;
    query.BgKind = TsBgQuery::FromBitmap;
    if (!drawRequest) {
      query.Bitmap = CacheBitmap.get();
      query.Offset = {0, 0};
    } else if (query.DC) {
      const TRect& r = query.R;
      query.DC->CopyRect(r, *CacheBitmap, Bounds(query.Offset.X, query.Offset.Y, r.Width(), r.Height()));
    }
    return true;
  };
  bool found = false;
  if (transparency == 0) {
    if (gradient < 1 && image < 1) {
      query.BgKind = TsBgQuery::PlainColor;
      query.Bitmap = CacheBitmap.get();
      query.Color = SectionBgColor(hot, nullptr);
      if (drawRequest && query.DC) {
        query.DC->Brush.Color = query.Color;
        query.DC->Brush.Style = bsSolid;
        query.DC->FillRect(query.R);
      }
      return;
    }
    found = handOutCache();
  } else if (transparency == 100) {
    TsSkinManager* sm = SkinManager();
    bool wideMargins = false;
    if (sm->IsValidMaskIndex(BorderMaskIndex)) {
      const TsMaskData& m = sm->MaskData[size_t(BorderMaskIndex)];
      wideMargins = m.WL + m.WR >= 25 || m.WT + m.WB >= 25;
    }
    QWidget* parent = ParentOf(owner);
    if (wideMargins) {
      if (!handOutCache()) {
        query.BgKind = TsBgQuery::PlainColor;
        query.Color = parent ? adapters::GetControlBgColor(parent) : DefaultGlobalColor();
      }
      return;
    }
    if (parent) {
      commondata::QueryControlBackground(query, parent, drawRequest);
      if (query.BgKind == TsBgQuery::FromBitmap) {
        query.Offset.X += owner->x();
        query.Offset.Y += owner->y();
      }
    } else if (QWidget* parentWnd = ParentOf(wnd)) {
      commondata::QueryWindowBackground(query, parentWnd, drawRequest);
      if (query.BgKind == TsBgQuery::FromBitmap) {
        const TPoint at = PositionInParent(wnd);
        query.Offset.X += at.X;
        query.Offset.Y += at.Y;
      }
    } else {
      query.BgKind = TsBgQuery::PlainColor;
      query.Color = DefaultGlobalColor();
    }
    return;
  } else {
    found = handOutCache();
  }
  if (!found) {
    query.Color = KeyColor;
    query.BgKind = TsBgQuery::PlainColor;
  }
}

void TsCommonData::ParentBgSource(TsBgSource& source) const {
  QWidget* owner = ownerControl_;
  QWidget* parent = ParentOf(owner);
  if (Skinned() && parent && ParentOf(parent)) {
    TsBgQuery query;
    query.R = Bounds(owner->x(), owner->y(), owner->width(), owner->height());
    commondata::QueryControlBackground(query, parent, false);
    CacheInfoFromBgInfo(query, source);
    return;
  }
  source = {nullptr, 0, 0, SectionBgColor(false, nullptr), false};
}

int TsCommonData::BorderMaxWidth() const {
  TsSkinManager* sm = SkinManager();
  if (!sm || !sm->IsValidMaskIndex(BorderMaskIndex)) return 0;
  const TsMaskData& m = sm->MaskData[size_t(BorderMaskIndex)];
  if (m.DrawMode & 2) return 0;
  return std::max({int(m.WL), int(m.WT), int(m.WR), int(m.WB)});
}

void TsCommonData::PrepareCacheBitmap() {
  if (!CacheBitmap) CacheBitmap = std::make_unique<Bitmap>(0, 0, pf24bit);
  const QWidget* owner = ownerControl_;
  if (!owner) return;
  // A control larger than any bitmap may be keeps an empty cache.
  const bool allowed = BitmapSizeAllowed(owner->width(), owner->height());
  const int w = allowed ? owner->width() : 0, h = allowed ? owner->height() : 0;
  if (CacheBitmap->Width() != w || CacheBitmap->Height() != h) CacheBitmap->SetSize(w, h);
}

void TsCommonData::PrepareCacheBitmap24() {
  PrepareCacheBitmap();
  if (CacheBitmap->PixelFormat() != pf24bit) CacheBitmap->SetPixelFormat(pf24bit);
}

void TsCommonData::ShowControlGlow(bool reshow) {
  TsSkinManager* sm = SkinManager();
  const TsGeneralData* s = Section();
  if (!sm || !s || !sm->AllowGlowing() || s->GlowCount < 1) return;
  QWidget* owner = ownerControl_;
  if (!owner || !MouseAbove) return;
  // Not while the left button is held on the control.
  if ((QApplication::mouseButtons() & Qt::LeftButton) && owner->underMouse()) return;
  if (reshow && GlowIndex != -1) return;
  commondata::ShowControlGlow(*this, reshow);
}

void TsCommonData::HideGlow() {
  if (GlowIndex != -1) commondata::HideGlow(GlowIndex);
  GlowIndex = -1;
}

void TsCommonData::ApplySkinColors() {
  ChooseSectionByKind();
  QWidget* owner = ownerControl_;
  if (!Skinned() || !owner || !ParentOf(owner)) return;
  if (IsWindowed(owner)) NotifyParentForm(owner);
  if (OwnerIsEdit() || ControlKind == 97) ApplyEditColors();
}

// ------------------------------------------------------------ the skin command

namespace {

// Sub-command 2: the skin's indexes dropped, the standard colours back.
void RemoveSkin(TsCommonData& d) {
  d.BorderMaskIndex = d.SectionIndex = d.PatternIndex = d.HotPatternIndex = -1;
  d.SetUpdating(true);
  if (d.CacheBitmap) d.CacheBitmap->SetSize(0, 0);
  QWidget* owner = d.OwnerControl();
  if (!owner) return;
  if (d.OwnerIsEdit()) {
    if (!d.CustomColor()) SetControlColor(owner, clWindow);
    if (!d.CustomFont()) SetFontColor(owner, clWindowText);
    RedrawWindow(owner, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
  } else if (IsWindowed(owner)) {
    for (QWidget* child : ChildControls(owner))
      if (GetClassName(child) == QStringLiteral("TLabel")) SetFontColor(child, clWindowText);
  }
}

// Sub-command 21: the colour behind the control.
TColor BackgroundColor(const TsCommonData& d, QWidget* owner) {
  if (!d.Skinned()) return ColorToRGB(GetControlColor(owner));
  const TsGeneralData& s = *d.Section();
  const int t = s.Transparency;
  QWidget* parent = ParentOf(owner);
  if (t == 0) return s.Color;
  if (t == 100) {
    if (!parent) return ColorToRGB(GetControlColor(owner));
    const TColor answer = TColor(SendToControl(parent, acGetBgColor, 0));
    // A parent that knows no colour gives its own, as RGB: a system
    // colour's index byte is no red.
    return answer == KeyColor ? ColorToRGB(GetControlColor(parent)) : answer;
  }
  const TColor p = parent ? TColor(SendToControl(parent, acGetBgColor, 0)) : ColorToRGB(GetControlColor(owner));
  const TColor o = s.Color;
  uint32_t mixed = uint32_t(p) & 0xFF000000u;
  for (int shift = 0; shift < 24; shift += 8) {
    const int pc = (p >> shift) & 0xFF, oc = (o >> shift) & 0xFF;
    mixed |= uint32_t(ClampToByte((t * (pc - oc) + oc * 256) >> 8)) << shift;
  }
  return TColor(mixed);
}

// Sub-command 20: the parent's background changed.
void ParentBackgroundChanged(TsCommonData& d, unsigned argument) {
  const bool composite = d.HasCompositeBackground();
  d.BackgroundDirty = d.BackgroundDirty || composite;
  QWidget* owner = d.OwnerControl();
  if (!IsWindowed(owner)) return;
  if (argument == 1)
    RedrawWindow(owner, nullptr, nullptr, RDW_INVALIDATE | RDW_NOINTERNALPAINT | RDW_NOERASE | RDW_ALLCHILDREN);
  if (!composite) return;
  for (const QPointer<QWidget>& child : GuardedChildren(owner))
    if (child && !IsDestroying(child)) SendToControl(child, acParentBgChanged, 0);
}

}  // namespace

bool HandleSkinCommand(Message& m, TsCommonData* d) {
  if (!d || m.Msg != SkinCommandMsg) return false;
  const unsigned command = HIWORD(m.WParam);
  const unsigned argument = LOWORD(m.WParam);
  if (command > 60) return false;
  TsSkinManager* sm = d->SkinManager();
  const bool fromOwnManager = sm && m.LParam == LPARAM(sm);
  switch (command) {
    case acNewSkin:
      if (fromOwnManager) {
        d->RefreshSkinIndexes();
        d->CheckContainerBg(false);
      }
      return false;
    case acRemoveSkin:
      if (fromOwnManager) {
        if (sm->Destroying()) d->ownManager_ = nullptr;
        RemoveSkin(*d);
      }
      return false;
    case acRefresh:
      if (fromOwnManager) {
        d->BackgroundDirty = true;
        d->SetUpdating(false);
        if (d->Skinned() && d->OwnerIsEdit()) {
          d->ApplyEditColors();
          RedrawWindow(d->OwnerControl(), nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
        }
        d->CheckContainerBg(false);
      }
      return false;
    case acIsSkinned:
      m.Result = 1;
      return true;
    case acSetUpdating:
      d->SetUpdating(argument == 1);
      return true;
    case acSetHiddenMode:
      d->HiddenMode = argument == 1;
      return true;
    case acIsUpdating:
      m.Result = d->BackgroundDirty || d->UpdatingFlag() ? 1 : 0;
      return true;
    case acGetStateFlag:
      m.Result = d->StateFlag ? 1 : 0;
      return true;
    case acTransparentBgChanged:
      if (d->IsTransparentSection() && argument == 1) d->BackgroundDirty = true;
      return true;
    case acSectionChanged:
      if (d->SkinSection().toUpper() == ChangedSectionName) d->Invalidate();
      return true;
    case acBgChanged:
      d->BackgroundDirty = true;
      return true;
    case acIsBgComplex: {
      const TsGeneralData* s = d->SectionIndex >= 0 ? d->Section() : nullptr;
      if (!s) return false;
      const bool complex = s->Transparency == 100 && ParentOf(d->OwnerControl())
                               ? d->ParentBgIsComplex()
                               : s->GradientPercent + s->ImagePercent >= 1 || d->HasCompositeBackground();
      m.LParam = complex ? 1 : 0;
      m.Result = m.LParam;
      return true;
    }
    case acParentBgChanged:
      ParentBackgroundChanged(*d, argument);
      return false;
    case acGetBgColor:
      if (!d->OwnerControl()) return false;
      m.Result = BackgroundColor(*d, d->OwnerControl());
      return true;
    case acSetStateFlag:
      d->StateFlag = true;
      return true;
    case acGetSection:
      m.Result = d->SectionIndex + 1;
      return true;
    case acBgQuery:
      if (m.LParam) d->FillBgQuery(*ParamPtr<TsBgQuery>(std::uintptr_t(m.LParam)), false, nullptr);
      return false;
    case acContainerBg:
      if (m.LParam == 1)
        d->CheckContainerBg(false);
      else
        m.Result = d->ContainerFlags;
      return true;
    case acGetApplication:
      m.Result = LRESULT(PtrParam(QCoreApplication::instance()));
      return false;
    default:
      return false;
  }
}

// ------------------------------------------------------------ other messages

namespace {

bool GlowsWithKind(int kind) { return !KindInSet(kind, NoGlowKinds) && (kind < 92 || kind > 94); }

void MouseEntered(Message& m, TsCommonData& d) {
  QWidget* owner = d.OwnerControl();
  const int kind = d.ControlKind;
  const bool hover = !KindInSet(kind, NoHoverKinds);
  if (!IsWindowed(owner) || !FirstSkinManager) {
    if (hover) d.MouseAbove = true;
    return;
  }
  // A frame inside that still shows the mouse loses it.
  const QWidget* entered = ParamPtr<QWidget>(std::uintptr_t(m.LParam));
  for (const QPointer<QWidget>& child : GuardedChildren(owner))
    if (child && child != owner && child != entered && IsFrame(child) && adapters::FrameMouseAbove(child))
      SendMessage(child, CM_MOUSELEAVE, 0, LPARAM(PtrParam(child.data())));
  if (hover) d.MouseAbove = true;
  FirstSkinManager->SetHotWindow(owner);
  if (GlowsWithKind(kind)) d.ShowControlGlow(false);
  if (KindInSet(kind, HoverRepaintKinds)) {
    d.BackgroundDirty = true;
    RedrawWindow(owner, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_FRAME);
  }
}

void MouseLeft(TsCommonData& d) {
  const int kind = d.ControlKind;
  if (!KindInSet(kind, NoHoverKinds)) d.MouseAbove = false;
  if (GlowsWithKind(kind)) {
    seams::FreeAllGlows();
    d.GlowIndex = -1;
  }
  QWidget* owner = d.OwnerControl();
  if (owner && owner->isVisible() && KindInSet(kind, HoverRepaintKinds)) {
    d.BackgroundDirty = true;
    RedrawWindow(owner, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_FRAME);
  }
}

void FocusChanged(const Message& m, TsCommonData& d) {
  QWidget* owner = d.OwnerControl();
  if (!IsWindowed(owner) || owner->focusPolicy() == Qt::NoFocus || !owner->isEnabled()) return;
  if (GetOrdProperty(owner, QStringLiteral("TabStop")) != 1) return;
  const bool gained = m.Msg == WM_SETFOCUS;
  d.BackgroundDirty = true;
  d.Focused = gained;
  if (KindInSet(d.ControlKind, HoverRepaintKinds) && (gained || owner->isVisible()))
    RedrawWindow(owner, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
}

}  // namespace

bool CommonWindowMessage(Message& m, TsCommonData* d) {
  if (!d) return false;
  QWidget* owner = d->OwnerControl();
  switch (m.Msg) {
    case SkinCommandMsg:
      return HandleSkinCommand(m, d);
    case WM_MOVE:
      if (d->HasCompositeBackground()) {
        d->BackgroundDirty = true;
        if (owner) PerformCommand(owner, acParentBgChanged, 0, 1);
      }
      d->HideGlow();
      return false;
    case WM_SIZE:
      if (d->Skinned()) {
        d->BackgroundDirty = true;
        if (IsWindowed(owner) && d->Section()->GradientPercent > 0)
          for (const QPointer<QWidget>& child : GuardedChildren(owner))
            if (child && !IsDestroying(child)) PerformCommand(child, acParentBgChanged, 0, 1);
        d->HideGlow();
      }
      return false;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      FocusChanged(m, *d);
      return false;
    case WM_FONTCHANGE:
    case CM_FONTCHANGED:
    case CM_ENABLEDCHANGED:
      d->MouseAbove = d->Focused = false;
      if (owner && !owner->isEnabled()) d->HideGlow();
      return false;
    case WM_CONTEXTMENU:
      if (TsSkinManager* sm = d->SkinManager())
        if (QObject* menu = GetObjectProperty(owner, QStringLiteral("PopupMenu")))
          commondata::HookPopupMenu(sm, menu, sm->Active());
      return false;
    case WM_UPDATEUISTATE:
      // Swallowed while skinned; visual themes are not in use here.
      return d->Skinned();
    case WM_PARENTNOTIFY:
      if (IsWindowed(owner) && LOWORD(m.WParam) == WM_CREATE) NotifyParentForm(owner);
      return false;
    case CM_VISIBLECHANGED:
      if (d->CacheBitmap) {
        if (m.WParam) {
          d->SetUpdating(false);
          d->BackgroundDirty = true;
        } else {
          d->CacheBitmap->SetSize(0, 0);
        }
      }
      return false;
    case CM_MOUSEENTER:
      MouseEntered(m, *d);
      return false;
    case CM_MOUSELEAVE:
      MouseLeft(*d);
      return false;
    default:
      return false;
  }
}

// ------------------------------------------------------------ backgrounds

void ParentWndCacheInfo(QWidget* wnd, TsBgSource& source) {
  QWidget* parent = ParentOf(wnd);
  if (!parent) {
    source = EmptyCacheInfo;
    return;
  }
  TsBgQuery query;
  query.R = Bounds(wnd->x(), wnd->y(), wnd->width(), wnd->height());
  commondata::QueryWindowBackground(query, parent, false);
  CacheInfoFromBgInfo(query, source);
}

namespace {

TRect BoundsOf(const QWidget* w) { return Bounds(w->x(), w->y(), w->width(), w->height()); }

// The cache copied from `offset` into `rect` of the canvas.
void CopyCache(const Bitmap& cache, TPoint offset, Canvas& dc, const TRect& rect) {
  dc.CopyRect(rect, cache, Bounds(offset.X, offset.Y, rect.Width(), rect.Height()));
}

// A group box (a BS_GROUPBOX button without a client edge) while a
// default manager exists leaves out only its frame: strips as wide as the
// margins of the "GROUPBOX" section's border mask, the top one as high as
// the box's caption. Without that mask it is left out whole.
bool ExcludeGroupBoxFrame(QWidget* child, Canvas& dc) {
  TsSkinManager* sm = FirstSkinManager;
  if (!sm) return false;
  if ((GetWindowLong(child, GWL_STYLE) & 7) != BS_GROUPBOX) return false;
  if (GetWindowLong(child, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) return false;
  const int section = sm->IndexOfSection(QStringLiteral("GROUPBOX"));
  const int mask = section >= 0 ? sm->GeneralData[size_t(section)].BorderIndex : -1;
  if (!sm->IsValidMaskIndex(mask)) return false;
  const TsMaskData& m = sm->MaskData[size_t(mask)];
  const TRect r = BoundsOf(child);
  const int caption = int(SendMessage(child, SkinCommandMsg, Command(acGetCaptionHeight), 0));
  dc.ExcludeClipRect({r.Left, r.Top, r.Right, r.Top + caption});
  dc.ExcludeClipRect({r.Left, r.Top, r.Left + m.WL, r.Bottom});
  dc.ExcludeClipRect({r.Right - m.WR, r.Top, r.Right, r.Bottom});
  dc.ExcludeClipRect({r.Left, r.Bottom - m.WB, r.Right, r.Bottom});
  return true;
}

}  // namespace

void CopyBgExcludingChildControls(QWidget* control, TsCommonData& data, TPoint offset, int dx, int dy, bool repaint,
                                  Canvas& dc, const TRect& rect) {
  if (!data.CacheBitmap) return;
  if (repaint) commondata::RepaintCache(control, data);
  if (!data.CacheBitmap) return;
  const int saved = dc.SaveDC();
  dc.IntersectClipRect(rect);
  for (QWidget* child : ChildControls(control)) {
    if (IsFrame(child) || child->isHidden()) continue;
    const TRect b = BoundsOf(child);
    if (!(b.Left < rect.Right && b.Top < rect.Bottom && b.Right > rect.Left && b.Bottom > rect.Top)) continue;
    const bool graphic = IsGraphicControl(child);
    if (graphic && SkipGraphicChildren) continue;
    if (graphic || (GetControlStyle(child) & csOpaque)) dc.ExcludeClipRect(OffsetRect(b, dx, dy));
  }
  CopyCache(*data.CacheBitmap, offset, dc, rect);
  dc.RestoreDC(saved);
}

void CopyBgExcludingChildWindows(QWidget* wnd, TsCommonData& data, TPoint offset, bool repaint, Canvas& dc,
                                 const TRect& rect) {
  if (!data.CacheBitmap) return;
  if (repaint) commondata::RepaintCache(wnd, data);
  if (!data.CacheBitmap) return;
  const int saved = dc.SaveDC();
  dc.IntersectClipRect(rect);
  for (QWidget* child = GetWindow(wnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (!child->isVisible()) continue;
    if (!ExcludeGroupBoxFrame(child, dc)) dc.ExcludeClipRect(BoundsOf(child));
  }
  CopyCache(*data.CacheBitmap, offset, dc, rect);
  dc.RestoreDC(saved);
}
