// Result codes of the host toolkit and of every module above it: 1 is success, 2 an engine that
// declines a file, negative values are errors. The kernel, the drawing engine, the image colour
// library and the filter all speak this one vocabulary.
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
  XLX_ERR_ENGINE = -9,            // the drawing engine could not make or use an object
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
  XLX_ERR_WORK_BUDGET = -1880,    // the workbook used up its work time (kWorkBudgetSeconds, common/limits.h)
};

// Warnings of a call that succeeded but could not show everything (_FILEINFO::uWarnings), as bits.
enum XlxWarning : uint32_t {
  XLX_WARN_PAGES_CUT = 0x01,  // a sheet holds content on more pages than the page limit: those past it are left out
  XLX_WARN_SHEETS_LEFT_OUT = 0x02,  // more sheets name one worksheet part than it may make: the later ones are left out
};
