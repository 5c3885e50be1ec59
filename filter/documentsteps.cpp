// The real parse, layout and drawing steps behind the drivers.
#include <atomic>
#include <new>
#include <string>

#include "common/resultcodes.h"
#include "filter/documentcontext.h"
#include "host/kernel/vkkrnx.h"
#include "package/relationships.h"
#include "package/xlsxunzip.h"

namespace xlx {

// Until the workbook reader is wired in, a parsed workbook is its package and the location of
// its workbook part, with no sheets to show.
struct ParsedWorkbook {
  PartList parts;
  WorkbookLocation location;
};

namespace {

int32_t ParsePackage(DocumentContext* context, const char16_t* path) {
  int64_t handle = VkOpenFile(path, VK_OPEN_READ | VK_OPEN_BINARY, 0);
  if (handle == -1) return XLX_ERR_OPEN;
  auto* parsed = new (std::nothrow) ParsedWorkbook;
  if (!parsed) {
    VkCloseFile(handle);
    return XLX_ERR_MEMORY;
  }
  int32_t r = BuildPartList(handle, &parsed->parts, nullptr, nullptr);
  if (r == XLX_OK) r = LocateWorkbookPart(PackageSource{handle, &parsed->parts}, &parsed->location);
  VkCloseFile(handle);
  if (r != XLX_OK) {
    FreePartList(&parsed->parts);
    delete parsed;
    return r;
  }
  context->pParsed = parsed;
  context->xlsxFormatCode = parsed->location.isBinary ? kXlsbFormatCode : kXlsxFormatCode;
  context->nSheetCount = 0;
  context->totalPageCount = 0;
  return XLX_OK;
}

int32_t NoPages(const ParsedWorkbook*, int32_t) { return 0; }
int32_t NoPageInfo(const ParsedWorkbook*, int32_t, int32_t, _PAGEINFO*) { return XLX_ERR_ARGUMENT; }
int32_t DrawNothing(DocumentContext*, _BITMAPHANDLE*, bool) { return XLX_OK; }

void ReleaseParsed(ParsedWorkbook* parsed) {
  if (!parsed) return;
  FreePartList(&parsed->parts);
  delete parsed;
}

const DocumentSteps kRealSteps = {ParsePackage, NoPages, NoPageInfo, DrawNothing, ReleaseParsed};
std::atomic<const DocumentSteps*> g_steps{&kRealSteps};

}  // namespace

const DocumentSteps& GetDocumentSteps() { return *g_steps.load(); }
void SetDocumentStepsForTesting(const DocumentSteps* steps) { g_steps.store(steps ? steps : &kRealSteps); }

}  // namespace xlx
