// The filter's chief header: the exported entry points and the native drivers behind them.
#pragma once
#include <cstdint>
#include "host/hostrecords.h"

#define XLX_EXPORT extern "C" __attribute__((visibility("default")))

// Answers the page count, the size of the requested page and the resolution in the host's
// _FILEINFO; keeps the parsed workbook in the dispatch's filter-data holder. 1 or an error code.
XLX_EXPORT int32_t fltInfo(_INFODISPATCH* dispatch);
// Draws one page into a 24-bit bitmap and delivers it row by row. 1 or an error code.
XLX_EXPORT int32_t fltLoad(_LOADDISPATCH* dispatch);
// Releases what fltInfo kept (flag 0); a non-zero flag frees nothing. Always 1.
XLX_EXPORT int32_t fltFreeData(void* data, uint32_t flag);
// Returns the document properties through the request's prepare callback. 1 or an error code.
XLX_EXPORT int32_t fltReadFileMetaDataItems(MetadataRequest* request);
// Forwards to the host's generic load entry with this function's own address.
XLX_EXPORT int32_t VELK_Load(void* a1, void* a2, void* a3, void* a4);

namespace xlx {
int32_t InfoDriver(_INFODISPATCH* dispatch, uint32_t secondEngineDeclined);
int32_t LoadDriver(_LOADDISPATCH* dispatch);
int32_t FreeCacheData(void* data, uint32_t flag);
int32_t ReadMetadataItems(MetadataRequest* request);
}  // namespace xlx
