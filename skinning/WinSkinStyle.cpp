#include "skinning/WinSkinStyle.h"

#include "platform/Canvas.h"
#include "skinning/WinSkinManage.h"
#include "skinning/WinSkinMenu.h"

#include <QMenu>
#include <QPainter>
#include <QStyleOption>
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

bool OnToolBar(const QWidget* widget) {
  return qobject_cast<const QToolButton*>(widget) && qobject_cast<const QToolBar*>(widget->parentWidget());
}

}  // namespace

TSkinStyle::TSkinStyle(TSkinData* skinData) : skinData_(skinData) {}

int TSkinStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const {
  if (metric == PM_MenuPanelWidth)
    if (const TWinSkinPopMenu* popup = PopupOf(widget); popup && popup->Skinned()) return kMenuFrame;
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
  const QSize standard = QProxyStyle::sizeFromContents(type, option, contents, widget);
  const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
  const auto* menu = qobject_cast<const QMenu*>(widget);
  if (type != CT_MenuItem || !item || !menu || !skinData_ || skinData_->NoSkin()) return standard;
  const TSkinMenuItem skinItem = MenuItemFromOption(*item, menu);
  int height = standard.height();
  // A menu-bar drop-down is measured the standard way first; other menus
  // (context menus, the system menu) start from their contents, the text,
  // and the column of the menu's images.
  const TWinSkinPopMenu* popup = PopupOf(widget);
  if (popup && popup->MenuMode() == TSkinManage::kMenuBarDropDown) {
    int width = standard.width();
    MeasureSkinMenuItem(*skinData_, skinItem, width, height);
    return {width, height};
  }
  int width = contents.width() + skinItem.ImagesWidth;
  MeasureSkinMenuItem2(*skinData_, skinItem, width, height);
  return {width, height};
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
