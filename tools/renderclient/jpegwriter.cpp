#include "jpegwriter.h"

// jpeglib.h needs size_t and FILE declared before it.
#include <cstddef>
#include <cstdio>
#include <csetjmp>
#include <cstring>


#include <jpeglib.h>

struct JpegPageWriter::Codec {
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  std::jmp_buf failed;
  bool created = false;
};

namespace {
// libjpeg reports a failure by calling error_exit, which must not return: jump back to the call.
[[noreturn]] void JumpOnError(j_common_ptr info) {
  auto* codec = reinterpret_cast<std::jmp_buf*>(info->client_data);
  std::longjmp(*codec, 1);
}
}  // namespace

JpegPageWriter::JpegPageWriter(int quality) : quality_(quality) {}
JpegPageWriter::~JpegPageWriter() { Abort(); }

bool JpegPageWriter::Begin(const std::string& path, uint32_t width, uint32_t height, uint32_t dpi, std::string* error) {
  path_ = path;
  if (width == 0 || height == 0 || width > JPEG_MAX_DIMENSION || height > JPEG_MAX_DIMENSION) {
    *error = "a JPEG page is at most 65500 pixels a side; " + path + " would be " + std::to_string(width) + " x " +
             std::to_string(height);
    return false;
  }
  // Written unnamed and named when finished: an interrupted run leaves no partial page.
  file_ = output_.OpenStream(path);
  if (!file_) {
    *error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  codec_.reset(new Codec);
  Codec& c = *codec_;
  c.info.err = jpeg_std_error(&c.errors);
  c.errors.error_exit = JumpOnError;
  c.info.client_data = &c.failed;
  if (setjmp(c.failed)) {
    *error = "cannot encode " + path;
    Abort();
    return false;
  }
  jpeg_create_compress(&c.info);
  c.created = true;
  jpeg_stdio_dest(&c.info, file_);
  c.info.image_width = width;
  c.info.image_height = height;
  c.info.input_components = 3;
  c.info.in_color_space = JCS_EXT_BGR;  // the page bitmap's order; libjpeg-turbo converts
  jpeg_set_defaults(&c.info);
  jpeg_set_quality(&c.info, quality_, TRUE);
  c.info.density_unit = 1;  // dots per inch
  c.info.X_density = c.info.Y_density = static_cast<UINT16>(dpi > 65535 ? 65535 : dpi);
  jpeg_start_compress(&c.info, TRUE);
  return true;
}

bool JpegPageWriter::WriteRow(const uint8_t* bgr) {
  if (!codec_ || failed_) return false;
  Codec& c = *codec_;
  if (setjmp(c.failed)) {
    failed_ = true;
    return false;
  }
  JSAMPROW row = const_cast<JSAMPROW>(bgr);
  jpeg_write_scanlines(&c.info, &row, 1);
  return true;
}

bool JpegPageWriter::Finish(std::string* error) {
  if (!codec_ || failed_) {
    *error = "cannot write " + path_;
    Abort();
    return false;
  }
  Codec& c = *codec_;
  if (setjmp(c.failed)) {
    *error = "cannot write " + path_;
    Abort();
    return false;
  }
  jpeg_finish_compress(&c.info);
  jpeg_destroy_compress(&c.info);
  codec_.reset();
  const bool ok = output_.CloseStream(&file_);
  if (!ok) *error = "cannot write " + path_ + ": " + std::strerror(errno);
  return ok;
}

void JpegPageWriter::Abort() {
  if (codec_) {
    if (codec_->created) jpeg_destroy_compress(&codec_->info);
    codec_.reset();
  }
  output_.AbortStream(&file_);
}
