// Header and footer codes: sections, fields, fonts, sizes, colours, styles and the choice of the
// first, odd and even texts.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "view/print/headerfooter.h"

using namespace xlx;

namespace {

HeaderFooterFields Fields() {
  HeaderFooterFields f;
  f.page = 5, f.pages = 9, f.date = u"12/6/2026", f.time = u"1:05 AM";
  f.fileName = u"book.xlsx", f.filePath = u"/data/", f.sheetName = u"Sales";
  return f;
}

// The texts of a section's lines, runs joined, lines separated by '|'.
std::u16string Lines(const HeaderFooterText& t, int32_t section) {
  std::u16string out;
  for (size_t i = 0; i < t.sections[section].size(); ++i) {
    if (i) out += u'|';
    for (const HeaderFooterRun& r : t.sections[section][i].runs) out += r.text;
  }
  return out;
}

TEST(HeaderFooterCodes, SectionsFieldsAndLiterals) {
  const struct {
    const char16_t* code;
    const char16_t *left, *centre, *right;
  } cases[] = {
      {u"&LLeft&CCentre&RRight", u"Left", u"Centre", u"Right"},
      {u"No section code", u"", u"No section code", u""},
      {u"&CPage &P of &N", u"", u"Page 5 of 9", u""},
      {u"&C&P+2 &P-10", u"", u"7 -5", u""},
      {u"&L&D &T&R&F in &Z&A", u"12/6/2026 1:05 AM", u"", u"book.xlsx in /data/Sales"},
      {u"&CA && B &&&P", u"", u"A & B &5", u""},
      {u"&Ctwo\nlines\n\n", u"", u"two|lines", u""},
      {u"&C&Gpicture &Oout &Hshadow &Q", u"", u"picture out shadow ", u""},
      {u"&Ctrailing &", u"", u"trailing &", u""},
      {u"&C&\"Arial", u"", u"", u""},  // a font code never closed ends the text
  };
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(i);
    const HeaderFooterText t = ParseHeaderFooter(c.code, Fields(), HeaderFooterFont{}, nullptr);
    EXPECT_EQ(Lines(t, 0) + u"/" + Lines(t, 1) + u"/" + Lines(t, 2), std::u16string(c.left) + u"/" + c.centre + u"/" + c.right);
  }
}

TEST(HeaderFooterCodes, FontsSizesColoursAndStyles) {
  const HeaderFooterText t = ParseHeaderFooter(
      u"&C&\"Arial,Bold Italic\"a&\"-,Regular\"b&14c&KFF0000d&K04+050e&B&Uf&B&U&E&Sg&X2&Y3&999h",
      Fields(), HeaderFooterFont{u"Cambria", 10}, nullptr);
  ASSERT_EQ(t.sections[1].size(), 1u);
  const auto& runs = t.sections[1][0].runs;
  ASSERT_EQ(runs.size(), 10u);
  // '-' keeps the face.
  EXPECT_EQ(std::make_tuple(std::u16string(runs[0].face), runs[0].bold, runs[0].italic, runs[0].sizePt),
            std::make_tuple(std::u16string(u"Arial"), true, true, 10.0));
  EXPECT_EQ(std::make_tuple(std::u16string(runs[1].face), runs[1].bold, runs[1].italic, runs[2].sizePt),
            std::make_tuple(std::u16string(u"Arial"), false, false, 14.0));
  EXPECT_EQ(runs[3].color, 0xFF0000FFu) << "red: red in the low byte";
  EXPECT_EQ(runs[4].color >> 24, 0xFFu) << "a theme colour without a theme is still a colour";
  EXPECT_NE(runs[4].color, runs[3].color);
  EXPECT_TRUE(runs[5].bold && runs[5].underline && !runs[5].doubleUnderline);
  EXPECT_TRUE(!runs[6].bold && runs[6].doubleUnderline && runs[6].strikeOut);
  EXPECT_TRUE(runs[7].superscript && !runs[7].subscript);
  EXPECT_TRUE(runs[8].subscript && !runs[8].superscript);
  // "&999h": three digits at most, clamped to the largest size.
  EXPECT_EQ(std::make_tuple(runs[8].text, runs[9].text, runs[9].sizePt), std::make_tuple(std::u16string(u"3"), std::u16string(u"h"), 409.0));
  const HeaderFooterText zero = ParseHeaderFooter(u"&0x", Fields(), HeaderFooterFont{}, nullptr);
  EXPECT_EQ(zero.sections[1][0].runs[0].sizePt, 1) << "size 0 is kept at 1 pt";
  const HeaderFooterText reset = ParseHeaderFooter(u"&L&8&B&KFF0000a&Rb", Fields(), HeaderFooterFont{u"Cambria", 10}, nullptr);
  const HeaderFooterRun& right = reset.sections[2][0].runs[0];
  EXPECT_EQ(std::make_tuple(right.sizePt, right.bold, right.color), std::make_tuple(10.0, false, 0xFF000000u))
      << "each section starts in the default font";
}

TEST(HeaderFooterCodes, FirstOddAndEvenTexts) {
  HeaderFooterSetup h;
  h.oddHeader = u"odd", h.evenHeader = u"even", h.firstHeader = u"first", h.oddFooter = u"oddF";
  const struct {
    bool differentFirst, differentOddEven, first;
    int32_t page;
    const char16_t* expected;
  } cases[] = {
      {false, false, true, 1, u"odd"},   {false, false, false, 2, u"odd"}, {true, false, true, 1, u"first"},
      {true, false, false, 2, u"odd"},   {false, true, false, 2, u"even"}, {false, true, false, 3, u"odd"},
      {true, true, true, 2, u"first"},
  };
  for (const auto& c : cases) {
    h.differentFirst = c.differentFirst, h.differentOddEven = c.differentOddEven;
    EXPECT_EQ(PickHeaderFooter(h, false, c.first, c.page), c.expected) << c.page;
  }
  EXPECT_EQ(PickHeaderFooter(h, true, false, 3), u"oddF");
}

}  // namespace
