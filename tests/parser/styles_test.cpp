// The stylesheet reader: fonts and their three rule sets, fills with the solid-colour choices,
// borders, lists whose counts disagree with their children, number formats, dxfs.
#include <gtest/gtest.h>

#include <tuple>

#include "parser/xlsxprsr.h"
#include "parser/styles/color.h"
#include "tests/parser/parsertestutil.h"

using namespace xlx;
using xlxtest::Xml;

namespace {

constexpr CellColor Rgb(uint8_t r, uint8_t g, uint8_t b) {
  return CellColor(r) | (CellColor(g) << 8) | (CellColor(b) << 16) | 0xFF000000u;
}

// A workbook with the office theme and the given styles part read.
struct Styles {
  explicit Styles(const std::string& body, int32_t dpi = 96) : xml(xlxtest::MainPart("styleSheet", body)) {
    workbook->dpi = dpi;
    xlxtest::AttachOfficeTheme(workbook.workbook);
    rc = ReadStylesheet(&workbook->styles, workbook.workbook, xml.Root());
  }
  const Stylesheet& s() const { return workbook->styles; }
  xlxtest::WorkbookPtr workbook;
  Xml xml;
  int32_t rc = 0;
};

TEST(Fonts, FlagRulesDifferForCellNormalAndDxfFonts) {
  struct Case {
    const char* body;
    int32_t cellWeight, normalWeight;
    uint8_t cellItalic, normalItalic, cellUnderline, normalUnderline, cellStrike, vertAlign = 0;
  };
  static const Case kCases[] = {
      {"<b/>", 700, 400, 0, 0, 0, 0, 0},                   {"<b val=\"1\"/>", 700, 700, 0, 0, 0, 0, 0},
      {"<b val=\"false\"/>", 400, 400, 0, 0, 0, 0, 0},     {"<i/>", 400, 400, 1, 0, 0, 0, 0},
      {"<i val=\"true\"/>", 400, 400, 1, 1, 0, 0, 0},      {"<i val=\"0\"/>", 400, 400, 0, 0, 0, 0, 0},
      {"<u/>", 400, 400, 0, 0, 1, 0, 0},                   {"<u val=\"single\"/>", 400, 400, 0, 0, 1, 1, 0},
      {"<u val=\"double\"/>", 400, 400, 0, 0, 2, 2, 0},    {"<u val=\"singleAccounting\"/>", 400, 400, 0, 0, 1, 1, 0},
      {"<u val=\"doubleAccounting\"/>", 400, 400, 0, 0, 2, 2, 0},
      {"<vertAlign val=\"superscript\"/>", 400, 400, 0, 0, 0, 0, 0, kVertAlignSuperscript},
      {"<vertAlign val=\"subscript\"/><u/>", 400, 400, 0, 0, 1, 0, 0, kVertAlignSubscript},
      {"<vertAlign val=\"baseline\"/>", 400, 400, 0, 0, 0, 0, 0, kVertAlignBaseline},
      {"<u val=\"none\"/>", 400, 400, 0, 0, 0, 0, 0},      {"<strike/>", 400, 400, 0, 0, 0, 0, 1},
      {"<strike val=\"0\"/>", 400, 400, 0, 0, 0, 0, 0},
  };
  xlxtest::WorkbookPtr workbook;
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.body);
    Xml xml(std::string("<font>") + c.body + "</font>");
    MyLogFont cell, normal;
    ReadFont(&cell, *workbook, xml.Root(), true, nullptr);
    ReadNormalFont(xml.Root(), 96, &normal, nullptr);
    EXPECT_EQ(std::make_tuple(cell.lfWeight, cell.lfItalic, cell.lfUnderline, cell.lfStrikeOut, cell.vertAlign),
              std::make_tuple(c.cellWeight, c.cellItalic, c.cellUnderline, c.cellStrike, c.vertAlign));
    EXPECT_EQ(std::make_tuple(normal.lfWeight, normal.lfItalic, normal.lfUnderline),
              std::make_tuple(c.normalWeight, c.normalItalic, c.normalUnderline));
    DxfFont dxf;
    ReadDxfFont(&dxf, *workbook, xml.Root());
    EXPECT_EQ(dxf.font.lfWeight == 700, c.cellWeight == 700);
    EXPECT_EQ(dxf.font.lfUnderline, c.cellUnderline);
    EXPECT_EQ(dxf.flags & (kDxfFontColor | kDxfFontName | kDxfFontSize), 0u);
  }
}

// White (theme 0, FFFFFF, palette 9) stays white; automatic, or a colour naming none, is
// window-text black, not the sheet background.
TEST(Fonts, WhiteTextStaysApartFromTheAutomaticColour) {
  const std::pair<const char*, CellColor> kCases[] = {
      {"theme=\"0\"", 0xFFFFFFFFu}, {"rgb=\"FFFFFFFF\"", 0xFFFFFFFFu}, {"indexed=\"9\"", 0xFFFFFFFFu},
      {"theme=\"1\"", kColorBlack}, {"auto=\"1\"", kColorBlack},      {"", kColorBlack},
      {"auto=\"1\" rgb=\"FFFF0000\"", kColorBlack}, {"theme=\"4\"", 0xFFBD814Fu},
  };
  xlxtest::WorkbookPtr workbook;
  xlxtest::AttachOfficeTheme(workbook.workbook);
  ASSERT_EQ(workbook->sheets.Allocate(1), 1);
  workbook->sheets[0].clBackColor = 0xFF404040u;
  workbook->currentSheet = 0;
  for (const auto& [attributes, expected] : kCases) {
    Xml xml(std::string("<font><color ") + attributes + "/></font>");
    MyLogFont font;
    ReadFont(&font, *workbook, xml.Root(), true, nullptr);
    DxfFont dxf;
    ReadDxfFont(&dxf, *workbook, xml.Root());
    EXPECT_EQ(std::make_tuple(font.color, dxf.font.color, dxf.flags & kDxfFontColor),
              std::make_tuple(expected, expected, uint32_t(kDxfFontColor))) << attributes;
  }
}

TEST(Fonts, FacesAndSizesInheritFromTheFirstFont) {
  Styles styles(
      "<fonts count=\"4\"><font><sz val=\"10\"/><name val=\"Arial\"/><family val=\"2\"/><charset val=\"204\"/></font>"
      "<font><b/></font>"
      "<font><sz val=\"12\"/><name val=\"A face name well beyond thirty-one units\"/></font>"
      "<font><sz val=\"1e300\"/><color rgb=\"FF00FF00\"/></font></fonts>",
      120);
  ASSERT_EQ(styles.rc, 1);
  // Face and size are inherited, charset and family are not; no color child: the initial black.
  auto face = [](const MyLogFont& f) {
    return std::make_tuple(std::u16string(f.lfFaceName), f.lfUnconvertedFontSize, int(f.lfCharSet), int(f.lfPitchAndFamily));
  };
  const MyLogFont& first = GetFont(styles.s(), 0);
  EXPECT_EQ(face(first), std::make_tuple(std::u16string(u"Arial"), 10.0 * 120 / 72, 204, 2));
  EXPECT_EQ(std::make_tuple(first.lfHeight, first.color), std::make_tuple(-17, Rgb(0, 0, 0)));
  EXPECT_EQ(face(GetFont(styles.s(), 1)), std::make_tuple(std::u16string(u"Arial"), 10.0 * 120 / 72, 1, 0));
  EXPECT_EQ(std::u16string(GetFont(styles.s(), 2).lfFaceName).size(), 31u);
  EXPECT_EQ(GetFont(styles.s(), 3).lfHeight, -int32_t(409.0 * 120 / 72 + 0.5)) << "sizes are capped";
  EXPECT_EQ(GetFont(styles.s(), 3).color, Rgb(0, 255, 0));
  EXPECT_EQ(GetFont(styles.s(), 4).lfHeight, first.lfHeight) << "an index past the list reads font 0";
  EXPECT_TRUE(styles.s().hasNormalFont);
  EXPECT_DOUBLE_EQ(styles.s().normalFontSizePt, 10);
}

TEST(Fonts, MissingListsAndBareRunFontsGiveCalibri11) {
  for (const char* body : {"", "<fonts/>", "<fonts count=\"0\"><font><b/></font></fonts>"}) {
    SCOPED_TRACE(body);
    Styles styles(body);
    ASSERT_EQ(styles.rc, 1);
    ASSERT_EQ(styles.s().fonts.items.Count(), 1);
    const MyLogFont& font = GetFont(styles.s(), 0);  // 11 pt at 96 dpi = 14.67 px
    EXPECT_EQ(std::make_tuple(std::u16string(font.lfFaceName), font.lfHeight, font.lfWeight),
              std::make_tuple(std::u16string(u"Calibri"), -15, 400));
    EXPECT_EQ(std::u16string(styles.s().normalFont.lfFaceName), u"Calibri");
  }
  xlxtest::WorkbookPtr workbook;
  MyLogFont font, plain;
  ReadFont(&font, *workbook, Xml("<rPr><i/><rFont val=\"Verdana\"/></rPr>").Root(), true, nullptr);
  EXPECT_EQ(std::make_tuple(std::u16string(font.lfFaceName), font.lfHeight), std::make_tuple(std::u16string(u"Verdana"), -15));
  ReadFont(&plain, *workbook, Xml("<rPr/>").Root(), true, nullptr);
  EXPECT_EQ(std::u16string(plain.lfFaceName), u"Calibri");
}

// A cell (or dxf) fill of pattern `type` ("" for none given) with the colour children `colors`.
std::string Pattern(const std::string& type, const std::string& colors = "") {
  return "<fill><patternFill" + (type.empty() ? "" : " patternType=\"" + type + "\"") + ">" + colors + "</patternFill></fill>";
}

TEST(Fills, RulesPickTheColourTheSpreadsheetShows) {
  const CellColor red = Rgb(255, 0, 0), blue = Rgb(0, 0, 255), black = Rgb(0, 0, 0);
  const std::string fgRed = "<fgColor rgb=\"FFFF0000\"/>", fgBlue = "<fgColor rgb=\"FF0000FF\"/>";
  const std::string bgRed = "<bgColor rgb=\"FFFF0000\"/>", bgBlue = "<bgColor rgb=\"FF0000FF\"/>";
  struct Case {
    std::string fill;
    bool isDxf;
    int32_t kind;
    CellColor fore, back;
    int32_t hatch;
  };
  const Case kCases[] = {
      {Pattern("none"), false, kFillNone, 0, kColorAutomatic, 0},
      {Pattern(""), false, kFillNone, 0, kColorAutomatic, 0},
      {Pattern("", bgRed), false, kFillSolid, red, 0, 0},
      {Pattern("", fgBlue + bgRed), false, kFillSolid, blue, 0, 0},
      // The usual solid fill: foreground colour, automatic background.
      {Pattern("solid", fgRed + "<bgColor indexed=\"64\"/>"), false, kFillSolid, red, black, 0},
      {Pattern("solid", fgRed), false, kFillSolid, red, kColorAutomatic, 0},
      {Pattern("solid", bgBlue), false, kFillSolid, blue, blue, 0},
      // Swaps for cell fills.
      {Pattern("solid", "<fgColor indexed=\"64\"/>" + bgBlue), false, kFillSolid, blue, black, 0},
      {Pattern("solid", "<fgColor auto=\"1\"/>" + bgBlue), false, kFillSolid, blue, kColorAutomatic, 0},
      {Pattern("solid", fgRed + "<bgColor theme=\"0\" tint=\"-0.5\"/>"), false, kFillSolid, Rgb(127, 127, 127), red, 0},
      {Pattern("solid", "<fgColor indexed=\"2\"/><bgColor indexed=\"4\"/>"), false, kFillSolid, red, blue, 0},
      // Dxf fills take the background element unless the rules keep the foreground.
      {Pattern("solid", fgRed + bgBlue), true, kFillSolid, blue, blue, 0},
      {Pattern("solid", fgRed + "<bgColor indexed=\"4\"/>"), true, kFillSolid, red, blue, 0},
      {Pattern("solid", fgRed + "<bgColor auto=\"1\"/>"), true, kFillSolid, red, kColorAutomatic, 0},
      {Pattern("", bgRed), true, kFillSolid, red, red, 0},
      // Patterns.
      {Pattern("gray125"), false, kFillPattern, black, kColorAutomatic, kHatchForwardDiagonal},
      {Pattern("darkVertical", fgBlue + bgRed), false, kFillPattern, blue, red, kHatchVertical},
      {Pattern("lightTrellis", "<fgColor/><bgColor/>"), false, kFillPattern, black, black, kHatchDiagonalCross},
      {Pattern("mediumGray"), false, kFillPattern, black, kColorAutomatic, kHatchHorizontal},
      {Pattern("bogus", bgRed), false, kFillSolid, 0, red, 0},
      // Gradients draw as their first stop.
      {"<fill><gradientFill><stop position=\"0\"><color rgb=\"FF0000FF\"/></stop><stop position=\"1\"><color theme=\"0\"/>"
       "</stop></gradientFill></fill>", false, kFillSolid, blue, 0, 0},
      {"<fill/>", false, kFillSolid, 0, 0, 0},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.fill);
    Styles styles(c.isDxf ? "<dxfs count=\"1\"><dxf>" + c.fill + "</dxf></dxfs>" : "<fills count=\"1\">" + c.fill + "</fills>");
    ASSERT_EQ(styles.rc, 1);
    const FillSpec& fill = c.isDxf ? GetDxf(styles.s(), 0).fill : GetFill(styles.s(), 0);
    if (c.isDxf) EXPECT_EQ(GetDxf(styles.s(), 0).mask, uint32_t(kDxfFill));
    else EXPECT_EQ(fill.hatch, c.hatch);
    EXPECT_EQ(std::make_tuple(fill.kind, fill.foreColor, fill.backColor), std::make_tuple(c.kind, c.fore, c.back));
  }
}

// Gradient stops are sorted, long lists keep their first stops and their last, and the geometry
// is clamped.
TEST(Fills, GradientStopsAndGeometry) {
  auto stop = [](const char* position, const char* rgb) {
    return std::string("<stop position=\"") + position + "\"><color rgb=\"" + rgb + "\"/></stop>";
  };
  const struct {
    std::string fill;
    int32_t stops;
    float lastPosition, degree, right;
    bool path;
  } cases[] = {
      {"<gradientFill degree=\"450\">" + stop("0.9", "FFFF0000") + stop("0", "FF0000FF") + stop("0.5", "FF00FF00") +
           stop("0.2", "FF000000") + stop("1", "FFFFFFFF") + "</gradientFill>", 4, 1, 90, 0, false},
      {"<gradientFill type=\"path\" degree=\"x\" right=\"7\" left=\"-1\">" + stop("2", "FFFF0000") +
           stop("0", "FF0000FF") + "</gradientFill>", 2, 1, 0, 1, true},
      {"<gradientFill>" + stop("0", "FF0000FF") + "</gradientFill>", 0, 0, 0, 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fill);
    Styles styles("<fills count=\"1\"><fill>" + c.fill + "</fill></fills>");
    ASSERT_EQ(styles.rc, 1);
    const FillGradient& g = GetFill(styles.s(), 0).gradient;
    ASSERT_EQ(g.stopCount, c.stops);
    EXPECT_EQ(std::make_tuple(g.degree, g.right, g.left, g.path), std::make_tuple(c.degree, c.right, 0.0f, c.path));
    if (c.stops == 0) continue;
    EXPECT_EQ(g.positions[c.stops - 1], c.lastPosition);
    for (int32_t i = 1; i < c.stops; ++i) EXPECT_LE(g.positions[i - 1], g.positions[i]);
    EXPECT_EQ(g.colors[0], Rgb(0, 0, 255));  // the stop at 0 comes first
  }
}

TEST(Borders, StylesMapOntoSixPatterns) {
  struct Case {
    const char* side;
    int32_t pattern;
    CellColor color;
  };
  static const Case kCases[] = {
      {"<left style=\"hair\"><color auto=\"1\"/></left>", kLineDashDotDot, Rgb(0, 0, 0)},
      {"<left style=\"thin\"><color rgb=\"FFFF0000\"/></left>", kLineSolid, Rgb(255, 0, 0)},
      {"<left style=\"double\"/>", kLineSolid, Rgb(0, 0, 0)},
      {"<left style=\"mediumDashed\"/>", kLineDashed, Rgb(0, 0, 0)},
      {"<left style=\"dotted\"/>", kLineDotted, Rgb(0, 0, 0)},
      {"<left style=\"slantDashDot\"><color theme=\"4\"/></left>", kLineDashDot, Rgb(0x4F, 0x81, 0xBD)},
      {"<left style=\"none\"><color rgb=\"FFFF0000\"/></left>", kLineNone, Rgb(0, 0, 0)},
      {"<left style=\"wavy\"/>", kLineNone, Rgb(0, 0, 0)},
      {"<left><color rgb=\"FFFF0000\"/></left>", kLineNone, Rgb(0, 0, 0)},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.side);
    Styles styles(std::string("<borders count=\"1\"><border>") + c.side + "<right/><top/><bottom/><diagonal/></border></borders>");
    ASSERT_EQ(styles.rc, 1);
    const MyBorder& border = GetBorder(styles.s(), 0);
    EXPECT_EQ(std::make_tuple(border.left.pattern, border.left.color, border.noBorder, border.right.pattern),
              std::make_tuple(c.pattern, c.color, c.pattern == kLineNone, int32_t(kLineNone)));
  }
  Styles diag("<borders><border diagonalUp=\"1\" diagonalDown=\"0\"><diagonal style=\"thick\"/></border></borders>");
  const MyBorder& d = GetBorder(diag.s(), 0);
  EXPECT_EQ(std::make_tuple(d.diagonalUp, d.diagonalDown, d.noBorder), std::make_tuple(true, false, false));
}

TEST(Lists, DeclaredCountsAgainstChildren) {
  Styles styles(
      "<fills count=\"3\"><fill><patternFill patternType=\"none\"/></fill><fill><patternFill patternType=\"gray125\"/></fill></fills>"
      "<borders count=\"2\"><border><left style=\"thin\"/></border></borders>"
      "<cellXfs count=\"2\"><xf fillId=\"99\" borderId=\"1\" fontId=\"7\"/><xf fillId=\"1\"/><xf fillId=\"2\"/></cellXfs>"
      "<cellStyleXfs count=\"-4\"><xf/></cellStyleXfs>"
      "<dxfs count=\"2147483647\"><dxf><font><b/></font></dxf></dxfs>"
      "<fonts count=\"99999999999\"><font><sz val=\"9\"/></font></fonts>");
  ASSERT_EQ(styles.rc, 1);
  const Stylesheet& s = styles.s();
  // Lists keep what was written up to the declared count; a declared, unwritten fill or border is
  // a fresh zeroed record; indices out of range read entry 0; three xf children, two declared.
  EXPECT_EQ(std::make_tuple(s.fills.declaredCount, s.fills.items.Count(), s.cellXfs.items.Count(),
                            s.cellStyleXfs.items.Count(), s.dxfs.items.Count(), s.fonts.items.Count()),
            std::make_tuple(3, 2, 2, 0, 1, 1));
  EXPECT_EQ(std::make_tuple(GetFill(s, 2).kind, GetFill(s, 2).foreColor, GetFill(s, 99).kind, GetFill(s, -1).kind),
            std::make_tuple(int32_t(kFillSolid), 0u, int32_t(kFillNone), int32_t(kFillNone)));
  EXPECT_EQ(std::make_tuple(GetBorder(s, 1).noBorder, GetBorder(s, 0).noBorder, GetCellXf(s, 2).fillId),
            std::make_tuple(true, false, 99));
  EXPECT_LE(s.dxfs.declaredCount, 1 << 20);
}

TEST(CellXfs, DefaultsOverridesAndJunk) {
  Styles styles(
      "<cellXfs count=\"3\"><xf/>"
      "<xf numFmtId=\"14\" fontId=\"1\" applyFont=\"1\" applyFill=\"0\" applyBorder=\"false\" applyAlignment=\"0\" "
      "applyNumberFormat=\"0\" applyProtection=\"1\" quotePrefix=\"1\" pivotButton=\"true\"><alignment "
      "horizontal=\"centerContinuous\" vertical=\"center\" wrapText=\"1\" textRotation=\"255\" relativeIndent=\"-1\"/></xf>"
      "<xf fontId=\"-3\" numFmtId=\"x\"><alignment horizontal=\"sideways\" vertical=\"middle\"/></xf></cellXfs>");
  ASSERT_EQ(styles.rc, 1);
  auto flags = [](const CellXf& x) {
    return std::make_tuple(x.applyAlignment, x.applyBorder, x.applyFill, x.applyNumberFormat, x.applyFont,
                           x.applyProtection, x.quotePrefix, x.pivotButton);
  };
  auto align = [](const CellXf& x) {
    const CellAlignment& a = x.alignment;
    return std::make_tuple(a.horizontal, a.vertical, a.wrapText, a.textRotation, a.relativeIndent);
  };
  const CellXf& plain = GetCellXf(styles.s(), 0);
  EXPECT_EQ(flags(plain), std::make_tuple(true, true, true, true, false, false, false, false)) << "defaults";
  EXPECT_EQ(align(plain), std::make_tuple(int32_t(kHAlignNotGiven), int32_t(kVAlignNotGiven), false, 0, 0));
  const CellXf& full = GetCellXf(styles.s(), 1);
  EXPECT_EQ(flags(full), std::make_tuple(false, false, false, false, true, true, true, true));
  EXPECT_EQ(align(full), std::make_tuple(int32_t(kHAlignCenterContinuous), int32_t(kVAlignCenter), true, 255, -1));
  const CellXf& odd = GetCellXf(styles.s(), 2);
  EXPECT_EQ(std::make_tuple(odd.fontId, odd.numFmtId), std::make_tuple(-1, -1)) << "negative and junk ids are not read";
  EXPECT_EQ(align(odd), align(plain));
}

TEST(NumberFormats, BuiltinsAndOverrides) {
  Styles styles(
      "<numFmts count=\"3\"><numFmt numFmtId=\"14\" formatCode=\"yyyy-mm-dd\"/><numFmt numFmtId=\"164\" "
      "formatCode=\"0.0 &quot;kg&quot;\"/><numFmt formatCode=\"lost\"/><numFmt numFmtId=\"165\"/>"
      "<numFmt numFmtId=\"0\" formatCode=\"\"/><numFmt numFmtId=\"166\" formatCode=\"\"/></numFmts>");
  ASSERT_EQ(styles.rc, 1);
  struct Case {
    int32_t id;
    const char16_t* code;
  };
  // The currency formats keep the parenthesis in the negative section; 14 is overridden.
  static const Case kCases[] = {
      {0, u"General"}, {5, u"\"$\"#,##0_);\\(\"$\"#,##0\\)"}, {7, u"\"$\"#,##0.00_);\\(\"$\"#,##0.00\\)"},
      {14, u"yyyy-mm-dd"}, {22, u"M/d/yyyy H:mm"}, {44, u"_($* #,##0.00_);_($* (#,##0.00);_($* \"-\"??_);_(@_)"},
      {49, u"@"}, {164, u"0.0 \"kg\""}, {166, u"General"},  // an empty code (0 above too) is General
  };
  for (const Case& c : kCases) {
    const char16_t* code = GetNumberFormatCode(styles.s(), c.id);
    ASSERT_NE(code, nullptr) << c.id;
    EXPECT_EQ(std::u16string(code), c.code) << c.id;
  }
  for (int32_t id : {23, 30, 36, 50, 165, -1}) EXPECT_EQ(GetNumberFormatCode(styles.s(), id), nullptr) << id;
  Styles none("");
  EXPECT_EQ(std::u16string(GetNumberFormatCode(none.s(), 14)), u"M/d/yyyy");
  EXPECT_EQ(none.s().numberFormats.size(), 36u);
}

TEST(Dxfs, MaskAndParts) {
  Styles styles(
      "<dxfs count=\"2\"><dxf><font><b/><color rgb=\"FF9C0006\"/><sz val=\"12\"/><name val=\"Arial\"/></font>"
      "<numFmt numFmtId=\"170\" formatCode=\"0.0%\"/><border><left style=\"thin\"/></border>"
      "<alignment horizontal=\"right\"/></dxf><dxf/></dxfs>");
  ASSERT_EQ(styles.rc, 1);
  const Dxf& dxf = GetDxf(styles.s(), 0);
  EXPECT_EQ(dxf.mask, uint32_t(kDxfAlignment | kDxfBorder | kDxfFont | kDxfNumberFormat));
  EXPECT_EQ(dxf.font.flags, uint32_t(kDxfFontBold | kDxfFontColor | kDxfFontSize | kDxfFontName));
  EXPECT_EQ(std::make_tuple(dxf.font.font.color, dxf.font.font.lfHeight, dxf.numberFormat, dxf.alignment.horizontal,
                            dxf.border.noBorder),
            std::make_tuple(Rgb(0x9C, 0, 0x06), -16, std::u16string(u"0.0%"), int32_t(kHAlignRight), false));
  EXPECT_EQ(GetDxf(styles.s(), 1).mask, 0u);
}

TEST(StyleDraws, BordersAndFillsAgainstTheSheetBackground) {
  Styles styles(
      "<fills count=\"3\"><fill><patternFill patternType=\"none\"/></fill>"
      "<fill><patternFill patternType=\"solid\"><fgColor rgb=\"FFFFFFFF\"/></patternFill></fill>"
      "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
      "<borders count=\"2\"><border/><border><bottom style=\"thin\"/></border></borders>"
      "<cellXfs count=\"7\"><xf fillId=\"0\" borderId=\"0\"/><xf borderId=\"1\"/><xf borderId=\"1\" applyBorder=\"0\"/>"
      "<xf fillId=\"1\"/><xf fillId=\"2\"/><xf fillId=\"2\" applyFill=\"0\"/><xf/></cellXfs>");
  ASSERT_EQ(styles.rc, 1);
  const CellColor white = Rgb(255, 255, 255);
  struct Case {
    int32_t xf;
    bool keepBackground;
    bool draws;
  };
  static const Case kCases[] = {
      {0, false, false}, {1, false, true}, {2, false, false}, {3, false, false}, {3, true, true},
      {4, false, true}, {5, false, false}, {6, false, false}, {99, false, false},
  };
  for (const Case& c : kCases)
    EXPECT_EQ(StyleDrawsSomething(styles.s(), c.xf, c.keepBackground, white), c.draws) << c.xf << " " << c.keepBackground;
  EXPECT_TRUE(StyleDrawsSomething(styles.s(), 3, false, Rgb(0, 0, 255))) << "white fill on a blue sheet";
}

TEST(Stylesheet, TableStyleListAndSecondReadDoesNothing) {
  Styles styles(
      "<tableStyles count=\"2\" defaultTableStyle=\"TableStyleMedium2\" defaultPivotStyle=\"PivotStyleLight16\">"
      "<tableStyle name=\"Mine\" pivot=\"0\" count=\"2\"><tableStyleElement type=\"wholeTable\" dxfId=\"0\"/>"
      "<tableStyleElement type=\"headerRow\" dxfId=\"1\"/></tableStyle><tableStyle name=\"\"/></tableStyles>");
  ASSERT_EQ(styles.rc, 1);
  EXPECT_EQ(std::make_pair(styles.s().defaultTableStyle, styles.s().defaultPivotStyle),
            std::make_pair(std::u16string(u"TableStyleMedium2"), std::u16string(u"PivotStyleLight16")));
  ASSERT_EQ(styles.s().tableStyles.size(), 1u) << "nameless styles are dropped";
  const TableStyleEntry& mine = styles.s().tableStyles.at(u"Mine");
  EXPECT_EQ(std::make_tuple(mine.pivot, mine.table, mine.elementCount), std::make_tuple(false, true, 2));
  Xml other(xlxtest::MainPart("styleSheet", "<fonts count=\"1\"><font><sz val=\"30\"/></font></fonts>"));
  EXPECT_EQ(ReadStylesheet(&styles.workbook->styles, styles.workbook.workbook, other.Root()), 1);
  EXPECT_EQ(GetFont(styles.s(), 0).lfHeight, -15) << "already read: unchanged";
}

}  // namespace
