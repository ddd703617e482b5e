// Adapters of grids (`TacGridWnd`, `TacGridEhWnd`) and virtual trees
// (`TacVirtualTreeViewWnd`): controls this library does not know, reached
// only through their published property and event names (platform/
// Properties.h, the library utilities' events). A property or event the
// control lacks is skipped.
//
// A grid keeps its colours, takes the skin's and gets its own back when
// the skin goes, its scroll bars then rebuilt by switching "ScrollBars"
// off and on. A virtual tree's header is painted by the skin through the
// tree's header events, but only where the application left them empty;
// the skin clears only the events it assigned itself.
//
// GUI thread only.
#pragma once

#include "skinlib/adapters/EditAdapters.h"

#include <QString>

#include <array>

// What a virtual tree hands its header painting events: the canvas, the
// item's rectangle in it, the column (-1: the area right of the last),
// its state and whether it is the sort column.
struct TacHeaderPaintInfo {
  platform::Canvas* TargetCanvas = nullptr;
  platform::TRect PaintRectangle;
  int Column = -1;
  QString Text;
  bool IsHoverIndex = false;
  bool IsDownIndex = false;
  bool IsSortColumn = false;
};
// The elements of a header item (sets of these bits).
inline constexpr int kHeaderBackground = 1, kHeaderDropMark = 2, kHeaderSortGlyph = 8, kHeaderText = 16;
// The elements the skin paints.
inline constexpr int kSkinHeaderElements = kHeaderBackground | kHeaderDropMark | kHeaderSortGlyph | kHeaderText;
using TacAdvancedHeaderDraw = void(TacHeaderPaintInfo& info, int elements);
using TacHeaderDrawQueryElements = void(TacHeaderPaintInfo& info, int& elements);

class TacGridWnd : public TacEditWnd {
 public:
  using TacEditWnd::TacEditWnd;

  void KeepOwnParams() override;
  void GiveBackOwnParams() override;
  void ApplySkinParams() override;

  // The published colours a grid keeps, in this order.
  static const std::array<const char*, 12>& KeptNames();

 protected:
  void AdapterWndProc(platform::Message& m, const platform::CallPrevious& previous) override;

 private:
  std::array<platform::TColor, 12> kept_{};
  std::array<bool, 12> has_{};
};

class TacGridEhWnd : public TacGridWnd {
 public:
  using TacGridWnd::TacGridWnd;
};

class TacVirtualTreeViewWnd : public TacEditWnd {
 public:
  using TacEditWnd::TacEditWnd;

  void KeepOwnParams() override;
  void GiveBackOwnParams() override;
  void ApplySkinParams() override;

  // The header's events while skinned.
  void PaintVirtualTreeHeader(TacHeaderPaintInfo& info, int elements) const;
  static void QueryVirtualTreeHeaderElements(TacHeaderPaintInfo& info, int& elements);

 protected:
  void AdapterWndProc(platform::Message& m, const platform::CallPrevious& previous) override;

 private:
  // The tree's frame: the border strip from the cache, the tree's own
  // frame painting (WM_PRINT passed on with the frame's canvas), the bars.
  void NcPaint(platform::Message& m, const platform::CallPrevious& previous);
  // WM_PRINT: the client below the header, the tree's own print, then the
  // border and the bars over it.
  void Print(platform::Canvas& dc, platform::Message& m, const platform::CallPrevious& previous);
  // The header's height while "Header"."Options" holds "hoVisible".
  int HeaderHeight() const;

  std::array<platform::TColor, 3> keptColors_{};
  std::array<bool, 3> hasColors_{};
  bool ownerDraw_ = false;
  // The header events this adapter assigned (the application's stay).
  bool assignedDraw_ = false;
  bool assignedQuery_ = false;
};
