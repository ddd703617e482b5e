// The skin library's message box: fixed captions and icons by the kind of
// message, the old dialog-button sets turned into the Windows button sets,
// shown through the program's prompts (platform/UserPrompts.h), so that
// tests record it instead of showing it. Also the system caption font.
#pragma once

#include "platform/Canvas.h"

#include <QFlags>
#include <QString>

#include <optional>

// The kind of a message: its icon and caption ("Warning", "Error",
// "Information", "Confirm"; the last kind has neither).
enum TacMessageKind { mkWarning = 0, mkError = 1, mkInformation = 2, mkConfirmation = 3, mkPlain = 4 };

// The buttons a box is asked for.
enum TMsgDlgBtn : unsigned {
  mbYes = 0x1, mbNo = 0x2, mbOK = 0x4, mbCancel = 0x8, mbAbort = 0x10, mbRetry = 0x20,
  mbIgnore = 0x40, mbAll = 0x80, mbNoToAll = 0x100, mbYesToAll = 0x200, mbHelp = 0x400,
};
Q_DECLARE_FLAGS(TMsgDlgButtons, TMsgDlgBtn)
Q_DECLARE_OPERATORS_FOR_FLAGS(TMsgDlgButtons)

// The caption of a kind (empty for mkPlain and unknown kinds).
QString MessageKindCaption(int kind);
// The MB_ flags of a box: the kind's icon, MB_TOPMOST | MB_SETFOREGROUND,
// the button set (with OK: OK or OK/Cancel; else with Abort or Ignore:
// Abort/Retry/Ignore; else with Yes or No: Yes/No or Yes/No/Cancel; else
// with Retry: Retry/Cancel) and MB_HELP with mbHelp.
unsigned MessageBoxFlags(int kind, TMsgDlgButtons buttons);

// Where a box was asked to appear while one is shown (-1 otherwise); the
// box itself shows where the prompts put it.
extern int MessageBoxX;
extern int MessageBoxY;

// Shows a box and gives the id of the pressed button (IDOK ...). No
// caption: the kind's. The box's parent is the active window, if any.
int MessageBoxByKind(const std::optional<QString>& caption, const QString& text, int kind,
                     int helpContext, int x, int y, TMsgDlgButtons buttons);
int ShowMessageBox(const QString& text, int kind, TMsgDlgButtons buttons);
void ShowWarningBox(const QString& text);
int ShowErrorBox(const QString& text);

// The system caption font (platform/NonClient.h) and its height; 0 and
// none when the system gives none.
int GetCaptionFontHeight();
std::optional<platform::TFont> CreateCaptionFont();
