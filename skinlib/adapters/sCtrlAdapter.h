// The control adapter (`TacCtrlAdapter`): the part of a form provider that
// walks the form's controls and gives each standard or foreign control the
// window adapter its class calls for, speed buttons a speed-button handler
// and frames a frame adapter.
//
// Which adapter a control gets is decided by its class name (the platform's
// class table, platform/WindowTable.h) against the skin manager's
// ThirdParty lists, in list order: the first list that names the class
// decides. The provider's OnSkinItem callback may refuse a control or
// rename its section. Controls tagged -98 belong to the library and are
// never adapted, wherever they stand; nothing is adapted unless the
// manager's SkinningRules hold srThirdParty.
//
// In this toolkit a child widget is at once a component its parent owns
// (a QObject child) and one of the parent's Controls, so the walk over a
// parent's components and the walk over its controls are one pass over its
// child widgets (top-level windows among the children are no controls).
// Inner parts of Qt's composite widgets are never adapted themselves, but
// the walk goes through them (a scroll area's controls sit on its
// viewport). The walk goes into containers only: what Qt builds into its
// other controls (an edit's clear button, a tab bar's scroll buttons, a
// spin box's edit, an item view's viewport) is no control of the program,
// and a tab widget's own bar belongs to its page control.
//
// Labels are no items: the walk makes them transparent and gives them the
// skin's global font colour through the palette helpers. The look each
// label had before its first change is kept and given back when the skin is
// removed and when the adapter goes (a label tagged 98 is never touched).
//
// The adapter is a QObject child of its provider, made by the provider's
// CreateAdapter step (the unit "sCtrlAdapter" fills the provider's
// ControlAdapterSeam when it starts) and freed on skin removal or with the
// provider. Items own their skin data and their window adapter; freeing an
// item takes its adapter out of the control's chain first (TacAdapterPtr).
//
// Adapters that other units build are reached through
// CtrlAdapterSeams(): one creation function per list, the speed-button
// handler and the frame adapter; an empty slot makes nothing, and a control
// that gets nothing is no item.
//
// GUI thread only. Nothing here raises; a callback's exception passes to the
// caller (the provider's chain, which stops it), leaving the adapter whole.
#pragma once

#include "platform/Messages.h"
#include "skinlib/adapters/AdapterBase.h"
#include "skinlib/adapters/sSBAnimation.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/sSkinManager.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <vector>

class TsCommonData;
class TsSkinManager;
class TsSkinProvider;
class TacCtrlAdapter;

// The control kind of the items' skin data.
inline constexpr int kCtrlItemControlKind = 227;
// The Tag of a label that keeps its own look (the library's own windows
// carry kLibraryWindowTag, -98).
inline constexpr int kOwnLookLabelTag = 98;

// ------------------------------------------------------------ seams

// What a graphic item keeps of its speed-button handler: it is owned by
// the item and is alive until it reports itself destroyed.
class TacGraphHandler {
 public:
  virtual ~TacGraphHandler() = default;
  virtual bool Destroyed() const = 0;
};

// A handler object of any class with `bool Destroyed() const`, held as a
// TacGraphHandler.
template <class T>
class TacGraphHandlerOf final : public TacGraphHandler {
 public:
  explicit TacGraphHandlerOf(std::unique_ptr<T> handler) : handler_(std::move(handler)) {}
  bool Destroyed() const override { return !handler_ || handler_->Destroyed(); }
  T* Get() const { return handler_.get(); }

 private:
  std::unique_ptr<T> handler_;
};

// SEAM: the adapters the control adapter makes but other units build.
//   WndAdapters[list]   the window adapter of a control whose class the
//                       manager's ThirdParty list `list` names (ThirdParty-
//                       List::Index); the unit "sCtrlAdapter" fills the
//                       slot of every list but the speed buttons' (17)
//                       with the library's adapter of that kind; a unit
//                       with an adapter of its own for a list may take
//                       the slot
//   SpeedButtonHandler  a speed button's handler (the unit fills it with
//                       the bar adapters' TacSpeedButtonHandler)
//   FrameAdapter        the frame adapter of `frame` with `section`, made
//                       unless the frame has one already; its answer is
//                       that adapter (owned by the frame; nullptr: none).
//                       The unit fills it with the frame adapter's
//                       CreateFrameAdapter (sFrameAdapter.h)
// Tests fill slots to stand in for those units. GUI thread only.
using TacWndAdapterFactory =
    std::function<TacAdapterPtr<TacMainWnd>(QWidget* control, TsCommonData* data, TsSkinManager* manager)>;
struct TacCtrlAdapterSeams {
  std::array<TacWndAdapterFactory, kThirdPartyKinds> WndAdapters;
  std::function<std::unique_ptr<TacGraphHandler>(QWidget* button, TsCommonData* data, TsSkinManager* manager)>
      SpeedButtonHandler;
  std::function<QObject*(QWidget* frame, const QString& section)> FrameAdapter;
};
TacCtrlAdapterSeams& CtrlAdapterSeams();

// The slot of an adapter class T (made as TacMainWnd::Create<T> with the
// item's skin data and the manager, its section the skin data's or T's
// own): CtrlAdapterSeams().WndAdapters[list] = WndAdapterFactory<T>().
template <class T>
TacWndAdapterFactory WndAdapterFactory() {
  return [](QWidget* control, TsCommonData* data, TsSkinManager* manager) -> TacAdapterPtr<TacMainWnd> {
    return TacMainWnd::Create<T>(control, data, manager, QString(), /*repaint=*/true);
  };
}

// The speed-button slot of a handler class T made as T(button, data,
// manager): CtrlAdapterSeams().SpeedButtonHandler = GraphHandlerFactory<T>().
template <class T>
auto GraphHandlerFactory() {
  return [](QWidget* button, TsCommonData* data, TsSkinManager* manager) -> std::unique_ptr<TacGraphHandler> {
    return std::make_unique<TacGraphHandlerOf<T>>(std::make_unique<T>(button, data, manager));
  };
}

// ------------------------------------------------------------ items

// One adapted windowed control: its skin data (kind 227, the control its
// owner) and the window adapter made for it.
class TacAdapterItem {
 public:
  TacAdapterItem(TacCtrlAdapter* adapter, QWidget* control);
  virtual ~TacAdapterItem();
  TacAdapterItem(const TacAdapterItem&) = delete;
  TacAdapterItem& operator=(const TacAdapterItem&) = delete;

  // Makes the window adapter the manager's lists give the control's class:
  // nothing for Tag -98, a control without handle or parent, one that is
  // skinned already (answers skin command 7), without a manager, for a
  // class in no list or in the speed-button list, or when that list's slot
  // is empty.
  virtual void DoHook(QWidget* control);

  QWidget* Control() const { return control_; }
  TsCommonData* SkinData() const { return skinData_.get(); }
  TacMainWnd* WndAdapter() const { return wndAdapter_.get(); }
  TacCtrlAdapter* Adapter() const { return adapter_; }
  // The window adapter exists and is installed.
  bool AdapterAlive() const { return wndAdapter_ && !wndAdapter_->Destroyed(); }
  // The window adapter out of the chain and freed.
  void FreeAdapter() { wndAdapter_.reset(); }
  // The section the item was given (empty: the adapter's own).
  const QString& Section() const { return section_; }
  void SetSection(const QString& section);
  // Expires with the item.
  std::weak_ptr<const bool> Life() const { return life_; }

  int Index = -1;

 private:
  TacCtrlAdapter* adapter_;
  QPointer<QWidget> control_;
  QString section_;
  std::unique_ptr<TsCommonData> skinData_;
  // Freed before the skin data it paints with.
  TacAdapterPtr<TacMainWnd> wndAdapter_;
  std::shared_ptr<const bool> life_ = std::make_shared<const bool>(true);
};

// One speed button: its skin data (kind 227) and its handler.
class TacGraphItem {
 public:
  TacGraphItem(TacCtrlAdapter* adapter, QWidget* control);
  virtual ~TacGraphItem();
  TacGraphItem(const TacGraphItem&) = delete;
  TacGraphItem& operator=(const TacGraphItem&) = delete;

  // The handler made for the button (not for Tag -98; none while the
  // handler's slot is empty).
  virtual void DoHook(QWidget* control);

  QWidget* Control() const { return control_; }
  TsCommonData* SkinData() const { return skinData_.get(); }
  TacGraphHandler* Handler() const { return handler_.get(); }
  TacCtrlAdapter* Adapter() const { return adapter_; }
  bool HandlerAlive() const { return handler_ && !handler_->Destroyed(); }
  void FreeHandler() { handler_.reset(); }

 private:
  TacCtrlAdapter* adapter_;
  QPointer<QWidget> control_;
  std::unique_ptr<TsCommonData> skinData_;
  std::unique_ptr<TacGraphHandler> handler_;
};

// ------------------------------------------------------------ the adapter

class TacCtrlAdapter : public QObject {
  Q_OBJECT

 public:
  // A child of `provider`, without items.
  explicit TacCtrlAdapter(TsSkinProvider* provider);
  // CleanItems, then every item and graphic item freed from the last to the
  // first, then the labels' own looks given back.
  ~TacCtrlAdapter() override;

  TsSkinProvider* Provider() const { return provider_; }
  // The provider's manager (nullptr: none).
  TsSkinManager* Manager() const;
  // The section of items added without one.
  QString DefaultSection;

  int Count() const { return int(items_.size()); }
  int GraphCount() const { return int(graphItems_.size()); }
  TacGraphItem* GetGraphItem(int index) const;

  // ---- virtual operations
  // Tag -98, a windowed control without handle or that is skinned, or an
  // inner part: false. A frame, a label, a speed button (a tool button not
  // on a tool bar) whose class is listed: the provider's OnSkinItem
  // decides. Any other windowed control: its class is in one of the lists.
  virtual bool IsControlSupported(QWidget* control);
  // nullptr outside 0 .. Count - 1.
  virtual TacAdapterItem* GetItem(int index) const;
  virtual void AddGraphicControl(QWidget* control);
  void AddNewItem(QWidget* control) { AddNewItem(control, DefaultSection); }
  virtual void AddNewItem(QWidget* control, const QString& section);
  // The item freed, the last one moved into its place.
  virtual void RemoveItem(int index);
  // The message sent to the control of every item whose adapter is alive
  // and whose control is visible, over a guarded snapshot: an item or
  // control gone meanwhile is passed over, and the walk stops touching the
  // adapter once it is gone.
  virtual void SendToAll(const platform::Message& message);

  // Every supported control of `parent` (the form for nullptr) and of its
  // windowed children, adapted; labels made transparent in the global font
  // colour. Only with srThirdParty, and not while another walk runs.
  void AddAllItems(QWidget* parent = nullptr);
  // The items whose window adapter is missing or uninstalled and the graphic
  // items whose handler is missing or destroyed, dropped in one pass (the
  // rest keep their order).
  void CleanItems();

  // The labels whose look the adapter changed (and keeps to give back).
  int KeptLabelCount() const;
  // Every changed label given back its own transparency and font colour.
  void GiveBackLabels();

 private:
  struct KeptLabel {
    QPointer<QWidget> Label;
    bool Transparent = false;
    bool OwnFontColor = false;  // the palette's foreground was the label's own
    platform::TColor FontColor = platform::clNone;
  };
  // OnSkinItem of the provider (when set) on `canBeAdded` and `section`.
  void AskProvider(QWidget* control, bool& canBeAdded, QString& section);
  void Walk(QWidget* parent, const QPointer<TacCtrlAdapter>& self);
  void AdaptLabel(QWidget* label);
  void ReindexItems();

  QPointer<TsSkinProvider> provider_;
  std::vector<std::unique_ptr<TacAdapterItem>> items_;
  std::vector<std::unique_ptr<TacGraphItem>> graphItems_;
  std::vector<KeptLabel> labels_;
};

// The control adapter of a provider (nullptr: none made).
TacCtrlAdapter* CtrlAdapterOf(const TsSkinProvider* provider);

// The list (ThirdPartyList::Index) whose class names hold `className`
// first; -1 when none does. Names compare without regard to case.
int ThirdPartyListOf(const TsSkinManager& manager, const QString& className);
