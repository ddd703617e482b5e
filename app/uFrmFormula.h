// The indicator-management window. It offers nothing yet beyond being
// shown; there is one, made on first use.
#pragma once

#include <QWidget>

class QPushButton;

class TfrmFormula : public QWidget {
 public:
  explicit TfrmFormula(QWidget* parent = nullptr);

  QPushButton* Button1;
};

// The one indicator-management window, made on first call.
TfrmFormula* GetFormulaForm();
