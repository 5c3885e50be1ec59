#include "metrics.h"

#include <cstdio>

#include "documentcache.h"

namespace {

// Upper bounds of the duration buckets, in seconds.
constexpr double kBucketBounds[] = {0.005, 0.01, 0.025, 0.05, 0.1, 0.25, 0.5, 1, 2.5, 5, 10, 30};
constexpr size_t kBucketCount = sizeof kBucketBounds / sizeof kBucketBounds[0];

std::string Number(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.6g", v);
  return buf;
}

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }
bool EndsWith(const std::string& s, const char* suffix) {
  const std::string tail(suffix);
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

std::string RouteOf(const std::string& method, const std::string& path) {
  if (path == "/" || path == "/health" || path == "/metrics" || path == "/convert" ||
      path == "/forms/libreoffice/convert" || path == "/documents")
    return method + " " + path;
  if (StartsWith(path, "/documents/")) {
    if (path.find("/pages/") != std::string::npos) return method + " /documents/{id}/pages/{n}.png";
    if (EndsWith(path, ".pdf")) return method + " /documents/{id}.pdf";
    return method + " /documents/{id}";
  }
  return method + " other";
}

void Metrics::CountRequest(const std::string& route, int status, double seconds) {
  std::lock_guard<std::mutex> guard(lock_);
  ++requests_[{route, status}];
  Histogram& h = durations_[route];
  if (h.buckets.empty()) h.buckets.assign(kBucketCount, 0);
  for (size_t i = 0; i < kBucketCount; ++i)
    if (seconds <= kBucketBounds[i]) {
      ++h.buckets[i];
      break;
    }
  ++h.count;
  h.sum += seconds;
}

void Metrics::CountPages(const std::string& format, uint64_t pages) {
  std::lock_guard<std::mutex> guard(lock_);
  pages_[format] += pages;
}

void Metrics::CountRejected(const std::string& reason) {
  std::lock_guard<std::mutex> guard(lock_);
  ++rejected_[reason];
}

std::string Metrics::Render(const DocumentCache& cache, size_t running, size_t queued) const {
  std::lock_guard<std::mutex> guard(lock_);
  std::string out = "# HELP xlxserve_requests_total Requests answered, by route and status.\n"
                    "# TYPE xlxserve_requests_total counter\n";
  for (const auto& [key, n] : requests_)
    out += "xlxserve_requests_total{route=\"" + key.first + "\",status=\"" + std::to_string(key.second) + "\"} " +
           std::to_string(n) + "\n";
  out += "# HELP xlxserve_request_duration_seconds Time from request to answer, by route.\n"
         "# TYPE xlxserve_request_duration_seconds histogram\n";
  for (const auto& [route, h] : durations_) {
    uint64_t cumulative = 0;
    const std::string label = "route=\"" + route + "\"";
    for (size_t i = 0; i < kBucketCount; ++i) {
      cumulative += h.buckets[i];
      out += "xlxserve_request_duration_seconds_bucket{" + label + ",le=\"" + Number(kBucketBounds[i]) + "\"} " +
             std::to_string(cumulative) + "\n";
    }
    out += "xlxserve_request_duration_seconds_bucket{" + label + ",le=\"+Inf\"} " + std::to_string(h.count) + "\n";
    out += "xlxserve_request_duration_seconds_sum{" + label + "} " + Number(h.sum) + "\n";
    out += "xlxserve_request_duration_seconds_count{" + label + "} " + std::to_string(h.count) + "\n";
  }
  out += "# HELP xlxserve_pages_drawn_total Pages drawn, by format.\n# TYPE xlxserve_pages_drawn_total counter\n";
  for (const auto& [format, n] : pages_)
    out += "xlxserve_pages_drawn_total{format=\"" + format + "\"} " + std::to_string(n) + "\n";
  out += "# HELP xlxserve_rejected_total Requests turned away, by reason.\n# TYPE xlxserve_rejected_total counter\n";
  for (const auto& [reason, n] : rejected_)
    out += "xlxserve_rejected_total{reason=\"" + reason + "\"} " + std::to_string(n) + "\n";
  out += "# HELP xlxserve_cache_hits_total Document lookups found in the cache.\n# TYPE xlxserve_cache_hits_total counter\n";
  out += "xlxserve_cache_hits_total " + std::to_string(cache.hits()) + "\n";
  out += "# HELP xlxserve_cache_misses_total Document lookups not found.\n# TYPE xlxserve_cache_misses_total counter\n";
  out += "xlxserve_cache_misses_total " + std::to_string(cache.misses()) + "\n";
  out += "# HELP xlxserve_cache_evictions_total Documents dropped for room.\n# TYPE xlxserve_cache_evictions_total counter\n";
  out += "xlxserve_cache_evictions_total " + std::to_string(cache.evictions()) + "\n";
  out += "# HELP xlxserve_cache_bytes Estimated memory of the cached documents.\n# TYPE xlxserve_cache_bytes gauge\n";
  out += "xlxserve_cache_bytes " + std::to_string(cache.bytes()) + "\n";
  out += "# HELP xlxserve_cache_documents Documents in the cache.\n# TYPE xlxserve_cache_documents gauge\n";
  out += "xlxserve_cache_documents " + std::to_string(cache.count()) + "\n";
  out += "# HELP xlxserve_conversions_running Conversions being drawn.\n# TYPE xlxserve_conversions_running gauge\n";
  out += "xlxserve_conversions_running " + std::to_string(running) + "\n";
  out += "# HELP xlxserve_conversions_queued Conversions waiting.\n# TYPE xlxserve_conversions_queued gauge\n";
  out += "xlxserve_conversions_queued " + std::to_string(queued) + "\n";
  return out;
}
