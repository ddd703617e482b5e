#include "app/uShrinkScheme.h"

#include "engine/uBaseFunc.h"
#include "engine/uFormulaDef.h"
#include "platform/DelphiRtl.h"
#include "platform/FileUtil.h"

#include <QtGlobal>

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
bool ReadFlag(const XmlElement& info, const char* name, bool& flag, std::string& error) {
  int32_t v = 0;
  if (!platform::TryStrToInt(info.Child(name).Text(), v)) {
    error = std::string(name) + " 的值 \"" + info.Child(name).Text() + "\" 不是整数";
    return false;
  }
  flag = v == 1;
  return true;
}

// The first chosen value (row 0, Num1) or count (row 1, Num2) outside the
// indicator's domain, said as the reason.
std::string ValueOutsideDomain(const TCdtData& c) {
  for (size_t row = 0; row <= c.Formula->RowKind() && row < c.Values.size(); ++row)
    for (int32_t v : c.Values[row])
      if (!c.Formula->InDomain(int(row), v))
        return std::string(row == 0 ? "Num1" : "Num2") + " 的值 " + std::to_string(v) + " 不在指标“" +
               c.Formula->Name() + "”的取值范围内";
  return "取值超出指标的范围";
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

bool ParseNumLists(TCdtData& record, const XmlElement& node, std::string* error) {
  if (record.Values.size() < 2) record.Values.resize(2);
  auto fail = [error](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  const XmlElement num1 = node.Child("Num1");
  if (!num1) return fail("缺少 Num1");
  if (!ParseRow(num1.Text(), record.Values[0]))
    return fail("Num1 的值 \"" + num1.Text() + "\" 不是用逗号隔开的整数");
  const XmlElement num2 = node.Child("Num2");
  record.Values[1].clear();
  if (num2.HasText() && !ParseRow(num2.Text(), record.Values[1]))
    return fail("Num2 的值 \"" + num2.Text() + "\" 不是用逗号隔开的整数");
  return true;
}

namespace {

// ReadScheme, with the XML reader's own words on a broken document in
// `detail`.
bool ReadSchemeBytes(std::string_view bytes, std::vector<TCdtData>& conditions, std::string* error,
                     std::string* detail) {
  std::string why;
  XmlDocument doc;
  if (!doc.Parse(bytes, &why, detail)) {
    if (error) *error = why;
    return false;
  }
  const TFormulateList& formulas = FormulateList();
  std::vector<TCdtData> read;
  for (XmlElement info = doc.Root().FirstChild(); info && info.Name() == InfoName; info = info.NextSibling()) {
    TCdtData c;
    int32_t no = -1;
    if (!platform::TryStrToInt(info.Child("FMLNo").Text(), no) || no < 0 || no >= formulas.Count()) {
      why = "FMLNo 的值 \"" + info.Child("FMLNo").Text() + "\" 不是指标编号（0–" +
            std::to_string(formulas.Count() - 1) + "）";
    } else {
      c.Formula = formulas.GetItem(no);
      c.Name = c.Formula->Name();
      if (ReadFlag(info, "IsCheck", c.IsCheck, why) && ReadFlag(info, "IsSave", c.IsSave, why) &&
          ReadFlag(info, "IsRC", c.IsRC, why) && ReadFlag(info, "IsJC", c.IsJC, why) &&
          ParseNumLists(c, info, &why) && !c.Formula->ValidValues(c.Values))
        why = ValueOutsideDomain(c);
    }
    if (!why.empty()) {
      if (error)
        *error = "第 " + std::to_string(read.size() + 1) + " 个条件（第 " + std::to_string(info.Line()) +
                 " 行）：" + why;
      return false;
    }
    c.CdtNo = static_cast<int32_t>(read.size()) + 1;
    read.push_back(std::move(c));
  }
  conditions = std::move(read);
  return true;
}

}  // namespace

bool ReadScheme(std::string_view bytes, std::vector<TCdtData>& conditions, std::string* error) {
  return ReadSchemeBytes(bytes, conditions, error, nullptr);
}

bool LoadScheme(const std::string& fileName, std::vector<TCdtData>& conditions, std::string* error) {
  const std::optional<std::string> bytes = platform::ReadFileBytes(fileName, error);
  if (!bytes) return false;
  std::string detail;
  if (ReadSchemeBytes(*bytes, conditions, error, &detail)) return true;
  if (!detail.empty()) qWarning("Scheme file %s: %s", fileName.c_str(), detail.c_str());
  return false;
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
