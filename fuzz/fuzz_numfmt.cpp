// Number formatting of one value with one format code. Input layout: 8 bytes of the value (a
// double, any bit pattern), one control byte, then the code. Control bits: 0 show zeros; 1 the
// code is raw UTF-16 units (lone surrogates included) instead of UTF-8; 2 fit to a cell width;
// 3-7 the output capacity (0..31 units, 31 meaning a roomy 300). Every output buffer is exactly
// its capacity, on the heap, so a write past it is caught.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "common/apiutils.h"
#include "values/format/numformat.h"

namespace {

double MeasureUnits(void*, const char16_t*, size_t length) { return 7.0 * static_cast<double>(length); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 9) return 0;
  double value;
  std::memcpy(&value, data, sizeof value);
  uint8_t control = data[8];
  const uint8_t* rest = data + 9;
  size_t restSize = size - 9;
  std::u16string code;
  if (control & 2) {
    code.resize(restSize / 2);
    std::memcpy(&code[0], rest, code.size() * 2);
  } else {
    code = xlx::Utf8ToUtf16(std::string(reinterpret_cast<const char*>(rest), restSize));
  }
  // Codes are read only up to their terminator; an embedded zero just ends them early.
  size_t capacity = (control >> 3) == 31 ? 300 : (control >> 3);
  std::unique_ptr<char16_t[]> out(new char16_t[capacity ? capacity : 1]);
  char16_t* pOut = capacity ? out.get() : nullptr;
  uint32_t color = 0;
  xlx::CellTextFit fit{60.0, MeasureUnits, nullptr};
  bool showZeros = control & 1;
  xlx::DetectCellFormatType(code.c_str());
  xlx::ParseCellFormat(value, code.c_str(), showZeros, (control & 4) ? &fit : nullptr, pOut, capacity, &color);
  xlx::ParseNumberFormat(value, code.c_str(), true, pOut, capacity, &color);
  xlx::ParseNumberFormat(value, code.c_str(), false, pOut, capacity, &color);
  xlx::ParseDateTimeFormat(value, 0, code.c_str(), pOut, capacity);
  xlx::ParseTextFormat(code.c_str(), code.c_str(), pOut, capacity, &color);
  xlx::FormatTextValue(code.c_str(), code.c_str(), pOut, capacity);
  xlx::FormatWorkbookNumber(value, code.c_str(), (control & 1) != 0, pOut, capacity);
  xlx::ConvertDecimalToFraction(value, pOut, capacity);
  xlx::FormatGeneralNumber(value, pOut, capacity);
  xlx::FormatNumberAsText(value, pOut, capacity);
  double parsed = 0;
  xlx::TextToNumber(code.c_str(), &parsed);
  xlx::IsNumericText(code.c_str());
  xlx::_XLSDATETIME parts;
  if (xlx::CalculateDateTimeValue(value, 0, &parts)) {
    xlx::ParseCellFormat(value, u"[$-409]dddd, mmmm dd, yyyy h:mm:ss.000 AM/PM", true, nullptr, pOut, capacity, nullptr);
  }
  return 0;
}
