// 3-D plots (column and bar, line, area, surface and contour): the box they are plotted in, its
// floor and walls with gridlines, the solids of the series painted back to front, and the axis
// labels at the projected edges of the box.
#pragma once
#include <cstdint>
#include <vector>

#include "chart/draw/internal.h"
#include "chart/draw/projection.h"

namespace xlx {

// Whether a plot of this kind is drawn in 3-D.
bool Is3DPlotKind(int32_t kind);

// The plot box of a chart: world sizes, the projection and the axes that span it. Positions
// along the box are given as a category position (0 .. categories, .5 steps reaching the middle
// of a category), a value, and a depth fraction from the front (0) to the back (1).
struct Scene3D {
  Projection3D proj;
  const AxisLayout* cat = nullptr;
  const AxisLayout* val = nullptr;
  bool horizontal = false;   // values run across the page (bar charts)
  bool contour = false;      // a surface seen from straight above
  double w = 1, h = 1, d = 1;
  int32_t categories = 1;
  int32_t rows = 1;          // series rows one behind the other
  double sideX = 0, backZ = 1;  // the planes the side wall and the back wall stand in

  // The depth of the box's edge nearest the viewer, where the axes and their labels run.
  double FrontZ() const { return backZ > 0 ? 0 : d; }

  // Fraction of the category axis, its orientation applied.
  double CategoryFraction(double category) const;
  // Fraction of the value axis, clamped to the box; values a log axis cannot show sit at its base.
  double ValueFraction(double value) const;
  Point3 At(double category, double value, double depth) const;
};

// One face of a solid: a flat polygon in world points and its colour. A culled face is listed
// running clockwise seen from outside its solid, and is left out when it turns away.
struct Face3D {
  std::vector<Point3> points;
  CellColor fill = 0xFFFFFFFF;   // 0xFFFFFFFF: none
  CellColor line = 0xFFFFFFFF;
  double lineWidthPx = 0;
  bool cull = false;
};

// Faces painted together, ordered among the other solids by `depth` (view depth, larger first).
struct Solid3D {
  double depth = 0;
  std::vector<Face3D> faces;
};

// A colour lit as a face whose unit normal is `normal`: faces turned up lighter, faces turned
// sideways darker, faces towards the viewer as they are.
CellColor ShadeFace(CellColor color, const Point3& normal);
// The unit normal of a polygon (Newell's method); zero for a degenerate one.
Point3 FaceNormal(const std::vector<Point3>& points);
// Reverses the face's points when they do not run clockwise seen from `outward`.
void OrientFace(Face3D* face, const Point3& outward);
// Paints the solids from the farthest to the nearest; a solid's own faces in their order.
void PaintSolids(ChartCanvas& c, const Scene3D& scene, std::vector<Solid3D>* solids);

// A data label of a point, drawn over the solids centred on the projection of `at`.
struct Label3D {
  const ChartSeries* series = nullptr;
  int32_t index = 0;
  double value = 0;
  Point3 at;
};

// The solids of one plot's series (chart/draw/solids3d.cpp); bars and ribbons add the labels of
// their points where the series shows labels.
void AddBarSolids(const ChartCanvas& c, const Scene3D& scene, int32_t plot, std::vector<Solid3D>* out,
                  std::vector<Label3D>* labels);
void AddRibbonSolids(const ChartCanvas& c, const Scene3D& scene, int32_t plot, std::vector<Solid3D>* out,
                     std::vector<Label3D>* labels);
void AddAreaSolids(const ChartCanvas& c, const Scene3D& scene, int32_t plot, std::vector<Solid3D>* out);
void AddSurfaceSolids(const ChartCanvas& c, const Scene3D& scene, int32_t plot, std::vector<Solid3D>* out);
// The fill colour of point `i` of a series (its own fill, or the automatic colour).
CellColor SeriesPointColor(const ChartCanvas& c, const ChartSeries& s, int32_t i, bool varyPoints);

// Draws the plot area of a chart whose plots are 3-D over the laid-out frame: floor, walls,
// gridlines, series and axis labels.
void Draw3DPlotArea(ChartCanvas& c, const PlotFrame& frame);

}  // namespace xlx
