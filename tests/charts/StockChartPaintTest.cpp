// The candle chart widget: what its paint puts into the back bitmap at a
// few computed pixels, the one blit to the screen, and its mouse handling.
#include "charts/ChartSupport.h"
#include "charts/StockChartCtl.h"

#include "platform_gui/Pixels.h"

#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using charttest::CountColor;
using charttest::CountTint;
using charttest::ExpectPixels;
using platform::TColor;

namespace {

constexpr TColor kBlack = 0x000000, kRed = 0x0000FF, kCyan = 0xFFFF00, kWhite = 0xFFFFFF, kSilver = 0xC0C0C0,
                 kBlue = 0xFF0000, kPurple = 0x800080, kGreen = 0x00FF00, kFrame = 0x48FF0B;

// Candles 0 -> 1 -> 2 -> 0 -> 1 -> 2 -> 0: rising, rising, falling, twice.
TCandleAry SixCandles(const std::vector<TLottery>* draws = nullptr) {
  TCandleAry c = charttest::Steps(6);
  if (draws)
    for (size_t i = 0; i < 6; ++i) c[i].Draw = &(*draws)[i];
  return c;
}

class StockPaintTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetChartSettings();
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
    ADD_FAILURE() << "made without an owner";
  } catch (const std::invalid_argument& e) {
    EXPECT_STREQ(e.what(), "The parent must be TWinControl.");
  }
}

TEST_F(StockPaintTest, FrameAxesAndCandles) {
  chart->SetData(TCondition{}, SixCandles(), 0);
  const platform::Bitmap& b = Paint();
  ASSERT_EQ(std::make_pair(b.Width(), b.Height()), std::make_pair(500, 300));
  // Candle 5 (2 -> 0) fills x 484..487, rows 20..268; candle 4 (1 -> 2) is
  // the outline x 478..481, rows 20..144.
  ExpectPixels(b, {{40, 0, kRed, "left axis from the top"},
                   {40, 299, kRed, "down to the bottom (the extra length)"},
                   {489, 270, kRed, "bottom axis"},
                   {490, 270, kBlack, "ending one pixel before the right margin"},
                   {0, 299, kRed, "line across the whole bottom row"},
                   {484, 20, kCyan, "falling candles are filled"},
                   {487, 268, kCyan},
                   {488, 150, kBlack, "the gap"},
                   {486, 269, kBlack},
                   {478, 100, kRed, "rising candles are outlines"},
                   {481, 100, kRed},
                   {479, 100, kBlack, "and hollow"},
                   {479, 144, kRed},
                   {479, 145, kBlack}});
  EXPECT_EQ(pixels::ColorBox(b, kCyan), platform::Rect(466, 20, 488, 269)) << "candles 2 and 5 only";
  // Price labels every 50 pixels up from the main window's bottom, with
  // ticks (white text over red keeps red).
  for (int y : {270, 220, 170, 120, 70})
    for (int x = 37; x < 40; ++x) EXPECT_EQ(platform::GetRValue(b.GetPixel(x, y)), 255) << x << ", " << y;
  EXPECT_GT(CountTint(b, platform::Rect(0, 210, 36, 230), kWhite), 5) << "the label \"0.40\"";
  EXPECT_EQ(pixels::InkBox(b, kBlack, platform::Rect(0, 210, 37, 230)).Left, 40 - 3 * 8 - 1)
      << "three character widths and a pixel left of the axis";

  // Open equal to close: one pixel high; one-pixel bars are single lines.
  chart->SetData(TCondition{}, TCandleAry{{0, 2, nullptr}, {1, 1, nullptr}}, 0);
  ExpectPixels(Paint(), {{484, 145, kRed}, {487, 145, kRed}, {486, 144, kBlack}, {486, 146, kBlack}});
  TCandleAry many;
  for (int i = 0; i < 1000; ++i) many.push_back({float(i % 2), float((i + 1) % 2), nullptr});
  TStockChartModel::BarWidth = 1;
  chart->SetData(TCondition{}, many, 0);
  ASSERT_EQ(TStockChartModel::BarWidth, 1);
  ExpectPixels(Paint(), {{487, 100, kCyan}, {488, 100, kBlack}, {484, 100, kRed},
                         {41, 100, kBlack, "candles left of the margin are not drawn"}});
}

TEST_F(StockPaintTest, CrosshairAndItsReadout) {
  chart->SetData(TCondition{}, SixCandles(), 0);
  M().MouseMove(200, 100);
  EXPECT_EQ(Paint().GetPixel(200, 100), kBlack) << "off until a double click";
  M().ToggleCrosshair();
  const platform::Bitmap& b = Paint();
  ExpectPixels(b, {{41, 100, kWhite}, {489, 100, kWhite}, {490, 100, kBlack}, {40, 100, kRed},
                   {200, 21, kWhite}, {200, 269, kWhite}, {200, 20, kBlack}});
  EXPECT_GT(CountColor(b, platform::Rect(0, 85, 40, 115), kBlue), 30) << "the readout's background";
  // On the plot's edges and outside it nothing is drawn.
  for (auto [x, y] : {std::pair{20, 100}, {200, 20}, {40, 100}, {490, 100}, {200, 270}}) {
    M().MouseMove(x, y);
    const platform::Bitmap& off = Paint();
    EXPECT_EQ(CountColor(off, platform::Rect(41, 21, 489, 269), kWhite), 0) << x << ", " << y;
  }
  // No readout without candles, nor with a main window of no rows.
  chart->SetData(TCondition{}, TCandleAry{}, 0);
  M().MouseMove(200, 100);
  EXPECT_EQ(Paint().GetPixel(200, 100), kWhite);
  EXPECT_EQ(CountColor(Paint(), platform::Rect(0, 0, 40, 300), kBlue), 0);
  M().SetWindowHeight(0, 250);
  M().SetWindowCount(1);
  chart->SetData(TCondition{}, SixCandles(), 0);
  M().MouseMove(200, 21);
  ASSERT_EQ(M().MainRect().Height(), 0);
  EXPECT_EQ(CountColor(Paint(), platform::Rect(0, 0, 40, 300), kBlue), 0);
}

TEST_F(StockPaintTest, UserLinesSelectionHandlesAndRubberBand) {
  ChartParams().DrawLineColor = kGreen;
  chart->SetIsDrawLine(true);
  Drag(100, 50, 200, 50);
  ExpectPixels(Paint(), {{100, 50, kGreen}, {199, 50, kGreen}, {200, 50, kBlack, "the last pixel is left out"}});
  M().MouseDown(300, 60);  // while drawing, the rubber band follows the mouse
  M().MouseMove(300, 160);
  EXPECT_EQ(Paint().GetPixel(300, 120), kGreen);
  M().MouseUp(300, 160);
  chart->SetIsDrawLine(false);
  M().MouseDown(150, 50);
  ExpectPixels(Paint(), {{97, 47, kSilver, "a 6 x 6 handle on each end"}, {102, 52, kSilver}, {197, 47, kSilver},
                         {100, 50, kGreen, "the line over its handles"}, {297, 57, kBlack, "the other has none"}});
}

TEST_F(StockPaintTest, SubWindowsCompactModeAndTheSelectionFrame) {
  TCondition cond;
  cond.Caption = "红球和值";
  cond.ValueText = "100";
  M().SetWindowHeight(0, 100);
  M().SetWindowCount(1);
  chart->SetSelected(true);
  chart->SetData(cond, SixCandles(), 0);
  const platform::Bitmap& normal = Paint();
  EXPECT_EQ(normal.GetPixel(300, 170), kRed) << "separator above the sub-window";
  EXPECT_NE(normal.GetPixel(5, 0), kFrame) << "a frame in compact mode only";
  EXPECT_GT(CountColor(normal, platform::Rect(0, 170, 40, 270), kPurple), 0) << "its name, \"MACD\"";
  EXPECT_EQ(CountColor(normal, platform::Rect(41, 0, 490, 20), kBlack), 449 * 20) << "no hover text without a handler";

  chart->SetCompact(true);
  chart->Recalculate();
  const platform::Bitmap& b = Paint();
  ExpectPixels(b, {{5, 0, kFrame, "the selected chart's frame"}, {499, 100, kFrame}});
  EXPECT_NE(b.GetPixel(300, 250), kRed) << "no separator in compact mode";
  const platform::TRect title = pixels::InkBox(b, kBlack, platform::Rect(10, 1, 489, 20));
  EXPECT_GT(CountTint(b, platform::Rect(10, 0, 490, 20), kWhite), 100);
  EXPECT_GE(title.Top, 5);
  EXPECT_NEAR((title.Left + title.Right) / 2, 245, 30) << "the caption centred over the main window";
  chart->SetSelected(false);
  EXPECT_NE(Paint().GetPixel(5, 0), kFrame);
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
  ExpectPixels(b, {{432, 272, kRed, "tick"}, {432, 274, kBlack}, {438, 272, kBlack}});
  EXPECT_GT(CountColor(b, platform::Rect(420, 280, 470, 299), kRed), 0) << "label under the tick";
  EXPECT_EQ(std::make_tuple(seen.Draw, seen.Value, seen.IsCompact), std::make_tuple(&draws[5], 2.5, false));
  const platform::TRect band = platform::Rect(41, 0, 490, 20);
  EXPECT_GT(CountTint(b, band, kWhite), 50) << "open >= close: white text";
  EXPECT_EQ(CountTint(b, band, kRed), 0);
  M().MouseMove(480, 100);  // candle 118 rises: red text
  EXPECT_GT(CountTint(Paint(), band, kRed), 50);
  EXPECT_EQ(CountTint(Paint(), band, kWhite), 0);
  EXPECT_EQ(seen.Draw, &draws[4]);
  M().MouseMove(495, 100);  // right of the plot: no hover
  EXPECT_EQ(CountTint(Paint(), band, kRed) + CountTint(Paint(), band, kWhite), 0);
}

TEST_F(StockPaintTest, TheBlitShowsTheBackBitmapAndOddSizesPaint) {
  chart->SetData(TCondition{}, SixCandles(), 0);
  owner.resize(600, 400);
  chart->move(0, 0);
  owner.show();
  const QImage shown = chart->grab().toImage();
  const platform::Bitmap& back = chart->BackBitmap();
  ASSERT_EQ(shown.size(), QSize(500, 300));
  for (QPoint p : {QPoint(486, 150), QPoint(478, 100), QPoint(40, 10), QPoint(300, 100)})
    EXPECT_EQ(platform::FromQRgb(shown.pixel(p)), back.GetPixel(p.x(), p.y())) << p.x() << "," << p.y();

  M().ToggleCrosshair();
  chart->SetIsDrawLine(true);
  Drag(5, 5, 40, 40);
  for (QSize size : {QSize(0, 0), QSize(1, 1), QSize(30, 300), QSize(500, 10), QSize(45, 45), QSize(2000, 60)}) {
    chart->resize(size);
    QCoreApplication::sendPostedEvents();
    chart->SetData(TCondition{}, SixCandles(), 0);
    M().MouseMove(size.width() / 2, size.height() / 2);
    EXPECT_EQ(Paint().Width(), size.width());
  }
}

TEST_F(StockPaintTest, MouseButtons) {
  owner.resize(600, 400);
  owner.show();
  int clicks = 0, dbl = 0;
  chart->OnClick = [&](TStockChart* sender) { clicks += sender == chart.get(); };
  chart->OnCompactDblClick = [&](TStockChart*, const TCondition&) { ++dbl; };
  QTest::mouseClick(chart.get(), Qt::LeftButton, {}, QPoint(100, 100));
  EXPECT_EQ(std::make_pair(clicks, M().Dragging()), std::make_pair(1, false));
  QTest::mouseClick(chart.get(), Qt::RightButton, {}, QPoint(100, 100));
  EXPECT_EQ(clicks, 1) << "a left click only";

  QTest::mouseDClick(chart.get(), Qt::LeftButton, {}, QPoint(100, 100));
  EXPECT_EQ(std::make_pair(M().CrosshairVisible(), dbl), std::make_pair(true, 0)) << "only compact charts call it";
  chart->SetCompact(true);
  QTest::mouseDClick(chart.get(), Qt::LeftButton, {}, QPoint(100, 100));
  EXPECT_EQ(std::make_pair(M().CrosshairVisible(), dbl), std::make_pair(false, 1));

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
