// Adapters of edit-like windows (line and text edits, list boxes) and the
// routines every control adapter of this kind shares: the adapter's cache
// painted from the control's section, the border's transparent corners,
// published properties reached by name.
//
// `TacBaseWnd` adds to the scroll adapter the skin's refresh of the cache,
// the frame repainted on size and enable changes and the bars refreshed
// after scrolling. `TacEditWnd` keeps the control's own colours (the
// palette's "Color" and "Font.Color", a "FocusColor" property by name),
// gives the skin's colours while skinned and gives its own back after; a
// bare window (no control of the program behind it) takes the section's
// colour as its palette. The border is the control's band (platform/
// NonClient.h): WM_NCPAINT copies the cache's border strip into it inside
// the paint event; "paint the frame now" is RedrawNonClient.
//
// The shape follows AdapterBase.h: state read from the window as values,
// private mouse and paint state, const accessors.
//
// GUI thread only.
#pragma once

#include "platform/Colors.h"
#include "skinlib/adapters/ScrollBars.h"

#include <QFont>
#include <QHash>
#include <QHeaderView>
#include <QPalette>
#include <QPointer>
#include <QStaticText>
#include <QStyle>
#include <QString>

#include <memory>
#include <vector>

class QObject;
class QWidget;
namespace platform {
class Bitmap;
}
class TsCommonData;

// Skin sub-commands these adapters answer or send.
inline constexpr unsigned acDisabledBlend = 35;  // to a disabled control before its blend

// The control messages for "enabled changed" and "redraw the frame".
inline constexpr unsigned kCmEnabledChanged = 0xB00C, kCmRedrawFrame = 0xB00E;
inline constexpr unsigned kCmMouseEnter = 0xB013, kCmMouseLeave = 0xB014;
// The control kind whose edit shows its glow when the mouse enters.
inline constexpr int kGlowingEditKind = 227;

// ------------------------------------------------------------ shared routines

// When the data's background changed: the cache (24 bit) takes the
// window's size and, with a valid section, the control's whole look over
// the parent's background; with `state` and a GLOBALINFO colour that is
// not the key colour the cache is that colour instead. A disabled control
// of the program is then blended toward its parent's background. Clears
// the background-changed flag.
void PrepareAdapterCache(TsCommonData& data, QWidget* window, bool state);

// The four corners of the cache's border made transparent: every pixel of
// the border mask's corner (in image `state`) holding the key colour takes
// the parent's background at that place. Nothing in dialog mode, without
// a border mask or cache, or for a window smaller than 2 x 2. A mask
// counting 0 images counts as 1.
void PaintAdapterBorder(TsCommonData& data, int state, QWidget* window, bool dlgMode);

// The data's cache made when missing, 24 bit, of that size.
platform::Bitmap& SizedAdapterCache(TsCommonData& data, int width, int height);

// The section's border mask has more than one image.
bool HasStateImages(const TsCommonData& data);
// The image a control's look is painted in: 1 (active) with state images
// while it is focused or the mouse is over it (also a control focused
// before its adapter came), else 0.
int AdapterState(const TsCommonData& data);

// Published properties by name; absent ones are skipped (-1 / clNone).
void SetOrdPropertyIfAny(QObject* object, const QString& name, int value);
platform::TColor GetColorPropertyRGB(const QObject* object, const QString& name);

// Depth-first through the container's children (in order): the first
// widget that is `handle`; nullptr when none.
QWidget* FindWinControlByHandle(const QWidget* handle, QWidget* container);

// Skin command 25 to the top-level window of `window`.
void NotifyTopParentChanged(QWidget* window);

// ------------------------------------------------------------ adapters

class TacBaseWnd : public TacScrollWnd {
 public:
  using TacScrollWnd::TacScrollWnd;

 protected:
  void AdapterWndProc(platform::Message& m, const platform::CallPrevious& previous) override;
  bool SkinActive() const;
};

class TacEditWnd : public TacBaseWnd {
 public:
  // An empty section takes "EDIT".
  TacEditWnd(QWidget* handle, TsCommonData* skinData, TsSkinManager* manager, const QString& section);

  void KeepOwnParams() override;
  void GiveBackOwnParams() override;
  // The skin's colours, with InCalcSize set meanwhile (style changes are
  // kept from the window).
  void ApplySkinParams() override;

  platform::TColor EditBgColor() const { return editBgColor_; }
  platform::TColor EditBorderColor() const { return editBorderColor_; }
  platform::TColor OwnFocusColor() const { return ownFocusColor_; }
  // The width of the border strip painted from the cache: Qt's band,
  // widened to the skin's border where that is wider.
  int BorderWidth() const { return borderWidth_; }
  // The adapter paints the control's border (skinned, with a band):
  // Qt's own frame of a line edit, which the border covers, is left out.
  bool PaintsBorder() const;

 protected:
  ~TacEditWnd() override;
  void Install(bool repaint) override;
  void AdapterWndProc(platform::Message& m, const platform::CallPrevious& previous) override;
  // The control of the program behind the adapter (nullptr: a bare window).
  QWidget* Control() const;
  // The cache and border painted anew for the current state.
  void RefreshCache();
  // The cache's border strip (`width` pixels; -1: BorderWidth) to `dc`.
  void PaintBorderStrip(platform::Canvas& dc, int width = -1);
  // The border the skin asks for on each side (0: none).
  virtual int SkinBorderWidth() const;
  // WM_PRINT: the frame made anew from the cache, the bars, then the
  // client inside the border.
  virtual void PrintWindow(platform::Canvas& dc, unsigned flags);
  // The client area in window coordinates: the cache less the border on
  // each side and the visible bars' strips.
  platform::TRect ClientInWindow() const;
  // Erase and client paint of the control (and its children with
  // PRF_CHILDREN) clipped to the client area; an empty list box paints
  // only its background. Qt paints a control in its window's coordinates,
  // so the canvas keeps its origin and the clip keeps the paint off the
  // border.
  void PrintClient(platform::Canvas& dc, unsigned flags);
  // WM_PRINT with `flags` to each visible child control at its place.
  void PrintChildren(platform::Canvas& dc, unsigned flags);

 private:
  // The focus or mouse changed: with state images the frame is redrawn.
  void StateChanged();
  // ApplySkinParams' work (run with InCalcSize set).
  void ApplyEditColors();

  // A line edit's style while adapted: its panel without Qt's frame.
  std::unique_ptr<QStyle> editStyle_;
  QPointer<QWidget> styled_;
  QPointer<QStyle> ownStyle_, appliedStyle_;
  platform::TColor editBgColor_ = platform::clWindow;
  platform::TColor ownFocusColor_ = platform::clNone;
  platform::TColor editBorderColor_ = platform::clNone;
  bool hasFocusColor_ = false;
  // The control's palette and background filling before the skin's
  // colours (given back as they were: a palette it inherited stays
  // inherited, a control that left its background to its style does so
  // again).
  QPalette ownPalette_;
  bool ownAutoFill_ = false;
  // The band asked of WM_NCCALCSIZE widened to the skin's border.
  void WidenBand(platform::Message& m, const platform::TRect& window);
  int borderWidth_ = 0;
};

// ------------------------------------------------------------ list and tree views



// The ways an item view shows its items: report (a view with a shown
// header), list and icon (a list view's modes), or none of these.
enum class TacListViewStyle { Other = 0, Icon = 1, List = 2, Report = 3 };
TacListViewStyle ListViewStyle(const QWidget* view);

// The state of one header item's paint, from the adapter's columns.
enum class TacHeaderItemState { Normal = 0, Hot = 1, Pressed = 2 };
TacHeaderItemState HeaderItemState(int index, int hotColumn, int pressedColumn);

// The header's messages come through a handler on its viewport, where Qt
// paints it and takes its mouse input; HeaderWnd is the header itself.
class TacListViewWnd : public TacEditWnd {
 public:
  TacListViewWnd(QWidget* handle, TsCommonData* skinData, TsSkinManager* manager, const QString& section);

  void KeepOwnParams() override;
  void GiveBackOwnParams() override;
  void ApplySkinParams() override;

  QHeaderView* HeaderWnd() const { return header_; }
  int HotColumn() const { return hotColumn_; }
  int PressedColumn() const { return pressedColumn_; }

  // One header item (-2: the empty area right of the last) painted into
  // `r` of the header's picture: its picture (HDF_IMAGE, HDF_BITMAP) at
  // the small-image size and 4 pixels on, its text, its sort glyph.
  void PaintHeaderItem(platform::Bitmap& whole, const platform::TRect& r, int index) const;
  // The list's small images: its icon size, else the style's small icon.
  QSize SmallImageSize() const;

 protected:
  ~TacListViewWnd() override;
  void Install(bool repaint) override;
  void AdapterWndProc(platform::Message& m, const platform::CallPrevious& previous) override;

 private:
  void HookHeader(QHeaderView* header);
  void UnhookHeader();
  void HeaderWndProc(platform::Message& m, const platform::CallPrevious& previous);
  void PaintListViewHeader(platform::Canvas& dc);
  // WM_PRINT of a report view: the header into the canvas at its place
  // (in the band, over the border, as it shows).
  void PrintHeader(platform::Canvas& dc);
  void RepaintHeader();
  // A thumb drag of either bar as whole items through LVM_SCROLL.
  void ThumbTrack(platform::Message& m, bool vertical, const platform::CallPrevious& previous);

  QPointer<QHeaderView> header_;
  platform::WindowProcHandle headerHook_;
  // Header item backgrounds by size and state, painted once per skin.
  const platform::Bitmap& HeaderBackground(int width, int height, TacHeaderItemState state, int& section) const;
  struct TacHeaderBg {
    int Width, Height, State, Section;
    std::unique_ptr<platform::Bitmap> Picture;
  };
  mutable std::vector<TacHeaderBg> headerBgs_;
  // The header's picture, kept between paints, and the widths of its
  // items' texts in the font they were measured in (a header's paint
  // forgets them when its font changed).
  struct TacHeaderText {
    int Width = 0;
    QStaticText Text;
  };
  platform::Bitmap& HeaderPicture(int width, int height);
  const TacHeaderText& HeaderText(platform::Canvas& canvas, const QString& text) const;
  std::unique_ptr<platform::Bitmap> headerPicture_;
  mutable QHash<QString, TacHeaderText> headerTexts_;
  QString headerFontKey_;
  QFont headerFont_;
  int headerLineHeight_ = 0;
  // The view's own background and text colours (its Base and Text).
  platform::TColor ownViewBk_ = platform::clNone, ownViewText_ = platform::clNone;
  int hotColumn_ = -1;
  int pressedColumn_ = -1;
};

class TacTreeViewWnd : public TacEditWnd {
 public:
  using TacEditWnd::TacEditWnd;

  void KeepOwnParams() override;
  void GiveBackOwnParams() override;
  void ApplySkinParams() override;

 protected:
  void AdapterWndProc(platform::Message& m, const platform::CallPrevious& previous) override;

 private:
  platform::TColor ownViewBk_ = platform::clNone;
};
