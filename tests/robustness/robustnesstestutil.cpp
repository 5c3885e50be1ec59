#include "tests/robustness/robustnesstestutil.h"

#include <unistd.h>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "filter/xlxfilter.h"
#include "host/kernel/vkkrnx.h"

namespace xlxtest {

MemoryPackage::MemoryPackage(std::vector<unsigned char> bytes, bool onDisk) : bytes_(std::move(bytes)) {
  if (onDisk) {
    char path[] = "/tmp/xlxrobustXXXXXX";
    int fd = mkstemp(path);
    if (fd >= 0) {
      bool written = write(fd, bytes_.data(), bytes_.size()) == static_cast<ssize_t>(bytes_.size());
      close(fd);
      std::u16string path16(path, path + std::strlen(path));
      if (written) handle_ = VkOpenFile(path16.c_str(), VK_OPEN_READ | VK_OPEN_BINARY, 0);
      unlink(path);
    }
  } else {
    handle_ = VkOpenMemoryFile(bytes_.data(), bytes_.size());
  }
  built_ = xlx::BuildPartList(handle_, &list_, nullptr, nullptr);
}

MemoryPackage::~MemoryPackage() {
  xlx::FreePartList(&list_);
  VkCloseFile(handle_);
}

std::string MemoryPackage::Read(const char16_t* name, int64_t* result) {
  uint8_t* data = nullptr;
  uint64_t size = 0;
  *result = xlx::ReadPart(handle_, name, &data, &size, &list_);
  std::string text = data && *result > 0 ? std::string(reinterpret_cast<char*>(data), static_cast<size_t>(*result)) : "";
  VK_FREE(data);
  return text;
}

bool ResetPeakMemory() {
  std::FILE* f = std::fopen("/proc/self/clear_refs", "w");
  if (!f) return false;
  bool ok = std::fputs("5", f) >= 0;
  return std::fclose(f) == 0 && ok;
}

double PeakMemoryMiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.compare(0, 6, "VmHWM:") == 0) return std::atof(line.c_str() + 6) / 1024.0;
  return 0;
}

namespace {
double Inches(double v, int32_t, uint32_t, uint32_t, uint32_t, uint32_t) { return v; }
}  // namespace

int32_t InfoCall(const std::vector<unsigned char>& bytes, bool paginate, int32_t* pages) {
  char path[] = "/tmp/xlxrobustXXXXXX";
  int fd = mkstemp(path);
  if (fd < 0) return -999;
  bool written = write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  close(fd);
  if (!written) return -999;
  std::u16string path16(path, path + std::strlen(path));
  _INFODISPATCH d;
  std::memset(&d, 0, sizeof d);
  _FILEINFO fi;
  std::memset(&fi, 0, sizeof fi);
  fi.uStructSize = sizeof fi;
  _LOADFILEOPTION lfo;
  std::memset(&lfo, 0, sizeof lfo);
  lfo.nPageNumber = 1;
  d.pszFileName = path16.c_str();
  d.hFile = VkOpenFile(path16.c_str(), VK_OPEN_READ | VK_OPEN_BINARY, 0);
  FilterDataHolder holder{};
  d.pFileInfo = &fi;
  d.pFilterData = &holder;
  d.pLoadFileOption = &lfo;
  d.dispatchXlxFlags = paginate ? 1u : 0u;
  d.dispatchRasterizeDocOptions.uSizeMode = paginate ? 1u : 0u;
  d.dispatchRasterizeDocOptions.uStructSize = 68;
  d.dispatchRasterizeDocOptions.dPageWidth = 8.5;
  d.dispatchRasterizeDocOptions.dPageHeight = 11;
  d.dispatchRasterizeDocOptions.uUnit = 1;
  d.dispatchRasterizeDocOptions.uXResolution = 96;
  d.dispatchRasterizeDocOptions.uYResolution = 96;
  d.pfnUnitConverter = Inches;
  int32_t r = fltInfo(&d);
  if (pages) *pages = static_cast<int32_t>(fi.uTotalPages);
  if (holder.pData) fltFreeData(holder.pData, 0);
  VkCloseFile(d.hFile);
  unlink(path);
  return r;
}

std::vector<PackagePart> WorkbookParts(int32_t sheets, const std::string& sheetXml, const std::string& definedNames) {
  const std::string relNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
  std::string list, rels;
  for (int32_t i = 1; i <= sheets; ++i) {
    std::string n = std::to_string(i);
    list += "<sheet name=\"S" + n + "\" sheetId=\"" + n + "\" r:id=\"rId" + n + "\"/>";
    // Every sheet reads the same part: a package of many sheets stays small.
    rels += "<Relationship Id=\"rId" + n + "\" Type=\"" + relNs + "/worksheet\" Target=\"worksheets/sheet1.xml\"/>";
  }
  return {
      {"[Content_Types].xml",
       "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
       "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
       "<Default Extension=\"xml\" ContentType=\"application/xml\"/></Types>"},
      {"_rels/.rels", "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                      "<Relationship Id=\"rId1\" Type=\"" + relNs + "/officeDocument\" Target=\"xl/workbook.xml\"/>"
                      "</Relationships>"},
      {"xl/workbook.xml", "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" xmlns:r=\"" +
                              relNs + "\"><sheets>" + list + "</sheets>" + definedNames + "</workbook>"},
      {"xl/_rels/workbook.xml.rels",
       "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">" + rels +
           "<Relationship Id=\"rIdS\" Type=\"" + relNs + "/sharedStrings\" Target=\"sharedStrings.xml\"/>"
           "<Relationship Id=\"rIdT\" Type=\"" + relNs + "/styles\" Target=\"styles.xml\"/></Relationships>"},
      {"xl/worksheets/sheet1.xml",
       "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">" + sheetXml + "</worksheet>"},
      {"xl/sharedStrings.xml", "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><si><t>x</t></si></sst>"},
      {"xl/styles.xml", "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"/>"},
  };
}

}  // namespace xlxtest
