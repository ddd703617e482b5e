#include "ShrinkSupport.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace shrinktest {

namespace {

std::string SourceDir() {
  if (const char* dir = std::getenv("SSQ_SOURCE_DIR")) return dir;
#ifdef SSQ_DEFAULT_SOURCE_DIR
  return SSQ_DEFAULT_SOURCE_DIR;
#else
  throw std::runtime_error("SSQ_SOURCE_DIR is not set");
#endif
}

// Lines "2003001,10,11,12,13,26,28,11" after a header line.
TDrawHistory LoadCsv(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::vector<TLottery> draws;
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line)) {
    if (line.empty() || line == "\r") continue;
    std::istringstream fields(line);
    std::string field;
    std::vector<int32_t> numbers;
    while (std::getline(fields, field, ',')) numbers.push_back(std::stoi(field));
    if (numbers.size() != 1 + BallCount) throw std::runtime_error("bad history line: " + line);
    TLottery d;
    d.DateNo = numbers[0];
    for (int i = 0; i < BallCount; ++i) d.Balls[static_cast<size_t>(i)] = numbers[static_cast<size_t>(i + 1)];
    d.NumText = MakeNumText(d.Balls);
    draws.push_back(std::move(d));
  }
  return TDrawHistory(std::move(draws));
}

}  // namespace

const TDrawHistory& History() {
  static const TDrawHistory history = LoadCsv(SourceDir() + "/data/ssq-history.csv");
  return history;
}

const TLottery* Newest() { return &History().Newest(); }

const TFormulate* Formula(const std::string& group, const std::string& name) {
  const TFormulateList& list = FormulateList();
  for (int32_t i = 0; i < list.Count(); ++i)
    if (list.GetItem(i)->Group() == group && list.GetItem(i)->Name() == name) return list.GetItem(i);
  throw std::runtime_error("no indicator " + group + " " + name);
}

TCdtData Cdt(const TFormulate* f, TIntAry values, TIntAry counts, bool tolerance, bool repeat) {
  TCdtData c;
  c.Formula = f;
  c.Name = f->Name();
  c.IsSave = true;
  c.IsRC = tolerance;
  c.IsJC = repeat;
  c.Values = {std::move(values), std::move(counts)};
  return c;
}

TCdtData Cdt(const std::string& group, const std::string& name, TIntAry values, TIntAry counts, bool tolerance,
             bool repeat) {
  return Cdt(Formula(group, name), std::move(values), std::move(counts), tolerance, repeat);
}

TCdtData Tolerant(TCdtData c) {
  c.IsRC = true;
  return c;
}

}  // namespace shrinktest
