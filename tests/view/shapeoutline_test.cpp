// Compound outlines: the bands each kind cuts a line into, figures flattened into polylines and
// polylines moved sideways with mitred or cut corners.
#include <gtest/gtest.h>

#include <cmath>

#include "shapes/outline.h"

using namespace xlx;

TEST(ShapeOutline, CompoundBandsFillTheLineWithGapsBetween) {
  const struct {
    int32_t compound;
    int32_t count;
    double widths[3];
    double offsets[3];
  } cases[] = {
      {0, 0, {}, {}},
      {1, 2, {1 / 3.0, 1 / 3.0}, {1 / 3.0, -1 / 3.0}},
      {2, 2, {0.6, 0.2}, {0.2, -0.4}},       // thick on the left
      {3, 2, {0.2, 0.6}, {0.4, -0.2}},
      {4, 3, {1 / 6.0, 1 / 3.0, 1 / 6.0}, {5 / 12.0, 0, -5 / 12.0}},
      {9, 0, {}, {}},
  };
  for (const auto& c : cases) {
    CompoundBand bands[3];
    ASSERT_EQ(CompoundBands(c.compound, bands), c.count) << c.compound;
    for (int32_t i = 0; i < c.count; ++i) {
      EXPECT_NEAR(bands[i].width, c.widths[i], 1e-9) << c.compound << " band " << i;
      EXPECT_NEAR(bands[i].offset, c.offsets[i], 1e-9) << c.compound << " band " << i;
    }
  }
}

TEST(ShapeOutline, FiguresFlattenAndMoveSideways) {
  // A 10 x 10 square drawn clockwise (y down) and closed, with its last corner repeated.
  ShapeFigure square;
  square.points = {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}};
  square.tags = {kPathMoveTo, kPathLineTo, kPathLineTo, kPathLineTo, kPathLineTo | kPathClose};
  std::vector<Polyline> lines;
  FlattenFigure(square, 1000, &lines);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(lines[0].closed);
  ASSERT_EQ(lines[0].points.size(), 4u);  // the repeated corner is dropped
  // To the left of a clockwise figure is outside: every corner moves out diagonally.
  const Polyline out = OffsetPolyline(lines[0], 2, 4);
  ASSERT_EQ(out.points.size(), 4u);
  const DrawPoint expected[] = {{-2, -2}, {12, -2}, {12, 12}, {-2, 12}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_NEAR(out.points[i].x, expected[i].x, 1e-9) << i;
    EXPECT_NEAR(out.points[i].y, expected[i].y, 1e-9) << i;
  }
  // A mitre longer than the limit is cut: a right angle reaches sqrt(2) distances.
  EXPECT_EQ(OffsetPolyline(lines[0], 2, 1.2).points.size(), 8u);
  // An open line moves along its normal at its ends; a hairpin turn is cut, not mitred to infinity.
  Polyline hairpin;
  hairpin.points = {{0, 0}, {10, 0}, {0, 0.001}};
  const Polyline moved = OffsetPolyline(hairpin, 1, 4);
  ASSERT_EQ(moved.points.size(), 4u);
  EXPECT_NEAR(moved.points[0].y, -1, 1e-9);
  for (const DrawPoint& p : moved.points) EXPECT_LT(std::hypot(p.x, p.y), 12);
  // A Bezier is cut into pieces of about 2 px, within the cap of points.
  ShapeFigure curve;
  curve.points = {{0, 0}, {0, 40}, {40, 40}, {40, 0}};
  curve.tags = {kPathMoveTo, kPathBezierTo, kPathBezierTo, kPathBezierTo};
  lines.clear();
  FlattenFigure(curve, 1000, &lines);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].points.size(), 62u);  // 120 px of control polygon: 61 pieces
  EXPECT_NEAR(lines[0].points.back().x, 40, 1e-9);
}
