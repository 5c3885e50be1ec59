// Until the cache object exists every call parses privately and nothing is kept between calls.
#include "filter/filtercache.h"

#include "common/resultcodes.h"

namespace xlx {

int32_t PrepareInfoCache(_INFODISPATCH*, bool, uint32_t, CacheDecision* decision) {
  *decision = CacheDecision{};
  return XLX_OK;
}
void KeepInfoCache(_INFODISPATCH*, const CacheDecision&) {}
void DiscardInfoCache(const CacheDecision&) {}
const _RASTERIZEDOCOPTIONS& CacheOptions(const WorkbookCache*) {
  static const _RASTERIZEDOCOPTIONS none{};
  return none;
}
uint32_t CachedFlags(const WorkbookCache*) { return 0; }
const char16_t* CacheDecryptedPath(const WorkbookCache*) { return nullptr; }
void StoreResultsInCache(WorkbookCache*, DocumentContext*) {}
int32_t AdoptCachedResults(WorkbookCache*, DocumentContext*) { return XLX_ERR_ARGUMENT; }
WorkbookCache* FindCache(FilterDataHolder*) { return nullptr; }
int32_t AcquireCacheRead(WorkbookCache*) { return XLX_OK; }
void ReleaseCacheRead(WorkbookCache*) {}
bool CacheOptionsEqual(const WorkbookCache*, const _RASTERIZEDOCOPTIONS&) { return false; }

int32_t FreeCacheData(void*, uint32_t) { return XLX_OK; }

}  // namespace xlx
