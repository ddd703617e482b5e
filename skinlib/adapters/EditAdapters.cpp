#include "skinlib/adapters/EditAdapters.h"

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/NonClient.h"
#include "platform/Painting.h"
#include "platform/Properties.h"
#include "platform/Startup.h"
#include "platform/WindowProc.h"
#include "platform/WindowTable.h"
#include "platform/WindowUtils.h"
#include "skinlib/adapters/AdapterBaseSeams.h"
#include "skinlib/adapters/AdapterUtils.h"
#include "skinlib/manager/FastBitmaps.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/SectionBackgrounds.h"
#include "skinlib/manager/SkinRecords.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"

#include <QListWidget>

#include <algorithm>

using namespace platform;

namespace {

TRect Local(int w, int h) {
  TRect r;
  r.Right = w;
  r.Bottom = h;
  return r;
}

// One corner of the mask laid over the cache: key-colour pixels of the
// mask take the parent's background.
struct TacCornerCopy {
  int DstX, DstY;  // in the cache
  int SrcX, SrcY;  // in the mask's bitmap
  int W, H;
};

void ClearCorner(Bitmap& cache, const Bitmap& mask, const TacCornerCopy& c, const TsBgSource& bg) {
  for (int y = 0; y < c.H; ++y)
    for (int x = 0; x < c.W; ++x) {
      const int sx = c.SrcX + x, sy = c.SrcY + y, dx = c.DstX + x, dy = c.DstY + y;
      if (sx < 0 || sy < 0 || sx >= mask.Width() || sy >= mask.Height()) continue;
      if (dx < 0 || dy < 0 || dx >= cache.Width() || dy >= cache.Height()) continue;
      if (mask.GetPixel(sx, sy) != KeyColor) continue;
      if (bg.Bitmap) {
        const int px = dx + bg.X, py = dy + bg.Y;
        if (px < 0 || py < 0 || px >= bg.Bitmap->Width() || py >= bg.Bitmap->Height()) continue;
        cache.SetPixel(dx, dy, bg.Bitmap->GetPixel(px, py));
      } else {
        cache.SetPixel(dx, dy, ColorToRGB(bg.FillColor));
      }
    }
}

int Margin(int own, int borderWidth, int image) { return own > 0 ? own : borderWidth >= 1 ? borderWidth : image; }

}  // namespace

// ------------------------------------------------------------ shared routines

void PrepareAdapterCache(TsCommonData& data, QWidget* window, bool state) {
  if (!window || !data.BackgroundDirty) return;
  if (!data.CacheBitmap) data.CacheBitmap = std::make_unique<Bitmap>(0, 0, pf24bit);
  Bitmap& cache = *data.CacheBitmap;
  if (cache.PixelFormat() != pf24bit) cache.SetPixelFormat(pf24bit);
  cache.SetSize(window->width(), window->height());
  TsSkinManager* sm = data.SkinManager();
  TsBgSource bg;
  ParentWndCacheInfo(window, bg);
  if (sm && sm->IsValidSectionIndex(data.SectionIndex)) {
    const int paintState = HasStateImages(data) && (data.Focused || data.MouseAbove) ? 1 : 0;
    PaintControlItem(data, bg, cache, Local(cache.Width(), cache.Height()), {0, 0}, paintState, true);
    if (state && sm->IsValidSectionIndex(sm->StandardIndexes.GlobalInfo)) {
      const TColor global = sm->GeneralData[size_t(sm->StandardIndexes.GlobalInfo)].Color;
      if (global != KeyColor) cache.Fill(ToQColor(ColorToRGB(global)).rgb());
    }
  }
  if (QWidget* owner = data.OwnerControl(); owner && !owner->isEnabled()) {
    Perform(owner, SkinCommandMsg, MAKEWPARAM(0, acDisabledBlend), 0);
    FillBgFromCacheInfo(cache, kBgCover, owner, bg, {0, 0});
  }
  data.BackgroundDirty = false;
}

void PaintAdapterBorder(TsCommonData& data, int state, QWidget* window, bool dlgMode) {
  TsSkinManager* sm = data.SkinManager();
  if (!sm || dlgMode || !window || !data.CacheBitmap) return;
  if (!sm->IsValidSectionIndex(data.SectionIndex) || !sm->IsValidMaskIndex(data.BorderMaskIndex)) return;
  if (window->width() < 2 || window->height() < 2) return;
  const TsMaskData& md = sm->MaskData[size_t(data.BorderMaskIndex)];
  const Bitmap* source = md.Bmp ? md.Bmp.get() : sm->MasterBitmap.get();
  if (!source) return;
  // A count of 0 is one image: the corners never come from the picture
  // left of the mask.
  const int count = std::max<int>(1, md.ImageCount);
  state = std::clamp(state, 0, count - 1);
  const int imageW = md.R.Width() / count;
  const int imageH = md.R.Height() / std::max(1, md.MaskType + 1);
  const int wl = Margin(md.WL, md.BorderWidth, imageW), wr = Margin(md.WR, md.BorderWidth, imageW);
  const int wt = Margin(md.WT, md.BorderWidth, imageH), wb = Margin(md.WB, md.BorderWidth, imageH);
  const int left = md.R.Left + state * imageW;
  // Masks with a mask part keep it in the rows below the image.
  const int top = md.R.Top + (md.MaskType > 0 ? imageH : 0);
  Bitmap& cache = *data.CacheBitmap;
  const int w = cache.Width(), h = cache.Height();
  TsBgSource bg;
  ParentWndCacheInfo(window, bg);
  if (bg.Bitmap && bg.Bitmap->PixelFormat() != pf24bit && bg.Bitmap->PixelFormat() != pf32bit) bg.Bitmap = nullptr;
  const TacCornerCopy corners[] = {
      {0, 0, left, top, wl, wt},
      {0, h - wb, left, top + imageH - wb, wl, wb},
      {w - wr, 0, left + imageW - wr, top, wr, wt},
      {w - wr, h - wb, left + imageW - wr, top + imageH - wb, wr, wb},
  };
  for (const TacCornerCopy& c : corners) ClearCorner(cache, *source, c, bg);
}

bool HasStateImages(const TsCommonData& data) {
  const TsSkinManager* sm = data.SkinManager();
  return sm && data.SectionIndex >= 0 && sm->IsValidMaskIndex(data.BorderMaskIndex) &&
         sm->MaskData[size_t(data.BorderMaskIndex)].ImageCount > 1;
}

void SetOrdPropertyIfAny(QObject* object, const QString& name, int value) {
  if (object && HasProperty(object, name)) SetOrdProperty(object, name, value);
}

TColor GetColorPropertyRGB(const QObject* object, const QString& name) {
  if (!object || !HasProperty(object, name)) return clNone;
  return ColorToRGB(TColor(GetOrdProperty(object, name)));
}

QWidget* FindWinControlByHandle(const QWidget* handle, QWidget* container) {
  if (!handle || !container) return nullptr;
  for (QObject* child : container->children()) {
    auto* w = qobject_cast<QWidget*>(child);
    if (!w) continue;
    if (w == handle) return w;
    if (QWidget* found = FindWinControlByHandle(handle, w)) return found;
  }
  return nullptr;
}

void NotifyTopParentChanged(QWidget* window) {
  if (!window) return;
  QWidget* top = window;
  while (QWidget* parent = GetParent(top)) top = parent;
  SendMessage(top, SkinCommandMsg, MAKEWPARAM(0, acControlChanged), 0);
}

// ------------------------------------------------------------ TacBaseWnd

bool TacBaseWnd::SkinActive() const {
  const TsSkinManager* sm = SkinData() ? SkinData()->SkinManager() : nullptr;
  return sm && sm->Active() && !Destroyed();
}

void TacBaseWnd::AdapterWndProc(Message& m, const CallPrevious& previous) {
  if (!SkinActive()) {
    TacScrollWnd::AdapterWndProc(m, previous);
    return;
  }
  QWidget* h = CtrlHandle();
  TsCommonData& data = *SkinData();
  if (m.Msg == SkinCommandMsg) {
    const unsigned command = HIWORD(m.WParam);
    if (command == acRefresh && m.LParam == LPARAM(PtrParam(data.SkinManager()))) {
      QPointer<QWidget> alive(h);
      TacScrollWnd::AdapterWndProc(m, previous);
      if (alive && !Destroyed() && IsWindowVisible(h)) RedrawNonClient(h);
      return;
    }
    if (command == acPrepareCache) PrepareAdapterCache(data, h, false);
  }
  switch (m.Msg) {
    case WM_SIZE:
      data.BackgroundDirty = true;
      break;
    case WM_SETCURSOR:
      PassOn(m, previous);
      return;
    case 0x2100:
      return;
    default:
      break;
  }
  const unsigned msg = m.Msg;
  const WPARAM wp = m.WParam;
  QPointer<QWidget> alive(h);
  TacScrollWnd::AdapterWndProc(m, previous);
  if (!alive || Destroyed()) return;
  switch (msg) {
    case WM_SIZE:
    case WM_HSCROLL:
    case WM_VSCROLL:
      if (!Tracking()) RefreshScrolls(true);
      break;
    case WM_ENABLE:
    case kCmEnabledChanged:
      data.BackgroundDirty = true;
      if (IsWindowVisible(h)) RedrawNonClient(h);
      break;
    default:
      (void)wp;
      break;
  }
}

// ------------------------------------------------------------ TacEditWnd

TacEditWnd::TacEditWnd(QWidget* handle, TsCommonData* skinData, TsSkinManager* manager, const QString& section)
    : TacBaseWnd(handle, skinData, manager, section.isEmpty() ? QStringLiteral("EDIT") : section) {}

void TacEditWnd::Install(bool repaint) {
  TacBaseWnd::Install(repaint);
  if (QWidget* c = Control()) c->setAttribute(Qt::WA_OpaquePaintEvent, true);
}

QWidget* TacEditWnd::Control() const { return SkinData() ? SkinData()->OwnerControl() : nullptr; }

void TacEditWnd::KeepOwnParams() {
  QWidget* h = CtrlHandle();
  if (!h) return;
  KeepColors(GetControlColor(h), GetFontColor(h));
  hasFocusColor_ = HasProperty(h, QStringLiteral("FocusColor"));
  if (hasFocusColor_) ownFocusColor_ = TColor(GetOrdProperty(h, QStringLiteral("FocusColor")));
}

void TacEditWnd::GiveBackOwnParams() {
  QWidget* h = CtrlHandle();
  if (!h) return;
  if (IsWindowVisible(h)) RedrawNonClient(h);
  SetControlColor(h, OwnColor());
  SetFontColor(h, OwnFontColor());
  if (hasFocusColor_) SetOrdProperty(h, QStringLiteral("FocusColor"), int(ownFocusColor_));
}

void TacEditWnd::ApplySkinParams() {
  TacMainWnd::ApplySkinParams();
  QWidget* h = CtrlHandle();
  TsCommonData* data = SkinData();
  if (!h || !data) return;
  TsSkinManager* sm = data->SkinManager();
  const TsGeneralData* section = data->Section();
  if (Control()) {
    if (!data->CustomColor()) {
      const TColor c = data->SectionBgColor(data->ControlIsActive(), h);
      if (hasFocusColor_) {
        if (GetControlColor(h) != c) SetControlColor(h, c);
        SetOrdProperty(h, QStringLiteral("FocusColor"), int(c));
      } else if (GetControlColor(h) != c) {
        SetControlColor(h, c);
      }
    }
    if (!data->CustomFont() && section && GetFontColor(h) != section->HotFontColor[0])
      SetFontColor(h, section->HotFontColor[0]);
  } else {
    editBgColor_ = section && !DlgMode() && sm ? section->Color : clWindow;
    editBorderColor_ = 0;
    SetControlColor(h, editBgColor_);
  }
  data->BackgroundDirty = true;
}

void TacEditWnd::RefreshCache() {
  QWidget* h = CtrlHandle();
  TsCommonData& data = *SkinData();
  PrepareAdapterCache(data, h, false);
  PaintAdapterBorder(data, HasStateImages(data) && (data.Focused || data.MouseAbove) ? 1 : 0, h, DlgMode());
}

void TacEditWnd::PaintBorderStrip(Canvas& dc) {
  const Bitmap* cache = SkinData()->CacheBitmap.get();
  if (!cache) return;
  const int b = borderWidth_;
  const int w = cache->Width(), h = cache->Height();
  if (b <= 0 || w <= 0 || h <= 0) return;
  const TRect strips[] = {Bounds(0, 0, w, b), Bounds(0, h - b, w, b), Bounds(0, b, b, h - 2 * b),
                          Bounds(w - b, b, b, h - 2 * b)};
  const int saved = dc.SaveDC();
  for (const TRect& r : strips)
    if (!r.IsEmpty()) dc.CopyRect(r, *cache, r);
  dc.RestoreDC(saved);
}

void TacEditWnd::WidenBand(Message& m, const TRect& window) {
  borderWidth_ = BorderLeft();
  auto* params = ParamPtr<NCCALCSIZE_PARAMS>(m.LParam);
  if (!params || DlgMode()) return;
  const int want = SkinData()->BorderMaxWidth();
  if (want <= borderWidth_) return;
  // Each side at least the skin's border; Qt's band where it is wider.
  TRect& client = params->rgrc[0];
  client.Left = std::max(client.Left, window.Left + want);
  client.Top = std::max(client.Top, window.Top + want);
  client.Right = std::min(client.Right, window.Right - want);
  client.Bottom = std::min(client.Bottom, window.Bottom - want);
  borderWidth_ = want;
}

void TacEditWnd::StateChanged() {
  TsCommonData& data = *SkinData();
  if (!HasStateImages(data)) return;
  data.BackgroundDirty = true;
  RedrawWindow(CtrlHandle(), nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
}

void TacEditWnd::AdapterWndProc(Message& m, const CallPrevious& previous) {
  if (!SkinActive()) {
    TacBaseWnd::AdapterWndProc(m, previous);
    return;
  }
  QWidget* h = CtrlHandle();
  TsCommonData& data = *SkinData();
  if (m.Msg == SkinCommandMsg) {
    switch (HIWORD(m.WParam)) {
      case acPrepareCache:
        data.BackgroundDirty = true;
        RefreshCache();
        return;
      case acRefresh:
        if (m.LParam != LPARAM(PtrParam(data.SkinManager()))) break;
        {
          QPointer<QWidget> alive(h);
          TacBaseWnd::AdapterWndProc(m, previous);
          if (alive && !Destroyed()) ApplySkinParams();
        }
        return;
      case acEndUpdate: {
        QPointer<QWidget> alive(h);
        TacBaseWnd::AdapterWndProc(m, previous);
        if (alive && !data.UpdatingFlag())
          RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        return;
      }
      case acIsSkinned:
        m.Result = 1;
        return;
      case acGetSection:
        m.Result = data.SectionIndex + 1;
        return;
      default:
        break;
    }
  }
  switch (m.Msg) {
    case WM_NCPAINT:
      if (IsWindowVisible(h)) {
        data.SetUpdating(data.Updating());
        if (data.UpdatingFlag()) return;
        if (data.BackgroundDirty) {
          if (!ParamsApplied()) ApplySkinParams();
          RefreshCache();
        }
        if (Canvas* dc = GetWindowDC(h)) PaintBorderStrip(*dc);
      }
      break;  // the bars follow in the scroll adapter's handling
    case WM_PAINT:
      if (IsWindowVisible(h) && !ParamsApplied()) ApplySkinParams();
      break;
    case WM_ERASEBKGND:
      if (IsWindowVisible(h)) {
        if (data.Updating()) return;
        if (!ParamsApplied()) ApplySkinParams();
      }
      break;
    case kCmRedrawFrame:
      RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
      break;
    case WM_MOUSEMOVE:
      if (TsSkinManager* sm = data.SkinManager(); sm && h->isEnabled() && sm->HotWindow() != h) sm->SetHotWindow(h);
      break;
    default:
      break;
  }
  const unsigned msg = m.Msg;
  TRect proposed;
  if (msg == WM_NCCALCSIZE)
    if (auto* params = ParamPtr<NCCALCSIZE_PARAMS>(m.LParam)) proposed = params->rgrc[0];
  QPointer<QWidget> alive(h);
  TacBaseWnd::AdapterWndProc(m, previous);
  if (!alive || Destroyed()) return;
  switch (msg) {
    case WM_NCCALCSIZE:
      WidenBand(m, proposed);
      break;
    case WM_SIZE:
      if (IsWindowVisible(h)) RedrawNonClient(h);
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      if (HasStateImages(data) && h->focusPolicy() != Qt::NoFocus) {
        data.Focused = msg == WM_SETFOCUS;
        StateChanged();
      }
      break;
    case kCmMouseEnter:
    case kCmMouseLeave:
      if (HasStateImages(data)) {
        data.MouseAbove = msg == kCmMouseEnter;
        StateChanged();
      }
      break;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_LBUTTONDOWN:
    case 0xBD00:
    case 0xBD01:
      if (!Tracking()) RefreshScrolls(true);
      break;
    case kLbAddString:
    case kLbInsertString:
    case kLbSetCurSel:
    case kLbSetTopIndex:
      RefreshScrolls(true);
      break;
    case kLbGetTopIndex:
      if (auto* list = qobject_cast<QListWidget*>(h); list && list->count() == 0 && m.Result == 0) m.Result = -1;
      break;
    default:
      break;
  }
}

// ------------------------------------------------------------ the unit

namespace {

void StartEditAdapters() { AdapterBaseSeams().PrepareAdapterCache = PrepareAdapterCache; }
void FinishEditAdapters() { AdapterBaseSeams().PrepareAdapterCache = nullptr; }

[[maybe_unused]] const bool registered =
    RegisterUnit("EditAdapters", StartEditAdapters, FinishEditAdapters, {"LibraryConstants", "acSBUtils"});

}  // namespace
