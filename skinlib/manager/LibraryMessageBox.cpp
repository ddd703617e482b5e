#include "skinlib/manager/LibraryMessageBox.h"

#include "platform/NonClient.h"
#include "platform/UserPrompts.h"

#include <QApplication>

using namespace platform;

int MessageBoxX = -1;
int MessageBoxY = -1;

namespace {

struct KindEntry {
  unsigned Icon;
  const char* Caption;
};
constexpr KindEntry kKinds[] = {{MB_ICONWARNING, "Warning"},
                                {MB_ICONERROR, "Error"},
                                {MB_ICONINFORMATION, "Information"},
                                {MB_ICONQUESTION, "Confirm"},
                                {0, ""}};

const KindEntry& EntryOf(int kind) { return kind >= 0 && kind < 5 ? kKinds[kind] : kKinds[4]; }

}  // namespace

QString MessageKindCaption(int kind) { return QString::fromLatin1(EntryOf(kind).Caption); }

unsigned MessageBoxFlags(int kind, TMsgDlgButtons b) {
  unsigned flags = EntryOf(kind).Icon | MB_TOPMOST | MB_SETFOREGROUND;
  if (b & mbOK)
    flags |= b & mbCancel ? MB_OKCANCEL : MB_OK;
  else if (b & (mbAbort | mbIgnore))
    flags |= MB_ABORTRETRYIGNORE;
  else if (b & (mbYes | mbNo))
    flags |= b & mbCancel ? MB_YESNOCANCEL : MB_YESNO;
  else if (b & mbRetry)
    flags |= MB_RETRYCANCEL;
  if (b & mbHelp) flags |= MB_HELP;
  return flags;
}

int MessageBoxByKind(const std::optional<QString>& caption, const QString& text, int kind,
                     int /*helpContext*/, int x, int y, TMsgDlgButtons buttons) {
  struct Position {
    Position(int x, int y) { MessageBoxX = x, MessageBoxY = y; }
    ~Position() { MessageBoxX = MessageBoxY = -1; }
  } position(x, y);
  return Prompts().MessageBox(QApplication::activeWindow(), text,
                              caption ? *caption : MessageKindCaption(kind),
                              MessageBoxFlags(kind, buttons));
}

int ShowMessageBox(const QString& text, int kind, TMsgDlgButtons buttons) {
  return MessageBoxByKind(std::nullopt, text, kind, 0, -1, -1, buttons);
}

void ShowWarningBox(const QString& text) { ShowMessageBox(text, mkWarning, mbOK); }

int ShowErrorBox(const QString& text) { return ShowMessageBox(text, mkError, mbOK); }

int GetCaptionFontHeight() {
  NONCLIENTMETRICS metrics;
  if (!SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics)) return 0;
  return metrics.lfCaptionFont.Height;
}

std::optional<TFont> CreateCaptionFont() {
  NONCLIENTMETRICS metrics;
  if (!SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics)) return std::nullopt;
  return metrics.lfCaptionFont;
}
