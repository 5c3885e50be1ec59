// Resource bounds of the package reader: what a part may declare and really hold, the inflated
// budget of one parse, the entry count and name length of an archive, and the nesting depth of
// an XML part.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>

#include <pugixml.hpp>

#include "common/limits.h"
#include "common/resultcodes.h"
#include "host/kernel/vkkrnx.h"
#include "tests/robustness/robustnesstestutil.h"

using namespace xlx;
using namespace xlxtest;

namespace {

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

class PartBounds : public ::testing::Test {
 protected:
  void SetUp() override { live_ = VkLiveAllocations(); }
  void TearDown() override { EXPECT_EQ(VkLiveAllocations(), live_) << "host allocations leaked"; }
  size_t live_ = 0;
};

// A deflated entry whose stream inflates to `mebibytes` MiB of 'a' but declares `declared` bytes,
// with the CRC of the first `declared` bytes so that a read that stops there checks out.
RawEntry Bomb(const std::string& name, uint32_t mebibytes, uint64_t declared) {
  RawEntry e;
  e.name = name;
  e.data = RepeatedDeflate(mebibytes, 'a');
  e.declaredSize = declared;
  e.crc = CrcOfRepeated(declared, 'a');
  e.zip64 = declared > 0xFFFFFFFEull || e.data.size() > 0xFFFFFFFEull;
  return e;
}

RawEntry Stored(const std::string& name, const std::string& data, uint64_t declared, const std::string& crcOf) {
  RawEntry e = DeflatedEntry(name, crcOf);
  e.method = 0;
  e.data = data;
  e.declaredSize = declared;
  return e;
}

}  // namespace

TEST_F(PartBounds, DeclaredAndRealSizesAreHeldToTheLimits) {
  RawEntry deflatedClaimsMore = DeflatedEntry("deflated-claims-more.xml", std::string(100, 'x'));
  deflatedClaimsMore.declaredSize = 300u << 20;
  RawEntry badCrc = DeflatedEntry("bad-crc.xml", std::string(3000, 'c'));
  badCrc.crc ^= 1;
  const struct {
    const char* what;
    RawEntry entry;
    int64_t result;          // of ReadPart
    const char* refusedBy;   // the corruption report of a refusal
    bool charged;            // the read counts its declared size against the package budget
  } cases[] = {
      {"true sizes read whole", DeflatedEntry("plain.xml", std::string(3000, 'p')), 3000, nullptr, true},
      {"stored data longer than declared is read up to the declared size",
       Stored("stored-longer.xml", "hello world", 5, "hello"), 5, nullptr, true},
      {"a stream longer than declared is inflated only up to the declared size", Bomb("longer.xml", 64, 1000), 1000,
       nullptr, true},
      {"declared 1 KiB of a 4 GiB stream", Bomb("bomb-small-claim.xml", 4096, 1024), 1024, nullptr, true},
      {"stored entry declaring more than it holds", Stored("stored-claims-more.xml", "hello", 4096, "hello"),
       XLX_ERR_FORMAT, "beyond its data", false},
      {"deflated entry declaring more than its data can inflate to", deflatedClaimsMore, XLX_ERR_FORMAT,
       "beyond its data", false},
      // Past the part limit: a limit of ours, not damage.
      {"declared one byte over the part limit", Bomb("over-limit.xml", 513, kMaxPartBytes + 1), XLX_ERR_LIMIT,
       "over the part limit", false},
      {"a 4 GiB bomb declared as 4 GiB - 2", Bomb("bomb.xml", 4096, 0xFFFFFFFEull), XLX_ERR_LIMIT,
       "over the part limit", false},
      // The zip library reads sizes kept in zip64 fields as 4 GiB - 1, over the limit whatever they are.
      {"4 GiB + 100 bytes in zip64 fields, whose low 32 bits look small", Bomb("wraps.xml", 4097, (4ull << 30) + 100),
       XLX_ERR_LIMIT, "over the part limit", false},
      {"CRC mismatch", badCrc, XLX_ERR_FORMAT, "data or CRC", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    MemoryPackage p(BuildRawZip({c.entry, DeflatedEntry("after.xml", "<after/>")}));
    ASSERT_EQ(p.built(), XLX_OK);
    const std::u16string name(c.entry.name.begin(), c.entry.name.end());
    const auto start = std::chrono::steady_clock::now();
    int64_t r = 0;
    const std::string data = p.Read(name.c_str(), &r);
    EXPECT_LT(SecondsSince(start), 2.0) << "a refusal or a capped read takes no time";
    EXPECT_EQ(r, c.result);
    EXPECT_EQ(p.list()->inflatedBytes, c.charged ? c.entry.declaredSize : 0u);
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
  // Reading a part again is charged again: naming one part from every sheet cannot multiply a
  // large part past the budget.
  p.Read(u"big.xml", &r);
  p.Read(u"big.xml", &r);
  EXPECT_EQ(p.list()->inflatedBytes, 6000u);

  p.list()->inflatedBytes = kMaxPackageBytes - 10;
  p.Read(u"big.xml", &r);
  EXPECT_EQ(r, XLX_ERR_LIMIT) << "a spent budget is a limit, not damage";
  EXPECT_NE(std::strstr(XlxLastCorruption(), "budget"), nullptr) << XlxLastCorruption();
  pugi::xml_document doc;
  EXPECT_EQ(LoadXmlPart(p.handle(), p.list(), u"big.xml", &doc), XLX_ERR_LIMIT);
  EXPECT_EQ(p.list()->inflatedBytes, kMaxPackageBytes - 10) << "refused reads are not charged";
  EXPECT_EQ(p.Read(u"small.xml", &r), "<s/>") << "what still fits the budget is read";
  EXPECT_EQ(p.list()->inflatedBytes, kMaxPackageBytes - 6);

  p.list()->inflatedBytes = UINT64_MAX - 2;  // the counter cannot wrap around to a small total
  p.Read(u"small.xml", &r);
  EXPECT_EQ(r, XLX_ERR_LIMIT);

  FreePartList(p.list());  // a new part list starts a new budget
  ASSERT_EQ(BuildPartList(p.handle(), p.list(), nullptr, nullptr), XLX_OK);
  EXPECT_EQ(p.list()->inflatedBytes, 0u);
  EXPECT_EQ(p.Read(u"small.xml", &r), "<s/>");
}

TEST_F(PartBounds, EntryCountsOverTheLimitAreRefusedBeforeAnyAllocation) {
  const std::vector<RawEntry> entries = {DeflatedEntry("a.xml", "<a/>"), DeflatedEntry("b.xml", "<b/>")};
  // Counts in the end records over a directory of two entries; 3 and the limit end early.
  for (int64_t claimed : {int64_t(2), int64_t(0), int64_t(3), int64_t(65535), int64_t(kMaxZipEntries),
                          int64_t(kMaxZipEntries) + 1, int64_t(1) << 40}) {
    SCOPED_TRACE(claimed);
    MemoryPackage p(BuildRawZip(entries, claimed));
    EXPECT_EQ(p.built(), claimed == 2 ? XLX_OK : XLX_ERR_FORMAT);
    EXPECT_EQ(p.list()->count, claimed == 2 ? 2 : 0);
    if (claimed != 2) {
      EXPECT_EQ(p.list()->names, nullptr);
    }
    if (claimed > int64_t(kMaxZipEntries)) {
      EXPECT_NE(std::strstr(XlxLastCorruption(), "entry count"), nullptr) << XlxLastCorruption();
    }
  }
}

// Found by fuzz_package: a name that filled the zip library's whole name buffer came back without
// a terminator, and converting it read past the buffer. Names are now cut at 255 bytes.
TEST_F(PartBounds, EntryNamesLongerThanTheNameBufferAreCut) {
  const struct {
    std::string name;
    std::u16string listed;
  } cases[] = {
      {std::string(254, 'a'), std::u16string(254, u'a')},
      {std::string(255, 'a'), std::u16string(255, u'a')},
      {std::string(256, 'a'), std::u16string(255, u'a')},
      {std::string(5000, 'n'), std::u16string(255, u'n')},
      // The cut falls inside a two-byte character, which becomes a replacement character.
      {std::string(254, 'a') + "\xc3\xa9zz", std::u16string(254, u'a') + u"\ufffd"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name.size());
    MemoryPackage p(BuildRawZip({DeflatedEntry(c.name, "<x/>")}));
    ASSERT_EQ(p.built(), XLX_OK);
    ASSERT_EQ(p.list()->count, 1);
    EXPECT_EQ(std::u16string(p.list()->names[0]), c.listed);
    int64_t r = 0;
    EXPECT_EQ(p.Read(c.listed.c_str(), &r), "<x/>");
  }
}

TEST_F(PartBounds, ReadsCostTheSameInAPackageOfManyEntries) {
  // 300,000 entries with the parts at the end: each lookup and read must go straight to its
  // entry, or a workbook of many sheets in such a package never finishes.
  std::vector<RawEntry> entries(300000);
  for (int i = 0; i < 300000; ++i) entries[i].name = "f/" + std::to_string(i), entries[i].method = 0;
  for (int i = 0; i < 10; ++i) entries.push_back(DeflatedEntry("xl/part" + std::to_string(i) + ".xml", "<p/>"));
  entries.push_back(Stored(entries.back().name, "<dup/>", 6, "<dup/>"));  // a duplicate: the first wins
  // A real file: the zip library reads a directory record a few bytes at a time, and none of
  // those reads may become a read of the operating system.
  auto start = std::chrono::steady_clock::now();
  MemoryPackage p(BuildRawZip(entries), true);
  ASSERT_EQ(p.built(), XLX_OK);
  ASSERT_EQ(p.list()->count, 300011);
  EXPECT_LT(SecondsSince(start), 10.0) << "listing 300,000 entries";
  start = std::chrono::steady_clock::now();
  for (int round = 0; round < 300; ++round) {
    for (int i = 0; i < 10; ++i) {
      const std::string name = "/xl/part" + std::to_string(i) + ".xml";
      const std::u16string name16(name.begin(), name.end());
      ASSERT_EQ(HasPart(p.list(), name16.c_str()), 1);
      int64_t r = 0;
      ASSERT_EQ(p.Read(name16.c_str(), &r), "<p/>");
    }
    EXPECT_EQ(HasPart(p.list(), u"xl/part10.xml"), 0);
    EXPECT_EQ(HasPart(p.list(), u"f/299999"), 1);
  }
  EXPECT_LT(SecondsSince(start), 10.0) << "3000 reads in a package of 300,000 entries";
}

TEST_F(PartBounds, XmlNestedPastTheLimitIsRefusedAndLeftEmpty) {
  auto nested = [](int depth, const std::string& inner = "") {
    std::string s;
    for (int i = 0; i < depth; ++i) s += "<a>";
    s += inner;
    for (int i = 0; i < depth; ++i) s += "</a>";
    return s;
  };
  std::string wide = "<r>";
  for (int i = 0; i < 100000; ++i) wide += "<c/>";
  wide += "</r>";
  const int limit = static_cast<int>(kMaxXmlDepth);
  const struct {
    const char* what;
    std::string xml;
    int32_t result;
  } cases[] = {
      {"one element", "<a/>", XLX_OK},
      {"at the limit", nested(limit), XLX_OK},
      {"text at the limit counts as a level", nested(limit - 1, "t"), XLX_OK},
      {"one past the limit", nested(limit + 1), XLX_ERR_FORMAT},
      {"text one past the limit", nested(limit, "t"), XLX_ERR_FORMAT},
      {"deep enough to overflow a recursive walk", nested(400000), XLX_ERR_FORMAT},
      {"deep and never closed", nested(200000).substr(0, 3 * 200000), XLX_ERR_FORMAT},
      {"a hundred thousand siblings", wide, XLX_OK},
      {"a limit-deep branch after a shallow one", "<r><x/>" + nested(limit - 1) + "</r>", XLX_OK},
      {"a too-deep branch after a shallow one", "<r><x/>" + nested(limit) + "</r>", XLX_ERR_FORMAT},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    MemoryPackage p(BuildRawZip({DeflatedEntry("part.xml", c.xml)}));
    ASSERT_EQ(p.built(), XLX_OK);
    pugi::xml_document doc;
    doc.append_child("previous");
    EXPECT_EQ(LoadXmlPart(p.handle(), p.list(), u"part.xml", &doc), c.result);
    EXPECT_EQ(bool(doc.first_child()), c.result == XLX_OK) << "a refused part leaves the document empty";
  }
}
