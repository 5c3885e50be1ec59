#include "common/apiutils.h"

#include "common/utf8.h"

namespace xlx {

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out(text.size(), u'\0');
  out.resize(text.empty() ? 0 : DecodeUtf8(text.data(), text.size(), &out[0]));
  return out;
}

void CopyTruncated(char16_t* field, size_t capacity, std::u16string_view text) {
  if (!field || capacity == 0) return;
  size_t n = text.size() < capacity - 1 ? text.size() : capacity - 1;
  for (size_t i = 0; i < n; ++i) field[i] = text[i];
  field[n] = 0;
}

size_t Utf16Length(const char16_t* text) {
  size_t n = 0;
  if (text)
    while (text[n]) ++n;
  return n;
}

bool AttributeIsTrue(const char* text) {
  if (!text) return false;
  char c = text[0];
  return c == '1' || c == 't' || c == 'T' || c == 'y' || c == 'Y';
}

char16_t LowerUnit(char16_t unit) {
  if (unit >= u'A' && unit <= u'Z') return static_cast<char16_t>(unit + 32);
  if (unit >= 0xC0 && unit <= 0xDE && unit != 0xD7) return static_cast<char16_t>(unit + 32);
  return unit;
}

}  // namespace xlx
