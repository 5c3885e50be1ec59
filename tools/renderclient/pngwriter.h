// Writes a page as PNG from the filter's 24-bit BGR rows. A page up to kWholePageEncodeLimitBytes
// is held whole and encoded by PngPageEncoder (greyscale, palette or RGB, whichever holds its
// pixels); a larger one is compressed row by row as the rows arrive.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "outputfile.h"
#include "pagewriter.h"
#include "pngencoder.h"

// A writer writes one page at a time, all on the thread that began it; the pages a thread writes
// share its encoder's storage.
class PngPageWriter : public PageWriter {
 public:
  ~PngPageWriter() override;
  // Opens the file and writes the header. False with a message when the file cannot be written.
  // The page appears under `path` only when Finish succeeds.
  bool Begin(const std::string& path, uint32_t width, uint32_t height, uint32_t dpi, std::string* error) override;
  // Writes one BGR row (width * 3 bytes used).
  bool WriteRow(const uint8_t* bgr) override;
  bool Finish(std::string* error) override;
  void Abort() override;
  // The layout of the last page that Finish wrote whole; kRgb after a row-by-row page.
  PngPageEncoder::Kind kind() const { return whole_ && encoder_ ? encoder_->kind() : PngPageEncoder::Kind::kRgb; }

 private:
  bool CloseFile(std::string* error);
  bool BeginStreaming(uint32_t width, uint32_t height, uint32_t dpi, std::string* error);

  FILE* file_ = nullptr;
  OutputFile output_;
  void* png_ = nullptr;
  void* info_ = nullptr;
  uint32_t width_ = 0;
  std::string path_;
  bool failed_ = false;
  bool whole_ = false;  // the page is held and encoded whole
  uint32_t dpi_ = 0;
  PngPageEncoder* encoder_ = nullptr;  // this thread's
};

// zlib level of pages compressed row by row. Measured on 30 dense letter pages at 96 dpi: level
// 1 without row filters is the fastest and also the smallest at that level (3.8 MB against 4.0 MB
// with SUB and UP filters, 3.6 MB at level 6 for 38% more time).
constexpr int kPngCompressionLevel = 1;
// stdio buffer of a page file, in bytes.
constexpr size_t kFileBufferBytes = 1 << 20;
