// Sample pictures for the decoder tests, made in memory by the codecs' encoders.
#pragma once
#include <cstdint>
#include <vector>

namespace imagesamples {
using Bytes = std::vector<uint8_t>;
constexpr int kWidth = 16, kHeight = 8;
Bytes Png();   // RGBA, interlaced; top-left pixel transparent
Bytes Jpeg();  // quality 95
Bytes Gif();   // interlaced, transparent index at the top-left pixel
Bytes Bmp(int bitsPerPixel, uint32_t compression, bool topDown);  // top-left pixel black (blue at 1 bit)
Bytes Tiff();  // RGBA with unassociated alpha, LZW
Bytes Webp();  // lossless RGBA
Bytes Svg();
Bytes Emf();
Bytes Wmf();
}  // namespace imagesamples
