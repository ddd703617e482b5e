// Skin files: the LZHUF decoder and the container of entries inside.
//
// A skin file is a 32-bit little-endian decompressed length L followed by an
// LZHUF bit stream (LZSS over a 4096-byte ring with look-ahead 60, literals
// and match lengths coded by one adaptive Huffman tree) that decodes to
// exactly L bytes. Those bytes are the container:
//
//   0   version: 20000, 30000, 40000, 50000, 60000 or 70000
//   4   names length M
//   8   two 32-bit fields we do not use
//   16  a version block of SkinVersionBlockSize(version) bytes, skipped
//   ..  M bytes of entry names (CP936), one per line (CR LF, CR or LF)
//   ..  one 32-bit size per name, in name order
//   ..  the entries back to back, in name order
//
// Nothing is trusted: a stream that needs more bits than it holds, a
// declared length beyond kMaxDecodedLength, or fields that run past the data
// make Load fail, never read outside a buffer.
#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace skinning {

// The constants of the LZHUF scheme.
namespace lzh {
constexpr int N = 4096;                    // ring size
constexpr int F = 60;                      // longest match
constexpr int THRESHOLD = 2;               // matches are longer than this
constexpr int N_CHAR = 256 - THRESHOLD + F;  // symbols: 256 literals, 58 lengths
constexpr int T = 2 * N_CHAR - 1;          // tree nodes
constexpr int R = T - 1;                   // the root
constexpr unsigned MAX_FREQ = 0x8000;      // the root's count that rebuilds the tree

// The position tables: the first 8 bits i of a position give its upper six
// bits Code[i] and its whole length in bits Len[i] + 6 - 2.
struct PositionTables {
  std::array<uint8_t, 256> Code{};
  std::array<uint8_t, 256> Len{};
};

constexpr PositionTables MakePositionTables() {
  PositionTables t;
  // (how many first bytes share one code, how many codes) per code length.
  constexpr int kGroups[6][2] = {{32, 1}, {16, 3}, {8, 8}, {4, 12}, {2, 24}, {1, 16}};
  int i = 0, code = 0;
  for (int g = 0; g < 6; ++g)
    for (int c = 0; c < kGroups[g][1]; ++c, ++code)
      for (int k = 0; k < kGroups[g][0]; ++k, ++i) {
        t.Code[i] = uint8_t(code);
        t.Len[i] = uint8_t(3 + g);
      }
  return t;
}

inline constexpr PositionTables kPositions = MakePositionTables();

// The adaptive Huffman tree that the decoder and our encoder keep in step.
class HuffTree {
 public:
  HuffTree() { Start(); }
  void Start();
  // Counts one more occurrence of `symbol`, rebuilding first when the
  // root's count has reached MAX_FREQ.
  void Update(int symbol);
  // Children of internal node n are Son(n) and Son(n) + 1; a value from T
  // up is the leaf of symbol value - T.
  int Son(int node) const { return son_[node]; }
  int Parent(int node) const { return prnt_[node]; }

 private:
  void Reconstruct();

  std::array<uint16_t, T + 1> freq_{};
  std::array<int16_t, T + N_CHAR> prnt_{};
  std::array<int16_t, T> son_{};
};
}  // namespace lzh

// The LZHUF decoder.
class TLZH {
 public:
  // Fills `buffer` with up to `count` input bytes; returns how many (0 at
  // the end of the input).
  using ReadProc = std::function<std::size_t(uint8_t* buffer, std::size_t count)>;
  // Takes one decoded byte.
  using WriteProc = std::function<void(uint8_t byte)>;

  // Decodes `count` bytes. False, having written only part, when the
  // decoding needs more bits than the input holds: past its end the decoder
  // reads zero bytes, but only to fill its look-ahead.
  bool LzhDecode(uint32_t count, const WriteProc& write, const ReadProc& read);

  // The input bits the last decoding used, and the input bytes it read.
  uint64_t BitsConsumed() const { return consumed_; }
  uint64_t BytesRead() const { return bytesRead_; }

  // Decodes `count` bytes of `input`; nothing when the input is too short.
  static std::optional<std::string> Decode(std::string_view input, uint32_t count);

 private:
  int NextByte();
  void Fill() {
    while (bits_ <= 8) {
      buf_ |= unsigned(NextByte()) << (8 - bits_);
      bits_ += 8;
    }
  }
  int GetBit() {
    Fill();
    int bit = (buf_ >> 15) & 1;
    buf_ = (buf_ << 1) & 0xFFFF;
    --bits_;
    ++consumed_;
    return bit;
  }
  int GetByte() {
    Fill();
    int byte = (buf_ >> 8) & 0xFF;
    buf_ = (buf_ << 8) & 0xFFFF;
    bits_ -= 8;
    consumed_ += 8;
    return byte;
  }
  int DecodeChar();
  int DecodePosition();

  lzh::HuffTree tree_;
  const ReadProc* read_ = nullptr;
  std::array<uint8_t, 4096> in_{};
  std::size_t inPos_ = 0, inLen_ = 0;
  bool inputEnded_ = false;
  unsigned buf_ = 0;
  int bits_ = 0;
  uint64_t consumed_ = 0;
  uint64_t bytesRead_ = 0;
};

// Bytes of the version block after the 16-byte header; nothing for a
// version we do not know.
std::optional<uint32_t> SkinVersionBlockSize(uint32_t version);

class TSkinReader {
 public:
  // The longest decompressed container we accept, and the most entries.
  static constexpr uint32_t kMaxDecodedLength = 64u << 20;
  static constexpr int kMaxEntries = 1001;

  // Reads a whole skin file. An unknown version is told to the user
  // (through the prompts) and fails; a file that is damaged or runs past
  // its data fails with LastError() saying why. A failed load leaves the
  // reader empty.
  bool Load(std::string_view source);

  // Clears `dest`, then copies into it the first entry whose name equals
  // `name` (both lower-cased).
  void GetEntry(const QString& name, std::string& dest) const;
  // Clears `dest`, then copies into it the first entry whose (lower-case)
  // name contains `part` as given, and sets `foundName` to that name;
  // `foundName` stays as it was when there is none.
  void FindEntry(const QString& part, std::string& dest, QString& foundName) const;

  // The entry names, lower-cased, in file order.
  const QStringList& Names() const { return names_; }
  int Count() const { return int(names_.size()); }
  uint32_t Version() const { return version_; }
  const std::string& LastError() const { return error_; }

 private:
  bool Fail(std::string why);
  void CopyEntry(int index, std::string& dest) const;

  uint32_t version_ = 0;
  QStringList names_;
  std::vector<uint32_t> sizes_;
  std::vector<uint64_t> offsets_;
  std::string data_;
  std::string error_;
};

}  // namespace skinning
