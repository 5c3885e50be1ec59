#include "jpegmemory.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

struct JpegMemoryWriter::State {
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  std::jmp_buf failure;
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  uint32_t rowsLeft = 0;
  bool created = false, started = false, failed = false;
};

namespace {

// libjpeg reports a fatal error here; control goes back to the call that started it.
[[noreturn]] void JumpBack(j_common_ptr info) {
  auto* state = static_cast<JpegMemoryWriter::State*>(info->client_data);
  std::longjmp(state->failure, 1);
}

void Quiet(j_common_ptr) {}

}  // namespace

JpegMemoryWriter::JpegMemoryWriter() : state_(new State) {}

JpegMemoryWriter::~JpegMemoryWriter() {
  if (state_->created) jpeg_destroy_compress(&state_->info);
  std::free(state_->buffer);
}

bool JpegMemoryWriter::Begin(uint32_t width, uint32_t height, uint32_t dpi) {
  State& s = *state_;
  s.info.err = jpeg_std_error(&s.errors);
  s.errors.error_exit = JumpBack;
  s.errors.output_message = Quiet;
  s.info.client_data = &s;
  if (setjmp(s.failure)) return s.failed = true, false;
  jpeg_create_compress(&s.info);
  s.created = true;
  jpeg_mem_dest(&s.info, &s.buffer, &s.size);
  s.info.image_width = width;
  s.info.image_height = height;
  s.info.input_components = 3;
  s.info.in_color_space = JCS_EXT_BGR;  // the filter's rows as they come
  jpeg_set_defaults(&s.info);
  jpeg_set_quality(&s.info, kJpegQuality, TRUE);
  s.info.density_unit = 1;  // dots per inch
  s.info.X_density = s.info.Y_density = static_cast<UINT16>(dpi > 65535 ? 65535 : dpi);
  jpeg_start_compress(&s.info, TRUE);
  s.started = true;
  s.rowsLeft = height;
  return true;
}

bool JpegMemoryWriter::WriteRow(const uint8_t* bgr) {
  State& s = *state_;
  if (s.failed || !s.started || s.rowsLeft == 0) return false;
  if (setjmp(s.failure)) return s.failed = true, false;
  JSAMPROW row = const_cast<JSAMPROW>(bgr);
  jpeg_write_scanlines(&s.info, &row, 1);
  --s.rowsLeft;
  return true;
}

bool JpegMemoryWriter::Finish(std::string* jpeg) {
  State& s = *state_;
  if (s.failed || !s.started || s.rowsLeft != 0) return false;
  if (setjmp(s.failure)) return s.failed = true, false;
  jpeg_finish_compress(&s.info);
  jpeg->assign(reinterpret_cast<const char*>(s.buffer), s.size);
  return true;
}
