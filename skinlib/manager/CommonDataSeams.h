// The steps the shared control data (sCommonData.h) leaves to units of
// the manager half that come later: colour mixing, the background queries
// and the repaint of a control's cache (painting toolbox), a control's
// glow (glow effect), and the hooking of a control's popup menu (skinned
// menus). Each unit fills its slots when it starts and empties them when
// it finishes. The shared control data calls the wrappers in
// `commondata::`; an empty slot gives the library's answer for "none":
// the key colour for a colour, a query answered with the key colour as a
// plain colour, nothing painted, shown or hooked.
//
// Tests fill slots to stand in for those units. GUI thread only.
#pragma once

#include "platform/Colors.h"
#include "skinlib/manager/SkinRecords.h"

#include <functional>

class QObject;
class QWidget;
class TsCommonData;
class TsSkinManager;

struct TacCommonDataSeams {
  // Each of the three low bytes round(c1 x k + c2 x (1 - k)), the highest
  // byte c1's.
  std::function<platform::TColor(platform::TColor c1, platform::TColor c2, double k)> MixColors;
  // The background query (sub-command 34) of a control, or of a window,
  // with its fall-backs; true when a skinned control answered.
  std::function<bool(TsBgQuery& query, QWidget* control, bool drawRequest)> QueryControlBackground;
  std::function<bool(TsBgQuery& query, QWidget* window, bool drawRequest)> QueryWindowBackground;
  // The control's cache bitmap painted anew from its section.
  std::function<void(QWidget* control, TsCommonData& data)> RepaintCache;
  // The control's glow shown (its index kept in the data's GlowIndex), and
  // one glow hidden by its index.
  std::function<void(TsCommonData& data, bool reshow)> ShowControlGlow;
  std::function<void(int index)> HideGlow;
  // The manager's menu painter takes over (or gives back) a popup menu.
  std::function<void(TsSkinManager* manager, QObject* menu, bool enable)> HookPopupMenu;
};

// The table (empty until the units start).
TacCommonDataSeams& CommonDataSeams();

namespace commondata {

// $FF00FF when the slot is empty.
platform::TColor MixColors(platform::TColor c1, platform::TColor c2, double k);
// With the slot empty: the query is answered with the key colour as a
// plain colour (BgKind 1), and false.
bool QueryControlBackground(TsBgQuery& query, QWidget* control, bool drawRequest);
bool QueryWindowBackground(TsBgQuery& query, QWidget* window, bool drawRequest);
// Nothing when the slot is empty.
void RepaintCache(QWidget* control, TsCommonData& data);
void ShowControlGlow(TsCommonData& data, bool reshow);
void HideGlow(int index);
void HookPopupMenu(TsSkinManager* manager, QObject* menu, bool enable);

}  // namespace commondata
