// The candle chart widget: what its paint puts into the back bitmap at a
// few computed pixels, the one blit to the screen, and its mouse handling.
#include "charts/StockChartCtl.h"

#include "platform_gui/Pixels.h"

#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using platform::TColor;

namespace {

constexpr TColor kBlack = 0x000000, kRed = 0x0000FF, kCyan = 0xFFFF00, kWhite = 0xFFFFFF,
                 kSilver = 0xC0C0C0, kBlue = 0xFF0000, kPurple = 0x800080;

// Candles 0 -> 1 -> 2 -> 0 -> 1 -> 2 -> 0: rising, rising, falling, twice.
TCandleAry SixCandles(const std::vector<TLottery>* draws = nullptr) {
  TCandleAry c;
  const float steps[6][2] = {{0, 1}, {1, 2}, {2, 0}, {0, 1}, {1, 2}, {2, 0}};
  for (int i = 0; i < 6; ++i)
    c.push_back({steps[i][0], steps[i][1], draws ? &(*draws)[size_t(i)] : nullptr});
  return c;
}

int CountColor(const platform::Bitmap& b, TColor color, const platform::TRect& area) {
  int n = 0;
  for (int y = area.Top; y < area.Bottom; ++y)
    for (int x = area.Left; x < area.Right; ++x) n += b.GetPixel(x, y) == color;
  return n;
}

// Pixels of text of one colour on black: smoothed edges keep the colour's
// hue at lower brightness (white text gives greys, red text dark reds);
// the faint ones are not counted.
int CountTint(const platform::Bitmap& b, TColor color, const platform::TRect& area) {
  auto scaled = [](TColor px, TColor c) {
    const int k = std::max({platform::GetRValue(px), platform::GetGValue(px), platform::GetBValue(px)});
    const int m = std::max({platform::GetRValue(c), platform::GetGValue(c), platform::GetBValue(c)});
    if (k < 128) return false;  // too faint to tell
    auto near = [&](int p, int q) { return std::abs(p * m - q * k) <= 40 * m; };
    return near(platform::GetRValue(px), platform::GetRValue(c)) && near(platform::GetGValue(px), platform::GetGValue(c)) &&
           near(platform::GetBValue(px), platform::GetBValue(c));
  };
  int n = 0;
  for (int y = area.Top; y < area.Bottom; ++y)
    for (int x = area.Left; x < area.Right; ++x) n += scaled(b.GetPixel(x, y), color);
  return n;
}

// The smallest rectangle around the pixels that are not black inside an area.
platform::TRect InkBoxIn(const platform::Bitmap& b, const platform::TRect& area) {
  platform::TRect r{area.Right, area.Bottom, area.Left, area.Top};
  for (int y = area.Top; y < area.Bottom; ++y)
    for (int x = area.Left; x < area.Right; ++x)
      if (b.GetPixel(x, y) != kBlack)
        r = {std::min(r.Left, x), std::min(r.Top, y), std::max(r.Right, x + 1), std::max(r.Bottom, y + 1)};
  return r;
}

class StockPaintTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TStockChartModel::BarWidth = 4;
    ChartParams() = TChartParams{};
    chart = std::make_unique<TStockChart>(&owner);
    // Candles only: the indicator side is tested on its own.
    M().SetIndicators(nullptr);
    M().SetWindowCount(0);
  }
  TStockChartModel& M() { return chart->Model(); }
  const platform::Bitmap& Paint() { return chart->RenderBack(); }
  void Drag(int x1, int y1, int x2, int y2) {
    M().MouseMove(x1, y1);
    M().MouseDown(x1, y1);
    M().MouseMove(x2, y2);
    M().MouseUp(x2, y2);
  }

  QWidget owner;
  std::unique_ptr<TStockChart> chart;  // 500 x 300
};

}  // namespace

TEST(StockChartTest, NeedsAnOwner) {
  try {
    TStockChart chart(nullptr);
    FAIL() << "made without an owner";
  } catch (const std::invalid_argument& e) {
    EXPECT_STREQ(e.what(), "The parent must be TWinControl.");
  }
}

TEST_F(StockPaintTest, FrameAndAxes) {
  const platform::Bitmap& b = Paint();
  ASSERT_EQ(b.Width(), 500);
  ASSERT_EQ(b.Height(), 300);
  EXPECT_EQ(b.GetPixel(40, 0), kRed) << "left axis from the top";
  EXPECT_EQ(b.GetPixel(40, 299), kRed) << "down to the bottom (the extra length)";
  EXPECT_EQ(b.GetPixel(41, 100), kBlack);
  EXPECT_EQ(b.GetPixel(489, 270), kRed) << "bottom axis";
  EXPECT_EQ(b.GetPixel(490, 270), kBlack) << "ends one pixel before the right margin";
  EXPECT_EQ(b.GetPixel(0, 299), kRed) << "line across the whole bottom row";
  EXPECT_EQ(b.GetPixel(300, 100), kBlack);
}

TEST_F(StockPaintTest, RisingCandlesAreRedOutlinesFallingOnesFilledCyan) {
  chart->SetData(TCondition{}, SixCandles(), 0);
  const platform::Bitmap& b = Paint();
  // Candle 5 (2 -> 0) fills x 484..487, rows 20..268; candle 4 (1 -> 2)
  // is the outline x 478..481, rows 20..144.
  EXPECT_EQ(b.GetPixel(484, 20), kCyan);
  EXPECT_EQ(b.GetPixel(486, 150), kCyan);
  EXPECT_EQ(b.GetPixel(487, 268), kCyan);
  EXPECT_EQ(b.GetPixel(488, 150), kBlack) << "the gap";
  EXPECT_EQ(b.GetPixel(486, 269), kBlack);
  EXPECT_EQ(b.GetPixel(478, 100), kRed);
  EXPECT_EQ(b.GetPixel(481, 100), kRed);
  EXPECT_EQ(b.GetPixel(479, 100), kBlack) << "rising candles are hollow";
  EXPECT_EQ(b.GetPixel(479, 144), kRed);
  EXPECT_EQ(b.GetPixel(479, 145), kBlack);
  EXPECT_EQ(pixels::ColorBox(b, kCyan), platform::Rect(466, 20, 488, 269)) << "candles 2 and 5 only";
  // Price labels every 50 pixels up from the main window's bottom, with ticks.
  // (The labels' text may run over the ticks; white over red keeps red.)
  for (int y : {270, 220})
    for (int x = 37; x < 40; ++x) EXPECT_EQ(platform::GetRValue(b.GetPixel(x, y)), 255) << x << ", " << y;
  EXPECT_GT(CountTint(b, kWhite, platform::Rect(0, 210, 36, 230)), 5) << "the label \"0.40\"";
}

TEST_F(StockPaintTest, ACandleWithOpenEqualToCloseIsOnePixelHigh) {
  chart->SetData(TCondition{}, TCandleAry{{0, 2, nullptr}, {1, 1, nullptr}}, 0);
  const platform::Bitmap& b = Paint();
  for (int x = 484; x < 488; ++x) EXPECT_EQ(b.GetPixel(x, 145), kRed) << x;
  EXPECT_EQ(b.GetPixel(486, 144), kBlack);
  EXPECT_EQ(b.GetPixel(486, 146), kBlack);
}

TEST_F(StockPaintTest, NarrowBarsAreSingleLines) {
  TStockChartModel::BarWidth = 1;
  TCandleAry many;
  for (int i = 0; i < 1000; ++i) many.push_back({float(i % 2), float((i + 1) % 2), nullptr});
  chart->SetData(TCondition{}, many, 0);
  ASSERT_EQ(TStockChartModel::BarWidth, 1);
  const platform::Bitmap& b = Paint();
  // Candle 999 (1 -> 0, cyan) at x 487; candle 998 (0 -> 1, red) at 484.
  EXPECT_EQ(b.GetPixel(487, 100), kCyan);
  EXPECT_EQ(b.GetPixel(488, 100), kBlack);
  EXPECT_EQ(b.GetPixel(484, 100), kRed);
  EXPECT_EQ(b.GetPixel(41, 100), kBlack) << "candles left of the margin are not drawn";
}

TEST_F(StockPaintTest, Crosshair) {
  chart->SetData(TCondition{}, SixCandles(), 0);
  M().MouseMove(200, 100);
  EXPECT_EQ(Paint().GetPixel(200, 100), kBlack) << "off until a double click";
  M().ToggleCrosshair();
  const platform::Bitmap& b = Paint();
  EXPECT_EQ(b.GetPixel(41, 100), kWhite);
  EXPECT_EQ(b.GetPixel(489, 100), kWhite);
  EXPECT_EQ(b.GetPixel(490, 100), kBlack);
  EXPECT_EQ(b.GetPixel(200, 21), kWhite);
  EXPECT_EQ(b.GetPixel(200, 269), kWhite);
  EXPECT_EQ(b.GetPixel(200, 20), kBlack);
  EXPECT_GT(CountColor(b, kBlue, platform::Rect(0, 85, 40, 115)), 30) << "the readout's background";
  // Outside the plot nothing is drawn.
  M().MouseMove(20, 100);
  EXPECT_EQ(CountColor(Paint(), kWhite, platform::Rect(41, 99, 489, 102)), 0);
}

TEST_F(StockPaintTest, CrosshairWithoutCandlesOrMainWindowHasNoReadout) {
  M().ToggleCrosshair();
  M().MouseMove(200, 100);
  const platform::Bitmap& b = Paint();
  EXPECT_EQ(b.GetPixel(200, 100), kWhite);
  EXPECT_EQ(CountColor(b, kBlue, platform::Rect(0, 0, 40, 300)), 0);
  // Sub-windows filling the whole height leave the main window no rows.
  M().SetWindowHeight(0, 250);
  M().SetWindowCount(1);
  chart->SetData(TCondition{}, SixCandles(), 0);
  M().MouseMove(200, 21);
  EXPECT_EQ(M().MainRect().Height(), 0);
  EXPECT_EQ(CountColor(Paint(), kBlue, platform::Rect(0, 0, 40, 300)), 0);
}

TEST_F(StockPaintTest, UserLinesSelectionHandlesAndRubberBand) {
  ChartParams().DrawLineColor = 0x00FF00;
  chart->SetIsDrawLine(true);
  Drag(100, 50, 200, 50);
  const platform::Bitmap& b = Paint();
  EXPECT_EQ(b.GetPixel(100, 50), 0x00FF00);
  EXPECT_EQ(b.GetPixel(199, 50), 0x00FF00);
  EXPECT_EQ(b.GetPixel(200, 50), kBlack) << "the last pixel is left out";
  // While drawing, the rubber band follows the mouse.
  M().MouseDown(300, 60);
  M().MouseMove(300, 160);
  EXPECT_EQ(Paint().GetPixel(300, 120), 0x00FF00);
  M().MouseUp(300, 160);
  chart->SetIsDrawLine(false);
  M().MouseDown(150, 50);
  const platform::Bitmap& s = Paint();
  EXPECT_EQ(s.GetPixel(97, 47), kSilver) << "a 6 x 6 handle on the start point";
  EXPECT_EQ(s.GetPixel(102, 52), kSilver);
  EXPECT_EQ(s.GetPixel(197, 47), kSilver);
  EXPECT_EQ(s.GetPixel(100, 50), 0x00FF00) << "the line is drawn over its handles";
  EXPECT_EQ(s.GetPixel(297, 57), kBlack) << "the other line has none";
}

TEST_F(StockPaintTest, CompactTitleFrameAndNoSeparators) {
  TCondition cond;
  cond.Caption = "红球和值";
  cond.ValueText = "100";
  M().SetWindowHeight(0, 100);
  M().SetWindowCount(1);
  chart->SetData(cond, SixCandles(), 0);
  const platform::Bitmap& normal = Paint();
  EXPECT_EQ(normal.GetPixel(300, 170), kRed) << "separator above the sub-window";
  EXPECT_GT(CountColor(normal, kPurple, platform::Rect(0, 170, 40, 270)), 0) << "its name, \"MACD\"";
  EXPECT_EQ(CountColor(normal, kBlack, platform::Rect(41, 0, 490, 20)), 449 * 20) << "no hover text without a handler";

  chart->SetCompact(true);
  chart->SetSelected(true);
  chart->Recalculate();
  const platform::Bitmap& b = Paint();
  EXPECT_EQ(b.GetPixel(5, 0), 0x48FF0B) << "the selected chart's frame";
  EXPECT_EQ(b.GetPixel(499, 100), 0x48FF0B);
  EXPECT_NE(b.GetPixel(300, 250), kRed) << "no separator in compact mode";
  // (Price labels stand left of x = 0 in compact mode; a few of their
  // pixels show at the left edge.)
  const platform::TRect title = InkBoxIn(b, platform::Rect(10, 1, 489, 20));
  EXPECT_GT(CountTint(b, kWhite, platform::Rect(10, 0, 490, 20)), 100);
  EXPECT_GE(title.Top, 5);
  EXPECT_LT(title.Bottom, 25);
  EXPECT_NEAR((title.Left + title.Right) / 2, 245, 30) << "centred over the main window";
}

TEST_F(StockPaintTest, HoverTextAndAxisLabelsComeFromTheOwner) {
  std::vector<TLottery> draws(6);
  for (int i = 0; i < 6; ++i) draws[size_t(i)].DateNo = 2025001 + i;
  std::vector<int32_t> labelled;
  TRefInfo seen;
  chart->OnAxisLabel = [&](const TLottery* d, QString& text) {
    labelled.push_back(d->DateNo);
    text = QString::number(d->DateNo);
  };
  chart->OnHint = [&](const TRefInfo& info, const TCondition& c, QString& text) {
    seen = info;
    text = QString::fromStdString(c.Caption) + QStringLiteral(" 理论周期");
  };
  TCondition cond;
  cond.Caption = "蓝球奇偶";
  chart->SetReferenceValue(2.5f);
  TCandleAry candles;
  for (int rep = 0; rep < 20; ++rep)
    for (const TCandle& c : SixCandles(&draws)) candles.push_back(c);
  chart->SetData(cond, candles, 0);  // 120 candles, 6-pixel slots, a label every 10
  M().MouseMove(486, 100);           // over candle 119, falling
  const platform::Bitmap& b = Paint();
  // Ticks at x = 2 + 490 - 6k for k = 10, 20, ... 70, under candles 110, 100, ... 50.
  EXPECT_EQ(labelled, (std::vector<int32_t>{2025003, 2025005, 2025001, 2025003, 2025005, 2025001, 2025003}));
  EXPECT_EQ(b.GetPixel(432, 272), kRed) << "tick";
  EXPECT_GT(CountColor(b, kRed, platform::Rect(420, 280, 470, 299)), 0) << "label under the tick";
  EXPECT_EQ(seen.Draw, &draws[5]);
  EXPECT_EQ(seen.Value, 2.5);
  EXPECT_FALSE(seen.IsCompact);
  const platform::TRect band = platform::Rect(41, 0, 490, 20);
  EXPECT_GT(CountTint(b, kWhite, band), 50) << "open >= close: white text";
  EXPECT_EQ(CountTint(b, kRed, band), 0);
  M().MouseMove(480, 100);  // candle 118 rises: red text
  EXPECT_GT(CountTint(Paint(), kRed, band), 50);
  EXPECT_EQ(CountTint(Paint(), kWhite, band), 0);
  EXPECT_EQ(seen.Draw, &draws[4]);
}

TEST_F(StockPaintTest, TheBlitShowsTheBackBitmap) {
  chart->SetData(TCondition{}, SixCandles(), 0);
  owner.resize(600, 400);
  chart->move(0, 0);
  owner.show();
  const QImage shown = chart->grab().toImage();
  const platform::Bitmap& back = chart->BackBitmap();
  ASSERT_EQ(shown.size(), QSize(500, 300));
  for (QPoint p : {QPoint(486, 150), QPoint(478, 100), QPoint(40, 10), QPoint(300, 100)})
    EXPECT_EQ(platform::FromQRgb(shown.pixel(p)), back.GetPixel(p.x(), p.y())) << p.x() << "," << p.y();
}

TEST_F(StockPaintTest, OddSizesPaintWithoutFault) {
  M().ToggleCrosshair();
  chart->SetIsDrawLine(true);
  Drag(5, 5, 40, 40);
  for (QSize size : {QSize(0, 0), QSize(1, 1), QSize(30, 300), QSize(500, 10), QSize(45, 45), QSize(2000, 60)}) {
    chart->resize(size);
    QCoreApplication::sendPostedEvents();
    chart->SetData(TCondition{}, SixCandles(), 0);
    M().MouseMove(size.width() / 2, size.height() / 2);
    const platform::Bitmap& b = Paint();
    EXPECT_EQ(b.Width(), size.width());
    EXPECT_GE(TStockChartModel::BarWidth, 1);
  }
}

TEST_F(StockPaintTest, MouseButtons) {
  owner.resize(600, 400);
  owner.show();
  int clicks = 0, dbl = 0;
  chart->OnClick = [&](TStockChart* sender) {
    EXPECT_EQ(sender, chart.get());
    ++clicks;
  };
  chart->OnCompactDblClick = [&](TStockChart*, const TCondition&) { ++dbl; };
  QTest::mouseClick(chart.get(), Qt::LeftButton, {}, QPoint(100, 100));
  EXPECT_EQ(clicks, 1);
  EXPECT_FALSE(M().Dragging());

  QTest::mouseDClick(chart.get(), Qt::LeftButton, {}, QPoint(100, 100));
  EXPECT_TRUE(M().CrosshairVisible());
  EXPECT_EQ(dbl, 0) << "only compact charts call it";
  chart->SetCompact(true);
  QTest::mouseDClick(chart.get(), Qt::LeftButton, {}, QPoint(100, 100));
  EXPECT_FALSE(M().CrosshairVisible());
  EXPECT_EQ(dbl, 1);

  chart->SetIsDrawLine(true);
  EXPECT_EQ(chart->cursor().shape(), Qt::CrossCursor);
  QMenu menu;
  menu.addAction(QStringLiteral("画线"));
  chart->MyPopMenu = &menu;
  QTest::mouseClick(chart.get(), Qt::RightButton, {}, QPoint(100, 100));
  EXPECT_FALSE(chart->IsDrawLine()) << "a right click ends line drawing";
  EXPECT_EQ(chart->cursor().shape(), Qt::ArrowCursor);
  EXPECT_FALSE(menu.isVisible());
  QTest::mouseClick(chart.get(), Qt::RightButton, {}, QPoint(100, 100));
  EXPECT_TRUE(menu.isVisible()) << "then it opens the menu";
  menu.hide();
}
