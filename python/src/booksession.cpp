#include "booksession.h"

#include <unistd.h>
#include <algorithm>
#include <cstdio>

#include "common/resultcodes.h"
#include "common/utf8.h"
#include "host/drawing/vkdrwx.h"
#include "host/kernel/vkkrnx.h"
#include "jpegencoder.h"
#include "pngwriter.h"

namespace {

std::u16string ToUtf16(const std::string& s) {
  std::u16string out(s.size(), u'\0');
  out.resize(s.empty() ? 0 : xlx::DecodeUtf8(s.data(), s.size(), &out[0]));
  return out;
}

CallResult Failure(int32_t code, const std::string& what) {
  CallResult r;
  r.code = code;
  r.message = what + ": " + MeaningOf(code);
  return r;
}

CallResult Closed() {
  CallResult r;
  r.code = XLX_ERR_ARGUMENT;
  r.closed = true;
  r.message = "the book is closed";
  return r;
}

std::string PageName(int32_t page) { return "page " + std::to_string(page); }

bool SameNameIgnoringCase(const char16_t* a, const char16_t* b) {
  for (; *a && *b; ++a, ++b) {
    char16_t x = *a >= u'A' && *a <= u'Z' ? *a + 32 : *a, y = *b >= u'A' && *b <= u'Z' ? *b + 32 : *b;
    if (x != y) return false;
  }
  return *a == *b;
}

int32_t IgnoreRows(const uint8_t*, int32_t, uint32_t) { return XLX_OK; }

}  // namespace

std::string ToUtf8(const char16_t* text, size_t length) {
  std::string out;
  char bytes[4];
  for (size_t i = 0; i < length;) out.append(bytes, xlx::EncodeUtf8(xlx::DecodeUtf16At(text, length, &i), bytes));
  return out;
}

BookSession::BookSession(std::string filterPath) : filterPath_(std::move(filterPath)) {}

BookSession::~BookSession() { Close(); }

CallResult BookSession::Open(const RenderOptions& options, const std::string* contents) {
  std::unique_lock<std::shared_mutex> guard(closeLock_);
  options_ = options;
  if (contents) {
    if (!contents_.Create() || !contents_.Assign(contents->data(), contents->size()))
      return Failure(XLX_ERR_MEMORY, "the workbook's bytes cannot be kept in memory");
    options_.input = contents_.path();
  }
  closed_ = false;
  CallResult result;
  std::shared_ptr<FilterHost> host = HostFor(options_.dpi, &result);
  PageSize first;
  if (host) result = InfoLocked(*host, 1, &first);
  if (!result.ok()) {
    hosts_.clear();
    closed_ = true;
  }
  return result;
}

void BookSession::Close() {
  std::unique_lock<std::shared_mutex> guard(closeLock_);
  closed_ = true;
  std::lock_guard<std::mutex> hosts(hostsLock_);
  hosts_.clear();  // each host frees its parse
  useOrder_.clear();
}

bool BookSession::closed() {
  std::shared_lock<std::shared_mutex> guard(closeLock_);
  return closed_;
}

// The host drawing at `dpi`, made on first use; the least recently used one beyond the limit is
// dropped (calls still drawing with it keep it until they finish).
std::shared_ptr<FilterHost> BookSession::HostFor(uint32_t dpi, CallResult* result) {
  std::lock_guard<std::mutex> guard(hostsLock_);
  useOrder_.erase(std::remove(useOrder_.begin(), useOrder_.end(), dpi), useOrder_.end());
  useOrder_.push_back(dpi);
  auto found = hosts_.find(dpi);
  if (found != hosts_.end()) return found->second;
  auto host = std::make_shared<FilterHost>();
  std::string error;
  const bool loaded = !filterPath_.empty() && access(filterPath_.c_str(), R_OK) == 0 ? host->LoadFrom(filterPath_, &error)
                                                                                     : host->Load(&error);
  RenderOptions options = options_;
  options.dpi = dpi;
  if (!loaded || !host->Open(options, &error)) {
    useOrder_.pop_back();
    result->code = XLX_ERR_OPEN;
    result->message = error;
    return nullptr;
  }
  hosts_[dpi] = host;
  if (hosts_.size() > kMaxHostsPerBook) {
    const uint32_t oldest = useOrder_.front() == options_.dpi ? useOrder_[1] : useOrder_.front();
    hosts_.erase(oldest);
    useOrder_.erase(std::find(useOrder_.begin(), useOrder_.end(), oldest));
  }
  return host;
}

CallResult BookSession::InfoLocked(FilterHost& host, int32_t page, PageSize* size) {
  if (page < 1) return Failure(XLX_ERR_ARGUMENT, PageName(page));
  int32_t r = host.Info(page, size);
  if (r != XLX_OK) return Failure(r, page == 1 ? "the workbook" : PageName(page));
  if (static_cast<uint32_t>(page) > size->totalPages) return Failure(XLX_ERR_ARGUMENT, PageName(page));
  return CallResult();
}

std::shared_ptr<FilterHost> BookSession::PageHost(int32_t page, uint32_t dpi, PageSize* size, CallResult* result) {
  std::shared_ptr<FilterHost> host = HostFor(dpi, result);
  if (!host) return nullptr;
  *result = InfoLocked(*host, page, size);
  return result->ok() ? host : nullptr;
}

CallResult BookSession::Info(int32_t page, uint32_t dpi, PageFacts* facts) {
  std::shared_lock<std::shared_mutex> guard(closeLock_);
  if (closed_) return Closed();
  CallResult result;
  PageSize size;
  if (!PageHost(page, dpi, &size, &result)) return result;
  facts->width = size.width;
  facts->height = size.height;
  facts->dpi = size.xRes;
  facts->totalPages = size.totalPages;
  facts->format = size.format;
  facts->range = ToUtf8(size.range.data(), size.range.size());
  return result;
}

// Draws a page at `dpi` and hands each row to `row`; `begin` sees the page's size first. A sink
// that fails answers -1 and stops the page.
CallResult BookSession::RenderRows(int32_t page, uint32_t dpi, const RowSink& begin, const RowSink& row,
                                   PageFacts* facts) {
  std::shared_lock<std::shared_mutex> guard(closeLock_);
  if (closed_) return Closed();
  CallResult result;
  PageSize size;
  std::shared_ptr<FilterHost> host = PageHost(page, dpi, &size, &result);
  if (!host) return result;
  if (static_cast<uint64_t>(size.width) * size.height > VK_MAX_BITMAP_PIXELS) {
    result.code = XLX_ERR_LIMIT;
    result.message = PageName(page) + " is " + std::to_string(size.width) + " x " + std::to_string(size.height) +
                     " pixels, too large for one bitmap";
    return result;
  }
  facts->width = size.width;
  facts->height = size.height;
  facts->dpi = size.xRes;
  if (begin(nullptr, 0, 0) != XLX_OK) return Failure(XLX_ERR_MEMORY, PageName(page));
  bool sinkFailed = false;
  int32_t r = host->Render(page, size, [&](const uint8_t* bgr, int32_t y, uint32_t flags) -> int32_t {
    if (y < 0 || static_cast<uint32_t>(y) >= size.height || row(bgr, y, flags) != XLX_OK) {
      sinkFailed = true;
      return XLX_ERR_REOPEN;
    }
    return XLX_OK;
  });
  if (sinkFailed) return Failure(XLX_ERR_MEMORY, PageName(page) + " cannot be encoded");
  if (r != XLX_OK) return Failure(r, PageName(page));
  return result;
}

CallResult BookSession::RenderPng(int32_t page, uint32_t dpi, std::string* png) {
  MemoryFile out;
  PngPageWriter writer;
  PageFacts facts;
  std::string error;
  auto begin = [&](const uint8_t*, int32_t, uint32_t) { return out.Create() ? XLX_OK : XLX_ERR_MEMORY; };
  auto row = [&](const uint8_t* bgr, int32_t, uint32_t flags) -> int32_t {
    if ((flags & 4) && !writer.Begin(out.path(), facts.width, facts.height, facts.dpi, &error)) return XLX_ERR_MEMORY;
    if (!writer.WriteRow(bgr)) return XLX_ERR_MEMORY;
    if ((flags & 8) && !writer.Finish(&error)) return XLX_ERR_MEMORY;
    return XLX_OK;
  };
  CallResult result = RenderRows(page, dpi, begin, row, &facts);
  if (result.ok() && !out.ReadAll(png)) return Failure(XLX_ERR_READ, PageName(page) + " cannot be read back");
  return result;
}

CallResult BookSession::RenderJpeg(int32_t page, uint32_t dpi, int quality, std::string* jpeg) {
  if (quality < 1 || quality > 100) return Failure(XLX_ERR_ARGUMENT, "a JPEG quality from 1 to 100");
  JpegEncoder encoder;
  PageFacts facts;
  auto begin = [](const uint8_t*, int32_t, uint32_t) { return XLX_OK; };
  auto row = [&](const uint8_t* bgr, int32_t, uint32_t flags) -> int32_t {
    if ((flags & 4) && !encoder.Begin(facts.width, facts.height, facts.dpi, quality)) return XLX_ERR_MEMORY;
    if (!encoder.WriteRow(bgr)) return XLX_ERR_MEMORY;
    if ((flags & 8) && !encoder.Finish(jpeg)) return XLX_ERR_MEMORY;
    return XLX_OK;
  };
  return RenderRows(page, dpi, begin, row, &facts);
}

CallResult BookSession::RenderRgb(int32_t page, uint32_t dpi, std::string* rgb, PageFacts* facts) {
  auto begin = [&](const uint8_t*, int32_t, uint32_t) {
    rgb->assign(static_cast<size_t>(facts->width) * facts->height * 3, '\0');
    return XLX_OK;
  };
  auto row = [&](const uint8_t* bgr, int32_t y, uint32_t) -> int32_t {
    const size_t stride = static_cast<size_t>(facts->width) * 3;
    char* out = &(*rgb)[stride * static_cast<size_t>(y)];
    for (size_t x = 0; x < stride; x += 3) {
      out[x] = static_cast<char>(bgr[x + 2]);
      out[x + 1] = static_cast<char>(bgr[x + 1]);
      out[x + 2] = static_cast<char>(bgr[x]);
    }
    return XLX_OK;
  };
  return RenderRows(page, dpi, begin, row, facts);
}

// Draws one page straight into `document` as its next page.
CallResult BookSession::DrawVectorPage(FilterHost& host, int32_t page, VkVectorDocument* document) {
  PageSize size;
  CallResult result = InfoLocked(host, page, &size);
  if (!result.ok()) return result;
  VkVectorPage* drawn = nullptr;
  int32_t r = VkCreateDocumentPage(document, size.width, size.height, size.xRes ? size.xRes : 96, &drawn);
  if (r != XLX_OK) return Failure(r, PageName(page) + " cannot be drawn as a vector page");
  (void)VkBindVectorPage(drawn);
  r = host.Render(page, size, IgnoreRows);
  (void)VkBindVectorPage(nullptr);
  if (r != XLX_OK) result = Failure(r, PageName(page));
  else if (!VkVectorPageUsed(drawn)) result = Failure(XLX_ERR_RENDER_EXCEPTION, PageName(page));
  else if ((r = VkAddVectorPage(document, drawn)) != XLX_OK) result = Failure(r, PageName(page) + " cannot be added");
  VkDestroyVectorPage(drawn);  // before its document
  return result;
}

CallResult BookSession::RenderSvg(int32_t page, std::string* svg) {
  std::shared_lock<std::shared_mutex> guard(closeLock_);
  if (closed_) return Closed();
  CallResult result;
  std::shared_ptr<FilterHost> host = HostFor(options_.dpi, &result);
  if (!host) return result;
  MemoryFile out;
  if (!out.Create()) return Failure(XLX_ERR_MEMORY, PageName(page));
  VkVectorDocument* document = nullptr;
  int32_t r = VkCreateVectorDocument(VK_VECTOR_SVG, ToUtf16(out.path()).c_str(), &document);
  if (r != XLX_OK) return Failure(r, PageName(page) + " cannot start an SVG document");
  result = DrawVectorPage(*host, page, document);
  if (result.ok() && (r = VkFinishVectorDocument(document)) != XLX_OK) result = Failure(r, PageName(page));
  VkDestroyVectorDocument(document);
  if (result.ok() && !out.ReadAll(svg)) return Failure(XLX_ERR_READ, PageName(page) + " cannot be read back");
  return result;
}

CallResult BookSession::SavePdf(const std::string& path, const std::vector<int32_t>& pages) {
  std::shared_lock<std::shared_mutex> guard(closeLock_);
  if (closed_) return Closed();
  if (pages.empty()) return Failure(XLX_ERR_ARGUMENT, "a PDF needs at least one page");
  CallResult result;
  std::shared_ptr<FilterHost> host = HostFor(options_.dpi, &result);
  if (!host) return result;
  VkVectorDocument* pdf = nullptr;
  int32_t r = VkCreateVectorDocument(VK_VECTOR_PDF, ToUtf16(path).c_str(), &pdf);
  if (r != XLX_OK) return Failure(r, "cannot write " + path);
  // Title and author come from the document properties; a workbook without them has none.
  std::u16string title, author;
  if (host->Metadata([&](const char16_t* name, const char16_t* value) {
        if (SameNameIgnoringCase(name, u"title")) title = value;
        if (SameNameIgnoringCase(name, u"author")) author = value;
      }) == XLX_OK)
    (void)VkSetVectorDocumentInfo(pdf, title.c_str(), author.c_str());
  for (int32_t page : pages) {
    result = DrawVectorPage(*host, page, pdf);
    if (!result.ok()) break;
  }
  if (result.ok() && (r = VkFinishVectorDocument(pdf)) != XLX_OK) result = Failure(r, "cannot write " + path);
  VkDestroyVectorDocument(pdf);
  if (!result.ok()) std::remove(path.c_str());  // no half-written document is left behind
  return result;
}

CallResult BookSession::Metadata(std::vector<std::pair<std::string, std::string>>* items) {
  std::shared_lock<std::shared_mutex> guard(closeLock_);
  if (closed_) return Closed();
  CallResult result;
  std::shared_ptr<FilterHost> host = HostFor(options_.dpi, &result);
  if (!host) return result;
  auto text = [](const char16_t* s, size_t capacity) {
    size_t n = 0;
    while (n < capacity && s[n]) ++n;
    return ToUtf8(s, n);
  };
  int32_t r = host->Metadata([&](const char16_t* name, const char16_t* value) {
    items->emplace_back(text(name, 128), text(value, 128));
  });
  return r == XLX_OK ? result : Failure(r, "the document properties");
}
