// Our LZHUF encoder: the bit stream that skinning::TLZH decodes.
//
// LZSS over the decoder's 4096-byte ring (matches of 3 to 60 bytes, taken
// from data already written or from the blanks the ring starts with), with
// literals and match lengths coded by the decoder's adaptive tree and
// match positions by the inverse of its position tables. The last byte is
// padded with zero bits.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace skinwriter {

struct LzhStats {
  uint64_t Literals = 0;
  uint64_t Matches = 0;
  int LongestDistance = 0;  // bytes back from the write position
};

std::string LzhEncode(std::string_view data, LzhStats* stats = nullptr);

}  // namespace skinwriter
