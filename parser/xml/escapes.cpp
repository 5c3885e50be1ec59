// Decoding of "_xHHHH_" escapes in the workbook's text.
#include "parser/xml/escapes.h"

#include <cstring>

namespace xlx {
namespace {

int32_t HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// The unit an escape at text[i] stands for, or -1 when text[i] starts no escape.
int32_t EscapeAt(const char16_t* text, int32_t i, int32_t length) {
  if (length - i < 7 || text[i] != u'_' || text[i + 1] != u'x' || text[i + 6] != u'_')
    return -1;
  int32_t unit = 0;
  for (int32_t k = 2; k < 6; ++k) {
    const int32_t d = HexDigit(text[i + k]);
    if (d < 0) return -1;
    unit = unit * 16 + d;
  }
  return unit;
}

}  // namespace

bool MayHoldEscapes(const char* utf8) { return utf8 && std::strstr(utf8, "_x") != nullptr; }

int32_t DecodeEscapesInPlace(char16_t* text, int32_t length) {
  if (!text || length <= 0) return 0;
  int32_t out = 0;
  for (int32_t i = 0; i < length;) {
    const int32_t unit = EscapeAt(text, i, length);
    if (unit < 0) {
      text[out++] = text[i++];
      continue;
    }
    if (unit != 0) text[out++] = static_cast<char16_t>(unit);
    i += 7;
  }
  text[out] = 0;
  return out;
}

void DecodeEscapes(std::u16string* text) {
  if (!text || text->find(u"_x") == std::u16string::npos) return;
  const int32_t length = DecodeEscapesInPlace(text->data(), static_cast<int32_t>(text->size()));
  text->resize(static_cast<size_t>(length));
}

}  // namespace xlx
