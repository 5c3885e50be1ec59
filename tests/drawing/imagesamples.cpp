// Small sample pictures made with the codecs' own encoders (or byte by byte for BMP and the
// metafiles), all showing the same thing: left half red, right half blue, 16 x 8 pixels, with the
// top-left pixel transparent where the format can say so.
#include "tests/drawing/imagesamples.h"
#include <cstdio>
#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>
#include <unistd.h>
#include <webp/encode.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

namespace imagesamples {
namespace {

constexpr int W = kWidth, H = kHeight;

bool Red(int x) { return x < W / 2; }

// RGBA pixels of the sample, row by row.
std::vector<uint8_t> Rgba(bool transparentCorner) {
  std::vector<uint8_t> p(W * H * 4);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      uint8_t* q = &p[(y * W + x) * 4];
      q[0] = Red(x) ? 255 : 0, q[1] = 0, q[2] = Red(x) ? 0 : 255, q[3] = 255;
      if (transparentCorner && x == 0 && y == 0) q[3] = 0;
    }
  return p;
}

void Put16(Bytes& b, uint32_t v) { b.push_back(v & 0xFF), b.push_back((v >> 8) & 0xFF); }
void Put32(Bytes& b, uint32_t v) { Put16(b, v & 0xFFFF), Put16(b, v >> 16); }
void Set32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = (v >> (8 * i)) & 0xFF;
}

}  // namespace

Bytes Png() {
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(
      png, &out,
      [](png_structp p, png_bytep data, png_size_t n) {
        auto* o = static_cast<Bytes*>(png_get_io_ptr(p));
        o->insert(o->end(), data, data + n);
      },
      nullptr);
  png_set_IHDR(png, info, W, H, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_ADAM7, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<uint8_t> px = Rgba(true);
  std::vector<png_bytep> rows(H);
  for (int y = 0; y < H; ++y) rows[y] = &px[y * W * 4];
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

Bytes Jpeg() {
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* mem = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &mem, &size);
  c.image_width = W, c.image_height = H, c.input_components = 3, c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 95, TRUE);
  jpeg_start_compress(&c, TRUE);
  std::vector<uint8_t> px = Rgba(false), row(W * 3);
  while (c.next_scanline < c.image_height) {
    for (int x = 0; x < W; ++x) std::memcpy(&row[x * 3], &px[(c.next_scanline * W + x) * 4], 3);
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&c, &r, 1);
  }
  jpeg_finish_compress(&c);
  Bytes out(mem, mem + size);
  jpeg_destroy_compress(&c);
  std::free(mem);
  return out;
}

Bytes Gif() {
  Bytes out;
  int error = 0;
  GifFileType* gif = EGifOpen(&out,
                              [](GifFileType* g, const GifByteType* data, int n) {
                                auto* o = static_cast<Bytes*>(g->UserData);
                                o->insert(o->end(), data, data + n);
                                return n;
                              },
                              &error);
  GifColorType colours[4] = {{255, 255, 255}, {255, 0, 0}, {0, 0, 255}, {0, 0, 0}};
  ColorMapObject* map = GifMakeMapObject(4, colours);
  EGifSetGifVersion(gif, true);
  EGifPutScreenDesc(gif, W, H, 2, 0, map);
  GraphicsControlBlock gcb{};
  gcb.TransparentColor = 0;
  GifByteType ext[4];
  EGifGCBToExtension(&gcb, ext);
  EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, ext);
  EGifPutImageDesc(gif, 0, 0, W, H, true, nullptr);  // interlaced
  // Interlaced rows go out in pass order.
  const int start[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass)
    for (int y = start[pass]; y < H; y += step[pass]) {
      GifPixelType line[W];
      for (int x = 0; x < W; ++x) line[x] = (x == 0 && y == 0) ? 0 : Red(x) ? 1 : 2;
      EGifPutLine(gif, line, W);
    }
  EGifCloseFile(gif, &error);
  GifFreeMapObject(map);
  return out;
}

Bytes Bmp(int bpp, uint32_t compression, bool topDown) {
  const uint32_t paletteCount = bpp <= 8 ? (1u << bpp) : 0;
  const bool fields = compression == 3;
  const uint32_t headerSize = 40;
  const uint32_t offset = 14 + headerSize + (fields ? 12 : 0) + paletteCount * 4;
  Bytes pixels;
  auto index = [&](int x, int y) { return static_cast<uint8_t>((x == 0 && y == 0) ? 2 : Red(x) ? 1 : 0); };
  if (compression == 1) {  // RLE8: one run per colour per row
    for (int r = 0; r < H; ++r) {
      const int y = H - 1 - r;
      pixels.push_back(1), pixels.push_back(index(0, y));
      pixels.push_back(W / 2 - 1), pixels.push_back(index(1, y));
      pixels.push_back(W / 2), pixels.push_back(index(W - 1, y));
      pixels.push_back(0), pixels.push_back(0);
    }
    pixels.push_back(0), pixels.push_back(1);
  } else {
    const uint32_t stride = ((W * bpp + 31) / 32) * 4;
    for (int r = 0; r < H; ++r) {
      const int y = topDown ? r : H - 1 - r;
      Bytes row(stride, 0);
      for (int x = 0; x < W; ++x) {
        const bool red = Red(x) && !(x == 0 && y == 0);
        const bool black = x == 0 && y == 0;
        switch (bpp) {
          case 1: row[x / 8] |= (red ? 1 : 0) << (7 - x % 8); break;  // palette 0 blue, 1 red
          case 4: row[x / 2] |= index(x, y) << (x % 2 ? 0 : 4); break;
          case 8: row[x] = index(x, y); break;
          case 16: {  // 5-6-5 through bit fields
            uint16_t v = black ? 0 : red ? 0xF800 : 0x001F;
            row[2 * x] = v & 0xFF, row[2 * x + 1] = v >> 8;
            break;
          }
          case 24:
            row[3 * x] = red ? 0 : black ? 0 : 255, row[3 * x + 2] = red ? 255 : 0;
            break;
          case 32:
            row[4 * x] = red || black ? 0 : 255, row[4 * x + 2] = red ? 255 : 0;
            break;
        }
      }
      pixels.insert(pixels.end(), row.begin(), row.end());
    }
  }
  Bytes b;
  b.push_back('B'), b.push_back('M');
  Put32(b, 0), Put32(b, 0), Put32(b, offset);
  Put32(b, headerSize), Put32(b, W), Put32(b, topDown ? static_cast<uint32_t>(-H) : H);
  Put16(b, 1), Put16(b, bpp), Put32(b, compression), Put32(b, static_cast<uint32_t>(pixels.size()));
  Put32(b, 3780), Put32(b, 3780), Put32(b, paletteCount), Put32(b, 0);
  if (fields) Put32(b, 0xF800), Put32(b, 0x07E0), Put32(b, 0x001F);
  for (uint32_t i = 0; i < paletteCount; ++i) {
    // Index 0 blue, 1 red, 2 black, the rest grey.
    const uint8_t bgr[3][3] = {{255, 0, 0}, {0, 0, 255}, {0, 0, 0}};
    const uint8_t* c = i < 3 ? bgr[i] : bgr[2];
    b.push_back(c[0]), b.push_back(c[1]), b.push_back(c[2]), b.push_back(0);
  }
  b.insert(b.end(), pixels.begin(), pixels.end());
  Set32(b, 2, static_cast<uint32_t>(b.size()));
  return b;
}

Bytes Tiff() {
  char path[] = "/tmp/xlx-sample-XXXXXX";
  int fd = mkstemp(path);
  close(fd);
  TIFF* t = TIFFOpen(path, "w");
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, W);
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, H);
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 4);
  uint16_t extra[] = {EXTRASAMPLE_UNASSALPHA};
  TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, extra);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 2);
  std::vector<uint8_t> px = Rgba(true);
  for (int y = 0; y < H; ++y) TIFFWriteScanline(t, &px[y * W * 4], y, 0);
  TIFFClose(t);
  std::ifstream in(path, std::ios::binary);
  Bytes out((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  unlink(path);
  return out;
}

Bytes Webp() {
  std::vector<uint8_t> px = Rgba(true);
  uint8_t* data = nullptr;
  size_t size = WebPEncodeLosslessRGBA(px.data(), W, H, W * 4, &data);
  Bytes out(data, data + size);
  WebPFree(data);
  return out;
}

Bytes Svg() {
  const char* text =
      "<?xml version=\"1.0\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"16\" height=\"8\">"
      "<rect x=\"0\" y=\"0\" width=\"8\" height=\"8\" fill=\"#ff0000\"/>"
      "<rect x=\"8\" y=\"0\" width=\"8\" height=\"8\" fill=\"#0000ff\"/></svg>\n";
  return Bytes(text, text + std::strlen(text));
}

// EMF records: header, two solid brushes with the null pen, two rectangles, end of file.
Bytes Emf() {
  Bytes b;
  Put32(b, 1), Put32(b, 108);
  Put32(b, 0), Put32(b, 0), Put32(b, W - 1), Put32(b, H - 1);  // bounds, device pixels
  Put32(b, 0), Put32(b, 0), Put32(b, W * 2540 / 96), Put32(b, H * 2540 / 96);  // frame, 0.01 mm
  Put32(b, 0x464D4520), Put32(b, 0x10000), Put32(b, 0), Put32(b, 0);  // signature, version, bytes, records
  Put16(b, 3), Put16(b, 0), Put32(b, 0), Put32(b, 0), Put32(b, 0);    // handles, description, palette
  Put32(b, 960), Put32(b, 960), Put32(b, 254), Put32(b, 254);         // 96 dpi device
  Put32(b, 0), Put32(b, 0), Put32(b, 0), Put32(b, 254000), Put32(b, 254000);
  auto brush = [&](uint32_t handle, uint32_t colorref) {
    Put32(b, 39), Put32(b, 24), Put32(b, handle), Put32(b, 0), Put32(b, colorref), Put32(b, 0);
    Put32(b, 37), Put32(b, 12), Put32(b, handle);
  };
  Put32(b, 37), Put32(b, 12), Put32(b, 0x80000008);  // the stock null pen
  brush(1, 0x000000FF);                               // COLORREF is 0x00BBGGRR
  Put32(b, 43), Put32(b, 24), Put32(b, 0), Put32(b, 0), Put32(b, W / 2), Put32(b, H);
  brush(2, 0x00FF0000);
  Put32(b, 43), Put32(b, 24), Put32(b, W / 2), Put32(b, 0), Put32(b, W), Put32(b, H);
  Put32(b, 14), Put32(b, 20), Put32(b, 0), Put32(b, 16), Put32(b, 20);
  Set32(b, 48, static_cast<uint32_t>(b.size()));
  Set32(b, 52, 9);
  return b;
}

// WMF with a placeable header: window of 16 x 8 units at 96 units per inch, a null pen, two
// brushes and two rectangles.
Bytes Wmf() {
  Bytes b;
  Put32(b, 0x9AC6CDD7), Put16(b, 0);
  Put16(b, 0), Put16(b, 0), Put16(b, W), Put16(b, H), Put16(b, 96), Put32(b, 0);
  uint16_t sum = 0;
  for (size_t i = 0; i < b.size(); i += 2) sum ^= static_cast<uint16_t>(b[i] | (b[i + 1] << 8));
  Put16(b, sum);
  const size_t header = b.size();
  Put16(b, 1), Put16(b, 9), Put16(b, 0x300), Put32(b, 0), Put16(b, 3), Put32(b, 8), Put16(b, 0);
  auto record = [&](uint16_t function, std::initializer_list<uint16_t> params) {
    Put32(b, static_cast<uint32_t>(3 + params.size())), Put16(b, function);
    for (uint16_t p : params) Put16(b, p);
  };
  record(0x020B, {0, 0});                    // window origin y, x
  record(0x020C, {H, W});                    // window extent y, x
  record(0x02FA, {5, 0, 0, 0, 0});           // null pen
  record(0x012D, {0});
  record(0x02FC, {0, 0x00FF, 0x0000, 0});    // red brush (COLORREF low word, high word)
  record(0x012D, {1});
  record(0x041B, {H, W / 2, 0, 0});          // rectangle bottom, right, top, left
  record(0x01F0, {1});                       // delete the red brush
  record(0x02FC, {0, 0x0000, 0x00FF, 0});    // blue brush
  record(0x012D, {1});
  record(0x041B, {H, W, 0, W / 2});
  record(0x0000, {});
  Set32(b, header + 6, static_cast<uint32_t>((b.size() - header) / 2));
  return b;
}

}  // namespace imagesamples
