#include "tools/skin/SkinFile.h"

#include "platform/Encoding.h"
#include "skinning/SkinRead.h"
#include "tools/skin/LzhEncoder.h"

namespace skinwriter {

namespace {

void PutU32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(char((v >> (8 * i)) & 0xFF));
}

std::string Cp936(const QString& s) { return platform::Utf8ToCp936(s.toStdString()); }

}  // namespace

std::string ContainerBytes(const SkinContainer& c) {
  std::string names;
  for (const SkinEntry& e : c.Entries) names += Cp936(e.Name) + "\r\n";
  std::string out;
  PutU32(out, c.Version);
  PutU32(out, uint32_t(names.size()));
  PutU32(out, 0);
  PutU32(out, 0);
  out.append(skinning::SkinVersionBlockSize(c.Version).value_or(0), '\0');
  out += names;
  for (const SkinEntry& e : c.Entries) PutU32(out, uint32_t(e.Data.size()));
  for (const SkinEntry& e : c.Entries) out += e.Data;
  return out;
}

std::string CompressSkin(std::string_view container) {
  std::string out;
  PutU32(out, uint32_t(container.size()));
  return out + LzhEncode(container);
}

}  // namespace skinwriter
