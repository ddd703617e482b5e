#include "skinlib/adapters/EditAdapters.h"

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Capture.h"
#include "platform/ControlMessages.h"
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
#include "skinlib/manager/ManagerSeams.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/MaskSlicing.h"
#include "skinlib/manager/SkinMasks.h"
#include "skinlib/manager/PixelRows.h"
#include "skinlib/manager/SectionBackgrounds.h"
#include "skinlib/manager/SkinRecords.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"

#include <QApplication>
#include <QCoreApplication>
#include <QHeaderView>
#include <QListView>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QProxyStyle>
#include <QTableView>
#include <QTreeView>

#include <cstdlib>

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

void ClearCorner(Bitmap& cache, const Bitmap& mask, const TacCornerCopy& c, const TsBgSource& bg, TPoint at) {
  // 24-bit caches over masks and parents of 24 or 32 bits read and write
  // their rows straight; other formats pixel by pixel.
  const int mb = pixelrows::PixelBytes(mask), pb = bg.Bitmap ? pixelrows::PixelBytes(*bg.Bitmap) : 3;
  if (cache.PixelFormat() == pf24bit && mb && pb) {
    const TColor fill = ColorToRGB(bg.FillColor);
    const uint8_t fillBgr[3] = {uint8_t(GetBValue(fill)), uint8_t(GetGValue(fill)), uint8_t(GetRValue(fill))};
    // The corner cut to the mask, the cache and the parent.
    int x0 = std::max({0, -c.SrcX, -c.DstX}), y0 = std::max({0, -c.SrcY, -c.DstY});
    int x1 = std::min({c.W, mask.Width() - c.SrcX, cache.Width() - c.DstX});
    int y1 = std::min({c.H, mask.Height() - c.SrcY, cache.Height() - c.DstY});
    if (bg.Bitmap) {
      const int ox = c.DstX + bg.X + at.X, oy = c.DstY + bg.Y + at.Y;
      x0 = std::max(x0, -ox);
      y0 = std::max(y0, -oy);
      x1 = std::min(x1, bg.Bitmap->Width() - ox);
      y1 = std::min(y1, bg.Bitmap->Height() - oy);
    }
    if (x0 >= x1) return;
    for (int y = y0; y < y1; ++y) {
      const uint8_t* m = pixelrows::PixelAt(mask, c.SrcX + x0, c.SrcY + y, mb);
      uint8_t* d = pixelrows::PixelAt(cache, c.DstX + x0, c.DstY + y, 3);
      const uint8_t* p = bg.Bitmap ? pixelrows::PixelAt(*bg.Bitmap, c.DstX + x0 + bg.X + at.X,
                                                        c.DstY + y + bg.Y + at.Y, pb)
                                   : fillBgr;
      const int step = bg.Bitmap ? pb : 0;
      for (int x = x0; x < x1; ++x, m += mb, d += 3, p += step)
        if (pixelrows::IsKey(m)) pixelrows::PutPixel(d, 3, p);
    }
    return;
  }
  for (int y = 0; y < c.H; ++y)
    for (int x = 0; x < c.W; ++x) {
      const int sx = c.SrcX + x, sy = c.SrcY + y, dx = c.DstX + x, dy = c.DstY + y;
      if (sx < 0 || sy < 0 || sx >= mask.Width() || sy >= mask.Height()) continue;
      if (dx < 0 || dy < 0 || dx >= cache.Width() || dy >= cache.Height()) continue;
      if (mask.GetPixel(sx, sy) != KeyColor) continue;
      if (bg.Bitmap) {
        const int px = dx + bg.X + at.X, py = dy + bg.Y + at.Y;
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

Bitmap& SizedAdapterCache(TsCommonData& data, int width, int height) {
  if (!data.CacheBitmap) data.CacheBitmap = std::make_unique<Bitmap>(0, 0, pf24bit);
  Bitmap& cache = *data.CacheBitmap;
  if (cache.PixelFormat() != pf24bit) cache.SetPixelFormat(pf24bit);
  if (cache.Width() != width || cache.Height() != height) cache.SetSize(width, height);
  return cache;
}

void PrepareAdapterCache(TsCommonData& data, QWidget* window, bool state) {
  if (!window || !data.BackgroundDirty) return;
  Bitmap& cache = SizedAdapterCache(data, window->width(), window->height());
  TsSkinManager* sm = data.SkinManager();
  TsBgSource bg;
  ParentWndCacheInfo(window, bg);
  // The parent's background is read at the window's own place in it.
  const TPoint at{window->x(), window->y()};
  if (sm && sm->IsValidSectionIndex(data.SectionIndex)) {
    const int paintState = AdapterState(data);
    PaintControlItem(data, bg, cache, Local(cache.Width(), cache.Height()), at, paintState, true);
    if (state && sm->IsValidSectionIndex(sm->StandardIndexes.GlobalInfo)) {
      const TColor global = sm->GeneralData[size_t(sm->StandardIndexes.GlobalInfo)].Color;
      if (global != KeyColor) cache.Fill(ToQColor(ColorToRGB(global)).rgb());
    }
  }
  if (QWidget* owner = data.OwnerControl(); owner && !owner->isEnabled()) {
    Perform(owner, SkinCommandMsg, MAKEWPARAM(0, acDisabledBlend), 0);
    FillBgFromCacheInfo(cache, kBgCover, owner, bg, at);
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
  for (const TacCornerCopy& c : corners) ClearCorner(cache, *source, c, bg, TPoint{window->x(), window->y()});
}

int AdapterState(const TsCommonData& data) {
  return HasStateImages(data) && (data.Focused || data.MouseAbove || data.ControlIsActive()) ? 1 : 0;
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

namespace {

// Qt's frame of a skinned line edit lies under the border strip the
// adapter paints over it: the panel is only the base colour then.
class TacEditStyle : public QProxyStyle {
 public:
  TacEditStyle(const TacEditWnd* owner, const QString& base) : QProxyStyle(base), owner_(owner) {}
  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
    if (element == PE_PanelLineEdit && owner_->PaintsBorder()) {
      painter->fillRect(option->rect, option->palette.brush(QPalette::Base));
      return;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
  }

 private:
  const TacEditWnd* owner_;
};

}  // namespace

TacEditWnd::~TacEditWnd() {
  // The line edit's own style back, unless another took its place.
  if (QWidget* w = styled_; w && appliedStyle_ && w->style() == appliedStyle_) w->setStyle(ownStyle_);
}

void TacEditWnd::Install(bool repaint) {
  TacBaseWnd::Install(repaint);
  if (Destroyed()) return;
  if (QWidget* c = Control()) c->setAttribute(Qt::WA_OpaquePaintEvent, true);
  if (auto* edit = qobject_cast<QLineEdit*>(CtrlHandle())) {
    // Over a style of the kind the edit wears.
    editStyle_ = std::make_unique<TacEditStyle>(this, edit->style()->name());
    ownStyle_ = edit->testAttribute(Qt::WA_SetStyle) ? edit->style() : nullptr;
    styled_ = edit;
    edit->setStyle(editStyle_.get());
    appliedStyle_ = edit->style();  // with a style sheet, Qt's wrapper of it
  }
}

bool TacEditWnd::PaintsBorder() const { return SkinActive() && borderWidth_ > 0; }

QWidget* TacEditWnd::Control() const { return SkinData() ? SkinData()->OwnerControl() : nullptr; }

void TacEditWnd::KeepOwnParams() {
  QWidget* h = CtrlHandle();
  if (!h) return;
  KeepColors(GetControlColor(h), GetFontColor(h));
  ownPalette_ = h->palette();
  ownAutoFill_ = h->autoFillBackground();
  hasFocusColor_ = HasProperty(h, QStringLiteral("FocusColor"));
  if (hasFocusColor_) ownFocusColor_ = TColor(GetOrdProperty(h, QStringLiteral("FocusColor")));
}

void TacEditWnd::GiveBackOwnParams() {
  QWidget* h = CtrlHandle();
  if (!h) return;
  if (IsWindowVisible(h)) RedrawNonClient(h);
  h->setPalette(ownPalette_);
  h->setAutoFillBackground(ownAutoFill_);
  if (hasFocusColor_) SetOrdProperty(h, QStringLiteral("FocusColor"), int(ownFocusColor_));
}

void TacEditWnd::ApplySkinParams() {
  // The colours it sets change no style of the window's meanwhile.
  const bool outer = InCalcSize();
  SetInCalcSize(true);
  ApplyEditColors();
  SetInCalcSize(outer);
}

void TacEditWnd::ApplyEditColors() {
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
  PaintAdapterBorder(data, AdapterState(data), h, DlgMode());
}

void TacEditWnd::PaintBorderStrip(Canvas& dc, int width) {
  const Bitmap* cache = SkinData()->CacheBitmap.get();
  if (!cache) return;
  const int b = width < 0 ? borderWidth_ : width;
  const int w = cache->Width(), h = cache->Height();
  if (b <= 0 || w <= 0 || h <= 0) return;
  const TRect strips[] = {Bounds(0, 0, w, b), Bounds(0, h - b, w, b), Bounds(0, b, b, h - 2 * b),
                          Bounds(w - b, b, b, h - 2 * b)};
  const int saved = dc.SaveDC();
  for (const TRect& r : strips)
    if (!r.IsEmpty()) dc.CopyRect(r, *cache, r);
  dc.RestoreDC(saved);
}

int TacEditWnd::SkinBorderWidth() const { return SkinData()->BorderMaxWidth(); }

void TacEditWnd::WidenBand(Message& m, const TRect& window) {
  borderWidth_ = BorderLeft();
  auto* params = ParamPtr<NCCALCSIZE_PARAMS>(m.LParam);
  if (!params || DlgMode()) return;
  const int want = SkinBorderWidth();
  if (want <= borderWidth_) return;
  // Each side at least the skin's border; Qt's band where it is wider.
  TRect& client = params->rgrc[0];
  client.Left = std::max(client.Left, window.Left + want);
  client.Top = std::max(client.Top, window.Top + want);
  client.Right = std::min(client.Right, window.Right - want);
  client.Bottom = std::min(client.Bottom, window.Bottom - want);
  borderWidth_ = want;
}

TRect TacEditWnd::ClientInWindow() const {
  QWidget* h = CtrlHandle();
  const Bitmap* cache = SkinData() ? SkinData()->CacheBitmap.get() : nullptr;
  if (!h) return {};
  const int w = cache && !cache->Empty() ? cache->Width() : h->width();
  const int ht = cache && !cache->Empty() ? cache->Height() : h->height();
  const int b = std::max(borderWidth_, BorderLeft());
  TRect r{b, b, w - b, ht - b};
  if (const TacScrollBar* bar = VertBar(); bar && bar->Visible) {
    const int t = ScrollBarMetric(*bar, true, false);
    if (LeftScrollBar())
      r.Left += t;
    else
      r.Right -= t;
  }
  if (const TacScrollBar* bar = HorzBar(); bar && bar->Visible) r.Bottom -= ScrollBarMetric(*bar, true, false);
  return r;
}

void TacEditWnd::PrintWindow(Canvas& dc, unsigned flags) {
  TsCommonData& data = *SkinData();
  data.SetUpdating(false);
  data.BackgroundDirty = true;
  if (!ParamsApplied()) ApplySkinParams();
  RefreshCache();  // the border's corners only out of dialog mode
  PaintBorderStrip(dc);
  PaintScrollBars(&dc);
  PrintClient(dc, flags);
}

void TacEditWnd::PrintClient(Canvas& dc, unsigned flags) {
  QWidget* h = CtrlHandle();
  const TRect client = ClientInWindow();
  if (!h || client.IsEmpty()) return;
  auto* list = qobject_cast<QListWidget*>(h);
  const bool emptyList = list && list->count() == 0;
  QPointer<QWidget> alive(h);
  const int saved = dc.SaveDC();
  dc.IntersectClipRect(client);
  SendMessage(h, WM_ERASEBKGND, PtrParam(&dc));
  if (alive && !emptyList) SendMessage(h, WM_PRINTCLIENT, PtrParam(&dc), PRF_CLIENT | PRF_OWNED);
  // An empty list box's items area shows its background alone.
  if (alive && (flags & PRF_CHILDREN))
    PrintChildren(dc, emptyList ? (flags & ~unsigned(PRF_CLIENT | PRF_CHILDREN)) | PRF_ERASEBKGND : flags);
  dc.RestoreDC(saved);
}

void TacEditWnd::PrintChildren(Canvas& dc, unsigned flags) {
  QWidget* h = CtrlHandle();
  if (!h) return;
  QList<QPointer<QWidget>> children;
  for (QObject* o : h->children())
    if (o->isWidgetType() && !static_cast<QWidget*>(o)->isWindow()) children.append(static_cast<QWidget*>(o));
  for (const QPointer<QWidget>& child : children) {
    if (!child || !child->isVisible()) continue;
    const int saved = dc.SaveDC();
    const TPoint origin = dc.GetViewportOrg();
    dc.SetViewportOrg(origin.X + child->x(), origin.Y + child->y());
    SendMessage(child, WM_PRINT, PtrParam(&dc), LPARAM(flags));
    dc.RestoreDC(saved);
  }
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
        // Only an edit waiting for its parent repaints, on a later turn.
        const bool waiting = data.UpdatingFlag();
        QPointer<QWidget> alive(h);
        TacBaseWnd::AdapterWndProc(m, previous);
        if (alive && waiting && !data.UpdatingFlag())
          RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
        return;
      }
      case acIsSkinned:
        m.Result = 1;
        return;
      case acGetSection:
        m.Result = data.SectionIndex + 1;
        return;
      case acGetApplication:
        m.Result = LRESULT(PtrParam(QCoreApplication::instance()));
        return;
      default:
        break;
    }
  }
  switch (m.Msg) {
    case WM_PRINT:
      if (Canvas* dc = ParamPtr<Canvas>(m.WParam)) {
        PrintWindow(*dc, unsigned(m.LParam));
        m.Result = 0;
        return;
      }
      break;
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
      if (!IsWindowVisible(h)) break;
      // Updating, or every form locked (a print brings its own canvas):
      // the paint is taken as done.
      if (data.Updating() || (FormsLocked && !m.WParam)) {
        if (!m.WParam) {
          BeginPaint(h);
          EndPaint(h);
        }
        m.Result = 0;
        return;
      }
      if (!ParamsApplied()) ApplySkinParams();
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
        if (msg == kCmMouseEnter && data.ControlKind == kGlowingEditKind) data.ShowControlGlow(false);
        StateChanged();
        if (msg == kCmMouseLeave) seams::FreeAllGlows();
      }
      break;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_LBUTTONDOWN:
    case 0xBD00:
    case 0xBD01:
      if (!Tracking()) RefreshScrolls(true);
      break;
    case WM_MOUSEMOVE:
      // A drag that holds the mouse (a selection dragged past the end)
      // may scroll the window.
      if (GetCapture() && !data.Updating()) RefreshScrolls(true);
      break;
    case LB_ADDSTRING:
    case LB_INSERTSTRING:
    case LB_SETCURSEL:
    case LB_SETTOPINDEX:
      RefreshScrolls(true);
      break;
    case LB_GETTOPINDEX:
      if (auto* list = qobject_cast<QListWidget*>(h); list && list->count() == 0 && m.Result == 0) m.Result = -1;
      break;
    default:
      break;
  }
}

// ------------------------------------------------------------ list views

TacListViewStyle ListViewStyle(const QWidget* view) {
  if (auto* tree = qobject_cast<const QTreeView*>(view))
    return tree->isHeaderHidden() ? TacListViewStyle::Other : TacListViewStyle::Report;
  if (auto* table = qobject_cast<const QTableView*>(view))
    return table->horizontalHeader()->isHidden() ? TacListViewStyle::Other : TacListViewStyle::Report;
  if (auto* list = qobject_cast<const QListView*>(view))
    return list->viewMode() == QListView::IconMode ? TacListViewStyle::Icon : TacListViewStyle::List;
  return TacListViewStyle::Other;
}

TacHeaderItemState HeaderItemState(int index, int hotColumn, int pressedColumn) {
  if (index >= 0 && index == pressedColumn) return TacHeaderItemState::Pressed;
  if (index >= 0 && index == hotColumn && pressedColumn < 0) return TacHeaderItemState::Hot;
  return TacHeaderItemState::Normal;
}

namespace {

QHeaderView* HeaderOf(QWidget* view) {
  if (auto* tree = qobject_cast<QTreeView*>(view)) return tree->header();
  if (auto* table = qobject_cast<QTableView*>(view)) return table->horizontalHeader();
  for (QObject* child : view ? view->children() : QObjectList{})
    if (auto* header = qobject_cast<QHeaderView*>(child)) return header;
  return nullptr;
}

// The height of the view's first item (1 without items).
int ItemExtent(QWidget* view, bool vertical) {
  TRect r;
  r.Left = LVIR_BOUNDS;
  if (!SendMessage(view, LVM_GETITEMRECT, 0, LPARAM(PtrParam(&r)))) return 1;
  return std::max(1, vertical ? r.Height() : r.Width());
}

}  // namespace

TacListViewWnd::TacListViewWnd(QWidget* handle, TsCommonData* skinData, TsSkinManager* manager,
                               const QString& section)
    : TacEditWnd(handle, skinData, manager, section) {}

TacListViewWnd::~TacListViewWnd() { UnhookHeader(); }

void TacListViewWnd::Install(bool repaint) {
  TacEditWnd::Install(repaint);
  if (Destroyed()) return;
  if (QHeaderView* header = HeaderOf(CtrlHandle())) HookHeader(header);
}

void TacListViewWnd::HookHeader(QHeaderView* header) {
  UnhookHeader();
  header_ = header;
  headerHook_ = InstallPartHandler(
      header->viewport(), [this](Message& m, const CallPrevious& previous) { HeaderWndProc(m, previous); },
      WindowProcLevel::Window);
  header->update();
}

void TacListViewWnd::UnhookHeader() {
  RemoveWindowProc(headerHook_);
  if (header_) header_->update();
  header_ = nullptr;
  hotColumn_ = pressedColumn_ = -1;
}

void TacListViewWnd::KeepOwnParams() {
  TacEditWnd::KeepOwnParams();
  if (QWidget* h = CtrlHandle()) {
    ownViewBk_ = TColor(SendMessage(h, LVM_GETBKCOLOR));
    ownViewText_ = TColor(SendMessage(h, LVM_GETTEXTCOLOR));
  }
}

void TacListViewWnd::GiveBackOwnParams() {
  UnhookHeader();
  TacEditWnd::GiveBackOwnParams();
  if (QWidget* h = CtrlHandle()) {
    SendMessage(h, LVM_SETBKCOLOR, 0, LPARAM(ownViewBk_));
    SendMessage(h, LVM_SETTEXTCOLOR, 0, LPARAM(ownViewText_));
  }
}

void TacListViewWnd::ApplySkinParams() {
  TacEditWnd::ApplySkinParams();
  headerBgs_.clear();
  QWidget* h = CtrlHandle();
  const TsGeneralData* section = SkinData() ? SkinData()->Section() : nullptr;
  if (!h) return;
  const TColor bg = DlgMode() || !section ? ColorToRGB(clWindow) : section->Color;
  const TColor text = DlgMode() || !section ? ColorToRGB(clWindowText) : section->FontColor[0];
  SendMessage(h, LVM_SETBKCOLOR, 0, LPARAM(bg));
  SendMessage(h, LVM_SETTEXTBKCOLOR, 0, LPARAM(bg));
  SendMessage(h, LVM_SETTEXTCOLOR, 0, LPARAM(text));
}

void TacListViewWnd::RepaintHeader() {
  if (header_) header_->update();
}

void TacListViewWnd::ThumbTrack(Message& m, bool vertical, const CallPrevious& previous) {
  QWidget* h = CtrlHandle();
  const int pos = m.LParam ? int(m.LParam) : int(HIWORD(m.WParam));
  const int delta = pos - ScrollTracking().DragTrackPos;
  if (delta == 0) return;  // nothing at the start position
  const TacListViewStyle style = ListViewStyle(h);
  int pixels = delta;
  if (vertical && style == TacListViewStyle::Report) pixels = delta * ItemExtent(h, true);
  if (!vertical && style == TacListViewStyle::List) pixels = delta * ItemExtent(h, false);
  (void)previous;
  if (vertical)
    SendMessage(h, LVM_SCROLL, 0, LPARAM(pixels));
  else
    SendMessage(h, LVM_SCROLL, WPARAM(pixels), 0);
  ScrollTracking().DragTrackPos = pos;
}

void TacListViewWnd::AdapterWndProc(Message& m, const CallPrevious& previous) {
  if (!SkinActive()) {
    TacEditWnd::AdapterWndProc(m, previous);
    return;
  }
  QWidget* h = CtrlHandle();
  TsCommonData& data = *SkinData();
  if (m.Msg == SkinCommandMsg) {
    switch (HIWORD(m.WParam)) {
      case acRefresh: {
        if (m.LParam != LPARAM(PtrParam(data.SkinManager()))) break;
        headerBgs_.clear();
        QPointer<QWidget> alive(h);
        TacEditWnd::AdapterWndProc(m, previous);
        if (alive && !Destroyed()) RepaintHeader();
        return;
      }
      case acBeforeScroll:
        m.Result = 1;  // the view scrolls itself
        return;
      default:
        break;
    }
  }
  switch (m.Msg) {
    case WM_HSCROLL:
    case WM_VSCROLL:
      if (LOWORD(m.WParam) == SB_THUMBTRACK) {
        ThumbTrack(m, m.Msg == WM_VSCROLL, previous);
        return;
      }
      // The skinned bars' tracking puts the position in lParam too; the
      // window's own bars go without it.
      m.LParam = 0;
      break;
    case WM_PAINT:
      if (!ParamsApplied()) ApplySkinParams();
      break;
    case WM_NCHITTEST:
      if (hotColumn_ >= 0 || pressedColumn_ >= 0) {
        hotColumn_ = pressedColumn_ = -1;
        RepaintHeader();
      }
      break;
    default:
      break;
  }
  const unsigned msg = m.Msg;
  const WPARAM wp = m.WParam;
  const LPARAM lp = m.LParam;
  QPointer<QWidget> alive(h);
  TacEditWnd::AdapterWndProc(m, previous);
  if (!alive || Destroyed()) return;
  switch (msg) {
    case LVM_INSERTITEMA:
    case LVM_INSERTITEMW:
    case LVM_ARRANGE:
    case WM_STYLECHANGED:
      if (!data.Updating()) RefreshScrolls(true);
      break;
    case WM_LBUTTONUP:
      ReleaseCapture();
      break;
    case WM_PRINT:
      if (auto* dc = ParamPtr<Canvas>(wp); dc && header_ && ListViewStyle(h) == TacListViewStyle::Report)
        PrintHeader(*dc);
      break;
    case WM_PARENTNOTIFY:
      if (LOWORD(wp) == WM_CREATE)
        if (auto* header = qobject_cast<QHeaderView*>(ParamPtr<QObject>(std::uintptr_t(lp)))) {
          if (!header_)
            HookHeader(header);
          else
            UnhookHeader();
        }
      break;
    default:
      break;
  }
}

void TacListViewWnd::HeaderWndProc(Message& m, const CallPrevious& previous) {
  QHeaderView* header = header_;
  if (!header || ListViewStyle(CtrlHandle()) != TacListViewStyle::Report || !SkinActive()) {
    previous(m);
    return;
  }
  switch (m.Msg) {
    case WM_NCDESTROY:
      previous(m);
      header_ = nullptr;
      return;
    case WM_PAINT:
      if (Canvas* dc = m.WParam ? ParamPtr<Canvas>(m.WParam) : BeginPaint(header->viewport())) {
        PaintListViewHeader(*dc);
        return;
      }
      previous(m);
      return;
    case WM_ERASEBKGND:
      m.Result = 1;
      return;
    case WM_WINDOWPOSCHANGED:
      previous(m);
      if (CtrlHandle()) RedrawNonClient(CtrlHandle());
      return;
    case WM_MOUSEMOVE:
    case WM_NCHITTEST: {
      previous(m);
      if (!header_) return;
      TPoint p;
      GetCursorPos(&p);
      const QPoint local = header->mapFromGlobal(QPoint(p.X, p.Y));
      const int item = header->rect().contains(local) ? header->logicalIndexAt(local) : -1;
      if (item != hotColumn_) {
        hotColumn_ = item;
        RepaintHeader();
      }
      return;
    }
    case WM_LBUTTONDOWN: {
      previous(m);
      if (!header_) return;
      HDHITTESTINFO info;
      info.pt = {GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
      SendMessage(header, HDM_HITTEST, 0, LPARAM(PtrParam(&info)));
      // A press on a divider sizes the column; it presses nothing.
      const QPoint at(info.pt.X, info.pt.Y);
      const bool divider = info.iItem >= 0 && header->sectionResizeMode(info.iItem) == QHeaderView::Interactive &&
                           (std::abs(at.x() - header->sectionViewportPosition(info.iItem)) <= 3 ||
                            std::abs(at.x() - header->sectionViewportPosition(info.iItem) -
                                     header->sectionSize(info.iItem)) <= 3);
      pressedColumn_ = divider ? -1 : info.iItem;
      RepaintHeader();
      return;
    }
    case WM_LBUTTONUP:
      pressedColumn_ = -1;
      RepaintHeader();
      previous(m);
      return;
    default:
      previous(m);
      return;
  }
}

void TacListViewWnd::PrintHeader(Canvas& dc) {
  QHeaderView* header = header_;
  QWidget* port = header->viewport();
  if (!header->isVisible() || !port) return;
  // The header lies in the view's band, over the border as it shows.
  const QPoint at = port->mapTo(CtrlHandle(), QPoint(0, 0));
  const int saved = dc.SaveDC();
  const TPoint origin = dc.GetViewportOrg();
  dc.SetViewportOrg(origin.X + at.x(), origin.Y + at.y());
  dc.IntersectClipRect(Bounds(0, 0, port->width(), port->height()));
  PaintListViewHeader(dc);
  dc.RestoreDC(saved);
}

void TacListViewWnd::PaintListViewHeader(Canvas& dc) {
  QHeaderView* header = header_;
  // The whole header in one picture, the font set once.
  Bitmap& whole = HeaderPicture(header->width(), header->height());
  if (whole.Empty()) return;
  Canvas& canvas = whole.GetCanvas();
  if (auto* font = ParamPtr<const TFont>(std::uintptr_t(SendMessage(CtrlHandle(), WM_GETFONT)))) canvas.Font = *font;
  // The texts laid out in another font go.
  headerFont_ = ToQFont(canvas.Font);
  if (const QString key = headerFont_.key(); key != headerFontKey_) {
    headerTexts_.clear();
    headerFontKey_ = key;
    headerLineHeight_ = canvas.FontMetrics().height();
  }
  int right = 0;
  for (int visual = 0; visual < header->count(); ++visual) {
    const int index = int(SendMessage(header, HDM_ORDERTOINDEX, WPARAM(visual)));
    TRect r;
    if (header->isSectionHidden(index)) continue;
    if (!SendMessage(header, HDM_GETITEMRECT, WPARAM(index), LPARAM(PtrParam(&r))) || r.IsEmpty()) continue;
    PaintHeaderItem(whole, r, index);
    right = std::max(right, r.Right);
  }
  if (right < header->width()) PaintHeaderItem(whole, TRect{right, 0, header->width(), header->height()}, -2);
  dc.Draw(0, 0, whole);
}

Bitmap& TacListViewWnd::HeaderPicture(int width, int height) {
  if (!headerPicture_) headerPicture_ = std::make_unique<Bitmap>(0, 0, pf24bit);
  if (headerPicture_->Width() != width || headerPicture_->Height() != height) headerPicture_->SetSize(width, height);
  return *headerPicture_;
}

const TacListViewWnd::TacHeaderText& TacListViewWnd::HeaderText(Canvas& canvas, const QString& text) const {
  if (headerTexts_.size() > 256) headerTexts_.clear();
  auto it = headerTexts_.constFind(text);
  if (it == headerTexts_.constEnd()) {
    TacHeaderText t;
    t.Width = canvas.FontMetrics().horizontalAdvance(text);
    t.Text.setText(text);
    t.Text.setTextFormat(Qt::PlainText);
    t.Text.prepare(QTransform(), headerFont_);
    it = headerTexts_.insert(text, std::move(t));
  }
  return *it;
}

const Bitmap& TacListViewWnd::HeaderBackground(int width, int height, TacHeaderItemState state, int& section) const {
  for (const TacHeaderBg& b : headerBgs_)
    if (b.Width == width && b.Height == height && b.State == int(state)) {
      section = b.Section;
      return *b.Picture;
    }
  if (headerBgs_.size() >= 32) headerBgs_.clear();
  TsSkinManager* sm = SkinData()->SkinManager();
  auto picture = std::make_unique<Bitmap>(width, height, pf24bit);
  section = PaintSectionByName(*picture, QStringLiteral("COLHEADER"), QStringLiteral("BUTTON"), nullptr,
                               sm->GlobalSectionColor(), {0, 0}, sm, int(state));
  headerBgs_.push_back({width, height, int(state), section, std::move(picture)});
  return *headerBgs_.back().Picture;
}

QSize TacListViewWnd::SmallImageSize() const {
  auto* view = qobject_cast<QAbstractItemView*>(CtrlHandle());
  if (view && view->iconSize().isValid()) return view->iconSize();
  const int side = (view ? view->style() : QApplication::style())->pixelMetric(QStyle::PM_SmallIconSize, nullptr, view);
  return QSize(side, side);
}

void TacListViewWnd::PaintHeaderItem(Bitmap& whole, const TRect& r, int index) const {
  TsSkinManager* sm = SkinData() ? SkinData()->SkinManager() : nullptr;
  if (!sm || r.IsEmpty()) return;
  const TacHeaderItemState state = HeaderItemState(index, hotColumn_, pressedColumn_);
  int section = -1;
  const Bitmap& bg = HeaderBackground(r.Width(), r.Height(), state, section);
  Canvas& canvas = whole.GetCanvas();
  canvas.CopyRect(r, bg, Bounds(0, 0, r.Width(), r.Height()));
  QHeaderView* header = header_;
  if (index < 0 || !header || section < 0) return;
  HDITEM item;
  item.mask = HDI_TEXT | HDI_FORMAT | HDI_IMAGE;
  SendMessage(header, HDM_GETITEMW, WPARAM(index), LPARAM(PtrParam(&item)));
  // The item's picture, at the list's small-image size, before the text.
  QSize imageSize;
  if ((item.fmt & (HDF_IMAGE | HDF_BITMAP)) && !item.image.isNull()) imageSize = SmallImageSize();
  const TsGeneralData& gd = sm->GeneralData[size_t(section)];
  const int shift = state == TacHeaderItemState::Pressed ? 1 : 0;
  // The sort glyph: up for ascending, down for descending.
  int glyphIndex = -1, glyphW = 0, glyphH = 0;
  if (header->isSortIndicatorShown() && header->sortIndicatorSection() == index) {
    glyphIndex = sm->StandardIndexes.ScrollBtnGlyphs[header->sortIndicatorOrder() == Qt::AscendingOrder ? 0 : 1];
    if (sm->IsValidMaskIndex(glyphIndex)) {
      const TsMaskData& g = sm->MaskData[size_t(glyphIndex)];
      glyphW = MaskImageWidth(g);
      glyphH = MaskImageHeight(g);
    } else {
      glyphIndex = -1;
    }
  }
  const TacHeaderText& laidOut = HeaderText(canvas, item.text);
  const int imageW = imageSize.isValid() ? imageSize.width() + 4 : 0;
  const int textW = laidOut.Width + 5;
  const int total = imageW + textW + (glyphIndex >= 0 ? glyphW + 6 : 0);
  const TRect inner{r.Left + 4, r.Top + 1, r.Right - 4, r.Bottom - 1};
  int x = inner.Left;
  if ((item.fmt & 3) == HDF_RIGHT) x = inner.Right - total;
  if ((item.fmt & 3) == HDF_CENTER) x = inner.Left + (inner.Width() - total) / 2;
  x = std::max(inner.Left, x) + shift;
  if (imageW > 0 && x + imageSize.width() <= inner.Right + shift) {
    if (QPainter* p = canvas.Painter())
      p->drawPixmap(x, r.Top + (r.Height() - imageSize.height()) / 2 + shift, item.image.pixmap(imageSize));
    x += imageW;
  }
  const TColor textColor = state == TacHeaderItemState::Normal ? gd.FontColor[0] : gd.HotFontColor[0];
  TRect textRect{x, inner.Top + shift, std::min(inner.Right, x + textW) + shift, inner.Bottom + shift};
  if (laidOut.Width <= textRect.Width() && headerLineHeight_ <= textRect.Height()) {
    // A text that fits is drawn as laid out once, centred as DrawText
    // would.
    if (QPainter* p = canvas.Painter(); p && !item.text.isEmpty()) {
      p->setFont(headerFont_);
      p->setPen(ToQColor(ColorToRGB(textColor)));
      p->drawStaticText(QPoint(textRect.Left, textRect.Top + (textRect.Height() - headerLineHeight_) / 2),
                        laidOut.Text);
    }
  } else {
    canvas.SetBkMode(TRANSPARENT);
    canvas.SetTextColor(textColor);
    canvas.DrawText(item.text, textRect, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
  }
  if (glyphIndex >= 0 && x + textW + 3 + glyphW <= r.Right) {
    const TsBgSource glyphBg{&whole, 0, 0, 0, true};
    PaintMaskGlyph(whole, {x + textW + 3, r.Top + (r.Height() - glyphH) / 2 + shift}, 0, 1,
                   sm->MaskData[size_t(glyphIndex)], glyphBg);
  }
}

// ------------------------------------------------------------ tree views

void TacTreeViewWnd::KeepOwnParams() {
  TacEditWnd::KeepOwnParams();
  if (QWidget* h = CtrlHandle()) ownViewBk_ = TColor(SendMessage(h, TVM_GETBKCOLOR));
}

void TacTreeViewWnd::GiveBackOwnParams() {
  TacEditWnd::GiveBackOwnParams();
  if (QWidget* h = CtrlHandle()) SendMessage(h, TVM_SETBKCOLOR, 0, LPARAM(ownViewBk_));
}

void TacTreeViewWnd::ApplySkinParams() {
  TacMainWnd::ApplySkinParams();
  QWidget* h = CtrlHandle();
  TsCommonData* data = SkinData();
  const TsGeneralData* section = data ? data->Section() : nullptr;
  if (!h || !data) return;
  if (DlgMode() || !section) {
    SendMessage(h, TVM_SETBKCOLOR, 0, LPARAM(ColorToRGB(clWindow)));
    return;
  }
  if (Control()) {
    if (!data->CustomFont()) SetFontColor(h, section->HotFontColor[0]);
    if (!data->CustomColor() && section->HotColor != GetControlColor(h))
      SendMessage(h, TVM_SETBKCOLOR, 0, LPARAM(section->HotColor));
  } else {
    SendMessage(h, TVM_SETBKCOLOR, 0, LPARAM(section->HotColor));
  }
}

void TacTreeViewWnd::AdapterWndProc(Message& m, const CallPrevious& previous) {
  if (!SkinActive()) {
    TacEditWnd::AdapterWndProc(m, previous);
    return;
  }
  QWidget* h = CtrlHandle();
  if (m.Msg == WM_ERASEBKGND) {
    // An application that draws its own items paints its own background.
    if (QWidget* c = Control(); c && HasProperty(c, QStringLiteral("OnAdvancedCustomDraw")) &&
                                GetOrdProperty(c, QStringLiteral("OnAdvancedCustomDraw")) > 0) {
      PassOn(m, previous);
      return;
    }
    TsCommonData& data = *SkinData();
    if (data.Updating()) return;
    Canvas* dc = ParamPtr<Canvas>(m.WParam);
    const TsGeneralData* section = data.Section();
    if (dc) {
      dc->Brush.Color = DlgMode() || !section ? ColorToRGB(clWindow) : section->HotColor;
      dc->Brush.Style = bsSolid;
      dc->FillRect(Bounds(0, 0, h->width(), h->height()));
    }
    m.Result = 0;
    return;
  }
  const unsigned msg = m.Msg;
  QPointer<QWidget> alive(h);
  TacEditWnd::AdapterWndProc(m, previous);
  if (alive && !Destroyed() && msg == WM_LBUTTONUP) ReleaseCapture();
}

// ------------------------------------------------------------ the unit

namespace {

void StartEditAdapters() { AdapterBaseSeams().PrepareAdapterCache = PrepareAdapterCache; }
void FinishEditAdapters() { AdapterBaseSeams().PrepareAdapterCache = nullptr; }

[[maybe_unused]] const bool registered =
    RegisterUnit("EditAdapters", StartEditAdapters, FinishEditAdapters, {"LibraryConstants", "acSBUtils"});

}  // namespace
