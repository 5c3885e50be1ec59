// Result codes shared by every module: 1 is success, negative values are errors in the host
// toolkit's numbering. Corruption is reported through XLX_CORRUPT so that a bad file can be traced
// to the check that refused it (debug builds record file, line and what was expected).
#pragma once
#include <cstdint>

enum XlxResult : int32_t {
  XLX_OK = 1,
  XLX_DECLINED = 2,               // an engine declines the file
  XLX_EXCEPTION_INFO = 0,         // an exception escaped parsing during fltInfo
  XLX_ERR_MEMORY = -1,
  XLX_ERR_NO_PIXELS = -2,
  XLX_ERR_READ = -7,
  XLX_ERR_FORMAT = -9,
  XLX_ERR_OPEN = -10,
  XLX_ERR_ARGUMENT = -13,
  XLX_ERR_REOPEN = -14,
  XLX_ERR_RENDER_EXCEPTION = -149,
  XLX_ERR_READER_EXCEPTION = -284,
  XLX_ERR_NO_HOLDER = -814,
  XLX_ERR_WRONG_PASSWORD = -912,
  XLX_ERR_PASSWORD_TEXT = -1488,
  XLX_ERR_DECRYPT = -1863,
  XLX_ERR_NO_CRYPTO = -1864,
  XLX_ERR_NO_PASSWORD = -1876,
  XLX_ERR_OTHER_KIND = -1877,
  XLX_ERR_UNSUPPORTED_ENCRYPTION = -1878,  // protected with a method or algorithm we cannot decrypt
  XLX_ERR_LIMIT = -1879,          // the file passes a processing limit of this filter (common/limits.h)
};

// Text for a result code, for messages ("not a supported workbook package", ...).
const char* XlxResultMeaning(int32_t code);

// Records where corruption was found (debug builds keep the last one) and returns `code`.
int32_t XlxReportCorrupt(int32_t code, const char* what, const char* file, int line);
// The last corruption report of this thread ("" when none); for tests and diagnostics.
const char* XlxLastCorruption(void);

#define XLX_CORRUPT(code, what) XlxReportCorrupt((code), (what), __FILE__, __LINE__)
