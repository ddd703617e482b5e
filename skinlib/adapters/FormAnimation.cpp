#include "skinlib/adapters/FormAnimation.h"

#include "platform/LayeredWindow.h"
#include "platform/NonClient.h"
#include "platform/Painting.h"
#include "platform/Properties.h"
#include "platform/Startup.h"
#include "platform/Timers.h"
#include "platform/WindowPos.h"
#include "platform/WindowProc.h"
#include "platform/WindowTable.h"
#include "skinlib/adapters/AdapterUtils.h"
#include "skinlib/adapters/SkinCommandSenders.h"
#include "skinlib/adapters/sSkinProvider.h"
#include "skinlib/manager/AdapterEntryPoints.h"
#include "skinlib/manager/AlphaPainting.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/SkinnedForms.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

#include <algorithm>
#include <vector>

using namespace platform;

namespace {

constexpr unsigned kStepMilliseconds = 8;
constexpr std::uintptr_t kStepTimer = 1;
constexpr int kOutputWindowColor = 0x800080;

QPointer<QWidget> repaintWindow;
class ShowAnimation;
std::vector<ShowAnimation*> animations;
// Animations running now; the skinned forms stay locked while any does.
int runningAnimations = 0;

QWidget* ParentControl(const QWidget* control) {
  return control && !control->isWindow() ? control->parentWidget() : nullptr;
}

// The control's rectangle on the screen.
QRect ScreenRect(const QWidget* control) { return QRect(control->mapToGlobal(QPoint(0, 0)), control->size()); }

// What the screen shows in `r` (24 bits, the size of `r`; what lies off
// every screen stays white).
Bitmap GrabScreen(const QRect& r) {
  Bitmap copy(r.width(), r.height(), pf24bit);
  QScreen* screen = QGuiApplication::screenAt(r.center());
  if (!screen) screen = QGuiApplication::primaryScreen();
  if (!screen) return copy;
  const QRect area = screen->geometry();
  const QImage shot = screen->grabWindow(0, r.x() - area.x(), r.y() - area.y(), r.width(), r.height()).toImage();
  if (shot.isNull()) return copy;
  QPainter p(copy.PaintDevice());
  p.drawImage(QPoint(0, 0), shot);
  return copy;
}

void SendRefresh() {
  if (repaintWindow) SendSkinCommandToHandle(repaintWindow, acRefresh, LPARAM(FirstSkinManager));
}

// One running animation; it belongs to its output window and ends with it
// at the latest. The repaint window's handlers and the control's own may
// delete the control or its form (and so the output window and this)
// whenever a message goes out: each step checks before it goes on.
class ShowAnimation : public QObject {
 public:
  ShowAnimation(TOutputWindow* out, QWidget* control, unsigned steps, Bitmap screen)
      : QObject(out), out_(out), control_(control), steps_(steps), screen_(std::move(screen)) {
    if (runningAnimations++ == 0) FormsLocked = true;
    animations.push_back(this);
    timerProc_ = InstallWindowProc(out, [this](Message& m, const CallPrevious& previous) {
      if (m.Msg == WM_TIMER && m.WParam == kStepTimer)
        Step();
      else
        previous(m);
    });
  }
  ~ShowAnimation() override {
    RemoveWindowProc(timerProc_);
    std::erase(animations, this);
    Unlock();
  }

  TOutputWindow* Out() const { return out_; }
  QWidget* Control() const { return control_; }
  bool Finishing() const { return finishing_; }

  // Paints the control's picture and shows the first step, or the end.
  void Start() {
    const QPointer<ShowAnimation> self(this);
    snapshot_ = Bitmap(control_->width(), control_->height(), pf24bit);
    PaintControlToBitmap(snapshot_, control_, 0, 0, nullptr);
    if (!self) return;
    work_ = Bitmap(snapshot_.Width(), snapshot_.Height(), pf32bit);
    if (control_ && control_->isWindow()) {
      // A form with a provider keeps its outline.
      QObject* provider = FormProvider(control_);
      QRegion region;
      if (!self) return;
      if (provider && control_ && !adapters::ProviderHasBorderWindow(provider) &&
          GetWindowRgn(control_, region) != ERROR)
        SetWindowRgn(out_, region, false);
    }
    if (steps_ == 0 || !control_) {
      Finish();
      return;
    }
    step_ = 255 / int(steps_);
    if (ShowMix()) SetTimer(out_, kStepTimer, kStepMilliseconds);
  }

  // Ends at once: the final picture, the control redrawn, the window freed.
  void Finish() {
    if (finishing_) return;
    finishing_ = true;
    const QPointer<ShowAnimation> self(this);
    KillTimer(out_, kStepTimer);
    out_->ShowPicture(snapshot_);
    SendRefresh();
    if (!self) return;  // went with its window; its end unlocked
    Unlock();
    if (control_) SendMessage(control_, WM_SETREDRAW, 1);
    if (control_)
      RedrawWindow(control_, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    if (!self) return;
    if (!control_ || !(GetWindowLong(control_, GWL_EXSTYLE) & WS_EX_LAYERED))
      SetWindowPos(out_, nullptr, 0, 0, 0, 0,
                   SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOREDRAW | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE);
    if (self) delete out_;  // and this with it: nothing may follow
  }

 private:
  // The next step: screen and picture mixed by k, which falls by 255 div N
  // from 255 (all screen) at the first step to 255 - N x (255 div N) at
  // the last. False when the animation went meanwhile.
  bool ShowMix() {
    MixBitmaps(work_, screen_, snapshot_, std::max(k_, 0));
    out_->ShowPicture(work_);
    k_ -= step_;
    ++shown_;
    const QPointer<ShowAnimation> self(this);
    SendRefresh();
    return self;
  }

  void Step() {
    if (finishing_) return;
    if (!control_ || shown_ > steps_) {
      Finish();
      return;
    }
    if (ShowMix() && shown_ > steps_) Finish();
  }

  void Unlock() {
    if (unlocked_) return;
    unlocked_ = true;
    if (--runningAnimations == 0) FormsLocked = false;
  }

  TOutputWindow* out_;
  QPointer<QWidget> control_;
  unsigned steps_;
  unsigned shown_ = 0;
  int k_ = 255;
  int step_ = 0;
  bool unlocked_ = false;
  bool finishing_ = false;
  Bitmap screen_, snapshot_, work_;
  WindowProcHandle timerProc_;
};

// The output window over the control, shown, with the screen behind it.
TOutputWindow* PrepareOutputWindow(QWidget* control, Bitmap& screen) {
  screen = GrabScreen(ScreenRect(control));
  // The sibling right above the control, before the output window joins.
  QWidget* above = ParentControl(control) ? GetWindow(control, GW_HWNDPREV) : nullptr;
  auto* out = new TOutputWindow(control);
  out->ShowPicture(screen);
  if (ParentControl(control)) {
    const QRect r = control->geometry();
    SetWindowPos(out, above ? above : HWND_TOP, r.x(), r.y(), r.width(), r.height(), SWP_NOACTIVATE);
    ShowWindow(out, SW_SHOWNA);
  } else {
    out->setGeometry(ScreenRect(control));
    SetWindowPos(out, nullptr, 0, 0, 0, 0, SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER);
  }
  return out;
}

// The show animation of a form with an extended border: a layered
// stand-by window at the border window's place shows the whole skinned
// picture (border, title, shadow and the form's client) fading in from
// alpha 0 to the form's own; the form itself is see-through meanwhile.
// Then the stand-by window goes, the border window shows the picture and
// the form paints itself.
class StandByAnimation : public QObject {
 public:
  // A child of its form: a form that goes takes its animation along.
  StandByAnimation(QWidget* form, TsSkinProvider* provider, unsigned steps)
      : QObject(form), form_(form), provider_(provider), steps_(steps) {
    if (runningAnimations++ == 0) FormsLocked = true;
    target_ = form->property("AlphaBlend").toBool()
                  ? std::uint8_t(std::clamp(form->property("AlphaBlendValue").toInt(), 0, 255))
                  : 255;
  }
  ~StandByAnimation() override {
    delete window_.data();
    Unlock();
  }

  void Start() {
    provider_->PaintAll();
    const Bitmap* cache = provider_->SkinData() ? provider_->SkinData()->CacheBitmap.get() : nullptr;
    if (!cache || cache->PixelFormat() != pf32bit || !form_) {
      Finish();
      return;
    }
    // The skinned picture with the form's client painted in, opaque.
    snapshot_ = *cache;
    Bitmap client(form_->width(), form_->height(), pf24bit);
    const QPointer<StandByAnimation> self(this);
    PaintControlToBitmap(client, form_, 0, 0, nullptr);
    if (!self || !form_ || !provider_) return;
    const QRect c = form_->contentsRect();
    const int dx = provider_->CacheShiftX(), dy = provider_->CacheShiftY();
    client.GetCanvas().EndPainting();
    snapshot_.GetCanvas().EndPainting();
    for (int y = c.top(); y <= c.bottom(); ++y) {
      if (y + dy < 0 || y + dy >= snapshot_.Height()) continue;
      const uint8_t* src = client.ScanLine(y);
      uint8_t* dst = snapshot_.ScanLine(y + dy);
      for (int x = c.left(); x <= c.right(); ++x) {
        if (x + dx < 0 || x + dx >= snapshot_.Width()) continue;
        uint8_t* d = dst + 4 * (x + dx);
        const uint8_t* p = src + 3 * x;
        d[0] = p[0], d[1] = p[1], d[2] = p[2], d[3] = 255;
      }
    }
    const TRect r = GetWindowRect(form_);
    position_ = {r.Left - dx, r.Top - dy};
    auto* window = new LayeredWindow(nullptr, /*inputTransparent=*/true);
    window->setObjectName(QStringLiteral("acStandByWindow"));
    SetTag(window, -98);
    window_ = window;
    if (GetWindowLong(form_, GWL_EXSTYLE) & WS_EX_TOPMOST)
      SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (TacBorderForm* border = provider_->BorderForm())
      if (QWidget* w = border->BorderWindow()) w->hide();
    opacity_ = form_->windowOpacity();
    if (steps_ > 0) form_->setWindowOpacity(0.0);
    window->Update(position_, snapshot_, steps_ > 0 ? 0 : target_);
    ShowWindow(window, SW_SHOWNOACTIVATE);
    form_->raise();
    if (steps_ == 0) {
      Finish();
      return;
    }
    step_ = std::max(1, target_ / int(steps_));
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, [this] { Step(); });
    timer->start(int(kStepMilliseconds));
  }

  QWidget* Form() const { return form_; }
  LayeredWindow* Window() const { return window_; }

  void Finish() {
    if (finished_) return;
    finished_ = true;
    const QPointer<StandByAnimation> self(this);
    Unlock();
    if (form_) {
      form_->setWindowOpacity(opacity_);
      SendMessage(form_, WM_SETREDRAW, 1);
    }
    if (!self) return;
    delete window_.data();
    if (provider_) provider_->UpdateBorderWindow(true);
    if (!self) return;
    if (form_) RedrawWindow(form_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    if (self) deleteLater();
  }

 private:
  void Step() {
    if (finished_) return;
    if (!form_ || !window_ || !provider_) {
      Finish();
      return;
    }
    alpha_ = std::min(alpha_ + step_, int(target_));
    window_->Update(position_, snapshot_, std::uint8_t(alpha_));
    const QPointer<StandByAnimation> self(this);
    SendRefresh();
    if (self && ++shown_ > steps_) Finish();
  }
  void Unlock() {
    if (unlocked_) return;
    unlocked_ = true;
    if (--runningAnimations == 0) FormsLocked = false;
  }

  QPointer<QWidget> form_;
  QPointer<TsSkinProvider> provider_;
  QPointer<LayeredWindow> window_;
  unsigned steps_;
  unsigned shown_ = 0;
  std::uint8_t target_ = 255;
  int alpha_ = 0;
  int step_ = 0;
  double opacity_ = 1.0;
  TPoint position_;
  Bitmap snapshot_;
  bool finished_ = false;
  bool unlocked_ = false;
};

std::vector<QPointer<StandByAnimation>> standBys;

}  // namespace

LayeredWindow* StandByWindowOf(const QWidget* form) {
  for (const QPointer<StandByAnimation>& a : standBys)
    if (a && a->Form() == form) return a->Window();
  return nullptr;
}

// ------------------------------------------------------------ TOutputWindow

TOutputWindow::TOutputWindow(QWidget* control)
    : QWidget(ParentControl(control) ? ParentControl(control) : control) {
  if (!ParentControl(control)) {
    Qt::WindowFlags flags = Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus |
                            Qt::NoDropShadowWindowHint | Qt::BypassWindowManagerHint;
    if (control && (GetWindowLong(control, GWL_EXSTYLE) & WS_EX_TOPMOST)) flags |= Qt::WindowStaysOnTopHint;
    setWindowFlags(flags);
    setAttribute(Qt::WA_ShowWithoutActivating);
  }
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  setFocusPolicy(Qt::NoFocus);
  // It paints while its owner is locked (and would pass that on to it).
  setUpdatesEnabled(true);
  hide();
  PutWindowText(this, QStringLiteral("acOutputWindow"));
  SetControlColor(this, kOutputWindowColor);
  SetTag(this, -98);
  // It only shows what it is given: no background, no frame.
  InstallWindowProc(this, [](Message& m, const CallPrevious& previous) {
    if (m.Msg == WM_ERASEBKGND)
      m.Result = 1;
    else if (m.Msg == WM_NCPAINT)
      m.Result = 0;
    else
      previous(m);
  });
}

void TOutputWindow::ShowPicture(const Bitmap& picture) {
  picture_ = picture;
  repaint();
}

void TOutputWindow::paintEvent(QPaintEvent*) {
  if (picture_.Empty()) return;
  QPainter p(this);
  p.drawImage(QPoint(0, 0), picture_.OpaqueImage());
}

// ------------------------------------------------------------ the animation

TOutputWindow* OutputWindowOf(const QWidget* control) {
  if (!control) return nullptr;
  for (const ShowAnimation* a : animations)
    if (a->Control() == control) return a->Out();
  return nullptr;
}

void AnimateFormShow(QWidget* control, unsigned time) {
  if (!control || IsDestroying(control)) return;
  const QPointer<QWidget> alive(control);
  for (ShowAnimation* running : animations)
    if (running->Control() == control && !running->Finishing()) {
      running->Finish();  // takes it out of the list: the walk ends here
      break;
    }
  if (!alive) return;
  // A form with an extended border fades in whole on a stand-by window.
  if (auto* provider = qobject_cast<TsSkinProvider*>(control->isWindow() ? FormProvider(control) : nullptr);
      provider && provider->HasBorderWindow() && platform::LayeredWindowsAvailable()) {
    for (const QPointer<StandByAnimation>& a : standBys)
      if (a && a->Form() == control) a->Finish();
    std::erase_if(standBys, [](const QPointer<StandByAnimation>& a) { return !a; });
    auto* animation = new StandByAnimation(control, provider, (time & 0xFFFF) >> 3);
    standBys.emplace_back(animation);
    animation->Start();
    return;
  }
  Bitmap screen;
  TOutputWindow* out = PrepareOutputWindow(control, screen);
  (new ShowAnimation(out, control, (time & 0xFFFF) >> 3, std::move(screen)))->Start();
}

void SetAnimationRepaintWindow(QWidget* window) { repaintWindow = window; }

QWidget* AnimationRepaintWindow() { return repaintWindow; }

namespace {

void StartAnimation() { AdapterEntryPoints().AnimateFormShow = &AnimateFormShow; }
void FinishAnimation() { AdapterEntryPoints().AnimateFormShow = nullptr; }

[[maybe_unused]] const bool registered =
    RegisterUnit("FormAnimation", StartAnimation, FinishAnimation, {"LibraryConstants"});

}  // namespace
