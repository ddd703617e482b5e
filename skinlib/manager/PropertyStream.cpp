#include "skinlib/manager/PropertyStream.h"

namespace {

constexpr std::string_view kMark = "ACPS";
// Deeper nesting than any component has is damage.
constexpr int kMaxDepth = 16;

[[noreturn]] void Damaged(const char* what) {
  throw EPropertyStreamError(std::string("Damaged property stream: ") + what);
}


}  // namespace

// ------------------------------------------------------------------ writer

TacPropertyWriter::TacPropertyWriter() : bytes_(kMark) {}

void TacPropertyWriter::U32(uint32_t v) {
  for (int i = 0; i < 4; ++i) bytes_.push_back(char((v >> (8 * i)) & 0xFF));
}

void TacPropertyWriter::Name(std::string_view name, char kind) {
  if (name.empty() || name.size() > 255) throw std::invalid_argument("A property name has 1 to 255 characters");
  bytes_.push_back(char(name.size()));
  bytes_.append(name);
  bytes_.push_back(kind);
}

void TacPropertyWriter::WriteInteger(std::string_view name, int32_t value) {
  Name(name, 'I');
  U32(uint32_t(value));
}

void TacPropertyWriter::WriteString(std::string_view name, const QString& value) {
  Name(name, 'S');
  const QByteArray utf8 = value.toUtf8();
  U32(uint32_t(utf8.size()));
  bytes_.append(utf8.constData(), size_t(utf8.size()));
}

void TacPropertyWriter::WriteBinary(std::string_view name, std::string_view bytes) {
  Name(name, 'B');
  U32(uint32_t(bytes.size()));
  bytes_.append(bytes);
}

void TacPropertyWriter::BeginCollection(std::string_view name, uint32_t itemCount) {
  Name(name, 'C');
  U32(itemCount);
}

void TacPropertyWriter::EndList() { bytes_.push_back('\0'); }

// ------------------------------------------------------------------ reader

TacPropertyReader::TacPropertyReader(std::string_view bytes) : data_(bytes) {
  if (Take(kMark.size()) != kMark) Damaged("no property stream mark");
}

std::string_view TacPropertyReader::Take(size_t count) {
  if (count > data_.size() - pos_) Damaged("a value runs past the end of the data");
  const std::string_view part = data_.substr(pos_, count);
  pos_ += count;
  return part;
}

uint32_t TacPropertyReader::U32() {
  const std::string_view b = Take(4);
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | uint8_t(b[size_t(i)]);
  return v;
}

bool TacPropertyReader::NextProperty(std::string& name, Kind& kind) {
  const size_t length = uint8_t(Take(1)[0]);
  if (length == 0) return false;
  name = std::string(Take(length));
  switch (Take(1)[0]) {
    case 'I': kind = Kind::Integer; break;
    case 'S': kind = Kind::String; break;
    case 'B': kind = Kind::Binary; break;
    case 'C': kind = Kind::Collection; break;
    default: Damaged("an unknown kind of value");
  }
  return true;
}

int32_t TacPropertyReader::ReadInteger() { return int32_t(U32()); }

QString TacPropertyReader::ReadString() {
  const std::string_view text = Take(U32());
  return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

std::string TacPropertyReader::ReadBinary() { return std::string(Take(U32())); }

uint32_t TacPropertyReader::ReadCollection() {
  const uint32_t count = U32();
  // Every item takes at least its closing byte.
  if (count > data_.size() - pos_) Damaged("more items than the data can hold");
  return count;
}

void TacPropertyReader::SkipValue(Kind kind) { Skip(kind, 0); }

void TacPropertyReader::Skip(Kind kind, int depth) {
  switch (kind) {
    case Kind::Integer: U32(); break;
    case Kind::String:
    case Kind::Binary: Take(U32()); break;
    case Kind::Collection: {
      if (depth >= kMaxDepth) Damaged("collections nested too deep");
      const uint32_t count = ReadCollection();
      for (uint32_t i = 0; i < count; ++i) {
        std::string name;
        Kind inner;
        while (NextProperty(name, inner)) Skip(inner, depth + 1);
      }
      break;
    }
  }
}

void TacPropertyReader::ExpectEnd() const {
  if (pos_ != data_.size()) Damaged("bytes after the end of the properties");
}
