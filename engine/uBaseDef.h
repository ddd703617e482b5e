// Integer-array types and constants shared by the whole engine.
#pragma once

#include <cstdint>
#include <vector>

// A dynamic array of 32-bit integers.
using TIntAry = std::vector<int32_t>;

// Rows of integers (rows may differ in length). In an indicator row 0 is the
// value domain and row 1 the count domain; in a condition row 0 holds the
// chosen values and row 1 the chosen counts.
using T2DIntAry = std::vector<TIntAry>;

// C(33, 6): the number of red-number combinations.
inline constexpr int32_t TotalCombos = 1107568;

inline constexpr int RedCount = 6;     // red balls per draw
inline constexpr int BallCount = 7;    // six red, then the blue
inline constexpr int MaxRed = 33;      // red numbers are 1..33
inline constexpr int MaxBlue = 16;     // blue numbers are 1..16
