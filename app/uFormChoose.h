// The value chooser: one shared window, above the others, in which the
// shrink window creates a shrink condition for an indicator or edits one of
// the conditions in CdtList().
#pragma once

#include "app/uConditionWidgets.h"

#include <QWidget>

#include <cstdint>
#include <functional>
#include <vector>

class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QTabWidget;
class TFormulate;
struct TCdtData;

class TFrmChoose : public QWidget {
 public:
  using TNotifyEvent = std::function<void()>;

  explicit TFrmChoose(QWidget* parent = nullptr);

  // Shows the chooser with its left edge at `left` (screen) for the
  // indicator. `record` nullptr: "确定" adds a new condition to CdtList().
  // Otherwise the chooser starts from the record's values and flags and
  // "确定" stores them into the CdtList() record of the same identity (the
  // record may be a copy, such as a grid's), keeping its number and place.
  // `onDone` runs after a condition was stored.
  void ShowChoose(int left, const TFormulate* formula, const TCdtData* record, TNotifyEvent onDone);
  void HideChoose() { hide(); }

  const TFormulate* Indicator() const { return formula_; }
  // 0 "保留", 1 "排除".
  int SaveIndex() const;
  void SetSaveIndex(int index);

  // The components.
  QTabWidget* pgc1;
  QWidget* ts1;
  QWidget* ts2;
  QWidget* ts3;
  TCheckListBox* chklstValue1;
  TCheckListBox* chklstValue2_1;
  QLabel* LabCount;
  TCheckListBox* chklstValue2_2;
  TCheckListBox* chklstValue3_1;
  TCheckListBox* chklstValue3_2;
  TCheckListBox* chklstValue3_3;
  QWidget* rgsave;
  QRadioButton* rbSave;
  QRadioButton* rbExclude;
  QCheckBox* chk1;
  QCheckBox* chkCF;
  std::vector<QPushButton*> SelectButtons;
  QPushButton* btnOK;
  QPushButton* btnCancel;

 private:
  QWidget* TabOfKind(int kind) const;
  void PlaceAt(int left, bool centre);
  void LoadRecord(const TCdtData* record);
  void OkClick();
  void SelectionClick(int tag);

  const TFormulate* formula_ = nullptr;
  bool editing_ = false;
  bool placed_ = false;  // shown once: later shows keep the user's height
  uint64_t recordId_ = 0;  // the identity of the edited condition
  TNotifyEvent onDone_;
};

// The shared chooser, made on first use; with create false nullptr until
// then.
TFrmChoose* FrmChoose(bool create = true);
// Shows the shared chooser (TFrmChoose::ShowChoose).
void ShowChoose(int left, const TFormulate* formula, const TCdtData* record, TFrmChoose::TNotifyEvent onDone);
// Hides the shared chooser when there is one.
void HideChoose();
