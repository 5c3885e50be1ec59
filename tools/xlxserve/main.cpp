// xlxserve: workbooks in, pages out, over HTTP, with a web page to look at them.
#include <malloc.h>
#include <signal.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "requestoptions.h"
#include "server.h"

namespace {

const char* kUsage =
    "usage: xlxserve [options]\n"
    "Serves workbook conversions and a page viewer over HTTP.\n"
    "  --host ADDRESS       address to listen on (default 127.0.0.1; 0.0.0.0 for every interface)\n"
    "  --port N             port (default 8080; 0 picks a free one and prints it)\n"
    "  --threads N          conversions drawn at once (default 2)\n"
    "  --queue N            conversions waiting for a slot before 429 (default 4 per thread)\n"
    "  --cache-mb N         memory for kept documents and their parses (default 256)\n"
    "  --max-upload-mb N    largest upload; larger ones get 413 (default 64)\n"
    "  --timeout SECONDS    time limit per request, waiting included; 503 after it (default 60)\n"
    "  --quiet              no log line per request\n";

bool ParseServerArgs(int argc, char** argv, ServerConfig* c, bool* quiet, std::string* error) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--quiet") {
      *quiet = true;
      continue;
    }
    if (a == "-h" || a == "--help") return *error = "", false;
    if (i + 1 >= argc) return *error = "unknown option or missing value: " + a, false;
    const std::string v = argv[++i];
    uint32_t n = 0;
    if (a == "--host") {
      c->host = v;
    } else if (a == "--port" && (v == "0" || ParsePositive(v, 65535, &n))) {
      c->port = static_cast<int>(n);
    } else if (a == "--threads" && ParsePositive(v, 256, &n)) {
      c->threads = static_cast<int>(n);
    } else if (a == "--queue" && ParsePositive(v, 10000, &n)) {
      c->queue = static_cast<int>(n);
    } else if (a == "--cache-mb" && ParsePositive(v, 1 << 20, &n)) {
      c->cacheBytes = static_cast<size_t>(n) << 20;
    } else if (a == "--max-upload-mb" && ParsePositive(v, 1 << 12, &n)) {
      c->maxUploadBytes = static_cast<size_t>(n) << 20;
    } else if (a == "--timeout" && ParsePositive(v, 86400, &n)) {
      c->timeoutSeconds = n;
    } else {
      return *error = "bad option or value: " + a + " " + v, false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  ServerConfig config;
  bool quiet = false;
  std::string error;
  if (!ParseServerArgs(argc, argv, &config, &quiet, &error)) {
    if (!error.empty()) std::fprintf(stderr, "xlxserve: %s\n", error.c_str());
    std::fputs(kUsage, error.empty() ? stdout : stderr);
    return error.empty() ? 0 : 2;
  }
  // A thread that allocates while others hold the malloc arenas gets an arena of its own, and an
  // arena keeps the memory of the largest conversion it served (a PDF reads the tables of every
  // font it embeds while it is finished). Requests run on many connection threads; uncapped, the
  // process would keep that peak once per thread. One arena per conversion slot, plus one.
  mallopt(M_ARENA_MAX, config.threads + 1);
  // SIGTERM and SIGINT are taken by one thread that drains the server; every other thread keeps
  // them blocked.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  signal(SIGPIPE, SIG_IGN);
  PreviewServer server(config);
  if (quiet) server.set_log(nullptr);
  if (!server.Bind(&error)) {
    std::fprintf(stderr, "xlxserve: %s\n", error.c_str());
    return 1;
  }
  std::fprintf(stderr, "xlxserve: listening on http://%s:%d/\n", config.host.c_str(), server.port());
  std::thread waiter([&] {
    int signalNumber = 0;
    sigwait(&stopSignals, &signalNumber);
    std::fprintf(stderr, "xlxserve: %s, finishing the requests under way\n", strsignal(signalNumber));
    server.Stop();
  });
  waiter.detach();
  const bool served = server.Serve();
  std::fprintf(stderr, "xlxserve: stopped\n");
  return served || server.service().draining ? 0 : 1;
}
