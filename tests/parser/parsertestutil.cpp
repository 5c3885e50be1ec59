#include "tests/parser/parsertestutil.h"

#include <gtest/gtest.h>

#include "filter/workbookopen.h"

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
