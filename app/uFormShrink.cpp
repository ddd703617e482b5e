#include "app/uFormShrink.h"

#include "app/uFormChoose.h"
#include "engine/uFormulaDef.h"
#include "engine/uLottery.h"
#include "platform/AppPath.h"
#include "platform/DelphiRtl.h"
#include "platform/Dispatcher.h"
#include "platform/FileUtil.h"
#include "platform/UserPrompts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QFile>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QShowEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QStyle>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <mutex>
#include <utility>

using platform::XmlDocument;
using platform::XmlElement;

// --- TCdtEditor -----------------------------------------------------------------

TCdtModel* TCdtEditor::Model() const { return Tree() ? dynamic_cast<TCdtModel*>(Tree()->model()) : nullptr; }

bool TCdtEditor::FlagColumn() const {
  return Model() && GetNodeData().isValid() && (Column() == TCdtModel::colSave || Column() == TCdtModel::colRC);
}

int TCdtEditor::GetEditorKind() { return FlagColumn() ? ekPickList : ekNone; }

void TCdtEditor::FillItems(TEditItems& items, QStringList& values) {
  TVTEditLink::FillItems(items, values);
  if (!FlagColumn()) return;
  items.Add(QString::fromUtf8(FlagText(true)));
  items.Add(QString::fromUtf8(FlagText(false)));
}

QString TCdtEditor::GetEditText() {
  // The list opens on the current flag, so that closing it changes nothing.
  return FlagColumn() ? QString::fromUtf8(FlagText(Model()->Flag(Node().row(), Column()))) : QString();
}

bool TCdtEditor::SetEditText(const QString& text, const QString& value, qint64 data) {
  const bool changed = TVTEditLink::SetEditText(text, value, data);
  if (FlagColumn()) Model()->SetFlag(Node().row(), Column(), text == QString::fromUtf8(FlagText(true)));
  return changed;
}

void TCdtEditor::EditorDblClick() {
  if (!FlagColumn()) return;
  const bool flag = !Model()->Flag(Node().row(), Column());
  Model()->SetFlag(Node().row(), Column(), flag);
  // The list follows, so that ending the edit keeps the new flag.
  if (auto* combo = qobject_cast<QComboBox*>(Editor())) combo->setCurrentText(QString::fromUtf8(FlagText(flag)));
}

// --- The filter's reports --------------------------------------------------------

// Receives the running filter's reports on its worker thread and hands
// them to the window: they pile up here and one call queued onto the GUI
// thread takes all that piled up since the last one, so rows arrive in
// batches and the GUI thread is woken only while it has kept up.
class TFrmShrink::TBridge : public IShrinkFilterSink, public std::enable_shared_from_this<TBridge> {
 public:
  struct TReports {
    bool Started = false;
    std::vector<TShrinkRow> Rows;
    std::string Progress;
    bool Ended = false;
    bool Cancelled = false;
    std::string Message;  // the run was refused
    std::string EndText;
  };

  explicit TBridge(TFrmShrink* window) : window_(window) {}
  // GUI thread: the window is going; queued calls do nothing from now on.
  void Detach() { window_ = nullptr; }
  TReports Take() {
    std::lock_guard lock(mutex_);
    queued_ = false;
    return std::exchange(pending_, TReports{});
  }

  void FilterMessage(const std::string& text) override {
    Report([&](TReports& r) {
      r.Message = text;
      r.Ended = true;
    });
  }
  void FilterStarted(bool) override {
    Report([&](TReports& r) {
      r.Started = true;
      r.Rows.clear();
    });
  }
  void FilterProgress(const std::string& text) override {
    Report([&](TReports& r) { r.Progress = text; });
  }
  void FilterRow(const TShrinkRow& row) override {
    Report([&](TReports& r) { r.Rows.push_back(row); });
  }
  void FilterEnd(const std::string& text) override {
    Report([&](TReports& r) {
      r.EndText = text;
      r.Ended = true;
    });
  }
  void FilterCancelled() override {
    Report([&](TReports& r) {
      r.Cancelled = true;
      r.Ended = true;
    });
  }

 private:
  template <class F>
  void Report(F change) {
    bool queue = false;
    {
      std::lock_guard lock(mutex_);
      change(pending_);
      queue = !std::exchange(queued_, true);
    }
    if (queue)
      platform::GuiDispatcher().Post([self = shared_from_this()] {
        if (self->window_) self->window_->TakeFilterReports();
      });
  }

  TFrmShrink* window_;  // read and cleared on the GUI thread only
  std::mutex mutex_;
  TReports pending_;
  bool queued_ = false;  // a call to take them is queued
};

// --- The window -----------------------------------------------------------------------

namespace {

QPointer<TFrmShrink>& ShrinkWindow() {
  static QPointer<TFrmShrink> window;
  return window;
}

enum class TToolImage { Delete, Edit, Load, SaveScheme, Filter, SaveNumbers };

// The tool bar's 32 x 32 pictures.
QIcon ToolImage(TToolImage kind) {
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor ink(0x2F, 0x4F, 0x80);
  p.setPen(QPen(ink, 1.5));
  auto sheet = [&](QColor fill) {
    p.setBrush(fill);
    p.drawRect(QRectF(6.5, 3.5, 19, 25));
    for (int y = 10; y <= 22; y += 4) p.drawLine(QPointF(10, y), QPointF(22, y));
  };
  auto disk = [&](QColor fill) {
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(4.5, 4.5, 23, 23), 2, 2);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(9.5, 4.5, 13, 9));
    p.drawRect(QRectF(8.5, 18.5, 15, 9));
  };
  switch (kind) {
    case TToolImage::Delete:
      sheet(QColor(0xF4, 0xF4, 0xF4));
      p.setPen(QPen(QColor(0xD0, 0x20, 0x20), 4, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(16, 16), QPointF(28, 28));
      p.drawLine(QPointF(28, 16), QPointF(16, 28));
      break;
    case TToolImage::Edit:
      sheet(QColor(0xF4, 0xF4, 0xF4));
      p.setPen(QPen(QColor(0xC0, 0x80, 0x10), 5, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(14, 26), QPointF(28, 12));
      break;
    case TToolImage::Load: {
      p.setBrush(QColor(0xF2, 0xC9, 0x4C));
      p.drawRect(QRectF(3.5, 9.5, 25, 18));
      p.drawRect(QRectF(3.5, 6.5, 10, 3));
      p.setPen(QPen(QColor(0x20, 0x80, 0x30), 3, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(16, 13), QPointF(16, 24));
      p.drawLine(QPointF(11, 18), QPointF(16, 13));
      p.drawLine(QPointF(21, 18), QPointF(16, 13));
      break;
    }
    case TToolImage::SaveScheme:
      disk(QColor(0x50, 0x78, 0xC0));
      break;
    case TToolImage::Filter: {
      QPainterPath funnel;
      funnel.moveTo(4, 5);
      funnel.lineTo(28, 5);
      funnel.lineTo(19, 16);
      funnel.lineTo(19, 27);
      funnel.lineTo(13, 24);
      funnel.lineTo(13, 16);
      funnel.closeSubpath();
      p.setBrush(QColor(0x40, 0xA0, 0xE0));
      p.drawPath(funnel);
      break;
    }
    case TToolImage::SaveNumbers:
      disk(QColor(0xD0, 0x40, 0x40));
      p.setPen(QPen(QColor(0xD0, 0x40, 0x40), 1.5));
      for (int y = 21; y <= 25; y += 2) p.drawLine(QPointF(11, y), QPointF(21, y));
      break;
  }
  return QIcon(pixmap);
}

QToolButton* ToolButton(const char* name, const char* caption, TToolImage image, QToolBar* bar) {
  auto* button = new QToolButton(bar);
  button->setObjectName(QString::fromLatin1(name));
  button->setText(QString::fromUtf8(caption));
  button->setIcon(ToolImage(image));
  button->setIconSize(QSize(32, 32));
  button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  button->setMinimumSize(55, 52);
  bar->addWidget(button);
  return button;
}

QLabel* Caption(const char* name, const char* text, QWidget* parent) {
  auto* label = new QLabel(QString::fromUtf8(text), parent);
  label->setObjectName(QString::fromLatin1(name));
  return label;
}

constexpr int CdtColumnWidths[TCdtModel::ColumnCount] = {65, 165, 50, 50, 380};

}  // namespace

TFrmShrink* FrmShrink() { return ShrinkWindow(); }

TFrmShrink::TFrmShrink(QWidget* parent)
    : QWidget(parent),
      conditions_(new TCdtModel(this)),
      results_(new TResultModel(this)),
      bridge_(std::make_shared<TBridge>(this)),
      filter_(std::make_unique<TShrinkFilter>()) {
  platform::GuiDispatcher();  // made on the GUI thread, before a worker posts to it
  CreateComponents();
  RefreshConditions();
  ShrinkWindow() = this;
}

TFrmShrink::~TFrmShrink() {
  filter_.reset();  // cancels a run and waits for its worker
  bridge_->Detach();
}

void TFrmShrink::CreateComponents() {
  setObjectName(QStringLiteral("FrmShrink"));
  setWindowTitle(QStringLiteral("号码缩水"));
  resize(1354, 709);

  pnl1 = new QWidget(this);
  pnl1->setObjectName(QStringLiteral("pnl1"));
  pnl1->setFixedWidth(201);
  tvCondition = new QTreeWidget(pnl1);
  tvCondition->setObjectName(QStringLiteral("tvCondition"));
  FillFormulaTree(tvCondition);
  // Shrinking works on the red numbers: the first group, the blue ball's, goes.
  delete tvCondition->takeTopLevelItem(0);
  auto* left = new QVBoxLayout(pnl1);
  left->setContentsMargins(0, 0, 0, 0);
  left->addWidget(tvCondition);

  ToolBar1 = new QToolBar(this);
  ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
  btnDel = ToolButton("btnDel", "删除条件", TToolImage::Delete, ToolBar1);
  btnEdit = ToolButton("btnEdit", "编辑条件", TToolImage::Edit, ToolBar1);
  BtnLoad = ToolButton("BtnLoad", "加载方案", TToolImage::Load, ToolBar1);
  BtnFA = ToolButton("BtnFA", "保存方案", TToolImage::SaveScheme, ToolBar1);

  Panel2 = new QWidget(ToolBar1);
  Panel2->setObjectName(QStringLiteral("Panel2"));
  Label1 = Caption("Label1", "容错设置", Panel2);
  chkRC = new QCheckBox(Panel2);
  chkRC->setObjectName(QStringLiteral("chkRC"));
  semin = new TSpinEdit(Panel2, 0, 20);
  semin->setObjectName(QStringLiteral("semin"));
  semin->setValue(0);
  lbl1 = Caption("lbl1", "<= 总容错<=", Panel2);
  SeMax = new TSpinEdit(Panel2, 4, 20);
  SeMax->setObjectName(QStringLiteral("SeMax"));
  SeMax->setValue(4);
  auto* tolerance = new QHBoxLayout(Panel2);
  tolerance->setContentsMargins(8, 0, 8, 0);
  for (QWidget* w : std::initializer_list<QWidget*>{Label1, chkRC, semin, lbl1, SeMax}) tolerance->addWidget(w);
  ToolBar1->addWidget(Panel2);

  btnfilter = ToolButton("btnfilter", "过滤", TToolImage::Filter, ToolBar1);
  Panel3 = new QWidget(ToolBar1);
  Panel3->setObjectName(QStringLiteral("Panel3"));
  lbl2 = Caption("lbl2", "投注结果：", Panel3);
  lbl2->setMinimumWidth(lbl2->fontMetrics().horizontalAdvance(QStringLiteral("正在过滤，当前共5001注")) + 8);
  auto* progress = new QHBoxLayout(Panel3);
  progress->setContentsMargins(8, 0, 8, 0);
  progress->addWidget(lbl2);
  ToolBar1->addWidget(Panel3);
  BtnSave = ToolButton("BtnSave", "保存号码", TToolImage::SaveNumbers, ToolBar1);

  Button1 = new QPushButton(QStringLiteral("Button1"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->hide();
  rg1 = new QGroupBox(QStringLiteral("编号范围"), this);
  rg1->setObjectName(QStringLiteral("rg1"));
  rg1Red = new QRadioButton(QStringLiteral("红号"), rg1);
  rg1Blue = new QRadioButton(QStringLiteral("红号和蓝号"), rg1);
  auto* range = new QVBoxLayout(rg1);
  range->addWidget(rg1Red);
  range->addWidget(rg1Blue);
  rg1Red->setChecked(true);
  rg1->hide();

  VTCon = new QTableView(this);
  VTCon->setObjectName(QStringLiteral("VTCon"));
  VTCon->setModel(conditions_);
  VTCon->setItemDelegate(new TVTEditDelegate(
      [](QAbstractItemView*, const QModelIndex&, int) { return std::make_shared<TCdtEditor>(); }, VTCon));
  VTCon->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
  VTCon->setSelectionBehavior(QAbstractItemView::SelectRows);
  VTCon->setSelectionMode(QAbstractItemView::ExtendedSelection);
  VTCon->verticalHeader()->hide();
  VTCon->verticalHeader()->setDefaultSectionSize(26);
  QHeaderView* header = VTCon->horizontalHeader();
  header->setFixedHeight(26);
  header->setSectionsMovable(true);
  header->setStretchLastSection(true);
  for (int c = 0; c < TCdtModel::ColumnCount; ++c) header->resizeSection(c, CdtColumnWidths[c]);
  VTCon->setStyleSheet(QStringLiteral("QTableView#VTCon { gridline-color: %1; }")
                           .arg(platform::ToQColor(platform::clSkyBlue).name()));

  strdNUM = new QTableView(this);
  strdNUM->setObjectName(QStringLiteral("strdNUM"));
  strdNUM->setModel(results_);
  strdNUM->setEditTriggers(QAbstractItemView::NoEditTriggers);
  strdNUM->setSelectionBehavior(QAbstractItemView::SelectRows);
  strdNUM->verticalHeader()->hide();
  strdNUM->verticalHeader()->setDefaultSectionSize(22);
  strdNUM->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);

  auto* grids = new QSplitter(Qt::Horizontal, this);
  grids->addWidget(VTCon);
  grids->addWidget(strdNUM);
  grids->setStretchFactor(0, 1);
  grids->setStretchFactor(1, 0);
  // The result grid as wide as its columns and a scroll bar.
  rg1Click();
  const int numbersWidth = strdNUM->horizontalHeader()->length() + 2 * strdNUM->frameWidth() +
                           strdNUM->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 2;
  grids->setSizes({1354 - 201 - numbersWidth, numbersWidth});
  auto* body = new QHBoxLayout;
  body->setContentsMargins(0, 0, 0, 0);
  body->addWidget(pnl1);
  body->addWidget(grids, 1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  layout->addWidget(ToolBar1);
  layout->addLayout(body, 1);

  connect(tvCondition, &QTreeWidget::itemClicked, this, [this] { tvConditionClick(); });
  connect(VTCon, &QTableView::doubleClicked, this, [this] { EditFocused(); });
  connect(VTCon, &QTableView::clicked, this, [] { HideChoose(); });
  connect(strdNUM, &QTableView::clicked, this, [] { HideChoose(); });
  connect(rg1Red, &QRadioButton::toggled, this, [this] { rg1Click(); });
  connect(btnDel, &QToolButton::clicked, this, [this] { btnDelClick(); });
  connect(btnEdit, &QToolButton::clicked, this, [this] { EditFocused(); });
  connect(BtnLoad, &QToolButton::clicked, this, [this] { BtnLoadClick(); });
  connect(BtnFA, &QToolButton::clicked, this, [this] { BtnFAClick(); });
  connect(btnfilter, &QToolButton::clicked, this, [this] { btnfilterClick(); });
  connect(BtnSave, &QToolButton::clicked, this, [this] { BtnSaveClick(); });
  connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
}

void TFrmShrink::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // The main window minimized and restored shows the page as it was.
  if (event->spontaneous()) return;
  // The results and the grid stay as the last run left them: "保存号码"
  // still saves them after the window was hidden and shown again.
  rg1Red->setChecked(true);
  rg1Click();
}

void TFrmShrink::RefreshConditions() { conditions_->Rebuild(CdtList()); }

std::function<void()> TFrmShrink::Refresher() {
  // The chooser outlives the window: it calls back only while the window exists.
  return [window = QPointer<TFrmShrink>(this)] {
    if (window) window->RefreshConditions();
  };
}

void TFrmShrink::tvConditionClick() {
  if (const TFormulate* formula = FormulaOfItem(tvCondition->currentItem())) {
    const int left = pnl1->mapToGlobal(QPoint(pnl1->width() + 5, 0)).x();
    ShowChoose(left, formula, nullptr, Refresher());
  } else {
    HideChoose();
  }
}

void TFrmShrink::EditFocused() {
  const QModelIndex current = VTCon->currentIndex();
  if (!current.isValid()) return;
  const TCdtData& copy = conditions_->Copy(current.row());
  ShowChoose(QCursor::pos().x(), copy.Formula, &copy, Refresher());
}

void TFrmShrink::rg1Click() {
  results_->SetBlue(rg1Blue->isChecked());
  strdNUM->horizontalHeader()->resizeSection(0, 40);
  for (int c = 1; c < results_->columnCount(); ++c) strdNUM->horizontalHeader()->resizeSection(c, 45);
}

void TFrmShrink::btnDelClick() {
  if (platform::Prompts().MessageBox(this, QStringLiteral("确定要删除选中的条件吗？"), QStringLiteral("确认"),
                                     platform::MB_OKCANCEL | platform::MB_ICONQUESTION) != platform::IDOK)
    return;
  TCdtList& list = CdtList();
  for (int32_t i = list.Count() - 1; i >= 0; --i)
    if (list.GetItem(i)->IsCheck) list.Delete(i);
  for (int32_t i = 0; i < list.Count(); ++i) list.GetItem(i)->CdtNo = i + 1;
  RefreshConditions();
}

void TFrmShrink::BtnSaveClick() {
  if (Results().empty()) return;
  platform::FileDialogOptions options;
  options.DefaultExt = QStringLiteral("txt");
  options.Filter = QStringLiteral("*.txt|*.txt");
  options.FileName = QStringLiteral("缩水号码");
  const std::optional<QString> name = platform::Prompts().SaveFileName(this, options);
  if (!name) return;
  std::string error;
  if (!platform::WriteFileAtomic(QFile::encodeName(*name).toStdString(), ResultFileText(Results()), &error))
    ShowMessage(this, QStringLiteral("保存号码失败：") + QString::fromStdString(error));
}

void TFrmShrink::BtnFAClick() {
  if (CdtList().Count() == 0) {
    ShowMessage(this, QString::fromUtf8(NoConditionsText));
    return;
  }
  XmlDocument doc;
  SaveScheme(doc, CdtList());
  platform::FileDialogOptions options;
  options.DefaultExt = QStringLiteral("xml");
  options.Filter = QStringLiteral("*.xml|*.xml");
  options.FileName = QStringLiteral("缩水方案");
  const std::optional<QString> name = platform::Prompts().SaveFileName(this, options);
  if (!name) return;
  std::string error;
  if (!doc.Save(QFile::encodeName(*name).toStdString(), &error))
    ShowMessage(this, QStringLiteral("保存方案失败：") + QString::fromStdString(error));
}

void TFrmShrink::BtnLoadClick() {
  platform::FileDialogOptions options;
  options.InitialDir = QString::fromStdString(platform::GetAppPath());
  options.Filter = QStringLiteral("文件(*.xml)|*.xml");
  const std::optional<QString> name = platform::Prompts().OpenFileName(this, options);
  if (!name) return;
  // Read aside, so that a bad file leaves the current scheme as it was.
  std::vector<TCdtData> loaded;
  std::string why;
  if (!LoadScheme(QFile::encodeName(*name).toStdString(), loaded, &why)) {
    ShowMessage(this, QString::fromUtf8(InvalidSchemeText) + "\n" + QString::fromStdString(why));
    return;
  }
  TCdtList& list = CdtList();
  list.Clear();
  for (TCdtData& c : loaded) list.Add(std::make_unique<TCdtData>(std::move(c)));
  RefreshConditions();
}

void TFrmShrink::Button1Click() {
  std::string message;
  // Judged as the draw after the one the analysis may see, as the filter does.
  const int64_t count = CountKeptCombinations(SnapshotConditions(CdtList()), CurrentDraw(), 0, &message);
  if (count < 0) {
    ShowMessage(this, QString::fromStdString(message));
    return;
  }
  lbl2->setText(QString::fromStdString(KeptCountText(count)));
}

void TFrmShrink::btnfilterClick() {
  if (Filtering()) return;
  if (CdtList().Count() == 0) {
    ShowMessage(this, QString::fromUtf8(NoConditionsText));
    return;
  }
  TShrinkOptions options;
  options.WithBlue = rg1Blue->isChecked();
  // Every candidate stands for the draw after the one the analysis may see
  // (in training mode the shown one), taken now: the run holds on to it.
  options.Reference = CurrentDraw();
  filtering_ = true;
  SetControlsEnabled(false);
  filter_->Start(SnapshotConditions(CdtList()), options, *bridge_);
}

void TFrmShrink::TakeFilterReports() {
  TBridge::TReports r = bridge_->Take();
  if (r.Started) results_->Clear();
  results_->Append(r.Rows);
  if (!r.Progress.empty()) lbl2->setText(QString::fromStdString(r.Progress));
  if (!r.Ended) return;
  filtering_ = false;
  SetControlsEnabled(true);
  if (!r.Message.empty()) {
    const QPointer<TFrmShrink> alive(this);
    ShowMessage(this, QString::fromStdString(r.Message));
    if (!alive) return;
  } else if (!r.Cancelled) {
    lbl2->setText(QString::fromStdString(r.EndText));
  }
  if (OnFilterDone) OnFilterDone();
}

void TFrmShrink::SetControlsEnabled(bool enabled) {
  for (QWidget* w : std::initializer_list<QWidget*>{tvCondition, VTCon, btnDel, btnEdit, BtnLoad, BtnFA, Panel2,
                                                     btnfilter, BtnSave, Button1})
    w->setEnabled(enabled);
}

void AddShrinkCondition(const TFormulate* indicator, const T2DIntAry& values, bool countRepeats) {
  auto record = std::make_unique<TCdtData>();
  record->Formula = indicator;
  record->Values = values;
  record->IsSave = true;
  record->IsJC = countRepeats;
  CdtList().Add(std::move(record));
  if (TFrmShrink* window = FrmShrink()) window->RefreshConditions();
}
