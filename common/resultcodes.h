// Result codes of the filter: the host toolkit's codes (host/resultcodes.h), their meanings, and
// the one way readers report corruption. Corruption is reported through XLX_CORRUPT so that a bad file can be traced
// to the check that refused it (debug builds record file, line and what was expected).
#pragma once
#include <cstdint>

#include "host/resultcodes.h"


// Text for a result code, for messages ("not a supported workbook package", ...).
const char* XlxResultMeaning(int32_t code);

// Records where corruption was found (debug builds keep the last one) and returns `code`.
int32_t XlxReportCorrupt(int32_t code, const char* what, const char* file, int line);
// The last corruption report of this thread ("" when none); for tests and diagnostics.
const char* XlxLastCorruption(void);

#define XLX_CORRUPT(code, what) XlxReportCorrupt((code), (what), __FILE__, __LINE__)
