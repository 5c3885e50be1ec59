// The stylesheet reader over one XML part: the input is parsed as a styles part (with the usual
// parse flags) and read into a workbook that has the Office theme, then every cell format is
// looked up the way a cell is drawn (format code, fill and border of each xf).
#include <cstddef>
#include <cstdint>

#include <pugixml.hpp>

#include "model/workbook.h"
#include "parser/xlsxprsr.h"
#include "values/format/cellformatcode.h"
#include "values/format/numformat.h"
#include "tests/support/officetheme.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  pugi::xml_document doc;
  doc.load_buffer(data, size, pugi::parse_default | pugi::parse_ws_pcdata_single, pugi::encoding_auto);
  xlx::Workbook* workbook = nullptr;
  if (xlx::CreateWorkbook(&workbook) != 1) return 0;
  xlxtest::AttachOfficeTheme(workbook);
  if (xlx::ReadStylesheet(&workbook->styles, workbook, doc.document_element()) == 1) {
    const xlx::Stylesheet& styles = workbook->styles;
    int32_t xfs = styles.cellXfs.declaredCount < 4096 ? styles.cellXfs.declaredCount : 4096;
    for (int32_t i = -1; i <= xfs; ++i) {
      const char16_t* code = xlx::GetCellFormatString(styles, &workbook->lock, i, nullptr, nullptr);
      char16_t text[64];
      uint32_t color = 0;
      xlx::ParseCellFormat(-1234.5678, code, true, nullptr, text, sizeof text / sizeof text[0], &color);
      xlx::StyleDrawsSomething(styles, i, false, 0xFFFFFFFFu);
      const xlx::CellXf& xf = xlx::GetCellXf(styles, i);
      (void)xlx::GetFont(styles, xf.fontId);
      (void)xlx::GetFill(styles, xf.fillId);
      (void)xlx::GetBorder(styles, xf.borderId);
    }
    int32_t dxfs = styles.dxfs.declaredCount < 4096 ? styles.dxfs.declaredCount : 4096;
    for (int32_t i = 0; i < dxfs; ++i) {
      const xlx::Dxf& dxf = xlx::GetDxf(styles, i);
      char16_t text[64];
      xlx::ParseCellFormat(0.25, xlx::GetCellFormatString(styles, nullptr, 0, &dxf, nullptr), false, nullptr, text,
                           sizeof text / sizeof text[0], nullptr);
    }
  }
  xlx::FreeWorkbook(workbook);
  return 0;
}
