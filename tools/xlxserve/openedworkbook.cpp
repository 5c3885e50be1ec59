#include "openedworkbook.h"

#include <cstdio>

#include "common/resultcodes.h"
#include "common/utf8.h"
#include "host/kernel/vkkrnx.h"
#include "jpegmemory.h"
#include "pngmemory.h"
#include "vectoroutput.h"

namespace {

// How many rows are drawn between two looks at the limits.
constexpr int32_t kRowsBetweenChecks = 64;

std::string Utf8(const std::u16string& text) { return xlx::Utf16ToUtf8(text); }

}  // namespace

std::string JsonQuote(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\', out += static_cast<char>(c);
    } else if (c < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string InfoJson(const std::string& id, const PageSize& first, const std::vector<PageSize>& sizes) {
  std::string out = "{";
  if (!id.empty()) out += "\"id\": " + JsonQuote(id) + ", ";
  out += "\"format\": " + std::to_string(first.format) + ", \"pages\": " + std::to_string(first.totalPages) +
         ", \"resolution\": [" + std::to_string(first.xRes) + ", " + std::to_string(first.yRes) + "], \"page_sizes\": [";
  for (size_t i = 0; i < sizes.size(); ++i)
    out += (i ? ", [" : "[") + std::to_string(sizes[i].width) + ", " + std::to_string(sizes[i].height) + "]";
  out += "], \"page_ranges\": [";
  for (size_t i = 0; i < sizes.size(); ++i) out += (i ? ", " : "") + JsonQuote(Utf8(sizes[i].range));
  return out + "]}";
}

int32_t OpenedWorkbook::Open(std::shared_ptr<MemoryFile> file, const RenderOptions& options, std::string* error) {
  file_ = std::move(file);
  options_ = options;
  options_.input = file_->path();
  options_.threads = 1;
  options_.quiet = true;
  if (!host_.Load(error)) return XLX_ERR_OPEN;
  if (!host_.Open(options_, error)) return XLX_ERR_OPEN;
  PageSize first;
  const int32_t r = host_.Info(1, &first);
  if (r != XLX_OK) return *error = MeaningOf(r), r;
  pageCount_ = static_cast<int32_t>(first.totalPages);
  return XLX_OK;
}

std::vector<int32_t> OpenedWorkbook::SelectedPages() const {
  std::vector<int32_t> pages;
  if (options_.pageRanges.empty()) {
    for (int32_t p = 1; p <= pageCount_; ++p) pages.push_back(p);
    return pages;
  }
  for (auto [a, b] : options_.pageRanges)
    for (int32_t p = a; p <= (b == 0 ? pageCount_ : b) && p <= pageCount_; ++p) pages.push_back(p);
  return pages;
}

int32_t OpenedWorkbook::PageSizes(std::vector<PageSize>* sizes) {
  sizes->clear();
  for (int32_t p = 1; p <= pageCount_; ++p) {
    PageSize s;
    const int32_t r = host_.Info(p, &s);
    if (r != XLX_OK) return r;
    sizes->push_back(s);
  }
  return XLX_OK;
}

int32_t OpenedWorkbook::CheckPage(int32_t page, PageSize* size) {
  if (page < 1 || page > pageCount_) return kNoSuchPage;
  const int32_t r = host_.Info(page, size);
  if (r != XLX_OK) return r;
  if (static_cast<uint64_t>(size->width) * size->height > VK_MAX_BITMAP_PIXELS) return kPageTooLarge;
  return XLX_OK;
}

int32_t OpenedWorkbook::StartPage(int32_t page, WorkLimits* limits, PageSize* size) {
  const int32_t r = CheckPage(page, size);
  if (r != XLX_OK) return r;
  return limits->ShouldStop() ? kStoppedByLimits : XLX_OK;
}

// Draws a page row by row into `Writer` (PNG or JPEG in memory).
template <typename Writer>
int32_t OpenedWorkbook::RenderRaster(int32_t page, WorkLimits* limits, std::string* bytes) {
  PageSize size;
  int32_t r = StartPage(page, limits, &size);
  if (r != XLX_OK) return r;
  Writer writer;
  bool stopped = false, failed = false;
  r = host_.Render(page, size, [&](const uint8_t* bgr, int32_t row, uint32_t flags) -> int32_t {
    if ((flags & 4) && !writer.Begin(size.width, size.height, size.xRes)) return failed = true, XLX_ERR_MEMORY;
    if (row % kRowsBetweenChecks == 0 && limits->ShouldStop()) return stopped = true, XLX_ERR_ARGUMENT;
    if (!writer.WriteRow(bgr)) return failed = true, XLX_ERR_MEMORY;
    if ((flags & 8) && !writer.Finish(bytes)) return failed = true, XLX_ERR_MEMORY;
    return XLX_OK;
  });
  if (stopped) return kStoppedByLimits;
  if (failed) return XLX_ERR_MEMORY;
  return r;
}

int32_t OpenedWorkbook::RenderPng(int32_t page, WorkLimits* limits, std::string* png) {
  return RenderRaster<PngMemoryWriter>(page, limits, png);
}

int32_t OpenedWorkbook::RenderJpeg(int32_t page, WorkLimits* limits, std::string* jpeg) {
  return RenderRaster<JpegMemoryWriter>(page, limits, jpeg);
}

int32_t OpenedWorkbook::RenderSvg(int32_t page, WorkLimits* limits, std::string* svg) {
  PageSize size;
  int32_t r = StartPage(page, limits, &size);
  if (r != XLX_OK) return r;
  MemoryFile out;
  std::string error;
  if (!out.Create(nullptr, 0, &error)) return XLX_ERR_MEMORY;
  RenderOptions o = options_;
  o.format = RenderOptions::Format::kSvg;
  o.pattern = out.path();
  VectorOutput output(o, 1, pageCount_);
  if (output.RenderPage(host_, 0, page) != 0) return XLX_ERR_RENDER_EXCEPTION;
  return out.ReadAll(svg) ? XLX_OK : XLX_ERR_READ;
}

int32_t OpenedWorkbook::RenderPdf(const std::vector<int32_t>& pages, WorkLimits* limits, std::string* pdf) {
  PageSize size;
  for (int32_t page : pages) {
    const int32_t r = CheckPage(page, &size);
    if (r != XLX_OK) return r;
  }
  MemoryFile out;
  std::string error;
  if (!out.Create(nullptr, 0, &error)) return XLX_ERR_MEMORY;
  RenderOptions o = options_;
  o.format = RenderOptions::Format::kPdf;
  o.pattern = out.path();
  int status;
  {
    VectorOutput output(o, pages.size(), pageCount_);
    status = output.Begin(host_);
    for (size_t i = 0; i < pages.size() && status == 0; ++i) {
      if (limits->ShouldStop()) return kStoppedByLimits;
      status = output.RenderPage(host_, i, pages[i]);
    }
    if (status == 0) status = output.Finish();
  }
  if (status != 0) return XLX_ERR_RENDER_EXCEPTION;
  return out.ReadAll(pdf) ? XLX_OK : XLX_ERR_READ;
}
