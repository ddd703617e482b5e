// The visual-styles binding over a loader the test controls.
#include "editors/ATXPVS.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace {

struct FakeLibrary {
  bool loads = true;
  std::string missing;  // the one entry point it lacks
  std::string loadedName{};
  int unloads = 0;
};

class FakeLoader : public atxpvs::TLibraryLoader {
 public:
  explicit FakeLoader(FakeLibrary& lib) : lib_(lib) {}
  bool Load(const std::string& fileName) override {
    lib_.loadedName = fileName;
    return lib_.loads;
  }
  // Each entry point's address is its name: the binding only keeps it.
  void* Resolve(const char* name) override { return name == lib_.missing ? nullptr : const_cast<char*>(name); }
  void Unload() override { ++lib_.unloads; }

 private:
  FakeLibrary& lib_;
};

}  // namespace

TEST(ThemeBinding, BindsOnlyALibraryWithEveryEntryPointAndReleasesItOnce) {
  struct Case {
    bool loads;
    std::string missing;
    bool loaded;
    int unloadsAtOnce;  // a library without an entry point goes at once
  } cases[] = {{true, "", true, 0}, {true, "EnableTheming", false, 1}, {true, "OpenThemeData", false, 1},
               {false, "", false, 0}};
  for (const Case& c : cases) {
    FakeLibrary lib{c.loads, c.missing};
    {
      atxpvs::TThemeLibrary binding(std::make_unique<FakeLoader>(lib));
      EXPECT_EQ(std::make_tuple(binding.Loaded(), lib.loadedName, lib.unloads),
                std::make_tuple(c.loaded, std::string("UXTHEME.DLL"), c.unloadsAtOnce))
          << c.missing;
      for (std::size_t i = 0; i < atxpvs::EntryPointCount; ++i) {
        const char* name = atxpvs::EntryPointNames[i];
        void* want = c.loaded ? const_cast<char*>(name) : nullptr;  // nothing half-bound
        EXPECT_EQ(std::make_pair(binding.EntryPoint(i), binding.EntryPoint(std::string(name))),
                  std::make_pair(want, want))
            << name;
      }
      EXPECT_EQ(std::make_pair(binding.EntryPoint(atxpvs::EntryPointCount), binding.EntryPoint("NoSuchFunction")),
                (std::pair<void*, void*>(nullptr, nullptr)));
    }
    EXPECT_EQ(lib.unloads, c.loaded ? 1 : c.unloadsAtOnce) << "released once";
  }
  EXPECT_FALSE(atxpvs::ThemeLibrary().Loaded()) << "this system has no such library";
}
