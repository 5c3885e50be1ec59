// Colours and differential formats of binary parts, shared by the styles reader and the sheet
// reader (tab colours, conditional formats).
#pragma once
#include <cstdint>

#include "model/workbook.h"
#include "parser/xlsb/xlsbrecords.h"

namespace xlx {

// A colour as binary parts store it (8 bytes): its kind (0 automatic, 1 indexed, 2 red-green-blue,
// 3 theme), the palette or theme index, a tint of -1..1 and the colour bytes.
struct BinaryColor {
  uint8_t kind = 0;
  uint8_t index = 0;
  double tint = 0;
  uint8_t red = 0, green = 0, blue = 0;
};

// Reads the 8 bytes of a colour at the cursor (the cursor fails when they are not there).
BinaryColor ReadBinaryColor(RecordCursor* cursor);
// The colour as the model keeps it, tint applied; an automatic colour gives the window-text colour.
CellColor ResolveBinaryColor(const Workbook& workbook, const BinaryColor& color);

// The hatch of a fill pattern in the binary numbering (2 mediumGray ... 18 gray0625), as the XML
// reader maps the same pattern names; -1 for none, solid and unknown patterns.
int32_t BinaryHatch(uint32_t pattern);

// A differential-format record (its list of typed properties) into a Dxf with its presence mask.
// 1; -9 when a property's size runs past the record.
[[nodiscard]] int32_t ReadBinaryDxf(const Workbook& workbook, const RecordEntry& record, Dxf* dxf);
// An extension differential format (a reserved word, then the fields of a differential format)
// appended to workbook->binaryTables.extensionDxfs, at most kMaxStyleListCount of them; a broken
// one is kept empty so that the later ones keep their indices. 1 or -1.
[[nodiscard]] int32_t ReadBinaryExtensionDxf(Workbook* workbook, const RecordEntry& record);

// The custom table styles of a styles part's records into styles->tableStyles, their elements'
// differential formats checked against styles->dxfs (read first). Unknown kinds are skipped, band
// sizes clamped to 1..9; a style without a name or past 4096 styles is left out.
void ReadBinaryTableStyles(Stylesheet* styles, const RecordList& records);

}  // namespace xlx
