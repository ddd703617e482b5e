#include "skinlib/manager/acAlphaImageList.h"

#include "platform/Picture.h"
#include "platform/Startup.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/acPNG.h"

#include <QFile>

#include <algorithm>
#include <cstring>
#include <optional>

using namespace platform;

namespace {

// Updating for the life of a scope, cleared on every way out of it.
class FillingScope {
 public:
  explicit FillingScope(bool& flag) : flag_(flag) { flag_ = true; }
  ~FillingScope() { flag_ = false; }
  FillingScope(const FillingScope&) = delete;
  FillingScope& operator=(const FillingScope&) = delete;

 private:
  bool& flag_;
};

bool IsKeyPixel(const uint8_t* p) { return p[0] == 0xFF && p[1] == 0 && p[2] == 0xFF; }

bool AnyAlpha(const Bitmap& b) {
  for (int y = 0; y < b.Height(); ++y) {
    const uint8_t* p = b.ScanLine(y);
    for (int x = 0; x < b.Width(); ++x)
      if (p[4 * x + 3]) return true;
  }
  return false;
}

// A transparent image: black without alpha under an all-clear mask.
std::unique_ptr<Icon> EmptyIcon(int w, int h) {
  Bitmap color(w, h, pf32bit), mask(w, h, pf1bit);
  color.Fill(qRgba(0, 0, 0, 0));
  mask.Fill(qRgb(255, 255, 255));
  return std::make_unique<Icon>(std::move(color), std::move(mask));
}

// An icon file's image with a mask from its alpha.
std::unique_ptr<Icon> DecodeIco(std::string_view bytes, std::string& error) {
  Bitmap color;
  if (!IcoFormat().Load(bytes, color, error)) return nullptr;
  color.SetPixelFormat(pf32bit);
  Bitmap mask(color.Width(), color.Height(), pf1bit);
  for (int y = 0; y < color.Height(); ++y)
    for (int x = 0; x < color.Width(); ++x)
      mask.SetArgb(x, y, qAlpha(color.GetArgb(x, y)) < 128 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
  return std::make_unique<Icon>(std::move(color), std::move(mask));
}

// The item's file decoded when its header's size fits into `pixelsLeft`
// (which it then takes from).
std::unique_ptr<Icon> DecodeItem(const TsImgListItem& item, int64_t& pixelsLeft, std::string& error) {
  int64_t w = 0, h = 0;
  const PictureFormat& format = item.ImageFormat == ifICO ? IcoFormat() : PngFormat();
  if (format.Size(item.ImgData, w, h)) {
    if (w * h > pixelsLeft) {
      error = "its " + std::to_string(w) + " x " + std::to_string(h) + " pixels pass the list's limit of " +
              std::to_string(kMaxImageListPixels);
      return nullptr;
    }
    pixelsLeft -= w * h;
  }
  if (item.ImageFormat == ifICO) return DecodeIco(item.ImgData, error);
  TPNGGraphic png;
  if (!png.LoadFromBytes(item.ImgData, &error)) return nullptr;
  return std::unique_ptr<Icon>(BitmapToIcon(png, false));
}

}  // namespace

// -------------------------------------------------------- TacImageListHandle

TacImageListHandle::TacImageListHandle(int width, int height, unsigned, int, int)
    : width_(std::max(width, 0)), height_(std::max(height, 0)) {}

int TacImageListHandle::ReplaceIcon(int index, const Icon* icon) {
  if (!icon || index < -1 || index >= Count()) return -1;
  std::unique_ptr<Icon> scaled;
  if (icon->Width() != width_ || icon->Height() != height_) {
    scaled.reset(CopyImage(const_cast<Icon*>(icon), IMAGE_ICON, width_, height_, 0));
    if (!scaled) return -1;
    icon = scaled.get();
  }
  // 32-bit colour: an image without alpha keeps alpha 0 and draws by its mask.
  Bitmap color = icon->Color();
  if (!icon->HasAlpha()) {
    color.SetPixelFormat(pf32bit);
    for (int y = 0; y < color.Height(); ++y) {
      uint8_t* p = color.ScanLine(y);
      for (int x = 0; x < color.Width(); ++x) p[4 * x + 3] = 0;
    }
  }
  auto image = std::make_unique<Icon>(std::move(color), icon->Mask());
  if (index == -1) {
    images_.push_back(std::move(image));
    return Count() - 1;
  }
  images_[size_t(index)] = std::move(image);
  return index;
}

HICON TacImageListHandle::GetIcon(int index, unsigned) const {
  if (index < 0 || index >= Count()) return nullptr;
  const Icon& image = *images_[size_t(index)];
  return new Icon(image.Color(), image.Mask());
}

uint32_t TacImageListHandle::SetBkColor(uint32_t color) {
  const uint32_t old = bkColor_;
  bkColor_ = color;
  return old;
}

// ------------------------------------------------------------ the items

void TsImgListItem::Assign(const TsImgListItem& source) {
  ImageFormat = source.ImageFormat;
  PixelFormat = source.PixelFormat;
  ImgData = source.ImgData;
}

TsImgListItem& TsImgListItems::Add() {
  items_.push_back(std::make_unique<TsImgListItem>(this));
  return *items_.back();
}

void TsImgListItems::Delete(int index) {
  if (index >= 0 && index < Count()) items_.erase(items_.begin() + index);
}

void TsImgListItems::Assign(const TsImgListItems& source) {
  if (&source == this) return;
  Clear();
  for (int i = 0; i < source.Count(); ++i) Add().Assign(source[i]);
}

// -------------------------------------------------------- TsAlphaImageList

TsAlphaImageList::TsAlphaImageList(Origin origin) : TacLoadingState(origin), items_(this) {
  AfterConstruction();
}

TsAlphaImageList::~TsAlphaImageList() = default;

void TsAlphaImageList::AfterConstruction() {
  if (IsLoading()) return;
  if (!handle_) CreateImgListHandle();
  if (!Generated) GenerateStdList();
}

void TsAlphaImageList::Loaded() {
  EndLoading();
  if (!handle_) CreateImgListHandle();
  if (!Generated) GenerateStdList();
}

void TsAlphaImageList::SetSize(int width, int height) {
  if (width == width_ && height == height_) return;
  width_ = width;
  height_ = height;
  if (!handle_) return;
  CreateImgListHandle();  // empty, of the new size (none for an impossible one)
  Change();
}

void TsAlphaImageList::CreateImgListHandle() {
  // A size no image can have gives no list, as the system refuses it.
  if (width_ < 1 || height_ < 1 || !BitmapSizeAllowed(width_, height_)) {
    handle_.reset();
    return;
  }
  handle_ = std::make_unique<TacImageListHandle>(width_, height_, ILC_COLOR32 | ILC_MASK, AllocBy, AllocBy);
  handle_->SetBkColor(CLR_NONE);
}

void TsAlphaImageList::KillImgList() {
  handle_.reset();
  Change();
}

void TsAlphaImageList::GenerateStdList() {
  if (!handle_) return;
  const FillingScope filling(Updating);
  handle_->RemoveAll();
  if (items_.Count() > 0) Generated = true;
  const int64_t listPixels = int64_t(handle_->Width()) * handle_->Height() * items_.Count();
  if (listPixels > kMaxImageListPixels)
    throw ESkinLibraryError("The image list's " + std::to_string(items_.Count()) + " images of " +
                            std::to_string(handle_->Width()) + " x " + std::to_string(handle_->Height()) +
                            " pixels pass its limit of " + std::to_string(kMaxImageListPixels) + " pixels");
  int64_t pixelsLeft = kMaxImageListPixels;
  std::optional<std::string> firstError;
  try {
    for (int i = 0; i < items_.Count(); ++i) {
      std::string error;
      std::unique_ptr<Icon> icon = DecodeItem(items_[i], pixelsLeft, error);
      if (!icon) {
        if (!firstError) firstError = "Image " + std::to_string(i) + " of the image list cannot be read: " + error;
        icon = EmptyIcon(handle_->Width(), handle_->Height());
      }
      handle_->ReplaceIcon(-1, icon.get());
    }
  } catch (const EOutOfResources& e) {
    // The library's own error, whatever runs short.
    throw ESkinLibraryError(std::string("The image list's images cannot be made: ") + e.what());
  } catch (const std::bad_alloc&) {
    throw ESkinLibraryError("The image list's images cannot be made: not enough memory");
  }
  if (firstError) throw ESkinLibraryError(*firstError);
}

void TsAlphaImageList::CopyImages(TsAlphaImageList& source) {
  if (!handle_) return;
  if (source.handle_) source.handle_->SetBkColor(CLR_NONE);
  items_.Assign(source.items_);
  GenerateStdList();
}

void TsAlphaImageList::Assign(TsAlphaImageList* source) {
  if (!source) {
    KillImgList();
    return;
  }
  if (source == this) return;
  const FillingScope filling(Updating);
  if (handle_) handle_->RemoveAll();
  Masked = source->Masked;
  ImageType = source->ImageType;
  DrawingStyle = source->DrawingStyle;
  ShareImages = source->ShareImages;
  BlendColor = source->BlendColor;
  const TacImageListHandle* from = source->handle_.get();
  width_ = from ? from->Width() : source->width_;
  height_ = from ? from->Height() : source->height_;
  CreateImgListHandle();
  const uint32_t bk = from ? from->BkColor() : CLR_NONE;
  BkColor = bk == CLR_NONE ? clNone : bk == CLR_DEFAULT ? clDefault : TColor(bk);
  CopyImages(*source);
}

int TsAlphaImageList::AddIcon(const Icon& icon) {
  if (!handle_) return -1;
  const int index = handle_->ReplaceIcon(-1, &icon);
  Change();
  return index;
}

void TsAlphaImageList::DoDraw(int index, Canvas& canvas, int x, int y, unsigned, bool) {
  if (!handle_) return;
  handle_->SetBkColor(CLR_NONE);
  std::unique_ptr<Icon> icon(handle_->GetIcon(index, ILD_TRANSPARENT));
  if (icon) DrawIconEx(canvas, x, y, icon.get(), width_, height_, 0, nullptr, DI_NORMAL);
}

void TsAlphaImageList::Change() {
  if (Updating) return;
  if (OnChange) OnChange(*this);
  if (!handle_ || IsLoading() || !Generated) return;
  if (handle_->Count() == items_.Count()) return;
  if (handle_->Count() < items_.Count()) {
    GenerateStdList();
    return;
  }
  FixMissingAlpha();
}

void TsAlphaImageList::FixMissingAlpha() {
  for (int i = 0; i < handle_->Count(); ++i) {
    std::unique_ptr<Icon> icon(handle_->GetIcon(i, ILD_NORMAL));
    Bitmap color = icon->Color();
    color.SetPixelFormat(pf32bit);
    if (AnyAlpha(color)) continue;
    // Opaque but for the key colour, and for what the mask already leaves
    // out (the black under a clear mask pixel is no part of the image).
    const Bitmap& mask = icon->Mask();
    for (int y = 0; y < color.Height(); ++y) {
      uint8_t* p = color.ScanLine(y);
      for (int x = 0; x < color.Width(); ++x, p += 4)
        if (!IsKeyPixel(p) && (mask.GetArgb(x, y) & 0xFFFFFF) == 0) p[3] = 255;
    }
    const Icon fixed(std::move(color), icon->Mask());
    handle_->ReplaceIcon(i, &fixed);
  }
}

// ------------------------------------------------------------ properties

void TsAlphaImageList::WriteProperties(TacPropertyWriter& w) const {
  w.WriteInteger("AllocBy", AllocBy);
  w.WriteInteger("BkColor", BkColor);
  w.WriteInteger("BlendColor", BlendColor);
  w.WriteInteger("DrawingStyle", DrawingStyle);
  w.WriteInteger("Height", height_);
  w.WriteInteger("ImageType", ImageType);
  w.WriteInteger("Masked", Masked);
  w.WriteInteger("ShareImages", ShareImages);
  w.WriteInteger("Width", width_);
  w.BeginCollection("Items", uint32_t(items_.Count()));
  for (int i = 0; i < items_.Count(); ++i) {
    const TsImgListItem& item = items_[i];
    w.WriteInteger("ImageFormat", item.ImageFormat);
    w.WriteInteger("PixelFormat", item.PixelFormat);
    w.WriteBinary("ImgData", item.ImgData);  // always written, even empty
    w.EndItem();
  }
  w.EndList();
}

std::string TsAlphaImageList::PropertyStream() const {
  TacPropertyWriter w;
  WriteProperties(w);
  return w.Bytes();
}

void TsAlphaImageList::ReadProperties(TacPropertyReader& r) {
  if (!IsLoading()) BeginLoading();
  std::string name;
  TacPropertyReader::Kind kind;
  using Kind = TacPropertyReader::Kind;
  auto integer = [&](auto apply) {
    if (kind != Kind::Integer) return r.SkipValue(kind);
    apply(r.ReadInteger());
  };
  while (r.NextProperty(name, kind)) {
    if (name == "AllocBy") integer([&](int v) { AllocBy = v; });
    else if (name == "BkColor") integer([&](int v) { BkColor = v; });
    else if (name == "BlendColor") integer([&](int v) { BlendColor = v; });
    else if (name == "DrawingStyle") integer([&](int v) { DrawingStyle = TDrawingStyle(std::clamp(v, 0, 3)); });
    else if (name == "Height") integer([&](int v) { height_ = std::clamp(v, 0, kMaxBitmapSide); });
    else if (name == "ImageType") integer([&](int v) { ImageType = v == 1 ? itMask : itImage; });
    else if (name == "Masked") integer([&](int v) { Masked = v != 0; });
    else if (name == "ShareImages") integer([&](int v) { ShareImages = v != 0; });
    else if (name == "Width") integer([&](int v) { width_ = std::clamp(v, 0, kMaxBitmapSide); });
    else if (name == "Items" && kind == Kind::Collection) {
      items_.Clear();
      const uint32_t count = r.ReadCollection();
      for (uint32_t i = 0; i < count; ++i) {
        TsImgListItem& item = items_.Add();
        Kind itemKind;
        while (r.NextProperty(name, itemKind)) {
          kind = itemKind;
          if (name == "ImageFormat") integer([&](int v) { item.ImageFormat = v == 1 ? ifICO : ifPNG; });
          else if (name == "PixelFormat") integer([&](int v) { item.PixelFormat = TPixelFormat(std::clamp(v, 0, 4)); });
          else if (name == "ImgData" && itemKind == Kind::Binary) item.ImgData = r.ReadBinary();
          else r.SkipValue(itemKind);
        }
      }
    } else {
      r.SkipValue(kind);
    }
  }
}

std::unique_ptr<TsAlphaImageList> TsAlphaImageList::FromPropertyStream(std::string_view bytes) {
  auto list = std::make_unique<TsAlphaImageList>(Origin::StoredData);
  TacPropertyReader reader(bytes);
  list->ReadProperties(reader);
  reader.ExpectEnd();
  list->Loaded();
  return list;
}

// --------------------------------------------------- the shared standard list

namespace {

std::unique_ptr<TsAlphaImageList> g_standard;

void StartStandardList() {
  auto list = std::make_unique<TsAlphaImageList>();
  list->SetSize(48, 16);
  for (const char* name : {"SF", "SR", "SD", "SE", "SC"}) {
    QFile file(QStringLiteral(":/skinlib/%1.png").arg(QLatin1String(name)));
    if (!file.open(QIODevice::ReadOnly))
      throw ESkinLibraryError(std::string("The resource ") + name + " is missing");
    TPNGGraphic png;
    std::string error;
    if (!png.LoadFromBytes(file.readAll().toStdString(), &error))
      throw ESkinLibraryError(std::string("The resource ") + name + " is no picture: " + error);
    std::unique_ptr<Icon> icon(BitmapToIcon(png, false));
    if (icon) list->AddIcon(*icon);
  }
  g_standard = std::move(list);
}

void FinishStandardList() { g_standard.reset(); }

[[maybe_unused]] const bool registered =
    RegisterUnit("acAlphaImageList", StartStandardList, FinishStandardList);

}  // namespace

TsAlphaImageList* StandardImageList() { return g_standard.get(); }
