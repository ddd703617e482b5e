#include "skinlib/adapters/MenuWindowAdapter.h"

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/NonClient.h"
#include "platform/Painting.h"
#include "platform/Startup.h"
#include "platform/WindowTable.h"
#include "platform/WindowUtils.h"
#include "skinlib/adapters/EditAdapters.h"
#include "skinlib/adapters/SkinCommandSenders.h"
#include "skinlib/manager/BitmapFactories.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/SectionBackgrounds.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/manager/sSkinMenus.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <algorithm>

using namespace platform;

bool SkinnedPopupShown = false;

namespace {

int liveAdapters = 0;

std::vector<TacAdapterPtr<TacMnuWnd>>& PendingList() {
  static std::vector<TacAdapterPtr<TacMnuWnd>> pending;
  return pending;
}

// Frees every adapter of `list`, the last first; an adapter's give-back
// may reach the list meanwhile.
void FreeAll(std::vector<TacAdapterPtr<TacMnuWnd>>& list) {
  while (!list.empty()) {
    TacAdapterPtr<TacMnuWnd> adapter = std::move(list.back());
    list.pop_back();
    adapter.reset();
  }
}

void FreePending() { FreeAll(PendingList()); }

// One free per turn of the event loop, whatever number of windows went.
bool scheduled = false;

void ScheduleFree() {
  QCoreApplication* app = QCoreApplication::instance();
  if (scheduled || !app) return;
  scheduled = true;
  QMetaObject::invokeMethod(
      app,
      [] {
        scheduled = false;
        FreePending();
      },
      Qt::QueuedConnection);
}

}  // namespace

std::vector<TacAdapterPtr<TacMnuWnd>>& MenuWndList() {
  static std::vector<TacAdapterPtr<TacMnuWnd>> list;
  return list;
}

void ClearMenuWndList() { FreeAll(MenuWndList()); }

int PendingMenuWndCount() { return int(PendingList().size()); }

TacMnuWnd* AddMenuWndAdapter(QWidget* window) {
  TsSkinManager* sm = FirstSkinManager;
  if (!window || !sm || !sm->SkinnedPopups() || GetClassName(window) != QLatin1String("#32768")) return nullptr;
  if (SkinCommandAnswered(window, acIsSkinned)) return nullptr;
  auto adapter = TacMainWnd::Create<TacMnuWnd>(window, nullptr, sm, QStringLiteral("MAINMENU"), false);
  if (!adapter || adapter->Destroyed()) return nullptr;
  TacMnuWnd* made = adapter.get();
  MenuWndList().push_back(std::move(adapter));
  // Made for a popup that shows already (else at its WM_SHOWWINDOW).
  if (IsWindowVisible(window)) SkinnedPopupShown = true;
  return made;
}

// ------------------------------------------------------------ the adapter

TacMnuWnd::TacMnuWnd(QWidget* handle, TsCommonData* skinData, TsSkinManager* manager, const QString& section)
    : TacScrollWnd(handle, skinData, manager, section) {
  ++liveAdapters;
}

TacMnuWnd::~TacMnuWnd() { --liveAdapters; }

int TacMnuWnd::LiveCount() { return liveAdapters; }

void TacMnuWnd::PrepareCache() {
  QWidget* h = CtrlHandle();
  TsCommonData& data = *SkinData();
  if (!h || !data.BackgroundDirty) return;
  const TacWindowParams p = GetWindowParams();
  data.PrepareCacheBitmap24();
  Bitmap& cache = *data.CacheBitmap;
  cache.SetSize(p.WndSize.width(), p.WndSize.height());
  TsBgSource bg;
  ParentWndCacheInfo(h, bg);
  PaintControlItem(data, bg, cache, Bounds(0, 0, cache.Width(), cache.Height()), {0, 0}, 0, true);
  PaintAdapterBorder(data, 0, h, DlgMode());
  data.BackgroundDirty = false;
}

void TacMnuWnd::PaintFrame(Canvas& dc) {
  QWidget* h = CtrlHandle();
  TsSkinManager* sm = SkinData()->SkinManager();
  const ExtraLineCacheEntry entry = sm->SkinableMenus().GetExtraLineEntry(nullptr, h, false);
  Bitmap* source = nullptr;
  if (entry.Bitmap && entry.Bitmap->Width() == h->width() - 6 && entry.Bitmap->Height() == h->height())
    source = entry.Bitmap.get();
  if (!source) {
    PrepareCache();
    source = SkinData()->CacheBitmap.get();
  }
  if (source && !source->Empty())
    CopyDCBorder(dc, 0, 0, source->Width(), 0, 0, source->GetCanvas(), source->Height(), 3);
}

void TacMnuWnd::WindowGone(Message& m, const CallPrevious& previous) {
  paintPending_ = 0;
  // Out of the list at once; freed once this handling has ended.
  auto& list = MenuWndList();
  for (auto it = list.begin(); it != list.end();) {
    if (it->get() == this || (*it && (*it)->CtrlHandle() == CtrlHandle())) {
      PendingList().push_back(std::move(*it));
      it = list.erase(it);
    } else {
      ++it;
    }
  }
  ScheduleFree();
  if (!PassOnAndSurvive(m, previous)) return;
  if (!Destroyed()) Uninstall(/*repaint=*/false);
  TsSkinableMenus::ClearExtraLineCache();
  for (const TacAdapterPtr<TacMnuWnd>& other : list)
    if (other && other->CtrlHandle())
      RedrawWindow(other->CtrlHandle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_FRAME);
  if (list.empty()) ClearMenuWndList();
  SkinnedPopupShown = false;
}

void TacMnuWnd::AdapterWndProc(Message& m, const CallPrevious& previous) {
  if (m.Msg == WM_DESTROY || m.Msg == WM_NCDESTROY) {
    WindowGone(m, previous);
    return;
  }
  QWidget* h = CtrlHandle();
  TsCommonData* data = SkinData();
  const TsSkinManager* sm = data ? data->SkinManager() : nullptr;
  if (!sm || !sm->Active() || !h || Destroyed()) {
    TacScrollWnd::AdapterWndProc(m, previous);
    return;
  }
  if (m.Msg == SkinCommandMsg) {
    switch (HIWORD(m.WParam)) {
      case acSetUpdating:
        m.LParam = paintPending_;
        return;
      case acMenuRegion:
        if (IsWindowVisible(h)) paintPending_ = 1;
        return;
      default:
        break;
    }
  }
  if (m.Msg == WM_SHOWWINDOW && m.WParam) SkinnedPopupShown = true;
  if (!SkinnedPopupShown) {
    TacScrollWnd::AdapterWndProc(m, previous);
    return;
  }
  switch (m.Msg) {
    case WM_ERASEBKGND:
      if (auto* dc = ParamPtr<Canvas>(m.WParam)) {
        PrepareCache();
        if (data->CacheBitmap) dc->Draw(0, 0, *data->CacheBitmap);
        paintPending_ = 0;
        m.Result = 1;
        return;
      }
      break;
    case WM_NCPAINT:
      if (Canvas* dc = GetWindowDC(h)) {
        PaintFrame(*dc);
        return;
      }
      break;
    case WM_SIZE:
      data->BackgroundDirty = true;
      break;
    default:
      break;
  }
  TacScrollWnd::AdapterWndProc(m, previous);
}

// ------------------------------------------------------------ the unit

namespace {

void FinishMenuWindows() {
  ClearMenuWndList();
  FreePending();
  scheduled = false;
  SkinnedPopupShown = false;
}

[[maybe_unused]] const bool registered =
    RegisterUnit("MenuWindowAdapter", [] {}, FinishMenuWindows, {"acSBUtils"});

}  // namespace
