#include "tests/support/xlsbwriter.h"

#include <cstring>

namespace xlxtest {

namespace {

const char* const kRelType = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";

std::string Rel(const std::string& id, const char* type, const std::string& target) {
  return "<Relationship Id=\"" + id + "\" Type=\"" + kRelType + type + "\" Target=\"" + target + "\"/>";
}

std::string Rels(const std::string& body) {
  return "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">" +
         body + "</Relationships>";
}

std::string Utf16(const std::string& utf8) {
  std::string out;
  for (size_t i = 0; i < utf8.size();) {
    uint32_t c = uint8_t(utf8[i]);
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    if (extra) c &= 0x3F >> extra;
    for (int k = 1; k <= extra && i + k < utf8.size(); ++k) c = (c << 6) | (uint8_t(utf8[i + k]) & 0x3F);
    i += 1 + extra;
    auto unit = [&out](uint32_t u) { out += char(u & 0xFF); out += char(u >> 8); };
    if (c >= 0x10000) {
      unit(0xD800 + ((c - 0x10000) >> 10));
      unit(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      unit(c);
    }
  }
  return out;
}

}  // namespace

Payload& Payload::U8(uint8_t v) { bytes_ += char(v); return *this; }
Payload& Payload::U16(uint16_t v) { return U8(uint8_t(v)).U8(uint8_t(v >> 8)); }
Payload& Payload::U32(uint32_t v) { return U16(uint16_t(v)).U16(uint16_t(v >> 16)); }
Payload& Payload::F64(double v) {
  char bytes[8];
  memcpy(bytes, &v, 8);
  bytes_.append(bytes, 8);
  return *this;
}
Payload& Payload::Wide(const std::string& utf8) {
  std::string units = Utf16(utf8);
  return U32(uint32_t(units.size() / 2)).Raw(units);
}
Payload& Payload::Raw(const std::string& bytes) { bytes_ += bytes; return *this; }

void AppendRecord(std::string* part, uint32_t number, const std::string& payload) {
  do {  // the type: 7 bits a byte, the high bit on every byte but the last
    uint8_t byte = number & 0x7F;
    number >>= 7;
    part->push_back(char(number ? byte | 0x80 : byte));
  } while (number);
  uint32_t size = uint32_t(payload.size());
  do {
    uint8_t byte = size & 0x7F;
    size >>= 7;
    part->push_back(char(size ? byte | 0x80 : byte));
  } while (size);
  *part += payload;
}

std::string RowRecord(uint32_t row, uint16_t heightTwips, uint16_t flags, uint32_t style) {
  std::string part;
  AppendRecord(&part, 0, Payload().U32(row).U32(style).U16(heightTwips).U16(flags).U8(0).U32(0));
  return part;
}

std::string NumberCellRecord(uint32_t column, double value, uint32_t style) {
  std::string part;
  AppendRecord(&part, 5, Payload().U32(column).U32(style).F64(value));
  return part;
}

std::string SharedStringCellRecord(uint32_t column, uint32_t index, uint32_t style) {
  std::string part;
  AppendRecord(&part, 7, Payload().U32(column).U32(style).U32(index));
  return part;
}

std::string FormulaCellRecord(uint32_t column, double value, const std::string& tokens, const std::string& extra) {
  std::string part;
  AppendRecord(&part, 9, Payload().U32(column).U32(0).F64(value).U16(0).U32(uint32_t(tokens.size())).Raw(tokens)
                             .U32(uint32_t(extra.size())).Raw(extra));
  return part;
}

std::string WorkbookPart(const BinaryBook& book) {
  std::string part;
  AppendRecord(&part, 131, "");  // begin book
  AppendRecord(&part, 143, "");  // begin sheets
  for (size_t i = 0; i < book.sheetNames.size(); ++i)
    AppendRecord(&part, 156, Payload().U32(0).U32(uint32_t(i + 1)).Wide("rId" + std::to_string(i + 1)).Wide(book.sheetNames[i]));
  AppendRecord(&part, 144, "");
  part += book.workbookRecords;
  AppendRecord(&part, 132, "");
  return part;
}

std::string DefaultStylesPart() {
  std::string part;
  AppendRecord(&part, 611, Payload().U32(1));  // fonts
  AppendRecord(&part, 43, Payload().U16(220).U16(0).U16(400).U16(0).U8(0).U8(2).U8(0).U8(0)
                              .U8(3 << 1 | 1).U8(1).U16(0).U32(0xFF000000u).U8(2).Wide("Calibri"));
  AppendRecord(&part, 612, "");
  AppendRecord(&part, 603, Payload().U32(1));  // fills
  Payload fill;
  fill.U32(0).U8(1 << 1).U8(64).U16(0).U32(0).U8(1 << 1).U8(65).U16(0).U32(0).U32(0);
  for (int i = 0; i < 5; ++i) fill.F64(0);
  AppendRecord(&part, 45, fill.U32(0));
  AppendRecord(&part, 604, "");
  AppendRecord(&part, 613, Payload().U32(1));  // borders
  Payload border;
  border.U8(0);
  for (int i = 0; i < 5; ++i) border.U8(0).U8(0).U8(0).U8(0).U16(0).U32(0);
  AppendRecord(&part, 46, border);
  AppendRecord(&part, 614, "");
  AppendRecord(&part, 617, Payload().U32(1));  // cell formats
  AppendRecord(&part, 47, Payload().U16(0).U16(0).U16(0).U16(0).U16(0).U8(0).U8(0).U16(0x1010).U8(0).U8(0));
  AppendRecord(&part, 618, "");
  return part;
}

std::string SheetPart(const std::string& dataRecords) {
  std::string part;
  AppendRecord(&part, 129, "");  // begin sheet
  AppendRecord(&part, 145, "");  // begin sheet data
  part += dataRecords;
  AppendRecord(&part, 146, "");
  AppendRecord(&part, 130, "");
  return part;
}

std::vector<ZipEntry> BinaryWorkbookEntries(const BinaryBook& book) {
  std::vector<ZipEntry> entries;
  entries.push_back({"[Content_Types].xml",
                     "<?xml version=\"1.0\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                     "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                     "<Default Extension=\"bin\" ContentType=\"application/vnd.ms-excel.sheet.binary.macroEnabled.main\"/></Types>"});
  entries.push_back({"_rels/.rels", Rels(Rel("rId1", "officeDocument", "xl/workbook.bin"))});
  std::string rels;
  for (size_t i = 0; i < book.sheetNames.size(); ++i) {
    std::string n = std::to_string(i + 1);
    rels += Rel("rId" + n, "worksheet", "worksheets/sheet" + n + ".bin");
    entries.push_back({"xl/worksheets/sheet" + n + ".bin", SheetPart(i < book.sheetRecords.size() ? book.sheetRecords[i] : "")});
  }
  rels += Rel("rIdS", "styles", "styles.bin");
  entries.push_back({"xl/styles.bin", book.styles.empty() ? DefaultStylesPart() : book.styles});
  if (!book.sharedStrings.empty()) {
    rels += Rel("rIdT", "sharedStrings", "sharedStrings.bin");
    std::string sst;
    AppendRecord(&sst, 159, Payload().U32(uint32_t(book.sharedStrings.size())).U32(uint32_t(book.sharedStrings.size())));
    for (const std::string& text : book.sharedStrings) AppendRecord(&sst, 19, Payload().U8(0).Wide(text));
    AppendRecord(&sst, 160, "");
    entries.push_back({"xl/sharedStrings.bin", sst});
  }
  entries.push_back({"xl/workbook.bin", WorkbookPart(book)});
  entries.push_back({"xl/_rels/workbook.bin.rels", Rels(rels)});
  return entries;
}

std::string TablePartRecord() {
  std::string record;
  AppendRecord(&record, 661, Payload().Wide("rIdL"));
  return record;
}

std::vector<ZipEntry> SheetObjectEntries(const std::string& comments, const std::string& table, const std::string& pivot) {
  std::vector<ZipEntry> entries;
  std::string rels;
  if (!comments.empty()) {
    rels += Rel("rIdC", "comments", "../comments1.bin");
    entries.push_back({"xl/comments1.bin", comments});
  }
  if (!table.empty()) {
    rels += Rel("rIdL", "table", "../tables/table1.bin");
    entries.push_back({"xl/tables/table1.bin", table});
  }
  if (!pivot.empty()) {
    rels += Rel("rIdP", "pivotTable", "../pivotTables/pivotTable1.bin");
    entries.push_back({"xl/pivotTables/pivotTable1.bin", pivot});
  }
  entries.push_back({"xl/worksheets/_rels/sheet1.bin.rels", Rels(rels)});
  return entries;
}

}  // namespace xlxtest
