// Extended borders (`TacBorderForm`): a skinned window's borders, title
// and shadow drawn outside the window itself, by a layered window laid
// behind it.
//
// The border window is a platform::LayeredWindow tagged -98 (the library's
// own windows are never adapted), never focused and never activated
// (WM_MOUSEACTIVATE answers MA_NOACTIVATE and activates the owner
// instead). It shows the owner's whole 32-bit image (its skin data's
// cache: wider borders, the skin's title, rounded corners and the shadow
// margins) with per-pixel alpha at a constant alpha; it stays directly
// behind its owner: the owner is raised after the border window shows or
// rises (no top-level window is stacked under another here). The owner
// keeps system-sized borders, cut away by its region.
//
// The border window's coordinates are those of the owner's image. Its
// mouse messages inside the frame (between the shadow margins) are the
// non-client messages of a frame: a press, release or double click goes
// to the owner as WM_NC... with hit code -1 (the owner asks BorderHitTest),
// a move sets the cursor by the hit code. In the shadow margin the message
// goes to the window beneath the point (the border window passed over),
// in that window's client coordinates; never to the border window or the
// owner.
//
// The owner is a form provider or a dialog adapter: it answers through
// TacBorderOwner. GUI thread only; nothing here raises.
#pragma once

#include "platform/Bitmap.h"
#include "platform/Messages.h"
#include "platform/WinTypes.h"
#include "platform/WindowProc.h"

#include <QPointer>
#include <QRegion>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace platform {
class LayeredWindow;
}

// Hit code of a point inside the frame of the border window.
inline constexpr int kBorderFrameHitCode = 19;
// The owner is asked for the hit code itself (WParam of the forwarded
// non-client messages).
inline constexpr platform::WPARAM kAskBorderHitTest = platform::WPARAM(-1);

// What the border window asks of its owner.
class TsSkinManager;

class TacBorderOwner {
 public:
  virtual ~TacBorderOwner() = default;
  virtual QWidget* OwnerWindow() const = 0;
  // The owner's image (pf32bit, nullptr before it is painted) and whether
  // it must be painted again; PaintOwnerImage paints the whole of it.
  virtual platform::Bitmap* OwnerImage() const = 0;
  virtual bool OwnerImageDirty() const = 0;
  virtual void PaintOwnerImage() = 0;
  // The extended-border margins of the skin (left, top, right, bottom).
  virtual platform::TRect BorderMargins() const = 0;
  // The skin's BORDERWIDTH and TITLEHEIGHT; the system's border width and
  // caption height of the window.
  virtual int SkinBorderWidth() const = 0;
  virtual int SkinTitleHeight() const = 0;
  virtual int SystemBorderWidth() const = 0;
  virtual int SystemCaptionHeight() const = 0;
  virtual bool HasCaption() const = 0;
  // The height of the menu line (0 without one).
  virtual int MenuLineHeight() const { return 0; }
  // The title icon's rectangle in the image (empty: none).
  virtual platform::TRect TitleIconRect() const = 0;
  // The title-button hit code at a point of the image (0: none there).
  virtual int TitleButtonAt(platform::TPoint imagePoint) const = 0;
  // The size grip's rectangle in the image (empty: none shown).
  virtual platform::TRect GripRect() const { return {}; }
  // The client area in the image.
  virtual platform::TRect ClientRectInImage() const = 0;
  // The hot element of the title (0: none).
  virtual void SetHotElement(int hitCode) = 0;
  // The caption buttons' glow objects go (the window moves).
  virtual void FreeGlows() {}
  // Steps that only a form provider has.
  virtual bool IsProvider() const { return false; }
  // Whether the border may follow now (not while the form is shown, animated,
  // updating or not drawing its frame).
  virtual bool MayUpdate() const { return true; }
  // The provider's OnExtHitTest (0: no answer).
  virtual int ExtHitTest(platform::TPoint /*screenPoint*/) { return 0; }
  // The form's AlphaBlend and AlphaBlendValue.
  virtual bool AlphaBlend() const { return false; }
  virtual std::uint8_t AlphaBlendValue() const { return 255; }
  // The window is maximized under a caption lower than the system's + 4.
  virtual bool MaximizedByBorder() const { return false; }
  // TITLEHEIGHT - system caption height - system border width.
  virtual int TitleHeightDelta() const { return 0; }
  // The window is shown modally.
  virtual bool IsModal() const { return false; }
  // The caption double-clicked maximizes or restores (by the system menu).
  virtual bool CanMaximizeOrRestore() const { return false; }
  // A double click on the border: a drag of the owner's outline ends at
  // the point (the window moved there) and a pressed title button is
  // forgotten.
  virtual void EndDrag(platform::TPoint /*screenPoint*/) {}
};

class TacBorderForm {
 public:
  explicit TacBorderForm(TacBorderOwner& owner);
  ~TacBorderForm();
  TacBorderForm(const TacBorderForm&) = delete;
  TacBorderForm& operator=(const TacBorderForm&) = delete;

  TacBorderOwner& Owner() const { return owner_; }
  platform::LayeredWindow* BorderWindow() const;
  bool PassThrough() const { return passThrough_; }
  bool InUpdate() const { return inUpdate_; }

  // Places, sizes and repaints the border window behind its owner. Does
  // nothing while running already (its own moves come back here).
  void UpdatePosition(bool repaint = false, std::uint8_t alpha = 255);
  // Back directly behind the owner (the owner was raised or activated):
  // the border window rises, then the owner over it.
  void KeepBehindOwner();
  // The hit code of a screen point, made the owner's hot element.
  int BorderHitTest(platform::TPoint screenPoint);
  // margins.top - system border + (TITLEHEIGHT with a caption) - system caption.
  int OwnerTopOffset() const;
  // BORDERWIDTH - system border + margins.left.
  int OwnerLeftOffset() const;
  // The window region: a maximized owner's frame only; the client cut out
  // with AlphaBlend; none otherwise.
  std::optional<QRegion> MakeBorderRegion() const;
  // Whether a point of the border window lies in the shadow margin (the
  // owner's hot element then goes).
  bool IsOutsideFrame(platform::TPoint borderPoint);
  // The border window's procedure.
  void BorderWndProc(platform::Message& m, const platform::CallPrevious& previous);
  // The window a message in the shadow margin at `screenPoint` goes to
  // (nullptr: none, or the border window or owner).
  QWidget* WindowBeneath(platform::TPoint screenPoint);

 private:
  void PassToWindowBeneath(platform::Message& m, platform::TPoint borderPoint);
  void ForwardToOwner(unsigned ncMsg, platform::WPARAM code, platform::TPoint screenPoint);
  void SetCursorByHitCode(int code);
  void DoubleClick(platform::TPoint screenPoint);

  TacBorderOwner& owner_;
  QPointer<platform::LayeredWindow> window_;
  platform::WindowProcHandle proc_;
  bool passThrough_ = false;
  bool inUpdate_ = false;
  // Expires with the border (a message handed on may free it).
  std::shared_ptr<const bool> life_ = std::make_shared<const bool>(true);
};

// The cursor shape a hit code shows over the border (Qt::ArrowCursor for
// the caption and the menu, sizing arrows for the borders); none for others.
std::optional<Qt::CursorShape> BorderCursor(int hitCode);

// The owner's image with its extended border: inside `inner` (the
// window's own area) every pixel opaque, except the key colour, which
// shows the border picture; around it the border picture in nine parts
// (its corners `corners` wide and high, sides and centre stretched),
// its inner edge `formOffset` pixels inside `inner`, blended over the
// window there. `image` is pf32bit.
void LayExtendedBorder(platform::Bitmap& image, const platform::TRect& inner, const platform::Bitmap& border,
                       const platform::TRect& corners, int formOffset);

// The owner's 32-bit cache with the manager's extended border laid around
// it (LayExtendedBorder with the skin's margins and FORMOFFSET). Outside
// BORDERMODE 1 the corners the border mask `borderMaskIndex` leaves clear
// show the picture (CopyTransparentCorner); in BORDERMODE 1 `paintTitle`,
// when given, paints the title over the picture, and every pixel it
// changed is the window's, opaque.
void ComposeExtendedBorder(platform::Bitmap& cache, const platform::Bitmap& picture, const TsSkinManager& manager,
                           int borderMaskIndex, const std::function<void(platform::Bitmap&)>& paintTitle);
