// The property stream in which the skin library's components keep their
// settings (what a form file held for them): a list of named values, each
// an integer, a text, a byte block or a collection of items that are lists
// of their own. Byte blocks come back byte for byte.
//
// Format (integers little-endian):
//   property   := name value
//   name       := u8 length, that many ASCII bytes (length 0 ends a list)
//   value      := 'I' i32
//              |  'S' u32 length, UTF-8 bytes
//              |  'B' u32 length, the bytes
//              |  'C' u32 item count, then per item its properties and an
//                 empty name
//   stream     := "ACPS", the component's properties, an empty name
//
// The reader trusts no length or count: each is checked against the bytes
// left, and damage raises EPropertyStreamError, never a read beyond the
// data.
#pragma once

#include <QString>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

class EPropertyStreamError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TacPropertyWriter {
 public:
  TacPropertyWriter();
  void WriteInteger(std::string_view name, int32_t value);
  void WriteString(std::string_view name, const QString& value);
  void WriteBinary(std::string_view name, std::string_view bytes);
  // A collection: BeginCollection, then per item its properties closed by
  // EndItem.
  void BeginCollection(std::string_view name, uint32_t itemCount);
  void EndItem() { EndList(); }
  // Ends the component's list; the stream is complete after it.
  void EndList();
  const std::string& Bytes() const { return bytes_; }

 private:
  void Name(std::string_view name, char kind);
  void U32(uint32_t v);
  std::string bytes_;
};

class TacPropertyReader {
 public:
  enum class Kind { Integer, String, Binary, Collection };
  // Checks the stream's mark.
  explicit TacPropertyReader(std::string_view bytes);
  // The next property's name and kind; false at the end of the current
  // list (the item's or the component's).
  bool NextProperty(std::string& name, Kind& kind);
  int32_t ReadInteger();
  QString ReadString();
  std::string ReadBinary();
  // The number of items; each is read with NextProperty until it answers
  // false.
  uint32_t ReadCollection();
  // Skips the value of the property just named (a collection whole).
  void SkipValue(Kind kind);
  // Throws unless the component's list ended exactly at the end of the data.
  void ExpectEnd() const;

 private:
  uint32_t U32();
  std::string_view Take(size_t count);
  void Skip(Kind kind, int depth);
  std::string_view data_;
  size_t pos_ = 0;
};
