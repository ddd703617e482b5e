// The form provider's MDI paths: the client adapter of an MDI main form
// and its MDIAREA part of the cache, and the messages of an MDI child form
// (a QMdiSubWindow's form) that concern its main form.
#include "skinlib/adapters/sSkinProvider.h"

#include "platform/Mdi.h"
#include "platform/NonClient.h"
#include "platform/Painting.h"
#include "platform/WindowPos.h"
#include "platform/WindowTable.h"
#include "platform/WindowUtils.h"
#include "skinlib/adapters/AdapterUtils.h"
#include "skinlib/adapters/SkinCommandSenders.h"
#include "skinlib/adapters/acDials.h"
#include "skinlib/adapters/sMDIForm.h"
#include "skinlib/manager/SectionBackgrounds.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"

#include <QMdiArea>
#include <QMdiSubWindow>

using namespace platform;

namespace {

const QString kMdiArea = QStringLiteral("MDIAREA");

}  // namespace

// ------------------------------------------------------------ the provider's MDI steps

void TsSkinProvider::SetMDIAdapter(bool on) {
  TsMDIForm* mdi = MDIFormOf(this);
  if (!on || !form_ || GetFormStyle(form_) != fsMDIForm) {
    const bool had = mdi && mdi->MDIAdapter();
    delete mdi;
    // The client paints itself again.
    if (QMdiArea* area = had && form_ && !IsDestroying(form_) ? MdiClient(form_) : nullptr)
      RedrawWindow(area, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
    return;
  }
  MdiMainProvider = this;
  if (!mdi) mdi = new TsMDIForm(this);
  mdi->Connect();
}

TacMDIWnd* TsSkinProvider::MDIAdapter() const {
  const TsMDIForm* mdi = MDIFormOf(this);
  return mdi ? mdi->MDIAdapter() : nullptr;
}

TRect TsSkinProvider::MdiAreaRect() const {
  if (!form_ || !MDIAdapter()) return {};
  const QRect client = form_->contentsRect();
  TRect r{client.left(), client.top(), client.left() + client.width(), client.top() + client.height()};
  r.Left += AlignedControlsSize(form_, alLeft, false);
  r.Top += AlignedControlsSize(form_, alTop, false);
  r.Right -= AlignedControlsSize(form_, alRight, false);
  r.Bottom -= AlignedControlsSize(form_, alBottom, false);
  if (r.Right < r.Left) r.Right = r.Left;
  if (r.Bottom < r.Top) r.Bottom = r.Top;
  return r;
}

void TsSkinProvider::PaintMdiArea() {
  TsSkinManager* manager = Manager();
  if (!manager || !skinData_ || !skinData_->CacheBitmap) return;
  const int section = manager->IndexOfSection(kMdiArea);
  const TRect r = MdiAreaRect();
  if (!manager->IsValidSectionIndex(section) || r.Width() <= 0 || r.Height() <= 0) return;
  Canvas& dc = skinData_->CacheBitmap->GetCanvas();
  PaintSectionToDC(section, kMdiArea, EmptyCacheInfo, manager, dc, {0, 0}, r, 0, false);
}

// ------------------------------------------------------------ an MDI child's messages

bool TsSkinProvider::IsMdiChild() const { return MdiSubWindowOf(form_) != nullptr; }

QSize TsSkinProvider::WindowSize() const {
  if (!form_) return {};
  const TRect r = GetWindowRect(form_);
  return IsIconic(form_) && IsMdiChild() ? QSize(r.Width(), r.Height()) : form_->size();
}

QPoint TsSkinProvider::WindowPoint(QPoint screen) const {
  if (!form_) return screen;
  return IsIconic(form_) && IsMdiChild() ? NonClientWidget(form_)->mapFromGlobal(screen) : form_->mapFromGlobal(screen);
}

bool TsSkinProvider::BandShown() const { return form_ && NonClientWidget(form_)->isVisible(); }

TRect TsSkinProvider::OutlinedWindowRect() const {
  QWidget* sub = MdiSubWindowOf(form_);
  QWidget* moved = sub ? sub : form_.data();
  if (!moved) return {};
  const QPoint at = sub ? sub->mapToGlobal(QPoint()) : moved->geometry().topLeft();
  return {at.x(), at.y(), at.x() + moved->width(), at.y() + moved->height()};
}

void TsSkinProvider::MoveOutlinedWindow(const TRect& frame) {
  QWidget* sub = MdiSubWindowOf(form_);
  QWidget* moved = sub ? sub : form_.data();
  if (!moved) return;
  // A sub-window is placed in its area's coordinates.
  const QPoint at = sub && sub->parentWidget() ? sub->parentWidget()->mapFromGlobal(QPoint(frame.Left, frame.Top))
                                               : QPoint(frame.Left, frame.Top);
  SetWindowPos(moved, nullptr, at.x(), at.y(), frame.Width(), frame.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
}

void TsSkinProvider::CloseForm() {
  if (!form_) return;
  // An MDI child goes with its sub-window.
  if (IsMdiChild()) SendMessage(form_, WM_SYSCOMMAND, SC_CLOSE, 0);
  else form_->close();
}

bool TsSkinProvider::IsActiveMdiChild() const {
  QMdiSubWindow* sub = MdiSubWindowOf(form_);
  QMdiArea* area = sub ? sub->mdiArea() : nullptr;
  return area && area->activeSubWindow() == sub;
}

TacSysMenuState TsSkinProvider::MdiChildMenuState() const {
  if (LastProvider && LastProvider->IsMdiChild()) return LastProvider->MenuState();
  TacSysMenuState s;
  if (const QWidget* child = MaximizedMdiChild()) {
    const Qt::WindowFlags flags = MdiChildFlags(qobject_cast<const QMdiSubWindow*>(child));
    s.VisibleClose = flags & Qt::WindowSystemMenuHint;
    s.EnabledMin = s.VisibleMin = flags & Qt::WindowMinimizeButtonHint;
    s.EnabledRestore = s.VisibleMax = flags & Qt::WindowMaximizeButtonHint;
  }
  return s;
}

void TsSkinProvider::RepaintMdiMain() {
  TsSkinProvider* main = MdiMainProvider;
  if (!main || !main->Form() || IsDestroying(main->Form())) return;
  if (TsCommonData* data = main->SkinData()) data->BackgroundDirty = true;
  main->SetMenuLineChanged();
  RedrawNonClient(main->Form());
  if (QMdiArea* area = MdiClient(main->Form()))
    RedrawWindow(area, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

void TsSkinProvider::SkinUnskinnedMdiChildren() {
  QMdiArea* area = form_ && GetFormStyle(form_) == fsMDIForm ? MdiClient(form_) : nullptr;
  if (!area) return;
  // Guarded: the dialog skinning may make and destroy windows.
  QList<QPointer<QWidget>> children;
  for (QMdiSubWindow* sub : area->subWindowList())
    if (sub->widget()) children.push_back(sub->widget());
  for (const QPointer<QWidget>& child : children)
    if (child && !SkinCommandAnswered(child, kCommandIsSkinned)) SkinActivatedWindow(child);
}

bool TsSkinProvider::MdiMessage(Message& m, const std::function<void()>& def) {
  if (!IsMdiChild()) return false;
  QPointer<TsSkinProvider> self(this);
  QPointer<QWidget> form = form_;
  switch (m.Msg) {
    case WM_SYSCOMMAND: {
      const unsigned command = unsigned(m.WParam) & 0xFFF0;
      QMdiSubWindow* sub = MdiSubWindowOf(form_);
      // A maximized child that is not maximized again: the main form's
      // band waits until the command is done.
      const bool updating = sub->isMaximized() && command != SC_MAXIMIZE;
      QPointer<TsSkinProvider> main = MdiMainProvider.data();
      if (updating && main && main->SkinData()) main->SkinData()->BeginUpdate();
      switch (command) {
        case SC_KEYMENU:
          break;
        case SC_MAXIMIZE:
          LastProvider = this;
          def();
          break;
        case SC_CLOSE:
          if (LastProvider == this) LastProvider = nullptr;
          def();
          if (self) SetHotButton(0, false);
          break;
        case SC_MINIMIZE:
        case SC_RESTORE:
          def();
          if (self && skinData_) skinData_->BackgroundDirty = true;
          break;
        default:
          def();
          break;
      }
      if (main && main->SkinData()) {
        if (updating) main->SkinData()->EndUpdate();
        if (command != SC_KEYMENU) main->RepaintMdiMain();
      }
      return true;
    }
    case WM_NCACTIVATE:
      // Every child hears its main window's activation: only the area's
      // active child shows an active caption.
      if (m.WParam && !IsActiveMdiChild()) m.WParam = 0;
      return false;
    case WM_MDIACTIVATE:
    case WM_MDIDESTROY: {
      def();
      if (!self || !form) return true;
      QMdiSubWindow* sub = MdiSubWindowOf(form);
      if (sub && !sub->isMaximized()) {
        mainMenuRebuilt_ = false;
        RepaintMdiMain();
      }
      LastProvider = this;
      return true;
    }
    case WM_SHOWWINDOW: {
      // A maximized child's icon and buttons live in the main form's line.
      def();
      if (!self || !form) return true;
      if (QMdiSubWindow* sub = MdiSubWindowOf(form); sub && sub->isMaximized()) RepaintMdiMain();
      return true;
    }
    case WM_SIZE: {
      def();
      if (!self || !form) return true;
      if (QMdiSubWindow* sub = MdiSubWindowOf(form); sub && sub->isMaximized()) {
        RepaintMdiMain();
        RedrawWindow(form, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_FRAME);
      }
      return true;
    }
    case WM_NCDESTROY: {
      QPointer<TsSkinProvider> main = MdiMainProvider.data();
      def();
      if (!main || !main->MDIAdapter() || !main->Form() || IsDestroying(main->Form())) return true;
      main->SetMenuLineChanged();
      RedrawNonClient(main->Form());
      QMdiArea* area = MdiClient(main->Form());
      if (area && !area->activeSubWindow())
        RedrawWindow(area, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
      return true;
    }
    default:
      return false;
  }
}
