// The printing records of a binary worksheet: sheet properties (fit to page), page setup,
// margins, print options, header/footer, and the row and column break lists.
#include <algorithm>
#include <cmath>

#include "common/limits.h"
#include "parser/xlsb/xlsbreader.h"
#include "parser/xlsxprsr.h"

namespace xlx {

namespace {

constexpr size_t kMaxBreaks = 1026;       // the application keeps at most this many of each kind
constexpr double kMaxMarginInches = 100;  // larger margins leave no page; they are cut here
constexpr uint32_t kSheetFitToPage = 0x100;

// Page setup flags.
constexpr uint16_t kPageOverThenDown = 0x0001;
constexpr uint16_t kPageLandscape = 0x0002;
constexpr uint16_t kPageNoColor = 0x0008;
constexpr uint16_t kPageDraft = 0x0010;
constexpr uint16_t kPageNotes = 0x0020;
constexpr uint16_t kPageNoOrientation = 0x0040;
constexpr uint16_t kPageUseFirstNumber = 0x0080;
constexpr uint16_t kPageNotesAtEnd = 0x0200;
constexpr int kPageErrorsShift = 10;

// Print option flags.
constexpr uint16_t kPrintHCenter = 0x01;
constexpr uint16_t kPrintVCenter = 0x02;
constexpr uint16_t kPrintHeadings = 0x04;
constexpr uint16_t kPrintGrid = 0x08;

// Header/footer flags.
constexpr uint16_t kHfOddEven = 0x01;
constexpr uint16_t kHfFirst = 0x02;
constexpr uint16_t kHfScale = 0x04;
constexpr uint16_t kHfAlign = 0x08;

int32_t ClampCount(uint32_t v, int32_t high) { return v > uint32_t(high) ? high : int32_t(v); }

void ReadPageSetup(const RecordEntry& record, PrintSetup* p) {
  RecordCursor cursor(record);
  uint32_t paper = cursor.U32(), scale = cursor.U32();
  cursor.Skip(3 * 4);  // horizontal and vertical resolution, copies
  int32_t firstPage = cursor.I32();
  uint32_t fitWidth = cursor.U32(), fitHeight = cursor.U32();
  uint16_t flags = cursor.U16();
  if (!cursor.Ok()) return;
  p->paperSize = paper > INT32_MAX ? 0 : int32_t(paper);
  // The scale is always stored; 100 is what the XML form leaves out.
  p->scale = ClampCount(scale, INT32_MAX);
  p->hasScale = scale != 100;
  p->fitToWidth = ClampCount(fitWidth, 32767);
  p->fitToHeight = ClampCount(fitHeight, 32767);
  p->firstPageNumber = firstPage;
  p->useFirstPageNumber = (flags & kPageUseFirstNumber) != 0;
  p->overThenDown = (flags & kPageOverThenDown) != 0;
  p->orientation = (flags & kPageNoOrientation) ? kOrientationDefault
                   : (flags & kPageLandscape)   ? kOrientationLandscape
                                                : kOrientationPortrait;
  p->blackAndWhite = (flags & kPageNoColor) != 0;
  p->draft = (flags & kPageDraft) != 0;
  p->errors = (flags >> kPageErrorsShift) & 3;
  p->cellComments = !(flags & kPageNotes)       ? kPrintCommentsNone
                    : (flags & kPageNotesAtEnd) ? kPrintCommentsAtEnd
                                                : kPrintCommentsAsDisplayed;
}

void ReadMargins(const RecordEntry& record, PrintSetup* p) {
  RecordCursor cursor(record);
  double v[6];
  for (double& m : v) m = cursor.F64();
  if (!cursor.Ok()) return;
  double* out[6] = {&p->marginLeft, &p->marginRight, &p->marginTop, &p->marginBottom, &p->marginHeader, &p->marginFooter};
  for (int i = 0; i < 6; ++i)
    if (std::isfinite(v[i])) *out[i] = v[i] < 0 ? 0 : v[i] > kMaxMarginInches ? kMaxMarginInches : v[i];
}

void ReadPrintOptions(const RecordEntry& record, PrintSetup* p) {
  RecordCursor cursor(record);
  uint16_t flags = cursor.U16();
  if (!cursor.Ok()) return;
  p->horizontalCentered = (flags & kPrintHCenter) != 0;
  p->verticalCentered = (flags & kPrintVCenter) != 0;
  p->headings = (flags & kPrintHeadings) != 0;
  p->gridLines = (flags & kPrintGrid) != 0;
}

// The flags and the six texts (odd, even, first; header before footer). A text cut off leaves
// it and the ones after it empty.
void ReadHeaderFooter(const RecordEntry& record, HeaderFooterSetup* h) {
  RecordCursor cursor(record);
  uint16_t flags = cursor.U16();
  if (!cursor.Ok()) return;
  h->differentOddEven = (flags & kHfOddEven) != 0;
  h->differentFirst = (flags & kHfFirst) != 0;
  h->scaleWithDoc = (flags & kHfScale) != 0;
  h->alignWithMargins = (flags & kHfAlign) != 0;
  std::u16string* texts[6] = {&h->oddHeader, &h->oddFooter, &h->evenHeader, &h->evenFooter, &h->firstHeader, &h->firstFooter};
  for (std::u16string* text : texts) {
    std::u16string s = cursor.WideString();
    if (!cursor.Ok()) return;
    *text = std::move(s);
  }
}

// A break: the first row (column) after it, 0-based, which is the 1-based last one before it.
void ReadBreak(const RecordEntry& record, int32_t limit, std::vector<int32_t>* out) {
  RecordCursor cursor(record);
  uint32_t id = cursor.U32();
  if (!cursor.Ok() || out->size() >= kMaxBreaks || id < 1 || id >= uint32_t(limit)) return;
  out->push_back(int32_t(id));
}

void SortBreaks(std::vector<int32_t>* breaks) {
  std::sort(breaks->begin(), breaks->end());
  breaks->erase(std::unique(breaks->begin(), breaks->end()), breaks->end());
}

}  // namespace

void ReadBinaryPrintSetup(const Workbook& workbook, MyWorksheet* sheet, const RecordList& records) {
  PrintSetup& p = sheet->print;
  p = PrintSetup{};
  std::vector<int32_t>* breaks = nullptr;  // the list a break record belongs to
  int32_t limit = 0;
  for (const RecordEntry& record : records) {
    const uint32_t t = record.type;
    if (t == brt::kWsProp) {
      RecordCursor cursor(record);
      uint16_t flags = cursor.U16();
      p.fitToPage = cursor.Ok() && (flags & kSheetFitToPage) != 0;
    } else if (t == brt::kPageSetup) {
      ReadPageSetup(record, &p);
    } else if (t == brt::kMargins) {
      ReadMargins(record, &p);
    } else if (t == brt::kPrintOptions) {
      ReadPrintOptions(record, &p);
    } else if (t == brt::kBeginHeaderFooter) {
      ReadHeaderFooter(record, &p.headerFooter);
    } else if (t == brt::kBeginRwBrk) {
      breaks = &p.rowBreaks, limit = int32_t(kMaxRows);
    } else if (t == brt::kBeginColBrk) {
      breaks = &p.colBreaks, limit = int32_t(kMaxColumns);
    } else if (t == brt::kEndRwBrk || t == brt::kEndColBrk) {
      breaks = nullptr;
    } else if (t == brt::kBrk && breaks) {
      ReadBreak(record, limit, breaks);
    }
  }
  SortBreaks(&p.rowBreaks);
  SortBreaks(&p.colBreaks);
  ReadPrintRangesOfSheet(workbook, sheet);
}

}  // namespace xlx
