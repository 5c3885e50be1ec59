// The VML path language and the formulas of legacy shape types: a path text with its formula
// values and adjust values becomes figures of device points in a target rectangle, drawn through
// the drawing layer. Also the table of the preset shape types (path, formulas, default adjusts,
// text rectangle in the 21600 x 21600 space).
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "view/drawlayer/drawlayer.h"

namespace xlx {

struct VmlPresetType {
  int32_t type;            // shape type number
  const char* path;        // VML path text
  const char* formulas;    // `eqn` texts joined by ';'
  const char* adjusts;     // default `adj`
  const char* textRect;    // "left,top,right,bottom" (numbers or @n); empty: the whole shape
};

// The preset of a type number, or null.
const VmlPresetType* FindVmlPresetType(int32_t type);

// The coordinate space of a shape (coordorigin, coordsize) and where it lands, px.
struct VmlPathSpace {
  double coordLeft = 0, coordTop = 0, coordWidth = 21600, coordHeight = 21600;
  DrawRect rect{0, 0, 0, 0};
};

// One figure: points tagged as DrawPathTag, and whether it is filled and stroked (`nf`, `ns`).
struct VmlFigure {
  std::vector<DrawPoint> points;
  std::vector<uint8_t> tags;
  bool filled = true, stroked = true;
};

constexpr size_t kMaxVmlPathPoints = 1 << 18;  // points of one path; the rest is not drawn
constexpr size_t kMaxVmlFormulas = 256;

// Adjust values: `defaults` ("5400,,10800") with the shape's own values (kVmlAdjustAbsent where
// left out) laid over them.
std::vector<int32_t> MergeVmlAdjusts(const char* defaults, const std::vector<int32_t>& own);
// Splits joined formulas ("sum #0 0 10800;prod @0 1 2") into a list.
std::vector<std::string> SplitVmlFormulas(const char* joined);
// Values of `formulas` in order, each from adjust values (#n), earlier values (@n), numbers and
// the shape's measures (width, height, xcenter, ycenter, pixelWidth, ...). Values that are not
// finite become 0; at most kMaxVmlFormulas are computed.
std::vector<double> EvaluateVmlFormulas(const std::vector<std::string>& formulas, const std::vector<int32_t>& adjusts,
                                        const VmlPathSpace& space);
// Runs `path` into figures in the space's rectangle. References past the values read 0.
// 1, or -1 (memory).
[[nodiscard]] int32_t BuildVmlPath(std::string_view path, const std::vector<double>& values,
                                   const std::vector<int32_t>& adjusts, const VmlPathSpace& space,
                                   std::vector<VmlFigure>* figures);
// The text rectangle "l,t,r,b" (numbers, @n, #n) of a shape in the space's rectangle; the whole
// rectangle when the text is empty or names an empty box.
DrawRect VmlTextRect(std::string_view rect, const std::vector<double>& values, const std::vector<int32_t>& adjusts,
                     const VmlPathSpace& space);
// Fills the filled figures with `brush`, then strokes the stroked ones with `pen` (either may be
// null). 1 or a drawing-layer error.
[[nodiscard]] int32_t DrawVmlFigures(DrawingSurface* surface, const std::vector<VmlFigure>& figures, const VkPen* pen,
                                     const VkBrush* brush);
// Adds an elliptical arc about (cx, cy) with radii rx, ry from `start` sweeping `sweep` degrees
// (positive turns clockwise on the page) to a figure as Bezier segments of at most 90 degrees.
void AddVmlArc(VmlFigure* figure, double cx, double cy, double rx, double ry, double start, double sweep, bool join);

}  // namespace xlx
