#include "platform/XmlDom.h"

#include "platform/FileUtil.h"

#include <libxml/encoding.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <mutex>
#include <utility>

namespace platform {

namespace {

const xmlChar* X(const char* s) { return reinterpret_cast<const xmlChar*>(s); }
const char* C(const xmlChar* s) { return reinterpret_cast<const char*>(s); }

// Once per process, before any parse: GB2312 is read and written as GBK.
void InitLibXml() {
  static std::once_flag once;
  std::call_once(once, [] {
    xmlInitParser();
    xmlAddEncodingAlias("GBK", "GB2312");
  });
}

// Keeps libxml2 from printing anything on this thread while alive and
// remembers the first error it reports.
class QuietErrors {
 public:
  QuietErrors() : genericContext_(xmlGenericErrorContext), generic_(xmlGenericError) {
    xmlSetGenericErrorFunc(nullptr, &Ignore);
    xmlSetStructuredErrorFunc(this, &Record);
  }
  ~QuietErrors() {
    xmlSetStructuredErrorFunc(nullptr, nullptr);
    xmlSetGenericErrorFunc(genericContext_, generic_);
  }
  QuietErrors(const QuietErrors&) = delete;
  QuietErrors& operator=(const QuietErrors&) = delete;

  // The reason in the program's words: where the document breaks.
  std::string Reason() const {
    std::string at;
    if (line_ > 0) at = "第" + std::to_string(line_) + "行";
    if (line_ > 0 && column_ > 0) at += "第" + std::to_string(column_) + "列";
    if (code_ == XML_ERR_UNKNOWN_ENCODING || code_ == XML_ERR_UNSUPPORTED_ENCODING)
      return at + (at.empty() ? "" : "：") + "不支持文件声明的文字编码";
    return at + "不符合XML格式";
  }
  // libxml2's own words, on one line, with the place.
  std::string Detail() const {
    std::string detail = message_.empty() ? "not a well-formed XML document" : message_;
    if (line_ > 0) detail += " (line " + std::to_string(line_) + ", column " + std::to_string(column_) + ")";
    return detail;
  }

 private:
  static void Ignore(void*, const char*, ...) {}
  static void Record(void* self, xmlErrorPtr error) {
    auto* q = static_cast<QuietErrors*>(self);
    if (q->code_ != 0 || error == nullptr || error->code == XML_ERR_OK) return;
    q->code_ = error->code;
    q->line_ = std::max(error->line, 0);
    q->column_ = std::max(error->int2, 0);
    // One line: libxml2 ends its messages with a line break and puts the
    // offending bytes on a line of their own.
    q->message_ = error->message ? error->message : "";
    std::replace(q->message_.begin(), q->message_.end(), '\n', ' ');
    while (!q->message_.empty() && q->message_.back() == ' ') q->message_.pop_back();
  }

  void* genericContext_;
  xmlGenericErrorFunc generic_;
  int code_ = 0, line_ = 0, column_ = 0;
  std::string message_;
};

bool IsElement(const xmlNode* n) { return n != nullptr && n->type == XML_ELEMENT_NODE; }

xmlNode* SkipToElement(xmlNode* n) {
  while (n != nullptr && !IsElement(n)) n = n->next;
  return n;
}

bool IsText(const xmlNode* n) { return n->type == XML_TEXT_NODE || n->type == XML_CDATA_SECTION_NODE; }

}  // namespace

// --- XmlElement ---------------------------------------------------------------

std::string XmlElement::Name() const { return node_ && node_->name ? C(node_->name) : std::string(); }

std::string XmlElement::Text() const {
  std::string text;
  if (!node_) return text;
  // Entity references are left out: their content is never expanded.
  for (const xmlNode* n = node_->children; n != nullptr; n = n->next)
    if (IsText(n) && n->content != nullptr) text += C(n->content);
  return text;
}

bool XmlElement::HasText() const {
  if (!node_) return false;
  for (const xmlNode* n = node_->children; n != nullptr; n = n->next)
    if (IsText(n)) return true;
  return false;
}

int XmlElement::Line() const {
  const long line = node_ ? xmlGetLineNo(node_) : 0;
  return line > 0 && line <= INT_MAX ? static_cast<int>(line) : 0;
}

XmlElement XmlElement::FirstChild() const { return XmlElement(node_ ? SkipToElement(node_->children) : nullptr); }

XmlElement XmlElement::NextSibling() const { return XmlElement(node_ ? SkipToElement(node_->next) : nullptr); }

XmlElement XmlElement::Child(std::string_view name) const {
  for (XmlElement e = FirstChild(); e; e = e.NextSibling())
    if (std::string_view(C(e.node_->name)) == name) return e;
  return {};
}

XmlElement XmlElement::AppendChild(std::string_view name, std::string_view text) {
  if (!node_) return {};
  xmlNode* child = xmlNewDocNode(node_->doc, nullptr, X(std::string(name).c_str()), nullptr);
  xmlAddChild(child, xmlNewDocTextLen(node_->doc, X(text.data()), static_cast<int>(text.size())));
  xmlAddChild(node_, child);
  return XmlElement(child);
}

// --- XmlDocument --------------------------------------------------------------

XmlDocument::XmlDocument() { InitLibXml(); }

XmlDocument::~XmlDocument() {
  if (doc_) xmlFreeDoc(doc_);
}

bool XmlDocument::Parse(std::string_view bytes, std::string* error, std::string* detail) {
  if (doc_) xmlFreeDoc(std::exchange(doc_, nullptr));
  if (bytes.empty() || bytes.size() > INT_MAX) {
    if (error) *error = bytes.empty() ? "文件是空的" : "文件太大";
    if (detail) *detail = bytes.empty() ? "the document is empty" : "the document is too large";
    return false;
  }
  QuietErrors quiet;
  // No network, no DTD loading, no entity substitution, no output.
  constexpr int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_BIG_LINES;
  doc_ = xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr, options);
  if (!doc_ && error) *error = quiet.Reason();
  if (!doc_ && detail) *detail = quiet.Detail();
  return doc_ != nullptr;
}

void XmlDocument::New(std::string_view version, std::string_view encoding) {
  if (doc_) xmlFreeDoc(doc_);
  doc_ = xmlNewDoc(X(std::string(version).c_str()));
  doc_->encoding = xmlStrdup(X(std::string(encoding).c_str()));
}

XmlElement XmlDocument::SetRoot(std::string_view name) {
  if (!doc_) New("1.0", "UTF-8");
  xmlNode* root = xmlNewDocNode(doc_, nullptr, X(std::string(name).c_str()), nullptr);
  if (xmlNode* old = xmlDocSetRootElement(doc_, root)) xmlFreeNode(old);
  return XmlElement(root);
}

XmlElement XmlDocument::Root() const { return XmlElement(doc_ ? xmlDocGetRootElement(doc_) : nullptr); }

std::string XmlDocument::Serialize() const {
  if (!doc_) return {};
  QuietErrors quiet;
  xmlChar* buffer = nullptr;
  int size = 0;
  xmlDocDumpFormatMemoryEnc(doc_, &buffer, &size, doc_->encoding ? C(doc_->encoding) : "UTF-8", 0);
  std::string bytes = buffer && size > 0 ? std::string(C(buffer), static_cast<size_t>(size)) : std::string();
  xmlFree(buffer);
  return bytes;
}

bool XmlDocument::Save(const std::string& path, std::string* error) const {
  const std::string bytes = Serialize();
  if (bytes.empty()) {
    if (error) *error = "没有可写的内容（没有文档，或文档的文字编码不明）";
    return false;
  }
  return WriteFileAtomic(path, bytes, error);
}

}  // namespace platform
