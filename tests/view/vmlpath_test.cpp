// The VML path language, shape-type formulas and the preset table.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "shapes/vmlpath.h"

using namespace xlx;

namespace {

VmlPathSpace Box(double w, double h) {
  VmlPathSpace s;
  s.rect = DrawRect{0, 0, w, h};
  return s;
}

std::string Describe(const std::vector<VmlFigure>& figures) {
  std::string out;
  for (const VmlFigure& f : figures) {
    out += f.filled ? "" : "nf ";
    out += f.stroked ? "" : "ns ";
    for (size_t i = 0; i < f.points.size(); ++i) {
      const char tag = (f.tags[i] & ~kPathClose) == kPathMoveTo ? 'M' : (f.tags[i] & ~kPathClose) == kPathLineTo ? 'L' : 'C';
      out += tag + std::to_string(std::lround(f.points[i].x)) + "," + std::to_string(std::lround(f.points[i].y)) +
             (f.tags[i] & kPathClose ? "z " : " ");
    }
    out += "| ";
  }
  return out;
}

TEST(VmlPath, CommandsBecomeFigures) {
  const std::vector<double> values = {5400, 21600};
  const std::vector<int32_t> adjusts = {10800};
  const struct {
    const char* path;
    const char* figures;
  } cases[] = {
      {"m,l21600,21600e", "M0,0 L100,50 | "},
      {"m,l,21600r21600,l21600,xe", "M0,0 L0,50 L100,50 L100,0z | "},
      {"m@0@1l#0,0 10800-0", "M25,50 L50,0 L50,0 | "},  // values written one after another
      {"t5400,5400r5400,0nfm0,0l1,1nsm0,0l2,2e", "M25,13 L50,13 | nf M0,0 L0,0 | nf ns M0,0 L0,0 | "},
      {"m0,0qx21600,21600", "M0,0 C55,0 C100,22 C100,50 | "},
      {"m0,0c1,2,3", "M0,0 C0,0 C0,0 C0,0 | "},  // missing parameters read 0
      {"wr0,0,21600,21600,21600,10800,0,10800", "M100,25 C100,39 C78,50 C50,50 C22,50 C0,39 C0,25 | "},
      {"al10800,10800,10800,10800,0,5898240", "M100,25 C100,39 C78,50 C50,50 | "},
      {"m@9,#9zzl", "M0,0 L0,0 | "},  // references past the values, unknown commands
      {"", ""},
  };
  for (const auto& c : cases) {
    std::vector<VmlFigure> figures;
    ASSERT_EQ(BuildVmlPath(c.path, values, adjusts, Box(100, 50), &figures), 1);
    EXPECT_EQ(Describe(figures), c.figures) << c.path;
  }
}

TEST(VmlPath, FormulasComputeInOrder) {
  const std::vector<std::string> formulas = {
      "val #0",         "sum @0 10 4",   "prod @1 3 2",  "prod 1 2 0",     "mid width 0",   "abs -7",
      "min @0 3",       "max @0 3",      "if -1 2 3",    "mod 3 4 0",      "sqrt 16",       "ellipse 0 10 5",
      "sumangle 0 1 0", "sin 10 5898240", "cos 10 0",    "atan2 1 0",      "val @99",       "prod 1e9 1e9 1",
      "bogus 1 2 3",    "sum xcenter pixelWidth 0"};
  const std::vector<double> expected = {5, 11, 16.5, 0, 10800, 7, 3, 5, 3, 5, 4, 5, 65536, 10, 10, 0, 0, 1e9, 0, 10900};
  const std::vector<double> got = EvaluateVmlFormulas(formulas, {5}, Box(100, 50));
  ASSERT_EQ(got.size(), expected.size());
  for (size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], expected[i], 1e-6) << formulas[i];
}

TEST(VmlPath, PresetsAdjustsAndTextRects) {
  const VmlPresetType* triangle = FindVmlPresetType(5);
  ASSERT_NE(triangle, nullptr);
  EXPECT_EQ(FindVmlPresetType(0), nullptr);
  EXPECT_EQ(FindVmlPresetType(100000), nullptr);
  EXPECT_EQ(MergeVmlAdjusts(triangle->adjusts, {}), std::vector<int32_t>{10800});
  EXPECT_EQ(MergeVmlAdjusts("1,2,3", {INT32_MIN, 9}), (std::vector<int32_t>{1, 9, 3}));
  const std::vector<int32_t> adjusts = MergeVmlAdjusts(triangle->adjusts, {0});
  const std::vector<double> values = EvaluateVmlFormulas(SplitVmlFormulas(triangle->formulas), adjusts, Box(100, 50));
  std::vector<VmlFigure> figures;
  ASSERT_EQ(BuildVmlPath(triangle->path, values, adjusts, Box(100, 50), &figures), 1);
  EXPECT_EQ(Describe(figures), "M0,0 L0,50 L100,50z | ");  // the apex moved to the left edge
  const DrawRect text = VmlTextRect("0,@1,10800,21600", {0, 10800}, {}, Box(100, 50));
  EXPECT_DOUBLE_EQ(text.top, 25);
  EXPECT_DOUBLE_EQ(text.width, 50);
  EXPECT_DOUBLE_EQ(VmlTextRect("5,5,1,1", {}, {}, Box(100, 50)).width, 100);  // empty box: the whole shape
}

TEST(VmlPath, HostilePathsStayBounded) {
  std::string many;
  for (int i = 0; i < 400000; ++i) many += "l1,1";
  const std::string huge = "m1e300,-1e300l1e308,1e308c" + std::string(300000, ',') + "x";
  for (const std::string& path : {many, huge, std::string(1000000, 'm')}) {
    std::vector<VmlFigure> figures;
    ASSERT_EQ(BuildVmlPath(path, {}, {}, Box(100, 50), &figures), 1);
    size_t points = 0;
    for (const VmlFigure& f : figures) {
      points += f.points.size();
      for (const DrawPoint& p : f.points) EXPECT_TRUE(std::fabs(p.x) < 1e12 && std::fabs(p.y) < 1e12);
    }
    EXPECT_LE(points, 2 * kMaxVmlPathPoints);
  }
}

}  // namespace
