// WebP pictures through libwebp, decoded straight into the bitmap's BGRA rows. Animated files are
// not read (their first frame needs the demuxer) and count as undecodable.
#include <webp/decode.h>
#include "host/kernel/imageinternal.h"

namespace vkimg {

int32_t DecodeWebp(const uint8_t* data, size_t size, _BITMAPHANDLE* out) {
  WebPBitstreamFeatures features;
  if (WebPGetFeatures(data, size, &features) != VP8_STATUS_OK || features.has_animation) return XLX_ERR_FORMAT;
  if (features.width <= 0 || features.height <= 0) return XLX_ERR_FORMAT;
  int32_t r = NewBitmap32(static_cast<uint32_t>(features.width), static_cast<uint32_t>(features.height), out);
  if (r != XLX_OK) return r;
  if (!WebPDecodeBGRAInto(data, size, out->pData, static_cast<size_t>(out->uDataSize),
                          static_cast<int>(out->uBytesPerLine)))
    return XLX_ERR_FORMAT;
  return XLX_OK;
}

}  // namespace vkimg
