// Colour resolution: SpreadsheetML attributes, DrawingML elements, HSL conversions, hex parsing.
#include <gtest/gtest.h>

#include <cmath>

#include "model/colortables.h"
#include "parser/styles/color.h"
#include "tests/parser/parsertestutil.h"

using namespace xlx;
using xlxtest::Xml;

namespace {

constexpr CellColor Rgb(uint8_t r, uint8_t g, uint8_t b, uint8_t marker = 0xFF) {
  return CellColor(r) | (CellColor(g) << 8) | (CellColor(b) << 16) | (CellColor(marker) << 24);
}

struct ColorCase {
  const char* xml;
  CellColor expected;
};

TEST(SpreadsheetColor, AttributesResolveWithTheOfficeTheme) {
  static const ColorCase kCases[] = {
      {"<color rgb=\"FF0000\"/>", Rgb(255, 0, 0)},
      {"<color rgb=\"80FF0000\"/>", Rgb(255, 0, 0)},  // alpha dropped, marker set
      {"<color rgb=\"\"/>", Rgb(0, 0, 0)},
      // Palette, then window text, window, the system block up to 79, tooltip text; out of range: black.
      {"<color indexed=\"2\"/>", Rgb(255, 0, 0)},        {"<color indexed=\"25\"/>", Rgb(0x99, 0x33, 0x66)},
      {"<color indexed=\"63\"/>", Rgb(0x33, 0x33, 0x33)}, {"<color indexed=\"64\"/>", Rgb(0, 0, 0)},
      {"<color indexed=\"65\"/>", Rgb(255, 255, 255)},   {"<color indexed=\"78\"/>", Rgb(255, 255, 255)},
      {"<color indexed=\"80\"/>", 0xFF000000u},          {"<color indexed=\"81\"/>", Rgb(0, 0, 0)},
      {"<color indexed=\"32767\"/>", Rgb(0, 0, 0)},      {"<color indexed=\"-3\"/>", 0xFF000000u},
      // Theme slots: the first two pairs swap (lt1, dk1, lt2, dk2); past the scheme: black.
      {"<color theme=\"0\"/>", Rgb(255, 255, 255)},      {"<color theme=\"1\"/>", Rgb(0, 0, 0)},
      {"<color theme=\"2\"/>", Rgb(0xEE, 0xEC, 0xE1)},   {"<color theme=\"3\"/>", Rgb(0x1F, 0x49, 0x7D)},
      {"<color theme=\"4\"/>", Rgb(0x4F, 0x81, 0xBD)},   {"<color theme=\"11\"/>", Rgb(0x80, 0x00, 0x80)},
      {"<color theme=\"12\"/>", 0xFF000000u},
      {"<color theme=\"0\" tint=\"-0.5\"/>", Rgb(127, 127, 127)},
      {"<color theme=\"1\" tint=\"-0.25\"/>", Rgb(0, 0, 0)},
      {"<color theme=\"1\" tint=\"0.5\"/>", Rgb(127, 127, 127)},
      {"<color theme=\"4\" tint=\"0.3999755851924192\"/>", Rgb(0x95, 0xB3, 0xD7)},  // "Accent 1, lighter 40%"
      {"<color theme=\"4\" tint=\"-0.249977111117893\"/>", Rgb(0x36, 0x60, 0x92)},  // "darker 25%"
      {"<color rgb=\"FFFF0000\" indexed=\"4\"/>", Rgb(255, 0, 0)},  // rgb comes first
      {"<color auto=\"1\"/>", kColorAutomatic},  // no sheet is current: the automatic background
  };
  xlxtest::WorkbookPtr workbook;
  xlxtest::AttachOfficeTheme(workbook.workbook);
  for (const ColorCase& c : kCases) EXPECT_EQ(ResolveColorAttributes(*workbook, Xml(c.xml).Root()), c.expected) << c.xml;
  EXPECT_EQ(ResolveColorAttributes(*workbook, pugi::xml_node()), Rgb(0, 0, 0)) << "absent element";
}

TEST(SpreadsheetColor, FallbacksWithoutThemeWithCurrentSheetAndCustomPalette) {
  xlxtest::WorkbookPtr workbook;
  EXPECT_EQ(ThemeColorByIndex(*workbook, 0), Rgb(255, 255, 255));
  EXPECT_EQ(ThemeColorByIndex(*workbook, 1), Rgb(0, 0, 0));
  EXPECT_EQ(ThemeColorByIndex(*workbook, 5), kColorAutomatic);
  // With a current sheet its background stands in for colours that name none.
  ASSERT_EQ(workbook->sheets.Allocate(1), 1);
  workbook->sheets[0].clBackColor = Rgb(1, 2, 3);
  workbook->currentSheet = 0;
  EXPECT_EQ(ResolveColorAttributes(*workbook, Xml("<color auto=\"1\"/>").Root()), Rgb(1, 2, 3));
  EXPECT_EQ(ThemeColorByIndex(*workbook, 7), Rgb(1, 2, 3));

  EXPECT_EQ(IndexedColor(*workbook, 30), Rgb(0x00, 0x66, 0xCC));
  Xml styles(xlxtest::MainPart("styleSheet",
                               "<colors><indexedColors><rgbColor rgb=\"FF102030\"/><rgbColor rgb=\"FF405060\"/>"
                               "</indexedColors></colors>"));
  ASSERT_EQ(ReadStylesheet(&workbook->styles, workbook.workbook, styles.Root()), 1);
  EXPECT_TRUE(workbook->hasCustomPalette);
  EXPECT_EQ(IndexedColor(*workbook, 1), Rgb(0x40, 0x50, 0x60));
  EXPECT_EQ(IndexedColor(*workbook, 30), 0xFF000000u) << "entries the palette does not give are black";
  EXPECT_EQ(IndexedColor(*workbook, 64), Rgb(0, 0, 0));
}

TEST(DrawingMLColor, ElementsAndTransforms) {
  static const ColorCase kCases[] = {
      {"<a:srgbClr val=\"4F81BD\"/>", Rgb(0x4F, 0x81, 0xBD)},
      {"<a:schemeClr val=\"accent1\"/>", Rgb(0x4F, 0x81, 0xBD)},
      {"<a:schemeClr val=\"dk2\"/>", Rgb(0x1F, 0x49, 0x7D)},  // by name: no swap
      {"<a:schemeClr val=\"bg1\"/>", 0xFFFFFFFFu},
      {"<a:schemeClr val=\"bg2\"/>", 0xFFE1ECEEu},
      {"<a:schemeClr val=\"tx1\"/>", 0xFF000000u},
      {"<a:schemeClr val=\"tx2\"/>", 0xFF7D491Fu},
      {"<a:schemeClr val=\"phClr\"/>", 0u},
      {"<a:schemeClr/>", 0u},
      {"<a:schemeClr val=\"accent1\"><a:alpha val=\"50000\"/></a:schemeClr>", Rgb(0x4F, 0x81, 0xBD, 127)},
      // Lightness 0.4 (grey 102) x 0.75 + 0.25 = 0.55: grey 140, in either notation.
      {"<a:srgbClr val=\"666666\"><a:lumMod val=\"75000\"/><a:lumOff val=\"25000\"/></a:srgbClr>", Rgb(140, 140, 140)},
      {"<a:srgbClr val=\"666666\"><a:lumMod val=\"75%\"/><a:lumOff val=\"25%\"/></a:srgbClr>", Rgb(140, 140, 140)},
      {"<a:srgbClr val=\"666666\"><a:shade val=\"50000\"/></a:srgbClr>", Rgb(51, 51, 51)},  // 0.4 x 0.5
      // Lightness is kept within 0..1 rather than wrapping the bytes.
      {"<a:schemeClr val=\"bg1\"><a:lumOff val=\"50000\"/></a:schemeClr>", 0xFFFFFFFFu},
      {"<a:schemeClr val=\"accent1\"><a:lumMod val=\"0\"/></a:schemeClr>", 0xFF000000u},
      {"<a:prstClr val=\"red\"/>", Rgb(255, 0, 0)},
      {"<a:prstClr val=\"cornflowerBlue\"/>", Rgb(0x64, 0x95, 0xED)},
      {"<a:prstClr val=\"noSuchColour\"/>", 0u},
      {"<a:sysClr val=\"windowText\" lastClr=\"112233\"/>", Rgb(0x11, 0x22, 0x33)},
      {"<a:sysClr val=\"window\"/>", Rgb(255, 255, 255)},
      {"<a:hslClr hue=\"0\" sat=\"100000\" lum=\"50000\"/>", Rgb(255, 0, 0)},
      {"<a:hslClr hue=\"7200000\" sat=\"100000\" lum=\"50000\"/>", Rgb(0, 255, 0)},
      {"<a:scrgbClr r=\"100000\" g=\"0\" b=\"50000\"/>", Rgb(255, 0, 127)},
      // The first kind in a fixed order wins, not the first in the document.
      {"<a:srgbClr val=\"00FF00\"/><a:hslClr hue=\"0\" sat=\"100000\" lum=\"50000\"/>", Rgb(255, 0, 0)},
      {"", kColorAutomatic},
  };
  xlxtest::WorkbookPtr workbook;
  xlxtest::AttachOfficeTheme(workbook.workbook);
  for (const ColorCase& c : kCases) {
    Xml doc(std::string("<p xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\">") + c.xml + "</p>");
    EXPECT_EQ(DrawingMLColor(*workbook, doc.Root()), c.expected) << c.xml;
  }
  EXPECT_EQ(ThemeColorElement(*workbook, Xml("<a:dk1 xmlns:a=\"urn:a\"><a:scrgbClr r=\"0\" g=\"100000\" b=\"0\"/></a:dk1>").Root()),
            Rgb(0, 255, 0));
  EXPECT_EQ(ThemeColorElement(*workbook, Xml("<a:dk1 xmlns:a=\"urn:a\"/>").Root()), 0xFF000000u);
  EXPECT_EQ(LookupPresetColor("TOMATO"), Rgb(0xFF, 0x63, 0x47)) << "names match in any case";
  EXPECT_EQ(LookupPresetColor(nullptr), 0u);
}

TEST(HexColor, ParsesAlphaAndRgb) {
  struct Case {
    const char* text;
    uint32_t argb;
  };
  for (Case c : {Case{"", 0}, Case{"FF0000", 0x00FF0000u}, Case{"80FF0000", 0x80FF0000u}, Case{"abc", 0xABCu},
                 Case{"zz", 0}, Case{"FF12zz", 0xFF12u}, Case{"FFFFFFFFFF", 0xFFFFFFFFu}})
    EXPECT_EQ(ParseHexColor(c.text), c.argb) << c.text;
  EXPECT_EQ(HexToCellColor("80123456"), Rgb(0x12, 0x34, 0x56));
}

TEST(Hsl, RoundTripKnownValuesAndHostileInputs) {
  int mismatches = 0;
  double h, s, l;
  for (int r = 0; r < 256; r += 3)
    for (int g = 0; g < 256; g += 5)
      for (int b = 0; b < 256; b += 7) {
        CellColor c = Rgb(uint8_t(r), uint8_t(g), uint8_t(b));
        RgbToHsl(c, &h, &s, &l);
        ASSERT_TRUE(h >= 0 && h <= 1 && s >= 0 && s <= 1 && l >= 0 && l <= 1);
        if (HslToColor(h, s, l, 1.0) != c) ++mismatches;
      }
  EXPECT_EQ(mismatches, 0);
  RgbToHsl(Rgb(255, 0, 0), &h, &s, &l);
  EXPECT_TRUE(h == 0 || h == 1) << h;  // red sits at both ends of the hue circle
  EXPECT_DOUBLE_EQ(s, 1);
  EXPECT_DOUBLE_EQ(l, 0.5);
  RgbToHsl(Rgb(0, 0, 255), &h, &s, &l);
  EXPECT_NEAR(h, 2.0 / 3, 1e-12);
  EXPECT_EQ(HslToColor(1.0, 1.0, 0.5, 1.0), Rgb(255, 0, 0)) << "hue 1 is hue 0";
  EXPECT_EQ(HslToColor(0.5, 0, 0.5, 0.5), Rgb(127, 127, 127, 127));
  // Out-of-range and non-finite inputs saturate instead of wrapping.
  EXPECT_EQ(HslToColor(0, 0, 2.0, 9.0), Rgb(255, 255, 255, 255));
  EXPECT_EQ(HslToColor(0.3, 5.0, -1.0, -1.0) >> 24, 0u);
  (void)HslToColor(std::nan(""), std::nan(""), std::nan(""), std::nan(""));
}

TEST(ThemeFonts, CopiedAndCut) {
  xlxtest::WorkbookPtr workbook;
  char16_t major[32], minor[32];
  GetThemeFonts(*workbook, major, minor);
  EXPECT_EQ(std::u16string(major), u"");
  xlxtest::AttachOfficeTheme(workbook.workbook);
  GetThemeFonts(*workbook, major, minor);
  EXPECT_EQ(std::u16string(major), u"Cambria");
  EXPECT_EQ(std::u16string(minor), u"Calibri");
  workbook->fontScheme.child("a:majorFont").child("a:latin").attribute("typeface") =
      "An extremely long typeface name that goes on";
  GetThemeFonts(*workbook, major, minor);
  EXPECT_EQ(std::u16string(major).size(), 31u);
}

}  // namespace
