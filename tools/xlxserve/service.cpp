#include "service.h"

#include <httplib.h>

#include <cstdlib>

#include "answers.h"
#include "common/resultcodes.h"
#include "openedworkbook.h"

namespace {
thread_local std::chrono::steady_clock::time_point t_requestStart{};
}  // namespace

void MarkRequestStart() { t_requestStart = std::chrono::steady_clock::now(); }
void ClearRequestStart() { t_requestStart = {}; }
std::chrono::steady_clock::time_point RequestStart() {
  return t_requestStart == std::chrono::steady_clock::time_point{} ? std::chrono::steady_clock::now() : t_requestStart;
}

bool ReadBody(const httplib::Request& req, const httplib::ContentReader& reader, size_t maxBytes,
              std::vector<FormPart>* parts, std::string* body) {
  // A declared length past the limit is read and dropped by the HTTP library (so the client,
  // still sending, gets the answer); the reader then reports failure.
  const std::string declared = req.get_header_value("Content-Length");
  size_t total = !declared.empty() && std::strtoull(declared.c_str(), nullptr, 10) > maxBytes ? maxBytes + 1 : 0;
  auto fits = [&](size_t length) { return (total += length) <= maxBytes; };
  bool complete;
  if (req.is_multipart_form_data()) {
    complete = reader(
        [&](const httplib::MultipartFormData& part) {
          parts->push_back(FormPart{part.name, part.filename, {}});
          return true;
        },
        [&](const char* data, size_t length) {
          if (!fits(length)) return false;
          if (!parts->empty()) parts->back().content.append(data, length);
          return true;
        });
  } else {
    complete = reader([&](const char* data, size_t length) {
      if (!fits(length)) return false;
      body->append(data, length);
      return true;
    });
  }
  if (total > maxBytes) {
    parts->clear();
    body->clear();
    return false;
  }
  (void)complete;  // a body cut short shows as a damaged workbook
  return true;
}

bool ReadUpload(Service& service, const httplib::Request& req, const httplib::ContentReader& reader,
                const char* fileField, Upload* upload, httplib::Response& res) {
  std::vector<FormPart> parts;
  if (!ReadBody(req, reader, service.config.maxUploadBytes, &parts, &upload->bytes)) {
    AnswerTooLarge(service, res);
    return false;
  }
  if (req.is_multipart_form_data()) {
    const FormPart* file = nullptr;
    for (const FormPart& part : parts) {
      if (part.fileName.empty()) upload->fields.emplace(part.name, part.content);
      else if (!file || (part.name == fileField && file->name != fileField)) file = &part;
    }
    if (!file) {
      AnswerError(res, 400, XLX_ERR_ARGUMENT, std::string("the form has no file (field ") + fileField + ")");
      return false;
    }
    upload->bytes = file->content;
    upload->fileName = file->fileName;
  }
  if (upload->bytes.empty()) {
    AnswerError(res, 400, XLX_ERR_ARGUMENT, "no workbook in the request");
    return false;
  }
  for (const auto& [name, value] : req.params)
    if (upload->fields.count(name) == 0) upload->fields.emplace(name, value);
  if (upload->fields.count("password") == 0 && req.has_header("X-Password"))
    upload->fields.emplace("password", req.get_header_value("X-Password"));
  return true;
}

void AnswerTooLarge(Service& service, httplib::Response& res) {
  service.metrics.CountRejected("too_large");
  AnswerError(res, 413, XLX_ERR_ARGUMENT,
              "the upload is larger than " + std::to_string(service.config.maxUploadBytes >> 20) + " MB");
}

void AnswerError(httplib::Response& res, int status, int32_t code, const std::string& text) {
  res.status = status;
  res.set_content(ErrorJson(code, text), "application/json");
}

void AnswerCode(httplib::Response& res, int32_t code, const std::string& detail) {
  std::string text = ErrorTextFor(code);
  if (!detail.empty() && detail != text) text += ": " + detail;
  AnswerError(res, HttpStatusFor(code), code, text);
}

WorkLimits LimitsFor(const Service& service, const httplib::Request& req) {
  const auto deadline = RequestStart() + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                             std::chrono::duration<double>(service.config.timeoutSeconds));
  return WorkLimits(deadline, FindConnection(req.remote_addr, req.remote_port, service.boundPort));
}

bool Admitted(Service& service, const AdmissionSlot& slot, httplib::Response& res) {
  switch (slot.outcome()) {
    case Admission::Outcome::kAdmitted:
      return true;
    case Admission::Outcome::kQueueFull:
      service.metrics.CountRejected("queue_full");
      res.set_header("Retry-After", "1");
      AnswerError(res, 429, -13, "too many conversions at once; try again shortly");
      return false;
    case Admission::Outcome::kTimedOut:
      break;
  }
  service.metrics.CountRejected("time_limit");
  AnswerError(res, 503, -13, "the time limit passed while the request waited for a free slot");
  return false;
}

void AnswerStopped(Service& service, const WorkLimits& limits, httplib::Response& res) {
  if (limits.stop() == WorkLimits::Stop::kClientGone) {
    service.metrics.CountRejected("client_gone");
    AnswerError(res, 499, -13, "the client closed the connection");
    return;
  }
  service.metrics.CountRejected("time_limit");
  AnswerError(res, 503, -13, "the time limit of " + std::to_string(service.config.timeoutSeconds) +
                                 " s per request passed before the work was done");
}
