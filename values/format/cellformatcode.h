// The format code that applies to a cell, for the callers that prepare cell text (the sheet
// view) and hold the workbook model. Header-only on purpose: the number-formatting module itself
// does not depend on the model, only this lookup over its style records does.
#pragma once
#include <cstdint>

#include "model/styles.h"
#include "model/workbook.h"

namespace xlx {

// Format code of a cell, first match wins: the number format of the differential format that
// conditional formatting attached to the cell, then that of the table style's differential
// format (either may be null), then the cell's xf (`styleIndex`; an index outside the cell
// formats means no format) and its numFmtId in the number-format table, read under `pLock` when
// it is given; otherwise "General". The text is owned by the stylesheet or the dxf.
inline const char16_t* GetCellFormatString(const Stylesheet& styles, WorkbookLock* pLock,
                                           int32_t styleIndex, const Dxf* pConditionalDxf,
                                           const Dxf* pTableDxf) {
  if (pConditionalDxf && (pConditionalDxf->mask & kDxfNumberFormat)) {
    return pConditionalDxf->numberFormat.c_str();
  }
  if (pTableDxf && (pTableDxf->mask & kDxfNumberFormat)) return pTableDxf->numberFormat.c_str();
  const StyleList<CellXf>& xfs = styles.cellXfs;
  if (styleIndex >= 0 && styleIndex < xfs.declaredCount) {
    int32_t numFmtId = styleIndex < xfs.items.Count()
                           ? xfs.items[styleIndex].numFmtId
                           : CellXf().numFmtId;
    const char16_t* code = nullptr;
    if (pLock) pLock->Lock();
    auto it = styles.numberFormats.find(numFmtId);
    if (it != styles.numberFormats.end()) code = it->second.c_str();
    if (pLock) pLock->Unlock();
    if (code) return code;
  }
  return u"General";
}

}  // namespace xlx
