// xlxdump: prints what every stored cell of a workbook displays, one CSV line per cell:
// sheet, cell, value type, raw value, format code, display text. With --recalc every formula is
// computed before the dump; with --check-formulas every formula is computed and each result that
// differs from the value cached in the file is listed, followed by one summary line; with --cached
// no formula is computed; with --charts one line per chart series gives the data it is drawn with.
#include <cmath>
#include <cstdio>
#include <string>

#include "chartdump.h"
#include "common/apiutils.h"
#include "common/cellref.h"
#include "host/drawing/vkdrwx.h"
#include "model/workbook.h"
#include "filter/workbookopen.h"
#include "parser/xlsxprsr.h"
#include "values/format/cellformatcode.h"
#include "values/formula/formula.h"
#include "values/formula/check.h"
#include "view/cells/fonts.h"
#include "view/cells/text.h"

namespace {

using xlxdump::Csv;

const char* TypeName(uint8_t type) {
  switch (type) {
    case xlx::kCellBoolean: return "boolean";
    case xlx::kCellDate: return "date";
    case xlx::kCellError: return "error";
    case xlx::kCellInlineString: return "inline-string";
    case xlx::kCellNumber: return "number";
    case xlx::kCellSharedString: return "shared-string";
    case xlx::kCellFormulaString: return "formula-string";
    default: return "empty";
  }
}

std::string RawValue(const xlx::Workbook& wb, const xlx::CellRecord& c) {
  char buf[64];
  switch (c.type) {
    case xlx::kCellNumber:
    case xlx::kCellDate:
      if (std::isnan(c.number)) return "";
      std::snprintf(buf, sizeof buf, "%.17g", static_cast<double>(c.number));
      return buf;
    case xlx::kCellSharedString: {
      const xlx::RichString& s = xlx::GetSharedString(wb.sharedStrings, c.sharedStringIndex);
      return xlx::Utf16ToUtf8(std::u16string_view(s.text ? s.text : u"", static_cast<size_t>(s.textLength)));
    }
    case xlx::kCellInlineString:
      return c.inlineString && c.inlineString->text ? xlx::Utf16ToUtf8(c.inlineString->text) : "";
    default:
      return c.text ? xlx::Utf16ToUtf8(static_cast<const char16_t*>(c.text)) : "";
  }
}

// Lists every computed result that differs from the cached value, then the summary line.
int CheckFormulas(xlx::Workbook* wb) {
  xlx::FormulaCheckResult check;
  if (xlx::CheckWorkbookFormulas(wb, &check) != XLX_OK) {
    std::fprintf(stderr, "xlxdump: the formulas could not be checked\n");
    return XLX_OK;
  }
  std::printf("cell,formula,cached,computed\n");
  for (const xlx::FormulaMismatch& m : check.mismatches) {
    std::string cell = xlx::Utf16ToUtf8(xlx::GetSheet(wb, m.sheet)->sheetName) + "!" + xlx::ColumnLetters(m.column) +
                       std::to_string(m.row);
    std::printf("%s,%s,%s,%s\n", Csv(cell).c_str(), Csv("=" + xlx::Utf16ToUtf8(m.formula)).c_str(),
                Csv(xlx::Utf16ToUtf8(m.cached)).c_str(), Csv(xlx::Utf16ToUtf8(m.computed)).c_str());
  }
  std::printf("formulas: %d total, %d computed, %d equal to cached, %d unsupported\n", check.nTotal, check.nComputed,
              check.nEqual, check.nUnsupported);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string flag = argc == 3 ? argv[1] : "";
  if ((argc != 2 && argc != 3) || (argc == 3 && flag != "--recalc" && flag != "--check-formulas" && flag != "--cached" &&
                                     flag != "--charts")) {
    std::fprintf(stderr,
                 "usage: xlxdump [--recalc | --check-formulas | --cached | --charts] WORKBOOK\n"
                 "Prints sheet,cell,type,raw,format,display for every stored cell; --recalc computes every\n"
                 "formula first; --check-formulas lists the formulas whose result differs from the cached one;\n"
                 "--cached shows the cached values without computing any formula; --charts prints\n"
                 "sheet,chart,kind,series,values,categories for every series of every chart.\n");
    return 99;
  }
  std::string path = argv[argc - 1];
  std::u16string path16 = xlx::Utf8ToUtf16(path);
  xlx::WorkbookOpenOptions options;
  options.showHiddenSheets = true;
  if (flag == "--recalc") options.formulaMode = xlx::kFormulaEvalAll;
  if (flag == "--check-formulas" || flag == "--cached") options.formulaMode = xlx::kFormulaEvalNone;
  xlx::Workbook* wb = nullptr;
  int32_t rc = xlx::OpenWorkbook(path16.c_str(), options, &wb);
  if (rc != XLX_OK) {
    std::fprintf(stderr, "xlxdump: %s: cannot read the workbook (code %d)\n", path.c_str(), rc);
    return XLX_OK;
  }
  if (flag == "--charts") {
    xlxdump::DumpCharts(*wb);
    xlx::FreeWorkbook(wb);
    return 0;
  }
  if (flag == "--check-formulas") {
    int status = CheckFormulas(wb);
    xlx::FreeWorkbook(wb);
    return status;
  }
  void* engine = nullptr;
  if (VkCreateDrawingObject(VkQueryDrawingEngine(), &engine) != XLX_OK) {
    xlx::FreeWorkbook(wb);
    return 99;
  }
  {
    xlx::FontCache fonts(static_cast<VkDrawingEngine*>(engine));
    std::printf("sheet,cell,type,raw,format,display\n");
    for (int32_t s = 0; s < xlx::GetSheetCount(wb); ++s) {
      const xlx::MyWorksheet* sheet = xlx::GetSheet(wb, s);
      std::string name = xlx::Utf16ToUtf8(sheet->sheetName);
      for (int32_t i = 0; i < static_cast<int32_t>(sheet->cells.Count()); ++i) {
        const xlx::CellRecord& c = sheet->cells[i];
        const xlx::CellXf& xf = xlx::GetCellXf(wb->styles, c.styleIndex);
        const char16_t* code = xlx::GetCellFormatString(wb->styles, nullptr, c.styleIndex, nullptr, nullptr);
        std::string display;
        // Display texts are those of an unbounded cell: no '#' for lack of room.
        if (const xlx::CachedDrawFont* font = fonts.Get(xlx::GetFont(wb->styles, xf.fontId), 1.0)) {
          xlx::CellText text;
          if (xlx::BuildCellText(*wb, *sheet, c, 0, fonts, *font, &text)) display = xlx::Utf16ToUtf8(text.text);
        }
        std::printf("%s,%s%d,%s,%s,%s,%s\n", Csv(name).c_str(), xlx::ColumnLetters(c.column).c_str(), c.row, TypeName(c.type),
                    Csv(RawValue(*wb, c)).c_str(), Csv(xlx::Utf16ToUtf8(code)).c_str(), Csv(display).c_str());
      }
    }
  }
  VkDestroyDrawingObject(engine);
  xlx::FreeWorkbook(wb);
  return 0;
}
