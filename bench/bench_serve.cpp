// xlxserve under load, in one process with its server on 127.0.0.1, on the benchmark workbook
// (bench_pages --workbook ROWS; 2,000 rows x 20 columns unless given):
//  1. page requests answered from the cached parse (GET /documents/{id}/pages/{n}.png) by 4
//     clients at once: requests per second and latency percentiles, against xlxrender started
//     once per page (--pages N) as a program without the service would;
//  2. whole conversions (POST /convert) of one page as PNG and of the whole workbook as PDF, one
//     after another: latency percentiles against xlxrender per file.
// Every loop is bounded in count and time. Usage: bench_serve [ROWS]
#include <httplib.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "bench/benchsupport.h"
#include "server.h"

using namespace xlxbench;

namespace {

const std::string kBuild = XLX_BINARY_DIR;

struct Timings {
  std::vector<double> seconds;
  double wall = 0;
  int failures = 0;
  double Percentile(double p) {
    if (seconds.empty()) return 0;
    std::sort(seconds.begin(), seconds.end());
    return seconds[std::min(seconds.size() - 1, static_cast<size_t>(p * seconds.size()))];
  }
  double Rate() const { return wall > 0 ? seconds.size() / wall : 0; }
};

// Runs `request(i)` for i = 0.. on `clients` threads until `count` are done or `limit` seconds pass.
template <typename Request>
Timings Load(int clients, int count, double limit, Request request) {
  Timings t;
  std::mutex lock;
  std::atomic<int> next{0};
  const double start = NowSeconds();
  std::vector<std::thread> threads;
  for (int c = 0; c < clients; ++c)
    threads.emplace_back([&] {
      for (int i = next++; i < count && NowSeconds() - start < limit; i = next++) {
        const double s = NowSeconds();
        const bool ok = request(i);
        std::lock_guard<std::mutex> guard(lock);
        if (ok) t.seconds.push_back(NowSeconds() - s);
        else ++t.failures;
      }
    });
  for (std::thread& th : threads) th.join();
  t.wall = NowSeconds() - start;
  return t;
}

bool Run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

std::string Ms(double s) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1f ms", s * 1000);
  return buf;
}

void ReportLatency(const std::string& what, Timings& served, Timings& program) {
  for (double p : {0.5, 0.9, 0.99}) {
    const std::string label = what + " p" + std::to_string(static_cast<int>(p * 100));
    const double a = served.Percentile(p), b = program.Percentile(p);
    Report(label + " (service vs xlxrender per file)", Ms(a), Ms(b), a > 0 ? b / a : 0);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int rows = argc > 1 ? std::max(100, std::atoi(argv[1])) : 2000;
  const std::string book = kBuild + "/bench_serve_" + std::to_string(getpid()) + ".xlsx";
  const std::string xlxrender = kBuild + "/tools/xlxrender/xlxrender";
  if (!Run(kBuild + "/bench/bench_pages --workbook " + std::to_string(rows) + " " + book)) return 1;
  std::ifstream in(book, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  const std::string workbook = bytes.str();
  ServerConfig config;
  config.port = 0;
  config.threads = 2;
  config.queue = 64;
  config.cacheBytes = size_t(1) << 30;
  config.timeoutSeconds = 300;
  PreviewServer server(config);
  server.set_log(nullptr);
  std::string error;
  if (!server.Bind(&error)) return std::fprintf(stderr, "%s\n", error.c_str()), 1;
  std::thread serving([&] { server.Serve(); });
  httplib::Client client("127.0.0.1", server.port());
  client.set_read_timeout(std::chrono::seconds(300));
  const double uploadStart = NowSeconds();
  auto created = client.Post("/documents", workbook, "application/octet-stream");
  const double uploadSeconds = NowSeconds() - uploadStart;
  if (!created || created->status != 201) return std::fprintf(stderr, "upload failed\n"), 1;
  const std::string id = created->body.substr(created->body.find("\"id\": \"") + 7, 64);
  const int pages = std::atoi(created->body.c_str() + created->body.find("\"pages\": ") + 9);
  std::printf("workbook: %d rows x 20 columns, %zu bytes, %d pages; upload and parse %.2f s; %u cores, load %.2f\n",
              rows, workbook.size(), pages, uploadSeconds, std::thread::hardware_concurrency(),
              [] { double l[1]; return getloadavg(l, 1) == 1 ? l[0] : 0.0; }());

  Timings cached = Load(4, 400, 30, [&](int i) {
    httplib::Client c("127.0.0.1", server.port());
    auto r = c.Get(("/documents/" + id + "/pages/" + std::to_string(1 + i % pages) + ".png").c_str());
    return r && r->status == 200;
  });
  Timings perPage = Load(1, 20, 60, [&](int i) {
    return Run(xlxrender + " -q --pages " + std::to_string(1 + i % pages) + " " + book + " /tmp/bench_serve_page_" +
               std::to_string(getpid()) + " && rm -f /tmp/bench_serve_page_" + std::to_string(getpid()) + "-*.png");
  });
  Report("cached page requests/s, 4 clients (vs xlxrender per page)", std::to_string(cached.Rate()),
         std::to_string(perPage.Rate()), perPage.Rate() > 0 ? cached.Rate() / perPage.Rate() : 0);
  ReportLatency("cached page", cached, perPage);

  Timings onePage = Load(1, 20, 60, [&](int) {
    auto r = client.Post("/convert?pages=1", workbook, "application/octet-stream");
    return r && r->status == 200;
  });
  Timings onePageProgram = Load(1, 20, 60, [&](int) {
    return Run(xlxrender + " -q --pages 1 " + book + " /tmp/bench_serve_one_" + std::to_string(getpid()) +
               " && rm -f /tmp/bench_serve_one_" + std::to_string(getpid()) + "-*.png");
  });
  ReportLatency("convert page 1 as PNG", onePage, onePageProgram);
  Timings pdf = Load(1, 5, 120, [&](int) {
    auto r = client.Post("/convert?format=pdf", workbook, "application/octet-stream");
    return r && r->status == 200;
  });
  Timings pdfProgram = Load(1, 5, 120, [&](int) {
    const std::string out = "/tmp/bench_serve_" + std::to_string(getpid()) + ".pdf";
    return Run(xlxrender + " -q --format pdf -o " + out + " " + book + " && rm -f " + out);
  });
  ReportLatency("convert whole workbook as PDF", pdf, pdfProgram);
  std::printf("failures: %d %d %d %d %d %d\n", cached.failures, perPage.failures, onePage.failures,
              onePageProgram.failures, pdf.failures, pdfProgram.failures);
  server.Stop();
  serving.join();
  unlink(book.c_str());
  return 0;
}
