// Published properties read and written by name, as the old framework's
// run-time type information allowed: code that paints "anything with a
// Caption" or "anything with a Glyph" asks the object for the property by
// name and gets an answer of the property's kind, or an empty one when the
// object has no such property. Names are compared without regard to case.
//
// Where Qt has the property the table below reads it through the widget's
// own API:
//   Caption           the window text (a button's or label's text, a group
//                     box's title, a form's title)
//   Text              Qt's "text" property, where the object has one
//   Checked           a button's checked state
//   State             a check box's check state: "cbUnchecked", "cbChecked",
//                     "cbGrayed"
//   Default, Flat     a push button's (Flat: a tool button's auto-raise, a
//                     group box's flat look)
//   Down              a checkable button's checked state, else its pressed
//                     state (a latched tool button is "down")
//   Enabled, Visible  the widget's own flags
//   Font              the widget's font (an object)
//   Color             the colour of the palette role the widget fills its
//                     background with (TColor)
//   ParentBackground  the widget does not fill its own background
//   Tag               the control's Tag
// Any other name is one of the object's dynamic properties ("Glyph",
// "NumGlyphs", "Layout", "Margin", "Spacing" ...): a bool is a Boolean, an
// integer an Integer, a string a Text, anything else an object.
#pragma once

#include "platform/Colors.h"

#include <QPalette>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

class QObject;
class QWidget;

namespace platform {

enum class TPropKind { Integer, Boolean, Enumeration, Text, Object };

struct TPublishedProperty {
  TPropKind Kind = TPropKind::Integer;
  QVariant Value;  // an int for Integer, Boolean and Enumeration kinds
  const QStringList* Names = nullptr;  // the members of an Enumeration
};

// The property, or nothing for a null object or a missing property.
std::optional<TPublishedProperty> GetPublishedProperty(const QObject* instance, const QString& name);

// An Integer, Boolean or Enumeration value; -1 when missing or of another
// kind.
int GetOrdProperty(const QObject* instance, const QString& name);
// The value as text: a number, "True"/"False", the member's name, the text;
// empty for objects and missing properties.
QString GetPropertyText(const QObject* instance, const QString& name);
// A Text property's text (empty otherwise).
QString GetStrProperty(const QObject* instance, const QString& name);
// An object property (a QFont, QImage, QPixmap, QIcon ...); invalid otherwise.
QVariant GetObjectProperty(const QObject* instance, const QString& name);
// Enumerations and Booleans by member name, integers through StrToInt (text
// that is no integer changes nothing), texts as they stand; nothing for
// other kinds and missing properties.
void SetPropertyText(QObject* instance, const QString& name, const QString& text);

// The palette role a widget fills its background with, and setting it to
// one colour in every colour group.
TColor GetControlColor(const QWidget* widget);
void SetControlColor(QWidget* widget, TColor color);

// A widget's own palette, kept so that it can be given back exactly: the
// roles it set itself, or none (it then follows its parent's again).
struct TSavedPalette {
  bool Own = false;
  QPalette Palette;
};
TSavedPalette SavePalette(const QWidget* widget);
void RestorePalette(QWidget* widget, const TSavedPalette& saved);

}  // namespace platform
