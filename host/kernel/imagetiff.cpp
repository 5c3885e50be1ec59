// TIFF pictures through libtiff: the first page, read through libtiff's RGBA interface, which
// handles every photometric interpretation, bit depth and compression libtiff knows.
#include <tiffio.h>
#include <algorithm>
#include <cstdarg>
#include <cstring>
#include "host/kernel/imageinternal.h"

namespace vkimg {
namespace {

struct TiffInput {
  const uint8_t* data;
  size_t size;
  size_t pos;
};

tmsize_t ReadInput(thandle_t h, void* buf, tmsize_t n) {
  auto* in = static_cast<TiffInput*>(h);
  if (n < 0) return -1;
  size_t count = std::min<size_t>(static_cast<size_t>(n), in->size - in->pos);
  std::memcpy(buf, in->data + in->pos, count);
  in->pos += count;
  return static_cast<tmsize_t>(count);
}
tmsize_t WriteInput(thandle_t, void*, tmsize_t) { return -1; }
toff_t SeekInput(thandle_t h, toff_t off, int whence) {
  auto* in = static_cast<TiffInput*>(h);
  uint64_t base = whence == SEEK_CUR ? in->pos : whence == SEEK_END ? in->size : 0;
  uint64_t target = base + off;
  if (target > in->size) return static_cast<toff_t>(-1);
  in->pos = static_cast<size_t>(target);
  return target;
}
int CloseInput(thandle_t) { return 0; }
toff_t SizeInput(thandle_t h) { return static_cast<TiffInput*>(h)->size; }
int MapInput(thandle_t, void**, toff_t*) { return 0; }
void UnmapInput(thandle_t, void*, toff_t) {}
int Quiet(TIFF*, void*, const char*, const char*, va_list) { return 1; }

}  // namespace

int32_t DecodeTiff(const uint8_t* data, size_t size, _BITMAPHANDLE* out) {
  TiffInput in{data, size, 0};
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  if (!options) return XLX_ERR_MEMORY;
  TIFFOpenOptionsSetMaxSingleMemAlloc(options, 512 << 20);
  TIFFOpenOptionsSetErrorHandlerExtR(options, Quiet, nullptr);
  TIFFOpenOptionsSetWarningHandlerExtR(options, Quiet, nullptr);
  TIFF* tif = TIFFClientOpenExt("picture", "rm", &in, ReadInput, WriteInput, SeekInput, CloseInput, SizeInput,
                                MapInput, UnmapInput, options);
  TIFFOpenOptionsFree(options);
  if (!tif) return XLX_ERR_FORMAT;
  uint32_t w = 0, h = 0;
  int32_t result = XLX_ERR_FORMAT;
  if (TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w) && TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h)) {
    result = NewBitmap32(w, h, out);
    if (result == XLX_OK) {
      // The RGBA words go straight into the bitmap rows (same size), then are reordered in place.
      static_assert(sizeof(uint32_t) == 4, "words");
      result = XLX_ERR_FORMAT;
      uint32_t* raster = reinterpret_cast<uint32_t*>(out->pData);
      if (out->uBytesPerLine == static_cast<uint64_t>(w) * 4 &&
          TIFFReadRGBAImageOriented(tif, w, h, raster, ORIENTATION_TOPLEFT, 1)) {
        for (uint64_t i = 0; i < static_cast<uint64_t>(w) * h; ++i) {
          uint32_t p = raster[i];
          uint32_t r = TIFFGetR(p), g = TIFFGetG(p), b = TIFFGetB(p), a = TIFFGetA(p);
          // libtiff hands out premultiplied colour.
          if (a != 0 && a != 255) {
            r = std::min<uint32_t>(255, (r * 255 + a / 2) / a);
            g = std::min<uint32_t>(255, (g * 255 + a / 2) / a);
            b = std::min<uint32_t>(255, (b * 255 + a / 2) / a);
          }
          uint8_t* d = reinterpret_cast<uint8_t*>(raster + i);
          d[0] = static_cast<uint8_t>(b), d[1] = static_cast<uint8_t>(g), d[2] = static_cast<uint8_t>(r);
          d[3] = static_cast<uint8_t>(a);
        }
        result = XLX_OK;
      }
    }
  }
  TIFFClose(tif);
  return result;
}

}  // namespace vkimg
