// Zip package access and relationship resolution.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>

#include "common/apiutils.h"
#include "common/limits.h"
#include "common/resultcodes.h"
#include "host/kernel/vkkrnx.h"
#include "package/relationships.h"
#include "package/xlsxunzip.h"
#include "tests/support/testsupport.h"
#include "tests/support/zipbuilder.h"

using namespace xlx;
using xlxtest::BuildZip;
using xlxtest::ZipEntry;

namespace {

// A memory-backed package, its part list, and a leak check on the way out.
class Package {
 public:
  explicit Package(std::vector<unsigned char> bytes) : bytes_(std::move(bytes)) {
    handle_ = VkOpenMemoryFile(bytes_.data(), bytes_.size());
    built_ = BuildPartList(handle_, &list_, nullptr, nullptr);
  }
  explicit Package(const std::vector<ZipEntry>& entries) : Package(BuildZip(entries)) {}
  ~Package() { FreePartList(&list_), VkCloseFile(handle_); }
  int32_t built() const { return built_; }
  const PartList* list() const { return &list_; }
  int64_t handle() const { return handle_; }
  PackageSource source() const { return PackageSource{handle_, &list_}; }
  std::string Read(const char16_t* name, int64_t* result) {
    uint8_t* data = nullptr;
    uint64_t size = 0;
    *result = ReadPart(handle_, name, &data, &size, &list_);
    std::string text = data ? std::string(reinterpret_cast<char*>(data), static_cast<size_t>(*result)) : "";
    if (data) {
      EXPECT_EQ(data[*result], 0) << "data is followed by a zero byte";
    }
    VK_FREE(data);
    return text;
  }

 private:
  std::vector<unsigned char> bytes_;
  int64_t handle_ = -1;
  PartList list_;
  int32_t built_ = 0;
};

class PackageTest : public ::testing::Test {
 protected:
  void SetUp() override { live_ = VkLiveAllocations(); }
  void TearDown() override { EXPECT_EQ(VkLiveAllocations(), live_) << "host allocations leaked"; }
  size_t live_ = 0;
};

TEST_F(PackageTest, ListsEntriesInDirectoryOrderAndReadsThemWhole) {
  Package p({{"b.xml", "<b/>"}, {"a/c.bin", std::string(5000, 'x')}, {"d.txt", "hello", nullptr, true}});
  ASSERT_EQ(p.built(), XLX_OK);
  ASSERT_EQ(p.list()->count, 3);
  EXPECT_EQ(std::make_tuple(std::u16string(p.list()->names[0]), std::u16string(p.list()->names[1]), p.list()->sizes[1]),
            std::make_tuple(std::u16string(u"b.xml"), std::u16string(u"a/c.bin"), uint64_t(5000)));
  int64_t r = 0;
  EXPECT_EQ(std::make_tuple(p.Read(u"a/c.bin", &r), r), std::make_tuple(std::string(5000, 'x'), int64_t(5000)));
  EXPECT_EQ(p.Read(u"d.txt", &r), "hello");
}

TEST_F(PackageTest, NamesMatchExactlyWithOneOptionalLeadingSlash) {
  Package p({{"xl/workbook.xml", "<w/>"}, {"xl/Caf\xc3\xa9.xml", "<c/>"}});
  ASSERT_EQ(p.built(), XLX_OK);
  struct Case {
    const char16_t* name;
    int32_t has;
  } cases[] = {{u"xl/workbook.xml", 1}, {u"/xl/workbook.xml", 1},  {u"//xl/workbook.xml", 0},
               {u"XL/workbook.xml", 0}, {u"xl/Workbook.xml", 0},   {u"xl/Caf\u00e9.xml", 1},
               {u"xl/Cafe.xml", 0},     {u"", 0}};
  for (const Case& c : cases) EXPECT_EQ(HasPart(p.list(), c.name), c.has) << Utf16ToUtf8(c.name);
  int64_t r = 0;
  EXPECT_EQ(p.Read(u"/xl/Caf\u00e9.xml", &r), "<c/>");
  EXPECT_EQ(std::make_tuple(p.Read(u"XL/workbook.xml", &r), r), std::make_tuple(std::string(), int64_t(XLX_ERR_FORMAT)));
  bool found = false;
  PartList list;
  EXPECT_EQ(BuildPartList(p.handle(), &list, u"/xl/workbook.xml", &found), XLX_OK);
  EXPECT_TRUE(found);
  FreePartList(&list);
}

TEST_F(PackageTest, RefusesEncryptedEntriesAndEmptyEntries) {
  Package encrypted({{"a.xml", "<a/>"}, {"secret.xml", "<s/>", "pw"}});
  EXPECT_EQ(std::make_tuple(encrypted.built(), encrypted.list()->count), std::make_tuple(XLX_ERR_FORMAT, 0));
  Package empty({{"empty.xml", ""}, {"a.xml", "<a/>"}});
  ASSERT_EQ(empty.built(), XLX_OK);
  int64_t r = 0;
  empty.Read(u"empty.xml", &r);
  EXPECT_EQ(r, XLX_ERR_FORMAT);
  pugi::xml_document doc;
  EXPECT_EQ(LoadXmlPart(empty.handle(), empty.list(), u"empty.xml", &doc), XLX_ERR_FORMAT);
  EXPECT_EQ(LoadXmlPart(-1, empty.list(), u"a.xml", &doc), XLX_ERR_REOPEN);
  EXPECT_EQ(LoadXmlPart(empty.handle(), empty.list(), u"a.xml", &doc), XLX_OK);
  EXPECT_STREQ(doc.first_child().name(), "a");
}

TEST_F(PackageTest, BadArchivesFailWithFormatCode) {
  std::vector<unsigned char> good = BuildZip({{"a.xml", std::string(300, 'a')}, {"b.xml", "<b/>"}});
  for (const std::vector<unsigned char>& bad :
       {{}, {'P', 'K', 3, 4}, std::vector<unsigned char>(good.begin(), good.begin() + long(good.size() / 2)),
        std::vector<unsigned char>(good.begin(), good.end() - 10), std::vector<unsigned char>(200, 0x41)})
    EXPECT_EQ(Package(bad).built(), XLX_ERR_FORMAT) << bad.size() << " bytes";
}

// Offset of the last record with signature `sig`.
size_t FindLast(const std::vector<unsigned char>& b, uint32_t sig) {
  for (size_t i = b.size() - 4; i-- > 0;)
    if (b[i] == (sig & 0xFF) && b[i + 1] == ((sig >> 8) & 0xFF) && b[i + 2] == ((sig >> 16) & 0xFF) && b[i + 3] == (sig >> 24))
      return i;
  return std::string::npos;
}

TEST_F(PackageTest, LyingDirectoryAndAbsurdSizesNeverCrash) {
  std::vector<unsigned char> good = BuildZip({{"b.xml", "<b/>"}, {"a.xml", std::string(300, 'a')}});
  {
    // The end record claims more entries than the directory holds.
    std::vector<unsigned char> b = good;
    size_t eocd = FindLast(b, 0x06054b50);
    b[eocd + 8] = 0xFF, b[eocd + 9] = 0x7F, b[eocd + 10] = 0xFF, b[eocd + 11] = 0x7F;
    EXPECT_EQ(Package(b).built(), XLX_ERR_FORMAT);
  }
  {
    // The central directory says a.xml (its last header) inflates to 4 GB; the list caps it and reads refuse it.
    std::vector<unsigned char> b = good;
    size_t central = FindLast(b, 0x02014b50);
    ASSERT_EQ(b[central + 46], 'a');
    b[central + 24] = 0xF0, b[central + 25] = 0xFF, b[central + 26] = 0xFF, b[central + 27] = 0xFF;
    Package p(b);
    ASSERT_EQ(p.built(), XLX_OK);
    int64_t r = 0, flipped = 0;
    p.Read(u"a.xml", &r);
    EXPECT_EQ(std::make_tuple(r, p.Read(u"b.xml", &flipped)), std::make_tuple(int64_t(XLX_ERR_LIMIT), std::string("<b/>")));
    // Flipped data bytes fail the inflate or the CRC check.
    std::vector<unsigned char> damaged = BuildZip({{"a.xml", std::string(2000, 'q'), nullptr, true}});
    damaged[100] ^= 0x55;
    Package q(damaged);
    ASSERT_EQ(q.built(), XLX_OK);
    q.Read(u"a.xml", &flipped);
    EXPECT_EQ(flipped, XLX_ERR_FORMAT);
  }
}

TEST_F(PackageTest, ResolvesTargetsAgainstTheSourceFolder) {
  struct TargetCase {
    const char16_t *sourceDir, *target, *dir, *name, *path;
  };
  const TargetCase cases[] = {
      {u"", u"xl/workbook.xml", u"xl", u"workbook.xml", u"xl/workbook.xml"},
      {u"", u"/xl/workbook.xml", u"/xl", u"workbook.xml", u"/xl/workbook.xml"},
      {u"xl", u"worksheets/sheet1.xml", u"xl/worksheets", u"sheet1.xml", u"xl/worksheets/sheet1.xml"},
      {u"xl", u"/xl/worksheets/sheet1.xml", u"xl/worksheets", u"sheet1.xml", u"xl/worksheets/sheet1.xml"},
      {u"xl/worksheets", u"../drawings/drawing1.xml", u"xl/drawings", u"drawing1.xml", u"xl/drawings/drawing1.xml"},
      {u"xl/drawings", u"/xl/media/image1.png", u"xl/media", u"image1.png", u"xl/media/image1.png"},
      {u"xl", u"styles.xml", u"xl", u"styles.xml", u"xl/styles.xml"},
      {u"", u"docProps/core.xml", u"docProps", u"core.xml", u"docProps/core.xml"},
      {u"xl/worksheets", u"../../../../x.xml", u"", u"x.xml", u"/x.xml"},
  };
  for (const TargetCase& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.target));
    Relationship r{};
    ASSERT_EQ(ResolveRelationshipTarget(c.sourceDir, c.target, &r), XLX_OK);
    EXPECT_EQ(std::u16string(r.targetDir) + u"|" + r.targetName + u"|" + r.targetPath,
              std::u16string(c.dir) + u"|" + c.name + u"|" + c.path);
    for (char16_t* f : {r.targetDir, r.targetName, r.targetPath}) VK_FREE(f);
  }
}

TEST_F(PackageTest, ReadsRelationshipsAndLooksThemUpIgnoringCase) {
  std::vector<ZipEntry> entries = xlxtest::MinimalWorkbookEntries({"One", "Two"});
  entries.push_back({"xl/worksheets/_rels/sheet1.xml.rels",
                     "<Relationships><Relationship Id=\"rId9\" Type=\"http://x/drawing\" Target=\"../drawings/d1.xml\"/>"
                     "<Relationship/><Relationship Id=\"ext\" Type=\"http://x/hyperlink/\" Target=\"http://a/b\" TargetMode=\"External\"/>"
                     "</Relationships>"});
  Package p(entries);
  ASSERT_EQ(p.built(), XLX_OK);
  WorkbookLocation where;
  ASSERT_EQ(LocateWorkbookPart(p.source(), &where), XLX_OK);
  EXPECT_EQ(std::make_tuple(where.path, where.isBinary), std::make_tuple(std::u16string(u"xl/workbook.xml"), false));

  Relationship* recs = nullptr;
  int32_t n = 0;
  ASSERT_EQ(ReadRelationships(p.source(), u"xl", u"workbook.xml", &recs, &n), XLX_OK);
  ASSERT_EQ(n, 2);
  const Relationship* second = FindRelationshipById(recs, n, u"RID2");
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(std::u16string(second->targetPath), u"xl/worksheets/sheet2.xml");
  EXPECT_EQ(std::make_tuple(FindRelationshipByType(recs, n, u"WORKSHEET") != nullptr, FindRelationshipByType(recs, n, u"theme")),
            std::make_tuple(true, (const Relationship*)nullptr));
  FreeRelationships(recs, n);

  ASSERT_EQ(ReadRelationships(p.source(), u"xl/worksheets", u"sheet1.xml", &recs, &n), XLX_OK);
  ASSERT_EQ(n, 3);
  EXPECT_EQ(std::u16string(recs[0].targetPath), u"xl/drawings/d1.xml");
  EXPECT_EQ(recs[1].id, nullptr) << "an element without attributes keeps an empty record";
  EXPECT_EQ(FindRelationshipById(recs, n, nullptr), nullptr);
  EXPECT_EQ(recs[2].typeName, nullptr) << "a Type ending in / has no type name";
  EXPECT_EQ(std::u16string(recs[2].targetMode), u"External");
  FreeRelationships(recs, n);

  ASSERT_EQ(ReadRelationships(p.source(), u"xl/worksheets", u"sheet2.xml", &recs, &n), XLX_OK);
  EXPECT_EQ(n, 0);
  EXPECT_EQ(ReadRelationships(p.source(), u"xl", u"workbook.xml", nullptr, &n), XLX_ERR_ARGUMENT);
}

TEST_F(PackageTest, WorkbookWalkFailsWithoutOfficeDocument) {
  Package none(std::vector<ZipEntry>{{"a.xml", "<a/>"}});
  WorkbookLocation where;
  EXPECT_EQ(LocateWorkbookPart(none.source(), &where), XLX_ERR_FORMAT);
  Package wrongType(std::vector<ZipEntry>{{"_rels/.rels", "<Relationships><Relationship Id=\"r\" Type=\"http://x/styles\" Target=\"s.xml\"/></Relationships>"}});
  EXPECT_EQ(LocateWorkbookPart(wrongType.source(), &where), XLX_ERR_FORMAT);
  Package binary(std::vector<ZipEntry>{{"_rels/.rels",
                   "<Relationships><Relationship Id=\"r\" Type=\"http://x/OFFICEDOCUMENT\" Target=\"/xl/workbook.bin\"/></Relationships>"}});
  ASSERT_EQ(LocateWorkbookPart(binary.source(), &where), XLX_OK);
  EXPECT_EQ(std::make_tuple(where.path, where.isBinary), std::make_tuple(std::u16string(u"/xl/workbook.bin"), true));
}

TEST_F(PackageTest, ToleratesBackslashesPrefixedRelationshipsAndUtf16Parts) {
  std::string utf16be;
  for (char c : std::string("<?xml version=\"1.0\" encoding=\"UTF-16BE\"?><a b=\"1\"/>")) utf16be += '\0', utf16be += c;
  Package p(std::vector<ZipEntry>{
      {"_rels\\.rels", "<x:Relationships xmlns:x=\"r\"><x:Relationship Id=\"rId1\" Type=\"http://x/officeDocument\" "
                       "Target=\"xl/workbook.xml\"/></x:Relationships>"},
      {"xl\\workbook.xml", "<workbook/>"},
      {"xl/be.xml", utf16be},
  });
  ASSERT_EQ(p.built(), XLX_OK);
  EXPECT_EQ(HasPart(p.list(), u"xl/workbook.xml"), 1);
  WorkbookLocation where;
  ASSERT_EQ(LocateWorkbookPart(p.source(), &where), XLX_OK);
  EXPECT_EQ(where.path, u"xl/workbook.xml");
  pugi::xml_document doc;
  ASSERT_EQ(LoadXmlPart(p.handle(), p.list(), u"xl/be.xml", &doc), XLX_OK);
  EXPECT_STREQ(doc.document_element().attribute("b").value(), "1");
}

}  // namespace

namespace {

// A root holding `elements` elements of three attributes each.
std::string Markup(uint64_t elements) {
  std::string xml = "<r>";
  for (uint64_t i = 0; i < elements; ++i) xml += "<x a=\"1\" b=\"2\" c=\"3\"/>";
  return xml + "</r>";
}

// Parts read as trees are refused with -1879 before the tree is built once their bytes or markup
// pass the per-part caps, and once all trees of one parse pass the workbook's.
TEST(PackageTreeLimits, PartsPastTheCapsAreRefusedBeforeTheTree) {
  const uint64_t perElement = 4;  // one '<' and three '='
  const uint64_t fits = (kMaxTreePartNodes - 2) / perElement;  // with the root's two tags
  EXPECT_EQ(CountMarkupNodes(reinterpret_cast<const uint8_t*>("<a b='1'>x=y</a>"), 16, 100), 4u);
  Package p({{"fits.xml", Markup(fits)},
             {"over.xml", Markup(fits + 1)},
             {"big.xml", "<r>" + std::string(kMaxTreePartBytes, ' ') + "</r>"}});
  ASSERT_EQ(p.built(), XLX_OK);
  pugi::xml_document doc;
  EXPECT_EQ(LoadXmlPart(p.handle(), p.list(), u"over.xml", &doc), XLX_ERR_LIMIT);
  EXPECT_EQ(LoadXmlPart(p.handle(), p.list(), u"big.xml", &doc), XLX_ERR_LIMIT);
  EXPECT_EQ(p.list()->treeNodes, 0u) << "a refused part is not charged";
  // The workbook's budget holds as many whole parts as fit in it, and refuses the next.
  const uint64_t perWorkbook = kMaxTreeWorkbookNodes / (fits * perElement + 2);
  for (uint64_t i = 0; i < perWorkbook; ++i) {
    EXPECT_EQ(LoadXmlPart(p.handle(), p.list(), u"fits.xml", &doc), XLX_OK) << i;
    uint64_t built = 0;
    for (pugi::xml_node x = doc.document_element().first_child(); x; x = x.next_sibling()) ++built;
    EXPECT_EQ(built, fits);
  }
  EXPECT_EQ(LoadXmlPart(p.handle(), p.list(), u"fits.xml", &doc), XLX_ERR_LIMIT);
}

}  // namespace
