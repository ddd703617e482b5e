#include "charts/StockChartCtl.h"

#include "platform/Canvas.h"
#include "platform/DelphiRtl.h"

#include <QMouseEvent>

#include <algorithm>
#include <cmath>
#include <cstdlib>

using platform::Canvas;
using platform::DelphiRound;
using platform::TColor;

namespace {

// Rounded as the chart's pixel rules round: halves to even.
int Round(double v) { return int(DelphiRound(v)); }

// A moving line must be dragged this far (pixels, either way) before it
// follows the mouse.
constexpr int kDragThreshold = 3;
// A rubber-band line shorter than this is not kept.
constexpr double kMinLineLength = 10.0;
// With every candle on screen, a cell narrower than this sets the bar width.
constexpr int kFitCellLimit = 21;
// The x-axis labels stand at least this far apart.
constexpr int kLabelSpacing = 60;
constexpr int kMinLabelStep = 10;

// The chart's texts: the program's font at 8 points.
platform::TFont ChartFont() {
  platform::TFont f;
  f.SetSize(8);
  return f;
}

}  // namespace

void TChartRanges::Reset() {
  PriceMax = -9999999.0f;
  PriceMin = 1000000000.0f;
  MacdMax = -9999999.0f;
  MacdMin = 9999999.0f;
  KdjMax = -9999999.0f;
  KdjMin = 100000000.0f;
  AdxMax = -9999999.0f;
  AdxMin = 9999999.0f;
}

// ---------------------------------------------------------------------------
// Model

int TStockChartModel::BarWidth = TStockChartModel::DefaultBarWidth;

TStockChartModel::TStockChartModel() {
  SetCompact(false);
  BarWidth = DefaultBarWidth;
}

TStockChartModel::~TStockChartModel() = default;

void TStockChartModel::SetIndicators(std::unique_ptr<IStockIndicators> indicators) {
  indicators_ = std::move(indicators);
}

void TStockChartModel::SetTextMetrics(int height, int width) {
  textHeight_ = height;
  textWidth_ = width;
}

void TStockChartModel::SetData(const TCondition& condition, const TCandleAry& candles, int /*start*/) {
  CopyCondition(condition_, condition);
  chartMode_ = condition.ChartMode;
  candles_ = candles;
  lastVisible_ = Count() - 1;
  ClearLines();
  Recalculate();
}

void TStockChartModel::Recalculate() {
  CalcWindowRects();
  if (indicators_) indicators_->Compute(*this);
  LayoutSeries();
  Invalidate();
}

void TStockChartModel::CalcWindowRects() {
  int total = 0;
  for (int i = windowCount_ - 1; i >= 0; --i) {
    TSubWindow& w = windows_[size_t(i)];
    total += compact_ ? Round(height_ / 6.0) : w.Height;
    w.Rect.Left = margins_.Left;
    w.Rect.Right = width_ - margins_.Right;
    w.Rect.Top = height_ - margins_.Bottom - total;
    w.Rect.Bottom = i == windowCount_ - 1 ? height_ - margins_.Bottom : windows_[size_t(i) + 1].Rect.Top;
  }
  main_ = platform::Rect(margins_.Left, margins_.Top, width_ - margins_.Right, height_ - margins_.Bottom - total);
}

int TStockChartModel::CalcVisibleCount() const {
  // Whole slots (bar and gap) across the main window: exactly the candles
  // DrawCandles paints. A control narrower than its margins still "shows"
  // one candle, so that the visible range never turns inside out.
  return std::max(1, (width_ - margins_.Right - margins_.Left) / (candleWidth_ + gap_));
}

void TStockChartModel::LayoutSeries() {
  // Each layout starts from the shared width; a fit may widen it below.
  candleWidth_ = BarWidth;
  visibleCount_ = CalcVisibleCount();
  CalcValueRanges();
  // Labels are spaced by the slots the candles are drawn in.
  const int slot = gap_ + candleWidth_;
  labelStep_ = std::max(kMinLabelStep, (kLabelSpacing + slot - 1) / slot);
  // The candle under the mouse is one of the current candles, where the
  // mouse is now: new data, a scroll or a zoom move it under a still mouse.
  if (mouseSeen_ && !dragging_) UpdateCurrentIndex();
  if (indicators_) indicators_->LayoutPoints(*this);
}

void TStockChartModel::UpdateCurrentIndex() {
  const int slot = candleWidth_ + gap_;
  currentIndex_ = std::min(lastVisible_ - int(std::floor(double(width_ - margins_.Right - mouseX_) / slot)), Count() - 1);
}

void TStockChartModel::CalcValueRanges() {
  // One candle has ranges too; only a chart without candles keeps the
  // ranges it had.
  if (lastVisible_ < 0) return;
  if (lastVisible_ < visibleCount_) {
    // Every candle up to the last visible fits: narrow slots widen this
    // chart's bars so that those candles fill its window. The slots then
    // still hold them all, so the next layout finds the same. The shared
    // width stays: a chart with few candles must not widen the bars of
    // charts with many.
    const int cell = (width_ - margins_.Right - margins_.Left) / (lastVisible_ + 1);
    if (cell < kFitCellLimit) {
      candleWidth_ = std::max(1, cell - gap_);
      visibleCount_ = CalcVisibleCount();
    }
  }
  // The visible candles are the ones painted: the newest visibleCount_ up
  // to the last visible.
  firstVisible_ = std::max(0, lastVisible_ - visibleCount_ + 1);
  if (dragging_) currentIndex_ = firstVisible_ + pressOffset_;
  ranges_.Reset();
  for (int i = firstVisible_; i <= lastVisible_; ++i) {
    const TCandle& c = candles_[size_t(i)];
    ranges_.PriceMax = std::max({ranges_.PriceMax, c.Open, c.Close});
    ranges_.PriceMin = std::min({ranges_.PriceMin, c.Open, c.Close});
  }
  if (indicators_) indicators_->WidenRanges(*this, ranges_);
}

double TStockChartModel::PriceOffset(double v) const {
  const double span = double(ranges_.PriceMax) - ranges_.PriceMin;
  const double above = v - ranges_.PriceMin;
  if (span * above == 0) return 1.0;
  return (main_.Bottom - main_.Top) / span * above;
}

int TStockChartModel::PriceY(double v) const { return Round(main_.Bottom - PriceOffset(v)); }

double TStockChartModel::PriceAt(int y) const {
  return ranges_.PriceMin +
         (double(ranges_.PriceMax) - ranges_.PriceMin) * (main_.Bottom - y) / (main_.Bottom - main_.Top);
}

int TStockChartModel::CandleLeft(int i) const {
  return main_.Right - (lastVisible_ - i + 1) * (candleWidth_ + gap_);
}

// ---- chart operations

void TStockChartModel::SetSize(int width, int height) {
  if (width == width_ && height == height_) return;
  TDrawChartModel::SetSize(width, height);
  Recalculate();
}

void TStockChartModel::SetCompact(bool value) {
  TDrawChartModel::SetCompact(value);
  margins_ = value ? TChartMargins{0, 20, 10, 0, 0} : TChartMargins{40, 20, 10, 30, 30};
}

// Scroll arithmetic is 64-bit, so that no step overflows.
void TStockChartModel::ScrollBack(int n) {
  // Back until the oldest candle is the first visible one, and never past
  // the newest candle, even when all of them fit.
  const int64_t last = std::max<int64_t>(int64_t{lastVisible_} - n, visibleCount_ - 1);
  lastVisible_ = int(std::min<int64_t>(last, Count() - 1));
  Recalculate();
}

void TStockChartModel::ScrollForward(int n) {
  const int64_t last = int64_t{lastVisible_} + n;
  lastVisible_ = last < Count() ? int(last) : Count() - 1;
  Recalculate();
}

void TStockChartModel::ScrollPixels(int dx) { ScrollBack(int(std::abs(int64_t{dx}) / candleWidth_)); }

void TStockChartModel::ZoomIn() {
  // From the bars this chart shows, which a fit may have widened, so that
  // every zoom in makes them wider.
  BarWidth = std::max(BarWidth, candleWidth_) + 2;
  Recalculate();
}

void TStockChartModel::ZoomOut() {
  // From the shared width, so that no other chart's bars get wider.
  if (BarWidth - 2 <= 0) return;
  BarWidth -= 2;
  Recalculate();
}

// ---- sub-windows

void TStockChartModel::SetMainZbType(uint8_t kind) {
  if (kind == mainKind_) return;
  mainKind_ = kind;
  Recalculate();
}

void TStockChartModel::SetWindowCount(int n) {
  if (n == windowCount_) return;
  windowCount_ = std::clamp(n, 0, MaxWindowCount);
  LayoutSeries();
  Invalidate();
}

void TStockChartModel::SetWindowZbType(int i, uint8_t kind) {
  TSubWindow& w = windows_.at(size_t(i));
  if (w.Kind == kind) return;
  w.Kind = kind;
  Recalculate();
}

int TStockChartModel::GetMouseArea() const { return main_.Top < mouseY_ && mouseY_ < main_.Bottom ? 0 : 1; }

int TStockChartModel::GetMouseWindow() const {
  for (int i = 0; i < windowCount_; ++i) {
    const platform::TRect& r = windows_[size_t(i)].Rect;
    if (r.Top < mouseY_ && mouseY_ < r.Bottom) return i;
  }
  return 0;
}

// ---- published values

void TStockChartModel::SetZoom(int value) {
  if (value < 0 || value == zoom_) return;
  Invalidate();
  zoom_ = std::min(value, 10);
  SetCenterIndex(currentIndex_);
}

void TStockChartModel::SetShowMoveMaLine(bool value) {
  Invalidate();
  showMoveMaLine_ = value;
}

void TStockChartModel::SetCenterIndex(int value) { centerIndex_ = Count() == 0 ? -1 : std::clamp(value, 0, Count() - 1); }

void TStockChartModel::SetSelected(bool value) {
  selected_ = value;
  Invalidate();
}

// ---- mouse and user lines

void TStockChartModel::ToggleCrosshair() {
  crosshair_ = !crosshair_;
  Invalidate();
}

void TStockChartModel::MouseMove(int x, int y) {
  mouseSeen_ = true;
  mouseX_ = x;
  mouseY_ = y;
  const int slot = candleWidth_ + gap_;
  const int edge = width_ - 2 * margins_.Right;
  const int xs = x >= edge ? edge - 1 : x;
  candleOffset_ = Round(double(xs - margins_.Left) / slot - 0.5);
  UpdateCurrentIndex();
  if (isDrawLine_ && dragging_) {
    rubber_.SetPoints(pressPoint_.X, pressPoint_.Y, x, y);
  } else if (dragging_ && selectedLine_) {
    const int dx = x - dragPoint_.X, dy = y - dragPoint_.Y;
    if (std::abs(dx) >= kDragThreshold || std::abs(dy) >= kDragThreshold) {
      TDrawLine& l = *selectedLine_;
      switch (grabMode_) {
        case 1: l.SetPoints(x, y, l.X2, l.Y2); break;
        case 2: l.SetPoints(l.X1, l.Y1, x, y); break;
        case 3: l.SetPoints(l.X1 + dx, l.Y1 + dy, l.X2 + dx, l.Y2 + dy); break;
        default: break;
      }
      dragPoint_ = {x, y};
    }
  }
  Invalidate();
}

void TStockChartModel::MouseDown(int x, int y) {
  dragging_ = true;
  dragPoint_ = {x, y};
  pressOffset_ = candleOffset_;
  if (isDrawLine_) {
    pressPoint_ = {x, y};
    // The rubber band starts at the press, so that a click without a drag
    // never keeps the previous line again.
    rubber_.SetPoints(x, y, x, y);
    return;
  }
  selectedLine_ = nullptr;
  grabMode_ = 0;
  for (int i = 0; i < lines_.Count(); ++i) {
    TDrawLine* l = lines_[i];
    const int hit = selectedLine_ ? 0 : l->HitTest(x, y);
    l->Selected = hit != 0;
    if (hit != 0) {
      selectedLine_ = l;
      grabMode_ = hit;
    }
  }
  if (lines_.Count() > 0) Invalidate();
}

void TStockChartModel::MouseUp(int /*x*/, int /*y*/) {
  dragging_ = false;
  if (!isDrawLine_) return;
  if (rubber_.LineLength() > kMinLineLength)
    lines_.Add(std::make_unique<TDrawLine>(rubber_.X1, rubber_.Y1, rubber_.X2, rubber_.Y2));
  Invalidate();
}

void TStockChartModel::DeleteSelectedLine() {
  if (selectedLine_) lines_.Remove(selectedLine_);
  selectedLine_ = nullptr;
  grabMode_ = 0;
}

void TStockChartModel::ClearLines() {
  lines_.Clear();
  selectedLine_ = nullptr;
  grabMode_ = 0;
}

// ---------------------------------------------------------------------------
// Widget

TStockChart::TStockChart(QWidget* owner) : TDrawChart(owner) {
  setMouseTracking(true);
  // The right button is handled at its press; no context-menu event on top.
  setContextMenuPolicy(Qt::PreventContextMenu);
  resize(500, 300);
  AttachModel();
  model_.SetIndicators(MakeStockIndicators());
  if (IStockIndicators* ind = model_.Indicators()) ind->LoadSettings(model_);
}

TStockChart::~TStockChart() {
  if (IStockIndicators* ind = model_.Indicators()) ind->SaveSettings(model_);
  model_.OnInvalidate = nullptr;
}

void TStockChart::SetData(const TCondition& condition, const TCandleAry& candles, int start) {
  Canvas& c = BackCanvas();
  c.Font = ChartFont();
  const QString a = QStringLiteral("A");
  model_.SetTextMetrics(c.TextHeight(a), c.TextWidth(a));
  SyncSize();
  model_.SetData(condition, candles, start);
}

void TStockChart::SetIsDrawLine(bool on) {
  model_.SetIsDrawLine(on);
  if (on)
    setCursor(Qt::CrossCursor);
  else
    unsetCursor();
}

// ---- mouse

void TStockChart::mouseMoveEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  model_.MouseMove(p.x(), p.y());
}

void TStockChart::mousePressEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  if (event->button() == Qt::LeftButton) {
    model_.MouseDown(p.x(), p.y());
  } else if (event->button() == Qt::RightButton) {
    if (model_.IsDrawLine())
      SetIsDrawLine(false);
    else if (MyPopMenu)
      MyPopMenu->popup(mapToGlobal(p));
  }
}

void TStockChart::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const QPoint p = event->position().toPoint();
  model_.MouseUp(p.x(), p.y());
  if (OnClick) OnClick(this);
}

void TStockChart::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  model_.ToggleCrosshair();
  if (model_.IsCompact() && OnCompactDblClick) OnCompactDblClick(this, model_.Condition());
}

// ---- painting

namespace {

constexpr TColor kAxisColor = platform::clRed;
constexpr TColor kRisingColor = platform::clRed;
constexpr TColor kFallingColor = 0xFFFF00;
constexpr TColor kSelectedFrameColor = 0x48FF0B;
constexpr TColor kWindowNameColor = platform::clPurple;
constexpr TColor kReadoutBackColor = 0xFF0000;
constexpr TColor kLineHandleColor = platform::clSilver;

QString FormatPrice(double v) { return QString::fromStdString(platform::FormatFloat("0.00", v)); }

}  // namespace

void TStockChart::PaintBack(platform::Bitmap& back) {
  Canvas& c = back.GetCanvas();
  const int w = back.Width(), h = back.Height();
  c.Pen = platform::TPen{};
  c.Font = ChartFont();
  c.Brush.Color = StockChartBack;
  c.Brush.Style = platform::bsSolid;
  c.FillRect(platform::Rect(0, 0, w, h));
  // Texts leave the lines under their cells alone.
  c.Brush.Style = platform::bsClear;
  DrawFrame(c);
  if (model_.Count() > 0) DrawPriceLabels(c);
  DrawCandles(c);
  if (IStockIndicators* ind = model_.Indicators()) {
    ind->PaintMainOverlay(model_, c);
    for (int i = 0; i < model_.WindowCount(); ++i) ind->PaintSubWindow(model_, i, c);
  }
  DrawTitle(c);
  if (model_.CrosshairVisible()) DrawCrosshair(c);
  DrawUserLines(c);
}

void TStockChart::DrawFrame(Canvas& c) {
  const TStockChartModel& m = model_;
  const TChartMargins& mg = m.Margins();
  const int w = m.Width(), h = m.Height();
  c.Pen.Style = platform::psSolid;
  if (m.Selected() && m.IsCompact()) {
    c.Pen.Color = kSelectedFrameColor;
    c.Pen.Width = 1;
    c.Rectangle(1, 0, w, h - 1);
  }
  c.Pen.Color = kAxisColor;
  c.Pen.Width = 1;
  c.MoveTo(mg.Left, 0);
  c.LineTo(mg.Left, h - mg.Bottom + mg.Extra);
  c.MoveTo(mg.Left, h - mg.Bottom);
  c.LineTo(w - mg.Right, h - mg.Bottom);
  c.MoveTo(0, h - 1);
  c.LineTo(w, h - 1);
  if (!m.IsCompact()) {
    for (int i = 0; i < m.WindowCount(); ++i) {
      c.MoveTo(mg.Left, m.Window(i).Rect.Top);
      c.LineTo(w - mg.Right, m.Window(i).Rect.Top);
    }
  }

  // Ticks and labels of the x axis, every LabelStep candles from the right.
  c.Font.Color = kAxisColor;
  const int slot = m.Gap() + m.CandleWidth();
  const int base = Round(m.CandleWidth() / 2.0) + m.MainRect().Right;
  for (int k = m.LabelStep();; k += m.LabelStep()) {
    const int x = base - slot * k;
    if (x <= mg.Left) break;
    c.MoveTo(x, h - mg.Bottom);
    c.LineTo(x, h - mg.Bottom + 3);
    const int index = m.LastVisible() + 1 - k;
    if (!m.IsCandle(index)) continue;
    QString text;
    if (OnAxisLabel) OnAxisLabel(m.CurCandles()[size_t(index)].Draw, text);
    if (!text.isEmpty()) c.TextOut(x - 10, h - mg.Bottom + 10, text);
  }

  // The name of each sub-window's kind, one character a line, left of it.
  c.Font.Color = kWindowNameColor;
  for (int i = 0; i < m.WindowCount(); ++i) {
    const TSubWindow& sw = m.Window(i);
    if (sw.Kind >= SubZbNames.size()) continue;
    const QString name = QString::fromLatin1(SubZbNames[sw.Kind]);
    const int x = mg.Left - m.TextWidth() - 4;
    const int y = sw.Rect.Bottom - Round(sw.Rect.Height() / 2.0);
    const int half = Round(name.size() / 2.0);
    for (int j = 1; j <= name.size(); ++j) c.TextOut(x, y + (j - half - 1) * m.TextHeight(), name.mid(j - 1, 1));
  }
}

void TStockChart::DrawPriceLabels(Canvas& c) {
  const TStockChartModel& m = model_;
  const platform::TRect& r = m.MainRect();
  const int left = m.Margins().Left;
  c.Pen.Style = platform::psSolid;
  c.Pen.Color = kAxisColor;
  c.Pen.Width = 1;
  c.Font.Color = platform::clWhite;
  for (int y = r.Bottom; y > m.Margins().Top; y -= 50) {
    c.MoveTo(left, y);
    c.LineTo(left - 4, y);
    const QString text = FormatPrice(m.PriceAt(y));
    c.TextOut(left - (int(text.size()) - 1) * m.TextWidth() - 1, y - Round(m.TextHeight() / 2.0), text);
  }
}

void TStockChart::DrawCandles(Canvas& c) {
  const TStockChartModel& m = model_;
  const int bar = m.CandleWidth();
  c.Pen.Style = platform::psSolid;
  c.Pen.Width = 1;
  c.Brush.Style = platform::bsClear;
  for (int i = m.LastVisible(); i >= m.FirstVisible() && i >= 0; --i) {
    const TCandle& k = m.CurCandles()[size_t(i)];
    const int left = m.CandleLeft(i);
    if (left < m.Margins().Left) continue;
    const int top = m.PriceY(std::max(k.Open, k.Close));
    int bottom = m.PriceY(std::min(k.Open, k.Close));
    if (top == bottom) ++bottom;
    const bool rising = k.Close >= k.Open;
    c.Pen.Color = rising ? kRisingColor : kFallingColor;
    if (bar == 1) {
      c.MoveTo(left, top);
      c.LineTo(left, bottom);
      continue;
    }
    if (!rising) {
      c.Brush.Color = kFallingColor;
      c.Brush.Style = platform::bsSolid;
    }
    c.Rectangle(left, top, left + bar, bottom);
    c.Brush.Style = platform::bsClear;
  }
}

void TStockChart::DrawTitle(Canvas& c) {
  TStockChartModel& m = model_;
  if (m.IsCompact()) {
    const QString text = QString::fromStdString(m.Condition().Caption + " " + m.Condition().ValueText);
    c.Font.Color = platform::clWhite;
    DrawTitleText(c, text, m.MainRect().Left, m.MainRect().Right, 5);
    return;
  }
  const int x = m.MouseX();
  if (x < m.Margins().Left || x > m.Width() - m.Margins().Right || !m.IsCandle(m.CurrentIndex())) return;
  const TCandle& k = m.CurCandles()[size_t(m.CurrentIndex())];
  m.RefInfo() = TRefInfo{k.Draw, m.ReferenceValue(), m.IsCompact()};
  QString text;
  if (OnHint) OnHint(m.RefInfo(), m.Condition(), text);
  c.Font.Color = k.Open >= k.Close ? platform::clWhite : platform::clRed;
  if (!text.isEmpty()) DrawTitleText(c, text, m.MainRect().Left, m.MainRect().Right, 5);
}

void TStockChart::DrawCrosshair(Canvas& c) {
  const TStockChartModel& m = model_;
  const TChartMargins& mg = m.Margins();
  const int x = m.MouseX(), y = m.MouseY();
  const int right = m.Width() - mg.Right, bottom = m.Height() - mg.Bottom;
  if (!(mg.Left < x && x < right && mg.Top < y && y < bottom)) return;
  c.Pen.Style = platform::psSolid;
  c.Pen.Color = m.CrosshairColor();
  c.Pen.Width = 1;
  c.MoveTo(mg.Left + 1, y);
  c.LineTo(right, y);
  c.MoveTo(x, mg.Top + 1);
  c.LineTo(x, bottom);
  // The readout needs data and a main window with a height.
  const platform::TRect& r = m.MainRect();
  if (m.Count() == 0 || r.Bottom == r.Top || y < r.Top || y > r.Bottom) return;
  const int size = c.Font.Size();
  c.Font.SetSize(10);
  c.Brush.Color = kReadoutBackColor;
  c.Brush.Style = platform::bsSolid;
  const QString text = FormatPrice(m.PriceAt(y));
  c.TextOut(mg.Left - c.TextWidth(text) - 1, y - Round(c.TextWidth(QStringLiteral("1")) / 2.0), text);
  c.Font.SetSize(size);
  c.Brush.Style = platform::bsClear;
}

void TStockChart::DrawUserLines(Canvas& c) {
  const TStockChartModel& m = model_;
  c.Pen.Style = platform::psSolid;
  c.Pen.Width = 1;
  if (const TDrawLine* s = m.SelectedLine()) {
    c.Pen.Color = kLineHandleColor;
    c.Brush.Color = kLineHandleColor;
    c.Brush.Style = platform::bsSolid;
    c.Rectangle(s->X1 - 3, s->Y1 - 3, s->X1 + 3, s->Y1 + 3);
    c.Rectangle(s->X2 - 3, s->Y2 - 3, s->X2 + 3, s->Y2 + 3);
    c.Brush.Style = platform::bsClear;
  }
  c.Pen.Color = ChartParams().DrawLineColor;
  auto line = [&c](const TDrawLine& l) {
    c.MoveTo(l.X1, l.Y1);
    c.LineTo(l.X2, l.Y2);
  };
  for (int i = 0; i < m.Lines().Count(); ++i) line(*m.Lines()[i]);
  if (m.IsDrawLine() && m.Dragging()) line(m.RubberLine());
}
