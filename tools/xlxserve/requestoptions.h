// Request options of the service (query string or form fields) turned into render options: each
// accepted name maps onto the matching xlxrender option, so a request and a command line with
// the same choices draw the same pages.
#pragma once
#include <cstdint>
#include <map>
#include <string>

#include "options.h"

// The fields of one request, as the HTTP library hands them over (name to value; repeats allowed).
using RequestFields = std::multimap<std::string, std::string>;

// Builds render options for the workbook at `input` from the request fields: format (png, jpeg,
// pdf, svg; jpeg pages are drawn as for png), pages, dpi, paper, fit, margins, paginate, sheet_pages, gridlines, hidden_sheets and
// password. A field given twice, an unknown format or a value the command line would refuse is
// a false answer with the reason in `error`. Fields of other names are ignored; no field reads a
// file or the environment.
bool RenderOptionsFromFields(const RequestFields& fields, const std::string& input, RenderOptions* options,
                             std::string* error);

// True when the request asks for JPEG pages (format=jpeg or jpg).
bool WantsJpeg(const RequestFields& fields);

// A positive decimal number from a path or query (page numbers, dpi): false unless `text` is 1 to 9
// digits whose value is within [1, maximum].
bool ParsePositive(const std::string& text, uint32_t maximum, uint32_t* value);

// True when `id` has the shape of a document id: 64 lowercase hexadecimal digits.
bool IsDocumentId(const std::string& id);
