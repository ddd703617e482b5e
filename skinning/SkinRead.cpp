#include "skinning/SkinRead.h"

#include "platform/Encoding.h"
#include "platform/UserPrompts.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstring>

namespace skinning {

namespace lzh {

void HuffTree::Start() {
  for (int i = 0; i < N_CHAR; ++i) {
    freq_[i] = 1;
    son_[i] = int16_t(i + T);
    prnt_[i + T] = int16_t(i);
  }
  for (int i = 0, j = N_CHAR; j <= R; i += 2, ++j) {
    freq_[j] = uint16_t(freq_[i] + freq_[i + 1]);
    son_[j] = int16_t(i);
    prnt_[i] = prnt_[i + 1] = int16_t(j);
  }
  freq_[T] = 0xFFFF;
  prnt_[R] = 0;
}

void HuffTree::Reconstruct() {
  // The leaves, in node order, with halved counts.
  int j = 0;
  for (int i = 0; i < T; ++i)
    if (son_[i] >= T) {
      freq_[j] = uint16_t((freq_[i] + 1) / 2);
      son_[j] = son_[i];
      ++j;
    }
  // Internal nodes: each pair's sum goes to its sorted place.
  for (int i = 0, n = N_CHAR; n < T; i += 2, ++n) {
    const uint16_t f = uint16_t(freq_[i] + freq_[i + 1]);
    int k = n - 1;
    while (f < freq_[k]) --k;
    ++k;
    std::memmove(&freq_[k + 1], &freq_[k], sizeof(freq_[0]) * size_t(n - k));
    freq_[k] = f;
    std::memmove(&son_[k + 1], &son_[k], sizeof(son_[0]) * size_t(n - k));
    son_[k] = int16_t(i);
  }
  for (int i = 0; i < T; ++i) {
    const int k = son_[i];
    if (k >= T)
      prnt_[k] = int16_t(i);
    else
      prnt_[k] = prnt_[k + 1] = int16_t(i);
  }
}

void HuffTree::Update(int symbol) {
  if (freq_[R] == MAX_FREQ) Reconstruct();
  int c = prnt_[symbol + T];
  do {
    const unsigned k = ++freq_[c];
    int l = c + 1;
    if (k > freq_[l]) {
      while (k > freq_[++l]) {
      }
      --l;
      freq_[c] = freq_[l];
      freq_[l] = uint16_t(k);
      const int i = son_[c];
      prnt_[i] = int16_t(l);
      if (i < T) prnt_[i + 1] = int16_t(l);
      const int j = son_[l];
      son_[l] = int16_t(i);
      prnt_[j] = int16_t(c);
      if (j < T) prnt_[j + 1] = int16_t(c);
      son_[c] = int16_t(j);
      c = l;
    }
  } while ((c = prnt_[c]) != 0);
}

}  // namespace lzh

using namespace lzh;

int TLZH::NextByte() {
  if (inPos_ == inLen_) {
    if (inputEnded_) return 0;
    inPos_ = 0;
    inLen_ = (*read_)(in_.data(), in_.size());
    bytesRead_ += inLen_;
    if (inLen_ == 0) {
      inputEnded_ = true;
      return 0;
    }
  }
  return in_[inPos_++];
}

int TLZH::DecodeChar() {
  int c = tree_.Son(R);
  while (c < T) c = tree_.Son(c + GetBit());
  c -= T;
  tree_.Update(c);
  return c;
}

int TLZH::DecodePosition() {
  int i = GetByte();
  const int high = kPositions.Code[i] << 6;
  for (int j = kPositions.Len[i] - 2; j > 0; --j) i = (i << 1) + GetBit();
  return high | (i & 63);
}

bool TLZH::LzhDecode(uint32_t count, const WriteProc& write, const ReadProc& read) {
  read_ = &read;
  inPos_ = inLen_ = 0;
  inputEnded_ = false;
  buf_ = 0;
  bits_ = 0;
  consumed_ = bytesRead_ = 0;
  tree_.Start();
  // Blanks, then the write position; the bytes from there start as zeros.
  std::array<uint8_t, N> ring{};
  std::memset(ring.data(), ' ', N - F);
  int r = N - F;
  uint32_t done = 0;
  bool ok = true;
  while (done < count) {
    const int c = DecodeChar();
    if (c < 256) {
      write(uint8_t(c));
      ring[r] = uint8_t(c);
      r = (r + 1) & (N - 1);
      ++done;
    } else {
      const int start = (r - DecodePosition() - 1) & (N - 1);
      const int length = c - 255 + THRESHOLD;
      for (int k = 0; k < length && done < count; ++k, ++done) {
        const uint8_t b = ring[(start + k) & (N - 1)];
        write(b);
        ring[r] = b;
        r = (r + 1) & (N - 1);
      }
    }
    if (inputEnded_ && consumed_ > bytesRead_ * 8) {
      ok = false;
      break;
    }
  }
  read_ = nullptr;
  return ok;
}

std::optional<std::string> TLZH::Decode(std::string_view input, uint32_t count) {
  std::string out;
  // A match of 60 bytes takes at least 8 bits: a stream grows 60 times at most.
  out.reserve(std::min<uint64_t>(count, uint64_t(input.size()) * 60 + 60));
  std::size_t pos = 0;
  TLZH lzh;
  const bool ok = lzh.LzhDecode(
      count, [&out](uint8_t b) { out.push_back(char(b)); },
      [&](uint8_t* buffer, std::size_t n) {
        n = std::min(n, input.size() - pos);
        std::memcpy(buffer, input.data() + pos, n);
        pos += n;
        return n;
      });
  if (!ok) return std::nullopt;
  return out;
}

std::optional<uint32_t> SkinVersionBlockSize(uint32_t version) {
  switch (version) {
    case 20000: return 0;
    case 30000: return 256;
    case 40000: return 80;
    case 50000: return 48;
    case 60000: return 117;
    case 70000: return 69;
    default: return std::nullopt;
  }
}

namespace {

uint32_t ReadU32(std::string_view bytes, std::size_t at) {
  const auto* p = reinterpret_cast<const uint8_t*>(bytes.data() + at);
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Lines ending in CR LF, CR or LF; a break at the very end ends the last
// line and starts none.
QStringList SplitLines(const QString& text) {
  QStringList lines;
  qsizetype start = 0;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c != u'\r' && c != u'\n') continue;
    lines.append(text.mid(start, i - start));
    if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.append(text.mid(start));
  return lines;
}

}  // namespace

bool TSkinReader::Fail(std::string why) {
  version_ = 0;
  names_.clear();
  sizes_.clear();
  offsets_.clear();
  data_.clear();
  error_ = std::move(why);
  return false;
}

bool TSkinReader::Load(std::string_view source) {
  Fail({});
  if (source.size() < 4) return Fail("the file is shorter than its length field");
  const uint32_t length = ReadU32(source, 0);
  if (length > kMaxDecodedLength)
    return Fail("the file declares " + std::to_string(length) + " bytes, more than " +
                std::to_string(kMaxDecodedLength));
  std::optional<std::string> decoded = TLZH::Decode(source.substr(4), length);
  if (!decoded) return Fail("the compressed data ends before its declared length");
  const std::string_view c = *decoded;
  if (c.size() < 16) return Fail("the container is shorter than its header");
  const uint32_t version = ReadU32(c, 0);
  const std::optional<uint32_t> block = SkinVersionBlockSize(version);
  if (!block) {
    platform::Prompts().MessageBox(
        nullptr, QStringLiteral("This is Older Skin File\rPlease update to new version !"),
        QCoreApplication::applicationName(), platform::MB_OK);
    return Fail("unknown container version " + std::to_string(version));
  }
  const uint64_t namesAt = 16 + uint64_t(*block);
  const uint64_t namesLength = ReadU32(c, 4);
  if (namesAt + namesLength > c.size()) return Fail("the entry names run past the data");
  QStringList names = SplitLines(
      QString::fromStdString(platform::Cp936ToUtf8(c.substr(namesAt, namesLength))).toLower());
  if (names.size() > kMaxEntries)
    return Fail("the container holds " + std::to_string(names.size()) + " names, more than " +
                std::to_string(kMaxEntries));
  const uint64_t sizesAt = namesAt + namesLength;
  const uint64_t dataAt = sizesAt + 4 * uint64_t(names.size());
  if (dataAt > c.size()) return Fail("the size table runs past the data");
  std::vector<uint32_t> sizes(names.size());
  std::vector<uint64_t> offsets(names.size());
  uint64_t sum = 0;
  for (qsizetype i = 0; i < names.size(); ++i) {
    sizes[i] = ReadU32(c, sizesAt + 4 * uint64_t(i));
    offsets[i] = sum;
    sum += sizes[i];
  }
  if (sum > UINT32_MAX) return Fail("the entry sizes add up to more than 32 bits");
  if (dataAt + sum > c.size()) return Fail("the entries run past the data");
  version_ = version;
  names_ = std::move(names);
  sizes_ = std::move(sizes);
  offsets_ = std::move(offsets);
  data_.assign(c.substr(dataAt));
  return true;
}

void TSkinReader::CopyEntry(int index, std::string& dest) const {
  dest.assign(data_, offsets_[index], sizes_[index]);
}

void TSkinReader::GetEntry(const QString& name, std::string& dest) const {
  dest.clear();
  const QString wanted = name.toLower();
  const qsizetype i = names_.indexOf(wanted);
  if (i >= 0) CopyEntry(int(i), dest);
}

void TSkinReader::FindEntry(const QString& part, std::string& dest, QString& foundName) const {
  dest.clear();
  for (qsizetype i = 0; i < names_.size(); ++i)
    if (names_[i].contains(part)) {
      CopyEntry(int(i), dest);
      foundName = names_[i];
      return;
    }
}

}  // namespace skinning
