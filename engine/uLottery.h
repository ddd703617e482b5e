// The draw model: one draw, one year of the history, and the history itself.
#pragma once

#include "engine/uBaseDef.h"

#include <array>
#include <cstddef>
#include <string>
#include <vector>

// One draw.
struct TLottery {
  int32_t DateNo = 0;         // year * 1000 + issue within the year
  std::string NumText;        // "r1,r2,r3,r4,r5,r6,b" (at most NumTextCapacity characters)
  int32_t OmitCount = 0;      // scratch for the trend views; the engine never reads it
  const TLottery* Prev = nullptr;  // the previous (older) draw, none for the oldest
  std::string Description;    // written by the last indicator match that asked for it
  std::array<int32_t, BallCount> Balls{};  // six red ascending, then the blue

  static constexpr size_t NumTextCapacity = 20;
};

// The numbers text of a draw: the seven numbers joined by ",", cut to the
// capacity of the field.
std::string MakeNumText(const std::array<int32_t, BallCount>& balls);

// One year of the history.
struct TLotInterval {
  int32_t Year = 0;        // DateNo div 1000
  std::string YearText;    // the year, left-padded with "0" to two characters
  int32_t IssueCount = 0;  // issue number of the year's newest draw in the history
  int32_t FirstIndex = 0;  // index of the year's first draw in the history
};

// The draws of a history, oldest first, each linked to the one before it.
//
// The links point into this object's own storage, so it can be moved (the
// storage moves with it) but never copied or resized: a new history replaces
// the old one as a whole.
class TDrawHistory {
 public:
  TDrawHistory() = default;
  // Takes the draws (oldest first) and links each to its predecessor.
  explicit TDrawHistory(std::vector<TLottery> draws);

  TDrawHistory(TDrawHistory&&) noexcept = default;
  TDrawHistory& operator=(TDrawHistory&&) noexcept = default;
  TDrawHistory(const TDrawHistory&) = delete;
  TDrawHistory& operator=(const TDrawHistory&) = delete;

  int32_t Count() const { return static_cast<int32_t>(draws_.size()); }
  bool Empty() const { return draws_.empty(); }
  size_t size() const { return draws_.size(); }

  TLottery& operator[](size_t i) { return draws_[i]; }
  const TLottery& operator[](size_t i) const { return draws_[i]; }
  TLottery* begin() { return draws_.data(); }
  TLottery* end() { return draws_.data() + draws_.size(); }
  const TLottery* begin() const { return draws_.data(); }
  const TLottery* end() const { return draws_.data() + draws_.size(); }
  const TLottery& Newest() const { return draws_.back(); }

  void Clear() { draws_.clear(); }

 private:
  std::vector<TLottery> draws_;
};

using TLotIntervalAry = std::vector<TLotInterval>;

// The history the analysis works on. Written only by the sign-in download
// (while the sign-in dialog is modal) and by the training mode's choice of
// CurrentIndex; read by the GUI thread afterwards.
extern TDrawHistory DrawHistory;
extern TLotIntervalAry YearIndex;  // newest year first
extern int32_t CurrentIndex;       // last draw the analysis may see; -1 when empty
extern std::string CurrentUser;    // user name of the current sign-in

// The draw at CurrentIndex, the last draw the analysis may see: the newest
// draw, or in training mode the one shown. None when CurrentIndex lies
// outside the history (an empty history).
const TLottery* CurrentDraw();

// Builds the year index of a history (newest year first), as the download
// does after decoding the draws.
TLotIntervalAry BuildYearIndex(const TDrawHistory& history);

// Empties the history, the year index and the current user (shut-down and
// tests).
void ClearDrawModel();
