// A raster page file written from the filter's rows: PNG or JPEG.
#pragma once
#include <cstdint>
#include <string>

class PageWriter {
 public:
  virtual ~PageWriter() = default;
  // Opens the file and prepares a page of width x height at `dpi`. False with a message when the
  // file cannot be written.
  virtual bool Begin(const std::string& path, uint32_t width, uint32_t height, uint32_t dpi, std::string* error) = 0;
  // Takes the next BGR row (width * 3 bytes). False when the page can no longer be written.
  virtual bool WriteRow(const uint8_t* bgr) = 0;
  // Completes and closes the file. False with a message when it could not be written.
  virtual bool Finish(std::string* error) = 0;
  // Drops the page and removes its file.
  virtual void Abort() = 0;
};
