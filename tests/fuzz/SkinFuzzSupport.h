// What the skin library's fuzz targets share. They start as a program
// does: the application object, then every unit of the library (the
// gradient painters, the hue and saturation step, the PNG format, the
// shadows and the standard images), so that the code a program runs is
// what is fuzzed. And the checks that several of them make.
#pragma once

#include "FuzzSupport.h"

#include "platform/Startup.h"
#include "platform/UserPrompts.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/ManagerSeams.h"
#include "skinlib/manager/acAlphaImageList.h"
#include "skinlib/manager/sSkinManager.h"

#include <QApplication>

#include <cstdint>
#include <memory>
#include <string>

namespace fuzz {

inline void StartSkinLibrary(int* argc, char*** argv) {
  StartApplication<QApplication>(argc, argv);
  platform::RunUnitStartups();
}

// The version box of a skin newer than the library is recorded, not shown.
inline platform::RecordingPrompts& Prompts() {
  static platform::RecordingPrompts prompts;
  return prompts;
}

// StartSkinLibrary for the targets that read whole skins: layered windows
// there, prompts recorded.
inline void StartSkinReading(int* argc, char*** argv) {
  StartSkinLibrary(argc, argv);
  ManagerSeams().LayeredWindowsAvailable = [] { return true; };
  platform::SetPrompts(&Prompts());
}

inline bool InTable(int index, size_t size) { return index == -1 || (index >= 0 && size_t(index) < size); }

// Switches the manager on: its skin is read or refused with the library's
// one error, and either way nothing is left half-read (no loading flag, no
// skin text or package), after a refusal no tables. True when refused.
inline bool ActivationRefused(TsSkinManager& sm) {
  const bool refused = Raises<ESkinLibraryError>([&] { sm.SetActive(true); });
  FUZZ_CHECK(!SkinLoading && !SkinIniFile && !SkinConvertor);
  if (refused)
    FUZZ_CHECK(sm.GeneralData.empty() && sm.MaskData.empty() && sm.PatternData.empty() && !sm.SkinData->Active);
  return refused;
}

// Every section's border and corner indexes lie in the mask table.
inline void CheckSectionIndexes(const TsSkinManager& sm) {
  for (const TsGeneralData& r : sm.GeneralData)
    FUZZ_CHECK(InTable(r.BorderIndex, sm.MaskData.size()) && InTable(r.ImgTopLeft, sm.MaskData.size()) &&
               InTable(r.ImgBottomRight, sm.MaskData.size()));
}

// An image list's property stream with its PNG and ICO files is read or
// refused with the stream's or the library's error, never anything else;
// a list read holds one image per item, within its pixel limit, and what
// it writes reads back to the same list.
inline void CheckImageListStream(const std::string& bytes) {
  std::unique_ptr<TsAlphaImageList> list;
  const bool refused = Raises<EPropertyStreamError>([&] {
    // A stream that reads but holds an undecodable file raises the
    // library's error after making every image it can.
    if (Raises<ESkinLibraryError>([&] { list = TsAlphaImageList::FromPropertyStream(bytes); })) list.reset();
  });
  if (refused || !list) return;
  FUZZ_CHECK(!list->IsLoading());
  FUZZ_CHECK(!list->HandleAllocated() || list->Count() == list->Items().Count());
  FUZZ_CHECK(int64_t(list->Count()) * list->Width() * list->Height() <= kMaxImageListPixels);
  const std::string written = list->PropertyStream();
  FUZZ_CHECK(TsAlphaImageList::FromPropertyStream(written)->PropertyStream() == written);
}

}  // namespace fuzz
