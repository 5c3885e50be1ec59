// Helpers of the robustness tests: a package held in memory with its part list, the peak memory
// of the process around a call, and the whole information call on a package.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "package/xlsxunzip.h"

namespace xlxtest {

// A package opened as a host file, with its part list; freed at scope end. The file is a memory
// file, or with `onDisk` a real file (removed once open), read through the operating system.
class MemoryPackage {
 public:
  explicit MemoryPackage(std::vector<unsigned char> bytes, bool onDisk = false);
  ~MemoryPackage();
  MemoryPackage(const MemoryPackage&) = delete;
  MemoryPackage& operator=(const MemoryPackage&) = delete;
  int32_t built() const { return built_; }
  xlx::PartList* list() { return &list_; }
  int64_t handle() const { return handle_; }
  // ReadPart of `name`; the bytes read, or "" on failure with *result the code.
  std::string Read(const char16_t* name, int64_t* result);

 private:
  std::vector<unsigned char> bytes_;
  int64_t handle_ = -1;
  xlx::PartList list_;
  int32_t built_ = 0;
};

// Resets the peak resident size of this process; false where the system cannot.
bool ResetPeakMemory();
// Peak resident size since the last reset, in MiB (0 when unknown).
double PeakMemoryMiB();

// fltInfo on the package bytes (written to a temporary file) with default or paginated options.
// Returns the result; *pages gets the page count on success.
int32_t InfoCall(const std::vector<unsigned char>& bytes, bool paginate, int32_t* pages = nullptr);

// Parts of a one-sheet workbook package as name -> XML, to be replaced by a test.
struct PackagePart {
  std::string name;
  std::string xml;
};
std::vector<PackagePart> WorkbookParts(int32_t sheets, const std::string& sheetXml,
                                       const std::string& definedNames = "");

}  // namespace xlxtest
