#include "skinning/WinSubClass.h"

#include "platform/Blit.h"
#include "platform/WindowTable.h"
#include "skinning/ImgUtil.h"
#include "skinning/WinSkinForm.h"
#include "skinning/WinSkinManage.h"
#include "skinning/WinSkinStyle.h"

#include <QHash>
#include <QPainter>
#include <QWidget>

#include <utility>

using namespace platform;

namespace skinning {

namespace {

QMultiHash<const QWidget*, TSkinControl*>& Registry() {
  static QMultiHash<const QWidget*, TSkinControl*> registry;
  return registry;
}

void Register(const QWidget* window, TSkinControl* painter) {
  if (window && !Registry().contains(window, painter)) Registry().insert(window, painter);
}

void Unregister(TSkinControl* painter) {
  for (auto it = Registry().begin(); it != Registry().end();)
    it = it.value() == painter ? Registry().erase(it) : std::next(it);
}

}  // namespace

std::vector<TSkinControl*> FindSkinControls(const QWidget* window) {
  std::vector<TSkinControl*> painters;
  for (auto it = Registry().constFind(window); it != Registry().constEnd() && it.key() == window; ++it)
    painters.push_back(it.value());
  return painters;
}

// ---------------------------------------------------------------------------

TSkinControl::TSkinControl(QObject* owner) {
  if (auto* widget = qobject_cast<QWidget*>(owner)) {
    Control = widget;
    // The painter goes with its control (after the control's last message).
    connect(widget, &QObject::destroyed, this, [this] { delete this; });
  } else {
    setParent(owner);
  }
}

TSkinControl::~TSkinControl() {
  RestoreStyles();
  RemoveWindowProc(handle_);
  if (Form) Form->RemoveControl(this);
  Unregister(this);
}

void TSkinControl::HookControl(TSkinFormObject* form, TSkinData* skinData, bool applyColor) {
  AttachControl(form, skinData, applyColor, true);
}

void TSkinControl::AttachControl(TSkinFormObject* form, TSkinData* skinData, bool applyColor, bool installProc) {
  if (Hooked || !Control) return;
  Form = form;
  SkinData = skinData;
  ApplyColor = applyColor;
  Handle = Control;
  if (installProc)
    handle_ = InstallWindowProc(
        Handle, [this](Message& m, const CallPrevious& previous) { MainWndProc(m, previous); },
        WindowProcLevel::Control);
  if (Form) Form->AddControl(this);
  Register(Handle, this);
  if (ApplyColor && SkinData) {
    SavedColor = TSavedLook::Of(Control);
    SwitchParentBackground(true);
    SetControlColor(Control, SkinColour(scButtonFace));
  }
  if (HadParentBackground) ModeFlag = 1;
  Control->update();
  Hooked = true;
  Phase = kPhaseHooked;
}

void TSkinControl::RegisterWindow(QWidget* window) { Register(window, this); }

void TSkinControl::UseSkinStyle(QWidget* widget) {
  if (SkinData) styles_.Use(widget, SkinData->Style());
}

void TSkinControl::RestoreStyles() { styles_.RestoreAll(); }

void TStyleSwitch::Use(QWidget* widget, QStyle* style) {
  if (!widget || !style) return;
  for (const Saved& s : saved_)
    if (s.widget == widget) return;
  saved_.push_back({widget, widget->style(), widget->testAttribute(Qt::WA_SetStyle), style});
  widget->setStyle(style);
}

void TStyleSwitch::GiveBack(const Saved& saved) {
  QWidget* widget = saved.widget;
  if (!widget || !saved.put || !widget->testAttribute(Qt::WA_SetStyle) || widget->style() != saved.put) return;
  widget->setStyle(saved.own ? saved.style.data() : nullptr);
}

void TStyleSwitch::Restore(QWidget* widget) {
  for (auto it = saved_.begin(); it != saved_.end(); ++it)
    if (it->widget == widget) {
      GiveBack(*it);
      saved_.erase(it);
      return;
    }
}

void TStyleSwitch::RestoreAll() {
  for (const Saved& s : saved_) GiveBack(s);
  saved_.clear();
}

void TSkinControl::HookWindow(QWidget* handle, TSkinData* skinData, TSkinFormObject* form) {
  if (Hooked || !handle) return;
  SkinData = skinData;
  Form = form;
  Handle = handle;
  Enabled = true;
  ModeFlag = 0;
  if (Form) Form->AddControl(this);
  Register(Handle, this);
  Text = ReadWindowText(handle);
  handle_ = InstallWindowProc(
      Handle, [this](Message& m, const CallPrevious& previous) { MainWndProc(m, previous); },
      WindowProcLevel::Window);
  Handle->update();
  Hooked = true;
  Phase = kPhaseHooked;
}

void TSkinControl::Unhook() {
  if (!Active) return;
  Active = false;
  if (Phase == kPhaseDestroyed) return;
  if (ApplyColor && Control) {
    SwitchParentBackground(false);
    RestoreColor();
  }
  RestoreStyles();
  if (Handle) Handle->update();
}

void TSkinControl::RestoreColor() { SavedColor.RestoreTo(Control); }

TSavedLook TSavedLook::Of(const QWidget* widget) {
  return {widget->testAttribute(Qt::WA_SetPalette), widget->palette(), widget->autoFillBackground()};
}

void TSavedLook::RestoreTo(QWidget* widget) const {
  widget->setPalette(OwnPalette ? Palette : QPalette());
  widget->setAutoFillBackground(AutoFill);
}

void TSkinControl::SwitchParentBackground(bool hooking) {
  if (!Control || HasOption(xoParentBackGround)) return;
  if (hooking) {
    if (GetPropertyText(Control, QStringLiteral("ParentBackground")).toLower() != QStringLiteral("true")) return;
    HadParentBackground = true;
    SetPropertyText(Control, QStringLiteral("ParentBackground"), QStringLiteral("False"));
  } else if (HadParentBackground) {
    SetPropertyText(Control, QStringLiteral("ParentBackground"), QStringLiteral("True"));
  }
}

void TSkinControl::MainWndProc(Message& m, const CallPrevious& previous) {
  const CallPrevious* outer = std::exchange(previous_, &previous);
  QPointer<TSkinControl> alive(this);
  m.Result = 0;
  if (m.Msg == SKIN_PAINTER) {
    Active = m.WParam > 0;
    if (Active) Refresh();
  } else if (Active && SkinData) {
    if (BeforeMessage(m) && alive) {
      CallDefault(m);
      if (alive) AfterMessage(m);
    }
  } else {
    CallDefault(m);
  }
  if (alive) previous_ = outer;
}

void TSkinControl::CallDefault(Message& m) {
  if (previous_) (*previous_)(m);
}

void TSkinControl::Refresh() {
  if (Handle) Handle->update();
}

bool TSkinControl::BeforeMessage(Message& m) {
  switch (m.Msg) {
    case WM_NCDESTROY:
      Phase = kPhaseDestroyed;
      CallDefault(m);
      if (Active) Unhook();
      return false;
    case SKIN_QUERYSKINNED:
      m.Result = 1;
      return false;
    default:
      return true;
  }
}

void TSkinControl::AfterMessage(Message& m) {
  switch (m.Msg) {
    case WM_PAINT:
      PaintWindow(m.WParam ? ParamPtr<Canvas>(m.WParam) : BeginPaint(Handle));
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
    case WM_SETTEXT:
    case CM_ENABLEDCHANGED:
      Refresh();
      break;
    default:
      break;
  }
}

void TSkinControl::PaintWindow(Canvas* dc) {
  if (!Handle) return;
  if (!dc) {
    Refresh();
    return;
  }
  WindowRect = GetWindowRect(Handle);
  Paint(*dc, Rect(0, 0, WindowRect.Width(), WindowRect.Height()));
}

void TSkinControl::Paint(Canvas&, const TRect&) {}

void TSkinControl::Reskin() {
  if (ApplyColor && Control && SkinData) SetControlColor(Control, SkinColour(scButtonFace));
  Refresh();
}

void TSkinControl::HandlePaintMessage(Message& m) {
  Canvas* dc = m.WParam ? ParamPtr<Canvas>(m.WParam) : BeginPaint(Handle);
  if (!dc || !Handle) return;
  WindowRect = GetWindowRect(Handle);
  Paint(*dc, Rect(0, 0, WindowRect.Width(), WindowRect.Height()));
}

void TSkinControl::EraseBackground(Message& m) {
  if (auto* dc = ParamPtr<Canvas>(m.WParam)) {
    if (!Control)
      FillControlColor(*dc, GetClientRect(Handle));
    else
      PaintParentBackground(Control, *dc);
  }
  m.Result = 1;
}

TColor TSkinControl::ControlColor(TColor fallback) const {
  return Control ? TColor(GetOrdProperty(Control, QStringLiteral("Color"))) : fallback;
}

void TSkinControl::FillSkinColor(Canvas& dc, const TRect& r) const { FillColor(dc, r, SkinColour(scButtonFace)); }

void TSkinControl::FillControlColor(Canvas& dc, const TRect& r) const {
  FillColor(dc, r, ControlColor(SkinColour(scButtonFace)));
}

TFont TSkinControl::ControlFont() const {
  const QWidget* w = Control ? Control.data() : Handle.data();
  if (!w) return {};
  return GetControlFont(w);
}

unsigned TSkinControl::AddRtlReading(unsigned format) const {
  const QWidget* w = Control ? Control.data() : Handle.data();
  return w && w->layoutDirection() == Qt::RightToLeft ? format | DT_RTLREADING : format;
}

void TSkinControl::DrawFocusAround(Canvas& dc, const QString& text, const TRect& r, unsigned format,
                                   const TRect& bounds) const {
  TRect m = r;
  dc.DrawText(text, m, format | DT_CALCRECT | DT_NOCLIP);
  const int dw = r.Width() - m.Width(), dh = r.Height() - m.Height();
  if (format & DT_CENTER)
    m = OffsetRect(m, dw / 2, dh / 2 - 1);
  else if (format & DT_RIGHT)
    m = OffsetRect(m, dw, 0);
  dc.DrawFocusRect(IntersectRect(InflateRect(m, 2, 1), bounds));
}

void TSkinControl::DrawCaptionCentred(Canvas& dc, const TRect& r, unsigned format, bool enabled,
                                      const QString& text) const {
  dc.SetBkMode(TRANSPARENT);
  dc.Brush.Style = bsClear;
  dc.Font.Style = 0;
  format |= DT_EXPANDTABS;
  TRect m = r;
  dc.DrawText(text, m, format | DT_CALCRECT | DT_NOCLIP);
  const int height = m.Height();
  m.Top = r.Top + (r.Height() - height) / 2 - 1;
  m.Bottom = m.Top + height;
  if (format & DT_CENTER) {
    const int width = m.Width();
    m.Left = r.Left + (r.Width() - width) / 2;
    m.Right = m.Left + width;
  } else {
    m.Left = r.Left;
    m.Right = r.Right;
  }
  if (!enabled) dc.SetTextColor(clBtnShadow);
  dc.DrawText(text, m, AddRtlReading(format));
}

void TSkinControl::DrawImageCaption(Canvas& dc, const TRect& r, int alignment, const QString& text,
                                    const QIcon& icon, QSize iconSize) const {
  const bool withIcon = !icon.isNull() && iconSize.width() > 0 && iconSize.width() <= r.Width();
  const int iconWidth = withIcon ? iconSize.width() + 2 : 0;
  constexpr unsigned kFormat = DT_END_ELLIPSIS | DT_EXPANDTABS | DT_WORDBREAK;
  TRect t = r;
  if (!text.isEmpty()) dc.DrawText(text, t, kFormat | DT_CALCRECT | DT_NOCLIP);
  const int tw = text.isEmpty() ? 0 : t.Width(), th = text.isEmpty() ? 0 : t.Height();
  int start = alignment == 0   ? 3
              : alignment == 1 ? (r.Width() - iconWidth - tw) / 2
                               : r.Width() - iconWidth - tw - 2;
  if (start < 2) start = 1;
  const int x = r.Left + start;
  dc.SaveDC();
  dc.IntersectClipRect(r);
  if (withIcon) {
    const QImage image = icon.pixmap(iconSize, 1.0, Enabled ? QIcon::Normal : QIcon::Disabled).toImage();
    if (QPainter* p = dc.Painter()) p->drawImage(x, r.Top + (r.Height() - iconSize.height()) / 2, image);
  }
  if (tw > 0) {
    if (!Enabled) dc.SetTextColor(clBtnShadow);
    dc.SetBkMode(TRANSPARENT);
    TRect tr = Bounds(x + iconWidth, r.Top + (r.Height() - th) / 2, tw, th);
    dc.DrawText(text, tr, AddRtlReading(kFormat));
  }
  dc.RestoreDC(-1);
}

void TSkinControl::SendMouseLeave() {
  if (Handle) SendMessage(Handle, CM_MOUSELEAVE, 0, LPARAM(PtrParam(Handle.data())));
}

// ---------------------------------------------------------------------------

QString ReadWindowText(const QWidget* window) { return GetWindowText(window); }

void FillColor(Canvas& dc, const TRect& r, TColor colour) {
  dc.Brush = {colour, bsSolid};
  dc.FillRect(r);
}

void DrawElementState(Canvas& dc, const TRect& r, int frameCount, int frame, const TDataSkinObject& element) {
  if (r.IsEmpty()) return;
  DrawSkinElement(dc, r, element.Image, false, element.Tile == 1, element.Trans == 1, frameCount, frame,
                  element.Margins());
}

void DrawStripFrame(Canvas& dc, const TRect& r, int frameCount, int frame, const Bitmap& strip) {
  if (!r.IsEmpty()) DrawFrameStretched(dc, r, strip, true, frameCount, frame);
}

Bitmap CreateDisabledGlyph(const Bitmap& glyph, TColor key) {
  const int w = glyph.Width(), h = glyph.Height();
  Bitmap out(w, h, pf24bit);
  out.Fill(qRgb(255, 255, 255));
  if (glyph.Empty()) return out;
  // The mask: set where the glyph is.
  std::vector<uint8_t> mask(static_cast<size_t>(w) * static_cast<size_t>(h));
  std::vector<QRgb> row(static_cast<size_t>(w));
  const QRgb k = ToQRgb(key) & 0xFFFFFF;
  const bool alpha = glyph.PixelFormat() == pf32bit;
  for (int y = 0; y < h; ++y) {
    LoadArgbRow(glyph, y, 0, w, row.data());
    for (int x = 0; x < w; ++x)
      mask[size_t(y) * w + x] = (row[x] & 0xFFFFFF) != k && (!alpha || qAlpha(row[x]) >= 128);
  }
  // Brush P through the mask S onto D: D xor (S and (P xor D)), with S all
  // ones where the glyph is, so the brush where the glyph is, D elsewhere.
  const auto pass = [&](TColor brush, int dx, int dy) {
    const TColor p = ColorToRGB(brush);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const int sx = x - dx, sy = y - dy;
        if (sx >= 0 && sy >= 0 && sx < w && sy < h && mask[size_t(sy) * w + sx]) out.SetPixel(x, y, p);
      }
  };
  pass(GetSysColor(COLOR_BTNHIGHLIGHT), 1, 1);
  pass(GetSysColor(COLOR_BTNSHADOW), 0, 0);
  return out;
}

}  // namespace skinning
