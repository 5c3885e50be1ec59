// The printed pages of a sheet as layout leaves them for drawing: each page is a paper of its own
// size with up to two column spans and two row spans (the repeated print titles and the body)
// placed on it, the headings' place, and the numbers its header and footer show.
#pragma once
#include <cstdint>
#include <vector>

namespace xlx {

// A run of whole or cut rows (columns) of the scaled sheet and where it lands on the paper.
struct PrintSpan {
  double src = 0;   // offset in the scaled sheet, px
  double size = 0;  // px
  double dst = 0;   // offset on the paper, px
  int32_t first = 0, last = 0;  // 1-based rows (columns) it shows, partly or wholly
};

struct PrintedPage {
  int32_t paperWidth = 0, paperHeight = 0;  // px
  PrintSpan cols[2], rows[2];               // titles first when repeated, then the body
  int32_t colSpans = 0, rowSpans = 0;
  double headingLeft = 0, headingTop = 0;   // paper px of the row-number column and letter row
  double headingWidth = 0, headingHeight = 0;  // 0 without headings
  int32_t pageNumber = 1;                   // what &P prints
  int32_t indexInSheet = 0;                 // 0-based
  // A notes page (no cells): notes [notesFirst, notesFirst + notesCount) of the sheet in the
  // printable area at (notesLeft, notesTop), notesWidth x notesHeight px.
  int32_t notesFirst = 0, notesCount = 0;
  double notesLeft = 0, notesTop = 0, notesWidth = 0, notesHeight = 0;
};

// What printed-page layout keeps of one sheet beside its pages.
struct PrintedSheet {
  std::vector<PrintedPage> pages;
  double paperWidthIn = 8.5, paperHeightIn = 11.0;  // after orientation
  double scale = 1.0;                                // the print scale applied to the grid
  int32_t totalPages = 0;                            // what &N prints, set when pages are numbered
};

}  // namespace xlx
