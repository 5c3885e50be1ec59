// Plain inline strings of a sheet (an inline string written as one text, without runs), packed in
// the sheet's arena without a `RichString` each: a length prefix, the UTF-16 units, a terminator.
// The prefix is one unit for a length below 0x8000, else two units (0x8000 | length >> 16, then
// length & 0xFFFF). Blocks are 2-aligned; a cell record keeps a pointer to the prefix.
#pragma once
#include <cstddef>
#include <cstdint>

namespace xlx {

class TextArena;

// The text of a packed block: zero-terminated units and their count.
struct InlineText {
  const char16_t* text = nullptr;
  int32_t length = 0;  // units
};

// Longest text a block holds, in units.
constexpr size_t kMaxInlineTextUnits = size_t(INT32_MAX) - 1;

// Packs UTF-8 text (`bytes` bytes; invalid sequences become U+FFFD) into a block in `arena`. The
// block, or null on exhaustion or for text of more than kMaxInlineTextUnits bytes.
[[nodiscard]] const char16_t* PackInlineTextUtf8(TextArena* arena, const char* text, size_t bytes);
// Packs `units` UTF-16 units. The block, or null on exhaustion or above kMaxInlineTextUnits.
[[nodiscard]] const char16_t* PackInlineTextUtf16(TextArena* arena, const char16_t* text, size_t units);
// The text of a block made by the two above; empty for null.
InlineText UnpackInlineText(const char16_t* block);

}  // namespace xlx
