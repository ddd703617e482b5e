#include "skinlib/manager/LibraryConstants.h"

#include "platform/Messages.h"
#include "platform/Startup.h"

#include <QLocale>

int ScrollButtonWidth = 16;
bool FourDigitYear = false;

const std::array<QString, kThirdPartyKinds> ThirdPartyAdapterTypes{
    QStringLiteral("Edit"),        QStringLiteral("Button"),      QStringLiteral("BitBtn"),
    QStringLiteral("CheckBox"),    QStringLiteral("ComboBox"),    QStringLiteral("Grid"),
    QStringLiteral("GroupBox"),    QStringLiteral("ListView"),    QStringLiteral("Panel"),
    QStringLiteral("TreeView"),    QStringLiteral("wwEdit"),      QStringLiteral("GridEh"),
    QStringLiteral("VirtualTree"), QStringLiteral("PageControl"), QStringLiteral("TabControl"),
    QStringLiteral("ToolBar"),     QStringLiteral("StatusBar"),   QStringLiteral("SpeedButton"),
};

const std::array<QString, kThirdPartyKinds> ThirdPartyDefaultClasses{
    QStringLiteral("TEdit\r\nTMemo\r\nTMaskEdit\r\nTLabeledEdit\r\nTHotKey\r\nTListBox\r\n"
                   "TCheckListBox\r\nTRichEdit\r\nTDateTimePicker"),
    QStringLiteral("TButton"),
    QStringLiteral("TBitBtn"),
    QStringLiteral("TCheckBox\r\nTRadioButton\r\nTGroupButton"),
    QStringLiteral("TComboBox\r\nTColorBox"),
    QStringLiteral("TStringGrid\r\nTDrawGrid"),
    QStringLiteral("TGroupBox\r\nTRadioGroup"),
    QStringLiteral("TListView"),
    QStringLiteral("TPanel"),
    QStringLiteral("TTreeView"),
    QStringLiteral(" "),
    QStringLiteral(" "),
    QStringLiteral(" "),
    QStringLiteral("TPageControl"),
    QStringLiteral("TTabControl"),
    QStringLiteral("TToolBar"),
    QStringLiteral("TStatusBar"),
    QStringLiteral("TSpeedButton"),
};

bool IsBroadcastExcluded(const QWidget*) { return false; }

namespace {

void StartConstants() {
  ScrollButtonWidth = platform::GetSystemMetrics(platform::SM_CXHSCROLL);
  // The registered number is not used: the skin command has its fixed one.
  platform::RegisterWindowMessage(QString::fromLatin1(kSkinCommandName));
  platform::ReserveMessageNumbers(SkinCommandMsg, SkinCommandMsg);
  FourDigitYear = QLocale().dateFormat(QLocale::ShortFormat).toUpper().contains(QStringLiteral("YYYY"));
}

void FinishConstants() {
  ScrollButtonWidth = 16;
  FourDigitYear = false;
}

[[maybe_unused]] const bool registered =
    platform::RegisterUnit("LibraryConstants", StartConstants, FinishConstants);

}  // namespace
