// How the service answers failures: the filter's result codes (and the service's own) mapped to
// HTTP statuses, with a JSON body {"code": N, "error": "..."}.
#pragma once
#include <cstdint>
#include <string>

// The HTTP status of a result code: 400 for bad requests and password text, 401 when a password
// is required, 403 for a wrong one, 404 for a missing page, 413 for a page too large to draw,
// 422 for a file that is not a readable workbook, 500 for the service's own failures.
int HttpStatusFor(int32_t code);
// The text of a result code, for the error body.
const char* ErrorTextFor(int32_t code);
// {"code": code, "error": text}
std::string ErrorJson(int32_t code, const std::string& text);
