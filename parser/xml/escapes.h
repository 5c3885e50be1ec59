// Character escapes of the workbook's XML text: "_xHHHH_" stands for the UTF-16 unit with the hex
// code HHHH (control characters and other units XML cannot carry), and "_x005F_" for a literal
// underscore, so that text which itself reads "_x000D_" is written "_x005F_x000D_".
#pragma once

#include <cstdint>
#include <string>

namespace xlx {

// True when the UTF-8 text may hold an escape (it contains "_x"); a quick test before decoding.
bool MayHoldEscapes(const char* utf8);

// Decodes every escape of text[0, length) once, left to right, in place (the text only shrinks),
// and terminates the result. Returns the new length in units. An "_x" not followed by four hex
// digits and "_" stays as it is; an escaped zero unit is dropped.
int32_t DecodeEscapesInPlace(char16_t* text, int32_t length);

// The same for a whole string.
void DecodeEscapes(std::u16string* text);

}  // namespace xlx
