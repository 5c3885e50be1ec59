#include "common/resultcodes.h"
#include <cstdio>

const char* XlxResultMeaning(int32_t code) {
  switch (code) {
    case 1: return "success";
    case 2: return "the engine declined the file";
    case 0: return "an internal error stopped parsing";
    case -1: return "out of memory, or the file claims sizes beyond the limits";
    case -2: return "the page bitmap has no pixel memory";
    case -7: return "the file could not be read";
    case -9: return "not a supported workbook, or the workbook is damaged";
    case -10: return "the file could not be opened";
    case -13: return "a required argument is missing or invalid (for example margins wider than the page)";
    case -14: return "a file could not be reopened or a temporary file could not be written";
    case -149: return "an internal error stopped page rendering";
    case -284: return "an internal error inside a reader";
    case -814: return "no filter-data holder to store results in";
    case -912: return "wrong password";
    case -1488: return "the password text could not be converted";
    case -1863: return "decryption failed";
    case -1864: return "the crypto library could not be loaded";
    case -1876: return "a password is required";
    case -1877: return "the protected package is not a workbook";
    case -1878: return "the workbook is protected with an encryption method that is not supported";
    case -1879: return "the workbook passes a processing limit (a part too large or with too many XML nodes, or a page larger than one bitmap)";
    default: return "unknown result";
  }
}

namespace {
thread_local char t_lastCorruption[256] = "";
}

int32_t XlxReportCorrupt(int32_t code, const char* what, const char* file, int line) {
#ifndef NDEBUG
  std::snprintf(t_lastCorruption, sizeof t_lastCorruption, "%s:%d: %s", file ? file : "?", line, what ? what : "");
#else
  std::snprintf(t_lastCorruption, sizeof t_lastCorruption, "%s", what ? what : "");
  (void)file;
  (void)line;
#endif
  return code;
}

const char* XlxLastCorruption(void) { return t_lastCorruption; }
