// The one UTF-8 decoder and encoder. Decoding turns each byte that does not start a well-formed
// sequence (stray continuation bytes, overlong forms, surrogates, values over U+10FFFF, sequences
// cut short) into one U+FFFD and goes on at the next byte; it never reads past `size`.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace xlx {

constexpr uint32_t kReplacementCharacter = 0xFFFD;

// The code point at text[*pos] (*pos < size), advancing *pos past it.
[[nodiscard]] uint32_t DecodeUtf8At(const unsigned char* text, size_t size, size_t* pos);
// Decodes `size` bytes into `out`, which has room for `size` units (never more are needed).
// Returns the units written.
size_t DecodeUtf8(const char* text, size_t size, char16_t* out);
// Writes a code point (U+FFFD for a surrogate or a value over U+10FFFF) as 1 to 4 bytes into
// `out` (room for 4); returns the bytes written.
size_t EncodeUtf8(uint32_t codePoint, char* out);
// The code point at text[*pos] of UTF-16 (*pos < size), a surrogate pair joined and a lone
// surrogate read as U+FFFD, advancing *pos past it.
[[nodiscard]] uint32_t DecodeUtf16At(const char16_t* text, size_t size, size_t* pos);
// UTF-16 text as UTF-8; a lone surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

}  // namespace xlx
