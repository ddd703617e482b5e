#include "platform/ControlMessages.h"

#include "MessageLog.h"
#include "platform/Canvas.h"
#include "platform/Icons.h"
#include "platform/Menus.h"
#include "platform/Properties.h"
#include "platform/WindowProc.h"
#include "platform/WindowTable.h"
#include "platform/WindowUtils.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDockWidget>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QStackedWidget>
#include <QStatusBar>
#include <QMenu>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <functional>

using namespace platform;

// Control state and style, class styles.
TEST(ControlsTest, ControlStateAndClassStyle) {
  QWidget form;
  auto* label = new QLabel("l", &form);
  EXPECT_EQ(GetControlState(label), csCreating);
  EXPECT_FALSE(HandleAllocated(label));
  QCoreApplication::sendPostedEvents();
  EXPECT_TRUE(HandleAllocated(label));
  EXPECT_TRUE(IsGraphicControl(label));
  EXPECT_FALSE(IsGraphicControl(new QFileDialog(&form)));
  EXPECT_EQ(GetControlStyle(label), 0u);
  SetControlStyle(label, csOpaque);
  EXPECT_TRUE(label->testAttribute(Qt::WA_OpaquePaintEvent));
  QWidget closeless(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  EXPECT_EQ(GetClassLong(&closeless, GCL_STYLE), CS_NOCLOSE);
  EXPECT_EQ(GetClassLong(&form, GCL_STYLE), 0u);
}

// Points through nested controls with frames; the window under a point
// among overlapping siblings, past a disabled one and past a tool window
// that lets input through.
TEST(ControlsTest, MappingAndWindowFromPoint) {
  QWidget form;
  form.setGeometry(200, 100, 300, 200);
  auto* panel = new QFrame(&form);
  panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  panel->setLineWidth(3);
  panel->setGeometry(10, 20, 150, 120);
  auto* inner = new QFrame(panel);
  inner->setFrameStyle(QFrame::Box | QFrame::Plain);
  inner->setGeometry(5, 7, 60, 50);
  auto* lower = new QWidget(&form);
  lower->setGeometry(170, 10, 80, 80);
  auto* upper = new QWidget(&form);
  upper->setGeometry(200, 40, 80, 80);
  form.show();
  QWidget glass(&form, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowTransparentForInput);
  glass.setGeometry(200, 100, 300, 200);
  glass.show();

  const QPoint formClient = form.mapToGlobal(QPoint());
  TPoint p{1, 2};
  ClientToScreen(inner, &p);  // inner's client area: its 1-pixel box inside panel's 3-pixel band
  EXPECT_EQ(p, (TPoint{formClient.x() + 10 + 5 + 1 + 1, formClient.y() + 20 + 7 + 1 + 2}));
  ScreenToClient(panel, &p);
  EXPECT_EQ(p, (TPoint{5 - 3 + 1 + 1, 7 - 3 + 1 + 2}));
  TPoint points[3] = {{0, 0}, {4, 4}, {7, 7}};
  EXPECT_EQ(MapWindowPoints(inner, &form, points, 2), MAKELONG(16, 28));
  EXPECT_EQ(std::pair(points[1], points[2]), std::pair(TPoint{20, 32}, TPoint{7, 7})) << "two points, no more";

  const TPoint overlap{formClient.x() + 220, formClient.y() + 60};
  EXPECT_EQ(WindowFromPoint(overlap), upper);
  lower->raise();
  EXPECT_EQ(WindowFromPoint(overlap), lower);
  lower->setEnabled(false);
  EXPECT_EQ(WindowFromPoint(overlap), &form) << "not the disabled one";
  glass.setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
  glass.show();
  EXPECT_EQ(WindowFromPoint(overlap), &glass) << "a tool window above the form";
  glass.hide();
  EXPECT_EQ(WindowFromPoint({formClient.x() + 20, formClient.y() + 30}), inner);
  EXPECT_EQ(WindowFromPoint({formClient.x() + 1000, formClient.y()}), nullptr);

  EXPECT_EQ(FindWindowEx(&form, nullptr, "tpanel"), panel);
  EXPECT_EQ(FindWindowEx(&form, panel, "TPanel"), nullptr);
  std::vector<QWidget*> walked;
  EnumChildWindows(&form, [&](QWidget* w) {
    walked.push_back(w);
    return true;
  });
  EXPECT_EQ(walked, (std::vector<QWidget*>{lower, upper, panel, inner}));
  form.showMaximized();
  EXPECT_TRUE(IsZoomed(&form) && !IsIconic(&form) && !IsWindowEnabled(lower));
}

// The controls answer from their state; what the program or the user
// changes reaches the chains once per signal, what a sent message changes
// not at all.
TEST(ControlsTest, ControlMessagesAndNotifications) {
  MessageLog log;
  QWidget form;
  auto* box = new QCheckBox("c", &form);
  box->setTristate(true);
  auto* combo = new QComboBox(&form);
  combo->addItems({"一", "二", "三"});
  auto* tabs = new QTabWidget(&form);
  tabs->addTab(new QWidget, "a");
  tabs->addTab(new QWidget, "b");
  auto* list = new QListWidget(&form);
  auto* status = new QStatusBar(&form);
  status->addWidget(new QLabel("part", status));
  auto* tools = new QToolBar(&form);
  QAction* tool = tools->addAction("tool");
  SetCommandId(tool, 42);
  auto* tree = new QTreeWidget(&form);
  tree->setHeaderLabels({"号码", "次数"});
  tree->headerItem()->setTextAlignment(1, Qt::AlignRight);
  QHeaderView* header = tree->header();
  form.show();
  log.Add(&form, "form");
  for (QWidget* w : std::vector<QWidget*>{box, combo, tabs, list}) log.Add(w, "control");

  box->setCheckState(Qt::PartiallyChecked);
  combo->setCurrentIndex(2);
  QString text;
  TRect tabRect;
  HDITEM column, past;
  column.mask = past.mask = HDI_TEXT | HDI_WIDTH | HDI_FORMAT;
  const struct {
    QWidget* control;
    unsigned msg;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT result;
  } sends[] = {
      {box, BM_GETCHECK, 0, 0, BST_INDETERMINATE},
      {combo, CB_GETCOUNT, 0, 0, 3},
      {combo, CB_GETCURSEL, 0, 0, 2},
      {combo, CB_GETLBTEXT, 1, LPARAM(PtrParam(&text)), 1},
      {tabs, TCM_GETITEMCOUNT, 0, 0, 2},
      {tabs, TCM_SETCURSEL, 1, 0, 0},
      {tabs, TCM_GETCURSEL, 0, 0, 1},
      {tabs, TCM_GETITEMRECT, 1, LPARAM(PtrParam(&tabRect)), 1},
      {tabs, TCM_GETITEMRECT, 2, LPARAM(PtrParam(&tabRect)), 0},
      {tabs, TCM_GETIMAGELIST, 0, 0, 0},
      {list, LB_GETCOUNT, 0, 0, 0},
      {list, LVM_ARRANGE, 0, 0, 1},
      {status, SB_GETPARTS, 0, 0, 1},
      {tools, TB_BUTTONCOUNT, 0, 0, 1},
      {tools, TB_GETBUTTONTEXTW, 42, LPARAM(PtrParam(&text)), 4},
      {tools, TB_GETBUTTONTEXTW, 43, LPARAM(PtrParam(&text)), -1},
      {header, HDM_GETITEMW, 1, LPARAM(PtrParam(&column)), 1},
      {header, HDM_GETITEMW, 2, LPARAM(PtrParam(&past)), 0},
      {box, BM_SETCHECK, BST_CHECKED, 0, 0},
  };
  for (const auto& s : sends) {
    SCOPED_TRACE(s.msg);
    log.Take();
    EXPECT_EQ(SendMessage(s.control, s.msg, s.wParam, s.lParam), s.result);
    EXPECT_EQ(log.entries.size(), s.control == status || s.control == tools || s.control == header ? 0u : 1u)
        << "the sent one alone";
  }
  EXPECT_EQ(text, "tool");
  EXPECT_EQ(std::tuple(column.text, column.cxy, column.fmt),
            std::tuple(QString("次数"), header->sectionSize(1), HDF_STRING | HDF_RIGHT));
  EXPECT_EQ(std::tuple(past.text, past.cxy, past.fmt), std::tuple(QString(), 0, 0)) << "no such column";
  EXPECT_EQ(tabs->currentIndex(), 1);
  const QRect tab = tabs->tabBar()->tabRect(1).translated(tabs->tabBar()->pos());
  EXPECT_EQ(tabRect, Bounds(tab.x(), tab.y(), tab.width(), tab.height()));
  TRect display = Bounds(0, 0, tabs->width(), tabs->height());  // the window's rectangle to its display area
  SendMessage(tabs, TCM_ADJUSTRECT, 0, LPARAM(PtrParam(&display)));
  const QRect pages = tabs->findChild<QStackedWidget*>()->geometry();
  EXPECT_EQ(display, Bounds(pages.x(), pages.y(), pages.width(), pages.height()));
  EXPECT_EQ(box->checkState(), Qt::Checked);
  EXPECT_EQ(SendMessage(box, BM_GETSTATE) & BST_PUSHED, 0);
  const auto* font = ParamPtr<const TFont>(std::uintptr_t(SendMessage(combo, WM_GETFONT)));
  EXPECT_EQ(font->Name, combo->font().family());

  const struct {
    std::function<void()> act;
    std::vector<LogEntry> seen;
  } changes[] = {
      {[&] { box->click(); },
       {{"control", BM_SETSTATE},
        {"control", BM_SETCHECK},
        {"control", BM_SETSTATE},
        {"form", WM_COMMAND},
        {"control", CN_COMMAND}}},
      {[&] { combo->setCurrentIndex(0); }, {{"form", WM_COMMAND}, {"control", CN_COMMAND}}},
      {[&] {
         combo->showPopup();  // CBN_DROPDOWN, CBN_CLOSEUP
         combo->hidePopup();
       }, {{"form", WM_COMMAND}, {"control", CN_COMMAND}, {"form", WM_COMMAND}, {"control", CN_COMMAND}}},
      {[&] { tabs->setCurrentIndex(0); }, {{"control", TCM_SETCURSEL}, {"form", WM_NOTIFY}, {"control", CN_NOTIFY}}},
      {[&] { list->addItem("x"); }, {{"control", LB_ADDSTRING}}},
      {[&] { list->insertItem(0, "y"); }, {{"control", LB_INSERTSTRING}}},
  };
  for (const auto& s : changes) {
    log.Take();
    s.act();
    EXPECT_EQ(log.Take(), s.seen);
  }
  EXPECT_EQ(SendMessage(list, LB_GETTEXT, 1, LPARAM(PtrParam(&text))), 1);
  EXPECT_EQ(text, "x");
  // Item heights: each row its own; an index past the end answers the first row's.
  list->item(0)->setSizeHint(QSize(10, 40));
  EXPECT_EQ(std::tuple(SendMessage(list, LB_GETITEMHEIGHT, 0), SendMessage(list, LB_GETITEMHEIGHT, 5)),
            std::tuple(40, 40));
  EXPECT_EQ(SendMessage(list, LB_GETITEMHEIGHT, 1), list->sizeHintForRow(1));
  EXPECT_NE(list->sizeHintForRow(1), 40);
}

// Properties by name and the colours behind them.
TEST(ControlsTest, PropertiesByNameAndPalette) {
  QWidget form;
  auto* box = new QCheckBox("c", &form);
  auto* edit = new QLineEdit(&form);
  auto* tree = new QTreeWidget(&form);
  EXPECT_EQ(std::pair(GetPropertyText(box, "Checked"), GetPropertyText(edit, "EchoMode")),
            std::pair(QString("False"), QString("Normal")));
  EXPECT_TRUE(SetPropertyText(box, "checked", "True") && SetPropertyText(edit, "EchoMode", "Password"));
  EXPECT_EQ(std::tuple(box->isChecked(), GetOrdProperty(box, "Checked"), edit->echoMode()),
            std::tuple(true, 1, QLineEdit::Password));
  EXPECT_EQ(std::pair(GetOrdProperty(edit, "NumButtons"), GetPropertyText(edit, "NumButtons")),
            std::pair(-1, QString()));
  EXPECT_FALSE(SetPropertyText(edit, "AutoScroll", "False"));
  edit->setProperty("AutoScroll", true);
  EXPECT_TRUE(SetPropertyText(edit, "AutoScroll", "False") && GetPropertyText(edit, "AutoScroll") == "False");
  EXPECT_TRUE(SetPublishedProperty(box, "Caption", "选择") && SetPropertyText(edit, "Text", "x1") &&
              SetPropertyText(edit, "MaxLength", "$10"));
  EXPECT_EQ(std::tuple(box->text(), edit->text(), edit->maxLength()), std::tuple(QString("选择"), QString("x1"), 16));
  edit->setProperty("PopupMenu", QVariant::fromValue<QObject*>(box));
  EXPECT_EQ(GetPropertyText(edit, "PopupMenu.Caption"), "选择");

  SetPublishedProperty(box, "Color", clBtnFace);
  EXPECT_EQ(GetOrdProperty(box, "Color"), clBtnFace) << "a system colour comes back as itself";
  EXPECT_TRUE(box->palette().color(box->backgroundRole()) == ToQColor(clBtnFace) && box->autoFillBackground());
  QPalette p = box->palette();
  p.setColor(box->backgroundRole(), QColor(1, 2, 3));
  box->setPalette(p);
  EXPECT_EQ(GetControlColor(box), RGB(1, 2, 3)) << "a colour Qt set reads as it is";
  EXPECT_TRUE(SetPublishedProperty(tree, "Header.Font.Color", clRed));
  EXPECT_EQ(std::pair(tree->header()->palette().color(tree->header()->foregroundRole()),
                      GetOrdProperty(tree, "header.font.color")), std::pair(QColor(Qt::red), int(clRed)));
  SetPublishedProperty(edit, "Font.Height", -20);
  EXPECT_EQ(std::pair(edit->font().pixelSize(), GetOrdProperty(edit, "Font.Size")), std::pair(20, 15));
  EXPECT_TRUE(SetPropertyText(edit, "Tag", "12") && SetPropertyText(edit, "Visible", "False"));
  EXPECT_EQ(std::tuple(GetOrdProperty(edit, "tag"), GetTag(edit), GetPropertyText(edit, "Visible"), edit->isHidden()),
            std::tuple(12, 12, QString("False"), true));
  const QColor base = tree->palette().color(QPalette::Base);
  EXPECT_EQ(SendMessage(tree, TVM_SETBKCOLOR, 0, clYellow), FromQColor(base));
  EXPECT_EQ(SendMessage(tree, TVM_GETBKCOLOR), clYellow);
  SendMessage(tree, TVM_SETBKCOLOR, 0, LPARAM(CLR_NONE));
  EXPECT_EQ(tree->palette().color(QPalette::Base), base);
}

// Sets by their single-bit elements' whole names; what is no set reads and
// writes as none.
TEST(ControlsTest, SetsByElementNames) {
  QLabel label;
  label.setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  QStringList elements;
  ASSERT_TRUE(GetSetElements(&label, "Alignment", elements));
  EXPECT_EQ(elements, (QStringList{"AlignRight", "AlignTrailing", "AlignVCenter"}));  // no composite names
  EXPECT_TRUE(SetSetElements(&label, "alignment", {"AlignLeft", "AlignBottom"}));
  EXPECT_EQ(label.alignment(), Qt::AlignLeft | Qt::AlignBottom);
  EXPECT_TRUE(SetSetElements(&label, "Alignment", {}));
  EXPECT_EQ(label.alignment(), Qt::Alignment());
  EXPECT_FALSE(SetSetElements(&label, "Alignment", {"AlignLeft", "AlignNowhere"}));
  EXPECT_EQ(label.alignment(), Qt::Alignment());
  EXPECT_FALSE(GetSetElements(&label, "Text", elements));      // not a set
  EXPECT_FALSE(SetSetElements(&label, "Missing", {"AlignLeft"}));
}

// "Align" by name: the dynamic property the program set, else a main
// window's tool bars and dock widgets by their area, its status bar at the
// bottom, its central widget the client; anything else alNone. Writing sets
// the dynamic property only; a text that is no key is refused, and reads
// alNone where the program set one. A check box's "State" reads and writes
// by ordinal too.
TEST(ControlsTest, AlignByName) {
  QMainWindow main;
  auto* central = new QWidget;
  main.setCentralWidget(central);
  auto* top = new QToolBar(QStringLiteral("top"));
  auto* left = new QToolBar(QStringLiteral("left"));
  main.addToolBar(Qt::TopToolBarArea, top);
  main.addToolBar(Qt::LeftToolBarArea, left);
  auto* status = new QStatusBar;
  main.setStatusBar(status);
  auto* dock = new QDockWidget(QStringLiteral("dock"));
  main.addDockWidget(Qt::RightDockWidgetArea, dock);
  auto* plain = new QLabel(QStringLiteral("plain"), central);
  auto* right = new QLabel(QStringLiteral("right"), central);
  right->setProperty("Align", QStringLiteral("alRight"));
  auto* bogus = new QLabel(QStringLiteral("bogus"), central);
  bogus->setProperty("Align", QStringLiteral("alBogus"));
  main.show();
  const struct {
    const char* what;
    QObject* object;
    const char* text;
    int ordinal;
  } rows[] = {
      {"top tool bar", top, "alTop", 1},          {"left tool bar", left, "alLeft", 3},
      {"status bar", status, "alBottom", 2},      {"central widget", central, "alClient", 5},
      {"right dock", dock, "alRight", 4},         {"plain child", plain, "alNone", 0},
      {"dynamic alRight", right, "alRight", 4},   {"dynamic text that is no key", bogus, "alNone", 0},
      {"the main window", &main, "alNone", 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(std::pair(GetPropertyText(row.object, "Align"), GetOrdProperty(row.object, "align")),
              std::pair(QString(row.text), row.ordinal));
  }
  const QRect bar = status->geometry();
  EXPECT_FALSE(SetPropertyText(plain, "Align", "alBogus"));
  EXPECT_FALSE(SetOrdProperty(plain, "Align", 6));
  EXPECT_FALSE(plain->property("Align").isValid()) << "refused writes set nothing";
  EXPECT_TRUE(SetPropertyText(status, "Align", "altop") && SetOrdProperty(plain, "Align", 4));
  EXPECT_EQ(std::tuple(GetPropertyText(status, "Align"), status->property("Align").toString(),
                       GetPropertyText(plain, "Align")),
            std::tuple(QString("alTop"), QString("alTop"), QString("alRight")));
  QCoreApplication::processEvents();
  EXPECT_EQ(status->geometry(), bar) << "the dynamic property only";

  auto* box = new QCheckBox(QStringLiteral("c"), central);
  EXPECT_TRUE(SetOrdProperty(box, "State", 2));
  EXPECT_EQ(std::pair(box->checkState(), GetOrdProperty(box, "State")), std::pair(Qt::PartiallyChecked, 2));
  EXPECT_FALSE(SetPropertyText(box, "State", "cbMaybe"));
  EXPECT_EQ(GetPropertyText(box, "State"), "cbGrayed");
}

// DrawIconEx: a mask icon ANDs its mask and XORs its image; an alpha icon
// blends; stretching takes the nearest pixel; the canvas's origin counts.
TEST(ControlsTest, DrawIconExPixels) {
  Bitmap color(2, 2, pf24bit), mask(2, 2, pf1bit);
  const TColor colors[] = {clRed, clBlack, clBlue, clWhite};
  const bool transparent[] = {false, true, false, true};
  for (int i = 0; i < 4; ++i) {
    color.SetPixel(i % 2, i / 2, colors[i]);
    mask.SetPixel(i % 2, i / 2, transparent[i] ? clWhite : clBlack);
  }
  std::unique_ptr<Icon> masked(CreateIconIndirect({true, 0, 0, &mask, &color}));
  Bitmap alpha(3, 1, pf32bit);
  alpha.SetArgb(0, 0, qRgba(255, 0, 0, 255));
  alpha.SetArgb(1, 0, qRgba(255, 0, 0, 0));
  alpha.SetArgb(2, 0, qRgba(200, 100, 0, 128));
  std::unique_ptr<Icon> blended(CreateIconIndirect({true, 0, 0, nullptr, &alpha}));
  ASSERT_TRUE(masked && blended);
  EXPECT_TRUE(!masked->HasAlpha() && blended->HasAlpha());

  Bitmap target(6, 4, pfDevice);
  target.Fill(qRgb(0, 255, 0));
  Canvas& c = target.GetCanvas();
  c.SetViewportOrg(1, 0);
  EXPECT_TRUE(DrawIconEx(c, -1, 0, masked.get(), 0, 0, 0, nullptr, DI_NORMAL));
  EXPECT_TRUE(DrawIconEx(c, 3, 0, masked.get(), 0, 0, 0, nullptr, DI_IMAGE));
  EXPECT_TRUE(DrawIconEx(c, 0, 2, blended.get(), 0, 0));
  EXPECT_TRUE(DrawIconEx(c, 3, 2, masked.get(), 2, 1, 0, nullptr, DI_MASK));
  const TColor row0[] = {clRed, clLime, clLime, clLime, clRed, clBlack};
  const TColor row1[] = {clBlue, clFuchsia, clLime, clLime, clBlue, clWhite};
  // (200, 100, 0) at 128 over (0, 255, 0): (200*128 + 0*127 + 127) / 255 = 100, (100*128 + 255*127 + 127) / 255 = 177
  const TColor row2[] = {clLime, clRed, clLime, RGB(100, 177, 0), clBlack, clLime};
  for (int x = 0; x < 6; ++x) {
    SCOPED_TRACE(x);
    EXPECT_EQ(target.GetPixel(x, 0), row0[x]);
    EXPECT_EQ(target.GetPixel(x, 1), row1[x]);
    EXPECT_EQ(target.GetPixel(x, 2), row2[x]);
  }
  EXPECT_EQ(target.GetPixel(4, 3), clLime) << "DI_MASK alone, shrunk to one row";

  std::unique_ptr<Icon> big(CopyImage(masked.get(), IMAGE_ICON, 4, 4, 0));
  ASSERT_TRUE(big);
  EXPECT_EQ(std::pair(big->Color().GetPixel(1, 1), big->Color().GetPixel(3, 3)), std::pair(clRed, clWhite));
  EXPECT_EQ(CopyImage(masked.get(), IMAGE_BITMAP, 0, 0, 0), nullptr);
  EXPECT_EQ(FileIcon("/no/such/file"), nullptr);
  QPixmap half(2, 1);  // the mask of an icon of Qt's is white where it is transparent
  half.fill(Qt::transparent);
  QPainter(&half).fillRect(0, 0, 1, 1, Qt::red);
  std::unique_ptr<Icon> fromQt(Icon::FromQIcon(QIcon(half), 2));
  EXPECT_EQ(std::pair(fromQt->Mask().GetPixel(0, 0), fromQt->Mask().GetPixel(1, 0)), std::pair(clBlack, clWhite));
}

// A bare tab bar shows no page: TCM_ADJUSTRECT leaves an empty display
// area on the side away from its tabs.
TEST(ControlsTest, BareTabBarDisplayAreaBySide) {
  QWidget form;
  auto* bar = new QTabBar(&form);
  bar->addTab(QStringLiteral("one"));
  bar->setGeometry(0, 0, 120, 30);
  const struct {
    QTabBar::Shape shape;
    TRect display;
  } rows[] = {{QTabBar::RoundedNorth, {0, 30, 120, 30}},
              {QTabBar::RoundedSouth, {0, 0, 120, 0}},
              {QTabBar::TriangularWest, {120, 0, 120, 30}},
              {QTabBar::RoundedEast, {0, 0, 0, 30}}};
  for (const auto& r : rows) {
    bar->setShape(r.shape);
    TRect display = Bounds(0, 0, 120, 30);
    SendMessage(bar, TCM_ADJUSTRECT, 0, LPARAM(PtrParam(&display)));
    EXPECT_EQ(display, r.display) << int(r.shape);
  }
}

// A button's menu tells its tool bar once per show (TBN_DROPDOWN to the
// bar as CN_NOTIFY) and, posted, once it has closed (CN_DROPDOWNCLOSED),
// also when the action was seen twice.
TEST(ControlsTest, ToolBarDropDownOpenAndClosed) {
  QWidget form;
  auto* bar = new QToolBar(&form);
  QMenu menu;
  QAction* a = bar->addAction(QStringLiteral("draws"));
  a->setMenu(&menu);
  int dropped = 0, closed = 0, item = 0;
  WindowProcHandle h = InstallWindowProc(bar, [&](Message& m, const CallPrevious& previous) {
    if (m.Msg == CN_NOTIFY && ParamPtr<NMHDR>(std::uintptr_t(m.LParam))->code == TBN_DROPDOWN) {
      ++dropped;
      item = ParamPtr<NMTOOLBAR>(std::uintptr_t(m.LParam))->iItem;
    }
    closed += m.Msg == CN_DROPDOWNCLOSED;
    previous(m);
  });
  QCoreApplication::sendPostedEvents();
  bar->removeAction(a);
  bar->addAction(a);  // seen again
  emit menu.aboutToShow();
  emit menu.aboutToHide();
  EXPECT_EQ(dropped, 1);
  EXPECT_EQ(item, int(GetCommandId(a)));
  EXPECT_EQ(closed, 0);
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(closed, 1);
  RemoveWindowProc(h);
}
