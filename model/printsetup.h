// What a worksheet says about printing it: paper, orientation, scale and fit-to, page order and
// numbering, margins, print options, manual breaks, headers and footers, print areas and print
// titles. The worksheet reader fills it; printed-page layout reads it. Lengths are inches.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace xlx {

struct PrintCellRange {
  int32_t RowFirst = 0, RowLast = 0, ColFirst = 0, ColLast = 0;  // 1-based, inclusive
};

// How error values print (`pageSetup errors`).
enum PrintErrors : int32_t { kPrintErrorsDisplayed = 0, kPrintErrorsBlank = 1, kPrintErrorsDash = 2, kPrintErrorsNA = 3 };
// Where cell comments print (`pageSetup cellComments`).
enum PrintComments : int32_t { kPrintCommentsNone = 0, kPrintCommentsAsDisplayed = 1, kPrintCommentsAtEnd = 2 };
enum PrintOrientation : int32_t { kOrientationDefault = 0, kOrientationPortrait = 1, kOrientationLandscape = 2 };

// The picture a header or footer section prints for `&G`, from the sheet's `legacyDrawingHF`
// drawing: the picture part and the size the shape's style gives it.
struct HeaderFooterPicture {
  std::u16string path;               // empty: the section has no picture
  double widthPt = 0, heightPt = 0;  // points; 0 when the style gives none
};

// Slot of a section's picture: section (0 left, 1 centre, 2 right), + 3 in footers, + 6 on even
// pages, + 12 on the first page.
constexpr int32_t kHeaderFooterPictureSlots = 18;

// `headerFooter`: the six texts with their codes kept as written, and the flags.
struct HeaderFooterSetup {
  std::u16string oddHeader, oddFooter, evenHeader, evenFooter, firstHeader, firstFooter;
  bool differentOddEven = false;
  bool differentFirst = false;
  bool scaleWithDoc = true;
  bool alignWithMargins = true;
  HeaderFooterPicture pictures[kHeaderFooterPictureSlots];
};

struct PrintSetup {
  // pageSetup
  int32_t paperSize = 0;           // paper code as written; 0 when absent
  int32_t orientation = kOrientationDefault;
  int32_t scale = 100;             // percent as written; meaningful when hasScale
  bool hasScale = false;
  int32_t fitToWidth = 1;          // pages across; 0: as many as needed
  int32_t fitToHeight = 1;         // pages down; 0: as many as needed
  bool overThenDown = false;       // pageOrder="overThenDown"; down then over by default
  int32_t firstPageNumber = 1;
  bool useFirstPageNumber = false;
  bool blackAndWhite = false;
  bool draft = false;
  int32_t errors = kPrintErrorsDisplayed;
  int32_t cellComments = kPrintCommentsNone;
  bool fitToPage = false;          // sheetPr / pageSetUpPr
  // pageMargins, inches; the application's normal margins when the element is absent
  double marginLeft = 0.7, marginRight = 0.7, marginTop = 0.75, marginBottom = 0.75;
  double marginHeader = 0.3, marginFooter = 0.3;
  // printOptions
  bool gridLines = false;
  bool headings = false;
  bool horizontalCentered = false;
  bool verticalCentered = false;
  // Manual breaks: the 1-based last row (column) before each break, sorted, unique.
  std::vector<int32_t> rowBreaks;
  std::vector<int32_t> colBreaks;
  HeaderFooterSetup headerFooter;
  // _xlnm.Print_Area of this sheet, each area printed on pages of its own; empty: the used range.
  std::vector<PrintCellRange> printAreas;
  // _xlnm.Print_Titles: rows repeated at the top, columns repeated at the left; 0 when absent.
  int32_t titleRowFirst = 0, titleRowLast = 0;
  int32_t titleColFirst = 0, titleColLast = 0;
};

// The size of a paper code in inches, portrait. False for a code the table does not know.
[[nodiscard]] bool PaperSizeInches(int32_t code, double* width, double* height);

}  // namespace xlx
