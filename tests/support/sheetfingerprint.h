// Everything the sheet readers put into a workbook's sheets, as text: two readings of one package
// compare equal exactly when they read the same. Header-only, for tests and fuzz targets that
// link the workbook reader.
#pragma once
#include <cmath>
#include <cstdint>
#include <sstream>
#include <string>

#include "parser/xlsxprsr.h"

namespace xlxtest {

inline void PutText(std::ostringstream& out, const char16_t* text) {
  if (!text) {
    out << "<null>";
    return;
  }
  for (; *text; ++text) out << std::hex << uint32_t(*text) << '.';
  out << std::dec;
}

// One line per sheet, merged range, column, row and cell.
inline std::string SheetFingerprint(const xlx::Workbook* workbook) {
  std::ostringstream out;
  for (int32_t i = 0; i < xlx::GetSheetCount(workbook); ++i) {
    const xlx::MyWorksheet& s = *xlx::GetSheet(workbook, i);
    const xlx::MyCellBounds& b = s.sheetBounds;
    out << "sheet " << i << " loaded " << s.loaded << " bounds " << b.RowFirst << ',' << b.RowLast << ','
        << b.ColFirst << ',' << b.ColLast << " defaults " << s.dDefRowHeight << ',' << s.dDefColWidth << ','
        << s.bShowZeros << " setup " << s.print.scale << ',' << s.print.orientation << ','
        << s.print.fitToPage << '\n';
    for (const xlx::MyMergedCell& m : s.mergedCells)
      out << "merge " << m.MergeCellsRef.RowFirst << ',' << m.MergeCellsRef.ColFirst << ',' << m.bAllEmpty << '\n';
    for (const xlx::ColumnInfo& c : s.columns) out << "col " << c.min << '-' << c.max << ' ' << c.width << '\n';
    for (const xlx::RowEntry& r : s.rows)
      out << "row " << r.row << ' ' << r.props.height << ' ' << r.props.style << ' ' << r.props.hidden
          << r.props.customFormat << r.props.heightNotCustom << '\n';
    for (const xlx::CellRecord& c : s.cells) {
      out << "cell " << c.row << ',' << c.column << " t" << int(c.type) << " s" << c.styleIndex << " f"
          << int(c.flags) << " n" << (std::isnan(c.number) ? std::string("nan") : std::to_string(c.number)) << " i"
          << c.sharedStringIndex << " x";
      PutText(out, c.text);
      if (c.formula) {
        out << " =" << int(c.formula->kind) << ',' << c.formula->sharedIndex << ',';
        PutText(out, c.formula->text);
        PutText(out, c.formula->ref);
      }
      if (c.inlineString) {
        out << " is" << c.inlineString->runCount << ',';
        PutText(out, c.inlineString->text);
      }
      out << '\n';
    }
  }
  return out.str();
}

}  // namespace xlxtest
