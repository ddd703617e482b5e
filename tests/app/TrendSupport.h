// What the trend tests share: an indicator whose chances the test sets and
// histories of hits and misses written as text ("x" a hit, "." a miss).
#pragma once

#include "charts/uKLineDef.h"
#include "engine/uFormulaDef.h"

#include <string>
#include <vector>

// Hits every draw whose first ball is 1 and describes each draw it sees;
// the chance of a hit and of every omission length are set by the test,
// which can also see the omission lengths asked for.
class StubFormula : public TFormulate {
 public:
  StubFormula(TFormulateKey key, float p) : TFormulate(key, "stub", WholeRedPos, "测试"), P(p) {}
  TFormulaKind Kind() const override { return TFormulaKind::Dw; }
  bool Match(const TLottery& draw, const T2DIntAry&, bool, std::string* description) const override {
    if (description) *description = std::to_string(draw.DateNo);
    return draw.Balls[0] == 1;
  }
  float GetProbability(const T2DIntAry&, bool) const override { return P; }
  float GetOmissionProbability(const T2DIntAry&, int32_t n, bool) const override {
    Asked.push_back(n);
    return OmissionP;
  }
  float P;
  float OmissionP = 0;
  mutable std::vector<int32_t> Asked;
};

// Draw i gets DateNo 2020001 + i.
inline TDrawHistory PatternHistory(const std::string& pattern) {
  std::vector<TLottery> draws;
  for (size_t i = 0; i < pattern.size(); ++i) {
    TLottery d;
    d.DateNo = 2020001 + static_cast<int32_t>(i);
    d.Balls = {pattern[i] == 'x' ? 1 : 2, 3, 4, 5, 6, 7, 8};
    d.NumText = MakeNumText(d.Balls);
    draws.push_back(std::move(d));
  }
  return TDrawHistory(std::move(draws));
}

inline TCondition StubCondition(const TFormulate* f, const std::string& caption = "stub", TIntAry values = {1}) {
  TCondition c;
  c.Caption = caption;
  c.ValueText = "[ 1 ]";
  c.Formulate = f;
  c.Values = {std::move(values)};
  return c;
}
