// Counters of the service in the Prometheus text format: requests by route and status, request
// durations as histograms by route, pages drawn, cache figures and turned-away requests.
#pragma once
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

class DocumentCache;

class Metrics {
 public:
  void CountRequest(const std::string& route, int status, double seconds);
  void CountPages(const std::string& format, uint64_t pages);
  // reason: "queue_full", "time_limit", "too_large", "client_gone", "draining"
  void CountRejected(const std::string& reason);
  // The exposition text, with the cache's current figures.
  std::string Render(const DocumentCache& cache, size_t running, size_t queued) const;

 private:
  struct Histogram {
    std::vector<uint64_t> buckets;  // cumulative counts are made when rendered
    uint64_t count = 0;
    double sum = 0;
  };
  mutable std::mutex lock_;
  std::map<std::pair<std::string, int>, uint64_t> requests_;
  std::map<std::string, Histogram> durations_;
  std::map<std::string, uint64_t> pages_;
  std::map<std::string, uint64_t> rejected_;
};

// The route label of a request path: the route pattern, never the document id.
std::string RouteOf(const std::string& method, const std::string& path);
