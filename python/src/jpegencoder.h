// Encodes a page as baseline JPEG in memory, one BGR row at a time as the filter delivers them.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

class JpegEncoder {
 public:
  JpegEncoder();
  ~JpegEncoder();
  // Starts a width x height image at `quality` (1..100) with `dpi` in its header. False when the
  // encoder cannot start (out of memory, sizes beyond JPEG's 65,500 pixels).
  bool Begin(uint32_t width, uint32_t height, uint32_t dpi, int quality);
  // Adds the next row (width * 3 bytes, blue, green, red). False after any failure.
  bool WriteRow(const uint8_t* bgr);
  // Finishes the image into `jpeg`. False when a row is missing or encoding failed.
  bool Finish(std::string* jpeg);

  struct State;  // the library's records; public for its error callback

 private:
  std::unique_ptr<State> state_;
};

constexpr uint32_t kJpegMaxDimension = 65500;
