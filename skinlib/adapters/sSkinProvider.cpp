#include "skinlib/adapters/sSkinProvider.h"

#include "platform/Colors.h"
#include "platform/Mdi.h"
#include "platform/Menus.h"
#include "platform/NonClient.h"
#include "platform/Painting.h"
#include "platform/Properties.h"
#include "platform/Startup.h"
#include "platform/WindowPos.h"
#include "platform/WindowTable.h"
#include "platform/WindowUtils.h"
#include "skinlib/adapters/sSBAnimation.h"
#include "skinlib/adapters/sSysMenu.h"
#include "skinlib/manager/AdapterEntryPoints.h"
#include "skinlib/manager/AlphaPainting.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/LibraryMessageBox.h"
#include "skinlib/manager/LibraryUtils.h"
#include "skinlib/manager/MaskSlicing.h"
#include "skinlib/manager/SectionBackgrounds.h"
#include "skinlib/manager/BitmapFactories.h"
#include "skinlib/manager/SkinMasks.h"
#include "skinlib/manager/SkinOptions.h"
#include "skinlib/manager/SkinnedForms.h"
#include "skinlib/manager/TextPainting.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"

#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QMdiSubWindow>
#include <QChildEvent>
#include <QTimer>
#include <QIcon>
#include <QPainter>
#include <QPropertyAnimation>
#include <QScreen>
#include <QStyle>

#include <algorithm>

using namespace platform;

TacBorderDrag BorderDrag;
QPointer<TsSkinProvider> LastProvider;
QPointer<TsSkinProvider> MdiMainProvider;
bool ChildMaximizedAtCreate = false;

namespace {

bool g_lastChangeWasPress = false;

const QString kGlobalInfo = QStringLiteral("GLOBALINFO");

TFormBorderStyle BorderStyleFromText(const QString& text, TFormBorderStyle fallback) {
  static const std::pair<const char*, TFormBorderStyle> names[] = {
      {"bsNone", bsNone},           {"bsSingle", bsSingle},         {"bsSizeable", bsSizeable},
      {"bsDialog", bsDialog},       {"bsToolWindow", bsToolWindow}, {"bsSizeToolWin", bsSizeToolWin}};
  for (const auto& [name, style] : names)
    if (text.compare(QLatin1String(name), Qt::CaseInsensitive) == 0) return style;
  return fallback;
}

}  // namespace

int MaskFrameWidth(const TsMaskData* mask) {
  if (!mask || mask->ImageCount <= 0) return kMissingButtonSize;
  if (mask->Bmp) return mask->Bmp->Width() / mask->ImageCount;
  return MaskImageWidth(*mask);
}

void ReadSkinTitleValues(const TsSkinData& s, TacTitleMetrics& m) {
  m.TitleHeight = s.TitleHeight;
  m.MaxHeight = s.MaxHeight ? s.MaxHeight : s.TitleHeight;
  m.CenterOffset = s.CenterOffset;
  m.BorderMode = s.BorderMode;
  m.BISpace = s.BISpace;
  m.BIVAlign = s.BIVAlign;
  m.BIRight = s.BIRight;
  m.BILeft = s.BILeft;
}

int MaskRowHeight(const TsMaskData* mask) {
  if (!mask || mask->ImageCount <= 0) return kMissingButtonSize;
  if (mask->Bmp) return mask->Bmp->Height() / 2;
  return mask->R.Height() / (mask->MaskType + 1);
}

namespace {

constexpr int HitCodes[kSystemButtonCount] = {HTMINBUTTON, HTMAXBUTTON, HTCLOSE, HTHELP, 103, 102, 101};

}  // namespace

// ------------------------------------------------------------ life

TsSkinProvider::TsSkinProvider(QWidget* owner) : QObject(owner), form_(owner) {
  if (!owner || (!owner->isWindow() && !MdiSubWindowOf(owner)) || GetClassName(owner) == QLatin1String("TFrame")) {
    form_ = nullptr;
    throw ESkinLibraryError(kFormsOnlyMessage);
  }
  for (int i = 0; i < kSystemButtonCount; ++i) buttons_[size_t(i)].HitCode = HitCodes[i];
  skinData_ = std::make_unique<TsCommonData>(this);
  skinData_->ControlKind = kProviderControlKind;
  skinData_->SetSkinSection(QStringLiteral("FORM"));
  // The newest provider wins.
  for (TsSkinProvider* other : owner->findChildren<TsSkinProvider*>(Qt::FindDirectChildrenOnly))
    if (other != this && other->form_) delete other;
  workBitmap_ = std::make_unique<Bitmap>(0, 0, pf24bit);
  hook_ = InstallWindowProc(
      owner, [this](Message& m, const CallPrevious& previous) { Hook(m, previous); }, WindowProcLevel::Control);
  InstallExtBorderHook();
  AddSkinnedForm(owner);
  owner->installEventFilter(this);
  formActive_ = true;
  if (Skinned()) ApplySkin();
}

TsSkinProvider::~TsSkinProvider() {
  // An MDI child's menu shows in its main form's band (asked before the
  // child's frame goes, which takes the menu out of its line).
  const bool menuInMainBand = form_ && GetMenu(form_) && IsMdiChild();
  // A running border drag ends (outline, capture and the drag state), and
  // the title button's hint goes: both are the provider's, not the form's.
  if (outline_) EndMoveOutline(false);
  delete hint_.data();
  borderForm_.reset();
  RemoveWindowProc(extHook_);
  RemoveWindowProc(hook_);
  systemMenu_.reset();
  if (form_) {
    RemoveSkinnedForm(form_);
    if (framed_ && !IsDestroying(form_)) SetNonClientFrame(form_, false);
    if (screenSnap_ && !IsDestroying(form_)) SetManualMoveSize(form_, false);
    GiveBackOwnColor();
  }
  // The main form is painted anew without this provider.
  if (TsSkinProvider* main = MdiMainProvider; main && main != this && menuInMainBand) {
    if (QWidget* mainForm = main->Form(); mainForm && !IsDestroying(mainForm)) {
      if (main->skinData_) main->skinData_->BackgroundDirty = true;
      main->titleBitmapValid_ = false;
      SendMessage(mainForm, WM_NCPAINT, 0, 0);
    }
  }
  if (MdiMainProvider == this) MdiMainProvider = nullptr;
  if (LastProvider == this) LastProvider = nullptr;
}

void TsSkinProvider::Notification(QObject* component, bool inserted) {
  if (!component || !skinData_) return;
  auto* manager = qobject_cast<TsSkinManager*>(component);
  if (!manager) return;
  if (inserted && !skinData_->SkinManager()) skinData_->SetSkinManager(manager);
  else if (!inserted && skinData_->OwnManager() == manager) skinData_->SetSkinManager(nullptr);
}

bool TsSkinProvider::eventFilter(QObject* watched, QEvent* event) {
  if (watched != form_) return false;
  QObject* child = event->type() == QEvent::ChildAdded || event->type() == QEvent::ChildRemoved
                       ? static_cast<QChildEvent*>(event)->child()
                       : nullptr;
  if (!child) return false;
  if (event->type() == QEvent::ChildRemoved) {
    Notification(child, false);
  } else {
    // A child is announced before it is made: it is looked at once made.
    QTimer::singleShot(0, this, [this, added = QPointer<QObject>(child)] {
      if (added) Notification(added, true);
    });
  }
  return false;
}

TsSkinManager* TsSkinProvider::Manager() const { return skinData_ ? skinData_->SkinManager() : nullptr; }

bool TsSkinProvider::Skinned() const { return form_ && skinData_ && skinData_->Skinned(/*checkActive=*/true); }

void TsSkinProvider::AttachFrame() {
  if (!form_ || framed_ || !drawNonClientArea_ || !Skinned()) return;
  framed_ = SetNonClientFrame(form_, true);
}

// ------------------------------------------------------------ the hook

void TsSkinProvider::Hook(Message& m, const CallPrevious& previous) { NewWndProc(m, previous); }

void TsSkinProvider::WindowPosChanging(Message& m) {
  auto* pos = ParamPtr<WINDOWPOS>(std::uintptr_t(m.LParam));
  if (!pos || !form_ || !screenSnap_ || IsZoomed(form_) || (pos->flags & SWP_NOMOVE)) return;
  const int w = pos->flags & SWP_NOSIZE ? form_->width() : pos->cx;
  const int h = pos->flags & SWP_NOSIZE ? form_->height() : pos->cy;
  SnapToWorkArea(pos->x, pos->y, w, h, MonitorWorkArea(), snapBuffer_, BorderWidthDelta(), TitleHeightDelta());
}

// ------------------------------------------------------------ setters

void TsSkinProvider::RepaintFrame() {
  if (!form_ || !skinData_) return;
  skinData_->BackgroundDirty = true;
  if (form_->isVisible()) RedrawNonClient(form_);
}

void TsSkinProvider::SetAllowExtBorders(bool value) {
  allowExtBorders_ = value;
  if (form_ && form_->isVisible()) UpdateExtBorder(value);
  RepaintFrame();
}

void TsSkinProvider::SetCaptionAlignment(int value) {
  captionAlignment_ = value;
  RepaintFrame();
}

void TsSkinProvider::SetShowAppIcon(bool value) {
  showAppIcon_ = value;
  RepaintFrame();
}

void TsSkinProvider::SetTitleSkin(const QString& value) {
  titleSkin_ = value;
  titleIndex_ = -1;
  RepaintFrame();
}

void TsSkinProvider::SetUseGlobalColor(bool value) {
  useGlobalColor_ = value;
  TsSkinManager* manager = Manager();
  if (!form_ || !Skinned() || !value || skinData_->CustomColor()) return;
  if (!ownColorKept_) {
    ownColorKept_ = true;
    ownColorSet_ = form_->palette().isBrushSet(QPalette::Active, form_->backgroundRole());
    ownColor_ = GetControlColor(form_);
  }
  SetControlColor(form_, manager ? manager->GlobalSectionColor() : clBtnFace);
}

void TsSkinProvider::SetDrawNonClientArea(bool value) {
  if (drawNonClientArea_ == value) return;
  drawNonClientArea_ = value;
  if (!form_) return;
  // The form's menus are hooked anew: the main menu is drawn by the skin
  // only while the provider draws the frame.
  const auto hookMenus = [this](bool install) {
    if (HookFormMenusSeam()) HookFormMenusSeam()(*this, install);
  };
  if (value) {
    SetSysMenuStyle(true);
    hookMenus(true);
    AttachFrame();
    if (form_ && form_->isVisible()) UpdateExtBorder(true);
    BuildRegionRects();
    UpdateFormRegion(true);
    RepaintFrame();
    if (form_) RedrawWindow(form_, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN);
  } else {
    UpdateExtBorder(false);
    hookMenus(false);
    regionRects_.clear();
    SetSysMenuStyle(false);
    SetWindowRgn(form_, std::nullopt, true);
    if (framed_) SetNonClientFrame(form_, false);
    framed_ = false;
    // The client and the controls over it lose the frame's parts.
    if (skinData_) skinData_->BackgroundDirty = true;
    if (form_->isVisible()) RedrawWindow(form_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  }
}

void TsSkinProvider::SetScreenSnap(bool value) {
  screenSnap_ = value;
  if (form_) SetManualMoveSize(form_, value);
}

// ------------------------------------------------------------ metrics

TacFormInfo TsSkinProvider::ReadFormInfo() const {
  TacFormInfo f;
  if (!form_) return f;
  const auto style = std::uint32_t(GetWindowLong(form_, GWL_STYLE));
  const auto exStyle = std::uint32_t(GetWindowLong(form_, GWL_EXSTYLE));
  const bool thick = style & WS_THICKFRAME;
  TFormBorderStyle derived = bsNone;
  if ((style & WS_CAPTION) == WS_CAPTION || thick) {
    if (exStyle & WS_EX_TOOLWINDOW) derived = thick ? bsSizeToolWin : bsToolWindow;
    else if (exStyle & WS_EX_DLGMODALFRAME) derived = bsDialog;
    else derived = thick ? bsSizeable : bsSingle;
  }
  const QVariant styleProperty = form_->property("BorderStyle");
  f.BorderStyle = styleProperty.isValid() ? BorderStyleFromText(styleProperty.toString(), derived) : derived;
  const QVariant icons = form_->property("BorderIcons");
  if (icons.isValid()) {
    f.BorderIcons = 0;
    const QStringList names = icons.toStringList();
    if (names.contains(QStringLiteral("biSystemMenu"))) f.BorderIcons |= biSystemMenu;
    if (names.contains(QStringLiteral("biMinimize"))) f.BorderIcons |= biMinimize;
    if (names.contains(QStringLiteral("biMaximize"))) f.BorderIcons |= biMaximize;
    if (names.contains(QStringLiteral("biHelp"))) f.BorderIcons |= biHelp;
  } else {
    f.BorderIcons = (style & WS_SYSMENU ? biSystemMenu : 0u) | (style & WS_MINIMIZEBOX ? biMinimize : 0u) |
                    (style & WS_MAXIMIZEBOX ? biMaximize : 0u) | (exStyle & WS_EX_CONTEXTHELP ? biHelp : 0u);
  }
  f.Iconic = IsIconic(form_);
  f.Zoomed = IsZoomed(form_);
  f.MdiChild = exStyle & WS_EX_MDICHILD;
  if (const QMdiSubWindow* sub = MdiSubWindowOf(form_)) {
    // An MDI child's state and buttons are its sub-window's.
    const Qt::WindowFlags flags = MdiChildFlags(sub);
    f.MdiChild = true;
    f.Iconic = sub->isMinimized();
    f.Zoomed = sub->isMaximized();
    f.BorderIcons = (flags & Qt::WindowSystemMenuHint ? biSystemMenu : 0u) |
                    (flags & Qt::WindowMinimizeButtonHint ? biMinimize : 0u) |
                    (flags & Qt::WindowMaximizeButtonHint ? biMaximize : 0u);
  }
  f.Active = formActive_;
  f.ThickFrame = thick;
  // An iconic form's window is its iconic rectangle.
  const QSize size = WindowSize();
  f.Width = size.width();
  f.Height = size.height();
  return f;
}

TacSysMenuState TsSkinProvider::MenuState() const {
  if (!systemMenu_) return SysMenuState(ReadFormInfo(), hadSysMenu_);
  const TsCustomSysMenu& m = *systemMenu_;
  return {m.VisibleClose(), m.VisibleMax(), m.VisibleMin(), m.EnabledMax(), m.EnabledMin(), m.EnabledRestore()};
}

void TsSkinProvider::SetSystemMenu(std::unique_ptr<TsCustomSysMenu> menu) { systemMenu_ = std::move(menu); }

int TsSkinProvider::SystemBorderWidth() const {
  if (!form_) return 0;
  const auto style = std::uint32_t(GetWindowLong(form_, GWL_STYLE));
  if (style & WS_THICKFRAME) return GetSystemMetrics(SM_CXFRAME);
  if (style & WS_BORDER) return GetSystemMetrics(SM_CXDLGFRAME);
  return 0;
}

int TsSkinProvider::CaptionHeight(bool useSkin) const {
  const TacFormInfo f = ReadFormInfo();
  if (!HasOwnCaption(f) && !f.Iconic) return 0;
  const int system = GetSystemMetrics(IsToolWindowStyle(f.BorderStyle) ? SM_CYSMCAPTION : SM_CYCAPTION);
  // The skin's height counts only with an extended-border window.
  if (useSkin && HasBorderWindow())
    if (TsSkinManager* manager = Manager(); manager && manager->SkinData)
      return std::max<int>(manager->SkinData->TitleHeight, system + 4);
  return system;
}

bool TsSkinProvider::GripVisible() const {
  if (!form_ || gripMode_ != TsGripMode::gmRightBottom || IsZoomed(form_)) return false;
  return GetWindowLong(form_, GWL_STYLE) & WS_THICKFRAME;
}

int TsSkinProvider::VisibleButtonCount() const { return Layout().VisibleButtonCount; }

TRect TsSkinProvider::MonitorWorkArea() const {
  QScreen* screen = form_ ? form_->screen() : QGuiApplication::primaryScreen();
  if (!screen) return {};
  const QRect a = screen->availableGeometry();
  return {a.left(), a.top(), a.left() + a.width(), a.top() + a.height()};
}

bool TsSkinProvider::IconVisible() const {
  if (!form_ || !showAppIcon_) return false;
  const TacFormInfo f = ReadFormInfo();
  return UsesLargeImages(f.BorderStyle) && (f.BorderIcons & biSystemMenu);
}

const TsMaskData* TsSkinProvider::Mask(int index) const {
  TsSkinManager* manager = Manager();
  return manager && manager->IsValidMaskIndex(index) ? &manager->MaskData[size_t(index)] : nullptr;
}

int TsSkinProvider::TitleButtonWidth(const TsTitleButton& button) const {
  const TsMaskData* mask = Mask(titleButtonMask_);
  const int frame = mask ? MaskFrameWidth(mask) : kMissingButtonSize;
  return std::max(button.Glyph.Width() + 2, frame);
}

QString TsSkinProvider::TitleSectionName() const {
  return titleSkin_.isEmpty() ? QStringLiteral("FORMTITLE") : titleSkin_;
}

int TsSkinProvider::TitleSectionIndex() {
  TsSkinManager* manager = Manager();
  if (!manager) return -1;
  if (titleIndex_ < 0) titleIndex_ = manager->IndexOfSection(TitleSectionName());
  return titleIndex_;
}

int TsSkinProvider::ButtonImageIndex(TacTitleButton kind, const TacFormInfo& form) {
  TsSkinManager* manager = Manager();
  if (!manager) return -1;
  const auto restore = [&] {
    const int i = manager->IndexOfMask(kGlobalInfo, QStringLiteral("BICONNORM"));
    return i >= 0 ? i : manager->IndexOfMask(skinData_->SkinSection(), QStringLiteral("BICONNORM"));
  };
  switch (kind) {
    case TacTitleButton::Maximize:
      return form.Zoomed ? restore() : manager->IndexOfMask(kGlobalInfo, QStringLiteral("BICONMAX"));
    case TacTitleButton::Minimize:
      return form.Iconic ? restore() : buttons_[0].ImageIndex;
    default:
      return buttons_[size_t(kind)].ImageIndex;
  }
}

TacTitleMetrics TsSkinProvider::ReadTitleMetrics() const {
  TacTitleMetrics m;
  const TacFormInfo f = ReadFormInfo();
  m.CaptionHeight = CaptionHeight(true);
  m.SystemBorder = SystemBorderWidth();
  m.BorderWidth = m.SystemBorder;
  if (HasBorderWindow())
    if (TsSkinManager* manager = Manager(); manager && manager->SkinData) {
      m.ExtBorder = true;
      m.ExtMargins = manager->ExtBorderMargins;
      if (manager->SkinData->BorderWidth > 0) m.BorderWidth = manager->SkinData->BorderWidth;
    }
  m.LargeStyle = UsesLargeImages(f.BorderStyle);
  m.LargeImages = buttons_[2].Large;
  TsSkinManager* manager = Manager();
  if (manager && manager->SkinData) ReadSkinTitleValues(*manager->SkinData, m);
  auto* self = const_cast<TsSkinProvider*>(this);
  const TsMaskData* min = Mask(self->ButtonImageIndex(TacTitleButton::Minimize, f));
  const TsMaskData* max = Mask(self->ButtonImageIndex(TacTitleButton::Maximize, f));
  const TsMaskData* close = Mask(buttons_[2].ImageIndex);
  const TsMaskData* help = Mask(buttons_[3].ImageIndex);
  const auto usable = [](const TsMaskData* mask) { return mask && mask->ImageCount > 0; };
  m.MinWidth = MaskFrameWidth(min);
  m.MaxWidth = MaskFrameWidth(max);
  m.CloseWidth = MaskFrameWidth(close);
  m.HelpWidth = MaskFrameWidth(help);
  m.ButtonHeight = MaskRowHeight(close);
  m.HasMin = usable(min);
  m.HasMax = usable(max);
  m.HasClose = usable(close);
  m.HasHelp = usable(help);
  m.IconVisible = IconVisible();
  if (m.IconVisible) {
    const int size = IconSizeForCaption(m.CaptionHeight);
    m.IconWidth = titleIcon_.Width ? titleIcon_.Width : size;
    m.IconHeight = titleIcon_.Height ? titleIcon_.Height : size;
  } else {
    m.IconWidth = m.IconHeight = 0;
  }
  if (manager && skinData_) {
    const int strip = manager->FindMaskIndex(skinData_->SectionIndex, skinData_->SkinSection(), QStringLiteral("TITLEBAR"));
    if (const TsMaskData* mask = Mask(strip); mask && mask->ImageCount > 0) m.StripFrameWidth = MaskFrameWidth(mask);
    m.HasCaptionSection = captionIndex_ >= 0 || manager->IndexOfSection(QStringLiteral("CAPTION")) >= 0;
  }
  return m;
}

TacTitleLayout TsSkinProvider::Layout() const {
  std::vector<TacUserButtonInfo> users;
  users.reserve(titleButtons_.size());
  const TsMaskData* frame = Mask(titleButtonMask_);
  for (const TsTitleButton& b : titleButtons_)
    users.push_back({b.Visible, TitleButtonWidth(b), frame && frame->ImageCount > 0 ? MaskRowHeight(frame) : kMissingButtonSize});
  return LayoutTitle(ReadFormInfo(), MenuState(), ReadTitleMetrics(), users);
}

TacCaptionButton* TsSkinProvider::ButtonRecord(int hitCode) {
  for (TacCaptionButton& b : buttons_)
    if (b.HitCode == hitCode) return &b;
  return nullptr;
}

// ------------------------------------------------------------ region and hit test

void TsSkinProvider::UpdateFormRegion(bool repaint) {
  if (!form_ || !drawNonClientArea_ || inAnimation_) return;
  const TacFormInfo f = ReadFormInfo();
  if (!HasOwnCaption(f) && !f.Iconic) return;
  if (SendMessage(form_, kRegionQueryMsg, kRegionQueryParam, 0) == LRESULT(kRegionQueryParam)) return;
  if (f.MdiChild && form_->parentWidget()) {
    SetWindowRgn(form_, std::nullopt, repaint);
    return;
  }
  inRegionUpdate_ = true;
  QRegion region;
  if (HasBorderWindow()) {
    // The border window shows the frame: the form keeps its menu line and
    // client area.
    const int s = SystemBorderWidth();
    const int top = s + (f.Zoomed ? CaptionHeight(true) - 4 : CaptionHeight(false));
    region = QRegion(s, top, std::max(0, f.Width - 2 * s), std::max(0, f.Height - s - top));
  } else if (f.Zoomed && !f.MdiChild && form_->maximumSize() == QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX)) {
    const int s = SystemBorderWidth();
    region = QRegion(s, s, std::max(0, f.Width - 2 * s), std::max(0, f.Height - 2 * s));
  } else {
    region = QRegion(0, 0, f.Width, f.Height);
    for (const TRect& r : regionRects_) region -= QRegion(r.Left, r.Top, r.Width(), r.Height());
  }
  regionChanged_ = true;
  SetWindowRgn(form_, region, repaint);
  inRegionUpdate_ = false;
}

void TsSkinProvider::BuildRegionRects() {
  regionRects_.clear();
  TsSkinManager* manager = Manager();
  if (!manager || !form_) return;
  const int width = form_->width(), height = form_->height();
  if (manager->IsValidMaskIndex(skinData_->BorderMaskIndex)) {
    const TsMaskData& mask = manager->MaskData[size_t(skinData_->BorderMaskIndex)];
    AddTransparentCornerRects(regionRects_, width, mask, /*bottom=*/false, 0);
    AddTransparentCornerRects(regionRects_, width, mask, /*bottom=*/true, height - mask.WB);
  }
  const int title = TitleSectionIndex();
  if (manager->IsValidSectionIndex(title)) {
    const int border = manager->GeneralData[size_t(title)].BorderIndex;
    if (manager->IsValidMaskIndex(border))
      AddTransparentCornerRects(regionRects_, width, manager->MaskData[size_t(border)], false, 0);
  }
}

int TsSkinProvider::NonClientHitTest(TPoint screenPoint) {
  if (!form_) return HTNOWHERE;
  const TacFormInfo f = ReadFormInfo();
  if (!HasOwnCaption(f)) {
    // As the system answers: the form's own handling (never this again).
    if (inHitTest_) return HTCLIENT;
    inHitTest_ = true;
    const LRESULT code = SendMessage(form_, WM_NCHITTEST, 0, MAKELPARAM(screenPoint.X, screenPoint.Y));
    inHitTest_ = false;
    return int(code);
  }
  const QPoint local = WindowPoint(QPoint(screenPoint.X, screenPoint.Y));
  TacHitInfo info;
  const QRect client = form_->contentsRect();
  info.ClientRect = {client.left(), client.top(), client.left() + client.width(), client.top() + client.height()};
  info.GripShown = GripVisible();
  if (TsSkinManager* manager = Manager(); manager && info.GripShown) {
    if (const TsMaskData* grip = Mask(manager->IndexOfMask(kGlobalInfo, QStringLiteral("GRIPIMAGE")));
        grip && grip->ImageCount > 0) {
      info.GripWidth = MaskFrameWidth(grip);
      info.GripHeight = MaskRowHeight(grip);
    }
  }
  for (const TsTitleButton& b : titleButtons_) info.UserEnabled.push_back(b.Enabled);
  const int code = TitleHitTest(f, MenuState(), ReadTitleMetrics(), Layout(), info, {local.x(), local.y()});
  SetHotButton(code, true);
  return code;
}

// ------------------------------------------------------------ painting

void TsSkinProvider::InitSysButtons() {
  TsSkinManager* manager = Manager();
  buttons_[0].HitCode = HTMINBUTTON;
  buttons_[1].HitCode = HTMAXBUTTON;
  buttons_[2].HitCode = HTCLOSE;
  if (!manager || !manager->IsValidSectionIndex(manager->IndexOfSection(kGlobalInfo))) return;
  const auto mask = [&](const char* name) { return manager->IndexOfMask(kGlobalInfo, QLatin1String(name)); };
  const auto large = [&] {
    buttons_[0] = {0, mask("BICONMIN"), {}, true, HTMINBUTTON};
    buttons_[1] = {0, mask("BICONMAX"), {}, true, HTMAXBUTTON};
    buttons_[2] = {0, mask("BICONCLOSE"), {}, true, HTCLOSE};
    buttons_[3] = {0, mask("BICONHELP"), {}, true, HTHELP};
  };
  const TacFormInfo f = ReadFormInfo();
  bool fellBack = false;
  if (UsesLargeImages(f.BorderStyle)) {
    large();
  } else {
    buttons_[2] = {0, mask("SICONCLOSE"), {}, false, HTCLOSE};
    buttons_[0] = {0, mask("SICONMIN"), {}, false, HTMINBUTTON};
    buttons_[1] = {0, mask("SICONMAX"), {}, false, HTMAXBUTTON};
    const int help = mask("SICONHELP");
    buttons_[3] = {0, help >= 0 ? help : mask("BICONHELP"), {}, false, HTHELP};
    if (buttons_[2].ImageIndex < 0) {
      large();
      fellBack = true;
    }
  }
  if (form_ && form_->property("FormStyle").toString() == QLatin1String("fsMDIForm")) {
    const int smallMin = mask("SICONMIN");
    if (smallMin >= 0 && !fellBack) {
      buttons_[4] = {0, smallMin, {}, false, 103};
      buttons_[5] = {0, mask("SICONMAX"), {}, false, 102};
      buttons_[6] = {0, mask("SICONCLOSE"), {}, false, 101};
    } else {
      buttons_[4] = {0, buttons_[0].ImageIndex, {}, true, 103};
      buttons_[5] = {0, buttons_[1].ImageIndex, {}, true, 102};
      buttons_[6] = {0, buttons_[2].ImageIndex, {}, true, 101};
    }
  }
  titleButtonMask_ = mask("TITLEBUTTON");
}

void TsSkinProvider::ApplySkin() {
  TsSkinManager* manager = Manager();
  if (!manager || !form_) return;
  skinData_->RefreshSkinIndexes();
  // The caption buttons stand for the system caption's: whether the form
  // had a system menu is kept when the skin takes that caption away.
  hadSysMenu_ = GetWindowLong(form_, GWL_STYLE) & WS_SYSMENU;
  if (const QMdiSubWindow* sub = MdiSubWindowOf(form_)) hadSysMenu_ = bool(MdiChildFlags(sub) & Qt::WindowSystemMenuHint);
  titleIndex_ = -1;
  captionIndex_ = manager->IndexOfSection(QStringLiteral("CAPTION"));
  TitleSectionIndex();
  InitSysButtons();
  if (!systemMenu_) {
    auto menu = std::make_unique<TsSystemMenu>(this);
    menu->UpdateItems(false);
    if (makeSkinMenu_) menu->MakeSkinMenu();
    systemMenu_ = std::move(menu);
  }
  for (TsTitleButton& b : titleButtons_) b.ImageIndex = b.UseSkinData ? titleButtonMask_ : -1;
  skinData_->BackgroundDirty = true;
  SetUseGlobalColor(useGlobalColor_);
  if (IsMdiChild()) formActive_ = IsActiveMdiChild();
  firstApply_ = false;
  if (drawNonClientArea_) {
    InstallMenuLineLayout(true);
    if (form_->isVisible()) AttachFrame();
    else AtFirstShow(form_, [self = QPointer<TsSkinProvider>(this)] {
           if (self) self->AttachFrame();
         });
  }
  BuildRegionRects();
  SetMDIAdapter(true);
  RefreshMainMenuOnce();
}

void TsSkinProvider::Loaded() {
  if (!Skinned()) return;
  if (form_) SetDwmTransitions(form_, true);
  ApplySkin();
  if (auto* menu = dynamic_cast<TsSystemMenu*>(systemMenu_.get())) menu->UpdateItems(false);
}

void TsSkinProvider::PaintAll() {
  TsSkinManager* manager = Manager();
  if (!form_ || !manager || !Skinned()) return;
  TsCommonData& data = *skinData_;
  const TacFormInfo f = ReadFormInfo();
  const TacTitleMetrics m = ReadTitleMetrics();
  const TacTitleLayout l = Layout();
  ++cacheStamp_;
  const bool first = !data.CacheBitmap;
  if (first) data.CacheBitmap = std::make_unique<Bitmap>(0, 0, pf24bit);
  Bitmap& bmp = *data.CacheBitmap;
  // Every pixel is painted anew: a new size takes a fresh bitmap rather
  // than a copy of the old picture.
  const TPixelFormat format = HasBorderWindow() ? pf32bit : pf24bit;
  const int width = std::max(1, SkinnedFormWidth(f, m)), height = std::max(1, SkinnedFormHeight());
  if (bmp.Width() != width || bmp.Height() != height || bmp.PixelFormat() != format) bmp = Bitmap(width, height, format);
  if (first) {
    data.CheckContainerBg(false);
    Message children{SkinCommandMsg, MAKEWPARAM(0, acContainerBg), 1, 0};
    adapters::SendSkinCommandToChildren(form_, children);
  }
  paintedClient_ = form_->contentsRect();
  paintedActive_ = formActive_;
  // The window's own area (within the extended margins).
  const TRect whole{m.ExtMargins.Left, m.ExtMargins.Top, bmp.Width() - m.ExtMargins.Right,
                    bmp.Height() - m.ExtMargins.Bottom};

  // The form's background; with the system's frame the cache is the
  // client alone, which shows no border and no title of the skin's.
  if (manager->IsValidSectionIndex(data.SectionIndex)) {
    if (data.ContainerFlags & 1) {
      Canvas& c = bmp.GetCanvas();
      c.Brush = {ColorToRGB(GetControlColor(form_)), bsSolid};
      const QRect client = form_->contentsRect().translated(CacheShiftX(), CacheShiftY());
      TRect clientRect{client.left(), client.top(), client.left() + client.width(), client.top() + client.height()};
      // The whole window: the border mask may be narrower than the band
      // between it and the client.
      c.FillRect(whole);
      if (drawNonClientArea_) PaintSkinBorders(c, whole, 0, clientRect, 0, data);
    } else if (!drawNonClientArea_ || !HasOwnCaption(f) || TitleOverBorder()) {
      PaintSectionBackground(data.SectionIndex, data.SkinSection(), EmptyCacheInfo, clFuchsia, -1, -1, manager, bmp,
                             {whole.Left, whole.Top}, whole, 0);
    } else {
      PaintSectionItem(data.SectionIndex, data.SkinSection(), EmptyCacheInfo, -1, -1, manager, bmp,
                       {whole.Left, whole.Top}, whole, 0, /*useParentBg=*/true);
    }
  }
  PaintMdiArea();
  gripRect_ = {};
  if (GripVisible()) PaintGrip();

  // The title band, its icon and the strip behind the buttons (BORDERMODE
  // 1: over the extended border's picture, below).
  const bool titleHere = HasOwnCaption(f) && drawNonClientArea_ && !TitleOverBorder();
  if (titleHere) PaintTitleBand(l);
  // The title without its caption and buttons, for a caption-only repaint.
  titleBitmapValid_ = false;
  if (titleHere) SaveTitleBitmap();
  if (drawNonClientArea_) PaintMenuLine();
  paintedMenuLine_ = MenuLineState();
  menuLineChanged_ = false;
  if (titleHere) PaintCaptionText(l);
  if (HasBorderWindow()) PaintExtendedBorder(l);
  // The buttons over the finished title.
  if (HasOwnCaption(f) && drawNonClientArea_) {
    SaveButtonStrip();
    PaintTitleButtons(l);
  } else {
    buttonStripValid_ = false;
  }
  if (OnPaint && data.ParentDependent()) {
    Canvas& c = bmp.GetCanvas();
    const QRect client = form_->contentsRect().translated(CacheShiftX(), CacheShiftY());
    const TPoint origin = c.SetWindowOrg(-client.left(), -client.top());
    OnPaint(c);
    c.SetWindowOrg(origin.X, origin.Y);
  }
  data.BackgroundDirty = false;
  data.SetUpdating(false);
}

void TsSkinProvider::PaintTitleBand(const TacTitleLayout& l) {
  TsSkinManager* manager = Manager();
  Bitmap* bmp = skinData_->CacheBitmap.get();
  if (!manager || !bmp) return;
  const TacTitleMetrics m = ReadTitleMetrics();
  const int titleState = formActive_ ? 1 : 0;
  TsBgSource self;
  MakeCacheInfo(bmp, 0, 0, self);
  const int t = TitleBottom(m);
  TRect band{m.ExtMargins.Left, m.ExtMargins.Top, bmp->Width() - m.ExtMargins.Right, t};
  if (ReadFormInfo().Iconic) band.Bottom = t + 1 - m.ExtMargins.Bottom;
  PaintSectionItem(TitleSectionIndex(), TitleSectionName(), self, -1, -1, manager, *bmp, {band.Left, band.Top}, band,
                   titleState, /*useParentBg=*/true);
  PaintTitleIcon(l);
  if (l.VisibleButtonCount > 0 && l.StripRect.Right > l.StripRect.Left) {
    const int strip =
        manager->FindMaskIndex(skinData_->SectionIndex, skinData_->SkinSection(), QStringLiteral("TITLEBAR"));
    if (const TsMaskData* mask = Mask(strip)) PaintMaskRect(*bmp, l.StripRect, true, self, *mask, titleState, false);
  }
}

bool TsSkinProvider::TitleOverBorder() const {
  const TsSkinManager* manager = Manager();
  return HasBorderWindow() && manager && manager->SkinData && manager->SkinData->BorderMode == 1;
}

void TsSkinProvider::PaintTitleButtons(const TacTitleLayout& layout) {
  TsSkinManager* manager = Manager();
  if (!manager || !skinData_->CacheBitmap) return;
  Bitmap& bmp = *skinData_->CacheBitmap;
  TsBgSource self;
  MakeCacheInfo(&bmp, 0, 0, self);
  const TacFormInfo f = ReadFormInfo();
  const auto paint = [&](int imageIndex, const TacButtonPlace& place, int state) {
    const TsMaskData* mask = Mask(imageIndex);
    if (!mask || mask->ImageCount <= 0) return;
    const bool dimmed = (!formActive_ || !place.Enabled) && state == 0;
    PaintMaskGlyph(bmp, {place.Rect.Left, place.Rect.Top}, state, dimmed ? 0 : 1, *mask, self);
  };
  const TacTitleButton kinds[4] = {TacTitleButton::Minimize, TacTitleButton::Maximize, TacTitleButton::Close,
                                   TacTitleButton::Help};
  for (size_t i = 0; i < 4; ++i) {
    TacCaptionButton& rec = buttons_[i];
    const TacButtonPlace& place = layout.System[i];
    rec.Rect = place.Shown ? place.Rect : TRect{};
    if (place.Shown) paint(ButtonImageIndex(kinds[i], f), place, rec.State);
  }
  for (size_t i = 0; i < titleButtons_.size() && i < layout.User.size(); ++i) {
    TsTitleButton& b = titleButtons_[i];
    const TacButtonPlace& place = layout.User[i];
    b.Rect = place.Shown ? place.Rect : TRect{};
    if (!place.Shown) continue;
    paint(b.ImageIndex, place, b.State);
    if (b.Glyph.Empty()) continue;
    const int x = place.Rect.Left + (place.Rect.Width() - b.Glyph.Width()) / 2;
    const int y = place.Rect.Top + (place.Rect.Height() - b.Glyph.Height()) / 2;
    if (b.Glyph.PixelFormat() == pf32bit) {
      QPainter* p = bmp.GetCanvas().Painter();
      p->drawImage(QPoint(x, y), b.Glyph.ConstImage());
    } else {
      CopyTransparentBitmap(bmp, b.Glyph, b.Glyph.GetPixel(0, b.Glyph.Height() - 1), x, y);
    }
  }
}

void TsSkinProvider::PaintTitleIcon(const TacTitleLayout& layout) {
  if (!IconVisible() || !skinData_->CacheBitmap) return;
  Bitmap& bmp = *skinData_->CacheBitmap;
  const TRect& r = layout.IconRect;
  if (r.Width() <= 0 || r.Height() <= 0) return;
  const QRect target(r.Left, r.Top, r.Width(), r.Height());
  if (!titleIcon_.Glyph.Empty()) {
    if (titleIcon_.Glyph.PixelFormat() == pf32bit) {
      bmp.GetCanvas().Painter()->drawImage(QPoint(r.Left, r.Top), titleIcon_.Glyph.ConstImage());
    } else {
      Bitmap scaled(r.Width(), r.Height(), pf24bit);
      scaled.GetCanvas().StretchDraw({0, 0, r.Width(), r.Height()}, titleIcon_.Glyph);
      scaled.GetCanvas().EndPainting();
      CopyTransparentBitmap(bmp, scaled, clFuchsia, r.Left, r.Top);
    }
    return;
  }
  QIcon icon = form_->windowIcon();
  if (icon.isNull()) icon = QApplication::windowIcon();
  if (icon.isNull()) icon = QApplication::style()->standardIcon(QStyle::SP_TitleBarMenuButton);
  bmp.GetCanvas().Painter()->drawPixmap(target, icon.pixmap(target.size()));
}

void TsSkinProvider::PaintCaptionText(const TacTitleLayout& layout) {
  TsSkinManager* manager = Manager();
  if (!manager || !skinData_->CacheBitmap || !drawNonClientArea_) return;
  TRect r = layout.CaptionRect;
  if (r.Right <= r.Left || r.Bottom <= r.Top) return;
  Bitmap& bmp = *skinData_->CacheBitmap;
  Canvas& c = bmp.GetCanvas();
  if (const auto font = CreateCaptionFont()) c.Font = *font;
  const QString text = GetWindowText(form_);
  const unsigned flags = CaptionDrawFlags(form_, TAlignment(captionAlignment_)) | DT_END_ELLIPSIS | DT_NOPREFIX |
                         DT_SINGLELINE | DT_VCENTER;
  const int th = c.TextHeight(text.isEmpty() ? QStringLiteral("W") : text);
  r.Top += (r.Height() - th) / 2;
  r.Bottom = r.Top + th;
  const int titleSection = TitleSectionIndex();
  const bool hot = formActive_;
  if (!text.isEmpty()) {
    if (captionIndex_ < 0 || !manager->IsValidSectionIndex(captionIndex_)) {
      TRect textRect = r;
      DrawSectionText(c, text, true, textRect, hot, titleSection, flags, manager);
      r.Left += std::min(c.TextWidth(text), r.Width());
    } else {
      TRect textRect = r;
      c.DrawText(text, textRect, flags | DT_CALCRECT);
      textRect.Right = std::min(textRect.Right, r.Right);
      const int w = textRect.Width();
      if (captionAlignment_ == taRightJustify) textRect = {r.Right - w, r.Top, r.Right, r.Bottom};
      else if (captionAlignment_ == taCenter) textRect = {r.Left + (r.Width() - w) / 2, r.Top, r.Left + (r.Width() - w) / 2 + w, r.Bottom};
      else textRect = {r.Left, r.Top, r.Left + w, r.Bottom};
      TsBgSource self;
      MakeCacheInfo(&bmp, 0, 0, self);
      c.EndPainting();
      const TRect plate = InflateRect(textRect, 4, 2);
      PaintSectionItem(captionIndex_, QStringLiteral("CAPTION"), self, -1, -1, manager, bmp, {plate.Left, plate.Top},
                       plate, hot ? 1 : 0, /*useParentBg=*/true);
      Canvas& c2 = bmp.GetCanvas();
      if (const auto font = CreateCaptionFont()) c2.Font = *font;
      DrawSectionText(c2, text, true, textRect, hot, captionIndex_, flags, manager);
      r.Left = textRect.Right;
    }
  }
  if (!addedTitle_.Text.isEmpty()) {
    r.Left += 4;
    if (r.Left + 8 < r.Right) {
      Canvas& c3 = bmp.GetCanvas();
      c3.Font = addedTitle_.Font;
      TColor color = addedTitle_.FontColor;
      if ((color == clNone || color == clWindowText) && manager->IsValidSectionIndex(titleSection)) {
        const TsGeneralData& s = manager->GeneralData[size_t(titleSection)];
        color = hot ? s.HotFontColor[0] : s.FontColor[0];
      }
      c3.Font.Color = color;
      c3.Brush.Style = bsClear;
      c3.DrawText(addedTitle_.Text, r, flags);
    }
  }
}

void TsSkinProvider::PaintGrip() {
  TsSkinManager* manager = Manager();
  if (!manager || !skinData_->CacheBitmap || !form_) return;
  const TsMaskData* grip = Mask(manager->IndexOfMask(kGlobalInfo, QStringLiteral("GRIPIMAGE")));
  if (!grip || grip->ImageCount <= 0) return;
  const int w = MaskFrameWidth(grip), h = MaskRowHeight(grip);
  if (w <= 0 || h <= 0) return;
  const TPoint at = GripPosition(w, h);
  const int x = at.X, y = at.Y, right = x + w, bottom = y + h;
  gripRect_ = {x, y, right, bottom};
  Bitmap& bmp = *skinData_->CacheBitmap;
  // What lies beneath: the form's plain colour with the skinned border's
  // parts inside the client area kept, or the cache itself.
  Bitmap work(w, h, pf24bit);
  TsBgQuery query;
  query.R = {x, y, right, bottom};
  skinData_->FillBgQuery(query, false, form_);
  const auto fromCache = [&](int wx, int wy) {
    const int cx = x + wx, cy = y + wy;
    return cx >= 0 && cy >= 0 && cx < bmp.Width() && cy < bmp.Height() ? bmp.GetPixel(cx, cy) : TColor(0);
  };
  int stripeRight = 0, stripeBottom = 0;
  if (manager->IsValidMaskIndex(skinData_->BorderMaskIndex)) {
    const int s = SystemBorderWidth();
    stripeRight = std::max(0, manager->MaskRightWidth(skinData_->BorderMaskIndex) - s);
    stripeBottom = std::max(0, manager->MaskBottomWidth(skinData_->BorderMaskIndex) - s);
  }
  const bool plain = query.BgKind == TsBgQuery::PlainColor;
  for (int wy = 0; wy < h; ++wy)
    for (int wx = 0; wx < w; ++wx) {
      const bool border = wx >= w - stripeRight || wy >= h - stripeBottom;
      work.SetPixel(wx, wy, plain && !border ? ColorToRGB(query.Color) : fromCache(wx, wy));
    }
  TsBgSource self;
  MakeCacheInfo(&work, 0, 0, self);
  PaintMaskGlyph(work, {0, 0}, 0, 1, *grip, self);
  CopyTransparentRect(bmp, work, clFuchsia, {0, 0, w, h}, {x, y});
}

void TsSkinProvider::SetHotButton(int hitCode, bool repaint) {
  if (!drawNonClientArea_ || hitCode == hotCode_ || (hitCode == 0 && hotCode_ == 0)) return;
  const auto setState = [&](int code, int state) {
    if (code >= kUserButtonHitBase) {
      const size_t i = size_t(code - kUserButtonHitBase);
      if (i < titleButtons_.size()) titleButtons_[i].State = state;
    } else if (TacCaptionButton* b = ButtonRecord(code)) {
      b->State = state;
    }
  };
  const int old = hotCode_;
  setState(old, 0);
  if (old >= kUserButtonHitBase) HideHint();
  hotCode_ = hitCode;
  setState(hitCode, 1);
  if (hitCode >= kUserButtonHitBase && size_t(hitCode - kUserButtonHitBase) < titleButtons_.size() &&
      !titleButtons_[size_t(hitCode - kUserButtonHitBase)].Hint.isEmpty())
    ShowHint(titleButtons_[size_t(hitCode - kUserButtonHitBase)].Hint);
  g_lastChangeWasPress = false;
  if (repaint) {
    if (old) RepaintTitleButton(old);
    if (hitCode) RepaintTitleButton(hitCode);
  }
}

void TsSkinProvider::SetPressedButton(int hitCode) {
  const TacSysMenuState menu = MenuState();
  const bool zoomed = form_ && IsZoomed(form_);
  if (hitCode == HTMAXBUTTON && !(menu.EnabledMax || (zoomed && menu.EnabledRestore))) {
    hotCode_ = 0;
    return;
  }
  if (hitCode == 102 && !menu.EnabledMax) {
    hotCode_ = 0;
    return;
  }
  if (hitCode >= kUserButtonHitBase) {
    const size_t i = size_t(hitCode - kUserButtonHitBase);
    if (i < titleButtons_.size()) titleButtons_[i].State = 2;
  } else if (TacCaptionButton* b = ButtonRecord(hitCode)) {
    b->State = 2;
  }
  hotCode_ = hitCode;
  g_lastChangeWasPress = true;
  RepaintTitleButton(hitCode);
}

bool TsSkinProvider::LastChangeWasPress() { return g_lastChangeWasPress; }

void TsSkinProvider::ShowHint(const QString& text) {
  if (!form_) return;
  if (!hint_) {
    auto* label = new QLabel(form_, Qt::ToolTip | Qt::WindowStaysOnTopHint | Qt::FramelessWindowHint);
    label->setAttribute(Qt::WA_ShowWithoutActivating);
    label->setFocusPolicy(Qt::NoFocus);
    label->setWordWrap(true);
    label->setMargin(2);
    label->setMaximumWidth(kHintMaxWidth);
    label->setAutoFillBackground(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, ToQColor(ColorToRGB(clInfoBk)));
    palette.setColor(QPalette::WindowText, ToQColor(ColorToRGB(clInfoText)));
    label->setPalette(palette);
    label->setFrameShape(QFrame::Box);
    hint_ = label;
  }
  auto* label = static_cast<QLabel*>(hint_.data());
  label->setText(text);
  label->adjustSize();
  const QPoint cursor = QCursor::pos();
  const TRect work = MonitorWorkArea();
  int x = cursor.x() + 8, y = cursor.y() + 16;
  x = std::max(work.Left, std::min(x, work.Right - label->width()));
  y = std::max(work.Top, std::min(y, work.Bottom - label->height()));
  label->move(x, y);
  // With the system's tooltip animation and fade on, a short hint fades in.
  const bool fade = QApplication::isEffectEnabled(Qt::UI_AnimateTooltip) &&
                    QApplication::isEffectEnabled(Qt::UI_FadeTooltip) && text.size() < kHintFadeMaxLength;
  auto* running = label->findChild<QPropertyAnimation*>(QString(), Qt::FindDirectChildrenOnly);
  delete running;
  if (fade && !label->isVisible()) {
    label->setWindowOpacity(0.0);
    auto* animation = new QPropertyAnimation(label, "windowOpacity", label);
    animation->setDuration(kHintFadeMs);
    animation->setStartValue(0.0);
    animation->setEndValue(1.0);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
  } else {
    label->setWindowOpacity(1.0);
  }
  label->show();
}

void TsSkinProvider::HideHint() {
  if (hint_) hint_->hide();
}

TacButtonImage TsSkinProvider::ButtonImage(int hitCode) {
  TacButtonImage b;
  if (hitCode >= kUserButtonHitBase) {
    const size_t i = size_t(hitCode - kUserButtonHitBase);
    if (i >= titleButtons_.size()) return b;
    const TsTitleButton& t = titleButtons_[i];
    return {true, t.Rect, t.UseSkinData ? titleButtonMask_ : -1, t.State, &t.Glyph};
  }
  const TacCaptionButton* rec = ButtonRecord(hitCode);
  if (!rec) return b;
  int image = rec->ImageIndex;
  const TacFormInfo f = ReadFormInfo();
  if (hitCode == HTMAXBUTTON) image = ButtonImageIndex(TacTitleButton::Maximize, f);
  else if (hitCode == HTMINBUTTON) image = ButtonImageIndex(TacTitleButton::Minimize, f);
  return {true, rec->Rect, image, rec->State, nullptr};
}

void TsSkinProvider::RepaintTitleButton(int hitCode) {
  if (!form_ || !skinData_->CacheBitmap || hitCode <= 0) return;
  TsSkinManager* manager = Manager();
  const bool mdiButton = hitCode >= 101 && hitCode <= 103;
  const TacButtonImage b = ButtonImage(hitCode);
  if (!b.Valid) return;
  if (!mdiButton && manager && (manager->AllowGlowing() || HasBorderWindow())) {
    if (b.State < 0) return;
    if (b.State == 1) StartTitleButtonFade(this, hitCode, 1, kFadeSteps, true);
    else if (b.State == 2) StartTitleButtonFade(this, hitCode, 2, 1, true);
    else StartTitleButtonFade(this, hitCode, 0, kFadeSteps, false);
    return;
  }
  // Painted at once on the strip as it was before any button: the cache's
  // buttons, then the band on the screen. A cache changed since is painted
  // whole.
  if (!RestoreButtonStrip() || CacheStale()) {
    skinData_->BackgroundDirty = true;
    if (BandShown()) RedrawNonClient(form_);
    return;
  }
  PaintTitleButtons(Layout());
  if (BandShown()) RedrawNonClient(form_);
}

// ------------------------------------------------------------ free routines

TsSkinProvider* ProviderOfForm(const QWidget* form) {
  if (!form) return nullptr;
  for (TsSkinProvider* p : form->findChildren<TsSkinProvider*>(Qt::FindDirectChildrenOnly))
    if (p->Form() == form) return p;
  return nullptr;
}

bool DwmCompositionEnabled() { return false; }

long SetDwmTransitions(QWidget* /*window*/, bool /*disable*/) { return E_NOTIMPL; }

// ------------------------------------------------------------ the unit

namespace {

QWidget* FormOfProvider(const QObject* object) {
  auto* p = qobject_cast<const TsSkinProvider*>(object);
  return p ? p->Form() : nullptr;
}

void StartProviderUnit() {
  TacAdapterEntryPoints& table = AdapterEntryPoints();
  table.ProviderForm = &FormOfProvider;
  table.ProviderManager = [](const QObject* o) {
    auto* p = qobject_cast<const TsSkinProvider*>(o);
    return p ? p->Manager() : nullptr;
  };
  table.ProviderDrawsNonClient = [](const QObject* o) {
    auto* p = qobject_cast<const TsSkinProvider*>(o);
    return p && p->DrawNonClientArea();
  };
  table.ProviderHasBorderWindow = [](const QObject* o) {
    auto* p = qobject_cast<const TsSkinProvider*>(o);
    return p && p->HasBorderWindow();
  };
}

void FinishProviderUnit() {
  TacAdapterEntryPoints& table = AdapterEntryPoints();
  table.ProviderForm = nullptr;
  table.ProviderManager = nullptr;
  table.ProviderDrawsNonClient = nullptr;
  table.ProviderHasBorderWindow = nullptr;
  BorderDrag = {};
  LastProvider = nullptr;
  MdiMainProvider = nullptr;
}

[[maybe_unused]] const bool registered =
    RegisterUnit("sSkinProvider", StartProviderUnit, FinishProviderUnit, {"LibraryConstants", "acSBUtils"});

}  // namespace
