// Run-time binding of the visual-styles library.
//
// The drop button of the tree combo box draws itself through the
// visual-styles library when that library is present and active. The
// library is looked up once, when the binding is first used, by name
// ("UXTHEME.DLL"); every entry point is looked up by name too. Linux has no
// such library, so on this system the binding reports it absent and the
// button draws itself through the current widget style.
#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <string>

namespace atxpvs {

// The name of the visual-styles library.
inline constexpr const char* ThemeLibraryName = "UXTHEME.DLL";

// The entry points the binding looks up, in lookup order.
inline constexpr std::size_t EntryPointCount = 45;
extern const std::array<const char*, EntryPointCount> EntryPointNames;

// Loads a shared library and looks up its symbols. The binding uses the
// system's dynamic loader; tests hand it their own.
class TLibraryLoader {
 public:
  virtual ~TLibraryLoader() = default;
  virtual bool Load(const std::string& fileName) = 0;
  virtual void* Resolve(const char* name) = 0;  // nullptr when the name is missing
  virtual void Unload() = 0;
};

// The loader over the system's dynamic loader.
std::unique_ptr<TLibraryLoader> SystemLoader();

// The binding: loads the library when made and releases it when destroyed.
//
// Loaded() is true only when the library loaded and every one of the 45
// entry points was found. A library that lacks one of them is treated as
// absent: it is released again and no address is kept.
class TThemeLibrary {
 public:
  explicit TThemeLibrary(std::unique_ptr<TLibraryLoader> loader,
                         const std::string& fileName = ThemeLibraryName);
  ~TThemeLibrary();
  TThemeLibrary(const TThemeLibrary&) = delete;
  TThemeLibrary& operator=(const TThemeLibrary&) = delete;

  bool Loaded() const { return loaded_; }
  // The address of an entry point by its position in EntryPointNames, or by
  // name; nullptr when the library is absent or the name is not one of them.
  void* EntryPoint(std::size_t index) const;
  void* EntryPoint(const std::string& name) const;

 private:
  std::unique_ptr<TLibraryLoader> loader_;
  bool loaded_ = false;
  std::array<void*, EntryPointCount> addresses_{};
};

// The program's binding, made on first use with the system loader.
const TThemeLibrary& ThemeLibrary();

}  // namespace atxpvs
