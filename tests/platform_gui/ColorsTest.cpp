#include "platform/Colors.h"
#include "platform/WinTypes.h"

#include <QString>

#include <gtest/gtest.h>

#include <climits>

using namespace platform;

TEST(Colors, TColorIsBlueGreenRedFromTheHighByteDownAndSystemColoursResolve) {
  EXPECT_EQ(RGB(0xA6, 0xCA, 0xF0), clSkyBlue);
  EXPECT_EQ((std::array{GetRValue(clTeal), GetGValue(clTeal), GetBValue(clTeal)}), (std::array{0, 0x80, 0x80}));
  EXPECT_EQ(ToQColor(clSkyBlue), QColor(0xA6, 0xCA, 0xF0));
  EXPECT_EQ(FromQColor(QColor(1, 2, 3)), RGB(1, 2, 3));
  EXPECT_EQ(FromQRgb(qRgba(1, 2, 3, 9)), RGB(1, 2, 3)) << "alpha dropped";
  EXPECT_EQ(clBtnFace, TColor(0xFF00000F)) << "system colours are negative";
  EXPECT_EQ(ToQRgb(clHighlight), qRgb(10, 36, 106));
  EXPECT_EQ(ColorToRGB(clRed), clRed) << "plain colours pass unchanged";
  EXPECT_EQ(ColorToRGB(clNone), clNone);
}

// The classic scheme and a 1920 x 1080 screen, the same on every machine:
// every entry of both tables, as $BBGGRR by index and as index:value.
TEST(Colors, SystemColourAndMetricsTablesAreFixed) {
  QString colours, metrics;
  for (int i = -1; i <= 31; ++i) colours += QString::asprintf("%06X ", GetSysColor(i));
  for (int i = -1; i < 100; ++i)
    if (GetSystemMetrics(i)) metrics += QString::asprintf("%d:%d ", i, GetSystemMetrics(i));
  EXPECT_EQ(colours.toStdString(),
            "000000 C8D0D4 A56E3A 6A240A 808080 C8D0D4 FFFFFF 000000 000000 000000 FFFFFF C8D0D4 C8D0D4 "
            "808080 6A240A FFFFFF C8D0D4 808080 6D6D6D 000000 C8D0D4 FFFFFF 404040 C8D0D4 000000 E1FFFF "
            "000000 800000 F0CAA6 C0C0C0 6A240A C8D0D4 000000 ");
  EXPECT_EQ(metrics.toStdString(),
            "0:1920 1:1080 2:16 3:16 4:19 5:1 6:1 7:3 8:3 9:16 10:16 11:32 12:32 13:32 14:32 15:19 16:1920 "
            "17:1031 19:1 20:16 21:16 28:112 29:27 30:18 31:18 32:4 33:4 34:112 35:27 36:4 37:4 38:75 39:75 "
            "45:2 46:2 49:16 50:16 51:16 52:12 53:15 54:18 55:18 57:160 58:27 61:1928 62:1058 68:4 69:4 71:13 "
            "72:13 80:1 83:1 84:1 ");
}

TEST(MulDiv, RoundsHalvesAwayFromZeroWithA64BitProductAndFailsWithMinusOne) {
  const std::vector<std::tuple<int32_t, int32_t, int32_t, int32_t>> cases{
      {5, 1, 2, 3},      {-5, 1, 2, -3},   {5, 1, -2, -3},  {-5, -1, -2, -3},   {7, 96, 72, 9},
      {4, 1, 3, 1},      {-12, 72, 96, -9}, {100000, 100000, 100000, 100000}, {INT_MAX, INT_MAX, INT_MAX, INT_MAX},
      {10, 20, 0, -1},   {INT_MAX, 2, 1, -1}, {INT_MIN, 1, 1, -1}, {-INT_MAX, 1, 1, -INT_MAX}};
  for (auto [a, b, c, want] : cases) EXPECT_EQ(MulDiv(a, b, c), want) << a << " * " << b << " / " << c;
}

TEST(Rects, EdgesAreExclusiveAndNoOverlapIsAllZero) {
  EXPECT_EQ((std::array{IntersectRect(Rect(0, 0, 10, 10), Rect(5, 5, 20, 20)),
                         IntersectRect(Rect(3, 4, 5, 9), Rect(5, 4, 9, 9)), OffsetRect(Rect(1, 2, 3, 4), 10, 20),
                         InflateRect(Rect(5, 5, 6, 6), 1, 2), Bounds(1, 2, 3, 4)}),
            (std::array{Rect(5, 5, 10, 10), TRect{}, Rect(11, 22, 13, 24), Rect(4, 3, 7, 8), Rect(1, 2, 4, 6)}));
  EXPECT_EQ((std::array{Rect(0, 0, 3, 3).Contains(2, 2), Rect(0, 0, 3, 3).Contains(3, 0),
                        Rect(0, 0, 3, 3).Contains(0, 3), Rect(2, 2, 2, 5).IsEmpty()}),
            (std::array{true, false, false, true}));
}
