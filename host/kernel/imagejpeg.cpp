// JPEG pictures through libjpeg-turbo, decoded straight to BGRA rows. A file that ends before its
// image data does is refused rather than drawn half grey, and progressive files are held to a
// number of scans so that a crafted file cannot keep the decoder busy for minutes.
#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>
#include <csetjmp>
#include <cstdlib>
#include "host/kernel/imageinternal.h"

namespace vkimg {
namespace {

constexpr int kMaxScans = 1000;

struct JpegError {
  jpeg_error_mgr mgr;
  jmp_buf jump;
};

void OnErrorExit(j_common_ptr cinfo) { longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1); }
void OnOutput(j_common_ptr) {}
void OnMessage(j_common_ptr cinfo, int level) {
  // The memory source reports a premature end as a warning and pads with an end marker.
  if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF) longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}
void OnProgress(j_common_ptr cinfo) {
  auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (d->input_scan_number > kMaxScans) longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}

struct JpegState {
  jpeg_decompress_struct cinfo;
  JpegError error;
  jpeg_progress_mgr progress;
  uint8_t* cmykRow = nullptr;
  int32_t result = XLX_ERR_FORMAT;
};

void Decode(JpegState* st, const uint8_t* data, size_t size, uint64_t maxPixels, _BITMAPHANDLE* out, uint32_t* own) {
  jpeg_decompress_struct* c = &st->cinfo;
  jpeg_mem_src(c, data, static_cast<unsigned long>(size));
  jpeg_read_header(c, TRUE);
  c->mem->max_memory_to_use = 512l << 20;
  const bool cmyk = c->jpeg_color_space == JCS_CMYK || c->jpeg_color_space == JCS_YCCK;
  c->out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA;
  if (own) own[0] = c->image_width, own[1] = c->image_height;
  // A picture over the pixels asked for is decoded at a half, a quarter or an eighth of its size.
  const uint64_t pixels = uint64_t(c->image_width) * c->image_height;
  c->scale_num = 1;
  c->scale_denom = 1;
  while (maxPixels > 0 && c->scale_denom < 8 && pixels / (uint64_t(c->scale_denom) * c->scale_denom) > maxPixels)
    c->scale_denom *= 2;
  jpeg_calc_output_dimensions(c);
  st->result = NewBitmap32(c->output_width, c->output_height, out);
  if (st->result != XLX_OK) return;
  st->result = XLX_ERR_FORMAT;
  jpeg_start_decompress(c);
  if (c->output_width != out->uWidth || c->output_height != out->uHeight) return;
  if (cmyk) {
    st->cmykRow = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(c->output_width) * 4));
    if (!st->cmykRow) {
      st->result = XLX_ERR_MEMORY;
      return;
    }
  }
  while (c->output_scanline < c->output_height) {
    uint8_t* row = Row(out, c->output_scanline);
    JSAMPROW target = cmyk ? st->cmykRow : row;
    if (jpeg_read_scanlines(c, &target, 1) != 1) return;
    if (cmyk) {
      // Adobe writes CMYK JPEGs inverted: each sample is 255 minus the ink.
      for (uint32_t x = 0; x < out->uWidth; ++x) {
        const uint8_t* s = st->cmykRow + 4 * x;
        uint8_t* d = row + 4 * x;
        d[0] = static_cast<uint8_t>(s[2] * s[3] / 255);
        d[1] = static_cast<uint8_t>(s[1] * s[3] / 255);
        d[2] = static_cast<uint8_t>(s[0] * s[3] / 255);
        d[3] = 255;
      }
    }
  }
  jpeg_finish_decompress(c);
  st->result = XLX_OK;
}

}  // namespace

int32_t DecodeJpeg(const uint8_t* data, size_t size, _BITMAPHANDLE* out, uint64_t maxPixels, uint32_t* own) {
  auto* st = static_cast<JpegState*>(std::calloc(1, sizeof(JpegState)));
  if (!st) return XLX_ERR_MEMORY;
  st->result = XLX_ERR_FORMAT;
  st->cinfo.err = jpeg_std_error(&st->error.mgr);
  st->error.mgr.error_exit = OnErrorExit;
  st->error.mgr.output_message = OnOutput;
  st->error.mgr.emit_message = OnMessage;
  st->progress.progress_monitor = OnProgress;
  if (setjmp(st->error.jump) == 0) {
    jpeg_create_decompress(&st->cinfo);
    st->cinfo.progress = &st->progress;
    Decode(st, data, size, maxPixels, out, own);
  } else if (st->result == XLX_OK) {
    st->result = XLX_ERR_FORMAT;
  }
  jpeg_destroy_decompress(&st->cinfo);
  std::free(st->cmykRow);
  int32_t result = st->result;
  std::free(st);
  return result;
}

}  // namespace vkimg
