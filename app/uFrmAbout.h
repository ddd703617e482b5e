// The about box: the program's name and version, and where to find the
// project.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// The project's name and its page; a click on the box's web and contact
// labels opens the page.
extern const char* const ProjectTitle;
extern const char* const ProjectPage;
// The program's file and application name ("ssqanalyzer"), as the build
// makes it and the update information lists it.
extern const char* const ProgramName;

class TfrmAbout : public QDialog {
 public:
  explicit TfrmAbout(QWidget* parent = nullptr);

  // What the web and contact labels open (ProjectPage; nothing when empty).
  QString PageAddress;

  QLabel* Image1;
  QLabel* LabTitle;
  QLabel* LabWeb;
  QLabel* LabVersionCaption;
  QLabel* LabVersion;
  QLabel* LabPhone;
  QLabel* LabQQ;
  QLabel* LabMail;
  QLineEdit* Edit1;
  QLineEdit* Edit2;
  QPushButton* Button1;

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
};
