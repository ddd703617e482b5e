// The demo program of skinned standard dialogs: a main form with a skin
// manager placed on it (the demo dialog skin, DialogSkin.h) and four
// buttons that open what a program opens, the way it opens them: a message
// box, the non-native file dialog and the colour dialog by exec(), a plain
// form by show(). Made in code.
#pragma once

#include "skinlib/support/TestSkins.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>

class QPushButton;
class TsSkinManager;

namespace testskins {

// The demo's skin "Dialogs": the dialog skin (DialogSkin.h), its DIALOG
// in GLOBALINFO's colour, with the sections the dialogs' controls take: the button part's (ButtonSkin.h:
// see-through CHECKBOX for labels, check boxes and radio buttons,
// GROUPBOX), and plain TOOLBUTTON (kDemoToolColor), BUTTON through it,
// EDIT (white) and COMBOBOX through EDIT.
inline constexpr int kDemoToolColor = 0xEED8C8;
TestSkin DialogDemoSkin();

class DialogDemo {
 public:
  // The manager has `skinsDir` as its folder and no skin yet; the file
  // dialog opens in `filesDir`.
  DialogDemo(const QString& skinsDir, const QString& filesDir);
  ~DialogDemo();  // the main form (its manager with it) goes first
  DialogDemo(const DialogDemo&) = delete;
  DialogDemo& operator=(const DialogDemo&) = delete;

  // The skin "Dialogs" (written into the skins folder by the caller) on;
  // Manager->SetActive(false) takes it off.
  void SkinOn();

  std::unique_ptr<QWidget> Main;  // "双色球 演示"
  TsSkinManager* Manager = nullptr;
  QPushButton* MessageButton = nullptr;  // "提示…": a QMessageBox
  QPushButton* FileButton = nullptr;     // "打开开奖数据…": a QFileDialog
  QPushButton* ColourButton = nullptr;   // "选择颜色…": a QColorDialog
  QPushButton* FormButton = nullptr;     // "号码统计…": a plain form, deleted when closed
  // The window the last button opened, while it is there.
  QPointer<QWidget> Opened;
  // The result of the last exec().
  int LastResult = -1;

 private:
  QString filesDir_;
};

}  // namespace testskins
