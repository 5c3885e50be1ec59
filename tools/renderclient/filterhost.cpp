#include "filterhost.h"

#include <dlfcn.h>
#include <unistd.h>
#include <climits>
#include <cstring>
#include <mutex>
#include <vector>

#include "common/resultcodes.h"
#include "common/utf8.h"
#include "host/kernel/vkkrnx.h"

namespace {

std::u16string ToUtf16(const std::string& s) {
  std::u16string out(s.size(), u'\0');
  out.resize(s.empty() ? 0 : xlx::DecodeUtf8(s.data(), s.size(), &out[0]));
  return out;
}

std::string ExecutableFolder() {
  char buf[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return ".";
  buf[n] = 0;
  std::string p(buf);
  return p.substr(0, p.find_last_of('/'));
}

// Every length handed to the filter is in inches.
double ToInches(double v, int32_t, uint32_t resolution, uint32_t unit, uint32_t, uint32_t) {
  switch (unit) {
    case 0: return resolution ? v / resolution : v / 96;
    case 2: return v / 25.4;
    case 4: return v / 72;
    default: return v;
  }
}

struct RenderCall {
  const FilterHost::RowSink* sink;
};

int32_t DeliverRow(_FILEINFO*, _BITMAPHANDLE*, const uint8_t* row, uint32_t flags, int32_t y, int32_t, uint64_t user) {
  auto* call = reinterpret_cast<RenderCall*>(user);
  return (*call->sink)(row, y, flags);
}

}  // namespace

FilterHost::~FilterHost() {
  Close();
  // The filter stays loaded for the life of the process, as a host keeps its plug-ins: its
  // per-thread caches are released when their threads end, which unloading it first would
  // turn into blocks no one can reach.
}

bool FilterHost::Load(std::string* error) {
  std::vector<std::string> candidates;
  if (const char* env = getenv("XLX_FILTER")) candidates.push_back(env);
  std::string here = ExecutableFolder();
  candidates.push_back(here + "/libxlxfilter.so");
  candidates.push_back(here + "/../../libxlxfilter.so");
  candidates.push_back(here + "/../lib/libxlxfilter.so");
  candidates.push_back(XLX_FILTER_BUILD_PATH);
  std::string last;
  for (const std::string& c : candidates) {
    if (access(c.c_str(), R_OK) != 0) continue;
    library_ = dlopen(c.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library_) break;
    last = dlerror();
  }
  if (!library_) {
    *error = "cannot load libxlxfilter.so" + (last.empty() ? std::string() : ": " + last);
    return false;
  }
  return BindEntryPoints(error);
}

bool FilterHost::LoadFrom(const std::string& path, std::string* error) {
  library_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library_) {
    const char* why = dlerror();
    *error = "cannot load " + path + (why ? std::string(": ") + why : std::string());
    return false;
  }
  return BindEntryPoints(error);
}

bool FilterHost::BindEntryPoints(std::string* error) {
  info_ = reinterpret_cast<decltype(info_)>(dlsym(library_, "fltInfo"));
  load_ = reinterpret_cast<decltype(load_)>(dlsym(library_, "fltLoad"));
  free_ = reinterpret_cast<decltype(free_)>(dlsym(library_, "fltFreeData"));
  metadata_ = reinterpret_cast<decltype(metadata_)>(dlsym(library_, "fltReadFileMetaDataItems"));
  if (!info_ || !load_ || !free_ || !metadata_) {
    *error = "libxlxfilter.so lacks its entry points";
    return false;
  }
  return true;
}

bool FilterHost::Open(const RenderOptions& options, std::string* error) {
  options_ = options;
  path16_ = ToUtf16(options.input);
  file_ = VkOpenFile(path16_.c_str(), VK_OPEN_READ | VK_OPEN_BINARY, 0);
  if (file_ == -1) {
    *error = "cannot open " + options.input;
    return false;
  }
  return true;
}

void FilterHost::Close() {
  if (holder_.pData && free_) free_(holder_.pData, 0);
  holder_ = FilterDataHolder{};
  if (file_ != -1) VkCloseFile(file_);
  file_ = -1;
}

void FilterHost::FillOptions(_RASTERIZEDOCOPTIONS* o) const {
  std::memset(o, 0, sizeof *o);
  o->uStructSize = sizeof *o;
  o->dPageWidth = options_.paperWidthIn;
  o->dPageHeight = options_.paperHeightIn;
  if (options_.flags & kFlagEnableMargins) {
    o->dTopMargin = options_.marginTop;
    o->dBottomMargin = options_.marginBottom;
    o->dLeftMargin = options_.marginLeft;
    o->dRightMargin = options_.marginRight;
  }
  o->uUnit = 1;
  o->uXResolution = options_.dpi;
  o->uYResolution = options_.dpiY ? options_.dpiY : options_.dpi;
  o->uSizeMode = options_.sizeMode;
}

FilterHost::CallRecords::CallRecords(int32_t page) {
  std::memset(&fileInfo, 0, sizeof fileInfo);
  fileInfo.info.uStructSize = sizeof fileInfo;
  std::memset(&loadOption, 0, sizeof loadOption);
  loadOption.nPageNumber = page;
}

// The fields the info and the load dispatch share: file, records, flags and view options.
template <typename Dispatch>
void FilterHost::FillDispatch(Dispatch* d, CallRecords* records) {
  d->pszFileName = path16_.c_str();
  d->pFileInfo = &records->fileInfo.info;
  d->pFilterData = &holder_;
  d->pLoadFileOption = &records->loadOption;
  d->dispatchXlxFlags = options_.flags;
  FillOptions(&d->dispatchRasterizeDocOptions);
  d->pfnUnitConverter = ToInches;
  d->uPasswordSource = PasswordSource();
}

// The password travels as the address of its UTF-8 text; 0 when none was given.
uint64_t FilterHost::PasswordSource() const {
  return options_.password.empty() ? 0 : reinterpret_cast<uint64_t>(options_.password.c_str());
}

int32_t FilterHost::Info(int32_t page, PageSize* size) {
  // The info call reads the shared host file handle: one at a time.
  std::lock_guard<std::mutex> guard(infoLock_);
  _INFODISPATCH d;
  std::memset(&d, 0, sizeof d);
  CallRecords records(page);
  FillDispatch(&d, &records);
  d.hFile = file_;
  int32_t r = info_(&d);
  // A failed decryption is reported as -1863 with the reason in the dispatch.
  if (r == -1863 && d.nDecryptError != 0) r = d.nDecryptError;
  const _FILEINFO& fi = records.fileInfo.info;
  if (r == XLX_OK) {
    const char16_t* range = records.fileInfo.szPageRange;
    size_t n = 0;
    while (n < sizeof records.fileInfo.szPageRange / sizeof range[0] && range[n]) ++n;
    size->range.assign(range, n);
    size->width = fi.uWidth;
    size->height = fi.uHeight;
    size->totalPages = fi.uTotalPages;
    size->format = fi.uFormat;
    size->xRes = fi.uXResolution;
    size->yRes = fi.uYResolution;
    size->warnings = fi.uWarnings;
  }
  return r;
}

int32_t FilterHost::Render(int32_t page, const PageSize& size, const RowSink& sink) {
  _LOADDISPATCH d;
  std::memset(&d, 0, sizeof d);
  CallRecords records(page);
  FillDispatch(&d, &records);
  _BITMAPHANDLE templ;
  std::memset(&templ, 0, sizeof templ);
  templ.uStructSize = sizeof templ;
  templ.uWidth = size.width;
  templ.uHeight = size.height;
  templ.uBitsPerPixel = 24;
  templ.uXResolution = size.xRes;
  templ.uYResolution = size.yRes;
  RenderCall call{&sink};
  d.pBitmap = &templ;
  d.pfnRowDelivery = DeliverRow;
  d.uRowDeliveryUser = reinterpret_cast<uint64_t>(&call);
  return load_(&d);
}

namespace {
struct MetadataSink {
  std::vector<MetadataItem> items;
};
int32_t PrepareItems(MetadataItemList* list, int32_t count) {
  auto* sink = *reinterpret_cast<MetadataSink**>(list->filler0);
  if (count < 0 || count > 64) return XLX_ERR_ARGUMENT;
  sink->items.assign(static_cast<size_t>(count), MetadataItem{});
  list->pItems = sink->items.data();
  return XLX_OK;
}
}  // namespace

int32_t FilterHost::Metadata(std::function<void(const char16_t*, const char16_t*)> item) {
  MetadataSink sink;
  MetadataItemList list;
  std::memset(&list, 0, sizeof list);
  MetadataSink* p = &sink;
  std::memcpy(list.filler0, &p, sizeof p);
  MetadataRequest req;
  std::memset(&req, 0, sizeof req);
  req.pszFileName = path16_.c_str();
  req.pItemList = &list;
  req.pfnPrepare = PrepareItems;
  req.pFilterData = &holder_;
  req.uPasswordSource = PasswordSource();
  int32_t r = metadata_(&req);
  if (r == XLX_OK)
    for (const MetadataItem& m : sink.items) item(m.szName, m.szValue);
  return r;
}

int ExitStatusFor(int32_t code) {
  switch (code) {
    case XLX_OK: return 0;
    case XLX_ERR_READ: case XLX_ERR_FORMAT: case XLX_ERR_OPEN: case XLX_ERR_REOPEN: return 1;
    case XLX_ERR_WRONG_PASSWORD: case XLX_ERR_NO_PASSWORD: case XLX_ERR_DECRYPT: case XLX_ERR_PASSWORD_TEXT: return 3;
    case XLX_ERR_OTHER_KIND: case XLX_ERR_UNSUPPORTED_ENCRYPTION: return 1;
    case XLX_ERR_LIMIT: case XLX_ERR_WORK_BUDGET: return 4;
    default: return 99;
  }
}

const char* MeaningOf(int32_t code) {
  switch (code) {
    case XLX_ERR_MEMORY: return "out of memory, or the file claims sizes beyond the limits";
    case XLX_ERR_NO_PIXELS: return "the page bitmap has no pixel memory";
    case XLX_ERR_READ: return "the file could not be read";
    case XLX_ERR_FORMAT: return "not a supported workbook, or the workbook is damaged";
    case XLX_ERR_OPEN: return "the file could not be opened";
    case XLX_ERR_ARGUMENT: return "invalid request (for example margins wider than the page)";
    case XLX_ERR_REOPEN: return "the file could not be reopened";
    case XLX_ERR_RENDER_EXCEPTION: return "an internal error stopped page rendering";
    case XLX_ERR_WRONG_PASSWORD: return "wrong password";
    case XLX_ERR_PASSWORD_TEXT: return "the password is not valid UTF-8 text";
    case XLX_ERR_DECRYPT: return "decryption failed";
    case XLX_ERR_NO_CRYPTO: return "the crypto library could not be loaded";
    case XLX_ERR_NO_PASSWORD: return "the workbook is protected: a password is required";
    case XLX_ERR_OTHER_KIND: return "the protected package is not a workbook";
    case XLX_ERR_UNSUPPORTED_ENCRYPTION: return "the workbook is protected with an encryption method that is not supported";
    case XLX_ERR_LIMIT: return "the workbook passes a processing limit (a part too large or with too many XML nodes, or a page larger than one bitmap)";
    case XLX_ERR_WORK_BUDGET: return "the workbook used up its work time (parsing, computing and drawing)";
    case XLX_EXCEPTION_INFO: return "an internal error stopped parsing";
    default: return "unexpected result";
  }
}
