// The print setup reader and printed-page layout over one worksheet part: the input is parsed as
// a worksheet, its page setup, margins, print options, breaks and header and footer are read into
// a sheet of 200 rows and 40 columns, which is then cut into printed pages at two resolutions, and
// the six header and footer texts are parsed with their codes. The first line of the input, when
// it starts with "#", is also read as a print-area and print-titles text of the sheet.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include <pugixml.hpp>

#include "common/apiutils.h"
#include "model/workbook.h"
#include "parser/xlsxprsr.h"
#include "view/print/headerfooter.h"
#include "view/print/print.h"

namespace {

double FakeZero(void*, const xlx::MyLogFont&, double heightPx) { return heightPx * 7.0 / (96 * 11 / 72.0); }

void FillSheet(xlx::MyWorksheet* sheet) {
  std::copy_n(u"Fuzz", 5, sheet->sheetName);
  std::copy_n(u"Calibri", 8, sheet->normalFont.lfFaceName);
  for (int32_t r = 1; r <= 200; r += 7)
    for (int32_t c = 1; c <= 40; c += 3) {
      xlx::CellRecord cell;
      cell.row = r, cell.column = static_cast<uint16_t>(c), cell.type = xlx::kCellNumber, cell.flags = xlx::kCellHasValue;
      sheet->cells.Push(cell);
    }
  sheet->sheetBounds = xlx::MyCellBounds{1, 197, 1, 40};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  xlx::Workbook* workbook = nullptr;
  if (xlx::CreateWorkbook(&workbook) != 1) return 0;
  std::string input(reinterpret_cast<const char*>(data), size);
  if (!input.empty() && input[0] == '#') {
    const size_t eol = input.find('\n');
    const std::u16string names = xlx::Utf8ToUtf16(input.substr(1, eol == std::string::npos ? std::string::npos : eol - 1));
    workbook->printAreas[0] = names;
    workbook->printTitles[0] = names;
    input = eol == std::string::npos ? std::string() : input.substr(eol + 1);
  }
  pugi::xml_document doc;
  doc.load_buffer(input.data(), input.size(), pugi::parse_default | pugi::parse_ws_pcdata_single, pugi::encoding_auto);
  xlx::MyWorksheet sheet;
  FillSheet(&sheet);
  xlx::ReadPrintSetup(*workbook, &sheet, doc.document_element());
  const xlx::DigitMeasure measure{nullptr, 96.0, FakeZero};
  for (uint32_t dpi : {96u, 300u}) {
    xlx::LayoutOptions o;
    o.loadMode = kLoadPaginated, o.bPrintSetup = true, o.bClipCells = false;
    o.xResolution = o.yResolution = dpi;
    o.pageWidth = 8.5 * dpi, o.pageHeight = 11 * dpi;
    xlx::SheetLayout layout;
    if (xlx::LayoutSheet(sheet, nullptr, {}, o, measure, &layout) == 1) {
      for (const xlx::PrintedPage& page : layout.printed.pages) (void)xlx::PrintedPageRange(page);
    }
  }
  const xlx::HeaderFooterSetup& h = sheet.print.headerFooter;
  xlx::HeaderFooterFields fields;
  fields.sheetName = u"Fuzz";
  for (const std::u16string* text : {&h.oddHeader, &h.oddFooter, &h.evenHeader, &h.evenFooter, &h.firstHeader, &h.firstFooter})
    (void)xlx::ParseHeaderFooter(*text, fields, xlx::HeaderFooterFont{}, workbook);
  xlx::FreeWorkbook(workbook);
  return 0;
}
