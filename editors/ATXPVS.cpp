#include "editors/ATXPVS.h"

#include <QLibrary>
#include <QString>

namespace atxpvs {

const std::array<const char*, EntryPointCount> EntryPointNames = {
    "OpenThemeData",          "CloseThemeData",
    "DrawThemeBackground",    "DrawThemeText",
    "GetThemeBackgroundContentRect", "GetThemeBackgroundExtent",
    "GetThemeTextExtent",     "GetThemeTextMetrics",
    "GetThemeBackgroundRegion", "HitTestThemeBackground",
    "DrawThemeEdge",          "DrawThemeIcon",
    "IsThemePartDefined",     "IsThemeBackgroundPartiallyTransparent",
    "GetThemeColor",          "GetThemeMetric",
    "GetThemeString",         "GetThemeBool",
    "GetThemeInt",            "GetThemeEnumValue",
    "GetThemePosition",       "GetThemeFont",
    "GetThemeRect",           "GetThemeMargins",
    "GetThemeIntList",        "SetWindowTheme",
    "GetThemeFilename",       "GetThemeSysColor",
    "GetThemeSysColorBrush",  "GetThemeSysBool",
    "GetThemeSysSize",        "GetThemeSysFont",
    "GetThemeSysString",      "GetThemeSysInt",
    "IsThemeActive",          "IsAppThemed",
    "GetWindowTheme",         "EnableThemeDialogTexture",
    "IsThemeDialogTextureEnabled", "GetThemeAppProperties",
    "SetThemeAppProperties",  "GetCurrentThemeName",
    "GetThemeDocumentationProperty", "DrawThemeParentBackground",
    "EnableTheming",
};

namespace {

class TQtLibraryLoader final : public TLibraryLoader {
 public:
  bool Load(const std::string& fileName) override {
    library_.setFileName(QString::fromStdString(fileName));
    return library_.load();
  }
  void* Resolve(const char* name) override {
    return reinterpret_cast<void*>(library_.resolve(name));
  }
  void Unload() override { library_.unload(); }

 private:
  QLibrary library_;
};

}  // namespace

std::unique_ptr<TLibraryLoader> SystemLoader() { return std::make_unique<TQtLibraryLoader>(); }

TThemeLibrary::TThemeLibrary(std::unique_ptr<TLibraryLoader> loader, const std::string& fileName)
    : loader_(std::move(loader)) {
  if (!loader_ || !loader_->Load(fileName)) return;
  for (std::size_t i = 0; i < EntryPointCount; ++i) {
    addresses_[i] = loader_->Resolve(EntryPointNames[i]);
    if (addresses_[i] == nullptr) {
      // A library without one of the entry points is not the one we know:
      // treat it as absent rather than keep a half-usable binding.
      addresses_.fill(nullptr);
      loader_->Unload();
      return;
    }
  }
  loaded_ = true;
}

TThemeLibrary::~TThemeLibrary() {
  if (loaded_) loader_->Unload();
}

void* TThemeLibrary::EntryPoint(std::size_t index) const {
  return index < EntryPointCount ? addresses_[index] : nullptr;
}

void* TThemeLibrary::EntryPoint(const std::string& name) const {
  for (std::size_t i = 0; i < EntryPointCount; ++i)
    if (name == EntryPointNames[i]) return addresses_[i];
  return nullptr;
}

const TThemeLibrary& ThemeLibrary() {
  static const TThemeLibrary binding(SystemLoader());
  return binding;
}

}  // namespace atxpvs
