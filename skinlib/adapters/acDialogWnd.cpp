#include "skinlib/adapters/acDialogWnd.h"

#include "platform/Blit.h"
#include "platform/Canvas.h"
#include "platform/Colors.h"
#include "platform/MenuLine.h"
#include "platform/Menus.h"
#include "platform/Messages.h"
#include "platform/NonClient.h"
#include "platform/Painting.h"
#include "platform/WindowProc.h"
#include "platform/WindowTable.h"
#include "platform/WindowUtils.h"
#include "platform/Startup.h"
#include "skinlib/adapters/SkinCommandSenders.h"
#include "skinlib/adapters/acBorderForm.h"
#include "skinlib/adapters/acDials.h"
#include "skinlib/adapters/sSBAnimation.h"
#include "skinlib/adapters/sSkinProvider.h"
#include "skinlib/manager/AlphaPainting.h"
#include "skinlib/manager/GlowEffect.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/LibraryUtils.h"
#include "skinlib/manager/MaskSlicing.h"
#include "skinlib/manager/SectionBackgrounds.h"
#include "skinlib/manager/SkinMasks.h"
#include "skinlib/manager/SkinOptions.h"
#include "skinlib/manager/TextPainting.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/manager/sSkinMenus.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QIcon>
#include <QKeySequence>
#include <QPainter>
#include <QStyle>
#include <QTimer>

#include <algorithm>

using namespace platform;

namespace {

// The one ButtonPressed of the unit: the current button is pressed (true)
// or only hot.
bool g_buttonPressed = false;

const QString kGlobalInfoName = QStringLiteral("GLOBALINFO");
constexpr unsigned kSysMove = 0xF012;  // SC_MOVE + HTCAPTION (61458)
constexpr unsigned kRegionKeep = 16802;
constexpr unsigned kOdtStatic = 5;  // ODT_STATIC

struct MenuItemDef {
  const char* Name;
  const char* Caption;
  unsigned Command;
};
constexpr MenuItemDef kMenuItems[6] = {{"miRestore", "Restore", SC_RESTORE}, {"miMove", "Move", SC_MOVE},
                                       {"miSize", "Size", SC_SIZE},          {"miMinimize", "Minimize", SC_MINIMIZE},
                                       {"miMaximize", "Maximize", SC_MAXIMIZE}, {"miClose", "Close", SC_CLOSE}};


int IndexOfCode(int code) {
  for (size_t i = 0; i < kDialogButtonCodes.size(); ++i)
    if (kDialogButtonCodes[i] == code) return int(i);
  return -1;
}

}  // namespace

// ------------------------------------------------------------ the dialog's state

bool TacDialogInfo::HasSysMenu() const { return Style & WS_SYSMENU; }
bool TacDialogInfo::HasMaxBox() const { return Style & WS_MAXIMIZEBOX; }
bool TacDialogInfo::HasMinBox() const { return Style & WS_MINIMIZEBOX; }
bool TacDialogInfo::HasHelp() const { return ExStyle & WS_EX_CONTEXTHELP; }
bool TacDialogInfo::CloseEnabled() const { return HasSysMenu() && !ClassNoClose; }
bool TacDialogInfo::CanMaximize() const {
  return HasMaxBox() && !Zoomed && (FrameKind == 1 || FrameKind == 3 || FrameKind == 5);
}
bool TacDialogInfo::CanRestore() const { return HasMaxBox() && (Iconic || Zoomed); }
bool TacDialogInfo::CanMinimize() const { return HasMinBox() && !Iconic; }
bool TacDialogInfo::CanSize() const { return FrameKind != 1 && !Iconic; }
bool TacDialogInfo::FullCaption() const { return (Style & WS_CAPTION) == WS_CAPTION; }

std::uint8_t DialogFrameKind(std::uint32_t style, std::uint32_t exStyle) {
  if ((style & WS_POPUP) && (style & WS_CAPTION) != WS_CAPTION) return 2;
  if (style & WS_THICKFRAME) return 3;
  if ((style & DS_MODALFRAME) || (exStyle & WS_EX_DLGMODALFRAME)) return 0;
  return 3;
}

TacDialogMaskChoice ChooseDialogMasks(std::uint8_t frameKind, const std::function<int(const char*)>& maskIndex) {
  TacDialogMaskChoice c;
  const auto large = [&] {
    c.Index = {maskIndex("BICONMIN"), maskIndex("BICONMAX"), maskIndex("BICONCLOSE"), maskIndex("BICONHELP")};
    c.Large = true;
  };
  if (frameKind == 1 || frameKind == 3) {
    large();
    return c;
  }
  const int close = maskIndex("SICONCLOSE");
  if (close < 0) {
    large();
    return c;
  }
  const int help = maskIndex("SICONHELP");
  c.Index = {maskIndex("SICONMIN"), maskIndex("SICONMAX"), close, help >= 0 ? help : maskIndex("BICONHELP")};
  c.Large = false;
  return c;
}

TacDialogMenuItems DialogMenuItems(const TacDialogInfo& d) {
  TacDialogMenuItems r;
  const int k = d.FrameKind;
  r.Visible = {k != 0 && k != 2 && k != 4 && k != 5 && d.HasSysMenu(), true, k != 0 && k != 2 && k != 4,
               d.HasMinBox(), d.HasMaxBox(), d.HasSysMenu()};
  r.Enabled = {d.CanRestore(), !d.Zoomed, d.CanSize(), d.CanMinimize(), d.CanMaximize(), true};
  return r;
}

TacFormInfo DialogFormInfo(const TacDialogInfo& d, bool active, int width, int height) {
  TacFormInfo f;
  switch (d.FrameKind) {
    case 0: f.BorderStyle = bsDialog; break;
    case 1: f.BorderStyle = bsSingle; break;
    case 2: f.BorderStyle = bsNone; break;
    case 4: f.BorderStyle = bsToolWindow; break;
    case 5: f.BorderStyle = bsSizeToolWin; break;
    default: f.BorderStyle = bsSizeable; break;
  }
  if (!d.FullCaption() && f.BorderStyle != bsNone) f.BorderStyle = bsNone;
  f.BorderIcons = (d.HasSysMenu() ? biSystemMenu : 0u) | (d.HasMinBox() ? biMinimize : 0u) |
                  (d.HasMaxBox() ? biMaximize : 0u) | (d.HasHelp() ? biHelp : 0u);
  f.Iconic = d.Iconic;
  f.Zoomed = d.Zoomed;
  f.Active = active;
  f.ThickFrame = d.Style & WS_THICKFRAME;
  f.Width = width;
  f.Height = height;
  return f;
}

TacSysMenuState DialogMenuState(const TacDialogInfo& d) {
  TacSysMenuState s;
  s.VisibleClose = d.HasSysMenu();
  s.VisibleMax = d.HasSysMenu() && d.HasMaxBox();
  s.VisibleMin = d.HasSysMenu() && d.HasMinBox();
  s.EnabledMax = d.CanMaximize();
  s.EnabledMin = d.CanMinimize();
  s.EnabledRestore = d.CanRestore();
  return s;
}

int DialogTitleHeight(const TacDialogInfo& d, int borderTitle) {
  if (!d.FullCaption() && !d.Iconic) return 0;
  if (borderTitle > 0) return borderTitle;
  return GetSystemMetrics(d.SmallCaption() ? SM_CYSMCAPTION : SM_CYCAPTION);
}

std::optional<int> DialogHitTest(const TacDialogInfo& d, const TacTitleLayout& layout, int borderX, int borderY,
                                 int titleHeight, int width, int height, TPoint p) {
  const int titleTop = borderY - titleHeight;
  const TRect title{borderX, titleTop, width - borderX, borderY};
  if (titleHeight > 0 && title.Contains(p)) {
    if (p.X < borderX + GetSystemMetrics(SM_CXSMICON)) return HTSYSMENU;
    if (d.HasSysMenu()) {
      for (size_t i = 0; i < 4; ++i) {
        const TacButtonPlace& b = layout.System[i];
        if (!b.Shown || !b.Rect.Contains(p)) continue;
        const int code = kDialogButtonCodes[i];
        if (code == HTMAXBUTTON && !(d.CanMaximize() || d.CanRestore())) return HTCAPTION;
        if (code == HTMINBUTTON && !d.CanMinimize()) return HTCAPTION;
        return code;
      }
    }
    return HTCAPTION;
  }
  if (d.Zoomed && !TRect{2, 2, width - 4, height - 4}.Contains(p)) return HTTRANSPARENT;
  return std::nullopt;
}

std::function<void(QWidget*)>& DialogChildrenSeam() {
  static std::function<void(QWidget*)> seam;
  return seam;
}

// ------------------------------------------------------------ the system menu

TacSystemMenu::TacSystemMenu(TacDialogWnd* owner) : owner_(owner) {
  setObjectName(QStringLiteral("SystemMenu"));
  for (const MenuItemDef& def : kMenuItems) {
    if (def.Command == SC_CLOSE) addSeparator();
    QAction* item = addAction(QString::fromLatin1(def.Caption));
    item->setObjectName(QString::fromLatin1(def.Name));
    SetCommandId(item, def.Command);
    if (def.Command == SC_CLOSE) item->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));
    const bool update = def.Command == SC_RESTORE || def.Command == SC_MAXIMIZE;
    const unsigned command = def.Command;
    connect(item, &QAction::triggered, this, [this, command, update] { Command(command, update); });
  }
}

QAction* TacSystemMenu::Item(const char* name) const {
  for (QAction* a : actions())
    if (a->objectName() == QLatin1String(name)) return a;
  return nullptr;
}

bool TacSystemMenu::VisibleClose() const { return owner_ && owner_->Info().HasSysMenu(); }

void TacSystemMenu::Command(unsigned command, bool updateAfter) {
  if (owner_ && owner_->CtrlHandle()) SendMessage(owner_->CtrlHandle(), WM_SYSCOMMAND, command, 0);
  if (updateAfter) UpdateItems();
}

void TacSystemMenu::UpdateItems() {
  if (!owner_) return;
  const TacDialogMenuItems items = DialogMenuItems(owner_->Info());
  for (size_t i = 0; i < 6; ++i)
    if (QAction* a = Item(kMenuItems[i].Name)) {
      a->setVisible(items.Visible[i]);
      a->setEnabled(items.Enabled[i]);
    }
}

void TacSystemMenu::ShowAt(int x, int y) {
  UpdateItems();
  TrackPopupMenu(this, TPM_LEFTALIGN | TPM_RETURNCMD, x, y, owner_ ? owner_->CtrlHandle() : nullptr, [](unsigned) {});
}

// ------------------------------------------------------------ the adapter

TacDialogWnd::TacDialogWnd(QWidget* handle, TsCommonData* skinData, TsSkinManager* manager, const QString& section)
    : TacScrollWnd(handle, skinData, manager, section) {
  titleBitmap_ = std::make_unique<Bitmap>(0, 0, pf24bit);
  fadeAnchor_ = std::make_unique<QObject>();
  systemMenu_ = std::make_unique<TacSystemMenu>(this);
  info_ = ReadInfo();
  info_.FrameKind = 1;
  systemMenu_->UpdateItems();
  if (SkinData()) SkinData()->SetUpdating(true);
  if (handle) SetDwmTransitions(handle, true);
  if (TsSkinManager* m = Manager(); m && m->SkinnedPopups()) m->SkinableMenus().HookPopupMenu(systemMenu_.get(), true);
}

TacDialogWnd::~TacDialogWnd() { Destroy(); }

void TacDialogWnd::Destroy() {
  // The extended borders, then the buttons' fades and glows go first: they
  // read the records below.
  RemoveWindowProc(extHook_);
  borderForm_.reset();
  borderOwner_.reset();
  StopButtonFades(fadeAnchor_.get());
  for (size_t i = 0; i < buttons_.size(); ++i) HideButtonGlow(int(i));
  currentButton_ = 0;
  captionFont_.reset();
  icon_.reset();
  titleBitmap_.reset();
  corners_.clear();
  systemMenu_.reset();
  fadeAnchor_.reset();
}

bool TacDialogWnd::ButtonPressed() { return g_buttonPressed; }

TsSkinManager* TacDialogWnd::Manager() const {
  if (SkinManager()) return SkinManager();
  return SkinData() ? SkinData()->SkinManager() : nullptr;
}

bool TacDialogWnd::Skinned() const {
  TsSkinManager* m = Manager();
  return m && m->Active() && SkinData() && CtrlHandle();
}

const TsMaskData* TacDialogWnd::Mask(int index) const {
  TsSkinManager* m = Manager();
  return m && m->IsValidMaskIndex(index) ? &m->MaskData[size_t(index)] : nullptr;
}

TacDialogInfo TacDialogWnd::ReadInfo() const {
  TacDialogInfo d = info_;
  QWidget* h = CtrlHandle();
  if (!h) return d;
  if (!setUp_) {
    d.Style = std::uint32_t(GetWindowLong(h, GWL_STYLE));
    d.ExStyle = std::uint32_t(GetWindowLong(h, GWL_EXSTYLE));
  }
  d.ClassNoClose = GetClassLong(h, GCL_STYLE) & CS_NOCLOSE;
  d.Iconic = IsIconic(h);
  d.Zoomed = IsZoomed(h);
  return d;
}

const TacDialogInfo& TacDialogWnd::Info() const {
  auto* self = const_cast<TacDialogWnd*>(this);
  self->info_ = ReadInfo();
  return info_;
}

void TacDialogWnd::Install(bool repaint) {
  TacScrollWnd::Install(repaint);
  if (Destroyed()) return;
  InstallExtBorderHook();
  if (Skinned()) ApplySkinParams();
}

void TacDialogWnd::KeepOwnParams() {
  if (QWidget* h = CtrlHandle()) {
    ownPalette_ = h->palette();
    ownAutoFill_ = h->autoFillBackground();
  }
}

void TacDialogWnd::ApplySkinParams() {
  TacScrollWnd::ApplySkinParams();
  QWidget* h = CtrlHandle();
  TsSkinManager* m = Manager();
  if (!h || !m) return;
  // What WM_CTLCOLORDLG answers: the dialog's window colour is GLOBALINFO's.
  QPalette palette = h->palette();
  palette.setColor(QPalette::Window, ToQColor(ColorToRGB(m->GlobalSectionColor())));
  h->setPalette(palette);
}

void TacDialogWnd::GiveBackOwnParams() {
  QWidget* h = CtrlHandle();
  if (!h) return;
  // The border goes, the window back to the size the frame found.
  UpdateBorderForm(false);
  StopButtonFades(fadeAnchor_.get());
  for (size_t i = 0; i < buttons_.size(); ++i) HideButtonGlow(int(i));
  h->setPalette(ownPalette_);
  h->setAutoFillBackground(ownAutoFill_);
  if (setUp_) {
    SetWindowLong(h, GWL_STYLE, GetWindowLong(h, GWL_STYLE) | (info_.Style & WS_SYSMENU));
    if (regionSet_) SetWindowRgn(h, std::nullopt, false);
    regionSet_ = false;
    if (HasNonClientFrame(h)) SetNonClientFrame(h, false);
  }
}

void TacDialogWnd::FirstShowSetup() {
  QWidget* h = CtrlHandle();
  if (!h || setUp_) return;
  info_ = ReadInfo();
  info_.FrameKind = DialogFrameKind(info_.Style, info_.ExStyle);
  setUp_ = true;
  // The title icon: the dialog's small icon, else its big one, at the
  // small icon's size over the key colour.
  const int cx = GetSystemMetrics(SM_CXSMICON), cy = GetSystemMetrics(SM_CYSMICON);
  icon_ = std::make_unique<Bitmap>(cx, cy, pf24bit);
  icon_->Fill(qRgb(255, 0, 255));
  QIcon icon = h->windowIcon();
  if (icon.isNull()) icon = QApplication::windowIcon();
  if (icon.isNull()) icon = QApplication::style()->standardIcon(QStyle::SP_MessageBoxInformation);
  {
    QPainter p(icon_->PaintDevice());
    p.drawPixmap(QRect(0, 0, cx, cy), icon.pixmap(cx, cy));
  }
  LookUpButtonMasks();
  captionFont_ = GetNonClientMetrics().lfCaptionFont;
  // The skin draws the buttons.
  SetWindowLong(h, GWL_STYLE, GetWindowLong(h, GWL_STYLE) & ~std::intptr_t(WS_SYSMENU));
  systemMenu_->UpdateItems();
  if (!Skinned()) return;
  ApplySkinParams();
  PutOnFrame();
}

void TacDialogWnd::PutOnFrame() {
  QWidget* h = CtrlHandle();
  if (!h || !setUp_) return;
  BuildCornerRects();
  QPointer<QWidget> guard(h);
  const auto attach = [this, guard, life = std::weak_ptr<const bool>(life_)] {
    if (!guard || life.expired() || Destroyed() || !Skinned()) return;
    SetNonClientFrame(guard, true);
    SkinData()->BackgroundDirty = true;
    UpdateBorderForm(true);
    UpdateRegion(false);
  };
  if (h->isVisible()) attach();
  else AtFirstShow(h, attach);
}

void TacDialogWnd::LookUpButtonMasks() {
  TsSkinManager* m = Manager();
  const TacDialogMaskChoice c = ChooseDialogMasks(info_.FrameKind, [m](const char* name) {
    return m ? m->IndexOfMask(kGlobalInfoName, QLatin1String(name)) : -1;
  });
  for (size_t i = 0; i < 4; ++i) {
    buttons_[i].MaskIndex = c.Index[i];
    buttons_[i].Large = c.Large;
  }
}

int TacDialogWnd::TitleHeight() const { return DialogTitleHeight(Info(), BorderTitleHeight()); }

int TacDialogWnd::TitleButtonWidth(int index) const { return MaskFrameWidth(Mask(ButtonMaskToPaint(index))); }

int TacDialogWnd::TitleButtonsWidth() const {
  const TacDialogInfo& d = Info();
  if (!d.HasSysMenu()) return 0;
  int w = TitleButtonWidth(2);
  if (d.HasMaxBox()) w += TitleButtonWidth(1);
  if (d.HasMinBox()) w += TitleButtonWidth(0);
  if (d.HasHelp()) w += TitleButtonWidth(3);
  return w;
}

TPoint TacDialogWnd::BorderOffsets() const {
  const TPoint o = WindowBorderOffsets(), s = ExtShift();
  return {o.X + s.X, o.Y + s.Y};
}

TPoint TacDialogWnd::WindowBorderOffsets() const {
  QWidget* h = CtrlHandle();
  if (!h) return {};
  if (!HasNonClientFrame(h)) {
    // Before the frame: the classic band the dialog will get.
    const int b = (info_.Style & WS_THICKFRAME) ? GetSystemMetrics(SM_CXFRAME) : GetSystemMetrics(SM_CXDLGFRAME);
    return {b, b + TitleHeight()};
  }
  // The band as asked of WM_NCCALCSIZE.
  const QRect c = h->contentsRect();
  return {c.left(), c.top()};
}

int TacDialogWnd::ButtonMaskToPaint(int index) const {
  if (index == 1 && info_.Zoomed) {
    if (TsSkinManager* m = Manager()) return m->IndexOfMask(kGlobalInfoName, QStringLiteral("BICONNORM"));
  }
  return buttons_[size_t(index)].MaskIndex;
}

TacTitleLayout TacDialogWnd::Layout() const {
  TacTitleLayout l = WindowLayout();
  const TPoint s = ExtShift();
  if (s.X == 0 && s.Y == 0 && !BorderMode1()) return l;
  const auto shift = [&s](TRect& r) { r = OffsetRect(r, s.X, s.Y); };
  for (TacButtonPlace& b : l.System) shift(b.Rect);
  for (TacButtonPlace& b : l.User) shift(b.Rect);
  shift(l.IconRect);
  shift(l.CaptionRect);
  if (l.StripRect.Right > l.StripRect.Left) shift(l.StripRect);
  if (BorderMode1()) l.IconRect = OffsetRect(l.IconRect, 0, Manager()->SkinData->FormOffset);
  return l;
}

TacTitleLayout TacDialogWnd::WindowLayout() const {
  const TacDialogInfo& d = Info();
  QWidget* h = CtrlHandle();
  const int width = h ? h->width() : 0, height = h ? h->height() : 0;
  const TPoint offsets = WindowBorderOffsets();
  TacTitleMetrics m;
  m.CaptionHeight = TitleHeight();
  m.SystemBorder = m.BorderWidth = offsets.X;
  if (TsSkinManager* manager = Manager(); manager && manager->SkinData) {
    ReadSkinTitleValues(*manager->SkinData, m);
    m.CenterOffset = 0;
    m.BorderMode = 0;  // no extended borders
  }
  m.HasCaptionSection = captionIndex_ >= 0;
  m.MinWidth = TitleButtonWidth(0);
  m.MaxWidth = TitleButtonWidth(1);
  m.CloseWidth = TitleButtonWidth(2);
  m.HelpWidth = TitleButtonWidth(3);
  m.ButtonHeight = MaskRowHeight(Mask(buttons_[2].MaskIndex));
  // A button without its mask still takes its room.
  m.HasMin = m.HasMax = m.HasClose = m.HasHelp = true;
  m.LargeStyle = m.LargeImages = buttons_[2].Large;
  m.IconVisible = m.CaptionHeight > 0;
  m.IconWidth = GetSystemMetrics(SM_CXSMICON);
  m.IconHeight = GetSystemMetrics(SM_CYSMICON);
  TacFormInfo f = DialogFormInfo(d, active_, width, height);
  // The top band is the title's whatever the frame kind (a caption-less
  // popup has none).
  if (m.CaptionHeight > 0 && f.BorderStyle == bsNone) f.BorderStyle = bsDialog;
  return LayoutTitle(f, DialogMenuState(d), m, {});
}

TRect TacDialogWnd::IconRect() const { return Layout().IconRect; }

// ------------------------------------------------------------ buttons

void TacDialogWnd::SetHotButton(int code, bool repaint) {
  if (code == currentButton_) return;
  const int old = currentButton_;
  if (const int i = IndexOfCode(old); i >= 0) {
    buttons_[size_t(i)].State = 0;
    HideButtonGlow(i);
    if (repaint) RepaintButton(old);
  }
  currentButton_ = 0;
  g_buttonPressed = false;
  if (code == 0) {
    for (TitleButton& b : buttons_) b.State = 0;
    return;
  }
  const int i = IndexOfCode(code);
  if (i < 0) return;
  currentButton_ = code;
  buttons_[size_t(i)].State = 1;
  if (repaint) RepaintButton(code);
  ShowButtonGlow(i);
}

void TacDialogWnd::SetPressedButton(int code) {
  const TacDialogInfo& d = Info();
  if (code == HTMAXBUTTON && !(d.CanMaximize() || (d.Zoomed && d.CanRestore()))) return;
  const int i = IndexOfCode(code);
  if (i < 0) return;
  if (currentButton_ != code) {
    if (const int o = IndexOfCode(currentButton_); o >= 0) {
      buttons_[size_t(o)].State = 0;
      HideButtonGlow(o);
      RepaintButton(currentButton_);
    }
  }
  currentButton_ = code;
  buttons_[size_t(i)].State = 2;
  HideButtonGlow(i);  // the glow is the hot state's
  g_buttonPressed = true;
  RepaintButton(code);
}

void TacDialogWnd::ShowButtonGlow(int index) {
  TsSkinManager* m = Manager();
  TitleButton& b = buttons_[size_t(index)];
  if (!m || !m->AllowGlowing() || !m->SkinData || !CtrlHandle() || index == 3) return;
  const TsSkinData& s = *m->SkinData;
  const int glow = index == 2 ? s.BICloseGlow : index == 1 ? s.BIMaxGlow : s.BIMinGlow;
  const int margin = index == 2 ? s.BICloseGlowMargin : index == 1 ? s.BIMaxGlowMargin : s.BIMinGlowMargin;
  const TsMaskData* mask = Mask(ButtonMaskToPaint(index));
  if (glow <= 0 || !mask || b.Rect.Width() <= 0) return;
  const TPoint shift = ExtShift();
  const QPoint o = CtrlHandle()->mapToGlobal(QPoint(0, 0)) - QPoint(shift.X, shift.Y);
  const TRect r{o.x() + b.Rect.Left, o.y() + b.Rect.Top, o.x() + b.Rect.Right, o.y() + b.Rect.Bottom};
  HideGlow(b.GlowIndex);
  b.GlowIndex = ::ShowGlow(r, r, kGlobalInfoName, mask->PropertyName + QStringLiteral("GLOW"), margin, CtrlHandle(), m);
}

void TacDialogWnd::HideButtonGlow(int index) {
  TitleButton& b = buttons_[size_t(index)];
  if (b.GlowIndex >= 0) ::HideGlow(b.GlowIndex);
  b.GlowIndex = -1;
}

void TacDialogWnd::RepaintButton(int code) {
  QWidget* h = CtrlHandle();
  const int i = IndexOfCode(code);
  if (!h || i < 0 || !Skinned() || !SkinData()->CacheBitmap) return;
  TsSkinManager* m = Manager();
  if (m->AllowGlowing() && fadeAnchor_ && h->isVisible()) {
    TacFadeSource source{[g = QPointer<QWidget>(h)]() -> QWidget* { return g; },
                         [this]() -> TsCommonData* { return SkinData(); }, [this] { return Manager(); },
                         [this](int c) {
                           const int k = IndexOfCode(c);
                           if (k < 0 || Destroyed()) return TacButtonImage{};
                           const TitleButton& b = buttons_[size_t(k)];
                           return TacButtonImage{true, b.Rect, ButtonMaskToPaint(k), b.State, nullptr};
                         },
                         // The records are the cache's: with a border window
                         // the window lies ExtShift inside it.
                         [this, g = QPointer<QWidget>(h)]() -> QPoint {
                           if (!g || Destroyed()) return {};
                           const TPoint s = ExtShift();
                           return g->mapToGlobal(QPoint(0, 0)) - QPoint(s.X, s.Y);
                         }};
    const int state = buttons_[size_t(i)].State;
    if (state == 1) StartButtonFade(fadeAnchor_.get(), source, code, 1, kFadeSteps, true);
    else if (state == 2) StartButtonFade(fadeAnchor_.get(), source, code, 2, 1, true);
    else StartButtonFade(fadeAnchor_.get(), source, code, 0, kFadeSteps, false);
    return;
  }
  PaintTitleButtons(Layout());
  if (h->isVisible()) RedrawNonClient(h);
}

// ------------------------------------------------------------ painting

void TacDialogWnd::PaintTitleButtons(const TacTitleLayout& layout) {
  if (!SkinData() || !SkinData()->CacheBitmap) return;
  Bitmap& bmp = *SkinData()->CacheBitmap;
  TsBgSource self;
  MakeCacheInfo(&bmp, 0, 0, self);
  for (size_t i = 0; i < 4; ++i) {
    TitleButton& b = buttons_[i];
    const TacButtonPlace& place = layout.System[i];
    b.Rect = place.Shown ? place.Rect : TRect{};
    if (!place.Shown) continue;
    const TsMaskData* mask = Mask(ButtonMaskToPaint(int(i)));
    if (!mask || mask->ImageCount <= 0) continue;
    const int state = place.Enabled ? b.State : 0;
    PaintMaskGlyph(bmp, {place.Rect.Left, place.Rect.Top}, state, (!active_ || !place.Enabled) && state == 0 ? 0 : 1,
                   *mask, self);
  }
}

void TacDialogWnd::PaintCaption(Bitmap& bmp, const TacTitleLayout& layout) {
  TsSkinManager* m = Manager();
  QWidget* h = CtrlHandle();
  TRect r = layout.CaptionRect;
  if (!m || !h || r.Right <= r.Left || r.Bottom <= r.Top) return;
  Canvas& c = bmp.GetCanvas();
  if (captionFont_) c.Font = *captionFont_;
  const QString text = GetWindowText(h);
  if (text.isEmpty()) return;
  const int title = m->IndexOfSection(QStringLiteral("FORMTITLE"));
  const int section = m->IsValidSectionIndex(captionIndex_) ? captionIndex_ : title;
  DrawSectionText(c, text, true, r, active_, section,
                  DT_END_ELLIPSIS | DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER | DT_LEFT, m);
}

void TacDialogWnd::PaintTitle(Bitmap& bmp, const TacTitleLayout& l) {
  TsSkinManager* m = Manager();
  QWidget* h = CtrlHandle();
  const int t = TitleHeight();
  if (!m || !h || t <= 0) return;
  const TPoint o = BorderOffsets();
  const TRect band{o.X, o.Y - t, ExtShift().X + h->width() - WindowBorderOffsets().X, o.Y};
  TsBgSource self;
  MakeCacheInfo(&bmp, 0, 0, self);
  const int title = m->IndexOfSection(QStringLiteral("FORMTITLE"));
  if (m->IsValidSectionIndex(title))
    PaintSectionItem(title, QStringLiteral("FORMTITLE"), self, -1, -1, m, bmp, {band.Left, band.Top}, band,
                     active_ ? 1 : 0, true);
  if (icon_ && l.IconRect.Width() > 0) {
    bmp.GetCanvas().EndPainting();
    CopyTransparentBitmap(bmp, *icon_, clFuchsia, l.IconRect.Left, l.IconRect.Top);
  }
  PaintCaption(bmp, l);
  bmp.GetCanvas().EndPainting();
  if (titleBitmap_ && titleBitmap_->Width() != band.Width() && band.Width() > 0 && band.Height() > 0) {
    titleBitmap_->SetSize(band.Width(), band.Height());
    BitBlt(*titleBitmap_, 0, 0, band.Width(), band.Height(), bmp, band.Left, band.Top);
  }
}

void TacDialogWnd::RepaintCache() {
  QWidget* h = CtrlHandle();
  if (!Skinned()) return;
  TsCommonData& data = *SkinData();
  TsSkinManager* m = Manager();
  // With a border object the cache is the border window's picture: 32-bit,
  // the window with the shadow margins around it.
  const TRect e = borderForm_ ? m->ExtBorderMargins : TRect{};
  const TPixelFormat format = borderForm_ ? pf32bit : pf24bit;
  const int w = std::max(1, h->width()), hh = std::max(1, h->height());
  const int cw = w + e.Left + e.Right, ch = hh + e.Top + e.Bottom;
  if (!data.BackgroundDirty && data.CacheBitmap && data.CacheBitmap->PixelFormat() == format &&
      data.CacheBitmap->Width() == cw && data.CacheBitmap->Height() == ch)
    return;
  if (!data.CacheBitmap) data.CacheBitmap = std::make_unique<Bitmap>(cw, ch, format);
  Bitmap& bmp = *data.CacheBitmap;
  bmp.SetPixelFormat(format);
  bmp.SetSize(cw, ch);
  const TPoint s = ExtShift();
  const TRect whole{s.X, s.Y, s.X + w, s.Y + hh};
  if (BorderMode1()) {
    // The border picture is the frame: the title goes over it below.
    bmp.Fill(qRgb(255, 0, 255));
  } else if (m->IsValidSectionIndex(data.SectionIndex)) {
    PaintSectionItem(data.SectionIndex, data.SkinSection(), EmptyCacheInfo, -1, -1, m, bmp, {s.X, s.Y}, whole, 0,
                     false);
  } else {
    Canvas& c = bmp.GetCanvas();
    c.Brush = {ColorToRGB(m->GlobalSectionColor()), bsSolid};
    c.FillRect(whole);
  }
  const TacTitleLayout l = Layout();
  if (!BorderMode1()) PaintTitle(bmp, l);
  if (borderForm_) PaintExtendedBorder();
  if (TitleHeight() > 0) PaintTitleButtons(l);
  bmp.GetCanvas().EndPainting();
  data.BackgroundDirty = false;
  needsRepaint_ = false;
}

void TacDialogWnd::PaintNonClient(Canvas* dc) {
  QWidget* h = CtrlHandle();
  if (!h || !h->isVisible() || !Skinned()) return;
  RepaintCache();
  if (dc && SkinData()->CacheBitmap) {
    const Bitmap& cache = *SkinData()->CacheBitmap;
    const TPoint s = ExtShift();
    const int w = std::min(h->width(), cache.Width() - s.X), hh = std::min(h->height(), cache.Height() - s.Y);
    dc->CopyRect({0, 0, w, hh}, cache, {s.X, s.Y, s.X + w, s.Y + hh});
  }
}

void TacDialogWnd::BuildCornerRects() {
  corners_.clear();
  TsSkinManager* m = Manager();
  QWidget* h = CtrlHandle();
  if (!m || !h || !m->IsValidMaskIndex(SkinData()->BorderMaskIndex)) return;
  const TsMaskData& mask = m->MaskData[size_t(SkinData()->BorderMaskIndex)];
  AddTransparentCornerRects(corners_, h->width(), mask, false, 0);
  AddTransparentCornerRects(corners_, h->width(), mask, true, h->height() - mask.WB);
}

void TacDialogWnd::UpdateRegion(bool repaint) {
  QWidget* h = CtrlHandle();
  if (!h || !Skinned()) return;
  const TacDialogInfo& d = Info();
  if (!d.Iconic && d.FrameKind == 2) return;
  if (SendMessage(h, kRegionQueryMsg, kRegionKeep, 0) == LRESULT(kRegionKeep)) return;
  if (borderForm_) {
    // The border window shows the corners: the window is the part of the
    // cache inside the shadow margins, a rectangle.
    SetWindowRgn(h, QRegion(0, 0, h->width(), h->height()), repaint);
    regionSet_ = true;
    return;
  }
  BuildCornerRects();
  QRegion region(0, 0, h->width(), h->height());
  for (const TRect& r : corners_) region -= QRegion(r.Left, r.Top, r.Width(), r.Height());
  SetWindowRgn(h, region, repaint);
  regionSet_ = true;
}

void TacDialogWnd::AdaptChildren() {
  if (DialogChildrenSeam() && CtrlHandle()) DialogChildrenSeam()(CtrlHandle());
}

void TacDialogWnd::EraseBackground(Message& m) {
  QWidget* h = CtrlHandle();
  m.Result = 1;
  if (!childrenAdapted_) {
    childrenAdapted_ = true;
    AdaptChildren();
  }
  auto* dc = ParamPtr<Canvas>(m.WParam);
  if (!dc || !h) return;
  const int saved = dc->SaveDC();
  // Only the paint that ends the dialog's update tells its children: a
  // child repaints when told, and its repaint paints the dialog's
  // background beneath it again.
  const bool updateEnds = SkinData()->UpdatingFlag();
  SkinData()->SetUpdating(false);
  for (QObject* o : h->children()) {
    auto* child = qobject_cast<QWidget*>(o);
    if (!child || child->isWindow() || !child->isVisible()) continue;
    // Only a child that paints its whole background keeps the dialog's
    // out; Qt paints the others over the dialog's background.
    if (!child->autoFillBackground() && !child->testAttribute(Qt::WA_OpaquePaintEvent)) continue;
    const std::uint32_t style = std::uint32_t(GetWindowLong(child, GWL_STYLE));
    if ((style & 7) == 7) continue;  // a group box
    if ((style & WS_TABSTOP) && GetClassName(child).compare(QLatin1String("static"), Qt::CaseInsensitive) == 0)
      continue;
    // The canvas's origin is the client's corner.
    const QRect g = child->geometry().translated(-h->contentsRect().topLeft());
    dc->ExcludeClipRect({g.left(), g.top(), g.left() + g.width(), g.top() + g.height()});
  }
  RepaintCache();
  if (SkinData()->CacheBitmap) {
    const QRect c = h->contentsRect().translated(ExtShift().X, ExtShift().Y);
    const TRect r{c.left(), c.top(), c.left() + c.width(), c.top() + c.height()};
    dc->CopyRect({0, 0, c.width(), c.height()}, *SkinData()->CacheBitmap, r);
  }
  dc->RestoreDC(saved);
  // The children hear that the dialog's update ended after this paint:
  // their repaint must not run inside it.
  if (updateEnds && !notifyPending_) {
    notifyPending_ = true;
    QTimer::singleShot(0, h, [this, g = QPointer<QWidget>(h), life = std::weak_ptr<const bool>(life_)] {
      if (life.expired()) return;
      notifyPending_ = false;
      if (g && !Destroyed()) NotifyTopChildWindows(g);
    });
  }
}

void TacDialogWnd::ShowSystemMenu(int x, int y) {
  SetHotButton(0, true);
  if (systemMenu_) systemMenu_->ShowAt(x, y);
}

void TacDialogWnd::ShowSystemMenuBelowIcon() {
  QWidget* h = CtrlHandle();
  if (!h) return;
  // The window's own band, wherever its picture lies in the cache.
  const QPoint o = h->mapToGlobal(QPoint(0, 0));
  const TPoint b = WindowBorderOffsets();
  ShowSystemMenu(o.x() + b.X, o.y() + b.Y - TitleHeight() + GetSystemMetrics(SM_CYSMICON));
}

// ------------------------------------------------------------ the window procedure

void TacDialogWnd::AdapterWndProc(Message& m, const CallPrevious& previous) {
  QWidget* h = CtrlHandle();
  if (!h || !Skinned()) {
    TacScrollWnd::AdapterWndProc(m, previous);
    return;
  }
  TsCommonData& data = *SkinData();
  TsSkinManager* manager = Manager();
  if (m.Msg == SkinCommandMsg) {
    switch (HIWORD(m.WParam)) {
      case acNewSkin:
        if (m.LParam == LPARAM(PtrParam(manager))) {
          data.RefreshSkinIndexes();
          captionIndex_ = manager->IndexOfSection(QStringLiteral("CAPTION"));
          LookUpButtonMasks();
          data.BackgroundDirty = true;
          ApplySkinParams();
          // Back from a removed skin: the skin draws the buttons again.
          if (setUp_ && !HasNonClientFrame(h)) {
            SetWindowLong(h, GWL_STYLE, GetWindowLong(h, GWL_STYLE) & ~std::intptr_t(WS_SYSMENU));
            PutOnFrame();
          }
        }
        TacScrollWnd::AdapterWndProc(m, previous);
        return;
      case acRefresh:
        data.RefreshSkinIndexes();
        data.BackgroundDirty = true;
        BuildCornerRects();
        RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
        return;
      case acSetUpdating:
        data.SetUpdating(LOWORD(m.WParam) == 1);
        return;
      case acIsUpdating:
        m.Result = data.UpdatingFlag() ? 1 : 0;
        return;
      case acAppActivated:
        return;
      case acIsBgComplex:
        if (manager->IsValidSectionIndex(data.SectionIndex)) {
          const TsGeneralData& s = manager->GeneralData[size_t(data.SectionIndex)];
          m.Result = s.GradientPercent + s.ImagePercent > 0 ? 1 : 0;
        }
        return;
      case acGetBgColor:
        m.Result = LRESULT(data.SectionBgColor(false, h));
        return;
      case 28:
        AdaptChildren();
        return;
      case acBgQuery:
        if (auto* q = ParamPtr<TsBgQuery>(m.LParam)) {
          // The window lies ExtShift inside the cache.
          const TPoint s = ExtShift();
          if (!data.CacheBitmap) RepaintCache();
          if (q->DrawRequest) q->Offset = {q->Offset.X + s.X, q->Offset.Y + s.Y};
          data.FillBgQuery(*q, false, h);
          if (q->BgKind == TsBgQuery::FromBitmap && !q->DrawRequest) q->Offset = {q->Offset.X + s.X, q->Offset.Y + s.Y};
        }
        return;
      case 61: {
        const TPoint o = BorderOffsets();
        m.Result = LRESULT(MAKELPARAM(o.X, o.Y));
        return;
      }
      default:
        TacScrollWnd::AdapterWndProc(m, previous);
        return;
    }
  }
  switch (m.Msg) {
    case WM_SIZE:
      data.BackgroundDirty = true;
      needsRepaint_ = true;
      if (!PassOnAndSurvive(m, previous)) return;
      BuildCornerRects();
      if (regionSet_) UpdateRegion(false);
      RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_FRAME);
      return;
    case WM_SETFOCUS:
      if (!PassOnAndSurvive(m, previous)) return;
      RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
      return;
    case WM_ENABLE:
    case WM_SETTEXT:
      if (!h->isVisible()) break;
      TacScrollWnd::AdapterWndProc(m, previous);
      if (!CtrlHandle() || Destroyed()) return;
      data.BackgroundDirty = true;
      RedrawNonClient(h);
      return;
    case WM_PAINT:
      if (skipOwnPaint_) {
        m.Result = 0;  // validated only
        return;
      }
      break;
    case WM_ERASEBKGND:
      EraseBackground(m);
      return;
    case WM_DRAWITEM:
      // Owner-drawn statics draw over the dialog's background (no Qt
      // source sends this; a sent one is answered).
      if (auto* item = ParamPtr<DRAWITEMSTRUCT>(m.LParam); item && item->CtlType == kOdtStatic && item->hDC)
        item->hDC->SetBkMode(TRANSPARENT);
      break;
    case WM_WINDOWPOSCHANGED:
      data.BackgroundDirty = true;
      needsRepaint_ = true;
      break;
    case WM_NCHITTEST: {
      const QPoint local = h->mapFromGlobal(QPoint(GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)));
      const TPoint o = WindowBorderOffsets();
      const std::optional<int> own = DialogHitTest(Info(), WindowLayout(), o.X, o.Y, TitleHeight(), h->width(),
                                                   h->height(), {local.x(), local.y()});
      if (own && *own != HTCAPTION) {
        if (*own == HTSYSMENU || *own == HTTRANSPARENT) SetHotButton(0, true);
        else if (!g_buttonPressed) SetHotButton(*own, true);
        m.Result = *own;
        return;
      }
      // The old procedure's answer (its edges, or its caption).
      if (!PassOnAndSurvive(m, previous)) return;
      if (!g_buttonPressed) SetHotButton(0, true);
      return;
    }
    case WM_NCPAINT:
      PaintNonClient(GetWindowDC(h));
      m.Result = 0;
      return;
    case WM_NCACTIVATE:
      if (!h->isVisible()) break;
      if (!PassOnAndSurvive(m, previous)) return;
      active_ = m.WParam != 0;
      data.BackgroundDirty = true;
      RedrawNonClient(h);
      return;
    case WM_GETDLGCODE:
      m.Result = 0;
      return;
    case WM_NCLBUTTONDOWN: {
      const int code = int(m.WParam);
      if (code == HTSYSMENU) {
        ShowSystemMenuBelowIcon();
        return;
      }
      if (IndexOfCode(code) >= 0 || (code >= 101 && code <= 103)) {
        SetPressedButton(code);
        return;
      }
      if (IsIconic(h)) {
        SendMessage(h, WM_SYSCOMMAND, kSysMove, 0);
        return;
      }
      if (IsZoomed(h) && code == HTCAPTION) {
        if (!active_) h->setFocus();
        return;
      }
      break;
    }
    case WM_NCLBUTTONUP: {
      const int code = int(m.WParam);
      if (!g_buttonPressed) {
        SetHotButton(0, true);
        break;
      }
      m.WParam = HTNOWHERE;
      const TacDialogInfo d = Info();
      const QPoint local = h->mapFromGlobal(QCursor::pos());
      const TPoint shift = ExtShift();
      switch (code) {
        case HTMINBUTTON:
          // The records hold the buttons where the cache has them.
          SetHotButton(0, true);
          // Released elsewhere: the window's own handling has the release.
          if (!buttons_[0].Rect.Contains({local.x() + shift.X, local.y() + shift.Y})) break;
          SendMessage(h, WM_SYSCOMMAND, d.Iconic ? SC_RESTORE : SC_MINIMIZE, 0);
          return;
        case HTMAXBUTTON:
          SetHotButton(0, true);
          if (d.Iconic && !d.CanMaximize()) return;
          SendMessage(h, WM_SYSCOMMAND, d.Zoomed ? SC_RESTORE : SC_MAXIMIZE, 0);
          if (systemMenu_) systemMenu_->UpdateItems();
          return;
        case HTCLOSE:
          SetHotButton(0, true);
          SendMessage(h, WM_SYSCOMMAND, SC_CLOSE, 0);
          return;
        case HTHELP:
          SendMessage(h, WM_SYSCOMMAND, SC_CONTEXTHELP, 0);
          if (Destroyed()) return;
          SetHotButton(0, true);
          if (systemMenu_) systemMenu_->UpdateItems();
          data.BackgroundDirty = true;
          RedrawNonClient(h);
          return;
        default:
          SetHotButton(0, true);
          break;
      }
      break;
    }
    case WM_NCLBUTTONDBLCLK: {
      const int code = int(m.WParam);
      const TacDialogInfo d = Info();
      if (code == HTCAPTION) {
        if (d.Zoomed || d.Iconic) SendMessage(h, WM_SYSCOMMAND, SC_RESTORE, 0);
        else if (d.CanMaximize() || d.CanRestore()) SendMessage(h, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
        return;
      }
      if (code == HTSYSMENU) {
        SendMessage(h, WM_SYSCOMMAND, SC_CLOSE, 0);
        return;
      }
      break;
    }
    case WM_NCRBUTTONDOWN:
      if (m.WParam == HTCAPTION || m.WParam == HTSYSMENU) return;
      break;
    case WM_NCRBUTTONUP:
      if (m.WParam == HTCAPTION || m.WParam == HTSYSMENU) {
        const QPoint p = QCursor::pos();
        ShowSystemMenu(p.x(), p.y());
      }
      return;
    case WM_CTLCOLORDLG:
      m.Result = LRESULT(ColorToRGB(manager->GlobalSectionColor()));
      return;
    case WM_MOUSEMOVE:
      if (IsWindowEnabled(h)) manager->SetHotWindow(nullptr);
      break;
    case WM_MOUSELEAVE:
    case WM_NCMOUSELEAVE:
      if (!g_buttonPressed) SetHotButton(0, true);
      break;
    case WM_USER + 1:
      TacScrollWnd::AdapterWndProc(m, previous);
      if (!Destroyed()) AdaptChildren();
      return;
    case 1326:
      if (!PassOnAndSurvive(m, previous)) return;
      AdaptChildren();
      RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_FRAME);
      return;
    case WM_SYSCOMMAND:
      // Alt+Space: the skin took WS_SYSMENU, its own menu opens below the icon.
      if ((m.WParam & 0xFFF0) == SC_KEYMENU && m.LParam == ' ' && info_.HasSysMenu()) {
        ShowSystemMenuBelowIcon();
        return;
      }
      if ((m.WParam & 0xFFF0) == SC_MAXIMIZE || (m.WParam & 0xFFF0) == SC_RESTORE) SetHotButton(0, false);
      break;
    case WM_DESTROY:
    case WM_NCDESTROY:
      StopButtonFades(fadeAnchor_.get());
      for (size_t i = 0; i < buttons_.size(); ++i) HideButtonGlow(int(i));
      break;
    default:
      break;
  }
  TacScrollWnd::AdapterWndProc(m, previous);
}

// ------------------------------------------------------------ the unit

namespace {

// The dialog hook's view of the adapter (acDials.h TacDialogFrame).
class TacDialogFrameOf : public TacDialogFrame {
 public:
  explicit TacDialogFrameOf(TacAdapterPtr<TacDialogWnd> adapter) : adapter_(std::move(adapter)) {}
  QWidget* Window() const override { return adapter_ ? adapter_->CtrlHandle() : nullptr; }
  bool Destroyed() const override { return !cleared_ && (!adapter_ || adapter_->Destroyed()); }
  void ClearDestroyed() override { cleared_ = true; }
  void FirstShowSetup() override {
    if (adapter_) adapter_->FirstShowSetup();
  }
  void SetSkipOwnPaint(bool value) override {
    if (adapter_) adapter_->SetSkipOwnPaint(value);
  }
  TsSkinManager* Manager() const override { return adapter_ ? adapter_->SkinManager() : nullptr; }

 private:
  TacAdapterPtr<TacDialogWnd> adapter_;
  bool cleared_ = false;
};

void StartDialogWnd() {
  DialogWndFactory() = [](QWidget* dialog, TsSkinManager* manager,
                          const QString& section) -> std::unique_ptr<TacDialogFrame> {
    return std::make_unique<TacDialogFrameOf>(
        TacMainWnd::Create<TacDialogWnd>(dialog, nullptr, manager, section, true));
  };
  DialogChildrenSeam() = [](QWidget* dialog) {
    if (TacProvider* provider = FindProvider(dialog)) WalkChildren(provider, dialog);
  };
}

void FinishDialogWnd() {
  DialogWndFactory() = nullptr;
  DialogChildrenSeam() = nullptr;
}

[[maybe_unused]] const bool registered = RegisterUnit("acDialogWnd", StartDialogWnd, FinishDialogWnd, {"acDials"});

}  // namespace
