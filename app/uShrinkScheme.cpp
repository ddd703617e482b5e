#include "app/uShrinkScheme.h"

#include "engine/uBaseFunc.h"
#include "engine/uFormulaDef.h"
#include "platform/DelphiRtl.h"
#include "platform/FileUtil.h"

#include <optional>
#include <utility>

using platform::XmlDocument;
using platform::XmlElement;

namespace {

const char* const InfoName = "FMlInfo";

// A comma-separated row of integers; "" is the empty row.
bool ParseRow(const std::string& text, TIntAry& row) {
  row.clear();
  if (text.empty()) return true;
  for (size_t start = 0;;) {
    const size_t comma = text.find(',', start);
    int32_t v = 0;
    if (!platform::TryStrToInt(std::string_view(text).substr(start, comma - start), v)) return false;
    row.push_back(v);
    if (comma == std::string::npos) return true;
    start = comma + 1;
  }
}

// A flag child: its text is an integer, 1 meaning set.
bool ReadFlag(const XmlElement& info, const char* name, bool& flag) {
  int32_t v = 0;
  if (!platform::TryStrToInt(info.Child(name).Text(), v)) return false;
  flag = v == 1;
  return true;
}

}  // namespace

std::string JoinValues(const TCdtData& record, int row) {
  if (row < 0 || static_cast<size_t>(row) >= record.Values.size()) return {};
  return JoinIntAry(record.Values[static_cast<size_t>(row)], ",");
}

void SaveScheme(XmlDocument& doc, const TCdtList& list) {
  doc.New("1.0", "GB2312");
  XmlElement root = doc.SetRoot("FMlS");
  for (int32_t i = 0; i < list.Count(); ++i) {
    const TCdtData& c = *list.GetItem(i);
    XmlElement info = root.AppendChild(InfoName, {});
    info.AppendChild("FMLNo", std::to_string(FormulateList().IndexOf(c.Formula)));
    info.AppendChild("IsCheck", c.IsCheck ? "1" : "0");
    info.AppendChild("IsSave", c.IsSave ? "1" : "0");
    info.AppendChild("IsRC", c.IsRC ? "1" : "0");
    info.AppendChild("IsJC", c.IsJC ? "1" : "0");
    info.AppendChild("Num1", JoinValues(c, 0));
    info.AppendChild("Num2", JoinValues(c, 1));
  }
}

bool ParseNumLists(TCdtData& record, const XmlElement& node) {
  if (record.Values.size() < 2) record.Values.resize(2);
  const XmlElement num1 = node.Child("Num1");
  if (!num1 || !ParseRow(num1.Text(), record.Values[0])) return false;
  const XmlElement num2 = node.Child("Num2");
  record.Values[1].clear();
  return !num2.HasText() || ParseRow(num2.Text(), record.Values[1]);
}

bool ReadScheme(std::string_view bytes, std::vector<TCdtData>& conditions) {
  XmlDocument doc;
  if (!doc.Parse(bytes)) return false;
  const TFormulateList& formulas = FormulateList();
  std::vector<TCdtData> read;
  for (XmlElement info = doc.Root().FirstChild(); info && info.Name() == InfoName; info = info.NextSibling()) {
    TCdtData c;
    int32_t no = -1;
    if (!platform::TryStrToInt(info.Child("FMLNo").Text(), no) || no < 0 || no >= formulas.Count()) return false;
    c.Formula = formulas.GetItem(no);
    c.Name = c.Formula->Name();
    if (!ReadFlag(info, "IsCheck", c.IsCheck) || !ReadFlag(info, "IsSave", c.IsSave) ||
        !ReadFlag(info, "IsRC", c.IsRC) || !ReadFlag(info, "IsJC", c.IsJC))
      return false;
    if (!ParseNumLists(c, info) || !c.Formula->ValidValues(c.Values)) return false;
    c.CdtNo = static_cast<int32_t>(read.size()) + 1;
    read.push_back(std::move(c));
  }
  conditions = std::move(read);
  return true;
}

bool LoadScheme(const std::string& fileName, std::vector<TCdtData>& conditions) {
  const std::optional<std::string> bytes = platform::ReadFileBytes(fileName);
  return bytes && ReadScheme(*bytes, conditions);
}

std::string ResultFileText(const std::vector<TShrinkRow>& rows) {
  std::string text;
  text.reserve(rows.size() * 22);
  for (const TShrinkRow& r : rows) {
    for (char c : r.Text()) text.push_back(c == ',' ? ' ' : c);
    text += "\r\n";
  }
  return text;
}
