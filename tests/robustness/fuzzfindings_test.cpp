// What the fuzz targets found, each rebuilt as the smallest input that shows it and the result it
// must now give.
#include <gtest/gtest.h>

#include <string>

#include "common/resultcodes.h"
#include "host/kernel/vkkrnx.h"
#include "package/xlsxunzip.h"
#include "tests/robustness/rawzip.h"
#include "tests/robustness/robustnesstestutil.h"

using namespace xlx;

// fuzz_package: an entry name that fills the zip library's whole name buffer came back without a
// terminator, and converting it read past the buffer. Names are now cut at 255 bytes.
TEST(FuzzFindings, EntryNamesLongerThanTheNameBufferAreCut) {
  struct Case {
    std::string name;
    std::u16string listed;
  };
  const std::string a255(255, 'a');
  const Case cases[] = {
      {std::string(254, 'a'), std::u16string(254, u'a')},
      {a255, std::u16string(255, u'a')},
      {std::string(256, 'a'), std::u16string(255, u'a')},
      {std::string(5000, 'n'), std::u16string(255, u'n')},
      // The cut falls inside a two-byte character, which becomes a replacement character.
      {std::string(254, 'a') + "\xc3\xa9zz", std::u16string(254, u'a') + u"\ufffd"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name.size());
    const size_t live = VkLiveAllocations();
    {
      xlxtest::MemoryPackage p(xlxtest::BuildRawZip({xlxtest::DeflatedEntry(c.name, "<x/>")}));
      ASSERT_EQ(p.built(), XLX_OK);
      ASSERT_EQ(p.list()->count, 1);
      EXPECT_EQ(std::u16string(p.list()->names[0]), c.listed);
      int64_t r = 0;
      EXPECT_EQ(p.Read(c.listed.c_str(), &r), "<x/>");
    }
    EXPECT_EQ(VkLiveAllocations(), live);
  }
}
