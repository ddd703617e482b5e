// SEAM: what the adapter base leaves to adapter units built later. Each
// slot is filled by the unit that owns the step when it starts and
// emptied when it finishes; until then the wrapper does nothing:
//   BroadcastToChildWindows   window utilities: the message sent to every
//                             child window whose parent is `window`
//   PrepareAdapterCache       the edit and list adapters: the skin data's
//                             cache painted anew for `window` (with
//                             `state`, the window-colour variant)
// Tests fill slots to stand in for those units. GUI thread only.
#pragma once

#include "platform/Messages.h"

#include <functional>

class QWidget;
class TsCommonData;

struct TacAdapterBaseSeams {
  std::function<void(QWidget* window, platform::Message& message)> BroadcastToChildWindows;
  std::function<void(TsCommonData& data, QWidget* window, bool state)> PrepareAdapterCache;
};

// The table (empty until the units start).
TacAdapterBaseSeams& AdapterBaseSeams();

namespace adapterseams {

// Nothing when the slot is empty.
void BroadcastToChildWindows(QWidget* window, platform::Message& message);
void PrepareAdapterCache(TsCommonData& data, QWidget* window, bool state);

}  // namespace adapterseams
