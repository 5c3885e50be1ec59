// The service over HTTP on 127.0.0.1: every route, the error statuses, the limits, concurrent
// requests against xlxrender's pages, a slow client, a protected workbook and the drain on stop.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <png.h>
#include <cstdio>
#include <jpeglib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

#include "server.h"
#include "tests/support/testsupport.h"

namespace {

using Clock = std::chrono::steady_clock;

// A server on a free port of 127.0.0.1, serving on its own thread until the object goes.
class RunningServer {
 public:
  explicit RunningServer(ServerConfig config) {
    config.host = "127.0.0.1";
    config.port = 0;
    server_ = std::make_unique<PreviewServer>(config);
    server_->set_log(nullptr);
    std::string error;
    bound_ = server_->Bind(&error);
    if (bound_) thread_ = std::thread([this] { server_->Serve(); });
  }
  ~RunningServer() {
    server_->Stop();
    if (thread_.joinable()) thread_.join();
  }
  bool bound() const { return bound_; }
  httplib::Client Client() const {
    httplib::Client c("127.0.0.1", server_->port());
    c.set_read_timeout(std::chrono::seconds(60));
    return c;
  }
  PreviewServer& server() { return *server_; }

 private:
  std::unique_ptr<PreviewServer> server_;
  std::thread thread_;
  bool bound_ = false;
};

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Pixels of a PNG as RGB rows, with its size; empty when it does not decode.
struct Pixels {
  uint32_t width = 0, height = 0;
  std::vector<uint8_t> rgb;
};
Pixels Decode(const std::string& png) {
  Pixels p;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, png.data(), png.size())) return p;
  image.format = PNG_FORMAT_RGB;
  p.rgb.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, p.rgb.data(), 0, nullptr)) return Pixels{};
  p.width = image.width, p.height = image.height;
  return p;
}

// Pixels of a JPEG as RGB rows; empty when it does not decode.
Pixels DecodeJpeg(const std::string& bytes) {
  Pixels p;
  jpeg_decompress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<unsigned long>(bytes.size()));
  if (jpeg_read_header(&info, TRUE) == JPEG_HEADER_OK) {
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    p.width = info.output_width, p.height = info.output_height;
    p.rgb.resize(size_t(p.width) * p.height * 3);
    while (info.output_scanline < info.output_height) {
      JSAMPROW row = &p.rgb[size_t(info.output_scanline) * p.width * 3];
      jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
  }
  jpeg_destroy_decompress(&info);
  return p;
}

// The password of a corpus file, from the corpus manifest.
std::string ManifestPassword(const std::string& localPath) {
  std::istringstream manifest(ReadText(xlxtest::CorpusDir() + "/MANIFEST.tsv"));
  for (std::string line; std::getline(manifest, line);) {
    std::vector<std::string> cols;
    std::stringstream fields(line);
    for (std::string c; std::getline(fields, c, '\t');) cols.push_back(c);
    if (cols.size() > 5 && cols[0] == localPath) return cols[5];
  }
  return "";
}

class ServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    workbookPath_ = xlxtest::CorpusDir() + "/xlsx/calamine__any_sheets.xlsx";
    workbook_ = ReadText(workbookPath_);
    if (workbook_.empty()) GTEST_SKIP() << "no corpus";
    ServerConfig config;
    config.maxUploadBytes = 1 << 20;
    server_ = std::make_unique<RunningServer>(config);
    ASSERT_TRUE(server_->bound());
  }
  // The page xlxrender draws of the workbook at 96 dpi.
  Pixels ReferencePage(int page) {
    char dir[] = "/tmp/xlxservetestXXXXXX";
    if (!mkdtemp(dir)) return {};
    int status = 0;
    xlxtest::CommandOutput(std::string(XLX_BINARY_DIR) + "/tools/xlxrender/xlxrender -q '" + workbookPath_ + "' " +
                               dir + "/page", &status);
    Pixels p = Decode(ReadText(std::string(dir) + "/page-" + std::to_string(page) + ".png"));
    xlxtest::CommandOutput(std::string("rm -rf ") + dir, &status);
    return p;
  }
  std::string Upload() {
    auto res = server_->Client().Post("/documents", workbook_, "application/octet-stream");
    if (!res || res->status != 201) return "";
    const size_t at = res->body.find("\"id\": \"");
    return at == std::string::npos ? "" : res->body.substr(at + 7, 64);
  }
  std::string workbookPath_, workbook_;
  std::unique_ptr<RunningServer> server_;
};

TEST_F(ServiceTest, ConvertAnswersEachFormatAsImageZipOrPdf) {
  auto c = server_->Client();
  struct Case {
    const char* query;
    const char* mediaType;
    const char* magic;
  };
  const Case cases[] = {
      {"/convert?pages=1", "image/png", "\x89PNG"},
      {"/convert", "application/zip", "PK\x03\x04"},
      {"/convert?format=svg&pages=2", "image/svg+xml", "<?xml"},
      {"/convert?format=jpeg&pages=2", "image/jpeg", "\xFF\xD8\xFF"},
      {"/convert?format=pdf", "application/pdf", "%PDF"},
  };
  for (const Case& k : cases) {
    // Any content type carries the workbook, even the form type of a bare `curl --data-binary`.
    auto res = c.Post(k.query, workbook_, "application/x-www-form-urlencoded");
    ASSERT_TRUE(res) << k.query;
    EXPECT_EQ(res->status, 200) << k.query << ": " << res->body.substr(0, 200);
    EXPECT_EQ(res->get_header_value("Content-Type"), k.mediaType) << k.query;
    EXPECT_EQ(res->body.compare(0, strlen(k.magic), k.magic), 0) << k.query;
  }
  // The same page sent as a multipart form with its options as fields.
  httplib::MultipartFormDataItems form = {{"file", workbook_, "book.xlsx", "application/octet-stream"},
                                          {"pages", "1", "", ""}};
  auto res = c.Post("/convert", form);
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 200);
  EXPECT_NE(res->get_header_value("Content-Disposition").find("book-1.png"), std::string::npos);
  Pixels page = Decode(res->body), reference = ReferencePage(1);
  ASSERT_GT(reference.width, 0u);
  EXPECT_EQ(page.width, reference.width);
  EXPECT_TRUE(page.rgb == reference.rgb);
  // The JPEG of a page with colour (a chart) is that page within JPEG's loss, channels in order.
  res = c.Post("/convert?format=jpeg&pages=2", workbook_, "application/octet-stream");
  ASSERT_TRUE(res);
  const Pixels jpeg = DecodeJpeg(res->body), chart = ReferencePage(2);
  ASSERT_EQ(jpeg.rgb.size(), chart.rgb.size());
  double difference = 0;
  for (size_t i = 0; i < chart.rgb.size(); ++i) difference += std::abs(int(jpeg.rgb[i]) - int(chart.rgb[i]));
  EXPECT_LT(difference / chart.rgb.size(), 2.0);
}

TEST_F(ServiceTest, OfficeConversionRouteAnswersPdfOrZipOfPdfs) {
  auto c = server_->Client();
  httplib::MultipartFormDataItems one = {{"files", workbook_, "a.xlsx", "application/octet-stream"}};
  auto res = c.Post("/forms/libreoffice/convert", one);
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 200);
  EXPECT_EQ(res->get_header_value("Content-Type"), "application/pdf");
  httplib::MultipartFormDataItems two = {{"files", workbook_, "a.xlsx", "application/octet-stream"},
                                         {"files", workbook_, "b.xlsx", "application/octet-stream"},
                                         {"nativePageRanges", "1", "", ""}};
  res = c.Post("/forms/libreoffice/convert", two);
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 200);
  EXPECT_EQ(res->get_header_value("Content-Type"), "application/zip");
  EXPECT_NE(res->body.find("a.pdf"), std::string::npos);
  EXPECT_NE(res->body.find("b.pdf"), std::string::npos);
  res = c.Post("/forms/libreoffice/convert", workbook_, "application/octet-stream");
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 400);
}

TEST_F(ServiceTest, ErrorsHaveTheirStatusAndAJsonBody) {
  auto c = server_->Client();
  struct Case {
    const char* method;
    std::string path, body;
    int status;
    const char* code;
  };
  const std::string missing = "/documents/" + std::string(64, '0');
  const Case cases[] = {
      {"POST", "/convert", "not a workbook at all", 422, "\"code\": -"},
      {"POST", "/convert?format=gif", workbook_, 400, "\"code\": -13"},
      {"POST", "/convert?pages=9", workbook_, 404, "\"code\": -20001"},
      {"POST", "/convert", "", 400, "\"code\": -13"},
      {"POST", "/convert", std::string(2 << 20, 'x'), 413, "\"code\": -13"},
      {"GET", "/nowhere", "", 404, "\"code\": -13"},
      {"GET", missing + "/pages/1.png", "", 404, "\"code\": -10"},
      {"GET", missing + ".pdf", "", 404, "\"code\": -10"},
      {"DELETE", missing, "", 404, "\"code\": -10"},
  };
  for (const Case& k : cases) {
    auto res = std::string(k.method) == "POST" ? c.Post(k.path.c_str(), k.body, "application/octet-stream")
               : std::string(k.method) == "GET" ? c.Get(k.path.c_str()) : c.Delete(k.path.c_str());
    ASSERT_TRUE(res) << k.path;
    EXPECT_EQ(res->status, k.status) << k.path;
    EXPECT_EQ(res->get_header_value("Content-Type"), "application/json") << k.path;
    EXPECT_NE(res->body.find(k.code), std::string::npos) << k.path << ": " << res->body;
  }
}

TEST_F(ServiceTest, DocumentsKeepPagesForAViewer) {
  auto c = server_->Client();
  const std::string id = Upload();
  ASSERT_EQ(id.size(), 64u);
  // The same bytes again: the same id, from the cache.
  auto again = c.Post("/documents", workbook_, "application/octet-stream");
  ASSERT_TRUE(again);
  EXPECT_EQ(again->status, 200);
  EXPECT_NE(again->body.find(id), std::string::npos);
  int status = 0;
  const std::string info = xlxtest::CommandOutput(
      std::string(XLX_BINARY_DIR) + "/tools/xlxrender/xlxrender --info --json '" + workbookPath_ + "'", &status);
  EXPECT_NE(again->body.find(info.substr(1, info.find("\"page_ranges\"") - 1)), std::string::npos) << info;
  // A client that names the id itself must name the upload's hash.
  auto named = c.Post(("/documents/" + id).c_str(), workbook_, "application/octet-stream");
  ASSERT_TRUE(named);
  EXPECT_EQ(named->status, 200);
  auto misnamed = c.Post(("/documents/" + std::string(64, 'f')).c_str(), workbook_, "application/octet-stream");
  ASSERT_TRUE(misnamed);
  EXPECT_EQ(misnamed->status, 400);
  auto page = c.Get(("/documents/" + id + "/pages/2.png?dpi=48").c_str());
  ASSERT_TRUE(page);
  ASSERT_EQ(page->status, 200);
  const std::string etag = page->get_header_value("ETag");
  EXPECT_FALSE(etag.empty());
  EXPECT_NE(page->get_header_value("Cache-Control").find("max-age"), std::string::npos);
  EXPECT_EQ(Decode(page->body).width * 2, ReferencePage(2).width);
  auto unchanged = c.Get(("/documents/" + id + "/pages/2.png?dpi=48").c_str(), {{"If-None-Match", etag}});
  ASSERT_TRUE(unchanged);
  EXPECT_EQ(unchanged->status, 304);
  // A thumbnail: the longest side at most scale_to pixels and short of it by less than an inch's worth.
  auto thumb = c.Get(("/documents/" + id + "/pages/2.png?scale_to=200").c_str());
  ASSERT_TRUE(thumb);
  ASSERT_EQ(thumb->status, 200);
  const Pixels small = Decode(thumb->body);
  const uint32_t longest = std::max(small.width, small.height);
  EXPECT_LE(longest, 200u);
  EXPECT_GT(longest, 185u);
  EXPECT_NE(thumb->get_header_value("ETag"), etag);
  for (const char* bad : {"/pages/3.png", "/pages/0.png", "/pages/1.png?dpi=601", "/pages/1.png?scale_to=0",
                          "/pages/1.png?scale_to=100&dpi=50"}) {
    auto res = c.Get(("/documents/" + id + bad).c_str());
    ASSERT_TRUE(res);
    EXPECT_TRUE(res->status == 400 || res->status == 404) << bad << " " << res->status;
  }
  auto pdf = c.Get(("/documents/" + id + ".pdf").c_str());
  ASSERT_TRUE(pdf);
  EXPECT_EQ(pdf->status, 200);
  EXPECT_EQ(pdf->body.compare(0, 4, "%PDF"), 0);
  auto gone = c.Delete(("/documents/" + id).c_str());
  ASSERT_TRUE(gone);
  EXPECT_EQ(gone->status, 204);
  EXPECT_EQ(c.Get(("/documents/" + id + ".pdf").c_str())->status, 404);
}

TEST_F(ServiceTest, ConcurrentRequestsDrawXlxrendersPages) {
  const std::string id = Upload();
  ASSERT_FALSE(id.empty());
  const Pixels reference[] = {ReferencePage(1), ReferencePage(2)};
  std::vector<std::thread> clients;
  std::atomic<int> same{0};
  for (int t = 0; t < 6; ++t)
    clients.emplace_back([&, t] {
      auto c = server_->Client();
      const int page = 1 + t % 2;
      auto res = t < 3 ? c.Get(("/documents/" + id + "/pages/" + std::to_string(page) + ".png").c_str())
                       : c.Post(("/convert?pages=" + std::to_string(page)).c_str(), workbook_, "application/octet-stream");
      if (res && res->status == 200 && Decode(res->body).rgb == reference[page - 1].rgb) ++same;
    });
  for (std::thread& t : clients) t.join();
  EXPECT_EQ(same.load(), 6);
}

TEST_F(ServiceTest, ProtectedWorkbookNeedsItsPassword) {
  const std::string name = "encrypted/edr__agile_AES128_SHA1_CBC_pwd_password.xlsx";
  const std::string bytes = ReadText(xlxtest::CorpusDir() + "/" + name), password = ManifestPassword(name);
  ASSERT_FALSE(bytes.empty());
  ASSERT_FALSE(password.empty());
  auto c = server_->Client();
  const std::pair<httplib::Headers, int> cases[] = {
      {{}, 401}, {{{"X-Password", password + "x"}}, 403}, {{{"X-Password", password}}, 201}};
  for (const auto& [headers, status] : cases) {
    auto res = c.Post("/documents", headers, bytes, "application/octet-stream");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, status) << res->body;
  }
  // A stored protected document is not handed to a request without its password.
  auto res = c.Post("/documents", bytes, "application/octet-stream");
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 401);
  res = c.Post(("/convert?password=" + password).c_str(), bytes, "application/octet-stream");
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 200);
}

TEST_F(ServiceTest, OperationsRoutesAndNoLeftOverFiles) {
  auto c = server_->Client();
  auto memoryFiles = [] {
    int status = 0;
    return xlxtest::CommandOutput("ls -l /proc/" + std::to_string(getpid()) + "/fd | grep -c memfd:xlxserve", &status);
  };
  for (int i = 0; i < 3; ++i) ASSERT_EQ(c.Post("/convert?format=pdf", workbook_, "application/octet-stream")->status, 200);
  EXPECT_EQ(memoryFiles(), "0\n");  // the upload and the PDF of every conversion are closed again
  auto health = c.Get("/health");
  ASSERT_TRUE(health);
  EXPECT_EQ(health->status, 200);
  auto metrics = c.Get("/metrics");
  ASSERT_TRUE(metrics);
  for (const char* line : {"xlxserve_requests_total{route=\"POST /convert\",status=\"200\"} 3",
                           "xlxserve_request_duration_seconds_count{route=\"POST /convert\"} 3",
                           "xlxserve_pages_drawn_total{format=\"pdf\"} 6", "xlxserve_cache_bytes "})
    EXPECT_NE(metrics->body.find(line), std::string::npos) << line;
  auto page = c.Get("/");
  ASSERT_TRUE(page);
  EXPECT_NE(page->body.find("/documents"), std::string::npos);
}

// Connects to the server and sends `request` whole; the socket, or -1.
int SendRaw(int port, const std::string& request) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(static_cast<uint16_t>(port));
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0 ||
      write(fd, request.data(), request.size()) != static_cast<ssize_t>(request.size())) {
    close(fd);
    return -1;
  }
  return fd;
}

TEST(ServiceLimits, FullQueueIs429AndAWaitPastTheTimeLimitIs503) {
  const std::string workbook = ReadText(xlxtest::CorpusDir() + "/xlsx/calamine__any_sheets.xlsx");
  if (workbook.empty()) GTEST_SKIP() << "no corpus";
  ServerConfig config;
  config.threads = 1;
  config.queue = 1;
  config.timeoutSeconds = 1;
  RunningServer running(config);
  ASSERT_TRUE(running.bound());
  Admission& admission = running.server().service().admission;
  // The test holds the only slot: the first request waits in the queue, the second finds it full.
  ASSERT_EQ(admission.Acquire(Clock::now() + std::chrono::seconds(30)), Admission::Outcome::kAdmitted);
  int waited = 0;
  std::thread first([&] {
    auto res = running.Client().Post("/convert", workbook, "application/octet-stream");
    waited = res ? res->status : -1;
  });
  while (admission.queued() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  auto res = running.Client().Post("/convert", workbook, "application/octet-stream");
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 429);
  first.join();
  EXPECT_EQ(waited, 503);
  admission.Release();
  EXPECT_EQ(running.Client().Post("/convert", workbook, "application/octet-stream")->status, 200);
}

TEST(ServiceLimits, SlowClientHoldsOnlyItsOwnConnection) {
  RunningServer running(ServerConfig{});
  ASSERT_TRUE(running.bound());
  // Announces 100,000 bytes and sends two.
  const int slow = SendRaw(running.server().port(), "POST /convert HTTP/1.1\r\nHost: x\r\nContent-Length: 100000\r\n\r\nPK");
  ASSERT_GE(slow, 0);
  const auto start = Clock::now();
  auto health = running.Client().Get("/health");
  ASSERT_TRUE(health);
  EXPECT_EQ(health->status, 200);
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
  close(slow);  // gone halfway through its upload
  EXPECT_EQ(running.Client().Get("/health")->status, 200);
}

TEST(ServiceLimits, ClientThatHangsUpGetsNoPagesDrawn) {
  const std::string workbook = ReadText(xlxtest::CorpusDir() + "/xlsx/calamine__any_sheets.xlsx");
  if (workbook.empty()) GTEST_SKIP() << "no corpus";
  ServerConfig config;
  config.threads = 1;
  RunningServer running(config);
  ASSERT_TRUE(running.bound());
  Admission& admission = running.server().service().admission;
  ASSERT_EQ(admission.Acquire(Clock::now() + std::chrono::seconds(30)), Admission::Outcome::kAdmitted);
  const int fd = SendRaw(running.server().port(), "POST /convert?format=pdf HTTP/1.1\r\nHost: x\r\nContent-Length: " +
                                                     std::to_string(workbook.size()) + "\r\n\r\n" + workbook);
  ASSERT_GE(fd, 0);
  while (admission.queued() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  close(fd);  // hangs up while its request waits
  admission.Release();
  std::string metrics;
  for (int i = 0; i < 500 && metrics.find("reason=\"client_gone\"} 1") == std::string::npos; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    metrics = running.Client().Get("/metrics")->body;
  }
  EXPECT_NE(metrics.find("xlxserve_rejected_total{reason=\"client_gone\"} 1"), std::string::npos) << metrics;
  EXPECT_EQ(metrics.find("xlxserve_pages_drawn_total{format=\"pdf\"}"), std::string::npos);
}

TEST(ServiceLimits, CacheBudgetEvictsTheLeastRecentlyUsedDocument) {
  const std::string a = ReadText(xlxtest::CorpusDir() + "/xlsx/calamine__any_sheets.xlsx");
  const std::string b = ReadText(xlxtest::CorpusDir() + "/xlsx/calamine__date.xlsx");
  if (a.empty() || b.empty()) GTEST_SKIP() << "no corpus";
  ServerConfig config;
  config.cacheBytes = 3u << 20;  // room for two small documents at one resolution each
  RunningServer running(config);
  ASSERT_TRUE(running.bound());
  auto c = running.Client();
  auto idOf = [](const httplib::Result& r) { return r && r->status == 201 ? r->body.substr(r->body.find("\"id\": \"") + 7, 64) : ""; };
  const std::string first = idOf(c.Post("/documents", a, "application/octet-stream"));
  const std::string second = idOf(c.Post("/documents", b, "application/octet-stream"));
  ASSERT_FALSE(first.empty());
  ASSERT_FALSE(second.empty());
  // A second resolution of the first document is a parse of its own: the second document goes.
  ASSERT_EQ(c.Get(("/documents/" + first + "/pages/1.png?dpi=48").c_str())->status, 200);
  EXPECT_EQ(c.Get(("/documents/" + second + "/pages/1.png").c_str())->status, 404);
  EXPECT_EQ(c.Get(("/documents/" + first + "/pages/1.png").c_str())->status, 200);
  const DocumentCache& cache = running.server().service().cache;
  EXPECT_LE(cache.bytes(), config.cacheBytes);
  EXPECT_EQ(cache.evictions(), 1u);
}

TEST(ServiceLimits, OneLogLinePerRequest) {
  RunningServer running(ServerConfig{});
  ASSERT_TRUE(running.bound());
  FILE* log = tmpfile();
  ASSERT_NE(log, nullptr);
  running.server().set_log(log);
  auto c = running.Client();
  ASSERT_EQ(c.Post("/health", std::string(1234, 'x'), "text/plain")->status, 404);
  ASSERT_EQ(c.Get(("/documents/" + std::string(64, 'a') + "/pages/1.png?password=secret").c_str())->status, 404);
  // Each line is written once its answer has gone out: wait for the second.
  std::vector<std::string> lines;
  for (int i = 0; i < 200 && lines.size() < 2; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    lines.clear();
    std::rewind(log);
    char buf[2048];
    while (std::fgets(buf, sizeof buf, log)) lines.push_back(buf);
  }
  running.server().set_log(nullptr);
  std::fclose(log);
  ASSERT_EQ(lines.size(), 2u);
  std::sort(lines.begin(), lines.end(), [](const std::string& a, const std::string& b) {
    return a.find("/health") != std::string::npos && b.find("/health") == std::string::npos;
  });
  EXPECT_NE(lines[0].find("\"route\": \"POST /health\", \"status\": 404"), std::string::npos) << lines[0];
  EXPECT_NE(lines[0].find("\"bytes_in\": 1234"), std::string::npos) << lines[0];
  EXPECT_NE(lines[1].find("\"route\": \"GET /documents/{id}/pages/{n}.png\", \"status\": 404"), std::string::npos)
      << lines[1];
  EXPECT_EQ(lines[1].find("secret"), std::string::npos);  // the query is not logged
}

TEST(ServiceLimits, StopDrainsTheRequestUnderWay) {
  const std::string workbook = ReadText(xlxtest::CorpusDir() + "/xlsx/calamine__any_sheets.xlsx");
  if (workbook.empty()) GTEST_SKIP() << "no corpus";
  ServerConfig config;
  config.threads = 1;
  auto running = std::make_unique<RunningServer>(config);
  Admission& admission = running->server().service().admission;
  ASSERT_EQ(admission.Acquire(Clock::now() + std::chrono::seconds(30)), Admission::Outcome::kAdmitted);
  int status = 0;
  std::thread request([&] {
    auto res = running->Client().Post("/convert?pages=1", workbook, "application/octet-stream");
    status = res ? res->status : -1;
  });
  while (admission.queued() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  running->server().Stop();
  EXPECT_EQ(running->Client().Get("/health").error(), httplib::Error::Connection);  // no new connections
  admission.Release();
  running.reset();  // returns once the request under way is answered
  request.join();
  EXPECT_EQ(status, 200);
}

}  // namespace
