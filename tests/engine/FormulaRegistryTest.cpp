// The registered indicators against their reviewed listing, the indicator
// tree and the check-list selectors.
#include "engine/uFormulaDef.h"
#include "support/History.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

std::string Join(const TValueItems& items) {
  std::string s;
  for (const auto& [text, value] : items) {
    if (!s.empty()) s += ',';
    s += text;
    if (text != std::to_string(value)) s += '=' + std::to_string(value);
  }
  return s;
}

// One line per indicator: everything that registration and Init decide.
std::string Describe(int32_t i, const TFormulate& f) {
  const TValueItems unset{{"unset", -1}};
  TValueItems row0, row1 = unset, row2 = unset;  // no indicator shows a third row
  f.FillValueLists(&row0, &row1, &row2);
  const T2DIntAry first{{f.Values()[0].front()}, {1}};
  TValueItems freq;
  if (!f.Counts().empty()) f.TFormulate::FillValues(freq, f.Counts()[0]);
  std::ostringstream s;
  s << i << ' ' << f.Group() << ' ' << f.Name() << " kind=" << int(f.Kind()) << " pos=" << f.Pos()
    << " rows=" << int(f.RowKind()) << " tail=" << int(f.TailMode()) << " total=" << f.Total()
    << " of=" << f.GetTotal() << " all=" << f.CountCombos(f.Values(), false) << " first=" << f.CountCombos(first, true)
    << " values=" << Join(row0) << " counts=" << (row1 == unset ? "none" : Join(row1)) << " freq=" << Join(freq);
  if (auto* c = dynamic_cast<const TFormulateRedCategory*>(&f)) s << " size=" << c->CategorySize();
  if (row2 != unset) s << " row2=" << Join(row2);
  return s.str();
}

}  // namespace

// The listing's order is the indicator number that scheme files store.
TEST(FormulateList, MatchesTheReviewedListingOfAll88) {
  std::ifstream in(testsupport::SourceDir() + "/tests/engine/data/registry.txt");
  ASSERT_TRUE(in) << "tests/engine/data/registry.txt";
  const TFormulateList& list = FormulateList();
  std::string line;
  int32_t i = 0;
  for (; std::getline(in, line); ++i) {
    ASSERT_LT(i, list.Count());
    EXPECT_EQ(Describe(i, *list.GetItem(i)), line);
    EXPECT_EQ(list.IndexOf(list.GetItem(i)), i);
  }
  EXPECT_EQ(i, 88);
  EXPECT_EQ(list.Count(), 88);
  EXPECT_EQ(list.IndexOf(nullptr), -1);
}
namespace {

struct TRecordingSink : IFormulaTreeSink {
  std::vector<std::pair<std::string, std::vector<const TFormulate*>>> roots;
  int AddRoot(const std::string& text, int imageIndex) override {
    EXPECT_EQ(imageIndex, 0);
    roots.push_back({text, {}});
    return static_cast<int>(roots.size()) - 1;
  }
  void AddChild(int root, const std::string& text, const TFormulate* f, int imageIndex, int selected) override {
    EXPECT_EQ(text, f->Name());
    EXPECT_EQ(std::pair(imageIndex, selected), std::pair(1, 2));
    roots.at(static_cast<size_t>(root)).second.push_back(f);
  }
};

}  // namespace

TEST(BuildFormulaTree, OneRootPerGroupInFirstSeenOrderWithItsIndicatorsInOrder) {
  TRecordingSink sink;
  BuildFormulaTree(sink);
  std::string shape;
  for (auto& [text, children] : sink.roots) shape += text + ":" + std::to_string(children.size()) + " ";
  EXPECT_EQ(shape, "蓝号系列:7 红1号定位:7 红2号定位:7 红3号定位:7 红4号定位:7 红5号定位:7 红6号定位:7 尾数系列:9 "
                   "跨度系列:7 和值系列:7 红球常规:15 高级条件:1 ");
  EXPECT_EQ(sink.roots[10].second.front(), FormulateList().GetItem(72));
  // A group met again later joins its first root.
  TFormulateList list;
  for (const char* g : {"G1", "G2", "G1"}) list.Add(CreateFormulate<TFormulateRedAc>("x", g));
  TRecordingSink small;
  BuildFormulaTree(small, list);
  ASSERT_EQ(small.roots.size(), 2u);
  EXPECT_EQ(small.roots[0].second, (std::vector<const TFormulate*>{list.GetItem(0), list.GetItem(2)}));
}

TEST(FillValues, RangeIndicatorsListOneRangePerGivenValueAndNeverPastTheTable) {
  TValueItems items;
  FormulateList().GetItem(65)->FillValues(items, TIntAry{99, 98});  // 红球和值
  EXPECT_EQ(items, (TValueItems{{"21-60", 0}, {"61-70", 1}}));
  FormulateList().GetItem(67)->FillValues(items, TIntAry(40, 0));  // 和值 振幅
  EXPECT_EQ(items.size(), 16u);
}

namespace {

struct TFakeCheckList : ICheckList {
  std::vector<int32_t> values;
  std::vector<bool> checks;
  explicit TFakeCheckList(std::vector<int32_t> v) : values(std::move(v)), checks(values.size(), false) {}
  int Count() const override { return static_cast<int>(values.size()); }
  bool Checked(int i) const override { return checks.at(static_cast<size_t>(i)); }
  void SetChecked(int i, bool c) override { checks.at(static_cast<size_t>(i)) = c; }
  int32_t Value(int i) const override { return values.at(static_cast<size_t>(i)); }
  TIntAry CheckedValues() const {
    TIntAry v{-99};  // GetCheckedValues replaces what it is given
    GetCheckedValues(*this, v);
    EXPECT_EQ(CountChecked(*this), static_cast<int>(v.size()));
    return v;
  }
};

}  // namespace

TEST(Selectors, EachButtonTagSelectsItsItems) {
  // Odd-sized, with values no table holds (never prime nor composite).
  TFakeCheckList list({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 34, -3});
  const std::vector<TIntAry> expected{
      {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 34, -3},  // 全
      {},                                          // 反 (of 全)
      {},                                          // 清
      {6, 7, 8, 9, 10, 34, -3},                    // 大: i >= 13 div 2
      {0, 1, 2, 3, 4, 5},                          // 小
      {1, 3, 5, 7, 9},                             // 奇
      {0, 2, 4, 6, 8, 10, 34},                     // 偶
      {1, 2, 3, 5, 7},                             // 质: 1 counts as prime
      {0, 4, 6, 8, 9, 10},                         // 合: 0 counts as composite
      {0, 3, 6, 9, -3},                            // mod 3 = 0
      {1, 4, 7, 10, 34},                           // mod 3 = 1
      {2, 5, 8},                                   // mod 3 = 2
  };
  for (size_t tag = 0; tag < SelectorProcs.size(); ++tag) {
    SelectorProcs[tag](list);
    EXPECT_EQ(list.CheckedValues(), expected[tag]) << "tag " << tag;
  }
  SelectOdd(list);  // invert flips whatever is selected
  InvertChecks(list);
  EXPECT_EQ(list.CheckedValues(), (TIntAry{0, 2, 4, 6, 8, 10, 34, -3}));
}

TEST(PositionLists, GetPositionListSortsAndRefusesOtherPositions) {
  TPositionLists lists;
  lists[3] = {12, 4, 9};
  EXPECT_EQ(GetPositionList(lists, -1), nullptr);
  EXPECT_EQ(GetPositionList(lists, 7), nullptr);
  ASSERT_EQ(GetPositionList(lists, 3), &lists[3]);
  EXPECT_EQ(lists[3], (TIntAry{4, 9, 12}));
  EXPECT_EQ(GetPositionList(lists, 0), &lists[0]);
  EXPECT_EQ(GetPositionList(lists, 6), &lists[6]);
  FmlAry fmls{nullptr};
  EXPECT_EQ(AppendFml(fmls), 1);
  EXPECT_EQ(fmls.size(), 2u);
}
