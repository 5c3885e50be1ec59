// Small helpers every module uses: UTF-8 / UTF-16 conversion, bounded copies into fixed UTF-16
// fields, attribute booleans.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/utf8.h"

namespace xlx {

// Converts UTF-8 to UTF-16; invalid sequences become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);
// Copies at most capacity - 1 units and a terminator (capacity in units, > 0).
void CopyTruncated(char16_t* field, size_t capacity, std::u16string_view text);
// Length of a zero-terminated UTF-16 string (0 for null).
size_t Utf16Length(const char16_t* text);
// Attribute booleans: true when the text begins with 1, t, T, y or Y.
bool AttributeIsTrue(const char* text);
// Lower-cases one UTF-16 unit the way the relationship lookups do (ASCII and Latin-1 letters).
char16_t LowerUnit(char16_t unit);

}  // namespace xlx
