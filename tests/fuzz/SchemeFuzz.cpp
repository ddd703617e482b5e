// Scheme files as a user may bring them: any bytes through the scheme
// reader; what it accepts writes and reads back as the same conditions.
#include "FuzzSupport.h"

#include "app/uShrinkScheme.h"
#include "engine/uCdtList.h"
#include "engine/uFormulaDef.h"
#include "platform/XmlDom.h"

#include <memory>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<TCdtData> read;
  if (!ReadScheme(std::string_view(reinterpret_cast<const char*>(data), size), read)) {
    FUZZ_CHECK(read.empty());
    return 0;
  }
  TCdtList list;
  for (const TCdtData& c : read) list.Add(std::make_unique<TCdtData>(c));
  platform::XmlDocument doc;
  SaveScheme(doc, list);
  std::vector<TCdtData> again;
  FUZZ_CHECK(ReadScheme(doc.Serialize(), again));
  FUZZ_CHECK(again.size() == read.size());
  for (size_t i = 0; i < read.size(); ++i) {
    const TCdtData& a = read[i];
    const TCdtData& b = again[i];
    FUZZ_CHECK(a.Formula == b.Formula && a.CdtNo == b.CdtNo);
    FUZZ_CHECK(a.IsCheck == b.IsCheck && a.IsSave == b.IsSave && a.IsRC == b.IsRC && a.IsJC == b.IsJC);
    FUZZ_CHECK(a.Values == b.Values);
  }
  return 0;
}
