#include "app/uFormCondition.h"

#include "app/uFormYlRang.h"
#include "engine/uBaseFunc.h"
#include "engine/uFormulaDef.h"
#include "engine/uIniFileMgr.h"
#include "platform/DelphiRtl.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const std::string Section = "FrmCondition";

// Labels of the two labelled splits.
const std::array<const char*, 4> OddEvenBigSmallLabels = {"奇", "偶", "大", "小"};
const std::array<const char*, 6> RoadBigMidSmallLabels = {"0路", "1路", "2路", "大", "中", "小"};

// The domain's value at `index`, the index kept inside the domain (a
// domain of one value has no half or third of its own). Not for an empty
// domain.
int32_t ValueAt(const TIntAry& domain, int64_t index) {
  return domain[static_cast<size_t>(std::clamp<int64_t>(index, 0, static_cast<int64_t>(domain.size()) - 1))];
}

template <size_t N>
std::vector<TSplitGroup> Labelled(const std::array<const char*, N>& labels) {
  std::vector<TSplitGroup> groups;
  for (const char* label : labels) groups.push_back({label, {}});
  return groups;
}

QLabel* Caption(const char* text, QWidget* parent) { return new QLabel(QString::fromUtf8(text), parent); }

QPushButton* Button(const char* name, const char* caption, QWidget* parent) {
  auto* button = new QPushButton(QString::fromUtf8(caption), parent);
  button->setObjectName(QString::fromLatin1(name));
  return button;
}

// Runs a function when the watched widget is pressed.
class TPressFilter : public QObject {
 public:
  TPressFilter(QObject* parent, std::function<void()> onPress) : QObject(parent), onPress_(std::move(onPress)) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonPress) onPress_();
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void()> onPress_;
};

}  // namespace

// ---------------------------------------------------------------------------
// The random history.

void TRandomHis::Clear() {
  entries_.clear();
  cursor_ = -1;
}

void TRandomHis::NewEntry() {
  entries_.emplace_back();
  cursor_ = Count() - 1;
}

void TRandomHis::AddToLast(int32_t index) {
  if (!entries_.empty()) entries_.back().push_back(index);
}

void TRandomHis::Back() {
  if (cursor_ > 0) --cursor_;
}

void TRandomHis::Forward() {
  if (CanForward()) ++cursor_;
}

void TRandomHis::Apply(ICheckList& list) const {
  if (cursor_ < 0 || cursor_ >= Count()) return;
  UncheckAll(list);
  for (int32_t index : entries_[static_cast<size_t>(cursor_)]) list.SetChecked(index, true);
}

// ---------------------------------------------------------------------------
// Same-screen splits.

std::vector<TSplitGroup> SplitOddEvenBigSmall(const TIntAry& domain) {
  auto groups = Labelled(OddEvenBigSmallLabels);
  if (domain.empty()) return groups;
  const int32_t mid = ValueAt(domain, platform::DelphiRound(domain.size() / 2.0) - 1);
  for (int32_t v : domain) {
    groups[v % 2 == 1 ? 0 : 1].Values.push_back(v);
    groups[v > mid ? 2 : 3].Values.push_back(v);
  }
  return groups;
}

std::vector<TSplitGroup> SplitRoadsBigMidSmall(const TIntAry& domain) {
  auto groups = Labelled(RoadBigMidSmallLabels);
  if (domain.empty()) return groups;
  const int32_t t1 = ValueAt(domain, platform::DelphiRound(domain.size() / 3.0));
  const int32_t t2 = ValueAt(domain, platform::DelphiRound(2.0 * domain.size() / 3.0));
  for (int32_t v : domain) {
    const int32_t road = v % 3;
    groups[road == 0 ? 0 : road == 1 ? 1 : 2].Values.push_back(v);
    groups[v < t1 ? 5 : v < t2 ? 4 : 3].Values.push_back(v);
  }
  return groups;
}

std::vector<TSplitGroup> SplitRandomGroups(const TIntAry& domain, int groups, const TRandomFunc& random) {
  std::vector<TSplitGroup> result(static_cast<size_t>(std::max(groups, 1)));
  const TIntAry order = PickIndexes(static_cast<int32_t>(domain.size()), static_cast<int32_t>(domain.size()), random);
  for (size_t i = 0; i < order.size(); ++i)
    result[i % result.size()].Values.push_back(domain[static_cast<size_t>(order[i])]);
  return result;
}

// ---------------------------------------------------------------------------
// The panel.

TFrmCondition::TFrmCondition(QWidget* parent, TRandomFunc random) : QWidget(parent), random_(std::move(random)) {
  setObjectName(QString::fromStdString(Section));
  Randomize();
  CreateComponents();
  FillFormulaTree(TvCondition);
  // Only the value page and the same-screen page have tabs until an
  // indicator is chosen.
  for (int i = 0; i < PageControl1->count(); ++i) {
    PageControl1->setTabText(i, QString());
    PageControl1->setTabVisible(i, false);
  }
  PageControl1->setTabVisible(PageControl1->indexOf(TabSheet1), true);
  PageControl1->setTabVisible(PageControl1->indexOf(TabSheet4), true);
  PageControl1->setTabText(PageControl1->indexOf(TabSheet4), QStringLiteral("同屏"));
  PageControl1->setTabText(PageControl1->indexOf(TabSheet1), QStringLiteral("条件值"));
  PageControl1->setCurrentWidget(TabSheet1);
  lstValues1->clear();
  lstValues2_1->clear();
  UpdateHistoryButtons();
  ReadSettings();
}

TFrmCondition::~TFrmCondition() {
  TIniFileMgr& ini = IniFileMgr();
  ini.WriteInteger(Section, "YLFrom", GetYLFrom());
  ini.WriteInteger(Section, "YLTo", GetYLTo());
  int32_t n = 0;
  ini.WriteInteger(Section, "Random", edtRandom->ReadInt(n) ? n : 5);
  ini.WriteBool(Section, "Repeat", chkRepeat->isChecked());
}

void TFrmCondition::CreateComponents() {
  TvCondition = new QTreeWidget(this);
  TvCondition->setObjectName(QStringLiteral("TvCondition"));

  // The value pages.
  PageControl1 = new QTabWidget(this);
  PageControl1->setObjectName(QStringLiteral("PageControl1"));
  PageControl1->setUsesScrollButtons(true);
  PageControl1->setElideMode(Qt::ElideRight);
  TabSheet1 = new QWidget;
  TabSheet2 = new QWidget;
  TabSheet3 = new QWidget;
  TabSheet4 = new QWidget;
  PageControl1->addTab(TabSheet1, QString());
  PageControl1->addTab(TabSheet2, QStringLiteral("双值"));
  PageControl1->addTab(TabSheet3, QStringLiteral("三值"));
  PageControl1->addTab(TabSheet4, QString());

  lstValues1 = MakeCheckList("lstValues1", TabSheet1, 3);
  lstValues1->SetNumbers(1, 33);
  auto* page1 = new QVBoxLayout(TabSheet1);
  page1->setContentsMargins(2, 2, 2, 2);
  page1->addWidget(lstValues1);

  lstValues2_1 = MakeCheckList("lstValues2_1", TabSheet2, 4);
  lstValues2_2 = MakeCheckList("lstValues2_2", TabSheet2, 4);
  lstValues2_2->SetNumbers(1, 8);
  auto* page2 = new QVBoxLayout(TabSheet2);
  page2->setContentsMargins(2, 2, 2, 2);
  page2->addWidget(lstValues2_1, 3);
  page2->addWidget(Caption("出现个数", TabSheet2));
  page2->addWidget(lstValues2_2, 1);

  lstValues3_1 = MakeCheckList("lstValues3_1", TabSheet3, 0, false);
  lstValues3_2 = MakeCheckList("lstValues3_2", TabSheet3, 0, false);
  lstValues3_3 = MakeCheckList("lstValues3_3", TabSheet3, 0, false);
  auto* page3 = new QGridLayout(TabSheet3);
  page3->setContentsMargins(2, 2, 2, 2);
  const char* groupCaptions[] = {"组一", "组二", "组三"};
  TCheckListBox* groupLists[] = {lstValues3_1, lstValues3_2, lstValues3_3};
  for (int i = 0; i < 3; ++i) {
    page3->addWidget(Caption(groupCaptions[i], TabSheet3), 0, i);
    page3->addWidget(groupLists[i], 1, i);
  }

  lstRandomCc = MakeCheckList("lstRandomCc", TabSheet4, 4);
  lstRandomCc->SetNumbers(1, 8);
  BtnRandomJODX = Button("BtnRandomJODX", "奇偶大小同屏", TabSheet4);
  BtnRandomDZX = Button("BtnRandomDZX", "012/DZX同屏", TabSheet4);
  CboGroupCount = new QComboBox(TabSheet4);
  CboGroupCount->setObjectName(QStringLiteral("CboGroupCount"));
  for (int n = 2; n <= MaxSplitGroups; ++n) CboGroupCount->addItem(QString::number(n));
  BtnGroup = Button("BtnGroup", "分组同屏", TabSheet4);
  BtnReturn = Button("BtnReturn", "返回同屏", TabSheet4);
  auto* page4 = new QGridLayout(TabSheet4);
  page4->setContentsMargins(2, 2, 2, 2);
  page4->addWidget(Caption("出现个数", TabSheet4), 0, 0, 1, 2);
  page4->addWidget(lstRandomCc, 1, 0, 1, 2);
  page4->addWidget(BtnRandomJODX, 2, 0);
  page4->addWidget(BtnRandomDZX, 2, 1);
  for (QPushButton* b : {BtnRandomJODX, BtnRandomDZX, BtnGroup, BtnReturn}) MakeCompact(b);
  MakeCompact(CboGroupCount, 40);
  page4->addWidget(CboGroupCount, 3, 0);
  page4->addWidget(BtnGroup, 3, 1);
  page4->addWidget(BtnReturn, 4, 0, 1, 2);
  page4->setRowStretch(1, 1);

  // The selection buttons and "加入缩水".
  Panel3 = new QWidget(this);
  Panel3->setObjectName(QStringLiteral("Panel3"));
  SelectButtons = MakeSelectionButtons(Panel3, [this](int tag) { SelectionClick(tag); });
  chkRepeat = new QCheckBox(QStringLiteral("计重"), Panel3);
  chkRepeat->setObjectName(QStringLiteral("chkRepeat"));
  chkRepeat->hide();
  BtnAddToShrink = Button("BtnAddToShrink", "加入缩水", Panel3);
  MakeCompact(BtnAddToShrink);
  auto* buttons = new QGridLayout(Panel3);
  buttons->setContentsMargins(0, 0, 0, 0);
  buttons->setSpacing(2);
  for (size_t i = 0; i < SelectButtons.size(); ++i) {
    buttons->addWidget(SelectButtons[i], static_cast<int>(i / 6), static_cast<int>(i % 6));
  }
  buttons->addWidget(chkRepeat, 2, 0, 1, 2);
  buttons->addWidget(BtnAddToShrink, 2, 2, 1, 4);

  // The omission range and the random picks.
  Panel2 = new QWidget(this);
  Panel2->setObjectName(QStringLiteral("Panel2"));
  Label3 = new QLabel(QStringLiteral("遗漏范围"), Panel2);
  Label4 = new QLabel(QStringLiteral("至"), Panel2);
  edtYLFrom = new TSpinEdit(Panel2, 0, 9999);
  edtYLFrom->setObjectName(QStringLiteral("edtYLFrom"));
  edtYLTo = new TSpinEdit(Panel2, 0, 9999);
  edtYLTo->setObjectName(QStringLiteral("edtYLTo"));
  BtnYLRange = Button("BtnYLRange", "...", Panel2);
  BtnLL = Button("BtnLL", "理论周期", Panel2);
  BtnCurYL = Button("BtnCurYL", "当前遗漏", Panel2);
  BtnUnLL = Button("BtnUnLL", "理论反集", Panel2);
  BtnRandom = Button("BtnRandom", "机选&R", Panel2);
  BtnPreview = Button("BtnPreview", "<", Panel2);
  BtnNext = Button("BtnNext", ">", Panel2);
  edtRandom = new TSpinEdit(Panel2, 0, 9999);
  edtRandom->setObjectName(QStringLiteral("edtRandom"));
  Button1 = Button("Button1", "出图&D", Panel2);
  for (QPushButton* b : {BtnYLRange, BtnLL, BtnCurYL, BtnUnLL, BtnRandom, BtnPreview, BtnNext, Button1}) MakeCompact(b);
  for (TSpinEdit* e : {edtYLFrom, edtYLTo, edtRandom}) MakeCompact(e, 44);
  auto* range = new QHBoxLayout;
  range->setSpacing(3);
  range->addWidget(Label3);
  range->addWidget(edtYLFrom, 3);
  range->addWidget(Label4);
  range->addWidget(edtYLTo, 3);
  range->addWidget(BtnYLRange, 1);
  auto* rangeButtons = new QHBoxLayout;
  rangeButtons->setSpacing(3);
  for (QPushButton* b : {BtnLL, BtnCurYL, BtnUnLL}) rangeButtons->addWidget(b);
  auto* picks = new QHBoxLayout;
  picks->setSpacing(3);
  picks->addWidget(BtnRandom, 3);
  picks->addWidget(edtRandom, 2);
  picks->addWidget(BtnPreview, 1);
  picks->addWidget(BtnNext, 1);
  picks->addWidget(Button1, 3);
  auto* panel2 = new QVBoxLayout(Panel2);
  panel2->setContentsMargins(0, 2, 0, 2);
  panel2->setSpacing(3);
  panel2->addLayout(range);
  panel2->addLayout(rangeButtons);
  panel2->addLayout(picks);
  for (QWidget* w : std::initializer_list<QWidget*>{Label3, Label4, edtYLFrom, edtYLTo, BtnYLRange, BtnLL, BtnCurYL, BtnUnLL})
    w->hide();

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->setSpacing(4);
  layout->addWidget(TvCondition, 2);
  layout->addWidget(PageControl1, 3);
  layout->addWidget(Panel3);
  layout->addWidget(Panel2);
  PageControl1->setMinimumHeight(250);

  connect(TvCondition, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    if (const TFormulate* f = FormulaOfItem(item)) SelectIndicator(f);
  });
  connect(Button1, &QPushButton::clicked, this, [this] { Submit(rmDraw); });
  connect(BtnCurYL, &QPushButton::clicked, this, [this] { Submit(rmCurrentOmission); });
  connect(BtnLL, &QPushButton::clicked, this, [this] { Submit(rmTheoryPeriod); });
  connect(BtnUnLL, &QPushButton::clicked, this, [this] { Submit(rmTheoryAntiSet); });
  connect(BtnRandom, &QPushButton::clicked, this, [this] { RandomClick(); });
  connect(BtnPreview, &QPushButton::clicked, this, [this] { HistoryStep(true); });
  connect(BtnNext, &QPushButton::clicked, this, [this] { HistoryStep(false); });
  connect(BtnGroup, &QPushButton::clicked, this, [this] { Split(0); });
  connect(BtnRandomJODX, &QPushButton::clicked, this, [this] { Split(1); });
  connect(BtnRandomDZX, &QPushButton::clicked, this, [this] { Split(2); });
  connect(BtnReturn, &QPushButton::clicked, this, [this] {
    if (OnRedraw) OnRedraw();
  });
  connect(BtnAddToShrink, &QPushButton::clicked, this, [this] {
    if (OnAddToShrink) OnAddToShrink();
  });
  connect(BtnYLRange, &QPushButton::clicked, this, [this] { RangeButtonClick(); });
  Panel2->installEventFilter(new TPressFilter(Panel2, [this] { HideRangePicker(); }));
}

void TFrmCondition::ReadSettings() {
  const TIniFileMgr& ini = IniFileMgr();
  edtYLFrom->setValue(ini.ReadInteger(Section, "YLFrom", 0));
  edtYLTo->setValue(ini.ReadInteger(Section, "YLTo", 2));
  edtRandom->setValue(ini.ReadInteger(Section, "Random", 5));
  chkRepeat->setChecked(ini.ReadBool(Section, "Repeat", true));
}

// ---------------------------------------------------------------------------
// Range bounds.

void TFrmCondition::ShowRangeControls(bool visible) {
  for (QWidget* w : std::initializer_list<QWidget*>{Label3, Label4, edtYLFrom, edtYLTo, BtnYLRange, BtnLL, BtnCurYL, BtnUnLL})
    w->setVisible(visible);
}

int32_t TFrmCondition::GetYLFrom() {
  int32_t v = 0;
  if (!edtYLFrom->ReadInt(v)) {
    SetYLFrom(0);
    return 0;
  }
  return std::max(v, 0);
}

int32_t TFrmCondition::GetYLTo() {
  int32_t v = 0;
  if (!edtYLTo->ReadInt(v)) {
    v = GetYLFrom() + 1;
    SetYLTo(v);
  }
  return v;
}

void TFrmCondition::SetYLFrom(int32_t value) { edtYLFrom->SetText(QString::number(value)); }

void TFrmCondition::SetYLTo(int32_t value) { edtYLTo->SetText(QString::number(value)); }

void TFrmCondition::SetRangeTexts(const QString& from, const QString& to) {
  edtYLFrom->SetText(from);
  edtYLTo->SetText(to);
  GetYLFrom();
  GetYLTo();
}

void TFrmCondition::RangeButtonClick() {
  TfrmYLRange* picker = FrmYLRange();
  QPointer<TFrmCondition> self(this);
  picker->OnPick = [self](const QString& from, const QString& to) {
    if (self) self->SetRangeTexts(from, to);
  };
  if (picker->isVisible()) {
    picker->hide();
    return;
  }
  const QPoint p = Panel2->mapToGlobal(QPoint(0, 0));
  picker->move(p.x() + Panel2->width() + 5, p.y() + Panel2->height() - picker->height() - 5);
  picker->show();
}

void TFrmCondition::HideRangePicker() {
  if (TfrmYLRange* picker = FrmYLRange(false)) picker->hide();
}

// ---------------------------------------------------------------------------
// The indicator and its values.

QWidget* TFrmCondition::TabOfKind(int kind) const {
  return kind == 1 ? TabSheet2 : kind == 2 ? TabSheet3 : TabSheet1;
}

TCheckListBox* TFrmCondition::FirstListOfKind(int kind) const {
  return kind == 1 ? lstValues2_1 : kind == 2 ? lstValues3_1 : lstValues1;
}

void TFrmCondition::SelectIndicator(const TFormulate* formula) {
  if (!formula) return;
  const bool sameScreen = PageControl1->currentWidget() == TabSheet4;
  QWidget* oldTab = TabOfKind(formula_ ? formula_->RowKind() : 0);
  formula_ = formula;
  const int kind = formula->RowKind();
  lstRandomCc->setEnabled(kind == 1);
  QWidget* newTab = TabOfKind(kind);
  const int newIndex = PageControl1->indexOf(newTab);
  PageControl1->setTabVisible(newIndex, true);
  PageControl1->setTabText(newIndex, QString::fromStdString(formula->Name()));
  if (oldTab != newTab) PageControl1->setTabVisible(PageControl1->indexOf(oldTab), false);
  chkRepeat->setVisible(formula->TailMode() != 0);

  TValueItems items1, items2, items3;
  if (kind == 0) {
    formula->FillValueLists(&items1);
    lstValues1->SetItems(items1);
  } else if (kind == 1) {
    formula->FillValueLists(&items1, &items2);
    lstValues2_1->SetItems(items1);
    lstValues2_2->SetItems(items2);
    lstRandomCc->SetItems(items2);
  } else {
    formula->FillValueLists(&items1, &items2, &items3);
    lstValues3_1->SetItems(items1);
    lstValues3_2->SetItems(items2);
    lstValues3_3->SetItems(items3);
  }

  history_.Clear();
  UpdateHistoryButtons();
  PageControl1->setCurrentWidget(sameScreen ? TabSheet4 : newTab);
}

void TFrmCondition::BuildConditionResult() {
  if (!formula_) return;
  const int kind = formula_->RowKind();
  const std::array<TCheckListBox*, 3> lists =
      kind == 1   ? std::array<TCheckListBox*, 3>{lstValues2_1, lstValues2_2, nullptr}
      : kind == 2 ? std::array<TCheckListBox*, 3>{lstValues3_1, lstValues3_2, lstValues3_3}
                  : std::array<TCheckListBox*, 3>{lstValues1, nullptr, nullptr};
  TCondition c;
  c.Caption = formula_->Group() + "（" + formula_->Name() + "）";
  c.Formulate = formula_;
  c.Values.resize(static_cast<size_t>(std::min(kind, 2) + 1));
  for (size_t row = 0; row < c.Values.size(); ++row) GetCheckedValues(*lists[row], c.Values[row]);
  c.IsRepeat = chkRepeat->isChecked();
  result_.assign(1, c);
}

void TFrmCondition::Submit(int mode) {
  QWidget* page = PageControl1->currentWidget();
  if (page == TabSheet4) return;
  if ((page == TabSheet1 && CountChecked(*lstValues1) == 0) || (page == TabSheet2 && CountChecked(*lstValues2_1) == 0)) {
    ShowMessage(this, QStringLiteral("请选择数据！"));
    return;
  }
  if (page == TabSheet2 && CountChecked(*lstValues2_2) == 0) {
    ShowMessage(this, QStringLiteral("请选择出现个数！"));
    return;
  }
  BuildConditionResult();
  if (OnResult) OnResult(result_, mode);
}

// ---------------------------------------------------------------------------
// Random picks.

bool TFrmCondition::ReadRandomCount(int32_t& n) {
  if (edtRandom->ReadInt(n)) return true;
  ShowMessage(this, QStringLiteral("请输入正确的机选数字！"));
  return false;
}

void TFrmCondition::RandomPick(TCheckListBox* list, int32_t k, bool record) {
  if (record) history_.NewEntry();
  for (int32_t index : PickIndexes(list->Count(), k, random_)) {
    if (record) history_.AddToLast(index);
    list->SetChecked(index, true);
  }
}

void TFrmCondition::UpdateHistoryButtons() {
  BtnPreview->setEnabled(history_.CanBack());
  BtnNext->setEnabled(history_.CanForward());
}

void TFrmCondition::RandomClick() {
  int32_t n = 0;
  if (!formula_ || !ReadRandomCount(n)) return;
  const int kind = formula_->RowKind();
  std::vector<TCheckListBox*> lists{FirstListOfKind(kind)};
  if (kind == 2) lists.insert(lists.end(), {lstValues3_2, lstValues3_3});
  for (size_t i = 0; i < lists.size(); ++i) {
    UncheckAll(*lists[i]);
    RandomPick(lists[i], n, i == 0);
  }
  UpdateHistoryButtons();
  Submit(rmDraw);
}

void TFrmCondition::HistoryStep(bool back) {
  if (!formula_) return;
  if (back)
    history_.Back();
  else
    history_.Forward();
  history_.Apply(*FirstListOfKind(formula_->RowKind()));
  UpdateHistoryButtons();
  Submit(rmDraw);
}

void TFrmCondition::SelectionClick(int tag) {
  QWidget* page = PageControl1->currentWidget();
  ApplySelector(page == TabSheet1 ? lstValues1 : page == TabSheet2 ? lstValues2_1 : nullptr, tag);
}

// ---------------------------------------------------------------------------
// Same-screen splits.

void TFrmCondition::Split(int how) {
  if (!formula_) return;
  const int kind = formula_->RowKind();
  TIntAry counts;
  GetCheckedValues(*lstRandomCc, counts);
  if (kind == 1 && counts.empty()) {
    ShowMessage(this, QStringLiteral("请选择出次！"));
    return;
  }
  const TIntAry& domain = formula_->Values().empty() ? TIntAry() : formula_->Values()[0];
  std::vector<TSplitGroup> groups;
  if (how == 0) {
    Randomize();
    groups = SplitRandomGroups(domain, CboGroupCount->currentIndex() + 2, random_);
  } else {
    groups = how == 1 ? SplitOddEvenBigSmall(domain) : SplitRoadsBigMidSmall(domain);
  }
  result_.clear();
  for (TSplitGroup& g : groups) {
    TCondition c;
    c.Caption = formula_->Group() + "（" + formula_->Name() + "）";
    if (!g.Label.empty()) c.Caption += " " + g.Label;
    c.Formulate = formula_;
    if (g.Values.size() < 18) c.ValueText = "[ " + JoinIntAry(g.Values, ",") + " ]";
    c.Values.push_back(std::move(g.Values));
    if (kind == 1) c.Values.push_back(counts);
    c.IsRepeat = chkRepeat->isChecked();
    result_.push_back(std::move(c));
  }
  if (OnResult) OnResult(result_, rmDraw);
}
