// The fade of one caption button between its normal, hot and pressed
// images (`TacSBAnimation`): a 12 ms timer that shows the button's image
// in a layered window (platform/LayeredWindow.h, Tag -98, transparent for
// input) just above its form, at a growing or shrinking constant alpha.
//
// A fade belongs to the owner of its button, a form provider or a dialog
// adapter's anchor (a child object of it, so it goes with its owner), reads
// the button through the owner's TacFadeSource and knows it by hit code only:
// every tick looks the button up again, and a fade whose form or button
// has gone stops and frees itself. At most one fade runs per button.
//
// Hot: 10 steps fading in (alpha 255 div 10 = 25, 50, ... 225 on the
// ticks, then 255 once); pressed: 1 step, shown at once without a timer;
// normal: 10 steps fading out from where the fade stands, then the window
// goes and the fade frees itself. GUI thread only; nothing here raises
// into the timer's dispatch.
#pragma once

#include "platform/Bitmap.h"
#include "platform/LayeredWindow.h"
#include "platform/WinTypes.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>

class QWidget;
class TsCommonData;
class TsSkinManager;
class TsSkinProvider;
struct TacButtonImage;

// What a fade reads of its button's owner, each time it paints: the window
// whose caption shows the button, its skin data (the cache the button lies
// in), the manager, and the button (Valid false once it has gone).
struct TacFadeSource {
  std::function<QWidget*()> Window;
  std::function<TsCommonData*()> SkinData;
  std::function<TsSkinManager*()> Manager;
  std::function<TacButtonImage(int hitCode)> Button;
  // Where the cache's point (0, 0) lies on the screen: the window's corner
  // when empty (a border window around the form shows the cache from its
  // own corner).
  std::function<QPoint()> CacheOrigin;
};

inline constexpr int kFadeInterval = 12;
inline constexpr int kFadeSteps = 10;
// The Tag of the library's own windows, which nothing adapts.
inline constexpr int kLibraryWindowTag = -98;

class TacSBAnimation : public QObject {
  Q_OBJECT

 public:
  TacSBAnimation(TsSkinProvider* provider, int hitCode, int steps);
  // A fade of another owner: `anchor` is its parent (and its life).
  TacSBAnimation(QObject* anchor, TacFadeSource source, int hitCode, int steps);
  ~TacSBAnimation() override;

  int HitCode() const { return hitCode_; }
  int Step = 0;
  // 0 normal, 1 hot, 2 pressed, -1 finished.
  int State = -1;
  bool FadeIn = false;
  // -1 after a fade in has completed.
  int Steps = 0;
  int StepAlpha() const { return Steps > 0 ? 255 / Steps : 0; }

  void ChangeState(int newState, bool fadeIn);
  void OnTimer();
  // Shows the button's image at `alpha`, making the image and window when
  // missing.
  void ShowFrame(int alpha);
  // Drops the window (hidden now, deleted later) and the image, both made
  // again by the next frame.
  void DropWindow();

  QTimer& Timer() { return timer_; }
  platform::LayeredWindow* AnimWindow() const { return window_.data(); }
  const platform::Bitmap* Image() const { return image_.get(); }

 private:
  // False (and the fade stopping) when the form or button has gone.
  bool ButtonAlive();
  void Finish();
  bool BuildImage(platform::TPoint& screenPos);

  QPointer<QObject> anchor_;
  TacFadeSource source_;
  int hitCode_;
  QTimer timer_;
  QPointer<platform::LayeredWindow> window_;
  std::unique_ptr<platform::Bitmap> image_;
};

// The fade of a button of `provider` (nullptr: none).
TacSBAnimation* FindTitleButtonFade(const TsSkinProvider* provider, int hitCode);
// Starts or retargets the fade of one caption button.
void StartTitleButtonFade(TsSkinProvider* provider, int hitCode, int state, int steps, bool fadeIn);
// The same for the buttons of any owner, anchored at `anchor`.
TacSBAnimation* FindButtonFade(const QObject* anchor, int hitCode);
void StartButtonFade(QObject* anchor, const TacFadeSource& source, int hitCode, int state, int steps, bool fadeIn);
// Every fade of `anchor` stopped and freed at once (their windows gone).
void StopButtonFades(QObject* anchor);
