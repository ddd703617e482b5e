// A stand-in for the program in the helper's tests. It appends one line to
// $SSQ_STANDIN_LOG: its file name, its arguments and the last word of its
// own file (the tests append a build mark to copies of it), parted by "|".
// With "--hold=FILE" it first waits until FILE exists and adds whether its
// ".uTMP" file still lay beside it when it ended.
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include <unistd.h>

int main(int argc, char** argv) {
  char self[4096] = {};
  const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  const std::string path(self, n > 0 ? static_cast<size_t>(n) : 0);
  std::ifstream in(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), {});
  std::string line = path.substr(path.rfind('/') + 1);
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind("--hold=", 0) == 0) {
      while (::access(arg.c_str() + 7, F_OK) != 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
      line += ::access((path + ".uTMP").c_str(), F_OK) == 0 ? "|held, temp there" : "|held, temp gone";
    } else {
      line += '|';
      line += arg;
    }
  }
  line += '|';
  line += bytes.substr(bytes.rfind('\n') + 1);
  std::ofstream(std::getenv("SSQ_STANDIN_LOG"), std::ios::app) << line << "\n";
  return 0;
}
