// GET /health, GET /metrics and the web page at GET /.
#include <httplib.h>

#include "service.h"

void AddOperationRoutes(httplib::Server& server, Service& service) {
  using httplib::Request;
  using httplib::Response;
  server.Get("/health", [&](const Request&, Response& res) {
    if (service.draining.load()) {
      res.status = 503;
      res.set_content("{\"status\": \"draining\"}", "application/json");
      return;
    }
    res.set_content("{\"status\": \"ok\", \"running\": " + std::to_string(service.admission.running()) +
                        ", \"queued\": " + std::to_string(service.admission.queued()) +
                        ", \"cached_documents\": " + std::to_string(service.cache.count()) + "}",
                    "application/json");
  });
  server.Get("/metrics", [&](const Request&, Response& res) {
    res.set_content(service.metrics.Render(service.cache, service.admission.running(), service.admission.queued()),
                    "text/plain; version=0.0.4");
  });
  server.Get("/", [](const Request&, Response& res) {
    res.set_header("Cache-Control", "no-cache");
    res.set_content(WebPageHtml(), "text/html; charset=utf-8");
  });
}
