#include "platform/Colors.h"
#include "platform/WinTypes.h"

#include <gtest/gtest.h>

#include <climits>

using namespace platform;

TEST(Colors, TColorIsBlueGreenRedFromTheHighByteDown) {
  EXPECT_EQ(clRed, 0x0000FF);
  EXPECT_EQ(RGB(0xA6, 0xCA, 0xF0), clSkyBlue);
  EXPECT_EQ(ToQColor(clSkyBlue), QColor(0xA6, 0xCA, 0xF0));
  EXPECT_EQ(ToQRgb(RGB(1, 2, 3)), qRgb(1, 2, 3));
  EXPECT_EQ(FromQColor(QColor(1, 2, 3)), RGB(1, 2, 3));
  EXPECT_EQ(FromQRgb(qRgba(1, 2, 3, 9)), RGB(1, 2, 3)) << "alpha dropped";
  EXPECT_EQ(GetRValue(clPurple), 0x80);
  EXPECT_EQ(GetBValue(clPurple), 0x80);
  EXPECT_EQ(GetGValue(clPurple), 0);
}

TEST(Colors, SystemColoursComeFromTheFixedTable) {
  EXPECT_LT(clBtnFace, 0) << "system colours are negative";
  EXPECT_EQ(clBtnFace, TColor(0xFF00000F));
  EXPECT_EQ(ColorToRGB(clBtnFace), RGB(212, 208, 200));
  EXPECT_EQ(ColorToRGB(clWindow), RGB(255, 255, 255));
  EXPECT_EQ(ColorToRGB(clWindowText), 0);
  EXPECT_EQ(ToQColor(clHighlight), QColor(10, 36, 106));
  EXPECT_EQ(ColorToRGB(clRed), clRed) << "plain colours pass unchanged";
  EXPECT_EQ(ColorToRGB(clNone), clNone);
  EXPECT_EQ(GetSysColor(99), 0);
  EXPECT_EQ(GetSysColor(-1), 0);
}

TEST(Colors, SystemMetricsAreFixed) {
  EXPECT_EQ(GetSystemMetrics(SM_CXVSCROLL), 16);
  EXPECT_EQ(GetSystemMetrics(SM_CYMENU), 19);
  EXPECT_EQ(GetSystemMetrics(SM_CXSMICON), 16);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1920);
  EXPECT_EQ(GetSystemMetrics(9999), 0);
}

TEST(MulDiv, RoundsHalvesAwayFromZero) {
  EXPECT_EQ(MulDiv(5, 1, 2), 3);
  EXPECT_EQ(MulDiv(-5, 1, 2), -3);
  EXPECT_EQ(MulDiv(5, 1, -2), -3);
  EXPECT_EQ(MulDiv(-5, -1, -2), -3);
  EXPECT_EQ(MulDiv(7, 96, 72), 9);
  EXPECT_EQ(MulDiv(4, 1, 3), 1);
  EXPECT_EQ(MulDiv(-12, 72, 96), -9);
}

TEST(MulDiv, UsesA64BitProductAndFailsWithMinusOne) {
  EXPECT_EQ(MulDiv(100000, 100000, 100000), 100000);
  EXPECT_EQ(MulDiv(INT_MAX, INT_MAX, INT_MAX), INT_MAX);
  EXPECT_EQ(MulDiv(10, 20, 0), -1) << "zero divisor";
  EXPECT_EQ(MulDiv(INT_MAX, 2, 1), -1) << "result beyond 32 bits";
  EXPECT_EQ(MulDiv(INT_MIN, 1, 1), -1);
}

TEST(Rects, IntersectOffsetInflate) {
  EXPECT_EQ(IntersectRect(Rect(0, 0, 10, 10), Rect(5, 5, 20, 20)), Rect(5, 5, 10, 10));
  EXPECT_EQ(IntersectRect(Rect(0, 0, 5, 5), Rect(5, 0, 9, 5)), TRect{}) << "edges exclusive";
  EXPECT_EQ(OffsetRect(Rect(1, 2, 3, 4), 10, 20), Rect(11, 22, 13, 24));
  EXPECT_EQ(InflateRect(Rect(5, 5, 6, 6), 1, 2), Rect(4, 3, 7, 8));
  EXPECT_TRUE(Rect(0, 0, 3, 3).Contains(2, 2));
  EXPECT_FALSE(Rect(0, 0, 3, 3).Contains(3, 0));
}
