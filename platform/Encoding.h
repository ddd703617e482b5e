// Text encodings at the program's edges.
//
// Inside the program all text is UTF-8 (std::string) or QString. Files, digests
// and the data service speak the old 8-bit code page of the program's users,
// CP936 (GBK); these two functions are the only way across.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// UTF-8 to CP936 bytes. A character that CP936 cannot hold becomes '?', and so
// does each malformed sequence (the longest well-formed start of one, or a
// single stray byte); the bytes after it are decoded as usual, so the result
// is always usable and keeps every line break.
std::string Utf8ToCp936(std::string_view utf8);

// CP936 bytes to UTF-8. A byte sequence that is not valid CP936 becomes U+FFFD.
std::string Cp936ToUtf8(std::string_view cp936);

}  // namespace platform
