#include "platform/UserPrompts.h"

#include "platform/AppWindow.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <array>
#include <functional>

#include <gtest/gtest.h>

using namespace platform;

TEST(Prompts, QtMessageBoxesHaveTheWindowsButtonsIconsAndAnswers) {
  const std::vector<std::tuple<unsigned, std::vector<int>, int, QMessageBox::Icon>> cases{
      {MB_OK, {IDOK}, IDOK, QMessageBox::NoIcon},
      {MB_OKCANCEL | MB_DEFBUTTON3 | MB_ICONERROR, {IDOK, IDCANCEL}, IDOK, QMessageBox::Critical},  // no third button
      {MB_ABORTRETRYIGNORE | MB_DEFBUTTON3 | MB_ICONWARNING, {IDABORT, IDRETRY, IDIGNORE}, IDIGNORE,
       QMessageBox::Warning},
      {MB_YESNOCANCEL | MB_ICONQUESTION, {IDYES, IDNO, IDCANCEL}, IDYES, QMessageBox::Question},
      {MB_YESNO | MB_DEFBUTTON2 | MB_ICONINFORMATION, {IDYES, IDNO}, IDNO, QMessageBox::Information},
      {MB_RETRYCANCEL | MB_DEFBUTTON2, {IDRETRY, IDCANCEL}, IDCANCEL, QMessageBox::NoIcon}};
  for (auto& [flags, buttons, answer, icon] : cases) {
    EXPECT_EQ(MessageBoxButtons(flags), buttons) << flags;
    EXPECT_EQ(MessageBoxDefault(flags), answer) << flags;
    auto box = QtUserPrompts::MakeMessageBox(nullptr, QStringLiteral("是否要退出本软件？"), QStringLiteral("提示"), flags);
    EXPECT_EQ(box->windowTitle(), QStringLiteral("提示"));
    EXPECT_EQ(box->text(), QStringLiteral("是否要退出本软件？"));
    EXPECT_EQ(box->icon(), icon) << flags;
    std::vector<int> shown;
    for (QAbstractButton* b : box->buttons()) shown.push_back(QtUserPrompts::AnswerOf(box->standardButton(b)));
    std::vector<int> want = buttons;
    std::sort(shown.begin(), shown.end());
    std::sort(want.begin(), want.end());
    EXPECT_EQ(shown, want) << flags;
    EXPECT_EQ(QtUserPrompts::AnswerOf(box->standardButton(box->defaultButton())), answer) << flags;
  }
  EXPECT_EQ(QtUserPrompts::AnswerOf(QMessageBox::NoButton), IDCANCEL) << "closed without a button";
}

// A box without caption (the skin library's plain boxes, "/acver") takes
// the program's title, as the application's window does; the application's
// name until the program sets one.
TEST(Prompts, AnUntitledBoxTakesTheProgramsTitle) {
  const auto title = [](const QString& caption) {
    return QtUserPrompts::MakeMessageBox(nullptr, QStringLiteral("v"), caption, MB_OK)->windowTitle();
  };
  EXPECT_EQ(title({}), QGuiApplication::applicationDisplayName());
  SetApplicationTitle(QStringLiteral("双色球分析"));
  EXPECT_EQ((std::array{title({}), title(QStringLiteral("提示")), ApplicationWindow()->windowTitle()}),
            (std::array{QStringLiteral("双色球分析"), QStringLiteral("提示"), QStringLiteral("双色球分析")}));
  SetApplicationTitle({});
  EXPECT_EQ(ApplicationTitle(), QGuiApplication::applicationDisplayName());
}

TEST(Prompts, WindowsFiltersBecomeQtNameFilters) {
  EXPECT_EQ(QtNameFilters(QStringLiteral("方案文件 (*.xml)|*.xml|All files (*.*)|*.*")),
            (QStringList{QStringLiteral("方案文件 (*.xml)"), QStringLiteral("All files (*)")}));
  EXPECT_EQ(QtNameFilters(QStringLiteral("Pictures| *.bmp;*.png ;|odd")),
            QStringList{QStringLiteral("Pictures (*.bmp *.png)")});
  EXPECT_TRUE(QtNameFilters(QString()).isEmpty());
}

TEST(Prompts, RecordingFakeRecordsAndAnswersFromItsQueues) {
  RecordingPrompts fake, inner;
  {
    ScopedPrompts scope(fake);
    EXPECT_EQ(&Prompts(), &fake);
    fake.MessageAnswers.push_back(IDNO);
    EXPECT_FALSE(Prompts().Confirm(nullptr, QStringLiteral("Delete?"), QStringLiteral("Scheme")));
    EXPECT_TRUE(Prompts().Confirm(nullptr, QStringLiteral("Again?"), QString())) << "default button";
    fake.FileAnswers.push_back(QStringLiteral("/tmp/a.xml"));
    FileDialogOptions options;
    options.Title = QStringLiteral("Save");
    options.DefaultExt = QStringLiteral("xml");
    EXPECT_EQ(Prompts().SaveFileName(nullptr, options), QStringLiteral("/tmp/a.xml"));
    EXPECT_EQ(Prompts().OpenFileName(nullptr, options), std::nullopt) << "nothing queued: cancelled";
    fake.ColorAnswers.push_back(clRed);
    EXPECT_EQ(Prompts().ChooseColor(nullptr, clBlue), clRed);
    EXPECT_EQ(Prompts().ChooseColor(nullptr, clBlue), std::nullopt);
    fake.OpenUrlResult = false;
    EXPECT_FALSE(Prompts().OpenUrl(QStringLiteral("http://127.0.0.1/")));
    {
      ScopedPrompts nested(inner);
      EXPECT_EQ(&Prompts(), &inner);
    }
    EXPECT_EQ(&Prompts(), &fake);
  }
  EXPECT_NE(&Prompts(), &fake);
  QStringList calls;  // kind, text, caption, flags, default extension, colour
  for (const auto& c : fake.Calls)
    calls << QString("%1 %2 %3 %4 %5 %6")
                 .arg(QString::fromStdString(c.Kind), c.Text, c.Caption)
                 .arg(c.Flags)
                 .arg(c.File.DefaultExt)
                 .arg(c.Color);
  EXPECT_EQ(calls.join("|").toStdString(),
            "MessageBox Delete? Scheme 36  0|MessageBox Again?  36  0|SaveFileName  Save 0 xml 0|"
            "OpenFileName  Save 0 xml 0|ChooseColor   0  16711680|ChooseColor   0  16711680|"
            "OpenUrl http://127.0.0.1/  0  0");
}

// A prompt whose parent goes while it runs answers as cancelled, whatever
// was pressed, and is never touched again; with its parent staying it
// gives what was pressed. A timer presses OK from the prompt's loop and,
// in the second run of a row, deletes the parent.
TEST(Prompts, APromptWhoseParentGoesWhileItRunsAnswersCancel) {
  QtUserPrompts qt;
  testsupport::TempDir folder;
  folder.Write("old.txt", "x");
  FileDialogOptions existing, fresh;
  existing.FileName = QString::fromStdString(folder.File("old.txt"));
  fresh.FileName = QString::fromStdString(folder.File("new.txt"));
  const auto accept = [](QDialog& d) { d.accept(); };
  const struct {
    const char* kind;
    std::function<void(QDialog&)> pressOk;
    std::function<bool(QWidget*)> answeredOk;
  } rows[] = {
      {"message box", [](QDialog& d) { static_cast<QMessageBox&>(d).button(QMessageBox::Ok)->click(); },
       [&](QWidget* p) { return qt.MessageBox(p, QStringLiteral("是否要退出本软件？"), {}, MB_OKCANCEL) == IDOK; }},
      {"open file", accept, [&](QWidget* p) { return qt.OpenFileName(p, existing) == existing.FileName; }},
      {"save file", accept, [&](QWidget* p) { return qt.SaveFileName(p, fresh) == fresh.FileName; }},
      {"colour", accept, [&](QWidget* p) { return qt.ChooseColor(p, clRed) == clRed; }},
      {"own dialog", accept, [&](QWidget* p) {
         QDialog dialog(p);
         return qt.ExecDialog(dialog) == QDialog::Accepted;
       }}};
  for (const auto& row : rows) {
    for (const bool parentGoes : {false, true}) {
      QPointer<QWidget> parent = new QWidget;
      QObject scope;
      QTimer::singleShot(0, &scope, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog) row.pressOk(*dialog);
        if (parentGoes) delete parent;
      });
      EXPECT_EQ(row.answeredOk(parent), !parentGoes) << row.kind << (parentGoes ? ", parent gone" : "");
      EXPECT_EQ(parent.isNull(), parentGoes) << row.kind;
      delete parent;
    }
  }
}
