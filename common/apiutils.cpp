#include "common/apiutils.h"

namespace xlx {

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  size_t n = text.size(), i = 0;
  while (i < n) {
    uint32_t c = p[i];
    size_t extra = 0;
    uint32_t min = 0;
    if (c < 0x80) {
      out.push_back(static_cast<char16_t>(c));
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      extra = 1, c &= 0x1F, min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
      extra = 2, c &= 0x0F, min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
      extra = 3, c &= 0x07, min = 0x10000;
    } else {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    if (i + extra >= n) {
      out.push_back(0xFFFD);
      break;
    }
    bool ok = true;
    for (size_t k = 1; k <= extra; ++k) {
      if ((p[i + k] & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      c = (c << 6) | (p[i + k] & 0x3F);
    }
    if (!ok || c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    i += extra + 1;
    if (c >= 0x10000) {
      c -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c));
    }
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
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
