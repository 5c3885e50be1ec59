// The host side of the page benchmarks: paginated letter pages at 96 dpi through the filter's
// entry points, the parsed workbook kept in the holder between calls.
#pragma once
#include <cstring>
#include <string>

#include "filter/xlxfilter.h"
#include "host/kernel/vkkrnx.h"

namespace xlxbench {

inline double Inches(double v, int32_t, uint32_t, uint32_t, uint32_t, uint32_t) { return v; }
inline int32_t Row(_FILEINFO*, _BITMAPHANDLE*, const uint8_t*, uint32_t, int32_t, int32_t, uint64_t) { return 1; }

struct Host {
  std::u16string path;
  FilterDataHolder holder{};
  _FILEINFO info{};
  ~Host() {
    if (holder.pData) fltFreeData(holder.pData, 0);
  }
  void Options(_RASTERIZEDOCOPTIONS* o) const {
    std::memset(o, 0, sizeof *o);
    o->uStructSize = 68, o->dPageWidth = 8.5, o->dPageHeight = 11, o->uUnit = 1;
    o->uXResolution = o->uYResolution = 96, o->uSizeMode = 1;
  }
  int32_t Info() {
    _INFODISPATCH d;
    std::memset(&d, 0, sizeof d);
    info.uStructSize = sizeof info;
    _LOADFILEOPTION lfo{};
    lfo.nPageNumber = 1;
    d.pszFileName = path.c_str();
    d.hFile = VkOpenFile(path.c_str(), VK_OPEN_READ, 0);
    d.pFileInfo = &info, d.pFilterData = &holder, d.pLoadFileOption = &lfo, d.dispatchXlxFlags = 1;
    Options(&d.dispatchRasterizeDocOptions);
    d.pfnUnitConverter = Inches;
    int32_t r = fltInfo(&d);
    VkCloseFile(d.hFile);
    return r;
  }
  int32_t Load() {
    _LOADDISPATCH d;
    std::memset(&d, 0, sizeof d);
    _LOADFILEOPTION lfo{};
    lfo.nPageNumber = 1;
    _BITMAPHANDLE t{};
    t.uWidth = info.uWidth, t.uHeight = info.uHeight, t.uXResolution = t.uYResolution = 96;
    _FILEINFO fi = info;
    d.pszFileName = path.c_str(), d.pBitmap = &t, d.pfnRowDelivery = Row, d.pFileInfo = &fi;
    d.pFilterData = &holder, d.pLoadFileOption = &lfo, d.dispatchXlxFlags = 1;
    Options(&d.dispatchRasterizeDocOptions);
    d.pfnUnitConverter = Inches;
    return fltLoad(&d);
  }
};

}  // namespace xlxbench
