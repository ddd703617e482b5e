#include "platform/Blit.h"
#include "platform/Canvas.h"

#include "platform_gui/Pixels.h"

#include <QWidget>

#include <gtest/gtest.h>

using namespace platform;
using pixels::Ascii;
using pixels::ColorBox;
using pixels::InkBox;
using pixels::White;

namespace {

Canvas& Prepared(Bitmap& b) {
  Canvas& c = b.GetCanvas();
  c.Pen.Color = clRed;
  return c;
}

}  // namespace

TEST(CanvasLines, LineToLeavesOutTheLastPixelInEveryDirection) {
  Bitmap b = White(12, 10);
  Canvas& c = Prepared(b);
  c.MoveTo(1, 1);
  c.LineTo(8, 1);  // rightwards
  c.MoveTo(10, 8);
  c.LineTo(10, 2);  // upwards
  c.MoveTo(9, 5);
  c.LineTo(3, 5);  // leftwards
  c.MoveTo(0, 9);
  c.LineTo(3, 6);  // diagonal up-right
  EXPECT_EQ(Ascii(b, clWhite),
            "............\n"
            ".#######....\n"
            "............\n"
            "..........#.\n"
            "..........#.\n"
            "....#######.\n"
            "..........#.\n"
            "..#.......#.\n"
            ".#........#.\n"
            "#...........\n");
  EXPECT_EQ(c.PenPos(), Point(3, 6));
}

TEST(CanvasLines, SlopedLinesTakeTheNearestPixelOfEachColumn) {
  Bitmap b = White(12, 7);
  Canvas& c = Prepared(b);
  c.MoveTo(1, 1);
  c.LineTo(10, 5);  // y = 1 + 4/9 x: never half way between two rows
  EXPECT_EQ(Ascii(b, clWhite),
            "............\n"
            ".##.........\n"
            "...##.......\n"
            ".....##.....\n"
            ".......##...\n"
            ".........#..\n"
            "............\n");
  // Without ties (an odd number of steps) the way back lights the same
  // pixels, bar the two ends;
  // a polyline lights what its segments do, on any device.
  for (TPoint end : {Point(1, 6), Point(19, 3), Point(3, 19), Point(17, 19), Point(1, 13)}) {
    const TPoint start = Point(10, 10);
    Bitmap there = White(21, 21), back = White(21, 21);
    Canvas& t = Prepared(there);
    t.MoveTo(start.X, start.Y);
    t.LineTo(end.X, end.Y);
    t.Pen.Color = clWhite;
    t.MoveTo(start.X, start.Y);
    t.LineTo(start.X + 1, start.Y);  // the start is lit, as on the way back the end is not
    Canvas& k = Prepared(back);
    k.MoveTo(end.X, end.Y);
    k.LineTo(start.X, start.Y);
    k.Pen.Color = clWhite;
    k.MoveTo(end.X, end.Y);
    k.LineTo(end.X + 1, end.Y);
    EXPECT_EQ(Ascii(there, clWhite), Ascii(back, clWhite)) << end.X << ", " << end.Y;
  }
  Bitmap segments = White(21, 21);
  Canvas& s = Prepared(segments);
  s.MoveTo(1, 1);
  s.LineTo(19, 8);
  s.LineTo(3, 17);
  QImage image(21, 21, QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    Canvas q(&image);
    q.Pen.Color = clRed;
    q.Polyline({{1, 1}, {19, 8}, {3, 17}});
  }
  EXPECT_EQ(Ascii(segments, clWhite), Ascii(Bitmap::FromQImage(image), clWhite));
}

TEST(CanvasLines, ZeroLengthDrawsNothingAndOneStepDrawsTheStart) {
  Bitmap b = White(5, 5);
  Canvas& c = Prepared(b);
  c.MoveTo(2, 2);
  c.LineTo(2, 2);
  EXPECT_EQ(InkBox(b, clWhite), TRect{});
  c.LineTo(3, 2);
  EXPECT_EQ(InkBox(b, clWhite), Rect(2, 2, 3, 3));
}

TEST(CanvasLines, PolylineLeavesOutOnlyTheLastPoint) {
  Bitmap b = White(7, 7);
  Canvas& c = Prepared(b);
  c.Polyline({{1, 1}, {5, 1}, {5, 5}, {1, 5}});
  EXPECT_EQ(Ascii(b, clWhite),
            ".......\n"
            ".#####.\n"
            ".....#.\n"
            ".....#.\n"
            ".....#.\n"
            "..####.\n"
            ".......\n");
}

TEST(CanvasLines, DottedPenIsThreeOnThreeOffWithOpaqueGaps) {
  Bitmap b = White(14, 3);
  Canvas& c = Prepared(b);
  c.Pen.Style = psDot;
  c.Brush.Color = clBlue;  // solid brush: the gaps take the brush colour
  c.MoveTo(0, 0);
  c.LineTo(14, 0);
  c.Brush.Style = bsClear;  // clear brush: the gaps stay as they were
  c.MoveTo(0, 2);
  c.LineTo(14, 2);
  for (int x = 0; x < 13; ++x) {
    bool on = (x / 3) % 2 == 0;
    EXPECT_EQ(b.GetPixel(x, 0), on ? clRed : clBlue) << "x = " << x;
    EXPECT_EQ(b.GetPixel(x, 2), on ? clRed : clWhite) << "x = " << x;
  }
}

TEST(CanvasLines, XorPenTwiceRestores) {
  Bitmap b = White(10, 4);
  Canvas& c = Prepared(b);
  c.Pen.Mode = pmXor;
  c.Pen.Color = clWhite;
  c.MoveTo(0, 1);
  c.LineTo(10, 1);
  EXPECT_EQ(b.GetPixel(4, 1), clBlack);
  c.MoveTo(0, 1);
  c.LineTo(10, 1);
  EXPECT_EQ(InkBox(b, clWhite), TRect{});
}

TEST(CanvasShapes, RectangleCoversLeftToRightMinusOne) {
  Bitmap b = White(9, 7);
  Canvas& c = Prepared(b);
  c.Brush.Color = clBlue;
  c.Rectangle(1, 1, 6, 5);
  EXPECT_EQ(InkBox(b, clWhite), Rect(1, 1, 6, 5));
  EXPECT_EQ(b.GetPixel(5, 4), clRed);
  EXPECT_EQ(b.GetPixel(3, 2), clBlue);
  EXPECT_EQ(ColorBox(b, clBlue), Rect(2, 2, 5, 4));
}

TEST(CanvasShapes, RectangleWithoutPenIsOnePixelSmaller) {
  Bitmap b = White(9, 7);
  Canvas& c = Prepared(b);
  c.Pen.Style = psClear;
  c.Brush.Color = clBlue;
  c.Rectangle(1, 1, 6, 5);
  EXPECT_EQ(InkBox(b, clWhite), Rect(1, 1, 5, 4));
}

TEST(CanvasShapes, FillAndFrameUseTheBrushAndExcludeTheFarEdges) {
  Bitmap b = White(10, 8);
  Canvas& c = Prepared(b);
  c.Brush.Color = clGreen;
  c.FillRect(Rect(2, 1, 5, 4));
  EXPECT_EQ(InkBox(b, clWhite), Rect(2, 1, 5, 4));
  c.FillRect(Rect(8, 8, 6, 6));  // inverted: nothing
  c.Brush.Color = clNavy;
  c.FrameRect(Rect(5, 4, 9, 8));
  EXPECT_EQ(ColorBox(b, clNavy), Rect(5, 4, 9, 8));
  EXPECT_EQ(b.GetPixel(6, 5), clWhite) << "a frame is hollow";
  c.Brush.Style = bsClear;
  c.FillRect(Rect(0, 0, 10, 8));
  EXPECT_EQ(b.GetPixel(0, 0), clWhite) << "a clear brush fills nothing";
}

TEST(CanvasShapes, EllipseAndRoundRectTouchTheirBoundsButNotTheCorners) {
  Bitmap b = White(16, 12);
  Canvas& c = Prepared(b);
  c.Brush.Style = bsClear;
  c.Ellipse(1, 1, 11, 9);
  EXPECT_EQ(InkBox(b, clWhite), Rect(1, 1, 11, 9));
  EXPECT_EQ(b.GetPixel(1, 1), clWhite);
  Bitmap r = White(16, 12);
  Canvas& rc = Prepared(r);
  rc.RoundRect(2, 2, 14, 10, 6, 6);
  EXPECT_EQ(InkBox(r, clWhite), Rect(2, 2, 14, 10));
  EXPECT_EQ(r.GetPixel(2, 2), clWhite);
  EXPECT_EQ(r.GetPixel(13, 9), clWhite);
  // Corners given the wrong way round make the same shapes.
  Bitmap e2 = White(16, 12), r2 = White(16, 12);
  Prepared(e2).Brush.Style = bsClear;
  e2.GetCanvas().Ellipse(11, 9, 1, 1);
  EXPECT_EQ(Ascii(e2, clWhite), Ascii(b, clWhite));
  Prepared(r2).RoundRect(14, 10, 2, 2, 6, 6);
  EXPECT_EQ(Ascii(r2, clWhite), Ascii(r, clWhite));
}

TEST(CanvasShapes, FocusRectIsDottedAndUndoesItself) {
  Bitmap b = White(8, 6);
  Canvas& c = b.GetCanvas();
  c.DrawFocusRect(Rect(1, 1, 7, 5));
  EXPECT_EQ(InkBox(b, clWhite), Rect(1, 1, 7, 5));
  EXPECT_NE(b.GetPixel(1, 1), b.GetPixel(2, 1)) << "every other pixel";
  EXPECT_EQ(b.GetPixel(3, 3), clWhite);
  c.DrawFocusRect(Rect(1, 1, 7, 5));
  EXPECT_EQ(InkBox(b, clWhite), TRect{});
}

TEST(CanvasShapes, DrawEdgeUsesTheSystemColoursAndAdjusts) {
  Bitmap b = White(10, 8);
  Canvas& c = b.GetCanvas();
  TRect r = Rect(0, 0, 10, 8);
  c.DrawEdge(r, EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_ADJUST);
  EXPECT_EQ(r, Rect(2, 2, 8, 6));
  EXPECT_EQ(b.GetPixel(3, 0), ColorToRGB(cl3DLight));
  EXPECT_EQ(b.GetPixel(3, 1), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(b.GetPixel(3, 7), ColorToRGB(cl3DDkShadow));
  EXPECT_EQ(b.GetPixel(9, 3), ColorToRGB(cl3DDkShadow));
  EXPECT_EQ(b.GetPixel(3, 6), ColorToRGB(clBtnShadow));
  EXPECT_EQ(b.GetPixel(4, 4), ColorToRGB(clBtnFace));
  TRect sunken = Rect(0, 0, 10, 8);
  c.DrawEdge(sunken, EDGE_SUNKEN, BF_RECT);
  EXPECT_EQ(b.GetPixel(3, 0), ColorToRGB(clBtnShadow));
  EXPECT_EQ(b.GetPixel(3, 1), ColorToRGB(cl3DDkShadow));
  EXPECT_EQ(sunken, Rect(0, 0, 10, 8)) << "no BF_ADJUST, no change";
}

TEST(CanvasState, ClipRegionsIntersectAndExclude) {
  Bitmap b = White(12, 4);
  Canvas& c = b.GetCanvas();
  c.Brush.Color = clBlack;
  c.IntersectClipRect(Rect(2, 0, 10, 4));
  c.ExcludeClipRect(Rect(5, 0, 7, 4));
  c.FillRect(Rect(0, 0, 12, 4));
  EXPECT_EQ(Ascii(b, clWhite).substr(0, 13), "..###..###..\n");
  EXPECT_EQ(c.GetClipBox(), Rect(2, 0, 10, 4));
  EXPECT_TRUE(c.RectVisible(Rect(0, 0, 3, 1)));
  EXPECT_FALSE(c.RectVisible(Rect(5, 0, 7, 1)));
  c.SelectClipRgn(std::nullopt);
  c.FillRect(Rect(0, 0, 12, 4));
  EXPECT_EQ(ColorBox(b, clBlack), Rect(0, 0, 12, 4));
}

TEST(CanvasState, ClipIsInDevicePixelsAndOriginShiftsDrawing) {
  Bitmap b = White(12, 8);
  Canvas& c = b.GetCanvas();
  c.Brush.Color = clBlack;
  c.SetViewportOrg(3, 2);
  c.IntersectClipRect(Rect(0, 0, 4, 4));  // logical: device (3, 2)-(7, 6)
  c.SetViewportOrg(0, 0);                 // the clip stays where it was
  c.FillRect(Rect(0, 0, 12, 8));
  EXPECT_EQ(InkBox(b, clWhite), Rect(3, 2, 7, 6));
  EXPECT_EQ(c.GetClipBox(), Rect(3, 2, 7, 6));
  c.SelectClipRgn(std::nullopt);
  b.Fill(qRgb(255, 255, 255));
  c.SetWindowOrg(1, 1);  // device = logical - window origin
  c.FillRect(Rect(2, 2, 4, 3));
  EXPECT_EQ(InkBox(b, clWhite), Rect(1, 1, 3, 2));
  c.MoveWindowOrg(5, 0);  // what follows moves right by 5
  b.Fill(qRgb(255, 255, 255));
  c.FillRect(Rect(2, 2, 4, 3));
  EXPECT_EQ(InkBox(b, clWhite), Rect(6, 1, 8, 2));
  EXPECT_EQ(c.GetClipBox(), Rect(-4, 1, 8, 9)) << "the clip box is logical";
}

TEST(CanvasState, RestoreDCBringsBackClipOriginAndObjects) {
  Bitmap b = White(8, 8);
  Canvas& c = b.GetCanvas();
  c.Brush.Color = clBlack;
  int saved = c.SaveDC();
  c.IntersectClipRect(Rect(0, 0, 2, 2));
  c.SetViewportOrg(1, 1);
  c.Brush.Color = clRed;
  c.SaveDC();
  c.Brush.Color = clBlue;
  EXPECT_TRUE(c.RestoreDC(-1));
  EXPECT_EQ(c.Brush.Color, clRed);
  EXPECT_TRUE(c.RestoreDC(saved));
  EXPECT_EQ(c.Brush.Color, clBlack);
  EXPECT_EQ(c.GetViewportOrg(), Point(0, 0));
  EXPECT_FALSE(c.RestoreDC(saved)) << "a state is restored once";
  c.FillRect(Rect(0, 0, 8, 8));
  EXPECT_EQ(ColorBox(b, clBlack), Rect(0, 0, 8, 8));
}

TEST(CanvasState, BrushChangeResetsBackgroundModeAndFontChangeResetsTextColour) {
  Bitmap b = White(4, 4);
  Canvas& c = b.GetCanvas();
  c.Brush.Color = clYellow;
  c.SetBkMode(TRANSPARENT);
  EXPECT_EQ(c.GetBkMode(), TRANSPARENT);
  c.Brush.Color = clRed;
  EXPECT_EQ(c.GetBkMode(), OPAQUE);
  EXPECT_EQ(c.GetBkColor(), clRed);
  c.Brush.Style = bsClear;
  EXPECT_EQ(c.GetBkMode(), TRANSPARENT);
  c.SetTextColor(clLime);
  EXPECT_EQ(c.GetTextColor(), clLime);
  c.Font.Color = clPurple;
  EXPECT_EQ(c.GetTextColor(), clPurple);
}

TEST(CanvasText, TextOutAnchorsTheCellAtTopLeftAndMovesThePen) {
  Bitmap b = White(120, 40);
  Canvas& c = b.GetCanvas();
  c.Brush.Color = clYellow;
  c.Font.Color = clBlack;
  c.TextOut(10, 7, QStringLiteral("Hg 12"));
  int w = c.TextWidth(QStringLiteral("Hg 12"));
  int h = c.TextHeight(QStringLiteral("Hg 12"));
  EXPECT_GT(w, 20);
  EXPECT_EQ(h, c.FontMetrics().ascent() + c.FontMetrics().descent());
  EXPECT_EQ(InkBox(b, clWhite), Bounds(10, 7, w, h)) << "the opaque cell and nothing else";
  TRect ink = InkBox(b, clYellow);
  ink = IntersectRect(ink, Bounds(10, 7, w, h));
  EXPECT_FALSE(ink.IsEmpty());
  EXPECT_EQ(c.PenPos(), Point(10 + w, 7));
}

TEST(CanvasText, TransparentTextStaysInItsCell) {
  Bitmap b = White(120, 40);
  Canvas& c = b.GetCanvas();
  c.Brush.Style = bsClear;
  c.Font.Color = clBlack;
  c.TextOut(10, 7, QStringLiteral("Hg"));
  TRect ink = InkBox(b, clWhite);
  TRect cell = Bounds(10, 7, c.TextWidth(QStringLiteral("Hg")), c.TextHeight(QStringLiteral("Hg")));
  EXPECT_FALSE(ink.IsEmpty());
  EXPECT_EQ(IntersectRect(ink, cell), ink) << ink << " inside " << cell;
  EXPECT_GE(ink.Top, 8) << "the top of the cell is above the capitals";
}

TEST(CanvasText, EscapementTurnsTheCellAroundItsAnchor) {
  const QString text = QStringLiteral("ABCDEFG");
  for (int orientation : {900, 2700}) {
    Bitmap b = White(160, 160);
    Canvas& c = b.GetCanvas();
    c.Brush.Color = clYellow;
    c.Font.Orientation = orientation;
    int w = c.TextWidth(text), h = c.TextHeight(text);
    c.TextOut(80, 80, text);
    TRect cell = InkBox(b, clWhite);
    // 900 reads upwards, the cell to the right of the anchor; 2700 reads
    // downwards, the cell to its left.
    TRect expected = orientation == 900 ? Rect(80, 80 - w, 80 + h, 80) : Rect(80 - h, 80, 80, 80 + w);
    EXPECT_LE(std::abs(cell.Left - expected.Left), 1) << orientation << ": " << cell;
    EXPECT_LE(std::abs(cell.Top - expected.Top), 1) << orientation << ": " << cell;
    EXPECT_LE(std::abs(cell.Right - expected.Right), 1) << orientation << ": " << cell;
    EXPECT_LE(std::abs(cell.Bottom - expected.Bottom), 1) << orientation << ": " << cell;
  }
}

TEST(CanvasText, FontHeightsAndSizes) {
  TFont f;
  f.SetSize(9);
  EXPECT_EQ(f.Height, -12);
  EXPECT_EQ(f.Size(), 9);
  Bitmap b(4, 4);
  Canvas& c = b.GetCanvas();
  c.Font.Height = 20;  // a cell height
  EXPECT_NEAR(c.TextHeight(QStringLiteral("A")), 20, 1);
  c.Font.Height = -20;  // a character height: the cell is taller
  EXPECT_GT(c.TextHeight(QStringLiteral("A")), 20);
}

// ---- DrawText ----

namespace {

struct TextCase {
  Bitmap bitmap = White(200, 80);
  Canvas& canvas = bitmap.GetCanvas();
  TextCase() {
    canvas.Brush.Color = clYellow;  // opaque: each drawn line shows as a yellow box
    canvas.Font.Color = clBlack;
  }
  int W(const QString& s) { return canvas.TextWidth(s); }
  int H() { return canvas.TextHeight(QStringLiteral("A")); }
};

}  // namespace

TEST(CanvasDrawText, CalcRectMeasuresWithoutDrawing) {
  TextCase t;
  TRect r = Rect(5, 5, 195, 75);
  int height = t.canvas.DrawText(QStringLiteral("Hello"), r, DT_CALCRECT | DT_SINGLELINE);
  EXPECT_EQ(r, Rect(5, 5, 5 + t.W(QStringLiteral("Hello")), 5 + t.H()));
  EXPECT_EQ(height, t.H());
  EXPECT_EQ(InkBox(t.bitmap, clWhite), TRect{});
}

TEST(CanvasDrawText, AlignmentInTheRectangle) {
  const QString s = QStringLiteral("Mid");
  TextCase t;
  const int w = t.W(s), h = t.H();
  TRect r = Rect(10, 10, 110, 50);
  int bottom = t.canvas.DrawText(s, r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  int x = 10 + (100 - w) / 2, y = 10 + (40 - h) / 2;
  EXPECT_EQ(InkBox(t.bitmap, clWhite), Bounds(x, y, w, h));
  EXPECT_EQ(bottom, y + h - 10) << "the offset of the text's bottom";
  TextCase right;
  TRect rr = Rect(10, 10, 110, 50);
  right.canvas.DrawText(s, rr, DT_RIGHT | DT_BOTTOM | DT_SINGLELINE);
  EXPECT_EQ(InkBox(right.bitmap, clWhite), Rect(110 - w, 50 - h, 110, 50));
}

TEST(CanvasDrawText, WordBreakWrapsAtBlanksAndKeepsLongWords) {
  TextCase t;
  const QString two = QStringLiteral("aaa bbb");
  int limit = t.W(two) + 2;  // room for two words, not three
  TRect r = Bounds(0, 0, limit, 100);
  int height = t.canvas.DrawText(QStringLiteral("aaa bbb ccc"), r, DT_WORDBREAK | DT_CALCRECT);
  EXPECT_EQ(height, 2 * t.H());
  EXPECT_EQ(r.Right, t.W(two));
  TRect narrow = Bounds(0, 0, 5, 100);
  t.canvas.DrawText(QStringLiteral("unbreakable word"), narrow, DT_WORDBREAK | DT_CALCRECT);
  EXPECT_EQ(narrow.Right, t.W(QStringLiteral("unbreakable"))) << "a long word widens the rectangle";
  EXPECT_EQ(narrow.Height(), 2 * t.H());
  TRect lines = Bounds(0, 0, 100, 100);
  EXPECT_EQ(t.canvas.DrawText(QStringLiteral("one\r\ntwo\nthree"), lines, DT_CALCRECT), 3 * t.H());
}

TEST(CanvasDrawText, WordBreakSplitsChineseBetweenCharacters) {
  TextCase t;
  const QString text = QStringLiteral("双色球号码缩水工具");
  int limit = t.W(text) / 2;
  TRect r = Bounds(0, 0, limit, 200);
  int height = t.canvas.DrawText(text, r, DT_WORDBREAK | DT_CALCRECT);
  EXPECT_GE(height, 2 * t.H());
  EXPECT_LE(r.Width(), limit);
}

TEST(CanvasDrawText, TabsExpandToEightAverageCharacters) {
  TextCase t;
  TRect r = Bounds(0, 0, 400, 40);
  t.canvas.DrawText(QStringLiteral("a\tb"), r, DT_EXPANDTABS | DT_SINGLELINE | DT_CALCRECT);
  int tab = t.canvas.FontMetrics().averageCharWidth() * 8;
  EXPECT_EQ(r.Width(), tab + t.W(QStringLiteral("b")));
}

TEST(CanvasDrawText, EndEllipsisFitsTheRectangle) {
  TextCase t;
  const QString text = QStringLiteral("A caption far too long for its box");
  TRect box = Rect(10, 10, 80, 30);
  TRect measure = box;
  t.canvas.DrawText(text, measure, DT_END_ELLIPSIS | DT_SINGLELINE | DT_CALCRECT);
  EXPECT_LE(measure.Width(), 70);
  EXPECT_GT(measure.Width(), t.W(QStringLiteral("...")));
  t.canvas.DrawText(text, box, DT_END_ELLIPSIS | DT_SINGLELINE);
  TRect ink = InkBox(t.bitmap, clWhite);
  EXPECT_EQ(IntersectRect(ink, box), ink);
}

TEST(CanvasDrawText, PrefixesUnderlineOrStayAsWritten) {
  TextCase t;
  TRect r = Bounds(0, 0, 200, 40);
  t.canvas.DrawText(QStringLiteral("&File"), r, DT_SINGLELINE | DT_CALCRECT);
  EXPECT_EQ(r.Width(), t.W(QStringLiteral("File")));
  r = Bounds(0, 0, 200, 40);
  t.canvas.DrawText(QStringLiteral("&File"), r, DT_SINGLELINE | DT_CALCRECT | DT_NOPREFIX);
  EXPECT_EQ(r.Width(), t.W(QStringLiteral("&File")));
  r = Bounds(0, 0, 200, 40);
  t.canvas.DrawText(QStringLiteral("A&&B"), r, DT_SINGLELINE | DT_CALCRECT);
  EXPECT_EQ(r.Width(), t.W(QStringLiteral("A&B")));

  // The underline of the mnemonic: black pixels in the cell's lower rows
  // under "F", none with DT_HIDEPREFIX.
  auto underlined = [](unsigned flags) {
    TextCase c;
    c.canvas.Brush.Style = bsClear;
    TRect box = Bounds(0, 0, 200, 40);
    c.canvas.DrawText(QStringLiteral("&F"), box, DT_SINGLELINE | flags);
    int base = c.canvas.FontMetrics().ascent();
    int count = 0;
    for (int y = base + 1; y < c.H(); ++y)
      for (int x = 0; x < c.W(QStringLiteral("F")); ++x) count += c.bitmap.GetPixel(x, y) != clWhite;
    return count;
  };
  EXPECT_GT(underlined(0), 0);
  EXPECT_EQ(underlined(DT_HIDEPREFIX), 0);
}

TEST(CanvasDrawText, ClipsToTheRectangleUnlessNoClip) {
  const QString text = QStringLiteral("Overflowing text");
  TextCase clipped;
  TRect r = Rect(10, 10, 30, 40);
  clipped.canvas.DrawText(text, r, DT_SINGLELINE);
  EXPECT_EQ(InkBox(clipped.bitmap, clWhite).Right, 30);
  TextCase free;
  TRect f = Rect(10, 10, 30, 40);
  free.canvas.DrawText(text, f, DT_SINGLELINE | DT_NOCLIP);
  EXPECT_EQ(InkBox(free.bitmap, clWhite).Right, 10 + free.W(text));
}

TEST(CanvasDrawText, RightToLeftReadingMovesNeutralCharacters) {
  auto render = [](unsigned flags) {
    TextCase t;
    t.canvas.Brush.Style = bsClear;
    TRect r = Bounds(0, 0, 200, 40);
    t.canvas.DrawText(QStringLiteral("abc!"), r, DT_SINGLELINE | flags);
    return Ascii(t.bitmap, clWhite);
  };
  EXPECT_NE(render(0), render(DT_RTLREADING));
}

// ---- bitmaps on canvases ----

TEST(CanvasBitmaps, DrawLeavesOutTheKeyColourOfATransparentBitmap) {
  Bitmap sprite = White(4, 1);
  sprite.SetPixel(1, 0, clFuchsia);
  sprite.SetPixel(2, 0, clRed);
  Bitmap b(6, 2);
  b.Fill(qRgb(0, 0, 0));
  Canvas& c = b.GetCanvas();
  sprite.Transparent = true;
  sprite.SetTransparentColor(clFuchsia);
  c.Draw(1, 1, sprite);
  EXPECT_EQ(b.GetPixel(1, 1), clWhite);
  EXPECT_EQ(b.GetPixel(2, 1), clBlack) << "key colour left out";
  EXPECT_EQ(b.GetPixel(3, 1), clRed);
  sprite.Transparent = false;
  c.IntersectClipRect(Rect(0, 0, 3, 2));
  c.Draw(0, 0, sprite);
  EXPECT_EQ(b.GetPixel(1, 0), clFuchsia);
  EXPECT_EQ(b.GetPixel(3, 0), clBlack) << "clipped";
}

TEST(CanvasBitmaps, PaintsInsideAWidgetPaintEvent) {
  struct Painted : QWidget {
    Bitmap back = White(30, 20);
    void paintEvent(QPaintEvent*) override {
      Canvas c(this);
      c.Draw(0, 0, back);
      c.Brush.Color = clBlue;
      c.SetViewportOrg(10, 5);
      c.FillRect(Rect(0, 0, 4, 3));
    }
  } widget;
  widget.back.GetCanvas().Brush.Color = clRed;
  widget.back.GetCanvas().FillRect(Rect(0, 0, 5, 5));
  widget.resize(30, 20);
  Bitmap shot = Bitmap::FromQImage(widget.grab().toImage());
  EXPECT_EQ(shot.GetPixel(2, 2), clRed);
  EXPECT_EQ(shot.GetPixel(20, 15), clWhite);
  EXPECT_EQ(ColorBox(shot, clBlue), Rect(10, 5, 14, 8));
}

TEST(CanvasBitmaps, WrappingAPainterRestoresItsState) {
  Bitmap b = White(10, 10);
  QPainter painter(b.PaintDevice());
  painter.setPen(Qt::green);
  {
    Canvas c(painter);
    c.SetViewportOrg(2, 2);
    c.Brush.Color = clRed;
    c.FillRect(Rect(0, 0, 2, 2));
  }
  EXPECT_EQ(painter.pen().color(), QColor(Qt::green));
  EXPECT_EQ(painter.transform(), QTransform());
  painter.end();
  EXPECT_EQ(ColorBox(b, clRed), Rect(2, 2, 4, 4));
}

TEST(CanvasBitmaps, EveryPixelFormatCanBePainted) {
  for (TPixelFormat f : {pfDevice, pf1bit, pf8bit, pf24bit, pf32bit}) {
    Bitmap b(9, 4, f);
    b.Fill(qRgb(0, 0, 0));
    Canvas& c = b.GetCanvas();
    c.Brush.Color = clWhite;
    c.FillRect(Rect(1, 1, 8, 3));
    EXPECT_EQ(InkBox(b, clBlack), Rect(1, 1, 8, 3)) << "format " << f;
    EXPECT_EQ(b.GetArgb(4, 2), qRgba(255, 255, 255, 255)) << "format " << f;
  }
}

TEST(CanvasBitmaps, ResizingTheBitmapKeepsTheCanvasUsable) {
  Bitmap b = White(4, 4);
  Canvas& c = b.GetCanvas();
  c.Brush.Color = clRed;
  c.IntersectClipRect(Rect(0, 0, 1, 1));
  c.FillRect(Rect(0, 0, 4, 4));
  b.SetSize(20, 10);  // painting ends; clip and origin go with the old surface
  c.FillRect(Rect(10, 5, 20, 10));
  EXPECT_EQ(ColorBox(b, clRed), Rect(0, 0, 20, 10));
  EXPECT_EQ(b.GetPixel(1, 1), clWhite) << "new and unpainted pixels are white";
}

TEST(CanvasBitmaps, AnotherCanvasOnTheBitmapSurvivesItsResizing) {
  Bitmap b = White(10, 10);
  Canvas other(b);
  other.Brush.Color = clRed;
  other.Ellipse(0, 0, 6, 6);  // painted through QPainter
  b.SetSize(30, 30);          // the pixels move
  other.Ellipse(10, 10, 30, 30);
  EXPECT_EQ(b.GetPixel(20, 20), clRed);
  Canvas& own = b.GetCanvas();
  own.Brush.Color = clBlue;
  own.Ellipse(0, 0, 9, 9);
  EXPECT_EQ(b.GetPixel(4, 4), clBlue) << "the bitmap's own canvas paints after the other";
  other.Ellipse(10, 10, 20, 20);
  EXPECT_EQ(b.GetPixel(15, 15), clRed) << "and the other after the own";
}

TEST(CanvasBitmaps, QPainterAndDirectPixelPathsPaintAlike) {
  // A bitmap canvas writes solid shapes into the pixels itself; any other
  // device goes through QPainter. Both must give the same pixels.
  auto paint = [](Canvas& c) {
    c.SetViewportOrg(2, 1);
    c.IntersectClipRect(Rect(0, 0, 30, 18));
    c.ExcludeClipRect(Rect(20, 0, 22, 30));
    c.Pen.Color = clRed;
    c.Brush.Color = clBlue;
    c.Rectangle(1, 1, 9, 7);
    c.Rectangle(12, 5, 10, 2);  // corners given the wrong way round
    c.Pen.Style = psClear;
    c.Rectangle(1, 9, 6, 14);
    c.Pen.Style = psSolid;
    c.Brush.Color = clGreen;
    c.FillRect(Rect(15, 1, 40, 4));
    c.MoveTo(14, 16);
    c.LineTo(14, 8);
    c.LineTo(28, 8);
    c.LineTo(28, 16);
    c.LineTo(16, 16);
    c.LineTo(24, 10);
  };
  Bitmap direct = White(34, 20);
  paint(direct.GetCanvas());
  QImage image(34, 20, QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    Canvas c(&image);
    paint(c);
  }
  EXPECT_EQ(Ascii(direct, clWhite), Ascii(Bitmap::FromQImage(image), clWhite));
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 34; ++x)
      ASSERT_EQ(direct.GetArgb(x, y), image.pixel(x, y)) << x << "," << y;
}
