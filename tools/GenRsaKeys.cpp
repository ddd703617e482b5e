// Generates the ten 128-bit RSA key pairs of the sign-in exchange.
//
//   ssq_gen_rsa_keys PROJECT_DIR
//
// Writes PROJECT_DIR/dataservice/rsa_keys.sql (the whole pairs, for the data
// service's seed) and PROJECT_DIR/dataclient/RsaKeyTable.inc (modulus and
// public exponent only, compiled into the program). Run once; the output is
// kept in the repository, and running it again changes every key.
#include "tools/RsaKeyGen.h"

#include <fstream>
#include <iostream>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: ssq_gen_rsa_keys PROJECT_DIR\n";
    return 2;
  }
  std::string root = argv[1];
  tools::RsaKeyPair keys[10];
  for (auto& k : keys) k = tools::GenerateRsaKeyPair();

  std::ofstream sql(root + "/dataservice/rsa_keys.sql");
  sql << "-- The ten key pairs of the sign-in exchange (made by ssq_gen_rsa_keys).\n"
         "-- The program carries only the modulus and the public exponent.\n"
         "\\set ON_ERROR_STOP on\n"
         "INSERT INTO rsa_keys(key_index, modulus, public_exponent, private_exponent) VALUES\n";
  for (int i = 0; i < 10; ++i)
    sql << "  (" << i << ", '" << keys[i].Modulus << "', '" << keys[i].PublicExponent << "', '"
        << keys[i].PrivateExponent << "')" << (i < 9 ? ",\n" : ";\n");

  std::ofstream inc(root + "/dataclient/RsaKeyTable.inc");
  inc << "// The public halves of the ten key pairs of the sign-in exchange (made by\n"
         "// ssq_gen_rsa_keys; the private halves live only in the data service).\n";
  for (int i = 0; i < 10; ++i)
    inc << "{\"" << keys[i].Modulus << "\", \"" << keys[i].PublicExponent << "\"},\n";
  if (!sql || !inc) {
    std::cerr << "ssq_gen_rsa_keys: cannot write the output files\n";
    return 1;
  }
  return 0;
}
