// The state every route of the service shares, and the helpers the routes have in common.
#pragma once
#include <atomic>
#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "admission.h"
#include "documentcache.h"
#include "metrics.h"
#include "requestoptions.h"
#include "worklimits.h"

namespace httplib {
struct Request;
struct Response;
class Server;
class ContentReader;
}  // namespace httplib

struct ServerConfig {
  std::string host = "127.0.0.1";
  int port = 8080;                       // 0: any free port
  int threads = 2;                       // conversions drawn at once
  int queue = 0;                         // conversions waiting; 0: four per thread
  size_t cacheBytes = 256u << 20;
  size_t maxUploadBytes = 64u << 20;
  double timeoutSeconds = 60;
};

struct Service {
  explicit Service(const ServerConfig& c)
      : config(c), admission(c.threads, c.queue > 0 ? c.queue : 4 * c.threads), cache(c.cacheBytes) {}
  ServerConfig config;
  Admission admission;
  DocumentCache cache;
  Metrics metrics;
  std::atomic<bool> draining{false};
  int boundPort = 0;
};

// The workbook and the option fields of a request: a multipart form's file field (`fileField`, or
// else the first part with a file name) and its other fields, or the whole body; query parameters
// and the X-Password header fill the fields the form leaves out.
struct Upload {
  std::string bytes;
  std::string fileName;
  RequestFields fields;
};
// One part of a multipart form.
struct FormPart {
  std::string name, fileName, content;
};
// The request body as read through the route's content reader (uploads are read that way so
// that a workbook sent with any content type arrives whole): the parts of a multipart form, or
// else the whole body in `body`.
// False (nothing kept) when the body passes `maxBytes`.
bool ReadBody(const httplib::Request& req, const httplib::ContentReader& reader, size_t maxBytes,
              std::vector<FormPart>* parts, std::string* body);
// The upload of a request, or false with the error answered (400, or 413 past the upload limit).
bool ReadUpload(Service& service, const httplib::Request& req, const httplib::ContentReader& reader,
                const char* fileField, Upload* upload, httplib::Response& res);

// Answers 413 for an upload past the limit, and counts it.
void AnswerTooLarge(Service& service, httplib::Response& res);
// Sets a JSON error answer.
void AnswerError(httplib::Response& res, int status, int32_t code, const std::string& text);
// Sets the answer of a filter or service result code.
void AnswerCode(httplib::Response& res, int32_t code, const std::string& detail);

// Limits of one request, started when it arrived: its deadline and its connection.
WorkLimits LimitsFor(const Service& service, const httplib::Request& req);
// Answers 429 or 503 (and counts it) when the slot was not granted; true when it was.
bool Admitted(Service& service, const AdmissionSlot& slot, httplib::Response& res);
// Answers why `limits` stopped the work (503 with the time limit; the client gone needs none).
void AnswerStopped(Service& service, const WorkLimits& limits, httplib::Response& res);

// Route registration, one function per group of routes.
void AddConvertRoutes(httplib::Server& server, Service& service);
void AddDocumentRoutes(httplib::Server& server, Service& service);
void AddOperationRoutes(httplib::Server& server, Service& service);

// The web page served at "/".
const char* WebPageHtml();

// The arrival of the request this thread is handling (set before routing).
void MarkRequestStart();
std::chrono::steady_clock::time_point RequestStart();
// Clears the mark once the request is logged; a request answered before routing (a refused
// upload) then counts from its answer.
void ClearRequestStart();
