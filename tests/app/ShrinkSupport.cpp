#include "ShrinkSupport.h"

#include "support/History.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace shrinktest {

const TDrawHistory& History() {
  static const TDrawHistory history = testsupport::LoadDrawHistory();
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

TIntAry RandomValues(std::mt19937& rng, const TIntAry& domain, double p, size_t least) {
  std::bernoulli_distribution in(p);
  TIntAry chosen;
  for (int32_t v : domain)
    if (in(rng)) chosen.push_back(v);
  while (chosen.size() < least && chosen.size() < domain.size()) {
    const int32_t v = domain[std::uniform_int_distribution<size_t>(0, domain.size() - 1)(rng)];
    if (std::find(chosen.begin(), chosen.end(), v) == chosen.end()) chosen.push_back(v);
  }
  std::shuffle(chosen.begin(), chosen.end(), rng);  // the order must not matter
  return chosen;
}

std::string EndText(int32_t count, bool morePass) {
  return (morePass ? "过滤结束，取前" : "过滤结束，共") + std::to_string(count) + "注";
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

std::vector<TCdtData> ToleranceConditions() {
  return {
      Tolerant(Cdt("红1号定位", "红球1号", Range(1, 8))),
      Tolerant(Cdt("红6号定位", "红球6号", Range(28, 33))),
      Tolerant(Cdt("红3号定位", "尾", {0, 1, 2, 3, 4})),
      Tolerant(Cdt("红4号定位", "除以3余数", {0, 1})),
      Tolerant(Cdt("跨度系列", "尾", {2, 4, 6, 8})),
      Tolerant(Cdt("红球常规", "奇号连续组数", {0})),
      Tolerant(Cdt("尾数系列", "前三尾直选", {1, 2, 3}, {1})),
      Tolerant(Cdt("和值系列", "除以3余数", {0, 1})),
      Tolerant(Cdt("红2号定位", "除以3余数", {0, 2})),
      Tolerant(Cdt("红5号定位", "尾", {0, 2, 4, 5, 6, 8, 9})),
      Tolerant(Cdt("和值系列", "除以4余数", {0, 1, 2})),
      Tolerant(Cdt("红球常规", "尾号组数", {1, 2})),
      Tolerant(Cdt("红球常规", "偶号连续组数", {0, 1})),
      Tolerant(Cdt("尾数系列", "后三尾直选", {4, 5, 6, 7}, {1})),
      Tolerant(Cdt("跨度系列", "除以3余数", {1, 2})),
      Tolerant(Cdt("红球常规", "小号组选", Range(1, 16), {2, 3})),
      Tolerant(Cdt("红球常规", "合数连续组数", {0, 1})),
      Tolerant(Cdt("红2号定位", "尾", {0, 1, 3, 5, 7, 9})),
      Tolerant(Cdt("和值系列", "除以5余数", {0, 1, 3})),
      Tolerant(Cdt("红球常规", "质数连续组数", {0})),
  };
}

std::vector<TCdtData> SchemeB() {
  std::vector<TCdtData> s = SchemeA();
  const std::vector<TCdtData> tolerance = ToleranceConditions();
  s.insert(s.end(), tolerance.begin(), tolerance.begin() + 8);
  return s;
}

std::vector<TCdtData> SchemeT(size_t tolerance) {
  const std::vector<TCdtData> a = SchemeA(), t = ToleranceConditions();
  std::vector<TCdtData> s(a.begin(), a.begin() + 3);
  s.insert(s.end(), t.begin(), t.begin() + static_cast<ptrdiff_t>(std::min(tolerance, t.size())));
  return s;
}

}  // namespace shrinktest
