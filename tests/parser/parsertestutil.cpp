#include "tests/parser/parsertestutil.h"

#include <gtest/gtest.h>

#include "host/kernel/vkkrnx.h"
#include "tests/support/testsupport.h"

namespace xlxtest {

std::string MainPart(const std::string& root, const std::string& body) {
  return "<" + root +
         " xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
         "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">" +
         body + "</" + root.substr(0, root.find(' ')) + ">";
}

Xml::Xml(const std::string& xml) {
  pugi::xml_parse_result result = doc_.load_string(xml.c_str(), pugi::parse_default | pugi::parse_ws_pcdata_single);
  EXPECT_TRUE(result) << result.description() << " in " << xml;
}

WorkbookPtr::WorkbookPtr() { EXPECT_EQ(xlx::CreateWorkbook(&workbook), 1); }
WorkbookPtr::~WorkbookPtr() { xlx::FreeWorkbook(workbook); }

void AttachOfficeTheme(xlx::Workbook* workbook) {
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

OpenedPackage::OpenedPackage(const std::vector<ZipEntry>& entries, const xlx::WorkbookOpenOptions& options) {
  bytes = BuildZip(entries);
  handle = VkOpenMemoryFile(bytes.data(), bytes.size());
  EXPECT_NE(handle, -1);
  rc = xlx::OpenWorkbookFromHandle(handle, options, &workbook, &formatCode);
}

OpenedPackage::~OpenedPackage() {
  xlx::FreeWorkbook(workbook);
  if (handle != -1) VkCloseFile(handle);
}

OpenedFixture::OpenedFixture(const char* name, const xlx::WorkbookOpenOptions& options) {
  std::u16string path = U16(SourceDir() + "/tests/fixtures/" + name);
  rc = xlx::OpenWorkbook(path.c_str(), options, &workbook, &formatCode);
}

void SetEntry(std::vector<ZipEntry>* entries, const std::string& name, const std::string& data) {
  for (ZipEntry& entry : *entries)
    if (entry.name == name) return void(entry.data = data);
  entries->push_back({name, data});
}

void RemoveEntry(std::vector<ZipEntry>* entries, const std::string& name) {
  for (auto it = entries->begin(); it != entries->end(); ++it)
    if (it->name == name) return void(entries->erase(it));
}

}  // namespace xlxtest
