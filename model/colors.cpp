#include <cmath>
#include <cstring>

#include "model/colormath.h"
#include "model/colortables.h"

namespace xlx {

namespace {

int CompareFolded(const char* a, const char* b) {
  for (;; ++a, ++b) {
    unsigned char x = static_cast<unsigned char>(*a), y = static_cast<unsigned char>(*b);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
    if (x != y || x == 0) return int(x) - int(y);
  }
}

// A 0..1 channel as a byte, truncated. The tiny bias keeps values that are whole in exact
// arithmetic (237.99999... for 238) from losing one to rounding error, so that a colour survives
// the trip through HSL unchanged; out-of-range values saturate.
uint8_t ChannelByte(double value) {
  double scaled = value * 255.0 + 1e-7;
  if (!(scaled > 0)) return 0;  // also NaN
  if (scaled >= 255.0) return 255;
  return uint8_t(scaled);
}

}  // namespace

CellColor LookupPresetColor(const char* name) {
  if (!name) return 0;
  // The table is sorted by exact bytes; folded order differs only around capitals, so a linear
  // scan keeps the case-blind rule simple for a table this small.
  for (int32_t i = 0; i < kPresetColorCount; ++i)
    if (CompareFolded(kPresetColors[i].name, name) == 0) return kPresetColors[i].color;
  return 0;
}

void RgbToHsl(CellColor color, double* hue, double* saturation, double* lightness) {
  double r = ColorRed(color) / 255.0, g = ColorGreen(color) / 255.0, b = ColorBlue(color) / 255.0;
  double max = std::fmax(r, std::fmax(g, b)), min = std::fmin(r, std::fmin(g, b));
  double l = (max + min) / 2, h = 0, s = 0;
  if (l > 0) {
    double d = max - min;
    if (d != 0) {
      s = l <= 0.5 ? d / (max + min) : d / (2 - max - min);
      double rc = (max - r) / d, gc = (max - g) / d, bc = (max - b) / d;
      if (r == max) h = g == min ? 5 + bc : 1 - gc;
      else if (g == max) h = b == min ? 1 + rc : 3 - bc;
      else h = r == min ? 3 + gc : 5 - rc;
      h /= 6;
    }
  }
  *hue = h;
  *saturation = s;
  *lightness = l;
}

CellColor HslToColor(double hue, double saturation, double lightness, double alpha) {
  double h = hue - std::floor(hue), s = saturation, l = lightness;
  if (!std::isfinite(h)) h = 0;
  double m2 = l <= 0.5 ? l * (1 + s) : l + s - l * s;
  double r, g, b;
  if (!(m2 > 0)) {
    r = g = b = l;
  } else {
    double m1 = 2 * l - m2;
    int k = int(6 * h);
    double f = 6 * h - k;
    double v = (m2 - m1) * f, up = m1 + v, down = m2 - v;
    switch (k % 6) {
      case 0: r = m2, g = up, b = m1; break;
      case 1: r = down, g = m2, b = m1; break;
      case 2: r = m1, g = m2, b = up; break;
      case 3: r = m1, g = down, b = m2; break;
      case 4: r = up, g = m1, b = m2; break;
      default: r = m2, g = m1, b = down; break;
    }
  }
  return MakeCellColor(ChannelByte(r), ChannelByte(g), ChannelByte(b), ChannelByte(alpha > 1 ? 1 : alpha));
}

CellColor ApplyTint(CellColor color, double tint) {
  double h, s, l;
  RgbToHsl(color, &h, &s, &l);
  double level = 255 * l;
  if (tint < 0) level = level * (1 + tint);
  if (tint > 0) level = level * (1 - tint) + (255 - 255 * (1 - tint));
  return HslToColor(h, s, level / 255, 1.0);
}

}  // namespace xlx
