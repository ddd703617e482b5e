#include "editors/ATXPVS.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

// A library that has the entry points named in `present`.
struct FakeLibrary {
  bool loads = true;
  std::set<std::string> present;
  int loadCalls = 0;
  int unloadCalls = 0;
  std::string loadedName;
};

class FakeLoader : public atxpvs::TLibraryLoader {
 public:
  explicit FakeLoader(FakeLibrary& lib) : lib_(lib) {}
  bool Load(const std::string& fileName) override {
    ++lib_.loadCalls;
    lib_.loadedName = fileName;
    return lib_.loads;
  }
  void* Resolve(const char* name) override {
    // Any distinct non-null address serves: the binding only keeps it.
    return lib_.present.count(name) ? static_cast<void*>(&lib_) : nullptr;
  }
  void Unload() override { ++lib_.unloadCalls; }

 private:
  FakeLibrary& lib_;
};

FakeLibrary CompleteLibrary() {
  FakeLibrary lib;
  for (const char* name : atxpvs::EntryPointNames) lib.present.insert(name);
  return lib;
}

}  // namespace

TEST(ThemeBinding, ACompleteLibraryIsLoadedWithEveryEntryPointAndReleasedAtTheEnd) {
  FakeLibrary lib = CompleteLibrary();
  ASSERT_EQ(lib.present.size(), 45u);  // 45 distinct names
  {
    atxpvs::TThemeLibrary binding(std::make_unique<FakeLoader>(lib));
    EXPECT_TRUE(binding.Loaded());
    EXPECT_EQ(lib.loadedName, "UXTHEME.DLL");
    for (std::size_t i = 0; i < atxpvs::EntryPointCount; ++i) EXPECT_NE(binding.EntryPoint(i), nullptr);
    EXPECT_NE(binding.EntryPoint("DrawThemeBackground"), nullptr);
    EXPECT_EQ(binding.EntryPoint("NoSuchFunction"), nullptr);
    EXPECT_EQ(binding.EntryPoint(atxpvs::EntryPointCount), nullptr);
    EXPECT_EQ(lib.unloadCalls, 0);
  }
  EXPECT_EQ(lib.unloadCalls, 1);
}

TEST(ThemeBinding, AMissingEntryPointMakesTheLibraryAbsentInsteadOfFailing) {
  FakeLibrary lib = CompleteLibrary();
  lib.present.erase("EnableTheming");  // the last one looked up
  {
    atxpvs::TThemeLibrary binding(std::make_unique<FakeLoader>(lib));
    EXPECT_FALSE(binding.Loaded());
    EXPECT_EQ(binding.EntryPoint("OpenThemeData"), nullptr);  // nothing half-bound
    EXPECT_EQ(lib.unloadCalls, 1);                            // released at once
  }
  EXPECT_EQ(lib.unloadCalls, 1);  // and not released twice
}

TEST(ThemeBinding, ALibraryThatDoesNotLoadLeavesTheFlagFalse) {
  FakeLibrary lib = CompleteLibrary();
  lib.loads = false;
  {
    atxpvs::TThemeLibrary binding(std::make_unique<FakeLoader>(lib));
    EXPECT_FALSE(binding.Loaded());
    EXPECT_EQ(binding.EntryPoint(std::size_t{0}), nullptr);
  }
  EXPECT_EQ(lib.unloadCalls, 0);
}

TEST(ThemeBinding, ThisSystemHasNoVisualStylesLibrary) {
  EXPECT_FALSE(atxpvs::ThemeLibrary().Loaded());
  EXPECT_EQ(atxpvs::ThemeLibrary().EntryPoint("IsThemeActive"), nullptr);
}
