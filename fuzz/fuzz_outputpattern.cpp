// The output pattern of written pages from any bytes. What parses must name each page with the
// number where the field stood, padded as asked; the literal parts written back with "%%" for
// each percent sign and the field between them must parse to the same pattern; a name that is
// accepted fits the length limits.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "tools/renderclient/outputpattern.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

std::string Escape(const std::string& literal) {
  std::string out;
  for (char c : literal) out += c == '%' ? std::string("%%") : std::string(1, c);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  OutputPattern pattern;
  std::string error;
  if (!ParseOutputPattern(text, &pattern, &error)) {
    Check(!error.empty());
    return 0;
  }
  Check(pattern.zeroPadDigits >= 0 && pattern.zeroPadDigits <= 9);
  const std::string field = pattern.zeroPadDigits ? "%0" + std::to_string(pattern.zeroPadDigits) + "d" : "%d";
  OutputPattern again;
  Check(ParseOutputPattern(Escape(pattern.before) + field + Escape(pattern.after), &again, &error));
  Check(again.before == pattern.before && again.after == pattern.after && again.zeroPadDigits == pattern.zeroPadDigits);
  for (int32_t page : {1, 7, 12345, 2147483647}) {
    std::string name;
    if (!FormatOutputName(pattern, page, &name, &error)) continue;
    Check(name.size() <= kMaxOutputPathBytes);
    Check(name.compare(0, pattern.before.size(), pattern.before) == 0);
    Check(name.size() >= pattern.after.size() &&
          name.compare(name.size() - pattern.after.size(), std::string::npos, pattern.after) == 0);
    const std::string number = name.substr(pattern.before.size(), name.size() - pattern.before.size() - pattern.after.size());
    Check(std::strtoll(number.c_str(), nullptr, 10) == page);
    Check(number.size() >= static_cast<size_t>(pattern.zeroPadDigits));
  }
  return 0;
}
