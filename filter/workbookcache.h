// WorkbookCache: the parsed workbook kept between calls as filter data in the host's holder.
//
// The info call creates it, parses and paginates into it and hands it to the holder; each later
// load whose options block equals the stored one draws from the stored parse under the read lock;
// fltFreeData destroys it. The object knows nothing of the model: the parse is an opaque pointer
// released by the function stored with it, and so is the host drawing object.
#pragma once
#include <cstdint>

#include "common/readerwriterlock.h"
#include "host/hostrecords.h"

namespace xlx {

constexpr uint32_t kWorkbookCacheTag = 0x786C7378u;  // "xslx" read as a little-endian uint32
constexpr uint32_t kCachePathUnits = 260;           // UTF-16 units of decryptedPath, terminator included

typedef void (*ReleaseFunction)(void* object);

struct WorkbookCache {
  uint32_t tag;                                // kWorkbookCacheTag; first, so holders can recognise it
  uint32_t flags;                              // dispatchXlxFlags the stored parse was made with
  uint32_t totalPages;                         // pages of the stored parse; 0 when none is stored
  _RASTERIZEDOCOPTIONS options;                // byte copy of the 68-byte block of that parse
  void* results;                               // the stored parse, or null
  ReleaseFunction pfnFreeResults;              // frees `results`; set with it
  void* drawingObject;                         // host drawing object of the stored parse, or null
  ReleaseFunction pfnDestroyDrawingObject;     // releases `drawingObject`; set with it
  uint32_t secondEngineDeclined;               // 1 when the second engine declined this file
  uint32_t decryptedPathInUse;                 // 1 when decryptedPath names a temporary package
  char16_t decryptedPath[kCachePathUnits];     // that temporary decrypted package
  uint32_t formatCode;                         // 351 xlsx, 403 binary workbook
  CacheLock lock;                              // readers: loads; writer: a refreshing info call
};

// Makes an empty cache object for a parse with these options and flags (options may be null: all
// zero). 1, -1 (memory), -13 (null out). *cache is null on failure.
int32_t CreateCache(WorkbookCache** cache, const _RASTERIZEDOCOPTIONS* options, uint32_t flags);

// Empties the object for a new parse: frees the stored parse, releases the drawing object, deletes
// the temporary decrypted package when decryptedPathInUse is 1 (and clears the path), then takes
// the new options and flags. To keep the package, clear decryptedPathInUse first and restore it
// after. The caller holds the write lock. Does nothing for null or an object without the tag. 1.
int32_t ResetCache(WorkbookCache* cache, const _RASTERIZEDOCOPTIONS* options, uint32_t flags);

// Frees everything the object owns, deletes its temporary decrypted package, and the object
// itself. Takes no lock: nobody may use the object any more. Null or untagged: nothing. 1.
int32_t DestroyCache(WorkbookCache* cache);

// Stores a finished parse in the object, which owns it from now on (an earlier one is freed first).
// The release functions may be null for objects that need no release.
void KeepParseResults(WorkbookCache* cache, void* results, ReleaseFunction pfnFreeResults, void* drawingObject,
                      ReleaseFunction pfnDestroyDrawingObject, uint32_t totalPages, uint32_t formatCode);

// True when `data` (filter data from a holder, possibly null) is a cache object.
bool IsWorkbookCache(const void* data);

}  // namespace xlx
