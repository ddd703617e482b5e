#include "skinning/WinSkinManage.h"

#include "platform/NonClient.h"
#include "platform/Startup.h"
#include "platform/WindowProc.h"
#include "platform/WindowTable.h"
#include "skinning/WinSkinFormWalk.h"
#include "skinning/WinSkinMenu.h"

#include <QApplication>
#include <QMenu>
#include <QVariant>
#include <QWidget>

#include <algorithm>

using namespace platform;

namespace skinning {

namespace {

TSkinManage*& Global() {
  static TSkinManage* manager = nullptr;
  return manager;
}

// Frees the manager when the program's units finish.
const bool kRegistered = RegisterUnit("WinSkinManage", [] {}, [] { FreeSkinManage(); },
                                      {"WindowMessages"});

bool IsMDIChild(const QWidget* window) { return GetWindowLong(window, GWL_EXSTYLE) & WS_EX_MDICHILD; }

template <typename T>
void DropDead(std::vector<QPointer<T>>& list) {
  std::erase_if(list, [](const QPointer<T>& p) { return p.isNull(); });
}

}  // namespace

TSkinManage* SkinManage() { return Global(); }

TSkinManage& CreateSkinManage() {
  if (!Global()) Global() = new TSkinManage;
  return *Global();
}

void FreeSkinManage() { delete std::exchange(Global(), nullptr); }

// ---------------------------------------------------------------------------

TSkinFormObject::TSkinFormObject(QObject* owner) : QObject(owner) {}

TSkinFormObject::~TSkinFormObject() { RemoveWindowProc(handle_); }

void TSkinFormObject::SetWindow(QWidget* window, int moduleTag, const QString& className) {
  window_ = window;
  moduleTag_ = moduleTag;
  className_ = className;
}

void TSkinFormObject::AttachForm(TSkinData* skinData, QWidget*) {
  skinData_ = skinData;
  if (IsMDIChild(window_))
    formKind_ = kFormMDIChild;
  else if (window_ && window_->property("FormStyle").toString() == QStringLiteral("fsMDIForm"))
    formKind_ = kFormMDIParent;
  handle_ = InstallWindowProc(window_, [this](Message& m, const CallPrevious& previous) {
    WindowProc(m, previous);
  });
  state_ = kStateActive;
}

void TSkinFormObject::RestoreWindow() { RemoveWindowProc(handle_); }

void TSkinFormObject::RepaintForm() {
  if (window_) window_->update();
}

void TSkinFormObject::AddControl(TSkinControl* painter) {
  if (painter && std::find(controls_.begin(), controls_.end(), painter) == controls_.end())
    controls_.push_back(painter);
}

void TSkinFormObject::RemoveControl(TSkinControl* painter) { std::erase(controls_, painter); }

void TSkinFormObject::SetSizeGrip(QWidget*) {}
void TSkinFormObject::SetMDIMaximized(bool) {}

void TSkinFormObject::WindowProc(Message& m, const CallPrevious& previous) {
  switch (m.Msg) {
    case SKIN_QUERYSKINNED:
      m.Result = 1;
      return;
    case WM_NCDESTROY:
      state_ = kStateDestroying;
      RestoreWindow();
      previous(m);
      state_ = kStateRetired;
      return;
    default:
      previous(m);
  }
}

// ---------------------------------------------------------------------------

TSkinManage::TSkinManage() {
  timer_.setSingleShot(true);
  timer_.setInterval(100);
  connect(&timer_, &QTimer::timeout, this, [this] { OnTimer(); });
  factory_ = [](QWidget* control) { return new TWinSkinForm(control); };
}

TSkinManage::~TSkinManage() {
  timer_.stop();
  UnskinAll();
  for (const QPointer<TWinSkinPopMenu>& popup : popups_) delete popup.data();
  popups_.clear();
  forms_.clear();
  skinData_.clear();
  RemoveCbtHook(hook_);
}

void TSkinManage::InstallHook() {
  if (hook_.Installed()) return;
  hook_ = InstallCbtHook([this](int code, WPARAM w, LPARAM l, const CallNextHook& next) {
    return CbtHookProc(code, w, l, next);
  });
}

LRESULT TSkinManage::CbtHookProc(int code, WPARAM wParam, LPARAM lParam, const CallNextHook& next) {
  if (code < 0) return next(code, wParam, lParam);
  auto* window = ParamPtr<QWidget>(wParam);
  switch (code) {
    case HCBT_CREATEWND: {
      const auto* info = ParamPtr<const CbtCreateWnd>(std::uintptr_t(lParam));
      if (info->ClassName == QStringLiteral("ScrollBar") && (info->Style & SBS_SIZEGRIP)) {
        if (TSkinFormObject* form = FindForm(window->window())) form->SetSizeGrip(window);
      } else if (!(info->Style & WS_CHILD) && info->ClassName == QStringLiteral("#32768")) {
        AddPopup(window);
      } else if (info->ExStyle & WS_EX_MDICHILD) {
        AddForm(window);
      } else if (IsForm(window)) {
        // A form or dialog is skinned before it is first shown, so that it
        // appears with the skin's frame (activation comes after the show).
        QPointer<TSkinManage> self(this);
        QPointer<QWidget> form(window);
        AtFirstShow(window, [self, form] {
          if (self && form) self->AddForm(form, true);
        });
      }
      break;
    }
    case HCBT_DESTROYWND:
      RemovePopup(window);
      break;
    case HCBT_ACTIVATE:
      if (state_ == 0) state_ = 1;
      AddForm(window);
      break;
    default:
      break;
  }
  return next(code, wParam, lParam);
}

bool TSkinManage::IsForm(const QWidget* window) {
  if (!window || !window->isWindow() || (GetWindowLong(window, GWL_STYLE) & WS_CHILD)) return false;
  const Qt::WindowType type = window->windowType();
  // A tool window with a caption is a form too; a frameless one (a layered
  // window, a border) is not, unless the frame is ours.
  if (type == Qt::Tool) return !(window->windowFlags() & Qt::FramelessWindowHint) || HasNonClientFrame(window);
  return type == Qt::Window || type == Qt::Dialog;
}

bool TSkinManage::AddForm(QWidget* window, bool startNow) {
  if (!enabled_ || !window) return false;
  PurgeForms();
  if (SendMessage(window, SKIN_QUERYSKINNED) == 1 || FindForm(window)) return false;
  QWidget* control = FindControl(window);
  const bool mdiChild = IsMDIChild(window);
  if (!timerWalk_ && (GetWindowLong(window, GWL_STYLE) & WS_CHILD) && !mdiChild &&
      GetClassName(GetParent(window)).toLower() != QStringLiteral("mdiclient"))
    return false;
  if (GetWindowRect(window).IsEmpty() && !mdiChild) return false;
  if (control && GetTag(control) == 99) return false;
  const QString className = GetClassName(window);
  if (className.contains(QStringLiteral("TcxPopupEditPopupWindow")) ||
      className.contains(QStringLiteral("TTERenderWindow")) || className == QStringLiteral("TApplication"))
    return false;
  if (!FilterForm(window, className)) return false;
  TSkinData* data = FindSkinData(window);
  if (!data || data->NoSkin()) return false;
  TSkinFormObject* form = factory_(control);
  form->SetWindow(window, moduleTag_, className);
  form->AttachForm(data, control);
  forms_.emplace_back(form);
  if (startNow)
    SendMessage(window, SKIN_START, 0, kSkinStartParam);
  else
    PostMessage(window, SKIN_START, 0, kSkinStartParam);
  return true;
}

void TSkinManage::AddFormIfTopLevel(QWidget* form) {
  if (form && form->isVisible() && !(GetWindowLong(form, GWL_STYLE) & WS_CHILD)) AddForm(form);
}

void TSkinManage::RemoveForm(QWidget* window) {
  std::erase_if(forms_, [window](const QPointer<TSkinFormObject>& f) { return f && f->Window() == window; });
}

void TSkinManage::PurgeForms() {
  for (auto i = forms_.size(); i-- > 0;) {
    TSkinFormObject* form = forms_[i];
    if (!form) {
      forms_.erase(forms_.begin() + std::ptrdiff_t(i));
    } else if (form->State() == TSkinFormObject::kStateRetired && form->ModuleTag() == moduleTag_) {
      forms_.erase(forms_.begin() + std::ptrdiff_t(i));
      delete form;
    }
  }
}

void TSkinManage::Unskin(TSkinFormObject* form) {
  std::erase(forms_, QPointer<TSkinFormObject>(form));
  form->RestoreWindow();
  delete form;
}

void TSkinManage::UnskinAll() {
  enabled_ = false;
  for (auto i = forms_.size(); i-- > 0;)
    if (i < forms_.size() && forms_[i] && forms_[i]->ModuleTag() == moduleTag_) Unskin(forms_[i]);
  DropDead(forms_);
}

TSkinFormObject* TSkinManage::FindForm(QWidget* window) const {
  for (const QPointer<TSkinFormObject>& form : forms_)
    if (form && form->Window() == window) return form;
  return nullptr;
}

std::vector<QWidget*> TSkinManage::ScreenForms() const {
  std::vector<QWidget*> forms;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible() && IsForm(w)) forms.push_back(w);
  return forms;
}

QWidget* TSkinManage::FindControl(QWidget* window) const {
  const std::vector<QWidget*> forms = ScreenForms();
  if (std::find(forms.begin(), forms.end(), window) != forms.end()) return window;
  return ControlFromWindow(window);
}

std::vector<TSkinFormObject*> TSkinManage::Forms() const {
  std::vector<TSkinFormObject*> live;
  for (const QPointer<TSkinFormObject>& form : forms_)
    if (form) live.push_back(form);
  return live;
}

void TSkinManage::RegisterSkinData(TSkinData* data) {
  if (!data || std::find(skinData_.begin(), skinData_.end(), data) != skinData_.end()) return;
  skinData_.emplace_back(data);
  if (!main_ && data->SkinFormtype == sfMainform) main_ = data;
}

void TSkinManage::UnregisterSkinData(TSkinData* data) {
  std::erase(skinData_, QPointer<TSkinData>(data));
  DropDead(skinData_);
  if (main_ == data) {
    main_ = nullptr;
    for (const QPointer<TSkinData>& d : skinData_)
      if (d->SkinFormtype == sfMainform) {
        main_ = d;
        break;
      }
  }
}

void TSkinManage::ForgetSkinData(TSkinData* data) {
  if (current_ == data) {
    timer_.stop();
    action_ = 0;
    current_ = nullptr;
  }
  for (auto i = forms_.size(); i-- > 0;)
    if (i < forms_.size() && forms_[i] && forms_[i]->SkinData() == data) Unskin(forms_[i]);
  for (auto i = popups_.size(); i-- > 0;)
    if (i < popups_.size() && popups_[i] && popups_[i]->SkinData() == data) {
      TWinSkinPopMenu* popup = popups_[i];
      popups_.erase(popups_.begin() + std::ptrdiff_t(i));
      delete popup;
    }
  UnregisterSkinData(data);
}

TSkinData* TSkinManage::FindSkinData(QWidget* window) const {
  TSkinData* found = nullptr;
  for (const QPointer<TSkinData>& d : skinData_)
    if (d && d->SkinFormtype == sfOnlyThisForm && window && d->OwnerForm() == window) found = d;
  if (found) return found;
  const QString className = GetClassName(window).toLower();
  if (className == QStringLiteral("tmessageform") || className == QStringLiteral("#32770")) {
    for (const QPointer<TSkinData>& d : skinData_)
      if (d && d->SkinFormtype == sfDialog) found = d;
    if (found) return found;
  }
  for (const QPointer<TSkinData>& d : skinData_)
    if (d && d->SkinFormtype == sfMainform) found = d;
  if (found) return found;
  for (const QPointer<TSkinData>& d : skinData_)
    if (d) return d;
  return nullptr;
}

bool TSkinManage::FilterForm(QWidget* window, const QString& className) const {
  if (!main_) return true;
  bool doSkin = true;
  const QString lower = className.toLower();
  if (lower.contains(QStringLiteral("preview")) && !main_->Options.Has(xoPreview)) doSkin = false;
  if (className == QStringLiteral("#32770") && (GetWindowLong(window, GWL_STYLE) & 0x200)) doSkin = false;
  if (lower == QStringLiteral("tpopupdbtreeview")) doSkin = false;
  main_->CheckFormSkin(window, className, doSkin);
  return doSkin;
}

bool TSkinManage::AddPopup(QWidget* window) {
  auto* menu = qobject_cast<QMenu*>(window);
  if (!enabled_ || !menu || SendMessage(window, SKIN_QUERYSKINNED) == 1 || FindPopup(window)) return false;
  TSkinData* data = FindSkinData(window);
  if (!data || data->NoSkin()) return false;
  const TSkinControlTypes& kinds = data->SkinControls;
  switch (menuMode_) {
    case kContextMenu:
      if (!kinds.Has(xcPopupMenu)) return false;
      break;
    case kMenuBarDropDown:
      if (!kinds.Has(xcMainMenu) && !kinds.Has(xcMenuItem)) return false;
      break;
    case kSystemMenu:
      if (!kinds.Has(xcSystemMenu)) return false;
      break;
    default:
      return false;
  }
  DropDead(popups_);
  auto* popup = new TWinSkinPopMenu(menu, data, popupFlag_, menuMode_);
  popups_.emplace_back(popup);
  popup->Start();
  return true;
}

bool TSkinManage::RemovePopup(QWidget* window) {
  TWinSkinPopMenu* popup = FindPopup(window);
  if (popup) {
    std::erase(popups_, QPointer<TWinSkinPopMenu>(popup));
    delete popup;
  }
  DropDead(popups_);
  if (popups_.empty()) {
    menuMode_ = kContextMenu;
    popupFlag_ = false;
  }
  return popup != nullptr;
}

TWinSkinPopMenu* TSkinManage::FindPopup(const QWidget* window) const {
  for (const QPointer<TWinSkinPopMenu>& popup : popups_)
    if (popup && popup->Window() == window) return popup;
  return nullptr;
}

const Bitmap* TSkinManage::GetPopupBackground(const QMenu* menu) const {
  for (const QPointer<TWinSkinPopMenu>& popup : popups_)
    if (popup && popup->Menu() == menu) return &popup->Background();
  return nullptr;
}

void TSkinManage::SetPopupMenu(QMenu* menu) {
  for (auto i = popups_.size(); i-- > 0;)
    if (popups_[i] && !popups_[i]->Menu()) {
      popups_[i]->SetMenu(menu);
      return;
    }
}

void TSkinManage::FlagPopups() {
  for (const QPointer<TWinSkinPopMenu>& popup : popups_)
    if (popup) popup->Flag = true;
}

int TSkinManage::PopupCount() const {
  return int(std::count_if(popups_.begin(), popups_.end(), [](const auto& p) { return !p.isNull(); }));
}

void TSkinManage::SetMDIMaximized(bool maximized) {
  if (maximized == mdiMaximized_) return;
  mdiMaximized_ = maximized;
  if (main_ && main_->Options.Has(xoMDIChildBorder)) return;
  for (TSkinFormObject* form : Forms())
    if (form->FormKind() == TSkinFormObject::kFormMDIChild) form->SetMDIMaximized(maximized);
}

void TSkinManage::RefreshForms() {
  for (TSkinFormObject* form : Forms())
    if (form->SkinData() == current_) form->TakeUpSkin();
}

void TSkinManage::PostAction(int action, int delayMs) {
  action_ = action;
  timer_.setInterval(delayMs);
  if (state_ != 0) {
    timer_.start();
    return;
  }
  if (action == kSkinAll) enabled_ = true;
  if (action == kUnskinAll) enabled_ = false;
}

void TSkinManage::OnTimer() {
  timer_.stop();
  QPointer<TSkinData> data = current_;
  if (!data) return;
  const int action = std::exchange(action_, 0);
  if (data->SkinFormtype != sfOnlyThisForm) {
    switch (action) {
      case kSkinAll: {
        enabled_ = true;
        timerWalk_ = true;
        PurgeForms();
        const std::vector<QWidget*> forms = ScreenForms();
        for (auto i = forms.size(); i-- > 0;) AddFormIfTopLevel(forms[i]);
        timerWalk_ = false;
        break;
      }
      case kUnskinAll:
        enabled_ = false;
        PurgeForms();
        while (!forms_.empty()) {
          if (forms_.front())
            Unskin(forms_.front());
          else
            forms_.erase(forms_.begin());
        }
        break;
      case kRefresh: {
        PurgeForms();
        const std::vector<TSkinFormObject*> forms = Forms();
        for (TSkinFormObject* form : forms)
          if (form->SkinData() == data) form->TakeUpSkin();
        for (TSkinFormObject* form : Forms())
          if (form->SkinData() == data) form->RepaintForm();
        break;
      }
      default:
        break;
    }
  } else {
    const auto own = [&] {
      std::vector<TSkinFormObject*> forms;
      for (TSkinFormObject* form : Forms())
        if (form->SkinData() == data) forms.push_back(form);
      return forms;
    };
    switch (action) {
      case kSkinAll:
        enabled_ = true;
        timerWalk_ = true;
        AddFormIfTopLevel(data->OwnerForm());
        timerWalk_ = false;
        break;
      case kUnskinAll: {
        enabled_ = false;
        PurgeForms();
        if (const auto forms = own(); !forms.empty()) Unskin(forms.back());
        break;
      }
      case kRefresh: {
        PurgeForms();
        if (const auto forms = own(); !forms.empty()) {
          forms.front()->TakeUpSkin();
          forms.front()->RepaintForm();
        }
        break;
      }
      default:
        break;
    }
  }
  if (data) data->DoSkinChanged();
  current_ = nullptr;
}

}  // namespace skinning
