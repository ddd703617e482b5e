#include "platform/Picture.h"

#include "support/TempDir.h"

#include <QBuffer>
#include <QImage>

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <jpeglib.h>

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
  const QRgb pixels[] = {qRgba(200, 100, 50, 128), qRgba(10, 20, 30, 255), qRgba(255, 255, 255, 0),
                         qRgba(0, 0, 0, 1),        qRgba(255, 0, 255, 200), qRgba(1, 2, 3, 4)};
  for (int i = 0; i < 6; ++i) image.setPixel(i % 3, i / 3, pixels[i]);
  return image;
}

// A 16 x 8 JPEG of one four-ink colour, as `space` (CMYK or YCCK), with or
// without the Adobe marker (whose files store the inks inverted).
std::string CmykJpeg(std::array<uint8_t, 4> ink, bool adobe, J_COLOR_SPACE space) {
  jpeg_compress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &out, &size);
  info.image_width = 16;
  info.image_height = 8;
  info.input_components = 4;
  info.in_color_space = JCS_CMYK;
  jpeg_set_defaults(&info);
  jpeg_set_colorspace(&info, space);
  info.write_Adobe_marker = adobe;
  jpeg_set_quality(&info, 100, TRUE);
  jpeg_start_compress(&info, TRUE);
  std::vector<uint8_t> row(16 * 4);
  for (size_t i = 0; i < row.size(); ++i) row[i] = ink[i % 4];
  for (JSAMPROW r = row.data(); info.next_scanline < info.image_height;) jpeg_write_scanlines(&info, &r, 1);
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::string bytes(reinterpret_cast<const char*>(out), size);
  std::free(out);
  return bytes;
}

// Registers the PNG format for the life of a test.
struct PngRegistered {
  PngRegistered() { RegisterFileFormat(PngFormat()); }
  ~PngRegistered() { UnregisterFileFormat(QStringLiteral("png")); }
};

}  // namespace

TEST(Picture, TheFileDecidesTheReaderAndPngOnlyOnceRegistered) {
  TempDir dir;
  const std::string png = Encode(AlphaImage(), "PNG");
  dir.Write("a.png", png);
  dir.Write("really-png.bmp", png);
  dir.Write("noise.dat", "just some text");
  dir.Write("noise.bmp", "BM but nothing that follows is a bitmap");
  Picture picture;
  std::string error;
  EXPECT_FALSE(IsFileFormatRegistered(QStringLiteral("png")));
  EXPECT_FALSE(picture.LoadFromFile(dir.File("a.png"), &error));
  EXPECT_EQ(error, "Unknown picture file extension (.png)");
  PngRegistered registered;
  EXPECT_TRUE(IsFileFormatRegistered(QStringLiteral("PNG")));
  EXPECT_TRUE(picture.LoadFromFile(dir.File("a.png"), &error)) << error;
  // The magic bytes decide when the extension lies or is missing.
  ASSERT_TRUE(picture.LoadFromFile(dir.File("really-png.bmp"), &error)) << error;
  EXPECT_EQ(picture.FormatExtension(), QStringLiteral("png"));
  std::istringstream stream(png);
  EXPECT_TRUE(picture.LoadFromStream(stream, QString(), &error));
  EXPECT_FALSE(picture.LoadFromFile(dir.File("noise.dat"), &error));
  EXPECT_EQ(error, "Unknown picture file extension (.dat)");
  EXPECT_FALSE(picture.LoadFromFile(dir.File("noise.bmp"), &error));
  EXPECT_FALSE(picture.LoadFromFile(dir.File("missing.png"), &error));
  EXPECT_EQ(picture.Width(), 3) << "a failed load keeps the picture";
  // Formats of one's own, found by extension in any case; a second one replaces the first.
  for (int height : {5, 7})
    RegisterFileFormat({QStringLiteral("tst"), QStringLiteral("Test"),
                        [height](std::string_view, Bitmap& out, std::string&) {
                          out = Bitmap(1, height);
                          return true;
                        },
                        {}});
  EXPECT_TRUE(picture.LoadFromBytes("anything", QStringLiteral("Tst")));
  EXPECT_EQ(picture.Height(), 7);
  UnregisterFileFormat(QStringLiteral("tst"));
  EXPECT_FALSE(IsFileFormatRegistered(QStringLiteral("TST")));
}

TEST(Picture, PngWithAlphaRoundTripsWithStraightAlpha) {
  const QImage image = AlphaImage();
  Bitmap b;
  std::string error, bytes;
  ASSERT_TRUE(DecodePng(Encode(image, "PNG"), b, error)) << error;
  ASSERT_EQ(b.PixelFormat(), pf32bit);
  EXPECT_EQ(b.ScanLine(0)[2], 200) << "red byte of a half-transparent pixel is not premultiplied";
  ASSERT_TRUE(EncodePng(b, bytes, error)) << error;
  QImage back = QImage::fromData(QByteArray::fromStdString(bytes), "PNG").convertToFormat(QImage::Format_ARGB32);
  for (int i = 0; i < 6; ++i) {
    const QRgb want = image.pixel(i % 3, i / 3);
    EXPECT_EQ(std::pair(b.GetArgb(i % 3, i / 3), back.pixel(i % 3, i / 3)), std::pair(want, want)) << i;
  }
  Bitmap grey(2, 1, pf8bit);
  grey.Fill(qRgb(90, 90, 90));
  ASSERT_TRUE(EncodePng(grey, bytes, error));
  EXPECT_EQ(QImage::fromData(QByteArray::fromStdString(bytes), "PNG").pixel(1, 0), qRgb(90, 90, 90));
  EXPECT_FALSE(EncodePng(Bitmap(), bytes, error));
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
  EXPECT_EQ(std::pair(b.GetArgb(0, 0), b.GetArgb(1, 0)),
            std::pair(qRgba(128, 128, 128, 255), qRgba(200, 100, 50, 128)));
}

TEST(Picture, DamagedOrAbsurdFilesAreRefusedWithAMessage) {
  PngRegistered registered;
  QImage big(64, 64, QImage::Format_ARGB32);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) big.setPixel(x, y, qRgba(x * 4, y * 4, x ^ y, 255 - x));
  const std::string png = Encode(big, "PNG"), jpeg = Encode(big, "JPG");
  std::string corrupt = png, huge = Encode(AlphaImage(), "PNG");
  corrupt[corrupt.size() / 2] ^= 0x55;
  // IHDR data starts at byte 16: width and height, big-endian; its CRC
  // follows the 13 data bytes.
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) huge[at + size_t(i)] = char((v >> (24 - 8 * i)) & 0xFF);
  };
  put32(16, 60000);
  put32(20, 60000);
  put32(29, uint32_t(crc32(0, reinterpret_cast<const Bytef*>(huge.data() + 12), 17)));
  const std::vector<std::tuple<std::string, const char*, std::string>> cases{
      {png.substr(0, png.size() / 2), "png", "Damaged PNG image"},
      {png.substr(0, 20), "png", "Not a valid PNG"},
      {corrupt, "png", "Damaged PNG image"},
      {huge, "png", "Image of 60000 x 60000 pixels is too large"},
      {jpeg.substr(0, jpeg.size() - 100), "jpeg", "Damaged JPEG image: the file ends too early"},
      {std::string("\xFF\xD8\xFF garbage", 11), "jpg", "Not a valid JPEG image"},
      {"BM" + std::string(24, '\0'), "dat", "Not a valid bmp image"}};  // as long as the shortest header
  Picture picture;
  ASSERT_TRUE(picture.LoadFromBytes(png, QStringLiteral("png")));
  for (auto& [bytes, ext, message] : cases) {
    std::string error;
    EXPECT_FALSE(picture.LoadFromBytes(bytes, QString::fromLatin1(ext), &error)) << message;
    EXPECT_EQ(error.substr(0, message.size()), message);
  }
  EXPECT_EQ(picture.Width(), 64) << "the old picture stays";
}

TEST(Picture, JpegLoadsAsTwentyFourBitRgbFromRgbCmykAndYcck) {
  QImage rgb(32, 16, QImage::Format_RGB32);
  rgb.fill(qRgb(160, 80, 40));
  // The same colour as inks: c, m, y read as red, green, blue, and k
  // (204 of 255) darkening all three.
  const std::vector<std::pair<const char*, std::string>> cases{
      {"RGB", Encode(rgb, "JPG", 100)},
      {"CMYK, Adobe", CmykJpeg({200, 100, 50, 204}, true, JCS_CMYK)},
      {"CMYK, plain inks", CmykJpeg({55, 155, 205, 51}, false, JCS_CMYK)},
      {"YCCK", CmykJpeg({200, 100, 50, 204}, true, JCS_YCCK)}};
  for (auto& [what, bytes] : cases) {
    Picture picture;
    std::string error;
    ASSERT_TRUE(picture.LoadFromBytes(bytes, QStringLiteral("jpg"), &error)) << what << ": " << error;
    const QRgb c = picture.Graphic().GetArgb(10, 5);
    EXPECT_EQ(picture.Graphic().PixelFormat(), pf24bit) << what;
    EXPECT_LE(std::max({std::abs(qRed(c) - 160), std::abs(qGreen(c) - 80), std::abs(qBlue(c) - 40)}), 3) << what;
  }
}

TEST(Picture, BmpKeepsItsDepthAndIcoHasAlpha) {
  // Qt writes grey images as 8 bits a pixel with a palette.
  const std::vector<std::pair<QImage::Format, TPixelFormat>> cases{{QImage::Format_RGB888, pf24bit},
                                                                   {QImage::Format_Grayscale8, pfDevice}};
  for (auto [qtFormat, format] : cases) {
    QImage image(5, 3, qtFormat);
    image.fill(qRgb(0, 0, 0));
    image.setPixel(4, 2, qtFormat == QImage::Format_RGB888 ? qRgb(1, 2, 3) : 77);
    Picture picture;
    std::string error;
    ASSERT_TRUE(picture.LoadFromBytes(Encode(image, "BMP"), QStringLiteral("bmp"), &error)) << error;
    EXPECT_EQ(std::pair(picture.Graphic().PixelFormat(), picture.Graphic().GetArgb(4, 2)),
              std::pair(format, image.pixel(4, 2)));
  }
  QImage icon(16, 16, QImage::Format_ARGB32);
  icon.fill(qRgba(0, 0, 0, 0));
  icon.setPixel(3, 3, qRgba(255, 0, 0, 255));
  Picture picture;  // the bytes tell an icon from a bitmap
  ASSERT_TRUE(picture.LoadFromBytes(Encode(icon, "ICO"), QStringLiteral("bmp")));
  EXPECT_EQ(std::tuple(picture.FormatExtension(), picture.Graphic().PixelFormat(), picture.Graphic().GetArgb(3, 3),
                       picture.Graphic().GetArgb(0, 0) >> 24),
            std::tuple(QStringLiteral("ico"), pf32bit, qRgba(255, 0, 0, 255), 0u));
  Bitmap target(32, 32, pf24bit);
  target.Fill(qRgb(0, 0, 255));
  Picture().Draw(target.GetCanvas(), Rect(0, 0, 32, 32));  // nothing to draw
  picture.Draw(target.GetCanvas(), Rect(0, 0, 24, 24));
  EXPECT_EQ(std::pair(target.GetPixel(5, 5), target.GetPixel(25, 25)), std::pair(clRed, clBlue)) << "stretched";
}
