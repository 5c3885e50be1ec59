// The geometry language of shapes: formula operators and operands, path scaling, arcs, fill
// modes, adjust values, every built-in preset, and hostile geometry kept bounded.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "shapes/geometry.h"

using namespace xlx;

namespace {

GeomFormula F(const char* op, const char* x = "", const char* y = "", const char* z = "") {
  GeomFormula f;
  f.op = op, f.args[0] = x, f.args[1] = y, f.args[2] = z;
  return f;
}

EvaluatedGeometry Evaluate(const char* text, double w, double h, const std::vector<GeomFormula>& adjusts = {}) {
  ShapeGeometry g;
  DecodeGeometry(text, &g);
  EvaluatedGeometry out;
  EXPECT_EQ(EvaluateGeometry(g, adjusts, w, h, &out), 1);
  return out;
}

}  // namespace

TEST(ShapeGeometry, FormulaOperatorsAndOperands) {
  GuideValues v(100, 40);
  v.Set("adj", 25000);
  struct Case { GeomFormula f; double expected; };
  const Case cases[] = {
      {F("*/", "w", "1", "2"), 50},       {F("*/", "w", "adj", "100000"), 25}, {F("*/", "w", "1", "0"), 0},
      {F("+-", "w", "h", "10"), 130},     {F("+/", "w", "h", "2"), 70},       {F("+/", "1", "1", "0"), 0},
      {F("?:", "0", "10", "20"), 20},     {F("?:", "1", "10", "20"), 10},     {F("abs", "-7"), 7},
      {F("at2", "1", "1"), 2700000},      {F("cat2", "10", "1", "0"), 10},     {F("sat2", "10", "0", "1"), 10},
      {F("cos", "10", "cd2"), -10},       {F("sin", "10", "cd4"), 10},         {F("tan", "10", "2700000"), 10},
      {F("max", "3", "-4"), 3},           {F("min", "3", "-4"), -4},           {F("mod", "3", "4", "0"), 5},
      {F("pin", "0", "-5", "10"), 0},     {F("pin", "0", "15", "10"), 10},     {F("pin", "0", "5", "10"), 5},
      {F("sqrt", "16"), 4},               {F("sqrt", "-16"), 0},               {F("val", "hd2"), 20},
      {F("VAL", "ss"), 40},               {F("Max", "ls", "0"), 100},          {F("val", "ssd8"), 5},
      {F("val", "3cd4"), 16200000},       {F("val", "nowhere"), 0},            {F("nosuch", "1"), 0},
      {F("val", "1e300"), 1e12},         {F("val", "1e400"), 0},
  };
  for (const Case& c : cases)
    EXPECT_NEAR(v.Evaluate(c.f), c.expected, 1e-6 * std::max(1.0, std::fabs(c.expected)))
        << c.f.op << " " << c.f.args[0] << " " << c.f.args[1] << " " << c.f.args[2];
}

TEST(ShapeGeometry, PathsScaleArcsSweepAndAdjustsApply) {
  // A path in a 21600 space on a 216 px shape: every coordinate times 0.01.
  EvaluatedGeometry g = Evaluate("p 21600 21600 N 1\nM 10800 0\nL 21600 21600\n", 216, 432);
  ASSERT_EQ(g.figures.size(), 1u);
  EXPECT_DOUBLE_EQ(g.figures[0].points[0].x, 108);
  EXPECT_DOUBLE_EQ(g.figures[0].points[1].y, 432);
  // A quarter arc of radius 10 from (10, 0) about (0, 0) ends at (0, 10), whichever unit the sweep has.
  for (const char* sweep : {"5400000", "90"}) {
    g = Evaluate((std::string("p 0 0 N 1\nM 10 0\nA 10 10 0 ") + sweep + "\n").c_str(), 50, 50);
    ASSERT_EQ(g.figures.size(), 1u) << sweep;
    const DrawPoint end = g.figures[0].points.back();
    EXPECT_NEAR(end.x, 0, 1e-6) << sweep;
    EXPECT_NEAR(end.y, 10, 1e-6) << sweep;
  }
  // The shape's adjust value replaces the default by name; the guide follows it.
  const char* bar = "v adj val 10\ng x */ w adj 100\np 0 0 N 1\nM 0 0\nL x 0\n";
  EXPECT_DOUBLE_EQ(Evaluate(bar, 200, 10).figures[0].points[1].x, 20);
  GeomFormula own = F("val", "50");
  own.name = "adj";
  EXPECT_DOUBLE_EQ(Evaluate(bar, 200, 10, {own}).figures[0].points[1].x, 100);
  // A close returns to the figure's start, from where the next line goes on.
  g = Evaluate("p 0 0 N 1\nM 1 1\nL 5 1\nZ\nL 9 9\n", 10, 10);
  ASSERT_EQ(g.figures[0].tags.size(), 4u);
  EXPECT_EQ(g.figures[0].tags[1], kPathLineTo | kPathClose);
  EXPECT_EQ(g.figures[0].tags[2], kPathMoveTo);
  EXPECT_DOUBLE_EQ(g.figures[0].points[2].x, 1);
}

TEST(ShapeGeometry, PathFillModesDeriveFromTheSolidColour) {
  const CellColor red = 0xFF0000FFu;
  EXPECT_EQ(PathFillColor(red, kPathFillNorm), red);
  EXPECT_EQ(PathFillColor(red, kPathFillDarken), 0xFF000099u);
  EXPECT_EQ(PathFillColor(red, kPathFillDarkenLess), 0xFF0000CCu);
  const CellColor lighter = PathFillColor(red, kPathFillLighten), less = PathFillColor(red, kPathFillLightenLess);
  EXPECT_GT((lighter >> 8) & 0xFF, (less >> 8) & 0xFF);  // green rises more with lighten
  EXPECT_GT((less >> 8) & 0xFF, 0u);
}

TEST(ShapeGeometry, EveryPresetDrawsInsideReasonableBounds) {
  ASSERT_GE(kPresetShapeCount, 187);
  for (int32_t i = 0; i < kPresetShapeCount; ++i) {
    const char* name = kPresetShapes[i].name;
    if (i > 0) {
      EXPECT_LT(std::string(kPresetShapes[i - 1].name), name);  // sorted for the lookup
    }
    ShapeGeometry g;
    ASSERT_TRUE(FindPresetGeometry(name, &g)) << name;
    EvaluatedGeometry out;
    ASSERT_EQ(EvaluateGeometry(g, {}, 160, 100, &out), 1) << name;
    EXPECT_FALSE(out.figures.empty()) << name;
    for (const ShapeFigure& f : out.figures) {
      ASSERT_EQ(f.points.size(), f.tags.size()) << name;
      for (const DrawPoint& p : f.points) {
        // Callouts reach outside their box; nothing reaches far.
        EXPECT_TRUE(p.x > -400 && p.x < 560 && p.y > -400 && p.y < 500) << name << " " << p.x << "," << p.y;
      }
    }
    EXPECT_GE(out.textRect.width, 0) << name;
  }
  ShapeGeometry none;
  EXPECT_FALSE(FindPresetGeometry("noSuchShape", &none));
}

TEST(ShapeGeometry, HostileGeometryStaysBounded) {
  std::string text = "p 0 0 N 1\nM 0 0\n";
  for (int i = 0; i < 50000; ++i) text += "A 1e300 -5 0 -1e300\nL 1e300 nan\n";
  text += "g a */ 1 1 0\ng b +/ a a a\n";
  ShapeGeometry g;
  DecodeGeometry(text.c_str(), &g);
  EXPECT_LE(g.paths[0].commands.size(), kMaxGeometryCommands);
  EvaluatedGeometry out;
  ASSERT_EQ(EvaluateGeometry(g, {}, 1e30, -1, &out), 1);
  for (const ShapeFigure& f : out.figures)
    for (const DrawPoint& p : f.points) ASSERT_TRUE(std::fabs(p.x) <= 1e6 && std::fabs(p.y) <= 1e6);
}
