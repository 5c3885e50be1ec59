// PNG pictures through libpng. libpng reports errors by longjmp, so everything that must be
// released on an error lives in a plain record outside the jump.
#include <png.h>
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
  int32_t result = XLX_ERR_FORMAT;
};

// The decoding steps; returns normally only on success.
void Decode(PngState* st, PngInput* in, _BITMAPHANDLE* out) {
  png_structp png = st->png;
  png_infop info = st->info;
  png_set_read_fn(png, in, ReadInput);
  png_set_user_limits(png, VK_MAX_IMAGE_SIDE, VK_MAX_IMAGE_SIDE);
  png_set_chunk_malloc_max(png, 64u << 20);
  png_read_info(png, info);
  const png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_bgr(png);
  png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != static_cast<size_t>(w) * 4) png_error(png, "unexpected row size");
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

int32_t DecodePng(const uint8_t* data, size_t size, _BITMAPHANDLE* out) {
  PngState st;
  PngInput in{data, size, 0};
  st.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
  if (!st.png) return XLX_ERR_MEMORY;
  st.info = png_create_info_struct(st.png);
  if (!st.info) {
    png_destroy_read_struct(&st.png, nullptr, nullptr);
    return XLX_ERR_MEMORY;
  }
  if (setjmp(png_jmpbuf(st.png)) == 0) Decode(&st, &in, out);
  png_destroy_read_struct(&st.png, &st.info, nullptr);
  std::free(st.rows);
  return st.result;
}

}  // namespace vkimg
