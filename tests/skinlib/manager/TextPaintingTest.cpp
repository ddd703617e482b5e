// Captions in a section's colours, glyph and caption layout, button glyph
// frames and the dotted frame, on the caption skin of the generator.
#include "ManagerFixture.h"
#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Properties.h"
#include "platform/Startup.h"
#include "platform/WindowProc.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/TextPainting.h"

#include <QWidget>

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>
#include <utility>

using namespace platform;

namespace {

constexpr QRgb kPaper = qRgb(250, 250, 250);

Bitmap Paper(int w = 120, int h = 40) {
  Bitmap b(w, h, pf24bit);
  b.Fill(kPaper);
  return b;
}

QRgb Rgb(TColor c) { return qRgb(GetRValue(c), GetGValue(c), GetBValue(c)); }

// How many pixels of exactly this colour the bitmap holds.
int CountColor(const Bitmap& b, QRgb c) {
  int n = 0;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x)
      if ((b.GetArgb(x, y) & 0xFFFFFF) == (c & 0xFFFFFF)) ++n;
  return n;
}

// Pixels that are not paper outside `keep`.
int ChangedOutside(const Bitmap& b, const TRect& keep) {
  int n = 0;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x)
      if (!keep.Contains(x, y) && b.GetArgb(x, y) != kPaper) ++n;
  return n;
}

bool SamePixels(const Bitmap& a, const Bitmap& b) { return a.ConstImage() == b.ConstImage(); }

// A large bold font, so that whole pixels of each colour show.
void BigFont(Canvas& c) {
  c.Font.Height = -24;
  c.Font.Style = fsBold;
}

// The smallest rectangle around the pixels that are not paper.
TRect InkBox(const Bitmap& b) {
  TRect box{b.Width(), b.Height(), 0, 0};
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x)
      if (b.GetArgb(x, y) != kPaper) box = {std::min(box.Left, x), std::min(box.Top, y), std::max(box.Right, x + 1),
                                            std::max(box.Bottom, y + 1)};
  return box;
}

// "HIM" drawn once into `r` in `color` with the big font.
Bitmap MainOnly(const TRect& r, TColor color) {
  Bitmap b = Paper();
  Canvas& c = b.GetCanvas();
  BigFont(c);
  c.Brush.Style = bsClear;
  c.Font.Color = color;
  TRect rr = r;
  c.DrawText(QStringLiteral("HIM"), rr, 0);
  return b;
}

class CaptionTest : public ManagerTest {
 protected:
  void SetUp() override {
    ManagerTest::SetUp();
    StartUnit("LibraryConstants");
    WriteFolder(testskins::CaptionSkin(), QStringLiteral("Captions"));
    sm = Manager(QStringLiteral("Captions"));
    ASSERT_TRUE(sm->SkinData && sm->SkinData->Active);
    ASSERT_EQ(FirstSkinManager, sm.get());
  }
  void TearDown() override {
    sm.reset();
    FinishUnit("LibraryConstants");
    ManagerTest::TearDown();
  }
  int Index(const char* section) const { return sm->IndexOfSection(QString::fromLatin1(section)); }

  std::unique_ptr<TsSkinManager> sm;
};

// ------------------------------------------------------------ CutTextToWidth

TEST(CutTextToWidthTest, KeepsTheLongestPrefixThatFitsWithDots) {
  Bitmap b = Paper();
  Canvas& c = b.GetCanvas();
  const int two = c.TextWidth(QStringLiteral("Ab...")), three = c.TextWidth(QStringLiteral("Abc..."));
  ASSERT_LT(two, three);
  const int dots = c.TextWidth(QStringLiteral("..."));
  const int whole = c.TextWidth(QStringLiteral("Abcde"));
  struct Case {
    int Width;
    QString Expected;
  } cases[] = {
      {two, QStringLiteral("Ab...")},
      {three - 1, QStringLiteral("Ab...")},
      {three, QStringLiteral("Abc...")},
      {whole, QStringLiteral("Abcde")},  // fits: no dots
      {whole + 50, QStringLiteral("Abcde")},
      {dots, QString()},  // not even "A..." fits
      {dots - 1, QString()},
      {0, QString()},
      {-5, QString()},
  };
  for (const Case& k : cases) {
    QString result = QStringLiteral("stale");
    CutTextToWidth(c, QStringLiteral("Abcde"), k.Width, result);
    EXPECT_EQ(result, k.Expected) << k.Width;
  }
  QString empty = QStringLiteral("x");
  CutTextToWidth(c, QString(), 100, empty);
  EXPECT_TRUE(empty.isEmpty());
}

TEST(CutTextToWidthTest, NeverSplitsASurrogatePair) {
  Bitmap b = Paper();
  Canvas& c = b.GetCanvas();
  const QString wide = QString::fromUcs4(U"\U00020000\U00020001\U00020002\U00020003");
  const QString first = wide.left(2);
  QString result;
  CutTextToWidth(c, wide, c.TextWidth(first + QStringLiteral("...")), result);
  ASSERT_FALSE(result.isEmpty());
  EXPECT_TRUE(result.endsWith(QStringLiteral("...")));
  const QString kept = result.chopped(3);
  EXPECT_EQ(kept.size() % 2, 0) << "a lone half of a pair was kept";
  EXPECT_TRUE(wide.startsWith(kept));
  // Where not even the first character fits, none of it is kept.
  CutTextToWidth(c, wide, c.TextWidth(QStringLiteral("...")), result);
  EXPECT_TRUE(result.isEmpty()) << result.size();
}

// ------------------------------------------------------------ section text

TEST_F(CaptionTest, FourContoursAreDrawnAroundTheMainColourInTheirOrder) {
  const TRect r{10, 6, 110, 36};
  const TsGeneralData& s = sm->GeneralData[size_t(Index("CAPTION"))];
  for (bool hot : {false, true}) {
    Bitmap got = Paper();
    BigFont(got.GetCanvas());
    TRect rr = r;
    EXPECT_EQ(DrawSectionText(got.GetCanvas(), QStringLiteral("HIM"), true, rr, hot, Index("CAPTION"),
                              DT_SINGLELINE, nullptr),
              0);
    // The same text drawn by hand: left, top, right, bottom, main.
    Bitmap want = Paper();
    Canvas& c = want.GetCanvas();
    BigFont(c);
    c.Brush.Style = bsClear;
    const TsFontColors& colors = hot ? s.HotFontColor : s.FontColor;
    const TPoint moves[] = {{-1, 0}, {0, -1}, {1, 0}, {0, 1}, {0, 0}};
    const size_t entries[] = {1, 2, 3, 4, 0};
    for (int i = 0; i < 5; ++i) {
      c.Font.Color = colors[entries[i]];
      TRect m = OffsetRect(r, moves[i].X, moves[i].Y);
      c.DrawText(QStringLiteral("HIM"), m, DT_SINGLELINE);
    }
    EXPECT_TRUE(SamePixels(got, want)) << "hot " << hot;
    // The main colour and the top and bottom contours have whole pixels of
    // their own (the hinted tops and bottoms of the letters); the other
    // state's colours show nowhere.
    const TsFontColors& other = hot ? s.FontColor : s.HotFontColor;
    for (size_t i : {0, 2, 4}) EXPECT_GT(CountColor(got, Rgb(colors[i])), 0) << "hot " << hot << " entry " << i;
    for (size_t i = 0; i < 5; ++i) EXPECT_EQ(CountColor(got, Rgb(other[i])), 0) << "hot " << hot << " entry " << i;
    // The ink reaches one pixel further on every side than the text alone.
    EXPECT_EQ(InkBox(got), InflateRect(InkBox(MainOnly(r, colors[0])), 1, 1)) << "hot " << hot;
  }
}

TEST_F(CaptionTest, AllContoursMinusOneDrawsOnceInTheMainColour) {
  const TRect r{10, 6, 110, 36};
  const TsGeneralData& s = sm->GeneralData[size_t(Index("PLAINCAPTION"))];
  ASSERT_EQ(s.FontColor[1], -1);
  Bitmap got = Paper();
  BigFont(got.GetCanvas());
  TRect rr = r;
  DrawSectionText(got.GetCanvas(), QStringLiteral("HIM"), true, rr, false, Index("PLAINCAPTION"), 0, sm.get());
  Bitmap once = Paper();
  Canvas& c = once.GetCanvas();
  BigFont(c);
  c.Brush.Style = bsClear;
  c.Font.Color = s.FontColor[0];
  TRect r1 = r;
  c.DrawText(QStringLiteral("HIM"), r1, 0);
  // Drawn twice, the soft edges of the letters would darken.
  EXPECT_TRUE(SamePixels(got, once));
  EXPECT_GT(CountColor(got, Rgb(s.FontColor[0])), 0);
}

TEST_F(CaptionTest, AShadowHasOnlyItsTwoSides) {
  Bitmap got = Paper();
  BigFont(got.GetCanvas());
  const TRect r{10, 6, 110, 36};
  TRect rr = r;
  DrawSectionText(got.GetCanvas(), QStringLiteral("HIM"), true, rr, false, Index("SHADOWED"), 0, nullptr);
  TRect expected = InkBox(MainOnly(r, 0xFFFFFF));
  expected.Right += 1;
  expected.Bottom += 1;
  EXPECT_EQ(InkBox(got), expected);
  EXPECT_GT(CountColor(got, qRgb(0x40, 0x40, 0x40)), 0);
}

TEST_F(CaptionTest, DisabledTextMixesPointFourOfTheFontColourWithTheSectionColour) {
  const TsGeneralData& s = sm->GeneralData[size_t(Index("CAPTION"))];
  // $0000C0 font and $30A050 section: red 0.4 x 192 + 0.6 x 80 = 124.8,
  // green 0.6 x 160 = 96, blue 0.6 x 48 = 28.8.
  ASSERT_EQ(s.FontColor[0], 0x0000C0);
  ASSERT_EQ(s.Color, 0x30A050);
  const QRgb mixed = qRgb(125, 96, 29);
  Bitmap b = Paper();
  BigFont(b.GetCanvas());
  TRect r{10, 6, 110, 36};
  DrawSectionText(b.GetCanvas(), QStringLiteral("HIM"), false, r, true, Index("CAPTION"), 0, nullptr);
  EXPECT_GT(CountColor(b, mixed), 20);
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(CountColor(b, Rgb(s.FontColor[i])), 0) << i;
    EXPECT_EQ(CountColor(b, Rgb(s.HotFontColor[i])), 0) << i;
  }
}

TEST_F(CaptionTest, NothingIsDrawnWithoutManagerSectionOrText) {
  const Bitmap blank = Paper();
  struct Case {
    const char* Name;
    QString Text;
    int Section;
    bool DropManagers;
  } cases[] = {
      {"empty text", QString(), Index("CAPTION"), false},
      {"section -1", QStringLiteral("HIM"), -1, false},
      {"section past the end", QStringLiteral("HIM"), int(sm->GeneralData.size()), false},
      {"no manager", QStringLiteral("HIM"), Index("CAPTION"), true},
  };
  for (const Case& k : cases) {
    Bitmap b = Paper();
    TRect r{0, 0, 120, 40};
    if (k.DropManagers) sm.reset();
    EXPECT_EQ(WriteSectionText(b.GetCanvas(), k.Text, true, r, false, k.Section, 0, nullptr), 0) << k.Name;
    EXPECT_TRUE(SamePixels(b, blank)) << k.Name;
  }
}

TEST_F(CaptionTest, CalcRectReportsTheTextBoundsThroughR) {
  Bitmap b = Paper();
  TRect r{5, 5, 5, 5};
  DrawSectionText(b.GetCanvas(), QStringLiteral("HIM"), true, r, false, Index("CAPTION"), DT_CALCRECT, nullptr);
  EXPECT_EQ(r.Width(), b.GetCanvas().TextWidth(QStringLiteral("HIM")));
  EXPECT_TRUE(SamePixels(b, Paper()));
}

// ------------------------------------------------------------ control text

// A parent that answers the skin command through its skin data, with a
// child control in it.
struct ControlScene {
  explicit ControlScene(const char* parentSection, const char* childSection, int kind = 0)
      : ParentData(&Parent), Child(new QWidget(&Parent)), ChildData(Child) {
    handle = InstallWindowProc(&Parent, [this](Message& m, const CallPrevious& previous) {
      if (!HandleSkinCommand(m, &ParentData)) previous(m);
    });
    ParentData.SetSkinSection(QString::fromLatin1(parentSection));
    ChildData.ControlKind = kind;
    ChildData.SetSkinSection(QString::fromLatin1(childSection));
    Parent.resize(200, 60);
    Child->setGeometry(10, 10, 150, 40);
    Parent.show();
  }
  ~ControlScene() { RemoveWindowProc(handle); }

  // The caption drawn through DrawControlText on fresh paper.
  Bitmap Draw(const QString& text, bool enabled, bool hot, unsigned flags = DT_SINGLELINE) {
    Bitmap b = Paper(150, 40);
    TRect r{4, 4, 146, 36};
    EXPECT_EQ(WriteControlText(b.GetCanvas(), text, enabled, hot, ChildData, flags, r, nullptr), 0);
    return b;
  }

  QWidget Parent;
  TsCommonData ParentData;
  QWidget* Child;
  TsCommonData ChildData;
  WindowProcHandle handle;
};

// The longest run of non-paper pixels in any row.
int LongestRun(const Bitmap& b) {
  int best = 0;
  for (int y = 0; y < b.Height(); ++y) {
    int run = 0;
    for (int x = 0; x < b.Width(); ++x) {
      run = (b.GetArgb(x, y) & 0xFFFFFF) == (kPaper & 0xFFFFFF) ? 0 : run + 1;
      best = std::max(best, run);
    }
  }
  return best;
}

TEST_F(CaptionTest, AHotWebButtonIsUnderlined) {
  // "iiiiiiii" has no horizontal strokes: only an underline makes a long
  // row of ink.
  const QString text = QStringLiteral("iiiiiiii");
  struct Case {
    const char* Section;
    bool Hot;
    bool Underlined;
  } cases[] = {{"WEBBUTTON", true, true}, {"WEBBUTTON", false, false}, {"BUTTON", true, false}};
  for (const Case& k : cases) {
    ControlScene scene("FONTPANEL", k.Section);
    scene.Child->setFont(ToQFont(TFont{}));
    Bitmap b = scene.Draw(text, true, k.Hot);
    Canvas probe(b);
    const int width = probe.TextWidth(text);
    if (k.Underlined)
      EXPECT_GE(LongestRun(b), width - 2) << k.Section << " hot " << k.Hot;
    else
      EXPECT_LT(LongestRun(b), width / 2) << k.Section << " hot " << k.Hot;
  }
}

TEST_F(CaptionTest, ControlTextTakesItsSectionsColoursAndStaysInsideR) {
  ControlScene scene("FONTPANEL", "CAPTION");
  scene.Child->setFont(ToQFont(TFont{QStringLiteral("DejaVu Sans"), -24, clWindowText, fsBold}));
  const TsGeneralData& s = sm->GeneralData[size_t(Index("CAPTION"))];
  for (bool hot : {false, true}) {
    Bitmap b = scene.Draw(QStringLiteral("HIM"), true, hot);
    const TsFontColors& colors = hot ? s.HotFontColor : s.FontColor;
    for (size_t i : {0, 2, 4}) EXPECT_GT(CountColor(b, Rgb(colors[i])), 0) << "hot " << hot << " " << i;
    // Clipped to R (4, 4, 146, 36) also for the contours.
    EXPECT_EQ(ChangedOutside(b, TRect{4, 4, 146, 36}), 0) << "hot " << hot;
  }
  // A custom font keeps its own colour and draws no contours.
  scene.ChildData.SetCustomFont(true);
  SetFontColor(scene.Child, 0x00A000);
  Bitmap custom = scene.Draw(QStringLiteral("HIM"), true, false);
  EXPECT_GT(CountColor(custom, Rgb(0x00A000)), 0);
  for (size_t i = 0; i < 5; ++i) EXPECT_EQ(CountColor(custom, Rgb(s.FontColor[i])), 0) << i;
}

TEST_F(CaptionTest, DisabledControlTextMixesWithTheGlobalColour) {
  ControlScene scene("FONTPANEL", "CAPTION");
  scene.Child->setFont(ToQFont(TFont{QStringLiteral("DejaVu Sans"), -24, clWindowText, fsBold}));
  // $0000C0 and GLOBALINFO's $C8D8E8: red 0.4 x 192 + 0.6 x 232 = 216,
  // green 0.6 x 216 = 129.6, blue 0.6 x 200 = 120.
  ASSERT_EQ(sm->GlobalSectionColor(), TColor(testskins::kCaptionGlobalColor));
  Bitmap b = scene.Draw(QStringLiteral("HIM"), false, false);
  EXPECT_GT(CountColor(b, qRgb(216, 130, 120)), 20);
  EXPECT_EQ(CountColor(b, Rgb(0x0000C0)), 0);
  // Without a section: the control's own font colour.
  scene.ChildData.SectionIndex = -1;
  SetFontColor(scene.Child, 0x00A000);
  Bitmap own = scene.Draw(QStringLiteral("HIM"), false, false);
  EXPECT_GT(CountColor(own, Rgb(0x00A000)), 0);
}

TEST_F(CaptionTest, SeeThroughCheckBoxesTakeTheParentsFontSection) {
  const TColor panelFont = sm->GeneralData[size_t(Index("FONTPANEL"))].FontColor[0];
  const TsGeneralData& own = sm->GeneralData[size_t(Index("SEETHROUGH"))];
  struct Case {
    const char* Name;
    int Kind;
    bool OwnFont;
    bool Hot;
    TColor Expected;
  } cases[] = {
      {"check box", 32, false, false, panelFont},
      {"radio button", 33, false, false, panelFont},
      {"group box", 74, false, false, panelFont},
      {"check box, hot: HotTransparency 0", 32, false, true, own.HotFontColor[0]},
      {"check box with a font of its own", 32, true, false, own.FontColor[0]},
      {"other kind", 0, false, false, own.FontColor[0]},
  };
  for (const Case& k : cases) {
    ControlScene scene("FONTPANEL", "SEETHROUGH", k.Kind);
    const QFont big = ToQFont(TFont{QStringLiteral("DejaVu Sans"), -24, clWindowText, fsBold});
    if (k.OwnFont)
      scene.Child->setFont(big);
    else
      scene.Parent.setFont(big);
    Bitmap b = scene.Draw(QStringLiteral("HIM"), true, k.Hot);
    EXPECT_GT(CountColor(b, Rgb(k.Expected)), 0) << k.Name;
    for (TColor other : {panelFont, own.FontColor[0], own.HotFontColor[0]}) {
      if (other != k.Expected) {
        EXPECT_EQ(CountColor(b, Rgb(other)), 0) << k.Name;
      }
    }
  }
}

// ------------------------------------------------------------ layout

TEST(GlyphTextLayoutTest, PlacesGlyphAndCaption) {
  const QSize glyph(16, 16), text(30, 12);
  const TRect wide{10, 20, 110, 60};  // 100 x 40
  const TRect tall{0, 0, 60, 80};
  using L = TacGlyphLayout;
  using A = TacCaptionAlignment;
  struct Case {
    const char* Name;
    TRect Client;
    QSize Glyph;
    unsigned Bidi;
    int Margin, Spacing;
    A Align;
    L Layout;
    TPoint GlyphPos;
    TRect Text;
  } cases[] = {
      {"centred pair, margin -1", wide, glyph, 0, -1, 4, A::Center, L::GlyphLeft, {35, 32}, {55, 34, 85, 46}},
      {"margin and spacing -1: thirds", wide, glyph, 0, -1, -1, A::Left, L::GlyphLeft, {28, 32}, {62, 34, 92, 46}},
      {"margin given, spacing -1", wide, glyph, 0, 5, -1, A::Left, L::GlyphLeft, {15, 32}, {55, 34, 85, 46}},
      {"margin -1 without centring is 2", wide, glyph, 0, -1, 4, A::Left, L::GlyphLeft, {12, 32}, {32, 34, 62, 46}},
      {"right aligned", wide, glyph, 0, 3, 4, A::Right, L::GlyphLeft, {57, 32}, {77, 34, 107, 46}},
      {"glyph right, left aligned", wide, glyph, 0, 3, 4, A::Left, L::GlyphRight, {47, 32}, {13, 34, 43, 46}},
      {"right-to-left swaps left for right", wide, glyph, DT_RIGHT, 3, 4, A::Left, L::GlyphLeft, {47, 32},
       {13, 34, 43, 46}},
      {"right-to-left swaps right for left", wide, glyph, DT_RIGHT | DT_RTLREADING, 3, 4, A::Left, L::GlyphRight,
       {13, 32}, {33, 34, 63, 46}},
      {"glyph right, right aligned", wide, glyph, 0, 3, 4, A::Right, L::GlyphRight, {91, 32}, {57, 34, 87, 46}},
      {"glyph right, centred", wide, glyph, 0, 0, 4, A::Center, L::GlyphRight, {69, 32}, {35, 34, 65, 46}},
      {"glyph on top, margin ignored", tall, glyph, 0, 7, 4, A::Left, L::GlyphTop, {22, 24}, {15, 44, 45, 56}},
      {"glyph at the bottom", tall, glyph, 0, 7, 4, A::Left, L::GlyphBottom, {22, 40}, {15, 24, 45, 36}},
      {"vertical thirds", tall, glyph, 0, -1, -1, A::Left, L::GlyphTop, {22, 17}, {15, 50, 45, 62}},
      {"right-to-left leaves vertical alone", tall, glyph, DT_RIGHT, 7, 4, A::Left, L::GlyphTop, {22, 24},
       {15, 44, 45, 56}},
      {"no glyph: no spacing", wide, QSize(0, 0), 0, -1, 4, A::Center, L::GlyphLeft, {45, 40}, {45, 34, 75, 46}},
      {"too small: divisions truncate", {0, 0, 20, 10}, glyph, 0, -1, -1, A::Left, L::GlyphLeft, {-8, -2},
       {0, 0, 30, 12}},
  };
  for (const Case& k : cases) {
    const TacGlyphTextLayout got =
        CalcGlyphTextLayout(k.Client, k.Glyph, k.Bidi, text, k.Margin, k.Spacing, k.Align, k.Layout);
    EXPECT_EQ(got.GlyphPos, k.GlyphPos) << k.Name << ": (" << got.GlyphPos.X << ", " << got.GlyphPos.Y << ")";
    EXPECT_EQ(got.TextBounds, k.Text) << k.Name << ": (" << got.TextBounds.Left << ", " << got.TextBounds.Top
                                      << ")";
    TRect bounds;
    TPoint pos;
    CalcGlyphTextLayout(k.Client, k.Glyph, k.Bidi, bounds, pos, text, k.Margin, k.Spacing, k.Align, k.Layout);
    EXPECT_EQ(bounds, got.TextBounds) << k.Name;
    EXPECT_EQ(pos, got.GlyphPos) << k.Name;
  }
}

// ------------------------------------------------------------ button glyphs

// A glyph of `frames` frames of 6 x 5, frame f filled with its own colour
// and its bottom-left pixel magenta (the key colour).
Bitmap GlyphStrip(int frames, TPixelFormat format = pf24bit) {
  Bitmap g(6 * frames, 5, format);
  for (int f = 0; f < frames; ++f)
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 6; ++x) g.SetArgb(6 * f + x, y, qRgb(20 + 50 * f, 200 - 40 * f, 60));
  for (int f = 0; f < frames; ++f) g.SetArgb(6 * f, 4, qRgb(255, 0, 255));
  return g;
}

// The frame whose colour lies at (point + (2, 2)), -1 for none.
int ShownFrame(const Bitmap& b, TPoint point) {
  const QRgb c = b.GetArgb(point.X + 2, point.Y + 2);
  for (int f = 0; f < 8; ++f)
    if (c == qRgb(20 + 50 * f, 200 - 40 * f, 60)) return f;
  return -1;
}

class GlyphFrameTest : public ::testing::Test {
 protected:
  void TearDown() override { SkipHotGlyphFrame = false; }
};

TEST_F(GlyphFrameTest, StateChoosesTheFrame) {
  using S = TacButtonState;
  struct Case {
    S State;
    unsigned Flags;
    bool Enabled;
    int Frames;
    bool SkipHot;
    int Expected;
  } cases[] = {
      {S::Normal, 0, true, 4, false, 0},  {S::Hot, 0, true, 4, false, 1},    {S::Pressed, 0, true, 4, false, 2},
      {S::Pressed, 1, true, 4, false, 3}, {S::Pressed, 2, true, 4, false, 1}, {S::Pressed, 0, true, 2, false, 1},
      {S::Hot, 0, false, 4, false, 0},    {S::Pressed, 0, false, 4, false, 0}, {S::Hot, 0, true, 4, true, 0},
      {S::Pressed, 0, true, 2, true, 0},  {S::Pressed, 0, true, 3, true, 2},  {S::Pressed, 5, true, 4, false, 1},
      {S::Hot, 0, true, 1, false, 0},     {S::Pressed, 0, true, 0, false, 0}, {S::Hot, 0, true, -3, false, 0},
  };
  for (const Case& k : cases) {
    SkipHotGlyphFrame = k.SkipHot;
    const std::string name = "state " + std::to_string(int(k.State)) + " flags " + std::to_string(k.Flags) +
                             (k.Enabled ? " enabled" : " disabled") + " frames " + std::to_string(k.Frames) +
                             (k.SkipHot ? " skip-hot" : "");
    EXPECT_EQ(ButtonGlyphFrame(k.State, k.Flags, k.Enabled, k.Frames), k.Expected) << name;
    if (k.Frames < 2) continue;
    Bitmap dst = Paper(40, 20);
    PaintButtonGlyph(GlyphStrip(k.Frames), dst, {3, 4}, 0, k.State, k.Flags, k.Enabled, k.Frames);
    EXPECT_EQ(ShownFrame(dst, {3, 4}), k.Expected) << name;
    // The whole frame, its top row and right column too.
    EXPECT_EQ(dst.GetArgb(3 + 1, 4), dst.GetArgb(3 + 2, 4 + 2)) << name;
    EXPECT_EQ(dst.GetArgb(3 + 5, 4 + 4), dst.GetArgb(3 + 2, 4 + 2)) << name;
    EXPECT_EQ(dst.GetArgb(3 + 6, 4 + 2), kPaper) << name;
    // The key colour of the frame's bottom-left pixel is left out.
    EXPECT_EQ(dst.GetArgb(3, 8), kPaper) << name;
    EXPECT_EQ(CountColor(dst, qRgb(255, 0, 255)), 0) << name;
  }
}

TEST_F(GlyphFrameTest, NoFrameCountIsOneFrame) {
  for (int frames : {0, -2, 1}) {
    Bitmap dst = Paper(40, 20);
    const Bitmap glyph = GlyphStrip(3);  // read as one 18-pixel frame
    PaintButtonGlyph(glyph, dst, {2, 3}, 0, TacButtonState::Hot, 0, true, frames);
    for (int x = 0; x < 18; ++x) {
      if (x % 6 == 0) continue;
      EXPECT_EQ(dst.GetArgb(2 + x, 3 + 2), glyph.GetArgb(x, 2)) << frames << " x " << x;
    }
  }
  // More frames than pixels: nothing to paint, nothing painted.
  Bitmap dst = Paper(40, 20);
  PaintButtonGlyph(GlyphStrip(1), dst, {2, 3}, 0, TacButtonState::Normal, 0, true, 7);
  EXPECT_TRUE(SamePixels(dst, Paper(40, 20)));
}

// Round(s - (s - d) * k), halves to even.
int Pulled(int s, int d, double k) { return int(std::nearbyint(s - (s - d) * k)); }

TEST_F(GlyphFrameTest, BlendAndDisabledLooks) {
  const QRgb bg = qRgb(100, 40, 220);
  const auto dstOf = [&] {
    Bitmap b(30, 20, pf24bit);
    b.Fill(bg);
    return b;
  };
  const QRgb f0 = qRgb(20, 200, 60), f1 = qRgb(70, 160, 60);
  const auto pulled = [&](QRgb s, double k) {
    return qRgb(Pulled(qRed(s), qRed(bg), k), Pulled(qGreen(s), qGreen(bg), k), Pulled(qBlue(s), qBlue(bg), k));
  };
  const auto grey = [](QRgb s) {
    const int g = (qRed(s) + qGreen(s) + qBlue(s)) / 3;
    return qRgb(g, g, g);
  };
  using S = TacButtonState;
  struct Case {
    const char* Name;
    int Frames;
    S State;
    bool Enabled;
    unsigned Flags;
    int Blend;
    QRgb Expected;
  } cases[] = {
      {"several frames, normal, blend 30", 3, S::Normal, true, 0, 30, pulled(f0, 0.3)},
      {"several frames, hot: no blend", 3, S::Hot, true, 0, 30, f1},
      {"several frames, disabled, blend 30", 3, S::Hot, false, 0, 30, pulled(f0, 0.3)},
      {"several frames, disabled, no blend", 3, S::Normal, false, 0, 0, f0},
      {"one frame, normal, blend 60", 1, S::Normal, true, 0, 60, pulled(f0, 0.6)},
      {"one frame, pressed: copied", 1, S::Pressed, true, 0, 60, f0},
      {"one frame, disabled: copied", 1, S::Normal, false, 0, 60, f0},
      {"one frame, disabled, grey", 1, S::Normal, false, kGlyphDisabledGray, 0, grey(f0)},
      {"one frame, disabled, half", 1, S::Normal, false, kGlyphDisabledBlend, 0, pulled(f0, 0.5)},
      {"one frame, disabled, grey at half", 1, S::Normal, false, kGlyphDisabledGray | kGlyphDisabledBlend, 0,
       pulled(grey(f0), 0.5)},
  };
  for (const Case& k : cases) {
    Bitmap dst = dstOf();
    PaintButtonGlyph(GlyphStrip(k.Frames), dst, {5, 6}, k.Blend, k.State, k.Flags, k.Enabled, k.Frames);
    EXPECT_EQ(dst.GetArgb(7, 8), k.Expected) << k.Name;
    // The key pixel (bottom-left) keeps what was there, also when greyed.
    EXPECT_EQ(dst.GetArgb(5, 10), bg) << k.Name;
  }
}

TEST_F(GlyphFrameTest, AGreyGlyphIsPaintedThroughItsColourCopy) {
  Bitmap glyph(4, 3, pf8bit);
  glyph.Fill(qRgb(90, 90, 90));
  glyph.SetPixel(0, 2, 0xFFFFFF);  // the key colour
  Bitmap dst = Paper(10, 10);
  PaintButtonGlyph(glyph, dst, {2, 2}, 0, TacButtonState::Normal, 0, true, 1);
  EXPECT_EQ(dst.GetArgb(3, 3), qRgb(90, 90, 90));
  EXPECT_EQ(dst.GetArgb(2, 4), kPaper);
}

TEST_F(GlyphFrameTest, PaintsInto32BitAndClipsAtTheEdges) {
  Bitmap dst(10, 10, pf32bit);
  dst.Fill(qRgba(1, 2, 3, 77));
  PaintButtonGlyph(GlyphStrip(2, pf32bit), dst, {7, -2}, 0, TacButtonState::Hot, 0, true, 2);
  EXPECT_EQ(dst.GetArgb(8, 0), qRgba(70, 160, 60, 255));  // frame 1, copied with alpha 255
  EXPECT_EQ(dst.GetArgb(6, 0), qRgba(1, 2, 3, 77));
}

// ------------------------------------------------------------ dotted frame

TEST(DottedFrameTest, SetsEveryThirdPixelBlackWithAWhiteOneUpLeft) {
  const QRgb grey = qRgb(128, 128, 128);
  Bitmap b(12, 8, pf24bit);
  b.Fill(grey);
  DrawDottedFrame(b.GetCanvas(), TRect{1, 1, 7, 4});
  const std::set<std::pair<int, int>> black = {{1, 1}, {4, 1}, {7, 1}, {1, 4}, {4, 4}, {7, 4}};
  const std::set<std::pair<int, int>> white = {{0, 0}, {3, 0}, {6, 0}, {0, 3}, {3, 3}, {6, 3}};
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) {
      const QRgb want = black.count({x, y}) ? qRgb(0, 0, 0) : white.count({x, y}) ? qRgb(255, 255, 255) : grey;
      EXPECT_EQ(b.GetArgb(x, y), want) << x << "," << y;
    }
}

TEST(DottedFrameTest, PixelsOutsideTheBitmapAreLeftOut) {
  Bitmap b(4, 4, pf24bit);
  b.Fill(qRgb(128, 128, 128));
  DrawDottedFrame(b.GetCanvas(), TRect{0, 0, 3, 3});
  EXPECT_EQ(b.GetArgb(0, 0), qRgb(0, 0, 0));
  EXPECT_EQ(b.GetArgb(3, 0), qRgb(0, 0, 0));
  EXPECT_EQ(b.GetArgb(2, 2), qRgb(255, 255, 255));  // (R.Right - 1, T + 3 - 1)
  EXPECT_EQ(b.GetArgb(3, 3), qRgb(0, 0, 0));
}

}  // namespace
