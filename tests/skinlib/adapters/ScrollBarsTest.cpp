// The skinned scroll bars on Qt scroll areas: where the bars lie, what they
// paint, the grip corner, giving Qt its bars back, and the tracking (press,
// repeat, drag, release, the capture going) driven by messages and timer
// ticks, never by the clock.
#include "skinlib/adapters/ScrollBars.h"

#include "platform/Capture.h"
#include "platform/Messages.h"
#include "platform/ScrollInfo.h"
#include "platform/Startup.h"
#include "platform/Timers.h"
#include "platform/UserPrompts.h"
#include "platform/WindowPos.h"
#include "platform/WindowProc.h"
#include "platform/WindowTable.h"
#include "platform/WindowUtils.h"
#include "skinlib/adapters/SkinCommandSenders.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/SkinRecords.h"
#include "skinlib/manager/sCommonData.h"
#include "skinlib/manager/sSkinManager.h"
#include "skinlib/support/TestSkins.h"
#include "support/TempDir.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QImage>
#include <QScrollBar>
#include <QTextEdit>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace platform;

namespace {

struct Sent {
  unsigned msg;
  int code;
  int pos;
};

// Notes the scroll messages and timers that get past the adapter.
class Recorder {
 public:
  explicit Recorder(QWidget* w) {
    hook_ = InstallWindowProc(w, [this](Message& m, const CallPrevious& previous) {
      if (m.Msg == WM_HSCROLL || m.Msg == WM_VSCROLL)
        scrolls.push_back({m.Msg, int(LOWORD(m.WParam)), int(HIWORD(m.WParam))});
      if (m.Msg == WM_TIMER) timers.push_back(m.WParam);
      if (m.Msg == WM_NCRBUTTONDOWN || m.Msg == WM_NCRBUTTONUP || m.Msg == WM_NCMBUTTONDOWN ||
          m.Msg == WM_NCMBUTTONUP)
        ++otherButtons;
      previous(m);
    });
  }
  ~Recorder() { RemoveWindowProc(hook_); }
  std::vector<int> Codes() const {
    std::vector<int> c;
    for (const Sent& s : scrolls) c.push_back(s.code);
    return c;
  }
  std::vector<Sent> scrolls;
  std::vector<WPARAM> timers;
  int otherButtons = 0;

 private:
  WindowProcHandle hook_;
};

QRgb Rgb(int color) { return qRgb(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF); }

QRect GlobalRect(const QWidget* w) { return QRect(w->mapToGlobal(QPoint(0, 0)), w->size()); }
QRect AsQRect(const TRect& r) { return QRect(r.Left, r.Top, r.Width(), r.Height()); }
LPARAM At(int x, int y) { return MAKELPARAM(x, y); }

bool HasColour(const QImage& image, QRgb colour) {
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if ((image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF)) return true;
  return false;
}

class ScrollBarsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* unit : kUnits) StartUnit(unit);
    QString error;
    ASSERT_TRUE(testskins::WriteSkinFolder(testskins::ScrollBarSkin(), Root() + "/ScrollBars", &error))
        << error.toStdString();
    ASSERT_TRUE(testskins::WriteSkinFolder(testskins::ScrollBarSkin(0, 0), Root() + "/GripZero", &error));
    form.resize(400, 300);
  }
  void TearDown() override {
    adapter.reset();
    area.reset();
    manager.reset();
    ScrollTracking() = {};
    for (auto it = std::rbegin(kUnits); it != std::rend(kUnits); ++it) FinishUnit(*it);
  }

  QString Root() const { return QString::fromStdString(dir.Path()); }
  void Activate(const QString& skin = "ScrollBars") {
    manager = std::make_unique<TsSkinManager>();
    manager->SetSkinDirectory(Root());
    manager->SetSkinName(skin);
    ASSERT_TRUE(manager->Active());
  }
  // A text edit with both bars, at `geometry` of the form.
  void MakeEdit(const QRect& geometry = QRect(10, 10, 300, 200)) {
    auto* edit = new QTextEdit(&form);
    edit->setLineWrapMode(QTextEdit::NoWrap);
    QString text;
    for (int i = 0; i < 200; ++i) text += QString("line %1 ").arg(i) + QString(150, QChar('x')) + "\n";
    edit->setPlainText(text);
    edit->setGeometry(geometry);
    edit->show();
    area.reset(edit);
    form.show();
    QApplication::processEvents();
  }
  // A plain scroll area whose ranges the test sets.
  void MakeArea(int hMin, int hMax, int hPage) {
    auto* a = new QAbstractScrollArea(&form);
    a->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    a->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    a->setGeometry(10, 10, 300, 200);
    a->horizontalScrollBar()->setRange(hMin, hMax);
    a->horizontalScrollBar()->setPageStep(hPage);
    a->show();
    area.reset(a);
    form.show();
    QApplication::processEvents();
  }
  void Skin() {
    adapter = InstallScrollAdapter(area.get(), nullptr, nullptr, "EDIT", true);
    QApplication::processEvents();
    ASSERT_TRUE(adapter && !adapter->Destroyed());
  }
  QScrollBar* HBar() const { return static_cast<QAbstractScrollArea*>(area.get())->horizontalScrollBar(); }
  QScrollBar* VBar() const { return static_cast<QAbstractScrollArea*>(area.get())->verticalScrollBar(); }
  // A press on the horizontal bar at `x` along it (from its left), its middle across.
  LRESULT PressHorz(int x, unsigned msg = WM_NCLBUTTONDOWN) {
    const TRect r = adapter->HorzBarRect();
    return SendMessage(area.get(), msg, HTHSCROLL, At(r.Left + x, (r.Top + r.Bottom) / 2));
  }
  // A move to `x` along the horizontal bar, in the area's client coordinates.
  void MoveHorz(int x) {
    const TRect r = adapter->HorzBarRect();
    TPoint p{r.Left + x, (r.Top + r.Bottom) / 2};
    ScreenToClient(area.get(), &p);
    SendMessage(area.get(), WM_MOUSEMOVE, MK_LBUTTON, At(p.X, p.Y));
  }
  void Release() { SendMessage(area.get(), WM_LBUTTONUP, 0, At(0, 0)); }
  void Tick(std::uintptr_t id) { SendMessage(area.get(), WM_TIMER, id, 0); }

  static constexpr const char* kUnits[] = {"LibraryConstants", "SkinnedForms", "SkinCommandSenders", "acSBUtils"};
  testsupport::TempDir dir;
  RecordingPrompts prompts;
  ScopedPrompts scopedPrompts{prompts};
  QWidget form;
  std::unique_ptr<QWidget> area;
  std::unique_ptr<TsSkinManager> manager;
  TacAdapterPtr<TacScrollWnd> adapter;
};

}  // namespace

// The bars lie where Qt put them, as thick as the adapter says, and the
// insets read with both bars are the frame's.
TEST_F(ScrollBarsTest, BarsLieWhereQtPutsThem) {
  MakeEdit();
  Activate();
  Skin();
  auto* edit = static_cast<QTextEdit*>(area.get());
  EXPECT_TRUE(adapter->HorzBar()->Visible);
  EXPECT_TRUE(adapter->VertBar()->Visible);
  EXPECT_EQ(HBar()->height(), GetSystemMetrics(SM_CYHSCROLL));
  EXPECT_EQ(VBar()->width(), GetSystemMetrics(SM_CXVSCROLL));
  EXPECT_EQ(AsQRect(adapter->HorzBarRect()), GlobalRect(HBar()));
  EXPECT_EQ(AsQRect(adapter->VertBarRect()), GlobalRect(VBar()));
  const int frame = edit->frameWidth();
  EXPECT_EQ(adapter->BorderLeft(), frame);
  EXPECT_EQ(adapter->BorderTop(), frame);
  EXPECT_EQ(adapter->BorderRight(), frame);
  EXPECT_EQ(adapter->BorderBottom(), frame);
  // Another thickness: Qt lays the bars out with it.
  adapter->VertBar()->Thickness = 24;
  adapter->RelayoutBars();
  QApplication::processEvents();
  EXPECT_EQ(VBar()->width(), 24);
  EXPECT_EQ(AsQRect(adapter->VertBarRect()), GlobalRect(VBar()));
}

// The bars paint from the skin: arrows with their glyphs, both tracks, the
// thumb; and leaving gives Qt's painting back pixel for pixel.
TEST_F(ScrollBarsTest, PaintsFromTheSkinAndGivesQtItsBarsBack) {
  MakeEdit();
  const QImage qtH = HBar()->grab().toImage(), qtV = VBar()->grab().toImage();
  const QImage qtArea = area->grab().toImage();
  Activate();
  Skin();
  const QImage h = HBar()->grab().toImage();
  EXPECT_EQ(h.pixel(8, 8) & 0xFFFFFF, testskins::kScrollGlyphColors[0] & 0xFFFFFF) << "first arrow's glyph";
  EXPECT_EQ(h.pixel(h.width() - 20, 8) & 0xFFFFFF, Rgb(testskins::kScrollTrack2Color) & 0xFFFFFF) << "track 2";
  EXPECT_TRUE(HasColour(h, Rgb(testskins::kScrollSliderColor))) << "thumb";
  EXPECT_TRUE(HasColour(h, Rgb(testskins::kScrollButtonColor))) << "arrow";
  const QImage v = VBar()->grab().toImage();
  EXPECT_EQ(v.pixel(8, 8) & 0xFFFFFF, testskins::kScrollGlyphColors[0] & 0xFFFFFF);
  // The thumb further on: track 1 before it.
  HBar()->setValue(HBar()->maximum());
  QApplication::processEvents();
  const QImage end = HBar()->grab().toImage();
  EXPECT_EQ(end.pixel(20, 8) & 0xFFFFFF, Rgb(testskins::kScrollTrack1Color) & 0xFFFFFF);
  HBar()->setValue(0);

  UninstallScrollAdapter(true, true, adapter);
  QApplication::processEvents();
  EXPECT_EQ(HBar()->grab().toImage(), qtH);
  EXPECT_EQ(VBar()->grab().toImage(), qtV);
  EXPECT_EQ(area->grab().toImage(), qtArea);
}

// A bar shorter than two arrows: two half arrows, no thumb, part 0 in its
// first half.
TEST_F(ScrollBarsTest, ShortBar) {
  MakeEdit(QRect(10, 10, 44, 200));
  Activate();
  Skin();
  const TRect r = adapter->HorzBarRect();
  ASSERT_LT(r.Width(), 32);
  ASSERT_GT(r.Width(), 4);
  const TacBarLayout layout = adapter->Layout(*adapter->HorzBar());
  for (int x = r.Left; x < r.Left + r.Width() / 2; ++x)
    EXPECT_EQ(HitTestPart(layout, r, x, r.Top + 4), spFirstArrow) << x;
  const QImage h = HBar()->grab().toImage();
  EXPECT_FALSE(HasColour(h, Rgb(testskins::kScrollSliderColor)));
  EXPECT_TRUE(HasColour(h, Rgb(testskins::kScrollButtonColor)));
}

// The grip shows and answers HTBOTTOMRIGHT only at a top-level window's
// bottom-right; a grip image with a count of 0 counts as one image.
TEST_F(ScrollBarsTest, GripCorner) {
  for (const char* skin : {"ScrollBars", "GripZero"}) {
    SCOPED_TRACE(skin);
    for (bool atCorner : {false, true}) {
      MakeEdit(atCorner ? QRect(100, 100, 300, 200) : QRect(10, 10, 300, 200));
      Activate(skin);
      Skin();
      const TRect c = CornerRect(adapter->Frame());
      ASSERT_GT(c.Width(), 0);
      const LRESULT hit = SendMessage(area.get(), WM_NCHITTEST, 0, At(c.Left + 4, c.Top + 4));
      EXPECT_EQ(hit == HTBOTTOMRIGHT, atCorner);
      EXPECT_EQ(adapter->IsGripCorner(), atCorner);
      const QImage image = area->grab().toImage();
      const QPoint tl = area->mapFromGlobal(QPoint(c.Left, c.Top));
      const QImage corner = image.copy(QRect(tl, QSize(c.Width(), c.Height())));
      EXPECT_EQ(HasColour(corner, testskins::kScrollGripColour), atCorner);
      adapter.reset();
      area.reset();
      manager.reset();
    }
  }
}

// Right to left: the vertical bar stands at the left after the frame change.
TEST_F(ScrollBarsTest, LeftScrollBarAfterALayoutDirectionChange) {
  MakeEdit();
  Activate();
  Skin();
  EXPECT_FALSE(adapter->LeftScrollBar());
  area->setLayoutDirection(Qt::RightToLeft);
  QApplication::processEvents();
  RefreshWindowFrame(area.get(), true);
  EXPECT_TRUE(adapter->LeftScrollBar());
  EXPECT_EQ(AsQRect(adapter->VertBarRect()), GlobalRect(VBar()));
  EXPECT_EQ(AsQRect(adapter->HorzBarRect()), GlobalRect(HBar()));
  area->setLayoutDirection(Qt::LeftToRight);
  QApplication::processEvents();
  RefreshWindowFrame(area.get(), true);
  EXPECT_FALSE(adapter->LeftScrollBar());
  EXPECT_EQ(AsQRect(adapter->VertBarRect()), GlobalRect(VBar()));
}

// Held arrow: one step at once, one at the delay, then one a repeat tick;
// none while the mouse is off the arrow; the release ends it.
TEST_F(ScrollBarsTest, ArrowRepeat) {
  MakeEdit();
  Activate();
  Recorder rec(area.get());
  Skin();
  const int width = adapter->HorzBarRect().Width();
  PressHorz(width - 4);  // the second arrow
  EXPECT_EQ(rec.Codes(), std::vector<int>{SB_LINEDOWN});
  EXPECT_EQ(GetCapture(), area.get());
  EXPECT_EQ(ScrollTracking().PressedPart, spSecondArrow);
  Tick(kDelayTimer);
  EXPECT_EQ(rec.Codes().size(), 2u);
  EXPECT_FALSE(KillTimer(area.get(), kDelayTimer)) << "the delay ends at its tick";
  Tick(kRepeatTimer);
  Tick(kRepeatTimer);
  EXPECT_EQ(rec.Codes().size(), 4u);
  EXPECT_EQ(HBar()->value(), 4 * HBar()->singleStep());
  // Off the arrow: paused, and the arrow shows unpressed.
  MoveHorz(width / 2);
  EXPECT_EQ(ScrollTracking().LastHitPart, spNone);
  Tick(kRepeatTimer);
  EXPECT_EQ(rec.Codes().size(), 4u);
  MoveHorz(width - 4);
  Tick(kRepeatTimer);
  EXPECT_EQ(rec.Codes().size(), 5u);
  Release();
  EXPECT_EQ(rec.Codes().back(), SB_ENDSCROLL);
  EXPECT_FALSE(KillTimer(area.get(), kRepeatTimer)) << "the release stops the repeat";
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(ScrollTracking().PressedPart, spNone);
  const size_t after = rec.scrolls.size();
  Tick(kRepeatTimer);  // a late tick
  EXPECT_EQ(rec.scrolls.size(), after);
}

// Disabled arrows ignore presses; right and middle clicks are swallowed;
// a double click presses; a foreign timer reaches the handler before.
TEST_F(ScrollBarsTest, ButtonsAndForeignTimers) {
  MakeEdit();
  Activate();
  Recorder rec(area.get());
  Skin();
  adapter->HorzBar()->BarFlags |= kBarFirstDisabled;
  HBar()->setValue(50);
  PressHorz(4);
  EXPECT_TRUE(rec.scrolls.empty());
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(ScrollTracking().PressedPart, spNone);
  Release();
  EXPECT_TRUE(rec.scrolls.empty()) << "nothing pressed, nothing released";
  for (unsigned msg : {WM_NCRBUTTONDOWN, WM_NCRBUTTONUP, WM_NCMBUTTONDOWN, WM_NCMBUTTONUP}) PressHorz(40, msg);
  EXPECT_EQ(rec.otherButtons, 0);
  EXPECT_TRUE(rec.scrolls.empty());
  PressHorz(adapter->HorzBarRect().Width() - 4, WM_NCLBUTTONDBLCLK);
  EXPECT_EQ(rec.Codes(), std::vector<int>{SB_LINEDOWN});
  Release();
  rec.timers.clear();
  Tick(4242);
  EXPECT_EQ(rec.timers, std::vector<WPARAM>{4242});
}

// The thumb drag: positions while dragging, then SB_THUMBPOSITION and
// SB_ENDSCROLL with the last one; the application's connection fires.
TEST_F(ScrollBarsTest, ThumbDrag) {
  MakeEdit();
  Activate();
  Recorder rec(area.get());
  Skin();
  int changes = 0;
  QObject::connect(HBar(), &QScrollBar::valueChanged, [&changes] { ++changes; });
  const TacThumb thumb = ThumbGeometry(adapter->Layout(*adapter->HorzBar()), adapter->HorzBarRect());
  const int x0 = thumb.Start - adapter->HorzBarRect().Left + thumb.Size / 2;
  PressHorz(x0);
  EXPECT_TRUE(adapter->ThumbTracking());
  MoveHorz(x0 + 40);
  MoveHorz(x0 + 80);
  ASSERT_GE(rec.scrolls.size(), 2u);
  EXPECT_EQ(rec.scrolls.back().code, SB_THUMBTRACK);
  const int last = rec.scrolls.back().pos;
  EXPECT_GT(last, 0);
  EXPECT_EQ(HBar()->value(), last);
  EXPECT_GT(changes, 0);
  Release();
  ASSERT_GE(rec.scrolls.size(), 4u);
  const Sent& pos = rec.scrolls[rec.scrolls.size() - 2];
  const Sent& end = rec.scrolls.back();
  EXPECT_EQ(pos.code, SB_THUMBPOSITION);
  EXPECT_EQ(pos.pos, last);
  EXPECT_EQ(end.code, SB_ENDSCROLL);
  EXPECT_EQ(end.pos, last);
  EXPECT_FALSE(adapter->ThumbTracking());
  EXPECT_EQ(HBar()->value(), last);
}

// A range of 10 to 110: the drag sends positions from 10 to 110.
TEST_F(ScrollBarsTest, RangeFromTen) {
  MakeArea(10, 110, 1);
  Activate();
  Recorder rec(area.get());
  Skin();
  const TRect r = adapter->HorzBarRect();
  const TacThumb thumb = ThumbGeometry(adapter->Layout(*adapter->HorzBar()), r);
  const int x0 = thumb.Start - r.Left + thumb.Size / 2;
  PressHorz(x0);
  MoveHorz(x0 + 5);
  ASSERT_FALSE(rec.scrolls.empty());
  EXPECT_GE(rec.scrolls.back().pos, 10);
  MoveHorz(r.Width() + 50);
  EXPECT_EQ(rec.scrolls.back().pos, 110);
  EXPECT_EQ(HBar()->value(), 110);
  MoveHorz(-50);
  EXPECT_EQ(rec.scrolls.back().pos, 10);
  Release();
  EXPECT_EQ(rec.scrolls.back().code, SB_ENDSCROLL);
  EXPECT_EQ(rec.scrolls.back().pos, 10);
}

// Every way of losing the capture ends the press: timers stopped, a drag
// closed, the state reset, and a later release sends nothing.
TEST_F(ScrollBarsTest, LosingTheCapture) {
  enum Way { OtherWindow, Deactivated, Hidden, Destroyed };
  for (Way way : {OtherWindow, Deactivated, Hidden, Destroyed}) {
    for (bool drag : {false, true}) {
      SCOPED_TRACE(testing::Message() << "way " << way << " drag " << drag);
      MakeEdit();
      Activate();
      auto rec = std::make_unique<Recorder>(area.get());
      Skin();
      QWidget other(&form);
      other.setGeometry(350, 250, 20, 20);
      other.show();
      if (drag) {
        const TacThumb thumb = ThumbGeometry(adapter->Layout(*adapter->HorzBar()), adapter->HorzBarRect());
        const int x0 = thumb.Start - adapter->HorzBarRect().Left + thumb.Size / 2;
        PressHorz(x0);
        MoveHorz(x0 + 30);
      } else {
        PressHorz(adapter->HorzBarRect().Width() - 4);
      }
      ASSERT_EQ(GetCapture(), area.get());
      const int last = rec->scrolls.back().pos;
      switch (way) {
        case OtherWindow: SetCapture(&other); break;
        case Deactivated: {
          QEvent e(QEvent::WindowDeactivate);
          QApplication::sendEvent(&form, &e);
          break;
        }
        case Hidden:
          area->hide();
          break;
        case Destroyed:
          rec.reset();
          area.reset();
          break;
      }
      EXPECT_EQ(ScrollTracking().PressedPart, spNone);
      EXPECT_EQ(ScrollTracking().TrackedBar, -1);
      if (way != Destroyed) {
        EXPECT_FALSE(adapter->ThumbTracking());
        const std::vector<int> codes = rec->Codes();
        if (drag) {
          ASSERT_GE(codes.size(), 2u);
          EXPECT_EQ(codes[codes.size() - 2], SB_THUMBPOSITION);
          EXPECT_EQ(rec->scrolls[rec->scrolls.size() - 2].pos, last);
        }
        EXPECT_EQ(codes.back(), SB_ENDSCROLL);
        EXPECT_FALSE(KillTimer(area.get(), kDelayTimer));
        EXPECT_FALSE(KillTimer(area.get(), kRepeatTimer));
        const size_t n = rec->scrolls.size();
        Tick(kRepeatTimer);
        Tick(kDelayTimer);
        Release();
        EXPECT_EQ(rec->scrolls.size(), n);
      } else {
        EXPECT_TRUE(adapter->Destroyed()) << "the adapter left its window";
      }
      ReleaseCapture();
      rec.reset();
      adapter.reset();
      area.reset();
      manager.reset();
    }
  }
}

// SetScrollInfo and GetScrollInfo agree, and the adapter reads the same.
TEST_F(ScrollBarsTest, ScrollInfoRoundTrip) {
  MakeArea(0, 10, 1);
  Activate();
  Skin();
  SCROLLINFO in;
  in.fMask = SIF_ALL;
  in.nMin = 10;
  in.nMax = 110;
  in.nPage = 5;
  in.nPos = 30;
  SetScrollInfo(area.get(), SB_HORZ, in);
  SCROLLINFO out;
  out.fMask = SIF_ALL;
  ASSERT_TRUE(GetScrollInfo(area.get(), SB_HORZ, &out));
  EXPECT_EQ(out.nMin, 10);
  EXPECT_EQ(out.nMax, 110);
  EXPECT_EQ(out.nPage, 5u);
  EXPECT_EQ(out.nPos, 30);
  adapter->RefreshScrolls(false);
  const SCROLLINFO& seen = adapter->HorzBar()->ScrollInfo;
  EXPECT_EQ(seen.nMin, 10);
  EXPECT_EQ(seen.nMax, 110);
  EXPECT_EQ(seen.nPos, 30);
}

// A bare window's adapter leaves its window when the window goes; the
// free routines find it while it is there.
// The window answers a background query before the adapter does (its
// skin data fills only what is left unanswered); a changed border has the
// band worked out anew.
TEST_F(ScrollBarsTest, TheWindowAnswersFirstAndAChangedBorderIsLaidAnew) {
  MakeEdit();
  Activate();
  Skin();
  int calcSizes = 0;
  WindowProcHandle own = InstallWindowProc(
      area.get(),
      [&](Message& m, const CallPrevious& previous) {
        calcSizes += m.Msg == WM_NCCALCSIZE;
        if (m.Msg == SkinCommandMsg && HIWORD(m.WParam) == acBgQuery)
          *ParamPtr<TsBgQuery>(m.LParam) = {nullptr, 0x123456, {}, {}, TsBgQuery::PlainColor};
        previous(m);
      },
      WindowProcLevel::Control);
  TsBgQuery query;
  SendSkinCommandToHandle(area.get(), acBgQuery, LPARAM(PtrParam(&query)));
  EXPECT_EQ(query.Color, 0x123456) << "the window's own";
  SendMessage(area.get(), CM_BORDERCHANGED);
  EXPECT_GT(calcSizes, 0);
  RemoveWindowProc(own);
}

TEST_F(ScrollBarsTest, LeavesOnDestroyAndIsFound) {
  MakeEdit();
  Activate();
  Skin();
  EXPECT_EQ(ScrollAdapterOfWindow(area.get()), adapter.get());
  EXPECT_EQ(ScrollBarOfWindow(area.get(), SB_VERT), adapter->VertBar());
  EXPECT_TRUE(SetMinThumbSize(area.get(), 3, 0x10014));
  EXPECT_EQ(adapter->HorzBar()->MinThumbSize, 20);
  EXPECT_FALSE(SetMinThumbSize(&form, 3, 10));
  area.reset();
  EXPECT_TRUE(adapter->Destroyed());
}

// The hover: over an arrow it shows hot after the hover tick; the mouse
// gone from the bar resets it.
TEST_F(ScrollBarsTest, HoverShowsTheArrowHot) {
  MakeEdit();
  Activate();
  Skin();
  const TRect r = adapter->HorzBarRect();
  const LPARAM onArrow = At(r.Right - 8, r.Top + 8);
  SendMessage(area.get(), WM_NCMOUSEMOVE, HTHSCROLL, onArrow);
  EXPECT_EQ(ScrollTracking().HoverWnd, area.get());
  EXPECT_EQ(ScrollTracking().HoverBar, SB_HORZ);
  Tick(kHoverTimer);
  EXPECT_EQ(ScrollTracking().HoverPart, spSecondArrow);
  const QImage hot = HBar()->grab().toImage();
  EXPECT_EQ(hot.pixel(hot.width() - 8, 8) & 0xFFFFFF, testskins::kScrollGlyphColors[1] & 0xFFFFFF);
  EXPECT_TRUE(HasColour(hot, Rgb(testskins::kScrollButtonHotColor)));
  // Off the bar: the next tick ends the hover.
  SendMessage(area.get(), WM_NCMOUSEMOVE, HTBORDER, At(r.Left - 50, r.Top - 50));
  Tick(kHoverTimer);
  EXPECT_EQ(ScrollTracking().HoverBar, -1);
  EXPECT_EQ(ScrollTracking().HoverPart, spNone);
  const QImage cold = HBar()->grab().toImage();
  EXPECT_FALSE(HasColour(cold, Rgb(testskins::kScrollButtonHotColor)));
}

// Qt's own mouse events on a bar reach the adapter: a click on the second
// arrow scrolls one step and ends; a right click does nothing.
TEST_F(ScrollBarsTest, RealMouseOnTheBar) {
  MakeEdit();
  Recorder rec(area.get());
  Activate();
  Skin();
  const QPoint arrow(HBar()->width() - 4, HBar()->height() / 2);
  QTest::mouseClick(HBar(), Qt::LeftButton, {}, arrow);
  EXPECT_EQ(rec.Codes(), (std::vector<int>{SB_LINEDOWN, SB_ENDSCROLL}));
  EXPECT_EQ(HBar()->value(), HBar()->singleStep());
  EXPECT_EQ(ScrollTracking().PressedPart, spNone);
  // After the click a move over the bar is a hover again.
  ScrollTracking().HoverBar = -1;
  QTest::mouseMove(HBar(), QPoint(HBar()->width() / 2, 8));
  EXPECT_EQ(ScrollTracking().HoverBar, SB_HORZ);
  QTest::mouseClick(HBar(), Qt::RightButton, {}, arrow);
  QTest::mouseClick(HBar(), Qt::MiddleButton, {}, QPoint(HBar()->width() / 2, 8));
  EXPECT_EQ(rec.scrolls.size(), 2u);
  EXPECT_EQ(HBar()->value(), HBar()->singleStep());
}

// A text edit with both bars: normal, an arrow hot, the thumb dragged.
// With SSQ_SCREENSHOT_DIR set the three pictures are saved there.
TEST_F(ScrollBarsTest, Screenshots) {
  MakeEdit(QRect(10, 10, 280, 180));
  Activate();
  Skin();
  const QImage normal = area->grab().toImage();
  const TRect v = adapter->VertBarRect();
  SendMessage(area.get(), WM_NCMOUSEMOVE, HTVSCROLL, At(v.Left + 8, v.Bottom - 8));
  Tick(kHoverTimer);
  const QImage hot = area->grab().toImage();
  const TRect h = adapter->HorzBarRect();
  const TacThumb thumb = ThumbGeometry(adapter->Layout(*adapter->HorzBar()), h);
  const int x0 = thumb.Start - h.Left + thumb.Size / 2;
  PressHorz(x0);
  MoveHorz(x0 + 60);
  const QImage dragged = area->grab().toImage();
  Release();
  EXPECT_NE(normal, hot);
  EXPECT_NE(hot, dragged);
  EXPECT_TRUE(HasColour(hot, Rgb(testskins::kScrollButtonHotColor)));
  EXPECT_TRUE(HasColour(dragged, testskins::kScrollGlyphColors[2])) << "the pressed thumb's grip";
  if (const QByteArray shots = qgetenv("SSQ_SCREENSHOT_DIR"); !shots.isEmpty()) {
    const QString folder = QString::fromLocal8Bit(shots);
    EXPECT_TRUE(normal.save(folder + "/scrollbars-normal.png"));
    EXPECT_TRUE(hot.save(folder + "/scrollbars-hot-arrow.png"));
    EXPECT_TRUE(dragged.save(folder + "/scrollbars-dragged-thumb.png"));
  }
}

// A scrolling control's own skin data: the adapter comes while the data is
// skinned (on the control's chain) and goes when the skin is removed.
TEST_F(ScrollBarsTest, ControlScrollAdapterFollowsTheSkin) {
  MakeEdit();
  Activate();
  TsCommonData data(area.get());
  data.SetSkinSection("EDIT");
  TacAdapterPtr<TacScrollWnd> own;
  UpdateControlScrollAdapter(data, own);
  ASSERT_TRUE(own);
  EXPECT_EQ(own->Subclassing(), TacSubclassing::Control);
  EXPECT_EQ(ScrollAdapterOfWindow(area.get()), own.get());
  QApplication::processEvents();
  EXPECT_EQ(AsQRect(own->HorzBarRect()), GlobalRect(HBar()));
  UpdateControlScrollAdapter(data, own);  // still skinned: the same one stays
  EXPECT_EQ(ScrollAdapterOfWindow(area.get()), own.get());
  manager->SetActive(false);
  UpdateControlScrollAdapter(data, own);
  EXPECT_FALSE(own);
  EXPECT_EQ(ScrollAdapterOfWindow(area.get()), nullptr);
}

// An adapter freed (or uninstalled) while an arrow is held and its bar
// hovered leaves nothing behind: no capture, no pressed or hovered state.
TEST_F(ScrollBarsTest, LeavingWhilePressed) {
  for (bool freeIt : {false, true}) {
    MakeEdit();
    Recorder rec(area.get());
    Activate();
    Skin();
    const TRect r = adapter->HorzBarRect();
    SendMessage(area.get(), WM_NCMOUSEMOVE, HTHSCROLL, At(r.Right - 4, r.Top + 4));
    PressHorz(r.Width() - 4);
    ASSERT_EQ(GetCapture(), area.get());
    UninstallScrollAdapter(freeIt, false, adapter);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(ScrollTracking().PressedPart, spNone);
    EXPECT_EQ(ScrollTracking().HoverWnd, nullptr);
    const size_t n = rec.scrolls.size();
    Tick(kRepeatTimer);
    Release();
    EXPECT_EQ(rec.scrolls.size(), n);
    adapter.reset();
    area.reset();
    manager.reset();
  }
}

// The skin's arrow length: with RESERVEDBOOLEAN on SCROLLBTNLEFT, a
// horizontal bar's arrow is one state's width of SCROLLBTNLEFT's border and
// a vertical bar's one image's height of SCROLLBTNTOP's (its mask part
// halves it); the layout keeps the plain 16, only painting takes the skin's.
TEST_F(ScrollBarsTest, SkinArrowLength) {
  testskins::TestSkin skin = testskins::ScrollBarSkin();
  QImage left(60, 16, QImage::Format_RGB32), top(16, 44, QImage::Format_RGB32);
  left.fill(Qt::gray);
  top.fill(Qt::gray);
  const QRect l = skin.Place(left), t = skin.Place(top);
  skin.Section("SCROLLBTNLEFT")
      .Put("RESERVEDBOOLEAN", "TRUE")
      .Put("BORDERSMASK", testskins::BorderValue(l, QMargins(2, 2, 2, 2), 3, 0, 1, 0));
  skin.Section("SCROLLBTNTOP").Put("BORDERSMASK", testskins::BorderValue(t, QMargins(2, 2, 2, 2), 1, 1, 1, 0));
  QString error;
  ASSERT_TRUE(testskins::WriteSkinFolder(skin, Root() + "/LongArrows", &error)) << error.toStdString();
  skin.Section("SCROLLBTNLEFT").Put("RESERVEDBOOLEAN", "FALSE");
  ASSERT_TRUE(testskins::WriteSkinFolder(skin, Root() + "/LongArrowsOff", &error)) << error.toStdString();
  MakeEdit();
  Activate("LongArrows");
  Skin();
  EXPECT_EQ(adapter->ScrollBarMetric(*adapter->HorzBar(), false, true), 20);
  EXPECT_EQ(adapter->ScrollBarMetric(*adapter->VertBar(), false, true), 22);
  EXPECT_EQ(adapter->ScrollBarMetric(*adapter->HorzBar(), false, false), 16);
  adapter->HorzBar()->ArrowLength = -2;
  EXPECT_EQ(adapter->ScrollBarMetric(*adapter->HorzBar(), false, true), 40);
  EXPECT_EQ(adapter->ScrollBarMetric(*adapter->HorzBar(), false, false), 32);
  adapter->HorzBar()->ArrowLength = 12;
  EXPECT_EQ(adapter->ScrollBarMetric(*adapter->HorzBar(), false, true), 12);
  // Without the switch the skin's masks do not count.
  adapter.reset();
  manager.reset();
  Activate("LongArrowsOff");
  Skin();
  EXPECT_EQ(adapter->ScrollBarMetric(*adapter->HorzBar(), false, true), 16);
  EXPECT_EQ(adapter->ScrollBarMetric(*adapter->VertBar(), false, true), 16);
}

// A disabled bar: no thumb, its parts faded into the background, and the
// hit test answers HTNOWHERE over it.
TEST_F(ScrollBarsTest, DisabledBar) {
  MakeEdit();
  Activate();
  Skin();
  const QImage enabled = HBar()->grab().toImage();
  area->setEnabled(false);
  QApplication::processEvents();
  const TRect r = adapter->HorzBarRect();
  EXPECT_EQ(SendMessage(area.get(), WM_NCHITTEST, 0, At(r.Left + 40, r.Top + 4)), HTNOWHERE);
  const QImage disabled = HBar()->grab().toImage();
  EXPECT_FALSE(HasColour(disabled, Rgb(testskins::kScrollSliderColor)));
  const QRgb track = disabled.pixel(disabled.width() - 20, 8);
  EXPECT_NE(track & 0xFFFFFF, Rgb(testskins::kScrollTrack2Color) & 0xFFFFFF);
  EXPECT_EQ(enabled.pixel(enabled.width() - 20, 8) & 0xFFFFFF, Rgb(testskins::kScrollTrack2Color) & 0xFFFFFF);
  PressHorz(r.Width() - 4);
  EXPECT_EQ(ScrollTracking().PressedPart, spNone);
  EXPECT_EQ(HBar()->value(), 0);
}
