// The sheetData tokenizer against the XML library: for every part below, handed over in pieces of
// every size from one byte, the tokenizer must read each row and cell exactly as the DOM reader
// does, or give up on the whole content.
#include <gtest/gtest.h>

#include <string>

#include "package/xlsxunzip.h"
#include "parser/sheet/tokens.h"
#include "parser/sheet/slices.h"
#include "parser/xml/dom.h"

using namespace xlx;

namespace {

const char* const kRowNames[] = {"r", "ht", "customHeight", "hidden", "s", "customFormat"};
const char* const kCellNames[] = {"r", "s", "t"};
const char* const kFormulaNames[] = {"t", "ref", "si", "ca"};

void Put(std::string* out, const char* text) { *out += text ? "[" + std::string(text) + "]" : std::string("-"); }

// The texts of every `t` under an inline string, in document order.
std::string InlineText(pugi::xml_node node) {
  std::string text;
  for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling())
    text += IsElement(child, "t") ? std::string(ElementText(child)) : InlineText(child);
  return text;
}

std::string DomReading(const std::string& content) {
  const std::string xml = "<sheetData>" + content + "</sheetData>";
  pugi::xml_document doc;
  if (doc.load_buffer(xml.data(), xml.size(), kXmlParseOptions, pugi::encoding_utf8).status != pugi::status_ok)
    return "unparsed";
  std::string out;
  for (pugi::xml_node row = Child(doc.first_child(), "row"); row; row = NextNamed(row, "row")) {
    out += "\nrow";
    for (const char* name : kRowNames) Put(&out, row.attribute(name) ? row.attribute(name).value() : nullptr);
    for (pugi::xml_node c = Child(row, "c"); c; c = NextNamed(c, "c")) {
      out += "\n c";
      for (const char* name : kCellNames) Put(&out, c.attribute(name) ? c.attribute(name).value() : nullptr);
      Put(&out, ElementText(Child(c, "v")));
      if (pugi::xml_node f = Child(c, "f")) {
        Put(&out, ElementText(f));
        for (const char* name : kFormulaNames) Put(&out, f.attribute(name) ? f.attribute(name).value() : nullptr);
      }
      if (pugi::xml_node is = Child(c, "is")) out += " is" + InlineText(is);
    }
  }
  return out;
}

// The tokenizer's reading of the content followed by the end tag, fed `piece` bytes at a time.
std::string TokenReading(const std::string& content, size_t piece, int32_t* result) {
  const std::string stream = content + "</sheetData><after/>";
  SheetTokenizer tokens;
  tokens.Start("sheetData");
  std::string pending, out;
  size_t fed = 0, at = 0;
  for (;;) {
    size_t consumed = 0;
    *result = tokens.Next(pending.data() + at, pending.size() - at, &consumed);
    at += consumed;
    if (*result == SheetTokenizer::kNeedMore && fed < stream.size()) {
      pending = pending.substr(at) + stream.substr(fed, piece);
      fed += piece;
      at = 0;
      continue;
    }
    if (*result == SheetTokenizer::kContentEnd) {
      EXPECT_EQ(pending.substr(at, 12), "</sheetData>");
    }
    if (*result != SheetTokenizer::kRow) return out;
    out += "\nrow";
    for (int i = 0; i < kRowAttributes; ++i) Put(&out, tokens.Text(tokens.Row()[i]));
    for (const CellTokens& c : tokens.Cells()) {
      out += "\n c";
      for (size_t at : c.attributes) Put(&out, tokens.Text(at));
      Put(&out, c.v == kNoText ? "" : tokens.Text(c.v));
      if (c.hasFormula) {
        Put(&out, c.formula == kNoText ? "" : tokens.Text(c.formula));
        for (size_t at : c.formulaAttributes) Put(&out, tokens.Text(at));
      }
      if (c.inlineAt != kNoText) {
        pugi::xml_document is;
        EXPECT_EQ(is.load_buffer(tokens.Text(c.inlineAt), c.inlineSize, kXmlParseOptions).status, pugi::status_ok);
        out += " is" + InlineText(is.document_element());
      }
    }
  }
}

TEST(SheetTokens, ReadsEveryRowAsTheDomDoesOrGivesUp) {
  struct Case {
    const char* what;
    std::string content;
    bool readable;
  } cases[] = {
      {"attributes in any order, either quote", "<row spans=\"1:3\" r='1' ht=\"20\" customHeight=\"1\" hidden=\"0\" "
       "s=\"4\" customFormat=\"1\"><c r=\"A1\" s=\"3\" t=\"n\"><v>1.5</v></c></row>", true},
      {"references and line ends", "<row r=\"2\"><c r=\"B2\" t=\"s\r\n\tx&amp;\"><v>a&lt;b&gt;&amp;&apos;&quot;&#65;"
       "&#x42;&#x10348;\r\nc\rd</v></c><c r=\"C2\" t=\"e&quot;\"><v> x </v></c></row>", true},
      {"comments, instructions and CDATA", "<!--a--><?pi x?><row><!-- </row> --><c><v><!-- --><?p?>"
       "<![CDATA[<v>&amp;\r\n]]>tail</v><f><![CDATA[]]>1</f></c></row>", true},
      {"white space alone is text only when the element holds nothing else",
       "<row><c><v> </v></c><c><v> <![CDATA[x]]></v></c><c><v><x/> </v></c><c><v><!--c-->  </v></c>"
       "<c><v> y <z/></v></c></row>", true},
      {"prefixes, other elements, the first of each name",
       "<x:row r=\"3\"><x:c r=\"A3\"><extLst><a><b/>t</a></extLst><x:v>1</x:v><x:v>2</x:v><x:f t=\"shared\" si=\"0\" "
       "ref=\"A3:A9\" ca=\"1\">SUM(A1)</x:f><f>no</f></x:c><other><c><v>9</v></c></other></x:row>", true},
      {"inline strings with runs", "<row><c t=\"inlineStr\"><is><r><rPr><b/></rPr><t xml:space=\"preserve\"> a </t></r>"
       "<t>b&amp;</t></is><is><t>second</t></is></c></row>", true},
      {"closed and empty elements", "<row/><row r=\"5\" ><c r=\"A5\"/><c ><v/><f/><is/></c></row >", true},
      {"the first of two equal attributes", "<row r=\"6\" r=\"7\"><c s=\"1\" s=\"2\"><v>1</v></c></row>", true},
      {"elements and text between rows", "text<foo a=\"1\"><row r=\"9\"/></foo> <row r=\"10\"/>", true},
      {"an entity not decoded here", "<row><c><v>&nbsp;</v></c></row>", false},
      {"a character reference to zero", "<row><c><v>&#0;</v></c></row>", false},
      {"an end tag of another element", "<row><c></row>", false},
      {"attributes run together", "<row r=\"1\"s=\"2\"/>", false},
      {"a document type inside", "<!DOCTYPE x><row/>", false},
      {"a declaration inside", "<?xml version=\"1.0\"?><row/>", false},
      {"a stray less-than sign", "<row>< c/></row>", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string dom = DomReading(c.content);
    for (size_t piece = 1; piece <= c.content.size() + 20; piece += piece < 16 ? 1 : 13) {
      int32_t result = 0;
      const std::string tokens = TokenReading(c.content, piece, &result);
      if (!c.readable) {
        EXPECT_EQ(result, kSheetDataReparse) << piece;
        continue;
      }
      EXPECT_EQ(result, SheetTokenizer::kContentEnd) << piece;
      EXPECT_EQ(tokens, dom) << piece;
    }
  }
}

}  // namespace
