// The condition panel on the left of the trend window: the indicator tree,
// check lists of the chosen indicator's values, random picks with a history,
// the omission-range controls and the three "same-screen" splits that turn
// one indicator into several conditions charted side by side. It hands its
// conditions to its owner through callbacks.
#pragma once

#include "app/uConditionWidgets.h"
#include "charts/uKLineDef.h"
#include "engine/uBaseDef.h"

#include <QWidget>

#include <functional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;
class TFormulate;

// The item indexes of each recorded random pick, with a cursor (-1 when
// there is none) for stepping back and forth through them.
class TRandomHis {
 public:
  void Clear();
  // Appends an empty entry and moves the cursor to it.
  void NewEntry();
  // Appends an item index to the last entry.
  void AddToLast(int32_t index);
  bool CanBack() const { return cursor_ >= 1; }
  bool CanForward() const { return cursor_ < static_cast<int32_t>(entries_.size()) - 1; }
  void Back();
  void Forward();
  // With the cursor on an entry: checks exactly the entry's items.
  void Apply(ICheckList& list) const;
  int32_t Cursor() const { return cursor_; }
  int32_t Count() const { return static_cast<int32_t>(entries_.size()); }

 private:
  std::vector<TIntAry> entries_;
  int32_t cursor_ = -1;
};

// The modes a result is handed over with.
enum TResultMode : int {
  rmDraw = 0,            // "出图", random picks, history steps, splits
  rmCurrentOmission = 1, // "当前遗漏"
  rmTheoryPeriod = 2,    // "理论周期"
  rmTheoryAntiSet = 3,   // "理论反集"
};

// One group of a same-screen split: its label ("" for the group split) and
// its values in domain order (the group split: in the order dealt).
struct TSplitGroup {
  std::string Label;
  TIntAry Values;
};

// The most groups "分组同屏" offers: the trend window lays out 15 charts.
inline constexpr int MaxSplitGroups = 15;

// "奇偶大小同屏": odd, even, big, small; big means above the middle value,
// the h-th value with h = |domain| / 2 rounded half to even.
std::vector<TSplitGroup> SplitOddEvenBigSmall(const TIntAry& domain);
// "012/DZX同屏": remainders 0, 1, 2 by 3, then big, middle, small by the
// values at a third and two thirds of the domain.
std::vector<TSplitGroup> SplitRoadsBigMidSmall(const TIntAry& domain);
// "分组同屏": the values dealt at random to `groups` groups in turn.
std::vector<TSplitGroup> SplitRandomGroups(const TIntAry& domain, int groups, const TRandomFunc& random);

class TFrmCondition : public QWidget {
 public:
  using TResultEvent = std::function<void(const TConditionAry& conditions, int mode)>;
  using TNotifyEvent = std::function<void()>;

  // Reads the panel's settings (section "FrmCondition"); random picks and
  // the group split draw from `random`.
  explicit TFrmCondition(QWidget* parent = nullptr, TRandomFunc random = DefaultRandom);
  // Writes the settings.
  ~TFrmCondition() override;

  // Set by the owner: the conditions and a TResultMode; "加入缩水"; "返回同屏".
  TResultEvent OnResult;
  TNotifyEvent OnAddToShrink;
  TNotifyEvent OnRedraw;

  // Shows or hides the omission-range controls (hidden at start).
  void ShowRangeControls(bool visible);
  // The range bounds. From: text that is no integer gives 0 (written back),
  // a negative one 0. To: text that is no integer gives From + 1 (written
  // back).
  int32_t GetYLFrom();
  int32_t GetYLTo();
  void SetYLFrom(int32_t value);
  void SetYLTo(int32_t value);
  // Writes the texts a range pick gives into the bounds, read by the rules
  // of GetYLFrom and GetYLTo.
  void SetRangeTexts(const QString& from, const QString& to);

  // Makes the indicator current (as a click on its node does).
  void SelectIndicator(const TFormulate* formula);
  const TFormulate* Indicator() const { return formula_; }
  // The conditions last built.
  const TConditionAry& Result() const { return result_; }
  const TRandomHis& RandomHistory() const { return history_; }

  // The components.
  QTreeWidget* TvCondition;
  QTabWidget* PageControl1;
  QWidget* TabSheet1;
  QWidget* TabSheet2;
  QWidget* TabSheet3;
  QWidget* TabSheet4;
  TCheckListBox* lstValues1;
  TCheckListBox* lstValues2_1;
  TCheckListBox* lstValues2_2;
  TCheckListBox* lstValues3_1;
  TCheckListBox* lstValues3_2;
  TCheckListBox* lstValues3_3;
  TCheckListBox* lstRandomCc;
  QPushButton* BtnRandomJODX;
  QPushButton* BtnRandomDZX;
  QComboBox* CboGroupCount;
  QPushButton* BtnGroup;
  QPushButton* BtnReturn;
  QWidget* Panel3;
  std::vector<QPushButton*> SelectButtons;
  QCheckBox* chkRepeat;
  QPushButton* BtnAddToShrink;
  QWidget* Panel2;
  QLabel* Label3;
  QLabel* Label4;
  TSpinEdit* edtYLFrom;
  TSpinEdit* edtYLTo;
  QPushButton* BtnYLRange;
  QPushButton* BtnLL;
  QPushButton* BtnCurYL;
  QPushButton* BtnUnLL;
  QPushButton* BtnRandom;
  QPushButton* BtnPreview;
  QPushButton* BtnNext;
  TSpinEdit* edtRandom;
  QPushButton* Button1;

 private:
  void CreateComponents();
  void ReadSettings();
  QWidget* TabOfKind(int kind) const;
  // The kind's first list (the one random picks and the history use).
  TCheckListBox* FirstListOfKind(int kind) const;
  void BuildConditionResult();
  void Submit(int mode);
  // N of "机选"; false (after telling the user) when it is no integer.
  bool ReadRandomCount(int32_t& n);
  void RandomPick(TCheckListBox* list, int32_t k, bool record);
  void UpdateHistoryButtons();
  void RandomClick();
  void HistoryStep(bool back);
  void SelectionClick(int tag);
  // The three splits: 0 group, 1 odd/even/big/small, 2 roads/big/middle/small.
  void Split(int how);
  void RangeButtonClick();
  void HideRangePicker();

  TRandomFunc random_;
  TRandomHis history_;
  const TFormulate* formula_ = nullptr;
  TConditionAry result_;
};
