#include "platform/PublishedProps.h"

#include "platform/DelphiRtl.h"
#include "platform/WindowTable.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QToolButton>
#include <QWidget>

#include <functional>

namespace platform {

namespace {

const QStringList& CheckStateNames() {
  static const QStringList names{QStringLiteral("cbUnchecked"), QStringLiteral("cbChecked"),
                                 QStringLiteral("cbGrayed")};
  return names;
}
const QStringList& BooleanNames() {
  static const QStringList names{QStringLiteral("False"), QStringLiteral("True")};
  return names;
}

// One row of the table: the kind, a reader (an invalid answer: the object
// has no such property) and a writer.
struct Row {
  const char* name;
  TPropKind kind;
  std::function<QVariant(const QObject*)> get;
  std::function<void(QObject*, const QVariant&)> set;
};

template <class T, class Get, class Set>
Row Of(const char* name, TPropKind kind, Get get, Set set) {
  return {name, kind,
          [get](const QObject* o) {
            auto* t = qobject_cast<const T*>(o);
            return t ? QVariant(get(t)) : QVariant();
          },
          [set](QObject* o, const QVariant& v) {
            if (auto* t = qobject_cast<T*>(o)) set(t, v);
          }};
}

bool Checkable(const QAbstractButton* b) { return b->isCheckable(); }

const std::vector<Row>& Table() {
  using K = TPropKind;
  static const std::vector<Row> rows = [] {
    std::vector<Row> r;
    r.push_back(Of<QWidget>("Caption", K::Text, [](const QWidget* w) { return GetWindowText(w); },
                            [](QWidget* w, const QVariant& v) { PutWindowText(w, v.toString()); }));
    r.push_back({"Text", K::Text,
                 [](const QObject* o) {
                   return o->metaObject()->indexOfProperty("text") >= 0 ? QVariant(o->property("text").toString())
                                                                        : QVariant();
                 },
                 [](QObject* o, const QVariant& v) { o->setProperty("text", v.toString()); }});
    // A grayed check box is not checked.
    r.push_back(Of<QAbstractButton>(
        "Checked", K::Boolean,
        [](const QAbstractButton* b) {
          auto* check = qobject_cast<const QCheckBox*>(b);
          return int(check ? check->checkState() == Qt::Checked : b->isChecked());
        },
        [](QAbstractButton* b, const QVariant& v) { b->setChecked(v.toInt() != 0); }));
    // The members' order: unchecked, checked, grayed.
    r.push_back(Of<QCheckBox>(
        "State", K::Enumeration,
        [](const QCheckBox* b) { return b->checkState() == Qt::Checked ? 1 : b->checkState() == Qt::Unchecked ? 0 : 2; },
        [](QCheckBox* b, const QVariant& v) {
          const int state = v.toInt();
          b->setCheckState(state == 1 ? Qt::Checked : state == 2 ? Qt::PartiallyChecked : Qt::Unchecked);
        }));
    r.push_back(Of<QPushButton>("Default", K::Boolean, [](const QPushButton* b) { return int(b->isDefault()); },
                                [](QPushButton* b, const QVariant& v) { b->setDefault(v.toInt() != 0); }));
    r.push_back({"Flat", K::Boolean,
                 [](const QObject* o) -> QVariant {
                   if (auto* b = qobject_cast<const QPushButton*>(o)) return int(b->isFlat());
                   if (auto* b = qobject_cast<const QToolButton*>(o)) return int(b->autoRaise());
                   if (auto* g = qobject_cast<const QGroupBox*>(o)) return int(g->isFlat());
                   return {};
                 },
                 [](QObject* o, const QVariant& v) {
                   const bool flat = v.toInt() != 0;
                   if (auto* b = qobject_cast<QPushButton*>(o)) b->setFlat(flat);
                   if (auto* b = qobject_cast<QToolButton*>(o)) b->setAutoRaise(flat);
                   if (auto* g = qobject_cast<QGroupBox*>(o)) g->setFlat(flat);
                 }});
    r.push_back(Of<QAbstractButton>(
        "Down", K::Boolean, [](const QAbstractButton* b) { return int(Checkable(b) ? b->isChecked() : b->isDown()); },
        [](QAbstractButton* b, const QVariant& v) {
          if (Checkable(b))
            b->setChecked(v.toInt() != 0);
          else
            b->setDown(v.toInt() != 0);
        }));
    r.push_back(Of<QWidget>("Enabled", K::Boolean, [](const QWidget* w) { return int(w->isEnabled()); },
                            [](QWidget* w, const QVariant& v) { w->setEnabled(v.toInt() != 0); }));
    r.push_back(Of<QWidget>("Visible", K::Boolean, [](const QWidget* w) { return int(!w->isHidden()); },
                            [](QWidget* w, const QVariant& v) { w->setVisible(v.toInt() != 0); }));
    r.push_back(Of<QWidget>("Font", K::Object, [](const QWidget* w) { return w->font(); },
                            [](QWidget* w, const QVariant& v) {
                              if (v.canConvert<QFont>()) w->setFont(v.value<QFont>());
                            }));
    r.push_back(Of<QWidget>("Color", K::Integer, [](const QWidget* w) { return int(GetControlColor(w)); },
                            [](QWidget* w, const QVariant& v) { SetControlColor(w, TColor(v.toInt())); }));
    r.push_back(Of<QWidget>("ParentBackground", K::Boolean,
                            [](const QWidget* w) { return int(!w->autoFillBackground()); },
                            [](QWidget* w, const QVariant& v) { w->setAutoFillBackground(v.toInt() == 0); }));
    r.push_back(Of<QWidget>("Tag", K::Integer, [](const QWidget* w) { return GetTag(w); },
                            [](QWidget* w, const QVariant& v) { SetTag(w, v.toInt()); }));
    return r;
  }();
  return rows;
}

const Row* FindRow(const QString& name) {
  for (const Row& row : Table())
    if (name.compare(QLatin1String(row.name), Qt::CaseInsensitive) == 0) return &row;
  return nullptr;
}

// The dynamic property of that name, compared without regard to case.
QByteArray DynamicName(const QObject* o, const QString& name) {
  for (const QByteArray& n : o->dynamicPropertyNames())
    if (QString::fromUtf8(n).compare(name, Qt::CaseInsensitive) == 0) return n;
  return {};
}

TPropKind KindOf(const QVariant& v) {
  switch (v.metaType().id()) {
    case QMetaType::Bool: return TPropKind::Boolean;
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong: case QMetaType::ULongLong:
    case QMetaType::Short: case QMetaType::UShort: case QMetaType::Long: case QMetaType::ULong:
      return TPropKind::Integer;
    case QMetaType::QString: return TPropKind::Text;
    default: return TPropKind::Object;
  }
}

}  // namespace

std::optional<TPublishedProperty> GetPublishedProperty(const QObject* instance, const QString& name) {
  if (!instance) return std::nullopt;
  if (const Row* row = FindRow(name)) {
    QVariant v = row->get(instance);
    if (!v.isValid()) return std::nullopt;
    TPublishedProperty p{row->kind, std::move(v), nullptr};
    if (row->kind == TPropKind::Enumeration) p.Names = &CheckStateNames();
    if (row->kind == TPropKind::Boolean) p.Names = &BooleanNames();
    return p;
  }
  const QByteArray dynamic = DynamicName(instance, name);
  if (dynamic.isEmpty()) return std::nullopt;
  const QVariant v = instance->property(dynamic.constData());
  TPublishedProperty p{KindOf(v), v, nullptr};
  if (p.Kind == TPropKind::Boolean) {
    p.Value = int(v.toBool());
    p.Names = &BooleanNames();
  }
  return p;
}

int GetOrdProperty(const QObject* instance, const QString& name) {
  const auto p = GetPublishedProperty(instance, name);
  if (!p || (p->Kind != TPropKind::Integer && p->Kind != TPropKind::Boolean && p->Kind != TPropKind::Enumeration))
    return -1;
  return p->Value.toInt();
}

QString GetPropertyText(const QObject* instance, const QString& name) {
  const auto p = GetPublishedProperty(instance, name);
  if (!p) return {};
  switch (p->Kind) {
    case TPropKind::Integer: return QString::number(p->Value.toLongLong());
    case TPropKind::Boolean:
    case TPropKind::Enumeration: return p->Names->value(p->Value.toInt());
    case TPropKind::Text: return p->Value.toString();
    default: return {};
  }
}

QString GetStrProperty(const QObject* instance, const QString& name) {
  const auto p = GetPublishedProperty(instance, name);
  return p && p->Kind == TPropKind::Text ? p->Value.toString() : QString();
}

QVariant GetObjectProperty(const QObject* instance, const QString& name) {
  const auto p = GetPublishedProperty(instance, name);
  return p && p->Kind == TPropKind::Object ? p->Value : QVariant();
}

void SetPropertyText(QObject* instance, const QString& name, const QString& text) {
  const auto p = GetPublishedProperty(instance, name);
  if (!p || p->Kind == TPropKind::Object) return;
  QVariant value;
  if (p->Names) {
    const qsizetype found = p->Names->indexOf(QRegularExpression(
        QRegularExpression::anchoredPattern(QRegularExpression::escape(text)), QRegularExpression::CaseInsensitiveOption));
    if (found < 0) return;
    value = int(found);
  } else if (p->Kind == TPropKind::Integer) {
    int32_t n = 0;
    if (!TryStrToInt(text.toStdString(), n)) return;
    value = n;
  } else {
    value = text;
  }
  if (const Row* row = FindRow(name)) {
    row->set(instance, value);
    return;
  }
  const QByteArray dynamic = DynamicName(instance, name);
  if (p->Kind == TPropKind::Boolean) value = value.toInt() != 0;
  instance->setProperty(dynamic.constData(), value);
}

TColor GetControlColor(const QWidget* widget) {
  return widget ? FromQColor(widget->palette().color(widget->backgroundRole())) : clNone;
}

void SetControlColor(QWidget* widget, TColor color) {
  if (!widget) return;
  QPalette palette = widget->palette();
  palette.setColor(widget->backgroundRole(), ToQColor(color));
  widget->setPalette(palette);
}

TSavedPalette SavePalette(const QWidget* widget) {
  TSavedPalette saved;
  if (!widget) return saved;
  saved.Own = widget->testAttribute(Qt::WA_SetPalette);
  saved.Palette = widget->palette();
  return saved;
}

void RestorePalette(QWidget* widget, const TSavedPalette& saved) {
  if (!widget) return;
  widget->setPalette(saved.Own ? saved.Palette : QPalette());
}

}  // namespace platform
