// Packages of a test skin's pictures with an outside "Options.dat", for
// the fuzz targets that read whole skins: the pictures are packed once,
// the text of each input in front of them.
#pragma once

#include "skinlib/support/TestSkins.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fuzz {

// A skin's files but "Options.dat", packed: how many, and their entries
// (past the package's magic and count).
struct PackedPictures {
  size_t Count = 0;
  std::string Entries;
};

inline PackedPictures PackPictures(const testskins::TestSkin& skin) {
  std::vector<testskins::PackEntry> entries;
  for (const testskins::SkinFile& f : testskins::SkinFolderFiles(skin))
    if (f.Name != QStringLiteral("Options.dat")) entries.emplace_back(f.Name.toStdString(), f.Data);
  return {entries.size(), testskins::PackBytes(entries).substr(8)};
}

// The package of `options` as "Options.dat" and the pictures.
inline std::string PackageWith(const PackedPictures& pictures, std::string_view options) {
  std::string package = testskins::PackBytes({testskins::PackEntry("Options.dat", std::string(options))});
  const uint32_t count = uint32_t(pictures.Count + 1);
  for (int i = 0; i < 4; ++i) package[size_t(4 + i)] = char((count >> (8 * i)) & 0xFF);
  return package + pictures.Entries;
}

}  // namespace fuzz
