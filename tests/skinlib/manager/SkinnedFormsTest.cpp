// The skinned-form list, its redraw lock per manager, the broadcasts of a
// skin change to recording forms (also forms closed while it runs), and
// the unit that gives the skin manager these steps.
#include "CommonDataFixture.h"

#include "platform/AppWindow.h"
#include "platform/Icons.h"
#include "platform/Mdi.h"
#include "platform/WindowTable.h"
#include "skinlib/manager/LibraryUtils.h"

#include <QApplication>
#include <QMainWindow>
#include <QMdiArea>

#include <map>

using namespace commondatatest;
using namespace platform;

namespace {

// Form providers standing in for the form provider: each belongs to a
// manager; their lock flags, animations, frame rebuilds and border
// windows are recorded.
struct Providers {
  std::map<const QObject*, TsSkinManager*> Manager;
  std::map<const QObject*, bool> Locked;
  std::vector<std::pair<QWidget*, unsigned>> Animated;
  std::vector<const QObject*> Rebuilt, BordersShown;
  bool DrawsNonClient = false;
  bool BorderWindow = false;

  Providers() {
    TacAdapterEntryPoints& e = AdapterEntryPoints();
    e.ProviderManager = [this](const QObject* p) {
      const auto it = Manager.find(p);
      return it == Manager.end() ? nullptr : it->second;
    };
    e.SetProviderLocked = [this](QObject* p, bool locked) { Locked[p] = locked; };
    e.AnimateFormShow = [this](QWidget* form, unsigned time) { Animated.emplace_back(form, time); };
    e.ProviderDrawsNonClient = [this](const QObject*) { return DrawsNonClient; };
    e.ProviderHasBorderWindow = [this](const QObject*) { return BorderWindow; };
    e.RebuildProviderFrame = [this](QObject* p) { Rebuilt.push_back(p); };
    e.ShowProviderBorder = [this](QObject* p) { BordersShown.push_back(p); };
  }
};

std::vector<unsigned> Commands(std::vector<unsigned>& heard) { return std::exchange(heard, {}); }

}  // namespace

// Added forms count up; a removed form's entries take the last entry's
// place; removing a form that is not listed changes nothing.
TEST_F(CommonDataTest, SkinnedFormList) {
  QWidget a, b, c, absent;
  EXPECT_EQ(AddSkinnedForm(&a), 1);
  EXPECT_EQ(AddSkinnedForm(&b), 2);
  EXPECT_EQ(AddSkinnedForm(&c), 3);
  EXPECT_EQ(AddSkinnedForm(&a), 4);
  const auto list = [] {
    std::vector<QWidget*> forms;
    for (const QPointer<QWidget>& f : SkinnedForms) forms.push_back(f);
    return forms;
  };
  RemoveSkinnedForm(&absent);
  EXPECT_EQ(list(), (std::vector<QWidget*>{&a, &b, &c, &a}));
  RemoveSkinnedForm(nullptr);
  EXPECT_EQ(list().size(), 4u);
  RemoveSkinnedForm(&a);
  EXPECT_EQ(list(), (std::vector<QWidget*>{&c, &b}));
  RemoveSkinnedForm(&b);
  EXPECT_EQ(list(), std::vector<QWidget*>{&c});
  {
    QWidget gone;
    AddSkinnedForm(&gone);
  }
  RemoveSkinnedForm(nullptr);
  EXPECT_EQ(list(), std::vector<QWidget*>{&c}) << "an entry whose form was deleted";
  RemoveSkinnedForm(&c);
  EXPECT_TRUE(SkinnedForms.empty());
}

// Locking concerns the shown, top-level, not minimized skinned forms whose
// provider belongs to the manager; the default manager's lock (with its
// skin-change animation) sets FormsLocked.
TEST_F(CommonDataTest, LockAndUnlockPerManager) {
  Providers providers;
  TsSkinManager other;
  QObject p1, p2, p3, p4;
  providers.Manager = {{&p1, manager.get()}, {&p2, &other}, {&p3, manager.get()}, {&p4, manager.get()}};
  RecordingForm mine(&p1), theirs(&p2), minimized(&p3), hidden(&p4), unskinned;
  for (QWidget* f : {static_cast<QWidget*>(&mine), static_cast<QWidget*>(&theirs), static_cast<QWidget*>(&minimized)})
    f->show();
  minimized.showMinimized();
  for (RecordingForm* f : {&mine, &theirs, &minimized, &hidden, &unskinned}) AddSkinnedForm(f);
  LockSkinnedForms(manager.get());
  EXPECT_TRUE(FormsLocked);
  EXPECT_EQ(mine.Redraw, std::vector<bool>{false});
  EXPECT_FALSE(mine.updatesEnabled());
  EXPECT_TRUE(providers.Locked[&p1]);
  for (RecordingForm* f : {&theirs, &minimized, &hidden, &unskinned}) EXPECT_TRUE(f->Redraw.empty());
  EXPECT_EQ(providers.Locked.count(&p2) + providers.Locked.count(&p3) + providers.Locked.count(&p4), 0u);
  UnlockSkinnedForms(manager.get(), false);
  EXPECT_FALSE(FormsLocked);
  EXPECT_EQ(mine.Redraw, (std::vector<bool>{false, true}));
  EXPECT_TRUE(mine.updatesEnabled());
  EXPECT_TRUE(providers.Locked[&p1]) << "without a repaint the lock flag stays";
  // The other manager's forms; FormsLocked is the default manager's.
  LockSkinnedForms(&other);
  EXPECT_FALSE(FormsLocked);
  EXPECT_EQ(theirs.Redraw, std::vector<bool>{false});
  EXPECT_EQ(mine.Redraw.size(), 2u);
  FormsLocked = true;
  UnlockSkinnedForms(&other, true);
  EXPECT_TRUE(FormsLocked);
  EXPECT_EQ(theirs.Redraw, (std::vector<bool>{false, true}));
  EXPECT_FALSE(providers.Locked[&p2]);
  FormsLocked = false;
  // Without the skin-change animation the default manager's lock leaves
  // FormsLocked alone.
  manager->AnimEffects().SkinChanging.Active = false;
  LockSkinnedForms(manager.get());
  EXPECT_FALSE(FormsLocked);
  EXPECT_EQ(mine.Redraw.back(), false);
  UnlockSkinnedForms(manager.get(), false);
  // A minimized program is left alone.
  MinimizeApplication();
  ASSERT_TRUE(IsApplicationMinimized());
  const size_t before = theirs.Redraw.size();
  LockSkinnedForms(&other);
  UnlockSkinnedForms(&other, true);
  EXPECT_EQ(theirs.Redraw.size(), before);
}

// Unlocking with a repaint: the form animated in (the animation's time
// only when the provider paints the non-client area), redraw on, the
// provider's lock flag cleared, its frame rebuilt and border shown when it
// paints the non-client area, the whole form repainted; a maximized form
// with a border window shows maximized again.
TEST_F(CommonDataTest, UnlockWithRepaint) {
  Providers providers;
  QObject provider;
  providers.Manager = {{&provider, manager.get()}};
  RecordingForm f(&provider);
  f.show();
  QCoreApplication::processEvents();
  AddSkinnedForm(&f);
  PaintCounter paints(&f);
  for (bool nonClient : {false, true}) {
    providers.DrawsNonClient = nonClient;
    providers.Animated.clear();
    LockSkinnedForms(manager.get());
    EXPECT_TRUE(providers.Locked[&provider]);
    QCoreApplication::processEvents();
    paints.Count = 0;
    UnlockSkinnedForms(manager.get(), true);
    EXPECT_FALSE(providers.Locked[&provider]);
    EXPECT_TRUE(f.updatesEnabled());
    EXPECT_GT(paints.Count, 0) << "painted before the unlock returns";
    ASSERT_EQ(providers.Animated.size(), 1u);
    EXPECT_EQ(providers.Animated[0].second, nonClient ? manager->AnimEffects().SkinChanging.Time : 0u);
    EXPECT_EQ(providers.Rebuilt.size(), nonClient ? 1u : 0u);
    EXPECT_EQ(providers.BordersShown.size(), nonClient ? 1u : 0u);
  }
  manager->AnimEffects().SkinChanging.Active = false;
  providers.Animated.clear();
  providers.BorderWindow = true;
  f.showMaximized();
  QWidget other;
  other.show();
  other.activateWindow();
  QCoreApplication::processEvents();
  ASSERT_EQ(QApplication::activeWindow(), &other);
  LockSkinnedForms(manager.get());
  UnlockSkinnedForms(manager.get(), true);
  EXPECT_EQ(QApplication::activeWindow(), &other) << "the window active before is active again";
  EXPECT_TRUE(providers.Animated.empty());
  EXPECT_TRUE(f.isMaximized() && f.isVisible() && f.updatesEnabled());
  EXPECT_TRUE(GetWindowLong(&f, GWL_STYLE) & WS_VISIBLE);
}

// Active off, then on again: every form hears 2, then 1, 16 and 3, each
// once; a skinned form through the skinned-form list, an MDI main form's
// client too; the redraw of the skinned form is locked and unlocked.
TEST_F(CommonDataTest, ActiveOffThenOnBroadcasts) {
  Providers providers;
  QObject provider;
  providers.Manager = {{&provider, manager.get()}};
  RecordingForm plain, skinned(&provider);
  plain.show();
  skinned.show();
  AddSkinnedForm(&skinned);
  QMainWindow mdiForm;
  auto* area = new QMdiArea(&mdiForm);
  mdiForm.setCentralWidget(area);
  ASSERT_EQ(GetFormStyle(&mdiForm), fsMDIForm);
  std::vector<unsigned> areaHeard;
  WindowProcHandle h = InstallWindowProc(area, [&](Message& m, const CallPrevious& previous) {
    if (m.Msg == SkinCommandMsg) areaHeard.push_back(HIWORD(m.WParam));
    previous(m);
  });
  manager->SetActive(false);
  manager->SetActive(true);
  const std::vector<unsigned> expected{acRemoveSkin, acNewSkin, acBeforeRefresh, acRefresh};
  EXPECT_EQ(Commands(plain.Heard), expected);
  EXPECT_EQ(Commands(skinned.Heard), expected);
  EXPECT_EQ(areaHeard, expected);
  EXPECT_TRUE(plain.Redraw.empty());
  EXPECT_EQ(skinned.Redraw, (std::vector<bool>{false, true})) << "locked for the whole change";
  EXPECT_FALSE(providers.Locked[&provider]);
  EXPECT_FALSE(FormsLocked);
  RemoveWindowProc(h);
}

// A receiver that closes and deletes forms during a broadcast: the forms
// gone meanwhile hear nothing, the others each once.
TEST_F(CommonDataTest, FormsDeletedDuringABroadcast) {
  Providers providers;
  QObject p1, p2;
  providers.Manager = {{&p1, manager.get()}, {&p2, manager.get()}};
  auto plainA = std::make_unique<RecordingForm>();
  auto plainB = std::make_unique<RecordingForm>();
  auto skinnedA = std::make_unique<RecordingForm>(&p1);
  auto skinnedB = std::make_unique<RecordingForm>(&p2);
  for (RecordingForm* f : {plainA.get(), plainB.get(), skinnedA.get(), skinnedB.get()}) f->show();
  AddSkinnedForm(skinnedA.get());
  AddSkinnedForm(skinnedB.get());
  std::vector<const QWidget*> deleted;
  // The first of each pair to hear the new skin deletes the other one.
  const auto pair = [&](std::unique_ptr<RecordingForm>& self, std::unique_ptr<RecordingForm>& partner) {
    self->OnCommand = [&](unsigned command) {
      if (command != acNewSkin || !partner) return;
      deleted.push_back(partner.get());
      partner->close();
      RemoveSkinnedForm(partner.get());
      partner.reset();
    };
  };
  pair(plainA, plainB);
  pair(plainB, plainA);
  pair(skinnedA, skinnedB);
  pair(skinnedB, skinnedA);
  Message m{SkinCommandMsg, Command(acNewSkin), LPARAM(PtrParam(manager.get())), 0};
  BroadcastToAllForms(m);
  ASSERT_EQ(deleted.size(), 2u);
  for (auto* survivor : {plainA ? plainA.get() : plainB.get(), skinnedA ? skinnedA.get() : skinnedB.get()})
    EXPECT_EQ(survivor->Heard, std::vector<unsigned>{acNewSkin});
  // A skinned form deleted without leaving the list is passed over.
  auto& last = skinnedA ? skinnedA : skinnedB;
  AddSkinnedForm(last.get());
  last.reset();
  BroadcastToSkinnedForms(m);
  EXPECT_EQ(SkinnedForms.size(), 2u);
}

// A manager placed on a form goes with it, amid the form's deletion of
// its children: the skin's removal reaches the other forms and passes the
// form over (a walk over its children met the freed ones and crashed).
TEST_F(CommonDataTest, AManagerGoingWithItsFormPassesTheFormOver) {
  RecordingForm other;
  other.show();
  auto owner = std::make_unique<QMainWindow>();  // an MDI form's look-ups walk its children
  owner->setCentralWidget(new QMdiArea);
  auto* placed = new TsSkinManager(owner.get());
  new QWidget(owner.get());  // deleted before the manager
  placed->SetSkinDirectory(Root());
  manager.reset();  // the placed manager becomes the default one
  placed->SetSkinName("ControlData");
  ASSERT_TRUE(placed->Active());
  owner->show();
  QApplication::processEvents();
  other.Heard.clear();
  owner.reset();
  EXPECT_EQ(other.Heard, std::vector<unsigned>{acRemoveSkin});
}

// The dialog skinning's visible windows hear the skinned-form broadcast;
// MDI children hear the all-forms one only through their main form.
TEST_F(CommonDataTest, DialogWindowsHearTheSkinnedFormBroadcast) {
  RecordingForm shown, hidden;
  shown.show();
  AdapterEntryPoints().DialogProviderWindows = [&] { return std::vector<QWidget*>{&shown, &hidden}; };
  Message m{SkinCommandMsg, Command(acRefresh), 0, 0};
  BroadcastToSkinnedForms(m);
  EXPECT_EQ(shown.Heard, std::vector<unsigned>{acRefresh});
  EXPECT_TRUE(hidden.Heard.empty());
}

// The unit: the executable's icons, small one first; the manager's steps
// given and taken back; the list and ChangedSectionName emptied at the end.
TEST_F(CommonDataTest, TheUnitStartsAndFinishes) {
  const QString program = QCoreApplication::applicationFilePath();
  const std::unique_ptr<Icon> small(FileIcon(program, SHGFI_ICON | SHGFI_SMALLICON));
  const std::unique_ptr<Icon> large(FileIcon(program, SHGFI_ICON));
  ASSERT_EQ(bool(AppIconSmall), bool(small));
  ASSERT_EQ(bool(AppIconLarge), bool(large));
  if (small) {
    EXPECT_EQ(AppIconSmall->Width(), small->Width());
  }
  if (large) {
    EXPECT_EQ(AppIconLarge->Width(), large->Width());
  }
  EXPECT_TRUE(ManagerSeams().BroadcastToAllForms && ManagerSeams().LockSkinnedForms &&
              ManagerSeams().UnlockSkinnedForms);
  QWidget form2;
  AddSkinnedForm(&form2);
  ChangedSectionName = "EDIT";
  FinishUnit("SkinnedForms");
  EXPECT_TRUE(SkinnedForms.empty() && ChangedSectionName.isEmpty() && !AppIconSmall && !AppIconLarge);
  EXPECT_FALSE(ManagerSeams().BroadcastToAllForms || ManagerSeams().LockSkinnedForms ||
               ManagerSeams().UnlockSkinnedForms);
  StartUnit("SkinnedForms");
  EXPECT_TRUE(ManagerSeams().BroadcastToAllForms);
}
