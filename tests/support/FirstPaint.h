// Whether a window had the platform's non-client frame when it was first
// painted (installed as the window's event filter): a frame put on after
// the first paint shows the window unframed for a moment.
#pragma once

#include "platform/NonClient.h"

#include <QEvent>
#include <QObject>
#include <QWidget>

#include <optional>

namespace testsupport {

struct FirstPaint : QObject {
  std::optional<bool> framed;
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (e->type() == QEvent::Paint && !framed) framed = platform::HasNonClientFrame(static_cast<QWidget*>(watched));
    return false;
  }
};

}  // namespace testsupport
