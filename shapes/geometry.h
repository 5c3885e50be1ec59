// The geometry language of shapes: guide formulas evaluated with a shape's size and adjust
// values, and paths turned into figures of points in the shape's own box, (0, 0) at its top-left
// corner and (w, h) at its bottom-right, in pixels. Evaluation is bounded by the limits of the
// geometry (model/shapes.h); values that come out non-finite or absurd are replaced by sane ones
// (a division by zero gives 0, every coordinate is kept within a million pixels).
#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "model/shapes.h"
#include "view/drawlayer/drawlayer.h"

namespace xlx {

// One path of a geometry, ready for AddDrawPolyDrawToPath.
struct ShapeFigure {
  std::vector<DrawPoint> points;
  std::vector<uint8_t> tags;       // DrawPathTag of each point
  uint8_t fill = kPathFillNorm;    // GeomPathFill
  bool stroke = true;
  bool closed = false;             // its last figure was closed
  // The open ends, for line ends: the first point and the direction it leaves in, the last
  // point and the direction it arrives from (a point before it).
  DrawPoint start{0, 0}, startToward{0, 0}, end{0, 0}, endFrom{0, 0};
};

struct EvaluatedGeometry {
  std::vector<ShapeFigure> figures;
  DrawRect textRect{0, 0, 0, 0};   // the geometry's text rectangle, in the shape's box
};

// Guide values of one shape: the built-in names of its size, then adjust values and guides by name.
class GuideValues {
 public:
  GuideValues(double width, double height) : w_(width), h_(height) {}
  // The value of an operand: a built-in name, a number, an adjust value or earlier guide; 0 for
  // a name found nowhere.
  double Operand(const std::string& name) const;
  // Evaluates a formula (operator matched without regard to case; an unknown one gives 0).
  double Evaluate(const GeomFormula& formula) const;
  void Set(const std::string& name, double value) { named_[name] = value; }
  bool Has(const std::string& name) const { return named_.count(name) != 0; }

 private:
  bool BuiltIn(const std::string& name, double* value) const;
  double w_, h_;
  std::unordered_map<std::string, double> named_;
};

// Evaluates `geometry` for a shape `width` x `height` px with the shape's own adjust values
// `adjusts` (matched by name; by position when a name is not among the defaults). Figures with
// no drawable point are left out. 1, or -1 when memory runs out.
[[nodiscard]] int32_t EvaluateGeometry(const ShapeGeometry& geometry, const std::vector<GeomFormula>& adjusts,
                                       double width, double height, EvaluatedGeometry* out);

// An arc angle in degrees: magnitudes above 60000 are 60000ths of a degree, smaller ones degrees.
double ArcDegrees(double angle);

// The colour a path of fill mode `fill` is filled with in a solid shape fill `color`.
CellColor PathFillColor(CellColor color, uint8_t fill);

}  // namespace xlx
