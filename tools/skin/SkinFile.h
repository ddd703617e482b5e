// Writing skin files: the container of entries, its compression, 24-bit
// BMP entries and the INI text.
#pragma once

#include <QImage>
#include <QString>

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace skinwriter {

struct SkinEntry {
  QString Name;  // stored as CP936
  std::string Data;
};

struct SkinContainer {
  uint32_t Version = 60000;  // one of the six the reader knows, or any other for tests
  std::vector<SkinEntry> Entries;  // each name is written with CR LF after it
};

// The container's bytes (before compression). The version block of an
// unknown version is empty.
std::string ContainerBytes(const SkinContainer& container);
// A skin file: the 32-bit length of `container`, then our LZHUF stream.
std::string CompressSkin(std::string_view container);
inline std::string SkinFileBytes(const SkinContainer& c) { return CompressSkin(ContainerBytes(c)); }

// The image as a 24-bit BMP file.
std::string BmpBytes(const QImage& image);

// INI text in the order written: sections, then "key=value" lines.
class IniText {
 public:
  IniText& Section(const QString& name);
  IniText& Set(const QString& key, const QString& value);
  IniText& Set(const QString& key, int value) { return Set(key, QString::number(value)); }
  std::string Bytes() const;  // CP936, CR LF line ends

 private:
  QString text_;
};

}  // namespace skinwriter
