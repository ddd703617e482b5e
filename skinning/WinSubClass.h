// Control painters: the base every painter of a skinned control derives
// from, and the drawing routines the painters share.
//
// A painter takes over one window's messages through the platform's
// window-procedure chain: HookControl puts it on a control at the control
// level (where the control's own WindowProc sat), HookWindow on an inner
// part of a composite widget at the window level. Each message runs
// through MainWndProc: BeforeMessage may handle it alone; otherwise the
// procedures after the painter's (CallDefault: in the end the widget's own
// handling) run, then AfterMessage. A painter draws only inside a paint
// event: PaintWindow(nullptr) asks for a repaint, whose paint event runs
// Paint on the event's canvas.
//
// A painter made for a control goes when the control goes; one made for an
// inner window goes with its owner (the form skinner or the painter that
// made it) and stops working when its window goes (Phase 6).
//
// Painters that draw through the skin's style (tabs, track bars, spin and
// combo boxes) are found by their widget: FindSkinControl.
//
// GUI thread only.
#pragma once

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Messages.h"
#include "platform/Properties.h"
#include "platform/WindowProc.h"
#include "skinning/WinSkinData.h"
#include "skinning/WinSkinManage.h"

#include <QIcon>
#include <QObject>
#include <QPalette>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QStyle>

#include <vector>

class QWidget;

namespace skinning {

using platform::Bitmap;
using platform::Canvas;
using platform::Message;

// The bits of MouseState.
constexpr unsigned msHot = 1, msDown = 2;

// The control Tag that shows the parent's background behind a button, and
// that of a page control whose tabs get close boxes.
constexpr int kParentPaintTag = 5555;
constexpr int kCloseTabsTag = 7777;

// A widget's own palette and background filling, kept to be given back.
struct TSavedLook {
  bool OwnPalette = false;
  QPalette Palette;
  bool AutoFill = false;

  static TSavedLook Of(const QWidget* widget);
  void RestoreTo(QWidget* widget) const;
};

// Styles put on widgets and given back: each widget gets the style it had
// set itself, or follows the application's again, but only while it still
// wears the style put on it (a style set on it since stays).
class TStyleSwitch {
 public:
  TStyleSwitch() = default;
  TStyleSwitch(const TStyleSwitch&) = delete;
  TStyleSwitch& operator=(const TStyleSwitch&) = delete;
  ~TStyleSwitch() { RestoreAll(); }
  // Once per widget until it is given back.
  void Use(QWidget* widget, QStyle* style);
  void Restore(QWidget* widget);
  void RestoreAll();

 private:
  struct Saved {
    QPointer<QWidget> widget;
    QPointer<QStyle> style;
    bool own;
    QPointer<QStyle> put;  // the style Use set
  };
  static void GiveBack(const Saved& saved);
  std::vector<Saved> saved_;
};

class TSkinControl : public QObject {
 public:
  static constexpr int kPhaseCreated = 0, kPhaseHooked = 1, kPhaseDestroyed = 6;

  // A painter for the control `owner` (it goes with the control) or, when
  // `owner` is no widget, for the window HookWindow is given (it goes with
  // `owner`).
  explicit TSkinControl(QObject* owner);
  ~TSkinControl() override;
  TSkinControl(const TSkinControl&) = delete;
  TSkinControl& operator=(const TSkinControl&) = delete;

  // Attaches to the control the painter was made for (once); with
  // `applyColor` the control takes the skin's control colour until Unhook.
  virtual void HookControl(TSkinFormObject* form, TSkinData* skinData, bool applyColor);
  // Attaches to an inner window (once).
  virtual void HookWindow(QWidget* handle, TSkinData* skinData, TSkinFormObject* form);
  // Stops handling messages and gives back what hooking changed.
  virtual void Unhook();
  // Runs before the procedures after the painter's; false: the message is
  // handled, they do not run.
  virtual bool BeforeMessage(Message& m);
  virtual void AfterMessage(Message& m);
  // Paints the whole window into `dc` now, or (nullptr) asks for a repaint.
  virtual void PaintWindow(Canvas* dc);
  // Draws the control into `dc`; `r` is the window at the origin.
  virtual void Paint(Canvas& dc, const TRect& r);
  // Takes up a changed skin.
  virtual void Reskin();
  virtual bool Skinnable() const { return true; }

  // The window procedure of the painter.
  void MainWndProc(Message& m, const platform::CallPrevious& previous);
  // Runs the message through the procedures after the painter's.
  void CallDefault(Message& m);
  // A repaint of the window.
  void Refresh();
  // Active with a skin: what the style asks before it draws for a painter.
  bool Drawing() const { return Active && SkinData && !SkinData->NoSkin(); }

  unsigned MouseState = 0;
  bool Enabled = false;  // at the last paint
  bool Focused = false;  // at the last paint
  QString Text;          // the caption as last read
  bool Active = true;
  QPointer<TSkinData> SkinData;
  QPointer<QWidget> Handle;   // the window painted
  QPointer<QWidget> Control;  // the control; nullptr for an inner window
  TRect WindowRect;           // screen coordinates, at the last paint
  bool ApplyColor = false;
  TSavedLook SavedColor;  // before hooking
  bool Hooked = false;
  int Phase = kPhaseCreated;
  QPointer<TSkinFormObject> Form;
  int ModeFlag = 0;
  bool HadParentBackground = false;

 protected:
  // Only while SkinData is there.
  const TSkinModel& Model() const { return SkinData->Model(); }
  TColor SkinColour(TSkinColourSlot slot) const { return Model().Colours[slot]; }
  bool HasOption(TSkinOption option) const { return SkinData && SkinData->Options.Has(option); }

  // WM_PAINT of painters that draw the whole window: Paint on the canvas
  // in WParam, or on that of the paint event.
  void HandlePaintMessage(Message& m);
  // WM_ERASEBKGND of check boxes and radio buttons: an inner window's
  // client in the control colour, a control's parent's background; 1.
  void EraseBackground(Message& m);

  // The control's "Color" (the skin's control colour when it has none).
  TColor ControlColor(TColor fallback) const;
  void FillSkinColor(Canvas& dc, const TRect& r) const;
  void FillControlColor(Canvas& dc, const TRect& r) const;
  // The control's font, in the colour of its text.
  platform::TFont ControlFont() const;
  // Gives the control the palette and background filling it had.
  void RestoreColor();
  // Adds DT_RTLREADING for a right-to-left control.
  unsigned AddRtlReading(unsigned format) const;
  // A caption centred vertically in `r` (horizontally too for DT_CENTER),
  // in the button shadow colour when disabled.
  void DrawCaptionCentred(Canvas& dc, const TRect& r, unsigned format, bool enabled, const QString& text) const;
  // An icon and a caption as one block: at 3 (alignment 0), centred (1) or
  // at the right (2); no icon when there is none or it is wider than `r`.
  void DrawImageCaption(Canvas& dc, const TRect& r, int alignment, const QString& text, const QIcon& icon,
                        QSize iconSize) const;
  // A focus rectangle around `text` as drawn in `r` with `format` (centred
  // for DT_CENTER, at the right for DT_RIGHT, else at the top left), 2
  // pixels out at the sides and 1 above and below, cut to `bounds`.
  void DrawFocusAround(Canvas& dc, const QString& text, const TRect& r, unsigned format, const TRect& bounds) const;
  // CM_MOUSELEAVE to the window.
  void SendMouseLeave();

  // Hooks the control like HookControl, but with `installProc` false it
  // only joins the form's list and applies the colour.
  void AttachControl(TSkinFormObject* form, TSkinData* skinData, bool applyColor, bool installProc);
  // Makes FindSkinControl find this painter for `window` too.
  void RegisterWindow(QWidget* window);
  // Puts the skin's style on the widget until RestoreStyles, which gives
  // each widget the style it had.
  void UseSkinStyle(QWidget* widget);
  void RestoreStyles();

 private:
  void SwitchParentBackground(bool hooking);

  TStyleSwitch styles_;
  platform::WindowProcHandle handle_;
  const platform::CallPrevious* previous_ = nullptr;
};

// The painters hooked to `window`, and the first of class T among them.
std::vector<TSkinControl*> FindSkinControls(const QWidget* window);
template <class T>
T* FindSkinControl(const QWidget* window) {
  for (TSkinControl* c : FindSkinControls(window))
    if (auto* t = dynamic_cast<T*>(c)) return t;
  return nullptr;
}

// The window text.
QString ReadWindowText(const QWidget* window);

// A solid fill.
void FillColor(Canvas& dc, const TRect& r, TColor colour);

// Frame `frame` of the element (as `frameCount` frames), its margins and
// tiling, drawn over `r`: without its key colour when the element's Trans
// is 1. Nothing for an empty rectangle.
void DrawElementState(Canvas& dc, const TRect& r, int frameCount, int frame, const TDataSkinObject& element);

// Frame `frame` of a strip of `frameCount` side-by-side frames stretched
// over `r` without its key colour; a count below 1 counts as 1.
void DrawStripFrame(Canvas& dc, const TRect& r, int frameCount, int frame, const Bitmap& strip);

// The disabled look of a glyph: on white, the glyph's shape in the button
// highlight colour one pixel down and right, then in the button shadow
// colour. Pixels of `key` (and, in a 32-bit glyph, those less than half
// opaque) are background. The result is 24-bit; white is its background.
Bitmap CreateDisabledGlyph(const Bitmap& glyph, TColor key);

}  // namespace skinning
