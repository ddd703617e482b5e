// SEAM: what the form provider (sSkinProvider.h) leaves to the window
// utilities, built later. The slot is filled by that unit when it starts;
// until then the wrapper gives the stand-in named here:
//   CaptionDrawFlags   the DT_ flags of a caption by its alignment
//                      (0 left, 1 right, 2 centre) and the window's
//                      reading order. Stand-in: the alignment's flag with
//                      DT_VCENTER and DT_EXPANDTABS
// GUI thread only.
#pragma once

#include <functional>

class QWidget;

struct TacProviderSeams {
  std::function<unsigned(int alignment, const QWidget* window)> CaptionDrawFlags;
};

TacProviderSeams& ProviderSeams();

namespace providerseams {

unsigned CaptionDrawFlags(int alignment, const QWidget* window);

}  // namespace providerseams
