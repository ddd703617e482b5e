#include "skinlib/manager/sSkinManager.h"
#include "skinlib/manager/sSkinMenus.h"

#include "platform/AppWindow.h"
#include "platform/Startup.h"
#include "platform/WindowUtils.h"
#include "skinlib/manager/AdapterEntryPoints.h"
#include "skinlib/manager/LibraryMessageBox.h"
#include "skinlib/manager/LibraryUtils.h"
#include "skinlib/manager/ManagerSeams.h"
#include "skinlib/manager/SkinMasks.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QWidget>

#include <algorithm>
#include <exception>
#include <unordered_map>
#include <utility>

using namespace platform;

TsSkinManager* FirstSkinManager = nullptr;
bool SkinLoading = false;
bool NewSkinBroadcasting = false;
bool SkinRemoving = false;
bool PreferSkinFolder = false;
bool NoNewSkinBroadcast = false;
std::unique_ptr<TPNGGraphic> ShadowActiveImage;
std::unique_ptr<TPNGGraphic> ShadowInactiveImage;

namespace {

const QString kDefaultSkinDirectory = QStringLiteral("c:\\Skins");
const QString kGlobalInfo = QStringLiteral("GLOBALINFO");

// The popup messages posted and not yet handled.
int g_pendingPopupMessages = 0;
// The handler in the application window's chain: put in by the first
// manager, kept while any manager is there, whichever made it.
WindowProcHandle g_applicationHook;
// The managers there are, oldest first.
std::vector<TsSkinManager*> g_managers;

// The manager that put the dialog-skinning hook in (nullptr: none did).
TsSkinManager* g_dialogHookHolder = nullptr;

// Sets a flag for the life of a scope.
class FlagScope {
 public:
  explicit FlagScope(bool& flag) : flag_(flag) { flag_ = true; }
  ~FlagScope() { flag_ = false; }
  FlagScope(const FlagScope&) = delete;
  FlagScope& operator=(const FlagScope&) = delete;

 private:
  bool& flag_;
};

// Ends a skin read however it ends: the loading flag cleared, the skin
// text and the package freed.
class LoadScope {
 public:
  LoadScope() { SkinLoading = true; }
  ~LoadScope() {
    SkinLoading = false;
    SkinIniFile.reset();
    SkinConvertor.reset();
  }
  LoadScope(const LoadScope&) = delete;
  LoadScope& operator=(const LoadScope&) = delete;
};

bool FileHere(const QString& libraryPath) {
  const QString path = ResolveLibraryPath(libraryPath);
  return !path.isEmpty() && QFileInfo(path).isFile();
}

bool FolderHere(const QString& libraryPath) {
  const QString path = ResolveLibraryPath(libraryPath);
  return !path.isEmpty() && QFileInfo(path).isDir();
}

// A TStringList's text as lines: CR LF, LF or CR end a line; a last line
// break adds no empty line.
QStringList TextLines(const QString& text) {
  static const QRegularExpression breaks(QStringLiteral("\r\n|\n|\r"));
  QStringList lines = text.split(breaks);
  if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
  return lines;
}

// A state of a mask (w x h at x, y of its bitmap) copied into a new 32-bit
// picture; what lies outside the bitmap stays transparent. A state larger
// than any bitmap may be gives an empty picture.
void CopyState(const Bitmap* source, int x, int y, int w, int h, TPNGGraphic& picture) {
  picture = TPNGGraphic();
  picture.SetPixelFormat(pf32bit);
  if (w <= 0 || h <= 0 || !BitmapSizeAllowed(w, h)) return;
  picture.SetSize(w, h);
  picture.Fill(0);
  if (!source || picture.Empty()) return;
  const TRect clipped = IntersectRect({x, y, x + w, y + h}, {0, 0, source->Width(), source->Height()});
  if (clipped.IsEmpty()) return;
  std::vector<QRgb> row(size_t(clipped.Width()));
  for (int sy = clipped.Top; sy < clipped.Bottom; ++sy) {
    LoadArgbRow(*source, sy, clipped.Left, clipped.Width(), row.data());
    StoreArgbRow(picture, sy - y, clipped.Left - x, clipped.Width(), row.data());
  }
}

void ShowLibraryError(const std::exception& e) { ShowErrorBox(QString::fromUtf8(e.what())); }

}  // namespace

// ------------------------------------------------------------ start-up

bool ShowLibraryVersionIfAsked(const QStringList& arguments) {
  for (qsizetype i = 1; i < arguments.size(); ++i)
    if (arguments[i].toLower() == QStringLiteral("/acver")) {
      ShowMessageBox(QString::fromLatin1(kLibraryVersionText), mkPlain, mbOK);
      return true;
    }
  return false;
}

bool PostPopupWindowMessage(unsigned msg, LPARAM lParam) {
  if (!g_applicationHook.Installed() || g_pendingPopupMessages > 0) return false;
  if (!PostMessage(ApplicationWindow(), msg, 0, lParam)) return false;
  ++g_pendingPopupMessages;
  return true;
}

namespace {

std::unique_ptr<TPNGGraphic> ShadowResource(const char* name) {
  QFile file(QStringLiteral(":/skinlib/%1.png").arg(QLatin1String(name)));
  if (!file.open(QIODevice::ReadOnly)) throw ESkinLibraryError(std::string("Resource ") + name + " not found");
  auto picture = std::make_unique<TPNGGraphic>();
  std::string error;
  if (!picture->LoadFromBytes(file.readAll().toStdString(), &error))
    throw ESkinLibraryError(std::string("The resource ") + name + " is no picture: " + error);
  return picture;
}

void StartManagerUnit() {
  ShadowActiveImage = ShadowResource("acSHDA");
  ShadowInactiveImage = ShadowResource("acSHDI");
  ShowLibraryVersionIfAsked(QCoreApplication::arguments());
}

void FinishManagerUnit() {
  ShadowActiveImage.reset();
  ShadowInactiveImage.reset();
}

[[maybe_unused]] const bool registered =
    RegisterUnit("sSkinManager", StartManagerUnit, FinishManagerUnit, {"LibraryConstants"});

}  // namespace

// ------------------------------------------------------------ folders

QString FullSkinDir(const QString& skinDirectory, const QString& appDir) {
  QString dir;
  if (skinDirectory.startsWith(QStringLiteral(".."))) {
    // One folder up from the program's.
    QString up = appDir.left(appDir.size() - 1);
    while (!up.isEmpty() && up.back() != u'/' && up.back() != u'\\') up.chop(1);
    dir = up + skinDirectory.mid(3);
  } else if (skinDirectory.startsWith(QStringLiteral(".\\")) || skinDirectory.startsWith(QStringLiteral("./"))) {
    dir = appDir + skinDirectory.mid(2);
  } else if (!skinDirectory.contains(u':') && !skinDirectory.contains(QStringLiteral("\\\\")) &&
             !skinDirectory.startsWith(u'/')) {
    dir = appDir + skinDirectory;
  } else {
    dir = skinDirectory;
  }
  return NormalDir(dir);
}

// ------------------------------------------------------------ the manager

TsSkinManager::TsSkinManager(QObject* owner, Origin origin)
    : QObject(owner),
      TacLoadingState(origin),
      SkinData(std::make_unique<TsSkinData>()),
      internalSkins_(std::make_unique<TsStoredSkins>(this)),
      skinableMenus_(std::make_unique<TsSkinableMenus>(this)) {
  isDefault_ = FirstSkinManager == nullptr;
  if (!FirstSkinManager) FirstSkinManager = this;
  g_managers.push_back(this);
  if (!g_applicationHook.Installed()) HookApplicationWindow();
  // After construction.
  InitThirdPartyLists(false);
  if (skinDirectory_.isEmpty()) skinDirectory_ = kDefaultSkinDirectory;
}

TsSkinManager::~TsSkinManager() {
  destroying_ = true;
  try {
    SetActive(false);
  } catch (const std::exception& e) {
    ShowLibraryError(e);
  }
  if (g_dialogHookHolder == this) ReleaseDialogHook();
  extendedBorders_ = false;
  ClearMasks(*this);
  ClearPatterns(*this);
  GeneralData.clear();
  // The application window's handler stays for the managers that remain.
  std::erase(g_managers, this);
  if (g_managers.empty()) {
    RemoveWindowProc(g_applicationHook);  // nothing when the window has gone first
    g_pendingPopupMessages = 0;
  }
  if (FirstSkinManager == this) FirstSkinManager = nullptr;
  SaveThirdPartyLists();
}

void TsSkinManager::HookApplicationWindow() {
  QWidget* app = ApplicationWindow();
  if (!app) return;
  g_applicationHook = InstallWindowProc(app, [](Message& m, const CallPrevious& previous) {
    // The default manager is served; without one, the oldest manager left.
    TsSkinManager* served = FirstSkinManager;
    for (auto it = g_managers.begin(); !served && it != g_managers.end(); ++it)
      if (!(*it)->destroying_) served = *it;
    if (served)
      served->MainWindowHook(m, previous);
    else
      previous(m);
  });
  g_pendingPopupMessages = 0;
}

void TsSkinManager::MainWindowHook(Message& m, const CallPrevious& previous) {
  const bool popupMessage = m.Msg == kMenuItemPopupMsg || m.Msg == kPopupWindowMsg;
  if (popupMessage && g_pendingPopupMessages > 0) --g_pendingPopupMessages;
  if (!skinnedPopups_) return previous(m);
  if (popupMessage) {
    try {
      PopupWindowMessage(m);
    } catch (const std::exception& e) {
      ShowLibraryError(e);
    }
    return;  // handled
  }
  if (m.Msg == CM_ACTIVATE) {
    try {
      // A receiver may close and delete forms: those gone meanwhile are passed over.
      std::vector<QPointer<QWidget>> forms;
      for (QWidget* form : ScreenForms()) forms.emplace_back(form);
      for (size_t i = forms.size(); i-- > 0;)
        if (forms[i]) adapters::SendSkinCommandToHandle(forms[i], kCommandAppActivated, 0);
    } catch (const std::exception& e) {
      ShowLibraryError(e);
    }
  }
  previous(m);
}

void TsSkinManager::PopupWindowMessage(Message& m) {
  if (m.LParam == 0) return;
  QWidget* window = nullptr;
  if (m.Msg == kMenuItemPopupMsg) {
    TRect r;
    if (!seams::MenuItemScreenRect(m.LParam, r)) return;
    window = WindowFromPoint({(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2});
  } else {
    // Only a window that still exists.
    const QWidgetList all = QApplication::allWidgets();
    const auto it = std::find(all.begin(), all.end(), reinterpret_cast<QWidget*>(m.LParam));
    if (it != all.end()) window = *it;
  }
  if (window) seams::HandlePopupWindow(this, window);
}

// ---- published settings

void TsSkinManager::SetSkinName(const QString& value) {
  skinName_ = value;
  skinNameAssigned_ = true;
  if (active_) ChangeSkin();
}

void TsSkinManager::SetSkinDirectory(const QString& value) {
  if (value == skinDirectory_) return;
  skinDirectory_ = value;
  SkinData->SkinPath = GetFullSkinDir();
}

void TsSkinManager::SetActive(bool value) {
  if (value == active_) return;
  active_ = value;
  if (!value) {
    if (!IsLoading()) SendRemoveSkin();
    UpdateStandardIndexes();
  } else {
    SetSkinName(skinName_);
  }
}

void TsSkinManager::SetSkinnedPopups(bool value) {
  if (value == skinnedPopups_) return;
  skinnedPopups_ = value;
  if (value && !IsLoading() && IsDefault()) seams::SetMenusActive(this, SkinData->Active);
}

void TsSkinManager::SetCommonSections(const QStringList& value) {
  QStringList lines = value;
  for (QString& line : lines)
    if (!line.isEmpty() && !line.startsWith(u';')) line.remove(u' ');
  commonSections_ = lines;
  SetSkinName(skinName_);
}

void TsSkinManager::SetIsDefault(bool value) {
  if (value || !FirstSkinManager) {
    isDefault_ = true;
    FirstSkinManager = this;
    if (active_) {
      SendNewSkin(true);
      RepaintForms();
    } else {
      SendRemoveSkin();
    }
  } else {
    isDefault_ = value;  // the default is moved, never switched off
  }
}

bool TsSkinManager::AllowGlowing() const { return allowGlowing_ && seams::LayeredWindowsAvailable(); }

bool TsSkinManager::ExtendedBorders() const { return extendedBorders_ && seams::LayeredWindowsAvailable(); }

void TsSkinManager::SetExtendedBorders(bool value) {
  if (value == extendedBorders_) return;
  extendedBorders_ = value;
  if (SkinData->Active) ReloadSkin(true);
}

void TsSkinManager::SetHueOffset(int value) {
  if (value == hueOffset_) return;
  hueOffset_ = value;
  if (SkinData->Active) ReloadSkin(false);
}

void TsSkinManager::SetSaturation(int value) {
  if (value == saturation_) return;
  saturation_ = value;
  if (SkinData->Active) ReloadSkin(false);
}

QString TsSkinManager::SkinInfo() const {
  return SkinData->Active ? QLocale::c().toString(SkinData->Version, 'g', 15) : QStringLiteral("N/A");
}

// ---- loading

bool TsSkinManager::PackageChosen() const {
  const QString dir = GetFullSkinDir();
  if (!FileHere(dir + skinName_ + QStringLiteral(".asz"))) return false;
  return !(PreferSkinFolder && FolderHere(dir + skinName_));
}

void TsSkinManager::GuardedLoad(bool fromPackage) {
  const auto fail = [this](const char* what) {
    SkinIniFile.reset();
    SkinConvertor.reset();
    SkinLoading = false;
    SendRemoveSkin();  // the half-read skin
    throw ESkinLibraryError(what);
  };
  try {
    if (fromPackage)
      LoadFromPackage(*this);
    else
      LoadFromFolder(*this);
  } catch (const std::exception& e) {
    fail(e.what());
  }
}

void TsSkinManager::ChangeSkin() {
  if (OnBeforeChange) OnBeforeChange(this);
  {
    LoadScope loading;
    SkinData->Active = false;
    IsPackage = PackageChosen();
    GuardedLoad(IsPackage);
    if (!active_)
      SendRemoveSkin();
    else if (!NoNewSkinBroadcast)
      SendNewSkin(true);
  }
  if (OnAfterChange) OnAfterChange(this);
}

void TsSkinManager::ReloadSkin(bool extBordersFirst) {
  if (extBordersFirst) UpdateExtBorders();
  {
    LoadScope loading;
    IsPackage = PackageChosen();
    GuardedLoad(IsPackage);
  }
  if (!active_) {
    SendRemoveSkin();  // the skin is gone
    return;
  }
  if (!IsLoading()) RepaintForms();
}

// ---- broadcasts

void TsSkinManager::SendNewSkin(bool repaint) {
  if (IsLoading()) return;
  seams::FreeAllGlows();
  if (repaint) seams::LockSkinnedForms(this);
  seams::ResetMenuSection(this);
  SkinData->Active = false;
  {
    FlagScope broadcasting(NewSkinBroadcasting);
    UpdateStandardIndexes();
    seams::BroadcastToAllForms(kCommandNewSkin, this);
  }
  SkinData->Active = true;
  if (IsDefault()) seams::SetMenusActive(this, true);
  if (IsDefault() && !DialogHookInstalled) TakeDialogHook();
  if (repaint) RepaintForms();
}

void TsSkinManager::TakeDialogHook() {
  // Installing puts a hook in only when none is in: one the default held
  // before passes to this one.
  if (!adapters::InstallDialogHook()) return;
  if (g_dialogHookHolder && g_dialogHookHolder != this) g_dialogHookHolder->DialogHookInstalled = false;
  g_dialogHookHolder = this;
  DialogHookInstalled = true;
}

void TsSkinManager::ReleaseDialogHook() {
  adapters::RemoveDialogHook();
  if (g_dialogHookHolder) g_dialogHookHolder->DialogHookInstalled = false;
  g_dialogHookHolder = nullptr;
  DialogHookInstalled = false;
}

void TsSkinManager::RepaintForms() {
  seams::BroadcastToAllForms(kCommandBeforeRefresh, this);
  if (!SkinLoading) seams::LockSkinnedForms(this);
  seams::BroadcastToAllForms(kCommandRefresh, this);
  seams::UnlockSkinnedForms(this, true);
  adapters::RepaintDialogs();
}

void TsSkinManager::SendRemoveSkin() {
  FlagScope removing(SkinRemoving);
  seams::FreeAllGlows();
  // The hook's holder takes it out, and so does the default manager (its
  // state and the hook agree); another manager leaves it in.
  if (DialogHookInstalled || (IsDefault() && g_dialogHookHolder)) ReleaseDialogHook();
  SkinData->Active = false;
  if (IsDefault()) seams::SetMenusActive(this, false);
  seams::ResetMenuSection(this);
  seams::BroadcastToAllForms(kCommandRemoveSkin, this);
  ClearMasks(*this);
  ClearPatterns(*this);
  GeneralData.clear();
  TablesChanged();
}

void TsSkinManager::SetHotWindow(QWidget* window) {
  if (window == hotWindow_) return;
  const QPointer<QWidget> old = hotWindow_;
  hotWindow_ = window;
  if (old) adapters::SendSkinCommandToHandle(old, kCommandMouseLeave, LPARAM(this));
  if (window) adapters::SendSkinCommandToHandle(window, kCommandMouseEnter, LPARAM(this));
}

// ---- indexes

void TsSkinManager::UpdateStandardIndexes() {
  TacStandardIndexes& s = StandardIndexes;
  s = {};
  auto idx = [](int i) { return int16_t(i); };
  s.GlobalInfo = idx(IndexOfSection(kGlobalInfo));
  if (s.GlobalInfo >= 0) {
    s.ExBorder = idx(IndexOfMask(kGlobalInfo, QStringLiteral("EXBORDER")));
    const char* boxes[] = {"BOXCHECKED",     "BOXUNCHECKED", "BOXGRAYED",      "RADIOCHECKED", "RADIOUNCHECKED",
                           "RADIOGRAYED",    "SMALLCHECKED", "SMALLUNCHECKED", "SMALLGRAYED"};
    for (size_t i = 0; i < 9; ++i) s.CheckBoxes[i] = idx(IndexOfMask(kGlobalInfo, QString::fromLatin1(boxes[i])));
  }
  const QString border = QStringLiteral("BORDERSMASK"), pattern = QStringLiteral("PATTERN"),
                hotPattern = QStringLiteral("HOTPATTERN"), glyph = QStringLiteral("GLYPHMASK");
  const char* tabs[] = {"TABTOP", "TABBOTTOM", "TABLEFT", "TABRIGHT"};
  const char* buttons[] = {"SCROLLBTNTOP", "SCROLLBTNBOTTOM", "SCROLLBTNLEFT", "SCROLLBTNRIGHT"};
  const char* bars[] = {"SCROLLBAR1H", "SCROLLBAR1V", "SCROLLBAR2H", "SCROLLBAR2V"};
  for (size_t i = 0; i < 4; ++i) {
    const QString tab = QString::fromLatin1(tabs[i]);
    s.TabSections[i] = idx(IndexOfSection(tab));
    s.TabBorders[i] = idx(FindMaskIndex(s.TabSections[i], tab, border));
    const QString button = QString::fromLatin1(buttons[i]);
    const int b = IndexOfSection(button);
    s.ScrollBtnSections[i] = idx(b);
    s.ScrollBtnBorders[i] = idx(FindMaskIndex(b, button, border));
    s.ScrollBtnPatterns[i] = idx(FindMaskIndex(b, button, pattern));
    s.ScrollBtnHotPatterns[i] = idx(FindMaskIndex(b, button, hotPattern));
    s.ScrollBtnGlyphs[i] = idx(FindMaskIndex(b, button, glyph));
    const QString bar = QString::fromLatin1(bars[i]);
    const int r = IndexOfSection(bar);
    s.BarSections[i] = idx(r);
    s.BarBorders[i] = idx(FindMaskIndex(r, bar, border));
    s.BarPatterns[i] = idx(FindMaskIndex(r, bar, pattern));
    s.BarHotPatterns[i] = idx(FindMaskIndex(r, bar, hotPattern));
  }
  const QString sliders[] = {QStringLiteral("SCROLLSLIDERV"), QStringLiteral("SCROLLSLIDERH")};
  for (size_t i = 0; i < 2; ++i) {
    const int k = IndexOfSection(sliders[i]);
    s.SliderSections[i] = idx(k);
    s.SliderBorders[i] = idx(FindMaskIndex(k, sliders[i], border));
    s.SliderGlyphs[i] = idx(FindMaskIndex(k, sliders[i], glyph));
  }
  s.SliderPatterns = {idx(FindMaskIndex(s.SliderSections[1], sliders[1], pattern)),
                      idx(FindMaskIndex(s.SliderSections[1], sliders[1], hotPattern)),
                      idx(FindMaskIndex(s.SliderSections[0], sliders[0], pattern)),
                      idx(FindMaskIndex(s.SliderSections[0], sliders[0], hotPattern))};
  const QString comboButton = QStringLiteral("COMBOBTN");
  ComboBtnIndex = IndexOfSection(comboButton);
  ComboBtnBorder = IndexOfMask(comboButton, border);
  ComboBtnPattern = FindTextureIndex(ComboBtnIndex, comboButton, pattern);
  ComboBtnHotPattern = FindTextureIndex(ComboBtnIndex, comboButton, hotPattern);
  ComboBoxGlyph = IndexOfMask(QStringLiteral("COMBOBOX"), glyph);
  UpdateExtBorders();
}

void TsSkinManager::UpdateExtBorders() {
  if (!(active_ && ExtendedBorders())) {
    ExtBorderMargins = {};
    return;
  }
  ExtBorderActive = std::make_unique<TPNGGraphic>();
  ExtBorderInactive = std::make_unique<TPNGGraphic>();
  ExtBorderActive->SetPixelFormat(pf32bit);
  ExtBorderInactive->SetPixelFormat(pf32bit);
  const int ex = StandardIndexes.ExBorder;
  if (IsValidMaskIndex(ex)) {
    const TsMaskData& m = MaskData[size_t(ex)];
    const int offset = SkinData->FormOffset;
    ExtBorderMargins = SkinData->BorderMode != 0
                           ? TRect{offset, offset, offset, offset}
                           : TRect{m.WL - offset, m.WT - offset, m.WR - offset, m.WB - offset};
    // The states lie in the mask's own bitmap or in the master bitmap.
    const Bitmap* source = m.Bmp ? m.Bmp.get() : MasterBitmap.get();
    const int w = MaskImageWidth(m), h = MaskImageHeight(m);
    CopyState(source, m.R.Left, m.R.Top, w, h, *ExtBorderInactive);
    if (m.ImageCount == 1)
      ExtBorderActive->Assign(*ExtBorderInactive);
    else
      CopyState(source, m.R.Left + w, m.R.Top, w, h, *ExtBorderActive);
  } else if (ShadowActiveImage && ShadowInactiveImage) {
    // Desktop composition counts as off here: the margins do not grow.
    ExtBorderMargins = {11, 7, 11, 11};
    ExtBorderActive->Assign(*ShadowActiveImage);
    ExtBorderInactive->Assign(*ShadowInactiveImage);
  } else {
    ExtBorderMargins = {};
  }
  ClearTransparentWhite(*ExtBorderActive);
  ClearTransparentWhite(*ExtBorderInactive);
}

// ---- lookups

// The first position of every name (a section's, a section's and mask's,
// a section's and texture's, a section's and pattern's), and the tables it
// was made from.
struct TsSkinManager::LookupIndex {
  using Pair = std::pair<QString, QString>;
  struct PairHash {
    size_t operator()(const Pair& p) const { return qHashMulti(0, p.first, p.second); }
  };
  struct StringHash {
    size_t operator()(const QString& s) const { return qHash(s); }
  };
  std::unordered_map<QString, int, StringHash> Sections;
  std::unordered_map<Pair, int, PairHash> Masks, Textures, Patterns;
  const void* SectionTable;
  size_t SectionCount;
  const void* MaskTable;
  size_t MaskCount;
  const void* PatternTable;
  size_t PatternCount;

  explicit LookupIndex(const TsSkinManager& sm)
      : SectionTable(sm.GeneralData.data()), SectionCount(sm.GeneralData.size()), MaskTable(sm.MaskData.data()),
        MaskCount(sm.MaskData.size()), PatternTable(sm.PatternData.data()), PatternCount(sm.PatternData.size()) {
    // The first of equal names wins, as a search from the start finds it.
    for (size_t i = 0; i < SectionCount; ++i) Sections.try_emplace(sm.GeneralData[i].SectionName, int(i));
    for (size_t i = 0; i < MaskCount; ++i) {
      const TsMaskData& m = sm.MaskData[i];
      Masks.try_emplace(Pair(m.ClassName, m.PropertyName), int(i));
      if (m.ImgType == itisaTexture) Textures.try_emplace(Pair(m.ClassName, m.PropertyName), int(i));
    }
    for (size_t i = 0; i < PatternCount; ++i)
      Patterns.try_emplace(Pair(sm.PatternData[i].ClassName, sm.PatternData[i].PropertyName), int(i));
  }
  bool Describes(const TsSkinManager& sm) const {
    return SectionTable == sm.GeneralData.data() && SectionCount == sm.GeneralData.size() &&
           MaskTable == sm.MaskData.data() && MaskCount == sm.MaskData.size() &&
           PatternTable == sm.PatternData.data() && PatternCount == sm.PatternData.size();
  }
  template <class Map, class Key>
  static int Find(const Map& map, const Key& key) {
    const auto it = map.find(key);
    return it == map.end() ? -1 : it->second;
  }
};

void TsSkinManager::TablesChanged() const { lookup_.reset(); }

const TsSkinManager::LookupIndex& TsSkinManager::Lookup() const {
  if (!lookup_ || !lookup_->Describes(*this)) lookup_ = std::make_shared<const LookupIndex>(*this);
  return *lookup_;
}

namespace {

// `find` in the index; a position whose record no longer holds the name
// (renamed in place) makes the index again.
template <class Find, class Holds>
int Checked(const TsSkinManager& sm, Find find, Holds holds) {
  const int i = find();
  if (i < 0 || holds(size_t(i))) return i;
  sm.TablesChanged();
  return find();
}

}  // namespace

int TsSkinManager::IndexOfSection(const QString& name) const {
  return Checked(
      *this, [&] { return LookupIndex::Find(Lookup().Sections, name); },
      [&](size_t i) { return GeneralData[i].SectionName == name; });
}

int TsSkinManager::IndexOfMask(const QString& section, const QString& mask) const {
  return Checked(
      *this, [&] { return LookupIndex::Find(Lookup().Masks, LookupIndex::Pair(section, mask)); },
      [&](size_t i) { return MaskData[i].ClassName == section && MaskData[i].PropertyName == mask; });
}

namespace {

// `find` in a section, then in its parent, the parent's parent and so on
// as long as the parent is a section, not empty and not the section
// itself, at most kParentClassDepthLimit sections up; -1 when none finds.
template <class Find>
int SearchUp(const TsSkinManager& sm, int sectionIndex, QString name, Find find) {
  for (int depth = 0; sectionIndex >= 0; ++depth) {
    const int found = find(name);
    if (found >= 0) return found;
    if (depth >= kParentClassDepthLimit || !sm.IsValidSectionIndex(sectionIndex)) return -1;
    const QString parent = sm.GeneralData[size_t(sectionIndex)].ParentClass;
    if (parent.isEmpty() || parent == name) return -1;
    name = parent;
    sectionIndex = sm.IndexOfSection(name);
  }
  return -1;
}

}  // namespace

int TsSkinManager::FindMaskIndex(int sectionIndex, const QString& section, const QString& mask) const {
  if (mask.isEmpty()) return -1;
  return SearchUp(*this, sectionIndex, section, [&](const QString& name) { return IndexOfMask(name, mask); });
}

int TsSkinManager::FindTextureIndex(int sectionIndex, const QString& section, const QString& mask) const {
  if (mask.isEmpty()) return -1;
  return SearchUp(*this, sectionIndex, section, [&](const QString& name) {
    return Checked(
        *this, [&] { return LookupIndex::Find(Lookup().Textures, LookupIndex::Pair(name, mask)); },
        [&](size_t i) {
          const TsMaskData& m = MaskData[i];
          return m.ImgType == itisaTexture && m.ClassName == name && m.PropertyName == mask;
        });
  });
}

int TsSkinManager::FindPatternIndex(int sectionIndex, const QString& section, const QString& pattern) const {
  if (pattern.isEmpty()) return -1;
  return SearchUp(*this, sectionIndex, section, [&](const QString& name) {
    return Checked(
        *this, [&] { return LookupIndex::Find(Lookup().Patterns, LookupIndex::Pair(name, pattern)); },
        [&](size_t i) { return PatternData[i].ClassName == name && PatternData[i].PropertyName == pattern; });
  });
}

QSize TsSkinManager::GetMaskFrameSize(int i) const {
  if (!IsValidMaskIndex(i)) return {0, 0};
  const TsMaskData& m = MaskData[size_t(i)];
  if (m.Bmp) return {m.Bmp->Width() / 3, m.Bmp->Height() / 2};
  return {MaskImageWidth(m), MaskImageHeight(m)};
}

namespace {

// A slice margin: the mask's own when above 0, else its BorderWidth when
// at least 1, else one state's width (`across`) or height.
int SliceMargin(const TsMaskData& m, int own, bool across) {
  if (own > 0) return own;
  if (m.BorderWidth >= 1) return m.BorderWidth;
  return across ? MaskImageWidth(m) : MaskImageHeight(m);
}

}  // namespace

int TsSkinManager::MaskLeftWidth(int i) {
  if (!IsValidMaskIndex(i)) return 0;
  TsMaskData& m = MaskData[size_t(i)];
  if (m.ImageCount == 0) m.ImageCount = 1;
  return SliceMargin(m, m.WL, true);
}

int TsSkinManager::MaskTopWidth(int i) const {
  return IsValidMaskIndex(i) ? SliceMargin(MaskData[size_t(i)], MaskData[size_t(i)].WT, false) : 0;
}

int TsSkinManager::MaskRightWidth(int i) const {
  return IsValidMaskIndex(i) ? SliceMargin(MaskData[size_t(i)], MaskData[size_t(i)].WR, true) : 0;
}

int TsSkinManager::MaskBottomWidth(int i) const {
  return IsValidMaskIndex(i) ? SliceMargin(MaskData[size_t(i)], MaskData[size_t(i)].WB, false) : 0;
}

// ---- colours of the skin

TColor TsSkinManager::GlobalSectionColor() const {
  const int i = StandardIndexes.GlobalInfo;
  return IsValidSectionIndex(i) ? ColorToRGB(GeneralData[size_t(i)].Color) : ColorToRGB(clBtnFace);
}

TColor TsSkinManager::GlobalSectionFontColor() const {
  const int i = StandardIndexes.GlobalInfo;
  return IsValidSectionIndex(i) ? ColorToRGB(GeneralData[size_t(i)].FontColor[0]) : KeyColor;
}

TColor TsSkinManager::GlobalSectionHotColor() const {
  const int i = StandardIndexes.GlobalInfo;
  return IsValidSectionIndex(i) ? ColorToRGB(GeneralData[size_t(i)].HotColor) : ColorToRGB(clWindow);
}

TColor TsSkinManager::EditHotFontColor() const {
  const int i = IndexOfSection(QStringLiteral("EDIT"));
  return i >= 0 ? ColorToRGB(GeneralData[size_t(i)].HotFontColor[0]) : KeyColor;
}

namespace {

bool IsNoColor(TColor c) { return c == -1 || c == KeyColor || c == 0xFFFFFF; }

}  // namespace

TColor TsSkinManager::MenuHighlightColor() const {
  const int i = IndexOfSection(QStringLiteral("MENUITEM"));
  if (i < 0 || IsNoColor(GeneralData[size_t(i)].HotColor)) return ColorToRGB(clHighlight);
  return GeneralData[size_t(i)].HotColor;
}

TColor TsSkinManager::MenuHighlightTextColor() const {
  const int i = IndexOfSection(QStringLiteral("MENUITEM"));
  if (i >= 0) {
    const TsGeneralData& r = GeneralData[size_t(i)];
    const TColor font = r.HotFontColor[0];
    if (!IsNoColor(font) && !IsNoColor(r.HotColor) && font != 0) return font;
  }
  return ColorToRGB(clHighlightText);
}

// ---- folders and names

QString TsSkinManager::GetFullSkinDir() const { return FullSkinDir(skinDirectory_, AppDirectory()); }

void TsSkinManager::ListSkinNames(QStringList& list, int kind, QString& first) const {
  first.clear();
  list.clear();
  QStringList names;
  bool haveFirst = false;
  const auto add = [&](const QString& name) {
    if (!haveFirst) {
      first = name;
      haveFirst = true;
    }
    // A sorted list ignores a name it holds already (case aside).
    const bool held = std::any_of(names.begin(), names.end(), [&](const QString& n) {
      return n.compare(name, Qt::CaseInsensitive) == 0;
    });
    if (!held) names.append(name);
  };
  for (int i = 0; i < internalSkins_->Count(); ++i) add((*internalSkins_)[i].Name);
  const QString dir = GetFullSkinDir();
  TSearchRec f;
  for (int found = FindFirstFile(dir + QStringLiteral("*.*"), faAnyFile, f); found == 0; found = FindNextFile(f)) {
    const QString& name = f.Name;
    if (name.startsWith(u'.')) continue;
    if (f.Attr & faDirectory) {
      if ((kind == 0 || kind == 2) && FileHere(dir + name + QStringLiteral("\\Options.dat"))) add(name);
    } else if (kind == 1 || kind == 2) {
      // The extension is compared with its case.
      if (name.mid(name.lastIndexOf(u'.')) == QStringLiteral(".asz")) add(name.left(name.indexOf(u'.')));
    }
  }
  FindCloseFile(f);
  std::stable_sort(names.begin(), names.end(),
                   [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
  list = names;
}

// ---- third-party lists

void TsSkinManager::InitThirdPartyLists(bool reset) {
  for (int i = 0; i < kThirdPartyKinds; ++i) {
    QString& text = thirdParty_.Text(i);
    if (reset || text.isEmpty()) text = ThirdPartyDefaultClasses[size_t(i)];
    ThirdPartyLists[size_t(i)] = TextLines(text);
  }
}

void TsSkinManager::SaveThirdPartyLists() {
  for (int i = 0; i < kThirdPartyKinds; ++i) thirdParty_.Text(i) = ThirdPartyLists[size_t(i)].join(QStringLiteral("\r\n"));
}

// ---- stored settings

void TsSkinManager::Loaded() {
  EndLoading();
  if (skinDirectory_.isEmpty()) skinDirectory_ = kDefaultSkinDirectory;
  if (menuSupport_.IcoLineSkin.isEmpty()) menuSupport_.IcoLineSkin = QStringLiteral("ICOLINE");
  InitThirdPartyLists(false);
  // The skin was read when the stored SkinName was assigned.
  if (active_ && !skinName_.isEmpty()) SendNewSkin(false);
}

void TsSkinManager::WriteProperties(TacPropertyWriter& w) const {
  w.WriteString("SkinDirectory", skinDirectory_);
  internalSkins_->WriteItems(w);
  // As a string list's text: every line ends with its break, so that an
  // empty last line comes back.
  QString common;
  for (const QString& line : commonSections_) common += line + QStringLiteral("\r\n");
  w.WriteString("CommonSections", common);
  // Like every default, a stored IsDefault of True is not written.
  if (!isDefault_) w.WriteInteger("IsDefault", 0);
  w.WriteInteger("SkinnedPopups", skinnedPopups_);
  w.WriteInteger("SkinningRules", int(skinningRules_));
  w.WriteInteger("AllowGlowing", allowGlowing_);
  w.WriteInteger("ExtendedBorders", extendedBorders_);
  w.WriteInteger("HueOffset", hueOffset_);
  w.WriteInteger("Saturation", saturation_);
  w.WriteString("MenuSupport.IcoLineSkin", menuSupport_.IcoLineSkin);
  w.WriteInteger("MenuSupport.UseExtraLine", menuSupport_.UseExtraLine);
  w.WriteInteger("MenuSupport.ExtraLineWidth", menuSupport_.ExtraLineWidth);
  animEffects_.WriteProperties(w);
  for (int i = 0; i < kThirdPartyKinds; ++i)
    w.WriteString(std::string("ThirdParty.") + ThirdPartyList::kNames[size_t(i)], thirdParty_.Text(i));
  w.WriteInteger("Active", active_);
  // Last: assigning it reads the skin. A name never assigned is not
  // written, so that the stream reads back without a load, as it was read;
  // an assigned one, empty or not, is written, and loads again what it
  // loaded.
  if (skinNameAssigned_ || !skinName_.isEmpty()) w.WriteString("SkinName", skinName_);
  w.EndList();
}

void TsSkinManager::ReadProperties(TacPropertyReader& r) {
  if (!IsLoading()) BeginLoading();
  using Kind = TacPropertyReader::Kind;
  std::string name;
  Kind kind;
  std::optional<QString> storedName;
  while (r.NextProperty(name, kind)) {
    if (name == "InternalSkins" && kind == Kind::Collection) {
      internalSkins_->ReadItems(r);
    } else if (kind == Kind::String) {
      const QString v = r.ReadString();
      if (name == "SkinDirectory") {
        skinDirectory_ = v;
      } else if (name == "CommonSections") {
        commonSections_.clear();
        for (QString line : TextLines(v)) {
          if (!line.isEmpty() && !line.startsWith(u';')) line.remove(u' ');
          commonSections_.append(line);
        }
      } else if (name == "MenuSupport.IcoLineSkin") {
        menuSupport_.IcoLineSkin = v;
      } else if (name == "SkinName") {
        storedName = v;
      } else if (name.starts_with("ThirdParty.")) {
        const int i = ThirdPartyList::IndexOf(name.substr(11));
        if (i >= 0) thirdParty_.Text(i) = v;
      }
    } else if (kind == Kind::Integer && !name.starts_with("AnimEffects.")) {
      const int32_t v = r.ReadInteger();
      if (name == "IsDefault") isDefault_ = v != 0;
      else if (name == "SkinnedPopups") skinnedPopups_ = v != 0;
      else if (name == "SkinningRules") skinningRules_ = TacSkinningRules(v & 0x7);
      else if (name == "AllowGlowing") allowGlowing_ = v != 0;
      else if (name == "ExtendedBorders") extendedBorders_ = v != 0;
      else if (name == "HueOffset") hueOffset_ = v;
      else if (name == "Saturation") saturation_ = v;
      else if (name == "MenuSupport.UseExtraLine") menuSupport_.UseExtraLine = v != 0;
      else if (name == "MenuSupport.ExtraLineWidth") menuSupport_.ExtraLineWidth = v;
      else if (name == "Active") active_ = v != 0;
    } else if (!animEffects_.ReadProperty(name, r, kind)) {
      r.SkipValue(kind);
    }
  }
  // Assigned after everything else, as the form reader does: with Active
  // it reads the skin (announced in Loaded()).
  if (storedName) SetSkinName(*storedName);
}

std::string TsSkinManager::PropertyStream() const {
  TacPropertyWriter w;
  WriteProperties(w);
  return w.Bytes();
}

std::unique_ptr<TsSkinManager> TsSkinManager::FromPropertyStream(std::string_view bytes, QObject* owner) {
  auto manager = std::make_unique<TsSkinManager>(owner, Origin::StoredData);
  TacPropertyReader reader(bytes);
  manager->ReadProperties(reader);
  reader.ExpectEnd();
  manager->Loaded();
  return manager;
}
