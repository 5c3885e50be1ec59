// Writes a page as PNG one row at a time, from the filter's 24-bit BGR rows.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

class PngPageWriter {
 public:
  ~PngPageWriter();
  // Opens the file and writes the header. False with a message when the file cannot be written.
  bool Begin(const std::string& path, uint32_t width, uint32_t height, uint32_t dpi, std::string* error);
  // Writes one BGR row (width * 3 bytes used).
  bool WriteRow(const uint8_t* bgr);
  bool Finish(std::string* error);
  void Abort();

 private:
  FILE* file_ = nullptr;
  void* png_ = nullptr;
  void* info_ = nullptr;
  std::vector<uint8_t> rgb_;
  uint32_t width_ = 0;
  std::string path_;
  bool failed_ = false;
};

// zlib level used for pages; chosen by measurement (see README).
constexpr int kPngCompressionLevel = 1;
