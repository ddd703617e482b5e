// Multi-stop gradients of skin sections. A section keeps its gradient as
// text (`GradientData`, `HotGradientData`); the manager parses it once at
// skin load into a `TsGradArray`, and the painters lay it into a rectangle
// of a 24- or 32-bit bitmap with PaintGrad. GUI thread; the unit's only
// state is the triangle fill below.
//
// The text: fields separated by ';' (empty fields do not count: the fields
// are the words between the separators), five to a stop: Color1, Color2,
// Percent, Mode, and a fifth field that is skipped. Colours are decimal
// TColor values (red in the lowest byte). "16777215;0;100;0;0" is one
// vertical band from white to black over the whole height.
//
// The first stop's Mode chooses the kind: 0 bands of rows from top to
// bottom, 1 bands of columns from left to right, 2 four triangles meeting
// at the centre, anything else paints nothing.
#pragma once

#include "platform/Bitmap.h"
#include "platform/GradientFill.h"
#include "platform/WinTypes.h"
#include "skinlib/manager/SkinRecords.h"

#include <QString>

#include <span>

// Parses a gradient text into `stops`: (number of fields) div 5 stops, a
// trailing group of fewer than five fields ignored. Colours below 0 are
// stored as 0, Percent is clamped to 0..100, Mode is kept as it stands.
// A field read that is not an integer (StrToInt's rules) throws
// platform::EConvertError and leaves `stops` empty; the fifth field of a
// stop and a trailing group are never read. An empty text gives no stops.
void ParseGradient(const QString& text, TsGradArray& stops);

// Paints `stops` into `r` of `bitmap`. R is first clipped to the bitmap;
// nothing is ever read or written outside the clipped R, and an R left
// empty (or turned round) paints nothing.
//
// Modes 0 and 1 paint pf24bit and pf32bit bitmaps (alpha 255) and leave
// other formats alone. Mode 0: each stop in turn takes Percent of R's
// height (integer, rounded down) from where the previous one ended, the
// last stop reaching R's bottom row; a band of rows Y0..Y (both painted,
// so a band's last row is painted again as the next band's first) runs
// from Color1 to Color2, each channel a real value growing by
// (Color2 - Color1) / (Y - Y0) per row and rounded halves to even. A band
// of one row or less is skipped, so a rectangle one row high stays as it
// was. Mode 1 is the same across: a stop takes round(Percent × width /
// 100) columns (halves to even), every row of R alike. `offsetY` moves
// where mode 0's first band starts and lengthens the whole by as much;
// `reserved` is not read. Every caller passes 0 for both.
//
// Mode 2 paints the four triangles (left, top), centre, (right, top);
// centre, (right, top), (right, bottom); (left, top), centre, (left,
// bottom); (left, bottom), centre, (right, bottom) through GradientFill
// (below), the five points taking the Color1 of stops 0 to 4 (a stop that
// does not exist repeats the point before), on any pixel format. Without
// GradientFill it paints nothing.
void PaintGrad(platform::Bitmap& bitmap, const platform::TRect& r, const TsGradArray& stops,
               int offsetY = 0, int reserved = 0);

// The triangle fill of mode 2: set to platform::GradientFill by the start
// of the unit "SkinGradients", none before it and after its last finish.
using TGradientFillProc = bool (*)(platform::Bitmap&, std::span<const platform::TRIVERTEX>,
                                   std::span<const platform::GRADIENT_TRIANGLE>);
extern TGradientFillProc GradientFill;
