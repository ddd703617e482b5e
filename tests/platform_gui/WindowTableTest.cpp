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
#include <QMenu>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSizeGrip>
#include <QSpinBox>
#include <QTabWidget>
#include <QTextEdit>

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

template <class T>
T* Shown(T* w) {
  w->show();
  return w;
}

QFileDialog* FileDialog(QWidget& form) {
  auto* d = new QFileDialog(&form);
  d->setOption(QFileDialog::DontUseNativeDialog);
  return d;
}

}  // namespace

// Class names and style words (the low word is the class's own style).
TEST(WindowTableTest, ClassNamesAndStyleWords) {
  const struct {
    const char* what;
    std::function<QWidget*(QWidget& form)> make;
    const char* className;
    std::uint32_t low, style, notStyle, exStyle;
    bool control;
  } rows[] = {
      {"button", [](QWidget& f) { return new QPushButton("OK", &f); }, "TButton", BS_PUSHBUTTON,
       WS_CHILD | WS_VISIBLE, WS_DISABLED | WS_POPUP, 0, true},
      {"default button with glyph", [](QWidget& f) {
         auto* b = new QPushButton(QIcon(QPixmap(8, 8)), "OK", &f);
         b->setDefault(true);
         return b;
       }, "TBitBtn", BS_DEFPUSHBUTTON, WS_CHILD, 0, 0, true},
      {"three-state check box", [](QWidget& f) {
         auto* b = new QCheckBox(&f);
         b->setTristate(true);
         return b;
       }, "TCheckBox", BS_AUTO3STATE, WS_CHILD, 0, 0, true},
      {"radio button", [](QWidget& f) { return new QRadioButton(&f); }, "TRadioButton", BS_AUTORADIOBUTTON,
       WS_CHILD, 0, 0, true},
      {"group box", [](QWidget& f) { return new QGroupBox(&f); }, "TGroupBox", BS_GROUPBOX, WS_CHILD, 0, 0, true},
      {"drop-down list", [](QWidget& f) { return new QComboBox(&f); }, "TComboBox", CBS_DROPDOWNLIST, WS_CHILD, 0,
       0, true},
      {"edit of an editable combo box", [](QWidget& f) {
         auto* c = new QComboBox(&f);
         c->setEditable(true);
         return c->lineEdit();
       }, "Edit", 0, WS_CHILD, 0, 0, false},
      {"drop-down list's window", [](QWidget& f) { return (new QComboBox(&f))->view()->parentWidget(); },
       "ComboLBox", 0, WS_POPUP, WS_CHILD, 0, false},
      {"edit of a spin edit", [](QWidget& f) { return (new QSpinBox(&f))->findChild<QLineEdit*>(); }, "Edit", 0,
       WS_CHILD, 0, 0, false},
      {"read-only memo with a vertical bar", [](QWidget& f) {
         auto* m = new QTextEdit(&f);
         m->setReadOnly(true);
         m->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
         m->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
         return m;
       }, "TMemo", ES_MULTILINE | ES_READONLY, WS_CHILD | WS_VSCROLL, WS_HSCROLL, 0, true},
      {"memo's viewport", [](QWidget& f) { return (new QTextEdit(&f))->viewport(); }, "QWidget", 0, WS_CHILD, 0, 0,
       false},
      {"memo's scroll bar", [](QWidget& f) { return (new QTextEdit(&f))->verticalScrollBar(); }, "ScrollBar",
       SBS_VERT, WS_CHILD, 0, 0, false},
      {"size grip", [](QWidget& f) { return new QSizeGrip(&f); }, "ScrollBar", SBS_SIZEGRIP, WS_CHILD, 0, 0, true},
      {"page control with tabs below", [](QWidget& f) {
         auto* t = new QTabWidget(&f);
         t->setTabPosition(QTabWidget::South);
         return t;
       }, "TPageControl", TCS_BOTTOM, WS_CHILD, 0, 0, true},
      {"right-aligned label",
       [](QWidget& f) { auto* l = new QLabel("x", &f); l->setAlignment(Qt::AlignRight); return l; }, "TLabel",
       SS_RIGHT, WS_CHILD, 0, 0, true},
      {"hidden, disabled edit", [](QWidget& f) {
         auto* e = new QLineEdit(&f);
         e->hide();
         e->setEnabled(false);
         return e;
       }, "TEdit", 0, WS_CHILD | WS_DISABLED, WS_VISIBLE, 0, true},
      {"right-to-left panel",
       [](QWidget& f) { auto* p = new QFrame(&f); p->setLayoutDirection(Qt::RightToLeft); return p; }, "TPanel",
       0, WS_CHILD, 0, WS_EX_RIGHT | WS_EX_RTLREADING | WS_EX_LEFTSCROLLBAR, true},
      {"popup menu", [](QWidget& f) { return new QMenu(&f); }, "#32768", 0, WS_POPUP,
       WS_CHILD | WS_CAPTION | WS_THICKFRAME | WS_VISIBLE, 0, true},
      {"message box", [](QWidget& f) { return Shown(new QMessageBox(&f)); }, "TMessageForm", 0,
       WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, WS_CHILD | WS_THICKFRAME, WS_EX_DLGMODALFRAME, true},
      {"button of a file dialog",
       [](QWidget& f) { return FileDialog(f)->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel); },
       "Button", BS_PUSHBUTTON, WS_CHILD, 0, 0, true},
      {"edit of a file dialog", [](QWidget& f) { return FileDialog(f)->findChild<QLineEdit*>("fileNameEdit"); },
       "Edit", 0, WS_CHILD, 0, 0, true},
      {"main window", [](QWidget& f) { return new QMainWindow(&f, Qt::Window); }, "TForm", 0,
       WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX, WS_POPUP | WS_CHILD, 0, true},
      {"fixed dialog of the program's own", [](QWidget& f) {
         auto* d = new TFrmProbe(&f, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                         Qt::WindowContextHelpButtonHint);
         d->setFixedSize(200, 100);
         return d;
       }, "TFrmProbe", 0, WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_THICKFRAME | WS_MINIMIZEBOX,
       WS_EX_DLGMODALFRAME | WS_EX_CONTEXTHELP, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    QWidget form;
    QWidget* w = row.make(form);
    ASSERT_NE(w, nullptr);
    form.show();
    const auto style = std::uint32_t(GetWindowLong(w, GWL_STYLE));
    const auto exStyle = std::uint32_t(GetWindowLong(w, GWL_EXSTYLE));
    EXPECT_EQ(GetClassName(w).toStdString(), row.className);
    if (!w->isWindow()) {
      EXPECT_EQ(style & 0xFFFF, row.low);
    }
    EXPECT_EQ(style & row.style, row.style);
    EXPECT_EQ(style & row.notStyle, 0u);
    EXPECT_EQ(exStyle, row.exStyle);
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
  EXPECT_FALSE(frame->isEnabled());
  EXPECT_TRUE(frame->isVisible()) << "the bit alone does not hide it";
  EXPECT_EQ(GetWindowLong(frame, GWL_STYLE), (style | WS_CLIPCHILDREN | WS_DISABLED) & ~WS_VISIBLE);
  SetWindowLong(frame, GWL_STYLE, style);
  frame->hide();
  EXPECT_EQ(GetWindowLong(frame, GWL_STYLE), style & ~WS_VISIBLE) << "follows the widget again";
  frame->show();
  SetWindowLong(frame, GWL_USERDATA, 77);
  EXPECT_EQ(GetWindowLong(frame, GWL_USERDATA), 77);

  // Rectangles: the client area is inside the frame.
  EXPECT_EQ(GetClientRect(frame), Rect(0, 0, 96, 46));
  const QPoint screen = frame->mapToGlobal(QPoint(0, 0));
  EXPECT_EQ(GetWindowRect(frame), Bounds(screen.x(), screen.y(), 100, 50));

  // Properties by name without regard to case, and the Tag.
  int adapter = 0;
  SetProp(frame, "ACSBSC", &adapter);
  EXPECT_EQ(GetProp(frame, "acsbsc"), &adapter);
  EXPECT_EQ(RemoveProp(frame, "AcSbSc"), &adapter);
  EXPECT_EQ(GetProp(frame, "ACSBSC"), nullptr);
  EXPECT_EQ(GetTag(frame), 0);
  SetTag(frame, 7777);
  EXPECT_EQ(GetTag(frame), 7777);
  EXPECT_EQ(frame->property("Tag").toInt(), 7777);

  // Relations: siblings topmost first.
  EXPECT_EQ(GetParent(frame), &form);
  EXPECT_EQ(GetTopWindow(&form), top);
  EXPECT_EQ(GetWindow(&form, GW_CHILD), top);
  EXPECT_EQ(GetWindow(top, GW_HWNDNEXT), frame);
  EXPECT_EQ(GetWindow(frame, GW_HWNDNEXT), nullptr);
  EXPECT_EQ(GetWindow(frame, GW_HWNDPREV), top);
  EXPECT_EQ(GetWindow(top, GW_HWNDLAST), frame);
  frame->raise();
  EXPECT_EQ(GetTopWindow(&form), frame);
  EXPECT_EQ(GetWindow(&owned, GW_OWNER), &form);
  EXPECT_EQ(GetWindow(&owned, GW_HWNDNEXT), nullptr);
}

#include "WindowTableTest.moc"
