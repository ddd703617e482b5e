#include "platform/UserPrompts.h"

#include "platform/AppWindow.h"

#include <QColorDialog>
#include <QDialog>
#include <QDesktopServices>
#include <QFileDialog>
#include <QPointer>
#include <QPushButton>
#include <QUrl>

#include <utility>

namespace platform {

namespace {

UserPrompts* g_replacement = nullptr;

template <typename T>
T TakeFront(std::deque<T>& queue, const T& fallback) {
  if (queue.empty()) return fallback;
  const T value = queue.front();
  queue.pop_front();
  return value;
}

QMessageBox::StandardButton ButtonOf(int answer) {
  switch (answer) {
    case IDOK: return QMessageBox::Ok;
    case IDCANCEL: return QMessageBox::Cancel;
    case IDABORT: return QMessageBox::Abort;
    case IDRETRY: return QMessageBox::Retry;
    case IDIGNORE: return QMessageBox::Ignore;
    case IDYES: return QMessageBox::Yes;
    case IDNO: return QMessageBox::No;
    default: return QMessageBox::NoButton;
  }
}

std::optional<QString> RunFileDialog(QWidget* parent, const FileDialogOptions& o, bool save) {
  QFileDialog dialog(parent, o.Title, o.InitialDir);
  QStringList filters = QtNameFilters(o.Filter);
  if (!filters.isEmpty()) {
    dialog.setNameFilters(filters);
    if (o.FilterIndex >= 1 && o.FilterIndex <= filters.size())
      dialog.selectNameFilter(filters[o.FilterIndex - 1]);
  }
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  if (!o.DefaultExt.isEmpty()) dialog.setDefaultSuffix(o.DefaultExt);
  if (!o.FileName.isEmpty()) dialog.selectFile(o.FileName);
  if (RunModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first();
}

}  // namespace

std::vector<int> MessageBoxButtons(unsigned flags) {
  switch (flags & 0xF) {
    case MB_OKCANCEL: return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE: return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL: return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO: return {IDYES, IDNO};
    case MB_RETRYCANCEL: return {IDRETRY, IDCANCEL};
    default: return {IDOK};
  }
}

int MessageBoxDefault(unsigned flags) {
  std::vector<int> buttons = MessageBoxButtons(flags);
  size_t index = (flags & 0xF00) >> 8;
  return index < buttons.size() ? buttons[index] : buttons.front();
}

QStringList QtNameFilters(const QString& windowsFilter) {
  QStringList parts = windowsFilter.split(QLatin1Char('|'));
  QStringList result;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString description = parts[i].trimmed();
    QString patterns = parts[i + 1].trimmed();
    QStringList list = patterns.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (QString& p : list) {
      p = p.trimmed();
      if (p == QLatin1String("*.*")) p = QStringLiteral("*");  // every file, as on Windows
    }
    patterns = list.join(QLatin1Char(' '));
    if (description.contains(QLatin1Char('(')) && description.endsWith(QLatin1Char(')'))) {
      // Qt reads the patterns from the brackets: make them the real ones.
      description = description.left(description.lastIndexOf(QLatin1Char('('))).trimmed();
    }
    result << QStringLiteral("%1 (%2)").arg(description, patterns);
  }
  return result;
}

int RunModal(QDialog& dialog) {
  QPointer<QDialog> alive(&dialog);
  bool parentGone = false;
  QMetaObject::Connection leave;
  if (QWidget* parent = dialog.parentWidget()) {
    // A widget says it goes before it deletes its children: the dialog
    // leaves it then, as a window of its own, and hides, which ends its loop.
    leave = QObject::connect(parent, &QObject::destroyed, &dialog, [&dialog, &parentGone] {
      parentGone = true;
      dialog.setParent(nullptr, dialog.windowFlags());
      dialog.hide();
    });
  }
  const int code = dialog.exec();
  if (!alive) return QDialog::Rejected;  // it deleted itself as it closed
  QObject::disconnect(leave);
  return parentGone ? int(QDialog::Rejected) : code;
}

int UserPrompts::ExecDialog(QDialog& dialog) { return RunModal(dialog); }

UserPrompts& Prompts() {
  static QtUserPrompts qt;
  return g_replacement ? *g_replacement : qt;
}

UserPrompts* SetPrompts(UserPrompts* prompts) { return std::exchange(g_replacement, prompts); }

// ---- Qt ----

std::unique_ptr<QMessageBox> QtUserPrompts::MakeMessageBox(QWidget* parent, const QString& text,
                                                           const QString& caption, unsigned flags) {
  auto box = std::make_unique<QMessageBox>(parent);
  box->setWindowTitle(caption.isEmpty() ? ApplicationTitle() : caption);
  box->setText(text);
  switch (flags & 0xF0) {
    case MB_ICONERROR: box->setIcon(QMessageBox::Critical); break;
    case MB_ICONQUESTION: box->setIcon(QMessageBox::Question); break;
    case MB_ICONWARNING: box->setIcon(QMessageBox::Warning); break;
    case MB_ICONINFORMATION: box->setIcon(QMessageBox::Information); break;
    default: box->setIcon(QMessageBox::NoIcon); break;
  }
  for (int answer : MessageBoxButtons(flags)) box->addButton(ButtonOf(answer));
  box->setDefaultButton(ButtonOf(MessageBoxDefault(flags)));
  return box;
}

int QtUserPrompts::AnswerOf(QMessageBox::StandardButton button) {
  for (int answer : {IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO})
    if (ButtonOf(answer) == button) return answer;
  return IDCANCEL;
}

int QtUserPrompts::MessageBox(QWidget* parent, const QString& text, const QString& caption,
                              unsigned flags) {
  const std::unique_ptr<QMessageBox> box = MakeMessageBox(parent, text, caption, flags);
  // The box ends with the standard button pressed as its code; with none
  // (its parent gone) it is cancelled.
  return AnswerOf(QMessageBox::StandardButton(RunModal(*box)));
}

std::optional<QString> QtUserPrompts::OpenFileName(QWidget* parent, const FileDialogOptions& options) {
  return RunFileDialog(parent, options, false);
}

std::optional<QString> QtUserPrompts::SaveFileName(QWidget* parent, const FileDialogOptions& options) {
  return RunFileDialog(parent, options, true);
}

std::optional<TColor> QtUserPrompts::ChooseColor(QWidget* parent, TColor initial) {
  QColorDialog dialog(ToQColor(initial), parent);
  if (RunModal(dialog) != QDialog::Accepted) return std::nullopt;
  return FromQColor(dialog.selectedColor());
}

bool QtUserPrompts::OpenUrl(const QString& url) {
  return QDesktopServices::openUrl(QUrl::fromUserInput(url));
}

// ---- recording fake ----

int RecordingPrompts::MessageBox(QWidget*, const QString& text, const QString& caption,
                                 unsigned flags) {
  Calls.push_back({"MessageBox", text, caption, flags, {}, 0});
  return TakeFront(MessageAnswers, MessageBoxDefault(flags));
}

std::optional<QString> RecordingPrompts::OpenFileName(QWidget*, const FileDialogOptions& options) {
  Calls.push_back({"OpenFileName", {}, options.Title, 0, options, 0});
  return TakeFront(FileAnswers, std::optional<QString>());
}

std::optional<QString> RecordingPrompts::SaveFileName(QWidget*, const FileDialogOptions& options) {
  Calls.push_back({"SaveFileName", {}, options.Title, 0, options, 0});
  return TakeFront(FileAnswers, std::optional<QString>());
}

std::optional<TColor> RecordingPrompts::ChooseColor(QWidget*, TColor initial) {
  Calls.push_back({"ChooseColor", {}, {}, 0, {}, initial});
  return TakeFront(ColorAnswers, std::optional<TColor>());
}

bool RecordingPrompts::OpenUrl(const QString& url) {
  Calls.push_back({"OpenUrl", url, {}, 0, {}, 0});
  return OpenUrlResult;
}

int RecordingPrompts::ExecDialog(QDialog& dialog) {
  Calls.push_back({"Dialog", dialog.objectName(), dialog.windowTitle(), 0, {}, 0});
  if (DialogAnswers.empty()) return QDialog::Rejected;
  const std::function<int(QDialog&)> answer = std::move(DialogAnswers.front());
  DialogAnswers.pop_front();
  return answer(dialog);
}

}  // namespace platform
