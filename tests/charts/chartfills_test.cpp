// Chart fills beyond solid colours, the display-unit caption and of-pie connectors: what the
// reader keeps of pattern and picture fills and of `c:dispUnitsLbl`, the colours pattern fills
// paint, and where an of-pie chart's split-off slice and series lines are drawn.
#include <string>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "model/workbook.h"
#include "chart/reader/reader.h"
#include "tests/drawing/pixelprobe.h"
#include "chart/draw/internal.h"

namespace {

using namespace xlx;

ChartModel ParseBar(const std::string& spPr, const std::string& axis) {
  Workbook* workbook = nullptr;
  EXPECT_EQ(1, CreateWorkbook(&workbook));
  const std::string xml =
      "<c:chartSpace xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\" "
      "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
      "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><c:chart><c:plotArea>"
      "<c:barChart><c:ser><c:idx val=\"0\"/><c:spPr>" + spPr + "</c:spPr><c:val><c:numLit><c:ptCount val=\"1\"/>"
      "<c:pt idx=\"0\"><c:v>5</c:v></c:pt></c:numLit></c:val></c:ser><c:axId val=\"1\"/><c:axId val=\"2\"/>"
      "</c:barChart><c:catAx><c:axId val=\"1\"/><c:crossAx val=\"2\"/></c:catAx><c:valAx><c:axId val=\"2\"/>"
      "<c:crossAx val=\"1\"/>" + axis + "</c:valAx></c:plotArea></c:chart></c:chartSpace>";
  pugi::xml_document doc;
  EXPECT_TRUE(doc.load_string(xml.c_str()));
  ChartModel m;
  EXPECT_EQ(1, ParseChart(doc.document_element(), *workbook, &m));
  FreeWorkbook(workbook);
  return m;
}

TEST(ChartFills, PatternsPicturesAndUnitCaptionsAreRead) {
  const std::string red = "<a:fgClr><a:srgbClr val=\"FF0000\"/></a:fgClr><a:bgClr><a:srgbClr val=\"0000FF\"/></a:bgClr>";
  struct Case {
    const char* what;
    std::string spPr;
    int32_t kind, group, percent;
    const char16_t* picture;
    bool tile;
  } cases[] = {
      {"dark horizontal", "<a:pattFill prst=\"dkHorz\">" + red + "</a:pattFill>", kChartFillPattern, kHatchGroupHorizontal, 50, u"", false},
      {"diagonal cross", "<a:pattFill prst=\"diagCross\">" + red + "</a:pattFill>", kChartFillPattern, kHatchGroupDiagonalGrid, 50, u"", false},
      {"30 percent", "<a:pattFill prst=\"pct30\">" + red + "</a:pattFill>", kChartFillPattern, -1, 30, u"", false},
      {"unknown preset blends evenly", "<a:pattFill prst=\"nonsense\"/>", kChartFillPattern, -1, 50, u"", false},
      {"stretched picture", "<a:blipFill><a:blip r:embed=\"rId7\"/><a:stretch/></a:blipFill>", kChartFillPicture, -1, 50, u"rId7", false},
      {"tiled picture", "<a:blipFill><a:blip r:embed=\"rId8\"/><a:tile/></a:blipFill>", kChartFillPicture, -1, 50, u"rId8", true},
      {"picture without a blip", "<a:blipFill><a:stretch/></a:blipFill>", kChartFillAuto, -1, 50, u"", false},
  };
  for (const Case& c : cases) {
    const ChartModel m = ParseBar(c.spPr, "");
    ASSERT_EQ(1u, m.series.size()) << c.what;
    const ChartShapeProps& p = m.series[0].shape;
    EXPECT_EQ(c.kind, p.fillKind) << c.what;
    if (c.kind == kChartFillPattern) {
      EXPECT_EQ(c.group, p.hatchGroup) << c.what;
      EXPECT_EQ(c.percent, p.patternPercent) << c.what;
    }
    EXPECT_EQ(std::u16string(c.picture), p.picturePath) << c.what;
    EXPECT_EQ(c.tile, p.pictureTile) << c.what;
  }
  const ChartModel pattern = ParseBar(cases[0].spPr, "");
  EXPECT_EQ(0xFF0000FFu, pattern.series[0].shape.fillColor);
  EXPECT_EQ(0xFFFF0000u, pattern.series[0].shape.patternBack);

  struct Units {
    const char* what;
    std::string axis;
    bool caption;
    const char16_t* text;
  } units[] = {
      {"built-in words", "<c:dispUnits><c:builtInUnit val=\"thousands\"/><c:dispUnitsLbl/></c:dispUnits>", true, u"Thousands"},
      {"ten thousands as a factor", "<c:dispUnits><c:builtInUnit val=\"tenThousands\"/><c:dispUnitsLbl/></c:dispUnits>", true,
       u"x 10000"},
      {"custom unit", "<c:dispUnits><c:custUnit val=\"250\"/><c:dispUnitsLbl/></c:dispUnits>", true, u"x 250"},
      {"own text", "<c:dispUnits><c:builtInUnit val=\"millions\"/><c:dispUnitsLbl><c:tx><c:rich><a:p><a:r><a:t>EUR m</a:t>"
                   "</a:r></a:p></c:rich></c:tx></c:dispUnitsLbl></c:dispUnits>", true, u"EUR m"},
      {"no label element", "<c:dispUnits><c:builtInUnit val=\"millions\"/></c:dispUnits>", false, u""},
      {"unit of one shows nothing", "<c:dispUnits><c:custUnit val=\"1\"/><c:dispUnitsLbl/></c:dispUnits>", false, u""},
  };
  for (const Units& u : units) {
    const ChartModel m = ParseBar("", u.axis);
    ASSERT_EQ(2u, m.axes.size()) << u.what;
    EXPECT_EQ(u.caption, m.axes[1].unitsCaption) << u.what;
    EXPECT_EQ(std::u16string(u.text), m.axes[1].unitsText) << u.what;
  }
}

// A percentage pattern paints the blend of its colours over its background; a picture
// fill that cannot be drawn (no picture cache) paints grey, not the series colour.
TEST(ChartFills, PatternAndPictureFillsPaint) {
  struct Case {
    const char* what;
    int32_t kind, group, percent;
    pixeltest::Rgb want;  // at the middle of the filled square
  } cases[] = {
      {"25 percent red over white", kChartFillPattern, -1, 25, {255, 191, 191}},
      {"75 percent red over blue", kChartFillPattern, -1, 75, {191, 0, 64}},
      {"picture without a cache", kChartFillPicture, -1, 50, {191, 191, 191}},
  };
  for (const Case& c : cases) {
    void* object = nullptr;
    ASSERT_EQ(1, VkCreateDrawingObject(VkQueryDrawingEngine(), &object));
    auto* engine = static_cast<VkDrawingEngine*>(object);
    _BITMAPHANDLE bitmap{};
    ASSERT_EQ(1, VkCreateBitmap(&bitmap, sizeof bitmap, 1, 64, 64, 24, 1, nullptr, 1, nullptr, 0));
    DrawingSurface* surface = nullptr;
    ASSERT_EQ(1, CreateDrawingSurface(engine, &bitmap, &surface));
    ASSERT_EQ(1, InitEngine(surface));
    ChartModel m;
    ChartCanvas canvas{surface, m, ChartDrawOptions()};
    ChartShapeProps p;
    p.fillKind = c.kind, p.fillColor = 0xFF0000FF, p.hatchGroup = c.group, p.patternPercent = c.percent;
    p.patternBack = c.percent == 75 ? 0xFFFF0000 : 0xFFFFFFFF;
    p.picturePath = u"xl/media/none.png", p.lineKind = kChartFillNone;
    FillShapeRect(canvas, p, DrawRect{0, 0, 64, 64}, 0xFF00FF00, 0xFFFFFFFF);
    EXPECT_EQ(1, canvas.rc) << c.what;
    EXPECT_EQ(1, EndEngine(surface));
    const pixeltest::Rgb got = pixeltest::At(bitmap, 32, 32);
    EXPECT_NEAR(c.want.r, got.r, 2) << c.what;
    EXPECT_NEAR(c.want.g, got.g, 2) << c.what;
    EXPECT_NEAR(c.want.b, got.b, 2) << c.what;
    DestroyDrawingSurface(surface);
    VkFreeBitmap(&bitmap);
    VkDestroyDrawingObject(engine);
  }
}

TEST(ChartFills, OfPieSliceFacesItsSecondPlotWithSeriesLines) {
  for (const bool lines : {true, false}) {
    ChartModel m;
    m.accents[0] = 0xFF0000FF, m.accents[1] = 0xFF00FF00, m.accents[2] = 0xFFFF0000, m.accents[3] = 0xFF00FFFF;
    m.plots.resize(1);
    m.plots[0].kind = m.chartKind = kChartOfPie;
    m.plots[0].barOfPie = true, m.plots[0].splitPos = 2, m.plots[0].seriesLines = lines;
    m.series.resize(1);
    m.series[0].values.values = {50, 30, 10, 10};
    m.series[0].values.pointCount = 4;
    void* object = nullptr;
    ASSERT_EQ(1, VkCreateDrawingObject(VkQueryDrawingEngine(), &object));
    auto* engine = static_cast<VkDrawingEngine*>(object);
    _BITMAPHANDLE bitmap{};
    ASSERT_EQ(1, VkCreateBitmap(&bitmap, sizeof bitmap, 1, 400, 200, 24, 1, nullptr, 1, nullptr, 0));
    DrawingSurface* surface = nullptr;
    ASSERT_EQ(1, CreateDrawingSurface(engine, &bitmap, &surface));
    ASSERT_EQ(1, InitEngine(surface));
    ASSERT_EQ(1, DrawChart(surface, m, DrawRect{0, 0, 400, 200}, ChartDrawOptions()));
    EXPECT_EQ(1, EndEngine(surface));
    // The split-off slice (20 of 100, the third accent) straddles the line to the second plot.
    int32_t right = 0;
    for (int x = 150; x < 230; ++x) right += pixeltest::At(bitmap, x, 100) == pixeltest::Rgb{0, 0, 255};
    EXPECT_GT(right, 10) << lines;
    // Series lines cross the gap between the pie and the bar, above and below the middle.
    int32_t inked = 0;
    for (int y = 0; y < 200; ++y) inked += pixeltest::Ink(bitmap, 232, y) > 60;
    EXPECT_EQ(lines, inked >= 2) << inked;
    DestroyDrawingSurface(surface);
    VkFreeBitmap(&bitmap);
    VkDestroyDrawingObject(engine);
  }
}

}  // namespace
