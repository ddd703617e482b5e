// The condition panel and the omission-range picker, offscreen.
#include "app/FormsTestSupport.h"

#include "app/uFormCondition.h"
#include "app/uFormYlRang.h"
#include "engine/uIniFileMgr.h"
#include "support/FailingReads.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <set>

namespace {

// A press, move or release on a list item with these buttons held.
void Mouse(TCheckListBox* list, QEvent::Type type, int index, Qt::MouseButtons buttons) {
  const QPointF p = list->visualItemRect(list->item(index)).center();
  const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton
                                  : buttons & Qt::RightButton ? Qt::RightButton
                                                              : Qt::LeftButton;
  QMouseEvent event(type, p, list->viewport()->mapToGlobal(p), button, buttons, Qt::NoModifier);
  QApplication::sendEvent(list->viewport(), &event);
}

void DragOver(TCheckListBox* list, const std::vector<int>& indexes) {
  Mouse(list, QEvent::MouseButtonPress, indexes.front(), Qt::LeftButton);
  for (size_t i = 1; i < indexes.size(); ++i) Mouse(list, QEvent::MouseMove, indexes[i], Qt::LeftButton);
  Mouse(list, QEvent::MouseButtonRelease, indexes.back(), Qt::NoButton);
}

class ConditionForm : public FormsTest {
 protected:
  void SetUp() override {
    FormsTest::SetUp();
    panel = std::make_unique<TFrmCondition>(nullptr, [this](int32_t range) {
      ranges.push_back(range);
      return drawFirst ? 0 : range - 1;  // the first or the last remaining candidate
    });
    panel->resize(212, 720);
    panel->OnResult = [this](const TConditionAry& c, int mode) {
      results.push_back(c);
      modes.push_back(mode);
    };
  }
  bool drawFirst = false;
  std::unique_ptr<TFrmCondition> panel;
  std::vector<TConditionAry> results;
  std::vector<int> modes;
  std::vector<int32_t> ranges;
};

// A check list lays its items out from their number and size and its own:
// its columns where the widest item fits them, fewer for wide texts, more
// when its rows do not take the items, and lower rows only where as many
// columns as its width holds are still too few. Every item stays in sight,
// in a list exactly as high as its rows too.
TEST(CheckList, GivesEveryItemACellInSight) {
  TValueItems numbers, sums;
  for (int v = 1; v <= 33; ++v) numbers.emplace_back(std::to_string(v), v);
  Formula(RedSum)->FillValueLists(&sums);
  struct Case {
    const TValueItems* items;
    int columns, width;
    int rows, extra;  // the viewport's height: so many rows and pixels more
    int expectColumns;
    bool fullCells;
  };
  const Case cases[] = {{&numbers, 4, 198, 9, 1, 4, true},   // 9 rows take 33 values in 4 columns
                        {&numbers, 4, 198, 9, 0, 4, true},   // one pixel less: the rows a little lower
                        {&numbers, 4, 278, 8, 1, 5, true},   // one column more, in sight
                        {&numbers, 4, 198, 4, 1, 7, false},  // 5 rows of the items' height, narrow columns
                        {&sums, 3, 198, 7, 1, 2, true}};     // ranges too wide for three columns
  for (const Case& c : cases) {
    TCheckListBox list(nullptr, c.columns);
    list.SetItems(*c.items);
    list.show();
    list.resize(c.width, 1000);
    const int row = list.gridSize().height();
    const QSize frame = list.size() - list.maximumViewportSize();
    list.resize(QSize(c.width, c.rows * row + c.extra) + frame);
    QApplication::processEvents();
    const std::string name = std::to_string(c.items->size()) + " items, " + std::to_string(c.rows) + " rows";
    ExpectEveryItemInSight(list, name, c.fullCells);
    std::set<int> columns;
    for (int i = 0; i < list.count(); ++i) columns.insert(list.visualItemRect(list.item(i)).x());
    EXPECT_EQ(columns.size(), static_cast<size_t>(c.expectColumns)) << name;
  }
}

TEST_F(ConditionForm, RandomPicksAndTheirHistory) {
  const auto buttons = [&] { return std::pair{panel->BtnPreview->isEnabled(), panel->BtnNext->isEnabled()}; };
  const auto pick = [&](const char* n) {
    panel->edtRandom->SetText(QString::fromLatin1(n));
    panel->BtnRandom->click();
  };
  panel->TvCondition->setCurrentItem(panel->TvCondition->topLevelItem(1)->child(0));
  ASSERT_EQ(panel->Indicator(), Formula(RedBall1));
  pick("x");
  EXPECT_EQ(Messages(), QStringList{"请输入正确的机选数字！"});
  EXPECT_TRUE(results.empty() && ranges.empty());
  pick("2");
  EXPECT_EQ(ranges, (TIntAry{28, 27})) << "the last candidate is drawn too";
  EXPECT_EQ(Checked(*panel->lstValues1), (TIntAry{27, 28}));
  EXPECT_EQ(buttons(), std::pair(false, false));
  pick("40");
  EXPECT_EQ(Checked(*panel->lstValues1), Range(1, 28)) << "a pick larger than the list checks every item once";
  EXPECT_EQ(results.back()[0].Values[0], Range(1, 28));
  drawFirst = true;
  pick("1");
  EXPECT_EQ(Checked(*panel->lstValues1), TIntAry{1}) << "a new pick replaces the old";
  EXPECT_EQ(buttons(), std::pair(true, false));
  panel->BtnPreview->click();
  EXPECT_EQ(Checked(*panel->lstValues1).size(), 28u);
  panel->BtnPreview->click();
  EXPECT_EQ(Checked(*panel->lstValues1), (TIntAry{27, 28})) << "stepping back shows the earlier picks";
  EXPECT_EQ(buttons(), std::pair(false, true));
  panel->BtnNext->click();
  panel->BtnNext->click();
  EXPECT_EQ(Checked(*panel->lstValues1), TIntAry{1});
  EXPECT_EQ(modes, std::vector<int>(7, rmDraw));
  panel->TvCondition->setCurrentItem(panel->TvCondition->topLevelItem(1)->child(1));
  EXPECT_EQ(buttons(), std::pair(false, false));
  EXPECT_EQ(panel->RandomHistory().Count(), 0) << "another indicator forgets the history";
}

TEST_F(ConditionForm, SubmitChecksThePageAndSendsTheMode) {
  struct Case {
    int formula;
    std::vector<int> values, counts;
    QString message;
  } cases[] = {
      {RedBall1, {}, {}, "请选择数据！"},
      {NumberGroup, {}, {1}, "请选择数据！"},
      {NumberGroup, {0, 2}, {}, "请选择出现个数！"},
      {NumberGroup, {0, 2}, {1}, ""},
  };
  for (const Case& c : cases) {
    recording.Calls.clear();
    results.clear();
    panel->SelectIndicator(Formula(c.formula));
    TCheckListBox* values = c.formula == NumberGroup ? panel->lstValues2_1 : panel->lstValues1;
    for (int i : c.values) values->SetChecked(i, true);
    for (int i : c.counts) panel->lstValues2_2->SetChecked(i, true);
    panel->BtnCurYL->click();
    EXPECT_EQ(Messages(), c.message.isEmpty() ? QStringList() : QStringList{c.message}) << c.formula;
    EXPECT_EQ(results.size(), c.message.isEmpty() ? 1u : 0u);
  }
  const TCondition& c = results.at(0).at(0);
  EXPECT_EQ(c.Caption, "高级条件（号码组）");
  EXPECT_EQ(c.Values, (T2DIntAry{{1, 3}, {1}}));
  EXPECT_TRUE(c.IsRepeat) << "the setting's default";

  modes.clear();
  for (QPushButton* b : {panel->Button1, panel->BtnCurYL, panel->BtnLL, panel->BtnUnLL}) b->click();
  EXPECT_EQ(modes, (std::vector<int>{rmDraw, rmCurrentOmission, rmTheoryPeriod, rmTheoryAntiSet}));
  panel->PageControl1->setCurrentWidget(panel->TabSheet4);
  for (QPushButton* b : {panel->Button1, panel->BtnCurYL, panel->BtnLL, panel->BtnUnLL}) b->click();
  EXPECT_EQ(modes.size(), 4u) << "the same-screen page charts only through its own buttons";
  EXPECT_TRUE(Messages().isEmpty());
}

// Big is above the h-th value, h = |domain| / 2 rounded half to even; the
// roads' big, middle and small cut at a third and two thirds; a domain too
// small for them reads no index outside it.
TEST(ConditionSplits, DealTheDomain) {
  struct Case {
    TIntAry domain;
    TIntAry odd, big, small, road0, roadBig, roadMid, roadSmall;
  } cases[] = {
      {Range(1, 33), Range(1, 33, 2), Range(17, 33), Range(1, 16), Range(3, 33, 3), Range(23, 33), Range(12, 22),
       Range(1, 11)},
      {{5}, {5}, {}, {5}, {}, {5}, {}, {}},
      {{}, {}, {}, {}, {}, {}, {}, {}},
  };
  for (const Case& c : cases) {
    const auto oddEven = SplitOddEvenBigSmall(c.domain);
    const auto roads = SplitRoadsBigMidSmall(c.domain);
    EXPECT_EQ((std::vector<TIntAry>{oddEven[0].Values, oddEven[2].Values, oddEven[3].Values, roads[0].Values,
                                    roads[3].Values, roads[4].Values, roads[5].Values}),
              (std::vector<TIntAry>{c.odd, c.big, c.small, c.road0, c.roadBig, c.roadMid, c.roadSmall}))
        << c.domain.size();
  }
  const auto groups = SplitRandomGroups(Range(1, 33), MaxSplitGroups, DefaultRandom);
  ASSERT_EQ(groups.size(), 15u);
  TIntAry all;
  for (const TSplitGroup& g : groups) {
    EXPECT_EQ(g.Values.size(), &g < &groups[3] ? 3u : 2u);
    all.insert(all.end(), g.Values.begin(), g.Values.end());
  }
  std::sort(all.begin(), all.end());
  EXPECT_EQ(all, Range(1, 33));
  std::set<int32_t> drawn;  // the program's draws stay inside their range
  for (int i = 0; i < 300; ++i) drawn.insert(DefaultRandom(3));
  EXPECT_EQ(drawn, (std::set<int32_t>{0, 1, 2}));
  EXPECT_EQ(DefaultRandom(1) + DefaultRandom(0), 0);
}

TEST_F(ConditionForm, SplitsBuildLabelledConditions) {
  panel->SelectIndicator(Formula(NumberGroup));
  panel->PageControl1->setCurrentWidget(panel->TabSheet4);
  panel->BtnRandomJODX->click();
  EXPECT_EQ(Messages(), QStringList{"请选择出次！"});
  panel->lstRandomCc->SetChecked(2, true);
  panel->BtnRandomJODX->click();
  panel->BtnRandomDZX->click();
  ASSERT_EQ(results.size(), 2u);
  ASSERT_EQ(results[0].size(), 4u);
  const TCondition& even = results[0][1];
  EXPECT_EQ(even.Caption, "高级条件（号码组） 偶");
  EXPECT_EQ(even.ValueText, "[ 2,4,6,8,10,12,14,16,18,20,22,24,26,28,30,32 ]");
  EXPECT_EQ(even.Values[1], TIntAry{2}) << "the chosen counts";
  EXPECT_TRUE(even.IsRepeat);
  EXPECT_EQ(results[1][5].Caption, "高级条件（号码组） 小");
  EXPECT_EQ(panel->CboGroupCount->count(), MaxSplitGroups - 1);
  panel->CboGroupCount->setCurrentIndex(panel->CboGroupCount->count() - 1);
  panel->BtnGroup->click();
  EXPECT_EQ(results.at(2).size(), 15u);
  panel->SelectIndicator(Formula(RedBall1));
  EXPECT_EQ(panel->PageControl1->currentWidget(), panel->TabSheet4) << "the same-screen page stays";
  panel->lstRandomCc->SetChecked(2, false);
  panel->BtnRandomJODX->click();  // no counts to choose
  ASSERT_EQ(results.size(), 4u);
  EXPECT_EQ(results[3][0].Values, (T2DIntAry{Range(1, 27, 2)}));
  EXPECT_EQ(Messages().size(), 1);
}

TEST_F(ConditionForm, SelectionButtonsActOnTheShownValuePage) {
  const auto tabs = [&] {
    QString shown;
    for (int i = 0; i < panel->PageControl1->count(); ++i) shown += panel->PageControl1->isTabVisible(i) ? "x" : ".";
    return shown;
  };
  EXPECT_EQ(tabs(), "x..x") << "the value page and the same-screen page";
  EXPECT_EQ(panel->lstValues1->count(), 0) << "no values before an indicator is chosen";
  EXPECT_EQ(panel->lstRandomCc->ItemText(7), "8") << "the counts 1..8 until then";
  EXPECT_EQ(panel->lstRandomCc->count(), 8);
  panel->SelectIndicator(Formula(NumberGroup));
  EXPECT_EQ(tabs(), ".x.x");
  panel->SelectIndicator(Formula(RedBall1));
  EXPECT_EQ(tabs(), "x..x");
  ExpectLaidOut(panel.get());
  const char* names[] = {"BtnSelAll1", "BtnUnSel1", "BtnClearAll1", "BtnBig", "BtnSmall", "BtnOdd",
                         "BtnEven",    "BtnPrime",  "BtnCom",       "Btn0",   "Btn1",     "Btn2"};
  for (size_t i = 0; i < std::size(names); ++i) {
    TCheckListBox expected;
    expected.SetNumbers(1, 28);
    SelectorProcs[i](expected);
    UncheckAll(*panel->lstValues1);
    panel->findChild<QPushButton*>(names[i])->click();
    EXPECT_EQ(Checked(*panel->lstValues1), Checked(expected)) << names[i];
  }
  panel->PageControl1->setCurrentWidget(panel->TabSheet4);
  panel->findChild<QPushButton*>("BtnSelAll1")->click();
  EXPECT_EQ(Checked(*panel->lstValues1).size(), 9u) << "the last selection stays";
}

TEST_F(ConditionForm, DraggingChecksWhatThePointerPasses) {
  panel->SelectIndicator(Formula(RedBall1));
  panel->show();
  TCheckListBox* list = panel->lstValues1;
  list->SetChecked(3, true);
  DragOver(list, {1, 2, 3, 4});
  EXPECT_EQ(Checked(*list), Range(2, 5));
  Mouse(list, QEvent::MouseMove, 6, Qt::LeftButton);
  EXPECT_EQ(Checked(*list), Range(2, 5)) << "the release ended the drag";
  DragOver(list, {3, 2});
  EXPECT_EQ(Checked(*list), (TIntAry{2, 5})) << "a press on a checked item unchecks";
  Mouse(list, QEvent::MouseButtonPress, 7, Qt::RightButton);
  EXPECT_EQ(Checked(*list), (TIntAry{2, 5})) << "only the left button checks";
  QTest::keyClick(list, Qt::Key_Space);
  EXPECT_EQ(Checked(*list), (TIntAry{2, 5, 8})) << "the blank toggles the current item";
  for (QEvent::Type t : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick})
    Mouse(list, t, 9, t == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton);
  EXPECT_EQ(Checked(*list), (TIntAry{2, 5, 8})) << "each press of a double click toggles";
}

// From: no integer gives 0. To: no integer gives From + 1. Both written
// back; the bounds and the pick count are kept in the settings.
TEST_F(ConditionForm, RangeBoundsAndSettings) {
  EXPECT_EQ(panel->edtYLFrom->Text() + "-" + panel->edtYLTo->Text() + " " + panel->edtRandom->Text(), "0-2 5");
  const struct {
    QString from, to, got;
  } cases[] = {{"3", "10", "3-10"}, {"abc", "", "0-1"}, {"4", "x", "4-5"}};
  for (const auto& c : cases) {
    panel->SetRangeTexts(c.from, c.to);
    EXPECT_EQ(QString("%1-%2").arg(panel->GetYLFrom()).arg(panel->GetYLTo()), c.got);
    EXPECT_EQ(panel->edtYLFrom->Text() + "-" + panel->edtYLTo->Text(), c.got);
  }
  panel->SetYLFrom(7);
  panel->SetYLTo(9);
  panel->edtRandom->SetText("");
  panel->chkRepeat->setChecked(false);
  panel.reset();
  const TIniFileMgr& ini = IniFileMgr();
  const auto read = [&](const char* key) { return ini.ReadInteger("FrmCondition", key, -1); };
  EXPECT_EQ((std::vector<int32_t>{read("YLFrom"), read("YLTo"), read("Random"), read("Repeat")}),
            (std::vector<int32_t>{7, 9, 5, 0})) << "no pick count: the default";
}

// The picker opens beside the panel, keeps its ranges in plain decimal
// (old lines as read), deletes the selected one and fills the bounds with
// the one double-clicked.
TEST_F(ConditionForm, RangePickerKeepsRangesAndFillsTheBounds) {
  folder.Write("YLRange.Txt", "0-2\n-3-10\r\n");
  panel->show();
  panel->BtnYLRange->click();
  TfrmYLRange* picker = FrmYLRange(false);
  ASSERT_TRUE(picker && picker->isVisible());
  ExpectLaidOut(picker);
  const QPoint corner = panel->Panel2->mapToGlobal(QPoint(0, 0));
  EXPECT_EQ(picker->pos(), corner + QPoint(panel->Panel2->width() + 5, panel->Panel2->height() - picker->height() - 5))
      << "beside the panel, bottoms aligned";
  const struct {
    QString from, to;
    bool added;
  } cases[] = {{"-3", "10", false}, {"4", "z", false}, {" 007", "$A", true}};
  for (const auto& c : cases) {
    recording.Calls.clear();
    picker->edtYLFrom->setText(c.from);
    picker->edtYLTo->setText(c.to);
    picker->BtnAdd->click();
    EXPECT_EQ(Messages(), c.added ? QStringList() : QStringList{"请输入数字!"}) << c.from.toStdString();
  }
  EXPECT_EQ(folder.Read("YLRange.Txt"), "0-2\r\n-3-10\r\n7-10\r\n");
  QListWidget* list = picker->lstYLRange;
  list->setCurrentRow(0);
  ASSERT_FALSE(picker->BtnDel->isHidden());
  picker->BtnDel->click();
  EXPECT_EQ(folder.Read("YLRange.Txt"), "-3-10\r\n7-10\r\n");
  EXPECT_TRUE(picker->BtnDel->isHidden());
  const QPoint row = list->visualItemRect(list->item(1)).center();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row);
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row);
  EXPECT_EQ(panel->edtYLFrom->Text() + "-" + panel->edtYLTo->Text(), "7-10");
  EXPECT_FALSE(picker->isVisible());
  panel->BtnYLRange->click();
  panel->BtnYLRange->click();
  EXPECT_FALSE(picker->isVisible()) << "the button shows and hides it";
}

// A ranges file that is there but cannot be read gives an empty list and is
// never written: the first change says so once, with the file and why; the
// ranges added stay in the list.
TEST_F(ConditionForm, ARangesFileThatCannotBeReadIsNeverReplaced) {
  const std::string file = folder.File("YLRange.Txt");
  const auto held = [&](int mode) {
    folder.Write("YLRange.Txt", "1-5\r\n");
    ::chmod(file.c_str(), static_cast<mode_t>(mode));
  };
  const struct {
    const char* what;
    std::function<std::unique_ptr<testsupport::FailingReads>()> make;
    const char* reason;
  } cases[] = {
      {"a read error", [&] { return held(0644), std::make_unique<testsupport::FailingReads>(file, EIO); }, "磁盘读写出错"},
      {"no right to read",
       [&]() -> std::unique_ptr<testsupport::FailingReads> {
         held(0200);
         // Root reads anything: its reads are refused as the mode refuses others'.
         if (::geteuid() == 0) return std::make_unique<testsupport::FailingReads>(file, EACCES);
         return nullptr;
       },
       "没有读取权限"},
      {"a folder", [&] { return std::filesystem::create_directory(file), nullptr; }, "这是一个文件夹，不是文件"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    recording.Calls.clear();
    auto failing = c.make();
    {
      TfrmYLRange picker;
      EXPECT_EQ(picker.lstYLRange->count(), 0);
      for (const char* to : {"7", "8"}) {
        picker.edtYLFrom->setText("1");
        picker.edtYLTo->setText(QString::fromLatin1(to));
        picker.BtnAdd->click();
      }
      EXPECT_EQ(picker.lstYLRange->count(), 2);
    }
    EXPECT_EQ(Messages().join(" | ").toStdString(),
              "遗漏范围无法保存到 " + file + "：\n原文件无法读取（" + c.reason + "），为免丢失其中的内容，没有改写");
    failing.reset();
    ::chmod(file.c_str(), 0644);
    if (std::filesystem::is_directory(file))
      EXPECT_TRUE(std::filesystem::is_empty(file));
    else
      EXPECT_EQ(folder.Read("YLRange.Txt"), "1-5\r\n") << "kept";
    std::filesystem::remove(file);
  }
}

}  // namespace
