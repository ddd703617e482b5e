// The about box: the program's name and version, and where to find the
// project: its page and the contact lines the build gives. A line without
// a value is not shown; the page is a link only when it has an address.
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

// What the about box tells of the project; an empty text is not shown.
struct TAboutContacts {
  QString Page, Phone, QQ, Mail;
};
// The build's (ProjectPage and the contact settings of app/CMakeLists.txt).
TAboutContacts ProgramContacts();

class TfrmAbout : public QDialog {
 public:
  explicit TfrmAbout(QWidget* parent = nullptr);

  // Shows the lines that have a value (the build's at creation).
  void ShowContacts(const TAboutContacts& contacts);

  // What the web and contact labels open (nothing when empty).
  QString PageAddress;

  QLabel* Image1;
  QLabel* LabTitle;
  QLabel* LabWeb;      // "官方网站", a link
  QLabel* LabWebAddress;
  QLabel* LabVersionCaption;
  QLabel* LabVersion;
  QLabel* LabPhone;    // "联系电话：" and the number
  QLabel* LabQQ;       // "QQ：", the number in Edit1
  QLabel* LabMail;     // "邮箱：", the address in Edit2
  QLineEdit* Edit1;
  QLineEdit* Edit2;
  QPushButton* Button1;

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
};
