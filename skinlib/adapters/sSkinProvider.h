// The form provider (`TsSkinProvider`): the component that skins a whole
// form, its frame, title bar, title buttons, size grip and region.
//
// A provider is a QObject owned by its form (a top-level window, or an
// MDI child: the form in a QMdiSubWindow; a frame owner raises ESkinLibraryError "TsSkinProvider component must be used
// with forms only!"). At run time the newest provider of a form wins: an
// older one among the form's children is deleted. The provider puts one
// handler into the form's chain at the control level (where the form's
// WindowProc sat) and removes exactly that handler when it goes, so the
// chain is the form's own again. The handler answers the region question
// (message kRegionQueryMsg with kRegionQueryParam: 0, the provider claims
// no region of its own), swallows WM_WINDOWPOSCHANGING while the region is
// replaced, snaps a moving form to the work area when ScreenSnap is set
// and passes everything else on (the rest of the message table comes with
// the form's window procedure). While the form is skinned it has the
// platform's non-client frame (platform/NonClient.h), put on before its
// first show and taken off (client size kept) when the provider goes. A
// snapping form moves by the platform's manual move (SetManualMoveSize):
// a window manager's move is announced only afterwards.
//
// Painting: PaintAll paints the whole window (frame, title band, icon,
// caption, TITLEBAR strip, caption buttons, grip) into the cache bitmap
// of the provider's skin data (24-bit, the window's size); the copy to
// the screen is WM_NCPAINT's. Every rectangle comes from LayoutTitle
// (ProviderLayout.h), as does the hit test (NonClientHitTest), which reads
// no rectangle stored while painting.
//
// GUI thread only. Nothing here raises after construction; a missing
// manager, section or mask paints nothing and answers the neutral value.
#pragma once

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Messages.h"
#include "platform/WinTypes.h"
#include "platform/WindowProc.h"
#include "skinlib/adapters/AdapterUtils.h"
#include "skinlib/adapters/ProviderLayout.h"
#include "skinlib/adapters/acBorderForm.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class TsCommonData;
class TsSkinManager;
class TsSkinProvider;
struct TsMaskData;
class TsSkinData;
class TsCustomSysMenu;
class TacMDIWnd;

// The question a form is asked before its region is replaced; a form that
// answers kRegionQueryParam keeps its own region.
inline constexpr unsigned kRegionQueryMsg = 48205;
inline constexpr platform::WPARAM kRegionQueryParam = 16802;
// The provider's skin data's control kind.
inline constexpr int kProviderControlKind = 224;
inline constexpr int kHintMaxWidth = 800;
inline constexpr char kFormsOnlyMessage[] = "TsSkinProvider component must be used with forms only!";

enum class TsGripMode { gmNone, gmRightBottom };
enum class TsResizeMode { rmStandard, rmBorder };

// One of the seven caption-button records.
struct TacCaptionButton {
  int State = 0;
  int ImageIndex = -1;
  platform::TRect Rect;  // where it was last painted, in window coordinates
  bool Large = false;
  int HitCode = 0;
};

// What a caption button shows now: its rectangle, its image (the
// restore image of a maximized form's maximize button) and a user
// button's glyph.
struct TacButtonImage {
  bool Valid = false;
  platform::TRect Rect;
  int ImageIndex = -1;
  int State = 0;
  const platform::Bitmap* Glyph = nullptr;
};

// A user title button.
struct TsTitleButton {
  bool Enabled = true;
  platform::Bitmap Glyph;
  QString Hint;
  QString Name = QStringLiteral("TsTitleButton");
  bool UseSkinData = true;
  bool Visible = true;
  std::function<void(TsTitleButton& button, Qt::MouseButton b, Qt::KeyboardModifiers shift, int x, int y)>
      OnMouseDown, OnMouseUp;
  // Private state.
  int ImageIndex = -1;
  platform::TRect Rect;
  int State = 0;
};

struct TsTitleIcon {
  platform::Bitmap Glyph;
  int Width = 0;  // 0: from the caption height
  int Height = 0;
};

struct TacAddedTitle {
  QString Text;
  platform::TFont Font;
  platform::TColor FontColor = platform::clNone;
};

// The state of the rmBorder drag (one per program).
struct TacBorderDrag {
  bool InProgress = false;
  bool FirstMove = false;
  bool Moving = false;
  int HitCode = 0;
  platform::TRect Frame;
  platform::TPoint LastPoint;
  int MinWidth = 0;
  int MinHeight = 0;
};
extern TacBorderDrag BorderDrag;
// The provider that last handled a maximize or MDI activation, and the MDI
// main form's provider (guarded).
extern QPointer<TsSkinProvider> LastProvider;
extern QPointer<TsSkinProvider> MdiMainProvider;
extern bool ChildMaximizedAtCreate;

class TsSkinProvider : public QObject {
  Q_OBJECT
  Q_PROPERTY(bool AllowExtBorders READ AllowExtBorders WRITE SetAllowExtBorders)
  Q_PROPERTY(int CaptionAlignment READ CaptionAlignment WRITE SetCaptionAlignment)
  Q_PROPERTY(bool DrawNonClientArea READ DrawNonClientArea WRITE SetDrawNonClientArea)
  Q_PROPERTY(bool MakeSkinMenu READ MakeSkinMenu WRITE SetMakeSkinMenu)
  Q_PROPERTY(QString MenuLineSkin READ MenuLineSkin WRITE SetMenuLineSkin)
  Q_PROPERTY(bool ScreenSnap READ ScreenSnap WRITE SetScreenSnap)
  Q_PROPERTY(int SnapBuffer READ SnapBuffer WRITE SetSnapBuffer)
  Q_PROPERTY(bool ShowAppIcon READ ShowAppIcon WRITE SetShowAppIcon)
  Q_PROPERTY(QString TitleSkin READ TitleSkin WRITE SetTitleSkin)
  Q_PROPERTY(bool UseGlobalColor READ UseGlobalColor WRITE SetUseGlobalColor)

 public:
  // Raises ESkinLibraryError for an owner that is no form.
  explicit TsSkinProvider(QWidget* owner);
  ~TsSkinProvider() override;
  TsSkinProvider(const TsSkinProvider&) = delete;
  TsSkinProvider& operator=(const TsSkinProvider&) = delete;

  QWidget* Form() const { return form_; }
  TsCommonData* SkinData() const { return skinData_.get(); }
  TsSkinManager* Manager() const;
  bool Hooked() const { return hook_.Installed(); }

  // ---- published
  bool AllowExtBorders() const { return allowExtBorders_; }
  void SetAllowExtBorders(bool value);
  // A TAlignment (AdapterUtils.h).
  int CaptionAlignment() const { return captionAlignment_; }
  void SetCaptionAlignment(int value);
  bool DrawNonClientArea() const { return drawNonClientArea_; }
  void SetDrawNonClientArea(bool value);
  TsGripMode GripMode() const { return gripMode_; }
  void SetGripMode(TsGripMode value) { gripMode_ = value; }
  bool MakeSkinMenu() const { return makeSkinMenu_; }
  void SetMakeSkinMenu(bool value) { makeSkinMenu_ = value; }
  const QString& MenuLineSkin() const { return menuLineSkin_; }
  void SetMenuLineSkin(const QString& value) { menuLineSkin_ = value; }
  TsResizeMode ResizeMode() const { return resizeMode_; }
  void SetResizeMode(TsResizeMode value) { resizeMode_ = value; }
  bool ScreenSnap() const { return screenSnap_; }
  void SetScreenSnap(bool value);
  int SnapBuffer() const { return snapBuffer_; }
  void SetSnapBuffer(int value) { snapBuffer_ = value; }
  bool ShowAppIcon() const { return showAppIcon_; }
  void SetShowAppIcon(bool value);
  const QString& TitleSkin() const { return titleSkin_; }
  void SetTitleSkin(const QString& value);
  bool UseGlobalColor() const { return useGlobalColor_; }
  void SetUseGlobalColor(bool value);
  std::vector<TsTitleButton>& TitleButtons() { return titleButtons_; }
  TsTitleIcon& TitleIcon() { return titleIcon_; }
  TacAddedTitle& AddedTitle() { return addedTitle_; }
  // The form's paint, on the cache's canvas with the origin at the client
  // area (PaintAll's last step).
  std::function<void(platform::Canvas& canvas)> OnPaint;
  // Asked before the control adapter skins a child control: it may refuse
  // it (`canBeAdded` false) or change the section it is skinned with.
  std::function<void(QWidget* control, bool& canBeAdded, QString& section)> OnSkinItem;

  // ---- state
  bool FormActive() const { return formActive_; }
  void SetFormActive(bool value) { formActive_ = value; }
  bool InRegionUpdate() const { return inRegionUpdate_; }
  bool RegionChanged() const { return regionChanged_; }
  const std::vector<platform::TRect>& RegionRects() const { return regionRects_; }
  // The form had WS_SYSMENU when the skin took the system caption away.
  bool HadSysMenu() const { return hadSysMenu_; }
  // The system menu (made when the skin is first applied); its six
  // answers decide the caption buttons. Another menu (a dialog's) may take
  // its place.
  TsCustomSysMenu* SystemMenu() const { return systemMenu_.get(); }
  void SetSystemMenu(std::unique_ptr<TsCustomSysMenu> menu);

  // ---- metrics
  // The form's state as the title reads it.
  TacFormInfo ReadFormInfo() const;
  TacSysMenuState MenuState() const;
  TacTitleMetrics ReadTitleMetrics() const;
  TacTitleLayout Layout() const;
  int CaptionHeight(bool useSkin) const;
  // S: SM_CXFRAME for WS_THICKFRAME, SM_CXDLGFRAME for WS_BORDER, else 0.
  int SystemBorderWidth() const;
  bool GripVisible() const;
  int VisibleButtonCount() const;
  platform::TRect MonitorWorkArea() const;
  // Without an extended-border window both deltas are 0 (sSkinProviderExtBorder.cpp).
  int TitleHeightDelta() const;
  int BorderWidthDelta() const;
  bool HasBorderWindow() const { return borderForm_ != nullptr; }
  int TitleButtonWidth(const TsTitleButton& button) const;
  QString TitleSectionName() const;
  int TitleSectionIndex();
  platform::TRect IconRect() const { return Layout().IconRect; }
  bool IconVisible() const;
  int ButtonsAreaWidth() const { return Layout().ButtonsAreaWidth; }
  // The record of a hit code below 1000 (nullptr for others).
  TacCaptionButton* ButtonRecord(int hitCode);
  const std::array<TacCaptionButton, kSystemButtonCount>& Buttons() const { return buttons_; }
  int HotButton() const { return hotCode_; }

  // ---- region, hit test
  void UpdateFormRegion(bool repaint);
  void BuildRegionRects();
  // The hit code of a point on the screen; also made the title's hot
  // element.
  int NonClientHitTest(platform::TPoint screenPoint);

  // ---- painting
  void InitSysButtons();
  void PaintAll();
  void PaintGrip();
  void PaintTitleButtons(const TacTitleLayout& layout);
  void PaintTitleIcon(const TacTitleLayout& layout);
  void PaintCaptionText(const TacTitleLayout& layout);
  void SetHotButton(int hitCode, bool repaint);
  void SetPressedButton(int hitCode);
  // Shows one caption button's new state: faded (StartTitleButtonFade:
  // hot 10 steps in, pressed at once, normal 10 steps out) where the
  // manager allows glowing, else painted into the cache at once and the
  // band repainted. The MDI child buttons (101 to 103) never fade.
  void RepaintTitleButton(int hitCode);
  TacButtonImage ButtonImage(int hitCode);
  // A press was the last change (true) or a hover (false).
  static bool LastChangeWasPress();
  // The hint of the hot title button (nullptr until one was shown): clInfoBk,
  // at most kHintMaxWidth wide, 8 right of and 16 below the cursor, kept in
  // the work area, on top without taking activation.
  QWidget* HintWindow() const { return hint_.data(); }

  // ---- children of the form
  // A skin manager put on the form becomes the skin data's manager when
  // it has none, and leaves it when it goes (windowed controls go to the
  // control adapter, which comes later). Called from the form's child
  // events.
  void Notification(QObject* component, bool inserted);

  // ---- the window procedure (sSkinProviderWndProc.cpp)
  // Every message of the form, in this order: skin commands answered in
  // any state, the unskinned path, skinned commands, window messages.
  // `previous` (the form's own handling) runs at most once.
  void NewWndProc(platform::Message& m, const platform::CallPrevious& previous);
  // Client area inside the window bitmap; the band above it.
  int ClientOffsetX() const;
  int ClientOffsetY() const;
  int TopBandHeight() const { return std::max(0, ClientOffsetY()); }
  // ---- the menu line (sSkinProviderMenuLine.cpp): the form's QMenuBar
  // as the platform's menu line, laid out and painted by the provider.
  // False for dialogs and MDI children; else whether the menu has a
  // visible item.
  bool MenuVisible() const;
  // SM_CYMENU - 1 with a menu, else 0.
  int MenuItemHeight() const;
  // The rows the line takes (cached until the layout changes).
  int MenuRowCount();
  // The section the line is painted with ("MENULINE" or MenuLineSkin).
  int MenuLineSectionIndex() const;
  // The line's layout given to the platform (on while skinned).
  void InstallMenuLineLayout(bool on);
  // Paints the line with its items into the cache.
  void PaintMenuLine();
  // An MDI main form whose active child is maximized: the child's icon at
  // the left of the line and its minimize, restore and close buttons (hit
  // codes 103, 102, 101) at the right.
  bool MDIButtonsVisible() const;
  QWidget* MaximizedMdiChild() const;
  // Where the MDI child buttons sit (window coordinates; empty when not shown).
  platform::TRect MdiButtonRect(int hitCode) const;
  platform::TRect MdiChildIconRect() const;
  // The form's menu bar laid out and painted anew (CM_MENUCHANGED to the
  // form, whose default rebuilds the line): false when the bar has no
  // items or a rebuild is running already.
  bool RebuildMainMenu();
  // The same, once per provider (until MainMenuRebuilt is cleared).
  void RefreshMainMenuOnce();
  bool MainMenuRebuilt() const { return mainMenuRebuilt_; }
  void SetMainMenuRebuilt(bool value) { mainMenuRebuilt_ = value; }
  // Paints one item of the line into the cache and repaints the band.
  void RepaintMenuItem(int position);
  // One item of the line (window coordinates) drawn into the cache by the
  // skinned menus (sSkinProviderMenus.cpp); false when they do not hook
  // the form's menu bar.
  bool DrawSkinnedMenuLineItem(QAction* item, const platform::TRect& rect, bool hot);
  // WM_NCPAINT: the cache brought up to date and its four bands copied
  // to the window's canvas (the client area is never overwritten).
  void PaintNonClient();
  void PaintFrameToDC(platform::Canvas& dc);
  bool CacheSizeChanged() const;
  // Changes with every PaintAll: what a copy of the cache was made from.
  std::uint64_t CacheStamp() const { return cacheStamp_; }
  // The cache is not the window's picture as it stands: dirty, of another
  // size, painted for another client rectangle or activity.
  bool CacheStale() const;
  // What the menu line shows beyond the cache's background: its rectangle,
  // current item, items and the MDI child buttons; a change repaints it.
  std::vector<int> MenuLineState() const;
  // Background and menu line dirty, the band repainted.
  void RequestFullRepaint();
  // The skinned system menu, or the window's standard one with its items
  // enabled by the caption answers; a chosen command is posted as
  // WM_SYSCOMMAND. Never waits.
  void ShowSystemMenu(int x, int y);
  // Takes (true) or gives back (false) the form's WS_SYSMENU.
  void SetSysMenuStyle(bool take);
  // WM_GETMINMAXINFO for a form the platform maximizes itself.
  void GetMinMaxInfo(platform::Message& m);
  // The background colour of the form's client area.
  platform::TColor FormColor() const;
  // The rmBorder outline (an overlay window on the screen).
  void BeginMoveOutline(platform::TPoint screenPoint, int hitCode);
  void DrawMoveOutline(platform::TPoint screenPoint);
  // Ends the drag: outline gone, capture released, state cleared; the
  // window moves to the outline only with `apply`.
  void EndMoveOutline(bool apply);
  QWidget* MoveOutline() const { return outline_.data(); }
  // The caption buttons' fades end at once (the window moved or sized).
  void FreeButtonFades();
  // A pending click on the title icon (its 200 ms wait).
  bool SystemMenuPending() const { return sysMenuTimer_ != nullptr; }

  // ---- the client area (sSkinProviderClient.cpp)
  // The client background into `dc` (its origin at the client's corner):
  // the cache's client part around the child controls with the graphic
  // children over it, or the form's colour for a plain background. With
  // `notify` the child controls hear that updating ended.
  void PaintClientBackground(platform::Canvas& dc, bool notify);
  // The client painted into `dc` (nullptr: the paint event's canvas):
  // background, size grip, graphic children.
  void PaintClientArea(platform::Canvas* dc);
  // WM_PAINT: PaintClientArea inside BeginPaint/EndPaint (a message with
  // a canvas paints into that one); nothing while the forms are locked
  // and the message brings no canvas.
  void PaintForm(platform::Message& m);
  // WM_PRINT: the whole window into the canvas of WParam.
  void PrintForm(platform::Message& m);
  // Top-left of the size grip's image in the cache (the client area's
  // bottom-right corner less the image, moved by the cache's shift), for a
  // grip w x h.
  platform::TPoint GripPosition(int gripWidth, int gripHeight) const;
  // A screen point relative to the window's top-left corner.
  platform::TPoint ScreenToWindowPoint(platform::TPoint screenPoint) const;
  // The title band (full width, border and caption high) as PaintAll has
  // it before the caption and buttons, kept for RepaintTitle in the
  // cache's pixel format.
  void SaveTitleBitmap();
  // The title band alone painted anew from the saved title: caption and
  // buttons into the cache, the band repainted. The whole window when
  // there is no saved title or the cache is stale.
  void RepaintTitle();
  const platform::Bitmap* TitleBitmap() const { return titleBitmapValid_ ? &titleBitmap_ : nullptr; }
  // The right end of the title band (the buttons' area, the border, 10
  // more and the extended margin) as it is before the buttons are painted,
  // in the cache's pixel format: a button-only repaint puts it back first,
  // so that no button image is painted over an older one.
  void SaveButtonStrip();
  // False (nothing copied) without a strip saved for the cache as it is.
  bool RestoreButtonStrip();
  const platform::Bitmap* ButtonStrip() const { return buttonStripValid_ ? &buttonStrip_ : nullptr; }
  // The rectangle (window coordinates) handed to the form's control
  // adapter (ControlAdapterSeam's PaintNotify; nothing without one).
  void AdapterPaintNotify(const platform::TRect& rect);
  // A window-procedure filter (window level) that swallows WM_ERASEBKGND
  // and passes every other message on; RemoveWindowProc takes it away.
  static platform::WindowProcHandle InstallEraseBkgndFilter(QWidget* window);
  // CM_MOUSEWHEEL the form left unanswered: the control under the mouse
  // that takes the wheel (Qt::WheelFocus) gets it.
  void MouseWheelToControl(platform::Message& m);
  // WM_SETREDRAW's count of switches off not yet switched on again.
  int RedrawLock() const { return redrawLock_; }
  // CM_SHOWINGCHANGED's show animation runs.
  bool InAnimation() const { return inAnimation_; }
  // How the form was last shown (WM_SHOWWINDOW): 0 none, 1 normal, 2
  // minimized, 3 maximized. A maximized form's first activation holds its
  // controls (the updating flag) until its frame is painted; its
  // deactivation makes it 0.
  std::uint8_t ShowState() const { return showState_; }

  // ---- extended borders (sSkinProviderExtBorder.cpp): a layered window
  // laid behind the form shows the whole skinned image (wider borders,
  // the skin's title, the shadow); the form keeps its system-sized band,
  // cut away by its region but for the menu line.
  // Makes (when asked and the form may have one) or drops the border
  // window; the cache is 32-bit while there is one.
  void UpdateExtBorder(bool create);
  TacBorderForm* BorderForm() const { return borderForm_.get(); }
  // Places and repaints the border window (nothing without one).
  void UpdateBorderWindow(bool repaint = false, std::uint8_t alpha = 255);
  // Where the window's point (0, 0) lies in the cache: the border's left
  // and top offsets with a border window, else (0, 0).
  int CacheShiftX() const;
  int CacheShiftY() const;
  // The cache's height: the window's, plus the border's bands and margins.
  int SkinnedFormHeight() const;
  // The border window's hit test asks this first (0: no answer).
  std::function<int(platform::TPoint screenPoint)> OnExtHitTest;

  // ---- the MDI client (sMDIForm.cpp)
  // An MDI main form's client adapter made when missing (the provider
  // becomes the MDI main provider) while skinned, or freed.
  void SetMDIAdapter(bool on);
  TacMDIWnd* MDIAdapter() const;
  // The MDI area in the cache (window coordinates): the client area less
  // the room the aligned bars take; empty without the client adapter.
  platform::TRect MdiAreaRect() const;
  // MDIAREA painted there (a step of PaintAll).
  void PaintMdiArea();
  // The menu line must be laid out and painted anew.
  bool MenuLineChanged() const { return menuLineChanged_; }
  void SetMenuLineChanged() { menuLineChanged_ = true; }
  // The form is an MDI child (a QMdiSubWindow's form).
  bool IsMdiChild() const;
  // The window's size and a screen point in its coordinates: an iconic MDI
  // child's window is its sub-window, which shows its band alone.
  QSize WindowSize() const;
  QPoint WindowPoint(QPoint screen) const;
  // The band is on the screen (the form shown, or an iconic MDI child's
  // sub-window).
  bool BandShown() const;
  // ... and its area's active child.
  bool IsActiveMdiChild() const;
  // The rmBorder outline's window on the screen (an MDI child's sub-window)
  // and its move to the outline.
  platform::TRect OutlinedWindowRect() const;
  void MoveOutlinedWindow(const platform::TRect& frame);
  // Closes the form (an MDI child's sub-window with it).
  void CloseForm();
  // What the menu line's MDI child buttons allow: the system menu of the
  // provider that last handled an MDI activation when it is a child's,
  // else the maximized child's own buttons.
  TacSysMenuState MdiChildMenuState() const;
  // The MDI main form's band and client asked to repaint (its menu line
  // shows the active child's state).
  void RepaintMdiMain();

  // ---- skin
  void ApplySkin();
  void Loaded();
  // True when the default or own manager is active and the section exists.
  bool Skinned() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Hook(platform::Message& m, const platform::CallPrevious& previous);
  // An MDI child's window commands, activation, size and end, as they
  // concern its main form; false for other messages and forms.
  bool MdiMessage(platform::Message& m, const std::function<void()>& def);
  // An MDI main form's children that no skin answers for (skin command 7)
  // go to the dialog skinning, which decides for each.
  void SkinUnskinnedMdiChildren();
  bool SkinCommandAnyState(platform::Message& m, const std::function<void()>& def);
  void SkinnedCommand(platform::Message& m);
  void WindowMessage(platform::Message& m, const std::function<void()>& def);
  void NcLButtonDown(platform::Message& m, const std::function<void()>& def);
  void NcLButtonUp(platform::Message& m, const std::function<void()>& def);
  void SysCommand(platform::Message& m, const std::function<void()>& def);
  void RemoveSkin();
  // The form's own background colour given back (after the skin's global one).
  void GiveBackOwnColor();
  void NewSkin(bool fromSkinnedPath);
  void ClickOnTitleIcon();
  void ShowSystemMenuBelowIcon();
  void Refresh();
  void ShowingChanged(platform::Message& m, const std::function<void()>& def);
  void Activate(platform::Message& m, const std::function<void()>& def);
  void EraseBackground(platform::Message& m, const std::function<void()>& def);
  void Paint(platform::Message& m, const std::function<void()>& def);
  void PaintClientGrip(platform::Canvas& dc);
  void WindowPosChanging(platform::Message& m);
  void AttachFrame();
  void ShowHint(const QString& text);
  void HideHint();
  void RepaintFrame();
  const TsMaskData* Mask(int index) const;
  int ButtonImageIndex(TacTitleButton kind, const TacFormInfo& form);

  QPointer<QWidget> form_;
  QPointer<QWidget> hint_;
  QPointer<QWidget> outline_;
  QPointer<QObject> sysMenuTimer_;
  platform::TRect dragStart_;
  platform::TPoint dragPoint_;
  bool sysMenuTaken_ = false;
  bool firstPaint_ = true;
  bool menuLineChanged_ = true;
  bool titleBitmapValid_ = false;
  int menuRowCount_ = -1;
  bool mdiButtonsLaidOut_ = false;
  std::unique_ptr<TsCommonData> skinData_;
  platform::WindowProcHandle hook_;
  std::unique_ptr<TsCustomSysMenu> systemMenu_;
  std::array<TacCaptionButton, kSystemButtonCount> buttons_;
  std::vector<TsTitleButton> titleButtons_;
  TsTitleIcon titleIcon_;
  TacAddedTitle addedTitle_;
  std::vector<platform::TRect> regionRects_;
  std::unique_ptr<platform::Bitmap> workBitmap_;
  QString menuLineSkin_, titleSkin_;
  int captionAlignment_ = taLeftJustify;
  int snapBuffer_ = 10;
  int titleIndex_ = -1;
  int captionIndex_ = -1;
  int titleButtonMask_ = -1;
  int hotCode_ = 0;
  TsGripMode gripMode_ = TsGripMode::gmNone;
  TsResizeMode resizeMode_ = TsResizeMode::rmStandard;
  bool allowExtBorders_ = true;
  bool drawNonClientArea_ = true;
  bool makeSkinMenu_ = false;
  bool screenSnap_ = false;
  bool showAppIcon_ = true;
  bool useGlobalColor_ = true;
  // The form's own background colour before the skin's global colour
  // went on (set: its palette had one of its own; else it inherited it).
  bool ownColorKept_ = false;
  bool ownColorSet_ = false;
  platform::TColor ownColor_ = 0;
  bool formActive_ = true;
  bool inRegionUpdate_ = false;
  bool regionChanged_ = false;
  bool firstApply_ = true;
  bool hadSysMenu_ = true;
  bool framed_ = false;
  bool inAnimation_ = false;
  bool inHitTest_ = false;
  bool showAnimation_ = false;
  int redrawLock_ = 0;
  std::uint8_t showState_ = 0;
  bool mainMenuRebuilt_ = false;
  bool activationHold_ = false;  // the updating flag set by a maximized form's activation
  platform::Bitmap titleBitmap_;
  platform::Bitmap buttonStrip_;
  platform::TRect buttonStripRect_;  // where the strip lies in the cache
  bool buttonStripValid_ = false;
  platform::TRect gripRect_;  // where PaintGrip put the grip in the cache
  QRect paintedClient_;       // the client rectangle and activity PaintAll painted for
  std::uint64_t cacheStamp_ = 0;
  bool paintedActive_ = false;
  std::vector<int> paintedMenuLine_;
  // Extended borders (declared last: they go first).
  friend class TacProviderBorderOwner;
  void InstallExtBorderHook();
  void ExtBorderHook(platform::Message& m, const platform::CallPrevious& previous);
  bool WantsBorderWindow() const;
  void PaintExtendedBorder();
  std::unique_ptr<TacBorderOwner> borderOwner_;
  std::unique_ptr<TacBorderForm> borderForm_;
  platform::WindowProcHandle extHook_;
};

// The control adapter of a form's children comes with its own unit: until
// it is there no child is adapted. Its steps, called through this seam
// (empty slots do nothing).
struct TacControlAdapterSeam {
  // A rectangle of the form (window coordinates) the adapter is told of
  // (AdapterPaintNotify).
  std::function<void(TsSkinProvider&, const platform::TRect&)> PaintNotify;
  // Makes the form's control adapter (CreateAdapter).
  std::function<void(TsSkinProvider&)> Create;
  // Re-adapts one control, or all of them for nullptr.
  std::function<void(TsSkinProvider&, QWidget*)> Readapt;
  // Tells the adapted controls the skin is gone and frees the adapter.
  std::function<void(TsSkinProvider&)> Destroy;
};
TacControlAdapterSeam& ControlAdapterSeam();

// The form's menus hooked for skinned drawing (or unhooked): the skinned
// menus' unit fills it; empty, menus stay as they are.
std::function<void(TsSkinProvider&, bool install)>& HookFormMenusSeam();

// The menu line's rows: items (their widths) left to right, a new row
// when the next item passes `room`, never an empty row; rectangles
// relative to the line's corner. The number of rows.
int LayoutMenuRows(const std::vector<int>& widths, int room, int itemHeight, std::vector<QRect>* rects);

// The provider of a form (nullptr: none).
TsSkinProvider* ProviderOfForm(const QWidget* form);

// A caption button mask's state width and the height of one image row;
// kMissingButtonSize for a missing mask or one without states (ImageCount
// 0 or less).
int MaskFrameWidth(const TsMaskData* mask);
int MaskRowHeight(const TsMaskData* mask);
// GLOBALINFO's title values (TitleHeight, MaxHeight, CenterOffset,
// BorderMode, BISpace, BIVAlign, BIRight, BILeft) into the title metrics.
void ReadSkinTitleValues(const TsSkinData& skin, TacTitleMetrics& m);

// Desktop composition: there is none here, so the window transitions it
// could switch off are not there either.
inline constexpr long E_NOTIMPL = long(0x80004001);
bool DwmCompositionEnabled();
// E_NOTIMPL: no composition to ask.
long SetDwmTransitions(QWidget* window, bool disable);
