// A large worksheet part read as it inflates: one pass keeps the part without the content of
// sheetData (a small DOM for the usual readers), a second cuts the content into slices of rows.
// Neither the part nor a DOM of it is ever held whole, so the part-size limit does not apply; the
// work is bounded by the package budget and the streamed cell limit.
#include <new>
#include <vector>

#include "common/resultcodes.h"
#include "package/xlsxunzip.h"
#include "parser/xlsxprsr.h"
#include "parser/xlsxprsrslices.h"
#include "parser/xlsxprsrxml.h"

namespace xlx {

namespace {

// The part without the content of sheetData as a DOM, checked as SheetDataSlices::Open checks it.
bool ParseOuter(std::vector<char>* bytes, uint64_t tag, pugi::xml_document* outer) {
  pugi::xml_parse_result parsed = outer->load_buffer_inplace(bytes->data(), bytes->size(), kXmlParseOptions, pugi::encoding_auto);
  if (parsed.status != pugi::status_ok || parsed.encoding != pugi::encoding_utf8) return false;
  if (CheckXmlDepth(outer, 0) != XLX_OK) return false;
  pugi::xml_node sheetData = Child(outer->document_element(), "sheetData");
  return sheetData && !sheetData.first_child() && sheetData.offset_debug() == static_cast<ptrdiff_t>(tag + 1);
}

int32_t ReadStreamed(Workbook* workbook, MyWorksheet* sheet) {
  const char16_t* path = sheet->partPath.c_str();
  std::vector<char> bytes;
  uint64_t tag = 0, content = 0, contentEnd = 0;
  {
    PartStream first;
    if (first.Open(workbook->hPackage, &workbook->parts, path) != XLX_OK) return kSheetDataReparse;
    if (first.ListedSize() / 2 < workbook->sheetSliceBytes) return kSheetDataReparse;
    if (!SheetDataSlices::ScanOuter(&first, workbook->sheetStreamChunkBytes, &bytes, &tag, &content, &contentEnd))
      return kSheetDataReparse;
  }
  pugi::xml_document outer;
  if (!ParseOuter(&bytes, tag, &outer)) return kSheetDataReparse;
  PartStream second;
  SheetDataSlices slices;
  if (second.Open(workbook->hPackage, &workbook->parts, path) != XLX_OK ||
      !slices.OpenStream(&second, content, contentEnd, workbook->sheetSliceBytes, workbook->sheetStreamChunkBytes,
                         &sheet->cells))
    return kSheetDataReparse;
  const int32_t rc = ReadWorksheet(workbook, sheet, outer.document_element(), &slices);
  if (rc == kSheetDataReparse) sheet->arena.Free();  // text of rows read before a slice failed
  return rc;
}

}  // namespace

int32_t ReadStreamedWorksheet(Workbook* workbook, MyWorksheet* sheet) {
  if (!workbook || !sheet || workbook->sheetSliceBytes == 0) return kSheetDataReparse;
  return Guarded([&]() -> int32_t { return ReadStreamed(workbook, sheet); });
}

}  // namespace xlx
