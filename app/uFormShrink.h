// The number-shrinking window "号码缩水": the current scheme (the conditions
// of CdtList()) in a condition grid, conditions added from an indicator
// tree or from the trend window and edited through the value chooser or in
// place, schemes saved and loaded as XML files, the filter run on a worker
// thread and its combinations shown and saved as a text file.
//
// The scheme and result files' formats are in uShrinkScheme.h.
#pragma once

#include "app/uConditionWidgets.h"
#include "app/uShrinkFilter.h"
#include "app/uShrinkGrids.h"
#include "app/uShrinkScheme.h"
#include "editors/MDI_VTEditor.h"
#include "engine/uCdtList.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QTableView;
class QToolBar;
class QToolButton;
class QTreeWidget;
class TFormulate;

// --- The condition grid's in-place editor --------------------------------------

// Edits the keep ("保留") and tolerance ("容错") columns with a drop-down
// list of "是" and "否" that starts on the current flag; a double click in
// the editor turns the flag over.
class TCdtEditor : public TVTEditLink {
 protected:
  void EditorDblClick() override;
  void FillItems(TEditItems& items, QStringList& values) override;
  int GetEditorKind() override;
  QString GetEditText() override;
  bool SetEditText(const QString& text, const QString& value, qint64 data) override;

 private:
  TCdtModel* Model() const;
  bool FlagColumn() const;
};

// --- The window -----------------------------------------------------------------

class TFrmShrink : public QWidget {
 public:
  // Builds the window (the indicator tree without the blue-ball group).
  // The program makes one and embeds it; AddShrinkCondition refreshes it.
  explicit TFrmShrink(QWidget* parent = nullptr);
  // Stops a running filter and waits for it.
  ~TFrmShrink() override;

  // Rebuilds the condition grid from CdtList().
  void RefreshConditions();

  // The combinations of the last filter run, in order (what "保存号码" saves).
  const std::vector<TShrinkRow>& Results() const { return results_->Rows(); }
  // A filter runs (the controls are disabled meanwhile).
  bool Filtering() const { return filtering_; }
  // Called on the GUI thread when a run has ended and shows all its rows
  // (also after a refused or cancelled run).
  std::function<void()> OnFilterDone;

  // The components.
  QWidget* pnl1;
  QTreeWidget* tvCondition;
  QToolBar* ToolBar1;
  QToolButton* btnDel;
  QToolButton* btnEdit;
  QToolButton* BtnLoad;
  QToolButton* BtnFA;
  QWidget* Panel2;
  QLabel* Label1;
  QCheckBox* chkRC;
  TSpinEdit* semin;
  QLabel* lbl1;
  TSpinEdit* SeMax;
  QToolButton* btnfilter;
  QWidget* Panel3;
  QLabel* lbl2;
  QToolButton* BtnSave;
  QPushButton* Button1;
  QTableView* VTCon;
  QTableView* strdNUM;
  QGroupBox* rg1;
  QRadioButton* rg1Red;
  QRadioButton* rg1Blue;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  class TBridge;
  void CreateComponents();
  // RefreshConditions, for the chooser to call back.
  std::function<void()> Refresher();
  void tvConditionClick();
  void EditFocused();
  void rg1Click();
  void btnDelClick();
  void BtnSaveClick();
  void BtnFAClick();
  void BtnLoadClick();
  void Button1Click();
  void btnfilterClick();
  // Takes over what the running filter reported since the last call.
  void TakeFilterReports();
  void SetControlsEnabled(bool enabled);

  TCdtModel* conditions_;
  TResultModel* results_;
  std::shared_ptr<TBridge> bridge_;
  std::unique_ptr<TShrinkFilter> filter_;
  bool filtering_ = false;
};

// The shrink window, when one exists (the last one made).
TFrmShrink* FrmShrink();

// Adds a condition to CdtList() (as the trend window hands them over): the
// indicator, a copy of the values, numbered by its place in the list,
// unchecked, kept ("保留"), no tolerance, IsJC = countRepeats, no name.
// Refreshes the shrink window when there is one.
void AddShrinkCondition(const TFormulate* indicator, const T2DIntAry& values, bool countRepeats);
