// The print setup of a worksheet: pageSetup, pageSetUpPr, pageMargins, printOptions, rowBreaks,
// colBreaks and headerFooter, and the print areas and print titles of the workbook's names.
#include <algorithm>
#include <cstring>

#include "parser/xlsxprsr.h"
#include "parser/xlsxprsrxml.h"

namespace xlx {
namespace {

constexpr int32_t kMaxRows = 1048576;
constexpr int32_t kMaxColumns = 16384;
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
  h->oddFooter = ToUtf16(ElementText(Child(hf, "oddFooter")));
  h->evenHeader = ToUtf16(ElementText(Child(hf, "evenHeader")));
  h->evenFooter = ToUtf16(ElementText(Child(hf, "evenFooter")));
  h->firstHeader = ToUtf16(ElementText(Child(hf, "firstHeader")));
  h->firstFooter = ToUtf16(ElementText(Child(hf, "firstFooter")));
}

// A column's letters or a row's digits, each with an optional '$'; 0 when malformed.
int32_t ReadColumnPart(const char16_t** p) {
  if (**p == u'$') ++*p;
  int32_t col = 0, letters = 0;
  for (; letters < 4; ++*p, ++letters) {
    char16_t c = **p;
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
    if (c < u'A' || c > u'Z') break;
    col = col * 26 + (c - u'A' + 1);
  }
  return letters == 0 || col > kMaxColumns ? 0 : col;
}

int32_t ReadRowPart(const char16_t** p) {
  if (**p == u'$') ++*p;
  int64_t row = 0;
  int32_t digits = 0;
  for (; **p >= u'0' && **p <= u'9' && digits < 8; ++*p, ++digits) row = row * 10 + (**p - u'0');
  return digits == 0 || row > kMaxRows ? 0 : static_cast<int32_t>(row);
}

// One end of an area: a cell, a whole column (no row) or a whole row (no column).
bool ReadAreaEnd(const char16_t** p, int32_t* row, int32_t* col) {
  const char16_t* start = *p;
  *col = ReadColumnPart(p);
  if (*col == 0) *p = start;
  const char16_t* beforeRow = *p;
  *row = ReadRowPart(p);
  if (*row == 0) *p = beforeRow;
  return *row != 0 || *col != 0;
}

// One area text (no sheet prefix) into a range; whole rows or columns span the sheet.
bool ParseArea(const std::u16string& text, PrintCellRange* out) {
  const char16_t* p = text.c_str();
  int32_t r1, c1, r2, c2;
  if (!ReadAreaEnd(&p, &r1, &c1)) return false;
  if (*p == u':') {
    ++p;
    if (!ReadAreaEnd(&p, &r2, &c2)) return false;
  } else {
    r2 = r1, c2 = c1;
  }
  if (*p || (r1 == 0) != (r2 == 0) || (c1 == 0) != (c2 == 0)) return false;
  if (r1 == 0) r1 = 1, r2 = kMaxRows;
  if (c1 == 0) c1 = 1, c2 = kMaxColumns;
  *out = PrintCellRange{std::min(r1, r2), std::max(r1, r2), std::min(c1, c2), std::max(c1, c2)};
  return true;
}

}  // namespace

void ParsePrintRanges(const char16_t* text, const char16_t* sheetName, std::vector<PrintCellRange>* ranges) {
  ranges->clear();
  if (!text) return;
  const char16_t* p = text;
  while (*p && ranges->size() < kMaxPrintAreas) {
    std::u16string name, area;
    bool hasName = false;
    if (*p == u'\'') {  // 'It''s'!A1:B2
      for (++p; *p; ++p) {
        if (*p == u'\'' && p[1] == u'\'') name += u'\'', ++p;
        else if (*p == u'\'') break;
        else name += *p;
      }
      if (*p == u'\'') ++p;
      if (*p != u'!') return;
      ++p;
      hasName = true;
    }
    for (; *p && *p != u','; ++p) {
      if (*p == u'!' && !hasName) {
        name = area;
        area.clear();
        hasName = true;
      } else {
        area += *p;
      }
    }
    if (*p == u',') ++p;
    PrintCellRange range;
    const bool sameSheet = !hasName || !sheetName || name == sheetName;
    if (sameSheet && ParseArea(area, &range)) ranges->push_back(range);
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
  ReadBreaks(Child(worksheet, "rowBreaks"), kMaxRows, &p.rowBreaks);
  ReadBreaks(Child(worksheet, "colBreaks"), kMaxColumns, &p.colBreaks);
  ReadHeaderFooter(Child(worksheet, "headerFooter"), &p.headerFooter);
  ParsePrintRanges(GetPrintArea(&workbook, sheet->workbookIndex), sheet->sheetName, &p.printAreas);
  std::vector<PrintCellRange> titles;
  ParsePrintRanges(GetPrintTitles(&workbook, sheet->workbookIndex), sheet->sheetName, &titles);
  for (const PrintCellRange& t : titles) {
    const bool wholeRows = t.ColFirst == 1 && t.ColLast == kMaxColumns;
    const bool wholeColumns = t.RowFirst == 1 && t.RowLast == kMaxRows;
    if (wholeRows && !wholeColumns && p.titleRowFirst == 0) p.titleRowFirst = t.RowFirst, p.titleRowLast = t.RowLast;
    else if (wholeColumns && !wholeRows && p.titleColFirst == 0) p.titleColFirst = t.ColFirst, p.titleColLast = t.ColLast;
  }
}

}  // namespace xlx
