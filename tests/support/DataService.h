// The project's data service for end-to-end tests and benchmarks.
//
// Under ctest a fixture starts it (scripts/dataservice.sh) and names its
// folder in $SSQ_DATASERVICE_DIR; otherwise this object starts one of its
// own in a temporary folder and removes it again when destroyed.
#pragma once

#include "support/History.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

namespace testsupport {

class DataService {
 public:
  DataService() {
    if (const char* dir = std::getenv("SSQ_DATASERVICE_DIR"); dir && *dir) {
      dir_ = dir;
    } else {
      std::string tmpl = (std::filesystem::temp_directory_path() / "ssq-ds.XXXXXX").string();
      if (!::mkdtemp(tmpl.data())) throw std::runtime_error("cannot make a temporary folder");
      dir_ = tmpl;
      own_ = true;
      if (Script("start", "auto --fresh >/dev/null") != 0) {
        Destroy();
        throw std::runtime_error("scripts/dataservice.sh could not start the data service");
      }
    }
    std::ifstream in(dir_ + "/connection");
    std::getline(in, connection_);
    if (connection_.empty()) throw std::runtime_error("no data service in " + dir_);
  }
  ~DataService() {
    if (own_) Destroy();
  }
  DataService(const DataService&) = delete;
  DataService& operator=(const DataService&) = delete;

  const std::string& ConnectionString() const { return connection_; }

  // Runs SQL as the cluster's superuser; true when it succeeded.
  bool Sql(const std::string& sql) const {
    return Script("psql", "-c " + Quote(sql) + " >/dev/null") == 0;
  }

  // The rows a query gives as the cluster's superuser, one a line, fields
  // joined by "|"; empty when it fails.
  std::string Query(const std::string& sql) const {
    std::string out;
    if (FILE* p = ::popen(Line("psql", "-tA -c " + Quote(sql)).c_str(), "r")) {
      char buffer[256];
      for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, p)) > 0;) out.append(buffer, n);
      if (::pclose(p) != 0) out.clear();
    }
    return out;
  }

 private:
  static std::string Quote(const std::string& text) {
    std::string q = "'";
    for (char c : text) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
  }
  std::string Line(const std::string& command, const std::string& rest) const {
    return "bash " + Quote(SourceDir() + "/scripts/dataservice.sh") + " " + command + " " +
           Quote(dir_) + " " + rest;
  }
  int Script(const std::string& command, const std::string& rest) const {
    return std::system(Line(command, rest).c_str());
  }
  void Destroy() {
    Script("destroy", ">/dev/null 2>&1");
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

  std::string dir_;
  std::string connection_;
  bool own_ = false;
};

}  // namespace testsupport
