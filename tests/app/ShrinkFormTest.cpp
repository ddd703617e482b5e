// The shrink window, offscreen: conditions added, edited and deleted,
// scheme files saved and loaded, the filter, the result file, the count.
#include "app/FormsTestSupport.h"

#include "app/uFormChoose.h"
#include "app/uFormShrink.h"
#include "platform/Dispatcher.h"
#include "platform/FileUtil.h"
#include "support/History.h"

#include <csignal>
#include <cstdio>
#include <filesystem>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Col = TCdtModel::TColumn;

class ShrinkForm : public FormsTest {
 protected:
  void SetUp() override {
    FormsTest::SetUp();
    if (DrawHistory.Empty()) DrawHistory = testsupport::LoadDrawHistory();
    CurrentIndex = DrawHistory.Count() - 1;  // as after the sign-in
    w = std::make_unique<TFrmShrink>();
    w->show();
  }
  void TearDown() override {
    w.reset();
    FormsTest::TearDown();
  }
  QString Cell(QAbstractItemView* grid, int row, int column) const {
    return grid->model()->index(row, column).data().toString();
  }
  void Check(int row) { w->VTCon->model()->setData(w->VTCon->model()->index(row, 0), Qt::Checked, Qt::CheckStateRole); }
  // The in-place editor of a cell, opened.
  QComboBox* Edit(int row, int column) {
    QApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const QModelIndex cell = w->VTCon->model()->index(row, column);
    w->VTCon->setCurrentIndex(cell);
    w->VTCon->edit(cell);
    return w->VTCon->viewport()->findChild<QComboBox*>();
  }
  void Filter() {
    w->btnfilter->click();
    ASSERT_TRUE(platform::GuiDispatcher().PumpUntil([&] { return !w->Filtering(); }, std::chrono::seconds(60)));
  }
  std::string SaveThrough(QToolButton* button, const std::string& name) {
    recording.FileAnswers.push_back(QString::fromStdString(folder.File(name)));
    button->click();
    return platform::ReadFileBytes(folder.File(name)).value_or("");
  }
  // The options of the last file dialog.
  QStringList LastDialog() const {
    const platform::FileDialogOptions& o = recording.Calls.back().File;
    return {o.FileName, o.Filter, o.DefaultExt, o.InitialDir};
  }
  void Load(const std::string& bytes) {
    folder.Write("in.xml", bytes);
    recording.FileAnswers.push_back(QString::fromStdString(folder.File("in.xml")));
    w->BtnLoad->click();
  }
  std::unique_ptr<TFrmShrink> w;
};

TEST_F(ShrinkForm, ConditionsAreNumberedShownCheckedAndDeleted) {
  EXPECT_NE(w->tvCondition->topLevelItem(0)->text(0), "蓝号系列");
  ExpectLaidOut(w.get());
  T2DIntAry values{{1, 2}};
  AddShrinkCondition(Formula(RedBall1), values, false);
  values[0][0] = 9;  // the record keeps its own copy
  AddShrinkCondition(Formula(NumberGroup), {{3, 4}, {1}}, true);
  const TCdtData& r = *CdtList().GetItem(1);
  EXPECT_EQ(r.CdtNo, 2);
  EXPECT_TRUE(r.IsSave && r.IsJC && !r.IsRC && !r.IsCheck);
  const QString group = QString::fromStdString(Formula(RedBall1)->Group());
  const std::vector<QStringList> rows{{"1", group + " 红球1号", "是", "否", "1,2"},
                                      {"2", QString::fromStdString(r.Formula->Group()) + " 号码组", "是", "否", "3,4|1"}};
  ASSERT_EQ(w->VTCon->model()->rowCount(), 2);
  for (int row = 0; row < 2; ++row)
    for (int c = 0; c < Col::ColumnCount; ++c) EXPECT_EQ(Cell(w->VTCon, row, c), rows[row][c]) << row << c;

  for (int v = 3; v <= 5; ++v) AddShrinkCondition(Formula(RedBall1), {{v}}, false);
  Check(0);
  Check(2);
  EXPECT_FALSE(w->VTCon->model()->setData(w->VTCon->model()->index(1, 1), Qt::Checked, Qt::CheckStateRole));
  AddShrinkCondition(Formula(RedSum), {{5}}, false);  // rebuilds the grid: the checks stay
  for (int row = 0; row < 3; ++row)
    EXPECT_EQ(w->VTCon->model()->index(row, 0).data(Qt::CheckStateRole).toInt(), row == 1 ? Qt::Unchecked : Qt::Checked);
  recording.MessageAnswers = {platform::IDCANCEL, platform::IDOK};
  w->btnDel->click();
  EXPECT_EQ(CdtList().Count(), 6);
  w->btnDel->click();
  ASSERT_EQ(CdtList().Count(), 4);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(CdtList().GetItem(i)->CdtNo, i + 1);
    EXPECT_EQ(Cell(w->VTCon, i, Col::colNo), QString::number(i + 1));
  }
  EXPECT_EQ(Cell(w->VTCon, 1, Col::colValues), "4");
}

TEST_F(ShrinkForm, FlagEditorStartsOnTheFlagAndWritesTheRecord) {
  AddShrinkCondition(Formula(RedBall1), {{1}}, false);
  TCdtData& r = *CdtList().GetItem(0);
  r.IsSave = false;
  r.IsRC = true;
  w->RefreshConditions();
  for (int column : {Col::colSave, Col::colRC}) {
    bool& flag = column == Col::colSave ? r.IsSave : r.IsRC;
    const bool start = flag;
    QComboBox* combo = Edit(0, column);
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->currentText(), FlagText(start));
    QTest::keyClick(combo, Qt::Key_Return);  // closed without a choice
    EXPECT_EQ(flag, start);
    combo = Edit(0, column);
    combo->setCurrentText(FlagText(!start));
    QTest::keyClick(combo, Qt::Key_Return);
    EXPECT_EQ(flag, !start);
    EXPECT_EQ(Cell(w->VTCon, 0, column), FlagText(!start));
    combo = Edit(0, column);
    QMouseEvent twice(QEvent::MouseButtonDblClick, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton, {});
    QApplication::sendEvent(combo, &twice);
    EXPECT_EQ(flag, start) << "a double click turns the flag over";
    QTest::keyClick(combo, Qt::Key_Return);
    EXPECT_EQ(flag, start);
  }
  EXPECT_EQ(Edit(0, Col::colValues), nullptr) << "only the flags are edited in place";
}

TEST_F(ShrinkForm, TreeAndEditButtonGoThroughTheChooser) {
  QTreeWidgetItem* ball1 = w->tvCondition->topLevelItem(0)->child(0);
  w->tvCondition->expandAll();
  w->tvCondition->scrollToItem(ball1);
  QTest::mouseClick(w->tvCondition->viewport(), Qt::LeftButton, {}, w->tvCondition->visualItemRect(ball1).center());
  TFrmChoose* chooser = FrmChoose(false);
  ASSERT_TRUE(chooser && chooser->isVisible());
  EXPECT_GT(chooser->x(), w->pnl1->mapToGlobal(QPoint(w->pnl1->width(), 0)).x()) << "right of the tree";
  chooser->chklstValue1->SetChecked(0, true);
  chooser->btnOK->click();
  ASSERT_EQ(w->VTCon->model()->rowCount(), 1);
  w->VTCon->setCurrentIndex(w->VTCon->model()->index(0, 1));
  w->btnEdit->click();
  ASSERT_TRUE(chooser->isVisible());
  chooser->chklstValue1->SetChecked(2, true);
  chooser->btnOK->click();
  EXPECT_EQ(CdtList().Count(), 1);
  EXPECT_EQ(Cell(w->VTCon, 0, Col::colValues), "1,3");
}

const std::string Declaration = "<?xml version=\"1.0\" encoding=\"GB2312\"?>\n";

TEST_F(ShrinkForm, SchemeSavedByteExactAndLoadedBack) {
  w->BtnFA->click();
  EXPECT_EQ(Messages(), QStringList{"当前方案中没有条件"});
  AddShrinkCondition(Formula(RedBall1), {{1, 2}}, false);
  AddShrinkCondition(Formula(NumberGroup), {{3, 4}, {1}}, true);
  Check(0);
  CdtList().GetItem(0)->IsRC = true;
  CdtList().GetItem(1)->IsSave = false;
  const std::string saved = SaveThrough(w->BtnFA, "s.xml");
  EXPECT_EQ(LastDialog(), (QStringList{"缩水方案", "*.xml|*.xml", "xml", ""}));
  EXPECT_EQ(saved, Declaration +
                       "<FMlS><FMlInfo><FMLNo>7</FMLNo><IsCheck>1</IsCheck><IsSave>1</IsSave><IsRC>1</IsRC>"
                       "<IsJC>0</IsJC><Num1>1,2</Num1><Num2></Num2></FMlInfo><FMlInfo><FMLNo>87</FMLNo>"
                       "<IsCheck>0</IsCheck><IsSave>0</IsSave><IsRC>0</IsRC><IsJC>1</IsJC><Num1>3,4</Num1>"
                       "<Num2>1</Num2></FMlInfo></FMlS>\n");
  AddShrinkCondition(Formula(RedSum), {{5}}, false);
  Load(saved);
  EXPECT_EQ(LastDialog(), (QStringList{"", "文件(*.xml)|*.xml", "", QString::fromStdString(folder.Path() + "/")}));
  ASSERT_EQ(CdtList().Count(), 2);
  EXPECT_EQ(CdtList().GetItem(1)->Name, "号码组");
  EXPECT_EQ(SaveThrough(w->BtnFA, "again.xml"), saved);
  EXPECT_EQ(Messages().size(), 1);
}

// One FMlInfo element; `rest` goes inside it after the others.
std::string Info(const std::string& no, const std::string& num1, const std::string& num2, const std::string& rest = {}) {
  return "<FMlInfo><IsCheck>0</IsCheck><FMLNo>" + no + "</FMLNo><IsSave>1</IsSave><IsRC>0</IsRC><IsJC>0</IsJC><Num1>" +
         num1 + "</Num1>" + num2 + rest + "</FMlInfo>";
}

// A wider window widens the condition grid; the result grid keeps the
// width of its columns.
TEST_F(ShrinkForm, AWiderWindowWidensTheConditionGrid) {
  w->resize(1100, 600);
  QApplication::processEvents();
  const int conditions = w->VTCon->width(), results = w->strdNUM->width();
  w->resize(1300, 600);
  QApplication::processEvents();
  EXPECT_EQ(std::pair(w->VTCon->width(), w->strdNUM->width()), std::pair(conditions + 200, results));
}

// A refused file says why after "无效的XML文件": the XML reader's reason, or
// the condition, its line and the bad value.
TEST_F(ShrinkForm, SchemeFilesFromElsewhere) {
  const std::string two = Info("7", "3", "<Num2/>") + Info("87", "1,2", "<Num2>0</Num2>");
  const std::string noNum1 = "<FMlInfo><FMLNo>7</FMLNo><IsCheck>0</IsCheck><IsSave>1</IsSave><IsRC>0</IsRC><IsJC>0</IsJC>";
  const std::string notXml = "<FMlS>" + Info("7", "1", "");
  std::string xmlReason;
  platform::XmlDocument().Parse(notXml, &xmlReason);
  const std::string ball1 = "“" + Formula(RedBall1)->Name() + "”", group = "“" + Formula(NumberGroup)->Name() + "”";
  const struct {
    const char* what;
    std::string bytes;
    int count;           // -1: refused, the old scheme stays
    std::string reason;  // why it was refused
    TIntAry first = {3};
  } cases[] = {
      {"GBK comment", Declaration + "<!-- \xE9\x46 \xB7\xBD\xB0\xB8 -->\n<Root>" + two + "</Root>", 2, ""},
      {"pretty-printed", Declaration + "<FMlS>\r\n  " + Info("7", "3", "\r\n    <Num2></Num2>\r\n  ") + "\r\n</FMlS>\r\n", 1, ""},
      {"foreign first element", "<FMlS><Other/>" + two + "</FMlS>", 0, ""},
      {"element after the list", "<FMlS>" + two + "<Other/>" + Info("x", "", "") + "</FMlS>", 2, ""},
      {"empty Num2 and Num1", "<FMlS>" + Info("7", "", "<Num2></Num2>") + "</FMlS>", 1, "", {}},
      {"FMLNo out of range", "<FMlS>" + Info("88", "1", "") + "</FMlS>", -1,
       "第 1 个条件（第 1 行）：FMLNo 的值 \"88\" 不是指标编号（0–87）"},
      {"FMLNo not a number", "<FMlS>" + Info("seven", "1", "") + "</FMlS>", -1,
       "第 1 个条件（第 1 行）：FMLNo 的值 \"seven\" 不是指标编号（0–87）"},
      {"a flag missing", "<FMlS><FMlInfo><FMLNo>7</FMLNo><Num1>1</Num1></FMlInfo></FMlS>", -1,
       "第 1 个条件（第 1 行）：IsCheck 的值 \"\" 不是整数"},
      {"a value piece not a number", "<FMlS>" + Info("7", "1,,2", "") + "</FMlS>", -1,
       "第 1 个条件（第 1 行）：Num1 的值 \"1,,2\" 不是用逗号隔开的整数"},
      {"a value outside the domain", "<FMlS>" + Info("7", "34", "") + "</FMlS>", -1,
       "第 1 个条件（第 1 行）：Num1 的值 34 不在指标" + ball1 + "的取值范围内"},
      {"a count outside the domain", "<FMlS>" + Info("87", "1", "<Num2>7</Num2>") + "</FMlS>", -1,
       "第 1 个条件（第 1 行）：Num2 的值 7 不在指标" + group + "的取值范围内"},
      {"a count piece not a number", "<FMlS>" + Info("87", "1", "<Num2>1 2</Num2>") + "</FMlS>", -1,
       "第 1 个条件（第 1 行）：Num2 的值 \"1 2\" 不是用逗号隔开的整数"},
      {"the second condition, on line 4", Declaration + "<FMlS>\n" + Info("7", "3", "") + "\n" + Info("7", "0,3", "") + "\n</FMlS>", -1,
       "第 2 个条件（第 4 行）：Num1 的值 0 不在指标" + ball1 + "的取值范围内"},
      {"Num1 missing", "<FMlS>" + noNum1 + "</FMlInfo></FMlS>", -1, "第 1 个条件（第 1 行）：缺少 Num1"},
      {"not XML", notXml, -1, xmlReason},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    CdtList().Clear();
    AddShrinkCondition(Formula(RedSum), {{5}}, false);
    const TCdtData* old = CdtList().GetItem(0);
    recording.Calls.clear();
    Load(c.bytes);
    EXPECT_EQ(Messages(), c.count < 0 ? QStringList{QString::fromStdString("无效的XML文件\n" + c.reason)} : QStringList{});
    if (c.count < 0) {
      EXPECT_TRUE(CdtList().Count() == 1 && CdtList().GetItem(0) == old);
      continue;
    }
    ASSERT_EQ(CdtList().Count(), c.count);
    EXPECT_EQ(w->VTCon->model()->rowCount(), c.count);
    if (c.count == 0) continue;
    EXPECT_EQ(CdtList().GetItem(0)->CdtNo, 1);
    EXPECT_EQ(CdtList().GetItem(0)->Values, (T2DIntAry{c.first, {}}));
    EXPECT_EQ(CdtList().GetItem(c.count - 1)->Values, (c.count == 2 ? T2DIntAry{{1, 2}, {0}} : T2DIntAry{c.first, {}}));
  }
  EXPECT_FALSE(xmlReason.empty());
}

TEST_F(ShrinkForm, FilterRunsAsideAndItsResultsAreSaved) {
  w->btnfilter->click();
  EXPECT_EQ(Messages(), QStringList{"当前方案中没有条件"});
  AddShrinkCondition(Formula(RedBall1), {{1}}, false);
  CdtList().GetItem(0)->IsSave = false;  // nothing takes part: everything is kept up to the cap
  w->btnfilter->click();
  EXPECT_TRUE(w->Filtering());
  EXPECT_FALSE(w->BtnSave->isEnabled() || w->VTCon->isEnabled() || w->tvCondition->isEnabled());
  ASSERT_TRUE(platform::GuiDispatcher().PumpUntil([&] { return !w->Filtering(); }, std::chrono::seconds(60)));
  EXPECT_TRUE(w->BtnSave->isEnabled());
  EXPECT_EQ(w->lbl2->text(), "过滤结束，取前5001注");
  const QAbstractItemModel* grid = w->strdNUM->model();
  ASSERT_EQ(grid->rowCount(), 5001);
  QStringList last;
  for (int c = 0; c < grid->columnCount(); ++c) last << Cell(w->strdNUM, 5000, c);
  EXPECT_EQ(last.join(' '), "5001 1 2 4 7 18 25");
  w->rg1Blue->setChecked(true);
  EXPECT_EQ(grid->columnCount(), 8);
  EXPECT_EQ(grid->headerData(7, Qt::Horizontal).toString() + grid->headerData(1, Qt::Horizontal).toString(), "蓝球红号1");
  w->setWindowState(Qt::WindowMinimized);  // minimized and restored: still blue
  w->setWindowState(Qt::WindowNoState);
  QCoreApplication::processEvents();
  EXPECT_EQ(grid->columnCount(), 8);
  w->hide();  // switching tabs keeps the results, back to red numbers only
  w->show();
  EXPECT_EQ(grid->columnCount(), 7);
  const std::string text = SaveThrough(w->BtnSave, "r.txt");
  EXPECT_EQ(LastDialog(), (QStringList{"缩水号码", "*.txt|*.txt", "txt", ""}));
  EXPECT_EQ(text.substr(0, 26), "1 2 3 4 5 6\r\n1 2 3 4 5 7\r\n");
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n') + std::count(text.begin(), text.end(), '\r'), 10002);
  EXPECT_TRUE(text.ends_with("\r\n1 2 4 7 18 25\r\n"));

  Filter();  // a second run shows the same rows, not twice as many
  EXPECT_EQ(SaveThrough(w->BtnSave, "r2.txt"), text);
  AddShrinkCondition(Formula(RedBall1), {{34}}, false);  // refused: the last results stay
  Filter();
  EXPECT_TRUE(Messages().back().contains("超出范围")) << Messages().back().toStdString();
  EXPECT_EQ(grid->rowCount(), 5001);

  // A save that cannot be completed (files limited to 1000 bytes) leaves
  // the previous file whole.
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit limit{};
  ::getrlimit(RLIMIT_FSIZE, &limit);
  const rlimit small{1000, limit.rlim_max};
  ::setrlimit(RLIMIT_FSIZE, &small);
  const std::string kept = SaveThrough(w->BtnSave, "r.txt");
  ::setrlimit(RLIMIT_FSIZE, &limit);
  EXPECT_EQ(kept, text);
  EXPECT_TRUE(Messages().back().startsWith("保存号码失败")) << Messages().back().toStdString();
}

// A file that cannot be written or read is refused with the reason in the
// window's words; the system's and the XML reader's own go to the log.
TEST_F(ShrinkForm, AFileThatCannotBeWrittenOrReadIsSaidWhy) {
  AddShrinkCondition(Formula(RedBall1), {{1}}, false);
  CdtList().GetItem(0)->IsSave = false;
  Filter();
  folder.Write("file.txt", "");
  std::filesystem::create_directories(folder.File("dir.xml"));
  std::filesystem::create_directories(folder.File("locked"));
  ::chmod(folder.File("locked").c_str(), 0555);
  folder.Write("broken.xml", Declaration + "<FMlS>\n<FMlInfo>\n  <FMLNo>7</FMLNo>\n  <IsCheck>0</IsCheck\n</FMlInfo>");
  const struct {
    const char* what;
    QToolButton* button;
    const char* file;
    const char* message;
  } cases[] = {
      {"numbers into a missing folder", w->BtnSave, "none/r.txt", "保存号码失败：文件夹不存在"},
      {"numbers into a read-only folder", w->BtnSave, "locked/r.txt", "保存号码失败：没有写入权限"},
      {"a scheme below a file", w->BtnFA, "file.txt/s.xml", "保存方案失败：文件夹不存在"},
      {"a scheme over a folder", w->BtnFA, "dir.xml", "保存方案失败：已有同名的文件夹"},
      {"a missing scheme", w->BtnLoad, "none.xml", "无效的XML文件\n文件不存在"},
      {"a folder for a scheme", w->BtnLoad, "dir.xml", "无效的XML文件\n这是一个文件夹，不是文件"},
      {"a broken scheme", w->BtnLoad, "broken.xml", "无效的XML文件\n第6行第1列不符合XML格式"},
  };
  for (const auto& c : cases) {
    if (std::string(c.file).starts_with("locked") && ::geteuid() == 0) continue;  // root writes anywhere
    recording.Calls.clear();
    recording.FileAnswers.push_back(QString::fromStdString(folder.File(c.file)));
    c.button->click();
    EXPECT_EQ(Messages().join(" | ").toStdString(), c.message) << c.what;
  }
  ::chmod(folder.File("locked").c_str(), 0755);
  EXPECT_EQ(CdtList().Count(), 1) << "the scheme stays";
}

TEST_F(ShrinkForm, DeveloperToolGivesTheWindowsRows) {
#ifndef SHRINK_SCHEME_RUN
  GTEST_SKIP() << "the benchmarks (and the tool) are not built";
#else
  for (const TCdtData& c : shrinktest::SchemeB()) CdtList().Add(std::make_unique<TCdtData>(c));
  Filter();
  const std::string rows = SaveThrough(w->BtnSave, "rows.txt");
  ASSERT_GT(std::count(rows.begin(), rows.end(), '\n'), 100);
  SaveThrough(w->BtnFA, "b.xml");
  const std::string command = std::string(SHRINK_SCHEME_RUN) + " '" + folder.File("b.xml") + "' 2>/dev/null";
  FILE* tool = ::popen(command.c_str(), "r");
  ASSERT_NE(tool, nullptr);
  std::string out;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, tool)) > 0;) out.append(buffer, n);
  EXPECT_EQ(::pclose(tool), 0);
  EXPECT_EQ(out, rows);
#endif
}

TEST_F(ShrinkForm, HiddenCountCountsEveryConditionWhateverItsFlags) {
  AddShrinkCondition(Formula(RedBall1), {{1}}, false);
  CdtList().GetItem(0)->IsSave = false;
  w->Button1->click();
  EXPECT_EQ(w->lbl2->text(), "有效注数201376/1107568");  // C(32, 5) with 1 first
  AddShrinkCondition(Formula(RedBall1), {{34}}, false);
  w->Button1->click();
  EXPECT_TRUE(Messages().back().contains("超出范围"));
}

}  // namespace
