// Packed plain inline strings: the length prefix at its boundaries, UTF-8 decoding into the
// block, neighbouring blocks left intact, and the cell field that holds them.
#include <gtest/gtest.h>

#include <string>

#include "model/inlinetext.h"
#include "model/sheet.h"

using namespace xlx;

namespace {

TEST(InlineText, PacksAndReadsBackAtEveryPrefixWidth) {
  struct Case {
    const char* what;
    std::string utf8;
    std::u16string expected;
  } cases[] = {
      {"empty", "", u""},
      {"ascii", "Item 7-3", u"Item 7-3"},
      {"two- and four-byte sequences", "\xC3\xA9\xF0\x9F\x98\x80", u"\u00E9\U0001F600"},
      {"invalid bytes", "a\xFF" "b", u"a\uFFFDb"},
      {"longest one-unit prefix", std::string(0x7FFF, 'x'), std::u16string(0x7FFF, u'x')},
      {"shortest two-unit prefix", std::string(0x8000, 'z'), std::u16string(0x8000, u'z')},
      {"two-unit prefix", std::string(0x12345, 'y'), std::u16string(0x12345, u'y')},
      // Wide in bytes, narrow in units: the text moves down to a one-unit prefix.
      {"prefix shrinks after decoding", [] { std::string s; for (int i = 0; i < 0x4001; ++i) s += "\xC3\xA9"; return s; }(),
       std::u16string(0x4001, u'\u00E9')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TextArena arena;
    const char16_t* before = PackInlineTextUtf16(&arena, u"ab", 2);
    const char16_t* fromUtf8 = PackInlineTextUtf8(&arena, c.utf8.data(), c.utf8.size());
    const char16_t* fromUtf16 = PackInlineTextUtf16(&arena, c.expected.data(), c.expected.size());
    const char16_t* after = PackInlineTextUtf8(&arena, "cd", 2);
    ASSERT_TRUE(before && fromUtf8 && fromUtf16 && after);
    for (const char16_t* block : {fromUtf8, fromUtf16}) {
      const InlineText text = UnpackInlineText(block);
      ASSERT_EQ(text.length, int32_t(c.expected.size()));
      EXPECT_EQ(std::u16string(text.text, size_t(text.length)), c.expected);
      EXPECT_EQ(text.text[text.length], 0);
    }
    EXPECT_EQ(std::u16string(UnpackInlineText(before).text), u"ab");
    EXPECT_EQ(std::u16string(UnpackInlineText(after).text), u"cd");
    // Records allocated after packed text stay 8-aligned.
    EXPECT_EQ(reinterpret_cast<uintptr_t>(arena.Allocate(sizeof(CellExtra))) % 8, 0u);
  }
  EXPECT_EQ(UnpackInlineText(nullptr).length, 0);
}

// The inline-string field of a cell: plain text and rich strings replace each other, read the
// same through `->`, and survive the move out of line.
TEST(InlineText, CellFieldHoldsPlainOrRich) {
  TextArena arena;
  static TextRun runs[1] = {{u"rich", 4, nullptr}};
  static RichString rich{runs, u"rich", 1, 4};
  const char16_t* plain = PackInlineTextUtf8(&arena, "plain", 5);
  struct Case {
    const char* what;
    void (*write)(CellRecord*, TextArena*, const char16_t*);
    const char16_t* text;  // null: no inline string
    int32_t runCount;
    bool pointer;          // converts to the stored rich string
  } cases[] = {
      {"plain", [](CellRecord* c, TextArena*, const char16_t* p) { c->inlineString.SetPlain(p); }, u"plain", 0, false},
      {"rich replaces plain", [](CellRecord* c, TextArena*, const char16_t* p) { c->inlineString.SetPlain(p), c->inlineString = &rich; }, u"rich", 1, true},
      {"plain replaces rich", [](CellRecord* c, TextArena*, const char16_t* p) { c->inlineString = &rich, c->inlineString.SetPlain(p); }, u"plain", 0, false},
      {"null clears plain", [](CellRecord* c, TextArena*, const char16_t* p) { c->inlineString.SetPlain(p), c->inlineString = nullptr; }, nullptr, 0, false},
      {"plain out of line with its text", [](CellRecord* c, TextArena* a, const char16_t* p) {
         c->inlineString.SetPlain(p);
         ASSERT_EQ(AttachCellExtra(a, c), XLX_OK);
         c->text = u"v"; }, u"plain", 0, false},
      {"number replaces plain", [](CellRecord* c, TextArena*, const char16_t* p) { c->inlineString.SetPlain(p), c->number = 3; }, nullptr, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CellRecord cell;
    c.write(&cell, &arena, plain);
    ASSERT_EQ(bool(cell.inlineString), c.text != nullptr);
    EXPECT_EQ(static_cast<const RichString*>(cell.inlineString) == &rich, c.pointer);
    if (!c.text) continue;
    EXPECT_EQ(std::u16string(cell.inlineString->text, size_t(cell.inlineString->textLength)), c.text);
    EXPECT_EQ(cell.inlineString->runCount, c.runCount);
  }
}

}  // namespace
