// PNG pages end to end, on the paginated 5,000 x 20 workbook of bench_pages (190 letter pages):
//  1. in this process, per page and in CPU seconds of this thread: the parse, the drawing (the
//     filter's load call with its rows copied out) and the encoding (PngPageEncoder) of each page
//     in turn, and the encoder's row filters and levels side by side with their sizes;
//  2. whole xlxrender runs in child processes: -j 1 against -j 2 (wall; the machine's load is
//     printed with it), PNG pages against pdftoppm -png of our own PDF of the same pages,
//     thumbnails per second, and the peak memory of a letter page at 1200 dpi.
// Usage: bench_pngpages [ROWS] [--in-process]   (default 5000 rows; --in-process: part 1 only)
//        bench_pngpages --book WORKBOOK   (part 1 on the paginated pages of another workbook)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "bench/benchsupport.h"
#include "filterhost.h"
#include "options.h"
#include "pngencoder.h"

using namespace xlxbench;

namespace {

double ThreadCpuSeconds() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return t.tv_sec + t.tv_nsec * 1e-9;
}

struct ChildRun {
  bool ok = false;
  double wall = 0, cpu = 0;
};

// Runs a shell command with its output discarded; wall seconds and CPU seconds of the command and
// its children.
ChildRun Run(const std::string& command) {
  ChildRun r;
  const double start = NowSeconds();
  pid_t pid = fork();
  if (pid == 0) {
    execl("/bin/sh", "sh", "-c", (command + " >/dev/null 2>&1").c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (pid < 0 || wait4(pid, &status, 0, &usage) != pid) return r;
  r.wall = NowSeconds() - start;
  r.cpu = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec * 1e-6 + usage.ru_stime.tv_sec + usage.ru_stime.tv_usec * 1e-6;
  r.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return r;
}

std::string Milliseconds(double s) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2f ms", s * 1000);
  return buf;
}

double LoadAverage() {
  double load = 0;
  if (FILE* f = std::fopen("/proc/loadavg", "r")) {
    if (std::fscanf(f, "%lf", &load) != 1) load = 0;
    std::fclose(f);
  }
  return load;
}

struct Page {
  uint32_t width = 0, height = 0;
  std::vector<uint8_t> bgr;
};

// Encodes one page with `encoding` into /dev/null; CPU seconds, and its compressed bytes.
double Encode(const Page& page, const PngEncoding& encoding, size_t* bytes) {
  FILE* sink = std::fopen("/dev/null", "wb");
  const double t = ThreadCpuSeconds();
  PngPageEncoder encoder;
  encoder.Begin(page.width, page.height);
  for (uint32_t y = 0; y < page.height; ++y) encoder.AddRow(&page.bgr[3ull * page.width * y]);
  encoder.Write(sink, 96, encoding);
  const double spent = ThreadCpuSeconds() - t;
  *bytes = encoder.compressedBytes();
  std::fclose(sink);
  return spent;
}

// Draws every page through the plug-in host, one after another into one page buffer (as a tool's
// buffers stay warm from page to page), and hands each to `onPage`. CPU seconds of the parse and of
// the drawing a page; false when a page cannot be drawn.
bool DrawEach(const std::string& book, const std::function<void(const Page&)>& onPage, double* parse, double* drawing) {
  RenderOptions o;
  std::string error;
  const char* argv[] = {"xlxrender", "-q", "--paginate", book.c_str()};
  FilterHost host;
  if (!ParseOptions(4, const_cast<char**>(argv), &o, &error) || !host.Load(&error) || !host.Open(o, &error)) {
    std::fprintf(stderr, "bench_pngpages: %s\n", error.c_str());
    return false;
  }
  double t = ThreadCpuSeconds();
  PageSize first;
  if (host.Info(1, &first) != 1 || first.totalPages == 0) return false;
  *parse = ThreadCpuSeconds() - t;
  *drawing = 0;
  Page page;
  for (uint32_t p = 1; p <= first.totalPages; ++p) {
    PageSize size;
    if (host.Info(static_cast<int32_t>(p), &size) != 1) return false;
    page.width = size.width, page.height = size.height;
    page.bgr.resize(3ull * size.width * size.height);
    t = ThreadCpuSeconds();
    const int32_t r = host.Render(static_cast<int32_t>(p), size, [&](const uint8_t* bgr, int32_t row, uint32_t) {
      std::copy(bgr, bgr + 3 * size.width, page.bgr.begin() + 3ull * size.width * row);
      return 1;
    });
    *drawing += ThreadCpuSeconds() - t;
    if (r != 1) return false;
    onPage(page);
  }
  *drawing /= first.totalPages;
  return true;
}

void InProcess(const std::string& book) {
  // Each page is encoded right after it is drawn, as xlxrender does. (Holding all pages to encode
  // them afterwards would measure the drawing on memory the pages crowd out, a third slower.)
  double parse = 0, drawing = 0, encoding = 0;
  size_t pages = 0, bytes = 0;
  const auto encodeDefault = [&](const Page& page) { encoding += Encode(page, PngEncoding(), &bytes), ++pages; };
  if (!DrawEach(book, encodeDefault, &parse, &drawing)) {
    Report("PNG pages in process", "failed", "", 0);
    return;
  }
  encoding /= pages;
  const double whole = parse / pages + drawing + encoding;
  Report("page cost, drawing (CPU)", Milliseconds(drawing), "", 0);
  Report("page cost, PNG encoding (CPU)", Milliseconds(encoding), "", 0);
  Report("page cost, parse share (CPU)", Milliseconds(parse / pages), "", 0);
  Report("page cost, whole (CPU)", Milliseconds(whole), "target 5 ms", whole / 0.005);
  // The choices the encoder's defaults were picked from, on the pages drawn once more.
  const struct {
    const char* name;
    PngEncoding e;
  } choices[] = {{"level 1, no filters", {1, 0, 0}}, {"level 1, SUB on RGB", {1, 1, 0}},
                 {"level 1, UP on RGB", {1, 2, 0}},  {"level 2, no filters", {2, 0, 0}},
                 {"level 2, SUB on RGB", {2, 1, 0}}, {"level 2, UP on RGB", {2, 2, 0}},
                 {"level 2, SUB everywhere", {2, 1, 1}}, {"level 2, UP everywhere", {2, 2, 2}},
                 {"level 3, no filters", {3, 0, 0}}, {"level 6, no filters", {6, 0, 0}}};
  constexpr size_t kChoices = sizeof choices / sizeof choices[0];
  double seconds[kChoices] = {};
  size_t sizes[kChoices] = {};
  const auto encodeEach = [&](const Page& page) {
    for (size_t i = 0; i < kChoices; ++i) {
      size_t b = 0;
      seconds[i] += Encode(page, choices[i].e, &b);
      sizes[i] += b;
    }
  };
  if (!DrawEach(book, encodeEach, &parse, &drawing)) return;
  for (size_t i = 0; i < kChoices; ++i)
    Report(std::string("PNG encoding, ") + choices[i].name, Milliseconds(seconds[i] / pages),
           std::to_string(sizes[i] / pages / 1024) + " KB a page", 0);
}

void Processes(const std::string& tool, const std::string& book, const std::string& dir) {
  const std::string base = tool + " -q --paginate " + book + " ";
  char load[64];
  std::snprintf(load, sizeof load, "load %.2f", LoadAverage());
  // Paired runs, -j 1 then -j 2, and the median of their ratios: a shared machine's load moves
  // both runs of a pair alike more than it moves pairs apart.
  constexpr int kPairs = 5;
  std::vector<double> ratios;
  ChildRun one, two;
  for (int i = 0; i < kPairs; ++i) {
    one = Run(base + dir + "/j1");
    two = Run(base + "-j 2 " + dir + "/j2");
    if (one.ok && two.ok) ratios.push_back(one.wall / two.wall);
  }
  std::sort(ratios.begin(), ratios.end());
  Report("xlxrender 190 PNG pages -j 1 (wall, last pair)", one.ok ? Seconds(one.wall) : "failed", load, 0);
  Report("xlxrender 190 PNG pages -j 2 vs -j 1 (median of " + std::to_string(kPairs) + " pairs)",
         two.ok ? Seconds(two.wall) : "failed", "target 1.85x", ratios.empty() ? 0 : ratios[ratios.size() / 2]);
  Report("xlxrender 190 PNG pages -j 1 (CPU)", Seconds(one.cpu), "", 0);
  const ChildRun pdf = Run(base + "--format pdf -o " + dir + "/book.pdf");
  const ChildRun ppm = Run("pdftoppm -r 96 -png " + dir + "/book.pdf " + dir + "/ppm");
  if (pdf.ok && ppm.ok)
    Report("xlxrender PNG pages (CPU) vs pdftoppm -r 96 -png of our PDF", Seconds(one.cpu), "pdftoppm " + Seconds(ppm.cpu),
           one.cpu / ppm.cpu);
  const ChildRun thumbs = Run(base + "--scale-to 200 " + dir + "/t");
  if (thumbs.ok) {
    char rate[32];
    std::snprintf(rate, sizeof rate, "%.0f pages/s", 190 / thumbs.wall);
    Report("thumbnails --scale-to 200, -j 1 (wall)", rate, load, 0);
  }
  // The peak comes from /usr/bin/time: a child forked from this process would count this
  // process's pages, which its peak keeps across exec.
  const ChildRun big = Run("/usr/bin/time -f %M -o " + dir + "/peak " + tool + " -q --paginate -r 1200 -l 1 " + book + " " +
                           dir + "/big");
  size_t peakKb = 0;
  if (FILE* f = std::fopen((dir + "/peak").c_str(), "r")) {
    if (std::fscanf(f, "%zu", &peakKb) != 1) peakKb = 0;
    std::fclose(f);
  }
  Report("letter page at 1200 dpi, peak memory", big.ok && peakKb ? Megabytes(peakKb * 1024) : "failed", "target 250 MB",
         peakKb * 1024.0 / (250 << 20));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 2 && std::string(argv[1]) == "--book") {
    InProcess(argv[2]);
    return 0;
  }
  const int rows = argc > 1 ? std::atoi(argv[1]) : 5000;
  char dirTemplate[] = "/tmp/xlxpngbench.XXXXXX";
  if (!mkdtemp(dirTemplate)) return 1;
  const std::string dir = dirTemplate;
  const std::string book = dir + "/book.xlsx";
  const std::string bin = XLX_BINARY_DIR;
  if (!Run(bin + "/bench/bench_pages --workbook " + std::to_string(rows) + " " + book).ok) {
    std::fprintf(stderr, "bench_pngpages: bench_pages could not write the workbook\n");
    return 1;
  }
  std::printf("machine: %ld cores, load %.2f\n", sysconf(_SC_NPROCESSORS_ONLN), LoadAverage());
  InProcess(book);
  if (argc <= 2 || std::string(argv[2]) != "--in-process") Processes(bin + "/tools/xlxrender/xlxrender", book, dir);
  Run("rm -rf " + dir);
  return 0;
}
