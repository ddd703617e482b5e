#include "ControlGallery.h"
#include "TestSkins.h"

#include "platform/WindowTable.h"
#include "skinning/WinSubClassButtons.h"
#include "skinning/WinSubClassPanels.h"
#include "skinning/WinSubClassStyled.h"

#include <QMenu>

using namespace skinning;
using testskins::Ball;

namespace gallery {

namespace {

template <class W, class... A>
W* Make(QWidget* parent, QRect at, A&&... args) {
  auto* w = new W(std::forward<A>(args)..., parent);
  w->setGeometry(at);
  return w;
}

}  // namespace

ControlGallery::ControlGallery() {
  setWindowTitle(QStringLiteral("控件外观"));
  resize(600, 470);
  ok = Make<QPushButton>(this, {10, 10, 100, 30}, QStringLiteral("确定"));
  ok->setDefault(true);
  cancel = Make<QPushButton>(this, {120, 10, 100, 30}, QStringLiteral("取消"));
  disabled = Make<QPushButton>(this, {230, 10, 100, 30}, QStringLiteral("禁用"));
  disabled->setEnabled(false);
  bitButton = Make<QPushButton>(this, {10, 50, 100, 30}, QStringLiteral("走势"));
  bitButton->setIcon(Ball(QColor(226, 48, 56)));
  multiLine = Make<QPushButton>(this, {120, 50, 100, 40}, QStringLiteral("红球||蓝球||和值"));
  menuButton = Make<QPushButton>(this, {230, 50, 100, 30}, QStringLiteral("导出"));
  auto* menu = new QMenu(menuButton);
  menu->addAction(QStringLiteral("图片"));
  menu->addAction(QStringLiteral("文本"));
  menuButton->setMenu(menu);
  speed = Make<QToolButton>(this, {10, 100, 30, 30});
  speed->setIcon(Ball(QColor(60, 120, 220)));
  latched = Make<QToolButton>(this, {45, 100, 30, 30});
  latched->setIcon(Ball(QColor(226, 48, 56)));
  latched->setCheckable(true);
  latched->setChecked(true);
  flat = Make<QToolButton>(this, {80, 100, 30, 30});
  flat->setIcon(Ball(QColor(40, 160, 80)));
  flat->setAutoRaise(true);
  parentPaint = Make<QPushButton>(this, {120, 100, 100, 30}, QStringLiteral("透明"));
  platform::SetTag(parentPaint, kParentPaintTag);

  box = Make<QGroupBox>(this, {340, 10, 250, 125}, QStringLiteral("选项"));
  checked = Make<QCheckBox>(box, {12, 22, 110, 20}, QStringLiteral("红球"));
  checked->setChecked(true);
  unchecked = Make<QCheckBox>(box, {12, 46, 110, 20}, QStringLiteral("蓝球"));
  grayed = Make<QCheckBox>(box, {12, 70, 110, 20}, QStringLiteral("部分"));
  grayed->setTristate(true);
  grayed->setCheckState(Qt::PartiallyChecked);
  checkDisabled = Make<QCheckBox>(box, {12, 94, 110, 20}, QStringLiteral("不可用"));
  checkDisabled->setChecked(true);
  checkDisabled->setEnabled(false);
  radioOn = Make<QRadioButton>(box, {130, 22, 110, 20}, QStringLiteral("和值"));
  radioOn->setChecked(true);
  radioOff = Make<QRadioButton>(box, {130, 46, 110, 20}, QStringLiteral("跨度"));
  radioDisabled = Make<QRadioButton>(box, {130, 70, 110, 20}, QStringLiteral("奇偶"));
  radioDisabled->setEnabled(false);

  tabs = Make<QTabWidget>(this, {10, 145, 320, 130});
  platform::SetTag(tabs, kCloseTabsTag);
  for (const char* name : {"趋势分析", "号码缩水", "参数"}) {
    auto* page = new QWidget;
    auto* label = new QLabel(QStringLiteral("第 %1 页").arg(tabs->count() + 1), page);
    label->move(12, 12);
    tabs->addTab(page, QString::fromUtf8(name));
  }

  panel = Make<QFrame>(this, {340, 145, 250, 130});
  panel->setFrameShape(QFrame::StyledPanel);
  edit = Make<QLineEdit>(panel, {10, 10, 110, 24}, QStringLiteral("01 05 12"));
  frameless = Make<QLineEdit>(panel, {130, 10, 110, 24}, QStringLiteral("无边框"));
  frameless->setFrame(false);
  spin = Make<QSpinBox>(panel, {10, 40, 110, 24});
  spin->setRange(1, 33);
  spin->setValue(7);
  date = Make<QDateTimeEdit>(panel, {130, 40, 110, 24});
  date->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
  date->setDate(QDate(2024, 3, 12));
  date->setCalendarPopup(true);
  combo = Make<QComboBox>(panel, {10, 70, 110, 24});
  combo->addItems({QStringLiteral("红球走势"), QStringLiteral("蓝球走势")});
  editableCombo = Make<QComboBox>(panel, {130, 70, 110, 24});
  editableCombo->setEditable(true);
  editableCombo->addItems({QStringLiteral("30 期"), QStringLiteral("50 期")});

  progress = Make<QProgressBar>(this, {10, 290, 200, 18});
  progress->setValue(40);
  progress->setTextVisible(false);
  progressRange = Make<QProgressBar>(this, {10, 315, 200, 18});
  progressRange->setRange(50, 150);
  progressRange->setValue(100);
  progressRange->setTextVisible(false);
  slider = Make<QSlider>(this, {220, 285, 110, 40}, Qt::Horizontal);
  slider->setTickPosition(QSlider::TicksBelow);
  slider->setRange(0, 10);
  slider->setValue(3);
  memo = Make<QPlainTextEdit>(this, {340, 285, 250, 130});
  memo->setPlainText(QStringLiteral("03 08 15 21 27 32 + 09\n05 11 16 22 28 33 + 14"));

  status = Make<QStatusBar>(this, {0, 440, 600, 26});
  panel1 = new QLabel(QStringLiteral("已登录"));
  panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  panel1->setMinimumWidth(120);
  panel2 = new QLabel(QStringLiteral("2024030 期"));
  panel2->setFrameStyle(QFrame::Panel | QFrame::Raised);
  panel2->setAlignment(Qt::AlignCenter);
  status->addWidget(panel1);
  status->addWidget(panel2, 1);
  status->setSizeGripEnabled(true);
}

void ControlGallery::Hook(TSkinData* data, TSkinFormObject* form) {
  const auto hook = [&](TSkinControl* painter, bool applyColor = false) {
    painter->HookControl(form, data, applyColor);
  };
  hook(new TSkinBox(this), true);
  for (QPushButton* b : {ok, cancel, disabled, multiLine, parentPaint}) hook(new TSkinButton(b));
  hook(new TSkinBitButton(bitButton));
  hook(new TSkinMenuButton(menuButton));
  for (QToolButton* b : {speed, latched, flat}) hook(new TSkinSpeedButton(b));
  hook(new TSkinGroupBox(box));
  for (QCheckBox* c : {checked, unchecked, grayed, checkDisabled}) hook(new TSkinCheckBox(c));
  for (QRadioButton* r : {radioOn, radioOff, radioDisabled}) hook(new TSkinRadioButton(r));
  hook(new TSkinTab(tabs));
  hook(new TSkinBox(panel), true);
  for (QWidget* e : {static_cast<QWidget*>(edit), static_cast<QWidget*>(frameless), static_cast<QWidget*>(spin),
                     static_cast<QWidget*>(memo)})
    hook(new TSkinEdit(e));
  hook(new TSkinDateTime(date));
  for (QComboBox* c : {combo, editableCombo}) hook(new TSkinComBox(c));
  for (QProgressBar* p : {progress, progressRange}) hook(new TSkinProgress(p));
  hook(new TSkinTrackBar(slider));
  hook(new TSkinStatusBar(status));
}

std::vector<TSkinControl*> ControlGallery::Painters() const {
  std::vector<TSkinControl*> all;
  for (QWidget* w : findChildren<QWidget*>())
    for (TSkinControl* p : FindSkinControls(w))
      if (p->Control == w) all.push_back(p);
  for (TSkinControl* p : FindSkinControls(this)) all.push_back(p);
  return all;
}

}  // namespace gallery
