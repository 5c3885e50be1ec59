#include "parser/xml/dom.h"

#include <charconv>
#include <cmath>

namespace xlx {

namespace {

const char* SkipBlanks(const char* p) {
  while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n') ++p;
  return p;
}

// Parses [sign]digits, clamping to int32; false when no digit follows.
bool ParseWhole(const char* p, bool allowMinus, int32_t* out) {
  p = SkipBlanks(p);
  bool negative = false;
  if (*p == '+' || *p == '-') {
    negative = *p == '-';
    if (negative && !allowMinus) return false;
    ++p;
  }
  if (*p < '0' || *p > '9') return false;
  int64_t value = 0;
  for (; *p >= '0' && *p <= '9'; ++p)
    if (value <= INT32_MAX) value = value * 10 + (*p - '0');
  if (negative) value = -value;
  if (value > INT32_MAX) value = INT32_MAX;
  if (value < INT32_MIN) value = INT32_MIN;
  *out = static_cast<int32_t>(value);
  return true;
}

}  // namespace

bool ReadInt(pugi::xml_attribute a, int32_t* out) { return a && ParseWhole(a.value(), true, out); }

bool ReadUnsigned(pugi::xml_attribute a, int32_t* out) { return a && ParseWhole(a.value(), false, out); }

bool ReadIntText(const char* text, int32_t* out) { return text && ParseWhole(text, true, out); }

bool ReadDouble(pugi::xml_attribute a, double* out) { return a && ReadDoubleText(a.value(), out); }

bool ReadDoubleText(const char* text, double* out) {
  if (!text) return false;
  const char* p = SkipBlanks(text);
  if (*p == '+') ++p;
  const char* end = p + strlen(p);
  double value = 0;
  auto result = std::from_chars(p, end, value);
  if (result.ec != std::errc() || !std::isfinite(value)) return false;
  *out = value;
  return true;
}

int32_t ReadDeclaredCount(pugi::xml_attribute a, int32_t fallback, int32_t cap) {
  int32_t count = fallback;
  if (a) {
    int32_t declared = 0;
    if (ParseWhole(a.value(), true, &declared)) count = declared < 0 ? 0 : declared;
  }
  return count > cap ? cap : count;
}

}  // namespace xlx
