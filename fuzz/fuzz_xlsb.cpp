// Binary workbooks: the first byte of the input chooses what the rest becomes, and the package
// around it is a small valid binary workbook, so that each reader is reached with its own part:
//   0 the workbook part (after a valid sheet list), 1 the styles part, 2 the shared-string part,
//   3 the first sheet's part, 4 formula tokens rendered directly (the second byte splits the rest
//   into the tokens and their extra data), 5 the first sheet's comments part, 6 its table part,
//   7 its pivot table part.
// The package is opened through the workbook reader as a host would open it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "host/kernel/vkkrnx.h"
#include "parser/xlsb/xlsbformula.h"
#include "filter/workbookopen.h"
#include "parser/xlsxprsr.h"
#include "tests/support/xlsbwriter.h"

namespace {

// Extern sheets and names for formulas to resolve against: the workbook's own two sheets.
std::string TableRecords() {
  std::string part;
  xlxtest::AppendRecord(&part, 357, "");
  xlxtest::AppendRecord(&part, 362, xlxtest::Payload().U32(2).U32(0).U32(0).U32(0).U32(0).U32(0).U32(1));
  xlxtest::AppendRecord(&part, 39, xlxtest::Payload().U32(0).U8(0).U32(0xFFFFFFFFu).Wide("N").U32(3)
                                       .Raw(std::string("\x1e\x01\x00", 3)).U32(0).U32(0xFFFFFFFFu));
  return part;
}

void OpenPackage(const std::vector<xlxtest::ZipEntry>& entries) {
  const std::vector<unsigned char> package = xlxtest::BuildStoredZip(entries);
  int64_t handle = VkOpenMemoryFile(package.data(), package.size());
  for (int32_t mode : {0, 2}) {
    xlx::WorkbookOpenOptions options;
    options.loadMode = mode;
    options.showHiddenSheets = mode == 2;
    xlx::Workbook* workbook = nullptr;
    if (xlx::OpenWorkbookFromHandle(handle, options, &workbook) == 1) xlx::FreeWorkbook(workbook);
  }
  VkCloseFile(handle);
}

void RenderTokens(const uint8_t* data, size_t size) {
  xlx::Workbook* workbook = nullptr;
  if (xlx::CreateWorkbook(&workbook) != 1) return;
  if (workbook->sheetParts.Allocate(2) != 1) {
    xlx::FreeWorkbook(workbook);
    return;
  }
  workbook->sheetParts[0].name = u"One";
  workbook->sheetParts[1].name = u"Two sheets";
  workbook->binaryTables.linkIsSelf = {1, 0};
  workbook->binaryTables.externSheets = {{0, 0, 0}, {0, 0, 1}, {1, 0, 0}, {0, -2, -2}};
  workbook->binaryTables.names = {u"N", u"Local"};
  workbook->binaryTables.nameSheets = {-1, 1};
  size_t split = size > 0 ? data[0] : 0;
  if (split > size - (size > 0 ? 1 : 0)) split = size > 0 ? size - 1 : 0;
  xlx::FormulaTokens formula;
  formula.tokens = size > 0 ? data + 1 : data;
  formula.length = split;
  formula.extra = formula.tokens + split;
  formula.extraLength = size > 0 ? size - 1 - split : 0;
  formula.row = 5;
  formula.column = 3;
  std::u16string text;
  (void)xlx::RenderFormulaTokens(*workbook, formula, &text);
  xlx::FreeWorkbook(workbook);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > (1u << 20)) return 0;
  const uint8_t target = data[0] % 8;
  if (target == 4) {
    RenderTokens(data + 1, size - 1);
    return 0;
  }
  const std::string part(reinterpret_cast<const char*>(data + 1), size - 1);
  xlxtest::BinaryBook book;
  book.sheetNames = {"One", "Two sheets"};
  book.workbookRecords = TableRecords();
  book.sharedStrings = {"a", "b"};
  book.sheetRecords = {xlxtest::TablePartRecord()};
  std::vector<xlxtest::ZipEntry> entries = xlxtest::BinaryWorkbookEntries(book);
  const std::string empty;
  for (xlxtest::ZipEntry& entry : xlxtest::SheetObjectEntries(target == 5 ? part : empty, target == 6 ? part : empty,
                                                              target == 7 ? part : empty))
    entries.push_back(std::move(entry));
  const char* const names[] = {"xl/workbook.bin", "xl/styles.bin", "xl/sharedStrings.bin", "xl/worksheets/sheet1.bin",
                               "", "", "", ""};
  for (xlxtest::ZipEntry& entry : entries) {
    entry.stored = true;  // no compression: the run's time goes to the readers
    if (entry.name != names[target]) continue;
    // The workbook part keeps its sheet list so that the sheets are still read.
    entry.data = target == 0 ? xlxtest::WorkbookPart(book) + part : part;
  }
  OpenPackage(entries);
  return 0;
}
