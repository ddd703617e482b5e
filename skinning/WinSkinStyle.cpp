#include "skinning/WinSkinStyle.h"

#include "platform/Canvas.h"
#include "platform/Colors.h"
#include "skinning/WinSkinManage.h"
#include "skinning/WinSkinMenu.h"
#include "skinning/WinSubClassContainers.h"
#include "skinning/WinSubClassStyled.h"

#include <QDateTimeEdit>
#include <QScrollBar>
#include <QMenu>
#include <QPainter>
#include <QStyleOption>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>

using namespace platform;

namespace skinning {

namespace {

TWinSkinPopMenu* PopupOf(const QWidget* widget) {
  const TSkinManage* manager = SkinManage();
  return manager && widget ? manager->FindPopup(widget) : nullptr;
}

TRect ToTRect(const QRect& r) { return Bounds(r.x(), r.y(), r.width(), r.height()); }

// A tool button's state in the terms of the tool-bar routines.
unsigned ToolButtonState(const QStyleOption& option) {
  const QStyle::State s = option.state;
  if (s & (QStyle::State_Sunken | QStyle::State_On)) return tbsSelected;
  if (s & (QStyle::State_MouseOver | QStyle::State_HasFocus)) return tbsHot;
  if (!(s & QStyle::State_Enabled)) return tbsDisabled;
  return tbsDefault;
}

// The form kind of the form a tool button sits on.
int FormKindOf(const QWidget* widget) {
  const TSkinManage* manager = SkinManage();
  const TSkinFormObject* form = manager && widget ? manager->FindForm(widget->window()) : nullptr;
  return form ? form->FormKind() : -1;
}

// The painter of class T drawing `widget`, or nullptr.
template <class T>
T* PainterOf(const QWidget* widget) {
  T* painter = widget ? FindSkinControl<T>(widget) : nullptr;
  return painter && painter->Drawing() ? painter : nullptr;
}

// The tab painter of a tab bar's scroll button.
TSkinTab* ScrollerTabs(const QWidget* widget) {
  return qobject_cast<const QToolButton*>(widget) && qobject_cast<const QTabBar*>(widget->parentWidget())
             ? PainterOf<TSkinTab>(widget->parentWidget())
             : nullptr;
}

// The painter drawing the scroll bar `widget`, or nullptr.
TSkinScrollbar* BarPainter(const QWidget* widget) {
  const auto* bar = qobject_cast<const QScrollBar*>(widget);
  TSkinScrollbar* painter = bar ? FindSkinControl<TSkinScrollbar>(bar) : nullptr;
  return painter && painter->Draws(bar) ? painter : nullptr;
}

bool OnToolBar(const QWidget* widget) {
  return qobject_cast<const QToolButton*>(widget) && qobject_cast<const QToolBar*>(widget->parentWidget());
}

}  // namespace

TSkinStyle::TSkinStyle(TSkinData* skinData) : skinData_(skinData) {}

int TSkinStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const {
  if (metric == PM_MenuPanelWidth)
    if (const TWinSkinPopMenu* popup = PopupOf(widget); popup && popup->Skinned()) return kMenuFrame;
  if (metric == PM_ScrollBarExtent && BarPainter(widget)) return GetSystemMetrics(SM_CXVSCROLL);
  return QProxyStyle::pixelMetric(metric, option, widget);
}

void TSkinStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                               const QWidget* widget) const {
  switch (element) {
    case PE_PanelMenu:
    case PE_FrameMenu:
      if (DrawMenuBackground(painter, widget)) return;
      break;
    case PE_PanelToolBar:
    case PE_PanelButtonTool:
      if (DrawToolPanel(element, option, painter, widget)) return;
      break;
    case PE_FrameTabWidget:
      if (TSkinTab* tabs = PainterOf<TSkinTab>(widget); tabs && tabs->DrawPane(*option, painter)) return;
      break;
    case PE_FrameTabBarBase:
      if (TSkinTabBtn* buttons = PainterOf<TSkinTabBtn>(widget); buttons && buttons->Draws()) return;
      if (TSkinTab* tabs = PainterOf<TSkinTab>(widget); tabs && !tabs->TabImage.Empty()) return;
      break;
    default:
      break;
  }
  QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void TSkinStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                             const QWidget* widget) const {
  switch (element) {
    case CE_MenuEmptyArea:
      if (DrawMenuBackground(painter, widget)) return;
      break;
    case CE_MenuItem:
      if (DrawMenuItem(option, painter, widget)) return;
      break;
    case CE_HeaderSection:
    case CE_HeaderLabel:
      if (const auto* header = qstyleoption_cast<const QStyleOptionHeader*>(option))
        if (TSkinHeader* p = PainterOf<TSkinHeader>(widget);
            p && (element == CE_HeaderSection ? p->DrawSection(*header, painter) : p->DrawLabel(*header, painter)))
          return;
      break;
    case CE_HeaderEmptyArea:
      if (TSkinHeader* p = PainterOf<TSkinHeader>(widget); p && p->DrawEmptyArea(option->rect, painter)) return;
      break;
    case CE_TabBarTab:
      if (const auto* tab = qstyleoption_cast<const QStyleOptionTab*>(option))
        if (auto* bar = qobject_cast<const QTabBar*>(widget)) {
          if (TSkinTabBtn* buttons = PainterOf<TSkinTabBtn>(bar); buttons && buttons->DrawTab(*tab, painter)) return;
          if (TSkinTab* tabs = PainterOf<TSkinTab>(bar); tabs && tabs->DrawTab(*tab, painter, bar)) return;
        }
      break;
    case CE_ToolButtonLabel:
      if (skinData_ && OnToolBar(widget)) {
        const int frame = ToolBarButtonFrame(*skinData_, FormKindOf(widget), ToolButtonState(*option));
        const TColor colour = ToolBarButtonFontColour(*skinData_, frame);
        const auto* tool = qstyleoption_cast<const QStyleOptionToolButton*>(option);
        if (frame && colour != clNone && tool) {
          QStyleOptionToolButton label = *tool;
          for (QPalette::ColorRole role : {QPalette::ButtonText, QPalette::WindowText})
            label.palette.setColor(role, ToQColor(colour));
          QProxyStyle::drawControl(element, &label, painter, widget);
          return;
        }
      }
      break;
    default:
      break;
  }
  QProxyStyle::drawControl(element, option, painter, widget);
}

QSize TSkinStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& contents,
                                   const QWidget* widget) const {
  QSize standard = QProxyStyle::sizeFromContents(type, option, contents, widget);
  if (type == CT_TabBarTab) {
    const auto* tab = qstyleoption_cast<const QStyleOptionTab*>(option);
    if (TSkinTab* tabs = PainterOf<TSkinTab>(widget); tabs && tab && tab->shape == QTabBar::RoundedNorth)
      standard.rwidth() += tabs->CloseBoxWidth();
    return standard;
  }
  const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
  const auto* menu = qobject_cast<const QMenu*>(widget);
  if (type != CT_MenuItem || !item || !menu || !skinData_ || skinData_->NoSkin()) return standard;
  const TSkinMenuItem skinItem = MenuItemFromOption(*item, menu);
  // A separator is as high as a standard menu's, room for the skin's line.
  int height = item->menuItemType == QStyleOptionMenuItem::Separator ? MenuSeparatorHeight() : standard.height();
  // A menu-bar drop-down is measured the standard way first; other menus
  // (context menus, the system menu) start from their contents, the text,
  // and the column of the menu's images, and an item with a shortcut from
  // the gap before it (Qt adds the widest shortcut to the menu's column).
  const TWinSkinPopMenu* popup = PopupOf(widget);
  if (popup && popup->MenuMode() == TSkinManage::kMenuBarDropDown) {
    int width = standard.width();
    MeasureSkinMenuItem(*skinData_, skinItem, width, height);
    return {width, height};
  }
  int width = contents.width() + skinItem.ImagesWidth;
  if (item->text.contains(u'\t')) width += kMenuShortCutGap;
  MeasureSkinMenuItem2(*skinData_, skinItem, width, height);
  return {width, height};
}

void TSkinStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                                    const QWidget* widget) const {
  switch (control) {
    case CC_ScrollBar:
      if (const auto* slider = qstyleoption_cast<const QStyleOptionSlider*>(option))
        if (TSkinScrollbar* bars = BarPainter(widget);
            bars && bars->DrawBar(*slider, painter, static_cast<const QScrollBar*>(widget)))
          return;
      break;
    case CC_Slider:
      if (const auto* slider = qstyleoption_cast<const QStyleOptionSlider*>(option))
        if (TSkinTrackBar* track = PainterOf<TSkinTrackBar>(widget)) {
          if (slider->subControls & SC_SliderTickmarks) {
            QStyleOptionSlider ticks = *slider;
            ticks.subControls = SC_SliderTickmarks;
            QProxyStyle::drawComplexControl(control, &ticks, painter, widget);
          }
          track->DrawSlider(*slider, painter, subControlRect(control, option, SC_SliderGroove, widget),
                            subControlRect(control, option, SC_SliderHandle, widget));
          return;
        }
      break;
    case CC_SpinBox:
      if (const auto* spin = qstyleoption_cast<const QStyleOptionSpinBox*>(option))
        if (TSkinUpDown* upDown = PainterOf<TSkinUpDown>(widget)) {
          QStyleOptionSpinBox rest = *spin;
          rest.subControls &= ~(SC_SpinBoxUp | SC_SpinBoxDown);
          QProxyStyle::drawComplexControl(control, &rest, painter, widget);
          upDown->DrawButtons(*spin, painter, QProxyStyle::subControlRect(control, option, SC_SpinBoxUp, widget),
                              QProxyStyle::subControlRect(control, option, SC_SpinBoxDown, widget));
          return;
        }
      break;
    case CC_ComboBox:
      if (const auto* combo = qstyleoption_cast<const QStyleOptionComboBox*>(option)) {
        if (TSkinDateTime* date = PainterOf<TSkinDateTime>(widget)) {
          QStyleOptionComboBox rest = *combo;
          rest.subControls &= ~SC_ComboBoxArrow;
          QProxyStyle::drawComplexControl(control, &rest, painter, widget);
          if (!date->DrawArrow(*combo, painter)) break;
          return;
        }
        if (TSkinComBox* box = PainterOf<TSkinComBox>(widget); box && box->DrawCombo(*combo, painter)) return;
      }
      break;
    case CC_ToolButton:
      if (const auto* tool = qstyleoption_cast<const QStyleOptionToolButton*>(option))
        if (TSkinTab* tabs = ScrollerTabs(widget); tabs && tabs->DrawScrollButton(*tool, painter)) return;
      break;
    default:
      break;
  }
  QProxyStyle::drawComplexControl(control, option, painter, widget);
}

QRect TSkinStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl part,
                                 const QWidget* widget) const {
  if (control == CC_SpinBox && (part == SC_SpinBoxUp || part == SC_SpinBoxDown))
    if (const auto* spin = qstyleoption_cast<const QStyleOptionSpinBox*>(option))
      if (TSkinUpDown* upDown = PainterOf<TSkinUpDown>(widget))
        if (auto r = upDown->HalfRect(*spin, part == SC_SpinBoxUp,
                                      QProxyStyle::subControlRect(control, option, SC_SpinBoxUp, widget),
                                      QProxyStyle::subControlRect(control, option, SC_SpinBoxDown, widget)))
          return *r;
  if (control == CC_ScrollBar)
    if (const auto* slider = qstyleoption_cast<const QStyleOptionSlider*>(option))
      if (TSkinScrollbar* bars = BarPainter(widget))
        return ScrollBarPartRect(bars->Layout(*slider, static_cast<const QScrollBar*>(widget)), slider->rect,
                                 slider->orientation == Qt::Horizontal, part);
  if (control == CC_ComboBox) {
    const bool rtl = option->direction == Qt::RightToLeft;
    if (PainterOf<TSkinDateTime>(widget) && part == SC_ComboBoxArrow) return TSkinDateTime::ArrowRect(option->rect, rtl);
    if (TSkinComBox* box = PainterOf<TSkinComBox>(widget); box && box->Drawn() &&
                                                            (part == SC_ComboBoxArrow || part == SC_ComboBoxEditField)) {
      const TSkinComBox::Layout l = box->LayoutFor(option->rect, rtl);
      const TRect& r = part == SC_ComboBoxArrow ? l.Button : l.Field;
      return {r.Left, r.Top, r.Width(), r.Height()};
    }
  }
  return QProxyStyle::subControlRect(control, option, part, widget);
}

QStyle::SubControl TSkinStyle::hitTestComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                                     const QPoint& pos, const QWidget* widget) const {
  if (control == CC_ScrollBar)
    if (const auto* slider = qstyleoption_cast<const QStyleOptionSlider*>(option))
      if (TSkinScrollbar* bars = BarPainter(widget)) {
        if (!slider->rect.contains(pos)) return SC_None;
        const bool horizontal = slider->orientation == Qt::Horizontal;
        const QPoint at = pos - slider->rect.topLeft();
        return ScrollBarSubControl(
            bars->Layout(*slider, static_cast<const QScrollBar*>(widget)).HitTest(horizontal ? at.x() : at.y()));
      }
  return QProxyStyle::hitTestComplexControl(control, option, pos, widget);
}

bool TSkinStyle::DrawMenuBackground(QPainter* painter, const QWidget* widget) const {
  TWinSkinPopMenu* popup = PopupOf(widget);
  if (!popup || !popup->Skinned()) return false;
  const Bitmap& background = popup->Background();
  if (background.Empty()) return false;
  painter->drawImage(0, 0, background.OpaqueImage());
  return true;
}

bool TSkinStyle::DrawMenuItem(const QStyleOption* option, QPainter* painter, const QWidget* widget) const {
  const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
  const auto* menu = qobject_cast<const QMenu*>(widget);
  if (!item || !menu || !skinData_ || skinData_->NoSkin()) return false;
  const TSkinMenuItem skinItem = MenuItemFromOption(*item, menu);
  const bool selected = item->state & State_Selected;
  {
    Canvas canvas(*painter);
    DrawSkinPopupItem(*skinData_, skinItem, canvas, selected, ToTRect(item->rect));
  }
  if (skinItem.HasSubMenu) {
    // The base style's arrow at the item's far end, in the text's colour.
    QStyleOptionMenuItem arrow = *item;
    const int size = pixelMetric(PM_MenuButtonIndicator, item, widget);
    const int x = skinItem.RightToLeft ? item->rect.left() + 4 : item->rect.right() - 4 - size;
    arrow.rect = QRect(x, item->rect.top(), size, item->rect.height());
    const TSkinColours& colours = skinData_->Model().Colours;
    const QColor colour = ToQColor(colours[!skinItem.Enabled ? scButtonShadow : selected ? scHilightText : scMenuText]);
    for (QPalette::ColorRole role : {QPalette::ButtonText, QPalette::WindowText, QPalette::Text, QPalette::HighlightedText})
      arrow.palette.setColor(role, colour);
    arrow.state &= ~State_Selected;
    baseStyle()->drawPrimitive(skinItem.RightToLeft ? PE_IndicatorArrowLeft : PE_IndicatorArrowRight, &arrow,
                               painter, widget);
  }
  return true;
}

bool TSkinStyle::DrawToolPanel(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                               const QWidget* widget) const {
  if (!skinData_ || skinData_->NoSkin()) return false;
  Canvas canvas(*painter);
  if (element == PE_PanelToolBar)
    return qobject_cast<const QToolBar*>(widget) && DrawToolBarBackground(*skinData_, canvas, ToTRect(option->rect));
  return OnToolBar(widget) &&
         DrawToolBarButton(*skinData_, FormKindOf(widget), canvas, ToTRect(option->rect), ToolButtonState(*option));
}

}  // namespace skinning
