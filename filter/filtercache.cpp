// The drivers' use of the parsed-workbook cache kept in the host's filter-data holder.
#include "filter/filtercache.h"

#include <cstring>
#include <new>

#include "common/filterdata.h"
#include "common/resultcodes.h"
#include "filter/workbookcache.h"
#include "host/kernel/vkkrnx.h"
#include "package/decrypter.h"

namespace xlx {
namespace {

// What a cache object stores of a parse: the parsed workbook with its page tables and counts.
struct CachedParse {
  ParsedWorkbook* parsed;
  void (*release)(ParsedWorkbook*);
  int32_t totalPages;
  int32_t sheetCount;
  uint32_t formatCode;
  void* drawingObject;
};

void FreeCachedParse(void* object) {
  auto* cached = static_cast<CachedParse*>(object);
  if (!cached) return;
  if (cached->parsed && cached->release) cached->release(cached->parsed);
  delete cached;
}

WorkbookCache* CacheIn(FilterDataHolder* holder) {
  if (!holder || !holder->pData) return nullptr;
  if (IsWorkbookCache(holder->pData)) return static_cast<WorkbookCache*>(holder->pData);
  return static_cast<WorkbookCache*>(FindFilterDataByTag(holder, kWorkbookCacheTag));
}

}  // namespace

// Decrypts the dispatch's file into the cache object's temporary package (a writer holds it).
int32_t DecryptIntoCache(_INFODISPATCH* d, WorkbookCache* cache) {
  int32_t r = DecryptToTempFile(d->hFile, kRequestSpreadsheet, d->uPasswordSource, d, cache->decryptedPath);
  cache->decryptedPathInUse = r == XLX_OK ? 1 : 0;
  return r;
}

int32_t PrepareInfoCache(_INFODISPATCH* d, bool encrypted, uint32_t secondEngineDeclined, CacheDecision* decision) {
  *decision = CacheDecision{};
  FilterDataHolder* holder = d->pFilterData;
  WorkbookCache* cache = holder && holder->pData ? CacheIn(holder) : nullptr;
  if (!holder || (holder->pData && !cache)) {
    // No cache object to keep a decrypted package in: this call decrypts for itself.
    return encrypted ? DecryptToTempFile(d->hFile, kRequestSpreadsheet, d->uPasswordSource, d, decision->privatePackage)
                     : XLX_OK;
  }
  if (!holder->pData) {
    int32_t r = CreateCache(&cache, &d->dispatchRasterizeDocOptions, d->dispatchXlxFlags);
    if (r != XLX_OK) return r;
    if (encrypted && (r = DecryptIntoCache(d, cache)) != XLX_OK) {
      DestroyCache(cache);
      return r;
    }
    cache->secondEngineDeclined = secondEngineDeclined;
    decision->cache = cache;
    decision->created = true;
    return XLX_OK;
  }
  if (cache->lock.AcquireRead() != XLX_OK) return XLX_ERR_MEMORY;
  const bool same = cache->flags == d->dispatchXlxFlags && cache->results &&
                    std::memcmp(&cache->options, &d->dispatchRasterizeDocOptions, sizeof(_RASTERIZEDOCOPTIONS)) == 0;
  const bool needsPackage = encrypted && !cache->decryptedPathInUse;
  cache->lock.ReleaseRead();
  decision->cache = cache;
  decision->parseNeeded = !same || needsPackage;
  if (!decision->parseNeeded) return XLX_OK;
  int32_t r = XLX_OK;
  cache->lock.AcquireWrite();
  // The decrypted package survives a reset: only the parse is thrown away.
  const uint32_t keepPath = cache->decryptedPathInUse;
  cache->decryptedPathInUse = 0;
  ResetCache(cache, &d->dispatchRasterizeDocOptions, d->dispatchXlxFlags);
  cache->decryptedPathInUse = keepPath;
  if (encrypted && !cache->decryptedPathInUse) r = DecryptIntoCache(d, cache);
  cache->lock.ReleaseWrite();
  return r;
}

void DeletePrivatePackage(CacheDecision& decision) {
  if (!decision.privatePackage[0]) return;
  VkDeleteFile(decision.privatePackage);
  decision.privatePackage[0] = 0;
}

void KeepInfoCache(_INFODISPATCH* d, CacheDecision& decision) {
  DeletePrivatePackage(decision);
  if (!decision.created) return;
  if (!d->pFilterData || StoreFilterData(d->pFilterData, FILTERDATA_KIND_DEFAULT, decision.cache, 0) != XLX_OK)
    DestroyCache(decision.cache);
}

void DiscardInfoCache(CacheDecision& decision) {
  DeletePrivatePackage(decision);
  if (decision.created) DestroyCache(decision.cache);
}

const char16_t* InfoPackagePath(const _INFODISPATCH* d, const CacheDecision& decision) {
  if (decision.privatePackage[0]) return decision.privatePackage;
  const char16_t* cached = decision.cache ? CacheDecryptedPath(decision.cache) : nullptr;
  return cached ? cached : d->pszFileName;
}

const _RASTERIZEDOCOPTIONS& CacheOptions(const WorkbookCache* cache) { return cache->options; }
uint32_t CachedFlags(const WorkbookCache* cache) { return cache->flags; }
const char16_t* CacheDecryptedPath(const WorkbookCache* cache) {
  return cache && cache->decryptedPathInUse ? cache->decryptedPath : nullptr;
}

void StoreResultsInCache(WorkbookCache* cache, DocumentContext* c) {
  auto* cached = new (std::nothrow) CachedParse{c->pParsed, GetDocumentSteps().release, c->totalPageCount,
                                                c->nSheetCount, c->xlsxFormatCode, c->hDrawingObject};
  if (!cached) return;  // the caller still owns the parse and frees it
  // Loads of the same file may be reading the cache on other threads.
  cache->lock.AcquireWrite();
  KeepParseResults(cache, cached, FreeCachedParse, nullptr, nullptr, static_cast<uint32_t>(c->totalPageCount),
                   c->xlsxFormatCode);
  cache->lock.ReleaseWrite();
  c->pParsed = nullptr;
}

int32_t AdoptCachedResults(WorkbookCache* cache, DocumentContext* c) {
  auto* cached = cache ? static_cast<CachedParse*>(cache->results) : nullptr;
  if (!cached || !cached->parsed) return XLX_ERR_ARGUMENT;
  c->pParsed = cached->parsed;
  c->totalPageCount = cached->totalPages;
  c->nSheetCount = cached->sheetCount;
  c->xlsxFormatCode = cached->formatCode;
  c->hDrawingObject = cached->drawingObject;
  c->bParseNeeded = 0;
  return XLX_OK;
}

WorkbookCache* FindCache(FilterDataHolder* holder) { return CacheIn(holder); }

const char16_t* CachedDecryptedPackage(FilterDataHolder* holder) { return CacheDecryptedPath(CacheIn(holder)); }

int32_t AcquireCacheRead(WorkbookCache* cache) { return cache->lock.AcquireRead() == 1 ? XLX_OK : XLX_ERR_MEMORY; }
void ReleaseCacheRead(WorkbookCache* cache) { cache->lock.ReleaseRead(); }

bool CacheOptionsEqual(const WorkbookCache* cache, const _RASTERIZEDOCOPTIONS& options) {
  return cache->results && std::memcmp(&cache->options, &options, sizeof options) == 0;
}

int32_t FreeCacheData(void* data, uint32_t flag) {
  if (flag != 0 || !data) return XLX_OK;
  if (IsWorkbookCache(data)) DestroyCache(static_cast<WorkbookCache*>(data));
  return XLX_OK;
}

}  // namespace xlx
