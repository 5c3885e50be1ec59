#include "jpegencoder.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

// libjpeg reports errors by calling error_exit, which must not return: it jumps back here.
struct JpegEncoder::State {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr errors{};
  std::jmp_buf failure;
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  bool started = false, failed = false;
  uint32_t rows = 0;
};

namespace {
[[noreturn]] void JumpOnError(j_common_ptr cinfo) {
  auto* state = static_cast<JpegEncoder::State*>(cinfo->client_data);
  std::longjmp(state->failure, 1);
}
}  // namespace

JpegEncoder::JpegEncoder() : state_(new State) {}

JpegEncoder::~JpegEncoder() {
  if (state_->started) jpeg_destroy_compress(&state_->cinfo);
  std::free(state_->buffer);
}

bool JpegEncoder::Begin(uint32_t width, uint32_t height, uint32_t dpi, int quality) {
  State* s = state_.get();
  if (s->started || width == 0 || height == 0 || width > kJpegMaxDimension || height > kJpegMaxDimension) return false;
  s->cinfo.err = jpeg_std_error(&s->errors);
  s->errors.error_exit = JumpOnError;
  s->cinfo.client_data = s;
  if (setjmp(s->failure)) return s->failed = true, false;
  jpeg_create_compress(&s->cinfo);
  s->started = true;
  jpeg_mem_dest(&s->cinfo, &s->buffer, &s->size);
  s->cinfo.image_width = width;
  s->cinfo.image_height = height;
  s->cinfo.input_components = 3;
  s->cinfo.in_color_space = JCS_EXT_BGR;  // the page bitmap's order, converted by the library
  jpeg_set_defaults(&s->cinfo);
  jpeg_set_quality(&s->cinfo, quality, TRUE);
  s->cinfo.density_unit = 1;  // dots per inch
  s->cinfo.X_density = s->cinfo.Y_density = static_cast<UINT16>(dpi > 65535 ? 65535 : dpi);
  jpeg_start_compress(&s->cinfo, TRUE);
  return true;
}

bool JpegEncoder::WriteRow(const uint8_t* bgr) {
  State* s = state_.get();
  if (!s->started || s->failed || s->rows >= s->cinfo.image_height) return false;
  if (setjmp(s->failure)) return s->failed = true, false;
  JSAMPROW row = const_cast<JSAMPROW>(bgr);
  jpeg_write_scanlines(&s->cinfo, &row, 1);
  ++s->rows;
  return true;
}

bool JpegEncoder::Finish(std::string* jpeg) {
  State* s = state_.get();
  if (!s->started || s->failed || s->rows != s->cinfo.image_height) return false;
  if (setjmp(s->failure)) return s->failed = true, false;
  jpeg_finish_compress(&s->cinfo);
  jpeg->assign(reinterpret_cast<const char*>(s->buffer), s->size);
  return true;
}
