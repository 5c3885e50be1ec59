// Shape properties read from a shape element: theme style references with their placeholder
// colour, outlines with dashes and line ends, pattern fills and text bodies.
#include <gtest/gtest.h>

#include <string>

#include "model/workbook.h"
#include "shapes/reader/shapes.h"
#include "tests/support/officetheme.h"

using namespace xlx;

namespace {

const char kScheme[] =
    "<a:fmtScheme xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\"><a:fillStyleLst>"
    "<a:solidFill><a:schemeClr val=\"phClr\"/></a:solidFill><a:gradFill><a:gsLst>"
    "<a:gs pos=\"0\"><a:schemeClr val=\"phClr\"><a:lumMod val=\"50000\"/></a:schemeClr></a:gs>"
    "<a:gs pos=\"100000\"><a:schemeClr val=\"phClr\"/></a:gs></a:gsLst><a:lin ang=\"5400000\"/></a:gradFill>"
    "</a:fillStyleLst><a:lnStyleLst><a:ln w=\"25400\"><a:solidFill><a:schemeClr val=\"phClr\"/></a:solidFill>"
    "</a:ln></a:lnStyleLst></a:fmtScheme>";

ShapeSpec Read(const std::string& inner, const char* attributes = "") {
  static Workbook* workbook = [] {
    Workbook* w = nullptr;
    EXPECT_EQ(CreateWorkbook(&w), 1);
    xlxtest::AttachOfficeTheme(w);
    static pugi::xml_document scheme;
    scheme.load_string(kScheme);
    w->fmtScheme = scheme.document_element();
    return w;
  }();
  const std::string xml = std::string("<xdr:sp xmlns:xdr=\"x\" xmlns:a=\"a\"") + attributes + ">" + inner + "</xdr:sp>";
  pugi::xml_document doc;
  EXPECT_TRUE(doc.load_string(xml.c_str()));
  ShapeSpec spec;
  ReadShapeSpec(*workbook, nullptr, 0, doc.document_element(), &spec);
  return spec;
}

std::string Style(int fill, int line) {
  return "<xdr:style><a:lnRef idx=\"" + std::to_string(line) + "\"><a:srgbClr val=\"FF0000\"/></a:lnRef><a:fillRef idx=\"" +
         std::to_string(fill) + "\"><a:srgbClr val=\"0000FF\"/></a:fillRef><a:fontRef idx=\"minor\">"
         "<a:srgbClr val=\"00FF00\"/></a:fontRef></xdr:style>";
}

}  // namespace

TEST(ShapeReader, StyleReferencesTakeTheirColourIntoTheThemeStyle) {
  ShapeSpec s = Read("<xdr:spPr><a:prstGeom prst=\"ellipse\"/></xdr:spPr>" + Style(2, 1));
  EXPECT_EQ(s.preset, "ellipse");
  ASSERT_EQ(s.fill.kind, kShapeFillGradient);
  ASSERT_EQ(s.fill.stops.size(), 2u);
  EXPECT_EQ(s.fill.stops[1].color & 0xFFFFFF, 0xFF0000u);                 // blue, the fill reference's
  EXPECT_LT((s.fill.stops[0].color >> 16) & 0xFF, 0xC0u);                // darkened by its lumMod
  EXPECT_DOUBLE_EQ(s.fill.angle, 90);
  EXPECT_EQ(s.line.kind, kShapeFillSolid);
  EXPECT_EQ(s.line.color & 0xFFFFFF, 0x0000FFu);                         // red, the line reference's
  EXPECT_EQ(s.line.widthEmu, 25400);
  EXPECT_TRUE(s.fontColorSet);
  // The shape's own fill and line win over the style's; an arc takes no fill from it.
  s = Read("<xdr:spPr><a:noFill/><a:ln w=\"3175\"><a:prstDash val=\"sysDot\"/></a:ln></xdr:spPr>" + Style(1, 1));
  EXPECT_EQ(s.fill.kind, kShapeFillNone);
  EXPECT_EQ(s.line.widthEmu, 3175);
  EXPECT_EQ(s.line.lineStyle, 2);
  EXPECT_EQ(Read("<xdr:spPr><a:prstGeom prst=\"arc\"/></xdr:spPr>" + Style(1, 0)).fill.kind, kShapeFillUnset);
}

TEST(ShapeReader, OutlinesPatternsAndTextBodies) {
  ShapeSpec s = Read(
      "<xdr:spPr><a:pattFill prst=\"pct25\"><a:fgClr><a:srgbClr val=\"000000\"/></a:fgClr></a:pattFill>"
      "<a:ln w=\"12700\" cap=\"rnd\" cmpd=\"dbl\"><a:solidFill><a:srgbClr val=\"000000\"/></a:solidFill>"
      "<a:custDash><a:ds d=\"300000\" sp=\"100000\"/></a:custDash><a:bevel/>"
      "<a:headEnd type=\"oval\" w=\"sm\" len=\"lg\"/><a:tailEnd type=\"stealth\"/></a:ln></xdr:spPr>"
      "<xdr:txBody><a:bodyPr vert=\"vert270\" anchor=\"ctr\" wrap=\"none\" lIns=\"0\"><a:normAutofit fontScale=\"62500\""
      " lnSpcReduction=\"20000\"/></a:bodyPr><a:p><a:pPr algn=\"r\"><a:buAutoNum type=\"alphaLcParenR\"/></a:pPr>"
      "<a:r><a:rPr sz=\"1400\" b=\"1\" u=\"sng\" strike=\"sngStrike\"><a:latin typeface=\"+mj-lt\"/></a:rPr><a:t>A</a:t>"
      "</a:r><a:br/><a:r><a:t>B</a:t></a:r></a:p><a:p><a:pPr><a:buAutoNum type=\"alphaLcParenR\"/></a:pPr></a:p></xdr:txBody>",
      " textlink=\"$B$2\"");
  EXPECT_EQ(s.fill.kind, kShapeFillPattern);
  EXPECT_EQ(s.fill.hatchGroup, -1);
  EXPECT_EQ(s.fill.percent, 25);
  EXPECT_EQ(s.line.cap, kCapRound);
  EXPECT_EQ(s.line.compound, 1);
  EXPECT_EQ(s.line.join, kJoinBevel);
  EXPECT_EQ(s.line.dashes, (std::vector<double>{3, 1}));
  EXPECT_EQ(s.line.head.kind, kLineEndOval);
  EXPECT_EQ(s.line.head.width, 0);
  EXPECT_EQ(s.line.head.length, 2);
  EXPECT_EQ(s.line.tail.kind, kLineEndStealth);
  const ShapeTextBody& t = s.text;
  EXPECT_EQ(t.vert, kVertUp);
  EXPECT_EQ(t.anchor, kAnchorMiddle);
  EXPECT_FALSE(t.wrap);
  EXPECT_EQ(t.leftInset, 0);
  EXPECT_EQ(t.topInset, 45720);
  EXPECT_DOUBLE_EQ(t.fontScale, 0.625);
  EXPECT_DOUBLE_EQ(t.spacingReduction, 0.2);
  EXPECT_EQ(t.linkRef, u"$B$2");
  ASSERT_EQ(t.paragraphs.size(), 2u);
  const TextParagraphSpec& p = t.paragraphs[0];
  EXPECT_EQ(p.align, kAlignRight);
  EXPECT_EQ(t.paragraphs[1].autoNumber, 2);  // numbering goes on from the paragraph before
  ASSERT_EQ(p.runs.size(), 3u);
  EXPECT_TRUE(p.runs[1].lineBreak);
  const TextRunSpec& r = p.runs[0];
  EXPECT_EQ(r.text, u"A");
  EXPECT_DOUBLE_EQ(r.sizePt, 14);
  EXPECT_TRUE(r.bold && r.underline && r.strike && !r.italic);
  EXPECT_EQ(r.face, u"Cambria");
}

TEST(ShapeReader, ListStyleLevelsGiveParagraphsAndRunsTheirDefaults) {
  const ShapeSpec s = Read(
      "<xdr:txBody><a:bodyPr/><a:lstStyle><a:defPPr algn=\"r\"><a:defRPr sz=\"900\" i=\"1\"/></a:defPPr>"
      "<a:lvl2pPr marL=\"457200\" algn=\"ctr\"><a:buChar char=\"-\"/><a:defRPr sz=\"2000\"><a:solidFill>"
      "<a:srgbClr val=\"0000FF\"/></a:solidFill></a:defRPr></a:lvl2pPr></a:lstStyle>"
      "<a:p><a:r><a:t>top</a:t></a:r></a:p>"
      "<a:p><a:pPr lvl=\"1\"><a:defRPr b=\"1\"/></a:pPr><a:r><a:t>sub</a:t></a:r>"
      "<a:r><a:rPr sz=\"1000\"/><a:t>own</a:t></a:r></a:p>"
      "<a:p><a:pPr lvl=\"1\" algn=\"l\"><a:buNone/></a:pPr><a:r><a:t>x</a:t></a:r></a:p>"
      "<a:p><a:pPr lvl=\"99\"/></a:p></xdr:txBody>");
  ASSERT_EQ(s.text.paragraphs.size(), 4u);
  const TextParagraphSpec &top = s.text.paragraphs[0], &sub = s.text.paragraphs[1], &own = s.text.paragraphs[2];
  EXPECT_EQ(top.align, kAlignRight);
  EXPECT_DOUBLE_EQ(top.runs[0].sizePt, 9);
  EXPECT_TRUE(top.runs[0].italic);
  EXPECT_FALSE(top.runs[0].colorSet);
  EXPECT_EQ(sub.align, kAlignCenter);
  EXPECT_EQ(sub.marginEmu, 457200);
  EXPECT_EQ(sub.bullet, u"-");
  ASSERT_EQ(sub.runs.size(), 2u);
  EXPECT_DOUBLE_EQ(sub.runs[0].sizePt, 20);
  EXPECT_TRUE(sub.runs[0].bold && sub.runs[0].italic && sub.runs[0].colorSet);
  EXPECT_EQ(sub.runs[0].color & 0xFFFFFF, 0xFF0000u);
  EXPECT_DOUBLE_EQ(sub.runs[1].sizePt, 10);   // a run's own size wins
  EXPECT_EQ(own.align, kAlignLeft);
  EXPECT_TRUE(own.bullet.empty());
  EXPECT_EQ(s.text.paragraphs[3].level, 8);   // levels past the ninth are the ninth
}

TEST(ShapeReader, VerticalKindsWarpsAndMiterLimits) {
  const struct {
    const char* vert;
    int32_t kind;
  } verts[] = {{"vert", kVertDown},          {"vert270", kVertUp},           {"wordArtVert", kVertStacked},
               {"wordArtVertRtl", kVertStackedRtl}, {"eaVert", kVertEastAsian}, {"mongolianVert", kVertMongolian},
               {"horz", kVertHorizontal},    {"bogus", kVertHorizontal}};
  for (const auto& v : verts) {
    const ShapeSpec s = Read(std::string("<xdr:txBody><a:bodyPr vert=\"") + v.vert + "\"/><a:p/></xdr:txBody>");
    EXPECT_EQ(s.text.vert, v.kind) << v.vert;
  }
  const ShapeSpec s = Read(
      "<xdr:spPr><a:ln><a:miter lim=\"200000\"/></a:ln></xdr:spPr><xdr:txBody><a:bodyPr><a:prstTxWarp "
      "prst=\"textArchUp\"><a:avLst><a:gd name=\"adj\" fmla=\"val 10800000\"/></a:avLst></a:prstTxWarp></a:bodyPr>"
      "<a:p/></xdr:txBody>");
  EXPECT_EQ(s.line.join, kJoinMiter);
  EXPECT_EQ(s.line.miterLimit, 200000);
  EXPECT_EQ(s.text.warp, "textArchUp");
  ASSERT_EQ(s.text.warpAdjusts.size(), 1u);
  EXPECT_EQ(s.text.warpAdjusts[0].args[0], "10800000");
  // A limit below one width is one width.
  EXPECT_EQ(Read("<xdr:spPr><a:ln><a:miter lim=\"5\"/></a:ln></xdr:spPr>").line.miterLimit, 100000);
  ShapeGeometry warp;
  EXPECT_TRUE(FindTextWarpGeometry("textWave1", &warp));
  EXPECT_EQ(warp.paths.size(), 2u);
  EXPECT_FALSE(FindTextWarpGeometry("textNoSuchWarp", &warp));
}

TEST(ShapeReader, GroupFillComesFromTheNearestGroupWithAFill) {
  const struct {
    const char* outer;  // fill of the outer group's properties
    const char* inner;  // fill of the inner group's
    int32_t kind;
    uint32_t rgb;
  } cases[] = {
      {"<a:solidFill><a:srgbClr val=\"00FF00\"/></a:solidFill>", "<a:grpFill/>", kShapeFillSolid, 0x00FF00},
      {"<a:solidFill><a:srgbClr val=\"00FF00\"/></a:solidFill>", "<a:solidFill><a:srgbClr val=\"0000FF\"/></a:solidFill>",
       kShapeFillSolid, 0xFF0000},
      {"<a:solidFill><a:srgbClr val=\"00FF00\"/></a:solidFill>", "", kShapeFillNone, 0},
      {"<a:grpFill/>", "<a:grpFill/>", kShapeFillNone, 0},
  };
  for (const auto& c : cases) {
    const std::string xml = std::string("<xdr:grpSp xmlns:xdr=\"x\" xmlns:a=\"a\"><xdr:grpSpPr>") + c.outer +
                            "</xdr:grpSpPr><xdr:grpSp><xdr:grpSpPr>" + c.inner +
                            "</xdr:grpSpPr><xdr:sp><xdr:spPr><a:grpFill/></xdr:spPr>" + Style(1, 0) +
                            "</xdr:sp></xdr:grpSp></xdr:grpSp>";
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(xml.c_str()));
    ShapeSpec s;
    Workbook* w = nullptr;
    ASSERT_EQ(CreateWorkbook(&w), 1);
    ReadShapeSpec(*w, nullptr, 0, doc.document_element().last_child().last_child(), &s);
    FreeWorkbook(w);
    EXPECT_EQ(s.fill.kind, c.kind) << c.inner;
    if (c.kind == kShapeFillSolid) {
      EXPECT_EQ(s.fill.color & 0xFFFFFF, c.rgb);
    }
  }
}
