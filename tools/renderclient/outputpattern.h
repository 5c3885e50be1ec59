// File names of written pages. An output pattern is literal text with one page-number field:
// "%d", or "%0Nd" to pad the number with zeros to N digits (N from 1 to 9); "%%" stands for one
// percent sign. Any other use of '%' is refused, so the pattern is never a format string.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

struct OutputPattern {
  std::string before;   // literal text before the page number, "%%" already turned into '%'
  std::string after;    // literal text after it
  int zeroPadDigits = 0;  // 0: the number as it is; N: padded with zeros to N digits
};

// Longest file name and path written (bytes): a name over either is refused rather than cut.
constexpr size_t kMaxOutputNameBytes = 255;   // one component of the path
constexpr size_t kMaxOutputPathBytes = 4095;  // the whole path

// Reads `text` as a pattern with exactly one page-number field. False with a message in `error`
// when a '%' is not part of "%%", "%d" or "%0Nd", when the field is missing or given twice.
bool ParseOutputPattern(const std::string& text, OutputPattern* pattern, std::string* error);

// The name of page `page` by the pattern. False with a message when the name would be longer
// than the system allows (see CheckOutputName).
bool FormatOutputName(const OutputPattern& pattern, int32_t page, std::string* name, std::string* error);

// True when every component of `path` fits kMaxOutputNameBytes and the whole kMaxOutputPathBytes;
// otherwise false with a message naming the limit.
bool CheckOutputName(const std::string& path, std::string* error);
