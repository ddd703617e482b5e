// The form skinner's control walk over the gallery: the painter each
// control gets, the gates and the class map, walking again, controls made
// later, a control that throws, and giving everything back.
#include "TestSkins.h"
#include "WalkGallery.h"

#include "platform/WindowTable.h"
#include "skinning/WinSkinFormWalk.h"
#include "skinning/WinSkinStyle.h"
#include "skinning/WinSubClassButtons.h"
#include "skinning/WinSubClassContainers.h"
#include "skinning/WinSubClassPanels.h"
#include "skinning/WinSubClassStyled.h"
#include "tools/skin/ProgramSkin.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QMainWindow>
#include <QMenuBar>
#include <QToolBar>

#include <gtest/gtest.h>

#include <stdexcept>
#include <typeindex>

using namespace platform;
using namespace skinning;

namespace {

std::unique_ptr<TSkinData> ProgramSkin() {
  auto data = std::make_unique<TSkinData>();
  EXPECT_TRUE(data->LoadSkinStream(testskins::Streamed(skinwriter::SkinFileBytes(skinwriter::MakeProgramSkin()))));
  return data;
}

// The form skinner on `form`, activated (which walks the controls).
std::unique_ptr<TWinSkinForm> Skin(QWidget* form, TSkinData* data) {
  auto skinner = std::make_unique<TWinSkinForm>();
  skinner->SetWindow(form, 0, GetClassName(form));
  skinner->AttachForm(data, form);
  SendMessage(form, SKIN_START, 0, kSkinStartParam);
  return skinner;
}

// The class of the painter serving the widget (void for none): the first
// the walk made for it as a control, or one drawing it as an inner part.
std::type_index PainterType(const TWinSkinForm& skinner, const QWidget* w) {
  for (TSkinControl* p : skinner.Controls())
    if (p->Control == w) return typeid(*p);
  const std::vector<TSkinControl*> painters = FindSkinControls(w);
  return painters.empty() ? std::type_index(typeid(void)) : std::type_index(typeid(*painters.front()));
}

using Pick = QWidget* (*)(const gallery::WalkGallery&);

}  // namespace

TEST(ControlWalk, EachControlGetsItsPainter) {
  auto data = ProgramSkin();
  gallery::WalkGallery g;
  g.show();
  // The manager makes the form skinner; its start walks the controls.
  struct Manager {
    ~Manager() { FreeSkinManage(); }
    TSkinManage& m = CreateSkinManage();
  } manager;
  manager.m.RegisterSkinData(data.get());
  manager.m.SetEnabled(true);
  ASSERT_TRUE(manager.m.AddForm(&g));
  auto* skinner = dynamic_cast<TWinSkinForm*>(manager.m.FindForm(&g));
  ASSERT_TRUE(skinner);
  QApplication::processEvents();
  struct Row {
    const QWidget* widget;
    std::type_index painter;
  };
  const Row rows[] = {
      {g.ok, typeid(TSkinButton)},           {g.bitButton, typeid(TSkinBitButton)},
      {g.menuButton, typeid(TSkinMenuButton)}, {g.speed, typeid(TSkinSpeedButton)},
      {g.box, typeid(TSkinGroupBox)},         {g.checked, typeid(TSkinCheckBox)},
      {g.radioOn, typeid(TSkinRadioButton)},  {g.tabs, typeid(TSkinTab)},
      {g.tabs->widget(0), typeid(TSkinTabSheet)}, {g.panel, typeid(TSkinBox)},
      {g.edit, typeid(TSkinEdit)},            {g.spin, typeid(TSkinEdit)},
      {g.date, typeid(TSkinDateTime)},        {g.combo, typeid(TSkinComBox)},
      {g.combo->view()->verticalScrollBar(), typeid(TComboxScrollBar)},
      {g.progress, typeid(TSkinProgress)},    {g.slider, typeid(TSkinTrackBar)},
      {g.memo, typeid(TSkinScrollbar)},       {g.status, typeid(TSkinStatusBar)},
      {g.panel1, typeid(void)},               {g.tree, typeid(TSkinListView)},
      {g.tree->header(), typeid(TSkinHeader)}, {g.buttonTabs, typeid(TSkinTabBtn)},
      {g.scrollBox, typeid(TSkinScControl)},  {g.inBox, typeid(TSkinButton)},
      {g.bar, typeid(TSkinScrollbar)},        {g.grip, typeid(TSkinSizer)},
      {g.radioGroup, typeid(TSkinGroupBox)},  {g.groupRadio, typeid(TSkinRadioButton)},
      {g.groupLabel, typeid(void)},           {g.tagged, typeid(void)},
      {g.taggedA, typeid(void)},              {g.taggedB, typeid(void)},
  };
  for (const Row& r : rows)
    EXPECT_EQ(PainterType(*skinner, r.widget), r.painter) << qPrintable(GetClassName(r.widget));
  // The tagged group's buttons are skipped with their own Tags kept.
  EXPECT_EQ(GetTag(g.taggedA), 3);
  EXPECT_EQ(GetTag(g.taggedB), 4);
  EXPECT_EQ(GetControlColor(&g), data->Model().Colours[scButtonFace]);
}

TEST(ControlWalk, GatesAndTheClassMap) {
  auto data = ProgramSkin();
  struct Case {
    TSkinControlTypes off;
    QString line;
    Pick widget;
    std::type_index painter;
  };
  const Pick bitButton = [](const gallery::WalkGallery& g) -> QWidget* { return g.bitButton; };
  const Pick combo = [](const gallery::WalkGallery& g) -> QWidget* { return g.combo; };
  const Pick box = [](const gallery::WalkGallery& g) -> QWidget* { return g.box; };
  const Case cases[] = {
      {{xcBitBtn}, {}, bitButton, typeid(void)},
      {{xcBitBtn}, QStringLiteral("TBitBtn=bitbtn"), bitButton, typeid(TSkinBitButton)},
      {{xcButton}, QStringLiteral("TBitBtn=bitbtn"), bitButton, typeid(void)},
      {{xcButton}, {}, bitButton, typeid(TSkinBitButton)},
      // "nil": the panel and everything in it are left alone.
      {{}, QStringLiteral("TPanel=nil"), [](const gallery::WalkGallery& g) -> QWidget* { return g.panel; }, typeid(void)},
      {{}, QStringLiteral("tpanel=Nil"), [](const gallery::WalkGallery& g) -> QWidget* { return g.edit; }, typeid(void)},
      {{}, QStringLiteral("TPanel=nil"), [](const gallery::WalkGallery& g) -> QWidget* { return g.ok; },
       typeid(TSkinButton)},
      {{xcTab}, {}, [](const gallery::WalkGallery& g) -> QWidget* { return g.tabs; }, typeid(void)},
      // A kind switched off leaves the control alone: no class rule after it.
      {{}, QStringLiteral("TComboBox=combobox"), combo, typeid(TSkinComBox)},
      {{xcCombo}, QStringLiteral("TComboBox=combobox"), combo, typeid(void)},
      {{}, QStringLiteral("TGroupBox=radiogroup"), box, typeid(TSkinGroupBox)},
      {{xcGroupBox}, QStringLiteral("TGroupBox=radiogroup"), box, typeid(void)},
  };
  for (const Case& c : cases) {
    TSkinControlTypes kinds = DefaultSkinControls();
    for (int k = 0; k <= xcFastReport; ++k)
      if (c.off.Has(TSkinControlType(k))) kinds.Exclude(TSkinControlType(k));
    data->SkinControls = kinds;
    data->SetSkin3rd(c.line.isEmpty() ? DefaultSkin3rd() : DefaultSkin3rd() << c.line);
    gallery::WalkGallery g;
    const auto skinner = Skin(&g, data.get());
    EXPECT_EQ(PainterType(*skinner, c.widget(g)), c.painter) << qPrintable(c.line) << " " << c.off.Bits();
  }
}

TEST(ControlWalk, WalkingAgainLaterControlsAndAThrowingControl) {
  auto data = ProgramSkin();
  gallery::WalkGallery g;
  g.show();
  data->OnSkinControl = [&](QObject*, TSkinData*, QWidget*, QWidget* control, const QString&, QObject*&) {
    if (control == g.cancel) throw std::runtime_error("no painter for this one");
  };
  const auto skinner = Skin(&g, data.get());
  EXPECT_EQ(PainterType(*skinner, g.cancel), typeid(void));
  EXPECT_EQ(PainterType(*skinner, g.disabled), typeid(TSkinButton));
  const size_t painters = skinner->Controls().size();
  const QPointer<TSkinControl> okPainter = FindSkinControl<TSkinButton>(g.ok);
  skinner->RescanControls(&g);
  EXPECT_EQ(skinner->Controls().size(), painters);
  EXPECT_EQ(FindSkinControls(g.ok).size(), 1u);
  EXPECT_TRUE(okPainter);

  for (int i = 0; i < 2; ++i) {
    auto* later = new QPushButton(QStringLiteral("后加"), g.panel);
    later->setGeometry(10 + 90 * i, 100, 80, 24);
    later->show();
    QApplication::processEvents();
    EXPECT_EQ(PainterType(*skinner, later), typeid(TSkinButton)) << i;
  }
  EXPECT_EQ(skinner->Controls().size(), painters + 2);
}

TEST(ControlWalk, StandardDialogsByClassName) {
  auto data = ProgramSkin();
  for (bool choice : {false, true}) {
    QInputDialog dialog;
    dialog.setLabelText(QStringLiteral("期数"));
    if (choice) dialog.setComboBoxItems({QStringLiteral("30"), QStringLiteral("50")});
    dialog.show();
    auto* buttons = dialog.findChild<QDialogButtonBox*>();
    QPushButton* cancel = buttons->button(QDialogButtonBox::Cancel);
    SetWindowLong(cancel, GWL_STYLE, GetWindowLong(cancel, GWL_STYLE) | BS_OWNERDRAW);
    const auto skinner = Skin(&dialog, data.get());
    ASSERT_TRUE(skinner->IsDialog);
    EXPECT_EQ(PainterType(*skinner, &dialog), typeid(TSkinBoxH));
    QWidget* field = choice ? static_cast<QWidget*>(dialog.findChild<QComboBox*>())
                            : static_cast<QWidget*>(dialog.findChild<QLineEdit*>());
    EXPECT_EQ(PainterType(*skinner, field), choice ? std::type_index(typeid(TSkinComBox)) : typeid(TSkinEdit));
    EXPECT_EQ(PainterType(*skinner, buttons->button(QDialogButtonBox::Ok)), typeid(TSkinButton));
    EXPECT_EQ(PainterType(*skinner, cancel), typeid(void));  // owner-drawn
  }
}

TEST(ControlWalk, MenusAndToolBarsTakeTheStyleAndGiveItBack) {
  auto data = ProgramSkin();
  QStyle* standard = QApplication::style();
  QStyle* skin = data->Style();
  for (bool menuItems : {false, true}) {
    if (menuItems) data->SkinControls.Include(xcMenuItem);
    QMainWindow form;
    SetControlColor(&form, clYellow);
    QMenu* file = form.menuBar()->addMenu(QStringLiteral("文件"));
    QMenu* recent = file->addMenu(QStringLiteral("最近"));
    auto* popup = new QMenu(&form);
    auto* taggedPopup = new QMenu(&form);
    SetTag(taggedPopup, 99);
    QToolBar* bar = form.addToolBar(QStringLiteral("工具"));
    auto* exportMenu = new QMenu(&form);
    bar->addAction(QStringLiteral("导出"))->setMenu(exportMenu);
    auto* listed = new QTreeWidget;
    form.setCentralWidget(listed);
    form.show();
    auto skinner = Skin(&form, data.get());
    // The menu bar's drop-downs with xcMenuItem only; popup menus not tagged.
    for (QWidget* w : {static_cast<QWidget*>(file), static_cast<QWidget*>(recent)})
      EXPECT_EQ(w->style(), menuItems ? skin : standard) << menuItems;
    for (QWidget* w : {static_cast<QWidget*>(popup), static_cast<QWidget*>(bar), static_cast<QWidget*>(exportMenu)})
      EXPECT_EQ(w->style(), skin);
    EXPECT_EQ(taggedPopup->style(), standard);
    EXPECT_EQ(PainterType(*skinner, listed), typeid(TSkinListView));
    skinner->RestoreWindow();
    for (QWidget* w : {static_cast<QWidget*>(file), static_cast<QWidget*>(popup), static_cast<QWidget*>(bar),
                       static_cast<QWidget*>(exportMenu), static_cast<QWidget*>(listed->verticalScrollBar())})
      EXPECT_EQ(w->style(), standard);
    EXPECT_EQ(PainterType(*skinner, listed), typeid(void));
    EXPECT_EQ(GetControlColor(&form), clYellow);
    // Unskinned, a control made later stays as it is.
    auto* later = new QPushButton(QStringLiteral("后加"), listed);
    later->show();
    QApplication::processEvents();
    EXPECT_TRUE(FindSkinControls(later).empty());
  }
}

TEST(ControlWalk, KindBorderAndCaptionButtonsFromTheStyles) {
  auto data = ProgramSkin();
  struct Case {
    Qt::WindowFlags flags;
    bool fixedSize;
    int border;
    unsigned buttons;
  };
  const unsigned all = TWinSkinForm::kMaximizeBox | TWinSkinForm::kMinimizeBox | TWinSkinForm::kSystemMenuBox;
  const Case cases[] = {
      {Qt::Window, false, TWinSkinForm::kBorderSizeable, all},
      {Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint, true, TWinSkinForm::kBorderDialog,
       TWinSkinForm::kSystemMenuBox},
      {Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint, true, TWinSkinForm::kBorderSingle, 0},
      {Qt::Window | Qt::FramelessWindowHint, false, TWinSkinForm::kBorderNone, 0},
  };
  for (const Case& c : cases) {
    QWidget form(nullptr, c.flags);
    form.resize(100, 80);
    if (c.fixedSize) form.setFixedSize(100, 80);
    const auto skinner = Skin(&form, data.get());
    EXPECT_EQ(skinner->BorderKind, c.border) << c.flags;
    EXPECT_EQ(skinner->CaptionButtons, c.buttons) << c.flags;
    EXPECT_TRUE(skinner->FrameSkinning);
  }
}
