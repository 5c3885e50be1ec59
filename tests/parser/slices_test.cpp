// Worksheets read a slice of rows at a time must read exactly as from the whole DOM: every corpus
// package and a set of parts built to trip the slicer (markup that hides end tags, prefixes,
// another encoding, malformed or too deep slices) give the same sheets either way.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "host/kernel/vkkrnx.h"
#include "filter/workbookopen.h"
#include "parser/xlsxprsr.h"
#include "parser/sheet/slices.h"
#include "tests/parser/parsertestutil.h"
#include "tests/support/sheetfingerprint.h"
#include "tests/support/testsupport.h"
#include "values/formula/formula.h"

using namespace xlx;

namespace {

struct Reading {
  int32_t rc = 0;
  std::string fingerprint;
};

Reading ReadFile(const std::string& path, size_t sliceBytes) {
  WorkbookOpenOptions options;
  options.showHiddenSheets = true;
  options.sheetSliceBytes = sliceBytes;
  options.formulaMode = kFormulaEvalNone;  // RAND and NOW would differ between the readings
  Workbook* workbook = nullptr;
  Reading reading;
  reading.rc = OpenWorkbook(xlxtest::U16(path).c_str(), options, &workbook);
  if (workbook) reading.fingerprint = xlxtest::SheetFingerprint(workbook);
  FreeWorkbook(workbook);
  return reading;
}

Reading ReadSheetXml(const std::string& sheetXml, size_t sliceBytes) {
  std::vector<xlxtest::ZipEntry> entries = xlxtest::MinimalWorkbookEntries({"S"});
  xlxtest::SetEntry(&entries, "xl/worksheets/sheet1.xml", sheetXml);
  WorkbookOpenOptions options;
  options.sheetSliceBytes = sliceBytes;
  options.formulaMode = kFormulaEvalNone;  // RAND and NOW would differ between the readings
  xlxtest::OpenedPackage package(entries, options);
  Reading reading;
  reading.rc = package.rc;
  if (package.workbook) reading.fingerprint = xlxtest::SheetFingerprint(package.workbook);
  return reading;
}

const char* const kNs = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";

std::string Rows(int from, int to, const std::string& extra = "") {
  std::string xml;
  for (int r = from; r <= to; ++r)
    xml += "<row r=\"" + std::to_string(r) + "\"><c r=\"A" + std::to_string(r) + "\"><v>" + std::to_string(r * 3) +
           "</v></c><c t=\"inlineStr\"><is><t>row " + std::to_string(r) + extra + "</t></is></c></row>";
  return xml;
}

std::string Sheet(const std::string& sheetData, const std::string& before = "", const std::string& after = "") {
  return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?><worksheet ") + kNs + ">" + before + "<sheetData>" +
         sheetData + "</sheetData>" + after + "</worksheet>";
}

TEST(SheetSlices, EveryCorpusPackageReadsTheSameInSlices) {
  std::vector<std::string> files = xlxtest::CorpusFiles("xlsx");
  if (files.empty()) GTEST_SKIP() << "no corpus";
  for (const std::string& file : xlxtest::CorpusFiles("hostile")) files.push_back(file);
  const size_t live = VkLiveAllocations();
  int opened = 0;
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    const Reading whole = ReadFile(file, 0);
    // One-byte slices: every row is a slice of its own.
    const Reading slices = ReadFile(file, 1);
    EXPECT_EQ(slices.rc, whole.rc);
    EXPECT_TRUE(slices.fingerprint == whole.fingerprint);
    opened += whole.rc == 1;
  }
  EXPECT_GT(opened, 200);
  EXPECT_EQ(VkLiveAllocations(), live);
}

// The slicer itself: where it cuts, and where it declines or gives up.
TEST(SheetSlices, CutsAfterRowsAndDeclinesWhatItCannotReadExactly) {
  struct Case {
    const char* what;
    std::string xml;
    bool opens;
    int32_t slices;  // slices read before the end (0) or the give-up (2); -1: not checked
    int32_t last;
  } cases[] = {
      {"forty rows, a row a slice", Sheet(Rows(1, 40)), true, 40, 0},
      {"comment before sheetData is skipped", Sheet(Rows(1, 3), "<!-- <sheetData> -->"), true, 3, 0},
      {"end tag inside CDATA is skipped", Sheet(Rows(1, 2) + "<row><c><v><![CDATA[</row>]]></v></c></row>"), true, 3, 0},
      {"a row with a tag left open", Sheet(Rows(1, 2) + "<row><c></row>" + Rows(4, 5)), true, 2, kSheetDataReparse},
      {"latin-1", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>" + Sheet(Rows(1, 3)).substr(38), false, -1, 0},
      {"self-closing", std::string("<worksheet ") + kNs + "><sheetData/></worksheet>", false, -1, 0},
      {"nested sheetData first", Sheet(Rows(1, 3), "<extLst><sheetData></sheetData></extLst>"), false, -1, 0},
      {"no end tag", Sheet(Rows(1, 3)).substr(0, Sheet(Rows(1, 3)).rfind("</sheetData>")), false, -1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(c.xml.data());
    SheetDataSlices slices;
    pugi::xml_document outer;
    ASSERT_EQ(slices.Open(bytes, c.xml.size(), 1, &outer), c.opens);
    if (!c.opens) continue;
    EXPECT_FALSE(outer.document_element().child("sheetData").first_child());
    pugi::xml_node container;
    int32_t read = 0, rc;
    while ((rc = slices.Next(&container)) == 1) {
      EXPECT_TRUE(container.child("row")) << read;
      ++read;
    }
    EXPECT_EQ(read, c.slices);
    EXPECT_EQ(rc, c.last);
  }
}

// Parts whose slices must match the whole DOM, including where the slicer gives up.
TEST(SheetSlices, PartsBuiltToTripTheSlicerReadAsWhole) {
  const std::string rows = Rows(1, 40);
  const std::string open = std::string("<worksheet ") + kNs + ">";
  const std::string prefixed = std::string("<?xml version=\"1.0\"?><x:worksheet xmlns:x=\"") +
                               "http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><x:sheetData>" +
                               "<x:row r=\"1\"><x:c r=\"B1\"><x:v>5</x:v></x:c></x:row><x:row><x:c><x:v>6</x:v>" +
                               "</x:c></x:row ></x:sheetData></x:worksheet>";
  std::string deep;
  for (int i = 0; i < 1100; ++i) deep += "<a>";
  for (int i = 0; i < 1100; ++i) deep += "</a>";
  const std::string whole = Sheet(rows);
  struct Case {
    const char* what;
    std::string xml;
    int32_t rc;
  } cases[] = {
      {"plain rows", whole, 1},
      {"rows without numbers run on across slices", Sheet("<row><c><v>1</v></c><c><v>2</v></c></row><row/>" + rows), 1},
      {"prefixed elements", prefixed, 1},
      {"attributes holding >", Sheet(rows, "<sheetPr codeName=\"a>b\"/><dimension ref=\"A1:B40\"/>"), 1},
      {"sheetData with attributes", open + "<sheetData a=\"x>\">" + rows + "</sheetData></worksheet>", 1},
      {"end tags in CDATA",
       Sheet(Rows(1, 5) + "<row r=\"6\"><c t=\"str\"><v><![CDATA[</row></sheetData>]]></v></c></row>" + Rows(7, 9)), 1},
      {"end tags in a comment", Sheet(Rows(1, 5) + "<!-- </row> </sheetData> -->" + Rows(6, 9)), 1},
      {"a comment before sheetData names it", Sheet(rows, "<!-- <sheetData><row r=\"99\"/></sheetData> -->"), 1},
      {"rows nested in rows", Sheet("<row r=\"1\"><row r=\"2\"><c><v>1</v></c></row><c><v>2</v></c></row>" + rows), 1},
      {"two sheetData elements", Sheet(rows, "", "<sheetData>" + Rows(50, 52) + "</sheetData>"), 1},
      {"sheetData inside another element first", Sheet(rows, "<extLst><sheetData>" + Rows(60, 61) + "</sheetData></extLst>"), 1},
      {"self-closing sheetData", open + "<sheetData/><mergeCells><mergeCell ref=\"A1:B2\"/></mergeCells></worksheet>", 1},
      {"merged ranges after sheetData", Sheet(rows, "", "<mergeCells count=\"1\"><mergeCell ref=\"A2:B3\"/></mergeCells>"), 1},
      {"latin-1 declaration",
       "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>" + open + "<sheetData>" + Rows(1, 9, "\xE9") + "</sheetData></worksheet>", 1},
      {"truncated in a late row", whole.substr(0, whole.size() - 200), 1},
      {"broken after sheetData", Sheet(rows, "", "<pageSetup scale=\"50\"/><oops>"), 1},
      // Found by the differential fuzz target: a zero byte ends the whole document there.
      {"zero byte between rows", Sheet(Rows(1, 4) + std::string(3, '\0') + Rows(5, 9)), 1},
      {"document type inside sheetData", Sheet(Rows(1, 4) + "<!DOCTYPE x>" + Rows(5, 9)), 1},
      {"declaration inside sheetData", Sheet(Rows(1, 4) + "<?xml version=\"1.0\"?>" + Rows(5, 9)), 1},
      {"empty cells read before the merged range that keeps them",
       Sheet("<row r=\"1\"><c r=\"A1\"/><c r=\"B1\"><v>1</v></c><c r=\"C1\"/></row><row r=\"2\"><c r=\"A2\"/></row>",
             "", "<mergeCells count=\"1\"><mergeCell ref=\"A1:A2\"/></mergeCells>"), 1},
      {"an empty cell, then a value at its place", Sheet("<row r=\"1\"><c r=\"A1\"/><c r=\"A1\"><v>7</v></c></row>" + rows), 1},
      {"columns after sheetData", Sheet(rows, "", "<cols><col min=\"1\" max=\"1\" hidden=\"1\"/></cols>"), 1},
      {"sheet format after sheetData", Sheet(rows, "", "<sheetFormatPr defaultRowHeight=\"30\"/>"), 1},
      {"ends right after the start tag of sheetData", open + "<sheetData>", 1},
      {"row number out of range in a late slice", Sheet(rows + "<row r=\"1048577\"/>"), -9},
      {"too deep in one slice", Sheet(rows + deep), -9},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Reading read = ReadSheetXml(c.xml, 0);
    EXPECT_EQ(read.rc, c.rc);
    for (size_t sliceBytes : {size_t(1), size_t(40), size_t(300)}) {
      const Reading slices = ReadSheetXml(c.xml, sliceBytes);
      EXPECT_EQ(slices.rc, read.rc) << sliceBytes;
      EXPECT_TRUE(slices.fingerprint == read.fingerprint) << sliceBytes << "\n" << slices.fingerprint << "--\n"
                                                           << read.fingerprint;
    }
  }
}

}  // namespace
