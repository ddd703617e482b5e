// Packed skin files (".asz"): a whole skin, its options text and its
// images, in one file of zlib-compressed entries; the stored skins of the
// manager keep the same bytes.
//
// The format (integers 32-bit little-endian, signed):
//   "ASzf"                      magic, compared with case
//   N                           the number of entries
//   N times:
//     L, L bytes of the name    single-byte characters, no terminator
//     S                         the size of the unpacked data
//     one zlib stream           unpacks to S bytes; the next entry begins
//                               right after it (its length is not stored)
// The entry named "Options.dat" (any case) is the skin's INI text; every
// other entry is a file of the skin folder.
//
// The reader trusts nothing in the file: every count and length is checked
// against the bytes left, a package is at most 256 MiB and an entry at most
// 64 MiB, and each entry must unpack to exactly its S bytes. Anything else
// raises "Loaded data is not a packed skin file" without reading or
// allocating beyond the file; a damaged zlib stream raises the
// decompression error. All entries together unpack to at most 128 MiB: an
// entry that would pass that total is refused before it is unpacked
// (kPackedSkinTooLargeMessage). Entries read before an error stay in Files.
#pragma once

#include "skinlib/manager/LibraryConstants.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr char kNotPackedSkinMessage[] = "Loaded data is not a packed skin file";
inline constexpr int64_t kMaxPackedSkinBytes = int64_t{256} << 20;
inline constexpr int64_t kMaxPackedEntryBytes = int64_t{64} << 20;
inline constexpr int64_t kMaxUnpackedSkinBytes = int64_t{128} << 20;
inline constexpr char kPackedSkinTooLargeMessage[] = "The packed skin unpacks to more than 128 MiB";

// One entry of a package other than the options.
struct TacImageItem {
  std::string FileName;  // as stored
  bool IsBitmap = false;  // the upper-cased extension is ".BMP"
  std::string Data;       // the unpacked bytes
};

class TacSkinConvertor {
 public:
  // The number of entries of the package minus 1 (the options included).
  int LastFileIndex = -1;
  std::vector<TacImageItem> Files;      // the other entries, in file order
  std::optional<std::string> Options;   // the "Options.dat" entry, when there is one
  std::optional<std::string> PackedData;  // the whole package, until freed

  // Reads PackedData from its beginning (none: as an empty package).
  // Throws ESkinLibraryError; with the wrong magic the convertor is emptied
  // and PackedData freed first.
  void Parse();
  // Frees every entry, the options and the packed data.
  void Clear();
};

// Reads the package file `fileName` (the library's path text, mapped to a
// file by ResolveLibraryPath) into `convertor`, emptied first or made when
// there is none, and parses it; `freePackedData` frees the file's bytes
// afterwards. A file that does not exist changes nothing. Throws
// ESkinLibraryError for a file that is no packed skin, larger than 256 MiB
// or unreadable.
void LoadSkinPackage(const QString& fileName, std::unique_ptr<TacSkinConvertor>& convertor,
                     bool freePackedData);
