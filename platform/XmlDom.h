// A small XML document object model over libxml2: read a document from
// bytes or a file, walk its elements, build one and write it in the
// encoding its declaration names.
//
// Reading is meant for files from anywhere: nothing is fetched from the
// network, no external entity or DTD is loaded, entity references are not
// expanded into element text, and errors are returned, never printed.
// A document declared "GB2312" is read as GBK (its superset), as the
// program's users' files often hold GBK characters.
//
// Text in and out is UTF-8.
#pragma once

#include <memory>
#include <string>
#include <string_view>

struct _xmlNode;
struct _xmlDoc;

namespace platform {

// A handle on one element of a document; it does not own the element and
// is valid as long as its document is. A default handle is no element.
class XmlElement {
 public:
  XmlElement() = default;
  explicit XmlElement(_xmlNode* node) : node_(node) {}

  bool Valid() const { return node_ != nullptr; }
  explicit operator bool() const { return Valid(); }
  std::string Name() const;
  // The text directly inside the element (its text and CDATA children,
  // joined); "" for no element.
  std::string Text() const;
  // Whether the element holds any text or CDATA child at all.
  bool HasText() const;
  // The line of the document its start tag is on (from 1); 0 for no
  // element or one that was not read from bytes.
  int Line() const;

  // Child elements only: text between elements, comments and processing
  // instructions are skipped.
  XmlElement FirstChild() const;
  XmlElement NextSibling() const;
  // The first child element with this name; no element when none.
  XmlElement Child(std::string_view name) const;

  // Appends a child element holding the text (an empty text still gives
  // the element a text child: <Name></Name>).
  XmlElement AppendChild(std::string_view name, std::string_view text);

 private:
  _xmlNode* node_ = nullptr;
};

class XmlDocument {
 public:
  XmlDocument();
  ~XmlDocument();
  XmlDocument(const XmlDocument&) = delete;
  XmlDocument& operator=(const XmlDocument&) = delete;

  // Replaces the document with the one the bytes hold. False, with the
  // document empty, when they are not a well-formed document in a known
  // encoding: `error` then says where it breaks in the program's words
  // ("第3行第5列不符合XML格式"), `detail` gives libxml2's words (for a log).
  bool Parse(std::string_view bytes, std::string* error = nullptr, std::string* detail = nullptr);

  // Replaces the document with an empty one whose declaration names this
  // version and encoding.
  void New(std::string_view version, std::string_view encoding);
  // Makes a new element the document element (replacing any other).
  XmlElement SetRoot(std::string_view name);
  // The document element; no element for an empty document.
  XmlElement Root() const;

  // The document's bytes: the declaration, a line break, the elements
  // without indentation, a line break. Characters the encoding cannot hold
  // become character references. Empty for an empty document.
  std::string Serialize() const;
  // Writes Serialize() through a temporary file and a rename
  // (WriteFileAtomic); on failure the old file is kept and the reason put in
  // `error`.
  bool Save(const std::string& path, std::string* error = nullptr) const;

 private:
  _xmlDoc* doc_ = nullptr;
};

}  // namespace platform
