#include "engine/uCdtList.h"

#include <gtest/gtest.h>

TEST(CdtList, AddsEachRecordOnceNumbersItFromOneAndFindsItById) {
  TCdtList list;
  auto* a = new TCdtData;
  auto* b = new TCdtData(*a);  // equal contents and identity, another record
  EXPECT_TRUE(list.Add(a));
  EXPECT_FALSE(list.Add(a));
  EXPECT_TRUE(list.Add(b));
  EXPECT_FALSE(list.Add(nullptr));
  TCdtData* c = list.Add(std::make_unique<TCdtData>(*a));
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(std::vector<int>({a->CdtNo, b->CdtNo, c->CdtNo}), std::vector<int>({1, 2, 3}));
  EXPECT_NE(c->Id, a->Id) << "a copy added to the list is a condition of its own";
  EXPECT_EQ(list.Find(a->Id), a);
  EXPECT_EQ(list.Find(c->Id), c);
  EXPECT_EQ(list.GetItem(2), c);
  EXPECT_EQ(list.IndexOf(nullptr), -1);
  EXPECT_THROW(list.GetItem(3), std::out_of_range);
  const uint64_t gone = a->Id;
  list.Delete(0);
  EXPECT_EQ(list.Find(gone), nullptr);
  EXPECT_EQ(list.GetItem(0), b);
  EXPECT_EQ(list.IndexOf(c), 1);
  EXPECT_THROW(list.Delete(2), std::out_of_range);
  EXPECT_THROW(list.Delete(-1), std::out_of_range);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
}
