#include "tests/robustness/robustnesstestutil.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>

#include "host/kernel/vkkrnx.h"
#include "tests/support/hostcalls.h"

namespace xlxtest {

MemoryPackage::MemoryPackage(std::vector<unsigned char> bytes, bool onDisk) : bytes_(std::move(bytes)) {
  if (onDisk) {
    const std::string path = WriteTempFile(bytes_);
    if (!path.empty()) {
      handle_ = VkOpenFile(U16(path).c_str(), VK_OPEN_READ | VK_OPEN_BINARY, 0);
      unlink(path.c_str());
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

std::vector<RawEntry> WorkbookEntries(int32_t sheets, const std::string& sheetXml, const std::string& definedNames) {
  const std::string relNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
  const std::string mainNs = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";
  const std::string relsOpen = "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
  std::string list, rels;
  for (int32_t i = 1; i <= sheets; ++i) {
    const std::string n = std::to_string(i);
    list += "<sheet name=\"S" + n + "\" sheetId=\"" + n + "\" r:id=\"rId" + n + "\"/>";
    // Every sheet reads the same part: a package of many sheets stays small.
    rels += "<Relationship Id=\"rId" + n + "\" Type=\"" + relNs + "/worksheet\" Target=\"worksheets/sheet1.xml\"/>";
  }
  return {
      DeflatedEntry("[Content_Types].xml",
                    "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                    "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                    "<Default Extension=\"xml\" ContentType=\"application/xml\"/></Types>"),
      DeflatedEntry("_rels/.rels", relsOpen + "<Relationship Id=\"rId1\" Type=\"" + relNs +
                                       "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"),
      DeflatedEntry("xl/workbook.xml", "<workbook " + mainNs + " xmlns:r=\"" + relNs + "\"><sheets>" + list + "</sheets>" +
                                           definedNames + "</workbook>"),
      DeflatedEntry("xl/_rels/workbook.xml.rels",
                    relsOpen + rels + "<Relationship Id=\"rIdS\" Type=\"" + relNs +
                        "/sharedStrings\" Target=\"sharedStrings.xml\"/><Relationship Id=\"rIdT\" Type=\"" + relNs +
                        "/styles\" Target=\"styles.xml\"/></Relationships>"),
      DeflatedEntry("xl/worksheets/sheet1.xml", "<worksheet " + mainNs + ">" + sheetXml + "</worksheet>"),
      DeflatedEntry("xl/sharedStrings.xml", "<sst " + mainNs + "><si><t>x</t></si></sst>"),
      DeflatedEntry("xl/styles.xml", "<styleSheet " + mainNs + "/>"),
  };
}

namespace {
// Resets the peak resident size of this process; false where the system cannot.
bool ResetPeakMemory() {
  std::FILE* f = std::fopen("/proc/self/clear_refs", "w");
  if (!f) return false;
  const bool ok = std::fputs("5", f) >= 0;
  return std::fclose(f) == 0 && ok;
}

double PeakMemoryMiB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.compare(0, 6, "VmHWM:") == 0) return std::atof(line.c_str() + 6) / 1024.0;
  return 0;
}
}  // namespace

MeasuredInfo MeasureInfoCall(const std::vector<unsigned char>& bytes, bool paginate) {
  MeasuredInfo m;
  const bool measured = ResetPeakMemory();
  const double before = PeakMemoryMiB();
  const auto start = std::chrono::steady_clock::now();
  m.result = InfoCall(bytes, paginate, &m.pages);
  m.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (measured) m.peakGrowthMiB = PeakMemoryMiB() - before;
  return m;
}

}  // namespace xlxtest
