// GIF pictures through giflib: the first image of the file, placed on its logical screen, with
// the transparent colour of its graphic control extension. Later frames are not read.
#include <gif_lib.h>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include "host/kernel/imageinternal.h"

namespace vkimg {
namespace {

struct GifInput {
  const uint8_t* data;
  size_t size;
  size_t pos;
};

int ReadInput(GifFileType* gif, GifByteType* out, int count) {
  auto* in = static_cast<GifInput*>(gif->UserData);
  if (count < 0) return 0;
  size_t n = std::min<size_t>(static_cast<size_t>(count), in->size - in->pos);
  std::memcpy(out, in->data + in->pos, n);
  in->pos += n;
  return static_cast<int>(n);
}

// Reads the first image onto a transparent canvas of the logical screen's size (files that leave
// the screen empty take the image's own extent); `transparent` is the colour index drawn as nothing.
int32_t ReadImage(GifFileType* gif, int transparent, _BITMAPHANDLE* out) {
  if (DGifGetImageDesc(gif) != GIF_OK) return XLX_ERR_FORMAT;
  const GifImageDesc& desc = gif->Image;
  const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
  if (!map || desc.Width <= 0 || desc.Height <= 0 || desc.Left < 0 || desc.Top < 0) return XLX_ERR_FORMAT;
  uint32_t w = gif->SWidth > 0 ? static_cast<uint32_t>(gif->SWidth) : static_cast<uint32_t>(desc.Left + desc.Width);
  uint32_t h = gif->SHeight > 0 ? static_cast<uint32_t>(gif->SHeight) : static_cast<uint32_t>(desc.Top + desc.Height);
  int32_t made = NewBitmap32(w, h, out);
  if (made != XLX_OK) return made;
  for (uint32_t y = 0; y < out->uHeight; ++y) std::memset(Row(out, y), 0, static_cast<size_t>(out->uWidth) * 4);
  auto* line = static_cast<GifPixelType*>(std::malloc(static_cast<size_t>(desc.Width)));
  if (!line) return XLX_ERR_MEMORY;
  static const int kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
  const int passes = desc.Interlace ? 4 : 1;
  int32_t result = XLX_OK;
  for (int pass = 0; pass < passes && result == XLX_OK; ++pass) {
    const int start = desc.Interlace ? kStart[pass] : 0, step = desc.Interlace ? kStep[pass] : 1;
    for (int y = start; y < desc.Height; y += step) {
      if (DGifGetLine(gif, line, desc.Width) != GIF_OK) {
        result = XLX_ERR_FORMAT;
        break;
      }
      const uint32_t row = static_cast<uint32_t>(desc.Top + y);
      if (row >= out->uHeight) continue;
      uint8_t* dst = Row(out, row);
      for (int x = 0; x < desc.Width; ++x) {
        const uint32_t col = static_cast<uint32_t>(desc.Left + x);
        if (col >= out->uWidth || line[x] == transparent) continue;
        uint8_t* p = dst + 4 * col;
        if (line[x] < map->ColorCount) {
          const GifColorType& c = map->Colors[line[x]];
          p[0] = c.Blue, p[1] = c.Green, p[2] = c.Red;
        } else {
          p[0] = p[1] = p[2] = 0;
        }
        p[3] = 255;
      }
    }
  }
  std::free(line);
  return result;
}

int32_t Decode(GifFileType* gif, _BITMAPHANDLE* out) {
  int transparent = -1;
  for (;;) {
    GifRecordType type;
    if (DGifGetRecordType(gif, &type) != GIF_OK) return XLX_ERR_FORMAT;
    if (type == TERMINATE_RECORD_TYPE) return XLX_ERR_FORMAT;  // no image at all
    if (type == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType* ext = nullptr;
      if (DGifGetExtension(gif, &code, &ext) != GIF_OK) return XLX_ERR_FORMAT;
      if (code == GRAPHICS_EXT_FUNC_CODE && ext && ext[0] >= 4 && (ext[1] & 1)) transparent = ext[4];
      while (ext) {
        if (DGifGetExtensionNext(gif, &ext) != GIF_OK) return XLX_ERR_FORMAT;
      }
      continue;
    }
    if (type != IMAGE_DESC_RECORD_TYPE) return XLX_ERR_FORMAT;
    return ReadImage(gif, transparent, out);
  }
}

}  // namespace

int32_t DecodeGif(const uint8_t* data, size_t size, _BITMAPHANDLE* out) {
  GifInput in{data, size, 0};
  int error = 0;
  GifFileType* gif = DGifOpen(&in, ReadInput, &error);
  if (!gif) return XLX_ERR_FORMAT;
  int32_t result = Decode(gif, out);
  DGifCloseFile(gif, &error);
  return result;
}

}  // namespace vkimg
