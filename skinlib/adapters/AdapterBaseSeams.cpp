#include "skinlib/adapters/AdapterBaseSeams.h"

TacAdapterBaseSeams& AdapterBaseSeams() {
  static TacAdapterBaseSeams table;
  return table;
}

namespace adapterseams {

void BroadcastToChildWindows(QWidget* window, platform::Message& message) {
  if (const auto& slot = AdapterBaseSeams().BroadcastToChildWindows) slot(window, message);
}

void PrepareAdapterCache(TsCommonData& data, QWidget* window, bool state) {
  if (const auto& slot = AdapterBaseSeams().PrepareAdapterCache) slot(data, window, state);
}

}  // namespace adapterseams
