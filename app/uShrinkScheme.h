// The shrink window's files without the window: scheme files (the
// conditions of a scheme, read and written) and result files (the rows of a
// filter run). Pure functions over the condition records; files are read
// whole and written through platform::XmlDocument (a temporary file and a
// rename).
//
// Scheme file: an XML document, version "1.0", encoding "GB2312", root
// element FMlS (any name is accepted on reading) with one FMlInfo element
// per condition holding FMLNo (index of the indicator in FormulateList()),
// IsCheck, IsSave, IsRC, IsJC ("1" or "0") and Num1, Num2 (the values and
// the counts, decimal, joined by "," without blanks). The children of an
// FMlInfo may come in any order; the list ends at the first child of the
// root that is not an FMlInfo.
//
// Result file: one combination per line, the numbers in decimal separated
// by one blank, lines ended by CR LF.
#pragma once

#include "app/uShrinkFilter.h"
#include "engine/uCdtList.h"
#include "platform/XmlDom.h"

#include <string>
#include <string_view>
#include <vector>

// What the shrink window says of a file that is no scheme.
inline const char* const InvalidSchemeText = "无效的XML文件";

// Row `row` of a condition's values joined with "," ("" when the record has
// no such row).
std::string JoinValues(const TCdtData& record, int row);

// Writes the conditions into the document: declaration version "1.0",
// encoding "GB2312", root FMlS, one FMlInfo per condition in list order.
void SaveScheme(platform::XmlDocument& doc, const TCdtList& list);

// Fills rows 0 and 1 of the record's values from the Num1 and Num2
// children of an FMlInfo element. A missing or empty Num2 leaves row 1
// empty, an empty Num1 row 0; false when Num1 is missing or a piece is no
// integer, with the reason in `error` (when given).
bool ParseNumLists(TCdtData& record, const platform::XmlElement& node, std::string* error = nullptr);

// Reads the conditions of a scheme document, numbered 1..n in file order
// (each record's name is its indicator's name). False when it is not one:
// not XML, a flag or FMLNo missing or no integer, an FMLNo outside
// FormulateList(), a value piece that is no integer or a value outside its
// indicator's domain; `error` (when given) then says which: where the XML
// breaks ("第3行第5列不符合XML格式"), or the condition, its line and the
// bad value. `conditions` is only written on success. LoadScheme also
// says why a file cannot be read ("文件不存在" ...) and logs the system's
// or the XML reader's own words.
bool ReadScheme(std::string_view bytes, std::vector<TCdtData>& conditions, std::string* error = nullptr);
bool LoadScheme(const std::string& fileName, std::vector<TCdtData>& conditions, std::string* error = nullptr);

// The result file's text of the rows.
std::string ResultFileText(const std::vector<TShrinkRow>& rows);
