// The skin manager reading a skin from outside bytes: a stored skin's
// packed data as given, or (first byte odd) the given bytes as the skin's
// "Options.dat" packed with the demo skin's image files, so that mask and
// section values are reached at once. Every input is read or refused with
// the library's one error, and either way nothing is left half-read: no
// loading flag, no skin text or package, and after a refusal no tables.
// A read skin's indexes all lie in its tables, and its extended-border
// pictures are made from whatever rectangles the skin names.
#include "SkinFuzzSupport.h"
#include "SkinPackages.h"

#include "skinlib/manager/sSkinManager.h"
#include "skinlib/support/TestSkins.h"

#include <string>

namespace {

// A package of the demo skin's files with `options` as its "Options.dat";
// the demo's files are packed once.
std::string DemoPackageWith(std::string_view options) {
  static const fuzz::PackedPictures pictures = fuzz::PackPictures(testskins::DemoSkin());
  return fuzz::PackageWith(pictures, options);
}

}  // namespace

using fuzz::InTable;

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  fuzz::StartSkinReading(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Prompts().Calls.clear();
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
  if (fuzz::ActivationRefused(sm)) return 0;
  FUZZ_CHECK(sm.SkinData->Active && sm.IsPackage == !package.empty());
  const size_t sections = sm.GeneralData.size(), masks = sm.MaskData.size();
  fuzz::CheckSectionIndexes(sm);
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
