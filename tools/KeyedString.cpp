// Makes the keyed form of a connection string that the program stores.
//
//   ssq_keyed_string "Driver=...;Servername=...;..." [SEED]
//
// Prints the text for StoredConnectionString in dataclient/uThread.cpp:
// the CP936 bytes of the connection string scrambled with ConnectionKey.
// SEED (0-255) fixes the first byte; by default it is random.
#include "dataclient/uEncode.h"
#include "dataclient/uThread.h"
#include "platform/Encoding.h"

#include <iostream>
#include <random>

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::cerr << "usage: ssq_keyed_string CONNECTION_STRING [SEED]\n";
    return 2;
  }
  int seed = argc == 3 ? std::atoi(argv[2]) : std::random_device()() % 256;
  if (seed < 0 || seed > 255) {
    std::cerr << "ssq_keyed_string: SEED must be 0..255\n";
    return 2;
  }
  try {
    std::string bytes = platform::Utf8ToCp936(argv[1]);
    std::string keyed = EncodeKeyedString(bytes, ConnectionKey, static_cast<uint8_t>(seed));
    if (DecodeKeyedString(keyed, ConnectionKey) != bytes)
      throw std::runtime_error("round trip failed");
    std::cout << keyed << "\n";
  } catch (const std::exception& e) {
    std::cerr << "ssq_keyed_string: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
