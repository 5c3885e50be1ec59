// Right-to-left sheets: a page of such a sheet is the mirror image of the page the same sheet
// draws left to right. Layout and every drawing pass work out their rectangles as for a
// left-to-right sheet, and each horizontal position is reflected about the middle of the page's
// drawing area just before it is drawn. Only positions are reflected: glyphs, pictures and the
// insides of drawing objects keep their own orientation.
#pragma once
#include <cstdint>

#include "view/drawlayer/drawlayer.h"

namespace xlx {

struct PageMirror {
  bool on = false;
  // World px: a point at x is drawn at axis - x. A one-pixel line at x covers pixel x, so the
  // axis is the area's left edge plus its right edge less one pixel; the area's first pixel
  // column and its last one then trade places, and so do the rectangles between them.
  double axis = 0;

  double X(double x) const { return on ? axis - x : x; }
  // The left edge of a span [left, left + width) once reflected.
  double Left(double left, double width) const { return on ? axis - left - width : left; }
  // Where an upright line `widthPx` wide drawn at x lands: a line of even width straddles its
  // coordinate with one pixel more on the left, so its reflection moves one pixel right.
  double LineX(double x, int32_t widthPx) const { return on ? axis - x + (widthPx % 2 == 0 ? 1 : 0) : x; }
  DrawRect Rect(DrawRect r) const {
    r.left = Left(r.left, r.width);
    return r;
  }
  // Text placed at the left of its box goes to the right of the reflected box, and the reverse.
  uint32_t Align(uint32_t flags) const {
    if (!on) return flags;
    const uint32_t h = flags & 3u;
    const uint32_t swapped = h == kTextLeft ? uint32_t(kTextRight) : h == kTextRight ? uint32_t(kTextLeft) : h;
    return (flags & ~3u) | swapped;
  }
};

// The mirror of a page whose drawing area spans world x [left, left + width): none unless the
// sheet reads right to left.
inline PageMirror MirrorFor(bool rightToLeft, double left, double width) {
  PageMirror m;
  m.on = rightToLeft && width > 0;
  m.axis = m.on ? 2 * left + width - 1 : 0;
  return m;
}

}  // namespace xlx
