// The value chooser, the parameter dialog and the about box, offscreen.
#include "app/FormsTestSupport.h"

#include "app/uFormChoose.h"
#include "app/uFrmAbout.h"
#include "app/uFrmZbCnfg.h"
#include "engine/uCdtList.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

namespace {

class Chooser : public FormsTest {
 protected:
  // Three conditions on the first red ball, numbered 1..3, values {1}..{3}.
  void SetUp() override {
    FormsTest::SetUp();
    for (int v = 1; v <= 3; ++v) Add(RedBall1, {v});
  }
  static TCdtData* Add(int formula, TIntAry values, bool save = true) {
    return CdtList().Add(std::make_unique<TCdtData>(
        TCdtData{Formula(formula), Formula(formula)->Name(), 0, false, save, false, false, {std::move(values), {}}}));
  }
  TFrmChoose* Show(int formula, const TCdtData* record) {
    ShowChoose(40, Formula(formula), record, [this] { ++done; });
    return FrmChoose(false);
  }
  int done = 0;
};

TEST_F(Chooser, NewConditionIsAppendedAndNumbered) {
  TFrmChoose* c = Show(NumberGroup, nullptr);
  EXPECT_FALSE(c->isHidden());
  EXPECT_EQ(c->pgc1->currentWidget(), c->ts2);
  c->btnOK->click();
  c->chklstValue2_1->SetChecked(4, true);
  c->btnOK->click();
  EXPECT_EQ(Messages(), (QStringList{"请选择数据！", "请选择出现个数！"}));
  EXPECT_EQ(CdtList().Count(), 3) << "nothing stored before the checks pass";
  c->chklstValue2_2->SetChecked(0, true);
  c->chk1->setChecked(true);
  c->btnOK->click();
  ASSERT_EQ(CdtList().Count(), 4);
  const TCdtData& r = *CdtList().GetItem(3);
  EXPECT_EQ(r.CdtNo, 4);
  EXPECT_EQ(r.Name, "号码组");
  EXPECT_EQ(r.Values, (T2DIntAry{{5}, {0}}));
  EXPECT_TRUE(r.IsSave && r.IsRC && !r.IsJC);
  EXPECT_EQ(done, 1);
  EXPECT_TRUE(c->isHidden());
}

TEST_F(Chooser, EditingKeepsNumberAndPlace) {
  TCdtData* second = CdtList().GetItem(1);
  const TCdtData gridCopy = *second;  // the shrink grid hands over its copy
  TFrmChoose* c = Show(RedBall1, &gridCopy);
  EXPECT_EQ(Checked(*c->chklstValue1), TIntAry{2});
  EXPECT_TRUE(c->rbSave->isChecked());
  c->chklstValue1->SetChecked(9, true);
  c->rbExclude->setChecked(true);
  c->btnOK->click();
  ASSERT_EQ(CdtList().Count(), 3);
  EXPECT_EQ(CdtList().GetItem(1), second);
  EXPECT_EQ(second->CdtNo, 2);
  EXPECT_EQ(second->Values[0], (TIntAry{2, 10}));
  EXPECT_FALSE(second->IsSave);
  EXPECT_EQ(done, 1);

  Show(FrontTails, nullptr);  // a new condition starts from the defaults
  EXPECT_TRUE(c->rbSave->isChecked());
  ASSERT_FALSE(c->chkCF->isHidden()) << "the tail indicators read the repeat flag";
  ASSERT_EQ(c->pgc1->currentWidget(), c->ts2);
  c->chklstValue2_1->SetChecked(0, true);
  c->chklstValue2_2->SetChecked(0, true);
  c->chkCF->setChecked(true);
  c->btnOK->click();
  EXPECT_TRUE(CdtList().GetItem(3)->IsJC);
}

TEST_F(Chooser, ARecordGoneWhileOpenIsNotWritten) {
  TFrmChoose* c = Show(RedBall1, CdtList().GetItem(1));
  CdtList().Delete(1);  // a delete or a scheme load while the chooser is open
  Add(RedBall1, {7});
  c->btnOK->click();
  EXPECT_EQ(Messages(), QStringList{"要修改的条件已不在方案中！"});
  EXPECT_EQ(CdtList().Count(), 3);
  EXPECT_EQ(CdtList().GetItem(1)->Values[0], TIntAry{3});
  EXPECT_EQ(CdtList().GetItem(2)->Values[0], TIntAry{7});
  EXPECT_EQ(done, 0);
  EXPECT_TRUE(c->isHidden());
}

TEST_F(Chooser, RangeItemsAreCheckedByValue) {
  TCdtData* sum = Add(RedSum, {3, 4}, false);
  sum->IsRC = true;
  TFrmChoose* c = Show(RedSum, sum);
  EXPECT_EQ(c->chklstValue1->ItemText(3), "81-90");
  EXPECT_EQ(Checked(*c->chklstValue1), (TIntAry{3, 4}));
  EXPECT_TRUE(c->rbExclude->isChecked() && c->chk1->isChecked());
  c->findChild<QPushButton*>("BtnSmall")->click();
  c->btnOK->click();
  EXPECT_EQ(sum->Values[0], Range(0, 5));
}

TEST(ParameterDialog, LaysOutOneRowPerParameter) {
  int32_t days[6] = {3, 6, 18, 0, 0, 0};
  std::vector<TZBParam> params;
  for (int i = 0; i < 6; ++i) params.push_back({"参数" + std::to_string(i + 1), &days[i]});
  TFrmZbCnfg dialog;
  dialog.BuildParams(params);
  ASSERT_EQ(dialog.Edits().size(), 6u);
  EXPECT_EQ(dialog.Labels()[5]->text(), "参数6  ");
  EXPECT_EQ(dialog.Edits()[2]->text(), "18");
  for (size_t i = 1; i < 6; ++i) EXPECT_GT(dialog.Edits()[i]->y(), dialog.Edits()[i - 1]->geometry().bottom());
  EXPECT_GT(dialog.BtnOK->y(), dialog.Edits()[5]->geometry().bottom());
  EXPECT_EQ(dialog.BtnCancel->y(), dialog.BtnOK->y());
  EXPECT_LE(dialog.BtnOK->geometry().bottom(), dialog.height());
  EXPECT_EQ(dialog.width(), 144) << "short captions keep the dialog's width";
}

TEST_F(FormsTest, ParameterDialogStoresAllOrNothing) {
  const struct {
    QStringList texts;
    bool stored;
  } cases[] = {{{"5", "10", "x"}, false}, {{"5", "-10", "$10"}, true}};
  for (const auto& c : cases) {
    recording.Calls.clear();
    int32_t values[3] = {1, 2, 3};
    TFrmZbCnfg dialog;
    dialog.BuildParams({{"N", &values[0]}, {"M1", &values[1]}, {"M2", &values[2]}});
    for (int i = 0; i < 3; ++i) dialog.Edits()[static_cast<size_t>(i)]->setText(c.texts[i]);
    dialog.BtnOK->click();
    EXPECT_EQ(Messages(), c.stored ? QStringList() : QStringList{"请设置数字作为参数！"});
    EXPECT_EQ(dialog.result(), c.stored ? QDialog::Accepted : QDialog::Rejected);
    EXPECT_EQ(std::vector<int32_t>(values, values + 3), c.stored ? (std::vector<int32_t>{5, -10, 16}) : (std::vector<int32_t>{1, 2, 3}));
  }
}

TEST_F(FormsTest, AboutLabelsOpenTheProjectPage) {
  TfrmAbout about;
  about.PageAddress = "https://example.org/ssq";
  QTest::mouseClick(about.LabQQ, Qt::LeftButton);
  about.PageAddress.clear();
  QTest::mouseClick(about.LabWeb, Qt::LeftButton);
  ASSERT_EQ(recording.Calls.size(), 1u) << "no address, nothing to open";
  EXPECT_EQ(recording.Calls[0].Kind, "OpenUrl");
  EXPECT_EQ(recording.Calls[0].Text, "https://example.org/ssq");
}

}  // namespace
