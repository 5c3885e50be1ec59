// Table records: element names, the row index of a sheet's tables and the built-in styles' dxfs.
#include "model/tables.h"

#include <algorithm>
#include <cstring>

#include "common/resultcodes.h"
#include "model/colormath.h"

namespace xlx {
namespace {

const char* const kElementNames[kTseCount] = {
    "wholeTable", "headerRow", "totalRow", "firstColumn", "lastColumn", "firstRowStripe", "secondRowStripe",
    "firstColumnStripe", "secondColumnStripe", "firstHeaderCell", "lastHeaderCell", "firstTotalCell",
    "lastTotalCell", "firstSubtotalColumn", "secondSubtotalColumn", "thirdSubtotalColumn", "firstSubtotalRow",
    "secondSubtotalRow", "thirdSubtotalRow", "blankRow", "firstColumnSubheading", "secondColumnSubheading",
    "thirdColumnSubheading", "firstRowSubheading", "secondRowSubheading", "thirdRowSubheading", "pageFieldLabels",
    "pageFieldValues"};

// Bucket entries a sheet's index may hold; taller tables beyond it are tried for every row.
constexpr size_t kMaxBucketEntries = size_t(1) << 22;

bool ValidRange(const TableBounds& b) {
  return b.RowFirst >= 1 && b.ColFirst >= 1 && b.RowLast >= b.RowFirst && b.ColLast >= b.ColFirst;
}

bool Holds(const TableBounds& b, int32_t row, int32_t column) {
  return row >= b.RowFirst && row <= b.RowLast && column >= b.ColFirst && column <= b.ColLast;
}

CellColor PresetColor(const PresetThemeColor& c, const CellColor* themeColors) {
  CellColor base = themeColors[c.theme >= 0 && c.theme < 12 ? c.theme : 1];
  return c.tint != 0 ? ApplyTint(base, c.tint) : MakeCellColor(ColorRed(base), ColorGreen(base), ColorBlue(base));
}

}  // namespace

int32_t TableStyleElementFromName(const char* name) {
  for (int32_t k = 0; k < kTseCount; ++k)
    if (name && strcmp(name, kElementNames[k]) == 0) return k;
  return -1;
}

TableBounds DrawnBounds(const TableBase& table) {
  TableBounds b = table.range;
  if (table.kind == kTableKindPivot && table.pivot.pageFieldCount > 0 && table.pivot.pageRows > 0)
    b.RowFirst = std::max(1, b.RowFirst - 1 - table.pivot.pageRows);
  return b;
}

int32_t IndexSheetTables(SheetTables* tables) {
  try {
    tables->rowBuckets.clear();
    tables->unbucketed.clear();
    size_t entries = 0;
    for (int32_t k = 0; k < static_cast<int32_t>(tables->items.size()); ++k) {
      const TableBounds b = DrawnBounds(tables->items[k]);
      if (!ValidRange(b)) continue;
      const size_t first = size_t(b.RowFirst - 1) / kTableRowBucket, last = size_t(b.RowLast - 1) / kTableRowBucket;
      if (entries + (last - first + 1) > kMaxBucketEntries) {
        tables->unbucketed.push_back(k);
        continue;
      }
      if (tables->rowBuckets.size() <= last) tables->rowBuckets.resize(last + 1);
      for (size_t bucket = first; bucket <= last; ++bucket) tables->rowBuckets[bucket].push_back(k);
      entries += last - first + 1;
    }
    return XLX_OK;
  } catch (...) {
    tables->rowBuckets.clear();
    return XLX_ERR_MEMORY;
  }
}

const TableBase* FindTableAt(const SheetTables& tables, int32_t row, int32_t column) {
  if (row < 1) return nullptr;
  int32_t best = -1;
  const size_t bucket = size_t(row - 1) / kTableRowBucket;
  if (bucket < tables.rowBuckets.size())
    for (int32_t k : tables.rowBuckets[bucket])
      if (k > best && Holds(DrawnBounds(tables.items[k]), row, column)) best = k;
  for (int32_t k : tables.unbucketed)
    if (k > best && Holds(DrawnBounds(tables.items[k]), row, column)) best = k;
  return best >= 0 ? &tables.items[best] : nullptr;
}

std::u16string TableNameKey(const std::u16string& name) {
  std::u16string key = name;
  for (char16_t& ch : key)
    if (ch >= u'a' && ch <= u'z') ch = char16_t(ch - u'a' + u'A');
  return key;
}

const PresetTableStyle* FindPresetTableStyle(const std::u16string& name) {
  std::string narrow;
  for (char16_t ch : name) {
    if (ch == 0 || ch > 0x7F) return nullptr;
    narrow.push_back(static_cast<char>(ch));
  }
  const PresetTableStyle* end = kPresetTableStyles + kPresetTableStyleCount;
  const PresetTableStyle* found = std::lower_bound(
      kPresetTableStyles, end, narrow, [](const PresetTableStyle& s, const std::string& n) { return strcmp(s.name, n.c_str()) < 0; });
  return found != end && narrow == found->name ? found : nullptr;
}

void MakePresetDxf(const PresetTableDxf& preset, const CellColor* themeColors, Dxf* out) {
  *out = Dxf();
  if (preset.bold || preset.font.theme >= 0) {
    out->mask |= kDxfFont;
    if (preset.bold) {
      out->font.flags |= kDxfFontBold;
      out->font.font.lfWeight = 700;
    }
    if (preset.font.theme >= 0) {
      out->font.flags |= kDxfFontColor;
      out->font.font.color = PresetColor(preset.font, themeColors);
    }
  }
  if (preset.fill.theme >= 0) {
    out->mask |= kDxfFill;
    out->fill.kind = kFillSolid;
    out->fill.foreColor = out->fill.backColor = PresetColor(preset.fill, themeColors);
  }
  BorderSide* sides[6] = {&out->border.left, &out->border.right, &out->border.top,
                          &out->border.bottom, &out->border.vertical, &out->border.horizontal};
  static const int32_t kWeights[5] = {kBorderThin, kBorderThin, kBorderMedium, kBorderThick, kBorderDouble};
  for (int32_t k = 0; k < 6; ++k) {
    const PresetBorderSide& side = preset.sides[k];
    if (side.weight == 0) continue;
    out->mask |= kDxfBorder;
    sides[k]->pattern = kLineSolid;
    sides[k]->weight = kWeights[side.weight < 5 ? side.weight : 1];
    sides[k]->color = PresetColor(side.color, themeColors);
  }
  UpdateNoBorder(&out->border);
}

}  // namespace xlx
