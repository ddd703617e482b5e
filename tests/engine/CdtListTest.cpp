#include "engine/uCdtList.h"

#include "engine/uFormulaDef.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <new>
#include <vector>

// This test program's allocation functions note which of the records a test
// watches are freed.
namespace {
constexpr int MaxWatched = 8;
void* watched[MaxWatched];
int watchedCount = 0;
int freedWatched = 0;

void NoteFree(void* p) {
  for (int i = 0; i < watchedCount; ++i)
    if (watched[i] == p) {
      watched[i] = nullptr;
      ++freedWatched;
    }
}

TCdtData* Watched() {
  auto* p = new TCdtData;
  watched[watchedCount++] = p;
  return p;
}
}  // namespace

void* operator new(std::size_t n) {
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  NoteFree(p);
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  NoteFree(p);
  std::free(p);
}

TEST(CdtList, AddsARecordOnceAndNumbersItFromOne) {
  TCdtList list;
  auto* a = new TCdtData{FormulateList().GetItem(0), "蓝号", 0, true, true, false, false, {{1, 2}}};
  auto* b = new TCdtData(*a);  // equal contents, another record
  EXPECT_TRUE(list.Add(a));
  EXPECT_FALSE(list.Add(a));
  EXPECT_TRUE(list.Add(b));
  EXPECT_FALSE(list.Add(nullptr));
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.GetItem(0), a);
  EXPECT_EQ(list.GetItem(1), b);
  EXPECT_EQ(a->CdtNo, 1);
  EXPECT_EQ(b->CdtNo, 2);
  EXPECT_EQ(list.IndexOf(b), 1);
  EXPECT_THROW(list.GetItem(2), std::out_of_range);
}

TEST(CdtList, OwnsItsRecords) {
  watchedCount = freedWatched = 0;
  {
    TCdtList list;
    for (int i = 0; i < 4; ++i) list.Add(Watched());
    TCdtData* kept = Watched();
    list.Add(std::unique_ptr<TCdtData>(kept));
    EXPECT_EQ(freedWatched, 0);
    list.Delete(0);  // deleting frees the record
    EXPECT_EQ(freedWatched, 1);
    EXPECT_EQ(watched[0], nullptr);
    EXPECT_THROW(list.Delete(4), std::out_of_range);
    EXPECT_EQ(list.IndexOf(kept), 3);
    list.Clear();  // so does clearing
    EXPECT_EQ(freedWatched, 5);
    EXPECT_EQ(list.Count(), 0);
    list.Add(Watched());
    list.Add(Watched());
  }
  EXPECT_EQ(freedWatched, 7);  // and destroying the list
}

TEST(CdtList, TheGlobalListStartsEmpty) {
  EXPECT_EQ(&CdtList(), &CdtList());
  EXPECT_EQ(CdtList().Count(), 0);
}

TEST(CdtList, CopiesKeepTheIdentityUntilAdded) {
  TCdtList list;
  TCdtData* a = list.Add(std::make_unique<TCdtData>());
  const TCdtData copy = *a;
  EXPECT_EQ(list.Find(copy.Id), a);
  TCdtData* b = list.Add(std::make_unique<TCdtData>(copy));
  EXPECT_NE(b->Id, a->Id) << "a copy added to the list is a condition of its own";
  EXPECT_EQ(list.Find(b->Id), b);
  list.Delete(0);
  EXPECT_EQ(list.Find(copy.Id), nullptr);
}
