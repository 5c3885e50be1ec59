// Fixed colour tables: the default indexed palette of spreadsheet styles and the DrawingML preset
// colour names. Both are generated from their published tables by model/make_color_tables.py.
#pragma once
#include <cstdint>

#include "model/styles.h"

namespace xlx {

struct PresetColor {
  const char* name;  // DrawingML preset name as written (camel case)
  CellColor color;   // marker 0xFF
};

extern const CellColor kDefaultIndexedPalette[64];
extern const PresetColor kPresetColors[];  // sorted by name, byte order
extern const int32_t kPresetColorCount;

// Colour of a preset name; names compare without regard to ASCII case. 0 when unknown.
CellColor LookupPresetColor(const char* name);

}  // namespace xlx
