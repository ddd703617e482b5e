// The trend window "趋势分析": the condition panel on the left, and on the
// right one chart per condition handed over, in a grid: frequency candles,
// omission candles or omission charts, chosen by the three buttons of the
// tool bar. It owns sixteen charts of each kind, their context menus (chart
// indicators, user lines, colours, parameters, copying a chart's numbers)
// and the settings of section "FrmTrend".
//
// The window is made to be embedded (a parent is given, no frame of its
// own); the main window calls RedrawLast after moving the current draw.
#pragma once

#include "app/uFrmZbCnfg.h"
#include "charts/StockChartCtl.h"
#include "charts/uYLChart.h"

#include <QWidget>

#include <array>
#include <functional>
#include <span>
#include <vector>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QToolBar;
class QToolButton;
class TFrmCondition;

class TFrmTrend : public QWidget {
 public:
  static constexpr int ChartSlots = 16;  // charts of each kind
  static constexpr int MaxCharts = 15;   // charts laid out at once
  static constexpr int DefaultKCount = 400;
  static constexpr int DefaultYLCount = 60;
  // Rows and columns of the grid of 1..MaxCharts charts.
  struct TGridCell {
    int Rows, Columns;
  };
  static const std::array<TGridCell, MaxCharts> ChartGrid;

  // Reads the settings; the condition panel is made when the window is
  // first shown (or first needed).
  explicit TFrmTrend(QWidget* parent = nullptr);
  // Writes KCount and YLCount.
  ~TFrmTrend() override;

  // ---- the condition panel's callbacks
  // Charts the conditions (the first MaxCharts of them) in the current
  // chart mode; a list of two or more becomes the last group. A single
  // condition is what RedrawLast charts again, until a group is charted.
  void DrawConditionResult(const TConditionAry& conditions, int resultMode);
  // Hands every condition of the last group to OnAddShrinkCondition.
  void AddToShrink();
  // Charts the last group with result mode 0.
  void RedrawGroup();
  // Charts again, up to the current draw, with the last result mode of the
  // omission candles (after the current draw moved): the single condition
  // the panel charted last, else the last group; nothing without either.
  // A chart of the group zoomed leaves the group.
  void RedrawLast();

  // Adds one condition to the shrink window's list (set by the main window).
  std::function<void(const TFormulate* formula, const T2DIntAry& values, bool repeat)> OnAddShrinkCondition;
  // Shows the parameter dialog over the list, modally; true when the user
  // pressed OK (the dialog has stored the values then).
  std::function<bool(const std::vector<TZBParam>& params)> EditParams;

  // ---- steps of charting, public for the main window and tests
  // The draws each condition processes: the count typed (400 when it is no
  // integer) plus `extra`, at most the draws up to the current one. False,
  // after telling the user, when the count is 0 or less.
  bool PrepareDrawCounts(TConditionAry& conditions, int32_t extra);
  void BuildFrequencyCandles(TConditionAry& conditions);
  void BuildOmissionCandles(TConditionAry& conditions, int resultMode);
  void BuildOmissionChart(TConditionAry& conditions);
  // Lays out `count` charts (-1: the count in force) of one kind in the
  // grid, over the candle panel's size; hides every other chart.
  void LayoutCharts(int count, bool omission);
  // The hover text of a candle chart; the draw's issue only while the
  // issues are shown (ChartParams().ShowIssueNo).
  void ChartHint(const TRefInfo& refInfo, const TCondition& condition, QString& text) const;
  void SelectChart(TStockChart* chart);
  // Charts one condition alone; the last group stays as it was.
  void ShowSingleCondition(const TCondition& condition);
  // The parameters under the mouse when the candle menu opened.
  std::vector<TZBParam> ZbConfigParams();

  // The condition panel, made on first use.
  TFrmCondition* ConditionPanel();

  // ---- state
  int ChartMode() const { return chartMode_; }
  int ChartCount() const { return chartCount_; }
  int32_t KCount() const { return kCount_; }
  int32_t YLCount() const { return ylCount_; }
  int LastResultMode() const { return lastResultMode_; }
  const TConditionAry& CurrentConditions() const { return current_; }
  const TConditionAry& LastGroup() const { return lastGroup_; }
  TStockChart* StockChart(int i) const { return stockCharts_.at(static_cast<size_t>(i)); }
  TYLChart* YLChart(int i) const { return ylCharts_.at(static_cast<size_t>(i)); }
  TStockChart* SelectedStockChart() const { return selectedStock_; }
  TYLChart* SelectedYLChart() const { return selectedYL_; }

  // ---- the components
  QWidget* Panel1;  // the chart area and the tool bar
  QWidget* Panel2;  // the condition panel's place
  QWidget* Panel3;  // the count on the tool bar
  QWidget* Panel4;  // the tool bar's place
  QWidget* PanelStockChart;
  QWidget* PanelYLChart;
  QToolBar* ToolBar1;
  QToolButton* BtnPLKLine;
  QToolButton* BtnYLKLine;
  QToolButton* BtnYLChart;
  QLabel* LabCount;
  QLineEdit* edtKCount;

  QMenu* PopConfig;
  QAction* N14;
  QAction* popDrawLine;
  QAction* N6;
  QAction* PopLine;
  QMenu* popMainZB;
  QAction* N9;
  QAction* N8;
  QMenu* popSubZb;
  QAction* MACD1;
  QAction* KDJ1;
  QAction* ADX1;
  QAction* popZbConfig;
  QMenu* N1;
  QAction* N2;
  QAction* N3;
  QAction* N4;

  QMenu* PopYL;
  QAction* MenuItem8;
  QAction* popYLBackColor;
  QAction* popYLGridColor;

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Charts the conditions as DrawConditionResult does; false when nothing
  // was charted (no conditions, a count refused).
  bool Chart(const TConditionAry& conditions, int resultMode);
  void CreateComponents();
  void CreateMenus();
  void CreateOmissionCharts();
  void CreateCandleCharts();
  void ModeClick(int mode);
  void KCountChange(const QString& text);
  void LayoutPanel1();
  void MenuPopup();
  void CopyNumbers();
  void ChooseLineColor();
  void ChooseYLColor(bool back);
  void ConfigParams();
  void ConfigYLParams();
  std::span<TLottery> DrawsOf(const TCondition& condition) const;

  std::array<TStockChart*, ChartSlots> stockCharts_{};
  TStockChart* selectedStock_ = nullptr;
  std::array<TYLChart*, ChartSlots> ylCharts_{};
  TYLChart* selectedYL_ = nullptr;
  int chartCount_ = 0;
  TConditionAry current_;
  TFrmCondition* condition_ = nullptr;
  int mouseArea_ = 0;
  int mouseWindow_ = 0;
  int chartMode_ = cmFrequencyCandles;
  int32_t kCount_ = DefaultKCount;
  int32_t ylCount_ = DefaultYLCount;
  int lastResultMode_ = 0;
  TConditionAry lastGroup_;
  bool redrawCurrent_ = false;  // RedrawLast charts current_, not the group
};
