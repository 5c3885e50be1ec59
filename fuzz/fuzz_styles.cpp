// The stylesheet reader over one XML part: the input is parsed as a styles part (with the usual
// parse flags) and read into a workbook that has the Office theme, then every cell format is
// looked up the way a cell is drawn (format code, fill and border of each xf).
#include <cstddef>
#include <cstdint>

#include <pugixml.hpp>

#include "model/workbook.h"
#include "parser/xlsxprsr.h"
#include "values/cellformatcode.h"
#include "values/numformat.h"

namespace {

const char kTheme[] =
    "<a:theme xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\"><a:themeElements>"
    "<a:clrScheme name=\"Office\"><a:dk1><a:sysClr val=\"windowText\" lastClr=\"000000\"/></a:dk1>"
    "<a:lt1><a:sysClr val=\"window\" lastClr=\"FFFFFF\"/></a:lt1><a:dk2><a:srgbClr val=\"1F497D\"/></a:dk2>"
    "<a:lt2><a:srgbClr val=\"EEECE1\"/></a:lt2><a:accent1><a:srgbClr val=\"4F81BD\"/></a:accent1>"
    "<a:accent2><a:srgbClr val=\"C0504D\"/></a:accent2><a:accent3><a:srgbClr val=\"9BBB59\"/></a:accent3>"
    "<a:accent4><a:srgbClr val=\"8064A2\"/></a:accent4><a:accent5><a:srgbClr val=\"4BACC6\"/></a:accent5>"
    "<a:accent6><a:srgbClr val=\"F79646\"/></a:accent6><a:hlink><a:srgbClr val=\"0000FF\"/></a:hlink>"
    "<a:folHlink><a:srgbClr val=\"800080\"/></a:folHlink></a:clrScheme>"
    "<a:fontScheme name=\"Office\"><a:majorFont><a:latin typeface=\"Cambria\"/></a:majorFont>"
    "<a:minorFont><a:latin typeface=\"Calibri\"/></a:minorFont></a:fontScheme><a:fmtScheme name=\"Office\"/>"
    "</a:themeElements></a:theme>";

void AttachTheme(xlx::Workbook* workbook) {
  workbook->themeDom = new pugi::xml_document();
  workbook->themeDom->load_string(kTheme);
  pugi::xml_node elements = workbook->themeDom->child("a:theme").child("a:themeElements");
  workbook->clrScheme = elements.child("a:clrScheme");
  workbook->fontScheme = elements.child("a:fontScheme");
  workbook->fmtScheme = elements.child("a:fmtScheme");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  pugi::xml_document doc;
  doc.load_buffer(data, size, pugi::parse_default | pugi::parse_ws_pcdata_single, pugi::encoding_auto);
  xlx::Workbook* workbook = nullptr;
  if (xlx::CreateWorkbook(&workbook) != 1) return 0;
  AttachTheme(workbook);
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
