// The candle chart widget: its pictures, normal and compact, with the
// indicators, user lines, crosshair and the owner's texts; a few pixels
// where the pictures show no case; the one blit to the screen; the mouse.
#include "charts/ChartSupport.h"
#include "charts/StockChartCtl.h"
#include "charts/uChartIndicators.h"
#include "platform/Canvas.h"

#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using charttest::CountColor;
using charttest::ExpectPicture;
using platform::TColor;

namespace {

constexpr TColor kBlack = 0x000000, kWhite = 0xFFFFFF, kBlue = 0xFF0000, kGreen = 0x00FF00;

class StockPaintTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetChartSettings();
    chart = std::make_unique<TStockChart>(&owner);  // one MACD window under the moving averages
  }
  TStockChartModel& M() { return chart->Model(); }
  // Candles 0 -> 1 -> 2 -> 0 -> 1 -> 2 -> 0: rising, rising, falling, twice.
  void Load(int n = 6) { chart->SetData(TCondition{}, charttest::Steps(n), 0); }
  const platform::Bitmap& Paint() { return chart->RenderBack(); }
  int Readout() { return CountColor(Paint(), platform::Rect(0, 0, 40, 300), kBlue); }

  QWidget owner;
  std::unique_ptr<TStockChart> chart;  // 500 x 300
};

}  // namespace

TEST_F(StockPaintTest, Pictures) {
  std::vector<TLottery> draws(120);
  TCandleAry candles = charttest::Zigzag(120);
  for (size_t i = 0; i < 120; ++i) {
    draws[i].DateNo = 2025001 + int(i);
    candles[i].Draw = &draws[i];
  }
  chart->OnAxisLabel = [](const TLottery* d, QString& text) { text = QString::number(d->DateNo % 1000); };
  chart->OnHint = [](const TRefInfo& info, const TCondition&, QString& text) {
    text = QStringLiteral("No. %1 at %2").arg(info.Draw->DateNo).arg(info.Value);
  };
  chart->SetReferenceValue(2.5f);
  // 60 candles, all on screen (the averages start at their periods; colours for two of them only), MACD below,
  // a selected user line; the crosshair, its readout, the owner's text and the legends at the mouse.
  ChartParams().MaColors.resize(2);
  chart->SetData(TCondition{}, TCandleAry(candles.begin(), candles.begin() + 60), 0);
  chart->SetIsDrawLine(true);
  M().MouseDown(100, 60);
  M().MouseMove(300, 120);
  M().MouseUp(300, 120);
  chart->SetIsDrawLine(false);
  M().MouseDown(200, 90);
  M().MouseUp(200, 90);
  M().ToggleCrosshair();
  M().MouseMove(430, 150);
  ExpectPicture(Paint(), "candles-ma-macd.png");
  // The Bollinger bands over 120 candles, the oldest cut at the left margin; KDJ and ADX below.
  ChartParams() = TChartParams{};
  chart->SetMainZbType(zbMainBoll);
  for (int i : {0, 1}) M().SetWindowHeight(i, 70);
  chart->SetWindowCount(2);
  chart->SetWindowZbType(0, zbKDJ);
  chart->SetWindowZbType(1, zbADX);
  chart->SetData(TCondition{}, candles, 0);
  M().MouseMove(440, 100);  // candle 111 rises: the owner's text is red
  ExpectPicture(Paint(), "candles-boll-kdj-adx.png");
  // Compact and selected: a frame, the caption, each sub-window a sixth of the height.
  chart->resize(300, 200);
  chart->SetWindowCount(3);
  chart->SetWindowZbType(2, zbMACD);
  chart->SetCompact(true);
  chart->SetSelected(true);
  TCondition titled;
  titled.Caption = "Sum";
  titled.ValueText = "100";
  chart->SetData(titled, candles, 0);
  M().MouseMove(150, 60);
  ExpectPicture(Paint(), "candles-compact.png");
  // Bars one pixel wide are single lines; open equal to close is one pixel
  // high. A caption wider than the chart loses its middle to an ellipsis.
  TStockChartModel::BarWidth = 1;
  TCandleAry thin = charttest::Walk(1000, [](int i) { return float(i % 2 == 0); });
  thin.back() = {1, 1, nullptr};
  chart->OnAxisLabel = nullptr;
  titled.Caption = "A caption wider than the chart: its first words stay in sight";
  chart->SetData(titled, thin, 0);
  ASSERT_EQ(M().CandleWidth(), 1);
  ExpectPicture(Paint(), "candles-thin.png");
}

// The Bollinger bands run along the top of the main window, through the
// legend's row: each legend item's cell still holds only its own text
// (shades of its colour on the back colour), no line and no candle.
TEST_F(StockPaintTest, TheLegendStaysReadableOverTheLines) {
  chart->SetMainZbType(zbMainBoll);
  chart->SetWindowCount(0);
  chart->SetData(TCondition{}, charttest::Zigzag(120), 0);
  M().MouseMove(440, 100);
  const platform::Bitmap& painted = Paint();
  const auto* indicators = dynamic_cast<const TStockIndicators*>(M().Indicators());
  ASSERT_NE(indicators, nullptr);
  const std::vector<TLegendItem> legend = indicators->MainLegend(M());
  ASSERT_EQ(legend.size(), 4u);
  platform::Bitmap probe(1, 1);
  platform::Canvas& text = probe.GetCanvas();
  text.Font.SetSize(8);  // the chart's font
  int x = M().MainRect().Left + 5;
  const int y = M().MainRect().Top + 1;
  for (const TLegendItem& item : legend) {
    const int width = text.TextWidth(item.Text);
    const QColor own = platform::ToQColor(item.Color);
    int foreign = 0;
    for (int py = y; py < y + text.TextHeight(item.Text); ++py)
      for (int px = x; px < x + width; ++px) {
        const QColor p = platform::ToQColor(painted.GetPixel(px, py));
        const double t = double(std::max({p.red(), p.green(), p.blue()})) / std::max({own.red(), own.green(), own.blue()});
        foreign += std::abs(p.red() - t * own.red()) > 2 || std::abs(p.green() - t * own.green()) > 2 ||
                   std::abs(p.blue() - t * own.blue()) > 2;
      }
    EXPECT_EQ(foreign, 0) << item.Text.toStdString() << ": pixels of other colours in its cell";
    x += width + 3;
  }
}

// The owner's hover text names the candle under a still mouse in the data
// shown now: after a redraw with one or two draws more, or fewer.
TEST_F(StockPaintTest, TheHoverTextFollowsTheCurrentData) {
  std::vector<TLottery> draws(80);
  TCandleAry candles = charttest::Zigzag(80);
  for (size_t i = 0; i < draws.size(); ++i) {
    draws[i].DateNo = 2025001 + int(i);
    candles[i].Draw = &draws[i];
  }
  int32_t hovered = 0;
  chart->OnHint = [&](const TRefInfo& info, const TCondition&, QString& text) {
    hovered = info.Draw->DateNo;
    text = QString::number(hovered);
  };
  chart->SetData(TCondition{}, TCandleAry(candles.begin(), candles.begin() + 60), 0);
  Paint();
  EXPECT_EQ(hovered, 0) << "no mouse yet, no text";
  M().MouseMove(455, 100);
  Paint();
  const int32_t first = hovered;
  EXPECT_GT(first, 2025001);
  for (const auto& [count, dateNo] : {std::pair{61, first + 1}, {62, first + 2}, {60, first}}) {
    chart->SetData(TCondition{}, TCandleAry(candles.begin(), candles.begin() + count), 0);
    Paint();
    EXPECT_EQ(hovered, dateNo);
    EXPECT_EQ(M().RefInfo().Draw->DateNo, dateNo);
  }
}

TEST_F(StockPaintTest, TheCrosshairStaysInsideThePlotAndTheRubberBandFollowsTheMouse) {
  M().SetIndicators(nullptr);
  chart->SetWindowCount(0);
  Load();
  M().MouseMove(200, 100);
  EXPECT_EQ(Paint().GetPixel(200, 100), kBlack) << "off until a double click";
  M().ToggleCrosshair();
  EXPECT_EQ(std::make_pair(Paint().GetPixel(200, 100), Readout() > 30), std::make_pair(kWhite, true));
  // On the plot's edges and outside it nothing is drawn.
  for (auto [x, y] : {std::pair{20, 100}, {200, 20}, {40, 100}, {490, 100}, {200, 270}}) {
    M().MouseMove(x, y);
    EXPECT_EQ(CountColor(Paint(), platform::Rect(41, 21, 489, 269), kWhite) + Readout(), 0) << x << ", " << y;
  }
  // No readout without candles, nor in a main window of no rows.
  chart->SetData(TCondition{}, TCandleAry{}, 0);
  M().MouseMove(200, 100);
  EXPECT_EQ(std::make_pair(Paint().GetPixel(200, 100), Readout()), std::make_pair(kWhite, 0));
  M().SetWindowHeight(0, 250);
  chart->SetWindowCount(1);
  Load();
  M().MouseMove(200, 21);
  ASSERT_EQ(M().MainRect().Height(), 0);
  EXPECT_EQ(Readout(), 0);
  M().ToggleCrosshair();

  ChartParams().DrawLineColor = kGreen;
  chart->SetIsDrawLine(true);
  M().MouseDown(300, 60);
  M().MouseMove(300, 160);
  const platform::Bitmap& b = Paint();  // the last pixel is left out
  EXPECT_EQ(std::make_tuple(b.GetPixel(300, 60), b.GetPixel(300, 159), b.GetPixel(300, 160)),
            std::make_tuple(kGreen, kGreen, kBlack));
}

TEST_F(StockPaintTest, TheBlitShowsTheBackBitmapAndOddSizesPaint) {
  Load();
  owner.resize(600, 400);
  owner.show();
  const QImage shown = chart->grab().toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_TRUE(shown.size() == QSize(500, 300) && shown == chart->BackBitmap().OpaqueImage());

  // Any size, normal or compact, with every kind of sub-window.
  M().ToggleCrosshair();
  chart->SetIsDrawLine(true);
  M().MouseDown(5, 5);
  M().MouseMove(40, 40);
  chart->SetWindowCount(3);
  chart->SetWindowZbType(1, zbKDJ);
  chart->SetWindowZbType(2, zbADX);
  for (bool compact : {false, true}) {
    chart->SetCompact(compact);
    charttest::PaintAtEverySize(*chart, [&] { Load(450); });
  }
}

TEST_F(StockPaintTest, MouseButtons) {
  EXPECT_THROW(TStockChart(nullptr), std::invalid_argument) << "a chart needs an owner";
  owner.resize(600, 400);
  owner.show();
  int clicks = 0, dbl = 0;
  chart->OnClick = [&](TStockChart* sender) { clicks += sender == chart.get(); };
  chart->OnCompactDblClick = [&](TStockChart*, const TCondition&) { ++dbl; };
  QTest::mouseClick(chart.get(), Qt::LeftButton, {}, QPoint(100, 100));
  QTest::mouseClick(chart.get(), Qt::RightButton, {}, QPoint(100, 100));
  EXPECT_EQ(std::make_pair(clicks, M().Dragging()), std::make_pair(1, false)) << "a left click only";
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
  EXPECT_EQ(std::make_tuple(chart->IsDrawLine(), chart->cursor().shape(), menu.isVisible()),
            std::make_tuple(false, Qt::ArrowCursor, false))
      << "a right click ends line drawing";
  QTest::mouseClick(chart.get(), Qt::RightButton, {}, QPoint(100, 100));
  EXPECT_TRUE(menu.isVisible()) << "then it opens the menu";
  menu.hide();
}
