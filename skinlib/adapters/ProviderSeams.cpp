#include "skinlib/adapters/ProviderSeams.h"

#include "platform/Canvas.h"

using namespace platform;

TacProviderSeams& ProviderSeams() {
  static TacProviderSeams seams;
  return seams;
}

namespace providerseams {

unsigned CaptionDrawFlags(int alignment, const QWidget* window) {
  if (ProviderSeams().CaptionDrawFlags) return ProviderSeams().CaptionDrawFlags(alignment, window);
  const unsigned align = alignment == 1 ? DT_RIGHT : alignment == 2 ? DT_CENTER : DT_LEFT;
  return align | DT_VCENTER | DT_EXPANDTABS;
}

}  // namespace providerseams
