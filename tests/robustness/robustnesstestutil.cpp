#include "tests/robustness/robustnesstestutil.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>

#include "host/kernel/vkkrnx.h"
#include "tests/support/hostcalls.h"
#include "tests/support/zipbuilder.h"

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
  std::vector<std::string> names;
  for (int32_t i = 1; i <= sheets; ++i) names.push_back("S" + std::to_string(i));
  const std::string mainNs = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";
  const std::string relType = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
  std::vector<RawEntry> entries;
  for (ZipEntry& part : MinimalWorkbookEntries(names)) {
    if (part.name.compare(0, 14, "xl/worksheets/") == 0) part.data = "<worksheet " + mainNs + ">" + sheetXml + "</worksheet>";
    if (part.name == "xl/workbook.xml") part.data.replace(part.data.find("</sheets>"), 9, "</sheets>" + definedNames);
    if (part.name == "xl/_rels/workbook.xml.rels")
      part.data.replace(part.data.find("</Relationships>"), 16,
                        "<Relationship Id=\"rIdS\" Type=\"" + relType + "sharedStrings\" Target=\"sharedStrings.xml\"/>"
                        "<Relationship Id=\"rIdT\" Type=\"" + relType + "styles\" Target=\"styles.xml\"/></Relationships>");
    entries.push_back(DeflatedEntry(part.name, part.data));
  }
  entries.push_back(DeflatedEntry("xl/sharedStrings.xml", "<sst " + mainNs + "><si><t>x</t></si></sst>"));
  entries.push_back(DeflatedEntry("xl/styles.xml", "<styleSheet " + mainNs + "/>"));
  return entries;
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
