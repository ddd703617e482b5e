// The alpha image list's property stream with its PNG and ICO files
// (fuzz::CheckImageListStream): any bytes are read or refused with the
// stream's or the library's error, within the list's pixel limit.
#include "SkinFuzzSupport.h"

#include <string>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  fuzz::StartSkinLibrary(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::CheckImageListStream(std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
