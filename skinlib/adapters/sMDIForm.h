// The MDI client of a skinned MDI main form: `TsMDIForm`, kept by the
// form's provider, and `TacMDIWnd`, the adapter it puts on the form's
// QMdiArea (platform/Mdi.h).
//
// The adapter is a scroll adapter of the area (skinned bars) with two
// handlers: the area's own (its band, the MDI messages, the skin command)
// and one on the area's viewport, where Qt paints the background: while
// skinned the viewport's erase copies the MDIAREA part of the provider's
// cache (or fills the form colour when the skin has no MDIAREA and the
// form's look does not follow its parent) and Qt's background paint is
// left out; onto the screen the part comes from a copy of it in the
// screen's pixel format, made again only after the provider repaints its
// cache (CacheStamp), as a 24-bit copy would be converted at every erase.
// The band (WS_EX_CLIENTEDGE: 2 pixels) is copied from the
// provider's cache at the area's place. With the active child maximized
// the area paints nothing of its own: erase and non-client paint answer 1.
//
// Tiling and cascading (WM_MDITILE, WM_MDICASCADE) take WS_SYSMENU from the
// active child's style word (a kept bit) and repaint the client and the
// form's band; WM_MDISETMENU marks the provider's menu line changed;
// skin sub-commands 51 and 52 switch the area's redrawing off and on.
//
// Form, Provider and the provider's skin data are read through guarded
// pointers: a provider gone leaves the adapter passing everything on.
// GUI thread only.
#pragma once

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/WinTypes.h"
#include "skinlib/adapters/EditAdapters.h"
#include "skinlib/manager/sSkinManager.h"  // the adapter base guards its manager

#include <QObject>
#include <QPointer>

#include <memory>

class QMdiArea;
class QMdiSubWindow;
class TsSkinProvider;
class TacMDIWnd;

// The library's two switches of the MDI client's skinning (both on). With
// either off the client is left to its own painting.
struct TacMdiSettings {
  bool SkinMdiBackground = true;
  bool SkinMdiBorders = true;
};
TacMdiSettings& MdiSettings();

// Skin sub-commands the MDI client takes.
inline constexpr unsigned acForwardToProvider = 5;
inline constexpr unsigned acLockRedraw = 51, acUnlockRedraw = 52;

class TacMDIWnd : public TacBaseWnd {
 public:
  TacMDIWnd(QWidget* handle, TsCommonData* skinData, TsSkinManager* manager, const QString& section);

  QWidget* Form() const { return form_; }
  TsSkinProvider* Provider() const { return provider_; }
  // The provider's skin data (nullptr once the provider went).
  TsCommonData* ProviderData() const;
  void SetOwners(QWidget* form, TsSkinProvider* provider);

  // Both switches on and the provider's data skinned.
  bool Switches() const;
  // The form's active MDI child is maximized.
  bool ChildMaximized() const;
  // The client-edge width: 2 with WS_EX_CLIENTEDGE, else 0.
  int BorderWidth() const;
  // The client background into `dc` (origin at the viewport's corner).
  void PaintClient(platform::Canvas& dc);
  // The band strip and the bars into `dc` (origin at the area's corner).
  void PaintBand(platform::Canvas& dc);

 protected:
  ~TacMDIWnd() override;
  void Install(bool repaint) override;
  void AdapterWndProc(platform::Message& m, const platform::CallPrevious& previous) override;

 private:
  QMdiArea* Area() const;
  void ViewportWndProc(platform::Message& m, const platform::CallPrevious& previous);
  void Arranged();
  // The MDIAREA section exists in the provider's skin.
  bool HasMdiSection() const;
  platform::TPoint PlaceInForm(const QWidget* w) const;

  QPointer<QWidget> form_;
  QPointer<TsSkinProvider> provider_;
  QPointer<QWidget> viewport_;
  platform::WindowProcHandle viewportHook_;
  // A maximized child shows no title of its own while the form's menu
  // line shows its icon and buttons (the form hosts its title bar).
  void FollowMaximizedChild();
  void Watch(QMdiSubWindow* sub);
  void Relayout();
  std::unique_ptr<QObject> watcher_;
  bool hosting_ = false;
  // The MDIAREA part of the provider's cache in the screen's format.
  platform::DeviceCopy deviceCopy_;
};

// Kept by the MDI main form's provider (a child object of it).
class TsMDIForm : public QObject {
  Q_OBJECT

 public:
  // Makes sure the form's window exists.
  explicit TsMDIForm(TsSkinProvider* provider);
  ~TsMDIForm() override;
  TsMDIForm(const TsMDIForm&) = delete;
  TsMDIForm& operator=(const TsMDIForm&) = delete;

  QWidget* Form() const { return form_; }
  TsSkinProvider* Provider() const { return provider_; }
  TacMDIWnd* MDIAdapter() const { return adapter_.get(); }

  // The adapter put on the form's MDI client when there is none yet: only
  // while the provider is skinned (an old adapter goes first); not
  // skinned, any adapter goes.
  void Connect();
  void Disconnect();
  // The provider's whole band repainted.
  void RequestRepaint();

 private:
  void ConnectToClient();

  QPointer<TsSkinProvider> provider_;
  QPointer<QWidget> form_;
  TacAdapterPtr<TacMDIWnd> adapter_;
};

// The provider's MDI form (nullptr: none).
TsMDIForm* MDIFormOf(const TsSkinProvider* provider);
