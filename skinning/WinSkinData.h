// The skin data component and the element model every skin painter reads.
//
// A TSkinData sits on a form (its QObject parent) and switches skinning on
// for it: it holds the settings that steer the engine, the loaded skin
// file, and the skin parsed into a TSkinModel: a colour scheme, the named
// elements (image strips of equal frames with edge widths, a tile flag and
// state colours), the caption buttons and a few derived images. A parse
// builds a whole new model and swaps it in, so a painter that keeps the
// model it was given (SharedModel) never sees half of two skins.
//
// Work that switches forms on or off goes to the skin manager
// (WinSkinManage.h), which runs it 250 ms later on the event loop.
//
// GUI thread only.
#pragma once

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Colors.h"
#include "platform/ScrollInfo.h"
#include "platform/WinTypes.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QLabel;
class QWidget;

namespace skinning {

using platform::TColor;
using platform::TRect;

class TQuickIni;
class TSkinReader;
class TSkinStyle;

// The engine's private window messages.
constexpr unsigned SKIN_REFRESHFORM = 13313;     // to a form: refresh its skin and its embedded forms'
constexpr unsigned SKIN_NCPAINT = 13570;         // to a skinned window: repaint the frame
constexpr unsigned SKIN_START = 13571;           // posted to a form just skinned, lParam 1000
constexpr unsigned SKIN_PAINTER = 13574;         // to a painted control: painter on (wParam > 0) or off
constexpr unsigned SKIN_CLOSETAB = 13575;        // to a form: may the tab page close (0 = yes)
constexpr unsigned SKIN_BUTTONACTION = 13588;    // a caption button of the application was pressed
constexpr unsigned SKIN_BUTTONVISIBLE = 13589;   // is the application's caption button visible
constexpr unsigned SKIN_MDIMAXIMIZED = 13590;    // to the MDI client: a child is shown maximized
constexpr unsigned SKIN_RECREATESCROLL = 13591;  // to a form: make the scroll-bar painter again
constexpr unsigned SKIN_OPENMENUITEM = 13592;    // to a form: open the menu-bar item under lParam
constexpr unsigned SKIN_QUERYSKINNED = 13603;    // answered 1 by a skinned window or painted control
constexpr int kSkinStartParam = 1000;

// A small set of enumeration members, bit n for member n.
template <typename E>
class TSet {
 public:
  constexpr TSet() = default;
  constexpr TSet(std::initializer_list<E> members) {
    for (E e : members) bits_ |= Bit(e);
  }
  constexpr bool Has(E e) const { return (bits_ & Bit(e)) != 0; }
  constexpr TSet& Include(E e) {
    bits_ |= Bit(e);
    return *this;
  }
  constexpr TSet& Exclude(E e) {
    bits_ &= ~Bit(e);
    return *this;
  }
  constexpr uint32_t Bits() const { return bits_; }
  friend constexpr bool operator==(TSet, TSet) = default;

 private:
  static constexpr uint32_t Bit(E e) { return uint32_t{1} << unsigned(e); }
  uint32_t bits_ = 0;
};

// The control kinds that are skinned.
enum TSkinControlType {
  xcMainMenu, xcPopupMenu, xcMenuItem, xcToolbar, xcControlbar, xcCombo, xcCheckBox,
  xcRadioButton, xcProgress, xcScrollbar, xcEdit, xcButton, xcBitBtn, xcSpeedButton, xcSpin,
  xcPanel, xcGroupBox, xcStatusBar, xcTab, xcTrackBar, xcSystemMenu, xcFastReport
};
using TSkinControlTypes = TSet<TSkinControlType>;

enum TSkinOption {
  xoMDIScrollbar, xoMenuMerge, xoTransparent, xoPreview, xoParentBackGround, xoNoFocusRect,
  xoToolbarBK, xoToolbarButton, xoMDIChildBorder, xoMenuBG, xoCaptionButtonHint, xoFormScrollbar
};
using TSkinOptions = TSet<TSkinOption>;

// How a TSkinData acts: for the main form (and every form the manager
// finds), for its own form only, for dialogs, or not at all.
enum TSkinFormType { sfMainform, sfOnlyThisForm, sfDialog, sfDLL };

// Every kind but the menu items and the report designer's.
TSkinControlTypes DefaultSkinControls();

// The slots of the colour scheme (section "Colours"); 9, 10 and 17 are
// never read and stay 0.
enum TSkinColourSlot {
  scWindowText = 0, scTitleTextActive = 1, scTitleTextNoActive = 2, scButtonFace = 3,
  scButtonText = 4, scButtonHilight = 5, scButtonlight = 6, scButtonShadow = 7,
  scButtonDkShadow = 8, scHilightText = 11, scHilight = 12, scMenubar = 13, scMenuBarText = 14,
  scMenuText = 15, scMenu = 16, scScrollbar = 18
};
constexpr int kSkinColourSlots = 19;

struct TSkinColours {
  // A colour per slot (system colours stay system colours, resolved when
  // drawn) and whether the skin gave it.
  std::array<TColor, kSkinColourSlots> Colour{};
  std::array<bool, kSkinColourSlots> Given{};
  // One per section "COLOUR…" other than "COLOURS", in file order.
  std::vector<TColor> Custom;
  // Section "Customcolors", keys "Color0" to "Color9".
  std::array<TColor, 10> User{};

  TColor operator[](TSkinColourSlot slot) const { return Colour[size_t(slot)]; }
  // The scheme before any skin: the system colours of each slot.
  static TSkinColours Defaults();
};

// A skin element: an image strip of Frame equal frames side by side (the
// top and bottom borders stack theirs), its fixed edges, transparency,
// tiling, a style and the colours of its states.
class TDataSkinObject {
 public:
  explicit TDataSkinObject(const QString& name = {}) : Name(name) {}
  virtual ~TDataSkinObject() = default;
  TDataSkinObject(const TDataSkinObject&) = default;
  TDataSkinObject& operator=(const TDataSkinObject&) = default;

  int LeftWidth = 0, TopHeight = 0, RightWidth = 0, BottomHeight = 0;
  platform::Bitmap Image;
  int Trans = 0;  // non-zero: the key colour $FF00FF is transparent
  int Tile = 0;   // 1: the middle parts are tiled, 0: stretched
  QString Name;   // the section it was read from
  int Frame = 1;  // at least 1 after a parse
  int Style = 0;
  TColor NormalColour = -1, MouseOverColour = -1, PressedColour = -1;  // -1: none
  TColor NormalColour2 = 0, MouseOverColour2 = 0, PressedColour2 = 0;

  TRect Margins() const { return {LeftWidth, TopHeight, RightWidth, BottomHeight}; }
  bool Empty() const { return Image.Empty(); }
  // Frame `frame` (from 1) in nine parts over the target, with the
  // element's margins, tiling and transparency.
  void Draw(platform::Canvas& canvas, const TRect& target, int frame, bool verticalFrames = false) const;
};

// Elements with a second image.
class TDataSkinBorder : public TDataSkinObject {
 public:
  using TDataSkinObject::TDataSkinObject;
  platform::Bitmap Image2;
};

// The caption: the margins hold TextShift (left), TextShiftVert (top) and
// TextRightClip (right); Image is the "TextBack" strip.
class TDataSkinTitle : public TDataSkinObject {
 public:
  using TDataSkinObject::TDataSkinObject;
  int TextAlignment = 0, Textbackground = 0, FontHeight = 14, TXTBackleft = 0, TXTBackRight = 0;
  TColor ActiveText = platform::clNone, InActiveText = platform::clNone;  // clNone: not given
};

class TDataSkinButton : public TDataSkinObject {
 public:
  using TDataSkinObject::TDataSkinObject;
  platform::Bitmap CheckButton, RadioButton;
  int RadioButtonFrame = 0, CheckButtonFrame = 0;
  // Whether the skin gave NormalColour2, MouseOverColour2, PressedColour2.
  bool NormalColour2Given = false, MouseOverColour2Given = false, PressedColour2Given = false;
};

// A caption button.
class TDataSkinSysButton : public TDataSkinObject {
 public:
  using TDataSkinObject::TDataSkinObject;
  int Action = 0, Align = 0, Xcoord = 0, Ycoord = 0, CombineOp = 0, Visibility = 0, Visibility1 = 0;
};

// The group box caption's background.
class TDataSkinBoxLabel : public TDataSkinObject {
 public:
  using TDataSkinObject::TDataSkinObject;
  int BackgroundLeftShift = 0, BackgroundRightShift = 0, BackgroundAlignment = 0;
};

// A parsed skin. Optional elements are null when the skin lacks their
// section (or the key naming their image); painters draw the standard way
// for a null element or one with an empty image.
struct TSkinModel {
  TSkinModel();
  TSkinModel(const TSkinModel&) = delete;
  TSkinModel& operator=(const TSkinModel&) = delete;

  QString SkinName;
  TSkinColours Colours;

  // Always there.
  TDataSkinObject LeftBorder{QStringLiteral("Left")}, RightBorder{QStringLiteral("Right")},
      TopBorder{QStringLiteral("Top")}, BottomBorder{QStringLiteral("Bottom")};
  TDataSkinTitle Title{QStringLiteral("Title")};
  TDataSkinButton Buttons{QStringLiteral("Buttons")};
  // The skin's caption buttons, then the three of a maximized MDI child
  // (Actions 7, 8, 9).
  std::vector<TDataSkinSysButton> CaptionButtons;

  std::unique_ptr<TDataSkinBorder> Progress;  // the bitmap reader's
  std::unique_ptr<TDataSkinObject> ProgressChunk, MenuBar, GroupBoxEdge;
  std::unique_ptr<TDataSkinBoxLabel> GroupBox;
  std::unique_ptr<TDataSkinBorder> Tabs;  // Image2: "Border"
  std::unique_ptr<TDataSkinObject> StatusBarEdges, TabPane, ToolBars;
  std::unique_ptr<TDataSkinBorder> ComboButton;  // Image2: the button mirrored
  std::unique_ptr<TDataSkinObject> SunkEdge, ExtraImages, Headerbar, MenuItem, MenuBackground;
  std::unique_ptr<TDataSkinObject> Scrollbar, HorzScroll, VertScroll, HorzScrollThumb,
      VertScrollThumb;
  std::unique_ptr<TDataSkinObject> ThumbHorz, ThumbVert, ThumbLeft, ThumbRight, ThumbUp, ThumbDown;
  std::unique_ptr<TDataSkinBorder> UpDownHorz, UpDownVert;  // Image2: "GlyphImage"
  std::unique_ptr<TDataSkinObject> Track, TrackVert;  // the skin's, or our built-in ones
  // Made by every parse: the combo box arrow (empty without a "ComboButton")
  // and the tool-bar gradient.
  std::unique_ptr<TDataSkinObject> ComboxArrow, Toolbar;

  TColor TitleColour = 0;  // sampled from the top border
  TColor FaceColour = 0;   // the face brush: ButtonFace
};

// A colour text: the first three runs of decimal digits as red, green and
// blue (each at most 255; a run counts when a non-digit ends it, the third
// also when the text does; missing numbers are 0). An empty text gives
// `fallback`.
TColor ParseSkinColour(const QString& text, TColor fallback);

// The skin in `ini`, its images from `reader`.
std::unique_ptr<TSkinModel> ParseSkinModel(const TQuickIni& ini, const TSkinReader& reader);

// The default class map: control classes of other makers and our own,
// each mapped to a built-in painter kind ("class=kind").
QStringList DefaultSkin3rd();

class TSkinData : public QObject {
 public:
  // `owner` is the form the component sits on (or nothing).
  explicit TSkinData(QObject* owner = nullptr);
  ~TSkinData() override;
  TSkinData(const TSkinData&) = delete;
  TSkinData& operator=(const TSkinData&) = delete;

  // Settings.
  bool Active() const { return active_; }
  // Switches the forms' skinning on or off through the manager (250 ms
  // later); on does nothing while no skin has loaded.
  void SetActive(bool value);
  int DisableTag = 99;  // controls with this Tag stay unskinned
  TSkinControlTypes SkinControls = DefaultSkinControls();
  TSkinOptions Options{xoPreview, xoToolbarBK, xoCaptionButtonHint};
  const QStringList& Skin3rd() const { return skin3rd_; }
  void SetSkin3rd(const QStringList& lines) { skin3rd_ = lines; }
  // A .skn file; a relative name ('\' or '/' between folders) is in the
  // program's folder. Setting it loads the file when it exists.
  const QString& SkinFile() const { return skinFile_; }
  void SetSkinFile(const QString& file);
  QString SkinStore() const { return QStringLiteral("(none)"); }
  void SetSkinStore(const QString&) {}
  TSkinFormType SkinFormtype = sfMainform;
  QString Version() const { return QStringLiteral("5.40.07.15"); }
  void SetVersion(const QString&) {}
  bool MenuUpdate = true;
  bool MenuMerge = false;

  // Events; var arguments by reference.
  std::function<void(QObject* sender, const QString& className, bool& doSkin)> OnFormSkin;
  std::function<void(QObject* sender)> OnSkinChanged;
  std::function<void(QObject* sender, TSkinData* skinData, QWidget* form, QWidget* control,
                     const QString& controlClass, QObject*& skinnedControl)>
      OnSkinControl;
  std::function<void(QObject* sender, QWidget* window, const QString& name)> OnBeforeSkinForm,
      OnAfterSkinForm;

  // Reads the skin stream: true when the container loads and holds an
  // ".ini" entry, whose skin then replaces the model. A failure keeps the
  // old model and leaves NoSkin() set.
  bool LoadSkin();
  // Replaces the model by the skin of `ini` and `reader`; clears NoSkin().
  void ParseSkin(const TQuickIni& ini, const TSkinReader& reader);
  // The streamed property: a 32-bit little-endian byte count and that many
  // bytes of a skin file, loaded at once. False when the count runs past
  // the bytes (nothing changes then) or the skin does not load.
  bool LoadSkinStream(std::string_view streamed);
  const std::string& SkinStream() const { return stream_; }

  // What follows the setting of the properties: makes the manager (once per
  // process) and registers with it, takes the caption font, and for the
  // main form installs the manager's creation hook and takes the icon.
  void Loaded();
  // The form filter's last word on a window class.
  void CheckFormSkin(QWidget* window, const QString& className, bool& doSkin);
  void DoSkinChanged();

  // The caption-button hint (with xoCaptionButtonHint): a small frameless
  // tip showing `text` at the screen rectangle's top-left corner, moved left
  // and up as far as it takes to lie whole within the free area of the
  // screen that corner is on (the primary screen when it is on none).
  void ShowCaptionHint(const TRect& screenRect, const QString& text);
  void HideCaptionHint();
  bool CaptionHintShown() const { return hintShown_; }
  QWidget* CaptionHintWindow() const;

  // True from construction and from the start of every load until a parse
  // completes.
  bool NoSkin() const { return noSkin_; }
  // Why the last SetSkinFile or LoadSkin gave no skin (the skin reader's
  // reason for a damaged file); empty after a good load. SetSkinFile logs
  // it.
  const std::string& LoadError() const { return loadError_; }
  // The same in the user's words: "文件不存在", "文件已损坏", why the file
  // cannot be read ...
  const std::string& LoadProblem() const { return loadProblem_; }
  const TSkinModel& Model() const { return *model_; }
  std::shared_ptr<const TSkinModel> SharedModel() const { return model_; }
  // The application's icon on the key colour (transparent), small-icon sized.
  const platform::Bitmap& IconBitmap() const { return icon_; }
  const platform::TFont& CaptionFont() const { return captionFont_; }
  // Restore, maximize, minimize and close, 16 x 16 each, black on white
  // (white = mask).
  const platform::Bitmap& MenuGlyphs() const { return menuGlyphs_; }
  int MaximizedWidth() const { return maxWidth_; }
  int MaximizedHeight() const { return maxHeight_; }
  QWidget* LastFilteredWindow() const;
  // The form the component sits on, or nullptr.
  QWidget* OwnerForm() const;
  // The one style of this skin, for widgets painted through a style (menus,
  // tool bars and the controls that need Qt's hit areas to match).
  TSkinStyle* Style();

 private:
  void ApplyLoadedSkin();
  void BuildIconBitmap();

  bool active_ = false;
  QString skinFile_;
  QStringList skin3rd_;
  std::string stream_;
  bool noSkin_ = true;
  std::string loadError_;
  std::string loadProblem_;
  std::shared_ptr<TSkinModel> model_;
  platform::Bitmap icon_;
  platform::TFont captionFont_;
  platform::Bitmap menuGlyphs_;
  QLabel* hint_ = nullptr;  // made on first use, owned
  bool hintShown_ = false;
  int maxWidth_ = 0, maxHeight_ = 0;
  QPointer<QWidget> lastFiltered_;
  TSkinStyle* style_ = nullptr;  // made on first use, owned
};

// Text drawn the engine's way (the DT_ rules of the canvas).
int SkinDrawText(platform::Canvas& canvas, const QString& text, TRect& r, unsigned flags);

// The platform's scroll-bar information (false when the window has no such
// bar), a mouse-leave notice for the window (one WM_MOUSELEAVE when the
// mouse next leaves it), and the control behind a window (nullptr for an
// inner part of a composite widget and for nullptr).
bool SkinGetScrollBarInfo(QWidget* window, int idObject, platform::SCROLLBARINFO* info);
void SkinTrackMouseLeave(QWidget* window);
QWidget* ControlFromWindow(QWidget* window);

}  // namespace skinning
