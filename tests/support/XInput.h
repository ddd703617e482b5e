// The screen and the real mouse of a test's X server: the screen as it
// shows, and xdotool moving and clicking (a failed call fails the test).
#pragma once

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QPoint>
#include <QScreen>
#include <QString>

#include <gtest/gtest.h>

#include <cstdlib>

namespace testsupport {

inline QImage Screen() { return QGuiApplication::primaryScreen()->grabWindow(0).toImage(); }

inline void XDoTool(const QString& arguments) {
  const int rc = std::system(("xdotool " + arguments).toLocal8Bit().constData());
  EXPECT_EQ(rc, 0) << "xdotool " << arguments.toStdString();
}

inline void MoveMouse(QPoint at) { XDoTool(QStringLiteral("mousemove %1 %2").arg(at.x()).arg(at.y())); }

inline void ClickAt(QPoint at) { XDoTool(QStringLiteral("mousemove %1 %2 click 1").arg(at.x()).arg(at.y())); }

}  // namespace testsupport
