// Draws a contact sheet of a skin file: a small window put together from
// its elements, then every image it holds, twice their size, with names.
//   ssq_skin_sheet FILE.skn SHEET.png
#include "platform/Canvas.h"
#include "platform/FileUtil.h"
#include "platform/Picture.h"
#include "skinning/BuiltinImages.h"
#include "skinning/SkinRead.h"
#include "skinning/WinSkinForm.h"
#include "skinning/WinSkinIni.h"

#include <QGuiApplication>
#include <QPainter>

#include <cstdio>

using namespace platform;
using namespace skinning;

namespace {

struct Element {
  Bitmap Image;
  TRect Margins;
  int Frames = 1;
  bool Trans = false;
};

class Skin {
 public:
  bool Load(const std::string& path) {
    const auto bytes = ReadFileBytes(path);
    if (!bytes || !reader_.Load(*bytes)) return false;
    std::string text;
    QString name;
    reader_.FindEntry(QStringLiteral(".ini"), text, name);
    ini_.LoadFromStream(text);
    return true;
  }
  Bitmap Image(const QString& file) const {
    std::string data;
    reader_.GetEntry(file, data);
    Picture picture;
    if (data.empty() || !picture.LoadFromBytes(data, QStringLiteral("bmp"))) return {};
    return picture.Graphic();
  }
  Element Get(const QString& section, const QString& key = QStringLiteral("Image")) const {
    auto i = [&](const char* k, int d) { return ini_.ReadInteger(section, QString::fromLatin1(k), d); };
    return {Image(ini_.ReadString(section, key, QString())),
            Rect(i("LeftWidth", 0), i("TopHeight", 0), i("RightWidth", 0), i("BottomHeight", 0)),
            i("Frame", 1), i("Trans", 0) != 0};
  }
  const TSkinReader& Reader() const { return reader_; }
  const TQuickIni& Ini() const { return ini_; }

 private:
  TSkinReader reader_;
  TQuickIni ini_;
};

void Draw(Canvas& c, const Element& e, const TRect& r, int frame, bool vertical = false) {
  DrawSkinElement(c, r, e.Image, vertical, false, e.Trans, e.Frames, frame, e.Margins);
}

void Label(Canvas& c, const TRect& r, const QString& text, TColor colour, unsigned flags = DT_CENTER) {
  TRect box = r;
  c.SetBkMode(TRANSPARENT);
  c.Font.Color = colour;
  c.DrawText(text, box, flags | DT_VCENTER | DT_SINGLELINE);
}

// A window of the skin: frame, caption, menu bar and a few controls.
void SampleWindow(Canvas& c, const Skin& s, const TRect& w, bool active) {
  const QString p = QStringLiteral("Personality");
  const TQuickIni& ini = s.Ini();
  const int frame = active ? 1 : 2;
  c.Brush = {FromQColor(QColor(222, 233, 247)), bsSolid};
  c.FillRect(w);
  auto border = [&](const QString& name, bool vertical) {
    Element e{s.Image(ini.ReadString(p, name, {})), {}, 2, ini.ReadInteger(p, name + "Trans", 0) != 0};
    const int a = ini.ReadInteger(p, name + "TopHeight", 0), b = ini.ReadInteger(p, name + "BotHeight", 0);
    e.Margins = vertical ? Rect(a, 0, b, 0) : Rect(0, a, 0, b);
    return e;
  };
  const Element left = border(QStringLiteral("Left"), false), right = border(QStringLiteral("Right"), false),
                top = border(QStringLiteral("Top"), true), bottom = border(QStringLiteral("Bottom"), true);
  const int lw = left.Image.Width() / 2, rw = right.Image.Width() / 2, th = top.Image.Height() / 2,
            bh = bottom.Image.Height() / 2;
  Draw(c, left, Rect(w.Left, w.Top, w.Left + lw, w.Bottom), frame);
  Draw(c, right, Rect(w.Right - rw, w.Top, w.Right, w.Bottom), frame);
  Draw(c, bottom, Rect(w.Left + lw, w.Bottom - bh, w.Right - rw, w.Bottom), frame, true);
  Draw(c, top, Rect(w.Left, w.Top, w.Right, w.Top + th), frame, true);
  const Bitmap textBack = s.Image(ini.ReadString(p, QStringLiteral("TextBack"), {}));
  const TRect text = Rect(w.Left + 28, w.Top + 4, w.Left + 200, w.Top + th - 4);
  DrawSkinStrip(c, text, textBack, false, true, 2, frame, Rect(8, 0, 8, 0));
  c.Font.Style = fsBold;
  Label(c, text, QStringLiteral("双色球分析"), active ? clWhite : RGB(236, 242, 250));
  c.Font.Style = 0;
  for (const QString& b : ini.ReadSections()) {
    if (!b.startsWith(QStringLiteral("Button.")) || ini.ReadInteger(b, QStringLiteral("Visibility"), 0) == 1) continue;
    const Bitmap img = s.Image(ini.ReadString(b, QStringLiteral("ButtonImage"), {}));
    const int frames = ini.ReadInteger(b, QStringLiteral("frame"), 1), bw = img.Width() / frames;
    const int x = ini.ReadInteger(b, QStringLiteral("Xcoord"), 0), y = ini.ReadInteger(b, QStringLiteral("Ycoord"), 0);
    const int left = ini.ReadInteger(b, QStringLiteral("Align"), 0) == 1 ? w.Right - x : w.Left + x;
    DrawFrameStretched(c, Bounds(left, w.Top + y, bw, img.Height()), img, true, frames, active || frames < 4 ? 1 : 4);
  }
  const Bitmap menuBar = s.Image(ini.ReadString(p, QStringLiteral("menuBar"), {}));
  const TRect bar = Rect(w.Left + lw, w.Top + th, w.Right - rw, w.Top + th + 20);
  DrawSkinStrip(c, bar, menuBar, false, false, 2, frame, Rect(4, 0, 4, 0));
  const char* menus[] = {"系统", "分析", "训练", "帮助"};
  for (int i = 0; i < 4; ++i) Label(c, Bounds(bar.Left + 6 + 44 * i, bar.Top, 40, 20), QString::fromUtf8(menus[i]), RGB(16, 32, 64));
  const int x0 = w.Left + lw + 10, y0 = bar.Bottom + 10;
  const Element tabs = s.Get(QStringLiteral("Tabs")), pane = s.Get(QStringLiteral("Tab.Pane"));
  Draw(c, pane, Rect(x0, y0 + 21, w.Right - rw - 30, w.Bottom - bh - 10), 1);
  Draw(c, tabs, Bounds(x0 + 2, y0 + 2, 76, 20), 1);
  Draw(c, tabs, Bounds(x0 + 78, y0, 76, 22), 2);
  Label(c, Bounds(x0 + 2, y0 + 2, 76, 20), QStringLiteral("趋势分析"), RGB(16, 32, 64));
  Label(c, Bounds(x0 + 78, y0, 76, 22), QStringLiteral("号码缩水"), RGB(16, 32, 64));
  const int cx = x0 + 12, cy = y0 + 34;
  const Element button = s.Get(QStringLiteral("Buttons"), QStringLiteral("Bitmap"));
  Element buttons = button;
  buttons.Frames = 5;
  const char* captions[] = {"开奖", "按下", "不可用", "悬停", "默认"};
  for (int k = 0; k < 5; ++k) {
    const TRect r = Bounds(cx + 62 * k, cy, 58, 24);
    Draw(c, buttons, r, k + 1);
    Label(c, r, QString::fromUtf8(captions[k]), k == 2 ? RGB(128, 156, 196) : RGB(16, 32, 64));
  }
  const Bitmap check = s.Image(ini.ReadString(QStringLiteral("Buttons"), QStringLiteral("CheckButton"), {}));
  const Bitmap radio = s.Image(ini.ReadString(QStringLiteral("Buttons"), QStringLiteral("RadioButton"), {}));
  for (int k = 0; k < 12; ++k) DrawFrameStretched(c, Bounds(cx + 18 * k, cy + 34, 13, 13), check, true, 12, k + 1);
  for (int k = 0; k < 8; ++k) DrawFrameStretched(c, Bounds(cx + 18 * k, cy + 54, 13, 13), radio, true, 8, k + 1);
  Element edit = s.Get(QStringLiteral("SunkEdge")), combo = s.Get(QStringLiteral("ComboButton"));
  Draw(c, edit, Bounds(cx, cy + 76, 140, 21), 1);
  Draw(c, combo, Bounds(cx + 123, cy + 76, 17, 21), 1);
  DrawFrameCentred(c, Bounds(cx + 123, cy + 76, 17, 21), s.Get(QStringLiteral("ExtraImages")).Image, true, 5, 1);
  Label(c, Bounds(cx + 4, cy + 76, 110, 21), QStringLiteral("2026001 期"), RGB(16, 32, 64), DT_LEFT);
  Element progress = s.Get(QStringLiteral("Progress"), QStringLiteral("Bitmap"));
  progress.Frames = 2;
  Draw(c, progress, Bounds(cx, cy + 106, 200, 14), 1);
  Draw(c, progress, Bounds(cx, cy + 106, 120, 14), 2);
  // A vertical scroll bar at the pane's right.
  const Element sb = s.Get(QStringLiteral("Scrollbar")), track = s.Get(QStringLiteral("VertScroll")),
                thumb = s.Get(QStringLiteral("VertScrollThumb"));
  const int sx = w.Right - rw - 28, sy = y0 + 21, sh = w.Bottom - bh - 10 - sy;
  Draw(c, track, Bounds(sx, sy + 16, 16, sh - 32), 1);
  DrawFrameStretched(c, Bounds(sx, sy, 16, 16), sb.Image, true, 23, 9);
  DrawFrameStretched(c, Bounds(sx, sy + sh - 16, 16, 16), sb.Image, true, 23, 13);
  Draw(c, thumb, Bounds(sx, sy + 30, 16, 40), 1);
  DrawFrameCentred(c, Bounds(sx, sy + 30, 16, 40), sb.Image, true, 23, 20);
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: ssq_skin_sheet FILE.skn SHEET.png\n");
    return 2;
  }
  SetDefaultFontName(QStringLiteral("WenQuanYi Micro Hei"));
  Skin skin;
  if (!skin.Load(argv[1])) {
    std::fprintf(stderr, "ssq_skin_sheet: cannot read %s: %s\n", argv[1], skin.Reader().LastError().c_str());
    return 1;
  }
  // Every image, twice its size, in rows.
  struct Tile {
    QString Name;
    Bitmap Image;
  };
  std::vector<Tile> tiles;
  for (const QString& name : skin.Reader().Names())
    if (name.endsWith(QStringLiteral(".bmp"))) tiles.push_back({name, skin.Image(name)});
  for (const char* name : {"TRACK", "TRACKVERT", "SKINMENU", "CHECK"})
    tiles.push_back({QStringLiteral("(built in) ") + QString::fromLatin1(name), BuiltinImage(QString::fromLatin1(name))});
  const int width = 900, gap = 10, labelHeight = 16;
  int x = gap, y = 300 + 2 * gap, rowHeight = 0;
  std::vector<TPoint> at;
  std::vector<int> widths;
  Bitmap scratch(1, 1);
  scratch.GetCanvas().Font.Height = -11;
  for (const Tile& t : tiles) {
    const int w = std::max(2 * t.Image.Width(), scratch.GetCanvas().TextWidth(t.Name) + 4);
    const int h = 2 * t.Image.Height() + labelHeight;
    widths.push_back(w);
    if (x + w > width - gap) {
      x = gap;
      y += rowHeight + gap;
      rowHeight = 0;
    }
    at.push_back({x, y});
    x += w + gap;
    rowHeight = std::max(rowHeight, h);
  }
  Bitmap sheet(width, y + rowHeight + gap);
  sheet.Fill(qRgb(250, 250, 250));
  Canvas& c = sheet.GetCanvas();
  c.Font.Height = -11;
  SampleWindow(c, skin, Bounds(gap, gap, 440, 300), true);
  SampleWindow(c, skin, Bounds(2 * gap + 440, gap, 440, 300), false);
  for (size_t i = 0; i < tiles.size(); ++i) {
    const Tile& t = tiles[i];
    c.StretchDraw(Bounds(at[i].X, at[i].Y, 2 * t.Image.Width(), 2 * t.Image.Height()), t.Image);
    Label(c, Bounds(at[i].X, at[i].Y + 2 * t.Image.Height(), widths[i], labelHeight), t.Name,
          RGB(40, 40, 40), DT_LEFT);
  }
  c.EndPainting();
  if (!sheet.ToQImage().save(QString::fromLocal8Bit(argv[2]), "PNG")) {
    std::fprintf(stderr, "ssq_skin_sheet: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
