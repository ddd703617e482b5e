#include "skinlib/adapters/acBorderForm.h"

#include "platform/LayeredWindow.h"
#include "platform/NonClient.h"
#include "platform/WindowPos.h"
#include "platform/WindowTable.h"
#include "platform/WindowUtils.h"
#include "skinlib/manager/FastBitmaps.h"
#include "skinlib/manager/SkinOptions.h"
#include "skinlib/manager/sSkinManager.h"

#include <QApplication>
#include <QCoreApplication>

#include <algorithm>
#include <cstring>

using namespace platform;

namespace {

constexpr int kLibraryTag = -98;

bool Inside(const TRect& r, TPoint p) { return p.X >= r.Left && p.X < r.Right && p.Y >= r.Top && p.Y < r.Bottom; }

bool IsTitleButtonCode(int code) {
  return code == HTMINBUTTON || code == HTMAXBUTTON || code == HTCLOSE || code == HTHELP || code >= 1000;
}

// Where a pixel of a nine-part destination `size` long takes its source
// in a piece `source` long with borders `lead` and `trail`.
int NinePartSource(int x, int size, int source, int lead, int trail) {
  if (source <= 0) return -1;
  lead = std::min(lead, source);
  trail = std::min(trail, source - lead);
  if (x < lead) return x;
  if (x >= size - trail) return std::clamp(source - (size - x), 0, source - 1);
  const int middle = source - lead - trail, span = size - lead - trail;
  if (middle <= 0 || span <= 0) return std::clamp(lead, 0, source - 1);
  return lead + (x - lead) * middle / span;
}

}  // namespace

std::optional<Qt::CursorShape> BorderCursor(int hitCode) {
  switch (hitCode) {
    case HTCAPTION:
    case HTMENU:
      return Qt::ArrowCursor;
    case HTLEFT:
    case HTRIGHT:
      return Qt::SizeHorCursor;
    case HTTOP:
    case HTBOTTOM:
      return Qt::SizeVerCursor;
    case HTTOPLEFT:
    case HTBOTTOMRIGHT:
      return Qt::SizeFDiagCursor;
    case HTTOPRIGHT:
    case HTBOTTOMLEFT:
      return Qt::SizeBDiagCursor;
    default:
      return std::nullopt;
  }
}

void LayExtendedBorder(Bitmap& image, const TRect& inner, const Bitmap& border, const TRect& corners,
                       int formOffset) {
  if (image.PixelFormat() != pf32bit || border.Empty() || border.PixelFormat() != pf32bit) return;
  const int w = image.Width(), h = image.Height();
  const int bw = border.Width(), bh = border.Height();
  const TRect band{inner.Left + formOffset, inner.Top + formOffset, inner.Right - formOffset,
                   inner.Bottom - formOffset};
  for (int y = 0; y < h; ++y) {
    const int sy = NinePartSource(y, h, bh, corners.Top, corners.Bottom);
    uint8_t* row = image.ScanLine(y);
    const uint8_t* srcRow = sy >= 0 ? border.ScanLine(sy) : nullptr;
    for (int x = 0; x < w; ++x) {
      uint8_t* p = row + 4 * x;
      const int sx = NinePartSource(x, w, bw, corners.Left, corners.Right);
      const uint8_t* s = srcRow && sx >= 0 ? srcRow + 4 * sx : nullptr;
      const bool in = Inside(inner, {x, y});
      const bool key = p[0] == 0xFF && p[1] == 0x00 && p[2] == 0xFF;
      if (!in || key) {
        // The border picture as it is (nothing of it: clear).
        for (int i = 0; i < 4; ++i) p[i] = s ? s[i] : 0;
        continue;
      }
      p[3] = 255;
      if (s && s[3] > 0 && !Inside(band, {x, y})) {
        // The picture's inner edge over the window's own pixels.
        const int a = s[3];
        for (int i = 0; i < 3; ++i) p[i] = uint8_t((s[i] * a + p[i] * (255 - a) + 127) / 255);
      }
    }
  }
}

void ComposeExtendedBorder(Bitmap& cache, const Bitmap& picture, const TsSkinManager& m, int borderMaskIndex,
                           const std::function<void(Bitmap&)>& paintTitle) {
  if (!m.SkinData || cache.PixelFormat() != pf32bit || picture.Empty()) return;
  const TRect e = m.ExtBorderMargins;
  const int offset = m.SkinData->FormOffset;
  const int w = cache.Width(), h = cache.Height();
  const TRect inner{e.Left, e.Top, w - e.Right, h - e.Bottom};
  const TRect corners{e.Left + offset, e.Top + offset, e.Right + offset, e.Bottom + offset};
  cache.GetCanvas().EndPainting();
  const bool mode1 = m.SkinData->BorderMode == 1;
  if (!mode1 && m.IsValidMaskIndex(borderMaskIndex)) {
    // The picture alone, where the window's clear corners take theirs from.
    Bitmap laid(w, h, pf32bit);
    laid.Fill(qRgb(255, 0, 255));
    LayExtendedBorder(laid, inner, picture, corners, offset);
    LayExtendedBorder(cache, inner, picture, corners, offset);
    const TsMaskData& mask = m.MaskData[size_t(borderMaskIndex)];
    const struct {
      TRect r;
      int code;
    } at[] = {{{inner.Left, inner.Top, inner.Left + mask.WL, inner.Top + mask.WT}, kCornerTopLeft},
              {{inner.Right - mask.WR, inner.Top, inner.Right, inner.Top + mask.WT}, kCornerTopRight},
              {{inner.Left, inner.Bottom - mask.WB, inner.Left + mask.WL, inner.Bottom}, kCornerBottomLeft},
              {{inner.Right - mask.WR, inner.Bottom - mask.WB, inner.Right, inner.Bottom}, kCornerBottomRight}};
    for (const auto& c : at)
      CopyTransparentCorner(cache, laid, c.r, {c.r.Left, c.r.Top}, borderMaskIndex, &m, c.code);
    return;
  }
  LayExtendedBorder(cache, inner, picture, corners, offset);
  if (!mode1 || !paintTitle) return;
  // BORDERMODE 1: the title over the picture; what it changed is opaque.
  const Bitmap before = cache;
  paintTitle(cache);
  cache.GetCanvas().EndPainting();
  for (int y = 0; y < h; ++y) {
    std::uint8_t* d = cache.ScanLine(y);
    const std::uint8_t* b = before.ScanLine(y);
    for (int x = 0; x < w; ++x, d += 4, b += 4)
      if (std::memcmp(d, b, 4) != 0) d[3] = 255;
  }
}

// ------------------------------------------------------------ life

TacBorderForm::TacBorderForm(TacBorderOwner& owner) : owner_(owner) {
  auto* window = new LayeredWindow(nullptr, /*inputTransparent=*/false);
  window->setObjectName(QStringLiteral("acBorderWindow"));
  SetTag(window, kLibraryTag);
  window->setFocusPolicy(Qt::NoFocus);
  window_ = window;
  proc_ = InstallWindowProc(
      window, [this](Message& m, const CallPrevious& previous) { BorderWndProc(m, previous); },
      WindowProcLevel::Window);
}

TacBorderForm::~TacBorderForm() {
  owner_.FreeGlows();
  RemoveWindowProc(proc_);
  delete window_.data();
}

LayeredWindow* TacBorderForm::BorderWindow() const { return window_.data(); }

// ------------------------------------------------------------ metrics

int TacBorderForm::OwnerTopOffset() const {
  const int title = owner_.HasCaption() ? owner_.SkinTitleHeight() : 0;
  return owner_.BorderMargins().Top - owner_.SystemBorderWidth() + title - owner_.SystemCaptionHeight();
}

int TacBorderForm::OwnerLeftOffset() const {
  return owner_.SkinBorderWidth() - owner_.SystemBorderWidth() + owner_.BorderMargins().Left;
}

std::optional<QRegion> TacBorderForm::MakeBorderRegion() const {
  QWidget* window = owner_.OwnerWindow();
  const Bitmap* image = owner_.OwnerImage();
  if (!window || !image) return std::nullopt;
  const TRect m = owner_.BorderMargins();
  const int width = image->Width(), height = image->Height();
  const TRect client = owner_.ClientRectInImage();
  const QRegion clientRegion(client.Left, client.Top, client.Width(), client.Height());
  const bool alphaBlend = owner_.IsProvider() && owner_.AlphaBlend();
  if (IsZoomed(window)) {
    // Only the skinned frame: no shadow beyond the screen's edges.
    const int b = owner_.SystemBorderWidth();
    const int d = owner_.SkinBorderWidth() - b;
    const int left = m.Left + b + d, top = m.Top + 4;
    const int right = width - b - d - m.Right, bottom = height - b - d - m.Bottom;
    QRegion region(left, top, std::max(0, right - left), std::max(0, bottom - top));
    if (alphaBlend) region ^= clientRegion;
    return region;
  }
  if (!alphaBlend) return std::nullopt;
  return QRegion(0, 0, width, height) ^ clientRegion;
}

bool TacBorderForm::IsOutsideFrame(TPoint p) {
  QWidget* window = owner_.OwnerWindow();
  if (!window_ || !window || IsZoomed(window)) return false;
  const TRect m = owner_.BorderMargins();
  const int width = window_->width(), height = window_->height();
  if (p.Y >= m.Top && p.Y <= height - m.Bottom && p.X >= m.Left && p.X <= width - m.Right) return false;
  owner_.SetHotElement(0);
  return true;
}

int TacBorderForm::BorderHitTest(TPoint screenPoint) {
  QWidget* window = owner_.OwnerWindow();
  if (!window_ || !window) return HTNOWHERE;
  const auto answer = [&](int code) {
    owner_.SetHotElement(IsTitleButtonCode(code) ? code : 0);
    return code;
  };
  if (owner_.IsProvider())
    if (const int code = owner_.ExtHitTest(screenPoint)) return answer(code);
  if (!window->isEnabled()) return answer(-1);
  const QPoint origin = window_->pos();
  const TPoint p{screenPoint.X - origin.x(), screenPoint.Y - origin.y()};
  if (const int code = owner_.TitleButtonAt(p)) return answer(code);
  const TRect m = owner_.BorderMargins();
  const int width = window_->width(), height = window_->height();
  const int b = owner_.SystemBorderWidth();
  const bool thick = GetWindowLong(window, GWL_STYLE) & WS_THICKFRAME;
  if (!IsZoomed(window) && thick) {
    int code = 0;
    if (p.Y >= m.Top && p.Y < m.Top + b) code = HTTOP;
    else if (p.Y >= height - b - m.Bottom && p.Y < height - m.Bottom) code = HTBOTTOM;
    if (p.X >= m.Left && p.X < m.Left + b)
      code = code == HTTOP ? HTTOPLEFT : code == HTBOTTOM ? HTBOTTOMLEFT : HTLEFT;
    else if (p.X >= width - b - m.Right && p.X < width - m.Right)
      code = code == HTTOP ? HTTOPRIGHT : code == HTBOTTOM ? HTBOTTOMRIGHT : HTRIGHT;
    if (code) return answer(code);
  }
  const int captionBottom = m.Top + (owner_.HasCaption() ? owner_.SkinTitleHeight() : 0);
  if (p.Y >= m.Top && p.Y < captionBottom) return answer(Inside(owner_.TitleIconRect(), p) ? HTSYSMENU : HTCAPTION);
  if (p.Y >= captionBottom && p.Y < captionBottom + owner_.MenuLineHeight()) return answer(HTMENU);
  if (Inside(owner_.GripRect(), p)) return answer(HTBOTTOMRIGHT);
  return answer(-1);
}

// ------------------------------------------------------------ placing

void TacBorderForm::UpdatePosition(bool repaint, std::uint8_t alpha) {
  if (!window_ || QCoreApplication::closingDown() || inUpdate_) return;
  QWidget* window = owner_.OwnerWindow();
  if (!window) return;
  if (!owner_.MayUpdate()) return;
  if (!window->isVisible() || (owner_.IsProvider() && IsIconic(window))) {
    if (window_->isVisible()) ShowWindow(window_, SW_HIDE);
    return;
  }
  inUpdate_ = true;
  if (owner_.OwnerImageDirty()) {
    owner_.PaintOwnerImage();
    repaint = true;
  }
  const Bitmap* image = owner_.OwnerImage();
  if (!image || image->Empty() || !window_) {
    inUpdate_ = false;
    return;
  }
  const TRect m = owner_.BorderMargins();
  const int top = owner_.MaximizedByBorder() ? owner_.SystemBorderWidth() + m.Top + owner_.TitleHeightDelta()
                                             : OwnerTopOffset();
  const int left = OwnerLeftOffset();
  const TRect owned = GetWindowRect(window);
  const TPoint position{owned.Left - left, owned.Top - top};

  // Stays on top with a topmost owner, switched in place.
  const bool topmost = GetWindowLong(window, GWL_EXSTYLE) & WS_EX_TOPMOST;
  if (topmost != bool(window_->windowFlags() & Qt::WindowStaysOnTopHint))
    SetWindowPos(window_, topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

  const bool sized = window_->size() != QSize(image->Width(), image->Height());
  const bool paint = repaint || sized || window_->Picture().isNull();
  if (!paint || passThrough_ || !LayeredWindowsAvailable()) {
    // Only the place follows the owner.
    if (window_->pos() != QPoint(position.X, position.Y)) window_->move(position.X, position.Y);
    inUpdate_ = false;
    return;
  }
  const std::uint8_t constant = owner_.IsProvider() && owner_.AlphaBlend() ? owner_.AlphaBlendValue() : alpha;
  SetWindowRgn(window_, MakeBorderRegion(), false);
  if (owner_.IsProvider() && IsZoomed(window)) {
    // Nothing below the skinned frame of a maximized form.
    const int cut = image->Height() - m.Bottom - owner_.SkinBorderWidth();
    Bitmap shown(image->Width(), std::max(1, cut), pf32bit);
    for (int y = 0; y < shown.Height() && y < image->Height(); ++y)
      std::copy_n(image->ScanLine(y), 4 * image->Width(), shown.ScanLine(y));
    window_->Update(position, shown, constant);
  } else {
    window_->Update(position, *image, constant);
  }
  if (window_ && !window_->isVisible()) {
    const bool hideOwnerPaint = alpha == 0;
    const auto style = std::uint32_t(GetWindowLong(window, GWL_STYLE));
    if (hideOwnerPaint) SetWindowLong(window, GWL_STYLE, std::intptr_t(style & ~WS_VISIBLE));
    ShowWindow(window_, SW_SHOWNOACTIVATE);
    if (hideOwnerPaint) SetWindowLong(window, GWL_STYLE, std::intptr_t(style));
    // Behind the owner: the owner goes up over it.
    window->raise();
  }
  inUpdate_ = false;
}

void TacBorderForm::KeepBehindOwner() {
  QWidget* window = owner_.OwnerWindow();
  if (!window_ || !window || !window_->isVisible()) return;
  window_->raise();
  window->raise();
}

// ------------------------------------------------------------ the procedure

QWidget* TacBorderForm::WindowBeneath(TPoint screenPoint) {
  if (!window_) return nullptr;
  // The border window is passed over while the window at the point is asked.
  const bool was = window_->testAttribute(Qt::WA_TransparentForMouseEvents);
  window_->setAttribute(Qt::WA_TransparentForMouseEvents, true);
  QWidget* target = WindowFromPoint(screenPoint);
  if (window_) window_->setAttribute(Qt::WA_TransparentForMouseEvents, was);
  QWidget* owner = owner_.OwnerWindow();
  if (!target || target == window_ || (target && target->window() == window_) || target == owner ||
      (owner && target->window() == owner))
    return nullptr;
  return target;
}

void TacBorderForm::PassToWindowBeneath(Message& m, TPoint borderPoint) {
  if (!window_) return;
  const QPoint screen = window_->mapToGlobal(QPoint(borderPoint.X, borderPoint.Y));
  passThrough_ = true;
  // Passed over until the window beneath has had the message: another
  // border window there (an overlapping form's shadow) passes it on
  // further down, never back up to this one.
  const std::weak_ptr<const bool> alive = life_;
  const bool was = window_->testAttribute(Qt::WA_TransparentForMouseEvents);
  window_->setAttribute(Qt::WA_TransparentForMouseEvents, true);
  QPointer<QWidget> target = WindowBeneath({screen.x(), screen.y()});
  if (target) {
    // In the target's own coordinates.
    TPoint local{screen.x(), screen.y()};
    ScreenToClient(target, &local);
    // A press there is a press on that window: its form comes forward.
    const bool press = m.Msg == WM_LBUTTONDOWN || m.Msg == WM_RBUTTONDOWN || m.Msg == WM_MBUTTONDOWN;
    if (QWidget* top = target->window(); press && top && !(top->windowFlags() & Qt::WindowDoesNotAcceptFocus) &&
                                         top != QApplication::activeWindow())
      top->activateWindow();
    if (target) SendMessage(target, m.Msg, m.WParam, MAKELPARAM(local.X, local.Y));
  }
  // The window beneath may have closed the owner, and this border with it.
  if (alive.expired()) return;
  if (window_) window_->setAttribute(Qt::WA_TransparentForMouseEvents, was);
  passThrough_ = false;
}

void TacBorderForm::ForwardToOwner(unsigned ncMsg, WPARAM code, TPoint screenPoint) {
  if (QWidget* owner = owner_.OwnerWindow()) SendMessage(owner, ncMsg, code, MAKELPARAM(screenPoint.X, screenPoint.Y));
}

void TacBorderForm::SetCursorByHitCode(int code) {
  if (!window_) return;
  if (const auto shape = BorderCursor(code)) window_->setCursor(*shape);
  else window_->unsetCursor();
}

void TacBorderForm::DoubleClick(TPoint screenPoint) {
  QWidget* owner = owner_.OwnerWindow();
  if (!owner) return;
  const QPointer<QWidget> alive(owner);
  owner_.EndDrag(screenPoint);
  if (!alive) return;
  const int code = BorderHitTest(screenPoint);
  if (code == HTSYSMENU) {
    SendMessage(owner, WM_SYSCOMMAND, SC_CLOSE, 0);
  } else if (code == HTCAPTION && (owner_.CanMaximizeOrRestore() || IsIconic(owner))) {
    SendMessage(owner, WM_SYSCOMMAND, IsZoomed(owner) || IsIconic(owner) ? SC_RESTORE : SC_MAXIMIZE, 0);
  }
}

void TacBorderForm::BorderWndProc(Message& m, const CallPrevious& previous) {
  QPointer<LayeredWindow> self = window_;
  const auto screenOf = [&](TPoint local) {
    const QPoint s = window_->mapToGlobal(QPoint(local.X, local.Y));
    return TPoint{s.x(), s.y()};
  };
  const auto screenFromParam = [&] { return TPoint{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)}; };
  const auto insideAtScreen = [&](TPoint screen) {
    const QPoint local = window_->mapFromGlobal(QPoint(screen.X, screen.Y));
    return !IsOutsideFrame({local.x(), local.y()});
  };
  if (!window_) {
    previous(m);
    return;
  }
  switch (m.Msg) {
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK: {
      const TPoint local{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
      if (IsOutsideFrame(local)) {
        PassToWindowBeneath(m, local);
        return;
      }
      // Inside the frame the border window is the owner's frame: its
      // mouse messages are the non-client ones.
      const TPoint screen = screenOf(local);
      switch (m.Msg) {
        case WM_MOUSEMOVE:
          SetCursorByHitCode(BorderHitTest(screen));
          break;
        case WM_LBUTTONDOWN:
          ForwardToOwner(WM_NCLBUTTONDOWN, kAskBorderHitTest, screen);
          return;
        case WM_LBUTTONUP:
          ForwardToOwner(WM_NCLBUTTONUP, kAskBorderHitTest, screen);
          return;
        case WM_RBUTTONUP:
          ForwardToOwner(WM_NCRBUTTONUP, kAskBorderHitTest, screen);
          return;
        case WM_RBUTTONDOWN:
          ForwardToOwner(WM_NCRBUTTONDOWN, WPARAM(BorderHitTest(screen)), screen);
          return;
        case WM_LBUTTONDBLCLK:
          DoubleClick(screen);
          return;
        default:
          break;
      }
      previous(m);
      return;
    }
    case WM_NCPAINT:
    case WM_ERASEBKGND:
      m.Result = 1;
      return;
    case WM_MOUSEACTIVATE: {
      m.Result = MA_NOACTIVATE;
      // A click on the frame activates the owner; one in the shadow is the
      // window beneath's.
      TPoint cursor;
      GetCursorPos(&cursor);
      if (!Inside(GetWindowRect(window_), cursor) || insideAtScreen(cursor))
        if (QWidget* owner = owner_.OwnerWindow()) {
          owner->raise();
          owner->activateWindow();
        }
      return;
    }
    case WM_SETCURSOR: {
      TPoint cursor;
      GetCursorPos(&cursor);
      if (insideAtScreen(cursor))
        if (const auto shape = BorderCursor(BorderHitTest(cursor))) {
          window_->setCursor(*shape);
          m.Result = 1;
          return;
        }
      previous(m);
      return;
    }
    case WM_NCHITTEST:
      if (insideAtScreen(screenFromParam())) {
        m.Result = kBorderFrameHitCode;
        return;
      }
      previous(m);
      return;
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONUP:
    case WM_NCRBUTTONUP:
      if (insideAtScreen(screenFromParam())) ForwardToOwner(m.Msg, kAskBorderHitTest, screenFromParam());
      return;
    case WM_NCRBUTTONDOWN:
      if (insideAtScreen(screenFromParam()))
        ForwardToOwner(m.Msg, WPARAM(BorderHitTest(screenFromParam())), screenFromParam());
      return;
    case WM_NCLBUTTONDBLCLK:
      DoubleClick(screenFromParam());
      m.Result = 0;
      return;
    case WM_WINDOWPOSCHANGED:
      owner_.FreeGlows();
      previous(m);
      if (self && !passThrough_) UpdatePosition(false, 255);
      return;
    default:
      previous(m);
      return;
  }
}
