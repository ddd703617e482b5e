// A form holding one of each control the painters skin, for the painter
// tests, the benchmarks and the screenshot; Hook attaches the painters the
// control walk would choose.
#pragma once

#include "skinning/WinSubClass.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolButton>
#include <QWidget>

#include <vector>

namespace gallery {

class ControlGallery : public QWidget {
 public:
  ControlGallery();

  // Gives every control its painter (the form's list: `form`).
  void Hook(skinning::TSkinData* data, skinning::TSkinFormObject* form);
  // Every painter Hook made.
  std::vector<skinning::TSkinControl*> Painters() const;

  QPushButton *ok, *cancel, *disabled, *multiLine, *parentPaint, *bitButton, *menuButton;
  QToolButton *speed, *latched, *flat;
  QGroupBox* box;
  QCheckBox *checked, *unchecked, *grayed, *checkDisabled;
  QRadioButton *radioOn, *radioOff, *radioDisabled;
  QTabWidget* tabs;
  QFrame* panel;
  QLineEdit *edit, *frameless;
  QSpinBox* spin;
  QComboBox *combo, *editableCombo;
  QDateTimeEdit* date;
  QProgressBar *progress, *progressRange;
  QSlider* slider;
  QPlainTextEdit* memo;
  QStatusBar* status;
  QLabel *panel1, *panel2;
};

}  // namespace gallery
