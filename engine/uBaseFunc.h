// Small combinatorics, integer-array helpers and the password digest.
#pragma once

#include "engine/uBaseDef.h"

#include <string>

// n!; 1 for n < 1. Exact up to 20!.
int64_t Factorial(int32_t n);

// n * (n-1) * ... * (n-k+1), that is n!/(n-k)!; 1 when k < 1. Exact while the
// product fits in 64 bits (always for n <= 33 and k <= 12).
int64_t FallingFactorial(int32_t k, int32_t n);

// C(n, k), chosen count first: FallingFactorial(k, n) / k!; 0 when 0 <= n < k.
int64_t Combination(int32_t k, int32_t n);

void CopyIntAry(const TIntAry& src, TIntAry& dst);

// The values in decimal, joined by the separator; empty for an empty array.
std::string JoinIntAry(const TIntAry& values, const std::string& separator);
void JoinIntAry(const TIntAry& values, const std::string& separator, std::string& text);

// The password digest sent to the data service: the MD5 of the password's
// CP936 bytes exactly as typed, as 32 lower-case hexadecimal digits.
std::string HashPassword(const std::string& password);
void HashPassword(const std::string& password, std::string& digest);
