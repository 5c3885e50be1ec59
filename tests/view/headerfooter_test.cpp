// Header and footer codes: sections, fields, fonts, sizes, colours, styles and the choice of the
// first, odd and even texts.
#include <gtest/gtest.h>

#include <string>

#include "view/xlsxviewheaderfooter.h"

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
    EXPECT_EQ(Lines(t, 0), c.left);
    EXPECT_EQ(Lines(t, 1), c.centre);
    EXPECT_EQ(Lines(t, 2), c.right);
  }
}

TEST(HeaderFooterCodes, FontsSizesColoursAndStyles) {
  const HeaderFooterText t = ParseHeaderFooter(
      u"&C&\"Arial,Bold Italic\"a&\"-,Regular\"b&14c&KFF0000d&K04+050e&B&Uf&B&U&E&Sg&X2&Y3&999h",
      Fields(), HeaderFooterFont{u"Cambria", 10}, nullptr);
  ASSERT_EQ(t.sections[1].size(), 1u);
  const auto& runs = t.sections[1][0].runs;
  ASSERT_EQ(runs.size(), 10u);
  EXPECT_EQ(std::u16string(runs[0].face), u"Arial");
  EXPECT_TRUE(runs[0].bold && runs[0].italic);
  EXPECT_EQ(runs[0].sizePt, 10);
  EXPECT_EQ(std::u16string(runs[1].face), u"Arial") << "'-' keeps the face";
  EXPECT_FALSE(runs[1].bold || runs[1].italic);
  EXPECT_EQ(runs[2].sizePt, 14);
  EXPECT_EQ(runs[3].color, 0xFF0000FFu) << "red: red in the low byte";
  EXPECT_EQ(runs[4].color >> 24, 0xFFu) << "a theme colour without a theme is still a colour";
  EXPECT_NE(runs[4].color, runs[3].color);
  EXPECT_TRUE(runs[5].bold && runs[5].underline && !runs[5].doubleUnderline);
  EXPECT_TRUE(!runs[6].bold && runs[6].doubleUnderline && runs[6].strikeOut);
  EXPECT_TRUE(runs[7].superscript && !runs[7].subscript);
  EXPECT_TRUE(runs[8].subscript && !runs[8].superscript);
  // "&999h": three digits at most, clamped to the largest size.
  EXPECT_EQ(runs[8].text, u"3");
  EXPECT_EQ(runs[9].text, u"h");
  EXPECT_EQ(runs[9].sizePt, 409);
  const HeaderFooterText zero = ParseHeaderFooter(u"&0x", Fields(), HeaderFooterFont{}, nullptr);
  EXPECT_EQ(zero.sections[1][0].runs[0].sizePt, 1) << "size 0 is kept at 1 pt";
  const HeaderFooterText reset = ParseHeaderFooter(u"&L&8&B&KFF0000a&Rb", Fields(), HeaderFooterFont{u"Cambria", 10}, nullptr);
  const HeaderFooterRun& right = reset.sections[2][0].runs[0];
  EXPECT_EQ(right.sizePt, 10) << "each section starts in the default font";
  EXPECT_FALSE(right.bold);
  EXPECT_EQ(right.color, 0xFF000000u);
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
