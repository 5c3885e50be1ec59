// The usual Office theme (dk1 black by sysClr, lt1 white, dk2 1F497D, lt2 EEECE1, accent1 4F81BD,
// ..., fonts Cambria/Calibri), attached to a workbook's theme nodes as the theme reader would.
// Header-only, for tests and fuzz targets that link the workbook model.
#pragma once
#include <pugixml.hpp>

#include "model/workbook.h"

namespace xlxtest {

inline void AttachOfficeTheme(xlx::Workbook* workbook) {
  static const char* kTheme =
      "<a:theme xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" name=\"Office Theme\">"
      "<a:themeElements><a:clrScheme name=\"Office\">"
      "<a:dk1><a:sysClr val=\"windowText\" lastClr=\"000000\"/></a:dk1>"
      "<a:lt1><a:sysClr val=\"window\" lastClr=\"FFFFFF\"/></a:lt1>"
      "<a:dk2><a:srgbClr val=\"1F497D\"/></a:dk2><a:lt2><a:srgbClr val=\"EEECE1\"/></a:lt2>"
      "<a:accent1><a:srgbClr val=\"4F81BD\"/></a:accent1><a:accent2><a:srgbClr val=\"C0504D\"/></a:accent2>"
      "<a:accent3><a:srgbClr val=\"9BBB59\"/></a:accent3><a:accent4><a:srgbClr val=\"8064A2\"/></a:accent4>"
      "<a:accent5><a:srgbClr val=\"4BACC6\"/></a:accent5><a:accent6><a:srgbClr val=\"F79646\"/></a:accent6>"
      "<a:hlink><a:srgbClr val=\"0000FF\"/></a:hlink><a:folHlink><a:srgbClr val=\"800080\"/></a:folHlink>"
      "</a:clrScheme><a:fontScheme name=\"Office\"><a:majorFont><a:latin typeface=\"Cambria\"/></a:majorFont>"
      "<a:minorFont><a:latin typeface=\"Calibri\"/></a:minorFont></a:fontScheme><a:fmtScheme name=\"Office\"/>"
      "</a:themeElements></a:theme>";
  delete workbook->themeDom;
  workbook->themeDom = new pugi::xml_document();
  workbook->themeDom->load_string(kTheme);
  pugi::xml_node elements = workbook->themeDom->child("a:theme").child("a:themeElements");
  workbook->clrScheme = elements.child("a:clrScheme");
  workbook->fontScheme = elements.child("a:fontScheme");
  workbook->fmtScheme = elements.child("a:fmtScheme");
}

}  // namespace xlxtest
