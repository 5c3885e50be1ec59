// In-memory workbooks for the formula tests.
#include "tests/formulas/formulabook.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <new>

#include "common/apiutils.h"
#include "common/cellref.h"
#include "common/resultcodes.h"
#include "model/tables.h"
#include "values/formula/formula.h"
#include "values/formula/parse.h"

namespace xlxtest {
namespace {

void SetValue(xlx::MyWorksheet* sheet, const std::string& text, xlx::CellRecord* cell) {
  cell->number = std::numeric_limits<double>::quiet_NaN();
  if (text.empty()) return;
  cell->flags |= xlx::kCellHasValue;
  std::u16string wide = xlx::Utf8ToUtf16(text);
  if (text[0] == '\'') {
    cell->type = xlx::kCellFormulaString;
    cell->text = sheet->arena.CopyUtf16(wide.c_str() + 1, wide.size() - 1);
  } else if (text == "TRUE" || text == "FALSE") {
    cell->type = xlx::kCellBoolean;
    cell->text = text == "TRUE" ? u"TRUE" : u"FALSE";
  } else if (text[0] == '#') {
    cell->type = xlx::kCellError;
    cell->text = sheet->arena.CopyUtf16(wide.c_str(), wide.size());
  } else {
    cell->type = xlx::kCellNumber;
    cell->number = std::strtod(text.c_str(), nullptr);
  }
}

}  // namespace

xlx::Workbook* BuildBook(const std::vector<BookSheet>& sheets, const std::vector<std::pair<std::string, std::string>>& names) {
  xlx::Workbook* wb = nullptr;
  if (xlx::CreateWorkbook(&wb) != 1) return nullptr;
  wb->includeHidden = true;
  if (wb->sheetParts.Allocate(sheets.size()) != 1 || wb->sheets.Allocate(sheets.size()) != 1) {
    xlx::FreeWorkbook(wb);
    return nullptr;
  }
  wb->sheetCount = int32_t(sheets.size());
  for (size_t s = 0; s < sheets.size(); ++s) {
    wb->sheetParts[s].name = xlx::Utf8ToUtf16(sheets[s].name);
    xlx::MyWorksheet& sheet = wb->sheets[s];
    std::u16string name = xlx::Utf8ToUtf16(sheets[s].name);
    std::copy(name.begin(), name.begin() + std::min<size_t>(name.size(), 255), sheet.sheetName);
    sheet.sheetIndex = sheet.workbookIndex = int32_t(s);
    std::vector<xlx::CellRecord> cells;
    for (const BookCell& in : sheets[s].cells) {
      xlx::RefEnd end;
      if (!xlx::ParseCellReference(xlx::Utf8ToUtf16(in.ref), &end)) continue;
      xlx::CellRecord cell;
      cell.row = end.row;
      cell.column = uint16_t(end.col);
      const bool formula = !in.content.empty() && in.content[0] == '=';
      SetValue(&sheet, formula ? in.cached : in.content, &cell);
      if (formula) {
        void* block = sheet.arena.Allocate(sizeof(xlx::CellFormula));
        auto* f = new (block) xlx::CellFormula();
        std::u16string text = xlx::Utf8ToUtf16(in.content.substr(1));
        f->text = sheet.arena.CopyUtf16(text.c_str(), text.size());
        f->sharedIndex = in.sharedIndex;
        f->kind = in.array ? xlx::kFormulaArray : in.sharedIndex >= 0 ? xlx::kFormulaShared : xlx::kFormulaNormal;
        f->bCalcAlways = in.calcAlways;
        if (in.array) {
          std::u16string ref = xlx::Utf8ToUtf16(in.arrayRef);
          f->ref = sheet.arena.CopyUtf16(ref.c_str(), ref.size());
        }
        if (xlx::SetCellFormula(&sheet.arena, &cell, f) != XLX_OK) continue;
        cell.flags |= xlx::kCellHasFormula;
      }
      cells.push_back(cell);
    }
    std::stable_sort(cells.begin(), cells.end(), [](const xlx::CellRecord& a, const xlx::CellRecord& b) {
      return a.row < b.row || (a.row == b.row && a.column < b.column);
    });
    for (const xlx::CellRecord& cell : cells) (void)sheet.cells.Push(cell);
    sheet.loaded = true;
  }
  for (const auto& name : names) {
    xlx::DefinedNameEntry entry;
    entry.name = xlx::Utf8ToUtf16(name.first);
    entry.formula = xlx::Utf8ToUtf16(name.second);
    wb->definedNames.push_back(entry);
  }
  return wb;
}

xlx::Workbook* BuildLinesBook(const std::string& input) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start <= input.size() && lines.size() < 24) {
    size_t end = input.find('\n', start);
    if (end == std::string::npos) end = input.size();
    lines.push_back(input.substr(start, end - start));
    start = end + 1;
  }
  BookSheet first{"S1", {}}, second{"Other Sheet", {}};
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string row = std::to_string(i + 1);
    first.cells.push_back({"A" + row, lines[i], i % 3 ? "1" : "", -1, i % 2 == 0});
    first.cells.push_back({"B" + row, i == 0 ? lines[0] : "=", "2", 0});
    second.cells.push_back({"C" + row, std::to_string(i * 7 % 5)});
  }
  std::string name = lines.empty() ? "" : lines[0];
  if (!name.empty() && name[0] == '=') name.erase(0, 1);
  xlx::Workbook* wb = BuildBook({first, second}, {{"N", name}, {"Loop", "Loop+1"}});
  // Table T over the numbers of "Other Sheet", for structured references with and without a sheet.
  if (wb && wb->sheetCount > 1) {
    xlx::TableBase table;
    table.name = u"T";
    table.range = {1, int32_t(lines.size()), 3, 3};
    table.columns.push_back({1, u"C"});
    wb->sheets[1].tables.items.push_back(table);
    if (xlx::IndexSheetTables(&wb->sheets[1].tables) == XLX_OK) wb->tableIndex.byName[xlx::TableNameKey(u"T")] = {1, 0};
  }
  return wb;
}

std::string ShowValue(const xlx::ExcelValue& v) {
  switch (v.type) {
    case xlx::kValueNumber: return xlx::Utf16ToUtf8(xlx::NumberToText(xlx::RoundTo15Digits(v.dVal)));
    case xlx::kValueString: return "'" + xlx::Utf16ToUtf8(v.strVal) + "'";
    case xlx::kValueBoolean: return v.bVal ? "TRUE" : "FALSE";
    case xlx::kValueError: return xlx::Utf16ToUtf8(v.strVal);
    default: return "?";
  }
}

std::vector<std::string> ShowCells(const xlx::Workbook& wb, int32_t sheet, const std::string& refs) {
  std::vector<std::string> shown;
  for (size_t start = 0, end; start < refs.size(); start = end + 1) {
    end = std::min(refs.find(' ', start), refs.size());
    xlx::CellRef at;
    const xlx::CellRecord* cell = nullptr;
    if (xlx::ParseCellRef(std::string_view(refs).substr(start, end - start), &at))
      cell = xlx::FindCell(wb.sheets[sheet], at.row, at.column);
    shown.push_back(cell ? ShowValue(xlx::ValueOfStoredCell(wb, *cell)) : "none");
  }
  return shown;
}

}  // namespace xlxtest
