#include "skinning/WinSubClassButtons.h"

#include "platform/Blit.h"
#include "platform/WindowTable.h"
#include "skinning/WinSkinForm.h"
#include "skinning/WinSkinManage.h"

#include <QAbstractButton>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QWidget>

using namespace platform;

namespace skinning {

namespace {

bool IsTrue(const QString& text) { return text.toLower() == QStringLiteral("true"); }

// The first "||" of a caption becomes a line break; later ones stay.
QString FirstBreak(QString text) {
  const qsizetype at = text.indexOf(QStringLiteral("||"));
  if (at >= 0) text.replace(at, 2, QStringLiteral("\r\n"));
  return text;
}

int LayoutOf(const QString& text) {
  const QString t = text.toLower();
  if (t == QStringLiteral("blglyphright")) return 1;
  if (t == QStringLiteral("blglyphtop")) return 2;
  if (t == QStringLiteral("blglyphbottom")) return 3;
  return 0;
}

Bitmap ImageOf(const QVariant& v) {
  QImage image;
  if (v.canConvert<QImage>()) image = v.value<QImage>();
  if (image.isNull() && v.canConvert<QPixmap>()) image = v.value<QPixmap>().toImage();
  return image.isNull() ? Bitmap() : Bitmap::FromQImage(image);
}

// The text's size when drawn with `format` inside `limit`; none for no text.
QSize MeasureText(Canvas& c, const QString& text, const TRect& limit, unsigned format) {
  if (text.isEmpty()) return {0, 0};
  TRect r = limit;
  c.DrawText(text, r, format | DT_CALCRECT);
  return {r.Width(), r.Height()};
}

}  // namespace

// ---------------------------------------------------------------------------
// Glyphs.

TButtonGlyph ReadButtonGlyph(const QWidget* control, const QString& property) {
  TButtonGlyph g;
  if (!property.isEmpty()) {
    g.Image = ImageOf(GetPublishedProperty(control, property).value_or(QVariant()));
    return g;
  }
  g.Image = ImageOf(GetPublishedProperty(control, QStringLiteral("Glyph")).value_or(QVariant()));
  if (!g.Image.Empty()) {
    g.NumGlyphs = std::max(GetOrdProperty(control, QStringLiteral("NumGlyphs")), 1);
    return g;
  }
  auto* button = qobject_cast<const QAbstractButton*>(control);
  if (button && !button->icon().isNull())
    g.Image = Bitmap::FromQImage(
        button->icon().pixmap(button->iconSize(), 1.0).toImage().convertToFormat(QImage::Format_ARGB32), pf32bit);
  return g;
}

void DrawGlyphFrame(Canvas& c, int x, int y, int numGlyphs, int frame, const Bitmap& glyph) {
  numGlyphs = std::max(numGlyphs, 1);
  const int fw = glyph.Width() / numGlyphs, h = glyph.Height();
  if (fw <= 0 || h <= 0) return;
  const bool disabled = frame == 2 && numGlyphs == 1;
  if (!disabled && (frame < 1 || frame > numGlyphs)) frame = 1;
  Bitmap one(fw, h, glyph.PixelFormat());
  BitBlt(one, 0, 0, fw, h, glyph, disabled ? 0 : (frame - 1) * fw, 0);
  if (disabled) {
    one = CreateDisabledGlyph(one, one.TransparentColor());
    one.SetTransparentColor(clWhite);
  } else if (one.PixelFormat() == pf32bit) {
    if (QPainter* p = c.Painter()) p->drawImage(x, y, one.ConstImage());
    return;
  }
  // Without a colour of its own, the frame's bottom-left pixel is transparent.
  one.Transparent = true;
  c.Draw(x, y, one);
}

void LayoutGlyphAndCaption(TGlyphLayout& l, QSize client) {
  const int W = client.width(), H = client.height();
  const int gw = l.GlyphSize.width(), gh = l.GlyphSize.height();
  const int tw = l.TextSize.width(), th = l.TextSize.height();
  const bool across = l.Layout <= 1;
  if (across) {
    l.GlyphPos.Y = (H - gh + 1) / 2;
    l.TextPos.Y = (H - th + 1) / 2;
  } else {
    l.GlyphPos.X = (W - gw + 1) / 2;
    l.TextPos.X = (W - tw + 1) / 2;
  }
  if (tw == 0 || gw == 0) l.Spacing = 0;
  const int C = across ? W : H, G = across ? gw : gh, T = across ? tw : th;
  if (l.Margin != -1 && !l.CentreAlways) {
    if (l.Spacing == -1) l.Spacing = (C - (l.Margin + G) - T) / 2;
  } else if (l.Spacing != -1) {
    l.Margin = (C - (G + l.Spacing + T)) / 2;
  } else {
    l.Margin = (C - (G + T)) / 3;
    l.Spacing = l.Margin;
  }
  l.Format = DT_WORDBREAK;
  switch (l.Layout) {
    case 0:
      l.GlyphPos.X = l.Margin;
      l.TextPos.X = l.GlyphPos.X + G + l.Spacing;
      break;
    case 1:
      l.GlyphPos.X = W - l.Margin - G;
      l.TextPos.X = l.GlyphPos.X - l.Spacing - T;
      l.Format |= DT_RIGHT;
      break;
    case 2:
      l.GlyphPos.Y = l.Margin;
      l.TextPos.Y = l.GlyphPos.Y + G + l.Spacing;
      l.Format |= DT_CENTER;
      break;
    default:
      l.GlyphPos.Y = H - l.Margin - G;
      l.TextPos.Y = l.GlyphPos.Y - l.Spacing - T;
      l.Format |= DT_CENTER;
      break;
  }
}

// ---------------------------------------------------------------------------
// Push button.

void TSkinButton::HookControl(TSkinFormObject* form, TSkinData* skinData, bool applyColor) {
  TSkinControl::HookControl(form, skinData, applyColor);
  ParentPaint = GetTag(Control) == kParentPaintTag || HasOption(xoTransparent);
}

bool TSkinButton::BeforeMessage(Message& m) {
  switch (m.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      // Qt's own press logic runs too: it takes the focus and clicks on release.
      MouseState |= msDown;
      PaintWindow(nullptr);
      break;
    case WM_PAINT:
      if (!HasButtonImage()) break;
      HandlePaintMessage(m);
      return false;
    case WM_ERASEBKGND:
      if (!HasButtonImage()) break;
      m.Result = 1;
      return false;
    default:
      break;
  }
  return TSkinControl::BeforeMessage(m);
}

void TSkinButton::AfterMessage(Message& m) {
  switch (m.Msg) {
    case WM_MOUSEMOVE:
      if (Enabled && !(MouseState & msHot)) {
        MouseState |= msHot;
        Refresh();
      }
      SkinTrackMouseLeave(Handle);
      break;
    case WM_MOUSELEAVE:
      MouseState &= ~(msHot | msDown);
      Refresh();
      break;
    case WM_KEYDOWN:
    case WM_KEYUP:
      if (m.WParam != VK_SPACE) break;
      if (m.Msg == WM_KEYDOWN)
        MouseState |= msDown;
      else
        MouseState &= ~msDown;
      Refresh();
      break;
    case WM_LBUTTONUP:
      if (!(MouseState & msDown)) break;
      MouseState &= ~msDown;
      Refresh();
      break;
    case CM_DIALOGKEY:
    case CM_FOCUSCHANGED:
      Refresh();
      break;
    case WM_SETTEXT:
      PaintWindow(nullptr);
      break;
    default:
      TSkinControl::AfterMessage(m);
  }
}

bool TSkinButton::Pressed() const {
  auto* button = qobject_cast<const QAbstractButton*>(Control);
  return (MouseState & msDown) || (button && button->isDown());
}

bool TSkinButton::ReadState() {
  Focused = Handle && GetFocus() == Handle;
  Enabled = Handle && Handle->isEnabled();
  Text = Control ? GetPropertyText(Control, QStringLiteral("Caption")) : ReadWindowText(Handle);
  return IsTrue(GetPropertyText(Control, QStringLiteral("Default")));
}

int TSkinButton::ButtonState(bool isDefault, int focusFrame) const {
  int state = Focused || isDefault ? focusFrame : 1;
  if (Pressed())
    state = 2;
  else if (MouseState & msHot)
    state = 4;
  return Enabled ? state : 3;
}

Canvas& TSkinButton::PrepareBuffer(const TRect& r, int state, bool drawFrame) {
  Canvas& c = Buffer.GetCanvas();
  if (Buffer.Width() != r.Width() || Buffer.Height() != r.Height()) Buffer.SetSize(r.Width(), r.Height());
  const TRect all = Rect(0, 0, r.Width(), r.Height());
  if (ParentPaint && Control) {
    FillSkinColor(c, all);
    PaintParentBackground(Control, c);
  } else {
    FillSkinColor(c, all);
  }
  const TDataSkinButton& e = Model().Buttons;
  if (drawFrame) DrawElementState(c, all, e.Frame, state, e);
  return c;
}

void TSkinButton::SelectFont(Canvas& c, int state, bool normalOnlyInState1) const {
  TFont font = ControlFont();
  if (!Control) font.Color = SkinColour(scButtonText);
  const TDataSkinButton& e = Model().Buttons;
  if (e.NormalColour != -1 && (!normalOnlyInState1 || state == 1)) font.Color = e.NormalColour;
  if (state == 4 && e.MouseOverColour != -1) font.Color = e.MouseOverColour;
  if (state == 2 && e.PressedColour != -1) font.Color = e.PressedColour;
  if (!Enabled) font.Color = clBtnShadow;
  c.Font = font;
}

void TSkinButton::CopyBuffer(Canvas& dc, const TRect& r) {
  Buffer.GetCanvas().EndPainting();
  dc.Draw(r.Left, r.Top, Buffer);
}

void TSkinButton::DrawFocus(Canvas& c, const TRect& textRect) const {
  if (Focused && !HasOption(xoNoFocusRect)) c.DrawFocusRect(InflateRect(textRect, 2, 2));
}

void TSkinButton::DrawButtonCaption(Canvas& c, const TRect& r, unsigned alignment, const QString& text) {
  Text = FirstBreak(text);
  const TRect limit = InflateRect(r, -2, -2);
  c.SetBkMode(TRANSPARENT);
  const unsigned format = alignment | DT_WORDBREAK | DT_EXPANDTABS;
  TRect t = limit;
  c.DrawText(Text, t, format | DT_CALCRECT | DT_NOCLIP);
  const int w = t.Width(), h = t.Height();
  t.Top = limit.Top + (limit.Height() - h) / 2 - 1;
  t.Bottom = t.Top + h;
  if (alignment & DT_CENTER) {
    t.Left = limit.Left + (limit.Width() - w) / 2;
    t.Right = t.Left + w;
  } else {
    t.Left = limit.Left;
    t.Right = limit.Right;
  }
  c.DrawText(Text, t, AddRtlReading(format));
  c.SetBkMode(OPAQUE);
  DrawFocus(c, t);
}

void TSkinButton::Paint(Canvas& dc, const TRect& r) {
  if (!HasButtonImage() || r.IsEmpty()) return;
  const int state = ButtonState(ReadState());
  Canvas& c = PrepareBuffer(r, state);
  SelectFont(c, state);
  DrawButtonCaption(c, Rect(0, 0, r.Width(), r.Height()), DT_CENTER, Text);
  CopyBuffer(dc, r);
}

// ---------------------------------------------------------------------------
// Bit button.

void TSkinBitButton::PaintGlyphAndCaption(Canvas& c, int state, int glyphFrame, bool alignmentTest) {
  const TButtonGlyph glyph = ReadButtonGlyph(Control, GlyphProperty);
  SelectFont(c, state);
  TGlyphLayout l;
  l.Layout = LayoutOf(GetPropertyText(Control, QStringLiteral("Layout")));
  l.Margin = GetOrdProperty(Control, QStringLiteral("Margin"));
  l.Spacing = GetOrdProperty(Control, QStringLiteral("Spacing"));
  l.CentreAlways =
      alignmentTest && GetPropertyText(Control, QStringLiteral("Alignment")).toLower() == QStringLiteral("tacenter");
  if (!glyph.Image.Empty()) l.GlyphSize = {glyph.Image.Width() / glyph.NumGlyphs, glyph.Image.Height()};
  const QString caption = FirstBreak(Text);
  const QSize client(Buffer.Width(), Buffer.Height());
  TRect limit = InflateRect(Rect(0, 0, client.width(), client.height()), -2, -2);
  if (l.Layout <= 1)
    limit.Right -= l.GlyphSize.width() + 2;
  else
    limit.Bottom -= l.GlyphSize.height() + 2;
  l.TextSize = MeasureText(c, caption, limit, DT_WORDBREAK);
  LayoutGlyphAndCaption(l, client);
  if (!glyph.Image.Empty())
    DrawGlyphFrame(c, l.GlyphPos.X, l.GlyphPos.Y, glyph.NumGlyphs, glyphFrame, glyph.Image);
  if (caption.isEmpty()) return;
  TRect t = Bounds(l.TextPos.X, l.TextPos.Y, l.TextSize.width(), l.TextSize.height());
  c.SetBkMode(TRANSPARENT);
  c.DrawText(caption, t, AddRtlReading(l.Format));
  DrawFocus(c, t);
}

void TSkinBitButton::Paint(Canvas& dc, const TRect& r) {
  if (!HasButtonImage() || r.IsEmpty()) return;
  const int state = ButtonState(ReadState());
  const int glyphFrame = state == 2 ? 3 : state == 3 ? 2 : 1;
  Canvas& c = PrepareBuffer(r, state);
  PaintGlyphAndCaption(c, state, glyphFrame, true);
  CopyBuffer(dc, r);
}

// ---------------------------------------------------------------------------
// Speed button.

bool TSkinSpeedButton::BeforeMessage(Message& m) {
  switch (m.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      QPointer<TSkinSpeedButton> alive(this);
      CallDefault(m);
      if (!alive) return false;
      MouseState |= msDown;
      PaintWindow(nullptr);
      return false;
    }
    case WM_LBUTTONUP:
      return TSkinControl::BeforeMessage(m);
    default:
      return TSkinButton::BeforeMessage(m);
  }
}

void TSkinSpeedButton::AfterMessage(Message& m) {
  switch (m.Msg) {
    case CM_MOUSEENTER:
      MouseState |= msHot;
      PaintWindow(nullptr);
      break;
    case CM_MOUSELEAVE:
      MouseState &= ~(msHot | msDown);
      if (Handle && Handle->isVisible()) PaintWindow(nullptr);
      break;
    case WM_LBUTTONUP:
      MouseState &= ~msDown;
      PaintWindow(nullptr);
      break;
    case WM_ENABLE:
    case CM_FOCUSCHANGED:
    case CM_ENABLEDCHANGED:
      break;
    default:
      TSkinButton::AfterMessage(m);
  }
}

void TSkinSpeedButton::Paint(Canvas& dc, const TRect& r) {
  if (painting_ || !HasButtonImage() || !Control || !IsTrue(GetPropertyText(Control, QStringLiteral("Visible"))))
    return;
  if (r.Width() < 1 || r.Height() < 1) return;
  painting_ = true;
  ReadState();
  const bool latched = IsTrue(GetPropertyText(Control, QStringLiteral("Down")));
  int state = Pressed() ? 2 : (MouseState & msHot) ? 4 : 1;
  if (!IsTrue(GetPropertyText(Control, QStringLiteral("Enabled")))) state = 3;
  if (latched) state = 2;
  const int frames[] = {1, 3, 2, 1};
  const int glyphFrame = latched ? 4 : frames[state - 1];
  const bool flat = IsTrue(GetPropertyText(Control, QStringLiteral("Flat")));
  Canvas& c = PrepareBuffer(r, state, state == 2 || state == 4 || !flat);
  PaintGlyphAndCaption(c, state, glyphFrame, false);
  CopyBuffer(dc, r);
  painting_ = false;
}

// ---------------------------------------------------------------------------
// Menu button.

namespace {
constexpr int kMenuArrowWidth = 8;
}

void MenuButtonSpacing(int width, int glyph, int text, int& margin, int& spacing) {
  if (margin == -1 && spacing != -1) {
    margin = (width - (glyph + spacing + text + spacing + kMenuArrowWidth)) / 2;
  } else if (margin == -1) {
    margin = (width - (glyph + text + kMenuArrowWidth)) / 4;
    spacing = margin;
  } else if (spacing == -1) {
    spacing = (width - (2 * margin + glyph - kMenuArrowWidth) - text) / 2;
  }
}

void TSkinMenuButton::Paint(Canvas& dc, const TRect& r) {
  if (!HasButtonImage() || r.IsEmpty()) return;
  ReadState();
  const int state = ButtonState(false, 4);
  Canvas& c = PrepareBuffer(r, state);
  SelectFont(c, state, true);
  const int W = r.Width(), H = r.Height();
  const TButtonGlyph glyph = ReadButtonGlyph(Control, {});
  const int gx = glyph.Image.Width();
  const QString caption = FirstBreak(Text);
  const QSize text = MeasureText(c, caption, InflateRect(Rect(0, 0, W - kMenuArrowWidth, H), -2, -2), DT_WORDBREAK);
  const int tx = text.width();
  int margin = GetOrdProperty(Control, QStringLiteral("Margin"));
  int spacing = GetOrdProperty(Control, QStringLiteral("Spacing"));
  MenuButtonSpacing(W, gx, tx, margin, spacing);
  if (!glyph.Image.Empty()) DrawGlyphFrame(c, margin, (H - glyph.Image.Height()) / 2, 1, 1, glyph.Image);
  TRect t = Bounds(margin + gx + spacing, (H - text.height() + 1) / 2, tx, text.height());
  const int ax = t.Left + tx + 2 * spacing, ay = (H - 3) / 2 + 2;
  const TColor arrow = Enabled ? clWindowText : clBtnShadow;
  c.Pen = {arrow, 1, psSolid, pmCopy};
  c.Brush = {arrow, bsSolid};
  c.Polygon({{ax, ay}, {ax - 3, ay - 3}, {ax + 3, ay - 3}});
  if (!caption.isEmpty()) {
    c.SetBkMode(TRANSPARENT);
    c.DrawText(caption, t, AddRtlReading(DT_WORDBREAK));
    DrawFocus(c, t);
  }
  CopyBuffer(dc, r);
}

}  // namespace skinning
