// The library's start-up values, its third-party class lists, and the
// entry points into the adapters when no adapters are linked.
#include "skinlib/manager/LibraryConstants.h"

#include "platform/Colors.h"
#include "platform/Messages.h"
#include "platform/Startup.h"
#include "skinlib/manager/AdapterEntryPoints.h"
#include "skinlib/manager/SkinRecords.h"

#include <QLocale>
#include <QWidget>

#include <gtest/gtest.h>

using namespace platform;

namespace {

// The unit started under `locale` (the default locale for its life).
class StartedUnder {
 public:
  explicit StartedUnder(const QLocale& locale) : previous_(QLocale()) {
    QLocale::setDefault(locale);
    StartUnit("LibraryConstants");
  }
  ~StartedUnder() {
    FinishUnit("LibraryConstants");
    QLocale::setDefault(previous_);
  }

 private:
  QLocale previous_;
};

}  // namespace

TEST(LibraryConstants, StartUpSetsTheSkinCommandTheButtonWidthAndTheYearRule) {
  EXPECT_EQ(ScrollButtonWidth, 16);
  {
    const StartedUnder started(QLocale(QLocale::Chinese, QLocale::China));  // yyyy/M/d
    EXPECT_EQ(ScrollButtonWidth, GetSystemMetrics(SM_CXHSCROLL));
    EXPECT_TRUE(FourDigitYear);
    // The skin command travels as an event type of its own; its name was
    // registered by the start-up, before a name registered now.
    EXPECT_EQ(SkinCommandMsg, 0xA100u);
    EXPECT_TRUE(IsReservedMessageNumber(SkinCommandMsg));
    EXPECT_EQ(MessageEventType(SkinCommandMsg), QEvent::Type(0xA100));
    const unsigned later = RegisterWindowMessage(QStringLiteral("a name registered after the start-up"));
    const unsigned skinCommand = RegisterWindowMessage(QStringLiteral("sm_alphacmd"));
    EXPECT_GE(skinCommand, kFirstRegisteredMessage);
    EXPECT_LT(skinCommand, later);
  }
  EXPECT_EQ(ScrollButtonWidth, 16);
  {
    const StartedUnder started(QLocale(QLocale::English, QLocale::UnitedStates));  // M/d/yy
    EXPECT_FALSE(FourDigitYear);
  }
  {
    // A second start does nothing until the first has finished.
    const StartedUnder outer(QLocale(QLocale::German, QLocale::Germany));  // dd.MM.yy
    EXPECT_FALSE(FourDigitYear);
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    StartUnit("LibraryConstants");
    EXPECT_FALSE(FourDigitYear);
    FinishUnit("LibraryConstants");
  }
}

TEST(LibraryConstants, TheThirdPartyTables) {
  ASSERT_EQ(ThirdPartyAdapterTypes.size(), 18u);
  ASSERT_EQ(ThirdPartyDefaultClasses.size(), 18u);
  struct Row {
    int index;
    const char* type;
    QStringList classes;
  } rows[] = {
      {0, "Edit", {"TEdit", "TMemo", "TMaskEdit", "TLabeledEdit", "THotKey", "TListBox", "TCheckListBox",
                   "TRichEdit", "TDateTimePicker"}},
      {3, "CheckBox", {"TCheckBox", "TRadioButton", "TGroupButton"}},
      {4, "ComboBox", {"TComboBox", "TColorBox"}},
      {10, "wwEdit", {" "}},
      {11, "GridEh", {" "}},
      {12, "VirtualTree", {" "}},
      {17, "SpeedButton", {"TSpeedButton"}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.type);
    EXPECT_EQ(ThirdPartyAdapterTypes[size_t(r.index)], QString::fromLatin1(r.type));
    EXPECT_EQ(ThirdPartyDefaultClasses[size_t(r.index)].split(QStringLiteral("\r\n")), r.classes);
  }
  // No row is empty, and no class but the blanks' is named twice.
  QStringList all;
  for (const QString& classes : ThirdPartyDefaultClasses) {
    EXPECT_FALSE(classes.isEmpty());
    all += classes.split(QStringLiteral("\r\n"));
  }
  all.removeAll(QStringLiteral(" "));
  EXPECT_EQ(all.removeDuplicates(), 0);
}

TEST(LibraryConstants, RecordsAndNeutralAnswers) {
  EXPECT_EQ(EmptyCacheInfo.X, -99);
  EXPECT_EQ(EmptyCacheInfo.Y, -99);
  EXPECT_EQ(EmptyCacheInfo.Bitmap, nullptr);
  EXPECT_FALSE(EmptyCacheInfo.IsReady);
  EXPECT_EQ(KeyColor, 0xFF00FF);
  QWidget w;
  EXPECT_FALSE(IsBroadcastExcluded(&w));
  EXPECT_FALSE(IsBroadcastExcluded(nullptr));
}

TEST(AdapterEntryPoints, EmptySlotsGiveTheNeutralAnswers) {
  // This program links no adapters: every slot stays empty.
  QWidget w;
  w.ensurePolished();
  EXPECT_EQ(adapters::SendSkinCommandToHandle(&w, 7, 0), 0);
  EXPECT_EQ(adapters::GetControlBgColor(&w), KeyColor);
  EXPECT_FALSE(adapters::InstallDialogHook());
  adapters::RemoveDialogHook();
  adapters::RepaintDialogs();

  // A filled slot is called; emptied again, the neutral answer is back.
  int installs = 0;
  AdapterEntryPoints().InstallDialogHook = [&] { ++installs; };
  AdapterEntryPoints().GetControlBgColor = [](QWidget*) { return TColor(0x123456); };
  EXPECT_TRUE(adapters::InstallDialogHook());
  EXPECT_EQ(installs, 1);
  EXPECT_EQ(adapters::GetControlBgColor(&w), 0x123456);
  AdapterEntryPoints() = {};
  EXPECT_EQ(adapters::GetControlBgColor(&w), KeyColor);
}
