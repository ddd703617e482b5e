// Timers in the Windows manner: SetTimer(widget, id, ms) sends WM_TIMER
// (WParam = id) through the widget's chain every `ms` milliseconds; the
// same widget and id again restart the timer with the new interval. Once
// KillTimer returns, or the widget is gone, no WM_TIMER of that timer
// arrives any more, also none that was due already. A handler's exception
// ends at the timer: it is reported to the user from the event loop. GUI
// thread only.
#pragma once

#include <cstdint>

class QWidget;

namespace platform {

// The id, or 0 when there is no widget.
std::uintptr_t SetTimer(QWidget* widget, std::uintptr_t id, unsigned milliseconds);
// False when there is no such timer.
bool KillTimer(QWidget* widget, std::uintptr_t id);

}  // namespace platform
