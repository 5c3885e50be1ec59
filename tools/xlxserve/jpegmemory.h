// JPEG encoding of a page into memory, one BGR row at a time as the filter delivers them.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

// Quality of JPEG pages: sheets are mostly flat colour and text, where lower settings smear.
constexpr int kJpegQuality = 90;

class JpegMemoryWriter {
 public:
  JpegMemoryWriter();
  ~JpegMemoryWriter();
  // Starts an image of width x height at `dpi`. False on a libjpeg failure.
  bool Begin(uint32_t width, uint32_t height, uint32_t dpi);
  bool WriteRow(const uint8_t* bgr);
  // Ends the image; `jpeg` receives the bytes. False when rows are missing or libjpeg failed.
  bool Finish(std::string* jpeg);
  struct State;  // libjpeg's records and the jump back from its errors

 private:
  std::unique_ptr<State> state_;
};
