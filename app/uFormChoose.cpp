#include "app/uFormChoose.h"

#include "engine/uCdtList.h"
#include "engine/uFormulaDef.h"

#include <algorithm>

#include <QCheckBox>
#include <QGuiApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>

#include <memory>

namespace {

// Checks the items whose values the row holds.
void CheckValues(TCheckListBox* list, const T2DIntAry& values, size_t row) {
  if (row >= values.size()) return;
  for (int i = 0; i < list->Count(); ++i)
    if (ValueIn(list->Value(i), values[row])) list->SetChecked(i, true);
}

}  // namespace

TFrmChoose::TFrmChoose(QWidget* parent) : QWidget(parent, Qt::Dialog | Qt::WindowStaysOnTopHint) {
  setObjectName(QStringLiteral("FrmChoose"));
  setWindowTitle(QStringLiteral("取值选择"));

  pgc1 = new QTabWidget(this);
  pgc1->setObjectName(QStringLiteral("pgc1"));
  ts1 = new QWidget;
  ts2 = new QWidget;
  ts3 = new QWidget;
  pgc1->addTab(ts1, QStringLiteral("单值"));
  pgc1->addTab(ts2, QStringLiteral("双值"));
  pgc1->addTab(ts3, QString());

  chklstValue1 = MakeCheckList("chklstValue1", ts1, 3);
  auto* page1 = new QVBoxLayout(ts1);
  page1->setContentsMargins(2, 2, 2, 2);
  page1->addWidget(chklstValue1);

  chklstValue2_1 = MakeCheckList("chklstValue2_1", ts2, 4);
  LabCount = new QLabel(QStringLiteral("出现个数："), ts2);
  chklstValue2_2 = MakeCheckList("chklstValue2_2", ts2, 4);
  auto* page2 = new QVBoxLayout(ts2);
  page2->setContentsMargins(2, 2, 2, 2);
  page2->addWidget(chklstValue2_1, 3);
  page2->addWidget(LabCount);
  page2->addWidget(chklstValue2_2, 1);

  chklstValue3_1 = MakeCheckList("chklstValue3_1", ts3, 0, false);
  chklstValue3_2 = MakeCheckList("chklstValue3_2", ts3, 0, false);
  chklstValue3_3 = MakeCheckList("chklstValue3_3", ts3, 0, false);
  auto* page3 = new QHBoxLayout(ts3);
  page3->setContentsMargins(2, 2, 2, 2);
  for (TCheckListBox* list : {chklstValue3_1, chklstValue3_2, chklstValue3_3}) page3->addWidget(list);

  for (TCheckListBox* list : {chklstValue1, chklstValue2_1, chklstValue2_2}) list->SetNumbers(1, 33);

  auto* selection = new QWidget(this);
  SelectButtons = MakeSelectionButtons(selection, [this](int tag) { SelectionClick(tag); });
  auto* selectionGrid = new QGridLayout(selection);
  selectionGrid->setContentsMargins(0, 0, 0, 0);
  selectionGrid->setSpacing(2);
  for (size_t i = 0; i < SelectButtons.size(); ++i)
    selectionGrid->addWidget(SelectButtons[i], static_cast<int>(i / 6), static_cast<int>(i % 6));

  rgsave = new QGroupBox(this);
  rgsave->setObjectName(QStringLiteral("rgsave"));
  rbSave = new QRadioButton(QStringLiteral("保留"), rgsave);
  rbExclude = new QRadioButton(QStringLiteral("排除"), rgsave);
  auto* radios = new QHBoxLayout(rgsave);
  radios->setContentsMargins(6, 2, 6, 2);
  radios->addWidget(rbSave);
  radios->addWidget(rbExclude);
  rbSave->setChecked(true);

  chk1 = new QCheckBox(QStringLiteral("容错"), this);
  chk1->setObjectName(QStringLiteral("chk1"));
  chkCF = new QCheckBox(QStringLiteral("计重"), this);
  chkCF->setObjectName(QStringLiteral("chkCF"));
  chkCF->hide();
  btnOK = new QPushButton(QStringLiteral("确定"), this);
  btnOK->setObjectName(QStringLiteral("btnOK"));
  btnCancel = new QPushButton(QStringLiteral("取消"), this);
  btnCancel->setObjectName(QStringLiteral("btnCancel"));

  auto* flags = new QHBoxLayout;
  flags->addWidget(rgsave);
  flags->addWidget(chk1);
  flags->addWidget(chkCF);
  flags->addStretch(1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnOK);
  buttons->addWidget(btnCancel);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->addWidget(pgc1, 1);
  layout->addWidget(selection);
  layout->addLayout(flags);
  layout->addLayout(buttons);
  resize(300, 440);

  // No tabs until an indicator is set.
  for (int i = 0; i < pgc1->count(); ++i) {
    pgc1->setTabText(i, QString());
    pgc1->setTabVisible(i, false);
  }
  chklstValue1->clear();
  chklstValue2_1->clear();
  chklstValue3_1->clear();

  connect(btnOK, &QPushButton::clicked, this, [this] { OkClick(); });
  connect(btnCancel, &QPushButton::clicked, this, [this] { hide(); });
}

int TFrmChoose::SaveIndex() const { return rbExclude->isChecked() ? 1 : 0; }

void TFrmChoose::SetSaveIndex(int index) { (index == 1 ? rbExclude : rbSave)->setChecked(true); }

QWidget* TFrmChoose::TabOfKind(int kind) const { return kind == 1 ? ts2 : kind == 2 ? ts3 : ts1; }

void TFrmChoose::ShowChoose(int left, const TFormulate* formula, const TCdtData* record, TNotifyEvent onDone) {
  if (!formula) return;
  const bool first = !placed_;
  PlaceAt(left, first);
  formula_ = formula;
  onDone_ = std::move(onDone);
  editing_ = record != nullptr;
  recordId_ = record ? record->Id : 0;
  const int kind = formula->RowKind();
  for (int i = 0; i < pgc1->count(); ++i) pgc1->setTabVisible(i, pgc1->widget(i) == TabOfKind(kind));
  LoadRecord(record);
  pgc1->setCurrentWidget(TabOfKind(kind));
  if (isHidden()) show();
  // Once more with the frame its first show gave it (the skin's, or the
  // window manager's where it says so at once).
  if (first) PlaceAt(left, true);
  placed_ = true;
  // It comes to the front, also where a window manager would keep a window
  // that asked for nothing under the one the user works in.
  raise();
  activateWindow();
}

void TFrmChoose::PlaceAt(int left, bool centre) {
  // The caller gives the left edge; the window stays whole on its screen, so a
  // left taken from the mouse near the right edge does not push it off. The
  // first show puts it halfway down the free area, below the main window's
  // caption and menu, where the user's eye already is; later shows keep the
  // height the user may have dragged it to.
  const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
  const QRect area = s ? s->availableGeometry() : QRect(0, 0, 1 << 16, 1 << 16);
  const QRect frame = frameGeometry();
  const QPoint inset = pos() - frame.topLeft();  // the frame's left and top
  int top = centre ? area.top() + (area.height() - frame.height()) / 2 : frame.top();
  const int x = std::max(area.left(), std::min(left, area.left() + area.width() - frame.width()));
  top = std::max(area.top(), std::min(top, area.top() + area.height() - frame.height()));
  move(QPoint(x, top) + inset);
}

void TFrmChoose::LoadRecord(const TCdtData* record) {
  const bool repeatOption = formula_->TailMode() != 0;
  chkCF->setVisible(repeatOption);
  const int kind = formula_->RowKind();
  pgc1->setTabText(pgc1->indexOf(TabOfKind(kind)), QString::fromStdString(formula_->Name()));

  TValueItems items1, items2, items3;
  formula_->FillValueLists(&items1, &items2, &items3);
  TCheckListBox* first = kind == 1 ? chklstValue2_1 : kind == 2 ? chklstValue3_1 : chklstValue1;
  first->SetItems(items1);
  if (kind == 1) chklstValue2_2->SetItems(items2);
  if (kind == 2) {
    chklstValue3_2->SetItems(items2);
    chklstValue3_3->SetItems(items3);
  }
  if (!record) {
    // A new condition starts from the defaults, not from the flags of the
    // condition edited before.
    SetSaveIndex(0);
    chk1->setChecked(false);
    chkCF->setChecked(false);
    return;
  }
  // By the items' values, not their texts: sums and amplitudes show ranges.
  CheckValues(first, record->Values, 0);
  if (kind == 1) CheckValues(chklstValue2_2, record->Values, 1);
  if (kind == 2) {
    CheckValues(chklstValue3_2, record->Values, 1);
    CheckValues(chklstValue3_3, record->Values, 2);
  }
  chk1->setChecked(record->IsRC);
  if (repeatOption) chkCF->setChecked(record->IsJC);
  SetSaveIndex(record->IsSave ? 0 : 1);
}

void TFrmChoose::OkClick() {
  if (!formula_) return;
  const int kind = formula_->RowKind();
  const std::vector<TCheckListBox*> lists = kind == 1   ? std::vector<TCheckListBox*>{chklstValue2_1, chklstValue2_2}
                                            : kind == 2 ? std::vector<TCheckListBox*>{chklstValue3_1, chklstValue3_2, chklstValue3_3}
                                                        : std::vector<TCheckListBox*>{chklstValue1};
  if (CountChecked(*lists[0]) == 0) {
    ShowMessage(this, QStringLiteral("请选择数据！"));
    return;
  }
  if (kind == 1 && CountChecked(*lists[1]) == 0) {
    ShowMessage(this, QStringLiteral("请选择出现个数！"));
    return;
  }
  TCdtData* target = nullptr;
  if (editing_) {
    // The list may have changed while the chooser was open (a condition
    // added from the trend window, a delete, a scheme loaded).
    target = CdtList().Find(recordId_);
    if (!target) {
      const QPointer<TFrmChoose> alive(this);
      ShowMessage(this, QStringLiteral("要修改的条件已不在方案中！"));
      if (alive) hide();
      return;
    }
  } else {
    auto record = std::make_unique<TCdtData>();
    record->Formula = formula_;
    record->Name = formula_->Name();
    record->IsSave = true;
    target = CdtList().Add(std::move(record));
  }
  target->IsSave = SaveIndex() == 0;
  target->IsRC = chk1->isChecked();
  target->IsJC = chkCF->isChecked();
  if (target->Values.size() < std::max<size_t>(2, lists.size())) target->Values.resize(std::max<size_t>(2, lists.size()));
  for (size_t row = 0; row < lists.size(); ++row) GetCheckedValues(*lists[row], target->Values[row]);
  if (onDone_) onDone_();
  hide();
}

void TFrmChoose::SelectionClick(int tag) {
  QWidget* page = pgc1->currentWidget();
  ApplySelector(page == ts1 ? chklstValue1 : page == ts2 ? chklstValue2_1 : nullptr, tag);
}

TFrmChoose* FrmChoose(bool create) { return SharedWindow<TFrmChoose>(create); }

void ShowChoose(int left, const TFormulate* formula, const TCdtData* record, TFrmChoose::TNotifyEvent onDone) {
  FrmChoose()->ShowChoose(left, formula, record, std::move(onDone));
}

void HideChoose() {
  if (TFrmChoose* chooser = FrmChoose(false)) chooser->hide();
}
