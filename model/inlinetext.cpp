// Packing plain inline strings: the length prefix and the text in one arena allocation.
#include "model/inlinetext.h"

#include <cstring>

#include "common/utf8.h"
#include "model/richstring.h"

namespace xlx {

namespace {

size_t PrefixUnits(size_t units) { return units < 0x8000 ? 1 : 2; }

// Writes the prefix of `units` at `block`; returns where the text starts.
char16_t* WritePrefix(char16_t* block, size_t units) {
  if (units < 0x8000) {
    block[0] = char16_t(units);
    return block + 1;
  }
  block[0] = char16_t(0x8000 | (units >> 16));
  block[1] = char16_t(units & 0xFFFF);
  return block + 2;
}

}  // namespace

const char16_t* PackInlineTextUtf8(TextArena* arena, const char* text, size_t bytes) {
  if (!text) bytes = 0;
  if (bytes > kMaxInlineTextUnits) return nullptr;
  // One unit per byte at most: decode into the widest block the prefix may need, then move the
  // text if its prefix turns out shorter, and hand back the unused tail.
  const size_t prefix = PrefixUnits(bytes);
  const size_t reserved = (prefix + bytes + 1) * sizeof(char16_t);
  char16_t* block = static_cast<char16_t*>(arena->AllocatePacked(reserved));
  if (!block) return nullptr;
  const size_t units = bytes ? DecodeUtf8(text, bytes, block + prefix) : 0;
  if (PrefixUnits(units) != prefix) memmove(block + 1, block + prefix, units * sizeof(char16_t));
  char16_t* start = WritePrefix(block, units);
  start[units] = 0;
  const size_t kept = size_t(start + units + 1 - block) * sizeof(char16_t);
  if (kept < reserved) std::memset(reinterpret_cast<char*>(block) + kept, 0, reserved - kept);
  arena->Shrink(block, reserved, kept);
  return block;
}

const char16_t* PackInlineTextUtf16(TextArena* arena, const char16_t* text, size_t units) {
  if (!text) units = 0;
  if (units > kMaxInlineTextUnits) return nullptr;
  const size_t prefix = PrefixUnits(units);
  char16_t* block = static_cast<char16_t*>(arena->AllocatePacked((prefix + units + 1) * sizeof(char16_t)));
  if (!block) return nullptr;
  char16_t* start = WritePrefix(block, units);
  if (units) std::memcpy(start, text, units * sizeof(char16_t));
  start[units] = 0;
  return block;
}

InlineText UnpackInlineText(const char16_t* block) {
  InlineText out;
  if (!block) return out;
  if (block[0] & 0x8000) {
    out.length = int32_t(uint32_t(block[0] & 0x7FFF) << 16 | block[1]);
    out.text = block + 2;
  } else {
    out.length = block[0];
    out.text = block + 1;
  }
  return out;
}

}  // namespace xlx
