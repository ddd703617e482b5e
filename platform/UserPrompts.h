// What the program asks of its user: message boxes with the Windows button
// answers, confirmations, open and save file names, a colour, opening a
// web page. Code asks through Prompts(); the program uses the Qt dialogs,
// tests install a RecordingPrompts, which answers at once in place of the
// user.
#pragma once

#include "platform/Colors.h"

#include <QMessageBox>
#include <QString>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QDialog;
class QWidget;

namespace platform {

// Button sets, icons and default buttons of a message box.
constexpr unsigned MB_OK = 0x0, MB_OKCANCEL = 0x1, MB_ABORTRETRYIGNORE = 0x2, MB_YESNOCANCEL = 0x3,
                   MB_YESNO = 0x4, MB_RETRYCANCEL = 0x5;
constexpr unsigned MB_ICONERROR = 0x10, MB_ICONHAND = 0x10, MB_ICONSTOP = 0x10,
                   MB_ICONQUESTION = 0x20, MB_ICONWARNING = 0x30, MB_ICONEXCLAMATION = 0x30,
                   MB_ICONINFORMATION = 0x40, MB_ICONASTERISK = 0x40;
constexpr unsigned MB_DEFBUTTON1 = 0x0, MB_DEFBUTTON2 = 0x100, MB_DEFBUTTON3 = 0x200;
// A Help button, a box brought to the foreground and kept on top (the Qt
// dialogs show no Help button and stack as every dialog does).
constexpr unsigned MB_HELP = 0x4000, MB_SETFOREGROUND = 0x10000, MB_TOPMOST = 0x40000;
// The answers.
constexpr int IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5, IDYES = 6, IDNO = 7;

// The buttons of a box's button set, in the order shown, as answers.
std::vector<int> MessageBoxButtons(unsigned flags);
// The answer of the default button (Enter).
int MessageBoxDefault(unsigned flags);

struct FileDialogOptions {
  QString Title;
  QString InitialDir;
  QString FileName;
  // Windows form: "Text files (*.txt)|*.txt|All files (*.*)|*.*".
  QString Filter;
  int FilterIndex = 1;  // counted from 1
  QString DefaultExt;   // without the dot, added to a name without one
};

// A Windows filter in Qt's form: "Text files (*.txt);;All files (*.*)".
// A description without the patterns in it gets them in brackets.
QStringList QtNameFilters(const QString& windowsFilter);

class UserPrompts {
 public:
  virtual ~UserPrompts() = default;
  // One of the ID* answers. Every prompt answers as cancelled (IDCANCEL,
  // nothing chosen) when its parent is deleted while it runs.
  virtual int MessageBox(QWidget* parent, const QString& text, const QString& caption,
                         unsigned flags) = 0;
  // A yes/no question; true for yes.
  bool Confirm(QWidget* parent, const QString& text, const QString& caption) {
    return MessageBox(parent, text, caption, MB_YESNO | MB_ICONQUESTION) == IDYES;
  }
  // The chosen file, nothing when the user cancels.
  virtual std::optional<QString> OpenFileName(QWidget* parent, const FileDialogOptions& options) = 0;
  virtual std::optional<QString> SaveFileName(QWidget* parent, const FileDialogOptions& options) = 0;
  virtual std::optional<TColor> ChooseColor(QWidget* parent, TColor initial) = 0;
  // Opens the page in the desktop's browser; false when that failed.
  virtual bool OpenUrl(const QString& url) = 0;
  // Runs one of the program's own modal dialogs and gives the code it
  // ended with (QDialog::Accepted, Rejected or what it passed to done());
  // the Qt prompts run it through RunModal.
  virtual int ExecDialog(QDialog& dialog);
};

// Runs a modal dialog with exec() and gives the code it ended with. The
// dialog keeps the one owner its caller gave it whatever becomes of its
// parent: should the parent be deleted while the dialog runs, the dialog
// leaves it instead of being freed with it, its loop ends and the answer
// is QDialog::Rejected, whatever was pressed. The caller must then touch
// neither the parent nor anything the parent owned.
int RunModal(QDialog& dialog);

// The prompts in use: the Qt dialogs unless replaced.
UserPrompts& Prompts();
// Replaces the prompts in use (nullptr: the Qt dialogs again); returns the
// previous replacement (nullptr when there was none).
UserPrompts* SetPrompts(UserPrompts* prompts);

// The Qt dialogs.
class QtUserPrompts : public UserPrompts {
 public:
  int MessageBox(QWidget* parent, const QString& text, const QString& caption,
                 unsigned flags) override;
  std::optional<QString> OpenFileName(QWidget* parent, const FileDialogOptions& options) override;
  std::optional<QString> SaveFileName(QWidget* parent, const FileDialogOptions& options) override;
  std::optional<TColor> ChooseColor(QWidget* parent, TColor initial) override;
  bool OpenUrl(const QString& url) override;

  // The message box MessageBox shows, made but not shown. A box without
  // caption is titled with the program's title (ApplicationTitle).
  static std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, const QString& text,
                                                     const QString& caption, unsigned flags);
  // The answer for a button of such a box.
  static int AnswerOf(QMessageBox::StandardButton button);
};

// A fake for tests: records every call and answers from queues (a message
// box with no queued answer gets its default button; file and colour
// dialogs with none are cancelled, and so is a dialog of the program's own:
// its answer may fill in the dialog before it gives the code).
class RecordingPrompts : public UserPrompts {
 public:
  struct Call {
    std::string Kind;  // "MessageBox", "OpenFileName", "SaveFileName", "ChooseColor", "OpenUrl", "Dialog"
    QString Text;      // message text, or the address
    QString Caption;
    unsigned Flags = 0;
    FileDialogOptions File;
    TColor Color = 0;
  };
  std::vector<Call> Calls;
  std::deque<int> MessageAnswers;
  std::deque<std::optional<QString>> FileAnswers;
  std::deque<std::optional<TColor>> ColorAnswers;
  std::deque<std::function<int(QDialog&)>> DialogAnswers;
  bool OpenUrlResult = true;

  int MessageBox(QWidget* parent, const QString& text, const QString& caption,
                 unsigned flags) override;
  std::optional<QString> OpenFileName(QWidget* parent, const FileDialogOptions& options) override;
  std::optional<QString> SaveFileName(QWidget* parent, const FileDialogOptions& options) override;
  std::optional<TColor> ChooseColor(QWidget* parent, TColor initial) override;
  bool OpenUrl(const QString& url) override;
  // Recorded as "Dialog" with the dialog's object name as text and its
  // title as caption.
  int ExecDialog(QDialog& dialog) override;
};

// Puts prompts in use for the life of a scope.
class ScopedPrompts {
 public:
  explicit ScopedPrompts(UserPrompts& prompts) : previous_(SetPrompts(&prompts)) {}
  ~ScopedPrompts() { SetPrompts(previous_); }
  ScopedPrompts(const ScopedPrompts&) = delete;
  ScopedPrompts& operator=(const ScopedPrompts&) = delete;

 private:
  UserPrompts* previous_;
};

}  // namespace platform
