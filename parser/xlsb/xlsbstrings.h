// Rich strings of binary parts.
#pragma once
#include <cstdint>

#include "model/workbook.h"
#include "parser/xlsb/xlsbrecords.h"

namespace xlx {

// A rich string at the cursor (flags, text, runs naming stylesheet fonts, phonetic data) into
// `string`, its text and runs in `arena`. 1; -1 memory; -9 cut off or a run count past the record.
[[nodiscard]] int32_t ReadBinaryRichString(RecordCursor* cursor, TextArena* arena, const Workbook& workbook,
                                           RichString* string);

}  // namespace xlx
