#include "skinlib/manager/acSkinPack.h"

#include "skinlib/manager/LibraryUtils.h"

#include <QFile>
#include <QFileInfo>

#include <zlib.h>

#include <algorithm>

namespace {

[[noreturn]] void NotPacked() { throw ESkinLibraryError(kNotPackedSkinMessage); }

// The next little-endian 32-bit signed integer; the file must hold it.
int32_t ReadInt(std::string_view data, size_t& pos) {
  if (data.size() - pos < 4) NotPacked();
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | uint8_t(data[pos + size_t(i)]);
  pos += 4;
  return int32_t(v);
}

// Unpacks the zlib stream at the start of `in`, which must give exactly
// `size` bytes; `used` is the length of the stream. The output grows only
// as the stream delivers it.
std::string Inflate(std::string_view in, int32_t size, size_t& used) {
  z_stream zs{};
  if (inflateInit(&zs) != Z_OK) throw ESkinLibraryError("Decompression error (out of memory)");
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
  zs.avail_in = uInt(in.size());  // at most the package's 256 MiB
  std::string out;
  char chunk[1 << 16];
  int result = Z_OK;
  while (result != Z_STREAM_END) {
    zs.next_out = reinterpret_cast<Bytef*>(chunk);
    zs.avail_out = sizeof chunk;
    result = inflate(&zs, Z_NO_FLUSH);
    const size_t produced = sizeof chunk - zs.avail_out;
    if (result != Z_OK && result != Z_STREAM_END) {
      // Out of input before the stream's end: the file was cut short.
      const bool truncated = result == Z_BUF_ERROR && zs.avail_in == 0;
      const std::string message = zs.msg ? zs.msg : "damaged stream";
      inflateEnd(&zs);
      if (truncated) NotPacked();
      throw ESkinLibraryError("Decompression error (" + message + ")");
    }
    if (out.size() + produced > size_t(size)) {
      inflateEnd(&zs);
      NotPacked();
    }
    out.append(chunk, produced);
  }
  used = zs.total_in;
  inflateEnd(&zs);
  if (out.size() != size_t(size)) NotPacked();
  return out;
}

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }

std::string UpperAscii(std::string_view s) {
  std::string u(s);
  std::transform(u.begin(), u.end(), u.begin(), [](char c) { return UpperAscii(c); });
  return u;
}

// The extension of a file name: from its last '.' after the last path
// delimiter, the dot included; empty when there is none.
std::string_view Extension(std::string_view name) {
  const size_t dot = name.find_last_of('.');
  const size_t delimiter = name.find_last_of("\\/:");
  if (dot == std::string_view::npos || (delimiter != std::string_view::npos && delimiter > dot))
    return {};
  return name.substr(dot);
}

}  // namespace

void TacSkinConvertor::Parse() {
  const std::string_view data = PackedData ? std::string_view(*PackedData) : std::string_view();
  if (data.substr(0, 4) != "ASzf") {
    Clear();
    NotPacked();
  }
  if (int64_t(data.size()) > kMaxPackedSkinBytes) NotPacked();
  size_t pos = 4;
  const int32_t count = ReadInt(data, pos);
  // An entry takes at least its two integers and a zlib stream.
  if (count < 0 || size_t(count) > (data.size() - pos) / 8) NotPacked();
  LastFileIndex = count - 1;
  int64_t unpacked = 0;
  for (int32_t i = 0; i < count; ++i) {
    const int32_t length = ReadInt(data, pos);
    if (length < 0 || size_t(length) > data.size() - pos) NotPacked();
    const std::string_view name = data.substr(pos, size_t(length));
    pos += size_t(length);
    const int32_t size = ReadInt(data, pos);
    if (size < 0 || size > kMaxPackedEntryBytes) NotPacked();
    // Inflate gives exactly `size` bytes or refuses the entry.
    unpacked += size;
    if (unpacked > kMaxUnpackedSkinBytes) throw ESkinLibraryError(kPackedSkinTooLargeMessage);
    size_t used = 0;
    std::string bytes = Inflate(data.substr(pos), size, used);
    pos += used;
    if (UpperAscii(name) == "OPTIONS.DAT") {
      Options = std::move(bytes);
    } else {
      Files.push_back({std::string(name), UpperAscii(Extension(name)) == ".BMP", std::move(bytes)});
    }
  }
}

void TacSkinConvertor::Clear() {
  while (!Files.empty()) Files.pop_back();  // from the last to the first
  Options.reset();
  PackedData.reset();
}

void LoadSkinPackage(const QString& fileName, std::unique_ptr<TacSkinConvertor>& convertor,
                     bool freePackedData) {
  const QString path = ResolveLibraryPath(fileName);
  if (path.isEmpty() || !QFileInfo(path).isFile()) return;
  if (convertor)
    convertor->Clear();
  else
    convertor = std::make_unique<TacSkinConvertor>();
  if (QFileInfo(path).size() > kMaxPackedSkinBytes) NotPacked();
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    throw ESkinLibraryError("Cannot read the packed skin file " + path.toStdString() + ": " +
                            file.errorString().toStdString());
  const QByteArray bytes = file.read(kMaxPackedSkinBytes + 1);
  convertor->PackedData = bytes.toStdString();
  convertor->Parse();
  if (freePackedData) convertor->PackedData.reset();
}
