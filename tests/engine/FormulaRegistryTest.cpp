// The registered indicators, the indicator tree, the value lists and the
// check-list selectors.
#include "engine/uFormulaDef.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct TRow {
  const char* name;
  const char* group;
  TFormulaKind kind;
  int32_t pos;
};

// The expected registration table: the order is the indicator number that
// scheme files store.
std::vector<TRow> ExpectedRows() {
  using K = TFormulaKind;
  std::vector<TRow> rows;
  auto position = [&rows](const char* valueName, int32_t pos, const char* group) {
    rows.push_back({valueName, group, K::Dw, pos});
    rows.push_back({"尾", group, K::DwDiv, pos});
    rows.push_back({"振幅", group, K::DwZF, pos});
    rows.push_back({"振幅尾", group, K::DwZFEnd, pos});
    rows.push_back({"除以3余数", group, K::DwDiv, pos});
    rows.push_back({"除以4余数", group, K::DwDiv, pos});
    rows.push_back({"除以5余数", group, K::DwDiv, pos});
  };
  position("蓝号", 6, "蓝号系列");
  position("红球1号", 0, "红1号定位");
  position("红球2号", 1, "红2号定位");
  position("红球3号", 2, "红3号定位");
  position("红球4号", 3, "红4号定位");
  position("红球5号", 4, "红5号定位");
  position("红球6号", 5, "红6号定位");
  auto categories = [&rows](const char* group) {
    rows.push_back({"大号组选", group, K::RedBigSmall, -1});
    rows.push_back({"小号组选", group, K::RedBigSmall, -1});
    rows.push_back({"质数组选", group, K::RedPrimeCom, -1});
    rows.push_back({"合数组选", group, K::RedPrimeCom, -1});
    rows.push_back({"奇数组选", group, K::RedOddEven, -1});
    rows.push_back({"偶数组选", group, K::RedOddEven, -1});
  };
  rows.push_back({"前三尾直选", "尾数系列", K::Red02End, -1});
  rows.push_back({"后三尾直选", "尾数系列", K::Red35End, -1});
  categories("尾数系列");
  rows.push_back({"尾数个数", "尾数系列", K::RedEndCount, -1});
  rows.push_back({"红球跨度", "跨度系列", K::RedKd, -1});
  rows.push_back({"尾", "跨度系列", K::RedKDEnd, -1});
  rows.push_back({"振幅", "跨度系列", K::KDZF, -1});
  rows.push_back({"振幅尾", "跨度系列", K::KDZFEnd, -1});
  rows.push_back({"除以3余数", "跨度系列", K::KDDiv, -1});
  rows.push_back({"除以4余数", "跨度系列", K::KDDiv, -1});
  rows.push_back({"除以5余数", "跨度系列", K::KDDiv, -1});
  rows.push_back({"红球和值", "和值系列", K::RedSum, -1});
  rows.push_back({"尾", "和值系列", K::RedSumEnd, -1});
  rows.push_back({"振幅", "和值系列", K::SumZF, -1});
  rows.push_back({"振幅尾", "和值系列", K::SumZFEnd, -1});
  rows.push_back({"除以3余数", "和值系列", K::SumDiv, -1});
  rows.push_back({"除以4余数", "和值系列", K::SumDiv, -1});
  rows.push_back({"除以5余数", "和值系列", K::SumDiv, -1});
  rows.push_back({"AC值", "红球常规", K::RedAc, -1});
  categories("红球常规");
  rows.push_back({"连码组数", "红球常规", K::RedLink, -1});
  rows.push_back({"尾号组数", "红球常规", K::RedEndGroup, -1});
  rows.push_back({"邻码个数", "红球常规", K::RedNeighbor, -1});
  rows.push_back({"重码个数", "红球常规", K::RedRepeat, -1});
  rows.push_back({"奇号连续组数", "红球常规", K::RedOELink, -1});
  rows.push_back({"偶号连续组数", "红球常规", K::RedOELink, -1});
  rows.push_back({"质数连续组数", "红球常规", K::RedPCLink, -1});
  rows.push_back({"合数连续组数", "红球常规", K::RedPCLink, -1});
  rows.push_back({"号码组", "高级条件", K::RedHmz, -1});
  return rows;
}

}  // namespace

TEST(FormulateList, HoldsThe88IndicatorsInTheirGroupsAndOrder) {
  const TFormulateList& list = FormulateList();
  const auto rows = ExpectedRows();
  ASSERT_EQ(rows.size(), 88u);
  ASSERT_EQ(list.Count(), 88);
  for (int32_t i = 0; i < list.Count(); ++i) {
    SCOPED_TRACE("indicator " + std::to_string(i));
    const TFormulate* f = list.GetItem(i);
    EXPECT_EQ(f->Name(), rows[i].name);
    EXPECT_EQ(f->Group(), rows[i].group);
    EXPECT_EQ(f->Kind(), rows[i].kind);
    EXPECT_EQ(f->Pos(), rows[i].pos);
    EXPECT_EQ(list.IndexOf(f), i);
  }
  EXPECT_EQ(list.IndexOf(nullptr), -1);
  EXPECT_EQ(&FormulateList(), &list);  // one global list
}

TEST(FormulateList, ParametersOfTheRegisteredInstances) {
  const TFormulateList& list = FormulateList();
  // Divisors of the position rows: tail 10, then 3, 4, 5.
  for (int group = 0; group < 7; ++group) {
    const int base = group * 7;
    EXPECT_EQ(static_cast<const TFormulateDwDiv*>(list.GetItem(base + 1))->Divisor(), 10);
    for (int d = 3; d <= 5; ++d)
      EXPECT_EQ(static_cast<const TFormulateDwDiv*>(list.GetItem(base + 1 + d))->Divisor(), d);
  }
  for (int d = 3; d <= 5; ++d) {
    EXPECT_EQ(static_cast<const TFormulateKDDiv*>(list.GetItem(59 + d))->Divisor(), d);
    EXPECT_EQ(static_cast<const TFormulateSumDiv*>(list.GetItem(66 + d))->Divisor(), d);
  }
  // The category rows: tail variants first (with TailMode), then numbers.
  for (int tail = 0; tail < 2; ++tail) {
    const int base = tail ? 51 : 73;
    auto big = static_cast<const TFormulateRedBigSmall*>(list.GetItem(base));
    auto small = static_cast<const TFormulateRedBigSmall*>(list.GetItem(base + 1));
    auto prime = static_cast<const TFormulateRedPrimeCom*>(list.GetItem(base + 2));
    auto comp = static_cast<const TFormulateRedPrimeCom*>(list.GetItem(base + 3));
    auto odd = static_cast<const TFormulateRedOddEven*>(list.GetItem(base + 4));
    auto even = static_cast<const TFormulateRedOddEven*>(list.GetItem(base + 5));
    EXPECT_TRUE(big->IsBig());
    EXPECT_FALSE(small->IsBig());
    EXPECT_TRUE(prime->IsPrime());
    EXPECT_FALSE(comp->IsPrime());
    EXPECT_TRUE(odd->IsOdd());
    EXPECT_FALSE(even->IsOdd());
    for (int i = 0; i < 6; ++i) {
      auto c = static_cast<const TFormulateRedCategory*>(list.GetItem(base + i));
      EXPECT_EQ(c->IsTail(), tail == 1);
      EXPECT_EQ(c->TailMode(), tail);
      EXPECT_EQ(c->RowKind(), 1);
    }
    const std::vector<int32_t> sizes = tail ? std::vector<int32_t>{15, 18, 18, 15, 17, 16}
                                            : std::vector<int32_t>{17, 16, 12, 21, 17, 16};
    for (int i = 0; i < 6; ++i)
      EXPECT_EQ(static_cast<const TFormulateRedCategory*>(list.GetItem(base + i))->CategorySize(), sizes[i]);
  }
  EXPECT_TRUE(static_cast<const TFormulateRedOELink*>(list.GetItem(83))->IsOdd());
  EXPECT_FALSE(static_cast<const TFormulateRedOELink*>(list.GetItem(84))->IsOdd());
  EXPECT_TRUE(static_cast<const TFormulateRedPCLink*>(list.GetItem(85))->IsPrime());
  EXPECT_FALSE(static_cast<const TFormulateRedPCLink*>(list.GetItem(86))->IsPrime());
  EXPECT_EQ(static_cast<const TFormulateRedTailTriple*>(list.GetItem(49))->FirstBall(), 0);
  EXPECT_EQ(static_cast<const TFormulateRedTailTriple*>(list.GetItem(50))->FirstBall(), 3);
  // TailMode only on the tail triples and the tail categories.
  for (int32_t i = 0; i < list.Count(); ++i)
    EXPECT_EQ(list.GetItem(i)->TailMode(), (i >= 49 && i <= 56) ? 1 : 0) << i;
}

namespace {

struct TRecordingSink : IFormulaTreeSink {
  struct TNode {
    std::string text;
    int image;
    std::vector<std::pair<std::string, const TFormulate*>> children;
  };
  std::vector<TNode> roots;
  int AddRoot(const std::string& text, int imageIndex) override {
    roots.push_back({text, imageIndex, {}});
    return static_cast<int>(roots.size()) - 1;
  }
  void AddChild(int root, const std::string& text, const TFormulate* f, int imageIndex,
                int selectedImageIndex) override {
    EXPECT_EQ(imageIndex, 1);
    EXPECT_EQ(selectedImageIndex, 2);
    roots.at(static_cast<size_t>(root)).children.emplace_back(text, f);
  }
};

}  // namespace

TEST(BuildFormulaTree, TwelveGroupRootsWithTheirIndicatorsInOrder) {
  TRecordingSink sink;
  BuildFormulaTree(sink);
  const std::vector<std::pair<std::string, size_t>> expected{
      {"蓝号系列", 7},  {"红1号定位", 7}, {"红2号定位", 7}, {"红3号定位", 7},
      {"红4号定位", 7}, {"红5号定位", 7}, {"红6号定位", 7}, {"尾数系列", 9},
      {"跨度系列", 7},  {"和值系列", 7},  {"红球常规", 15}, {"高级条件", 1}};
  ASSERT_EQ(sink.roots.size(), expected.size());
  int32_t next = 0;
  for (size_t r = 0; r < expected.size(); ++r) {
    EXPECT_EQ(sink.roots[r].text, expected[r].first);
    EXPECT_EQ(sink.roots[r].image, 0);
    ASSERT_EQ(sink.roots[r].children.size(), expected[r].second);
    for (auto& [text, f] : sink.roots[r].children) {
      EXPECT_EQ(f, FormulateList().GetItem(next++));
      EXPECT_EQ(text, f->Name());
    }
  }
}

TEST(BuildFormulaTree, AGroupSeenAgainLaterJoinsItsFirstRoot) {
  TFormulateList list;
  list.Add(CreateFormulate<TFormulateRedAc>("a", "G1"));
  list.Add(CreateFormulate<TFormulateRedAc>("b", "G2"));
  list.Add(CreateFormulate<TFormulateRedAc>("c", "G1"));
  TRecordingSink sink;
  BuildFormulaTree(sink, list);
  ASSERT_EQ(sink.roots.size(), 2u);
  ASSERT_EQ(sink.roots[0].children.size(), 2u);
  EXPECT_EQ(sink.roots[0].children[1].first, "c");
  EXPECT_EQ(sink.roots[1].children.size(), 1u);
}

TEST(FillValueLists, FillsOnlyTheRowsTheIndicatorShows) {
  const TFormulateList& list = FormulateList();
  TValueItems l1, l2{{"keep", 7}};
  list.GetItem(72)->FillValueLists(&l1, &l2);  // AC: one row
  ASSERT_EQ(l1.size(), 11u);
  EXPECT_EQ(l1[3], (std::pair<std::string, int32_t>{"3", 3}));
  ASSERT_EQ(l2.size(), 1u);  // untouched
  EXPECT_EQ(l2[0].first, "keep");

  list.GetItem(87)->FillValueLists(&l1, &l2);  // number group: values and counts
  EXPECT_EQ(l1.size(), 33u);
  ASSERT_EQ(l2.size(), 7u);
  EXPECT_EQ(l2.front().second, 0);
  EXPECT_EQ(l2.back().second, 6);
  list.GetItem(87)->FillValueLists(nullptr, nullptr);  // nothing given: nothing to do
}

TEST(FillValues, SumAndAmplitudeRangesAreListedAsLowHighWithTheirIndex) {
  const TFormulateList& list = FormulateList();
  TValueItems items{{"old", 1}};
  list.GetItem(65)->FillValueLists(&items);  // 红球和值
  ASSERT_EQ(items.size(), 13u);
  EXPECT_EQ(items[0], (std::pair<std::string, int32_t>{"21-60", 0}));
  EXPECT_EQ(items[12], (std::pair<std::string, int32_t>{"171-183", 12}));
  list.GetItem(67)->FillValueLists(&items);  // 和值 振幅
  ASSERT_EQ(items.size(), 16u);
  EXPECT_EQ(items[0].first, "0-10");
  EXPECT_EQ(items[15], (std::pair<std::string, int32_t>{"151-162", 15}));
  // Only the length of the given array counts, and never past the table.
  list.GetItem(65)->FillValues(items, TIntAry{99, 98});
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[1], (std::pair<std::string, int32_t>{"61-70", 1}));
  list.GetItem(65)->FillValues(items, TIntAry(40, 0));
  EXPECT_EQ(items.size(), 13u);
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
    TIntAry v;
    GetCheckedValues(*this, v);
    return v;
  }
};

}  // namespace

TEST(Selectors, EachButtonTagSelectsItsItems) {
  TFakeCheckList list({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  const std::vector<TIntAry> expected{
      {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10},  // 全
      {},                                  // 反 (of 全)
      {},                                  // 清
      {5, 6, 7, 8, 9, 10},                 // 大: i >= 11 div 2
      {0, 1, 2, 3, 4},                     // 小
      {1, 3, 5, 7, 9},                     // 奇
      {0, 2, 4, 6, 8, 10},                 // 偶
      {1, 2, 3, 5, 7},                     // 质: 1 counts as prime
      {0, 4, 6, 8, 9, 10},                 // 合: 0 counts as composite
      {0, 3, 6, 9},                        // mod 3 = 0
      {1, 4, 7, 10},                       // mod 3 = 1
      {2, 5, 8},                           // mod 3 = 2
  };
  for (size_t tag = 0; tag < SelectorProcs.size(); ++tag) {
    SelectorProcs[tag](list);
    EXPECT_EQ(list.CheckedValues(), expected[tag]) << "tag " << tag;
  }
  // Selectors 3..11 replace the selection; invert flips it.
  SelectOdd(list);
  InvertChecks(list);
  EXPECT_EQ(list.CheckedValues(), (TIntAry{0, 2, 4, 6, 8, 10}));
  EXPECT_EQ(CountChecked(list), 6);
}

TEST(Selectors, HalvesOfAFiveItemListAndValuesNoTableHolds) {
  TFakeCheckList five({10, 20, 30, 40, 50});
  SelectBigHalf(five);
  EXPECT_EQ(five.CheckedValues(), (TIntAry{30, 40, 50}));
  SelectSmallHalf(five);
  EXPECT_EQ(five.CheckedValues(), (TIntAry{10, 20}));
  // Values outside 0..33 are neither prime nor composite (and never read
  // past the tables).
  TFakeCheckList odd({-3, 34, 1000, 31, 33});
  SelectPrime(odd);
  EXPECT_EQ(odd.CheckedValues(), (TIntAry{31}));
  SelectComposite(odd);
  EXPECT_EQ(odd.CheckedValues(), (TIntAry{33}));
  UncheckAll(odd);
  EXPECT_TRUE(odd.CheckedValues().empty());
  EXPECT_EQ(CountChecked(odd), 0);
}

TEST(PositionLists, GetPositionListSortsAndRefusesOtherPositions) {
  TPositionLists lists;
  lists[3] = {12, 4, 9};
  EXPECT_EQ(GetPositionList(lists, -1), nullptr);
  EXPECT_EQ(GetPositionList(lists, 7), nullptr);
  TIntAry* l = GetPositionList(lists, 3);
  ASSERT_EQ(l, &lists[3]);
  EXPECT_EQ(*l, (TIntAry{4, 9, 12}));
  EXPECT_TRUE(GetPositionList(lists, 6)->empty());
}

TEST(FmlAry, AppendFmlGrowsByOneEmptySlot) {
  FmlAry a;
  EXPECT_EQ(AppendFml(a), 0);
  EXPECT_EQ(AppendFml(a), 1);
  ASSERT_EQ(a.size(), 2u);
  EXPECT_EQ(a[1], nullptr);
}
