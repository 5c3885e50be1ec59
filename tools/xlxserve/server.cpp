#include "server.h"

#include <httplib.h>
#include <cstdlib>
#include <ctime>

#include "common/resultcodes.h"
#include "openedworkbook.h"

namespace {

// Connection threads beyond the conversion slots and their queue: they answer health checks,
// metrics, cached requests and the 429s of a full queue.
constexpr int kSpareConnectionThreads = 4;

std::string UtcNow() {
  char buf[32];
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  gmtime_r(&now, &tm);
  std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &tm);
  return buf;
}

// Bytes of a request body: uploads are read through the routes' readers, not into the body.
size_t BodyBytes(const httplib::Request& req) {
  const std::string length = req.get_header_value("Content-Length");
  return length.empty() ? req.body.size() : static_cast<size_t>(std::strtoull(length.c_str(), nullptr, 10));
}

}  // namespace

struct LogEntry {
  std::string method, path, route, remote;
  int status;
  double seconds;
  size_t bytesIn, bytesOut;
};

PreviewServer::PreviewServer(const ServerConfig& config) : service_(config), http_(new httplib::Server) {
  const int connections = config.threads + (config.queue > 0 ? config.queue : 4 * config.threads) + kSpareConnectionThreads;
  http_->new_task_queue = [connections] { return new httplib::ThreadPool(static_cast<size_t>(connections)); };
  http_->set_payload_max_length(config.maxUploadBytes);
  http_->set_read_timeout(std::chrono::seconds(std::max(1, static_cast<int>(config.timeoutSeconds))));
  http_->set_keep_alive_timeout(5);
  http_->set_pre_routing_handler([](const httplib::Request&, httplib::Response&) {
    MarkRequestStart();
    return httplib::Server::HandlerResponse::Unhandled;
  });
  // Answers the library makes itself (no route, upload too large) get a JSON body too.
  http_->set_error_handler(httplib::Server::HandlerWithResponse([this](const httplib::Request&, httplib::Response& res) {
    if (!res.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
    if (res.status == 413) {
      AnswerTooLarge(service_, res);
    } else if (res.status == 404) {
      AnswerError(res, 404, XLX_ERR_ARGUMENT, "no such route");
    } else {
      AnswerError(res, res.status, XLX_ERR_ARGUMENT, "the request was refused (status " + std::to_string(res.status) + ")");
    }
    return httplib::Server::HandlerResponse::Handled;
  }));
  http_->set_exception_handler([](const httplib::Request&, httplib::Response& res, std::exception_ptr) {
    AnswerError(res, 500, XLX_ERR_MEMORY, "the request could not be served");
  });
  http_->set_logger([this](const httplib::Request& req, const httplib::Response& res) {
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - RequestStart()).count();
    ClearRequestStart();
    Log(LogEntry{req.method, req.path, RouteOf(req.method, req.path), req.remote_addr, res.status, seconds,
                 BodyBytes(req), res.body.size()});
  });
  AddConvertRoutes(*http_, service_);
  AddDocumentRoutes(*http_, service_);
  AddOperationRoutes(*http_, service_);
}

PreviewServer::~PreviewServer() = default;

void PreviewServer::Log(const LogEntry& e) {
  service_.metrics.CountRequest(e.route, e.status, e.seconds);
  FILE* log = log_.load();
  if (!log) return;
  // The path is logged up to its query: passwords may travel there.
  std::fprintf(log,
               "{\"time\": \"%s\", \"method\": %s, \"path\": %s, \"route\": %s, \"status\": %d, \"ms\": %.1f, "
               "\"bytes_in\": %zu, \"bytes_out\": %zu, \"remote\": %s}\n",
               UtcNow().c_str(), JsonQuote(e.method).c_str(), JsonQuote(e.path).c_str(), JsonQuote(e.route).c_str(),
               e.status, e.seconds * 1000, e.bytesIn, e.bytesOut, JsonQuote(e.remote).c_str());
  std::fflush(log);
}

bool PreviewServer::Bind(std::string* error) {
  if (service_.config.port == 0) {
    service_.boundPort = http_->bind_to_any_port(service_.config.host);
  } else if (http_->bind_to_port(service_.config.host, service_.config.port)) {
    service_.boundPort = service_.config.port;
  }
  if (service_.boundPort <= 0) {
    *error = "cannot listen on " + service_.config.host + ":" + std::to_string(service_.config.port);
    return false;
  }
  return true;
}

bool PreviewServer::Serve() { return http_->listen_after_bind(); }

void PreviewServer::Stop() {
  service_.draining = true;
  http_->stop();
}
