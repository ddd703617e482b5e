// The value chooser, the parameter dialog and the about box, offscreen.
#include "app/FormsTestSupport.h"

#include "app/uFormChoose.h"
#include "app/uFrmAbout.h"
#include "app/uFrmZbCnfg.h"
#include "engine/uCdtList.h"

#include <QScreen>

#include <optional>

namespace {

class Chooser : public FormsTest {
 protected:
  // The first red ball {1}, the red sum {3, 4} excluded with tolerance, the
  // first red ball {3}; numbered 1..3.
  void SetUp() override {
    FormsTest::SetUp();
    Add(RedBall1, {1});
    Add(RedSum, {3, 4}, false)->IsRC = true;
    Add(RedBall1, {3});
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

TEST_F(Chooser, NewConditionsAreCheckedAndAppended) {
  TFrmChoose* c = Show(NumberGroup, nullptr);
  EXPECT_EQ(c->pgc1->currentWidget(), c->ts2);
  EXPECT_TRUE(c->LabCount->isVisible());
  ExpectLaidOut(c);
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
  EXPECT_EQ(std::pair(done, c->isHidden()), std::pair(1, true));
  Show(NumberGroup, &r);  // shown again with its counts
  EXPECT_EQ(Checked(*c->chklstValue2_1), TIntAry{5});
  EXPECT_EQ(Checked(*c->chklstValue2_2), TIntAry{0});

  // A new condition starts from the defaults; the tail indicators store the
  // repeat flag.
  c->rbExclude->setChecked(true);
  c->chkCF->setChecked(true);
  Show(FrontTails, nullptr);
  EXPECT_TRUE(c->rbSave->isChecked() && !c->chk1->isChecked() && !c->chkCF->isChecked());
  ASSERT_FALSE(c->chkCF->isHidden());
  c->chklstValue2_1->SetChecked(0, true);
  c->chklstValue2_2->SetChecked(0, true);
  c->chkCF->setChecked(true);
  c->btnOK->click();
  EXPECT_TRUE(CdtList().GetItem(4)->IsJC && !CdtList().GetItem(4)->IsRC);
}

// The record's items are checked by value (the sum's items show ranges);
// the edit lands on the list's record, whose number and place stay.
TEST_F(Chooser, EditingShowsTheRecordAndKeepsItsPlace) {
  TCdtData* sum = CdtList().GetItem(1);
  const TCdtData gridCopy = *sum;  // the shrink grid hands over its copy
  TFrmChoose* c = Show(RedSum, &gridCopy);
  EXPECT_EQ(c->chklstValue1->ItemText(3), "81-90");
  EXPECT_EQ(Checked(*c->chklstValue1), (TIntAry{3, 4}));
  EXPECT_TRUE(c->rbExclude->isChecked() && c->chk1->isChecked());
  c->findChild<QPushButton*>("BtnSmall")->click();
  c->chk1->setChecked(false);
  c->btnOK->click();
  ASSERT_EQ(CdtList().Count(), 3);
  EXPECT_EQ(CdtList().GetItem(1), sum);
  EXPECT_EQ(sum->CdtNo, 2);
  EXPECT_EQ(sum->Values[0], Range(0, 5));
  EXPECT_TRUE(!sum->IsSave && !sum->IsRC);
  EXPECT_EQ(done, 1);
}

TEST_F(Chooser, ARecordGoneWhileOpenIsNotWritten) {
  TFrmChoose* c = Show(RedSum, CdtList().GetItem(1));
  CdtList().Delete(1);  // a delete or a scheme load while the chooser is open
  Add(RedSum, {7});
  c->btnOK->click();
  EXPECT_EQ(Messages(), QStringList{"要修改的条件已不在方案中！"});
  EXPECT_EQ(CdtList().Count(), 3);
  EXPECT_EQ(CdtList().GetItem(2)->Values[0], TIntAry{7});
  EXPECT_EQ(std::pair(done, c->isHidden()), std::pair(0, true));
}

// One row per parameter, the buttons below the last; a long caption
// widens the dialog, short ones keep its width.
// The chooser opens whole on its screen: halfway down the free area the
// first time, at the left it is given unless that would push it off the
// screen; a later show keeps the height the user dragged it to.
TEST_F(Chooser, OpensWholeOnItsScreenAndKeepsTheUsersHeight) {
  struct Case {
    int left;
    bool movedBefore;  // shown once and dragged to y 7 before this show
    int expectX;       // -1: flush with the free area's right edge
    int expectY;       // -1: halfway down the free area
  };
  const Case cases[] = {{40, false, 40, -1}, {-500, false, 0, -1}, {1 << 20, false, -1, -1}, {60, true, 60, 7}};
  for (const Case& k : cases) {
    delete FrmChoose(false);
    if (k.movedBefore) {
      Show(RedBall1, nullptr)->move(10, 7);
      FrmChoose(false)->hide();
    }
    ShowChoose(k.left, Formula(RedBall1), nullptr, {});
    TFrmChoose* c = FrmChoose(false);
    const QRect area = c->screen()->availableGeometry();
    const QRect frame = c->frameGeometry();
    const int x = k.expectX >= 0 ? area.left() + k.expectX : area.right() + 1 - frame.width();
    const int y = k.expectY >= 0 ? area.top() + k.expectY : area.top() + (area.height() - frame.height()) / 2;
    EXPECT_EQ(frame.topLeft(), QPoint(x, y)) << "left " << k.left;
    EXPECT_TRUE(area.contains(frame)) << "left " << k.left;
  }
}

TEST(ParameterDialog, LaysOutOneRowPerParameter) {
  for (const std::string first : {"参数1", "一个很长很长的参数名称"}) {
    int32_t days[6] = {3, 6, 18, 0, 0, 0};
    std::vector<TZBParam> params;
    for (int i = 0; i < 6; ++i) params.push_back({i ? "参数" + std::to_string(i + 1) : first, &days[i]});
    TFrmZbCnfg dialog;
    dialog.BuildParams(params);
    ASSERT_EQ(dialog.Edits().size(), 6u);
    EXPECT_EQ(dialog.Labels()[5]->text() + dialog.Edits()[2]->text(), "参数6  18");
    for (size_t i = 1; i < 6; ++i) EXPECT_GT(dialog.Edits()[i]->y(), dialog.Edits()[i - 1]->geometry().bottom());
    EXPECT_GT(dialog.BtnOK->y(), dialog.Edits()[5]->geometry().bottom());
    EXPECT_EQ(dialog.BtnCancel->y(), dialog.BtnOK->y());
    EXPECT_LE(dialog.BtnOK->geometry().bottom(), dialog.height());
    EXPECT_LT(std::max(dialog.Edits()[0]->geometry().right(), dialog.BtnCancel->geometry().right()), dialog.width());
    EXPECT_EQ(dialog.width() == 144, first == "参数1");
    for (size_t i = 0; i < 6; ++i) {
      EXPECT_EQ(dialog.Edits()[i]->x(), dialog.Edits()[0]->x()) << "the edits line up: " << first;
      EXPECT_EQ(dialog.Labels()[i]->geometry().center().y(), dialog.Edits()[i]->geometry().center().y());
      EXPECT_LT(dialog.Labels()[i]->geometry().right(), dialog.Edits()[i]->x());
    }
  }
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

// A dialog shown again by the window system (minimized with its owner and
// restored) keeps the focus where the user left it: in the same edit,
// nothing chosen, the cursor where it was.
TEST_F(FormsTest, DialogsShownAgainKeepTheFocusWhereTheUserLeftIt) {
  int32_t values[3] = {1, 22, 33};
  TFrmZbCnfg params;
  params.BuildParams({{"N", &values[0]}, {"M1", &values[1]}, {"M2", &values[2]}});
  TfrmAbout about;
  about.ShowContacts({"", "", "12345", "ssq@example.org"});
  const struct {
    QDialog* dialog;
    QLineEdit* left;  // not the edit the dialog opens with
  } rows[] = {{&params, params.Edits()[2]}, {&about, about.Edit2}};
  for (const auto& row : rows) {
    row.dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(row.dialog));
    row.left->setFocus(Qt::MouseFocusReason);
    row.left->setCursorPosition(1);
    row.dialog->setWindowState(Qt::WindowMinimized);
    row.dialog->setWindowState(Qt::WindowNoState);
    QCoreApplication::processEvents();
    EXPECT_EQ(row.dialog->focusWidget(), row.left) << row.dialog->windowTitle().toStdString();
    EXPECT_EQ(std::pair(row.left->selectedText(), row.left->cursorPosition()), std::pair(QString(), 1))
        << row.dialog->windowTitle().toStdString();
    row.dialog->hide();
  }
}

// The about box shows only the lines that have a value; the page is a
// link (underlined, a hand over it) only when it has an address.
TEST_F(FormsTest, TheAboutBoxShowsNoEmptyLine) {
  const struct {
    const char* name;
    std::optional<TAboutContacts> contacts;  // none: as the build has them
    QStringList shown;                       // the texts of the visible labels and edits, any order
  } cases[] = {
      {"the build's (no contacts)", std::nullopt, {"双色球分析工具 SsqAnalyzer", "当前版本：", "V2.0.0.1"}},
      {"a page and a mail address",
       TAboutContacts{"https://example.org/ssq", "", "", "ssq@example.org"},
       {"双色球分析工具 SsqAnalyzer", "当前版本：", "V2.0.0.1", "官方网站", "https://example.org/ssq", "邮箱：",
        "ssq@example.org"}},
      {"all but the page",
       TAboutContacts{"", "010-1234", "12345", "ssq@example.org"},
       {"双色球分析工具 SsqAnalyzer", "当前版本：", "V2.0.0.1", "联系电话：010-1234", "QQ：", "12345", "邮箱：",
        "ssq@example.org"}},
  };
  for (const auto& c : cases) {
    TfrmAbout about;
    if (c.contacts) about.ShowContacts(*c.contacts);
    about.show();
    QStringList shown;
    bool link = false;
    for (QWidget* w : about.findChildren<QWidget*>()) {
      if (!w->isVisible()) continue;
      if (auto* label = qobject_cast<QLabel*>(w); label && label->pixmap().isNull()) {
        shown << label->text();
        link = link || label->font().underline() || label->cursor().shape() == Qt::PointingHandCursor;
      } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        shown << edit->text();
      }
    }
    QStringList want = c.shown;
    shown.sort(), want.sort();
    EXPECT_EQ(shown.join('|').toStdString(), want.join('|').toStdString()) << c.name;
    EXPECT_EQ(link, c.contacts && !c.contacts->Page.isEmpty()) << c.name;
  }
}

TEST_F(FormsTest, AboutLabelsOpenTheProjectPage) {
  TfrmAbout about;
  EXPECT_FALSE(about.Image1->pixmap().isNull());
  about.PageAddress = "https://example.org/ssq";
  QTest::mouseClick(about.LabQQ, Qt::LeftButton);
  about.PageAddress.clear();
  QTest::mouseClick(about.LabWeb, Qt::LeftButton);
  ASSERT_EQ(recording.Calls.size(), 1u) << "no address, nothing to open";
  EXPECT_EQ(recording.Calls[0].Kind, "OpenUrl");
  EXPECT_EQ(recording.Calls[0].Text, "https://example.org/ssq");
}

}  // namespace
