// WebP pictures through libwebp, decoded straight into the bitmap's BGRA rows. Animated files are
// not read (their first frame needs the demuxer) and count as undecodable.
#include <webp/decode.h>
#include "host/kernel/imageinternal.h"

namespace vkimg {

int32_t DecodeWebp(const uint8_t* data, size_t size, _BITMAPHANDLE* out) {
  WebPBitstreamFeatures features;
  if (WebPGetFeatures(data, size, &features) != VP8_STATUS_OK || features.has_animation) return kErrFormat;
  if (features.width <= 0 || features.height <= 0) return kErrFormat;
  int32_t r = NewBitmap32(static_cast<uint32_t>(features.width), static_cast<uint32_t>(features.height), out);
  if (r != kOk) return r;
  if (!WebPDecodeBGRAInto(data, size, out->pData, static_cast<size_t>(out->uDataSize),
                          static_cast<int>(out->uBytesPerLine)))
    return kErrFormat;
  return kOk;
}

}  // namespace vkimg
