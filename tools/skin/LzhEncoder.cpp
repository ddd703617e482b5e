#include "tools/skin/LzhEncoder.h"

#include "skinning/SkinRead.h"

#include <algorithm>
#include <array>
#include <vector>

namespace skinwriter {

using namespace skinning::lzh;

namespace {

class BitWriter {
 public:
  // The low `count` bits of `bits`, highest first.
  void Put(uint32_t bits, int count) {
    for (int i = count - 1; i >= 0; --i) {
      acc_ = uint8_t(acc_ << 1 | ((bits >> i) & 1));
      if (++n_ == 8) {
        out_.push_back(char(acc_));
        acc_ = 0;
        n_ = 0;
      }
    }
  }
  std::string Finish() {
    if (n_ > 0) out_.push_back(char(acc_ << (8 - n_)));
    return std::move(out_);
  }

 private:
  std::string out_;
  uint8_t acc_ = 0;
  int n_ = 0;
};

// The inverse of the decoder's position tables: the prefix that selects
// each upper six bits, and its length.
struct PositionCodes {
  std::array<uint8_t, 64> Code{}, Len{};
  PositionCodes() {
    for (int i = 0; i < 256; ++i) {
      const int len = kPositions.Len[i];
      Code[kPositions.Code[i]] = uint8_t(i >> (8 - len));
      Len[kPositions.Code[i]] = uint8_t(len);
    }
  }
};

class Encoder {
 public:
  explicit Encoder(std::string_view data) {
    // The ring's blanks, then the data: index i lives in ring slot i mod N.
    text_.assign(N - F, ' ');
    text_.insert(text_.end(), data.begin(), data.end());
    head_.assign(kHashSize, -1);
    prev_.assign(text_.size(), -1);
  }

  std::string Run(LzhStats* stats) {
    int64_t cur = N - F;
    for (int64_t s = 0; s < cur; ++s) Insert(s);
    const int64_t end = int64_t(text_.size());
    while (cur < end) {
      int64_t from = 0;
      const int length = LongestMatch(cur, from);
      if (length > THRESHOLD) {
        EncodeChar(255 - THRESHOLD + length);
        EncodePosition(int(cur - from - 1));
        if (stats) {
          ++stats->Matches;
          stats->LongestDistance = std::max(stats->LongestDistance, int(cur - from));
        }
      } else {
        EncodeChar(uint8_t(text_[cur]));
        if (stats) ++stats->Literals;
      }
      for (int k = std::max(length, 1); k > 0; --k) Insert(cur++);
    }
    return bits_.Finish();
  }

 private:
  static constexpr int kHashSize = 1 << 16;
  static constexpr int kChainLimit = 1024;

  uint32_t Hash(int64_t i) const {
    return (uint32_t(uint8_t(text_[i])) << 8 ^ uint32_t(uint8_t(text_[i + 1])) << 4 ^
            uint8_t(text_[i + 2])) & (kHashSize - 1);
  }
  void Insert(int64_t i) {
    if (i + 2 >= int64_t(text_.size())) return;
    const uint32_t h = Hash(i);
    prev_[i] = head_[h];
    head_[h] = i;
  }

  // The longest match for `cur` (the nearest among equals); 0 when shorter
  // than three bytes.
  int LongestMatch(int64_t cur, int64_t& from) const {
    const int most = int(std::min<int64_t>(F, int64_t(text_.size()) - cur));
    if (most <= THRESHOLD) return 0;
    int best = 0;
    int chain = 0;
    for (int64_t s = head_[Hash(cur)]; s >= 0 && cur - s <= N && chain < kChainLimit;
         s = prev_[s], ++chain) {
      int n = 0;
      while (n < most && text_[s + n] == text_[cur + n]) ++n;
      if (n > best) {
        best = n;
        from = s;
        if (n == most) break;
      }
    }
    return best > THRESHOLD ? best : 0;
  }

  void EncodeChar(int symbol) {
    std::array<uint8_t, T> path;
    int n = 0;
    for (int k = tree_.Parent(symbol + T); k != R; k = tree_.Parent(k)) path[n++] = uint8_t(k & 1);
    while (n > 0) bits_.Put(path[--n], 1);
    tree_.Update(symbol);
  }
  void EncodePosition(int position) {
    static const PositionCodes codes;
    const int high = position >> 6;
    bits_.Put(codes.Code[high], codes.Len[high]);
    bits_.Put(uint32_t(position & 63), 6);
  }

  std::string text_;
  std::vector<int64_t> head_, prev_;
  HuffTree tree_;
  BitWriter bits_;
};

}  // namespace

std::string LzhEncode(std::string_view data, LzhStats* stats) {
  return Encoder(data).Run(stats);
}

}  // namespace skinwriter
