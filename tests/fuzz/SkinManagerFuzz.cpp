// The skin manager reading a skin from outside bytes: a stored skin's
// packed data as given, or (first byte odd) the given bytes as the skin's
// "Options.dat" packed with the demo skin's image files, so that mask and
// section values are reached at once. Every input is read or refused with
// the library's one error, and either way nothing is left half-read: no
// loading flag, no skin text or package, and after a refusal no tables.
// A read skin's indexes all lie in its tables, and its extended-border
// pictures are made from whatever rectangles the skin names.
#include "FuzzSupport.h"
#include "SkinPackages.h"

#include "platform/UserPrompts.h"
#include "skinlib/manager/ManagerSeams.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/support/TestSkins.h"

#include <QGuiApplication>

#include <string>

namespace {

// A package of the demo skin's files with `options` as its "Options.dat";
// the demo's files are packed once.
std::string DemoPackageWith(std::string_view options) {
  static const fuzz::PackedPictures pictures = fuzz::PackPictures(testskins::DemoSkin());
  return fuzz::PackageWith(pictures, options);
}

// The version box of a skin newer than the library is recorded, not shown.
platform::RecordingPrompts& Prompts() {
  static platform::RecordingPrompts prompts;
  return prompts;
}

bool InTable(int index, size_t size) { return index == -1 || (index >= 0 && size_t(index) < size); }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  fuzz::StartApplication<QGuiApplication>(argc, argv);
  ManagerSeams().LayeredWindowsAvailable = [] { return true; };
  platform::SetPrompts(&Prompts());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Prompts().Calls.clear();
  fuzz::Input in(data, size);
  const uint8_t which = in.Byte();
  const std::string package = which % 2 == 0 ? std::string(in.Rest()) : DemoPackageWith(in.Rest());
  TsSkinManager sm;
  sm.SetActive(false);
  sm.SetExtendedBorders(true);
  TsStoredSkin& stored = sm.InternalSkins().Add();
  stored.Name = QStringLiteral("F");
  stored.Data = package;
  sm.SetSkinName(QStringLiteral("F"));
  const bool refused = fuzz::Raises<ESkinLibraryError>([&] { sm.SetActive(true); });
  FUZZ_CHECK(!SkinLoading && !SkinIniFile && !SkinConvertor);
  if (refused) {
    FUZZ_CHECK(sm.GeneralData.empty() && sm.MaskData.empty() && sm.PatternData.empty() && !sm.SkinData->Active);
    return 0;
  }
  FUZZ_CHECK(sm.SkinData->Active && sm.IsPackage == !package.empty());
  const size_t sections = sm.GeneralData.size(), masks = sm.MaskData.size();
  for (const TsGeneralData& r : sm.GeneralData)
    FUZZ_CHECK(InTable(r.BorderIndex, masks) && InTable(r.ImgTopLeft, masks) && InTable(r.ImgBottomRight, masks));
  const TacStandardIndexes& s = sm.StandardIndexes;
  FUZZ_CHECK(InTable(s.GlobalInfo, sections) && InTable(s.ExBorder, masks));
  for (int16_t i : s.ScrollBtnBorders) FUZZ_CHECK(InTable(i, masks));
  for (int16_t i : s.CheckBoxes) FUZZ_CHECK(InTable(i, masks));
  FUZZ_CHECK(InTable(sm.ComboBtnPattern, masks) && InTable(sm.ComboBtnIndex, sections));
  for (size_t i = 0; i < masks; ++i) {
    const TsMaskData& m = sm.MaskData[i];
    FUZZ_CHECK(m.Manager == &sm);
    FUZZ_CHECK(!m.Bmp || (m.R.Left == 0 && m.R.Top == 0 && m.R.Right == m.Bmp->Width()));
    static_cast<void>(sm.GetMaskFrameSize(int(i)));
    static_cast<void>(sm.MaskLeftWidth(int(i)) + sm.MaskTopWidth(int(i)) + sm.MaskRightWidth(int(i)) +
                      sm.MaskBottomWidth(int(i)));
  }
  for (const TsPatternData& p : sm.PatternData) FUZZ_CHECK(p.Img != nullptr);
  return 0;
}
