// The UTF-8 codec: well-formed sequences of every length, one U+FFFD per bad byte, and the
// UTF-16 side with its lone surrogates.
#include <gtest/gtest.h>

#include <string>

#include "common/apiutils.h"
#include "common/utf8.h"

using namespace xlx;

namespace {

TEST(Utf8, DecodesEveryLengthAndReplacesEachBadByte) {
  const struct {
    const char* bytes;
    std::u16string units;
  } cases[] = {
      {"A\xC3\xA9\xE2\x82\xAC", u"A\u00E9\u20AC"},
      {"\xF0\x9F\x98\x80", u"\U0001F600"},
      {"\xC0\x80", u"\uFFFD\uFFFD"},              // overlong
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},    // a surrogate
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // past U+10FFFF
      {"\xE2\x82", u"\uFFFD\uFFFD"},              // cut short at the end
      {"\x80z", u"\uFFFDz"},                      // stray continuation
      {"\xE2\x82z", u"\uFFFD\uFFFDz"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    const std::string bytes(c.bytes);
    EXPECT_EQ(Utf8ToUtf16(bytes), c.units);
    std::u16string out(bytes.size(), u'\0');
    EXPECT_EQ(DecodeUtf8(bytes.data(), bytes.size(), &out[0]), c.units.size());
  }
}

TEST(Utf8, EncodesCodePointsAndLoneSurrogates) {
  EXPECT_EQ(Utf16ToUtf8(u"A\u00E9\u20AC\U0001F600"), "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800)) + u"x"), "\xEF\xBF\xBDx");
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xDC00))), "\xEF\xBF\xBD");
  char bytes[4];
  EXPECT_EQ(EncodeUtf8(0x110000, bytes), 3u);
  for (uint32_t cp : {0x7Fu, 0x80u, 0x7FFu, 0x800u, 0xFFFFu, 0x10000u, 0x10FFFFu}) {
    const size_t n = EncodeUtf8(cp, bytes);
    size_t pos = 0;
    EXPECT_EQ(DecodeUtf8At(reinterpret_cast<const unsigned char*>(bytes), n, &pos), cp);
    EXPECT_EQ(pos, n);
  }
}

}  // namespace
