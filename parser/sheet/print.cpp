// The print setup of a worksheet: pageSetup, pageSetUpPr, pageMargins, printOptions, rowBreaks,
// colBreaks and headerFooter, and the print areas and print titles of the workbook's names.
#include <algorithm>
#include <cstring>

#include "common/cellref.h"
#include "common/limits.h"
#include "parser/xlsxprsr.h"
#include "parser/xml/escapes.h"
#include "parser/xml/dom.h"

namespace xlx {
namespace {

constexpr int32_t kRows = static_cast<int32_t>(kMaxRows);
constexpr int32_t kColumns = static_cast<int32_t>(kMaxColumns);
constexpr size_t kMaxBreaks = 1026;       // the application keeps at most this many of each kind
constexpr double kMaxMarginInches = 100;  // larger margins leave no page; they are cut here
constexpr size_t kMaxPrintAreas = 1024;

int32_t ClampInt(int32_t v, int32_t low, int32_t high) { return v < low ? low : v > high ? high : v; }

void ReadMargin(pugi::xml_node margins, const char* name, double* out) {
  double v = 0;
  if (ReadDouble(margins.attribute(name), &v)) *out = v < 0 ? 0 : v > kMaxMarginInches ? kMaxMarginInches : v;
}

int32_t Keyword(const char* text, const char* const* words, int32_t count, int32_t fallback) {
  for (int32_t i = 0; i < count; ++i)
    if (strcmp(text, words[i]) == 0) return i;
  return fallback;
}

void ReadPageSetupElement(pugi::xml_node page, PrintSetup* p) {
  if (ReadInt(page.attribute("paperSize"), &p->paperSize) && p->paperSize < 0) p->paperSize = 0;
  static const char* const kOrientations[] = {"default", "portrait", "landscape"};
  p->orientation = Keyword(page.attribute("orientation").value(), kOrientations, 3, kOrientationDefault);
  p->hasScale = ReadInt(page.attribute("scale"), &p->scale);
  if (ReadInt(page.attribute("fitToWidth"), &p->fitToWidth)) p->fitToWidth = ClampInt(p->fitToWidth, 0, 32767);
  if (ReadInt(page.attribute("fitToHeight"), &p->fitToHeight)) p->fitToHeight = ClampInt(p->fitToHeight, 0, 32767);
  p->overThenDown = strcmp(page.attribute("pageOrder").value(), "overThenDown") == 0;
  ReadInt(page.attribute("firstPageNumber"), &p->firstPageNumber);
  p->useFirstPageNumber = ReadBool(page.attribute("useFirstPageNumber"));
  p->blackAndWhite = ReadBool(page.attribute("blackAndWhite"));
  p->draft = ReadBool(page.attribute("draft"));
  static const char* const kErrors[] = {"displayed", "blank", "dash", "NA"};
  p->errors = Keyword(page.attribute("errors").value(), kErrors, 4, kPrintErrorsDisplayed);
  static const char* const kComments[] = {"none", "asDisplayed", "atEnd"};
  p->cellComments = Keyword(page.attribute("cellComments").value(), kComments, 3, kPrintCommentsNone);
}

// The `id` of every `brk` (the last row or column before the break) within 1..limit, sorted.
void ReadBreaks(pugi::xml_node list, int32_t limit, std::vector<int32_t>* out) {
  out->clear();
  for (pugi::xml_node b = Child(list, "brk"); b && out->size() < kMaxBreaks; b = NextNamed(b, "brk")) {
    int32_t id = 0;
    if (ReadInt(b.attribute("id"), &id) && id >= 1 && id < limit) out->push_back(id);
  }
  std::sort(out->begin(), out->end());
  out->erase(std::unique(out->begin(), out->end()), out->end());
}

void ReadHeaderFooter(pugi::xml_node hf, HeaderFooterSetup* h) {
  h->differentOddEven = ReadBool(hf.attribute("differentOddEven"));
  h->differentFirst = ReadBool(hf.attribute("differentFirst"));
  if (hf.attribute("scaleWithDoc")) h->scaleWithDoc = ReadBool(hf.attribute("scaleWithDoc"));
  if (hf.attribute("alignWithMargins")) h->alignWithMargins = ReadBool(hf.attribute("alignWithMargins"));
  h->oddHeader = ToUtf16(ElementText(Child(hf, "oddHeader")));
  DecodeEscapes(&h->oddHeader);
  h->oddFooter = ToUtf16(ElementText(Child(hf, "oddFooter")));
  DecodeEscapes(&h->oddFooter);
  h->evenHeader = ToUtf16(ElementText(Child(hf, "evenHeader")));
  DecodeEscapes(&h->evenHeader);
  h->evenFooter = ToUtf16(ElementText(Child(hf, "evenFooter")));
  DecodeEscapes(&h->evenFooter);
  h->firstHeader = ToUtf16(ElementText(Child(hf, "firstHeader")));
  DecodeEscapes(&h->firstHeader);
  h->firstFooter = ToUtf16(ElementText(Child(hf, "firstFooter")));
  DecodeEscapes(&h->firstFooter);
}

}  // namespace

void ParsePrintRanges(const char16_t* text, const char16_t* sheetName, std::vector<PrintCellRange>* ranges) {
  ranges->clear();
  if (!text) return;
  std::u16string_view rest(text);
  while (!rest.empty() && ranges->size() < kMaxPrintAreas) {
    if (rest.front() == u' ') {  // a union written with spaces after its commas
      rest.remove_prefix(1);
      continue;
    }
    const std::u16string_view area = FirstArea(rest);
    rest = area.size() < rest.size() ? rest.substr(area.size() + 1) : std::u16string_view();
    std::u16string name;
    std::u16string_view reference;
    CellRange range;
    if (!SplitSheetName(area, &name, &reference) || !ParseCellRange(reference, &range)) continue;
    if (!name.empty() && sheetName && name != sheetName) continue;  // an area of another sheet
    ranges->push_back(PrintCellRange{range.first.row, range.last.row, range.first.column, range.last.column});
  }
}

void ReadPrintRangesOfSheet(const Workbook& workbook, MyWorksheet* sheet) {
  PrintSetup& p = sheet->print;
  ParsePrintRanges(GetPrintArea(&workbook, sheet->workbookIndex), sheet->sheetName, &p.printAreas);
  std::vector<PrintCellRange> titles;
  ParsePrintRanges(GetPrintTitles(&workbook, sheet->workbookIndex), sheet->sheetName, &titles);
  for (const PrintCellRange& t : titles) {
    const bool wholeRows = t.ColFirst == 1 && t.ColLast == kColumns;
    const bool wholeColumns = t.RowFirst == 1 && t.RowLast == kRows;
    if (wholeRows && !wholeColumns && p.titleRowFirst == 0) p.titleRowFirst = t.RowFirst, p.titleRowLast = t.RowLast;
    else if (wholeColumns && !wholeRows && p.titleColFirst == 0) p.titleColFirst = t.ColFirst, p.titleColLast = t.ColLast;
  }
}

void ReadPrintSetup(const Workbook& workbook, MyWorksheet* sheet, pugi::xml_node worksheet) {
  PrintSetup& p = sheet->print;
  p = PrintSetup{};
  ReadPageSetupElement(Child(worksheet, "pageSetup"), &p);
  p.fitToPage = ReadBool(Child(Child(worksheet, "sheetPr"), "pageSetUpPr").attribute("fitToPage"));
  pugi::xml_node margins = Child(worksheet, "pageMargins");
  ReadMargin(margins, "left", &p.marginLeft);
  ReadMargin(margins, "right", &p.marginRight);
  ReadMargin(margins, "top", &p.marginTop);
  ReadMargin(margins, "bottom", &p.marginBottom);
  ReadMargin(margins, "header", &p.marginHeader);
  ReadMargin(margins, "footer", &p.marginFooter);
  pugi::xml_node options = Child(worksheet, "printOptions");
  p.gridLines = ReadBool(options.attribute("gridLines"));
  p.headings = ReadBool(options.attribute("headings"));
  p.horizontalCentered = ReadBool(options.attribute("horizontalCentered"));
  p.verticalCentered = ReadBool(options.attribute("verticalCentered"));
  ReadBreaks(Child(worksheet, "rowBreaks"), kRows, &p.rowBreaks);
  ReadBreaks(Child(worksheet, "colBreaks"), kColumns, &p.colBreaks);
  ReadHeaderFooter(Child(worksheet, "headerFooter"), &p.headerFooter);
  ReadPrintRangesOfSheet(workbook, sheet);
}

}  // namespace xlx
