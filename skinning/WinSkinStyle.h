// The style of a skin: one QProxyStyle per TSkinData, put on the widgets
// that paint through a style (popup menus, tool bars, and the controls
// whose painters draw through it: tabs, sliders, spin and combo boxes,
// scroll bars and headers), so that what is painted and where Qt's input
// logic hits agree. What it declines its base style (the application's
// kind) draws; a control is drawn by its painter only while the painter is
// active.
#pragma once

#include "skinning/WinSkinData.h"

#include <QPointer>
#include <QProxyStyle>

namespace skinning {

class TSkinStyle : public QProxyStyle {
 public:
  explicit TSkinStyle(TSkinData* skinData);

  TSkinData* SkinData() const { return skinData_; }

  int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override;
  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;
  void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget) const override;
  QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& contents,
                         const QWidget* widget) const override;
  void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                          const QWidget* widget) const override;
  QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl part,
                       const QWidget* widget) const override;
  SubControl hitTestComplexControl(ComplexControl control, const QStyleOptionComplex* option, const QPoint& pos,
                                   const QWidget* widget) const override;

 private:
  bool DrawMenuBackground(QPainter* painter, const QWidget* widget) const;
  bool DrawMenuItem(const QStyleOption* option, QPainter* painter, const QWidget* widget) const;
  bool DrawToolPanel(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const;

  QPointer<TSkinData> skinData_;
};

}  // namespace skinning
