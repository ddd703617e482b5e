// Glows: the halo painted around a control while the mouse is over it (or
// a title button while it is hot), drawn from a skin mask into a 32-bit
// picture and shown in a layered window (platform/LayeredWindow.h) just
// outside the control's rectangle.
//
// The glow window is a tool window of the control's top-level window,
// shown above it (on top with a window that stays on top) without taking
// activation, and transparent for input: a click on it reaches what lies
// below, it answers WM_NCHITTEST with HTTRANSPARENT, and no window
// manager frames it. Its picture is handed over as the system's layered
// windows take theirs, premultiplied: the parts a mask with a mask part
// paints keep alpha 0 and add their colour to what lies below (the
// glow's light), the parts copied with their own alpha are premultiplied.
//
// The unit keeps every glow it shows in one list; a caller keeps only the
// index ShowGlow gave and hides the glow by it. An index is the glow's
// number since the unit started: ClearGlows empties the list, and the
// glows shown after it get numbers no earlier glow had, so an index kept
// from before hides nothing (-1 means none).
//
// The unit "GlowEffect" (platform/Startup.h, after "AlphaPainting") fills
// the manager's glow seam (ManagerSeams.h: ClearGlows on every skin change
// and removal) and the shared control data's (CommonDataSeams.h: a
// control's glow shown and hidden); its end clears the glows and empties
// the slots. GUI thread only.
#pragma once

#include "platform/Bitmap.h"
#include "platform/LayeredWindow.h"
#include "platform/WinTypes.h"
#include "platform/WindowProc.h"

#include <QPointer>
#include <QString>

#include <memory>
#include <optional>

class QWidget;
class TsCommonData;
class TsSkinManager;

// Where a glow lies. `r` is the control's rectangle on the screen,
// `visible` the part of it that shows, in the control's own coordinates
// (a rectangle of r's size: the whole control); `maskMargins` the glow
// mask's margins (Left, Top, Right, Bottom), of which `margin` pixels
// overlap the control.
struct TacGlowPlacement {
  // The whole glow: r grown by the mask's margins, less 2 x margin.
  int FullWidth = 0;
  int FullHeight = 0;
  platform::TPoint Cut;    // where the part shown starts in it
  platform::TRect Screen;  // and where that part lies on the screen
};
// None when `margin` is wider than any of the mask's margins (the halo
// would lie inside the control), when nothing of the control shows, or
// when the glow would have no pixels or be too large a bitmap.
std::optional<TacGlowPlacement> GlowPlacement(const platform::TRect& r, const platform::TRect& visible,
                                              const platform::TRect& maskMargins, int margin);

class TacGlowEffect {
 public:
  TacGlowEffect() = default;
  // The window closed (at once when its manager is being destroyed or
  // gone, or while the unit ends; otherwise after the pending events) and
  // the glow procedure taken out of its chain.
  virtual ~TacGlowEffect();
  TacGlowEffect(const TacGlowEffect&) = delete;
  TacGlowEffect& operator=(const TacGlowEffect&) = delete;

  // Bitmap := a new 32-bit width x height bitmap of colour 0 (black, alpha
  // 0) with state 0 of the glow mask painted over the whole of it without
  // its centre (when MaskIndex >= 0), over no parent background.
  virtual void CreateGlowBitmap(int width, int height);

  // The window made and shown (only once): false, showing nothing, when
  // the placement gives no pixels.
  bool Show(const platform::TRect& r, const platform::TRect& visible, QWidget* wnd);

  QPointer<TsSkinManager> SkinManager;  // whose masks (not owned)
  int MaskIndex = -1;
  int Margin = 0;
  QPointer<platform::LayeredWindow> Form;    // nullptr until shown
  std::unique_ptr<platform::Bitmap> Bitmap;  // while being shown

 private:
  platform::WindowProcHandle glowProc_;
};

// The glow of mask `maskName` + "0" of section `sectionName` (of
// `manager`, or of the default manager when nullptr) shown around `r`
// above `wnd`'s window (`r`, `visible` as for GlowPlacement); its index,
// or -1 when nothing is shown: without layered windows, without the mask
// or a manager, or when the glow would have no pixels.
int ShowGlow(const platform::TRect& r, const platform::TRect& visible, const QString& sectionName,
             const QString& maskName, int margin, QWidget* wnd, TsSkinManager* manager);
// The glow of that index freed; -1, an index of before the last
// ClearGlows, one past the list or one hidden already does nothing.
void HideGlow(int index);
// Every glow freed, the list emptied.
void ClearGlows();

// The glow of that index (nullptr when none shows there), and how many
// glows show.
TacGlowEffect* GlowAt(int index);
int ShownGlowCount();

// What the shared control data's seam does: the control's previous glow
// hidden and a new one shown around the visible part of its owner, of the
// section's mask "GLOW" with the section's GlowMargin, above the owner's
// top-level window; GlowIndex takes its index.
void ShowCommonDataGlow(TsCommonData& data);
// The part of `control` its parents leave showing, in its own
// coordinates (empty when none).
platform::TRect VisiblePart(const QWidget* control);
