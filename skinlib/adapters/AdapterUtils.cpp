#include "skinlib/adapters/AdapterUtils.h"

#include "platform/Painting.h"
#include "platform/Properties.h"
#include "platform/WindowProc.h"
#include "platform/WindowTable.h"
#include "platform/WindowUtils.h"
#include "skinlib/adapters/SkinCommandSenders.h"
#include "skinlib/manager/AdapterEntryPoints.h"
#include "skinlib/manager/BitmapFactories.h"
#include "skinlib/manager/CommonDataSeams.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/LibraryUtils.h"

#include <QPointer>
#include <QRect>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <vector>

using namespace platform;

namespace {

QWidget* ParentControl(const QWidget* control) {
  return control && !control->isWindow() ? control->parentWidget() : nullptr;
}

bool IsForm(const QWidget* w) { return w->isWindow() || GetClassName(w) == QStringLiteral("TForm"); }
bool IsFrame(const QWidget* w) { return GetClassName(w) == QStringLiteral("TFrame"); }

template <class Test>
QWidget* FirstOwner(QObject* component, Test test) {
  for (QObject* o = component; o; o = o->parent())
    if (o->isWidgetType() && test(static_cast<QWidget*>(o))) return static_cast<QWidget*>(o);
  return nullptr;
}

TRect BoundsOf(const QWidget* w) { return Bounds(w->x(), w->y(), w->width(), w->height()); }

// Tool-bar buttons of the button, check and drop-down styles.
bool IsToolBarButton(const QWidget* control) {
  if (GetClassName(control) != QStringLiteral("TToolButton")) return false;
  const QString style = GetPropertyText(control, QStringLiteral("Style"));
  return style != QStringLiteral("tbsSeparator") && style != QStringLiteral("tbsDivider");
}

// The rectangle `r` of `dc` filled with what a background query answered:
// the answering cache from `at` (moved by the answer's offset), or its
// colour.
void FillFromBackground(Canvas& dc, const TRect& r, const TsBgQuery& bg, TPoint at) {
  if (bg.BgKind == TsBgQuery::FromBitmap && bg.Bitmap)
    dc.CopyRect(r, *bg.Bitmap, Bounds(bg.Offset.X + at.X, bg.Offset.Y + at.Y, r.Width(), r.Height()));
  else
    FillDCRect(dc, r, ColorToRGB(bg.Color));
}

}  // namespace

TPoint GetCursorPosition() {
  TPoint p;
  GetCursorPos(&p);
  return p;
}

bool ControlIsReady(const QWidget* control) {
  return control && ParentControl(control) && HandleAllocated(control);
}

QWidget* GetOwnerForm(QObject* component) { return FirstOwner(component, IsForm); }

QWidget* GetOwnerFrame(QObject* component) { return FirstOwner(component, IsFrame); }

QWidget* GetTopParentHandle(QWidget* window) {
  QWidget* top = window;
  while (QWidget* parent = GetParent(top)) top = parent;
  return top;
}

unsigned CaptionDrawFlags(const QWidget* control, TAlignment alignment) {
  const bool rtl = control && control->layoutDirection() == Qt::RightToLeft;
  unsigned flags = DT_VCENTER | DT_EXPANDTABS;
  switch (alignment) {
    case taLeftJustify: flags |= rtl ? DT_RIGHT : DT_LEFT; break;
    case taRightJustify: flags |= rtl ? DT_LEFT : DT_RIGHT; break;
    case taCenter: flags |= DT_CENTER; break;
  }
  return rtl ? flags | DT_RTLREADING : flags;
}

TRect ClientRectInWindow(const QWidget* window) {
  if (!window) return {};
  TPoint origin{0, 0};
  ClientToScreen(window, &origin);
  const TRect w = GetWindowRect(window);
  return OffsetRect(GetClientRect(window), origin.X - w.Left, origin.Y - w.Top);
}

int AlignedControlsSize(const QWidget* control, TAlign align, bool includeGraphic) {
  if (!control || align == alNone || align == alClient) return 0;
  const bool vertical = align == alTop || align == alBottom;
  int size = 0;
  for (QWidget* child : ChildControls(control)) {
    if (child->isHidden() || (!includeGraphic && IsGraphicControl(child))) continue;
    if (GetOrdProperty(child, QStringLiteral("Align")) != align) continue;
    size += vertical ? child->height() : child->width();
  }
  return size;
}

bool GraphicControlNeedsPaint(const QWidget* control, Canvas& dc) {
  return control && !control->isHidden() && IsGraphicControl(control) && control->width() > 0 &&
         control->height() > 0 && !IsDestroying(control) && !IsToolBarButton(control) &&
         dc.RectVisible(BoundsOf(control));
}

void PaintGraphicChildren(Canvas& dc, QWidget* control, TPoint offset) {
  if (!control || control->isHidden() || dc.GetClipBox().IsEmpty()) return;
  std::vector<QPointer<QWidget>> needing;
  for (QWidget* child : ChildControls(control))
    if (GraphicControlNeedsPaint(child, dc)) needing.emplace_back(child);
  if (needing.empty()) return;

  TsBgQuery bg;
  bg.R = GetClientRect(control);
  commondata::QueryControlBackground(bg, control, false);
  const std::unique_ptr<Bitmap> work = CreateBitmap24(control->width(), control->height());
  Canvas& wc = work->GetCanvas();
  for (const QPointer<QWidget>& child : needing) {
    const TRect r = BoundsOf(child);
    if (GetControlStyle(child) & csOpaque)
      FillDCRect(wc, r, GetControlBgColor(child));
    else
      FillFromBackground(wc, r, bg, {r.Left, r.Top});
  }
  for (const QPointer<QWidget>& child : needing) {
    if (!child) continue;
    const TRect r = BoundsOf(child);
    if (!dc.RectVisible(OffsetRect(r, offset.X, offset.Y))) SendSkinCommandToControl(child, acSetStateFlag, 0);
    if (!child) continue;
    const int saved = wc.SaveDC();
    wc.MoveWindowOrg(r.Left, r.Top);
    wc.IntersectClipRect(Bounds(0, 0, r.Width(), r.Height()));
    Perform(child, WM_PAINT, PtrParam(&wc));
    wc.RestoreDC(saved);
  }
  for (const QPointer<QWidget>& child : needing) {
    if (!child) continue;
    const TRect r = BoundsOf(child);
    if (work->GetPixel(r.Left, r.Top) == KeyColor) continue;
    dc.CopyRect(OffsetRect(r, offset.X, offset.Y), *work, r);
  }
}

void PaintControlToBitmap(Bitmap& bitmap, QWidget* control, int x, int y, QObject* provider) {
  if (!control) return;
  Canvas& dc = bitmap.GetCanvas();
  if (control->isHidden()) {
    QWidget* parent = ParentControl(control);
    if (provider || !parent) return;
    TsBgQuery bg;
    bg.R = BoundsOf(control);
    commondata::QueryControlBackground(bg, parent, false);
    FillFromBackground(dc, Bounds(x, y, control->width(), control->height()), bg, {control->x(), control->y()});
    return;
  }
  const bool bordered = adapters::ProviderHasBorderWindow(provider);
  const QPointer<QWidget> alive(control);
  const int saved = dc.SaveDC();
  dc.MoveWindowOrg(x, y);
  if (!bordered) dc.IntersectClipRect(Bounds(0, 0, control->width(), control->height()));
  const LPARAM flags = PRF_ERASEBKGND | PRF_CLIENT | PRF_CHILDREN;
  if (IsGraphicControl(control))
    Perform(control, WM_PRINT, PtrParam(&dc), flags);
  else
    SendMessage(control, WM_PRINT, PtrParam(&dc), flags);
  dc.RestoreDC(saved);
  if (!bordered || !alive || bitmap.PixelFormat() != pf32bit) return;
  dc.EndPainting();
  const QRect c = control->contentsRect().translated(x, y).intersected(QRect(0, 0, bitmap.Width(), bitmap.Height()));
  for (int row = c.top(); row <= c.bottom(); ++row) {
    std::uint8_t* p = bitmap.ScanLine(row) + 4 * c.left();
    for (int col = 0; col < c.width(); ++col, p += 4) p[3] = 255;
  }
}
