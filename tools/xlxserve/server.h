// xlxserve's HTTP server: the routes of the service on one address, a pool of connection threads,
// one log line per request, and a drain on Stop.
#pragma once
#include <atomic>
#include <cstdio>
#include <memory>
#include <string>

#include "service.h"

namespace httplib {
class Server;
}

class PreviewServer {
 public:
  explicit PreviewServer(const ServerConfig& config);
  ~PreviewServer();
  // Binds the configured address (port 0: a free one). False with a message.
  bool Bind(std::string* error);
  // Serves until Stop, then returns once every request under way is answered.
  bool Serve();
  // Stops taking connections; callable from any thread. /health answers 503 from now on.
  void Stop();
  int port() const { return service_.boundPort; }
  Service& service() { return service_; }
  // Where log lines go (stderr by default; null: nowhere). A line is written after its answer.
  void set_log(FILE* log) { log_ = log; }

 private:
  void Log(const struct LogEntry& entry);
  Service service_;
  std::unique_ptr<httplib::Server> http_;
  std::atomic<FILE*> log_{stderr};
};
