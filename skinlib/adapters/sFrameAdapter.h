// The frame adapter (`TsFrameAdapter`): a component put on a frame that
// links it to the skin (its own skin data, section "GROUPBOX", kind 226),
// takes the frame's messages through one handler at the control level of
// its chain (where the frame's WindowProc sat), paints the frame's
// background and border, answers its children's background questions and
// gives a scrolling frame skinned scroll bars.
//
// Which widgets are frames is a library setting (FrameAdapterClass, a
// class name as GetClassName gives it or as the meta-object names it);
// empty, as it stays in this program, no widget is one: the adapter then
// shows the error box "TsFrameAdapter adapter must be placed on the handled
// frame" and stays inert.
//
// Background colour (sub-command 21): the frame's colour when unskinned;
// for a look that does not follow the parent the section's COLOR at
// transparency 0, the parent's colour at 100, the two mixed by the
// transparency in between; $FF00FF for a look that follows the parent.
// Every answer is an RGB value: a system colour is resolved first, so no
// child ever mixes one as a colour.
//
// A child made later and the frame's show reach the form's control
// adapter (NotifyParentForm) only while the manager's rules adapt other
// libraries' controls (srThirdParty). The mouse entering the frame
// (CM_MOUSEENTER) redraws the children still drawn under the mouse.
//
// GUI thread only.
#pragma once

#include "platform/Canvas.h"
#include "platform/Colors.h"
#include "platform/Messages.h"
#include "platform/WindowProc.h"
#include "skinlib/adapters/AdapterBase.h"
#include "skinlib/manager/sSkinManager.h"  // the adapter base guards its manager

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

class TsCommonData;
class TacScrollWnd;

inline constexpr char kFrameAdapterMessage[] = "TsFrameAdapter adapter must be placed on the handled frame";
inline constexpr int kFrameControlKind = 226;

// The frame class the adapter serves (empty: none).
QString& FrameAdapterClass();
// `widget` is of the frame class (false while the setting is empty).
bool IsAdapterFrame(const QWidget* widget);

class TsFrameAdapter : public QObject {
  Q_OBJECT

 public:
  // The adapter as a component owned by `owner`. On a frame it takes the
  // frame's messages; on anything else it shows the error box and stays
  // inert.
  explicit TsFrameAdapter(QObject* owner);
  ~TsFrameAdapter() override;
  TsFrameAdapter(const TsFrameAdapter&) = delete;
  TsFrameAdapter& operator=(const TsFrameAdapter&) = delete;

  TsCommonData* SkinData() const { return skinData_.get(); }
  // nullptr: the owner is no frame (inert), or it went.
  QWidget* Frame() const { return frame_; }
  bool Inert() const { return !hook_.Installed(); }
  TacScrollWnd* ScrollAdapter() const { return scrollAdapter_.get(); }

  // The construction's last step: the indexes refreshed unless the frame
  // is not skinned yet and its window exists.
  void AfterConstruction();
  // The frame's scroll adapter made while skinned (a scrolling frame
  // only), freed when not.
  void UpdateScrollAdapter();

  // The background colour answered to the children (sub-command 21).
  platform::TColor BackgroundColor() const;
  // The frame's look painted into `dc` (origin at the frame's corner).
  void PaintFrame(platform::Canvas& dc);

 private:
  void WndProc(platform::Message& m, const platform::CallPrevious& previous);
  bool SkinCommand(platform::Message& m, const platform::CallPrevious& previous);
  bool SkinnedMessage(platform::Message& m, const platform::CallPrevious& previous);
  void Redraw();
  void ParentDependentPaint(platform::Canvas& dc);
  void PlainPaint(platform::Canvas& dc);

  QPointer<QWidget> frame_;
  std::unique_ptr<TsCommonData> skinData_;
  platform::WindowProcHandle hook_;
  TacAdapterPtr<TacScrollWnd> scrollAdapter_;
  bool destroying_ = false;
  bool printing_ = false;  // painting into WM_PRINT's canvas
};

// The creation function the control adapter calls for a frame: the
// frame's adapter (made when it has none), owned by the frame.
TsFrameAdapter* CreateFrameAdapter(QWidget* frame);
