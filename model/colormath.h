// Colour arithmetic on resolved colours: HSL round trips and the tint of SpreadsheetML colours.
#pragma once
#include "model/styles.h"

namespace xlx {

// Hue, saturation and lightness, each 0..1, of a colour's red, green and blue bytes.
void RgbToHsl(CellColor color, double* hue, double* saturation, double* lightness);
// The colour of (hue, saturation, lightness, alpha), alpha x 255 in the marker byte.
CellColor HslToColor(double hue, double saturation, double lightness, double alpha);
// Lightens (tint > 0) or darkens (tint < 0) a colour through its lightness; marker 0xFF.
CellColor ApplyTint(CellColor color, double tint);


}  // namespace xlx
