// Small window routines the adapters share: owner walks, readiness,
// caption flags, client rectangles, the room aligned children take, and
// the painting of graphic children over a skinned background and of a
// whole control into a bitmap.
//
// Forms are top-level windows and the framework's form classes ("TForm":
// main windows and dialogs, also when embedded); frames are controls of
// class "TFrame". A control's "Visible" is its own flag (QWidget::isHidden,
// not whether its parents are shown). Controls here are made in code:
// none is ever being read from stored data or designed.
//
// Backgrounds come from the background query of the shared control data
// (commondata::QueryControlBackground, skinlib/manager/CommonDataSeams.h);
// painting goes through the platform's painting messages, so adapted
// controls paint through their window procedures. GUI thread only.
#pragma once

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/WinTypes.h"
#include "skinlib/manager/sSkinMenus.h"

class QObject;
class QWidget;

// A control's alignment in its parent, as its published "Align" reads.
enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
// Horizontal alignment of a caption: TAlignment, the skinned menus' own.

// Where the mouse is, in screen coordinates.
platform::TPoint GetCursorPosition();

// True when the control can repaint now: it exists, has a parent, has a
// handle (polished) and is not being destroyed.
bool ControlIsReady(const QWidget* control);

// The first form (or frame) in the ownership chain of `component`, the
// component itself included; nullptr when there is none.
QWidget* GetOwnerForm(QObject* component);
QWidget* GetOwnerFrame(QObject* component);
// The topmost ancestor by GetParent (the parent of a control, the owner of
// a window); the window itself when it has none.
QWidget* GetTopParentHandle(QWidget* window);

// DrawText flags for a caption: DT_LEFT, DT_RIGHT or DT_CENTER by the
// alignment, with DT_VCENTER and DT_EXPANDTABS; in a right-to-left control
// left and right change places and DT_RTLREADING is added.
unsigned CaptionDrawFlags(const QWidget* control, TAlignment alignment);

// The client rectangle in window coordinates (moved by the distance of the
// client origin from the window's top-left corner); empty for no window.
platform::TRect ClientRectInWindow(const QWidget* window);

// The sum of the heights (alTop, alBottom) or widths (alLeft, alRight) of
// the visible child controls whose "Align" is `align`; graphic children
// count only with `includeGraphic`. A main window's tool bars count by
// their area and its status bar as alBottom. 0 for any other alignment.
int AlignedControlsSize(const QWidget* control, TAlign align, bool includeGraphic);

// True for a visible graphic control of positive size, not being
// destroyed, that is not a tool-bar button (the tool-bar adapter paints
// those; a "Style" of "tbsSeparator" or "tbsDivider" makes it none), and
// whose bounds (in its parent) are visible in the canvas.
bool GraphicControlNeedsPaint(const QWidget* control, platform::Canvas& dc);

// Paints the graphic children of a visible control into `dc` over the
// control's skinned background. `offset` is where the control's top-left
// corner lies in `dc`. Each child that needs paint (above) is laid on a
// work bitmap of the control's size: first its rectangle is filled (an
// opaque child, csOpaque, with its own background colour; any other with
// the control's background from the background query: its cache at the
// child's place, or its plain colour), then it paints itself there by
// WM_PAINT through Perform (a child whose rectangle is outside the clip of
// `dc` first hears command 22), and its rectangle is copied to `dc` unless
// the work bitmap's pixel at the child's top-left corner is $FF00FF.
// Nothing for a hidden control, one without children or a canvas whose
// clip is empty.
void PaintGraphicChildren(platform::Canvas& dc, QWidget* control, platform::TPoint offset);

// Paints `control` with all its children into the bitmap, its top-left
// corner at (x, y). A hidden control, when no form provider is given and
// it has a parent, leaves its parent's background there (the parent's
// cache when the background query hands one out, else its colour). A
// visible one gets WM_PRINT with PRF_ERASEBKGND, PRF_CLIENT and
// PRF_CHILDREN (graphic controls through Perform), clipped to its size
// unless `provider` has an extended border: its children paint at their
// places, each through its own window procedures. With such a provider
// the control's client area, where it painted it, is opaque afterwards in
// a 32-bit bitmap (the snapshot a layered show fades in), whatever its
// controls left clear.
void PaintControlToBitmap(platform::Bitmap& bitmap, QWidget* control, int x, int y, QObject* provider);
