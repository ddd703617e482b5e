#include "skinlib/adapters/ButtonAdapters.h"

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/ControlMessages.h"
#include "platform/Icons.h"
#include "platform/NonClient.h"
#include "platform/Painting.h"
#include "platform/Properties.h"
#include "platform/WindowProc.h"
#include "platform/WindowTable.h"
#include "platform/WindowUtils.h"
#include "skinlib/adapters/AdapterUtils.h"
#include "skinlib/adapters/EditAdapters.h"
#include "skinlib/adapters/SkinCommandSenders.h"
#include "skinlib/manager/AlphaPainting.h"
#include "skinlib/manager/GlowEffect.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/MaskSlicing.h"
#include "skinlib/manager/SectionBackgrounds.h"
#include "skinlib/manager/SkinRecords.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"

#include <QImage>
#include <QPixmap>

#include <algorithm>

using namespace platform;

namespace {

// Sent to the parent before a check box paints (lParam 0).
constexpr unsigned acChildPaints = 5;
// The pull of the disabled look towards the parent's background.
constexpr double kDisabledFactor = 0.4;

TRect Local(int w, int h) { return TRect{0, 0, w, h}; }

// The cache made when missing, 24 bits, of the window's size.
Bitmap& SizedCache(TsCommonData& data, QWidget* window) {
  if (!data.CacheBitmap) data.CacheBitmap = std::make_unique<Bitmap>(0, 0, pf24bit);
  Bitmap& cache = *data.CacheBitmap;
  if (cache.PixelFormat() != pf24bit) cache.SetPixelFormat(pf24bit);
  cache.SetSize(std::max(0, window->width()), std::max(0, window->height()));
  return cache;
}

// The window's font (WM_GETFONT), or the owner control's when given.
TFont WindowFont(QWidget* window, QWidget* owner) {
  if (owner) return GetControlFont(owner);
  if (auto* font = ParamPtr<const TFont>(std::uintptr_t(SendMessage(window, WM_GETFONT, 0, 0)))) return *font;
  return TFont();
}

// The parent's plain colour behind a window as RGB.
TColor ParentColor(QWidget* window, const TsBgSource& bg) {
  if (bg.FillColor != KeyColor) return ColorToRGB(bg.FillColor);
  if (QWidget* parent = GetParent(window)) {
    const TColor c = GetWndBgColor(parent);
    if (c != KeyColor) return c;
    return ColorToRGB(GetControlColor(parent));
  }
  return ColorToRGB(clBtnFace);
}

// Where the window's top-left corner lies in its parent's background
// (the source's X and Y are added to it).
TPoint PlaceInParent(const QWidget* window) { return window ? TPoint{window->x(), window->y()} : TPoint{}; }

// `r` of the bitmap laid from the parent's background: its bitmap at the
// window's place, else its colour.
void FillFromParent(Bitmap& bitmap, const TRect& r, QWidget* window, const TsBgSource& bg) {
  const TPoint at = PlaceInParent(window);
  const TRect c{std::max(0, r.Left), std::max(0, r.Top), std::min(bitmap.Width(), r.Right),
                std::min(bitmap.Height(), r.Bottom)};
  if (c.IsEmpty()) return;
  if (bg.Bitmap && !bg.Bitmap->Empty()) {
    for (int y = c.Top; y < c.Bottom; ++y)
      for (int x = c.Left; x < c.Right; ++x) {
        const int px = x + bg.X + at.X, py = y + bg.Y + at.Y;
        if (px < 0 || py < 0 || px >= bg.Bitmap->Width() || py >= bg.Bitmap->Height()) continue;
        bitmap.SetPixel(x, y, bg.Bitmap->GetPixel(px, py));
      }
    return;
  }
  Canvas dc(bitmap);
  dc.Brush.Style = bsSolid;
  dc.Brush.Color = ParentColor(window, bg);
  dc.FillRect(c);
}

QSize TextSize(Canvas& dc, const QString& text, int width, unsigned flags) {
  TRect r{0, 0, width, 0};
  dc.DrawText(text, r, flags | DT_CALCRECT);
  return {r.Width(), r.Height()};
}

// The window's redraw off around the message's handling by `handle`.
template <class F>
bool RedrawLocked(QWidget* window, const TacMainWnd& adapter, F handle) {
  QPointer<QWidget> alive(window);
  SendMessage(window, WM_SETREDRAW, 0, 0);
  handle();
  if (!alive) return false;
  SendMessage(window, WM_SETREDRAW, 1, 0);
  return !adapter.Destroyed();
}

// The mouse left the window: it is no longer the default manager's hot
// window (the manager tells it with skin command 30).
void MouseLeft(QWidget* window) {
  if (TsSkinManager* manager = FirstSkinManager; manager && manager->HotWindow() == window)
    manager->SetHotWindow(nullptr);
}

bool CursorInside(QWidget* window) {
  const TPoint p = GetCursorPosition();
  const TRect r = GetWindowRect(window);
  return p.X >= r.Left && p.X < r.Right && p.Y >= r.Top && p.Y < r.Bottom;
}

}  // namespace

// ------------------------------------------------------------ shared frame

bool SkinActive(const TacMainWnd& adapter) {
  const TsCommonData* data = adapter.SkinData();
  const TsSkinManager* sm = data ? data->SkinManager() : nullptr;
  return sm && sm->Active() && !adapter.Destroyed() && adapter.CtrlHandle();
}

void PaintDisabledLook(Bitmap& cache, QWidget* window) {
  if (!window || IsWindowEnabled(window) || cache.Empty()) return;
  TsBgSource bg;
  ParentWndCacheInfo(window, bg);
  if (bg.Bitmap && !bg.Bitmap->Empty()) {
    // Each pixel := parent - (parent - pixel) * 0.4; a key colour whose
    // highest byte is 255 skips no pixel.
    const TPoint at = PlaceInParent(window);
    const int x = bg.X + at.X, y = bg.Y + at.Y;
    BlendBitmapRect(cache, 0, 0, TColor(0xFFFF00FF), kDisabledFactor,
                    TRect{x, y, x + cache.Width(), y + cache.Height()}, *bg.Bitmap);
    return;
  }
  BlendBitmapToColor(cache, kDisabledFactor, ParentColor(window, bg), KeyColor);
}

bool PaintThroughCache(TsCommonData& data, QWidget* window, WPARAM wParam, const std::function<void()>& prepare) {
  if (!window) return false;
  data.SetUpdating(data.Updating());
  if (data.UpdatingFlag() || data.Updating()) return false;
  Canvas* dc = wParam ? ParamPtr<Canvas>(wParam) : BeginPaint(window);
  QPointer<QWidget> alive(window);
  prepare();
  if (!alive) return false;
  if (!dc) {
    // Not in a paint event: the cache is up to date, the window repaints.
    InvalidateRect(window, nullptr, false);
    return false;
  }
  if (data.CacheBitmap) dc->Draw(0, 0, *data.CacheBitmap);
  return true;
}

Bitmap* PrepareControlCache(TsCommonData& data, QWidget* window, int state) {
  if (!window) return nullptr;
  TsBgSource bg;
  ParentWndCacheInfo(window, bg);
  Bitmap& cache = SizedCache(data, window);
  if (cache.Empty()) return nullptr;
  PaintControlItem(data, bg, cache, Local(cache.Width(), cache.Height()), PlaceInParent(window), state, true);
  return &cache;
}

// ------------------------------------------------------------ push buttons

bool IsDefaultButton(std::uint32_t style, bool programControl) {
  return programControl ? (style & 0xF) == BS_DEFPUSHBUTTON : (style & 1) != 0;
}

TacButtonState ButtonPaintState(unsigned bmState, bool enabled, bool focused, bool hotWindow, bool defaultButton) {
  if (bmState & BST_PUSHED) return TacButtonState::Pressed;
  if (!enabled) return TacButtonState::Normal;
  return focused || hotWindow || defaultButton ? TacButtonState::Hot : TacButtonState::Normal;
}

TRect BtnCaptionRect(QSize client, QSize text, bool pressed) {
  const int left = (client.width() - text.width()) / 2;
  const int top = (client.height() - text.height()) / 2;
  TRect r{left - 1, top, client.width() - left + 2, client.height() - top};
  return pressed ? OffsetRect(r, 1, 1) : r;
}

TacBtnWnd::TacBtnWnd(QWidget* handle, TsCommonData* skinData, TsSkinManager* manager, const QString& section)
    : TacMainWnd(handle, skinData, manager, section.isEmpty() ? QStringLiteral("BUTTON") : section) {}

void TacBtnWnd::GiveBackOwnParams() { TacMainWnd::GiveBackOwnParams(); }
void TacBtnWnd::ApplySkinParams() { TacMainWnd::ApplySkinParams(); }

QWidget* TacBtnWnd::ProgramControl() const { return SkinData() ? SkinData()->OwnerControl() : nullptr; }

TacButtonWindowState ReadButtonWindow(const TacMainWnd& adapter) {
  TacButtonWindowState s;
  QWidget* h = adapter.CtrlHandle();
  if (!h) return s;
  s.Params = adapter.GetWindowParams();
  s.Style = std::uint32_t(GetWindowLong(h, GWL_STYLE));
  s.BmState = unsigned(SendMessage(h, BM_GETSTATE, 0, 0));
  s.Enabled = IsWindowEnabled(h);
  const TsSkinManager* sm = adapter.SkinData() ? adapter.SkinData()->SkinManager() : nullptr;
  s.Hot = sm && sm->HotWindow() == h;
  return s;
}

TacBtnState TacBtnWnd::ReadBtnState() const {
  TacBtnState s;
  if (!CtrlHandle()) return s;
  static_cast<TacButtonWindowState&>(s) = ReadButtonWindow(*this);
  s.State = ButtonPaintState(s.BmState, s.Enabled, GetFocus() == CtrlHandle(), s.Hot,
                             IsDefaultButton(s.Style, ProgramControl() != nullptr));
  if (s.State == TacButtonState::Pressed) ClearGlows();
  return s;
}

void TacBtnWnd::PrepareCache() {
  QWidget* h = CtrlHandle();
  if (!h || !SkinData()) return;
  TsCommonData& data = *SkinData();
  const TacBtnState s = ReadBtnState();
  Bitmap* painted = PrepareControlCache(data, h, int(s.State));
  if (!painted) return;
  Bitmap& cache = *painted;
  PaintAdapterBorder(data, int(s.State), h, DlgMode());
  // A disabled caption is already written in the disabled colour: it goes
  // over the faded face, so it fades once and keeps its contrast.
  if (s.Enabled) DrawCaption(cache.GetCanvas(), s);
  DrawGlyph(cache, s);
  PaintDisabledLook(cache, h);
  if (!s.Enabled) DrawCaption(cache.GetCanvas(), s);
  data.BackgroundDirty = false;
}

int TacBtnWnd::CaptionWidth(const TacBtnState& s) const { return s.Params.WndSize.width(); }

QSize TacBtnWnd::CaptionSize(Canvas& dc, const TacBtnState& s) {
  const unsigned flags = DT_NOPREFIX | DT_EXPANDTABS | DT_CENTER | ((s.Style & BS_MULTILINE) ? 0 : DT_WORDBREAK);
  const int width = CaptionWidth(s);
  // Measured again only when the text, font, width or flags change.
  if (!measured_ || measured_->Text != Caption() || !(measured_->Font == dc.Font) || measured_->Width != width ||
      measured_->Flags != flags)
  {
    const QSize size = TextSize(dc, Caption(), width, flags);
    const bool oneLine = size.height() <= dc.FontMetrics().height() && !Caption().contains(QLatin1Char('\n')) &&
                         !Caption().contains(QLatin1Char('\r'));
    measured_ = TacMeasuredCaption{Caption(), dc.Font, width, flags, size, oneLine};
  }
  return measured_->Size;
}

TRect TacBtnWnd::CaptionRect(Canvas& dc, const TacBtnState& s) {
  return BtnCaptionRect(s.Params.WndSize, CaptionSize(dc, s), s.State == TacButtonState::Pressed);
}

void TacBtnWnd::WriteCaption(Canvas& dc, const TacBtnState& s, TRect& r, unsigned flags) {
  dc.Brush.Style = bsClear;
  WriteControlText(dc, Caption(), s.Enabled, s.State != TacButtonState::Normal, *SkinData(), flags, r, nullptr);
}

void TacBtnWnd::DrawCaption(Canvas& dc, const TacBtnState& s) {
  dc.Font = WindowFont(CtrlHandle(), ProgramControl());
  TRect r = CaptionRect(dc, s);
  unsigned flags = (s.Style & BS_MULTILINE) ? DT_CENTER | DT_EXPANDTABS : DT_CENTER | DT_WORDBREAK | DT_EXPANDTABS;
  // One line that fits breaks nowhere: the same text without the search
  // for break opportunities.
  const QSize measured = CaptionSize(dc, s);
  if ((flags & DT_WORDBREAK) && measured_ && measured_->OneLine && measured.width() <= r.Width())
    flags &= ~DT_WORDBREAK;
  TRect written = r;
  WriteCaption(dc, s, written, flags);
  const TsGeneralData* section = SkinData()->Section();
  if (s.Enabled && (s.BmState & BST_FOCUS) && !Caption().isEmpty() && section && section->ShowFocus)
    DrawDottedFrame(dc, InflateRect(r, 1, 1));
}

void TacBtnWnd::DrawGlyph(Bitmap& /*cache*/, const TacBtnState& /*s*/) {}

void TacBtnWnd::Repaint() {
  SkinData()->BackgroundDirty = true;
  SendMessage(CtrlHandle(), WM_PAINT, 0, 0);
}

bool TacBtnWnd::PassOnLocked(Message& m, const CallPrevious& previous) {
  return RedrawLocked(CtrlHandle(), *this, [&] { TacMainWnd::AdapterWndProc(m, previous); });
}

void TacBtnWnd::AdapterWndProc(Message& m, const CallPrevious& previous) {
  if (!SkinActive(*this)) {
    TacMainWnd::AdapterWndProc(m, previous);
    return;
  }
  QWidget* h = CtrlHandle();
  TsCommonData& data = *SkinData();
  TsSkinManager* sm = data.SkinManager();
  if (m.Msg == SkinCommandMsg) {
    switch (HIWORD(m.WParam)) {
      case acEndUpdate:
        // Only a button waiting for its parent repaints, on a later turn
        // (this comes from the parent's paint or right after it).
        if (!data.UpdatingFlag()) return;
        data.SetUpdating(false);
        data.SetUpdating(data.Updating());
        if (!data.UpdatingFlag()) RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_FRAME);
        return;
      case acMouseEnter:
        if (!data.MouseAbove && sm->HotWindow() == h && CursorInside(h)) {
          data.MouseAbove = true;
          data.SetUpdating(false);
          Repaint();
          if (!Destroyed()) data.ShowControlGlow(false);
        }
        return;
      case acMouseLeave:
        if (data.MouseAbove) {
          ClearGlows();
          data.MouseAbove = false;
          data.SetUpdating(false);
          Repaint();
        }
        return;
      default:
        TacMainWnd::AdapterWndProc(m, previous);
        return;
    }
  }
  const bool visible = IsWindowVisible(h);
  switch (m.Msg) {
    case WM_PAINT:
      if (!ParamsApplied()) ApplySkinParams();
      PaintThroughCache(data, h, m.WParam, [this] { PrepareCache(); });
      return;
    case WM_PRINT:
      if (m.WParam) PaintThroughCache(data, h, m.WParam, [this] { PrepareCache(); });
      return;
    case WM_MOVE: {
      const TsGeneralData* section = data.Section();
      if (section && (section->Transparency >= 1 || (data.ControlIsActive() && section->HotTransparency >= 1)))
        Repaint();
      if (Destroyed()) return;
      break;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
      const bool focused = m.Msg == WM_SETFOCUS;
      // A disabled button swallows the focus and takes no focus look.
      if (!IsWindowEnabled(h)) {
        if (focused) return;
        break;
      }
      if (!PassOnLocked(m, previous)) return;
      data.Focused = focused;
      Repaint();
      return;
    }
    case WM_ENABLE:
    case WM_SETTEXT:
    case BM_SETSTATE:
      if (!visible) break;
      if (!PassOnLocked(m, previous)) return;
      Repaint();
      return;
    case WM_ERASEBKGND:
    case WM_NCPAINT:
    case WM_UPDATEUISTATE:
      m.Result = 1;
      return;
    default:
      break;
  }
  const unsigned msg = m.Msg;
  const LPARAM lParam = m.LParam;
  QPointer<QWidget> alive(h);
  TacMainWnd::AdapterWndProc(m, previous);
  if (!alive || Destroyed()) return;
  if (msg == CM_MOUSELEAVE) MouseLeft(h);
  if (msg != WM_MOUSEMOVE) return;
  TsSkinManager* manager = FirstSkinManager;
  if (!manager || !IsWindowEnabled(h)) return;
  const int x = short(LOWORD(lParam)), y = short(HIWORD(lParam));
  const bool inside = x >= 0 && y >= 0 && x < h->width() && y < h->height();
  if (inside && manager->HotWindow() != h)
    manager->SetHotWindow(h);
  else if (!inside && manager->HotWindow() == h)
    manager->SetHotWindow(nullptr);
}

// ------------------------------------------------------------ bit buttons

TacBitBtnGlyph TacBitBtnWnd::ReadGlyph() const {
  TacBitBtnGlyph g;
  QWidget* h = CtrlHandle();
  if (!h) return g;
  QObject* source = ProgramControl() ? static_cast<QObject*>(ProgramControl()) : h;
  std::shared_ptr<Bitmap> glyph;
  if (const auto value = GetPublishedProperty(source, QStringLiteral("Glyph")); value && value->isValid()) {
    QImage image = value->canConvert<QImage>() ? value->value<QImage>() : value->value<QPixmap>().toImage();
    if (!image.isNull()) {
      g.Alpha = image.hasAlphaChannel();
      glyph = std::make_shared<Bitmap>(Bitmap::FromQImage(image, g.Alpha ? pf32bit : pf24bit));
    }
  }
  if (!glyph) {
    if (auto* image = ParamPtr<const Bitmap>(std::uintptr_t(SendMessage(h, BM_GETIMAGE, IMAGE_BITMAP, 0)));
        image && !image->Empty()) {
      glyph = std::make_shared<Bitmap>(*image);
      g.Alpha = image->PixelFormat() == pf32bit;
    }
  }
  g.Picture = std::move(glyph);
  // A count of 0 (or a damaged one) is one glyph.
  if (HasProperty(source, QStringLiteral("NumGlyphs")))
    g.NumGlyphs = std::max(1, GetOrdProperty(source, QStringLiteral("NumGlyphs")) & 127);
  if (HasProperty(source, QStringLiteral("Layout")))
    g.Layout = TacGlyphLayout(std::clamp(GetOrdProperty(source, QStringLiteral("Layout")), 0, 3));
  if (HasProperty(source, QStringLiteral("Margin"))) g.Margin = GetOrdProperty(source, QStringLiteral("Margin"));
  if (HasProperty(source, QStringLiteral("Spacing"))) g.Spacing = GetOrdProperty(source, QStringLiteral("Spacing"));
  return g;
}

QSize TacBitBtnWnd::GlyphSize() const {
  const TacBitBtnGlyph g = ReadGlyph();
  if (!g.Picture) return {};
  return {g.Picture->Width() / g.NumGlyphs, g.Picture->Height()};
}

int TacBitBtnWnd::CaptionWidth(const TacBtnState& s) const {
  if (!ProgramControl()) return TacBtnWnd::CaptionWidth(s);
  if (Caption().isEmpty()) return 0;
  const TacBitBtnGlyph g = ReadGlyph();
  int width = s.Params.WndSize.width() - 2 * g.Margin;
  if (g.Picture && (g.Layout == TacGlyphLayout::GlyphLeft || g.Layout == TacGlyphLayout::GlyphRight))
    width -= g.Picture->Width() / g.NumGlyphs + g.Spacing;
  return std::max(0, width);
}

TacGlyphTextLayout TacBitBtnWnd::Layout(Canvas& dc, const TacBtnState& s) const {
  const TacBitBtnGlyph g = ReadGlyph();
  const QSize glyph = g.Picture ? QSize(g.Picture->Width() / g.NumGlyphs, g.Picture->Height()) : QSize();
  const QSize text = Caption().isEmpty() ? QSize() : const_cast<TacBitBtnWnd*>(this)->CaptionSize(dc, s);
  TacGlyphTextLayout l =
      CalcGlyphTextLayout(Local(s.Params.WndSize.width(), s.Params.WndSize.height()), glyph, 0, text, g.Margin,
                          g.Spacing, TacCaptionAlignment::Center, g.Layout);
  if (s.State == TacButtonState::Pressed) {
    l.GlyphPos = {l.GlyphPos.X + 1, l.GlyphPos.Y + 1};
    l.TextBounds = OffsetRect(l.TextBounds, 1, 1);
  }
  return l;
}

TRect TacBitBtnWnd::CaptionRect(Canvas& dc, const TacBtnState& s) { return Layout(dc, s).TextBounds; }

void TacBitBtnWnd::DrawGlyph(Bitmap& cache, const TacBtnState& s) {
  TacGlyphTextLayout l;
  {
    Canvas dc(cache);
    dc.Font = WindowFont(CtrlHandle(), ProgramControl());
    l = Layout(dc, s);
  }
  const TacBitBtnGlyph g = ReadGlyph();
  if (!g.Picture) return;
  if (!g.Alpha) {
    PaintButtonGlyph(*g.Picture, cache, l.GlyphPos, 0, s.State, kGlyphDisabledGray | kGlyphDisabledBlend, s.Enabled,
                     g.NumGlyphs);
    return;
  }
  // A picture with its own alpha (a PNG glyph) is laid over by its alpha.
  const int frameW = g.Picture->Width() / g.NumGlyphs;
  const int frame = ButtonGlyphFrame(s.State, 0, s.Enabled, g.NumGlyphs);
  const TRect src{frame * frameW, 0, (frame + 1) * frameW, g.Picture->Height()};
  const TRect dst{l.GlyphPos.X, l.GlyphPos.Y, l.GlyphPos.X + frameW, l.GlyphPos.Y + g.Picture->Height()};
  if (s.Enabled) {
    PaintAlphaBitmapRect(dst, src, cache, false, EmptyCacheInfo, *g.Picture);
    return;
  }
  // Disabled: the frame grey and at half its alpha, as a single-frame
  // glyph is drawn disabled.
  QImage frameImage = g.Picture->ToQImage().copy(src.Left, src.Top, frameW, g.Picture->Height());
  frameImage = frameImage.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < frameImage.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(frameImage.scanLine(y));
    for (int x = 0; x < frameImage.width(); ++x) {
      const int grey = (qRed(row[x]) + qGreen(row[x]) + qBlue(row[x])) / 3;
      row[x] = qRgba(grey, grey, grey, qAlpha(row[x]) / 2);
    }
  }
  const Bitmap faded = Bitmap::FromQImage(frameImage, pf32bit);
  PaintAlphaBitmapRect(dst, Local(faded.Width(), faded.Height()), cache, false, EmptyCacheInfo, faded);
}

// ------------------------------------------------------------ check boxes

int CheckBoxCheckState(unsigned bmState) {
  if (bmState & BST_INDETERMINATE) return 2;
  return (bmState & BST_CHECKED) ? 1 : 0;
}

bool IsRadioStyle(std::uint32_t style) {
  const std::uint32_t kind = style & 0xF;
  return kind == BS_RADIOBUTTON || kind == BS_AUTORADIOBUTTON;
}

QString CheckBoxMaskName(std::uint32_t style, int checkState) {
  if (checkState == 2) return QStringLiteral("BOXGRAYED");
  if (IsRadioStyle(style)) return checkState == 1 ? QStringLiteral("RADIOCHECKED") : QStringLiteral("RADIOUNCHECKED");
  return checkState == 1 ? QStringLiteral("BOXCHECKED") : QStringLiteral("BOXUNCHECKED");
}

int CheckBoxImageState(unsigned bmState, bool hotWindow) {
  if (bmState & BST_PUSHED) return 2;
  return (bmState & BST_FOCUS) || hotWindow ? 1 : 0;
}

QSize CheckImageSize(const TsSkinManager* manager, int maskIndex) {
  if (!manager || !manager->IsValidMaskIndex(maskIndex)) return {16, 16};
  const TsMaskData& md = manager->MaskData[size_t(maskIndex)];
  if (md.Bmp) return {md.Bmp->Width() / 3, md.Bmp->Height() / 2};
  return {md.R.Width() / std::max<int>(1, md.ImageCount), md.R.Height() / std::max(1, md.MaskType + 1)};
}

TacCheckBoxLayout LayoutCheckBox(std::uint32_t style, QSize client, QSize image, QSize textSize) {
  TacCheckBoxLayout l;
  const bool leftText = (style & BS_LEFTTEXT) != 0;
  const int iy = (client.height() - image.height()) / 2;
  const int ix = leftText ? client.width() - image.width() : 0;
  l.Image = {ix, iy, ix + image.width(), iy + image.height()};
  if (textSize.isEmpty()) return l;
  const bool multiLine = (style & BS_MULTILINE) != 0;
  int x = leftText ? 2 : image.width() + 2;
  int y = (client.height() - textSize.height()) / 2;
  if (multiLine && !leftText) --x;
  if (multiLine) --y;
  l.Text = {x, y, x + textSize.width(), y + textSize.height()};
  return l;
}

TacCheckBoxWnd::TacCheckBoxWnd(QWidget* handle, TsCommonData* skinData, TsSkinManager* manager,
                               const QString& section)
    : TacMainWnd(handle, skinData, manager, section.isEmpty() ? QStringLiteral("CHECKBOX") : section) {}

TacCheckBoxState TacCheckBoxWnd::ReadCheckBoxState() const { return ReadButtonWindow(*this); }

int TacCheckBoxWnd::ImageIndex(const TacCheckBoxState& s) const {
  const TsSkinManager* sm = SkinData() ? SkinData()->SkinManager() : nullptr;
  if (!sm) return -1;
  return sm->FindMaskIndex(sm->StandardIndexes.GlobalInfo, QStringLiteral("GLOBALINFO"),
                           CheckBoxMaskName(s.Style, CheckBoxCheckState(s.BmState)));
}

void TacCheckBoxWnd::PrepareCache(const TacCheckBoxState& s) {
  QWidget* h = CtrlHandle();
  if (!h || !SkinData()) return;
  TsCommonData& data = *SkinData();
  TsSkinManager* sm = data.SkinManager();
  const bool active = data.ControlIsActive();
  Bitmap* painted = sm ? PrepareControlCache(data, h, active ? 1 : 0) : nullptr;
  if (!painted) return;
  Bitmap& cache = *painted;
  const int maskIndex = ImageIndex(s);
  const QSize image = CheckImageSize(sm, maskIndex);
  const bool multiLine = (s.Style & BS_MULTILINE) != 0;
  TacCheckBoxLayout layout;
  {
    Canvas dc(cache);
    dc.Font = WindowFont(h, nullptr);
    QSize text;
    if (!Caption().isEmpty())
      text = TextSize(dc, Caption(), cache.Width() - (image.width() + 2), multiLine ? DT_WORDBREAK : DT_SINGLELINE);
    layout = LayoutCheckBox(s.Style, s.Params.WndSize, image, text);
  }
  const auto writeText = [&] {
    if (Caption().isEmpty()) return;
    Canvas dc(cache);
    dc.Font = WindowFont(h, nullptr);
    TRect r = layout.Text;
    dc.Brush.Style = bsClear;
    WriteControlText(dc, Caption(), s.Enabled, active, data, multiLine ? DT_CENTER | DT_WORDBREAK : DT_SINGLELINE, r,
                     nullptr);
    if (s.BmState & BST_FOCUS) DrawDottedFrame(dc, InflateRect(layout.Text, 1, 0));
  };
  if (s.Enabled) writeText();
  if (sm->IsValidMaskIndex(maskIndex)) {
    const TsBgSource self{&cache, 0, 0, KeyColor, true};
    PaintMaskGlyph(cache, {layout.Image.Left, layout.Image.Top}, CheckBoxImageState(s.BmState, s.Hot), 1,
                   sm->MaskData[size_t(maskIndex)], self);
  }
  PaintDisabledLook(cache, h);
  // A disabled caption, written in the disabled colour, fades only once.
  if (!s.Enabled) writeText();
  data.BackgroundDirty = false;
}

void TacCheckBoxWnd::Paint(WPARAM wParam) {
  QWidget* h = CtrlHandle();
  // A hidden window is painted only into a canvas it is given.
  if (!wParam && !IsWindowVisible(h)) return;
  const TacCheckBoxState s = ReadCheckBoxState();
  if (QWidget* parent = GetParent(h)) {
    QPointer<QWidget> alive(h);
    SendMessage(parent, SkinCommandMsg, MAKEWPARAM(0, acChildPaints), 0);
    if (!alive || Destroyed()) return;
  }
  PaintThroughCache(*SkinData(), h, wParam, [this, &s] { PrepareCache(s); });
}

void TacCheckBoxWnd::AdapterWndProc(Message& m, const CallPrevious& previous) {
  if (!SkinActive(*this)) {
    TacMainWnd::AdapterWndProc(m, previous);
    return;
  }
  QWidget* h = CtrlHandle();
  TsCommonData& data = *SkinData();
  const unsigned msg = m.Msg;
  if (msg == SkinCommandMsg && (HIWORD(m.WParam) == acMouseEnter || HIWORD(m.WParam) == acMouseLeave)) {
    data.SetUpdating(false);
    SendMessage(h, WM_PAINT, 0, 0);
    if (Destroyed()) return;
    TacMainWnd::AdapterWndProc(m, previous);
    return;
  }
  switch (msg) {
    case WM_NCPAINT:
    case WM_ERASEBKGND:
      return;
    case WM_PAINT:
      Paint(m.WParam);
      return;
    case WM_ENABLE:
    case BM_SETCHECK:
    case BM_SETSTATE:
      if (!IsWindowVisible(h)) break;
      if (!RedrawLocked(h, *this, [&] { TacMainWnd::AdapterWndProc(m, previous); })) return;
      SendMessage(h, WM_PAINT, 0, 0);
      return;
    default:
      break;
  }
  const WPARAM wParam = m.WParam;
  QPointer<QWidget> alive(h);
  TacMainWnd::AdapterWndProc(m, previous);
  if (!alive || Destroyed()) return;
  switch (msg) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      SendMessage(h, WM_PAINT, 0, 0);
      break;
    case WM_NCHITTEST:
      if (TsSkinManager* sm = data.SkinManager(); sm && IsWindowEnabled(h) && sm->HotWindow() != h)
        sm->SetHotWindow(h);
      break;
    case WM_KEYDOWN:
      if (wParam == VK_SPACE) SendMessage(h, WM_PAINT, 0, 0);
      break;
    case CM_MOUSELEAVE:
      MouseLeft(h);
      break;
    default:
      break;
  }
}

// ------------------------------------------------------------ group boxes

TRect GroupCaptionRect(QSize text, int width) {
  return TRect{6, 0, std::min(text.width() + 14, width - 1), std::max(4, text.height()) + 2};
}

TacGroupBoxWnd::TacGroupBoxWnd(QWidget* handle, TsCommonData* skinData, TsSkinManager* manager,
                               const QString& section)
    : TacMainWnd(handle, skinData, manager, section.isEmpty() ? QStringLiteral("GROUPBOX") : section) {}

TRect TacGroupBoxWnd::CaptionRect() {
  QWidget* h = CtrlHandle();
  if (!h) return {};
  Bitmap scratch(1, 1, pf24bit);
  Canvas dc(scratch);
  dc.Font = WindowFont(h, SkinData() ? SkinData()->OwnerControl() : nullptr);
  return GroupCaptionRect(TextSize(dc, Caption(), 0, DT_SINGLELINE), h->width());
}

void TacGroupBoxWnd::PrepareCache() {
  QWidget* h = CtrlHandle();
  if (!h || !SkinData()) return;
  TsCommonData& data = *SkinData();
  const TRect caption = CaptionRect();
  TsBgSource bg;
  ParentWndCacheInfo(h, bg);
  Bitmap& cache = SizedCache(data, h);
  if (cache.Empty()) return;
  const int w = cache.Width(), hgt = cache.Height();
  FillFromParent(cache, Local(w, caption.Bottom), h, bg);
  const int top = caption.Height() / 2;
  const TPoint at = PlaceInParent(h);
  PaintControlItem(data, bg, cache, TRect{0, top, w, hgt}, {at.X, at.Y + top}, 0, true);
  if (!Caption().isEmpty()) {
    FillFromParent(cache, caption, h, bg);
    Canvas dc(cache);
    dc.Font = WindowFont(h, nullptr);
    dc.Brush.Style = bsClear;
    TRect r = caption;
    WriteControlText(dc, Caption(), IsWindowEnabled(h), false, data, DT_CENTER | DT_VCENTER | DT_SINGLELINE, r,
                     nullptr);
  }
  data.BackgroundDirty = false;
}

void TacGroupBoxWnd::Paint(Message& m) {
  QWidget* h = CtrlHandle();
  TsCommonData& data = *SkinData();
  data.SetUpdating(data.Updating());
  if (data.UpdatingFlag() || data.Updating()) return;
  Canvas* dc = nullptr;
  if (m.LParam == 1 || m.Msg == WM_PRINT)
    dc = ParamPtr<Canvas>(m.WParam);
  else if (m.Msg == WM_NCPAINT)
    dc = GetWindowDC(h);
  else
    dc = m.WParam ? ParamPtr<Canvas>(m.WParam) : BeginPaint(h);
  QPointer<QWidget> alive(h);
  PrepareCache();
  if (!alive || Destroyed()) return;
  if (!dc) {
    InvalidateRect(h, nullptr, false);
    return;
  }
  const int saved = dc->SaveDC();
  if (DlgMode()) {
    TsSkinManager* sm = data.SkinManager();
    const int mask = data.BorderMaskIndex;
    const TRect caption = CaptionRect();
    if (sm && sm->IsValidMaskIndex(mask))
      dc->ExcludeClipRect(TRect{sm->MaskLeftWidth(mask), caption.Height(), h->width() - sm->MaskRightWidth(mask),
                                h->height() - sm->MaskBottomWidth(mask)});
  }
  CopyBgExcludingChildWindows(h, data, {0, 0}, false, *dc, Local(h->width(), h->height()));
  dc->RestoreDC(saved);
  if (QWidget* owner = data.OwnerControl()) PaintGraphicChildren(*dc, owner, {0, 0});
  if (alive) NotifyTopChildWindows(h);
}

void TacGroupBoxWnd::AdapterWndProc(Message& m, const CallPrevious& previous) {
  if (!SkinActive(*this)) {
    TacMainWnd::AdapterWndProc(m, previous);
    return;
  }
  QWidget* h = CtrlHandle();
  TsCommonData& data = *SkinData();
  if (m.Msg == SkinCommandMsg) {
    switch (HIWORD(m.WParam)) {
      case acRemoveSkin:
        if (QWidget* owner = data.OwnerControl()) SetControlStyle(owner, GetControlStyle(owner) & ~csOpaque);
        break;
      case acGetCaptionHeight:
        m.Result = CaptionRect().Height();
        return;
      case acPrepareCache:
        // The group box's own look, not an edit's.
        if (data.BackgroundDirty) PrepareCache();
        PassOn(m, previous);
        return;
      default:
        break;
    }
    TacMainWnd::AdapterWndProc(m, previous);
    return;
  }
  switch (m.Msg) {
    case WM_NCPAINT:
      if (!DlgMode()) break;
      Paint(m);
      m.Result = 1;
      return;
    case WM_SETTEXT: {
      QPointer<QWidget> alive(h);
      TacMainWnd::AdapterWndProc(m, previous);
      if (!alive || Destroyed()) return;
      data.BackgroundDirty = true;
      RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
      return;
    }
    case WM_PAINT:
      // A dialog's group box is painted by the window first and gets its
      // frame and caption over it: the band a Windows group box paints in
      // WM_NCPAINT is no band of a Qt group box.
      if (DlgMode() && !PassOnAndSurvive(m, previous)) return;
      Paint(m);
      m.Result = 0;
      return;
    case WM_ERASEBKGND:
      if (DlgMode()) break;
      // Only a canvas the library sends in both parameters is painted.
      if (m.WParam && m.WParam == WPARAM(m.LParam)) {
        if (data.BackgroundDirty) PrepareCache();
        Canvas* dc = ParamPtr<Canvas>(m.WParam);
        if (data.ParentDependent() && data.CacheBitmap) {
          dc->Draw(0, 0, *data.CacheBitmap);
        } else {
          dc->Brush.Style = bsSolid;
          dc->Brush.Color = GetWndBgColor(h);
          dc->FillRect(Local(h->width(), h->height()));
        }
      }
      m.Result = 1;
      return;
    case WM_PARENTNOTIFY: {
      const unsigned event = LOWORD(m.WParam);
      if (event != WM_CREATE && event != WM_DESTROY) break;
      QPointer<QWidget> alive(h);
      TacMainWnd::AdapterWndProc(m, previous);
      if (alive && event == WM_CREATE) NotifyParentForm(h);
      return;
    }
    case WM_PRINT:
      if (DlgMode() || !m.WParam) break;
      data.BackgroundDirty = true;
      Paint(m);
      return;
    default:
      break;
  }
  TacMainWnd::AdapterWndProc(m, previous);
}
