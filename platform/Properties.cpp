#include "platform/Properties.h"

#include "platform/DelphiRtl.h"
#include "platform/WindowTable.h"

#include <QApplication>
#include <QCheckBox>
#include <QDockWidget>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QMainWindow>
#include <QMetaProperty>
#include <QStatusBar>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

// Where a name leads: a name of the table, a Qt property or a dynamic one.
struct Target {
  enum Kind { None, Special, Qt, Dynamic } kind = None;
  QObject* object = nullptr;
  QString special;  // lower case
  QMetaProperty property;
  QByteArray dynamic;
};

// The names with a meaning of their own, as the table keeps them (lower
// case); the font's parts come as "font.name" and so on. "transparent",
// "state", "down" and "flat" only where listed. nullptr for other names.
const QString* SpecialName(const QObject* o, const QString& name) {
  static const QStringList names{"caption", "text", "color", "font.color", "font.name", "font.size",
                                 "font.height", "font.style", "hint", "visible", "enabled", "tabstop", "tag",
                                 "parentbackground", "align", "transparent", "state", "down", "flat"};
  if (!o->isWidgetType()) return nullptr;
  for (const QString& key : names) {
    if (key.size() != name.size() || key.compare(name, Qt::CaseInsensitive) != 0) continue;
    bool listed = true;
    if (key == QLatin1String("transparent")) listed = qobject_cast<const QLabel*>(o) || qobject_cast<const QFrame*>(o);
    if (key == QLatin1String("state")) listed = qobject_cast<const QCheckBox*>(o);
    if (key == QLatin1String("down")) listed = qobject_cast<const QAbstractButton*>(o);
    if (key == QLatin1String("flat")) listed = qobject_cast<const QToolButton*>(o);
    return listed ? &key : nullptr;
  }
  return nullptr;
}

Target Resolve(const QObject* object, const QString& name) {
  Target t;
  if (!object || name.isEmpty()) return t;
  auto* o = const_cast<QObject*>(object);
  const qsizetype dot = name.indexOf(QLatin1Char('.'));
  if (dot > 0 && !name.startsWith(QLatin1String("font."), Qt::CaseInsensitive)) {
    return Resolve(GetObjectProperty(o, name.left(dot)), name.mid(dot + 1));
  }
  t.object = o;
  if (const QString* key = SpecialName(o, name)) {
    t.kind = Target::Special;
    t.special = *key;
    return t;
  }
  const QMetaObject* mo = o->metaObject();
  for (int i = 0; i < mo->propertyCount(); ++i) {
    const QMetaProperty p = mo->property(i);
    if (QString::fromLatin1(p.name()).compare(name, Qt::CaseInsensitive) == 0) {
      t.kind = Target::Qt;
      t.property = p;
      return t;
    }
  }
  const QByteArray exact = name.toUtf8();
  if (o->dynamicPropertyNames().contains(exact)) {
    t.kind = Target::Dynamic;
    t.dynamic = exact;
  }
  return t;
}

// The enumerations of the table's names, their keys in ordinal order: a
// check box's state, a control's alignment in its parent.
const QStringList& CheckStateNames() {
  static const QStringList names{QStringLiteral("cbUnchecked"), QStringLiteral("cbChecked"), QStringLiteral("cbGrayed")};
  return names;
}
int CheckStateIndex(Qt::CheckState s) { return s == Qt::Checked ? 1 : s == Qt::PartiallyChecked ? 2 : 0; }

enum { alNone, alTop, alBottom, alLeft, alRight, alClient };
const QStringList& AlignNames() {
  static const QStringList names{QStringLiteral("alNone"), QStringLiteral("alTop"),   QStringLiteral("alBottom"),
                                 QStringLiteral("alLeft"), QStringLiteral("alRight"), QStringLiteral("alClient")};
  return names;
}

const QStringList* SpecialKeys(const QString& key) {
  if (key == QLatin1String("state")) return &CheckStateNames();
  if (key == QLatin1String("align")) return &AlignNames();
  return nullptr;
}

// The ordinal a value names: a key (without regard to case) when it is
// text, else a number in range; -1 for neither.
int KeyIndex(const QStringList& keys, const QVariant& v) {
  if (v.typeId() == QMetaType::QString || v.typeId() == QMetaType::QByteArray) {
    const QString text = v.toString();
    const qsizetype exact = keys.indexOf(text);
    if (exact >= 0) return int(exact);
    for (int i = 0; i < keys.size(); ++i)
      if (keys[i].compare(text, Qt::CaseInsensitive) == 0) return i;
    return -1;
  }
  bool ok = false;
  const int n = v.toInt(&ok);
  return ok && n >= 0 && n < keys.size() ? n : -1;
}

// Tool bars and dock widgets by their area (Qt's tool-bar and dock areas
// share their values).
int AreaAlign(int area) {
  switch (area) {
    case Qt::TopToolBarArea: return alTop;
    case Qt::BottomToolBarArea: return alBottom;
    case Qt::LeftToolBarArea: return alLeft;
    case Qt::RightToolBarArea: return alRight;
    default: return alNone;
  }
}

// "Align": the dynamic property the program set (a text that is no key
// reads alNone), else the place a main window gives its parts.
int AlignOf(const QWidget* w) {
  const QVariant set = w->property("Align");
  if (set.isValid()) return std::max(KeyIndex(AlignNames(), set), int(alNone));
  auto* main = w->isWindow() ? nullptr : qobject_cast<const QMainWindow*>(w->parentWidget());
  if (!main) return alNone;
  if (main->centralWidget() == w) return alClient;
  if (qobject_cast<const QStatusBar*>(w)) return alBottom;
  if (auto* bar = qobject_cast<const QToolBar*>(w)) return AreaAlign(main->toolBarArea(bar));
  if (auto* dock = qobject_cast<const QDockWidget*>(w))
    return AreaAlign(main->dockWidgetArea(const_cast<QDockWidget*>(dock)));
  return alNone;
}

// The ordinal of an enumeration of the table.
int SpecialOrdinal(const QWidget* w, const QString& key) {
  if (key == QLatin1String("align")) return AlignOf(w);
  return CheckStateIndex(static_cast<const QCheckBox*>(w)->checkState());
}

QVariant ReadSpecial(const QWidget* w, const QString& key) {
  if (key == "caption" || key == "text") return GetWindowText(w);
  if (key == "color") return GetControlColor(w);
  if (key == "font.color") return GetFontColor(w);
  if (key.startsWith(QLatin1String("font."))) {
    const TFont f = GetControlFont(w);
    if (key == "font.name") return f.Name;
    if (key == "font.size") return f.Size();
    if (key == "font.height") return f.Height;
    return f.Style;
  }
  if (key == "hint") return w->toolTip();
  if (key == "visible") return !w->isHidden();
  if (key == "enabled") return !w->testAttribute(Qt::WA_ForceDisabled);
  if (key == "tabstop") return bool(w->focusPolicy() & Qt::TabFocus);
  if (key == "tag") return GetTag(w);
  if (const QStringList* keys = SpecialKeys(key)) return (*keys)[SpecialOrdinal(w, key)];
  if (key == "transparent" || key == "parentbackground") return !w->autoFillBackground();
  if (key == "down") {
    auto* b = static_cast<const QAbstractButton*>(w);
    return b->isCheckable() ? b->isChecked() : b->isDown();
  }
  return static_cast<const QToolButton*>(w)->autoRaise();  // "flat"
}

void WriteSpecial(QWidget* w, const QString& key, const QVariant& v) {
  if (key == "caption" || key == "text") {
    PutWindowText(w, v.toString());
  } else if (key == "color") {
    SetControlColor(w, v.toInt());
  } else if (key == "font.color") {
    SetFontColor(w, v.toInt());
  } else if (key.startsWith(QLatin1String("font."))) {
    TFont f = GetControlFont(w);
    if (key == "font.name") f.Name = v.toString();
    else if (key == "font.size") f.SetSize(v.toInt());
    else if (key == "font.height") f.Height = v.toInt();
    else f.Style = v.toUInt();
    SetControlFont(w, f);
  } else if (key == "hint") {
    w->setToolTip(v.toString());
  } else if (key == "visible") {
    w->setVisible(v.toBool());
  } else if (key == "enabled") {
    w->setEnabled(v.toBool());
  } else if (key == "tabstop") {
    const int policy = v.toBool() ? w->focusPolicy() | Qt::TabFocus : w->focusPolicy() & ~Qt::TabFocus;
    w->setFocusPolicy(Qt::FocusPolicy(policy));
  } else if (key == "tag") {
    SetTag(w, v.toInt());
  } else if (key == "align") {
    w->setProperty("Align", v);
  } else if (key == "transparent" || key == "parentbackground") {
    w->setAutoFillBackground(!v.toBool());
  } else if (key == "state") {
    const Qt::CheckState states[] = {Qt::Unchecked, Qt::Checked, Qt::PartiallyChecked};
    for (int i = 0; i < 3; ++i)
      if (CheckStateNames()[i].compare(v.toString(), Qt::CaseInsensitive) == 0)
        static_cast<QCheckBox*>(w)->setCheckState(states[i]);
  } else if (key == "down") {
    auto* b = static_cast<QAbstractButton*>(w);
    if (b->isCheckable())
      b->setChecked(v.toBool());
    else
      b->setDown(v.toBool());
  } else {
    static_cast<QToolButton*>(w)->setAutoRaise(v.toBool());
  }
}

QVariant Read(const Target& t) {
  switch (t.kind) {
    case Target::Special: return ReadSpecial(static_cast<QWidget*>(t.object), t.special);
    case Target::Qt: return t.property.read(t.object);
    case Target::Dynamic: return t.object->property(t.dynamic);
    default: return {};
  }
}

bool Write(const Target& t, const QVariant& value) {
  switch (t.kind) {
    case Target::Special:
      if (const QStringList* keys = SpecialKeys(t.special)) {
        const int index = KeyIndex(*keys, value);
        if (index < 0) return false;
        WriteSpecial(static_cast<QWidget*>(t.object), t.special, (*keys)[index]);
        return true;
      }
      WriteSpecial(static_cast<QWidget*>(t.object), t.special, value);
      return true;
    case Target::Qt: return t.property.write(t.object, value);
    case Target::Dynamic: t.object->setProperty(t.dynamic, value); return true;
    default: return false;
  }
}

QByteArray KeptColorName(QPalette::ColorRole role) { return "_win_color" + QByteArray::number(int(role)); }

}  // namespace

std::optional<QVariant> GetPublishedProperty(const QObject* object, const QString& name) {
  const Target t = Resolve(object, name);
  if (t.kind == Target::None) return std::nullopt;
  return Read(t);
}

bool SetPublishedProperty(QObject* object, const QString& name, const QVariant& value) {
  return Write(Resolve(object, name), value);
}

bool HasProperty(const QObject* object, const QString& name) { return Resolve(object, name).kind != Target::None; }

int GetOrdProperty(const QObject* object, const QString& name) {
  const Target t = Resolve(object, name);
  if (t.kind == Target::None) return -1;
  if (t.kind == Target::Special && SpecialKeys(t.special))
    return SpecialOrdinal(static_cast<QWidget*>(t.object), t.special);
  const QVariant v = Read(t);
  if (v.typeId() == QMetaType::Bool) return v.toBool() ? 1 : 0;
  if (t.kind == Target::Qt && t.property.isEnumType()) return v.toInt();

  bool ok = false;
  const int n = v.toInt(&ok);
  return ok ? n : -1;
}

bool SetOrdProperty(QObject* object, const QString& name, int value) {
  const Target t = Resolve(object, name);
  if (t.kind == Target::Qt && t.property.typeId() == QMetaType::Bool) return Write(t, value != 0);
  return Write(t, value);
}

QString GetPropertyText(const QObject* object, const QString& name) {
  const Target t = Resolve(object, name);
  if (t.kind == Target::None) return {};
  const QVariant v = Read(t);
  if (t.kind == Target::Qt && t.property.isEnumType()) {
    const QMetaEnum e = t.property.enumerator();
    return e.isFlag() ? QString::fromLatin1(e.valueToKeys(v.toInt())) : QString::fromLatin1(e.valueToKey(v.toInt()));
  }
  if (v.typeId() == QMetaType::Bool) return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
  return v.toString();
}

bool SetPropertyText(QObject* object, const QString& name, const QString& text) {
  const Target t = Resolve(object, name);
  if (t.kind == Target::None) return false;
  if (t.kind == Target::Special && SpecialKeys(t.special)) return Write(t, text);
  if (t.kind == Target::Qt && t.property.isEnumType()) {
    bool ok = false;
    const QMetaEnum e = t.property.enumerator();
    const QByteArray key = text.toLatin1();
    const int value = e.isFlag() ? e.keysToValue(key.constData(), &ok) : e.keyToValue(key.constData(), &ok);
    return ok && Write(t, value);
  }
  const QVariant current = Read(t);
  if (current.typeId() == QMetaType::Bool) return Write(t, text.compare("True", Qt::CaseInsensitive) == 0);
  const int type = current.typeId();
  if (type == QMetaType::Int || type == QMetaType::UInt || type == QMetaType::LongLong) {
    int32_t n = 0;
    return TryStrToInt(text.toStdString(), n) && Write(t, n);
  }
  return Write(t, text);
}

QObject* GetObjectProperty(const QObject* object, const QString& name) {
  if (!object) return nullptr;
  if (name.compare("Header", Qt::CaseInsensitive) == 0) {
    if (auto* tree = qobject_cast<const QTreeView*>(object)) return tree->header();
    if (auto* table = qobject_cast<const QTableView*>(object)) return table->horizontalHeader();
  }
  const Target t = Resolve(object, name);
  if (t.kind != Target::Qt && t.kind != Target::Dynamic) return nullptr;
  const QVariant v = Read(t);
  return v.canConvert<QObject*>() ? v.value<QObject*>() : nullptr;
}

bool GetSetElements(const QObject* object, const QString& name, QStringList& elements) {
  const Target t = Resolve(object, name);
  if (t.kind != Target::Qt || !t.property.isFlagType()) return false;
  const QMetaEnum e = t.property.enumerator();
  const int value = Read(t).toInt();
  elements.clear();
  for (int i = 0; i < e.keyCount(); ++i) {
    const int bit = e.value(i);
    if (bit != 0 && (bit & (bit - 1)) == 0 && (value & bit) == bit)
      elements.append(QString::fromLatin1(e.key(i)));
  }
  return true;
}

bool SetSetElements(QObject* object, const QString& name, const QStringList& elements) {
  const Target t = Resolve(object, name);
  if (t.kind != Target::Qt || !t.property.isFlagType()) return false;
  const QMetaEnum e = t.property.enumerator();
  int value = 0;
  for (const QString& element : elements) {
    bool ok = false;
    const int bit = e.keyToValue(element.toLatin1().constData(), &ok);
    if (!ok) return false;
    value |= bit;
  }
  return Write(t, value);
}

TColor GetPaletteColor(const QWidget* widget, QPalette::ColorRole role) {
  if (!widget) return clNone;
  const QColor c = widget->palette().color(role);
  const QVariant kept = widget->property(KeptColorName(role));
  if (kept.isValid() && ToQRgb(kept.toInt()) == (c.rgb() | 0xFF000000u)) return kept.toInt();
  return FromQColor(c);
}

void SetPaletteColor(QWidget* widget, QPalette::ColorRole role, TColor color) {
  if (!widget) return;
  QPalette palette = widget->palette();
  palette.setColor(role, ToQColor(color));
  widget->setPalette(palette);
  widget->setProperty(KeptColorName(role), color);
  if (!widget->isWindow() && role == widget->backgroundRole()) widget->setAutoFillBackground(true);
}

void ResetPaletteColor(QWidget* widget, QPalette::ColorRole role) {
  if (!widget) return;
  const QWidget* parent = widget->isWindow() ? nullptr : widget->parentWidget();
  QPalette palette = widget->palette();
  palette.setColor(role, parent ? parent->palette().color(role) : QApplication::palette(widget).color(role));
  widget->setPalette(palette);
  widget->setProperty(KeptColorName(role), QVariant());
}

TColor GetControlColor(const QWidget* widget) {
  return widget ? GetPaletteColor(widget, widget->backgroundRole()) : clNone;
}

void SetControlColor(QWidget* widget, TColor color) {
  if (widget) SetPaletteColor(widget, widget->backgroundRole(), color);
}

TColor GetFontColor(const QWidget* widget) {
  return widget ? GetPaletteColor(widget, widget->foregroundRole()) : clNone;
}

void SetFontColor(QWidget* widget, TColor color) {
  if (widget) SetPaletteColor(widget, widget->foregroundRole(), color);
}

TFont GetControlFont(const QWidget* widget) {
  TFont f;
  if (!widget) return f;
  const QFont q = widget->font();
  f.Name = q.family();
  if (q.pixelSize() > 0)
    f.Height = -q.pixelSize();
  else
    f.SetSize(int(DelphiRound(q.pointSizeF())));
  f.Style = (q.bold() ? fsBold : 0u) | (q.italic() ? fsItalic : 0u) | (q.underline() ? fsUnderline : 0u) |
            (q.strikeOut() ? fsStrikeOut : 0u);
  f.Color = GetFontColor(widget);
  return f;
}

void SetControlFont(QWidget* widget, const TFont& font) {
  if (!widget) return;
  widget->setFont(ToQFont(font));
  if (GetFontColor(widget) != font.Color) SetFontColor(widget, font.Color);
}

}  // namespace platform
