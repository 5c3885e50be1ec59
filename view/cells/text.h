// The text a cell shows, and where it goes inside the cell.
#pragma once
#include <cstdint>
#include <string>

#include "model/workbook.h"
#include "values/format/numformat.h"
#include "view/cells/fonts.h"

namespace xlx {

enum TextValueKind : int32_t { kTextString = 0, kTextNumber = 1, kTextBoolOrError = 2 };

struct CellText {
  std::u16string text;              // the display text
  const RichString* rich = nullptr; // rich text with runs of their own fonts, or null
  uint32_t formatColor = kFormatColorAuto;  // colour asked for by the number format, or automatic
  int32_t kind = kTextString;       // TextValueKind, for general alignment
  int32_t formatType = 0;           // CellFormatType of a formatted number
  bool rightToLeft = false;         // holds an Arabic letter
};

// Builds the display text of a cell: numbers and dates through their format code fitted to
// `cellWidth` px in `font`, shared and inline strings (keeping rich runs), booleans, errors.
// False when the cell shows nothing. `formatCode`, when given, replaces the cell's number format.
bool BuildCellText(const Workbook& workbook, const MyWorksheet& sheet, const CellRecord& cell, double cellWidth,
                   FontCache& fonts, const CachedDrawFont& font, CellText* out, const char16_t* formatCode = nullptr);

// Horizontal placement of one line: the x of its left end in world pixels.
struct TextBox {
  double innerLeft = 0, innerWidth = 0;  // the cell less its insets
  double indent = 0;                     // px
};
// The inner box of a cell at [left, left + width): insets of width("00") / 8 on both sides.
TextBox InnerBox(double left, double width, const CachedDrawFont& font, int32_t indentSteps);
// x of a line of `lineWidth` px for an alignment code (kHAlign...), resolved for general cells.
double LineStart(const TextBox& box, int32_t horizontal, double lineWidth);
// The alignment used for a cell: the xf's own, or by value kind when it gives none. Positions are
// those of the sheet drawn left to right; a right-to-left sheet's page reflects them, so there
// "left" lands at the cell's right. General text sits where its reading order starts: in a
// left-to-right sheet at the left, or at the right for a font of a right-to-left character set;
// in a right-to-left sheet at the right, or at the left when the cell reads left to right.
int32_t EffectiveHorizontal(const CellXf& xf, const CellText& text, uint8_t charSet, bool binaryWorkbook,
                            bool sheetRightToLeft);
// Top of the text block of `textHeight` px in a cell, for a vertical code (kVAlign...).
double BlockTop(double top, double height, double textHeight, int32_t vertical, bool multiLine, bool binaryWorkbook);

}  // namespace xlx
