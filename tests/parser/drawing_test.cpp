// The drawing part and the anchored embedded objects of a worksheet, read with the sheet.
#include <gtest/gtest.h>

#include <tuple>

#include "tests/parser/parsertestutil.h"

using namespace xlx;
using xlxtest::OpenedPackage;

namespace {

const char* kRelsHead = "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";

std::string Marker(const char* name, int col, long long colOff, int row, long long rowOff) {
  return std::string("<xdr:") + name + "><xdr:col>" + std::to_string(col) + "</xdr:col><xdr:colOff>" +
         std::to_string(colOff) + "</xdr:colOff><xdr:row>" + std::to_string(row) + "</xdr:row><xdr:rowOff>" +
         std::to_string(rowOff) + "</xdr:rowOff></xdr:" + name + ">";
}

std::string Pic(const std::string& blip, const std::string& spPr = "") {
  return "<xdr:pic><xdr:nvPicPr><xdr:cNvPr id=\"7\" name=\"Logo\"/></xdr:nvPicPr><xdr:blipFill>" + blip +
         "</xdr:blipFill><xdr:spPr>" + spPr + "</xdr:spPr></xdr:pic>";
}

// A workbook whose one sheet has the drawing `body` (children of xdr:wsDr) and `sheetBody` after sheetData.
std::vector<xlxtest::ZipEntry> Package(const std::string& body, const std::string& sheetBody = "") {
  std::vector<xlxtest::ZipEntry> e = xlxtest::MinimalWorkbookEntries({"S"});
  xlxtest::SetEntry(&e, "xl/worksheets/sheet1.xml",
                    xlxtest::MainPart("worksheet xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\" "
                                      "xmlns:x14=\"http://schemas.microsoft.com/office/spreadsheetml/2009/9/main\"",
                                      "<sheetData/><drawing r:id=\"rD\"/>" + sheetBody));
  xlxtest::SetEntry(&e, "xl/worksheets/_rels/sheet1.xml.rels",
                    std::string(kRelsHead) +
                        "<Relationship Id=\"rD\" Type=\"http://x/drawing\" Target=\"../drawings/drawing1.xml\"/>"
                        "<Relationship Id=\"rP\" Type=\"http://x/image\" Target=\"../media/preview.emf\"/>"
                        "<Relationship Id=\"rX\" Type=\"http://x/image\" Target=\"http://example.com/a.png\" TargetMode=\"External\"/>"
                        "</Relationships>");
  xlxtest::SetEntry(&e, "xl/drawings/drawing1.xml",
                    "<xdr:wsDr xmlns:xdr=\"http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing\" "
                    "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
                    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" "
                    "xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\" "
                    "xmlns:sle15=\"http://schemas.microsoft.com/office/drawing/2012/slicer\" "
                    "xmlns:a14=\"http://schemas.microsoft.com/office/drawing/2010/main\">" +
                        body + "</xdr:wsDr>");
  xlxtest::SetEntry(&e, "xl/drawings/_rels/drawing1.xml.rels",
                    std::string(kRelsHead) +
                        "<Relationship Id=\"r1\" Type=\"http://x/image\" Target=\"../media/image1.png\"/>"
                        "<Relationship Id=\"r2\" Type=\"http://x/image\" Target=\"../media/image2.svg\"/>"
                        "<Relationship Id=\"r3\" Type=\"http://x/chart\" Target=\"../charts/chart1.xml\"/>"
                        "<Relationship Id=\"rX\" Type=\"http://x/image\" Target=\"file:///C:/a.png\" TargetMode=\"External\"/>"
                        "</Relationships>");
  xlxtest::SetEntry(&e, "xl/media/image1.png", "not really a picture");
  return e;
}

const MyWorksheet& Sheet(const OpenedPackage& p) { return *GetSheet(p.workbook, 0); }

}  // namespace

TEST(SheetDrawing, AnchorsOfEveryKindWithTheirCellsAndOffsets) {
  const std::string body =
      "<xdr:twoCellAnchor editAs=\"oneCell\">" + Marker("from", 1, 12700, 1, 0) + Marker("to", 3, 0, 3, 25400) +
      Pic("<a:blip r:embed=\"r1\"/>", "<a:xfrm rot=\"5400000\" flipH=\"1\"><a:off x=\"1\" y=\"2\"/><a:ext cx=\"30\" cy=\"40\"/></a:xfrm>") +
      "<xdr:clientData/></xdr:twoCellAnchor>"
      "<xdr:oneCellAnchor>" + Marker("from", 9, 0, 40000, 0) + "<xdr:ext cx=\"914400\" cy=\"457200\"/>" +
      Pic("<a:blip r:embed=\"r1\"/>") + "</xdr:oneCellAnchor>"
      "<xdr:absoluteAnchor><xdr:pos x=\"10\" y=\"20\"/><xdr:ext cx=\"5\" cy=\"6\"/><xdr:graphicFrame><xdr:nvGraphicFramePr>"
      "<xdr:cNvPr id=\"3\" name=\"Chart\"/></xdr:nvGraphicFramePr><a:graphic><a:graphicData uri=\"http://schemas.openxmlformats.org/drawingml/2006/chart\">"
      "<c:chart xmlns:c=\"c\" r:id=\"r3\"/></a:graphicData></a:graphic></xdr:graphicFrame></xdr:absoluteAnchor>"
      // Hostile indices are clamped to the sheet; an anchor without an object is dropped.
      "<xdr:twoCellAnchor>" + Marker("from", 99999999, 0, -5, 0) + Marker("to", 2, 0, 7, 0) +
      "<xdr:sp><xdr:nvSpPr><xdr:cNvPr id=\"9\" name=\"S\" hidden=\"1\"/></xdr:nvSpPr></xdr:sp></xdr:twoCellAnchor>"
      "<xdr:twoCellAnchor>" + Marker("from", 1, 0, 1, 0) + Marker("to", 2, 0, 2, 0) + "</xdr:twoCellAnchor>";
  OpenedPackage p(Package(body));
  ASSERT_EQ(p.rc, 1);
  const std::vector<DrawingObject>& o = Sheet(p).drawing.objects;
  ASSERT_EQ(o.size(), 4u);
  const DrawingAnchor& a = o[0].anchor;
  EXPECT_EQ(std::make_tuple(a.kind, a.editAs, a.fromCol, a.fromColOff, a.toRow, a.toRowOff),
            std::make_tuple(int32_t(kAnchorTwoCell), int32_t(kEditOneCell), 1, int64_t(12700), 3, int64_t(25400)));
  EXPECT_EQ(o[0].kind, kObjectPicture);
  EXPECT_EQ(o[0].name, u"Logo");
  EXPECT_EQ(o[0].picture.blipPath, u"xl/media/image1.png");
  EXPECT_EQ(std::make_tuple(o[0].xfrm.rotation, o[0].xfrm.flipH, o[0].xfrm.flipV, o[0].xfrm.cx),
            std::make_tuple(5400000, true, false, int64_t(30)));
  EXPECT_EQ(std::make_tuple(o[1].anchor.kind, o[1].anchor.fromRow, o[1].anchor.cx),
            std::make_tuple(int32_t(kAnchorOneCell), 40000, int64_t(914400)));
  EXPECT_EQ(std::make_tuple(o[2].kind, o[2].graphicKind, o[2].anchor.x, o[2].anchor.cy),
            std::make_tuple(int32_t(kObjectGraphicFrame), int32_t(kGraphicChart), int64_t(10), int64_t(6)));
  EXPECT_EQ(o[2].targetPath, u"xl/charts/chart1.xml");
  EXPECT_EQ(std::make_tuple(o[3].anchor.fromCol, o[3].anchor.fromRow, o[3].bHidden), std::make_tuple(16383, 0, true));
  EXPECT_EQ(o[3].nAnchorIndex, 3);

  MyCellBounds cells;
  ASSERT_TRUE(AnchorCells(o[0].anchor, &cells));
  EXPECT_EQ(std::make_tuple(cells.RowFirst, cells.RowLast, cells.ColFirst, cells.ColLast), std::make_tuple(2, 4, 2, 4));
  ASSERT_TRUE(AnchorCells(o[1].anchor, &cells));
  EXPECT_EQ(std::make_tuple(cells.RowFirst, cells.RowLast), std::make_tuple(40001, 40001)) << "rows past 32767 stay";
  EXPECT_FALSE(AnchorCells(o[2].anchor, &cells));
}

TEST(SheetDrawing, AlternateContentTakesTheBranchTheReaderSupports) {
  const std::string anchor = "<xdr:twoCellAnchor>" + Marker("from", 0, 0, 0, 0) + Marker("to", 1, 0, 1, 0);
  const std::string body =
      // A slicer needs a namespace this reader lacks: its fallback shape stands in.
      "<mc:AlternateContent><mc:Choice Requires=\"sle15\">" + anchor +
      "<xdr:graphicFrame><a:graphic><a:graphicData><sle:slicer xmlns:sle=\"s\"/></a:graphicData></a:graphic></xdr:graphicFrame>"
      "</xdr:twoCellAnchor></mc:Choice><mc:Fallback>" + anchor + "<xdr:sp/></xdr:twoCellAnchor></mc:Fallback></mc:AlternateContent>"
      "<mc:AlternateContent><mc:Choice Requires=\"a14\">" + anchor + Pic("<a:blip r:embed=\"r1\"/>") +
      "</xdr:twoCellAnchor></mc:Choice><mc:Fallback>" + anchor + "<xdr:sp/></xdr:twoCellAnchor></mc:Fallback></mc:AlternateContent>"
      "<mc:AlternateContent><mc:Choice Requires=\"cx1\">" + anchor + "<xdr:sp/></xdr:twoCellAnchor></mc:Choice></mc:AlternateContent>";
  OpenedPackage p(Package(body));
  ASSERT_EQ(p.rc, 1);
  const std::vector<DrawingObject>& o = Sheet(p).drawing.objects;
  ASSERT_EQ(o.size(), 2u);
  EXPECT_EQ(std::make_tuple(o[0].kind, o[0].bFromAlternate), std::make_tuple(int32_t(kObjectShape), true));
  EXPECT_EQ(o[1].kind, kObjectPicture);
}

TEST(SheetDrawing, PicturePartsCropEffectsAndOutline) {
  const std::string anchor = "<xdr:twoCellAnchor>" + Marker("from", 0, 0, 0, 0) + Marker("to", 1, 0, 1, 0);
  const std::string body =
      anchor +
      Pic("<a:blip r:embed=\"r1\"><a:alphaModFix amt=\"40000\"/><a:grayscl/><a:lum bright=\"20000\" contrast=\"-30000\"/>"
          "<a:duotone><a:srgbClr val=\"102030\"/><a:srgbClr val=\"FFEEDD\"/></a:duotone><a:biLevel thresh=\"75000\"/>"
          "<a:extLst><a:ext uri=\"{96DAC541-7B7A-43D3-8B79-37D633B846F1}\"><asvg:svgBlip xmlns:asvg=\"v\" r:embed=\"r2\"/>"
          "</a:ext></a:extLst></a:blip><a:srcRect l=\"10000\" t=\"-5000\" r=\"999999999\"/><a:stretch/>",
          "<a:ln w=\"38100\"><a:solidFill><a:srgbClr val=\"FF0000\"/></a:solidFill><a:prstDash val=\"sysDot\"/></a:ln>") +
      "</xdr:twoCellAnchor>" + anchor + Pic("<a:blip r:link=\"rX\"/>") + "</xdr:twoCellAnchor>" + anchor +
      Pic("<a:blip r:embed=\"rX\"/>") + "</xdr:twoCellAnchor>" + anchor + Pic("<a:blip r:embed=\"nothing\"/>") +
      "</xdr:twoCellAnchor>";
  OpenedPackage p(Package(body));
  ASSERT_EQ(p.rc, 1);
  const std::vector<DrawingObject>& o = Sheet(p).drawing.objects;
  ASSERT_EQ(o.size(), 4u);
  const PictureFill& f = o[0].picture;
  EXPECT_EQ(f.svgPath, u"xl/media/image2.svg");
  EXPECT_EQ(f.blipPath, u"xl/media/image1.png");
  EXPECT_EQ(std::make_tuple(f.cropLeft, f.cropTop, f.cropRight, f.cropBottom, f.alpha),
            std::make_tuple(10000, -5000, 100000, 0, 40000));
  ASSERT_EQ(f.effectCount, 4);
  EXPECT_EQ(f.effects[0].kind, kEffectGrayscale);
  EXPECT_EQ(std::make_tuple(f.effects[1].kind, f.effects[1].value1, f.effects[1].value2),
            std::make_tuple(int32_t(kEffectLum), 20000, -30000));
  EXPECT_EQ(std::make_tuple(f.effects[2].kind, f.effects[2].color1, f.effects[2].color2),
            std::make_tuple(int32_t(kEffectDuotone), 0xFF302010u, 0xFFDDEEFFu));
  EXPECT_EQ(std::make_tuple(f.effects[3].kind, f.effects[3].value1), std::make_tuple(int32_t(kEffectBiLevel), 75000));
  EXPECT_EQ(std::make_tuple(o[0].outline.present, o[0].outline.color, o[0].outline.widthEmu, o[0].outline.lineStyle),
            std::make_tuple(true, 0xFF0000FFu, int64_t(38100), 2));
  EXPECT_TRUE(o[1].picture.bLinked) << "r:link";
  EXPECT_TRUE(o[2].picture.bLinked) << "an external target";
  EXPECT_FALSE(o[3].picture.bLinked);
  EXPECT_TRUE(o[3].picture.blipPath.empty()) << "an id that resolves nowhere";
}

TEST(SheetDrawing, GroupMembersFollowTheirGroupAndNestingIsBounded) {
  std::string nested = Pic("<a:blip r:embed=\"r1\"/>");
  for (int i = 0; i < 40; ++i)
    nested = "<xdr:grpSp><xdr:grpSpPr><a:xfrm><a:off x=\"0\" y=\"0\"/><a:ext cx=\"10\" cy=\"10\"/><a:chOff x=\"5\" y=\"0\"/>"
             "<a:chExt cx=\"20\" cy=\"20\"/></a:xfrm></xdr:grpSpPr>" + nested + "</xdr:grpSp>";
  OpenedPackage p(Package("<xdr:twoCellAnchor>" + Marker("from", 0, 0, 0, 0) + Marker("to", 4, 0, 4, 0) + nested +
                          "</xdr:twoCellAnchor>"));
  ASSERT_EQ(p.rc, 1);
  const std::vector<DrawingObject>& o = Sheet(p).drawing.objects;
  ASSERT_EQ(o.size(), 32u) << "32 levels of groups, nothing deeper";
  EXPECT_EQ(std::make_tuple(o[0].kind, o[0].nParent, o[0].xfrm.chX, o[0].xfrm.chCx),
            std::make_tuple(int32_t(kObjectGroup), -1, int64_t(5), int64_t(20)));
  EXPECT_EQ(std::make_tuple(o[1].nParent, o[1].nDepth, o[31].nDepth), std::make_tuple(0, 1, 31));
}

TEST(SheetDrawing, EmbeddedObjectsAndControlsWithAnchoredPreviews) {
  const std::string ole =
      "<oleObjects><mc:AlternateContent><mc:Choice Requires=\"x14\"><oleObject progId=\"Doc\" shapeId=\"1025\" r:id=\"rO\">"
      "<objectPr r:id=\"rP\"><anchor moveWithCells=\"1\"><from><xdr:col xmlns:xdr=\"d\">2</xdr:col><xdr:colOff xmlns:xdr=\"d\">"
      "9525</xdr:colOff><xdr:row xmlns:xdr=\"d\">4</xdr:row><xdr:rowOff xmlns:xdr=\"d\">0</xdr:rowOff></from><to><xdr:col xmlns:xdr=\"d\">"
      "5</xdr:col><xdr:colOff xmlns:xdr=\"d\">0</xdr:colOff><xdr:row xmlns:xdr=\"d\">9</xdr:row><xdr:rowOff xmlns:xdr=\"d\">0</xdr:rowOff>"
      "</to></anchor></objectPr></oleObject></mc:Choice><mc:Fallback><oleObject shapeId=\"1025\" r:id=\"rO\"/></mc:Fallback>"
      "</mc:AlternateContent><oleObject shapeId=\"1026\" r:id=\"rO\"/></oleObjects>"
      "<controls><control shapeId=\"1027\" r:id=\"rC\"><controlPr r:id=\"rX\"><anchor><from/><to/></anchor></controlPr></control>"
      "</controls>";
  OpenedPackage p(Package("", ole));
  ASSERT_EQ(p.rc, 1);
  const std::vector<LegacyObject>& l = Sheet(p).drawing.legacyObjects;
  ASSERT_EQ(l.size(), 1u) << "one preview; no anchor and an external preview are passed over";
  EXPECT_EQ(l[0].picturePath, u"xl/media/preview.emf");
  EXPECT_EQ(std::make_tuple(l[0].anchor.fromCol, l[0].anchor.fromColOff, l[0].anchor.fromRow, l[0].anchor.toCol, l[0].anchor.toRow),
            std::make_tuple(2, int64_t(9525), 4, 5, 9));
}

// The drawing part printed is the one the sheet's `drawing` element names, whatever other drawing
// relationships the sheet lists.
TEST(SheetDrawing, OnlyTheDrawingTheSheetNamesIsRead) {
  const std::string shape = "<xdr:twoCellAnchor>" + Marker("from", 1, 0, 1, 0) + Marker("to", 2, 0, 2, 0) +
                            "<xdr:sp><xdr:nvSpPr><xdr:cNvPr id=\"9\" name=\"S\"/></xdr:nvSpPr></xdr:sp></xdr:twoCellAnchor>";
  const struct {
    const char* element;
    size_t objects;
    int32_t firstColumn;  // of the first anchor: 1 in drawing1, 5 in drawing2
  } kCases[] = {
      {"<drawing r:id=\"rD\"/>", 1, 1}, {"", 0, -1}, {"<drawing r:id=\"rMissing\"/>", 0, -1},
      {"<drawing/>", 0, -1}, {"<drawing r:id=\"rE\"/>", 1, 5},
  };
  for (const auto& c : kCases) {
    std::vector<xlxtest::ZipEntry> e = Package(shape);
    xlxtest::SetEntry(&e, "xl/worksheets/sheet1.xml", xlxtest::MainPart("worksheet", std::string("<sheetData/>") + c.element));
    xlxtest::SetEntry(&e, "xl/worksheets/_rels/sheet1.xml.rels",
                      std::string(kRelsHead) +
                          "<Relationship Id=\"rD\" Type=\"http://x/drawing\" Target=\"../drawings/drawing1.xml\"/>"
                          "<Relationship Id=\"rE\" Type=\"http://x/drawing\" Target=\"../drawings/drawing2.xml\"/>"
                          "</Relationships>");
    std::string second = shape;
    second.replace(second.find("<xdr:col>1<"), 11, "<xdr:col>5<");
    second.replace(second.find("<xdr:col>2<"), 11, "<xdr:col>6<");
    xlxtest::SetEntry(&e, "xl/drawings/drawing2.xml",
                      "<xdr:wsDr xmlns:xdr=\"http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing\">" +
                          second + "</xdr:wsDr>");
    OpenedPackage p(e);
    ASSERT_EQ(p.rc, 1) << c.element;
    const std::vector<DrawingObject>& o = Sheet(p).drawing.objects;
    ASSERT_EQ(o.size(), c.objects) << c.element;
    if (!o.empty()) {
      EXPECT_EQ(o[0].anchor.fromCol, c.firstColumn) << c.element;
    }
  }
}

TEST(SheetDrawing, UnreadableDrawingPartsLeaveTheSheetReadable) {
  for (const char* drawing : {"<xdr:wsDr", "", "<a/>"}) {
    std::vector<xlxtest::ZipEntry> e = Package("");
    if (*drawing) xlxtest::SetEntry(&e, "xl/drawings/drawing1.xml", drawing);
    else xlxtest::RemoveEntry(&e, "xl/drawings/drawing1.xml");
    OpenedPackage p(e);
    ASSERT_EQ(p.rc, 1) << drawing;
    EXPECT_TRUE(Sheet(p).drawing.objects.empty()) << drawing;
  }
}
