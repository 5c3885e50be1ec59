// Tables: the colours built-in styles give header, stripe, first-column and totals cells (probed on
// tests/fixtures/render/tables.xlsx, written by make_table_fixtures.py with the Office theme),
// structured references computed in formulas and names, the table and pivot readers on malformed
// parts, and a sheet of 10,000 overlapping tables.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>

#include <pugixml.hpp>

#include "filter/workbookopen.h"
#include "parser/xlsxprsr.h"
#include "parser/sheet/tables.h"
#include "tests/render/rendertestutil.h"
#include "tests/support/testsupport.h"
#include "tests/support/zipbuilder.h"
#include "values/formula/structuredrefs.h"
#include "view/cells/tables.h"

using namespace rendertest;

namespace {

bool Near(const Rgb& a, const Rgb& b) { return std::abs(a.r - b.r) <= 2 && std::abs(a.g - b.g) <= 2 && std::abs(a.b - b.b) <= 2; }

struct Probe {
  int column, row;
  uint32_t rgb;
  const char* what;
};

TEST(TableStyles, BuiltInStylesFillHeaderStripesFirstColumnAsTheApplicationDoes) {
  Image page;
  int32_t code = 0;
  ASSERT_TRUE(RenderPage(FixturePath("tables.xlsx"), 0x40, &page, &code)) << code;
  const Grid g = FindGrid(page);
  ASSERT_TRUE(g.Reaches(11, 22));
  // Published colours of the Office theme: accent 1, accent 1 at 80% and 60% lighter, white at
  // 15% darker.
  const Probe probes[] = {
      {3, 2, 0x4F81BD, "Medium2 header"},           {3, 3, 0xDCE6F1, "Medium2 first row stripe"},
      {3, 4, 0xFFFFFF, "Medium2 second row stripe"}, {3, 7, 0xFFFFFF, "Medium2 totals row"},
      {7, 3, 0xD9D9D9, "Light1 row stripe"},         {7, 4, 0xFFFFFF, "Light1 second stripe"},
      {2, 10, 0x4F81BD, "Medium9 header"},           {2, 12, 0x4F81BD, "Medium9 first column"},
      {3, 12, 0xDCE6F1, "Medium9 body"},             {3, 11, 0xB8CCE4, "Medium9 row stripe"},
      {3, 15, 0x4F81BD, "Medium9 totals row"},       {7, 18, 0xFFFFFF, "unknown style draws nothing"},
  };
  for (const Probe& p : probes)
    EXPECT_PRED2(Near, page.At(g.CentreX(p.column), g.CentreY(p.row) + 4), Hex(p.rgb)) << p.what;
  // Relations where the exact shade is the style's business: bands of columns alternate and leave
  // rows alone; a table without a header starts its row stripes on its first row.
  auto at = [&](int column, int row) { return page.At(g.CentreX(column), g.CentreY(row) + 4); };
  EXPECT_EQ(at(10, 3), page.At(g.Right(11) + 20, g.CentreY(3) + 4)) << "Dark1 first and third column";
  EXPECT_NE(at(10, 3), at(11, 3)) << "Dark1 second column";
  EXPECT_EQ(at(10, 3), at(10, 4)) << "Dark1 without row bands";
  EXPECT_EQ(at(6, 10), at(6, 12)) << "Light19 headerless stripes";
  EXPECT_NE(at(6, 10), at(6, 11));
}

// The rules a style draws in its own colour and weight, probed down the middle column of each
// table of sheet "Rules" across three edges: the table's top, under the header and over the
// totals. A double rule is two one-pixel lines around the edge; medium is two pixels, thick three.
// Header text is bold where the style says so, also in a header cell with a font of its own.
TEST(TableStyles, RulesInTheStylesColourAndWeightAndBoldHeaders) {
  Image page;
  int32_t code = 0;
  ASSERT_TRUE(RenderPage(FixturePath("tables.xlsx"), 0x40, &page, &code, 3)) << code;
  const Grid g = FindGrid(page);
  ASSERT_TRUE(g.Reaches(12, 20));
  struct Rule {
    uint32_t rgb;
    std::vector<int> runs;  // of the rule's colour across the edge; empty: not probed
  };
  const std::vector<int> thin{1}, medium{2}, thick{3}, twoLines{1, 1, 1};
  const struct {
    int column, row;  // middle column and header row
    const char* style;
    Rule top, header, totals;
  } cases[] = {
      {3, 2, "Light1", {0x000000, thin}, {0x000000, thin}, {0x000000, thin}},
      {7, 2, "Light15", {0x000000, thin}, {0x000000, medium}, {0x000000, twoLines}},
      {11, 2, "Light9", {0, {}}, {0, {}}, {0x4F81BD, twoLines}},  // top and header rules meet the header fill
      {3, 11, "Medium9", {0, {}}, {0xFFFFFF, thick}, {0xFFFFFF, thick}},
      {7, 11, "Dark1", {0, {}}, {0xFFFFFF, medium}, {0xFFFFFF, medium}},
      {11, 11, "Dark11", {0, {}}, {0, {}}, {0x000000, twoLines}},
  };
  auto runsAt = [&](int x, int edge, uint32_t rgb) {
    std::vector<bool> on;
    for (int y = edge - 4; y <= edge + 4; ++y) on.push_back(Near(page.At(x, y), Hex(rgb)));
    std::vector<int> runs = Runs(on);
    if (runs.size() % 2 == 0 && !runs.empty()) runs.pop_back();  // the trailing gap
    return runs;
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.style);
    const int x = g.CentreX(c.column);
    const struct { const Rule& rule; int edge; const char* what; } edges[] = {
        {c.top, g.Top(c.row), "top rule"}, {c.header, g.Top(c.row + 1), "under the header"},
        {c.totals, g.Top(c.row + 5), "over the totals"}};
    for (const auto& e : edges) {
      if (!e.rule.runs.empty()) {
        EXPECT_EQ(runsAt(x, e.edge, e.rule.rgb), e.rule.runs) << e.what;
      }
    }
  }
  // "Region" in B2, a Light1 header cell with an Arial font of its own, against the same word in
  // Arial in A20 outside any table: bold has more ink.
  auto ink = [&](int column, int row) {
    int n = 0;
    for (int y = g.Top(row) + 2; y < g.Bottom(row) - 1; ++y)
      for (int x = g.Left(column) + 2; x < g.Right(column) - 1; ++x) n += page.At(x, y).r < 128;
    return n;
  };
  EXPECT_GT(ink(2, 2), ink(1, 20) * 5 / 4) << "bold header";
  EXPECT_GT(ink(1, 20), 20);
}

// Loads tables.xlsx as the filter does, with every formula computed.
xlx::Workbook* LoadFixture() {
  xlx::WorkbookOpenOptions options;
  options.formulaMode = 2;
  xlx::Workbook* wb = nullptr;
  EXPECT_EQ(xlx::OpenWorkbook(xlxtest::U16(FixturePath("tables.xlsx")).c_str(), options, &wb), 1);
  return wb;
}

TEST(StructuredReferences, FormulasAndNamesComputeOverTheTable) {
  xlx::Workbook* wb = LoadFixture();
  ASSERT_TRUE(wb);
  const xlx::MyWorksheet& refs = wb->sheets[1];
  // Sales: Qty 3 5 7 11, Price 10 20 30 40, Total = Qty * Price; the formulas of column H in order.
  const struct {
    int row;
    double number;  // NaN: an error
  } expected[] = {{1, 26}, {2, 780}, {3, 6}, {4, 4}, {5, 4}, {6, 26}, {7, 126}, {9, 26}, {10, NAN}, {11, NAN},
                  {12, 26}, {13, 4}, {14, 906}, {15, 26}};
  for (const auto& e : expected) {
    const xlx::CellRecord* c = xlx::FindCell(refs, e.row, 8);
    ASSERT_TRUE(c) << "H" << e.row;
    if (std::isnan(e.number)) EXPECT_EQ(c->type, xlx::kCellError) << "H" << e.row;
    else EXPECT_DOUBLE_EQ(c->number, e.number) << "H" << e.row;
  }
  for (int row = 2; row <= 5; ++row)
    EXPECT_DOUBLE_EQ(xlx::FindCell(refs, row, 4)->number, xlx::FindCell(refs, row, 2)->number * xlx::FindCell(refs, row, 3)->number);
  // The rewriting itself, from cell D3 of the table.
  const struct {
    const char16_t* text;
    const char16_t* expanded;
  } rewrites[] = {
      {u"Sales[Qty]", u"'Refs'!$B$2:$B$5"},
      {u"[@Qty]*[@[Price]]", u"'Refs'!$B3*'Refs'!$C3"},
      {u"Sales[[#Headers],[Qty]:[Price]]", u"'Refs'!$B$1:$C$1"},
      {u"Sales[#Totals]", u"'Refs'!$A$6:$D$6"},
      {u"Sales[[#Headers],[#Totals]]", u"#REF!"},
      {u"\"Sales[Qty]\"&[1]Other!A1", u"\"Sales[Qty]\"&[1]Other!A1"},
      {u"Nope[Qty]+Sales[Nothing]", u"#REF!+#REF!"},
      // Qualified by the sheet that holds the table, by the workbook itself, by another sheet or workbook.
      {u"Refs!Sales[Qty]+'refs'!Sales[[#Totals],[Price]]", u"'Refs'!$B$2:$B$5+'Refs'!$C$6"},
      {u"SUM([0]!Sales[Qty],'It''s'!Sales[Qty],Refs!Nope[Qty])", u"SUM('Refs'!$B$2:$B$5,#REF!,#REF!)"},
      {u"[1]Refs!Sales[Qty]+[1]!Sales[Qty]", u"[1]Refs!Sales[Qty]+[1]!Sales[Qty]"},
  };
  for (const auto& r : rewrites) {
    std::u16string scratch;
    EXPECT_EQ(xlx::ExpandStructuredReferences(*wb, 1, 3, 4, r.text, &scratch), r.expanded);
  }
  xlx::FreeWorkbook(wb);
}

TEST(TableReaders, MalformedPartsFailAndOddValuesAreClamped) {
  const struct {
    const char* xml;
    int32_t rc;
    int32_t headerRows, columns;
  } cases[] = {
      {"<table ref=\"A1:C3\" headerRowCount=\"0\"><tableColumns><tableColumn name=\"a_x000a_b\"/></tableColumns></table>", 1, 0, 1},
      {"<table ref=\"C3:A1\" totalsRowCount=\"7\"/>", 1, 1, 0},
      {"<table ref=\"A0:B2\"/>", -9, 1, 0},
      {"<table/>", -9, 1, 0},
      {"<other ref=\"A1:B2\"/>", -9, 1, 0},
  };
  for (const auto& c : cases) {
    pugi::xml_document doc;
    doc.load_string(c.xml);
    xlx::TableBase t;
    EXPECT_EQ(xlx::ReadTablePart(&t, doc.child("table")), c.rc) << c.xml;
    EXPECT_EQ(t.headerRowCount, c.headerRows) << c.xml;
    EXPECT_EQ(static_cast<int32_t>(t.columns.size()), c.columns) << c.xml;
  }
  pugi::xml_document doc;
  doc.load_string("<table ref=\"A1:C3\"><tableColumns><tableColumn name=\"a_x000a_b\"/></tableColumns></table>");
  xlx::TableBase t;
  ASSERT_EQ(xlx::ReadTablePart(&t, doc.child("table")), 1);
  EXPECT_EQ(t.columns[0].name, u"a\nb");
  // Style elements: an unknown kind is dropped, a dxf past the list is none, sizes are clamped.
  doc.load_string("<tableStyle><tableStyleElement type=\"bogus\" dxfId=\"0\"/><tableStyleElement type=\"headerRow\" dxfId=\"5\"/>"
                  "<tableStyleElement type=\"firstRowStripe\" size=\"40\" dxfId=\"2\"/></tableStyle>");
  xlx::TableStyleEntry entry;
  xlx::ReadTableStyleElements(&entry, doc.child("tableStyle"), 3);
  ASSERT_EQ(entry.elements.size(), 2u);
  EXPECT_EQ(entry.elements[0].dxfId, -1);
  EXPECT_EQ(entry.elements[1].size, 9);
  EXPECT_EQ(entry.elements[1].dxfId, 2);
}

TEST(TableReaders, PivotRowItemsPlaceSubtotalsSubheadingsAndGrandTotals) {
  pugi::xml_document doc;
  doc.load_string("<pivotTableDefinition name=\"P\"><location ref=\"A3:G12\" firstHeaderRow=\"1\" firstDataRow=\"2\" firstDataCol=\"1\"/>"
                  "<rowFields count=\"2\"/><rowItems><i><x/></i><i r=\"1\"><x/></i><i t=\"default\"><x/></i><i><x/></i>"
                  "<i t=\"blank\"/><i t=\"grand\"><x/></i></rowItems><colFields count=\"2\"/><colItems><i><x/></i>"
                  "<i r=\"1\"><x/></i><i t=\"sum\"><x/></i><i><x/></i><i t=\"grand\"/></colItems></pivotTableDefinition>");
  xlx::TableBase p;
  ASSERT_EQ(xlx::ReadPivotTableDefinition(&p, doc.child("pivotTableDefinition")), 1);
  EXPECT_EQ(p.pivot.subheadingRows, (std::vector<int32_t>{2, 5}));
  EXPECT_EQ(p.pivot.subtotalRows, (std::vector<int32_t>{4}));
  EXPECT_EQ(p.pivot.blankRows, (std::vector<int32_t>{6}));
  EXPECT_EQ(p.pivot.grandTotalRow, 7);
  EXPECT_EQ(p.pivot.grandTotalCol, 5);
  EXPECT_EQ(p.pivot.subheadingCols, (std::vector<int32_t>{1, 4}));
  EXPECT_EQ(p.pivot.subtotalCols, (std::vector<int32_t>{3}));
  // Column subheadings on the label row (4), subtotal columns from there down.
  auto style = std::make_shared<xlx::ResolvedTableStyle>();
  const xlx::CellColor blue = 0xFFFF0000u, red = 0xFF0000FFu;
  for (auto [type, rgb] : {std::pair{xlx::kTseFirstColumnSubheading, blue}, {xlx::kTseFirstSubtotalColumn, red}}) {
    style->elements[type].present = true;
    style->elements[type].dxf.mask = xlx::kDxfFill;
    style->elements[type].dxf.fill.foreColor = rgb;
  }
  p.style = style;
  const struct {
    int32_t row, col;
    xlx::CellColor fill;
  } cells[] = {{4, 2, blue}, {4, 5, blue}, {4, 4, red}, {11, 4, red}, {3, 4, 0}, {9, 2, 0}, {4, 3, 0}};
  for (const auto& c : cells) {
    xlx::TableCellFormat f;
    ASSERT_TRUE(xlx::ResolveTableCell(p, c.row, c.col, &f));
    EXPECT_EQ(f.hasFill ? f.fill : 0u, c.fill) << c.row << "," << c.col;
  }
  doc.load_string("<pivotTableDefinition><location ref=\"bad\"/></pivotTableDefinition>");
  EXPECT_EQ(xlx::ReadPivotTableDefinition(&p, doc.child("pivotTableDefinition")), -9);
}

// 10,000 tables on one sheet, every other one over the same cells and half in a style that does not
// exist, one past the used range at the sheet's last row: the page draws, and quickly.
TEST(TableReaders, TenThousandOverlappingTablesDrawInLinearTime) {
  std::vector<xlxtest::ZipEntry> entries = xlxtest::MinimalWorkbookEntries({"Many"});
  std::string parts, rels;
  const int kTables = 10000;
  for (int k = 1; k <= kTables; ++k) {
    const std::string n = std::to_string(k), row = std::to_string(k % 2 ? 2 : k / 2 % 50 + 1);
    const std::string ref = k == kTables ? "A1048575:C1048576" : "A" + row + ":C" + std::to_string(std::stoi(row) + 2);
    parts += "<tablePart r:id=\"rId" + n + "\"/>";
    rels += "<Relationship Id=\"rId" + n + "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/table\" "
            "Target=\"../tables/table" + n + ".xml\"/>";
    entries.push_back({"xl/tables/table" + n + ".xml", "<table ref=\"" + ref + "\" displayName=\"T" + n + "x\"><tableStyleInfo name=\"" +
                                                           (k % 4 < 2 ? "TableStyleMedium2" : "Missing") + "\" showRowStripes=\"1\"/></table>"});
  }
  for (auto& e : entries)
    if (e.name == "xl/worksheets/sheet1.xml")
      e.data = "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
               "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheetData><row r=\"2\"><c r=\"A2\">"
               "<v>1</v></c></row></sheetData><tableParts count=\"" + std::to_string(kTables) + "\">" + parts + "</tableParts></worksheet>";
  entries.push_back({"xl/worksheets/_rels/sheet1.xml.rels",
                     "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">" + rels + "</Relationships>"});
  const std::vector<unsigned char> zip = xlxtest::BuildZip(entries);
  const std::string path = std::string(XLX_BINARY_DIR) + "/many_tables.xlsx";
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(zip.data()), std::streamsize(zip.size()));
  const auto start = std::chrono::steady_clock::now();
  Image page;
  int32_t code = 0;
  EXPECT_TRUE(RenderPage(path, 0, &page, &code)) << code;
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 60.0);
  bool header = false;
  for (uint32_t y = 0; y < page.height && !header; y += 2)
    for (uint32_t x = 0; x < page.width / 2 && !header; x += 2) header = Near(page.At(int(x), int(y)), Hex(0x4F81BD));
  EXPECT_TRUE(header) << "a header in Medium2 blue";
  std::remove(path.c_str());
}

}  // namespace
