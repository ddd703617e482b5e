// The control gallery with what the scroll-bar, header and container
// painters and the control walk need besides: an item view with a column
// header, lone scroll bars, a scroll box, button-style tabs, a size grip,
// a radio group and one tagged DisableTag (for the tests and the
// screenshot).
#pragma once

#include "ControlGallery.h"

#include <QScrollArea>
#include <QScrollBar>
#include <QSizeGrip>
#include <QTreeWidget>

namespace gallery {

class WalkGallery : public ControlGallery {
 public:
  WalkGallery();

  QTreeWidget* tree;
  QTabWidget* buttonTabs;  // "Style" = "tsButtons"
  QGroupBox* tagged;       // Tag 99; its buttons keep their own Tags 3 and 4
  QRadioButton *taggedA, *taggedB;
  QGroupBox* radioGroup;  // radio buttons and a label
  QRadioButton* groupRadio;
  QLabel* groupLabel;
  QScrollArea* scrollBox;
  QPushButton* inBox;  // inside the scroll box
  QScrollBar *bar, *horzBar;
  QSizeGrip* grip;
};

}  // namespace gallery
