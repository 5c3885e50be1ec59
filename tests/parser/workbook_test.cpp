// Opening whole packages: the walk to the workbook part, sheet states and counting, broken and
// hostile packages, progress, allocation failures, the generated fixtures.
#include <gtest/gtest.h>

#include "host/kernel/vkkrnx.h"
#include "parser/xlsxprsr.h"
#include "tests/parser/parsertestutil.h"
#include "tests/support/testsupport.h"

using namespace xlx;
using xlxtest::OpenedPackage;
using xlxtest::ZipEntry;

namespace {

const char* const kRelsNs = "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"";
const char* const kRelType = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";

std::string WorkbookPart(const std::string& sheets, const std::string& extra = "") {
  return std::string("<?xml version=\"1.0\"?><workbook ") + xlxtest::kMainNs + "><sheets>" + sheets + "</sheets>" + extra +
         "</workbook>";
}

std::string Rel(const std::string& id, const std::string& type, const std::string& target) {
  return "<Relationship Id=\"" + id + "\" Type=\"" + kRelType + type + "\" Target=\"" + target + "\"/>";
}

std::string Rels(const std::string& body) { return std::string("<Relationships ") + kRelsNs + ">" + body + "</Relationships>"; }

std::u16string SheetName(const Workbook* workbook, int32_t i) { return GetSheet(workbook, i)->sheetName; }

// Four sheets: visible, hidden, very hidden, visible.
std::vector<ZipEntry> StatesPackage() {
  std::vector<ZipEntry> entries = xlxtest::MinimalWorkbookEntries({"One", "Two", "Three", "Four"});
  xlxtest::SetEntry(&entries, "xl/workbook.xml",
                    WorkbookPart("<sheet name=\"One\" sheetId=\"1\" r:id=\"rId1\"/>"
                                 "<sheet name=\"Two\" sheetId=\"2\" state=\"hidden\" r:id=\"rId2\"/>"
                                 "<sheet name=\"Three\" sheetId=\"3\" state=\"veryHidden\" r:id=\"rId3\"/>"
                                 "<sheet name=\"Four\" sheetId=\"4\" state=\"visible\" r:id=\"rId4\"/>"));
  return entries;
}

TEST(OpenWorkbook, MinimalPackage) {
  OpenedPackage package(xlxtest::MinimalWorkbookEntries({"Alpha", "Beta"}));
  ASSERT_EQ(package.rc, 1);
  EXPECT_EQ(package.formatCode, 351);
  ASSERT_EQ(GetSheetCount(package.workbook), 2);
  EXPECT_EQ(SheetName(package.workbook, 0), u"Alpha");
  EXPECT_EQ(SheetName(package.workbook, 1), u"Beta");
  EXPECT_EQ(GetSheet(package.workbook, 1)->partPath, u"xl/worksheets/sheet2.xml");
  EXPECT_EQ(GetSheet(package.workbook, 2), nullptr);
  EXPECT_EQ(GetTotalPageCount(package.workbook), 2);
  EXPECT_EQ(GetSheet(package.workbook, 1)->nFirstPage, 2);
  int32_t sheet = -1, page = -1;
  ASSERT_EQ(FindSheetForPage(package.workbook, 2, &sheet, &page), 1);
  EXPECT_EQ(sheet, 1);
  EXPECT_EQ(page, 0);
  ASSERT_EQ(FindSheetForPage(package.workbook, 99, &sheet, &page), 1);
  EXPECT_EQ(sheet, 1);
  // No styles part: defaults.
  EXPECT_EQ(std::u16string(GetFont(package.workbook->styles, 0).lfFaceName), u"Calibri");
  EXPECT_EQ(GetFill(package.workbook->styles, 0).kind, kFillNone);
  EXPECT_EQ(std::u16string(GetSheet(package.workbook, 0)->normalFont.lfFaceName), u"Calibri");
}

TEST(OpenWorkbook, HiddenAndVeryHiddenSheets) {
  OpenedPackage visible(StatesPackage());
  ASSERT_EQ(visible.rc, 1);
  ASSERT_EQ(GetSheetCount(visible.workbook), 2);
  EXPECT_EQ(SheetName(visible.workbook, 0), u"One");
  EXPECT_EQ(SheetName(visible.workbook, 1), u"Four");
  EXPECT_EQ(GetSheet(visible.workbook, 1)->workbookIndex, 3);
  EXPECT_EQ(GetSheet(visible.workbook, 1)->partPath, u"xl/worksheets/sheet4.xml");

  WorkbookOpenOptions all;
  all.showHiddenSheets = true;
  OpenedPackage every(StatesPackage(), all);
  ASSERT_EQ(every.rc, 1);
  ASSERT_EQ(GetSheetCount(every.workbook), 4);
  EXPECT_EQ(GetSheet(every.workbook, 2)->state, kSheetVeryHidden);
  EXPECT_EQ(SheetName(every.workbook, 2), u"Three");
}

TEST(OpenWorkbook, OnlyHiddenSheetsLeaveNothingToShow) {
  std::vector<ZipEntry> entries = xlxtest::MinimalWorkbookEntries({"Secret"});
  xlxtest::SetEntry(&entries, "xl/workbook.xml", WorkbookPart("<sheet name=\"Secret\" sheetId=\"1\" state=\"hidden\" r:id=\"rId1\"/>"));
  OpenedPackage hidden(entries);
  EXPECT_EQ(hidden.rc, -9);
  EXPECT_EQ(hidden.workbook, nullptr);
  WorkbookOpenOptions all;
  all.showHiddenSheets = true;
  OpenedPackage shown(entries, all);
  EXPECT_EQ(shown.rc, 1);
  EXPECT_EQ(GetSheetCount(shown.workbook), 1);
}

TEST(OpenWorkbook, LongSheetNamesAreCut) {
  std::string name(300, 'n');
  name.replace(254, 4, "\xF0\x9F\x98\x80");  // a surrogate pair straddling the cut
  std::vector<ZipEntry> entries = xlxtest::MinimalWorkbookEntries({name});
  OpenedPackage package(entries);
  ASSERT_EQ(package.rc, 1);
  EXPECT_EQ(SheetName(package.workbook, 0), std::u16string(254, u'n'));
  std::vector<ZipEntry> plain = xlxtest::MinimalWorkbookEntries({std::string(300, 'x')});
  OpenedPackage cut(plain);
  ASSERT_EQ(cut.rc, 1);
  EXPECT_EQ(SheetName(cut.workbook, 0).size(), 255u);
}

// Broken packages and the exact result each gives.
TEST(OpenWorkbook, BrokenPackagesGiveTheirCodes) {
  struct Case {
    const char* what;
    void (*edit)(std::vector<ZipEntry>*);
    int32_t rc;
  };
  static const Case kCases[] = {
      {"no package relationships", [](std::vector<ZipEntry>* e) { xlxtest::RemoveEntry(e, "_rels/.rels"); }, -9},
      {"empty package relationships", [](std::vector<ZipEntry>* e) { xlxtest::SetEntry(e, "_rels/.rels", Rels("")); }, -9},
      {"no office-document relationship",
       [](std::vector<ZipEntry>* e) {
         xlxtest::SetEntry(e, "_rels/.rels", Rels(Rel("rId1", "extended-properties", "docProps/app.xml")));
       },
       -9},
      {"office document part missing", [](std::vector<ZipEntry>* e) { xlxtest::RemoveEntry(e, "xl/workbook.xml"); }, -9},
      {"sheet id not among the relationships",
       [](std::vector<ZipEntry>* e) {
         xlxtest::SetEntry(e, "xl/workbook.xml", WorkbookPart("<sheet name=\"A\" sheetId=\"1\" r:id=\"rId9\"/>"));
       },
       -9},
      {"sheet relationship to a missing part",
       [](std::vector<ZipEntry>* e) { xlxtest::RemoveEntry(e, "xl/worksheets/sheet1.xml"); }, -9},
      {"sheet without r:id",
       [](std::vector<ZipEntry>* e) { xlxtest::SetEntry(e, "xl/workbook.xml", WorkbookPart("<sheet name=\"A\"/>")); }, -9},
      {"no sheets", [](std::vector<ZipEntry>* e) { xlxtest::SetEntry(e, "xl/workbook.xml", WorkbookPart("")); }, -9},
      {"root is not a workbook",
       [](std::vector<ZipEntry>* e) { xlxtest::SetEntry(e, "xl/workbook.xml", "<worksheet><sheets/></worksheet>"); }, -9},
      {"workbook part is not XML", [](std::vector<ZipEntry>* e) { xlxtest::SetEntry(e, "xl/workbook.xml", "PK\x03\x04 junk"); }, -9},
      {"truncated workbook part",
       [](std::vector<ZipEntry>* e) {
         xlxtest::SetEntry(e, "xl/workbook.xml", WorkbookPart("<sheet name=\"A\" sheetId=\"1\" r:id=\"rId1\"/>").substr(0, 240));
       },
       1},
      {"malformed styles, strings and theme parts",
       [](std::vector<ZipEntry>* e) {
         xlxtest::SetEntry(e, "xl/_rels/workbook.xml.rels",
                           Rels(Rel("rId1", "worksheet", "worksheets/sheet1.xml") + Rel("rId2", "styles", "styles.xml") +
                                Rel("rId3", "sharedStrings", "sharedStrings.xml") + Rel("rId4", "theme", "theme/theme1.xml")));
         xlxtest::SetEntry(e, "xl/styles.xml", "<styleSheet><fonts count=\"2\"><font><b/></font><font><sz val=");
         xlxtest::SetEntry(e, "xl/sharedStrings.xml", "<sst uniqueCount=\"3\"><si><t>one</t></si><si><t>tw");
         xlxtest::SetEntry(e, "xl/theme/theme1.xml", "<a:theme><<<");
       },
       1},
      {"related parts that are absent",
       [](std::vector<ZipEntry>* e) {
         xlxtest::SetEntry(e, "xl/_rels/workbook.xml.rels",
                           Rels(Rel("rId1", "worksheet", "worksheets/sheet1.xml") + Rel("rId2", "styles", "nostyles.xml") +
                                Rel("rId3", "sharedStrings", "nostrings.xml") + Rel("rId4", "theme", "theme/none.xml")));
       },
       1},
  };
  for (const Case& c : kCases) {
    std::vector<ZipEntry> entries = xlxtest::MinimalWorkbookEntries({"A"});
    c.edit(&entries);
    size_t live = VkLiveAllocations();
    {
      OpenedPackage package(entries);
      EXPECT_EQ(package.rc, c.rc) << c.what;
      EXPECT_EQ(package.workbook != nullptr, c.rc == 1) << c.what;
    }
    EXPECT_EQ(VkLiveAllocations(), live) << c.what;
  }
}

TEST(OpenWorkbook, BinaryWorkbookIsLeftToTheBinaryReader) {
  std::vector<ZipEntry> entries = xlxtest::MinimalWorkbookEntries({"A"});
  xlxtest::SetEntry(&entries, "_rels/.rels", Rels(Rel("rId1", "officeDocument", "xl/workbook.bin")));
  xlxtest::SetEntry(&entries, "xl/workbook.bin", std::string("\x83\x01\x00", 3));
  OpenedPackage package(entries);
  EXPECT_EQ(package.rc, -9);
  EXPECT_EQ(package.formatCode, 403);
}

TEST(OpenWorkbook, NotAPackage) {
  std::string junk = "this is not a zip file at all";
  int64_t handle = VkOpenMemoryFile(junk.data(), junk.size());
  Workbook* workbook = reinterpret_cast<Workbook*>(1);
  EXPECT_EQ(OpenWorkbookFromHandle(handle, WorkbookOpenOptions(), &workbook), -9);
  EXPECT_EQ(workbook, nullptr);
  VkCloseFile(handle);
  EXPECT_EQ(OpenWorkbook(u"/nonexistent/file.xlsx", WorkbookOpenOptions(), &workbook), -10);
  EXPECT_EQ(OpenWorkbook(nullptr, WorkbookOpenOptions(), &workbook), -13);
  EXPECT_EQ(OpenWorkbookFromHandle(-1, WorkbookOpenOptions(), &workbook), -13);
  EXPECT_EQ(OpenWorkbookFromHandle(0, WorkbookOpenOptions(), nullptr), -13);
}

struct ProgressLog {
  int calls = 0;
  int stopAt = -1;  // call number that answers 7
};

int32_t CountingProgress(int32_t, uint64_t user) {
  ProgressLog* log = reinterpret_cast<ProgressLog*>(user);
  return ++log->calls == log->stopAt ? 7 : 1;
}

TEST(OpenWorkbook, ProgressIsPolledAndCanStopTheLoad) {
  ProgressLog log;
  ProgressCallback callback{};
  callback.pfnProgress = CountingProgress;
  callback.uUser = reinterpret_cast<uint64_t>(&log);
  WorkbookOpenOptions options;
  options.progress = &callback;
  std::vector<ZipEntry> entries = xlxtest::MinimalWorkbookEntries({"A", "B", "C"});
  {
    OpenedPackage package(entries, options);
    ASSERT_EQ(package.rc, 1);
  }
  int total = log.calls;
  EXPECT_GE(total, 1 + 3 * 2) << "before the sheets, before and after each";
  for (int stop = 1; stop <= total; ++stop) {
    log = ProgressLog();
    log.stopAt = stop;
    size_t live = VkLiveAllocations();
    {
      OpenedPackage package(entries, options);
      EXPECT_EQ(package.rc, 7) << "stopped at call " << stop;
    }
    EXPECT_EQ(VkLiveAllocations(), live);
  }
}

TEST(OpenWorkbook, EveryAllocationFailureIsCleanlyReported) {
  for (const char* fixture : {"styles_strings.xlsx", "cells_layout.xlsx"}) {
    std::vector<unsigned char> bytes = xlxtest::ReadWholeFile(xlxtest::SourceDir() + "/tests/fixtures/" + fixture);
    ASSERT_FALSE(bytes.empty()) << fixture;
    int successes = 0, failures = 0;
    for (long long budget = 0; budget < 5000 && successes < 3; ++budget) {
      int64_t handle = VkOpenMemoryFile(bytes.data(), bytes.size());
      size_t live = VkLiveAllocations();
      VkSetAllocationBudget(budget);
      Workbook* workbook = nullptr;
      int32_t rc = OpenWorkbookFromHandle(handle, WorkbookOpenOptions(), &workbook);
      VkSetAllocationBudget(-1);
      ASSERT_TRUE(rc == 1 || rc == -1) << fixture << ": budget " << budget << " gave " << rc;
      if (rc == 1) ++successes;
      else ++failures;
      FreeWorkbook(workbook);
      VkCloseFile(handle);
      ASSERT_EQ(VkLiveAllocations(), live) << fixture << ": budget " << budget;
    }
    EXPECT_GE(successes, 1) << fixture;
    EXPECT_GT(failures, 10) << fixture << ": the open makes more allocations than that";
  }
}

TEST(Fixtures, SheetStates) {
  std::u16string path = xlxtest::U16(xlxtest::SourceDir() + "/tests/fixtures/sheet_states.xlsx");
  Workbook* workbook = nullptr;
  ASSERT_EQ(OpenWorkbook(path.c_str(), WorkbookOpenOptions(), &workbook), 1);
  ASSERT_EQ(GetSheetCount(workbook), 2);
  EXPECT_EQ(SheetName(workbook, 0), u"Visible1");
  EXPECT_EQ(SheetName(workbook, 1), u"Visible2");
  EXPECT_EQ(workbook->sheetParts.Count(), 4);
  EXPECT_EQ(workbook->sheetParts[2].state, kSheetVeryHidden);
  FreeWorkbook(workbook);
}

TEST(Fixtures, StylesAndStrings) {
  std::u16string path = xlxtest::U16(xlxtest::SourceDir() + "/tests/fixtures/styles_strings.xlsx");
  Workbook* workbook = nullptr;
  int32_t format = 0;
  ASSERT_EQ(OpenWorkbook(path.c_str(), WorkbookOpenOptions(), &workbook, &format), 1);
  EXPECT_EQ(format, 351);
  const Stylesheet& styles = workbook->styles;
  EXPECT_EQ(GetFont(styles, 1).lfWeight, 700);
  EXPECT_EQ(GetFont(styles, 1).color, 0xFF000000u) << "theme 1 is dk1";
  EXPECT_EQ(GetFont(styles, 2).color, 0xFF0000FFu);
  EXPECT_EQ(GetFont(styles, 2).lfItalic, 1);
  EXPECT_EQ(GetFont(styles, 3).lfUnderline, 1) << "double underline";
  EXPECT_EQ(std::u16string(GetFont(styles, 3).lfFaceName), u"Arial");
  EXPECT_EQ(GetFont(styles, 3).lfHeight, -19);
  const FillSpec& solid = GetFill(styles, GetCellXf(styles, 4).fillId);
  EXPECT_EQ(solid.kind, kFillSolid);
  EXPECT_EQ(solid.foreColor, 0xFF00FFFFu);
  const FillSpec& hatch = GetFill(styles, GetCellXf(styles, 5).fillId);
  EXPECT_EQ(hatch.kind, kFillPattern);
  EXPECT_EQ(hatch.hatch, kHatchVertical);
  const MyBorder& border = GetBorder(styles, GetCellXf(styles, 6).borderId);
  EXPECT_EQ(border.left.pattern, kLineDashDotDot);
  EXPECT_EQ(border.left.color, 0xFF0000FFu);
  EXPECT_EQ(border.top.pattern, kLineSolid);
  EXPECT_EQ(border.bottom.pattern, kLineDashDot);
  EXPECT_EQ(std::u16string(GetNumberFormatCode(styles, GetCellXf(styles, 7).numFmtId)), u"#,##0.00 [$EUR]");
  EXPECT_TRUE(StyleDrawsSomething(styles, 6, false, kColorAutomatic));
  EXPECT_FALSE(StyleDrawsSomething(styles, 0, false, kColorAutomatic));
  EXPECT_EQ(styles.defaultTableStyle, u"TableStyleMedium9");

  const SharedStringTable& strings = workbook->sharedStrings;
  EXPECT_EQ(strings.count, 4);
  const RichString& rich = GetSharedString(strings, 3);
  EXPECT_EQ(std::u16string(rich.text), u"Hello");
  ASSERT_EQ(rich.runCount, 2);
  ASSERT_NE(rich.runs[1].font, nullptr);
  EXPECT_EQ(rich.runs[1].font->lfWeight, 700);

  EXPECT_EQ(std::u16string(FindDefinedName(workbook, u"Rate")), u"Styles!$A$7");
  EXPECT_EQ(FindDefinedName(workbook, u"Local")[0], u'S');
  EXPECT_EQ(std::u16string(GetPrintArea(workbook, 0)), u"Styles!$A$1:$C$9");
  EXPECT_EQ(std::u16string(GetSheet(workbook, 0)->minorFont), u"Calibri");
  EXPECT_EQ(std::u16string(GetSheet(workbook, 0)->majorFont), u"Cambria");
  FreeWorkbook(workbook);
}

}  // namespace
