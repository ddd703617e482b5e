// The shared control data: its section and manager, the skin command as a
// control answers it, the messages it follows, the background answers,
// and the copies of its cache around child controls and windows. Real
// widgets on the offscreen platform, the generator's control-data skin.
#include "CommonDataFixture.h"

#include "platform/Blit.h"
#include "platform/Properties.h"
#include "platform/WindowTable.h"

#include <QApplication>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>

#include <algorithm>

using namespace commondatatest;
using namespace platform;

namespace {

// A shown child control of `parent` at (x, y).
template <class W = QWidget>
W* Child(QWidget* parent, int x = 10, int y = 10, int w = 60, int h = 40) {
  auto* c = new W(parent);
  c->setGeometry(x, y, w, h);
  c->show();
  c->ensurePolished();
  return c;
}

}  // namespace

// An empty section is "UNKNOWN", a section is kept upper-cased, the same
// text again changes and sends nothing; a control with a parent hears 3
// for a section of the skin and 2 for one it lacks, one without a parent
// hears nothing.
TEST_F(CommonDataTest, SkinSectionIsKeptUpperCasedAndAnnounced) {
  auto* edit = Child<QLineEdit>(&form);
  SkinnedControl c(edit);
  c.Data.SetSkinSection("");
  EXPECT_TRUE(c.Data.SkinSection().isEmpty() && c.Take().empty()) << "empty from the start";
  c.Data.SetSkinSection("panel");
  c.Take();
  c.Data.SetSkinSection("");
  EXPECT_EQ(c.Data.SkinSection(), "UNKNOWN");
  EXPECT_EQ(c.Data.SectionIndex, -1);
  EXPECT_EQ(c.Take(), std::vector<unsigned>{acRemoveSkin});
  c.Data.SetSkinSection("edit");
  EXPECT_EQ(c.Data.SkinSection(), "EDIT");
  EXPECT_EQ(c.Data.SectionIndex, Index("EDIT"));
  EXPECT_EQ(c.Take(), std::vector<unsigned>{acRefresh});
  EXPECT_EQ(GetControlColor(edit), SectionData("EDIT").Color) << "an edit takes the section's colours";
  EXPECT_EQ(GetFontColor(edit), SectionData("EDIT").FontColor[0]);
  c.Data.SetSkinSection("EDIT");
  EXPECT_TRUE(c.Take().empty()) << "the same value again";
  // A section of a parent class inherits its textures.
  c.Data.SetSkinSection("imagechild");
  EXPECT_EQ(c.Data.PatternIndex, manager->IndexOfMask("IMAGE", "PATTERN"));
  EXPECT_EQ(c.Data.HotPatternIndex, manager->IndexOfMask("IMAGE", "HOTPATTERN"));
  EXPECT_NE(c.Data.PatternIndex, -1);
  c.Data.SetSkinSection("nosuch");
  EXPECT_EQ(std::make_tuple(c.Data.SectionIndex, c.Data.PatternIndex, c.Data.HotPatternIndex),
            std::make_tuple(-1, -1, -1));
  EXPECT_EQ(c.Take(), (std::vector<unsigned>{acRefresh, acRemoveSkin}));
  QWidget lone;
  SkinnedControl l(&lone);
  l.Data.SetSkinSection("panel");
  EXPECT_EQ(l.Data.SectionIndex, Index("PANEL"));
  EXPECT_TRUE(l.Take().empty()) << "no parent, no message";
}

// Another manager: the section is looked up in it, and the control hears
// 3 (a section it has) or 2; the default manager is kept as "none".
TEST_F(CommonDataTest, SkinManagerSetterLooksUpInTheNewManager) {
  auto other = std::make_unique<TsSkinManager>();
  other->SetSkinDirectory(Root());
  other->SetSkinName("Demo");
  auto* panel = Child<QFrame>(&form);
  SkinnedControl c(panel, "GROUPBOX");
  EXPECT_EQ(c.Data.SectionIndex, Index("GROUPBOX"));
  c.Data.SetSkinManager(other.get());
  EXPECT_EQ(c.Data.SkinManager(), other.get());
  EXPECT_EQ(c.Data.SectionIndex, -1) << "the demo skin has no GROUPBOX";
  EXPECT_EQ(c.Take(), std::vector<unsigned>{acRemoveSkin});
  c.Data.SetSkinSection("EDIT");
  EXPECT_EQ(c.Data.SectionIndex, other->IndexOfSection("EDIT"));
  c.Take();
  c.Data.SetSkinManager(manager.get());
  EXPECT_EQ(c.Data.OwnManager(), nullptr) << "the default manager is stored as none";
  EXPECT_EQ(c.Data.SectionIndex, Index("EDIT"));
  EXPECT_EQ(c.Take(), std::vector<unsigned>{acRefresh});
  c.Data.SetSkinManager(other.get());
  other.reset();
  EXPECT_EQ(c.Data.SkinManager(), manager.get()) << "a destroyed manager leaves the default";
}

// A section the skin lacks answers 26 with 0 and 19 not at all; a valid
// one answers both.
TEST_F(CommonDataTest, MissingSectionAnswers) {
  auto* panel = Child<QFrame>(&form);
  SkinnedControl c(panel, "NOSUCH");
  Message section{SkinCommandMsg, Command(acGetSection), 0, 55};
  EXPECT_TRUE(HandleSkinCommand(section, &c.Data));
  EXPECT_EQ(section.Result, 0);
  Message complex{SkinCommandMsg, Command(acIsBgComplex), 0, 55};
  EXPECT_FALSE(HandleSkinCommand(complex, &c.Data));
  EXPECT_EQ(complex.Result, 55) << "left alone";
  c.Data.SetSkinSection("GRADIENT");
  EXPECT_EQ(Send(panel, acGetSection), Index("GRADIENT") + 1);
  EXPECT_EQ(Send(panel, acIsBgComplex), 1) << "a gradient is complex";
  c.Data.SetSkinSection("PANEL");
  EXPECT_EQ(Send(panel, acIsBgComplex), 0) << "a plain opaque colour";
  // A fully transparent control answers for its parent.
  auto* clear = Child<QFrame>(panel);
  SkinnedControl t(clear, "CLEAR");
  EXPECT_EQ(Send(clear, acIsBgComplex), 0);
  EXPECT_FALSE(t.Data.ParentBgIsComplex());
  c.Data.SetSkinSection("GRADIENT");
  EXPECT_EQ(Send(clear, acIsBgComplex), 1);
  EXPECT_TRUE(t.Data.ParentBgIsComplex());
}

// Sub-command 21: the section colour, the parent's, or both mixed by the
// Transparency (a shift by 8, not a division by 100); a parent that
// knows no colour gives its own as RGB; without skin the own colour.
TEST_F(CommonDataTest, BackgroundColourAnswers) {
  auto* parent = Child<QFrame>(&form, 0, 0, 300, 200);
  SkinnedControl p(parent, "PARENTRED");
  const struct {
    const char* section;
    TColor expected;
  } rows[] = {
      // Red (50 x 255) >> 8 = 49, blue (50 x -255 + 255 x 256) >> 8 = 205.
      {"HALF", 0xCD0031},
      // 0x808080 at 60: red (60 x 127 + 128 x 256) >> 8 = 157, the others
      // (60 x -128 + 128 x 256) >> 8 = 98.
      {"FROSTED", 0x62629D},
      {"CLEAR", 0x0000FF},
      {"EDIT", 0xF4F8FC},
  };
  for (const auto& row : rows) {
    auto* child = Child(parent);
    SkinnedControl c(child, row.section);
    EXPECT_EQ(TColor(Send(child, acGetBgColor)), row.expected) << row.section;
    delete child;
  }
  // Not skinned: the own colour as RGB.
  auto* plain = Child(parent);
  SkinnedControl n(plain, "NOSUCH");
  SetControlColor(plain, clWindow);
  EXPECT_EQ(TColor(Send(plain, acGetBgColor)), ColorToRGB(clWindow));
  // Transparency 100 without a parent: the own colour as RGB.
  QWidget top;
  SkinnedControl t(&top, "CLEAR");
  SetControlColor(&top, clInfoBk);
  Message m{SkinCommandMsg, Command(acGetBgColor), 0, 0};
  EXPECT_TRUE(HandleSkinCommand(m, &t.Data));
  EXPECT_EQ(TColor(m.Result), ColorToRGB(clInfoBk));
  // No owner control: not handled.
  QObject owner;
  TsCommonData d(&owner);
  d.SetSkinSection("HALF");
  Message none{SkinCommandMsg, Command(acGetBgColor), 0, 9};
  EXPECT_FALSE(HandleSkinCommand(none, &d));
  EXPECT_EQ(none.Result, 9);
}

// A parent that answers the key colour and keeps a system colour: a fully
// transparent child answers that colour as RGB, and a half transparent
// grandchild mixes real colour bytes (no index byte as red).
TEST_F(CommonDataTest, SystemColourOfAParentIsGivenAsRgb) {
  auto* parent = Child<QFrame>(&form, 0, 0, 300, 200);
  SetControlColor(parent, clBtnFace);
  SkinnedControl p(parent, "PARENTRED");
  p.Answer = [](Message& m) {
    if (m.Msg != SkinCommandMsg || HIWORD(m.WParam) != acGetBgColor) return false;
    m.Result = KeyColor;
    return true;
  };
  auto* clear = Child(parent, 0, 0, 200, 100);
  SkinnedControl c(clear, "CLEAR");
  const TColor face = ColorToRGB(clBtnFace);
  ASSERT_NE(face, clBtnFace);
  EXPECT_EQ(TColor(Send(clear, acGetBgColor)), face);
  auto* half = Child(clear);
  SkinnedControl h(half, "HALF");
  const TColor mixed = TColor(Send(half, acGetBgColor));
  EXPECT_EQ(uint32_t(mixed) >> 24, 0u);
  EXPECT_EQ(GetRValue(mixed), (50 * GetRValue(face)) >> 8);
  EXPECT_EQ(GetBValue(mixed), (50 * (GetBValue(face) - 255) + 255 * 256) >> 8);
}

// Sub-commands 1, 2 and 3 act only for the data's own manager: 2 drops the
// indexes and gives an edit the standard colours, a container's labels
// the window text colour; 3 brings the skin's colours back.
TEST_F(CommonDataTest, NewRemoveAndRefreshFromTheOwnManagerOnly) {
  auto* edit = Child<QLineEdit>(&form);
  SkinnedControl c(edit, "EDIT");
  c.Data.PrepareCacheBitmap24();
  c.Data.BackgroundDirty = false;
  TsSkinManager other;
  for (unsigned command : {acNewSkin, acRemoveSkin, acRefresh}) {
    Send(edit, command, LPARAM(&other));
    EXPECT_EQ(c.Data.SectionIndex, Index("EDIT")) << command;
    EXPECT_FALSE(c.Data.UpdatingFlag() || c.Data.BackgroundDirty) << command;
    EXPECT_EQ(c.Data.CacheBitmap->Width(), 60) << command;
    EXPECT_EQ(GetControlColor(edit), SectionData("EDIT").Color) << command;
  }
  Send(edit, acRemoveSkin, LPARAM(manager.get()));
  EXPECT_EQ(std::make_tuple(c.Data.SectionIndex, c.Data.BorderMaskIndex, c.Data.PatternIndex), std::make_tuple(-1, -1, -1));
  EXPECT_TRUE(c.Data.UpdatingFlag());
  EXPECT_TRUE(c.Data.CacheBitmap->Empty());
  EXPECT_EQ(GetControlColor(edit), clWindow);
  EXPECT_EQ(GetFontColor(edit), clWindowText);
  Send(edit, acNewSkin, LPARAM(manager.get()));
  EXPECT_EQ(c.Data.SectionIndex, Index("EDIT"));
  c.Data.BackgroundDirty = false;
  Send(edit, acRefresh, LPARAM(manager.get()));
  EXPECT_TRUE(c.Data.BackgroundDirty && !c.Data.UpdatingFlag());
  EXPECT_EQ(GetControlColor(edit), SectionData("EDIT").Color);
  // Custom colours stay.
  c.Data.SetCustomColor(true);
  SetControlColor(edit, 0x123456);
  Send(edit, acRemoveSkin, LPARAM(manager.get()));
  EXPECT_EQ(GetControlColor(edit), 0x123456);
  EXPECT_EQ(GetFontColor(edit), clWindowText);
  // A container gives its labels the window text colour.
  auto* panel = Child<QFrame>(&form, 100, 100, 200, 100);
  auto* label = Child<QLabel>(panel);
  SetFontColor(label, 0x0000FF);
  SkinnedControl p(panel, "PANEL");
  Send(panel, acRemoveSkin, LPARAM(manager.get()));
  EXPECT_EQ(GetFontColor(label), clWindowText);
}

// 60 fills Result yet is not handled; 34 fills the query and is not
// handled; numbers nobody knows, and everything above 60, are not handled
// and leave Result alone.
TEST_F(CommonDataTest, HandledAndUnhandledSubCommands) {
  auto* panel = Child<QFrame>(&form);
  SkinnedControl c(panel, "PANEL");
  Message app{SkinCommandMsg, Command(acGetApplication), 0, 0};
  EXPECT_FALSE(HandleSkinCommand(app, &c.Data));
  EXPECT_EQ(app.Result, LRESULT(PtrParam(QCoreApplication::instance())));
  TsBgQuery query;
  Message bg{SkinCommandMsg, Command(acBgQuery), LPARAM(PtrParam(&query)), 77};
  EXPECT_FALSE(HandleSkinCommand(bg, &c.Data));
  EXPECT_EQ(bg.Result, 77);
  EXPECT_EQ(query.BgKind, TsBgQuery::PlainColor);
  EXPECT_EQ(query.Color, SectionData("PANEL").Color);
  // The new skin, its removal and the refresh are the owners' too.
  for (unsigned command : {acNewSkin, acRemoveSkin, acRefresh, acParentBgChanged}) {
    Message m{SkinCommandMsg, Command(command), LPARAM(PtrParam(manager.get())), 33};
    EXPECT_FALSE(HandleSkinCommand(m, &c.Data)) << command;
  }
  Send(panel, acNewSkin, LPARAM(PtrParam(manager.get())));
  ASSERT_EQ(c.Data.SectionIndex, Index("PANEL"));
  for (unsigned command : {acIsSkinned, acSetUpdating, acSetHiddenMode, acIsUpdating, acGetStateFlag,
                           acTransparentBgChanged, acSectionChanged, acBgChanged, acIsBgComplex, acGetBgColor,
                           acSetStateFlag, acGetSection, acContainerBg}) {
    Message m{SkinCommandMsg, Command(command), 0, 0};
    EXPECT_TRUE(HandleSkinCommand(m, &c.Data)) << command;
  }
  c.Data.HiddenMode = false;
  c.Data.SetUpdating(false);
  for (unsigned command : {0u, 4u, 5u, 6u, 14u, 15u, 16u, 18u, 23u, 24u, 25u, 27u, 29u, 31u, 37u, 51u, 52u, 61u, 99u}) {
    Message m{SkinCommandMsg, Command(command), 0, 33};
    EXPECT_FALSE(HandleSkinCommand(m, &c.Data)) << command;
    EXPECT_EQ(m.Result, 33) << command;
  }
  Message other{WM_USER, Command(acIsSkinned), 0, 0};
  EXPECT_FALSE(HandleSkinCommand(other, &c.Data));
  Message noData{SkinCommandMsg, Command(acIsSkinned), 0, 0};
  EXPECT_FALSE(HandleSkinCommand(noData, nullptr));
  // The simple ones, through the window.
  EXPECT_EQ(Send(panel, acIsSkinned), 1);
  Send(panel, acSetUpdating, 0, 1);
  EXPECT_TRUE(c.Data.UpdatingFlag());
  c.Data.BackgroundDirty = false;
  EXPECT_EQ(Send(panel, acIsUpdating), 1);
  Send(panel, acSetUpdating, 0, 0);
  EXPECT_EQ(Send(panel, acIsUpdating), 0);
  Send(panel, acBgChanged);
  EXPECT_EQ(Send(panel, acIsUpdating), 1) << "a dirty background counts as updating";
  Send(panel, acSetHiddenMode, 0, 1);
  EXPECT_TRUE(c.Data.HiddenMode);
  Send(panel, acSetHiddenMode, 0, 0);
  EXPECT_FALSE(c.Data.HiddenMode);
  c.Data.StateFlag = false;
  EXPECT_EQ(Send(panel, acGetStateFlag), 0);
  Send(panel, acSetStateFlag);
  EXPECT_EQ(Send(panel, acGetStateFlag), 1);
  // 12 marks only a transparent section's background dirty, with argument 1.
  c.Data.BackgroundDirty = false;
  Send(panel, acTransparentBgChanged, 0, 1);
  EXPECT_FALSE(c.Data.BackgroundDirty);
  c.Data.SetSkinSection("HALF");
  c.Data.BackgroundDirty = false;
  Send(panel, acTransparentBgChanged, 0, 0);
  EXPECT_FALSE(c.Data.BackgroundDirty);
  Send(panel, acTransparentBgChanged, 0, 1);
  EXPECT_TRUE(c.Data.BackgroundDirty);
  // 13 compares with ChangedSectionName, which nothing assigns.
  c.Data.BackgroundDirty = false;
  Send(panel, acSectionChanged);
  EXPECT_FALSE(c.Data.BackgroundDirty);
  QFrame fresh(&form);
  SkinnedControl empty(&fresh);
  fresh.ensurePolished();
  empty.Data.BackgroundDirty = false;
  Send(&fresh, acSectionChanged);
  EXPECT_TRUE(empty.Data.BackgroundDirty) << "an empty section matches the empty name";
}

// The three kind sets and the kind-to-section table, every kind from -1
// to 300 against the tables as ranges; a kind above 255 is in no set.
TEST(ControlKinds, SetsAndSections) {
  using Ranges = std::vector<std::pair<int, int>>;
  const auto in = [](const Ranges& ranges, int kind) {
    for (const auto& [first, last] : ranges)
      if (kind >= first && kind <= last) return true;
    return false;
  };
  const Ranges noHover{{19, 19}, {51, 74}, {110, 110}, {141, 161}};
  const Ranges noGlow{{51, 52}, {54, 54}, {56, 60}, {68, 68}, {73, 74}, {110, 110},
                      {141, 141}, {143, 143}, {151, 151}, {161, 161}, {226, 226}};
  const Ranges hoverRepaint{{2, 18}, {41, 41}, {76, 84}, {96, 97}, {131, 140}};
  const std::vector<std::pair<Ranges, const char*>> sections{
      {{{2, 8}, {10, 10}, {41, 41}, {76, 76}, {78, 78}, {83, 84}, {96, 97}, {131, 131}, {140, 140}, {227, 227}}, "EDIT"},
      {{{11, 18}, {81, 82}}, "COMBOBOX"},
      {{{19, 19}}, "BAR"},
      {{{20, 20}}, "BARTITLE"},
      {{{32, 32}, {152, 152}}, "CHECKBOX"},
      {{{33, 33}}, "RADIOBUTTON"},
      {{{51, 51}, {59, 59}, {68, 68}, {73, 73}}, "PANEL"},
      {{{52, 52}, {58, 58}}, "PANEL_LOW"},
      {{{53, 54}, {60, 60}}, "TOOLBAR"},
      {{{56, 56}}, "DRAGBAR"},
      {{{57, 57}}, "TABSHEET"},
      {{{74, 74}, {226, 226}}, "GROUPBOX"},
      {{{75, 75}}, "SPLITTER"},
      {{{92, 92}, {95, 95}}, "SPEEDBUTTON"},
      {{{93, 94}}, "BUTTON"},
      {{{98, 98}}, "TOOLBUTTON"},
      {{{141, 141}, {143, 143}}, "PAGECONTROL"},
      {{{151, 151}}, "STATUSBAR"},
      {{{161, 161}}, "GAUGE"},
      {{{165, 165}}, "TRACKBAR"},
  };
  for (int kind = -1; kind <= 300; ++kind) {
    EXPECT_EQ(KindInSet(kind, NoHoverKinds), in(noHover, kind)) << kind;
    EXPECT_EQ(KindInSet(kind, NoGlowKinds), in(noGlow, kind)) << kind;
    EXPECT_EQ(KindInSet(kind, HoverRepaintKinds), in(hoverRepaint, kind)) << kind;
    QString section;
    for (const auto& [ranges, name] : sections)
      if (in(ranges, kind)) section = QString::fromLatin1(name);
    EXPECT_EQ(SectionOfKind(kind), section) << kind;
  }
}

// Skinned: a section of a reachable manager; with checkActive also an
// active skin (not while the new skin is announced).
TEST_F(CommonDataTest, SkinnedAndActive) {
  auto* w = Child<QFrame>(&form);
  SkinnedControl c(w, "PANEL");
  EXPECT_TRUE(c.Data.Skinned() && c.Data.Skinned(true));
  manager->SkinData->Active = false;
  EXPECT_TRUE(c.Data.Skinned());
  EXPECT_FALSE(c.Data.Skinned(true));
  manager->SkinData->Active = true;
  c.Data.SetSkinSection("NOSUCH");
  EXPECT_FALSE(c.Data.Skinned());
  // A provider's data keeps a container flag as a panel does; any other
  // owner without a control none.
  QObject provider, adapter;
  RecordingForm providerForm;
  AdapterEntryPoints().ProviderForm = [&](const QObject* o) -> QWidget* { return o == &provider ? &providerForm : nullptr; };
  TsCommonData p(&provider), a(&adapter);
  p.SetSkinSection("PANEL");
  a.SetSkinSection("PANEL");
  EXPECT_EQ(std::make_pair(p.ContainerFlags, a.ContainerFlags), std::make_pair(uint16_t(1), uint16_t(0)));
  EXPECT_EQ(p.ProviderForm(), &providerForm);
  p.SetSkinSection("GRADIENT");
  EXPECT_EQ(p.ContainerFlags, 0);
}

// An empty section is chosen by kind, else by the owner's class name; a
// kept section only refreshes the indexes.
TEST_F(CommonDataTest, SectionChosenByKind) {
  auto* edit = Child<QLineEdit>(&form);
  SkinnedControl byKind(edit, {}, 227);
  byKind.Data.ChooseSectionByKind();
  EXPECT_EQ(byKind.Data.SkinSection(), "EDIT");
  auto* other = Child<QLineEdit>(&form);
  SkinnedControl byClass(other, {}, 300);
  byClass.Data.ChooseSectionByKind();
  EXPECT_EQ(byClass.Data.SkinSection(), "TEDIT");
  byClass.Data.BackgroundDirty = false;
  byClass.Data.ChooseSectionByKind();
  EXPECT_EQ(byClass.Data.SkinSection(), "TEDIT");
  EXPECT_TRUE(byClass.Data.BackgroundDirty) << "refreshed";
  QObject adapter;
  adapter.setObjectName("x");
  TsCommonData d(&adapter);
  d.ControlKind = 300;
  d.ChooseSectionByKind();
  EXPECT_EQ(d.SkinSection(), "QOBJECT");
}

// Updating: the own flag, or while the look depends on the parent the
// parent's answer to 10 (a dirty or updating parent).
TEST_F(CommonDataTest, UpdatingThroughTheParentChain) {
  auto* panel = Child<QFrame>(&form, 0, 0, 300, 200);
  SkinnedControl p(panel, "PANEL");
  auto* child = Child(panel);
  SkinnedControl c(child, "HALF");
  ASSERT_TRUE(c.Data.ParentDependent());
  p.Data.BackgroundDirty = true;
  p.Take();
  EXPECT_TRUE(c.Data.Updating());
  EXPECT_EQ(p.Take(), std::vector<unsigned>{acIsUpdating});
  p.Data.BackgroundDirty = false;
  EXPECT_FALSE(c.Data.Updating());
  p.Data.SetUpdating(true);
  EXPECT_TRUE(c.Data.Updating());
  p.Data.SetUpdating(false);
  c.Data.SetUpdating(true);
  EXPECT_TRUE(c.Data.Updating()) << "its own flag";
  // The plain panel on the form does not depend on its parent: its own flag.
  ASSERT_EQ(p.Data.ContainerFlags & 1, 1);
  ASSERT_FALSE(p.Data.ParentDependent());
  EXPECT_FALSE(p.Data.Updating());
  p.Data.SetUpdating(true);
  EXPECT_TRUE(p.Data.Updating());
  p.Data.SetUpdating(false);
  FormsLocked = true;
  EXPECT_TRUE(p.Data.ParentDependent());
  EXPECT_FALSE(p.Data.Updating()) << "the form answers 10 with 0";
  FormsLocked = false;
  // A window of its own has no parent to ask.
  QWidget top;
  SkinnedControl t(&top, "HALF");
  EXPECT_TRUE(t.Data.Updating());
}

// Mouse over and focus: the hover flag by kind, the hot window, the glow
// unless the kind never glows (or is a button), and the repaint of the
// kinds that change their look; the flags go with a font or enabled change.
TEST_F(CommonDataTest, HoverAndFocusFlags) {
  ManagerSeams().LayeredWindowsAvailable = [] { return true; };
  std::vector<int> shown;
  int cleared = 0;
  CommonDataSeams().ShowControlGlow = [&](TsCommonData& d, bool) {
    d.GlowIndex = 7;
    shown.push_back(d.ControlKind);
  };
  std::vector<int> hidden;
  CommonDataSeams().HideGlow = [&](int index) { hidden.push_back(index); };
  ManagerSeams().FreeAllGlows = [&] { ++cleared; };
  // A glow shows only with the mouse flag; leaving clears the glows of
  // every kind that may glow.
  const struct {
    int kind;
    bool hover, glow, clears, repaint;
  } rows[] = {{5, true, true, true, true},     {19, false, false, true, false}, {300, true, true, true, false},
              {92, true, false, false, false}, {51, false, false, false, false}, {140, true, true, true, true}};
  for (const auto& r : rows) {
    auto* w = Child<QFrame>(&form);
    SkinnedControl c(w, "GLOWING", r.kind);
    PaintCounter paints(w);
    QCoreApplication::processEvents();
    paints.Count = 0;
    c.Data.BackgroundDirty = false;
    shown.clear();
    SendMessage(w, CM_MOUSEENTER, 0, LPARAM(PtrParam(w)));
    EXPECT_EQ(c.Data.MouseAbove, r.hover) << r.kind;
    EXPECT_EQ(manager->HotWindow(), w) << r.kind;
    EXPECT_EQ(shown.size(), r.glow ? 1u : 0u) << r.kind;
    EXPECT_EQ(c.Data.BackgroundDirty, r.repaint) << r.kind;
    EXPECT_EQ(paints.Count > 0, r.repaint) << r.kind << ": painted at once";
    EXPECT_EQ(c.Data.ControlIsActive(), r.hover) << r.kind;
    cleared = 0;
    paints.Count = 0;
    c.Data.BackgroundDirty = false;
    SendMessage(w, CM_MOUSELEAVE, 0, LPARAM(PtrParam(w)));
    EXPECT_FALSE(c.Data.MouseAbove) << r.kind;
    EXPECT_EQ(cleared, r.clears ? 1 : 0) << r.kind;
    EXPECT_EQ(c.Data.GlowIndex, -1) << r.kind;
    EXPECT_EQ(paints.Count > 0, r.repaint) << r.kind;
    delete w;
  }
  // Entered again while its glow shows: shown again (not a reshow).
  auto* again = Child<QFrame>(&form);
  SkinnedControl g(again, "GLOWING", 300);
  shown.clear();
  SendMessage(again, CM_MOUSEENTER, 0, LPARAM(PtrParam(again)));
  ASSERT_EQ(g.Data.GlowIndex, 7);
  SendMessage(again, CM_MOUSEENTER, 0, LPARAM(PtrParam(again)));
  EXPECT_EQ(shown.size(), 2u);
  // A graphic control only takes the mouse flag; the hot window stays.
  auto* label = Child<QLabel>(&form);
  ASSERT_TRUE(IsGraphicControl(label));
  SkinnedControl l(label, "GLOWING", 5);
  shown.clear();
  Perform(label, CM_MOUSEENTER, 0, LPARAM(PtrParam(label)));
  EXPECT_TRUE(l.Data.MouseAbove);
  EXPECT_EQ(manager->HotWindow(), again);
  EXPECT_TRUE(shown.empty());
  // Focus: a control that takes the focus by tab.
  for (int kind : {5, 300}) {
    auto* w = Child<QLineEdit>(&form);
    SkinnedControl c(w, "EDIT", kind);
    PaintCounter paints(w);
    QCoreApplication::processEvents();
    paints.Count = 0;
    c.Data.BackgroundDirty = false;
    SendMessage(w, WM_SETFOCUS);
    EXPECT_TRUE(c.Data.Focused && c.Data.BackgroundDirty) << kind;
    EXPECT_TRUE(c.Data.ControlIsActive());
    QCoreApplication::processEvents();
    const int afterFocus = paints.Count;
    SendMessage(w, WM_KILLFOCUS);
    EXPECT_FALSE(c.Data.Focused) << kind;
    if (kind == 5) {
      EXPECT_GT(afterFocus, 0) << "repainted";
    }
    // A font change clears the flags; disabling hides the glow.
    c.Data.Focused = c.Data.MouseAbove = true;
    c.Data.GlowIndex = 3;
    hidden.clear();
    SendMessage(w, CM_FONTCHANGED);
    EXPECT_FALSE(c.Data.Focused || c.Data.MouseAbove);
    EXPECT_TRUE(hidden.empty()) << "still enabled";
    w->setEnabled(false);
    EXPECT_EQ(hidden, std::vector<int>{3}) << kind;
    EXPECT_EQ(c.Data.GlowIndex, -1);
    delete w;
  }
  // No tab stop: the focus changes nothing.
  auto* clickOnly = Child<QFrame>(&form);
  clickOnly->setFocusPolicy(Qt::ClickFocus);
  SkinnedControl k(clickOnly, "EDIT", 5);
  SendMessage(clickOnly, WM_SETFOCUS);
  EXPECT_FALSE(k.Data.Focused);
}

// The background answers of FillBgQuery by Transparency: a plain colour,
// the cache, the parent's background or colour, the key colour.
TEST_F(CommonDataTest, BackgroundQueryAnswers) {
  auto* parent = Child<QFrame>(&form, 0, 0, 300, 200);
  SkinnedControl p(parent, "PARENTRED");
  struct Row {
    const char* section;
    bool cache;
    uint8_t kind;
    TColor color;  // for plain answers
  };
  const Row rows[] = {
      {"PANEL", false, TsBgQuery::PlainColor, 0xD8D8D8},    {"PANEL", true, TsBgQuery::PlainColor, 0xD8D8D8},
      {"GRADIENT", true, TsBgQuery::FromBitmap, 0},         {"GRADIENT", false, TsBgQuery::PlainColor, KeyColor},
      {"IMAGE", true, TsBgQuery::FromBitmap, 0},            {"CLEARWIDE", true, TsBgQuery::FromBitmap, 0},
      {"CLEARWIDE", false, TsBgQuery::PlainColor, 0x0000FF}, {"HALF", true, TsBgQuery::FromBitmap, 0},
      {"HALF", false, TsBgQuery::PlainColor, KeyColor},      {"NOSUCH", true, TsBgQuery::PlainColor, 0x445566},
  };
  for (const Row& r : rows) {
    auto* child = Child(parent, 20, 30);
    SetControlColor(child, 0x445566);
    SkinnedControl c(child, r.section);
    if (r.cache) c.Data.PrepareCacheBitmap24();
    TsBgQuery q;
    q.Offset = {5, 6};
    c.Data.FillBgQuery(q, false, nullptr);
    EXPECT_EQ(q.BgKind, r.kind) << r.section << " cache " << r.cache;
    if (r.kind == TsBgQuery::PlainColor) {
      EXPECT_EQ(q.Color, r.color) << r.section << " cache " << r.cache;
    }
    if (r.kind == TsBgQuery::FromBitmap) {
      EXPECT_EQ(q.Bitmap, c.Data.CacheBitmap.get()) << r.section;
      EXPECT_EQ(q.Offset, TPoint(0, 0)) << r.section;
    }
    delete child;
  }
  // A custom colour answers the own colour.
  auto* custom = Child(parent);
  SetControlColor(custom, 0x010203);
  SkinnedControl cc(custom, "GRADIENT");
  cc.Data.SetCustomColor(true);
  TsBgQuery q;
  cc.Data.FillBgQuery(q, false, nullptr);
  EXPECT_EQ(std::make_pair(q.BgKind, q.Color), std::make_pair(uint8_t(TsBgQuery::PlainColor), TColor(0x010203)));
  // Hot: the hot twins (HALF is opaque green when hot).
  auto* hot = Child(parent);
  SkinnedControl h(hot, "HALF");
  TsBgQuery hq;
  h.Data.FillBgQuery(hq, true, nullptr);
  EXPECT_EQ(std::make_pair(hq.BgKind, hq.Color), std::make_pair(uint8_t(TsBgQuery::PlainColor), TColor(0x00FF00)));
  // Wide margins without a parent: the skin's global colour.
  QWidget top;
  SkinnedControl t(&top, "CLEARWIDE");
  TsBgQuery tq;
  t.Data.FillBgQuery(tq, false, nullptr);
  EXPECT_EQ(tq.Color, manager->GlobalSectionColor());
}

// Transparency 100 with small margins relays the parent's answer (its
// cache moved by the control's position), or a window's parent's.
TEST_F(CommonDataTest, BackgroundQueryRelaysTheParent) {
  auto* parent = Child<QFrame>(&form, 0, 0, 300, 200);
  auto* child = Child(parent, 20, 30);
  SkinnedControl c(child, "CLEAR");
  // The painting toolbox is not here: the key colour.
  TsBgQuery none;
  c.Data.FillBgQuery(none, false, nullptr);
  EXPECT_EQ(std::make_pair(none.BgKind, none.Color), std::make_pair(uint8_t(TsBgQuery::PlainColor), KeyColor));
  platform::Bitmap parentCache(300, 200, pf24bit);
  std::vector<QWidget*> asked;
  CommonDataSeams().QueryControlBackground = [&](TsBgQuery& q, QWidget* control, bool) {
    asked.push_back(control);
    q.BgKind = TsBgQuery::FromBitmap;
    q.Bitmap = &parentCache;
    q.Offset = {3, 4};
    return true;
  };
  TsBgQuery q;
  c.Data.FillBgQuery(q, false, nullptr);
  EXPECT_EQ(asked, std::vector<QWidget*>{parent});
  EXPECT_EQ(q.Bitmap, &parentCache);
  EXPECT_EQ(q.Offset, TPoint(23, 34));
  // Without an owner control, a window stands in.
  CommonDataSeams().QueryWindowBackground = [&](TsBgQuery& q2, QWidget* window, bool) {
    asked.push_back(window);
    q2.BgKind = TsBgQuery::FromBitmap;
    q2.Offset = {1, 1};
    return true;
  };
  QObject provider;
  TsCommonData d(&provider);
  d.SetSkinSection("CLEAR");
  auto* wnd = Child(parent, 7, 9);
  TsBgQuery wq;
  d.FillBgQuery(wq, false, wnd);
  EXPECT_EQ(asked.back(), parent);
  EXPECT_EQ(wq.Offset, TPoint(8, 10));
  TsBgQuery nq;
  d.FillBgQuery(nq, false, nullptr);
  EXPECT_EQ(std::make_pair(nq.BgKind, nq.Color), std::make_pair(uint8_t(TsBgQuery::PlainColor), manager->GlobalSectionColor()));
}

// A draw request paints the answer: a plain colour fills the rectangle,
// the cache is copied from the offset.
TEST_F(CommonDataTest, BackgroundQueryDrawRequests) {
  auto* panel = Child<QFrame>(&form, 0, 0, 100, 80);
  SkinnedControl plain(panel, "PANEL");
  platform::Bitmap target(40, 30, pf24bit);
  target.Fill(qRgb(0, 0, 0));
  TsBgQuery q;
  q.DrawRequest = true;
  q.DC = &target.GetCanvas();
  q.R = Rect(5, 5, 15, 15);
  plain.Data.FillBgQuery(q, false, nullptr);
  EXPECT_EQ(target.GetPixel(5, 5), 0xD8D8D8);
  EXPECT_EQ(target.GetPixel(14, 14), 0xD8D8D8);
  EXPECT_EQ(target.GetPixel(15, 15), 0);
  auto* gradient = Child<QFrame>(&form, 0, 0, 100, 80);
  SkinnedControl g(gradient, "GRADIENT");
  g.Data.PrepareCacheBitmap24();
  g.Data.CacheBitmap->Fill(qRgb(0, 0, 0));
  g.Data.CacheBitmap->SetPixel(12, 13, 0x00FF00);
  TsBgQuery c;
  c.DrawRequest = true;
  c.DC = &target.GetCanvas();
  c.R = Rect(20, 20, 30, 30);
  c.Offset = {10, 10};
  g.Data.FillBgQuery(c, false, nullptr);
  EXPECT_EQ(c.BgKind, TsBgQuery::FromBitmap);
  EXPECT_EQ(target.GetPixel(22, 23), 0x00FF00) << "cache (12, 13) copied from offset (10, 10) to (20, 20)";
}

// NeedsOwnBackground and the container flag it gives panels.
TEST_F(CommonDataTest, NeedsOwnBackgroundCases) {
  const struct {
    const char* section;
    const char* parentSection;  // nullptr: a window of its own
    bool needs;
  } rows[] = {
      {"NOSUCH", "PANEL", false},   {"PANEL", "PANEL", false},   {"GRADIENT", "PANEL", true},
      {"IMAGE", "PANEL", true},     {"HALF", "PANEL", true},     {"BIGBORDER", "PANEL", true},
      {"CLEAR", "PANEL", false},     {"CLEAR", "GRADIENT", true}, {"CLEAR", nullptr, true},
      {"CLEARWIDE", "PANEL", false}, {"NOCENTRE", "PANEL", false},
  };
  for (const auto& r : rows) {
    std::unique_ptr<QWidget> top;
    QWidget* parent = nullptr;
    std::unique_ptr<SkinnedControl> p;
    QWidget* control;
    if (r.parentSection) {
      parent = Child<QFrame>(&form, 0, 0, 300, 200);
      p = std::make_unique<SkinnedControl>(parent, r.parentSection);
      control = Child<QFrame>(parent);
    } else {
      top = std::make_unique<QFrame>();
      control = top.get();
    }
    SkinnedControl c(control, r.section);
    EXPECT_EQ(c.Data.NeedsOwnBackground(), r.needs) << r.section << " in " << (r.parentSection ? r.parentSection : "-");
    // A panel keeps a plain background for its children.
    c.Data.CheckContainerBg(false);
    EXPECT_EQ(c.Data.ContainerFlags & 1, r.needs ? 0 : 1) << r.section;
    p.reset();
    delete parent;
  }
  // Not a container: no flag.
  auto* edit = Child<QLineEdit>(&form);
  SkinnedControl e(edit, "PANEL");
  EXPECT_EQ(e.Data.ContainerFlags, 0);
  // Forced: every control needs its cache, made here.
  auto* plain = Child<QFrame>(&form);
  SkinnedControl f(plain, "PANEL");
  ForceBackgroundCache = true;
  ASSERT_FALSE(f.Data.CacheBitmap);
  EXPECT_TRUE(f.Data.NeedsOwnBackground());
  ASSERT_TRUE(f.Data.CacheBitmap);
  EXPECT_EQ(f.Data.CacheBitmap->PixelFormat(), pf24bit);
  EXPECT_TRUE(f.Data.ParentDependent());
}

// A container checks its children's container flags with 36 (lParam 1);
// 36 with lParam 0 answers the flags.
TEST_F(CommonDataTest, ContainerChecksItsChildren) {
  auto* outer = Child<QFrame>(&form, 0, 0, 300, 200);
  SkinnedControl o(outer, "PANEL");
  auto* inner = Child<QFrame>(outer);
  SkinnedControl i(inner, "PANEL");
  i.Data.ContainerFlags = 0;
  i.Take();
  o.Data.CheckContainerBg(true);
  EXPECT_EQ(i.Take(), std::vector<unsigned>{acContainerBg});
  EXPECT_EQ(i.Data.ContainerFlags, 1);
  EXPECT_EQ(Send(inner, acContainerBg), 1);
  i.Take();
  o.Data.CheckContainerBg(false);
  EXPECT_TRUE(i.Take().empty());
}

// Sub-command 20 marks a composite background dirty and passes on to the
// children; a move does the same through the control itself; a size
// passes 20 on below a gradient.
TEST_F(CommonDataTest, ParentBackgroundChanges) {
  auto* panel = Child<QFrame>(&form, 0, 0, 300, 200);
  SkinnedControl p(panel, "GRADIENT");
  auto* child = Child<QFrame>(panel);
  SkinnedControl c(child, "HALF");
  auto* opaque = Child<QFrame>(panel, 100, 10);
  SkinnedControl o(opaque, "PANEL");
  EXPECT_TRUE(c.Data.HasCompositeBackground()) << "half transparent over a gradient";
  EXPECT_FALSE(o.Data.HasCompositeBackground());
  EXPECT_FALSE(p.Data.HasCompositeBackground()) << "opaque over the form";
  c.Take();
  o.Take();
  p.Data.BackgroundDirty = c.Data.BackgroundDirty = o.Data.BackgroundDirty = false;
  Send(panel, acParentBgChanged, 0, 0);
  EXPECT_FALSE(p.Data.BackgroundDirty);
  EXPECT_TRUE(c.Take().empty()) << "not composite: the children hear nothing";
  p.Data.HiddenMode = true;
  Send(panel, acParentBgChanged, 0, 0);
  EXPECT_TRUE(p.Data.BackgroundDirty);
  EXPECT_EQ(c.Take(), std::vector<unsigned>{acParentBgChanged});
  EXPECT_EQ(c.Arguments.back(), 0u) << "passed on without a redraw of its own";
  EXPECT_TRUE(c.Data.BackgroundDirty);
  EXPECT_EQ(o.Take(), std::vector<unsigned>{acParentBgChanged});
  EXPECT_FALSE(o.Data.BackgroundDirty);
  p.Data.HiddenMode = false;
  // Moved: the child hears 20 (argument 1) through itself.
  c.Data.BackgroundDirty = false;
  child->move(40, 40);
  EXPECT_TRUE(c.Data.BackgroundDirty);
  EXPECT_EQ(c.Take().front(), acParentBgChanged);
  // Sized: a gradient's children hear 20, a plain container's nothing.
  c.Take();
  o.Take();
  panel->resize(280, 190);
  EXPECT_FALSE(c.Take().empty());
  EXPECT_FALSE(o.Take().empty());
  p.Data.SetSkinSection("PANEL");
  c.Take();
  panel->resize(270, 180);
  EXPECT_TRUE(c.Take().empty());
  p.Data.SetSkinSection("GRADIENT");
  // A disabled control's background is composite; a hidden mode too.
  EXPECT_FALSE(o.Data.HasCompositeBackground());
  o.Data.HiddenMode = true;
  EXPECT_TRUE(o.Data.HasCompositeBackground());
  o.Data.HiddenMode = false;
  opaque->setEnabled(false);
  EXPECT_TRUE(o.Data.HasCompositeBackground());
  opaque->hide();
  EXPECT_TRUE(o.Data.HasCompositeBackground()) << "not visible";
}

// The font section: the parent's section when it gives its font, passing
// over parents more than half transparent; the default otherwise.
TEST_F(CommonDataTest, FontSectionFromTheParents) {
  // The parents' data answer at the window level, as an adapter's does:
  // a windowed control is asked by SendMessage.
  auto* red = Child<QFrame>(&form, 0, 0, 300, 200);
  SkinnedControl r(red, "PARENTRED", 0, WindowProcLevel::Window);
  auto* frosted = Child<QFrame>(red, 0, 0, 200, 150);
  SkinnedControl f(frosted, "FROSTED", 0, WindowProcLevel::Window);
  auto* panel = Child<QFrame>(red, 210, 0, 80, 80);
  SkinnedControl p(panel, "PANEL");
  auto* inFrosted = Child(frosted);
  auto* inPanel = Child(panel);
  auto* plain = Child(&form, 310, 10);
  SkinnedControl any(plain, "EDIT");
  EXPECT_EQ(any.Data.GetFontSectionIndex(inFrosted, -5), Index("PARENTRED"));
  EXPECT_EQ(any.Data.GetFontSectionIndex(inPanel, -5), -5) << "PANEL keeps its font";
  EXPECT_EQ(any.Data.GetFontSectionIndex(plain, -5), -5) << "the form does not answer";
  EXPECT_EQ(any.Data.GetFontSectionIndex(frosted, -5), Index("PARENTRED"));
  // The first section of the skin gives its font too.
  ASSERT_EQ(Index("GLOBALINFO"), 0);
  auto* global = Child<QFrame>(&form, 310, 100, 60, 60);
  SkinnedControl gl(global, "GLOBALINFO");
  EXPECT_EQ(any.Data.GetFontSectionIndex(Child(global), -5), 0);
}

// SectionBgColor: the section's colour, the parent's, the mix of both,
// the own colour without skin or with a custom colour.
TEST_F(CommonDataTest, SectionBackgroundColour) {
  auto* parent = Child<QFrame>(&form, 0, 0, 300, 200);
  SkinnedControl p(parent, "PARENTRED");
  auto* child = Child(parent);
  SetControlColor(child, 0x0A0B0C);
  SkinnedControl c(child, "PANEL");
  EXPECT_EQ(c.Data.SectionBgColor(false, nullptr), 0xD8D8D8);
  c.Data.SetCustomColor(true);
  EXPECT_EQ(c.Data.SectionBgColor(false, nullptr), 0x0A0B0C);
  c.Data.SetSkinSection("CLEAR");
  EXPECT_EQ(c.Data.SectionBgColor(false, nullptr), 0x0000FF) << "the parent's";
  c.Data.SetSkinSection("HALF");
  EXPECT_EQ(c.Data.SectionBgColor(true, nullptr), 0x0A0B0C) << "hot: opaque, the custom colour";
  EXPECT_EQ(c.Data.SectionBgColor(false, nullptr), KeyColor) << "mixing waits for the painting toolbox";
  std::vector<double> weights;
  CommonDataSeams().MixColors = [&](TColor a, TColor b, double k) {
    weights.push_back(k);
    return a == 0xFF0000 && b == 0x0000FF ? TColor(0x7F007F) : TColor(0);
  };
  EXPECT_EQ(c.Data.SectionBgColor(false, nullptr), 0x7F007F);
  EXPECT_EQ(weights, std::vector<double>{0.5});
  c.Data.SetSkinSection("NOSUCH");
  EXPECT_EQ(c.Data.SectionBgColor(false, nullptr), 0x0A0B0C);
  // Without a control: clBtnFace.
  QObject owner;
  TsCommonData d(&owner);
  d.SetSkinSection("CLEAR");
  EXPECT_EQ(d.SectionBgColor(false, nullptr), clBtnFace);
}

// The parent's background as a source: from its query when the control
// sits two levels down, else the own section colour.
TEST_F(CommonDataTest, ParentBackgroundSources) {
  auto* panel = Child<QFrame>(&form, 0, 0, 300, 200);
  auto* child = Child(panel);
  SkinnedControl c(child, "PANEL");
  platform::Bitmap cache(10, 10, pf24bit);
  CommonDataSeams().QueryControlBackground = [&](TsBgQuery& q, QWidget*, bool) {
    q.BgKind = TsBgQuery::FromBitmap;
    q.Bitmap = &cache;
    q.Offset = {4, 5};
    return true;
  };
  TsBgSource s;
  c.Data.ParentBgSource(s);
  EXPECT_TRUE(s.IsReady && s.Bitmap == &cache && s.X == 4 && s.Y == 5);
  auto* direct = Child(&form);
  SkinnedControl d(direct, "PANEL");
  d.Data.ParentBgSource(s);
  EXPECT_TRUE(!s.IsReady && !s.Bitmap && s.FillColor == 0xD8D8D8) << "a control on the form";
  CommonDataSeams().QueryWindowBackground = [&](TsBgQuery& q, QWidget*, bool) {
    q.BgKind = TsBgQuery::PlainColor;
    q.Color = clBtnFace;
    return true;
  };
  ParentWndCacheInfo(child, s);
  EXPECT_TRUE(!s.IsReady && s.FillColor == ColorToRGB(clBtnFace));
  QWidget top;
  ParentWndCacheInfo(&top, s);
  EXPECT_TRUE(!s.IsReady && s.X == -99 && s.Y == -99) << "the empty source";
}

// The border mask's widest margin, none for a mask without centre; the
// background kind flags.
TEST_F(CommonDataTest, BorderWidthAndBackgroundKinds) {
  const struct {
    const char* section;
    int maxWidth;
    uint16_t kinds;
    const char* maskOf;  // whose border mask the data keeps
  } rows[] = {{"BIGBORDER", 16, 0, "BIGBORDER"}, {"NOCENTRE", 0, 0, "NOCENTRE"},
              {"NOSUCH", 0, 0, "NOCENTRE"},     {"PANEL", 0, 0, "PANEL"},
              {"GRADIENT", 0, 1, "GRADIENT"},   {"VERTICAL", 0, 2, "VERTICAL"},  // GradientPercent 1
              {"TRIANGLES", 0, 7, "TRIANGLES"}, {"IMAGE", 0, 4, "IMAGE"}};
  // Without a parent no sub-command 2 drops the indexes.
  QFrame w;
  SkinnedControl c(&w);
  for (const auto& r : rows) {
    c.Data.SetSkinSection(r.section);
    EXPECT_EQ(c.Data.BorderMaxWidth(), r.maxWidth) << r.section;
    EXPECT_EQ(c.Data.BgKindFlags, r.kinds) << r.section;
    EXPECT_EQ(c.Data.BorderMaskIndex, SectionData(r.maskOf).BorderIndex) << r.section << ": kept when missing";
  }
  EXPECT_NE(SectionData("NOCENTRE").BorderIndex, -1);
}

// The cache follows the control's size; the 24-bit form forces pf24bit;
// hiding empties it, showing asks for a repaint.
TEST_F(CommonDataTest, CacheBitmap) {
  auto* w = Child<QFrame>(&form, 0, 0, 70, 50);
  SkinnedControl c(w, "PANEL");
  c.Data.PrepareCacheBitmap();
  ASSERT_TRUE(c.Data.CacheBitmap);
  EXPECT_EQ(std::make_tuple(c.Data.CacheBitmap->Width(), c.Data.CacheBitmap->Height(), c.Data.CacheBitmap->PixelFormat()),
            std::make_tuple(70, 50, pf24bit));
  c.Data.CacheBitmap->SetPixelFormat(pf32bit);
  w->resize(80, 60);
  c.Data.PrepareCacheBitmap();
  EXPECT_EQ(std::make_tuple(c.Data.CacheBitmap->Width(), c.Data.CacheBitmap->PixelFormat()), std::make_tuple(80, pf32bit));
  c.Data.PrepareCacheBitmap24();
  EXPECT_EQ(c.Data.CacheBitmap->PixelFormat(), pf24bit);
  w->hide();
  EXPECT_TRUE(c.Data.CacheBitmap->Empty());
  c.Data.SetUpdating(true);
  c.Data.BackgroundDirty = false;
  w->show();
  EXPECT_TRUE(!c.Data.UpdatingFlag() && c.Data.BackgroundDirty);
  TsCommonData made(nullptr, true);
  ASSERT_TRUE(made.CacheBitmap);
  EXPECT_TRUE(made.CacheBitmap->Empty());
}

// Begin and end of an update tell the control (31, 32); Invalidate marks
// the background and asks for a paint.
TEST_F(CommonDataTest, UpdatesAndInvalidate) {
  auto* w = Child<QFrame>(&form);
  SkinnedControl c(w, "PANEL");
  PaintCounter paints(w);
  QCoreApplication::processEvents();
  c.Data.BeginUpdate();
  EXPECT_TRUE(c.Data.UpdatingFlag());
  c.Data.EndUpdate();
  EXPECT_FALSE(c.Data.UpdatingFlag());
  EXPECT_EQ(c.Take(), (std::vector<unsigned>{acBeginUpdate, acUpdateEnded}));
  paints.Count = 0;
  c.Data.BackgroundDirty = false;
  c.Data.Invalidate();
  EXPECT_TRUE(c.Data.BackgroundDirty);
  QCoreApplication::processEvents();
  EXPECT_GT(paints.Count, 0);
  // A provider's data tells its form.
  QObject provider;
  RecordingForm providerForm;
  AdapterEntryPoints().ProviderForm = [&](const QObject* o) -> QWidget* { return o == &provider ? &providerForm : nullptr; };
  std::vector<unsigned> heard;
  WindowProcHandle h = InstallWindowProc(&providerForm, [&](Message& m, const CallPrevious& previous) {
    if (m.Msg == SkinCommandMsg) heard.push_back(HIWORD(m.WParam));
    previous(m);
  });
  TsCommonData d(&provider);
  d.BeginUpdate();
  d.EndUpdate();
  EXPECT_EQ(heard, (std::vector<unsigned>{acBeginUpdate, acUpdateEnded}));
  RemoveWindowProc(h);
}

// The custom colour of an edit: kept while set, the skin's when cleared;
// ApplySkinColors chooses the section, colours an edit and tells the form.
TEST_F(CommonDataTest, SkinColoursOfAnEdit) {
  auto* edit = Child<QLineEdit>(&form);
  SkinnedControl c(edit, "EDIT");
  const TColor skin = SectionData("EDIT").Color;
  c.Data.SetCustomColor(true);
  SetControlColor(edit, 0x111111);
  c.Data.SetCustomColor(true);
  EXPECT_EQ(GetControlColor(edit), 0x111111);
  c.Data.BackgroundDirty = false;
  c.Data.SetCustomColor(false);
  EXPECT_EQ(GetControlColor(edit), skin);
  EXPECT_TRUE(c.Data.BackgroundDirty) << "invalidated";
  auto* other = Child<QLineEdit>(&form);
  std::vector<LPARAM> changed;
  WindowProcHandle h = InstallWindowProc(&form, [&](Message& m, const CallPrevious& previous) {
    if (m.Msg == SkinCommandMsg && HIWORD(m.WParam) == acControlChanged) changed.push_back(m.LParam);
    previous(m);
  });
  SkinnedControl o(other, {}, 2);
  o.Data.ApplySkinColors();
  EXPECT_EQ(o.Data.SkinSection(), "EDIT");
  EXPECT_EQ(GetControlColor(other), skin);
  EXPECT_EQ(GetFontColor(other), SectionData("EDIT").FontColor[0]);
  EXPECT_EQ(changed, std::vector<LPARAM>{LPARAM(PtrParam(other))});
  // A control made inside a windowed one tells the form as well.
  changed.clear();
  auto* panel = Child<QFrame>(&form, 100, 100, 100, 100);
  SkinnedControl p(panel, "PANEL");
  Child(panel);
  QCoreApplication::processEvents();
  EXPECT_EQ(changed, std::vector<LPARAM>{LPARAM(PtrParam(panel))});
  RemoveWindowProc(h);
}

// Every message the data follows goes on to the control's own handling;
// a new font invalidates a control whose font is its own.
TEST_F(CommonDataTest, MessagesGoOnToTheControl) {
  auto* w = Child<QFrame>(&form, 0, 0, 100, 100);
  std::vector<unsigned> behind;
  WindowProcHandle h = InstallWindowProc(
      w,
      [&](Message& m, const CallPrevious& previous) {
        behind.push_back(m.Msg);
        previous(m);
      },
      WindowProcLevel::Control);
  SkinnedControl c(w, "HALF", 5);
  const unsigned messages[] = {WM_MOVE,        WM_SIZE,           WM_SETFOCUS,       WM_KILLFOCUS,
                               WM_FONTCHANGE,  CM_FONTCHANGED,    CM_ENABLEDCHANGED, WM_CONTEXTMENU,
                               WM_PARENTNOTIFY, CM_VISIBLECHANGED, CM_MOUSEENTER,     CM_MOUSELEAVE};
  for (unsigned msg : messages) {
    behind.clear();
    Perform(w, msg, msg == CM_VISIBLECHANGED ? 1 : 0, msg == CM_MOUSEENTER ? LPARAM(PtrParam(w)) : 0);
    EXPECT_EQ(std::count(behind.begin(), behind.end(), msg), 1) << msg;
  }
  RemoveWindowProc(h);
  c.Data.BackgroundDirty = false;
  c.Data.SetCustomFont(true);
  EXPECT_TRUE(c.Data.CustomFont() && c.Data.BackgroundDirty);
  c.Data.BackgroundDirty = false;
  c.Data.SetCustomFont(true);
  EXPECT_FALSE(c.Data.BackgroundDirty) << "unchanged";
}

// WM_UPDATEUISTATE is swallowed while skinned; a context menu hooks the
// control's popup menu with the manager's state.
TEST_F(CommonDataTest, UiStateAndContextMenu) {
  auto* w = Child<QFrame>(&form);
  SkinnedControl c(w, "PANEL");
  Message ui{WM_UPDATEUISTATE, 0, 0, 0};
  EXPECT_TRUE(CommonWindowMessage(ui, &c.Data));
  c.Data.SetSkinSection("NOSUCH");
  EXPECT_FALSE(CommonWindowMessage(ui, &c.Data));
  std::vector<std::pair<QObject*, bool>> hooked;
  CommonDataSeams().HookPopupMenu = [&](TsSkinManager* sm, QObject* menu, bool enable) {
    EXPECT_EQ(sm, manager.get());
    hooked.emplace_back(menu, enable);
  };
  Message context{WM_CONTEXTMENU, WPARAM(PtrParam(w)), -1, 0};
  EXPECT_FALSE(CommonWindowMessage(context, &c.Data));
  EXPECT_TRUE(hooked.empty()) << "no popup menu";
  QMenu menu;
  w->setProperty("PopupMenu", QVariant::fromValue<QObject*>(&menu));
  CommonWindowMessage(context, &c.Data);
  manager->SetActive(false);
  CommonWindowMessage(context, &c.Data);
  EXPECT_EQ(hooked, (std::vector<std::pair<QObject*, bool>>{{&menu, true}, {&menu, false}}));
}

// The cache copied around child controls: graphic and opaque children are
// left out (moved by dx, dy), windowed ones paint over it themselves;
// SkipGraphicChildren passes graphic ones over.
TEST_F(CommonDataTest, CopyAroundChildControls) {
  auto* panel = Child<QFrame>(&form, 0, 0, 100, 100);
  SkinnedControl p(panel, "PANEL");
  p.Data.PrepareCacheBitmap24();
  p.Data.CacheBitmap->Fill(qRgb(255, 255, 255));
  auto* label = Child<QLabel>(panel, 10, 10, 10, 10);
  auto* opaque = Child<QFrame>(panel, 30, 10, 10, 10);
  opaque->setAttribute(Qt::WA_OpaquePaintEvent);
  Child<QFrame>(panel, 50, 10, 10, 10);  // windowed, not opaque
  auto* hidden = Child<QLabel>(panel, 70, 10, 10, 10);
  hidden->hide();
  ASSERT_TRUE(IsGraphicControl(label));
  EXPECT_FALSE(SkipGraphicChildren) << "graphic children are left out by default";
  for (bool skip : {false, true}) {
    if (skip) SkipGraphicChildren = true;
    platform::Bitmap target(100, 100, pf24bit);
    target.Fill(qRgb(0, 0, 0));
    CopyBgExcludingChildControls(panel, p.Data, {0, 0}, 2, 0, false, target.GetCanvas(), Rect(0, 0, 90, 90));
    EXPECT_EQ(target.GetPixel(15, 15), skip ? clWhite : clBlack) << "label, moved by 2: " << skip;
    EXPECT_EQ(target.GetPixel(11, 15), clWhite) << "left of the moved label";
    EXPECT_EQ(target.GetPixel(35, 15), clBlack) << "opaque";
    EXPECT_EQ(target.GetPixel(55, 15), clWhite) << "windowed";
    EXPECT_EQ(target.GetPixel(75, 15), clWhite) << "hidden";
    EXPECT_EQ(target.GetPixel(95, 95), clBlack) << "outside the rectangle";
    // The clip is given back.
    target.GetCanvas().Brush.Color = clRed;
    target.GetCanvas().FillRect(Rect(0, 0, 100, 100));
    EXPECT_EQ(target.GetPixel(35, 15), clRed);
  }
  // With a repaint the cache is painted anew first.
  int repainted = 0;
  CommonDataSeams().RepaintCache = [&](QWidget* control, TsCommonData&) {
    EXPECT_EQ(control, panel);
    ++repainted;
  };
  platform::Bitmap target(100, 100, pf24bit);
  CopyBgExcludingChildControls(panel, p.Data, {0, 0}, 0, 0, true, target.GetCanvas(), Rect(0, 0, 10, 10));
  EXPECT_EQ(repainted, 1);
}

// The cache copied around child windows: every visible child whole, but a
// group box only its frame strips when the skin's GROUPBOX has a border
// mask; a group box with a client edge whole.
TEST_F(CommonDataTest, CopyAroundChildWindowsAndGroupBoxes) {
  auto* panel = Child<QFrame>(&form, 0, 0, 200, 120);
  SkinnedControl p(panel, "PANEL");
  p.Data.PrepareCacheBitmap24();
  p.Data.CacheBitmap->Fill(qRgb(255, 255, 255));
  auto* box = Child<QGroupBox>(panel, 10, 10, 100, 80);
  SkinnedControl caption(box);
  caption.Answer = [](Message& m) {
    if (m.Msg != SkinCommandMsg || HIWORD(m.WParam) != acGetCaptionHeight) return false;
    m.Result = 20;
    return true;
  };
  auto* plain = Child<QFrame>(panel, 130, 10, 30, 30);
  (void)plain;
  const auto copy = [&] {
    platform::Bitmap target(200, 120, pf24bit);
    target.Fill(qRgb(0, 0, 0));
    CopyBgExcludingChildWindows(panel, p.Data, {0, 0}, false, target.GetCanvas(), Rect(0, 0, 200, 120));
    return target;
  };
  // Margins 6, 18, 7, 8 of the GROUPBOX border mask; the caption 20 high.
  platform::Bitmap framed = copy();
  EXPECT_EQ(framed.GetPixel(60, 50), clWhite) << "the box's inside shows the cache";
  EXPECT_EQ(framed.GetPixel(60, 29), clBlack) << "caption strip";
  EXPECT_EQ(framed.GetPixel(60, 31), clWhite);
  EXPECT_EQ(framed.GetPixel(15, 50), clBlack) << "left strip (6)";
  EXPECT_EQ(framed.GetPixel(17, 50), clWhite);
  EXPECT_EQ(framed.GetPixel(104, 50), clBlack) << "right strip (7)";
  EXPECT_EQ(framed.GetPixel(102, 50), clWhite);
  EXPECT_EQ(framed.GetPixel(60, 83), clBlack) << "bottom strip (8)";
  EXPECT_EQ(framed.GetPixel(60, 81), clWhite);
  EXPECT_EQ(framed.GetPixel(140, 20), clBlack) << "another child, whole";
  EXPECT_EQ(framed.GetPixel(5, 5), clWhite) << "no child there";
  // A client edge: the whole box.
  SetWindowLong(box, GWL_EXSTYLE, GetWindowLong(box, GWL_EXSTYLE) | WS_EX_CLIENTEDGE);
  ASSERT_TRUE(GetWindowLong(box, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
  EXPECT_EQ(copy().GetPixel(60, 50), clBlack);
  SetWindowLong(box, GWL_EXSTYLE, GetWindowLong(box, GWL_EXSTYLE) & ~std::intptr_t(WS_EX_CLIENTEDGE));
  EXPECT_EQ(copy().GetPixel(60, 50), clWhite);
  // Without a default manager: the whole box.
  TsSkinManager* first = FirstSkinManager;
  FirstSkinManager = nullptr;
  EXPECT_EQ(copy().GetPixel(60, 50), clBlack);
  FirstSkinManager = first;
  int repainted = 0;
  CommonDataSeams().RepaintCache = [&](QWidget*, TsCommonData&) { ++repainted; };
  copy();
  EXPECT_EQ(repainted, 0);
  platform::Bitmap target(10, 10, pf24bit);
  CopyBgExcludingChildWindows(panel, p.Data, {0, 0}, true, target.GetCanvas(), Rect(0, 0, 10, 10));
  EXPECT_EQ(repainted, 1);
  // GROUPBOX as the skin's first section.
  testskins::TestSkin reordered = testskins::ControlDataSkin();
  const auto at = std::find_if(reordered.Sections.begin(), reordered.Sections.end(),
                               [](const testskins::SkinSection& s) { return s.Name == "GROUPBOX"; });
  std::rotate(reordered.Sections.begin(), at, at + 1);
  ASSERT_TRUE(testskins::WriteSkinFolder(reordered, Root() + "/GroupBoxFirst"));
  manager->SetSkinName("GroupBoxFirst");
  ASSERT_EQ(manager->IndexOfSection("GROUPBOX"), 0);
  p.Data.PrepareCacheBitmap24();
  p.Data.CacheBitmap->Fill(qRgb(255, 255, 255));
  EXPECT_EQ(copy().GetPixel(60, 50), clWhite);
  // A skin without GROUPBOX: the whole box, nothing read from no mask.
  manager->SetSkinName("Demo");
  ASSERT_EQ(manager->IndexOfSection("GROUPBOX"), -1);
  p.Data.PrepareCacheBitmap24();
  p.Data.CacheBitmap->Fill(qRgb(255, 255, 255));
  EXPECT_EQ(copy().GetPixel(60, 50), clBlack);
}
