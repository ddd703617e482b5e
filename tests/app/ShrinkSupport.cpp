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

TIntAry Range(int32_t low, int32_t high, int32_t step) {
  TIntAry r;
  for (int32_t v = low; v <= high; v += step) r.push_back(v);
  return r;
}

std::vector<TCdtData> SchemeA() {
  return {
      Cdt("和值系列", "红球和值", {4, 5, 6}),  // sums 91..120
      Cdt("红球常规", "AC值", {7, 8, 9}),
      Cdt("红球常规", "奇数组选", Range(1, 33, 2), {3}),
      Cdt("红球常规", "大号组选", Range(17, 33), {3}),
      Cdt("红球常规", "质数组选", {1, 2, 3, 5, 7, 11, 13, 17, 19, 23, 29, 31}, {1, 2}),
      Cdt("红球常规", "连码组数", {1}),
      Cdt("尾数系列", "尾数个数", {5}),
      Cdt("跨度系列", "红球跨度", Range(22, 30)),
      Cdt("红球常规", "重码个数", {1}),
      Cdt("红球常规", "邻码个数", {1}),
      Cdt("高级条件", "号码组", Range(1, 11), {2}),
      Cdt("和值系列", "尾", {1, 3}),
  };
}

std::vector<TCdtData> SchemeB() {
  std::vector<TCdtData> s = SchemeA();
  s.push_back(Tolerant(Cdt("红1号定位", "红球1号", Range(1, 8))));
  s.push_back(Tolerant(Cdt("红6号定位", "红球6号", Range(28, 33))));
  s.push_back(Tolerant(Cdt("红3号定位", "尾", {0, 1, 2, 3, 4})));
  s.push_back(Tolerant(Cdt("红4号定位", "除以3余数", {0, 1})));
  s.push_back(Tolerant(Cdt("跨度系列", "尾", {2, 4, 6, 8})));
  s.push_back(Tolerant(Cdt("红球常规", "奇号连续组数", {0})));
  s.push_back(Tolerant(Cdt("尾数系列", "前三尾直选", {1, 2, 3}, {1})));
  s.push_back(Tolerant(Cdt("和值系列", "除以3余数", {0, 1})));
  return s;
}

}  // namespace shrinktest
