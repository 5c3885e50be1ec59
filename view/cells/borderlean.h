// Borders of cells with turned text: the application leans the upright sides of such a cell with
// its text, so that a row of turned headings reads as a band of parallelograms.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>

namespace xlx {

// How far the top and the bottom edge of a cell's borders move right, px.
struct BorderLean {
  double top = 0, bottom = 0;
};

// For text turned upwards by 1 to 89 degrees (`textRotation` 1-89) the top edge moves right by
// height / tan(angle), and for text turned downwards (91-179, 1 to 89 degrees below the
// horizontal) the bottom edge does; upright, vertical and stacked text (0, 90, 180, 255) and
// other values lean nothing. The lean is at most `maxLean` px, so that a nearly flat angle
// cannot send a border across the whole sheet.
inline BorderLean LeanOfBorders(int32_t textRotation, double height, double maxLean) {
  BorderLean lean;
  const bool up = textRotation >= 1 && textRotation <= 89, down = textRotation >= 91 && textRotation <= 179;
  if ((!up && !down) || !(height > 0)) return lean;
  const double degrees = up ? textRotation : textRotation - 90;
  const double across = std::min(std::max(0.0, maxLean), height / std::tan(degrees * 3.14159265358979323846 / 180));
  (up ? lean.top : lean.bottom) = across;
  return lean;
}

}  // namespace xlx
