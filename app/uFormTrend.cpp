#include "app/uFormTrend.h"

#include "app/uConditionWidgets.h"
#include "app/uFormCondition.h"
#include "app/uTrendBuilders.h"
#include "engine/uBaseFunc.h"
#include "engine/uIniFileMgr.h"
#include "platform/DelphiRtl.h"
#include "platform/UserPrompts.h"

#include <QButtonGroup>
#include <QClipboard>
#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const std::string Section = "FrmTrend";
const std::string YLSection = "YLChart";
constexpr int Panel2Width = 212;
constexpr int ToolBarHeight = 40;

// The pictures of the three mode buttons: rising and falling candles (in
// two colourings) and a line of omission circles.
QIcon ModeIcon(int mode) {
  QPixmap picture(16, 16);
  picture.fill(Qt::transparent);
  QPainter p(&picture);
  if (mode == cmOmissionChart) {
    p.setPen(QColor(0, 160, 0));
    const QPoint points[] = {{2, 12}, {6, 5}, {10, 9}, {14, 3}};
    p.drawPolyline(points, 4);
    p.setBrush(Qt::red);
    for (const QPoint& at : points) p.drawEllipse(at, 2, 2);
    return QIcon(picture);
  }
  const QColor rise = mode == cmFrequencyCandles ? QColor(Qt::red) : QColor(255, 128, 0);
  const QColor fall = mode == cmFrequencyCandles ? QColor(0, 160, 160) : QColor(0, 0, 200);
  p.fillRect(2, 6, 3, 8, rise);
  p.fillRect(7, 3, 3, 7, fall);
  p.fillRect(12, 1, 3, 9, rise);
  return QIcon(picture);
}

QToolButton* ModeButton(const char* name, const char* caption, int mode, QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setText(QString::fromUtf8(caption));
  button->setIcon(ModeIcon(mode));
  button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  button->setCheckable(true);
  button->setAutoRaise(true);
  button->setFixedSize(62, 36);
  return button;
}

QAction* MenuItem(QMenu* menu, const char* name, const char* caption, int tag = 0) {
  QAction* action = menu->addAction(QString::fromUtf8(caption));
  action->setObjectName(QString::fromLatin1(name));
  action->setData(tag);
  return action;
}

QMenu* SubMenu(QMenu* menu, const char* name, const char* caption) {
  QMenu* sub = menu->addMenu(QString::fromUtf8(caption));
  sub->setObjectName(QString::fromLatin1(name));
  return sub;
}

// "参数1".."参数N" over the periods of the moving-average lines.
std::vector<TZBParam> PeriodParams(TIntAry& periods) {
  std::vector<TZBParam> params;
  for (size_t i = 0; i < periods.size() && i < size_t{MaLineCount}; ++i)
    params.push_back({"参数" + std::to_string(i + 1), &periods[i]});
  return params;
}

}  // namespace

// Seven charts take a row of four, so that every chart gets a cell.
const std::array<TFrmTrend::TGridCell, TFrmTrend::MaxCharts> TFrmTrend::ChartGrid = {{
    {1, 1}, {1, 2}, {2, 2}, {2, 2}, {2, 3}, {2, 3}, {2, 4}, {2, 4},
    {3, 3}, {2, 5}, {3, 4}, {3, 4}, {3, 5}, {3, 5}, {3, 5},
}};

// ---------------------------------------------------------------------------
// Creation.

TFrmTrend::TFrmTrend(QWidget* parent) : QWidget(parent) {
  setObjectName(QString::fromStdString(Section));
  setWindowTitle(QStringLiteral("趋势分析"));
  resize(1354, 709);
  EditParams = [this](const std::vector<TZBParam>& params) {
    TFrmZbCnfg dialog(this);
    dialog.BuildParams(params);
    return platform::RunModal(dialog) == QDialog::Accepted;
  };
  CreateComponents();
  CreateMenus();
  CreateOmissionCharts();
  CreateCandleCharts();

  const TIniFileMgr& ini = IniFileMgr();
  kCount_ = ini.ReadInteger(Section, "KCount", DefaultKCount);
  ylCount_ = ini.ReadInteger(Section, "YLCount", DefaultYLCount);
  ChartParams().DrawLineColor = ini.ReadInteger(Section, "DrawLineColor", 255);
  edtKCount->setText(QString::number(kCount_));
  connect(edtKCount, &QLineEdit::textChanged, this, [this](const QString& text) { KCountChange(text); });
}

TFrmTrend::~TFrmTrend() {
  // Every candle chart saves its overlay and sub-window kinds as it goes,
  // the last one gone winning: the first chart, the one a single condition
  // shows, goes last, so that the kinds picked on it are kept.
  for (auto chart = stockCharts_.rbegin(); chart != stockCharts_.rend(); ++chart) delete *chart;
  TIniFileMgr& ini = IniFileMgr();
  ini.WriteInteger(Section, "KCount", kCount_);
  ini.WriteInteger(Section, "YLCount", ylCount_);
}

void TFrmTrend::CreateComponents() {
  Panel2 = new QWidget(this);
  Panel2->setObjectName(QStringLiteral("Panel2"));
  Panel2->setFixedWidth(Panel2Width);
  auto* left = new QVBoxLayout(Panel2);
  left->setContentsMargins(0, 0, 0, 0);

  // The chart panels and the tool bar are placed by LayoutPanel1.
  Panel1 = new QWidget(this);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->installEventFilter(this);
  PanelStockChart = new QWidget(Panel1);
  PanelStockChart->setObjectName(QStringLiteral("PanelStockChart"));
  PanelYLChart = new QWidget(Panel1);
  PanelYLChart->setObjectName(QStringLiteral("PanelYLChart"));
  PanelYLChart->hide();
  for (QWidget* panel : {PanelStockChart, PanelYLChart}) {
    panel->setAutoFillBackground(true);
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, Qt::black);
    panel->setPalette(palette);
  }

  Panel4 = new QWidget(Panel1);
  Panel4->setObjectName(QStringLiteral("Panel4"));
  ToolBar1 = new QToolBar(Panel4);
  ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
  BtnPLKLine = ModeButton("BtnPLKLine", "频率K线图", cmFrequencyCandles, ToolBar1);
  BtnYLKLine = ModeButton("BtnYLKLine", "遗漏K线图", cmOmissionCandles, ToolBar1);
  BtnYLChart = ModeButton("BtnYLChart", "遗漏图", cmOmissionChart, ToolBar1);
  auto* modes = new QButtonGroup(this);
  modes->setExclusive(true);
  const std::array<QToolButton*, 3> buttons = {BtnPLKLine, BtnYLKLine, BtnYLChart};
  for (int mode = 0; mode < 3; ++mode) {
    ToolBar1->addWidget(buttons[size_t(mode)]);
    modes->addButton(buttons[size_t(mode)]);
    connect(buttons[size_t(mode)], &QToolButton::clicked, this, [this, mode] { ModeClick(mode); });
  }
  BtnPLKLine->setChecked(true);
  Panel3 = new QWidget(ToolBar1);
  Panel3->setObjectName(QStringLiteral("Panel3"));
  LabCount = new QLabel(QStringLiteral("K线数量"), Panel3);
  LabCount->setObjectName(QStringLiteral("LabCount"));
  edtKCount = new QLineEdit(QStringLiteral("400"), Panel3);
  edtKCount->setObjectName(QStringLiteral("edtKCount"));
  edtKCount->setFixedWidth(60);
  auto* count = new QHBoxLayout(Panel3);
  count->setContentsMargins(12, 0, 0, 0);
  count->addWidget(LabCount);
  count->addWidget(edtKCount);
  ToolBar1->addWidget(Panel3);
  auto* bar = new QHBoxLayout(Panel4);
  bar->setContentsMargins(2, 0, 2, 0);
  bar->addWidget(ToolBar1);
  bar->addStretch(1);

  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(Panel2);
  layout->addWidget(Panel1, 1);
}

void TFrmTrend::CreateMenus() {
  PopConfig = new QMenu(this);
  PopConfig->setObjectName(QStringLiteral("PopConfig"));
  N14 = MenuItem(PopConfig, "N14", "复制号码");
  PopConfig->addSeparator();
  popDrawLine = MenuItem(PopConfig, "popDrawLine", "画线");
  N6 = MenuItem(PopConfig, "N6", "删除线");
  PopLine = MenuItem(PopConfig, "PopLine", "线条颜色");
  PopConfig->addSeparator();
  popMainZB = SubMenu(PopConfig, "popMainZB", "可选指标");
  N9 = MenuItem(popMainZB, "N9", "均线", zbMainMA);
  N8 = MenuItem(popMainZB, "N8", "布林线", zbMainBoll);
  popSubZb = SubMenu(PopConfig, "popSubZb", "可选指标");
  MACD1 = MenuItem(popSubZb, "MACD1", "MACD", zbMACD);
  KDJ1 = MenuItem(popSubZb, "KDJ1", "KDJ", zbKDJ);
  ADX1 = MenuItem(popSubZb, "ADX1", "ADX", zbADX);
  popZbConfig = MenuItem(PopConfig, "popZbConfig", "设置参数");
  PopConfig->addSeparator();
  N1 = SubMenu(PopConfig, "N1", "副窗口数");
  N2 = MenuItem(N1, "N2", "一个窗口", 1);
  N3 = MenuItem(N1, "N3", "二个窗口", 2);
  N4 = MenuItem(N1, "N4", "三个窗口", 3);

  PopYL = new QMenu(this);
  PopYL->setObjectName(QStringLiteral("PopYL"));
  MenuItem8 = MenuItem(PopYL, "MenuItem8", "设置均线参数");
  PopYL->addSeparator();
  popYLBackColor = MenuItem(PopYL, "popYLBackColor", "背景色");
  popYLGridColor = MenuItem(PopYL, "popYLGridColor", "网格线颜色");

  connect(PopConfig, &QMenu::aboutToShow, this, [this] { MenuPopup(); });
  connect(PopYL, &QMenu::aboutToShow, this, [this] { MenuPopup(); });
  connect(N14, &QAction::triggered, this, [this] { CopyNumbers(); });
  connect(popDrawLine, &QAction::triggered, this, [this] {
    if (selectedStock_) selectedStock_->SetIsDrawLine(true);
  });
  connect(N6, &QAction::triggered, this, [this] {
    if (!selectedStock_) return;
    selectedStock_->DeleteSelectedLine();
    selectedStock_->update();
  });
  connect(PopLine, &QAction::triggered, this, [this] { ChooseLineColor(); });
  for (QAction* item : {N9, N8})
    connect(item, &QAction::triggered, this, [this, item] {
      if (selectedStock_) selectedStock_->SetMainZbType(static_cast<uint8_t>(item->data().toInt()));
    });
  for (QAction* item : {MACD1, KDJ1, ADX1})
    connect(item, &QAction::triggered, this, [this, item] {
      if (selectedStock_) selectedStock_->SetWindowZbType(mouseWindow_, static_cast<uint8_t>(item->data().toInt()));
    });
  connect(popZbConfig, &QAction::triggered, this, [this] { ConfigParams(); });
  for (QAction* item : {N2, N3, N4})
    connect(item, &QAction::triggered, this, [this, item] {
      for (TStockChart* chart : stockCharts_) {
        chart->SetWindowCount(item->data().toInt());
        chart->Recalculate();
      }
    });
  connect(MenuItem8, &QAction::triggered, this, [this] { ConfigYLParams(); });
  connect(popYLBackColor, &QAction::triggered, this, [this] { ChooseYLColor(true); });
  connect(popYLGridColor, &QAction::triggered, this, [this] { ChooseYLColor(false); });
}

void TFrmTrend::CreateOmissionCharts() {
  for (int i = 0; i < ChartSlots; ++i) {
    auto* chart = new TYLChart(PanelYLChart);
    chart->setObjectName(QStringLiteral("YLKLine%1").arg(i));
    chart->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(chart, &QWidget::customContextMenuRequested, this,
            [this, chart](const QPoint& at) { PopYL->popup(chart->mapToGlobal(at)); });
    chart->SetData(TCondition{}, TYLAry{}, 0);
    chart->OnCompactDblClick = [this](TYLChart*, const TCondition& c) { ShowSingleCondition(c); };
    ylCharts_[size_t(i)] = chart;
  }
}

void TFrmTrend::CreateCandleCharts() {
  chartCount_ = 0;
  for (int i = 0; i < ChartSlots; ++i) {
    auto* chart = new TStockChart(PanelStockChart);
    chart->setObjectName(QStringLiteral("KLine%1").arg(i));
    chart->setProperty("Tag", i);
    chart->hide();
    chart->MyPopMenu = PopConfig;
    chart->OnHint = [this](const TRefInfo& info, const TCondition& c, QString& text) { ChartHint(info, c, text); };
    chart->OnClick = [this](TStockChart* sender) { SelectChart(sender); };
    chart->OnCompactDblClick = [this](TStockChart*, const TCondition& c) { ShowSingleCondition(c); };
    stockCharts_[size_t(i)] = chart;
  }
  LayoutCharts(1, false);
  selectedStock_->SetData(TCondition{}, TCandleAry{}, 0);
}

TFrmCondition* TFrmTrend::ConditionPanel() {
  if (!condition_) {
    condition_ = new TFrmCondition(Panel2);
    Panel2->layout()->addWidget(condition_);
    condition_->OnResult = [this](const TConditionAry& c, int mode) { DrawConditionResult(c, mode); };
    condition_->OnAddToShrink = [this] { AddToShrink(); };
    condition_->OnRedraw = [this] { RedrawGroup(); };
    condition_->show();
  }
  return condition_;
}

void TFrmTrend::showEvent(QShowEvent* event) {
  ConditionPanel();
  QWidget::showEvent(event);
}

bool TFrmTrend::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Panel1 && event->type() == QEvent::Resize) LayoutPanel1();
  return QWidget::eventFilter(watched, event);
}

void TFrmTrend::LayoutPanel1() {
  const int w = Panel1->width(), h = std::max(Panel1->height() - ToolBarHeight, 0);
  // Both chart panels always have the area's size, the hidden one too.
  PanelStockChart->setGeometry(0, 0, w, h);
  PanelYLChart->setGeometry(0, 0, w, h);
  Panel4->setGeometry(0, h, w, ToolBarHeight);
  LayoutCharts(-1, chartMode_ == cmOmissionChart);
}

// ---------------------------------------------------------------------------
// Modes and counts.

void TFrmTrend::ModeClick(int mode) {
  const bool ylChart = mode == cmOmissionChart;
  PanelYLChart->setVisible(ylChart);
  PanelStockChart->setVisible(!ylChart);
  if (!ylChart) ConditionPanel()->ShowRangeControls(mode == cmOmissionCandles);
  chartMode_ = mode;
  LabCount->setText(ylChart ? QStringLiteral("统计期数") : QStringLiteral("K线数量"));
  edtKCount->setText(QString::number(ylChart ? ylCount_ : kCount_));
  BtnPLKLine->setChecked(mode == cmFrequencyCandles);
  BtnYLKLine->setChecked(mode == cmOmissionCandles);
  BtnYLChart->setChecked(ylChart);
  if (ylChart)
    BuildOmissionChart(current_);
  else
    Chart(current_, rmDraw);
}

void TFrmTrend::KCountChange(const QString& text) {
  int32_t value = 0;
  const bool ok = platform::TryStrToInt(text.toStdString(), value);
  if (chartMode_ == cmOmissionChart)
    ylCount_ = ok ? value : DefaultYLCount;
  else
    kCount_ = ok ? value : DefaultKCount;
}

bool TFrmTrend::PrepareDrawCounts(TConditionAry& conditions, int32_t extra) {
  const int64_t available = std::clamp<int64_t>(int64_t{CurrentIndex} + 1, 0, DrawHistory.Count());
  for (TCondition& c : conditions) {
    int32_t k = 0;
    if (!platform::TryStrToInt(edtKCount->text().toStdString(), k)) k = DefaultKCount;
    if (k <= 0) {
      ShowMessage(this, QStringLiteral("K线数量不能为0"));
      return false;
    }
    c.DrawCount = static_cast<int32_t>(std::min<int64_t>(int64_t{k} + extra, available));
  }
  return true;
}

std::span<TLottery> TFrmTrend::DrawsOf(const TCondition& condition) const {
  return ConditionDraws(DrawHistory, CurrentIndex, condition.DrawCount);
}

// ---------------------------------------------------------------------------
// Charting.

void TFrmTrend::DrawConditionResult(const TConditionAry& conditions, int resultMode) {
  if (Chart(conditions, resultMode)) redrawCurrent_ = current_.size() == 1;
}

bool TFrmTrend::Chart(const TConditionAry& conditions, int resultMode) {
  if (conditions.empty() || !conditions.front().Formulate) return false;
  const QPointer<TFrmTrend> alive(this);
  // Copies are deep; the grid holds at most MaxCharts.
  TConditionAry charted(conditions.begin(),
                        conditions.begin() + std::min<ptrdiff_t>(ptrdiff_t(conditions.size()), MaxCharts));
  if (!PrepareDrawCounts(charted, FrequencyExtraDraws)) return false;
  if (charted.size() > 1) lastGroup_ = charted;
  current_ = std::move(charted);
  switch (chartMode_) {
    case cmFrequencyCandles:
      BuildFrequencyCandles(current_);
      break;
    case cmOmissionCandles:
      lastResultMode_ = resultMode;
      BuildOmissionCandles(current_, resultMode);
      break;
    default:
      BuildOmissionChart(current_);
  }
  // A window deleted while it showed a message has charted nothing.
  return bool(alive);
}

void TFrmTrend::BuildFrequencyCandles(TConditionAry& conditions) {
  if (!PrepareDrawCounts(conditions, FrequencyExtraDraws)) return;
  LayoutCharts(int(conditions.size()), false);
  for (size_t i = 0; i < conditions.size() && i < size_t{MaxCharts}; ++i) {
    TCondition& c = conditions[i];
    c.ChartMode = cmFrequencyCandles;
    TCandleWalk walk = ::BuildFrequencyCandles(DrawsOf(c), c);
    if (walk.Certain) {
      ShowMessage(this, QStringLiteral("出现概率为100%，不在画图！"));
      return;
    }
    stockCharts_[i]->SetReferenceValue(walk.Reference);
    stockCharts_[i]->SetData(c, walk.Candles, c.DrawCount - FrequencyExtraDraws);
  }
}

void TFrmTrend::BuildOmissionCandles(TConditionAry& conditions, int resultMode) {
  if (!PrepareDrawCounts(conditions, OmissionExtraDraws)) return;
  LayoutCharts(int(conditions.size()), false);
  TFrmCondition* panel = ConditionPanel();
  for (size_t i = 0; i < conditions.size() && i < size_t{MaxCharts}; ++i) {
    TCondition& c = conditions[i];
    c.ChartMode = cmOmissionCandles;
    const std::span<TLottery> draws = DrawsOf(c);
    int32_t lo = 0, hi = 0;
    if (resultMode >= rmCurrentOmission && resultMode <= rmTheoryAntiSet) {
      const TOmissionRange range = OmissionRangeOf(draws, c, resultMode);
      panel->SetYLFrom(range.PanelFrom);
      panel->SetYLTo(range.PanelTo);
      lo = range.Lo;
      hi = range.Hi;
    } else {
      lo = panel->GetYLFrom();
      hi = panel->GetYLTo();
    }
    TCandleWalk walk = ::BuildOmissionCandles(draws, c, lo, hi, resultMode == rmTheoryAntiSet);
    if (walk.Certain) {
      const QPointer<TFrmTrend> alive(this);
      ShowMessage(this, QStringLiteral("出现概率为100%，不再画图！"));
      if (!alive) return;
      continue;
    }
    const int hits = int(walk.Candles.size());
    stockCharts_[i]->SetReferenceValue(walk.Reference);
    stockCharts_[i]->SetData(c, walk.Candles, std::min(hits, c.DrawCount - OmissionExtraDraws));
  }
}

void TFrmTrend::BuildOmissionChart(TConditionAry& conditions) {
  // A count refused leaves the counts the conditions hold.
  const QPointer<TFrmTrend> alive(this);
  PrepareDrawCounts(conditions, OmissionExtraDraws);
  if (!alive) return;
  LayoutCharts(int(conditions.size()), true);
  for (size_t i = 0; i < conditions.size() && i < size_t{MaxCharts}; ++i) {
    TCondition& c = conditions[i];
    c.ChartMode = cmOmissionChart;
    TOmissionPoints s = ::BuildOmissionChart(DrawsOf(c), c, NextIssueDraw());
    ylCharts_[i]->SetLevel(s.Level);
    ylCharts_[i]->SetData(c, s.Points, std::min(int(s.Points.size()), OmissionChartPoints));
  }
}

void TFrmTrend::LayoutCharts(int count, bool omission) {
  if (count != -1 || chartCount_ < 1) chartCount_ = std::clamp(count, 1, MaxCharts);
  const TGridCell grid = ChartGrid[size_t(chartCount_ - 1)];
  const int gap = chartCount_ == 1 ? 0 : 5;
  // A panel too small for the gaps gives empty cells.
  const int width = std::max((PanelStockChart->width() - 2 * gap * grid.Columns) / grid.Columns, 0);
  const int height = std::max((PanelStockChart->height() - 4 * grid.Rows) / grid.Rows, 0);
  for (int i = 0; i < ChartSlots; ++i) {
    stockCharts_[size_t(i)]->hide();
    ylCharts_[size_t(i)]->hide();
  }
  const bool compact = chartCount_ > 1;
  for (int k = 0; k < chartCount_; ++k) {
    const int r = k / grid.Columns, c = k % grid.Columns;
    TDrawChart* chart = omission ? static_cast<TDrawChart*>(ylCharts_[size_t(k)]) : stockCharts_[size_t(k)];
    chart->SetCompact(compact);
    chart->setGeometry((width + gap) * c + gap, (height + 2) * r + 2, width, height);
    chart->show();
    if (omission)
      ylCharts_[size_t(k)]->Recalculate();
    else
      stockCharts_[size_t(k)]->Recalculate();
  }
  if (omission) {
    selectedYL_ = ylCharts_[0];
  } else {
    selectedStock_ = stockCharts_[0];
    for (TStockChart* chart : stockCharts_) chart->SetSelected(chart == selectedStock_);
  }
}

// ---------------------------------------------------------------------------
// Chart callbacks.

void TFrmTrend::ChartHint(const TRefInfo& refInfo, const TCondition& condition, QString& text) const {
  if (!refInfo.Draw) return;
  if (refInfo.IsCompact) {
    text.clear();
    return;
  }
  const TLottery& d = *refInfo.Draw;
  const QString value = QString::fromStdString(platform::FormatFloat("0.00", refInfo.Value));
  text = QString::fromStdString(condition.Caption + " " + condition.ValueText + "  " + IssueText(&d)) +
         QStringLiteral("（") + QString::fromStdString(d.NumText);
  if (condition.ChartMode == cmOmissionCandles)
    text += QStringLiteral("  遗漏值") + QString::number(d.OmitCount) + QStringLiteral("）") +
            QString::fromStdString(d.Description) + QStringLiteral("  概率") + value;
  else
    text += QStringLiteral("）") + QString::fromStdString(d.Description) + QStringLiteral("  理论周期") + value;
}

void TFrmTrend::SelectChart(TStockChart* chart) {
  for (TStockChart* c : stockCharts_) c->SetSelected(false);
  chart->SetSelected(true);
  selectedStock_ = chart;
}

void TFrmTrend::ShowSingleCondition(const TCondition& condition) {
  // The copy comes first: charting replaces the chart's own condition.
  const TConditionAry single{condition};
  if (Chart(single, rmDraw)) redrawCurrent_ = false;
}

void TFrmTrend::RedrawGroup() {
  if (Chart(lastGroup_, rmDraw)) redrawCurrent_ = false;
}

void TFrmTrend::RedrawLast() { Chart(redrawCurrent_ ? current_ : lastGroup_, lastResultMode_); }

void TFrmTrend::AddToShrink() {
  if (!OnAddShrinkCondition) return;
  for (const TCondition& c : lastGroup_) OnAddShrinkCondition(c.Formulate, c.Values, c.IsRepeat);
}

// ---------------------------------------------------------------------------
// Context menus.

void TFrmTrend::MenuPopup() {
  if (!selectedStock_) return;
  mouseArea_ = selectedStock_->GetMouseArea();
  popMainZB->menuAction()->setVisible(mouseArea_ == 0);
  popSubZb->menuAction()->setVisible(mouseArea_ == 1);
  if (mouseArea_ != 0) mouseWindow_ = selectedStock_->GetMouseWindow();
}

void TFrmTrend::CopyNumbers() {
  if (!selectedStock_) return;
  const T2DIntAry& values = selectedStock_->Condition().Values;
  const std::string text = values.empty() ? std::string() : JoinIntAry(values[0], " ");
  QGuiApplication::clipboard()->setText(QString::fromStdString(text));
}

void TFrmTrend::ChooseLineColor() {
  const std::optional<platform::TColor> color = platform::Prompts().ChooseColor(this, ChartParams().DrawLineColor);
  if (!color) return;
  ChartParams().DrawLineColor = *color;
  IniFileMgr().WriteInteger(Section, "DrawLineColor", *color);
  for (TStockChart* chart : stockCharts_) chart->update();
}

void TFrmTrend::ChooseYLColor(bool back) {
  platform::TColor& shared = back ? ChartParams().YLBackColor : ChartParams().YLGridColor;
  const std::optional<platform::TColor> color = platform::Prompts().ChooseColor(this, shared);
  if (!color) return;
  shared = *color;
  IniFileMgr().WriteInteger(YLSection, back ? "YLBackColor" : "YLGridColor", *color);
}

std::vector<TZBParam> TFrmTrend::ZbConfigParams() {
  TChartParams& p = ChartParams();
  if (!selectedStock_) return {};
  const TStockChartModel& chart = selectedStock_->Model();
  if (mouseArea_ == 0) {
    if (chart.MainZbType() == zbMainMA) return PeriodParams(p.MaDays);
    if (chart.MainZbType() == zbMainBoll) return {{"参数1", &p.BollN}};
    return {};
  }
  if (mouseWindow_ < 0 || mouseWindow_ >= chart.WindowCount()) return {};
  switch (chart.GetWindowZbType(mouseWindow_)) {
    case zbMACD:
      return {{"快速", &p.MacdQuick}, {"慢速", &p.MacdSlow}, {"Dif", &p.MacdDean}};
    case zbKDJ:
      return {{"N", &p.KdjN}, {"M1", &p.KdjM1}, {"M2", &p.KdjM2}};
    case zbADX:
      return {{"N", &p.AdxN}};
    default:
      return {};
  }
}

// The periods are shared by every chart of a kind, so all of them are laid
// out again.
void TFrmTrend::ConfigParams() {
  const std::vector<TZBParam> params = ZbConfigParams();
  if (params.empty() || !EditParams || !EditParams(params)) return;
  for (TStockChart* chart : stockCharts_) chart->Recalculate();
}

void TFrmTrend::ConfigYLParams() {
  const std::vector<TZBParam> params = PeriodParams(ChartParams().YLMaDays);
  if (!EditParams || !EditParams(params)) return;
  for (TYLChart* chart : ylCharts_) chart->Recalculate();
}
