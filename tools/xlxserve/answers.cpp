#include "answers.h"

#include "common/resultcodes.h"
#include "filterhost.h"
#include "openedworkbook.h"

int HttpStatusFor(int32_t code) {
  switch (code) {
    case XLX_ERR_ARGUMENT: case XLX_ERR_PASSWORD_TEXT: return 400;
    case XLX_ERR_NO_PASSWORD: return 401;
    case XLX_ERR_WRONG_PASSWORD: return 403;
    case kNoSuchPage: return 404;
    case kPageTooLarge: return 413;
    case XLX_ERR_FORMAT: case XLX_ERR_OTHER_KIND: case XLX_ERR_UNSUPPORTED_ENCRYPTION: case XLX_ERR_MEMORY: case XLX_ERR_LIMIT:
    case XLX_ERR_DECRYPT: case XLX_ERR_READ: case XLX_DECLINED: case XLX_ERR_WORK_BUDGET: return 422;
    default: return 500;
  }
}

const char* ErrorTextFor(int32_t code) {
  switch (code) {
    case kNoSuchPage: return "the workbook has no such page";
    case kPageTooLarge: return "the page is too large for one bitmap; ask for a lower dpi or another paper";
    case XLX_ERR_MEMORY: return "the workbook claims sizes beyond the limits, or memory ran out";
    default: return MeaningOf(code);
  }
}

std::string ErrorJson(int32_t code, const std::string& text) {
  return "{\"code\": " + std::to_string(code) + ", \"error\": " + JsonQuote(text) + "}";
}
