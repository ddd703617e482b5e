// The trend window, offscreen: modes, counts, the grid, hints, the context
// menus on the selected chart, groups and add-to-shrink.
#include "app/FormsTestSupport.h"
#include "app/TrendSupport.h"

#include "app/uFormCondition.h"
#include "app/uFormTrend.h"
#include "engine/uIniFileMgr.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>

#include <set>

namespace {

class TrendForm : public FormsTest {
 protected:
  void SetUp() override {
    FormsTest::SetUp();
    ChartParams() = TChartParams{};
    UseHistory(std::string(600, '.') + "x..x");
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
  void UseHistory(const std::string& pattern) {
    DrawHistory = PatternHistory(pattern);
    CurrentIndex = DrawHistory.Count() - 1;
  }
  // n conditions of the stub, captions "c0", "c1", ...; values {i + 1}.
  TConditionAry Group(int n) {
    TConditionAry group;
    for (int i = 0; i < n; ++i)
      group.push_back(StubCondition(stub.get(), std::string("c").append(std::to_string(i)), {i + 1}));
    return group;
  }
  std::unique_ptr<StubFormula> stub = CreateFormulate<StubFormula>(0.25f);
  std::unique_ptr<TFrmTrend> trend;
  std::vector<std::string> asked;
};

TEST_F(TrendForm, GridFillsThePanelWithACellPerChart) {
  trend->PanelStockChart->resize(1100, 660);
  const int expected[][2] = {{1, 1}, {1, 2}, {2, 2}, {2, 2}, {2, 3}, {2, 3}, {2, 4}, {2, 4},
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
    EXPECT_EQ((std::vector<int>{int(tops.size()), int(lefts.size())}),
              (std::vector<int>{expected[n - 1][0], expected[n - 1][1]})) << n;
    EXPECT_EQ(shown, std::min(n, 15));
    EXPECT_TRUE(right > 1065 && right <= 1100 && bottom > 650 && bottom <= 660) << n;
  }
  trend->LayoutCharts(0, false);
  EXPECT_EQ(trend->StockChart(0)->geometry(), QRect(0, 2, 1100, 656));
  trend->LayoutCharts(2, false);
  trend->LayoutCharts(-1, false);
  EXPECT_EQ(trend->StockChart(1)->geometry(), QRect(550, 2, 540, 656));
}

TEST_F(TrendForm, ModeButtonsSwitchPanelsCountsAndRangeControls) {
  trend->show();
  trend->DrawConditionResult(Group(4), rmDraw);
  EXPECT_EQ(trend->StockChart(3)->CurCandles().size(), 450u);
  trend->BtnYLChart->click();
  EXPECT_TRUE(trend->PanelYLChart->isVisible() && !trend->PanelStockChart->isVisible());
  EXPECT_EQ(trend->LabCount->text() + trend->edtKCount->text(), QStringLiteral("统计期数60"));
  EXPECT_TRUE(trend->YLChart(3)->isVisible());
  EXPECT_EQ(trend->YLChart(3)->Condition().ChartMode, cmOmissionChart);
  trend->edtKCount->setText(QStringLiteral("30"));
  trend->edtKCount->setText(QStringLiteral("abc"));
  EXPECT_EQ(trend->YLCount(), 60);
  EXPECT_EQ(trend->KCount(), 400);
  trend->BtnYLKLine->click();  // charted with the panel's range
  EXPECT_TRUE(trend->ConditionPanel()->BtnLL->isVisible());
  EXPECT_EQ(trend->ConditionPanel()->edtYLTo->Text(), QStringLiteral("2"));
  EXPECT_EQ(trend->edtKCount->text(), QStringLiteral("400"));
  EXPECT_TRUE(trend->StockChart(3)->isVisible());
  EXPECT_EQ(trend->StockChart(3)->Condition().ChartMode, cmOmissionCandles);
  trend->BtnPLKLine->click();
  EXPECT_FALSE(trend->ConditionPanel()->BtnLL->isVisible());
  EXPECT_TRUE(trend->BtnPLKLine->isChecked() && !trend->BtnYLKLine->isChecked());
}

TEST_F(TrendForm, DrawCountsAreRefusedAtZeroAndEndAtTheCurrentDraw) {
  for (const char* text : {"0", "-5"}) {
    trend->edtKCount->setText(QString::fromLatin1(text));
    trend->DrawConditionResult(Group(2), rmDraw);
    EXPECT_TRUE(trend->CurrentConditions().empty()) << text;
  }
  EXPECT_EQ(Messages(), QStringList({QStringLiteral("K线数量不能为0"), QStringLiteral("K线数量不能为0")}));
  trend->edtKCount->setText(QStringLiteral("abc"));
  trend->DrawConditionResult(Group(16), rmDraw);
  EXPECT_EQ(trend->LastGroup().size(), 15u);
  EXPECT_EQ(trend->CurrentConditions()[14].DrawCount, 450);
  // Training early in the history: only the draws up to the current one.
  CurrentIndex = 30;
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
  EXPECT_EQ(trend->StockChart(0)->Condition().Caption, "c0");
  EXPECT_EQ(trend->StockChart(2)->Condition().Caption, "");
  trend->BtnYLKLine->click();  // omission candles: only that condition is left out
  group[1].Formulate = never.get();
  trend->DrawConditionResult(group, rmTheoryAntiSet);
  EXPECT_EQ(trend->StockChart(2)->Condition().ChartMode, cmOmissionCandles);
  EXPECT_EQ(trend->StockChart(1)->Condition().Formulate, sure.get());  // kept from the switch
  EXPECT_EQ(Messages(), QStringList({QStringLiteral("出现概率为100%，不在画图！"),
                                     QStringLiteral("出现概率为100%，不再画图！")}));
  EXPECT_EQ(trend->ConditionPanel()->edtYLTo->Text(), QStringLiteral("999"));
  EXPECT_EQ(trend->LastResultMode(), rmTheoryAntiSet);
}

TEST_F(TrendForm, HintsNameTheDrawAndTheChartsNumber) {
  TLottery& d = DrawHistory[601];
  d.OmitCount = 3;
  d.Description = "desc";
  TCondition c = StubCondition(stub.get(), "cap");
  struct Case {
    uint8_t mode;
    TRefInfo info;
    QString text;
  } cases[] = {
      {cmFrequencyCandles, {&d, 4, false}, "cap [ 1 ]  2020602期（2,3,4,5,6,7,8）desc  理论周期4.00"},
      {cmOmissionCandles, {&d, 0.254, false}, "cap [ 1 ]  2020602期（2,3,4,5,6,7,8  遗漏值3）desc  概率0.25"},
      {cmFrequencyCandles, {&d, 4, true}, ""},
      {cmFrequencyCandles, {nullptr, 4, false}, "kept"},
  };
  for (const Case& k : cases) {
    c.ChartMode = k.mode;
    QString text = QStringLiteral("kept");
    trend->ChartHint(k.info, c, text);
    EXPECT_EQ(text, k.text);
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
  EXPECT_TRUE(trend->popMainZB->menuAction()->isVisible());
  EXPECT_FALSE(trend->popSubZb->menuAction()->isVisible());
  trend->N8->trigger();
  EXPECT_EQ(chart->Model().MainZbType(), zbMainBoll);
  EXPECT_EQ(trend->StockChart(0)->Model().MainZbType(), zbMainMA);
  trend->popZbConfig->trigger();
  EXPECT_EQ(asked, std::vector<std::string>{"参数1"});
  trend->N14->trigger();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("3"));
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
  trend->popYLGridColor->trigger();
  EXPECT_EQ(recording.Calls[0].Color, 255);
  EXPECT_EQ(ChartParams().DrawLineColor, 0x00FF00);
  EXPECT_EQ(ChartParams().YLGridColor, 0x7F7F7F);  // cancelled
  EXPECT_EQ(IniFileMgr().ReadInteger("FrmTrend", "DrawLineColor", 0), 0x00FF00);
  EXPECT_EQ(IniFileMgr().ReadInteger("YLChart", "YLBackColor", 0), 0x123456);
  trend->MenuItem8->trigger();
  EXPECT_EQ(asked, (std::vector<std::string>{"参数1", "参数2", "参数3", "参数4", "参数5", "参数6"}));
  trend->edtKCount->setText(QStringLiteral("120"));
  trend.reset();
  EXPECT_EQ(IniFileMgr().ReadInteger("FrmTrend", "KCount", 0), 120);
}

TEST_F(TrendForm, GroupsAreKeptForShrinkingAndRedrawing) {
  trend->RedrawLast();
  EXPECT_TRUE(trend->CurrentConditions().empty());
  std::vector<std::pair<const TFormulate*, TIntAry>> added;
  trend->OnAddShrinkCondition = [&](const TFormulate* f, const T2DIntAry& v, bool) { added.push_back({f, v[0]}); };
  trend->BtnYLKLine->click();
  CurrentIndex = 601;  // one miss since the last hit
  trend->DrawConditionResult(Group(1), rmCurrentOmission);
  EXPECT_EQ(trend->ConditionPanel()->edtYLFrom->Text() + trend->ConditionPanel()->edtYLTo->Text(), "11");
  trend->DrawConditionResult(Group(3), rmTheoryPeriod);
  EXPECT_EQ(trend->ConditionPanel()->edtYLTo->Text(), QStringLiteral("4"));
  trend->DrawConditionResult(Group(1), rmTheoryPeriod);
  trend->BtnYLChart->click();
  trend->YLChart(0)->OnCompactDblClick(trend->YLChart(0), trend->YLChart(0)->Condition());
  EXPECT_EQ(trend->CurrentConditions().size(), 1u);
  EXPECT_EQ(trend->LastGroup().size(), 3u);
  trend->AddToShrink();
  ASSERT_EQ(added.size(), 3u);
  EXPECT_EQ(added[2], std::make_pair(static_cast<const TFormulate*>(stub.get()), TIntAry{3}));
  // The training mode moves the current draw and charts the group again.
  trend->BtnYLKLine->click();
  trend->DrawConditionResult(Group(1), rmTheoryPeriod);
  trend->ConditionPanel()->SetYLTo(50);
  CurrentIndex = 500;
  trend->RedrawLast();
  EXPECT_EQ(trend->CurrentConditions().size(), 3u);
  EXPECT_EQ(trend->ConditionPanel()->edtYLTo->Text(), QStringLiteral("4"));
  EXPECT_EQ(trend->StockChart(2)->CurCandles().size(), 0u);  // no hit up to draw 500
}

}  // namespace
