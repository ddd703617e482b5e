#include "skinning/WinSkinMenu.h"

#include "platform/Blit.h"
#include "skinning/BuiltinImages.h"
#include "skinning/ImgUtil.h"
#include "skinning/WinSkinForm.h"
#include "skinning/WinSkinManage.h"
#include "skinning/WinSkinStyle.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFontInfo>
#include <QMenu>
#include <QPainter>
#include <QStyleOptionMenuItem>

#include <algorithm>

using namespace platform;

namespace skinning {

TWinSkinPopMenu::TWinSkinPopMenu(QMenu* menu, TSkinData* skinData, bool flag, int mode)
    : window_(menu), menu_(menu), skinData_(skinData), mode_(mode) {
  Flag = flag;
  handle_ = InstallWindowProc(menu, [this](Message& m, const CallPrevious& previous) { WindowProc(m, previous); });
}

void TWinSkinPopMenu::Start() {
  if (!window_ || !skinData_ || restored_) return;
  TSkinStyle* style = skinData_->Style();
  if (window_->style() == style) {
    Relayout();  // measured before its frame became the skin's
    return;
  }
  if (window_->testAttribute(Qt::WA_SetStyle)) previousStyle_ = window_->style();
  styleSet_ = true;
  setStyle_ = style;
  window_->setStyle(style);  // lays the menu out again
}

TWinSkinPopMenu::~TWinSkinPopMenu() { Restore(); }

void TWinSkinPopMenu::Restore() {
  if (restored_) return;
  restored_ = true;
  RemoveWindowProc(handle_);
  background_ = Bitmap();
  if (!window_) return;
  if (styleSet_) {
    // A style set on the menu since stays.
    if (setStyle_ && window_->style() == setStyle_.data()) window_->setStyle(previousStyle_);
  } else
    Relayout();
}

void TWinSkinPopMenu::Relayout() {
  if (!window_ || !window_->isVisible()) return;
  QEvent change(QEvent::StyleChange);
  QCoreApplication::sendEvent(window_, &change);
}

bool TWinSkinPopMenu::Skinned() const {
  if (restored_ || !skinData_ || skinData_->NoSkin()) return false;
  const TDataSkinObject* back = skinData_->Model().MenuBackground.get();
  return back && !back->Empty();
}

const Bitmap& TWinSkinPopMenu::Background() {
  if (!Skinned() || !window_) {
    background_ = Bitmap();
    renderedFor_.reset();
    return background_;
  }
  const QSize size = window_->size();
  std::shared_ptr<const TSkinModel> model = skinData_->SharedModel();
  if (background_.Width() != size.width() || background_.Height() != size.height() || renderedFor_ != model) {
    const TDataSkinObject& back = *model->MenuBackground;
    background_ = DrawSkinImage(Rect(0, 0, size.width(), size.height()), back.Image, back.Margins(), false,
                                back.Tile > 0, 1, 1);
    renderedFor_ = std::move(model);
  }
  return background_;
}

void TWinSkinPopMenu::WindowProc(Message& m, const CallPrevious& previous) {
  if (m.Msg == SKIN_QUERYSKINNED) {
    m.Result = 1;
    return;
  }
  const TSkinManage* manager = SkinManage();
  if (!manager || !manager->Enabled()) {
    previous(m);
    return;
  }
  switch (m.Msg) {
    case WM_DESTROY:
      Restore();
      previous(m);
      break;
    case WM_ERASEBKGND:
      if (!skinData_ || !skinData_->Options.Has(xoMenuBG)) previous(m);
      m.Result = 1;
      break;
    default:
      previous(m);
  }
}

// ---------------------------------------------------------------------------

namespace {

TFont MenuFont(const QFont& f) {
  TFont font;
  font.Name = f.family();
  font.Height = -QFontInfo(f).pixelSize();  // the size Qt measured the menu with
  font.Style = (f.bold() ? unsigned(fsBold) : 0u) | (f.italic() ? unsigned(fsItalic) : 0u);
  return font;
}

const TDataSkinObject* MenuItemElement(const TSkinData& data) {
  const TDataSkinObject* e = data.Model().MenuItem.get();
  return e && !e->Empty() ? e : nullptr;
}

int LeftWidth(const TSkinData& data) {
  const TDataSkinObject* e = MenuItemElement(data);
  return e ? e->LeftWidth : 0;
}

// The source rectangle stretched onto the destination, nearest pixel;
// nothing when an extent is not positive.
void Stretch(Bitmap& dst, int x, int y, int w, int h, const Bitmap& src, int sx, int sy, int sw, int sh) {
  if (w > 0 && h > 0 && sw > 0 && sh > 0) StretchBlt(dst, x, y, w, h, src, sx, sy, sw, sh);
}

// The menu tick in `colour` on the key colour.
Bitmap Tick(TColor colour) {
  static const Bitmap check = BuiltinImage(QStringLiteral("CHECK"));
  Bitmap tick(check.Width(), check.Height(), pf24bit);
  for (int y = 0; y < check.Height(); ++y)
    for (int x = 0; x < check.Width(); ++x)
      tick.SetPixel(x, y, check.GetPixel(x, y) == clWhite ? kSkinKeyColour : colour);
  tick.Transparent = true;
  tick.SetTransparentColor(kSkinKeyColour);
  return tick;
}

// Whether a picture holds the key colour alone.
bool ShowsNothing(const Bitmap& b) {
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x)
      if (b.GetPixel(x, y) != kSkinKeyColour) return false;
  return true;
}

// The pressed-button pattern: face and highlight pixels in turn.
void FillPressedPattern(Canvas& canvas, const TRect& r) {
  Bitmap pattern(r.Width(), r.Height(), pf24bit);
  const TColor face = GetSysColor(COLOR_BTNFACE), light = GetSysColor(COLOR_BTNHIGHLIGHT);
  for (int y = 0; y < pattern.Height(); ++y)
    for (int x = 0; x < pattern.Width(); ++x) pattern.SetPixel(x, y, (x + y) % 2 ? light : face);
  canvas.Draw(r.Left, r.Top, pattern);
}

}  // namespace

TSkinMenuItem MenuItemFromOption(const QStyleOptionMenuItem& option, const QMenu* menu) {
  TSkinMenuItem item;
  if (option.menuItemType == QStyleOptionMenuItem::Separator) {
    item.Caption = QStringLiteral("-");
  } else {
    const qsizetype tab = option.text.indexOf(u'\t');
    item.Caption = tab < 0 ? option.text : option.text.left(tab);
    // Shown only where the menu kept room for shortcuts (Qt hides them in
    // context menus on some platforms).
    if (tab >= 0 && option.reservedShortcutWidth > 0) item.ShortCut = option.text.mid(tab + 1);
  }
  item.Checked = option.checkType != QStyleOptionMenuItem::NotCheckable && option.checked;
  item.Enabled = option.state & QStyle::State_Enabled;
  item.Default = option.menuItemType == QStyleOptionMenuItem::DefaultItem;
  item.HasSubMenu = option.menuItemType == QStyleOptionMenuItem::SubMenu;
  item.RightToLeft = option.direction == Qt::RightToLeft;
  item.Image = option.icon;
  item.Font = MenuFont(option.font);
  item.Menu = menu;
  if (menu) {
    const QList<QAction*> actions = menu->actions();
    if (std::any_of(actions.begin(), actions.end(), [](const QAction* a) { return !a->icon().isNull(); }))
      item.ImagesWidth = menu->style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, menu);
  }
  return item;
}

void MeasureSkinMenuItem(const TSkinData& data, const TSkinMenuItem& item, int& width, int&) {
  width += LeftWidth(data) + (item.ImagesWidth > 0 ? 10 : 35);
}

void MeasureSkinMenuItem2(const TSkinData& data, const TSkinMenuItem& item, int& width, int&) {
  width += LeftWidth(data) + (item.ImagesWidth > 0 ? 12 : 35);
}

void DrawSkinPopupItem(const TSkinData& data, const TSkinMenuItem& item, Canvas& canvas, bool selected,
                       const TRect& r) {
  TSkinManage* manager = SkinManage();
  if (manager) {
    manager->FlagPopups();
    if (item.Menu) manager->SetPopupMenu(const_cast<QMenu*>(item.Menu));
  }
  const TDataSkinObject* element = MenuItemElement(data);
  if (!element) {
    DrawPlainMenuItem(data, item, canvas, selected, r);
    return;
  }
  if (r.Width() <= 0 || r.Height() <= 0 || !BitmapSizeAllowed(r.Width(), r.Height())) return;
  Bitmap b(r.Width(), r.Height());
  b.Fill(ToQRgb(data.Model().Colours[scMenu]));
  const Bitmap* background = manager ? manager->GetPopupBackground(item.Menu) : nullptr;
  if (background && !background->Empty()) BitBlt(b, 0, 0, r.Width(), r.Height(), *background, r.Left, r.Top);
  if (item.Caption == QStringLiteral("-")) {
    canvas.Draw(r.Left, r.Top, b);
    DrawSkinMenuSeparator(data, canvas, r);
    return;
  }
  Canvas& c = b.GetCanvas();
  c.Font = item.Font;
  const TRect all = Rect(0, 0, r.Width(), r.Height());
  element->Draw(c, all, selected ? 4 : 1);
  DrawMenuItemContent(data, item, c, selected, all);
  c.EndPainting();
  canvas.Draw(r.Left, r.Top, b);
}

void DrawPlainMenuItem(const TSkinData& data, const TSkinMenuItem& item, Canvas& canvas, bool selected,
                       const TRect& r) {
  canvas.Brush = {data.Model().Colours[selected ? scHilight : scMenu], bsSolid};
  canvas.FillRect(r);
  canvas.Font = item.Font;
  DrawMenuItemContent(data, item, canvas, selected, r);
}

void DrawSkinMenuSeparator(const TSkinData& data, Canvas& canvas, const TRect& r) {
  const TDataSkinObject* element = MenuItemElement(data);
  const int W = r.Width(), H = r.Height();
  if (!element || W <= 0 || H <= 0 || !BitmapSizeAllowed(W, H)) return;
  const Bitmap& image = element->Image;
  const int fw = image.Width() / 5, ih = image.Height();
  const int L = element->LeftWidth, R = element->RightWidth;
  const int y0 = ih > H ? ih - H : 0;
  Bitmap b(W, H, pf24bit);
  b.Fill(ToQRgb(kSkinKeyColour));
  Stretch(b, 0, 0, L, H, image, fw, y0, L, ih - y0);
  Stretch(b, W - R, 0, R, H, image, 2 * fw - R, y0, R, ih - y0);
  Stretch(b, L, 0, W - L - R, H, image, fw + L, y0, fw - L - R, ih - y0);
  if (ShowsNothing(b)) {
    DrawPlainMenuSeparator(canvas, r);
    return;
  }
  b.Transparent = true;
  b.SetTransparentColor(kSkinKeyColour);
  canvas.Draw(r.Left, r.Top, b);
}

void DrawPlainMenuSeparator(Canvas& canvas, const TRect& r) {
  TRect line = OffsetRect(r, 0, 4);
  canvas.DrawEdge(line, EDGE_ETCHED, BF_TOP);
}

int MenuSeparatorHeight() { return GetSystemMetrics(SM_CYMENU) / 2; }

void DrawMenuItemContent(const TSkinData& data, const TSkinMenuItem& item, Canvas& canvas, bool selected,
                         const TRect& r) {
  const bool separator = item.Caption == QStringLiteral("-");
  // Left to right, or mirrored in the item.
  const auto place = [&](const TRect& box) {
    return item.RightToLeft ? Rect(r.Left + r.Right - box.Right, box.Top, r.Left + r.Right - box.Left, box.Bottom)
                            : box;
  };
  if (separator) {
    TRect line = r;
    DrawMenuItemText(data, item, canvas, 0, selected, line, item.Caption);
    return;
  }
  int g = item.ImagesWidth > 0 ? item.ImagesWidth : 16;
  if (item.Checked) g = std::max(g, 16);
  TRect square = place(Bounds(r.Left + 1 + LeftWidth(data), r.Top + 1, g, g));
  if (item.ImagesWidth > 0 && !item.Image.isNull()) {
    if (item.Checked) {
      FillPressedPattern(canvas, square);
      TRect edge = square;
      canvas.DrawEdge(edge, BDR_SUNKENOUTER, BF_RECT);
    }
    const QPixmap image = item.Image.pixmap(QSize(item.ImagesWidth, item.ImagesWidth), 1.0,
                                            item.Enabled ? QIcon::Normal : QIcon::Disabled);
    if (QPainter* p = canvas.Painter())
      p->drawPixmap(square.Left, r.Top + (r.Height() - image.height()) / 2, image);
  } else if (item.Checked) {
    const Bitmap tick = Tick(ColorToRGB(data.Model().Colours[scButtonText]));
    canvas.Draw(square.Left + (g - tick.Width()) / 2, square.Top + (g - tick.Height()) / 2, tick);
  }
  const TRect text = item.RightToLeft ? Rect(r.Left, r.Top, square.Left - 3, r.Bottom)
                                      : Rect(square.Right + 3, r.Top, r.Right, r.Bottom);
  const unsigned flags = DT_SINGLELINE | DT_EXPANDTABS | (item.RightToLeft ? DT_RIGHT | DT_RTLREADING : 0);
  TRect measured = text;
  DrawMenuItemText(data, item, canvas, flags | DT_CALCRECT | DT_NOCLIP, selected, measured, item.Caption);
  const int top = r.Top + (r.Height() - measured.Height()) / 2;
  TRect caption = Rect(text.Left, top, text.Right, top + measured.Height());
  DrawMenuItemText(data, item, canvas, flags, selected, caption, item.Caption);
  if (!item.ShortCut.isEmpty()) {
    TRect shortcut = place(Rect(text.Left, top, r.Right - 10, top + measured.Height()));
    DrawMenuItemText(data, item, canvas, DT_SINGLELINE | (item.RightToLeft ? DT_LEFT : DT_RIGHT), selected,
                     shortcut, item.ShortCut);
  }
}

int DrawMenuItemText(const TSkinData& data, const TSkinMenuItem& item, Canvas& canvas, unsigned flags,
                     bool selected, TRect& r, QString text) {
  const bool measuring = flags & DT_CALCRECT;
  if (measuring && (text.isEmpty() || text == QStringLiteral("&"))) text += u' ';
  if (text == QStringLiteral("-")) {
    if (!measuring) DrawPlainMenuSeparator(canvas, r);
    return 0;
  }
  const TSkinColours& colours = data.Model().Colours;
  TColor colour = colours[scButtonShadow];
  if (item.Enabled)
    colour = colours[selected ? scHilightText : scMenuText];
  else if (colour == colours[scMenuText])
    colour = clBtnShadow;
  TFont font = item.Font;
  if (item.Default) font.Style |= fsBold;
  font.Color = colour;
  canvas.Font = font;
  canvas.Brush.Style = bsClear;
  canvas.SetBkMode(TRANSPARENT);
  canvas.SetTextColor(colour);
  return SkinDrawText(canvas, text, r, flags);
}

bool DrawToolBarBackground(const TSkinData& data, Canvas& canvas, const TRect& r) {
  const TDataSkinObject* toolbar = data.Model().Toolbar.get();
  if (!toolbar || toolbar->Empty() || data.Options.Has(xoToolbarBK)) return false;
  const StretchMode mode = canvas.GetStretchBltMode();
  canvas.SetStretchBltMode(COLORONCOLOR);
  canvas.StretchDraw(r, toolbar->Image);
  canvas.SetStretchBltMode(mode);
  return true;
}

int ToolBarButtonFrame(const TSkinData& data, int formKind, unsigned state) {
  if (data.Model().Buttons.Empty() || formKind != 1 || data.Options.Has(xoToolbarButton)) return 0;
  if (state & tbsSelected) return 2;
  if (state & (tbsFocused | tbsHot)) return 4;
  if (state & (tbsGrayed | tbsDisabled)) return 0;
  return state & tbsDefault ? 1 : 0;
}

TColor ToolBarButtonFontColour(const TSkinData& data, int frame) {
  const TDataSkinButton& b = data.Model().Buttons;
  if (frame == 1 && b.NormalColour2Given) return b.NormalColour2;
  if (frame == 4 && b.MouseOverColour2Given) return b.MouseOverColour2;
  if (frame == 2 && b.PressedColour2Given) return b.PressedColour2;
  return clNone;
}

bool DrawToolBarButton(const TSkinData& data, int formKind, Canvas& canvas, const TRect& bounds,
                       unsigned state) {
  const int frame = ToolBarButtonFrame(data, formKind, state);
  if (frame == 0) return false;
  data.Model().Buttons.Draw(canvas, InflateRect(bounds, -1, -1), frame);
  return true;
}

}  // namespace skinning
