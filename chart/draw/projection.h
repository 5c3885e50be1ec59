// Projection of the box a 3-D chart is plotted in onto the page. World units: x runs along the
// box's width, y up its height, z from its front (0) to its back. The view turns the box by
// rotY degrees about its vertical axis and tilts it by rotX degrees towards the viewer; an oblique
// view keeps the width and height axes at right angles on the page and draws depth as a slanted
// offset, a rotated view projects through the turned box, with perspective when it has a field
// of view. The projection is fitted into a page rectangle.
#pragma once
#include <cstdint>

#include "view/drawlayer/drawlayer.h"

namespace xlx {

struct Point3 {
  double x = 0, y = 0, z = 0;
};

struct View3DSpec {
  double rotX = 15, rotY = 20;  // degrees
  bool oblique = true;          // right-angle axes
  double fieldOfView = 15;      // degrees; 0 or an oblique view: parallel projection
  bool stretch = false;         // a rotated view fills the rectangle both ways, as an oblique one
};

struct Projection3D {
  bool oblique = true;
  double cosX = 1, sinX = 0, cosY = 1, sinY = 0;
  double eye = 0;                 // distance of the eye from the box centre; 0: parallel
  Point3 centre;
  double scaleX = 1, scaleY = 1;  // page px per projected unit
  double offX = 0, offY = 0;      // page position of the projected origin
};

// A projection of the box [0, w] x [0, h] x [0, d] (sizes clamped to 1e-6 .. 1e6) whose
// picture fills `rect` and is centred in it: an oblique view scales width and height
// independently, a rotated view keeps its proportions unless it is to stretch.
Projection3D MakeProjection(const View3DSpec& view, double w, double h, double d, const DrawRect& rect);
// The page position of a world point.
DrawPoint Project(const Projection3D& p, const Point3& q);
// Distance of a world point from the viewer along the view direction (larger is farther):
// painting in decreasing depth paints back to front.
double ViewDepth(const Projection3D& p, const Point3& q);
// Twice the signed area of a page polygon; positive when its points run clockwise on the page
// (y down), which is how the faces of a solid that face the viewer are listed.
double SignedArea(const DrawPoint* points, int32_t count);

}  // namespace xlx
