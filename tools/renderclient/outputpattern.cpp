#include "outputpattern.h"

#include <string>

namespace {

// Reads a field after its '%' at `text[*pos]`; advances past it. `digits` receives the zero-pad
// width (0 for plain "%d").
bool ReadNumberField(const std::string& text, size_t* pos, int* digits) {
  size_t i = *pos;
  *digits = 0;
  if (i < text.size() && text[i] == '0') {
    ++i;
    if (i >= text.size() || text[i] < '1' || text[i] > '9') return false;
    *digits = text[i++] - '0';
  }
  if (i >= text.size() || text[i] != 'd') return false;
  *pos = i + 1;
  return true;
}

}  // namespace

bool ParseOutputPattern(const std::string& text, OutputPattern* pattern, std::string* error) {
  OutputPattern parsed;
  bool haveField = false;
  for (size_t i = 0; i < text.size();) {
    const char c = text[i++];
    std::string& literal = haveField ? parsed.after : parsed.before;
    if (c != '%') {
      literal += c;
      continue;
    }
    if (i < text.size() && text[i] == '%') {
      literal += '%';
      ++i;
      continue;
    }
    if (!ReadNumberField(text, &i, &parsed.zeroPadDigits))
      return *error = "-o: '%' must start %d, %0Nd (N from 1 to 9) or %% in \"" + text + "\"", false;
    if (haveField) return *error = "-o: give the page number (%d) once in \"" + text + "\"", false;
    haveField = true;
  }
  if (!haveField) return *error = "-o needs a pattern with %d", false;
  *pattern = parsed;
  return true;
}

bool CheckOutputName(const std::string& path, std::string* error) {
  if (path.size() > kMaxOutputPathBytes)
    return *error = "output path longer than " + std::to_string(kMaxOutputPathBytes) + " bytes", false;
  size_t start = 0;
  while (start <= path.size()) {
    size_t slash = path.find('/', start);
    if (slash == std::string::npos) slash = path.size();
    if (slash - start > kMaxOutputNameBytes)
      return *error = "output file or folder name longer than " + std::to_string(kMaxOutputNameBytes) +
                      " bytes: " + path.substr(start, 40) + "...", false;
    start = slash + 1;
  }
  return true;
}

bool FormatOutputName(const OutputPattern& pattern, int32_t page, std::string* name, std::string* error) {
  std::string number = std::to_string(page < 0 ? 0 : page);
  if (number.size() < static_cast<size_t>(pattern.zeroPadDigits))
    number.insert(0, static_cast<size_t>(pattern.zeroPadDigits) - number.size(), '0');
  std::string result = pattern.before + number + pattern.after;
  if (!CheckOutputName(result, error)) return false;
  *name = std::move(result);
  return true;
}
