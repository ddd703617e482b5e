// Published properties read and written by name, as the old framework's
// run-time type information allowed, over Qt's meta-object.
//
// A name (compared without regard to case) is looked up in this order:
//   - the table of names with a meaning of their own: "Caption" and "Text"
//     (the window text), "Color" and "Font.Color" (the palette, below),
//     "Font" (a TFont), "Font.Name", "Font.Size", "Font.Height",
//     "Font.Style" (TFontStyle bits), "Hint" (tool tip), "Visible",
//     "Enabled", "TabStop", "Tag", "Transparent" (a label that does not
//     fill its background), "ParentBackground" (any widget that does not
//     fill its background), "Flat" (also a tool button's auto-raise),
//     "State" (a check box's "cbUnchecked", "cbChecked", "cbGrayed"),
//     "Down" (a checkable button's checked state, a latched tool button;
//     else the button's pressed state), "Align" (any widget: "alNone",
//     "alTop", "alBottom", "alLeft", "alRight", "alClient"; the dynamic
//     property "Align" where the program set one, a text that is no key
//     reading "alNone"; else a QMainWindow's tool bars and dock widgets by
//     their area, its status bar "alBottom", its central widget "alClient",
//     everything else "alNone"; writing sets the dynamic property only);
//     "State" and "Align" read and write by key or by ordinal, and a key
//     or ordinal they do not have is refused;
//   - a Qt property of that name, first letter in either case ("Checked"
//     is Qt's "checked", "ReadOnly" its "readOnly");
//   - a dynamic property of exactly that name, which the program may set
//     for names Qt has no property for ("AutoScroll", "Kind" …).
// A dotted name goes through an object property first ("Header.Font.Color"
// of an item view is the font colour of its header); "Header" is a view's
// header, any other object property a QObject* property of that name. A
// name that is found nowhere reads as absent: GetOrdProperty -1,
// GetPropertyText "", GetObjectProperty nullptr; writing it does nothing.
// Enumerations read and write by their Qt key.
//
// Colours: "Color" is the colour of the widget's background role,
// "Font.Color" that of its foreground role, as TColor values. Writing one
// sets that palette role (a child control that does not fill its
// background then fills it); reading gives the TColor written as long as
// the palette still holds that colour, so system colours (clBtnFace …)
// come back as themselves.
#pragma once

#include "platform/Canvas.h"
#include "platform/Colors.h"

#include <QPalette>
#include <QString>
#include <QVariant>

#include <optional>

class QObject;
class QWidget;

namespace platform {

std::optional<QVariant> GetPublishedProperty(const QObject* object, const QString& name);
bool SetPublishedProperty(QObject* object, const QString& name, const QVariant& value);
bool HasProperty(const QObject* object, const QString& name);

// Ordinal values (integers, booleans, enumerations, colours); -1 when absent.
int GetOrdProperty(const QObject* object, const QString& name);
bool SetOrdProperty(QObject* object, const QString& name, int value);
// The value as text (enumerations by key, booleans "True"/"False").
QString GetPropertyText(const QObject* object, const QString& name);
// Enumerations by key, integers from decimal text (StrToInt's rules),
// booleans from "True"/"False", texts as they stand.
bool SetPropertyText(QObject* object, const QString& name, const QString& text);
QObject* GetObjectProperty(const QObject* object, const QString& name);

// Sets: a Qt flags property read and written as the names of its
// single-bit elements (whole names, in the enumeration's order). False
// when `name` is not a set, or, on writing, an element is unknown.
bool GetSetElements(const QObject* object, const QString& name, QStringList& elements);
bool SetSetElements(QObject* object, const QString& name, const QStringList& elements);

// The palette helpers behind "Color" and "Font.Color", for any role.
TColor GetPaletteColor(const QWidget* widget, QPalette::ColorRole role);
void SetPaletteColor(QWidget* widget, QPalette::ColorRole role, TColor color);
// Back to the colour the widget would have without one of its own.
void ResetPaletteColor(QWidget* widget, QPalette::ColorRole role);
TColor GetControlColor(const QWidget* widget);
void SetControlColor(QWidget* widget, TColor color);
TColor GetFontColor(const QWidget* widget);
void SetFontColor(QWidget* widget, TColor color);

// The widget's font as a TFont (its colour the font colour), and back.
TFont GetControlFont(const QWidget* widget);
void SetControlFont(QWidget* widget, const TFont& font);

}  // namespace platform
