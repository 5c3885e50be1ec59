// A workbook in memory opened through the filter with one set of render options. Pages are drawn
// on the calling thread; several threads may draw pages of one opened workbook at once, sharing
// its parse.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "filterhost.h"
#include "memoryworkbook.h"
#include "options.h"
#include "worklimits.h"

// Result code of work stopped by its limits (time or a client gone); WorkLimits says which.
constexpr int32_t kStoppedByLimits = -20000;
// Result code of a page number beyond the workbook's pages.
constexpr int32_t kNoSuchPage = -20001;
// Result code of a page too large for one bitmap.
constexpr int32_t kPageTooLarge = -20002;

class OpenedWorkbook {
 public:
  // Opens `file` (which must outlive this object) with `options` and reads the page count.
  // 1, or the filter's result code with a message.
  int32_t Open(std::shared_ptr<MemoryFile> file, const RenderOptions& options, std::string* error);
  int32_t pageCount() const { return pageCount_; }
  const RenderOptions& options() const { return options_; }
  // The pages the options select (all when none are named), in order.
  std::vector<int32_t> SelectedPages() const;
  // Size and range of every page (the information object's content). 1 or a result code.
  int32_t PageSizes(std::vector<PageSize>* sizes);
  // One page as PNG. 1 or a result code (kStoppedByLimits when `limits` stopped it).
  int32_t RenderPng(int32_t page, WorkLimits* limits, std::string* png);
  // One page as JPEG.
  int32_t RenderJpeg(int32_t page, WorkLimits* limits, std::string* jpeg);
  // One page as an SVG document.
  int32_t RenderSvg(int32_t page, WorkLimits* limits, std::string* svg);
  // The pages as one PDF, in the order given.
  int32_t RenderPdf(const std::vector<int32_t>& pages, WorkLimits* limits, std::string* pdf);

 private:
  int32_t CheckPage(int32_t page, PageSize* size);
  // CheckPage, then the request's limits: kStoppedByLimits once they say stop.
  int32_t StartPage(int32_t page, WorkLimits* limits, PageSize* size);
  template <typename Writer>
  int32_t RenderRaster(int32_t page, WorkLimits* limits, std::string* bytes);
  std::shared_ptr<MemoryFile> file_;
  RenderOptions options_;
  FilterHost host_;
  int32_t pageCount_ = 0;
};

// The information object of a workbook as JSON (format, pages, resolution, page_sizes,
// page_ranges), with `id` first when it is not empty.
std::string InfoJson(const std::string& id, const PageSize& first, const std::vector<PageSize>& sizes);
// A JSON string literal of UTF-8 text.
std::string JsonQuote(const std::string& text);
