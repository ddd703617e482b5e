// The fade of one caption button between its normal, hot and pressed
// images (`TacSBAnimation`): a 12 ms timer that shows the button's image
// in a layered window (platform/LayeredWindow.h, Tag -98, transparent for
// input) just above its form, at a growing or shrinking constant alpha.
//
// A fade belongs to its form provider (a child object of it, so it goes
// with the provider and its form) and knows its button by hit code only:
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

#include <memory>

class TsSkinProvider;

inline constexpr int kFadeInterval = 12;
inline constexpr int kFadeSteps = 10;
// The Tag of the library's own windows, which nothing adapts.
inline constexpr int kLibraryWindowTag = -98;

class TacSBAnimation : public QObject {
  Q_OBJECT

 public:
  TacSBAnimation(TsSkinProvider* provider, int hitCode, int steps);
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
  // Drops the window and the image (made again by the next frame).
  void DropWindow();

  QTimer& Timer() { return timer_; }
  platform::LayeredWindow* AnimWindow() const { return window_.data(); }
  const platform::Bitmap* Image() const { return image_.get(); }

 private:
  // False (and the fade stopping) when the form or button has gone.
  bool ButtonAlive();
  void Finish();
  bool BuildImage(platform::TPoint& screenPos);

  QPointer<TsSkinProvider> provider_;
  int hitCode_;
  QTimer timer_;
  QPointer<platform::LayeredWindow> window_;
  std::unique_ptr<platform::Bitmap> image_;
};

// The fade of a button of `provider` (nullptr: none).
TacSBAnimation* FindTitleButtonFade(const TsSkinProvider* provider, int hitCode);
// Starts or retargets the fade of one caption button.
void StartTitleButtonFade(TsSkinProvider* provider, int hitCode, int state, int steps, bool fadeIn);
