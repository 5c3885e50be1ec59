// Legacy drawings read from VML text and comments parts, well-formed or not.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "model/workbook.h"
#include "shapes/reader/vml.h"

using namespace xlx;

namespace {

TEST(VmlValues, LengthsAndColours) {
  const struct {
    const char* text;
    double pt;
  } lengths[] = {{"1in", 72}, {"72pt", 72}, {"2.54cm", 72}, {"25.4mm", 72}, {"6pc", 72}, {"96px", 72},
                 {"914400em", 72}, {"96", 72}, {"", 0}, {"1e300pt", 1e7}, {"-1e300pt", -1e7}, {"junk", 0}};
  for (const auto& l : lengths) EXPECT_NEAR(VmlLengthPt(l.text, 0.75), l.pt, 1e-6) << l.text;
  const struct {
    const char* text;
    bool ok;
    CellColor color;
  } colours[] = {{"#f00", true, 0xFF0000FF},           {"#ff0000 [10]", true, 0xFF0000FF},
                 {"Teal", true, 0xFF808000},            {"infoBackground [80]", true, 0xFFE1FFFF},
                 {"buttonFace", true, 0xFFC8D0D4},      {"windowText [64]", true, 0xFF000000},
                 {"fill darken(128)", true, 0xFF000080}, {"fill lighten(0)", true, 0xFFFFFFFF},
                 {"none [81]", true, 0xFF000000}, {"auto", false, 0},                    {"#12", false, 0},
                 {"#ff00zz", false, 0},                 {"chartreuse", true, 0xFF000000}};
  for (const auto& c : colours) {
    CellColor got = 0;
    EXPECT_EQ(ParseVmlColor(c.text, 0xFF0000FF, &got), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(got, c.color) << c.text;
    }
  }
}

TEST(VmlShapes, ReadsTolerantMarkupIntoShapes) {
  const std::string vml =
      "<xml><v:shapetype id='_x0000_t202' coordsize='21600,21600' o:spt='202' path='m,l,21600r21600,l21600,xe' "
      "filled='f'><v:formulas><v:f eqn='val #0'/></v:formulas></v:shapetype>"
      "<V:SHAPE id=a type='#_x0000_t202' style='position:absolute;margin-left:10pt;margin-top:5pt;width:1in;"
      "height:20px;visibility:hidden;rotation:90;flip:x y' fillcolor='#ffffe1' strokecolor='auto' adj='5,,7'>"
      "<v:shadow on='t' offset='3pt,1pt'/><v:stroke dashstyle='dashDot' endarrow='block'/>"
      "<v:textbox inset='1pt,2pt,3pt,4pt'><div style='text-align:center'><font face='Tahoma' size='160'><b>Ann:</b></font>"
      "<br>  two&amp;  words </div></v:textbox>"
      "<x:ClientData ObjectType='Note'><x:Anchor>1, 15, 2, 10, 3, 15, 6, 4</x:Anchor><x:Row>4</x:Row>"
      "<x:Column>2</x:Column><x:Visible/><x:Checked>9</x:Checked></x:ClientData>"
      // Never closed: the next shape ends it.
      "<v:shape id=b type='#_x0000_t13'><v:imagedata o:relid='rId1'>"
      "<v:group coordsize='100,100' style='left:0;top:0;width:50pt;height:50pt'><v:line from='10,20' to='1e400,5'/>"
      "<v:polyline points='1,2 3,4 5'/></v:group><v:roundrect arcsize='32768f'/><v:bogus/><v:shape";
  LegacyDrawing d;
  ASSERT_EQ(ReadVmlShapes(vml.data(), vml.size(), nullptr, 0, &d), 1);
  ASSERT_EQ(d.shapes.size(), 6u);
  const VmlShape& a = d.shapes[0];
  EXPECT_EQ(a.id, "a");
  EXPECT_EQ(a.shapeType, 202);
  EXPECT_EQ(a.geometry.formulas.size(), 1u);
  EXPECT_EQ(a.geometry.adjusts, (std::vector<int32_t>{5, kVmlAdjustAbsent, 7}));
  EXPECT_DOUBLE_EQ(a.left, 10);
  EXPECT_DOUBLE_EQ(a.top, 5);
  EXPECT_DOUBLE_EQ(a.width, 72);
  EXPECT_DOUBLE_EQ(a.height, 15);
  EXPECT_TRUE(a.hidden && a.flipX && a.flipY);
  EXPECT_DOUBLE_EQ(a.rotation, 90);
  EXPECT_FALSE(a.fill.on);  // the type's filled="f"
  EXPECT_FALSE(a.stroke.on);  // "auto"
  EXPECT_EQ(a.stroke.lineStyle, 3);  // dash-dot
  EXPECT_EQ(a.stroke.endArrow, kVmlArrowBlock);
  EXPECT_TRUE(a.shadow.on);
  EXPECT_DOUBLE_EQ(a.shadow.offsetX, 3);
  EXPECT_DOUBLE_EQ(a.textBox.insetBottom, 4);
  EXPECT_EQ(a.textBox.align, 1);
  ASSERT_EQ(a.textBox.runs.size(), 2u);
  EXPECT_EQ(a.textBox.runs[0].text, u"Ann:");
  EXPECT_TRUE(a.textBox.runs[0].bold);
  EXPECT_DOUBLE_EQ(a.textBox.runs[0].sizePt, 8);
  EXPECT_EQ(a.textBox.runs[1].text, u"\ntwo& words ");
  const VmlClientData& cd = a.client;
  EXPECT_EQ(cd.kind, kControlNote);
  EXPECT_TRUE(cd.visible && cd.hasAnchor);
  EXPECT_EQ(cd.row, 4);
  EXPECT_EQ(cd.column, 2);
  EXPECT_EQ(cd.checked, 2);
  EXPECT_EQ(cd.anchor.fromCol, 1);
  EXPECT_EQ(cd.anchor.fromColOff, 15 * 9525);
  EXPECT_EQ(cd.anchor.toRow, 6);
  EXPECT_EQ(d.shapes[1].id, "b");
  EXPECT_EQ(d.shapes[1].shapeType, 13);
  EXPECT_EQ(d.shapes[2].kind, kVmlGroup);
  EXPECT_EQ(d.shapes[2].nParent, -1);
  EXPECT_EQ(d.shapes[3].nParent, 2);  // group members read in the group's own units
  EXPECT_DOUBLE_EQ(d.shapes[3].fromY, 20);
  EXPECT_DOUBLE_EQ(d.shapes[3].toX, 0);  // out of range: unreadable
  EXPECT_EQ(d.shapes[4].points, (std::vector<double>{1, 2, 3, 4}));
  EXPECT_DOUBLE_EQ(d.shapes[5].arcSize, 0.5);
}

TEST(VmlShapes, HostileTextStaysBounded) {
  const std::string cases[] = {std::string(100000, '<'), std::string(50000, '&') + ";", "<v:shape " + std::string(100000, 'a'),
                               [] {
                                 std::string s;
                                 for (int i = 0; i < 5000; ++i) s += "<v:group>";
                                 return s + "<v:rect/>";
                               }()};
  for (const std::string& text : cases) {
    LegacyDrawing d;
    EXPECT_EQ(ReadVmlShapes(text.data(), text.size(), nullptr, 0, &d), 1);
    // Groups nested past the depth limit are read as siblings, each member after its group.
    EXPECT_LE(d.shapes.size(), 5001u);
    for (size_t i = 0; i < d.shapes.size(); ++i) EXPECT_LT(d.shapes[i].nParent, int32_t(i));
  }
}

TEST(SheetNotes, ReadsCellsAuthorsAndRuns) {
  Workbook workbook;
  const std::string xml =
      "<comments><authors><author>Ann</author></authors><commentList>"
      "<comment ref='C5' authorId='0'><text><r><rPr><b/><sz val='9'/><rFont val='Tahoma'/></rPr><t>Ann:</t></r>"
      "<r><t xml:space='preserve'>\r\nhi</t></r><rPh><t>x</t></rPh></text></comment>"
      "<comment ref='ZZZZ1' authorId='0'><text><t>bad cell</t></text></comment>"
      "<comment ref='A1' authorId='7'><text><t>plain</t></text></comment></commentList></comments>";
  LegacyDrawing d;
  ASSERT_EQ(ReadSheetNotes(workbook, xml.data(), xml.size(), &d), 1);
  ASSERT_EQ(d.notes.size(), 2u);
  EXPECT_EQ(d.notes[0].row, 5);
  EXPECT_EQ(d.notes[0].column, 3);
  EXPECT_EQ(d.notes[0].author, u"Ann");
  ASSERT_EQ(d.notes[0].runs.size(), 2u);
  EXPECT_TRUE(d.notes[0].runs[0].bold);
  EXPECT_EQ(d.notes[0].runs[0].face, u"Tahoma");
  EXPECT_EQ(d.notes[0].runs[1].text, u"\nhi");
  EXPECT_EQ(d.notes[1].author, u"");
  EXPECT_EQ(ReadSheetNotes(workbook, "<comments", 9, &d), 1);
  EXPECT_TRUE(d.notes.empty());
}

}  // namespace

TEST(VmlShapes, OptionButtonsNumberWithinTheirGroupBoxAndShareItsLink) {
  // Two group boxes side by side (columns 1-4 and 6-9), one nested inside the second (rows
  // 6-9); buttons inside each and two outside any box. Only one button per group names the link.
  auto control = [](const char* type, const char* anchor, const char* extra) {
    return std::string("<v:shape type=\"#_x0000_t201\"><x:ClientData ObjectType=\"") + type + "\"><x:Anchor>" + anchor +
           "</x:Anchor>" + extra + "</x:ClientData></v:shape>";
  };
  const std::string vml = "<xml>" + control("GBox", "1,0,1,0,4,0,12,0", "") + control("GBox", "6,0,1,0,9,0,12,0", "") +
                          control("GBox", "6,5,6,0,9,0,9,0", "") +
                          control("Radio", "2,0,2,0,3,0,3,0", "<x:FmlaLink>$A$1</x:FmlaLink>") +
                          control("Radio", "2,0,4,0,3,0,5,0", "") + control("Radio", "7,0,2,0,8,0,3,0", "") +
                          control("Radio", "7,0,7,0,8,0,8,0", "<x:FmlaLink>$B$1</x:FmlaLink>") +
                          control("Radio", "11,0,2,0,12,0,3,0", "") + control("Radio", "2,0,4,10,3,0,13,0", "") +
                          control("Radio", "7,0,4,0,8,0,5,0", "<x:FmlaLink>$C$1</x:FmlaLink>") + "</xml>";
  LegacyDrawing d;
  ASSERT_EQ(ReadVmlShapes(vml.data(), vml.size(), nullptr, 0, &d), 1);
  ASSERT_EQ(d.shapes.size(), 10u);
  // Buttons in document order: number in group and link. The sixth sticks out of the first
  // box at the bottom, so it joins the loose one in the sheet's group.
  const struct {
    int32_t number;
    const char16_t* link;
  } want[] = {{1, u"$A$1"}, {2, u"$A$1"}, {1, u"$C$1"}, {1, u"$B$1"}, {1, u""}, {2, u""}, {2, u"$C$1"}};
  for (size_t k = 0; k < 7; ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(d.shapes[3 + k].client.optionNumber, want[k].number);
    EXPECT_EQ(d.shapes[3 + k].client.fmlaLink, want[k].link);
  }
}

TEST(VmlShapes, PictureCropsAndTiledFills) {
  const std::string vml =
      "<xml><v:shape><v:imagedata o:relid=\"rId1\" cropleft=\"6554f\" croptop=\".25\" cropright=\"10%\"/></v:shape>"
      "<v:image cropbottom=\"-0.5\"/><v:rect><v:fill type=\"tile\"/></v:rect><v:rect><v:fill type=\"frame\"/></v:rect></xml>";
  LegacyDrawing d;
  ASSERT_EQ(ReadVmlShapes(vml.data(), vml.size(), nullptr, 0, &d), 1);
  ASSERT_EQ(d.shapes.size(), 4u);
  EXPECT_NEAR(d.shapes[0].cropLeft, 0.1, 1e-4);
  EXPECT_NEAR(d.shapes[0].cropTop, 0.25, 1e-9);
  EXPECT_NEAR(d.shapes[0].cropRight, 0.1, 1e-9);
  EXPECT_NEAR(d.shapes[1].cropBottom, -0.5, 1e-9);
  EXPECT_TRUE(d.shapes[2].fill.tiled);
  EXPECT_EQ(d.shapes[3].fill.kind, kVmlFillPicture);
  EXPECT_FALSE(d.shapes[3].fill.tiled);
}
