#include "common/utf8.h"

namespace xlx {

uint32_t DecodeUtf8At(const unsigned char* in, size_t size, size_t* pos) {
  const unsigned char c = in[*pos];
  if (c < 0x80) {
    ++*pos;
    return c;
  }
  size_t need = 0;
  uint32_t cp = 0, min = 0;
  if (c >= 0xC2 && c <= 0xDF) need = 1, cp = c & 0x1F, min = 0x80;
  else if (c >= 0xE0 && c <= 0xEF) need = 2, cp = c & 0x0F, min = 0x800;
  else if (c >= 0xF0 && c <= 0xF4) need = 3, cp = c & 0x07, min = 0x10000;
  bool ok = need > 0 && size - *pos > need;
  for (size_t k = 1; ok && k <= need; ++k) {
    if ((in[*pos + k] & 0xC0) != 0x80) ok = false;
    else cp = (cp << 6) | (in[*pos + k] & 0x3F);
  }
  if (!ok || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++*pos;
    return kReplacementCharacter;
  }
  *pos += need + 1;
  return cp;
}

size_t DecodeUtf8(const char* text, size_t size, char16_t* out) {
  const auto* in = reinterpret_cast<const unsigned char*>(text);
  char16_t* start = out;
  size_t pos = 0;
  while (pos < size) {
    if (in[pos] < 0x80) {  // the common case, without the call
      *out++ = char16_t(in[pos++]);
      continue;
    }
    uint32_t cp = DecodeUtf8At(in, size, &pos);
    if (cp >= 0x10000) {
      cp -= 0x10000;
      *out++ = char16_t(0xD800 + (cp >> 10));
      *out++ = char16_t(0xDC00 + (cp & 0x3FF));
    } else {
      *out++ = char16_t(cp);
    }
  }
  return size_t(out - start);
}

size_t EncodeUtf8(uint32_t c, char* out) {
  if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = kReplacementCharacter;
  if (c < 0x80) {
    out[0] = char(c);
    return 1;
  }
  if (c < 0x800) {
    out[0] = char(0xC0 | (c >> 6));
    out[1] = char(0x80 | (c & 0x3F));
    return 2;
  }
  if (c < 0x10000) {
    out[0] = char(0xE0 | (c >> 12));
    out[1] = char(0x80 | ((c >> 6) & 0x3F));
    out[2] = char(0x80 | (c & 0x3F));
    return 3;
  }
  out[0] = char(0xF0 | (c >> 18));
  out[1] = char(0x80 | ((c >> 12) & 0x3F));
  out[2] = char(0x80 | ((c >> 6) & 0x3F));
  out[3] = char(0x80 | (c & 0x3F));
  return 4;
}

uint32_t DecodeUtf16At(const char16_t* text, size_t size, size_t* pos) {
  const uint32_t c = text[(*pos)++];
  if (c >= 0xD800 && c <= 0xDBFF && *pos < size && text[*pos] >= 0xDC00 && text[*pos] <= 0xDFFF)
    return 0x10000 + ((c - 0xD800) << 10) + (text[(*pos)++] - 0xDC00);
  return c >= 0xD800 && c <= 0xDFFF ? kReplacementCharacter : c;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  char bytes[4];
  for (size_t i = 0; i < text.size();) out.append(bytes, EncodeUtf8(DecodeUtf16At(text.data(), text.size(), &i), bytes));
  return out;
}

}  // namespace xlx
