#include "app/uFrmFormula.h"

#include "app/uConditionWidgets.h"

#include <QPushButton>

TfrmFormula::TfrmFormula(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("frmFormula"));
  setWindowTitle(QStringLiteral("指标管理"));
  resize(640, 480);
  Button1 = new QPushButton(QStringLiteral("Button1"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->move(16, 16);
}

TfrmFormula* GetFormulaForm() { return SharedWindow<TfrmFormula>(); }
