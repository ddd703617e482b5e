#include "charts/uYLChart.h"

#include "charts/uChartIndicators.h"
#include "engine/uIniFileMgr.h"
#include "platform/Canvas.h"
#include "platform/DelphiRtl.h"

#include <QMouseEvent>

#include <algorithm>
#include <cmath>

using platform::Canvas;
using platform::DelphiRound;
using platform::TColor;
using platform::TPoint;

namespace {

constexpr TColor kAxisColor = platform::clRed;
constexpr TColor kOddLabelColor = 0x0AFE4D;
constexpr TColor kLevelColor = 0x48FF0B;
constexpr TColor kLineColor = platform::clBlue;
constexpr TColor kCircleColor = platform::clRed;
constexpr TColor kCircleTextColor = platform::clWhite;
constexpr TColor kMaCircleTextColor = platform::clBlack;

// Rows far outside any bitmap are cut here, so that no omission or level,
// however large, overflows the pixel arithmetic.
constexpr double kFarRow = 1e7;

std::string Key(const char* name, size_t i) { return name + std::to_string(i); }

}  // namespace

TYLChartModel::TYLChartModel() { Recalculate(); }

void TYLChartModel::SetData(const TCondition& condition, const TYLAry& items, int n) {
  CopyCondition(condition_, condition);
  points_ = items;
  shown_ = points_.empty() ? 0 : std::clamp(n, 1, Count());
  Recalculate();
}

void TYLChartModel::SetSize(int width, int height) {
  TDrawChartModel::SetSize(width, height);
  Recalculate();
}

void TYLChartModel::Recalculate() {
  plot_ = platform::Rect(MarginLeft, MarginTop, width_ - MarginRight, height_ - MarginBottom);
  const int count = Count();

  maxOmission_ = 0;
  for (int i = FirstShown(); i < count; ++i) maxOmission_ = std::max(maxOmission_, points_[size_t(i)].Omission);

  // The shown points share the plot's width; a plot narrower than them
  // still steps one pixel a point.
  step_ = count > 0 ? std::max(1, int(std::ceil(double(plot_.Width()) / shown_))) : EmptyStep;
  const int height = plot_.Height();
  if (maxOmission_ == 0) {
    scale_ = EmptyScale;
  } else if (height <= 0) {
    scale_ = 0;
  } else {
    // Whole pixels per draw while they fit, else a fraction, so that the
    // largest omission still reaches the top.
    const int whole = height / maxOmission_;
    scale_ = whole >= 1 ? whole : double(height) / maxOmission_;
  }

  pixels_.clear();
  firstPlotted_ = count;
  for (int i = count - 1; i >= 0; --i) {
    const int x = ColumnX(count - 1 - i);
    if (x < plot_.Left) break;
    pixels_.push_back({x, OmissionY(points_[size_t(i)].Omission)});
    firstPlotted_ = i;
  }

  const TIntAry& days = ChartParams().YLMaDays;
  std::vector<int32_t> omissions;
  for (const TYLPoint& p : points_) omissions.push_back(p.Omission);
  ma_.assign(days.size(), {});
  maPixels_.assign(days.size(), {});
  for (size_t k = 0; k < days.size(); ++k) {
    ma_[k] = RunningMeans<int64_t, int32_t>(omissions, days[k]);
    if (days[k] <= 0) continue;
    for (int i = count - 1; i >= firstPlotted_; --i)
      maPixels_[k].push_back({ColumnX(count - 1 - i), OmissionY(ma_[k][size_t(i)])});
  }

  labelStep_ = 1;
  UpdateMouseIndex();
  Invalidate();
}

int TYLChartModel::ColumnX(int k) const { return plot_.Right - int(DelphiRound(step_ / 2.0)) - step_ * k; }

int TYLChartModel::OmissionY(double omission) const {
  const double rise = std::clamp(scale_ * omission, -kFarRow, kFarRow);
  return plot_.Bottom - int(DelphiRound(rise));
}

TYLChartModel::TCircleColors TYLChartModel::CircleColors(int i) const {
  const TChartParams& p = ChartParams();
  for (size_t k = 0; k < p.YLMaDays.size() && k < p.YLMaColors.size(); ++k)
    if (p.YLMaDays[k] > 0 && i == Count() - p.YLMaDays[k] - 1) return {p.YLMaColors[k], kMaCircleTextColor};
  return {kCircleColor, kCircleTextColor};
}

// ---- mouse

void TYLChartModel::MouseMove(int x, int y) {
  mouseSeen_ = true;
  mouseX_ = x;
  mouseY_ = y;
  UpdateMouseIndex();
  Invalidate();
}

void TYLChartModel::UpdateMouseIndex() {
  if (!mouseSeen_) {
    mouseIndex_ = -1;
    return;
  }
  // The nearest point: columns counted from the newest point's x, rounded
  // to the nearest whole; nothing bounds it on the left.
  const double columns = std::floor(double(ColumnX(0) - mouseX_) / step_ + 0.5);
  mouseIndex_ = int(std::min<double>(Count() - 1 - columns, Count() - 1));
}

bool TYLChartModel::HasHover() const {
  return mouseSeen_ && mouseX_ >= MarginLeft && mouseX_ <= width_ - MarginRight && IsPoint(mouseIndex_);
}

QString TYLChartModel::HoverText() const {
  if (!IsPoint(mouseIndex_)) return {};
  const TYLPoint& p = points_[size_t(mouseIndex_)];
  return QString::fromStdString(IssueText(p.Draw)) + QStringLiteral("（") +
         QString::fromStdString(p.Draw ? p.Draw->NumText : std::string()) + QStringLiteral("）  遗漏值：") +
         QString::number(p.Omission);
}

// ---- settings

void TYLChartModel::LoadSettings() {
  TChartParams& p = ChartParams();
  TIniFileMgr& ini = IniFileMgr();
  p.YLMaDays.resize(MaLineCount);
  p.YLMaColors.resize(MaLineCount);
  for (size_t i = 0; i < size_t(MaLineCount); ++i) {
    p.YLMaDays[i] = ini.ReadInteger("MA_YL", Key("DayCount", i), DefaultMaDays[i]);
    p.YLMaColors[i] = ini.ReadInteger("MA_YL", Key("Color", i), DefaultMaColors[i]);
  }
  p.YLBackColor = ini.ReadInteger("YLChart", "YLBackColor", p.YLBackColor);
  p.YLGridColor = ini.ReadInteger("YLChart", "YLGridColor", p.YLGridColor);
}

void TYLChartModel::SaveSettings() {
  const TChartParams& p = ChartParams();
  for (size_t i = 0; i < p.YLMaDays.size(); ++i) WriteSetting("MA_YL", Key("DayCount", i), p.YLMaDays[i]);
  for (size_t i = 0; i < p.YLMaColors.size(); ++i) WriteSetting("MA_YL", Key("Color", i), p.YLMaColors[i]);
}

// ---------------------------------------------------------------------------
// Widget

TYLChart::TYLChart(QWidget* owner) : TDrawChart(owner) {
  setMouseTracking(true);
  AttachModel();
  TYLChartModel::LoadSettings();
  model_.Recalculate();
}

TYLChart::~TYLChart() {
  TYLChartModel::SaveSettings();
  model_.OnInvalidate = nullptr;
}

void TYLChart::SetData(const TCondition& condition, const TYLAry& items, int n) {
  SyncSize();
  model_.SetData(condition, items, n);
}

void TYLChart::Recalculate() {
  SyncSize();
  model_.Recalculate();
}

void TYLChart::mouseMoveEvent(QMouseEvent* event) {
  SyncSize();
  const QPoint p = event->position().toPoint();
  model_.MouseMove(p.x(), p.y());
}

// Presses and releases of the left button do nothing (and make no click).
void TYLChart::mousePressEvent(QMouseEvent* event) { event->accept(); }
void TYLChart::mouseReleaseEvent(QMouseEvent* event) { event->accept(); }

void TYLChart::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  if (model_.IsCompact() && OnCompactDblClick) OnCompactDblClick(this, model_.Condition());
}

void TYLChart::PaintBack(platform::Bitmap& back) {
  Canvas& c = back.GetCanvas();
  c.Pen = platform::TPen{};
  c.Font = platform::TFont{};
  c.Font.SetSize(8);  // the charts' texts are 8-point
  c.Brush = {ChartParams().YLBackColor, platform::bsSolid};
  c.FillRect(platform::Rect(0, 0, back.Width(), back.Height()));
  DrawAxesAndGrid(c);
  DrawMovingAverages(c);
  DrawPoints(c);
  DrawHover(c);
}

void TYLChart::DrawAxesAndGrid(Canvas& c) {
  const TYLChartModel& m = model_;
  const platform::TRect& plot = m.PlotRect();
  const TColor grid = ChartParams().YLGridColor;
  c.Pen = {kAxisColor, 1, platform::psSolid};
  c.MoveTo(plot.Left, 0);
  c.LineTo(plot.Left, plot.Bottom);
  c.MoveTo(plot.Left, m.Height() - TYLChartModel::MarginBottom);
  c.LineTo(plot.Right, m.Height() - TYLChartModel::MarginBottom);

  // The numbers of each column's draw, reading downwards under the axis
  // (each takes a line's height left of x + 5), with a dotted grid line and
  // a tick. Columns narrower than a line keep the numbers that do not
  // overlap one drawn nearer the newest draw.
  const platform::TFont normal = c.Font;
  c.Font.Orientation = 2700;
  const int lineHeight = c.TextHeight(QStringLiteral("0"));
  std::vector<QString> texts;
  std::vector<platform::TRect> labels;
  for (int k = 0; m.ColumnX(k) > TYLChartModel::MarginLeft && m.Count() - k >= 1; ++k) {
    const int x = m.ColumnX(k);
    const TYLPoint& point = m.Points()[size_t(m.Count() - 1 - k)];
    texts.push_back(point.Draw ? QString::fromStdString(point.Draw->NumText) : QString());
    const int length = c.TextWidth(texts.back());
    labels.push_back(platform::Rect(x + 5 - lineHeight, plot.Bottom + 8, x + 5, plot.Bottom + 8 + length));
    c.Pen = {grid, 1, platform::psDot};
    c.MoveTo(x, plot.Top);
    c.LineTo(x, plot.Bottom);
    c.Pen.Color = kAxisColor;
    c.MoveTo(x, plot.Bottom);
    c.LineTo(x, plot.Bottom + 5);
  }
  const std::vector<bool> drawn = SpacedLabels(labels);
  for (size_t k = 0; k < texts.size(); ++k) {
    if (!drawn[k] || texts[k].isEmpty()) continue;
    c.Font.Color = k % 2 == 1 ? kOddLabelColor : platform::clRed;
    c.TextOut(labels[k].Right, plot.Bottom + 8, texts[k]);
  }
  c.Font = normal;
  c.Pen.Style = platform::psSolid;

  // The expected omission's number goes left of its line; a row's number
  // that would overlap it, or one drawn above, is left out.
  const int levelY = m.LevelY();
  const QString level = QString::number(DelphiRound(m.Level()));
  const auto numberAt = [&](int y, const QString& text) {
    return platform::Rect(plot.Left - c.TextWidth(text) - 2, y - 5, plot.Left - 2, y - 5 + lineHeight);
  };

  // A row per draw of omission, while the plot has room for them.
  if (m.HasRowGrid()) {
    std::vector<int> numbered;  // top row first
    for (int v = 1; m.OmissionY(v) > plot.Top; ++v) {
      const int y = m.OmissionY(v);
      c.Pen.Color = grid;
      c.MoveTo(plot.Left, y);
      c.LineTo(plot.Right, y);
      c.Pen.Color = kAxisColor;
      c.MoveTo(plot.Left - 3, y);
      c.LineTo(plot.Left, y);
      if (m.Count() - v > 0) numbered.insert(numbered.begin(), v);
    }
    std::vector<platform::TRect> rows = {numberAt(levelY, level)};
    for (int v : numbered) rows.push_back(numberAt(m.OmissionY(v), QString::number(v)));
    const std::vector<bool> shown = SpacedLabels(rows);
    c.Font.Color = platform::clWhite;
    for (size_t i = 1; i < rows.size(); ++i)
      if (shown[i]) c.TextOut(rows[i].Left, rows[i].Top, QString::number(numbered[i - 1]));
  }

  c.Pen = {kLevelColor, 2, platform::psSolid};
  c.MoveTo(plot.Left + 1, levelY);
  c.LineTo(plot.Right - 1, levelY);
  c.Pen.Width = 1;
  c.Font.Color = platform::clBlue;
  c.TextOut(plot.Left - c.TextWidth(level) - 2, levelY - 5, level);
}

void TYLChart::DrawMovingAverages(Canvas& c) {
  const TYLChartModel& m = model_;
  const TChartParams& p = ChartParams();
  int x = TYLChartModel::MarginLeft + 5;
  for (size_t k = 0; k < m.MaValues().size() && k < p.YLMaColors.size(); ++k) {
    if (p.YLMaDays[k] <= 0) continue;
    const auto& pixels = m.MaPixels()[k];
    c.Pen = {p.YLMaColors[k], 1, platform::psSolid};
    c.Polyline(pixels.data(), int(pixels.size()));
    const TMaAry& values = m.MaValues()[k];
    const int i = m.MouseIndex();
    if (i < 0 || size_t(i) >= values.size()) continue;
    const QString text = QStringLiteral("MA") + QString::number(p.YLMaDays[k]) + QStringLiteral(":") +
                         QString::fromStdString(platform::FormatFloat("0.00", values[size_t(i)]));
    c.Font.Color = p.YLMaColors[k];
    c.TextOut(x, m.PlotRect().Top - 15, text);
    x += c.TextWidth(text) + 4;
  }
}

void TYLChart::DrawPoints(Canvas& c) {
  const TYLChartModel& m = model_;
  c.Pen = {kLineColor, 1, platform::psSolid};
  c.Polyline(m.LinePixels().data(), int(m.LinePixels().size()));
  // Circles with their omission, from the newest point back; where the
  // points crowd, a circle that would overlap one drawn before is left out
  // (the line still runs through its point).
  struct Circle {
    int Point, HalfWidth, HalfHeight;
    QString Text;
  };
  c.Font.Style = platform::fsBold;
  std::vector<Circle> circles;
  std::vector<platform::TRect> bounds;
  for (int i = m.Count() - 1; i >= m.FirstPlotted(); --i) {
    const TPoint at = m.PointPixel(i);
    const QString text = QString::number(m.Points()[size_t(i)].Omission);
    const int halfWidth = int(DelphiRound(c.TextWidth(text) / 2.0));
    const int halfHeight = int(DelphiRound(c.TextHeight(text) / 2.0));
    const int r = std::max(halfWidth, halfHeight) + 2;
    circles.push_back({i, halfWidth, halfHeight, text});
    bounds.push_back(platform::Rect(at.X - r, at.Y - r, at.X + r, at.Y + r));
  }
  const std::vector<bool> drawn = SpacedLabels(bounds);
  for (size_t j = 0; j < circles.size(); ++j) {
    if (!drawn[j]) continue;
    const Circle& circle = circles[j];
    const TPoint at = m.PointPixel(circle.Point);
    const auto colors = m.CircleColors(circle.Point);
    c.Brush = {colors.Fill, platform::bsSolid};
    c.Pen = {colors.Fill, 1, platform::psSolid};
    c.Ellipse(bounds[j]);
    c.Brush.Style = platform::bsClear;
    c.Font.Color = colors.Text;
    c.TextOut(at.X - circle.HalfWidth, at.Y - circle.HalfHeight, circle.Text);
  }
  c.Font.Style = 0;
}

void TYLChart::DrawHover(Canvas& c) {
  if (!model_.HasHover()) return;
  c.Font.Color = platform::clWhite;
  DrawTitleText(c, model_.HoverText(), model_.PlotRect().Left, model_.PlotRect().Right, 5);
}
