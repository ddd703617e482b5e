// What the platform's screenshot programs share (not tests; they need a
// real X server): the font and the message layer at the start, and at the
// end a grab of the screen's corner where the form stands, saved as a PNG
// in the folder named by the first argument (default: the current one).
#pragma once

#include "platform/WindowProc.h"

#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <cstdio>

namespace shots {

inline void Start() {
  QApplication::setFont(QFont(QStringLiteral("WenQuanYi Micro Hei"), 10));
  platform::StartMessageLayer();
}

// Runs the application; `delayMs` later saves the 440×280 pixels from
// (20, 20) as `name`, quits, and answers the program's exit status.
inline int RunAndShoot(QApplication& app, QWidget& form, int argc, char** argv, const char* name, int delayMs) {
  const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
  int status = 1;
  QTimer::singleShot(delayMs, [&] {
    const QString path = folder + QLatin1Char('/') + QLatin1String(name);
    status = form.screen()->grabWindow(0, 20, 20, 440, 280).save(path) ? 0 : 1;
    std::printf("%s %s\n", status ? "could not write" : "wrote", qPrintable(path));
    app.quit();
  });
  app.exec();
  return status;
}

}  // namespace shots
