// The dialog adapter's extended borders: its border window (acBorderForm.h)
// made and dropped, placed after every move, size, activation and repaint
// of the dialog, the shadow picture laid around the dialog's picture in the
// cache, and the title's height in the dialog's band (the window sized to
// keep its client). Its own handler in the dialog's chain (just before the
// adapter's) does this around the adapter's handling.
#include "skinlib/adapters/acDialogWnd.h"

#include "platform/NonClient.h"
#include "platform/Painting.h"
#include "platform/WindowPos.h"
#include "platform/WindowTable.h"
#include "platform/WindowUtils.h"
#include "skinlib/adapters/acBorderForm.h"
#include "skinlib/adapters/sSBAnimation.h"
#include "skinlib/manager/FastBitmaps.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/SkinOptions.h"
#include "skinlib/manager/acPNG.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"

#include <QLayout>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <cstring>

using namespace platform;

// What the border window asks of a dialog. The dialog's picture has the
// window's own geometry (its border and title are those of its band), so
// the skin's border and title are the window's: the dialog lies in the
// picture at the margins' left and top.
class TacDialogBorderOwner : public TacBorderOwner {
 public:
  explicit TacDialogBorderOwner(TacDialogWnd& d) : d_(d) {}

  QWidget* OwnerWindow() const override { return d_.CtrlHandle(); }
  Bitmap* OwnerImage() const override {
    Bitmap* cache = d_.SkinData() ? d_.SkinData()->CacheBitmap.get() : nullptr;
    return cache && cache->PixelFormat() == pf32bit ? cache : nullptr;
  }
  bool OwnerImageDirty() const override {
    const Bitmap* image = OwnerImage();
    QWidget* h = d_.CtrlHandle();
    if (!image || !h || d_.SkinData()->BackgroundDirty) return true;
    const TRect m = BorderMargins();
    return image->Width() != h->width() + m.Left + m.Right || image->Height() != h->height() + m.Top + m.Bottom;
  }
  void PaintOwnerImage() override {
    if (!d_.SkinData()) return;
    d_.SkinData()->BackgroundDirty = true;
    d_.RepaintCache();
  }
  TRect BorderMargins() const override {
    TsSkinManager* m = d_.Manager();
    return m ? m->ExtBorderMargins : TRect{};
  }
  int SkinBorderWidth() const override { return d_.WindowBorderOffsets().X; }
  int SkinTitleHeight() const override { return d_.WindowBorderOffsets().Y; }
  int SystemBorderWidth() const override { return d_.WindowBorderOffsets().X; }
  int SystemCaptionHeight() const override {
    const TPoint o = d_.WindowBorderOffsets();
    return o.Y - o.X;
  }
  bool HasCaption() const override { return d_.TitleHeight() > 0; }
  TRect TitleIconRect() const override { return d_.TitleHeight() > 0 ? d_.IconRect() : TRect{}; }
  // A dialog's title has its close and help positions only.
  int TitleButtonAt(TPoint p) const override {
    if (d_.TitleHeight() <= 0 || !d_.Info().HasSysMenu()) return 0;
    const TacTitleLayout l = d_.Layout();
    if (l.System[2].Shown && l.System[2].Rect.Contains(p)) return HTCLOSE;
    if (l.System[3].Shown && l.System[3].Rect.Contains(p)) return HTHELP;
    return 0;
  }
  TRect ClientRectInImage() const override {
    QWidget* h = d_.CtrlHandle();
    if (!h) return {};
    const TPoint s = d_.ExtShift();
    const QRect c = h->contentsRect().translated(s.X, s.Y);
    return {c.left(), c.top(), c.left() + c.width(), c.top() + c.height()};
  }
  void SetHotElement(int code) override {
    if (!TacDialogWnd::ButtonPressed()) d_.SetHotButton(code, true);
  }
  void FreeGlows() override {
    StopButtonFades(d_.fadeAnchor_.get());
    for (size_t i = 0; i < d_.buttons_.size(); ++i) d_.HideButtonGlow(int(i));
  }
  bool MayUpdate() const override {
    QWidget* h = d_.CtrlHandle();
    return h && !d_.Destroyed() && d_.Skinned() && HasNonClientFrame(h);
  }
  bool IsModal() const override { return d_.CtrlHandle() && d_.CtrlHandle()->isModal(); }
  bool CanMaximizeOrRestore() const override {
    const TacDialogInfo& i = d_.Info();
    return i.CanMaximize() || i.CanRestore();
  }

 private:
  TacDialogWnd& d_;
};

// ------------------------------------------------------------ the border object

TPoint TacDialogWnd::ExtShift() const {
  TsSkinManager* m = Manager();
  if (!borderForm_ || !m) return {};
  return {m->ExtBorderMargins.Left, m->ExtBorderMargins.Top};
}

bool TacDialogWnd::BorderMode1() const {
  TsSkinManager* m = Manager();
  return borderForm_ && m && m->SkinData && m->SkinData->BorderMode == 1;
}

bool TacDialogWnd::WantsBorderForm() const {
  QWidget* h = CtrlHandle();
  TsSkinManager* m = Manager();
  if (!h || !setUp_ || Destroyed() || IsDestroying(h) || !Skinned() || !m->ExtendedBorders()) return false;
  // The skin's own border picture: without "EXBORDER" a dialog has none.
  if (!m->IsValidMaskIndex(m->StandardIndexes.ExBorder)) return false;
  if (!m->ExtBorderActive || !m->ExtBorderInactive || m->ExtBorderActive->Empty()) return false;
  // A maximized dialog fills the work area, a minimized one has no frame
  // to lay a shadow around; a dialog goes without it until it is framed.
  return !IsIconic(h) && !IsZoomed(h) && HasNonClientFrame(h);
}

void TacDialogWnd::UpdateBorderForm(bool create, bool fitBand) {
  QWidget* h = CtrlHandle();
  if (!h || !SkinData()) return;
  const bool want = create && WantsBorderForm();
  const bool changed = want != bool(borderForm_);
  if (changed) {
    KeepClientHeight();
    if (want) {
      borderOwner_ = std::make_unique<TacDialogBorderOwner>(*this);
      borderForm_ = std::make_unique<TacBorderForm>(*borderOwner_);
    } else {
      borderForm_.reset();
      borderOwner_.reset();
    }
    // The cache changes its format, size and place, the window its region.
    SkinData()->BackgroundDirty = true;
  }
  // The title's height follows the border's (a new skin's too).
  if (fitBand) FitBandToTitle();
  if (!changed || Destroyed() || IsDestroying(h) || !Skinned() || !HasNonClientFrame(h)) return;
  UpdateRegion(false);
  if (h->isVisible()) {
    RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
    if (want) UpdateBorderWindow(true);
  }
}

void TacDialogWnd::UpdateBorderWindow(bool repaint) {
  if (borderForm_) borderForm_->UpdatePosition(repaint, 255);
}

// ------------------------------------------------------------ the title's height

int TacDialogWnd::BorderTitleHeight() const {
  TsSkinManager* m = Manager();
  return borderForm_ && m && m->SkinData ? m->SkinData->TitleHeight : 0;
}

int TacDialogWnd::TitleExtra() const { return TitleHeight() - DialogTitleHeight(Info()); }

void TacDialogWnd::FitBandToTitle() {
  // (Also while the adapter goes: the frame it leaves has the system's band.)
  QWidget* h = CtrlHandle();
  if (!h || IsDestroying(h) || !HasNonClientFrame(h)) return;
  const int extra = TitleExtra();
  if (extra != bandExtra_) {
    KeepClientHeight();
    RecalcNonClient(h);
  }
  // A maximized or minimized window has the system's size.
  if (extra == grownBy_ || IsZoomed(h) || IsIconic(h) || h->isFullScreen()) return;
  grownBy_ = extra;
  const QMargins band = h->contentsMargins();
  SetWindowHeight(std::max(0, (keptClient_ >= 0 ? keptClient_ : h->contentsRect().height()) + band.top() +
                                  band.bottom()));
}

void TacDialogWnd::KeepClientHeight() {
  // Only while the window's height is the one of its band (not restored
  // from maximized with a band still to change, say).
  if (QWidget* h = CtrlHandle(); h && bandExtra_ == grownBy_) keptClient_ = h->contentsRect().height();
}

void TacDialogWnd::SetWindowHeight(int height) {
  QWidget* h = CtrlHandle();
  // The limits a layout gives take the new band first; a fixed height
  // stays fixed (never passing through a sizeable window, whose frame is
  // another), other limits give way as far as the band asks.
  if (QLayout* layout = h->layout()) layout->activate();
  const bool fixed = h->minimumHeight() == h->maximumHeight();
  if (height > h->maximumHeight()) h->setMaximumHeight(height);
  if (fixed || height < h->minimumHeight()) h->setMinimumHeight(height);
  if (fixed) h->setMaximumHeight(height);
  const TRect before = GetWindowRect(h);
  h->resize(h->width(), height);
  KeepGrownWindowInWorkArea(h, before);
}

// ------------------------------------------------------------ the picture

void TacDialogWnd::PaintExtendedBorder() {
  TsSkinManager* m = Manager();
  Bitmap* cache = SkinData() ? SkinData()->CacheBitmap.get() : nullptr;
  if (!m || !m->SkinData || !cache || cache->PixelFormat() != pf32bit) return;
  const TPNGGraphic* picture = active_ ? m->ExtBorderActive.get() : m->ExtBorderInactive.get();
  if (!picture || picture->Empty()) return;
  std::function<void(Bitmap&)> title;
  if (TitleHeight() > 0) title = [this](Bitmap& b) { PaintTitle(b, Layout()); };
  ComposeExtendedBorder(*cache, *picture, *m, SkinData()->BorderMaskIndex, title);
}

// ------------------------------------------------------------ the handler

void TacDialogWnd::InstallExtBorderHook() {
  if (!CtrlHandle()) return;
  extHook_ = InstallPartHandler(
      CtrlHandle(), [this](Message& m, const CallPrevious& previous) { ExtBorderHook(m, previous); },
      WindowProcLevel::Window);
}

void TacDialogWnd::ExtBorderHook(Message& m, const CallPrevious& previous) {
  QWidget* h = CtrlHandle();
  if (!h || Destroyed()) {
    previous(m);
    return;
  }
  const std::weak_ptr<const bool> life = life_;
  const auto alive = [&] { return !life.expired() && !Destroyed() && CtrlHandle(); };
  switch (m.Msg) {
    case WM_NCPAINT: {
      // (Inside a paint: the band is fitted once the paint is over.)
      if (h->isVisible() && bool(borderForm_) != WantsBorderForm()) {
        UpdateBorderForm(true, /*fitBand=*/false);
        QTimer::singleShot(0, h, [this, life] {
          if (!life.expired() && !Destroyed()) FitBandToTitle();
        });
      }
      // The border window shows the cache: a new picture goes there too.
      const bool stale = SkinData() && (SkinData()->BackgroundDirty || !SkinData()->CacheBitmap);
      previous(m);
      if (alive() && borderForm_ && h->isVisible() &&
          (stale || !borderForm_->BorderWindow() || !borderForm_->BorderWindow()->isVisible()))
        UpdateBorderWindow(true);
      return;
    }
    case WM_WINDOWPOSCHANGING:
      // Hidden: the border goes (it comes back with the next show); the
      // window keeps the size it shows at.
      if (const auto* pos = ParamPtr<WINDOWPOS>(m.LParam); pos && (pos->flags & SWP_HIDEWINDOW))
        UpdateBorderForm(false, /*fitBand=*/false);
      previous(m);
      return;
    case WM_SHOWWINDOW:
      previous(m);
      // Shown again: the border is back before the window appears.
      if (alive() && m.WParam && h->isVisible() && bool(borderForm_) != WantsBorderForm()) UpdateBorderForm(true);
      return;
    case WM_NCCALCSIZE:
      previous(m);
      if (!alive()) return;
      // The title takes the border's height.
      bandExtra_ = TitleExtra();
      if (bandExtra_ != 0) {
        TRect& r = m.WParam ? ParamPtr<NCCALCSIZE_PARAMS>(m.LParam)->rgrc[0] : *ParamPtr<TRect>(m.LParam);
        r.Top = std::min(r.Bottom, r.Top + bandExtra_);
      }
      return;
    case WM_SIZE:
      previous(m);
      if (!alive()) return;
      // Maximized, minimized or restored: the border goes or comes back.
      if (h->isVisible() && bool(borderForm_) != WantsBorderForm()) UpdateBorderForm(true);
      else if (h->isVisible()) UpdateBorderWindow(true);
      return;
    case WM_MOVE:
    case WM_WINDOWPOSCHANGED:
    case WM_EXITSIZEMOVE:
      previous(m);
      if (alive() && h->isVisible()) UpdateBorderWindow(false);
      return;
    case WM_SETTEXT:
      previous(m);
      // The title in the border's picture (the adapter repaints the band).
      if (alive() && borderForm_ && h->isVisible()) {
        SkinData()->BackgroundDirty = true;
        UpdateBorderWindow(true);
      }
      return;
    case WM_NCACTIVATE:
      previous(m);
      // Active again: the border comes forward with the dialog.
      if (alive() && borderForm_ && m.WParam) borderForm_->KeepBehindOwner();
      return;
    case WM_SYSCOMMAND: {
      const bool move = (m.WParam & 0xFFF0) == SC_MOVE;
      previous(m);
      if (move && alive() && h->isVisible()) UpdateBorderWindow(false);
      return;
    }
    case WM_DESTROY:
    case WM_NCDESTROY:
      UpdateBorderForm(false);
      previous(m);
      return;
    default:
      break;
  }
  if (m.Msg != SkinCommandMsg) {
    previous(m);
    return;
  }
  switch (HIWORD(std::uintptr_t(m.WParam))) {
    case acNewSkin:
    case acRefresh:
      previous(m);
      if (!alive()) return;
      // Made or freed after ExtendedBorders (the manager has the skin's
      // margins and pictures already), then painted anew.
      UpdateBorderForm(true);
      if (borderForm_ && h->isVisible()) {
        SkinData()->BackgroundDirty = true;
        UpdateBorderWindow(true);
      }
      return;
    case acRemoveSkin:
      UpdateBorderForm(false);
      previous(m);
      return;
    case acAppActivated:
      previous(m);
      if (alive() && h->isVisible()) UpdateBorderWindow(false);
      return;
    default:
      previous(m);
      return;
  }
}
