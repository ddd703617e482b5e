// The form provider's extended borders: the border window (acBorderForm.h)
// made and dropped, placed after every move, size, activation, visibility
// change and repaint of the form, and the border picture laid around the
// cache. Its own handler in the form's chain (just before the provider's)
// does this around the provider's handling, and gives the provider the
// border's hit code where the border window asked for one (-1).
#include "skinlib/adapters/sSkinProvider.h"

#include "platform/MenuLine.h"
#include "platform/NonClient.h"
#include "platform/WindowTable.h"
#include "platform/WindowUtils.h"
#include "skinlib/adapters/SkinCommandSenders.h"
#include "skinlib/manager/AdapterEntryPoints.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/SkinMasks.h"
#include "skinlib/manager/SkinOptions.h"
#include "skinlib/manager/acPNG.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"

#include <QPointer>

#include <algorithm>
#include <vector>

using namespace platform;

// What the border window asks of a provider.
class TacProviderBorderOwner : public TacBorderOwner {
 public:
  explicit TacProviderBorderOwner(TsSkinProvider& p) : p_(p) {}

  QWidget* OwnerWindow() const override { return p_.form_; }
  Bitmap* OwnerImage() const override {
    Bitmap* cache = p_.skinData_ ? p_.skinData_->CacheBitmap.get() : nullptr;
    return cache && cache->PixelFormat() == pf32bit ? cache : nullptr;
  }
  bool OwnerImageDirty() const override {
    return !OwnerImage() || p_.skinData_->BackgroundDirty || p_.CacheSizeChanged();
  }
  void PaintOwnerImage() override { p_.PaintAll(); }
  TRect BorderMargins() const override {
    TsSkinManager* manager = p_.Manager();
    return manager ? manager->ExtBorderMargins : TRect{};
  }
  int SkinBorderWidth() const override {
    TsSkinManager* manager = p_.Manager();
    const int skin = manager && manager->SkinData ? manager->SkinData->BorderWidth : 0;
    return skin > 0 ? skin : p_.SystemBorderWidth();
  }
  int SkinTitleHeight() const override { return p_.CaptionHeight(true); }
  int SystemBorderWidth() const override { return p_.SystemBorderWidth(); }
  int SystemCaptionHeight() const override { return p_.CaptionHeight(false); }
  bool HasCaption() const override { return HasOwnCaption(p_.ReadFormInfo()); }
  int MenuLineHeight() const override {
    return p_.MenuVisible() ? p_.MenuRowCount() * p_.MenuItemHeight() : 0;
  }
  TRect TitleIconRect() const override { return p_.IconVisible() ? p_.Layout().IconRect : TRect{}; }
  int TitleButtonAt(TPoint p) const override {
    const TacTitleLayout l = p_.Layout();
    const TacSysMenuState s = p_.MenuState();
    const TacFormInfo f = p_.ReadFormInfo();
    const auto at = [&](const TacButtonPlace& b) { return b.Shown && b.Rect.Contains(p); };
    if (at(l.System[2])) return HTCLOSE;
    if (at(l.System[1])) return s.EnabledMax || (s.EnabledRestore && !f.Iconic) ? HTMAXBUTTON : HTCAPTION;
    if (at(l.System[0])) return s.EnabledMin || (f.Iconic && s.EnabledRestore) ? HTMINBUTTON : HTCAPTION;
    if (at(l.System[3])) return HTHELP;
    for (size_t i = 0; i < l.User.size() && i < p_.titleButtons_.size(); ++i)
      if (at(l.User[i]) && p_.titleButtons_[i].Enabled) return kUserButtonHitBase + int(i);
    return 0;
  }
  TRect GripRect() const override {
    TsSkinManager* manager = p_.Manager();
    if (!manager || !p_.GripVisible() || !p_.form_) return {};
    const TsMaskData* grip = p_.Mask(manager->IndexOfMask(QStringLiteral("GLOBALINFO"), QStringLiteral("GRIPIMAGE")));
    if (!grip || grip->ImageCount <= 0) return {};
    const int w = grip->Bmp ? grip->Bmp->Width() / grip->ImageCount : MaskImageWidth(*grip);
    const int h = grip->Bmp ? grip->Bmp->Height() / 2 : grip->R.Height() / (grip->MaskType + 1);
    const TRect c = ClientRectInImage();
    return {c.Right - w, c.Bottom - h, c.Right, c.Bottom};
  }
  TRect ClientRectInImage() const override {
    if (!p_.form_) return {};
    const QRect c = p_.form_->contentsRect().translated(p_.CacheShiftX(), p_.CacheShiftY());
    return {c.left(), c.top(), c.left() + c.width(), c.top() + c.height()};
  }
  void SetHotElement(int code) override { p_.SetHotButton(code, true); }
  void FreeGlows() override { p_.FreeButtonFades(); }
  bool IsProvider() const override { return true; }
  bool MayUpdate() const override { return p_.drawNonClientArea_ && !p_.inAnimation_ && p_.Skinned(); }
  int ExtHitTest(TPoint screenPoint) override { return p_.OnExtHitTest ? p_.OnExtHitTest(screenPoint) : 0; }
  bool AlphaBlend() const override { return p_.form_ && p_.form_->property("AlphaBlend").toBool(); }
  std::uint8_t AlphaBlendValue() const override {
    const QVariant v = p_.form_ ? p_.form_->property("AlphaBlendValue") : QVariant();
    return v.isValid() ? std::uint8_t(std::clamp(v.toInt(), 0, 255)) : 255;
  }
  bool MaximizedByBorder() const override {
    return p_.form_ && IsZoomed(p_.form_) && p_.CaptionHeight(true) < p_.CaptionHeight(false) + 4;
  }
  int TitleHeightDelta() const override { return p_.TitleHeightDelta(); }
  bool IsModal() const override { return p_.form_ && p_.form_->isModal(); }
  bool CanMaximizeOrRestore() const override {
    const TacSysMenuState s = p_.MenuState();
    return (s.EnabledMax && s.VisibleMax) || (p_.form_ && IsZoomed(p_.form_) && s.EnabledRestore);
  }
  void EndDrag(TPoint screenPoint) override { p_.EndBorderDrag(screenPoint); }

 private:
  TsSkinProvider& p_;
};

// ------------------------------------------------------------ metrics

int TsSkinProvider::TitleHeightDelta() const {
  if (!borderForm_) return 0;
  return CaptionHeight(true) - CaptionHeight(false) - SystemBorderWidth();
}

int TsSkinProvider::BorderWidthDelta() const {
  if (!borderForm_ || !borderOwner_) return 0;
  return borderOwner_->SkinBorderWidth() - SystemBorderWidth();
}

int TsSkinProvider::CacheShiftX() const { return borderForm_ ? borderForm_->OwnerLeftOffset() : 0; }

int TsSkinProvider::CacheShiftY() const { return borderForm_ ? borderForm_->OwnerTopOffset() : 0; }

int TsSkinProvider::SkinnedFormHeight() const {
  if (!form_) return 0;
  if (!borderForm_ || !borderOwner_ || IsIconic(form_)) return WindowSize().height();
  return form_->height() + CacheShiftY() + BorderWidthDelta() + borderOwner_->BorderMargins().Bottom;
}

// ------------------------------------------------------------ the border window

bool TsSkinProvider::WantsBorderWindow() const {
  TsSkinManager* manager = Manager();
  if (!form_ || IsDestroying(form_) || !manager || !Skinned() || !manager->ExtendedBorders()) return false;
  if (!allowExtBorders_ || !drawNonClientArea_ || form_->parentWidget()) return false;
  const TacFormInfo f = ReadFormInfo();
  // A maximized form fills the work area exactly here: a title above it
  // would lie off the screen, so it shows its skinned band itself.
  return HasOwnCaption(f) && !f.MdiChild && !f.Zoomed && !f.Iconic && manager->ExtBorderActive &&
         manager->ExtBorderInactive;
}

void TsSkinProvider::UpdateExtBorder(bool create) {
  if (!form_ || !skinData_) return;
  const bool want = create && WantsBorderWindow();
  if (want == bool(borderForm_)) return;
  if (want) {
    borderOwner_ = std::make_unique<TacProviderBorderOwner>(*this);
    borderForm_ = std::make_unique<TacBorderForm>(*borderOwner_);
  } else {
    borderForm_.reset();
    borderOwner_.reset();
  }
  // The cache changes its format and size, the frame its region.
  skinData_->BackgroundDirty = true;
  menuRowCount_ = -1;
  titleBitmapValid_ = false;
  if (IsDestroying(form_) || !Skinned()) return;
  BuildRegionRects();
  UpdateFormRegion(false);
  if (form_->isVisible()) {
    RedrawNonClient(form_);
    if (want) UpdateBorderWindow(true);
  }
}

void TsSkinProvider::UpdateBorderWindow(bool repaint, std::uint8_t alpha) {
  if (borderForm_) borderForm_->UpdatePosition(repaint, alpha);
}

void TsSkinProvider::PaintExtendedBorder(const TacTitleLayout& l) {
  TsSkinManager* manager = Manager();
  Bitmap* cache = skinData_ ? skinData_->CacheBitmap.get() : nullptr;
  if (!manager || !cache || cache->PixelFormat() != pf32bit || !manager->SkinData) return;
  const TPNGGraphic* picture = formActive_ ? manager->ExtBorderActive.get() : manager->ExtBorderInactive.get();
  if (!picture || picture->Empty()) return;
  std::function<void(Bitmap&)> title;
  if (form_ && HasOwnCaption(ReadFormInfo()))
    title = [this, &l](Bitmap&) {  // the cache itself
      PaintTitleBand(l);
      if (drawNonClientArea_) PaintCaptionText(l);
    };
  ComposeExtendedBorder(*cache, *picture, *manager, skinData_->BorderMaskIndex, title);
}

// ------------------------------------------------------------ the handler

void TsSkinProvider::InstallExtBorderHook() {
  extHook_ = InstallWindowProc(
      form_, [this](Message& m, const CallPrevious& previous) { ExtBorderHook(m, previous); },
      WindowProcLevel::Control);
}

void TsSkinProvider::ExtBorderHook(Message& m, const CallPrevious& previous) {
  QPointer<TsSkinProvider> self(this);
  switch (m.Msg) {
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONUP:
    case WM_NCRBUTTONDOWN:
    case WM_NCRBUTTONUP:
      // The border window leaves the hit code to its own hit test.
      if (borderForm_ && m.WParam == kAskBorderHitTest)
        m.WParam = WPARAM(borderForm_->BorderHitTest({GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)}));
      previous(m);
      return;
    case WM_NCPAINT:
      if (form_ && form_->isVisible() && bool(borderForm_) != WantsBorderWindow()) UpdateExtBorder(true);
      previous(m);
      if (self) UpdateBorderWindow(true);
      return;
    case WM_EXITSIZEMOVE:
      // Moved or sized: the skinned dialogs lay their borders anew, and a
      // modal form its own.
      previous(m);
      if (!self || !borderForm_) return;
      {
        std::vector<QPointer<QWidget>> dialogs;
        for (QWidget* w : adapters::DialogProviderWindows()) dialogs.emplace_back(w);
        for (const QPointer<QWidget>& w : dialogs)
          if (w) SendSkinCommandToHandle(w, acAppActivated, 0);
      }
      if (self && borderForm_ && form_ && form_->isModal()) UpdateBorderWindow(false);
      return;
    case CM_ACTIVATE:
      // The form came forward: its border with it.
      previous(m);
      if (self && borderForm_) {
        UpdateBorderWindow(false);
        borderForm_->KeepBehindOwner();
      }
      return;
    case WM_MOVE:
    case WM_WINDOWPOSCHANGED:
    case WM_NCACTIVATE:
    case CM_DEACTIVATE:
    case WM_SETTEXT:
      previous(m);
      if (self) UpdateBorderWindow(false);
      return;
    case WM_SIZE:
      previous(m);
      if (!self || !form_) return;
      // Maximized, minimized or restored: the border goes or comes back.
      if (form_->isVisible() && bool(borderForm_) != WantsBorderWindow()) UpdateExtBorder(true);
      else UpdateBorderWindow(true);
      return;
    case CM_VISIBLECHANGED:
    case WM_SHOWWINDOW:
      previous(m);
      if (!self || !form_) return;
      if (form_->isVisible() && !borderForm_ && WantsBorderWindow()) UpdateExtBorder(true);
      else UpdateBorderWindow(false);
      return;
    case WM_DESTROY:
      UpdateExtBorder(false);
      previous(m);
      return;
    default:
      break;
  }
  if (m.Msg != SkinCommandMsg) {
    previous(m);
    return;
  }
  const unsigned command = HIWORD(std::uintptr_t(m.WParam));
  previous(m);
  if (!self || !form_) return;
  switch (command) {
    case acRemoveSkin:
      UpdateExtBorder(false);
      break;
    case acNewSkin:
    case acRefresh:
      if (!WantsBorderWindow()) {
        UpdateExtBorder(false);
      } else if (form_->isVisible()) {
        if (!borderForm_) UpdateExtBorder(true);
        skinData_->BackgroundDirty = true;  // the new skin's margins and pictures
        UpdateBorderWindow(true);
      }
      break;
    case 37:
      UpdateBorderWindow(false);
      break;
    default:
      break;
  }
}
