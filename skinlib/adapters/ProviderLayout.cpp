#include "skinlib/adapters/ProviderLayout.h"

#include "platform/Messages.h"

#include <algorithm>
#include <cstdlib>

using namespace platform;

bool UsesLargeImages(TFormBorderStyle style) { return style == bsSingle || style == bsSizeable; }

bool HasOwnCaption(const TacFormInfo& form) { return form.BorderStyle != bsNone || form.MdiChild; }

bool IsToolWindowStyle(TFormBorderStyle style) { return style == bsToolWindow || style == bsSizeToolWin; }

TacSysMenuState SysMenuState(const TacFormInfo& form, bool hadSysMenu) {
  TacSysMenuState s;
  const auto visible = [&](unsigned icon) {
    if (!hadSysMenu) return false;
    if (form.Iconic || form.MdiChild) return true;
    switch (form.BorderStyle) {
      case bsDialog:
      case bsNone:
      case bsToolWindow:
      case bsSizeToolWin: return false;
      default: return (form.BorderIcons & icon) != 0;
    }
  };
  s.VisibleClose = hadSysMenu;
  s.VisibleMax = visible(biMaximize);
  s.VisibleMin = visible(biMinimize);
  s.EnabledMax = (form.BorderIcons & biMaximize) != 0;
  if (!form.MdiChild && (form.Zoomed || !UsesLargeImages(form.BorderStyle))) s.EnabledMax = false;
  s.EnabledMin = (form.BorderIcons & biMinimize) && !form.Iconic;
  s.EnabledRestore = ((form.BorderIcons & biMaximize) && (form.Zoomed || form.Iconic)) || form.Iconic;
  return s;
}

int InnerBorder(const TacTitleMetrics& m) { return m.ExtBorder ? 0 : m.SystemBorder; }

int TitleBottom(const TacTitleMetrics& m) { return InnerBorder(m) + m.CaptionHeight + m.ExtMargins.Top; }

int SkinnedFormWidth(const TacFormInfo& form, const TacTitleMetrics& m) {
  if (form.Iconic) return form.Width;
  const int delta = m.ExtBorder ? m.BorderWidth - m.SystemBorder : 0;
  return form.Width + 2 * delta + m.ExtMargins.Left + m.ExtMargins.Right;
}

int IconSizeForCaption(int h) {
  if (h >= -100 && h <= 8) return 1;
  if (h >= 9 && h <= 16) return 8;
  return 16;
}

namespace {

int Gap(const TacTitleMetrics& m) { return m.LargeStyle ? m.BISpace : 0; }

// The shift of a maximized form's title items where TITLEHEIGHT and
// MAXHEIGHT differ.
int MaxHeightShift(const TacFormInfo& form, const TacTitleMetrics& m, int centerOffset) {
  if (!form.Zoomed || m.TitleHeight == m.MaxHeight) return 0;
  return (m.TitleHeight - m.MaxHeight - centerOffset) / 2 - 2;
}

TRect PlaceButton(int right, int width, int top, int height) { return {right - width, top, right, top + height}; }

}  // namespace

int ButtonTop(const TacFormInfo& form, const TacTitleMetrics& m, int height) {
  const TRect& e = m.ExtMargins;
  int top;
  if (m.LargeImages && m.BIVAlign == 1) {
    top = e.Top;
    if (form.Zoomed) {
      top += m.SystemBorder - 1;
      if (m.ExtBorder) {
        if (m.TitleHeight != m.MaxHeight) top += m.TitleHeight - m.MaxHeight;
        if (m.BorderMode == 1) top += m.CenterOffset;
      }
    }
    return top;
  }
  top = e.Top + (InnerBorder(m) + m.CaptionHeight - height) / 2;
  if (m.ExtBorder && m.BorderMode == 1) top += m.CenterOffset;
  if (form.Zoomed && m.ExtBorder) {
    top -= 2;
    top += MaxHeightShift(form, m, m.CenterOffset);
    top += m.SystemBorder / 2;
  }
  if (m.LargeStyle && height < 16) top += 2;
  return top;
}

int ButtonsAreaWidth(const TacSysMenuState& menu, const TacFormInfo& form, const TacTitleMetrics& m,
                     const std::vector<TacUserButtonInfo>& userButtons) {
  const int gap = Gap(m);
  int w = m.BIRight;
  if (menu.VisibleClose) {
    w += m.CloseWidth;
    if (menu.VisibleMax) w += m.MaxWidth + gap;
    if (menu.VisibleMin) w += m.MinWidth + gap;
    if (form.BorderIcons & biHelp) w += m.HelpWidth + gap;
  }
  if (!userButtons.empty()) {
    w += kUserButtonsGap;
    for (const TacUserButtonInfo& b : userButtons)
      if (b.Visible) w += b.Width + gap;
  }
  return w;
}

TacTitleLayout LayoutTitle(const TacFormInfo& form, const TacSysMenuState& menu, const TacTitleMetrics& m,
                           const std::vector<TacUserButtonInfo>& userButtons) {
  TacTitleLayout l;
  const TRect& e = m.ExtMargins;
  const int formWidth = SkinnedFormWidth(form, m);
  const int gap = Gap(m);
  const int t = TitleBottom(m);
  l.User.resize(userButtons.size());
  l.ButtonsAreaWidth = ButtonsAreaWidth(menu, form, m, userButtons);
  if (menu.VisibleClose)
    l.VisibleButtonCount = 1 + int(menu.VisibleMax) + int(menu.VisibleMin) + int((form.BorderIcons & biHelp) != 0);

  if (HasOwnCaption(form)) {
    int x = formWidth - m.BIRight - e.Right - m.BorderWidth;
    const auto place = [&](TacButtonPlace& b, int width, int height, bool enabled) {
      b.Shown = true;
      b.Enabled = enabled;
      b.Rect = PlaceButton(x, width, ButtonTop(form, m, height), height);
      x = b.Rect.Left - gap;
    };
    auto& sys = l.System;
    if (menu.VisibleClose && m.HasClose) place(sys[2], m.CloseWidth, m.ButtonHeight, true);
    if (menu.VisibleMax) {
      sys[1].Restore = form.Zoomed;
      place(sys[1], m.MaxWidth, m.ButtonHeight, form.Zoomed ? menu.EnabledRestore : menu.EnabledMax);
    }
    if (menu.VisibleMin) {
      sys[0].Restore = form.Iconic;
      place(sys[0], m.MinWidth, m.ButtonHeight, form.Iconic ? menu.EnabledRestore : menu.EnabledMin);
    }
    if (form.BorderIcons & biHelp) place(sys[3], m.HelpWidth, m.ButtonHeight, true);
    if (!userButtons.empty()) {
      x -= kUserButtonsGap;
      for (size_t i = 0; i < userButtons.size(); ++i)
        if (userButtons[i].Visible) place(l.User[i], userButtons[i].Width, userButtons[i].Height, true);
    }
  }

  // The icon, centred in the band that ends at T.
  if (m.IconVisible) {
    int top = m.SystemBorder / 2 + e.Top - 1;
    top += (t - top - m.IconHeight) / 2;
    if (m.ExtBorder) top += m.CenterOffset + MaxHeightShift(form, m, 0);
    const int left = m.BorderWidth + m.BILeft + e.Left;
    l.IconRect = {left, top, left + m.IconWidth, top + m.IconHeight};
  }

  TRect c;
  c.Left = m.BorderWidth + (m.IconVisible ? m.IconWidth : 0) + 4 + m.BILeft + e.Left + (m.HasCaptionSection ? 2 : 0);
  c.Right = (formWidth - e.Right) - l.ButtonsAreaWidth - 6 - e.Right;
  c.Top = form.Zoomed ? m.SystemBorder / 2 + e.Top + 1 : e.Top + 2;
  c.Bottom = t;
  if (m.ExtBorder && m.BorderMode == 1) {
    const int shift = m.CenterOffset + MaxHeightShift(form, m, 0);
    c.Top += shift;
    c.Bottom += shift;
  }
  l.CaptionRect = c;

  if (l.VisibleButtonCount > 0 && m.StripFrameWidth > 0) {
    const int width = l.ButtonsAreaWidth + 2 * (m.StripFrameWidth / 3);
    l.StripRect = {formWidth - width, 0, formWidth, m.CaptionHeight + InnerBorder(m)};
  }
  return l;
}

int TitleHitTest(const TacFormInfo& form, const TacSysMenuState& menu, const TacTitleMetrics& m,
                 const TacTitleLayout& layout, const TacHitInfo& info, TPoint p) {
  // The caption buttons (a border window answers them itself).
  if (!info.BorderWindow) {
    const auto& sys = layout.System;
    if (sys[2].Shown && sys[2].Rect.Contains(p)) return HTCLOSE;
    if (sys[1].Shown && sys[1].Rect.Contains(p))
      return menu.EnabledMax || (menu.EnabledRestore && !form.Iconic) ? HTMAXBUTTON : HTCAPTION;
    if (sys[0].Shown && sys[0].Rect.Contains(p))
      return form.Iconic || menu.EnabledMin ? HTMINBUTTON : HTCAPTION;
    if (sys[3].Shown && sys[3].Rect.Contains(p)) return HTHELP;
    for (size_t i = 0; i < layout.User.size(); ++i)
      if (layout.User[i].Shown && layout.User[i].Rect.Contains(p)) {
        if (i < info.UserEnabled.size() && info.UserEnabled[i]) return kUserButtonHitBase + int(i);
        return HTCAPTION;
      }
  }
  // The sizing borders.
  if (!form.Zoomed && form.ThickFrame && !info.BorderWindow) {
    const int b = m.SystemBorder;
    int code = HTNOWHERE;
    if (p.Y < b) code = HTTOP;
    else if (p.Y > form.Height - b) code = HTBOTTOM;
    if (p.X < b) code = code == HTTOP ? HTTOPLEFT : code == HTBOTTOM ? HTBOTTOMLEFT : HTLEFT;
    else if (p.X > form.Width - b) code = code == HTTOP ? HTTOPRIGHT : code == HTBOTTOM ? HTBOTTOMRIGHT : HTRIGHT;
    if (code != HTNOWHERE) return code;
  }
  // The caption.
  const int captionTop = InnerBorder(m) + m.ExtMargins.Top;
  if (p.Y >= captionTop && p.Y < captionTop + m.CaptionHeight)
    return layout.IconRect.Contains(p) ? HTSYSMENU : HTCAPTION;
  // The client area and its size grip.
  if (info.ClientRect.Contains(p)) {
    if (info.GripShown && info.GripWidth > 0 && info.GripHeight > 0 &&
        p.X >= info.ClientRect.Right - info.GripWidth && p.Y >= info.ClientRect.Bottom - info.GripHeight)
      return HTBOTTOMRIGHT;
    return HTCLIENT;
  }
  // Between the caption and the client area: the menu line.
  if (p.Y >= captionTop + m.CaptionHeight && p.Y < info.ClientRect.Top) return HTMENU;
  return HTBORDER;
}

void SnapCoordinate(int& pos, int edge, int buffer, int extent) {
  if (std::abs(pos + extent - edge) < buffer) pos = edge - extent;
}

void SnapToWorkArea(int& x, int& y, int w, int h, const TRect& work, int buffer, int d, int t) {
  if (x == 0 && y == 0) return;
  SnapCoordinate(x, work.Right, buffer, w + d);
  SnapCoordinate(y, work.Bottom, buffer, h + d);
  SnapCoordinate(x, work.Left, buffer, -d);
  SnapCoordinate(y, work.Top, buffer, -t);
}

TRect DragFrame(const TRect& frame, bool moving, int hitCode, int dx, int dy, int minWidth, int minHeight) {
  TRect r = frame;
  if (moving) return {r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy};
  bool left = false, top = false, right = false, bottom = false;
  switch (hitCode) {
    case HTLEFT: left = true; break;
    case HTRIGHT: right = true; break;
    case HTTOP: top = true; break;
    case HTTOPLEFT: top = left = true; break;
    case HTTOPRIGHT: top = right = true; break;
    case HTBOTTOM: bottom = true; break;
    case HTBOTTOMLEFT: bottom = left = true; break;
    default: bottom = right = true; break;
  }
  if (left) r.Left += dx;
  if (right) r.Right += dx;
  if (top) r.Top += dy;
  if (bottom) r.Bottom += dy;
  if (r.Right - r.Left < minWidth) {
    if (left) r.Left = r.Right - minWidth;
    else r.Right = r.Left + minWidth;
  }
  if (r.Bottom - r.Top < minHeight) {
    if (top) r.Top = r.Bottom - minHeight;
    else r.Bottom = r.Top + minHeight;
  }
  return r;
}
