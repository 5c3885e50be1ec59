#include "view/xlsxviewrange.h"

#include <algorithm>

#include "common/apiutils.h"

namespace xlx {

bool ParseCellReference(const char16_t* t, int32_t n, int32_t* row, int32_t* column) {
  int32_t i = 0;
  if (i < n && t[i] == u'$') ++i;
  int64_t col = 0;
  int32_t letters = 0;
  for (; i < n && letters < 4; ++i, ++letters) {
    char16_t c = t[i];
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
    if (c < u'A' || c > u'Z') break;
    col = col * 26 + (c - u'A' + 1);
  }
  if (letters == 0 || col > 16384) return false;
  if (i < n && t[i] == u'$') ++i;
  int64_t r = 0;
  int32_t digits = 0;
  for (; i < n && t[i] >= u'0' && t[i] <= u'9' && digits < 8; ++i, ++digits) r = r * 10 + (t[i] - u'0');
  if (digits == 0 || i != n || r < 1 || r > 1048576) return false;
  *row = static_cast<int32_t>(r);
  *column = static_cast<int32_t>(col);
  return true;
}

bool ParseRangeReference(const char16_t* t, int32_t n, MyCellBounds* b) {
  int32_t colon = -1;
  for (int32_t i = 0; i < n; ++i)
    if (t[i] == u':') {
      colon = i;
      break;
    }
  int32_t r1, c1, r2, c2;
  if (colon < 0) {
    if (!ParseCellReference(t, n, &r1, &c1)) return false;
    r2 = r1, c2 = c1;
  } else if (!ParseCellReference(t, colon, &r1, &c1) || !ParseCellReference(t + colon + 1, n - colon - 1, &r2, &c2)) {
    return false;
  }
  *b = MyCellBounds{std::min(r1, r2), std::max(r1, r2), std::min(c1, c2), std::max(c1, c2)};
  return true;
}

bool ParsePrintArea(const char16_t* text, MyCellBounds* b) {
  if (!text) return false;
  int32_t n = static_cast<int32_t>(Utf16Length(text));
  int32_t end = n;
  bool quoted = false;
  for (int32_t i = 0; i < n; ++i) {  // the first area ends at a comma outside quotes
    if (text[i] == u'\'') quoted = !quoted;
    else if (text[i] == u',' && !quoted) {
      end = i;
      break;
    }
  }
  int32_t start = 0;
  for (int32_t i = end - 1; i >= 0; --i)
    if (text[i] == u'!') {
      start = i + 1;
      break;
    }
  return ParseRangeReference(text + start, end - start, b);
}

}  // namespace xlx
