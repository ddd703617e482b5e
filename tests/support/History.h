// The real draw history of data/ssq-history.csv, for tests and benchmarks.
#pragma once

#include "engine/uLottery.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace testsupport {

// The project folder: $SSQ_SOURCE_DIR, else the folder this was built from.
inline std::string SourceDir() {
  if (const char* dir = std::getenv("SSQ_SOURCE_DIR"); dir && *dir) return dir;
#ifdef SSQ_SOURCE_DIR_DEFAULT
  return SSQ_SOURCE_DIR_DEFAULT;
#else
  throw std::runtime_error("SSQ_SOURCE_DIR is not set");
#endif
}

struct CsvDraw {
  int32_t DateNo;
  std::array<int32_t, 7> Balls;
};

inline std::string HistoryCsvPath() { return SourceDir() + "/data/ssq-history.csv"; }

// The draws of a history file (the project's by default), oldest first.
inline std::vector<CsvDraw> ReadHistoryCsv(const std::string& path = HistoryCsvPath()) {
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::vector<CsvDraw> draws;
  std::string line;
  std::getline(in, line);  // header
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    std::stringstream s(line);
    std::string cell;
    CsvDraw d{};
    std::getline(s, cell, ',');
    d.DateNo = std::stoi(cell);
    for (auto& b : d.Balls) {
      std::getline(s, cell, ',');
      b = std::stoi(cell);
    }
    draws.push_back(d);
  }
  return draws;
}

// The draws as a linked history, oldest first.
inline TDrawHistory LoadDrawHistory(const std::string& path = HistoryCsvPath()) {
  std::vector<TLottery> draws;
  for (const CsvDraw& c : ReadHistoryCsv(path)) {
    TLottery d;
    d.DateNo = c.DateNo;
    d.Balls = c.Balls;
    d.NumText = MakeNumText(d.Balls);
    draws.push_back(std::move(d));
  }
  return TDrawHistory(std::move(draws));
}

}  // namespace testsupport
