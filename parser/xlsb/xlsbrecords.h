// Framing of binary workbook parts. A part is a stream of records, each a type (1 to 4 bytes, a
// set high bit announcing one more byte, the bytes combined little-endian with their high bits
// kept: bytes 9C 01 are type 0x019C), a size (1 to 4 groups of 7 bits, low group first) and a
// payload of that size. Record types below are written as the record numbers of the published
// format and turned into the raw type with RawType, so that a table of them reads like the format.
// A RecordCursor reads the fields of one payload; every read is checked against the payload's end
// and a failed read leaves the cursor failed, so a reader checks once at the end of a record.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "package/xlsxunzip.h"

namespace xlx {

// The raw type of record number `number` (as the format lists it): 7 bits per byte, high bit set
// on every byte but the last.
constexpr uint32_t RawType(uint32_t number) {
  return number < 0x80 ? number
         : number < 0x4000 ? (number & 0x7F) | 0x80 | ((number >> 7) << 8)
                           : (number & 0x7F) | 0x80 | ((((number >> 7) & 0x7F) | 0x80) << 8) | ((number >> 14) << 16);
}

namespace brt {
// Workbook part.
constexpr uint32_t kName = RawType(39);
constexpr uint32_t kWbProp = RawType(153);
constexpr uint32_t kBundleSh = RawType(156);
constexpr uint32_t kCalcProp = RawType(157);
constexpr uint32_t kSupSelf = RawType(357);
constexpr uint32_t kSupSame = RawType(358);
constexpr uint32_t kSupBookSrc = RawType(355);
constexpr uint32_t kSupAddin = RawType(667);
constexpr uint32_t kExternSheet = RawType(362);
// Shared strings.
constexpr uint32_t kSstItem = RawType(19);
constexpr uint32_t kBeginSst = RawType(159);
// Styles.
constexpr uint32_t kFont = RawType(43);
constexpr uint32_t kFmt = RawType(44);
constexpr uint32_t kFill = RawType(45);
constexpr uint32_t kBorder = RawType(46);
constexpr uint32_t kXf = RawType(47);
constexpr uint32_t kBeginDxfs = RawType(505);
constexpr uint32_t kDxf = RawType(507);
constexpr uint32_t kBeginTableStyles = RawType(508);
constexpr uint32_t kBeginIndexedColors = RawType(565);
constexpr uint32_t kIndexedColor = RawType(475);
constexpr uint32_t kBeginFills = RawType(603);
constexpr uint32_t kBeginFonts = RawType(611);
constexpr uint32_t kBeginBorders = RawType(613);
constexpr uint32_t kBeginCellXfs = RawType(617);
constexpr uint32_t kEndCellXfs = RawType(618);
constexpr uint32_t kBeginCellStyleXfs = RawType(626);
constexpr uint32_t kEndCellStyleXfs = RawType(627);
constexpr uint32_t kDxf14 = RawType(1171);
// Worksheet part.
constexpr uint32_t kRowHdr = RawType(0);
constexpr uint32_t kCellBlank = RawType(1);
constexpr uint32_t kCellRk = RawType(2);
constexpr uint32_t kCellError = RawType(3);
constexpr uint32_t kCellBool = RawType(4);
constexpr uint32_t kCellReal = RawType(5);
constexpr uint32_t kCellSt = RawType(6);
constexpr uint32_t kCellIsst = RawType(7);
constexpr uint32_t kFmlaString = RawType(8);
constexpr uint32_t kFmlaNum = RawType(9);
constexpr uint32_t kFmlaBool = RawType(10);
constexpr uint32_t kFmlaError = RawType(11);
constexpr uint32_t kShortBlank = RawType(12);
constexpr uint32_t kShortRk = RawType(13);
constexpr uint32_t kShortError = RawType(14);
constexpr uint32_t kShortBool = RawType(15);
constexpr uint32_t kShortReal = RawType(16);
constexpr uint32_t kShortSt = RawType(17);
constexpr uint32_t kShortIsst = RawType(18);
constexpr uint32_t kColInfo = RawType(60);
constexpr uint32_t kCellRString = RawType(62);
constexpr uint32_t kBeginWsView = RawType(137);
constexpr uint32_t kWsProp = RawType(147);
constexpr uint32_t kWsDim = RawType(148);
constexpr uint32_t kBkHim = RawType(151);
constexpr uint32_t kDrawing = RawType(550);  // the relationship id of the sheet's drawing part
constexpr uint32_t kMergeCell = RawType(176);
constexpr uint32_t kBeginMergeCells = RawType(177);
constexpr uint32_t kBeginRwBrk = RawType(391);
constexpr uint32_t kEndRwBrk = RawType(392);
constexpr uint32_t kBeginColBrk = RawType(393);
constexpr uint32_t kEndColBrk = RawType(394);
constexpr uint32_t kBrk = RawType(395);
constexpr uint32_t kArrFmla = RawType(426);
constexpr uint32_t kShrFmla = RawType(427);
constexpr uint32_t kMargins = RawType(476);
constexpr uint32_t kPrintOptions = RawType(477);
constexpr uint32_t kPageSetup = RawType(478);
constexpr uint32_t kBeginHeaderFooter = RawType(479);
constexpr uint32_t kWsFmtInfo = RawType(485);
}  // namespace brt

// One record of a part: its raw type, payload size and payload inside the loaded part.
struct RecordEntry {
  uint32_t type = 0;
  uint32_t size = 0;
  const uint8_t* data = nullptr;
};

// The records of one part, in order. Owns the part's bytes.
class RecordList {
 public:
  RecordList() = default;
  ~RecordList();
  RecordList(const RecordList&) = delete;
  RecordList& operator=(const RecordList&) = delete;

  // Takes over `bytes` (host memory, released with VK_FREE) and frames them. 1; -9 when a header
  // or payload runs past the end; -1 memory. A record of type 0 and size 0 ends the list early.
  [[nodiscard]] int32_t Frame(uint8_t* bytes, size_t size);
  size_t Count() const { return entries_.size(); }
  const RecordEntry& operator[](size_t i) const { return entries_[i]; }
  const RecordEntry* begin() const { return entries_.data(); }
  const RecordEntry* end() const { return entries_.data() + entries_.size(); }
  // Index of the first record of `type`, or -1.
  int64_t Find(uint32_t type) const;

 private:
  uint8_t* bytes_ = nullptr;
  std::vector<RecordEntry> entries_;
};

// Appends a record to `out` framed as in a part (raw type bytes, size, payload).
void AppendFramedRecord(const RecordEntry& record, std::vector<uint8_t>* out);

// Reads the part `name` of the package into `list`. 1; -13 no name or no package; -9 malformed
// stream; -1 memory; the package reader's failure otherwise.
[[nodiscard]] int32_t LoadRecordList(int64_t handle, const PartList* parts, const char16_t* name, RecordList* list);

// Checked little-endian reads of one payload.
class RecordCursor {
 public:
  RecordCursor(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  explicit RecordCursor(const RecordEntry& record) : data_(record.data), size_(record.size) {}

  bool Ok() const { return ok_; }
  size_t Position() const { return pos_; }
  size_t Remaining() const { return ok_ ? size_ - pos_ : 0; }
  const uint8_t* Here() const { return data_ + pos_; }

  uint8_t U8();
  uint16_t U16();
  uint32_t U32();
  int32_t I32() { return static_cast<int32_t>(U32()); }
  double F64();
  // Skips n bytes; fails when fewer remain.
  void Skip(size_t n);
  // An XLWideString: a 32-bit count of UTF-16 units and the units. A nullable string whose count
  // is 0xFFFFFFFF reads as empty. A count past the payload fails the cursor.
  std::u16string WideString();
  // The same with a 16-bit count (the strings inside formula tokens and differential formats).
  std::u16string ShortWideString();
  // Marks the cursor failed.
  void Fail() { ok_ = false; }

 private:
  bool Need(size_t n);
  std::u16string Units(uint32_t count);

  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
  bool ok_ = true;
};

// A 32-bit RK number as a double: bit 1 set holds an integer in the upper 30 bits, clear the upper
// 30 bits of a double; bit 0 set divides the value by 100.
double RkNumber(uint32_t rk);

// Text of a cell or token error code ("#DIV/0!" for 0x07), or null for a code without one.
const char16_t* ErrorText(uint8_t code);

}  // namespace xlx
