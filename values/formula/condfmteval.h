// Deciding the conditional formats of the cells of one page. The rules are tried in priority
// order over all blocks whose ranges hold a cell; the differential formats of the rules that hold
// are combined, the first rule to set a part (fill, font property, border, number format) winning
// it, and stopIfTrue ends the search. A colour scale sets the fill as a rule with a fill would;
// the first data bar and the first icon set that apply are kept.
//
// Only the blocks whose ranges meet the page are looked at; the statistics a rule needs over its
// ranges (rank, average, duplicates, minimum and maximum, percentiles) are gathered once per rule
// and kept with the sheet. Rule formulas are compiled once per rule and computed per cell with
// their relative references moved from the top-left cell of the block's first range. Work is
// bounded per page and per sheet, so a hostile sheet (100,000 rules over whole columns) draws
// fewer formats instead of hanging. Evaluation is serialised: pages of one workbook drawn on
// several threads take turns here.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "model/condformat.h"
#include "model/workbook.h"
#include "values/formula/value.h"

namespace xlx {

// What the rules give one cell.
struct CellCondResult {
  Dxf dxf;                           // parts set by rules (mask); a colour scale sets the fill
  const CfDataBar* bar = nullptr;    // the data bar to draw, or null
  double barFraction = 0;            // where the value lies: 0 at the low point, 1 at the high one
  double barZero = 0;                // where 0 lies on the same scale (for the axis), clamped to 0..1
  bool barNegative = false;          // the value is below 0 and the bar has an axis
  const CfIconSet* icons = nullptr;  // the icon set to draw, or null
  CfIcon icon;                       // which icon
  bool hideValue = false;            // a bar or icon set with showValue="0"
  bool Any() const { return dxf.mask != 0 || bar || icons; }
};

// Work bounds: rule tests per page and cells visited for statistics per sheet.
constexpr int64_t kMaxCondTestsPerPage = 4000000;
constexpr int64_t kMaxCondStatCellsPerSheet = 40000000;
// Cells the rule formulas of one page may read, over all its cells (a formula that counts or sums
// a whole column for every cell of a sheet of a million rows stops there).
constexpr int64_t kMaxCondFormulaCellsPerPage = 2000000;

class CondFmtPage {
 public:
  // The rules of `sheet` whose ranges meet rows row1..row2 and columns col1..col2 (1-based).
  CondFmtPage(const Workbook& workbook, const MyWorksheet& sheet, int32_t row1, int32_t col1, int32_t row2,
              int32_t col2);
  bool Empty() const { return candidates_.empty(); }
  // The formats of the cell at (row, col); false when no rule holds.
  bool Evaluate(int32_t row, int32_t col, CellCondResult* out);

 private:
  struct Candidate {
    int32_t block, rule, priority;
  };
  // The differential format a rule gives, or null.
  const Dxf* DxfOf(const CfRule& rule) const;
  // Whether a rule could change nothing that rules of higher priority have not already set.
  bool Settled(const CfRule& rule, const CellCondResult& out) const;
  bool Holds(const Candidate& c, const CondFmt& block, const CfRule& rule, const ExcelValue& value, int32_t row,
             int32_t col, CellCondResult* out);

  Workbook* wb_;
  const MyWorksheet& sheet_;
  std::shared_ptr<SheetCondFormats> formats_;
  std::vector<Candidate> candidates_;  // by priority
  int64_t tests_ = 0;
  int64_t formulaWork_ = kMaxCondFormulaCellsPerPage;  // cells the rule formulas may still read
};

}  // namespace xlx
