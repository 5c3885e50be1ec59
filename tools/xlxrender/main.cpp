// xlxrender: renders the pages of a workbook as PNG files through the filter plug-in.
#include <unistd.h>
#include <atomic>
#include <cstdio>
#include <map>
#include <mutex>
#include <thread>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "batch.h"
#include "common/limits.h"
#include "common/utf8.h"
#include "filterhost.h"
#include "jpegwriter.h"
#include "pagescale.h"
#include "host/drawing/vkdrwx.h"
#include "host/kernel/vkkrnx.h"
#include "options.h"
#include "pngwriter.h"
#include "vectoroutput.h"
#include "common/resultcodes.h"

namespace {

std::string Utf8(const char16_t* s) {
  size_t n = 0;
  while (s && s[n]) ++n;
  return xlx::Utf16ToUtf8(std::u16string_view(s, n));
}

// The filter result code of the last failure on this thread (batch mode reports it).
thread_local int32_t t_failCode = 1;

int Fail(const RenderOptions& o, const char* what, int32_t code) {
  t_failCode = code;
  std::fprintf(stderr, "xlxrender: %s: %s failed with code %d: %s\n", o.input.c_str(), what, code, MeaningOf(code));
  return ExitStatusFor(code);
}

// The first page a selection asks for that the workbook does not have; 0 when every range starts
// within it. A range that starts within the workbook and runs past its end is cut at the last page.
int32_t PageBeyondTheEnd(const RenderOptions& o, int32_t total) {
  for (auto [a, b] : o.pageRanges)
    if (a > total) return a;
  if (o.pageRanges.empty() && o.firstPage > total) return o.firstPage;
  return 0;
}

std::string Utf8(const std::u16string& text) { return xlx::Utf16ToUtf8(text); }

// A JSON string literal of the text.
std::string JsonString(const std::u16string& text) { return JsonText(Utf8(text)); }

// What the pages leave out, on standard error whatever -q says: a result with less than the
// workbook holds is never silent.
void PrintWarnings(const RenderOptions& o, const PageSize& first) {
  if (first.warnings & XLX_WARN_PAGES_CUT)
    std::fprintf(stderr, "xlxrender: %s: warning: a sheet has content on more than %llu pages; the pages past that "
                 "are left out\n", o.input.c_str(), static_cast<unsigned long long>(xlx::kMaxSheetPages));
  if (first.warnings & XLX_WARN_SHEETS_LEFT_OUT)
    std::fprintf(stderr, "xlxrender: %s: warning: more than %u sheets show the same worksheet; the later ones are left "
                 "out\n", o.input.c_str(), static_cast<unsigned>(xlx::kMaxSheetsPerPart));
}

int PrintInfo(FilterHost& host, const RenderOptions& o, const PageSize& first) {
  PrintWarnings(o, first);
  std::vector<PageSize> sizes;
  for (int32_t p = 1; p <= static_cast<int32_t>(first.totalPages); ++p) {
    PageSize s;
    int32_t r = host.Info(p, &s);
    if (r != XLX_OK) return Fail(o, "page information", r);
    sizes.push_back(s);
  }
  if (o.json) {
    std::printf("{\"format\": %u, \"pages\": %u, \"resolution\": [%u, %u], \"page_sizes\": [", first.format,
                first.totalPages, first.xRes, first.yRes);
    for (size_t i = 0; i < sizes.size(); ++i)
      std::printf("%s[%u, %u]", i ? ", " : "", sizes[i].width, sizes[i].height);
    std::printf("], \"page_ranges\": [");
    for (size_t i = 0; i < sizes.size(); ++i) std::printf("%s%s", i ? ", " : "", JsonString(sizes[i].range).c_str());
    std::printf("]}\n");
  } else {
    std::printf("file: %s\nformat: %s\npages: %u\nresolution: %ux%u dpi\n", o.input.c_str(),
                first.format == 403 ? "binary workbook (xlsb)" : "workbook (xlsx)", first.totalPages, first.xRes, first.yRes);
    for (size_t i = 0; i < sizes.size(); ++i) {
      std::printf("page %zu: %u x %u px", i + 1, sizes[i].width, sizes[i].height);
      if (!sizes[i].range.empty()) std::printf(", %s", Utf8(sizes[i].range).c_str());
      std::printf("\n");
    }
  }
  return 0;
}

std::mutex g_output;

int RenderOne(FilterHost& host, const RenderOptions& o, int32_t page, int32_t total) {
  PageSize size;
  int32_t r = host.Info(page, &size);
  if (r != XLX_OK) return Fail(o, "page information", r);
  if (static_cast<uint64_t>(size.width) * size.height > VK_MAX_BITMAP_PIXELS) {
    // A whole sheet drawn as one page can be far larger than any bitmap: a limit of ours (exit 4),
    // not an unreadable file.
    t_failCode = XLX_ERR_LIMIT;
    std::fprintf(stderr, "xlxrender: %s: page %d is %u x %u pixels, too large for one bitmap; use --paginate or --paper\n",
                 o.input.c_str(), page, size.width, size.height);
    return ExitStatusFor(XLX_ERR_LIMIT);
  }
  const bool jpeg = o.format == RenderOptions::Format::kJpeg;
  std::string name, error;
  if (!MakePageOutputName(o, page, total, jpeg ? "jpg" : "png", &name, &error)) {
    std::fprintf(stderr, "xlxrender: %s\n", error.c_str());
    return 2;
  }
  PngPageWriter png;
  JpegPageWriter jpg(o.jpegQuality);
  PageWriter& writer = jpeg ? static_cast<PageWriter&>(jpg) : png;
  bool writeFailed = false;
  r = host.Render(page, size, [&](const uint8_t* bgr, int32_t row, uint32_t flags) -> int32_t {
    if (flags & XLX_ROW_FIRST) {
      if (!writer.Begin(name, size.width, size.height, size.xRes, &error)) {
        writeFailed = true;
        return XLX_ERR_REOPEN;
      }
    }
    if (!writer.WriteRow(bgr)) {
      writeFailed = true;
      error = "cannot write " + name;
      return XLX_ERR_REOPEN;
    }
    if ((flags & XLX_ROW_LAST) && !writer.Finish(&error)) {
      writeFailed = true;
      return XLX_ERR_REOPEN;
    }
    return XLX_OK;
  });
  if (writeFailed) {
    std::fprintf(stderr, "xlxrender: %s\n", error.c_str());
    return 2;
  }
  if (r != XLX_OK) return Fail(o, "rendering", r);
  std::lock_guard<std::mutex> guard(g_output);
  if (o.progress) std::fprintf(stderr, "page %d/%d: %s (%ux%u)\n", page, total, name.c_str(), size.width, size.height);
  else if (!o.quiet) std::printf("%s\n", name.c_str());
  return 0;
}

// Runs `renderAt` for every index of `pages` on `threads` threads that share the host's holder,
// and so one parse; stops at the first failure and answers its exit status.
template <typename RenderAt>
int ForEachPage(const RenderOptions& o, const std::vector<int32_t>& pages, RenderAt renderAt) {
  std::atomic<size_t> next{0};
  std::atomic<int> status{0};
  auto work = [&]() {
    for (size_t i = next++; i < pages.size() && status.load() == 0; i = next++) {
      int s = renderAt(i);
      if (s != 0) {
        int expected = 0;
        status.compare_exchange_strong(expected, s);
      }
    }
  };
  const int threads = std::max(1, std::min<int>(o.threads, static_cast<int>(pages.size())));
  std::vector<std::thread> pool;
  for (int t = 1; t < threads; ++t) pool.emplace_back(work);
  work();
  for (std::thread& t : pool) t.join();
  return status.load();
}

int RenderPages(FilterHost& host, const RenderOptions& o, const std::vector<int32_t>& pages, int32_t total) {
  if (o.format == RenderOptions::Format::kPng || o.format == RenderOptions::Format::kJpeg)
    return ForEachPage(o, pages, [&](size_t i) { return RenderOne(host, o, pages[i], total); });
  if (pages.empty()) {
    // A document needs a page; an empty PDF is not written.
    std::fprintf(stderr, "xlxrender: %s: no page selected (the workbook has %d)\n", o.input.c_str(), total);
    return 1;
  }
  VectorOutput output(o, pages.size(), total);
  int status = output.Begin(host);
  if (status == 0)
    status = ForEachPage(o, pages, [&](size_t i) { return output.RenderPage(host, i, pages[i]); });
  return status == 0 ? output.Finish() : status;
}

// Pages drawn at the resolution that gives each the size --scale-to asks for. Pages that share a
// resolution share a host, and so one parse at it.
int RenderScaledPages(FilterHost& host, const RenderOptions& o, const std::vector<int32_t>& pages, int32_t total) {
  std::map<std::pair<uint32_t, uint32_t>, std::vector<int32_t>> groups;
  for (int32_t page : pages) {
    PageSize size;
    int32_t r = host.Info(page, &size);
    if (r != XLX_OK) return Fail(o, "page information", r);
    const PageResolution at = ScaledResolution(o, size.width, size.height);
    groups[{at.x, at.y}].push_back(page);
  }
  for (const auto& [resolution, group] : groups) {
    RenderOptions scaled = o;
    scaled.dpi = resolution.first;
    scaled.dpiY = resolution.second;
    scaled.scaleTo = scaled.scaleToX = scaled.scaleToY = 0;
    FilterHost there;
    std::string error;
    if (!there.Load(&error) || !there.Open(scaled, &error)) {
      std::fprintf(stderr, "xlxrender: %s\n", error.c_str());
      return 1;
    }
    PageSize first;
    int32_t r = there.Info(1, &first);
    if (r != XLX_OK) return Fail(o, "information", r);
    if (static_cast<int32_t>(first.totalPages) != total)
      std::fprintf(stderr, "xlxrender: %s: at %ux%u dpi the sheets break into %u pages instead of %d\n", o.input.c_str(),
                   resolution.first, resolution.second, first.totalPages, total);
    const int status = RenderPages(there, scaled, group, total);
    if (status != 0) return status;
  }
  return 0;
}

}  // namespace

// Prints, after rendering, each face the workbook asked for and the families drawn for it.
void PrintFontReport() {
  size_t needed = 0;
  (void)VkGetFontReport(nullptr, 0, &needed);
  std::string report(needed, '\0');
  if (needed == 0 || VkGetFontReport(&report[0], report.size(), &needed) != XLX_OK) return;
  report.resize(report.size() - 1);
  std::fputs("fonts (face asked for, families drawn):\n", stderr);
  size_t start = 0;
  for (size_t end; (end = report.find('\n', start)) != std::string::npos; start = end + 1) {
    std::string line = report.substr(start, end - start);
    const size_t tab = line.find('\t');
    if (tab != std::string::npos) line.replace(tab, 1, " -> ");
    std::fprintf(stderr, "  %s\n", line.c_str());
  }
}

int ConvertWorkbook(const RenderOptions& o, WorkbookOutcome* outcome) {
  t_failCode = 1;
  std::string error;
  FilterHost host;
  if (!host.Load(&error)) {
    std::fprintf(stderr, "xlxrender: %s\n", error.c_str());
    return 99;
  }
  if (!host.Open(o, &error)) {
    std::fprintf(stderr, "xlxrender: %s\n", error.c_str());
    if (outcome) outcome->code = XLX_ERR_OPEN;
    return 1;
  }
  // In batch mode the report covers the whole run and is printed once at its end.
  if (o.reportFonts && !outcome) VkSetFontReport(1);
  PageSize first;
  int32_t r = host.Info(1, &first);
  if (r != XLX_OK) {
    int status = Fail(o, "information", r);
    if (outcome) outcome->code = r;
    return status;
  }
  PrintWarnings(o, first);
  int32_t total = static_cast<int32_t>(first.totalPages);
  if (int32_t beyond = PageBeyondTheEnd(o, total)) {
    std::fprintf(stderr, "xlxrender: %s: page %d is past the last page: the workbook has %d page%s\n", o.input.c_str(),
                 beyond, total, total == 1 ? "" : "s");
    if (outcome) outcome->code = XLX_ERR_ARGUMENT;
    return 99;
  }
  std::vector<int32_t> pages = SelectedPages(o, total);
  int status = ScalesPages(o) ? RenderScaledPages(host, o, pages, total) : RenderPages(host, o, pages, total);
  if (o.reportFonts && !outcome) PrintFontReport();
  if (outcome) {
    outcome->code = status == 0 ? XLX_OK : t_failCode != XLX_OK ? t_failCode : XLX_ERR_REOPEN;
    outcome->pages = status == 0 ? static_cast<int32_t>(pages.size()) : 0;
  }
  return status;
}

int main(int argc, char** argv) {
  RenderOptions o;
  std::string error;
  if (!ParseOptions(argc, argv, &o, &error)) {
    if (!error.empty()) std::fprintf(stderr, "xlxrender: %s\n", error.c_str());
    std::fputs(UsageText(), error.empty() ? stdout : stderr);
    return error.empty() ? 0 : 99;
  }
  if (!o.batchList.empty()) return RunBatch(o);
  if (!o.metadata && !o.info) return ConvertWorkbook(o, nullptr);
  FilterHost host;
  if (!host.Load(&error)) {
    std::fprintf(stderr, "xlxrender: %s\n", error.c_str());
    return 99;
  }
  if (!host.Open(o, &error)) {
    std::fprintf(stderr, "xlxrender: %s\n", error.c_str());
    return 1;
  }
  if (o.metadata) {
    int32_t r = host.Metadata([](const char16_t* name, const char16_t* value) {
      std::printf("%s: %s\n", Utf8(name).c_str(), Utf8(value).c_str());
    });
    return r == XLX_OK ? 0 : Fail(o, "metadata", r);
  }
  PageSize first;
  int32_t r = host.Info(1, &first);
  if (r != XLX_OK) return Fail(o, "information", r);
  return PrintInfo(host, o, first);
}
