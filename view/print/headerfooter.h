// Header and footer texts: the codes of a headerFooter text (&L &C &R sections, &P &N &D &T &F &Z
// &A fields, &"Font,Style", &nn sizes, &K colours, &B &I &U &E &S &X &Y styles, &&) turned into
// lines of styled runs for each of the three sections.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "model/workbook.h"

namespace xlx {

struct HeaderFooterRun {
  std::u16string text;
  char16_t face[32] = {};
  double sizePt = 11;
  bool bold = false, italic = false, underline = false, doubleUnderline = false, strikeOut = false;
  bool superscript = false, subscript = false;
  CellColor color = 0xFF000000;  // black
};

struct HeaderFooterLine {
  std::vector<HeaderFooterRun> runs;
};

// Lines of the left, centre and right sections; a section without text has no lines.
struct HeaderFooterText {
  std::vector<HeaderFooterLine> sections[3];
};

// What the field codes print.
struct HeaderFooterFields {
  int32_t page = 1;             // &P
  int32_t pages = 1;            // &N
  std::u16string date, time;    // &D, &T
  std::u16string fileName;      // &F
  std::u16string filePath;      // &Z: the folder of the file, with its final separator
  std::u16string sheetName;     // &A
};

// The default font of the texts: face (at most 31 units) and size in points.
struct HeaderFooterFont {
  const char16_t* face = u"Calibri";
  double sizePt = 11;
};

// Parses one header or footer text. `workbook` resolves theme colours of &K (may be null: black).
// Sizes are kept within 1 to 409 points; the text is bounded by its input.
HeaderFooterText ParseHeaderFooter(const std::u16string& code, const HeaderFooterFields& fields,
                                   const HeaderFooterFont& font, const Workbook* workbook);

// The header or footer text for a page: the first page's when differentFirst, the even pages'
// when differentOddEven and the page number is even, else the odd one. `footer` picks the footer.
const std::u16string& PickHeaderFooter(const HeaderFooterSetup& setup, bool footer, bool firstPage, int32_t pageNumber);

}  // namespace xlx
