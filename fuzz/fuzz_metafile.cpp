// EMF and WMF pictures from any bytes, through the host's picture decoder: the record walk, then the
// converter in its child process, then the SVG drawn at a requested size, as the filter asks for
// pictures (the size they are drawn at), and at a height alone, the width following the picture's
// aspect (narrower when the width would pass the side limit). Only the documented answers may come
// back, and a decoded bitmap has the size asked for.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "host/kernel/vkimage.h"
#include "host/kernel/vkkrnx.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

void Decode(const uint8_t* data, size_t size, uint32_t width, uint32_t height) {
  _BITMAPHANDLE bitmap;
  const int32_t r = VkLoadImageFromMemory(data, size, 32, width, height, &bitmap);
  Check(r == 1 || r == -1 || r == -9);
  if (r != 1) {
    Check(bitmap.pData == nullptr);
    return;
  }
  Check(bitmap.uWidth > 0 && bitmap.uHeight > 0 && bitmap.uWidth <= VK_MAX_VECTOR_SIDE && bitmap.uHeight <= VK_MAX_VECTOR_SIDE);
  if (width) Check(bitmap.uWidth == width);
  Check(width ? bitmap.uHeight == height : bitmap.uHeight <= height);
  VkFreeBitmap(&bitmap);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const int32_t format = VkDetectImageFormat(data, size);
  if (format != VK_IMAGE_EMF && format != VK_IMAGE_WMF) return 0;
  Decode(data, size, 40, 24);
  Decode(data, size, 0, 24);
  return 0;
}
