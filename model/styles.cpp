#include "model/styles.h"

namespace xlx {

namespace {

// The record an index names: a stored child, a fresh record for an index the declared count
// covers but the file did not write, or index 0 for anything out of range.
template <typename T>
const T& Lookup(const StyleList<T>& list, int32_t index) {
  static const T fresh{};
  if (index < 0 || index >= list.declaredCount) index = 0;
  if (index < list.items.Count()) return list.items[index];
  return fresh;
}

}  // namespace

const CellXf& GetCellXf(const Stylesheet& styles, int32_t index) { return Lookup(styles.cellXfs, index); }
const CellXf& GetCellStyleXf(const Stylesheet& styles, int32_t index) { return Lookup(styles.cellStyleXfs, index); }
const MyLogFont& GetFont(const Stylesheet& styles, int32_t index) { return Lookup(styles.fonts, index); }
const FillSpec& GetFill(const Stylesheet& styles, int32_t index) { return Lookup(styles.fills, index); }
const MyBorder& GetBorder(const Stylesheet& styles, int32_t index) { return Lookup(styles.borders, index); }
const Dxf& GetDxf(const Stylesheet& styles, int32_t index) { return Lookup(styles.dxfs, index); }

const char16_t* GetNumberFormatCode(const Stylesheet& styles, int32_t numFmtId) {
  auto it = styles.numberFormats.find(numFmtId);
  return it == styles.numberFormats.end() ? nullptr : it->second.c_str();
}

bool StyleDrawsSomething(const Stylesheet& styles, int32_t xfIndex, bool keepBackground, CellColor sheetBackColor) {
  const CellXf& xf = GetCellXf(styles, xfIndex);
  if (xf.applyBorder && xf.borderId >= 0 && !GetBorder(styles, xf.borderId).noBorder) return true;
  if (xf.applyFill && xf.fillId >= 0) {
    const FillSpec& fill = GetFill(styles, xf.fillId);
    if (fill.kind == kFillPattern) return true;
    if (fill.kind == kFillSolid) return keepBackground || fill.foreColor != sheetBackColor;
  }
  return false;
}

void UpdateNoBorder(MyBorder* border) {
  const BorderSide* sides[] = {&border->left, &border->right, &border->top, &border->bottom,
                               &border->diagonal, &border->horizontal, &border->vertical};
  border->noBorder = true;
  for (const BorderSide* side : sides)
    if (side->pattern != kLineNone) border->noBorder = false;
}

}  // namespace xlx
