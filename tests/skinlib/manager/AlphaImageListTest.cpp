// The alpha image list: stored files byte for byte, images made from them
// when the list is ready, images without alpha given one, and the failure
// of one item that does not stop the others.
#include "skinlib/manager/acAlphaImageList.h"

#include "platform/Picture.h"
#include "platform/Startup.h"
#include "skinlib/manager/LibraryConstants.h"

#include <gtest/gtest.h>

using namespace platform;

namespace {

// A PNG file of `w` x `h` pixels of one colour with alpha.
std::string Png(int w, int h, QRgb argb) {
  Bitmap b(w, h, pf32bit);
  b.Fill(argb);
  std::string bytes, error;
  EXPECT_TRUE(EncodePng(b, bytes, error)) << error;
  return bytes;
}

void PutLe(std::string& out, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(char((v >> (8 * i)) & 0xFF));
}

// A 32-bit icon file of one w x w image of one colour.
std::string Ico(int w, QRgb argb) {
  std::string pixels, mask;
  for (int y = 0; y < w; ++y) {
    for (int x = 0; x < w; ++x) PutLe(pixels, argb, 4);  // B, G, R, A in the low-to-high bytes
    mask.append(size_t((w + 31) / 32 * 4), '\0');
  }
  const uint32_t size = 40 + uint32_t(pixels.size() + mask.size());
  std::string f;
  PutLe(f, 0, 2), PutLe(f, 1, 2), PutLe(f, 1, 2);                  // header: an icon, one image
  PutLe(f, uint32_t(w), 1), PutLe(f, uint32_t(w), 1), PutLe(f, 0, 2);  // size, colours, reserved
  PutLe(f, 1, 2), PutLe(f, 32, 2), PutLe(f, size, 4), PutLe(f, 22, 4);
  PutLe(f, 40, 4), PutLe(f, uint32_t(w), 4), PutLe(f, uint32_t(2 * w), 4);  // BITMAPINFOHEADER
  PutLe(f, 1, 2), PutLe(f, 32, 2), PutLe(f, 0, 4), PutLe(f, 0, 4);
  for (int i = 0; i < 4; ++i) PutLe(f, 0, 4);
  return f + pixels + mask;
}

TsImgListItem& AddItem(TsAlphaImageList& list, std::string data, TsImageFormat format = ifPNG) {
  TsImgListItem& item = list.Items().Add();
  item.ImageFormat = format;
  item.ImgData = std::move(data);
  return item;
}

// The list drawn over a grey canvas of one image's size.
Bitmap Drawn(TsAlphaImageList& list, int index) {
  Bitmap canvas(list.Width(), list.Height(), pf24bit);
  canvas.Fill(qRgb(128, 128, 128));
  list.Draw(canvas.GetCanvas(), 0, 0, index);
  return canvas;
}

}  // namespace

TEST(AlphaImageList, ThePropertyStreamKeepsTheFilesByteForByte) {
  const std::string red = Png(16, 16, qRgba(255, 0, 0, 255)), clear = Png(8, 8, qRgba(0, 0, 255, 60)),
                    icon = Ico(16, qRgba(0, 200, 0, 255));
  std::string stream;
  {
    TsAlphaImageList list;
    list.SetSize(16, 16);
    list.ShareImages = true;
    list.BkColor = 0x123456;
    AddItem(list, red);
    AddItem(list, clear).PixelFormat = pf24bit;
    AddItem(list, icon, ifICO);
    stream = list.PropertyStream();
  }
  const std::unique_ptr<TsAlphaImageList> read = TsAlphaImageList::FromPropertyStream(stream);
  EXPECT_FALSE(read->IsLoading());
  EXPECT_TRUE(read->Generated);
  EXPECT_TRUE(read->ShareImages);
  EXPECT_EQ(read->BkColor, 0x123456);
  ASSERT_EQ(read->Items().Count(), 3);
  EXPECT_EQ(read->Items()[0].ImgData, red);
  EXPECT_EQ(read->Items()[1].ImgData, clear);
  EXPECT_EQ(read->Items()[1].PixelFormat, pf24bit);
  EXPECT_EQ(read->Items()[2].ImgData, icon);
  EXPECT_EQ(read->Items()[2].ImageFormat, ifICO);
  EXPECT_EQ(read->PropertyStream(), stream);  // written again: the same bytes
  // The images are made from the files, each at the list's size.
  ASSERT_EQ(read->Count(), 3);
  EXPECT_EQ(Drawn(*read, 0).GetPixel(5, 5), RGB(255, 0, 0));
  EXPECT_EQ(Drawn(*read, 2).GetPixel(5, 5), RGB(0, 200, 0));
  const TColor mixed = Drawn(*read, 1).GetPixel(5, 5);  // a fourth covered
  EXPECT_GT(GetBValue(mixed), 128);
  EXPECT_LT(GetRValue(mixed), 128);
  EXPECT_EQ(Drawn(*read, 1).GetPixel(14, 14), mixed);  // the 8 x 8 file fills the 16 x 16 image
  std::unique_ptr<Icon> second(read->Handle()->GetIcon(1, ILD_NORMAL));
  EXPECT_EQ(std::pair(second->Width(), second->Height()), std::pair(16, 16));
  // A PNG's image is opaque in its mask: its alpha gives the shape.
  std::unique_ptr<Icon> first(read->Handle()->GetIcon(0, ILD_NORMAL));
  ASSERT_NE(first, nullptr);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) ASSERT_EQ(first->Mask().GetArgb(x, y) & 0xFFFFFF, 0u) << x << "," << y;

  // Values outside their range read as the nearest allowed one.
  TacPropertyWriter w;
  w.WriteInteger("Width", 4);
  w.WriteInteger("Height", 4);
  w.BeginCollection("Items", 1);
  w.WriteInteger("ImageFormat", 7);
  w.WriteInteger("PixelFormat", 99);
  w.WriteBinary("ImgData", Png(4, 4, qRgba(1, 1, 1, 255)));
  w.EndItem();
  w.EndList();
  const std::unique_ptr<TsAlphaImageList> odd = TsAlphaImageList::FromPropertyStream(w.Bytes());
  EXPECT_EQ(odd->Items()[0].PixelFormat, pf32bit);
  EXPECT_EQ(odd->Items()[0].ImageFormat, ifPNG);
  EXPECT_EQ(odd->Count(), 1);

  EXPECT_THROW(TsAlphaImageList::FromPropertyStream(stream.substr(0, stream.size() - 2)), EPropertyStreamError);
  EXPECT_THROW(TsAlphaImageList::FromPropertyStream(stream + "x"), EPropertyStreamError);
}

TEST(AlphaImageList, AListWithoutItemsStaysUngeneratedAndTriesAgain) {
  TsAlphaImageList list(TacLoadingState::Origin::StoredData);
  EXPECT_TRUE(list.IsLoading());
  EXPECT_FALSE(list.HandleAllocated());  // nothing made while loading
  list.Loaded();
  EXPECT_TRUE(list.HandleAllocated());
  EXPECT_FALSE(list.Generated);
  AddItem(list, Png(16, 16, qRgba(1, 2, 3, 255)));
  list.Loaded();
  EXPECT_TRUE(list.Generated);
  EXPECT_EQ(list.Count(), 1);
}

TEST(AlphaImageList, AssigningNilOrAnotherList) {
  TsAlphaImageList source;
  source.SetSize(8, 8);
  source.ShareImages = true;
  source.Masked = false;
  AddItem(source, Png(8, 8, qRgba(0, 0, 255, 255)));
  AddItem(source, Png(8, 8, qRgba(0, 255, 0, 255)));
  source.GenerateStdList();

  TsAlphaImageList copy;
  int changes = 0;
  copy.OnChange = [&](TsAlphaImageList&) { ++changes; };
  copy.Assign(&source);
  EXPECT_EQ(changes, 0);  // no change notice
  EXPECT_FALSE(copy.Updating);
  EXPECT_TRUE(copy.ShareImages);
  EXPECT_FALSE(copy.Masked);
  EXPECT_EQ(copy.Width(), 8);
  ASSERT_EQ(copy.Count(), 2);
  EXPECT_EQ(Drawn(copy, 1).GetPixel(3, 3), RGB(0, 255, 0));
  EXPECT_EQ(copy.Items()[0].ImgData, source.Items()[0].ImgData);

  copy.Assign(nullptr);
  EXPECT_FALSE(copy.HandleAllocated());
  EXPECT_EQ(copy.Count(), 0);
  EXPECT_EQ(changes, 1);
  Bitmap canvas(8, 8, pf24bit);
  copy.Draw(canvas.GetCanvas(), 0, 0, 0);  // no list: nothing, no crash
}

TEST(AlphaImageList, AnIconWithoutAlphaShowsItsMagentaTransparent) {
  TsAlphaImageList list;
  list.SetSize(4, 1);
  AddItem(list, Png(4, 1, qRgba(9, 9, 9, 255)));
  list.GenerateStdList();
  // Colour without alpha under an all-opaque mask: magenta at x 1 and 3.
  Bitmap color(4, 1, pf24bit);
  for (int x = 0; x < 4; ++x) color.SetPixel(x, 0, x % 2 ? RGB(255, 0, 255) : RGB(10, 200, 30));
  Bitmap mask(4, 1, pf1bit);
  mask.Fill(qRgb(0, 0, 0));
  const Icon icon(color, mask);
  ASSERT_FALSE(icon.HasAlpha());
  EXPECT_EQ(list.AddIcon(icon), 1);
  const Bitmap drawn = Drawn(list, 1);
  EXPECT_EQ(drawn.GetPixel(0, 0), RGB(10, 200, 30));
  EXPECT_EQ(drawn.GetPixel(1, 0), RGB(128, 128, 128));
  EXPECT_EQ(drawn.GetPixel(2, 0), RGB(10, 200, 30));
  EXPECT_EQ(drawn.GetPixel(3, 0), RGB(128, 128, 128));
  // The stored item's image keeps its own alpha.
  EXPECT_EQ(Drawn(list, 0).GetPixel(0, 0), RGB(9, 9, 9));
}

TEST(AlphaImageList, AnItemThatCannotBeReadLeavesAnEmptyImage) {
  TsAlphaImageList list(TacLoadingState::Origin::StoredData);
  list.SetSize(4, 4);
  AddItem(list, Png(4, 4, qRgba(200, 0, 0, 255)));
  AddItem(list, "not a picture");
  AddItem(list, Ico(4, qRgba(0, 0, 200, 255)), ifICO);
  try {
    list.Loaded();
    ADD_FAILURE() << "no error";
  } catch (const ESkinLibraryError& e) {
    EXPECT_NE(std::string(e.what()).find("Image 1"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(list.Updating);  // cleared on the way out
  ASSERT_EQ(list.Count(), 3);   // one image per item
  EXPECT_EQ(Drawn(list, 0).GetPixel(1, 1), RGB(200, 0, 0));
  EXPECT_EQ(Drawn(list, 1).GetPixel(1, 1), RGB(128, 128, 128));
  EXPECT_EQ(Drawn(list, 2).GetPixel(1, 1), RGB(0, 0, 200));
  // A later change keeps working: an item added at run time is made.
  AddItem(list, Png(4, 4, qRgba(0, 99, 0, 255)));
  EXPECT_THROW(list.Change(), ESkinLibraryError);  // the damaged item again
  EXPECT_FALSE(list.Updating);
  ASSERT_EQ(list.Count(), 4);
  EXPECT_EQ(Drawn(list, 3).GetPixel(1, 1), RGB(0, 99, 0));
}

TEST(AlphaImageList, TheSharedStandardList) {
  EXPECT_EQ(StandardImageList(), nullptr);
  StartUnit("acAlphaImageList");
  TsAlphaImageList* list = StandardImageList();
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->Width(), 48);
  EXPECT_EQ(list->Height(), 16);
  EXPECT_EQ(list->Count(), 5);
  EXPECT_EQ(list->Items().Count(), 0);
  // Each image keeps its alpha: clear corners, a drawn glyph.
  for (int i = 0; i < 5; ++i) {
    const Bitmap drawn = Drawn(*list, i);
    EXPECT_EQ(drawn.GetPixel(0, 0), RGB(128, 128, 128)) << i;
    bool glyph = false;
    for (int x = 0; x < 16; ++x) glyph = glyph || drawn.GetPixel(x, 8) != RGB(128, 128, 128);
    EXPECT_TRUE(glyph) << i;
  }
  FinishUnit("acAlphaImageList");
  EXPECT_EQ(StandardImageList(), nullptr);
}

TEST(AlphaImageList, AnIconWithAMaskKeepsItsClearPixelsWhenGivenAlpha) {
  TsAlphaImageList list;
  list.SetSize(3, 1);
  AddItem(list, Png(3, 1, qRgba(9, 9, 9, 255)));
  list.GenerateStdList();
  // A classic icon: black under the clear (white) mask pixel in the middle.
  Bitmap color(3, 1, pf24bit), mask(3, 1, pf1bit);
  color.Fill(qRgb(0, 0, 0));
  color.SetPixel(0, 0, RGB(40, 50, 60));
  color.SetPixel(2, 0, RGB(0, 0, 0));
  mask.Fill(qRgb(0, 0, 0));
  mask.SetArgb(1, 0, qRgb(255, 255, 255));
  list.AddIcon(Icon(color, mask));
  const Bitmap drawn = Drawn(list, 1);
  EXPECT_EQ(drawn.GetPixel(0, 0), RGB(40, 50, 60));
  EXPECT_EQ(drawn.GetPixel(1, 0), RGB(128, 128, 128));  // left out by the mask
  EXPECT_EQ(drawn.GetPixel(2, 0), RGB(0, 0, 0));        // black that belongs to the image
}
