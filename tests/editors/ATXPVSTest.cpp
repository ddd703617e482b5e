// The visual-styles binding over a loader the test controls.
#include "editors/ATXPVS.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace {

// A library that loads or not and lacks at most one entry point.
struct FakeLibrary {
  bool loads = true;
  std::string missing, loadedName{};
  int unloads = 0;
};

struct FakeLoader : atxpvs::TLibraryLoader {
  explicit FakeLoader(FakeLibrary& l) : lib(l) {}
  bool Load(const std::string& fileName) override {
    lib.loadedName = fileName;
    return lib.loads;
  }
  // Each entry point's address is its name: the binding only keeps it.
  void* Resolve(const char* name) override { return name == lib.missing ? nullptr : const_cast<char*>(name); }
  void Unload() override { ++lib.unloads; }
  FakeLibrary& lib;
};

}  // namespace

TEST(ThemeBinding, BindsOnlyALibraryWithEveryEntryPointAndReleasesItOnce) {
  // loads, missing -> bound, released at once (a library without an entry point is absent)
  for (const auto& [loads, missing, loaded, unloadsAtOnce] :
       {std::tuple{true, "", true, 0}, {true, "EnableTheming", false, 1}, {true, "OpenThemeData", false, 1},
        {false, "", false, 0}}) {
    FakeLibrary lib{loads, missing};
    {
      atxpvs::TThemeLibrary binding(std::make_unique<FakeLoader>(lib));
      EXPECT_EQ(std::make_tuple(binding.Loaded(), lib.loadedName, lib.unloads),
                std::make_tuple(loaded, std::string("UXTHEME.DLL"), unloadsAtOnce))
          << missing;
      for (std::size_t i = 0; i < atxpvs::EntryPointCount; ++i) {
        const char* name = atxpvs::EntryPointNames[i];
        void* want = loaded ? const_cast<char*>(name) : nullptr;  // nothing half-bound
        EXPECT_EQ(std::make_pair(binding.EntryPoint(i), binding.EntryPoint(std::string(name))), std::pair(want, want))
            << name;
      }
      EXPECT_EQ(std::pair(binding.EntryPoint(atxpvs::EntryPointCount), binding.EntryPoint("NoSuchFunction")),
                (std::pair<void*, void*>(nullptr, nullptr)));
    }
    EXPECT_EQ(lib.unloads, loaded ? 1 : unloadsAtOnce) << "released once";
  }
  EXPECT_FALSE(atxpvs::ThemeLibrary().Loaded()) << "this system has no such library";
}
