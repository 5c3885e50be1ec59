// Builds small zip packages in memory for tests, through minizip's writer.
#pragma once
#include <string>
#include <utility>
#include <vector>

namespace xlxtest {

struct ZipEntry {
  std::string name;
  std::string data;
  const char* password = nullptr;  // non-null: the entry is stored encrypted
  bool stored = false;             // no compression
};

// The bytes of a zip archive holding the entries in order.
std::vector<unsigned char> BuildZip(const std::vector<ZipEntry>& entries);

// The same for entries that are all stored (no compression, no password), built in memory without
// the writer's temporary file: for fuzz targets that build a package per input.
std::vector<unsigned char> BuildStoredZip(const std::vector<ZipEntry>& entries);

// A minimal workbook package: content types, package relationships pointing at xl/workbook.xml,
// the workbook with the given sheet names and its relationships, and one empty sheet part each.
std::vector<ZipEntry> MinimalWorkbookEntries(const std::vector<std::string>& sheetNames);

}  // namespace xlxtest
