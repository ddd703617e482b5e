// The trend window's walks over histories of hits and misses, and the
// window offscreen: the grid, modes and counts, hints, the context menus
// on the selected chart, groups and add-to-shrink.
#include "app/FormsTestSupport.h"

#include "app/uFormChoose.h"
#include "app/uFormCondition.h"
#include "app/uFormShrink.h"
#include "app/uFormTrend.h"
#include "app/uTrendBuilders.h"
#include "engine/uCdtList.h"
#include "engine/uIniFileMgr.h"
#include "platform/Dispatcher.h"

#include <numeric>
#include <set>

namespace {

// Hits every draw whose first ball is 1 and describes each draw by its
// number; the chances of a hit and of each omission length are the test's,
// which also sees the lengths asked for.
class StubFormula : public TFormulate {
 public:
  StubFormula(TFormulateKey key, float p) : TFormulate(key, "stub", WholeRedPos, "测试"), P(p) {}
  TFormulaKind Kind() const override { return TFormulaKind::Dw; }
  bool Match(const TLottery& draw, const T2DIntAry&, bool, std::string* description) const override {
    if (description) *description = std::to_string(draw.DateNo);
    return draw.Balls[0] == 1;
  }
  float GetProbability(const T2DIntAry&, bool) const override { return P; }
  float GetOmissionProbability(const T2DIntAry&, int32_t n, bool) const override {
    Asked.push_back(n);
    return OmissionP;
  }
  float P, OmissionP = 0;
  mutable std::vector<int32_t> Asked;
};

// "x" a hit, "." a miss; draw i gets DateNo 2020001 + i.
TDrawHistory PatternHistory(const std::string& pattern) {
  std::vector<TLottery> draws(pattern.size());
  for (size_t i = 0; i < pattern.size(); ++i) {
    draws[i].DateNo = 2020001 + static_cast<int32_t>(i);
    draws[i].Balls = {pattern[i] == 'x' ? 1 : 2, 3, 4, 5, 6, 7, 8};
    draws[i].NumText = MakeNumText(draws[i].Balls);
  }
  return TDrawHistory(std::move(draws));
}

TCondition Stub(const TFormulate* f, const std::string& caption = "stub", TIntAry values = {1}) {
  TCondition c;
  c.Caption = caption;
  c.ValueText = "[ 1 ]";
  c.Formulate = f;
  c.Values = {std::move(values)};
  return c;
}

// The closes, each candle opening at the close before it (the first at 0).
std::vector<float> ChainedCloses(const TCandleAry& candles) {
  std::vector<float> closes;
  for (const TCandle& k : candles) {
    EXPECT_EQ(k.Open, closes.empty() ? 0 : closes.back());
    closes.push_back(k.Close);
  }
  return closes;
}

TEST(TrendBuilders, FrequencyWalksRiseByTheMissChanceAndFallByTheHitChance) {
  const struct {
    const char* pattern;
    float p;
    std::vector<float> closes;
    float reference;
  } cases[] = {{"xxx", 0.25f, {0.75f, 1.5f, 2.25f}, 4}, {"...", 0.25f, {-0.25f, -0.5f, -0.75f}, 4},
               {"x.x", 0.5f, {0.5f, 0, 0.5f}, 2}, {"x.", 0, {1, 1}, 1}};
  for (const auto& c : cases) {
    TDrawHistory h = PatternHistory(c.pattern);
    auto f = CreateFormulate<StubFormula>(c.p);
    const TCandleWalk walk = BuildFrequencyCandles({h.begin(), h.end()}, Stub(f.get()));
    EXPECT_EQ(ChainedCloses(walk.Candles), c.closes) << c.pattern;
    EXPECT_EQ(h[0].Description, "2020001");
    EXPECT_FLOAT_EQ(walk.Reference, c.reference);
  }
}

TEST(TrendBuilders, OmissionCandlesStepUpAfterAnOmissionInRange) {
  TDrawHistory h = PatternHistory("x..x...xx.x");  // hits after none seen, 2, 3, 0 and 1 misses
  auto f = CreateFormulate<StubFormula>(0.5f);
  f->OmissionP = 0.1f;
  const TCandleWalk walk = BuildOmissionCandles({h.begin(), h.end()}, Stub(f.get()), 0, 2, false);
  EXPECT_EQ(f->Asked, (std::vector<int32_t>{0, 1, 2}));
  EXPECT_FLOAT_EQ(walk.Reference, 0.3f);
  const std::vector<float> closes = ChainedCloses(walk.Candles);
  const std::vector<float> steps = {-0.3f, 0.7f, -0.3f, 0.7f, 0.7f};
  const std::vector<int32_t> omissions = {-1, 2, 3, 0, 1};
  ASSERT_EQ(closes.size(), steps.size());
  for (size_t i = 0; i < steps.size(); ++i) {
    EXPECT_NEAR(closes[i] - walk.Candles[i].Open, steps[i], 1e-6) << i;
    EXPECT_EQ(walk.Candles[i].Draw->OmitCount, omissions[i]) << i;
  }
}

TEST(TrendBuilders, TheoreticalRangesHalveToEvenAndTheAntiSetSumsUpTo100) {
  TDrawHistory h = PatternHistory("x..");
  auto f = CreateFormulate<StubFormula>(2.0f / 11);  // a period of 5.5
  const std::pair<int, std::vector<int32_t>> cases[] = {{1, {2, 2, 2, 2}}, {2, {0, 6, 0, 6}}, {3, {6, 999, 6, 999}}};
  for (const auto& [mode, want] : cases) {
    const TOmissionRange r = OmissionRangeOf({h.begin(), h.end()}, Stub(f.get()), mode);
    EXPECT_EQ((std::vector<int32_t>{r.Lo, r.Hi, r.PanelFrom, r.PanelTo}), want) << mode;
  }
  f->OmissionP = 0.01f;
  const TCandleWalk anti = BuildOmissionCandles({h.begin(), h.end()}, Stub(f.get()), 6, 999, true);
  std::vector<int32_t> lengths(95);
  std::iota(lengths.begin(), lengths.end(), 6);
  EXPECT_EQ(f->Asked, lengths);
  EXPECT_NEAR(anti.Reference, 0.05, 1e-5);
  auto never = CreateFormulate<StubFormula>(0.0f);
  EXPECT_EQ(OmissionRangeOf({h.begin(), h.end()}, Stub(never.get()), 2).Hi, 1);
  EXPECT_EQ(OmissionRangeOf({}, Stub(f.get()), 1).Lo, 0) << "no draws, no omission";
}

TEST(TrendBuilders, OmissionChartEndsWithTheNextIssueAndTheRunningOmission) {
  TDrawHistory h = PatternHistory("..x.x...");
  auto f = CreateFormulate<StubFormula>(0.25f);
  TLottery& next = NextIssueDraw();
  const TOmissionPoints s = BuildOmissionChart({h.begin(), h.end()}, Stub(f.get()), next);
  ASSERT_EQ(s.Points.size(), 3u);
  EXPECT_EQ((std::vector<const TLottery*>{s.Points[0].Draw, s.Points[2].Draw, next.Prev}),
            (std::vector<const TLottery*>{&h[2], &next, &h[7]}));
  EXPECT_EQ((std::vector<int32_t>{s.Points[0].Omission, s.Points[1].Omission, s.Points[2].Omission}),
            (std::vector<int32_t>{2, 1, 3}));
  EXPECT_EQ(next.NumText, "？");
  EXPECT_FLOAT_EQ(s.Level, 3);
  auto never = CreateFormulate<StubFormula>(0.0f);
  EXPECT_EQ(BuildOmissionChart({}, Stub(never.get()), next).Level, 0);
}

class TrendForm : public FormsTest {
 protected:
  void SetUp() override {
    FormsTest::SetUp();
    ChartParams() = TChartParams{};
    DrawHistory = PatternHistory(std::string(600, '.') + "x..x");
    CurrentIndex = DrawHistory.Count() - 1;
    trend = std::make_unique<TFrmTrend>();
    trend->EditParams = [this](const std::vector<TZBParam>& params) {
      asked.clear();
      for (const TZBParam& p : params) asked.push_back(p.Caption);
      return true;
    };
  }
  void TearDown() override {
    trend.reset();
    ClearDrawModel();
    FormsTest::TearDown();
  }
  // n conditions of the stub, captions "c0", "c1", ...; values {i + 1}.
  TConditionAry Group(int n) {
    TConditionAry group;
    for (int i = 0; i < n; ++i) group.push_back(Stub(stub.get(), "c" + std::to_string(i), {i + 1}));
    return group;
  }
  TFrmCondition* Panel() { return trend->ConditionPanel(); }
  std::unique_ptr<StubFormula> stub = CreateFormulate<StubFormula>(0.25f);
  std::unique_ptr<TFrmTrend> trend;
  std::vector<std::string> asked;
};

TEST_F(TrendForm, GridFillsThePanelWithACellPerChart) {
  trend->PanelStockChart->resize(1100, 660);
  const std::pair<size_t, size_t> grid[] = {{1, 1}, {1, 2}, {2, 2}, {2, 2}, {2, 3}, {2, 3}, {2, 4}, {2, 4},
                                            {3, 3}, {2, 5}, {3, 4}, {3, 4}, {3, 5}, {3, 5}, {3, 5}, {3, 5}};
  for (int n = 1; n <= 16; ++n) {
    const bool omission = n % 2 == 0;
    trend->LayoutCharts(n, omission);
    std::set<int> lefts, tops;
    int right = 0, bottom = 0, shown = 0;
    for (int i = 0; i < TFrmTrend::ChartSlots; ++i) {
      TDrawChart* chart = omission ? static_cast<TDrawChart*>(trend->YLChart(i)) : trend->StockChart(i);
      EXPECT_TRUE(trend->StockChart(i)->isHidden() || !omission);
      if (chart->isHidden()) continue;
      EXPECT_EQ(chart->IsCompact(), n > 1);
      ++shown;
      lefts.insert(chart->x());
      tops.insert(chart->y());
      right = std::max(right, chart->geometry().right() + 1);
      bottom = std::max(bottom, chart->geometry().bottom() + 1);
    }
    EXPECT_EQ(std::pair(tops.size(), lefts.size()), grid[n - 1]) << n;
    EXPECT_EQ(shown, std::min(n, 15));
    EXPECT_TRUE(right > 1065 && right <= 1100 && bottom > 650 && bottom <= 660) << n;
  }
  trend->LayoutCharts(0, false);
  EXPECT_EQ(trend->StockChart(0)->geometry(), QRect(0, 2, 1100, 656));
  trend->LayoutCharts(2, false);
  trend->LayoutCharts(-1, false);  // again with the last count
  EXPECT_EQ(trend->StockChart(1)->geometry(), QRect(550, 2, 540, 656));
  trend->show();  // the window's size reaches the charts
  trend->resize(1300, 700);
  trend->layout()->activate();
  EXPECT_EQ(trend->StockChart(1)->geometry().right() + 11, trend->PanelStockChart->width());
}

// The text a chart painted at its top lies inside the chart. With `white`,
// its ink (light pixels in the top rows of its characters) lies within the
// text's cell and reaches both of its ends: the whole text shows.
void ExpectTitleInside(TDrawChart& chart, bool white) {
  const platform::Bitmap& b = chart.RenderBack();
  const TChartText& t = chart.PaintedTitle();
  ASSERT_FALSE(t.Text.isEmpty()) << chart.objectName().toStdString();
  EXPECT_TRUE(t.Rect.Left >= 0 && t.Rect.Right <= b.Width())
      << chart.objectName().toStdString() << ": " << t.Rect.Left << ".." << t.Rect.Right << " of " << b.Width();
  if (!white) return;
  int left = b.Width(), right = 0;
  for (int y = t.Rect.Top; y < t.Rect.Top + 8; ++y)
    for (int x = 0; x < b.Width(); ++x)
      if (const platform::TColor c = b.GetPixel(x, y); (c & 0x808080) == 0x808080)  // white, or nearly
        left = std::min(left, x), right = std::max(right, x + 1);
  EXPECT_TRUE(left >= t.Rect.Left && left <= t.Rect.Left + 3 && right <= t.Rect.Right && right >= t.Rect.Right - 4)
      << chart.objectName().toStdString() << ": ink " << left << ".." << right << ", text " << t.Rect.Left << ".."
      << t.Rect.Right;
}

TEST_F(TrendForm, TitlesLieWholeInsideTheirChartsOnUsersScreens) {
  std::string pattern;
  for (int i = 0; i < 150; ++i) pattern += i % 3 == 0 ? "x.." : "x...";
  DrawHistory = PatternHistory(pattern);
  CurrentIndex = DrawHistory.Count() - 1;
  TConditionAry group = Group(15);  // the longest title a same-screen split gives
  for (TCondition& c : group) {
    c.Caption = "红1号定位（红球1号） 奇";
    c.ValueText = "[ 1,3,5,7,9,11,13,15,17,19,21,23,25,27 ]";
  }
  trend->show();
  for (const auto& [w, h] : {std::pair{1024, 768}, {1280, 800}, {1366, 768}, {1920, 1080}}) {
    trend->resize(w - 10, h - 110);  // in the main window's tab, maximised
    trend->layout()->activate();
    for (int n : {1, 2, 4, 9, 15}) {
      SCOPED_TRACE(testing::Message() << n << " charts on " << w << "x" << h);
      trend->BtnPLKLine->click();
      trend->DrawConditionResult(TConditionAry(group.begin(), group.begin() + n), rmDraw);
      for (int i = 0; i < n; ++i) {
        TStockChart* chart = trend->StockChart(i);
        // One chart alone shows the hover text of the candle at the mouse.
        if (n == 1) chart->Model().MouseMove(chart->width() / 2, 100);
        ExpectTitleInside(*chart, n > 1);
      }
      trend->BtnYLChart->click();
      for (int i = 0; i < n; ++i) {
        TYLChart* chart = trend->YLChart(i);
        chart->Model().MouseMove(chart->Model().PointPixel(chart->Model().Count() - 1).X, 50);
        ExpectTitleInside(*chart, true);
      }
    }
  }
}

// On the main window maximized on a 1280x800 screen, with the range
// controls shown (the value page at its lowest), the condition panel shows
// every value of the indicators with the most values and the widest texts
// of each value page; so does the value chooser.
TEST_F(TrendForm, ValueListsShowEveryValueWithoutScrolling) {
  trend->show();
  trend->resize(1280 - 10, 800 - 110);
  TFrmCondition* panel = Panel();
  panel->ShowRangeControls(true);
  for (int f : {RedBall1, RedSum, RedSumAmplitude, CompositeGroup, NumberGroup}) {
    const std::string name = Formula(f)->Group() + " " + Formula(f)->Name();
    panel->SelectIndicator(Formula(f));
    ShowChoose(0, Formula(f), nullptr, {});
    const TFrmChoose* chooser = FrmChoose(false);
    QApplication::processEvents();
    const bool counts = Formula(f)->RowKind() == 1;
    for (const TCheckListBox* list : counts ? std::vector{panel->lstValues2_1, panel->lstValues2_2}
                                            : std::vector{panel->lstValues1})
      ExpectEveryItemInSight(*list, name);
    for (const TCheckListBox* list : counts ? std::vector{chooser->chklstValue2_1, chooser->chklstValue2_2}
                                            : std::vector{chooser->chklstValue1})
      ExpectEveryItemInSight(*list, name);
    panel->PageControl1->setCurrentWidget(panel->TabSheet4);
    QApplication::processEvents();
    ExpectEveryItemInSight(*panel->lstRandomCc, name);
    panel->PageControl1->setCurrentWidget(panel->TabSheet1);
  }
}

TEST_F(TrendForm, ModeButtonsSwitchPanelsCountsAndRangeControls) {
  trend->show();
  ExpectLaidOut(trend.get());
  trend->DrawConditionResult(Group(4), rmDraw);
  EXPECT_EQ(trend->StockChart(3)->CurCandles().size(), 450u);
  trend->BtnYLChart->click();
  EXPECT_TRUE(trend->PanelYLChart->isVisible() && !trend->PanelStockChart->isVisible());
  EXPECT_EQ(trend->LabCount->text() + trend->edtKCount->text(), "统计期数60");
  EXPECT_TRUE(trend->YLChart(3)->isVisible());
  EXPECT_EQ(trend->YLChart(3)->Condition().ChartMode, cmOmissionChart);
  trend->edtKCount->setText("30");
  trend->edtKCount->setText("abc");
  EXPECT_EQ(std::pair(trend->YLCount(), trend->KCount()), std::pair(60, 400));
  trend->BtnYLKLine->click();  // charted with the panel's range
  EXPECT_TRUE(Panel()->BtnLL->isVisible());
  EXPECT_EQ(Panel()->edtYLTo->Text() + " " + trend->edtKCount->text(), "2 400");
  EXPECT_TRUE(trend->StockChart(3)->isVisible());
  EXPECT_EQ(trend->StockChart(3)->Condition().ChartMode, cmOmissionCandles);
  trend->BtnPLKLine->click();
  EXPECT_FALSE(Panel()->BtnLL->isVisible());
  EXPECT_TRUE(trend->BtnPLKLine->isChecked() && !trend->BtnYLKLine->isChecked());
}

TEST_F(TrendForm, DrawCountsAreRefusedAtZeroAndEndAtTheCurrentDraw) {
  for (const char* text : {"0", "-5"}) {
    trend->edtKCount->setText(text);
    trend->DrawConditionResult(Group(2), rmDraw);
    EXPECT_TRUE(trend->CurrentConditions().empty()) << text;
  }
  EXPECT_EQ(Messages(), QStringList({"K线数量不能为0", "K线数量不能为0"}));
  trend->edtKCount->setText("abc");
  trend->DrawConditionResult(Group(16), rmDraw);
  EXPECT_EQ(trend->LastGroup().size(), 15u);
  EXPECT_EQ(trend->CurrentConditions()[14].DrawCount, 450);
  CurrentIndex = 30;  // training early in the history: the draws up to the current one
  trend->DrawConditionResult(Group(1), rmDraw);
  EXPECT_EQ(trend->CurrentConditions()[0].DrawCount, 31);
  EXPECT_EQ(trend->StockChart(0)->CurCandles().back().Draw, &DrawHistory[30]);
}

TEST_F(TrendForm, CertainConditionsStopTheCandlesOrAreSkipped) {
  auto sure = CreateFormulate<StubFormula>(1.0f);
  auto never = CreateFormulate<StubFormula>(0.0f);
  stub->OmissionP = 0.01f;
  TConditionAry group = Group(3);
  group[1].Formulate = sure.get();
  trend->DrawConditionResult(group, rmDraw);
  EXPECT_EQ(trend->StockChart(0)->Condition().Caption + "|" + trend->StockChart(2)->Condition().Caption, "c0|");
  trend->BtnYLKLine->click();  // omission candles: only that condition is left out
  group[1].Formulate = never.get();
  trend->DrawConditionResult(group, rmTheoryAntiSet);
  EXPECT_EQ(trend->StockChart(2)->Condition().ChartMode, cmOmissionCandles);
  EXPECT_EQ(trend->StockChart(1)->Condition().Formulate, sure.get());  // kept from the switch
  EXPECT_EQ(Messages(), QStringList({"出现概率为100%，不在画图！", "出现概率为100%，不再画图！"}));
  EXPECT_EQ(Panel()->edtYLTo->Text(), "999");
  EXPECT_EQ(trend->LastResultMode(), rmTheoryAntiSet);
}

TEST_F(TrendForm, HintsNameTheDrawAndTheChartsNumber) {
  // The omission chart, the mouse on its newest hit: 2020604, after two
  // misses.
  TCondition c = Stub(stub.get(), "cap");
  trend->PanelStockChart->resize(1100, 660);
  trend->BtnYLChart->click();
  trend->DrawConditionResult({c}, 0);
  TYLChartModel& omissions = trend->YLChart(0)->Model();
  omissions.MouseMove(omissions.ColumnX(1), omissions.PlotRect().Top + 1);
  ASSERT_TRUE(omissions.HasHover());
  TLottery& d = DrawHistory[601];
  d.OmitCount = 3;
  d.Description = "desc";
  // With the issues hidden no hint names the draw's issue; the rest reads
  // as it does with them shown.
  const std::tuple<bool, uint8_t, TRefInfo, QString> cases[] = {
      {true, cmFrequencyCandles, {&d, 4, false}, "cap [ 1 ]  2020602期（2,3,4,5,6,7,8）desc  理论周期4.00"},
      {true, cmOmissionCandles, {&d, 0.254, false}, "cap [ 1 ]  2020602期（2,3,4,5,6,7,8  遗漏值3）desc  概率0.25"},
      {true, cmOmissionChart, {}, "2020604期（1,3,4,5,6,7,8）  遗漏值：2"},
      {true, cmFrequencyCandles, {&d, 4, true}, ""},
      {true, cmFrequencyCandles, {nullptr, 4, false}, "kept"},
      {false, cmFrequencyCandles, {&d, 4, false}, "cap [ 1 ]  （2,3,4,5,6,7,8）desc  理论周期4.00"},
      {false, cmOmissionCandles, {&d, 0.254, false}, "cap [ 1 ]  （2,3,4,5,6,7,8  遗漏值3）desc  概率0.25"},
      {false, cmOmissionChart, {}, "（1,3,4,5,6,7,8）  遗漏值：2"}};
  for (const auto& [shown, mode, info, want] : cases) {
    ChartParams().ShowIssueNo = shown;
    QString text = "kept";
    if (mode == cmOmissionChart) {
      text = omissions.HoverText();
    } else {
      c.ChartMode = mode;
      trend->ChartHint(info, c, text);
    }
    EXPECT_EQ(text.toStdString(), want.toStdString()) << "issues shown " << shown << ", chart mode " << int(mode);
  }
}

TEST_F(TrendForm, CandleMenuActsOnTheSelectedChart) {
  trend->resize(1354, 709);
  trend->show();
  trend->DrawConditionResult(Group(3), rmDraw);
  TStockChart* chart = trend->StockChart(2);
  chart->OnClick(chart);
  EXPECT_EQ(trend->SelectedStockChart(), chart);
  EXPECT_TRUE(chart->Model().Selected() && !trend->StockChart(0)->Model().Selected());
  trend->popDrawLine->trigger();
  TStockChartModel& m = chart->Model();
  m.MouseDown(100, 60);
  m.MouseMove(300, 120);
  m.MouseUp(300, 120);
  chart->SetIsDrawLine(false);
  m.MouseDown(200, 90);  // picks the line up
  m.MouseUp(200, 90);
  ASSERT_EQ(m.Lines().Count(), 1);
  trend->N6->trigger();
  EXPECT_EQ(m.Lines().Count(), 0);
  m.MouseMove(100, 50);
  emit trend->PopConfig->aboutToShow();
  EXPECT_TRUE(trend->popMainZB->menuAction()->isVisible() && !trend->popSubZb->menuAction()->isVisible());
  trend->N8->trigger();
  EXPECT_EQ((std::pair<int, int>(m.MainZbType(), trend->StockChart(0)->Model().MainZbType())), (std::pair<int, int>(zbMainBoll, zbMainMA)));
  trend->popZbConfig->trigger();
  EXPECT_EQ(asked, std::vector<std::string>{"参数1"});
  trend->N14->trigger();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "3");
  trend->N3->trigger();
  for (int i = 0; i < TFrmTrend::ChartSlots; ++i) EXPECT_EQ(trend->StockChart(i)->Model().WindowCount(), 2);
  EXPECT_GT(trend->StockChart(9)->Model().Window(1).Rect.Height(), 0);
  EXPECT_EQ(trend->StockChart(9)->MyPopMenu, trend->PopConfig);

  // A single chart: the parameters of the sub-window under the mouse.
  chart->OnCompactDblClick(chart, chart->Condition());
  TStockChart* single = trend->SelectedStockChart();
  const std::pair<uint8_t, std::vector<std::string>> subs[] = {
      {zbMACD, {"快速", "慢速", "Dif"}}, {zbKDJ, {"N", "M1", "M2"}}, {zbADX, {"N"}}};
  for (const auto& [kind, captions] : subs) {
    single->SetWindowZbType(1, kind);
    single->Model().MouseMove(200, single->Model().Window(1).Rect.Top + 5);
    emit trend->PopConfig->aboutToShow();
    EXPECT_TRUE(trend->popSubZb->menuAction()->isVisible());
    trend->popZbConfig->trigger();
    EXPECT_EQ(asked, captions);
  }
  trend->KDJ1->trigger();
  EXPECT_EQ(single->GetWindowZbType(1), zbKDJ);
}

TEST_F(TrendForm, ColoursAndPeriodsGoToTheSharedSettings) {
  recording.ColorAnswers = {0x00FF00, 0x123456, std::nullopt};
  trend->PopLine->trigger();
  trend->popYLBackColor->trigger();
  trend->popYLGridColor->trigger();  // cancelled
  EXPECT_EQ(recording.Calls[0].Color, 255);
  EXPECT_EQ(std::pair(ChartParams().DrawLineColor, ChartParams().YLGridColor), std::pair(0x00FF00, 0x7F7F7F));
  EXPECT_EQ(IniFileMgr().ReadInteger("FrmTrend", "DrawLineColor", 0), 0x00FF00);
  EXPECT_EQ(IniFileMgr().ReadInteger("YLChart", "YLBackColor", 0), 0x123456);
  trend->MenuItem8->trigger();
  EXPECT_EQ(asked, (std::vector<std::string>{"参数1", "参数2", "参数3", "参数4", "参数5", "参数6"}));
  trend->edtKCount->setText("120");
  trend.reset();
  EXPECT_EQ(IniFileMgr().ReadInteger("FrmTrend", "KCount", 0), 120);
}

// The kinds picked on the first chart, the one a single condition shows,
// are what the file keeps and the next window shows.
TEST_F(TrendForm, TheFirstChartsKindsAreKeptForTheNextStart) {
  const std::array<uint8_t, 3> cases[] = {{zbMainBoll, zbKDJ, zbMACD}, {zbMainMA, zbADX, zbKDJ}};
  for (const auto& [main, sub0, sub1] : cases) {
    trend->N3->trigger();  // two sub-windows on every chart
    trend->StockChart(0)->SetMainZbType(main);
    trend->StockChart(0)->SetWindowZbType(0, sub0);
    trend->StockChart(0)->SetWindowZbType(1, sub1);
    trend.reset();
    const TIniFileMgr& ini = IniFileMgr();
    EXPECT_EQ((std::array<int32_t, 4>{ini.ReadInteger("MainZB", "ZB", -1), ini.ReadInteger("Windows", "WindowCount", -1),
                                      ini.ReadInteger("Windows", "WindowZbType0", -1),
                                      ini.ReadInteger("Windows", "WindowZbType1", -1)}),
              (std::array<int32_t, 4>{main, 2, sub0, sub1}));
    trend = std::make_unique<TFrmTrend>();
    const TStockChartModel& first = trend->StockChart(0)->Model();
    EXPECT_EQ((std::array<int, 4>{first.MainZbType(), first.WindowCount(), first.GetWindowZbType(0),
                                  first.GetWindowZbType(1)}),
              (std::array<int, 4>{main, 2, sub0, sub1}));
  }
}

TEST_F(TrendForm, GroupsAreKeptForShrinkingAndRedrawing) {
  trend->RedrawLast();
  EXPECT_TRUE(trend->CurrentConditions().empty());
  std::vector<std::pair<const TFormulate*, TIntAry>> added;
  trend->OnAddShrinkCondition = [&](const TFormulate* f, const T2DIntAry& v, bool) { added.push_back({f, v[0]}); };
  trend->BtnYLKLine->click();
  CurrentIndex = 601;  // one miss since the last hit
  trend->DrawConditionResult(Group(1), rmCurrentOmission);
  EXPECT_EQ(Panel()->edtYLFrom->Text() + Panel()->edtYLTo->Text(), "11");
  trend->DrawConditionResult(Group(3), rmTheoryPeriod);
  EXPECT_EQ(Panel()->edtYLTo->Text(), "4");
  trend->DrawConditionResult(Group(1), rmTheoryPeriod);
  trend->BtnYLChart->click();
  trend->YLChart(0)->OnCompactDblClick(trend->YLChart(0), trend->YLChart(0)->Condition());
  EXPECT_EQ(std::pair(trend->CurrentConditions().size(), trend->LastGroup().size()), std::pair(size_t{1}, size_t{3}));
  trend->AddToShrink();
  ASSERT_EQ(added.size(), 3u);
  EXPECT_EQ(added[2], std::make_pair(static_cast<const TFormulate*>(stub.get()), TIntAry{3}));
  // The training mode moves the current draw and charts the condition the
  // panel charted last again, with its result mode.
  trend->BtnYLKLine->click();
  trend->DrawConditionResult(Group(1), rmTheoryPeriod);
  Panel()->SetYLTo(50);
  CurrentIndex = 500;
  trend->RedrawLast();
  EXPECT_EQ(trend->CurrentConditions().size(), 1u);
  EXPECT_EQ(Panel()->edtYLTo->Text(), "4");
  EXPECT_EQ(trend->StockChart(0)->CurCandles().size(), 0u);  // no hit up to draw 500
}

// A view deleted while a prompt of its own runs is not touched again: the
// trend window's parameter dialog, its messages on a certain condition and
// a refused count, the chooser's on a record gone, the shrink window's on
// a refused filter. The prompt's loop deletes the view as it runs.
TEST_F(TrendForm, AViewDeletedWhileItsPromptRunsIsNotTouchedAgain) {
  platform::QtUserPrompts qt;
  platform::ScopedPrompts scope(qt);
  auto sure = CreateFormulate<StubFormula>(1.0f), never = CreateFormulate<StubFormula>(0.0f);
  stub->OmissionP = 0.01f;
  TConditionAry certain = Group(3), never3 = Group(3);
  certain[1].Formulate = sure.get();
  never3[1].Formulate = never.get();
  QPointer<QWidget> view;
  TFrmTrend* t = nullptr;
  const auto newTrend = [&] {
    view = t = new TFrmTrend;
    return t;
  };
  const std::pair<const char*, std::function<void()>> rows[] = {
      {"参数设置", [&] { newTrend()->MenuItem8->trigger(); }},
      {"提示", [&] { newTrend()->DrawConditionResult(certain, rmDraw); }},
      {"提示", [&] { newTrend()->BtnYLKLine->click(); t->DrawConditionResult(never3, rmTheoryAntiSet); }},
      {"提示", [&] {  // the omission chart's count set to 0, refused as the chart shows again
         newTrend()->BtnYLChart->click();
         t->DrawConditionResult(Group(2), rmDraw);
         t->edtKCount->setText("0");
         t->BtnYLChart->click();
       }},
      {"提示", [&] {
         AddShrinkCondition(Formula(RedSum), {{3}}, false);
         ShowChoose(40, Formula(RedSum), CdtList().GetItem(0), {});
         CdtList().Clear();
         view = FrmChoose(false);
         FrmChoose(false)->btnOK->click();
       }},
      {"提示", [&] {
         AddShrinkCondition(Formula(RedBall1), {{34}}, false);
         auto* shrink = new TFrmShrink;
         view = shrink;
         shrink->btnfilter->click();
       }}};
  for (size_t row = 0; row < std::size(rows); ++row) {
    SCOPED_TRACE(row);
    QString seen;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      if (QWidget* shown = QApplication::activeModalWidget()) {
        poll.stop();
        seen = shown->windowTitle();
        delete view;
      }
    });
    poll.start(5);
    rows[row].second();
    EXPECT_TRUE(platform::GuiDispatcher().PumpUntil([&] { return !view; }, std::chrono::seconds(60)));
    EXPECT_EQ(seen, rows[row].first);
  }
}

}  // namespace
