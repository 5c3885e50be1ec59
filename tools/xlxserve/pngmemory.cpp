#include "pngmemory.h"

#include <png.h>
#include <csetjmp>

#include "pngwriter.h"

namespace {

void Append(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::string*>(png_get_io_ptr(png));
  out->append(reinterpret_cast<const char*>(data), length);
}

void NoFlush(png_structp) {}

}  // namespace

PngMemoryWriter::~PngMemoryWriter() { Release(); }

void PngMemoryWriter::Release() {
  if (!png_) return;
  auto* png = static_cast<png_structp>(png_);
  auto* info = static_cast<png_infop>(info_);
  png_destroy_write_struct(&png, info ? &info : nullptr);
  png_ = info_ = nullptr;
}

bool PngMemoryWriter::Begin(uint32_t width, uint32_t height, uint32_t dpi) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return false;
  png_ = png;
  png_infop info = png_create_info_struct(png);
  if (!info) return failed_ = true, false;
  info_ = info;
  if (setjmp(png_jmpbuf(png))) return failed_ = true, false;
  png_set_write_fn(png, &bytes_, Append, NoFlush);
  png_set_compression_level(png, kPngCompressionLevel);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  const png_uint_32 perMetre = static_cast<png_uint_32>(dpi / 0.0254 + 0.5);
  png_set_pHYs(png, info, perMetre, perMetre, PNG_RESOLUTION_METER);
  png_write_info(png, info);
  png_set_bgr(png);
  rowsLeft_ = height;
  return true;
}

bool PngMemoryWriter::WriteRow(const uint8_t* bgr) {
  if (failed_ || !png_ || rowsLeft_ == 0) return false;
  auto* png = static_cast<png_structp>(png_);
  if (setjmp(png_jmpbuf(png))) return failed_ = true, false;
  png_write_row(png, const_cast<png_bytep>(bgr));
  --rowsLeft_;
  return true;
}

bool PngMemoryWriter::Finish(std::string* out) {
  if (failed_ || !png_ || rowsLeft_ != 0) return false;
  auto* png = static_cast<png_structp>(png_);
  if (setjmp(png_jmpbuf(png))) return failed_ = true, false;
  png_write_end(png, static_cast<png_infop>(info_));
  Release();
  out->swap(bytes_);
  return true;
}
