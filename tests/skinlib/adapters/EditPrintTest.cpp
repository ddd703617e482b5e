// The adapters in the generator's edit skin on its demo form: what
// WM_PRINT paints (edits, list boxes, report headers, combo boxes), the
// combo list's own frame, its presses and kept capture, a simple combo's
// cache, skin command 60, the edit's glow and its style.
#include "skinlib/adapters/ComboAdapters.h"
#include "skinlib/adapters/EditAdapters.h"

#include "SkinnedAdapterTest.h"

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/NonClient.h"
#include "platform/Capture.h"
#include "platform/ControlMessages.h"
#include "platform/Painting.h"
#include "platform/Properties.h"
#include "platform/WindowProc.h"
#include "platform/WindowTable.h"
#include "platform/WindowUtils.h"
#include "skinlib/manager/CommonDataSeams.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/ManagerSeams.h"
#include "skinlib/manager/SkinRecords.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/support/EditSkin.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QStyleFactory>
#include <QTreeView>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace platform;
using namespace testskins;

namespace {

QRgb Rgb(TColor c) { return ToQColor(ColorToRGB(c)).rgb() & 0xFFFFFF; }

// The messages a handler below the adapter sees, with the clip box of
// the canvas each carried.
struct Recorder {
  struct Seen {
    unsigned Msg;
    LPARAM LParam;
    TRect Clip;
  };
  explicit Recorder(QWidget* w)
      : hook(InstallWindowProc(w, [this](Message& m, const CallPrevious& previous) {
          TRect clip;
          if ((m.Msg == WM_PAINT || m.Msg == WM_PRINTCLIENT || m.Msg == WM_PRINT) && m.WParam)
            clip = ParamPtr<Canvas>(m.WParam)->GetClipBox();
          seen.push_back({m.Msg, m.LParam, clip});
          previous(m);
        })) {}
  ~Recorder() { RemoveWindowProc(hook); }
  int Count(unsigned msg) const {
    int n = 0;
    for (const Seen& s : seen) n += s.Msg == msg;
    return n;
  }
  std::vector<Seen> seen;
  WindowProcHandle hook;
};

// Pixels of `image` inside `r` of exactly `rgb`.
int CountColour(const QImage& image, const TRect& r, QRgb rgb) {
  int n = 0;
  for (int y = std::max(0, r.Top); y < std::min(image.height(), r.Bottom); ++y)
    for (int x = std::max(0, r.Left); x < std::min(image.width(), r.Right); ++x)
      n += (image.pixel(x, y) & 0xFFFFFF) == (rgb & 0xFFFFFF);
  return n;
}

QImage Print(QWidget* w, unsigned flags) {
  Bitmap bmp(w->width(), w->height(), pf24bit);
  bmp.Fill(0xFF00FF00);
  SendMessage(w, WM_PRINT, PtrParam(&bmp.GetCanvas()), LPARAM(flags));
  return bmp.ToQImage();
}

constexpr unsigned kAll = PRF_NONCLIENT | PRF_ERASEBKGND | PRF_CLIENT | PRF_CHILDREN;

class EditPrintTest : public SkinnedAdapterTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(Activate(EditSkin(), "Edit"));
    QCursor::setPos(-500, -500);
    demo = std::make_unique<EditDemoForm>();
    demo->Form->show();
    QApplication::processEvents();
  }
  void TearDown() override {
    if (demo && demo->Combo) demo->Combo->hidePopup();
    combo.reset();
    report.reset();
    box.reset();
    edit.reset();
    editData.reset();
    comboData.reset();
    demo.reset();
    ComboDropped = false;
    CreatingDialogAdapters = false;
    Finish();
  }
  void SkinEdit() {
    editData = std::make_unique<TsCommonData>(demo->Edit);
    editData->SetSkinManager(manager.get());
    editData->SetSkinSection("EDIT");
    edit = TacMainWnd::Create<TacEditWnd>(demo->Edit, editData.get(), manager.get(), "EDIT", true);
    ASSERT_TRUE(edit && !edit->Destroyed());
    QApplication::processEvents();
  }
  // With `control`, the combo box has the program's control behind it.
  void SkinCombo(bool control = false) {
    if (control) {
      comboData = std::make_unique<TsCommonData>(demo->Combo);
      comboData->SetSkinManager(manager.get());
      comboData->SetSkinSection("COMBOBOX");
    }
    combo = TacMainWnd::Create<TacComboBoxWnd>(demo->Combo, comboData.get(), manager.get(), "COMBOBOX", true);
    ASSERT_TRUE(combo && !combo->Destroyed());
    QApplication::processEvents();
  }
  std::unique_ptr<EditDemoForm> demo;
  std::unique_ptr<TsCommonData> editData, comboData;
  TacAdapterPtr<TacEditWnd> edit, box;
  TacAdapterPtr<TacListViewWnd> report;
  TacAdapterPtr<TacComboBoxWnd> combo;
};

}  // namespace

// A printed edit shows the skin's border in its state's image, the
// parent's background at the border's transparent corners and its text
// inside; Qt's own frame stays under the border.
TEST_F(EditPrintTest, EditPrintsBorderCornersAndText) {
  SkinEdit();
  QWidget* w = demo->Edit;
  const QImage printed = Print(w, kAll);
  const int h = w->height();
  EXPECT_EQ(printed.pixel(0, h / 2) & 0xFFFFFF, kEditFrameColors[size_t(AdapterState(*editData))] & 0xFFFFFF);
  TsBgSource bg;
  ParentWndCacheInfo(w, bg);
  const QRgb parent = bg.Bitmap ? Rgb(bg.Bitmap->GetPixel(w->x(), w->y())) : Rgb(bg.FillColor);
  EXPECT_EQ(printed.pixel(0, 0) & 0xFFFFFF, parent);
  EXPECT_EQ(printed.pixel(w->width() - 1, h - 1) & 0xFFFFFF, parent);
  // Nothing of the canvas's own colour is left, and the text is there.
  const TRect whole{0, 0, w->width(), h};
  EXPECT_EQ(CountColour(printed, whole, 0x00FF00), 0);
  const TRect client{edit->BorderWidth(), edit->BorderWidth(), w->width() - edit->BorderWidth(),
                     h - edit->BorderWidth()};
  const QRgb base = printed.pixel(client.Right - 2, h / 2) & 0xFFFFFF;
  const int all = client.Width() * client.Height();
  EXPECT_LT(CountColour(printed, client, base), all - 20) << "the text is printed";
  // The border strip is the cache's, all round.
  const QImage cache = editData->CacheBitmap->ToQImage();
  for (const auto& [x, y] : {std::pair{1, h / 2}, {w->width() - 2, h / 2}, {w->width() / 2, 1}, {w->width() / 2, h - 2}})
    EXPECT_EQ(printed.pixel(x, y) & 0xFFFFFF, cache.pixel(x, y) & 0xFFFFFF) << x << "," << y;
}

// An empty list box prints its background alone: neither it nor its
// items area paints; a filled one paints both.
TEST_F(EditPrintTest, EmptyListBoxPrintsOnlyItsBackground) {
  QListWidget* list = demo->List;
  Recorder onList(list), onItems(list->viewport());
  box = TacMainWnd::Create<TacEditWnd>(list, nullptr, manager.get(), "EDIT", true);
  struct Row {
    int items;
    int printClient;
  } rows[] = {{0, 0}, {3, 1}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.items);
    list->clear();
    for (int i = 0; i < row.items; ++i) list->addItem(QString::number(i));
    onList.seen.clear();
    onItems.seen.clear();
    Print(list, kAll);
    EXPECT_EQ(onList.Count(WM_PRINTCLIENT), row.printClient);
    EXPECT_EQ(onItems.Count(WM_PRINTCLIENT), row.printClient);
    EXPECT_EQ(onItems.Count(WM_ERASEBKGND), 1);
    // The client paint is clipped inside the border.
    for (const Recorder::Seen& s : onList.seen)
      if (s.Msg == WM_PRINTCLIENT) {
        EXPECT_GT(s.Clip.Left, 0);
      }
  }
}

// A printed report view shows its header from "COLHEADER", with the
// sort glyph on the sorted column, also without its children printed.
TEST_F(EditPrintTest, ReportHeaderPrintedWithSortGlyph) {
  QTreeView* tree = demo->Report;
  report = TacMainWnd::Create<TacListViewWnd>(tree, nullptr, manager.get(), "EDIT", true);
  QApplication::processEvents();
  ASSERT_NE(report->HeaderWnd(), nullptr);
  const QImage printed = Print(tree, PRF_ERASEBKGND | PRF_CLIENT);
  QWidget* port = tree->header()->viewport();
  const QPoint at = port->mapTo(tree, QPoint(0, 0));
  const int first = tree->header()->sectionSize(0);
  const TRect firstItem{at.x(), at.y(), at.x() + first, at.y() + port->height()};
  EXPECT_GT(CountColour(printed, firstItem, kColHeaderFills[0]), first * port->height() / 3);
  EXPECT_GT(CountColour(printed, firstItem, kSortGlyphColor), 4) << "the sort glyph";
  const TRect second{firstItem.Right, at.y(), firstItem.Right + tree->header()->sectionSize(1), firstItem.Bottom};
  EXPECT_EQ(CountColour(printed, second, kSortGlyphColor), 0);
  // The same as the header paints itself.
  const QImage own = port->grab().toImage();
  int same = 0;
  for (int y = 0; y < own.height(); ++y)
    for (int x = 0; x < first; ++x) same += (own.pixel(x, y) & 0xFFFFFF) == (printed.pixel(at.x() + x, at.y() + y) & 0xFFFFFF);
  EXPECT_EQ(same, first * own.height());
}

// A printed combo box shows its button from "COMBOBTN" with the
// "COMBOBOX" glyph, its border and its text.
TEST_F(EditPrintTest, ComboPrintsButtonGlyphBorderAndText) {
  SkinCombo();
  QWidget* w = demo->Combo;
  const QImage printed = Print(w, kAll);
  const TRect r = combo->ButtonRect();
  ASSERT_FALSE(r.IsEmpty());
  Bitmap button(r.Width(), r.Height(), pf24bit);
  combo->PaintComboButton(button);
  const QImage want = button.ToQImage();
  int same = 0;
  for (int y = 0; y < r.Height(); ++y)
    for (int x = 0; x < r.Width(); ++x)
      same += (printed.pixel(r.Left + x, r.Top + y) & 0xFFFFFF) == (want.pixel(x, y) & 0xFFFFFF);
  EXPECT_EQ(same, r.Width() * r.Height());
  EXPECT_GT(CountColour(printed, r, kComboGlyphColor), 4) << "the glyph";
  EXPECT_EQ(CountColour(printed, TRect{0, 0, w->width(), w->height()}, 0x00FF00), 0);
  const TRect text{3, 3, r.Left - 3, w->height() - 3};
  const QRgb bg = printed.pixel(text.Right - 2, w->height() / 2) & 0xFFFFFF;
  EXPECT_LT(CountColour(printed, text, bg), text.Width() * text.Height() - 20) << "the text";
}

// A simple combo box's cache is its edit part: the window's width and the
// item height + 8; in dialog mode the GLOBALINFO colour.
TEST_F(EditPrintTest, SimpleComboCache) {
  for (bool dlg : {false, true}) {
    SCOPED_TRACE(dlg);
    CreatingDialogAdapters = dlg;
    SkinCombo();
    CreatingDialogAdapters = false;
    SetWindowLong(demo->Combo, GWL_STYLE, (GetWindowLong(demo->Combo, GWL_STYLE) & ~std::intptr_t(3)) | CBS_SIMPLE);
    ASSERT_TRUE(combo->Simple());
    combo->PaintSimpleComboCache();
    const Bitmap& cache = *combo->SkinData()->CacheBitmap;
    EXPECT_EQ(cache.Width(), demo->Combo->width());
    EXPECT_EQ(cache.Height(), int(SendMessage(demo->Combo, CB_GETITEMHEIGHT, 0)) + 8);
    const QRgb middle = ToQColor(cache.GetPixel(cache.Width() / 2, cache.Height() / 2)).rgb() & 0xFFFFFF;
    if (dlg)
      EXPECT_EQ(middle, Rgb(kEditGlobalColor));
    else
      EXPECT_NE(middle, Rgb(kEditGlobalColor));
    UninstallAdapter(true, false, combo);
    SetWindowLong(demo->Combo, GWL_STYLE, (GetWindowLong(demo->Combo, GWL_STYLE) & ~std::intptr_t(3)) | CBS_DROPDOWNLIST);
  }
}

// The drop-down list's frame is a rectangle of its colour outlined in its
// border colour; a press in the frame outside the bars ends with the hit
// code and reaches nothing below.
TEST_F(EditPrintTest, ComboListFrameAndFramePresses) {
  SkinCombo();
  QAbstractItemView* view = demo->Combo->view();
  Recorder below(view);
  demo->Combo->showPopup();
  QApplication::processEvents();
  TacComboListWnd* list = combo->ListAdapter();
  ASSERT_NE(list, nullptr);
  list->PaintComboListFrame();
  const QImage cache = list->SkinData()->CacheBitmap->ToQImage();
  ASSERT_EQ(cache.size(), view->size());
  EXPECT_EQ(cache.pixel(0, 0) & 0xFFFFFF, Rgb(list->EditBorderColor()));
  EXPECT_EQ(cache.pixel(cache.width() - 1, cache.height() - 1) & 0xFFFFFF, Rgb(list->EditBorderColor()));
  EXPECT_EQ(cache.pixel(3, 3) & 0xFFFFFF, Rgb(list->EditBgColor()));
  EXPECT_EQ(list->EditBgColor(), TColor(kEditColor));
  below.seen.clear();
  TPoint p{view->width() / 2, view->height() / 2};
  ClientToScreen(view, &p);
  const LRESULT result = SendMessage(view, WM_NCLBUTTONDOWN, HTBORDER, MAKELPARAM(p.X, p.Y));
  EXPECT_EQ(result, SendMessage(view, WM_NCHITTEST, 0, MAKELPARAM(p.X, p.Y)));
  EXPECT_EQ(below.Count(WM_NCLBUTTONDOWN), 0);
  // The list's frame painted as its non-client band.
  const QImage shown = view->grab().toImage();
  EXPECT_EQ(shown.pixel(0, shown.height() / 2) & 0xFFFFFF, Rgb(list->EditBorderColor()));
  EXPECT_EQ(list->BorderWidth(), 2);
}

// The release of a press on the drop-down list's bar keeps the list's
// capture when the combo box is a bare window (the open list holds the
// mouse) and lets it go otherwise; the list's closing ends a kept one.
TEST_F(EditPrintTest, BareComboListKeepsCaptureAfterBarRelease) {
  // An editable box's list scrolls by its bar (a list box's, not a menu's).
  demo->Combo->setEditable(true);
  for (int i = 0; i < 30; ++i) demo->Combo->addItem(QString::number(i));
  demo->Combo->setMaxVisibleItems(5);
  for (bool control : {false, true}) {
    SCOPED_TRACE(control);
    SkinCombo(control);
    demo->Combo->showPopup();
    QApplication::processEvents();
    QAbstractItemView* view = demo->Combo->view();
    TacComboListWnd* list = combo->ListAdapter();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->BareCombo, !control);
    list->RefreshScrolls(false);
    ASSERT_TRUE(list->VertBar()->Visible);
    const TRect bar = list->VertBarRect();
    const TPoint at{(bar.Left + bar.Right) / 2, bar.Bottom - 3};
    ASSERT_EQ(SendMessage(view, WM_NCHITTEST, 0, MAKELPARAM(at.X, at.Y)), HTVSCROLL);
    SendMessage(view, WM_NCLBUTTONDOWN, HTVSCROLL, MAKELPARAM(at.X, at.Y));
    EXPECT_EQ(GetCapture(), view);
    TPoint client = at;
    ScreenToClient(view, &client);
    SendMessage(view, WM_LBUTTONUP, 0, MAKELPARAM(client.X, client.Y));
    EXPECT_EQ(GetCapture() == view, !control);
    EXPECT_EQ(ScrollTracking().PressedPart, -1);
    demo->Combo->hidePopup();
    QApplication::processEvents();
    EXPECT_NE(GetCapture(), view);
    UninstallAdapter(true, false, combo);
    comboData.reset();
  }
}

// Skin command 60 answers the application object; the mouse entering an
// edit of kind 227 shows its glow, leaving frees every glow.
TEST_F(EditPrintTest, ApplicationAnswerAndGlows) {
  SkinEdit();
  EXPECT_EQ(SendMessage(demo->Edit, SkinCommandMsg, MAKEWPARAM(0, acGetApplication), 0),
            LRESULT(PtrParam(QCoreApplication::instance())));
  int shown = 0, freed = 0;
  auto& cd = CommonDataSeams();
  auto& ms = ManagerSeams();
  const auto savedShow = cd.ShowControlGlow;
  const auto savedFree = ms.FreeAllGlows;
  const auto savedLayered = ms.LayeredWindowsAvailable;
  ms.LayeredWindowsAvailable = [] { return true; };
  cd.ShowControlGlow = [&](TsCommonData&, bool) { ++shown; };
  ms.FreeAllGlows = [&] { ++freed; };
  for (int kind : {0, kGlowingEditKind}) {
    SCOPED_TRACE(kind);
    shown = freed = 0;
    editData->ControlKind = kind;
    SendMessage(demo->Edit, kCmMouseEnter, 0, 0);
    EXPECT_EQ(shown, kind == kGlowingEditKind ? 1 : 0);
    EXPECT_EQ(freed, 0);
    SendMessage(demo->Edit, kCmMouseLeave, 0, 0);
    EXPECT_EQ(freed, 1);
  }
  cd.ShowControlGlow = savedShow;
  ms.FreeAllGlows = savedFree;
  ms.LayeredWindowsAvailable = savedLayered;
}

// A line edit wears the adapter's style while adapted and has its own
// back after, unless the application gave it another meanwhile.
TEST_F(EditPrintTest, LineEditStyleGivenBack) {
  QLineEdit* w = demo->Edit;
  QStyle* before = w->style();
  SkinEdit();
  EXPECT_NE(w->style(), before);
  EXPECT_TRUE(edit->PaintsBorder());
  UninstallAdapter(true, false, edit);
  editData.reset();
  EXPECT_EQ(w->style(), before);
  std::unique_ptr<QStyle> other(QStyleFactory::create(QStringLiteral("Fusion")));
  SkinEdit();
  w->setStyle(other.get());
  UninstallAdapter(true, false, edit);
  EXPECT_EQ(w->style(), other.get());
  w->setStyle(nullptr);
  // Under a style sheet Qt wraps the adapter's style; the wrapper goes
  // with it, and the edit paints on after.
  editData.reset();
  w->setStyleSheet(QStringLiteral("QLineEdit { color: #204060; }"));
  SkinEdit();
  UninstallAdapter(true, false, edit);
  EXPECT_FALSE(w->grab().isNull());
  w->setStyleSheet(QString());
}

// An edit focused before its adapter came paints its active image.
TEST_F(EditPrintTest, EditFocusedBeforeItsAdapter) {
  demo->Form->activateWindow();
  demo->Edit->setFocus();
  QApplication::processEvents();
  if (!demo->Edit->hasFocus()) GTEST_SKIP() << "no focus on this platform";
  SkinEdit();
  EXPECT_FALSE(editData->Focused);
  EXPECT_EQ(AdapterState(*editData), 1);
  const QImage printed = Print(demo->Edit, kAll);
  EXPECT_EQ(printed.pixel(0, demo->Edit->height() / 2) & 0xFFFFFF, kEditFrameColors[1] & 0xFFFFFF);
}

// The skin's refresh reaches the edit's scroll adapter: the section's
// indexes are read again and the colours applied.
TEST_F(EditPrintTest, RefreshReadsIndexesAgain) {
  SkinEdit();
  const int section = manager->IndexOfSection("EDIT");
  ASSERT_GE(section, 0);
  editData->SectionIndex = -1;
  SetControlColor(demo->Edit, 0x123456);
  SendMessage(demo->Edit, SkinCommandMsg, MAKEWPARAM(0, acRefresh), LPARAM(PtrParam(manager.get())));
  EXPECT_EQ(editData->SectionIndex, section);
  EXPECT_EQ(GetControlColor(demo->Edit), editData->SectionBgColor(editData->ControlIsActive(), demo->Edit));
}
