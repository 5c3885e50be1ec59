// Conditional formats of the empty cells a sheet does not store.
#include "view/condfmt/blanks.h"

#include <algorithm>
#include <array>
#include <memory>
#include <new>
#include <set>

namespace xlx {
namespace {

// Distinct rectangles of rule ranges kept per page; more (a hostile sheet) are left out.
constexpr size_t kMaxBlankRects = 10000;

// Rules that can hold for a cell without a value.
bool MayHoldWhenEmpty(const CfRule& rule) {
  switch (rule.type) {
    case kCfCellIs:
    case kCfExpression:
    case kCfContainsBlanks:
    case kCfNotContainsErrors:
    case kCfNotContainsText:
    case kCfContainsText:
    case kCfBeginsWith:
    case kCfEndsWith:
      return true;
    case kCfTimePeriod: return !rule.formulas.empty();
    default: return false;
  }
}

}  // namespace

int32_t AbsentCellStyle(const MyWorksheet& sheet, int32_t row, int32_t col) {
  if (const RowProps* props = FindRow(sheet, row))
    if (props->customFormat && props->style >= 0) return props->style;
  for (const ColumnInfo& c : sheet.columns)
    if (col >= c.min && col <= c.max && c.style >= 0) return c.style;
  return 0;
}

void FindAbsentCondCells(const Workbook& workbook, const MyWorksheet& sheet, int32_t row1, int32_t col1, int32_t row2,
                         int32_t col2, std::vector<AbsentCondCell>* out) {
  if (!sheet.condFormats || row1 < 1 || col1 < 1 || row2 < row1 || col2 < col1) return;
  const int64_t width = int64_t(col2) - col1 + 1;
  row2 = int32_t(std::min<int64_t>(row2, row1 + std::max<int64_t>(1, kMaxAbsentCondCells / width) - 1));
  const int64_t height = int64_t(row2) - row1 + 1;
  if (height * width > kMaxAbsentCondCells) return;  // a page wider than the bound: nothing tried
  try {
    // The parts of the page that ranges of such rules cover, each distinct rectangle once.
    std::set<std::array<int32_t, 4>> rects;
    for (const CondFmt& block : sheet.condFormats->blocks) {
      if (!std::any_of(block.rules.begin(), block.rules.end(), MayHoldWhenEmpty)) continue;
      for (const CellRange& r : block.ranges) {
        const std::array<int32_t, 4> cut = {std::max(r.first.row, row1), std::max(r.first.column, col1),
                                            std::min(r.last.row, row2), std::min(r.last.column, col2)};
        if (cut[0] > cut[2] || cut[1] > cut[3]) continue;
        if (rects.size() >= kMaxBlankRects) break;
        rects.insert(cut);
      }
    }
    if (rects.empty()) return;
    std::vector<uint8_t> marked(size_t(height * width), 0);
    int64_t marks = 0;
    for (const auto& r : rects) {
      // Overlapping rectangles mark cells again: the total is bounded, not only the page.
      if ((marks += (int64_t(r[2]) - r[0] + 1) * (int64_t(r[3]) - r[1] + 1)) > 16 * kMaxAbsentCondCells) break;
      for (int32_t row = r[0]; row <= r[2]; ++row)
        std::fill_n(marked.begin() + (int64_t(row - row1) * width + (r[1] - col1)), r[3] - r[1] + 1, uint8_t(1));
    }
    std::unique_ptr<CondFmtPage> page;  // made when the first position the sheet does not store comes
    AbsentCondCell cell;
    const size_t stored = sheet.cells.Size();
    for (int32_t row = row1; row <= row2; ++row) {
      const uint8_t* line = marked.data() + int64_t(row - row1) * width;
      // The row's stored cells, ascending by column, are walked beside the positions.
      size_t i = size_t(std::max(0, FirstCellAtOrAfterRow(sheet, row)));
      for (int32_t col = col1; col <= col2; ++col) {
        if (!line[col - col1]) continue;
        while (i < stored && sheet.cells[i].row == row && sheet.cells[i].column < col) ++i;
        if (i < stored && sheet.cells[i].row == row && sheet.cells[i].column == col) continue;
        if (!page) {
          page = std::make_unique<CondFmtPage>(workbook, sheet, row1, col1, row2, col2);
          if (page->Empty()) return;
        }
        if (!page->Evaluate(row, col, &cell.result)) continue;
        if (!(cell.result.dxf.mask & (kDxfFill | kDxfBorder))) continue;
        cell.row = row, cell.col = col;
        out->push_back(cell);
      }
    }
  } catch (const std::bad_alloc&) {
  }
}

}  // namespace xlx
