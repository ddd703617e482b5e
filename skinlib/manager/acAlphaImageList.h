// The alpha image list: a list of images of one size that keep their
// per-pixel alpha, kept as the image files it was given (PNG or ICO), each
// byte for byte, and decoded into the list's images when the component is
// ready or its items change.
//
// The list proper (`TacImageListHandle`) holds 32-bit colour images with an
// AND mask, as the common controls' image lists with ILC_COLOR32 |
// ILC_MASK do: an image added without alpha keeps alpha 0 and draws by its
// mask until the change handling gives it alpha from the key colour.
//
// The unit "acAlphaImageList" makes the shared list of five 48 x 16 images
// (the PNG resources ":/skinlib/SF.png", "SR", "SD", "SE" and "SC") at
// start-up and frees it at the end. GUI thread only.
#pragma once

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Icons.h"
#include "skinlib/manager/ComponentState.h"
#include "skinlib/manager/PropertyStream.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Image-list creation flags, drawing flags and colours.
constexpr unsigned ILC_MASK = 0x1, ILC_COLOR32 = 0x20;
constexpr unsigned ILD_NORMAL = 0x0, ILD_TRANSPARENT = 0x1;
constexpr uint32_t CLR_NONE = 0xFFFFFFFFu, CLR_DEFAULT = 0xFF000000u;

// The images of a list, all Width x Height.
class TacImageListHandle {
 public:
  TacImageListHandle(int width, int height, unsigned flags, int initial, int grow);
  int Width() const { return width_; }
  int Height() const { return height_; }
  int Count() const { return int(images_.size()); }
  // The icon, scaled to the list's size, in place of image `index`, or
  // added after the last with -1; its index, -1 for a bad index or no icon.
  int ReplaceIcon(int index, const platform::Icon* icon);
  // A new icon of image `index` (the caller destroys it); nullptr outside.
  platform::HICON GetIcon(int index, unsigned flags) const;
  void RemoveAll() { images_.clear(); }
  uint32_t BkColor() const { return bkColor_; }
  uint32_t SetBkColor(uint32_t color);

 private:
  int width_, height_;
  uint32_t bkColor_ = CLR_NONE;
  std::vector<std::unique_ptr<platform::Icon>> images_;
};

// The most pixels a list's images hold in all, and the most its items'
// pictures hold in all.
inline constexpr int64_t kMaxImageListPixels = int64_t{1} << 24;

enum TsImageFormat { ifPNG, ifICO };
enum TImageType { itImage, itMask };
enum TDrawingStyle { dsFocus, dsSelected, dsNormal, dsTransparent };

class TsImgListItems;
class TsAlphaImageList;

// One stored image file.
class TsImgListItem {
 public:
  explicit TsImgListItem(TsImgListItems* collection) : collection_(collection) {}
  TsImageFormat ImageFormat = ifPNG;
  platform::TPixelFormat PixelFormat = platform::pf32bit;
  std::string ImgData;  // the whole file, as given

  void Assign(const TsImgListItem& source);
  TsImgListItems* Collection() const { return collection_; }

 private:
  TsImgListItems* collection_;
};

class TsImgListItems {
 public:
  explicit TsImgListItems(TsAlphaImageList* owner) : owner_(owner) {}
  TsAlphaImageList* Owner() const { return owner_; }
  int Count() const { return int(items_.size()); }
  TsImgListItem& operator[](int index) { return *items_.at(size_t(index)); }
  const TsImgListItem& operator[](int index) const { return *items_.at(size_t(index)); }
  TsImgListItem& Add();
  void Delete(int index);
  void Clear() { items_.clear(); }
  // Copies of the source's items in place of this collection's.
  void Assign(const TsImgListItems& source);

 private:
  TsAlphaImageList* owner_;
  std::vector<std::unique_ptr<TsImgListItem>> items_;
};

class TsAlphaImageList : public TacLoadingState {
 public:
  // Made in code, the list is ready at once: it has its handle and has
  // turned its (no) items into images. Made to be read, it waits for
  // Loaded().
  explicit TsAlphaImageList(Origin origin = Origin::Code);
  ~TsAlphaImageList();
  TsAlphaImageList(const TsAlphaImageList&) = delete;
  TsAlphaImageList& operator=(const TsAlphaImageList&) = delete;

  // The image list's own settings.
  int Width() const { return width_; }
  int Height() const { return height_; }
  // A new size empties the list. A size no bitmap can have (below 1 or
  // beyond the bitmap limits) leaves the list without its handle.
  void SetSize(int width, int height);
  bool Masked = true;
  TImageType ImageType = itImage;
  TDrawingStyle DrawingStyle = dsNormal;
  bool ShareImages = false;
  platform::TColor BlendColor = platform::clNone;
  platform::TColor BkColor = platform::clNone;
  int AllocBy = 4;
  // Called after every change of the list (not while it fills itself);
  // unassigned: empty.
  std::function<void(TsAlphaImageList&)> OnChange;

  TsImgListItems& Items() { return items_; }
  const TsImgListItems& Items() const { return items_; }
  void SetItems(const TsImgListItems& items) { items_.Assign(items); }

  bool Generated = false;  // the items have been turned into images
  bool Updating = false;   // the list fills itself (no change handling)

  TacImageListHandle* Handle() { return handle_.get(); }
  const TacImageListHandle* Handle() const { return handle_.get(); }
  bool HandleAllocated() const { return handle_ != nullptr; }
  int Count() const { return handle_ ? handle_->Count() : 0; }

  void CreateImgListHandle();
  // Releases the list (and its images), then the change handling.
  void KillImgList();
  // The items' files, decoded, become the list's images, one per item in
  // order. An item that cannot be decoded, or whose picture would pass
  // what is left of kMaxImageListPixels for the items' pictures, leaves an
  // empty (transparent) image at its index; the others are still made,
  // then the first error is raised (ESkinLibraryError, the only error it
  // raises). A list whose images would hold more than kMaxImageListPixels
  // in all gets none and raises at once. Updating is cleared on every exit.
  void GenerateStdList();
  // The source's items in place of these, then the images made from them.
  void CopyImages(TsAlphaImageList& source);
  // No source: KillImgList. Another list: its settings, size, colour and
  // items, without a change notice.
  void Assign(TsAlphaImageList* source);
  // Ends loading: the handle and the images are made.
  void Loaded();

  // Adds an icon after the stored items' images, then the change handling.
  int AddIcon(const platform::Icon& icon);
  // Draws image `index` with its alpha at (x, y), Width x Height. Style
  // and enabled do not change the drawing.
  void DoDraw(int index, platform::Canvas& canvas, int x, int y, unsigned style, bool enabled);
  void Draw(platform::Canvas& canvas, int x, int y, int index, bool enabled = true) {
    DoDraw(index, canvas, x, y, 0, enabled);
  }

  // The change handling: OnChange, then keeps the images in step with the
  // items and gives images added without alpha an alpha from the key
  // colour ($FF00FF transparent, everything else opaque) and their mask
  // (what it leaves out stays transparent).
  void Change();

  // The component's properties ("Items" with each item's "ImgData" byte
  // for byte; never the images themselves).
  std::string PropertyStream() const;
  void WriteProperties(TacPropertyWriter& writer) const;
  // Reads properties into a loading list; Loaded() follows.
  void ReadProperties(TacPropertyReader& reader);
  // A list read from a property stream and loaded.
  static std::unique_ptr<TsAlphaImageList> FromPropertyStream(std::string_view bytes);

 private:
  void AfterConstruction();
  void FixMissingAlpha();

  int width_ = 16, height_ = 16;
  TsImgListItems items_;
  std::unique_ptr<TacImageListHandle> handle_;
};

// The shared list of the five standard 48 x 16 images; nullptr outside the
// unit's life.
TsAlphaImageList* StandardImageList();
