// Opening whole packages: the walk to the workbook part, sheet states and counting, broken and
// hostile packages, progress, allocation failures, the generated fixtures.
#include <gtest/gtest.h>

#include "common/limits.h"

#include <tuple>

#include "host/kernel/vkkrnx.h"
#include "common/utf8.h"
#include "filter/hiddensheets.h"
#include "filter/workbookopen.h"
#include "parser/xlsxprsr.h"
#include "tests/parser/parsertestutil.h"
#include "tests/support/testsupport.h"

using namespace xlx;
using xlxtest::OpenedPackage;
using xlxtest::ZipEntry;

namespace {

const char* const kRelsNs = "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"";
const char* const kRelType = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";

std::string WorkbookPart(const std::string& sheets) {
  return "<?xml version=\"1.0\"?>" + xlxtest::MainPart("workbook", "<sheets>" + sheets + "</sheets>");
}

std::string Rel(const std::string& id, const std::string& type, const std::string& target) {
  return "<Relationship Id=\"" + id + "\" Type=\"" + kRelType + type + "\" Target=\"" + target + "\"/>";
}

std::string Rels(const std::string& body) { return std::string("<Relationships ") + kRelsNs + ">" + body + "</Relationships>"; }

std::u16string SheetName(const Workbook* workbook, int32_t i) { return GetSheet(workbook, i)->sheetName; }
using Names = std::vector<std::u16string>;
// The names of the sheets the workbook shows, in order.
Names SheetNames(const Workbook* workbook) {
  Names names;
  for (int32_t i = 0; i < GetSheetCount(workbook); ++i) names.push_back(SheetName(workbook, i));
  return names;
}

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
  ASSERT_EQ(SheetNames(package.workbook), (Names{u"Alpha", u"Beta"}));
  EXPECT_EQ(GetSheet(package.workbook, 2), nullptr);
  const MyWorksheet& second = *GetSheet(package.workbook, 1);
  EXPECT_EQ(std::make_tuple(package.formatCode, second.partPath), std::make_tuple(351, std::u16string(u"xl/worksheets/sheet2.xml")));
  // No styles part: defaults.
  EXPECT_EQ(std::u16string(GetFont(package.workbook->styles, 0).lfFaceName), u"Calibri");
  EXPECT_EQ(GetFill(package.workbook->styles, 0).kind, kFillNone);
  EXPECT_EQ(std::u16string(GetSheet(package.workbook, 0)->normalFont.lfFaceName), u"Calibri");
}

TEST(OpenWorkbook, HiddenAndVeryHiddenSheets) {
  OpenedPackage visible(StatesPackage());
  ASSERT_EQ(visible.rc, 1);
  ASSERT_EQ(SheetNames(visible.workbook), (Names{u"One", u"Four"}));
  EXPECT_EQ(std::make_tuple(GetSheet(visible.workbook, 1)->workbookIndex, GetSheet(visible.workbook, 1)->partPath,
                            visible.workbook->sheetParts.Count()),
            std::make_tuple(3, std::u16string(u"xl/worksheets/sheet4.xml"), 4));

  WorkbookOpenOptions all;
  all.showHiddenSheets = true;
  OpenedPackage every(StatesPackage(), all);
  ASSERT_EQ(every.rc, 1);
  ASSERT_EQ(SheetNames(every.workbook), (Names{u"One", u"Two", u"Three", u"Four"}));
  EXPECT_EQ(GetSheet(every.workbook, 2)->state, kSheetVeryHidden);

  // Only hidden sheets leave nothing to show.
  std::vector<ZipEntry> entries = xlxtest::MinimalWorkbookEntries({"Secret"});
  xlxtest::SetEntry(&entries, "xl/workbook.xml", WorkbookPart("<sheet name=\"Secret\" sheetId=\"1\" state=\"hidden\" r:id=\"rId1\"/>"));
  OpenedPackage hidden(entries), shown(entries, all);
  EXPECT_EQ(std::make_tuple(hidden.rc, hidden.workbook, shown.rc), std::make_tuple(-9, nullptr, 1));

  // An entry with an empty r:id names no part: it is skipped, the others load.
  std::vector<ZipEntry> ghost = xlxtest::MinimalWorkbookEntries({"One"});
  xlxtest::SetEntry(&ghost, "xl/workbook.xml",
                    WorkbookPart("<sheet name=\"Ghost\" sheetId=\"9\" r:id=\"\"/><sheet name=\"One\" sheetId=\"1\" r:id=\"rId1\"/>"));
  for (const WorkbookOpenOptions& options : {WorkbookOpenOptions(), all}) {
    OpenedPackage skipped(ghost, options);
    ASSERT_EQ(skipped.rc, 1);
    ASSERT_EQ(SheetNames(skipped.workbook), Names{u"One"});
    EXPECT_EQ(GetSheet(skipped.workbook, 0)->workbookIndex, 1);
  }
}

// Hidden sheets that shown formulas reach, directly or through another hidden sheet, load as
// data sheets after the shown ones; a hidden sheet nothing names is not read. None is printed.
TEST(OpenWorkbook, HiddenSheetsLoadWhenShownContentRefersToThem) {
  auto sheet = [](const std::string& cells) {
    return xlxtest::MainPart("worksheet", "<sheetData><row r=\"1\">" + cells + "</row></sheetData>");
  };
  std::vector<ZipEntry> entries = StatesPackage();
  xlxtest::SetEntry(&entries, "xl/worksheets/sheet1.xml", sheet("<c r=\"A1\"><f>SUM(two!A1:B1)</f></c>"));
  xlxtest::SetEntry(&entries, "xl/worksheets/sheet2.xml", sheet("<c r=\"A1\"><v>5</v></c><c r=\"B1\"><f>'Three'!A1*2</f></c>"));
  xlxtest::SetEntry(&entries, "xl/worksheets/sheet3.xml", sheet("<c r=\"A1\"><v>7</v></c>"));
  OpenedPackage package(entries);
  ASSERT_EQ(package.rc, 1);
  EXPECT_EQ(SheetNames(package.workbook), (Names{u"One", u"Four"}));
  ASSERT_EQ(package.workbook->dataSheetCount, 2);
  EXPECT_EQ(ReferableSheetCount(package.workbook), 4);
  const CellRecord* sum = FindCell(*GetSheet(package.workbook, 0), 1, 1);
  ASSERT_NE(sum, nullptr);
  EXPECT_EQ(sum->number, 19);

  // Nothing names the hidden sheets: they stay unread.
  xlxtest::SetEntry(&entries, "xl/worksheets/sheet1.xml", sheet("<c r=\"A1\"><f>SUM(NotTwo!A1:B1)</f></c>"));
  OpenedPackage unrelated(entries);
  ASSERT_EQ(unrelated.rc, 1);
  EXPECT_EQ(unrelated.workbook->dataSheetCount, 0);
}

TEST(OpenWorkbook, FormulaTextNamingASheet) {
  const struct {
    const char16_t* text;
    const char16_t* sheet;
    bool names;
  } cases[] = {
      {u"SUM(Two!A1:A3)", u"Two", true},        {u"two!A1", u"TWO", true},
      {u"'My Store'!B2", u"My Store", true},    {u"'It''s'!A1", u"It's", true},
      {u"NotTwo!A1", u"Two", false},            {u"Two2!A1", u"Two", false},
      {u"'Other Two'!A1", u"Two", false},       {u"Two", u"Two", false},
      {u"A1+_Two!A1", u"Two", false},           {u"(Data!$A$1,Two!$B$2)", u"Two", true},
  };
  for (const auto& c : cases) EXPECT_EQ(c.names, FormulaNamesSheet(c.text, c.sheet)) << Utf16ToUtf8(c.text);
}

// One worksheet part makes at most kMaxSheetsPerPart sheets, however many entries name it (by
// one relationship or by several); sheets of other parts are not counted against it.
TEST(OpenWorkbook, APartListedOverAndOverMakesFewSheets) {
  std::vector<ZipEntry> entries = xlxtest::MinimalWorkbookEntries({"A", "B"});
  std::string sheets, rels = Rel("rId2", "worksheet", "worksheets/sheet2.xml");
  for (int i = 0; i < 10; ++i) {
    const std::string id = i % 2 ? "rId1" : "rIdA" + std::to_string(i);
    sheets += "<sheet name=\"S" + std::to_string(i) + "\" sheetId=\"" + std::to_string(i + 1) + "\" r:id=\"" + id + "\"/>";
    if (i % 2 == 0) rels += Rel(id, "worksheet", "worksheets/sheet1.xml");
    if (i == 5) sheets += "<sheet name=\"Other\" sheetId=\"99\" r:id=\"rId2\"/>";
  }
  xlxtest::SetEntry(&entries, "xl/workbook.xml", WorkbookPart(sheets));
  xlxtest::SetEntry(&entries, "xl/_rels/workbook.xml.rels", Rels(Rel("rId1", "worksheet", "worksheets/sheet1.xml") + rels));
  OpenedPackage package(entries);
  ASSERT_EQ(package.rc, 1);
  static_assert(kMaxSheetsPerPart == 4, "the names below");
  EXPECT_EQ(SheetNames(package.workbook), (Names{u"S0", u"S1", u"S2", u"S3", u"Other"}));
  EXPECT_TRUE(package.workbook->sheetsLeftOut);
  OpenedPackage two(xlxtest::MinimalWorkbookEntries({"A", "B"}));
  ASSERT_EQ(two.rc, 1);
  EXPECT_FALSE(two.workbook->sheetsLeftOut);
}

TEST(OpenWorkbook, LongSheetNamesAreCut) {
  std::string name(300, 'n');
  name.replace(254, 4, "\xF0\x9F\x98\x80");  // a surrogate pair straddling the cut
  OpenedPackage package(xlxtest::MinimalWorkbookEntries({name}));
  ASSERT_EQ(package.rc, 1);
  EXPECT_EQ(SheetName(package.workbook, 0), std::u16string(254, u'n'));
  OpenedPackage cut(xlxtest::MinimalWorkbookEntries({std::string(300, 'x')}));
  ASSERT_EQ(cut.rc, 1);
  EXPECT_EQ(SheetName(cut.workbook, 0).size(), 255u);
}

// Broken packages and the exact result each gives; each edit replaces an entry (null: removes it).
TEST(OpenWorkbook, BrokenPackagesGiveTheirCodes) {
  struct Edit {
    const char* name;
    const char* data;
  };
  const std::string fourParts = Rels(Rel("rId1", "worksheet", "worksheets/sheet1.xml") + Rel("rId2", "styles", "styles.xml") +
                                     Rel("rId3", "sharedStrings", "sharedStrings.xml") + Rel("rId4", "theme", "theme/theme1.xml"));
  const std::string absentParts = Rels(Rel("rId1", "worksheet", "worksheets/sheet1.xml") + Rel("rId2", "styles", "no.xml") +
                                       Rel("rId3", "sharedStrings", "nos.xml") + Rel("rId4", "theme", "theme/none.xml"));
  const std::string emptyRels = Rels(""), appOnly = Rels(Rel("rId1", "extended-properties", "docProps/app.xml"));
  const std::string badId = WorkbookPart("<sheet name=\"A\" sheetId=\"1\" r:id=\"rId9\"/>");
  const std::string noRid = WorkbookPart("<sheet name=\"A\"/>"), noSheets = WorkbookPart("");
  const std::string truncated = WorkbookPart("<sheet name=\"A\" sheetId=\"1\" r:id=\"rId1\"/>").substr(0, 240);
  struct Case {
    const char* what;
    std::vector<Edit> edits;
    int32_t rc;
  };
  const Case kCases[] = {
      {"no package relationships", {{"_rels/.rels", nullptr}}, -9},
      {"empty package relationships", {{"_rels/.rels", emptyRels.c_str()}}, -9},
      {"no office-document relationship", {{"_rels/.rels", appOnly.c_str()}}, -9},
      {"office document part missing", {{"xl/workbook.xml", nullptr}}, -9},
      {"sheet id not among the relationships", {{"xl/workbook.xml", badId.c_str()}}, -9},
      {"sheet relationship to a missing part", {{"xl/worksheets/sheet1.xml", nullptr}}, -9},
      {"sheet without r:id", {{"xl/workbook.xml", noRid.c_str()}}, -9},
      {"no sheets", {{"xl/workbook.xml", noSheets.c_str()}}, -9},
      {"root is not a workbook", {{"xl/workbook.xml", "<worksheet><sheets/></worksheet>"}}, -9},
      {"workbook part is not XML", {{"xl/workbook.xml", "PK\x03\x04 junk"}}, -9},
      {"truncated workbook part", {{"xl/workbook.xml", truncated.c_str()}}, 1},
      {"malformed styles, strings and theme parts",
       {{"xl/_rels/workbook.xml.rels", fourParts.c_str()},
        {"xl/styles.xml", "<styleSheet><fonts count=\"2\"><font><b/></font><font><sz val="},
        {"xl/sharedStrings.xml", "<sst uniqueCount=\"3\"><si><t>one</t></si><si><t>tw"},
        {"xl/theme/theme1.xml", "<a:theme><<<"}},
       1},
      {"related parts that are absent", {{"xl/_rels/workbook.xml.rels", absentParts.c_str()}}, 1},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    std::vector<ZipEntry> entries = xlxtest::MinimalWorkbookEntries({"A"});
    for (const Edit& e : c.edits) {
      if (e.data) xlxtest::SetEntry(&entries, e.name, e.data);
      else xlxtest::RemoveEntry(&entries, e.name);
    }
    size_t live = VkLiveAllocations();
    {
      OpenedPackage package(entries);
      EXPECT_EQ(package.rc, c.rc);
      EXPECT_EQ(package.workbook != nullptr, c.rc == 1);
    }
    EXPECT_EQ(VkLiveAllocations(), live);
  }
}

TEST(OpenWorkbook, BinaryWorkbookWithoutSheetsHasNothingToShow) {
  std::vector<ZipEntry> entries = xlxtest::MinimalWorkbookEntries({"A"});
  xlxtest::SetEntry(&entries, "_rels/.rels", Rels(Rel("rId1", "officeDocument", "xl/workbook.bin")));
  xlxtest::SetEntry(&entries, "xl/workbook.bin", std::string("\x83\x01\x00", 3));
  OpenedPackage package(entries);
  EXPECT_EQ(std::make_pair(package.rc, package.formatCode), std::make_pair(-9, 403));
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

TEST(OpenWorkbook, ProgressIsPolledAndCanStopTheLoad) {
  ProgressLog log;
  ProgressCallback callback{};
  callback.pfnProgress = [](int32_t, uint64_t user) {
    ProgressLog* log = reinterpret_cast<ProgressLog*>(user);
    return ++log->calls == log->stopAt ? 7 : 1;
  };
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

// The generated fixture as the application writes it: every related part reaches the workbook.
TEST(Fixtures, StylesStringsThemeAndNames) {
  xlxtest::OpenedFixture book("styles_strings.xlsx");
  ASSERT_EQ(book.rc, 1);
  const Workbook* workbook = book.workbook;
  const Stylesheet& styles = workbook->styles;
  EXPECT_EQ(std::make_tuple(GetFont(styles, 1).lfWeight, GetFont(styles, 2).color,
                            GetFill(styles, GetCellXf(styles, 5).fillId).hatch,
                            GetBorder(styles, GetCellXf(styles, 6).borderId).left.color),
            std::make_tuple(700, 0xFF0000FFu, int32_t(kHatchVertical), 0xFF0000FFu));
  EXPECT_EQ(std::u16string(GetNumberFormatCode(styles, GetCellXf(styles, 7).numFmtId)), u"#,##0.00 [$EUR]");
  EXPECT_EQ(styles.defaultTableStyle, u"TableStyleMedium9");
  const RichString& rich = GetSharedString(workbook->sharedStrings, 3);
  EXPECT_EQ(std::make_pair(std::u16string(rich.text), rich.runCount), std::make_pair(std::u16string(u"Hello"), 2));
  EXPECT_EQ(std::u16string(FindDefinedName(workbook, u"Rate")), u"Styles!$A$7");
  EXPECT_EQ(std::u16string(GetPrintArea(workbook, 0)), u"Styles!$A$1:$C$9");
  EXPECT_EQ(std::u16string(GetSheet(workbook, 0)->majorFont), u"Cambria") << "from the theme part";
}

}  // namespace
