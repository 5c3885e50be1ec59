// Documents for a viewer: POST /documents keeps an upload under its content hash; its pages, its
// PDF and its information are then asked for by id; DELETE forgets it.
#include <httplib.h>
#include <algorithm>
#include <openssl/evp.h>

#include "common/resultcodes.h"
#include "openedworkbook.h"
#include "pagescale.h"
#include "service.h"

namespace {

// Resolution of pages asked for without one, and the highest a page request may ask for.
constexpr uint32_t kDefaultDpi = 96;
constexpr uint32_t kMaximumPageDpi = 600;

std::string ContentHash(const std::string& bytes) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr) != 1) return "";
  static const char kHex[] = "0123456789abcdef";
  std::string id;
  for (unsigned int i = 0; i < length; ++i) id += kHex[digest[i] >> 4], id += kHex[digest[i] & 15];
  return id;
}

// Opens the upload as a document: its 96 dpi view and its information, and what it costs in
// memory (the upload and the parse). 1 or a result code.
int32_t OpenDocument(const Upload& upload, const RenderOptions& options, const std::string& id,
                     std::shared_ptr<StoredDocument>* out, size_t* cost, std::string* error) {
  auto document = std::make_shared<StoredDocument>();
  document->id = id;
  document->options = options;
  document->options.dpi = kDefaultDpi;
  document->options.pageRanges.clear();
  document->file = std::make_shared<MemoryFile>();
  if (!document->file->Create(upload.bytes.data(), upload.bytes.size(), error)) return XLX_ERR_MEMORY;
  auto opened = std::make_shared<OpenedWorkbook>();
  int32_t r = OpenCounted(opened.get(), document->file, document->options, error, cost);
  if (r != XLX_OK) return r;
  *cost += upload.bytes.size();
  std::vector<PageSize> sizes;
  r = opened->PageSizes(&sizes);
  if (r != XLX_OK) return r;
  if (sizes.empty()) return kNoSuchPage;
  document->pages = opened->pageCount();
  document->infoJson = InfoJson(id, sizes[0], sizes);
  document->views[kDefaultDpi] = opened;
  *out = document;
  return XLX_OK;
}

// `expectedId`, when not empty, is the id the client computed (POST /documents/{id}, which a
// load balancer can route by id like the later page requests).
void HandleCreate(Service& service, const httplib::Request& req, httplib::Response& res,
                  const httplib::ContentReader& reader, const std::string& expectedId) {
  Upload upload;
  std::string error;
  if (!ReadUpload(service, req, reader, "file", &upload, res)) return;
  RenderOptions options;
  if (!RenderOptionsFromFields(upload.fields, "upload", &options, &error))
    return AnswerError(res, 400, XLX_ERR_ARGUMENT, error);
  const std::string id = ContentHash(upload.bytes);
  if (id.empty()) return AnswerError(res, 500, XLX_ERR_MEMORY, "cannot hash the upload");
  if (!expectedId.empty() && expectedId != id)
    return AnswerError(res, 400, XLX_ERR_ARGUMENT, "the SHA-256 of the upload is " + id + ", not the id in the path");
  // A stored document answers only a request that opens it the same way (the same password).
  std::shared_ptr<StoredDocument> known = service.cache.Find(id);
  if (known && known->options.password == options.password && known->options.flags == options.flags) {
    res.set_content(known->infoJson, "application/json");
    return;
  }
  WorkLimits limits = LimitsFor(service, req);
  AdmissionSlot slot(&service.admission, limits.deadline());
  if (!Admitted(service, slot, res)) return;
  std::shared_ptr<StoredDocument> document;
  size_t cost = 0;
  const int32_t r = OpenDocument(upload, options, id, &document, &cost, &error);
  if (r != XLX_OK) return AnswerCode(res, r, error);
  if (!service.cache.Put(document, cost))
    return AnswerError(res, 413, XLX_ERR_MEMORY, "the workbook is too large for the document cache");
  res.status = 201;
  res.set_header("Location", "/documents/" + id);
  res.set_content(document->infoJson, "application/json");
}

// The stored document named by the path, or null with 404 answered.
std::shared_ptr<StoredDocument> FindDocument(Service& service, const std::string& id, httplib::Response& res) {
  std::shared_ptr<StoredDocument> document = IsDocumentId(id) ? service.cache.Find(id) : nullptr;
  if (!document)
    AnswerError(res, 404, XLX_ERR_OPEN, "no such document here; upload it again with POST /documents");
  return document;
}

constexpr uint32_t kMaximumScaleTo = 20000;  // pixels of a page's longest side

// The resolution that draws `page` with its longest side at most `scaleTo` pixels, from the
// page's size at the default resolution. 1 or the filter's result code.
int32_t ScaledPageDpi(Service& service, const std::shared_ptr<StoredDocument>& document, uint32_t page,
                      uint32_t scaleTo, uint32_t* dpi) {
  std::shared_ptr<OpenedWorkbook> base;
  std::string error;
  int32_t r = service.cache.View(document, kDefaultDpi, &base, &error);
  std::vector<PageSize> sizes;
  if (r == XLX_OK) r = base->PageSizes(&sizes);
  if (r != XLX_OK) return r;
  if (page < 1 || page > sizes.size()) return XLX_ERR_ARGUMENT;
  RenderOptions o = document->options;
  o.dpi = kDefaultDpi, o.dpiY = 0, o.scaleTo = scaleTo, o.scaleToX = o.scaleToY = 0;
  const PageResolution scaled = ScaledResolution(o, sizes[page - 1].width, sizes[page - 1].height);
  *dpi = std::max<uint32_t>(1, std::min(scaled.x, kMaximumPageDpi));
  return XLX_OK;
}

void HandlePage(Service& service, const httplib::Request& req, httplib::Response& res) {
  std::shared_ptr<StoredDocument> document = FindDocument(service, req.matches[1], res);
  if (!document) return;
  uint32_t page = 0, dpi = kDefaultDpi;
  if (!ParsePositive(req.matches[2], static_cast<uint32_t>(document->pages), &page))
    return AnswerError(res, 404, kNoSuchPage, "the document has pages 1 to " + std::to_string(document->pages));
  if (req.has_param("dpi") && !ParsePositive(req.get_param_value("dpi"), kMaximumPageDpi, &dpi))
    return AnswerError(res, 400, XLX_ERR_ARGUMENT, "dpi must be 1 to " + std::to_string(kMaximumPageDpi));
  uint32_t scaleTo = 0;
  if (req.has_param("scale_to") && !ParsePositive(req.get_param_value("scale_to"), kMaximumScaleTo, &scaleTo))
    return AnswerError(res, 400, XLX_ERR_ARGUMENT, "scale_to must be 1 to " + std::to_string(kMaximumScaleTo));
  if (scaleTo && req.has_param("dpi"))
    return AnswerError(res, 400, XLX_ERR_ARGUMENT, "ask for a dpi or a scale_to, not both");
  // The same document, page and resolution (or size) always draw the same image.
  const std::string size = scaleTo ? "s" + std::to_string(scaleTo) : std::to_string(dpi);
  const std::string etag = "\"" + document->id.substr(0, 32) + "-" + std::to_string(page) + "-" + size + "\"";
  res.set_header("ETag", etag);
  res.set_header("Cache-Control", document->options.password.empty() ? "public, max-age=86400, immutable"
                                                                     : "private, max-age=86400");
  if (req.get_header_value("If-None-Match") == etag) {
    res.status = 304;
    return;
  }
  WorkLimits limits = LimitsFor(service, req);
  AdmissionSlot slot(&service.admission, limits.deadline());
  if (!Admitted(service, slot, res)) return;
  std::shared_ptr<OpenedWorkbook> view;
  std::string error, png;
  int32_t r = scaleTo ? ScaledPageDpi(service, document, page, scaleTo, &dpi) : XLX_OK;
  if (r == XLX_OK) r = service.cache.View(document, dpi, &view, &error);
  if (r == XLX_OK) r = view->RenderPng(static_cast<int32_t>(page), &limits, &png);
  if (r == kStoppedByLimits) return AnswerStopped(service, limits, res);
  if (r != XLX_OK) return AnswerCode(res, r, "");
  service.metrics.CountPages("png", 1);
  res.set_content(std::move(png), "image/png");
}

void HandlePdf(Service& service, const httplib::Request& req, httplib::Response& res) {
  std::shared_ptr<StoredDocument> document = FindDocument(service, req.matches[1], res);
  if (!document) return;
  WorkLimits limits = LimitsFor(service, req);
  AdmissionSlot slot(&service.admission, limits.deadline());
  if (!Admitted(service, slot, res)) return;
  std::shared_ptr<OpenedWorkbook> view;
  std::string error, pdf;
  int32_t r = service.cache.View(document, kDefaultDpi, &view, &error);
  if (r == XLX_OK) r = view->RenderPdf(view->SelectedPages(), &limits, &pdf);
  if (r == kStoppedByLimits) return AnswerStopped(service, limits, res);
  if (r != XLX_OK) return AnswerCode(res, r, "");
  service.metrics.CountPages("pdf", static_cast<uint64_t>(document->pages));
  res.set_header("Content-Disposition", "attachment; filename=\"" + document->id.substr(0, 16) + ".pdf\"");
  res.set_content(std::move(pdf), "application/pdf");
}

}  // namespace

void AddDocumentRoutes(httplib::Server& server, Service& service) {
  using httplib::Request;
  using httplib::Response;
  server.Post("/documents", [&](const Request& req, Response& res, const httplib::ContentReader& reader) {
    HandleCreate(service, req, res, reader, "");
  });
  server.Post(R"(/documents/([0-9a-f]{64}))", [&](const Request& req, Response& res, const httplib::ContentReader& reader) {
    HandleCreate(service, req, res, reader, req.matches[1]);
  });
  server.Get(R"(/documents/([0-9a-f]{64})/pages/(\d{1,9})\.png)",
             [&](const Request& req, Response& res) { HandlePage(service, req, res); });
  server.Get(R"(/documents/([0-9a-f]{64})\.pdf)", [&](const Request& req, Response& res) { HandlePdf(service, req, res); });
  server.Get(R"(/documents/([0-9a-f]{64}))", [&](const Request& req, Response& res) {
    if (std::shared_ptr<StoredDocument> document = FindDocument(service, req.matches[1], res))
      res.set_content(document->infoJson, "application/json");
  });
  server.Delete(R"(/documents/([0-9a-f]{64}))", [&](const Request& req, Response& res) {
    if (!service.cache.Remove(req.matches[1])) return AnswerError(res, 404, XLX_ERR_OPEN, "no such document here");
    res.status = 204;
  });
}
