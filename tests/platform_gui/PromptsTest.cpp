#include "platform/UserPrompts.h"

#include <QPushButton>

#include <gtest/gtest.h>

using namespace platform;

TEST(Prompts, ButtonSetsAndDefaults) {
  EXPECT_EQ(MessageBoxButtons(MB_OK), std::vector<int>{IDOK});
  EXPECT_EQ(MessageBoxButtons(MB_YESNOCANCEL | MB_ICONQUESTION), (std::vector<int>{IDYES, IDNO, IDCANCEL}));
  EXPECT_EQ(MessageBoxButtons(MB_ABORTRETRYIGNORE), (std::vector<int>{IDABORT, IDRETRY, IDIGNORE}));
  EXPECT_EQ(MessageBoxDefault(MB_YESNO), IDYES);
  EXPECT_EQ(MessageBoxDefault(MB_YESNO | MB_DEFBUTTON2), IDNO);
  EXPECT_EQ(MessageBoxDefault(MB_OKCANCEL | MB_DEFBUTTON3), IDOK) << "no third button";
}

TEST(Prompts, QtMessageBoxHasTheWindowsButtonsAndAnswers) {
  auto box = QtUserPrompts::MakeMessageBox(nullptr, QStringLiteral("是否要退出本软件？"),
                                           QStringLiteral("提示"), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
  EXPECT_EQ(box->windowTitle(), QStringLiteral("提示"));
  EXPECT_EQ(box->text(), QStringLiteral("是否要退出本软件？"));
  EXPECT_EQ(box->icon(), QMessageBox::Question);
  EXPECT_EQ(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
  EXPECT_EQ(static_cast<QAbstractButton*>(box->defaultButton()), box->button(QMessageBox::No));
  EXPECT_EQ(QtUserPrompts::AnswerOf(QMessageBox::Yes), IDYES);
  EXPECT_EQ(QtUserPrompts::AnswerOf(QMessageBox::Retry), IDRETRY);
  EXPECT_EQ(QtUserPrompts::AnswerOf(QMessageBox::NoButton), IDCANCEL) << "closed without a button";
}

TEST(Prompts, WindowsFiltersBecomeQtNameFilters) {
  EXPECT_EQ(QtNameFilters(QStringLiteral("方案文件 (*.xml)|*.xml|All files (*.*)|*.*")),
            (QStringList{QStringLiteral("方案文件 (*.xml)"), QStringLiteral("All files (*)")}));
  EXPECT_EQ(QtNameFilters(QStringLiteral("Pictures|*.bmp;*.png")),
            QStringList{QStringLiteral("Pictures (*.bmp *.png)")});
  EXPECT_TRUE(QtNameFilters(QString()).isEmpty());
}

TEST(Prompts, RecordingFakeRecordsAndAnswersFromItsQueues) {
  RecordingPrompts fake;
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
    fake.OpenUrlResult = false;
    EXPECT_FALSE(Prompts().OpenUrl(QStringLiteral("http://127.0.0.1/")));
  }
  EXPECT_NE(&Prompts(), &fake);
  ASSERT_EQ(fake.Calls.size(), 6u);
  EXPECT_EQ(fake.Calls[0].Kind, "MessageBox");
  EXPECT_EQ(fake.Calls[0].Text, QStringLiteral("Delete?"));
  EXPECT_EQ(fake.Calls[0].Flags, MB_YESNO | MB_ICONQUESTION);
  EXPECT_EQ(fake.Calls[2].File.DefaultExt, QStringLiteral("xml"));
  EXPECT_EQ(fake.Calls[4].Color, clBlue);
  EXPECT_EQ(fake.Calls[5].Text, QStringLiteral("http://127.0.0.1/"));
  EXPECT_EQ(fake.Calls[5].Kind, "OpenUrl");
}
