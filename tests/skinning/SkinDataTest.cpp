// The element model parsed from skins our writer makes, and loading.
#include "TestSkins.h"

#include "platform/AppPath.h"
#include "platform/WindowProc.h"
#include "skinning/WinSkinData.h"
#include "skinning/WinSkinManage.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QWidget>

#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

using namespace platform;
using namespace skinning;
using namespace testskins;

namespace {

std::string Section(const QString& name, const std::string& keys) {
  return "[" + name.toStdString() + "]\n" + keys + "\n";
}

}  // namespace

TEST(SkinModel, FrameCountsAndEdgesAreFixedAfterTheParse) {
  const char* plain[] = {"Progress.Chunk", "GroupBoxEdge", "GroupBox", "Tabs", "StatusBarEdges", "Tab.Pane",
                         "ToolBars", "ComboButton", "ExtraImages", "MenuItem", "MenuBackground", "Scrollbar",
                         "HorzScroll", "VertScroll", "VertScrollThumb", "Trackbar.ThumbHorz",
                         "Trackbar.ThumbDown", "UpDown.Horz", "Track"};
  std::string ini = "[Personality]\nmenuBar=e.bmp\nTopFrame=-2\n[Progress]\nBitmap=e.bmp\nStyle=1\n"
                    "[Headerbar]\nImage=e.bmp\nFrame=0\nLeftWidth=-5\n[SunkEdge]\nImage=e.bmp\n";
  for (const char* s : plain) ini += Section(s, "Image=e.bmp\nFrame=9\nLeftWidth=9\nTopHeight=2");
  ini += Section("HorzScrollThumb", "Image=e.bmp\nFrame=9\nFrameCount=7");
  const auto data = LoadSkin(ini, {{"e.bmp", Solid(40, 20, Qt::gray)}});
  const TSkinModel& m = data->Model();
  const struct {
    const TDataSkinObject* Element;
    int Frames;
  } rows[] = {{m.Progress.get(), 1},       {m.ProgressChunk.get(), 9}, {m.MenuBar.get(), 2},
              {m.GroupBoxEdge.get(), 2},   {m.GroupBox.get(), 1},      {m.Tabs.get(), 5},
              {m.StatusBarEdges.get(), 3}, {m.TabPane.get(), 1},       {m.ToolBars.get(), 5},
              {m.ComboButton.get(), 4},    {m.SunkEdge.get(), 4},      {m.ExtraImages.get(), 5},
              {m.Headerbar.get(), 5},      {m.MenuItem.get(), 5},      {m.MenuBackground.get(), 1},
              {m.Scrollbar.get(), 23},     {m.HorzScroll.get(), 4},    {m.VertScroll.get(), 4},
              {m.HorzScrollThumb.get(), 7}, {m.VertScrollThumb.get(), 3}, {m.ThumbHorz.get(), 5},
              {m.ThumbDown.get(), 5},      {m.UpDownHorz.get(), 8},    {m.Track.get(), 9},
              {m.TrackVert.get(), 1},      {&m.Buttons, 5},            {&m.Title, 2},
              {&m.TopBorder, 1},           {m.Toolbar.get(), 1}};
  for (const auto& row : rows) {
    ASSERT_TRUE(row.Element) << "a missing element";
    EXPECT_EQ(row.Element->Frame, row.Frames) << row.Element->Name.toStdString();
  }
  EXPECT_EQ(m.TabPane->Margins(), Rect(4, 2, 0, 0)) << "the pane's edges are at most 4";
  EXPECT_EQ(m.Headerbar->LeftWidth, 0) << "a negative edge reads as 0";
  EXPECT_EQ(m.TrackVert->Image.Width(), 4) << "our built-in channel";
}

TEST(SkinModel, OnlyBmpNamesLoadAndABadBitmapIsEmpty) {
  const auto data = LoadSkin(
      "[Headerbar]\nImage=bad.bmp\n[MenuItem]\nImage=E.BMP\n[MenuBackground]\nImage=C:\\skins\\e.bmp\n"
      "[Scrollbar]\nImage=e.png\n",
      {{"e.bmp", Solid(8, 8, Qt::red)}, {"E.BMP", Solid(8, 8, Qt::red)}, {"e.png", Solid(8, 8, Qt::red)}});
  const TSkinModel& m = data->Model();
  const std::pair<const TDataSkinObject*, bool> rows[] = {
      {m.Headerbar.get(), false}, {m.MenuItem.get(), false}, {m.MenuBackground.get(), true}, {m.Scrollbar.get(), false}};
  for (const auto& [element, loaded] : rows) {
    ASSERT_TRUE(element);
    EXPECT_EQ(!element->Empty(), loaded) << element->Name.toStdString();
  }
  // "bad.bmp" is no entry; one that does not decode is empty as well, and the parse goes on.
  const auto damaged = std::make_unique<TSkinData>();
  skinwriter::SkinContainer c{60000, {{"t.ini", "[Headerbar]\nImage=x.bmp\n[MenuItem]\nImage=e.bmp\n"},
                                       {"x.bmp", "BM not really"},
                                       {"e.bmp", skinwriter::BmpBytes(Solid(5, 5, Qt::red))}}};
  ASSERT_TRUE(damaged->LoadSkinStream(Streamed(skinwriter::SkinFileBytes(c))));
  EXPECT_TRUE(damaged->Model().Headerbar->Empty());
  EXPECT_FALSE(damaged->Model().MenuItem->Empty());
}

TEST(SkinModel, CaptionButtons) {
  const auto data = LoadSkin(
      "[Button.Help]\nAction=-1\n[Button.App]\nAction=-1\nVisibility=0\n[BUTTONS]\nAction=5\n"
      "[Button.Close]\nButtonImage=close.bmp\n[Button.Max]\nAction=1\nVisibility=2\nXcoord=50\nYcoord=5\nframe=4\n"
      "[Button.Restore]\nAction=4\nXcoord=9\n[Button.Sys]\nAction=3\nButtonImage=icon.bmp\n"
      "[MDICONTROLS]\nImage=mdi.bmp\n",
      {{"close.bmp", Solid(60, 20, Qt::red)}, {"icon.bmp", Solid(16, 16, Qt::red)}, {"mdi.bmp", Numbered(48, 10)}});
  const std::vector<TDataSkinSysButton>& b = data->Model().CaptionButtons;
  ASSERT_EQ(b.size(), 8u);
  // Name, action, x, y, first visibility, frames, with an image.
  using Row = std::tuple<std::string, int, int, int, int, int, bool>;
  const Row rows[] = {{"BUTTON.APP", -1, 0, 0, -1, 6, false},   {"BUTTON.CLOSE", 0, 0, 0, 0, 3, true},
                      {"BUTTON.MAX", 1, 50, 5, 0, 4, false},     {"BUTTON.RESTORE", 4, 50, 5, 0, 6, false},
                      {"BUTTON.SYS", 3, 0, 0, 0, 3, false},      {"BUTTON.SYS", 7, 24, 0, 100, 4, true},
                      {"BUTTON.SYS", 8, 16, 0, 100, 4, true},    {"BUTTON.SYS", 9, 8, 0, 100, 4, true}};
  for (size_t i = 0; i < b.size(); ++i)
    EXPECT_EQ(Row(b[i].Name.toStdString(), b[i].Action, b[i].Xcoord, b[i].Ycoord, b[i].Visibility1, b[i].Frame,
                  !b[i].Image.Empty()),
              rows[i]) << i;
  for (int j = 0; j < 3; ++j) {  // four 4-pixel cells each, from cell 4j
    EXPECT_EQ(b[5 + j].Image.Width(), 16);
    EXPECT_EQ(b[5 + j].Image.GetPixel(0, 0), RGB(16 * j, 0, 7));
    EXPECT_EQ(b[5 + j].Image.GetPixel(15, 9), RGB(16 * j + 15, 9, 7));
  }
  const auto none = LoadSkin("[Colours]\n");
  ASSERT_EQ(none->Model().CaptionButtons.size(), 3u);
  EXPECT_EQ(none->Model().CaptionButtons[0].Name, "MDICONTROLS");
  EXPECT_TRUE(none->Model().CaptionButtons[0].Image.Empty());
}

TEST(SkinModel, ComboArrowAndTheComboImages) {
  const QColor edge[] = {QColor(10, 0, 0), QColor(20, 0, 0), QColor(30, 0, 0), QColor(40, 0, 0)};
  const QColor button[] = {QColor(0, 10, 0), QColor(0, 20, 0), QColor(0, 30, 0), QColor(0, 40, 0)};
  const Images images = {{"edge.bmp", Frames(30, 21, {edge[0], edge[1], edge[2], edge[3]})},
                         {"button.bmp", Frames(17, 21, {button[0], button[1], button[2], Qt::magenta})}};
  // Without a sunken edge: the button's own image, the key colour now the face colour.
  const auto alone = LoadSkin("[Colours]\nButtonFace=1,2,3\n[ComboButton]\nImage=button.bmp\n", images);
  const TDataSkinObject& a = *alone->Model().ComboxArrow;
  EXPECT_EQ(a.Frame, 4);
  EXPECT_EQ(a.Image.GetPixel(3, 3), Colour(button[0]));
  EXPECT_EQ(a.Image.GetPixel(3 * 17 + 3, 3), RGB(1, 2, 3));
  EXPECT_FALSE(alone->Model().ComboButton->Image2.Empty()) << "the mirrored button";

  // With one: the composite per state, the arrow cut from its right end.
  const auto both = LoadSkin("[SunkEdge]\nImage=edge.bmp\n[ComboButton]\nImage=button.bmp\n", images);
  const TSkinModel& m = both->Model();
  EXPECT_EQ(m.ComboButton->Style, 2);
  EXPECT_EQ(m.ComboButton->Margins(), Rect(2, 0, 20, 0));
  EXPECT_EQ(m.SunkEdge->Margins(), Rect(20, 0, 2, 0));
  ASSERT_EQ(m.ComboxArrow->Image.Width(), 4 * 17);
  for (int k = 0; k < 3; ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(m.ComboxArrow->Image.GetPixel(17 * k, 5), Colour(edge[k])) << "the edge's last column";
    EXPECT_EQ(m.ComboxArrow->Image.GetPixel(17 * k + 16, 16), Colour(button[k]));
    EXPECT_EQ(m.ComboButton->Image.GetPixel(50 * k + 49, 10), Colour(button[k]));
    EXPECT_EQ(m.ComboButton->Image.GetPixel(50 * k + 10, 10), Colour(Qt::magenta)) << "the field is cut out";
    EXPECT_EQ(m.SunkEdge->Image.GetPixel(50 * k, 10), Colour(button[k])) << "mirrored, states in order";
  }
  // A sunken edge alone makes no composite and an empty arrow.
  const auto edgeOnly = LoadSkin("[SunkEdge]\nImage=edge.bmp\n", images);
  EXPECT_TRUE(edgeOnly->Model().ComboxArrow->Empty());
  EXPECT_EQ(edgeOnly->Model().SunkEdge->Image.Width(), 120);
}

TEST(SkinModel, TitleColourAndToolbarGradient) {
  QImage top = Solid(30, 20, Qt::black);
  top.setPixel(10, 3, qRgb(200, 200, 210));  // (width / 3, height / 2 frames / 3)
  top.setPixel(10, 6, qRgb(200, 40, 40));    // (width / 3, height / 1 frame / 3)
  const struct {
    const char* Frames;
    TColor Title, Top, Bottom;
  } rows[] = {
      // Grey: 15 % of $808080 into the title colour, (189, 189, 198) (the
      // ramp's last step rounds toward the top colour).
      {"TopFrame=2", RGB(200, 200, 210), RGB(232, 232, 232), RGB(190, 190, 199)},
      // Saturation 204: 53 % title colour, the rest white, (226, 141, 141); a
      // frame count 0 counts as 1.
      {"TopFrame=0", RGB(200, 40, 40), RGB(232, 232, 232), RGB(227, 142, 142)},
  };
  for (const auto& row : rows) {
    const auto data = LoadSkin(std::string("[Colours]\nButtonFace=100,100,100\n[Personality]\nTop=top.bmp\n") + row.Frames,
                             {{"top.bmp", top}});
    const TSkinModel& m = data->Model();
    EXPECT_EQ(m.TitleColour, row.Title) << row.Frames;
    EXPECT_EQ(m.Toolbar->Image.GetPixel(5, 0), row.Top) << row.Frames;
    EXPECT_EQ(m.Toolbar->Image.GetPixel(5, 39), row.Bottom) << row.Frames;
  }
  EXPECT_EQ(LoadSkin("[Colours]\nButtonFace=9,9,9\n")->Model().TitleColour, RGB(9, 9, 9)) << "no top border";
}

TEST(SkinModel, ColourTexts) {
  const struct {
    const char* Text;
    TColor Colour;
  } rows[] = {{"1,2,3", RGB(1, 2, 3)},     {" 10 20 30x", RGB(10, 20, 30)}, {"a1b2c3", RGB(1, 2, 3)},
              {"300,2,999", RGB(255, 2, 255)}, {"99999999999;1;1", RGB(255, 1, 1)}, {"1,2,3,4", RGB(1, 2, 3)},
              {"1,2", RGB(1, 0, 0)},       {"7", RGB(0, 0, 0)},            {"", clLime}};
  for (const auto& row : rows) EXPECT_EQ(ParseSkinColour(row.Text, clLime), row.Colour) << row.Text;

  const auto data = LoadSkin(
      "[Colours]\nButtonFace=1,2,3\nMenu=4,5,6\n[Colour.Caption]\ncolor=7,8,9\n[COLOURS]\n[Colour2]\n"
      "[Customcolors]\nColor3=10,11,12\n[Personality]\nActiveTextR=300\nActiveTextG=0\nActiveTextB=1\nInActiveTextR=5\n");
  const TSkinColours& c = data->Model().Colours;
  EXPECT_EQ(c[scMenubar], RGB(1, 2, 3)) << "the menu bar's default is the face colour read before it";
  EXPECT_FALSE(c.Given[scMenubar]);
  EXPECT_TRUE(c.Given[scMenu]);
  EXPECT_EQ(c[scMenuText], SysColor(COLOR_MENUTEXT));
  EXPECT_EQ(c.Custom, (std::vector<TColor>{RGB(7, 8, 9), SysColor(COLOR_WINDOWTEXT)}));
  EXPECT_EQ(c.User[3], RGB(10, 11, 12));
  EXPECT_EQ(c.User[4], clWhite);
  EXPECT_EQ(data->Model().Title.ActiveText, RGB(255, 0, 1));
  EXPECT_EQ(data->Model().Title.InActiveText, clNone) << "needs all three keys";
  const auto buttons = LoadSkin("[Buttons]\nBitmap=b.bmp\nMouseOverColour2=1,1,1\n", {{"b.bmp", Solid(5, 5, Qt::red)}});
  EXPECT_FALSE(buttons->Model().Buttons.NormalColour2Given);
  EXPECT_TRUE(buttons->Model().Buttons.MouseOverColour2Given);
  EXPECT_EQ(buttons->Model().Buttons.CheckButtonFrame, 4);
}

TEST(SkinData, LoadingKeepsTheOldSkinOnFailure) {
  const auto data = LoadSkin("[MenuItem]\nImage=e.bmp\n", {{"e.bmp", Solid(5, 5, Qt::red)}});
  const TSkinModel* before = &data->Model();
  // A container without an INI entry, and a streamed count past the bytes.
  EXPECT_FALSE(data->LoadSkinStream(Streamed(SkinOf("", {{"e.bmp", Solid(5, 5, Qt::red)}}, {}))));
  EXPECT_TRUE(data->NoSkin());
  EXPECT_EQ(&data->Model(), before);
  std::string cut = Streamed(SkinOf("[Colours]\n"));
  cut.pop_back();
  EXPECT_FALSE(data->LoadSkinStream(cut));
  EXPECT_TRUE(data->LoadSkinStream(Streamed(SkinOf("[Colours]\n"))));
  EXPECT_FALSE(data->NoSkin());
  EXPECT_NE(&data->Model(), before);
  EXPECT_EQ(data->Model().MenuItem, nullptr);
}

TEST(SkinData, RelativeSkinFileIsInTheProgramFolder) {
  testsupport::TempDir program, elsewhere;
  std::filesystem::create_directories(program.File("skin"));
  program.Write("skin/Blue.skn", SkinOf("[Colours]\nMenu=1,2,3\n"));
  const QString cwd = QDir::currentPath();
  QDir::setCurrent(QString::fromStdString(elsewhere.Path()));
  SetAppPathOverride(program.Path());
  {
    TSkinData data;
    data.Loaded();
    data.SetActive(true);
    EXPECT_EQ(SkinManage()->PendingAction(), 0) << "on without a skin does nothing";
    data.SetSkinFile(QStringLiteral("skin\\Blue.skn"));
    EXPECT_FALSE(data.NoSkin());
    EXPECT_EQ(data.Model().Colours[scMenu], RGB(1, 2, 3));
    EXPECT_FALSE(SkinManage()->Enabled()) << "and a load afterwards does not switch it on";
    EXPECT_FALSE(SkinManage()->ActionPending());
    data.SetSkinFile(QStringLiteral("skin/none.skn"));
    EXPECT_TRUE(data.NoSkin());
    EXPECT_EQ(data.Model().Colours[scMenu], RGB(1, 2, 3)) << "a missing file changes nothing else";
  }
  SetAppPathOverride("");
  QDir::setCurrent(cwd);
  FreeSkinManage();
}

// A skin file that gives no skin says why: the reader's reason for a
// damaged one (for the log), and the user's words.
TEST(SkinData, AFailedLoadSaysWhy) {
  testsupport::TempDir program;
  std::string cut = SkinOf("[Colours]\n");
  cut.pop_back();
  const struct {
    const char* name;
    std::string bytes;
    std::string reason, problem;
  } cases[] = {{"good.skn", SkinOf("[Colours]\n"), "", ""},
               {"cut.skn", cut, "the compressed data ends before its declared length", "文件已损坏"},
               {"short.skn", "ab", "the file is shorter than its length field", "文件已损坏"},
               {"noini.skn", SkinOf("", {{"e.bmp", Solid(5, 5, Qt::red)}}, {}), "the skin holds no \".ini\" entry",
                "文件中没有皮肤的设置"},
               {"missing.skn", "", "no such file", "文件不存在"}};
  TSkinData data;
  for (const auto& c : cases) {
    if (!c.bytes.empty()) program.Write(c.name, c.bytes);
    data.SetSkinFile(QString::fromStdString(program.File(c.name)));
    EXPECT_EQ(data.NoSkin(), !c.reason.empty()) << c.name;
    EXPECT_EQ(data.LoadError(), c.reason) << c.name;
    EXPECT_EQ(data.LoadProblem(), c.problem) << c.name;
  }
  FreeSkinManage();
}

TEST(SkinData, LoadedIconMenusAndCaptionHint) {
  QPixmap red(16, 16);
  red.fill(Qt::red);
  QApplication::setWindowIcon(QIcon(red));
  {
    TSkinData main;
    main.SkinControls.Include(xcMenuItem);
    main.Loaded();
    EXPECT_FALSE(main.SkinControls.Has(xcMenuItem)) << "the menu bar is drawn by the frame";
    EXPECT_TRUE(main.SkinControls.Has(xcSystemMenu));
    EXPECT_EQ(main.IconBitmap().GetPixel(8, 8), clRed);
    TSkinData other;
    other.SkinControls.Exclude(xcMainMenu);
    other.Loaded();
    EXPECT_FALSE(other.SkinControls.Has(xcSystemMenu));

    // A component of its own form only skins that form at once when on.
    QWidget form;
    form.resize(80, 60);
    form.show();
    auto* own = new TSkinData(&form);
    own->SkinFormtype = sfOnlyThisForm;
    ASSERT_TRUE(own->LoadSkinStream(Streamed(SkinOf("[Colours]\n"))));
    own->SetActive(true);
    own->Loaded();
    EXPECT_EQ(SkinManage()->State(), 1);
    EXPECT_EQ(SendMessage(&form, SKIN_QUERYSKINNED), 1);
    EXPECT_EQ(SkinManage()->FindForm(&form)->SkinData(), own);

    main.Options.Exclude(xoCaptionButtonHint);
    main.ShowCaptionHint(Rect(40, 50, 60, 70), "Close");
    EXPECT_FALSE(main.CaptionHintShown());
    main.Options.Include(xoCaptionButtonHint);
    main.ShowCaptionHint(Rect(40, 50, 60, 70), "Close");
    main.ShowCaptionHint(Rect(90, 90, 99, 99), "Maximize");
    ASSERT_TRUE(main.CaptionHintShown());
    EXPECT_EQ(main.CaptionHintWindow()->pos(), QPoint(40, 50)) << "a shown hint stays";
    main.HideCaptionHint();
    EXPECT_FALSE(main.CaptionHintWindow()->isVisible());

    // A hint lies whole on its screen, its whole text shown: at the right
    // and bottom edges it moves left and up; a point on no screen takes the
    // primary one's free area.
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    struct Hint {
      QPoint at;
      const char* text;
      QPoint expect;  // -1: flush with the area's right or bottom edge
    };
    const Hint hints[] = {{{area.left() + 40, area.top() + 50}, "Close", {area.left() + 40, area.top() + 50}},
                          {{area.right() - 3, area.top() + 50}, "Maximize", {-1, area.top() + 50}},
                          {{area.right() - 3, area.bottom() - 3}, "Close", {-1, -1}},
                          {{area.left() - 5000, area.top() - 5000}, "Minimize", area.topLeft()}};
    for (const Hint& h : hints) {
      main.ShowCaptionHint(Bounds(h.at.x(), h.at.y(), 0, 0), h.text);
      const auto* label = qobject_cast<const QLabel*>(main.CaptionHintWindow());
      ASSERT_TRUE(label && label->isVisible()) << h.text;
      const QRect r = label->geometry();
      EXPECT_TRUE(area.contains(r)) << h.text << " at " << h.at.x() << "," << h.at.y();
      EXPECT_EQ(r.left(), h.expect.x() >= 0 ? h.expect.x() : area.right() + 1 - r.width()) << h.text;
      EXPECT_EQ(r.top(), h.expect.y() >= 0 ? h.expect.y() : area.bottom() + 1 - r.height()) << h.text;
      EXPECT_EQ(label->text(), h.text);
      EXPECT_GE(label->contentsRect().width(), label->fontMetrics().horizontalAdvance(h.text)) << h.text;
      main.HideCaptionHint();
    }
  }
  QApplication::setWindowIcon(QIcon());
  FreeSkinManage();
}
