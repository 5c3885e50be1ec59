// Differential target of the worksheet reader: the input is a worksheet part, read once from its
// whole DOM and twice streamed (its rows tokenized as they inflate, a few bytes at a time and in
// larger pieces); every reading must give the same result and the same sheet, or the input is a
// finding.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "host/kernel/vkkrnx.h"
#include "filter/workbookopen.h"
#include "parser/xlsxprsr.h"
#include "tests/support/sheetfingerprint.h"
#include "tests/support/zipbuilder.h"
#include "values/formula/formula.h"

namespace {

struct Reading {
  int32_t rc = 0;
  std::string fingerprint;
};

Reading Read(const std::vector<unsigned char>& package, size_t sliceBytes, size_t chunkBytes) {
  Reading reading;
  int64_t handle = VkOpenMemoryFile(package.data(), package.size());
  xlx::WorkbookOpenOptions options;
  options.sheetSliceBytes = sliceBytes;
  options.sheetStreamChunkBytes = chunkBytes;
  options.formulaMode = xlx::kFormulaEvalNone;  // RAND and NOW would differ between the readings
  xlx::Workbook* workbook = nullptr;
  reading.rc = xlx::OpenWorkbookFromHandle(handle, options, &workbook);
  if (workbook) reading.fingerprint = xlxtest::SheetFingerprint(workbook);
  xlx::FreeWorkbook(workbook);
  VkCloseFile(handle);
  return reading;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  std::vector<xlxtest::ZipEntry> entries = xlxtest::MinimalWorkbookEntries({"S"});
  for (xlxtest::ZipEntry& entry : entries) {
    entry.stored = true;  // no compression: the run's time goes to the readers
    if (entry.name == "xl/worksheets/sheet1.xml") entry.data.assign(reinterpret_cast<const char*>(data), size);
  }
  const std::vector<unsigned char> package = xlxtest::BuildZip(entries);
  const Reading whole = Read(package, 0, 1 << 20);
  // Slices of a few bytes cut after every row, inflated a few bytes at a time so that every tag
  // and comment is split across pieces, and the state runs on across all of them.
  for (size_t chunkBytes : {1 + size % 13, 64 + size % 4093}) {
    const Reading slices = Read(package, 1 + size % 7, chunkBytes);
    if (slices.rc != whole.rc || slices.fingerprint != whole.fingerprint) {
      std::fprintf(stderr, "streamed reading (%zu) differs: %d / %d\n%s\n--\n%s\n", chunkBytes, slices.rc, whole.rc,
                   slices.fingerprint.c_str(), whole.fingerprint.c_str());
      std::abort();
    }
  }
  return 0;
}
