// Structured references ("Sales[Qty]", "Sales[[#Headers],[Qty]]", "[@Qty]", "Sales[#Totals]",
// "Sales[[Qty]:[Price]]", a bare "Sales") rewritten as the A1 references they stand for, so that
// the formula parser and evaluator see plain ranges. Table and column names compare without regard
// to ASCII case; a reference to a table, column or row set that does not exist becomes "#REF!".
#pragma once
#include <cstdint>
#include <string>

#include "model/workbook.h"

namespace xlx {

// Table references nest at most this deep ("Table[[#Headers],[Col]]" is two).
constexpr int32_t kMaxStructuredNesting = 2;

// `text` with every structured reference replaced. The formula sits in loaded sheet `sheet` at
// (row, column): "[@Col]" and "#This Row" take that row (written relative, so that a shared formula
// shifts it), and a reference without a table name takes the table that holds the cell. Returns
// `text` itself when it holds no structured reference, else *scratch holding the rewritten text.
const std::u16string& ExpandStructuredReferences(const Workbook& workbook, int32_t sheet, int32_t row, int32_t column,
                                                 const std::u16string& text, std::u16string* scratch);

}  // namespace xlx
