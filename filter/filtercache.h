// How the drivers use the parsed-workbook cache kept in the host's filter-data holder.
#pragma once
#include <cstdint>
#include "filter/documentcontext.h"
#include "host/hostrecords.h"

namespace xlx {

struct WorkbookCache;

// The info call's decision about the holder's cache object.
struct CacheDecision {
  WorkbookCache* cache = nullptr;  // null: parse privately, keep nothing
  bool created = false;            // made by this call (destroyed again on failure)
  bool parseNeeded = true;         // false: the cached parse is reused as it is
  // An encrypted file parsed without a cache object is decrypted for this call only, into this
  // temporary package (empty when none), which Keep/DiscardInfoCache delete.
  char16_t privatePackage[260] = {0};
};

// Info call, before parsing: create a cache object in an empty holder, reuse one whose flags
// and options equal the request's, or reset one that differs. An encrypted file is decrypted
// once into the cache object (or, without one, into a private package for this call).
// 1 or an error code (the decryption step's codes included).
int32_t PrepareInfoCache(_INFODISPATCH* dispatch, bool encrypted, uint32_t secondEngineDeclined, CacheDecision* decision);
// Info call, after success: hand a cache object made here to the holder (destroyed if that fails).
void KeepInfoCache(_INFODISPATCH* dispatch, CacheDecision& decision);
// Info call, after failure: destroy a cache object made here.
void DiscardInfoCache(CacheDecision& decision);
// The package the info call parses: the private or the cached decrypted package, else the source.
const char16_t* InfoPackagePath(const _INFODISPATCH* dispatch, const CacheDecision& decision);

// The options block and flags a cache object was made with.
const _RASTERIZEDOCOPTIONS& CacheOptions(const WorkbookCache* cache);
uint32_t CachedFlags(const WorkbookCache* cache);
// Path of the decrypted temporary package, or null.
const char16_t* CacheDecryptedPath(const WorkbookCache* cache);
// The decrypted package of the cache object a holder carries, or null.
const char16_t* CachedDecryptedPackage(FilterDataHolder* holder);

// Moves the parse of a context into the cache (the cache owns it afterwards).
void StoreResultsInCache(WorkbookCache* cache, DocumentContext* context);
// Points a context at the cached parse without taking ownership. 1, or -13 when nothing is stored.
int32_t AdoptCachedResults(WorkbookCache* cache, DocumentContext* context);

// Load call: the cache object in a holder (null when the holder carries none), its read lock,
// and the byte comparison of options blocks.
WorkbookCache* FindCache(FilterDataHolder* holder);
int32_t AcquireCacheRead(WorkbookCache* cache);
void ReleaseCacheRead(WorkbookCache* cache);
bool CacheOptionsEqual(const WorkbookCache* cache, const _RASTERIZEDOCOPTIONS& options);

}  // namespace xlx
