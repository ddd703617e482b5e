#include "skinning/WinSkinData.h"

#include "platform/AppPath.h"
#include "platform/Blit.h"
#include "platform/FileUtil.h"
#include "platform/NonClient.h"
#include "platform/Picture.h"
#include "platform/WindowProc.h"
#include "platform/WindowTable.h"
#include "skinning/BuiltinImages.h"
#include "skinning/ImgUtil.h"
#include "skinning/SkinRead.h"
#include "skinning/WinSkinForm.h"
#include "skinning/WinSkinIni.h"
#include "skinning/WinSkinManage.h"
#include "skinning/WinSkinStyle.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cerrno>

using namespace platform;

namespace skinning {

TSkinControlTypes DefaultSkinControls() {
  TSkinControlTypes all;
  for (int k = xcMainMenu; k <= xcFastReport; ++k) all.Include(TSkinControlType(k));
  return all.Exclude(xcMenuItem).Exclude(xcFastReport);
}

TSkinColours TSkinColours::Defaults() {
  TSkinColours c;
  const std::pair<TSkinColourSlot, int> system[] = {
      {scWindowText, COLOR_WINDOWTEXT},     {scTitleTextActive, COLOR_CAPTIONTEXT},
      {scTitleTextNoActive, COLOR_INACTIVECAPTIONTEXT}, {scButtonFace, COLOR_BTNFACE},
      {scButtonText, COLOR_BTNTEXT},        {scButtonHilight, COLOR_BTNHIGHLIGHT},
      {scButtonlight, COLOR_BTNHIGHLIGHT},  {scButtonShadow, COLOR_BTNSHADOW},
      {scButtonDkShadow, COLOR_3DDKSHADOW}, {scHilightText, COLOR_HIGHLIGHTTEXT},
      {scHilight, COLOR_HIGHLIGHT},         {scMenubar, COLOR_BTNFACE},
      {scMenuBarText, COLOR_MENUTEXT},      {scMenuText, COLOR_MENUTEXT},
      {scMenu, COLOR_MENU},                 {scScrollbar, COLOR_SCROLLBAR}};
  for (const auto& [slot, index] : system) c.Colour[size_t(slot)] = SysColor(index);
  c.User.fill(clWhite);
  return c;
}

void TDataSkinObject::Draw(Canvas& canvas, const TRect& target, int frame, bool verticalFrames) const {
  DrawSkinElement(canvas, target, Image, verticalFrames, Tile > 0, Trans != 0, Frame, frame,
                  Margins());
}

TSkinModel::TSkinModel() : Colours(TSkinColours::Defaults()) {
  TitleColour = FaceColour = Colours[scButtonFace];
}

TColor ParseSkinColour(const QString& text, TColor fallback) {
  if (text.isEmpty()) return fallback;
  int values[3] = {0, 0, 0};
  int count = 0;
  const auto digit = [&](qsizetype i) { return text[i] >= u'0' && text[i] <= u'9'; };
  for (qsizetype i = 0; i < text.size() && count < 3;) {
    if (!digit(i)) {
      ++i;
      continue;
    }
    int value = 0;
    for (; i < text.size() && digit(i); ++i) value = std::min(value * 10 + (text[i].unicode() - u'0'), 256);
    if (i < text.size() || count == 2) values[count] = std::min(value, 255);
    ++count;
  }
  return RGB(values[0], values[1], values[2]);
}

QStringList DefaultSkin3rd() {
  return {
      // Other makers' controls.
      QStringLiteral("TVirtualStringTree=scrollbar"),
      QStringLiteral("TComboboxex=combobox"),
      QStringLiteral("TControlBar=Panel"),
      QStringLiteral("TPngBitBtn=pngbitbtn"),
      QStringLiteral("TRzMenuButton=menubtn"),
      QStringLiteral("TLMDGroupBox=Groupbox"),
      // Ours, where a class answers with its own name.
      QStringLiteral("TCheckListBox=scrollbar"),
  };
}

namespace {

const QString kPersonality = QStringLiteral("Personality");

// Calls `f` for every element of the model.
template <typename F>
void ForEachElement(TSkinModel& m, F f) {
  for (TDataSkinObject* e : {&m.LeftBorder, &m.RightBorder, &m.TopBorder, &m.BottomBorder,
                             static_cast<TDataSkinObject*>(&m.Title), static_cast<TDataSkinObject*>(&m.Buttons)})
    f(*e);
  for (TDataSkinSysButton& b : m.CaptionButtons) f(b);
  const TDataSkinObject* optional[] = {
      m.Progress.get(),  m.ProgressChunk.get(), m.MenuBar.get(),   m.GroupBoxEdge.get(),
      m.GroupBox.get(),  m.Tabs.get(),          m.StatusBarEdges.get(), m.TabPane.get(),
      m.ToolBars.get(),  m.ComboButton.get(),   m.SunkEdge.get(),  m.ExtraImages.get(),
      m.Headerbar.get(), m.MenuItem.get(),      m.MenuBackground.get(), m.Scrollbar.get(),
      m.HorzScroll.get(), m.VertScroll.get(),   m.HorzScrollThumb.get(), m.VertScrollThumb.get(),
      m.ThumbHorz.get(), m.ThumbVert.get(),     m.ThumbLeft.get(), m.ThumbRight.get(),
      m.ThumbUp.get(),   m.ThumbDown.get(),     m.UpDownHorz.get(), m.UpDownVert.get(),
      m.Track.get(),     m.TrackVert.get(),     m.ComboxArrow.get(), m.Toolbar.get()};
  for (const TDataSkinObject* e : optional)
    if (e) f(const_cast<TDataSkinObject&>(*e));
}

// A copy of the image's rectangle as a bitmap of the image's format.
Bitmap Cut(const Bitmap& image, int x, int y, int w, int h) {
  if (w <= 0 || h <= 0) return {};
  Bitmap part(w, h, image.PixelFormat());
  BitBlt(part, 0, 0, w, h, image, x, y);
  return part;
}

// One parse: the readers of every section, writing into a new model.
class SkinParser {
 public:
  SkinParser(const TQuickIni& ini, const TSkinReader& reader, TSkinModel& m)
      : ini_(ini), reader_(reader), m_(m), sections_(ini.ReadSections()) {}

  void Run() {
    m_.SkinName = Str(QStringLiteral("TitlebarSkin"), QStringLiteral("SkinName"));
    ReadBorders();
    ReadColours();
    ReadCaptionButtons();
    ReadButtons();
    ReadTitle();
    ReadElements();
    FixFrames();
    BuildCombo();
    BuildComboArrow();
    m_.TitleColour = TitleColour();
    BuildToolbar();
    m_.FaceColour = m_.Colours[scButtonFace];
  }

 private:
  QString Str(const QString& section, const QString& key) const { return ini_.ReadString(section, key, {}); }
  int Int(const QString& section, const QString& key, int fallback) const {
    return ini_.ReadInteger(section, key, fallback);
  }
  TColor Colour(const QString& section, const QString& key, TColor fallback) const {
    return ParseSkinColour(Str(section, key), fallback);
  }
  TColor ButtonText() const { return m_.Colours[scButtonText]; }

  // The archive's bitmap that `value` names: only a file name ending in
  // ".bmp" as written; anything else, a missing entry or one that does not
  // decode gives an empty image.
  Bitmap LoadSkinImage(const QString& value) const {
    const qsizetype slash = std::max({value.lastIndexOf(u'\\'), value.lastIndexOf(u'/'), value.lastIndexOf(u':')});
    const QString name = value.mid(slash + 1);
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot < 0 || QStringView(name).mid(dot) != u".bmp") return {};
    std::string bytes;
    reader_.GetEntry(name, bytes);
    Bitmap image;
    std::string error;
    try {
      if (bytes.empty() || !BmpFormat().Load(bytes, image, error)) return {};
    } catch (const std::exception&) {
      return {};
    }
    return image;
  }

  void ReadMargins(TDataSkinObject& e, const QString& s) const {
    e.LeftWidth = Int(s, QStringLiteral("LeftWidth"), 0);
    e.RightWidth = Int(s, QStringLiteral("RightWidth"), 0);
    e.TopHeight = Int(s, QStringLiteral("TopHeight"), 0);
    e.BottomHeight = Int(s, QStringLiteral("BottomHeight"), 0);
  }
  void ReadStateColours(TDataSkinObject& e, const QString& s) const {
    e.NormalColour = Int(s, QStringLiteral("NormalColour"), -1);
    e.MouseOverColour = Int(s, QStringLiteral("MouseOverColour"), -1);
    e.PressedColour = Int(s, QStringLiteral("PressedColour"), -1);
    e.NormalColour2 = Colour(s, QStringLiteral("NormalColour2"), ButtonText());
    e.MouseOverColour2 = Colour(s, QStringLiteral("MouseOverColour2"), ButtonText());
    e.PressedColour2 = Colour(s, QStringLiteral("PressedColour2"), ButtonText());
  }

  // The plain reader (and, with `withFrame` false, the two-image reader):
  // nothing without an image key.
  template <typename T = TDataSkinObject>
  std::unique_ptr<T> Plain(const QString& s, bool withFrame = true, const QString& secondImage = {}) const {
    const QString image = Str(s, QStringLiteral("Image"));
    if (image.isEmpty()) return nullptr;
    auto e = std::make_unique<T>(s);
    e->Image = LoadSkinImage(image);
    e->Style = Int(s, QStringLiteral("Style"), 0);
    ReadMargins(*e, s);
    if (withFrame) e->Frame = Int(s, QStringLiteral("Frame"), 0);
    e->Trans = Int(s, QStringLiteral("Trans"), 0);
    e->Tile = Int(s, QStringLiteral("Tile"), 0);
    if (e->Tile > 1) e->Tile = 0;
    ReadStateColours(*e, s);
    if constexpr (std::is_base_of_v<TDataSkinBorder, T>)
      if (!secondImage.isEmpty()) {
        const QString second = Str(s, secondImage);
        if (!second.isEmpty()) e->Image2 = LoadSkinImage(second);
      }
    return e;
  }
  std::unique_ptr<TDataSkinBorder> TwoImage(const QString& s, const QString& secondImage) const {
    return Plain<TDataSkinBorder>(s, false, secondImage);
  }

  void ReadBorders() {
    TDataSkinObject* borders[] = {&m_.LeftBorder, &m_.RightBorder, &m_.TopBorder, &m_.BottomBorder};
    for (TDataSkinObject* e : borders) {
      const QString& n = e->Name;
      const int first = Int(kPersonality, n + QStringLiteral("TopHeight"), 0);
      const int second = Int(kPersonality, n + QStringLiteral("BotHeight"), 0);
      const bool side = e == &m_.LeftBorder || e == &m_.RightBorder;
      e->LeftWidth = side ? 0 : first;
      e->RightWidth = side ? 0 : second;
      e->TopHeight = side ? first : 0;
      e->BottomHeight = side ? second : 0;
      e->Frame = Int(kPersonality, n + QStringLiteral("Frame"), 1);
      e->Tile = std::min(Int(kPersonality, n + QStringLiteral("Stretch"), 1), 1);
      e->Trans = Int(kPersonality, n + QStringLiteral("Trans"), 1);
      e->Image = LoadSkinImage(Str(kPersonality, n));
    }
  }

  void ReadColours() {
    const QString section = QStringLiteral("Colours");
    TSkinColours& c = m_.Colours;
    const auto read = [&](TSkinColourSlot slot, const char* key, TColor fallback) {
      const QString text = Str(section, QString::fromLatin1(key));
      c.Colour[size_t(slot)] = ParseSkinColour(text, fallback);
      c.Given[size_t(slot)] = !text.isEmpty();
    };
    // In this order: the menu bar's default is the face colour just read.
    read(scWindowText, "WindowText", SysColor(COLOR_WINDOWTEXT));
    read(scButtonFace, "ButtonFace", SysColor(COLOR_BTNFACE));
    read(scScrollbar, "Scrollbar", SysColor(COLOR_SCROLLBAR));
    read(scHilightText, "HilightText", SysColor(COLOR_HIGHLIGHTTEXT));
    read(scHilight, "Hilight", SysColor(COLOR_HIGHLIGHT));
    read(scMenubar, "Menubar", c[scButtonFace]);
    read(scMenu, "Menu", SysColor(COLOR_MENU));
    read(scMenuText, "MenuText", SysColor(COLOR_MENUTEXT));
    read(scButtonText, "ButtonText", SysColor(COLOR_BTNTEXT));
    read(scButtonHilight, "ButtonHilight", SysColor(COLOR_BTNHIGHLIGHT));
    read(scButtonlight, "Buttonlight", SysColor(COLOR_BTNHIGHLIGHT));
    read(scButtonShadow, "ButtonShadow", SysColor(COLOR_BTNSHADOW));
    read(scButtonDkShadow, "ButtonDkShadow", SysColor(COLOR_3DDKSHADOW));
    read(scMenuBarText, "MenuBarText", SysColor(COLOR_MENUTEXT));
    read(scTitleTextActive, "TitleTextActive", SysColor(COLOR_CAPTIONTEXT));
    read(scTitleTextNoActive, "TitleTextNoActive", SysColor(COLOR_INACTIVECAPTIONTEXT));
    for (const QString& s : sections_) {
      const QString upper = s.toUpper();
      if (upper.startsWith(QStringLiteral("COLOUR")) && upper != QStringLiteral("COLOURS"))
        c.Custom.push_back(Colour(s, QStringLiteral("color"), SysColor(COLOR_WINDOWTEXT)));
    }
    for (int i = 0; i < 10; ++i)
      c.User[size_t(i)] = Colour(QStringLiteral("Customcolors"), QStringLiteral("Color%1").arg(i), clWhite);
  }

  void ReadCaptionButtons() {
    QStringList kept;
    for (const QString& s : sections_) {
      const QString n = s.toUpper();
      if (!n.startsWith(QStringLiteral("BUTTON")) || n == QStringLiteral("BUTTONS") ||
          n == QStringLiteral("BUTTON.RADIO") || n == QStringLiteral("BUTTON.CHECKBOX") ||
          n == QStringLiteral("BUTTON"))
        continue;
      if (Int(n, QStringLiteral("Action"), 0) == -1 && Int(n, QStringLiteral("Visibility"), -1) != 0) continue;
      kept.append(n);
    }
    std::optional<std::pair<int, int>> restorePoint;
    for (const QString& n : kept) {
      TDataSkinSysButton b(n);
      b.Action = Int(n, QStringLiteral("Action"), 0);
      b.Align = Int(n, QStringLiteral("Align"), 0);
      b.Xcoord = Int(n, QStringLiteral("Xcoord"), 0);
      b.Ycoord = Int(n, QStringLiteral("Ycoord"), 0);
      b.Visibility = Int(n, QStringLiteral("Visibility"), 0);
      b.Visibility1 = Int(n, QStringLiteral("Visibility1"), b.Action == -1 ? -1 : 0);
      b.CombineOp = Int(n, QStringLiteral("CombineOp"), -1);
      int frame = Int(n, QStringLiteral("frame"), 0);
      b.Image = LoadSkinImage(Str(n, QStringLiteral("ButtonImage")));
      if (b.Action == 1 && b.Visibility == 2)
        restorePoint = {b.Xcoord, b.Ycoord};
      else if (b.Action == 4 && restorePoint)
        std::tie(b.Xcoord, b.Ycoord) = *restorePoint;
      if (frame == 0) {
        frame = 6;
        if (!b.Image.Empty()) frame = double(b.Image.Width()) / b.Image.Height() <= 3.8 ? 3 : 6;
        if (b.Action < 0) frame = 6;
        if (b.Action == 3 || b.Action == 11) b.Image = Bitmap();
      }
      b.Frame = frame;
      m_.CaptionButtons.push_back(std::move(b));
    }
    // The minimize, restore and close buttons of a maximized MDI child:
    // cells 0-3, 4-7 and 8-11 of a 12-cell strip.
    const QString mdiName = kept.isEmpty() ? QStringLiteral("MDICONTROLS") : kept.last();
    const Bitmap strip = LoadSkinImage(Str(QStringLiteral("MDICONTROLS"), QStringLiteral("Image")));
    const int w = strip.Width() / 12;
    for (int j = 0; j < 3; ++j) {
      TDataSkinSysButton b(mdiName);
      b.Action = 7 + j;
      b.Align = b.Visibility = b.Visibility1 = 100;
      b.Frame = 4;
      b.Image = Cut(strip, 4 * j * w, 0, 4 * w, strip.Height());
      b.Xcoord = (3 - j) * (w + 4);
      m_.CaptionButtons.push_back(std::move(b));
    }
  }

  void ReadButtons() {
    const QString s = QStringLiteral("Buttons");
    TDataSkinButton& b = m_.Buttons;
    ReadMargins(b, s);
    b.Trans = Int(s, QStringLiteral("Trans"), 0);
    b.Image = LoadSkinImage(Str(s, QStringLiteral("Bitmap")));
    b.Tile = Int(s, QStringLiteral("Tile"), 0);
    if (b.Tile > 1) b.Tile = 0;
    b.CheckButton = LoadSkinImage(Str(s, QStringLiteral("CheckButton")));
    b.RadioButton = LoadSkinImage(Str(s, QStringLiteral("RadioButton")));
    b.RadioButtonFrame = Int(s, QStringLiteral("RadioButtonFrame"), 0);
    b.CheckButtonFrame = Int(s, QStringLiteral("CheckButtonFrame"), 0);
    ReadStateColours(b, s);
    b.NormalColour2Given = !Str(s, QStringLiteral("NormalColour2")).isEmpty();
    b.MouseOverColour2Given = !Str(s, QStringLiteral("MouseOverColour2")).isEmpty();
    b.PressedColour2Given = !Str(s, QStringLiteral("PressedColour2")).isEmpty();
  }

  // An RGB colour of three integer keys, each present and not negative.
  TColor TextColour(const QString& name) const {
    int v[3];
    for (int i = 0; i < 3; ++i) {
      v[i] = Int(kPersonality, name + QStringLiteral("RGB")[i], -1);
      if (v[i] < 0) return clNone;
    }
    return RGB(std::min(v[0], 255), std::min(v[1], 255), std::min(v[2], 255));
  }

  void ReadTitle() {
    TDataSkinTitle& t = m_.Title;
    t.Image = LoadSkinImage(Str(kPersonality, QStringLiteral("TextBack")));
    t.LeftWidth = Int(kPersonality, QStringLiteral("TextShift"), 0);
    t.TopHeight = Int(kPersonality, QStringLiteral("TextShiftVert"), 0);
    t.RightWidth = Int(kPersonality, QStringLiteral("TextRightClip"), 0);
    t.BottomHeight = 0;
    t.TextAlignment = Int(kPersonality, QStringLiteral("TextAlignment"), 0);
    t.Textbackground = Int(kPersonality, QStringLiteral("Textbackground"), 0);
    t.TXTBackleft = Int(kPersonality, QStringLiteral("TXTBackleft"), 0);
    t.TXTBackRight = Int(kPersonality, QStringLiteral("TXTBackRight"), 0);
    t.FontHeight = Int(QStringLiteral("Fonts"), QStringLiteral("FontHeight"), 14);
    t.ActiveText = TextColour(QStringLiteral("ActiveText"));
    t.InActiveText = TextColour(QStringLiteral("InActiveText"));
  }

  void ReadElements() {
    // "Progress": the bitmap reader.
    if (const QString image = Str(QStringLiteral("Progress"), QStringLiteral("Bitmap")); !image.isEmpty()) {
      const QString s = QStringLiteral("Progress");
      m_.Progress = std::make_unique<TDataSkinBorder>(s);
      m_.Progress->Image = LoadSkinImage(image);
      m_.Progress->Style = Int(s, QStringLiteral("Style"), 0);
      ReadMargins(*m_.Progress, s);
      m_.Progress->Trans = Int(s, QStringLiteral("Trans"), 0);
      m_.Progress->Tile = std::min(Int(s, QStringLiteral("Tile"), 0), 1);
    }
    m_.ProgressChunk = Plain(QStringLiteral("Progress.Chunk"));
    if (const QString image = Str(kPersonality, QStringLiteral("menuBar")); !image.isEmpty()) {
      m_.MenuBar = std::make_unique<TDataSkinObject>(QStringLiteral("MenuBar"));
      m_.MenuBar->Image = LoadSkinImage(image);
      m_.MenuBar->Tile = std::min(Int(kPersonality, QStringLiteral("TileMenu"), 1), 1);
      m_.MenuBar->LeftWidth = Int(kPersonality, QStringLiteral("TileLeftMenu"), 1);
      m_.MenuBar->RightWidth = Int(kPersonality, QStringLiteral("TileRightMenu"), 1);
    }
    m_.GroupBoxEdge = Plain(QStringLiteral("GroupBoxEdge"));
    if ((m_.GroupBox = Plain<TDataSkinBoxLabel>(QStringLiteral("GroupBox"), false))) {
      const QString s = QStringLiteral("GroupBox");
      m_.GroupBox->BackgroundAlignment = Int(s, QStringLiteral("BackgroundAlignment"), 0);
      m_.GroupBox->BackgroundLeftShift = Int(s, QStringLiteral("BackgroundLeftShift"), 0);
      m_.GroupBox->BackgroundRightShift = Int(s, QStringLiteral("BackgroundRightShift"), 0);
    }
    m_.Tabs = TwoImage(QStringLiteral("Tabs"), QStringLiteral("Border"));
    m_.StatusBarEdges = Plain(QStringLiteral("StatusBarEdges"));
    if ((m_.TabPane = Plain(QStringLiteral("Tab.Pane")))) {
      TDataSkinObject& p = *m_.TabPane;
      for (int* edge : {&p.LeftWidth, &p.TopHeight, &p.RightWidth, &p.BottomHeight}) *edge = std::min(*edge, 4);
    }
    m_.ToolBars = Plain(QStringLiteral("ToolBars"));
    m_.ComboButton = TwoImage(QStringLiteral("ComboButton"), QStringLiteral("****"));
    m_.SunkEdge = Plain(QStringLiteral("SunkEdge"));
    if (m_.ComboButton && !m_.ComboButton->Image.Empty()) {
      m_.ComboButton->Image2 = m_.ComboButton->Image;
      m_.ComboButton->Image2.SetPixelFormat(pf24bit);
      MirrorBitmap(m_.ComboButton->Image2);
    }
    m_.ExtraImages = Plain(QStringLiteral("ExtraImages"));
    m_.Headerbar = Plain(QStringLiteral("Headerbar"));
    m_.MenuItem = Plain(QStringLiteral("MenuItem"));
    m_.MenuBackground = Plain(QStringLiteral("MenuBackground"));
    m_.Scrollbar = Plain(QStringLiteral("Scrollbar"));
    m_.HorzScroll = Plain(QStringLiteral("HorzScroll"));
    m_.VertScroll = Plain(QStringLiteral("VertScroll"));
    m_.HorzScrollThumb = Plain(QStringLiteral("HorzScrollThumb"));
    m_.VertScrollThumb = Plain(QStringLiteral("VertScrollThumb"));
    m_.ThumbHorz = Plain(QStringLiteral("Trackbar.ThumbHorz"));
    m_.ThumbVert = Plain(QStringLiteral("Trackbar.ThumbVert"));
    m_.ThumbLeft = Plain(QStringLiteral("Trackbar.ThumbLeft"));
    m_.ThumbRight = Plain(QStringLiteral("Trackbar.ThumbRight"));
    m_.ThumbUp = Plain(QStringLiteral("Trackbar.ThumbUp"));
    m_.ThumbDown = Plain(QStringLiteral("Trackbar.ThumbDown"));
    m_.UpDownHorz = TwoImage(QStringLiteral("UpDown.Horz"), QStringLiteral("GlyphImage"));
    m_.UpDownVert = TwoImage(QStringLiteral("UpDown.Vert"), QStringLiteral("GlyphImage"));
    m_.Track = Plain(QStringLiteral("Track"));
    m_.TrackVert = Plain(QStringLiteral("TRACKVERT"));
    for (auto [slot, name] : {std::pair{&m_.Track, "TRACK"}, std::pair{&m_.TrackVert, "TRACKVERT"}}) {
      if (*slot) continue;
      *slot = std::make_unique<TDataSkinObject>(QString::fromLatin1(name));
      (*slot)->Image = BuiltinImage(QString::fromLatin1(name));
      (*slot)->LeftWidth = (*slot)->TopHeight = (*slot)->RightWidth = (*slot)->BottomHeight = 3;
    }
  }

  // The frame counts the painters rely on, whatever the skin said; then no
  // count below 1 and no negative edge (the title's shifts excepted).
  void FixFrames() {
    const auto set = [](const auto& e, int frames) {
      if (e) e->Frame = frames;
    };
    if (m_.Progress) m_.Progress->Frame = m_.Progress->Style != 0 ? 1 : 2;
    set(m_.MenuBar, 2);
    set(m_.GroupBoxEdge, 2);
    set(m_.GroupBox, 1);
    set(m_.Tabs, 5);
    set(m_.StatusBarEdges, 3);
    set(m_.TabPane, 1);
    set(m_.ToolBars, 5);
    set(m_.ComboButton, 4);
    set(m_.SunkEdge, 4);
    set(m_.ExtraImages, 5);
    if (m_.Headerbar && m_.Headerbar->Frame == 0) m_.Headerbar->Frame = 5;
    set(m_.MenuItem, 5);
    set(m_.MenuBackground, 1);
    set(m_.Scrollbar, 23);
    set(m_.HorzScroll, 4);
    set(m_.VertScroll, 4);
    for (auto* thumb : {&m_.HorzScrollThumb, &m_.VertScrollThumb})
      if (*thumb) (*thumb)->Frame = Int((*thumb)->Name, QStringLiteral("FrameCount"), 3);
    for (auto* thumb : {&m_.ThumbHorz, &m_.ThumbVert, &m_.ThumbLeft, &m_.ThumbRight, &m_.ThumbUp, &m_.ThumbDown})
      set(*thumb, 5);
    set(m_.UpDownHorz, 8);
    set(m_.UpDownVert, 8);
    m_.Buttons.Frame = 5;
    m_.Title.Frame = 2;
    TDataSkinButton& b = m_.Buttons;
    for (auto [frames, image] : {std::pair{&b.RadioButtonFrame, &b.RadioButton}, std::pair{&b.CheckButtonFrame, &b.CheckButton}}) {
      if (*frames == 0) *frames = std::max(image->Width() / (image->Height() < 16 ? 13 : 16), 4);
      *frames = std::max(*frames, 1);
    }
    // Nothing larger than a bitmap's side, so that sums of them stay in range.
    ForEachElement(m_, [this](TDataSkinObject& e) {
      e.Frame = std::clamp(e.Frame, 1, kMaxBitmapSide);
      const int least = &e == &m_.Title ? -kMaxBitmapSide : 0;
      for (int* edge : {&e.LeftWidth, &e.TopHeight, &e.RightWidth, &e.BottomHeight})
        *edge = std::clamp(*edge, least, kMaxBitmapSide);
    });
    for (TDataSkinSysButton& b : m_.CaptionButtons)
      for (int* at : {&b.Xcoord, &b.Ycoord}) *at = std::clamp(*at, -kMaxBitmapSide, kMaxBitmapSide);
  }

  // The combo box in one image per state: the sunken edge with the button
  // at its right end (ComboButton), and mirrored (SunkEdge).
  void BuildCombo() {
    if (!m_.SunkEdge || !m_.ComboButton) return;
    TDataSkinObject& edge = *m_.SunkEdge;
    TDataSkinBorder& button = *m_.ComboButton;
    const int a = GetSystemMetrics(SM_CXVSCROLL) + 2;
    const int f = edge.Frame;
    constexpr int kW = 50, kH = 21;
    const QRgb key = ToQRgb(kSkinKeyColour);
    Bitmap work(kW, kH, pf24bit);
    Bitmap strip(kW * f, kH, pf24bit);
    strip.Fill(key);
    for (int k = 1; k <= f; ++k) {
      work.Fill(key);
      Canvas& c = work.GetCanvas();
      DrawSkinElement(c, Rect(0, 0, kW, kH), edge.Image, false, false, edge.Trans != 0, f, k, edge.Margins());
      DrawSkinElement(c, Rect(kW - a, 0, kW, kH), button.Image, false, false, true, button.Frame, k,
                      button.Margins());
      if (m_.ExtraImages)
        DrawFrameCentred(c, Rect(kW - a, 0, kW, kH), m_.ExtraImages->Image, true, m_.ExtraImages->Frame, k);
      c.Brush = {kSkinKeyColour, bsSolid};
      c.FillRect(Rect(2, 2, kW - 1 - a, kH - 3));
      c.EndPainting();
      BitBlt(strip, (k - 1) * kW, 0, kW, kH, work, 0, 0);
    }
    button.Style = 2;
    button.LeftWidth = 2;
    button.TopHeight = edge.TopHeight;
    button.RightWidth = a + 2;
    button.BottomHeight = edge.BottomHeight;
    button.Image = strip;
    // Mirrored cell by cell, so that the states keep their order.
    for (int k = 0; k < f; ++k) {
      Bitmap cell = Cut(strip, k * kW, 0, kW, kH);
      MirrorBitmap(cell);
      BitBlt(strip, k * kW, 0, kW, kH, cell, 0, 0);
    }
    edge.Image = std::move(strip);
    edge.LeftWidth = a + 2;
    edge.RightWidth = 2;
  }

  void BuildComboArrow() {
    auto arrow = std::make_unique<TDataSkinObject>(QStringLiteral("ComboxArrow"));
    const TDataSkinBorder* button = m_.ComboButton.get();
    if (button && !m_.SunkEdge) {
      arrow->Image = button->Image;
      ReplaceKeyColour(arrow->Image, ColorToRGB(m_.Colours[scButtonFace]));
      arrow->Frame = button->Frame;
    } else if (button && button->Style == 2 && !button->Image.Empty()) {
      const int f = m_.SunkEdge->Frame;
      const int fw = button->Image.Width() / button->Frame;
      Bitmap cells(17 * f, 17, pf24bit);
      for (int k = 1; k <= f; ++k) BitBlt(cells, 17 * (k - 1), 0, 17, 17, button->Image, k * fw - 2 - 17, 2);
      arrow->Image = std::move(cells);
      arrow->Frame = f;
    }
    m_.ComboxArrow = std::move(arrow);
  }

  TColor TitleColour() const {
    const TDataSkinObject& top = m_.TopBorder;
    if (top.Image.Empty()) return m_.Colours[scButtonFace];
    return top.Image.GetPixel(top.Image.Width() / 3, top.Image.Height() / top.Frame / 3);
  }

  // A vertical gradient from a light face colour down to the title colour
  // darkened a little, or, for a strongly coloured title, lightened.
  void BuildToolbar() {
    const TColor base = ColorToRGB(m_.TitleColour);
    TColor c1 = BlendColours(0x808080, base, 150);
    const TColor c2 = BlendColours(m_.Colours[scButtonFace], clWhite, 150);
    const int saturation = ColourHueSat(base).Saturation;
    if (saturation > 110) c1 = BlendColours(base, clWhite, (225 - saturation) * 25 / 140 + 50);
    auto toolbar = std::make_unique<TDataSkinObject>(QStringLiteral("Toolbar"));
    toolbar->Image = Bitmap(10, 40, pf24bit);
    GradientFill(toolbar->Image.GetCanvas(), Rect(0, 0, 10, 40), c2, true, c1);
    toolbar->Image.GetCanvas().EndPainting();
    m_.Toolbar = std::move(toolbar);
  }

  const TQuickIni& ini_;
  const TSkinReader& reader_;
  TSkinModel& m_;
  const QStringList sections_;
};

}  // namespace

std::unique_ptr<TSkinModel> ParseSkinModel(const TQuickIni& ini, const TSkinReader& reader) {
  auto model = std::make_unique<TSkinModel>();
  SkinParser(ini, reader, *model).Run();
  return model;
}

// ---------------------------------------------------------------------------

TSkinData::TSkinData(QObject* owner)
    : QObject(owner),
      skin3rd_(DefaultSkin3rd()),
      model_(std::make_shared<TSkinModel>()),
      icon_(0, 0, pf24bit),
      captionFont_(GetNonClientMetrics().lfCaptionFont),
      menuGlyphs_(BuiltinImage(QStringLiteral("SKINMENU"))),
      maxWidth_(GetSystemMetrics(SM_CXMAXIMIZED)),
      maxHeight_(GetSystemMetrics(SM_CYMAXIMIZED)) {}

TSkinData::~TSkinData() {
  if (TSkinManage* manager = SkinManage()) manager->ForgetSkinData(this);
  delete hint_;
}

QWidget* TSkinData::OwnerForm() const {
  auto* widget = qobject_cast<QWidget*>(parent());
  return widget ? widget->window() : nullptr;
}

TSkinStyle* TSkinData::Style() {
  if (!style_) {
    style_ = new TSkinStyle(this);
    style_->setParent(this);
  }
  return style_;
}

namespace {

// A skin file's path: '\' separates folders too; a relative name is in the
// program's folder.
QString SkinFilePath(const QString& file) {
  QString path = file;
  path.replace(u'\\', u'/');
  if (path.isEmpty() || QDir::isAbsolutePath(path)) return path;
  return QString::fromStdString(GetAppPath()) + path;
}

}  // namespace

void TSkinData::SetSkinFile(const QString& file) {
  noSkin_ = true;
  skinFile_ = file;
  const QString path = SkinFilePath(file);
  loadError_ = "no such file";
  loadProblem_ = FileErrorText(ENOENT, FileAccess::Read);
  if (path.isEmpty() || !QFileInfo(path).isFile()) {
    qWarning("Skin file %s: %s", qPrintable(path), loadError_.c_str());
    return;
  }
  loadError_ = "the file cannot be read";
  std::optional<std::string> bytes = ReadFileBytes(path.toStdString(), &loadProblem_);  // logs why
  if (!bytes) return;
  stream_ = std::move(*bytes);
  if (!LoadSkin()) qWarning("Skin file %s: %s", qPrintable(path), loadError_.c_str());
  ApplyLoadedSkin();
}

bool TSkinData::LoadSkin() {
  noSkin_ = true;
  TSkinReader reader;
  if (!reader.Load(stream_)) {
    loadError_ = reader.LastError();
    loadProblem_ = "文件已损坏";
    return false;
  }
  std::string iniBytes;
  QString iniName;
  reader.FindEntry(QStringLiteral(".ini"), iniBytes, iniName);
  if (iniName.isEmpty()) {
    loadError_ = "the skin holds no \".ini\" entry";
    loadProblem_ = "文件中没有皮肤的设置";
    return false;
  }
  loadError_.clear();
  loadProblem_.clear();
  TQuickIni ini;
  ini.LoadFromStream(iniBytes);
  ParseSkin(ini, reader);
  return true;
}

void TSkinData::ParseSkin(const TQuickIni& ini, const TSkinReader& reader) {
  model_ = ParseSkinModel(ini, reader);
  noSkin_ = false;
}

bool TSkinData::LoadSkinStream(std::string_view streamed) {
  if (streamed.size() < 4) return false;
  uint32_t count = 0;
  for (int i = 0; i < 4; ++i) count |= uint32_t(uint8_t(streamed[size_t(i)])) << (8 * i);
  if (count > streamed.size() - 4) return false;
  stream_.assign(streamed.substr(4, count));
  return LoadSkin();
}

void TSkinData::ApplyLoadedSkin() {
  if (!SkinManage()) Loaded();
  TSkinManage& manager = *SkinManage();
  manager.SetCurrentSkinData(this);
  manager.RefreshForms();
  if (manager.Enabled()) manager.PostAction(TSkinManage::kRefresh, 250);
}

void TSkinData::SetActive(bool value) {
  if (value == active_) return;
  active_ = value;
  if (SkinFormtype != sfMainform && SkinFormtype != sfOnlyThisForm) return;
  if (SkinFormtype == sfMainform && value && noSkin_) return;
  if (!SkinManage()) Loaded();
  TSkinManage& manager = *SkinManage();
  manager.SetCurrentSkinData(this);
  if (!value)
    manager.PostAction(TSkinManage::kUnskinAll, 250);
  else if (!noSkin_)
    manager.PostAction(TSkinManage::kSkinAll, 250);
  // Only now: a first post before skinning was ever on only switches the
  // enabled flag.
  if (value && SkinFormtype == sfMainform) manager.SetState(1);
}

void TSkinData::Loaded() {
  TSkinManage& manager = CreateSkinManage();
  manager.RegisterSkinData(this);
  captionFont_ = GetNonClientMetrics().lfCaptionFont;
  if (SkinFormtype != sfMainform) {
    manager.SetEnabled(true);
    manager.SetState(manager.State() + 1);
    if (QWidget* form = OwnerForm(); form && active_) manager.AddForm(form);
    return;
  }
  manager.InstallHook();
  if (active_) {
    if (noSkin_)
      active_ = false;
    else
      manager.PostAction(TSkinManage::kSkinAll, 250);
  }
  if (SkinControls.Has(xcMainMenu))
    SkinControls.Exclude(xcMenuItem);
  else
    SkinControls.Exclude(xcSystemMenu);
  BuildIconBitmap();
}

void TSkinData::BuildIconBitmap() {
  const int w = GetSystemMetrics(SM_CXSMICON), h = GetSystemMetrics(SM_CYSMICON);
  icon_ = Bitmap(w, h, pf24bit);
  icon_.Fill(ToQRgb(kSkinKeyColour));
  icon_.Transparent = true;
  icon_.SetTransparentColor(kSkinKeyColour);
  const QIcon icon = QGuiApplication::windowIcon();
  if (icon.isNull()) return;
  const QImage image = icon.pixmap(QSize(w, h), 1.0)
                           .toImage()
                           .scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                           .convertToFormat(QImage::Format_ARGB32);
  // The icon's mask: pixels at least half opaque.
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (const QRgb p = image.pixel(x, y); qAlpha(p) >= 128) icon_.SetPixel(x, y, FromQRgb(p));
}

void TSkinData::CheckFormSkin(QWidget* window, const QString& className, bool& doSkin) {
  lastFiltered_ = window;
  if (OnFormSkin) {
    OnFormSkin(this, className, doSkin);
    return;
  }
  if (className == QStringLiteral("SysMonthCal32")) doSkin = false;
  if (SkinControls.Has(xcFastReport) && className.startsWith(QStringLiteral("Tfr"))) doSkin = false;
}

void TSkinData::DoSkinChanged() {
  if (OnSkinChanged) OnSkinChanged(this);
}

void TSkinData::ShowCaptionHint(const TRect& screenRect, const QString& text) {
  if (!Options.Has(xoCaptionButtonHint) || hintShown_) return;
  if (!hint_) {
    hint_ = new QLabel(nullptr, Qt::ToolTip | Qt::FramelessWindowHint);
    hint_->setTextFormat(Qt::PlainText);
    hint_->setWordWrap(true);
    hint_->setMargin(2);
    hint_->setStyleSheet(QStringLiteral("QLabel { border: 1px solid #767676; background: #ffffe1; color: black; }"));
  }
  hint_->setText(text);
  const QRect text500 = hint_->fontMetrics().boundingRect(QRect(0, 0, 500, 4000), Qt::TextWordWrap, text);
  const int frame = 2 * (hint_->margin() + 1) + 4;
  const QSize size(text500.width() + frame, text500.height() + frame);
  // As any tooltip, the hint lies whole on the screen its point is on: at
  // the right or bottom edge it moves left or up.
  const QPoint at(screenRect.Left, screenRect.Top);
  QPoint to = at;
  const QScreen* screen = QGuiApplication::screenAt(at);
  if (!screen) screen = QGuiApplication::primaryScreen();
  if (screen) {
    const QRect area = screen->availableGeometry();
    to.setX(std::max(area.left(), std::min(at.x(), area.right() + 1 - size.width())));
    to.setY(std::max(area.top(), std::min(at.y(), area.bottom() + 1 - size.height())));
  }
  hint_->setGeometry(QRect(to, size));
  hint_->show();
  hintShown_ = true;
}

void TSkinData::HideCaptionHint() {
  if (!hintShown_) return;
  if (hint_) hint_->hide();
  hintShown_ = false;
}

QWidget* TSkinData::CaptionHintWindow() const { return hint_; }

QWidget* TSkinData::LastFilteredWindow() const { return lastFiltered_; }

int SkinDrawText(Canvas& canvas, const QString& text, TRect& r, unsigned flags) {
  return canvas.DrawText(text, r, flags);
}

bool SkinGetScrollBarInfo(QWidget* window, int idObject, SCROLLBARINFO* info) {
  return info && GetScrollBarInfo(window, idObject, info);
}

void SkinTrackMouseLeave(QWidget* window) { TrackMouseEvent(window, TME_LEAVE); }

QWidget* ControlFromWindow(QWidget* window) { return platform::ControlFromWindow(window); }

}  // namespace skinning
