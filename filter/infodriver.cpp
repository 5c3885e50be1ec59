// fltInfo's native driver: page count, size of the requested page and resolution.
#include <cstring>

#include "common/resultcodes.h"
#include "filter/documentcontext.h"
#include "filter/xlxfilter.h"
#include "filter/filtercache.h"
#include "package/encryptionsniffer.h"

namespace xlx {
namespace {

struct PageReport {
  uint32_t width, height, totalPages, bitsPerPixel, formatCode, warnings;
  char16_t pageRange[544];
};

uint32_t ClampPage(uint32_t page, int32_t total) {
  if (total > 0 && page > static_cast<uint32_t>(total)) return static_cast<uint32_t>(total);
  return page < 1 ? 1 : page;
}

// Size of the located page plus the margins, in pixels.
void ReportPageSize(const DocumentContext& c, PageReport* report) {
  int32_t sheet = 0, page = 0;
  LocatePage(c, c.nPageNumber, &sheet, &page);
  _PAGEINFO info{};
  double w = c.dPageWidth, h = c.dPageHeight;
  if (c.pParsed && GetDocumentSteps().pageInfo(c.pParsed, sheet, page, &info) == XLX_OK) {
    w = info.nWidth;
    h = info.nHeight;
  }
  report->width = static_cast<uint32_t>(w + static_cast<int64_t>(c.dMarginLeft + c.dMarginRight + 0.5));
  report->height = static_cast<uint32_t>(h + static_cast<int64_t>(c.dMarginTop + c.dMarginBottom + 0.5));
  report->totalPages = static_cast<uint32_t>(c.totalPageCount);
  report->bitsPerPixel = 24;
  report->formatCode = c.xlsxFormatCode;
  report->pageRange[0] = 0;
  report->warnings = c.pParsed && GetDocumentSteps().warnings ? GetDocumentSteps().warnings(c.pParsed) : 0;
  if (c.pParsed && GetDocumentSteps().pageRange)
    GetDocumentSteps().pageRange(c.pParsed, sheet, page, report->pageRange, 544);
}

int32_t ParseOrReuse(_INFODISPATCH* d, DocumentContext* c, WorkbookCache* cache, bool parseNeeded,
                     const char16_t* path) {
  if (!parseNeeded && cache) return AdoptCachedResults(cache, c);
  int32_t r = PollProgress(d->pProgress);
  if (r != XLX_OK) return r;
  r = GetDocumentSteps().parse(c, path);
  if (r != XLX_OK) return r;
  return PollProgress(d->pProgress);
}

// Parses (or takes the cached parse), finds the requested page and reports its size.
int32_t ParseAndPaginate(_INFODISPATCH* d, const ViewOptions& view, PageReport* report, WorkbookCache* cache,
                         bool parseNeeded, const char16_t* path) {
  DocumentContext* c = CreateDocumentContext(view, d, d->pProgress);
  if (!c) return XLX_ERR_MEMORY;
  c->pszSourcePath = d->pszFileName;
  int32_t r = XLX_ERR_FORMAT;
  try {
    r = ParseOrReuse(d, c, cache, parseNeeded, path);
    if (r == XLX_OK) {
      c->nPageNumber = ClampPage(c->nPageNumber, c->totalPageCount);
      ReportPageSize(*c, report);
      if (cache && parseNeeded) StoreResultsInCache(cache, c);
    }
  } catch (...) {
    r = XLX_ERR_FORMAT;
  }
  // A parse of this call that did not move into the cache ends here; a reused one is borrowed.
  if (parseNeeded && c->pParsed) GetDocumentSteps().release(c->pParsed);
  FreeDocumentContext(c);
  return r;
}

void FillFileInfo(_FILEINFO* info, const PageReport& report, uint32_t requestedPage, const ViewOptions& view) {
  info->uTotalPages = report.totalPages;
  info->uPageNumber = requestedPage < report.totalPages ? requestedPage : report.totalPages;
  info->uFormat = report.formatCode;
  info->uWidth = report.width;
  info->uHeight = report.height;
  info->uBitsPerPixel = 24;
  info->uField1100 = 1;
  info->uXResolution = view.xResolution;
  info->uYResolution = view.yResolution;
  info->uWarnings = report.warnings;
  uint64_t stride = ((24ull * report.width + 31) / 8) & ~3ull;
  info->uSizeMem = stride * report.height;
  if (info->uStructSize > 2188) {
    info->uHasVectorSize = 1;
    // Printed pages carry their own paper; other pages the requested size.
    info->dVectorWidth = view.bPrintSetup ? report.width / static_cast<double>(view.xResolution) : view.pageWidth;
    info->dVectorHeight = view.bPrintSetup ? report.height / static_cast<double>(view.yResolution) : view.pageHeight;
    info->uVectorUnit = 1;
  }
  if (info->uStructSize >= sizeof(_FILEINFOPRINT)) {
    auto* extended = reinterpret_cast<_FILEINFOPRINT*>(info);
    std::memcpy(extended->szPageRange, report.pageRange, sizeof extended->szPageRange);
  }
}

}  // namespace

int32_t InfoDriver(_INFODISPATCH* d, uint32_t secondEngineDeclined) {
  if (!d || !d->pLoadFileOption) return XLX_ERR_ARGUMENT;
  ScreenResolution screen = GetScreenResolution();
  int32_t r = PollProgress(d->pProgress);
  if (r != XLX_OK) return r;
  int32_t kind = 0;
  bool encrypted = false;
  r = SniffEncryption(d->hFile, &kind, &encrypted);
  if (r != XLX_OK) return r;
  if (kind != kDocPackage) return XLX_ERR_FORMAT;
  if (d->pLoadFileOption->nPageNumber < 1) {
    d->pLoadFileOption->nPageNumber = 1;
    if (d->pFileInfo) d->pFileInfo->uPageNumber = 1;
  }
  CacheDecision cached;
  r = PrepareInfoCache(d, encrypted, secondEngineDeclined, &cached);
  if (r != XLX_OK) return r;
  WorkbookCache* cache = cached.cache;
  const _RASTERIZEDOCOPTIONS& source = cache ? CacheOptions(cache) : d->dispatchRasterizeDocOptions;
  const uint32_t flags = cache && !cached.parseNeeded ? CachedFlags(cache) : d->dispatchXlxFlags;
  _RASTERIZEDOCOPTIONS normalized;
  r = NormalizePageGeometry(source, d->pfnUnitConverter, screen, &normalized);
  ViewOptions view;
  uint32_t requested = static_cast<uint32_t>(d->pLoadFileOption->nPageNumber);
  BuildViewOptions(normalized, flags, requested == 32000 ? 1 : requested, &view);
  if (r == XLX_OK) r = PollProgress(d->pProgress);
  PageReport report{};
  if (r == XLX_OK) {
    try {
      r = ParseAndPaginate(d, view, &report, cache, cached.parseNeeded, InfoPackagePath(d, cached));
    } catch (...) {
      DiscardInfoCache(cached);
      return XLX_EXCEPTION_INFO;
    }
  }
  if (r != XLX_OK) {
    DiscardInfoCache(cached);
    return r;
  }
  if (view.loadMode != kLoadPaginated && view.sizeMode != 0) {
    report.width = static_cast<uint32_t>(view.xResolution * view.pageWidth);
    report.height = static_cast<uint32_t>(view.yResolution * view.pageHeight);
  }
  if (!d->pFileInfo) {
    DiscardInfoCache(cached);
    return XLX_ERR_ARGUMENT;
  }
  FillFileInfo(d->pFileInfo, report, requested, view);
  KeepInfoCache(d, cached);
  return XLX_OK;
}

}  // namespace xlx
