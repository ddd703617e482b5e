#include "platform/ControlMessages.h"

#include "platform/AppWindow.h"
#include "platform/Icons.h"
#include "platform/Menus.h"
#include "platform/Properties.h"
#include "platform/ScrollInfo.h"
#include "platform/WindowProc.h"
#include "platform/WindowProcInternal.h"
#include "platform/WindowTable.h"

#include <QAbstractButton>
#include <QActionEvent>
#include <QAbstractItemModel>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHash>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPixmap>
#include <QPointer>
#include <QScrollBar>
#include <QSizeGrip>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>
#include <memory>

namespace platform {

namespace {

// ---------------------------------------------------------------------------
// Handles the layer keeps for a widget (WM_GETFONT, WM_GETICON, images),
// made anew when what they stand for changes; they go with the widget.

struct Handles {
  qint64 iconKey[2] = {0, 0};
  std::unique_ptr<Icon> icons[2];  // small, big
  qint64 imageKey = 0;
  std::unique_ptr<Bitmap> image;
  std::unique_ptr<Icon> imageIcon;
  std::unique_ptr<TFont> font;
};

Handles& HandlesOf(const QWidget* w) {
  static QHash<const QWidget*, std::shared_ptr<Handles>> all;
  auto it = all.find(w);
  if (it == all.end()) {
    it = all.insert(w, std::make_shared<Handles>());
    QObject::connect(w, &QObject::destroyed, [w] { all.remove(w); });
  }
  return **it;
}

const Icon* IconFor(const QWidget* w, const QIcon& source, unsigned which) {
  Handles& h = HandlesOf(w);
  const int slot = which == ICON_BIG ? 1 : 0;
  if (source.isNull()) return nullptr;
  if (!h.icons[slot] || h.iconKey[slot] != source.cacheKey()) {
    h.icons[slot] = Icon::FromQIcon(source, GetSystemMetrics(slot ? SM_CXICON : SM_CXSMICON));
    h.iconKey[slot] = source.cacheKey();
  }
  return h.icons[slot].get();
}

// The picture of a label or the icon of a button, as a bitmap and an icon.
Handles& ImageOf(const QWidget* w, const QPixmap& pixmap) {
  Handles& h = HandlesOf(w);
  if (h.imageKey != pixmap.cacheKey() || (!h.image && !pixmap.isNull())) {
    h.imageKey = pixmap.cacheKey();
    h.image.reset();
    h.imageIcon.reset();
    if (!pixmap.isNull()) {
      h.image = std::make_unique<Bitmap>(Bitmap::FromQImage(pixmap.toImage()));
      h.imageIcon = Icon::FromQIcon(QIcon(pixmap), std::max(pixmap.width(), pixmap.height()));
    }
  }
  return h;
}

LRESULT Image(const QWidget* w, const QPixmap& pixmap, unsigned type) {
  Handles& h = ImageOf(w, pixmap);
  return type == IMAGE_ICON ? LRESULT(PtrParam(h.imageIcon.get())) : LRESULT(PtrParam(h.image.get()));
}

// ---------------------------------------------------------------------------
// The widget whose sent message's default runs now: its Qt signals make
// no notifications meanwhile.

const QWidget* g_changing = nullptr;

class Changing {
 public:
  explicit Changing(const QWidget* w) : outer_(std::exchange(g_changing, w)) {}
  ~Changing() { g_changing = outer_; }
  Changing(const Changing&) = delete;
  Changing& operator=(const Changing&) = delete;

 private:
  const QWidget* outer_;
};

QString* TextOut(const Message& m) { return ParamPtr<QString>(std::uintptr_t(m.LParam)); }
const QString& TextIn(const Message& m) {
  static const QString none;
  return m.LParam ? *ParamPtr<const QString>(std::uintptr_t(m.LParam)) : none;
}
TRect* RectOut(const Message& m) { return ParamPtr<TRect>(std::uintptr_t(m.LParam)); }
TRect ToTRect(const QRect& r) { return Bounds(r.x(), r.y(), r.width(), r.height()); }

LRESULT Text(const QString& text, const Message& m) {
  if (m.LParam) *TextOut(m) = text;
  return text.size();
}

// ---------------------------------------------------------------------------
// The controls, one function each: true when the message was theirs.

bool Button(QAbstractButton* b, Message& m) {
  switch (m.Msg) {
    case BM_GETCHECK:
    case BM_GETSTATE: {
      auto* box = qobject_cast<QCheckBox*>(b);
      LRESULT state = box && box->checkState() == Qt::PartiallyChecked ? BST_INDETERMINATE
                      : b->isChecked()                                    ? BST_CHECKED
                                                                          : BST_UNCHECKED;
      if (m.Msg == BM_GETSTATE) state |= (b->isDown() ? BST_PUSHED : 0) | (b->hasFocus() ? BST_FOCUS : 0);
      m.Result = state;
      return true;
    }
    case BM_SETCHECK: {
      Changing changing(b);
      if (auto* box = qobject_cast<QCheckBox*>(b))
        box->setCheckState(m.WParam == BST_INDETERMINATE ? Qt::PartiallyChecked
                           : m.WParam == BST_CHECKED     ? Qt::Checked
                                                         : Qt::Unchecked);
      else if (b->isCheckable())
        b->setChecked(m.WParam == BST_CHECKED);
      return true;
    }
    case BM_SETSTATE: {
      Changing changing(b);
      b->setDown(m.WParam != 0);
      return true;
    }
    case BM_CLICK:
      b->click();
      return true;
    case BM_GETIMAGE:
      m.Result = b->icon().isNull() ? 0 : Image(b, b->icon().pixmap(b->iconSize()), unsigned(m.WParam));
      return true;
    default:
      return false;
  }
}

bool Static(QLabel* l, Message& m) {
  if (m.Msg != STM_GETIMAGE && m.Msg != STM_GETICON) return false;
  const unsigned type = m.Msg == STM_GETICON ? IMAGE_ICON : unsigned(m.WParam);
  m.Result = Image(l, l->pixmap(), type);
  return true;
}

bool Combo(QComboBox* c, Message& m) {
  const int index = int(std::intptr_t(m.WParam));
  switch (m.Msg) {
    case CB_GETCOUNT: m.Result = c->count(); return true;
    case CB_GETCURSEL: m.Result = c->currentIndex(); return true;
    case CB_SETCURSEL: {
      Changing changing(c);
      c->setCurrentIndex(index >= 0 && index < c->count() ? index : -1);
      m.Result = c->currentIndex();
      return true;
    }
    case CB_GETLBTEXT:
    case CB_GETLBTEXTLEN:
      m.Result = index >= 0 && index < c->count() ? Text(c->itemText(index), m.Msg == CB_GETLBTEXT ? m : Message{})
                                                  : -1;
      return true;
    case CB_ADDSTRING:
    case CB_INSERTSTRING: {
      Changing changing(c);
      const int at = m.Msg == CB_ADDSTRING || index < 0 || index > c->count() ? c->count() : index;
      c->insertItem(at, TextIn(m));
      m.Result = at;
      return true;
    }
    case CB_GETITEMHEIGHT: {
      COMBOBOXINFO info;
      if (index < 0 && GetComboBoxInfo(c, &info))
        m.Result = info.rcItem.Height();
      else
        m.Result = c->count() ? c->view()->sizeHintForRow(0) : c->fontMetrics().height();
      return true;
    }
    case CB_GETDROPPEDSTATE: m.Result = c->view()->isVisible(); return true;
    case CB_SHOWDROPDOWN:
      if (m.WParam)
        c->showPopup();
      else
        c->hidePopup();
      m.Result = 1;
      return true;
    default: return false;
  }
}

bool List(QListWidget* l, Message& m) {
  const int index = int(std::intptr_t(m.WParam));
  const bool valid = index >= 0 && index < l->count();
  switch (m.Msg) {
    case LB_GETCOUNT: m.Result = l->count(); return true;
    case LB_GETCURSEL: m.Result = l->currentRow(); return true;
    case LB_SETCURSEL: {
      Changing changing(l);
      l->setCurrentRow(valid ? index : -1);
      m.Result = valid ? index : -1;
      return true;
    }
    case LB_GETTEXT:
    case LB_GETTEXTLEN: m.Result = valid ? Text(l->item(index)->text(), m.Msg == LB_GETTEXT ? m : Message{}) : -1;
      return true;
    case LB_ADDSTRING:
    case LB_INSERTSTRING: {
      Changing changing(l);
      const int at = m.Msg == LB_ADDSTRING || index < 0 || index > l->count() ? l->count() : index;
      l->insertItem(at, TextIn(m));
      m.Result = at;
      return true;
    }
    case LB_GETTOPINDEX: m.Result = l->count() ? l->indexAt(QPoint(1, 1)).row() : 0; return true;
    case LB_SETTOPINDEX:
      if (valid) l->scrollToItem(l->item(index), QAbstractItemView::PositionAtTop);
      m.Result = valid ? 0 : -1;
      return true;
    case LB_GETITEMHEIGHT: m.Result = l->count() ? l->sizeHintForRow(valid ? index : 0) : l->fontMetrics().height();
      return true;
    case LB_GETITEMRECT:
      if (valid && m.LParam) *RectOut(m) = ToTRect(l->visualItemRect(l->item(index)));
      m.Result = valid ? 1 : -1;
      return true;
    default: return false;
  }
}

// A tab control: a QTabBar, or the bar of a QTabWidget (its rectangles in
// the tab widget's coordinates).
bool Tabs(QWidget* w, QTabBar* bar, Message& m) {
  const int index = int(std::intptr_t(m.WParam));
  auto* pages = qobject_cast<QTabWidget*>(w);
  switch (m.Msg) {
    case TCM_GETITEMCOUNT: m.Result = bar->count(); return true;
    case TCM_GETCURSEL: m.Result = bar->currentIndex(); return true;
    case TCM_SETCURSEL: {
      Changing changing(w);
      m.Result = bar->currentIndex();
      if (index >= 0 && index < bar->count()) {
        if (pages)
          pages->setCurrentIndex(index);
        else
          bar->setCurrentIndex(index);
      } else {
        m.Result = -1;
      }
      return true;
    }
    case TCM_GETITEMRECT:
      if (index < 0 || index >= bar->count()) {
        m.Result = 0;
        return true;
      }
      if (m.LParam) *RectOut(m) = ToTRect(bar->tabRect(index).translated(bar->mapTo(w, QPoint())));
      m.Result = 1;
      return true;
    case TCM_GETROWCOUNT: m.Result = 1; return true;
    case TCM_GETIMAGELIST: m.Result = 0; return true;
    case TCM_ADJUSTRECT: {
      // The display area's insets within the control.
      QRect display = w->rect();
      if (pages) {
        if (QWidget* stack = pages->findChild<QStackedWidget*>(QString(), Qt::FindDirectChildrenOnly))
          display = stack->geometry();
      } else {
        // A bare bar shows no page: its display area is empty, on the side
        // away from its tabs.
        switch (bar->shape()) {
          case QTabBar::RoundedSouth: case QTabBar::TriangularSouth: display.setBottom(-1); break;
          case QTabBar::RoundedWest: case QTabBar::TriangularWest: display.setLeft(bar->width()); break;
          case QTabBar::RoundedEast: case QTabBar::TriangularEast: display.setRight(-1); break;
          default: display.setTop(bar->height()); break;
        }
      }
      const QMargins in(display.left(), display.top(), w->width() - display.right() - 1,
                        w->height() - display.bottom() - 1);
      if (TRect* r = RectOut(m)) {
        const int sign = m.WParam ? -1 : 1;
        *r = {r->Left + sign * in.left(), r->Top + sign * in.top(), r->Right - sign * in.right(),
              r->Bottom - sign * in.bottom()};
      }
      m.Result = 0;
      return true;
    }
    default: return false;
  }
}

bool ToolBar(QToolBar* bar, Message& m) {
  const QList<QAction*> buttons = ToolBarButtons(bar);
  const int index = int(std::intptr_t(m.WParam));
  QAction* a = index >= 0 && index < buttons.size() ? buttons[index] : nullptr;
  switch (m.Msg) {
    case TB_BUTTONCOUNT: m.Result = buttons.size(); return true;
    case TB_GETITEMRECT:
      if (a && m.LParam) *RectOut(m) = ToTRect(bar->actionGeometry(a));
      m.Result = a != nullptr;
      return true;
    case TB_GETBUTTON:
      if (a && m.LParam) {
        auto* b = ParamPtr<TBBUTTON>(std::uintptr_t(m.LParam));
        auto* tool = qobject_cast<QToolButton*>(bar->widgetForAction(a));
        b->idCommand = int(GetCommandId(a));
        b->fsState = std::uint8_t((a->isEnabled() ? TBSTATE_ENABLED : 0) | (a->isChecked() ? TBSTATE_CHECKED : 0) |
                                  (tool && tool->isDown() ? TBSTATE_PRESSED : 0));
        b->fsStyle = std::uint8_t(a->isSeparator()  ? TBSTYLE_SEP
                                  : a->menu()       ? TBSTYLE_DROPDOWN
                                  : a->isCheckable() ? TBSTYLE_CHECK
                                                     : TBSTYLE_BUTTON);
        b->text = a->text();
      }
      m.Result = a != nullptr;
      return true;
    case TB_GETBUTTONTEXTA:
    case TB_GETBUTTONTEXTW:
      for (QAction* button : buttons)
        if (!button->isSeparator() && GetCommandId(button) == m.WParam) {
          m.Result = Text(button->text(), m);
          return true;
        }
      m.Result = -1;
      return true;
    case TB_GETIMAGELIST: m.Result = 0; return true;
    default: return false;
  }
}

bool Status(QStatusBar* bar, Message& m) {
  if (m.Msg == SB_ISSIMPLE) {
    m.Result = !bar->currentMessage().isEmpty();
    return true;
  }
  if (m.Msg != SB_GETPARTS && m.Msg != SB_GETRECT) return false;
  QList<QRect> rects;
  for (QWidget* part : StatusBarParts(bar)) rects.append(part->geometry());
  if (rects.isEmpty()) rects.append(bar->rect());
  if (m.Msg == SB_GETPARTS) {
    auto* rights = ParamPtr<int>(std::uintptr_t(m.LParam));
    for (int i = 0; rights && i < int(std::min<WPARAM>(m.WParam, WPARAM(rects.size()))); ++i)
      rights[i] = i + 1 == rects.size() ? -1 : rects[i].right() + 1;
    m.Result = rects.size();
  } else {
    const int index = int(m.WParam);
    const bool valid = index >= 0 && index < rects.size();
    if (valid && m.LParam) *RectOut(m) = ToTRect(rects[index]);
    m.Result = valid;
  }
  return true;
}

bool Header(QHeaderView* h, Message& m) {
  const int index = int(std::intptr_t(m.WParam));
  const bool valid = index >= 0 && index < h->count();
  switch (m.Msg) {
    case HDM_GETITEMCOUNT: m.Result = h->count(); return true;
    case HDM_ORDERTOINDEX: m.Result = valid ? h->logicalIndex(index) : index; return true;
    case HDM_GETITEMRECT:
      if (valid && m.LParam)
        *RectOut(m) = h->orientation() == Qt::Horizontal
                          ? Bounds(h->sectionViewportPosition(index), 0, h->sectionSize(index), h->height())
                          : Bounds(0, h->sectionViewportPosition(index), h->width(), h->sectionSize(index));
      m.Result = valid;
      return true;
    case HDM_HITTEST: {
      auto* info = ParamPtr<HDHITTESTINFO>(std::uintptr_t(m.LParam));
      m.Result = -1;
      if (!info) return true;
      const QPoint p(info->pt.X, info->pt.Y);
      info->iItem = h->rect().contains(p) ? h->logicalIndexAt(p) : -1;
      info->flags = info->iItem >= 0 ? HHT_ONHEADER : HHT_NOWHERE;
      m.Result = info->iItem;
      return true;
    }
    case HDM_GETITEMA:
    case HDM_GETITEMW: {
      auto* item = ParamPtr<HDITEM>(std::uintptr_t(m.LParam));
      if (!valid || !item) {
        m.Result = 0;
        return true;
      }
      const QAbstractItemModel* model = h->model();
      if (item->mask & HDI_WIDTH) item->cxy = h->sectionSize(index);
      if (item->mask & HDI_TEXT && model)
        item->text = model->headerData(index, h->orientation(), Qt::DisplayRole).toString();
      const QVariant picture = model ? model->headerData(index, h->orientation(), Qt::DecorationRole) : QVariant();
      const bool icon = picture.typeId() == QMetaType::QIcon;
      const bool bitmap = picture.typeId() == QMetaType::QPixmap || picture.typeId() == QMetaType::QImage;
      if (item->mask & HDI_FORMAT) {
        const int align = model ? model->headerData(index, h->orientation(), Qt::TextAlignmentRole).toInt() : 0;
        item->fmt = HDF_STRING | (align & Qt::AlignRight ? HDF_RIGHT : align & Qt::AlignHCenter ? HDF_CENTER : HDF_LEFT);
        if (icon) item->fmt |= HDF_IMAGE;
        if (bitmap) item->fmt |= HDF_BITMAP;
      }
      if (item->mask & (HDI_IMAGE | HDI_BITMAP)) {
        item->image = icon ? picture.value<QIcon>()
                      : picture.typeId() == QMetaType::QPixmap ? QIcon(picture.value<QPixmap>())
                      : bitmap ? QIcon(QPixmap::fromImage(picture.value<QImage>()))
                               : QIcon();
      }
      if (item->mask & HDI_ORDER) item->iOrder = h->visualIndex(index);
      m.Result = 1;
      return true;
    }
    default: return false;
  }
}

LRESULT SetColor(QWidget* w, QPalette::ColorRole role, LPARAM value) {
  const TColor old = GetPaletteColor(w, role);
  if (std::uint32_t(value) == CLR_NONE || std::uint32_t(value) == CLR_DEFAULT)
    ResetPaletteColor(w, role);
  else
    SetPaletteColor(w, role, TColor(value));
  return old;
}

bool ItemView(QAbstractItemView* v, Message& m) {
  QAbstractItemModel* model = v->model();
  const int row = int(std::intptr_t(m.WParam));
  switch (m.Msg) {
    case LVM_GETBKCOLOR:
    case TVM_GETBKCOLOR: m.Result = GetPaletteColor(v, QPalette::Base); return true;
    case LVM_SETBKCOLOR: m.Result = SetColor(v, QPalette::Base, m.LParam) != clNone; return true;
    case TVM_SETBKCOLOR: m.Result = SetColor(v, QPalette::Base, m.LParam); return true;
    case LVM_GETTEXTCOLOR:
    case TVM_GETTEXTCOLOR: m.Result = GetPaletteColor(v, QPalette::Text); return true;
    case LVM_SETTEXTCOLOR: m.Result = SetColor(v, QPalette::Text, m.LParam) != clNone; return true;
    case TVM_SETTEXTCOLOR: m.Result = SetColor(v, QPalette::Text, m.LParam); return true;
    case LVM_GETTEXTBKCOLOR: {
      const QVariant kept = v->property("_win_textbkcolor");
      m.Result = kept.isValid() ? kept.toLongLong() : LRESULT(CLR_NONE);
      return true;
    }
    case LVM_SETTEXTBKCOLOR: v->setProperty("_win_textbkcolor", qlonglong(m.LParam)); m.Result = 1; return true;
    case LVM_GETITEMCOUNT: m.Result = model ? model->rowCount(v->rootIndex()) : 0; return true;
    case LVM_GETITEMRECT: {
      const QModelIndex index = model ? model->index(row, 0, v->rootIndex()) : QModelIndex();
      if (index.isValid() && m.LParam) *RectOut(m) = ToTRect(v->visualRect(index));
      m.Result = index.isValid();
      return true;
    }
    case LVM_INSERTITEMA:
    case LVM_INSERTITEMW: {
      const auto* item = ParamPtr<const LVITEM>(std::uintptr_t(m.LParam));
      m.Result = -1;
      if (!model || !item) return true;
      Changing changing(v);
      const int at = std::clamp(item->iItem, 0, model->rowCount(v->rootIndex()));
      if (auto* list = qobject_cast<QListWidget*>(v))
        list->insertItem(at, item->text);
      else if (!model->insertRow(at, v->rootIndex()))
        return true;
      else if (item->mask & LVIF_TEXT)
        model->setData(model->index(at, 0, v->rootIndex()), item->text);
      m.Result = at;
      return true;
    }
    case LVM_SCROLL: {
      const int dx = int(std::intptr_t(m.WParam)), dy = int(m.LParam);
      auto step = [v](int pixels, bool vertical) {
        const bool perItem = (vertical ? v->verticalScrollMode() : v->horizontalScrollMode()) ==
                             QAbstractItemView::ScrollPerItem;
        const int unit = vertical ? std::max(1, v->sizeHintForRow(0)) : std::max(1, v->sizeHintForColumn(0));
        return perItem ? pixels / unit : pixels;
      };
      v->horizontalScrollBar()->setValue(v->horizontalScrollBar()->value() + step(dx, false));
      v->verticalScrollBar()->setValue(v->verticalScrollBar()->value() + step(dy, true));
      m.Result = 1;
      return true;
    }
    case LVM_ARRANGE: m.Result = 1; return true;
    default: return false;
  }
}

// Messages every widget answers: fonts, icons, and notifications about a
// control reflected to it.
bool Common(QWidget* w, Message& m) {
  switch (m.Msg) {
    case WM_GETFONT: {
      Handles& h = HandlesOf(w);
      h.font = std::make_unique<TFont>(GetControlFont(w));
      m.Result = LRESULT(PtrParam(h.font.get()));
      return true;
    }
    case WM_SETFONT:
      if (m.WParam) SetControlFont(w, *ParamPtr<const TFont>(m.WParam));
      return true;
    case WM_GETICON:
      m.Result = w->isWindow() ? LRESULT(PtrParam(detail::WindowIcon(w, unsigned(m.WParam)))) : 0;
      return true;
    case WM_SETICON:
      if (!w->isWindow()) return false;
      if (const auto* icon = ParamPtr<const Icon>(std::uintptr_t(m.LParam))) {
        const QIcon qicon(QPixmap::fromImage(icon->ToImage()));
        if (IsApplicationWindow(w))
          QApplication::setWindowIcon(qicon);
        else
          w->setWindowIcon(qicon);
      }
      m.Result = 0;
      return true;
    case WM_COMMAND:
    case WM_NOTIFY: {
      QWidget* control = m.Msg == WM_COMMAND ? ParamPtr<QWidget>(std::uintptr_t(m.LParam))
                         : m.LParam          ? ParamPtr<NMHDR>(std::uintptr_t(m.LParam))->hwndFrom
                                             : nullptr;
      if (!control || control->parentWidget() != w) return false;
      Message reflected{CN_BASE + m.Msg, m.WParam, m.LParam};
      detail::TellHandlers(control, reflected);
      m.Result = reflected.Result;
      return true;
    }
    default: return false;
  }
}

// ---------------------------------------------------------------------------
// Notifications.

bool Quiet(const QWidget* control) { return control == g_changing; }

void Notice(QWidget* control, unsigned msg, WPARAM wParam = 0, LPARAM lParam = 0) {
  if (Quiet(control)) return;
  Message m{msg, wParam, lParam};
  detail::TellHandlers(control, m);
}

void Command(QWidget* control, unsigned code) {
  QWidget* parent = control->parentWidget();
  if (Quiet(control) || !parent || control->isWindow()) return;
  const auto id = int(GetWindowLong(control, GWL_ID));
  SendMessage(parent, WM_COMMAND, MAKEWPARAM(id, int(code)), LPARAM(PtrParam(control)));
}

void Notify(QWidget* control, int code, int item = 0) {
  QWidget* parent = control->parentWidget();
  if (Quiet(control) || !parent || control->isWindow()) return;
  NMTOOLBAR n{{control, std::uintptr_t(GetWindowLong(control, GWL_ID)), code}, item};
  SendMessage(parent, WM_NOTIFY, n.hdr.idFrom, LPARAM(PtrParam(&n)));
}

// Tool bars (menus of buttons dropping down, buttons going) and the lists
// of combo boxes (shown, hidden): events Qt has no signals for.
class Watcher final : public QObject {
 public:
  static Watcher* Instance() {
    static QPointer<Watcher> watcher;
    if (!watcher) {
      watcher = new Watcher;
      watcher->setParent(QCoreApplication::instance());
    }
    return watcher;
  }
  void WatchAction(QToolBar* bar, QAction* a) {
    // Once per menu and bar (Qt makes no unique connections to lambdas).
    QMenu* menu = a->menu();
    const QByteArray mark = "_win_dropdown_" + QByteArray::number(quintptr(bar), 16);
    if (!menu || menu->property(mark.constData()).toBool()) return;
    menu->setProperty(mark.constData(), true);
    connect(menu, &QMenu::aboutToShow, bar, [bar, a] { Notify(bar, TBN_DROPDOWN, int(GetCommandId(a))); });
    connect(menu, &QMenu::aboutToHide, bar, [bar] { PostMessage(bar, CN_DROPDOWNCLOSED); });
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    const int type = event->type();
    if (auto* bar = qobject_cast<QToolBar*>(watched)) {
      QAction* action = type == QEvent::ActionAdded || type == QEvent::ActionRemoved
                            ? static_cast<QActionEvent*>(event)->action()
                            : nullptr;
      if (type == QEvent::ActionRemoved) Notify(bar, TBN_DELETINGBUTTON, int(GetCommandId(action)));
      if (type == QEvent::ActionAdded) WatchAction(bar, action);
    } else if ((type == QEvent::Show || type == QEvent::Hide) && watched->isWidgetType()) {
      if (auto* combo = qobject_cast<QComboBox*>(static_cast<QWidget*>(watched)->parentWidget()))
        Command(combo, type == QEvent::Show ? CBN_DROPDOWN : CBN_CLOSEUP);
    }
    return false;
  }
};

void WatchRows(QAbstractItemView* view, bool listBox) {
  QAbstractItemModel* model = view->model();
  if (!model) return;
  QObject::connect(model, &QAbstractItemModel::rowsInserted, view,
                   [view, listBox](const QModelIndex& parent, int first, int last) {
                     QAbstractItemModel* model = view->model();
                     if (parent != view->rootIndex() || !model) return;
                     const bool appended = last == model->rowCount(parent) - 1;
                     for (int row = first; row <= last; ++row) {
                       const QString text = model->index(row, 0, parent).data().toString();
                       if (listBox) {
                         Notice(view, appended ? LB_ADDSTRING : LB_INSERTSTRING, appended ? 0 : WPARAM(row),
                                LPARAM(PtrParam(&text)));
                       } else {
                         LVITEM item{LVIF_TEXT, row, 0, text};
                         Notice(view, LVM_INSERTITEMA, 0, LPARAM(PtrParam(&item)));
                       }
                     }
                   });
}

}  // namespace

QList<QAction*> ToolBarButtons(const QToolBar* bar) {
  QList<QAction*> buttons;
  for (QAction* a : bar->actions())
    if (a->isVisible()) buttons.append(a);
  return buttons;
}

QList<QWidget*> StatusBarParts(const QStatusBar* bar) {
  QList<QWidget*> parts;
  for (QObject* o : bar->children())
    if (auto* w = qobject_cast<QWidget*>(o); w && !w->isWindow() && w->isVisible() && !qobject_cast<QSizeGrip*>(w))
      parts.append(w);
  std::sort(parts.begin(), parts.end(), [](QWidget* a, QWidget* b) { return a->x() < b->x(); });
  return parts;
}

namespace detail {

const Icon* WindowIcon(QWidget* window, unsigned which) {
  const QIcon source = IsApplicationWindow(window) ? QApplication::windowIcon() : window->windowIcon();
  return IconFor(window, source, which);
}

bool ControlDefault(QWidget* w, Message& m) {
  if (auto* b = qobject_cast<QAbstractButton*>(w); b && m.Msg >= BM_GETCHECK && m.Msg <= BM_SETIMAGE)
    return Button(b, m);
  if (auto* l = qobject_cast<QLabel*>(w)) return Static(l, m) || Common(w, m);
  if (auto* c = qobject_cast<QComboBox*>(w); c && m.Msg >= CB_ADDSTRING && m.Msg <= CB_GETDROPPEDSTATE)
    return Combo(c, m);
  if (auto* l = qobject_cast<QListWidget*>(w); l && m.Msg >= LB_ADDSTRING && m.Msg <= LB_GETITEMHEIGHT)
    return List(l, m);
  if (m.Msg >= TCM_GETIMAGELIST && m.Msg <= TCM_GETROWCOUNT) {
    if (auto* pages = qobject_cast<QTabWidget*>(w)) return Tabs(w, pages->tabBar(), m);
    if (auto* bar = qobject_cast<QTabBar*>(w)) return Tabs(w, bar, m);
  }
  if (auto* t = qobject_cast<QToolBar*>(w); t && ToolBar(t, m)) return true;
  if (auto* s = qobject_cast<QStatusBar*>(w); s && Status(s, m)) return true;
  if (auto* h = qobject_cast<QHeaderView*>(w); h && m.Msg >= HDM_GETITEMCOUNT && m.Msg <= HDM_ORDERTOINDEX)
    return Header(h, m);
  if (auto* v = qobject_cast<QAbstractItemView*>(w); v && m.Msg >= LVM_GETBKCOLOR && m.Msg <= TVM_GETTEXTCOLOR)
    return ItemView(v, m);
  return Common(w, m);
}

void WatchControl(QWidget* w) {
  if (w->property("_win_watched").toBool()) return;
  w->setProperty("_win_watched", true);
  if (auto* b = qobject_cast<QAbstractButton*>(w)) {
    QObject::connect(b, &QAbstractButton::pressed, b, [b] { Notice(b, BM_SETSTATE, 1); });
    QObject::connect(b, &QAbstractButton::released, b, [b] { Notice(b, BM_SETSTATE, 0); });
    QObject::connect(b, &QAbstractButton::clicked, b, [b] { Command(b, BN_CLICKED); });
    if (auto* box = qobject_cast<QCheckBox*>(b))
      QObject::connect(box, &QCheckBox::stateChanged, box, [box](int state) {
        Notice(box, BM_SETCHECK, state == Qt::PartiallyChecked ? BST_INDETERMINATE
                                 : state == Qt::Checked        ? BST_CHECKED
                                                               : BST_UNCHECKED);
      });
    else
      QObject::connect(b, &QAbstractButton::toggled, b,
                       [b](bool on) { Notice(b, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED); });
  } else if (auto* c = qobject_cast<QComboBox*>(w)) {
    QObject::connect(c, &QComboBox::currentIndexChanged, c, [c] { Command(c, CBN_SELCHANGE); });
    if (QWidget* list = c->view()->window(); list != c->window()) list->installEventFilter(Watcher::Instance());
  } else if (auto* pages = qobject_cast<QTabWidget*>(w)) {
    QObject::connect(pages, &QTabWidget::currentChanged, pages, [pages](int index) {
      Notice(pages, TCM_SETCURSEL, WPARAM(index));
      Notify(pages, TCN_SELCHANGE);
    });
  } else if (auto* bar = qobject_cast<QTabBar*>(w); bar && !qobject_cast<QTabWidget*>(bar->parentWidget())) {
    QObject::connect(bar, &QTabBar::currentChanged, bar, [bar](int index) {
      Notice(bar, TCM_SETCURSEL, WPARAM(index));
      Notify(bar, TCN_SELCHANGE);
    });
  } else if (auto* list = qobject_cast<QListWidget*>(w)) {
    WatchRows(list, true);
    QObject::connect(list, &QListWidget::currentRowChanged, list,
                     [list](int row) { Notice(list, LB_SETCURSEL, WPARAM(row)); });
  } else if (auto* view = qobject_cast<QListView*>(w)) {
    WatchRows(view, false);
  } else if (auto* tools = qobject_cast<QToolBar*>(w)) {
    Watcher* watcher = Watcher::Instance();
    tools->installEventFilter(watcher);
    for (QAction* a : tools->actions()) watcher->WatchAction(tools, a);
  }
}

}  // namespace detail

}  // namespace platform
