#include "engine/uBaseFunc.h"

#include <gtest/gtest.h>

TEST(Combinatorics, ExactOverTheEnginesRangeAndBeyondTwelveFactorial) {
  const std::vector<std::pair<int64_t, int64_t>> cases{
      {Factorial(0), 1},         {Factorial(-3), 1},
      {Factorial(6), 720},       {Factorial(13), 6227020800LL},
      {Factorial(20), 2432902008176640000LL}, {Factorial(33), INT64_MAX},  // beyond 64 bits: saturated
      {FallingFactorial(0, 33), 1},
      {FallingFactorial(6, 33), 797448960},
      {FallingFactorial(10, 33), 33LL * 32 * 31 * 30 * 29 * 28 * 27 * 26 * 25 * 24},
      {Combination(6, 33), TotalCombos}, {Combination(7, 6), 0},
      {Combination(1, 0), 0},    {Combination(0, 5), 1},
      {Combination(33, 33), 1},  {Combination(16, 33), 1166803110LL},
      {Combination(13, 20), 77520}};
  for (size_t i = 0; i < cases.size(); ++i) EXPECT_EQ(cases[i].first, cases[i].second) << "case " << i;
  // Pascal's rule over every argument the engine can use.
  for (int n = 1; n <= 33; ++n)
    for (int k = 1; k <= n; ++k)
      ASSERT_EQ(Combination(k, n), Combination(k - 1, n - 1) + Combination(k, n - 1)) << n << ' ' << k;
}

TEST(IntAry, JoinAndCopy) {
  EXPECT_EQ(JoinIntAry({}, ","), "");
  EXPECT_EQ(JoinIntAry({7}, ","), "7");
  std::string text = "old";
  JoinIntAry({1, -2, 33}, ", ", text);
  EXPECT_EQ(text, "1, -2, 33");
  TIntAry dst{9, 9, 9, 9};
  CopyIntAry({1, 2}, dst);
  EXPECT_EQ(dst, (TIntAry{1, 2}));
}

TEST(HashPassword, Md5OfTheCp936BytesInLowerCaseHex) {
  EXPECT_EQ(HashPassword(""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(HashPassword("abc"), "900150983cd24fb0d6963f7d28e17f72");
  std::string digest;
  HashPassword(" abc ", digest);
  EXPECT_EQ(digest, "01c9a8945abead949b46c77cf3245b8a") << "no trimming";
  // "密码" in CP936 is C3 DC C2 EB; its MD5, not that of the UTF-8 bytes
  // (a8105204604a0b11e916f3879aae3b0b).
  EXPECT_EQ(HashPassword("密码"), "d2293e30f0c964c5f6242486aa8a483c");
}
