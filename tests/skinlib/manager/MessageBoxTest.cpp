// The library's message box through the program's prompts: captions and
// icons by kind, the Windows button sets, the requested position.
#include "skinlib/manager/LibraryMessageBox.h"

#include "platform/NonClient.h"
#include "platform/UserPrompts.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {

// Records where the box was asked to appear while it is shown.
class PositionPrompts : public RecordingPrompts {
 public:
  int SeenX = 0, SeenY = 0;
  int MessageBox(QWidget* parent, const QString& text, const QString& caption, unsigned flags) override {
    SeenX = MessageBoxX;
    SeenY = MessageBoxY;
    return RecordingPrompts::MessageBox(parent, text, caption, flags);
  }
};

constexpr unsigned kAlways = MB_TOPMOST | MB_SETFOREGROUND;

}  // namespace

TEST(MessageBox, KindsAndButtonsBecomeWindowsFlags) {
  struct Case {
    const char* name;
    int kind;
    TMsgDlgButtons buttons;
    unsigned flags;
    const char* caption;
  } cases[] = {
      {"warning, OK", mkWarning, mbOK, MB_ICONWARNING | MB_OK, "Warning"},
      {"error, OK and Cancel", mkError, mbOK | mbCancel, MB_ICONERROR | MB_OKCANCEL, "Error"},
      {"information, OK wins over Yes", mkInformation, mbOK | mbYes, MB_ICONINFORMATION | MB_OK, "Information"},
      {"confirm, yes no cancel", mkConfirmation, mbYes | mbNo | mbCancel, MB_ICONQUESTION | MB_YESNOCANCEL, "Confirm"},
      {"yes and no", mkConfirmation, mbYes | mbNo, MB_ICONQUESTION | MB_YESNO, "Confirm"},
      {"no alone", mkConfirmation, mbNo, MB_ICONQUESTION | MB_YESNO, "Confirm"},
      {"retry and cancel", mkPlain, mbRetry | mbCancel, MB_RETRYCANCEL, ""},
      {"ignore alone", mkPlain, mbIgnore, MB_ABORTRETRYIGNORE, ""},
      {"abort over yes", mkWarning, mbAbort | mbYes, MB_ICONWARNING | MB_ABORTRETRYIGNORE, "Warning"},
      {"help", mkError, mbOK | mbHelp, MB_ICONERROR | MB_OK | MB_HELP, "Error"},
      {"an unknown kind", 9, mbOK, MB_OK, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingPrompts prompts;
    ScopedPrompts scoped(prompts);
    prompts.MessageAnswers.push_back(IDRETRY);
    EXPECT_EQ(ShowMessageBox(QStringLiteral("text"), c.kind, c.buttons), IDRETRY);
    ASSERT_EQ(prompts.Calls.size(), 1u);
    EXPECT_EQ(prompts.Calls[0].Flags, c.flags | kAlways);
    EXPECT_EQ(prompts.Calls[0].Caption, QString::fromLatin1(c.caption));
    EXPECT_EQ(prompts.Calls[0].Text, "text");
  }
}

TEST(MessageBox, CaptionsPositionsAndShortcuts) {
  PositionPrompts prompts;
  ScopedPrompts scoped(prompts);
  EXPECT_EQ(MessageBoxByKind(QStringLiteral("Own"), QStringLiteral("t"), mkError, 0, 40, 50, mbYes | mbNo), IDYES);
  EXPECT_EQ(prompts.Calls.back().Caption, "Own");
  EXPECT_EQ(prompts.SeenX, 40);
  EXPECT_EQ(prompts.SeenY, 50);
  EXPECT_EQ(MessageBoxX, -1);  // reset after the box
  EXPECT_EQ(MessageBoxY, -1);
  ShowWarningBox(QStringLiteral("careful"));
  EXPECT_EQ(prompts.Calls.back().Flags, MB_ICONWARNING | MB_OK | kAlways);
  EXPECT_EQ(prompts.SeenX, -1);
  EXPECT_EQ(ShowErrorBox(QStringLiteral("bad")), IDOK);
  EXPECT_EQ(prompts.Calls.back().Caption, "Error");
}

TEST(MessageBox, TheCaptionFontIsTheSystemOne) {
  const NONCLIENTMETRICS metrics = GetNonClientMetrics();
  EXPECT_EQ(GetCaptionFontHeight(), metrics.lfCaptionFont.Height);
  EXPECT_NE(GetCaptionFontHeight(), 0);
  ASSERT_TRUE(CreateCaptionFont().has_value());
  EXPECT_EQ(*CreateCaptionFont(), metrics.lfCaptionFont);
}
