#include "pngencoder.h"

#include <libdeflate.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr size_t kSlots = 1024;           // hash slots for at most 256 colours: short probe runs
constexpr uint32_t kSlotUsed = 1u << 24;  // marks a slot taken; colours use the low 24 bits
constexpr size_t kMaxChunkBytes = 1 << 20;  // image data is split into IDAT chunks of this size

void PutBigEndian(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 24), p[1] = static_cast<uint8_t>(v >> 16);
  p[2] = static_cast<uint8_t>(v >> 8), p[3] = static_cast<uint8_t>(v);
}

// One compressor per thread and level: allocating one costs about as much as a small page.
libdeflate_compressor* CompressorFor(int level) {
  struct Free {
    void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
  };
  thread_local std::unique_ptr<libdeflate_compressor, Free> compressor;
  thread_local int compressorLevel = 0;
  if (!compressor || compressorLevel != level) {
    compressor.reset(libdeflate_alloc_compressor(level));
    compressorLevel = compressor ? level : 0;
  }
  return compressor.get();
}

// Applies a PNG row filter in place to `height` rows of `rowBytes` bytes, each after its filter
// byte; `bpp` is the bytes of a pixel. UP runs from the last row up, so the row above is still
// unfiltered when a row takes its difference; SUB runs each row from its right end.
void FilterRows(uint8_t* rows, size_t rowBytes, uint32_t height, size_t bpp, uint8_t filter) {
  const size_t stride = rowBytes + 1;
  for (uint32_t y = height; y-- > 0;) {
    uint8_t* row = rows + y * stride;
    row[0] = filter;
    uint8_t* px = row + 1;
    if (filter == 1) {
      for (size_t i = rowBytes; i-- > bpp;) px[i] = static_cast<uint8_t>(px[i] - px[i - bpp]);
    } else if (filter == 2 && y > 0) {
      const uint8_t* above = px - stride;
      for (size_t i = 0; i < rowBytes; ++i) px[i] = static_cast<uint8_t>(px[i] - above[i]);
    }
  }
}

// Stores the grey level of each pixel of a BGR row up to the first that has colour; answers that
// pixel's x, or `width`. Most of a page is white, and eight white pixels are three words of ones.
uint32_t StoreGreyLevels(const uint8_t* bgr, uint8_t* level, uint32_t width) {
  uint32_t x = 0;
  while (x < width) {
    uint64_t words[3];
    if (x + 8 <= width) {
      std::memcpy(words, bgr, 24);
      if ((words[0] & words[1] & words[2]) == ~uint64_t{0}) {
        std::memset(level + x, 0xFF, 8);
        x += 8, bgr += 24;
        continue;
      }
    }
    for (const uint32_t end = std::min(x + 8, width); x < end; ++x, bgr += 3) {
      if (bgr[0] != bgr[1] || bgr[0] != bgr[2]) return x;
      level[x] = bgr[0];
    }
  }
  return width;
}

}  // namespace

bool PngPageEncoder::Buffer::Reserve(size_t n) {
  if (n > capacity) {
    bytes.reset(new (std::nothrow) uint8_t[n]);
    capacity = bytes ? n : 0;
  }
  size = bytes ? n : 0;
  return bytes != nullptr;
}

bool PngPageEncoder::Begin(uint32_t width, uint32_t height) {
  width_ = width, height_ = height, rowsAdded_ = 0;
  storing_ = Kind::kGrey;
  palette_.clear();
  lastColour_ = 0xFFFFFFFF;
  compressedBytes_ = 0;
  try {
    slotColour_.assign(kSlots, 0);
    slotIndex_.assign(kSlots, 0);
    palette_.reserve(256);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return rgb_.Reserve(static_cast<size_t>(height) * (1 + 3 * static_cast<size_t>(width))) &&
         indices_.Reserve(static_cast<size_t>(height) * (1 + static_cast<size_t>(width)));
}

bool PngPageEncoder::IndexOf(uint32_t colour, uint8_t* index) {
  size_t slot = (colour * 2654435761u) >> 22;  // top 10 bits: kSlots
  while (slotColour_[slot] != 0) {
    if (slotColour_[slot] == (colour | kSlotUsed)) return *index = slotIndex_[slot], true;
    slot = (slot + 1) & (kSlots - 1);
  }
  if (palette_.size() == 256) return false;
  slotColour_[slot] = colour | kSlotUsed;
  slotIndex_[slot] = static_cast<uint8_t>(palette_.size());
  *index = slotIndex_[slot];
  palette_.push_back(colour);
  return true;
}

void PngPageEncoder::AddRow(const uint8_t* bgr) {
  if (rowsAdded_ >= height_) return;
  const uint32_t y = rowsAdded_++;
  uint32_t x = 0;
  uint8_t* index = indices_.data() + y * (1 + static_cast<size_t>(width_)) + 1;
  if (storing_ == Kind::kGrey) {
    x = StoreGreyLevels(bgr, index, width_);
    bgr += 3 * static_cast<size_t>(x);
    if (x == width_) return;
    storing_ = Kind::kPalette;
    IndexGreyLevels(y, x);
  }
  if (storing_ == Kind::kPalette) {
    for (; x < width_; ++x, bgr += 3) {
      const uint32_t colour = static_cast<uint32_t>(bgr[2]) << 16 | static_cast<uint32_t>(bgr[1]) << 8 | bgr[0];
      // Pages are mostly runs of one colour: the last lookup answers most pixels.
      if (colour != lastColour_) {
        if (!IndexOf(colour, &lastIndex_)) break;
        lastColour_ = colour;
      }
      index[x] = lastIndex_;
    }
    if (x == width_) return;
    storing_ = Kind::kRgb;
    ExpandIndices(y, x);
  }
  uint8_t* rgb = rgb_.data() + y * (1 + 3 * static_cast<size_t>(width_)) + 1 + 3 * static_cast<size_t>(x);
  for (; x < width_; ++x, bgr += 3, rgb += 3) rgb[0] = bgr[2], rgb[1] = bgr[1], rgb[2] = bgr[0];
}

// The page has just met its first pixel with colour at (x, y): the grey levels before it become
// indices of a palette that starts with the levels in order of appearance.
void PngPageEncoder::IndexGreyLevels(uint32_t y, uint32_t x) {
  int16_t indexOfLevel[256];
  std::fill(std::begin(indexOfLevel), std::end(indexOfLevel), int16_t{-1});
  const size_t stride = 1 + static_cast<size_t>(width_);
  for (uint32_t row = 0; row <= y; ++row) {
    uint8_t* level = indices_.data() + row * stride + 1;
    const uint32_t end = row == y ? x : width_;
    for (uint32_t i = 0; i < end; ++i) {
      int16_t& slot = indexOfLevel[level[i]];
      if (slot < 0) {
        uint8_t index = 0;
        IndexOf(level[i] * 0x010101u, &index);  // at most 256 levels: always room
        slot = index;
      }
      level[i] = static_cast<uint8_t>(slot);
    }
  }
}

// The page has just met its 257th colour at (x, y): the pixels before it, held as palette
// indices so far, are written out as RGB.
void PngPageEncoder::ExpandIndices(uint32_t y, uint32_t x) {
  const size_t indexStride = 1 + static_cast<size_t>(width_), rgbStride = 1 + 3 * static_cast<size_t>(width_);
  for (uint32_t row = 0; row <= y; ++row) {
    const uint8_t* index = indices_.data() + row * indexStride + 1;
    uint8_t* rgb = rgb_.data() + row * rgbStride + 1;
    const uint32_t end = row == y ? x : width_;
    for (uint32_t i = 0; i < end; ++i, rgb += 3) {
      const uint32_t c = palette_[index[i]];
      rgb[0] = static_cast<uint8_t>(c >> 16), rgb[1] = static_cast<uint8_t>(c >> 8), rgb[2] = static_cast<uint8_t>(c);
    }
  }
}

bool PngPageEncoder::WriteChunk(std::FILE* out, const char* type, const uint8_t* data, size_t size) {
  uint8_t head[8];
  PutBigEndian(head, static_cast<uint32_t>(size));
  std::memcpy(head + 4, type, 4);
  uint8_t tail[4];
  PutBigEndian(tail, libdeflate_crc32(libdeflate_crc32(0, head + 4, 4), data, size));
  return std::fwrite(head, 1, 8, out) == 8 && (size == 0 || std::fwrite(data, 1, size, out) == size) &&
         std::fwrite(tail, 1, 4, out) == 4;
}

bool PngPageEncoder::Write(std::FILE* out, uint32_t dpi, const PngEncoding& encoding) {
  if (rowsAdded_ != height_ || width_ == 0 || height_ == 0) return false;
  kind_ = storing_;
  Buffer& rows = kind_ == Kind::kRgb ? rgb_ : indices_;
  const size_t bpp = kind_ == Kind::kRgb ? 3 : 1;
  FilterRows(rows.data(), bpp * width_, height_, bpp, kind_ == Kind::kRgb ? encoding.rgbFilter : encoding.indexFilter);

  libdeflate_compressor* compressor = CompressorFor(encoding.level);
  if (!compressor) return false;
  if (!packed_.Reserve(libdeflate_zlib_compress_bound(compressor, rows.size))) return false;
  compressedBytes_ = libdeflate_zlib_compress(compressor, rows.data(), rows.size, packed_.data(), packed_.size);
  const bool ok = compressedBytes_ != 0 && WriteFile(out, dpi);
  for (Buffer* b : {&rgb_, &indices_, &packed_})
    if (b->capacity > kKeptBufferBytes) b->Release();
  return ok;
}

bool PngPageEncoder::WriteFile(std::FILE* out, uint32_t dpi) {
  uint8_t header[13];
  PutBigEndian(header, width_);
  PutBigEndian(header + 4, height_);
  header[8] = 8;  // bits per sample
  header[9] = kind_ == Kind::kGrey ? 0 : kind_ == Kind::kPalette ? 3 : 2;
  header[10] = header[11] = header[12] = 0;  // deflate, adaptive filtering, no interlace
  uint8_t density[9];
  const uint32_t perMetre = static_cast<uint32_t>(dpi / 0.0254 + 0.5);
  PutBigEndian(density, perMetre);
  PutBigEndian(density + 4, perMetre);
  density[8] = 1;  // unit: metre
  bool ok = std::fwrite(kSignature, 1, 8, out) == 8 && WriteChunk(out, "IHDR", header, 13) &&
            WriteChunk(out, "pHYs", density, 9);
  if (ok && kind_ == Kind::kPalette) {
    uint8_t entries[256 * 3];
    for (size_t i = 0; i < palette_.size(); ++i)
      entries[3 * i] = static_cast<uint8_t>(palette_[i] >> 16), entries[3 * i + 1] = static_cast<uint8_t>(palette_[i] >> 8),
                  entries[3 * i + 2] = static_cast<uint8_t>(palette_[i]);
    ok = WriteChunk(out, "PLTE", entries, 3 * palette_.size());
  }
  for (size_t at = 0; ok && at < compressedBytes_; at += kMaxChunkBytes)
    ok = WriteChunk(out, "IDAT", packed_.data() + at, std::min(kMaxChunkBytes, compressedBytes_ - at));
  return ok && WriteChunk(out, "IEND", nullptr, 0);
}
