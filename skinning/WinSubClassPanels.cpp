#include "skinning/WinSubClassPanels.h"

#include "platform/WindowTable.h"
#include "skinning/ImgUtil.h"
#include "skinning/WinSkinForm.h"
#include "skinning/WinSkinManage.h"
#include "skinning/WinSubClassStyled.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QSizeGrip>
#include <QStatusBar>

#include <algorithm>

using namespace platform;

namespace skinning {

namespace {

bool IsTrue(const QString& text) { return text.toLower() == QStringLiteral("true"); }

TRect ToTRect(const QRect& r) { return Bounds(r.x(), r.y(), r.width(), r.height()); }

bool RightToLeft(const QWidget* w) { return w && w->layoutDirection() == Qt::RightToLeft; }

}  // namespace

// ---------------------------------------------------------------------------
// Status bar.

TSkinStatusBar::~TSkinStatusBar() {
  for (WindowProcHandle& h : held_) RemoveWindowProc(h);
}

bool TSkinStatusBar::BeforeMessage(Message& m) {
  switch (m.Msg) {
    case WM_PAINT:
      HandlePaintMessage(m);
      return false;
    case WM_ERASEBKGND:
      m.Result = 1;
      return false;
    default:
      return TSkinControl::BeforeMessage(m);
  }
}

void TSkinStatusBar::HoldBackPainting(QWidget* part) {
  for (const QPointer<QWidget>& w : heldParts_)
    if (w == part) return;
  heldParts_.push_back(part);
  held_.push_back(InstallWindowProc(part, [this](Message& m, const CallPrevious& previous) {
    if ((m.Msg == WM_PAINT || m.Msg == WM_ERASEBKGND) && Drawing()) {
      m.Result = 1;
      return;
    }
    previous(m);
  }));
}

void TSkinStatusBar::Paint(Canvas& dc, const TRect& r) {
  auto* bar = qobject_cast<QStatusBar*>(Control);
  if (!bar || r.IsEmpty()) return;
  const int W = r.Width(), H = r.Height();
  buffer_.SetSize(W, H);
  Canvas& c = buffer_.GetCanvas();
  const TRect all = Rect(0, 0, W, H);
  FillSkinColor(c, all);
  TFont font = ControlFont();
  font.Style = 0;
  const TDataSkinObject* edges = Model().StatusBarEdges.get();
  if (edges && edges->Empty()) edges = nullptr;
  if (edges && edges->NormalColour != -1) font.Color = edges->NormalColour;
  c.Font = font;
  // 1 lowered, 2 raised, 3 none.
  const auto frame = [&](const TRect& pr, int bevel) {
    if (edges) {
      Bitmap b = DrawSkinImage(pr, edges->Image, edges->Margins(), false, edges->Tile == 1, 3, bevel);
      if (!b.Empty()) c.Draw(pr.Left, pr.Top, b);
      return;
    }
    TRect e = pr;
    if (bevel != 3) c.DrawEdge(e, bevel == 1 ? BDR_SUNKENOUTER : BDR_RAISEDOUTER, BF_RECT);
  };

  std::vector<QWidget*> panels;
  QWidget* grip = nullptr;
  for (QObject* o : bar->children()) {
    auto* w = qobject_cast<QWidget*>(o);
    if (!w || w->isWindow() || w->isHidden()) continue;
    if (qobject_cast<QSizeGrip*>(w))
      grip = w;
    else
      panels.push_back(w);
  }
  std::sort(panels.begin(), panels.end(), [](QWidget* a, QWidget* b) { return a->x() < b->x(); });
  const QString message = bar->currentMessage();
  if (!message.isEmpty() || panels.empty()) {
    frame(all, 1);
    DrawCaptionCentred(c, InflateRect(all, -2, 0), RightToLeft(bar) ? DT_RIGHT : DT_LEFT, bar->isEnabled(),
                       message);
  } else {
    for (size_t i = 0; i < panels.size(); ++i) {
      QWidget* p = panels[i];
      TRect pr = ToTRect(p->geometry());
      pr.Right = i + 1 == panels.size() ? W : pr.Right + 2;
      const auto* f = qobject_cast<const QFrame*>(p);
      const int bevel = !f                                   ? 1
                        : f->frameShape() == QFrame::NoFrame ? 3
                        : f->frameShadow() == QFrame::Raised ? 2
                        : f->frameShadow() == QFrame::Sunken ? 1
                                                             : 3;
      frame(pr, bevel);
      auto* label = qobject_cast<QLabel*>(p);
      if (!label) continue;
      HoldBackPainting(label);
      QString text = GetPropertyText(label, QStringLiteral("Text"));
      if (text.isEmpty()) text = QStringLiteral(" ");
      const Qt::Alignment a = QStyle::visualAlignment(label->layoutDirection(), label->alignment());
      const unsigned format = a & Qt::AlignRight ? DT_RIGHT : a & Qt::AlignHCenter ? DT_CENTER : DT_LEFT;
      c.Font = font;
      DrawCaptionCentred(c, InflateRect(pr, -2, 0), format, label->isEnabled(), text);
    }
  }
  const TDataSkinObject* extra = Model().ExtraImages.get();
  if (grip) {
    HoldBackPainting(grip);
    if (extra && !extra->Empty()) {
      const int fw = extra->Image.Width() / extra->Frame, fh = extra->Image.Height();
      DrawStripFrame(c, Rect(W - 1 - fw, H - 1 - fh, W - 1, H - 1), extra->Frame, 5, extra->Image);
    }
  }
  c.EndPainting();
  dc.Draw(r.Left, r.Top, buffer_);
}

// ---------------------------------------------------------------------------
// Group box.

void TSkinGroupBox::HookControl(TSkinFormObject* form, TSkinData* skinData, bool applyColor) {
  TSkinControl::HookControl(form, skinData, applyColor);
  auto* box = qobject_cast<QGroupBox*>(Control);
  ModeFlag = Control && !(box && box->isCheckable()) ? 1 : 0;
}

bool TSkinGroupBox::BeforeMessage(Message& m) {
  if (m.Msg == WM_PAINT && ModeFlag == 1) {
    HandlePaintMessage(m);
    return false;
  }
  return TSkinControl::BeforeMessage(m);
}

void TSkinGroupBox::Paint(Canvas& dc, const TRect& r) {
  Text = ReadWindowText(Handle);
  if (Text.isEmpty()) Text = GetPropertyText(Control, QStringLiteral("Caption"));
  const int W = r.Width(), H = r.Height();
  if (Control) FillSkinColor(dc, r);
  dc.Font = ControlFont();
  const int charHeight = dc.TextHeight(QStringLiteral("0"));
  dc.Pen = {SkinColour(scButtonShadow), 1, psSolid, pmCopy};
  dc.Brush.Style = bsClear;
  dc.RoundRect(1, charHeight / 2 - 1, W - 1, H - 1, 5, 5);
  if (Text.isEmpty()) return;
  dc.SetBkMode(OPAQUE);
  dc.SetBkColor(SkinColour(scButtonFace));
  const bool right = GetWindowLong(Handle, GWL_EXSTYLE) & WS_EX_RIGHT;
  TRect t = Rect(8, 0, W - 8, H);
  dc.DrawText(Text, t, DT_EXPANDTABS | DT_CALCRECT);
  const int tw = t.Width();
  t = right ? Rect(W - 8 - tw, 0, W - 8, t.Bottom) : Rect(8, 0, 8 + tw, t.Bottom);
  dc.DrawText(Text, t, right ? AddRtlReading(DT_EXPANDTABS | DT_RIGHT) : DT_EXPANDTABS);
}

// ---------------------------------------------------------------------------
// Box.

void TSkinBox::HookControl(TSkinFormObject* form, TSkinData* skinData, bool applyColor) {
  AttachControl(form, skinData, applyColor, false);
}

void TSkinBox::Unhook() {
  Active = false;
  if (Phase != kPhaseKeepColour && ApplyColor && Control) RestoreColor();
  Phase = kPhaseUnhooked;
}

// ---------------------------------------------------------------------------
// Check box and radio button.

void TSkinCheckBox::HookControl(TSkinFormObject* form, TSkinData* skinData, bool applyColor) {
  TSkinControl::HookControl(form, skinData, applyColor);
  if (!SkinData) return;
  const TDataSkinButton& e = Model().Buttons;
  ModeFlag = Control && !(Radio() ? e.RadioButton : e.CheckButton).Empty() ? 1 : 0;
  ParentPaint = GetTag(Control) == kParentPaintTag || HasOption(xoTransparent);
}

bool TSkinCheckBox::BeforeMessage(Message& m) {
  switch (m.Msg) {
    case WM_PAINT:
    case WM_PRINT:
      if (ModeFlag != 1) break;
      HandlePaintMessage(m);
      return false;
    case WM_ERASEBKGND:
      if (!ParentPaint) break;
      EraseBackground(m);
      return false;
    default:
      break;
  }
  return TSkinControl::BeforeMessage(m);
}

void TSkinCheckBox::AfterMessage(Message& m) {
  switch (m.Msg) {
    case BM_SETCHECK:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case CM_BASE + 0x1B:
    case CM_BASE + 0xD0:
      Refresh();
      break;
    default:
      TSkinControl::AfterMessage(m);
  }
}

int TSkinCheckBox::GlyphFrame(int frameCount) const {
  int state = 1;
  bool grayed = false;
  const QString s = GetPropertyText(Control, QStringLiteral("State")).toLower();
  if (Radio() || s.isEmpty()) {
    state = IsTrue(GetPropertyText(Control, QStringLiteral("Checked"))) ? 2 : 1;
  } else if (s.contains(QStringLiteral("uncheck"))) {
    state = 1;
  } else if (s.contains(QStringLiteral("check"))) {
    state = 2;
  } else if (s.contains(QStringLiteral("gray"))) {
    state = 4;
    grayed = true;
  }
  if (!Enabled) state += 2;
  if (grayed) state = 4;
  const bool mapped = Radio() ? frameCount == 8 : frameCount == 12;
  if (!mapped) return state;
  if (grayed) return Enabled ? 9 : 12;
  const int map[] = {0, 1, 5, 4, 8};
  return map[std::clamp(state, 1, 4)];
}

void TSkinCheckBox::Paint(Canvas& dc, const TRect& r) {
  const TDataSkinButton& e = Model().Buttons;
  const Bitmap& strip = Radio() ? e.RadioButton : e.CheckButton;
  const int frames = std::max(Radio() ? e.RadioButtonFrame : e.CheckButtonFrame, 1);
  if (strip.Empty()) {
    ModeFlag = 0;
    return;
  }
  Enabled = Handle->isEnabled();
  Focused = GetFocus() == Handle;
  const int W = r.Width(), H = r.Height();
  const int gw = strip.Width() / frames, gh = strip.Height();
  const bool leftText = RightToLeft(Handle);
  const TRect glyph = Bounds(leftText ? W - gw : 0, (H - gh) / 2, gw, gh);
  TRect text = leftText ? Rect(0, 0, W - gw - 2, H) : Rect(gw + 2, 0, W, H);
  const unsigned format = AddRtlReading((leftText ? DT_RIGHT : DT_LEFT) | DT_WORDBREAK | DT_EXPANDTABS);
  if (ModeFlag == 1 && !ParentPaint) FillSkinColor(dc, r);
  DrawStripFrame(dc, glyph, frames, GlyphFrame(frames), strip);
  Text = Control ? GetPropertyText(Control, QStringLiteral("Caption")) : ReadWindowText(Handle);
  if (Text.isEmpty()) return;
  TFont font = ControlFont();
  if (!Enabled) font.Color = clBtnShadow;
  dc.Font = font;
  dc.SetBkMode(TRANSPARENT);
  TRect m = text;
  dc.DrawText(Text, m, format | DT_CALCRECT);
  text.Top = (H - m.Height()) / 2;
  text.Bottom = text.Top + m.Height();
  dc.DrawText(Text, text, format);
  // The focus mark around the caption, in the window beside the glyph.
  if (Focused && !HasOption(xoNoFocusRect))
    DrawFocusAround(dc, Text, text, format, leftText ? Rect(0, 0, W - gw, H) : Rect(gw, 0, W, H));
}

// ---------------------------------------------------------------------------
// Progress bar.

bool TSkinProgress::HasImage() const { return Model().Progress && !Model().Progress->Empty(); }

bool TSkinProgress::BeforeMessage(Message& m) {
  if ((m.Msg == WM_PAINT || m.Msg == WM_ERASEBKGND) && HasImage()) {
    if (m.Msg == WM_PAINT) HandlePaintMessage(m);
    m.Result = m.Msg == WM_PAINT ? 0 : 1;
    return false;
  }
  return TSkinControl::BeforeMessage(m);
}

void TSkinProgress::Paint(Canvas& dc, const TRect& r) {
  auto* bar = qobject_cast<QProgressBar*>(Control);
  if (!bar || !HasImage() || r.IsEmpty()) return;
  const bool vertical = bar->orientation() == Qt::Vertical;
  const int w = vertical ? r.Height() : r.Width(), h = vertical ? r.Width() : r.Height();
  const int P = bar->value(), L = bar->minimum(), Hi = bar->maximum();
  const TDataSkinBorder& e = *Model().Progress;
  Bitmap b(w, h, pf32bit);
  Canvas& c = b.GetCanvas();
  const TRect all = Rect(0, 0, w, h);
  FillSkinColor(c, all);
  if (e.Style != 1) {
    DrawSkinElement(c, all, e.Image, false, e.Tile == 1, true, 2, 1, e.Margins());
    const int filled = Hi >= 1 && P >= 1 ? MulDiv(w, P - L, Hi - L) : 0;
    if (filled > 0) DrawSkinElement(c, Rect(0, 0, std::min(filled, w), h), e.Image, false, e.Tile == 1, true, 2, 2, e.Margins());
  } else {
    DrawSkinElement(c, all, e.Image, false, e.Tile == 1, true, 1, 1, e.Margins());
    const TDataSkinObject* chunk = Model().ProgressChunk.get();
    const int filled = Hi > 0 && P > 0 ? MulDiv(w, P - L, Hi - L) : 0;
    if (chunk && !chunk->Empty() && filled > 0) {
      if (chunk->Tile != 1) {
        DrawThreePartDirect(c, Bounds(2, 2, filled, h - 4), chunk->Image, false, chunk->Frame, 1, chunk->Margins());
      } else {
        const int cw = chunk->Image.Width() / chunk->Frame, ch = chunk->Image.Height();
        for (int i = 0; i <= filled / cw; ++i)
          DrawFrameStretched(c, Bounds(chunk->LeftWidth + 2 + i * cw, (h - ch) / 2, cw, ch), chunk->Image,
                             chunk->Trans != 0, chunk->Frame, 1);
      }
    }
  }
  c.EndPainting();
  if (vertical) RotateLeft(b);
  dc.Draw(r.Left, r.Top, b);
}

// ---------------------------------------------------------------------------
// Edit.

bool HasEditFrame(const QWidget* w) {
  if (auto* e = qobject_cast<const QLineEdit*>(w)) return e->hasFrame();
  if (auto* s = qobject_cast<const QAbstractSpinBox*>(w)) return s->hasFrame();
  if (auto* c = qobject_cast<const QComboBox*>(w)) return c->hasFrame();
  if (auto* f = qobject_cast<const QFrame*>(w)) return f->frameWidth() > 0;
  return w && w->contentsRect().width() != w->width() && w->contentsRect().height() != w->height();
}

void DrawEditBorder(Canvas& dc, const TRect& r, TColor line) {
  dc.Brush = {line, bsSolid};
  dc.FrameRect(r);
  dc.Brush = {clWhite, bsSolid};
  dc.FrameRect(InflateRect(r, -1, -1));
  dc.FrameRect(InflateRect(r, -2, -2));
}

void TSkinEdit::HookControl(TSkinFormObject* form, TSkinData* skinData, bool applyColor) {
  TSkinControl::HookControl(form, skinData, applyColor);
  if (!SkinData || UpDown || !SkinData->SkinControls.Has(xcSpin) || !qobject_cast<QAbstractSpinBox*>(Control)) return;
  UpDown = new TSkinUpDown(this);
  UpDown->Embedded = true;
  UpDown->HookWindow(Handle, SkinData, Form);
}

void TSkinEdit::Unhook() {
  if (UpDown) UpDown->Unhook();
  TSkinControl::Unhook();
}

void TSkinEdit::AfterMessage(Message& m) {
  if (m.Msg == WM_PRINT && m.WParam) {
    WindowRect = GetWindowRect(Handle);
    Paint(*ParamPtr<Canvas>(m.WParam), Rect(0, 0, WindowRect.Width(), WindowRect.Height()));
  } else if (m.Msg == SKIN_PRINTBORDER && m.LParam == kSkinPrintTag) {
    // The edit paints itself into the canvas, and its painter the border.
    if (auto* dc = ParamPtr<Canvas>(m.WParam))
      if (QPainter* p = dc->Painter()) Handle->render(p);
    m.Result = kSkinPrintTag;
  } else {
    TSkinControl::AfterMessage(m);
  }
}

void TSkinEdit::Paint(Canvas& dc, const TRect& r) {
  if (HasEditFrame(Handle)) DrawEditBorder(dc, r, SkinColour(scButtonShadow));
}

}  // namespace skinning
