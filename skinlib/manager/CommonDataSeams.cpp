#include "skinlib/manager/CommonDataSeams.h"

#include "skinlib/manager/LibraryConstants.h"

TacCommonDataSeams& CommonDataSeams() {
  static TacCommonDataSeams table;
  return table;
}

namespace commondata {

namespace {

bool Unanswered(TsBgQuery& query) {
  query.BgKind = TsBgQuery::PlainColor;
  query.Color = KeyColor;
  return false;
}

}  // namespace

platform::TColor MixColors(platform::TColor c1, platform::TColor c2, double k) {
  const auto& slot = CommonDataSeams().MixColors;
  return slot ? slot(c1, c2, k) : KeyColor;
}

bool QueryControlBackground(TsBgQuery& query, QWidget* control, bool drawRequest) {
  const auto& slot = CommonDataSeams().QueryControlBackground;
  return slot ? slot(query, control, drawRequest) : Unanswered(query);
}

bool QueryWindowBackground(TsBgQuery& query, QWidget* window, bool drawRequest) {
  const auto& slot = CommonDataSeams().QueryWindowBackground;
  return slot ? slot(query, window, drawRequest) : Unanswered(query);
}

void RepaintCache(QWidget* control, TsCommonData& data) {
  if (const auto& slot = CommonDataSeams().RepaintCache) slot(control, data);
}

void ShowControlGlow(TsCommonData& data, bool reshow) {
  if (const auto& slot = CommonDataSeams().ShowControlGlow) slot(data, reshow);
}

void HideGlow(int index) {
  if (const auto& slot = CommonDataSeams().HideGlow) slot(index);
}

void HookPopupMenu(TsSkinManager* manager, QObject* menu, bool enable) {
  if (const auto& slot = CommonDataSeams().HookPopupMenu) slot(manager, menu, enable);
}

}  // namespace commondata
