// The indicator-parameter dialog: one labelled edit per integer setting,
// laid out when the caller hands over its list (the edits in one column,
// the first one focused), "确定" stores every value only when each edit
// holds an integer.
#pragma once

#include <QDialog>

#include <cstdint>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;

// One parameter: its label and the setting it edits (the caller keeps the
// setting alive while the dialog is open).
struct TZBParam {
  std::string Caption;
  int32_t* Value = nullptr;
};

class TFrmZbCnfg : public QDialog {
 public:
  explicit TFrmZbCnfg(QWidget* parent = nullptr);

  // Lays out one row per parameter, each edit showing its setting's value,
  // and the buttons below the last row. Called once.
  void BuildParams(const std::vector<TZBParam>& params);

  // The edits made for the parameters, in list order.
  const std::vector<QLineEdit*>& Edits() const { return edits_; }
  const std::vector<QLabel*>& Labels() const { return labels_; }

  QPushButton* BtnOK;
  QPushButton* BtnCancel;

 protected:
  // It opens with the focus in the first edit; shown again by the window
  // system, it leaves the focus where it was.
  void showEvent(QShowEvent* event) override;

 private:
  void OkClick();

  std::vector<QLabel*> labels_;
  std::vector<QLineEdit*> edits_;
  std::vector<int32_t*> values_;  // the setting of each edit
};
