// PNG encoding of a page into memory, one BGR row at a time as the filter delivers them.
#pragma once
#include <cstdint>
#include <string>

class PngMemoryWriter {
 public:
  ~PngMemoryWriter();
  // Starts an image of width x height at `dpi`. False on a libpng failure.
  bool Begin(uint32_t width, uint32_t height, uint32_t dpi);
  bool WriteRow(const uint8_t* bgr);
  // Ends the image; `png` receives the bytes. False when rows are missing or libpng failed.
  bool Finish(std::string* png);

 private:
  void Release();
  void* png_ = nullptr;
  void* info_ = nullptr;
  std::string bytes_;
  uint32_t rowsLeft_ = 0;
  bool failed_ = false;
};
