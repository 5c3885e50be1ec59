// Resource bounds of the package reader: what a part may declare and really hold, the inflated
// budget of one parse, the entry count of an archive, and the nesting depth of an XML part.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>

#include <pugixml.hpp>

#include "common/limits.h"
#include "common/resultcodes.h"
#include "host/kernel/vkkrnx.h"
#include "package/xlsxunzip.h"
#include "tests/robustness/rawzip.h"
#include "tests/robustness/robustnesstestutil.h"

using namespace xlx;
using xlxtest::BuildRawZip;
using xlxtest::DeflatedEntry;
using xlxtest::MemoryPackage;
using xlxtest::RawEntry;

namespace {

class PartBounds : public ::testing::Test {
 protected:
  void SetUp() override { live_ = VkLiveAllocations(); }
  void TearDown() override { EXPECT_EQ(VkLiveAllocations(), live_) << "host allocations leaked"; }
  size_t live_ = 0;
};

// A deflated entry whose stream inflates to `mebibytes` MiB of 'a' but which declares `declared`
// bytes (with the CRC of the first `declared` bytes, so that a read that stops there checks out).
RawEntry Bomb(const std::string& name, uint32_t mebibytes, uint64_t declared) {
  RawEntry e;
  e.name = name;
  e.data = xlxtest::RepeatedDeflate(mebibytes, 'a', nullptr);
  e.declaredSize = declared;
  e.crc = xlxtest::CrcOfRepeated(declared, 'a');
  e.zip64 = declared > 0xFFFFFFFEull || e.data.size() > 0xFFFFFFFEull;
  return e;
}

}  // namespace

TEST_F(PartBounds, DeclaredAndRealSizesAreHeldToTheLimits) {
  struct Case {
    const char* what;
    RawEntry entry;
    int64_t result;          // of ReadPart
    const char* refusedBy;   // the corruption report of a refusal
    bool charged;            // the read counts against the package budget: it inflated data
  };
  RawEntry storedLong = DeflatedEntry("x", "");
  storedLong.name = "stored-longer.xml";
  storedLong.method = 0;
  storedLong.data = "hello world";
  storedLong.declaredSize = 5;
  storedLong.crc = DeflatedEntry("x", "hello").crc;
  RawEntry storedShort = storedLong;
  storedShort.name = "stored-claims-more.xml";
  storedShort.data = "hello";
  storedShort.declaredSize = 4096;
  RawEntry deflatedClaimsMore = DeflatedEntry("deflated-claims-more.xml", std::string(100, 'x'));
  deflatedClaimsMore.declaredSize = 300u << 20;
  RawEntry badCrc = DeflatedEntry("bad-crc.xml", std::string(3000, 'c'));
  badCrc.crc ^= 1;
  const Case cases[] = {
      {"true sizes read whole", DeflatedEntry("plain.xml", std::string(3000, 'p')), 3000, nullptr, true},
      {"stored data longer than declared is read up to the declared size", storedLong, 5, nullptr, true},
      {"a stream longer than declared is inflated only up to the declared size", Bomb("longer.xml", 64, 1000), 1000,
       nullptr, true},
      {"declared 1 KiB of a 4 GiB stream", Bomb("bomb-small-claim.xml", 4096, 1024), 1024, nullptr, true},
      {"stored entry declaring more than it holds", storedShort, XLX_ERR_FORMAT, "beyond its data", false},
      {"deflated entry declaring more than its data can inflate to", deflatedClaimsMore, XLX_ERR_FORMAT,
       "beyond its data", false},
      {"declared one byte over the part limit", Bomb("over-limit.xml", 513, kMaxPartBytes + 1), XLX_ERR_FORMAT,
       "zip entry size", false},
      {"a 4 GiB bomb declared as 4 GiB - 2", Bomb("bomb.xml", 4096, 0xFFFFFFFEull), XLX_ERR_FORMAT, "zip entry size",
       false},
      // The zip library reads sizes kept in zip64 fields as 4 GiB - 1, over the limit whatever they are.
      {"4 GiB + 100 bytes in zip64 fields, whose low 32 bits look small", Bomb("wraps.xml", 4097, (4ull << 30) + 100),
       XLX_ERR_FORMAT, "zip entry size", false},
      {"CRC mismatch", badCrc, XLX_ERR_FORMAT, "data or CRC", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MemoryPackage p(BuildRawZip({c.entry, DeflatedEntry("after.xml", "<after/>")}));
    ASSERT_EQ(p.built(), XLX_OK);
    std::u16string name(c.entry.name.begin(), c.entry.name.end());
    const auto start = std::chrono::steady_clock::now();
    int64_t r = 0;
    std::string data = p.Read(name.c_str(), &r);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(r, c.result);
    EXPECT_LT(seconds, 2.0) << "a refusal or a capped read takes no time";
    EXPECT_EQ(p.list()->inflatedBytes, c.charged ? c.entry.declaredSize : 0u) << "charged its declared size";
    if (c.result > 0) {
      EXPECT_EQ(data.size(), static_cast<size_t>(c.result));
    } else {
      EXPECT_NE(std::strstr(XlxLastCorruption(), c.refusedBy), nullptr) << XlxLastCorruption();
      pugi::xml_document doc;
      EXPECT_EQ(LoadXmlPart(p.handle(), p.list(), name.c_str(), &doc), c.result) << "the XML path refuses alike";
    }
    EXPECT_EQ(p.Read(u"after.xml", &r), "<after/>") << "the archive stays readable";
  }
}

TEST_F(PartBounds, OneParseInflatesAtMostThePackageBudget) {
  MemoryPackage p(BuildRawZip({DeflatedEntry("big.xml", std::string(3000, 'b')), DeflatedEntry("small.xml", "<s/>")}));
  ASSERT_EQ(p.built(), XLX_OK);
  int64_t r = 0;
  // Reading the same part again is charged again: a workbook that names one part from every
  // sheet cannot multiply a large part past the budget.
  p.Read(u"big.xml", &r);
  p.Read(u"big.xml", &r);
  EXPECT_EQ(p.list()->inflatedBytes, 6000u);

  p.list()->inflatedBytes = kMaxPackageBytes - 10;
  p.Read(u"big.xml", &r);
  EXPECT_EQ(r, XLX_ERR_FORMAT);
  EXPECT_NE(std::strstr(XlxLastCorruption(), "budget"), nullptr) << XlxLastCorruption();
  pugi::xml_document doc;
  EXPECT_EQ(LoadXmlPart(p.handle(), p.list(), u"big.xml", &doc), XLX_ERR_FORMAT);
  EXPECT_EQ(p.list()->inflatedBytes, kMaxPackageBytes - 10) << "refused reads are not charged";
  EXPECT_EQ(p.Read(u"small.xml", &r), "<s/>") << "what still fits the budget is read";
  EXPECT_EQ(p.list()->inflatedBytes, kMaxPackageBytes - 6);

  // The counter cannot wrap around to a small total.
  p.list()->inflatedBytes = UINT64_MAX - 2;
  p.Read(u"small.xml", &r);
  EXPECT_EQ(r, XLX_ERR_FORMAT);

  // A new part list starts a new budget.
  FreePartList(p.list());
  ASSERT_EQ(BuildPartList(p.handle(), p.list(), nullptr, nullptr), XLX_OK);
  EXPECT_EQ(p.list()->inflatedBytes, 0u);
  EXPECT_EQ(p.Read(u"small.xml", &r), "<s/>");
}

TEST_F(PartBounds, EntryCountsOverTheLimitAreRefusedBeforeAnyAllocation) {
  struct Case {
    int64_t claimed;  // count in the end records; the directory holds two entries
    int32_t result;
  };
  const Case cases[] = {
      {2, XLX_OK},
      {0, XLX_ERR_FORMAT},
      {3, XLX_ERR_FORMAT},                         // directory ends early
      {65535, XLX_ERR_FORMAT},
      {int64_t(kMaxZipEntries), XLX_ERR_FORMAT},   // allowed count, directory ends early
      {int64_t(kMaxZipEntries) + 1, XLX_ERR_FORMAT},
      {int64_t(1) << 40, XLX_ERR_FORMAT},
  };
  const std::vector<RawEntry> entries = {DeflatedEntry("a.xml", "<a/>"), DeflatedEntry("b.xml", "<b/>")};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.claimed);
    MemoryPackage p(BuildRawZip(entries, c.claimed));
    EXPECT_EQ(p.built(), c.result);
    EXPECT_EQ(p.list()->count, c.result == XLX_OK ? 2 : 0);
    if (c.result != XLX_OK) {
      EXPECT_EQ(p.list()->names, nullptr);
    }
    if (c.claimed > int64_t(kMaxZipEntries)) {
      EXPECT_NE(std::strstr(XlxLastCorruption(), "entry count"), nullptr) << XlxLastCorruption();
    }
  }
}

TEST_F(PartBounds, ReadsCostTheSameInAPackageOfManyEntries) {
  // A directory of 300,000 entries with the parts at its end: each lookup and each read must go
  // straight to its entry, or a workbook of many sheets in such a package never finishes.
  std::vector<RawEntry> entries;
  for (int i = 0; i < 300000; ++i) {
    RawEntry e;
    e.name = "f/" + std::to_string(i);
    e.method = 0;
    entries.push_back(e);
  }
  for (int i = 0; i < 10; ++i) entries.push_back(DeflatedEntry("xl/part" + std::to_string(i) + ".xml", "<p/>"));
  entries.push_back(entries.back());  // a duplicate name: the first entry of a name wins
  entries.back().data = "<dup/>";
  entries.back().method = 0;
  entries.back().declaredSize = 6;
  // A real file: the zip library reads a directory record a few bytes at a time, and every one
  // of those reads must not become a read of the operating system.
  auto start = std::chrono::steady_clock::now();
  MemoryPackage p(BuildRawZip(entries), true);
  ASSERT_EQ(p.built(), XLX_OK);
  ASSERT_EQ(p.list()->count, 300011);
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 10.0)
      << "listing 300,000 entries";
  start = std::chrono::steady_clock::now();
  for (int round = 0; round < 300; ++round) {
    for (int i = 0; i < 10; ++i) {
      std::string name = "/xl/part" + std::to_string(i) + ".xml";
      std::u16string name16(name.begin(), name.end());
      ASSERT_EQ(HasPart(p.list(), name16.c_str()), 1);
      int64_t r = 0;
      ASSERT_EQ(p.Read(name16.c_str(), &r), "<p/>");
    }
    EXPECT_EQ(HasPart(p.list(), u"xl/part10.xml"), 0);
    EXPECT_EQ(HasPart(p.list(), u"f/299999"), 1);
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_LT(seconds, 10.0) << "3000 reads in a package of 300,000 entries";
}

namespace {
std::string Nested(int depth, const std::string& inner = "") {
  std::string s;
  for (int i = 0; i < depth; ++i) s += "<a>";
  s += inner;
  for (int i = 0; i < depth; ++i) s += "</a>";
  return s;
}
}  // namespace

TEST_F(PartBounds, XmlNestedPastTheLimitIsRefusedAndLeftEmpty) {
  std::string wide = "<r>";
  for (int i = 0; i < 100000; ++i) wide += "<c/>";
  wide += "</r>";
  struct Case {
    const char* what;
    std::string xml;
    int32_t result;
  };
  const int limit = static_cast<int>(kMaxXmlDepth);
  const Case cases[] = {
      {"one element", "<a/>", XLX_OK},
      {"at the limit", Nested(limit), XLX_OK},
      {"text at the limit counts as a level", Nested(limit - 1, "t"), XLX_OK},
      {"one past the limit", Nested(limit + 1), XLX_ERR_FORMAT},
      {"text one past the limit", Nested(limit, "t"), XLX_ERR_FORMAT},
      {"deep enough to overflow a recursive walk", Nested(400000), XLX_ERR_FORMAT},
      {"deep and never closed", Nested(200000).substr(0, 3 * 200000), XLX_ERR_FORMAT},
      {"a hundred thousand siblings", wide, XLX_OK},
      {"a limit-deep branch after a shallow one", "<r><x/>" + Nested(limit - 1) + "</r>", XLX_OK},
      {"a too-deep branch after a shallow one", "<r><x/>" + Nested(limit) + "</r>", XLX_ERR_FORMAT},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MemoryPackage p(BuildRawZip({DeflatedEntry("part.xml", c.xml)}));
    ASSERT_EQ(p.built(), XLX_OK);
    pugi::xml_document doc;
    doc.append_child("previous");
    EXPECT_EQ(LoadXmlPart(p.handle(), p.list(), u"part.xml", &doc), c.result);
    if (c.result == XLX_OK) {
      EXPECT_TRUE(doc.first_child());
    } else {
      EXPECT_FALSE(doc.first_child()) << "a refused part leaves the document empty";
    }
  }
}
