#include "skinlib/manager/GlowEffect.h"

#include "platform/Blit.h"
#include "platform/Startup.h"
#include "platform/WindowPos.h"
#include "platform/WindowTable.h"
#include "skinlib/manager/AlphaPainting.h"
#include "skinlib/manager/BitmapFactories.h"
#include "skinlib/manager/CommonDataSeams.h"
#include "skinlib/manager/ManagerSeams.h"
#include "skinlib/manager/MaskSlicing.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"

#include <QWidget>

#include <algorithm>
#include <climits>
#include <vector>

using platform::Bitmap;
using platform::LayeredWindow;
using platform::TPoint;
using platform::TRect;

namespace {

// The glow list: slot i holds the glow numbered firstIndex + i (nullptr
// once hidden).
std::vector<std::unique_ptr<TacGlowEffect>> glows;
int firstIndex = 0;
// While the unit ends no event loop will free a window later.
bool unitEnding = false;

void StartGlowEffect() {
  ManagerSeams().FreeAllGlows = ClearGlows;
  CommonDataSeams().ShowControlGlow = [](TsCommonData& data, bool) { ShowCommonDataGlow(data); };
  CommonDataSeams().HideGlow = HideGlow;
}

void FinishGlowEffect() {
  ManagerSeams().FreeAllGlows = nullptr;
  CommonDataSeams().ShowControlGlow = nullptr;
  CommonDataSeams().HideGlow = nullptr;
  unitEnding = true;
  ClearGlows();
  unitEnding = false;
}

[[maybe_unused]] const bool registered =
    platform::RegisterUnit("GlowEffect", StartGlowEffect, FinishGlowEffect, {"AlphaPainting"});

// The slot of a glow's index, or -1 when the index is none of this list's.
int SlotOf(int index) {
  const int64_t slot = int64_t(index) - firstIndex;
  return slot >= 0 && slot < int64_t(glows.size()) ? int(slot) : -1;
}

// What the system's layered window takes: pixels copied with their own
// alpha premultiplied by it; those of alpha 0 keep their colour (light a
// mask with a mask part painted), those of 255 stay.
void Premultiply(Bitmap& picture) {
  for (int y = 0; y < picture.Height(); ++y) {
    uint8_t* p = picture.ScanLine(y);
    for (int x = 0; x < picture.Width(); ++x, p += 4) {
      const unsigned a = p[3];
      if (a == 0 || a == 255) continue;
      for (int c = 0; c < 3; ++c) p[c] = uint8_t((p[c] * a + 127) / 255);
    }
  }
}

}  // namespace

std::optional<TacGlowPlacement> GlowPlacement(const TRect& r, const TRect& visible, const TRect& maskMargins,
                                              int margin) {
  const int ml = maskMargins.Left, mt = maskMargins.Top, mr = maskMargins.Right, mb = maskMargins.Bottom;
  // Nothing of the control shows.
  if (visible.Width() <= 0 || visible.Height() <= 0) return std::nullopt;
  const int64_t fullW = int64_t(r.Width()) + ml + mr - 2 * int64_t(margin);
  const int64_t fullH = int64_t(r.Height()) + mt + mb - 2 * int64_t(margin);
  // A margin wider than the mask's leaves a smaller glow, or none.
  if (fullW <= 0 || fullH <= 0 || !platform::BitmapSizeAllowed(fullW, fullH)) return std::nullopt;
  int64_t cl = 0, ct = 0, cr = 0, cb = 0;
  if (visible.Width() != r.Width() || visible.Height() != r.Height()) {
    if (visible.Left != 0) cl = int64_t(ml) + visible.Left - margin;
    if (visible.Top != 0) ct = int64_t(mt) + visible.Top - margin;
    if (visible.Right != r.Width())
      cr = cl != 0 ? fullW - cl - visible.Width() : int64_t(r.Width()) - visible.Width() + mr - margin;
    if (visible.Bottom != r.Height())
      cb = ct != 0 ? fullH - ct - visible.Height() : int64_t(r.Height()) - visible.Height() + mb - margin;
  }
  // A visible part reaching past the control cuts nothing on that side.
  cl = std::max<int64_t>(cl, 0), ct = std::max<int64_t>(ct, 0);
  cr = std::max<int64_t>(cr, 0), cb = std::max<int64_t>(cb, 0);
  const int64_t w = fullW - cl - cr, h = fullH - ct - cb;
  if (w <= 0 || h <= 0) return std::nullopt;
  TacGlowPlacement p;
  p.FullWidth = int(fullW);
  p.FullHeight = int(fullH);
  p.Cut = TPoint{int(cl), int(ct)};
  const int64_t x = cl + r.Left - ml + margin, y = ct + r.Top - mt + margin;
  if (x < INT_MIN || y < INT_MIN || x + w > INT_MAX || y + h > INT_MAX) return std::nullopt;
  p.Screen = TRect{int(x), int(y), int(x + w), int(y + h)};
  return p;
}

// ------------------------------------------------------------ the glow

TacGlowEffect::~TacGlowEffect() {
  RemoveWindowProc(glowProc_);  // nothing when the window went first
  if (!Form) return;
  LayeredWindow* form = Form.data();
  Form = nullptr;
  if (!SkinManager || SkinManager->Destroying() || unitEnding) {
    delete form;
    return;
  }
  form->hide();
  form->deleteLater();
}

void TacGlowEffect::CreateGlowBitmap(int width, int height) {
  Bitmap = CreateBitmap32(width, height);
  Bitmap->Fill(0);
  if (MaskIndex < 0 || !SkinManager || !SkinManager->IsValidMaskIndex(MaskIndex)) return;
  PaintMaskRect(*Bitmap, TRect{0, 0, width, height}, false, EmptyCacheInfo, SkinManager->MaskData[size_t(MaskIndex)], 0,
                false);
}

bool TacGlowEffect::Show(const TRect& r, const TRect& visible, QWidget* wnd) {
  if (Form || !SkinManager || !SkinManager->IsValidMaskIndex(MaskIndex)) return false;
  TsSkinManager& sm = *SkinManager;
  const TRect margins{sm.MaskLeftWidth(MaskIndex), sm.MaskTopWidth(MaskIndex), sm.MaskRightWidth(MaskIndex),
                      sm.MaskBottomWidth(MaskIndex)};
  const std::optional<TacGlowPlacement> place = GlowPlacement(r, visible, margins, Margin);
  if (!place) return false;
  CreateGlowBitmap(place->FullWidth, place->FullHeight);
  const int w = place->Screen.Width(), h = place->Screen.Height();
  if (w != place->FullWidth || h != place->FullHeight) {
    auto part = CreateBitmap32(w, h);
    platform::BitBlt(*part, 0, 0, w, h, *Bitmap, place->Cut.X, place->Cut.Y);
    Bitmap = std::move(part);
  }
  Premultiply(*Bitmap);

  // A tool window of the control's top-level window, on top with one that
  // stays on top.
  QWidget* host = wnd ? wnd->window() : nullptr;
  auto* form = new LayeredWindow(host, true);
  if (host && (platform::GetWindowLong(host, platform::GWL_EXSTYLE) & platform::WS_EX_TOPMOST))
    form->setWindowFlag(Qt::WindowStaysOnTopHint);
  Form = form;
  glowProc_ = platform::InstallWindowProc(form, [](platform::Message& m, const platform::CallPrevious& previous) {
    if (m.Msg == platform::WM_NCHITTEST) {
      m.Result = platform::HTTRANSPARENT;
      return;
    }
    previous(m);
  });
  form->Update(TPoint{place->Screen.Left, place->Screen.Top}, *Bitmap, 255, LayeredWindow::Alpha::Premultiplied);
  platform::ShowWindow(form, platform::SW_SHOWNOACTIVATE);
  Bitmap.reset();  // the window keeps its own copy
  return true;
}

// ------------------------------------------------------------ the list

int ShowGlow(const TRect& r, const TRect& visible, const QString& sectionName, const QString& maskName, int margin,
             QWidget* wnd, TsSkinManager* manager) {
  if (!LayeredWindowsAvailable()) return -1;
  TsSkinManager* sm = manager ? manager : FirstSkinManager;
  if (!sm) return -1;
  auto glow = std::make_unique<TacGlowEffect>();
  glow->SkinManager = sm;
  glow->MaskIndex = sm->IndexOfMask(sectionName, maskName + u'0');
  if (glow->MaskIndex < 0) return -1;
  glow->Margin = margin;
  if (!glow->Show(r, visible, wnd)) return -1;
  // Numbers are never given twice; after some two thousand million glows
  // the count starts again.
  if (int64_t(firstIndex) + int64_t(glows.size()) >= INT_MAX) {
    ClearGlows();
    firstIndex = 0;
  }
  glows.push_back(std::move(glow));
  return firstIndex + int(glows.size()) - 1;
}

void HideGlow(int index) {
  const int slot = SlotOf(index);
  if (slot < 0) return;
  // Out of the list before it is freed: freeing may run other code.
  std::unique_ptr<TacGlowEffect> glow = std::move(glows[size_t(slot)]);
}

void ClearGlows() {
  std::vector<std::unique_ptr<TacGlowEffect>> gone;
  gone.swap(glows);
  firstIndex = int(std::min<int64_t>(int64_t(firstIndex) + int64_t(gone.size()), INT_MAX));
  gone.clear();
}

TacGlowEffect* GlowAt(int index) {
  const int slot = SlotOf(index);
  return slot < 0 ? nullptr : glows[size_t(slot)].get();
}

int ShownGlowCount() {
  int n = 0;
  for (const auto& glow : glows) n += glow != nullptr;
  return n;
}

// ------------------------------------------------------------ a control's glow

TRect VisiblePart(const QWidget* control) {
  if (!control || !control->isVisible()) return {};
  QRect part = control->rect();
  QPoint offset;  // the control's origin in the parent reached
  for (const QWidget* w = control; !w->isWindow() && w->parentWidget(); w = w->parentWidget()) {
    offset += w->pos();
    part &= QRect(-offset, w->parentWidget()->size());
  }
  if (part.isEmpty()) return {};
  return TRect{part.left(), part.top(), part.right() + 1, part.bottom() + 1};
}

void ShowCommonDataGlow(TsCommonData& data) {
  QWidget* owner = data.OwnerControl();
  TsSkinManager* sm = data.SkinManager();
  const TsGeneralData* section = data.Section();
  if (!owner || !sm || !section) return;
  // A control shows one glow: an earlier one goes first.
  HideGlow(data.GlowIndex);
  const QPoint origin = owner->mapToGlobal(QPoint(0, 0));
  const TRect r{origin.x(), origin.y(), origin.x() + owner->width(), origin.y() + owner->height()};
  data.GlowIndex = ShowGlow(r, VisiblePart(owner), section->SectionName, QStringLiteral("GLOW"), section->GlowMargin,
                            owner->window(), sm);
}
