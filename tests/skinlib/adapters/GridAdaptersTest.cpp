// The grid and virtual-tree adapters, on test controls that carry the
// published names those controls have.
#include "skinlib/adapters/GridAdapters.h"

#include "SkinnedAdapterTest.h"
#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Colors.h"
#include "platform/Painting.h"
#include "platform/Properties.h"
#include "platform/WindowProc.h"
#include "skinlib/manager/LibraryConstants.h"
#include "skinlib/manager/LibraryUtils.h"
#include "skinlib/manager/SkinColors.h"
#include "skinlib/manager/SectionBackgrounds.h"
#include "skinlib/manager/SkinOptions.h"
#include "skinlib/manager/SkinRecords.h"
#include "skinlib/manager/sSkinManager.h"

#include <QAbstractScrollArea>
#include <QApplication>

#include <functional>
#include <vector>

using namespace platform;

namespace {

class ColorObject : public QObject {
  Q_OBJECT
  Q_PROPERTY(int Color MEMBER color)
 public:
  int color = 0x010101;
};

class LookObject : public QObject {
  Q_OBJECT
  Q_PROPERTY(int FixedGradientFrom MEMBER from)
  Q_PROPERTY(int FixedGradientTo MEMBER to)
 public:
  int from = 0x020202, to = int(clNone);
};

// A grid's published colours, a title font and its scroll bars.
class TestGrid : public QAbstractScrollArea {
  Q_OBJECT
  Q_PROPERTY(int FixedColor MEMBER fixedColor)
  Q_PROPERTY(int FooterColor MEMBER footerColor)
  Q_PROPERTY(int FooterCellColor MEMBER footerCellColor)
  Q_PROPERTY(int TitleColor MEMBER titleColor)
  Q_PROPERTY(int IndicatorIconColor MEMBER indicatorIconColor)
  Q_PROPERTY(int SelectionColor MEMBER selectionColor)
  Q_PROPERTY(int SelectionTextColor MEMBER selectionTextColor)
  Q_PROPERTY(int GridLineColor MEMBER gridLineColor)
  Q_PROPERTY(int GridFixedLineColor MEMBER gridFixedLineColor)
  Q_PROPERTY(QObject* TitleFont READ TitleFont)
  Q_PROPERTY(int ScrollBars READ ScrollBars WRITE SetScrollBars)
 public:
  explicit TestGrid(QWidget* parent) : QAbstractScrollArea(parent) {}
  QObject* TitleFont() { return &titleFont; }
  int ScrollBars() const { return scrollBars; }
  void SetScrollBars(int v) {
    scrollBars = v;
    scrollBarLog.push_back(v);
  }
  int fixedColor = 0x100001, footerColor = 0x100002, footerCellColor = 0x100003, titleColor = 0x100004,
      indicatorIconColor = 0x100005, selectionColor = 0x100006, selectionTextColor = 0x100007,
      gridLineColor = 0x100008, gridFixedLineColor = 0x100009;
  ColorObject titleFont;
  int scrollBars = 3;
  std::vector<int> scrollBarLog;
};

// The same with "ControlLook" and a fixed font.
class LookGrid : public TestGrid {
  Q_OBJECT
  Q_PROPERTY(QObject* ControlLook READ ControlLook)
  Q_PROPERTY(QObject* FixedFont READ FixedFont)
 public:
  using TestGrid::TestGrid;
  QObject* ControlLook() { return &look; }
  QObject* FixedFont() { return &fixedFont; }
  LookObject look;
  ColorObject fixedFont;
};

class VetColors : public QObject {
  Q_OBJECT
  Q_PROPERTY(int CompressedTextColor MEMBER compressed)
  Q_PROPERTY(int FileTextColor MEMBER file)
  Q_PROPERTY(int FolderTextColor MEMBER folder)
 public:
  int compressed = 0x200001, file = 0x200002, folder = 0x200003;
};

class TreeHeader : public QObject {
  Q_OBJECT
 public:
  enum HeaderOption { hoVisible = 0x1, hoOwnerDraw = 0x2 };
  Q_DECLARE_FLAGS(HeaderOptions, HeaderOption)
  Q_FLAG(HeaderOptions)
  Q_PROPERTY(HeaderOptions Options READ Options WRITE SetOptions)
  Q_PROPERTY(int SortDirection MEMBER sortDirection)
  Q_PROPERTY(int Height MEMBER height)

 public:
  HeaderOptions Options() const { return options; }
  void SetOptions(HeaderOptions value) { options = value; }
  HeaderOptions options = hoVisible;
  int sortDirection = 0;
  int height = 17;
};

// A virtual tree: its colours, its header and the header's two events.
class VirtualTree : public QAbstractScrollArea {
  Q_OBJECT
  Q_PROPERTY(QObject* VETColors READ Colors)
  Q_PROPERTY(QObject* Header READ Header)
 public:
  explicit VirtualTree(QWidget* parent) : QAbstractScrollArea(parent) {
    setProperty("OnAdvancedHeaderDraw", QVariant::fromValue(std::function<TacAdvancedHeaderDraw>()));
    setProperty("OnHeaderDrawQueryElements", QVariant::fromValue(std::function<TacHeaderDrawQueryElements>()));
  }
  QObject* Colors() { return &colors; }
  QObject* Header() { return &header; }
  VetColors colors;
  TreeHeader header;
};

class GridAdaptersTest : public SkinnedAdapterTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(Activate(testskins::DemoSkin(), "Demo"));
    form.resize(300, 200);
    form.show();
  }
  void TearDown() override { Finish(); }
  const TsGeneralData& Global() const {
    return manager->GeneralData[size_t(manager->StandardIndexes.GlobalInfo)];
  }
  void RemoveSkin(QWidget* w) {
    SendMessage(w, SkinCommandMsg, MAKEWPARAM(0, acRemoveSkin), LPARAM(PtrParam(manager.get())));
  }
};

}  // namespace

// Without "ControlLook" a grid gets only its fixed, title font, footer,
// title and indicator colours; skin removal gives every one back and
// switches the scroll bars off and on.
TEST_F(GridAdaptersTest, GridWithoutControlLook) {
  auto* grid = new TestGrid(&form);
  grid->show();
  {
    auto adapter = TacMainWnd::Create<TacGridWnd>(grid, nullptr, manager.get(), "EDIT", true);
    adapter->ApplySkinParams();
    EXPECT_EQ(grid->fixedColor, manager->GlobalSectionColor());
    EXPECT_EQ(grid->titleFont.color, manager->GlobalSectionFontColor());
    EXPECT_EQ(grid->footerColor, Global().Color);
    EXPECT_EQ(grid->footerCellColor, Global().Color);
    EXPECT_EQ(grid->titleColor, Global().Color);
    const TsGeneralData& edit = manager->GeneralData[size_t(manager->IndexOfSection("EDIT"))];
    EXPECT_EQ(grid->indicatorIconColor, edit.FontColor[0]);
    // Only with "ControlLook".
    EXPECT_EQ(grid->selectionColor, 0x100006);
    EXPECT_EQ(grid->selectionTextColor, 0x100007);
    EXPECT_EQ(grid->gridLineColor, 0x100008);
    EXPECT_EQ(grid->gridFixedLineColor, 0x100009);
    RemoveSkin(grid);
    UninstallAdapter(true, false, adapter);
  }
  EXPECT_EQ(grid->fixedColor, 0x100001);
  EXPECT_EQ(grid->footerColor, 0x100002);
  EXPECT_EQ(grid->footerCellColor, 0x100003);
  EXPECT_EQ(grid->titleColor, 0x100004);
  EXPECT_EQ(grid->indicatorIconColor, 0x100005);
  EXPECT_EQ(grid->titleFont.color, 0x010101);
  EXPECT_EQ(grid->scrollBarLog, (std::vector<int>{0, 3}));
}

// With "ControlLook" every colour is the skin's; they all come back, a
// kept clNone as clBtnFace.
TEST_F(GridAdaptersTest, GridWithControlLook) {
  auto* grid = new LookGrid(&form);
  grid->show();
  auto adapter = TacMainWnd::Create<TacGridWnd>(grid, nullptr, manager.get(), "EDIT", true);
  adapter->ApplySkinParams();
  EXPECT_EQ(grid->fixedFont.color, manager->GlobalSectionFontColor());
  EXPECT_EQ(grid->gridFixedLineColor, manager->SkinData->BorderColor);
  EXPECT_EQ(grid->gridLineColor, MixColors(manager->GlobalSectionHotColor(), manager->EditHotFontColor(), 0.5));
  EXPECT_EQ(grid->look.from, MixColors(manager->GlobalSectionColor(), manager->GlobalSectionHotColor(), 0.5));
  EXPECT_EQ(grid->look.to, manager->GlobalSectionColor());
  EXPECT_EQ(grid->selectionColor, manager->MenuHighlightColor());
  EXPECT_EQ(grid->selectionTextColor, manager->MenuHighlightTextColor());
  UninstallAdapter(true, false, adapter);
  EXPECT_EQ(grid->gridFixedLineColor, 0x100009);
  EXPECT_EQ(grid->gridLineColor, 0x100008);
  EXPECT_EQ(grid->selectionColor, 0x100006);
  EXPECT_EQ(grid->selectionTextColor, 0x100007);
  EXPECT_EQ(grid->look.from, 0x020202);
  EXPECT_EQ(grid->look.to, clBtnFace);
}

// A virtual tree whose header events the application assigned keeps them,
// skinned and after; one without gets the skin's, and loses them with the
// skin; its colours and header option come back.
TEST_F(GridAdaptersTest, VirtualTreeHeaderEvents) {
  struct Row {
    bool ownDraw, ownQuery;
  } rows[] = {{false, false}, {true, false}, {true, true}, {false, true}};
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.ownDraw << row.ownQuery);
    auto* tree = new VirtualTree(&form);
    tree->show();
    int ownDrawCalls = 0, ownQueryCalls = 0;
    if (row.ownDraw)
      SetEventProperty<TacAdvancedHeaderDraw>(tree, "OnAdvancedHeaderDraw",
                                              [&](TacHeaderPaintInfo&, int) { ++ownDrawCalls; });
    if (row.ownQuery)
      SetEventProperty<TacHeaderDrawQueryElements>(tree, "OnHeaderDrawQueryElements",
                                                   [&](TacHeaderPaintInfo&, int&) { ++ownQueryCalls; });
    auto adapter = TacMainWnd::Create<TacVirtualTreeViewWnd>(tree, nullptr, manager.get(), "EDIT", true);
    adapter->ApplySkinParams();
    const TsGeneralData& edit = manager->GeneralData[size_t(manager->IndexOfSection("EDIT"))];
    EXPECT_EQ(tree->colors.file, edit.HotFontColor[0]);
    TacHeaderPaintInfo info;
    int elements = 0;
    auto draw = GetEventProperty<TacAdvancedHeaderDraw>(tree, "OnAdvancedHeaderDraw");
    auto query = GetEventProperty<TacHeaderDrawQueryElements>(tree, "OnHeaderDrawQueryElements");
    ASSERT_TRUE(draw);
    draw(info, 1);
    EXPECT_EQ(ownDrawCalls, row.ownDraw ? 1 : 0);
    EXPECT_EQ(bool(query), !row.ownDraw || row.ownQuery);
    if (query) query(info, elements);
    EXPECT_EQ(ownQueryCalls, row.ownQuery ? 1 : 0);
    if (!row.ownQuery && !row.ownDraw) {
      EXPECT_EQ(elements, kSkinHeaderElements);
    }
    EXPECT_EQ(bool(tree->header.options & TreeHeader::hoOwnerDraw), !row.ownDraw);
    UninstallAdapter(true, false, adapter);
    EXPECT_EQ(bool(GetEventProperty<TacAdvancedHeaderDraw>(tree, "OnAdvancedHeaderDraw")), row.ownDraw);
    EXPECT_EQ(bool(GetEventProperty<TacHeaderDrawQueryElements>(tree, "OnHeaderDrawQueryElements")), row.ownQuery);
    EXPECT_FALSE(tree->header.options & TreeHeader::hoOwnerDraw);
    EXPECT_EQ(tree->colors.file, 0x200002);
    EXPECT_EQ(tree->colors.compressed, 0x200001);
    delete tree;
  }
}

// The skin's header painting paints the item from the skin into the tree's
// canvas.
TEST_F(GridAdaptersTest, VirtualTreeHeaderPainted) {
  auto* tree = new VirtualTree(&form);
  auto adapter = TacMainWnd::Create<TacVirtualTreeViewWnd>(tree, nullptr, manager.get(), "EDIT", true);
  Bitmap target(60, 20, pf24bit);
  target.Fill(0xFF000000);
  TacHeaderPaintInfo info;
  info.TargetCanvas = &target.GetCanvas();
  info.PaintRectangle = Bounds(10, 0, 40, 20);
  adapter->PaintVirtualTreeHeader(info, kHeaderBackground);
  Bitmap expected(40, 20, pf24bit);
  ASSERT_GE(PaintSectionByName(expected, "COLHEADER", "BUTTON", nullptr, manager->GlobalSectionColor(), {0, 0},
                               manager.get(), 0),
            0);
  for (int x : {1, 20, 38}) EXPECT_EQ(target.GetPixel(10 + x, 10), expected.GetPixel(x, 10)) << x;
  // Nothing outside the item's rectangle.
  EXPECT_EQ(target.GetPixel(5, 10), 0);
  EXPECT_EQ(target.GetPixel(55, 10), 0);
  UninstallAdapter(true, false, adapter);
}

#include "GridAdaptersTest.moc"

namespace {

// What reaches the control below its adapter: messages with the clip box
// of the canvas they carry.
struct PaintLog {
  struct Seen {
    unsigned Msg;
    LPARAM LParam;
    TRect Clip;
  };
  explicit PaintLog(QWidget* w)
      : hook(InstallWindowProc(w, [this](Message& m, const CallPrevious& previous) {
          if ((m.Msg == WM_PAINT || m.Msg == WM_PRINTCLIENT || m.Msg == WM_PRINT) && m.WParam)
            seen.push_back({m.Msg, m.LParam, ParamPtr<Canvas>(m.WParam)->GetClipBox()});
          previous(m);
        })) {}
  ~PaintLog() { RemoveWindowProc(hook); }
  std::vector<Seen> seen;
  WindowProcHandle hook;
};

}  // namespace

// A printed grid paints its cells inside the border: its WM_PAINT comes
// with a canvas clipped to the client area.
TEST_F(GridAdaptersTest, GridPrintsItsCellsInsideTheBorder) {
  auto* grid = new TestGrid(&form);
  grid->setGeometry(10, 10, 200, 120);
  grid->show();
  PaintLog log(grid);
  auto adapter = TacMainWnd::Create<TacGridWnd>(grid, nullptr, manager.get(), "EDIT", true);
  QApplication::processEvents();
  log.seen.clear();
  Bitmap bmp(grid->width(), grid->height(), pf24bit);
  SendMessage(grid, WM_PRINT, PtrParam(&bmp.GetCanvas()), PRF_CLIENT | PRF_ERASEBKGND);
  int paints = 0;
  for (const PaintLog::Seen& s : log.seen) {
    if (s.Msg != WM_PAINT) continue;
    ++paints;
    const int b = std::max(adapter->BorderWidth(), adapter->BorderLeft());
    EXPECT_GE(s.Clip.Left, b);
    EXPECT_GE(s.Clip.Top, b);
    EXPECT_LE(s.Clip.Right, grid->width() - b);
    EXPECT_LE(s.Clip.Bottom, grid->height() - b);
  }
  EXPECT_GE(paints, 1);
  UninstallAdapter(true, false, adapter);
}

// A virtual tree's frame: the tree's own frame paint comes as WM_PRINT
// with PRF_NONCLIENT; printed, its client paint starts below its header,
// and only while the header shows.
TEST_F(GridAdaptersTest, VirtualTreeFramePaintAndPrint) {
  auto* tree = new VirtualTree(&form);
  tree->setGeometry(10, 10, 200, 120);
  tree->show();
  PaintLog log(tree);
  auto adapter = TacMainWnd::Create<TacVirtualTreeViewWnd>(tree, nullptr, manager.get(), "EDIT", true);
  QApplication::processEvents();
  log.seen.clear();
  tree->repaint();
  bool frame = false;
  for (const PaintLog::Seen& s : log.seen) frame |= s.Msg == WM_PRINT && s.LParam == LPARAM(PRF_NONCLIENT);
  EXPECT_TRUE(frame);
  const int b = std::max(adapter->BorderWidth(), adapter->BorderLeft());
  struct Row {
    TreeHeader::HeaderOptions options;
    int top;
  } rows[] = {{TreeHeader::hoVisible, b + 17}, {{}, b}};
  for (const Row& row : rows) {
    tree->header.options = row.options;
    log.seen.clear();
    Bitmap bmp(tree->width(), tree->height(), pf24bit);
    SendMessage(tree, WM_PRINT, PtrParam(&bmp.GetCanvas()), PRF_CLIENT | PRF_ERASEBKGND);
    ASSERT_GE(log.seen.size(), 2u);
    EXPECT_EQ(log.seen[0].Msg, unsigned(WM_PRINTCLIENT));
    EXPECT_EQ(log.seen[0].Clip.Top, row.top);
    EXPECT_EQ(log.seen[0].Clip.Left, b);
    // Then the tree's own print.
    bool printed = false;
    for (size_t i = 1; i < log.seen.size(); ++i) printed |= log.seen[i].Msg == WM_PRINT;
    EXPECT_TRUE(printed);
  }
  UninstallAdapter(true, false, adapter);
}
