// The five exports of libxlxfilter.so. The host's drawing engine always reports a native engine
// kind here, so every call goes straight to the native drivers.
#include "filter/xlxfilter.h"
#include "common/resultcodes.h"
#include "host/kernel/vkkrnx.h"

XLX_EXPORT int32_t fltInfo(_INFODISPATCH* dispatch) {
  if (!dispatch) return XLX_ERR_ARGUMENT;
  return xlx::InfoDriver(dispatch, 0);
}

XLX_EXPORT int32_t fltLoad(_LOADDISPATCH* dispatch) {
  if (!dispatch) return XLX_ERR_ARGUMENT;
  return xlx::LoadDriver(dispatch);
}

XLX_EXPORT int32_t fltFreeData(void* data, uint32_t flag) { return xlx::FreeCacheData(data, flag); }

XLX_EXPORT int32_t fltReadFileMetaDataItems(MetadataRequest* request) { return xlx::ReadMetadataItems(request); }

XLX_EXPORT int32_t VELK_Load(void* a1, void* a2, void* a3, void* a4) {
  return VkGenericLoad(reinterpret_cast<void*>(&VELK_Load), a1, a2, a3, a4);
}
