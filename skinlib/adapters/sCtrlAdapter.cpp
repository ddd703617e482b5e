#include "skinlib/adapters/sCtrlAdapter.h"

#include "platform/Properties.h"
#include "platform/Startup.h"
#include "platform/WindowProc.h"
#include "platform/WindowTable.h"
#include "skinlib/adapters/BarAdapters.h"
#include "skinlib/adapters/ButtonAdapters.h"
#include "skinlib/adapters/ComboAdapters.h"
#include "skinlib/adapters/EditAdapters.h"
#include "skinlib/adapters/GridAdapters.h"
#include "skinlib/adapters/PanelAdapters.h"
#include "skinlib/adapters/SkinCommandSenders.h"
#include "skinlib/adapters/TabAdapters.h"
#include "skinlib/adapters/WWComboAdapter.h"
#include "skinlib/adapters/sFrameAdapter.h"
#include "skinlib/adapters/sSkinProvider.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/manager/sStoredSkins.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QCalendarWidget>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPalette>
#include <QProgressBar>
#include <QScrollArea>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>

using namespace platform;

namespace {

// A walk over a form's controls runs (no second one starts meanwhile), and
// an adapter is being freed (its items' frees start no second free).
bool g_addingAll = false;
bool g_destroying = false;

class FlagGuard {
 public:
  explicit FlagGuard(bool& flag) : flag_(flag), old_(flag) { flag_ = true; }
  ~FlagGuard() { flag_ = old_; }
  FlagGuard(const FlagGuard&) = delete;
  FlagGuard& operator=(const FlagGuard&) = delete;

 private:
  bool& flag_;
  bool old_;
};

bool IsFrame(const QWidget* w) { return GetClassName(w) == QLatin1String("TFrame"); }
bool IsLabel(const QWidget* w) { return qobject_cast<const QLabel*>(w) != nullptr; }
bool IsGraphic(const QWidget* w) { return IsLabel(w) || IsSpeedButton(w) || IsGraphicControl(w); }
// A tab widget's own bar is part of its page control, never a tab control
// of its own.
bool IsPageControlBar(const QWidget* w) {
  return qobject_cast<const QTabBar*>(w) && qobject_cast<const QTabWidget*>(w->parentWidget());
}
// Whether the walk goes into a control's children: the controls a program
// places in containers (forms, panels, group boxes, frames, pages, scroll
// boxes, tool and status bars). The insides Qt builds into its other
// controls (an edit's clear button, a tab bar's or menu bar's scroll
// buttons, a spin box's edit, an item view's viewport) are no controls of
// the program.
bool HoldsControls(const QWidget* w) {
  if (qobject_cast<const QScrollArea*>(w)) return true;
  return !(qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractSpinBox*>(w) ||
           qobject_cast<const QComboBox*>(w) || qobject_cast<const QAbstractButton*>(w) ||
           qobject_cast<const QTabBar*>(w) || qobject_cast<const QAbstractSlider*>(w) ||
           qobject_cast<const QProgressBar*>(w) || qobject_cast<const QCalendarWidget*>(w) ||
           qobject_cast<const QMenuBar*>(w) || qobject_cast<const QAbstractScrollArea*>(w));
}
bool IsLibraryWindow(const QWidget* w) { return GetTag(w) == kLibraryWindowTag; }
bool IsSkinned(QWidget* w) { return SkinCommandAnswered(w, acIsSkinned); }

// The child controls of `parent` (its child widgets that are no windows),
// guarded, in the order they were made.
std::vector<QPointer<QWidget>> ChildControls(const QWidget* parent) {
  std::vector<QPointer<QWidget>> controls;
  for (QObject* child : parent->children())
    if (child->isWidgetType() && !static_cast<QWidget*>(child)->isWindow())
      controls.emplace_back(static_cast<QWidget*>(child));
  return controls;
}

// The bits of a palette's resolve mask that say `role` was set (for every
// colour group).
QPalette::ResolveMask RoleBits(QPalette::ColorRole role) {
  QPalette palette;
  palette.setResolveMask(0);
  palette.setColor(role, Qt::black);
  return palette.resolveMask();
}

std::unique_ptr<TsCommonData> ItemSkinData(QWidget* control, TsSkinManager* manager) {
  auto data = std::make_unique<TsCommonData>(control);
  data->ControlKind = kCtrlItemControlKind;
  if (manager && manager != FirstSkinManager) data->SetSkinManager(manager);
  return data;
}

// A new item that got nothing from its hook leaves again; one freed
// meanwhile (found by its address only) is left alone. True when dropped.
template <class T, class Hookless>
bool DropIfHookless(std::vector<std::unique_ptr<T>>& items, const T* item, Hookless hookless) {
  const auto it = std::find_if(items.begin(), items.end(), [&](const std::unique_ptr<T>& i) { return i.get() == item; });
  if (it == items.end() || !hookless(**it)) return false;
  std::unique_ptr<T> gone = std::move(*it);
  items.erase(it);
  return true;
}

}  // namespace

TacCtrlAdapterSeams& CtrlAdapterSeams() {
  static TacCtrlAdapterSeams seams;
  return seams;
}

int ThirdPartyListOf(const TsSkinManager& manager, const QString& className) {
  if (className.isEmpty()) return -1;
  for (int i = 0; i < kThirdPartyKinds; ++i)
    if (manager.ThirdPartyLists[size_t(i)].contains(className, Qt::CaseInsensitive)) return i;
  return -1;
}

// ------------------------------------------------------------ items

TacAdapterItem::TacAdapterItem(TacCtrlAdapter* adapter, QWidget* control)
    : adapter_(adapter), control_(control),
      skinData_(ItemSkinData(control, adapter ? adapter->Manager() : nullptr)) {}

TacAdapterItem::~TacAdapterItem() = default;

void TacAdapterItem::SetSection(const QString& section) {
  section_ = section;
  if (!section.isEmpty()) skinData_->SetSkinSection(section);
}

void TacAdapterItem::DoHook(QWidget* control) {
  if (!control || IsLibraryWindow(control) || !HandleAllocated(control) || !GetParent(control) || IsSkinned(control))
    return;
  TsSkinManager* manager = adapter_ ? adapter_->Manager() : nullptr;
  if (control != control_ || wndAdapter_) {
    // A new control, or an adapter to replace: a skin data of its own
    // again, which an empty section leaves to the new adapter.
    wndAdapter_.reset();
    control_ = control;
    skinData_ = ItemSkinData(control, manager);
    if (!section_.isEmpty()) skinData_->SetSkinSection(section_);
  }
  if (!manager) return;
  const int list = ThirdPartyListOf(*manager, GetClassName(control));
  if (list < 0 || list == ThirdPartyList::tpSpeedButton) return;
  const TacWndAdapterFactory& make = CtrlAdapterSeams().WndAdapters[size_t(list)];
  if (make) wndAdapter_ = make(control, skinData_.get(), manager);
}

TacGraphItem::TacGraphItem(TacCtrlAdapter* adapter, QWidget* control)
    : adapter_(adapter), control_(control),
      skinData_(ItemSkinData(control, adapter ? adapter->Manager() : nullptr)) {}

TacGraphItem::~TacGraphItem() = default;

void TacGraphItem::DoHook(QWidget* control) {
  if (!control || IsLibraryWindow(control)) return;
  handler_.reset();
  if (control != control_) {
    const QString section = skinData_->SkinSection();
    control_ = control;
    skinData_ = ItemSkinData(control, adapter_ ? adapter_->Manager() : nullptr);
    skinData_->SetSkinSection(section);
  }
  const auto& make = CtrlAdapterSeams().SpeedButtonHandler;
  if (make) handler_ = make(control, skinData_.get(), adapter_ ? adapter_->Manager() : nullptr);
}

// ------------------------------------------------------------ the adapter

TacCtrlAdapter::TacCtrlAdapter(TsSkinProvider* provider) : QObject(provider), provider_(provider) {}

TacCtrlAdapter::~TacCtrlAdapter() {
  FlagGuard destroying(g_destroying);
  CleanItems();
  // Each item leaves its vector before it goes: its adapter's give-back
  // may reach this adapter again.
  while (!graphItems_.empty()) {
    std::unique_ptr<TacGraphItem> last = std::move(graphItems_.back());
    graphItems_.pop_back();
  }
  while (!items_.empty()) {
    std::unique_ptr<TacAdapterItem> last = std::move(items_.back());
    items_.pop_back();
  }
  GiveBackLabels();
}

TsSkinManager* TacCtrlAdapter::Manager() const { return provider_ ? provider_->Manager() : nullptr; }

TacGraphItem* TacCtrlAdapter::GetGraphItem(int index) const {
  return index >= 0 && index < GraphCount() ? graphItems_[size_t(index)].get() : nullptr;
}

TacAdapterItem* TacCtrlAdapter::GetItem(int index) const {
  return index >= 0 && index < Count() ? items_[size_t(index)].get() : nullptr;
}

void TacCtrlAdapter::AskProvider(QWidget* control, bool& canBeAdded, QString& section) {
  if (provider_ && provider_->OnSkinItem) provider_->OnSkinItem(control, canBeAdded, section);
}

bool TacCtrlAdapter::IsControlSupported(QWidget* control) {
  if (!control || IsLibraryWindow(control) || control->isWindow()) return false;
  const bool graphic = IsGraphic(control);
  if (!graphic) {
    if (!ControlFromWindow(control) || IsPageControlBar(control) || !HandleAllocated(control) || IsSkinned(control))
      return false;
  }
  bool canBeAdded = true;
  QString section;
  TsSkinManager* manager = Manager();
  const auto listed = [&] { return manager && ThirdPartyListOf(*manager, GetClassName(control)) >= 0; };
  if (!graphic) {
    if (!IsFrame(control)) return listed();
    AskProvider(control, canBeAdded, section);
    return canBeAdded;
  }
  if (IsLabel(control)) {
    AskProvider(control, canBeAdded, section);
    return canBeAdded;
  }
  if (IsSpeedButton(control) && listed()) {
    AskProvider(control, canBeAdded, section);
    return canBeAdded;
  }
  return false;
}

void TacCtrlAdapter::AddAllItems(QWidget* parent) {
  TsSkinManager* manager = Manager();
  if (!manager || !(manager->SkinningRules() & TsSkinManager::srThirdParty) || g_addingAll) return;
  if (!parent) parent = provider_ ? provider_->Form() : nullptr;
  if (!parent) return;
  FlagGuard adding(g_addingAll);
  CleanItems();
  Walk(parent, QPointer<TacCtrlAdapter>(this));
}

void TacCtrlAdapter::Walk(QWidget* parent, const QPointer<TacCtrlAdapter>& self) {
  for (const QPointer<QWidget>& control : ChildControls(parent)) {
    if (!self) return;
    if (!control) continue;
    if (IsControlSupported(control)) {
      if (!self) return;
      if (!control) continue;
      if (IsLabel(control)) {
        if (!IsFrame(control) && GetTag(control) != kOwnLookLabelTag) AdaptLabel(control);
      } else if (IsSpeedButton(control)) {
        AddGraphicControl(control);
      } else if (!IsGraphic(control)) {
        AddNewItem(control, QString());
      }
    }
    if (!self) return;
    if (control && !IsGraphic(control) && HoldsControls(control) && HandleAllocated(control) &&
        !control->children().isEmpty())
      Walk(control, self);
  }
}

void TacCtrlAdapter::AdaptLabel(QWidget* label) {
  TsSkinManager* manager = Manager();
  if (!manager) return;
  const auto kept = std::find_if(labels_.begin(), labels_.end(), [&](const KeptLabel& k) { return k.Label == label; });
  if (kept == labels_.end()) {
    KeptLabel k;
    k.Label = label;
    k.Transparent = !label->autoFillBackground();
    const QPalette::ColorRole role = label->foregroundRole();
    k.OwnFontColor = (label->palette().resolveMask() & RoleBits(role)) != 0;
    k.FontColor = GetFontColor(label);
    labels_.push_back(k);
  }
  const TColor color = manager->GlobalSectionFontColor();
  if (color != KeyColor) SetFontColor(label, color);  // the key colour: the skin gives none
  label->setAutoFillBackground(false);
}

int TacCtrlAdapter::KeptLabelCount() const {
  return int(std::count_if(labels_.begin(), labels_.end(), [](const KeptLabel& k) { return !k.Label.isNull(); }));
}

void TacCtrlAdapter::GiveBackLabels() {
  std::vector<KeptLabel> labels;
  labels.swap(labels_);
  for (const KeptLabel& k : labels) {
    QWidget* label = k.Label;
    if (!label || IsDestroying(label)) continue;
    if (k.OwnFontColor) {
      SetFontColor(label, k.FontColor);
    } else {
      // Inherited again: the role's own colour dropped from the palette.
      const QPalette::ColorRole role = label->foregroundRole();
      ResetPaletteColor(label, role);
      QPalette palette = label->palette();
      palette.setResolveMask(palette.resolveMask() & ~RoleBits(role));
      label->setPalette(palette);
    }
    label->setAutoFillBackground(!k.Transparent);
  }
}

void TacCtrlAdapter::AddNewItem(QWidget* control, const QString& section) {
  if (!control || IsLibraryWindow(control) || !GetParent(control) || IsSkinned(control)) return;
  bool canBeAdded = true;
  QString chosen = section;
  QPointer<TacCtrlAdapter> self(this);
  QPointer<QWidget> guarded(control);
  AskProvider(control, canBeAdded, chosen);
  if (!self || !guarded || !canBeAdded) return;
  if (IsFrame(control)) {
    if (const auto& make = CtrlAdapterSeams().FrameAdapter) make(control, QStringLiteral("GROUPBOX"));
    return;
  }
  auto found = std::find_if(items_.begin(), items_.end(),
                            [&](const std::unique_ptr<TacAdapterItem>& i) { return i->Control() == control; });
  if (found != items_.end()) {
    TacAdapterItem* item = found->get();
    item->SetSection(chosen);
    if (item->AdapterAlive()) {
      item->FreeAdapter();
      if (GetParent(control)) item->DoHook(control);
    }
    return;
  }
  items_.push_back(std::make_unique<TacAdapterItem>(this, control));
  TacAdapterItem* item = items_.back().get();
  item->Index = Count() - 1;
  item->SetSection(chosen);
  if (GetParent(control)) item->DoHook(control);
  if (!self) return;
  if (DropIfHookless(items_, item, [](const TacAdapterItem& i) { return !i.WndAdapter(); })) ReindexItems();
}

void TacCtrlAdapter::AddGraphicControl(QWidget* control) {
  if (!control || IsLibraryWindow(control) || IsSkinned(control)) return;
  bool canBeAdded = true;
  QString section = QStringLiteral("SPEEDBUTTON");
  QPointer<TacCtrlAdapter> self(this);
  QPointer<QWidget> guarded(control);
  AskProvider(control, canBeAdded, section);
  if (!self || !guarded || !canBeAdded) return;
  // The button's own kind decides its section, whatever OnSkinItem chose.
  section = GetOrdProperty(control, QStringLiteral("Flat")) == 1 ? QStringLiteral("SPEEDBUTTON_SMALL")
                                                                  : QStringLiteral("SPEEDBUTTON");
  auto found = std::find_if(graphItems_.begin(), graphItems_.end(),
                            [&](const std::unique_ptr<TacGraphItem>& i) { return i->Control() == control; });
  if (found != graphItems_.end()) {
    TacGraphItem* item = found->get();
    item->SkinData()->SetSkinSection(section);
    if (item->HandlerAlive()) {
      item->FreeHandler();
      item->DoHook(control);
    }
    return;
  }
  graphItems_.push_back(std::make_unique<TacGraphItem>(this, control));
  TacGraphItem* item = graphItems_.back().get();
  item->SkinData()->SetSkinSection(section);
  if (GetParent(control)) item->DoHook(control);
  if (!self) return;
  DropIfHookless(graphItems_, item, [](const TacGraphItem& i) { return !i.Handler(); });
}

void TacCtrlAdapter::RemoveItem(int index) {
  if (index < 0 || index >= Count()) return;
  std::unique_ptr<TacAdapterItem> gone = std::move(items_[size_t(index)]);
  if (index != Count() - 1) {
    items_[size_t(index)] = std::move(items_.back());
    items_[size_t(index)]->Index = index;
  }
  items_.pop_back();
  gone.reset();
}

void TacCtrlAdapter::CleanItems() {
  // The dead ones leave the vectors before any of them is freed.
  std::vector<std::unique_ptr<TacAdapterItem>> deadItems;
  auto liveEnd = std::stable_partition(items_.begin(), items_.end(),
                                       [](const std::unique_ptr<TacAdapterItem>& i) { return i->AdapterAlive(); });
  std::move(liveEnd, items_.end(), std::back_inserter(deadItems));
  items_.erase(liveEnd, items_.end());
  ReindexItems();
  std::vector<std::unique_ptr<TacGraphItem>> deadGraphs;
  auto graphEnd = std::stable_partition(graphItems_.begin(), graphItems_.end(),
                                        [](const std::unique_ptr<TacGraphItem>& i) { return i->HandlerAlive(); });
  std::move(graphEnd, graphItems_.end(), std::back_inserter(deadGraphs));
  graphItems_.erase(graphEnd, graphItems_.end());
}

void TacCtrlAdapter::ReindexItems() {
  for (size_t i = 0; i < items_.size(); ++i) items_[i]->Index = int(i);
}

void TacCtrlAdapter::SendToAll(const Message& message) {
  struct Target {
    std::weak_ptr<const bool> Item;
    TacAdapterItem* Raw;
    QPointer<QWidget> Control;
  };
  std::vector<Target> targets;
  targets.reserve(items_.size());
  for (const auto& item : items_) targets.push_back({item->Life(), item.get(), item->Control()});
  // A receiver may free items, their controls or this adapter: only the
  // snapshot is walked, and each entry is checked before it is used.
  for (const Target& t : targets) {
    if (t.Item.expired() || !t.Control) continue;
    if (!t.Raw->AdapterAlive() || t.Control->isHidden()) continue;
    SendMessage(t.Control, message.Msg, message.WParam, message.LParam);
  }
}

TacCtrlAdapter* CtrlAdapterOf(const TsSkinProvider* provider) {
  return provider ? provider->findChild<TacCtrlAdapter*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

// ------------------------------------------------------------ the unit

namespace {

void CreateAdapter(TsSkinProvider& provider) {
  if (CtrlAdapterOf(&provider)) return;
  auto* adapter = new TacCtrlAdapter(&provider);
  adapter->AddAllItems();
}

void Readapt(TsSkinProvider& provider, QWidget* control) {
  TacCtrlAdapter* adapter = CtrlAdapterOf(&provider);
  if (!adapter) return;
  if (!control) {
    adapter->AddAllItems();
    return;
  }
  TsSkinManager* manager = adapter->Manager();
  if (!manager || !(manager->SkinningRules() & TsSkinManager::srThirdParty)) return;
  if (IsSpeedButton(control)) {
    if (adapter->IsControlSupported(control)) adapter->AddGraphicControl(control);
  } else if (!IsGraphic(control)) {
    adapter->AddNewItem(control);
  }
}

void DestroyAdapter(TsSkinProvider& provider) {
  if (g_destroying) return;
  QPointer<TacCtrlAdapter> adapter = CtrlAdapterOf(&provider);
  if (!adapter) return;
  TsSkinManager* manager = provider.Manager();
  const Message removal{SkinCommandMsg, MAKEWPARAM(0, acRemoveSkin), LPARAM(PtrParam(manager)), 0};
  adapter->SendToAll(removal);
  if (adapter) delete adapter.data();
}

void StartCtrlAdapter() {
  auto& table = CtrlAdapterSeams().WndAdapters;
  table[ThirdPartyList::tpEdits] = WndAdapterFactory<TacEditWnd>();
  table[ThirdPartyList::tpButtons] = WndAdapterFactory<TacBtnWnd>();
  table[ThirdPartyList::tpBitBtns] = WndAdapterFactory<TacBitBtnWnd>();
  table[ThirdPartyList::tpCheckBoxes] = WndAdapterFactory<TacCheckBoxWnd>();
  table[ThirdPartyList::tpGroupBoxes] = WndAdapterFactory<TacGroupBoxWnd>();
  table[ThirdPartyList::tpComboBoxes] = WndAdapterFactory<TacComboBoxWnd>();
  table[ThirdPartyList::tpGrids] = WndAdapterFactory<TacGridWnd>();
  table[ThirdPartyList::tpPanels] = WndAdapterFactory<TacPanelWnd>();
  table[ThirdPartyList::tpWWEdits] = WndAdapterFactory<TacWWComboBoxWnd>();
  table[ThirdPartyList::tpListViews] = WndAdapterFactory<TacListViewWnd>();
  table[ThirdPartyList::tpTreeViews] = WndAdapterFactory<TacTreeViewWnd>();
  table[ThirdPartyList::tpGridEh] = WndAdapterFactory<TacGridEhWnd>();
  table[ThirdPartyList::tpVirtualTrees] = WndAdapterFactory<TacVirtualTreeViewWnd>();
  table[ThirdPartyList::tpPageControl] = WndAdapterFactory<TacPageControlWnd>();
  table[ThirdPartyList::tpTabControl] = WndAdapterFactory<TacTabControlWnd>();
  table[ThirdPartyList::tpToolBar] = WndAdapterFactory<TacToolBarVCLWnd>();
  table[ThirdPartyList::tpStatusBar] = WndAdapterFactory<TacStatusBarWnd>();
  CtrlAdapterSeams().SpeedButtonHandler = [](QWidget* button, TsCommonData* data,
                                             TsSkinManager* manager) -> std::unique_ptr<TacGraphHandler> {
    auto* toolButton = qobject_cast<QToolButton*>(button);
    if (!toolButton) return nullptr;
    return std::make_unique<TacGraphHandlerOf<TacSpeedButtonHandler>>(
        std::make_unique<TacSpeedButtonHandler>(toolButton, QStringLiteral("SPEEDBUTTON"), manager, data));
  };
  CtrlAdapterSeams().FrameAdapter = [](QWidget* frame, const QString& section) -> QObject* {
    TsFrameAdapter* adapter = CreateFrameAdapter(frame);
    if (adapter) adapter->SkinData()->SetSkinSection(section);
    return adapter;
  };
  TacControlAdapterSeam& seam = ControlAdapterSeam();
  seam.Create = CreateAdapter;
  seam.Readapt = Readapt;
  seam.Destroy = DestroyAdapter;
}

void FinishCtrlAdapter() {
  ControlAdapterSeam() = {};
  CtrlAdapterSeams().FrameAdapter = nullptr;
  CtrlAdapterSeams().SpeedButtonHandler = nullptr;
  for (int list : {ThirdPartyList::tpEdits, ThirdPartyList::tpButtons, ThirdPartyList::tpBitBtns,
                   ThirdPartyList::tpCheckBoxes, ThirdPartyList::tpComboBoxes, ThirdPartyList::tpGrids,
                   ThirdPartyList::tpGroupBoxes, ThirdPartyList::tpListViews, ThirdPartyList::tpPanels,
                   ThirdPartyList::tpTreeViews, ThirdPartyList::tpWWEdits, ThirdPartyList::tpGridEh,
                   ThirdPartyList::tpVirtualTrees, ThirdPartyList::tpPageControl, ThirdPartyList::tpTabControl,
                   ThirdPartyList::tpToolBar, ThirdPartyList::tpStatusBar})
    CtrlAdapterSeams().WndAdapters[size_t(list)] = nullptr;
}

[[maybe_unused]] const bool registered = RegisterUnit("sCtrlAdapter", StartCtrlAdapter, FinishCtrlAdapter,
                                                      {"LibraryConstants", "acSBUtils", "EditAdapters"});

}  // namespace
