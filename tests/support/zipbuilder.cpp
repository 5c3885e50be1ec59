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

std::vector<unsigned char> BuildStoredZip(const std::vector<ZipEntry>& entries) {
  std::vector<unsigned char> out, directory;
  auto put = [](std::vector<unsigned char>* v, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) v->push_back(static_cast<unsigned char>(value >> (8 * i)));
  };
  for (const ZipEntry& e : entries) {
    uint32_t crc = crc32(0, reinterpret_cast<const Bytef*>(e.data.data()), static_cast<uInt>(e.data.size()));
    uint32_t size = static_cast<uint32_t>(e.data.size()), offset = static_cast<uint32_t>(out.size());
    uint32_t nameSize = static_cast<uint32_t>(e.name.size());
    put(&out, 0x04034b50, 4);  // local header: version, flags, method 0, time, date
    put(&out, 20, 2), put(&out, 0, 2), put(&out, 0, 2), put(&out, 0, 4);
    put(&out, crc, 4), put(&out, size, 4), put(&out, size, 4), put(&out, nameSize, 2), put(&out, 0, 2);
    out.insert(out.end(), e.name.begin(), e.name.end());
    out.insert(out.end(), e.data.begin(), e.data.end());
    put(&directory, 0x02014b50, 4);  // central directory record
    put(&directory, 20, 2), put(&directory, 20, 2), put(&directory, 0, 2), put(&directory, 0, 2), put(&directory, 0, 4);
    put(&directory, crc, 4), put(&directory, size, 4), put(&directory, size, 4), put(&directory, nameSize, 2);
    put(&directory, 0, 2), put(&directory, 0, 2), put(&directory, 0, 2), put(&directory, 0, 2), put(&directory, 0, 4);
    put(&directory, offset, 4);
    directory.insert(directory.end(), e.name.begin(), e.name.end());
  }
  uint32_t directoryOffset = static_cast<uint32_t>(out.size()), count = static_cast<uint32_t>(entries.size());
  out.insert(out.end(), directory.begin(), directory.end());
  put(&out, 0x06054b50, 4), put(&out, 0, 2), put(&out, 0, 2), put(&out, count, 2), put(&out, count, 2);
  put(&out, static_cast<uint32_t>(directory.size()), 4), put(&out, directoryOffset, 4), put(&out, 0, 2);
  return out;
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
