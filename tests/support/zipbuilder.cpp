#include "tests/support/zipbuilder.h"

#include <minizip/zip.h>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#include "tests/support/testsupport.h"

namespace xlxtest {

std::vector<unsigned char> BuildZip(const std::vector<ZipEntry>& entries) {
  char path[] = "/tmp/xlxzipXXXXXX";
  int fd = mkstemp(path);
  close(fd);
  zipFile zip = zipOpen64(path, APPEND_STATUS_CREATE);
  for (const ZipEntry& e : entries) {
    zip_fileinfo info = {};
    int method = e.stored ? 0 : Z_DEFLATED;
    int level = e.stored ? 0 : Z_DEFAULT_COMPRESSION;
    unsigned long crc = crc32(0, reinterpret_cast<const Bytef*>(e.data.data()), static_cast<uInt>(e.data.size()));
    zipOpenNewFileInZip3_64(zip, e.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, method, level, 0, -MAX_WBITS,
                            DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY, e.password, e.password ? crc : 0, 0);
    if (!e.data.empty()) zipWriteInFileInZip(zip, e.data.data(), static_cast<unsigned>(e.data.size()));
    zipCloseFileInZip(zip);
  }
  zipClose(zip, nullptr);
  std::vector<unsigned char> bytes = ReadWholeFile(path);
  unlink(path);
  return bytes;
}

std::vector<ZipEntry> MinimalWorkbookEntries(const std::vector<std::string>& sheetNames) {
  std::vector<ZipEntry> entries;
  std::string types =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
      "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
      "<Default Extension=\"xml\" ContentType=\"application/xml\"/></Types>";
  entries.push_back({"[Content_Types].xml", types});
  entries.push_back({"_rels/.rels",
                     "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                     "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
                     "Target=\"xl/workbook.xml\"/></Relationships>"});
  std::string sheets, rels;
  for (size_t i = 0; i < sheetNames.size(); ++i) {
    std::string n = std::to_string(i + 1);
    sheets += "<sheet name=\"" + sheetNames[i] + "\" sheetId=\"" + n + "\" r:id=\"rId" + n + "\"/>";
    rels += "<Relationship Id=\"rId" + n +
            "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" Target=\"worksheets/sheet" + n +
            ".xml\"/>";
    entries.push_back({"xl/worksheets/sheet" + n + ".xml",
                       "<?xml version=\"1.0\"?><worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
                       "<sheetData/></worksheet>"});
  }
  entries.push_back({"xl/workbook.xml",
                     "<?xml version=\"1.0\"?><workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                     "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets>" + sheets +
                         "</sheets></workbook>"});
  entries.push_back({"xl/_rels/workbook.xml.rels",
                     "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">" + rels +
                         "</Relationships>"});
  return entries;
}

}  // namespace xlxtest
