#include "platform/WindowTable.h"

#include <QApplication>
#include <QCheckBox>
#include <QAbstractItemView>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QMenu>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSizeGrip>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QHeaderView>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace platform;

namespace {

// A form class of the program's own.
class TFrmProbe : public QDialog {
  Q_OBJECT

 public:
  using QDialog::QDialog;
};

// A control class of the program's own, without a meta-object of its own.
class TColorButton : public QPushButton {
 public:
  using QPushButton::QPushButton;
};

// A widget of class T made in the form and set up by `set`.
template <class T>
std::function<QWidget*(QWidget&)> Make(std::function<void(T*)> set = nullptr) {
  return [set](QWidget& form) {
    auto* w = new T(&form);
    if (set) set(w);
    return static_cast<QWidget*>(w);
  };
}

QWidget* FileDialogPart(QWidget& form, const char* edit) {
  auto* d = new QFileDialog(&form);
  d->setOption(QFileDialog::DontUseNativeDialog);
  if (edit) return d->findChild<QLineEdit*>(edit);
  return d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel);
}

}  // namespace

// Class names and style words (the low word is the class's own style).
TEST(WindowTableTest, ClassNamesAndStyleWords) {
  using W = QWidget&;
  const struct {
    const char* what;
    std::function<QWidget*(QWidget& form)> make;
    const char* className;
    std::uint32_t low, style, notStyle, exStyle;
    bool control;
  } rows[] = {
      {"button", Make<QPushButton>(), "TButton", BS_PUSHBUTTON, WS_CHILD | WS_VISIBLE | WS_TABSTOP,
       WS_DISABLED | WS_POPUP, 0, 1},
      {"two-line button of the program", [](W f) { return (QWidget*)new TColorButton("a\nb", &f); }, "TColorButton",
       BS_PUSHBUTTON | BS_MULTILINE, WS_CHILD, 0, 0, 1},
      {"tool button on a tool bar", [](W f) {
         auto* t = new QToolBar(&f);
         return t->widgetForAction(t->addAction("t"));
       }, "TToolButton", 0, WS_CHILD, 0, 0, 1},
      {"tool bar", Make<QToolBar>(), "TToolBar", TBSTYLE_FLAT, WS_CHILD, 0, 0, 1},
      {"tool button on a form", Make<QToolButton>(), "TSpeedButton", 0, WS_CHILD, 0, 0, 1},
      {"check box, text on the left", Make<QCheckBox>([](auto* b) { b->setLayoutDirection(Qt::RightToLeft); }),
       "TCheckBox", BS_AUTOCHECKBOX | BS_LEFTTEXT, WS_CHILD | WS_TABSTOP, 0,
       WS_EX_RIGHT | WS_EX_RTLREADING | WS_EX_LEFTSCROLLBAR, 1},
      {"string grid", Make<QTableWidget>(), "TStringGrid", 0, WS_CHILD, 0, WS_EX_CLIENTEDGE, 1},
      {"tree's header", [](W f) { return (QWidget*)(new QTreeWidget(&f))->header(); }, "SysHeader32", 0, WS_CHILD, 0,
       0, 0},
      {"plain box frame", Make<QFrame>([](auto* p) { p->setFrameStyle(QFrame::Box | QFrame::Plain); }), "TPanel", 0,
       WS_CHILD | WS_BORDER, 0, 0, 1},
      {"tool window", [](W f) { return new QWidget(&f, Qt::Tool | Qt::WindowStaysOnTopHint); }, "QWidget", 0, 0, 0,
       WS_EX_TOOLWINDOW | WS_EX_TOPMOST, 1},
      {"default button with glyph", Make<QPushButton>([](auto* b) { b->setIcon(QPixmap(8, 8)), b->setDefault(true); }),
       "TBitBtn", BS_DEFPUSHBUTTON, WS_CHILD, 0, 0, 1},
      {"three-state check box", Make<QCheckBox>([](auto* b) { b->setTristate(true); }), "TCheckBox", BS_AUTO3STATE,
       WS_CHILD, 0, 0, 1},
      {"radio button", Make<QRadioButton>(), "TRadioButton", BS_AUTORADIOBUTTON, WS_CHILD | WS_TABSTOP, 0, 0, 1},
      {"group box", Make<QGroupBox>(), "TGroupBox", BS_GROUPBOX, WS_CHILD, 0, 0, 1},
      {"drop-down list", Make<QComboBox>(), "TComboBox", CBS_DROPDOWNLIST, WS_CHILD, 0, WS_EX_CLIENTEDGE, 1},
      {"edit of an editable combo box", [](W f) { return Make<QComboBox>([](auto* c) { c->setEditable(true); })(f)
                                                      ->findChild<QLineEdit*>(); }, "Edit", 0, WS_CHILD, 0, 0, 0},
      {"drop-down list's window", [](W f) { return (new QComboBox(&f))->view()->parentWidget(); }, "ComboLBox", 0,
       WS_POPUP, WS_CHILD, 0, 0},
      {"edit of a spin edit", [](W f) { return (new QSpinBox(&f))->findChild<QLineEdit*>(); }, "Edit", 0, WS_CHILD, 0,
       0, 0},
      {"read-only memo with a vertical bar", Make<QTextEdit>([](auto* m) {
         m->setReadOnly(true);
         m->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
         m->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
       }), "TMemo", ES_MULTILINE | ES_READONLY, WS_CHILD | WS_VSCROLL, WS_HSCROLL, WS_EX_CLIENTEDGE, 1},
      {"memo's viewport", [](W f) { return (new QTextEdit(&f))->viewport(); }, "QWidget", 0, WS_CHILD, 0, 0, 0},
      {"memo's scroll bar", [](W f) { return (QWidget*)(new QTextEdit(&f))->verticalScrollBar(); }, "ScrollBar",
       SBS_VERT, WS_CHILD, 0, 0, 0},
      {"size grip", Make<QSizeGrip>(), "ScrollBar", SBS_SIZEGRIP, WS_CHILD, 0, 0, 1},
      {"page control with tabs below", Make<QTabWidget>([](auto* t) { t->setTabPosition(QTabWidget::South); }),
       "TPageControl", TCS_BOTTOM, WS_CHILD, 0, 0, 1},
      {"right-aligned label", Make<QLabel>([](auto* l) { l->setAlignment(Qt::AlignRight); }), "TLabel", SS_RIGHT,
       WS_CHILD, 0, 0, 1},
      {"hidden, disabled edit", Make<QLineEdit>([](auto* e) { e->hide(), e->setEnabled(false); }), "TEdit", 0,
       WS_CHILD | WS_DISABLED, WS_VISIBLE, WS_EX_CLIENTEDGE, 1},
      {"right-to-left panel", Make<QFrame>([](auto* p) { p->setLayoutDirection(Qt::RightToLeft); }), "TPanel", 0,
       WS_CHILD, 0, WS_EX_RIGHT | WS_EX_RTLREADING | WS_EX_LEFTSCROLLBAR, 1},
      {"popup menu", Make<QMenu>(), "#32768", 0, WS_POPUP, WS_CHILD | WS_CAPTION | WS_THICKFRAME | WS_VISIBLE, 0, 1},
      {"message box", Make<QMessageBox>([](auto* m) { m->show(); }), "TMessageForm", DS_MODALFRAME,
       WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, WS_CHILD | WS_THICKFRAME, WS_EX_DLGMODALFRAME, 1},
      {"button of a file dialog", [](W f) { return FileDialogPart(f, nullptr); }, "Button", BS_PUSHBUTTON,
       WS_CHILD | WS_TABSTOP, 0, 0, 1},
      {"edit of a file dialog", [](W f) { return FileDialogPart(f, "fileNameEdit"); }, "Edit", 0, WS_CHILD, 0,
       WS_EX_CLIENTEDGE, 1},
      {"main window", [](W f) { return (QWidget*)new QMainWindow(&f, Qt::Window); }, "TForm", 0,
       WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX, WS_POPUP | WS_CHILD, 0, 1},
      {"fixed dialog of the program's own", [](W f) {
         auto* d = new TFrmProbe(&f, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                         Qt::WindowContextHelpButtonHint);
         d->setFixedSize(200, 100);
         return (QWidget*)d;
       }, "TFrmProbe", DS_MODALFRAME, WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_THICKFRAME | WS_MINIMIZEBOX,
       WS_EX_DLGMODALFRAME | WS_EX_CONTEXTHELP, 1},
      {"fixed dialog", Make<QDialog>([](auto* d) { d->setFixedSize(50, 40); }), "TForm", DS_MODALFRAME, WS_POPUP, 0,
       WS_EX_DLGMODALFRAME, 1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    QWidget form;
    QWidget* w = row.make(form);
    ASSERT_NE(w, nullptr);
    form.show();
    const auto style = std::uint32_t(GetWindowLong(w, GWL_STYLE));
    EXPECT_EQ(GetClassName(w).toStdString(), row.className);
    EXPECT_EQ(style & 0xFFFF, row.low);
    EXPECT_EQ(std::pair(style & row.style, style & row.notStyle), std::pair(row.style, 0u));
    EXPECT_EQ(std::uint32_t(GetWindowLong(w, GWL_EXSTYLE)), row.exStyle);
    EXPECT_EQ(ControlFromWindow(w), row.control ? w : nullptr);
  }
}

TEST(WindowTableTest, KeepsWhatItIsGiven) {
  QWidget form;
  auto* frame = new QFrame(&form);
  frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  frame->setLineWidth(2);
  frame->setGeometry(10, 20, 100, 50);
  auto* top = new QWidget(&form);
  QDialog owned(&form);  // a window, not one of the form's controls
  form.show();

  // Style bits: WS_DISABLED takes effect, others are kept until set back.
  const std::intptr_t style = GetWindowLong(frame, GWL_STYLE);
  EXPECT_EQ(SetWindowLong(frame, GWL_STYLE, (style | WS_CLIPCHILDREN | WS_DISABLED) & ~WS_VISIBLE), style);
  EXPECT_EQ(std::tuple(frame->isEnabled(), frame->isVisible(), GetWindowLong(frame, GWL_STYLE)),
            std::tuple(false, true, (style | WS_CLIPCHILDREN | WS_DISABLED) & ~WS_VISIBLE))
      << "the bit alone does not hide it";
  SetWindowLong(frame, GWL_STYLE, style);
  frame->hide();
  EXPECT_EQ(GetWindowLong(frame, GWL_STYLE), style & ~WS_VISIBLE) << "follows the widget again";
  frame->show();
  SetWindowLong(frame, GWL_USERDATA, 77);
  EXPECT_EQ(GetWindowLong(frame, GWL_USERDATA), 77);
  // Rectangles: the client area is inside the frame.
  const QPoint screen = frame->mapToGlobal(QPoint(0, 0));
  EXPECT_EQ(std::pair(GetClientRect(frame), GetWindowRect(frame)),
            std::pair(Rect(0, 0, 96, 46), Bounds(screen.x(), screen.y(), 100, 50)));
  // Properties by name without regard to case, and the Tag.
  int adapter = 0;
  SetProp(frame, "ACSBSC", &adapter);
  EXPECT_EQ(GetProp(frame, "acsbsc"), &adapter);
  EXPECT_EQ(RemoveProp(frame, "AcSbSc"), &adapter);
  EXPECT_EQ(std::pair(GetProp(frame, "ACSBSC"), GetTag(frame)), std::pair((void*)nullptr, 0));
  SetTag(frame, 7777);
  EXPECT_EQ(std::pair(GetTag(frame), frame->property("Tag").toInt()), std::pair(7777, 7777));
  // Relations: siblings topmost first.
  const std::vector<std::pair<QWidget*, QWidget*>> relations{
      {GetParent(frame), &form},           {GetTopWindow(&form), top},        {GetWindow(&form, GW_CHILD), top},
      {GetWindow(top, GW_HWNDNEXT), frame}, {GetWindow(frame, GW_HWNDNEXT), nullptr},
      {GetWindow(frame, GW_HWNDPREV), top}, {GetWindow(top, GW_HWNDLAST), frame},
      {GetWindow(&owned, GW_OWNER), &form}, {GetWindow(&owned, GW_HWNDNEXT), nullptr}};
  for (size_t i = 0; i < relations.size(); ++i) EXPECT_EQ(relations[i].first, relations[i].second) << i;
  frame->raise();
  EXPECT_EQ(GetTopWindow(&form), frame);
}

#include "WindowTableTest.moc"

// The edges come from the frame: the client edge for the style's sunken
// frame (scroll areas, a sunken StyledPanel or WinPanel, a sunken Panel at
// least 2 wide, a line edit, combo or spin box with a frame) and an MDI
// area, the static edge for a sunken Panel 1 wide, none for the rest.
TEST(WindowTableTest, EdgesFollowTheFrame) {
  auto frame = [](int style, int width) {
    return Make<QLabel>([style, width](QLabel* l) {
      l->setFrameStyle(style);
      l->setLineWidth(width);
    });
  };
  const struct {
    const char* what;
    std::function<QWidget*(QWidget& form)> make;
    std::uint32_t edges;
  } rows[] = {
      {"memo", Make<QTextEdit>(), WS_EX_CLIENTEDGE},
      {"framed edit", Make<QLineEdit>(), WS_EX_CLIENTEDGE},
      {"edit without frame", Make<QLineEdit>([](auto* e) { e->setFrame(false); }), 0},
      {"sunken styled panel", Make<QFrame>([](auto* f) { f->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken); }),
       WS_EX_CLIENTEDGE},
      {"sunken window panel", frame(QFrame::WinPanel | QFrame::Sunken, 1), WS_EX_CLIENTEDGE},
      {"MDI area", Make<QMdiArea>(), WS_EX_CLIENTEDGE},
      {"spin box", Make<QSpinBox>(), WS_EX_CLIENTEDGE},
      {"spin box without frame", Make<QSpinBox>([](auto* s) { s->setFrame(false); }), 0},
      {"drop-down list", Make<QComboBox>(), WS_EX_CLIENTEDGE},
      {"flat frame", Make<QFrame>([](auto* f) { f->setFrameStyle(QFrame::StyledPanel | QFrame::Plain); }), 0},
      {"plain label", Make<QLabel>(), 0},
      {"sunken panel label 1 wide", frame(QFrame::Panel | QFrame::Sunken, 1), WS_EX_STATICEDGE},
      {"sunken panel label 2 wide", frame(QFrame::Panel | QFrame::Sunken, 2), WS_EX_CLIENTEDGE},
      {"raised panel label", frame(QFrame::Panel | QFrame::Raised, 1), 0},
      {"sunken box", frame(QFrame::Box | QFrame::Sunken, 2), 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    QWidget form;
    QWidget* w = row.make(form);
    EXPECT_EQ(std::uint32_t(GetWindowLong(w, GWL_EXSTYLE)) & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE), row.edges);
  }
}

// Class bits without a Qt source are what SetWindowLong gave: they read
// back, change nothing of the widget, and go when set back.
TEST(WindowTableTest, ClassBitsWithoutAQtSourceAreKept) {
  const struct {
    const char* what;
    std::function<QWidget*(QWidget& form)> make;
    std::uint32_t field, bits;  // the bits within the field of the low word
  } rows[] = {
      {"horizontal up-down", Make<QSpinBox>(), UDS_HORZ, UDS_HORZ},
      {"button tabs", Make<QTabWidget>(), TCS_BUTTONS | TCS_FLATBUTTONS, TCS_BUTTONS},
      {"flat button tabs", Make<QTabWidget>(), TCS_BUTTONS | TCS_FLATBUTTONS, TCS_BUTTONS | TCS_FLATBUTTONS},
      {"owner-drawn tabs below", Make<QTabWidget>([](auto* t) { t->setTabPosition(QTabWidget::South); }),
       TCS_OWNERDRAWFIXED, TCS_OWNERDRAWFIXED},
      {"icon static", Make<QLabel>([](auto* l) { l->setAlignment(Qt::AlignCenter); }), 0x1F, SS_ICON},
      {"owner-drawn static", Make<QLabel>([](auto* l) { l->setAlignment(Qt::AlignCenter); }), 0x1F, SS_OWNERDRAW},
      {"grey rectangle", Make<QLabel>(), 0x1F, SS_GRAYRECT},
      {"white rectangle", Make<QLabel>([](auto* l) { l->setAlignment(Qt::AlignRight); }), 0x1F, SS_WHITERECT},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    QWidget form;
    QWidget* w = row.make(form);
    form.show();
    const QImage look = w->grab().toImage();
    const auto style = std::uint32_t(GetWindowLong(w, GWL_STYLE));
    EXPECT_NE(style & row.field, row.bits) << "not the widget's own";
    SetWindowLong(w, GWL_STYLE, (style & ~row.field) | row.bits);
    EXPECT_EQ(std::uint32_t(GetWindowLong(w, GWL_STYLE)), (style & ~row.field) | row.bits);
    EXPECT_EQ(w->grab().toImage(), look) << "nothing of the widget changed";
    SetWindowLong(w, GWL_STYLE, style);
    EXPECT_EQ(std::uint32_t(GetWindowLong(w, GWL_STYLE)), style);
  }
}
