// A small writer of binary workbook records, for tests, fuzz seeds and the benchmark: payloads are
// built field by field, records framed with the variable-length type and size, and a package made
// of a binary workbook part, a styles part, an optional shared-string part and the sheet parts.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/zipbuilder.h"

namespace xlxtest {

// Little-endian fields of one record payload.
class Payload {
 public:
  Payload& U8(uint8_t v);
  Payload& U16(uint16_t v);
  Payload& U32(uint32_t v);
  Payload& F64(double v);
  // A 32-bit unit count and the UTF-16 units of ASCII or UTF-8 text.
  Payload& Wide(const std::string& utf8);
  Payload& Raw(const std::string& bytes);
  const std::string& Bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

// Appends a record of format record number `number` (39 for a name, 412-style raw numbers are
// made from it) with the payload to `part`.
void AppendRecord(std::string* part, uint32_t number, const std::string& payload);
inline void AppendRecord(std::string* part, uint32_t number, const Payload& payload) {
  AppendRecord(part, number, payload.Bytes());
}

// Cell records of a sheet part (row and column 0-based).
std::string RowRecord(uint32_t row, uint16_t heightTwips = 300, uint16_t flags = 0, uint32_t style = 0);
std::string NumberCellRecord(uint32_t column, double value, uint32_t style = 0);
std::string SharedStringCellRecord(uint32_t column, uint32_t index, uint32_t style = 0);
// A number cell with a formula: the token bytes and extra data as stored.
std::string FormulaCellRecord(uint32_t column, double value, const std::string& tokens, const std::string& extra = "");

struct BinaryBook {
  std::vector<std::string> sheetNames;
  std::vector<std::string> sheetRecords;   // the records of each sheet's data (rows and cells)
  std::string workbookRecords;             // records after the sheet list (extern sheets, names)
  std::vector<std::string> sharedStrings;  // plain strings of the shared-string part; none: no part
  std::string styles;                      // the styles part; empty: one font, fill, border and format
};

// Records of the workbook part, the styles part and one sheet part, for tests of one reader.
std::string WorkbookPart(const BinaryBook& book);
std::string DefaultStylesPart();
std::string SheetPart(const std::string& dataRecords);

// The package's entries.
std::vector<ZipEntry> BinaryWorkbookEntries(const BinaryBook& book);

// The first sheet's comments, table and pivot table parts (each left out when empty) and the
// sheet's relationships to them; the table is named by TablePartRecord(), which the sheet holds.
std::vector<ZipEntry> SheetObjectEntries(const std::string& comments, const std::string& table, const std::string& pivot);
std::string TablePartRecord();

}  // namespace xlxtest
