// Document properties: date conversion in several zones, the items a package yields, the result
// codes, allocation failures and the corpus. Every test ends with the host allocations it began with.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

#include "common/apiutils.h"
#include "common/resultcodes.h"
#include "filter/metadata.h"
#include "filter/xlxfilter.h"
#include "host/kernel/vkkrnx.h"
#include "tests/support/hostcalls.h"
#include "tests/support/testsupport.h"
#include "tests/support/zipbuilder.h"

using namespace xlx;
using xlxtest::ZipEntry;

namespace {

// Sets TZ for the life of the object and puts the previous value back.
struct ZoneScope {
  explicit ZoneScope(const char* zone) : hadOld(std::getenv("TZ") != nullptr), old(hadOld ? std::getenv("TZ") : "") {
    setenv("TZ", zone, 1);
    tzset();
  }
  ~ZoneScope() {
    if (hadOld) setenv("TZ", old.c_str(), 1);
    else unsetenv("TZ");
    tzset();
  }
  bool hadOld;
  std::string old;
};

const char kCentralEurope[] = "CET-1CEST,M3.5.0,M10.5.0/3";  // UTC+1, summer UTC+2
const char kNewfoundland[] = "NST3:30";                      // UTC-3:30, no summer time

struct TempFile {
  explicit TempFile(const std::vector<unsigned char>& bytes) : path(xlxtest::WriteTempFile(bytes)) {}
  ~TempFile() { unlink(path.c_str()); }
  std::u16string Path() const { return xlxtest::U16(path); }
  std::string path;
};

std::string CoreXml(const std::string& children, const std::string& root = "cp:coreProperties") {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<" + root +
         " xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/core-properties\""
         " xmlns:dc=\"http://purl.org/dc/elements/1.1/\" xmlns:dcterms=\"http://purl.org/dc/terms/\""
         " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">" +
         children + "</" + root + ">";
}

std::string Created(const std::string& text) {
  return "<dcterms:created xsi:type=\"dcterms:W3CDTF\">" + text + "</dcterms:created>";
}

// A workbook package with the given extra entries after its own parts.
std::vector<unsigned char> Package(const std::vector<ZipEntry>& extra) {
  std::vector<ZipEntry> entries = xlxtest::MinimalWorkbookEntries({"Sheet1"});
  entries.insert(entries.end(), extra.begin(), extra.end());
  return xlxtest::BuildZip(entries);
}

// The host side: its item list keeps a pointer to this sink in its own bytes.
struct ItemSink {
  std::vector<MetadataItem> items;
  int32_t answer = 1;
  bool bThrow = false;
  bool bNoArray = false;
  int prepareCalls = 0;
};

int32_t Prepare(MetadataItemList* list, int32_t count) {
  ItemSink* sink;
  std::memcpy(&sink, list->filler0, sizeof sink);
  ++sink->prepareCalls;
  if (sink->bThrow) throw std::runtime_error("host failure");
  if (sink->answer != 1) return sink->answer;
  sink->items.assign(static_cast<size_t>(count), MetadataItem{});
  list->pItems = sink->bNoArray ? nullptr : sink->items.data();
  return 1;
}

struct Outcome {
  int32_t result = 0;
  std::vector<std::string> items;  // "name: value"
  int prepareCalls = 0;
};

Outcome Read(const char16_t* path, ItemSink sink = {}) {
  MetadataItemList list{};
  ItemSink* p = &sink;
  std::memcpy(list.filler0, &p, sizeof p);
  MetadataRequest request{};
  request.pszFileName = path;
  request.pItemList = &list;
  request.pfnPrepare = Prepare;
  Outcome out;
  out.result = fltReadFileMetaDataItems(&request);
  out.prepareCalls = sink.prepareCalls;
  for (const MetadataItem& item : sink.items) {
    EXPECT_EQ(item.szName[127], 0);
    EXPECT_EQ(item.szValue[127], 0);
    out.items.push_back(Utf16ToUtf8(item.szName) + ": " + Utf16ToUtf8(item.szValue));
  }
  return out;
}

Outcome ReadBytes(const std::vector<unsigned char>& bytes, ItemSink sink = {}) {
  TempFile file(bytes);
  return Read(file.Path().c_str(), sink);
}

class MetadataTest : public ::testing::Test {
 protected:
  void SetUp() override { live_ = VkLiveAllocations(); }
  void TearDown() override { EXPECT_EQ(VkLiveAllocations(), live_) << "host allocations left behind"; }
  size_t live_ = 0;
};

TEST_F(MetadataTest, DatesBecomeLocalTimeOfTheirInstant) {
  struct Case {
    const char* zone;
    const char* text;
    const char* expected;
  };
  const Case cases[] = {
      {"UTC0", "2023-05-01T10:20:30Z", "05/01/2023 10:20:30 AM"},
      {"UTC0", "2023-05-01T10:20:30+02:00", "05/01/2023 08:20:30 AM"},
      {"UTC0", "2023-05-01T10:20:30", "05/01/2023 10:20:30 AM"},  // no zone: taken as UTC
      {"UTC0", "2023-05-01T10:20:30.75Z", "05/01/2023 10:20:30 AM"},
      {"UTC0", "2023-05-01", "05/01/2023 12:00:00 AM"},
      {"UTC0", "2023-05-01T12:00:00Z", "05/01/2023 12:00:00 PM"},
      {"UTC0", "2023-12-31T23:30:00-01:00", "01/01/2024 12:30:00 AM"},
      {"UTC0", "2024-03-01T01:00:00+02:00", "02/29/2024 11:00:00 PM"},
      {kCentralEurope, "2023-05-01T10:20:30Z", "05/01/2023 12:20:30 PM"},
      {kCentralEurope, "2023-05-01T10:20:30", "05/01/2023 12:20:30 PM"},
      {kCentralEurope, "2023-01-15T23:30:00Z", "01/16/2023 12:30:00 AM"},  // winter: one hour
      {kNewfoundland, "2023-05-01T02:00:00Z", "04/30/2023 10:30:00 PM"},
      {kNewfoundland, "2023-05-01T02:00:00-05:30", "05/01/2023 04:00:00 AM"},
  };
  for (const Case& c : cases) {
    ZoneScope zone(c.zone);
    std::string text;
    EXPECT_TRUE(FormatCoreDate(c.text, &text)) << c.zone << " " << c.text;
    EXPECT_EQ(text, c.expected) << c.zone << " " << c.text;
  }
  // Dates that cannot be converted; "+0200" would be an offset of 200 hours.
  for (const char* bad : {"2023-02-29T00:00:00Z", "2023-13-01T00:00:00Z", "2023-05-01T24:00:00Z", "2023-05-01T10:20:30+0200",
                          "99999999999999999999-01-01", "yesterday", ""}) {
    std::string text = "unchanged";
    EXPECT_FALSE(FormatCoreDate(bad, &text)) << bad;
    EXPECT_EQ(text, "") << bad;
  }
}

TEST_F(MetadataTest, PackagesYieldTheirNonEmptyPropertiesInFixedOrder) {
  const std::string title200(200, 'x');
  const std::string title126(126, 'a');
  std::string utf16Core = "\xFF\xFE";  // the same part as UTF-16LE with a byte-order mark
  for (char16_t unit : xlxtest::U16(CoreXml("<dc:title>Wide</dc:title>"))) {
    utf16Core.push_back(static_cast<char>(unit & 0xFF));
    utf16Core.push_back(static_cast<char>(unit >> 8));
  }
  struct Case {
    const char* what;
    std::vector<ZipEntry> entries;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"all eight, written in another order",
       {{"docProps/core.xml",
         CoreXml("<dc:title>T</dc:title><dc:subject>S</dc:subject><cp:revision>7</cp:revision>"
                 "<cp:lastModifiedBy>L</cp:lastModifiedBy><cp:keywords>K</cp:keywords>"
                 "<dcterms:modified>2023-06-02T00:00:01Z</dcterms:modified>" +
                 Created("2023-05-01T13:00:00Z") + "<dc:creator>A</dc:creator>")}},
       {"author: A", "create_date: 05/01/2023 01:00:00 PM", "modified_date: 06/02/2023 12:00:01 AM", "keywords: K",
        "last_saved_by: L", "revision_number: 7", "subject: S", "title: T"}},
      {"a 200-character title is cut to 127",
       {{"docProps/core.xml", CoreXml("<dc:title>" + title200 + "</dc:title>")}},
       {"title: " + title200.substr(0, 127)}},
      {"the cut does not split a surrogate pair",
       {{"docProps/core.xml", CoreXml("<dc:title>" + title126 + "\xF0\x9F\x98\x80z</dc:title>")}},
       {"title: " + title126}},
      {"the first entry whose name contains core.xml",
       {{"x/mycore.xml.bak", CoreXml("<dc:title>First</dc:title>")},
        {"docProps/core.xml", CoreXml("<dc:title>Second</dc:title>")}},
       {"title: First"}},
      {"entry name with a leading slash", {{"/docProps/core.xml", CoreXml("<dc:title>Slash</dc:title>")}},
       {"title: Slash"}},
      {"part in UTF-16", {{"docProps/core.xml", utf16Core}}, {"title: Wide"}},
      {"entities, CDATA and non-ASCII text",
       {{"docProps/core.xml", CoreXml("<dc:creator>Zo\xC3\xAB \xE8\xA1\xA8</dc:creator>"
                                      "<dc:subject><![CDATA[<raw>]]></dc:subject><dc:title>A &amp; B</dc:title>")}},
       {"author: Zo\xC3\xAB \xE8\xA1\xA8", "subject: <raw>", "title: A & B"}},
      {"empty, nested and blank elements",
       {{"docProps/core.xml", CoreXml("<dc:title></dc:title><dc:subject><b>x</b></dc:subject>"
                                      "<dc:creator>  </dc:creator><x><cp:keywords>deep</cp:keywords></x>")}},
       {"author:   "}},
      {"a date that cannot be converted is left out",
       {{"docProps/core.xml", CoreXml(Created("2023-02-30T00:00:00Z") +
                                      "<dcterms:modified>2023-03-01T00:00:00Z</dcterms:modified>")}},
       {"modified_date: 03/01/2023 12:00:00 AM"}},
      {"root without its prefix", {{"docProps/core.xml", CoreXml("<dc:title>T</dc:title>", "coreProperties")}}, {}},
      {"root in other letter case", {{"docProps/core.xml", CoreXml("<dc:title>T</dc:title>", "cp:CoreProperties")}},
       {}},
      {"malformed part", {{"docProps/core.xml", CoreXml("<dc:title>T</dc:title><dc:subject>")}}, {}},
      {"empty core entry", {{"docProps/core.xml", ""}}, {}},
      {"no core part", {{"docProps/app.xml", "<Properties/>"}}, {}},
      {"an encrypted entry makes the package unreadable",
       {{"docProps/core.xml", CoreXml("<dc:title>T</dc:title>"), "secret"}}, {}},
  };
  ZoneScope zone("UTC0");
  for (const Case& c : cases) {
    Outcome out = ReadBytes(Package(c.entries));
    EXPECT_EQ(out.result, XLX_OK) << c.what;
    EXPECT_EQ(out.items, c.expected) << c.what;
    EXPECT_EQ(out.prepareCalls, c.expected.empty() ? 0 : 1) << c.what;
  }
}

TEST_F(MetadataTest, PackageDatesFollowTheLocalZone) {
  TempFile file(Package({{"docProps/core.xml",
                          CoreXml(Created("2023-07-01T22:15:00-05:30") +
                                  "<dcterms:modified>2023-07-01T22:15:00</dcterms:modified>")}}));
  ZoneScope zone(kCentralEurope);
  Outcome out = Read(file.Path().c_str());
  EXPECT_EQ(out.result, XLX_OK);
  EXPECT_EQ(out.items, (std::vector<std::string>{"create_date: 07/02/2023 05:45:00 AM",
                                                 "modified_date: 07/02/2023 12:15:00 AM"}));
}

TEST_F(MetadataTest, ResultCodes) {
  EXPECT_EQ(fltReadFileMetaDataItems(nullptr), XLX_ERR_ARGUMENT);
  EXPECT_EQ(Read(nullptr).result, XLX_ERR_ARGUMENT);
  EXPECT_EQ(Read(u"/nonexistent/folder/book.xlsx").result, XLX_ERR_REOPEN);

  const std::vector<unsigned char> titled = Package({{"docProps/core.xml", CoreXml("<dc:title>T</dc:title>")}});
  const std::string text = "plain text, not a package";
  std::vector<unsigned char> compound = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  compound.resize(4096);
  auto sink = [](int32_t answer, bool bThrow, bool bNoArray) { return ItemSink{{}, answer, bThrow, bNoArray, 0}; };
  struct Case {
    const char* what;
    std::vector<unsigned char> bytes;
    ItemSink sink;
    int32_t expected;
  };
  const Case cases[] = {
      {"not a package", std::vector<unsigned char>(text.begin(), text.end()), {}, XLX_ERR_FORMAT},
      {"compound file that cannot be opened", compound, {}, XLX_ERR_READ},
      {"shorter than a signature", {'P', 'K', 3}, {}, XLX_ERR_READ},
      {"empty file", {}, {}, XLX_ERR_READ},
      {"host declines the items", titled, sink(2, false, false), 2},
      {"host fails to prepare", titled, sink(XLX_ERR_MEMORY, false, false), XLX_ERR_MEMORY},
      {"host throws while preparing", titled, sink(1, true, false), XLX_EXCEPTION_INFO},
      {"host prepares no array", titled, sink(1, false, true), XLX_ERR_ARGUMENT},
  };
  for (const Case& c : cases) {
    Outcome out = ReadBytes(c.bytes, c.sink);
    EXPECT_EQ(out.result, c.expected) << c.what;
    EXPECT_TRUE(out.items.empty() || c.expected == XLX_ERR_ARGUMENT) << c.what;
  }
}

TEST_F(MetadataTest, AllocationFailuresLeaveNoItemsAndNoLeaks) {
  TempFile file(Package({{"docProps/core.xml", CoreXml("<dc:title>T</dc:title>")}}));
  int failed = 0;
  for (long long budget = 0; budget < 40; ++budget) {
    VkSetAllocationBudget(budget);
    Outcome out = Read(file.Path().c_str());
    VkSetAllocationBudget(-1);
    EXPECT_EQ(out.result, XLX_OK) << budget;
    EXPECT_TRUE(out.items.empty() || out.items == std::vector<std::string>{"title: T"}) << budget;
    failed += out.items.empty() ? 1 : 0;
  }
  EXPECT_GT(failed, 0);
  EXPECT_LT(failed, 40);
}

TEST_F(MetadataTest, CorpusFilesGiveTheirProperties) {
  struct Case {
    const char* file;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"xlsx/phpss__32readwriteComboChart1.xlsx",  // zones behind UTC, empty elements
       {"author: Sue Kinoshita", "create_date: 03/09/2015 07:37:09 PM", "modified_date: 12/29/2022 07:19:32 AM",
        "last_saved_by: xcopy"}},
      {"xlsx/edr__Test_git_issue_385_backslash.xlsx",  // entry named docProps\core.xml
       {"create_date: 10/14/1996 11:33:28 PM", "modified_date: 05/11/2009 04:05:06 PM", "last_saved_by: Human01"}},
  };
  ZoneScope zone("UTC0");
  for (const Case& c : cases) {
    std::string path = xlxtest::CorpusDir() + "/" + c.file;
    if (access(path.c_str(), R_OK) != 0) GTEST_SKIP() << "corpus not found";
    Outcome out = Read(xlxtest::U16(path).c_str());
    EXPECT_EQ(out.result, XLX_OK) << c.file;
    EXPECT_EQ(out.items, c.expected) << c.file;
  }
}

}  // namespace
