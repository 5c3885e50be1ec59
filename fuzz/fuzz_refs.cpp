// Cell references, ISO date-times and the UTF-8 codec from any bytes: the input read as narrow
// text and as UTF-16 units. Whatever parses must lie inside the sheet, be ordered, and write back
// to what it reads; an ISO date-time must give a finite serial; decoding stays within its room and
// decoding what it encodes gives the same units.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/calendar.h"
#include "common/apiutils.h"
#include "common/cellref.h"
#include "common/utf8.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

void CheckRange(const xlx::CellRange& r) {
  Check(r.first.row >= 1 && r.first.row <= r.last.row && r.last.row <= int32_t(xlx::kMaxRows));
  Check(r.first.column >= 1 && r.first.column <= r.last.column && r.last.column <= int32_t(xlx::kMaxColumns));
  Check(!(r.wholeRows && r.wholeColumns));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string narrow(reinterpret_cast<const char*>(data), size);
  std::u16string wide(size / 2, u'\0');
  if (!wide.empty()) std::memcpy(&wide[0], data, wide.size() * 2);

  xlx::CellRange range;
  if (xlx::ParseCellRange(std::string_view(narrow), &range)) CheckRange(range);
  xlx::CellRef cell;
  if (xlx::ParseCellRef(std::string_view(narrow), &cell)) {
    xlx::CellRef again;
    Check(xlx::ParseCellRef(std::string_view(xlx::FormatCellRef(cell)), &again));
    Check(again.row == cell.row && again.column == cell.column && again.rowAbsolute == cell.rowAbsolute &&
          again.columnAbsolute == cell.columnAbsolute);
  }
  const int32_t column = xlx::ColumnOfReference(narrow.c_str());
  Check(column >= 0 && column <= int32_t(xlx::kMaxColumns));

  std::u16string sheet;
  std::u16string_view reference;
  const std::u16string_view area = xlx::FirstArea(wide);
  Check(area.size() <= wide.size());
  if (xlx::SplitSheetName(area, &sheet, &reference)) {
    Check(reference.size() <= area.size() && sheet.size() <= area.size());
    if (xlx::ParseCellRange(reference, &range)) CheckRange(range);
  }

  double serial = 0;
  for (xlx::DateSystem system : {xlx::kDateSystem1900, xlx::kDateSystem1904})
    if (xlx::IsoDateTimeToSerial(narrow, system, &serial)) Check(std::isfinite(serial));
  xlx::CalendarDate date;
  if (size >= 8) {
    int64_t day;
    std::memcpy(&day, data, sizeof day);
    if (xlx::DateOfSerialDay(day, xlx::kDateSystem1900, &date) && day != 60 && day != 0) {
      int64_t back = -1;
      Check(xlx::SerialDayOfDate(date.year, date.month, date.day, xlx::kDateSystem1900, &back) && back == day);
    }
  }
  const std::u16string decoded = xlx::Utf8ToUtf16(narrow);
  Check(decoded.size() <= narrow.size());
  Check(xlx::Utf8ToUtf16(xlx::Utf16ToUtf8(decoded)) == decoded);
  return 0;
}
