#include "platform/Picture.h"

#include "support/TempDir.h"

#include <QBuffer>
#include <QImage>

#include <gtest/gtest.h>
#include <zlib.h>

#include <sstream>

using namespace platform;
using testsupport::TempDir;

namespace {

std::string Encode(const QImage& image, const char* format, int quality = -1) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  EXPECT_TRUE(image.save(&buffer, format, quality)) << format;
  return bytes.toStdString();
}

// 3 x 2 pixels with straight alpha: opaque, half, and clear with a colour.
QImage AlphaImage() {
  QImage image(3, 2, QImage::Format_ARGB32);
  image.setPixel(0, 0, qRgba(200, 100, 50, 128));
  image.setPixel(1, 0, qRgba(10, 20, 30, 255));
  image.setPixel(2, 0, qRgba(255, 255, 255, 0));
  image.setPixel(0, 1, qRgba(0, 0, 0, 1));
  image.setPixel(1, 1, qRgba(255, 0, 255, 200));
  image.setPixel(2, 1, qRgba(1, 2, 3, 4));
  return image;
}

// Registers the PNG format for the life of a test.
struct PngRegistered {
  PngRegistered() { RegisterFileFormat(PngFormat()); }
  ~PngRegistered() { UnregisterFileFormat(QStringLiteral("png")); }
};

}  // namespace

TEST(Picture, PngLoadsOnlyOnceRegistered) {
  TempDir dir;
  dir.Write("a.png", Encode(AlphaImage(), "PNG"));
  Picture picture;
  std::string error;
  EXPECT_FALSE(IsFileFormatRegistered(QStringLiteral("png")));
  EXPECT_FALSE(picture.LoadFromFile(dir.File("a.png"), &error));
  EXPECT_EQ(error, "Unknown picture file extension (.png)");
  PngRegistered png;
  EXPECT_TRUE(picture.LoadFromFile(dir.File("a.png"), &error)) << error;
  EXPECT_EQ(picture.FormatExtension(), QStringLiteral("png"));
}

TEST(Picture, PngWithAlphaRoundTripsWithStraightAlpha) {
  PngRegistered png;
  QImage image = AlphaImage();
  Picture picture;
  std::string error;
  ASSERT_TRUE(picture.LoadFromBytes(Encode(image, "PNG"), QStringLiteral("png"), &error)) << error;
  const Bitmap& b = picture.Graphic();
  ASSERT_EQ(b.PixelFormat(), pf32bit);
  ASSERT_EQ(b.Width(), 3);
  ASSERT_EQ(b.Height(), 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(b.GetArgb(x, y), image.pixel(x, y)) << x << "," << y;
  EXPECT_EQ(b.ScanLine(0)[2], 200) << "red byte of a half-transparent pixel is not premultiplied";

  std::string bytes;
  ASSERT_TRUE(EncodePng(b, bytes, error)) << error;
  QImage back = QImage::fromData(QByteArray::fromStdString(bytes), "PNG")
                    .convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(back.pixel(x, y), image.pixel(x, y)) << x << "," << y;
}

TEST(Picture, SixteenBitPngWithoutGammaKeepsItsColours) {
  // A 16-bit file without gamma information holds the same sRGB values as
  // an 8-bit one; read as linear light, 128 would come out as 186.
  QImage image(2, 1, QImage::Format_RGBA64);
  image.setPixelColor(0, 0, QColor(128, 128, 128, 255));
  image.setPixelColor(1, 0, QColor(200, 100, 50, 128));
  std::string bytes = Encode(image, "PNG");
  ASSERT_EQ(uint8_t(bytes[24]), 16) << "the bit depth in the header";
  ASSERT_EQ(bytes.find("gAMA"), std::string::npos);
  Bitmap b;
  std::string error;
  ASSERT_TRUE(DecodePng(bytes, b, error)) << error;
  EXPECT_EQ(b.GetArgb(0, 0), qRgba(128, 128, 128, 255));
  EXPECT_EQ(b.GetArgb(1, 0), qRgba(200, 100, 50, 128));
}

TEST(Picture, DamagedPngIsRefusedAndThePictureKept) {
  PngRegistered png;
  QImage big(64, 64, QImage::Format_ARGB32);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) big.setPixel(x, y, qRgba(x * 4, y * 4, x ^ y, 255 - x));
  std::string bytes = Encode(big, "PNG");
  Picture picture;
  ASSERT_TRUE(picture.LoadFromBytes(bytes, QStringLiteral("png")));
  std::string error;
  EXPECT_FALSE(picture.LoadFromBytes(bytes.substr(0, bytes.size() / 2), QStringLiteral("png"), &error));
  EXPECT_NE(error.find("PNG"), std::string::npos) << error;
  EXPECT_EQ(picture.Width(), 64) << "the old picture stays";
  EXPECT_FALSE(picture.LoadFromBytes(bytes.substr(0, 20), QStringLiteral("png"), &error));
  std::string corrupt = bytes;
  corrupt[corrupt.size() / 2] ^= 0x55;
  EXPECT_FALSE(picture.LoadFromBytes(corrupt, QStringLiteral("png"), &error));
}

TEST(Picture, AbsurdPngDimensionsAreRefusedBeforeAllocating) {
  PngRegistered png;
  std::string bytes = Encode(AlphaImage(), "PNG");
  // IHDR data starts at byte 16: width and height, big-endian; its CRC
  // follows the 13 data bytes.
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + size_t(i)] = char((v >> (24 - 8 * i)) & 0xFF);
  };
  put32(16, 60000);
  put32(20, 60000);
  put32(29, uint32_t(crc32(0, reinterpret_cast<const Bytef*>(bytes.data() + 12), 17)));
  Picture picture;
  std::string error;
  EXPECT_FALSE(picture.LoadFromBytes(bytes, QStringLiteral("png"), &error));
  EXPECT_NE(error.find("too large"), std::string::npos) << error;
}

TEST(Picture, JpegLoadsAsTwentyFourBitAndTruncatedIsRefused) {
  QImage image(32, 16, QImage::Format_RGB32);
  image.fill(qRgb(200, 40, 90));
  std::string bytes = Encode(image, "JPG", 95);
  Picture picture;
  std::string error;
  ASSERT_TRUE(picture.LoadFromBytes(bytes, QStringLiteral("jpg"), &error)) << error;
  EXPECT_EQ(picture.Graphic().PixelFormat(), pf24bit);
  EXPECT_EQ(picture.Width(), 32);
  QRgb c = picture.Graphic().GetArgb(10, 10);
  EXPECT_NEAR(qRed(c), 200, 4);
  EXPECT_NEAR(qGreen(c), 40, 4);
  EXPECT_NEAR(qBlue(c), 90, 4);
  EXPECT_FALSE(picture.LoadFromBytes(bytes.substr(0, bytes.size() / 2), QStringLiteral("jpeg"), &error));
  EXPECT_NE(error.find("JPEG"), std::string::npos) << error;
  EXPECT_FALSE(picture.LoadFromBytes(std::string("\xFF\xD8\xFF garbage", 11), QStringLiteral("jpg"), &error));
}

TEST(Picture, BmpKeepsItsDepthAndIcoHasAlpha) {
  QImage image(5, 3, QImage::Format_RGB888);
  image.fill(qRgb(0, 0, 0));
  image.setPixel(4, 2, qRgb(1, 2, 3));
  Picture picture;
  std::string error;
  ASSERT_TRUE(picture.LoadFromBytes(Encode(image, "BMP"), QStringLiteral("bmp"), &error)) << error;
  EXPECT_EQ(picture.Graphic().PixelFormat(), pf24bit);
  EXPECT_EQ(picture.Graphic().GetPixel(4, 2), RGB(1, 2, 3));

  QImage icon(16, 16, QImage::Format_ARGB32);
  icon.fill(qRgba(0, 0, 0, 0));
  icon.setPixel(3, 3, qRgba(255, 0, 0, 255));
  ASSERT_TRUE(picture.LoadFromBytes(Encode(icon, "ICO"), QStringLiteral("ico"), &error)) << error;
  EXPECT_EQ(picture.Graphic().PixelFormat(), pf32bit);
  EXPECT_EQ(picture.Graphic().GetArgb(3, 3), qRgba(255, 0, 0, 255));
  EXPECT_EQ(qAlpha(picture.Graphic().GetArgb(0, 0)), 0);
}

TEST(Picture, MagicBytesDecideWhenTheExtensionLies) {
  PngRegistered png;
  TempDir dir;
  dir.Write("really-png.bmp", Encode(AlphaImage(), "PNG"));
  dir.Write("noise.dat", "just some text");
  dir.Write("noise.bmp", "BM but nothing that follows is a bitmap");
  Picture picture;
  std::string error;
  ASSERT_TRUE(picture.LoadFromFile(dir.File("really-png.bmp"), &error)) << error;
  EXPECT_EQ(picture.FormatExtension(), QStringLiteral("png"));
  EXPECT_FALSE(picture.LoadFromFile(dir.File("noise.dat"), &error));
  EXPECT_EQ(error, "Unknown picture file extension (.dat)");
  EXPECT_FALSE(picture.LoadFromFile(dir.File("noise.bmp"), &error));
  EXPECT_FALSE(picture.LoadFromFile(dir.File("missing.png"), &error));
  std::istringstream stream(Encode(AlphaImage(), "PNG"));
  EXPECT_TRUE(picture.LoadFromStream(stream, QString(), &error)) << "no extension: magic alone";
}
