// Page-name patterns: only the page-number field and "%%" are read; everything else with a '%'
// is refused before any file is named, and names past the system's length limits are refused.
#include <gtest/gtest.h>

#include <string>

#include "tools/renderclient/outputpattern.h"

namespace {

TEST(OutputPattern, NamesPagesByTheField) {
  struct Case {
    const char* pattern;
    int32_t page;
    const char* name;
  } cases[] = {
      {"page%d.png", 3, "page3.png"},
      {"page%03d.png", 7, "page007.png"},
      {"page%03d.png", 12345, "page12345.png"},
      {"%d", 1, "1"},
      {"100%%-%d.svg", 2, "100%-2.svg"},
      {"%%%d%%", 9, "%9%"},
      {"dir/%02d/out.png", 4, "dir/04/out.png"},
  };
  for (const Case& c : cases) {
    OutputPattern pattern;
    std::string error, name;
    ASSERT_TRUE(ParseOutputPattern(c.pattern, &pattern, &error)) << c.pattern << ": " << error;
    ASSERT_TRUE(FormatOutputName(pattern, c.page, &name, &error)) << c.pattern;
    EXPECT_EQ(name, c.name) << c.pattern;
  }
}

TEST(OutputPattern, RefusesEveryOtherConversion) {
  // Each of these was a format string once: %s and %n crash, %p writes an address.
  for (const char* text : {"out%s.png", "out%n.png", "out%p.png", "out%x%d", "out%5d.png", "out%00d.png",
                           "out%010d.png", "out%-3d.png", "out%ld.png", "out%d%d.png", "out%d%", "out%",
                           "no field.png", "only %% here", "%*d"}) {
    OutputPattern pattern;
    std::string error;
    EXPECT_FALSE(ParseOutputPattern(text, &pattern, &error)) << text;
    EXPECT_FALSE(error.empty()) << text;
  }
}

TEST(OutputPattern, RefusesNamesPastTheLimitsInsteadOfCutting) {
  std::string error;
  const std::string longest(kMaxOutputNameBytes, 'n');
  EXPECT_TRUE(CheckOutputName("dir/" + longest, &error));
  EXPECT_FALSE(CheckOutputName("dir/" + longest + "n", &error));
  EXPECT_FALSE(CheckOutputName(longest + "n/page.png", &error));
  std::string deep;
  while (deep.size() <= kMaxOutputPathBytes) deep += "folder/";
  EXPECT_FALSE(CheckOutputName(deep + "p.png", &error));

  // The page number can push a name that fits for page 1 over the limit.
  OutputPattern pattern;
  ASSERT_TRUE(ParseOutputPattern(std::string(kMaxOutputNameBytes - 5, 'p') + "%d.png", &pattern, &error));
  std::string name;
  EXPECT_FALSE(FormatOutputName(pattern, 10, &name, &error));
  EXPECT_TRUE(name.empty());
  EXPECT_TRUE(FormatOutputName(pattern, 9, &name, &error));
  EXPECT_EQ(name.size(), kMaxOutputNameBytes);
}

}  // namespace
