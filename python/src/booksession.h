// One open workbook for the Python module: the filter host per resolution, the workbook's bytes
// when they came from memory, and the page renderers (PNG, JPEG, raw RGB, SVG, PDF).
//
// Every call may run on any thread, several at once: pages share the filter's stored parse (one
// per resolution). Close waits for the calls in flight; calls after it answer `closed`.
// Nothing here touches Python: the module releases the interpreter lock around every call.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <utility>
#include <vector>

#include "filterhost.h"
#include "memoryfile.h"
#include "options.h"

// The outcome of a call: the filter's result code (1 on success) and a message for the user.
struct CallResult {
  int32_t code = 1;
  std::string message;
  bool closed = false;  // the book was closed before the call
  bool ok() const { return code == 1 && !closed; }
};

struct PageFacts {
  uint32_t width = 0, height = 0, dpi = 0, totalPages = 0, format = 0;
  std::string range;  // UTF-8 "Sheet1!A1:H52"; empty when the page has none
};

// Highest resolution a page may be asked for, as on the command line.
constexpr uint32_t kMaxDpi = 2400;
// Resolutions whose parses a book keeps at once; asking for another drops the least recently used.
constexpr size_t kMaxHostsPerBook = 4;

class BookSession {
 public:
  // `filterPath`: the filter library to load first (the module's own copy); empty or missing:
  // the render client's usual places.
  explicit BookSession(std::string filterPath);
  ~BookSession();
  // Opens options.input, or `contents` when not null (the bytes of a workbook, kept in memory).
  // Reads page 1 so a password or format problem surfaces here.
  CallResult Open(const RenderOptions& options, const std::string* contents);
  void Close();
  bool closed();

  CallResult Info(int32_t page, uint32_t dpi, PageFacts* facts);
  CallResult RenderPng(int32_t page, uint32_t dpi, std::string* png);
  CallResult RenderJpeg(int32_t page, uint32_t dpi, int quality, std::string* jpeg);
  // Packed rows of red, green, blue bytes, top row first.
  CallResult RenderRgb(int32_t page, uint32_t dpi, std::string* rgb, PageFacts* facts);
  CallResult RenderSvg(int32_t page, std::string* svg);
  // Writes the pages (1-based, in this order) to one PDF at `path` with the workbook's title and author.
  CallResult SavePdf(const std::string& path, const std::vector<int32_t>& pages);
  CallResult Metadata(std::vector<std::pair<std::string, std::string>>* items);

  uint32_t defaultDpi() const { return options_.dpi; }

 private:
  using RowSink = FilterHost::RowSink;
  std::shared_ptr<FilterHost> HostFor(uint32_t dpi, CallResult* result);
  CallResult InfoLocked(FilterHost& host, int32_t page, PageSize* size);
  // The host for `dpi` with page `page`'s size in `size`; null with the failure in `result`.
  std::shared_ptr<FilterHost> PageHost(int32_t page, uint32_t dpi, PageSize* size, CallResult* result);
  CallResult RenderRows(int32_t page, uint32_t dpi, const RowSink& begin, const RowSink& row, PageFacts* facts);
  CallResult DrawVectorPage(FilterHost& host, int32_t page, struct VkVectorDocument* document);

  const std::string filterPath_;
  RenderOptions options_;
  MemoryFile contents_;               // the workbook when it came as bytes
  std::shared_mutex closeLock_;       // shared by calls, exclusive for Close
  bool closed_ = true;
  std::mutex hostsLock_;              // guards hosts_ and useOrder_
  std::map<uint32_t, std::shared_ptr<FilterHost>> hosts_;
  std::vector<uint32_t> useOrder_;    // resolutions of hosts_, least recently used first
};

// UTF-16 text as UTF-8, a lone surrogate as U+FFFD.
std::string ToUtf8(const char16_t* text, size_t length);
