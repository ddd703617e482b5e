#include "platform/Blit.h"
#include "platform/Canvas.h"

#include "platform_gui/Pixels.h"

#include <array>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>

using namespace platform;
using pixels::Ascii;
using pixels::ColorBox;
using pixels::InkBox;
using pixels::White;

namespace {

// A picture painted by `paint` with a red pen on a white bitmap, as rows of text.
std::string Painted(int w, int h, const std::function<void(Canvas&)>& paint) {
  Bitmap b = White(w, h);
  b.GetCanvas().Pen.Color = clRed;
  paint(b.GetCanvas());
  return Ascii(b, clWhite);
}

std::function<void(Canvas&)> Line(TPoint a, TPoint b) {
  return [=](Canvas& c) { c.MoveTo(a.X, a.Y), c.LineTo(b.X, b.Y); };
}

}  // namespace

TEST(CanvasLines, LineToLeavesOutTheLastPixelInEveryDirection) {
  EXPECT_EQ(Painted(12, 10,
                    [](Canvas& c) {
                      for (auto [from, to] : {std::pair{Point(1, 1), Point(8, 1)}, {Point(10, 8), Point(10, 2)},
                                              {Point(9, 5), Point(3, 5)}, {Point(0, 9), Point(3, 6)},
                                              {Point(5, 8), Point(5, 8)}, {Point(7, 8), Point(8, 8)}})
                        Line(from, to)(c);
                      EXPECT_EQ(c.PenPos(), Point(8, 8));
                    }),
            "............\n"
            ".#######....\n"
            "............\n"
            "..........#.\n"
            "..........#.\n"
            "....#######.\n"
            "..........#.\n"
            "..#.......#.\n"
            ".#.....#..#.\n"  // zero length: nothing; one step: the start
            "#...........\n");
  // A polyline leaves out only its last point.
  EXPECT_EQ(Painted(7, 6, [](Canvas& c) { c.Polyline({{1, 1}, {5, 1}, {5, 4}, {1, 4}}); }),
            ".......\n.#####.\n.....#.\n.....#.\n..####.\n.......\n");
}

TEST(CanvasLines, SlopedLinesTakeTheNearestPixelOfEachStep) {
  EXPECT_EQ(Painted(12, 7, Line(Point(1, 1), Point(10, 5))),  // y = 1 + 4/9 x
            "............\n.##.........\n...##.......\n.....##.....\n.......##...\n.........#..\n............\n");
  // Without ties (an odd number of steps) the way back lights the same
  // pixels, bar the two ends, in every octant.
  const TPoint start = Point(10, 10);
  auto line = [](TPoint a, TPoint b) {
    return [=](Canvas& c) {
      Line(a, b)(c);
      c.Pen.Color = clWhite;  // the start is lit, as on the way back the end is not
      Line(a, Point(a.X + 1, a.Y))(c);
    };
  };
  for (TPoint end : {Point(1, 6), Point(19, 3), Point(3, 19), Point(17, 19), Point(1, 13), Point(19, 13),
                     Point(13, 1), Point(7, 19)})
    EXPECT_EQ(Painted(21, 21, line(start, end)), Painted(21, 21, line(end, start))) << end.X << ", " << end.Y;
}

TEST(CanvasLines, DottedPenIsThreeOnThreeOffWithOpaqueGapsAndXorTwiceRestores) {
  Bitmap b = White(14, 4);
  Canvas& c = b.GetCanvas();
  c.Pen = {clRed, 1, psDot};
  c.Brush.Color = clBlue;  // solid brush: the gaps take the brush colour
  Line(Point(0, 0), Point(12, 0))(c);
  c.Brush.Style = bsClear;  // clear brush: the gaps stay as they were
  Line(Point(0, 2), Point(12, 2))(c);
  for (int x = 0; x <= 12; ++x) {  // the end is left out here too
    bool on = (x / 3) % 2 == 0, end = x == 12;
    EXPECT_EQ(std::pair(b.GetPixel(x, 0), b.GetPixel(x, 2)),
              std::pair(end ? clWhite : on ? clRed : clBlue, end ? clWhite : on ? clRed : clWhite))
        << "x = " << x;
  }
  c.Polyline({{0, 1}, {1, 1}});  // one dotted step: its start
  EXPECT_EQ(std::pair(b.GetPixel(0, 1), b.GetPixel(1, 1)), std::pair(clRed, clWhite));
  for (auto [style, row] : {std::pair{psDash, "##################......#####."},
                            {psDashDot, "#########......###......#####."},
                            {psDashDotDot, "#########...###...###...#####."}})
    EXPECT_EQ(Painted(30, 1, [style](Canvas& c) { c.Pen.Style = style, Line(Point(0, 0), Point(29, 0))(c); }),
              std::string(row) + "\n");
  c.Pen = {clWhite, 1, psSolid, pmXor};
  for (TColor after : {clBlack, clWhite}) {
    c.Polyline({{0, 3}, {14, 3}});
    EXPECT_EQ(b.GetPixel(4, 3), after);
  }
}

TEST(CanvasShapes, CoverLeftToRightMinusOneAndTopToBottomMinusOne) {
  struct Case {
    std::function<void(Canvas&)> draw;
    TRect ink;
    TPoint at;  // a pixel and its colour
    TColor color;
  };
  const std::vector<Case> cases{
      {[](Canvas& c) { c.Rectangle(1, 1, 6, 5); }, Rect(1, 1, 6, 5), {3, 2}, clBlue},
      {[](Canvas& c) { c.Rectangle(6, 5, 1, 1); }, Rect(1, 1, 6, 5), {5, 4}, clRed},  // corners in any order
      {[](Canvas& c) { c.Pen.Style = psClear, c.Rectangle(1, 1, 6, 5); }, Rect(1, 1, 5, 4), {1, 1}, clBlue},
      {[](Canvas& c) { c.Pen.Width = 3, c.Pen.Style = psInsideFrame, c.Rectangle(1, 1, 11, 9); }, Rect(1, 1, 11, 9),
       {5, 4}, clBlue},
      {[](Canvas& c) { c.FillRect(Rect(2, 1, 5, 4)); }, Rect(2, 1, 5, 4), {2, 1}, clBlue},
      {[](Canvas& c) { c.FillRect(Rect(8, 8, 6, 6)); }, TRect{}, {7, 7}, clWhite},
      {[](Canvas& c) { c.Brush.Style = bsClear, c.FillRect(Rect(0, 0, 9, 9)); }, TRect{}, {0, 0}, clWhite},
      {[](Canvas& c) { c.FrameRect(Rect(5, 4, 9, 8)); }, Rect(5, 4, 9, 8), {6, 5}, clWhite},  // hollow
      {[](Canvas& c) { c.Ellipse(11, 9, 1, 1); }, Rect(1, 1, 11, 9), {1, 1}, clWhite},
      {[](Canvas& c) { c.RoundRect(14, 10, 2, 2, 6, 6); }, Rect(2, 2, 14, 10), {13, 9}, clWhite},
      {[](Canvas& c) { c.RoundRect(2, 2, 14, 10, 6, 6); }, Rect(2, 2, 14, 10), {8, 6}, clBlue},
      {[](Canvas& c) { c.Polygon({{1, 1}, {9, 1}, {1, 9}}); }, Rect(1, 1, 10, 10), {3, 3}, clBlue},
      {[](Canvas& c) { c.DrawFocusRect(Rect(1, 1, 7, 5)), c.DrawFocusRect(Rect(1, 1, 7, 5)); }, TRect{}, {1, 1},
       clWhite},  // undoes itself
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    Bitmap b = White(16, 12);
    Canvas& c = b.GetCanvas();
    c.Pen.Color = clRed;
    c.Brush.Color = clBlue;
    cases[i].draw(c);
    EXPECT_EQ(InkBox(b, clWhite), cases[i].ink) << "case " << i << "\n" << Ascii(b, clWhite);
    EXPECT_EQ(b.GetPixel(cases[i].at.X, cases[i].at.Y), cases[i].color) << "case " << i;
  }
  EXPECT_EQ(Painted(8, 6, [](Canvas& c) { c.DrawFocusRect(Rect(1, 1, 7, 5)); }),
            "........\n.#.#.#..\n......#.\n.#......\n..#.#.#.\n........\n");
}

TEST(CanvasShapes, DrawEdgeUsesTheSystemColoursAndAdjusts) {
  // Edge, flags, then the colours at (3, 0), (3, 1), (4, 4), (3, 7) and
  // (9, 3): outer and inner ring at the top, the middle, outer ring at the
  // bottom and at the right.
  const std::vector<std::tuple<unsigned, unsigned, std::array<TColor, 5>>> cases{
      {EDGE_RAISED, BF_RECT | BF_MIDDLE, {cl3DLight, clBtnHighlight, clBtnFace, cl3DDkShadow, cl3DDkShadow}},
      {EDGE_SUNKEN, BF_TOP | BF_LEFT, {clBtnShadow, cl3DDkShadow, clWhite, clWhite, clWhite}},
      {EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_MONO, {clWindowFrame, clWindow, clWindow, clWindowFrame, clWindowFrame}},
      {EDGE_SUNKEN, BF_RECT | BF_MIDDLE | BF_FLAT, {clBtnShadow, clBtnFace, clBtnFace, clBtnShadow, clBtnShadow}},
      {EDGE_RAISED, BF_RECT | BF_ADJUST, {cl3DLight, clBtnHighlight, clWhite, cl3DDkShadow, cl3DDkShadow}}};
  for (auto& [edge, flags, colours] : cases) {
    Bitmap b = White(10, 8);
    TRect r = Rect(0, 0, 10, 8);
    b.GetCanvas().DrawEdge(r, edge, flags);
    const TPoint at[] = {{3, 0}, {3, 1}, {4, 4}, {3, 7}, {9, 3}};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(b.GetPixel(at[i].X, at[i].Y), ColorToRGB(colours[i])) << flags << " " << i;
    EXPECT_EQ(r, flags & BF_ADJUST ? Rect(2, 2, 8, 6) : Rect(0, 0, 10, 8));
    EXPECT_TRUE(!(flags & BF_ADJUST) || b.GetPixel(8, 3) == ColorToRGB(clBtnShadow));
  }
}

TEST(CanvasState, ClipRegionsAreInDevicePixelsAndStayPutWhenTheOriginMoves) {
  Bitmap b = White(12, 8);
  Canvas& c = b.GetCanvas();
  c.Brush.Color = clBlack;
  c.SetViewportOrg(1, 0);
  c.IntersectClipRect(Rect(1, 0, 9, 4));  // device 2..10
  c.ExcludeClipRect(Rect(4, 0, 6, 4));   // device 5..7
  c.SetViewportOrg(0, 0);
  c.FillRect(Rect(0, 0, 12, 8));
  c.SetPixel(1, 1, clBlack);
  EXPECT_EQ(Ascii(b, clWhite).substr(0, 26), "..###..###..\n..###..###..\n");
  EXPECT_TRUE(c.GetClipBox() == Rect(2, 0, 10, 4) && c.RectVisible(Rect(0, 0, 3, 1)) &&
              !c.RectVisible(Rect(5, 0, 7, 1)));
  c.SaveDC();
  c.IntersectClipRect(Rect(20, 0, 30, 4));  // nothing left
  EXPECT_TRUE(c.GetClipBox() == Rect(0, 0, 0, 0) && !c.RectVisible(Rect(0, 0, 12, 8)));
  c.RestoreDC(-1);
  c.SetWindowOrg(1, 1);  // device = logical - window origin
  EXPECT_EQ(c.GetClipBox(), Rect(3, 1, 11, 5)) << "the clip box is logical";
  c.SelectClipRgn(std::nullopt);
  EXPECT_FALSE(c.ClipRegion());
  for (auto [dx, ink] : {std::pair{0, Rect(1, 1, 3, 2)}, {5, Rect(6, 1, 8, 2)}}) {
    c.MoveWindowOrg(dx, 0);  // what follows moves right by dx
    b.Fill(qRgb(255, 255, 255));
    c.FillRect(Rect(2, 2, 4, 3));
    EXPECT_EQ(InkBox(b, clWhite), ink);
  }
  EXPECT_EQ(c.GetWindowOrg(), Point(-4, 1));
  EXPECT_EQ(c.GetPixel(2, 2), clBlack);
}

TEST(CanvasState, RestoreDCBringsBackClipOriginModesAndObjects) {
  Bitmap b = White(8, 8);
  Canvas& c = b.GetCanvas();
  c.Brush.Color = clBlack;
  const int saved = c.SaveDC();
  c.IntersectClipRect(Rect(0, 0, 2, 2));
  c.SetViewportOrg(1, 1);
  c.SetStretchBltMode(HALFTONE);
  c.MoveTo(3, 3);
  c.Brush.Color = clRed;
  const int second = c.SaveDC();
  c.Brush.Color = clBlue;
  c.SetBkMode(TRANSPARENT);
  c.SaveDC();
  c.Brush.Color = clGreen;
  for (auto [level, brush, mode] : {std::tuple{-1, clBlue, TRANSPARENT}, {second, clRed, OPAQUE}}) {
    EXPECT_TRUE(c.RestoreDC(level));
    EXPECT_EQ(std::pair(c.Brush.Color, c.GetBkMode()), std::pair(brush, mode));
  }
  EXPECT_FALSE(c.RestoreDC(-2)) << "only one level is left";
  EXPECT_TRUE(c.RestoreDC(saved));
  EXPECT_EQ(std::tuple(c.Brush.Color, c.GetViewportOrg(), c.PenPos(), c.GetStretchBltMode()),
            std::tuple(clBlack, Point(0, 0), Point(0, 0), COLORONCOLOR));
  EXPECT_FALSE(c.RestoreDC(saved)) << "a state is restored once";
  c.FillRect(Rect(0, 0, 8, 8));
  EXPECT_EQ(ColorBox(b, clBlack), Rect(0, 0, 8, 8));
  // A new brush makes the background opaque in its colour, a new font
  // colour is the text colour.
  c.Brush.Color = clYellow;
  c.SetBkMode(TRANSPARENT);
  c.SetBkColor(clLime);
  EXPECT_EQ(std::pair(c.GetBkMode(), c.GetBkColor()), std::pair(TRANSPARENT, clLime));
  c.Brush.Color = clRed;
  EXPECT_EQ(std::pair(c.GetBkMode(), c.GetBkColor()), std::pair(OPAQUE, clRed));
  c.Brush.Style = bsClear;
  EXPECT_EQ(c.GetBkMode(), TRANSPARENT);
  c.Font.Color = clPurple;
  EXPECT_EQ(c.GetTextColor(), clPurple);
}

TEST(CanvasText, TextOutFillsItsCellAtTheTopLeftAndMovesThePen) {
  Bitmap b = White(120, 40), t = White(120, 40);
  Canvas &c = b.GetCanvas(), &tc = t.GetCanvas();
  c.Brush.Color = clYellow;
  c.Font.Color = clBlack;
  c.TextOut(10, 7, QStringLiteral("Hg 12"));
  const int w = c.TextWidth(QStringLiteral("Hg 12")), h = c.TextHeight(QStringLiteral("Hg 12"));
  EXPECT_EQ(h, c.FontMetrics().ascent() + c.FontMetrics().descent());
  EXPECT_EQ(InkBox(b, clWhite), Bounds(10, 7, w, h)) << "the opaque cell and nothing else";
  EXPECT_EQ(c.PenPos(), Point(10 + w, 7));
  // Transparent text stays inside its cell, below the top of the cell.
  tc.Brush.Style = bsClear;
  tc.TextOut(10, 7, QStringLiteral("Hg"));
  const TRect ink = InkBox(t, clWhite);
  EXPECT_EQ(IntersectRect(ink, Bounds(10, 7, tc.TextWidth(QStringLiteral("Hg")), h)), ink) << ink;
  EXPECT_GE(ink.Top, 8);
  // TextRect clips to its rectangle and fills it in opaque mode.
  c.TextRect(Rect(70, 25, 80, 35), 60, 25, QStringLiteral("WWWW"));
  EXPECT_EQ(InkBox(b, clWhite, Rect(55, 23, 120, 40)), Rect(70, 25, 80, 35));
}

// 900 reads upwards, the cell to the right of the anchor; 2700 reads
// downwards, the cell to its left.
TEST(CanvasText, OrientationTurnsTheCellAroundItsAnchor) {
  const QString text = QStringLiteral("ABCDEFG");
  for (int orientation : {900, 2700}) {
    Bitmap b = White(160, 160);
    Canvas& c = b.GetCanvas();
    c.Brush.Color = clYellow;
    c.Font.Orientation = orientation;
    const int w = c.TextWidth(text), h = c.TextHeight(text);
    c.TextOut(80, 80, text);
    const TRect cell = InkBox(b, clWhite);
    const TRect want = orientation == 900 ? Rect(80, 80 - w, 80 + h, 80) : Rect(80 - h, 80, 80, 80 + w);
    EXPECT_LE(std::max({std::abs(cell.Left - want.Left), std::abs(cell.Top - want.Top),
                        std::abs(cell.Right - want.Right), std::abs(cell.Bottom - want.Bottom)}), 1)
        << orientation << ": " << cell;
  }
}

TEST(CanvasText, FontHeightsAndSizes) {
  TFont f;
  f.SetSize(9);
  EXPECT_EQ(std::pair(f.Height, f.Size()), std::pair(-12, 9));
  Bitmap b(4, 4);
  Canvas& c = b.GetCanvas();
  c.Font.Height = 200;  // a cell height
  EXPECT_NEAR(c.TextHeight(QStringLiteral("A")), 200, 1);
  c.Font.Height = -20;  // a character height: the cell is taller
  EXPECT_GT(c.TextHeight(QStringLiteral("A")), 20);
  c.Font.Height = 0;  // the default height
  EXPECT_EQ(c.FontMetrics().ascent() + c.FontMetrics().descent(), c.TextHeight(QString()));
  EXPECT_EQ(ToQFont(c.Font).pixelSize(), 12);
  c.Font.Style = fsBold | fsItalic | fsUnderline | fsStrikeOut;
  const QFont q = ToQFont(c.Font);
  EXPECT_TRUE(q.bold() && q.italic() && q.underline() && q.strikeOut());
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
  TRect Ink(TRect area = {}) { return InkBox(bitmap, clWhite, area); }
};

}  // namespace

TEST(CanvasDrawText, CalcRectMeasuresLinesWithoutDrawing) {
  TextCase t;
  const QString two = QStringLiteral("aaa bbb");
  const std::vector<std::tuple<QString, unsigned, int, QString, int>> cases{
      // text, flags, rectangle width, the widest line as drawn, lines
      {QStringLiteral("Hello"), DT_SINGLELINE, 190, QStringLiteral("Hello"), 1},
      {QStringLiteral("&File"), DT_SINGLELINE, 190, QStringLiteral("File"), 1},
      {QStringLiteral("&File"), DT_SINGLELINE | DT_NOPREFIX, 190, QStringLiteral("&File"), 1},
      {QStringLiteral("A&&B&"), DT_SINGLELINE, 190, QStringLiteral("A&B"), 1},
      {QStringLiteral("one\r\ntwo\nthree\rfour"), 0, 190, QStringLiteral("three"), 4},
      {QStringLiteral("one\r\ntwo"), DT_SINGLELINE, 190, QStringLiteral("onetwo"), 1},
      {QStringLiteral("aaa bbb ccc"), DT_WORDBREAK, t.W(two) + 2, two, 2},  // room for two words
      {QStringLiteral("aaa  bbb ccc"), DT_WORDBREAK, t.W(two) + 2, QStringLiteral("bbb ccc"), 2},
      {QStringLiteral("unbreakable word"), DT_WORDBREAK, 5, QStringLiteral("unbreakable"), 2},  // a long word widens
      {QStringLiteral("abc双色球"), DT_WORDBREAK, t.W(QStringLiteral("abc")) + 1, QStringLiteral("abc"), 4},  // CJK
      {QString(), DT_SINGLELINE, 190, QString(), 1},
      {QString(), 0, 190, QString(), 0},
  };
  for (auto& [text, flags, width, widest, lines] : cases) {
    TRect r = Bounds(5, 5, width, 70);
    EXPECT_EQ(t.canvas.DrawText(text, r, flags | DT_CALCRECT), lines * t.H()) << text.toStdString();
    EXPECT_EQ(r, Bounds(5, 5, t.W(widest), lines * t.H())) << text.toStdString();
  }
  const QString chinese = QStringLiteral("双色球号码缩水工具");
  TRect cjk = Bounds(0, 0, t.W(chinese) / 2, 200);
  EXPECT_GE(t.canvas.DrawText(chinese, cjk, DT_WORDBREAK | DT_CALCRECT), 2 * t.H()) << "wraps between characters";
  EXPECT_LE(cjk.Width(), t.W(chinese) / 2);
  EXPECT_EQ(t.Ink(), TRect{}) << "nothing drawn";
}

TEST(CanvasDrawText, AlignsInTheRectangleAndClipsToItUnlessNoClip) {
  const QString s = QStringLiteral("Mid");
  // Where the cell lands in Rect(10, 10, 110, 50), as 0, 1 or 2 halves of the room.
  for (auto [flags, dx, dy] : {std::tuple{DT_CENTER | DT_VCENTER | DT_SINGLELINE, 1, 1},
                               {DT_RIGHT | DT_BOTTOM | DT_SINGLELINE, 2, 2}, {DT_LEFT | DT_TOP, 0, 0},
                               {DT_CENTER | DT_VCENTER, 1, 0}}) {
    TextCase t;
    TRect r = Rect(10, 10, 110, 50);
    const int w = t.W(s), h = t.H(), x = 10 + dx * (100 - w) / 2, y = 10 + dy * (40 - h) / 2;
    EXPECT_EQ(t.canvas.DrawText(s, r, flags), y + h - 10) << flags << ": the offset of the text's bottom";
    EXPECT_EQ(t.Ink(), Bounds(x, y, w, h)) << flags;
  }
  const QString text = QStringLiteral("Overflowing text");
  for (bool clip : {true, false}) {
    TextCase t;
    TRect r = Rect(10, 10, 30, 40);
    t.canvas.DrawText(text, r, DT_SINGLELINE | (clip ? 0 : DT_NOCLIP));
    EXPECT_EQ(t.Ink().Right, clip ? 30 : 10 + t.W(text));
  }
  TextCase t;
  TRect tabs = Rect(100, 50, 200, 80), box = Rect(10, 10, 80, 30);
  t.canvas.DrawText(QStringLiteral("a\tb"), tabs, DT_EXPANDTABS | DT_SINGLELINE);
  EXPECT_EQ(t.Ink().Width(), t.canvas.FontMetrics().averageCharWidth() * 8 + t.W(QStringLiteral("b")));
  t.canvas.DrawText(QStringLiteral("A caption far too long for its box"), box,
                    DT_END_ELLIPSIS | DT_SINGLELINE | DT_NOCLIP);
  EXPECT_LE(t.Ink(Rect(0, 0, 100, 50)).Right, 80) << "an end ellipsis fits the rectangle";
  EXPECT_GT(t.Ink(Rect(0, 0, 100, 50)).Width(), 60);
}

TEST(CanvasDrawText, ThePrefixedCharacterIsUnderlinedOnWhicheverLineItIs) {
  TextCase t;
  const int wc = t.W(QStringLiteral("c")), wcd = wc + t.W(QStringLiteral("d"));
  const int fit = (60 - t.W(QStringLiteral("..."))) / wc;  // before an ellipsis
  const std::vector<std::tuple<QString, unsigned, int, int, int>> cases{
      // text, flags, line with the underline, its left and right (none: 0, 0)
      {QStringLiteral("c&d"), DT_SINGLELINE, 0, wc, wcd},
      {QStringLiteral("c&d"), DT_SINGLELINE | DT_HIDEPREFIX, 0, 0, 0},
      {QStringLiteral("&ab\nc&d"), 0, 1, wc, wcd},  // the last prefix counts
      {QStringLiteral("ab\nc&d"), 0, 1, wc, wcd},
      {QStringLiteral("ab&\ncd"), 0, 1, 0, 0},
      {QString(fit, QLatin1Char('c')) + QStringLiteral("&cccccc"), DT_SINGLELINE | DT_END_ELLIPSIS, 0, 0, 0},
  };
  for (auto& [text, flags, line, left, right] : cases) {
    // The ink below the baseline of each line (these letters have no
    // descenders): the underline alone.
    TextCase c;
    c.canvas.Brush.Style = bsClear;
    TRect box = Bounds(0, 0, flags & DT_END_ELLIPSIS ? 60 : 200, 80);
    c.canvas.DrawText(text, box, flags);
    TRect found[2];
    for (int l = 0; l < 2; ++l)
      found[l] = c.Ink(Rect(0, l * c.H() + c.canvas.FontMetrics().ascent() + 1, 200, (l + 1) * c.H()));
    EXPECT_EQ(found[1 - line], TRect{}) << text.toStdString();
    EXPECT_EQ(std::pair(found[line].Left, found[line].Right), std::pair(left, right)) << text.toStdString();
  }
}

// A line drawn again is drawn from the glyphs it was shaped into the time
// before: every pixel as a canvas that draws it once (through QPainter's
// own drawText) draws it, whatever the font, text, origin, clip, colour
// or flags, and after the font or colour changes in between.
TEST(CanvasDrawText, ALineDrawnAgainKeepsItsPixels) {
  struct Look {
    const char* name;
    int height;
    unsigned style;
  };
  const Look looks[] = {{"", -12, 0},      {"Sans", -9, fsBold},      {"Serif", -15, fsItalic},
                        {"", -20, fsBold}, {"", -12, fsUnderline},    {"Sans", -11, fsStrikeOut},
                        {"Sans", -70, 0}};  // glyphs too big for Qt's glyph cache: drawn as outlines
  const QString texts[] = {QStringLiteral("取消"),           QStringLiteral("OK"),
                           QStringLiteral("Cancel 取消 ab"), QStringLiteral("ffi fl AV Wa 1.5"),
                           QStringLiteral("שלום abc"),       QStringLiteral("a\tb 双色球"),
                           QStringLiteral("x\u200Dy"),        QStringLiteral("  ")};
  const unsigned flagSets[] = {DT_CENTER | DT_NOCLIP, DT_LEFT | DT_SINGLELINE | DT_VCENTER,
                               DT_RIGHT | DT_EXPANDTABS | DT_SINGLELINE, DT_CENTER | DT_RTLREADING,
                               DT_LEFT | DT_SINGLELINE};  // the last one clipped by a narrow box
  const auto draw = [](Canvas& c, const Look& look, TColor colour, const QString& text, unsigned flags, int shift) {
    c.Brush.Style = bsClear;
    if (*look.name) c.Font.Name = QString::fromLatin1(look.name);
    c.Font.Height = look.height;
    c.Font.Style = look.style;
    c.Font.Color = colour;
    c.SetViewportOrg(shift, shift / 2);
    TRect r = flags == (DT_LEFT | DT_SINGLELINE) ? Rect(3, 2, 40, 30) : Rect(3, 2, 150, 30);
    c.DrawText(text, r, flags);
  };
  const auto same = [](const Bitmap& a, const Bitmap& b) {
    for (int y = 0; y < a.Height(); ++y)
      for (int x = 0; x < a.Width(); ++x)
        if (a.GetArgb(x, y) != b.GetArgb(x, y)) return false;
    return true;
  };
  for (const Look& look : looks)
    for (const QString& text : texts)
      for (unsigned flags : flagSets)
        for (int shift : {0, 7}) {
          SCOPED_TRACE(std::string(look.name) + " " + std::to_string(look.height) + " style " +
                       std::to_string(look.style) + " '" + text.toStdString() + "' flags " + std::to_string(flags) +
                       " shift " + std::to_string(shift));
          Bitmap once = White(160, 34);
          draw(once.GetCanvas(), look, clNavy, text, flags, shift);
          Bitmap again = White(160, 34);
          Canvas& c = again.GetCanvas();
          const auto clear = [&c] {
            c.Brush.Color = clWhite;
            c.Brush.Style = bsSolid;
            c.SetViewportOrg(0, 0);
            c.FillRect(Rect(0, 0, 160, 34));
          };
          for (int k = 0; k < 3; ++k) {
            clear();
            draw(c, look, clNavy, text, flags, shift);
            ASSERT_TRUE(same(once, again)) << "draw " << k;
          }
          // Another colour, then another font, over the kept glyphs.
          Bitmap red = White(160, 34);
          draw(red.GetCanvas(), look, clRed, text, flags, shift);
          clear();
          draw(c, look, clRed, text, flags, shift);
          ASSERT_TRUE(same(red, again)) << "another colour";
          const Look bigger{look.name, look.height - 3, look.style};
          Bitmap big = White(160, 34);
          draw(big.GetCanvas(), bigger, clRed, text, flags, shift);
          clear();
          draw(c, bigger, clRed, text, flags, shift);
          ASSERT_TRUE(same(big, again)) << "another font";
        }
}

// ---- bitmaps on canvases ----

TEST(CanvasBitmaps, DrawLeavesOutTheKeyColourOfATransparentBitmapAndStretches) {
  Bitmap sprite = White(4, 1), b(8, 4);
  sprite.SetPixel(1, 0, clFuchsia);
  sprite.SetPixel(2, 0, clRed);
  sprite.SetPixel(3, 0, clFuchsia);  // the bottom-left pixel is white
  Canvas& c = b.GetCanvas();
  sprite.Transparent = true;
  c.Draw(1, 1, sprite);
  EXPECT_EQ(ColorBox(b, clFuchsia), Rect(2, 1, 5, 2)) << "white is the key colour now";
  sprite.SetTransparentColor(clFuchsia);
  c.Draw(1, 2, sprite);
  EXPECT_EQ(Ascii(b, clBlack).substr(18, 9), ".#.#....\n");
  sprite.Transparent = false;
  c.StretchDraw(Rect(0, 3, 8, 4), sprite);
  EXPECT_EQ(ColorBox(b, clRed), Rect(3, 1, 6, 4));
  c.IntersectClipRect(Rect(0, 0, 3, 1));
  c.CopyRect(Rect(0, 0, 4, 1), sprite, Rect(0, 0, 4, 1));
  EXPECT_EQ(Ascii(b, clBlack).substr(0, 9), "###.....\n") << "clipped";
}

TEST(CanvasBitmaps, PaintsInsideAWidgetPaintEventAndThroughAnActivePainter) {
  struct Painted : QWidget {
    Bitmap back = White(30, 20);
    void paintEvent(QPaintEvent*) override {
      Canvas c(this);
      c.Draw(0, 0, back);
      c.Brush.Color = clBlue;
      c.SetViewportOrg(10, 5);
      c.FillRect(Rect(0, 0, 4, 3));
      EXPECT_EQ(c.GetPixel(1, 1), CLR_INVALID) << "a widget cannot be read back";
      EXPECT_EQ(std::pair(c.DeviceWidth(), c.DeviceHeight()), std::pair(30, 20));
    }
  } widget;
  widget.back.GetCanvas().Brush.Color = clRed;
  widget.back.GetCanvas().FillRect(Rect(0, 0, 5, 5));
  widget.resize(30, 20);
  Bitmap shot = Bitmap::FromQImage(widget.grab().toImage());
  EXPECT_EQ(std::pair(ColorBox(shot, clRed), ColorBox(shot, clBlue)), std::pair(Rect(0, 0, 5, 5), Rect(10, 5, 14, 8)));
  Bitmap b = White(10, 10);
  QPainter painter(b.PaintDevice());
  painter.setPen(Qt::green);
  {
    Canvas c(painter);
    c.SetViewportOrg(2, 2);
    c.Brush.Color = clRed;
    c.FillRect(Rect(0, 0, 2, 2));
  }
  EXPECT_EQ(painter.pen().color(), QColor(Qt::green)) << "the painter's state is restored";
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
    c.FillRect(Rect(1, 1, 8, 2));
    c.FillRect(Rect(1, 2, 8, 3));  // a second call paints as well (one bit: through a grey copy)
    c.SetPixel(0, 3, clWhite);
    c.Pen.Color = clWhite;
    c.Rectangle(7, 0, 9, 2);
    c.Rectangle(8, 3, 9, 4);  // one pixel
    c.Rectangle(3, 3, 6, 4);  // one row
    EXPECT_EQ(InkBox(b, clBlack), Rect(0, 0, 9, 4)) << "format " << f;
    EXPECT_EQ(std::pair(b.GetArgb(4, 2), c.GetPixel(0, 3)), std::pair(qRgba(255, 255, 255, 255), clWhite)) << f;
    EXPECT_EQ((std::array{c.GetPixel(8, 3), c.GetPixel(3, 3), c.GetPixel(5, 3), c.GetPixel(6, 3)}),
              (std::array{clWhite, clWhite, clWhite, clBlack})) << f;
  }
}

TEST(CanvasBitmaps, ResizingTheBitmapKeepsEveryCanvasOnItUsable) {
  Bitmap b = White(4, 4);
  Canvas& c = b.GetCanvas();
  c.Brush.Color = clRed;
  c.IntersectClipRect(Rect(0, 0, 1, 1));
  c.FillRect(Rect(0, 0, 4, 4));
  b.SetSize(20, 10);  // painting ends; clip and origin go with the old surface
  c.FillRect(Rect(10, 5, 20, 10));
  EXPECT_EQ(ColorBox(b, clRed), Rect(0, 0, 20, 10));
  EXPECT_EQ(b.GetPixel(1, 1), clWhite) << "new and unpainted pixels are white";
  Canvas other(b);
  other.Brush.Color = clBlue;
  other.Ellipse(0, 0, 6, 6);  // painted through QPainter
  b.SetSize(30, 30);          // the pixels move
  other.Ellipse(10, 10, 30, 30);
  EXPECT_EQ(b.GetPixel(20, 20), clBlue);
  c.Ellipse(0, 0, 9, 9);
  EXPECT_EQ(b.GetPixel(4, 4), clRed) << "the bitmap's own canvas paints after the other";
  other.Ellipse(10, 10, 20, 20);
  EXPECT_EQ(b.GetPixel(15, 15), clBlue) << "and the other after the own";
}

// A bitmap canvas writes solid shapes into the pixels itself; any other
// device goes through QPainter. Both must give the same pixels.
TEST(CanvasBitmaps, QPainterAndDirectPixelPathsPaintAlike) {
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
    for (auto [x, y] : {std::pair{14, 8}, {28, 8}, {28, 16}, {16, 16}, {24, 10}}) c.LineTo(x, y);
    c.Polyline({{1, 15}, {12, 9}, {4, 17}, {5, 17}});
    c.DrawFocusRect(Rect(3, 3, 12, 8));
    c.SetPixel(20, 1, clRed);  // in the excluded band
    c.SetPixel(9, 1, clRed);
    Bitmap sprite(3, 2, pf32bit);
    sprite.Fill(qRgba(255, 0, 255, 255));
    sprite.SetArgb(1, 0, qRgba(0, 200, 0, 0));  // drawn opaque: alpha is not looked at
    c.Draw(2, 14, sprite);
    c.StretchDraw(Rect(6, 14, 12, 18), sprite);
    sprite.Transparent = true;
    c.Draw(23, 2, sprite);
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
  EXPECT_EQ(direct.ToQImage(), image) << "and the same colours";
}

// A part of a bitmap copied onto another device lands where asked, also
// stretched (each source pixel twice as wide and high).
TEST(CanvasTest, CopyRectOfAPartOntoAnotherDevice) {
  Bitmap source(4, 3, pf24bit);
  const auto colour = [](int x, int y) { return TColor(0x102030 + 0x200000 * x + 0x2000 * y); };
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) source.SetPixel(x, y, colour(x, y));
  QImage image(10, 5, QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    Canvas c(&image);
    c.CopyRect(Rect(1, 1, 3, 3), source, Rect(2, 1, 4, 3));
    c.CopyRect(Rect(5, 0, 9, 4), source, Rect(2, 0, 4, 2));
  }
  const auto at = [&](int x, int y) { return image.pixel(x, y) & 0xFFFFFF; };
  const auto want = [&](int x, int y) { return ToQColor(colour(x, y)).rgb() & 0xFFFFFF; };
  EXPECT_EQ(at(1, 1), want(2, 1));
  EXPECT_EQ(at(2, 2), want(3, 2));
  EXPECT_EQ(at(0, 0), 0xFFFFFFu);
  EXPECT_EQ(at(3, 1), 0xFFFFFFu);
  EXPECT_EQ(at(5, 0), want(2, 0));
  EXPECT_EQ(at(8, 3), want(3, 1));
  EXPECT_EQ(at(9, 4), 0xFFFFFFu);
}
