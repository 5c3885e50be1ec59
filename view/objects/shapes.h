// Shapes and connectors of the drawing part: the geometry evaluated in the object's rectangle,
// turned and flipped about its centre (and about the centres of the groups holding it), filled,
// outlined with dashes and line ends, with its outer shadow and its text, all through the
// drawing layer.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/drawingobjects.h"
#include "view/drawlayer/drawlayer.h"
#include "view/drawlayer/picturecache.h"
#include "view/page/render.h"

namespace xlx {

// What drawing a shape needs of its page.
struct ShapePage {
  const PageRenderRequest& request;
  DrawingSurface* surface;
  PictureCache& pictures;
  double xPxPerEmu, yPxPerEmu;   // world px per EMU, resolution and print scale included
  double deviceScale;            // device px per world px, for the size pictures are decoded at
  DrawRect visible;              // the page's part of the sheet in world px; shapes far from it are skipped
};

// Draws object `index` of `objects` (a shape or connector with a ShapeSpec in `shapes`) in
// `rects[index]`, the unturned rectangle; `rects` holds the rectangles of its groups too. Objects
// of other kinds, without a spec or with nothing to draw, are passed over. 1, or a drawing-layer
// error (the transform is restored first).
[[nodiscard]] int32_t DrawShapeObject(const ShapePage& page, const std::vector<DrawingObject>& objects,
                                      const std::vector<ShapeSpec>& shapes, const std::vector<DrawRect>& rects,
                                      size_t index);

// Draws the text body of `spec` in `box` (the shape's text rectangle, px, in the current
// transform). 1 or a drawing-layer error.
[[nodiscard]] int32_t DrawShapeText(const ShapePage& page, const ShapeSpec& spec, const DrawRect& box);

}  // namespace xlx
