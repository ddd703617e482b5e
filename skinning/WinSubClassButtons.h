// Button painters: push buttons, buttons with a glyph, tool (speed)
// buttons and buttons with a menu, each drawn whole into a buffer of its
// own and copied to the window in one piece.
//
// Frames of the skin's "Buttons" element by state: 1 normal, 4 hot (the
// mouse over it), 2 pressed, 3 disabled, 5 focused or default. Qt's own
// press and release logic clicks the button; the painter only follows the
// mouse and the space bar to show the state. Without a "Buttons" image a
// button paints itself the standard way.
//
// Glyphs: the control's "Glyph" (a strip of "NumGlyphs" frames: normal,
// disabled, pressed, down) or else its icon at icon size, one frame. A
// frame beyond the strip shows the first one; the disabled frame of a
// one-frame glyph is made from it (CreateDisabledGlyph).
#pragma once

#include "skinning/WinSubClass.h"

namespace skinning {

class TSkinButton : public TSkinControl {
 public:
  using TSkinControl::TSkinControl;

  void HookControl(TSkinFormObject* form, TSkinData* skinData, bool applyColor) override;
  bool BeforeMessage(Message& m) override;
  void AfterMessage(Message& m) override;
  void Paint(Canvas& dc, const TRect& r) override;

  Bitmap Buffer;
  bool ParentPaint = false;  // the parent's picture instead of a colour behind the frame

 protected:
  bool HasButtonImage() const { return !Model().Buttons.Image.Empty(); }
  // Down by the mouse or the space bar, or held down by Qt (an animated click).
  bool Pressed() const;
  // Focused, Enabled, the default flag and the caption, read for a paint.
  bool ReadState();
  // The frame by state; `focusFrame` is what focus or the default flag show.
  int ButtonState(bool isDefault, int focusFrame = 5) const;
  // Sizes the buffer to `r`, fills its background and draws the frame
  // (with `drawFrame`); returns its canvas.
  Canvas& PrepareBuffer(const TRect& r, int state, bool drawFrame = true);
  // The control's font in the element's text colour for the state.
  void SelectFont(Canvas& c, int state, bool normalOnlyInState1 = false) const;
  void CopyBuffer(Canvas& dc, const TRect& r);
  // The caption with its first "||" as a line break, in `r` less 2 pixels,
  // centred vertically (and across with DT_CENTER); a focus rectangle
  // around it when focused.
  void DrawButtonCaption(Canvas& c, const TRect& r, unsigned alignment, const QString& text);
  void DrawFocus(Canvas& c, const TRect& textRect) const;
};

// The layout of a glyph and a caption along a layout axis.
struct TGlyphLayout {
  int Layout = 0;  // 0 glyph left, 1 right, 2 top, 3 bottom
  int Margin = -1, Spacing = -1;
  bool CentreAlways = false;  // the alignment is "taCenter"
  platform::TPoint GlyphPos, TextPos;
  QSize GlyphSize, TextSize;
  unsigned Format = 0;
};

class TSkinBitButton : public TSkinButton {
 public:
  using TSkinButton::TSkinButton;
  void Paint(Canvas& dc, const TRect& r) override;

  // When not empty, the name of an image property holding the whole glyph.
  QString GlyphProperty;

 protected:
  // Glyph and caption laid out and drawn into the buffer canvas.
  void PaintGlyphAndCaption(Canvas& c, int state, int glyphFrame, bool alignmentTest);
};

class TSkinSpeedButton : public TSkinBitButton {
 public:
  using TSkinBitButton::TSkinBitButton;
  bool BeforeMessage(Message& m) override;
  void AfterMessage(Message& m) override;
  void Paint(Canvas& dc, const TRect& r) override;

 private:
  bool painting_ = false;
};

class TSkinMenuButton : public TSkinButton {
 public:
  using TSkinButton::TSkinButton;
  void Paint(Canvas& dc, const TRect& r) override;
};

// The glyph a button shows and its frame count: the "Glyph" property, or
// the icon at icon size as one frame; `property` names another image
// property holding the whole glyph.
struct TButtonGlyph {
  Bitmap Image;
  int NumGlyphs = 1;
};
TButtonGlyph ReadButtonGlyph(const QWidget* control, const QString& property = {});

// Frame `frame` of a strip of `numGlyphs` glyphs at (x, y): alpha-blended
// for 32-bit glyphs, else without the glyph's transparent colour.
void DrawGlyphFrame(Canvas& c, int x, int y, int numGlyphs, int frame, const Bitmap& glyph);

// Where glyph and caption go in a client area of `clientSize`.
void LayoutGlyphAndCaption(TGlyphLayout& l, QSize clientSize);

// A menu button's margin and spacing (-1: not set) for a glyph of width
// `glyph`, a caption of width `text` and the arrow, in a width `width`.
void MenuButtonSpacing(int width, int glyph, int text, int& margin, int& spacing);

}  // namespace skinning
