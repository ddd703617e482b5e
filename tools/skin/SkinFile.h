// Writing skin files: the container of entries and its compression. BMP
// entries and the INI text are the generators' shared helpers
// (tools/skindraw).
#pragma once

#include "tools/skindraw/SkinDrawing.h"

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

using skindraw::BmpBytes;
using skindraw::IniText;

}  // namespace skinwriter
