// The theme part: its colour, font and format schemes stay in the workbook for colour resolution
// and the theme fonts.
#include <new>

#include "parser/xlsxprsr.h"
#include "parser/styles/color.h"
#include "parser/xml/dom.h"
#include "common/resultcodes.h"

namespace xlx {

namespace {

// The theme colours by number, for readers that work without the theme's DOM (header and footer
// colour codes). Without a theme, window colours.
void ResolveThemeColors(Workbook* workbook) {
  for (int32_t i = 0; i < 12; ++i) {
    workbook->themeColors[i] = workbook->clrScheme ? ThemeColorByIndex(*workbook, i)
                               : i == 1 ? SystemColor(kSystemWindow) : SystemColor(kSystemWindowText);
  }
}

}  // namespace

int32_t ReadTheme(Workbook* workbook) {
  if (!workbook) return XLX_ERR_ARGUMENT;
  ResolveThemeColors(workbook);
  workbook->clrScheme = workbook->fontScheme = workbook->fmtScheme = pugi::xml_node();
  delete workbook->themeDom;
  workbook->themeDom = nullptr;
  const std::u16string& path = workbook->themePath;
  if (path.empty() || HasPart(&workbook->parts, path.c_str()) != XLX_OK) return XLX_OK;
  pugi::xml_document* doc = new (std::nothrow) pugi::xml_document();
  if (!doc) return XLX_ERR_MEMORY;
  int32_t rc = LoadXmlPart(workbook->hPackage, &workbook->parts, path.c_str(), doc);
  if (rc != XLX_OK) {
    // A theme that cannot be read leaves the default colours; only exhaustion fails the workbook.
    delete doc;
    return rc == XLX_ERR_MEMORY ? XLX_ERR_MEMORY : XLX_OK;
  }
  workbook->themeDom = doc;
  pugi::xml_node elements = Child(Child(*doc, "theme"), "themeElements");
  workbook->clrScheme = Child(elements, "clrScheme");
  workbook->fontScheme = Child(elements, "fontScheme");
  workbook->fmtScheme = Child(elements, "fmtScheme");
  ResolveThemeColors(workbook);
  return XLX_OK;
}

}  // namespace xlx
