// Helpers of the parser tests: XML snippets as DOM nodes, a workbook with a theme, packages built
// in memory and opened through the workbook reader.
#pragma once
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "model/workbook.h"
#include "parser/xlsxprsr.h"
#include "tests/support/officetheme.h"
#include "tests/support/zipbuilder.h"

namespace xlxtest {

// Parses `xml` and keeps the document alive; Root() is its first element.
class Xml {
 public:
  explicit Xml(const std::string& xml);
  pugi::xml_node Root() const { return doc_.document_element(); }

 private:
  pugi::xml_document doc_;
};

// A workbook record with no package, freed at scope end.
struct WorkbookPtr {
  WorkbookPtr();
  ~WorkbookPtr();
  xlx::Workbook* operator->() const { return workbook; }
  xlx::Workbook& operator*() const { return *workbook; }
  xlx::Workbook* workbook = nullptr;
};


// A package opened through the reader; the workbook and the memory handle are released at scope end.
struct OpenedPackage {
  OpenedPackage(const std::vector<ZipEntry>& entries, const xlx::WorkbookOpenOptions& options = {});
  ~OpenedPackage();
  int32_t rc = 0;
  int32_t formatCode = 0;
  xlx::Workbook* workbook = nullptr;
  std::vector<unsigned char> bytes;
  int64_t handle = -1;
};

// A generated fixture of tests/fixtures opened by path, freed at scope end.
struct OpenedFixture {
  OpenedFixture(const char* name, const xlx::WorkbookOpenOptions& options = {});
  ~OpenedFixture() { xlx::FreeWorkbook(workbook); }
  int32_t rc = 0;
  int32_t formatCode = 0;
  xlx::Workbook* workbook = nullptr;
};

// Replaces (or adds) the entry called `name`, or removes it.
void SetEntry(std::vector<ZipEntry>* entries, const std::string& name, const std::string& data);
void RemoveEntry(std::vector<ZipEntry>* entries, const std::string& name);

// `<root xmlns=main xmlns:r=...>body</root>`; `root` may carry attributes after its name.
std::string MainPart(const std::string& root, const std::string& body);

}  // namespace xlxtest
