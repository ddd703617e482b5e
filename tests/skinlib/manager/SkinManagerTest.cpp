// The skin manager: where skins lie and which are there, the default
// manager, skin changes and what they broadcast, the application
// window's handler, stored settings, and a failed load that leaves
// nothing half-read behind.
#include "ManagerFixture.h"

#include "platform/AppPath.h"
#include "platform/AppWindow.h"
#include "platform/Startup.h"
#include "platform/WindowProc.h"
#include "skinlib/manager/AdapterEntryPoints.h"
#include "skinlib/manager/SkinMasks.h"
#include "tools/skindraw/SkinDrawing.h"

#include <QApplication>
#include <QDir>
#include <QWidget>

using namespace testskins;
using platform::LPARAM;
using platform::Message;

TEST(SkinDirectory, WindowsRulesAndTheSystemsOwn) {
  const struct {
    const char* setting;
    const char* appDir;
    const char* full;
  } cases[] = {
      {"..\\Skins", "C:\\A\\B\\", "C:\\A\\Skins\\"},
      {"../Skins", "C:\\A\\B\\", "C:\\A\\Skins\\"},
      {".\\Skins", "C:\\A\\B\\", "C:\\A\\B\\Skins\\"},
      {"./Skins", "C:\\A\\B\\", "C:\\A\\B\\Skins\\"},
      {"Skins", "C:\\A\\B\\", "C:\\A\\B\\Skins\\"},
      {"\\\\server\\Skins", "C:\\A\\B\\", "\\\\server\\Skins\\"},
      {"D:\\Skins", "C:\\A\\B\\", "D:\\Skins\\"},
      {"c:\\Skins\\", "C:\\A\\B\\", "c:\\Skins\\"},
      {"/usr/share/skins", "/opt/ssq\\", "/usr/share/skins\\"},
      {"..\\Skins", "/opt/ssq/bin\\", "/opt/ssq/Skins\\"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FullSkinDir(c.setting, c.appDir), QString::fromLatin1(c.full)) << c.setting << " from " << c.appDir;
  // The program's folder comes from the platform.
  platform::SetAppPathOverride("/opt/ssq/bin");
  TsSkinManager sm;
  EXPECT_EQ(sm.SkinDirectory(), "c:\\Skins");
  sm.SetSkinDirectory("..\\Skins");
  EXPECT_EQ(sm.GetFullSkinDir(), "/opt/ssq/Skins\\");
  EXPECT_EQ(sm.SkinData->SkinPath, "/opt/ssq/Skins\\");
  platform::SetAppPathOverride("");
}

// Folders with "Options.dat", packages with ".asz" exactly, stored skins
// first; sorted, each name once.
TEST_F(ManagerTest, ListingSkinNames) {
  WriteFolder(DemoSkin(), "Green");
  QDir(Root()).mkpath("Blue");  // no "Options.dat"
  QDir(Root()).mkpath(".Hidden");
  dir.Write(".Hidden/Options.dat", "[GLOBALINFO]\r\n");
  dir.Write("Blue.ASZ", "x");
  dir.Write("Blue.old.asz", "x");
  dir.Write("grey.asz", "x");
  dir.Write("Green.asz", "x");
  dir.Write("notes.txt", "x");
  auto sm = std::make_unique<TsSkinManager>();
  sm->SetSkinDirectory(Root());
  sm->InternalSkins().Add().Name = "Zeta";
  sm->InternalSkins().Add().Name = "Alpha";
  const struct {
    int kind;
    QStringList names;
  } cases[] = {{0, {"Alpha", "Green", "Zeta"}},
               {1, {"Alpha", "Blue", "Green", "grey", "Zeta"}},
               {2, {"Alpha", "Blue", "Green", "grey", "Zeta"}}};
  for (const auto& c : cases) {
    QStringList list{"old entry"};
    QString first = "old";
    sm->ListSkinNames(list, c.kind, first);
    EXPECT_EQ(list, c.names) << c.kind;
    EXPECT_EQ(first, "Zeta") << c.kind;
  }
  sm->InternalSkins().Clear();
  QStringList list;
  QString first;
  sm->ListSkinNames(list, 1, first);
  EXPECT_EQ(first, "Blue") << "the first entry of the folder";
  sm->SetSkinDirectory(Root() + "/none");
  sm->ListSkinNames(list, 2, first);
  EXPECT_TRUE(list.isEmpty() && first.isEmpty());
}

// The first manager is the default; a later one becomes it only when made
// so, and then announces its skin (or its lack of one); the default can be
// moved but not switched off.
TEST_F(ManagerTest, TheDefaultManagerMovesByIsDefault) {
  WriteFolder(DemoSkin(), "Demo");
  ASSERT_EQ(FirstSkinManager, nullptr);
  auto first = Manager("Demo");
  auto second = Manager("Demo");
  EXPECT_TRUE(first->IsDefault());
  EXPECT_FALSE(second->IsDefault());
  EXPECT_EQ(FirstSkinManager, first.get());
  broadcasts.clear();
  second->SetIsDefault(true);
  EXPECT_EQ(FirstSkinManager, second.get());
  EXPECT_FALSE(first->IsDefault());
  ASSERT_FALSE(broadcasts.empty());
  EXPECT_EQ(broadcasts.front(), std::make_pair(unsigned(kCommandNewSkin), second.get()));
  second->SetIsDefault(false);
  EXPECT_TRUE(second->IsDefault()) << "switching it off only stores";
  first->SetIsDefault(false);
  EXPECT_EQ(FirstSkinManager, second.get());
  // An inactive manager made default removes the skin.
  auto third = std::make_unique<TsSkinManager>();
  third->SetActive(false);
  broadcasts.clear();
  third->SetIsDefault(true);
  EXPECT_EQ(broadcasts, (std::vector<std::pair<unsigned, TsSkinManager*>>{{kCommandRemoveSkin, third.get()}}));
  third.reset();
  EXPECT_EQ(FirstSkinManager, nullptr) << "no other manager takes the place";
  second.reset();
  first.reset();
  EXPECT_EQ(FirstSkinManager, nullptr);
}

// Every mask and section index the manager keeps for the controls.
static std::vector<int> AllStandardIndexes(const TsSkinManager& sm) {
  const TacStandardIndexes& x = sm.StandardIndexes;
  std::vector<int> all{x.GlobalInfo, x.ExBorder};
  for (const auto* group : {&x.TabSections, &x.TabBorders, &x.ScrollBtnSections, &x.ScrollBtnBorders,
                            &x.ScrollBtnPatterns, &x.ScrollBtnHotPatterns, &x.ScrollBtnGlyphs, &x.SliderPatterns,
                            &x.BarSections, &x.BarBorders, &x.BarPatterns, &x.BarHotPatterns})
    all.insert(all.end(), group->begin(), group->end());
  for (const auto* group : {&x.SliderSections, &x.SliderBorders, &x.SliderGlyphs})
    all.insert(all.end(), group->begin(), group->end());
  all.insert(all.end(), x.CheckBoxes.begin(), x.CheckBoxes.end());
  return all;
}

// A manager without a skin, new or after its skin went, points at no mask.
TEST_F(ManagerTest, WithoutASkinNoIndexPointsAtAMask) {
  auto fresh = std::make_unique<TsSkinManager>();
  EXPECT_EQ(AllStandardIndexes(*fresh), std::vector<int>(AllStandardIndexes(*fresh).size(), -1));
  WriteFolder(DemoSkin(), "Demo");
  auto sm = Manager("Demo");
  ASSERT_NE(AllStandardIndexes(*sm), std::vector<int>(AllStandardIndexes(*sm).size(), -1));
  sm->SetActive(false);
  EXPECT_EQ(AllStandardIndexes(*sm), std::vector<int>(AllStandardIndexes(*sm).size(), -1));
}

TEST_F(ManagerTest, ActiveFalseThenTrueReloads) {
  WriteFolder(DemoSkin(), "Demo");
  auto sm = Manager("Demo");
  const size_t masks = sm->MaskData.size();
  ASSERT_GT(masks, 0u);
  EXPECT_EQ(TakeCommands(), (std::vector<unsigned>{kCommandNewSkin, kCommandBeforeRefresh, kCommandRefresh}));
  sm->SetActive(false);
  EXPECT_TRUE(sm->MaskData.empty() && sm->GeneralData.empty() && !sm->MasterBitmap);
  EXPECT_EQ(sm->StandardIndexes.GlobalInfo, -1);
  EXPECT_FALSE(sm->SkinData->Active);
  sm->SetActive(true);
  EXPECT_EQ(sm->MaskData.size(), masks);
  EXPECT_TRUE(sm->SkinData->Active);
  EXPECT_EQ(TakeCommands(),
            (std::vector<unsigned>{kCommandRemoveSkin, kCommandNewSkin, kCommandBeforeRefresh, kCommandRefresh}));
  // Without the new-skin broadcast a load sends nothing.
  NoNewSkinBroadcast = true;
  sm->SetSkinName("Demo");
  EXPECT_TRUE(TakeCommands().empty());
  EXPECT_EQ(sm->MaskData.size(), masks);
}

// A skin change in its steps: the callbacks around it, glows freed, forms
// locked, the new-skin command, the dialog hook of the default manager
// (once), the refresh, the forms unlocked and the dialogs repainted; a
// removal unhooks the dialogs.
TEST_F(ManagerTest, TheStepsOfASkinChange) {
  WriteFolder(DemoSkin(), "Demo");
  std::vector<std::string> steps;
  TacManagerSeams& seams = ManagerSeams();
  seams.BroadcastToAllForms = [&](unsigned command, TsSkinManager*) { steps.push_back("command " + std::to_string(command)); };
  seams.LockSkinnedForms = [&](TsSkinManager*) { steps.push_back("lock"); };
  seams.UnlockSkinnedForms = [&](TsSkinManager*, bool repaint) { steps.push_back(repaint ? "unlock repaint" : "unlock"); };
  seams.FreeAllGlows = [&] { steps.push_back("glows"); };
  seams.ResetMenuSection = [&](TsSkinManager*) { steps.push_back("menus"); };
  TacAdapterEntryPoints& adapters = AdapterEntryPoints();
  adapters.InstallDialogHook = [&] { steps.push_back("hook"); };
  adapters.RemoveDialogHook = [&] { steps.push_back("unhook"); };
  adapters.RepaintDialogs = [&] { steps.push_back("dialogs"); };
  auto sm = std::make_unique<TsSkinManager>();
  auto other = std::make_unique<TsSkinManager>();
  sm->OnBeforeChange = [&](TsSkinManager* m) {
    EXPECT_EQ(m, sm.get());
    EXPECT_FALSE(SkinLoading);
    steps.push_back("before");
  };
  sm->OnAfterChange = [&](TsSkinManager*) {
    EXPECT_FALSE(SkinLoading);
    steps.push_back("after");
  };
  sm->SetSkinDirectory(Root());
  sm->SetSkinName("Demo");
  const std::vector<std::string> change{"before", "glows", "lock", "menus", "command 1", "hook", "command 16",
                                        "command 3", "unlock repaint", "dialogs", "after"};
  EXPECT_EQ(steps, change);
  EXPECT_TRUE(sm->DialogHookInstalled);
  steps.clear();
  sm->SetSkinName("Demo");
  EXPECT_EQ(std::count(steps.begin(), steps.end(), "hook"), 0) << "installed once";
  steps.clear();
  sm->SetActive(false);
  EXPECT_EQ(steps, (std::vector<std::string>{"glows", "unhook", "menus", "command 2"}));
  EXPECT_FALSE(sm->DialogHookInstalled);
  // Another manager than the default installs no hook.
  other->SetSkinDirectory(Root());
  steps.clear();
  other->SetSkinName("Demo");
  EXPECT_EQ(std::count(steps.begin(), steps.end(), "hook"), 0);
  // A repaint at rest locks the forms itself.
  steps.clear();
  other->RepaintForms();
  EXPECT_EQ(steps, (std::vector<std::string>{"command 16", "lock", "command 3", "unlock repaint", "dialogs"}));
  // Popups switched on again by the default manager hand the menus its state.
  bool menus = false;
  seams.SetMenusActive = [&](TsSkinManager* m, bool active) {
    EXPECT_EQ(m, sm.get());
    menus = !active;
  };
  sm->SetSkinnedPopups(false);
  other->SetSkinnedPopups(false);
  other->SetSkinnedPopups(true);
  EXPECT_FALSE(menus);
  sm->SetSkinnedPopups(true);
  EXPECT_TRUE(menus);
  seams.SetMenusActive = nullptr;  // the managers' ends unhook the menus
  adapters = {};
}

// The dialog hook is the default manager's: another manager switched off
// or destroyed leaves it in; it goes with the default moved to a manager
// without a skin and comes back with one that has a skin.
TEST_F(ManagerTest, OnlyTheDefaultsDialogHookComesAndGoes) {
  WriteFolder(DemoSkin(), "Demo");
  bool hooked = false;
  TacAdapterEntryPoints& adapters = AdapterEntryPoints();
  adapters.InstallDialogHook = [&] { hooked = true; };
  adapters.RemoveDialogHook = [&] { hooked = false; };
  auto first = Manager("Demo");
  auto second = Manager("Demo");
  ASSERT_TRUE(hooked && first->DialogHookInstalled);
  second->SetActive(false);
  second.reset();
  first->SetSkinName("Demo");
  EXPECT_TRUE(hooked && first->DialogHookInstalled);
  auto bare = std::make_unique<TsSkinManager>();
  bare->SetActive(false);
  bare->SetIsDefault(true);
  EXPECT_FALSE(hooked || first->DialogHookInstalled || bare->DialogHookInstalled);
  auto third = Manager("Demo");
  third->SetIsDefault(true);
  EXPECT_TRUE(hooked && third->DialogHookInstalled);
  first.reset();
  bare.reset();
  EXPECT_TRUE(hooked && third->DialogHookInstalled);
  third.reset();
  EXPECT_FALSE(hooked);
  adapters = {};
}

// Hue, saturation and extended borders changed without an active skin
// only store the value; with one they read the skin again and repaint.
TEST_F(ManagerTest, AdjustmentsStoreOrReload) {
  WriteFolder(DemoSkin(), "Demo");
  auto sm = std::make_unique<TsSkinManager>();
  sm->SetActive(false);
  sm->SetSkinDirectory(Root());
  sm->SetSkinName("Demo");
  broadcasts.clear();
  int adjusted = 0;
  ManagerSeams().ApplyHueAndSaturation = [&](TsSkinManager* m) {
    EXPECT_EQ(m, sm.get());
    ++adjusted;
  };
  sm->SetHueOffset(30);
  sm->SetSaturation(-20);
  EXPECT_EQ(sm->HueOffset(), 30);
  EXPECT_EQ(sm->Saturation(), -20);
  EXPECT_EQ(adjusted, 0);
  EXPECT_TRUE(broadcasts.empty() && sm->GeneralData.empty());
  sm->SetActive(true);
  EXPECT_EQ(adjusted, 1) << "at the next load";
  TakeCommands();
  sm->SetHueOffset(40);
  sm->SetHueOffset(40);
  EXPECT_EQ(adjusted, 2);
  EXPECT_EQ(TakeCommands(), (std::vector<unsigned>{kCommandBeforeRefresh, kCommandRefresh}));
}

// The handler in the application window's chain: CM_ACTIVATE sends skin
// command 18 to every form and goes on, CM_DEACTIVATE goes on untouched;
// nothing while SkinnedPopups is off; it outlives the manager that put it
// in and goes with the last manager.
TEST_F(ManagerTest, TheApplicationWindowHandlerHearsActivation) {
  QWidget* app = platform::ApplicationWindow();
  ASSERT_TRUE(app);
  std::vector<unsigned> heard;  // behind the manager's handler
  platform::WindowProcHandle before = platform::InstallWindowProc(app, [&](Message& m, const platform::CallPrevious& previous) {
    heard.push_back(m.Msg);
    previous(m);
  });
  std::vector<std::pair<QWidget*, unsigned>> sent;
  AdapterEntryPoints().SendSkinCommandToHandle = [&](QWidget* w, unsigned command, LPARAM) {
    sent.emplace_back(w, command);
    return platform::LRESULT(0);
  };
  QWidget form1, form2;
  auto sm = std::make_unique<TsSkinManager>();
  platform::SendMessage(app, platform::CM_DEACTIVATE);
  EXPECT_EQ(heard, std::vector<unsigned>{platform::CM_DEACTIVATE});
  EXPECT_TRUE(sent.empty());
  platform::SendMessage(app, platform::CM_ACTIVATE);
  EXPECT_EQ(heard.back(), platform::CM_ACTIVATE);
  std::vector<QWidget*> forms;
  for (const auto& [w, command] : sent) {
    EXPECT_EQ(command, kCommandAppActivated);
    forms.push_back(w);
  }
  EXPECT_NE(std::find(forms.begin(), forms.end(), &form1), forms.end());
  EXPECT_NE(std::find(forms.begin(), forms.end(), &form2), forms.end());
  EXPECT_EQ(std::find(forms.begin(), forms.end(), app), forms.end()) << "not the application's own window";
  sent.clear();
  sm->SetSkinnedPopups(false);
  platform::SendMessage(app, platform::CM_ACTIVATE);
  EXPECT_TRUE(sent.empty());
  sm->SetSkinnedPopups(true);
  // A second manager made default, the first one destroyed: the handler
  // stays and serves the default; with the default gone, the manager
  // left; with the last manager gone, nobody.
  auto other = std::make_unique<TsSkinManager>();
  other->SetIsDefault(true);
  sm.reset();
  auto third = std::make_unique<TsSkinManager>();
  ASSERT_FALSE(third->IsDefault());
  for (TsSkinManager* served : {other.get(), third.get()}) {
    if (served == third.get()) other.reset();
    sent.clear();
    platform::SendMessage(app, platform::CM_ACTIVATE);
    EXPECT_FALSE(sent.empty());
    served->SetSkinnedPopups(false);
    sent.clear();
    platform::SendMessage(app, platform::CM_ACTIVATE);
    EXPECT_TRUE(sent.empty()) << "the served manager's popups are off";
    served->SetSkinnedPopups(true);
  }
  third.reset();
  heard.clear();
  sent.clear();
  platform::SendMessage(app, platform::CM_ACTIVATE);
  EXPECT_EQ(heard, std::vector<unsigned>{platform::CM_ACTIVATE});
  EXPECT_TRUE(sent.empty());
  platform::RemoveWindowProc(before);
  AdapterEntryPoints().SendSkinCommandToHandle = nullptr;
}

// A form that deletes another form when it hears command 18: the deleted
// form hears nothing more.
TEST_F(ManagerTest, ActivationPassesOverFormsDeletedMeanwhile) {
  QWidget* app = platform::ApplicationWindow();
  ASSERT_TRUE(app);
  auto first = std::make_unique<QWidget>();
  auto second = std::make_unique<QWidget>();
  std::vector<QWidget*> sent;
  const QWidget* deleted = nullptr;
  AdapterEntryPoints().SendSkinCommandToHandle = [&](QWidget* w, unsigned, LPARAM) {
    sent.push_back(w);
    // Whichever hears it first deletes the other.
    if (w == first.get() && second) {
      deleted = second.get();
      second.reset();
    } else if (w == second.get() && first) {
      deleted = first.get();
      first.reset();
    }
    return platform::LRESULT(0);
  };
  auto sm = std::make_unique<TsSkinManager>();
  platform::SendMessage(app, platform::CM_ACTIVATE);
  ASSERT_NE(deleted, nullptr);
  EXPECT_EQ(std::count(sent.begin(), sent.end(), deleted), 0);
  EXPECT_EQ(std::count(sent.begin(), sent.end(), first ? first.get() : second.get()), 1);
  sm.reset();
  AdapterEntryPoints().SendSkinCommandToHandle = nullptr;
}

// The popup messages reach the menu painter's handling with their window;
// only one waits at a time.
TEST_F(ManagerTest, PopupWindowMessages) {
  std::vector<QWidget*> handled;
  ManagerSeams().HandlePopupWindow = [&](TsSkinManager*, QWidget* w) { handled.push_back(w); };
  EXPECT_FALSE(PostPopupWindowMessage(kPopupWindowMsg, 1)) << "no manager, no handler";
  auto sm = std::make_unique<TsSkinManager>();
  QWidget popup;
  auto gone = std::make_unique<QWidget>();
  EXPECT_TRUE(PostPopupWindowMessage(kPopupWindowMsg, LPARAM(&popup)));
  EXPECT_FALSE(PostPopupWindowMessage(kPopupWindowMsg, LPARAM(&popup))) << "one is waiting";
  QApplication::sendPostedEvents();
  EXPECT_EQ(handled, std::vector<QWidget*>{&popup});
  EXPECT_TRUE(PostPopupWindowMessage(kPopupWindowMsg, LPARAM(gone.get())));
  gone.reset();
  QApplication::sendPostedEvents();
  EXPECT_EQ(handled.size(), 1u) << "a window that is gone";
  // A menu item without a rectangle (no menu painter yet): nothing.
  EXPECT_TRUE(PostPopupWindowMessage(kMenuItemPopupMsg, 1));
  QApplication::sendPostedEvents();
  EXPECT_EQ(handled.size(), 1u);
  // The application's window gone first: nothing is posted where no
  // handler hears it, and the next manager's handler takes the messages.
  delete platform::ApplicationWindow();
  EXPECT_FALSE(PostPopupWindowMessage(kPopupWindowMsg, LPARAM(&popup)));
  sm.reset();
  auto next = std::make_unique<TsSkinManager>();
  EXPECT_TRUE(PostPopupWindowMessage(kPopupWindowMsg, LPARAM(&popup)));
  QApplication::sendPostedEvents();
  EXPECT_EQ(handled.size(), 2u);
}

TEST_F(ManagerTest, TheHotWindowHearsEnterAndLeave) {
  std::vector<std::pair<QWidget*, unsigned>> sent;
  AdapterEntryPoints().SendSkinCommandToHandle = [&](QWidget* w, unsigned command, LPARAM lParam) {
    sent.emplace_back(w, command);
    EXPECT_NE(lParam, 0);
    return platform::LRESULT(0);
  };
  TsSkinManager sm;
  QWidget a, b;
  sm.SetHotWindow(&a);
  sm.SetHotWindow(&a);
  sm.SetHotWindow(&b);
  EXPECT_EQ(sent, (std::vector<std::pair<QWidget*, unsigned>>{
                      {&a, kCommandMouseEnter}, {&a, kCommandMouseLeave}, {&b, kCommandMouseEnter}}));
  sent.clear();
  {
    QWidget c;
    sm.SetHotWindow(&c);
  }
  EXPECT_EQ(sm.HotWindow(), nullptr) << "a guarded pointer";
  sent.clear();
  sm.SetHotWindow(&a);
  EXPECT_EQ(sent, (std::vector<std::pair<QWidget*, unsigned>>{{&a, kCommandMouseEnter}}));
  AdapterEntryPoints().SendSkinCommandToHandle = nullptr;
}

namespace {

// Items with a value of their own in every member.
const TsSkinGeneral kGeneral{"FORM", "PANEL", -5, true, "1 2 3 4 5", "6 7 8 9 10", 11, 12, 13, 14, "255;0;100;0;0",
                             15, true, true, 16, 0x123456, 17, 18, " ", 19, "general", true};
const TsSkinImage kImage = [] {
  TsSkinImage i;
  i.SectionName = "BUTTON";
  i.Name = "own";
  i.PropertyName = "BORDERSMASK";
  i.Left = 1, i.Top = 2, i.Right = 3, i.Bottom = 4, i.ImageCount = 5, i.MaskType = 6, i.BorderWidth = 7;
  i.StretchMode = 8, i.ImgType = itisaGlow, i.WL = 9, i.WR = 10, i.WT = 11, i.WB = 12;
  return i;
}();
const TsSkinPattern kPattern{"FORM", std::string("\xFF\xD8 not decoded", 14), "shared", "PATTERN"};

void ExpectSameImage(const TsSkinImage& a, const TsSkinImage& b) {
  EXPECT_EQ(a.SectionName, b.SectionName);
  EXPECT_EQ(a.Name, b.Name);
  EXPECT_EQ(a.PropertyName, b.PropertyName);
  EXPECT_EQ((std::array<int, 13>{a.Left, a.Top, a.Right, a.Bottom, a.ImageCount, a.MaskType, a.BorderWidth,
                                  a.StretchMode, int(a.ImgType), a.WL, a.WR, a.WT, a.WB}),
            (std::array<int, 13>{b.Left, b.Top, b.Right, b.Bottom, b.ImageCount, b.MaskType, b.BorderWidth,
                                  b.StretchMode, int(b.ImgType), b.WL, b.WR, b.WT, b.WB}));
}

}  // namespace

// Stored skins in the property stream: Data byte for byte (an empty one
// too), the items member by member; the skin stored is read when the
// manager is loaded.
TEST_F(ManagerTest, StoredSkinsThroughThePropertyStream) {
  std::string stream;
  const std::string data = StoredSkinData(DemoSkin());
  {
    TsSkinManager sm;
    sm.SetActive(false);
    TsStoredSkin& packed = sm.InternalSkins().Add();
    packed.Name = "Packed";
    packed.Data = data;
    TsStoredSkin& plain = sm.InternalSkins().Add();
    plain.Name = "Plain";
    plain.Version = 6.25;
    plain.Author = "作者";
    plain.MasterBitmap = platform::Bitmap(5, 3, platform::pf24bit);
    plain.MasterBitmap.SetPixel(4, 2, 0x123456);
    plain.GeneralData.Add() = kGeneral;
    TsSkinImage& image = plain.Images.Add();
    image = kImage;
    image.Image = platform::Bitmap(2, 2, platform::pf32bit);
    image.Image.SetArgb(1, 1, 0x80112233);
    plain.Patterns.Add() = kPattern;
    plain.Shadow1Color = 0x111111;
    plain.Shadow1Offset = 2;
    plain.Shadow1Blur = 3;
    plain.Shadow1Transparency = 4;
    plain.BorderColor = 0x222222;
    plain.Description = "描述";
    // Bitmaps of every pixel format; two colours go as 24 bits.
    for (platform::TPixelFormat format : {platform::pf8bit, platform::pf1bit, platform::pfDevice}) {
      TsSkinImage& item = plain.Images.Add();
      item.Image = platform::Bitmap(3, 2, format);
      item.Image.Fill(qRgb(0, 0, 0));
      item.Image.SetPixel(2, 1, 0xFFFFFF);
    }
    sm.SetSkinName("Packed");
    sm.SetActive(true);
    stream = sm.PropertyStream();
  }
  EXPECT_NE(stream.find(std::string("\x04" "DataB\0\0\0\0", 10)), std::string::npos) << "an empty Data is written";
  broadcasts.clear();
  std::unique_ptr<TsSkinManager> read = TsSkinManager::FromPropertyStream(stream);
  ASSERT_EQ(read->InternalSkins().Count(), 2);
  const TsStoredSkin& packed = read->InternalSkins()[0];
  EXPECT_EQ(packed.Data, data);
  const TsStoredSkin& plain = read->InternalSkins()[1];
  EXPECT_TRUE(plain.Data.empty());
  EXPECT_DOUBLE_EQ(plain.Version, 6.25);
  EXPECT_EQ(plain.Author, QStringLiteral("作者"));
  EXPECT_EQ((std::array<int, 5>{plain.Shadow1Color, plain.Shadow1Offset, plain.Shadow1Blur, plain.Shadow1Transparency,
                                 plain.BorderColor}),
            (std::array<int, 5>{0x111111, 2, 3, 4, 0x222222}));
  EXPECT_EQ(plain.Description, QStringLiteral("描述"));
  EXPECT_EQ(read->InternalSkins()[0].Shadow1Blur, -1) << "the defaults of a new stored skin";
  EXPECT_EQ(read->InternalSkins()[0].BorderColor, 0xFF00FF);
  EXPECT_EQ(plain.MasterBitmap.GetPixel(4, 2), 0x123456);
  EXPECT_EQ(plain.MasterBitmap.PixelFormat(), platform::pf24bit);
  ASSERT_EQ(plain.GeneralData.Count(), 1);
  EXPECT_TRUE(plain.GeneralData[0] == kGeneral);
  ASSERT_EQ(plain.Images.Count(), 4);
  ExpectSameImage(plain.Images[0], kImage);
  const platform::TPixelFormat formats[] = {platform::pf8bit, platform::pf24bit, platform::pfDevice};
  for (int i = 1; i < 4; ++i) {
    const platform::Bitmap& b = plain.Images[i].Image;
    EXPECT_EQ(b.PixelFormat(), formats[i - 1]) << i;
    EXPECT_EQ(b.Width(), 3);
    EXPECT_EQ(b.GetPixel(2, 1), 0xFFFFFF) << i;
    EXPECT_EQ(b.GetPixel(1, 1), 0) << i;
  }
  EXPECT_EQ(plain.Images[0].Image.GetArgb(1, 1), 0x80112233u);
  ASSERT_EQ(plain.Patterns.Count(), 1);
  EXPECT_TRUE(plain.Patterns[0] == kPattern);
  EXPECT_EQ(read->MenuSupport().IcoLineSkin, "ICOLINE") << "an empty one takes its default";
  // Read from the stored data and announced once loaded.
  EXPECT_EQ(read->SkinName(), "Packed");
  EXPECT_TRUE(read->SkinData->Active && read->IsPackage);
  EXPECT_EQ(TakeCommands(), std::vector<unsigned>{kCommandNewSkin});
  // Member-wise copies; assigning the whole collection changes nothing.
  TsStoredSkin copy;
  copy.Assign(plain);
  EXPECT_EQ(copy.Images[0].Image.GetArgb(1, 1), 0x80112233u);
  ExpectSameImage(copy.Images[0], kImage);
  EXPECT_TRUE(copy.GeneralData[0] == kGeneral);
  EXPECT_TRUE(copy.Patterns[0] == kPattern);
  EXPECT_EQ(copy.Description, plain.Description);
  EXPECT_EQ(copy.Shadow1Offset, 2);
  TsStoredSkins other(nullptr);
  other.Assign(read->InternalSkins());
  EXPECT_EQ(other.Count(), 0);
  read->SetInternalSkins(other);
  EXPECT_EQ(read->InternalSkins().Count(), 2);
}

// Settings that come back after a load: a cleared class list takes its
// default again, the icon-line section its name, the animations theirs.
TEST_F(ManagerTest, SettingsThroughThePropertyStream) {
  std::string stream;
  {
    TsSkinManager sm;
    sm.SetActive(false);
    EXPECT_EQ(sm.ThirdParty().Text(ThirdPartyList::tpWWEdits), " ");
    EXPECT_EQ(sm.ThirdPartyLists[ThirdPartyList::tpEdits].size(), 9);
    sm.ThirdParty().Text(ThirdPartyList::tpWWEdits).clear();
    sm.ThirdParty().Text(ThirdPartyList::tpPanels) = "TPanel\r\nTMyPanel";
    sm.AnimEffects().SkinChanging.Time = 250;
    sm.AnimEffects().Buttons.Events = beMouseDown;
    sm.SetSkinningRules(TsSkinManager::srStdDialogs);
    sm.SetAllowGlowing(false);
    sm.MenuSupport().UseExtraLine = true;
    sm.MenuSupport().ExtraLineWidth = 40;
    sm.MenuSupport().IcoLineSkin = "MYICOLINE";
    stream = sm.PropertyStream();
  }
  auto read = TsSkinManager::FromPropertyStream(stream);
  EXPECT_FALSE(read->IsLoading());
  EXPECT_FALSE(read->Active());
  EXPECT_EQ(read->ThirdParty().Text(ThirdPartyList::tpWWEdits), " ");
  EXPECT_EQ(read->ThirdPartyLists[ThirdPartyList::tpWWEdits], QStringList{" "});
  EXPECT_EQ(read->ThirdPartyLists[ThirdPartyList::tpPanels], (QStringList{"TPanel", "TMyPanel"}));
  EXPECT_EQ(read->MenuSupport().IcoLineSkin, "MYICOLINE");
  EXPECT_TRUE(read->MenuSupport().UseExtraLine);
  EXPECT_EQ(read->MenuSupport().ExtraLineWidth, 40);
  EXPECT_FALSE(read->AllowGlowing());
  EXPECT_EQ(read->AnimEffects().SkinChanging.Time, 250);
  EXPECT_TRUE(read->AnimEffects().FormShow.Active);
  EXPECT_EQ(read->AnimEffects().Buttons.Events, beMouseDown);
  EXPECT_EQ(read->SkinningRules(), TsSkinManager::srStdDialogs);
  EXPECT_EQ(read->property("SkinningRules").value<TsSkinManager::TacSkinningRules>(), TsSkinManager::srStdDialogs);
  // Published as Q_PROPERTYs.
  EXPECT_TRUE(read->setProperty("HueOffset", 12));
  EXPECT_EQ(read->HueOffset(), 12);
  EXPECT_EQ(read->property("SkinInfo").toString(), "N/A");
  EXPECT_EQ(read->property("SkinDirectory").toString(), "c:\\Skins");
  // A damaged stream is refused.
  EXPECT_THROW(TsSkinManager::FromPropertyStream(stream.substr(0, stream.size() - 3)), EPropertyStreamError);
}

TEST_F(ManagerTest, TheVersionBoxForAcverInAnyCase) {
  const struct {
    QStringList arguments;
    bool shown;
  } cases[] = {{{"ssq", "/ACVER"}, true}, {{"ssq", "/x", "/AcVer", "/acver"}, true}, {{"/acver"}, false},
               {{"ssq", "acver"}, false}, {{"ssq", "/acver2"}, false}};
  for (const auto& c : cases) {
    prompts.Calls.clear();
    EXPECT_EQ(ShowLibraryVersionIfAsked(c.arguments), c.shown) << c.arguments.join(' ').toStdString();
    ASSERT_EQ(prompts.Calls.size(), c.shown ? 1u : 0u);
    if (c.shown) {
      EXPECT_EQ(prompts.Calls[0].Text, "Skin library v6.48");
    }
  }
}

// A load that fails in any of the four setters that read a skin leaves no
// half-read skin: the flag is cleared, the text and package freed, the
// skin removed, and the error still leaves the setter as the library's.
TEST_F(ManagerTest, AFailedLoadLeavesNothingHalfRead) {
  ManagerSeams().LayeredWindowsAvailable = [] { return true; };
  const TestSkin bad = DamagedSkin(SkinDamage::BadNumber);
  TestSkin badGlobal = DemoSkin();
  badGlobal.Section("GLOBALINFO").Put("SHADOW1OFFSET", "1 2");
  const std::function<void(TsSkinManager&)> setters[] = {
      [](TsSkinManager& sm) { sm.SetSkinName(sm.SkinName()); },
      [](TsSkinManager& sm) { sm.SetHueOffset(sm.HueOffset() + 1); },
      [](TsSkinManager& sm) { sm.SetSaturation(sm.Saturation() + 1); },
      [](TsSkinManager& sm) { sm.SetExtendedBorders(!sm.ExtendedBorders()); },
  };
  const char* names[] = {"SkinName", "HueOffset", "Saturation", "ExtendedBorders"};
  for (const TestSkin* broken : std::initializer_list<const TestSkin*>{&bad, &badGlobal}) {
    for (size_t i = 0; i < 4; ++i) {
      SCOPED_TRACE(names[i]);
      WriteFolder(DemoSkin(), "Changing");
      auto sm = Manager("Changing");
      ASSERT_TRUE(sm->SkinData->Active);
      WriteFolder(*broken, "Changing");
      broadcasts.clear();
      try {
        setters[i](*sm);
        ADD_FAILURE() << "no error";
      } catch (const ESkinLibraryError& e) {
        EXPECT_NE(std::string(e.what()).find("is not a valid integer value"), std::string::npos) << e.what();
      }
      EXPECT_FALSE(SkinLoading);
      EXPECT_FALSE(SkinIniFile);
      EXPECT_FALSE(SkinConvertor);
      EXPECT_FALSE(sm->SkinData->Active);
      EXPECT_TRUE(sm->GeneralData.empty() && sm->MaskData.empty() && sm->PatternData.empty() && !sm->MasterBitmap);
      EXPECT_EQ(TakeCommands(), std::vector<unsigned>{kCommandRemoveSkin});
      // The skin mended, the same manager reads it again.
      WriteFolder(DemoSkin(), "Changing");
      sm->SetSkinName("Changing");
      EXPECT_TRUE(sm->SkinData->Active);
    }
  }
  // A package that is no packed skin.
  dir.Write("Broken.asz", "ASZF and nothing else");
  auto sm = std::make_unique<TsSkinManager>();
  sm->SetSkinDirectory(Root());
  try {
    sm->SetSkinName("Broken");
    ADD_FAILURE() << "no error";
  } catch (const ESkinLibraryError& e) {
    EXPECT_STREQ(e.what(), "Loaded data is not a packed skin file");
  }
  EXPECT_FALSE(SkinLoading || SkinIniFile || SkinConvertor);
}

// Extended borders from the skin's EXBORDER mask: its states copied from
// the bitmap that holds them (the master bitmap or its own), clipped to
// it; without the mask the library's shadows; none without layered
// windows.
TEST_F(ManagerTest, ExtendedBorderPictures) {
  TestSkin skin = DemoSkin();
  WriteFolder(skin, "Demo");
  auto sm = Manager("Demo");
  sm->SetExtendedBorders(true);
  EXPECT_FALSE(sm->ExtendedBorders()) << "no layered windows";
  EXPECT_EQ(sm->ExtBorderMargins, (platform::TRect{0, 0, 0, 0}));
  EXPECT_FALSE(sm->AllowGlowing());
  ManagerSeams().LayeredWindowsAvailable = [] { return true; };
  EXPECT_TRUE(sm->AllowGlowing());
  sm->SetExtendedBorders(false);
  sm->SetExtendedBorders(true);
  ASSERT_TRUE(sm->ExtendedBorders());
  const int ex = sm->StandardIndexes.ExBorder;
  ASSERT_GE(ex, 0);
  ASSERT_FALSE(sm->MaskData[size_t(ex)].Bmp) << "the demo's EXBORDER lies in the master bitmap";
  const platform::TRect r = sm->MaskData[size_t(ex)].R;
  // Margins less the form offset (6).
  EXPECT_EQ(sm->ExtBorderMargins, (platform::TRect{8, 6, 8, 10}));
  ASSERT_TRUE(sm->ExtBorderActive && sm->ExtBorderInactive);
  EXPECT_EQ(sm->ExtBorderInactive->Width(), 40);
  EXPECT_EQ(sm->ExtBorderInactive->Height(), 40);
  EXPECT_EQ(sm->ExtBorderInactive->PixelFormat(), platform::pf32bit);
  const platform::Bitmap& master = *sm->MasterBitmap;
  for (auto [x, y] : {std::pair{0, 0}, {5, 20}, {20, 20}, {39, 39}}) {
    EXPECT_EQ(sm->ExtBorderInactive->GetPixel(x, y), master.GetPixel(r.Left + x, r.Top + y)) << x << "," << y;
    EXPECT_EQ(sm->ExtBorderActive->GetPixel(x, y), master.GetPixel(r.Left + 40 + x, r.Top + y)) << x << "," << y;
  }
  EXPECT_NE(sm->ExtBorderActive->GetPixel(0, 0), sm->ExtBorderInactive->GetPixel(0, 0));

  // The same states in a file of their own, one state only, and reaching
  // past its bitmap.
  const QImage strip = skin.Master.copy(r.Left, r.Top, r.Width(), r.Height());
  skin.AddFile("SHADOW.BMP", skindraw::BmpBytes(strip));
  skin.Section("GLOBALINFO").Put("EXBORDER", "!SHADOW.BMP!1!0!0!9!9!9!9");
  skin.Section("GLOBALINFO").Put("BORDERMODE", 1);
  WriteFolder(skin, "Own");
  sm->SetSkinName("Own");
  const TsMaskData& own = sm->MaskData[size_t(sm->StandardIndexes.ExBorder)];
  ASSERT_TRUE(own.Bmp);
  EXPECT_EQ(sm->ExtBorderMargins, (platform::TRect{6, 6, 6, 6})) << "BORDERMODE: the form offset all round";
  EXPECT_EQ(sm->ExtBorderInactive->Width(), 80);
  EXPECT_EQ(sm->ExtBorderInactive->GetPixel(45, 0), own.Bmp->GetPixel(45, 0));
  EXPECT_EQ(sm->ExtBorderActive->GetPixel(45, 0), own.Bmp->GetPixel(45, 0)) << "one state: the same picture";
  skin.Section("GLOBALINFO").Put("BORDERMODE", 0);
  const int masterWidth = skin.Master.width();
  skin.Section("GLOBALINFO").Put("EXBORDER", BorderValue(QRect(masterWidth - 20, 0, 40, 40), QMargins(), 1, 0, 1, 0));
  WriteFolder(skin, "Past");
  sm->SetSkinName("Past");
  EXPECT_EQ(sm->ExtBorderInactive->Width(), 40);
  EXPECT_EQ(sm->ExtBorderInactive->GetPixel(19, 0), sm->MasterBitmap->GetPixel(masterWidth - 1, 0));
  EXPECT_EQ(sm->ExtBorderInactive->GetArgb(20, 0), 0u) << "outside the bitmap: transparent";

  // No EXBORDER: the library's shadows, when there are any.
  skin.Section("GLOBALINFO").Put("EXBORDER", "");
  WriteFolder(skin, "Plain");
  ASSERT_FALSE(ShadowActiveImage);
  sm->SetSkinName("Plain");
  EXPECT_EQ(sm->ExtBorderMargins, (platform::TRect{0, 0, 0, 0}));
  platform::StartUnit("sSkinManager");
  sm->SetSkinName("Plain");
  EXPECT_EQ(sm->StandardIndexes.ExBorder, -1);
  EXPECT_EQ(sm->ExtBorderMargins, (platform::TRect{11, 7, 11, 11}));
  EXPECT_EQ(sm->ExtBorderActive->Width(), ShadowActiveImage->Width());
  EXPECT_EQ(sm->ExtBorderActive->GetArgb(32, 60), ShadowActiveImage->GetArgb(32, 60));
  EXPECT_EQ(sm->ExtBorderInactive->GetArgb(32, 60), ShadowInactiveImage->GetArgb(32, 60));
  platform::FinishUnit("sSkinManager");
  sm->SetActive(false);
  EXPECT_EQ(sm->ExtBorderMargins, (platform::TRect{0, 0, 0, 0}));
}
