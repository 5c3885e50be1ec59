// Drawing one printed page: the print-title and body pieces of the sheet where layout placed them
// on the paper, the headings, and the header and footer in the margins.
#pragma once
#include <cstdint>
#include <string>

#include "view/page/render.h"

namespace xlx {

// What the header and footer fields print beside the page numbers.
struct PrintedPageFields {
  std::u16string filePath;  // the workbook's path: &F prints its name, &Z its folder
  std::u16string date;      // &D
  std::u16string time;      // &T
};

// Draws page request.pageIndex of request.layout->printed into request.bitmap (the paper).
// 1, -13 (missing request parts or no such printed page), -1, a host drawing error or a
// progress result.
[[nodiscard]] int32_t RenderPrintedPage(const PageRenderRequest& request, const PrintedPageFields& fields);

// Today's date and time as the fields print them ("12/6/2026", "1:05 AM"), from local time.
void CurrentDateTimeFields(PrintedPageFields* fields);

}  // namespace xlx
