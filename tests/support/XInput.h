// The screen and the real mouse of a test's X server: the screen as it
// shows, and xdotool moving and clicking (a failed call fails the test);
// what the program has taken in of that mouse.
#pragma once

#include "support/XPrograms.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QImage>
#include <QMouseEvent>
#include <QObject>
#include <QPixmap>
#include <QPoint>
#include <QScreen>
#include <QString>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <utility>

namespace testsupport {

inline QImage Screen() { return QGuiApplication::primaryScreen()->grabWindow(0).toImage(); }

// The screen's `area` once it holds still (two looks a moment apart, events
// taken in between, agree): what the steps so far asked for, a fade among
// them, is painted. False, `shot` the last look, when the time is up.
inline bool ScreenHoldsStill(const QRect& area, QImage& shot, int ms = 5000) {
  shot = Screen().copy(area);
  return WaitFor([&] {
    QImage next = Screen().copy(area);
    return std::exchange(shot, std::move(next)) == shot;
  }, ms);
}

inline void XDoTool(const QString& arguments) {
  const int rc = std::system(("xdotool " + arguments).toLocal8Bit().constData());
  EXPECT_EQ(rc, 0) << "xdotool " << arguments.toStdString();
}

inline void MoveMouse(QPoint at) { XDoTool(QStringLiteral("mousemove %1 %2").arg(at.x()).arg(at.y())); }

inline void ClickAt(QPoint at) { XDoTool(QStringLiteral("mousemove %1 %2 click 1").arg(at.x()).arg(at.y())); }

// Drags the pressed mouse on to `to` until `there` holds, a second at a
// time, ten times at most: a window manager that takes a move or resize
// over follows only the motions after it has grabbed the pointer, so the
// pointer comes again (from a pixel beside) until it has.
inline bool DragOnTo(QPoint to, const std::function<bool()>& there) {
  for (int i = 0; i < 10; ++i) {
    XDoTool(QStringLiteral("mousemove %1 %2 mousemove %3 %4").arg(to.x() + 1).arg(to.y()).arg(to.x()).arg(to.y()));
    if (WaitFor(there, 1000)) return true;
  }
  return false;
}

// What the program has taken in of the mouse while this lives: the presses
// and releases that reached one of its windows, and where it last saw the
// pointer move. A test waits for the program to have taken in a step
// before it makes the next or looks at what the step did.
class SeenInput final : public QObject {
 public:
  SeenInput() { QCoreApplication::instance()->installEventFilter(this); }
  ~SeenInput() override { QCoreApplication::instance()->removeEventFilter(this); }
  SeenInput(const SeenInput&) = delete;
  SeenInput& operator=(const SeenInput&) = delete;

  int Presses = 0, Releases = 0;
  QPoint At{-1, -1};

  bool eventFilter(QObject* watched, QEvent* e) override {
    if (!watched->isWindowType()) return false;  // each event once, as the window takes it
    switch (e->type()) {
      case QEvent::MouseButtonPress: ++Presses; break;
      case QEvent::MouseButtonRelease: ++Releases; break;
      case QEvent::MouseMove: At = static_cast<QMouseEvent*>(e)->globalPosition().toPoint(); break;
      default: break;
    }
    return false;
  }
};

}  // namespace testsupport
