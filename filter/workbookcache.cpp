#include "filter/workbookcache.h"

#include <cstring>
#include <new>

#include "common/resultcodes.h"
#include "host/kernel/vkkrnx.h"

namespace xlx {
namespace {

void CopyOptions(WorkbookCache* cache, const _RASTERIZEDOCOPTIONS* options) {
  if (options)
    std::memcpy(&cache->options, options, sizeof cache->options);
  else
    std::memset(&cache->options, 0, sizeof cache->options);
}

void ReleaseStoredParse(WorkbookCache* cache) {
  if (cache->results && cache->pfnFreeResults) cache->pfnFreeResults(cache->results);
  cache->results = nullptr;
  cache->pfnFreeResults = nullptr;
  if (cache->drawingObject && cache->pfnDestroyDrawingObject) cache->pfnDestroyDrawingObject(cache->drawingObject);
  cache->drawingObject = nullptr;
  cache->pfnDestroyDrawingObject = nullptr;
  cache->totalPages = 0;
  cache->formatCode = 0;
}

void DeleteDecryptedPackage(WorkbookCache* cache) {
  if (cache->decryptedPathInUse != 1) return;
  cache->decryptedPath[kCachePathUnits - 1] = 0;
  VkDeleteFile(cache->decryptedPath);
  cache->decryptedPathInUse = 0;
  cache->decryptedPath[0] = 0;
}

}  // namespace

int32_t CreateCache(WorkbookCache** cache, const _RASTERIZEDOCOPTIONS* options, uint32_t flags) {
  if (!cache) return XLX_ERR_ARGUMENT;
  *cache = nullptr;
  WorkbookCache* made = new (std::nothrow) WorkbookCache();  // value-initialised: every field zero
  if (!made) return XLX_ERR_MEMORY;
  made->tag = kWorkbookCacheTag;
  made->flags = flags;
  CopyOptions(made, options);
  *cache = made;
  return XLX_OK;
}

int32_t ResetCache(WorkbookCache* cache, const _RASTERIZEDOCOPTIONS* options, uint32_t flags) {
  if (!IsWorkbookCache(cache)) return XLX_OK;
  ReleaseStoredParse(cache);
  DeleteDecryptedPackage(cache);
  cache->flags = flags;
  CopyOptions(cache, options);
  return XLX_OK;
}

int32_t DestroyCache(WorkbookCache* cache) {
  if (!IsWorkbookCache(cache)) return XLX_OK;
  ReleaseStoredParse(cache);
  DeleteDecryptedPackage(cache);
  delete cache;
  return XLX_OK;
}

void KeepParseResults(WorkbookCache* cache, void* results, ReleaseFunction pfnFreeResults, void* drawingObject,
                      ReleaseFunction pfnDestroyDrawingObject, uint32_t totalPages, uint32_t formatCode) {
  if (!cache) return;
  ReleaseStoredParse(cache);
  cache->results = results;
  cache->pfnFreeResults = pfnFreeResults;
  cache->drawingObject = drawingObject;
  cache->pfnDestroyDrawingObject = pfnDestroyDrawingObject;
  cache->totalPages = totalPages;
  cache->formatCode = formatCode;
}

bool IsWorkbookCache(const void* data) {
  if (!data) return false;
  uint32_t tag;
  std::memcpy(&tag, data, sizeof tag);
  return tag == kWorkbookCacheTag;
}

}  // namespace xlx
