// The data service's key pairs as its seed holds them (private halves
// included), read from dataservice/rsa_keys.sql.
#pragma once

#include <array>
#include <fstream>
#include <regex>
#include <string>

#include "support/History.h"

struct ServerKey {
  std::string Modulus, PublicExponent, PrivateExponent;
};

inline std::array<ServerKey, 10> ReadServerKeys() {
  std::ifstream in(testsupport::SourceDir() + "/dataservice/rsa_keys.sql");
  std::string text((std::istreambuf_iterator<char>(in)), {});
  std::array<ServerKey, 10> keys;
  std::regex row(R"(\((\d), '([0-9A-F]+)', '([0-9A-F]+)', '([0-9A-F]+)'\))");
  int found = 0;
  for (std::sregex_iterator it(text.begin(), text.end(), row), end; it != end; ++it, ++found)
    keys.at(std::stoul((*it)[1])) = {(*it)[2], (*it)[3], (*it)[4]};
  if (found != 10) throw std::runtime_error("dataservice/rsa_keys.sql does not hold ten key pairs");
  return keys;
}
