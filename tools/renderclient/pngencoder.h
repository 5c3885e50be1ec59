// Encodes a page held whole in memory as PNG: 8-bit greyscale when no pixel has colour, an 8-bit
// palette when the page has at most 256 colours, 24-bit RGB otherwise; the image data is
// compressed in one call to libdeflate, which is several times faster than zlib at the same size.
#pragma once
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

// How the image data is laid out and compressed. The defaults were measured with bench_pngpages
// on the 190 grey pages of the benchmark workbook and on RGB chart pages: libdeflate's level 2
// is both faster and smaller than its level 1 (2.3 against 2.6 ms and 29 against 31 KB a grey
// page); row filters make greyscale and palette pages larger and slower, and on RGB pages UP
// costs no time and saves a few per cent where SUB costs a third more time and grows the file.
struct PngEncoding {
  int level = 2;            // libdeflate level, 1 (fastest) to 12
  uint8_t rgbFilter = 2;    // PNG row filter of RGB pages: 0 none, 1 SUB, 2 UP
  uint8_t indexFilter = 0;  // row filter of palette and greyscale pages
};

class PngPageEncoder {
 public:
  enum class Kind { kGrey, kPalette, kRgb };
  // Makes room for a page of `width` x `height` pixels; false when the memory cannot be had.
  bool Begin(uint32_t width, uint32_t height);
  // Takes the next row of the page, `width` pixels in B, G, R order.
  void AddRow(const uint8_t* bgr);
  // Writes the whole PNG file (signature to IEND) to `out` with `dpi` as its pixel density.
  // Every row must have been added. False when the memory for the compressed data cannot be had
  // or a write fails.
  bool Write(std::FILE* out, uint32_t dpi, const PngEncoding& encoding = PngEncoding());
  // The layout Write chose, valid after it.
  Kind kind() const { return kind_; }
  // Bytes of the compressed image data of the last Write.
  size_t compressedBytes() const { return compressedBytes_; }

 private:
  // Palette slot of a colour (0xRRGGBB); false once the page has more than 256 colours.
  bool IndexOf(uint32_t colour, uint8_t* index);
  void ExpandIndices(uint32_t y, uint32_t x);
  void IndexGreyLevels(uint32_t y, uint32_t x);
  // The chunks of the file around the compressed data in packed_.
  bool WriteFile(std::FILE* out, uint32_t dpi);
  bool WriteChunk(std::FILE* out, const char* type, const uint8_t* data, size_t size);
  uint32_t width_ = 0, height_ = 0, rowsAdded_ = 0;
  // Storage kept from page to page, so the next page does not fault in fresh memory; dropped
  // after a page larger than kKeptBufferBytes.
  struct Buffer {
    std::unique_ptr<uint8_t[]> bytes;
    size_t capacity = 0, size = 0;
    bool Reserve(size_t n);  // size n, contents left as they are; false without the memory
    void Release() { bytes.reset(), capacity = size = 0; }
    uint8_t* data() { return bytes.get(); }
  };
  static constexpr size_t kKeptBufferBytes = 16 << 20;
  Buffer rgb_;      // filter byte + RGB row, row after row
  Buffer indices_;  // filter byte + grey level or palette index row, while one of them holds
  Buffer packed_;   // the compressed image data
  // What indices_ holds while the rows arrive: grey levels until a pixel has colour, then palette
  // indices until the 257th colour, after which the rows go to rgb_.
  Kind storing_ = Kind::kGrey;
  std::vector<uint32_t> palette_;  // colours in order of first appearance
  std::vector<uint32_t> slotColour_;  // open-addressed table: colour | 1 << 24, 0 when free
  std::vector<uint8_t> slotIndex_;
  uint32_t lastColour_ = 0xFFFFFFFF;
  uint8_t lastIndex_ = 0;
  Kind kind_ = Kind::kRgb;
  size_t compressedBytes_ = 0;
};

// Largest page, in bytes of 24-bit pixels, that PngPageWriter holds whole to encode with
// PngPageEncoder; a larger page is compressed row by row as it arrives, in constant memory.
constexpr uint64_t kWholePageEncodeLimitBytes = 48ull << 20;
