// BMP pictures, read here: core (12-byte) and info (40 to 124-byte) headers; 1, 4 and 8 bits
// through a palette, 16, 24 and 32 bits direct or with bit-field masks; RLE4 and RLE8; rows
// bottom-up or top-down. Every offset and size from the file is checked before use.
#include <cstdlib>
#include <cstring>
#include <new>
#include "host/kernel/imageinternal.h"

namespace vkimg {
namespace {

enum : uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6 };

struct BmpInfo {
  uint32_t width = 0, height = 0;
  bool topDown = false;
  uint32_t bpp = 0, compression = kRgb;
  uint32_t masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha
  uint8_t palette[256][4] = {};      // B, G, R, unused
  uint32_t paletteCount = 0;
  size_t pixelOffset = 0;
};

// Bits of `value` under `mask`, scaled to 0..255.
uint8_t Channel(uint32_t value, uint32_t mask) {
  if (!mask) return 0;
  int shift = 0;
  while (!((mask >> shift) & 1)) ++shift;
  const uint32_t max = mask >> shift;
  return static_cast<uint8_t>(((value & mask) >> shift) * 255u / max);
}

int32_t ReadHeaders(const uint8_t* d, size_t size, BmpInfo* info) {
  if (size < 26) return XLX_ERR_FORMAT;
  info->pixelOffset = Le32(d + 10);
  const uint32_t headerSize = Le32(d + 14);
  if (headerSize < 12 || headerSize > size - 14) return XLX_ERR_FORMAT;
  const uint8_t* h = d + 14;
  size_t paletteEntry = 4;
  int64_t rawHeight;
  if (headerSize == 12) {
    info->width = Le16(h + 4);
    rawHeight = Le16(h + 6);
    info->bpp = Le16(h + 10);
    paletteEntry = 3;
  } else {
    if (headerSize < 40) return XLX_ERR_FORMAT;
    const int32_t w = static_cast<int32_t>(Le32(h + 4));
    rawHeight = static_cast<int32_t>(Le32(h + 8));
    if (w <= 0) return XLX_ERR_FORMAT;
    info->width = static_cast<uint32_t>(w);
    info->bpp = Le16(h + 14);
    info->compression = Le32(h + 16);
    info->paletteCount = Le32(h + 32);
    if (info->compression == kBitFields || info->compression == kAlphaBitFields) {
      // Masks sit inside larger headers, or right after a 40-byte one.
      const size_t maskCount = info->compression == kAlphaBitFields ? 4 : 3;
      const uint8_t* m = h + 40;
      if (14 + 40 + 4 * maskCount > size) return XLX_ERR_FORMAT;
      for (size_t i = 0; i < maskCount; ++i) info->masks[i] = Le32(m + 4 * i);
    } else if (headerSize >= 56) {
      info->masks[3] = Le32(h + 52);
    }
  }
  if (rawHeight < 0) info->topDown = true, rawHeight = -rawHeight;
  if (rawHeight == 0 || info->width == 0) return XLX_ERR_FORMAT;
  info->height = static_cast<uint32_t>(rawHeight);
  switch (info->bpp) {
    case 1: case 4: case 8: break;
    case 16: case 24: case 32: info->paletteCount = 0; break;
    default: return XLX_ERR_FORMAT;
  }
  if ((info->compression == kRle8 && info->bpp != 8) || (info->compression == kRle4 && info->bpp != 4)) return XLX_ERR_FORMAT;
  if (info->compression != kRgb && info->compression != kRle8 && info->compression != kRle4 &&
      info->compression != kBitFields && info->compression != kAlphaBitFields)
    return XLX_ERR_FORMAT;
  if ((info->compression == kBitFields || info->compression == kAlphaBitFields) && info->bpp != 16 && info->bpp != 32)
    return XLX_ERR_FORMAT;
  if (info->bpp <= 8) {
    const uint32_t most = 1u << info->bpp;
    if (info->paletteCount == 0 || info->paletteCount > most) info->paletteCount = most;
    size_t start = 14 + headerSize;
    if (info->compression == kBitFields && headerSize == 40) start += 12;
    if (start > size) return XLX_ERR_FORMAT;
    // A short palette is taken as far as the file has it; missing entries stay black.
    const size_t available = (size - start) / paletteEntry;
    for (uint32_t i = 0; i < info->paletteCount && i < available; ++i) {
      const uint8_t* e = d + start + i * paletteEntry;
      info->palette[i][0] = e[0], info->palette[i][1] = e[1], info->palette[i][2] = e[2];
    }
  }
  if (info->compression == kRgb && info->bpp == 16) info->masks[0] = 0x7C00, info->masks[1] = 0x03E0, info->masks[2] = 0x001F;
  if (info->pixelOffset >= size) return XLX_ERR_FORMAT;
  return XLX_OK;
}

void PutIndex(const BmpInfo& info, uint8_t* p, uint32_t index) {
  const uint8_t* c = info.palette[index < info.paletteCount ? index : 0];
  p[0] = c[0], p[1] = c[1], p[2] = c[2], p[3] = 255;
}

int32_t ReadUncompressed(const uint8_t* d, size_t size, const BmpInfo& info, _BITMAPHANDLE* out) {
  const uint64_t stride = ((static_cast<uint64_t>(info.width) * info.bpp + 31) / 32) * 4;
  if (stride * info.height > size - info.pixelOffset) return XLX_ERR_FORMAT;
  const bool direct32 = info.bpp == 32 && info.compression == kRgb;
  for (uint32_t y = 0; y < info.height; ++y) {
    const uint8_t* src = d + info.pixelOffset + stride * (info.topDown ? y : info.height - 1 - y);
    uint8_t* dst = Row(out, y);
    for (uint32_t x = 0; x < info.width; ++x, dst += 4) {
      switch (info.bpp) {
        case 1: PutIndex(info, dst, (src[x >> 3] >> (7 - (x & 7))) & 1); break;
        case 4: PutIndex(info, dst, (src[x >> 1] >> ((x & 1) ? 0 : 4)) & 15); break;
        case 8: PutIndex(info, dst, src[x]); break;
        case 24: dst[0] = src[3 * x], dst[1] = src[3 * x + 1], dst[2] = src[3 * x + 2], dst[3] = 255; break;
        default: {
          const uint32_t v = info.bpp == 16 ? Le16(src + 2 * x) : Le32(src + 4 * x);
          if (direct32) {
            // The fourth byte of plain 32-bit pixels is unused by most writers.
            dst[0] = static_cast<uint8_t>(v), dst[1] = static_cast<uint8_t>(v >> 8);
            dst[2] = static_cast<uint8_t>(v >> 16), dst[3] = 255;
          } else {
            dst[0] = Channel(v, info.masks[2]), dst[1] = Channel(v, info.masks[1]), dst[2] = Channel(v, info.masks[0]);
            dst[3] = info.masks[3] ? Channel(v, info.masks[3]) : 255;
          }
        }
      }
    }
  }
  return XLX_OK;
}

// Run-length data: runs of one index (two alternating for RLE4), absolute runs, end of line,
// end of picture and jumps. Pixels no run reaches take palette entry 0.
int32_t ReadRle(const uint8_t* d, size_t size, const BmpInfo& info, _BITMAPHANDLE* out) {
  const bool four = info.compression == kRle4;
  for (uint32_t y = 0; y < info.height; ++y)
    for (uint32_t x = 0; x < info.width; ++x) PutIndex(info, Row(out, y) + 4 * x, 0);
  uint64_t x = 0, line = 0;  // line counts from the bottom unless top-down
  size_t pos = info.pixelOffset;
  auto put = [&](uint32_t index) {
    if (x < info.width && line < info.height) {
      uint32_t row = info.topDown ? static_cast<uint32_t>(line) : info.height - 1 - static_cast<uint32_t>(line);
      PutIndex(info, Row(out, row) + 4 * x, index);
    }
    ++x;
  };
  while (line < info.height) {
    if (size - pos < 2) return XLX_ERR_FORMAT;
    const uint8_t count = d[pos], value = d[pos + 1];
    pos += 2;
    if (count > 0) {
      for (uint32_t i = 0; i < count; ++i) put(four ? ((i & 1) ? value & 15 : value >> 4) : value);
      continue;
    }
    if (value == 0) {
      x = 0, ++line;
    } else if (value == 1) {
      return XLX_OK;
    } else if (value == 2) {
      if (size - pos < 2) return XLX_ERR_FORMAT;
      x += d[pos], line += d[pos + 1];
      pos += 2;
    } else {
      const size_t bytes = four ? (value + 1) / 2 : value;
      const size_t padded = (bytes + 1) & ~static_cast<size_t>(1);
      if (size - pos < padded) return XLX_ERR_FORMAT;
      for (uint32_t i = 0; i < value; ++i)
        put(four ? ((i & 1) ? d[pos + i / 2] & 15 : d[pos + i / 2] >> 4) : d[pos + i]);
      pos += padded;
    }
  }
  return XLX_OK;
}

}  // namespace

int32_t DecodeBmp(const uint8_t* data, size_t size, _BITMAPHANDLE* out) {
  auto* info = new (std::nothrow) BmpInfo;
  if (!info) return XLX_ERR_MEMORY;
  int32_t r = ReadHeaders(data, size, info);
  if (r == XLX_OK) r = NewBitmap32(info->width, info->height, out);
  if (r == XLX_OK) {
    r = (info->compression == kRle8 || info->compression == kRle4) ? ReadRle(data, size, *info, out)
                                                                    : ReadUncompressed(data, size, *info, out);
  }
  delete info;
  return r;
}

}  // namespace vkimg
