// Writes a page as baseline JPEG row by row from the filter's 24-bit BGR rows, in constant memory.
#pragma once
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "outputfile.h"
#include "pagewriter.h"

class JpegPageWriter : public PageWriter {
 public:
  // `quality` from 1 to 100, as libjpeg's quality scale.
  explicit JpegPageWriter(int quality);
  ~JpegPageWriter() override;
  bool Begin(const std::string& path, uint32_t width, uint32_t height, uint32_t dpi, std::string* error) override;
  bool WriteRow(const uint8_t* bgr) override;
  bool Finish(std::string* error) override;
  void Abort() override;

 private:
  struct Codec;  // libjpeg's compressor and the jump target of its errors
  int quality_;
  std::FILE* file_ = nullptr;
  OutputFile output_;
  std::unique_ptr<Codec> codec_;
  std::string path_;
  bool failed_ = false;
};
