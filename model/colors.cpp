#include <cstring>

#include "model/colortables.h"

namespace xlx {

namespace {

int CompareFolded(const char* a, const char* b) {
  for (;; ++a, ++b) {
    unsigned char x = static_cast<unsigned char>(*a), y = static_cast<unsigned char>(*b);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
    if (x != y || x == 0) return int(x) - int(y);
  }
}

}  // namespace

CellColor LookupPresetColor(const char* name) {
  if (!name) return 0;
  // The table is sorted by exact bytes; folded order differs only around capitals, so a linear
  // scan keeps the case-blind rule simple for a table this small.
  for (int32_t i = 0; i < kPresetColorCount; ++i)
    if (CompareFolded(kPresetColors[i].name, name) == 0) return kPresetColors[i].color;
  return 0;
}

}  // namespace xlx
