// Helpers of the robustness tests: a package held as a host file with its part list, a one-sheet
// workbook package to break, and the information call measured in time and memory.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "package/xlsxunzip.h"
#include "tests/robustness/rawzip.h"

namespace xlxtest {

// A package opened as a host file, with its part list; freed at scope end. The file is a memory
// file, or with `onDisk` a real file (removed once open) read through the operating system.
class MemoryPackage {
 public:
  explicit MemoryPackage(std::vector<unsigned char> bytes, bool onDisk = false);
  ~MemoryPackage();
  MemoryPackage(const MemoryPackage&) = delete;
  MemoryPackage& operator=(const MemoryPackage&) = delete;
  int32_t built() const { return built_; }
  xlx::PartList* list() { return &list_; }
  int64_t handle() const { return handle_; }
  // ReadPart of `name`: the bytes read, or "" on failure with *result the code.
  std::string Read(const char16_t* name, int64_t* result);

 private:
  std::vector<unsigned char> bytes_;
  int64_t handle_ = -1;
  xlx::PartList list_;
  int32_t built_ = 0;
};

// The deflated parts of a workbook of sheets S1..S`sheets`, each holding `sheetXml`, with shared
// strings, styles and `definedNames` in the workbook part.
std::vector<RawEntry> WorkbookEntries(int32_t sheets, const std::string& sheetXml, const std::string& definedNames = "");

// fltInfo on the package bytes, timed, with the growth of the process's peak resident size
// (negative when the system cannot reset the peak).
struct MeasuredInfo {
  int32_t result = 0;
  int32_t pages = 0;
  double seconds = 0;
  double peakGrowthMiB = -1;
};
MeasuredInfo MeasureInfoCall(const std::vector<unsigned char>& bytes, bool paginate);

}  // namespace xlxtest
