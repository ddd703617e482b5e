#include "skinlib/adapters/sSBAnimation.h"

#include "platform/Messages.h"
#include "platform/NonClient.h"
#include "platform/WindowProc.h"
#include "platform/WindowTable.h"
#include "skinlib/adapters/sSkinProvider.h"
#include "skinlib/manager/LibraryMessageBox.h"
#include "skinlib/manager/MaskSlicing.h"
#include "skinlib/manager/SkinMasks.h"
#include "skinlib/manager/SkinOptions.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"

#include <QCursor>
#include <QPainter>

#include <algorithm>

using namespace platform;

namespace {

TacFadeSource ProviderSource(TsSkinProvider* provider) {
  QPointer<TsSkinProvider> p(provider);
  return {[p]() -> QWidget* { return p ? p->Form() : nullptr; },
          [p]() -> TsCommonData* { return p ? p->SkinData() : nullptr; },
          [p]() -> TsSkinManager* { return p ? p->Manager() : nullptr; },
          [p](int hitCode) { return p ? p->ButtonImage(hitCode) : TacButtonImage{}; },
          [p]() -> QPoint {
            QWidget* form = p ? p->Form() : nullptr;
            if (!form) return {};
            // An iconic MDI child's band is on its sub-window.
            return NonClientWidget(form)->mapToGlobal(QPoint(0, 0)) - QPoint(p->CacheShiftX(), p->CacheShiftY());
          }};
}

}  // namespace

TacSBAnimation::TacSBAnimation(TsSkinProvider* provider, int hitCode, int steps)
    : TacSBAnimation(provider, ProviderSource(provider), hitCode, steps) {}

TacSBAnimation::TacSBAnimation(QObject* anchor, TacFadeSource source, int hitCode, int steps)
    : QObject(anchor), anchor_(anchor), source_(std::move(source)), hitCode_(hitCode) {
  Steps = steps;
  timer_.setInterval(kFadeInterval);
  // Nothing leaves the timer's dispatch: a failure ends the fade and is
  // reported.
  QObject::connect(&timer_, &QTimer::timeout, this, [this] {
    try {
      OnTimer();
    } catch (const std::exception& e) {
      Finish();
      ShowErrorBox(QString::fromUtf8(e.what()));
    }
  });
}

TacSBAnimation::~TacSBAnimation() {
  timer_.stop();
  DropWindow();
}

void TacSBAnimation::DropWindow() {
  // The window may be inside the window system's activation right now
  // (the form moves when the activation comes back to it, and a move drops
  // the fades): it goes out of sight at once and is deleted afterwards.
  if (LayeredWindow* window = window_.data()) {
    window_ = nullptr;
    window->hide();
    window->deleteLater();
  }
  image_.reset();
}

bool TacSBAnimation::ButtonAlive() {
  QWidget* form = anchor_ ? source_.Window() : nullptr;
  const bool alive = form && form->isVisible() && source_.Button(hitCode_).Valid;
  if (!alive) Finish();
  return alive;
}

void TacSBAnimation::Finish() {
  timer_.stop();
  State = -1;
  DropWindow();
  deleteLater();
}

void TacSBAnimation::ChangeState(int newState, bool fadeIn) {
  if (newState == State) return;
  State = newState;
  if (State != 0) {
    if (State == 2) DropWindow();
    Step = 1;
    FadeIn = fadeIn;
    ShowFrame(std::min(StepAlpha(), 255));
    Step = 2;
  } else {
    // Fading out goes down from where the fade stands.
    FadeIn = false;
    Step = std::max(Step - 1, 0);
    ShowFrame(std::clamp(StepAlpha() * Step, 0, 255));
  }
  if (Steps > 1) timer_.start();
  else timer_.stop();
}

void TacSBAnimation::OnTimer() {
  if (!ButtonAlive()) return;
  if (FadeIn) {
    if (Step < Steps) {
      ShowFrame(std::clamp(StepAlpha() * Step, 0, 255));
      ++Step;
      return;
    }
    timer_.stop();
    QWidget* form = source_.Window();
    if (const TacButtonImage b = source_.Button(hitCode_); b.Valid && form) {
      const QPoint local = form->mapFromGlobal(QCursor::pos());
      const TRect& r = b.Rect;
      if (!(local.x() >= r.Left && local.x() < r.Right && local.y() >= r.Top && local.y() < r.Bottom))
        SendMessage(form, WM_MOUSELEAVE, 0, 0);
    }
    if (Steps != -1) {
      Steps = -1;
      ShowFrame(255);
    }
    return;
  }
  if (Step > 0) {
    ShowFrame(std::clamp(StepAlpha() * Step, 0, 255));
    --Step;
    return;
  }
  ShowFrame(0);
  Finish();
}

bool TacSBAnimation::BuildImage(TPoint& screenPos) {
  if (!anchor_) return false;
  QWidget* form = source_.Window();
  TsCommonData* data = source_.SkinData();
  if (!form || !data || !data->CacheBitmap) return false;
  TsSkinManager* manager = source_.Manager();
  const TacButtonImage b = source_.Button(hitCode_);
  if (!manager || !b.Valid || b.Rect.Width() <= 0 || b.Rect.Height() <= 0) return false;
  TRect r = b.Rect;
  const int state = std::clamp(State, 0, 2);
  // A hot minimize, maximize or close button glows where the skin has a
  // glow for it.
  const TsMaskData* glow = nullptr;
  int margin = 0;
  if (manager->AllowGlowing() && State == 1 && manager->IsValidMaskIndex(b.ImageIndex) &&
      (hitCode_ == HTMINBUTTON || hitCode_ == HTMAXBUTTON || hitCode_ == HTCLOSE)) {
    const QString name = manager->MaskData[size_t(b.ImageIndex)].PropertyName + QStringLiteral("GLOW0");
    const int g = manager->IndexOfMask(QStringLiteral("GLOBALINFO"), name);
    if (manager->IsValidMaskIndex(g)) glow = &manager->MaskData[size_t(g)];
    if (manager->SkinData) {
      const TsSkinData& s = *manager->SkinData;
      margin = hitCode_ == HTCLOSE ? s.BICloseGlowMargin : hitCode_ == HTMAXBUTTON ? s.BIMaxGlowMargin : s.BIMinGlowMargin;
    }
  }
  const Bitmap& cache = *data->CacheBitmap;
  if (glow) {
    const int w = MaskImageWidth(*glow), h = MaskImageHeight(*glow);
    r = {r.Left - margin, r.Top - margin, r.Left - margin + w, r.Top - margin + h};
    image_ = std::make_unique<Bitmap>(w, h, pf32bit);
    image_->Fill(qRgba(0, 0, 0, 0));
    PaintMaskGlyph(*image_, {0, 0}, 0, 1, *glow, EmptyCacheInfo);
  } else {
    image_ = std::make_unique<Bitmap>(r.Width(), r.Height(), pf32bit);
    for (int y = 0; y < r.Height(); ++y)
      for (int x = 0; x < r.Width(); ++x) {
        const int cx = r.Left + x, cy = r.Top + y;
        const bool inside = cx >= 0 && cy >= 0 && cx < cache.Width() && cy < cache.Height();
        image_->SetArgb(x, y, inside ? (cache.GetArgb(cx, cy) | 0xFF000000u) : 0xFF000000u);
      }
    TsBgSource bg;
    bg.Bitmap = &cache;
    bg.X = r.Left;
    bg.Y = r.Top;
    bg.FillColor = clFuchsia;
    bg.IsReady = true;
    if (manager->IsValidMaskIndex(b.ImageIndex))
      PaintMaskGlyph(*image_, {0, 0}, state, 1, manager->MaskData[size_t(b.ImageIndex)], bg);
    if (b.Glyph && !b.Glyph->Empty()) {
      QPainter painter(image_->PaintDevice());
      painter.drawImage(QPoint((r.Width() - b.Glyph->Width()) / 2, (r.Height() - b.Glyph->Height()) / 2),
                        b.Glyph->ConstImage());
    }
    // Without a border window the picture is opaque.
    for (int y = 0; y < image_->Height(); ++y)
      for (int x = 0; x < image_->Width(); ++x) image_->SetArgb(x, y, image_->GetArgb(x, y) | 0xFF000000u);
  }
  const QPoint origin = source_.CacheOrigin ? source_.CacheOrigin() : form->mapToGlobal(QPoint(0, 0));
  screenPos = {origin.x() + r.Left, origin.y() + r.Top};
  return true;
}

void TacSBAnimation::ShowFrame(int alpha) {
  QWidget* form = anchor_ ? source_.Window() : nullptr;
  if (!form) return;
  TPoint pos;
  if (!BuildImage(pos)) return;
  if (!window_) {
    window_ = new LayeredWindow(form, /*inputTransparent=*/true);
    SetTag(window_, kLibraryWindowTag);
  }
  window_->Update(pos, *image_, uint8_t(std::clamp(alpha, 0, 255)));
  if (!window_->isVisible()) window_->show();
}

TacSBAnimation* FindButtonFade(const QObject* anchor, int hitCode) {
  if (!anchor) return nullptr;
  for (TacSBAnimation* a : anchor->findChildren<TacSBAnimation*>(Qt::FindDirectChildrenOnly))
    if (a->HitCode() == hitCode && a->State != -1) return a;
  return nullptr;
}

TacSBAnimation* FindTitleButtonFade(const TsSkinProvider* provider, int hitCode) {
  return FindButtonFade(provider, hitCode);
}

void StartButtonFade(QObject* anchor, const TacFadeSource& source, int hitCode, int state, int steps, bool fadeIn) {
  if (!anchor || !source.Window()) return;
  if (TacSBAnimation* a = FindButtonFade(anchor, hitCode)) {
    if (!fadeIn) {
      a->ChangeState(state, false);
      return;
    }
    a->State = state;
    a->Steps = steps;
    a->FadeIn = true;
    if (state == 2) {
      a->Step = steps;
      a->DropWindow();
    }
    a->ShowFrame(std::clamp(a->StepAlpha() * a->Step, 0, 255));
    if (steps > 1) a->Timer().start();
    else a->Timer().stop();
    return;
  }
  if (state == 0) return;  // nothing shows that could fade out
  auto* a = new TacSBAnimation(anchor, source, hitCode, steps);
  a->ChangeState(state, true);
}

void StartTitleButtonFade(TsSkinProvider* provider, int hitCode, int state, int steps, bool fadeIn) {
  if (!provider) return;
  StartButtonFade(provider, ProviderSource(provider), hitCode, state, steps, fadeIn);
}

void StopButtonFades(QObject* anchor) {
  if (!anchor) return;
  for (TacSBAnimation* a : anchor->findChildren<TacSBAnimation*>(Qt::FindDirectChildrenOnly)) delete a;
}
