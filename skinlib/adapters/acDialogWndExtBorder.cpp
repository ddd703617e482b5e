// The dialog adapter's extended borders: its border window (acBorderForm.h)
// made and dropped, placed after every move, size, activation and repaint
// of the dialog, and the shadow picture laid around the dialog's picture in
// the cache. Its own handler in the dialog's chain (just before the
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

#include <QPointer>

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

void TacDialogWnd::UpdateBorderForm(bool create) {
  QWidget* h = CtrlHandle();
  if (!h || !SkinData()) return;
  const bool want = create && WantsBorderForm();
  if (want == bool(borderForm_)) return;
  if (want) {
    borderOwner_ = std::make_unique<TacDialogBorderOwner>(*this);
    borderForm_ = std::make_unique<TacBorderForm>(*borderOwner_);
  } else {
    borderForm_.reset();
    borderOwner_.reset();
  }
  // The cache changes its format, size and place, the window its region.
  SkinData()->BackgroundDirty = true;
  if (Destroyed() || IsDestroying(h) || !Skinned() || !HasNonClientFrame(h)) return;
  UpdateRegion(false);
  if (h->isVisible()) {
    RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
    if (want) UpdateBorderWindow(true);
  }
}

void TacDialogWnd::UpdateBorderWindow(bool repaint) {
  if (borderForm_) borderForm_->UpdatePosition(repaint, 255);
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
  extHook_ = InstallWindowProc(
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
      if (h->isVisible() && bool(borderForm_) != WantsBorderForm()) UpdateBorderForm(true);
      // The border window shows the cache: a new picture goes there too.
      const bool stale = SkinData() && (SkinData()->BackgroundDirty || !SkinData()->CacheBitmap);
      previous(m);
      if (alive() && borderForm_ && h->isVisible() &&
          (stale || !borderForm_->BorderWindow() || !borderForm_->BorderWindow()->isVisible()))
        UpdateBorderWindow(true);
      return;
    }
    case WM_WINDOWPOSCHANGING:
      // Hidden: the border goes (it comes back with the next show's frame).
      if (const auto* pos = ParamPtr<WINDOWPOS>(m.LParam); pos && (pos->flags & SWP_HIDEWINDOW))
        UpdateBorderForm(false);
      previous(m);
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
