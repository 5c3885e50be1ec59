// POST /convert and the office-conversion compatible POST /forms/libreoffice/convert.
#include <httplib.h>

#include "common/resultcodes.h"
#include "openedworkbook.h"
#include "service.h"
#include "zipwriter.h"

namespace {

// What the answer's pages are: the extension and media type of the chosen format.
struct PageKind {
  const char* extension;
  const char* mediaType;
  bool jpeg;
};

PageKind KindOf(RenderOptions::Format f, bool jpeg) {
  if (f == RenderOptions::Format::kPdf) return {"pdf", "application/pdf", false};
  if (f == RenderOptions::Format::kSvg) return {"svg", "image/svg+xml", false};
  return jpeg ? PageKind{"jpg", "image/jpeg", true} : PageKind{"png", "image/png", false};
}

// The base of answer file names: the upload's name without folder and extension, or "workbook".
std::string BaseName(const std::string& fileName) {
  std::string base = fileName.substr(fileName.find_last_of("/\\") + 1);
  const size_t dot = base.find_last_of('.');
  if (dot != std::string::npos && dot > 0) base.resize(dot);
  std::string safe;
  for (char c : base) safe += (std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_') ? c : '_';
  return safe.empty() ? "workbook" : safe.substr(0, 100);
}

// Draws one page as `kind` says.
int32_t RenderPageAs(OpenedWorkbook& book, const PageKind& kind, int32_t page, WorkLimits* limits, std::string* bytes) {
  if (book.options().format == RenderOptions::Format::kSvg) return book.RenderSvg(page, limits, bytes);
  return kind.jpeg ? book.RenderJpeg(page, limits, bytes) : book.RenderPng(page, limits, bytes);
}

// The selected pages as one answer: a PDF, one image, or a zip of images. 1 or a result code.
int32_t RenderAnswer(OpenedWorkbook& book, const PageKind& kind, const std::string& base, WorkLimits* limits,
                     std::string* body, std::string* mediaType, std::string* fileName) {
  const std::vector<int32_t> pages = book.SelectedPages();
  if (pages.empty()) return kNoSuchPage;
  const bool pdf = book.options().format == RenderOptions::Format::kPdf;
  if (pdf || pages.size() == 1) {
    *mediaType = kind.mediaType;
    *fileName = base + (pdf ? "" : "-" + std::to_string(pages[0])) + "." + kind.extension;
    return pdf ? book.RenderPdf(pages, limits, body) : RenderPageAs(book, kind, pages[0], limits, body);
  }
  ZipArchive zip;
  for (int32_t page : pages) {
    std::string bytes;
    const int32_t r = RenderPageAs(book, kind, page, limits, &bytes);
    if (r != XLX_OK) return r;
    if (!zip.Add(base + "-" + std::to_string(page) + "." + kind.extension, bytes)) return kPageTooLarge;
  }
  *body = zip.Finish();
  *mediaType = "application/zip";
  *fileName = base + ".zip";
  return XLX_OK;
}

// Opens the upload with its options and draws the answer; false with the error answered.
bool Convert(Service& service, const Upload& upload, const RenderOptions& options, const PageKind& kind, WorkLimits* limits,
             httplib::Response& res, std::string* body, std::string* mediaType, std::string* fileName) {
  auto file = std::make_shared<MemoryFile>();
  std::string error;
  if (!file->Create(upload.bytes.data(), upload.bytes.size(), &error)) {
    AnswerError(res, 500, XLX_ERR_MEMORY, error);
    return false;
  }
  OpenedWorkbook book;
  int32_t r = book.Open(file, options, &error);
  if (r == XLX_OK && limits->ShouldStop()) r = kStoppedByLimits;
  if (r == XLX_OK) r = RenderAnswer(book, kind, BaseName(upload.fileName), limits, body, mediaType, fileName);
  if (r == kStoppedByLimits) {
    AnswerStopped(service, *limits, res);
    return false;
  }
  if (r != XLX_OK) {
    AnswerCode(res, r, error);
    return false;
  }
  service.metrics.CountPages(kind.jpeg ? "jpeg" : kind.extension, book.SelectedPages().size());
  return true;
}

void HandleConvert(Service& service, const httplib::Request& req, httplib::Response& res,
                   const httplib::ContentReader& reader) {
  Upload upload;
  std::string error;
  if (!ReadUpload(service, req, reader, "file", &upload, res)) return;
  RenderOptions options;
  if (!RenderOptionsFromFields(upload.fields, "upload", &options, &error))
    return AnswerError(res, 400, XLX_ERR_ARGUMENT, error);
  WorkLimits limits = LimitsFor(service, req);
  AdmissionSlot slot(&service.admission, limits.deadline());
  if (!Admitted(service, slot, res)) return;
  std::string body, mediaType, fileName;
  const PageKind kind = KindOf(options.format, WantsJpeg(upload.fields));
  if (!Convert(service, upload, options, kind, &limits, res, &body, &mediaType, &fileName)) return;
  res.set_header("Content-Disposition", "attachment; filename=\"" + fileName + "\"");
  res.set_content(std::move(body), mediaType.c_str());
}

// Every part of the form field "files" becomes a PDF; one comes back as itself, several as a zip.
// "nativePageRanges" chooses pages as "pages" does.
void HandleOfficeConvert(Service& service, const httplib::Request& req, httplib::Response& res,
                         const httplib::ContentReader& reader) {
  std::vector<FormPart> parts;
  std::string ignored;
  if (req.is_multipart_form_data() && !ReadBody(req, reader, service.config.maxUploadBytes, &parts, &ignored))
    return AnswerTooLarge(service, res);
  RequestFields fields{{"format", "pdf"}};
  size_t files = 0;
  for (const FormPart& part : parts) {
    if (part.name == "files") ++files;
    if (part.name == "nativePageRanges" && fields.count("pages") == 0) fields.emplace("pages", part.content);
  }
  if (files == 0) return AnswerError(res, 400, XLX_ERR_ARGUMENT, "send the workbooks as multipart form field \"files\"");
  if (req.has_header("X-Password")) fields.emplace("password", req.get_header_value("X-Password"));
  RenderOptions options;
  std::string error;
  if (!RenderOptionsFromFields(fields, "upload", &options, &error)) return AnswerError(res, 400, XLX_ERR_ARGUMENT, error);
  WorkLimits limits = LimitsFor(service, req);
  AdmissionSlot slot(&service.admission, limits.deadline());
  if (!Admitted(service, slot, res)) return;
  ZipArchive zip;
  std::string body, mediaType, fileName;
  for (const FormPart& part : parts) {
    if (part.name != "files") continue;
    Upload upload{part.content, part.fileName, {}};
    body.clear();
    if (!Convert(service, upload, options, KindOf(options.format, false), &limits, res, &body, &mediaType, &fileName))
      return;
    if (!zip.Add(fileName, body)) return AnswerError(res, 413, kPageTooLarge, "the answer is too large for a zip");
  }
  if (files > 1) {
    body = zip.Finish();
    mediaType = "application/zip";
    fileName = "documents.zip";
  }
  res.set_header("Content-Disposition", "attachment; filename=\"" + fileName + "\"");
  res.set_content(std::move(body), mediaType.c_str());
}

}  // namespace

void AddConvertRoutes(httplib::Server& server, Service& service) {
  using httplib::ContentReader;
  using httplib::Request;
  using httplib::Response;
  server.Post("/convert", [&](const Request& req, Response& res, const ContentReader& reader) {
    HandleConvert(service, req, res, reader);
  });
  server.Post("/forms/libreoffice/convert", [&](const Request& req, Response& res, const ContentReader& reader) {
    HandleOfficeConvert(service, req, res, reader);
  });
}
