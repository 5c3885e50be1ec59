// PNG pictures through libpng. libpng reports errors by longjmp, so everything that must be
// released on an error lives in a plain record outside the jump.
#include <png.h>
#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include "host/kernel/imageinternal.h"

namespace vkimg {
namespace {

struct PngInput {
  const uint8_t* data;
  size_t size;
  size_t pos;
};

void ReadInput(png_structp png, png_bytep out, png_size_t count) {
  auto* in = static_cast<PngInput*>(png_get_io_ptr(png));
  if (count > in->size - in->pos) png_error(png, "truncated");
  std::memcpy(out, in->data + in->pos, count);
  in->pos += count;
}

void OnError(png_structp png, png_const_charp) { longjmp(png_jmpbuf(png), 1); }
void OnWarning(png_structp, png_const_charp) {}

struct PngState {
  png_structp png = nullptr;
  png_infop info = nullptr;
  png_bytep* rows = nullptr;
  png_bytep line = nullptr;  // one decoded row, when reducing
  uint64_t* sums = nullptr;  // per reduced pixel and channel, when reducing
  int32_t result = XLX_ERR_FORMAT;
};

// Reads the w x h picture row by row into `out`, each `factor` x `factor` block averaged into one
// pixel (the last blocks of a row or column may be narrower).
void ReadReduced(PngState* st, png_uint_32 w, png_uint_32 h, uint32_t factor, _BITMAPHANDLE* out) {
  png_structp png = st->png;
  const uint32_t ow = out->uWidth;
  st->line = static_cast<png_bytep>(std::malloc(size_t(w) * 4));
  st->sums = static_cast<uint64_t*>(std::calloc(size_t(ow) * 4, sizeof(uint64_t)));
  if (!st->line || !st->sums) {
    st->result = XLX_ERR_MEMORY;
    png_error(png, "memory");
  }
  uint32_t rowsIn = 0;
  for (png_uint_32 y = 0; y < h; ++y) {
    png_read_row(png, st->line, nullptr);
    for (png_uint_32 x = 0; x < w; ++x)
      for (int c = 0; c < 4; ++c) st->sums[(x / factor) * 4 + c] += st->line[x * 4 + c];
    if (++rowsIn < factor && y + 1 < h) continue;
    uint8_t* target = Row(out, y / factor);
    for (uint32_t ox = 0; ox < ow; ++ox) {
      const uint64_t n = uint64_t(std::min<uint64_t>(factor, w - uint64_t(ox) * factor)) * rowsIn;
      for (int c = 0; c < 4; ++c) target[ox * 4 + c] = static_cast<uint8_t>((st->sums[ox * 4 + c] + n / 2) / n);
    }
    std::memset(st->sums, 0, size_t(ow) * 4 * sizeof(uint64_t));
    rowsIn = 0;
  }
  png_read_end(png, nullptr);
}

// The decoding steps; returns normally only on success.
void Decode(PngState* st, PngInput* in, uint64_t maxPixels, _BITMAPHANDLE* out, uint32_t* own) {
  png_structp png = st->png;
  png_infop info = st->info;
  png_set_read_fn(png, in, ReadInput);
  png_set_user_limits(png, VK_MAX_IMAGE_SIDE, VK_MAX_IMAGE_SIDE);
  png_set_chunk_malloc_max(png, 64u << 20);
  png_read_info(png, info);
  const png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
  if (own) own[0] = w, own[1] = h;
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_bgr(png);
  png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != static_cast<size_t>(w) * 4) png_error(png, "unexpected row size");
  const uint64_t pixels = uint64_t(w) * h;
  if (maxPixels > 0 && pixels > maxPixels && png_get_interlace_type(png, info) == PNG_INTERLACE_NONE) {
    uint32_t factor = static_cast<uint32_t>(std::ceil(std::sqrt(double(pixels) / double(maxPixels))));
    while (uint64_t((w + factor - 1) / factor) * ((h + factor - 1) / factor) > maxPixels) ++factor;
    st->result = NewBitmap32((w + factor - 1) / factor, (h + factor - 1) / factor, out);
    if (st->result != XLX_OK) png_error(png, "size");
    st->result = XLX_ERR_FORMAT;
    ReadReduced(st, w, h, factor, out);
    st->result = XLX_OK;
    return;
  }
  st->result = NewBitmap32(w, h, out);
  if (st->result != XLX_OK) png_error(png, "size");
  st->result = XLX_ERR_FORMAT;
  st->rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * h));
  if (!st->rows) {
    st->result = XLX_ERR_MEMORY;
    png_error(png, "memory");
  }
  for (png_uint_32 y = 0; y < h; ++y) st->rows[y] = Row(out, y);
  png_read_image(png, st->rows);
  st->result = XLX_OK;
}

}  // namespace

int32_t DecodePng(const uint8_t* data, size_t size, _BITMAPHANDLE* out, uint64_t maxPixels, uint32_t* own) {
  PngState st;
  PngInput in{data, size, 0};
  st.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
  if (!st.png) return XLX_ERR_MEMORY;
  st.info = png_create_info_struct(st.png);
  if (!st.info) {
    png_destroy_read_struct(&st.png, nullptr, nullptr);
    return XLX_ERR_MEMORY;
  }
  if (setjmp(png_jmpbuf(st.png)) == 0) Decode(&st, &in, maxPixels, out, own);
  png_destroy_read_struct(&st.png, &st.info, nullptr);
  std::free(st.rows);
  std::free(st.line);
  std::free(st.sums);
  return st.result;
}

}  // namespace vkimg
