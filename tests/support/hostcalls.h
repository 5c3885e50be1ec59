// The filter's entry points called as a host calls them: fltInfo and fltLoad on one page of a
// workbook file, with the dispatch records filled for letter paper at 96 dpi unless told
// otherwise. Header-only: only test programs that link the filter include it.
#pragma once
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "filter/xlxfilter.h"
#include "host/kernel/vkkrnx.h"
#include "tests/support/testsupport.h"

namespace xlxtest {

struct HostRequest {
  int32_t page = 1;
  uint32_t flags = 0;     // option flags of the request: 0x01 paginate, 0x40 gridlines
  uint32_t sizeMode = 0;  // RASTERIZEDOC_SIZEMODE
  uint32_t dpi = 96;
  double pageWidthIn = 8.5, pageHeightIn = 11;
  const char* password = nullptr;  // UTF-8 text of the request's password source
};

// The host's unit converter: lengths are given in inches, pixels divide by the resolution.
inline double HostToInches(double v, int32_t, uint32_t resolution, uint32_t unit, uint32_t, uint32_t) {
  return unit == 0 ? v / (resolution ? resolution : 96) : v;
}

// One workbook file through fltInfo and then fltLoad; both calls share the parse through one
// filter-data holder, released at scope end.
class HostCall {
 public:
  HostCall(const std::string& path, const HostRequest& request) : path_(U16(path)), request_(request) {}
  ~HostCall() {
    if (holder_.pData) fltFreeData(holder_.pData, 0);
  }
  HostCall(const HostCall&) = delete;
  HostCall& operator=(const HostCall&) = delete;

  // fltInfo; info() then holds the page's size and the page count.
  int32_t Info() {
    std::memset(&info_, 0, sizeof info_);
    info_.uStructSize = sizeof info_;
    _LOADFILEOPTION option{};
    option.nPageNumber = request_.page;
    _INFODISPATCH d;
    std::memset(&d, 0, sizeof d);
    d.hFile = VkOpenFile(path_.c_str(), VK_OPEN_READ | VK_OPEN_BINARY, 0);
    if (d.hFile == -1) return -10;
    Fill(&d, &info_, &option);
    const int32_t r = fltInfo(&d);
    VkCloseFile(d.hFile);
    return r;
  }

  // fltLoad of the page into a 24-bit bitmap of the size the info call reported.
  int32_t Load(RowDeliveryCallback deliver, void* user) {
    _BITMAPHANDLE bitmap{};
    bitmap.uStructSize = sizeof bitmap;
    bitmap.uWidth = info_.uWidth;
    bitmap.uHeight = info_.uHeight;
    bitmap.uBitsPerPixel = 24;
    bitmap.uXResolution = bitmap.uYResolution = request_.dpi;
    _LOADFILEOPTION option{};
    option.nPageNumber = request_.page;
    _FILEINFO info;
    std::memset(&info, 0, sizeof info);
    info.uStructSize = sizeof info;
    _LOADDISPATCH d;
    std::memset(&d, 0, sizeof d);
    d.pBitmap = &bitmap;
    d.pfnRowDelivery = deliver;
    d.uRowDeliveryUser = reinterpret_cast<uint64_t>(user);
    Fill(&d, &info, &option);
    return fltLoad(&d);
  }

  const _FILEINFO& info() const { return info_; }
  void set_page(int32_t page) { request_.page = page; }

 private:
  // The fields the info and the load dispatch share.
  template <typename Dispatch>
  void Fill(Dispatch* d, _FILEINFO* info, _LOADFILEOPTION* option) {
    d->pszFileName = path_.c_str();
    d->pFileInfo = info;
    d->pFilterData = &holder_;
    d->pLoadFileOption = option;
    d->dispatchXlxFlags = request_.flags;
    Options(&d->dispatchRasterizeDocOptions);
    d->pfnUnitConverter = HostToInches;
    d->uPasswordSource = reinterpret_cast<uint64_t>(request_.password);
  }

  void Options(_RASTERIZEDOCOPTIONS* o) const {
    std::memset(o, 0, sizeof *o);
    o->uStructSize = sizeof *o;
    o->dPageWidth = request_.pageWidthIn;
    o->dPageHeight = request_.pageHeightIn;
    o->uUnit = 1;
    o->uXResolution = o->uYResolution = request_.dpi;
    o->uSizeMode = request_.sizeMode;
  }

  std::u16string path_;
  HostRequest request_;
  FilterDataHolder holder_{};
  _FILEINFO info_{};
};

// `bytes` in a fresh file under /tmp: its path, or "" when it cannot be written.
inline std::string WriteTempFile(const std::vector<unsigned char>& bytes) {
  char path[] = "/tmp/xlxtestXXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0) return "";
  const bool written = bytes.empty() || write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  close(fd);
  if (written) return path;
  unlink(path);
  return "";
}

// fltInfo on the package bytes, with default options or paginated (flag 0x01, shrink to the
// page); *pages gets the page count.
inline int32_t InfoCall(const std::vector<unsigned char>& bytes, bool paginate, int32_t* pages = nullptr) {
  const std::string path = WriteTempFile(bytes);
  if (path.empty()) return -999;
  int32_t r;
  {
    HostCall call(path, HostRequest{1, paginate ? 1u : 0u, paginate ? 1u : 0u});
    r = call.Info();
    if (pages) *pages = static_cast<int32_t>(call.info().uTotalPages);
  }
  unlink(path.c_str());
  return r;
}

}  // namespace xlxtest
