// Outlines of shapes drawn as parallel strokes (compound lines): the bands a compound kind cuts a
// line into, the figures of a geometry as polylines, and a polyline moved sideways by a distance.
// Lengths are pixels of the shape's own box.
#pragma once
#include <cstdint>
#include <vector>

#include "view/drawlayer/drawlayer.h"
#include "shapes/geometry.h"

namespace xlx {

// One stroke of a compound line: its centre's distance to the left of the path's direction and
// its width, both shares of the whole line's width.
struct CompoundBand {
  double offset, width;
};

// The strokes of compound kind `compound` (ShapeLine::compound: 0 single, 1 double, 2 thick-thin,
// 3 thin-thick, 4 triple), first the leftmost: double 1:1:1 (line, gap, line), thick-thin 3:1:1
// with the thick line on the left (outside of a clockwise figure), thin-thick its mirror, triple
// 1:1:2:1:1. Returns how many were written into `bands` (room for 3); 0 for a single line or an
// unknown kind.
int32_t CompoundBands(int32_t compound, CompoundBand bands[3]);

// A run of points; `closed` when its last point joins its first.
struct Polyline {
  std::vector<DrawPoint> points;
  bool closed = false;
};

// The figures of one path as polylines, Bezier segments cut into straight pieces of about 2 px
// (at most 64 each). Stops adding points past `maxPoints` in all. Points that repeat the one
// before are dropped.
void FlattenFigure(const ShapeFigure& figure, size_t maxPoints, std::vector<Polyline>* out);

// `line` moved `distance` px to the left of its direction (negative: to the right). Corners are
// mitred up to `miterLimit` times the distance and cut off beyond it.
Polyline OffsetPolyline(const Polyline& line, double distance, double miterLimit);

}  // namespace xlx
