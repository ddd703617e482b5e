// The adapter of a standard dialog window (`TacDialogWnd`) and its skinned
// system menu (`TacSystemMenu`): the dialog's title bar, borders, icon and
// title buttons painted from the skin through the platform's non-client
// frame (platform/NonClient.h), its client background, the hit tests and
// clicks of its own title buttons, and the system menu in place of the
// window's. The children keep their own adapters.
//
// The dialog's look is read from its style words once, at the first-show
// set-up (FirstShowSetup): FrameKind 2 for a popup without the full
// caption, 3 for a thick frame, 0 for a modal frame (DS_MODALFRAME or
// WS_EX_DLGMODALFRAME) without one, else 3; 1 before the set-up; 4 and 5
// are the tool windows (small caption). The title's layout and hit areas
// are the form provider's (ProviderLayout.h): the dialog answers as a form
// of the matching border style.
//
// Creation entry (the dialog hook makes it so, after the children have
// their adapters):
//   auto a = TacMainWnd::Create<TacDialogWnd>(dialog, nullptr, manager, "DIALOG", true);
//   a->FirstShowSetup();
// The frame goes on at the first show (or at once for a shown dialog) and
// off when the adapter goes.
//
// Extended borders (acDialogWndExtBorder.cpp): while the manager has
// ExtendedBorders and its skin an "EXBORDER" mask, the dialog owns a
// border window (acBorderForm.h) laid behind it, showing the dialog's
// 32-bit cache: the window's own picture with the skin's shadow picture
// laid around it in the border's margins. The dialog lies in the cache at
// ExtShift() (the margins' left and top); its own window paints its band,
// whose title is then the border's title height (the skin's TITLEHEIGHT)
// rather than the system's caption height: the band is asked again
// (WM_NCCALCSIZE) and the window grows or shrinks by the difference, so
// its client keeps its size (a maximized or minimized window keeps the
// system's size). Its region is its rectangle (the part of the cache
// inside the shadow margins), so the border window shows only the shadow
// around it. BORDERMODE 1: the window's picture is the border picture
// with the title painted over it. The border goes while the dialog is
// hidden, maximized or minimized, and with the skin.
//
// Left out: DWM composition (off here). Messages without a source under
// Qt (WM_DRAWITEM of statics, 1025, 1326, 45067) are answered when sent.
//
// GUI thread only; nothing here raises.
#pragma once

#include "skinlib/adapters/ProviderLayout.h"
#include "skinlib/adapters/ScrollBars.h"
#include "skinlib/adapters/sSkinProvider.h"
#include "skinlib/adapters/sSysMenu.h"

#include "platform/Bitmap.h"
#include "platform/Canvas.h"

#include <QPalette>
#include <QPointer>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class TacBorderForm;
class TacBorderOwner;
class TacDialogWnd;
struct TsMaskData;

inline constexpr char kDialogSection[] = "DIALOG";
// The hit codes of the title buttons (in the records' order).
inline constexpr std::array<int, 4> kDialogButtonCodes{8 /*HTMINBUTTON*/, 9 /*HTMAXBUTTON*/, 20 /*HTCLOSE*/,
                                                       21 /*HTHELP*/};

// ------------------------------------------------------------ the dialog's state

// What the tests of the dialog read: its style words, frame kind, state.
struct TacDialogInfo {
  std::uint32_t Style = 0;
  std::uint32_t ExStyle = 0;
  std::uint8_t FrameKind = 1;
  bool ClassNoClose = false;  // GetClassLong's CS_NOCLOSE
  bool Iconic = false;
  bool Zoomed = false;

  bool HasSysMenu() const;
  bool HasMaxBox() const;
  bool HasMinBox() const;
  bool HasHelp() const;
  bool CloseEnabled() const;
  bool CanMaximize() const;
  bool CanRestore() const;
  bool CanMinimize() const;
  bool CanSize() const;
  bool FullCaption() const;
  bool SmallCaption() const { return FrameKind == 4 || FrameKind == 5; }
};

std::uint8_t DialogFrameKind(std::uint32_t style, std::uint32_t exStyle);
// The title-button masks' names, minimize, maximize, close, help, as
// looked up for a frame kind: the large set for 1 and 3, else the small
// one (help falling back to the large), all large without "SICONCLOSE".
struct TacDialogMaskChoice {
  std::array<int, 4> Index{-1, -1, -1, -1};
  bool Large = true;
};
TacDialogMaskChoice ChooseDialogMasks(std::uint8_t frameKind, const std::function<int(const char*)>& maskIndex);
// The visible and enabled items of the system menu, in the order
// "miRestore", "miMove", "miSize", "miMinimize", "miMaximize", "miClose".
struct TacDialogMenuItems {
  std::array<bool, 6> Visible{};
  std::array<bool, 6> Enabled{};
};
TacDialogMenuItems DialogMenuItems(const TacDialogInfo& d);
// The form the title layout reads for the dialog, and the system menu's
// answers.
TacFormInfo DialogFormInfo(const TacDialogInfo& d, bool active, int width, int height);
TacSysMenuState DialogMenuState(const TacDialogInfo& d);
// The title's height: 0 without the full caption unless iconic, else
// `borderTitle` (the extended border's title height) when it is above 0,
// else the system's caption height.
int DialogTitleHeight(const TacDialogInfo& d, int borderTitle = 0);

// The dialog's own hit test (window coordinates) before the old procedure
// is asked: HTSYSMENU over the first SM_CXSMICON pixels of the title, a
// title button's code (the maximize button only when CanMaximize or
// CanRestore, the minimize button only when CanMinimize, else HTCAPTION),
// HTCAPTION elsewhere in the title, HTTRANSPARENT for a zoomed dialog's
// points outside (2, 2, width - 4, height - 4); nullopt for no own answer.
std::optional<int> DialogHitTest(const TacDialogInfo& d, const TacTitleLayout& layout, int borderX, int borderY,
                                 int titleHeight, int width, int height, platform::TPoint p);

// ------------------------------------------------------------ the system menu

class TacSystemMenu : public TsCustomSysMenu {
 public:
  explicit TacSystemMenu(TacDialogWnd* owner);

  TacDialogWnd* Owner() const { return owner_; }
  QAction* Item(const char* name) const;
  // Items shown and enabled by the dialog's state.
  void UpdateItems();
  // At (x, y) on the screen, items updated first (never waits).
  void ShowAt(int x, int y);

  bool VisibleClose() const override;
  bool VisibleMax() const override { return false; }
  bool VisibleMin() const override { return false; }
  bool EnabledMax() const override { return false; }
  bool EnabledMin() const override { return false; }
  bool EnabledRestore() const override { return false; }

 private:
  void Command(unsigned command, bool updateAfter);
  TacDialogWnd* owner_;
};

// ------------------------------------------------------------ the adapter

class TacDialogWnd : public TacScrollWnd {
 public:
  TacDialogWnd(QWidget* handle, TsCommonData* skinData, TsSkinManager* manager, const QString& section);

  struct TitleButton {
    platform::TRect Rect;
    int MaskIndex = -1;
    bool Large = true;
    int State = 0;  // 0 normal, 1 hot, 2 pressed
    int GlowIndex = -1;
  };

  // Run once the children have their adapters, before the first show:
  // style words, frame kind, icon, masks, caption font, WS_SYSMENU taken
  // away (the skin draws the buttons), the frame put on at the first show.
  void FirstShowSetup();

  bool Active() const { return active_; }
  bool SkipOwnPaint() const { return skipOwnPaint_; }
  // Cleared by the dialog hook when the dialog holds an edit or combo box.
  void SetSkipOwnPaint(bool value) { skipOwnPaint_ = value; }
  int CaptionIndex() const { return captionIndex_; }
  bool ChildrenAdapted() const { return childrenAdapted_; }
  std::uint8_t FrameKind() const { return info_.FrameKind; }
  const TacDialogInfo& Info() const;
  const std::array<TitleButton, 4>& Buttons() const { return buttons_; }
  int CurrentButton() const { return currentButton_; }
  static bool ButtonPressed();
  TacSystemMenu* SystemMenu() const { return systemMenu_.get(); }
  const std::vector<platform::TRect>& CornerRects() const { return corners_; }
  // The fades of the buttons hang here (sSBAnimation.h).
  QObject* FadeAnchor() const { return fadeAnchor_.get(); }
  bool NeedsRepaint() const { return needsRepaint_; }
  // The extended-border object (nullptr without extended borders).
  TacBorderForm* BorderForm() const { return borderForm_.get(); }
  // Where the window's corner lies in the cache: the border's left and top
  // margins with a border object, else (0, 0).
  platform::TPoint ExtShift() const;

  // Measures. BorderOffsets, IconRect and Layout are in the cache's
  // coordinates (shifted by ExtShift, the icon down by FORMOFFSET with
  // BORDERMODE 1); WindowLayout is in the window's.
  int TitleHeight() const;
  int TitleButtonsWidth() const;
  int TitleButtonWidth(int index) const;
  platform::TPoint BorderOffsets() const;
  platform::TRect IconRect() const;
  TacTitleLayout Layout() const;
  TacTitleLayout WindowLayout() const;

  // The title buttons: hot or pressed (code 0 resets all).
  void SetHotButton(int code, bool repaint);
  void SetPressedButton(int code);
  // The masks looked up again by the frame kind.
  void LookUpButtonMasks();
  // The frame on (at the first show for a hidden dialog) and the region.
  void PutOnFrame();
  // The cache painted again (when its background is flagged as changed).
  void RepaintCache();
  // The region by the corner rectangles (none for FrameKind 2 or when the
  // dialog keeps its own).
  void UpdateRegion(bool repaint);
  // The children walked again (the dialog hook's seam; nothing without one).
  void AdaptChildren();

  // ---- extended borders (acDialogWndExtBorder.cpp)
  // Whether the dialog should have a border object now: skinned and set up,
  // the manager's ExtendedBorders with the skin's "EXBORDER" mask, neither
  // maximized nor minimized.
  bool WantsBorderForm() const;
  // The border object made (when wanted and `create`) or freed; the cache
  // and the region follow, and with `fitBand` the title's height (the
  // band asked again, the window sized to keep its client).
  void UpdateBorderForm(bool create, bool fitBand = true);
  // The border window placed behind the dialog (repainted when asked).
  void UpdateBorderWindow(bool repaint);
  // The extended border's title height: the skin's TITLEHEIGHT while the
  // dialog has a border object, else 0.
  int BorderTitleHeight() const;

  void KeepOwnParams() override;
  void GiveBackOwnParams() override;
  void ApplySkinParams() override;

 protected:
  ~TacDialogWnd() override;
  void Install(bool repaint) override;
  void AdapterWndProc(platform::Message& m, const platform::CallPrevious& previous) override;

 private:
  TacDialogInfo ReadInfo() const;
  TsSkinManager* Manager() const;
  const TsMaskData* Mask(int index) const;
  int ButtonMaskToPaint(int index) const;
  void PaintTitleButtons(const TacTitleLayout& layout);
  void PaintCaption(platform::Bitmap& bmp, const TacTitleLayout& layout);
  void RepaintButton(int code);
  void ShowButtonGlow(int index);
  void HideButtonGlow(int index);
  void PaintNonClient(platform::Canvas* dc);
  void EraseBackground(platform::Message& m);
  void ShowSystemMenu(int x, int y);
  // Below the title icon (the system menu's place from the icon and from
  // Alt+Space).
  void ShowSystemMenuBelowIcon();
  void BuildCornerRects();
  bool Skinned() const;
  void Destroy();
  // The window's own offsets: (border width, border + title height).
  platform::TPoint WindowBorderOffsets() const;
  // The extended border's mode (BORDERMODE) and picture laid into the
  // cache (steps of RepaintCache with a border object).
  bool BorderMode1() const;
  void PaintExtendedBorder();
  // The title band, icon and caption into `bmp` (the cache, or with
  // BORDERMODE 1 a copy of it), the title bitmap kept.
  void PaintTitle(platform::Bitmap& bmp, const TacTitleLayout& layout);
  void InstallExtBorderHook();
  void ExtBorderHook(platform::Message& m, const platform::CallPrevious& previous);
  // How much higher the title is than the system's caption.
  int TitleExtra() const;
  // The band asked again when the title's height changed, and the window
  // sized so that its client keeps its size.
  void FitBandToTitle();
  void KeepClientHeight();
  void SetWindowHeight(int height);

  bool active_ = true;
  bool skipOwnPaint_ = true;
  int captionIndex_ = -1;
  bool childrenAdapted_ = false;
  bool setUp_ = false;
  bool needsRepaint_ = true;
  bool regionSet_ = false;
  bool notifyPending_ = false;
  std::array<TitleButton, 4> buttons_;
  int currentButton_ = 0;
  TacDialogInfo info_;
  std::unique_ptr<platform::Bitmap> titleBitmap_;
  std::unique_ptr<platform::Bitmap> icon_;
  std::optional<platform::TFont> captionFont_;
  std::vector<platform::TRect> corners_;
  std::unique_ptr<TacSystemMenu> systemMenu_;
  std::unique_ptr<QObject> fadeAnchor_;
  friend class TacDialogBorderOwner;
  std::unique_ptr<TacBorderOwner> borderOwner_;
  std::unique_ptr<TacBorderForm> borderForm_;
  platform::WindowProcHandle extHook_;
  // The title's extra height in the band now, and the one the window was
  // grown by.
  int bandExtra_ = 0;
  int grownBy_ = 0;
  // The client's height the window keeps while the title changes (-1:
  // none yet).
  int keptClient_ = -1;
  QPalette ownPalette_;
  bool ownAutoFill_ = false;
  // Expires with the adapter (the first-show set-up's callback).
  std::shared_ptr<const bool> life_ = std::make_shared<const bool>(true);
};

// The dialog hook's seam: walks the dialog's children again so late
// controls get adapters (nothing while unset).
std::function<void(QWidget* dialog)>& DialogChildrenSeam();
