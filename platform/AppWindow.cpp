#include "platform/AppWindow.h"

#include "platform/Startup.h"
#include "platform/WindowPos.h"
#include "platform/WindowProc.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QWidget>

namespace platform {

namespace {

// Named after the class the old framework gave the application's window
// (GetClassName answers with a class's own name).
class TApplication final : public QWidget {
 public:
  TApplication() {
    setAttribute(Qt::WA_DontShowOnScreen);
    setWindowTitle(ApplicationTitle());
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
      const bool active = state == Qt::ApplicationActive;
      if (active != active_) {
        active_ = active;
        SendMessage(this, active ? CM_ACTIVATE : CM_DEACTIVATE);
      }
    });
  }

 private:
  bool active_ = QGuiApplication::applicationState() == Qt::ApplicationActive;
};

QPointer<QWidget>& Instance() {
  static QPointer<QWidget> window;
  return window;
}

QString& Title() {
  static QString title;
  return title;
}

const bool g_unitRegistered = RegisterUnit("ApplicationWindow", [] {}, [] { delete Instance().data(); });

}  // namespace

QString ApplicationTitle() { return Title().isEmpty() ? QGuiApplication::applicationDisplayName() : Title(); }

void SetApplicationTitle(const QString& title) {
  Title() = title;
  if (QWidget* window = Instance()) window->setWindowTitle(ApplicationTitle());
}

QWidget* ApplicationWindow() {
  QPointer<QWidget>& window = Instance();
  if (!window && qobject_cast<QApplication*>(QCoreApplication::instance())) window = new TApplication;
  return window;
}

bool IsApplicationWindow(const QWidget* window) { return window && window == Instance(); }

namespace {

// The windows MinimizeApplication minimizes.
bool ApplicationShows(const QWidget* w) {
  return w->isVisible() && !IsApplicationWindow(w) && w->windowType() != Qt::Popup;
}

}  // namespace

void MinimizeApplication() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (ApplicationShows(w) && CanMinimize(w)) w->showMinimized();
}

bool IsApplicationMinimized() {
  bool shows = false;
  for (const QWidget* w : QApplication::topLevelWidgets()) {
    if (!ApplicationShows(w)) continue;
    if (!w->isMinimized()) return false;
    shows = true;
  }
  return shows;
}

}  // namespace platform
