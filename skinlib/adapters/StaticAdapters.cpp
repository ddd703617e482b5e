#include "skinlib/adapters/StaticAdapters.h"

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/ControlMessages.h"
#include "platform/Icons.h"
#include "platform/NonClient.h"
#include "platform/Painting.h"
#include "platform/WindowProc.h"
#include "platform/WindowTable.h"
#include "platform/WindowUtils.h"
#include "skinlib/adapters/ButtonAdapters.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/TextPainting.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"

#include <QLabel>
#include <QRegularExpression>

#include <algorithm>

using namespace platform;

namespace {

// Text flags of a static: DT_WORDBREAK | DT_EXPANDTABS | DT_NOCLIP.
constexpr unsigned kStaticTextFlags = DT_WORDBREAK | DT_EXPANDTABS | DT_NOCLIP;

TFont MessageFont(QWidget* window) {
  if (auto* font = ParamPtr<const TFont>(std::uintptr_t(SendMessage(window, WM_GETFONT, 0, 0)))) return *font;
  return TFont();
}

}  // namespace

QString LinkDisplayText(const QString& caption) {
  static const QRegularExpression marks(QStringLiteral("</?A>"), QRegularExpression::CaseInsensitiveOption);
  QString text = caption;
  return text.remove(marks);
}

// ------------------------------------------------------------ texts

bool TacStaticWnd::LeftToBase(std::uint32_t style, std::uint32_t exStyle) const {
  return (style & WS_TABSTOP) || (exStyle & WS_EX_STATICEDGE);
}

void TacStaticWnd::PrepareStaticCache() {
  QWidget* h = CtrlHandle();
  if (!h || !SkinData()) return;
  TsCommonData& data = *SkinData();
  Bitmap* cache = PrepareControlCache(data, h, 0);
  if (!cache) return;
  // A disabled control of the program takes the disabled look under its
  // content.
  if (data.OwnerControl()) PaintDisabledLook(*cache, h);
  PaintContent(*cache);
  data.BackgroundDirty = false;
}

void TacStaticWnd::PaintContent(Bitmap& cache) {
  QWidget* h = CtrlHandle();
  Canvas dc(cache);
  dc.Brush.Style = bsClear;
  dc.Font = MessageFont(h);
  unsigned flags = kStaticTextFlags;
  const std::uint32_t type = std::uint32_t(GetWindowLong(h, GWL_STYLE)) & 0x1F;
  if ((std::uint32_t(GetWindowLong(h, GWL_EXSTYLE)) & WS_EX_RIGHT) || type == SS_RIGHT) flags |= DT_RIGHT;
  else if (type == SS_CENTER) flags |= DT_CENTER;
  // A Qt label centres its line of text in its height, as it is laid out
  // beside a taller control.
  if (auto* label = qobject_cast<QLabel*>(h);
      label && (label->alignment() & Qt::AlignVCenter) && !label->wordWrap() && !Caption().contains(QLatin1Char('\n')))
    flags = (flags & ~unsigned(DT_WORDBREAK)) | DT_VCENTER | DT_SINGLELINE;
  TRect r{0, 0, cache.Width(), cache.Height()};
  WriteControlText(dc, Caption(), true, false, *SkinData(), flags, r, nullptr);
}

void TacStaticWnd::PaintStatic(WPARAM wParam) {
  QWidget* h = CtrlHandle();
  Canvas* dc = wParam ? ParamPtr<Canvas>(wParam) : BeginPaint(h);
  QPointer<QWidget> alive(h);
  PrepareStaticCache();
  if (!alive || Destroyed()) return;
  if (!dc) {
    // Not in a paint event: the cache is up to date, the window repaints.
    InvalidateRect(h, nullptr, true);
    return;
  }
  const int saved = dc->SaveDC();
  if (SkinData()->CacheBitmap) dc->Draw(0, 0, *SkinData()->CacheBitmap);
  dc->RestoreDC(saved);
}

void TacStaticWnd::AdapterWndProc(Message& m, const CallPrevious& previous) {
  QWidget* h = CtrlHandle();
  if (!SkinActive(*this) ||
      LeftToBase(std::uint32_t(GetWindowLong(h, GWL_STYLE)), std::uint32_t(GetWindowLong(h, GWL_EXSTYLE)))) {
    TacMainWnd::AdapterWndProc(m, previous);
    return;
  }
  TsCommonData& data = *SkinData();
  constexpr unsigned kRedraw = RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW;
  switch (m.Msg) {
    case WM_ERASEBKGND:
      if (!IsWindowVisible(h)) break;
      PaintStatic(m.WParam);
      m.Result = 1;
      return;
    case WM_MOVE:
    case WM_ENABLE: {
      data.BackgroundDirty = true;
      QPointer<QWidget> alive(h);
      PassOn(m, previous);
      if (alive && !Destroyed()) RedrawWindow(h, nullptr, nullptr, kRedraw);
      return;
    }
    case WM_SETTEXT: {
      QPointer<QWidget> alive(h);
      TacMainWnd::AdapterWndProc(m, previous);  // the caption follows
      if (!alive || Destroyed()) return;
      data.BackgroundDirty = true;
      RedrawWindow(h, nullptr, nullptr, kRedraw);
      return;
    }
    case WM_PAINT:
      // Painted on WM_ERASEBKGND; a canvas given with the message gets
      // the static's picture too.
      if (m.WParam) PaintStatic(m.WParam);
      return;
    case WM_NCPAINT:
      return;
    default:
      break;
  }
  TacMainWnd::AdapterWndProc(m, previous);
}

// ------------------------------------------------------------ pictures

TacIconWnd::TacIconWnd(QWidget* handle, TsCommonData* skinData, TsSkinManager* manager, const QString& section)
    : TacStaticWnd(handle, skinData, manager, section),
      isBitmap_(handle && (std::uint32_t(GetWindowLong(handle, GWL_STYLE)) & 3) != SS_ICON) {}

TacIconWnd::~TacIconWnd() = default;

void TacIconWnd::PaintContent(Bitmap& cache) {
  QWidget* h = CtrlHandle();
  Canvas dc(cache);
  if (isBitmap_) {
    auto* image = ParamPtr<const Bitmap>(std::uintptr_t(SendMessage(h, STM_GETIMAGE, IMAGE_BITMAP, 0)));
    if (!image) return;
    if (!bitmap_) bitmap_ = std::make_unique<Bitmap>(0, 0, pf24bit);
    *bitmap_ = *image;
    if (!bitmap_->Empty()) dc.Draw(0, 0, *bitmap_);
    return;
  }
  if (auto* icon = ParamPtr<const Icon>(std::uintptr_t(SendMessage(h, STM_GETICON, 0, 0))))
    DrawIconEx(dc, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL);
}

// ------------------------------------------------------------ links

bool TacLinkWnd::LeftToBase(std::uint32_t /*style*/, std::uint32_t exStyle) const {
  return (exStyle & WS_EX_STATICEDGE) != 0;
}

void TacLinkWnd::PaintContent(Bitmap& cache) {
  Canvas dc(cache);
  dc.Brush.Style = bsClear;
  dc.Font = GetNonClientMetrics().lfMessageFont;
  dc.Font.Style |= fsUnderline;
  TRect r{0, 0, cache.Width() + 4, cache.Height()};
  TsCommonData& data = *SkinData();
  WriteSectionText(dc, LinkDisplayText(Caption()), IsWindowEnabled(CtrlHandle()), r, false, data.SectionIndex,
                   kStaticTextFlags, data.SkinManager());
}
