// 3-D charts: the projection of the plot box (oblique and rotated views, perspective, fit into
// the plot rectangle), faces turned to the viewer and their shading, the view and walls read from
// the chart part, and 3-D columns drawn with their walls, floor and lit faces.
#include <chrono>
#include <cmath>
#include <string>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "chart/draw/plot3d.h"
#include "chart/draw/projection.h"
#include "chart/reader/reader.h"
#include "model/workbook.h"
#include "tests/drawing/pixelprobe.h"

namespace {

using namespace xlx;

double Distance(DrawPoint a, DrawPoint b) { return std::hypot(a.x - b.x, a.y - b.y); }

TEST(Projection3D, ViewsFitTheRectangleAndSlantDepthAsTheAnglesSay) {
  const DrawRect rect{100, 50, 400, 300};
  struct Case {
    const char* what;
    View3DSpec view;
    bool backRight, backUp;  // where the back of the box lies against its front on the page
  } cases[] = {
      {"oblique 15/20", {15, 20, true, 15}, true, true},
      {"oblique from the left", {15, 340, true, 15}, false, true},
      {"oblique from below", {-20, 20, true, 15}, true, false},
      {"rotated with perspective", {15, 20, false, 30}, true, true},
      {"rotated, parallel", {30, 40, false, 0}, true, true},
      {"rotated, stretched", {30, 40, false, 0, true}, true, true},
  };
  const double w = 1, h = 0.75, d = 0.4;
  for (const Case& c : cases) {
    const Projection3D p = MakeProjection(c.view, w, h, d, rect);
    double lo = 1e9, hi = -1e9, top = 1e9, bottom = -1e9;
    for (int corner = 0; corner < 8; ++corner) {
      const DrawPoint q = Project(p, Point3{corner & 1 ? w : 0, corner & 2 ? h : 0, corner & 4 ? d : 0});
      lo = std::min(lo, q.x), hi = std::max(hi, q.x), top = std::min(top, q.y), bottom = std::max(bottom, q.y);
    }
    // The box's picture touches the rectangle on both sides of at least one direction and never
    // leaves it; an oblique view fills it both ways.
    EXPECT_GE(lo, rect.left - 1e-6) << c.what;
    EXPECT_LE(hi, rect.left + rect.width + 1e-6) << c.what;
    EXPECT_GE(top, rect.top - 1e-6) << c.what;
    EXPECT_LE(bottom, rect.top + rect.height + 1e-6) << c.what;
    const bool fillsX = std::fabs(hi - lo - rect.width) < 1e-6, fillsY = std::fabs(bottom - top - rect.height) < 1e-6;
    EXPECT_TRUE(fillsX || fillsY) << c.what;
    EXPECT_EQ(c.view.oblique || c.view.stretch, fillsX && fillsY) << c.what;
    const DrawPoint front = Project(p, Point3{w / 2, h / 2, 0}), back = Project(p, Point3{w / 2, h / 2, d});
    EXPECT_EQ(c.backRight, back.x > front.x) << c.what;
    EXPECT_EQ(c.backUp, back.y < front.y) << c.what;
    // Up the box is up the page, and the back is farther from the viewer than the front.
    EXPECT_LT(Project(p, Point3{0, h, 0}).y, Project(p, Point3{0, 0, 0}).y) << c.what;
    EXPECT_GT(ViewDepth(p, Point3{w / 2, 0, d}), ViewDepth(p, Point3{w / 2, 0, 0})) << c.what;
  }
  // An oblique view keeps width and height at right angles: the front face is a rectangle.
  const Projection3D oblique = MakeProjection(View3DSpec{15, 20, true, 0}, w, h, d, rect);
  EXPECT_NEAR(Project(oblique, Point3{0, 0, 0}).y, Project(oblique, Point3{w, 0, 0}).y, 1e-9);
  EXPECT_NEAR(Project(oblique, Point3{0, 0, 0}).x, Project(oblique, Point3{0, h, 0}).x, 1e-9);
  // Perspective draws the back edge shorter than the front edge; a parallel view does not.
  for (double fov : {0.0, 60.0}) {
    const Projection3D p = MakeProjection(View3DSpec{0, 0, false, fov}, w, h, d, rect);
    const double frontEdge = Distance(Project(p, Point3{0, 0, 0}), Project(p, Point3{w, 0, 0}));
    const double backEdge = Distance(Project(p, Point3{0, 0, d}), Project(p, Point3{w, 0, d}));
    EXPECT_EQ(fov > 0, backEdge < frontEdge * 0.95) << fov;
    EXPECT_LE(backEdge, frontEdge + 1e-9) << fov;
  }
  // Seen from straight above, heights vanish and the depth runs up the page.
  const Projection3D above = MakeProjection(View3DSpec{90, 0, false, 0}, w, h, d, rect);
  EXPECT_NEAR(Project(above, Point3{0.3, 0, 0.2}).y, Project(above, Point3{0.3, h, 0.2}).y, 1e-9);
  EXPECT_LT(Project(above, Point3{0, 0, d}).y, Project(above, Point3{0, 0, 0}).y);
}

TEST(Projection3D, DegenerateBoxesAndAnglesStayFinite) {
  for (const View3DSpec& v : {View3DSpec{90, 0, true, 0}, View3DSpec{-90, 360, false, 240}, View3DSpec{1e9, -1e9, false, 1e9}}) {
    for (double size : {0.0, 1e-300, 1e300}) {
      const Projection3D p = MakeProjection(v, size, 1, size, DrawRect{0, 0, 200, 100});
      const DrawPoint q = Project(p, Point3{size, 1, size});
      EXPECT_TRUE(std::isfinite(q.x) && std::isfinite(q.y)) << v.rotX << " " << size;
      EXPECT_TRUE(std::isfinite(ViewDepth(p, Point3{0, 0, size})));
    }
  }
}

TEST(Projection3D, FacesTurnedToTheViewerAndTheirLight) {
  const Projection3D p = MakeProjection(View3DSpec{15, 20, true, 0}, 1, 1, 1, DrawRect{0, 0, 300, 300});
  // A unit box's faces, each with its outward direction; from above and to the right the front,
  // top and right faces show.
  struct Side {
    const char* what;
    std::vector<Point3> points;
    Point3 outward;
    bool shows;
  } sides[] = {
      {"front", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {0, 0, -1}, true},
      {"back", {{0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}}, {0, 0, 1}, false},
      {"top", {{0, 1, 0}, {1, 1, 0}, {1, 1, 1}, {0, 1, 1}}, {0, 1, 0}, true},
      {"bottom", {{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}}, {0, -1, 0}, false},
      {"right", {{1, 0, 0}, {1, 1, 0}, {1, 1, 1}, {1, 0, 1}}, {1, 0, 0}, true},
      {"left", {{0, 0, 0}, {0, 1, 0}, {0, 1, 1}, {0, 0, 1}}, {-1, 0, 0}, false},
  };
  for (Side& s : sides) {
    for (bool reversed : {false, true}) {
      Face3D f;
      f.points = s.points;
      if (reversed) std::reverse(f.points.begin(), f.points.end());
      OrientFace(&f, s.outward);
      DrawPoint q[4];
      for (int i = 0; i < 4; ++i) q[i] = Project(p, f.points[size_t(i)]);
      EXPECT_EQ(s.shows, SignedArea(q, 4) > 0) << s.what << (reversed ? " reversed" : "");
      const Point3 n = FaceNormal(f.points);
      EXPECT_NEAR(1, n.x * s.outward.x + n.y * s.outward.y + n.z * s.outward.z, 1e-9) << s.what;
    }
  }
  // Lit from above: the top lighter than the front, the sides darker, every channel in range.
  const CellColor blue = 0xFFC47244;  // 4472C4
  auto sum = [](CellColor c) { return (c & 0xFF) + ((c >> 8) & 0xFF) + ((c >> 16) & 0xFF); };
  EXPECT_EQ(blue, ShadeFace(blue, Point3{0, 0, -1}));
  EXPECT_GT(sum(ShadeFace(blue, Point3{0, 1, 0})), sum(blue));
  EXPECT_LT(sum(ShadeFace(blue, Point3{1, 0, 0})), sum(blue));
  EXPECT_EQ(0xFFFFFFFFu, ShadeFace(0xFFFFFFFF, Point3{0, 1, 0}));
  EXPECT_EQ(0xFF000000u, ShadeFace(0xFF000000, Point3{0, 1, 0}) & 0xFF000000u);
}

// ---- the view and walls read, a column chart drawn --------------------------------------------
const char* const kNs =
    "<c:chartSpace xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\" "
    "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\"><c:chart>";

std::string Fill(const char* rgb) {
  return std::string("<c:spPr><a:solidFill><a:srgbClr val=\"") + rgb + "\"/></a:solidFill></c:spPr>";
}

// A 3-D column chart of one series (values 2 and 8) in 4472C4, its view and walls as given,
// both axes shown with their labels.
std::string Column3D(const std::string& view, const std::string& walls, const std::string& plotExtra) {
  return std::string(kNs) + view + walls +
         "<c:plotArea><c:bar3DChart><c:barDir val=\"col\"/><c:grouping val=\"clustered\"/><c:varyColors val=\"0\"/>"
         "<c:ser><c:idx val=\"0\"/><c:order val=\"0\"/>" + Fill("4472C4") +
         "<c:val><c:numLit><c:ptCount val=\"2\"/><c:pt idx=\"0\"><c:v>2</c:v></c:pt><c:pt idx=\"1\"><c:v>8</c:v></c:pt>"
         "</c:numLit></c:val></c:ser>" + plotExtra +
         "<c:axId val=\"1\"/><c:axId val=\"2\"/></c:bar3DChart>"
         "<c:catAx><c:axId val=\"1\"/><c:delete val=\"0\"/><c:tickLblPos val=\"nextTo\"/><c:crossAx val=\"2\"/></c:catAx>"
         "<c:valAx><c:axId val=\"2\"/><c:delete val=\"0\"/><c:majorGridlines/><c:tickLblPos val=\"nextTo\"/>"
         "<c:crossAx val=\"1\"/></c:valAx></c:plotArea></c:chart></c:chartSpace>";
}

ChartModel Parse(const std::string& xml) {
  Workbook* workbook = nullptr;
  EXPECT_EQ(1, CreateWorkbook(&workbook));
  pugi::xml_document doc;
  EXPECT_TRUE(doc.load_string(xml.c_str()));
  ChartModel m;
  EXPECT_EQ(1, ParseChart(doc.document_element(), *workbook, &m));
  FreeWorkbook(workbook);
  return m;
}

TEST(Chart3DReader, ViewWallsGapDepthAndShape) {
  const ChartModel plain = Parse(Column3D("", "", ""));
  EXPECT_EQ(-1, plain.rightAngleAxes);
  EXPECT_EQ(30, plain.perspective);
  EXPECT_EQ(100, plain.depthPercent);
  EXPECT_EQ(-1, plain.heightPercent);
  ASSERT_EQ(1u, plain.plots.size());
  EXPECT_EQ(150, plain.plots[0].gapDepth);
  EXPECT_EQ(kBarBox, plain.plots[0].barShape);

  const ChartModel m = Parse(Column3D(
      "<c:view3D><c:rotX val=\"30\"/><c:rotY val=\"40\"/><c:rAngAx val=\"0\"/><c:perspective val=\"999\"/>"
      "<c:depthPercent val=\"5\"/><c:hPercent val=\"250\"/></c:view3D>",
      "<c:floor>" + Fill("404040") + "</c:floor><c:backWall>" + Fill("D9E1F2") + "</c:backWall>",
      "<c:gapDepth val=\"50\"/><c:shape val=\"cylinder\"/>"));
  EXPECT_EQ(30, m.rotX);
  EXPECT_EQ(40, m.rotY);
  EXPECT_EQ(0, m.rightAngleAxes);
  EXPECT_EQ(240, m.perspective);   // clamped
  EXPECT_EQ(20, m.depthPercent);   // clamped
  EXPECT_EQ(250, m.heightPercent);
  EXPECT_EQ(kChartFillSolid, m.floor.fillKind);
  EXPECT_EQ(0xFF404040u, m.floor.fillColor);
  EXPECT_EQ(0xFFF2E1D9u, m.backWall.fillColor);
  EXPECT_EQ(kChartFillAuto, m.sideWall.fillKind);
  EXPECT_EQ(50, m.plots[0].gapDepth);
  EXPECT_EQ(kBarCylinder, m.plots[0].barShape);
  // Automatic height: an `c:autoScale` view ignores the height it gives.
  const ChartModel scaled = Parse(Column3D("<c:view3D><c:hPercent val=\"250\"/><c:autoScale val=\"1\"/></c:view3D>", "", ""));
  EXPECT_EQ(-1, scaled.heightPercent);
}

struct Page3D {
  VkDrawingEngine* engine = nullptr;
  _BITMAPHANDLE bitmap{};
  DrawingSurface* surface = nullptr;
  Page3D() {
    void* object = nullptr;
    EXPECT_EQ(1, VkCreateDrawingObject(VkQueryDrawingEngine(), &object));
    engine = static_cast<VkDrawingEngine*>(object);
    EXPECT_EQ(1, VkSetTextResolution(engine, 96));
    EXPECT_EQ(1, VkCreateBitmap(&bitmap, sizeof bitmap, 1, 480, 320, 24, 1, nullptr, 1, nullptr, 0));
    EXPECT_EQ(1, CreateDrawingSurface(engine, &bitmap, &surface));
    EXPECT_EQ(1, InitEngine(surface));
  }
  ~Page3D() {
    DestroyDrawingSurface(surface);
    VkFreeBitmap(&bitmap);
    VkDestroyDrawingObject(engine);
  }
};

int CountPixels(const _BITMAPHANDLE& b, int x0, int x1, pixeltest::Rgb want) {
  int n = 0;
  for (int y = 0; y < int(b.uHeight); ++y)
    for (int x = x0; x < x1; ++x) n += pixeltest::At(b, x, y) == want;
  return n;
}

TEST(Chart3DDraw, ColumnsStandInFrontOfWallsWithLitFaces) {
  const pixeltest::Rgb front{0x44, 0x72, 0xC4}, floor{0x40, 0x40, 0x40}, side{0xFF, 0xF2, 0xCC}, back{0xD9, 0xE1, 0xF2};
  const std::string walls = "<c:floor>" + Fill("404040") + "</c:floor><c:sideWall>" + Fill("FFF2CC") +
                            "</c:sideWall><c:backWall>" + Fill("D9E1F2") + "</c:backWall>";
  for (const char* view : {"<c:view3D><c:rotX val=\"15\"/><c:rotY val=\"20\"/><c:rAngAx val=\"1\"/></c:view3D>",
                           "<c:view3D><c:rotX val=\"20\"/><c:rotY val=\"30\"/><c:rAngAx val=\"0\"/>"
                           "<c:perspective val=\"40\"/></c:view3D>"}) {
    const ChartModel m = Parse(Column3D(view, walls, ""));
    Page3D page;
    ASSERT_EQ(1, DrawChart(page.surface, m, DrawRect{0, 0, 480, 320}, ChartDrawOptions()));
    EXPECT_EQ(1, EndEngine(page.surface));
    const _BITMAPHANDLE& b = page.bitmap;
    // The side wall stands on the left, the back wall behind, the floor below the bars.
    EXPECT_GT(CountPixels(b, 0, 160, side), 20 * CountPixels(b, 240, 480, side) + 200) << view;
    EXPECT_GT(CountPixels(b, 0, 480, back), 2000) << view;
    int floorTop = 320, frontBottom = 0, frontTop = 320, frontX = -1, frontRight = -1;
    for (int y = 0; y < 320; ++y)
      for (int x = 0; x < 480; ++x) {
        if (pixeltest::At(b, x, y) == floor) floorTop = std::min(floorTop, y);
        if (pixeltest::At(b, x, y) == front && x > 240) {
          frontBottom = std::max(frontBottom, y), frontX = frontX < 0 ? x : frontX;
          frontRight = std::max(frontRight, x);
        }
      }
    ASSERT_GT(frontX, 0) << "the second, taller bar's front face " << view;
    EXPECT_LT(floorTop, frontBottom) << view;
    // Above the tall bar's front face its top, lighter; right of it its side, darker.
    const int x = frontX + 3;
    for (int y = 0; y < 320; ++y)
      if (pixeltest::At(b, x, y) == front) {
        frontTop = y;
        break;
      }
    const pixeltest::Rgb top = pixeltest::At(b, x, frontTop - 2);
    EXPECT_GT(top.r + top.g + top.b, front.r + front.g + front.b) << view << " top " << top;
    EXPECT_GE(top.b, top.r) << view << " top keeps the hue " << top;
    const pixeltest::Rgb right = pixeltest::At(b, frontRight + 2, (frontTop + frontBottom) / 2);
    EXPECT_LT(right.r + right.g + right.b, front.r + front.g + front.b) << view << " side " << right;
  }
}

TEST(Chart3DDraw, HostileThreeDPlotsDrawQuickly) {
  for (int32_t kind : {kChartBar3D, kChartLine3D, kChartArea3D, kChartSurface3D, kChartSurface}) {
    for (int32_t series : {1, 300, 4000}) {
      ChartModel m;
      m.chartKind = kind;
      m.plots.resize(1);
      m.plots[0].kind = kind;
      m.plots[0].grouping = kGroupStandard;
      m.depthPercent = 2000;
      m.series.resize(size_t(series));
      const int32_t points = series == 1 ? 1000000 : series == 300 ? 300 : 2000;  // at most the chart's 8M points
      for (int32_t k = 0; k < series; ++k) {
        ChartData& d = m.series[size_t(k)].values;
        m.series[size_t(k)].idx = k, m.series[size_t(k)].order = k;
        d.pointCount = points;
        d.values.resize(size_t(points));
        for (int32_t i = 0; i < points; ++i) d.values[size_t(i)] = i % 7 == 3 ? NAN : std::sin(i * 0.37 + k) * 1e6;
        d.min = -1e6, d.max = 1e6;
      }
      Page3D page;
      const auto start = std::chrono::steady_clock::now();
      EXPECT_EQ(1, DrawChart(page.surface, m, DrawRect{10, 10, 460, 300}, ChartDrawOptions())) << kind << " " << series;
      EXPECT_EQ(1, EndEngine(page.surface));
      const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      EXPECT_LT(seconds, 20.0) << kind << " " << series;  // about a second in a plain build
    }
  }
}

}  // namespace
