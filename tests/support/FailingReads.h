// Reads of one file that fail, as on a disk that cannot read it: while a
// FailingReads lives, every read() of the file it names gives -1 with the
// error number it was given (opening the file still works). A test program
// that uses it links support/FailingReads.cpp, whose read() stands in front
// of the system's for the whole program.
#pragma once

#include <string>

namespace testsupport {

class FailingReads {
 public:
  // `path` names a file that is there.
  FailingReads(const std::string& path, int error);
  ~FailingReads();
  FailingReads(const FailingReads&) = delete;
  FailingReads& operator=(const FailingReads&) = delete;
};

}  // namespace testsupport
