#include "skinning/WinSubClassContainers.h"

#include "platform/WindowTable.h"

#include <QPainter>
#include <QStyleOptionTab>
#include <QTabBar>
#include <QTabWidget>

using namespace platform;

namespace skinning {

void TSkinSizer::Paint(Canvas& dc, const TRect& r) { FillSkinColor(dc, r); }

// ---------------------------------------------------------------------------

bool TSkinTabSheet::BeforeMessage(Message& m) {
  if (!TSkinControl::BeforeMessage(m)) return false;
  if (ModeFlag) return true;
  switch (m.Msg) {
    case WM_ERASEBKGND:
      if (auto* dc = ParamPtr<Canvas>(m.WParam)) FillSkinColor(*dc, GetClientRect(Handle));
      m.Result = 1;
      return false;
    case WM_PAINT:
    case WM_PRINT:
      HandlePaintMessage(m);
      return false;
    default:
      return true;
  }
}

void TSkinTabSheet::Paint(Canvas& dc, const TRect& r) { FillSkinColor(dc, r); }

// ---------------------------------------------------------------------------

void TSkinBoxH::HookWindow(QWidget* handle, TSkinData* skinData, TSkinFormObject* form) {
  if (Hooked || !handle || !skinData) return;
  TSkinControl::HookWindow(handle, skinData, form);
  saved_ = TSavedLook::Of(handle);
  SetControlColor(handle, SkinColour(scButtonFace));
}

void TSkinBoxH::Unhook() {
  if (!Active) return;
  TSkinControl::Unhook();
  if (Phase != kPhaseDestroyed && Handle) saved_.RestoreTo(Handle);
}

bool TSkinBoxH::BeforeMessage(Message& m) {
  if (!TSkinControl::BeforeMessage(m)) return false;
  if (m.Msg != WM_ERASEBKGND) return true;
  if (auto* dc = ParamPtr<Canvas>(m.WParam); dc && Handle)
    FillSkinColor(*dc, Rect(0, 0, Handle->width(), Handle->height()));
  m.Result = 0;
  return false;
}

// ---------------------------------------------------------------------------

void TSkinScControl::AttachScrollBox(QWidget* control, TSkinData* skinData, TSkinFormObject* form) {
  if (Hooked || !control || control != Control) return;
  TSkinControl::HookControl(form, skinData, false);
  AttachBars(control, nullptr, true, true);
}

// No border and no corner; the bars repaint themselves.
void TSkinScControl::Paint(Canvas&, const TRect&) {}

// ---------------------------------------------------------------------------

bool HasButtonTabs(const QWidget* tabs) {
  const QString style = GetPropertyText(tabs, QStringLiteral("Style"));
  return style == QStringLiteral("tsButtons") || style == QStringLiteral("tsFlatButtons");
}

QTabBar* TSkinTabBtn::Bar() const {
  if (auto* bar = qobject_cast<QTabBar*>(Control)) return bar;
  auto* tabs = qobject_cast<QTabWidget*>(Control);
  return tabs ? tabs->tabBar() : nullptr;
}

TSkinTabBtn::~TSkinTabBtn() { RemoveWindowProc(barHandle_); }

void TSkinTabBtn::HookControl(TSkinFormObject* form, TSkinData* skinData, bool applyColor) {
  TSkinControl::HookControl(form, skinData, applyColor);
  QTabBar* bar = Bar();
  if (!Hooked || !bar) return;
  RegisterWindow(bar);
  UseSkinStyle(bar);
  if (bar != Control)
    barHandle_ = InstallWindowProc(bar, [this](Message& m, const CallPrevious& previous) { BarProc(m, previous); });
}

void TSkinTabBtn::Unhook() {
  if (!Active) return;
  RemoveWindowProc(barHandle_);
  TSkinControl::Unhook();
  if (QTabBar* bar = Phase != kPhaseDestroyed ? Bar() : nullptr) bar->update();
}

bool TSkinTabBtn::Draws() const { return Drawing() && !Model().Buttons.Image.Empty() && Bar(); }

// The tab bar's background: the control colour under the tabs.
void TSkinTabBtn::BarProc(Message& m, const CallPrevious& previous) {
  if (m.Msg == WM_ERASEBKGND && Draws())
    if (auto* dc = ParamPtr<Canvas>(m.WParam)) {
      FillSkinColor(*dc, GetClientRect(Bar()));
      m.Result = 1;
      return;
    }
  previous(m);
}

bool TSkinTabBtn::DrawTab(const QStyleOptionTab& option, QPainter* painter) {
  if (!Draws()) return false;
  const TDataSkinButton& buttons = Model().Buttons;
  const bool selected = option.state & QStyle::State_Selected;
  const QRect& q = option.rect;
  const TRect r = Bounds(q.x(), q.y(), q.width(), q.height());
  Canvas dc(*painter);
  DrawElementState(dc, r, buttons.Frame, selected ? 2 : 1, buttons);
  const TColor given = selected ? buttons.PressedColour : buttons.NormalColour;
  dc.Font = ControlFont();
  dc.SetTextColor(given != -1 ? given : FromQColor(option.palette.color(QPalette::ButtonText)));
  Enabled = option.state & QStyle::State_Enabled;
  DrawImageCaption(dc, r, 1, option.text, option.icon, option.iconSize);
  return true;
}

}  // namespace skinning
