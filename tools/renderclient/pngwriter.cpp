#include "pngwriter.h"

#include <png.h>
#include <csetjmp>
#include <cstdio>
#include <cstring>


namespace {
PngPageEncoder& ThreadEncoder() {
  thread_local PngPageEncoder encoder;
  return encoder;
}
}  // namespace

PngPageWriter::~PngPageWriter() { Abort(); }

bool PngPageWriter::Begin(const std::string& path, uint32_t width, uint32_t height, uint32_t dpi, std::string* error) {
  path_ = path;
  // Written unnamed and named when finished: an interrupted run leaves no partial page.
  file_ = output_.OpenStream(path);
  if (!file_) {
    *error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  // A page is written in a few large writes rather than one per 4 KiB: on a busy or virtual disk
  // the system calls, not the bytes, are what threads writing pages side by side wait on.
  std::setvbuf(file_, nullptr, _IOFBF, kFileBufferBytes);
  dpi_ = dpi;
  width_ = width;
  whole_ = 3ull * width * height <= kWholePageEncodeLimitBytes;
  encoder_ = &ThreadEncoder();
  if (whole_ && !encoder_->Begin(width, height)) {
    *error = "not enough memory to encode " + path;
    Abort();
    return false;
  }
  return whole_ || BeginStreaming(width, height, dpi, error);
}

bool PngPageWriter::BeginStreaming(uint32_t width, uint32_t height, uint32_t dpi, std::string* error) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  png_ = png;
  info_ = info;
  if (!png || !info || setjmp(png_jmpbuf(png))) {
    *error = "cannot encode " + path_;
    Abort();
    return false;
  }
  png_init_io(png, file_);
  png_set_compression_level(png, kPngCompressionLevel);
  png_set_compression_buffer_size(png, kFileBufferBytes / 4);  // fewer, larger IDAT chunks
  png_set_filter(png, 0, PNG_FILTER_NONE);
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_uint_32 ppm = static_cast<png_uint_32>(dpi / 0.0254 + 0.5);
  png_set_pHYs(png, info, ppm, ppm, PNG_RESOLUTION_METER);
  png_write_info(png, info);
  png_set_bgr(png);  // rows arrive in the page bitmap's BGR order
  return true;
}

bool PngPageWriter::WriteRow(const uint8_t* bgr) {
  if (whole_ && file_) {
    encoder_->AddRow(bgr);
    return true;
  }
  if (!png_ || failed_) return false;
  auto png = static_cast<png_structp>(png_);
  if (setjmp(png_jmpbuf(png))) {
    failed_ = true;
    return false;
  }
  png_write_row(png, bgr);  // libpng swaps BGR to RGB in its own row buffer
  return true;
}

bool PngPageWriter::Finish(std::string* error) {
  if (whole_ && file_) {
    if (!encoder_->Write(file_, dpi_)) {
      *error = "cannot write " + path_;
      Abort();
      return false;
    }
    return CloseFile(error);
  }
  if (!png_) return false;
  auto png = static_cast<png_structp>(png_);
  auto info = static_cast<png_infop>(info_);
  if (failed_ || setjmp(png_jmpbuf(png))) {
    *error = "cannot write " + path_;
    Abort();
    return false;
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  png_ = info_ = nullptr;
  return CloseFile(error);
}

bool PngPageWriter::CloseFile(std::string* error) {
  const bool ok = output_.CloseStream(&file_);
  if (!ok) *error = "cannot write " + path_ + ": " + std::strerror(errno);
  return ok;
}

void PngPageWriter::Abort() {
  if (png_) {
    auto png = static_cast<png_structp>(png_);
    auto info = static_cast<png_infop>(info_);
    png_destroy_write_struct(&png, info ? &info : nullptr);
    png_ = info_ = nullptr;
  }
  output_.AbortStream(&file_);
}
