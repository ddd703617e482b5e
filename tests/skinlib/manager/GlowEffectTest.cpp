// Glows on the offscreen platform: where the window lies and what it
// shows (the painting skin's halo, known pixel by pixel), cut to the part
// of a control that shows, the list and its indexes, and the glow of a
// control's skin data.
#include "PaintingFixture.h"
#include "platform/LayeredWindow.h"
#include "platform/Startup.h"
#include "platform/WindowTable.h"
#include "skinlib/manager/CommonDataSeams.h"
#include "skinlib/manager/GlowEffect.h"
#include "skinlib/manager/sCommonData.h"

#include <QApplication>
#include <QWindow>

#include <algorithm>

using platform::LayeredWindow;
using platform::TRect;
using testskins::kHaloColour;
using testskins::kHaloMargin;
using testskins::kHaloOverlap;
using testskins::kHaloSize;

namespace {

constexpr int kM = kHaloMargin;  // every margin of the halo mask

// The glow windows that show.
std::vector<LayeredWindow*> ShownGlowWindows() {
  std::vector<LayeredWindow*> shown;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* layered = dynamic_cast<LayeredWindow*>(w); layered && layered->isVisible()) shown.push_back(layered);
  return shown;
}

void FreeReleasedWindows() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

// The layered windows that exist (those released freed first, unless
// asked not to).
int LayeredWindowCount(bool freeReleased = true) {
  if (freeReleased) FreeReleasedWindows();
  int n = 0;
  for (QWidget* w : QApplication::topLevelWidgets()) n += dynamic_cast<LayeredWindow*>(w) != nullptr;
  return n;
}

// The pixel (x, y) of a whole glow of w x h drawn from the halo without
// its centre, as the window takes it (a masked halo keeps alpha 0 and
// adds its colour): the halo pixel that slicing puts there, weighted by
// its mask byte.
QRgb ExpectedGlowPixel(int x, int y, int w, int h) {
  auto source = [](int p, int extent) {
    if (p < kM) return p;
    if (p >= extent - kM) return kHaloSize - (extent - p);
    return kM + (p - kM) % (kHaloSize - 2 * kM);
  };
  const bool middleX = x >= kM && x < w - kM, middleY = y >= kM && y < h - kM;
  if (middleX && middleY) return 0;  // no centre
  const int m = testskins::HaloMaskValue(source(x, w), source(y, h));
  auto weigh = [m](int s) { return ((0 - s) * m + s * 256) >> 8; };
  return qRgba(weigh(qRed(kHaloColour)), weigh(qGreen(kHaloColour)), weigh(qBlue(kHaloColour)), 0);
}

// The differences between what a glow window shows and the part of a
// whole w x h glow from `cut` on.
int WrongPixels(const QImage& picture, platform::TPoint cut, int w, int h) {
  int wrong = 0;
  for (int y = 0; y < picture.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
    for (int x = 0; x < picture.width(); ++x)
      if (row[x] != ExpectedGlowPixel(cut.X + x, cut.Y + y, w, h)) ++wrong;
  }
  return wrong;
}

}  // namespace

class GlowEffectTest : public PaintingSkinTest {
 protected:
  void SetUp() override {
    PaintingSkinTest::SetUp();
    for (const char* unit : kUnits) platform::StartUnit(unit);
    host.setGeometry(200, 150, 300, 200);
    host.show();
  }
  void TearDown() override {
    ClearGlows();
    for (auto it = std::rbegin(kUnits); it != std::rend(kUnits); ++it) platform::FinishUnit(*it);
    platform::SetLayeredWindowsAvailableForTesting(std::nullopt);
    FreeReleasedWindows();
    PaintingSkinTest::TearDown();
  }
  int Show(const TRect& r, int margin = kHaloOverlap, const char* section = "GLOWING", const char* mask = "GLOW") {
    return ShowGlow(r, TRect{0, 0, r.Width(), r.Height()}, QString::fromLatin1(section), QString::fromLatin1(mask),
                    margin, &host, nullptr);
  }

  static constexpr const char* kUnits[] = {"AlphaPainting", "GlowEffect"};
  QWidget host;
};

// A whole control: the window of W x H at (R.Left - ML + Margin, R.Top -
// MT + Margin), a tool window of the host shown without activation,
// transparent for input, showing the halo around an empty middle.
TEST_F(GlowEffectTest, AFullyVisibleControlGetsTheWholeGlow) {
  host.activateWindow();
  QApplication::processEvents();
  const TRect r{240, 180, 280, 210};  // 40 x 30
  const int index = Show(r);
  ASSERT_GE(index, 0);
  TacGlowEffect* glow = GlowAt(index);
  ASSERT_NE(glow, nullptr);
  LayeredWindow* form = glow->Form;
  ASSERT_NE(form, nullptr);
  const int w = 40 + 2 * kM - 2 * kHaloOverlap, h = 30 + 2 * kM - 2 * kHaloOverlap;
  EXPECT_EQ(form->geometry(), QRect(240 - kM + kHaloOverlap, 180 - kM + kHaloOverlap, w, h));
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(ShownGlowWindows().size(), 1u);
  EXPECT_TRUE(form->InputTransparent());
  EXPECT_TRUE(form->windowFlags().testFlag(Qt::Tool));
  EXPECT_FALSE(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  ASSERT_NE(form->windowHandle(), nullptr);
  EXPECT_EQ(form->windowHandle()->transientParent(), host.windowHandle()) << "kept above the control's window";
  QApplication::processEvents();
  EXPECT_NE(QApplication::activeWindow(), form) << "never activated";
  // The mouse passes through.
  EXPECT_EQ(platform::SendMessage(form, platform::WM_NCHITTEST, 0, 0), platform::HTTRANSPARENT);
  EXPECT_EQ(glow->Bitmap, nullptr) << "the window keeps its own copy";
  const QImage& picture = form->Picture();
  ASSERT_EQ(picture.size(), QSize(w, h));
  EXPECT_EQ(WrongPixels(picture, {0, 0}, w, h), 0);
  // The light next to the control, fading outwards; nothing in the middle.
  EXPECT_EQ(qRed(picture.pixel(kM - 1, h / 2)), (255 * (256 - 36)) >> 8);
  EXPECT_EQ(qRed(picture.pixel(0, h / 2)), (255 * (256 - 255)) >> 8);
  EXPECT_EQ(picture.pixel(w / 2, h / 2), 0u);
}

// A control that shows only in part gets the glow of its visible part:
// the whole glow cut where the control is cut.
TEST_F(GlowEffectTest, APartlyVisibleControlGetsTheGlowOfWhatShows) {
  const TRect r{100, 100, 140, 130};  // 40 x 30
  const int w = 40 + 2 * kM - 2 * kHaloOverlap, h = 30 + 2 * kM - 2 * kHaloOverlap;
  const int edge = kM - kHaloOverlap;  // how far the glow reaches out
  const struct {
    const char* what;
    TRect visible;
    QRect window;  // on the screen
  } rows[] = {
      {"left hidden", {10, 0, 40, 30}, QRect(110, 100 - edge, 30 + edge, h)},
      {"top hidden", {0, 12, 40, 30}, QRect(100 - edge, 112, w, 18 + edge)},
      {"right hidden", {0, 0, 25, 30}, QRect(100 - edge, 100 - edge, 25 + edge, h)},
      {"bottom hidden", {0, 0, 40, 20}, QRect(100 - edge, 100 - edge, w, 20 + edge)},
      {"a middle part", {5, 4, 30, 26}, QRect(105, 104, 25, 22)},
      {"reaching past the left", {-10, 0, 40, 30}, QRect(100 - edge, 100 - edge, w, h)},
  };
  for (const auto& row : rows) {
    const int index =
        ShowGlow(r, row.visible, QStringLiteral("GLOWING"), QStringLiteral("GLOW"), kHaloOverlap, &host, sm.get());
    ASSERT_GE(index, 0) << row.what;
    LayeredWindow* form = GlowAt(index)->Form;
    ASSERT_NE(form, nullptr) << row.what;
    EXPECT_EQ(form->geometry(), row.window) << row.what;
    const platform::TPoint cut{row.window.left() - (100 - edge), row.window.top() - (100 - edge)};
    EXPECT_EQ(WrongPixels(form->Picture(), cut, w, h), 0) << row.what;
    HideGlow(index);
  }
}

// Nothing is shown, and -1 answered, without layered windows, without the
// mask, for a margin wider than the mask's, or when nothing of the
// control shows.
TEST_F(GlowEffectTest, NothingShownGivesMinusOne) {
  const TRect r{240, 180, 280, 210};
  platform::SetLayeredWindowsAvailableForTesting(false);
  EXPECT_EQ(Show(r), -1) << "no layered windows";
  platform::SetLayeredWindowsAvailableForTesting(std::nullopt);
  EXPECT_EQ(Show(r, kHaloOverlap, "GLOWING", "HALO"), -1) << "no mask HALO0";
  EXPECT_EQ(Show(r, kHaloOverlap, "TILED"), -1) << "a section without GLOW0";
  EXPECT_EQ(Show(r, kHaloOverlap, "NOSUCHSECTION"), -1);
  const int wider = Show(r, kM + 1);  // wider than the mask's margins: a smaller glow
  ASSERT_GE(wider, 0);
  EXPECT_EQ(GlowAt(wider)->Form->geometry(), QRect(241, 181, 38, 28));
  HideGlow(wider);
  EXPECT_EQ(Show(r, 500), -1) << "a margin that leaves no glow";
  EXPECT_EQ(Show(TRect{240, 180, 240, 180}, 0), -1) << "a control of no size";
  EXPECT_EQ(ShowGlow(r, TRect{}, QStringLiteral("GLOWING"), QStringLiteral("GLOW"), kHaloOverlap, &host, sm.get()), -1)
      << "nothing shows";
  EXPECT_EQ(ShownGlowCount(), 0);
  EXPECT_EQ(LayeredWindowCount(), 0);
  // The mask's own margin overlaps the control exactly.
  const int index = Show(r, kM);
  ASSERT_GE(index, 0);
  EXPECT_EQ(GlowAt(index)->Form->geometry(), QRect(240, 180, 40, 30));
  // Without any manager.
  sm.reset();
  EXPECT_EQ(ShownGlowCount(), 0) << "the manager's end took the glows";
  EXPECT_EQ(LayeredWindowCount(false), 0) << "and freed their windows at once";
  EXPECT_EQ(Show(r), -1);
}

// Hiding frees the glow at that index alone; -1, an index past the end
// and one hidden already change nothing; the list keeps its length.
TEST_F(GlowEffectTest, HideGlowFreesOnlyItsOwnGlow) {
  const int a = Show(TRect{210, 160, 250, 190}), b = Show(TRect{300, 200, 340, 230});
  ASSERT_GE(a, 0);
  ASSERT_EQ(b, a + 1);
  EXPECT_EQ(ShownGlowCount(), 2);
  for (int index : {-1, b + 1, b + 1000, -5}) {
    HideGlow(index);
    EXPECT_EQ(ShownGlowCount(), 2) << index;
  }
  QPointer<LayeredWindow> formA = GlowAt(a)->Form;
  HideGlow(a);
  EXPECT_EQ(GlowAt(a), nullptr);
  EXPECT_FALSE(formA && formA->isVisible()) << "gone from the screen at once";
  ASSERT_TRUE(formA);
  EXPECT_NE(platform::SendMessage(formA, platform::WM_NCHITTEST, 0, 0), platform::HTTRANSPARENT)
      << "the glow procedure left the window's chain";
  FreeReleasedWindows();
  EXPECT_TRUE(formA.isNull()) << "and freed after the pending events";
  HideGlow(a);
  EXPECT_EQ(ShownGlowCount(), 1);
  EXPECT_NE(GlowAt(b), nullptr);
  EXPECT_EQ(Show(TRect{210, 160, 250, 190}), b + 1) << "the list kept its length";
}

// After ClearGlows an index kept from before hides nothing, though a new
// glow lies where the old one was.
TEST_F(GlowEffectTest, AStaleIndexAfterClearGlowsHidesNothing) {
  const int old = Show(TRect{210, 160, 250, 190});
  ASSERT_GE(old, 0);
  ClearGlows();
  EXPECT_EQ(ShownGlowCount(), 0);
  EXPECT_EQ(LayeredWindowCount(), 0);
  const int fresh = Show(TRect{210, 160, 250, 190});
  ASSERT_GE(fresh, 0);
  EXPECT_NE(fresh, old);
  HideGlow(old);
  EXPECT_NE(GlowAt(fresh), nullptr) << "the stale index hid the new glow";
  EXPECT_EQ(GlowAt(old), nullptr);
  EXPECT_EQ(ShownGlowCount(), 1);
  EXPECT_EQ(ShownGlowWindows().size(), 1u);
}

// A host that stays on top keeps its glows on top as well.
TEST_F(GlowEffectTest, ATopmostHostGivesATopmostGlow) {
  QWidget topmost(nullptr, Qt::WindowStaysOnTopHint);
  topmost.setGeometry(20, 20, 100, 80);
  topmost.show();
  ASSERT_TRUE(platform::GetWindowLong(&topmost, platform::GWL_EXSTYLE) & platform::WS_EX_TOPMOST);
  const int index = ShowGlow(TRect{40, 40, 80, 70}, TRect{0, 0, 40, 30}, QStringLiteral("GLOWING"),
                             QStringLiteral("GLOW"), 0, &topmost, nullptr);
  ASSERT_GE(index, 0);
  EXPECT_TRUE(GlowAt(index)->Form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_EQ(GlowAt(index)->Form->windowHandle()->transientParent(), topmost.windowHandle());
}

// A skin change and a skin's removal free every glow; so does the end of
// the unit, which also empties its seams.
TEST_F(GlowEffectTest, SkinChangesAndTheUnitsEndClearTheGlows) {
  WriteFolder(testskins::PaintingSkin(), QStringLiteral("Painting2"));
  ASSERT_GE(Show(TRect{210, 160, 250, 190}), 0);
  sm->SetSkinName(QStringLiteral("Painting2"));
  ASSERT_TRUE(sm->SkinData->Active);
  EXPECT_EQ(ShownGlowCount(), 0) << "a new skin";
  EXPECT_TRUE(ShownGlowWindows().empty());
  ASSERT_GE(Show(TRect{210, 160, 250, 190}), 0);
  sm->SetActive(false);
  EXPECT_EQ(ShownGlowCount(), 0) << "the skin removed";
  EXPECT_TRUE(ShownGlowWindows().empty());
  sm->SetActive(true);
  FreeReleasedWindows();
  ASSERT_GE(Show(TRect{210, 160, 250, 190}), 0);
  platform::FinishUnit("GlowEffect");
  EXPECT_EQ(ShownGlowCount(), 0);
  EXPECT_EQ(LayeredWindowCount(false), 0) << "no event loop will free them later";
  EXPECT_FALSE(ManagerSeams().FreeAllGlows);
  EXPECT_FALSE(CommonDataSeams().ShowControlGlow);
  EXPECT_FALSE(CommonDataSeams().HideGlow);
  platform::StartUnit("GlowEffect");
}

// The glow of a control's skin data: around the part of the control its
// parents leave showing, above its window; shown again, the old glow
// goes; hidden by the data's index.
TEST_F(GlowEffectTest, AControlsGlowThroughItsSkinData) {
  auto* panel = new QWidget(&host);
  panel->setGeometry(20, 30, 100, 60);
  auto* control = new QWidget(panel);
  control->setGeometry(70, 10, 50, 20);  // its right 20 pixels past the panel
  panel->show();
  control->show();
  QApplication::processEvents();
  TsCommonData data(control);
  data.SetSkinSection(QStringLiteral("GLOWING"));
  ASSERT_TRUE(data.Skinned());
  data.MouseAbove = true;
  data.ShowControlGlow(false);
  ASSERT_GE(data.GlowIndex, 0);
  EXPECT_EQ(VisiblePart(control), (TRect{0, 0, 30, 20}));
  LayeredWindow* form = GlowAt(data.GlowIndex)->Form;
  ASSERT_NE(form, nullptr);
  const QPoint origin = control->mapToGlobal(QPoint(0, 0));
  const int edge = kM - kHaloOverlap;
  EXPECT_EQ(form->geometry(), QRect(origin.x() - edge, origin.y() - edge, 30 + edge, 20 + 2 * edge));
  EXPECT_EQ(form->windowHandle()->transientParent(), host.windowHandle());
  const int first = data.GlowIndex;
  data.ShowControlGlow(true);
  EXPECT_EQ(data.GlowIndex, first) << "a reshow leaves a glow that shows";
  data.ShowControlGlow(false);
  EXPECT_NE(data.GlowIndex, first);
  EXPECT_EQ(GlowAt(first), nullptr) << "one glow a control";
  EXPECT_EQ(ShownGlowCount(), 1);
  data.HideGlow();
  EXPECT_EQ(ShownGlowCount(), 0);
  // Hidden by its parent: no glow.
  control->move(200, 10);
  data.ShowControlGlow(false);
  EXPECT_EQ(data.GlowIndex, -1);
  EXPECT_EQ(ShownGlowCount(), 0);
}

// What shows of a control inside its parents.
TEST_F(GlowEffectTest, VisiblePartOfAControl) {
  auto* outer = new QWidget(&host);
  outer->setGeometry(10, 10, 100, 100);
  auto* inner = new QWidget(outer);
  inner->setGeometry(-20, 50, 80, 80);
  auto* control = new QWidget(inner);
  const struct {
    QRect geometry;
    TRect visible;
  } rows[] = {
      {QRect(30, 10, 20, 20), TRect{0, 0, 20, 20}},  // inside both
      {QRect(0, 0, 30, 20), TRect{20, 0, 30, 20}},   // its left past the outer parent
      {QRect(40, 40, 60, 60), TRect{0, 0, 40, 10}},  // past both on the right and below
      {QRect(-40, 0, 30, 20), TRect{}},              // outside
  };
  outer->show();
  inner->show();
  for (const auto& row : rows) {
    control->setGeometry(row.geometry);
    control->show();
    EXPECT_EQ(VisiblePart(control), row.visible) << row.geometry.x() << "," << row.geometry.y();
  }
  control->hide();
  EXPECT_EQ(VisiblePart(control), TRect{});
  EXPECT_EQ(VisiblePart(nullptr), TRect{});
}

// A glow mask with alpha of its own (a 32-bit picture without mask part)
// reaches the window premultiplied, as the system's layered windows take
// it; its key-colour corners stay clear.
TEST_F(GlowEffectTest, AGlowWithItsOwnAlphaIsPremultiplied) {
  TsMaskData soft;
  soft.ClassName = QStringLiteral("GLOWING");
  soft.PropertyName = QStringLiteral("SOFT0");
  soft.Bmp = std::make_unique<platform::Bitmap>(12, 12, platform::pf32bit);
  soft.Bmp->Fill(qRgba(200, 101, 0, 128));
  soft.Bmp->SetArgb(0, 0, qRgba(255, 0, 255, 255));  // the key colour
  soft.R = TRect{0, 0, 12, 12};
  soft.ImgType = itisaGlow;
  soft.DrawMode = 4;
  soft.Manager = sm.get();
  soft.WL = soft.WT = soft.WR = soft.WB = 4;
  sm->MaskData.push_back(std::move(soft));
  const int index = Show(TRect{240, 180, 260, 200}, 1, "GLOWING", "SOFT");
  ASSERT_GE(index, 0);
  const QImage& picture = GlowAt(index)->Form->Picture();
  ASSERT_EQ(picture.size(), QSize(26, 26));
  auto raw = [&](int x, int y) { return reinterpret_cast<const QRgb*>(picture.constScanLine(y))[x]; };
  EXPECT_EQ(raw(0, 0), 0u) << "the key colour";
  // (200 x 128 + 127) / 255 and so on.
  for (QPoint p : {QPoint(1, 0), QPoint(12, 2), QPoint(25, 25), QPoint(2, 12)})
    EXPECT_EQ(raw(p.x(), p.y()), qRgba(100, 51, 0, 128)) << p.x() << "," << p.y();
  EXPECT_EQ(raw(12, 12), 0u) << "no centre";
}
