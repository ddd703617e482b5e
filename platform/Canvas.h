// A device context with the rules of Windows GDI, painted through QPainter.
//
// A Canvas paints on a Bitmap (usually the bitmap's own, Bitmap::GetCanvas)
// or on any QPaintDevice, such as a widget inside its paint event, or
// through a QPainter that is already painting. It keeps one QPainter open
// while it is used, so each call is a few Qt calls at most; on a bitmap
// only the bitmap's own canvas does (any other ends painting after each
// call, as the bitmap could move its pixels in between).
//
// The GDI rules kept:
// - LineTo and Polyline leave out the last pixel; a solid 1-pixel pen
//   lights the pixels GDI does (the nearest pixel at each step), other
//   pens take Qt's pixels up to the one before the end; Rectangle, Ellipse,
//   RoundRect, FillRect and FrameRect cover Left..Right-1 and
//   Top..Bottom-1; a Rectangle without pen is one pixel smaller.
// - Pen, Brush and Font are plain state read at each call. When the brush
//   changes, the background mode becomes opaque (solid brush) or
//   transparent and the background colour the brush colour; when the font
//   changes, the text colour becomes the font colour (SetBkMode, SetBkColor
//   and SetTextColor set them in between, as on Windows).
// - TextOut anchors the text cell at its top-left corner, fills the cell
//   with the background colour in opaque mode, turns with the font's
//   Orientation (tenths of a degree anticlockwise: 900 reads upwards, 2700
//   downwards) and moves the pen position to the text's end.
// - Clip regions (IntersectClipRect, ExcludeClipRect, SelectClipRgn) are in
//   device pixels and stay put when the origin moves later; SaveDC and
//   RestoreDC keep clip, origin, modes, pen, brush, font and pen position.
// - Coordinates given to the canvas are logical: device = logical -
//   window origin + viewport origin.
#pragma once

#include "platform/Bitmap.h"
#include "platform/Colors.h"
#include "platform/WinTypes.h"

#include <QFont>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QList>
#include <QPainter>
#include <QRegion>
#include <QString>

#include <initializer_list>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace platform {

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
// Binary raster operations of the pen (SetROP2): copy, invert the target,
// exclusive or, and its inverse.
enum TPenMode { pmCopy, pmNot, pmXor, pmNotXor };
enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross,
                   bsDiagCross };
enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

struct TPen {
  TColor Color = clBlack;
  int Width = 1;
  TPenStyle Style = psSolid;
  TPenMode Mode = pmCopy;
  friend bool operator==(const TPen&, const TPen&) = default;
};

struct TBrush {
  TColor Color = clWhite;
  TBrushStyle Style = bsSolid;
  friend bool operator==(const TBrush&, const TBrush&) = default;
};

// The family every new font starts with (a process-wide setting, "DejaVu
// Sans" unless changed at start-up).
QString DefaultFontName();
void SetDefaultFontName(const QString& name);

struct TFont {
  QString Name = DefaultFontName();
  // Negative: the character height in pixels (without internal leading);
  // positive: the cell height; 0: the default height.
  int Height = -12;
  TColor Color = clWindowText;
  unsigned Style = 0;  // TFontStyle bits
  int Orientation = 0;  // tenths of a degree, anticlockwise

  // Size in points at 96 pixels per inch, as Height = -MulDiv(Size, 96, 72).
  int Size() const { return -MulDiv(Height, 72, kScreenPixelsPerInch); }
  void SetSize(int points) { Height = -MulDiv(points, kScreenPixelsPerInch, 72); }
  friend bool operator==(const TFont&, const TFont&) = default;
};

// The Qt font of a TFont (pixel sized, so that it measures the same on
// every device).
QFont ToQFont(const TFont& font);

// SetBkMode values.
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

// How stretched copies pick pixels: COLORONCOLOR takes the nearest pixel,
// HALFTONE averages.
enum StretchMode { COLORONCOLOR = 3, HALFTONE = 4 };

// DrawText flags.
constexpr unsigned DT_TOP = 0x0, DT_LEFT = 0x0, DT_CENTER = 0x1, DT_RIGHT = 0x2, DT_VCENTER = 0x4,
                   DT_BOTTOM = 0x8, DT_WORDBREAK = 0x10, DT_SINGLELINE = 0x20,
                   DT_EXPANDTABS = 0x40, DT_NOCLIP = 0x100, DT_CALCRECT = 0x400,
                   DT_NOPREFIX = 0x800, DT_END_ELLIPSIS = 0x8000, DT_RTLREADING = 0x20000,
                   DT_HIDEPREFIX = 0x100000;

// DrawEdge edges and flags.
constexpr unsigned BDR_RAISEDOUTER = 0x1, BDR_SUNKENOUTER = 0x2, BDR_RAISEDINNER = 0x4,
                   BDR_SUNKENINNER = 0x8, EDGE_RAISED = 0x5, EDGE_SUNKEN = 0xA, EDGE_ETCHED = 0x6,
                   EDGE_BUMP = 0x9;
constexpr unsigned BF_LEFT = 0x1, BF_TOP = 0x2, BF_RIGHT = 0x4, BF_BOTTOM = 0x8, BF_RECT = 0xF,
                   BF_MIDDLE = 0x800, BF_SOFT = 0x1000, BF_ADJUST = 0x2000, BF_FLAT = 0x4000,
                   BF_MONO = 0x8000;

class Canvas {
 public:
  explicit Canvas(Bitmap& bitmap);
  explicit Canvas(QPaintDevice* device);
  // Paints through a painter that is already active; its state is saved
  // now and restored when the canvas goes.
  explicit Canvas(QPainter& painter);
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  TPen Pen;
  TBrush Brush;
  TFont Font;

  // The bitmap painted on, or nullptr for other devices.
  Bitmap* TargetBitmap() const { return bitmap_; }
  // Width and height of the surface in device pixels.
  int DeviceWidth() const;
  int DeviceHeight() const;

  // Lines.
  TPoint PenPos() const { return penPos_; }
  void MoveTo(int x, int y) { penPos_ = {x, y}; }
  void LineTo(int x, int y);
  void Polyline(const TPoint* points, int count);
  void Polyline(std::initializer_list<TPoint> points) { Polyline(points.begin(), int(points.size())); }

  // Shapes.
  void Rectangle(int left, int top, int right, int bottom);
  void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
  void Ellipse(int left, int top, int right, int bottom);
  void Ellipse(const TRect& r) { Ellipse(r.Left, r.Top, r.Right, r.Bottom); }
  void RoundRect(int left, int top, int right, int bottom, int cornerWidth, int cornerHeight);
  void Polygon(const TPoint* points, int count);
  void Polygon(std::initializer_list<TPoint> points) { Polygon(points.begin(), int(points.size())); }
  void FillRect(const TRect& r);   // with the brush, no outline
  void FrameRect(const TRect& r);  // a 1-pixel frame in the brush colour
  void DrawFocusRect(const TRect& r);  // dotted, inverting: twice restores
  // Draws the 3-D edges of `r`; with BF_ADJUST shrinks `r` by them.
  void DrawEdge(TRect& r, unsigned edge, unsigned flags);

  // Single pixels (CLR_INVALID outside the surface or on a device that
  // cannot be read back).
  TColor GetPixel(int x, int y);
  void SetPixel(int x, int y, TColor color);

  // Text.
  void TextOut(int x, int y, const QString& text);
  // Text at (x, y) clipped to `r`; in opaque mode `r` is filled first.
  void TextRect(const TRect& r, int x, int y, const QString& text);
  int TextWidth(const QString& text);
  int TextHeight(const QString& text);
  // The DT_ rules: returns the height of the text (with DT_VCENTER or
  // DT_BOTTOM the offset of its bottom from r.Top); with DT_CALCRECT
  // nothing is drawn and r.Right and r.Bottom bound the text (vertical
  // alignment does not move them). Lines break at "\r\n", "\n" or "\r"
  // (not with DT_SINGLELINE); DT_WORDBREAK wraps before blanks and between
  // CJK characters, never inside a word; tabs stop every 8 average
  // character widths; the font's Orientation is not used here.
  // On a bitmap, solid fills, rectangles and solid 1-pixel lines are written
  // into its pixels directly; everything else goes through QPainter.
  int DrawText(const QString& text, TRect& r, unsigned format);
  const QFontMetrics& FontMetrics();

  void SetBkMode(int mode);
  int GetBkMode();
  void SetBkColor(TColor color);
  TColor GetBkColor();
  void SetTextColor(TColor color);
  TColor GetTextColor();
  void SetStretchBltMode(StretchMode mode) { stretchMode_ = mode; }
  StretchMode GetStretchBltMode() const { return stretchMode_; }

  // Clip region, in device pixels.
  void IntersectClipRect(const TRect& r);
  void ExcludeClipRect(const TRect& r);
  // Replaces the clip region (device pixels); nothing removes the clip.
  void SelectClipRgn(const std::optional<QRegion>& region);
  std::optional<QRegion> ClipRegion() const;
  // The smallest rectangle around what may be painted, in logical units.
  TRect GetClipBox() const;
  bool RectVisible(const TRect& r) const;

  int SaveDC();
  // `saved` as SaveDC returned it, or negative: that many levels back.
  bool RestoreDC(int saved);

  // Origins.
  TPoint SetViewportOrg(int x, int y);
  TPoint GetViewportOrg() const { return viewportOrg_; }
  TPoint SetWindowOrg(int x, int y);
  TPoint GetWindowOrg() const { return windowOrg_; }
  // Moves the window origin by (-dx, -dy): what is drawn next moves by
  // (dx, dy).
  void MoveWindowOrg(int dx, int dy) { SetWindowOrg(windowOrg_.X - dx, windowOrg_.Y - dy); }

  // Copies of bitmaps onto the canvas (clip and origin apply): plain
  // copies, or with the key colour left out when the bitmap is
  // Transparent; stretched with the stretch mode.
  void Draw(int x, int y, const Bitmap& bitmap);
  void StretchDraw(const TRect& r, const Bitmap& bitmap);
  void CopyRect(const TRect& dest, const Bitmap& source, const TRect& sourceRect);

  // For code that paints with Qt itself: the painter with origin and clip
  // set (nullptr on an empty bitmap). Pen and brush are the caller's to set.
  QPainter* Painter();
  // Ends the canvas's QPainter, keeping every setting; the next call opens
  // it again.
  void EndPainting();
  // Tells the canvas that what it paints on changes: painting ends, clip,
  // origins and saved states are dropped (pen, brush and font stay).
  void ReleaseTarget();

 private:
  struct SavedState;
  QPainter* Begin();
  void End() {
    if (monoShadow_)
      FlushMono();
    else if (bitmap_ && !bitmap_->IsOwnCanvas(this))
      EndPainting();  // the bitmap cannot tell this canvas when its pixels move
  }
  void FlushMono();
  void ApplyPen(QPainter* p);
  void ApplyBrush(QPainter* p);
  void ApplyComposition(QPainter* p, bool penMode);
  void SyncBrushState();
  void SyncFontState();
  void ApplyClipAndOrigin(QPainter* p);
  void InvalidateApplied();
  TPoint Origin() const { return {viewportOrg_.X - windowOrg_.X, viewportOrg_.Y - windowOrg_.Y}; }
  QRegion WholeDevice() const;
  // Draws a polyline of a solid 1-pixel pen with the pixels GDI lights,
  // the last point left out; false, drawing nothing, when the pen, the
  // device or a segment's length does not allow it.
  bool DrawExactPolyline(const TPoint* points, int count);
  void Segment(QPainter* p, TPoint a, TPoint b);
  void DrawTextLine(QPainter* p, int x, int y, const QString& text, int mnemonic, bool rtl,
                    bool expandTabs);
  void FillDevice(QPainter* p, const QRect& r, TColor c);
  bool CanWriteDirectly() const;
  void DirectFill(int left, int top, int right, int bottom, TColor color);
  void BlitFromBitmap(const TRect& dest, const Bitmap& source, const TRect& sourceRect,
                      bool transparent);

  Bitmap* bitmap_ = nullptr;
  QPaintDevice* device_ = nullptr;
  QPainter* external_ = nullptr;
  std::unique_ptr<QPainter> painter_;
  std::unique_ptr<QImage> monoShadow_;
  bool active_ = false;
  QTransform baseTransform_;

  TPoint penPos_;
  TPoint viewportOrg_;
  TPoint windowOrg_;
  QRegion clip_;
  bool hasClip_ = false;
  int bkMode_ = OPAQUE;
  TColor bkColor_ = clWhite;
  TColor textColor_ = clBlack;
  StretchMode stretchMode_ = COLORONCOLOR;
  std::vector<SavedState> saved_;
  std::vector<TRect> lineRuns_;  // scratch of DrawExactPolyline

  // What was last put into effect, to skip repeated work.
  std::optional<TBrush> syncedBrush_;
  std::optional<TFont> syncedFont_;
  QFont qfont_;
  std::unique_ptr<QFontMetrics> metrics_;
  // The last text measured in qfont_ (a centred caption is measured on
  // every paint); emptied with a new font.
  std::optional<std::pair<QString, int>> lastAdvance_;
  int Advance(const QString& text);
  // A line of text drawn with its baseline at (x, baseline): the same
  // pixels as QPainter::drawText. A line drawn twice in a row is shaped
  // once more and its glyphs kept with the font, direction and resolution
  // they were shaped for, so a caption painted again and again is not
  // shaped every time.
  void DrawLineText(QPainter* p, int x, int baseline, const QString& text);
  struct ShapedLine {
    QString Text;
    QFont Font;
    int Dpi = 0;
    bool Kept = false;  // false: a text the glyphs cannot stand for
    qreal Ascent = 0;
    QList<QGlyphRun> Runs;
  };
  std::optional<QString> lastLine_;
  std::optional<ShapedLine> shaped_;
  std::optional<TPen> appliedPen_;
  std::optional<TBrush> appliedBrush_;
  int appliedComposition_ = -1;
};

}  // namespace platform
