// Finding the hidden sheets that shown sheets refer to, and loading them as data sheets.
#include "filter/hiddensheets.h"

#include <vector>

#include "chart/model.h"
#include "common/resultcodes.h"
#include "parser/xlsxprsr.h"

namespace xlx {

namespace {

char16_t Fold(char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - u'a' + u'A') : c; }

bool EqualsFoldedAt(std::u16string_view text, size_t at, std::u16string_view word) {
  if (at + word.size() > text.size()) return false;
  for (size_t i = 0; i < word.size(); ++i)
    if (Fold(text[at + i]) != Fold(word[i])) return false;
  return true;
}

// A character that can end a name before a sheet reference: not part of a longer name.
bool EndsName(char16_t c) {
  return !((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_' ||
           c == u'.' || c >= 0x80);
}

// Sheets not shown that have a part, by entry index; false once all are loaded or ruled out.
struct Candidates {
  std::vector<int32_t> entries;
  std::vector<bool> done;
};

// Scans one formula text against the candidates; marks those it names as wanted.
void Scan(const Workbook& workbook, std::u16string_view text, const Candidates& c, std::vector<bool>* wanted) {
  if (text.empty()) return;
  for (size_t k = 0; k < c.entries.size(); ++k)
    if (!c.done[k] && !(*wanted)[k] && FormulaNamesSheet(text, workbook.sheetParts[c.entries[k]].name))
      (*wanted)[k] = true;
}

void ScanSheet(const Workbook& workbook, const MyWorksheet& sheet, const Candidates& c, std::vector<bool>* wanted) {
  for (const CellRecord& cell : sheet.cells)
    if ((cell.flags & kCellHasFormula) && cell.formula && cell.formula->text) Scan(workbook, cell.formula->text, c, wanted);
  for (const SparklineGroup& g : sheet.sparklineGroups)
    for (const Sparkline& line : g.sparklines) Scan(workbook, line.formula, c, wanted);
  for (const DrawingObject& o : sheet.drawing.objects) {
    if (!o.chart) continue;
    for (const ChartSeries& s : o.chart->series) {
      Scan(workbook, s.nameFormula, c, wanted);
      for (const ChartData* d : {&s.values, &s.categories, &s.bubbleSizes}) Scan(workbook, d->formula, c, wanted);
    }
  }
}

}  // namespace

bool FormulaNamesSheet(std::u16string_view text, const std::u16string& name) {
  if (name.empty()) return false;
  std::u16string quoted = u"'";
  for (char16_t ch : name) quoted += ch == u'\'' ? u"''" : std::u16string(1, ch);
  quoted += u"'!";
  const std::u16string plain = name + u"!";
  for (size_t at = 0; at < text.size(); ++at) {
    if (text[at] == u'\'' && EqualsFoldedAt(text, at, quoted)) return true;
    if ((at == 0 || EndsName(text[at - 1])) && text[at] != u'\'' && EqualsFoldedAt(text, at, plain)) return true;
  }
  return false;
}

int32_t LoadReferencedHiddenSheets(Workbook* workbook) {
  if (!workbook) return XLX_ERR_ARGUMENT;
  Candidates c;
  for (int32_t i = 0; i < workbook->sheetParts.Count(); ++i) {
    const SheetEntry& entry = workbook->sheetParts[i];
    if (!entry.relationshipId.empty() && entry.state != kSheetVisible && !workbook->includeHidden) c.entries.push_back(i);
  }
  if (c.entries.empty()) return XLX_OK;
  c.done.assign(c.entries.size(), false);
  std::vector<bool> wanted(c.entries.size(), false);
  for (const DefinedNameEntry& name : workbook->definedNames) Scan(*workbook, name.formula, c, &wanted);
  for (int32_t s = 0; s < workbook->sheetCount; ++s) ScanSheet(*workbook, workbook->sheets[s], c, &wanted);
  // Each pass loads what the last one found wanted; a loaded sheet's own formulas may want more.
  for (bool more = true; more;) {
    more = false;
    for (size_t k = 0; k < c.entries.size(); ++k) {
      if (!wanted[k] || c.done[k]) continue;
      c.done[k] = true;
      const int32_t before = workbook->dataSheetCount;
      const int32_t rc = LoadDataSheet(workbook, c.entries[k]);
      if (rc == XLX_ERR_MEMORY) return rc;
      if (rc != XLX_OK || workbook->dataSheetCount == before) continue;
      ScanSheet(*workbook, workbook->sheets[workbook->sheetCount + before], c, &wanted);
      more = true;
    }
  }
  return XLX_OK;
}

}  // namespace xlx
